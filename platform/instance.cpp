// Single-instance guard over flock.
#include "platform/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace korel {

InstanceLock::Outcome InstanceLock::tryFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) return Outcome::Unavailable;
    const std::string path = folder + "/" + name + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Outcome::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Outcome::HeldElsewhere : Outcome::Unavailable;
    }
    // A file left by an older build may still be open to others.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_uid == ::getuid() && (st.st_mode & 077) != 0)
        ::fchmod(fd, 0600);
    fd_ = fd;
    path_ = path;
    return Outcome::Taken;
}

bool InstanceLock::acquire(const std::string& folder, const std::string& name,
                           const std::string& fallbackRoot) {
    release();
    switch (tryFolder(folder, name)) {
        case Outcome::Taken:
            return true;
        case Outcome::HeldElsewhere:
            return false;
        case Outcome::Unavailable:
            break;
    }
    // Without any lock file the program still runs: a second copy is the lesser harm.
    return tryFolder(privateFolder(fallbackRoot), name) != Outcome::HeldElsewhere;
}

void InstanceLock::release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    path_.clear();
}

bool InstanceLock::recordOwner() {
    if (fd_ < 0) return false;
    const std::string text = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) != 0) return false;
    return ::pwrite(fd_, text.data(), text.size(), 0) == ssize_t(text.size());
}

namespace {

// The id recorded in the lock file at `path` while someone holds its lock; 0 otherwise.
int recordedHolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return 0;
    int pid = 0;
    // A lock we can take is nobody's: a stale file from a run that ended.
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        ::flock(fd, LOCK_UN);
    } else if (errno == EWOULDBLOCK) {
        char text[24] = {};
        const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
        long value = 0;
        for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
            value = value * 10 + (text[i] - '0');
            if (value > 0x3FFFFFFF) {
                value = 0;
                break;
            }
        }
        pid = int(value);
    }
    ::close(fd);
    return pid > 1 ? pid : 0;
}

}  // namespace

int InstanceLock::heldBy(const std::string& folder, const std::string& name,
                         const std::string& fallbackRoot) {
    if (!folder.empty())
        if (const int pid = recordedHolder(folder + "/" + name + ".lock")) return pid;
    const std::string fallback = privateFolder(fallbackRoot);
    return fallback.empty() ? 0 : recordedHolder(fallback + "/" + name + ".lock");
}

std::string InstanceLock::privateFolder(const std::string& root) {
    const uid_t uid = ::getuid();
    const std::string path = root + "/korel-" + std::to_string(uid);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
    // Someone else may have made the name first, in a folder everyone can write to.
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid) return {};
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return {};
    return path;
}

std::string InstanceLock::defaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return runtime;
    const std::string fallback = privateFolder();
    return fallback.empty() ? std::string("/tmp") : fallback;
}

}  // namespace korel
