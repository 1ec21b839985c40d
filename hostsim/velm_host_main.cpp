// velm-host: runs the plug-in inside the stand-in host.
//
//   velm-host run [--out DIR] [--module FILE]
//       loads the plug-in, starts it up, shows the about box, unloads and reloads it,
//       shuts it down, and prints the message log and the suite balance.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <string>

#include "hostsim/host.h"

namespace {

int Run(const std::string& modulePath, const std::string& outDir) {
  namespace fs = std::filesystem;
  const fs::path driveC = fs::absolute(fs::path(outDir) / "drive-c");
  std::error_code ec;
  fs::create_directories(driveC, ec);
  if (ec) {
    std::fprintf(stderr, "velm-host: cannot create %s: %s\n", driveC.c_str(), ec.message().c_str());
    return 1;
  }

  hostsim::Host host(modulePath, driveC.string());
  int problems = 0;
  host.SetFailureHandler([&problems](const std::string& what) {
    std::fprintf(stderr, "velm-host: %s\n", what.c_str());
    ++problems;
  });
  if (!host.LoadModule()) {
    std::fprintf(stderr, "velm-host: %s\n", host.loadError().c_str());
    return 1;
  }

  std::printf("Starting the plug-in\n");
  host.Startup();
  std::printf("Showing the about box\n");
  host.dialogs().QueueModal([](hostsim::Dialog& about) {
    std::printf("  [%s] %s\n", hostsim::ToUtf8(about.title()).c_str(),
                hostsim::ToUtf8(about.TextOf(2)).c_str());
    about.Press(1);
  });
  host.About();
  std::printf("Unloading and reloading the plug-in\n");
  host.Unload();
  host.Reload();
  std::printf("Shutting the plug-in down\n");
  host.Shutdown();
  host.Unload();

  std::printf("\nMessages:\n");
  for (const std::string& line : host.messageLog())
    std::printf("  %s\n", line.c_str());
  std::printf("Suite acquisitions: %d, all given back: %s\n", host.suites().TotalAcquisitions(),
              host.suites().Unbalanced().empty() ? "yes" : "no");
  for (const std::string& s : host.suites().Unbalanced()) {
    std::printf("  still held: %s\n", s.c_str());
    ++problems;
  }
  if (!host.liveBlocks().empty()) {
    std::printf("Host blocks still allocated: %zu\n", host.liveBlocks().size());
    ++problems;
  }
  return problems == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"velm-host: the VELM-Pro plug-in in the stand-in host"};
  app.require_subcommand(1);
  std::string modulePath = VELM_MODULE_PATH;
  std::string outDir = "demo-output";
  CLI::App* run = app.add_subcommand("run", "start, show the about box, unload, reload, shut down");
  run->add_option("--out", outDir, "folder for the host's files (its drive C:)");
  run->add_option("--module", modulePath, "the plug-in module");
  CLI11_PARSE(app, argc, argv);
  if (*run) return Run(modulePath, outDir);
  return 2;
}
