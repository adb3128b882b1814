// Benchmark: restoring a 200 x 200 rectangle of the background over a tiled fill.
#include <benchmark/benchmark.h>

#include "engine/fill.h"
#include "tests/support/test_services.h"

namespace {

void BM_RestoreOverTiles(benchmark::State& st) {
    korel::test::TestServices services(korel::Edition::LIVE, 1920, 1080);
    korel::FillSlots fills;
    korel::FillAsset& tile = fills.slots[0];
    tile.kind = korel::fil::kTileTag;
    tile.width = 100;
    tile.height = 100;
    tile.surface.resize(100, 100, 150);
    tile.source = korel::Rect{0, 0, 100, 100};
    tile.loaded = true;
    korel::drawBackground(services, fills);
    int x = 0;
    for (auto _ : st) {
        // Corners move across grid lines so the rectangle spans up to nine tiles.
        x = (x + 37) % 1500;
        korel::restoreBackground(services, fills, korel::Rect{x, 300, x + 200, 500});
        benchmark::DoNotOptimize(services.display().drawingSurface.data());
    }
    st.SetItemsProcessed(st.iterations() * 200 * 200);
}
BENCHMARK(BM_RestoreOverTiles);

void BM_DrawTiledBackground(benchmark::State& st) {
    korel::test::TestServices services(korel::Edition::LIVE, 1920, 1080);
    korel::FillSlots fills;
    korel::FillAsset& tile = fills.slots[0];
    tile.kind = korel::fil::kTileTag;
    tile.width = 64;
    tile.height = 48;
    tile.surface.resize(64, 48, 150);
    tile.source = korel::Rect{0, 0, 64, 48};
    tile.loaded = true;
    for (auto _ : st) {
        korel::drawBackground(services, fills);
        benchmark::DoNotOptimize(services.display().drawingSurface.data());
    }
}
BENCHMARK(BM_DrawTiledBackground);

}  // namespace
