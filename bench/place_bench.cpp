// Placing a record: the whole drop (reading the record, rebuilding its art in the
// document as one undoable step) of records of 100, 1,000 and 10,000 paths, reported per
// object so that its growth with the record shows.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>
#include <string>

#include "bench_session.h"
#include "frame/globals.h"
#include "placement/art_loader.h"

namespace {

// A library holding one record of `paths` filled and stroked rectangles in rows of 100,
// each row a group, captured from a document built for it.
class PlaceWorld {
 public:
  explicit PlaceWorld(int paths) : bench_("place-" + std::to_string(paths)) {
    AddRectangleRows(bench_.doc(), paths, true);
    std::int32_t record = 0;
    std::string error;
    captured_ = bench_.ready() &&
                bench_.session().Capture("bench", {"bench", "", ""}, &record, &objects_, &error);
  }
  bool ready() const { return captured_; }
  std::int32_t objects() const { return objects_; }
  void FreshDocument() {
    bench_.session().host().SetDocument(std::make_unique<hostsim::Document>());
  }
  hostsim::Document& document() { return bench_.doc(); }

 private:
  BenchSession bench_;
  std::int32_t objects_ = 0;
  bool captured_ = false;
};

void PlaceRecord(benchmark::State& state) {
  PlaceWorld world(static_cast<int>(state.range(0)));
  if (!world.ready()) {
    state.SkipWithError("the record could not be made");
    return;
  }
  velm::gGlobals->dropPoint = {100, 100};
  velm::gGlobals->originMode = 2;
  for (auto _ : state) {
    state.PauseTiming();
    world.FreshDocument();
    world.document().BeginUndoStep();
    state.ResumeTiming();
    velm::VelmLoadArt("bench", 0);
  }
  state.counters["objects"] = world.objects();
  state.counters["s_per_object"] = benchmark::Counter(
      static_cast<double>(world.objects()) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::OneK::kIs1000);
}
void BM_PlaceRecord(benchmark::State& state) {
  PlaceRecord(state);
}
BENCHMARK(BM_PlaceRecord)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same with freed memory kept by the C library instead of given back to the system:
// the expanded record of 10,000 paths (about 50 MB, in two blocks) then comes back without
// the system's first-touch page faults, which otherwise dominate on a virtual machine
// that faults slowly and hide the placement's own cost.
void BM_PlaceRecordMemoryKept(benchmark::State& state) {
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  PlaceRecord(state);
  mallopt(M_TRIM_THRESHOLD, 128 * 1024);
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  malloc_trim(0);
}
BENCHMARK(BM_PlaceRecordMemoryKept)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
