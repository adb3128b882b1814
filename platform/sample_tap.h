// The sample tap between a playback graph's decoder and its output: it tells the TapClient about
// every block that passes and keeps the latest seconds of the stream as mono samples for the
// analysis.
//
// Threads: feed() runs on the graph's streaming thread; request() and reset() on the program's.
// The tap's own lock is held only while samples are copied, never while decoding or while the
// client's notice runs, so a request never waits on the decoder and the client may hold its own
// lock around request().
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/music_graph.h"

namespace korel {

class SampleTap {
  public:
    // Samples kept: about 12 s of a 44.1 kHz stereo stream, 5.9 s of a mono one.
    static constexpr size_t kRingSamples = size_t(1) << 18;

    SampleTap();

    // Null: no notices. Set before the stream starts.
    void setClient(TapClient* client) { client_ = client; }

    // One block of decoded interleaved 16-bit PCM: `frames` frames of `channels` channels at
    // `rate`, whose first frame is frame `firstFrame` of the stream since the last reset. Sends
    // a format notice first when the stream is new (or the format changed), then a data notice:
    // word 0 the block's number since the reset (never 0), word 3 the frame count, words 4 and
    // 5 the first frame (low, high). Bad formats (no channels, no rate) are ignored.
    // With `generation` given, a block decoded before a later reset is dropped: a streaming
    // thread takes generation() when it decodes and passes it here.
    void feed(const int16_t* pcm, size_t frames, int channels, int rate, uint64_t firstFrame,
              uint64_t generation = kAnyGeneration);

    // Forgets every sample; the next block starts a new stream with a format notice. Blocks
    // decoded before are dropped (see feed).
    void reset();
    // The same, except that when nothing came since the last reset it changes nothing, so a
    // block decoded since that reset is kept: for the program's reset just after a seek.
    void restart();
    static constexpr uint64_t kAnyGeneration = UINT64_MAX;
    // Counts the resets.
    uint64_t generation();

    // Copies the kTapRequestSamples samples that start at stream time `time` (100 ns units since
    // the last reset) into `out`, the newest last; 0 for samples not held.
    void request(int64_t time, double* out);

    // The kept samples per second of the current stream (trunc(rate / channels)); 0 before any.
    uint32_t samplesPerSecond();

  private:
    void clear();  // with the lock held

    TapClient* client_ = nullptr;
    std::mutex mutex_;
    std::vector<double> ring_;
    // Kept samples since the reset: sample k lives at ring_[k % kRingSamples] while
    // k >= head_ - kRingSamples.
    uint64_t head_ = 0;
    int rate_ = 0, channels_ = 0;
    bool newStream_ = true;
    uint32_t blocks_ = 0;
    uint64_t generation_ = 0;
};

}  // namespace korel
