// korel-mp3 plays a song of its songlist through the sound server: the sink's monitor hears it,
// and the decoded music gives one beat per kick.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <iostream>
#include <thread>

#include "e2e/e2e_support.h"
#include "platform/files.h"
#include "playback/songlist.h"
#include "support/groove.h"

namespace korel::e2e {
namespace {

using test::Groove;

// The value after `label` on its line of pactl's output.
std::string serverField(const std::string& info, const std::string& label) {
    const size_t at = info.find(label);
    if (at == std::string::npos) return {};
    const size_t from = at + label.size();
    return info.substr(from, info.find('\n', from) - from);
}

// The loudest sample parec records from the sink's monitor in `ms`.
int loudestHeard(const RunFolders& folders, const std::string& sink, int ms) {
    const std::string raw = folders.file("heard.raw");
    Child rec;
    if (!rec.start({"parec", "--device=" + sink + ".monitor", "--format=s16le", "--rate=11025",
                    "--channels=1", "--file-format=raw", raw},
                   environmentWith({}), folders.file("parec.log"), true))
        return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    rec.stop(2000);
    Bytes b;
    if (readWholeFile(raw, b) != 0) return -1;
    int loudest = 0;
    for (size_t i = 0; i + 1 < b.size(); i += 2)
        loudest = std::max(loudest, std::abs(int(int16_t(uint16_t(b[i] | b[i + 1] << 8)))));
    return loudest;
}

TEST(Mp3Play, TheSongIsHeardOnTheSinkAndItsKicksAreBeats) {
    KOREL_E2E_REQUIRE_SESSION();
    const ToolResult info = runTool({"pactl", "info"});
    if (!info.ran || info.exitCode != 0) GTEST_SKIP() << "pactl cannot reach the sound server";
    if (!runTool({"parec", "--version"}).ran) GTEST_SKIP() << "parec is not available";
    // The program plays into the default sink.
    const std::string sink = serverField(info.out, "Default Sink: ");
    if (sink.empty()) GTEST_SKIP() << "the sound server has no default sink";

    RunFolders folders;
    ASSERT_TRUE(folders.ok());
    // The groove is the only song of the first songlist.
    const std::string song = folders.file("groove.wav");
    ASSERT_EQ(writeFileReplacing(song, test::grooveWav(44100)), 0);
    ASSERT_EQ(createFolders(joinPath(folders.data(), "Songlists")), 0);
    Songlist list;
    list.entries = {songEntryForFile(song)};
    ASSERT_EQ(writeFileReplacing(joinPath(folders.data(), "Songlists/My_Songlist.sls"),
                                 encodeSonglist(list)),
              0);

    auto desktop = makeDesktopPlatform();
    ASSERT_TRUE(desktop);
    ProgramRun run(*desktop, kMp3Program, folders);
    std::string error;
    ASSERT_TRUE(run.startAndWaitForWindows(30000, error)) << error;
    const int heard = loudestHeard(folders, sink, 4000);
    std::this_thread::sleep_for(std::chrono::milliseconds(8000));
    int elapsed = 0;
    ASSERT_TRUE(run.closeControlsAndWait(10000, elapsed));
    ASSERT_EQ(run.child().exitCode(), 0) << run.log();
    // The kicks are at 80 % of full scale.
    EXPECT_GT(heard, 8000) << "the sink's monitor did not hear the song";

    std::vector<TraceLine> trace;
    ASSERT_TRUE(readTrace(folders.trace(), trace, error)) << error;
    std::string seen;
    const std::vector<int64_t> beats = beatTimes(trace, seen);
    std::cout << "beats (time, level):" << seen << '\n';
    // The song time is the song's own: each kick gives a beat soon after it, nothing else does.
    ASSERT_GE(beats.size(), 18u) << seen;
    int onKicks = 0;
    for (int64_t b : beats) {
        const int64_t sinceKick = (b - Groove::kFirstKickMs) % Groove::kIntervalMs;
        if (b >= Groove::kFirstKickMs && sinceKick < 120) ++onKicks;
    }
    EXPECT_GE(onKicks, int(beats.size()) - 1) << seen;
}

}  // namespace
}  // namespace korel::e2e
