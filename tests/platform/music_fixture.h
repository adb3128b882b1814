// Test helpers for the playback graphs: sound files written by hand, a folder of the test's
// own and a client that records the tap's notices.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/files.h"
#include "platform/music_graph.h"

namespace korel::test {

enum class WavKind { Pcm16, Pcm24, Float32 };

// A WAV file of interleaved samples (-1..1).
inline Bytes wavBytes(int rate, int channels, WavKind kind, const std::vector<double>& samples) {
    const int bytes = kind == WavKind::Pcm16 ? 2 : kind == WavKind::Pcm24 ? 3 : 4;
    const uint32_t dataSize = uint32_t(samples.size()) * uint32_t(bytes);
    ByteWriter w;
    auto tag = [&](const char* t) {
        w.bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(t), 4));
    };
    tag("RIFF");
    w.le32(36 + dataSize);
    tag("WAVE");
    tag("fmt ");
    w.le32(16);
    w.le16(kind == WavKind::Float32 ? 3 : 1);
    w.le16(uint16_t(channels));
    w.le32(uint32_t(rate));
    w.le32(uint32_t(rate * channels * bytes));
    w.le16(uint16_t(channels * bytes));
    w.le16(uint16_t(bytes * 8));
    tag("data");
    w.le32(dataSize);
    for (double s : samples) {
        if (kind == WavKind::Float32) {
            const float f = float(s);
            uint32_t u;
            std::memcpy(&u, &f, 4);
            w.le32(u);
        } else {
            const int32_t full = kind == WavKind::Pcm16 ? 32767 : 8388607;
            const int32_t v = int32_t(std::lround(std::clamp(s, -1.0, 1.0) * full));
            w.le16(uint16_t(v));
            if (kind == WavKind::Pcm24) w.u8(uint8_t(v >> 16));
        }
    }
    return w.data();
}

// `seconds` of a constant level on every channel, with a one-frame click of full scale at
// `clickFrame` (none when negative).
inline std::vector<double> levelWithClick(int rate, int channels, double seconds, double level,
                                          long clickFrame = -1) {
    std::vector<double> s(size_t(std::lround(seconds * rate)) * size_t(channels), level);
    if (clickFrame >= 0 && size_t(clickFrame) * size_t(channels) < s.size()) {
        for (int c = 0; c < channels; ++c) s[size_t(clickFrame) * size_t(channels) + size_t(c)] = 1.0;
    }
    return s;
}

// A temporary folder removed at the end.
struct TempFolder {
    std::string path;
    TempFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "korel-music-XXXXXX").string();
        if (char* made = ::mkdtemp(tmpl.data())) path = made;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::string write(const std::string& name, const Bytes& bytes) const {
        const std::string p = path + "/" + name;
        writeFileReplacing(p, bytes);
        return p;
    }
};

// Records the tap's notices (they arrive on a streaming thread).
struct NoticeLog : TapClient {
    std::mutex mutex;
    std::vector<TapNotice> notices;
    void notice(const TapNotice& block) override {
        std::lock_guard lock(mutex);
        notices.push_back(block);
    }
    std::vector<TapNotice> take() {
        std::lock_guard lock(mutex);
        std::vector<TapNotice> out;
        out.swap(notices);
        return out;
    }
};

}  // namespace korel::test
