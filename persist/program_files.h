// The program's own files (styles, sets, songlists, raves, the last session): kinds, names,
// paths and the messages with which file operations fail.
#pragma once

#include <string>

#include "platform/bytes.h"
#include "core/services.h"

namespace korel {

// The kind of a pending save, load, rename or delete; also the identifiers of the matching
// popup menus.
enum class FileKind : int {
    Style = 312,
    GradientSet = 314,
    FillSet = 315,
    BrushSet = 316,
    MovementSet = 317,
    LastSession = 337,
    SongName = 338,
    Rave = 339,
    Songlist = 340,
};

// The delete form of a kind is its value + 50 (362, 364-367, 389, 390).
constexpr int kDeleteOffset = 50;

constexpr const char* kLastSessionName = "Last_Session";
constexpr size_t kMaxTypedName = 31;

// The folder (below the data folder) and extension of a kind; raves live in the song's folder,
// given by the caller.
const char* fileFolder(FileKind kind);
const char* fileExtension(FileKind kind);
std::string makeFileName(const Services& services, FileKind kind, const std::string& name,
                         const std::string& raveFolder = {});

// A name as typed by the user, as it is stored: spaces become "_", cut to 31 characters.
std::string storedName(const std::string& typed);

// "Unable to find file!" for code 2, "Error <code>" for any other; nothing for 0.
void reportFileError(Services& services, int code);

}  // namespace korel

namespace korel {

// Writes a program file of the kind: the kind's folder is made when missing, the content is
// written beside the old file and renamed into place, so a failure leaves the old file intact.
// Failures are reported ("File write error!", or the folder's error) with a warning beep.
bool writeProgramFile(Services& services, FileKind kind, const std::string& name,
                      const Bytes& content, const std::string& raveFolder = {});

}  // namespace korel
