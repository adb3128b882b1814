// Benchmarks of brush stamps: a 64 x 64 brush with a colour image and a mask stamped onto a
// 1920 x 1080 surface, unscaled and scaled by 1.7.
#include <benchmark/benchmark.h>

#include "engine/brush.h"
#include "engine/brush_file.h"

namespace korel {
namespace {

BrushAsset makeBrush() {
    BrushFileContent desc;
    desc.colour = Surface(128, 64, kColourKey);
    desc.mask = Surface(128, 64, 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) {
            const int dx = x % 64 - 32, dy = y - 32;
            if (dx * dx + dy * dy < 900) desc.colour.set(x, y, uint8_t(21 + (x + y) % 90));
            if (dx * dx + dy * dy < 1000) desc.mask.set(x, y, 0xFF);
        }
    desc.frameCount = 2;
    Bytes file;
    BrushAsset brush;
    if (!buildBrushFile(desc, file) || decodeBrush(file, 0, brush)) std::abort();
    return brush;
}

void stamp(benchmark::State& st, bool scaled) {
    BrushAsset brush = makeBrush();
    BrushDrawState draw;
    Surface target(1920, 1080);
    const Rect picture = target.bounds();
    double x = 100;
    for (auto _ : st) {
        Rect r = stampBrush(target, picture, brush, draw, x, 540, scaled, 1.7, true);
        benchmark::DoNotOptimize(r);
        x = x > 1800 ? 100 : x + 7;
    }
    st.SetItemsProcessed(st.iterations());
}

void BM_Stamp64(benchmark::State& st) {
    stamp(st, false);
}
void BM_Stamp64Scaled17(benchmark::State& st) {
    stamp(st, true);
}
BENCHMARK(BM_Stamp64);
BENCHMARK(BM_Stamp64Scaled17);

}  // namespace
}  // namespace korel
