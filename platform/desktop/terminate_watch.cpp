// Signals to terminate requests over a pipe, read on a thread of the watch's own.
#include "platform/desktop/terminate_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace korel::desktop {

namespace {

// The write end of the newest watch's pipe; a signal handler may only touch such a value.
std::atomic<int> gRequestPipe{-1};

void onTerminateSignal(int) {
    const int saved = errno;
    const int fd = gRequestPipe.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

TerminateWatch::TerminateWatch(std::function<void()> wake, int deadlineMs)
    : wake_(std::move(wake)), deadlineMs_(deadlineMs) {
    if (::pipe2(pipe_, O_CLOEXEC) != 0) return;
    // A full pipe already holds a request; the handler must never block on it.
    ::fcntl(pipe_[1], F_SETFL, O_NONBLOCK);
    thread_ = std::thread([this] { run(); });
    gRequestPipe.store(pipe_[1]);
    struct sigaction sa = {};
    sa.sa_handler = onTerminateSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        // A signal the starter chose to ignore (nohup, a background job) stays ignored.
        if (::sigaction(kSignals[i], nullptr, &previous_[i]) == 0 &&
            previous_[i].sa_handler == SIG_IGN)
            continue;
        ::sigaction(kSignals[i], &sa, nullptr);
    }
}

TerminateWatch::~TerminateWatch() {
    if (thread_.joinable()) {
        for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
        int expected = pipe_[1];
        gRequestPipe.compare_exchange_strong(expected, -1);
        stopping_.store(true);
        const char byte = 0;
        [[maybe_unused]] const ssize_t n = ::write(pipe_[1], &byte, 1);
        thread_.join();
    }
    for (int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void TerminateWatch::run() {
    using Clock = std::chrono::steady_clock;
    bool armed = false;
    Clock::time_point deadline;
    for (;;) {
        int timeout = -1;
        if (armed) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) ::_exit(0);
            timeout = int(left.count());
        }
        pollfd p{pipe_[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, timeout);
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        char bytes[16];
        if (::read(pipe_[0], bytes, sizeof bytes) <= 0 || stopping_.load()) return;
        requested_.store(true);
        if (wake_) wake_();
        if (!armed) {
            armed = true;
            deadline = Clock::now() + std::chrono::milliseconds(deadlineMs_);
        }
    }
}

}  // namespace korel::desktop
