// Analysis: the magnitude window, loudness and sound scale, and beat decisions.
#include <gtest/gtest.h>

#include "sound_fixture.h"

namespace korel::test {
namespace {

// A Sound without devices whose ring the test writes directly.
struct RingRig {
    RingRig() : sound(Edition::LIVE) {
        vs = defaultVisualState();
        sound.ring.fill(0, kRingSize, 128);
    }
    Sound sound;
    VisualState vs;
};

TEST(Analysis, PureToneAtTheListeningFrequencyFillsTheMeterAndAFarToneStaysLow) {
    SoundRig near;
    near.devices.setSamples(tone(72, 60, 3));
    near.start();
    near.advance(700);
    EXPECT_EQ(analyseSound(near.sound, near.vs, near.now()), 64);
    EXPECT_TRUE(near.sound.listen.freshSamples);
    // No new samples: the previous result stands.
    near.sound.listen.freshSamples = false;
    EXPECT_EQ(analyseSound(near.sound, near.vs, near.now()), 64);
    EXPECT_FALSE(near.sound.listen.freshSamples);

    SoundRig far;
    far.devices.setSamples(tone(400, 60, 3));
    far.start();
    far.advance(700);
    EXPECT_LT(analyseSound(far.sound, far.vs, far.now()), 8);
}

TEST(Analysis, WindowIsAWholeNumberOfPeriodsBeforeWindowEnd) {
    struct Case {
        int w, column, window;
        uint32_t end;
    };
    // 72 Hz: period 153, three periods in 600 samples; 20 Hz: one period of 551; and a window
    // that wraps from the ring's start to its end.
    for (Case c : {Case{6, 13, 459, 5000}, Case{1, 0, 551, 5000}, Case{6, 13, 459, 100}}) {
        RingRig r;
        r.vs.set(vs::AnalysisWindow, uint8_t(c.w));
        r.vs.set(vs::ListeningFrequency, uint8_t(c.column));
        r.sound.listen.peakLevel = 100;
        r.sound.listen.windowEnd = c.end;
        auto at = [&](int back) { return size_t((int64_t(c.end) - back + kRingSize) % kRingSize); };
        // Only the oldest sample of the window is loud: its angle is 0.
        r.sound.ring.put(at(c.window), 228);
        const double f = listeningFrequency(r.vs);
        EXPECT_DOUBLE_EQ(frequencyMagnitude(r.sound, r.vs, f), 12.0 * 100 / c.window / 100)
            << c.window;
        r.sound.ring.put(at(c.window), 128);
        r.sound.ring.put(at(c.window + 1), 228);
        EXPECT_EQ(frequencyMagnitude(r.sound, r.vs, f), 0.0) << "outside the window";
    }
}

TEST(Analysis, UnrecordedBytesInTheWindowAreLeftOut) {
    // Silence with unrecorded (0) bytes on every period of 72 Hz: taken as samples they would
    // read as a loud tone at the listening frequency.
    RingRig r;
    r.sound.listen.peakLevel = 100;
    r.sound.listen.windowEnd = 5000;
    for (int back = 1; back <= 459; back += 153) r.sound.ring.put(size_t(5000 - back), 0);
    EXPECT_EQ(frequencyMagnitude(r.sound, r.vs, listeningFrequency(r.vs)), 0.0);
    // Beside a quiet tone they change nothing but the skipped samples' share.
    RingRig tone;
    tone.sound.listen.peakLevel = 100;
    tone.sound.listen.windowEnd = 5000;
    for (int back = 1; back <= 459; ++back) {
        const double x = 20 * std::cos(6.283185307179586 * (459 - back) / 153);
        tone.sound.ring.put(size_t(5000 - back), uint8_t(128 + std::lround(x)));
    }
    const double whole = frequencyMagnitude(tone.sound, tone.vs, 72);
    for (int back = 3; back <= 459; back += 153) tone.sound.ring.put(size_t(5000 - back), 0);
    const double gapped = frequencyMagnitude(tone.sound, tone.vs, 72);
    EXPECT_GT(gapped, 0.95 * whole);
    EXPECT_LE(gapped, whole);
}

TEST(Analysis, LoudnessNoiseGateAndFullScale) {
    RingRig r;
    r.sound.listen.windowEnd = 3000;
    r.sound.ring.put(2999 - 50, 128 + 6);
    updateSoundScale(r.sound, r.vs, 10);
    EXPECT_EQ(r.sound.listen.soundLevel, 0) << "below the gate";
    r.sound.ring.put(2999 - 50, 128 + 100);
    updateSoundScale(r.sound, r.vs, 20);
    EXPECT_EQ(r.sound.listen.soundLevel, 200);
    EXPECT_EQ(r.sound.listen.peakLevel, 200);
    // A single full-scale sample (byte 0, |x| = 128).
    r.sound.ring.put(2999, 0);
    r.sound.listen.scaleRefreshDue = false;
    updateSoundScale(r.sound, r.vs, 30);
    EXPECT_EQ(r.sound.listen.soundLevel, 255);
    EXPECT_EQ(r.sound.listen.peakLevel, 255);
    EXPECT_EQ(r.sound.listen.scaleAnchor, 30u);
    EXPECT_EQ(r.sound.listen.soundScale, 1.0);
    EXPECT_TRUE(r.sound.listen.scaleRefreshDue);
}

TEST(Analysis, PeakDecaysOneStepPerMaxFadeInterval) {
    RingRig r;
    r.sound.listen.windowEnd = 3000;
    r.sound.listen.peakLevel = 200;
    r.sound.listen.lastPeakDecay = 1000;
    r.vs.set(vs::MaxScalingFade, 120);  // 47 ms steps
    updateSoundScale(r.sound, r.vs, 1047);
    EXPECT_EQ(r.sound.listen.peakLevel, 200);
    updateSoundScale(r.sound, r.vs, 1048);
    EXPECT_EQ(r.sound.listen.peakLevel, 199);
    updateSoundScale(r.sound, r.vs, 1095);
    EXPECT_EQ(r.sound.listen.peakLevel, 199);
    updateSoundScale(r.sound, r.vs, 5000);
    EXPECT_EQ(r.sound.listen.peakLevel, 198) << "at most one step per call";
    r.vs.set(vs::MaxScalingFade, 0);
    updateSoundScale(r.sound, r.vs, 5000);
    EXPECT_EQ(r.sound.listen.peakLevel, 198);
    updateSoundScale(r.sound, r.vs, 5001);
    EXPECT_EQ(r.sound.listen.peakLevel, 197);
}

TEST(Analysis, SoundScaleFollowsThresholdAndFade) {
    RingRig r;
    r.sound.listen.windowEnd = 3000;
    r.vs.set(vs::MaxScalingFade, 120);
    auto loud = [&](int amp, uint32_t now) {
        r.sound.ring.put(2990, uint8_t(128 + amp));
        updateSoundScale(r.sound, r.vs, now);
        return r.sound.listen.soundScale;
    };
    // Threshold 100: 1 at a new peak, otherwise only the fade from it remains.
    r.vs.set(vs::ScalingThreshold, 100);
    r.vs.set(vs::ScalingFade, 10);  // one second
    EXPECT_EQ(loud(100, 1000), 1.0);
    EXPECT_DOUBLE_EQ(loud(90, 1500), 0.5);
    EXPECT_DOUBLE_EQ(loud(90, 1750), 0.25);
    r.vs.set(vs::ScalingFade, 0);
    EXPECT_EQ(loud(90, 1800), 0.0);
    // Threshold 25 (63): the level relative to the peak above it; a fade of 0 follows it.
    r.vs.set(vs::ScalingThreshold, 25);
    // (The peak has decayed a few steps from 200 by now.)
    EXPECT_DOUBLE_EQ(loud(75, 1810), double(150 - 63) / (r.sound.listen.peakLevel - 63));
    // With a fade, a rise to f anchors the fade where a fall from 1 would have passed f.
    r.vs.set(vs::ScalingFade, 10);
    r.sound.listen.soundScale = 0;
    const double f = loud(75, 1820);
    EXPECT_DOUBLE_EQ(f, double(150 - 63) / (r.sound.listen.peakLevel - 63));
    EXPECT_EQ(r.sound.listen.scaleAnchor, uint32_t(int64_t(std::trunc(1820 + (f - 1) * 1000))));
    // After a song start the old anchor is gone and the scale follows the new sound.
    listenSongStart(r.sound.listen);
    EXPECT_EQ(r.sound.listen.scaleAnchor, kScaleAnchorNever);
}

// Volume-mode meter readings from a scripted loudness pattern: each entry is an amplitude held
// for `ms` milliseconds.
struct Pattern {
    int amp;
    int ms;
};

int countBeats(SoundRig& rig, const std::vector<Pattern>& pattern, std::vector<uint32_t>* times) {
    std::vector<uint8_t> feed;
    for (Pattern p : pattern) {
        feed.insert(feed.end(), size_t(p.ms) * kCaptureRate / 1000, uint8_t(128 + p.amp));
    }
    rig.devices.setSamples(feed);
    rig.vs.setSwitch(vs::kSwitchVolume, true);
    rig.start();
    int beats = 0;
    for (size_t t = 0; t < feed.size() * 1000 / kCaptureRate; t += 10) {
        rig.advance(10);
        BeatReading b = detectBeat(rig.sound, rig.vs, rig.now());
        if (b.beat) {
            ++beats;
            if (times) times->push_back(rig.now());
        }
    }
    return beats;
}

// Quiet, loud (meter 63), quiet, a small bump (meter 20), quiet, loud, quiet.
const std::vector<Pattern> kPattern = {{0, 200}, {127, 200}, {0, 200}, {40, 200},
                                       {0, 200}, {127, 200}, {0, 200}};

TEST(BeatDetection, LatchesAfterABeatAndReArmsOnASmallRise) {
    SoundRig rig;
    std::vector<uint32_t> times;
    EXPECT_EQ(countBeats(rig, kPattern, &times), 2);
    ASSERT_EQ(times.size(), 2u);
    EXPECT_EQ(times[0], 210u);
    EXPECT_EQ(times[1], 1010u);
    EXPECT_EQ(rig.sound.listen.lastBeatTime, 1010u);

    // Without the bump nothing re-arms the detector: the second loud stretch is no beat.
    SoundRig plain;
    EXPECT_EQ(countBeats(plain, {{0, 200}, {127, 200}, {0, 200}, {127, 200}, {0, 200}}, nullptr),
              1);
}

TEST(BeatDetection, SensitivityBounds) {
    SoundRig never;
    never.vs.set(vs::BeatSensitivity, 64);
    EXPECT_EQ(countBeats(never, kPattern, nullptr), 0);

    // S = 0: the first rise fires, then the detector stays latched until the next song start.
    SoundRig always;
    always.vs.set(vs::BeatSensitivity, 0);
    EXPECT_EQ(countBeats(always, kPattern, nullptr), 1);
    EXPECT_TRUE(always.sound.listen.beatLatched);
    EXPECT_EQ(countBeats(always, kPattern, nullptr), 1) << "song start re-arms it";
}

TEST(BeatDetection, ReturnsThePeakAndRestoresItsWindow) {
    SoundRig rig;
    rig.devices.setSamples(std::vector<uint8_t>(kCaptureRate, 128 + 127));
    rig.vs.setSwitch(vs::kSwitchVolume, true);
    rig.start();
    rig.advance(100);
    BeatReading b = detectBeat(rig.sound, rig.vs, rig.now());
    EXPECT_TRUE(b.beat);
    EXPECT_EQ(b.level, 63);
    EXPECT_EQ(rig.sound.listen.valleyLevel, 63);
    // Decisions fall on every 110 samples; the window end is that of the first reading at the
    // peak, the decision at 110.
    EXPECT_EQ(rig.sound.listen.windowEnd, 110u - 1);
}

TEST(BeatDetection, ARiseOfExactlyTheSensitivityIsNoBeat) {
    // Volume mode: a level of 2 x 52 reads 26, of 2 x 54 reads 27.
    for (int amp : {52, 54}) {
        SoundRig rig;
        rig.vs.set(vs::BeatSensitivity, 26);
        EXPECT_EQ(countBeats(rig, {{0, 200}, {amp, 200}, {0, 200}}, nullptr), amp == 52 ? 0 : 1)
            << "amplitude " << amp;
        EXPECT_EQ(rig.sound.listen.beatLatched, amp == 54);
    }
}

TEST(BeatDetection, OneDecisionPer10MsOfSoundWhateverTheTickRate) {
    // The pattern of the latch test, taken in ticks of 1, 7 and 16 ms: the same beats, each in
    // the first tick that sees the sound of its decision. One late tick at 900 ms catches up
    // in order: the loud stretch fires, then the small bump re-arms.
    std::vector<uint8_t> feed;
    for (Pattern p : kPattern)
        feed.insert(feed.end(), size_t(p.ms) * kCaptureRate / 1000, uint8_t(128 + p.amp));
    for (uint32_t step : {1u, 7u, 16u, 900u}) {
        SoundRig rig;
        rig.devices.setSamples(feed);
        rig.vs.setSwitch(vs::kSwitchVolume, true);
        rig.start();
        std::vector<uint32_t> times;
        int beats = 0;
        for (uint32_t t = 0; t < (step == 900 ? 900u : 1400u); t += step) {
            rig.advance(step);
            if (detectBeat(rig.sound, rig.vs, rig.now()).beat) {
                ++beats;
                times.push_back(rig.now());
            }
        }
        if (step == 900) {
            EXPECT_EQ(beats, 1);
            EXPECT_FALSE(rig.sound.listen.beatLatched) << "the small bump re-armed it";
            continue;
        }
        ASSERT_EQ(beats, 2) << "step " << step;
        // The loud stretches start at 200 and 1000 ms; the first decision on loud sound is at
        // the first 110-sample boundary after it, which the tick reaches within one step.
        EXPECT_GE(times[0], 200u);
        EXPECT_LT(times[0], 210u + step) << "step " << step;
        EXPECT_GE(times[1], 1000u);
        EXPECT_LT(times[1], 1010u + step) << "step " << step;
    }
}

}  // namespace
}  // namespace korel::test
