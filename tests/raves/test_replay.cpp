// Replaying a recording: the same changes at the same times, changes made during a replay,
// seeking and rewinding.
#include <gtest/gtest.h>

#include <algorithm>

#include "rave_rig.h"

using namespace korel;
using korel::test::Change;
using korel::test::RaveRig;

namespace {

std::vector<Change> from(const std::vector<Change>& all, uint32_t time) {
    std::vector<Change> out;
    std::copy_if(all.begin(), all.end(), std::back_inserter(out),
                 [&](const Change& c) { return std::get<0>(c) > time; });
    return out;
}

// A song: gradient and brush colour triggers on every beat, user changes between beats.
void playSong(RaveRig& r) {
    r.state.set(vs::BeatsPerTrigger + kKindGradient, 1);
    r.state.set(vs::TriggerModes + kKindGradient, kModeSequentialSelection);
    r.state.set(vs::BeatsPerTrigger + kKindColor, 2);
    r.state.set(vs::TriggerModes + kKindColor, kModeSequentialSelection);
    r.raves.beginSong();
    for (uint32_t t = 500; t <= 6000; t += 500) {
        r.beat(t);
        if (t % 1500 == 0) r.user(kChangeBrushSpeed, int(t / 100), t + 250);
        if (t == 2000) r.user(kChangeFill, 3, t + 250);
    }
}

}  // namespace

TEST(RaveReplay, ASavedRaveReplaysTheSameChangesAtTheSameTimes) {
    RaveRig first;
    playSong(first);
    const VisualState start = first.rave->songStart;
    const std::vector<Change> recorded = first.log.changes;
    ASSERT_GE(recorded.size(), 16u);
    SongRaveFields song{false, "", "Demo"};
    ASSERT_TRUE(saveRave(first.services, first.raves, song, "Demo_Rave", {}));
    EXPECT_TRUE(song.attached);
    EXPECT_EQ(song.raveName, "Demo_Rave");

    // The song plays again in a program that has moved on in the meantime.
    RaveRig second;
    second.services.shell().dataFolder = first.services.shell().dataFolder;
    second.state.set(vs::CurrentGradient, 7);
    second.state.set(vs::BrushSpeed, 99);
    EXPECT_FALSE(startSongWithRave(second.services, second.raves, song));
    EXPECT_TRUE(second.raves.isReplaying());
    EXPECT_EQ(second.state.get(vs::CurrentGradient), start.get(vs::CurrentGradient));
    EXPECT_EQ(second.state.get(vs::BrushSpeed), start.get(vs::BrushSpeed));
    second.log.changes.clear();
    for (uint32_t now = 0; now <= 7000; now += 17) second.raves.replayStep(now);
    EXPECT_EQ(second.log.changes, recorded);
    EXPECT_FALSE(second.raves.isReplaying());  // past the end: recording again
    EXPECT_EQ(second.host.flashes.size(), 12u);
    EXPECT_EQ(second.state, first.state);

    // A rewind into the middle replays the rest the same way.
    second.log.changes.clear();
    second.raves.rewindToStart(3100);
    EXPECT_EQ(second.state.get(vs::CurrentFill), 3);  // in force at 3100
    EXPECT_EQ(second.host.timersFrom.back(), 3100u);
    second.log.changes.clear();
    for (uint32_t now = 3100; now <= 7000; now += 17) second.raves.replayStep(now);
    EXPECT_EQ(second.log.changes, from(recorded, 3100));
    EXPECT_EQ(second.state, first.state);
}

TEST(RaveReplay, AChangeJustBeforeAReplayedBeatIsNotUndoneByIt) {
    RaveRig r;
    r.beat(1000);
    r.beat(2000);
    r.user(kChangeBrushSpeed, 30, 2500);  // the recording's own change at 2500
    r.beat(3000);
    r.raves.rewindToStart(0);
    r.raves.replayStep(1000);

    // 150 ms before the beat at 2000: stored there; the beat keeps the change.
    r.user(kChangeBrushSpeed, 45, 1850);
    EXPECT_EQ(r.value(r.after(1), kChangeBrushSpeed), -45);
    r.log.changes.clear();
    r.raves.replayStep(2000);
    EXPECT_EQ(r.state.get(vs::BrushSpeed), 45);
    EXPECT_TRUE(r.log.changes.empty());
    // The recording's next change of that setting still comes.
    r.raves.replayStep(2500);
    EXPECT_EQ(r.state.get(vs::BrushSpeed), 30);
}

TEST(RaveReplay, AChangeDuringReplayRunsOnUntilTheRecordingChangesThatSetting) {
    RaveRig r;
    const int before = r.state.get(vs::MovementSpread);
    for (uint32_t t = 1000; t <= 3000; t += 1000) r.beat(t);
    r.user(kChangeSpread, 50, 3500);
    r.beat(4000);
    r.raves.rewindToStart(0);
    r.raves.replayStep(1000);

    r.user(kChangeSpread, 70, 1050);  // on the beat at 1000
    const int at1000 = r.rave->current;
    EXPECT_EQ(r.value(at1000, kChangeSpread), -70);
    int n = r.after(at1000);
    EXPECT_EQ(r.value(n, kChangeSpread), 70);           // 2000
    EXPECT_EQ(r.value(r.after(n), kChangeSpread), 70);  // 3000
    n = r.after(r.after(n));
    EXPECT_EQ(r.value(n, kChangeSpread), -50);          // 3500: the recording's change
    EXPECT_EQ(r.value(r.after(n), kChangeSpread), 50);  // 4000
    EXPECT_NE(before, 70);

    r.raves.replayStep(3000);
    EXPECT_EQ(r.state.get(vs::MovementSpread), 70);
    r.raves.replayStep(3600);
    EXPECT_EQ(r.state.get(vs::MovementSpread), 50);
}

TEST(RaveReplay, ChangePointsDoNotFlashAndTheListEndsInRecording) {
    RaveRig r;
    r.beat(1000);
    r.user(kChangeSpread, 33, 1500);
    r.beat(2000);
    r.raves.rewindToStart(0);
    EXPECT_EQ(r.host.styles, 1);
    r.raves.replayStep(2500);
    EXPECT_EQ(r.host.flashes, (std::vector<uint32_t>{1000, 2000}));
    EXPECT_EQ(r.state.get(vs::MovementSpread), 33);
    EXPECT_FALSE(r.raves.isReplaying());
    // Not listening: the tempo goes on from the last beat.
    EXPECT_EQ(r.rave->nextEventTime, 3000u);
    // Recording appends after the last node.
    r.beat(3000);
    EXPECT_EQ(r.rave->nodeCount, 5);
    EXPECT_EQ(r.node(4).previous, 3);
}

TEST(RaveReplay, SeekingLoadsTheFilesOnTheWayAndAppliesTheLastPoint) {
    RaveRig r;
    AssetHooks hooks;
    hooks.setRaveRecorder(&r.raves);
    LoadOptions append;
    append.raveMode = 1;
    r.beat(1000);
    r.host.now = 1200;
    finishLoad(r.services, r.state, hooks, AssetKind::Gradient, 4, "Sunset", append);
    r.user(kChangeColourKick, 80, 1700);
    r.beat(2000);
    r.beat(3000);

    r.raves.rewindToStart(0);
    r.host.loads.clear();
    r.raves.seekRave(2500);
    EXPECT_EQ(r.host.loads, (std::vector<std::string>{"1:4:Sunset"}));
    EXPECT_EQ(r.engine.tempo().lastBeatTime, 2000u);
    EXPECT_EQ(r.rave->nextEventTime, 3000u);
    EXPECT_EQ(r.state.get(vs::ColourKick), 80);
    EXPECT_TRUE(r.raves.isReplaying());
    // A manual-mode replay changes nothing but still shows the beat.
    r.engine.setManualMode(true);
    r.user(kChangeColourKick, 10, 2510);
    r.log.changes.clear();
    r.raves.replayStep(3000);
    EXPECT_TRUE(r.log.changes.empty());
    EXPECT_EQ(r.host.flashes.back(), 3000u);
}
