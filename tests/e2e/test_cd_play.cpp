// korel-cd plays a disc image through the sound server: the sink's monitor hears the track, the
// CD edition listens to that monitor, and the kicks on the disc give the beats.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "e2e/e2e_support.h"
#include "platform/files.h"
#include "support/disc_image.h"

namespace korel::e2e {
namespace {

TEST(CdPlay, ATrackOfADiscImageIsHeardAndItsKicksAreBeats) {
    KOREL_E2E_REQUIRE_SESSION();
    const ToolResult info = runTool({"pactl", "info"});
    if (!info.ran || info.exitCode != 0) GTEST_SKIP() << "pactl cannot reach the sound server";

    RunFolders folders;
    ASSERT_TRUE(folders.ok());
    // A disc of two tracks of music with a kick every 600 ms, given as the drive to use.
    test::DiscTrack track;
    track.seconds = 30;
    track.bpm = 100;
    track.firstKick = 0.3;
    const std::string cue = test::writeDiscImage(folders.root(), "groove", {track, track});
    ASSERT_FALSE(cue.empty());

    auto desktop = makeDesktopPlatform();
    ASSERT_TRUE(desktop);
    ::setenv("KOREL_CD_DEVICE", cue.c_str(), 1);
    ProgramRun run(*desktop, kCdProgram, folders);
    std::string error;
    const bool started = run.startAndWaitForWindows(30000, error);
    ::unsetenv("KOREL_CD_DEVICE");
    ASSERT_TRUE(started) << error;
    std::this_thread::sleep_for(std::chrono::milliseconds(12000));
    int elapsed = 0;
    ASSERT_TRUE(run.closeControlsAndWait(10000, elapsed));
    ASSERT_EQ(run.child().exitCode(), 0) << run.log();
    EXPECT_FALSE(fileExists(folders.data() + "/error.txt"));

    // The disc was recognised: its folder and list exist.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folders.data() + "/Raves"))
        names.push_back(e.path().filename().string());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind("Unnamed", 0), 0u) << names[0];
    EXPECT_TRUE(fileExists(folders.data() + "/Raves/" + names[0] + "/Unnamed.cds"));

    std::vector<TraceLine> trace;
    ASSERT_TRUE(readTrace(folders.trace(), trace, error)) << error;
    std::string seen;
    const std::vector<int64_t> beats = beatTimes(trace, seen);
    std::cout << "beats (time, level):" << seen << '\n';
    // Each kick is heard on the sink's monitor and gives a beat soon after it.
    ASSERT_GE(beats.size(), 10u) << seen;
    const std::vector<double> kicks = test::discKickTimes(track);
    int onKicks = 0;
    for (int64_t b : beats) {
        for (double k : kicks) {
            const int64_t since = b - int64_t(k * 1000);
            if (since >= 0 && since < 150) {
                ++onKicks;
                break;
            }
        }
    }
    EXPECT_GE(onKicks, int(beats.size() * 8 / 10)) << seen;
}

}  // namespace
}  // namespace korel::e2e
