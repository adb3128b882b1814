// Songlists of the MP3 edition: the 573-byte song entry, the ".sls" file in "Songlists" and the
// list operations (insert, remove, rename, empty lists, renaming and deleting list files).
//
// Every operation reports its own failures through the alert and leaves the list as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/services.h"
#include "platform/bytes.h"

namespace korel {

// The entry's byte layout in a songlist file.
constexpr size_t kSongEntrySize = 573;
constexpr size_t kSongRaveFlagAt = 0;
constexpr size_t kSongNameAt = 1;
constexpr size_t kSongNameField = 28;
constexpr size_t kSongPathAt = 29;
constexpr size_t kSongPathField = 260;
constexpr size_t kSongRaveFolderAt = 289;
constexpr size_t kSongRaveFolderField = 256;
constexpr size_t kSongRaveNameAt = 545;
constexpr size_t kSongRaveNameField = 28;

constexpr size_t kSonglistHeaderSize = 4;
constexpr uint8_t kSonglistVersion = 3;
// The count is one byte; inserts beyond this are refused.
constexpr size_t kMaxSongs = 255;

constexpr const char* kNoSongName = "None";
constexpr const char* kFirstSonglistName = "My_Songlist";

struct SongEntry {
    bool raveAttached = false;
    std::string name = kNoSongName;  // what the song field shows, at most 27 characters
    std::string path;                // the music file
    std::string raveFolder;          // the folder below "Raves" of this song's raves
    std::string raveName;

    // The placeholder of an empty list: nothing to open. (A song file called "None" keeps its
    // path, so it is still a song.)
    bool isNone() const { return name == kNoSongName && path.empty(); }
    bool operator==(const SongEntry&) const = default;
};

struct Songlist {
    std::string name = kFirstSonglistName;
    std::vector<SongEntry> entries{SongEntry{}};  // never empty
    size_t current = 0;

    const SongEntry& currentEntry() const { return entries[current]; }
    SongEntry& currentEntry() { return entries[current]; }
    // True while the list holds only the "None" placeholder.
    bool empty() const { return entries.size() == 1 && entries[0].isNone(); }
};

// Writes the entry's 573 bytes at `out`; text fields are cut to fit with their NUL.
void encodeSongEntry(const SongEntry& entry, uint8_t* out);
// Reads 573 bytes; a field without its NUL ends at the field's end.
SongEntry decodeSongEntry(const uint8_t* in);

Bytes encodeSonglist(const Songlist& list);
// Reads the entries of a songlist file. False with the message to show when the file is not a
// songlist, is cut short or lists no song; `entries` is then unchanged.
bool decodeSonglist(const Bytes& file, std::vector<SongEntry>& entries, std::string& message);

// Loads "Songlists/<name>.sls" into `list` (current entry 0, list name `name`). On failure the
// list is unchanged and the reason was shown.
bool loadSonglistFile(Services& services, Songlist& list, const std::string& name);
bool saveSonglistFile(Services& services, const Songlist& list);

// Makes "My_Songlist" when "Songlists" has none: the bundled demo song (from the data folder's
// "Music") as its only entry, or "None" when it is not there. True when the file exists after.
bool ensureFirstSonglist(Services& services);

// The entry a music file gets: its name without folder and extension as rave folder, the same
// cut to 27 characters as display name, no rave.
SongEntry songEntryForFile(const std::string& path);

// Puts the file in place of "None", or after the current entry; the new entry becomes current.
// Refuses (with a message) a full list or a path too long for the entry. Does not save.
bool insertSong(Services& services, Songlist& list, const std::string& path);
// Removes the current entry; a list of one is refused. Does not save.
bool removeCurrentSong(Services& services, Songlist& list);
// Changes the current entry's display name (spaces stored as "_"). Does not save.
bool renameCurrentSong(Services& services, Songlist& list, const std::string& typed);
// The list becomes the single entry "None" under `name`. Does not save.
void resetSonglist(Songlist& list, const std::string& name);

// Renames the list file `from` to `to` (replacing a file of that name); the current list follows
// its file. Deletes a list file other than the current one.
bool renameSonglistFile(Services& services, Songlist& list, const std::string& from,
                        const std::string& to);
bool deleteSonglistFile(Services& services, const Songlist& list, const std::string& name);

}  // namespace korel
