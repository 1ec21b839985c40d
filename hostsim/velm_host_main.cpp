// velm-host: runs the plug-in inside the stand-in host.
//
//   velm-host run [--out DIR] [--module FILE]
//       loads the plug-in, starts it up, shows the about box, unloads and reloads it,
//       shuts it down, and prints the message log and the suite balance.
//   velm-host render SCENE.json -o OUT.png|OUT.svg [--scale S]
//       draws a scene as the stand-in host shows it.
//   velm-host capture SCENE.json --library DIR --group G --name N [--kind K] [--comment C]
//       opens the scene, captures its selected art as the plug-in's add button does, and
//       appends the record to group G of the library folder DIR.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "capture/art_tree_writer.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "frame/plugin_main.h"
#include "frame/suites.h"
#include "hostsim/host.h"
#include "hostsim/renderer.h"
#include "hostsim/scene.h"
#include "resources/resource_table.h"

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

struct CaptureOptions {
  std::string scene;
  std::string library;
  std::string group;
  std::string name;
  std::string kind;
  std::string comment;
};

// Copies a UTF-8 text as Shift-JIS into a fixed field; false when it does not fit.
bool PutText(const std::string& utf8, char* field, std::size_t size, const char* what) {
  const std::string sjis = hostsim::ToSjis(utf8);
  if (sjis.size() >= size) {
    std::fprintf(stderr, "velm-host: the %s is longer than %zu bytes in Shift-JIS\n", what,
                 size - 1);
    return false;
  }
  std::memcpy(field, sjis.c_str(), sjis.size() + 1);
  return true;
}

// The plug-in runs linked into this program, its database folder standing on the library
// folder: drive C: is a temporary folder whose "velm\VELM" is a link to the library and
// the application is "C:\velm\Support Files\Host.exe".
int Capture(const CaptureOptions& o) {
  namespace fs = std::filesystem;
  const std::string group = hostsim::ToSjis(o.group);
  if (!velm::IsValidGroupName(group.c_str())) {
    std::fprintf(stderr, "velm-host: \"%s\" cannot be a group name\n", o.group.c_str());
    return 1;
  }
  std::error_code ec;
  const fs::path library = fs::absolute(o.library);
  fs::create_directories(library, ec);
  const fs::path driveC =
      fs::temp_directory_path() / ("velm-host-capture-" + std::to_string(::getpid()));
  fs::create_directories(driveC / "velm", ec);
  if (!ec) fs::create_directory_symlink(library, driveC / "velm" / "VELM", ec);
  if (ec || !fs::is_directory(library)) {
    std::fprintf(stderr, "velm-host: cannot use %s as the library folder\n", library.c_str());
    fs::remove_all(driveC, ec);
    return 1;
  }
  struct Cleanup {
    fs::path folder;
    ~Cleanup() {
      std::error_code ignored;
      fs::remove_all(folder, ignored);
    }
  } cleanup{driveC};

  hostsim::Host host("", driveC.string());
  int problems = 0;
  host.SetFailureHandler([&problems](const std::string& what) {
    std::fprintf(stderr, "velm-host: %s\n", what.c_str());
    ++problems;
  });
  host.SetApplicationPath("C:\\velm\\Support Files\\Host.exe");
  std::string error;
  if (!hostsim::OpenSceneFile(host, o.scene, &error)) {
    std::fprintf(stderr, "velm-host: %s\n", error.c_str());
    return 1;
  }
  host.UseInProcessPlugin(
      [](const char* caller, const char* selector, void* message) {
        return velm::PluginMainImpl(caller, selector, message);
      },
      &velm::res::Resources());
  if (host::Err err = host.Startup()) {
    std::fprintf(stderr, "velm-host: the plug-in did not start (%d)\n", err);
    return 1;
  }

  host::MessageData message = host.NewMessage();
  int result = 1;
  if (velm::AcquireSuites(message.basic) == host::kNoErr) {
    const host::Err captured = velm::VelmPostArt();
    velm::Globals* g = velm::gGlobals;
    if (captured != host::kNoErr || !g->currentRecord) {
      std::fprintf(stderr, "velm-host: the capture failed (%d)\n", captured);
    } else {
      velm::Record* header = velm::RecordHeader(g->currentRecord);
      const std::int32_t objects = header->objectCount;
      if (PutText(o.name, header->name, sizeof header->name, "name") &&
          PutText(o.kind, header->kind, sizeof header->kind, "kind") &&
          PutText(o.comment, header->comment, sizeof header->comment, "comment")) {
        const std::int32_t before = velm::GroupRecordCount(group.c_str());
        const host::Err written = velm::WriteGroupRecord(group.c_str(), -1);
        if (written != host::kNoErr || velm::GroupRecordCount(group.c_str()) != before + 1) {
          std::fprintf(stderr, "velm-host: the record was not written to %s (%d)\n",
                       o.group.c_str(), written);
        } else {
          std::printf("Captured %d objects as record %d of group %s in %s\n", objects, before,
                      o.group.c_str(), library.c_str());
          result = 0;
        }
      }
    }
    velm::ReleaseSuites(message.basic);
  }
  host.Shutdown();
  return problems == 0 ? result : 1;
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
  CaptureOptions capture;
  CLI::App* captureCommand =
      app.add_subcommand("capture", "capture a scene's selected art into a library folder");
  captureCommand->add_option("scene", capture.scene, "the scene (JSON)")->required();
  captureCommand->add_option("--library", capture.library, "the library folder")->required();
  captureCommand->add_option("--group", capture.group, "the group to append to")->required();
  captureCommand->add_option("--name", capture.name, "the record's name")->required();
  captureCommand->add_option("--kind", capture.kind, "the record's kind");
  captureCommand->add_option("--comment", capture.comment, "the record's comment");
  std::string scenePath, picturePath;
  double scale = 1.0;
  CLI::App* render = app.add_subcommand("render", "draw a scene to a PNG or SVG picture");
  render->add_option("scene", scenePath, "the scene (JSON)")->required();
  render->add_option("-o,--out", picturePath, "the picture, .png or .svg")->required();
  render->add_option("--scale", scale, "pixels per point")->check(CLI::PositiveNumber);
  CLI11_PARSE(app, argc, argv);
  if (*run) return Run(modulePath, outDir);
  if (*render) return Render(scenePath, picturePath, scale);
  if (*captureCommand) return Capture(capture);
  return 2;
}
