// The sound devices the platform offers: output and input devices, their mixers, and capture.
//
// The model is a sound card's: each device has a mixer whose destination (the recording input,
// or the speakers) is fed by source lines that have a component type, a mute and a volume; the
// recording destination has a selector that picks the lines that are recorded. Capture runs at
// 11025 samples per second, 8-bit unsigned mono, into buffers the program queues; the platform
// fills them in queue order on its own thread and hands each one back when it is full.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace korel {

constexpr uint32_t kCaptureRate = 11025;  // samples per second, one byte each

// The component type of a source line.
enum class LineType : uint8_t {
    Undefined,
    Digital,
    Line,
    Microphone,
    Synthesizer,
    CompactDisc,
    Telephone,
    PcSpeaker,
    WaveOutput,  // what the output plays ("what you hear"); a sink's monitor
    Auxiliary,
    Analog,
};

enum class MixerSide : uint8_t { Playback, Recording };

struct MixerLine {
    std::string name;       // the long name
    std::string shortName;  // at most 15 characters
    LineType type = LineType::Undefined;
};

// The name the program shows for a line: the long name when it is shorter than 16 characters,
// otherwise the short name. The recording selector's items carry these names.
inline std::string lineDisplayName(const MixerLine& line) {
    const std::string& n = line.name.size() < 16 ? line.name : line.shortName;
    return n.substr(0, 15);
}

// Outcome of a mixer call: NoMixer when the device's mixer cannot be opened, Failed when the
// mixer answered but the call could not be done (no such line, control or destination).
enum class MixerStatus : uint8_t { Ok, NoMixer, Failed };

// The recording destination's selector: which lines feed the recording.
struct InputSelector {
    bool multipleSelect = false;  // false: exactly one item is on
    std::vector<std::string> items;
    std::vector<bool> values;
};

enum class CaptureOpen : uint8_t { Ok, FormatRejected, Failed };

// Where the devices stand when they live in a sound server that can be away or go away.
// Connecting: an attempt is under way; Unreachable: no server answered (or it went away).
enum class ServerState : uint8_t { Ready, Connecting, Unreachable };

// Receives full capture buffers. Called on the platform's capture thread.
class CaptureClient {
  public:
    virtual ~CaptureClient() = default;
    virtual void bufferDone(int header) = 0;
};

class SoundInput {
  public:
    virtual ~SoundInput() = default;

    // --- Devices, in the platform's order; names are product names ------------------------
    virtual std::vector<std::string> outputDevices() = 0;
    virtual std::vector<std::string> inputDevices() = 0;
    // The name of the device the user prefers for output (or input); false when none is set.
    virtual bool preferredDevice(bool output, std::string& name) = 0;

    // --- Mixers ---------------------------------------------------------------------------
    // Lines are numbered in the order destinationLines lists them. `errorCode` is set when the
    // destination itself is missing (status Failed).
    virtual MixerStatus destinationLines(MixerSide side, unsigned device,
                                         std::vector<MixerLine>& lines, int& errorCode) = 0;
    virtual MixerStatus lineMute(MixerSide side, unsigned device, int line, bool& muted) = 0;
    virtual MixerStatus setLineMute(MixerSide side, unsigned device, int line, bool muted) = 0;
    // Volume 0..65535 on every channel of the line.
    virtual MixerStatus setLineVolume(MixerSide side, unsigned device, int line,
                                      uint16_t volume) = 0;
    virtual MixerStatus inputSelector(unsigned device, InputSelector& selector) = 0;
    virtual MixerStatus setInputSelector(unsigned device, const std::vector<bool>& values) = 0;
    // The speakers' volume 0..65535, read and written as one channel.
    virtual MixerStatus outputVolume(unsigned device, uint16_t& volume) = 0;
    virtual MixerStatus setOutputVolume(unsigned device, uint16_t volume) = 0;

    // --- Capture (11025 Hz, 8-bit unsigned, mono) ------------------------------------------
    virtual CaptureOpen openCapture(unsigned device, CaptureClient* client) = 0;
    // Appends a buffer to the queue. The memory must stay valid until the buffer comes back
    // through bufferDone or resetCapture.
    virtual bool queueBuffer(int header, uint8_t* data, size_t size) = 0;
    virtual bool startCapture() = 0;
    // Stops recording and drops every queued buffer without calling the client; the position
    // starts again from 0.
    virtual void resetCapture() = 0;
    virtual void closeCapture() = 0;
    // Samples recorded since startCapture.
    virtual uint32_t capturePosition() = 0;

    // --- The sound server ------------------------------------------------------------------
    // Devices that cannot go away keep these defaults. None of them waits for the server.
    virtual ServerState serverState() { return ServerState::Ready; }
    // Starts one attempt to reach the server again; serverState tells the outcome later.
    virtual void reconnect() {}
    // Counts losses: a ready server that went away, or an open capture the server ended. The
    // capture is dead after a loss; the program closes it and opens it again.
    virtual uint32_t lossCount() { return 0; }
    // Moves whenever the server reports a change of its devices or volumes; devices that report
    // nothing return 0 and are polled.
    virtual uint32_t changeCount() { return 0; }
};

// The buffer queue of a capture device, shared by the implementations: samples go into the
// oldest queued buffer; a full buffer is handed to the client. Writes into buffers are relaxed
// atomic byte stores, because the program reads the same memory without a lock while recording.
class CaptureQueue {
  public:
    void setClient(CaptureClient* client) { client_ = client; }

    bool queue(int header, uint8_t* data, size_t size) {
        if (!data || size == 0) return false;
        std::lock_guard<std::mutex> lock(mutex_);
        buffers_.push_back(Buffer{header, data, size, 0});
        return true;
    }

    // Drops every buffer and sets the position to 0.
    void reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        buffers_.clear();
        position_.store(0, std::memory_order_relaxed);
    }

    // Records n samples. Samples that find no queued buffer are lost, as with a device that ran
    // out of buffers. The client is called without the lock, so it may queue again.
    void write(const uint8_t* samples, size_t n) {
        while (n > 0) {
            int done = -1;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (buffers_.empty()) return;
                Buffer& b = buffers_.front();
                size_t take = std::min(n, b.size - b.recorded);
                for (size_t i = 0; i < take; ++i) {
                    std::atomic_ref<uint8_t>(b.data[b.recorded + i])
                        .store(samples[i], std::memory_order_relaxed);
                }
                b.recorded += take;
                samples += take;
                n -= take;
                position_.fetch_add(uint32_t(take), std::memory_order_release);
                if (b.recorded == b.size) {
                    done = b.header;
                    buffers_.pop_front();
                }
            }
            if (done >= 0 && client_) client_->bufferDone(done);
        }
    }

    uint32_t position() const { return position_.load(std::memory_order_acquire); }
    bool hasBuffers() {
        std::lock_guard<std::mutex> lock(mutex_);
        return !buffers_.empty();
    }

  private:
    struct Buffer {
        int header;
        uint8_t* data;
        size_t size;
        size_t recorded;
    };
    std::mutex mutex_;
    std::deque<Buffer> buffers_;
    std::atomic<uint32_t> position_{0};
    CaptureClient* client_ = nullptr;
};

}  // namespace korel
