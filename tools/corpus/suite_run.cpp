#include "suite_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "commands.h"
#include "corpus_run.h"
#include "hostsim/core/document.h"
#include "hostsim/core/file_output.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/svg/svg.h"
#include "picture_compare.h"
#include "plugin_session.h"

namespace velmcorpus {
namespace {

namespace fs = std::filesystem;

// What a vector art library must carry, scored against the control.
const std::set<std::string> kScored = {
    "structure/svg",
    "structure/use",
    "structure/symbol",
    "structure/style",
    "structure/style-attribute",
    "structure/transform",
    "structure/transform-origin",
    "structure/g",
    "structure/switch",
    "structure/defs",
    "structure/a",
    "structure/systemLanguage",
    "painting/fill",
    "painting/stroke",
    "painting/stroke-dasharray",
    "painting/stroke-dashoffset",
    "painting/stroke-linecap",
    "painting/stroke-linejoin",
    "painting/stroke-miterlimit",
    "painting/stroke-width",
    "painting/stroke-opacity",
    "painting/opacity",
    "painting/fill-opacity",
    "painting/fill-rule",
    "painting/display",
    "painting/visibility",
    "painting/color",
    "painting/paint-order",
    "painting/marker",
    "paint-servers/linearGradient",
    "paint-servers/radialGradient",
    "paint-servers/stop",
    "paint-servers/stop-color",
    "paint-servers/stop-opacity",
    "paint-servers/pattern",
    "masking/clipPath",
    "masking/clip",
    "masking/clip-rule",
};
const std::set<std::string> kText = {"text/text", "text/tspan"};

bool Scored(const std::string& folder) {
  return kScored.count(folder) || folder.rfind("shapes/", 0) == 0;
}

bool IsArchive(const std::string& path) {
  return hostsim::HasExtension(path, ".tar.xz") || hostsim::HasExtension(path, ".txz");
}

bool Unpack(const std::string& archive, const fs::path& into, std::string* error) {
  std::error_code ec;
  fs::create_directories(into, ec);
  const pid_t child = fork();
  if (child == 0) {
    execlp("tar", "tar", "-xJf", archive.c_str(), "-C", into.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) < 0 || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    *error = "cannot unpack " + archive + " into " + into.string();
    return false;
  }
  return true;
}

// The test files of each feature folder (tests/<area>/<feature>/), in name order.
std::map<std::string, std::vector<fs::path>> FeatureFiles(const fs::path& tests,
                                                          const SuiteOptions& options) {
  const std::size_t sample = options.sample;
  const auto wanted = [&options](const std::string& folder) {
    if (options.only.empty()) return true;
    for (const std::string& o : options.only)
      if (folder == o || folder.rfind(o + "/", 0) == 0) return true;
    return false;
  };
  std::vector<fs::path> all;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(tests, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec) && hostsim::HasExtension(it->path().string(), ".svg") &&
        wanted(it->path().parent_path().lexically_relative(tests).generic_string()))
      all.push_back(it->path());
  std::sort(all.begin(), all.end());
  std::map<std::string, std::vector<fs::path>> features;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (sample && sample < all.size() && i * sample / all.size() == (i + 1) * sample / all.size())
      continue;
    const fs::path relative = all[i].parent_path().lexically_relative(tests);
    features[relative.generic_string()].push_back(all[i]);
  }
  return features;
}

// A white picture of the reference's size: what an import that made no record draws.
Surface Blank(cairo_surface_t* like) {
  Surface s(cairo_image_surface_create(CAIRO_FORMAT_RGB24, cairo_image_surface_get_width(like),
                                       cairo_image_surface_get_height(like)));
  cairo_t* cr = cairo_create(s.get());
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  return s;
}

// Judges the drawing of one file: the record placed back (or nothing, when no record was
// made) and rsvg-convert's, each against the suite's reference picture.
void Judge(velmsession::PluginSession& session, const std::string& group, std::int32_t number,
           const fs::path& file, const fs::path& work, SuiteFile* result) {
  std::string error;
  fs::path png = file;
  png.replace_extension(".png");
  Surface reference(ReadPng(png.string(), &error));
  if (!reference) {
    result->reason = "no reference picture: " + error;
    return;
  }
  const int width = cairo_image_surface_get_width(reference.get());
  hostsim::SvgDocument svg;
  const bool read = hostsim::ReadSvgFile(file.string(), &svg, &error) && svg.width > 0;
  // Pixels per point of the reference: its width over the page's.
  const double scale = read ? width / svg.width : 0;
  Comparison comparison;
  if (number < 0) {
    const Surface blank = Blank(reference.get());
    if (CompareForgiving(blank.get(), reference.get(), &comparison, &error))
      result->share = comparison.share();
  } else if (read && PlaceBack(session, group, number, svg, &error)) {
    hostsim::RenderOptions render;
    render.area =
        host::RealRect{0, static_cast<float>(svg.height), static_cast<float>(svg.width), 0};
    render.scale = scale;
    std::unique_ptr<hostsim::Bitmap> drawing = hostsim::RenderDocument(session.document(), render);
    if (drawing) {
      drawing->BeginCairo();
      if (CompareForgiving(drawing->surface(), reference.get(), &comparison, &error))
        result->share = comparison.share();
      drawing->EndCairo();
      // Kept for a person to look at beside the reference: drawings/<area>/<feature>/<name>.png
      const fs::path kept = work / "drawings" / fs::path(result->file).replace_extension(".png");
      std::error_code ec;
      fs::create_directories(kept.parent_path(), ec);
      drawing->WritePng(kept.string());
    }
  }
  if (result->share < 0 && result->reason.empty()) result->reason = "not compared: " + error;
  result->alike = result->share >= 0 && result->share <= kAlikeShare;

  // The control: rsvg-convert at the same scale (its own reading of the page's size).
  const std::string controlPng = (work / "control.png").string();
  if (scale > 0 && Reference(file.string(), scale * 0.75, controlPng, &error)) {
    Surface control(ReadPng(controlPng, &error));
    if (control && CompareForgiving(control.get(), reference.get(), &comparison, &error))
      result->control = comparison.share();
  }
  result->controlAlike = result->control >= 0 && result->control <= kAlikeShare;
}

std::string Percent(std::size_t part, std::size_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %%",
                whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
  return text;
}

}  // namespace

std::size_t FeatureResult::Alike() const {
  return static_cast<std::size_t>(
      std::count_if(files.begin(), files.end(), [](const SuiteFile& f) { return f.alike; }));
}
std::size_t FeatureResult::ControlAlike() const {
  return static_cast<std::size_t>(
      std::count_if(files.begin(), files.end(), [](const SuiteFile& f) { return f.controlAlike; }));
}
std::size_t FeatureResult::Unwarned() const {
  return static_cast<std::size_t>(
      std::count_if(files.begin(), files.end(), [](const SuiteFile& f) { return f.Unwarned(); }));
}

bool PrepareSuite(const SuiteOptions& options, std::string* root, std::string* error) {
  std::error_code ec;
  const fs::path work = options.work.empty() ? fs::path("svg-suite-work") : fs::path(options.work);
  fs::path folder = options.suite;
  if (IsArchive(options.suite)) {
    folder = work / "svg-suite";
    if (!fs::is_directory(folder / "tests", ec) && !Unpack(options.suite, folder, error))
      return false;
  }
  if (!fs::is_directory(folder / "tests", ec) || !fs::is_directory(folder / "fonts", ec)) {
    *error = options.suite + " is not the SVG test suite (no tests/ and fonts/ in it)";
    return false;
  }
  // Every renderer drawing text here finds the faces the references were drawn with.
  const fs::path config = fs::absolute(work, ec) / "fonts.conf";
  fs::create_directories(work, ec);
  const std::string text =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
      "  <include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n  <dir>" +
      fs::absolute(folder / "fonts", ec).string() + "</dir>\n</fontconfig>\n";
  if (!hostsim::WriteFileAtomically(config.string(), text, error)) return false;
  setenv("FONTCONFIG_FILE", config.c_str(), 1);
  *root = folder.string();
  return true;
}

bool RunSuite(const std::string& root, const SuiteOptions& options,
              std::vector<FeatureResult>* results, std::string* error) {
  const fs::path work = options.work.empty() ? fs::path("svg-suite-work") : fs::path(options.work);
  const auto features = FeatureFiles(fs::path(root) / "tests", options);
  if (features.empty()) {
    *error = root + " holds no test files";
    return false;
  }
  std::error_code ec;
  const fs::path library = work / "suite-library";
  fs::remove_all(library, ec);
  fs::create_directories(library, ec);
  for (const auto& [folder, files] : features) {
    FeatureResult feature;
    feature.folder = folder;
    feature.scored = Scored(folder);
    feature.text = kText.count(folder) > 0;
    std::string group = folder;
    std::replace(group.begin(), group.end(), '/', '-');

    velmtool::ImportOptions import;
    for (const fs::path& f : files)
      import.paths.push_back(f.string());
    import.paths.push_back(library.string());
    import.group = group;
    import.json = true;
    import.duplicates = "keep";  // every file is measured, also one whose art another holds
    std::ostringstream out, err;
    const auto started = std::chrono::steady_clock::now();
    velmtool::CommandImport(import, out, err);
    feature.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const nlohmann::json listing = nlohmann::json::parse(out.str(), nullptr, false);
    if (listing.is_discarded() || !listing.contains("records")) {
      *error = "the import of " + folder + " failed: " + err.str();
      return false;
    }
    std::map<std::string, SuiteFile> byFile;
    std::map<std::string, std::int32_t> numbers;
    for (const fs::path& f : files)
      byFile[f.string()].file = f.lexically_relative(fs::path(root) / "tests").generic_string();
    for (const nlohmann::json& record : listing["records"]) {
      const std::string file = record["file"].get<std::string>();
      byFile[file].imported = true;
      numbers.emplace(file, record["number"].get<std::int32_t>());
      byFile[file].warned = byFile[file].warned || !record["warnings"].empty();
      for (const nlohmann::json& warning : record["warnings"]) {
        int count = 1;
        feature.warnings[WarningKind(warning, &count)] += count;
      }
    }
    for (const nlohmann::json& item : listing["skipped"]) {
      SuiteFile& f = byFile[item["file"].get<std::string>()];
      if (!f.imported && f.reason.empty()) f.reason = item["reason"].get<std::string>();
    }
    std::unique_ptr<velmsession::PluginSession> session =
        velmsession::PluginSession::Open(library.string(), false, error);
    if (!session) return false;
    for (auto& [file, result] : byFile) {
      const auto number = numbers.find(file);
      Judge(*session, group, number == numbers.end() ? -1 : number->second, file, work, &result);
      feature.files.push_back(result);
    }
    results->push_back(std::move(feature));
  }
  return true;
}

std::string FormatSuiteReport(const std::vector<FeatureResult>& results) {
  std::ostringstream s;
  const auto table = [&](const char* title, auto&& keep) {
    std::size_t files = 0, imported = 0, alike = 0, unwarned = 0, control = 0;
    s << "\n"
      << title
      << "\n\n| folder | files | imported | velm alike | differ unwarned | rsvg-convert alike |\n"
      << "|---|---:|---:|---:|---:|---:|\n";
    for (const FeatureResult& r : results) {
      if (!keep(r)) continue;
      std::size_t in = 0;
      for (const SuiteFile& f : r.files)
        in += f.imported;
      s << "| " << r.folder << " | " << r.files.size() << " | " << in << " | "
        << Percent(r.Alike(), r.files.size()) << " | " << r.Unwarned() << " | "
        << Percent(r.ControlAlike(), r.files.size()) << " |\n";
      files += r.files.size();
      imported += in;
      alike += r.Alike();
      unwarned += r.Unwarned();
      control += r.ControlAlike();
    }
    s << "| **all** | " << files << " | " << imported << " | " << Percent(alike, files) << " | "
      << unwarned << " | " << Percent(control, files) << " |\n";
  };
  table("Scored folders:", [](const FeatureResult& r) { return r.scored; });
  table("Text, with the suite's fonts:", [](const FeatureResult& r) { return r.text; });
  table("Not scored (every file imported or refused with a reason):",
        [](const FeatureResult& r) { return !r.scored && !r.text; });

  s << "\nThe comparison's calibration (a drawing against a changed copy of itself):\n\n"
    << "| change | a person sees | differing ink | judged |\n|---|---|---:|---|\n";
  for (const Calibration& c : Calibrate()) {
    char share[32];
    std::snprintf(share, sizeof share, "%.1f %%", 100 * c.share);
    s << "| " << c.change << " | " << (c.sameToAPerson ? "the same" : "a difference") << " | "
      << share << " | " << (c.share <= kAlikeShare ? "alike" : "different") << " |\n";
  }

  // The scored files the control draws alike and velm does not, worst first.
  std::vector<std::pair<const FeatureResult*, const SuiteFile*>> worst;
  for (const FeatureResult& r : results)
    for (const SuiteFile& f : r.files)
      if (r.scored && !f.alike && f.controlAlike) worst.emplace_back(&r, &f);
  std::sort(worst.begin(), worst.end(),
            [](const auto& a, const auto& b) { return a.second->share > b.second->share; });
  s << "\nScored files the control draws alike and velm does not (" << worst.size()
    << "), worst first:\n\n";
  for (std::size_t i = 0; i < std::min<std::size_t>(40, worst.size()); ++i) {
    const SuiteFile& f = *worst[i].second;
    char share[32];
    std::snprintf(share, sizeof share, "%.0f %%", 100 * f.share);
    s << "- " << f.file << ": " << (f.share < 0 ? "-" : share)
      << (f.reason.empty() ? "" : " (" + f.reason + ")") << "\n";
  }
  // What differs with nothing said: a fault of the reader's, or a loss it should report.
  std::vector<const SuiteFile*> unwarned;
  for (const FeatureResult& r : results)
    for (const SuiteFile& f : r.files)
      if (r.scored && f.Unwarned()) unwarned.push_back(&f);
  s << "\nScored files that differ without a warning (" << unwarned.size() << "):\n\n";
  for (const SuiteFile* f : unwarned) {
    char share[32];
    std::snprintf(share, sizeof share, "%.0f %%", 100 * f->share);
    s << "- " << f->file << ": " << (f->share < 0 ? "-" : share)
      << (f->controlAlike ? "" : " (the control differs too)") << "\n";
  }
  std::map<std::string, int> warnings;
  for (const FeatureResult& r : results)
    for (const auto& [kind, count] : r.warnings)
      warnings[kind] += count;
  s << "\nWhat the records lost, by kind, over the whole suite:";
  for (const auto& [kind, count] : warnings)
    s << " " << kind << " " << count << ";";
  s << "\n";
  return s.str();
}

bool SuiteAccountsForEveryFile(const std::vector<FeatureResult>& results) {
  for (const FeatureResult& r : results)
    for (const SuiteFile& f : r.files)
      if (!f.imported && f.reason.empty()) return false;
  return true;
}

}  // namespace velmcorpus
