// Cost of showing the 402 x 460 controls window doubled on the screen against unscaled: a whole
// present on the desktop platform, and the expansion alone.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/surface.h"

#if defined(KOREL_HAVE_DESKTOP)
#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/pixel_expand.h"

namespace {

using namespace korel;

constexpr int kWidth = 402;
constexpr int kHeight = 460;

void fillPattern(Surface& s) {
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) s.row(y)[x] = uint8_t(x ^ y);
}

Palette rampPalette() {
    Palette p{};
    for (int i = 0; i < 256; ++i)
        p[size_t(i)] = PaletteEntry{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
    return p;
}

// A whole present of a visible controls-sized window at the scale given as the argument.
void BM_PresentControls(benchmark::State& state) {
    const int scale = int(state.range(0));
    std::string error;
    auto platform = makeDesktopPlatform(&error);
    if (!platform) {
        state.SkipWithError(("no display: " + error).c_str());
        return;
    }
    WindowDesc d{"Korel", "Korel Controls", Rect{0, 0, kWidth, kHeight}, true, true, true};
    d.scale = scale;
    const WindowId w = platform->createWindow(d);
    if (w == kNoWindow) {
        state.SkipWithError("no window");
        return;
    }
    platform->setPalette(rampPalette());
    fillPattern(platform->canvas(w));
    state.SetLabel(platform->rendererName(w));
    Event e;
    for (auto _ : state) {
        platform->present(w, Rect{0, 0, kWidth, kHeight});
        while (platform->pollEvent(e)) {
        }
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight * scale * scale);
}
BENCHMARK(BM_PresentControls)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_ExpandControls(benchmark::State& state) {
    const int scale = int(state.range(0));
    Surface s(kWidth, kHeight);
    fillPattern(s);
    const auto table = desktop::argbTable(rampPalette());
    std::vector<uint32_t> out(size_t(kWidth * scale) * size_t(kHeight * scale));
    for (auto _ : state) {
        desktop::expandRectScaled(s, s.bounds(), table, out.data(), kWidth * scale, scale);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight * scale * scale);
}
BENCHMARK(BM_ExpandControls)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

#else

namespace {
void BM_DesktopScaleNotBuilt(benchmark::State& state) {
    for (auto _ : state) {
    }
    state.SkipWithError("built without the desktop platform");
}
BENCHMARK(BM_DesktopScaleNotBuilt);
}  // namespace

#endif
