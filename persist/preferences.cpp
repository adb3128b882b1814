// Reading and writing the preferences file.
#include "persist/preferences.h"

#include <algorithm>

#include "persist/program_files.h"
#include "platform/files.h"

namespace korel {

const char* preferencesFileName(Edition edition) {
    switch (edition) {
        case Edition::CD: return "Korel Preferences.txt";
        case Edition::MP3: return "KorelMP3 Preferences.txt";
        case Edition::LIVE: return "KorelLIVE Preferences.txt";
    }
    return "Korel Preferences.txt";
}

std::string preferencesPath(const Services& services) {
    return joinPath(services.shell().configFolder, preferencesFileName(services.edition()));
}

std::array<uint8_t, kPreferencesSize> saverDefaultPreferences() {
    return {2, 1, 1, 0, 1, 255, 0, 255, 0, 0, 0, 0};
}

Preferences decodePreferences(const Bytes& file, Edition edition) {
    Preferences p;
    if (file.size() < kPreferencesSize) return p;
    p.launchedBySaver = file[1] != 0;
    p.saverEnabled = (file[2] & 1) != 0;
    p.playWhenLaunched = uint8_t(file[2] >> 1);
    p.saverDelay = file[3];
    p.helpOpen = (file[4] & 1) != 0;
    p.cdSeekCheck = uint8_t(file[4] >> 1);
    p.soundInput = {file[5], file[6], file[7]};
    if (edition == Edition::MP3 && file.size() >= kPreferencesSize + kSonglistField) {
        std::string name = readNameField(file.data() + kPreferencesSize, kSonglistField);
        if (!name.empty()) p.songlist = name;
    }
    return p;
}

Bytes encodePreferences(const Preferences& p, Edition edition) {
    Bytes b(kPreferencesSize + (edition == Edition::MP3 ? kSonglistField : 0), 0);
    b[0] = 2;
    b[1] = 0;
    b[2] = uint8_t((p.saverEnabled ? 1 : 0) | (p.playWhenLaunched << 1));
    b[3] = p.saverDelay;
    b[4] = uint8_t((p.helpOpen ? 1 : 0) | (edition == Edition::CD ? p.cdSeekCheck << 1 : 0));
    if (edition == Edition::CD) {
        b[5] = p.soundInput[0];
        b[6] = p.soundInput[1];
        b[7] = p.soundInput[2];
    }
    if (edition == Edition::MP3) writeNameField(b.data() + kPreferencesSize, p.songlist, kSonglistField);
    return b;
}

Preferences readPreferences(Services& services) {
    const std::string path = preferencesPath(services);
    Bytes file;
    int e = readWholeFile(path, file, 4096);
    if (e == kErrNoFile || e == kErrNoPath) {
        // A new file takes the screen saver's defaults, with its launched flag clear.
        const bool mp3 = services.edition() == Edition::MP3;
        auto d = saverDefaultPreferences();
        Bytes bytes(kPreferencesSize + (mp3 ? kSonglistField : 0), 0);
        std::copy(d.begin(), d.end(), bytes.begin());
        bytes[1] = 0;
        if (mp3) writeNameField(bytes.data() + kPreferencesSize, Preferences{}.songlist, kSonglistField);
        createFolders(services.shell().configFolder);
        if (writeFileReplacing(path, bytes) != 0) services.showAlert("File write error!");
        return decodePreferences(bytes, services.edition());
    }
    if (e != 0) {
        reportFileError(services, e);
        return decodePreferences({}, services.edition());
    }
    if (file.size() < kPreferencesSize) {
        services.showAlert("End of file error!");
        return Preferences{};
    }
    return decodePreferences(file, services.edition());
}

bool writePreferences(Services& services, const Preferences& prefs) {
    createFolders(services.shell().configFolder);
    if (writeFileReplacing(preferencesPath(services), encodePreferences(prefs, services.edition())) != 0) {
        services.showAlert("File write error!");
        return false;
    }
    return true;
}

}  // namespace korel
