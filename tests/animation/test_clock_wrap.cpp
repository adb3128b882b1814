// The song clock across the wrap of the 32-bit tick count: tempo beats, trail steps and colour
// steps keep their pace when a song runs through the moment the tick count starts again at 0.
#include <gtest/gtest.h>

#include "animation/animation_run.h"
#include "shell/conductor.h"
#include "triggers/triggers.h"

using namespace korel;
using test::ProgramRun;

TEST(SongTimeDue, ComparesAcrossTheJumpOfTheWrap) {
    const uint32_t origin = 0xFFFFF000u;                    // 4096 ms before the wrap
    const uint32_t before = songTime(0xFFFFFFF0u, origin);  // 4080
    const uint32_t due = songTimePlus(before, 20);          // 4100, taken before the wrap
    const uint32_t early = songTime(0x00000003u, origin);   // 4099, after it
    const uint32_t late = songTime(0x00000005u, origin);    // 4101
    EXPECT_GE(early, 0x80000000u);                          // the clock jumped by 2^31
    EXPECT_FALSE(songTimeReached(early, due));
    EXPECT_TRUE(songTimeReached(late, due));
    EXPECT_TRUE(songTimePassed(late, due));
    EXPECT_FALSE(songTimePassed(due, due));
    EXPECT_EQ(songTimeSince(before, late), 21u);

    // "Never" stays never, and no sum lands on it.
    EXPECT_EQ(songTimePlus(late, kNeverTime), kNeverTime);
    EXPECT_FALSE(songTimeReached(late, kNeverTime));
    const uint32_t onNever = songTimePlus(kNeverTime - 10, 10);
    EXPECT_NE(onNever, kNeverTime);
    EXPECT_TRUE(songTimeReached(kNeverTime - 10 + 10, onNever));
    EXPECT_FALSE(songTimeReached(kNeverTime - 11 + 10, onNever));
}

TEST(SongTimeDue, TempoBeatsAndTrailStepsGoOnAfterTheTickCountWraps) {
    ProgramRun r;
    ASSERT_TRUE(test::placeStyle(r.options.dataFolder, "Last_Session", test::tempoState(12000)));
    r.platform.setTime(0xFFFFFFFFu - 2999);  // the animation starts 3 s before the wrap
    ASSERT_TRUE(r.start());
    Conductor& c = r.program->conductor();
    const uint32_t beatsAtStart = c.triggers().state().beatCount;
    r.run(2000);
    ASSERT_NE(c.tick().trailInterval, kNeverTime) << "the test needs a moving brush";

    r.run(8000);  // through the wrap, 5 s past it
    ASSERT_LT(r.platform.tickCount(), 10000u);
    // 120 beats per minute: one beat every 500 ms, before and after the wrap alike.
    const uint32_t beats = c.triggers().state().beatCount - beatsAtStart;
    EXPECT_GE(beats, 19u);
    EXPECT_LE(beats, 21u);

    // The next trail step lies one brush period ahead at most, not at "never".
    const uint32_t now = r.program->songClock();
    EXPECT_NE(c.tick().nextTrailTime, kNeverTime);
    EXPECT_FALSE(songTimePassed(now, c.tick().nextTrailTime));
    EXPECT_LE(songTimeSince(now, c.tick().nextTrailTime), c.tick().trailInterval);
    EXPECT_NE(c.triggers().tempo().nextBeatTime, kNeverTime);
    EXPECT_LE(songTimeSince(now, c.triggers().tempo().nextBeatTime), 500u);
}
