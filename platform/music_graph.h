// The playback graph of the MP3 edition: one music file decoded on a streaming thread and heard
// on the sound server's default output, with a sample tap between the decoder and the output.
//
// The tap sees the decoded stream as 16-bit PCM whatever the file holds. It sends a notice for
// every block it passes on: a format notice (word 0 = 0) before the first data of a stream and
// after every reset, then data notices (word 0 != 0). Word 1 is the sample rate R, word 2 the
// channel count C in its low 16 bits and the bytes per sample (2) in its high 16 bits. It keeps
// the stream as mono samples at trunc(R / C) per second (the channels averaged, every C-th frame
// kept) and copies them out on request.
//
// Threads: the streaming thread calls TapClient::notice; every other call comes from the
// program's thread. The program serialises its calls with the notices through its own lock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace korel {

constexpr size_t kTapRequestSamples = 2205;
constexpr size_t kTapNoticeBytes = 48;

using TapNotice = std::array<uint32_t, kTapNoticeBytes / 4>;

// Receives the tap's notices on the streaming thread.
class TapClient {
  public:
    virtual ~TapClient() = default;
    virtual void notice(const TapNotice& block) = 0;
};

enum class GraphState : uint8_t { Stopped, Paused, Running };

// Why an open failed: `tag` is the two-letter tag the program writes to "error.txt" ("RF" the
// file could not be read or decoded, "CI" the output could not be created), `code` a number
// that says more (the library's error code, 0 when there is none), `reason` a text for people.
struct GraphFailure {
    std::string tag;
    int code = 0;
    std::string reason;
};

class MusicGraph {
  public:
    virtual ~MusicGraph() = default;

    // Opens `path` in place of any open file (which is closed first). The graph is stopped at
    // position 0 afterwards. False with `failure` filled when the file cannot be played.
    virtual bool open(const std::string& path, GraphFailure& failure) = 0;
    // Closes the file; nothing plays until the next open.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Transport. run starts or resumes output; pause holds it at the current position; stop
    // holds it and drops what the output has buffered. False when no file is open or the
    // output refused.
    virtual bool run() = 0;
    virtual bool pause() = 0;
    virtual bool stop() = 0;
    virtual GraphState state() = 0;

    // The file's length in seconds; 0 when it is not known.
    virtual double duration() = 0;
    // The position of what is heard now, in seconds from the start of the file. False when no
    // file is open.
    virtual bool position(double& seconds) = 0;
    // Moves to `seconds` (held to the file); the tap's stream time starts again at 0 there.
    virtual bool seek(double seconds) = 0;

    // --- The sample tap ------------------------------------------------------------------
    // The client of the notices (null: none). Set once, before open.
    virtual void setTapClient(TapClient* client) = 0;
    // Forgets every buffered sample; the next block sends a format notice again. Called after
    // every seek, before the graph runs again.
    virtual void resetTap() = 0;
    // Copies the 2205 mono samples that start at stream time `time` (100 ns units since the
    // last seek) into `out`, scaled to -128..128 (0 silence), the newest last. Samples the tap
    // does not hold (not decoded yet, or long gone) are 0. Never blocks for long.
    virtual void requestSamples(int64_t time, double* out) = 0;
};

}  // namespace korel
