// Cost of one second of disc audio: reading its 75 raw sectors from an image, bringing it to
// the capture's rate and format, and a headless drive feeding a second of it to the capture.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/bytes.h"
#include "platform/cd_image.h"
#include "platform/headless/headless_cd.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_sound.h"
#include "support/disc_image.h"

namespace korel {
namespace {

struct Disc {
    std::string dir, cue;
    Disc() {
        char tmpl[] = "/tmp/korel-bench-cd-XXXXXX";
        dir = ::mkdtemp(tmpl);
        cue = test::writeDiscImage(dir, "disc", {{true, 30}, {true, 30}});
    }
    ~Disc() { std::filesystem::remove_all(dir); }
};

void BM_CdReadSecond(benchmark::State& state) {
    Disc disc;
    CdImage image;
    std::string reason;
    if (!image.open(disc.cue, reason)) {
        state.SkipWithError(reason.c_str());
        return;
    }
    std::vector<uint8_t> sectors(75 * kCdSectorBytes);
    uint32_t at = kCdLeadIn;
    for (auto _ : state) {
        image.readSectors(at, 75, sectors.data(), reason);
        benchmark::DoNotOptimize(sectors.data());
        at = at + 150 + 75 > image.leadOut() ? kCdLeadIn : at + 150;  // crosses files' pages
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 75 * kCdSectorBytes);
}
BENCHMARK(BM_CdReadSecond)->Unit(benchmark::kMicrosecond);

// What the headless drive does to every track it plays, per second of audio.
void BM_CdConvertSecond(benchmark::State& state) {
    const std::vector<uint8_t> pcm = test::discTrackSectors({true, 1}, 1);
    Bytes wav(44 + pcm.size());
    std::memcpy(wav.data(), "RIFF", 4);
    putLe32(wav.data() + 4, uint32_t(36 + pcm.size()));
    std::memcpy(wav.data() + 8, "WAVEfmt ", 8);
    putLe32(wav.data() + 16, 16);
    putLe16(wav.data() + 20, 1);
    putLe16(wav.data() + 22, 2);
    putLe32(wav.data() + 24, 44100);
    putLe32(wav.data() + 28, 44100 * 4);
    putLe16(wav.data() + 32, 4);
    putLe16(wav.data() + 34, 16);
    std::memcpy(wav.data() + 36, "data", 4);
    putLe32(wav.data() + 40, uint32_t(pcm.size()));
    std::memcpy(wav.data() + 44, pcm.data(), pcm.size());
    std::vector<uint8_t> samples;
    std::string error;
    for (auto _ : state) {
        decodeWav(wav, samples, error);
        benchmark::DoNotOptimize(samples.data());
    }
}
BENCHMARK(BM_CdConvertSecond)->Unit(benchmark::kMicrosecond);

struct Client : CaptureClient {
    void bufferDone(int) override {}
};

// A second of virtual time of a playing drive, delivered to the capture (the tracks already
// converted).
void BM_CdHeadlessFeedSecond(benchmark::State& state) {
    Disc disc;
    HeadlessPlatform platform;
    HeadlessSound sound(platform);
    HeadlessCdSystem cd(platform);
    cd.sound = &sound;
    std::string reason;
    auto drive = cd.open(disc.cue, reason);
    Client client;
    std::vector<uint8_t> ring(kCaptureRate);
    sound.openCapture(0, &client);
    sound.startCapture();
    // Once through the disc first, so every track is converted before timing.
    std::vector<uint8_t> warm(size_t(kCaptureRate) * 62);
    sound.queueBuffer(0, warm.data(), warm.size());
    drive->play();
    platform.advance(61000);
    sound.pump();
    sound.resetCapture();
    sound.startCapture();
    for (auto _ : state) {
        state.PauseTiming();
        sound.queueBuffer(0, ring.data(), ring.size());
        if (!drive->playing()) {
            drive->seek(kCdLeadIn);
            drive->play();
        }
        state.ResumeTiming();
        platform.advance(1000);
        sound.pump();
        benchmark::DoNotOptimize(ring.data());
    }
}
BENCHMARK(BM_CdHeadlessFeedSecond)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korel
