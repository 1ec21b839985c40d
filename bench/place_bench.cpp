// Placing a record: the whole drop (reading the record, rebuilding its art in the
// document as one undoable step) of records of 100 to 100,000 paths, reported per
// object so that its growth with the record shows; and the expansion of the same stored
// records alone, straight into the final block beside expansion through temporary blocks.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_session.h"
#include "database/expand_reference.h"
#include "database/group_file.h"
#include "database/lzss.h"
#include "database/record.h"
#include "frame/globals.h"
#include "placement/art_loader.h"
#include "platform/memory.h"

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
// Expanding the stored record (as read from the group file, in a fresh block of whole
// granules as a record read allocates) with art: ExpandRecord against expansion through
// temporary blocks, timed over the same iterations. Counters: milliseconds of each
// (`ms`, `temporary_ms`), megabytes of expanded record per second (`MB`, `temporary_MB`)
// and the ratio.
void BM_ExpandRecord(benchmark::State& state) {
  PlaceWorld world(static_cast<int>(state.range(0)));
  // A block of our own, so that the read does not make it the current record.
  velm::os::MemHandle raw = nullptr;
  if (!world.ready() || !velm::GrowBlock(raw, velm::kRecordHeaderSize, velm::kRecordGranule) ||
      velm::VelmReadRecord("bench", 0, &raw, velm::kReadWholeRecord, false) != 0 ||
      velm::RecordHeader(raw)->thumbnailLength == 0) {
    state.SkipWithError("the record could not be made");
    velm::ReleaseBlock(raw);
    return;
  }
  // The three lengths in host order, as the expansion expects them.
  velm::Record* header = velm::RecordHeader(raw);
  velm::SwapBytes32(&header->recordLength);
  velm::SwapBytes32(&header->thumbnailLength);
  velm::SwapBytes32(&header->artLength);
  const std::vector<std::uint8_t> stored(raw, raw + header->recordLength);
  velm::ReleaseBlock(raw);

  using Clock = std::chrono::steady_clock;
  auto fresh = [&] {
    velm::os::MemHandle block = nullptr;
    velm::GrowBlock(block, static_cast<std::uint32_t>(stored.size()), velm::kRecordGranule);
    std::memcpy(block, stored.data(), stored.size());
    return block;
  };
  double ours = 0, temporary = 0;
  std::int64_t expanded = 0;
  bool same = true;
  for (auto _ : state) {
    velm::os::MemHandle a = fresh();
    velm::os::MemHandle b = fresh();
    Clock::time_point start = Clock::now();
    const std::int32_t status = velm::ExpandRecord(a, true);
    const double once = std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    const std::int32_t reference = velm::ExpandRecordThroughTemporaryBlocks(b, true);
    temporary += std::chrono::duration<double>(Clock::now() - start).count();
    ours += once;
    expanded = velm::RecordHeader(a)->recordLength;
    same = same && status == 0 && reference == 0 &&
           velm::RecordHeader(b)->recordLength == expanded &&
           std::memcmp(a, b, static_cast<std::size_t>(expanded)) == 0;
    velm::ReleaseBlock(a);
    velm::ReleaseBlock(b);
    state.SetIterationTime(once);
  }
  if (!same) state.SkipWithError("the two expansions differ");
  const auto n = static_cast<double>(state.iterations());
  state.counters["ms"] = ours / n * 1e3;
  state.counters["plain_ms"] = temporary / n * 1e3;
  state.counters["MB"] = static_cast<double>(expanded) / 1e6 * n / ours;
  state.counters["plain_MB"] = static_cast<double>(expanded) / 1e6 * n / temporary;
  state.counters["ratio"] = temporary / ours;
}
BENCHMARK(BM_ExpandRecord)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_PlaceRecord(benchmark::State& state) {
  PlaceRecord(state);
}
BENCHMARK(BM_PlaceRecord)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

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
