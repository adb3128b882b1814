// Starting another program and waiting for it, or for a request to end, whichever comes first.
#pragma once

#include <signal.h>

#include <string>
#include <vector>

namespace korel {

// What ended a wait.
struct ProcessWake {
    enum Kind { Timeout, Terminate, ChildExited } kind = Timeout;
    int sender = 0;  // Terminate: the id of the process that sent the request (0: unknown)
};

// One started program and the requests to end this process. Abstract so that the code that
// decides what to do with them can be tested with a scripted fake.
class ProcessWatch {
  public:
    virtual ~ProcessWatch() = default;
    // Starts `path` with no arguments in `folder`, with `extraEnvironment` ("NAME=value")
    // added to ours; false when it could not be started. One child at a time.
    virtual bool start(const std::string& path, const std::string& folder,
                       const std::vector<std::string>& extraEnvironment) = 0;
    virtual int child() const = 0;  // 0 before a start or after the child was reaped
    // Waits at most `ms` (negative: without limit) for a terminate request (SIGTERM, SIGINT,
    // SIGHUP) or the child's end; a child that ended is reaped.
    virtual ProcessWake wait(int ms) = 0;
    // Sends the child a signal (SIGTERM, SIGKILL); nothing when there is no child.
    virtual void signalChild(int signal) = 0;
};

// The real one. From construction on, the terminate signals and SIGCHLD are held back for
// wait(); the started program gets them back with their default actions.
class SystemProcessWatch : public ProcessWatch {
  public:
    SystemProcessWatch();
    ~SystemProcessWatch() override;
    SystemProcessWatch(const SystemProcessWatch&) = delete;
    SystemProcessWatch& operator=(const SystemProcessWatch&) = delete;

    bool start(const std::string& path, const std::string& folder,
               const std::vector<std::string>& extraEnvironment) override;
    int child() const override { return child_; }
    ProcessWake wait(int ms) override;
    void signalChild(int signal) override;
    // Takes a terminate request that is waiting, without waiting for one.
    bool terminatePending();

  private:
    bool reaped();
    int child_ = 0;
    bool masked_ = false;
    sigset_t previousMask_{};  // restored on destruction
};

}  // namespace korel
