// The settings panels: slider mapping and releases, attachments, the text-entry field and the
// file panels' returns, the tap panels and the screen-saver panel.
#include <gtest/gtest.h>

#include "controls/panels.h"
#include "support/controls_fake.h"

namespace korel {
namespace {

constexpr int kSliderY = 146;

struct PanelsTest : ::testing::Test {
    explicit PanelsTest(Edition e = Edition::MP3) : fake(e), panels(fake.view) {}

    // A click with the button held, then the drag and release.
    void press(int x, int y, int modifier = 0) {
        fake.platform().setCursor(Point{x, y});
        fake.platform().setLeftButton(true);
        panels.click(Point{x, y}, modifier);
    }
    void clickAt(int x, int y, int modifier = 0) {
        press(x, y, modifier);
        fake.release();
    }
    void dragSlider(int from, int to, int modifier = 0) {
        press(from, kSliderY, modifier);
        fake.dragTo(to, kSliderY);
        fake.release();
    }
    void type(const std::string& s, int modifier = 0) {
        for (char c : s) panels.typeChar(uint8_t(c), modifier);
    }
    uint8_t attached(int brush, size_t byte) {
        return fake.vis.get(VisualState::attachment(brush) + byte);
    }

    test::ControlsFake fake;
    Panels panels;
};

TEST_F(PanelsTest, ColourSpeedSliderEndsAndTheKnobForZero) {
    // Give the knob a colour of its own so it can be found on the track.
    fake.pictures.widgets.fillRect(kKnobLook(false, true), cc::Red);
    panels.show(panel::Gradient);

    dragSlider(100, 0);
    EXPECT_EQ(fake.vis.get(vs::ColourSpeed), 0);  // -60 stored + 60
    dragSlider(100, 400);
    EXPECT_EQ(fake.vis.get(vs::ColourSpeed), 120);

    fake.vis.set(vs::ColourSpeed, 60);
    panels.redrawSlider(slider::ColourSpeed);
    int knobLeft = -1;
    for (int x = 39; x < 172 && knobLeft < 0; ++x)
        if (fake.canvas().at(x, 146) == cc::Red) knobLeft = x;
    EXPECT_EQ(knobLeft, 102);
}

TEST_F(PanelsTest, TempoSnapsToMultiplesOf200AndZeroStopsTheBeats) {
    panels.show(panel::Tempo);
    for (int x = 30; x <= 180; x += 7) {
        dragSlider(100, x);
        EXPECT_EQ(fake.vis.tempo() % 200, 0) << "at x " << x;
        EXPECT_LE(fake.vis.tempo(), 24000);
    }
    fake.vis.setSwitch(vs::kSwitchListening, false);
    fake.engine.tempo().patternMode = true;
    fake.platform().setTime(5000);
    dragSlider(100, 169);
    EXPECT_EQ(fake.vis.tempo(), 24000);
    EXPECT_FALSE(fake.engine.tempo().patternMode);  // the pattern ended
    EXPECT_EQ(fake.engine.tempo().nextBeatTime, 5000u + 6000000u / 24000u);

    dragSlider(100, 10);
    EXPECT_EQ(fake.vis.tempo(), 0);
    EXPECT_EQ(fake.engine.tempo().interval, kNeverTime);
    EXPECT_EQ(fake.engine.tempo().nextBeatTime, kNeverTime);
}

TEST_F(PanelsTest, AttachmentSliderPastEitherEndRemovesTheAttachment) {
    fake.state.attachBrush = 2;
    fake.state.attachCategory = 153;  // gradients: the colour speed
    panels.show(panel::Attachments);

    dragSlider(100, 169);
    EXPECT_EQ(attached(2, att::ColourSpeed), 120);
    EXPECT_EQ(attached(2, att::Any), 1);
    dragSlider(100, 200);
    EXPECT_EQ(attached(2, att::ColourSpeed), kNone80);
    EXPECT_EQ(attached(2, att::Any), 0);

    dragSlider(100, 42);
    EXPECT_EQ(attached(2, att::ColourSpeed), 0);  // -60
    dragSlider(100, 41);
    EXPECT_EQ(attached(2, att::ColourSpeed), kNone80);
    // Brush 3 is not the current brush: nothing was applied.
    EXPECT_TRUE(fake.host.changes.empty());
}

TEST_F(PanelsTest, AttachmentSliderOfTheCurrentBrushAppliesAtOnce) {
    fake.vis.set(vs::CurrentBrush, 1);
    fake.state.attachBrush = 0;
    fake.state.attachCategory = 151;  // brush effects: the brush speed
    panels.show(panel::Attachments);
    dragSlider(100, 169);
    ASSERT_EQ(fake.host.changes.size(), 1u);
    EXPECT_EQ(fake.host.changes[0].code, kChangeBrushSpeed);
    EXPECT_EQ(fake.host.changes[0].value, 120);
    EXPECT_EQ(fake.vis.get(vs::BrushSpeed), 120);

    fake.state.attachCategory = 156;  // fill colour: the fill brightness, set directly
    panels.show(panel::Attachments);
    dragSlider(100, 42);
    EXPECT_EQ(fake.vis.get(vs::FillBrightness), 0);
}

TEST_F(PanelsTest, MainSlidersBlockedByAnAttachmentRefuse) {
    fake.vis.set(vs::CurrentBrush, 2);
    fake.vis.set(VisualState::attachment(1) + att::ColourKick, 50);
    const uint8_t before = fake.vis.get(vs::ColourKick);
    panels.show(panel::Color);
    press(100, kSliderY);
    EXPECT_FALSE(fake.state.tracking);
    fake.release();
    ASSERT_EQ(fake.services.alerts.size(), 1u);
    EXPECT_EQ(fake.services.alerts[0], "The current brush has an attached color kick setting.");
    EXPECT_EQ(fake.vis.get(vs::ColourKick), before);

    fake.vis.set(VisualState::attachment(1) + att::FillSaturation, 20);
    panels.show(panel::FillSaturation);
    press(100, kSliderY);
    fake.release();
    EXPECT_EQ(fake.services.alerts.back(),
              "The current brush has an attached fill saturation setting.");
}

TEST_F(PanelsTest, ShiftHoldsTheDraggedValueAndControlClearsIt) {
    panels.show(panel::Movement);
    const uint8_t spread = fake.vis.get(vs::MovementSpread);
    dragSlider(100, 169, kHoldStore);
    EXPECT_EQ(fake.vis.get(vs::MovementSpread), spread);  // held, not applied
    EXPECT_EQ(fake.engine.state().held[kChangeSpread - 1], 120);

    press(100, kSliderY, kHoldRelease);
    EXPECT_FALSE(fake.state.tracking);  // no drag with Control
    fake.release();
    EXPECT_EQ(fake.engine.state().held[kChangeSpread - 1], kNone80);
    EXPECT_EQ(fake.vis.get(vs::MovementSpread), spread);
}

TEST_F(PanelsTest, ADragFollowsMainLoopPassesWithoutBlocking) {
    panels.show(panel::Music);
    press(60, kSliderY);
    // click() returned with the drag running: the frame tick runs between passes.
    ASSERT_TRUE(fake.state.tracking);
    for (int x = 60; x <= 160; x += 20) {
        fake.platform().advance(16);
        panels.tick(fake.platform().tickCount());
        fake.dragTo(x, kSliderY);
        EXPECT_TRUE(fake.state.tracking);
    }
    // The volume followed the drag live, one step per changed position.
    EXPECT_GE(fake.host.volumeSets.size(), 5u);
    EXPECT_EQ(fake.host.volume, uint8_t(255 * (160 - 42) / 127));
    fake.release();
    EXPECT_FALSE(fake.state.tracking);
}

TEST_F(PanelsTest, StoredSlidersWriteTheRecordAndTellTheHost) {
    panels.show(panel::FillBrightness);  // "Brightness..." of the fill colour-effect popup
    EXPECT_EQ(panels.hoverAt(Point{100, kSliderY}), slider::FillBrightness);
    dragSlider(100, 169);
    EXPECT_EQ(fake.vis.get(vs::FillBrightness), 100);
    ASSERT_FALSE(fake.host.stored.empty());
    EXPECT_EQ(fake.host.stored.back(), vs::FillBrightness);

    panels.show(panel::Frequency);
    fake.vis.set(vs::ListeningFrequency, 90);
    fake.vis.set(vs::AnalysisWindow, 12);
    clickAt(20, 100);  // "Default"
    EXPECT_EQ(fake.vis.get(vs::ListeningFrequency), 13);
    EXPECT_EQ(fake.vis.get(vs::AnalysisWindow), 6);
}

TEST_F(PanelsTest, ParameterSliderUsesTheMovementsRangeAndFlags) {
    fake.vis.set(vs::CurrentMovement, 1);
    fake.state.parameterSlot = 3;  // not the current movement: stored in its slot
    fake.state.parameter = 1;      // "Direction", -1..1
    panels.show(panel::Parameter);
    dragSlider(100, 42);
    const size_t entry = VisualState::movementParams(3);
    EXPECT_EQ(int8_t(fake.vis.get(entry + 1)), -1);
    EXPECT_EQ(fake.vis.get(entry + 4), 1);  // set by hand: fixed
    EXPECT_TRUE(fake.host.changes.empty());

    clickAt(170, 115);  // "Fixed" -> "Random"
    EXPECT_EQ(fake.vis.get(entry + 4), 0);

    fake.state.parameterSlot = 0;  // the current movement: sent as a change
    panels.show(panel::Parameter);
    dragSlider(100, 169);
    ASSERT_EQ(fake.host.changes.size(), 1u);
    EXPECT_EQ(fake.host.changes[0].code, kChangeParameter2);
    EXPECT_EQ(fake.host.changes[0].value, 1);
}

TEST_F(PanelsTest, ScreenSaverPanelHidesItsDelaySliderWhileOff) {
    fake.prefs.saverEnabled = false;
    panels.show(panel::ScreenSaver);
    EXPECT_EQ(panels.hoverAt(Point{100, kSliderY}), 0);
    press(100, kSliderY);
    EXPECT_FALSE(fake.state.tracking);
    fake.release();

    clickAt(170, 100);  // ON/OFF
    EXPECT_TRUE(fake.prefs.saverEnabled);
    EXPECT_EQ(fake.host.saverCalls, std::vector<bool>{true});
    EXPECT_EQ(panels.hoverAt(Point{100, kSliderY}), slider::SaverDelay);
    dragSlider(100, 169);
    EXPECT_EQ(fake.prefs.saverDelay, 120);
}

// --- Text entry and the file panels ---------------------------------------------------------

TEST_F(PanelsTest, NameLimitsOfStylesAndSongs) {
    panels.show(panel::Brush);
    panels.beginTextEntry(popup::Styles, "Default");
    ASSERT_TRUE(panels.textEntryActive());
    type("abcdefghijklmnop");  // 16: the first replaces the selection, the 16th is dropped
    panels.typeChar('\r', 0);
    ASSERT_EQ(fake.host.saved.size(), 1u);
    EXPECT_EQ(fake.host.saved[0].second, "abcdefghijklmno");

    panels.beginTextEntry(popup::Songs, "");
    type(std::string(28, 'x'));
    panels.typeChar('c', 3);  // Control+C accepts
    ASSERT_EQ(fake.host.saved.size(), 2u);
    EXPECT_EQ(fake.host.saved[1].second, std::string(27, 'x'));
    EXPECT_EQ(fake.state.panel, panel::Brush);
    EXPECT_EQ(fake.host.entriesEnded, 2);
}

TEST_F(PanelsTest, TheFieldsFilterBackspaceAndSpaces) {
    panels.beginTextEntry(popup::BrushSets, "Old");
    type("My set?");
    EXPECT_EQ(fake.host.commandChars, std::vector<uint32_t>{'?'});  // "?" is a command
    panels.typeChar(8, 0);
    panels.typeChar('s', 0);
    panels.typeChar('a', 3);  // Control+A is a command too
    panels.typeChar('\r', 0);
    ASSERT_EQ(fake.host.saved.size(), 1u);
    EXPECT_EQ(fake.host.saved[0], std::make_pair(int(popup::BrushSets), std::string("My_ses")));

    panels.beginTextEntry(popup::Styles, "Gone");
    panels.typeChar(8, 0);  // removes the whole selection
    panels.typeChar('\r', 0);
    EXPECT_EQ(fake.services.alerts.back(), "Text field is empty! Please type text into field.");
    EXPECT_TRUE(panels.textEntryActive());
    EXPECT_EQ(fake.host.saved.size(), 1u);
}

TEST_F(PanelsTest, SavingOverAnExistingFileAsksFirst) {
    fake.host.existing = {"My_Style"};
    panels.show(panel::Gradient);
    panels.beginTextEntry(popup::Styles, "My Style");
    panels.typeChar('\r', 0);
    EXPECT_EQ(fake.state.panel, panel::ReplaceFile);
    EXPECT_TRUE(fake.host.saved.empty());
    clickAt(140, 142);  // "No"
    EXPECT_EQ(fake.state.panel, panel::Gradient);
    EXPECT_TRUE(fake.host.saved.empty());

    panels.beginTextEntry(popup::Styles, "My Style");
    panels.typeChar('\r', 0);
    ASSERT_EQ(fake.state.panel, panel::ReplaceFile);
    clickAt(60, 142);  // "Yes"
    ASSERT_EQ(fake.host.saved.size(), 1u);
    EXPECT_EQ(fake.host.saved[0].second, "My_Style");
    EXPECT_EQ(fake.state.panel, panel::Gradient);

    // Song names are renamed without asking.
    fake.host.existing = {"Song"};
    panels.beginTextEntry(popup::Songs, "Song");
    panels.typeChar('\r', 0);
    EXPECT_EQ(fake.host.saved.size(), 2u);
    EXPECT_EQ(fake.state.panel, panel::Gradient);
}

TEST_F(PanelsTest, DeleteFileOpensItsPopupAndReturnsWhereItCameFrom) {
    panels.show(panel::Brush);
    panels.beginTextEntry(popup::BrushSets, "x");
    panels.beginDeleteFile(popup::BrushSets);  // from a file panel: the return stays
    EXPECT_FALSE(panels.textEntryActive());
    clickAt(100, 100);
    ASSERT_EQ(fake.host.popups.size(), 1u);
    EXPECT_EQ(fake.host.popups[0].id, popup::deleteFor(popup::BrushSets));
    EXPECT_EQ(fake.host.popups[0].at, (Rect{39, 94, 200, 107}));
    EXPECT_EQ(panels.hoverAt(Point{100, 100}), 366);
    clickAt(100, 130);  // "Done"
    EXPECT_EQ(fake.state.panel, panel::Brush);
}

TEST_F(PanelsTest, FieldsOpenTheirPopupsOverThemselves) {
    panels.show(panel::Brush);
    clickAt(150, 115);  // "Brush Effect:" spans x 147..238
    clickAt(150, 100);  // "Brush Sets:"
    clickAt(170, 78);   // "Settings"
    ASSERT_EQ(fake.host.popups.size(), 3u);
    EXPECT_EQ(fake.host.popups[0].id, popup::BrushEffects);
    EXPECT_EQ(fake.host.popups[0].at, (Rect{147, 108, 238, 121}));
    EXPECT_EQ(fake.host.popups[1].id, popup::BrushSets);
    EXPECT_EQ(fake.host.popups[1].at, (Rect{109, 94, 200, 107}));
    EXPECT_EQ(fake.host.popups[2].id, popup::Settings);

    fake.state.attachBrush = 4;
    fake.state.attachCategory = 152;
    panels.show(panel::Attachments);
    clickAt(150, 128);  // "Trails:"
    EXPECT_EQ(fake.host.popups.back().id, popup::AttachTrails);
    EXPECT_EQ(fake.host.popups.back().slot, 4);
}

// --- Beat tapping -----------------------------------------------------------------------------

TEST_F(PanelsTest, ManualBeatsTapApplyAndTheRaveRefusal) {
    panels.show(panel::ManualBeats);
    EXPECT_EQ(panels.hoverAt(Point{170, 115}), button::Align);
    fake.platform().setTime(1000);
    clickAt(170, 100);  // "Beat"
    fake.platform().setTime(1500);
    clickAt(170, 100);
    EXPECT_EQ(fake.engine.tempo().tapCount, 2u);
    EXPECT_EQ(panels.hoverAt(Point{170, 115}), button::Apply);
    clickAt(170, 115);
    EXPECT_EQ(fake.vis.tempo(), 12000);
    EXPECT_EQ(fake.engine.tempo().tapCount, 0u);

    fake.host.rave = RavePlayback::BeforeEnd;
    clickAt(170, 100);
    EXPECT_EQ(fake.services.alerts.back(), "This feature does not work while playing back raves.");
    EXPECT_EQ(fake.engine.tempo().tapCount, 0u);
}

TEST_F(PanelsTest, PatternedBeatsApplyAPattern) {
    panels.show(panel::PatternedBeats);
    for (uint32_t t : {1000u, 1200u, 1800u}) {
        fake.platform().setTime(t);
        clickAt(170, 100);
    }
    clickAt(170, 115);  // "Apply"
    EXPECT_TRUE(fake.engine.tempo().patternMode);
    EXPECT_EQ(fake.engine.tempo().patternLength, 2);
    EXPECT_EQ(fake.engine.tempo().pattern[0], 200u);
    EXPECT_EQ(fake.engine.tempo().pattern[1], 600u);
}

struct LivePanelsTest : PanelsTest {
    LivePanelsTest() : PanelsTest(Edition::LIVE) {}
};

TEST_F(LivePanelsTest, PanelsSitTwentyPixelsHigherAndMusicHoldsOnlyTheVolume) {
    panels.show(panel::Music);
    EXPECT_EQ(panels.hoverAt(Point{100, kSliderY - 20}), slider::Volume);
    EXPECT_EQ(panels.hoverAt(Point{100, 80}), 0);  // no songlist field
    clickAt(100, 80);
    EXPECT_TRUE(fake.host.popups.empty());
}

}  // namespace
}  // namespace korel
