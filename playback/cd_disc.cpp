// The disc table, its identity numbers and reading it from the drive.
#include "playback/cd_disc.h"

#include <cstdio>

namespace korel {

namespace {

constexpr char kCodeDigits[] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz#$%&+=@!";
static_assert(sizeof(kCodeDigits) - 1 == 70);

uint32_t digitSum(uint32_t v) {
    uint32_t s = 0;
    for (; v > 0; v /= 10) s += v % 10;
    return s;
}

}  // namespace

uint32_t quickIdentity(uint32_t lastTrackStart, uint32_t secondTrackStart) {
    return lastTrackStart % kQuickIdentityBase +
           kQuickIdentityBase * (secondTrackStart % kQuickIdentityBase);
}

std::string cdCode(uint32_t quickIdentity) {
    const uint32_t digits[4] = {quickIdentity / 343000 % 70, quickIdentity / 4900 % 70,
                                quickIdentity / 70 % 70, quickIdentity % 70};
    std::string code(4, '0');
    for (size_t i = 0; i < 4; ++i) code[i] = kCodeDigits[digits[i]];
    return code;
}

std::string freedbDiscId(const DiscTable& table) {
    if (table.trackCount <= 0 || table.trackCount > kMaxCdTracks) return {};
    const size_t count = size_t(table.trackCount);
    uint32_t n = 0;
    for (size_t i = 0; i < count; ++i) n += digitSum(table.start[i] / kCdFramesPerSecond);
    const uint32_t t =
        table.start[count] / kCdFramesPerSecond - table.start[0] / kCdFramesPerSecond;
    const uint32_t id = (n % 255) << 24 | t << 8 | uint32_t(count);
    char text[9];
    std::snprintf(text, sizeof text, "%08x", id);
    return text;
}

uint32_t songLengthMs(const DiscTable& table, int track) {
    if (track < 0 || track >= table.trackCount || table.trackCount > kMaxCdTracks)
        return kNoDiscSongLength;
    const size_t i = size_t(track);
    if (table.start[i + 1] <= table.start[i]) return 0;
    const uint64_t ms = uint64_t(table.start[i + 1] - table.start[i]) * 1000 / kCdFramesPerSecond;
    return ms > 225 ? uint32_t(ms - 225) : 0;
}

void clearDisc(DiscTable& table) { table = DiscTable{}; }

DiscReadResult readDisc(CdDrive& drive, DiscTable& table) {
    const auto none = [&table] {
        clearDisc(table);
        return DiscReadResult{};
    };
    if (!drive.mediaPresent()) return none();
    const int count = drive.trackCount();
    if (count <= 0) return none();

    // The quick identity takes the drive's own numbering, data tracks included.
    uint32_t last = 0;
    uint32_t second = 0;
    if (!drive.trackStart(count, last) || !drive.trackStart(count > 1 ? 2 : 1, second))
        return none();
    const uint32_t identity = quickIdentity(last, second);
    if (table.present() && identity == table.quickIdentity) return {true, true};

    DiscTable read;
    read.quickIdentity = identity;
    // The first data track after the latest audio track: when no audio follows it, it ends the
    // audio. (A data track between audio tracks is only left out.)
    bool dataAfterAudio = false;
    uint32_t dataStart = 0;
    for (int d = 1; d <= count && d <= kMaxCdTracks; ++d) {
        uint32_t s = 0;
        if (!drive.trackStart(d, s)) return none();
        if (!drive.trackIsAudio(d)) {
            if (read.trackCount > 0 && !dataAfterAudio) {
                dataAfterAudio = true;
                dataStart = s;
            }
            continue;
        }
        if (read.trackCount >= kMaxCdTracks) break;
        const size_t at = size_t(read.trackCount);
        read.start[at] = s;
        read.driveTrack[at] = uint8_t(d);
        ++read.trackCount;
        dataAfterAudio = false;
    }
    if (read.trackCount == 0) return none();

    const size_t lastAudio = size_t(read.trackCount - 1);
    uint32_t leadOut = 0;
    if (dataAfterAudio) {
        if (dataStart < kCdLeadIn) return none();
        leadOut = dataStart - kCdLeadIn;
    } else {
        // The drive's track length runs from the track's start to the next track's start (or
        // the lead-out), so the last audio track's start plus its length is the lead-out itself.
        uint32_t length = 0;
        if (!drive.trackLength(read.driveTrack[lastAudio], length)) return none();
        leadOut = read.start[lastAudio] + length;
    }
    read.start[lastAudio + 1] = leadOut;
    // A table whose starts do not rise would give lengths below zero: not a disc we can play.
    for (size_t i = 0; i <= lastAudio; ++i)
        if (read.start[i + 1] <= read.start[i]) return none();

    read.code = cdCode(identity);
    read.discId = freedbDiscId(read);
    table = read;
    return {true, false};
}

}  // namespace korel
