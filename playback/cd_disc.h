// The audio CD in the drive: its table of audio tracks, the numbers that identify it (the quick
// identity, the 4-character CD code and the 8-character disc identifier) and song lengths.
//
// Positions are frames of 1/75 s as the drive reports them (track 1 of a pressed disc at 150).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/cd_drive.h"

namespace korel {

constexpr uint32_t kQuickIdentityBase = 4900;
constexpr uint32_t kNoDiscSongLength = 60000;  // ms: what a song lasts without a disc
constexpr const char* kNoDiscCode = "0000";

struct DiscTable {
    // Audio tracks, 1-99; 0 while no disc (or no audio) is in the drive.
    int trackCount = 0;
    // Start of each audio track in frames, and the lead-out at [trackCount].
    std::array<uint32_t, kMaxCdTracks + 1> start{};
    // The drive's own (1-based) number of audio track i: data tracks before it shift it.
    std::array<uint8_t, kMaxCdTracks> driveTrack{};
    uint32_t quickIdentity = 0;
    std::string code = kNoDiscCode;
    std::string discId;  // 8 lowercase hexadecimal characters; empty without a disc

    bool present() const { return trackCount > 0; }
};

// (last mod 4900) + 4900 * (second mod 4900), from the starts of the drive's last track and of
// its track 2 (track 1 on a one-track disc). Always below 70^4.
uint32_t quickIdentity(uint32_t lastTrackStart, uint32_t secondTrackStart);

// The quick identity in base 70, four digits, most significant first: "0"-"9", "A"-"Z", "a"-"z",
// then "#$%&+=@!". Values of 70^4 and above keep only their low four digits.
std::string cdCode(uint32_t quickIdentity);

// The published freedb/CDDB disc identifier of the table's audio tracks and lead-out, as 8
// lowercase hexadecimal characters; empty for a table without tracks.
std::string freedbDiscId(const DiscTable& table);

// Milliseconds of audio track `track` (0-based): its frames * 1000 / 75 - 225, never below 0;
// 60000 without a disc or for a track the disc does not have.
uint32_t songLengthMs(const DiscTable& table, int track);

// Empties the table: no tracks, code "0000", no identifier.
void clearDisc(DiscTable& table);

struct DiscReadResult {
    bool present = false;  // a disc with at least one audio track is in the drive
    bool same = false;     // the disc is the one the table already held (the table is kept)
};

// Reads the disc in the drive into `table`. A disc with the quick identity the table already has
// counts as the same disc and the table is kept. Otherwise the table is rebuilt from the audio
// tracks: data tracks are left out, a data track after the audio ends it 150 frames before its
// own start. Without media, without audio tracks or with a table the drive cannot read (or whose
// starts do not rise) the table is cleared and `present` is false.
DiscReadResult readDisc(CdDrive& drive, DiscTable& table);

}  // namespace korel
