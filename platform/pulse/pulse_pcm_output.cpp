// A PCM playback stream on PulseAudio's default sink.
#include "platform/pulse/pulse_pcm_output.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace korel {

namespace {

constexpr int kConnectMs = 2000;
constexpr pa_usec_t kTargetLatencyUs = 200 * PA_USEC_PER_MSEC;

class Locked {
  public:
    explicit Locked(pa_threaded_mainloop* loop) : loop_(loop) {
        if (loop_) pa_threaded_mainloop_lock(loop_);
    }
    ~Locked() {
        if (loop_) pa_threaded_mainloop_unlock(loop_);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    pa_threaded_mainloop* loop_;
};

void sendOnly(pa_operation* op) {
    if (op) pa_operation_unref(op);
}

}  // namespace

struct PulsePcmOutput::Impl {
    // Everything below is used with the loop's lock held.
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    int rate = 0;
    size_t frameBytes = 0;
    uint64_t written = 0;  // frames written since the last flush

    Impl() {
        loop = pa_threaded_mainloop_new();
        if (loop && pa_threaded_mainloop_start(loop) < 0) {
            pa_threaded_mainloop_free(loop);
            loop = nullptr;
        }
    }

    ~Impl() {
        if (!loop) return;
        {
            Locked lock(loop);
            drop();
        }
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }

    static void signal(void* u) { pa_threaded_mainloop_signal(static_cast<Impl*>(u)->loop, 0); }

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

    bool streamReady() const {
        return context && pa_context_get_state(context) == PA_CONTEXT_READY && stream &&
               pa_stream_get_state(stream) == PA_STREAM_READY;
    }

    void drop() {
        if (stream) {
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
            stream = nullptr;
        }
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
        written = 0;
    }

    bool open(const std::string& mediaName, int r, int channels, std::string& reason) {
        drop();
        pa_sample_spec format{PA_SAMPLE_S16NE, uint32_t(r), uint8_t(channels)};
        if (channels < 1 || channels > int(PA_CHANNELS_MAX) || !pa_sample_spec_valid(&format)) {
            reason = "the sound server cannot play this format";
            return false;
        }
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Korel");
        pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "korel");
        context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Korel", props);
        pa_proplist_free(props);
        if (!context) {
            reason = "the sound client could not be created";
            return false;
        }
        pa_context_set_state_callback(
            context, [](pa_context*, void* u) { signal(u); }, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            reason = std::string("no sound server: ") + pa_strerror(pa_context_errno(context));
            drop();
            return false;
        }
        bool ok = waitFor(
            [&] {
                const pa_context_state_t st = pa_context_get_state(context);
                return st == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(st);
            },
            kConnectMs);
        if (!ok || pa_context_get_state(context) != PA_CONTEXT_READY) {
            reason = "no sound server answered";
            drop();
            return false;
        }
        pa_channel_map map;
        pa_channel_map_init_extend(&map, unsigned(channels), PA_CHANNEL_MAP_DEFAULT);
        props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_MEDIA_NAME, mediaName.c_str());
        pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
        stream = pa_stream_new_with_proplist(context, nullptr, &format, &map, props);
        pa_proplist_free(props);
        if (!stream) {
            reason = "the sound stream could not be created";
            drop();
            return false;
        }
        pa_stream_set_state_callback(
            stream, [](pa_stream*, void* u) { signal(u); }, this);
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(pa_usec_to_bytes(kTargetLatencyUs, &format));
        attr.prebuf = uint32_t(-1);
        attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(-1);
        const auto flags =
            pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_INTERPOLATE_TIMING |
                              PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) < 0) {
            reason = "the sound stream could not be connected";
            drop();
            return false;
        }
        ok = waitFor(
            [&] {
                const pa_stream_state_t st = pa_stream_get_state(stream);
                return st == PA_STREAM_READY || !PA_STREAM_IS_GOOD(st);
            },
            kConnectMs);
        if (!ok || !streamReady()) {
            reason = "the sound stream could not be started";
            drop();
            return false;
        }
        rate = r;
        frameBytes = size_t(channels) * 2;
        written = 0;
        return true;
    }
};

PulsePcmOutput::PulsePcmOutput() : impl_(std::make_unique<Impl>()) {}
PulsePcmOutput::~PulsePcmOutput() = default;

bool PulsePcmOutput::open(const std::string& mediaName, int rate, int channels,
                          std::string& reason) {
    if (!impl_->loop) {
        reason = "the sound client could not be started";
        return false;
    }
    Locked lock(impl_->loop);
    return impl_->open(mediaName, rate, channels, reason);
}

void PulsePcmOutput::close() {
    Locked lock(impl_->loop);
    impl_->drop();
}

bool PulsePcmOutput::ready() {
    Locked lock(impl_->loop);
    return impl_->streamReady();
}

size_t PulsePcmOutput::writableFrames() {
    Locked lock(impl_->loop);
    if (!impl_->streamReady()) return 0;
    const size_t bytes = pa_stream_writable_size(impl_->stream);
    return bytes == size_t(-1) ? 0 : bytes / impl_->frameBytes;
}

bool PulsePcmOutput::write(const int16_t* samples, size_t frames) {
    Locked lock(impl_->loop);
    if (!impl_->streamReady()) return false;
    if (pa_stream_write(impl_->stream, samples, frames * impl_->frameBytes, nullptr, 0,
                        PA_SEEK_RELATIVE) < 0)
        return false;
    impl_->written += frames;
    return true;
}

void PulsePcmOutput::cork(bool on) {
    Locked lock(impl_->loop);
    if (!impl_->streamReady()) return;
    sendOnly(pa_stream_cork(impl_->stream, on ? 1 : 0, nullptr, nullptr));
    sendOnly(pa_stream_update_timing_info(impl_->stream, nullptr, nullptr));
}

void PulsePcmOutput::flush() {
    Locked lock(impl_->loop);
    impl_->written = 0;
    if (!impl_->streamReady()) return;
    // The server handles requests in order: a write sent after the flush lands after it.
    sendOnly(pa_stream_flush(impl_->stream, nullptr, nullptr));
    sendOnly(pa_stream_update_timing_info(impl_->stream, nullptr, nullptr));
}

void PulsePcmOutput::trigger() {
    Locked lock(impl_->loop);
    if (impl_->streamReady()) sendOnly(pa_stream_trigger(impl_->stream, nullptr, nullptr));
}

bool PulsePcmOutput::heardFrames(double& frames) {
    Locked lock(impl_->loop);
    Impl& o = *impl_;
    const pa_timing_info* ti = o.streamReady() ? pa_stream_get_timing_info(o.stream) : nullptr;
    if (!ti || ti->read_index_corrupt || ti->write_index_corrupt) return false;
    // The client counts its writes into write_index: the first frame after the flush went to
    // write_index less what was written since.
    const int64_t start = ti->write_index - int64_t(o.written * o.frameBytes);
    double heard = double(ti->read_index - start) / double(o.frameBytes) -
                   double(ti->sink_usec) * o.rate / 1e6;
    if (ti->playing) heard += double(pa_timeval_age(&ti->timestamp)) * o.rate / 1e6;
    frames = std::clamp(heard, 0.0, double(o.written));
    return true;
}

}  // namespace korel
