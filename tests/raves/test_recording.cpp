// Recording a song: beats, changes around beats, retroactive changes, file events, the limit.
#include <gtest/gtest.h>

#include "assets/assets.h"
#include "platform/files.h"
#include "rave_rig.h"

using namespace korel;
using korel::test::RaveRig;

TEST(RaveRecording, ChangesJoinTheNearestBeatOrMakeTheirOwnPoint) {
    RaveRig r;
    r.host.nextBeat = 2000;
    r.beat(1000);
    ASSERT_EQ(r.rave->nodeCount, 2);
    EXPECT_EQ(r.node(1).kind, kRaveBeat);
    EXPECT_EQ(r.node(1).time, 1000);

    // 150 ms after the beat: stored on the beat's node, marked as changed there.
    r.user(kChangeBrushSpeed, 30, 1150);
    EXPECT_EQ(r.rave->nodeCount, 2);
    EXPECT_EQ(r.value(1, kChangeBrushSpeed), -30);

    // 500 ms from both beats: a change point of its own, counted as a beat.
    const uint32_t beats = r.engine.state().beatCount;
    r.user(kChangeSpread, 77, 1500);
    ASSERT_EQ(r.rave->nodeCount, 3);
    EXPECT_EQ(r.node(2).kind, kRaveChangePoint);
    EXPECT_EQ(r.node(2).time, 1500);
    EXPECT_EQ(r.value(2, kChangeSpread), -77);
    EXPECT_EQ(r.value(2, kChangeBrushSpeed), 30);  // the values in force ride along
    EXPECT_EQ(r.engine.state().beatCount, beats + 1);
    EXPECT_EQ(r.engine.tempo().lastBeatTime, 1500u);

    // 150 ms before the coming beat: it lands on that beat, not before it.
    r.host.nextBeat = 3000;
    r.user(kChangeColourKick, 20, 2850);
    ASSERT_EQ(r.rave->nodeCount, 4);
    EXPECT_EQ(r.node(3).kind, kRaveChangePoint);
    EXPECT_EQ(r.node(3).time, 3000);
    EXPECT_EQ(r.value(3, kChangeColourKick), -20);
}

TEST(RaveRecording, ChangesAtNodeZeroGoIntoTheSongStartState) {
    RaveRig r;
    r.user(kChangeBrushColour, 44, 50);  // within 200 ms of the song start
    EXPECT_EQ(r.rave->nodeCount, 1);
    EXPECT_EQ(r.value(0, kChangeBrushColour), 44);
    EXPECT_EQ(r.rave->songStart.get(vs::BrushColour), 44);

    // A movement change carries the movement's parameters too.
    r.state.set(VisualState::movementParams(2) + 1, 9);
    r.user(kChangeMovement, 3, 60);
    EXPECT_EQ(r.rave->songStart.get(vs::CurrentMovement), 3);
    EXPECT_EQ(r.value(0, kChangeParameter2), 9);
    EXPECT_EQ(r.rave->songStart.get(VisualState::movementParams(2) + 1), 9);
}

TEST(RaveRecording, RetroactiveChangeRewritesFromWhereTheOldValueWasSet) {
    RaveRig r;
    r.beat(1000);
    r.user(kChangeSpread, 40, 1500);  // a point at 1500 sets 40
    r.beat(2000);
    r.beat(3000);
    // Alt: 40 becomes 55 from where 40 was set, through every later point that still holds 40.
    r.user(kChangeSpread, 55, 3500, 1);
    EXPECT_EQ(r.rave->nodeCount, 5);  // no point of its own
    EXPECT_EQ(r.value(2, kChangeSpread), -55);
    EXPECT_EQ(r.value(3, kChangeSpread), 55);
    EXPECT_EQ(r.value(4, kChangeSpread), 55);
    EXPECT_EQ(r.value(1, kChangeSpread), r.value(0, kChangeSpread));  // before: untouched
}

TEST(RaveRecording, FileEventsAppendOrRenameTheLastLoadOfTheSlot) {
    RaveRig r;
    AssetHooks hooks;
    hooks.setRaveRecorder(&r.raves);
    LoadOptions append;
    append.raveMode = 1;
    r.beat(1000);
    r.host.now = 1300;
    finishLoad(r.services, r.state, hooks, AssetKind::Fill, 2, "Waves", append);
    ASSERT_EQ(r.rave->nodeCount, 3);
    EXPECT_EQ(r.node(2).kind, raveFileKind(4, 2));
    EXPECT_EQ(int8_t(r.node(2).kind), -126 + 32 + 2);
    EXPECT_EQ(r.node(2).time, 1300);  // a load off the beat moves the last beat time
    EXPECT_EQ(readNameField(r.node(2).payload.data()), "Waves");

    LoadOptions rename = append;
    rename.raveMode = 2;
    r.host.now = 1600;
    finishLoad(r.services, r.state, hooks, AssetKind::Fill, 2, "Dunes", rename);
    EXPECT_EQ(r.rave->nodeCount, 3);
    EXPECT_EQ(readNameField(r.node(2).payload.data()), "Dunes");

    // A change after a file event always gets a point of its own.
    r.user(kChangeSpread, 12, 1610);
    EXPECT_EQ(r.node(3).kind, kRaveChangePoint);

    // Nothing is recorded in the LIVE edition, nor without a recorder.
    RaveRig live(Edition::LIVE);
    AssetHooks liveHooks;
    liveHooks.setRaveRecorder(&live.raves);
    live.beat(1000);
    finishLoad(live.services, live.state, liveHooks, AssetKind::Fill, 2, "Waves", append);
    live.user(kChangeSpread, 12, 1500);
    EXPECT_EQ(live.rave->nodeCount, 1);
}

TEST(RaveRecording, TheListHoldsAtMost8999NodesAndSavesThemAll) {
    RaveRig r;
    for (int i = 1; i < kRaveNodes; ++i) r.beat(uint32_t(i) * 10);
    EXPECT_EQ(r.rave->nodeCount, kRaveNodes);
    EXPECT_TRUE(r.services.alerts.empty());
    r.beat(100000);
    r.beat(100010);
    r.user(kChangeSpread, 12, 100500);
    EXPECT_EQ(r.rave->nodeCount, kRaveNodes);
    EXPECT_TRUE(r.rave->recordingDisabled);
    ASSERT_EQ(r.services.alerts.size(), 1u);
    EXPECT_EQ(r.services.alerts[0], kRaveFullMessage);
    EXPECT_EQ(r.state.get(vs::MovementSpread), 12);  // the song goes on

    SongRaveFields song{false, "", "Song"};
    ASSERT_TRUE(saveRave(r.services, r.raves, song, "Full", {}));
    Bytes file;
    ASSERT_EQ(readWholeFile(raveFilePath(r.services, song, "Full"), file), 0);
    EXPECT_EQ(file.size(), 4 + 32 + 1002 + 2 + size_t(kRaveNodes) * 21);
    EXPECT_EQ(getLe16(&file[4 + 32 + 1002]), kRaveNodes);

    // It replays to its end, and the next song records again.
    r.raves.rewindToStart(0);
    EXPECT_TRUE(r.raves.isReplaying());
    r.raves.replayStep(200000);
    EXPECT_FALSE(r.raves.isReplaying());
    r.raves.freshList();
    r.raves.beginSong();
    r.beat(1000);
    EXPECT_EQ(r.rave->nodeCount, 2);
}
