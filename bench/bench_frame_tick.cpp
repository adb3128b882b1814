// Frame ticks per second of the whole program at 1920 x 1080 on the headless platform: the cost
// of one Program::pass() with no event waiting, listening off (generated beats) and listening
// to the bundled demo song.
//
// With the virtual clock following the wall clock, the trail, colour and beat timers fire at
// their real rates and items_per_second is the tick rate a user gets (most ticks find nothing
// due). With a fixed step per pass every run does the same work, and core_share tells what
// share of a core one second of animation costs at that tick rate.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "persist/visual_state.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_sound.h"
#include "shell/data_folder.h"
#include "shell/program.h"

namespace korel {
namespace {

class TickBench {
  public:
    explicit TickBench(bool listening) : platform_(1920, 1080), sound_(platform_) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "korel-bench-XXXXXX").string();
        if (char* made = ::mkdtemp(tmpl.data())) folder_ = made;
        const std::string seed = defaultSeedFolder();
        ProgramOptions o;
        o.dataFolder = folder_ + "/data";
        o.configFolder = folder_ + "/config";
        o.lockFolder = folder_;
        o.seedFolder = seed;
        seedDataFolder(seed, o.dataFolder);

        VisualState s = defaultVisualState();
        s.setSwitch(vs::kSwitchListening, listening);
        s.setName(vs::StyleName, "Last_Session");
        createFolders(o.dataFolder + "/Styles");
        writeFileReplacing(o.dataFolder + "/Styles/Last_Session.sty",
                           Bytes(s.bytes.begin(), s.bytes.end()));

        sound_.addLine("Line In", LineType::Line);
        std::string error;
        if (listening && !sound_.loadWav(seed + "/Music/Demo_Song.wav", error, true))
            std::fprintf(stderr, "demo song: %s\n", error.c_str());
        o.soundInput = &sound_;
        program_ = std::make_unique<Program>(platform_, Edition::LIVE, o);
        ok_ = program_->start("");
        // Past the start-up paints and the analysis's first window.
        for (int i = 0; ok_ && i < 300; ++i) {
            platform_.advance(10);
            while (platform_.hasPending()) program_->pass();
            program_->pass();
        }
    }
    ~TickBench() {
        program_.reset();
        std::error_code ec;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
    }

    bool ok() const { return ok_ && program_->phase() == Phase::Running; }
    HeadlessPlatform& platform() { return platform_; }
    Program& program() { return *program_; }

  private:
    std::string folder_;
    HeadlessPlatform platform_;
    HeadlessSound sound_;
    std::unique_ptr<Program> program_;
    bool ok_ = false;
};

// range(0): listening. range(1): the clock — -1 follows the wall clock, otherwise the virtual
// clock advances by that many ms per pass (0: it stands still, so no timer is ever due and only
// the tick's own checks are measured).
void BM_FrameTick(benchmark::State& st) {
    const bool listening = st.range(0) != 0;
    const int64_t step = st.range(1);
    TickBench b(listening);
    if (!b.ok()) {
        st.SkipWithError("the program did not start");
        return;
    }
    HeadlessPlatform& p = b.platform();
    Program& program = b.program();
    const uint32_t base = p.tickCount();
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t cpu0 = std::clock();
    for (auto _ : st) {
        if (step < 0) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - t0);
            p.setTime(base + uint32_t(ms.count()));
        } else {
            p.advance(uint32_t(step));
        }
        program.pass();
    }
    const double spent = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    const double animated = double(p.tickCount() - base) / 1000.0;
    st.SetItemsProcessed(st.iterations());
    st.counters["animation_s"] = animated;
    // The share of one core (processor time, so other load on the machine does not count) that
    // a second of animation takes at this tick rate.
    if (step > 0 && animated > 0) st.counters["core_share"] = spent / animated;
    std::string clock = step < 0    ? "wall clock"
                        : step == 0 ? "clock stopped"
                                    : std::to_string(step) + " ms per pass";
    st.SetLabel(std::string(listening ? "listening, " : "generated beats, ") + clock);
}
BENCHMARK(BM_FrameTick)
    ->ArgNames({"listening", "step"})
    ->ArgsProduct({{0, 1}, {-1, 0, 1, 10}})
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0);

}  // namespace
}  // namespace korel
