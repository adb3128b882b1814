// The demo song: about two and a half minutes of four-on-the-floor music synthesised from
// scratch, whose kick drum settles on 72 Hz so that the default listening frequency hears
// every beat.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/bytes.h"

namespace korel::art {

struct SongAudio {
    int sampleRate = 44100;
    int channels = 2;
    std::vector<float> samples;  // interleaved, -1..1

    size_t frames() const { return channels ? samples.size() / size_t(channels) : 0; }
};

struct SongPlan {
    double bpm = 120;
    int bars = 72;       // four beats each
    double kickHz = 72;  // where the kick's pitch settles
    int sampleRate = 44100;
};

// Time of beat `n` (0-based) in seconds, and whether the plan has a kick on it: the intro's
// first four bars and the breakdown have none.
double beatTime(const SongPlan& plan, int beat);
bool kickOnBeat(const SongPlan& plan, int beat);

SongAudio synthesiseSong(const SongPlan& plan);

// 16-bit PCM WAV, byte-exact RIFF layout.
Bytes encodeWav16(const SongAudio& audio);

}  // namespace korel::art
