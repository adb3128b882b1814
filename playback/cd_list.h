// CD lists of the CD edition: per disc the track names and the raves attached to tracks, kept as
// ".cds" files in the disc folder "Raves/<list name><CD code>", which also holds the disc's raves.
//
// The disc folder always carries the current list's name: a disc put back in the drive is found
// by its code and loads the list named like its folder, so renaming the current list, or making
// another list current, renames the folder (its raves and other lists move with it).
//
// Layout of a ".cds" file: tag "l" (or "L": no code and identifier), the entry count, the version
// 3, 28; the CD code (4 bytes) and disc identifier (8 bytes); then 57-byte entries: rave flag,
// track name (28), rave name (28). Before version 3 entries are 29 bytes (flag and track name)
// and the rave name is the track name.
//
// Every operation reports its own failures through the alert and leaves the list as it was.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/services.h"
#include "platform/bytes.h"
#include "platform/cd_drive.h"
#include "raves/rave_file.h"

namespace korel {

struct DiscTable;

constexpr size_t kCdNameField = 28;  // names of at most 27 characters
constexpr size_t kCdEntrySize = 57;
constexpr size_t kCdEntrySizeOld = 29;
constexpr size_t kCdListHeader = 16;
constexpr size_t kCdListHeaderBare = 4;
constexpr size_t kCdCodeAt = 4;
constexpr size_t kCdCodeSize = 4;
constexpr size_t kCdDiscIdAt = 8;
constexpr size_t kCdDiscIdSize = 8;
constexpr uint8_t kCdListVersion = 3;

constexpr const char* kCdListExtension = ".cds";
constexpr const char* kUnnamedCd = "Unnamed";
constexpr const char* kNotValidCdFile = "Not a valid CD file!";
constexpr const char* kCannotDeleteCurrentCdList = "Cannot delete current CD list!";

struct CdTrackEntry {
    bool raveAttached = false;
    std::string trackName;
    std::string raveName;
    bool operator==(const CdTrackEntry&) const = default;
};

struct CdList {
    std::string name = kUnnamedCd;   // the list's (and the CD's) name
    std::string code = "0000";       // the disc's CD code
    std::string discId;              // the disc's identifier
    int count = 1;                   // entries the file holds: the disc's track count, 1-99
    std::array<CdTrackEntry, kMaxCdTracks> entries{};

    // The folder below "Raves" of the disc's lists and raves.
    std::string discFolder() const { return name + code; }
};

// --- The file format --------------------------------------------------------------------------

Bytes encodeCdList(const CdList& list);
// Reads a ".cds" file into `out`: its entries (those beyond its count cleared), count, and, for a
// tagged "l" file, its code and identifier. False with the message to show for a wrong tag ("Not
// a valid CD file!"), a count of 0 or above 99, or a file cut short ("End of file error!"); `out`
// is then unchanged. `out.name` is never touched.
bool decodeCdList(const Bytes& file, CdList& out, std::string& message);

// --- Files in the disc folder -----------------------------------------------------------------

// data folder / "Raves" / the list's disc folder.
std::string cdDiscFolderPath(const Services& services, const CdList& list);
// The names (without extension, sorted) of the ".cds" files in the list's disc folder.
std::vector<std::string> listCdLists(const Services& services, const CdList& list);

// Writes the list as "<name>.cds" in its disc folder, making the folder when missing.
bool saveCdList(Services& services, const CdList& list);
// Loads the list `name` of the disc folder and makes it current (the folder is renamed to carry
// its name). The list keeps the disc's code, identifier and track count; entries beyond the
// file's count are cleared.
bool loadCdList(Services& services, CdList& list, const std::string& name);
// "New CD List...": saves a copy of the current list as `name` and makes it current.
bool newCdList(Services& services, CdList& list, const std::string& name);
// "Rename CD List...": renames the list file `from` (replacing a list of the new name); renaming
// the current list renames the disc folder too.
bool renameCdList(Services& services, CdList& list, const std::string& from,
                  const std::string& to);
// "Delete CD Lists...": deletes a list file other than the current one.
bool deleteCdList(Services& services, const CdList& list, const std::string& name);

// --- Raves of the disc's tracks -----------------------------------------------------------------

// The rave fields of track `track` (0-based) for the rave operations: its folder is the disc
// folder. A track beyond the list has no rave.
SongRaveFields cdTrackRave(const CdList& list, int track);
// Takes back what a rave operation changed in the track's entry (flag and rave name).
void storeCdTrackRave(CdList& list, int track, const SongRaveFields& rave);
// The identity block a CD rave file carries: the list's name as the CD title (32 bytes), the disc
// identifier (8) and 4 zero bytes.
std::array<uint8_t, 44> cdRaveIdentity(const CdList& list);

// Finds the disc's folder in "Raves" (a folder whose name ends with the table's code; one that
// holds CD lists first) and loads the list named like it, or the first list found there. With no
// folder for the disc, "Unnamed<code>" is made with an "Unnamed" list of cleared entries.
// `list` always ends up describing the disc (code, identifier, track count); false when a list
// could not be read or written (reported), its entries then cleared. Without a disc in the table
// the list is only cleared (code "0000") and no folder is made.
bool recogniseDisc(Services& services, const DiscTable& table, CdList& list);

}  // namespace korel
