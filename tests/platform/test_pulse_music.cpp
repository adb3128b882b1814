// The desktop playback graph against the sound server: heard on a private null sink, position
// and pause, the stream's names, and no server at all. Skipped when no server can be reached.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "music_fixture.h"
#include "platform/pulse/pulse_music.h"

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

std::string firstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

// Waits up to `ms` for `done`.
template <typename Done>
bool within(int ms, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

struct NullSink {
    std::string module;
    explicit NullSink(const std::string& name) {
        if (name.empty()) return;
        module = firstLine(run("pactl load-module module-null-sink sink_name=" + name + " 2>/dev/null"));
    }
    ~NullSink() {
        if (!module.empty()) run("pactl unload-module " + module);
    }
};

// This process's playback stream: "<index> <application name>|<media name>".
std::string ownSinkInput() {
    return firstLine(run(
        "pactl list sink-inputs | awk '/^Sink Input #/ {s = substr($3, 2)} "
        "/application.name = / {a = $3} /media.name = / {m = $3} "
        "/application.process.id = \"" + std::to_string(::getpid()) + "\"/ {p = 1} "
        "/^$/ {if (p) print s, a \"|\" m; p = 0} END {if (p) print s, a \"|\" m}' | tr -d '\"'"));
}

// Records the monitor of `sink` as raw 16-bit mono into `path` until stopped.
struct Recorder {
    pid_t pid = 0;
    Recorder(const std::string& sink, const std::string& path) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::string device = "--device=" + sink + ".monitor";
        char* argv[] = {const_cast<char*>("parec"), device.data(), const_cast<char*>("--raw"),
                        const_cast<char*>("--format=s16le"), const_cast<char*>("--channels=1"),
                        const_cast<char*>("--rate=44100"), nullptr};
        if (::posix_spawnp(&pid, "parec", &actions, nullptr, argv, environ) != 0) pid = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    void stop() {
        if (pid <= 0) return;
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        pid = 0;
    }
    ~Recorder() { stop(); }
};

std::string toneFile(const TempFolder& folder) {
    std::vector<double> v(44100 * 2 * 4);
    for (size_t f = 0; f < v.size() / 2; ++f)
        v[2 * f] = v[2 * f + 1] = 0.5 * std::sin(2 * M_PI * 440 * double(f) / 44100);
    return folder.write("tone.wav", wavBytes(44100, 2, WavKind::Pcm16, v));
}

TEST(PulseMusic, WithoutAServerOpenFailsAtOnceWithItsReason) {
    TempFolder folder;
    const std::string path = toneFile(folder);
    const char* was = std::getenv("PULSE_SERVER");
    const std::string saved = was ? was : "";
    ::setenv("PULSE_SERVER", ("unix:" + folder.path + "/no-server").c_str(), 1);
    PulseMusicGraph graph;
    GraphFailure failure;
    EXPECT_FALSE(graph.open(path, failure));
    EXPECT_EQ(failure.tag, "CI");
    EXPECT_NE(failure.reason.find("sound server"), std::string::npos) << failure.reason;
    EXPECT_FALSE(graph.isOpen());
    EXPECT_FALSE(graph.run());
    // A file that cannot be read says so before the server is asked.
    EXPECT_FALSE(graph.open(folder.path + "/missing.wav", failure));
    EXPECT_EQ(failure.tag, "RF");
    if (was) {
        ::setenv("PULSE_SERVER", saved.c_str(), 1);
    } else {
        ::unsetenv("PULSE_SERVER");
    }
}

TEST(PulseMusic, PlaysIntoTheServerWhereTheMonitorHearsIt) {
    TempFolder folder;
    const std::string path = toneFile(folder);
    PulseMusicGraph graph;
    NoticeLog log;
    graph.setTapClient(&log);
    GraphFailure failure;
    if (!graph.open(path, failure)) GTEST_SKIP() << "no sound server: " << failure.reason;
    NullSink sink("korel_graph_test");
    if (sink.module.empty()) GTEST_SKIP() << "pactl cannot load a null sink";
    EXPECT_DOUBLE_EQ(graph.duration(), 4.0);

    const std::string input = ownSinkInput();
    ASSERT_FALSE(input.empty());
    EXPECT_EQ(input.substr(input.find(' ') + 1), "Korel|tone.wav");
    run("pactl move-sink-input " + input.substr(0, input.find(' ')) + " korel_graph_test");
    const std::string recording = folder.path + "/heard.raw";
    Recorder recorder("korel_graph_test", recording);
    ASSERT_GT(recorder.pid, 0) << "parec";

    double at = -1;
    ASSERT_TRUE(graph.position(at));
    EXPECT_EQ(at, 0.0);
    ASSERT_TRUE(graph.run());
    EXPECT_EQ(graph.state(), GraphState::Running);
    ASSERT_TRUE(within(5000, [&] { return graph.position(at) && at > 0.3; })) << at;
    // The position keeps pace with the clock (loosely: the machine is shared).
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    double later = 0;
    graph.position(later);
    EXPECT_NEAR(later - at, 1.0, 0.3);
    ASSERT_TRUE(graph.pause());
    EXPECT_EQ(graph.state(), GraphState::Paused);
    double paused = 0;
    graph.position(paused);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    graph.position(at);
    EXPECT_NEAR(at, paused, 0.005) << "pause holds the position";
    EXPECT_GT(paused, 0.9);
    recorder.stop();

    // The tap saw the stream: a format notice, then data, and samples at the level of the tone.
    const std::vector<TapNotice> notices = log.take();
    ASSERT_GE(notices.size(), 2u);
    EXPECT_EQ(notices[0][0], 0u);
    EXPECT_EQ(notices[0][1], 44100u);
    EXPECT_EQ(notices[0][2], 2u | 2u << 16);
    EXPECT_NE(notices[1][0], 0u);
    std::vector<double> s(kTapRequestSamples);
    graph.requestSamples(int64_t(paused * 1e7) - 2'000'000, s.data());
    double loudest = 0;
    for (double v : s) loudest = std::max(loudest, std::abs(v));
    EXPECT_NEAR(loudest, 64.0, 1.0);

    // The monitor heard the tone.
    Bytes heard;
    readWholeFile(recording, heard);
    int peak = 0;
    for (size_t i = 0; i + 1 < heard.size(); i += 2)
        peak = std::max(peak, std::abs(int(int16_t(heard[i] | heard[i + 1] << 8))));
    EXPECT_GT(heard.size(), 44100u) << "about a second recorded";
    EXPECT_GT(peak, 8000) << "the tone reached the sink";

    // Seek lands where asked; the tap's stream time starts again there.
    ASSERT_TRUE(graph.seek(3.0));
    graph.resetTap();
    graph.position(at);
    EXPECT_NEAR(at, 3.0, 0.01);
    ASSERT_TRUE(graph.run());
    ASSERT_TRUE(within(3000, [&] { return graph.position(at) && at > 3.2; })) << at;
    EXPECT_LT(at, 3.9);
    ASSERT_TRUE(graph.stop());
    graph.close();
    EXPECT_FALSE(graph.isOpen());
}

TEST(PulseMusic, AStreamTheServerEndsLeavesTheClockRunning) {
    TempFolder folder;
    const std::string path = toneFile(folder);
    PulseMusicGraph graph;
    GraphFailure failure;
    if (!graph.open(path, failure)) GTEST_SKIP() << "no sound server: " << failure.reason;
    NullSink sink("korel_graph_kill");
    if (sink.module.empty()) GTEST_SKIP() << "pactl cannot load a null sink";
    const std::string input = ownSinkInput();
    ASSERT_FALSE(input.empty());
    run("pactl move-sink-input " + input.substr(0, input.find(' ')) + " korel_graph_kill");
    ASSERT_TRUE(graph.run());
    double at = 0;
    ASSERT_TRUE(within(5000, [&] { return graph.position(at) && at > 0.3; }));
    // The server's command line ends the stream (loaded for the occasion).
    NullSink cli("");
    cli.module = firstLine(run("pactl load-module module-cli-protocol-unix 2>/dev/null"));
    run("pacmd kill-sink-input " + input.substr(0, input.find(' ')) + " >/dev/null 2>&1");
    if (!within(2000, [&] { return ownSinkInput().empty(); }))
        GTEST_SKIP() << "the server cannot end a stream";
    graph.position(at);
    double later = 0;
    ASSERT_TRUE(within(3000, [&] { return graph.position(later) && later > at + 0.3; }))
        << "the position counts on by the clock";
    EXPECT_FALSE(graph.pause()) << "the output is gone";
    EXPECT_EQ(graph.state(), GraphState::Paused);
    graph.close();
    // The next open makes a new stream.
    ASSERT_TRUE(graph.open(path, failure)) << failure.reason;
    EXPECT_TRUE(graph.run());
}

}  // namespace
}  // namespace korel::test
