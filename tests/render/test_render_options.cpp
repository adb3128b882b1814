// korel-render's command line, frame timing and progress line.
#include <gtest/gtest.h>

#include "render/progress.h"
#include "render/render_options.h"

namespace korel {
namespace {

bool parse(std::vector<std::string> args, RenderOptions& o, std::string& error) {
    return parseRenderOptions(args, o, error);
}

TEST(RenderOptions, TakeEveryOptionAndRefuseWhatCannotBeRendered) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({"song.mp3", "-o", "out.mp4"}, o, error)) << error;
    EXPECT_EQ(o.width, 1280);
    EXPECT_EQ(o.height, 720);
    EXPECT_EQ(o.fps, 30);
    EXPECT_LT(o.to, 0);

    ASSERT_TRUE(parse({"--size", "1920x1080", "--fps", "60", "--from", "1:30", "--to", "100.5",
                       "--style", "Deep_Space", "--quiet", "song.mp3", "-o", "x.webm"},
                      o, error))
        << error;
    EXPECT_EQ(o.width, 1920);
    EXPECT_EQ(o.height, 1080);
    EXPECT_EQ(o.fps, 60);
    EXPECT_DOUBLE_EQ(o.from, 90.0);
    EXPECT_DOUBLE_EQ(o.to, 100.5);
    EXPECT_EQ(o.style, "Deep_Space");
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.song, "song.mp3");

    const std::vector<std::vector<std::string>> bad = {
        {"-o", "x.mp4"},                                  // no song
        {"song.mp3"},                                     // no output
        {"song.mp3", "-o"},                               // a value missing
        {"song.mp3", "-o", "x.mp4", "--size", "1280"},    // no height
        {"song.mp3", "-o", "x.mp4", "--size", "1281x720"},  // odd
        {"song.mp3", "-o", "x.mp4", "--size", "8x8"},     // too small
        {"song.mp3", "-o", "x.mp4", "--size", "99999999999x720"},
        {"song.mp3", "-o", "x.mp4", "--fps", "0"},
        {"song.mp3", "-o", "x.mp4", "--fps", "30.5"},
        {"song.mp3", "-o", "x.mp4", "--from", "-3"},
        {"song.mp3", "-o", "x.mp4", "--from", "nan"},
        {"song.mp3", "-o", "x.mp4", "--from", "20", "--to", "10"},
        {"song.mp3", "-o", "x.mp4", "--rave", "a.rav", "--style", "S"},
        {"song.mp3", "other.mp3", "-o", "x.mp4"},
        {"song.mp3", "-o", "x.mp4", "--frobnicate"},
    };
    for (const auto& args : bad) {
        error.clear();
        EXPECT_FALSE(parse(args, o, error)) << args.back();
        EXPECT_FALSE(error.empty()) << args.back();
    }
}

TEST(RenderOptions, FrameTimesStayOnTheMillisecondNearestTheirMediaTime) {
    EXPECT_EQ(frameTimeMs(0, 30), 0u);
    EXPECT_EQ(frameTimeMs(1, 30), 33u);
    EXPECT_EQ(frameTimeMs(2, 30), 67u);
    EXPECT_EQ(frameTimeMs(150, 30), 5000u);
    // Three hours in, no drift.
    EXPECT_EQ(frameTimeMs(3 * 3600 * 30 + 1, 30), 3u * 3600 * 1000 + 33);
    EXPECT_EQ(frameTimeMs(7, 24), 292u);
    EXPECT_EQ(firstFrameAt(0, 30), 0);
    EXPECT_EQ(firstFrameAt(7, 30), 210);
    EXPECT_EQ(firstFrameAt(7.01, 30), 211);
    EXPECT_EQ(firstFrameAt(1.0 / 3, 30), 10);
}

TEST(RenderProgress, TheLineShowsShareElapsedAndTimeLeft) {
    EXPECT_EQ(progressLine(0, 100, 0, 10), "[..........]   0%  0:00 elapsed, --:-- left");
    EXPECT_EQ(progressLine(25, 100, 30, 10), "[##........]  25%  0:30 elapsed, 1:30 left");
    EXPECT_EQ(progressLine(100, 100, 4000, 10), "[##########] 100%  1:06:40 elapsed, 0:00 left");
    // Nothing to do, or more done than asked: never past the bar's end.
    EXPECT_EQ(progressLine(5, 0, 1, 4), "[....]   0%  0:01 elapsed, --:-- left");
    EXPECT_EQ(progressLine(7, 5, 1, 4), "[####] 100%  0:01 elapsed, --:-- left");
    EXPECT_EQ(clockText(-1), "--:--");
    EXPECT_EQ(clockText(59.6), "1:00");
}

}  // namespace
}  // namespace korel
