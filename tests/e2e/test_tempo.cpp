// End to end with listening off: korel-live restores a last session whose tempo is 120 beats per
// minute, beats come from that tempo every 500 ms, every change happens on one of those beats,
// and the screen visibly paints, cycles and changes (a series of screenshots).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "e2e/e2e_support.h"
#include "persist/program_files.h"
#include "persist/styles.h"
#include "persist/visual_state.h"
#include "platform/files.h"
#include "shell/data_folder.h"
#include "support/test_services.h"

namespace korel::e2e {
namespace {

constexpr uint16_t kTempo = 12000;  // 120.00 beats per minute
constexpr uint32_t kIntervalMs = 500;
constexpr int kShots = 4;
constexpr int kShotSpacingMs = 1200;
constexpr int kRunMs = 6000;  // from the windows' appearance to the close request

// Seeds the data folder as a first run would and puts a last session with listening off and
// the tempo in its "Styles" folder.
void prepareDataFolder(const RunFolders& folders) {
    ASSERT_EQ(seedDataFolder(KOREL_SEED_DIR, folders.data()), 0);
    test::TestServices services(Edition::LIVE);
    services.shell().dataFolder = folders.data();
    VisualState record = defaultVisualState();
    record.setSwitch(vs::kSwitchListening, false);
    record.setTempo(kTempo);
    ASSERT_TRUE(writeStyle(services, record, kLastSessionName));
    ASSERT_TRUE(services.alerts.empty()) << services.alerts.front();
}

TEST(Tempo, WithListeningOffChangesComeOnTempoBeatsAndTheScreenMoves) {
    KOREL_E2E_REQUIRE_SESSION();
    RunFolders folders;
    ASSERT_TRUE(folders.ok());
    prepareDataFolder(folders);
    if (HasFatalFailure()) return;

    auto desktop = makeDesktopPlatform();
    ASSERT_TRUE(desktop);
    ProgramRun run(*desktop, kLiveProgram, folders);
    std::string error;
    ASSERT_TRUE(run.startAndWaitForWindows(30000, error)) << error;
    const auto shown = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(800));

    // About six seconds of animation, photographed as it goes.
    std::vector<Picture> shots;
    bool photographed = true;
    for (int i = 0; i < kShots; ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(kShotSpacingMs));
        const std::string shot = folders.file("shot" + std::to_string(i) + ".ppm");
        Picture p;
        if (!photographed || !takeScreenshot(shot) || !readPpm(shot, p)) {
            photographed = false;
            continue;
        }
        shots.push_back(std::move(p));
        // KOREL_E2E_SHOTS names a folder that keeps the screenshots for a look.
        if (const char* keep = std::getenv("KOREL_E2E_SHOTS"))
            copyFile(shot, joinPath(keep, "tempo-shot" + std::to_string(i) + ".ppm"));
    }

    std::this_thread::sleep_until(shown + std::chrono::milliseconds(kRunMs));

    int elapsed = 0;
    ASSERT_TRUE(run.closeControlsAndWait(10000, elapsed));
    ASSERT_EQ(run.child().exitCode(), 0) << run.log();

    std::vector<TraceLine> trace;
    ASSERT_TRUE(readTrace(folders.trace(), trace, error)) << error;
    // Generated beats carry their scheduled time: beat n falls at exactly n intervals, with the
    // full meter snapshot. The changes before the first beat are the restored session's.
    std::vector<uint32_t> beats;
    int changesOnBeats = 0;
    for (const TraceLine& t : trace) {
        if (t.kind == TraceLine::Beat) {
            beats.push_back(t.time);
            EXPECT_EQ(t.level, 64);
            EXPECT_EQ(t.time, kIntervalMs * beats.size()) << "beat " << beats.size();
        } else if (!beats.empty()) {
            EXPECT_EQ(t.time, beats.back())
                << "change " << t.code << " " << t.value << " between beats";
            ++changesOnBeats;
        }
    }
    std::cout << beats.size() << " beats, " << changesOnBeats << " changes on them\n";
    EXPECT_GE(beats.size(), size_t(kRunMs / kIntervalMs) - 2);
    EXPECT_GE(changesOnBeats, 3);

    if (!photographed) {
        std::cout
            << "no screenshot could be taken (ImageMagick's import): the screen is not checked\n";
        return;
    }
    ASSERT_EQ(int(shots.size()), kShots);
    for (size_t i = 0; i < shots.size(); ++i) {
        // The bottom 40% of the screen shows only the animation (the controls and help windows
        // are at the top). A gradient may map most of a fill to one colour, but not all of it.
        const Picture animation = rows(shots[i], shots[i].height * 6 / 10, shots[i].height);
        EXPECT_GE(distinctColours(animation), 4) << "screenshot " << i << " is not painted";
        EXPECT_LT(commonestShare(animation), 0.95) << "screenshot " << i << " is nearly one colour";
        if (i > 0) {
            const double moved = differingShare(shots[i - 1], shots[i]);
            std::cout << "screenshots " << i - 1 << " and " << i << " differ in "
                      << int(moved * 100) << "% of the pixels\n";
            EXPECT_GT(moved, 0.05) << "screenshots " << i - 1 << " and " << i;
        }
    }
}

}  // namespace
}  // namespace korel::e2e
