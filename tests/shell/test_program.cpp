// The program's life: command line, single instance, start-up alerts, quitting, fatal exits.
#include <gtest/gtest.h>

#include "persist/preferences.h"
#include "platform/files.h"
#include "platform/headless/headless_cd.h"
#include "platform/headless/headless_sound.h"
#include "controls/controls.h"
#include "shell/conductor.h"
#include "shell/program.h"
#include "sound/sound_fixture.h"
#include "support/test_services.h"

using namespace korel;

namespace {

struct TestRun {
    explicit TestRun(Edition e = Edition::LIVE) : platform(800, 600), sound(platform), cd(platform) {
        sound.addLine("Line In", LineType::Line);
        cd.addDrive("/dev/sr0", "Headless CD");
        options.cdSystem = &cd;
        options.soundInput = &sound;
        options.dataFolder = temp.file("data");
        options.configFolder = temp.file("config");
        options.lockFolder = temp.path();
        options.seedFolder = KOREL_SEED_DIR;
        edition = e;
    }
    test::TempFolder temp;
    HeadlessPlatform platform;
    HeadlessSound sound;
    HeadlessCdSystem cd;
    ProgramOptions options;
    Edition edition;
};

// Passes until the queue is empty and one frame tick has run.
void pump(Program& p, HeadlessPlatform& hp) {
    for (int i = 0; i < 1000 && hp.hasPending() && p.phase() != Phase::Ended; ++i) p.pass();
    p.pass();
}

class AlertingProgram : public Program {
public:
    using Program::Program;

protected:
    void loadPreferences() override { showAlert("Held during start-up"); }
};

}  // namespace

TEST(SongClock, WrapsBelowTheOrigin) {
    EXPECT_EQ(songTime(5000, 1000), 4000u);
    // The tick count wrapped past 2^32 after the origin was taken.
    // (100 - origin) wraps to 0x164; the 2^31 taken off makes it 0x80000164, not 0x164.
    EXPECT_EQ(songTime(100, 0xFFFFFF00u), 0x80000164u);
}

TEST(Program, OnlyExactlyHHidesTheControls) {
    for (const char* line : {"H", "h", " H", "H x", ""}) {
        TestRun r;
        Program p(r.platform, r.edition, r.options);
        ASSERT_TRUE(p.start(line));
        EXPECT_EQ(r.platform.windowVisible(p.controlsWindow()), std::string(line) != "H") << line;
        EXPECT_TRUE(r.platform.windowVisible(p.animationWindow()));
    }
}

TEST(Program, WindowsHaveTheirTitlesAndSizes) {
    TestRun r;
    Program p(r.platform, r.edition, r.options);
    ASSERT_TRUE(p.start(""));
    EXPECT_EQ(r.platform.describe(p.animationWindow())->title, "Korel Animation");
    EXPECT_EQ(r.platform.windowRect(p.animationWindow()), (Rect{0, 0, 800, 600}));
    EXPECT_EQ(r.platform.describe(p.controlsWindow())->title, "Korel Controls");
    EXPECT_EQ(r.platform.windowRect(p.controlsWindow()).width(), 211);
    EXPECT_EQ(r.platform.windowRect(p.controlsWindow()).height(), 165);
    EXPECT_EQ(r.platform.describe(p.helpWindow())->title, "Korel Help");
    EXPECT_EQ(r.platform.describe(p.alertWindow())->title, "Alert");
    EXPECT_EQ(p.display().drawingSurface.width(), 800);
    // The folders of a first run.
    EXPECT_TRUE(folderExists(r.options.dataFolder + "/Raves"));
}

TEST(Program, AnAssetFolderLostFromTheDataFolderIsSeededAgain) {
    TestRun r;
    const std::string& data = r.options.dataFolder;
    auto count = [](const std::string& folder) {
        std::vector<std::string> names;
        return listFolder(folder, "", names) == 0 ? names.size() : size_t(0);
    };
    // Styles holds the user's own files (one under a bundled name); Brushes only the user's
    // brush; Fills is empty, as a shutdown leaves a missing one; the rest are gone.
    for (const char* f : {"Fills", "Styles", "Brushes"})
        ASSERT_EQ(createFolders(data + "/" + f), 0);
    ASSERT_EQ(writeFileReplacing(data + "/Styles/Night_Drive.sty", Bytes{7, 7}), 0);
    ASSERT_EQ(writeFileReplacing(data + "/Styles/Mine.sty", Bytes{8}), 0);
    ASSERT_EQ(writeFileReplacing(data + "/Brushes/Mine.bru", Bytes{9}), 0);
    {
        Program p(r.platform, r.edition, r.options);
        ASSERT_TRUE(p.start(""));
    }
    const std::string seed = KOREL_SEED_DIR;
    for (const char* f : {"Gradients", "Fills", "Movements", "Effects", "Music"}) {
        EXPECT_GT(count(seed + "/" + f), 0u) << f;
        EXPECT_EQ(count(data + "/" + f), count(seed + "/" + f)) << f;
    }
    // The user's folders and files are left as they were.
    Bytes b;
    ASSERT_EQ(readWholeFile(data + "/Styles/Night_Drive.sty", b), 0);
    EXPECT_EQ(b, (Bytes{7, 7}));
    EXPECT_EQ(count(data + "/Styles"), 2u);
    EXPECT_EQ(count(data + "/Brushes"), 1u);
}

TEST(Program, ASecondInstanceEndsSilently) {
    TestRun r;
    Program first(r.platform, r.edition, r.options);
    ASSERT_TRUE(first.start(""));
    HeadlessPlatform other;
    Program second(other, r.edition, r.options);
    EXPECT_FALSE(second.start(""));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(other.windows().empty());
    EXPECT_EQ(other.beepCount(), 0);
    // The first goes on untouched.
    pump(first, r.platform);
    EXPECT_EQ(first.phase(), Phase::Running);
}

TEST(Program, AnAlertRaisedDuringStartUpIsShownAfterIt) {
    TestRun r;
    AlertingProgram p(r.platform, r.edition, r.options);
    ASSERT_TRUE(p.start(""));
    EXPECT_TRUE(p.shell().alertShowing);
    EXPECT_TRUE(r.platform.windowVisible(p.alertWindow()));
    EXPECT_EQ(p.shell().pendingMessage, "Held during start-up");
    EXPECT_FALSE(r.platform.windowEnabled(p.controlsWindow()));

    // A second alert replaces the text in the same window; every call beeps.
    int beeps = r.platform.beepCount();
    p.showAlert("Second");
    EXPECT_EQ(p.shell().pendingMessage, "Second");
    EXPECT_EQ(r.platform.beepCount(), beeps + 1);

    // Enter dismisses it and gives the windows back.
    r.platform.pushChar(p.alertWindow(), 13);
    pump(p, r.platform);
    EXPECT_FALSE(p.shell().alertShowing);
    EXPECT_FALSE(r.platform.windowVisible(p.alertWindow()));
    EXPECT_TRUE(r.platform.windowEnabled(p.controlsWindow()));

    // So does a click on OK.
    p.showAlert("Third");
    r.platform.pushClick(p.alertWindow(), 100, 90);
    pump(p, r.platform);
    EXPECT_FALSE(p.shell().alertShowing);
}

TEST(Program, ClosingTheControlsQuitsThroughTheClosingLoop) {
    for (Edition e : {Edition::CD, Edition::MP3, Edition::LIVE}) {
        TestRun r(e);
        Program p(r.platform, r.edition, r.options);
        ASSERT_TRUE(p.start(""));
        // A stale temporary file is cleared at shutdown.
        ASSERT_EQ(createFolders(r.options.dataFolder + "/Brushes"), 0);
        ASSERT_EQ(writeFileReplacing(r.options.dataFolder + "/Brushes/x.bru_", Bytes{1}), 0);
        ASSERT_EQ(writeFileReplacing(r.options.dataFolder + "/Brushes/keep.bru", Bytes{1}), 0);
        r.platform.pushClose(p.controlsWindow());
        pump(p, r.platform);
        EXPECT_EQ(p.phase(), Phase::Closing);
        r.platform.advance(4000);
        pump(p, r.platform);
        EXPECT_EQ(p.phase(), Phase::Closing);
        r.platform.advance(600);
        for (int i = 0; i < 10 && p.phase() != Phase::Ended; ++i) p.pass();
        EXPECT_EQ(p.phase(), Phase::Ended);
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_FALSE(fileExists(r.options.dataFolder + "/Brushes/x.bru_"));
        EXPECT_TRUE(fileExists(r.options.dataFolder + "/Brushes/keep.bru"));
        for (const char* f : {"Gradients", "Fills", "Movements", "Effects"})
            EXPECT_TRUE(folderExists(r.options.dataFolder + "/" + f)) << f;
        EXPECT_TRUE(r.platform.windows().empty());
    }
}

TEST(Program, TheClosingLastsItsTimeAcrossTheTickCountsWrap) {
    TestRun r;
    Program p(r.platform, r.edition, r.options);
    ASSERT_TRUE(p.start(""));
    r.platform.setTime(0xFFFFFFFFu - 1000);
    p.quitProgram();
    pump(p, r.platform);
    ASSERT_EQ(p.phase(), Phase::Closing);
    r.platform.advance(2000);  // past the wrap
    pump(p, r.platform);
    EXPECT_EQ(p.phase(), Phase::Closing);
    r.platform.advance(2600);
    for (int i = 0; i < 10 && p.phase() != Phase::Ended; ++i) p.pass();
    EXPECT_EQ(p.phase(), Phase::Ended);
}

TEST(Program, AClickOnTheAnimationEndsTheClosingAtOnce) {
    TestRun r;
    Program p(r.platform, r.edition, r.options);
    ASSERT_TRUE(p.start(""));
    r.platform.setTime(100000);
    p.quitProgram();
    pump(p, r.platform);
    ASSERT_EQ(p.phase(), Phase::Closing);
    r.platform.pushClick(p.animationWindow(), 5, 5);
    for (int i = 0; i < 10 && p.phase() != Phase::Ended; ++i) p.pass();
    EXPECT_EQ(p.phase(), Phase::Ended);
}

TEST(Program, Mp3EditionReadsTheOutputVolumeAndWritesItBack) {
    TestRun r(Edition::MP3);
    r.sound.speakerVolume = 50000;
    Program p(r.platform, r.edition, r.options);
    ASSERT_TRUE(p.start(""));
    EXPECT_EQ(p.conductor().sound().devices.outputVolume, 194);
    EXPECT_EQ(r.sound.log, std::vector<std::string>{"speaker 49858"});
}

namespace {
struct BeatCount : TraceSink {
    int beats = 0;
    void beat(uint32_t, int) override { ++beats; }
    void change(uint32_t, int, int) override {}
};
}  // namespace

TEST(Program, WithoutASoundServerItAlertsRunsOnTempoAndListensOnceOneAppears) {
    TestRun r;
    r.sound.killServer();
    r.sound.setSamples(test::tone(72, 100, 2), true);
    Program p(r.platform, r.edition, r.options);
    ASSERT_TRUE(p.start(""));
    EXPECT_TRUE(p.shell().alertShowing);
    EXPECT_EQ(p.shell().pendingMessage,
              "Unable to open sound input device! Close any applications that may be recording.");
    Conductor& c = p.conductor();
    ASSERT_TRUE(p.visual().switchOn(vs::kSwitchListening));
    BeatCount trace;
    c.setTrace(&trace);
    auto run = [&](uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 10) {
            r.platform.advance(10);
            pump(p, r.platform);
        }
    };
    run(9000);
    EXPECT_GE(trace.beats, 2) << "tempo beats drive the animation";
    EXPECT_FALSE(c.sound().devices.inputOpen);

    r.sound.startServer();
    run(1100);
    EXPECT_TRUE(c.sound().devices.inputOpen);
    EXPECT_TRUE(r.sound.capturing());
    EXPECT_EQ(p.phase(), Phase::Running);
    c.setTrace(nullptr);
}

TEST(Program, ATerminateRequestEndsEveryStateKeepingWhatAQuitKeeps) {
    auto terminate = [](HeadlessPlatform& hp) {
        Event e;
        e.kind = EventKind::Terminate;
        hp.pushEvent(e);
    };
    auto kept = [](const TestRun& r) {
        return fileExists(r.options.dataFolder + "/Styles/Last_Session.sty") &&
               fileExists(r.options.configFolder + "/" + preferencesFileName(Edition::LIVE));
    };
    {
        SCOPED_TRACE("an alert open while running");
        TestRun r;
        Program p(r.platform, r.edition, r.options);
        ASSERT_TRUE(p.start(""));
        p.showAlert("Not a valid style file!");
        ASSERT_FALSE(kept(r));
        terminate(r.platform);
        pump(p, r.platform);
        EXPECT_EQ(p.phase(), Phase::Ended);  // no closing animation
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_FALSE(p.shell().alertShowing);
        EXPECT_TRUE(r.platform.windows().empty());
        EXPECT_TRUE(kept(r));
    }
    {
        SCOPED_TRACE("an alert open when the closing animation is over");
        TestRun r;
        Program p(r.platform, r.edition, r.options);
        ASSERT_TRUE(p.start(""));
        r.platform.setTime(100000);
        p.quitProgram();
        p.showAlert("File write error!");
        r.platform.advance(6000);
        pump(p, r.platform);
        ASSERT_EQ(p.phase(), Phase::Closing);  // the alert holds the closing loop
        terminate(r.platform);
        pump(p, r.platform);
        EXPECT_EQ(p.phase(), Phase::Ended);
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(r.platform.windows().empty());
        EXPECT_TRUE(kept(r));
    }
    {
        SCOPED_TRACE("in the middle of the closing animation");
        TestRun r;
        Program p(r.platform, r.edition, r.options);
        ASSERT_TRUE(p.start(""));
        p.quitProgram();
        pump(p, r.platform);
        terminate(r.platform);
        pump(p, r.platform);
        EXPECT_EQ(p.phase(), Phase::Ended);
    }
    {
        SCOPED_TRACE("during start-up");
        TestRun r;
        terminate(r.platform);
        Program p(r.platform, r.edition, r.options);
        EXPECT_FALSE(p.start(""));
        EXPECT_EQ(p.phase(), Phase::Ended);
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(r.platform.windows().empty());
    }
}

TEST(ProgramDeathTest, FatalFailuresLeaveTheirNameInErrorTxt) {
    // Forked children share this test's temporary folder.
    GTEST_FLAG_SET(death_test_style, "fast");
    TestRun r;
    // Before the data folder is known the file goes to the current folder.
    r.options.currentFolder = r.temp.path();
    auto failMonitor = [&] {
        HeadlessPlatform hp;
        hp.setMonitorAvailable(false);
        Program p(hp, r.edition, r.options);
        p.start("");
    };
    EXPECT_EXIT(failMonitor(), ::testing::ExitedWithCode(0), "Korel: fatal: Monitor\n");
    Bytes b;
    ASSERT_EQ(readWholeFile(r.temp.file("error.txt"), b), 0);
    EXPECT_EQ(std::string(b.begin(), b.end()), "Monitor");

    // A later failure, once the data folder is known, replaces the content there.
    ASSERT_EQ(createFolders(r.options.dataFolder), 0);
    ASSERT_EQ(writeFileReplacing(r.options.dataFolder + "/error.txt", Bytes(20, 'x')), 0);
    auto failControls = [&] {
        HeadlessPlatform hp;
        HeadlessSound hs(hp);
        hs.addLine("Line In", LineType::Line);
        r.options.soundInput = &hs;
        hp.failWindowsTitled("Korel Controls");
        Program p(hp, r.edition, r.options);
        p.start("");
    };
    EXPECT_EXIT(failControls(), ::testing::ExitedWithCode(0), "Korel: fatal: Controls\n");
    ASSERT_EQ(readWholeFile(r.options.dataFolder + "/error.txt", b), 0);
    EXPECT_EQ(std::string(b.begin(), b.end()), "Controls");

    // The MP3 edition sets up its sound too: a server without an output device is fatal.
    auto failMp3Sound = [&] {
        HeadlessPlatform hp;
        HeadlessSound hs(hp);
        hs.outputs.clear();
        r.options.soundInput = &hs;
        Program p(hp, Edition::MP3, r.options);
        p.start("");
    };
    EXPECT_EXIT(failMp3Sound(), ::testing::ExitedWithCode(0), "Korel: fatal: NoSoundMixers\n");
    ASSERT_EQ(readWholeFile(r.options.dataFolder + "/error.txt", b), 0);
    EXPECT_EQ(std::string(b.begin(), b.end()), "NoSoundMixers");

    // A data folder that cannot be made is fatal with "CreateFolder".
    ASSERT_EQ(writeFileReplacing(r.temp.file("plain-file"), Bytes{1}), 0);
    r.options.dataFolder = r.temp.file("plain-file/data");
    auto failFolder = [&] {
        HeadlessPlatform hp;
        Program p(hp, r.edition, r.options);
        p.start("");
    };
    EXPECT_EXIT(failFolder(), ::testing::ExitedWithCode(0), "");
    ASSERT_EQ(readWholeFile(r.temp.file("error.txt"), b), 0);
    EXPECT_EQ(std::string(b.begin(), b.end()), "CreateFolder");
}

TEST(Program, AScreenSaverRunHidesTheControlsAndEndsOnAKeyOrAClick) {
    for (Edition e : {Edition::MP3, Edition::CD}) {
        for (bool byKey : {true, false}) {
            TestRun r(e);
            // The launcher marked the preferences: this run is the screen saver's.
            Bytes bytes;
            for (uint8_t b : saverDefaultPreferences()) bytes.push_back(b);
            if (e == Edition::MP3) bytes.insert(bytes.end(), 28, 0);
            ASSERT_EQ(createFolders(r.options.configFolder), 0);
            ASSERT_EQ(writeFileReplacing(r.options.configFolder + "/" + preferencesFileName(e), bytes), 0);
            Program p(r.platform, r.edition, r.options);
            ASSERT_TRUE(p.start(""));
            EXPECT_TRUE(p.shell().screenSaverMode);
            EXPECT_FALSE(p.controls().visible());
            r.platform.advance(500);
            pump(p, r.platform);
            const WindowId anim = p.display().animationWindow;
            if (byKey) r.platform.pushKey(anim, 'A');
            else r.platform.pushClick(anim, 10, 10);
            pump(p, r.platform);
            EXPECT_NE(p.phase(), Phase::Running) << (byKey ? "a key" : "a click");
            r.platform.advance(6000);
            for (int i = 0; i < 20 && p.phase() != Phase::Ended; ++i) p.pass();
            EXPECT_EQ(p.phase(), Phase::Ended);
            // The next start is the user's own again.
            Bytes after;
            ASSERT_EQ(readWholeFile(r.options.configFolder + "/" + preferencesFileName(e), after), 0);
            EXPECT_EQ(after[1], 0);
        }
    }
}

TEST(Program, OnlyARunTheScreenSaverStartedAsksItsLauncherToEnd) {
    auto terminate = [](HeadlessPlatform& hp) {
        Event e;
        e.kind = EventKind::Terminate;
        hp.pushEvent(e);
    };
    for (bool launched : {false, true}) {
        SCOPED_TRACE(launched ? "started by the screen saver" : "started by the user");
        TestRun r(Edition::MP3);
        auto bytes = saverDefaultPreferences();
        bytes[1] = launched ? 1 : 0;
        ASSERT_EQ(createFolders(r.options.configFolder), 0);
        ASSERT_EQ(writeFileReplacing(r.options.configFolder + "/" +
                                         preferencesFileName(Edition::MP3),
                                     Bytes(bytes.begin(), bytes.end())),
                  0);
        Program p(r.platform, r.edition, r.options);
        ASSERT_TRUE(p.start(""));
        EXPECT_EQ(r.platform.screenSaverEndRequests(), 0);
        terminate(r.platform);
        pump(p, r.platform);
        ASSERT_EQ(p.phase(), Phase::Ended);
        EXPECT_EQ(r.platform.screenSaverEndRequests(), launched ? 1 : 0);
        // The launcher is told only once the last session is on disk.
        EXPECT_TRUE(fileExists(r.options.dataFolder + "/Styles/Last_Session.sty"));
    }
}
