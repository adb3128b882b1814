// The analysis: loudness and sound scale, the single-frequency magnitude and beat decisions.
//
// Nothing here allocates: every call works on the ring (or the MP3 sample buffer) and on the
// fixed tables of ListenState.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sound/sound.h"

namespace korel {

namespace {

constexpr double kTwoPi = 6.28318530717958;
constexpr int kLoudnessSamples = 110;  // about 10 ms
constexpr int kMaxWindow = 20;         // analysis window, hundreds of samples
constexpr int kMaxColumn = 126;        // listening frequency column

// Ring index `back` samples before `end`, wrapping from the ring's start to its end.
inline size_t ringBefore(uint32_t end, int back) {
    int64_t i = int64_t(end) - back;
    while (i < 0) i += int64_t(kRingSize);
    return size_t(i % int64_t(kRingSize));
}

// The largest |sample| among the newest 110.
int loudness(const Sound& sound) {
    int largest = 0;
    if (sound.edition == Edition::MP3) {
        for (size_t i = kSampleBufferSamples - kLoudnessSamples; i < kSampleBufferSamples; ++i) {
            int v = int(int64_t(std::fabs(sound.mp3.samples[i])) & 0xFF);
            largest = std::max(largest, v);
        }
        return largest;
    }
    size_t i = ringBefore(sound.listen.windowEnd, kLoudnessSamples);
    for (int k = 0; k < kLoudnessSamples; ++k) {
        largest = std::max(largest, std::abs(int(sound.ring.get(i)) - 128));
        if (++i == kRingSize) i = 0;
    }
    return largest;
}

// Fills the angle tables for period d up to `length` samples, accumulating the angle exactly as
// the direct sum does.
void buildTables(ListenState& l, int d, int length) {
    double theta = 0;
    const double step = kTwoPi / d;
    for (int k = 0; k < length; ++k) {
        l.cosTable[size_t(k)] = std::cos(theta);
        l.sinTable[size_t(k)] = std::sin(theta);
        theta += step;
    }
    l.tablePeriod = d;
    l.tableLength = length;
}

// Samples per second of the source.
int sourceRate(const Sound& sound) {
    if (sound.edition != Edition::MP3) return int(kCaptureRate);
    if (sound.mp3.channels == 0) return 0;
    return int(sound.mp3.sampleRate / sound.mp3.channels);
}

// The magnitude over the window for frequency f; `cached` uses (and refreshes) the angle
// tables, which pays off when the same frequency is analysed again and again.
double magnitude(Sound& sound, const VisualState& vs, double f, bool cached) {
    ListenState& l = sound.listen;
    const int rate = sourceRate(sound);
    if (!(f > 0) || rate <= 0) return 0;
    const double dd = std::trunc(double(rate) / f);
    if (!(dd >= 1)) return 0;
    const bool mp3 = sound.edition == Edition::MP3;
    const int limit = mp3 ? int(kSampleBufferSamples) : int(kRingSize);
    int d = dd > limit ? limit : int(dd);
    const int w = std::min<int>(vs.get(vs::AnalysisWindow), kMaxWindow) * 100;
    int n = w > d ? (w / d) * d : d;
    // A period longer than the MP3 buffer is measured over the whole buffer.
    if (mp3 && n > int(kSampleBufferSamples)) n = int(kSampleBufferSamples);
    if (n == 0) return 0;

    const bool table = cached && n <= int(kSampleBufferSamples);
    if (table && (l.tablePeriod != d || l.tableLength < n)) buildTables(l, d, n);

    double a = 0, b = 0, theta = 0;
    const double step = kTwoPi / d;
    int peak = 0;
    size_t ri = mp3 ? 0 : ringBefore(l.windowEnd, n);
    for (int k = 0; k < n; ++k) {
        double x;
        bool skip;
        if (mp3) {
            x = sound.mp3.samples[kSampleBufferSamples - size_t(n) + size_t(k)];
            skip = x == 0;
        } else {
            const uint8_t byte = sound.ring.get(ri);
            if (++ri == kRingSize) ri = 0;
            skip = byte == 0 || byte == 128;
            x = double(int(byte) - 128);
        }
        if (!skip) {
            peak = std::max(peak, int(std::fabs(x)));
            if (table) {
                a += l.cosTable[size_t(k)] * x;
                b += l.sinTable[size_t(k)] * x;
            } else {
                a += std::cos(theta) * x;
                b += std::sin(theta) * x;
            }
        }
        theta += step;
    }
    if (peak < 3 || l.peakLevel == 0) return 0;
    return 12.0 * std::sqrt(a * a + b * b) / n / l.peakLevel;
}

// Finds the ring index of the newest recorded sample at or before e (index 0 is never taken).
uint32_t newestRecorded(const CaptureRing& ring, uint32_t e) {
    for (uint32_t i = e; i >= 1; --i) {
        if (ring.get(i) != 0) return i;
    }
    for (uint32_t i = kRingSize - 1; i >= 1; --i) {
        if (ring.get(i) != 0) return i;
    }
    return 0;
}

uint8_t meterLevel(const ListenState& l) {
    return uint8_t(std::trunc(l.meterFraction * 64));
}

}  // namespace

// The sound scale and the meter from the newest samples.
static void measure(Sound& sound, const VisualState& vs, uint32_t now) {
    ListenState& l = sound.listen;
    updateSoundScale(sound, vs, now);
    if (vs.switchOn(vs::kSwitchVolume)) {
        l.meterFraction = l.soundLevel / 255.0;
    } else {
        l.meterFraction = std::min(1.0, magnitude(sound, vs, listeningFrequency(vs), true));
    }
}

double listeningFrequency(const VisualState& vs) {
    return 20.0 + 4.0 * std::min<int>(vs.get(vs::ListeningFrequency), kMaxColumn);
}

double frequencyMagnitude(Sound& sound, const VisualState& vs, double frequency) {
    return magnitude(sound, vs, frequency, false);
}

void updateSoundScale(Sound& sound, const VisualState& vs, uint32_t now) {
    ListenState& l = sound.listen;
    const int fade = vs.get(vs::ScalingFade);  // tenths of a second
    double f = 0;
    const int level = loudness(sound);
    bool fullScale = false;
    if (level < 7) {
        l.soundLevel = 0;
    } else if (level >= 128) {
        l.soundLevel = l.peakLevel = 255;
        l.lastPeakDecay = l.scaleAnchor = now;
        l.scaleRefreshDue = true;
        f = 1;
        fullScale = true;
    } else {
        l.soundLevel = uint8_t(2 * level);
    }
    if (!fullScale) {
        const uint32_t step = uint32_t(vs.get(vs::MaxScalingFade)) * 1000 / 2550;
        if (now > uint32_t(l.lastPeakDecay + step)) {
            l.lastPeakDecay = now;
            if (l.peakLevel > 0) --l.peakLevel;
        }
        if (l.soundLevel > l.peakLevel) {
            l.peakLevel = l.soundLevel;
            l.lastPeakDecay = l.scaleAnchor = now;
            l.scaleRefreshDue = true;
            f = 1;
        } else {
            const int thr = vs.get(vs::ScalingThreshold) * 255 / 100;
            if (l.peakLevel > thr && l.soundLevel > thr) {
                f = double(l.soundLevel - thr) / double(l.peakLevel - thr);
            } else {
                f = 0;
                l.scaleRefreshDue = true;
            }
            if (f > l.soundScale) {
                // The moment at which a fade from 1 would have passed f.
                const double anchor = std::trunc(double(now) + (f - 1) * fade * 100);
                l.scaleAnchor = uint32_t(int64_t(anchor));
            }
        }
    }
    if (fade == 0) {
        l.soundScale = f;
        return;
    }
    const double m = 1.0 - double(uint32_t(now - l.scaleAnchor)) / (fade * 100.0);
    l.soundScale = (m > 0 && f < m) ? m : f;
}

namespace {

constexpr int64_t kTapSecond = 10000000;  // the tap's time unit is 100 ns
constexpr int64_t kDecisionTime = kTapSecond / 100;  // one beat decision per 10 ms of music

// What the analysis needs of the decoded stream now: false (and the meter at 0) when nothing is
// there to analyse.
struct DecodedNow {
    int64_t time = 0;  // the tap's time of what is heard
    int64_t span = 0;  // the 2205 samples' length in tap time
};

bool decodedNow(Sound& sound, DecodedNow& out) {
    SampleBuffer& b = sound.mp3;
    if (!b.graph || b.graph->state() != GraphState::Running) return false;
    // Asked first: a graph that decodes on the caller's thread delivers its blocks now.
    double p = 0;
    if (!b.graph->position(p)) p = b.seekOffset;
    uint32_t rate, channels, kind;
    {
        std::lock_guard<std::recursive_mutex> lock(b.lock);
        rate = b.sampleRate, channels = b.channels, kind = b.noticeKind;
    }
    if (kind == 0 || rate == 0 || channels == 0 || rate / channels == 0) return false;
    double t = std::trunc((p - b.seekOffset) * double(kTapSecond));
    out.time = t > 0 ? int64_t(t) : 0;
    out.span = int64_t(kSampleBufferSamples) * kTapSecond / int64_t(rate / channels);
    return true;
}

// Fills the sample buffer with the 2205 samples that end at tap time `end`: the newest is the
// one heard at that moment, as with the capture ring.
void requestDecoded(Sound& sound, int64_t end, int64_t span) {
    const int64_t start = std::max<int64_t>(0, end - span);
    sound.listen.lastRequestTime = start;
    sound.mp3.graph->requestSamples(start, sound.mp3.samples.data());
}

}  // namespace

uint8_t analyseSound(Sound& sound, const VisualState& vs, uint32_t now) {
    ListenState& l = sound.listen;
    if (sound.edition == Edition::MP3) {
        DecodedNow d;
        if (!decodedNow(sound, d)) {
            l.meterFraction = 0;
            return 0;
        }
        if (std::max<int64_t>(0, d.time - d.span) == l.lastRequestTime) return meterLevel(l);
        requestDecoded(sound, d.time, d.span);
        l.freshSamples = true;
        measure(sound, vs, now);
        return meterLevel(l);
    }
    const uint32_t position = capturePosition(sound);
    if (position == l.lastCapturePosition) return meterLevel(l);
    l.lastCapturePosition = position;
    l.freshSamples = true;
    l.windowEnd = newestRecorded(sound.ring, position % uint32_t(kRingSize));
    measure(sound, vs, now);
    return meterLevel(l);
}

uint8_t analyseDecodedSamples(Sound& sound, const VisualState& vs, uint32_t now) {
    sound.listen.freshSamples = true;
    measure(sound, vs, now);
    return meterLevel(sound.listen);
}

// --- The decoded stream's notices ---------------------------------------------------------------

void SampleBuffer::Hook::notice(const TapNotice& block) {
    SampleBuffer& b = buffer;
    std::lock_guard<std::recursive_mutex> lock(b.lock);
    if (block[0] == 0) {
        b.noticeKind = 0;
        b.sampleRate = block[1];
        b.channels = block[2] & 0xFFFF;
        const uint32_t bytes = block[2] >> 16;
        b.format = 0;
        if (b.channels >= 1 && b.channels <= 2 && bytes >= 1 && bytes <= 2)
            b.format = uint8_t((bytes - 1) * 2 + b.channels);
        if (b.format == 0) b.formatRejected = true;
        return;
    }
    if (!b.songPlaying) return;
    b.noticeKind = block[0];
    ++b.dataNotices;
}

void attachMusicGraph(Sound& sound, MusicGraph* graph) {
    sound.mp3.graph = graph;
    if (graph) graph->setTapClient(&sound.mp3.hook);
}

void decodedSongPlaying(Sound& sound, bool playing) {
    SampleBuffer& b = sound.mp3;
    std::lock_guard<std::recursive_mutex> lock(b.lock);
    b.songPlaying = playing;
    if (!playing) b.noticeKind = 0;
}

void decodedSeek(Sound& sound, double seconds) {
    SampleBuffer& b = sound.mp3;
    b.seekOffset = seconds;
    b.decidedTime = 0;
    sound.listen.lastRequestTime = -1;
    std::lock_guard<std::recursive_mutex> lock(b.lock);
    b.noticeKind = 0;  // the tap starts again with a format notice
}

void reportDecodedFormat(Sound& sound, Services& services) {
    bool rejected;
    {
        std::lock_guard<std::recursive_mutex> lock(sound.mp3.lock);
        rejected = sound.mp3.formatRejected;
        sound.mp3.formatRejected = false;
    }
    if (rejected) services.showAlert("Unrecognized sound format!");
}

namespace {

// The decision on one reading x: a rise of more than S above the valley fires when armed; a
// smaller rise re-arms; no rise lets the valley follow the meter down.
bool decideBeat(ListenState& l, uint8_t x, int sensitivity, uint32_t now) {
    if (x <= l.valleyLevel) {
        l.valleyLevel = x;
        return false;
    }
    if (x - l.valleyLevel > sensitivity) {
        l.valleyLevel = x;
        if (l.beatLatched) return false;
        l.beatLatched = true;
        l.lastBeatTime = now;
        return true;
    }
    l.beatLatched = false;
    return false;
}

}  // namespace

BeatReading detectBeat(Sound& sound, const VisualState& vs, uint32_t now) {
    ListenState& l = sound.listen;
    const int sensitivity = vs.get(vs::BeatSensitivity);
    if (sound.edition == Edition::MP3) {
        // As with the capture: one decision per 10 ms of the music heard since the last call,
        // whatever the tick rate, each on the 2205 samples that end at its moment.
        DecodedNow d;
        if (!decodedNow(sound, d)) {
            l.meterFraction = 0;
            return BeatReading{};
        }
        SampleBuffer& b = sound.mp3;
        if (d.time < b.decidedTime) b.decidedTime = d.time;  // sought back
        int64_t pending = (d.time - b.decidedTime) / kDecisionTime;
        if (pending > int64_t(kMaxCatchUp)) {
            b.decidedTime += (pending - int64_t(kMaxCatchUp)) * kDecisionTime;
            pending = int64_t(kMaxCatchUp);
        }
        BeatReading result{meterLevel(l), false};
        for (int64_t k = 0; k < pending; ++k) {
            b.decidedTime += kDecisionTime;
            const uint32_t age = uint32_t((d.time - b.decidedTime) / (kTapSecond / 1000));
            requestDecoded(sound, b.decidedTime, d.span);
            l.freshSamples = true;
            measure(sound, vs, now - age);
            const uint8_t x = meterLevel(l);
            if (decideBeat(l, x, sensitivity, now)) result.beat = true;
            if (k == 0 || x > result.level) result.level = x;
        }
        return result;
    }
    // One decision per new 10 ms of sound, whatever the tick rate, taken in order over the
    // sound that arrived since the last tick: the detector then sees the same readings on a
    // fast machine and a slow one.
    const uint32_t position = capturePosition(sound);
    if (int32_t(position - l.decidedPosition) < 0) l.decidedPosition = position;
    uint32_t pending = (position - l.decidedPosition) / kDecisionSamples;
    if (pending > kMaxCatchUp) {
        l.decidedPosition += (pending - kMaxCatchUp) * kDecisionSamples;
        pending = kMaxCatchUp;
    }
    BeatReading result{meterLevel(l), false};
    uint32_t peakEnd = l.windowEnd;
    for (uint32_t k = 0; k < pending; ++k) {
        l.decidedPosition += kDecisionSamples;
        // The moment that sound was recorded, for the scale's fades and the peak's decay.
        const uint32_t age = (position - l.decidedPosition) * 1000 / kCaptureRate;
        const uint32_t end = (l.decidedPosition % uint32_t(kRingSize) + uint32_t(kRingSize) - 1) %
                             uint32_t(kRingSize);
        l.windowEnd = newestRecorded(sound.ring, end);
        l.freshSamples = true;
        measure(sound, vs, now - age);
        const uint8_t x = meterLevel(l);
        if (decideBeat(l, x, sensitivity, now)) result.beat = true;
        if (k == 0 || x > result.level) {
            result.level = x;
            peakEnd = l.windowEnd;
        }
    }
    // The tick reports its peak reading, and a spectrograph drawn later in it shows that one.
    l.windowEnd = peakEnd;
    l.lastCapturePosition = position;
    return result;
}

void listenSongStart(ListenState& l) {
    l.peakLevel = 0;
    l.valleyLevel = 0;
    l.drawnBeatMeter = 0;
    l.beatLatched = false;
    l.scaleAnchor = kScaleAnchorNever;
}

void listenMusicStop(ListenState& l) {
    l.lastPeakDecay = 0;
    l.scaleAnchor = kScaleAnchorNever;
}

}  // namespace korel
