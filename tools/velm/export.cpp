// velm export: the stored art of a record as editable SVG or a picture, or a whole group
// as an SVG symbol set. The record is placed into an empty stand-in document by the
// plug-in's own loader, as the designer's drop places it, and that document is written
// (or drawn): what the file holds is what a drop would give.
#include <filesystem>
#include <string>

#include "command_support.h"
#include "commands.h"
#include "export_svg.h"
#include "hostsim/file_output.h"
#include "hostsim/renderer.h"
#include "hostsim/svg_writer.h"
#include "plugin_session.h"

namespace velmtool {

int CommandExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& output = options.output;
  const bool png = output.size() > 4 && hostsim::HasExtension(output, ".png");
  const bool svg = output.size() > 4 && hostsim::HasExtension(output, ".svg");
  std::optional<std::int32_t> number;
  if (options.symbols) {
    if (!options.record.empty()) {
      err << "velm: --symbols writes the whole group: give no record number\n";
      return kExitUsage;
    }
    if (!svg) {
      err << "velm: a symbol set is an SVG file: its name must end in .svg: \"" << output << "\"\n";
      return kExitUsage;
    }
  } else {
    number = ParseRecordNumber(options.record);
    if (!number) {
      err << "velm: the record number must be a whole number from 0: \"" << options.record
          << "\"\n";
      return kExitUsage;
    }
    if (!png && !svg) {
      err << "velm: the file's name must end in .svg or .png: \"" << output << "\"\n";
      return kExitUsage;
    }
  }
  // NaN passes a range check (every comparison with it is false).
  if (!(options.scale >= 0.1 && options.scale <= 20.0)) {
    err << "velm: --scale must be a number from 0.1 to 20\n";
    return kExitUsage;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  const bool folder = fs::is_directory(options.target, ec);
  if (!folder && !fs::is_regular_file(options.target, ec)) {
    err << "velm: " << options.target << " does not exist\n";
    return kExitProblems;
  }
  if (folder && options.group.empty()) {
    err << "velm: " << options.target << " is a folder: name the group with --group\n";
    return kExitUsage;
  }
  std::string error;
  std::unique_ptr<velmsession::PluginSession> session =
      velmsession::PluginSession::Open(options.target, !folder, &error);
  if (!session) {
    err << "velm: " << error << "\n";
    return kExitProblems;
  }
  std::string group = options.group;
  if (!folder) {
    group = fs::path(options.target).filename().string();
    group.resize(group.size() - 4);
  }
  if (options.symbols) {
    const fs::path file =
        folder ? LibraryFolderOf(options.target) / (group + ".VEL") : fs::path(options.target);
    return ExportSymbolSet(*session, group, file, output, out, err);
  }
  velmsession::PlaceOptions place;  // the art's own coordinates: bottom left at (0, 0)
  velmsession::PlaceResult placed;
  hostsim::RenderOptions render;
  render.scale = options.scale;
  if (!session->Place(group, *number, place, &placed, &error) ||
      !(svg && !options.picture
            ? hostsim::WriteSvgFile(session->document(), output, &error)
            : hostsim::RenderDocumentToFile(session->document(), output, render, &error))) {
    err << "velm: " << error << "\n";
    return kExitProblems;
  }
  out << "wrote " << output << " (record " << *number << " of " << group << ", "
      << placed.createdArt << " art objects)\n";
  return kExitOk;
}

}  // namespace velmtool
