// The headless playback graph: formats, the virtual clock, pause and seek, samples through the
// tap and files that cannot be played.
#include <gtest/gtest.h>

#include <cstdlib>

#include "music_fixture.h"
#include "platform/audiofile/audio_file_writer.h"
#include "platform/headless/headless_music.h"
#include "platform/headless/headless_platform.h"

namespace korel::test {
namespace {

constexpr int64_t kSecond = 10'000'000;

struct HeadlessMusic : ::testing::Test {
    HeadlessPlatform platform;
    HeadlessMusicGraph graph{platform};
    NoticeLog log;
    TempFolder folder;
    GraphFailure failure;

    HeadlessMusic() { graph.setTapClient(&log); }

    double position() {
        double s = -1;
        EXPECT_TRUE(graph.position(s));
        return s;
    }
    std::vector<double> samples(int64_t time) {
        std::vector<double> out(kTapRequestSamples, -999.0);
        graph.requestSamples(time, out.data());
        return out;
    }
};

TEST_F(HeadlessMusic, AStereoSixteenBitFileAnnouncesItsFormatAndFollowsTheClock) {
    // 4 s at 0.25 with a click at 1.5 s (frame 66150, kept sample 33075).
    const std::string path = folder.write(
        "song.wav", wavBytes(44100, 2, WavKind::Pcm16, levelWithClick(44100, 2, 4, 0.25, 66150)));
    ASSERT_TRUE(graph.open(path, failure)) << failure.reason;
    EXPECT_EQ(graph.state(), GraphState::Stopped);
    EXPECT_DOUBLE_EQ(graph.duration(), 4.0);
    EXPECT_EQ(position(), 0.0);
    EXPECT_TRUE(log.take().empty()) << "a stopped graph streams nothing";

    platform.advance(1000);
    EXPECT_EQ(position(), 0.0) << "the clock runs only while the graph runs";
    ASSERT_TRUE(graph.run());
    std::vector<TapNotice> n = log.take();
    ASSERT_GE(n.size(), 2u);
    EXPECT_EQ(n[0][0], 0u);
    EXPECT_EQ(n[0][1], 44100u);
    EXPECT_EQ(n[0][2], 2u | 2u << 16);
    EXPECT_NE(n[1][0], 0u);
    platform.advance(1234);
    EXPECT_DOUBLE_EQ(position(), 1.234);
    // The decoder runs a quarter second ahead: the click at 1.5 s is not decoded at 1.234 s.
    const std::vector<double> early = samples(kSecond * 3 / 2);
    EXPECT_EQ(early[0], 0.0);
    platform.advance(100);
    const std::vector<double> s = samples(kSecond * 3 / 2 - kSecond / 100);  // from 1.49 s
    EXPECT_NEAR(s[0], 32.0, 0.01);
    // Sample 0 is 32854 (1.49 s is 32854.5 samples in), the click at 1.5 s is 33075.
    EXPECT_NEAR(s[220], 32.0, 0.01);
    EXPECT_NEAR(s[221], 128.0, 0.01) << "the click";
    EXPECT_NEAR(s[222], 32.0, 0.01);
    EXPECT_EQ(graph.decodedFrames(), uint64_t(1.584 * 44100));

    ASSERT_TRUE(graph.pause());
    platform.advance(5000);
    EXPECT_DOUBLE_EQ(position(), 1.334) << "pause holds the position";
    ASSERT_TRUE(graph.run());
    platform.advance(100000);
    EXPECT_DOUBLE_EQ(position(), 4.0) << "held to the file's end";
}

TEST_F(HeadlessMusic, SeekMovesThePositionAndRestartsTheTapsStreamTime) {
    // Left channel only: the mono level is half the left's (32, then -32).
    std::vector<double> v = levelWithClick(22050, 2, 6, 0.0);
    for (size_t f = 0; f < v.size() / 2; ++f) v[2 * f] = f < 22050 * 3 ? 0.5 : -0.5;
    ASSERT_TRUE(graph.open(folder.write("two.wav", wavBytes(22050, 2, WavKind::Pcm16, v)), failure));
    ASSERT_TRUE(graph.run());
    platform.advance(500);
    EXPECT_NEAR(samples(0)[0], 32.0, 0.01);
    ASSERT_TRUE(graph.pause());
    ASSERT_TRUE(graph.seek(4.0));
    graph.resetTap();
    log.take();
    EXPECT_DOUBLE_EQ(position(), 4.0);
    ASSERT_TRUE(graph.run());
    const std::vector<TapNotice> n = log.take();
    ASSERT_FALSE(n.empty());
    EXPECT_EQ(n[0][0], 0u) << "a format notice first after the seek";
    platform.advance(250);
    EXPECT_DOUBLE_EQ(position(), 4.25);
    const std::vector<double> s = samples(0);
    EXPECT_NEAR(s[0], -32.0, 0.01) << "stream time 0 is the seek point";
    EXPECT_NEAR(s[2204], -32.0, 0.01);
    // Far targets are held to the file; stop keeps the position but drops what was ahead.
    ASSERT_TRUE(graph.seek(100.0));
    EXPECT_DOUBLE_EQ(position(), 6.0);
    ASSERT_TRUE(graph.seek(-3.0));
    EXPECT_DOUBLE_EQ(position(), 0.0);
    platform.advance(700);
    ASSERT_TRUE(graph.stop());
    EXPECT_EQ(graph.state(), GraphState::Stopped);
    platform.advance(700);
    EXPECT_DOUBLE_EQ(position(), 0.7);
    EXPECT_EQ(graph.decodedFrames(), 0u);
    ASSERT_TRUE(graph.run());
    platform.advance(100);
    EXPECT_DOUBLE_EQ(position(), 0.8);
    EXPECT_NEAR(samples(0)[0], 32.0, 0.01);
}

TEST_F(HeadlessMusic, TwentyFourBitAndFloatFilesPlayAtFullScale) {
    for (WavKind kind : {WavKind::Pcm24, WavKind::Float32}) {
        const std::string path =
            folder.write("deep.wav", wavBytes(48000, 1, kind, levelWithClick(48000, 1, 1, -0.5)));
        ASSERT_TRUE(graph.open(path, failure)) << failure.reason;
        log.take();
        ASSERT_TRUE(graph.run());
        EXPECT_EQ(log.take()[0][2], 1u | 2u << 16) << "announced as 16-bit";
        platform.advance(100);
        EXPECT_NEAR(samples(0)[100], -64.0, 0.01);
        EXPECT_DOUBLE_EQ(graph.duration(), 1.0);
    }
}

TEST_F(HeadlessMusic, ACompressedFileMadeByTheWriterPlays) {
    if (!canWriteMp3()) GTEST_SKIP() << "no MP3 encoder in the sound-file library";
    std::vector<float> tone(44100 * 2);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * float(std::sin(double(i / 2) * 0.05));
    std::string error;
    const std::string path = folder.path + "/song.mp3";
    ASSERT_TRUE(writeAudioFile(path, AudioFileType::Mp3, 44100, 2, tone, error)) << error;
    ASSERT_TRUE(graph.open(path, failure)) << failure.reason;
    ASSERT_TRUE(graph.run());
    EXPECT_EQ(log.take()[0][2], 2u | 2u << 16);
    platform.advance(500);
    double loudest = 0;
    for (double v : samples(kSecond / 10)) loudest = std::max(loudest, std::abs(v));
    EXPECT_GT(loudest, 40.0);
    EXPECT_LT(loudest, 90.0);
}

TEST_F(HeadlessMusic, FilesMadeByOtherToolsPlay) {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg";
    // A half-scale 441 Hz tone, 2 s of stereo, in each compressed format ffmpeg can make here.
    for (const char* ext : {"mp3", "ogg", "opus", "flac"}) {
        const std::string path = folder.path + "/tone." + ext;
        // The source tone is at 1/8 of full scale; both channels carry it whole (ffmpeg's own
        // mono-to-stereo mix would lower it by 3 dB).
        const std::string make = std::string("ffmpeg -v error -y -f lavfi -i "
                                             "'sine=frequency=441:sample_rate=48000:duration=2' "
                                             "-af 'volume=4,pan=stereo|c0=c0|c1=c0' '") + path + "'";
        if (std::system(make.c_str()) != 0) continue;
        ASSERT_TRUE(graph.open(path, failure)) << ext << ": " << failure.reason;
        log.take();
        ASSERT_TRUE(graph.run());
        const std::vector<TapNotice> n = log.take();
        ASSERT_FALSE(n.empty()) << ext;
        EXPECT_EQ(n[0][2], 2u | 2u << 16) << ext;
        EXPECT_NEAR(graph.duration(), 2.0, 0.1) << ext;
        platform.advance(1000);
        double loudest = 0;
        for (double v : samples(kSecond / 2)) loudest = std::max(loudest, std::abs(v));
        EXPECT_NEAR(loudest, 64.0, 8.0) << ext;
    }
}

TEST_F(HeadlessMusic, FilesThatCannotBePlayedFailWithTheirReason) {
    EXPECT_FALSE(graph.open(folder.path + "/missing.mp3", failure));
    EXPECT_EQ(failure.tag, "RF");
    EXPECT_FALSE(failure.reason.empty());
    EXPECT_FALSE(graph.isOpen());
    // A WAV cut inside its header, and one that is not sound at all.
    Bytes cut = wavBytes(44100, 2, WavKind::Pcm16, levelWithClick(44100, 2, 0.1, 0.1));
    cut.resize(30);
    for (const Bytes& bad : {cut, Bytes{'h', 'e', 'l', 'l', 'o'}}) {
        failure = {};
        EXPECT_FALSE(graph.open(folder.write("bad.wav", bad), failure));
        EXPECT_EQ(failure.tag, "RF");
        EXPECT_FALSE(failure.reason.empty());
    }
    // A WAV whose data is cut short plays what it holds.
    Bytes shortData = wavBytes(44100, 1, WavKind::Pcm16, levelWithClick(44100, 1, 1, 0.5));
    shortData.resize(44 + 2 * 1000);
    ASSERT_TRUE(graph.open(folder.write("short.wav", shortData), failure)) << failure.reason;
    ASSERT_TRUE(graph.run());
    platform.advance(1000);
    const std::vector<double> s = samples(0);
    EXPECT_NEAR(s[999], 64.0, 0.01);
    EXPECT_EQ(s[1000], 0.0);
    // Nothing open: every call says no and requests give silence.
    graph.close();
    double at = 0;
    EXPECT_FALSE(graph.run());
    EXPECT_FALSE(graph.pause());
    EXPECT_FALSE(graph.stop());
    EXPECT_FALSE(graph.seek(1));
    EXPECT_FALSE(graph.position(at));
    EXPECT_EQ(graph.duration(), 0.0);
    EXPECT_EQ(samples(0), std::vector<double>(kTapRequestSamples, 0.0));
    // The script's failure.
    graph.failOpens = {"CI", 7, "no output"};
    EXPECT_FALSE(graph.open(folder.path + "/short.wav", failure));
    EXPECT_EQ(failure.tag, "CI");
    EXPECT_EQ(graph.calls.opens, 5);
}

}  // namespace
}  // namespace korel::test
