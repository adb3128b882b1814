// Writing sound files (WAV, MP3) through the system's sound-file library.
#pragma once

#include <span>
#include <string>

namespace korel {

enum class AudioFileType { Wav16, Mp3 };

// Writes interleaved samples (-1..1) to `path`, replacing it. On failure returns false and puts
// the library's reason in `error`; a partly written file is removed.
bool writeAudioFile(const std::string& path, AudioFileType type, int sampleRate, int channels,
                    std::span<const float> interleaved, std::string& error);

// True when this build can write MP3 (the library was built with an MP3 encoder).
bool canWriteMp3();

}  // namespace korel
