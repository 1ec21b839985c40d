// A library with one large group: `velm ls` of it, a redraw of the palette showing it,
// and the search's scan of its record headers, over groups of 100, 1,000 and 10,000
// records. Each group file holds copies of one record captured from 20 filled and stroked
// paths (a thumbnail and a small art stream, as a symbol set's records are), written
// straight into the file so that a large group takes a moment to make.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bench_session.h"
#include "commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_index.h"
#include "dialogs/search_dialog.h"
#include "frame/globals.h"
#include "hostsim/desktop/dialog_manager.h"
#include "palette/palette_window.h"
#include "palette/thumbnail_cache.h"
#include "platform/memory.h"

namespace {

// One stored record (its bytes as the group file holds them), captured once per process.
const std::string& StoredRecord() {
  static const std::string record = [] {
    BenchSession bench("library-record");
    if (!bench.ready()) return std::string();
    AddRectangleRows(bench.doc(), 20, true);
    std::int32_t number = 0, objects = 0;
    std::string error;
    if (!bench.session().Capture("one", {"symbol", "kind", "a comment"}, &number, &objects,
                                 &error)) {
      return std::string();
    }
    std::ifstream in(bench.library() / "one.VEL", std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return file.size() > 4 ? file.substr(4) : std::string();
  }();
  return record;
}

// Writes `group`.VEL into `folder`: `records` copies of the stored record.
bool WriteGroup(const std::filesystem::path& folder, const std::string& group, int records) {
  const std::string& record = StoredRecord();
  if (record.empty()) return false;
  std::ofstream out(folder / (group + ".VEL"), std::ios::binary);
  const char count[4] = {static_cast<char>(records >> 24), static_cast<char>(records >> 16),
                         static_cast<char>(records >> 8), static_cast<char>(records)};
  out.write(count, 4);
  for (int i = 0; i < records; ++i)
    out.write(record.data(), static_cast<std::streamsize>(record.size()));
  return static_cast<bool>(out);
}

void SetPerRecord(benchmark::State& state, int records) {
  state.counters["records"] = records;
  state.counters["s_per_record"] =
      benchmark::Counter(static_cast<double>(records) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// `velm ls` of the library folder (opening it, checking the group's record lengths and
// listing every record's header), as the command runs it; its output is discarded.
void BM_VelmLs(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("velm-bench-ls-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  if (!WriteGroup(folder, "symbols", records)) {
    state.SkipWithError("the group could not be made");
    return;
  }
  velmtool::LsOptions options;
  options.target = folder.string();
  std::size_t listed = 0;
  for (auto _ : state) {
    std::ostringstream out, err;
    if (velmtool::CommandLs(options, out, err) != 0) state.SkipWithError(err.str().c_str());
    listed = out.str().size();
  }
  benchmark::DoNotOptimize(listed);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  SetPerRecord(state, records);
}
BENCHMARK(BM_VelmLs)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A session whose current group is `records` copies of the stored record.
class GroupWorld {
 public:
  explicit GroupWorld(int records)
      : captured_(!StoredRecord().empty()), bench_("group-" + std::to_string(records)) {
    ready_ = captured_ && bench_.ready() && WriteGroup(bench_.library(), "big", records);
    if (ready_) {
      std::snprintf(velm::gGlobals->currentGroup, sizeof velm::gGlobals->currentGroup, "%s", "big");
    }
  }
  bool ready() const { return ready_; }
  BenchSession& bench() { return bench_; }

 private:
  bool captured_;  // the record is captured (in a session of its own) before this one opens
  BenchSession bench_;
  bool ready_ = false;
};

// One redraw of the palette over the group, with a palette small enough that fewer than
// 100 icons show, so that every size of group draws as many icons: warm (thumbnails kept
// from the redraw before) or cold (each shown record read and its thumbnail expanded);
// the first icons of the group, or with the list scrolled to its end (`atEnd`).
void RedrawOverGroup(benchmark::State& state, bool cold, bool atEnd = false) {
  const int records = static_cast<int>(state.range(0));
  GroupWorld world(records);
  if (!world.ready()) {
    state.SkipWithError("the group could not be made");
    return;
  }
  velm::Globals* g = velm::gGlobals;
  g->toolMode = 1;
  velm::CreatePalette();
  auto* palette = hostsim::Dialog::From(g->palette);
  if (!palette) {
    state.SkipWithError("no palette");
    return;
  }
  palette->SetScreenBounds({100, 100, 420, 360});
  velm::LayoutPalette(g->palette);
  if (atEnd && !palette->ScrollList(velm::kRecordListItem, records)) {
    state.SkipWithError("the list does not scroll");
    return;
  }
  hostsim::Host& host = world.bench().session().host();
  host.dialogs().PaintFloating(&host.desktop().screen());  // warms the cache
  for (auto _ : state) {
    if (cold) velm::ClearThumbnailCache();
    host.dialogs().PaintFloating(&host.desktop().screen());
  }
  state.counters["records"] = records;
}
void BM_RedrawPaletteOverGroup(benchmark::State& state) {
  RedrawOverGroup(state, false);
}
void BM_RedrawPaletteOverGroupCold(benchmark::State& state) {
  RedrawOverGroup(state, true);
}
BENCHMARK(BM_RedrawPaletteOverGroup)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawPaletteOverGroupCold)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);
void BM_RedrawPaletteAtGroupEndCold(benchmark::State& state) {
  RedrawOverGroup(state, true, true);
}
BENCHMARK(BM_RedrawPaletteAtGroupEndCold)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

// The search's scan of the group as the search dialog runs it: every record's header read
// by its number and matched against a name pattern (every record matches), the matches
// listed.
void BM_SearchGroup(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  GroupWorld world(records);
  if (!world.ready()) {
    state.SkipWithError("the group could not be made");
    return;
  }
  velm::Globals* g = velm::gGlobals;
  g->flCnvFnMode = 0;
  std::snprintf(g->flCnvFnStr, sizeof g->flCnvFnStr, "%s", "symbol");
  g->flCnvCase = 0;
  g->flCnvKanji = 0;
  g->flCnvWord = 0;
  // Returns the number of records found.
  auto scan = [&] {
    velm::os::MemHandle list = nullptr;
    velm::GrowBlock(list, 4, velm::kListGranule);
    const std::int32_t count = velm::GroupRecordCount("big");
    for (std::int32_t i = 0; i < count; ++i) {
      if (velm::VelmReadRecord("big", i, nullptr, velm::kReadHeaderOnly, true) != 0 ||
          !g->currentRecord) {
        break;
      }
      const velm::Record* h = velm::RecordHeader(g->currentRecord);
      if (velm::RecordMatchesSearch(h->name, h->kind, h->comment))
        velm::VelmAddItemRIHList(list, "big", i, h->name, h->kind, h->created);
    }
    const std::int32_t n = velm::RIHCount(list);
    velm::ReleaseBlock(list);
    return n;
  };
  // One scan first: the group's record offsets are then kept, as when the palette has
  // shown the group before the search runs.
  std::int32_t found = scan();
  for (auto _ : state)
    found = scan();
  if (found != records) state.SkipWithError("the search did not find every record");
  SetPerRecord(state, records);
}
BENCHMARK(BM_SearchGroup)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Processor time of this process (user and system), in milliseconds.
double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A folder of its own holding `group`.VEL of `records` copies of the stored record.
std::filesystem::path GroupFolder(const char* name, int records) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      (std::string("velm-bench-") + name + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  return WriteGroup(folder, "symbols", records) ? folder : std::filesystem::path();
}

// `velm ls` of a group of 10,000 records against reading its file as `cat` does (64 KiB
// reads, the bytes thrown away), both in processor time over the same iterations:
// `cpu_ms` the listing, `cat_ms` the reading, `of_cat` the one over the other.
void BM_VelmLsAgainstCat(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const std::filesystem::path folder = GroupFolder("lscat", records);
  if (folder.empty()) {
    state.SkipWithError("the group could not be made");
    return;
  }
  velmtool::LsOptions options;
  options.target = folder.string();
  const std::string file = (folder / "symbols.VEL").string();
  std::vector<char> chunk(65536);
  double ls = 0, cat = 0;
  for (auto _ : state) {
    const double t0 = ProcessCpuMs();
    std::ostringstream out, err;
    if (velmtool::CommandLs(options, out, err) != 0) state.SkipWithError(err.str().c_str());
    const double t1 = ProcessCpuMs();
    if (FILE* f = std::fopen(file.c_str(), "rb")) {
      std::setvbuf(f, nullptr, _IONBF, 0);
      while (std::fread(chunk.data(), 1, chunk.size(), f) == chunk.size()) {
      }
      std::fclose(f);
    }
    const double t2 = ProcessCpuMs();
    ls += t1 - t0;
    cat += t2 - t1;
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["cpu_ms"] = ls / n;
  state.counters["cat_ms"] = cat / n;
  state.counters["of_cat"] = cat > 0 ? ls / cat : 0;
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_VelmLsAgainstCat)->Arg(10000)->Unit(benchmark::kMillisecond);

// `velm show` of the first (0) or the last (1) record of a group of 50,000 records, in
// processor time (`cpu_ms`).
void BM_VelmShowOf50000(benchmark::State& state) {
  constexpr int kRecords = 50000;
  const std::filesystem::path folder = GroupFolder("show", kRecords);
  if (folder.empty()) {
    state.SkipWithError("the group could not be made");
    return;
  }
  velmtool::ShowOptions options;
  options.target = (folder / "symbols.VEL").string();
  options.record = state.range(0) ? std::to_string(kRecords - 1) : "0";
  double cpu = 0;
  for (auto _ : state) {
    const double t0 = ProcessCpuMs();
    std::ostringstream out, err;
    if (velmtool::CommandShow(options, out, err) != 0) state.SkipWithError(err.str().c_str());
    cpu += ProcessCpuMs() - t0;
  }
  state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations());
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_VelmShowOf50000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// `velm rm` of the first (0) or the last (1) record of a group of 10,000 records (the
// group written anew, and the trash emptied, outside the timing), in processor time.
void BM_VelmRmOf10000(benchmark::State& state) {
  constexpr int kRecords = 10000;
  const std::filesystem::path folder = GroupFolder("rm", kRecords);
  if (folder.empty()) {
    state.SkipWithError("the group could not be made");
    return;
  }
  velmtool::RmOptions options;
  options.target = (folder / "symbols.VEL").string();
  options.record = state.range(0) ? std::to_string(kRecords - 1) : "0";
  double cpu = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ec;
    std::filesystem::remove_all(folder / "TRASH", ec);
    WriteGroup(folder, "symbols", kRecords);
    state.ResumeTiming();
    const double t0 = ProcessCpuMs();
    std::ostringstream out, err;
    if (velmtool::CommandRm(options, out, err) != 0) state.SkipWithError(err.str().c_str());
    cpu += ProcessCpuMs() - t0;
  }
  state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations());
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_VelmRmOf10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
