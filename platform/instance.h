// The single-instance guard: an exclusive lock on a file named after the guard, held for the run.
#pragma once

#include <string>

namespace korel {

// The guard names: the editions' and the screen-saver launchers'.
constexpr const char* kProgramLockName = "KOREL";
constexpr const char* kSaverLockName = "ZEZOZEVEDU";

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

    // Writes this process's id (decimal text) into the held lock file, so that another program
    // can ask the holder to end; false when no lock is held or the write failed.
    bool recordOwner();
    // The id recorded in "<folder>/<name>.lock" (or in the private folder's), but only while a
    // process still holds that lock; 0 when the lock is free, missing or holds no valid id.
    static int heldBy(const std::string& folder, const std::string& name,
                      const std::string& fallbackRoot = "/tmp");

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
