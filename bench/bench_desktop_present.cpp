// Cost of showing the animation window on the desktop platform: a whole 1920 x 1080 present,
// a 64 x 64 dirty rectangle, and the palette expansion alone.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/surface.h"

#if defined(KOREL_HAVE_DESKTOP)
#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/pixel_expand.h"

namespace {

using namespace korel;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

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

// Runs `body` against a visible full-HD window; skips when no display can be opened.
template <typename Body>
void withWindow(benchmark::State& state, Body body) {
    std::string error;
    auto platform = makeDesktopPlatform(&error);
    if (!platform) {
        state.SkipWithError(("no display: " + error).c_str());
        return;
    }
    WindowDesc d{"Korel", "Korel Animation", Rect{0, 0, kWidth, kHeight}, false, false, true};
    const WindowId w = platform->createWindow(d);
    if (w == kNoWindow) {
        state.SkipWithError("no window");
        return;
    }
    platform->setPalette(rampPalette());
    fillPattern(platform->canvas(w));
    state.SetLabel(platform->rendererName(w));
    body(*platform, w);
}

void BM_PresentFullWindow(benchmark::State& state) {
    withWindow(state, [&](DesktopPlatform& p, WindowId w) {
        Event e;
        for (auto _ : state) {
            p.present(w, Rect{0, 0, kWidth, kHeight});
            while (p.pollEvent(e)) {
            }
        }
        state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    });
}
BENCHMARK(BM_PresentFullWindow)->Unit(benchmark::kMillisecond);

void BM_PresentDirty64(benchmark::State& state) {
    withWindow(state, [&](DesktopPlatform& p, WindowId w) {
        Event e;
        int i = 0;
        for (auto _ : state) {
            const int x = (i * 97) % (kWidth - 64), y = (i * 61) % (kHeight - 64);
            p.present(w, Rect{x, y, x + 64, y + 64});
            while (p.pollEvent(e)) {
            }
            ++i;
        }
    });
}
BENCHMARK(BM_PresentDirty64)->Unit(benchmark::kMicrosecond);

void BM_ExpandFullFrame(benchmark::State& state) {
    Surface s(kWidth, kHeight);
    fillPattern(s);
    const auto table = desktop::argbTable(rampPalette());
    std::vector<uint32_t> out(size_t(kWidth) * kHeight);
    for (auto _ : state) {
        desktop::expandRect(s, s.bounds(), table, out.data(), kWidth);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ExpandFullFrame)->Unit(benchmark::kMillisecond);

}  // namespace

#else

namespace {
void BM_DesktopPresentNotBuilt(benchmark::State& state) {
    for (auto _ : state) {
    }
    state.SkipWithError("built without the desktop platform");
}
BENCHMARK(BM_DesktopPresentNotBuilt);
}  // namespace

#endif
