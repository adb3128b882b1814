// Listening through the sound server: records a private null sink's monitor while a tone is
// played into it. Skipped when no sound server can be reached.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "platform/files.h"
#include "platform/pulse/pulse_sound.h"
#include "sound_fixture.h"

extern char** environ;

namespace korel::test {
namespace {

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[256];
        while (::fgets(buf, sizeof buf, p)) out += buf;
        ::pclose(p);
    }
    return out;
}

Bytes toneWav(double hz, double seconds) {
    const std::vector<uint8_t> samples = tone(hz, 120, seconds);
    ByteWriter w;
    auto tag = [&](const char* t) {
        w.bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(t), 4));
    };
    tag("RIFF");
    w.le32(uint32_t(36 + samples.size()));
    tag("WAVE");
    tag("fmt ");
    w.le32(16);
    w.le16(1);
    w.le16(1);
    w.le32(kCaptureRate);
    w.le32(kCaptureRate);
    w.le16(1);
    w.le16(8);
    tag("data");
    w.le32(uint32_t(samples.size()));
    w.bytes(samples);
    return w.data();
}

uint32_t msNow() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TEST(Pulse, HearsAToneThroughANullSinkMonitor) {
    PulseSoundInput input;
    if (!input.connected()) GTEST_SKIP() << "no sound server";
    const std::string module =
        run("pactl load-module module-null-sink sink_name=korel_listen_test "
            "sink_properties=device.description=KorelListenTest 2>/dev/null");
    if (module.empty()) GTEST_SKIP() << "pactl cannot load a null sink";
    struct Unload {
        std::string id;
        ~Unload() { run("pactl unload-module " + id); }
    } unload{module.substr(0, module.find('\n'))};

    TestServices services;
    Sound sound(Edition::LIVE, &input);
    ASSERT_TRUE(setUpSound(sound, services)) << sound.fatalFailure;
    EXPECT_TRUE(services.alerts.empty()) << services.alerts.front();
    // The monitor's long name is too long; its short name carries the source index.
    const std::string index =
        run("pactl list short sources | awk '$2 == \"korel_listen_test.monitor\" {print $1}'");
    const std::string wanted = "Wave Out " + index.substr(0, index.find('\n'));
    int channel = -1;
    for (int i = 0; i < sound.devices.channelCount; ++i) {
        if (sound.devices.channels[size_t(i)].name == wanted) channel = i;
    }
    ASSERT_GE(channel, 0) << wanted;
    EXPECT_EQ(sound.devices.channels[size_t(channel)].type, LineType::WaveOutput);
    chooseInputChannel(sound, services, uint8_t(channel));
    EXPECT_TRUE(services.alerts.empty()) << services.alerts.front();
    EXPECT_EQ(sound.devices.externalChannel, channel);

    const std::string wav = services.dataFolder() + "/tone.wav";
    ASSERT_EQ(writeFileReplacing(wav, toneWav(72, 8)), 0);
    VisualState vs = defaultVisualState();
    startCapture(sound);
    listenSongStart(sound.listen);
    const uint32_t start = msNow();
    std::string device = "--device=korel_listen_test";
    char* argv[] = {const_cast<char*>("paplay"), device.data(), const_cast<char*>(wav.c_str()),
                    nullptr};
    pid_t player = 0;
    ASSERT_EQ(::posix_spawnp(&player, "paplay", nullptr, nullptr, argv, environ), 0);
    // An idle null sink renders in long blocks; wait until the playing tone flows.
    while (capturePosition(sound) == 0 && msNow() - start < 5000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const uint32_t from = msNow();
    const uint32_t first = capturePosition(sound);
    int loudest = 0;
    while (msNow() - from < 2000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        loudest = std::max<int>(loudest, detectBeat(sound, vs, msNow() - start).level);
    }
    const uint32_t recorded = capturePosition(sound) - first;
    ::kill(player, SIGTERM);
    ::waitpid(player, nullptr, 0);
    stopCapture(sound);
    closeSound(sound);
    EXPECT_EQ(loudest, 64) << "the tone at the listening frequency fills the meter";
    EXPECT_GT(recorded, 3u * kCaptureRate / 2) << "about two seconds recorded";
    EXPECT_LT(recorded, 5u * kCaptureRate / 2);
}

// A module loaded for one test (a private null sink, described by its name, unless no name is
// given), unloaded at the end.
struct NullSink {
    std::string module;
    explicit NullSink(const std::string& name) {
        if (name.empty()) return;
        module = run("pactl load-module module-null-sink sink_name=" + name +
                     " sink_properties=device.description=" + name + " 2>/dev/null");
        module = module.substr(0, module.find('\n'));
    }
    ~NullSink() {
        if (!module.empty()) run("pactl unload-module " + module);
    }
};

TEST(Pulse, AVolumeChangeMadeOutsideArrivesWithinHalfASecond) {
    PulseSoundInput input;
    if (!input.connected()) GTEST_SKIP() << "no sound server";
    // A sink of this test's own, so that other programs' sound stays as it is.
    NullSink sinkModule("korel_volume_test");
    if (sinkModule.module.empty()) GTEST_SKIP() << "pactl cannot load a null sink";
    TestServices services;
    Sound sound(Edition::MP3, &input);
    ASSERT_TRUE(setUpSound(sound, services)) << sound.fatalFailure;
    const std::vector<std::string> outputs = input.outputDevices();
    const auto own = std::find(outputs.begin(), outputs.end(), "korel_volume_test");
    ASSERT_NE(own, outputs.end());
    sound.devices.playbackMixer = unsigned(own - outputs.begin());
    run("pactl set-sink-volume korel_volume_test 100%");
    uint32_t start = msNow();
    while (sound.devices.outputVolume != 255 && msNow() - start < 2000) {
        followOutputVolume(sound, msNow());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(sound.devices.outputVolume, 255);
    const uint8_t wanted = 94;  // 37% of the full volume
    run("pactl set-sink-volume korel_volume_test 37%");
    start = msNow();
    while (sound.devices.outputVolume != wanted && msNow() - start < 2000) {
        followOutputVolume(sound, msNow());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const uint32_t took = msNow() - start;
    std::cout << "the outside change arrived after " << took << " ms\n";
    EXPECT_EQ(sound.devices.outputVolume, wanted);
    EXPECT_LT(took, 500u);
}

TEST(Pulse, AKilledCaptureIsSaidOnceAndListeningResumesOnTheSameChannel) {
    PulseSoundInput input;
    if (!input.connected()) GTEST_SKIP() << "no sound server";
    NullSink sinkModule("korel_loss_test");
    if (sinkModule.module.empty()) GTEST_SKIP() << "pactl cannot load a null sink";
    TestServices services;
    Sound sound(Edition::LIVE, &input);
    ASSERT_TRUE(setUpSound(sound, services)) << sound.fatalFailure;
    const std::string index =
        run("pactl list short sources | awk '$2 == \"korel_loss_test.monitor\" {print $1}'");
    const std::string wanted = "Wave Out " + index.substr(0, index.find('\n'));
    int channel = -1;
    for (int i = 0; i < sound.devices.channelCount; ++i) {
        if (sound.devices.channels[size_t(i)].name == wanted) channel = i;
    }
    ASSERT_GE(channel, 0) << wanted;
    chooseInputChannel(sound, services, uint8_t(channel));
    startCapture(sound);
    auto recordingFrom = [] {
        // "<stream> <source>" of this process's record stream (other programs may record too).
        return run("pactl list source-outputs | awk '/^Source Output #/ {s = substr($3, 2)} "
                   "/^\\tSource: / {src = $2} /application.process.id = \"" +
                   std::to_string(::getpid()) + "\"/ {print s, src}'");
    };
    const std::string stream = recordingFrom();
    ASSERT_FALSE(stream.empty());
    ASSERT_EQ(stream.substr(stream.find(' ') + 1, index.size() - 1), index.substr(0, index.size() - 1));

    // The server ends the stream as when its source fails (pacmd talks to the server's command
    // line, which is loaded for the occasion).
    NullSink cli("");
    cli.module = run("pactl load-module module-cli-protocol-unix 2>/dev/null");
    cli.module = cli.module.substr(0, cli.module.find('\n'));
    run("pacmd kill-source-output " + stream.substr(0, stream.find(' ')) + " >/dev/null 2>&1");
    if (recordingFrom() == stream) GTEST_SKIP() << "the server cannot end a stream";
    // The watch notices the loss on its next tick and, the server being there, reopens at once.
    const uint32_t start = msNow();
    while (msNow() - start < 3000 && !(!services.alerts.empty() && sound.devices.inputOpen)) {
        watchSoundServer(sound, services, msNow());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(sound.devices.inputOpen) << "reopened";
    EXPECT_EQ(services.alerts, std::vector<std::string>{
                                   "Unable to open sound input device! Close any applications "
                                   "that may be recording."});
    EXPECT_TRUE(sound.fatalFailure.empty());
    // Recording again, from the remembered channel.
    const std::string again = recordingFrom();
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(again.substr(again.find(' ') + 1, index.size() - 1), index.substr(0, index.size() - 1));
    EXPECT_TRUE(sound.devices.capturing.load());

    // And the new stream carries the sound played into the sink.
    const std::string wav = services.dataFolder() + "/tone.wav";
    ASSERT_EQ(writeFileReplacing(wav, toneWav(72, 4)), 0);
    std::string device = "--device=korel_loss_test";
    char* argv[] = {const_cast<char*>("paplay"), device.data(), const_cast<char*>(wav.c_str()),
                    nullptr};
    pid_t player = 0;
    ASSERT_EQ(::posix_spawnp(&player, "paplay", nullptr, nullptr, argv, environ), 0);
    VisualState vs = defaultVisualState();
    listenSongStart(sound.listen);
    const uint32_t from = msNow();
    const uint32_t first = capturePosition(sound);
    int loudest = 0;
    while (msNow() - from < 2500 && loudest < 64) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        loudest = std::max<int>(loudest, detectBeat(sound, vs, msNow() - from).level);
    }
    EXPECT_GT(capturePosition(sound), first);
    EXPECT_EQ(loudest, 64);
    ::kill(player, SIGTERM);
    ::waitpid(player, nullptr, 0);
    stopCapture(sound);
    closeSound(sound);
}

}  // namespace
}  // namespace korel::test
