// One redraw of the palette showing 100 record icons (32 x 32): every entry reads its
// record's header and coded thumbnail from the group file, expands the thumbnail and
// reduces it into the icon, as the record list draws it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_session.h"
#include "database/group_file.h"
#include "frame/globals.h"
#include "hostsim/dialog_manager.h"
#include "palette/palette_window.h"

namespace {

void RedrawPalette(benchmark::State& state) {
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
  for (auto _ : state)
    host.dialogs().PaintFloating(&host.desktop().screen());
  state.counters["icons"] = records;  // the time per iteration is one redraw
}
BENCHMARK(RedrawPalette)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
