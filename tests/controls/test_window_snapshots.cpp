// Golden pictures of the whole controls window in a running program: each edition collapsed and
// expanded, and the pressed, pending and disabled looks. Each is written enlarged into the build
// folder ("window_snapshots") to look at, and compared by a hash of its pixels; a changed
// picture prints its new hash: update the table only after looking at the PNG.
#include <gtest/gtest.h>

#include <filesystem>

#include "controls/controls.h"
#include "controls/layout.h"
#include "persist/visual_state.h"
#include "platform/headless/headless_platform.h"
#include "shell/conductor.h"
#include "shell/program.h"
#include "support/running_program.h"
#include "triggers/triggers.h"

using namespace korel;

namespace {

uint64_t fnv(const Surface& s) {
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            h ^= s.at(x, y);
            h *= 1099511628211ull;
        }
    return h;
}

void expectGolden(test::RunningLive& r, const char* name, uint64_t hash) {
    const WindowId w = r.program->controlsWindow();
    const Surface& c = r.platform.canvas(w);
    const std::string folder = std::string(KOREL_SEED_DIR) + "/../window_snapshots";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    r.platform.snapshotPng(w, folder + "/" + name + ".png");
    const uint64_t h = fnv(c);
    EXPECT_EQ(h, hash) << name << ": new hash 0x" << std::hex << h << "ull";
}

void settle(test::RunningLive& r) {
    for (int i = 0; i < 20; ++i) r.program->pass();
}

void press(test::RunningLive& r, int x, int y, bool shift = false) {
    Event e;
    e.kind = EventKind::ButtonDown;
    e.window = r.program->controlsWindow();
    e.button = 1;
    e.x = x;
    e.y = y;
    e.shift = shift;
    r.platform.pushEvent(e);
    settle(r);
}

void release(test::RunningLive& r) {
    r.platform.setLeftButton(false);
    settle(r);
}

struct Scene {
    Edition edition;
    const char* collapsed;
    uint64_t collapsedHash;
    const char* expanded;
    uint64_t expandedHash;
};

}  // namespace

TEST(WindowSnapshots, EachEditionCollapsedAndExpanded) {
    const Scene scenes[] = {
        {Edition::MP3, "mp3_collapsed", 0xb0da9862cba6d131ull, "mp3_expanded", 0xbc19def8f42a2fe4ull},
        {Edition::CD, "cd_collapsed", 0x79a57615a144ed4dull, "cd_expanded", 0x7202d9c04591df96ull},
        {Edition::LIVE, "live_collapsed", 0x2ea0407efda00ed9ull, "live_expanded", 0x6f24e8062ff26b6ull},
    };
    for (const Scene& s : scenes) {
        test::RunningLive r(640, 480, s.edition);
        ASSERT_TRUE(r.ok);
        settle(r);
        expectGolden(r, s.collapsed, s.collapsedHash);
        r.program->controls().toggleSettingsLock();
        settle(r);
        expectGolden(r, s.expanded, s.expandedHash);
    }
}

TEST(WindowSnapshots, PressedPendingAndDisabledLooks) {
    test::RunningLive r(640, 480, Edition::MP3);
    ASSERT_TRUE(r.ok);
    Controls& c = r.program->controls();
    c.toggleSettingsLock();
    settle(r);
    // A box title button held down.
    press(r, 273 + 10, 68 + 10);
    ASSERT_TRUE(c.tracking());
    expectGolden(r, "title_button_pressed", 0x92783f13810f327cull);
    release(r);
    EXPECT_EQ(c.state().panel, panel::Gradient);
    // Shift on the colour speed slider: a pending value with the second knob look.
    press(r, 60, 146, true);
    r.platform.setLeftButton(false);
    settle(r);
    expectGolden(r, "colour_speed_pending", 0xbed1473210eb8b0dull);
    // Manual mode: the threshold meters and beat counters look disabled.
    r.program->conductor().triggers().setManualMode(true);
    c.redrawAll();
    expectGolden(r, "manual_mode", 0x5862b55319aadf72ull);
}
