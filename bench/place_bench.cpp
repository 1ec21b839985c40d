// Placing a record: the whole drop (reading the record, rebuilding its art in the
// document as one undoable step) of records of 100, 1,000 and 10,000 paths, reported per
// object so that its growth with the record shows.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "frame/globals.h"
#include "hostsim/document.h"
#include "placement/art_loader.h"
#include "plugin_session.h"

namespace {

// A library holding one record of `paths` filled and stroked rectangles in rows of 100,
// each row a group, captured from a document built for it.
class PlaceWorld {
 public:
  explicit PlaceWorld(int paths) {
    folder_ = std::filesystem::temp_directory_path() /
              ("velm-place-bench-" + std::to_string(::getpid()) + "-" + std::to_string(paths));
    std::string error;
    session_ = velmsession::PluginSession::Open(folder_, false, &error);
    if (!session_) return;
    hostsim::Document& doc = session_->document();
    hostsim::Art* layer = doc.currentLayer()->group;
    hostsim::Art* row = nullptr;
    for (int i = 0; i < paths; ++i) {
      if (i % 100 == 0) {
        row = doc.Create(host::kGroupArt);
        doc.Insert(row, host::kPlaceInsideOnBottom, layer);
      }
      hostsim::Art* path = doc.Create(host::kPathArt);
      doc.Insert(path, host::kPlaceInsideOnBottom, row);
      const float h = static_cast<float>(i % 100) * 6, v = static_cast<float>(i / 100) * 6;
      for (auto [x, y] : {std::pair{h, v}, {h + 4, v}, {h + 4, v + 4}, {h, v + 4}})
        path->segments.push_back({{x, y}, {x, y}, {x, y}, 1});
      path->closed = true;
      path->style.fillPaint = 1;
      path->style.strokePaint = 1;
    }
    doc.Select(layer, true);
    std::int32_t record = 0;
    if (!session_->Capture("bench", {"bench", "", ""}, &record, &objects_, &error))
      session_.reset();
  }
  ~PlaceWorld() {
    session_.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  bool ready() const { return session_ != nullptr; }
  std::int32_t objects() const { return objects_; }
  void FreshDocument() { session_->host().SetDocument(std::make_unique<hostsim::Document>()); }
  hostsim::Document& document() { return session_->document(); }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<velmsession::PluginSession> session_;
  std::int32_t objects_ = 0;
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
