// CD list files, the list operations and finding a disc's folder.
#include "playback/cd_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "persist/program_files.h"
#include "platform/files.h"
#include "playback/cd_disc.h"

namespace korel {

namespace {

constexpr size_t kCdListFileLimit = 64u << 10;  // far above the largest list (5659 bytes)
constexpr const char* kEndOfFile = "End of file error!";
constexpr const char* kEmptyText = "Text field is empty! Please type text into field.";

// Cuts UTF-8 text to at most `bytes` bytes without splitting a character.
std::string cutText(const std::string& s, size_t bytes) {
    if (s.size() <= bytes) return s;
    size_t n = bytes;
    while (n > 0 && (uint8_t(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}

// A list name that stays inside the disc folder.
bool safeName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

// A name the user typed for a list: cut to fit its field; false (reported) when unusable.
bool typedListName(Services& services, const std::string& typed, std::string& name) {
    if (typed.empty()) {
        services.showAlert(kEmptyText);
        return false;
    }
    name = cutText(typed, kCdNameField - 1);
    if (!safeName(name)) {
        services.showAlert("File write error!");
        return false;
    }
    return true;
}

std::string ravesPath(const Services& services) {
    return services.dataPath(fileFolder(FileKind::Rave));
}

std::string listFilePath(const Services& services, const CdList& list, const std::string& name) {
    return joinPath(cdDiscFolderPath(services, list), name + kCdListExtension);
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool holdsCdLists(const std::string& folder) {
    std::vector<std::string> names;
    return listFolder(folder, kCdListExtension, names) == 0 && !names.empty();
}

// Moves the disc folder from the list's name to `name`. A folder that is not there yet has
// nothing to move; another folder already carrying the new name is not merged into (reported).
bool moveDiscFolder(Services& services, const CdList& list, const std::string& name) {
    if (name == list.name) return true;
    const std::string from = cdDiscFolderPath(services, list);
    const std::string to = joinPath(ravesPath(services), name + list.code);
    if (!folderExists(from)) return true;
    if (folderExists(to)) {
        reportFileError(services, kErrExists);
        return false;
    }
    const int e = renameFile(from, to);
    if (e != 0) {
        reportFileError(services, e);
        return false;
    }
    return true;
}

// The folder of "Raves" for the code: names ending with it, sorted; one holding lists first.
std::string findDiscFolder(const Services& services, const std::string& code) {
    std::vector<std::string> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(ravesPath(services), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError)) continue;
        const std::string name = it->path().filename().string();
        if (name.size() > code.size() && endsWith(name, code)) found.push_back(name);
    }
    std::sort(found.begin(), found.end());
    for (const std::string& name : found)
        if (holdsCdLists(joinPath(ravesPath(services), name))) return name;
    return found.empty() ? std::string() : found.front();
}

}  // namespace

Bytes encodeCdList(const CdList& list) {
    const size_t count = size_t(std::clamp(list.count, 1, kMaxCdTracks));
    Bytes b(kCdListHeader + count * kCdEntrySize, 0);
    b[0] = 'l';
    b[1] = uint8_t(count);
    b[2] = kCdListVersion;
    b[3] = uint8_t(kCdNameField);
    std::copy_n(list.code.begin(), std::min(list.code.size(), kCdCodeSize), b.begin() + kCdCodeAt);
    std::copy_n(list.discId.begin(), std::min(list.discId.size(), kCdDiscIdSize),
                b.begin() + kCdDiscIdAt);
    for (size_t i = 0; i < count; ++i) {
        const CdTrackEntry& e = list.entries[i];
        uint8_t* at = b.data() + kCdListHeader + i * kCdEntrySize;
        at[0] = e.raveAttached ? 1 : 0;
        writeNameField(at + 1, cutText(e.trackName, kCdNameField - 1), kCdNameField);
        writeNameField(at + 1 + kCdNameField, cutText(e.raveName, kCdNameField - 1), kCdNameField);
    }
    return b;
}

bool decodeCdList(const Bytes& file, CdList& out, std::string& message) {
    if (!file.empty() && file[0] != 'l' && file[0] != 'L') {
        message = kNotValidCdFile;
        return false;
    }
    if (file.size() < kCdListHeaderBare) {
        message = kEndOfFile;
        return false;
    }
    const size_t count = file[1];
    if (count == 0 || count > size_t(kMaxCdTracks)) {
        message = kNotValidCdFile;
        return false;
    }
    const bool identity = file[0] == 'l';
    const bool old = file[2] < kCdListVersion;
    const size_t header = identity ? kCdListHeader : kCdListHeaderBare;
    const size_t entrySize = old ? kCdEntrySizeOld : kCdEntrySize;
    if (file.size() < header + count * entrySize) {
        message = kEndOfFile;
        return false;
    }
    if (identity) {
        out.code = readNameField(&file[kCdCodeAt], kCdCodeSize);
        out.discId = readNameField(&file[kCdDiscIdAt], kCdDiscIdSize);
    }
    out.count = int(count);
    for (size_t i = 0; i < out.entries.size(); ++i) {
        CdTrackEntry e;
        if (i < count) {
            const uint8_t* at = &file[header + i * entrySize];
            e.raveAttached = at[0] != 0;
            e.trackName = readNameField(at + 1, kCdNameField);
            e.raveName = old ? e.trackName : readNameField(at + 1 + kCdNameField, kCdNameField);
        }
        out.entries[i] = e;
    }
    return true;
}

std::string cdDiscFolderPath(const Services& services, const CdList& list) {
    return joinPath(ravesPath(services), list.discFolder());
}

std::vector<std::string> listCdLists(const Services& services, const CdList& list) {
    std::vector<std::string> names;
    if (listFolder(cdDiscFolderPath(services, list), kCdListExtension, names) != 0) return {};
    const size_t ext = std::string(kCdListExtension).size();
    for (std::string& n : names) n.resize(n.size() - ext);
    std::erase_if(names, [](const std::string& n) { return n.empty(); });
    std::sort(names.begin(), names.end());
    return names;
}

bool saveCdList(Services& services, const CdList& list) {
    if (!safeName(list.name)) {
        services.showAlert("File write error!");
        return false;
    }
    const int e = createFolders(cdDiscFolderPath(services, list));
    if (e != 0) {
        reportFileError(services, e);
        services.platform().beep();
        return false;
    }
    if (writeFileReplacing(listFilePath(services, list, list.name), encodeCdList(list)) != 0) {
        services.showAlert("File write error!");
        services.platform().beep();
        return false;
    }
    return true;
}

bool loadCdList(Services& services, CdList& list, const std::string& name) {
    if (!safeName(name)) {
        reportFileError(services, kErrNoFile);
        return false;
    }
    Bytes file;
    const int e = readWholeFile(
        listedFilePath(cdDiscFolderPath(services, list), name, kCdListExtension), file,
        kCdListFileLimit);
    if (e != 0) {
        reportFileError(services, e);
        return false;
    }
    CdList read = list;
    std::string message;
    if (!decodeCdList(file, read, message)) {
        services.showAlert(message);
        return false;
    }
    // The disc in the drive decides what the list describes, whatever the file was saved with.
    read.code = list.code;
    read.discId = list.discId;
    read.count = list.count;
    if (!moveDiscFolder(services, list, name)) return false;
    read.name = name;
    list = read;
    return true;
}

bool newCdList(Services& services, CdList& list, const std::string& typed) {
    std::string name;
    if (!typedListName(services, typed, name)) return false;
    if (name == list.name) return saveCdList(services, list);
    const std::string oldName = list.name;
    if (!moveDiscFolder(services, list, name)) return false;
    CdList copy = list;
    copy.name = name;
    if (!saveCdList(services, copy)) {
        moveDiscFolder(services, copy, oldName);
        return false;
    }
    list = copy;
    return true;
}

bool renameCdList(Services& services, CdList& list, const std::string& from,
                  const std::string& typed) {
    std::string to;
    if (!typedListName(services, typed, to)) return false;
    if (!safeName(from)) {
        reportFileError(services, kErrNoFile);
        return false;
    }
    if (to == from) return true;
    const std::string fromPath = listFilePath(services, list, from);
    const std::string toPath = listFilePath(services, list, to);
    int e = renameFile(fromPath, toPath);
    if (e != 0) {
        reportFileError(services, e);
        return false;
    }
    if (from != list.name) return true;
    if (!moveDiscFolder(services, list, to)) {
        renameFile(toPath, fromPath);
        return false;
    }
    list.name = to;
    return true;
}

bool deleteCdList(Services& services, const CdList& list, const std::string& name) {
    if (name == list.name) {
        services.showAlert(kCannotDeleteCurrentCdList);
        return false;
    }
    if (!safeName(name)) {
        reportFileError(services, kErrNoFile);
        return false;
    }
    const int e = removeFile(listFilePath(services, list, name));
    if (e != 0) {
        reportFileError(services, e);
        return false;
    }
    return true;
}

SongRaveFields cdTrackRave(const CdList& list, int track) {
    SongRaveFields rave;
    rave.raveFolder = list.discFolder();
    if (track < 0 || track >= std::min(list.count, kMaxCdTracks)) return rave;
    const CdTrackEntry& e = list.entries[size_t(track)];
    rave.attached = e.raveAttached;
    rave.raveName = e.raveName;
    return rave;
}

void storeCdTrackRave(CdList& list, int track, const SongRaveFields& rave) {
    if (track < 0 || track >= std::min(list.count, kMaxCdTracks)) return;
    CdTrackEntry& e = list.entries[size_t(track)];
    e.raveAttached = rave.attached;
    e.raveName = cutText(rave.raveName, kCdNameField - 1);
}

std::array<uint8_t, 44> cdRaveIdentity(const CdList& list) {
    std::array<uint8_t, 44> id{};
    writeNameField(id.data(), cutText(list.name, 31), 32);
    std::copy_n(list.discId.begin(), std::min(list.discId.size(), kCdDiscIdSize), id.begin() + 32);
    return id;
}

bool recogniseDisc(Services& services, const DiscTable& table, CdList& list) {
    if (!table.present()) {
        list = CdList{};
        return true;
    }
    CdList disc;
    disc.code = table.code;
    disc.discId = table.discId;
    disc.count = std::clamp(table.trackCount, 1, kMaxCdTracks);
    const std::string folder = findDiscFolder(services, table.code);
    if (folder.empty()) {
        disc.name = kUnnamedCd;
        list = disc;
        return saveCdList(services, list);
    }
    disc.name = folder.substr(0, folder.size() - table.code.size());
    list = disc;
    const std::vector<std::string> names = listCdLists(services, list);
    if (names.empty()) return saveCdList(services, list);
    // The folder's own list; should it be gone, the first one there rather than none.
    const bool own = std::find(names.begin(), names.end(), list.name) != names.end();
    return loadCdList(services, list, own ? list.name : names.front());
}

}  // namespace korel
