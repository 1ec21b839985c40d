// `velm export --all` of a group into a folder, in-process: every record placed in a
// document of its own and written as a picture (PNG) or as editable SVG. One stand-in
// host serves the whole run. `cpu_ms_per_record`: the process's processor time a record.
#include <benchmark/benchmark.h>

#include <ctime>
#include <sstream>
#include <string>

#include "bench_session.h"
#include "commands.h"

namespace {

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A library folder of its own holding a group `records` long of one record of 20 filled
// rectangles, each made by the plug-in's own add; empty when it cannot be made.
std::filesystem::path MakeLibrary(int records) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("velm-bench-export-" + std::to_string(::getpid()));
  BenchSession bench("export-source");  // gone (the plug-in stopped) before the export runs
  if (!bench.ready()) return {};
  AddRectangleRows(bench.doc(), 20, true);
  for (int i = 0; i < records; ++i) {
    std::int32_t number = 0, objects = 0;
    std::string error;
    if (!bench.session().Capture("export", {"symbol " + std::to_string(i), "kind", ""}, &number,
                                 &objects, &error))
      return {};
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::filesystem::copy_file(bench.library() / "export.VEL", folder / "export.VEL",
                             std::filesystem::copy_options::overwrite_existing, ec);
  return ec ? std::filesystem::path() : folder;
}

void BM_VelmExportAll(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const bool svg = state.range(1) != 0;
  const std::filesystem::path library = MakeLibrary(records), out = library / "out";
  if (library.empty()) {
    state.SkipWithError("the group could not be made");
    return;
  }
  velmtool::ExportOptions options;
  options.target = library.string();
  options.group = "export";
  options.all = true;
  options.output = out.string() + "/";
  options.format = svg ? "svg" : "png";
  double cpu = 0;
  for (auto _ : state) {
    std::ostringstream o, e;
    const double start = CpuMs();
    if (velmtool::CommandExport(options, o, e) != 0) state.SkipWithError(e.str().c_str());
    cpu += CpuMs() - start;
  }
  state.counters["cpu_ms_per_record"] =
      cpu / static_cast<double>(records) / static_cast<double>(state.iterations());
  state.SetLabel(svg ? "svg" : "png");
  std::error_code ec;
  std::filesystem::remove_all(library, ec);
}
BENCHMARK(BM_VelmExportAll)
    ->Args({100, 0})
    ->Args({100, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
