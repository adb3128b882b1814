// The panels' share of the frame tick allocates nothing: the sound-scale meter, the
// spectrograph and the music time fields, counted by this program's own operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "controls/panels.h"
#include "support/controls_fake.h"

namespace {

// Replacing operator new is global by nature; the counter is the one piece of state it needs.
constinit std::atomic<bool> g_counting{false};
constinit std::atomic<long> g_allocations{0};

void* allocate(std::size_t n) {
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n ? n : 1);
}

}  // namespace

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    if (void* p = allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = allocate(n)) return p;
    throw std::bad_alloc();
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

namespace korel {
namespace {

TEST(PanelsTick, AllocatesNothing) {
    for (int id : {panel::Music, panel::Frequency, panel::ScalingFade, panel::ScalingThreshold,
                   panel::MaxScalingFade, panel::ManualBeats}) {
        test::ControlsFake fake;
        Panels panels(fake.view);
        panels.show(id);
        panels.tick(0);  // the first pass may size the spectrograph's work surface
        g_allocations = 0;
        g_counting = true;
        for (uint32_t t = 0; t < 5000; t += 16) {
            fake.host.position = t;
            fake.host.length = 200000 + t / 1000;
            panels.tick(t);
        }
        g_counting = false;
        EXPECT_EQ(g_allocations.load(), 0) << "panel " << id;
    }
}

TEST(PanelsTick, TimeFieldsFollowTheSongOncePerSecond) {
    test::ControlsFake fake;
    Panels panels(fake.view);
    panels.show(panel::Music);
    const Rect elapsed{140, 110, 199, 123};
    auto field = [&] {
        std::vector<uint8_t> px;
        for (int y = elapsed.top; y < elapsed.bottom; ++y)
            for (int x = elapsed.left; x < elapsed.right; ++x) px.push_back(fake.canvas().at(x, y));
        return px;
    };
    const auto zero = field();
    fake.host.position = 999;
    panels.tick(999);
    EXPECT_EQ(field(), zero);
    fake.host.position = 61000;
    panels.tick(61000);
    EXPECT_NE(field(), zero);
}

}  // namespace
}  // namespace korel
