// Terminate requests from the system: SIGTERM, SIGINT and SIGHUP (a closed terminal, a session
// that ends) become one request that the event loop picks up, with a deadline by which the
// process ends even when the program never gets to it (stuck in a call that does not return).
#pragma once

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

namespace korel::desktop {

class TerminateWatch {
  public:
    // `wake` runs on the watch's own thread when a request arrives, to wake a waiting loop. The
    // program has `deadlineMs` from the first request to end by itself; then the process ends
    // with code 0. One watch at a time: the signals go to the newest.
    TerminateWatch(std::function<void()> wake, int deadlineMs);
    // Gives the signals back to their previous handlers; the deadline no longer applies.
    ~TerminateWatch();
    TerminateWatch(const TerminateWatch&) = delete;
    TerminateWatch& operator=(const TerminateWatch&) = delete;

    bool ok() const { return thread_.joinable(); }
    // True when a request arrived since the last call.
    bool takeRequest() { return requested_.exchange(false); }

  private:
    void run();

    static constexpr int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};
    std::function<void()> wake_;
    int deadlineMs_;
    int pipe_[2] = {-1, -1};
    struct sigaction previous_[3] = {};
    std::atomic<bool> requested_{false};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace korel::desktop
