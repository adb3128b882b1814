// The desktop CD drives on disc images: the track table against libcdio's own reading of the
// sheet, opening failures, playing without a sound server, and (when a server answers) the disc
// heard on the default sink's monitor with the position following it; the CD edition's "CD"
// input line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/bytes.h"
#include "platform/cdio/cdio_drive.h"
#include "platform/files.h"
#include "platform/pulse/pulse_sound.h"
#include "support/disc_image.h"

extern char** environ;

namespace korel::test {
namespace {

struct Folder {
    std::string path;
    Folder() {
        char tmpl[] = "/tmp/korel-cdio-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~Folder() { std::filesystem::remove_all(path); }
};

template <typename Done>
bool within(int ms, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Points the sound client at no server for the scope.
struct NoServer {
    std::string saved;
    bool had = false;
    explicit NoServer(const std::string& folder) {
        const char* was = std::getenv("PULSE_SERVER");
        had = was != nullptr;
        saved = was ? was : "";
        ::setenv("PULSE_SERVER", ("unix:" + folder + "/no-server").c_str(), 1);
    }
    ~NoServer() {
        if (had)
            ::setenv("PULSE_SERVER", saved.c_str(), 1);
        else
            ::unsetenv("PULSE_SERVER");
    }
};

uint32_t at(CdDrive& d) {
    uint32_t f = 0;
    EXPECT_TRUE(d.position(f));
    return f;
}

TEST(CdioDrive, AnImageGivesTheTableLibcdioReadsFromIt) {
    Folder dir;
    DiscTrack pregapped{true, 3};
    pregapped.index0Frames = 40;
    const std::string cue =
        writeDiscImage(dir.path, "disc", {{false, 2}, {true, 3}, pregapped, {true, 1}});
    ASSERT_FALSE(cue.empty());
    CdImage image;
    std::string reason;
    ASSERT_TRUE(image.open(cue, reason)) << reason;

    // Our reader and libcdio's agree on every start, kind and the lead-out.
    std::vector<CdImageTrack> theirs;
    uint32_t leadOut = 0;
    ASSERT_TRUE(readCdioTable(cue, true, theirs, leadOut, reason)) << reason;
    ASSERT_EQ(theirs.size(), image.tracks().size());
    for (size_t i = 0; i < theirs.size(); ++i) {
        EXPECT_EQ(theirs[i].start, image.tracks()[i].start) << i;
        EXPECT_EQ(theirs[i].length, image.tracks()[i].length) << i;
        EXPECT_EQ(theirs[i].audio, image.tracks()[i].audio) << i;
    }
    EXPECT_EQ(leadOut, image.leadOut());

    NoServer quiet(dir.path);
    CdioCdSystem system;
    auto drive = system.open(cue, reason);
    ASSERT_TRUE(drive) << reason;
    ASSERT_EQ(drive->trackCount(), 4);
    for (int t = 1; t <= 4; ++t) {
        uint32_t start = 0, length = 0;
        ASSERT_TRUE(drive->trackStart(t, start) && drive->trackLength(t, length));
        EXPECT_EQ(start, image.tracks()[size_t(t - 1)].start);
        EXPECT_EQ(length, image.tracks()[size_t(t - 1)].length);
        EXPECT_EQ(drive->trackIsAudio(t), image.tracks()[size_t(t - 1)].audio);
    }
    EXPECT_FALSE(drive->trackStart(5, leadOut));

    // The folder's images are offered after the devices; the door takes the image away.
    const auto list = system.drives(dir.path);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.back().path, cue);
    EXPECT_TRUE(list.back().image && list.back().mediaPresent);
    ASSERT_TRUE(drive->openDoor());
    EXPECT_FALSE(drive->mediaPresent());
    EXPECT_EQ(drive->trackCount(), 0);
    EXPECT_FALSE(drive->play());

    EXPECT_FALSE(system.open(dir.path + "/missing.cue", reason));
    EXPECT_EQ(reason, "no such disc image");
    EXPECT_FALSE(system.open(dir.path + "/no-such-drive", reason));
    EXPECT_EQ(reason, "no such drive");
}

TEST(CdioDrive, WithoutAServerPlayingMovesByTheClock) {
    Folder dir;
    const std::string cue = writeDiscImage(dir.path, "disc", {{true, 2}, {true, 2}});
    NoServer quiet(dir.path);
    CdioCdDrive drive;
    std::string reason;
    ASSERT_TRUE(drive.openPath(cue, reason)) << reason;
    EXPECT_FALSE(drive.audible());
    ASSERT_TRUE(drive.seek(300));
    EXPECT_EQ(at(drive), 300u);
    ASSERT_TRUE(drive.play());
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ASSERT_TRUE(drive.pause());
    const uint32_t paused = at(drive);
    EXPECT_GE(paused, 300u + 25);
    EXPECT_LE(paused, 300u + 75);  // loosely: the machine is shared
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(at(drive), paused);
    // Resumed, it runs to the end of the audio and stops there.
    ASSERT_TRUE(drive.play());
    EXPECT_TRUE(within(5000, [&] { return !drive.playing(); }));
    EXPECT_EQ(at(drive), 450u);
}

// Records the default sink's monitor as raw 16-bit mono at 44100 Hz into `path`.
struct Recorder {
    pid_t pid = 0;
    explicit Recorder(const std::string& path) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        char* argv[] = {const_cast<char*>("parec"),
                        const_cast<char*>("--device=@DEFAULT_MONITOR@"),
                        const_cast<char*>("--raw"),
                        const_cast<char*>("--format=s16le"),
                        const_cast<char*>("--channels=1"),
                        const_cast<char*>("--rate=44100"),
                        const_cast<char*>("--latency-msec=20"),
                        nullptr};
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

// The loudest sample of each 10 ms of a recording.
std::vector<int> peaks(const Bytes& raw) {
    std::vector<int> out;
    for (size_t i = 0; i + 882 <= raw.size(); i += 882) {
        int p = 0;
        for (size_t k = i; k < i + 882; k += 2)
            p = std::max(p, std::abs(int(int16_t(getLe16(&raw[k])))));
        out.push_back(p);
    }
    return out;
}

TEST(CdioDrive, PlaysIntoTheDefaultSinkWhereTheMonitorHearsIt) {
    Folder dir;
    // Loud kicks every quarter second: the music is unmistakable on the monitor.
    const std::string cue = writeDiscImage(dir.path, "disc", {{true, 2, 240}, {true, 6, 240}});
    CdioCdDrive drive;
    std::string reason;
    ASSERT_TRUE(drive.openPath(cue, reason)) << reason;
    if (!drive.audible()) GTEST_SKIP() << "no sound server";

    // The stream says whose it is and what it plays.
    std::string inputs;
    if (FILE* pipe = ::popen("pactl list sink-inputs", "r")) {
        char buf[256];
        while (::fgets(buf, sizeof buf, pipe)) inputs += buf;
        ::pclose(pipe);
    }
    EXPECT_NE(inputs.find("media.name = \"CD Audio\""), std::string::npos) << inputs;
    EXPECT_NE(inputs.find("application.name = \"Korel\""), std::string::npos);
    EXPECT_NE(inputs.find("application.icon_name = \"korel\""), std::string::npos);

    const std::string recording = dir.path + "/heard.raw";
    Recorder recorder(recording);
    ASSERT_GT(recorder.pid, 0) << "parec";
    // A third of a second of silence is recorded first.
    ASSERT_TRUE(within(5000, [&] {
        std::error_code ec;
        return std::filesystem::file_size(recording, ec) > 44100 * 2 / 3 && !ec;
    })) << "parec records nothing";
    ASSERT_TRUE(drive.seek(300));
    ASSERT_TRUE(drive.play());
    uint32_t f = 0;
    ASSERT_TRUE(within(5000, [&] { return drive.position(f) && f > 300 + 22; })) << f;
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const uint32_t later = at(drive);
    EXPECT_NEAR(double(later) - double(f), 75.0, 25.0) << "a second of frames a second";
    ASSERT_TRUE(drive.pause());
    const uint32_t paused = at(drive);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(at(drive), paused) << "pause holds the position";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    recorder.stop();

    Bytes heard;
    readWholeFile(recording, heard);
    const std::vector<int> p = peaks(heard);
    ASSERT_GT(p.size(), 100u) << "a second or more recorded";
    // Quiet before playing, kicks while playing, quiet again once paused.
    int kicks = 0, firstLoud = -1, lastLoud = -1;
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i] > 16000) {
            if (i == 0 || p[i - 1] <= 16000) ++kicks;
            if (firstLoud < 0) firstLoud = int(i);
            lastLoud = int(i);
        }
    }
    EXPECT_GE(kicks, 4) << "the kicks reached the sink, four a second";
    EXPECT_GT(firstLoud, 25) << "nothing before play";
    EXPECT_LT(lastLoud, int(p.size()) - 30) << "nothing after pause";

    // Stop drops what was buffered; play goes on from the held position.
    ASSERT_TRUE(drive.stop());
    EXPECT_EQ(at(drive), paused);
    ASSERT_TRUE(drive.play());
    ASSERT_TRUE(within(5000, [&] { return drive.position(f) && f > paused + 10; })) << f;
    EXPECT_LT(f, paused + 75);
    ASSERT_TRUE(drive.stop());
}

TEST(CdioDrive, TheCdEditionHearsTheDefaultSinkAsItsCdLine) {
    PulseSoundInput plain;
    if (!plain.connected()) GTEST_SKIP() << "no sound server";
    std::vector<MixerLine> lines;
    int error = 0;
    ASSERT_EQ(plain.destinationLines(MixerSide::Recording, 0, lines, error), MixerStatus::Ok);
    const auto named = [&](const std::string& name) {
        return std::find_if(lines.begin(), lines.end(),
                            [&](const MixerLine& l) { return l.name == name; });
    };
    EXPECT_EQ(named("CD"), lines.end());
    const size_t waveOutputs =
        size_t(std::count_if(lines.begin(), lines.end(),
                             [](const MixerLine& l) { return l.type == LineType::WaveOutput; }));
    ASSERT_GE(waveOutputs, 1u);

    PulseSoundInput cd(true);
    ASSERT_TRUE(cd.connected());
    ASSERT_EQ(cd.destinationLines(MixerSide::Recording, 0, lines, error), MixerStatus::Ok);
    auto line = named("CD");
    ASSERT_NE(line, lines.end());
    EXPECT_EQ(line->type, LineType::CompactDisc);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const MixerLine& l) { return l.type == LineType::WaveOutput; }),
              long(waveOutputs) - 1)
        << "only the default sink's monitor becomes the CD line";
    InputSelector selector;
    ASSERT_EQ(cd.inputSelector(0, selector), MixerStatus::Ok);
    EXPECT_NE(std::find(selector.items.begin(), selector.items.end(), "CD"), selector.items.end());
    cd.setCdChannel(false);
    ASSERT_EQ(cd.destinationLines(MixerSide::Recording, 0, lines, error), MixerStatus::Ok);
    EXPECT_EQ(named("CD"), lines.end());
}

}  // namespace
}  // namespace korel::test
