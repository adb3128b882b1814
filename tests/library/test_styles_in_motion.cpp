// Every bundled style, and the default record of a first start, run as a whole program on the
// headless platform: with the demo song playing and with listening off, the picture shows
// brush stamps within a few seconds, is not dark, and keeps changing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "persist/visual_state.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_sound.h"
#include "shell/conductor.h"
#include "shell/data_folder.h"
#include "shell/program.h"
#include "support/test_services.h"

namespace korel {
namespace {

const std::string kSeed = KOREL_SEED_DIR;
constexpr int kWidth = 800, kHeight = 600;

std::vector<std::string> bundledStyles() {
    std::vector<std::string> files;
    listFolder(joinPath(kSeed, "Styles"), ".sty", files);
    for (auto& f : files) f = f.substr(0, f.size() - 4);
    return files;
}

// What one moment of the animation shows.
struct Look {
    double brushShare = 0;  // drawing-surface pixels in the brush range (21-110)
    double luminance = 0;   // mean of the presented picture, 0-255
    double visible = 0;     // pixels with a channel of 64 or more
    double colourful = 0;   // visible pixels with a saturation of 0.3 or more
    std::vector<Rgb> pixels;
};

double changedShare(const Look& a, const Look& b) {
    size_t changed = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        changed += !(a.pixels[i] == b.pixels[i]);
    return a.pixels.empty() ? 0 : double(changed) / double(a.pixels.size());
}

// One program on fresh folders made from the bundled library.
class StyleRun {
  public:
    StyleRun() : platform_(kWidth, kHeight), sound_(platform_) {
        sound_.addLine("Line In", LineType::Line);
        options_.soundInput = &sound_;
        options_.dataFolder = temp_.file("data");
        options_.configFolder = temp_.file("config");
        options_.lockFolder = temp_.path();
        options_.seedFolder = kSeed;
        seedDataFolder(kSeed, options_.dataFolder);
    }

    bool feedSong() {
        std::string error;
        return sound_.loadWav(joinPath(kSeed, "Music/Demo_Song.wav"), error, true);
    }

    // Places a copy of the style with listening switched off, so its own tempo makes the beats.
    bool placeUnlistening(const std::string& style, const std::string& copy) {
        Bytes data;
        if (readWholeFile(joinPath(options_.dataFolder, "Styles/" + style + ".sty"), data) != 0 ||
            data.size() != vs::kSize)
            return false;
        VisualState record;
        std::copy(data.begin(), data.end(), record.bytes.begin());
        record.setSwitch(vs::kSwitchListening, false);
        record.setName(vs::StyleName, copy);
        return writeFileReplacing(joinPath(options_.dataFolder, "Styles/" + copy + ".sty"),
                                  Bytes(record.bytes.begin(), record.bytes.end())) == 0;
    }

    bool start() {
        program_ = std::make_unique<Program>(platform_, Edition::LIVE, options_);
        if (!program_->start("")) return false;
        pump();
        return true;
    }

    bool loadStyle(const std::string& name) { return program_->conductor().loadStyle(name); }

    void run(uint32_t ms) {
        for (uint32_t t = 0; t < ms && program_->phase() == Phase::Running; t += 10) {
            platform_.advance(10);
            pump();
        }
    }

    Look look() const {
        Look l;
        const Surface& s = program_->display().drawingSurface;
        size_t brush = 0;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) {
                const uint8_t c = s.row(y)[x];
                brush += c >= 21 && c <= 110;
            }
        l.brushShare = s.empty() ? 0 : double(brush) / (double(s.width()) * s.height());
        l.pixels = platform_.screenPixels(program_->animationWindow());
        for (const Rgb& p : l.pixels) {
            const int hi = std::max({p.r, p.g, p.b}), lo = std::min({p.r, p.g, p.b});
            l.luminance += 0.299 * p.r + 0.587 * p.g + 0.114 * p.b;
            const double sat = hi ? double(hi - lo) / hi : 0;
            l.visible += hi >= 64;
            l.colourful += hi >= 64 && sat >= 0.3;
        }
        if (!l.pixels.empty()) {
            l.luminance /= double(l.pixels.size());
            l.visible /= double(l.pixels.size());
            l.colourful /= double(l.pixels.size());
        }
        return l;
    }

    uint32_t lastBeatTime() { return program_->conductor().sound().listen.lastBeatTime; }

  private:
    void pump() {
        for (int i = 0; i < 1000 && platform_.hasPending() && program_->phase() != Phase::Ended;
             ++i)
            program_->pass();
        program_->pass();
    }

    test::TempFolder temp_;
    HeadlessPlatform platform_;
    HeadlessSound sound_;
    ProgramOptions options_;
    std::unique_ptr<Program> program_;
};

// Samples every half second from 3 s to 14 s after the style is loaded. `what` names the run in
// failure messages. The bars are low on purpose: they catch a picture without brush, a black
// or still picture, or one without any colour, not matters of taste.
void expectLively(StyleRun& run, const std::string& what) {
    run.run(3000);
    Look previous = run.look();
    EXPECT_GE(previous.brushShare, 0.005) << what << ": hardly any brush after 3 s";
    double brushTotal = 0, mostColourful = 0;
    int samples = 0;
    for (int i = 0; i < 22; ++i) {
        run.run(500);
        Look now = run.look();
        const std::string at = what + " at " + std::to_string(3500 + 500 * i) + " ms";
        EXPECT_GT(now.brushShare, 0.0005) << at << ": no brush on the picture";
        EXPECT_TRUE(now.luminance >= 5 || now.visible >= 0.02) << at << ": the picture is black";
        EXPECT_GE(changedShare(previous, now), 0.005) << at << ": the picture stands still";
        brushTotal += now.brushShare;
        mostColourful = std::max(mostColourful, now.colourful);
        ++samples;
        previous = std::move(now);
    }
    EXPECT_GE(brushTotal / samples, 0.005) << what << ": the brush shows too little on average";
    EXPECT_GE(mostColourful, 0.02) << what << ": the picture never shows colour";
}

TEST(StylesInMotion, EveryStyleIsLivelyWithTheDemoSong) {
    const auto styles = bundledStyles();
    ASSERT_GE(styles.size(), 6u);
    for (const auto& style : styles) {
        StyleRun run;
        ASSERT_TRUE(run.feedSong());
        ASSERT_TRUE(run.start()) << style;
        ASSERT_TRUE(run.loadStyle(style)) << style;
        expectLively(run, style + " with the song");
    }
}

TEST(StylesInMotion, EveryStyleIsLivelyOnItsOwnTempo) {
    for (const auto& style : bundledStyles()) {
        StyleRun run;
        ASSERT_TRUE(run.placeUnlistening(style, "Tempo_Check"));
        ASSERT_TRUE(run.start()) << style;
        ASSERT_TRUE(run.loadStyle("Tempo_Check")) << style;
        expectLively(run, style + " on its tempo");
    }
}

// The kick settles on the listening frequency fast enough that the detector hears one beat per
// kick, not two: the first 20 s hold a four-bar intro without kicks and then 24 kicks.
TEST(StylesInMotion, TheDemoSongGivesOneBeatPerKick) {
    StyleRun run;
    ASSERT_TRUE(run.feedSong());
    ASSERT_TRUE(run.start());
    int beats = 0;
    uint32_t last = run.lastBeatTime();
    for (int t = 0; t < 20000; t += 10) {
        run.run(10);
        if (run.lastBeatTime() != last) {
            last = run.lastBeatTime();
            ++beats;
            EXPECT_GE(last, 7900u) << "a beat in the intro";
        }
    }
    EXPECT_GE(beats, 23);
    EXPECT_LE(beats, 25);
}

// The first start: no last session, so the default record with the bundled default names.
TEST(StylesInMotion, TheFirstStartIsLivelyWithTheDemoSong) {
    StyleRun run;
    ASSERT_TRUE(run.feedSong());
    ASSERT_TRUE(run.start());
    expectLively(run, "the default record");
}

}  // namespace
}  // namespace korel
