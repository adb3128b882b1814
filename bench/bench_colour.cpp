// Benchmark: one colour shift of a palette range that has a colour effect loaded.
#include <benchmark/benchmark.h>

#include "engine/effect.h"
#include "engine/gradient.h"
#include "tests/support/test_services.h"

namespace {

void BM_ColourShiftWithEffect(benchmark::State& st) {
    korel::test::TestServices services(korel::Edition::LIVE, 1024, 768);
    korel::VisualState state = korel::defaultVisualState();
    state.set(korel::vs::BrushColour, 60);
    korel::PaletteRange range = korel::makeBrushRange();
    korel::appendInstruction(range.programs.blocks[0], korel::pf::bc, 0, 0, korel::pf::SH);
    range.effectLoaded = true;
    korel::rebuildRange(services, state, range, korel::defaultGradient(), 0.5);
    double level = 0;
    for (auto _ : st) {
        level = level > 1 ? 0 : level + 0.01;
        korel::stepRange(services, range, 1, level, false);
        benchmark::DoNotOptimize(range.shown.data());
    }
}
BENCHMARK(BM_ColourShiftWithEffect);

void BM_ColourEffectRecompute(benchmark::State& st) {
    korel::test::TestServices services(korel::Edition::LIVE, 1024, 768);
    korel::VisualState state = korel::defaultVisualState();
    korel::PaletteRange range = korel::makeFillRange();
    korel::appendInstruction(range.programs.blocks[0], korel::pf::fc, 0, 0, korel::pf::SH);
    range.effectLoaded = true;
    korel::rebuildRange(services, state, range, korel::defaultGradient(), 0.5);
    for (auto _ : st) {
        korel::computeColourEffect(services, state, range, 0.5);
        benchmark::DoNotOptimize(range.deltas.data());
    }
}
BENCHMARK(BM_ColourEffectRecompute);

}  // namespace
