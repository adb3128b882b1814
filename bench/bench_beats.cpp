// Beats per kick at every frame-tick rate: the headless driver plays the 20 s groove (40 kicks)
// into korel-headless's LIVE edition at clock steps of 1 to 16 ms and counts the beats of its
// trace. Counters: beats, kicks heard (a beat at most 45 ms after the kick) and the worst lag.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "shell/driver/driver.h"
#include "support/groove.h"

namespace korel {
namespace {

constexpr int kMaxLagMs = 45;

std::string grooveFile() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / "korel-bench-groove.wav").string();
        writeFileReplacing(p, test::grooveWav(44100));
        return p;
    }();
    return path;
}

void BM_GrooveBeats(benchmark::State& state) {
    const int step = int(state.range(0));
    test::GrooveScore score;
    for (auto _ : state) {
        std::istringstream script("edition live\nmonitor 320 240\nsound " + grooveFile() +
                                  "\nstep " + std::to_string(step) + "\nstart\nwait 20500\n");
        std::ostringstream out;
        runDriverScript(script, out, "groove");
        std::istringstream lines(out.str());
        std::vector<int> beats;
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string kind;
            int time = 0;
            if (words >> kind >> time && kind == "beat") beats.push_back(time);
        }
        score = test::scoreGroove(beats, kMaxLagMs);
    }
    state.counters["beats"] = score.beats;
    state.counters["kicks_heard"] = score.kicksHeard;
    state.counters["worst_lag_ms"] = score.worstLagMs;
}
BENCHMARK(BM_GrooveBeats)
    ->Arg(1)
    ->Arg(2)
    ->Arg(5)
    ->Arg(10)
    ->Arg(16)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korel
