// Cost of the analysis per frame tick: analyseSound and detectBeat at the longest window (W =
// 20), and one spectrograph frame.
#include <benchmark/benchmark.h>

#include <cmath>

#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_sound.h"
#include "sound/sound.h"

namespace korel {
namespace {

// Headless devices whose position moves by 10 ms on every query, so every analysis sees new
// samples without the cost of delivering them.
class MovingInput : public HeadlessSound {
  public:
    using HeadlessSound::HeadlessSound;
    uint32_t capturePosition() override { return position_ += 110; }

  private:
    uint32_t position_ = 0;
};

struct Bench {
    Bench() : devices(platform), sound(Edition::LIVE, &devices) {
        devices.addLine("Microphone", LineType::Microphone);
        setUpSound(sound, services());
        for (size_t i = 0; i < kRingSize; ++i) {
            sound.ring.put(i, uint8_t(128 + std::lround(100 * std::sin(0.041 * double(i)))));
        }
        vs = defaultVisualState();
        vs.set(vs::AnalysisWindow, 20);
    }
    struct NullServices : Services {
        using Services::Services;
        void showAlert(std::string_view) override {}
        void copySurfaceToWindow(const Rect&) override {}
    };
    Services& services() { return services_; }

    HeadlessPlatform platform;
    NullServices services_{platform, Edition::LIVE};
    MovingInput devices;
    Sound sound;
    VisualState vs;
};

void BM_AnalyseSound(benchmark::State& state) {
    Bench b;
    uint32_t now = 0;
    for (auto _ : state) benchmark::DoNotOptimize(analyseSound(b.sound, b.vs, now += 10));
}
BENCHMARK(BM_AnalyseSound);

void BM_DetectBeat(benchmark::State& state) {
    Bench b;
    uint32_t now = 0;
    for (auto _ : state) benchmark::DoNotOptimize(detectBeat(b.sound, b.vs, now += 10));
}
BENCHMARK(BM_DetectBeat);

// One magnitude without the angle tables, as the spectrograph's columns compute it.
void BM_FrequencyMagnitudeDirect(benchmark::State& state) {
    Bench b;
    analyseSound(b.sound, b.vs, 10);
    for (auto _ : state) benchmark::DoNotOptimize(frequencyMagnitude(b.sound, b.vs, 72.0));
}
BENCHMARK(BM_FrequencyMagnitudeDirect);

void BM_SpectrographFrame(benchmark::State& state) {
    Bench b;
    analyseSound(b.sound, b.vs, 10);
    Surface canvas(290, 240), work;
    for (auto _ : state) {
        drawSpectrograph(canvas, work, b.sound, b.vs);
        benchmark::DoNotOptimize(canvas.data());
    }
}
BENCHMARK(BM_SpectrographFrame);

}  // namespace
}  // namespace korel
