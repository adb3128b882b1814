// Process start over posix_spawn and waits over sigtimedwait.
#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

extern char** environ;

namespace korel {

namespace {

sigset_t heldSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&set, s);
    return set;
}

}  // namespace

SystemProcessWatch::SystemProcessWatch() {
    const sigset_t set = heldSignals();
    masked_ = sigprocmask(SIG_BLOCK, &set, &previousMask_) == 0;
}

SystemProcessWatch::~SystemProcessWatch() {
    if (child_ > 0) {
        ::kill(child_, SIGKILL);
        int status = 0;
        ::waitpid(child_, &status, 0);
    }
    if (masked_) sigprocmask(SIG_SETMASK, &previousMask_, nullptr);
}

bool SystemProcessWatch::start(const std::string& path, const std::string& folder,
                               const std::vector<std::string>& extraEnvironment) {
    if (child_ > 0 || !masked_) return false;
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& extra : extraEnvironment) {
            const size_t eq = extra.find('=');
            if (eq != std::string::npos && entry.compare(0, eq + 1, extra, 0, eq + 1) == 0)
                replaced = true;
        }
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = path;
    char* argv[] = {program.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // The program must not inherit our held-back signals.
    sigset_t none, defaults = heldSignals();
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, program.c_str(), &actions, &attr, argv, envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0 || pid <= 0) return false;
    child_ = pid;
    return true;
}

bool SystemProcessWatch::reaped() {
    if (child_ <= 0) return false;
    int status = 0;
    const pid_t r = ::waitpid(child_, &status, WNOHANG);
    if (r == child_ || (r < 0 && errno == ECHILD)) {
        child_ = 0;
        return true;
    }
    return false;
}

ProcessWake SystemProcessWatch::wait(int ms) {
    const sigset_t set = heldSignals();
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const long long end = deadline.tv_sec * 1000LL + deadline.tv_nsec / 1000000 + ms;
    for (;;) {
        if (reaped()) return {ProcessWake::ChildExited, 0};
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        long long left = end - (now.tv_sec * 1000LL + now.tv_nsec / 1000000);
        if (ms >= 0 && left <= 0) return {ProcessWake::Timeout, 0};
        // Without a limit the child is still looked at now and then, in case its SIGCHLD
        // was merged with one taken earlier.
        if (ms < 0 || left > 500) left = 500;
        const timespec step{time_t(left / 1000), long(left % 1000) * 1000000L};
        siginfo_t info{};
        const int s = sigtimedwait(&set, &info, &step);
        if (s == SIGTERM || s == SIGINT || s == SIGHUP)
            return {ProcessWake::Terminate, int(info.si_pid)};
    }
}

bool SystemProcessWatch::terminatePending() {
    sigset_t pending;
    if (sigpending(&pending) != 0) return false;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) {
        if (sigismember(&pending, s) != 1) continue;
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, s);
        const timespec none{};
        if (sigtimedwait(&one, nullptr, &none) == s) return true;
    }
    return false;
}

void SystemProcessWatch::signalChild(int signal) {
    if (child_ > 0) ::kill(child_, signal);
}

}  // namespace korel
