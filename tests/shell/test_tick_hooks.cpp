// The frame tick's attach points: a song that has ended stops the tick's work, a rave that
// replays stands in for the beats, and the controls' display hears of meters and half seconds.
#include <gtest/gtest.h>

#include "platform/headless/headless_sound.h"
#include "shell/conductor.h"
#include "shell/program.h"
#include "support/running_program.h"

using namespace korel;

namespace {

struct Hooks : SongWatch, RaveReplay, TickDisplay {
    uint32_t songEndsAt = kNeverTime;
    uint32_t raveEndsAt = 0;
    int meters = 0;
    int halfSeconds = 0;
    int hover = 0;
    bool songEnded(uint32_t t) override { return t >= songEndsAt; }
    bool replayStep(uint32_t t) override { return t < raveEndsAt; }
    void redrawMeters(uint8_t, bool) override { ++meters; }
    void halfSecond(uint32_t) override { ++halfSeconds; }
    void updateHoverHelp() override { ++hover; }
};

}  // namespace

TEST(TickHooks, SongEndRaveReplayAndDisplay) {
    test::RunningLive r(320, 240);
    ASSERT_TRUE(r.ok);
    Program& p = *r.program;
    HeadlessPlatform& platform = r.platform;
    Conductor& c = p.conductor();
    Hooks h;
    h.raveEndsAt = 3000;
    c.attach({&h, &h, &h});

    auto run = [&](uint32_t until) {
        while (p.songClock() < until) {
            platform.advance(10);
            c.frameTick();
        }
    };
    // While the rave replays, neither detection nor the tempo redraws the meters.
    run(2900);
    EXPECT_EQ(h.meters, 0);
    EXPECT_GE(h.halfSeconds, 5);
    EXPECT_GT(h.hover, 0);
    // After its end the beats come from the sound or the tempo again.
    run(6000);
    EXPECT_GT(h.meters, 0);

    // Once the song has ended the tick does nothing of the song's but the hover help.
    h.songEndsAt = p.songClock();
    const int meters = h.meters, halves = h.halfSeconds, hover = h.hover;
    run(p.songClock() + 2000);
    EXPECT_EQ(h.meters, meters);
    EXPECT_EQ(h.halfSeconds, halves);
    EXPECT_GT(h.hover, hover);
}
