// A PCM playback stream on the PulseAudio server's default sink, for players that produce their
// own 16-bit samples on a thread of their own (the CD drive).
//
// Every call may come from any thread: each takes the stream's own lock. No call waits on the
// server for long: opening waits a couple of seconds at most, the rest only send requests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace korel {

class PulsePcmOutput {
  public:
    PulsePcmOutput();
    ~PulsePcmOutput();
    PulsePcmOutput(const PulsePcmOutput&) = delete;
    PulsePcmOutput& operator=(const PulsePcmOutput&) = delete;

    // Connects as "Korel" and creates a corked stream named `mediaName` of native-endian 16-bit
    // samples. False with the reason (no server, a format it refuses).
    bool open(const std::string& mediaName, int rate, int channels, std::string& reason);
    void close();
    // True while the server plays the stream.
    bool ready();

    // Frames the stream has room for now (0 when not ready).
    size_t writableFrames();
    bool write(const int16_t* samples, size_t frames);
    void cork(bool on);
    // Drops what waits to be played; frames are counted from the next write again.
    void flush();
    // Plays what was written even when it is less than the stream's start-up buffer.
    void trigger();
    // The frames heard since the last flush (or the open): those the server has taken from the
    // stream, less what still waits in the sink. False when the server cannot say.
    bool heardFrames(double& frames);

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace korel
