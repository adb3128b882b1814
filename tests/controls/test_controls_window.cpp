// The controls window in a running program: its layout edges, the Program Settings lock and
// hover preview, the boxes' clicks and the trigger widgets' drags and refusals.
#include <gtest/gtest.h>

#include <cstdlib>

#include "controls/controls.h"
#include "controls/layout.h"
#include "persist/visual_state.h"
#include "platform/files.h"
#include "shell/conductor.h"
#include "shell/program.h"
#include "support/running_program.h"
#include "triggers/triggers.h"

using namespace korel;

TEST(ControlsLayout, TopRowEdgesAndColourStripEnds) {
    // y = 18 still selects a button, y = 19 does not.
    EXPECT_EQ(topButtonAt(Point{2 + 19 * 3 + 5, 18}, 14, false), 3);
    EXPECT_EQ(topButtonAt(Point{2 + 19 * 3 + 5, 19}, 14, false), -1);
    EXPECT_EQ(topButtonAt(Point{1, 5}, 14, true), -1);
    // Buttons 11 to 13 only while expanded; LIVE has 11 buttons.
    EXPECT_EQ(topButtonAt(Point{2 + 19 * 12, 5}, 14, false), -1);
    EXPECT_EQ(topButtonAt(Point{2 + 19 * 12, 5}, 14, true), 12);
    EXPECT_EQ(topButtonAt(Point{2 + 19 * 11, 5}, 11, true), -1);
    // A colour strip's left edge picks 120, its right edge 1; outside values are clamped.
    EXPECT_EQ(colourAt(kBrushStrip.left), 120);
    EXPECT_EQ(colourAt(kBrushStrip.right), 1);
    EXPECT_EQ(hitTest(Point{kBrushStrip.right, kBrushStrip.top}, Edition::MP3, true).kind,
              HitKind::ColourStrip);
    EXPECT_EQ(colourAt(0), 120);
    EXPECT_EQ(colourAt(200), 1);
    // The strip's marker sits where a click picks that colour, or next to it.
    for (int c = 3; c <= 120; ++c) EXPECT_LE(std::abs(colourAt(colourX(c)) - c), 1) << c;
    // The expanded area cannot be hit while collapsed; LIVE has no song line.
    EXPECT_EQ(hitTest(Point{300, 100}, Edition::MP3, false).kind, HitKind::None);
    EXPECT_EQ(hitTest(Point{300, 100}, Edition::MP3, true).kind, HitKind::GradientRow);
    EXPECT_EQ(hitTest(Point{50, 30}, Edition::MP3, false).kind, HitKind::SongField);
    EXPECT_NE(hitTest(Point{50, 30}, Edition::LIVE, false).kind, HitKind::SongField);
}

namespace {

struct Window {
    explicit Window(Edition e = Edition::MP3) : r(640, 480, e) {}
    test::RunningLive r;
    Program& p() { return *r.program; }
    Controls& c() { return r.program->controls(); }
    WindowId w() { return r.program->controlsWindow(); }
    Rect rect() { return r.platform.windowRect(w()); }
    void click(int x, int y, bool shift = false) {
        Event e;
        e.kind = EventKind::ButtonDown;
        e.window = w();
        e.button = 1;
        e.x = x;
        e.y = y;
        e.shift = shift;
        r.platform.pushEvent(e);
        e.kind = EventKind::ButtonUp;
        r.platform.pushEvent(e);
        settle();
    }
    void settle() {
        for (int i = 0; i < 20; ++i) p().pass();
    }
    void cursorAt(int x, int y) {
        const Rect wr = rect();
        r.platform.setCursor(Point{wr.left + x, wr.top + y});
    }
    int settingsButton() { return r.program->edition() == Edition::LIVE ? 6 : 9; }
    void expand() {
        click(2 + 19 * settingsButton() + 5, 8);
        ASSERT_EQ(rect().width(), kExpandedWidth);
    }
};

}  // namespace

TEST(ControlsWindow, ProgramSettingsLocksTheSizeAndTheHoverPreviewUndoesOnlyItsOwnExpansion) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    EXPECT_TRUE(t.c().visible());
    EXPECT_EQ(t.rect().width(), kCollapsedWidth);
    EXPECT_EQ(t.rect().height(), kCollapsedHeight);
    const Rect before = t.rect();

    // Hovering over Program Settings while collapsed expands the window for a look...
    t.cursorAt(2 + 19 * 9 + 8, 8);
    t.r.platform.advance(100);
    t.settle();
    EXPECT_EQ(t.rect().width(), kExpandedWidth);
    EXPECT_EQ(t.c().state().hoverPreview, 2);
    // ...and leaving it collapses it again, in place.
    t.cursorAt(5, 100);
    t.r.platform.advance(100);
    t.settle();
    EXPECT_EQ(t.rect().width(), kCollapsedWidth);
    EXPECT_EQ(t.rect().left, before.left);
    EXPECT_EQ(t.rect().top, before.top);

    // Locked expanded, leaving the button after a hover keeps the window as it is.
    t.expand();
    EXPECT_TRUE(t.c().state().settingsLock);
    t.cursorAt(2 + 19 * 9 + 8, 8);
    t.r.platform.advance(100);
    t.settle();
    EXPECT_EQ(t.c().state().hoverPreview, 1);
    t.cursorAt(5, 300);
    t.r.platform.advance(100);
    t.settle();
    EXPECT_EQ(t.rect().width(), kExpandedWidth);
    EXPECT_EQ(t.rect().height(), kExpandedHeight);
}

TEST(ControlsWindow, BoxClicksChangeTheAnimation) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    VisualState& vs = t.p().visual();
    // Colour strips: the left edge picks 120, the right edge 1.
    t.click(kBrushStrip.left, kBrushStrip.top + 3);
    EXPECT_EQ(vs.get(vs::BrushColour), 120);
    t.click(kFillStrip.right, kFillStrip.top + 3);
    EXPECT_EQ(vs.get(vs::FillColour), 1);
    // A row selects its slot; the row's right end (the popup marker) does not.
    const Rect row3 = rowRect(Box::Gradients, 2);
    t.click(row3.left + 20, row3.top + 5);
    EXPECT_EQ(vs.get(vs::CurrentGradient), 3);
    const Rect row5 = rowRect(Box::Gradients, 4);
    t.click(row5.right - 3, row5.top + 5);
    EXPECT_EQ(vs.get(vs::CurrentGradient), 3);
    // The marker opened the row's popup; a click outside it closes it.
    EXPECT_TRUE(t.c().popups().isOpen());
    t.click(5, 455);
    EXPECT_FALSE(t.c().popups().isOpen());
    const Rect brush2 = rowRect(Box::Brushes, 1);
    t.click(brush2.left + 40, brush2.top + 10);
    EXPECT_EQ(vs.get(vs::CurrentBrush), 2);
    ASSERT_FALSE(t.p().shell().alertShowing) << t.p().shell().pendingMessage;
    // Vol. switches to overall volume; clicking the active one changes nothing.
    const bool volume = vs.switchOn(vs::kSwitchVolume);
    t.click(volume ? kFrequencyButton.left + 5 : kVolumeButton.left + 5, kVolumeButton.top + 5);
    EXPECT_NE(vs.switchOn(vs::kSwitchVolume), volume);
    t.click(volume ? kFrequencyButton.left + 5 : kVolumeButton.left + 5, kVolumeButton.top + 5);
    EXPECT_NE(vs.switchOn(vs::kSwitchVolume), volume);
    // The trails button toggles the trails switch.
    const bool trails = vs.switchOn(vs::kSwitchTrails);
    t.click(2 + 19 * 11 + 5, 8);
    EXPECT_NE(vs.switchOn(vs::kSwitchTrails), trails);
}

TEST(ControlsWindow, BeatMeterTitleFollowsListeningAtTheClick) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    VisualState& vs = t.p().visual();
    TriggerEngine& trig = t.p().conductor().triggers();
    trig.setListening(true, t.p().songClock());
    t.click(144 + 10, 165 + 10);
    EXPECT_EQ(t.c().state().panel, panel::Frequency);
    trig.setListening(false, t.p().songClock());
    ASSERT_FALSE(vs.switchOn(vs::kSwitchListening));
    t.click(144 + 10, 165 + 10);
    EXPECT_EQ(t.c().state().panel, panel::Tempo);
}

TEST(ControlsWindow, ABeatCounterDragKeepsTheAnimationRunningAndZeroStopsTheBox) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    VisualState& vs = t.p().visual();
    const Point anchor{7, 453};  // FILLS
    const Rect counter = beatCounterRect(anchor);
    Event e;
    e.kind = EventKind::ButtonDown;
    e.window = t.w();
    e.button = 1;
    e.x = counter.left + 30;
    e.y = counter.top + 5;
    t.r.platform.pushEvent(e);
    t.settle();
    ASSERT_TRUE(t.c().tracking());
    // While the button is held, time passes and the frame tick runs.
    const uint32_t half = t.p().conductor().tick().lastHalfSecond;
    for (int i = 0; i < 30; ++i) {
        t.cursorAt(counter.left + 30 - i * 2, counter.top + 5);
        t.r.platform.setLeftButton(true);
        t.r.platform.advance(100);
        t.p().pass();
    }
    EXPECT_GT(t.p().conductor().tick().lastHalfSecond, half);
    EXPECT_TRUE(t.c().tracking());
    // Dragged past the left end and released: 0, the box is no longer evaluated.
    t.cursorAt(counter.left - 20, counter.top + 5);
    t.r.platform.setLeftButton(false);
    t.settle();
    EXPECT_FALSE(t.c().tracking());
    EXPECT_EQ(vs.get(vs::BeatsPerTrigger + kKindFill), 0);
    EXPECT_EQ(t.p().conductor().triggers().state().counterOffset[kKindFill], 0);

    // The threshold meter's range ends at 64.
    const Rect threshold = thresholdMeterRect(anchor);
    t.cursorAt(threshold.right + 40, threshold.top + 5);
    e.x = threshold.right - 1;
    e.y = threshold.top + 5;
    t.r.platform.pushEvent(e);
    t.settle();
    EXPECT_EQ(vs.get(vs::Thresholds + kKindFill), 64);
}

TEST(ControlsWindow, DisabledMetersRefuseWithTheirTexts) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    VisualState& vs = t.p().visual();
    const uint8_t before = vs.get(vs::Thresholds + kKindBrush);
    // The Manual button turns manual mode on; the meters then refuse.
    t.click(kManualButton.left + 5, kManualButton.top + 5);
    ASSERT_TRUE(t.p().conductor().triggers().manualMode());
    const Rect threshold = thresholdMeterRect(Point{144, 453});
    t.click(threshold.left + 10, threshold.top + 5);
    EXPECT_TRUE(t.p().shell().alertShowing);
    EXPECT_EQ(t.p().shell().pendingMessage, kManualSliderRefusal);
    EXPECT_EQ(vs.get(vs::Thresholds + kKindBrush), before);
}

TEST(ControlsWindow, LiveHidesTheSongLinesAndRaisesItsPanels) {
    Window t(Edition::LIVE);
    ASSERT_TRUE(t.r.ok);
    const Surface& c = t.r.platform.canvas(t.w());
    // No song field: the title line is window background where MP3 has its black field.
    EXPECT_EQ(c.at(100, 33), 13);
    // The settings panel's interior starts 20 pixels higher.
    EXPECT_EQ(c.at(100, 80), 11);
    Window m;
    ASSERT_TRUE(m.r.ok);
    EXPECT_EQ(m.r.platform.canvas(m.w()).at(195, 33), 0);  // past the song's name
}

TEST(ControlsWindow, SavingAStyleFromTextEntryAsksBeforeReplacing) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.c().panels().beginTextEntry(popup::Styles, "Quiet Harbour");
    ASSERT_TRUE(t.c().panels().textEntryActive());
    t.r.platform.pushChar(t.w(), 13);
    t.settle();
    const std::string file = t.p().dataPath("Styles/Quiet_Harbour.sty");
    EXPECT_TRUE(fileExists(file)) << t.p().shell().pendingMessage;
    EXPECT_EQ(t.p().visual().name(vs::StyleName), "Quiet_Harbour");
    EXPECT_EQ(t.c().state().panel, panel::Music);  // back where it was

    // The same name again: REPLACE FILE, and No keeps the file as it was.
    Bytes before, after;
    ASSERT_EQ(readWholeFile(file, before), 0);
    t.p().visual().set(vs::ColourKick, uint8_t(t.p().visual().get(vs::ColourKick) + 1));
    t.c().panels().beginTextEntry(popup::Styles, "Quiet Harbour");
    t.r.platform.pushChar(t.w(), 13);
    t.settle();
    EXPECT_EQ(t.c().state().panel, panel::ReplaceFile);
    t.click(123 + 5, 136 + 5);  // No
    ASSERT_EQ(readWholeFile(file, after), 0);
    EXPECT_EQ(after, before);
    EXPECT_EQ(t.c().state().panel, panel::Music);
}
