// End to end through a real sound server: a synthesized 120 beats-per-minute kick whose bass is
// at 72 Hz, played into the server's default sink, is heard by korel-live on that sink's monitor,
// and the beats in its trace match the kicks in number and timing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <sstream>
#include <thread>

#include "e2e/e2e_support.h"
#include "platform/files.h"

namespace korel::e2e {
namespace {

constexpr int kKicks = 32;  // 16 s
constexpr double kBpm = 120;
constexpr double kBassHz = 72;  // the default listening frequency
constexpr int kIntervalMs = 500;
constexpr int kRate = 44100;
constexpr double kLeadSeconds = 1.0;
// The tolerance: every beat lies within 40 ms of the kick grid fitted to the beats (the grid's
// start is the median offset, since when playback starts is not known to the program), and so
// every beat-to-beat interval lies within 500 +- 80 ms. The capture delivers pieces of about
// 10 ms, the analysis window at 72 Hz is 42 ms and a frame tick of the full-screen animation
// takes a few ms; together they move a detection by 10-20 ms.
constexpr int kToleranceMs = 40;

void pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// What the sound server has: its default sink and source and every source's name, in the
// server's order.
struct Server {
    std::string defaultSink, defaultSource;
    std::vector<std::string> sources;
};

bool readServer(Server& s) {
    const ToolResult info = runTool({"pactl", "info"});
    const ToolResult list = runTool({"pactl", "list", "short", "sources"});
    if (!info.ran || info.exitCode != 0 || !list.ran || list.exitCode != 0) return false;
    std::istringstream in(info.out);
    std::string line;
    auto field = [&](const char* label, std::string& out) {
        if (line.rfind(label, 0) == 0) out = line.substr(std::string(label).size());
    };
    while (std::getline(in, line)) {
        field("Default Sink: ", s.defaultSink);
        field("Default Source: ", s.defaultSource);
    }
    std::istringstream rows(list.out);
    while (std::getline(rows, line)) {
        std::istringstream words(line);
        std::string index, name;
        if (words >> index >> name) s.sources.push_back(name);
    }
    return !s.defaultSink.empty();
}

// Puts the server's default source back as it was.
struct DefaultSourceGuard {
    std::string previous;
    ~DefaultSourceGuard() {
        if (!previous.empty()) runTool({"pactl", "set-default-source", previous});
    }
};

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(Listening, DetectsEveryKickOfA120BpmSongPlayedIntoTheSink) {
    KOREL_E2E_REQUIRE_SESSION();
    Server server;
    if (!readServer(server)) GTEST_SKIP() << "pactl cannot reach the sound server";
    const ToolResult paplay = runTool({"paplay", "--version"});
    if (!paplay.ran || paplay.exitCode != 0) GTEST_SKIP() << "paplay is not available";
    // korel-live opens the server's default source and then records from the last of its input
    // channels, ordered by kind; the sink monitors are of one kind, so when every source is a
    // monitor that is the last one the server lists. Elsewhere the test could not tell which
    // input it hears.
    const std::string monitor = server.defaultSink + ".monitor";
    const bool onlyMonitors =
        std::all_of(server.sources.begin(), server.sources.end(),
                    [](const std::string& name) { return endsWith(name, ".monitor"); });
    if (!onlyMonitors || server.sources.empty() || server.sources.back() != monitor) {
        GTEST_SKIP() << "the sound server has recording sources besides the sink monitors, or "
                        "the default sink's monitor is not the last one";
    }
    DefaultSourceGuard guard{server.defaultSource};
    const ToolResult set = runTool({"pactl", "set-default-source", monitor});
    ASSERT_TRUE(set.ran && set.exitCode == 0);

    RunFolders folders;
    ASSERT_TRUE(folders.ok());
    // The soft off-beat bass note is what any bass line gives: after a beat the detector
    // re-arms only once the meter has risen by the sensitivity or less, and kicks that decay into
    // digital silence rarely rise that little, so without it about half of them go unheard.
    const std::string song = folders.file("kicks.wav");
    ASSERT_EQ(writeFileReplacing(
                  song, wavFile(kickSong(kKicks, kBpm, kBassHz, kRate, kLeadSeconds, true), kRate)),
              0);

    auto desktop = makeDesktopPlatform();
    ASSERT_TRUE(desktop);
    ProgramRun run(*desktop, kLiveProgram, folders);
    std::string error;
    ASSERT_TRUE(run.startAndWaitForWindows(30000, error)) << error;
    pause(1500);  // the animation (and the capture) has started by now

    Child player;
    ASSERT_TRUE(player.start({"paplay", "--device=" + server.defaultSink, song},
                             environmentWith({}), folders.file("paplay.log"), true));
    const int songMs = int((kLeadSeconds + kKicks * 60 / kBpm + 0.5) * 1000);
    ASSERT_TRUE(player.waitExit(songMs + 15000)) << "paplay did not end";
    ASSERT_EQ(player.exitCode(), 0) << "paplay failed";
    pause(1000);

    int elapsed = 0;
    ASSERT_TRUE(run.closeControlsAndWait(10000, elapsed));
    ASSERT_EQ(run.child().exitCode(), 0) << run.log();

    std::vector<TraceLine> trace;
    ASSERT_TRUE(readTrace(folders.trace(), trace, error)) << error;
    std::string seen;
    const std::vector<int64_t> beats = beatTimes(trace, seen);
    std::cout << "beats (time, level):" << seen << '\n';
    ASSERT_EQ(int(beats.size()), kKicks) << "beats:" << seen;

    std::vector<int64_t> offsets;
    for (size_t i = 0; i < beats.size(); ++i)
        offsets.push_back(beats[i] - int64_t(i) * kIntervalMs);
    std::vector<int64_t> sorted = offsets;
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    const int64_t grid = sorted[sorted.size() / 2];
    int64_t worst = 0;
    for (size_t i = 0; i < beats.size(); ++i) {
        const int64_t miss = offsets[i] - grid;
        worst = std::max<int64_t>(worst, std::llabs(miss));
        EXPECT_LE(std::llabs(miss), kToleranceMs) << "beat " << i << " at " << beats[i];
    }
    std::cout << "largest distance from the kick grid: " << worst << " ms\n";
}

}  // namespace
}  // namespace korel::e2e
