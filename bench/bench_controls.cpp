// The controls window's drawing: a full paint of the expanded window, and what one frame tick
// redraws while listening (beat meter, beat indicator, and the spectrograph of FREQUENCY
// SETTINGS).
#include <benchmark/benchmark.h>

#include "controls/controls.h"
#include "controls/layout.h"
#include "shell/conductor.h"
#include "shell/program.h"
#include "support/running_program.h"
#include "triggers/triggers.h"

namespace korel {
namespace {

struct Expanded {
    Expanded() : r(1024, 768, Edition::MP3) {
        Controls& c = r.program->controls();
        c.toggleSettingsLock();
    }
    test::RunningLive r;
};

void BM_ControlsFullPaintExpanded(benchmark::State& st) {
    Expanded e;
    Controls& c = e.r.program->controls();
    for (auto _ : st) c.paint();
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_ControlsFullPaintExpanded)->Unit(benchmark::kMicrosecond);

void BM_ControlsTickRedrawsWhileListening(benchmark::State& st) {
    Expanded e;
    Program& p = *e.r.program;
    Controls& c = p.controls();
    p.conductor().triggers().setListening(true, p.songClock());
    c.panels().show(panel::Frequency);
    uint8_t level = 0;
    for (auto _ : st) {
        level = uint8_t((level + 7) % 65);
        c.redrawMeters(level, level < 8);
        e.r.platform.advance(10);
    }
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_ControlsTickRedrawsWhileListening)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korel
