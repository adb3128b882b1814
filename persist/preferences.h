// The preferences file of each edition: 12 bytes (and the MP3 edition's current songlist) in
// the config folder, shared with the screen-saver program.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/bytes.h"
#include "core/services.h"

namespace korel {

struct Preferences {
    bool launchedBySaver = false;  // byte 1: this run was started by the screen saver
    bool saverEnabled = true;      // byte 2 bit 0
    uint8_t playWhenLaunched = 0;  // byte 2 bits 1-7
    uint8_t saverDelay = 0;        // byte 3, minutes
    bool helpOpen = true;          // byte 4 bit 0
    uint8_t cdSeekCheck = 0;       // byte 4 bits 1-7 (CD edition)
    std::array<uint8_t, 3> soundInput{255, 0, 255};  // bytes 5-7 (CD edition)
    std::string songlist = "My_Songlist";            // MP3 edition, 28-byte field
};

constexpr size_t kPreferencesSize = 12;
constexpr size_t kSonglistField = 28;

const char* preferencesFileName(Edition edition);
std::string preferencesPath(const Services& services);

// The bytes the screen-saver program writes when it creates the file.
std::array<uint8_t, kPreferencesSize> saverDefaultPreferences();

Preferences decodePreferences(const Bytes& file, Edition edition);
// Byte 1 is always written 0: the visualiser clears the screen saver's flag.
Bytes encodePreferences(const Preferences& prefs, Edition edition);

// Reads the edition's file; a missing one is created from the screen saver's defaults (with
// byte 1 = 0) and those values are used. Problems are reported and leave the defaults.
Preferences readPreferences(Services& services);
bool writePreferences(Services& services, const Preferences& prefs);

}  // namespace korel
