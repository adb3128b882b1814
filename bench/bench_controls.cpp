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

// The hover help's share of every frame tick with the cursor resting on one control: the
// HoverId is worked out again and nothing is drawn.
void BM_ControlsHoverUnchanged(benchmark::State& st) {
    Expanded e;
    Program& p = *e.r.program;
    Controls& c = p.controls();
    const Rect wr = e.r.platform.windowRect(p.controlsWindow());
    e.r.platform.setCursor(Point{wr.left + 300, wr.top + 300});  // a movement row
    c.updateHover();
    const uint32_t drawn = c.hoverRedraws();
    for (auto _ : st) c.updateHover();
    if (c.hoverRedraws() != drawn) st.SkipWithError("the hover help redrew");
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_ControlsHoverUnchanged)->Unit(benchmark::kNanosecond);

// Moving between two controls: the text is assembled and the title display drawn each time.
void BM_ControlsHoverChanges(benchmark::State& st) {
    Expanded e;
    Program& p = *e.r.program;
    Controls& c = p.controls();
    const Rect wr = e.r.platform.windowRect(p.controlsWindow());
    bool left = false;
    for (auto _ : st) {
        left = !left;
        e.r.platform.setCursor(Point{wr.left + (left ? 300 : 362), wr.top + 100});
        c.updateHover();
    }
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_ControlsHoverChanges)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korel
