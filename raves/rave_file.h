// The ".rav" file and the operations of the rave popup over the files of a song's rave folder.
//
// Layout (little-endian): tag "r" (an identity block follows) or "R" (none); a flag byte 0; the
// version 3 (1: the older, shorter state); 16. The identity block: 32 bytes in the MP3 edition
// (songlist name, 28, and 4 zero bytes), 44 in the CD edition (title 32, disc identity 8, 4 zero
// bytes); it is skipped when reading. Then the song-start state, bytes 4-1005 of a VisualState
// (949 bytes for version 1, upgraded); the node count, 16 bits; and the nodes in list order, 21
// bytes each: time (32 bits) then kind and the 16-byte payload.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/services.h"
#include "platform/bytes.h"
#include "raves/rave_events.h"

namespace korel {

constexpr size_t kRaveFileHeader = 4;
constexpr size_t kRaveStateBytes = vs::kSize - 4;          // 1002
constexpr size_t kRaveStateBytesV1 = vs::kVersion1Size - 4;  // 949
constexpr size_t kRaveNodeBytes = 21;
constexpr size_t kRaveNameWidth = 28;  // the song entry's field: 27 characters
constexpr size_t kRaveFileLimit = size_t(1) << 20;

constexpr const char* kRaveUnableToLoad = "Unable to load rave!";
constexpr const char* kRaveNotValid = "Not a valid rave file!";
constexpr const char* kNoRaveToDetach = "No rave to detach!";
constexpr const char* kNoRaveToRename = "No rave to rename!";

// 32 in the MP3 edition, 44 in the CD edition.
size_t raveIdentitySize(Edition edition);

// The file of the current list (walked from node 0 along its links) and song-start state, tagged
// "r" with `identity` cut or zero-padded to the edition's block.
Bytes encodeRaveFile(const RaveState& rave, Edition edition, std::span<const uint8_t> identity);

// Reads a rave file into `songStart` and the events and node count of `rave` (node i linked to
// i - 1 and i + 1). False for a wrong tag, a short state, a node count of 0, above 8999 or
// beyond the file: then nothing is changed. Never reads past the end of `file`.
bool decodeRaveFile(const Bytes& file, Edition edition, VisualState& songStart, RaveState& rave);

// --- The operations of the rave popup ----------------------------------------------------------

// The rave fields of a song entry (songlist or CD list).
struct SongRaveFields {
    bool attached = false;
    std::string raveName;    // at most 27 characters
    std::string raveFolder;  // the folder below "Raves" holding the song's raves
};

// data folder / "Raves" / raveFolder, and the file of a rave in it.
std::string raveFolderPath(const Services& services, const SongRaveFields& song);
std::string raveFilePath(const Services& services, const SongRaveFields& song,
                         const std::string& name);

// Every song start: replays the attached rave, or starts a fresh recording. A rave file that
// cannot be read ("Unable to load rave!") or is not valid ("Not a valid rave file!") is detached
// and the song starts without it. Returns true when the entry changed (save the list).
bool startSongWithRave(Services& services, RaveEngine& engine, SongRaveFields& song);
// Writes the song-start state and the whole list as `name` in the song's rave folder (the old
// file stays intact on failure) and attaches it. `identity`: the songlist name (MP3) or the
// disc title and identity (CD). True when saved (save the list).
bool saveRave(Services& services, RaveEngine& engine, SongRaveFields& song, const std::string& name,
              std::span<const uint8_t> identity);
// Attaches a listed rave; the caller restarts the song with it. True (save the list).
bool attachRave(Services& services, SongRaveFields& song, const std::string& name);
// "No rave to detach!" when none is attached; otherwise the entry forgets it (the file stays)
// and true: the caller saves the list and restarts the song without it.
bool detachRave(Services& services, SongRaveFields& song);
// "No rave to rename!" when none is attached; otherwise the file is renamed (replacing one of
// that name) and the entry takes the new name. True when renamed (save the list).
bool renameRave(Services& services, SongRaveFields& song, const std::string& newName);
// Deletes a rave file of the song's folder; the attached one is detached first. True when the
// entry changed: the caller stops the song, saves the list and restarts the song.
bool deleteRave(Services& services, SongRaveFields& song, const std::string& name);

}  // namespace korel
