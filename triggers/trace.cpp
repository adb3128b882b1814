// The trace of beats and applied changes written to a stream.
#include "triggers/trace.h"

namespace korel {

void StreamTrace::beat(uint32_t time, int level) {
    out_ << "beat " << time << ' ' << level << '\n';
}

void StreamTrace::change(uint32_t time, int code, int value) {
    out_ << "change " << time << ' ' << code << ' ' << value << '\n';
}

}  // namespace korel
