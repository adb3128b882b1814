// The MP3 edition's analysis of decoded music: what the playback graph's tap reports and how the
// beat decisions follow the music heard, whatever the tick rate.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sound_fixture.h"
#include "support/groove.h"

namespace korel::test {
namespace {

// A graph whose tap holds a whole song as mono samples at `monoRate` per second; the test moves
// the position.
class FakeGraph : public MusicGraph {
  public:
    FakeGraph(std::vector<float> song, uint32_t rate, uint32_t channels)
        : song_(std::move(song)), rate_(rate), channels_(channels) {}
    bool open(const std::string&, GraphFailure&) override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    bool run() override { return (state_ = GraphState::Running), true; }
    bool pause() override { return (state_ = GraphState::Paused), true; }
    bool stop() override { return (state_ = GraphState::Stopped), true; }
    GraphState state() override { return state_; }
    double duration() override { return double(song_.size()) / monoRate(); }
    bool position(double& s) override { return (s = position_), true; }
    bool seek(double s) override { return (position_ = s), true; }
    void setTapClient(TapClient* c) override { client_ = c; }
    void resetTap() override {}
    void requestSamples(int64_t time, double* out) override {
        ++requests;
        // The tap's time starts at 0 at the last seek.
        const int64_t first = int64_t(std::llround((double(time) / 1e7 + seekPoint) * monoRate()));
        for (size_t i = 0; i < kTapRequestSamples; ++i) {
            const int64_t k = first + int64_t(i);
            out[i] = k >= 0 && k < int64_t(song_.size()) ? 128.0 * song_[size_t(k)] : 0.0;
        }
    }

    // The tap's notices, as its streaming thread sends them.
    void sendFormat(uint32_t bytes = 2) { client_->notice(TapNotice{0, rate_, channels_ | bytes << 16}); }
    void sendData() { client_->notice(TapNotice{1, rate_, channels_ | 2u << 16}); }
    double monoRate() const { return double(rate_ / channels_); }

    double position_ = 0;
    double seekPoint = 0;
    int requests = 0;

  private:
    std::vector<float> song_;
    uint32_t rate_, channels_;
    bool open_ = true;
    GraphState state_ = GraphState::Stopped;
    TapClient* client_ = nullptr;
};

struct DecodedRig {
    explicit DecodedRig(uint32_t rate = 44100, uint32_t channels = 2)
        : services(Edition::MP3), sound(Edition::MP3),
          graph(grooveSamples(int(rate / channels)), rate, channels) {
        vs = defaultVisualState();
        attachMusicGraph(sound, &graph);
        decodedSongPlaying(sound, true);
        listenSongStart(sound.listen);
        graph.run();
        graph.sendFormat();
        graph.sendData();
    }
    TestServices services;
    Sound sound;
    FakeGraph graph;
    VisualState vs;
};

TEST(DecodedAnalysis, OneBeatPerKickAtEveryTickRate) {
    for (uint32_t step : {1u, 4u, 10u, 16u}) {
        DecodedRig rig;
        std::vector<uint32_t> beats;
        for (uint32_t t = 0; t < uint32_t(Groove::kSeconds * 1000); t += step) {
            rig.graph.position_ = t / 1000.0;
            if (detectBeat(rig.sound, rig.vs, t).beat) beats.push_back(t);
        }
        ASSERT_EQ(beats.size(), size_t(Groove::kKicks)) << "step " << step;
        for (int k = 0; k < Groove::kKicks; ++k) {
            // Heard within a few decisions of the kick, never before it.
            EXPECT_GE(beats[size_t(k)], uint32_t(Groove::kickMs(k))) << "step " << step;
            EXPECT_LT(beats[size_t(k)], uint32_t(Groove::kickMs(k)) + 60 + step) << "step " << step;
        }
    }
}

TEST(DecodedAnalysis, NothingIsAnalysedWithoutRunningDecodedMusic) {
    DecodedRig rig;
    rig.graph.position_ = 1.0;  // inside the second kick
    rig.sound.listen.peakLevel = 255;
    EXPECT_GT(analyseSound(rig.sound, rig.vs, 1000), 0);
    // Paused: the meter drops to 0 and the tap is not asked.
    rig.graph.pause();
    const int asked = rig.graph.requests;
    EXPECT_EQ(analyseSound(rig.sound, rig.vs, 1010), 0);
    EXPECT_EQ(detectBeat(rig.sound, rig.vs, 1020).level, 0);
    EXPECT_EQ(rig.graph.requests, asked);
    // Running, but the latest notice is a format notice (after a reset): still nothing.
    rig.graph.run();
    rig.graph.sendFormat();
    EXPECT_EQ(analyseSound(rig.sound, rig.vs, 1030), 0);
    // Data notices count only while a song plays.
    decodedSongPlaying(rig.sound, false);
    rig.graph.sendData();
    EXPECT_EQ(analyseSound(rig.sound, rig.vs, 1040), 0);
    decodedSongPlaying(rig.sound, true);
    rig.graph.sendData();
    rig.graph.position_ = 1.01;
    EXPECT_GT(analyseSound(rig.sound, rig.vs, 1050), 0);
    EXPECT_TRUE(soundAvailable(rig.sound));
    rig.graph.close();
    EXPECT_FALSE(soundAvailable(rig.sound));
}

TEST(DecodedAnalysis, FormatNoticesAndTheUnknownFormatMessage) {
    struct Case {
        uint32_t channels, bytes;
        uint8_t format;
    };
    for (Case c : {Case{1, 1, 1}, Case{2, 1, 2}, Case{1, 2, 3}, Case{2, 2, 4}, Case{6, 2, 0}}) {
        DecodedRig rig(48000, c.channels);
        rig.graph.sendFormat(c.bytes);
        EXPECT_EQ(rig.sound.mp3.format, c.format) << c.channels << " " << c.bytes;
        EXPECT_EQ(rig.sound.mp3.sampleRate, 48000u);
        reportDecodedFormat(rig.sound, rig.services);
        reportDecodedFormat(rig.sound, rig.services);
        EXPECT_EQ(rig.services.alerts.size(), c.format == 0 ? 1u : 0u);
        if (c.format == 0) {
            EXPECT_EQ(rig.services.alerts[0], "Unrecognized sound format!");
        }
    }
}

TEST(DecodedAnalysis, ASeekStartsTheDecisionsAgainAtTheNewPlace) {
    DecodedRig rig;
    int beats = 0;
    uint32_t t = 0;
    for (; t < 3000; t += 10) {
        rig.graph.position_ = t / 1000.0;
        beats += detectBeat(rig.sound, rig.vs, t).beat;
    }
    EXPECT_EQ(beats, 6);
    // Back to 0.2 s: the tap's time restarts at 0 there and the kicks are heard again.
    rig.graph.seekPoint = 0.2;
    decodedSeek(rig.sound, 0.2);
    rig.graph.sendFormat();
    rig.graph.sendData();
    beats = 0;
    for (uint32_t s = 200; s < 3000; s += 10, t += 10) {
        rig.graph.position_ = s / 1000.0;
        beats += detectBeat(rig.sound, rig.vs, t).beat;
    }
    EXPECT_EQ(beats, 6);
}

}  // namespace
}  // namespace korel::test
