// The single-instance guard: an exclusive lock on a file named after the guard, held for the run.
#pragma once

#include <string>

namespace korel {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock() { release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock "<folder>/<name>.lock" (a file only its owner may read or write). False
    // only when another process holds that lock. When the file cannot be made there (a missing
    // or read-only folder), the private folder "<fallbackRoot>/korel-<uid>" (mode 0700) takes
    // it; when that cannot be had either, the program runs unguarded (held() is false).
    bool acquire(const std::string& folder, const std::string& name,
                 const std::string& fallbackRoot = "/tmp");
    void release();
    bool held() const { return fd_ >= 0; }
    // The lock file held; empty when none is.
    const std::string& path() const { return path_; }

    // $XDG_RUNTIME_DIR when set, else the private folder under /tmp.
    static std::string defaultFolder();
    // "<root>/korel-<uid>", made with mode 0700 when missing; empty when it cannot be made or
    // is not a folder of this user's that only this user can enter.
    static std::string privateFolder(const std::string& root = "/tmp");

private:
    enum class Outcome { Taken, HeldElsewhere, Unavailable };
    Outcome tryFolder(const std::string& folder, const std::string& name);

    int fd_ = -1;
    std::string path_;
};

}  // namespace korel
