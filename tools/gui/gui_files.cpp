// The window's files: opening a scene or SVG document, saving it as a scene, SVG or
// picture, choosing the library folder, dropping files onto the document; the chooser
// drawn in the window for a typed path, and the menu bar and message strip above the
// workspace.
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

#include "gui_controller.h"
#include "gui_draw.h"
#include "hostsim/document_files.h"
#include "hostsim/drawing/text_layout.h"
#include "hostsim/scene/scene.h"

namespace velmgui {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr int kMenuHeight = 20;  // the menu bar, then the message strip, above the workspace
constexpr int kStripBottom = 40;
constexpr std::uint32_t kInk = 0x000000;
constexpr std::uint32_t kFace = 0xD4D0C8;
constexpr std::uint32_t kPaper = 0xFFFFFF;
constexpr std::uint32_t kChosen = 0xC8D4EC;
constexpr std::uint32_t kError = 0xA01010;
// The chooser: a panel in the middle of the screen with the typed path and the folder's
// entries below it.
constexpr host::Rect kChooser{340, 160, 940, 600};
constexpr int kRowHeight = 16;
constexpr int kRows = (kChooser.bottom - kChooser.top - 74) / kRowHeight;

struct MenuEntry {
  const char* label;
  Command command;
};
constexpr MenuEntry kMenu[] = {{"Open... (Ctrl+O)", Command::kOpen},
                               {"Save (Ctrl+S)", Command::kSave},
                               {"Save As... (Ctrl+Shift+S)", Command::kSaveAs},
                               {"Library... (Ctrl+L)", Command::kLibrary},
                               {"Restore Removed (Ctrl+R)", Command::kRestore}};
constexpr int kMenuWidth = 170;

bool Inside(const host::Rect& r, host::Point p) {
  return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom;
}

bool Continuation(const std::string& s, std::size_t at) {
  return at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80;
}

// The start of the UTF-8 character before byte `at`, and the end of the one at it.
std::size_t PreviousUtf8(const std::string& s, std::size_t at) {
  if (at == 0) return 0;
  do
    --at;
  while (at > 0 && Continuation(s, at));
  return at;
}
std::size_t NextUtf8(const std::string& s, std::size_t at) {
  if (at >= s.size()) return s.size();
  do
    ++at;
  while (Continuation(s, at));
  return at;
}

bool AnyArt(const json& scene) {
  for (const json& layer : scene.value("layers", json::array()))
    if (!layer.value("art", json::array()).empty()) return true;
  return false;
}

// Every "id" of the art in `node`, recursively.
void CollectIds(const json& node, std::set<std::string>& ids) {
  if (node.is_object()) {
    if (auto it = node.find("id"); it != node.end() && it->is_string()) ids.insert(*it);
    for (const auto& [key, value] : node.items())
      CollectIds(value, ids);
  } else if (node.is_array()) {
    for (const json& v : node)
      CollectIds(v, ids);
  }
}

// Renames, in `node` recursively, the string values of `key` by `names`.
void Rename(json& node, const std::string& key, const std::map<std::string, std::string>& names) {
  if (node.is_object()) {
    for (auto& [k, value] : node.items()) {
      if (k == key && value.is_string()) {
        if (auto it = names.find(value.get<std::string>()); it != names.end()) value = it->second;
      } else {
        Rename(value, key, names);
      }
    }
  } else if (node.is_array()) {
    for (json& v : node)
      Rename(v, key, names);
  }
}

void Deselect(json& node) {
  if (node.is_object()) {
    node.erase("selected");
    if (auto it = node.find("art"); it != node.end()) Deselect(*it);
    if (auto it = node.find("children"); it != node.end()) Deselect(*it);
  } else if (node.is_array()) {
    for (json& v : node)
      Deselect(v);
  }
}

// A name not in `taken`: `name` itself, else "name 2", "name 3", ...
std::string Unused(const std::string& name, const std::set<std::string>& taken) {
  if (!taken.count(name)) return name;
  for (int n = 2;; ++n)
    if (const std::string s = name + " " + std::to_string(n); !taken.count(s)) return s;
}

}  // namespace

json MergeScenes(json current, json added) {
  // Named paint of the added scene that clashes with a different definition in the current
  // one is renamed, and what uses it follows (custom colours first: gradients and patterns
  // use them, gradients before patterns); the same definition is shared. Clashing ids are
  // renamed.
  const struct {
    const char* list;
    const char* key;
  } named[] = {{"customColors", "custom"}, {"gradients", "gradient"}, {"patterns", "pattern"}};
  for (const auto& n : named) {
    if (!added[n.list].is_array()) continue;
    std::map<std::string, json> taken;
    for (const json& e : current.value(n.list, json::array()))
      taken[e.value("name", "")] = e;
    std::map<std::string, std::string> names;
    for (json& e : added[n.list]) {
      const std::string name = e.value("name", "");
      auto same = taken.find(name);
      if (same != taken.end() && same->second == e) continue;  // the same definition: shared
      if (same != taken.end()) {
        std::string fresh = name;
        for (int k = 2; taken.count(fresh); ++k)
          fresh = name + " " + std::to_string(k);
        names[name] = fresh;
        e["name"] = fresh;
      }
      taken[e.value("name", "")] = e;
      current[n.list].push_back(e);
    }
    if (!names.empty()) Rename(added, n.key, names);
  }
  std::set<std::string> ids;
  CollectIds(current["layers"], ids);
  // (Looked up without operator[], which would add a null list the scene reader refuses.)
  if (current.contains("patterns")) CollectIds(current.at("patterns"), ids);
  std::map<std::string, std::string> idNames;
  std::set<std::string> addedIds;
  CollectIds(added["layers"], addedIds);
  for (const std::string& id : addedIds)
    if (ids.count(id)) {
      idNames[id] = Unused(id, ids);
      ids.insert(idNames[id]);
    }
  if (!idNames.empty()) Rename(added["layers"], "id", idNames);
  for (const json& g : added.value("pluginGroups", json::array())) {
    const json groups = current.value("pluginGroups", json::array());
    if (std::find(groups.begin(), groups.end(), g) == groups.end())
      current["pluginGroups"].push_back(g);
  }
  // The added art goes on top of the current layer, selected; nothing else is.
  Deselect(current["layers"]);
  json* target = &current["layers"][0];
  for (json& layer : current["layers"])
    if (layer.value("current", false)) target = &layer;
  json art = json::array();
  for (json& layer : added["layers"])
    for (json& a : layer["art"].is_array() ? layer["art"] : json::array()) {
      Deselect(a);
      a["selected"] = true;
      art.push_back(a);
    }
  for (json& a : (*target)["art"])
    art.push_back(a);
  (*target)["art"] = art;
  return current;
}

// ---- Files ----

bool Controller::DropFile(const std::string& path) {
  StartAction();
  hostsim::Document* doc = host().document();
  if (!doc) return OpenDocument(path);
  const json current = hostsim::WriteScene(*doc);
  if (!AnyArt(current)) {
    if (!modified()) return OpenDocument(path);
    Guard(After::kOpen, path);  // asks first about the document's changes
    return false;
  }
  std::string error;
  json added;
  if (!hostsim::LoadSceneJson(path, &added, &error)) {
    Beep(error);
    return false;
  }
  // Read and written again: the dropped scene checked, its paint written as the current
  // document's is, so that the same definitions compare equal.
  std::unique_ptr<hostsim::Document> read = hostsim::ReadScene(added, path, &error);
  if (!read) {
    Beep(error);
    return false;
  }
  std::unique_ptr<hostsim::Document> part;
  std::size_t target = 0;
  try {
    const json written = hostsim::WriteScene(*read);
    const json merged = MergeScenes(current, written);
    // The dropped art as the merge put it (on top of the target layer, renamed where its
    // names clash), read with the merged paint into a document of its own.
    std::size_t count = 0;
    for (const json& layer : written["layers"])
      if (layer.contains("art") && layer["art"].is_array()) count += layer["art"].size();
    for (std::size_t i = 0; i < merged["layers"].size(); ++i)
      if (merged["layers"][i].value("current", false)) target = i;
    const json& art = merged["layers"][target]["art"];
    json layer = json::object();
    layer["art"] =
        json(art.begin(), art.begin() + static_cast<std::ptrdiff_t>(std::min(count, art.size())));
    json piece = merged;
    piece["layers"] = json::array();
    piece["layers"].push_back(std::move(layer));
    part = hostsim::ReadScene(piece, path, &error);
  } catch (const json::exception& e) {
    error = path + ": " + e.what();
  }
  if (!part || target >= doc->layers().size()) {
    Beep(error.empty() ? path + ": the document's layers changed" : error);
    return false;
  }
  // One undoable step: the dropped art selected on top of the layer, nothing else selected.
  hostsim::Layer* into = doc->layers()[target];
  doc->BeginUndoStep();
  std::vector<hostsim::Art*> before;
  for (hostsim::Layer* layer : doc->layers())
    before.insert(before.end(), layer->group->children.begin(), layer->group->children.end());
  if (!doc->TakeArt(*part, into)) {
    Beep(path + ": its paint does not fit the document's");
    return false;
  }
  for (hostsim::Art* art : before)
    doc->Select(art, false);
  doc->SetUndoTexts("Undo Drop", "Redo Drop");
  doc->BeginUndoStep();
  status_ = "added the art of " + path + " (selected)";
  SelectionChanged();
  return true;
}

void Controller::Rebind(velmsession::PluginSession& session) {
  session_ = &session;
  tracking_ = {};
  dropDown_ = {nullptr, 0, {}, dropDown_.rowHeight};
  moving_ = resizing_ = nullptr;
  keysTo_ = nullptr;
  banding_ = false;
  labelMayShow_ = false;
  needsRepaint_ = true;
}

std::string Controller::TakeLibraryRequest() {
  return std::exchange(libraryRequest_, {});
}

// ---- The chooser ----

void Controller::RunCommand(Command command) {
  StartAction();
  if (command == Command::kSave) {
    Save();
    needsRepaint_ = true;
    return;
  }
  if (command == Command::kRestore) {
    // The latest removal kept in the library's trash comes back; the palette shows it at
    // its next look at the library.
    std::string what, why;
    if (session_->RestoreLatestRemoval(&what, &why))
      Tell(what);
    else
      Refuse(why);
    needsRepaint_ = true;
    return;
  }
  chooser_.purpose = command;
  pendingAfter_ = After::kNothing;
  std::string start = command == Command::kLibrary ? library_ : source_.path;
  std::error_code ec;
  if (start.empty()) start = fs::current_path(ec).string() + "/";
  if (command != Command::kLibrary && fs::is_directory(start, ec) && start.back() != '/')
    start += '/';
  chooser_.path = start;
  chooser_.caret = start.size();
  // The path proposed is selected: typing replaces it (Backspace clears it).
  chooser_.allSelected = true;
  chooser_.open = true;
  static const char* const kAsk[] = {"open: type the file's path", "",
                                     "save as: type the file's path",
                                     "library: type the folder's path"};
  status_ = kAsk[static_cast<int>(command)];
  chooser_.selected = -1;
  ListChooser();
  needsRepaint_ = true;
}

void Controller::ListChooser() {
  chooser_.entries.clear();
  const std::string& path = chooser_.path;
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string prefix = slash == std::string::npos ? path : path.substr(slash + 1);
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.rfind(prefix, 0) != 0 || (prefix.empty() && name[0] == '.')) continue;
    if (it->is_directory(ec)) name += '/';
    chooser_.entries.push_back(name);
  }
  std::sort(chooser_.entries.begin(), chooser_.entries.end());
  // Nothing is chosen until Up or Down: Return takes what was typed.
  chooser_.selected = -1;
  chooser_.first = 0;
}

void Controller::ChooserText(const std::string& utf8) {
  if (question_.open) return;  // the question above the chooser takes the keys
  if (std::exchange(chooser_.allSelected, false)) chooser_.path.clear();
  chooser_.caret = std::min(chooser_.caret, chooser_.path.size());
  chooser_.path.insert(chooser_.caret, utf8);
  chooser_.caret += utf8.size();
  ListChooser();
  needsRepaint_ = true;
}

void Controller::ChooserKey(Key key) {
  if (question_.open) return;
  needsRepaint_ = true;
  const std::size_t slash = chooser_.path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : chooser_.path.substr(0, slash + 1);
  const auto count = static_cast<std::int32_t>(chooser_.entries.size());
  const bool allSelected = std::exchange(chooser_.allSelected, false);
  switch (key) {
    case Key::kEscape:
      chooser_.open = false;
      if (pendingAfter_ != After::kNothing) status_ = "cancelled: nothing was saved";
      pendingAfter_ = After::kNothing;
      return;
    case Key::kBackspace:
    case Key::kDelete: {
      std::string& path = chooser_.path;
      std::size_t& caret = chooser_.caret;
      caret = std::min(caret, path.size());
      if (allSelected) {
        path.clear();
        caret = 0;
      } else if (key == Key::kBackspace) {
        const std::size_t from = PreviousUtf8(path, caret);
        path.erase(from, caret - from);
        caret = from;
      } else {
        path.erase(caret, NextUtf8(path, caret) - caret);
      }
      ListChooser();
      return;
    }
    case Key::kLeft:
    case Key::kRight:
      // With the path selected, the caret goes to the selection's start or end.
      if (allSelected)
        chooser_.caret = key == Key::kLeft ? 0 : chooser_.path.size();
      else
        chooser_.caret = key == Key::kLeft ? PreviousUtf8(chooser_.path, chooser_.caret)
                                           : NextUtf8(chooser_.path, chooser_.caret);
      return;
    case Key::kHome:
    case Key::kEnd:
      chooser_.caret = key == Key::kHome ? 0 : chooser_.path.size();
      return;
    case Key::kUp:
    case Key::kDown:
      if (count == 0) return;
      chooser_.selected = std::clamp(chooser_.selected + (key == Key::kUp ? -1 : 1), 0, count - 1);
      chooser_.first = std::clamp(chooser_.first, chooser_.selected - kRows + 1, chooser_.selected);
      return;
    case Key::kTab:
      // Completes the typed name to the chosen entry, else to the first.
      if (count > 0) {
        chooser_.path =
            folder + chooser_.entries[static_cast<std::size_t>(std::max(chooser_.selected, 0))];
        chooser_.caret = chooser_.path.size();
        ListChooser();
      }
      return;
    case Key::kReturn: {
      // A chosen folder is entered, a chosen file taken; else the typed path is taken.
      std::string path = chooser_.path;
      if (chooser_.selected >= 0) {
        const std::string& entry = chooser_.entries[static_cast<std::size_t>(chooser_.selected)];
        if (folder + entry != path || entry.back() == '/') path = folder + entry;
        if (path.back() == '/' &&
            !(chooser_.purpose == Command::kLibrary && path == chooser_.path)) {
          chooser_.path = path;
          chooser_.caret = path.size();
          ListChooser();
          return;
        }
      }
      AcceptChooser(path);
      return;
    }
    default:
      return;
  }
}

void Controller::AcceptChooser(std::string path) {
  if (path.empty()) {
    Beep("type a file name");
    return;
  }
  while (path.size() > 1 && path.back() == '/' && chooser_.purpose == Command::kLibrary)
    path.pop_back();
  std::error_code ec;
  bool done = false;
  switch (chooser_.purpose) {
    case Command::kOpen:
      // Asks first about the document's changes; the chooser closes once it is open.
      Guard(After::kOpen, path);
      break;
    case Command::kSaveAs:
      if (fs::is_directory(path, ec)) {
        Beep(path + " is a folder: type a file name ending in .json, .svg or .png");
        break;
      }
      // A question (replace the file?) leaves the chooser open beneath it.
      done = SaveAsThen(path, pendingAfter_, pendingPath_);
      break;
    case Command::kLibrary:
      if (fs::exists(path, ec) && !fs::is_directory(path, ec)) {
        Beep(path + " is not a folder");
        break;
      }
      if (!fs::exists(path, ec))
        AskCreateLibrary(path);
      else
        Guard(After::kLibrary, path);
      break;
    default:
      break;
  }
  if (done) chooser_.open = false;
  needsRepaint_ = true;
}

bool Controller::ChooserClick(host::Point p) {
  if (!Inside(kChooser, p)) {
    chooser_.open = false;
    needsRepaint_ = true;
    return false;
  }
  const int row = (p.v - (kChooser.top + 56)) / kRowHeight;
  if (p.v >= kChooser.top + 56 && row < kRows &&
      chooser_.first + row < static_cast<std::int32_t>(chooser_.entries.size())) {
    const bool again = chooser_.selected == chooser_.first + row;
    chooser_.selected = chooser_.first + row;
    if (again) ChooserKey(Key::kReturn);  // a second click takes it
  }
  needsRepaint_ = true;
  return true;
}

bool Controller::MenuClick(host::Point p) {
  if (p.v >= kMenuHeight || p.h >= kMenuWidth * static_cast<int>(std::size(kMenu))) return false;
  RunCommand(kMenu[p.h / kMenuWidth].command);
  return true;
}

void Controller::DrawChrome() {
  hostsim::Bitmap& s = screen();
  const host::Rect bar{0, 0, hostsim::Desktop::kScreenWidth, kMenuHeight};
  s.Fill(bar, kFace);
  for (std::size_t i = 0; i < std::size(kMenu); ++i) {
    const int x = static_cast<int>(i) * kMenuWidth;
    Text(s, x + 8, 3, kMenu[i].label, kInk, {x, 0, x + kMenuWidth, kMenuHeight});
  }
  s.Fill({0, kMenuHeight - 1, bar.right, kMenuHeight}, 0x808080);
  const host::Rect strip{0, kMenuHeight, bar.right, kStripBottom};
  s.Fill(strip, kFace);
  Text(s, 8, kMenuHeight + 3, message_, messageIsError_ ? kError : kInk, strip);
  if (!chooser_.open) {
    DrawQuestion();
    return;
  }
  const char* titles[] = {"Open a scene (.json) or SVG document (.svg, .svgz)", "",
                          "Save as a scene (.json), SVG (.svg) or picture (.png)",
                          "Choose the library folder"};
  const host::Rect& c = kChooser;
  s.Fill(c, kFace);
  Frame(s, c, 0x404040);
  Text(s, c.left + 8, c.top + 6, titles[static_cast<int>(chooser_.purpose)], kInk, c);
  const host::Rect field{c.left + 8, c.top + 28, c.right - 8, c.top + 48};
  s.Fill(field, kPaper);
  Frame(s, field, 0x808080);
  if (chooser_.allSelected && !chooser_.path.empty()) {
    // The selected path: white on the selection colour, the caret after it.
    s.Fill({field.left + 2, field.top + 2, field.right - 2, field.bottom - 2}, 0x316AC5);
    Text(s, field.left + 4, field.top + 3, chooser_.path, kPaper, field);
  } else {
    const std::size_t caret = std::min(chooser_.caret, chooser_.path.size());
    Text(s, field.left + 4, field.top + 3,
         chooser_.path.substr(0, caret) + "|" + chooser_.path.substr(caret), kInk, field);
  }
  const host::Rect list{c.left + 8, c.top + 54, c.right - 8, c.bottom - 20};
  s.Fill(list, kPaper);
  Frame(s, list, 0x808080);
  for (int k = 0; k < kRows; ++k) {
    const std::int32_t i = chooser_.first + k;
    if (i >= static_cast<std::int32_t>(chooser_.entries.size())) break;
    const int y = c.top + 56 + k * kRowHeight;
    if (i == chooser_.selected) s.Fill({list.left + 1, y, list.right - 1, y + kRowHeight}, kChosen);
    Text(s, list.left + 6, y + 1, chooser_.entries[static_cast<std::size_t>(i)], kInk, list);
  }
  Text(s, c.left + 8, c.bottom - 18,
       "Up/Down choose, Tab completes, Return opens a folder or takes the file, Escape cancels",
       0x404040, c);
  DrawQuestion();
}

}  // namespace velmgui
