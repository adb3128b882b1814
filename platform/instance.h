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

    // Takes the lock "<folder>/<name>.lock"; false when another process holds it (or the lock
    // file cannot be made).
    bool acquire(const std::string& folder, const std::string& name);
    void release();
    bool held() const { return fd_ >= 0; }

    // $XDG_RUNTIME_DIR when set, else /tmp.
    static std::string defaultFolder();

private:
    int fd_ = -1;
};

}  // namespace korel
