// The desktop playback graph on PulseAudio, decoding with the sound-file reader.
#include "platform/pulse/pulse_music.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audiofile/audio_file_reader.h"
#include "platform/sample_tap.h"

namespace korel {

namespace {

constexpr int kConnectMs = 2000;
constexpr pa_usec_t kTargetLatencyUs = 200 * PA_USEC_PER_MSEC;
constexpr size_t kBlockFrames = 4096;
// The streaming thread writes once at least this much room is free (or the file has ended).
constexpr size_t kMinWriteFrames = 1024;
constexpr auto kIdle = std::chrono::milliseconds(5);

using Clock = std::chrono::steady_clock;

class Locked {
  public:
    explicit Locked(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~Locked() { pa_threaded_mainloop_unlock(loop_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    pa_threaded_mainloop* loop_;
};

// Sends a request whose answer nobody waits for. The server handles a connection's requests
// in order, so a write sent after a flush lands after it.
void sendOnly(pa_operation* op) {
    if (op) pa_operation_unref(op);
}

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

struct PulseMusicGraph::Impl {
    // The loop's lock guards context, stream and written.
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    uint64_t written = 0;  // frames written to the stream since the seek

    // decodeMutex guards the reader, decoded and ended. Lock order: the loop's lock, then
    // decodeMutex; the streaming thread never holds one while taking the other.
    std::mutex decodeMutex;
    AudioFileReader reader;
    uint64_t decoded = 0;
    std::atomic<bool> ended{false};
    std::atomic<bool> triggered{false};  // the stream was told to play the end of the file
    // Bumped by every seek (under both locks): blocks decoded before it are not written.
    std::atomic<uint64_t> seq{0};

    SampleTap tap;
    std::thread streamer;
    std::atomic<bool> quit{false};

    // The program thread's own.
    std::string path;
    int rate = 0, channels = 0;
    uint64_t frames = 0;
    size_t frameBytes = 0;
    uint64_t seekFrame = 0;
    std::atomic<GraphState> state{GraphState::Stopped};
    // The clock the position falls back on when the server cannot say.
    double clockBase = 0;
    Clock::time_point clockStamp{};
    double runFloor = 0;  // the position when the output last started: it never goes below

    Impl() {
        loop = pa_threaded_mainloop_new();
        if (loop && pa_threaded_mainloop_start(loop) < 0) {
            pa_threaded_mainloop_free(loop);
            loop = nullptr;
        }
    }

    ~Impl() {
        closeFile();
        if (!loop) return;
        {
            Locked lock(loop);
            dropContext();
        }
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }

    static void signal(void* u) {
        pa_threaded_mainloop_signal(static_cast<Impl*>(u)->loop, 0);
    }
    static void onContextState(pa_context*, void* u) { signal(u); }
    static void onStreamState(pa_stream*, void* u) { signal(u); }

    // Waits with the loop's lock held until `done` or `ms` have passed; state changes of the
    // context and stream wake it.
    template <typename Done>
    bool waitFor(Done done, int ms) {
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop);
        struct Timer {
            Impl* self;
            bool expired = false;
        } timer{this};
        timeval when{};
        pa_gettimeofday(&when);
        pa_timeval_add(&when, pa_usec_t(ms) * PA_USEC_PER_MSEC);
        pa_time_event* ev = api->time_new(
            api, &when,
            [](pa_mainloop_api*, pa_time_event*, const timeval*, void* u) {
                auto* t = static_cast<Timer*>(u);
                t->expired = true;
                signal(t->self);
            },
            &timer);
        bool ok = done();
        while (!ok && !timer.expired && ev) {
            pa_threaded_mainloop_wait(loop);
            ok = done();
        }
        if (ev) api->time_free(ev);
        return ok;
    }

    bool contextReady() const {
        return context && pa_context_get_state(context) == PA_CONTEXT_READY;
    }
    bool streamReady() const {
        return contextReady() && stream && pa_stream_get_state(stream) == PA_STREAM_READY;
    }

    // With the loop's lock held: a ready context, or false with the reason.
    bool connect(std::string& reason) {
        if (contextReady()) return true;
        dropContext();
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Korel");
        pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "korel");
        context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Korel", props);
        pa_proplist_free(props);
        if (!context) {
            reason = "the sound client could not be created";
            return false;
        }
        pa_context_set_state_callback(context, &Impl::onContextState, this);
        // No server of our own is started: without one the program plays silently.
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            reason = std::string("no sound server: ") + pa_strerror(pa_context_errno(context));
            dropContext();
            return false;
        }
        const bool ok = waitFor(
            [&] {
                const pa_context_state_t st = pa_context_get_state(context);
                return st == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(st);
            },
            kConnectMs);
        if (ok && contextReady()) return true;
        reason = std::string("no sound server: ") +
                 (ok ? pa_strerror(pa_context_errno(context)) : "it did not answer in time");
        dropContext();
        return false;
    }

    void dropStream() {
        if (!stream) return;
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }

    void dropContext() {
        dropStream();
        if (!context) return;
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }

    // With the loop's lock held: a corked playback stream for the open file.
    bool createStream(std::string& reason) {
        pa_sample_spec format{PA_SAMPLE_S16NE, uint32_t(rate), uint8_t(channels)};
        pa_channel_map map;
        pa_channel_map_init_extend(&map, unsigned(channels), PA_CHANNEL_MAP_DEFAULT);
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_MEDIA_NAME, fileName(path).c_str());
        pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
        // No name of its own: the proplist's media name (the file's) is the stream's name.
        stream = pa_stream_new_with_proplist(context, nullptr, &format, &map, props);
        pa_proplist_free(props);
        if (!stream) {
            reason = std::string("the sound stream could not be created: ") +
                     pa_strerror(pa_context_errno(context));
            return false;
        }
        pa_stream_set_state_callback(stream, &Impl::onStreamState, this);
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(pa_usec_to_bytes(kTargetLatencyUs, &format));
        attr.prebuf = uint32_t(-1);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(-1);
        const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_INTERPOLATE_TIMING |
                                             PA_STREAM_AUTO_TIMING_UPDATE |
                                             PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) < 0) {
            reason = std::string("the sound stream could not be connected: ") +
                     pa_strerror(pa_context_errno(context));
            dropStream();
            return false;
        }
        const bool ok = waitFor(
            [&] {
                const pa_stream_state_t st = pa_stream_get_state(stream);
                return st == PA_STREAM_READY || !PA_STREAM_IS_GOOD(st);
            },
            kConnectMs);
        if (ok && streamReady()) return true;
        reason = std::string("the sound stream could not be started: ") +
                 (ok ? pa_strerror(pa_context_errno(context)) : "the server did not answer in time");
        dropStream();
        return false;
    }

    void closeFile() {
        quit = true;
        if (streamer.joinable()) streamer.join();
        quit = false;
        if (loop) {
            Locked lock(loop);
            dropStream();
            written = 0;
        }
        std::lock_guard decode(decodeMutex);
        reader.close();
        tap.reset();
        path.clear();
        rate = channels = 0;
        frames = 0;
        seekFrame = decoded = 0;
        ended = triggered = false;
        state = GraphState::Stopped;
        clockBase = runFloor = 0;
    }

    // The streaming thread: decodes as much as the stream has room for, through the tap.
    void stream_() {
        std::vector<int16_t> block(kBlockFrames * size_t(channels));
        while (!quit) {
            size_t room = 0;
            bool atEnd = false;
            {
                Locked lock(loop);
                if (streamReady()) {
                    const size_t bytes = pa_stream_writable_size(stream);
                    if (bytes != size_t(-1)) room = bytes / frameBytes;
                    if (ended && !triggered) {
                        // Less than the start-up buffer may be left: play it anyway.
                        sendOnly(pa_stream_trigger(stream, nullptr, nullptr));
                        triggered = true;
                    }
                }
                atEnd = ended;
            }
            // Slow streams have small buffers: a tenth of a second is always worth a write.
            if (atEnd || room < std::min(kMinWriteFrames, size_t(rate) / 10 + 1)) {
                std::this_thread::sleep_for(kIdle);
                continue;
            }
            uint64_t mySeq, first, generation;
            size_t got;
            {
                std::lock_guard decode(decodeMutex);
                mySeq = seq;
                generation = tap.generation();
                got = reader.read(block.data(), std::min(room, kBlockFrames));
                first = decoded;
                decoded += got;
                if (got == 0) ended = true;
            }
            if (got == 0) continue;
            tap.feed(block.data(), got, channels, rate, first, generation);
            Locked lock(loop);
            if (seq == mySeq && streamReady()) {
                pa_stream_write(stream, block.data(), got * frameBytes, nullptr, 0,
                                PA_SEEK_RELATIVE);
                written += got;
            }
        }
    }

    double clockPosition() const {
        double at = clockBase;
        if (state == GraphState::Running)
            at += std::chrono::duration<double>(Clock::now() - clockStamp).count();
        const double length = rate > 0 ? double(frames) / rate : 0;
        return length > 0 ? std::min(at, length) : at;
    }

    // What is heard: the frames the server has taken from the stream since the seek, less
    // what waits in the sink, carried on by the clock since the server said so. (The stream's
    // own clock is not used: it never goes back, and moving the stream or a flush rewinds the
    // read index.) Outside Running the position is the one held when the output stopped.
    double position() {
        if (state != GraphState::Running) return clockPosition();
        Locked lock(loop);
        const pa_timing_info* ti = streamReady() ? pa_stream_get_timing_info(stream) : nullptr;
        if (ti && !ti->read_index_corrupt && !ti->write_index_corrupt) {
            // The client counts its writes into write_index: the seek's first frame went there.
            const int64_t start = ti->write_index - int64_t(written * frameBytes);
            double heard = double(ti->read_index - start) / double(frameBytes) -
                           double(ti->sink_usec) * rate / 1e6;
            if (ti->playing) heard += double(pa_timeval_age(&ti->timestamp)) * rate / 1e6;
            heard = std::clamp(heard, 0.0, double(written));
            const double at = std::max((double(seekFrame) + heard) / rate, runFloor);
            clockBase = at;
            clockStamp = Clock::now();
            return at;
        }
        return clockPosition();
    }

    // Holds the position where it is now (before a change of state).
    void holdClock() {
        clockBase = runFloor = position();
        clockStamp = Clock::now();
    }

    void cork(bool on) {
        Locked lock(loop);
        if (streamReady()) sendOnly(pa_stream_cork(stream, on ? 1 : 0, nullptr, nullptr));
    }

    bool outputReady() {
        Locked lock(loop);
        return streamReady();
    }

    bool seekTo(double seconds) {
        if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
        uint64_t frame = uint64_t(std::llround(seconds * rate));
        if (frames > 0) frame = std::min(frame, frames);
        Locked lock(loop);
        {
            std::lock_guard decode(decodeMutex);
            if (!reader.seek(frame)) return false;
            ++seq;
            decoded = 0;
            ended = triggered = false;
            tap.reset();
        }
        if (streamReady()) {
            sendOnly(pa_stream_flush(stream, nullptr, nullptr));
            sendOnly(pa_stream_update_timing_info(stream, nullptr, nullptr));
        }
        written = 0;
        seekFrame = frame;
        clockBase = runFloor = double(frame) / rate;
        clockStamp = Clock::now();
        return true;
    }
};

PulseMusicGraph::PulseMusicGraph() : impl_(std::make_unique<Impl>()) {}
PulseMusicGraph::~PulseMusicGraph() = default;

bool PulseMusicGraph::open(const std::string& path, GraphFailure& failure) {
    Impl& g = *impl_;
    g.closeFile();
    if (!g.loop) {
        failure = {"CI", 0, "the sound client could not be started"};
        return false;
    }
    {
        std::lock_guard decode(g.decodeMutex);
        if (!g.reader.open(path, failure)) return false;
        g.rate = g.reader.rate();
        g.channels = g.reader.channels();
        g.frames = g.reader.frames();
    }
    g.path = path;
    g.frameBytes = size_t(g.channels) * 2;
    pa_sample_spec format{PA_SAMPLE_S16NE, uint32_t(g.rate), uint8_t(g.channels)};
    if (g.channels > int(PA_CHANNELS_MAX) || !pa_sample_spec_valid(&format)) {
        failure = {"RF", 0, "the sound server cannot play this file's format"};
        g.closeFile();
        return false;
    }
    std::string reason;
    bool ok;
    {
        Locked lock(g.loop);
        ok = g.connect(reason) && g.createStream(reason);
    }
    if (!ok) {
        failure = {"CI", 0, reason};
        g.closeFile();
        return false;
    }
    g.tap.reset();
    g.clockStamp = Clock::now();
    g.streamer = std::thread([&g] { g.stream_(); });
    return true;
}

void PulseMusicGraph::close() { impl_->closeFile(); }

bool PulseMusicGraph::isOpen() const { return impl_->rate > 0; }

bool PulseMusicGraph::run() {
    Impl& g = *impl_;
    if (!isOpen()) return false;
    if (g.state != GraphState::Running) {
        g.holdClock();
        g.state = GraphState::Running;
        // The output starts from here: no frame counts as heard from before.
        Locked lock(g.loop);
        if (g.streamReady()) sendOnly(pa_stream_update_timing_info(g.stream, nullptr, nullptr));
    }
    g.cork(false);
    return g.outputReady();
}

bool PulseMusicGraph::pause() {
    Impl& g = *impl_;
    if (!isOpen()) return false;
    g.holdClock();
    g.state = GraphState::Paused;
    g.cork(true);
    return g.outputReady();
}

bool PulseMusicGraph::stop() {
    Impl& g = *impl_;
    if (!isOpen()) return false;
    g.holdClock();
    const double at = g.clockBase;
    g.state = GraphState::Stopped;
    g.cork(true);
    // The flush drops what was buffered: decoding starts again at what was heard.
    g.seekTo(at);
    return g.outputReady();
}

GraphState PulseMusicGraph::state() { return impl_->state; }

double PulseMusicGraph::duration() {
    const Impl& g = *impl_;
    return g.rate > 0 ? double(g.frames) / g.rate : 0;
}

bool PulseMusicGraph::position(double& seconds) {
    if (!isOpen()) return false;
    seconds = impl_->position();
    return true;
}

bool PulseMusicGraph::seek(double seconds) {
    if (!isOpen()) return false;
    return impl_->seekTo(seconds);
}

void PulseMusicGraph::setTapClient(TapClient* client) { impl_->tap.setClient(client); }
void PulseMusicGraph::resetTap() { impl_->tap.restart(); }
void PulseMusicGraph::requestSamples(int64_t time, double* out) { impl_->tap.request(time, out); }

}  // namespace korel
