#include "corpus_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "commands.h"
#include "hostsim/core/document.h"
#include "hostsim/core/file_output.h"
#include "hostsim/document_files.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"
#include "hostsim/svg/svg_writer.h"
#include "picture_compare.h"
#include "plugin_session.h"

namespace velmcorpus {
namespace {

namespace fs = std::filesystem;

// The set's SVG files in name order; about `sample` of them spread evenly when asked.
std::vector<fs::path> SetFiles(const std::string& folder, std::size_t sample) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && hostsim::IsSvgPath(it->path().string()))
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  if (sample == 0 || sample >= files.size()) return files;
  std::vector<fs::path> chosen;
  for (std::size_t i = 0; i < sample; ++i)
    chosen.push_back(files[i * files.size() / sample]);
  return chosen;
}

// Compares the host's drawing of the document over the artboard with the reference
// drawing in `referencePng`; the share of differing ink, or -1 with a reason.
double CompareWithReference(hostsim::Document& document, double width, double height, double scale,
                            const std::string& referencePng, std::string* error) {
  Surface reference(ReadPng(referencePng, error));
  if (!reference) return -1;
  hostsim::RenderOptions render;
  render.area = host::RealRect{0, static_cast<float>(height), static_cast<float>(width), 0};
  render.scale = scale;
  std::unique_ptr<hostsim::Bitmap> drawing = hostsim::RenderDocument(document, render);
  if (!drawing) {
    *error = "the stand-in host could not draw the placed art";
    return -1;
  }
  drawing->BeginCairo();
  Comparison comparison;
  const bool ok = ComparePictures(drawing->surface(), reference.get(), &comparison, error);
  drawing->EndCairo();
  return ok ? comparison.share() : -1;
}

double ComparePngs(const std::string& a, const std::string& b, std::string* error) {
  Surface first(ReadPng(a, error)), second(ReadPng(b, error));
  Comparison comparison;
  if (!first || !second || !ComparePictures(first.get(), second.get(), &comparison, error))
    return -1;
  return comparison.share();
}

// Places each imported record of `file` back and compares its drawings.
void CheckRecords(velmsession::PluginSession& session, const std::string& group,
                  const std::vector<std::int32_t>& numbers, const fs::path& file,
                  const fs::path& work, const CorpusOptions& options, FileResult* result) {
  hostsim::SvgDocument svg;
  std::string error;
  if (numbers.size() != 1 || !hostsim::ReadSvgFile(file.string(), &svg, &error) || svg.symbolSet) {
    result->compareError = numbers.size() != 1
                               ? "a symbol set (compared symbol by symbol elsewhere)"
                           : error.empty() ? "a symbol set"
                                           : error;
    return;
  }
  if (!PlaceBack(session, group, numbers[0], svg, &error)) {
    result->compareError = error;
    return;
  }
  // Both drawings `options.size` pixels along the artboard's longer side.
  const double width = svg.width, height = svg.height;
  const double scale = options.size / std::max(width, height);
  const std::string stem = std::to_string(numbers[0]);
  const std::string referencePng = (work / (stem + "-reference.png")).string();
  if (!Reference(file.string(), scale * 0.75, referencePng, &error)) {
    result->compareError = error;
    return;
  }
  result->placedShare =
      CompareWithReference(session.document(), width, height, scale, referencePng, &error);
  // The placed art written as SVG over the same page, drawn by the reference renderer.
  const std::string exportedSvg = (work / (stem + "-exported.svg")).string();
  const std::string exportedPng = (work / (stem + "-exported.png")).string();
  if (!hostsim::WriteFileAtomically(exportedSvg,
                                    hostsim::WriteSvg(session.document(), width, height), &error) ||
      !Reference(exportedSvg, scale * 0.75, exportedPng, &error)) {
    result->compareError = error;
    return;
  }
  result->exportedShare = ComparePngs(exportedPng, referencePng, &error);
  if (result->placedShare < 0 || result->exportedShare < 0) result->compareError = error;
}

}  // namespace

// The kind of an import warning: what the host does not hold ("mask", ...) by its kind,
// a text fitted to its field, or a place read only in part.
std::string WarningKind(const nlohmann::json& warning, int* count) {
  const std::string text = warning.get<std::string>();
  static const std::string kNotHeld = "not held by the host: ";
  const std::size_t open = text.rfind(" (");
  if (text.rfind(kNotHeld, 0) == 0 && open != std::string::npos && open > kNotHeld.size()) {
    *count = std::max(1, std::atoi(text.c_str() + open + 2));
    return text.substr(kNotHeld.size(), open - kNotHeld.size());
  }
  if (text.rfind("the ", 0) == 0) return "texts fitted to Shift-JIS";
  return "read in part";
}

// Runs the reference renderer on `svg` at `zoom` pixels per CSS pixel (0.75 point), the
// host's scale: whole pixels asked for by width and height would stretch a page whose
// side does not come out whole; false when it fails.
bool Reference(const std::string& svg, double zoom, const std::string& png, std::string* error) {
  const pid_t child = fork();
  if (child < 0) {
    *error = "cannot start rsvg-convert";
    return false;
  }
  if (child == 0) {
    char z[32];
    std::snprintf(z, sizeof z, "%.9g", zoom);
    std::freopen("/dev/null", "w", stderr);
    execlp("rsvg-convert", "rsvg-convert", "-z", z, "-o", png.c_str(), svg.c_str(),
           static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *error = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "rsvg-convert is not installed"
                                                             : "rsvg-convert could not draw " + svg;
    return false;
  }
  return true;
}

// The union of the bounds of the document's top-level art.
bool ArtUnion(hostsim::Document& document, host::RealRect* bounds) {
  bool any = false;
  for (hostsim::Layer* layer : document.layers()) {
    for (hostsim::Art* art : layer->group->children) {
      host::RealRect b{};
      if (!hostsim::ArtBounds(document, art, &b) || (b.left == b.right && b.top == b.bottom))
        continue;
      if (!any) {
        *bounds = b;
      } else {
        bounds->left = std::min(bounds->left, b.left);
        bounds->bottom = std::min(bounds->bottom, b.bottom);
        bounds->right = std::max(bounds->right, b.right);
        bounds->top = std::max(bounds->top, b.top);
      }
      any = true;
    }
  }
  return any;
}

bool PlaceBack(velmsession::PluginSession& session, const std::string& group, std::int32_t number,
               const hostsim::SvgDocument& svg, std::string* error) {
  // Where the art was captured: the bottom-left corner of its bounds in the document read.
  host::RealRect captured{};
  if (!hostsim::OpenScene(session.host(), svg.scene, error) ||
      !ArtUnion(session.document(), &captured)) {
    *error = "the art read has no bounds";
    return false;
  }
  // The loader puts the bottom-left corner of the record's stored bounds at the drop point;
  // those bounds may hold more than what shows (a clipping group's clipped art), so the
  // record is placed once to learn the offset, then again where the art was.
  velmsession::PlaceOptions place;
  velmsession::PlaceResult placed;
  host::RealRect first{};
  for (int pass = 0; pass < 2; ++pass) {
    session.host().SetDocument(std::make_unique<hostsim::Document>());
    if (pass == 1) place.at = {captured.left - first.left, captured.bottom - first.bottom};
    if (!session.Place(group, number, place, &placed, error)) {
      *error = "placing it back: " + *error;
      return false;
    }
    if (pass == 0 && !ArtUnion(session.document(), &first)) {
      *error = "the art placed back has no bounds";
      return false;
    }
  }
  return true;
}

std::size_t SetResult::Imported() const {
  return static_cast<std::size_t>(std::count_if(results.begin(), results.end(),
                                                [](const FileResult& r) { return r.imported; }));
}
std::size_t SetResult::Skipped() const {
  return results.size() - Imported();
}
std::size_t SetResult::AgreePlaced() const {
  return static_cast<std::size_t>(std::count_if(
      results.begin(), results.end(),
      [](const FileResult& r) { return r.placedShare >= 0 && r.placedShare <= kAgreeShare; }));
}
std::size_t SetResult::AgreeExported() const {
  return static_cast<std::size_t>(std::count_if(
      results.begin(), results.end(),
      [](const FileResult& r) { return r.exportedShare >= 0 && r.exportedShare <= kAgreeShare; }));
}

bool RunSet(const std::string& name, const std::string& folder, const CorpusOptions& options,
            SetResult* result, std::string* error) {
  result->name = name;
  result->folder = folder;
  const std::vector<fs::path> files = SetFiles(folder, options.sample);
  result->files = files.size();
  if (files.empty()) {
    *error = folder + " holds no SVG files";
    return false;
  }
  std::error_code ec;
  const bool temporary = options.work.empty();
  const fs::path work =
      temporary ? fs::temp_directory_path() / ("velm-corpus-" + std::to_string(getpid()))
                : fs::path(options.work);
  const fs::path library = work / (name + "-library");
  const fs::path drawings = work / (name + "-drawings");
  fs::remove_all(library, ec);
  fs::create_directories(drawings, ec);

  // The import, as a person runs it, timed whole.
  velmtool::ImportOptions import;
  for (const fs::path& f : files)
    import.paths.push_back(f.string());
  import.paths.push_back(library.string());
  import.group = name;
  import.json = true;
  import.duplicates = "keep";  // every file is measured, also one whose art another holds
  std::ostringstream out, err;
  const auto started = std::chrono::steady_clock::now();
  const int status = velmtool::CommandImport(import, out, err);
  result->importSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const nlohmann::json listing = nlohmann::json::parse(out.str(), nullptr, false);
  if (status == velmtool::kExitUsage || listing.is_discarded()) {
    *error = "the import of " + folder + " failed: " + err.str();
    return false;
  }
  std::map<std::string, FileResult> byFile;
  std::map<std::string, std::vector<std::int32_t>> numbers;
  for (const fs::path& f : files)
    byFile[f.string()].file = f.string();
  for (const nlohmann::json& record : listing["records"]) {
    FileResult& r = byFile[record["file"].get<std::string>()];
    r.imported = true;
    ++r.records;
    r.seconds = record.value("seconds", 0.0);
    numbers[r.file].push_back(record["number"].get<std::int32_t>());
    for (const nlohmann::json& warning : record["warnings"]) {
      int count = 1;
      const std::string kind = WarningKind(warning, &count);
      result->warnings[kind] += count;
    }
  }
  for (const nlohmann::json& item : listing["skipped"]) {
    FileResult& r = byFile[item["file"].get<std::string>()];
    if (!r.imported) r.skipped = item["reason"].get<std::string>();
  }

  std::unique_ptr<velmsession::PluginSession> session =
      velmsession::PluginSession::Open(library, false, error);
  if (!session) return false;
  for (auto& [file, r] : byFile) {
    if (r.imported) CheckRecords(*session, name, numbers[file], file, drawings, options, &r);
    result->results.push_back(r);
  }
  session.reset();
  if (temporary) fs::remove_all(work, ec);
  return true;
}

std::string FormatReport(const std::vector<SetResult>& results) {
  std::ostringstream s;
  const auto percent = [](std::size_t part, std::size_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%",
                  whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
    return std::string(text);
  };
  s << "| set | files | imported | skipped | placed back agrees | exported agrees | import |\n"
    << "|---|---:|---:|---:|---:|---:|---:|\n";
  for (const SetResult& r : results) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", r.importSeconds);
    s << "| " << r.name << " | " << r.files << " | " << r.Imported() << " | " << r.Skipped()
      << " | " << percent(r.AgreePlaced(), r.Imported()) << " | "
      << percent(r.AgreeExported(), r.Imported()) << " | " << seconds << " |\n";
  }
  for (const SetResult& r : results) {
    s << "\n**" << r.name << "** (" << r.folder << ")\n\n";
    if (!r.warnings.empty()) {
      s << "Warnings by kind:";
      for (const auto& [kind, count] : r.warnings)
        s << " " << kind << " " << count << ";";
      s << "\n\n";
    }
    std::vector<const FileResult*> order;
    for (const FileResult& f : r.results)
      order.push_back(&f);
    std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->seconds > b->seconds; });
    s << "Slowest:";
    for (std::size_t i = 0; i < std::min<std::size_t>(5, order.size()); ++i) {
      char t[32];
      std::snprintf(t, sizeof t, " (%.0f ms);", order[i]->seconds * 1000);
      s << " " << fs::path(order[i]->file).filename().string() << t;
    }
    std::sort(order.begin(), order.end(), [](auto* a, auto* b) {
      return std::max(a->placedShare, a->exportedShare) >
             std::max(b->placedShare, b->exportedShare);
    });
    s << "\n\nMost different (share of ink placed back / exported):";
    for (std::size_t i = 0; i < std::min<std::size_t>(5, order.size()); ++i) {
      char t[64];
      std::snprintf(t, sizeof t, " (%.1f %% / %.1f %%);", 100 * order[i]->placedShare,
                    100 * order[i]->exportedShare);
      s << " " << fs::path(order[i]->file).filename().string() << t;
    }
    s << "\n";
    for (const FileResult& f : r.results) {
      if (!f.imported)
        s << "\n- skipped " << f.file << ": " << f.skipped;
      else if (!f.compareError.empty())
        s << "\n- not compared " << f.file << ": " << f.compareError;
    }
    s << "\n";
  }
  return s.str();
}

bool Passes(const std::vector<SetResult>& results, const CorpusOptions& options) {
  for (const SetResult& r : results) {
    for (const FileResult& f : r.results) {
      if (!f.imported && f.skipped.empty())
        return false;  // neither imported nor skipped with a reason
    }
    const double placed =
        r.Imported() ? static_cast<double>(r.AgreePlaced()) / static_cast<double>(r.Imported()) : 0;
    const double exported =
        r.Imported() ? static_cast<double>(r.AgreeExported()) / static_cast<double>(r.Imported())
                     : 0;
    if (placed < options.minAgree || exported < options.minAgree) return false;
  }
  return true;
}

}  // namespace velmcorpus
