// Devices, input channels, selection, the active-sound search and the output volume.
#include <gtest/gtest.h>

#include <algorithm>

#include "sound_fixture.h"

namespace korel::test {
namespace {

bool logged(const HeadlessSound& d, const std::string& entry) {
    return std::find(d.log.begin(), d.log.end(), entry) != d.log.end();
}

// Mixer order: microphone, line, CD, what-you-hear, a second line with a long name, synth.
void addStudioLines(HeadlessSound& d) {
    d.addLine("Microphone", LineType::Microphone);
    d.addLine("Line In", LineType::Line);
    d.addLine("CD Audio", LineType::CompactDisc);
    d.addLine("Stereo Mix", LineType::WaveOutput);
    d.addLine("Rear Panel Line Input", LineType::Line, "Rear Line");
    d.addLine("Synth", LineType::Synthesizer);
}

TEST(Channels, ListedByTypeWithShortNamesForLongOnes) {
    for (Edition e : {Edition::CD, Edition::LIVE}) {
        SoundRig rig(e);
        addStudioLines(rig.devices);
        ASSERT_TRUE(setUpSound(rig.sound, rig.services));
        const SoundDevices& d = rig.sound.devices;
        ASSERT_EQ(d.channelCount, 6);
        const char* names[] = {"CD Audio",   "Line In",    "Rear Line",
                               "Stereo Mix", "Microphone", "Synth"};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(d.channels[size_t(i)].name, names[i]);
        EXPECT_EQ(d.channels[3].type, LineType::WaveOutput);
        if (e == Edition::CD) {
            EXPECT_EQ(d.cdChannel, 0);
            EXPECT_EQ(d.externalChannel, 4) << "the first microphone";
        } else {
            EXPECT_EQ(d.cdChannel, kNoChannel);
            EXPECT_EQ(d.externalChannel, 5) << "the last channel";
        }
        EXPECT_EQ(d.currentChannel, d.externalChannel) << "selected last";
        EXPECT_TRUE(rig.services.alerts.empty());
    }
}

TEST(Channels, SelectionMatchesByTypeOrNameUnmutesAndSetsFullVolume) {
    SoundRig rig;
    addStudioLines(rig.devices);
    // The playback side names its CD line differently: a unique type matches by type.
    rig.devices.playbackLines[2].line.name = "CD Player";
    rig.devices.playbackLines[4].muted = false;
    ASSERT_TRUE(setUpSound(rig.sound, rig.services));
    rig.devices.log.clear();

    // "Rear Line" shares its type with "Line In": matched by name (mixer line 4).
    ASSERT_TRUE(selectInputChannel(rig.sound, 2));
    const std::vector<std::string> expected = {"playback 4 mute 1", "playback 4 mute 0",
                                               "selector 4", "recording 4 volume 65535",
                                               "recording 4 mute 0"};
    EXPECT_EQ(rig.devices.log, expected) << "an unmuted line is muted first";
    EXPECT_TRUE(selectInputChannel(rig.sound, 0)) << "CD by type";
    EXPECT_TRUE(logged(rig.devices, "selector 2"));

    // A multiple-select control keeps the other items.
    rig.devices.multipleSelect = true;
    ASSERT_TRUE(selectInputChannel(rig.sound, 1));
    EXPECT_EQ(rig.devices.log.back(), "recording 1 mute 0");
    EXPECT_TRUE(logged(rig.devices, "selector 1 2"));
}

TEST(Channels, ChoiceThatCannotBeSelectedAlertsAndRemembersNothing) {
    SoundRig rig(Edition::CD);
    addStudioLines(rig.devices);
    rig.devices.playbackLines.erase(rig.devices.playbackLines.begin());  // no microphone there
    ASSERT_TRUE(setUpSound(rig.sound, rig.services));
    EXPECT_EQ(rig.sound.devices.externalChannel, 4);
    chooseInputChannel(rig.sound, rig.services, 4);
    EXPECT_EQ(rig.services.alerts, std::vector<std::string>{"Can't record from that channel!"});
    EXPECT_EQ(rig.sound.devices.externalChannel, 4);
    chooseInputChannel(rig.sound, rig.services, 3);
    EXPECT_EQ(rig.sound.devices.externalChannel, 3);
    rig.sound.devices.musicFromCd = true;
    chooseInputChannel(rig.sound, rig.services, 1);
    EXPECT_EQ(rig.sound.devices.cdChannel, 1);
    EXPECT_EQ(rig.services.alerts.size(), 1u);
    EXPECT_FALSE(selectInputChannel(rig.sound, 16)) << "no such channel";
}

TEST(Channels, FatalFailuresAndInputsThatCannotOpen) {
    struct Case {
        void (*script)(HeadlessSound&);
        Edition edition;
        const char* fatal;
    };
    const Case cases[] = {
        {[](HeadlessSound& d) { d.outputs.clear(); }, Edition::LIVE, "NoSoundMixers"},
        {[](HeadlessSound& d) { d.outputs.clear(); }, Edition::MP3, "NoSoundMixers"},
        {[](HeadlessSound& d) { d.inputs.clear(); }, Edition::CD, "WaveInGetNumDevs"},
        {[](HeadlessSound& d) { d.inputs.clear(); }, Edition::MP3, ""},
        {[](HeadlessSound& d) { d.recordingMixerMissing = true; }, Edition::LIVE, "MixerInputs"},
        {[](HeadlessSound& d) { d.recordingDestinationError = 7; }, Edition::LIVE,
         "AudioLineInfo:7"},
        {[](HeadlessSound& d) { d.playbackMixerMissing = true; }, Edition::LIVE, "MixerOutChannel"},
    };
    for (const Case& c : cases) {
        SoundRig rig(c.edition);
        addStudioLines(rig.devices);
        c.script(rig.devices);
        EXPECT_EQ(setUpSound(rig.sound, rig.services), *c.fatal == 0) << c.fatal;
        EXPECT_EQ(rig.sound.fatalFailure, c.fatal);
    }

    // A refused format or a busy device: the alert, and the program runs on without input.
    const std::pair<CaptureOpen, const char*> opens[] = {
        {CaptureOpen::FormatRejected,
         "Sound device not supported! Try selecting a different sound recording device in "
         "Windows and restart Korel."},
        {CaptureOpen::Failed,
         "Unable to open sound input device! Close any applications that may be recording."}};
    for (auto [result, text] : opens) {
        SoundRig rig;
        addStudioLines(rig.devices);
        rig.devices.openResult = result;
        rig.devices.setSamples(tone(72, 100, 2));
        rig.start();
        EXPECT_TRUE(rig.sound.fatalFailure.empty());
        EXPECT_EQ(rig.services.alerts, std::vector<std::string>{text});
        EXPECT_FALSE(rig.sound.devices.inputOpen);
        rig.advance(500);
        EXPECT_EQ(detectBeat(rig.sound, rig.vs, rig.now()).level, 0);
    }
}

TEST(Devices, PreferredDeviceAndOutputVolume) {
    struct Case {
        std::vector<std::string> names;
        std::string preferred;
        unsigned chosen;
    };
    for (const Case& c : {Case{{"A", "B", "C"}, "C", 2}, Case{{"A", "B", "C"}, "c", 0},
                          Case{{"A", "B"}, "", 0}, Case{{"Only"}, "Other", 0}}) {
        SoundRig rig;
        addStudioLines(rig.devices);
        rig.devices.outputs = rig.devices.inputs = c.names;
        rig.devices.preferredOutput = rig.devices.preferredInput = c.preferred;
        ASSERT_TRUE(setUpSound(rig.sound, rig.services));
        EXPECT_EQ(rig.sound.devices.playbackDevice, c.chosen);
        EXPECT_EQ(rig.sound.devices.recordDevice, c.chosen);
    }

    SoundRig rig;
    addStudioLines(rig.devices);
    rig.devices.speakerVolume = 50000;
    ASSERT_TRUE(setUpSound(rig.sound, rig.services));
    EXPECT_EQ(rig.sound.devices.outputVolume, 194);
    EXPECT_EQ(rig.devices.speakerVolume, 194 * 257) << "written back as read";
    rig.devices.speakerVolume = 100 * 257;
    EXPECT_TRUE(readOutputVolume(rig.sound));
    EXPECT_FALSE(readOutputVolume(rig.sound));
    EXPECT_EQ(rig.sound.devices.outputVolume, 100);
    setOutputVolume(rig.sound, 255);
    EXPECT_EQ(rig.devices.speakerVolume, 65535);
    rig.devices.speakerVolumeFails = true;
    EXPECT_FALSE(readOutputVolume(rig.sound));
    EXPECT_EQ(rig.sound.devices.outputVolume, 100);
    setOutputVolume(rig.sound, 0);
    EXPECT_TRUE(rig.sound.fatalFailure.empty());
}

// A search rig: line in, what-you-hear and a microphone (selected at start, the last channel).
struct SearchRig : SoundRig {
    explicit SearchRig(Edition e = Edition::LIVE) : SoundRig(e) {
        devices.addLine("Microphone", LineType::Microphone);
        devices.addLine("Line In", LineType::Line);
        devices.addLine("Stereo Mix", LineType::WaveOutput);
    }
    // Runs the frame tick's analysis every 10 ms and a search step every half second.
    void run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 10) {
            advance(10);
            analyseSound(sound, vs, now());
            if (now() % 500 == 0 && sound.devices.searchChannel != kNoSearch) {
                searchStep(sound, services, now());
            }
        }
    }
    bool searching() const { return sound.devices.searchChannel != kNoSearch; }
};

TEST(Search, AutomaticSearchThatHearsSoundWithinFourSecondsEndsSilently) {
    SearchRig rig(Edition::CD);
    rig.devices.setSamples(tone(72, 40, 10));
    rig.start();
    rig.sound.devices.searchArmed = true;
    cdStarted(rig.sound);
    EXPECT_FALSE(rig.sound.devices.searchArmed);
    EXPECT_TRUE(rig.searching());
    rig.run(500);
    EXPECT_FALSE(rig.searching());
    EXPECT_TRUE(rig.services.alerts.empty());
}

TEST(Search, SuccessOnTheCurrentChannelIsReportedOnlyToTheUser) {
    // Silence for the automatic search's first 4 seconds, then sound on the selected channel.
    std::vector<uint8_t> lateSound(size_t(3.8 * kCaptureRate), 128);
    const std::vector<uint8_t> t = tone(72, 40, 3);
    lateSound.insert(lateSound.end(), t.begin(), t.end());
    SearchRig automatic(Edition::CD);
    automatic.devices.setSamples(lateSound);
    automatic.start();
    automatic.sound.devices.searchArmed = true;
    cdStarted(automatic.sound);
    automatic.run(4000);
    EXPECT_FALSE(automatic.searching());
    EXPECT_EQ(automatic.sound.devices.currentChannel, 2);
    EXPECT_TRUE(automatic.services.alerts.empty());

    SearchRig rig;
    rig.devices.setSamples(tone(72, 40, 3));
    rig.start();
    startSearch(rig.sound, rig.services, true);
    rig.run(500);
    EXPECT_EQ(rig.services.alerts, std::vector<std::string>{"Sound was successfully located."});
    EXPECT_FALSE(rig.sound.devices.inputPanelChanged);
}

TEST(Search, SwitchesChannelsUntilOneCarriesSound) {
    for (bool user : {true, false}) {
        SearchRig rig(user ? Edition::LIVE : Edition::CD);
        rig.devices.setSamples(tone(72, 40, 10));
        rig.devices.liveLine = 2;  // only "Stereo Mix" carries sound
        rig.start();
        if (user) {
            startSearch(rig.sound, rig.services, true);
        } else {
            rig.sound.devices.searchArmed = true;
            cdStarted(rig.sound);
            rig.run(3500);  // the automatic search waits 4 seconds first
        }
        rig.run(500);
        EXPECT_EQ(rig.sound.devices.currentChannel, 0) << "Line In";
        rig.run(500);
        EXPECT_EQ(rig.sound.devices.currentChannel, 1) << "Stereo Mix";
        rig.run(500);
        EXPECT_FALSE(rig.searching());
        EXPECT_EQ(rig.sound.devices.externalChannel, 1);
        EXPECT_TRUE(rig.sound.devices.inputPanelChanged);
        EXPECT_EQ(rig.services.alerts,
                  std::vector<std::string>{user ? "Sound was successfully located."
                                                : "Current sound channel inactive! However, "
                                                  "program successfully located active sound "
                                                  "channel."});
    }
}

TEST(Search, SkipsAChannelThatCannotBeSelectedAndFallsBackWhenNoneHasSound) {
    SearchRig rig;
    rig.devices.setSamples(tone(72, 40, 10));
    rig.devices.liveLine = 99;                   // silence everywhere
    rig.devices.recordingLines[1].fails = true;  // "Line In"
    rig.start();
    startSearch(rig.sound, rig.services, true);
    rig.run(500);
    EXPECT_EQ(rig.sound.devices.currentChannel, 1) << "channel 0 skipped at once";
    EXPECT_TRUE(rig.searching());
    rig.run(1000);
    EXPECT_FALSE(rig.searching());
    EXPECT_EQ(rig.services.alerts,
              std::vector<std::string>{"Unable to find active sound channel! Try clicking the "
                                       "\"Search\" button in the Sound Input panel."});
    EXPECT_EQ(rig.sound.devices.currentChannel, 2) << "the remembered channel again";

    startSearch(rig.sound, rig.services, false);
    EXPECT_EQ(rig.services.alerts.back(), "Search does not work unless playing is turned on!");
    EXPECT_FALSE(rig.searching());
}

}  // namespace
}  // namespace korel::test
