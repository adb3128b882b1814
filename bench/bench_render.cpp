// Benchmark: korel-render's stages. The colour conversion of one frame, and whole renders of
// the demo song at 1280x720 and 1920x1080 with the share of each stage as counters.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <vector>

#include "platform/files.h"
#include "platform/video/yuv.h"
#include "render/render_session.h"
#include "tests/support/test_services.h"

namespace {

void BM_RgbToYuv420(benchmark::State& st) {
    const int w = int(st.range(0)), h = int(st.range(1));
    std::vector<korel::Rgb> rgb(size_t(w) * size_t(h));
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = korel::Rgb{uint8_t(i * 7), uint8_t(i >> 3), uint8_t(i * 13 >> 5)};
    std::vector<uint8_t> y(rgb.size()), u(rgb.size() / 4), v(rgb.size() / 4);
    for (auto _ : st) {
        korel::rgbToYuv420(rgb.data(), w, h, y.data(), w, u.data(), w / 2, v.data(), w / 2);
        benchmark::DoNotOptimize(y.data());
    }
    st.SetItemsProcessed(int64_t(st.iterations()));
}
BENCHMARK(BM_RgbToYuv420)->Args({1280, 720})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

// The demo song's first 30 s (its intro, then kicks and the whole arrangement), as a render of a
// song from its start: frames per second and each stage's share of the time.
void BM_RenderDemoSong(benchmark::State& st) {
    korel::test::TempFolder tmp;
    setenv("KOREL_PATH", tmp.file("data").c_str(), 1);
    const std::string seed = KOREL_SEED_DIR;
    korel::RenderOptions o;
    o.song = seed + "/Music/Demo_Song.mp3";
    if (!korel::fileExists(o.song)) o.song = seed + "/Music/Demo_Song.wav";
    o.width = int(st.range(0));
    o.height = int(st.range(1));
    o.to = 30;
    o.output = tmp.file("bench.mp4");
    korel::RenderReport r;
    for (auto _ : st) {
        korel::RenderHooks hooks;
        std::string error;
        if (korel::renderSong(o, hooks, r, error, seed) != korel::kRenderDone) {
            st.SkipWithError(error.c_str());
            return;
        }
    }
    const double total = r.seconds > 0 ? r.seconds : 1;
    st.counters["fps"] = double(r.frames) / total;
    st.counters["realtime_x"] = double(r.frames) / o.fps / total;
    st.counters["animation_%"] = 100 * r.animation / total;
    st.counters["colour_%"] = 100 * r.writer.conversion / total;
    st.counters["encoder_%"] = 100 * r.writer.video / total;
    st.counters["sound_%"] = 100 * (r.writer.audio + r.reading) / total;
}
BENCHMARK(BM_RenderDemoSong)
    ->Args({1280, 720})
    ->Args({1920, 1080})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace
