// Fuzz target: ".gra" gradient files.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/gradient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korel::Gradient gradient;
    bool truncated = false;
    korel::decodeGradient(std::span<const uint8_t>(data, size), gradient, &truncated);
    return 0;
}
