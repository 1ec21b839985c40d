// velm-bench: with any --benchmark_… option, a plain Google Benchmark program. Without,
// it runs every benchmark, each variant that changes the C library's allocation settings
// ("MemoryKept") in a process of its own and all others together in one, so that no
// figure depends on what ran before it; then prints one table: each figure, the plain
// form it replaces where there is one, and the speed-up of the one over the other. A
// benchmark gives its plain form either itself, timed over the same iterations (counters
// "plain_MB" and "ratio", the plain form's time over its own), or as the benchmark of
// the same name with "Plain" after its function name.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Result {
  double time = 0;  // per iteration, in `unit`
  std::string unit;
  double megabytesPerSecond = 0;       // counter "MB", when there is one
  double plainMegabytesPerSecond = 0;  // counter "plain_MB"
  double plainMilliseconds = 0;        // counter "plain_ms"
  double ratio = 0;                    // counter "ratio": the plain form's time over this one's
  double ofMemcpy = 0;                 // counter "of_memcpy": this speed as a share of memcpy's
};

std::string Self() {
  std::error_code ec;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("velm-bench") : path.string();
}

std::vector<std::string> BenchmarkNames(const std::string& self) {
  std::vector<std::string> names;
  std::string command = self;
  command.append(" --benchmark_list_tests=true");
  FILE* list = popen(command.c_str(), "r");
  if (!list) return names;
  char line[512];
  while (std::fgets(line, sizeof line, list)) {
    std::string name(line);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
      name.pop_back();
    if (!name.empty()) names.push_back(name);
  }
  pclose(list);
  return names;
}

std::string Family(const std::string& name) {
  return name.substr(0, name.find('/'));
}

std::string RegexQuote(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

// Runs the benchmarks `names` in a process of their own; their results by name.
bool RunGroup(const std::string& self, const std::vector<std::string>& names,
              std::map<std::string, Result>* results) {
  std::ostringstream filter;
  filter << "^(";
  for (std::size_t i = 0; i < names.size(); ++i)
    filter << (i ? "|" : "") << RegexQuote(names[i]);
  filter << ")$";
  std::ostringstream file;
  file << "velm-bench-" << getpid() << ".json";
  const std::string out = std::filesystem::temp_directory_path() / file.str();
  std::ostringstream command;
  command << self << " '--benchmark_filter=" << filter.str() << "' --benchmark_out=" << out
          << " --benchmark_out_format=json";
  const int status = std::system(command.str().c_str());
  std::ifstream in(out);
  const nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
  std::filesystem::remove(out);
  if (status != 0 || json.is_discarded()) return false;
  for (const auto& b : json.value("benchmarks", nlohmann::json::array())) {
    if (b.value("run_type", "iteration") != "iteration" || b.contains("error_occurred")) continue;
    Result r{b.value("real_time", 0.0), b.value("time_unit", "ns"), b.value("MB", 0.0),
             b.value("plain_MB", 0.0),  b.value("plain_ms", 0.0),   b.value("ratio", 0.0),
             b.value("of_memcpy", 0.0)};
    (*results)[b.value("name", "")] = r;
  }
  return true;
}

std::string Figure(const Result& r) {
  char text[128];
  if (r.megabytesPerSecond > 0 && r.ofMemcpy > 0) {
    std::snprintf(text, sizeof text, "%.0f MB/s (%.2f of memcpy)", r.megabytesPerSecond,
                  r.ofMemcpy);
  } else if (r.megabytesPerSecond > 0) {
    std::snprintf(text, sizeof text, "%.4g %s (%.0f MB/s)", r.time, r.unit.c_str(),
                  r.megabytesPerSecond);
  } else {
    std::snprintf(text, sizeof text, "%.4g %s", r.time, r.unit.c_str());
  }
  return text;
}

double Seconds(const Result& r) {
  const double scale = r.unit == "ns" ? 1e-9 : r.unit == "us" ? 1e-6 : r.unit == "ms" ? 1e-3 : 1;
  return r.time * scale;
}

void PrintMachine() {
  std::ifstream cpu("/proc/cpuinfo");
  std::string line, model = "unknown processor";
  while (std::getline(cpu, line)) {
    if (line.rfind("model name", 0) == 0) {
      model = line.substr(line.find(':') + 2);
      break;
    }
  }
  std::printf("\nMachine: %s, %ld processors available\n\n", model.c_str(),
              sysconf(_SC_NPROCESSORS_ONLN));
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]).rfind("--benchmark_", 0) == 0) {
      benchmark::Initialize(&argc, argv);
      benchmark::RunSpecifiedBenchmarks();
      benchmark::Shutdown();
      return 0;
    }
  }
  const std::string self = Self();
  const std::vector<std::string> names = BenchmarkNames(self);
  if (names.empty()) {
    std::fprintf(stderr, "velm-bench: no benchmarks\n");
    return 1;
  }
  std::vector<std::string> together;
  std::map<std::string, std::vector<std::string>> alone;  // by family
  for (const std::string& name : names) {
    if (name.find("MemoryKept") != std::string::npos) {
      alone[Family(name)].push_back(name);
    } else {
      together.push_back(name);
    }
  }
  std::map<std::string, Result> results;
  bool ok = RunGroup(self, together, &results);
  for (const auto& [family, members] : alone)
    ok = RunGroup(self, members, &results) && ok;

  PrintMachine();
  std::printf("| Benchmark | Figure | Plain form | Speed-up |\n|---|---|---|---|\n");
  for (const std::string& name : names) {
    const std::string family = Family(name);
    if (family.size() > 5 && family.compare(family.size() - 5, 5, "Plain") == 0) continue;
    const auto it = results.find(name);
    if (it == results.end()) {
      std::printf("| %s | (did not run) | | |\n", name.c_str());
      continue;
    }
    std::string plainName = family;
    plainName.append("Plain").append(name, family.size());
    const auto plain = results.find(plainName);
    const Result& r = it->second;
    if (r.ratio > 0 && r.plainMegabytesPerSecond > 0) {
      std::printf("| %s | %s | %.0f MB/s | %.2f× |\n", name.c_str(), Figure(r).c_str(),
                  r.plainMegabytesPerSecond, r.ratio);
    } else if (r.ratio > 0 && r.plainMilliseconds > 0) {
      std::printf("| %s | %s | %.4g ms | %.2f× |\n", name.c_str(), Figure(r).c_str(),
                  r.plainMilliseconds, r.ratio);
    } else if (plain == results.end()) {
      std::printf("| %s | %s | | |\n", name.c_str(), Figure(it->second).c_str());
    } else {
      std::printf("| %s | %s | %s | %.2f× |\n", name.c_str(), Figure(it->second).c_str(),
                  Figure(plain->second).c_str(), Seconds(plain->second) / Seconds(it->second));
    }
  }
  return ok ? 0 : 1;
}
