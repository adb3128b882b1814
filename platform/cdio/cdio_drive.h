// The desktop CD drives: device drives through libcdio (audio read digitally with
// libcdio-paranoia) and disc images (.cue), played on a streaming thread into a PulseAudio
// stream ("CD Audio") on the default sink.
//
// The position is the frame being heard: what the server has played less its latency. Without
// a sound server the drive still plays, silently, by the wall clock.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/cd_drive.h"
#include "platform/cd_image.h"

namespace korel {

class CdioCdSystem : public CdSystem {
  public:
    std::vector<CdDriveInfo> drives(const std::string& imageFolder) override;
    // A path ending in ".cue" opens as a disc image, anything else as a device.
    std::unique_ptr<CdDrive> open(const std::string& path, std::string& reason) override;
};

// The track table as libcdio reads it from a device, or from an image (`image`: through its
// own cue reader). Positions in frames, track 1 of a pressed disc at 150; offsets are 0.
bool readCdioTable(const std::string& path, bool image, std::vector<CdImageTrack>& tracks,
                   uint32_t& leadOut, std::string& reason);

class CdioCdDrive : public CdDrive {
  public:
    CdioCdDrive();
    ~CdioCdDrive() override;
    CdioCdDrive(const CdioCdDrive&) = delete;
    CdioCdDrive& operator=(const CdioCdDrive&) = delete;

    bool openPath(const std::string& path, std::string& reason);
    // True while the drive plays into a sound server (false: it plays silently by the clock).
    bool audible();

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
    const std::string& path() const override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace korel
