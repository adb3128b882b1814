// Test disc images: writes a .cue sheet with its raw .bin file(s) holding synthesized music
// (a kick at a tempo with bass, hi-hats and a noise floor), optionally with data tracks, so
// tests can open a "disc" without a drive. Everything is deterministic.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace korel::test {

struct DiscTrack {
    bool audio = true;
    double seconds = 10;  // length of the track's own data (whole frames, rounded down)
    double bpm = 120;     // audio: kicks from `firstKick` every 60/bpm seconds
    double firstKick = 0.0;
    uint32_t index0Frames = 0;  // silence written before the track as its INDEX 00 part
};

struct DiscImageOptions {
    bool filePerTrack = false;  // one .bin per track instead of one for the disc
};

constexpr int kDiscRate = 44100;
constexpr uint32_t kDiscSectorBytes = 2352;

inline uint32_t discTrackFrames(const DiscTrack& t) {
    return uint32_t(t.seconds * 75);
}

// The start (in seconds into the track) of every kick of an audio track.
inline std::vector<double> discKickTimes(const DiscTrack& t) {
    std::vector<double> out;
    if (!t.audio || t.bpm <= 0) return out;
    const double len = discTrackFrames(t) / 75.0;
    for (double at = t.firstKick; at < len; at += 60.0 / t.bpm) out.push_back(at);
    return out;
}

// The track's sectors as 16-bit stereo samples (audio), or MODE1 sectors (data). `seed`
// makes tracks of the same shape differ.
inline std::vector<uint8_t> discTrackSectors(const DiscTrack& t, uint32_t seed) {
    const uint32_t frames = discTrackFrames(t);
    std::vector<uint8_t> out(size_t(frames) * kDiscSectorBytes, 0);
    if (!t.audio) {
        for (uint32_t f = 0; f < frames; ++f) {
            uint8_t* s = out.data() + size_t(f) * kDiscSectorBytes;
            s[0] = 0;
            for (int i = 1; i <= 10; ++i) s[i] = 0xFF;
            s[15] = 1;  // mode 1
            for (uint32_t i = 16; i < 2064; ++i) s[i] = uint8_t((i * 7 + f + seed) & 0xFF);
        }
        return out;
    }
    const size_t n = size_t(frames) * 588;
    std::vector<double> mix(n, 0.0);
    uint32_t rng = 0x9E3779B9u ^ (seed * 2654435761u);
    auto noise = [&rng] {
        rng = rng * 1664525u + 1013904223u;
        return double(int32_t(rng)) / 2147483648.0;
    };
    for (size_t i = 0; i < n; ++i) mix[i] = 0.01 * noise();  // the noise floor
    const double beat = t.bpm > 0 ? 60.0 / t.bpm : 1e9;
    constexpr double kPi = 3.14159265358979323846;
    for (double at : discKickTimes(t)) {
        const size_t from = size_t(at * kDiscRate);
        double phase = 0;
        // The kick: a falling sine (150 Hz down to 50 Hz) that dies away in a quarter second.
        for (size_t i = 0; i < size_t(0.25 * kDiscRate) && from + i < n; ++i) {
            const double s = double(i) / kDiscRate;
            phase += 2 * kPi * (50 + 100 * std::exp(-s / 0.03)) / kDiscRate;
            mix[from + i] += 0.7 * std::exp(-s / 0.07) * std::sin(phase);
        }
        // Bass between the kicks, hi-hat on the off-beat.
        const size_t off = size_t((at + beat / 2) * kDiscRate);
        for (size_t i = 0; i < size_t(beat / 2 * kDiscRate) && off + i < n; ++i) {
            const double s = double(i) / kDiscRate;
            mix[off + i] += 0.2 * std::exp(-s / 0.15) * std::sin(2 * kPi * 55 * s);
        }
        double last = 0;
        for (size_t i = 0; i < size_t(0.05 * kDiscRate) && off + i < n; ++i) {
            const double v = noise();
            mix[off + i] += 0.12 * std::exp(-double(i) / kDiscRate / 0.012) * (v - last);
            last = v;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        const double v = std::fmax(-1.0, std::fmin(1.0, mix[i]));
        const int16_t left = int16_t(std::lround(v * 32000));
        const int16_t right = int16_t(std::lround(v * 30000));
        uint8_t* p = out.data() + i * 4;
        p[0] = uint8_t(left);
        p[1] = uint8_t(uint16_t(left) >> 8);
        p[2] = uint8_t(right);
        p[3] = uint8_t(uint16_t(right) >> 8);
    }
    return out;
}

// Writes `<folder>/<name>.cue` and its bin file(s); returns the sheet's path, "" on failure.
inline std::string writeDiscImage(const std::string& folder, const std::string& name,
                                  const std::vector<DiscTrack>& tracks,
                                  const DiscImageOptions& options = {}) {
    std::string cue;
    std::FILE* bin = nullptr;
    uint64_t sectors = 0;  // written to the current bin
    bool ok = true;
    auto msf = [](uint64_t f) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", unsigned(f / 75 / 60),
                      unsigned(f / 75 % 60), unsigned(f % 75));
        return std::string(buf);
    };
    for (size_t i = 0; i < tracks.size() && ok; ++i) {
        const DiscTrack& t = tracks[i];
        if (!bin || options.filePerTrack) {
            if (bin) std::fclose(bin);
            char file[64];
            if (options.filePerTrack)
                std::snprintf(file, sizeof file, "-%02u.bin", unsigned(i + 1));
            else
                std::snprintf(file, sizeof file, ".bin");
            const std::string binName = name + file;
            bin = std::fopen((folder + "/" + binName).c_str(), "wb");
            if (!bin) return "";
            sectors = 0;
            cue += "FILE \"" + binName + "\" BINARY\n";
        }
        char head[64];
        std::snprintf(head, sizeof head, "  TRACK %02u %s\n", unsigned(i + 1),
                      t.audio ? "AUDIO" : "MODE1/2352");
        cue += head;
        if (t.index0Frames > 0) {
            cue += "    INDEX 00 " + msf(sectors) + "\n";
            const std::vector<uint8_t> silence(size_t(t.index0Frames) * kDiscSectorBytes, 0);
            ok = std::fwrite(silence.data(), 1, silence.size(), bin) == silence.size();
            sectors += t.index0Frames;
        }
        cue += "    INDEX 01 " + msf(sectors) + "\n";
        const std::vector<uint8_t> data = discTrackSectors(t, uint32_t(i + 1));
        ok = ok && std::fwrite(data.data(), 1, data.size(), bin) == data.size();
        sectors += discTrackFrames(t);
    }
    if (bin && std::fclose(bin) != 0) ok = false;
    const std::string cuePath = folder + "/" + name + ".cue";
    std::FILE* f = ok ? std::fopen(cuePath.c_str(), "wb") : nullptr;
    if (!f) return "";
    ok = std::fwrite(cue.data(), 1, cue.size(), f) == cue.size();
    if (std::fclose(f) != 0 || !ok) return "";
    return cuePath;
}

}  // namespace korel::test
