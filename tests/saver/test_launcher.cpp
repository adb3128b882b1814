// The screen-saver launcher: which command lines start what, the preferences flag it leaves for
// the edition, where it finds the edition and the logo, and how it ends the edition's run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "persist/preferences.h"
#include "platform/files.h"
#include "platform/process.h"
#include "saver/launcher.h"
#include "support/test_services.h"

using namespace korel;

namespace {

SaverRequest decide(std::vector<std::string> args, const char* env = nullptr) {
    return decideSaverRequest(args, env);
}

Bytes readAll(const std::string& path) {
    Bytes b;
    readWholeFile(path, b);
    return b;
}

void touch(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "x";
}

// A scripted edition: each wait returns the next wake; what the launcher sends is recorded.
class FakeWatch : public ProcessWatch {
  public:
    explicit FakeWatch(std::deque<ProcessWake> wakes) : wakes_(std::move(wakes)) {}
    bool start(const std::string&, const std::string&, const std::vector<std::string>&) override {
        return true;
    }
    int child() const override { return child_; }
    ProcessWake wait(int ms) override {
        waits.push_back(ms);
        if (wakes_.empty()) return {ProcessWake::Timeout, 0};
        ProcessWake w = wakes_.front();
        wakes_.pop_front();
        if (w.kind == ProcessWake::ChildExited) child_ = 0;
        return w;
    }
    void signalChild(int signal) override { sent.push_back(signal); }

    std::vector<int> sent;
    std::vector<int> waits;

  private:
    std::deque<ProcessWake> wakes_;
    int child_ = 4242;
};

constexpr ProcessWake kExited{ProcessWake::ChildExited, 0};
constexpr ProcessWake kTimeout{ProcessWake::Timeout, 0};
ProcessWake terminateFrom(int pid) {
    return {ProcessWake::Terminate, pid};
}

}  // namespace

TEST(SaverCommandLine, ClassicAndXscreensaverFormsAndEverythingElseEnds) {
    using M = SaverRequest::Mode;
    struct Case {
        std::vector<std::string> args;
        const char* env;
        M mode;
        unsigned long window;
    };
    const Case cases[] = {
        {{}, nullptr, M::End, 0},
        {{"/c"}, nullptr, M::End, 0},
        {{"/c:1234"}, nullptr, M::End, 0},
        {{"/p", "1234"}, nullptr, M::Preview, 1234},
        {{"/p:77"}, nullptr, M::Preview, 77},
        {{"/p"}, nullptr, M::End, 0},  // a preview needs its window
        {{"/s"}, nullptr, M::Saver, 0},
        {{"/S"}, nullptr, M::End, 0},  // the searches are case-sensitive
        {{"/s"}, "0x400007", M::Saver, 0x400007},
        {{"-root"}, nullptr, M::Saver, 0},
        {{"--root"}, "4194311", M::Saver, 4194311},
        {{"-window-id", "0x2a"}, nullptr, M::Saver, 42},
        {{"--window-id", "77"}, "99", M::Saver, 77},  // the explicit window wins
        {{"-window-id", "junk"}, nullptr, M::End, 0},
        {{"-window-id"}, nullptr, M::End, 0},
        {{"-window-id", "0x1ffffffff"}, nullptr, M::End, 0},
        {{}, "0x400007", M::Saver, 0x400007},  // xscreensaver with no arguments
        {{}, "rubbish", M::End, 0},
        {{"/c"}, "0x400007", M::End, 0},  // a settings request stays one
    };
    for (const Case& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        SCOPED_TRACE("args: " + line + " env: " + (c.env ? c.env : "(unset)"));
        const SaverRequest r = decide(c.args, c.env);
        EXPECT_EQ(r.mode, c.mode);
        EXPECT_EQ(r.window, c.window);
    }
}

TEST(SaverPreferences, TheFlagIsSetWithoutLosingAnythingElse) {
    test::TempFolder t;
    const std::string config = t.file("config/korel");
    const std::string mp3 = config + "/" + preferencesFileName(Edition::MP3);
    const std::string cd = config + "/" + preferencesFileName(Edition::CD);
    {
        SCOPED_TRACE("a missing file and folder");
        ASSERT_TRUE(markLaunchedBySaver(config, Edition::CD));
        auto expected = saverDefaultPreferences();
        expected[1] = 1;
        EXPECT_EQ(readAll(cd), Bytes(expected.begin(), expected.end()));
        EXPECT_FALSE(fileExists(mp3));  // each build has its own file
    }
    {
        SCOPED_TRACE("the MP3 edition's file with its songlist");
        Preferences p;
        p.songlist = "Party_Mix";
        p.saverDelay = 17;
        Bytes file = encodePreferences(p, Edition::MP3);
        ASSERT_EQ(writeFileReplacing(mp3, file), 0);
        ASSERT_TRUE(markLaunchedBySaver(config, Edition::MP3));
        file[1] = 1;
        EXPECT_EQ(readAll(mp3), file);
        const Preferences back = decodePreferences(readAll(mp3), Edition::MP3);
        EXPECT_TRUE(back.launchedBySaver);
        EXPECT_EQ(back.songlist, "Party_Mix");
        EXPECT_EQ(back.saverDelay, 17);
    }
    {
        SCOPED_TRACE("a short file keeps what it has");
        ASSERT_EQ(writeFileReplacing(cd, Bytes{9, 0, 3}), 0);
        ASSERT_TRUE(markLaunchedBySaver(config, Edition::CD));
        const Bytes back = readAll(cd);
        ASSERT_EQ(back.size(), kPreferencesSize);
        EXPECT_EQ(back[0], 9);
        EXPECT_EQ(back[1], 1);
        EXPECT_EQ(back[2], 3);
        EXPECT_EQ(back[5], saverDefaultPreferences()[5]);
    }
    {
        SCOPED_TRACE("a file where the folder should be");
        touch(t.file("blocked"));
        EXPECT_FALSE(markLaunchedBySaver(t.file("blocked"), Edition::CD));
    }
}

TEST(SaverPaths, TheEditionAndTheLogoAreFoundInstalledOrInTheBuildTree) {
    test::TempFolder t;
    // Installed: <prefix>/libexec/korel/korel-saver-mp3 and <prefix>/bin/korel-mp3.
    const std::string prefix = t.file("usr");
    const std::string installed = prefix + "/libexec/korel/korel-saver-mp3";
    EXPECT_EQ(editionProgramPath(installed, "korel-mp3"), "");
    EXPECT_EQ(pictureFolderFor(installed, nullptr), "");
    touch(prefix + "/bin/korel-mp3");
    touch(prefix + "/share/korel/seed/Controls/128.bmp");
    EXPECT_EQ(editionProgramPath(installed, "korel-mp3"), prefix + "/bin/korel-mp3");
    EXPECT_EQ(editionProgramPath(installed, "korel-cd"), "");
    EXPECT_EQ(pictureFolderFor(installed, nullptr), prefix + "/share/korel/seed/Controls");
    // A launcher copied somewhere else does not go looking for an edition.
    EXPECT_EQ(editionProgramPath(prefix + "/libexec/other/korel-saver-mp3", "korel-mp3"), "");
    // The build tree: build/saver/korel-saver-cd, build/shell/korel-cd, build/seed.
    const std::string build = t.file("build");
    touch(build + "/shell/korel-cd");
    touch(build + "/seed/Controls/128.bmp");
    EXPECT_EQ(editionProgramPath(build + "/saver/korel-saver-cd", "korel-cd"),
              build + "/shell/korel-cd");
    EXPECT_EQ(pictureFolderFor(build + "/saver/korel-saver-cd", nullptr), build + "/seed/Controls");
    // $KOREL_SEED names the seed itself.
    EXPECT_EQ(pictureFolderFor(installed, (build + "/seed").c_str()), build + "/seed/Controls");
    EXPECT_EQ(pictureFolderFor(installed, t.file("nowhere").c_str()), "");
}

TEST(SaverLogo, TheBundledLogoLoadsWithItsColoursAndBadFilesLeaveNothing) {
    const std::string folder = std::string(KOREL_SEED_DIR) + "/Controls";
    Logo logo;
    ASSERT_TRUE(loadLogo(folder, logo));
    EXPECT_EQ(logo.width, 145);
    EXPECT_EQ(logo.height, 71);
    ASSERT_EQ(logo.argb.size(), size_t(145 * 71));
    size_t lit = 0;
    for (uint32_t c : logo.argb) {
        EXPECT_EQ(c >> 24, 0xFFu);
        if ((c & 0xFFFFFF) != 0) ++lit;
    }
    EXPECT_GT(lit, logo.argb.size() / 20);  // a picture, not a black box

    Bytes good;
    ASSERT_EQ(readWholeFile(folder + "/128.bmp", good), 0);
    test::TempFolder t;
    const Logo before = logo;
    for (size_t cut : {size_t(0), size_t(20), size_t(60), size_t(600), good.size() - 1}) {
        ASSERT_EQ(
            writeFileReplacing(t.file("128.bmp"), Bytes(good.begin(), good.begin() + long(cut))),
            0);
        EXPECT_FALSE(loadLogo(t.path(), logo)) << cut;
    }
    // A colour table that claims to reach into the pixels.
    Bytes hostile = good;
    putLe32(hostile.data() + 10, 60);  // the pixels start inside the table
    ASSERT_EQ(writeFileReplacing(t.file("128.bmp"), hostile), 0);
    EXPECT_FALSE(loadLogo(t.path(), logo));
    EXPECT_EQ(logo.argb, before.argb);
    EXPECT_FALSE(loadLogo(t.file("missing"), logo));
}

TEST(SaverSupervision, TheEditionIsEndedThroughItsOwnTerminatePathOrLeftToFinish) {
    {
        SCOPED_TRACE("the edition ends by itself");
        FakeWatch w({kTimeout, kExited});
        superviseEdition(w, 100);
        EXPECT_TRUE(w.sent.empty());
    }
    {
        SCOPED_TRACE("xscreensaver ends the launcher");
        FakeWatch w({terminateFrom(1), kExited});
        superviseEdition(w, 100);
        EXPECT_EQ(w.sent, std::vector<int>{SIGTERM});
        EXPECT_EQ(w.waits.back(), 100);  // the wait for the edition is bounded
    }
    {
        SCOPED_TRACE("the edition tells the launcher to end");
        FakeWatch w({terminateFrom(4242), kExited});
        superviseEdition(w, 100);
        EXPECT_TRUE(w.sent.empty());
    }
    {
        SCOPED_TRACE("a second request while the edition closes is not sent again");
        FakeWatch w({terminateFrom(1), terminateFrom(1), kExited});
        superviseEdition(w, 100);
        EXPECT_EQ(w.sent, std::vector<int>{SIGTERM});
    }
    {
        SCOPED_TRACE("an edition that does not end is killed");
        FakeWatch w({terminateFrom(1), kTimeout, kExited});
        superviseEdition(w, 100);
        EXPECT_EQ(w.sent, (std::vector<int>{SIGTERM, SIGKILL}));
    }
    {
        SCOPED_TRACE("an edition that never goes is given up on");
        FakeWatch w({terminateFrom(4242)});
        superviseEdition(w, 100);
        EXPECT_EQ(w.sent, std::vector<int>{SIGKILL});
        EXPECT_LE(w.waits.size(), 6u);
    }
}

TEST(SaverProcess, TheProgramGetsItsFolderAndWindowAndOurRequestsComeWithTheirSender) {
    test::TempFolder t;
    const std::string script = t.file("edition.sh");
    {
        std::ofstream f(script);
        f << "#!/bin/sh\necho \"$KOREL_SAVER_WINDOW $(pwd)\" > out.txt\n";
    }
    ASSERT_EQ(::chmod(script.c_str(), 0700), 0);
    SystemProcessWatch watch;
    ASSERT_TRUE(watch.start(script, t.path(), {"KOREL_SAVER_WINDOW=123"}));
    EXPECT_GT(watch.child(), 0);
    EXPECT_EQ(watch.wait(10000).kind, ProcessWake::ChildExited);
    EXPECT_EQ(watch.child(), 0);
    const Bytes out = readAll(t.file("out.txt"));
    EXPECT_EQ(std::string(out.begin(), out.end()),
              "123 " + std::filesystem::canonical(t.path()).string() + "\n");

    EXPECT_FALSE(watch.start(t.file("missing"), t.path(), {}));
    // A request to end, held back until asked for, says who sent it.
    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    const ProcessWake wake = watch.wait(5000);
    EXPECT_EQ(wake.kind, ProcessWake::Terminate);
    EXPECT_EQ(wake.sender, int(::getpid()));
    EXPECT_EQ(watch.wait(0).kind, ProcessWake::Timeout);
}
