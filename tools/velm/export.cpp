// velm export: the stored art of a record as editable SVG or a picture, every record of a
// group as files of their own in a folder, or a whole group as an SVG symbol set. The
// record is placed into an empty stand-in document by the plug-in's own loader, as the
// designer's drop places it, and that document is written (or drawn): what the file holds
// is what a drop would give.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "command_support.h"
#include "commands.h"
#include "export_files.h"
#include "export_svg.h"
#include "group_scan.h"
#include "hostsim/core/file_output.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/svg/svg_writer.h"
#include "plugin_session.h"

namespace velmtool {
namespace {

namespace fs = std::filesystem;

// How each record is written.
struct Writing {
  bool editableSvg = false;  // else a picture (PNG, or SVG with --picture)
  hostsim::RenderOptions render;
  double margin = 0;   // points around the art's bounds as drawn
  double scale = 1;    // a picture's pixels per CSS pixel (0: fitted to render.longSide)
  bool pixels = true;  // an editable SVG's size in CSS pixels
};

// A PNG's pixels per CSS pixel (96 a inch, 0.75 point) are its scale; the renderer counts
// pixels per point.
constexpr double kPixelsPerPoint = 4.0 / 3.0;

// The picture of a placed record: the page is what shows of the art (a clipping group
// counts as its clip) with the margin, its edges moved out to whole CSS pixels (an edge
// that overhangs one by less than kPageCrumb pixels, a rounding crumb of the art's
// transforms, stays on it), so that the picture at
// --scale N is N times the page's pixels.
hostsim::RenderOptions PictureOptions(hostsim::Document& document, const Writing& writing) {
  hostsim::RenderOptions render = writing.render;
  const host::RealRect area = hostsim::DocumentArea(document, writing.margin);
  if (render.longSide > 0) {
    render.area = area;  // fitted to the longer side as it stands
    return render;
  }
  constexpr double kPageCrumb = 1.0 / 32;
  auto edge = [&](float points, bool up) {
    const double pixels = static_cast<double>(points) * kPixelsPerPoint;
    return (up ? std::ceil(pixels - kPageCrumb) : std::floor(pixels + kPageCrumb)) /
           kPixelsPerPoint;
  };
  const double left = edge(area.left, false), right = edge(area.right, true);
  const double bottom = edge(area.bottom, false), top = edge(area.top, true);
  if (!std::isfinite(left + right + top + bottom) || !(right > left) || !(top > bottom)) {
    render.area = area;  // the renderer refuses what is not finite
    return render;
  }
  render.area = host::RealRect{static_cast<host::Real>(left), static_cast<host::Real>(top),
                               static_cast<host::Real>(right), static_cast<host::Real>(bottom)};
  // A page of whole pixels at a scale that makes it whole pixels again is drawn at exactly
  // that size: given as the longer side, so no rounding crumb adds a row.
  const double longest = std::max(right - left, top - bottom) * kPixelsPerPoint * writing.scale;
  const double whole = std::round(longest);
  if (std::abs(longest - whole) < 1e-6 && whole >= 1 && whole <= 8192)
    render.longSide = static_cast<int>(whole);
  return render;
}

// Places record `number` of `group` in a new empty document of the session and writes it
// to `path` (one session serves every record of a run: the plug-in starts once).
bool ExportRecord(velmsession::PluginSession& session, const std::string& group,
                  std::int32_t number, const Writing& writing, const std::string& path,
                  velmsession::PlaceResult* placed, std::string* error) {
  session.host().NewDocument();
  velmsession::PlaceOptions place;  // the art's own coordinates: bottom left at (0, 0)
  if (!session.Place(group, number, place, placed, error)) return false;
  hostsim::Document& document = session.document();
  if (writing.editableSvg)
    return hostsim::WriteSvgPageFile(
        document, hostsim::SvgPageAround(document, writing.margin, writing.pixels), path, error);
  // A drawing as SVG is sized in points by the renderer: its scale stays the art's size.
  const bool png = hostsim::HasExtension(path, ".png");
  return hostsim::RenderDocumentToFile(
      document, path, png ? PictureOptions(document, writing) : writing.render, error);
}

// The options that shape the files, checked: false with the complaint written.
bool MakeWriting(const ExportOptions& options, bool svg, Writing* writing, std::ostream& err) {
  writing->editableSvg = svg && !options.picture;
  // NaN passes a range check (every comparison with it is false).
  if (!(options.scale >= 0.1 && options.scale <= 20.0)) {
    err << "velm: --scale must be a number from 0.1 to 20\n";
    return false;
  }
  if (options.margin && !(*options.margin >= 0 && *options.margin <= 1000)) {
    err << "velm: --margin must be a number of points from 0 to 1000\n";
    return false;
  }
  writing->margin = options.margin.value_or(0);
  if (writing->editableSvg) {
    if (options.background || options.size > 0) {
      err << "velm: --" << (options.size > 0 ? "size" : "background")
          << " is for pictures: a .png file, or .svg with --picture\n";
      return false;
    }
    writing->pixels = options.units != "pt";
    return true;
  }
  if (!options.units.empty()) {
    err << "velm: --units is for editable SVG, not for pictures\n";
    return false;
  }
  hostsim::RenderOptions& render = writing->render;
  render.margin = writing->margin;
  render.scale = options.scale * (svg ? 1.0 : kPixelsPerPoint);
  writing->scale = options.scale;
  render.longSide = options.size;
  render.background.reset();  // transparent unless asked
  if (options.background && !ParseBackground(*options.background, &render.background)) {
    err << "velm: --background must be transparent, white, #RRGGBB or #RGB: \""
        << *options.background << "\"\n";
    return false;
  }
  return true;
}

// --all without a record: every record of the group into the folder `output`.
// `names` are the group's stored record names (Shift-JIS), one a record.
int ExportGroupToFolder(const ExportOptions& options, bool groupFile, const std::string& group,
                        const std::string& sjisGroup, const std::vector<std::string>& names,
                        const Writing& writing, const std::string& extension, std::ostream& out,
                        std::ostream& err) {
  const auto count = static_cast<std::int32_t>(names.size());
  const std::vector<std::string> files = RecordFileNames(names, extension);
  std::error_code ec;
  const fs::path folder(options.output);
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    err << "velm: cannot make the folder " << options.output << "\n";
    return kExitProblems;
  }
  std::string error;
  std::unique_ptr<velmsession::PluginSession> session =
      velmsession::PluginSession::Open(options.target, groupFile, &error);
  if (!session) {
    err << "velm: " << error << "\n";
    return kExitProblems;
  }
  int status = kExitOk;
  for (std::int32_t n = 0; n < count; ++n) {
    const std::string& file = files[static_cast<std::size_t>(n)];
    const std::string path = (folder / file).string();
    if (options.progress) err << "\r[" << n + 1 << "/" << count << "] " << file << std::flush;
    velmsession::PlaceResult placed;
    const bool written = ExportRecord(*session, group, n, writing, path, &placed, &error);
    if (options.progress) err << "\r\x1b[K" << std::flush;  // the line clears for what follows
    const RecordRef record{n, names[static_cast<std::size_t>(n)], false};
    if (!written) {
      err << "velm: " << DescribeRecord(sjisGroup, record) << ": " << error << "\n";
      status = kExitProblems;
      continue;
    }
    out << "exported " << DescribeRecord(sjisGroup, record) << " to " << path << " ("
        << placed.createdArt << " art objects)\n";
  }
  if (count == 0) out << "nothing exported: " << group << " holds no records\n";
  return status;
}

}  // namespace

int CommandExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& output = options.output;
  const bool toFolder = options.all && options.record.empty() && !options.symbols;
  std::error_code ec;
  bool png = output.size() > 4 && hostsim::HasExtension(output, ".png");
  bool svg = output.size() > 4 && hostsim::HasExtension(output, ".svg");
  if (toFolder) {
    if ((png || svg) && !fs::is_directory(output, ec)) {
      err << "velm: --all without a record writes every record of the group into a folder: "
             "-o must name one (such as out/): \""
          << output << "\"\n";
      return kExitUsage;
    }
    svg = options.format == "svg";
    png = !svg;
  } else if (!options.format.empty() && (options.format == "svg") != svg) {
    err << "velm: --format " << options.format << " does not match the file's name: \"" << output
        << "\"\n";
    return kExitUsage;
  }
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
  Writing writing;
  if (!options.symbols && !MakeWriting(options, svg, &writing, err)) return kExitUsage;
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
    const std::size_t at = group.find(".VEL");
    if (at == std::string::npos || at == 0 || at + 4 != group.size()) {
      err << "velm: not a group file (its name must end in .VEL): " << options.target << "\n";
      return kExitUsage;
    }
    group.resize(at);
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
  int status = kExitOk;
  std::optional<Selection> selection =
      SelectOneGroup(options.target, folder ? options.group : std::string(), err, &status);
  if (!selection) return status;
  if (toFolder) {
    const std::string sjisGroup = selection->groups.front();
    const std::int32_t count = selection->library->RecordCount(sjisGroup);
    std::vector<std::string> names =
        StoredRecordNames(selection->library->GroupFile(sjisGroup), count);
    names.resize(static_cast<std::size_t>(std::max(count, 0)));  // unreadable: "record-N"
    selection.reset();
    return ExportGroupToFolder(options, !folder, group, sjisGroup, names, writing,
                               svg ? ".svg" : ".png", out, err);
  }
  const std::string sjisGroup = selection->groups.front();
  std::optional<std::vector<RecordRef>> found =
      ResolveRecords(*selection->library, sjisGroup, options.record,
                     options.all ? SharedName::kAll : SharedName::kRefuseOfferAll, err, &status);
  if (!found) return status;
  const std::vector<RecordRef> records = std::move(*found);
  selection.reset();
  // Several records go to files of their own: NAME-<number>.EXT beside the one named.
  const fs::path outputPath(output);
  std::unique_ptr<velmsession::PluginSession> session =
      velmsession::PluginSession::Open(options.target, !folder, &error);
  if (!session) {
    err << "velm: " << error << "\n";
    return kExitProblems;
  }
  for (const RecordRef& record : records) {
    const std::string path = records.size() == 1
                                 ? output
                                 : (outputPath.parent_path() / (outputPath.stem().string() + "-" +
                                                                std::to_string(record.number) +
                                                                outputPath.extension().string()))
                                       .string();
    velmsession::PlaceResult placed;
    if (!ExportRecord(*session, group, record.number, writing, path, &placed, &error)) {
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
