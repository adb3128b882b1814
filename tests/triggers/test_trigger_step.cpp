// The trigger step: counters, thresholds, the kinds' modes, style triggers, manual mode, order.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fake_host.h"
#include "triggers/trace.h"

using namespace korel;
using korel::test::Rig;

namespace {

int count(const std::vector<std::string>& log, const std::string& prefix) {
    int n = 0;
    for (const std::string& l : log) n += l.rfind(prefix, 0) == 0;
    return n;
}

}  // namespace

TEST(TriggerStep, BeatsPerTriggerCountsFromSongStart) {
    Rig r;
    r.only(kKindGradient, kModeSequentialSelection);
    for (int i = 0; i < 5; ++i) r.engine.triggerStep(100u * i, 64);
    EXPECT_EQ(count(r.host.log, "gradient "), 5);  // 1: every beat
    EXPECT_EQ(r.state.get(vs::CurrentGradient), 6);

    r.host.log.clear();
    r.state.set(vs::BeatsPerTrigger + kKindGradient, 0);
    for (int i = 0; i < 5; ++i) r.engine.triggerStep(1000, 64);
    EXPECT_EQ(count(r.host.log, "gradient "), 0);  // 0: never
    EXPECT_EQ(r.engine.state().beatCount, 10u);    // beats still count

    // 3 beats per trigger: the 3rd and 6th beat after the song start.
    r.engine.songStart(0);
    r.state.set(vs::BeatsPerTrigger + kKindGradient, 3);
    std::vector<int> fired;
    for (int beat = 1; beat <= 7; ++beat) {
        r.host.log.clear();
        r.engine.triggerStep(uint32_t(beat), 64);
        if (count(r.host.log, "gradient ")) fired.push_back(beat);
    }
    EXPECT_EQ(fired, (std::vector<int>{3, 6}));
}

TEST(TriggerStep, ThresholdsOnlyCountWhileListening) {
    Rig r;
    r.only(kKindGradient, kModeSequentialSelection);
    r.state.set(vs::Thresholds + kKindGradient, 64);
    r.engine.triggerStep(0, 0);
    EXPECT_EQ(count(r.host.log, "gradient "), 1);  // listening off: every full counter

    r.host.log.clear();
    r.state.setSwitch(vs::kSwitchListening, true);
    r.engine.triggerStep(1, 63);
    EXPECT_EQ(count(r.host.log, "gradient "), 0);
    r.engine.triggerStep(2, 64);
    EXPECT_EQ(count(r.host.log, "gradient "), 1);
}

TEST(TriggerStep, AttachmentsAndHeldValuesSuppressTheirKinds) {
    Rig r;
    r.everyBeat();
    for (int k = 0; k < kTriggerKinds; ++k)
        r.state.set(vs::TriggerModes + size_t(k), kModeRandomSelection);
    r.attach(0, att::Gradient, 1);
    r.attach(0, att::Fill, 2);
    r.attach(0, att::Movement, 1);
    r.engine.applyChange(kChangeBrush, 3, 0, false, true, kHoldStore, false);  // hold the brush
    for (int i = 0; i < 10; ++i) r.engine.triggerStep(uint32_t(i), 64);
    EXPECT_EQ(count(r.host.log, "gradient "), 0);
    EXPECT_EQ(count(r.host.log, "fill "), 0);
    EXPECT_EQ(count(r.host.log, "movement "), 0);
    EXPECT_EQ(count(r.host.log, "brush "), 0);
    EXPECT_EQ(count(r.host.log, "brushcolour "), 10);  // colours are not attachable
    // The kinds kept still: none of them tried a change the attachment would refuse.
    EXPECT_TRUE(r.services.alerts.empty()) << r.services.alerts.front();
}

TEST(TriggerStep, AnAttachedFillKeepsTheFillKindQuiet) {
    // Sequential Selection would always pick another slot than the attached one.
    Rig r;
    r.only(kKindFill, kModeSequentialSelection);
    r.attach(0, att::Fill, 3);
    r.engine.applyChange(kChangeBrush, 1, 0, false, true, kHoldApply, false);
    ASSERT_EQ(r.state.get(vs::CurrentFill), 3);
    r.host.log.clear();
    for (int i = 0; i < 4; ++i) r.engine.triggerStep(uint32_t(i), 64);
    EXPECT_TRUE(r.services.alerts.empty()) << r.services.alerts.front();
    EXPECT_EQ(count(r.host.log, "fill "), 0);
    EXPECT_EQ(r.state.get(vs::CurrentFill), 3);
}

TEST(TriggerStep, AHeldWipeStopsTheFillKindUntilTheHeldValuesApply) {
    Rig r;
    r.only(kKindFill, kModeSequentialSelection);
    ASSERT_TRUE(r.engine.applyChange(kChangeFill, kWipeRequest, 0, false, true, kHoldStore, false));
    ASSERT_TRUE(r.engine.applyChange(kChangeGradient, 4, 0, false, true, kHoldStore, false));
    for (int i = 0; i < 3; ++i) r.engine.triggerStep(uint32_t(i), 64);
    EXPECT_EQ(count(r.host.log, "fill "), 0);
    EXPECT_TRUE(r.engine.state().heldWipe);
    EXPECT_EQ(r.engine.state().beatCount, 3u);

    // The wipe comes with the other held values: the current fill drawn again.
    r.host.log.clear();
    r.engine.applyHeldValues(10);
    EXPECT_EQ(count(r.host.log, "fill 1 wipe"), 1);
    EXPECT_TRUE(r.host.logged("gradient 3"));
    EXPECT_FALSE(r.engine.state().heldWipe);
    r.engine.triggerStep(11, 64);
    EXPECT_EQ(r.state.get(vs::CurrentFill), 3);  // the kind fires again
}

TEST(TriggerStep, SlotSelectionModes) {
    Rig r;
    r.only(kKindFill, kModeRandomSelection);
    int previous = r.state.get(vs::CurrentFill);
    for (int i = 0; i < 300; ++i) {
        r.engine.triggerStep(uint32_t(i), 64);
        int now = r.state.get(vs::CurrentFill);
        ASSERT_GE(now, 1);
        ASSERT_LE(now, 4);  // random fill never picks slots 5 or 6
        ASSERT_NE(now, previous);
        previous = now;
    }

    r.state.set(vs::TriggerModes + kKindFill, kModeSequentialSelection);
    r.state.set(vs::CurrentFill, 2);
    std::vector<int> visited;
    for (int i = 0; i < 6; ++i) {
        r.engine.triggerStep(uint32_t(i), 64);
        visited.push_back(r.state.get(vs::CurrentFill));
    }
    EXPECT_EQ(visited, (std::vector<int>{3, 4, 5, 6, 1, 2}));

    // Fixed Position re-applies the current slot: the fill is drawn again.
    r.host.log.clear();
    r.state.set(vs::TriggerModes + kKindFill, kModeFixed);
    r.engine.triggerStep(10, 64);
    EXPECT_TRUE(r.host.logged("fill 1"));
}

TEST(TriggerStep, ColourModes) {
    Rig r;
    r.only(kKindColor, kModeSequentialSelection);
    r.state.set(vs::BrushColour, 3);
    r.state.set(vs::FillColour, 120);
    r.engine.triggerStep(0, 64);
    EXPECT_EQ(r.state.get(vs::BrushColour), 115);
    EXPECT_EQ(r.state.get(vs::FillColour), 112);

    r.state.set(vs::TriggerModes + kKindColor, kModeRandomSelection);
    for (int i = 0; i < 300; ++i) {
        r.state.set(vs::BrushColour, 5);
        r.engine.triggerStep(uint32_t(i), 64);
        int c = r.state.get(vs::BrushColour);
        ASSERT_GE(c, 16);  // random colour from 5 never gives 1 to 15
        ASSERT_LE(c, 120);
    }
}

TEST(TriggerStep, StyleTriggerCancelsTheBeatsOtherChanges) {
    for (uint8_t mode : {kModeRandomStyle, kModeSequentialStyle}) {
        Rig r;
        r.everyBeat();
        r.state.set(vs::TriggerModes + kKindFill, kModeSequentialSelection);
        r.state.set(vs::TriggerModes + kKindGradient, kModeSequentialSelection);
        r.state.set(vs::TriggerModes + kKindBrush, mode);
        r.host.setListing(FileCategory::Style, {"Calm", "Default"});
        int styles = 0;
        r.host.onStyle = [&] { ++styles; };
        r.engine.triggerStep(500, 64);
        EXPECT_EQ(styles, 1);
        EXPECT_EQ(r.state.name(vs::StyleName), "Calm");
        EXPECT_EQ(count(r.host.log, "gradient "), 0);
        EXPECT_EQ(count(r.host.log, "fill "), 0);
        EXPECT_EQ(count(r.host.log, "brushcolour "), 0);
        EXPECT_TRUE(r.host.logged("rave beat 500"));
        EXPECT_TRUE(r.host.logged("redraw all"));
        EXPECT_EQ(r.engine.state().beatCount, 1u);
    }
}

TEST(TriggerStep, ManualModeOnlyCountsBeats) {
    Rig r;
    r.everyBeat();
    r.engine.setManualMode(true);
    r.engine.triggerStep(7, 64);
    EXPECT_EQ(r.host.log, (std::vector<std::string>{"rave beat 7"}));
    EXPECT_EQ(r.engine.state().beatCount, 1u);
}

TEST(TriggerStep, ChangesApplyInOrderAfterTheBeatAndAreTraced) {
    Rig r;
    r.everyBeat();
    for (int k = 0; k < kTriggerKinds; ++k)
        r.state.set(vs::TriggerModes + size_t(k), kModeSequentialSelection);
    std::ostringstream trace;
    StreamTrace sink(trace);
    r.engine.setTrace(&sink);
    r.engine.triggerStep(250, 40);
    std::vector<std::string> order;
    for (const std::string& l : r.host.log) {
        if (l.rfind("rave", 0) == 0) order.push_back(l);
    }
    EXPECT_EQ(order,
              (std::vector<std::string>{"rave beat 250", "rave change 1 2", "rave change 2 113",
                                        "rave change 3 113", "rave change 4 3", "rave change 9 2",
                                        "rave change 10 2"}));
    EXPECT_EQ(trace.str(),
              "beat 250 40\nchange 250 1 2\nchange 250 2 113\nchange 250 3 113\nchange 250 4 3\n"
              "change 250 9 2\nchange 250 10 2\n");
}

TEST(TriggerStep, ATraceFileHoldsEachLineAsSoonAsItIsWritten) {
    // Someone following the trace live, or reading it after a crash, sees every line at once.
    const auto path = std::filesystem::temp_directory_path() /
                      ("korel-trace-" + std::to_string(::getpid()) + ".txt");
    std::ofstream file(path, std::ios::out | std::ios::trunc);
    ASSERT_TRUE(file);
    StreamTrace sink(file);
    auto onDisk = [&] {
        std::ifstream in(path);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    };
    sink.beat(250, 40);
    EXPECT_EQ(onDisk(), "beat 250 40\n");
    sink.change(251, 3, 7);
    EXPECT_EQ(onDisk(), "beat 250 40\nchange 251 3 7\n");
    file.close();
    std::filesystem::remove(path);
}

TEST(TriggerStep, CounterOffsetsAfterAStyleAndADrag) {
    Rig r;
    r.only(kKindGradient, kModeSequentialSelection);
    r.state.set(vs::BeatsPerTrigger + kKindGradient, 4);
    for (int i = 0; i < 5; ++i) r.engine.triggerStep(uint32_t(i), 64);  // fired on beat 4
    r.engine.styleLoaded();
    EXPECT_EQ(r.engine.state().counterOffset[kKindGradient], 3);  // 4 - (5 mod 4)
    r.host.log.clear();
    r.engine.triggerStep(10, 64);
    EXPECT_EQ(count(r.host.log, "gradient "), 1);  // the next beat fires

    r.engine.beatCounterChanged(kKindGradient);
    EXPECT_EQ(r.engine.state().counterOffset[kKindGradient], 3);  // 4 - (6 mod 4) + 1
    r.state.set(vs::BeatsPerTrigger + kKindGradient, 0);
    r.engine.beatCounterChanged(kKindGradient);
    EXPECT_EQ(r.engine.state().counterOffset[kKindGradient], 0);
}
