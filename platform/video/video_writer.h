// Writing a video file: RGB frames and 16-bit PCM sound, encoded and muxed into one file
// (H.264 + AAC in .mp4, VP9 + Opus in .webm). Only this folder sees the codec library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/types.h"

namespace korel {

enum class VideoContainer { Mp4, WebM };

// .webm (any case) is WebM; everything else is MP4.
VideoContainer containerForPath(const std::string& path);

struct VideoSettings {
    std::string path;
    VideoContainer container = VideoContainer::Mp4;
    int width = 1280, height = 720;  // both even
    int fps = 30;
    // The sound handed to writeAudio; channels 0: a file without sound.
    int audioRate = 44100;
    int audioChannels = 2;
};

// Seconds spent in each stage, for the speed report.
struct VideoWriterTimes {
    double conversion = 0;  // RGB -> YUV
    double video = 0;       // video encoding and muxing
    double audio = 0;       // resampling, audio encoding and muxing
};

class VideoWriter {
  public:
    VideoWriter();
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Creates the file and its streams. False with the reason in `error` (nothing is left open).
    bool open(const VideoSettings& settings, std::string& error);
    bool isOpen() const;
    // The next frame: width x height pixels, rows top down. Frame n is shown at n / fps.
    bool writeFrame(const Rgb* pixels, std::string& error);
    // The next `frames` interleaved frames of sound at the settings' rate and channels.
    bool writeAudio(const int16_t* samples, size_t frames, std::string& error);
    // Flushes the encoders and writes the file's index; the file is complete after. Also called
    // by the destructor (errors then go unreported), so an interrupted run leaves a playable file.
    bool finish(std::string& error);
    const VideoWriterTimes& times() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace korel
