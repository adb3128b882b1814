// korel-render end to end: renders of the demo song read back through the video library and
// compared with the headless driver's show, kicks against flashes, raves, bad input, Ctrl-C.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "platform/files.h"
#include "platform/video/video_reader.h"
#include "render/render_session.h"
#include "shell/driver/driver.h"
#include "support/test_services.h"

extern char** environ;

namespace korel::test {
namespace {

const std::string kProgram = KOREL_RENDER_PROGRAM;
constexpr int kFps = 30;

std::string demoSong() {
    const std::string seed = KOREL_SEED_DIR;
    const std::string mp3 = seed + "/Music/Demo_Song.mp3";
    return fileExists(mp3) ? mp3 : seed + "/Music/Demo_Song.wav";
}

struct RenderRun {
    int code = -1;
    std::string messages;  // standard error
};

// Runs korel-render on the data folder `data` ($KOREL_PATH); paths must not hold a quote.
RenderRun render(const TempFolder& tmp, const std::string& data,
                 const std::vector<std::string>& args) {
    std::string command = "KOREL_PATH='" + data + "' '" + kProgram + "'";
    for (const std::string& a : args) command += " '" + a + "'";
    const std::string errors = tmp.file("stderr.txt");
    command += " </dev/null >/dev/null 2>'" + errors + "'";
    RenderRun run;
    const int status = std::system(command.c_str());
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    Bytes text;
    readWholeFile(errors, text);
    run.messages.assign(text.begin(), text.end());
    return run;
}

// The mean difference of two pictures per colour channel (0-255); 255 for different sizes.
double meanDifference(const std::vector<Rgb>& a, const std::vector<Rgb>& b) {
    if (a.size() != b.size() || a.empty()) return 255;
    uint64_t sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += uint64_t(std::abs(a[i].r - b[i].r) + std::abs(a[i].g - b[i].g) +
                        std::abs(a[i].b - b[i].b));
    return double(sum) / double(a.size() * 3);
}

// The picture's 8x8 blocks' mean colours: what a lossy codec keeps of it.
std::vector<Rgb> blockMeans(const std::vector<Rgb>& p, int width) {
    const int height = int(p.size()) / width;
    std::vector<Rgb> out;
    for (int by = 0; by + 8 <= height; by += 8)
        for (int bx = 0; bx + 8 <= width; bx += 8) {
            int r = 0, g = 0, b = 0;
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x) {
                    const Rgb& c = p[size_t(y * width + x)];
                    r += c.r, g += c.g, b += c.b;
                }
            out.push_back(Rgb{uint8_t(r / 64), uint8_t(g / 64), uint8_t(b / 64)});
        }
    return out;
}

std::vector<std::vector<Rgb>> frames(const std::string& path, int64_t first, int64_t count) {
    std::vector<std::vector<Rgb>> out;
    int w = 0, h = 0;
    std::string error;
    EXPECT_TRUE(decodeVideoFrames(path, first, count, out, w, h, error)) << error;
    return out;
}

// Runs the headless driver's script; its output.
std::string drive(const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out;
    runDriverScript(in, out, "render");
    return out.str();
}

// Keeps frame `wanted` as the render took it from the window.
class FrameCatcher : public RenderHooks {
  public:
    explicit FrameCatcher(int64_t wanted) : wanted_(wanted) {}
    void frameTaken(int64_t n, const std::vector<Rgb>& pixels) override {
        if (n == wanted_) caught = pixels;
    }
    std::vector<Rgb> caught;

  private:
    int64_t wanted_;
};

TEST(Render, TenSecondsOfTheDemoSongAreTheDriversShowWithTheSong) {
    TempFolder tmp;
    const std::string out = tmp.file("ten.mp4");
    const RenderRun run = render(tmp, tmp.file("data"),
                                 {demoSong(), "--size", "320x180", "--to", "10", "--quiet", "-o", out});
    ASSERT_EQ(run.code, 0) << run.messages;
    VideoFileInfo info;
    std::string error;
    ASSERT_TRUE(readVideoFileInfo(out, info, error)) << error;
    EXPECT_EQ(info.videoStreams, 1);
    EXPECT_EQ(info.audioStreams, 1);
    EXPECT_EQ(info.videoCodec, "h264");
    EXPECT_EQ(info.audioCodec, "aac");
    EXPECT_EQ(info.width, 320);
    EXPECT_EQ(info.height, 180);
    EXPECT_DOUBLE_EQ(info.fps, 30.0);
    EXPECT_EQ(info.videoFrames, 300);
    EXPECT_NEAR(info.audioSeconds, 10.0, 0.05);

    // A .webm name: VP9 and Opus.
    const std::string webm = tmp.file("one.webm");
    ASSERT_EQ(render(tmp, tmp.file("data"), {demoSong(), "--size", "320x180", "--to", "1", "--quiet",
                                             "-o", webm})
                  .code,
              0);
    VideoFileInfo web;
    ASSERT_TRUE(readVideoFileInfo(webm, web, error)) << error;
    EXPECT_EQ(web.videoCodec, "vp9");
    EXPECT_EQ(web.audioCodec, "opus");
    EXPECT_EQ(web.videoFrames, 30);
    EXPECT_NEAR(web.audioSeconds, 1.0, 0.05);

    // The driver plays the same song on a fresh data folder and looks at 5 s: frame 150.
    const std::string snap = tmp.file("snap.png");
    drive("edition mp3\nmonitor 320 180\ndata " + tmp.file("driver") +
          "\nstep 10\nstart H\nwait 5000\nsnapshot animation " + snap + "\nquit\n");
    std::vector<Rgb> shown;
    int w = 0, h = 0;
    ASSERT_TRUE(decodeVideoFrame(snap, 0, shown, w, h, error)) << error;
    ASSERT_EQ(w, 320);
    const auto around = frames(out, 147, 7);
    ASSERT_EQ(around.size(), 7u);
    // Lossy 4:2:0 video keeps the picture's 8x8 blocks, not its single pixels; the frame at
    // 5 s is the one nearest the snapshot.
    const double at = meanDifference(blockMeans(around[3], 320), blockMeans(shown, 320));
    EXPECT_LT(at, 2.5);
    for (size_t i : {0u, 1u, 5u, 6u})
        EXPECT_GT(meanDifference(blockMeans(around[i], 320), blockMeans(shown, 320)), at) << i;

    // Before encoding the frame is the snapshot, pixel for pixel, and a second render gives it
    // again.
    setenv("KOREL_PATH", tmp.file("data2").c_str(), 1);
    for (int pass = 0; pass < 2; ++pass) {
        RenderOptions o;
        o.song = demoSong();
        o.width = 320;
        o.height = 180;
        o.to = 5.1;
        o.output = tmp.file("again.mp4");
        FrameCatcher catcher(150);
        RenderReport report;
        ASSERT_EQ(renderSong(o, catcher, report, error, KOREL_SEED_DIR), kRenderDone) << error;
        EXPECT_EQ(report.frames, 153);
        EXPECT_TRUE(catcher.caught == shown) << "pass " << pass;
    }
}

TEST(Render, AKickAndTheFlashItCausesFallInTheSameFrame) {
    TempFolder tmp;
    const std::string out = tmp.file("kicks.mp4");
    // The demo song's kicks start at 8 s and come every 500 ms.
    const RenderRun run = render(tmp, tmp.file("data"), {demoSong(), "--size", "320x180", "--from", "7",
                                                         "--to", "11", "--quiet", "-o", out});
    ASSERT_EQ(run.code, 0) << run.messages;
    const auto pictures = frames(out, 0, 120);
    ASSERT_EQ(pictures.size(), 120u);
    std::vector<float> sound;
    int rate = 0;
    std::string error;
    ASSERT_TRUE(decodeAudioMono(out, sound, rate, error)) << error;
    ASSERT_GT(rate, 0);
    // The kick's band (a one-pole low-pass near 120 Hz): its energy in each frame's span.
    const float a = float(1 - std::exp(-2 * M_PI * 120.0 / rate));
    float low = 0;
    std::vector<double> energy(120, 0);
    for (size_t i = 0; i < sound.size(); ++i) {
        low += a * (sound[i] - low);
        const size_t f = i * kFps / size_t(rate);
        if (f < energy.size()) energy[f] += double(low) * low;
    }
    std::vector<double> change(120, 0);
    for (size_t i = 1; i < 120; ++i) change[i] = meanDifference(pictures[i], pictures[i - 1]);
    std::vector<double> sorted = change;
    std::sort(sorted.begin(), sorted.end());
    const double typical = sorted[60];
    for (int kick = 0; kick < 6; ++kick) {
        const int expected = 30 + 15 * kick;  // frames from 7 s
        // Where the sound jumps and where the picture jumps most, near the kick.
        int heard = -1, seen = -1;
        double jump = 0, flash = 0;
        for (int f = expected - 4; f <= expected + 4; ++f) {
            const double j = energy[size_t(f)] - energy[size_t(f - 1)];
            if (j > jump) jump = j, heard = f;
            if (change[size_t(f)] > flash) flash = change[size_t(f)], seen = f;
        }
        EXPECT_NEAR(heard, expected, 1) << "kick " << kick << " is not where the song has it";
        EXPECT_NEAR(seen, heard, 1) << "kick " << kick;
        EXPECT_GT(flash, 4 * typical) << "kick " << kick << " shows no flash";
    }
}

// Every file of a folder with its size and time, to see that nothing changed.
std::map<std::string, std::pair<uintmax_t, int64_t>> folderState(const std::string& folder) {
    std::map<std::string, std::pair<uintmax_t, int64_t>> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        if (!e.is_regular_file()) continue;
        files[e.path().string()] = {e.file_size(),
                                    int64_t(e.last_write_time().time_since_epoch().count())};
    }
    return files;
}

TEST(Render, AnAttachedOrGivenRavePlaysItsChangesAndTheDataFolderStaysAsItWas) {
    TempFolder tmp;
    // The user picks gradient 3 at 0.5 s and saves the show as the rave "Show" at 1.5 s.
    const std::string data = tmp.file("user");
    drive("edition mp3\nmonitor 320 240\ndata " + data +
          "\nstep 10\nstart\nwait 500\nkey animation 3\nkey animation g\nwait 1000\n"
          "click controls 100 53\nwait 300\nclick controls 100 54\nwait 300\n"
          "type controls Show\ntype controls\nwait 300\nquit\n");
    const std::string rave = joinPath(data, "Raves/Demo_Song/Show.rav");
    ASSERT_TRUE(fileExists(rave));
    const auto before = folderState(data);

    const std::vector<std::string> common = {"--size", "320x180", "--to", "2", "--quiet", "-o"};
    auto renderWith = [&](const std::string& dataFolder, const std::string& song,
                          std::vector<std::string> extra, const std::string& out) {
        std::vector<std::string> args = {song};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), common.begin(), common.end());
        args.push_back(out);
        const RenderRun run = render(tmp, dataFolder, args);
        EXPECT_EQ(run.code, 0) << run.messages;
        return frames(out, 0, 60);
    };
    const auto plain = renderWith(tmp.file("fresh"), demoSong(), {}, tmp.file("plain.mp4"));
    // The song under a path longer than a songlist holds, the rave under a name no entry takes.
    const std::string deep = tmp.file(std::string(120, 'd') + "/" + std::string(120, 'e'));
    ASSERT_EQ(createFolders(deep), 0);
    const std::string longSong = joinPath(deep, "Demo Song.mp3");
    ASSERT_EQ(copyFile(demoSong(), longSong), 0);
    const std::string oddRave = tmp.file("my show (final).rav");
    ASSERT_EQ(copyFile(rave, oddRave), 0);
    const auto given =
        renderWith(tmp.file("fresh"), longSong, {"--rave", oddRave}, tmp.file("given.mp4"));
    // The user's own songlist has the rave attached to its song.
    const auto attached = renderWith(data, joinPath(data, "Music/Demo_Song.mp3"), {},
                                     tmp.file("attached.mp4"));
    ASSERT_EQ(plain.size(), 60u);
    ASSERT_EQ(given.size(), 60u);
    ASSERT_EQ(attached.size(), 60u);
    // Nearly the same start (a rave starts the song from its own state, not from the first
    // start's defaults); from the rave's change on, its gradient.
    EXPECT_LT(meanDifference(plain[9], given[9]), 5.0);
    EXPECT_GT(meanDifference(plain[45], given[45]), 20.0);
    EXPECT_LT(meanDifference(attached[45], given[45]), 1.0);
    EXPECT_EQ(folderState(data), before) << "the user's data folder was changed";

    // A rave cut short is refused before anything is rendered.
    Bytes file;
    ASSERT_EQ(readWholeFile(rave, file), 0);
    file.resize(file.size() / 2);
    ASSERT_EQ(writeFileReplacing(tmp.file("cut.rav"), file), 0);
    const RenderRun cut = render(tmp, tmp.file("fresh"),
                                 {demoSong(), "--rave", tmp.file("cut.rav"), "-o", tmp.file("cut.mp4")});
    EXPECT_EQ(cut.code, 2);
    EXPECT_NE(cut.messages.find("is not a valid rave file"), std::string::npos) << cut.messages;
}

TEST(Render, BadInputGetsAMessageAndExitCode2) {
    TempFolder tmp;
    const std::string data = tmp.file("data");
    const std::string out = tmp.file("out.mp4");
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    ASSERT_EQ(writeFileReplacing(tmp.file("noise.mp3"), Bytes(5000, 0x5a)), 0);
    const std::string song = tmp.file("song.mp3");
    ASSERT_EQ(copyFile(demoSong(), song), 0);
    const Case cases[] = {
        {{tmp.file("missing.mp3"), "-o", out}, "cannot read the song"},
        {{tmp.file("noise.mp3"), "-o", out}, "cannot read the song"},
        {{demoSong(), "-o", tmp.file("no/such/folder/out.mp4")}, "cannot write"},
        {{song, "-o", song}, "is one of the files the render reads"},
        {{demoSong(), "--rave", tmp.file("missing.rav"), "-o", out}, "cannot read the rave"},
        {{demoSong(), "--style", "No_Such_Style", "--to", "1", "-o", out}, "cannot load the style"},
        {{demoSong(), "--bogus", "-o", out}, "usage: korel-render"},
        {{demoSong(), "--size", "321x180", "-o", out}, "even"},
        {{demoSong()}, "no output file"},
    };
    for (const Case& c : cases) {
        const RenderRun run = render(tmp, data, c.args);
        EXPECT_EQ(run.code, 2) << c.args[0] << " " << c.message;
        EXPECT_NE(run.messages.find(c.message), std::string::npos) << run.messages;
    }
    EXPECT_FALSE(fileExists(out)) << "a render that never started left its file";
    Bytes copy, original;
    ASSERT_EQ(readWholeFile(song, copy), 0);
    ASSERT_EQ(readWholeFile(demoSong(), original), 0);
    EXPECT_TRUE(copy == original) << "the song was written over";
}

TEST(Render, CtrlCLeavesAPlayableFileOfWhatWasRendered) {
    TempFolder tmp;
    const std::string out = tmp.file("stopped.mp4");
    setenv("KOREL_PATH", tmp.file("data").c_str(), 1);
    std::vector<std::string> args = {kProgram, demoSong(), "--size", "320x180", "--quiet", "-o", out};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, kProgram.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    // Well into the song's frames, well before its end.
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    VideoFileInfo info;
    std::string error;
    ASSERT_TRUE(readVideoFileInfo(out, info, error)) << error;
    EXPECT_GT(info.videoFrames, 30);
    EXPECT_LT(info.videoFrames, 4000);
    EXPECT_NEAR(info.audioSeconds, double(info.videoFrames) / kFps, 0.1);
    std::vector<Rgb> last;
    int w = 0, h = 0;
    EXPECT_TRUE(decodeVideoFrame(out, info.videoFrames - 1, last, w, h, error)) << error;
}

}  // namespace
}  // namespace korel::test
