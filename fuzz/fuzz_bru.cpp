// Fuzz target: ".bru" brush files, decoded and then stamped, scaled and not, at the picture's
// edges.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/brush.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A small memory allowance keeps hostile sizes from making each run slow.
    constexpr size_t kFuzzMemory = size_t(8) << 20;
    korel::BrushAsset brush;
    korel::Surface icon;
    uint8_t backdrop = 0;
    if (korel::decodeBrush(std::span(data, size), 0, brush, &icon, &backdrop, kFuzzMemory))
        return 0;
    korel::Surface target(64, 48);
    korel::BrushDrawState draw;
    draw.beatFramePending = brush.beatFrame ? 1 : 0;
    const double positions[][2] = {{0, 0}, {32, 24}, {63.5, 47.9}, {-5, 50}};
    for (int i = 0; i < 8; ++i) {
        if (i == 3 && draw.beatFramePending == 1) draw.beatFramePending = -1;
        const auto& p = positions[i % 4];
        korel::stampBrush(target, target.bounds(), brush, draw, p[0], p[1], i % 2 == 1, 0.3 + i,
                          true);
        if (draw.beatFramePending == -1) draw.beatFramePending = 1;
    }
    return 0;
}
