// The beep through the sound server: an asynchronous libpulse context on its own main loop
// thread; each beep is a short playback stream that ends itself once drained.
#include "platform/desktop/desktop_beep.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <numbers>

namespace korel::desktop {

namespace {
constexpr int kRate = 22050;
constexpr int kBeepMs = 80;
constexpr double kBeepHz = 880.0;
constexpr int kFadeMs = 5;
constexpr int64_t kRetryMs = 1000;

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

std::vector<int16_t> beepTone(int rate, int ms, double frequency) {
    if (rate <= 0 || ms <= 0) return {};
    const size_t n = size_t(rate) * size_t(ms) / 1000;
    const size_t fade = std::max<size_t>(1, size_t(rate) * kFadeMs / 1000);
    std::vector<int16_t> out(n);
    for (size_t i = 0; i < n; ++i) {
        double gain = 0.3;
        if (i < fade) gain *= double(i) / double(fade);
        if (n - 1 - i < fade) gain *= double(n - 1 - i) / double(fade);
        const double s = std::sin(2.0 * std::numbers::pi * frequency * double(i) / rate);
        out[i] = int16_t(std::lround(s * gain * 32767.0));
    }
    return out;
}

// Every field is used with the loop's lock held (the callbacks run with it held).
struct Beeper::Impl {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;  // the beep playing now
    std::vector<int16_t> tone = beepTone(kRate, kBeepMs, kBeepHz);
    int64_t lastAttempt = 0;
    bool attempted = false;
    bool pending = false;  // a beep waits for the connection under way
    std::atomic<int> played{0};

    ~Impl() {
        if (!loop) return;
        pa_threaded_mainloop_lock(loop);
        dropStream();
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
        pa_threaded_mainloop_unlock(loop);
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }

    bool startLoop() {
        if (loop) return true;
        loop = pa_threaded_mainloop_new();
        if (!loop) return false;
        if (pa_threaded_mainloop_start(loop) < 0) {
            pa_threaded_mainloop_free(loop);
            loop = nullptr;
            return false;
        }
        return true;
    }

    // Starts connecting when there is no usable context and the last attempt is a second old.
    void connect() {
        if (context && PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
            pending = true;  // played when the attempt under way succeeds
            return;
        }
        const int64_t now = nowMs();
        if (attempted && now - lastAttempt < kRetryMs) return;
        attempted = true;
        lastAttempt = now;
        dropStream();
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_unref(context);
        }
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Korel");
        pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "event");
        context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Korel", props);
        pa_proplist_free(props);
        if (!context) return;
        pa_context_set_state_callback(context, &Impl::onContextState, this);
        pending = true;
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            pending = false;
        }
    }

    static void onContextState(pa_context* c, void* u) {
        auto* self = static_cast<Impl*>(u);
        const pa_context_state_t st = pa_context_get_state(c);
        if (st == PA_CONTEXT_READY && self->pending) {
            self->pending = false;
            self->play();
        } else if (!PA_CONTEXT_IS_GOOD(st)) {
            self->pending = false;
        }
    }

    void dropStream() {
        if (!stream) return;
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }

    // A new beep replaces what is left of the previous one.
    void play() {
        if (!context || pa_context_get_state(context) != PA_CONTEXT_READY) return;
        dropStream();
        const pa_sample_spec format{PA_SAMPLE_S16NE, kRate, 1};
        stream = pa_stream_new(context, "Korel beep", &format, nullptr);
        if (!stream) return;
        pa_stream_set_state_callback(stream, &Impl::onStreamState, this);
        if (pa_stream_connect_playback(stream, nullptr, nullptr, pa_stream_flags_t(0), nullptr,
                                       nullptr) < 0) {
            dropStream();
        }
    }

    static void onStreamState(pa_stream* s, void* u) {
        auto* self = static_cast<Impl*>(u);
        const pa_stream_state_t st = pa_stream_get_state(s);
        if (st == PA_STREAM_READY) {
            const size_t bytes = self->tone.size() * sizeof(int16_t);
            if (pa_stream_write(s, self->tone.data(), bytes, nullptr, 0, PA_SEEK_RELATIVE) == 0) {
                ++self->played;
                if (pa_operation* op = pa_stream_drain(s, &Impl::onDrained, self)) {
                    pa_operation_unref(op);
                }
            }
        } else if (!PA_STREAM_IS_GOOD(st) && s == self->stream) {
            self->dropStream();
        }
    }

    static void onDrained(pa_stream* s, int, void* u) {
        auto* self = static_cast<Impl*>(u);
        if (s == self->stream) self->dropStream();
    }
};

Beeper::Beeper() : impl_(std::make_unique<Impl>()) {}

Beeper::~Beeper() = default;

void Beeper::beep() {
    Impl& b = *impl_;
    // The loop thread starts with the first beep and lives until the beeper goes.
    if (!b.loop && !b.startLoop()) return;
    pa_threaded_mainloop_lock(b.loop);
    if (b.context && pa_context_get_state(b.context) == PA_CONTEXT_READY) {
        b.play();
    } else {
        b.connect();
    }
    pa_threaded_mainloop_unlock(b.loop);
}

int Beeper::played() const {
    return impl_->played.load();
}

}  // namespace korel::desktop
