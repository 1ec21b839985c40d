// Memory of a capture and of a placement of 10,000 and 100,000 paths, the host's document
// measured apart from the plug-in (the plug-in runs in the host's address space, which a
// 32-bit host keeps under 2 GB together with its document):
//
// - `host_B_per_path`: the bytes the stand-in host's document holds a path (a document
//   built as the capture benchmark builds it; after a placement, what the placement added,
//   its undo step included);
// - `plugin_MB`: the most the plug-in's own memory blocks held at once during the call
//   (records, thumbnails, object buffers, coded streams), beside its anchor `stream_MB`,
//   the record's uncompressed art stream, and `plugin_of_stream`, the one over the other;
// - `peak_MB`: the most the whole process's heap grew during the call (plug-in, host and
//   everything else), from the counting wrappers of heap_count.cpp.
//
// One iteration each: every figure is a count of bytes, the same in every run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "bench_session.h"
#include "capture/art_tree_writer.h"
#include "database/record.h"
#include "frame/globals.h"
#include "heap_count.h"
#include "placement/art_loader.h"
#include "platform/memory.h"
#include "platform/os.h"

namespace {

constexpr double kMB = 1e6;

double Megabytes(std::int64_t bytes) {
  return static_cast<double>(bytes) / kMB;
}

std::int64_t BlocksHeld() {
  return static_cast<std::int64_t>(velm::os::BlockUse().held);
}

// The uncompressed art stream of the record the plug-in would capture from `bench`'s
// selection now.
std::int64_t StreamBytes() {
  if (velm::VelmPostArt() != host::kNoErr || !velm::gGlobals->currentRecord) return 0;
  const std::int64_t bytes =
      velm::RecordHeader(velm::gGlobals->currentRecord)->recordLength - velm::kEmptyRecordLength;
  velm::ReleaseBlock(velm::gGlobals->currentRecord);
  return bytes;
}

// A capture as the add button makes it (the art tree written, the record stored in its
// group file) from a document of `paths` filled and stroked rectangles.
void BM_CaptureMemory(benchmark::State& state) {
  const int paths = static_cast<int>(state.range(0));
  BenchSession bench("capture-memory-" + std::to_string(paths));
  const std::int64_t empty = bench::Heap().held;
  AddRectangleRows(bench.doc(), paths, true);
  const std::int64_t document = bench::Heap().held - empty;
  const std::int64_t stream = StreamBytes();
  std::int64_t plugin = 0, peak = 0;
  for (auto _ : state) {
    velm::ReleaseBlock(velm::gGlobals->currentRecord);
    const std::int64_t heap = bench::Heap().held;
    const std::int64_t blocks = BlocksHeld();
    bench::ResetHeapPeak();
    velm::os::ResetBlockPeak();
    std::int32_t record = 0, objects = 0;
    std::string error;
    if (!bench.session().Capture("bench", {"bench", "", ""}, &record, &objects, &error)) {
      state.SkipWithError(("the capture failed: " + error).c_str());
      return;
    }
    plugin = static_cast<std::int64_t>(velm::os::BlockUse().peak) - blocks;
    peak = bench::Heap().peak - heap;
  }
  state.counters["host_B_per_path"] = static_cast<double>(document) / paths;
  state.counters["stream_MB"] = Megabytes(stream);
  state.counters["plugin_MB"] = Megabytes(plugin);
  state.counters["plugin_of_stream"] = static_cast<double>(plugin) / static_cast<double>(stream);
  state.counters["peak_MB"] = Megabytes(peak);
}
BENCHMARK(BM_CaptureMemory)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// A drop of a record of `paths` filled and stroked rectangles into an empty document, as
// one undo step, with no record loaded before it.
void BM_PlaceMemory(benchmark::State& state) {
  const int paths = static_cast<int>(state.range(0));
  BenchSession bench("place-memory-" + std::to_string(paths));
  AddRectangleRows(bench.doc(), paths, true);
  const std::int64_t stream = StreamBytes();
  std::int32_t record = 0, objects = 0;
  std::string error;
  if (!bench.session().Capture("bench", {"bench", "", ""}, &record, &objects, &error)) {
    state.SkipWithError(("the record could not be made: " + error).c_str());
    return;
  }
  velm::gGlobals->dropPoint = {100, 100};
  velm::gGlobals->originMode = 2;
  std::int64_t plugin = 0, peak = 0, document = 0;
  for (auto _ : state) {
    state.PauseTiming();
    velm::ReleaseBlock(velm::gGlobals->currentRecord);
    bench.session().host().SetDocument(std::make_unique<hostsim::Document>());
    bench.doc().BeginUndoStep();
    const std::int64_t heap = bench::Heap().held;
    const std::int64_t blocks = BlocksHeld();
    bench::ResetHeapPeak();
    velm::os::ResetBlockPeak();
    state.ResumeTiming();
    if (velm::VelmLoadArt("bench", 0) != host::kNoErr) {
      state.SkipWithError("the placement failed");
      return;
    }
    bench.doc().BeginUndoStep();
    plugin = static_cast<std::int64_t>(velm::os::BlockUse().peak) - blocks;
    peak = bench::Heap().peak - heap;
    // What the document gained: the heap's growth less the plug-in's blocks still held
    // (the record stays loaded after a drop).
    document = bench::Heap().held - heap - (BlocksHeld() - blocks);
  }
  state.counters["host_B_per_path"] = static_cast<double>(document) / paths;
  state.counters["stream_MB"] = Megabytes(stream);
  state.counters["plugin_MB"] = Megabytes(plugin);
  state.counters["plugin_of_stream"] = static_cast<double>(plugin) / static_cast<double>(stream);
  state.counters["peak_MB"] = Megabytes(peak);
}
BENCHMARK(BM_PlaceMemory)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
