// The desktop platform's side of a screen-saver run: the animation window inside the launcher's
// window named by $KOREL_SAVER_WINDOW, input reaching it there, and the launcher told to end.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/saver_x11.h"
#include "platform/instance.h"

namespace korel {
namespace {

std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

bool hasTool(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Sets an environment variable for the test's duration.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

}  // namespace

TEST(DesktopSaverWindow, TheAnimationIsShownInsideTheLaunchersWindowAndTakesClicksThere) {
    {
        auto probe = makeDesktopPlatform();
        if (!probe) GTEST_SKIP() << "no display";
        if (probe->videoDriver() != "x11") GTEST_SKIP() << "not an X11 display";
    }
    desktop::SaverScreen screen;
    ASSERT_TRUE(screen.open());
    const unsigned long host = screen.blackWindow(0, "WindowsScreenSaverClass", "KorelSS");
    ASSERT_NE(host, 0u);
    ScopedEnv env("KOREL_SAVER_WINDOW", std::to_string(host));
    auto p = makeDesktopPlatform();
    ASSERT_TRUE(p);

    // The "monitor" is the host window, so the animation fills it.
    Rect monitor;
    ASSERT_TRUE(p->monitorAtCursor(monitor));
    EXPECT_EQ(monitor.left, 0);
    EXPECT_EQ(monitor.top, 0);
    int width = 0, height = 0;
    ASSERT_TRUE(p->currentMonitorSize(0, 0, width, height));
    EXPECT_EQ(monitor.width(), width);
    EXPECT_EQ(monitor.height(), height);

    WindowDesc controls{"Korel", "Korel Controls", Rect{0, 0, 40, 40}};
    const WindowId other = p->createWindow(controls);
    WindowDesc anim{"Korel", "Korel Animation", monitor};
    const WindowId w = p->createWindow(anim);
    ASSERT_NE(w, kNoWindow);
    p->showWindow(w, true);
    p->showWindow(other, true);
    p->canvas(w).fill(0);
    p->present(w, Rect{0, 0, monitor.width(), monitor.height()});

    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", host);
    const std::string tree = commandOutput(std::string("xwininfo -tree -id ") + id + " 2>&1");
    if (tree.find("xwininfo:") == std::string::npos) GTEST_SKIP() << "xwininfo is missing";
    EXPECT_NE(tree.find("\"Korel Animation\""), std::string::npos) << tree;
    EXPECT_EQ(tree.find("\"Korel Controls\""), std::string::npos) << tree;  // only the animation

    if (!hasTool("xdotool")) return;
    // A click where the animation shows reaches it as before, through the host window.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::system("xdotool mousemove 300 200 click 1 >/dev/null 2>&1");
    bool clicked = false;
    for (int i = 0; i < 300 && !clicked; ++i) {
        Event e;
        while (p->pollEvent(e))
            if (e.kind == EventKind::ButtonDown && e.window == w && e.button == 1) clicked = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(clicked);
}

TEST(DesktopSaverWindow, EndingTheLauncherSignalsTheLocksHolderOnly) {
    {
        auto probe = makeDesktopPlatform();
        if (!probe) GTEST_SKIP() << "no display";
    }
    char folder[] = "/tmp/korel-saver-lock-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    ScopedEnv env("XDG_RUNTIME_DIR", folder);
    auto p = makeDesktopPlatform();
    ASSERT_TRUE(p);
    p->endScreenSaverLauncher();  // none runs: nothing happens

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The platform's terminate watch came with the fork; a launcher has its own handling.
        std::signal(SIGTERM, SIG_DFL);
        InstanceLock lock;
        if (!lock.acquire(InstanceLock::defaultFolder(), kSaverLockName) || !lock.recordOwner())
            _exit(2);
        const char c = 1;
        if (::write(ready[1], &c, 1) != 1) _exit(3);
        for (int i = 0; i < 100; ++i) ::usleep(100000);
        _exit(4);
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    p->endScreenSaverLauncher();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
    // The holder is gone; its file stays and names a process that must not be signalled.
    p->endScreenSaverLauncher();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

}  // namespace korel
