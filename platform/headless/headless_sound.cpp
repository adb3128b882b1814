// Headless sound devices: the scripted mixer, the WAV decoder and the clock-paced capture.
#include "platform/headless/headless_sound.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <samplerate.h>

#include "platform/files.h"

namespace korel {

namespace {

constexpr size_t kPiece = 110;  // samples per delivery, 10 ms

const char* sideName(MixerSide s) {
    return s == MixerSide::Playback ? "playback" : "recording";
}

// One sample of `bytes` bytes in the given encoding, as -1..1.
double sampleValue(const uint8_t* p, int bytes, bool isFloat) {
    if (isFloat) {
        if (bytes == 4) {
            uint32_t u = getLe32(p);
            float f;
            std::memcpy(&f, &u, 4);
            return std::isfinite(f) ? double(f) : 0.0;
        }
        uint64_t u = uint64_t(getLe32(p)) | (uint64_t(getLe32(p + 4)) << 32);
        double d;
        std::memcpy(&d, &u, 8);
        return std::isfinite(d) ? d : 0.0;
    }
    switch (bytes) {
        case 1:
            return (int(p[0]) - 128) / 128.0;
        case 2:
            return int16_t(getLe16(p)) / 32768.0;
        case 3: {
            int32_t v = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24);
            return (v >> 8) / 8388608.0;
        }
        default:
            return int32_t(getLe32(p)) / 2147483648.0;
    }
}

// Converts to the capture rate the way a sound server does: through a band-limiting filter, so
// that nothing above half the new rate folds down into the bass the analysis listens to.
bool resampleToCapture(const std::vector<float>& in, uint32_t rate, std::vector<float>& out) {
    if (rate == kCaptureRate || in.empty()) {
        out = in;
        return true;
    }
    const double ratio = double(kCaptureRate) / rate;
    out.assign(size_t(double(in.size()) * ratio) + 16, 0.0f);
    SRC_DATA job{};
    job.data_in = in.data();
    job.input_frames = long(in.size());
    job.data_out = out.data();
    job.output_frames = long(out.size());
    job.src_ratio = ratio;
    if (src_simple(&job, SRC_SINC_MEDIUM_QUALITY, 1) != 0) return false;
    out.resize(size_t(job.output_frames_gen));
    for (float& v : out) v = std::clamp(v, -1.0f, 1.0f);
    return true;
}

}  // namespace

bool decodeWav(const Bytes& file, std::vector<uint8_t>& samples, std::string& error) {
    ByteReader r(file);
    uint8_t id[4];
    uint32_t size = 0;
    if (!r.bytes(id, 4) || std::memcmp(id, "RIFF", 4) != 0 || !r.le32(size) || !r.bytes(id, 4) ||
        std::memcmp(id, "WAVE", 4) != 0) {
        error = "Not a WAV file!";
        return false;
    }
    uint16_t format = 0, channels = 0, blockAlign = 0, bits = 0;
    uint32_t rate = 0;
    bool haveFormat = false;
    std::span<const uint8_t> data;
    bool haveData = false;
    while (r.remaining() >= 8 && !haveData) {
        uint32_t chunk = 0;
        r.bytes(id, 4);
        r.le32(chunk);
        // A chunk that claims more than the file holds is cut to what is there.
        size_t len = std::min<size_t>(chunk, r.remaining());
        bool ok = false;
        std::span<const uint8_t> body = r.take(len, ok);
        if (len % 2 == 1) r.skip(1);
        if (std::memcmp(id, "fmt ", 4) == 0) {
            ByteReader f(body);
            uint32_t byteRate = 0;
            if (!f.le16(format) || !f.le16(channels) || !f.le32(rate) || !f.le32(byteRate) ||
                !f.le16(blockAlign) || !f.le16(bits)) {
                error = "WAV format chunk is too short!";
                return false;
            }
            if (format == 0xFFFE) {
                uint16_t extra = 0, valid = 0, sub = 0;
                uint32_t mask = 0;
                if (!f.le16(extra) || !f.le16(valid) || !f.le32(mask) || !f.le16(sub)) {
                    error = "WAV format chunk is too short!";
                    return false;
                }
                format = sub;
            }
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            data = body;
            haveData = true;
        }
    }
    if (!haveFormat || !haveData) {
        error = "WAV file has no sound data!";
        return false;
    }
    const bool isFloat = format == 3;
    const int bytes = bits / 8;
    const bool pcmOk = format == 1 && bits % 8 == 0 && bytes >= 1 && bytes <= 4;
    const bool floatOk = isFloat && (bits == 32 || bits == 64);
    if ((!pcmOk && !floatOk) || channels == 0 || rate == 0 || rate > 1000000 ||
        blockAlign != size_t(channels) * size_t(bytes)) {
        error = "Unsupported WAV format!";
        return false;
    }
    const size_t frames = data.size() / blockAlign;
    std::vector<float> mono(frames);
    for (size_t k = 0; k < frames; ++k) {
        const uint8_t* p = data.data() + k * blockAlign;
        double sum = 0;
        for (int c = 0; c < channels; ++c) sum += sampleValue(p + c * bytes, bytes, isFloat);
        mono[k] = float(std::clamp(sum / channels, -1.0, 1.0));
    }
    std::vector<float> resampled;
    if (!resampleToCapture(mono, rate, resampled)) {
        error = "WAV file cannot be resampled!";
        return false;
    }
    samples.clear();
    samples.reserve(resampled.size());
    for (float v : resampled) {
        samples.push_back(uint8_t(std::clamp(int(std::lround(double(v) * 128.0)) + 128, 0, 255)));
    }
    return true;
}

HeadlessSound::HeadlessSound(Platform& platform) : platform_(platform) {}

int HeadlessSound::addLine(const std::string& name, LineType type, const std::string& shortName) {
    Line l;
    l.line = MixerLine{name, shortName.empty() ? name.substr(0, 15) : shortName, type};
    recordingLines.push_back(l);
    playbackLines.push_back(l);
    return int(recordingLines.size()) - 1;
}

void HeadlessSound::setSamples(std::vector<uint8_t> samples, bool loop) {
    feed_ = std::move(samples);
    loop_ = loop;
}

bool HeadlessSound::loadWav(const std::string& path, std::string& error, bool loop) {
    Bytes file;
    int rc = readWholeFile(path, file);
    if (rc != 0) {
        error = rc == kErrNoFile ? "Unable to find file!" : "Error " + std::to_string(rc);
        return false;
    }
    std::vector<uint8_t> samples;
    if (!decodeWav(file, samples, error)) return false;
    setSamples(std::move(samples), loop);
    return true;
}

std::vector<std::string> HeadlessSound::outputDevices() {
    return connected_ ? outputs : std::vector<std::string>{};
}

std::vector<std::string> HeadlessSound::inputDevices() {
    return connected_ ? inputs : std::vector<std::string>{};
}

bool HeadlessSound::preferredDevice(bool output, std::string& name) {
    if (!connected_) return false;
    name = output ? preferredOutput : preferredInput;
    return !name.empty();
}

void HeadlessSound::killServer() {
    serverUp_ = false;
    connecting_ = false;
    if (!connected_) return;
    connected_ = false;
    ++losses_;
    // The capture dies with the server; the buffers stay queued until the program resets it.
    started_ = false;
    open_ = false;
    // A new server records from its default, whatever was selected before.
    selectorValues.assign(selectorValues.size(), false);
}

ServerState HeadlessSound::serverState() {
    if (connecting_) {
        if (platform_.tickCount() - connectStart_ < connectMs) return ServerState::Connecting;
        connecting_ = false;
        connected_ = serverUp_;
    }
    return connected_ ? ServerState::Ready : ServerState::Unreachable;
}

void HeadlessSound::reconnect() {
    reconnects.push_back(platform_.tickCount());
    if (connected_ || connecting_) return;
    connecting_ = true;
    connectStart_ = platform_.tickCount();
}

std::vector<HeadlessSound::Line>* HeadlessSound::side(MixerSide s) {
    return s == MixerSide::Playback ? &playbackLines : &recordingLines;
}

bool HeadlessSound::mixerMissing(MixerSide s) const {
    if (!connected_) return true;
    return s == MixerSide::Playback ? playbackMixerMissing : recordingMixerMissing;
}

HeadlessSound::Line* HeadlessSound::findLine(MixerSide s, int line) {
    std::vector<Line>* lines = side(s);
    if (line < 0 || size_t(line) >= lines->size() || (*lines)[size_t(line)].fails) return nullptr;
    return &(*lines)[size_t(line)];
}

MixerStatus HeadlessSound::destinationLines(MixerSide s, unsigned, std::vector<MixerLine>& lines,
                                            int& errorCode) {
    if (mixerMissing(s)) return MixerStatus::NoMixer;
    if (s == MixerSide::Recording && recordingDestinationError != 0) {
        errorCode = recordingDestinationError;
        return MixerStatus::Failed;
    }
    lines.clear();
    for (const Line& l : *side(s)) lines.push_back(l.line);
    return MixerStatus::Ok;
}

MixerStatus HeadlessSound::lineMute(MixerSide s, unsigned, int line, bool& muted) {
    if (mixerMissing(s)) return MixerStatus::NoMixer;
    Line* l = findLine(s, line);
    if (!l) return MixerStatus::Failed;
    muted = l->muted;
    return MixerStatus::Ok;
}

MixerStatus HeadlessSound::setLineMute(MixerSide s, unsigned, int line, bool muted) {
    if (mixerMissing(s)) return MixerStatus::NoMixer;
    Line* l = findLine(s, line);
    if (!l) return MixerStatus::Failed;
    l->muted = muted;
    log.push_back(std::string(sideName(s)) + " " + std::to_string(line) + " mute " +
                  (muted ? "1" : "0"));
    return MixerStatus::Ok;
}

MixerStatus HeadlessSound::setLineVolume(MixerSide s, unsigned, int line, uint16_t volume) {
    if (mixerMissing(s)) return MixerStatus::NoMixer;
    Line* l = findLine(s, line);
    if (!l) return MixerStatus::Failed;
    l->volume = volume;
    log.push_back(std::string(sideName(s)) + " " + std::to_string(line) + " volume " +
                  std::to_string(volume));
    return MixerStatus::Ok;
}

void HeadlessSound::syncSelector() {
    if (selectorItems.empty()) {
        for (const Line& l : recordingLines) selectorItems.push_back(lineDisplayName(l.line));
    }
    selectorValues.resize(selectorItems.size(), false);
}

MixerStatus HeadlessSound::inputSelector(unsigned, InputSelector& selector) {
    if (mixerMissing(MixerSide::Recording)) return MixerStatus::NoMixer;
    if (selectorFails) return MixerStatus::Failed;
    syncSelector();
    selector.multipleSelect = multipleSelect;
    selector.items = selectorItems;
    selector.values = selectorValues;
    return MixerStatus::Ok;
}

MixerStatus HeadlessSound::setInputSelector(unsigned, const std::vector<bool>& values) {
    if (mixerMissing(MixerSide::Recording)) return MixerStatus::NoMixer;
    syncSelector();
    if (selectorFails || values.size() != selectorItems.size()) return MixerStatus::Failed;
    selectorValues = values;
    std::string entry = "selector";
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i]) entry.append(" ").append(std::to_string(i));
    }
    log.push_back(entry);
    return MixerStatus::Ok;
}

MixerStatus HeadlessSound::outputVolume(unsigned, uint16_t& volume) {
    if (mixerMissing(MixerSide::Playback) || speakerVolumeFails) return MixerStatus::NoMixer;
    volume = speakerVolume;
    return MixerStatus::Ok;
}

MixerStatus HeadlessSound::setOutputVolume(unsigned, uint16_t volume) {
    if (mixerMissing(MixerSide::Playback) || speakerVolumeFails) return MixerStatus::NoMixer;
    speakerVolume = volume;
    log.push_back("speaker " + std::to_string(volume));
    return MixerStatus::Ok;
}

CaptureOpen HeadlessSound::openCapture(unsigned, CaptureClient* client) {
    if (!connected_) return CaptureOpen::Failed;
    if (openResult != CaptureOpen::Ok) return openResult;
    queue_.setClient(client);
    open_ = true;
    return CaptureOpen::Ok;
}

bool HeadlessSound::queueBuffer(int header, uint8_t* data, size_t size) {
    if (!open_) return false;
    return queue_.queue(header, data, size);
}

bool HeadlessSound::startCapture() {
    if (!open_) return false;
    started_ = true;
    startTick_ = platform_.tickCount();
    delivered_ = 0;
    return true;
}

void HeadlessSound::resetCapture() {
    started_ = false;
    delivered_ = 0;
    queue_.reset();
}

void HeadlessSound::closeCapture() {
    resetCapture();
    open_ = false;
    queue_.setClient(nullptr);
}

bool HeadlessSound::feedAudible() {
    if (liveLine < 0) return true;
    if (size_t(liveLine) >= recordingLines.size() || recordingLines[size_t(liveLine)].muted) {
        return false;
    }
    syncSelector();
    const std::string name = lineDisplayName(recordingLines[size_t(liveLine)].line);
    for (size_t i = 0; i < selectorItems.size(); ++i) {
        if (selectorItems[i] == name && selectorValues[i]) return true;
    }
    return false;
}

void HeadlessSound::pump() {
    if (!started_) return;
    const uint64_t due =
        uint64_t(uint32_t(platform_.tickCount() - startTick_)) * kCaptureRate / 1000;
    uint8_t piece[kPiece];
    while (delivered_ < due && started_) {
        const size_t n = size_t(std::min<uint64_t>(kPiece, due - delivered_));
        const bool audible = feedAudible();
        if (captureFeed_) {
            if (audible)
                captureFeed_->feedCapture(uint64_t(startTick_) * kCaptureRate / 1000 + delivered_,
                                          piece, n);
            else
                std::memset(piece, 128, n);
        }
        for (size_t i = 0; i < n && !captureFeed_; ++i) {
            uint64_t k = delivered_ + i;
            uint8_t v = 128;
            if (audible && !feed_.empty()) {
                if (loop_) k %= feed_.size();
                if (k < feed_.size()) v = feed_[size_t(k)];
            }
            piece[i] = v;
        }
        delivered_ += n;
        if (!queue_.hasBuffers()) continue;  // out of buffers: the samples are lost
        queue_.write(piece, n);
    }
}

uint32_t HeadlessSound::capturePosition() {
    pump();
    return queue_.position();
}

}  // namespace korel
