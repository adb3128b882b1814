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

class Locked {
  public:
    explicit Locked(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~Locked() { pa_threaded_mainloop_unlock(loop_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    pa_threaded_mainloop* loop_;
};

}  // namespace

struct PulseSoundInput::Impl {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    CaptureQueue queue;
    std::atomic<bool> started{false};
    std::vector<SinkInfo> sinks;
    std::vector<SourceInfo> sources;
    std::string defaultSink, defaultSource;

    ~Impl() { disconnect(); }

    static void signal(void* loop) {
        pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
    }

    bool connect() {
        if (loop && context && pa_context_get_state(context) == PA_CONTEXT_READY) return true;
        disconnect();
        loop = pa_threaded_mainloop_new();
        if (!loop) return false;
        if (pa_threaded_mainloop_start(loop) < 0) {
            pa_threaded_mainloop_free(loop);
            loop = nullptr;
            return false;
        }
        bool ok = false;
        {
            Locked lock(loop);
            pa_proplist* props = pa_proplist_new();
            pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Korel");
            context =
                pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Korel", props);
            pa_proplist_free(props);
            if (context) {
                pa_context_set_state_callback(
                    context, [](pa_context*, void* u) { signal(u); }, loop);
                if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
                    for (;;) {
                        pa_context_state_t st = pa_context_get_state(context);
                        if (st == PA_CONTEXT_READY) {
                            ok = true;
                            break;
                        }
                        if (!PA_CONTEXT_IS_GOOD(st)) break;
                        pa_threaded_mainloop_wait(loop);
                    }
                }
            }
        }
        if (!ok) disconnect();
        return ok;
    }

    void disconnect() {
        if (!loop) return;
        {
            Locked lock(loop);
            dropStream();
            if (context) {
                pa_context_set_state_callback(context, nullptr, nullptr);
                pa_context_disconnect(context);
                pa_context_unref(context);
                context = nullptr;
            }
        }
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
    }

    // With the lock held.
    void dropStream() {
        if (!stream) return;
        started = false;
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }

    // Waits for an operation with the lock held; false when it could not be started.
    bool wait(pa_operation* op) {
        if (!op) return false;
        while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(loop);
        pa_operation_unref(op);
        return true;
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
    // Runs a call that reports success, with the lock held.
    template <typename F>
    bool call(F&& start) {
        Result r{this};
        return wait(start(&onSuccess, &r)) && r.ok;
    }

    static void onStreamDone(pa_stream*, int, void* u) { signal(static_cast<Impl*>(u)->loop); }
    bool cork(bool on) { return wait(pa_stream_cork(stream, on ? 1 : 0, &onStreamDone, this)); }
    bool flush() { return wait(pa_stream_flush(stream, &onStreamDone, this)); }

    // Reads the server's defaults, sinks and sources, with the lock held.
    bool refresh() {
        sinks.clear();
        sources.clear();
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
                           auto* self = static_cast<Impl*>(u);
                           if (eol == 0 && i) {
                               SinkInfo s;
                               s.index = i->index;
                               s.name = i->name ? i->name : "";
                               s.description = i->description ? i->description : s.name;
                               s.mute = i->mute != 0;
                               s.volume = i->volume;
                               self->sinks.push_back(s);
                           } else {
                               signal(self->loop);
                           }
                       },
                       this));
        ok = ok && wait(pa_context_get_source_info_list(
                       context,
                       [](pa_context*, const pa_source_info* i, int eol, void* u) {
                           auto* self = static_cast<Impl*>(u);
                           if (eol == 0 && i) {
                               SourceInfo s;
                               s.index = i->index;
                               s.name = i->name ? i->name : "";
                               s.description = i->description ? i->description : s.name;
                               s.monitorOf = i->monitor_of_sink;
                               s.mute = i->mute != 0;
                               s.volume = i->volume;
                               s.type = classify(i);
                               self->sources.push_back(s);
                           } else {
                               signal(self->loop);
                           }
                       },
                       this));
        return ok;
    }

    const SinkInfo* sinkByIndex(uint32_t index) const {
        for (const SinkInfo& s : sinks) {
            if (s.index == index) return &s;
        }
        return nullptr;
    }

    MixerLine line(const SourceInfo& s) const {
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

PulseSoundInput::PulseSoundInput() : impl_(std::make_unique<Impl>()) {}
PulseSoundInput::~PulseSoundInput() = default;

bool PulseSoundInput::connected() {
    return impl_->connect();
}

std::vector<std::string> PulseSoundInput::outputDevices() {
    std::vector<std::string> names;
    if (!impl_->connect()) return names;
    Locked lock(impl_->loop);
    if (!impl_->refresh()) return names;
    for (const SinkInfo& s : impl_->sinks) names.push_back(s.description);
    return names;
}

std::vector<std::string> PulseSoundInput::inputDevices() {
    std::vector<std::string> names;
    if (!impl_->connect()) return names;
    Locked lock(impl_->loop);
    if (!impl_->refresh()) return names;
    for (const SourceInfo& s : impl_->sources) names.push_back(s.description);
    return names;
}

bool PulseSoundInput::preferredDevice(bool output, std::string& name) {
    if (!impl_->connect()) return false;
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

MixerStatus PulseSoundInput::destinationLines(MixerSide, unsigned, std::vector<MixerLine>& lines,
                                              int& errorCode) {
    if (!impl_->connect()) return MixerStatus::NoMixer;
    Locked lock(impl_->loop);
    if (!impl_->refresh()) {
        errorCode = pa_context_errno(impl_->context);
        return MixerStatus::Failed;
    }
    lines.clear();
    for (const SourceInfo& s : impl_->sources) lines.push_back(impl_->line(s));
    return MixerStatus::Ok;
}

MixerStatus PulseSoundInput::lineMute(MixerSide side, unsigned, int line, bool& muted) {
    if (!impl_->connect()) return MixerStatus::NoMixer;
    Locked lock(impl_->loop);
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
    if (!impl_->connect()) return MixerStatus::NoMixer;
    Locked lock(impl_->loop);
    if (!impl_->refresh() || line < 0 || size_t(line) >= impl_->sources.size()) {
        return MixerStatus::Failed;
    }
    const SourceInfo& s = impl_->sources[size_t(line)];
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
    if (!impl_->connect()) return MixerStatus::NoMixer;
    Locked lock(impl_->loop);
    if (!impl_->refresh() || line < 0 || size_t(line) >= impl_->sources.size()) {
        return MixerStatus::Failed;
    }
    if (side == MixerSide::Playback) return MixerStatus::Ok;
    const SourceInfo& s = impl_->sources[size_t(line)];
    pa_cvolume cv = s.volume;
    pa_cvolume_set(&cv, std::max<uint8_t>(cv.channels, 1), fromMixer(volume));
    pa_context* c = impl_->context;
    bool ok = impl_->call([&](pa_context_success_cb_t cb, void* u) {
        return pa_context_set_source_volume_by_index(c, s.index, &cv, cb, u);
    });
    return ok ? MixerStatus::Ok : MixerStatus::Failed;
}

MixerStatus PulseSoundInput::inputSelector(unsigned device, InputSelector& selector) {
    if (!impl_->connect()) return MixerStatus::NoMixer;
    Locked lock(impl_->loop);
    if (!impl_->refresh()) return MixerStatus::Failed;
    uint32_t current = PA_INVALID_INDEX;
    if (impl_->stream && pa_stream_get_state(impl_->stream) == PA_STREAM_READY) {
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
    if (!impl_->connect()) return MixerStatus::NoMixer;
    Locked lock(impl_->loop);
    if (!impl_->refresh() || values.size() != impl_->sources.size()) return MixerStatus::Failed;
    auto on = std::find(values.begin(), values.end(), true);
    if (on == values.end()) return MixerStatus::Failed;
    const SourceInfo& s = impl_->sources[size_t(on - values.begin())];
    if (!impl_->stream || pa_stream_get_state(impl_->stream) != PA_STREAM_READY) {
        return MixerStatus::Failed;
    }
    if (pa_stream_get_device_index(impl_->stream) == s.index) return MixerStatus::Ok;
    pa_context* c = impl_->context;
    const uint32_t output = pa_stream_get_index(impl_->stream);
    bool ok = impl_->call([&](pa_context_success_cb_t cb, void* u) {
        return pa_context_move_source_output_by_index(c, output, s.index, cb, u);
    });
    return ok ? MixerStatus::Ok : MixerStatus::Failed;
}

MixerStatus PulseSoundInput::outputVolume(unsigned device, uint16_t& volume) {
    if (!impl_->connect()) return MixerStatus::NoMixer;
    Locked lock(impl_->loop);
    if (!impl_->refresh() || device >= impl_->sinks.size()) return MixerStatus::Failed;
    volume = toMixer(pa_cvolume_avg(&impl_->sinks[device].volume));
    return MixerStatus::Ok;
}

MixerStatus PulseSoundInput::setOutputVolume(unsigned device, uint16_t volume) {
    if (!impl_->connect()) return MixerStatus::NoMixer;
    Locked lock(impl_->loop);
    if (!impl_->refresh() || device >= impl_->sinks.size()) return MixerStatus::Failed;
    const SinkInfo& s = impl_->sinks[device];
    pa_cvolume cv = s.volume;
    pa_cvolume_set(&cv, std::max<uint8_t>(cv.channels, 1), fromMixer(volume));
    pa_context* c = impl_->context;
    bool ok = impl_->call([&](pa_context_success_cb_t cb, void* u) {
        return pa_context_set_sink_volume_by_index(c, s.index, &cv, cb, u);
    });
    return ok ? MixerStatus::Ok : MixerStatus::Failed;
}

CaptureOpen PulseSoundInput::openCapture(unsigned device, CaptureClient* client) {
    if (!impl_->connect()) return CaptureOpen::Failed;
    Locked lock(impl_->loop);
    if (!impl_->refresh() || device >= impl_->sources.size()) return CaptureOpen::Failed;
    impl_->dropStream();
    const pa_sample_spec format{PA_SAMPLE_U8, kCaptureRate, 1};
    if (!pa_sample_spec_valid(&format)) return CaptureOpen::FormatRejected;
    pa_stream* s = pa_stream_new(impl_->context, "Korel listening", &format, nullptr);
    if (!s) return CaptureOpen::Failed;
    pa_stream_set_state_callback(
        s, [](pa_stream*, void* u) { Impl::signal(u); }, impl_->loop);
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
        const int err = pa_context_errno(impl_->context);
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
    if (!impl_->stream) return false;
    impl_->flush();
    impl_->started = true;
    return impl_->cork(false);
}

void PulseSoundInput::resetCapture() {
    impl_->started = false;
    if (impl_->loop) {
        Locked lock(impl_->loop);
        if (impl_->stream) {
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
