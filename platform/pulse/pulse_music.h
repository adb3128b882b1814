// The desktop playback graph: the sound-file reader decodes on a streaming thread of the graph's
// own, through the sample tap, into a playback stream on the PulseAudio server's default sink.
//
// No call waits on the server for long: connecting and creating the stream wait a couple of
// seconds at most, every other server request is sent without waiting for its answer. When the
// server goes away during a song, the position keeps counting by the clock while running.
#pragma once

#include <memory>

#include "platform/music_graph.h"

namespace korel {

class PulseMusicGraph : public MusicGraph {
  public:
    PulseMusicGraph();
    ~PulseMusicGraph() override;
    PulseMusicGraph(const PulseMusicGraph&) = delete;
    PulseMusicGraph& operator=(const PulseMusicGraph&) = delete;

    // Fails with "CI" when no sound server answers, "RF" when the file cannot be read.
    bool open(const std::string& path, GraphFailure& failure) override;
    void close() override;
    bool isOpen() const override;
    bool run() override;
    bool pause() override;
    bool stop() override;
    GraphState state() override;
    double duration() override;
    bool position(double& seconds) override;
    bool seek(double seconds) override;
    void setTapClient(TapClient* client) override;
    void resetTap() override;
    void requestSamples(int64_t time, double* out) override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace korel
