// One redraw of the palette showing 100 record icons (32 x 32), as the record list draws
// it: each entry's header and expanded thumbnail from the palette's cache (warm: kept
// from the redraw before; cold: read from the group file and expanded), reduced into
// the icon.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_session.h"
#include "database/group_file.h"
#include "frame/globals.h"
#include "hostsim/desktop/dialog_manager.h"
#include "palette/palette_window.h"
#include "palette/thumbnail_cache.h"

namespace {

enum class Cache { kWarm, kCold, kBypassed };

void RedrawPalette(benchmark::State& state, Cache mode) {
  const int records = static_cast<int>(state.range(0));
  BenchSession bench("palette-" + std::to_string(records));
  if (!bench.ready()) {
    state.SkipWithError("no session");
    return;
  }
  AddRectangleRows(bench.doc(), 20, true);
  std::string error;
  for (int i = 0; i < records; ++i) {
    std::int32_t record = 0, objects = 0;
    if (!bench.session().Capture("bench", {"r" + std::to_string(i), "", ""}, &record, &objects,
                                 &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
  }
  velm::Globals* g = velm::gGlobals;
  g->toolMode = 1;
  std::snprintf(g->currentGroup, sizeof g->currentGroup, "%s", "bench");
  velm::CreatePalette();
  auto* palette = hostsim::Dialog::From(g->palette);
  if (!palette) {
    state.SkipWithError("no palette");
    return;
  }
  palette->SetScreenBounds({100, 100, 740, 580});  // the largest palette: 252 icons show
  velm::LayoutPalette(g->palette);
  hostsim::Host& host = bench.session().host();
  velm::SetThumbnailCacheBypassed(mode == Cache::kBypassed);
  host.dialogs().PaintFloating(&host.desktop().screen());  // warms the cache
  for (auto _ : state) {
    if (mode == Cache::kCold) velm::ClearThumbnailCache();
    host.dialogs().PaintFloating(&host.desktop().screen());
  }
  velm::SetThumbnailCacheBypassed(false);
  state.counters["icons"] = records;  // the time per iteration is one redraw
}

// The thumbnails kept from the redraw before; every one read and expanded again; and,
// the plain form both replace, drawing with no cache at all.
void BM_RedrawPalette(benchmark::State& state) {
  RedrawPalette(state, Cache::kWarm);
}
void BM_RedrawPaletteCold(benchmark::State& state) {
  RedrawPalette(state, Cache::kCold);
}
void BM_RedrawPalettePlain(benchmark::State& state) {
  RedrawPalette(state, Cache::kBypassed);
}
void BM_RedrawPaletteColdPlain(benchmark::State& state) {
  RedrawPalette(state, Cache::kBypassed);
}
BENCHMARK(BM_RedrawPalette)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawPalettePlain)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawPaletteCold)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawPaletteColdPlain)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
