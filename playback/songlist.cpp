// Songlist entries, files and list operations.
#include "playback/songlist.h"

#include "persist/program_files.h"
#include "platform/files.h"

namespace korel {

namespace {

// Cuts UTF-8 text to at most `bytes` bytes without splitting a character.
std::string cutText(const std::string& s, size_t bytes) {
    if (s.size() <= bytes) return s;
    size_t n = bytes;
    while (n > 0 && (uint8_t(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}

// The file's name without folder and extension.
std::string fileStem(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace

void encodeSongEntry(const SongEntry& entry, uint8_t* out) {
    out[kSongRaveFlagAt] = entry.raveAttached ? 1 : 0;
    writeNameField(out + kSongNameAt, cutText(entry.name, kSongNameField - 1), kSongNameField);
    writeNameField(out + kSongPathAt, entry.path, kSongPathField);
    writeNameField(out + kSongRaveFolderAt, cutText(entry.raveFolder, kSongRaveFolderField - 1),
                   kSongRaveFolderField);
    writeNameField(out + kSongRaveNameAt, cutText(entry.raveName, kSongRaveNameField - 1),
                   kSongRaveNameField);
}

SongEntry decodeSongEntry(const uint8_t* in) {
    SongEntry e;
    e.raveAttached = in[kSongRaveFlagAt] != 0;
    e.name = readNameField(in + kSongNameAt, kSongNameField);
    e.path = readNameField(in + kSongPathAt, kSongPathField);
    e.raveFolder = readNameField(in + kSongRaveFolderAt, kSongRaveFolderField);
    e.raveName = readNameField(in + kSongRaveNameAt, kSongRaveNameField);
    return e;
}

Bytes encodeSonglist(const Songlist& list) {
    const size_t count = std::min(list.entries.size(), kMaxSongs);
    Bytes b(kSonglistHeaderSize + count * kSongEntrySize, 0);
    b[0] = 'S';
    b[1] = uint8_t(count);
    b[2] = kSonglistVersion;
    b[3] = uint8_t(kSongNameField);
    for (size_t i = 0; i < count; ++i)
        encodeSongEntry(list.entries[i], b.data() + kSonglistHeaderSize + i * kSongEntrySize);
    return b;
}

bool decodeSonglist(const Bytes& file, std::vector<SongEntry>& entries, std::string& message) {
    if (!file.empty() && file[0] != 'S') {
        message = "Not a valid songlist file!";
        return false;
    }
    if (file.size() < kSonglistHeaderSize) {
        message = "The songlist file is incomplete!";
        return false;
    }
    const size_t count = file[1];
    if (count == 0) {
        message = "The songlist file holds no songs!";
        return false;
    }
    if (file.size() < kSonglistHeaderSize + count * kSongEntrySize) {
        message = "The songlist file is incomplete!";
        return false;
    }
    std::vector<SongEntry> read;
    read.reserve(count);
    for (size_t i = 0; i < count; ++i)
        read.push_back(decodeSongEntry(file.data() + kSonglistHeaderSize + i * kSongEntrySize));
    entries = std::move(read);
    return true;
}

bool loadSonglistFile(Services& services, Songlist& list, const std::string& name) {
    Bytes file;
    const std::string path = makeFileName(services, FileKind::Songlist, name);
    // A list is read by its count; anything much larger than the largest list is not one.
    int e = readWholeFile(path, file, 1u << 20);
    if (e != 0) {
        reportFileError(services, e);
        return false;
    }
    std::vector<SongEntry> entries;
    std::string message;
    if (!decodeSonglist(file, entries, message)) {
        services.showAlert(message);
        return false;
    }
    list.entries = std::move(entries);
    list.current = 0;
    list.name = name;
    return true;
}

bool saveSonglistFile(Services& services, const Songlist& list) {
    return writeProgramFile(services, FileKind::Songlist, list.name, encodeSonglist(list));
}

bool ensureFirstSonglist(Services& services) {
    if (fileExists(makeFileName(services, FileKind::Songlist, kFirstSonglistName))) return true;
    Songlist list;
    // The MP3 is the edition's own kind of file; the WAV is there when no encoder was at hand.
    for (const char* demo : {"Music/Demo_Song.mp3", "Music/Demo_Song.wav"}) {
        const std::string path = services.dataPath(demo);
        if (fileExists(path)) {
            list.entries[0] = songEntryForFile(path);
            break;
        }
    }
    return saveSonglistFile(services, list);
}

SongEntry songEntryForFile(const std::string& path) {
    SongEntry e;
    const std::string stem = fileStem(path);
    e.path = path;
    e.raveFolder = cutText(stem, kSongRaveFolderField - 1);
    e.name = cutText(stem, kSongNameField - 1);
    return e;
}

bool insertSong(Services& services, Songlist& list, const std::string& path) {
    if (path.empty() || path.size() >= kSongPathField) {
        services.showAlert("The path of this file is too long for a songlist!");
        return false;
    }
    if (list.current >= list.entries.size()) list.current = 0;
    if (list.currentEntry().isNone()) {
        list.currentEntry() = songEntryForFile(path);
        return true;
    }
    if (list.entries.size() >= kMaxSongs) {
        services.showAlert("The songlist is full! It holds 255 songs.");
        return false;
    }
    list.entries.insert(list.entries.begin() + std::ptrdiff_t(list.current + 1),
                        songEntryForFile(path));
    ++list.current;
    return true;
}

bool removeCurrentSong(Services& services, Songlist& list) {
    if (list.entries.size() <= 1) {
        services.showAlert("You are not able to delete a song when there is only one song.");
        return false;
    }
    if (list.current >= list.entries.size()) list.current = list.entries.size() - 1;
    list.entries.erase(list.entries.begin() + std::ptrdiff_t(list.current));
    if (list.current >= list.entries.size()) list.current = list.entries.size() - 1;
    return true;
}

bool renameCurrentSong(Services& services, Songlist& list, const std::string& typed) {
    if (typed.empty()) {
        services.showAlert("Text field is empty! Please type text into field.");
        return false;
    }
    if (list.current >= list.entries.size()) return false;
    list.currentEntry().name = cutText(storedName(typed), kSongNameField - 1);
    return true;
}

void resetSonglist(Songlist& list, const std::string& name) {
    list.name = name;
    list.entries.assign(1, SongEntry{});
    list.current = 0;
}

bool renameSonglistFile(Services& services, Songlist& list, const std::string& from,
                        const std::string& to) {
    if (to.empty()) {
        services.showAlert("Text field is empty! Please type text into field.");
        return false;
    }
    const std::string name = cutText(storedName(to), kSongNameField - 1);
    const int e = renameFile(makeFileName(services, FileKind::Songlist, from),
                             makeFileName(services, FileKind::Songlist, name));
    if (e != 0) {
        reportFileError(services, e);
        return false;
    }
    if (list.name == from) list.name = name;
    return true;
}

bool deleteSonglistFile(Services& services, const Songlist& list, const std::string& name) {
    if (name == list.name) {
        services.showAlert("Cannot delete current songlist!");
        return false;
    }
    const int e = removeFile(makeFileName(services, FileKind::Songlist, name));
    if (e != 0) {
        reportFileError(services, e);
        return false;
    }
    return true;
}

}  // namespace korel
