// Synthesis of the demo song: drums, bass, pads, arpeggio and lead in D minor at 120 BPM.
//
// Every voice is rendered straight into the stereo mix, note by note; the arpeggio and lead also
// feed a ping-pong echo. The arrangement keeps the kick alone in the band around 72 Hz (the bass
// plays an octave higher), so a listener tuned there sees one clean rise per beat.
#include "library/gen/demo_song.h"

#include <algorithm>
#include <cmath>

namespace korel::art {

namespace {

constexpr double kPi = 3.14159265358979323846;

double midiHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// A deterministic noise source, so every build writes the same song.
class Noise {
  public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    double next() {
        state_ = state_ * 1664525u + 1013904223u;
        return double(int32_t(state_)) / 2147483648.0;
    }

  private:
    uint32_t state_;
};

// Smoothing of the discontinuity of a sawtooth (poly-BLEP), which keeps high notes free of
// aliasing whistles.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct OnePole {
    double z = 0;
    // Low-pass with coefficient a in (0, 1]: larger is brighter.
    double low(double x, double a) { return z += a * (x - z); }
};

double lowPassCoefficient(double cutoffHz, int rate) {
    return 1.0 - std::exp(-2.0 * kPi * cutoffHz / rate);
}

const int kChords[4][3] = {{62, 65, 69}, {58, 62, 65}, {65, 69, 72}, {60, 64, 67}};  // Dm Bb F C
const int kBassRoots[4] = {50, 46, 53, 48};  // an octave above the kick's band

struct LeadNote {
    double beat;
    double length;
    int note;
};
const LeadNote kLead[] = {
    {0, 1, 69},  {1, 0.5, 65}, {1.5, 0.5, 69}, {2, 2, 74},     {4, 1, 72},    {5, 1, 70},
    {6, 1, 69},  {7, 1, 65},   {8, 1.5, 69},   {9.5, 0.5, 67}, {10, 1, 65},   {11, 1, 72},
    {12, 2, 64}, {14, 1, 67},  {15, 1, 72},    {16, 1, 74},    {17, 0.5, 76}, {17.5, 0.5, 77},
    {18, 1, 76}, {19, 1, 74},  {20, 2, 77},    {22, 1, 74},    {23, 1, 70},   {24, 1, 72},
    {25, 1, 69}, {26, 1, 72},  {27, 1, 77},    {28, 3, 76},
};

enum class Section { Intro, IntroBeat, Groove, Breakdown, Lift, Reprise, Outro, End };

Section sectionOf(int bar) {
    if (bar < 4) return Section::Intro;
    if (bar < 8) return Section::IntroBeat;
    if (bar < 24) return Section::Groove;
    if (bar < 32) return Section::Breakdown;
    if (bar < 48) return Section::Lift;
    if (bar < 64) return Section::Reprise;
    if (bar < 72) return Section::Outro;
    return Section::End;
}

class Mixer {
  public:
    Mixer(const SongPlan& plan, size_t frames)
        : plan_(plan),
          rate_(plan.sampleRate),
          left_(frames),
          right_(frames),
          sendL_(frames),
          sendR_(frames) {}

    void kick(double t0, double gain) {
        const size_t start = frameAt(t0);
        const size_t n = size_t(0.5 * rate_);
        double phase = 0;
        for (size_t i = 0; i < n && start + i < left_.size(); ++i) {
            const double t = double(i) / rate_;
            // A quick pitch drop: the kick reaches the listening frequency within its first
            // analysis windows, so the beat meter climbs once per kick and fires one beat.
            const double hz = plan_.kickHz + 95.0 * std::exp(-t / 0.012);
            phase += 2 * kPi * hz / rate_;
            const double env = std::exp(-t / 0.2) * std::min(1.0, t / 0.0015);
            double s = std::sin(phase) * env;
            if (t < 0.004) s += 0.25 * noise_.next() * (1 - t / 0.004);  // the beater's click
            add(start + i, s * gain, 0.5);
        }
    }

    void clap(double t0, double gain) {
        const size_t start = frameAt(t0);
        const size_t n = size_t(0.3 * rate_);
        OnePole lp, hp;
        for (size_t i = 0; i < n && start + i < left_.size(); ++i) {
            const double t = double(i) / rate_;
            // Three quick slaps and a tail, as hands clapping together.
            double env = std::exp(-t / 0.11);
            for (double slap : {0.0, 0.011, 0.022})
                if (t >= slap && t < slap + 0.008) env += 0.8 * std::exp(-(t - slap) / 0.003);
            const double raw = noise_.next();
            const double band = lp.low(raw, 0.45) - hp.low(raw, 0.06);
            add(start + i, band * env * gain, 0.45);
        }
    }

    void hat(double t0, bool open, double gain) {
        const size_t start = frameAt(t0);
        const double decay = open ? 0.11 : 0.028;
        const size_t n = size_t(decay * 6 * rate_);
        OnePole lp;
        for (size_t i = 0; i < n && start + i < left_.size(); ++i) {
            const double t = double(i) / rate_;
            const double raw = noise_.next();
            const double high = raw - lp.low(raw, 0.35);
            add(start + i, high * std::exp(-t / decay) * gain, open ? 0.62 : 0.38);
        }
    }

    void bass(int note, double t0, double length, double gain) {
        const size_t start = frameAt(t0);
        const size_t n = size_t((length + 0.05) * rate_);
        const double hz = midiHz(note), dt = hz / rate_;
        double phase = 0;
        OnePole lp1, lp2;
        for (size_t i = 0; i < n && start + i < left_.size(); ++i) {
            const double t = double(i) / rate_;
            double saw = 2 * phase - 1 - polyBlep(phase, dt);
            phase += dt;
            if (phase >= 1) phase -= 1;
            const double cutoff = 300 + 1500 * std::exp(-t / 0.06);
            const double a = lowPassCoefficient(cutoff, rate_);
            const double s = lp2.low(lp1.low(saw, a), a);
            const double env =
                std::min(1.0, t / 0.004) * (t < length ? 1.0 : std::exp(-(t - length) / 0.012));
            add(start + i, s * env * gain, 0.5);
        }
    }

    void pad(const int* chord, double t0, double length, double gain) {
        const size_t start = frameAt(t0);
        const size_t n = size_t((length + 0.6) * rate_);
        const double detune[2] = {0.9966, 1.0034};
        double phases[3][2] = {};
        OnePole lpL, lpR;
        for (size_t i = 0; i < n && start + i < left_.size(); ++i) {
            const double t = double(i) / rate_;
            double l = 0, r = 0;
            for (int k = 0; k < 3; ++k)
                for (int d = 0; d < 2; ++d) {
                    const double dt = midiHz(chord[k]) * detune[d] / rate_;
                    double& ph = phases[k][d];
                    const double saw = 2 * ph - 1 - polyBlep(ph, dt);
                    ph += dt;
                    if (ph >= 1) ph -= 1;
                    (d == 0 ? l : r) += saw;
                }
            const double swell = 0.5 + 0.5 * std::sin(2 * kPi * t / length - kPi / 2);
            const double a = lowPassCoefficient(700 + 900 * swell, rate_);
            const double attack = std::min(1.0, t / 0.35);
            const double release = t < length ? 1.0 : std::exp(-(t - length) / 0.18);
            const double env = attack * release * gain / 6;
            addStereo(start + i, lpL.low(l, a) * env, lpR.low(r, a) * env);
        }
    }

    // A plucked note (arpeggio) or a held one (lead); both feed the echo.
    void tone(int note, double t0, double length, double gain, double pan, bool pluck) {
        const size_t start = frameAt(t0);
        const size_t n = size_t((length + (pluck ? 0.25 : 0.15)) * rate_);
        const double hz = midiHz(note), dt = hz / rate_;
        double phase = 0;
        OnePole lp;
        for (size_t i = 0; i < n && start + i < left_.size(); ++i) {
            const double t = double(i) / rate_;
            double s;
            if (pluck) {
                const double square = (phase < 0.5 ? 1.0 : -1.0) + polyBlep(phase, dt) -
                                      polyBlep(std::fmod(phase + 0.5, 1.0), dt);
                s = lp.low(square, lowPassCoefficient(600 + 5000 * std::exp(-t / 0.05), rate_));
            } else {
                const double vibrato =
                    1 + 0.004 * std::sin(2 * kPi * 5.2 * t) * std::min(1.0, t / 0.4);
                s = std::sin(2 * kPi * phase) + 0.3 * std::sin(4 * kPi * phase) +
                    0.12 * std::sin(6 * kPi * phase);
                phase += dt * (vibrato - 1);
            }
            phase += dt;
            phase -= std::floor(phase);
            const double env = pluck ? std::exp(-t / 0.16) * std::min(1.0, t / 0.002)
                                     : std::min(1.0, t / 0.02) *
                                           (t < length ? 1.0 : std::exp(-(t - length) / 0.05));
            const double v = s * env * gain;
            add(start + i, v, pan);
            sendL_[start + i] += float(v * (1 - pan) * 0.6);
            sendR_[start + i] += float(v * pan * 0.6);
        }
    }

    // Ping-pong echo of the send, three sixteenths late, then the master fades, soft clipping
    // and normalisation to just under full scale.
    SongAudio finish(double fadeInEnd, double fadeOutStart, double fadeOutEnd) {
        const size_t delay = size_t(60.0 / plan_.bpm * 0.75 * rate_);
        for (size_t i = delay; i < left_.size(); ++i) {
            sendL_[i] += 0.42f * sendR_[i - delay];
            sendR_[i] += 0.42f * sendL_[i - delay];
        }
        SongAudio out;
        out.sampleRate = rate_;
        out.channels = 2;
        out.samples.resize(left_.size() * 2);
        float peak = 1e-6f;
        for (size_t i = 0; i < left_.size(); ++i) {
            const double t = double(i) / rate_;
            double level = std::min(1.0, t / fadeInEnd);
            if (t > fadeOutStart)
                level *= std::max(0.0, 1 - (t - fadeOutStart) / (fadeOutEnd - fadeOutStart));
            const double wetL = i >= delay ? sendR_[i - delay] : 0.0;
            const double wetR = i >= delay ? sendL_[i - delay] : 0.0;
            const float l = float(std::tanh((left_[i] + wetL * 0.5) * 0.9) * level);
            const float r = float(std::tanh((right_[i] + wetR * 0.5) * 0.9) * level);
            out.samples[2 * i] = l;
            out.samples[2 * i + 1] = r;
            peak = std::max(peak, std::max(std::abs(l), std::abs(r)));
        }
        const float scale = 0.89f / peak;  // about -1 dBFS
        for (float& s : out.samples) s *= scale;
        return out;
    }

  private:
    size_t frameAt(double t) const { return size_t(std::max(0.0, t) * rate_ + 0.5); }
    void add(size_t i, double v, double pan) {
        if (i >= left_.size()) return;
        left_[i] += float(v * std::sqrt(1 - pan));
        right_[i] += float(v * std::sqrt(pan));
    }
    void addStereo(size_t i, double l, double r) {
        if (i >= left_.size()) return;
        left_[i] += float(l);
        right_[i] += float(r);
    }

    const SongPlan& plan_;
    int rate_;
    std::vector<float> left_, right_, sendL_, sendR_;
    Noise noise_{0x4B6F72u};
};

}  // namespace

double beatTime(const SongPlan& plan, int beat) {
    return beat * 60.0 / plan.bpm;
}

bool kickOnBeat(const SongPlan& plan, int beat) {
    const int bar = beat / 4;
    if (bar >= plan.bars) return false;
    const Section s = sectionOf(bar);
    return s != Section::Intro && s != Section::Breakdown && s != Section::End;
}

SongAudio synthesiseSong(const SongPlan& plan) {
    const double beat = 60.0 / plan.bpm;
    const double songEnd = plan.bars * 4 * beat;
    const double tail = 2.5;
    Mixer mix(plan, size_t((songEnd + tail) * plan.sampleRate));

    for (int bar = 0; bar < plan.bars; ++bar) {
        const Section s = sectionOf(bar);
        const double t0 = bar * 4 * beat;
        const int* chord = kChords[bar % 4];
        const bool full = s == Section::Groove || s == Section::Lift || s == Section::Reprise;
        const bool drums = full || s == Section::IntroBeat || s == Section::Outro;

        mix.pad(chord, t0, 4 * beat, s == Section::Breakdown ? 0.34 : 0.22);

        for (int b = 0; b < 4; ++b) {
            const double tb = t0 + b * beat;
            if (kickOnBeat(plan, bar * 4 + b)) mix.kick(tb, 0.95);
            if (drums) {
                mix.hat(tb + beat / 2, true, 0.10);
                if (full) {
                    mix.hat(tb, false, 0.07);
                    mix.hat(tb + beat * 0.75, false, 0.05);
                }
            }
            if (full && (b == 1 || b == 3)) mix.clap(tb, 0.32);
            // Off-beat bass, with a pickup sixteenth before every fourth bar.
            if (full || s == Section::Outro) {
                mix.bass(kBassRoots[bar % 4], tb + beat / 2, beat * 0.4, 0.34);
                if (b == 3 && bar % 4 == 3)
                    mix.bass(kBassRoots[0] + 12, tb + beat * 0.75, beat * 0.2, 0.26);
            }
        }

        // Arpeggio in sixteenths over the chord, up and down, except in the first bars.
        if (bar >= 2 && s != Section::End) {
            static const int kPattern[8] = {0, 1, 2, 3, 4, 3, 2, 1};
            const int tones[5] = {chord[0] + 12, chord[1] + 12, chord[2] + 12, chord[0] + 24,
                                  chord[1] + 24};
            const double gain = s == Section::Breakdown ? 0.16
                                : s == Section::Reprise ? 0.12
                                                        : 0.09;
            for (int k = 0; k < 16; ++k) {
                const int step = s == Section::Reprise ? (k * 3) % 8 : k % 8;
                mix.tone(tones[kPattern[step]], t0 + k * beat / 4, beat / 4, gain,
                         k % 2 ? 0.3 : 0.7, true);
            }
        }
    }

    // The lead sings its eight-bar phrase in the breakdown and twice in the lift.
    for (int startBar : {24, 32, 40}) {
        for (const LeadNote& n : kLead)
            mix.tone(n.note, (startBar * 4 + n.beat) * beat, n.length * beat * 0.95, 0.17, 0.5,
                     false);
    }

    return mix.finish(4 * beat, songEnd - 8 * beat, songEnd + tail * 0.6);
}

Bytes encodeWav16(const SongAudio& audio) {
    const uint32_t dataBytes = uint32_t(audio.samples.size() * 2);
    const uint16_t blockAlign = uint16_t(audio.channels * 2);
    Bytes out(44 + size_t(dataBytes), 0);
    uint8_t* p = out.data();
    std::memcpy(p, "RIFF", 4);
    putLe32(p + 4, 36 + dataBytes);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    putLe32(p + 16, 16);
    putLe16(p + 20, 1);  // PCM
    putLe16(p + 22, uint16_t(audio.channels));
    putLe32(p + 24, uint32_t(audio.sampleRate));
    putLe32(p + 28, uint32_t(audio.sampleRate) * blockAlign);
    putLe16(p + 32, blockAlign);
    putLe16(p + 34, 16);
    std::memcpy(p + 36, "data", 4);
    putLe32(p + 40, dataBytes);
    for (size_t i = 0; i < audio.samples.size(); ++i) {
        const float s = std::clamp(audio.samples[i], -1.0f, 1.0f);
        putLe16(p + 44 + 2 * i, uint16_t(int16_t(std::lround(s * 32767.0f))));
    }
    return out;
}

}  // namespace korel::art
