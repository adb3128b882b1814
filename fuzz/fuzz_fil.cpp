// Fuzz target: ".fil" fill files, decoded for a 1024 x 768 picture and for a small one.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/fill.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    // A small memory allowance keeps hostile sizes from making each run slow.
    constexpr size_t kFuzzMemory = size_t(8) << 20;
    for (const korel::FillGeometry& g :
         {korel::FillGeometry{512, 384, korel::Rect{0, 0, 1024, 768}},
          korel::FillGeometry{40, 30, korel::Rect{0, 0, 80, 60}}}) {
        korel::FillAsset fill;
        korel::Surface icon;
        korel::decodeFill(file, g, 0, fill, &icon, kFuzzMemory);
    }
    return 0;
}
