// The program's own 15-bit random generator, so that runs repeat exactly.
#pragma once

#include <cstdint>

namespace korel {

class Random {
public:
    void seed(uint32_t s) { state_ = s; }
    // A value 0..32767.
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return int((state_ >> 16) & 0x7FFF);
    }
    // A value 0..n-1 (n > 0), taken as next() % n like the classic callers do.
    int below(int n) { return n > 0 ? next() % n : 0; }

private:
    uint32_t state_ = 1;
};

}  // namespace korel
