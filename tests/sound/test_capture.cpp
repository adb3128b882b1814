// The capture ring's recording cycle and the headless WAV feed.
#include <gtest/gtest.h>

#include "sound_fixture.h"

namespace korel::test {
namespace {

int countOf(const CaptureRing& ring, size_t from, size_t to, uint8_t v) {
    int n = 0;
    for (size_t i = from; i < to; ++i) n += ring.get(i) == v;
    return n;
}

TEST(Capture, ThirdsAreRecordedInOrderAndClearedOneAhead) {
    SoundRig rig;
    rig.devices.addLine("Microphone", LineType::Microphone);
    rig.devices.setSamples(std::vector<uint8_t>(10 * kCaptureRate, 200));
    rig.start();
    const CaptureRing& ring = rig.sound.ring;
    const int third = int(kRingThird);
    EXPECT_EQ(countOf(ring, 0, 2 * kRingThird, 0), 2 * third);
    EXPECT_EQ(countOf(ring, 2 * kRingThird, kRingSize, 128), third) << "recorded silence";

    rig.advance(50);
    analyseSound(rig.sound, rig.vs, rig.now());
    EXPECT_EQ(rig.sound.listen.windowEnd, 551u - 1);
    EXPECT_EQ(countOf(ring, 2 * kRingThird, kRingSize, 128), third) << "still silence";

    struct Step {
        uint32_t at;
        uint8_t turn;
        int first, middle, last;  // recorded bytes per third
    };
    // After each full buffer the third after the one now recording is cleared.
    for (Step s : {Step{1000, 1, third, 0, 0}, Step{1500, 1, third, third / 2, 0},
                   Step{2000, 2, 0, third, 0}, Step{3000, 0, 0, 0, third}}) {
        rig.services.headless().setTime(s.at);
        EXPECT_EQ(capturePosition(rig.sound), uint32_t(uint64_t(s.at) * kCaptureRate / 1000));
        EXPECT_EQ(rig.sound.devices.bufferTurn.load(), s.turn) << s.at;
        EXPECT_EQ(countOf(ring, 0, kRingThird, 200), s.first) << s.at;
        EXPECT_EQ(countOf(ring, kRingThird, 2 * kRingThird, 200), s.middle) << s.at;
        EXPECT_EQ(countOf(ring, 2 * kRingThird, kRingSize, 200), s.last) << s.at;
    }
    // The newest data is followed by zeros, so the window ends where recording is.
    rig.services.headless().setTime(3100);
    analyseSound(rig.sound, rig.vs, rig.now());
    EXPECT_EQ(rig.sound.listen.windowEnd, (3100u * kCaptureRate / 1000) % kRingSize - 1);

    // With capturing cleared a full buffer is not queued again: the device runs dry.
    rig.sound.devices.capturing = false;
    rig.services.headless().setTime(7000);
    EXPECT_EQ(capturePosition(rig.sound), 6 * kRingThird);
    stopCapture(rig.sound);
    EXPECT_EQ(capturePosition(rig.sound), 0u);
    EXPECT_FALSE(rig.devices.capturing());
    closeSound(rig.sound);
    EXPECT_FALSE(rig.sound.devices.inputOpen);
}

Bytes wavFile(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& data,
              uint32_t claimedData = 0) {
    ByteWriter w;
    const uint16_t align = uint16_t(channels * (bits / 8));
    w.bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("RIFF"), 4));
    w.le32(uint32_t(36 + data.size()));
    w.bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("WAVEfmt "), 8));
    w.le32(16);
    w.le16(format);
    w.le16(channels);
    w.le32(rate);
    w.le32(rate * align);
    w.le16(align);
    w.le16(bits);
    w.bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("data"), 4));
    w.le32(claimedData ? claimedData : uint32_t(data.size()));
    w.bytes(data);
    return w.data();
}

TEST(Wav, DecodesToMonoAtTheCaptureRate) {
    std::vector<uint8_t> out;
    std::string error;
    // 8-bit mono at 11025 Hz passes through unchanged.
    ASSERT_TRUE(decodeWav(wavFile(1, 1, 11025, 8, Bytes{1, 128, 255, 0}), out, error)) << error;
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 128, 255, 0}));
    // 16-bit stereo at 22050 Hz: channels averaged (to half scale here), half as many samples.
    ByteWriter d;
    for (int i = 0; i < 400; ++i) {
        d.le16(uint16_t(int16_t(32767)));
        d.le16(0);
    }
    ASSERT_TRUE(decodeWav(wavFile(1, 2, 22050, 16, d.data()), out, error)) << error;
    EXPECT_NEAR(double(out.size()), 200, 1);
    EXPECT_NEAR(out[100], 192, 1);
    // A data chunk that claims more than the file holds is cut to what is there.
    ASSERT_TRUE(decodeWav(wavFile(1, 1, 11025, 8, Bytes{200, 201}, 1000000), out, error));
    EXPECT_EQ(out.size(), 2u);
}

// 16-bit mono samples of a sine at `hz`, amplitude `amp` (of 32767), `seconds` long.
Bytes sineData(double hz, int amp, uint32_t rate, double seconds) {
    ByteWriter d;
    for (size_t i = 0; i < size_t(seconds * rate); ++i) {
        d.le16(uint16_t(
            int16_t(std::lround(amp * std::sin(6.283185307179586 * hz * double(i) / rate)))));
    }
    return d.data();
}

TEST(Wav, HighSoundsDoNotFoldIntoTheBass) {
    // 11025 - 72 Hz at 44.1 kHz: kept as every fourth sample it turns into a loud 72 Hz tone.
    std::vector<uint8_t> high, bass;
    std::string error;
    ASSERT_TRUE(
        decodeWav(wavFile(1, 1, 44100, 16, sineData(11025 - 72, 16000, 44100, 1)), high, error))
        << error;
    ASSERT_TRUE(decodeWav(wavFile(1, 1, 44100, 16, sineData(72, 16000, 44100, 1)), bass, error))
        << error;
    auto largest = [](const std::vector<uint8_t>& s) {
        int m = 0;
        for (size_t i = s.size() / 4; i < s.size() * 3 / 4; ++i)
            m = std::max(m, std::abs(int(s[i]) - 128));
        return m;
    };
    EXPECT_LE(largest(high), 2);
    EXPECT_NEAR(largest(bass), 63, 2) << "the bass passes whole";
    EXPECT_NEAR(double(bass.size()), 11025, 2);
}

TEST(Wav, BadFilesAreRefusedWithAMessage) {
    const Bytes good = wavFile(1, 1, 11025, 8, Bytes{1, 2, 3});
    std::vector<Bytes> bad = {
        Bytes{},
        Bytes(good.begin(), good.begin() + 20),  // cut inside the format chunk
        Bytes(good.begin(), good.begin() + 36),  // no data chunk
        wavFile(2, 1, 11025, 8, Bytes{1}),       // compressed
        wavFile(1, 0, 11025, 8, Bytes{1}),       // no channels
        wavFile(1, 1, 0, 8, Bytes{1}),           // no rate
        wavFile(1, 1, 11025, 12, Bytes{1, 2}),   // odd sample width
        wavFile(3, 1, 11025, 16, Bytes{1, 2}),   // 16-bit float
    };
    Bytes misaligned = good;
    misaligned[32] = 3;  // block alignment that does not fit one channel of one byte
    bad.push_back(misaligned);
    for (size_t i = 0; i < bad.size(); ++i) {
        std::vector<uint8_t> out{7};
        std::string error;
        EXPECT_FALSE(decodeWav(bad[i], out, error)) << i;
        EXPECT_FALSE(error.empty()) << i;
    }

    TestServices services;
    HeadlessSound devices(services.headless());
    devices.setSamples({9, 9});
    std::string error;
    EXPECT_FALSE(devices.loadWav(services.dataFolder() + "/missing.wav", error));
    EXPECT_EQ(error, "Unable to find file!");
}

}  // namespace
}  // namespace korel::test
