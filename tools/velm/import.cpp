// velm import: SVG files and symbol sets into a library. Each file (or each symbol of a
// symbol set) is opened in a fresh stand-in document, all of its art selected, and
// captured by the plug-in as the palette's add button captures it: what is stored is what
// the designer's add would store for the same art in the host. Art the group holds
// already, under any name, is not imported again, unless the user asks for it.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "art_index.h"
#include "command_support.h"
#include "commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "hostsim/core/document.h"
#include "hostsim/host.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"
#include "library.h"
#include "plugin_session.h"
#include "sjis_text.h"
#include "write_support.h"

namespace velmtool {
namespace {

namespace fs = std::filesystem;

// One record to be made: where its art comes from and its texts (UTF-8).
struct ImportItem {
  std::string file;
  std::string element;  // "#id" of the symbol; empty for the whole file
  std::string group;    // --group, else the name it is derived from (fitted before use)
  velmsession::RecordTexts texts;
  const nlohmann::json* scene = nullptr;
  std::vector<std::string> warnings;
};

bool HasSvgExtension(const fs::path& path) {
  return hostsim::IsSvgPath(path.string());
}

// Why `path` cannot be imported as a file; empty when it is a regular file (a symbolic
// link is followed). Only its status is looked at: a FIFO or a device is never opened,
// since reading one would block or never end.
std::string WhyNotAFile(const fs::path& path) {
  std::error_code ec;
  const fs::file_status target = fs::status(path, ec);
  if (ec == std::errc::too_many_symbolic_link_levels) return "a loop of symbolic links";
  if (target.type() == fs::file_type::not_found) {
    std::error_code linkEc;
    return fs::is_symlink(fs::symlink_status(path, linkEc)) ? "a symbolic link to nothing"
                                                            : "does not exist";
  }
  if (ec) return "cannot be read: " + ec.message();
  switch (target.type()) {
    case fs::file_type::regular:
      return {};
    case fs::file_type::directory:
      return "a folder";
    case fs::file_type::fifo:
      return "a named pipe (FIFO), not a file";
    case fs::file_type::block:
    case fs::file_type::character:
      return "a device, not a file";
    case fs::file_type::socket:
      return "a socket, not a file";
    default:
      return "not a regular file";
  }
}

void Skip(nlohmann::json* skipped, const fs::path& path, const std::string& reason) {
  skipped->push_back({{"file", path.string()}, {"reason", reason}});
}

// The .svg and .svgz files of a folder and its subfolders, in name order. What is left
// out is listed with its reason: a folder that cannot be read, a symbolic link to a folder
// (not followed, so that no link can lead the walk round in a loop), a link loop, and an
// SVG name that is no regular file.
void WalkFolder(const fs::path& folder, std::vector<fs::path>* files, nlohmann::json* skipped) {
  std::error_code ec;
  std::vector<fs::path> entries;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec))
    entries.push_back(it->path());
  if (ec) Skip(skipped, folder, "the folder cannot be read: " + ec.message());
  std::sort(entries.begin(), entries.end());
  for (const fs::path& entry : entries) {
    std::error_code statusEc;
    const fs::file_status own = fs::symlink_status(entry, statusEc);
    if (fs::is_directory(own)) {
      WalkFolder(entry, files, skipped);
      continue;
    }
    if (fs::is_symlink(own)) {
      const fs::file_status target = fs::status(entry, statusEc);
      if (fs::is_directory(target)) {
        Skip(skipped, entry,
             "a symbolic link to a folder, not followed (name the folder itself to import it)");
        continue;
      }
      if (statusEc == std::errc::too_many_symbolic_link_levels) {
        Skip(skipped, entry, "a loop of symbolic links");
        continue;
      }
    }
    if (!HasSvgExtension(entry)) continue;
    const std::string why = WhyNotAFile(entry);
    if (why.empty()) {
      files->push_back(entry);
    } else {
      Skip(skipped, entry, why);
    }
  }
}

// The SVG files named: files as given, folders walked (in name order) for .svg and .svgz.
// Names that lead nowhere are skipped with their reason.
void CollectFiles(const std::vector<std::string>& inputs, std::vector<fs::path>* files,
                  nlohmann::json* skipped) {
  for (const std::string& input : inputs) {
    std::error_code ec;
    if (fs::is_directory(input, ec)) {
      std::vector<fs::path> found;
      WalkFolder(input, &found, skipped);
      std::sort(found.begin(), found.end());
      files->insert(files->end(), found.begin(), found.end());
    } else if (const std::string why = WhyNotAFile(input); why.empty()) {
      files->push_back(input);
    } else {
      Skip(skipped, input, why);
    }
  }
}

// The name of the folder holding `file`, as the user sees it: "." and ".." stand for the
// folders they lead to ("/" has no name).
std::string FolderName(const fs::path& file) {
  std::error_code ec;
  const fs::path folder = fs::absolute(file, ec).lexically_normal().parent_path();
  return folder.filename().string();
}

// Shift-JIS texts for the record's fields: characters Shift-JIS cannot hold replaced,
// texts longer than their field shortened on a character boundary, both reported. The
// result is UTF-8 again, now exactly what the field will hold.
void FitTexts(ImportItem* item) {
  struct Field {
    std::string* text;
    std::size_t size;
    const char* what;
  } fields[] = {{&item->texts.name, sizeof(velm::Record::name), "name"},
                {&item->texts.kind, sizeof(velm::Record::kind), "kind"},
                {&item->texts.comment, sizeof(velm::Record::comment), "comment"}};
  for (const Field& f : fields) {
    std::vector<std::string> replaced;
    std::string sjis = Utf8ToSjisNearest(*f.text, &replaced);
    if (!replaced.empty()) {
      std::string list;
      for (const std::string& c : replaced)
        list += c;
      item->warnings.push_back(std::string("the ") + f.what + " holds " +
                               std::to_string(replaced.size()) +
                               " character(s) Shift-JIS cannot hold, replaced: " + list);
    }
    if (sjis.size() >= f.size) {
      sjis = CutSjis(sjis, f.size - 1);
      item->warnings.push_back(std::string("the ") + f.what + " was shortened to " +
                               std::to_string(sjis.size()) + " bytes");
    }
    *f.text = SjisToUtf8(sjis);
  }
}

void SelectAll(hostsim::Document& document) {
  for (hostsim::Layer* layer : document.layers()) {
    for (hostsim::Art* art : layer->group->children)
      document.Select(art, true);
  }
}

// Progress on a terminal: files, records and rate, on one line rewritten in place.
class Progress {
 public:
  Progress(std::size_t files, bool shown) : files_(files), shown_(shown) {}
  void Update(std::size_t file, std::size_t records) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (file < files_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const int width = 30;
    const int done = files_ ? static_cast<int>(width * file / files_) : width;
    std::fprintf(stderr, "\r[%s%s] files %zu/%zu  records %zu  %.0f records/s ",
                 std::string(static_cast<std::size_t>(done), '#').c_str(),
                 std::string(static_cast<std::size_t>(width - done), '.').c_str(), file, files_,
                 records, seconds > 0 ? static_cast<double>(records) / seconds : 0.0);
    if (file == files_) std::fprintf(stderr, "\n");
    std::fflush(stderr);
  }

 private:
  std::size_t files_;
  bool shown_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_{};
};

// Whether a file that did not read as SVG is SVG at all: without "<svg" in its first
// bytes (expanded when it is compressed, which the reader says itself) it is some other
// kind of file, and the XML parser's words would only puzzle.
bool LooksLikeSvg(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  char bytes[65536];
  in.read(bytes, sizeof bytes);
  const std::string_view head(bytes, static_cast<std::size_t>(in.gcount()));
  return (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0x1f &&
          static_cast<unsigned char>(head[1]) == 0x8b) ||
         head.find("<svg") != std::string_view::npos;
}

// The records a read document gives: one per symbol of a symbol set, else one for the
// whole document.
std::vector<ImportItem> ItemsOf(const fs::path& file, const hostsim::SvgDocument& svg,
                                const ImportOptions& options) {
  std::vector<ImportItem> items;
  const std::string stem = file.filename().string().substr(
      0, file.filename().string().size() - file.extension().string().size());
  const std::vector<std::string> documentWarnings = svg.report.Lines();
  if (svg.symbolSet) {
    for (const hostsim::SvgSymbol& symbol : svg.symbols) {
      ImportItem item;
      item.file = file.string();
      item.element = "#" + symbol.id;
      item.group = options.group.empty() ? stem : options.group;
      item.texts.name = !symbol.title.empty() ? symbol.title : symbol.id;
      item.texts.kind = options.kind;
      item.texts.comment = symbol.desc;
      // A set velm export wrote keeps each record's texts exactly on its symbol, and for
      // people (trimmed when read) in its title and description.
      // (A set written before the texts were kept on the symbol reads back from the
      // description, whose trailing space the trimming took: "comment:" ends it.)
      static const std::string kKind = "kind: ", kComment = "\ncomment:";
      const std::size_t split = symbol.desc.find(kComment);
      if (symbol.name) item.texts.name = *symbol.name;
      if (symbol.kind && symbol.comment) {
        if (options.kind.empty()) item.texts.kind = *symbol.kind;
        item.texts.comment = *symbol.comment;
      } else if (symbol.desc.rfind(kKind, 0) == 0 && split != std::string::npos &&
                 symbol.desc.find('\n', kKind.size()) == split) {
        if (options.kind.empty())
          item.texts.kind = symbol.desc.substr(kKind.size(), split - kKind.size());
        const std::size_t from = split + kComment.size();
        item.texts.comment = symbol.desc.substr(from + (symbol.desc.compare(from, 1, " ") == 0));
      }
      item.scene = &symbol.scene;
      item.warnings = symbol.report.Lines();
      items.push_back(std::move(item));
    }
    return items;
  }
  ImportItem item;
  item.file = file.string();
  item.group = options.group.empty() ? FolderName(file) : options.group;
  item.texts.name = !svg.title.empty() ? svg.title : stem;
  item.texts.kind = options.kind;
  item.texts.comment = svg.desc;
  item.scene = &svg.scene;
  item.warnings = documentWarnings;
  items.push_back(std::move(item));
  return items;
}

// The group a derived name stands for, fitted to what a group name can be (see
// FitGroupName); what was changed is said with the first record that goes there.
void FitGroup(ImportItem* item, std::map<std::string, std::string>* fitted) {
  const auto [it, first] = fitted->try_emplace(item->group);
  if (first) {
    std::vector<std::string> changes;
    it->second = FitGroupName(item->group, &changes);
    std::string list;
    for (const std::string& change : changes)
      list += (list.empty() ? "" : "; ") + change;
    if (!changes.empty())
      item->warnings.push_back("the group name \"" + item->group + "\" cannot be used as it is (" +
                               list + "): the records go into \"" + it->second + "\"");
  }
  item->group = it->second;
}

struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t modified = 0;
  bool operator==(const FileStamp&) const = default;
};

// What the import has done to a group: whether its file was there before the first
// capture into it, and whether a record has gone into it since; the records it holds
// (read once, with each one the import adds) and the number the next one gets.
struct GroupState {
  bool existed = false;
  bool written = false;
  ArtIndex index;
  std::int32_t next = 0;
  std::optional<FileStamp> stamp;  // of the file `index` was read from
};

// The group's file in the library folder (nothing when the name has no Shift-JIS form).
fs::path GroupFilePath(const fs::path& library, const std::string& group) {
  std::string sjis;
  if (!Utf8ToSjis(group, &sjis)) return {};
  return library / (SjisToUtf8(sjis) + ".VEL");
}

// What tells one version of a group file from another: its size and time of last change;
// nothing when it is not there.
std::optional<FileStamp> StampOf(const fs::path& file) {
  struct stat info {};
  if (file.empty() || ::stat(file.c_str(), &info) != 0) return std::nullopt;
  return FileStamp{static_cast<std::uint64_t>(info.st_size),
                   static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                       static_cast<std::uint64_t>(info.st_mtim.tv_nsec)};
}

// The group's records as the file holds them now, read again only when it changed since
// they were last known (another writer added to it).
void Refresh(const fs::path& library, const std::string& group, GroupState* state) {
  const fs::path file = GroupFilePath(library, group);
  const std::optional<FileStamp> now = StampOf(file);
  if (now == state->stamp) return;
  state->index = ArtIndex::OfGroupFile(file);
  state->next = state->index.count();
  state->stamp = now;
}

// Whether anything is there under the name of the group's file; a name without a
// Shift-JIS form counts as there (it is never removed).
bool GroupFileThere(const fs::path& library, const std::string& group) {
  const fs::path file = GroupFilePath(library, group);
  std::error_code absent;
  return file.empty() || fs::symlink_status(file, absent).type() != fs::file_type::not_found;
}

// A group file this import made and could write nothing into (the plug-in's write
// creates the file before it writes) goes again, unless another writer has put
// something into it meanwhile: the check and the removal hold the group's lock.
void RemoveIfLeftEmpty(const std::string& group, const GroupState& state) {
  std::string sjis;
  if (state.existed || state.written || !Utf8ToSjis(group, &sjis)) return;
  velm::RemoveGroupFile(sjis.c_str(), true);
}

// Why what is there under the name of the group's file cannot be written as one (a
// folder, a pipe, a device); empty when it can, or nothing is there.
std::string WhyNoGroupFile(const fs::path& library, const std::string& group) {
  if (group.empty()) return {};
  const fs::path file = GroupFilePath(library, group);
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (file.empty() || status.type() == fs::file_type::not_found ||
      status.type() == fs::file_type::regular)
    return {};
  return file.string() + " is " +
         (status.type() == fs::file_type::directory ? "a folder" : "not a regular file") +
         ", not a group file: nothing can be written into group " + group;
}

// True for an existing folder that holds SVG files and no group files, neither itself
// nor in a "VELM" folder: the SVG folder that took the place of a forgotten library.
bool LooksLikeAnSvgFolder(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec) || HoldsGroupFiles(folder) || HoldsGroupFiles(folder / "VELM"))
    return false;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (HasSvgExtension(entry.path())) return true;
  }
  return false;
}

// An empty folder for a dry run's session to see when the library does not exist yet:
// the run must not make it. Removed with the object.
class ScratchLibrary {
 public:
  bool Make(std::string* error) {
    std::error_code ec;
    std::string pattern =
        (fs::temp_directory_path(ec) / ("velm-dry-run-" + std::to_string(getpid()) + "-XXXXXX"))
            .string();
    if (ec || !::mkdtemp(pattern.data())) {
      *error = "cannot make a temporary folder for the dry run";
      return false;
    }
    folder_ = pattern;
    return true;
  }
  ~ScratchLibrary() {
    std::error_code ec;
    if (!folder_.empty()) fs::remove_all(folder_, ec);
  }
  const fs::path& folder() const { return folder_; }

 private:
  fs::path folder_;
};

}  // namespace

int CommandImport(const ImportOptions& options, std::ostream& out, std::ostream& err) {
  if (options.paths.size() < 2) {
    err << "velm: import takes the SVG files or folders, then the library folder\n";
    return kExitUsage;
  }
  const std::string library = options.paths.back();
  std::error_code ec;
  if (fs::exists(library, ec) && !fs::is_directory(library, ec)) {
    err << "velm: " << library << " is not a library folder\n";
    return kExitUsage;
  }
  if (LooksLikeAnSvgFolder(library)) {
    err << "velm: LIBRARY \"" << library
        << "\" holds SVG files and no library: did you forget the library argument?\n";
    return kExitUsage;
  }
  if (options.duplicates != "keep" && options.duplicates != "skip") {
    err << "velm: --duplicates is keep or skip\n";
    return kExitUsage;
  }
  const bool keepDuplicates = options.duplicates == "keep";
  if (!options.group.empty() && !GroupNameText(options.group, err)) return kExitUsage;
  if (const std::string why = WhyNoGroupFile(library, options.group); !why.empty()) {
    err << "velm: " << why << "\n";
    return kExitUsage;
  }
  const std::vector<std::string> inputs(options.paths.begin(), options.paths.end() - 1);
  nlohmann::json made = nlohmann::json::array();
  nlohmann::json skipped = nlohmann::json::array();
  std::vector<fs::path> files;
  CollectFiles(inputs, &files, &skipped);

  std::string error;
  const bool created = !fs::exists(library, ec);
  // A dry run captures as the real one does, over the library as it is, and writes
  // nothing: every capture is refused before its write.
  ScratchLibrary scratch;
  if (options.dryRun && created && !scratch.Make(&error)) {
    err << "velm: " << error << "\n";
    return kExitProblems;
  }
  std::unique_ptr<velmsession::PluginSession> session = velmsession::PluginSession::Open(
      scratch.folder().empty() ? fs::path(library) : scratch.folder(), false, &error);
  if (!session) {
    err << "velm: " << error << "\n";
    return kExitProblems;
  }
  if (created && !options.json) {
    out << (options.dryRun ? "would create library " : "created library ") << library << "\n";
  }
  Progress progress(files.size(), !options.json && isatty(STDERR_FILENO));
  std::size_t fileCount = 0;
  std::map<std::string, std::string> fitted;  // derived group names and what they became
  std::map<std::string, GroupState> groups;
  bool faults = false;
  for (const fs::path& file : files) {
    const auto started = std::chrono::steady_clock::now();
    const std::size_t madeBefore = made.size();
    // Whatever one file needs and cannot get skips that file, not the rest of the import.
    try {
      hostsim::SvgDocument svg;
      // A record's strokes hold plain colours: a gradient stroke comes in as its outline.
      hostsim::SvgReadOptions read;
      read.outlineGradientStrokes = true;
      if (!hostsim::ReadSvgFile(file.string(), read, &svg, &error)) {
        skipped.push_back(
            {{"file", file.string()}, {"reason", LooksLikeSvg(file) ? error : "not an SVG file"}});
      } else {
        if (svg.symbolSet && svg.symbols.empty()) {
          skipped.push_back(
              {{"file", file.string()}, {"reason", "the symbol set holds no symbols"}});
        }
        for (ImportItem& item : ItemsOf(file, svg, options)) {
          if (options.group.empty()) FitGroup(&item, &fitted);
          FitTexts(&item);
          std::int32_t number = -1, objects = 0;
          // A fresh document holding the art; nobody looks at the screen, so it is not drawn.
          std::unique_ptr<hostsim::Document> document =
              hostsim::ReadScene(*item.scene, item.file, &error);
          if (!document) {
            skipped.push_back({{"file", item.file}, {"element", item.element}, {"reason", error}});
            continue;
          }
          session->host().SetDocument(std::move(document));
          SelectAll(session->document());
          const auto [state, first] = groups.try_emplace(item.group);
          GroupState& group = state->second;
          if (const std::string why = WhyNoGroupFile(library, item.group); !why.empty()) {
            skipped.push_back({{"file", item.file}, {"element", item.element}, {"reason", why}});
            continue;
          }
          if (first) {
            group.existed = GroupFileThere(library, item.group);
            if (!created) Refresh(library, item.group, &group);
          }
          // Decided on the captured record, before anything is written, and under the
          // group's lock, held until the write is done: another import of the same art at
          // the same time finds this record, or this one finds its.
          std::string key;
          std::optional<std::int32_t> duplicateOf;
          bool refused = false;
          std::unique_ptr<velm::GroupHold> hold;
          host::Err held = host::kNoErr;
          const auto check = [&](velm::os::MemHandle record) {
            if (!options.dryRun) {
              std::string sjis;
              hold = std::make_unique<velm::GroupHold>();
              held = Utf8ToSjis(item.group, &sjis) ? hold->Take(sjis.c_str()) : host::kNoErr;
              if (held != host::kNoErr) return false;
              Refresh(library, item.group, &group);
            }
            if (!ArtIndex::KeyOfCaptured(record, &key)) key.clear();
            if (!keepDuplicates && !key.empty()) duplicateOf = group.index.Find(key);
            refused = duplicateOf || options.dryRun;
            return !refused;
          };
          const bool captured =
              session->Capture(item.group, item.texts, &number, &objects, &error, check);
          // What this import wrote is known without reading the group again.
          if (!options.dryRun && number >= 0 && number == group.next)
            group.stamp = StampOf(GroupFilePath(library, item.group));
          hold.reset();
          if (held != host::kNoErr) {
            skipped.push_back({{"file", item.file},
                               {"element", item.element},
                               {"reason", held == velm::kGroupBusyErr
                                              ? "the group is being written by another program"
                                              : "the group's lock cannot be taken"}});
            if (!options.dryRun) RemoveIfLeftEmpty(item.group, group);
            continue;
          }
          if (refused && duplicateOf) {
            skipped.push_back(
                {{"file", item.file},
                 {"element", item.element},
                 {"reason", "already in " + item.group + " as #" + std::to_string(*duplicateOf)},
                 {"duplicate", true},
                 {"group", item.group},
                 {"number", *duplicateOf}});
            continue;
          }
          if (refused) number = group.next;  // where the dry run's record would go
          for (const std::string& loss : session->captureLosses())
            item.warnings.push_back(loss);
          if (!captured && !refused) {
            if (number < 0) {
              skipped.push_back(
                  {{"file", item.file}, {"element", item.element}, {"reason", error}});
              if (!options.dryRun) RemoveIfLeftEmpty(item.group, group);
              continue;
            }
            // Written, but the capture met a fault: the record is listed, so that the file
            // is not imported twice, and the fault is reported with it.
            item.warnings.push_back(error);
            faults = true;
          }
          group.written = true;
          group.next = number + 1;
          if (!key.empty()) group.index.Add(key, number);
          made.push_back({{"group", item.group},
                          {"number", number},
                          {"name", item.texts.name},
                          {"file", item.file},
                          {"element", item.element},
                          {"objects", objects},
                          {"warnings", item.warnings}});
        }
      }
    } catch (const std::bad_alloc&) {
      skipped.push_back(
          {{"file", file.string()}, {"reason", "not enough memory to read and capture it"}});
    }
    // The file's time (reading and every capture), with each of its records.
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (std::size_t i = madeBefore; i < made.size(); ++i)
      made[i]["seconds"] = seconds;
    progress.Update(++fileCount, made.size());
  }

  // Art already there is skipped by request, not for a fault.
  const std::size_t duplicates = static_cast<std::size_t>(
      std::count_if(skipped.begin(), skipped.end(),
                    [](const nlohmann::json& item) { return item.value("duplicate", false); }));
  const std::size_t failed = skipped.size() - duplicates;
  if (options.json) {
    // Names of files and folders need not be UTF-8.
    WriteJson(out, nlohmann::json{{"library", library},
                                  {"dryRun", options.dryRun},
                                  {"createdLibrary", created},
                                  {"records", made},
                                  {"skipped", skipped}});
  } else {
    const std::string would = options.dryRun ? "would " : "";
    if (options.dryRun) {
      for (const nlohmann::json& record : made) {
        out << "would import " << record["file"].get<std::string>()
            << record["element"].get<std::string>() << " into "
            << record["group"].get<std::string>() << " as #" << record["number"] << " \""
            << record["name"].get<std::string>() << "\"\n";
      }
    }
    for (const nlohmann::json& record : made) {
      for (const auto& warning : record["warnings"]) {
        err << "velm: " << record["file"].get<std::string>() << record["element"].get<std::string>()
            << ": " << warning.get<std::string>() << "\n";
      }
    }
    for (const nlohmann::json& item : skipped) {
      const bool duplicate = item.value("duplicate", false);
      (duplicate ? out : err) << (duplicate ? "" : "velm: ") << would << "skip"
                              << (options.dryRun ? " " : "ped ") << item["file"].get<std::string>()
                              << item.value("element", std::string()) << ": "
                              << item["reason"].get<std::string>() << "\n";
    }
    out << (options.dryRun ? "Would import " : "Imported ") << made.size() << " record(s) from "
        << files.size() << " file(s) into " << library;
    const char* skips = options.dryRun ? "would be skipped" : "skipped";
    if (duplicates) out << "; " << duplicates << " already there, " << skips;
    if (failed) out << "; " << failed << " " << skips;
    if (options.dryRun) out << "; dry run, nothing written";
    out << "\n";
  }
  return failed == 0 && !faults ? kExitOk : kExitProblems;
}

}  // namespace velmtool
