// The screen-saver launcher on a private X server: under a real xscreensaver (which starts no
// program as root, so it and everything it starts run as the unprivileged user "nobody" from a
// copy of the programs laid out as an install), and on its own for its command line, its lock
// and the preferences flag.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "e2e/e2e_support.h"
#include "persist/preferences.h"
#include "platform/desktop/saver_x11.h"
#include "platform/files.h"

using namespace korel;
using namespace korel::e2e;
namespace fs = std::filesystem;

namespace {

const char* const kSaverProgram = KOREL_SAVER_MP3_PROGRAM;

bool onPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    dirs += ":/usr/sbin:/sbin";
    size_t at = 0;
    while (at <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', at), dirs.size());
        if (::access((dirs.substr(at, end - at) + "/" + tool).c_str(), X_OK) == 0) return true;
        at = end + 1;
    }
    return false;
}

std::string missingTool(const std::vector<std::string>& tools) {
    for (const auto& t : tools)
        if (!onPath(t)) return t + " is not installed";
    return {};
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The ids of running processes whose program file lies below `folder`.
std::vector<int> processesRunningFrom(const std::string& folder) {
    std::vector<int> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code e2;
        const std::string exe = fs::read_symlink(entry.path() / "exe", e2).string();
        if (!e2 && exe.rfind(folder + "/", 0) == 0) found.push_back(std::stoi(name));
    }
    return found;
}

bool waitFor(int ms, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        sleepMs(100);
    }
}

// A private X server on one of the display numbers kept for these tests.
class PrivateDisplay {
  public:
    // Ended with SIGTERM, so that the server takes its lock file away.
    ~PrivateDisplay() { xvfb_->stop(3000); }
    bool start() {
        for (int number : {94, 93}) {
            std::string name = std::to_string(number);
            name.insert(name.begin(), ':');
            // -ac: the unprivileged user's programs may connect.
            if (!xvfb_->start(
                    {"Xvfb", name, "-ac", "-nolisten", "tcp", "-screen", "0", "1024x768x24"},
                    environmentWith({}), "", true))
                return false;
            if (waitFor(
                    10000,
                    [&] {
                        return !xvfb_->running() ||
                               runTool({"xwininfo", "-display", name, "-root"}, 3000).exitCode == 0;
                    }) &&
                xvfb_->running()) {  // not another server that holds the number
                name_ = name;
                return true;
            }
            xvfb_->stop(2000);
            xvfb_ = std::make_unique<Child>();
        }
        return false;
    }
    const std::string& name() const { return name_; }

  private:
    std::unique_ptr<Child> xvfb_ = std::make_unique<Child>();
    std::string name_;
};

// A folder laid out as an install (bin, libexec/korel, share/korel/seed) that any user can
// read, with a home and a runtime folder for the user the programs run as.
class SaverInstall {
  public:
    SaverInstall() {
        std::string tmpl = (fs::temp_directory_path() / "korel-saver-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) return;
        root_ = tmpl;
        std::error_code ec;
        fs::create_directories(root_ + "/prefix/bin", ec);
        fs::create_directories(root_ + "/prefix/libexec/korel", ec);
        fs::create_directories(root_ + "/prefix/share/korel", ec);
        fs::create_directories(home(), ec);
        fs::create_directories(runtime(), ec);
        fs::copy_file(kMp3Program, root_ + "/prefix/bin/korel-mp3", ec);
        fs::copy_file(kSaverProgram, launcher(), ec);
        fs::copy(KOREL_SEED_DIR, root_ + "/prefix/share/korel/seed", fs::copy_options::recursive,
                 ec);
        ok_ = !ec;
    }
    ~SaverInstall() {
        std::error_code ec;
        if (!root_.empty() && !std::getenv("KOREL_E2E_KEEP")) fs::remove_all(root_, ec);
    }
    // Hands the home and runtime folders to `uid` and opens the rest for reading.
    bool giveTo(uid_t uid, gid_t gid) {
        for (const auto& entry : fs::recursive_directory_iterator(root_)) {
            const bool own = entry.path().string().rfind(home(), 0) == 0 ||
                             entry.path().string().rfind(runtime(), 0) == 0;
            if (own && ::chown(entry.path().c_str(), uid, gid) != 0) return false;
            if (!own && ::chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0755) != 0)
                return false;
        }
        return ::chmod(root_.c_str(), 0755) == 0 && ::chmod(runtime().c_str(), 0700) == 0;
    }

    bool ok() const { return ok_; }
    const std::string& root() const { return root_; }
    std::string prefix() const { return root_ + "/prefix"; }
    std::string launcher() const { return prefix() + "/libexec/korel/korel-saver-mp3"; }
    std::string home() const { return root_ + "/home"; }
    std::string runtime() const { return root_ + "/run"; }
    std::string lastSession() const {
        return home() + "/.local/share/korel/Styles/Last_Session.sty";
    }
    std::string preferences() const {
        return home() + "/.config/korel/" + preferencesFileName(Edition::MP3);
    }

  private:
    std::string root_;
    bool ok_ = false;
};

// Runs programs as the unprivileged user (through runuser when we are root) with nothing of
// our environment but the user's own folders and the display.
class UserSession {
  public:
    UserSession(const SaverInstall& install, const std::string& display)
        : install_(install), display_(display) {
        const passwd* pw = ::getpwnam("nobody");
        asNobody_ = ::geteuid() == 0 && pw;
        if (pw) uid_ = pw->pw_uid, gid_ = pw->pw_gid;
    }
    uid_t uid() const { return asNobody_ ? uid_ : ::geteuid(); }
    gid_t gid() const { return asNobody_ ? gid_ : ::getegid(); }

    std::vector<std::string> command(const std::vector<std::string>& program) const {
        std::vector<std::string> argv;
        if (asNobody_) argv = {"runuser", "-u", "nobody", "--"};
        for (const std::string& s :
             {std::string("env"), std::string("-i"), "HOME=" + install_.home(),
              "XDG_RUNTIME_DIR=" + install_.runtime(), "DISPLAY=" + display_,
              std::string("PATH=/usr/bin:/bin")})
            argv.push_back(s);
        argv.insert(argv.end(), program.begin(), program.end());
        return argv;
    }
    bool start(Child& child, const std::vector<std::string>& program, const std::string& log) {
        return child.start(command(program), environmentWith({}), log, true);
    }
    // Runs a program to its end; its exit code, or -1 when it did not end within `ms`.
    int run(const std::vector<std::string>& program, int ms = 15000) {
        Child c;
        if (!start(c, program, "")) return -1;
        if (!c.waitExit(ms)) return -1;
        return c.exitCode();
    }

  private:
    const SaverInstall& install_;
    std::string display_;
    bool asNobody_ = false;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
};

bool screenShowsAnimation(const std::string& display, const std::string& path, std::string& seen) {
    const ToolResult r = runTool(
        {"import", "-display", display, "-window", "root", "-depth", "8", "ppm:" + path}, 15000);
    Picture p;
    if (!r.ran || r.exitCode != 0 || !readPpm(path, p)) return false;
    const int colours = distinctColours(p);
    const double commonest = commonestShare(p);
    seen = std::to_string(colours) + " colours, commonest " + std::to_string(commonest);
    return colours > 8 && commonest < 0.8;
}

}  // namespace

TEST(ScreenSaverDesktop, XscreensaverShowsKorelAndEndsItWithTheLastSessionSaved) {
    if (std::string(kSaverProgram).empty()) GTEST_SKIP() << "no launcher was built";
    const std::string missing = missingTool({"Xvfb", "xscreensaver", "xscreensaver-command",
                                             "runuser", "pulseaudio", "import", "xwininfo"});
    if (!missing.empty()) GTEST_SKIP() << missing;
    PrivateDisplay display;
    if (!display.start()) GTEST_SKIP() << "no private X server could be started";
    SaverInstall install;
    ASSERT_TRUE(install.ok());
    UserSession user(install, display.name());
    ASSERT_TRUE(install.giveTo(user.uid(), user.gid()));

    {
        // xscreensaver's own syntax: activation at once, one program, ours, as it lists it.
        std::ofstream f(install.home() + "/.xscreensaver");
        f << "timeout:\t0:30:00\nlock:\t\tFalse\nfade:\t\tFalse\nunfade:\t\tFalse\n"
          << "splash:\t\tFalse\nmode:\t\tone\nselected:\t0\nprograms:\t\\\n\t\t"
          << install.launcher() << " --root \\n\\\n\n";
    }
    ASSERT_EQ(::chown((install.home() + "/.xscreensaver").c_str(), user.uid(), user.gid()), 0);

    Child sound;
    auto saver = std::make_unique<Child>();
    struct AtEnd {
        std::function<void()> run;
        ~AtEnd() { run(); }
    } atEnd{[&] {
        // Asked to end themselves first: runuser passes SIGTERM on, SIGKILL it would not.
        if (saver->running()) user.run({"xscreensaver-command", "-exit"}, 5000);
        if (sound.running()) user.run({"pulseaudio", "--kill"}, 5000);
        saver->waitExit(5000);
        sound.waitExit(5000);
        saver->stop(3000);
        sound.stop(3000);
        for (int pid : processesRunningFrom(install.prefix())) ::kill(pid, SIGKILL);
    }};
    ASSERT_TRUE(user.start(sound,
                           {"pulseaudio", "--exit-idle-time=-1", "-n", "--load=module-null-sink",
                            "--load=module-native-protocol-unix"},
                           install.root() + "/pulse.log"));
    // Now and then a fresh xscreensaver never answers on a busy machine; a second one does.
    bool answered = false;
    for (int attempt = 1; attempt <= 2 && !answered; ++attempt) {
        if (attempt > 1) {
            saver->stop(3000);
            saver = std::make_unique<Child>();
        }
        ASSERT_TRUE(user.start(*saver, {"xscreensaver", "-no-splash"},
                               install.root() + "/xss" + std::to_string(attempt) + ".log"));
        answered = waitFor(15000, [&] {
            return user.run({"xscreensaver-command", "-version"}, 5000) == 0;
        });
    }
    ASSERT_TRUE(answered) << "xscreensaver did not come up on " << display.name()
                          << (saver->running() ? "" : " (it ended)");

    ASSERT_EQ(user.run({"xscreensaver-command", "-activate"}), 0);
    std::string seen;
    const std::string shot = install.root() + "/screen.ppm";
    EXPECT_TRUE(waitFor(30000,
                        [&] {
                            return processesRunningFrom(install.prefix()).size() >= 2 &&
                                   screenShowsAnimation(display.name(), shot, seen);
                        }))
        << "the screen shows " << seen;
    const Bytes prefs = [&] {
        Bytes b;
        readWholeFile(install.preferences(), b);
        return b;
    }();
    ASSERT_GE(prefs.size(), kPreferencesSize);
    EXPECT_EQ(prefs[1], 1);  // the launcher's flag, read by the edition at its start
    EXPECT_FALSE(fileExists(install.lastSession()));

    ASSERT_EQ(user.run({"xscreensaver-command", "-deactivate"}), 0);
    EXPECT_TRUE(waitFor(15000, [&] { return processesRunningFrom(install.prefix()).empty(); }))
        << "the launcher or the edition is still running";
    EXPECT_TRUE(fileExists(install.lastSession()));
    Bytes after;
    ASSERT_EQ(readWholeFile(install.preferences(), after), 0);
    ASSERT_GE(after.size(), kPreferencesSize);
    EXPECT_EQ(after[1], 0);  // the edition cleared the flag when it saved
}

TEST(ScreenSaverDesktop, TheCommandLineTheLockAndThePreferencesFlag) {
    if (std::string(kSaverProgram).empty()) GTEST_SKIP() << "no launcher was built";
    const std::string missing = missingTool({"Xvfb", "xwininfo"});
    if (!missing.empty()) GTEST_SKIP() << missing;
    PrivateDisplay display;
    if (!display.start()) GTEST_SKIP() << "no private X server could be started";
    SaverInstall install;
    ASSERT_TRUE(install.ok());
    ASSERT_EQ(::chmod(install.runtime().c_str(), 0700), 0);
    const std::vector<std::string> env =
        environmentWith({{"HOME=" + install.home()},
                         {"XDG_RUNTIME_DIR=" + install.runtime()},
                         {"XDG_CONFIG_HOME=" + install.home() + "/.config"},
                         {"XDG_DATA_HOME=" + install.home() + "/.local/share"},
                         {"DISPLAY=" + display.name()},
                         {"KOREL_PATH="},
                         {"XSCREENSAVER_WINDOW="}});
    auto launch = [&](Child& c, const std::vector<std::string>& args, const std::string& log) {
        std::vector<std::string> argv{install.launcher()};
        argv.insert(argv.end(), args.begin(), args.end());
        return c.start(argv, env, install.root() + "/" + log);
    };

    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"/c"}, {"/c:1234"}}) {
        Child c;
        ASSERT_TRUE(launch(c, args, "settings.log"));
        EXPECT_TRUE(c.waitExit(3000)) << (args.empty() ? "no argument" : args[0]);
        EXPECT_EQ(c.exitCode(), 0);
    }
    EXPECT_FALSE(fileExists(install.preferences()));
    EXPECT_TRUE(processesRunningFrom(install.prefix()).empty());

    {
        SCOPED_TRACE("the preview");
        auto host = std::make_unique<desktop::SaverScreen>();
        ASSERT_TRUE(host->open(display.name().c_str()));
        const unsigned long window = host->blackWindow(0, "Settings", "Preview host");
        ASSERT_NE(window, 0u);
        Child preview;
        ASSERT_TRUE(launch(preview, {"/p", std::to_string(window)}, "preview.log"));
        // The logo, centred on black: colours in the middle, black all round.
        std::string seen;
        EXPECT_TRUE(waitFor(10000, [&] {
            const std::string shot = install.root() + "/preview.ppm";
            Picture p;
            if (runTool({"import", "-display", display.name(), "-window", "root", "-depth", "8",
                         "ppm:" + shot})
                        .exitCode != 0 ||
                !readPpm(shot, p))
                return false;
            const Picture middle = rows(p, p.height / 2 - 30, p.height / 2 + 30);
            const Picture top = rows(p, 0, p.height / 2 - 40);
            seen = std::to_string(distinctColours(middle)) + " colours in the middle, " +
                   std::to_string(distinctColours(top)) + " above";
            return distinctColours(middle) > 4 && distinctColours(top) == 1 &&
                   commonestShare(middle) > 0.5;
        })) << seen;
        EXPECT_TRUE(preview.running());
        host.reset();  // the settings window closes, and the preview with it
        EXPECT_TRUE(preview.waitExit(5000));
        EXPECT_EQ(preview.exitCode(), 0);
    }

    Child first;
    ASSERT_TRUE(launch(first, {"/s"}, "first.log"));
    // The edition is up once its animation shows inside the launcher's window.
    std::string seen;
    ASSERT_TRUE(waitFor(
        30000,
        [&] { return screenShowsAnimation(display.name(), install.root() + "/screen.ppm", seen); }))
        << "the screen shows " << seen;
    const ToolResult tree = runTool({"xwininfo", "-display", display.name(), "-root", "-tree"});
    const size_t saverAt = tree.out.find("\"KorelSS\"");
    ASSERT_NE(saverAt, std::string::npos) << tree.out;
    EXPECT_NE(tree.out.find(kAnimationTitle, saverAt), std::string::npos)
        << "the animation is not inside the launcher's window:\n"
        << tree.out;
    EXPECT_EQ(processesRunningFrom(install.prefix()).size(), 2u);
    // The missing file was made from the defaults, with the flag set.
    Bytes prefs;
    ASSERT_EQ(readWholeFile(install.preferences(), prefs), 0);
    auto expected = saverDefaultPreferences();
    expected[1] = 1;
    EXPECT_EQ(prefs, Bytes(expected.begin(), expected.end()));

    Child second;
    ASSERT_TRUE(launch(second, {"/s"}, "second.log"));
    EXPECT_TRUE(second.waitExit(3000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(processesRunningFrom(install.prefix()).size(), 2u);  // one launcher, one edition

    ::kill(first.pid(), SIGTERM);
    EXPECT_TRUE(first.waitExit(15000));
    EXPECT_TRUE(waitFor(5000, [&] { return processesRunningFrom(install.prefix()).empty(); }));
    EXPECT_TRUE(fileExists(install.lastSession()));
    for (int pid : processesRunningFrom(install.prefix())) ::kill(pid, SIGKILL);
}
