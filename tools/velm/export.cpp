// velm export: the stored art of a record as editable SVG or a picture, or a whole group
// as an SVG symbol set. The record is placed into an empty stand-in document by the
// plug-in's own loader, as the designer's drop places it, and that document is written
// (or drawn): what the file holds is what a drop would give.
#include <filesystem>
#include <string>
#include <vector>

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
  std::string group = options.group;
  if (!folder) {
    group = fs::path(options.target).filename().string();
    group.resize(group.size() - 4);
  }
  std::string error;
  if (options.symbols) {
    std::unique_ptr<velmsession::PluginSession> session =
        velmsession::PluginSession::Open(options.target, !folder, &error);
    if (!session) {
      err << "velm: " << error << "\n";
      return kExitProblems;
    }
    const fs::path file =
        folder ? LibraryFolderOf(options.target) / (group + ".VEL") : fs::path(options.target);
    return ExportSymbolSet(*session, group, file, output, out, err);
  }

  // The records, by number or name, looked up before the plug-in starts (one of the two
  // at a time).
  std::vector<RecordRef> records;
  std::string sjisGroup;
  {
    int status = kExitOk;
    std::optional<Selection> selection =
        SelectOneGroup(options.target, folder ? options.group : std::string(), err, &status);
    if (!selection) return status;
    sjisGroup = selection->groups.front();
    std::optional<std::vector<RecordRef>> found =
        ResolveRecords(*selection->library, sjisGroup, options.record,
                       options.all ? SharedName::kAll : SharedName::kRefuseOfferAll, err, &status);
    if (!found) return status;
    records = std::move(*found);
  }
  // Several records go to files of their own: NAME-<number>.EXT beside the one named.
  const fs::path outputPath(output);
  int status = kExitOk;
  for (const RecordRef& record : records) {
    const std::string path = records.size() == 1
                                 ? output
                                 : (outputPath.parent_path() / (outputPath.stem().string() + "-" +
                                                                std::to_string(record.number) +
                                                                outputPath.extension().string()))
                                       .string();
    // Each in a document of its own: the plug-in runs once per record.
    std::unique_ptr<velmsession::PluginSession> session =
        velmsession::PluginSession::Open(options.target, !folder, &error);
    velmsession::PlaceOptions place;  // the art's own coordinates: bottom left at (0, 0)
    velmsession::PlaceResult placed;
    hostsim::RenderOptions render;
    render.scale = options.scale;
    if (!session || !session->Place(group, record.number, place, &placed, &error) ||
        !(svg && !options.picture
              ? hostsim::WriteSvgFile(session->document(), path, &error)
              : hostsim::RenderDocumentToFile(session->document(), path, render, &error))) {
      err << "velm: " << error << "\n";
      status = kExitProblems;
      continue;
    }
    out << "exported " << DescribeRecord(sjisGroup, record) << " to " << path << " ("
        << placed.createdArt << " art objects)\n";
  }
  return status;
}

}  // namespace velmtool
