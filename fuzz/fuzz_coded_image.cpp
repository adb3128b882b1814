// Fuzz target: the token code, both mask storages and the zero-run code. The first two bytes
// choose the image size, the rest is the code.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/coded_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int width = 1 + data[0] % 97;
    const int height = 1 + data[1] % 61;
    const std::span<const uint8_t> code(data + 2, size - 2);
    korel::Surface image(width, height);
    korel::decodeCodedImage(code, image);
    korel::Surface mask(width + 7, height);
    korel::decodeMask(code, true, width, mask);
    korel::decodeMask(code, false, width, mask);
    korel::Surface icon(width, height);
    korel::decodeZeroRunImage(code, icon);
    return 0;
}
