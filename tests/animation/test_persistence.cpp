// The state across runs of the whole program: the last session saved at quit and restored at
// the next start, a first start without styles, a damaged last session, and stepping through
// the styles of the LIVE edition.
#include <gtest/gtest.h>

#include "animation/animation_run.h"
#include "platform/keys.h"
#include "shell/conductor.h"
#include "triggers/triggers.h"

using namespace korel;
using test::ProgramRun;

namespace {

Bytes fileBytes(const std::string& path) {
    Bytes b;
    readWholeFile(path, b);
    return b;
}

Bytes stateBytes(const VisualState& s) {
    return Bytes(s.bytes.begin(), s.bytes.end());
}

// The first offset where two records differ, for readable failures.
std::string firstDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size())
        return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return "offset " + std::to_string(i) + ": " + std::to_string(a[i]) + " and " +
                   std::to_string(b[i]);
    return "none";
}

// The state a start with no usable last session arrives at.
VisualState stateOfAFirstStart() {
    ProgramRun r;
    r.removeStyles();
    EXPECT_TRUE(r.start());
    return r.program->visual();
}

}  // namespace

TEST(LastSession, QuittingAndRestartingRestoresTheSavedStateByteForByte) {
    ProgramRun r;
    ASSERT_TRUE(r.start());
    r.run(2000);

    // Changes of every sort the session keeps: slots, colours, speeds, a loaded asset, the
    // tempo and the listening switch.
    TriggerEngine& t = r.program->conductor().triggers();
    const uint32_t now = r.program->songClock();
    ASSERT_TRUE(t.applyChange(kChangeGradient, 5, now, false, true, kHoldApply, true));
    ASSERT_TRUE(t.applyChange(kChangeBrushColour, 77, now, false, true, kHoldApply, true));
    ASSERT_TRUE(t.applyChange(kChangeMovement, 4, now, false, true, kHoldApply, true));
    ASSERT_TRUE(t.applyChange(kChangeBrush, 3, now, false, true, kHoldApply, true));
    ASSERT_TRUE(t.applyChange(kChangeColourSpeed, 50, now, false, true, kHoldApply, true));
    ASSERT_TRUE(t.applyChange(kChangeSpread, 90, now, false, true, kHoldApply, true));
    ASSERT_TRUE(r.program->conductor().loadFile(FileCategory::Gradient, 0, "Candy_Stripe"));
    t.setTempo(13300, now);
    ASSERT_TRUE(
        t.applyChange(kChangeSwitches, vs::kSwitchTrails, now, false, true, kHoldApply, true));
    r.run(1500);
    EXPECT_EQ(r.program->visual().name(VisualState::gradientName(0)), "Candy_Stripe");

    VisualState atQuit = r.program->visual();
    atQuit.setName(vs::StyleName, "Last_Session");
    r.quit();
    ASSERT_EQ(r.program->phase(), Phase::Ended);
    const Bytes saved = fileBytes(r.data("Styles/Last_Session.sty"));
    ASSERT_EQ(saved.size(), vs::kSize);
    EXPECT_EQ(saved, stateBytes(atQuit)) << firstDifference(saved, stateBytes(atQuit));

    ASSERT_TRUE(r.restart());
    const Bytes restored = stateBytes(r.program->visual());
    EXPECT_EQ(restored, saved) << firstDifference(restored, saved);
    EXPECT_FALSE(r.program->shell().alertShowing) << r.program->shell().pendingMessage;

    // A second round trip through an untouched run keeps it too.
    r.run(500);
    VisualState again = r.program->visual();
    r.quit();
    ASSERT_TRUE(r.restart());
    EXPECT_EQ(r.program->visual(), again);
}

TEST(LastSession, AFirstStartWithoutStylesUsesTheDefaultAndMakesTheFolderAtQuit) {
    ProgramRun r;
    r.removeStyles();
    // A missing asset folder is seeded at start; here the library brings no styles either.
    r.options.seedFolder = r.data("no-library");
    ASSERT_TRUE(r.start());
    const VisualState& s = r.program->visual();
    // Every setting of the default record; the loaders may only fill in movement parameters
    // the movement files fix.
    VisualState expected = defaultVisualState();
    for (int m = 0; m < kMovementSlots; ++m)
        for (int b = 0; b < kMovementParamsSize; ++b) {
            const size_t off = VisualState::movementParams(m) + size_t(b);
            expected.set(off, s.get(off));
        }
    EXPECT_EQ(stateBytes(s), stateBytes(expected))
        << firstDifference(stateBytes(s), stateBytes(expected));
    EXPECT_TRUE(r.program->conductor().lastSessionRestored());
    r.run(1000);
    EXPECT_FALSE(folderExists(r.data("Styles")));
    EXPECT_FALSE(r.program->shell().alertShowing) << r.program->shell().pendingMessage;

    r.quit();
    EXPECT_TRUE(folderExists(r.data("Styles")));
    EXPECT_EQ(fileBytes(r.data("Styles/Last_Session.sty")).size(), vs::kSize);
    EXPECT_EQ(r.platform.beepCount(), 0);
}

TEST(LastSession, AnInvalidLastSessionFallsBackSilentlyToTheDefault) {
    const VisualState fresh = stateOfAFirstStart();
    Bytes wrongTag = stateBytes(defaultVisualState());
    wrongTag[0] = 'X';
    Bytes shortFile = stateBytes(test::tempoState(12000));
    shortFile.resize(300);
    Bytes version1Short = stateBytes(test::tempoState(12000));
    version1Short[vs::Version] = 1;
    version1Short.resize(500);
    const Bytes cases[] = {wrongTag, shortFile, version1Short, Bytes{}, Bytes{'S'}};
    int n = 0;
    for (const Bytes& content : cases) {
        SCOPED_TRACE("case " + std::to_string(n++));
        ProgramRun r;
        r.removeStyles();
        ASSERT_EQ(createFolders(r.data("Styles")), 0);
        ASSERT_EQ(writeFileReplacing(r.data("Styles/Last_Session.sty"), content), 0);
        ASSERT_TRUE(r.start());
        EXPECT_EQ(r.program->visual(), fresh);
        EXPECT_FALSE(r.program->shell().alertShowing) << r.program->shell().pendingMessage;
        EXPECT_EQ(r.program->shell().pendingMessage, "");
        EXPECT_EQ(r.platform.beepCount(), 0);
        // The session saved at quit replaces the damaged file with a whole record.
        r.quit();
        EXPECT_EQ(fileBytes(r.data("Styles/Last_Session.sty")).size(), vs::kSize);
    }
}

TEST(LiveStyles, PreviousAndNextWrapAtTheEndsOfTheListing) {
    ProgramRun r;
    r.removeStyles();
    // Three styles told apart by their brush colour; a first start has no Last_Session yet.
    const char* names[] = {"Amber", "Beryl", "Cobalt"};
    for (int i = 0; i < 3; ++i) {
        VisualState s = test::tempoState(12000);
        s.set(vs::BrushColour, uint8_t(10 + 40 * i));
        ASSERT_TRUE(test::placeStyle(r.options.dataFolder, names[i], s));
    }
    ASSERT_TRUE(r.start());
    Conductor& c = r.program->conductor();
    auto style = [&] { return r.program->visual().name(vs::StyleName); };
    EXPECT_EQ(style(), "Default");

    const char* forward[] = {"Amber", "Beryl", "Cobalt", "Amber", "Beryl"};
    for (const char* want : forward) {
        c.stepStyle(true);
        EXPECT_EQ(style(), want);
        r.run(100);
    }
    // The style's record was applied, not only its name taken.
    c.stepStyle(true);
    EXPECT_EQ(r.program->visual().get(vs::BrushColour), 90);
    c.stepStyle(false);
    EXPECT_EQ(r.program->visual().get(vs::BrushColour), 50);
    const char* back[] = {"Amber", "Cobalt", "Beryl", "Amber", "Cobalt"};
    for (const char* want : back) {
        c.stepStyle(false);
        EXPECT_EQ(style(), want);
        r.run(100);
    }

    // The arrow keys do the same on the animation window.
    r.platform.pushKey(r.program->animationWindow(), vk::Right);
    r.pump();
    EXPECT_EQ(style(), "Amber");
    r.platform.pushKey(r.program->animationWindow(), vk::Left);
    r.pump();
    EXPECT_EQ(style(), "Cobalt");
    r.platform.pushKey(r.program->animationWindow(), vk::Left);
    r.pump();
    EXPECT_EQ(style(), "Beryl");
    EXPECT_FALSE(r.program->shell().alertShowing) << r.program->shell().pendingMessage;
    EXPECT_EQ(r.platform.beepCount(), 0);
}

TEST(LiveStyles, ASequentialStyleTriggerLoadsTheNextStyleOnItsBeats) {
    ProgramRun r;
    r.removeStyles();
    // Every style changes the brush kind to the next style on every beat and nothing else.
    VisualState s = test::tempoState(12000);
    for (int k = 0; k < kTriggerKinds; ++k) s.set(vs::BeatsPerTrigger + size_t(k), 0);
    s.set(vs::BeatsPerTrigger + kKindBrush, 1);
    s.set(vs::TriggerModes + kKindBrush, kModeSequentialStyle);
    for (const char* name : {"Amber", "Beryl", "Cobalt", "Last_Session"})
        ASSERT_TRUE(test::placeStyle(r.options.dataFolder, name, s));
    ASSERT_TRUE(r.start());
    EXPECT_EQ(r.program->visual().name(vs::StyleName), "Last_Session");
    // Beats at 500 ms intervals; the listing holds Amber, Beryl, Cobalt and Last_Session.
    const char* expected[] = {"Amber", "Beryl", "Cobalt", "Last_Session", "Amber"};
    for (const char* want : expected) {
        r.run(500);
        EXPECT_EQ(r.program->visual().name(vs::StyleName), want);
    }
    EXPECT_EQ(r.platform.beepCount(), 0);
}
