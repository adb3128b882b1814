// Reading back a video file written by VideoWriter (or any file the codec library opens): its
// streams, and one decoded frame as RGB. Used by the tests and the frame-extraction option.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace korel {

struct VideoFileInfo {
    int videoStreams = 0, audioStreams = 0;
    int width = 0, height = 0;
    double fps = 0;           // the video stream's frame rate
    int64_t videoFrames = 0;  // counted packets of the first video stream
    std::string videoCodec, audioCodec;
    int audioRate = 0, audioChannels = 0;
    double audioSeconds = 0;  // the first audio stream's packets' total duration
};

// False with the reason when the file cannot be opened or read.
bool readVideoFileInfo(const std::string& path, VideoFileInfo& info, std::string& error);

// Decodes frame `index` (from 0) of the first video stream into `pixels` (width x height,
// rows top down). False when there is no such frame or the file cannot be decoded.
bool decodeVideoFrame(const std::string& path, int64_t index, std::vector<Rgb>& pixels,
                      int& width, int& height, std::string& error);
// Frames [first, first + count) in one pass; fewer when the file ends before (false when none).
bool decodeVideoFrames(const std::string& path, int64_t first, int64_t count,
                       std::vector<std::vector<Rgb>>& frames, int& width, int& height,
                       std::string& error);

// Decodes the first audio stream into one channel (the channels' mean) at its own rate; the
// first sample is at time 0 of the file.
bool decodeAudioMono(const std::string& path, std::vector<float>& samples, int& rate,
                     std::string& error);

}  // namespace korel
