// The LIVE edition's transport: Pause holds the animation's time, Play resumes it where it was,
// Stop clears the picture and starts the time again.
#include <gtest/gtest.h>

#include "platform/headless/headless_sound.h"
#include "shell/conductor.h"
#include "shell/program.h"
#include "support/running_program.h"

using namespace korel;

TEST(LiveTransport, PausePlayAndStop) {
    test::RunningLive r(320, 240);
    ASSERT_TRUE(r.ok);
    Program& p = *r.program;
    HeadlessPlatform& platform = r.platform;
    Conductor& c = p.conductor();
    ASSERT_TRUE(c.playing());

    platform.advance(1000);
    const uint32_t before = p.songClock();
    c.pause();
    EXPECT_TRUE(c.paused());
    EXPECT_FALSE(c.playing());
    platform.advance(5000);
    c.play();
    EXPECT_TRUE(c.playing());
    // The five paused seconds do not count.
    EXPECT_EQ(p.songClock(), before);

    platform.advance(2000);
    for (int i = 0; i < 10; ++i) p.pass();
    c.stop();
    EXPECT_FALSE(c.playing());
    EXPECT_EQ(p.songClock(), 0u);
    const Surface& s = p.display().drawingSurface;
    bool black = true;
    for (int y = 0; y < s.height() && black; ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.at(x, y) != 0) {
                black = false;
                break;
            }
    EXPECT_TRUE(black);
    // Nothing is drawn while stopped; Play starts again from the kept state.
    platform.advance(3000);
    for (int i = 0; i < 10; ++i) p.pass();
    EXPECT_EQ(s.at(160, 120), 0);
    c.play();
    EXPECT_TRUE(c.playing());
    EXPECT_EQ(p.songClock(), 0u);
}
