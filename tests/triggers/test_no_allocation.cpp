// The per-frame paths (trigger step with selection modes, generated beats) allocate nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "support/test_services.h"
#include "triggers/triggers.h"

namespace {
std::atomic<long> gAllocations{0};
}

// The replacement pair below is malloc-based on both sides; the compiler cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace korel;

namespace {

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

struct NullTrace : TraceSink {
    void beat(uint32_t, int) override {}
    void change(uint32_t, int, int) override {}
};

}  // namespace

TEST(NoAllocation, TriggerStepAndGeneratedBeats) {
    test::TestServices services;
    VisualState state = defaultVisualState();
    QuietHost host;
    NullTrace trace;
    TriggerEngine engine(services, state, host);
    engine.setTrace(&trace);
    for (int k = 0; k < kTriggerKinds; ++k) state.set(vs::BeatsPerTrigger + size_t(k), 1);
    // Attachments on every brush, so brush changes apply and restore values.
    for (int b = 0; b < kBrushSlots; b += 2) {
        state.set(VisualState::attachment(b) + att::BrushSpeed, 10);
        state.setName(VisualState::attachment(b) + att::BrushEffect, "Swirl");
    }
    engine.setListening(false, 0);
    engine.setTempo(30000, 0);

    long before = gAllocations.load();
    uint32_t t = 0;
    for (uint8_t mode : {kModeFixed, kModeRandomSelection, kModeSequentialSelection}) {
        for (int k = 0; k < kTriggerKinds; ++k) state.set(vs::TriggerModes + size_t(k), mode);
        for (uint32_t end = t + 20000; t < end; t += 5) {
            if (engine.nextGeneratedBeat(t)) engine.triggerStep(engine.tempo().lastBeatTime, 64);
        }
    }
    EXPECT_EQ(gAllocations.load() - before, 0);
    EXPECT_GT(engine.state().beatCount, 250u);
}
