// The groove the beat tests listen to: 20 s of a 72 Hz kick every 500 ms over sixteenth-note
// hi-hats and a quiet rumble, made here sample by sample so that every run hears the same.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/bytes.h"

namespace korel::test {

struct Groove {
    static constexpr int kKicks = 40;
    static constexpr double kKickHz = 72;  // the default listening frequency
    static constexpr int kIntervalMs = 500;
    static constexpr int kFirstKickMs = 250;
    static constexpr double kSeconds = 20;

    // The song time of kick k when the song starts with the capture.
    static int kickMs(int k) { return kFirstKickMs + k * kIntervalMs; }
};

// Mono samples -1..1 of the groove at `rate` samples per second.
inline std::vector<float> grooveSamples(int rate) {
    constexpr double kTwoPi = 6.283185307179586;
    constexpr double kKickLength = 0.4, kKickAttack = 0.003, kKickDecay = 0.1, kKickLevel = 0.8;
    constexpr double kHatLength = 0.06, kHatDecay = 0.012, kHatLevel = 0.35;
    // The floor is a low rumble (noise through a one-pole low-pass near 150 Hz), as a room or a
    // recording has, at about -30 dB.
    constexpr double kFloorLevel = 0.03, kFloorHz = 150;
    std::vector<double> mix(size_t(Groove::kSeconds * rate), 0.0);
    uint32_t seed = 0x2545F491u;
    auto noise = [&seed] {  // -1..1, xorshift
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return double(seed) / 2147483648.0 - 1.0;
    };
    const double pole = std::exp(-kTwoPi * kFloorHz / rate);
    double rumble = 0;
    for (double& m : mix) {
        rumble = pole * rumble + (1 - pole) * noise();
        m = rumble;
    }
    double power = 0;
    for (double m : mix) power += m * m;
    const double floorScale = kFloorLevel / std::sqrt(power / double(mix.size()));
    // The song starts with the first kick, after a moment of silence.
    const size_t start = size_t(Groove::kFirstKickMs) * size_t(rate) / 1000;
    for (size_t i = 0; i < mix.size(); ++i) mix[i] = i < start ? 0.0 : mix[i] * floorScale;
    for (int k = 0; k < Groove::kKicks; ++k) {
        const size_t from = size_t(Groove::kickMs(k)) * size_t(rate) / 1000;
        for (size_t i = 0; i < size_t(kKickLength * rate) && from + i < mix.size(); ++i) {
            const double t = double(i) / rate;
            const double envelope = std::min(1.0, t / kKickAttack) * std::exp(-t / kKickDecay);
            mix[from + i] += kKickLevel * envelope * std::sin(kTwoPi * Groove::kKickHz * t);
        }
    }
    // The hats: noise with its lows taken out (a first difference), on every sixteenth.
    for (int h = 0; h < Groove::kKicks * 4; ++h) {
        const size_t from = (size_t(Groove::kFirstKickMs) + size_t(h) * 125) * size_t(rate) / 1000;
        double last = 0;
        for (size_t i = 0; i < size_t(kHatLength * rate) && from + i < mix.size(); ++i) {
            const double t = double(i) / rate;
            const double n = noise();
            mix[from + i] += kHatLevel * std::exp(-t / kHatDecay) * (n - last) / 2;
            last = n;
        }
    }
    std::vector<float> out(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) out[i] = float(std::clamp(mix[i], -1.0, 1.0));
    return out;
}

// The groove as a 16-bit mono PCM WAV file.
// Not inlined: GCC 12 sees a false overflow in the byte writer when it inlines this at -O3.
[[gnu::noinline]] inline Bytes grooveWav(int rate) {
    const std::vector<float> samples = grooveSamples(rate);
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    ByteWriter w;
    auto tag = [&w](const char* t) {
        w.bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(t), 4));
    };
    tag("RIFF");
    w.le32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    w.le32(16);
    w.le16(1);  // PCM
    w.le16(1);  // mono
    w.le32(uint32_t(rate));
    w.le32(uint32_t(rate) * 2);
    w.le16(2);
    w.le16(16);
    tag("data");
    w.le32(dataBytes);
    for (float s : samples) w.le16(uint16_t(int16_t(std::lround(s * 32767))));
    return w.data();
}

// How the beats of a run line up with the groove's kicks.
struct GrooveScore {
    int beats = 0;
    int kicksHeard = 0;  // kicks with a beat 0..maxLagMs after them
    int worstLagMs = 0;  // the largest distance from a beat back to the kick before it
};

// Scores beat times (song-time ms) against the kicks: a kick is heard when one beat lies
// within `maxLagMs` after it.
inline GrooveScore scoreGroove(const std::vector<int>& beatTimes, int maxLagMs) {
    GrooveScore s;
    s.beats = int(beatTimes.size());
    for (int k = 0; k < Groove::kKicks; ++k) {
        const int kick = Groove::kickMs(k);
        if (std::any_of(beatTimes.begin(), beatTimes.end(),
                        [&](int t) { return t >= kick && t - kick <= maxLagMs; }))
            ++s.kicksHeard;
    }
    for (int t : beatTimes) {
        const int before =
            t < Groove::kFirstKickMs
                ? -100000
                : Groove::kickMs(std::min(Groove::kKicks - 1,
                                          (t - Groove::kFirstKickMs) / Groove::kIntervalMs));
        s.worstLagMs = std::max(s.worstLagMs, t - before);
    }
    return s;
}

}  // namespace korel::test
