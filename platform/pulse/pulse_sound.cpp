// The desktop sound devices on PulseAudio: introspection for the mixer, a record stream for
// capture, all driven by a threaded main loop whose thread also runs the capture callback.
#include "platform/pulse/pulse_sound.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <string>
#include <vector>

namespace korel {

namespace {

struct SinkInfo {
    uint32_t index = PA_INVALID_INDEX;
    std::string name, description;
    bool mute = false;
    pa_cvolume volume{};
};

struct SourceInfo {
    uint32_t index = PA_INVALID_INDEX;
    std::string name, description;
    uint32_t monitorOf = PA_INVALID_INDEX;
    bool mute = false;
    pa_cvolume volume{};
    LineType type = LineType::Undefined;
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

bool has(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

// The component type of a source, from what the server knows about it.
LineType classify(const pa_source_info* i) {
    if (i->monitor_of_sink != PA_INVALID_INDEX) return LineType::WaveOutput;
    auto prop = [&](const char* key) {
        const char* v = i->proplist ? pa_proplist_gets(i->proplist, key) : nullptr;
        return lower(v ? v : "");
    };
    const std::string form = prop(PA_PROP_DEVICE_FORM_FACTOR);
    if (form == "microphone" || form == "webcam" || form == "headset" || form == "handset" ||
        form == "hands-free") {
        return LineType::Microphone;
    }
    std::string port;
    if (i->active_port) {
        port = lower(std::string(i->active_port->name ? i->active_port->name : "") + " " +
                     (i->active_port->description ? i->active_port->description : ""));
    }
    if (has(port, "mic")) return LineType::Microphone;
    if (has(port, "line")) return LineType::Line;
    if (has(port, "spdif") || has(port, "iec958") || has(port, "hdmi") || has(port, "digital")) {
        return LineType::Digital;
    }
    if (prop(PA_PROP_DEVICE_BUS) == "bluetooth") return LineType::Microphone;
    if (has(port, "analog")) return LineType::Analog;
    if (has(lower(i->name ? i->name : ""), "mic")) return LineType::Microphone;
    return LineType::Undefined;
}

// A short, unique name: the kind and the server's index.
std::string shortName(const SourceInfo& s) {
    const char* kind = "Input";
    switch (s.type) {
        case LineType::WaveOutput:
            kind = "Wave Out";
            break;
        case LineType::Microphone:
            kind = "Mic";
            break;
        case LineType::Line:
            kind = "Line";
            break;
        case LineType::Digital:
            kind = "Digital";
            break;
        case LineType::Analog:
            kind = "Analog";
            break;
        default:
            break;
    }
    return (std::string(kind) + " " + std::to_string(s.index)).substr(0, 15);
}

uint16_t toMixer(pa_volume_t v) {
    return uint16_t(std::min<uint64_t>(65535, uint64_t(v) * 65535 / PA_VOLUME_NORM));
}
pa_volume_t fromMixer(uint16_t v) {
    return pa_volume_t(uint64_t(v) * PA_VOLUME_NORM / 65535);
}

// Holds the main loop's lock; nothing when there is no loop.
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

}  // namespace

struct PulseSoundInput::Impl {
    // The main loop runs from construction to destruction; contexts come and go with the
    // server. Every field below is used with the loop's lock held.
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    CaptureQueue queue;
    std::atomic<bool> started{false};
    std::vector<SinkInfo> sinks;
    std::vector<SourceInfo> sources;
    std::string defaultSink, defaultSource;
    bool cdChannel = false;
    bool sinkFetchRunning = false;
    bool sinkFetchAgain = false;
    std::vector<SinkInfo> fetchedSinks;
    // Read without the lock by the program thread.
    std::atomic<ServerState> state{ServerState::Unreachable};
    std::atomic<uint32_t> losses{0};
    std::atomic<uint32_t> changes{0};

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
            dropContext();
        }
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }

    static void signal(void* loop) {
        pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
    }

    // Starts connecting unless a connection is ready or under way. Never waits.
    void startConnect() {
        if (context) {
            const pa_context_state_t st = pa_context_get_state(context);
            if (PA_CONTEXT_IS_GOOD(st)) return;
            dropContext();
        }
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Korel");
        context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Korel", props);
        pa_proplist_free(props);
        if (!context) return;
        pa_context_set_state_callback(context, &Impl::onContextState, this);
        pa_context_set_subscribe_callback(context, &Impl::onServerEvent, this);
        state = ServerState::Connecting;
        // Never start a server of our own: no server is a state the program handles.
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            dropContext();
        }
    }

    // Waits (at most `ms`) for the attempt under way to end; true when the server is ready.
    bool awaitConnect(int ms) {
        if (!context) return false;
        if (pa_context_get_state(context) == PA_CONTEXT_READY) return true;
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop);
        bool expired = false;
        struct Timer {
            Impl* self;
            bool* expired;
        } timer{this, &expired};
        timeval when{};
        pa_gettimeofday(&when);
        pa_timeval_add(&when, pa_usec_t(ms) * PA_USEC_PER_MSEC);
        pa_time_event* ev = api->time_new(
            api, &when,
            [](pa_mainloop_api*, pa_time_event*, const timeval*, void* u) {
                auto* t = static_cast<Timer*>(u);
                *t->expired = true;
                signal(t->self->loop);
            },
            &timer);
        while (!expired && context) {
            const pa_context_state_t st = pa_context_get_state(context);
            if (st == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(st)) break;
            pa_threaded_mainloop_wait(loop);
        }
        if (ev) api->time_free(ev);
        return context && pa_context_get_state(context) == PA_CONTEXT_READY;
    }

    // The blocking calls' entry: the server must be ready (an attempt under way is waited
    // for briefly; none is started here).
    bool ready() {
        if (!loop) return false;
        return awaitConnect(3000);
    }

    void dropContext() {
        dropStream();
        // Operations of a dropped context never call back.
        sinkFetchRunning = false;
        sinkFetchAgain = false;
        if (!context) return;
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
        state = ServerState::Unreachable;
    }

    static void onContextState(pa_context* c, void* u) {
        auto* self = static_cast<Impl*>(u);
        switch (pa_context_get_state(c)) {
            case PA_CONTEXT_READY: {
                self->state = ServerState::Ready;
                const auto mask = pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK |
                                                         PA_SUBSCRIPTION_MASK_SERVER);
                if (pa_operation* op = pa_context_subscribe(c, mask, nullptr, nullptr)) {
                    pa_operation_unref(op);
                }
                self->fetchSinks();
                break;
            }
            case PA_CONTEXT_FAILED:
            case PA_CONTEXT_TERMINATED:
                // A server that was there went away: the program hears of it through losses.
                if (self->state == ServerState::Ready) ++self->losses;
                self->state = ServerState::Unreachable;
                break;
            default:
                break;
        }
        signal(self->loop);
    }

    static void onStreamState(pa_stream* s, void* u) {
        auto* self = static_cast<Impl*>(u);
        const pa_stream_state_t st = pa_stream_get_state(s);
        // A stream the server ended while the server stays (its source went away, or it was
        // killed); a server that went away is counted by the context.
        if ((st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED) && self->context &&
            pa_context_get_state(self->context) == PA_CONTEXT_READY) {
            ++self->losses;
        }
        signal(self->loop);
    }

    // The server changed a sink (its volume, say) or its defaults: the sink list is fetched
    // again in the background, so reading the output volume never waits.
    static void onServerEvent(pa_context*, pa_subscription_event_type_t, uint32_t, void* u) {
        static_cast<Impl*>(u)->fetchSinks();
    }

    void fetchSinks() {
        if (sinkFetchRunning) {
            sinkFetchAgain = true;
            return;
        }
        fetchedSinks.clear();
        pa_operation* op = pa_context_get_sink_info_list(
            context,
            [](pa_context*, const pa_sink_info* i, int eol, void* u) {
                auto* self = static_cast<Impl*>(u);
                if (eol == 0 && i) {
                    self->fetchedSinks.push_back(sinkInfo(i));
                    return;
                }
                self->sinkFetchRunning = false;
                if (eol > 0) {
                    self->sinks.swap(self->fetchedSinks);
                    ++self->changes;
                }
                if (self->sinkFetchAgain) {
                    self->sinkFetchAgain = false;
                    self->fetchSinks();
                }
            },
            this);
        if (!op) return;
        sinkFetchRunning = true;
        pa_operation_unref(op);
    }

    static SinkInfo sinkInfo(const pa_sink_info* i) {
        SinkInfo s;
        s.index = i->index;
        s.name = i->name ? i->name : "";
        s.description = i->description ? i->description : s.name;
        s.mute = i->mute != 0;
        s.volume = i->volume;
        return s;
    }

    void dropStream() {
        if (!stream) return;
        started = false;
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }

    bool streamReady() const { return stream && pa_stream_get_state(stream) == PA_STREAM_READY; }

    // Waits for an operation; false when it could not be started. An operation of a server
    // that goes away is cancelled, and the context's state change wakes the wait.
    bool wait(pa_operation* op) {
        if (!op) return false;
        while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(loop);
        const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
        pa_operation_unref(op);
        return done;
    }

    struct Result {
        Impl* self;
        bool ok = false;
    };
    static void onSuccess(pa_context*, int success, void* u) {
        auto* r = static_cast<Result*>(u);
        r->ok = success != 0;
        signal(r->self->loop);
    }
    // Runs a call that reports success.
    template <typename F>
    bool call(F&& start) {
        Result r{this};
        return wait(start(&onSuccess, &r)) && r.ok;
    }

    static void onStreamDone(pa_stream*, int, void* u) { signal(static_cast<Impl*>(u)->loop); }
    bool cork(bool on) { return wait(pa_stream_cork(stream, on ? 1 : 0, &onStreamDone, this)); }
    bool flush() { return wait(pa_stream_flush(stream, &onStreamDone, this)); }

    // Reads the server's defaults, sinks and sources.
    bool refresh() {
        if (!ready()) return false;
        std::vector<SinkInfo> newSinks;
        std::vector<SourceInfo> newSources;
        struct Fetch {
            Impl* self;
            std::vector<SinkInfo>* sinks;
            std::vector<SourceInfo>* sources;
        } fetch{this, &newSinks, &newSources};
        bool ok = wait(pa_context_get_server_info(
            context,
            [](pa_context*, const pa_server_info* i, void* u) {
                auto* self = static_cast<Impl*>(u);
                if (i) {
                    self->defaultSink = i->default_sink_name ? i->default_sink_name : "";
                    self->defaultSource = i->default_source_name ? i->default_source_name : "";
                }
                signal(self->loop);
            },
            this));
        ok = ok && wait(pa_context_get_sink_info_list(
                       context,
                       [](pa_context*, const pa_sink_info* i, int eol, void* u) {
                           auto* f = static_cast<Fetch*>(u);
                           if (eol == 0 && i) {
                               f->sinks->push_back(sinkInfo(i));
                           } else {
                               signal(f->self->loop);
                           }
                       },
                       &fetch));
        ok = ok && wait(pa_context_get_source_info_list(
                       context,
                       [](pa_context*, const pa_source_info* i, int eol, void* u) {
                           auto* f = static_cast<Fetch*>(u);
                           if (eol == 0 && i) {
                               SourceInfo s;
                               s.index = i->index;
                               s.name = i->name ? i->name : "";
                               s.description = i->description ? i->description : s.name;
                               s.monitorOf = i->monitor_of_sink;
                               s.mute = i->mute != 0;
                               s.volume = i->volume;
                               s.type = classify(i);
                               f->sources->push_back(s);
                           } else {
                               signal(f->self->loop);
                           }
                       },
                       &fetch));
        if (!ok) return false;
        sinks.swap(newSinks);
        sources.swap(newSources);
        return true;
    }

    const SinkInfo* sinkByIndex(uint32_t index) const {
        for (const SinkInfo& s : sinks) {
            if (s.index == index) return &s;
        }
        return nullptr;
    }

    MixerLine line(const SourceInfo& s) const {
        if (cdChannel && s.monitorOf != PA_INVALID_INDEX) {
            const SinkInfo* sink = sinkByIndex(s.monitorOf);
            if (sink && sink->name == defaultSink) return MixerLine{"CD", "CD", LineType::CompactDisc};
        }
        return MixerLine{s.description, shortName(s), s.type};
    }

    static void onRead(pa_stream* s, size_t, void* u) {
        auto* self = static_cast<Impl*>(u);
        while (pa_stream_readable_size(s) > 0) {
            const void* data = nullptr;
            size_t n = 0;
            if (pa_stream_peek(s, &data, &n) < 0 || n == 0) return;
            if (data && self->started) self->queue.write(static_cast<const uint8_t*>(data), n);
            pa_stream_drop(s);
        }
    }
};

PulseSoundInput::PulseSoundInput(bool cdChannel) : impl_(std::make_unique<Impl>()) {
    impl_->cdChannel = cdChannel;
    if (!impl_->loop) return;
    Locked lock(impl_->loop);
    impl_->startConnect();
}

void PulseSoundInput::setCdChannel(bool on) {
    Locked lock(impl_->loop);
    impl_->cdChannel = on;
}

PulseSoundInput::~PulseSoundInput() = default;

bool PulseSoundInput::connected() {
    if (!impl_->loop) return false;
    Locked lock(impl_->loop);
    impl_->startConnect();
    return impl_->ready();
}

ServerState PulseSoundInput::serverState() {
    return impl_->state.load();
}

void PulseSoundInput::reconnect() {
    if (!impl_->loop) return;
    Locked lock(impl_->loop);
    impl_->startConnect();
}

uint32_t PulseSoundInput::lossCount() {
    return impl_->losses.load();
}

uint32_t PulseSoundInput::changeCount() {
    return impl_->changes.load();
}

std::vector<std::string> PulseSoundInput::outputDevices() {
    std::vector<std::string> names;
    if (!impl_->loop) return names;
    Locked lock(impl_->loop);
    if (!impl_->refresh()) return names;
    for (const SinkInfo& s : impl_->sinks) names.push_back(s.description);
    return names;
}

std::vector<std::string> PulseSoundInput::inputDevices() {
    std::vector<std::string> names;
    if (!impl_->loop) return names;
    Locked lock(impl_->loop);
    if (!impl_->refresh()) return names;
    for (const SourceInfo& s : impl_->sources) names.push_back(s.description);
    return names;
}

bool PulseSoundInput::preferredDevice(bool output, std::string& name) {
    if (!impl_->loop) return false;
    Locked lock(impl_->loop);
    if (!impl_->refresh()) return false;
    if (output) {
        for (const SinkInfo& s : impl_->sinks) {
            if (s.name == impl_->defaultSink) {
                name = s.description;
                return true;
            }
        }
    } else {
        for (const SourceInfo& s : impl_->sources) {
            if (s.name == impl_->defaultSource) {
                name = s.description;
                return true;
            }
        }
    }
    return false;
}

// Each mixer call below holds the loop's lock and re-reads the server's lists: NoMixer when no
// server is ready, Failed when it answered but the call could not be done.

MixerStatus PulseSoundInput::destinationLines(MixerSide, unsigned, std::vector<MixerLine>& lines,
                                              int& errorCode) {
    Locked lock(impl_->loop);
    if (!impl_->ready()) return MixerStatus::NoMixer;
    if (!impl_->refresh()) {
        errorCode = impl_->context ? pa_context_errno(impl_->context) : PA_ERR_CONNECTIONTERMINATED;
        return MixerStatus::Failed;
    }
    lines.clear();
    for (const SourceInfo& s : impl_->sources) lines.push_back(impl_->line(s));
    return MixerStatus::Ok;
}

MixerStatus PulseSoundInput::lineMute(MixerSide side, unsigned, int line, bool& muted) {
    Locked lock(impl_->loop);
    if (!impl_->ready()) return MixerStatus::NoMixer;
    if (!impl_->refresh() || line < 0 || size_t(line) >= impl_->sources.size()) {
        return MixerStatus::Failed;
    }
    const SourceInfo& s = impl_->sources[size_t(line)];
    if (side == MixerSide::Recording) {
        muted = s.mute;
    } else {
        const SinkInfo* sink = impl_->sinkByIndex(s.monitorOf);
        muted = sink && sink->mute;
    }
    return MixerStatus::Ok;
}

MixerStatus PulseSoundInput::setLineMute(MixerSide side, unsigned, int line, bool muted) {
    Locked lock(impl_->loop);
    if (!impl_->ready()) return MixerStatus::NoMixer;
    if (!impl_->refresh() || line < 0 || size_t(line) >= impl_->sources.size()) {
        return MixerStatus::Failed;
    }
    const SourceInfo s = impl_->sources[size_t(line)];
    pa_context* c = impl_->context;
    bool ok = true;
    if (side == MixerSide::Recording) {
        ok = impl_->call([&](pa_context_success_cb_t cb, void* u) {
            return pa_context_set_source_mute_by_index(c, s.index, muted, cb, u);
        });
    } else if (s.monitorOf != PA_INVALID_INDEX) {
        ok = impl_->call([&](pa_context_success_cb_t cb, void* u) {
            return pa_context_set_sink_mute_by_index(c, s.monitorOf, muted, cb, u);
        });
    }
    return ok ? MixerStatus::Ok : MixerStatus::Failed;
}

MixerStatus PulseSoundInput::setLineVolume(MixerSide side, unsigned, int line, uint16_t volume) {
    Locked lock(impl_->loop);
    if (!impl_->ready()) return MixerStatus::NoMixer;
    if (!impl_->refresh() || line < 0 || size_t(line) >= impl_->sources.size()) {
        return MixerStatus::Failed;
    }
    if (side == MixerSide::Playback) return MixerStatus::Ok;
    const SourceInfo s = impl_->sources[size_t(line)];
    pa_cvolume cv = s.volume;
    pa_cvolume_set(&cv, std::max<uint8_t>(cv.channels, 1), fromMixer(volume));
    pa_context* c = impl_->context;
    bool ok = impl_->call([&](pa_context_success_cb_t cb, void* u) {
        return pa_context_set_source_volume_by_index(c, s.index, &cv, cb, u);
    });
    return ok ? MixerStatus::Ok : MixerStatus::Failed;
}

MixerStatus PulseSoundInput::inputSelector(unsigned device, InputSelector& selector) {
    Locked lock(impl_->loop);
    if (!impl_->ready()) return MixerStatus::NoMixer;
    if (!impl_->refresh()) return MixerStatus::Failed;
    uint32_t current = PA_INVALID_INDEX;
    if (impl_->streamReady()) {
        current = pa_stream_get_device_index(impl_->stream);
    } else if (device < impl_->sources.size()) {
        current = impl_->sources[device].index;
    }
    selector.multipleSelect = false;
    selector.items.clear();
    selector.values.clear();
    for (const SourceInfo& s : impl_->sources) {
        selector.items.push_back(lineDisplayName(impl_->line(s)));
        selector.values.push_back(s.index == current);
    }
    return MixerStatus::Ok;
}

MixerStatus PulseSoundInput::setInputSelector(unsigned, const std::vector<bool>& values) {
    Locked lock(impl_->loop);
    if (!impl_->ready()) return MixerStatus::NoMixer;
    if (!impl_->refresh() || values.size() != impl_->sources.size()) return MixerStatus::Failed;
    auto on = std::find(values.begin(), values.end(), true);
    if (on == values.end()) return MixerStatus::Failed;
    const uint32_t source = impl_->sources[size_t(on - values.begin())].index;
    if (!impl_->streamReady()) return MixerStatus::Failed;
    if (pa_stream_get_device_index(impl_->stream) == source) return MixerStatus::Ok;
    pa_context* c = impl_->context;
    const uint32_t output = pa_stream_get_index(impl_->stream);
    bool ok = impl_->call([&](pa_context_success_cb_t cb, void* u) {
        return pa_context_move_source_output_by_index(c, output, source, cb, u);
    });
    return ok ? MixerStatus::Ok : MixerStatus::Failed;
}

// The volume calls use the sink list the server's change events keep current, so the
// background volume poll never waits for the server.
MixerStatus PulseSoundInput::outputVolume(unsigned device, uint16_t& volume) {
    if (!impl_->loop || impl_->state.load() != ServerState::Ready) return MixerStatus::NoMixer;
    Locked lock(impl_->loop);
    if (device >= impl_->sinks.size()) return MixerStatus::Failed;
    volume = toMixer(pa_cvolume_avg(&impl_->sinks[device].volume));
    return MixerStatus::Ok;
}

MixerStatus PulseSoundInput::setOutputVolume(unsigned device, uint16_t volume) {
    if (!impl_->loop || impl_->state.load() != ServerState::Ready) return MixerStatus::NoMixer;
    Locked lock(impl_->loop);
    if (!impl_->context || device >= impl_->sinks.size()) return MixerStatus::Failed;
    SinkInfo& s = impl_->sinks[device];
    pa_cvolume cv = s.volume;
    pa_cvolume_set(&cv, std::max<uint8_t>(cv.channels, 1), fromMixer(volume));
    // Not waited for: the slider sends every step of a drag.
    pa_operation* op =
        pa_context_set_sink_volume_by_index(impl_->context, s.index, &cv, nullptr, nullptr);
    if (!op) return MixerStatus::Failed;
    pa_operation_unref(op);
    s.volume = cv;
    return MixerStatus::Ok;
}

CaptureOpen PulseSoundInput::openCapture(unsigned device, CaptureClient* client) {
    if (!impl_->loop) return CaptureOpen::Failed;
    Locked lock(impl_->loop);
    if (!impl_->refresh() || device >= impl_->sources.size()) return CaptureOpen::Failed;
    impl_->dropStream();
    const pa_sample_spec format{PA_SAMPLE_U8, kCaptureRate, 1};
    if (!pa_sample_spec_valid(&format)) return CaptureOpen::FormatRejected;
    pa_stream* s = pa_stream_new(impl_->context, "Korel listening", &format, nullptr);
    if (!s) return CaptureOpen::Failed;
    pa_stream_set_state_callback(s, &Impl::onStreamState, impl_.get());
    pa_stream_set_read_callback(s, &Impl::onRead, impl_.get());
    // Small fragments keep the newest samples close to now.
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(-1);
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = kCaptureRate / 100;
    const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    bool ready = false;
    if (pa_stream_connect_record(s, impl_->sources[device].name.c_str(), &attr, flags) >= 0) {
        for (;;) {
            pa_stream_state_t st = pa_stream_get_state(s);
            if (st == PA_STREAM_READY) {
                ready = true;
                break;
            }
            if (!PA_STREAM_IS_GOOD(st)) break;
            pa_threaded_mainloop_wait(impl_->loop);
        }
    }
    impl_->stream = s;
    if (!ready) {
        const int err = impl_->context ? pa_context_errno(impl_->context) : 0;
        impl_->dropStream();
        return (err == PA_ERR_NOTSUPPORTED || err == PA_ERR_INVALID) ? CaptureOpen::FormatRejected
                                                                     : CaptureOpen::Failed;
    }
    impl_->queue.setClient(client);
    return CaptureOpen::Ok;
}

bool PulseSoundInput::queueBuffer(int header, uint8_t* data, size_t size) {
    return impl_->queue.queue(header, data, size);
}

bool PulseSoundInput::startCapture() {
    if (!impl_->loop) return false;
    Locked lock(impl_->loop);
    if (!impl_->streamReady()) return false;
    impl_->flush();
    impl_->started = true;
    return impl_->cork(false);
}

void PulseSoundInput::resetCapture() {
    impl_->started = false;
    if (impl_->loop) {
        Locked lock(impl_->loop);
        if (impl_->streamReady()) {
            impl_->cork(true);
            impl_->flush();
        }
    }
    impl_->queue.reset();
}

void PulseSoundInput::closeCapture() {
    resetCapture();
    if (impl_->loop) {
        Locked lock(impl_->loop);
        impl_->dropStream();
    }
    impl_->queue.setClient(nullptr);
}

uint32_t PulseSoundInput::capturePosition() {
    return impl_->queue.position();
}

}  // namespace korel
