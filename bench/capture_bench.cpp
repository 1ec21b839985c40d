// Capturing a selection: the whole capture (measuring, thumbnail, art tree, pattern
// definitions) of 100, 1,000, 10,000 and 100,000 selected paths, reported per object so that its
// growth with the selection shows; and the thumbnail alone.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <string>

#include "bench_session.h"
#include "capture/art_tree_writer.h"
#include "capture/thumbnail.h"
#include "database/record.h"
#include "frame/globals.h"
#include "platform/memory.h"

namespace {

// A started plug-in (linked in) with its suites held, over a document of `paths`
// selected, stroked rectangles in rows of 100, each row a group.
class CaptureWorld {
 public:
  explicit CaptureWorld(int paths) : bench_("capture-" + std::to_string(paths)) {
    AddRectangleRows(bench_.doc(), paths, false);
  }

 private:
  BenchSession bench_;
};

void CaptureSelectedPaths(benchmark::State& state, bool warmUp) {
  const int paths = static_cast<int>(state.range(0));
  CaptureWorld world(paths);
  if (warmUp) velm::VelmPostArt();
  std::int32_t objects = 0;
  for (auto _ : state) {
    velm::VelmPostArt();
    objects = velm::RecordHeader(velm::gGlobals->currentRecord)->objectCount;
  }
  state.counters["objects"] = objects;
  state.counters["s_per_object"] = benchmark::Counter(
      static_cast<double>(objects) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::OneK::kIs1000);
}
void BM_CaptureSelectedPaths(benchmark::State& state) {
  CaptureSelectedPaths(state, false);
}
BENCHMARK(BM_CaptureSelectedPaths)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// The same with freed memory kept by the C library instead of given back to the system,
// after one capture to warm it: large record blocks then come back without the system's
// first-touch page faults, which otherwise dominate from about 1,000 paths on (on a
// virtual machine that faults slowly) and hide the capture's own cost.
void BM_CaptureSelectedPathsMemoryKept(benchmark::State& state) {
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  CaptureSelectedPaths(state, true);
  mallopt(M_TRIM_THRESHOLD, 128 * 1024);
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  malloc_trim(0);
}
BENCHMARK(BM_CaptureSelectedPathsMemoryKept)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

void BM_ThumbnailOfSelectedPaths(benchmark::State& state) {
  CaptureWorld world(static_cast<int>(state.range(0)));
  velm::CaptureBounds bounds;
  velm::MeasureSelection(&bounds, true);
  for (auto _ : state) {
    velm::os::MemHandle thumbnail = velm::BuildThumbnail(bounds);
    benchmark::DoNotOptimize(thumbnail);
    velm::ReleaseBlock(thumbnail);
  }
}
BENCHMARK(BM_ThumbnailOfSelectedPaths)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
