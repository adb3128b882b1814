// The ".rav" file, and saving, attaching, renaming and deleting raves.
#include "raves/rave_file.h"

#include <algorithm>
#include <cstdlib>

#include "persist/program_files.h"
#include "persist/styles.h"
#include "platform/files.h"

namespace korel {

size_t raveIdentitySize(Edition edition) { return edition == Edition::CD ? 44 : 32; }

Bytes encodeRaveFile(const RaveState& rave, Edition edition, std::span<const uint8_t> identity) {
    // The nodes in list order; a walk that leaves the array or runs longer than the count ends.
    std::vector<int> order;
    order.reserve(size_t(rave.nodeCount));
    for (int32_t i = 0; i >= 0 && i < kRaveNodes && int(order.size()) < rave.nodeCount;
         i = rave.events[size_t(i)].next)
        order.push_back(i);

    const size_t idSize = raveIdentitySize(edition);
    Bytes out(kRaveFileHeader + idSize + kRaveStateBytes + 2 + order.size() * kRaveNodeBytes, 0);
    size_t at = 0;
    out[0] = 'r';
    out[1] = 0;
    out[2] = 3;
    out[3] = 16;
    at = kRaveFileHeader;
    std::copy_n(identity.begin(), std::min(identity.size(), idSize), out.begin() + long(at));
    at += idSize;
    std::copy_n(rave.songStart.bytes.begin() + 4, kRaveStateBytes, out.begin() + long(at));
    // The header bytes of the embedded record are the file's own.
    at += kRaveStateBytes;
    putLe16(&out[at], uint16_t(order.size()));
    at += 2;
    for (int i : order) {
        const RaveEvent& e = rave.events[size_t(i)];
        putLe32(&out[at], uint32_t(e.time));
        out[at + 4] = e.kind;
        std::copy(e.payload.begin(), e.payload.end(), out.begin() + long(at + 5));
        at += kRaveNodeBytes;
    }
    return out;
}

bool decodeRaveFile(const Bytes& file, Edition edition, VisualState& songStart, RaveState& rave) {
    VisualState state;
    if (decodeRaveState(file, edition, state) != StyleRead::Loaded) return false;
    const bool version1 = file[vs::Version] == 1;
    const size_t idSize = file[0] == 'R' ? 0 : raveIdentitySize(edition);
    ByteReader in(file);
    uint16_t count = 0;
    if (!in.seek(kRaveFileHeader + idSize + (version1 ? kRaveStateBytesV1 : kRaveStateBytes)) ||
        !in.le16(count))
        return false;
    if (count == 0 || count > kRaveNodes || size_t(count) * kRaveNodeBytes > in.remaining())
        return false;
    // The record read back is version 3 whatever the file held.
    state.set(vs::Version, 3);
    songStart = state;
    for (int i = 0; i < count; ++i) {
        RaveEvent& e = rave.events[size_t(i)];
        uint32_t time = 0;
        in.le32(time);
        e.time = int32_t(time);
        in.u8(e.kind);
        in.bytes(e.payload.data(), kRavePayload);
        e.previous = i - 1;
        e.next = i + 1 < count ? i + 1 : kRaveEnd;
    }
    rave.nodeCount = count;
    return true;
}

// --- Operations -------------------------------------------------------------------------------

namespace {

// A name that stays inside the rave folder.
bool usableName(const std::string& name) {
    if (name.empty() || name.size() >= kRaveNameWidth || name == "." || name == "..") return false;
    return name.find_first_of("/\\") == std::string::npos && name.find('\0') == std::string::npos;
}

void forget(SongRaveFields& song) {
    song.attached = false;
    song.raveName.clear();
}

}  // namespace

std::string raveFolderPath(const Services& services, const SongRaveFields& song) {
    return joinPath(services.dataPath(fileFolder(FileKind::Rave)), song.raveFolder);
}

std::string raveFilePath(const Services& services, const SongRaveFields& song,
                         const std::string& name) {
    return makeFileName(services, FileKind::Rave, name, raveFolderPath(services, song));
}

bool startSongWithRave(Services& services, RaveEngine& engine, SongRaveFields& song) {
    RaveState& rave = engine.state();
    RaveHost& host = engine.host();
    bool changed = false;
    bool replaying = false;
    if (song.attached) {
        Bytes file;
        VisualState state;
        if (!usableName(song.raveName) ||
            readWholeFile(raveFilePath(services, song, song.raveName), file, kRaveFileLimit) != 0) {
            services.showAlert(kRaveUnableToLoad);
            forget(song);
            changed = true;
        } else if (!decodeRaveFile(file, services.edition(), state, rave)) {
            services.showAlert(kRaveNotValid);
            forget(song);
            changed = true;
        } else {
            if (!rave.userStateAside) {
                rave.userState = host.visualState();
                rave.userStateAside = true;
            }
            rave.applyingSongStart = true;
            host.applyStyle(state);
            rave.applyingSongStart = false;
            std::array<uint8_t, kRaveValueCodes> values{};
            for (size_t i = 0; i < values.size(); ++i)
                values[i] = uint8_t(std::abs(int(int8_t(rave.events[0].payload[i]))));
            host.setCurrentValues(values);
            replaying = true;
        }
    }
    if (!replaying) {
        if (rave.userStateAside) {
            rave.userStateAside = false;
            rave.applyingSongStart = true;
            host.applyStyle(rave.userState);
            rave.applyingSongStart = false;
        } else {
            host.loadSongStyle();
        }
        engine.freshList();
    }
    rave.raveLoaded = replaying;
    engine.beginSong();
    return changed;
}

bool saveRave(Services& services, RaveEngine& engine, SongRaveFields& song, const std::string& name,
              std::span<const uint8_t> identity) {
    RaveState& rave = engine.state();
    if (!usableName(name)) {
        services.showAlert("File write error!");
        return false;
    }
    const Bytes file = encodeRaveFile(rave, services.edition(), identity);
    if (!writeProgramFile(services, FileKind::Rave, name, file, raveFolderPath(services, song)))
        return false;
    if (!song.attached) {
        // The recording's changes now belong to the rave; the user goes on from where it began.
        rave.userState = rave.songStart;
        rave.userStateAside = true;
    }
    song.attached = true;
    song.raveName = name;
    rave.raveLoaded = true;
    return true;
}

bool attachRave(Services& services, SongRaveFields& song, const std::string& name) {
    if (!usableName(name)) {
        services.showAlert(kRaveUnableToLoad);
        return false;
    }
    song.attached = true;
    song.raveName = name;
    return true;
}

bool detachRave(Services& services, SongRaveFields& song) {
    if (!song.attached) {
        services.showAlert(kNoRaveToDetach);
        return false;
    }
    forget(song);
    return true;
}

bool renameRave(Services& services, SongRaveFields& song, const std::string& newName) {
    if (!song.attached) {
        services.showAlert(kNoRaveToRename);
        return false;
    }
    if (!usableName(newName) || !usableName(song.raveName)) {
        services.showAlert("File write error!");
        return false;
    }
    if (newName == song.raveName) return false;
    const int e = renameFile(raveFilePath(services, song, song.raveName),
                             raveFilePath(services, song, newName));
    if (e != 0) {
        reportFileError(services, e);
        return false;
    }
    song.raveName = newName;
    return true;
}

bool deleteRave(Services& services, SongRaveFields& song, const std::string& name) {
    if (!usableName(name)) {
        reportFileError(services, kErrNoFile);
        return false;
    }
    bool changed = false;
    if (song.attached && song.raveName == name) {
        forget(song);
        changed = true;
    }
    reportFileError(services, removeFile(raveFilePath(services, song, name)));
    return changed;
}

}  // namespace korel
