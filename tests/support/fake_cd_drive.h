// Test helper: a CD drive whose disc is a list of tracks (start, length, audio or data), counting
// how often the full track table was walked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/cd_drive.h"

namespace korel::test {

struct FakeTrack {
    uint32_t start = 0;
    uint32_t length = 0;
    bool audio = true;
};

class FakeCdDrive : public CdDrive {
  public:
    bool media = true;
    std::vector<FakeTrack> tracks;
    int typeQueries = 0;  // trackIsAudio calls: only a new disc's table reads them

    // Tracks that follow one another: each starts where the previous one ended.
    void pressAudio(uint32_t firstStart, const std::vector<uint32_t>& lengths) {
        tracks.clear();
        uint32_t at = firstStart;
        for (uint32_t len : lengths) {
            tracks.push_back({at, len, true});
            at += len;
        }
    }

    bool mediaPresent() override { return media; }
    int trackCount() override { return media ? int(tracks.size()) : 0; }
    bool trackStart(int track, uint32_t& frames) override {
        if (!has(track)) return false;
        frames = tracks[size_t(track - 1)].start;
        return true;
    }
    bool trackLength(int track, uint32_t& frames) override {
        if (!has(track)) return false;
        frames = tracks[size_t(track - 1)].length;
        return true;
    }
    bool trackIsAudio(int track) override {
        ++typeQueries;
        return has(track) && tracks[size_t(track - 1)].audio;
    }
    bool position(uint32_t& frames) override {
        frames = 0;
        return false;
    }
    bool seek(uint32_t) override { return media; }
    bool play() override { return media; }
    bool pause() override { return true; }
    bool stop() override { return true; }
    bool playing() override { return false; }
    bool openDoor() override {
        media = false;
        return true;
    }
    const std::string& path() const override { return path_; }

  private:
    bool has(int track) const { return media && track >= 1 && size_t(track) <= tracks.size(); }
    std::string path_ = "/dev/fake-cd";
};

}  // namespace korel::test
