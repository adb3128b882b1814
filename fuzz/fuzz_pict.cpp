// Fuzz target: the controls' picture files, read at every picture's size.
#include <cstddef>
#include <cstdint>
#include <span>

#include "controls/pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korel::Surface out;
    for (const korel::PictureSize& p : korel::kPictureSizes)
        korel::decodePicture(std::span<const uint8_t>(data, size), p.width, p.height, out);
    return 0;
}
