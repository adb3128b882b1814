// Reading sound files (WAV, MP3, FLAC, Ogg Vorbis, Opus: whatever the system's sound-file
// library reads) as interleaved 16-bit PCM, for the playback graphs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/music_graph.h"

namespace korel {

class AudioFileReader {
  public:
    AudioFileReader() = default;
    ~AudioFileReader() { close(); }
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    // Opens `path` in place of any open file. False with `failure` ("RF", the library's code
    // and reason) when it cannot be read or holds no sound.
    bool open(const std::string& path, GraphFailure& failure);
    void close();
    bool isOpen() const { return file_ != nullptr; }

    int rate() const { return rate_; }
    int channels() const { return channels_; }
    // The length in frames; 0 when the file does not say.
    uint64_t frames() const { return frames_; }

    // Reads up to `frames` frames into `out` (room for frames * channels()); whatever the file
    // holds (8/24/32-bit, float) comes out at 16-bit full scale. The count read; 0 at the end
    // or on a decoding error.
    size_t read(int16_t* out, size_t frames);
    // Moves to `frame` (held to the file); false when the file cannot seek.
    bool seek(uint64_t frame);

  private:
    static constexpr size_t kScratchFrames = 1024;

    void* file_ = nullptr;  // SNDFILE*, kept out of this header
    int rate_ = 0, channels_ = 0;
    uint64_t frames_ = 0;
    bool floats_ = false;
    std::vector<float> scratch_;  // float files' samples on their way to 16 bits
};

}  // namespace korel
