// Benchmark of one run of a 16-instruction movement stamp program.
#include <benchmark/benchmark.h>

#include "engine/program.h"

namespace korel {
namespace {

void BM_StampProgram16(benchmark::State& st) {
    constexpr int r0 = kRegisterBase, r1 = kRegisterBase + 1, r2 = kRegisterBase + 2;
    Bytes p;
    appendInstruction(p, r0, r0, literalField(1), pf::SM);   // angle step
    appendInstruction(p, r1, r0, literalField(90), pf::SS);  // sin
    appendInstruction(p, r2, r0, literalField(90), pf::CS);  // cos
    appendInstruction(p, r1, r1, pf::sp, pf::PR);
    appendInstruction(p, r2, r2, pf::sp, pf::PR);
    appendInstruction(p, pf::xp, r1, pf::vs, pf::PR);
    appendInstruction(p, pf::lc, pf::xp, r1, pf::SM);
    appendInstruction(p, pf::yp, r2, pf::fh, pf::SM);
    appendInstruction(p, r0, literalField(200), r0, pf::IG);  // skip nothing mostly
    appendInstruction(p, kRegisterBase + 3, literalField(3), literalField(9), pf::RN);
    appendInstruction(p, pf::xp, pf::xp, kRegisterBase + 3, pf::SM);
    appendInstruction(p, pf::xp, 0, 0, pf::WH);
    appendInstruction(p, pf::yp, 0, 0, pf::WV);
    appendInstruction(p, kRegisterBase + 4, pf::xp, pf::yp, pf::MO);
    appendInstruction(p, kRegisterBase + 5, r0, literalField(2), pf::PW);
    appendInstruction(p, 0, literalField(0), 0, pf::IO);
    MovementInputs in;
    in.centreX = 960;
    in.centreY = 540;
    in.spread = 40;
    in.frameWidth = 64;
    in.frameHeight = 64;
    in.soundLevel = 0.5;
    MovementMachine m;
    int16_t stamps = 1;
    Random random;
    for (auto _ : st) {
        runMovementProgram(p, true, in, m, stamps, random);
        benchmark::DoNotOptimize(m.x);
    }
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_StampProgram16);

}  // namespace
}  // namespace korel
