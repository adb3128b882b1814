// Tempo and pattern beats: generated beats, taps, applying, aligning, refusals, sound scale.
#include <gtest/gtest.h>

#include "fake_host.h"

using namespace korel;
using korel::test::Rig;

namespace {

// Runs the clock from `from` to `to` in 1 ms ticks and returns the generated beats' times.
std::vector<uint32_t> beats(TriggerEngine& e, uint32_t from, uint32_t to) {
    std::vector<uint32_t> out;
    for (uint32_t t = from; t <= to; ++t) {
        while (e.nextGeneratedBeat(t)) out.push_back(e.tempo().lastBeatTime);
    }
    return out;
}

}  // namespace

TEST(Tempo, GeneratedBeatsAndTheSoundScale) {
    Rig r;
    r.engine.setListening(false, 0);
    r.engine.setTempo(12000, 1000);  // 120 beats per minute
    EXPECT_EQ(r.state.tempo(), 12000);
    EXPECT_EQ(r.state.get(vs::Tempo), 12000 >> 8);  // high byte first
    EXPECT_EQ(beats(r.engine, 1000, 2600), (std::vector<uint32_t>{1500, 2000, 2500}));
    EXPECT_DOUBLE_EQ(r.engine.soundScaleAt(2500), 1.0);
    EXPECT_DOUBLE_EQ(r.engine.soundScaleAt(2625), 0.75);
    EXPECT_DOUBLE_EQ(r.engine.soundScaleAt(3100), 0.0);
    EXPECT_DOUBLE_EQ(r.engine.beatFraction(2750), 0.5);

    // Tempo 0: no beats at all.
    r.engine.setTempo(0, 3000);
    EXPECT_TRUE(beats(r.engine, 3000, 20000).empty());

    // Listening on: the clock stops; off again: one interval from the switch.
    r.engine.setTempo(6000, 0);
    r.engine.setListening(true, 100);
    EXPECT_FALSE(r.engine.nextGeneratedBeat(5000));
    r.engine.setListening(false, 5000);
    EXPECT_EQ(r.engine.tempo().nextBeatTime, 6000u);
    EXPECT_TRUE(r.host.logged("listen on"));
    EXPECT_TRUE(r.host.logged("listen off"));
}

TEST(Tempo, TappedTempo) {
    Rig r;
    r.engine.tapTempo(1000);
    EXPECT_EQ(r.engine.tappedTempo(), 0);
    r.engine.tapTempo(1500);
    EXPECT_EQ(r.engine.tappedTempo(), 12000);
    r.engine.applyTappedTempo(2000);  // listening was on: it goes off
    EXPECT_EQ(r.state.tempo(), 12000);
    EXPECT_FALSE(r.state.switchOn(vs::kSwitchListening));
    EXPECT_TRUE(r.host.logged("rave change 5 2"));
    EXPECT_EQ(r.engine.tempo().tapCount, 0u);
    EXPECT_EQ(beats(r.engine, 2000, 2600), (std::vector<uint32_t>{2000, 2500}));

    // Close taps are capped; taps at the same moment count as the cap.
    r.engine.tapTempo(0);
    r.engine.tapTempo(150);
    EXPECT_EQ(r.engine.tappedTempo(), kMaxTappedTempo);
    r.engine.clearTaps();
    r.engine.tapTempo(700);
    r.engine.tapTempo(700);
    EXPECT_EQ(r.engine.tappedTempo(), kMaxTappedTempo);
}

TEST(Tempo, The256thTapClearsTheCountAndTheNextStartsAgain) {
    Rig r;
    for (uint32_t i = 0; i < 255; ++i) r.engine.tapTempo(1000 + i * 500);
    EXPECT_EQ(r.engine.tempo().tapCount, 255u);
    EXPECT_EQ(r.engine.tappedTempo(), 12000);
    r.engine.tapTempo(200000);
    EXPECT_EQ(r.engine.tempo().tapCount, 0u);
    EXPECT_EQ(r.engine.tappedTempo(), 0);
    // A new sequence: its first tap is the new start.
    r.engine.tapTempo(300000);
    r.engine.tapTempo(301000);
    EXPECT_EQ(r.engine.tempo().tapCount, 2u);
    EXPECT_EQ(r.engine.tappedTempo(), 6000);
}

TEST(Tempo, AlignAndApplyWithFewTaps) {
    Rig r;
    r.engine.setListening(false, 0);
    r.engine.setTempo(6000, 0);       // a beat every second from 1000
    r.engine.applyTappedTempo(1234);  // no taps: align
    EXPECT_EQ(r.engine.tempo().nextBeatTime, 1234u);
    EXPECT_EQ(r.state.tempo(), 6000);

    r.engine.tapTempo(1300);
    r.engine.applyTappedTempo(1400);  // one tap: nothing
    EXPECT_EQ(r.engine.tempo().nextBeatTime, 1234u);
    EXPECT_EQ(r.engine.tempo().tapCount, 1u);

    r.engine.clearTaps();
    r.engine.align(1500);
    EXPECT_EQ(r.engine.tempo().nextBeatTime, 1500u);
    r.engine.setListening(true, 1600);
    r.engine.align(1700);  // listening: nothing to align
    EXPECT_EQ(r.engine.tempo().nextBeatTime, kNeverTime);
}

TEST(Tempo, Patterns) {
    Rig r;
    r.engine.setListening(false, 0);
    // Ten taps: nine are stored, eight intervals.
    const uint32_t taps[10] = {0, 100, 300, 600, 1000, 1500, 2100, 2800, 3600, 4500};
    for (uint32_t t : taps) r.engine.tapPattern(t);
    EXPECT_EQ(r.engine.tempo().tapCount, 10u);
    r.engine.applyTappedPattern(10000);
    const TempoState& t = r.engine.tempo();
    EXPECT_TRUE(t.patternMode);
    ASSERT_EQ(t.patternLength, 8);
    EXPECT_EQ(t.pattern, (std::array<uint32_t, 8>{100, 200, 300, 400, 500, 600, 700, 800}));
    EXPECT_EQ(beats(r.engine, 10000, 10700), (std::vector<uint32_t>{10000, 10100, 10300, 10600}));

    // Three taps: a pattern of two intervals that repeats.
    for (uint32_t x : {0u, 100u, 400u}) r.engine.tapPattern(x);
    r.engine.applyTappedPattern(20000);
    EXPECT_EQ(beats(r.engine, 20000, 20800),
              (std::vector<uint32_t>{20000, 20100, 20400, 20500, 20800}));

    // Align restarts the pattern from its first interval.
    r.engine.align(30000);
    EXPECT_EQ(beats(r.engine, 30000, 30150), (std::vector<uint32_t>{30000, 30100}));

    // A tempo turns pattern mode off; taps that all fall at one moment make no pattern.
    r.engine.setTempo(6000, 40000);
    EXPECT_FALSE(r.engine.tempo().patternMode);
    for (int i = 0; i < 3; ++i) r.engine.tapPattern(50000);
    r.engine.applyTappedPattern(50000);
    EXPECT_FALSE(r.engine.tempo().patternMode);
    EXPECT_EQ(r.engine.tempo().tapCount, 0u);
}

TEST(Tempo, RefusedWhileARaveReplays) {
    Rig r;
    r.host.replaying = true;
    r.engine.tapTempo(0);
    r.engine.tapPattern(0);
    r.engine.applyTappedTempo(0);
    r.engine.applyTappedPattern(0);
    r.engine.align(0);
    r.engine.clearTaps();
    EXPECT_EQ(r.services.alerts.size(), 6u);
    EXPECT_EQ(r.services.alerts[0], kRaveReplayRefusal);
    EXPECT_EQ(r.engine.tempo().tapCount, 0u);

    // A replaying rave drives the beats itself.
    r.host.replaying = false;
    r.engine.setListening(false, 0);
    r.engine.setTempo(6000, 0);
    r.host.replaying = true;
    EXPECT_FALSE(r.engine.nextGeneratedBeat(5000));
}

TEST(Tempo, SongStart) {
    Rig r;
    r.engine.setListening(false, 0);
    r.engine.setTempo(6000, 0);
    r.engine.triggerStep(1, 64);
    r.engine.songStart(0);
    EXPECT_EQ(r.engine.state().beatCount, 0u);
    EXPECT_EQ(r.engine.state().counterOffset, (std::array<int16_t, 5>{1, 1, 1, 1, 1}));
    EXPECT_EQ(r.engine.tempo().nextBeatTime, 1000u);
}
