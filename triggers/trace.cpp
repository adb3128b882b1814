// The trace of beats and applied changes written to a stream. Each line is flushed as it is
// written, so a file trace can be followed live and outlasts a crash.
#include "triggers/trace.h"

namespace korel {

void StreamTrace::beat(uint32_t time, int level) {
    out_ << "beat " << time << ' ' << level << '\n' << std::flush;
}

void StreamTrace::change(uint32_t time, int code, int value) {
    out_ << "change " << time << ' ' << code << ' ' << value << '\n' << std::flush;
}

}  // namespace korel
