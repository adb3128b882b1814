// The CD drives of the CD edition: finding them, and one opened drive (or disc image) that
// plays audio tracks.
//
// Positions are absolute frames of 1/75 s as a drive reports them: track 1 of a pressed disc
// starts at 150 (the two-second lead-in), so a position is the logical block address + 150.
// Audio is read digitally and played through the sound server's default output; what the
// drive plays is therefore heard on that output's monitor, which the capture can record.
//
// Threads: every call comes from the program's thread; implementations stream on their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korel {

constexpr uint32_t kCdFramesPerSecond = 75;
constexpr uint32_t kCdLeadIn = 150;   // frames before track 1 of a pressed disc
constexpr int kMaxCdTracks = 99;
constexpr int kMaxCdDrives = 3;

// A drive the system offers: a device path (/dev/sr0) or a disc image (.cue) opened as a drive.
struct CdDriveInfo {
    std::string path;
    std::string name;           // what the drive popup shows
    bool mediaPresent = false;
    bool image = false;
};

class CdDrive {
public:
    virtual ~CdDrive() = default;

    // True when a disc is in the drive (for an image: until the door was opened).
    virtual bool mediaPresent() = 0;
    // Every track of the disc, audio and data; 0 when the table cannot be read.
    virtual int trackCount() = 0;
    // Track `track` (1-based): its start position and length in frames, and whether it holds
    // audio. False for a track the disc does not have.
    virtual bool trackStart(int track, uint32_t& frames) = 0;
    virtual bool trackLength(int track, uint32_t& frames) = 0;
    virtual bool trackIsAudio(int track) = 0;

    // The position of what is heard now. False when the drive cannot say.
    virtual bool position(uint32_t& frames) = 0;
    // Moves to `frames` and holds there (not playing) until play; waits until done.
    virtual bool seek(uint32_t frames) = 0;
    // Plays from the current position to the end of the disc's audio.
    virtual bool play() = 0;
    // pause holds the position; stop holds it too and drops what the output has buffered.
    virtual bool pause() = 0;
    virtual bool stop() = 0;
    virtual bool playing() = 0;
    // Opens the door: the disc is gone until one is inserted again.
    virtual bool openDoor() = 0;
    // The device path or image this drive was opened on.
    virtual const std::string& path() const = 0;
};

class CdSystem {
public:
    virtual ~CdSystem() = default;

    // The drives present, at most kMaxCdDrives of them, device drives first, then the images
    // of `imageFolder` (".cue" files; empty: none).
    virtual std::vector<CdDriveInfo> drives(const std::string& imageFolder) = 0;
    // Opens a drive for playing. Null with `reason` filled when it cannot be opened (no such
    // device, busy, not a readable image).
    virtual std::unique_ptr<CdDrive> open(const std::string& path, std::string& reason) = 0;
};

}  // namespace korel
