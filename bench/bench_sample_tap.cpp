// The sample tap: a request of 2205 samples (once per analysis) and the copy of one decoded
// block of 4096 stereo frames (on the streaming thread).
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/sample_tap.h"

namespace {

struct CountingClient : korel::TapClient {
    uint64_t notices = 0;
    void notice(const korel::TapNotice&) override { ++notices; }
};

void BM_TapRequest(benchmark::State& state) {
    korel::SampleTap tap;
    std::vector<int16_t> block(4096 * 2);
    for (size_t i = 0; i < block.size(); ++i) block[i] = int16_t(i * 37);
    for (uint64_t f = 0; f < 44100 * 4; f += 4096) tap.feed(block.data(), 4096, 2, 44100, f);
    std::vector<double> out(korel::kTapRequestSamples);
    int64_t time = 0;
    for (auto _ : state) {
        tap.request(10'000'000 + time, out.data());
        benchmark::DoNotOptimize(out.data());
        time = (time + 1'000'000) % 20'000'000;  // within the 4 s held
    }
}
BENCHMARK(BM_TapRequest);

void BM_TapFeedBlock(benchmark::State& state) {
    korel::SampleTap tap;
    CountingClient client;
    tap.setClient(&client);
    std::vector<int16_t> block(4096 * 2);
    for (size_t i = 0; i < block.size(); ++i) block[i] = int16_t(i * 37);
    uint64_t frame = 0;
    for (auto _ : state) {
        tap.feed(block.data(), 4096, 2, 44100, frame);
        frame += 4096;
    }
    benchmark::DoNotOptimize(client.notices);
    state.SetItemsProcessed(int64_t(state.iterations()) * 4096);
}
BENCHMARK(BM_TapFeedBlock);

}  // namespace
