// File and folder primitives. Failures return the system error code the program's messages use:
// no such file 2, no such path 3, already exists 183, anything else the errno value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace korel {

constexpr int kErrNoFile = 2;
constexpr int kErrNoPath = 3;
constexpr int kErrExists = 183;

// Maps an errno value for an operation on `path` to the codes above.
int systemErrorCode(int err, const std::string& path);

// Reads the whole file; returns 0 or an error code. `maxBytes` caps what is accepted (a larger
// file fails with EFBIG) so a hostile file cannot exhaust memory.
int readWholeFile(const std::string& path, Bytes& out, size_t maxBytes = 64u << 20);

// Writes the content beside the file and renames it into place, so a failure (a full disk, say)
// leaves the previous file as it was. Returns 0 or an error code.
int writeFileReplacing(const std::string& path, const Bytes& content);

// Opens `path` for writing, truncates it and writes content (used where a file must keep its
// identity, like "error.txt"). Returns 0 or an error code.
int writeFileTruncating(const std::string& path, const Bytes& content);

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
// Creates one folder; 0 when it was made or already existed as a folder.
int createFolder(const std::string& path);
// Creates the folder and all missing parents; 0 on success.
int createFolders(const std::string& path);
int removeFile(const std::string& path);
// Renames, replacing the target.
int renameFile(const std::string& from, const std::string& to);
int copyFile(const std::string& from, const std::string& to);

// File names (not paths) in `folder` whose extension matches `ext` (with its dot) without regard
// to case; an empty ext lists every regular file. Returns 0 or an error code.
int listFolder(const std::string& folder, const std::string& ext, std::vector<std::string>& names);

// The path of `base` + `ext` in `folder` with the extension spelt as the file on disk has it,
// since listFolder matches extensions without regard to case ("Spin.BRU" for "Spin" + ".bru").
// The exact spelling wins when it exists; with no such file the exact path is returned, so the
// caller's open fails as it would have.
std::string listedFilePath(const std::string& folder, const std::string& base,
                           const std::string& ext);

// Joins a folder and a name with one "/".
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace korel
