// Snapping on a mouse move: one SnapPlacementPoint with all four fits on over documents of
// 10,000 and 100,000 paths (the budget is one frame, 16 ms). Each benchmark gives, in the
// same run: the move answered from the drag's snapshot (snapshot_ms, the timed loop), the
// per-move walk over the document it replaces (plain_ms), the walk's time over the
// snapshot move's (ratio) and the time to collect the snapshot when the drag starts
// (build_ms; build_cpu_ms is its processor time, for machines shared with other work).
// The cursor is either over empty space, so that the anchor, intersection and on-path
// fits each search the whole document before the grid takes the point, or over the edge
// of the path the searches reach last.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <string>

#include "bench_session.h"
#include "frame/globals.h"
#include "placement/snap_snapshot.h"
#include "placement/snapping.h"

namespace {

constexpr int kColumns = 100;
constexpr float kCell = 14.0f;  // 8 x 8 squares, 6 points apart
constexpr float kSide = 8.0f;
// Moves timed for the walk, and snapshots collected, per benchmark.
constexpr int kWalkMoves = 5;
constexpr int kBuilds = 5;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

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

// One move from `cursor`; false when it did not snap as expected.
bool Move(host::RealPoint cursor, std::int16_t expectedKind, velm::SnapSnapshot* snapshot) {
  host::RealPoint p = cursor;
  const std::int16_t kind = velm::SnapPlacementPointWith(&p, snapshot);
  benchmark::DoNotOptimize(p);
  return kind == expectedKind;
}

void Snap(benchmark::State& state, host::RealPoint cursor, std::int16_t expectedKind) {
  // The drag start.
  velm::SnapSnapshot snapshot;
  auto start = Clock::now();
  const std::clock_t cpuStart = std::clock();
  for (int i = 0; i < kBuilds; ++i) {
    if (snapshot.Build() != host::kNoErr) {
      state.SkipWithError("the snapshot could not be collected");
      return;
    }
  }
  const double build = Seconds(start) / kBuilds;
  const double buildCpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC / kBuilds;
  // The walk it replaces.
  start = Clock::now();
  for (int i = 0; i < kWalkMoves; ++i) {
    if (!Move(cursor, expectedKind, nullptr)) {
      state.SkipWithError("the walk did not snap as expected");
      return;
    }
  }
  const double walk = Seconds(start) / kWalkMoves;
  // Moves from the snapshot.
  double seconds = 0;
  for (auto _ : state) {
    start = Clock::now();
    const bool snapped = Move(cursor, expectedKind, &snapshot);
    seconds += Seconds(start);
    if (!snapped) {
      state.SkipWithError("the snapshot did not snap as expected");
      break;
    }
  }
  if (state.iterations() == 0) return;
  const double move = seconds / static_cast<double>(state.iterations());
  state.counters["snapshot_ms"] = move * 1000.0;
  state.counters["plain_ms"] = walk * 1000.0;
  state.counters["ratio"] = walk / move;
  state.counters["build_ms"] = build * 1000.0;
  state.counters["build_cpu_ms"] = buildCpu * 1000.0;
}

// Over empty space (3 points from every square): three whole searches, then the grid.
void BM_SnapOverEmptySpace(benchmark::State& state) {
  SnapWorld world(static_cast<int>(state.range(0)));
  Snap(state, {kSide + 3.0f, kSide + 3.0f}, velm::kGridSnap);
}
BENCHMARK(BM_SnapOverEmptySpace)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// One point above the middle of the last square's bottom edge: the anchor search finds
// nothing, the intersection search projects onto that edge only, the on-path search
// snaps there.
void BM_SnapOntoTheLastPath(benchmark::State& state) {
  SnapWorld world(static_cast<int>(state.range(0)));
  const host::RealPoint corner = world.last();
  Snap(state, {corner.h + kSide / 2, corner.v + 1.0f}, velm::kOnPathSnap);
}
BENCHMARK(BM_SnapOntoTheLastPath)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
