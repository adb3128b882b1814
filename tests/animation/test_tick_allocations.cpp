// Nothing in a frame tick may allocate: thousands of ticks of the whole program with generated
// beats and with a tone to listen to, counted by this program's own operator new. Only the file
// trigger modes may allocate, on the ticks that load a file.
//
// Set KOREL_ALLOC_BACKTRACE=1 to print a stack for every counted allocation.
#include <execinfo.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "animation/animation_run.h"
#include "controls/controls.h"
#include "shell/conductor.h"
#include "sound/sound.h"
#include "triggers/trace.h"
#include "triggers/triggers.h"

namespace {

// Replacing operator new is global by nature; the counter is the one piece of state it needs.
struct AllocationCounter {
    std::atomic<bool> counting{false};
    std::atomic<long> count{0};
    std::atomic<bool> inHook{false};
    bool backtraces = false;
};
constinit AllocationCounter g_counter;

void noteAllocation() {
    if (!g_counter.counting.load(std::memory_order_relaxed)) return;
    g_counter.count.fetch_add(1, std::memory_order_relaxed);
    if (g_counter.backtraces && !g_counter.inHook.exchange(true)) {
        void* frames[24];
        const int n = ::backtrace(frames, 24);
        ::backtrace_symbols_fd(frames, n, 2);
        std::fputs("--\n", stderr);
        g_counter.inHook = false;
    }
}

void* allocate(std::size_t n, std::size_t align = 0) {
    noteAllocation();
    if (n == 0) n = 1;
    void* p = align > alignof(std::max_align_t)
                  ? std::aligned_alloc(align, (n + align - 1) / align * align)
                  : std::malloc(n);
    return p;
}

}  // namespace

// The replacement pair below is malloc-based on both sides; the compiler cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    if (void* p = allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, std::align_val_t a) {
    if (void* p = allocate(n, std::size_t(a))) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n, std::align_val_t a) {
    if (void* p = allocate(n, std::size_t(a))) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

using namespace korel;
using test::ProgramRun;

namespace {

// Notes the beats and changes of the tick under way, without allocating.
class TickTrace : public TraceSink {
  public:
    void beat(uint32_t, int) override { ++beats; }
    void change(uint32_t, int code, int) override {
        ++changes;
        tickCodes |= 1u << code;
    }
    int beats = 0, changes = 0;
    uint32_t tickCodes = 0;
};

struct TickCounts {
    long allocations = 0;
    int ticksWithAllocations = 0;
    // Ticks that allocated without applying a fill or brush change (the file trigger modes).
    int allocatingTicksWithoutFillOrBrush = 0;
    int fillOrBrushTicks = 0;
};

// Runs `ticks` frame ticks of 10 ms, counting the allocations of each pass.
TickCounts countTicks(ProgramRun& r, TickTrace& trace, int ticks) {
    TickCounts c;
    g_counter.backtraces = std::getenv("KOREL_ALLOC_BACKTRACE") != nullptr;
    for (int i = 0; i < ticks && r.program->phase() == Phase::Running; ++i) {
        r.platform.advance(10);
        // Only a pass with no event waiting is a frame tick.
        while (r.platform.hasPending() && r.program->phase() == Phase::Running) r.program->pass();
        // The headless capture delivers its samples on the caller's thread when asked for the
        // position; a real device does that on its own thread, outside the tick.
        r.sound.pump();
        trace.tickCodes = 0;
        g_counter.count = 0;
        g_counter.counting = true;
        r.program->pass();
        g_counter.counting = false;
        const long n = g_counter.count;
        const bool fillOrBrush = trace.tickCodes & ((1u << kChangeFill) | (1u << kChangeBrush));
        c.allocations += n;
        if (fillOrBrush) ++c.fillOrBrushTicks;
        if (n > 0) {
            ++c.ticksWithAllocations;
            if (!fillOrBrush) ++c.allocatingTicksWithoutFillOrBrush;
        }
    }
    return c;
}

VisualState withModes(VisualState s, std::initializer_list<uint8_t> modes) {
    size_t k = 0;
    for (uint8_t m : modes) s.set(vs::TriggerModes + k++, m);
    return s;
}

// A run restored from `state` with this test's trace attached.
void startWith(ProgramRun& r, const VisualState& state, TickTrace& trace) {
    ASSERT_TRUE(test::placeStyle(r.options.dataFolder, "Last_Session", state));
    ASSERT_TRUE(r.start());
    r.program->conductor().setTrace(&trace);
}

}  // namespace

TEST(TickAllocations, NoneWithGeneratedBeatsInTheSelectionModes) {
    for (uint8_t mode : {kModeFixed, kModeRandomSelection, kModeSequentialSelection}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        ProgramRun r(1024, 768);
        TickTrace trace;
        ASSERT_NO_FATAL_FAILURE(startWith(
            r, withModes(test::tempoState(24000), {mode, mode, mode, mode, mode}), trace));
        const TickCounts c = countTicks(r, trace, 4000);
        // 40 s at 240 beats per minute: every kind has fired several times.
        EXPECT_EQ(trace.beats, 160);
        EXPECT_EQ(c.fillOrBrushTicks, 160 / 20);
        EXPECT_EQ(c.allocations, 0) << c.ticksWithAllocations << " ticks allocated";
    }
}

TEST(TickAllocations, TheDefaultModesAllocateOnlyWhenTheyLoadAFile) {
    ProgramRun r(1024, 768);
    TickTrace trace;
    ASSERT_NO_FATAL_FAILURE(startWith(r, test::tempoState(24000), trace));
    const TickCounts c = countTicks(r, trace, 4000);
    EXPECT_EQ(trace.beats, 160);
    // Random File for the fill and the brush every 20 beats: a listing and a load each.
    EXPECT_EQ(c.fillOrBrushTicks, 8);
    EXPECT_GT(c.allocations, 0);
    EXPECT_EQ(c.allocatingTicksWithoutFillOrBrush, 0);
    std::printf("default modes: %ld allocations on %d of 4000 ticks (%d file loads)\n",
                c.allocations, c.ticksWithAllocations, c.fillOrBrushTicks);
}

// Listening to two pulses a second at the listening frequency, in the selection modes; with
// `controlsExpanded` every live part of the controls window redraws too: meters, indicator,
// rows, strips and the spectrograph.
void expectNoAllocationWhileListening(bool controlsExpanded) {
    ProgramRun r(1024, 768);
    const VisualState state = withModes(
        defaultVisualState(), {kModeSequentialSelection, kModeRandomSelection, kModeRandomSelection,
                               kModeSequentialSelection, kModeFixed});
    r.sound.setSamples(test::pulsedTone(listeningFrequency(state), 500, 120, 10), true);
    TickTrace trace;
    ASSERT_NO_FATAL_FAILURE(startWith(r, state, trace));
    ASSERT_TRUE(r.program->visual().switchOn(vs::kSwitchListening));
    if (controlsExpanded) {
        Controls& controls = r.program->controls();
        controls.toggleSettingsLock();
        controls.panels().show(panel::Frequency);
        ASSERT_TRUE(controls.state().drawnExpanded);
    }
    // The analysis warms up over its first window before it is measured.
    r.run(2000);
    const int warmBeats = trace.beats, warmChanges = trace.changes;
    const TickCounts c = countTicks(r, trace, 4000);
    EXPECT_GE(trace.beats - warmBeats, 40) << "the tone should be heard as beats";
    EXPECT_GE(trace.changes - warmChanges, 40);
    EXPECT_EQ(c.allocations, 0) << c.ticksWithAllocations << " ticks allocated";
}

TEST(TickAllocations, NoneWhileListeningToATone) { expectNoAllocationWhileListening(false); }

TEST(TickAllocations, NoneWithTheControlsExpandedShowingTheSpectrograph) {
    expectNoAllocationWhileListening(true);
}

// The hover help with the cursor resting on one control: worked out every tick, drawn once.
TEST(TickAllocations, NoneWhileTheCursorRestsOnAControl) {
    ProgramRun r(1024, 768, Edition::MP3);
    ASSERT_TRUE(r.start());
    Controls& controls = r.program->controls();
    controls.toggleSettingsLock();
    controls.panels().show(panel::Parameter);
    const Rect wr = r.platform.windowRect(r.program->controlsWindow());
    for (Point at : {Point{300, 300}, Point{5, 5}, Point{100, 146}, Point{-30, 40}}) {
        r.platform.setCursor(Point{wr.left + at.x, wr.top + at.y});
        controls.updateHover();
        const uint32_t drawn = controls.hoverRedraws();
        g_counter.count = 0;
        g_counter.counting = true;
        for (int i = 0; i < 1000; ++i) controls.updateHover();
        g_counter.counting = false;
        EXPECT_EQ(g_counter.count.load(), 0) << at.x << "," << at.y;
        EXPECT_EQ(controls.hoverRedraws(), drawn);
    }
}
