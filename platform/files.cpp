// File and folder primitives over POSIX and std::filesystem.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <strings.h>

namespace korel {

namespace {

std::string parentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool writeAll(int fd, const Bytes& content) {
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

}  // namespace

int systemErrorCode(int err, const std::string& path) {
    if (err == ENOENT) return folderExists(parentOf(path)) ? kErrNoFile : kErrNoPath;
    if (err == ENOTDIR) return kErrNoPath;
    if (err == EEXIST) return kErrExists;
    return err == 0 ? EIO : err;
}

int readWholeFile(const std::string& path, Bytes& out, size_t maxBytes) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return systemErrorCode(errno, path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int e = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return systemErrorCode(e, path);
    }
    if (size_t(st.st_size) > maxBytes) {
        ::close(fd);
        return EFBIG;
    }
    out.resize(size_t(st.st_size));
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int e = errno;
            ::close(fd);
            out.clear();
            return e;
        }
        if (n == 0) break;
        done += size_t(n);
    }
    out.resize(done);
    ::close(fd);
    return 0;
}

int writeFileReplacing(const std::string& path, const Bytes& content) {
    // The temporary name ends in "_", which the program treats as a left-over to clear.
    std::string tmp = path + ".new_";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return systemErrorCode(errno, tmp);
    if (!writeAll(fd, content) || ::fsync(fd) != 0) {
        int e = errno;
        ::close(fd);
        ::unlink(tmp.c_str());
        return e ? e : EIO;
    }
    if (::close(fd) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        return e;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        return systemErrorCode(e, path);
    }
    return 0;
}

int writeFileTruncating(const std::string& path, const Bytes& content) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return systemErrorCode(errno, path);
    bool ok = writeAll(fd, content);
    int e = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) e = errno;
    return e;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int createFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return 0;
    int e = errno;
    if (e == EEXIST && folderExists(path)) return 0;
    return systemErrorCode(e, path);
}

int createFolders(const std::string& path) {
    if (path.empty() || folderExists(path)) return 0;
    std::string parent = parentOf(path);
    if (parent != path && !folderExists(parent)) {
        int e = createFolders(parent);
        if (e) return e;
    }
    return createFolder(path);
}

int removeFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return 0;
    return systemErrorCode(errno, path);
}

int renameFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0) return 0;
    return systemErrorCode(errno, from);
}

int copyFile(const std::string& from, const std::string& to) {
    Bytes content;
    int e = readWholeFile(from, content, size_t(1) << 30);
    if (e) return e;
    return writeFileReplacing(to, content);
}

int listFolder(const std::string& folder, const std::string& ext, std::vector<std::string>& names) {
    names.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return systemErrorCode(errno, folder);
    while (struct dirent* ent = ::readdir(dir)) {
        std::string name = ent->d_name;
        if (name == "." || name == "..") continue;
        if (!fileExists(joinPath(folder, name))) continue;
        if (!ext.empty()) {
            if (name.size() < ext.size()) continue;
            if (::strcasecmp(name.c_str() + name.size() - ext.size(), ext.c_str()) != 0) continue;
        }
        names.push_back(std::move(name));
    }
    ::closedir(dir);
    return 0;
}

std::string listedFilePath(const std::string& folder, const std::string& base,
                           const std::string& ext) {
    const std::string exact = joinPath(folder, base + ext);
    if (fileExists(exact)) return exact;
    std::string found;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return exact;
    while (struct dirent* ent = ::readdir(dir)) {
        const std::string name = ent->d_name;
        if (name.size() != base.size() + ext.size() || name.compare(0, base.size(), base) != 0)
            continue;
        if (::strcasecmp(name.c_str() + base.size(), ext.c_str()) != 0) continue;
        // Of several spellings the same one is taken every time, whatever the directory's order.
        if (!found.empty() && name >= found) continue;
        if (fileExists(joinPath(folder, name))) found = name;
    }
    ::closedir(dir);
    return found.empty() ? exact : joinPath(folder, found);
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace korel
