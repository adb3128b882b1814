// The sound server going away and coming back: start-up without one, a loss while listening,
// reconnection at most once a second, the remembered channel and capture resuming, and the
// background volume poll.
#include <gtest/gtest.h>

#include <algorithm>

#include "sound_fixture.h"

namespace korel::test {
namespace {

const std::string kInputAlert =
    "Unable to open sound input device! Close any applications that may be recording.";

// Line in, what-you-hear and a microphone (channels in that order). The feed, a steady tone at
// the listening frequency, is heard only through `audible` (a mixer line).
struct ServerRig : SoundRig {
    explicit ServerRig(int audible, Edition e = Edition::LIVE) : SoundRig(e) {
        devices.addLine("Line In", LineType::Line);
        devices.addLine("Stereo Mix", LineType::WaveOutput);
        devices.addLine("Microphone", LineType::Microphone);
        devices.liveLine = audible;
        devices.setSamples(tone(72, 100, 2), true);
    }
    // Runs `ms` of frame ticks 10 ms apart: the server watch, then the analysis when the input
    // is there. Returns the loudest beat meter level met.
    int run(uint32_t ms) {
        int loudest = 0;
        for (uint32_t t = 0; t < ms; t += 10) {
            advance(10);
            watchSoundServer(sound, services, now());
            if (soundAvailable(sound)) {
                loudest = std::max<int>(loudest, detectBeat(sound, vs, now()).level);
            }
        }
        return loudest;
    }
    // Runs until the input is open again; the milliseconds it took (or `limit`).
    uint32_t runUntilOpen(uint32_t limit) {
        uint32_t t = 0;
        while (!sound.devices.inputOpen && t < limit) {
            run(10);
            t += 10;
        }
        return t;
    }
    // No two reconnection attempts less than a second apart.
    bool triesSpaced() const {
        const auto& r = devices.reconnects;
        for (size_t i = 1; i < r.size(); ++i) {
            if (r[i] - r[i - 1] < 1000) return false;
        }
        return true;
    }
};

TEST(SoundServer, ALossIsReportedOnceAndListeningResumesOnTheRememberedChannel) {
    ServerRig rig(1);
    rig.start();
    chooseInputChannel(rig.sound, rig.services, 1);
    ASSERT_EQ(rig.sound.devices.externalChannel, 1);
    EXPECT_EQ(rig.run(500), 64) << "what-you-hear carries the tone";

    rig.devices.killServer();
    EXPECT_EQ(rig.run(3500), 0);
    EXPECT_EQ(rig.services.alerts, std::vector<std::string>{kInputAlert}) << "said once";
    EXPECT_FALSE(rig.sound.devices.inputOpen);
    EXPECT_TRUE(rig.triesSpaced());
    EXPECT_GE(rig.devices.reconnects.size(), 3u);
    EXPECT_LE(rig.devices.reconnects.size(), 4u);

    // Mixer calls while the server is away fail without ending the program.
    chooseInputChannel(rig.sound, rig.services, 0);
    EXPECT_TRUE(rig.sound.fatalFailure.empty());
    EXPECT_EQ(rig.services.alerts.back(), "Can't record from that channel!");
    EXPECT_EQ(rig.sound.devices.externalChannel, 1) << "the choice that failed is not kept";
    rig.services.alerts.clear();

    rig.devices.startServer();
    rig.devices.log.clear();
    EXPECT_LE(rig.runUntilOpen(2000), 1000u + rig.devices.connectMs + 10);
    EXPECT_TRUE(rig.devices.capturing());
    EXPECT_NE(std::find(rig.devices.log.begin(), rig.devices.log.end(), "selector 1"),
              rig.devices.log.end())
        << "the remembered channel is selected on the new server";
    EXPECT_EQ(rig.run(500), 64) << "listening resumed";
    EXPECT_TRUE(rig.services.alerts.empty());
    EXPECT_TRUE(rig.sound.fatalFailure.empty());

    // A second loss is a new loss: said again.
    rig.devices.killServer();
    rig.run(100);
    EXPECT_EQ(rig.services.alerts, std::vector<std::string>{kInputAlert});
}

TEST(SoundServer, NoServerAtStartIsNotAMissingSoundCard) {
    for (Edition e : {Edition::LIVE, Edition::CD, Edition::MP3}) {
        ServerRig rig(2, e);
        rig.devices.killServer();
        bool cdOpened = false;
        EXPECT_TRUE(setUpSound(rig.sound, rig.services, [&] { cdOpened = true; }));
        EXPECT_TRUE(rig.sound.fatalFailure.empty());
        EXPECT_FALSE(rig.sound.devices.inputOpen);
        EXPECT_EQ(cdOpened, e == Edition::CD) << "the drive does not need the server";
        if (e == Edition::MP3) {
            EXPECT_TRUE(rig.services.alerts.empty()) << "nothing to record in the MP3 edition";
            continue;
        }
        EXPECT_EQ(rig.services.alerts, std::vector<std::string>{kInputAlert});
        startCapture(rig.sound);
        listenSongStart(rig.sound.listen);
        EXPECT_EQ(rig.run(2500), 0);
        EXPECT_EQ(rig.services.alerts.size(), 1u);
        EXPECT_TRUE(rig.triesSpaced());

        // The server appears: the input opens, the last channel is selected and capture runs.
        rig.devices.startServer();
        EXPECT_LE(rig.runUntilOpen(2000), 1000u + rig.devices.connectMs + 10);
        EXPECT_EQ(rig.sound.devices.channelCount, 3);
        EXPECT_EQ(rig.sound.devices.externalChannel, 2);
        EXPECT_EQ(rig.run(500), 64);
        EXPECT_EQ(rig.services.alerts.size(), 1u);
    }

    // A server that answers without devices is still fatal.
    ServerRig rig(2);
    rig.devices.outputs.clear();
    EXPECT_FALSE(setUpSound(rig.sound, rig.services));
    EXPECT_EQ(rig.sound.fatalFailure, "NoSoundMixers");
}

TEST(SoundServer, StoppedMusicStaysStoppedWhenTheInputComesBack) {
    ServerRig rig(2);
    rig.start();
    rig.devices.killServer();
    rig.run(100);
    stopCapture(rig.sound);
    rig.devices.startServer();
    rig.runUntilOpen(2000);
    EXPECT_TRUE(rig.sound.devices.inputOpen);
    EXPECT_FALSE(rig.devices.capturing());
    startCapture(rig.sound);
    EXPECT_TRUE(rig.devices.capturing());
}

TEST(SoundServer, OutputVolumeIsPolledTwiceASecondAndReadAtOnceOnAReport) {
    ServerRig rig(2);
    rig.devices.speakerVolume = 50 * 257;
    rig.start();
    ASSERT_EQ(rig.sound.devices.outputVolume, 50);
    const uint32_t t = rig.now() + 1000;
    followOutputVolume(rig.sound, t);
    rig.devices.speakerVolume = 60 * 257;
    EXPECT_FALSE(followOutputVolume(rig.sound, t + 100));
    EXPECT_FALSE(followOutputVolume(rig.sound, t + 499));
    EXPECT_TRUE(followOutputVolume(rig.sound, t + 500));
    EXPECT_EQ(rig.sound.devices.outputVolume, 60);
    // A server that reports its changes is read on the next tick.
    rig.devices.speakerVolume = 70 * 257;
    ++rig.devices.changes;
    EXPECT_TRUE(followOutputVolume(rig.sound, t + 510));
    EXPECT_EQ(rig.sound.devices.outputVolume, 70);
    // Without a server nothing is read and nothing fails.
    rig.devices.killServer();
    EXPECT_FALSE(followOutputVolume(rig.sound, t + 2000));
    EXPECT_EQ(rig.sound.devices.outputVolume, 70);
}

}  // namespace
}  // namespace korel::test
