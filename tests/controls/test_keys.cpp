// The keyboard commands: the typed number and its ranges, modifiers and pending values,
// refusals, quick-load typing; and in a running program the routing of key events.
#include <gtest/gtest.h>

#include "controls/controls.h"
#include "controls/keys.h"
#include "platform/keys.h"
#include "shell/program.h"
#include "support/controls_fake.h"
#include "support/running_program.h"

using namespace korel;

namespace {

struct Keys {
    explicit Keys(Edition e = Edition::MP3) : fake(e), controls(fake.services, fake.host) {
        std::string failure;
        controls.loadPictures(std::string(KOREL_SEED_DIR) + "/Controls", failure);
        controls.attachWindow(fake.view.window(), failure);
        controls.state().visible = true;
        controls.state().drawnExpanded = true;
    }
    KeyCommands& k() { return controls.keys(); }
    void type(const std::string& s, int modifier = 0) {
        for (char c : s) k().character(uint8_t(c), modifier, 1000);
    }
    void down(int key, bool shift = false, bool ctrl = false) {
        k().keyDown(key, shift, ctrl, false, 1000);
    }
    // The changes sent, as (code, value) pairs.
    std::vector<std::pair<int, int>> sent() const {
        std::vector<std::pair<int, int>> out;
        for (const auto& c : fake.host.changes) out.emplace_back(c.code, c.value);
        return out;
    }
    using Sent = std::vector<std::pair<int, int>>;
    VisualState& vis() { return fake.vis; }
    int beeps() { return fake.platform().beepCount(); }

    test::ControlsFake fake;
    Controls controls;
};

TEST(TypedNumber, ThreeDigitsCountAndSignAndPoint) {
    TypedNumber n;
    for (int d : {1, 2, 3, 4}) n.digit(d);
    EXPECT_EQ(n.value, 234);
    n.clear();
    n.negative = true;
    for (int d : {1, 2, 3, 4}) n.digit(d);
    EXPECT_EQ(n.value, -234);
    EXPECT_EQ(n.last(2), 34);
    n.point();
    EXPECT_TRUE(n.hasInteger);
    EXPECT_EQ(n.integer, 234);
    EXPECT_FALSE(n.has);
    // Fractions come to two places.
    n.digit(5);
    EXPECT_EQ(typedTempo(n), 23450);
    n.digit(0);
    n.digit(7);
    EXPECT_EQ(typedTempo(n), 23450);  // 507 -> 50
    TypedNumber none;
    EXPECT_EQ(typedTempo(none), -1);
    none.point();
    EXPECT_EQ(typedTempo(none), 0);
}

TEST(KeyCommands, SlotKeysTakeTheLastDigitOrFallBackToTheTriggerMode) {
    Keys t;
    t.type("12G");
    EXPECT_EQ(t.sent(), (Keys::Sent{{kChangeGradient, 2}}));
    t.type("9G");  // no gradient 9: the GRADIENTS trigger mode (fixed) leaves it to the engine
    EXPECT_EQ(t.sent().back(), std::make_pair(int(kChangeGradient), kRandomChoice));
    t.vis().set(vs::TriggerModes + kKindGradient, kModeSequentialSelection);
    t.vis().set(vs::CurrentGradient, 8);
    t.type("g");  // case-blind; the next slot wraps
    EXPECT_EQ(t.sent().back(), std::make_pair(int(kChangeGradient), 1));
    // The number was emptied by the command before.
    t.vis().set(vs::TriggerModes + kKindBrush, kModeFixed);
    t.type("B");
    EXPECT_EQ(t.sent().back(), std::make_pair(int(kChangeBrush), kRandomChoice));
    // Shift's own key-down is no command: the number survives it.
    t.type("4");
    t.down(vk::Shift, true);
    t.type("M", 2);
    EXPECT_EQ(t.sent().back(), std::make_pair(int(kChangeMovement), 4));
    EXPECT_EQ(t.fake.host.changes.back().modifier, 2);
}

TEST(KeyCommands, ValueKeysKeepToTheirRanges) {
    Keys t;
    t.type("-60R");
    t.type("70R");    // out of range: nothing
    t.type("R");      // no number: nothing
    t.type("-50J");
    t.type("51J");
    t.type("120D0D");  // 0 is below the spread's range
    t.type("0S");
    t.type("1121C");   // last three digits: 121 is out of the colour range
    t.type("120K");
    EXPECT_EQ(t.sent(), (Keys::Sent{{kChangeColourSpeed, 0},
                                    {kChangeColourKick, 0},
                                    {kChangeSpread, 120},
                                    {kChangeBrushSpeed, 0},
                                    {kChangeFillColour, 120}}));
    // Colours by the COLORS trigger mode: sequential steps 8 positions back.
    t.vis().set(vs::TriggerModes + kKindColor, kModeSequentialSelection);
    t.vis().set(vs::BrushColour, 5);
    t.vis().set(vs::FillColour, 100);
    t.fake.host.changes.clear();
    t.type("7O");  // O takes no number
    EXPECT_EQ(t.sent(), (Keys::Sent{{kChangeBrushColour, 117}, {kChangeFillColour, 92}}));
}

TEST(KeyCommands, TempoSampleSizeAndMovementParameters) {
    Keys t;
    t.type("120.5T");
    EXPECT_EQ(t.vis().tempo(), 12050);
    t.type("300T");  // above 240 beats per minute: ignored
    EXPECT_EQ(t.vis().tempo(), 12050);
    t.type("1.05T");
    EXPECT_EQ(t.vis().tempo(), 105);
    t.type("T");
    EXPECT_EQ(t.vis().tempo(), 105);
    t.type("12N");
    EXPECT_EQ(t.vis().get(vs::AnalysisWindow), 12);
    t.type("21N");
    EXPECT_EQ(t.vis().get(vs::AnalysisWindow), 12);
    // The fake movement has "Loops" 1..20 and "Direction" -1..1, no third parameter.
    t.type("15X25X1Z");
    EXPECT_EQ(t.sent(), (Keys::Sent{{kChangeParameter1, 15}}));
}

TEST(KeyCommands, VolumeKeysAndTracks) {
    Keys t;
    t.fake.host.volume = 128;
    t.type("200");
    t.down(vk::Up);
    EXPECT_EQ(t.fake.host.volume, 200);
    t.down(vk::Up);
    EXPECT_EQ(t.fake.host.volume, 232);
    t.down(vk::Up);
    EXPECT_EQ(t.fake.host.volume, 255);
    t.type("300");  // above 255: a step instead
    t.down(vk::Down);
    EXPECT_EQ(t.fake.host.volume, 223);
    t.type("0");
    t.down(vk::Down);
    EXPECT_EQ(t.fake.host.volume, 0);
    t.down(vk::Down);
    EXPECT_EQ(t.fake.host.volume, 0);
    // Tracks: a typed number within the songlist, else the next or previous track.
    t.fake.host.tracks = 12;
    t.type("112");
    t.down(vk::Left);
    t.type("13");
    t.down(vk::Right);
    EXPECT_EQ(t.fake.host.tracksChosen, std::vector<int>{12});
    t.down(vk::Right);
    EXPECT_EQ(t.fake.host.actions.back(), TopAction::NextTrack);
}

TEST(KeyCommands, ShiftStoresPendingControlClearsEnterApplies) {
    Keys t;
    t.vis().set(vs::CurrentGradient, 1);
    t.type("3");
    t.type("G", 2);
    EXPECT_EQ(t.vis().get(vs::CurrentGradient), 1);
    EXPECT_EQ(t.fake.engine.state().held[kChangeGradient - 1], 3);
    t.k().character(13, 0, 1000);
    EXPECT_EQ(t.vis().get(vs::CurrentGradient), 3);
    EXPECT_EQ(t.fake.engine.state().held[kChangeGradient - 1], kNone80);
    // Control+G arrives as character 7 and clears the pending gradient.
    t.type("5");
    t.type("G", 2);
    t.k().character(7, 3, 1000);
    EXPECT_EQ(t.fake.engine.state().held[kChangeGradient - 1], kNone80);
    EXPECT_EQ(t.fake.host.changes.back().modifier, 3);
    // Control+C applies too (it is no C); Tab without Control is no I.
    t.fake.host.changes.clear();
    t.k().character(3, 3, 1000);
    EXPECT_TRUE(t.fake.host.changes.empty());
    EXPECT_EQ(commandLetter(9, 0), 0);
    EXPECT_EQ(commandLetter(9, 3), 'I');
    EXPECT_EQ(commandLetter('q', 0), 'Q');
}

TEST(KeyCommands, RefusalsAndRaveSave) {
    Keys t;
    t.fake.host.rave = RavePlayback::BeforeEnd;
    t.k().character(9, 0, 1000);
    t.type("E");
    ASSERT_EQ(t.fake.services.alerts.size(), 2u);
    EXPECT_EQ(t.fake.services.alerts[0], kRaveReplayRefusal);
    EXPECT_EQ(t.fake.engine.tempo().tapCount, 0u);
    t.fake.host.rave = RavePlayback::None;
    t.type("E");
    EXPECT_EQ(t.fake.engine.tempo().tapCount, 1u);
    t.k().character(5, 3, 1000);  // Control+E clears the taps
    EXPECT_EQ(t.fake.engine.tempo().tapCount, 0u);
    t.type("=");
    EXPECT_EQ(t.fake.services.alerts.back(), "A rave must be attached to use this command!");
    t.fake.host.raveAttached = true;
    t.type("=");
    EXPECT_EQ(t.fake.services.alerts.size(), 3u);
}

TEST(KeyCommands, ChangeEverythingSkipsWhatTheBrushHoldsAttached) {
    Keys t;
    t.vis().set(vs::CurrentBrush, 2);
    t.vis().set(VisualState::attachment(1) + att::Fill, 3);
    t.type("U");
    ASSERT_FALSE(t.sent().empty());
    std::vector<int> codes;
    for (const auto& [code, value] : t.sent()) {
        codes.push_back(code);
        EXPECT_EQ(value, kRandomChoice);
    }
    // The engine may pick another brush; brush 2's fill attachment decides only if it stays.
    if (t.vis().get(vs::CurrentBrush) == 2)
        EXPECT_EQ(codes, (std::vector<int>{kChangeBrush, kChangeMovement, kChangeGradient,
                                           kChangeBrushColour, kChangeFillColour}));
    else
        EXPECT_EQ(codes.size(), 6u);
}

TEST(KeyCommands, SemicolonBeginsAStyleSaveInTheTextField) {
    Keys t;
    t.controls.state().drawnExpanded = false;
    t.controls.state().visible = false;
    t.vis().setName(vs::StyleName, "Night");
    t.type(";");
    EXPECT_EQ(t.fake.host.controlToggles, 1);
    EXPECT_TRUE(t.controls.state().drawnExpanded);
    EXPECT_EQ(t.fake.host.styleSaves, std::vector<bool>{true});
    EXPECT_TRUE(t.controls.panels().textEntryActive());
    // In the field a "?" is no name character: it reaches the commands.
    t.controls.typeChar('?', 2);
    EXPECT_EQ(t.fake.host.commandChars, std::vector<uint32_t>{'?'});
}

TEST(QuickLoad, PrefixChoosesTheFirstMatchAndTheSecondDigitTheSlot) {
    Keys t;
    t.fake.host.listings["Gradients.gra"] = {"Aurora", "Blue_Sky", "blue_moon"};
    t.fake.host.listings["Effects.efc"] = {"Glow"};
    t.down('2', false, true);
    t.type("BLUE");  // lowered; digits and letters are no commands now
    t.down('3', false, true);
    t.vis().set(vs::CurrentFill, 4);
    t.down('3', false, true);
    t.type("-");
    t.down('0', false, true);  // 0: the current slot
    t.down('7', false, true);
    t.type("g");
    t.down('1', false, true);
    EXPECT_EQ(t.fake.host.assetChoices,
              (std::vector<test::RecordingControlsHost::Choice>{
                  {int(AssetKind::Gradient), 2, "Blue_Sky"},
                  {int(AssetKind::Fill), 3, kNoneName},
                  {popup::FillColourEffects, -1, "Glow"}}));
    EXPECT_TRUE(t.sent().empty());
    EXPECT_EQ(t.beeps(), 0);
    EXPECT_EQ(t.k().quickLoad().category, 0);
    // After the mode ends letters are commands again.
    t.type("4G");
    EXPECT_EQ(t.sent(), (Keys::Sent{{kChangeGradient, 4}}));
}

TEST(QuickLoad, EveryDeadEndBeeps) {
    Keys t;
    t.fake.host.listings["Fills.fil"] = {"Stars"};
    const auto choices = [&] { return t.fake.host.assetChoices.size(); };
    // No match.
    t.down('3', false, true);
    t.type("x");
    t.down('1', false, true);
    EXPECT_EQ(t.beeps(), 1);
    // An empty folder.
    t.down('2', false, true);
    t.down('1', false, true);
    EXPECT_EQ(t.beeps(), 2);
    // Category 9 lists nothing.
    t.down('9', false, true);
    t.down('1', false, true);
    EXPECT_EQ(t.beeps(), 3);
    // A space first, or after a "_", cancels.
    t.down('3', false, true);
    t.type(" ");
    EXPECT_EQ(t.beeps(), 4);
    EXPECT_EQ(t.k().quickLoad().category, 0);
    t.down('3', false, true);
    t.type("s  ");
    EXPECT_EQ(t.beeps(), 5);
    // A slot beyond the six fills loads nothing, silently.
    t.down('3', false, true);
    t.type("st");
    t.down('7', false, true);
    EXPECT_EQ(t.beeps(), 5);
    EXPECT_EQ(choices(), 0u);
    // Control+0 opens nothing; Backspace edits; at most 16 characters are kept.
    t.down('0', false, true);
    EXPECT_EQ(t.k().quickLoad().category, 0);
    t.down('3', false, true);
    t.type("stX\b");
    EXPECT_EQ(t.k().quickLoad().prefix, "st");
    t.type("abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(t.k().quickLoad().prefix.size(), QuickLoad::kMaxPrefix);
}

// --- In a running program ---------------------------------------------------------------------

struct Running {
    Running() : r(640, 480, Edition::MP3) {}
    test::RunningLive r;
    Program& p() { return *r.program; }
    void chars(const std::string& s, WindowId w) {
        for (char c : s) {
            Event e;
            e.kind = EventKind::Char;
            e.window = w;
            e.ch = uint8_t(c);
            r.platform.pushEvent(e);
        }
        pump();
    }
    void pump() {
        for (int i = 0; i < 5; ++i) p().pass();
    }
};

TEST(KeysInProgram, BothWindowsRouteKeysAndTheFieldForwardsHelp) {
    Running t;
    ASSERT_TRUE(t.r.ok);
    VisualState& v = t.p().visual();
    const WindowId anim = t.p().animationWindow();
    const WindowId ctl = t.p().controlsWindow();
    t.chars("3t", anim);
    EXPECT_EQ(v.tempo(), 300);
    t.chars("45t", ctl);
    EXPECT_EQ(v.tempo(), 4500);
    // ";" opens the style name field; "?" there opens help instead of typing.
    t.chars(";", anim);
    ASSERT_TRUE(t.p().controls().panels().textEntryActive());
    const auto helpShown = [&] { return t.r.platform.windowVisible(t.p().helpWindow()); };
    const bool before = helpShown();
    t.chars("?", ctl);
    EXPECT_NE(helpShown(), before);
    EXPECT_TRUE(t.p().controls().panels().textEntryActive());
    // F1 toggles it back; Escape quits.
    t.r.platform.pushKey(ctl, vk::F1);
    t.pump();
    EXPECT_EQ(helpShown(), before);
    t.r.platform.pushKey(anim, vk::Escape);
    t.pump();
    EXPECT_FALSE(t.p().shell().running);
    // After quit every key is ignored.
    t.chars("9t", anim);
    EXPECT_EQ(v.tempo(), 4500);
}

}  // namespace
