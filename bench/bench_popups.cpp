// The popups over a folder of 500 styles: opening one (listing, sorting, building the item
// string, drawing the rows) and one main-loop pass of scrolling with the cursor on the lower
// arrow row.
#include <benchmark/benchmark.h>

#include "controls/controls.h"
#include "controls/layout.h"
#include "platform/files.h"
#include "shell/program.h"
#include "support/running_program.h"

namespace korel {
namespace {

struct FiveHundred {
    FiveHundred() : r(1024, 768, Edition::MP3) {
        r.program->controls().toggleSettingsLock();
        const std::string folder = r.temp.file("data") + "/Styles";
        createFolders(folder);
        // Names in no particular order, so the case-blind sort has work.
        for (int i = 0; i < 500; ++i) {
            const int k = (i * 7919) % 500;
            const std::string name = (k % 2 ? "style_" : "Style_") + std::to_string(k);
            writeFileReplacing(folder + "/" + name + ".sty", Bytes{'x'});
        }
    }
    test::RunningLive r;
};

void BM_PopupOpenOver500Files(benchmark::State& st) {
    FiveHundred f;
    Popups& p = f.r.program->controls().popups();
    for (auto _ : st) {
        p.open(popup::Styles, -1, kStyleField);
        benchmark::DoNotOptimize(p.items().size());
        st.PauseTiming();
        p.close();
        st.ResumeTiming();
    }
    st.counters["items"] = double(p.items().size());
}
BENCHMARK(BM_PopupOpenOver500Files)->Unit(benchmark::kMillisecond);

void BM_PopupScrollPassOver500Files(benchmark::State& st) {
    FiveHundred f;
    Popups& p = f.r.program->controls().popups();
    p.open(popup::Styles, -1, Rect{kStyleField.left, 27, kStyleField.right, 39});
    const PopupGeometry g = p.geometry();
    const Point lower{(g.left + g.cornerX()) / 2 + 30, g.itemTop(g.visibleRows) + 5};
    uint32_t now = f.r.platform.tickCount();
    for (auto _ : st) {
        now += 100;  // every pass scrolls one item; back to the top at the end
        p.pass(lower, now);
        if (p.firstVisible() + g.visibleRows >= int(p.items().size())) p.pass(Point{g.cornerX() + 3, g.top + 5}, now);
    }
}
BENCHMARK(BM_PopupScrollPassOver500Files)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korel
