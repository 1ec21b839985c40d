// velm-host: runs the plug-in inside the stand-in host.
//
//   velm-host run [--out DIR] [--module FILE]
//       loads the plug-in, starts it up, shows the about box, unloads and reloads it,
//       shuts it down, and prints the message log and the suite balance.
//   velm-host render SCENE.json -o OUT.png|OUT.svg [--scale S]
//       draws a scene as the stand-in host shows it.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <string>

#include "hostsim/host.h"
#include "hostsim/renderer.h"
#include "hostsim/scene.h"

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

int Render(const std::string& scenePath, const std::string& outPath, double scale) {
  std::string error;
  std::unique_ptr<hostsim::Document> document = hostsim::ReadSceneFile(scenePath, &error);
  if (!document) {
    std::fprintf(stderr, "velm-host: %s\n", error.c_str());
    return 1;
  }
  hostsim::RenderOptions options;
  options.scale = scale;
  if (!hostsim::RenderDocumentToFile(*document, outPath, options, &error)) {
    std::fprintf(stderr, "velm-host: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", outPath.c_str());
  return 0;
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
  std::string scenePath, picturePath;
  double scale = 1.0;
  CLI::App* render = app.add_subcommand("render", "draw a scene to a PNG or SVG picture");
  render->add_option("scene", scenePath, "the scene (JSON)")->required();
  render->add_option("-o,--out", picturePath, "the picture, .png or .svg")->required();
  render->add_option("--scale", scale, "pixels per point")->check(CLI::PositiveNumber);
  CLI11_PARSE(app, argc, argv);
  if (*run) return Run(modulePath, outDir);
  if (*render) return Render(scenePath, picturePath, scale);
  return 2;
}
