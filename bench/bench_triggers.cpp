// The cost of one beat through the trigger engine (every kind firing) and of a tick's check for a
// generated beat.
#include <benchmark/benchmark.h>

#include "persist/visual_state.h"
#include "platform/headless/headless_platform.h"
#include "core/services.h"
#include "triggers/triggers.h"

using namespace korel;

namespace {

struct BenchServices : Services {
    explicit BenchServices(Platform& p) : Services(p, Edition::LIVE) {}
    void showAlert(std::string_view) override {}
    void copySurfaceToWindow(const Rect&) override {}
};

struct QuietHost : TriggerHost {
    void selectGradient(int) override {}
    void shiftColour(bool, int, int) override {}
    void drawFill(int, bool, bool) override {}
    void setTrails(bool) override {}
    void setVolumeListening(bool) override {}
    void setListening(bool) override {}
    void chooseMovementParameters(int) override {}
    void startMovement(int) override {}
    void startBrush(int) override {}
    void brightnessChanged(bool) override {}
    void setBrushTiming(uint32_t, uint32_t) override {}
    void setColourTiming(uint32_t, int, uint32_t) override {}
    bool loadFile(FileCategory, int, std::string_view) override { return true; }
    bool loadEffect(EffectSlot, std::string_view) override { return true; }
    std::string_view listing(FileCategory) override { return {}; }
};

void BM_TriggerStepEveryKind(benchmark::State& st) {
    HeadlessPlatform platform(64, 48);
    BenchServices services(platform);
    VisualState state = defaultVisualState();
    QuietHost host;
    TriggerEngine engine(services, state, host);
    for (int k = 0; k < kTriggerKinds; ++k) {
        state.set(vs::BeatsPerTrigger + size_t(k), 1);
        state.set(vs::TriggerModes + size_t(k), kModeRandomSelection);
    }
    state.set(VisualState::attachment(2) + att::Gradient, 3);
    uint32_t t = 0;
    for (auto _ : st) engine.triggerStep(t += 500, 64);
}
BENCHMARK(BM_TriggerStepEveryKind);

void BM_NextGeneratedBeat(benchmark::State& st) {
    HeadlessPlatform platform(64, 48);
    BenchServices services(platform);
    VisualState state = defaultVisualState();
    QuietHost host;
    TriggerEngine engine(services, state, host);
    engine.setListening(false, 0);
    engine.setTempo(12000, 0);
    uint32_t t = 0;
    for (auto _ : st) benchmark::DoNotOptimize(engine.nextGeneratedBeat(++t));
}
BENCHMARK(BM_NextGeneratedBeat);

}  // namespace
