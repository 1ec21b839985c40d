// velm-host: runs the plug-in inside the stand-in host.
//
//   velm-host run [--out DIR] [--module FILE]
//       loads the plug-in, starts it up, shows the about box, unloads and reloads it,
//       shuts it down, and prints the message log and the suite balance.
//   velm-host render SCENE.json -o OUT.png|OUT.svg [--scale S] [--picture]
//       draws a scene as the stand-in host shows it; OUT.svg is the document as editable
//       SVG, or with --picture the drawing of it.
//   velm-host capture SCENE.json --library DIR --group G --name N [--kind K] [--comment C]
//                     [--select ID,ID...]
//       opens the scene, captures its selected art (or the art with the given ids) as the
//       plug-in's add button does, and appends the record to group G of the folder DIR.
//   velm-host place DIR GROUP N --at X,Y [--origin 0..8] [--snap anchor,intersection,path,grid]
//                   [--grid W,H] [--scene BASE.json] -o OUT.png|OUT.svg|OUT.json
//       places record N of GROUP into the scene (or an empty document) as the designer's
//       drop does, and writes the resulting document as a picture or a scene.
//   velm-host drag DIR GROUP N --through X,Y [--through X,Y ...] [--screen SHOT.png] [...]
//       the same as a drag from the palette: the preview follows the points on the
//       virtual screen (SHOT.png shows it at the last one), then the record is dropped.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "gui_settings.h"
#include "gui_window.h"
#include "hostsim/core/file_output.h"
#include "hostsim/document_files.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/host.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"
#include "hostsim/svg/svg_writer.h"
#include "plugin_session.h"
#include "session_script.h"

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
  velmsession::RecordTexts texts;
  std::vector<std::string> select;
};

// Selects exactly the art with the scene ids `ids` (with everything inside it).
bool SelectById(hostsim::Document& document, const std::vector<std::string>& ids,
                std::string* error) {
  document.DeselectAll();
  for (const std::string& id : ids) {
    hostsim::Art* art = document.FindById(id);
    if (!art) {
      *error = "the scene has no art with the id \"" + id + "\"";
      return false;
    }
    document.Select(art, true);
  }
  return true;
}

// What an SVG document could not carry over whole, for the person who opened it.
void PrintWarnings(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    std::fprintf(stderr, "velm-host: %s\n", line.c_str());
}

// The plug-in runs linked into this program, its database folder standing on the library
// folder (see tools/session).
int Capture(const CaptureOptions& o) {
  std::string error;
  if (hostsim::IsSvgPath(o.scene)) {
    hostsim::SvgDocument svg;
    if (hostsim::ReadSvgFile(o.scene, &svg, nullptr)) PrintWarnings(svg.report.Lines());
  }
  std::unique_ptr<velmsession::PluginSession> session =
      velmsession::PluginSession::Open(o.library, false, &error);
  std::int32_t record = 0, objects = 0;
  if (!session || !session->OpenScene(o.scene, &error) ||
      (!o.select.empty() && !SelectById(session->document(), o.select, &error)) ||
      !session->Capture(o.group, o.texts, &record, &objects, &error)) {
    std::fprintf(stderr, "velm-host: %s\n", error.c_str());
    return 1;
  }
  std::printf("Captured %d objects as record %d of group %s in %s\n", objects, record,
              o.group.c_str(), o.library.c_str());
  return 0;
}

struct PlaceOptions {
  std::string library;
  std::string group;
  std::int32_t record = 0;
  std::string at;                    // place: the drop point
  std::vector<std::string> through;  // drag: the points the cursor moves through
  std::string screen;                // drag: the screen at the last point
  int origin = 2;
  std::string scene;
  std::string out;
  std::vector<std::string> snaps;
  std::string grid = "10,10";
};

// "X,Y" as two reals.
bool ParsePair(const std::string& text, float* x, float* y) {
  char extra = 0;
  return std::sscanf(text.c_str(), "%f,%f%c", x, y, &extra) == 2 && std::isfinite(*x) &&
         std::isfinite(*y);
}

bool WriteDocument(hostsim::Document& document, const std::string& path, std::string* error) {
  return hostsim::SaveDocumentFile(document, path, error);
}

const char* SnapName(std::int16_t kind) {
  static const char* const kNames[] = {"not snapped", "snapped to the grid",
                                       "snapped to an anchor point", "snapped to an intersection",
                                       "snapped to a path"};
  return kNames[kind >= 0 && kind <= 4 ? kind : 0];
}

// Places (`drag` false) or drags and drops a record; 0, 1 or 2 as the program exits.
int Place(const PlaceOptions& o, bool drag) {
  velmsession::PlaceOptions options;
  options.originMode = static_cast<std::int16_t>(o.origin);
  std::vector<host::RealPoint> path;
  if (drag) {
    for (const std::string& point : o.through) {
      host::RealPoint p{};
      if (!ParsePair(point, &p.h, &p.v)) {
        std::fprintf(stderr, "velm-host: --through takes X,Y in points: \"%s\"\n", point.c_str());
        return 2;
      }
      path.push_back(p);
    }
  } else if (!ParsePair(o.at, &options.at.h, &options.at.v)) {
    std::fprintf(stderr, "velm-host: --at takes X,Y in points: \"%s\"\n", o.at.c_str());
    return 2;
  }
  for (const std::string& snap : o.snaps) {
    if (snap == "anchor") options.snapAnchor = true;
    if (snap == "intersection") options.snapIntersection = true;
    if (snap == "path") options.snapPath = true;
    if (snap == "grid") options.snapGrid = true;
  }
  if (!ParsePair(o.grid, &options.gridWidth, &options.gridHeight) || options.gridWidth <= 0 ||
      options.gridHeight <= 0) {
    std::fprintf(stderr, "velm-host: --grid takes W,H, both above 0: \"%s\"\n", o.grid.c_str());
    return 2;
  }
  std::string error;
  std::error_code ec;
  if (!std::filesystem::is_directory(o.library, ec)) {
    std::fprintf(stderr, "velm-host: %s is not a library folder\n", o.library.c_str());
    return 1;
  }
  std::unique_ptr<velmsession::PluginSession> session =
      velmsession::PluginSession::Open(o.library, false, &error);
  velmsession::DragResult result;
  const bool done =
      session && (o.scene.empty() || session->OpenScene(o.scene, &error)) &&
      (drag ? session->Drag(o.group, o.record, path, options, o.screen, &result, &error)
            : session->Place(o.group, o.record, options, &result, &error)) &&
      WriteDocument(session->document(), o.out, &error);
  if (!done) {
    std::fprintf(stderr, "velm-host: %s\n", error.c_str());
    return 1;
  }
  if (drag)
    std::printf("Dragged record %d of %s through %zu points: the outline %s, cursor %d\n", o.record,
                o.group.c_str(), path.size(),
                result.outlineShown ? "was on the screen" : "was not shown", result.cursor);
  std::printf("Placed record %d of %s at (%g, %g), %s, origin mode %d: %d art objects; wrote %s\n",
              o.record, o.group.c_str(), result.dropPoint.h, result.dropPoint.v,
              SnapName(result.snapKind), o.origin, result.createdArt, o.out.c_str());
  return 0;
}

// The options `place` and `drag` share.
void AddPlacementOptions(CLI::App* command, PlaceOptions* o) {
  command->add_option("library", o->library, "the library folder")->required();
  command->add_option("group", o->group, "the group")->required();
  command->add_option("record", o->record, "the record's number, from 0")
      ->required()
      ->check(CLI::NonNegativeNumber);
  command->add_option("--origin", o->origin, "the point of the art at the drop point")
      ->check(CLI::Range(0, 8))
      ->capture_default_str();
  command->add_option("--snap", o->snaps, "snap the drop point first")
      ->check(CLI::IsMember({"anchor", "intersection", "path", "grid"}))
      ->delimiter(',');
  command->add_option("--grid", o->grid, "grid spacing W,H in points")->capture_default_str();
  command->add_option("--scene", o->scene, "the document to place into (JSON)");
  command->add_option("-o,--out", o->out, "the result: .png, .svg or .json (a scene)")->required();
}

int Render(const std::string& scenePath, const std::string& outPath, double scale, bool picture) {
  std::string error;
  std::vector<std::string> warnings;
  std::unique_ptr<hostsim::Document> document =
      hostsim::ReadSceneFile(scenePath, &error, &warnings);
  PrintWarnings(warnings);
  if (!document) {
    std::fprintf(stderr, "velm-host: %s\n", error.c_str());
    return 1;
  }
  hostsim::RenderOptions options;
  options.scale = scale;
  const bool svg = outPath.size() > 4 && hostsim::HasExtension(outPath, ".svg");
  if (!(svg && !picture ? hostsim::WriteSvgFile(*document, outPath, &error)
                        : hostsim::RenderDocumentToFile(*document, outPath, options, &error))) {
    std::fprintf(stderr, "velm-host: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", outPath.c_str());
  return 0;
}

// Runs a scripted user session (tools/session/session_script.h).
// A script that cannot be read (a folder, a missing or unreadable file) is a bad command
// line: exit status 2, nothing run.
int Session(const std::string& scriptPath, const velmsession::ScriptOptions& given) {
  std::error_code ec;
  if (std::filesystem::is_directory(scriptPath, ec)) {
    std::fprintf(stderr, "velm-host: %s is a folder, not a session script\n", scriptPath.c_str());
    return 2;
  }
  std::ifstream script(scriptPath);
  if (!script) {
    std::fprintf(stderr, "velm-host: cannot read the session script %s\n", scriptPath.c_str());
    return 2;
  }
  velmsession::ScriptOptions options = given;
  options.input = std::filesystem::path(scriptPath).parent_path();
  if (options.input.empty()) options.input = ".";
  std::string error;
  const int status = velmsession::RunSessionScript(script, options, &error, std::cout);
  if (script.bad()) {
    std::fprintf(stderr, "velm-host: reading the session script %s failed\n", scriptPath.c_str());
    return 2;
  }
  if (status != 0) std::fprintf(stderr, "velm-host: %s: %s\n", scriptPath.c_str(), error.c_str());
  return status;
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
  captureCommand->add_option("--name", capture.texts.name, "the record's name")->required();
  captureCommand->add_option("--kind", capture.texts.kind, "the record's kind");
  captureCommand->add_option("--comment", capture.texts.comment, "the record's comment");
  captureCommand
      ->add_option("--select", capture.select,
                   "capture the art with these scene ids instead of the scene's selection")
      ->delimiter(',');
  PlaceOptions place;
  CLI::App* placeCommand = app.add_subcommand(
      "place", "place a record into a scene (or an empty document) as the designer's drop does");
  AddPlacementOptions(placeCommand, &place);
  placeCommand->add_option("--at", place.at, "the drop point X,Y in points")->required();
  PlaceOptions drag;
  CLI::App* dragCommand = app.add_subcommand(
      "drag", "drag a record over the document window with its preview, then drop it");
  AddPlacementOptions(dragCommand, &drag);
  dragCommand->add_option("--through", drag.through, "a point X,Y the cursor passes (repeat)")
      ->required();
  dragCommand->add_option("--screen", drag.screen, "the screen at the last point (PNG)");
  std::string scenePath, picturePath;
  double scale = 1.0;
  CLI::App* render = app.add_subcommand("render", "draw a scene to a PNG or SVG picture");
  render->add_option("scene", scenePath, "the scene (JSON)")->required();
  render->add_option("-o,--out", picturePath, "the picture, .png or .svg")->required();
  render->add_option("--scale", scale, "pixels per point")->check(CLI::PositiveNumber);
  bool picture = false;
  render->add_flag("--picture", picture, "an .svg file as the drawing, not the document");
  std::string sessionScript;
  velmsession::ScriptOptions sessionOptions;
  std::string sessionLibrary, sessionScene, sessionOut = ".";
  CLI::App* session =
      app.add_subcommand("session", "run a scripted user session (steps one a line)");
  session->add_option("script", sessionScript, "the script")->required();
  session->add_option("--library", sessionLibrary, "the library folder (created when missing)");
  session->add_option("--scene", sessionScene, "a scene opened as the document at the start");
  session->add_option("--out", sessionOut, "the folder for screenshots and saved documents");
  std::string sessionModule;
  session->add_option("--module", sessionModule,
                      "load the plug-in module (in the host built for the Windows module: its "
                      "DLL) instead of running the one linked in");
  velmgui::GuiOptions gui;
  CLI::App* guiCommand =
      app.add_subcommand("gui", "the host's screen in a window, for a person to use the palette");
  guiCommand->add_option("--library", gui.library,
                         "the library folder (created when missing; default: the one chosen "
                         "last, else ./library)");
  guiCommand->add_option("--scene", gui.scene, "a scene opened as the document");
  guiCommand->add_option("--save-as", gui.saveAs, "where Ctrl+S saves (default: the scene)");
  guiCommand->add_option("--screenshot", gui.screenshot, "where F12 saves the screen (PNG)");
  guiCommand->add_option("--stats", gui.stats,
                         "where the frame times per kind of interaction are written on closing");
  gui.driveC = velmgui::DefaultDriveC();
  gui.settings = velmgui::DefaultSettingsFile();
  guiCommand->add_option("--drive-c", gui.driveC,
                         "the host's drive C: (settings kept between runs; default "
                         "$XDG_DATA_HOME/velm-host)");
  guiCommand->add_option("--zoom", gui.zoom, "window pixels per screen pixel")
      ->check(CLI::Range(1, 4));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help is not an error; any other malformed command line exits with 2.
    return app.exit(e) == 0 ? 0 : 2;
  }
  if (*run) return Run(modulePath, outDir);
  if (*render) return Render(scenePath, picturePath, scale, picture);
  if (*captureCommand) return Capture(capture);
  if (*placeCommand) return Place(place, false);
  if (*dragCommand) return Place(drag, true);
  if (*guiCommand) return velmgui::RunGui(gui);
  if (*session) {
    sessionOptions.library = sessionLibrary.empty() ? std::filesystem::path(sessionOut) / "library"
                                                    : std::filesystem::path(sessionLibrary);
    sessionOptions.scene = sessionScene;
    sessionOptions.out = sessionOut;
    if (!sessionModule.empty())
      velmsession::PluginSession::UseModule(std::filesystem::absolute(sessionModule).string());
    return Session(sessionScript, sessionOptions);
  }
  return 2;
}
