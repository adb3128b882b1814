// Loading a style while the animation runs: a style trigger that loads a style on every beat
// must not make beats of its own, and a style that keeps the fill keeps the brush trails.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "animation/animation_run.h"
#include "shell/conductor.h"
#include "triggers/trace.h"
#include "triggers/triggers.h"

using namespace korel;
using test::ProgramRun;

namespace {

// Listening, with only the brush kind firing, on every beat, in `brushMode`.
VisualState brushModeState(uint8_t brushMode) {
    VisualState s = defaultVisualState();
    s.setSwitch(vs::kSwitchListening, true);
    for (int k = 0; k < kTriggerKinds; ++k) s.set(vs::BeatsPerTrigger + size_t(k), 0);
    s.set(vs::BeatsPerTrigger + kKindBrush, 1);
    s.set(vs::Thresholds + kKindBrush, 0);
    s.set(vs::TriggerModes + kKindBrush, brushMode);
    return s;
}

// The trace lines "change <time> <code> <value>" of one code.
int changesOf(const std::string& trace, int code) {
    std::istringstream in(trace);
    std::string word;
    uint32_t time = 0;
    int c = 0, value = 0, n = 0;
    while (in >> word) {
        if (word == "change" && in >> time >> c >> value) n += c == code;
    }
    return n;
}

}  // namespace

TEST(StyleLoads, ARandomStyleOnEveryBeatMakesNoBeatsOfItsOwn) {
    ProgramRun r;
    r.removeStyles();
    const VisualState s = brushModeState(kModeRandomStyle);
    for (const char* name : {"Last_Session", "Alpha", "Beta", "Gamma"})
        ASSERT_TRUE(test::placeStyle(r.options.dataFolder, name, s));
    // One 150 ms pulse at the listening frequency every second.
    r.sound.setSamples(test::pulsedTone(listeningFrequency(s), 1000, 150, 12), true);
    ASSERT_TRUE(r.start());
    std::ostringstream trace;
    StreamTrace sink(trace);
    r.program->conductor().setTrace(&sink);

    r.run(2000);  // the analysis window fills
    const uint32_t before = r.program->conductor().triggers().state().beatCount;
    r.run(8000);
    const uint32_t beats = r.program->conductor().triggers().state().beatCount - before;
    r.program->conductor().setTrace(nullptr);
    // A beat per pulse: each loads a style, and the load leaves the detector as it was.
    EXPECT_GE(beats, 6u) << trace.str();
    EXPECT_LE(beats, 9u) << trace.str();
}

TEST(StyleLoads, AStyleThatKeepsTheFillKeepsTheTrails) {
    ProgramRun r;
    r.removeStyles();
    VisualState s = test::tempoState(12000);
    s.setSwitch(vs::kSwitchTrails, true);
    ASSERT_TRUE(test::placeStyle(r.options.dataFolder, "Last_Session", s));
    ASSERT_TRUE(r.start());
    r.run(3000);  // trails build up

    // The same fill slot and name, other colours and another movement spread.
    VisualState same = r.program->visual();
    same.set(vs::BrushColour, uint8_t(same.get(vs::BrushColour) % 120 + 1));
    same.set(vs::MovementSpread, uint8_t(same.get(vs::MovementSpread) % 120 + 1));
    ASSERT_TRUE(test::placeStyle(r.options.dataFolder, "Same_Fill", same));
    VisualState other = same;
    other.set(vs::CurrentFill, uint8_t(same.get(vs::CurrentFill) % kFillSlots + 1));
    ASSERT_TRUE(test::placeStyle(r.options.dataFolder, "Other_Fill", other));

    Conductor& c = r.program->conductor();
    std::ostringstream trace;
    StreamTrace sink(trace);
    c.setTrace(&sink);
    const Surface& picture = r.program->display().drawingSurface;
    const std::vector<uint8_t> shown(picture.data(), picture.data() + picture.byteSize());
    ASSERT_TRUE(c.loadStyle("Same_Fill"));
    EXPECT_EQ(changesOf(trace.str(), kChangeGradient), 1) << trace.str();
    EXPECT_EQ(changesOf(trace.str(), kChangeFill), 0) << "the fill was applied again";
    const std::vector<uint8_t> after(picture.data(), picture.data() + picture.byteSize());
    EXPECT_TRUE(after == shown) << "the picture was drawn again";
    EXPECT_EQ(r.program->visual().get(vs::BrushColour), same.get(vs::BrushColour));

    // Another fill slot is drawn.
    trace.str("");
    ASSERT_TRUE(c.loadStyle("Other_Fill"));
    EXPECT_EQ(changesOf(trace.str(), kChangeFill), 1) << trace.str();
    c.setTrace(nullptr);
}
