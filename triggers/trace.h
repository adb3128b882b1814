// The trace of beats and applied changes written to a stream, one line each.
#pragma once

#include <ostream>

#include "triggers/trigger_host.h"

namespace korel {

class StreamTrace : public TraceSink {
  public:
    explicit StreamTrace(std::ostream& out) : out_(out) {}
    void beat(uint32_t time, int level) override;
    void change(uint32_t time, int code, int value) override;

  private:
    std::ostream& out_;
};

}  // namespace korel
