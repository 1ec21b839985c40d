// Snapping on a mouse move: one SnapPlacementPoint with all four fits on over documents of
// 1,000 and 10,000 paths, in milliseconds per move (the budget is one frame, 16 ms). The
// cursor is either over empty space, so that the anchor, intersection and on-path fits
// each search the whole document before the grid takes the point, or over the edge of
// the path the searches reach last.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "bench_session.h"
#include "frame/globals.h"
#include "placement/snapping.h"

namespace {

constexpr int kColumns = 100;
constexpr float kCell = 14.0f;  // 8 x 8 squares, 6 points apart
constexpr float kSide = 8.0f;

// A started plug-in (linked in) with its suites held, over a document of `paths` closed
// squares directly in one layer, kColumns to a row.
class SnapWorld {
 public:
  explicit SnapWorld(int paths) : bench_("snap-" + std::to_string(paths)) {
    velm::Globals* g = velm::gGlobals;
    g->flUseGrid = g->flUseFcur = g->flUseFcrs = g->flUseFops = 1;
    g->flGrWidth = g->flGrHeight = kCell;

    hostsim::Document& doc = bench_.doc();
    hostsim::Art* layer = doc.currentLayer()->group;
    for (int i = 0; i < paths; ++i) {
      hostsim::Art* path = doc.Create(host::kPathArt);
      doc.Insert(path, host::kPlaceInsideOnBottom, layer);
      const float h = static_cast<float>(i % kColumns) * kCell;
      const float v = static_cast<float>(i / kColumns) * kCell;
      for (auto [x, y] : {std::pair{h, v}, {h + kSide, v}, {h + kSide, v + kSide}, {h, v + kSide}})
        path->segments.push_back({{x, y}, {x, y}, {x, y}, 1});
      path->closed = true;
      last_ = {h, v};
    }
  }
  // The lower-left corner of the last square.
  host::RealPoint last() const { return last_; }

 private:
  BenchSession bench_;
  host::RealPoint last_{};
};

void Snap(benchmark::State& state, host::RealPoint cursor, std::int16_t expectedKind) {
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    host::RealPoint p = cursor;
    const std::int16_t kind = velm::SnapPlacementPoint(&p);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (kind != expectedKind) {
      state.SkipWithError("the cursor did not snap as expected");
      break;
    }
    benchmark::DoNotOptimize(p);
  }
  if (state.iterations() > 0)
    state.counters["ms_per_move"] = seconds * 1000.0 / static_cast<double>(state.iterations());
}

// Over empty space (3 points from every square): three whole searches, then the grid.
void BM_SnapOverEmptySpace(benchmark::State& state) {
  SnapWorld world(static_cast<int>(state.range(0)));
  Snap(state, {kSide + 3.0f, kSide + 3.0f}, velm::kGridSnap);
}
BENCHMARK(BM_SnapOverEmptySpace)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One point above the middle of the last square's bottom edge: the anchor search finds
// nothing, the intersection search projects onto that edge only, the on-path search
// snaps there.
void BM_SnapOntoTheLastPath(benchmark::State& state) {
  SnapWorld world(static_cast<int>(state.range(0)));
  const host::RealPoint corner = world.last();
  Snap(state, {corner.h + kSide / 2, corner.v + 1.0f}, velm::kOnPathSnap);
}
BENCHMARK(BM_SnapOntoTheLastPath)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
