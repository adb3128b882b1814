// The sample tap: where samples land for a request, its rate, resets and its notices.
#include <gtest/gtest.h>

#include <vector>

#include "music_fixture.h"
#include "platform/sample_tap.h"

namespace korel::test {
namespace {

constexpr int64_t kSecond = 10'000'000;  // stream time units

// Feeds `frames` frames of a constant value (all channels) in blocks of 4096, from `first`,
// with one full-scale frame at `clickFrame`.
void feedLevel(SampleTap& tap, int rate, int channels, uint64_t first, uint64_t frames,
               int16_t value, int64_t clickFrame = -1) {
    std::vector<int16_t> block(4096 * size_t(channels));
    for (uint64_t at = first; at < first + frames;) {
        const size_t n = size_t(std::min<uint64_t>(4096, first + frames - at));
        for (size_t f = 0; f < n; ++f) {
            const bool click = int64_t(at + f) == clickFrame;
            for (int c = 0; c < channels; ++c)
                block[f * size_t(channels) + size_t(c)] = click ? int16_t(32767) : value;
        }
        tap.feed(block.data(), n, channels, rate, at);
        at += n;
    }
}

// The stream time of kept sample k.
int64_t timeOf(int64_t k, int rate, int channels) {
    return (k * channels * kSecond + rate - 1) / rate;
}

std::vector<double> request(SampleTap& tap, int64_t time) {
    std::vector<double> out(kTapRequestSamples, -999.0);
    tap.request(time, out.data());
    return out;
}

TEST(SampleTap, AClickLandsAtItsIndexAndStereoKeepsEveryOtherFrame) {
    SampleTap tap;
    // Stereo 44100: kept sample k is frame 2k, so the click at frame 45100 is sample 22550.
    feedLevel(tap, 44100, 2, 0, 3 * 44100, 0, 45100);
    EXPECT_EQ(tap.samplesPerSecond(), 22050u);
    std::vector<double> out = request(tap, kSecond);  // sample 22050 first
    for (size_t i = 0; i < out.size(); ++i) {
        if (i == 500) {
            EXPECT_NEAR(out[i], 128.0, 0.01);
        } else {
            ASSERT_EQ(out[i], 0.0) << i;
        }
    }
    // The click as the newest sample.
    out = request(tap, timeOf(22550 - 2204, 44100, 2));
    EXPECT_NEAR(out.back(), 128.0, 0.01);
    // A click on an odd frame is not kept.
    SampleTap odd;
    feedLevel(odd, 44100, 2, 0, 44100, 0, 1001);
    out = request(odd, 0);
    for (double v : out) ASSERT_EQ(v, 0.0);
}

TEST(SampleTap, ChannelsAreAveragedAndScaledToTheEightBitRange) {
    SampleTap tap;
    const int16_t block[] = {16384, -16384, 16384, 0, -32768, -32768};  // 1 frame of 3 channels, ...
    tap.feed(block, 2, 3, 48000, 0);
    EXPECT_EQ(tap.samplesPerSecond(), 16000u);
    std::vector<double> out = request(tap, 0);
    EXPECT_NEAR(out[0], 64.0 / 3, 1e-9);  // (0.5 - 0.5 + 0.5) / 3 of full scale
    EXPECT_EQ(out[1], 0.0);               // the second frame is not a kept one
    SampleTap mono;
    mono.feed(block + 4, 2, 1, 22050, 0);
    out = request(mono, 0);
    EXPECT_EQ(out[0], -128.0);
    EXPECT_EQ(out[1], -128.0);
    EXPECT_EQ(out[2], 0.0);
}

TEST(SampleTap, WhatIsNotHeldIsZero) {
    SampleTap tap;
    EXPECT_EQ(request(tap, 0), std::vector<double>(kTapRequestSamples, 0.0)) << "nothing fed";
    feedLevel(tap, 44100, 2, 0, 2 * 44100, 8192);  // 2 s: samples 0..44099 at 32
    // From 1.95 s (sample 42997) only the first 1103 samples are decoded.
    std::vector<double> out = request(tap, kSecond * 195 / 100);
    EXPECT_EQ(out[1102], 32.0);
    EXPECT_EQ(out[1103], 0.0);
    EXPECT_EQ(out.back(), 0.0);
    // Before the stream's start.
    out = request(tap, -kSecond / 100);  // 220.5 samples early
    EXPECT_EQ(out[220], 0.0);
    EXPECT_EQ(out[221], 32.0);
    EXPECT_EQ(request(tap, INT64_MAX), std::vector<double>(kTapRequestSamples, 0.0));
    EXPECT_EQ(request(tap, INT64_MIN), std::vector<double>(kTapRequestSamples, 0.0));
    // Long gone: the ring holds the latest samples only.
    const uint64_t frames = SampleTap::kRingSamples * 2 + 44100 * 4;
    feedLevel(tap, 44100, 2, 2 * 44100, frames, 8192);
    EXPECT_EQ(request(tap, 0), std::vector<double>(kTapRequestSamples, 0.0));
    const int64_t newest = int64_t(2 * 44100 + frames) / 2 - int64_t(kTapRequestSamples);
    out = request(tap, timeOf(newest, 44100, 2));
    EXPECT_EQ(out.front(), 32.0);
    EXPECT_EQ(out.back(), 32.0);
    // A block from long before what is held changes nothing.
    // (Its samples would land in the slots of samples kRingSamples later, which are held.)
    feedLevel(tap, 44100, 2, 0, 4096, -8192);
    out = request(tap, timeOf(SampleTap::kRingSamples, 44100, 2));
    EXPECT_EQ(out.front(), 32.0);
    EXPECT_EQ(out.back(), 32.0);
    // A gap in the stream is silence.
    SampleTap gap;
    feedLevel(gap, 44100, 1, 0, 100, 8192);
    feedLevel(gap, 44100, 1, 200, 100, 8192);
    out = request(gap, 0);
    EXPECT_EQ(out[99], 32.0);
    EXPECT_EQ(out[100], 0.0);
    EXPECT_EQ(out[199], 0.0);
    EXPECT_EQ(out[200], 32.0);
}

TEST(SampleTap, NoticesAnnounceTheFormatThenEachBlock) {
    SampleTap tap;
    NoticeLog log;
    tap.setClient(&log);
    feedLevel(tap, 44100, 2, 0, 4096 + 100, 0);
    std::vector<TapNotice> n = log.take();
    ASSERT_EQ(n.size(), 3u);
    EXPECT_EQ(n[0][0], 0u) << "a format notice first";
    EXPECT_EQ(n[0][1], 44100u);
    EXPECT_EQ(n[0][2], 2u | 2u << 16);
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_NE(n[i][0], 0u);
        EXPECT_EQ(n[i][1], 44100u);
        EXPECT_EQ(n[i][2], 2u | 2u << 16);
    }
    EXPECT_EQ(n[1][3], 4096u);
    EXPECT_EQ(n[2][3], 100u);
    EXPECT_EQ(n[2][4], 4096u) << "the block's first frame";
    // A new format is a new stream.
    feedLevel(tap, 22050, 1, 0, 10, 0);
    n = log.take();
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(n[0][0], 0u);
    EXPECT_EQ(n[0][2], 1u | 2u << 16);
    // Bad blocks say nothing.
    const int16_t one[2] = {};
    tap.feed(nullptr, 1, 1, 22050, 0);
    tap.feed(one, 1, 0, 22050, 0);
    tap.feed(one, 1, 1, 0, 0);
    EXPECT_TRUE(log.take().empty());
}

TEST(SampleTap, AResetStartsANewStreamAndDropsBlocksDecodedBeforeIt) {
    SampleTap tap;
    NoticeLog log;
    tap.setClient(&log);
    feedLevel(tap, 44100, 2, 0, 44100, 8192);  // the old position: 32
    const uint64_t before = tap.generation();
    tap.reset();                               // a seek
    log.take();
    // A block decoded before the seek arrives late: dropped, and says nothing.
    const int16_t stale[4] = {8192, 8192, 8192, 8192};
    tap.feed(stale, 2, 2, 44100, 0, before);
    EXPECT_TRUE(log.take().empty());
    EXPECT_EQ(request(tap, 0), std::vector<double>(kTapRequestSamples, 0.0));
    // The program's own reset just after the seek keeps a block decoded after the seek.
    const uint64_t after = tap.generation();
    tap.restart();
    std::vector<int16_t> fresh(2 * 4096, -16384);  // the new position: -64
    tap.feed(fresh.data(), 4096, 2, 44100, 0, after);
    std::vector<TapNotice> n = log.take();
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(n[0][0], 0u) << "a format notice first after the reset";
    EXPECT_EQ(n[1][0], 1u);
    std::vector<double> out = request(tap, 0);
    EXPECT_EQ(out[0], -64.0);
    EXPECT_EQ(out[2047], -64.0);
    EXPECT_EQ(out[2048], 0.0);
    // Once data came, restart forgets it like reset.
    tap.restart();
    EXPECT_EQ(request(tap, 0), std::vector<double>(kTapRequestSamples, 0.0));
}

}  // namespace
}  // namespace korel::test
