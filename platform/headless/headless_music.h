// The headless playback graph: decodes a music file with the sound-file reader into a null
// output that plays at the virtual clock's pace.
//
// The position is the seek point plus the virtual time spent running, exactly (held to the
// file's length). The decoder runs kLeadMs ahead of the position and hands its blocks to the tap
// on the caller's thread when the program asks for the position or for samples, or when pump()
// is called, so runs repeat exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audiofile/audio_file_reader.h"
#include "platform/music_graph.h"
#include "platform/platform.h"
#include "platform/sample_tap.h"

namespace korel {

class HeadlessMusicGraph : public MusicGraph {
  public:
    static constexpr uint32_t kLeadMs = 250;
    static constexpr size_t kBlockFrames = 4096;

    explicit HeadlessMusicGraph(Platform& platform);

    // --- Script ------------------------------------------------------------------------------
    // When its tag is set, every open fails with this failure (the file is not read).
    GraphFailure failOpens;
    // Calls the program made, for tests.
    struct Calls {
        int opens = 0, closes = 0, runs = 0, pauses = 0, stops = 0, seeks = 0, resets = 0;
        int requests = 0;
    } calls;
    // The path of the open file; empty when none.
    const std::string& openPath() const { return path_; }
    // Decodes what is due by the platform's clock.
    void pump();
    // Frames decoded and handed to the tap since the last seek.
    uint64_t decodedFrames() const { return decoded_; }

    // --- MusicGraph ------------------------------------------------------------------------
    bool open(const std::string& path, GraphFailure& failure) override;
    void close() override;
    bool isOpen() const override { return reader_.isOpen(); }
    bool run() override;
    bool pause() override;
    bool stop() override;
    GraphState state() override { return state_; }
    double duration() override;
    bool position(double& seconds) override;
    bool seek(double seconds) override;
    void setTapClient(TapClient* client) override { tap_.setClient(client); }
    void resetTap() override;
    void requestSamples(int64_t time, double* out) override;

  private:
    // Milliseconds played since the seek point.
    uint64_t playedMs();
    void holdClock();

    Platform& platform_;
    AudioFileReader reader_;
    SampleTap tap_;
    std::string path_;
    std::vector<int16_t> block_;
    GraphState state_ = GraphState::Stopped;
    uint64_t seekFrame_ = 0;
    uint64_t decoded_ = 0;
    bool ended_ = false;
    uint64_t heldMs_ = 0;     // played before the last run
    uint32_t runTick_ = 0;    // tick count at the last run
};

}  // namespace korel
