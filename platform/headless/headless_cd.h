// Headless CD drives: scripted drives holding disc images (.cue), played on the virtual clock.
//
// A playing drive moves exactly 75 frames per second of the platform's tick count and stops at
// the end of the disc's audio. While the system has a HeadlessSound, the drive that played last
// is what its capture hears: the disc's audio from the position, brought to the capture's
// 11025 Hz 8-bit mono as a sound server would, and silence while paused or stopped.
//
// The system must outlive the drives it opened.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/cd_drive.h"
#include "platform/cd_image.h"
#include "platform/headless/headless_sound.h"
#include "platform/platform.h"

namespace korel {

class HeadlessCdDrive;

class HeadlessCdSystem : public CdSystem {
  public:
    explicit HeadlessCdSystem(Platform& platform) : platform_(platform) {}

    // --- Script ------------------------------------------------------------------------------
    // A device drive ("/dev/sr0") the system offers, empty until a disc is inserted.
    void addDrive(const std::string& path, const std::string& name);
    // Puts the image at `cuePath` into the drive (a scripted device, or a .cue path itself
    // after its door was opened). False with the reason when the image cannot be read; the drive
    // is then empty.
    bool insert(const std::string& drivePath, const std::string& cuePath, std::string& reason);
    // Takes the disc out as the user would with the drive's own button.
    void eject(const std::string& drivePath);
    // Opening `path` fails with `reason` from now on.
    void failOpen(const std::string& path, const std::string& reason) { failures_[path] = reason; }
    // What the capture hears (null: the drives are not heard).
    HeadlessSound* sound = nullptr;

    struct Calls {
        int drives = 0, open = 0, seek = 0, play = 0, pause = 0, stop = 0, openDoor = 0;
    };
    Calls calls;

    // --- CdSystem ----------------------------------------------------------------------------
    std::vector<CdDriveInfo> drives(const std::string& imageFolder) override;
    std::unique_ptr<CdDrive> open(const std::string& path, std::string& reason) override;

    // A drive's tray: the disc in it, shared by every drive opened on it.
    struct Slot {
        std::string path, name;
        bool image = false;
        std::shared_ptr<CdImage> disc;
        uint32_t changes = 0;  // bumped by every insert and eject
    };

  private:
    friend class HeadlessCdDrive;
    Slot* slot(const std::string& path);

    Platform& platform_;
    std::vector<std::string> devices_;  // in the order added
    std::map<std::string, std::shared_ptr<Slot>> slots_;
    std::map<std::string, std::string> failures_;
};

class HeadlessCdDrive : public CdDrive, private CaptureFeed {
  public:
    HeadlessCdDrive(HeadlessCdSystem& system, std::shared_ptr<HeadlessCdSystem::Slot> slot);
    ~HeadlessCdDrive() override;
    HeadlessCdDrive(const HeadlessCdDrive&) = delete;
    HeadlessCdDrive& operator=(const HeadlessCdDrive&) = delete;

    bool mediaPresent() override;
    int trackCount() override;
    bool trackStart(int track, uint32_t& frames) override;
    bool trackLength(int track, uint32_t& frames) override;
    bool trackIsAudio(int track) override;
    bool position(uint32_t& frames) override;
    bool seek(uint32_t frames) override;
    bool play() override;
    bool pause() override;
    bool stop() override;
    bool playing() override;
    bool openDoor() override;
    const std::string& path() const override { return slot_->path; }

    // The end of the disc's audio: where playing stops (kCdLeadIn without a disc).
    uint32_t audioEnd();

  private:
    void feedCapture(uint64_t first, uint8_t* out, size_t n) override;
    // Follows a disc change (back to the start, stopped) and the end of the audio.
    void update();
    // Stops at the position heard now.
    bool hold();
    // Delivers what the capture was due to hear before a change.
    void pumpSound();
    uint32_t positionAt(uint32_t tick) const;
    const CdImageTrack* trackAt(uint32_t frame) const;
    // The capture-rate samples of conversion block `block` (kHeardBlockFrames frames from
    // the lead-in on), converted on first use; data tracks are silence.
    const std::vector<uint8_t>& heard(uint32_t block);

    HeadlessCdSystem& system_;
    std::shared_ptr<HeadlessCdSystem::Slot> slot_;
    std::shared_ptr<CdImage> disc_;  // the disc the state below belongs to
    uint32_t seen_ = 0;
    bool playing_ = false;
    uint32_t held_ = kCdLeadIn;  // the position while not playing, and where playing started
    uint32_t startTick_ = 0;
    uint32_t end_ = kCdLeadIn;
    std::map<uint32_t, std::vector<uint8_t>> converted_;  // by block, a few at a time
};

}  // namespace korel
