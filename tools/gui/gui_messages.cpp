// What the window tells the person after an action on the palette or the document: the
// palette's records and the document's art are looked at before the action and compared
// with what they are after it.
#include <algorithm>
#include <iterator>
#include <map>
#include <tuple>
#include <unordered_set>

#include "database/group_file.h"
#include "gui_controller.h"
#include "palette/palette_window.h"

namespace velmgui {

namespace {

using velmsession::PaletteEntry;

// A record by what the palette lists of it; its number is left out, since removing a
// record renumbers those after it.
auto Key(const PaletteEntry& e) {
  return std::tie(e.group, e.name, e.kind, e.created);
}

std::vector<PaletteEntry> Sorted(std::vector<PaletteEntry> entries) {
  std::sort(entries.begin(), entries.end(),
            [](const PaletteEntry& a, const PaletteEntry& b) { return Key(a) < Key(b); });
  return entries;
}

// The entries of `a` that `b` lacks (both sorted), counted as many times as they occur.
std::vector<PaletteEntry> Missing(const std::vector<PaletteEntry>& a,
                                  const std::vector<PaletteEntry>& b) {
  std::vector<PaletteEntry> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out),
                      [](const PaletteEntry& x, const PaletteEntry& y) { return Key(x) < Key(y); });
  return out;
}

std::string Count(std::size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// The top-level art of the document's layers.
std::vector<hostsim::Art*> TopArt(hostsim::Document* doc) {
  std::vector<hostsim::Art*> art;
  if (!doc) return art;
  for (hostsim::Layer* layer : doc->layers())
    for (hostsim::Art* a : layer->group->children)
      if (a->alive) art.push_back(a);
  return art;
}

}  // namespace

std::string Quoted(const PaletteEntry& e) {
  return e.name.empty() ? "#" + std::to_string(e.record) : "\"" + e.name + "\"";
}

std::string DescribePaletteChange(const velmsession::PaletteState& before,
                                  const velmsession::PaletteState& after, bool searched,
                                  const std::string& grown) {
  if (after.searchResults && searched) {
    return after.entries.empty() ? "no records found"
                                 : Count(after.entries.size(), "record") + " found";
  }
  // A record moved to the group now shown: the one listed both before and after.
  if (!grown.empty() && grown == after.group && before.group != after.group &&
      !before.searchResults && !after.searchResults) {
    for (const PaletteEntry& e : after.entries)
      for (const PaletteEntry& b : before.entries)
        if (std::tie(e.name, e.kind, e.created) == std::tie(b.name, b.kind, b.created))
          return "moved " + Quoted(b) + " to " + grown;
  }
  // Another group, or the same one shown anew: no record changed.
  if (before.group != after.group || before.searchResults != after.searchResults) return {};
  const auto was = Sorted(before.entries), is = Sorted(after.entries);
  const auto gone = Missing(was, is), added = Missing(is, was);
  if (added.size() == 1 && gone.empty())
    return "added " + Quoted(added[0]) + " to " + added[0].group;
  if (gone.size() == 1 && added.empty() && !grown.empty())
    return "moved " + Quoted(gone[0]) + " to " + grown;
  if (gone.size() == 1 && added.empty())
    return "removed " + Quoted(gone[0]) + " from " + gone[0].group;
  if (gone.size() == 1 && added.size() == 1)
    return "changed " + Quoted(added[0]) + " in " + added[0].group;
  if (!added.empty() || !gone.empty())
    return Count(added.size(), "record") + " added, " + std::to_string(gone.size()) + " removed";
  return {};
}

const char* const kRestoreHint = " \u2014 Ctrl+R restores it";

std::string DescribeGroupRemoval(const std::string& group, std::size_t records) {
  return "removed group " + group + " (" + Count(records, "record") + ")";
}

std::string DescribeUndo(bool redo, const std::string& stepText) {
  std::string what = hostsim::ToUtf8(stepText);  // the plug-in names its steps in Shift-JIS
  for (const char* verb : {"Undo ", "Redo "})
    if (what.rfind(verb, 0) == 0) what.erase(0, 5);
  if (what.empty()) what = "the last change";
  return (redo ? "redid " : "undid ") + what;
}

bool UndoRedoKey(char letter, bool shift, velmgui::Key* key) {
  if (letter == 'z' || letter == 'Z') {
    *key = shift ? velmgui::Key::kRedo : velmgui::Key::kUndo;
    return true;
  }
  if ((letter == 'y' || letter == 'Y') && !shift) {
    *key = velmgui::Key::kRedo;
    return true;
  }
  return false;
}

std::string SnapText(int kind) {
  static const char* const kSnaps[] = {"", "grid", "anchor", "intersection", "path"};
  if (kind < 1 || kind >= static_cast<int>(std::size(kSnaps))) return {};
  return std::string(" \u2014 snapped to ") + kSnaps[kind];
}

std::string DisabledReason(std::int32_t item, bool searchResults) {
  if (item == velm::kAddButtonItem)
    return searchResults ? "leave the search results to add" : "select art to add";
  if (item == velm::kRemoveButtonItem) return "select a record to remove";
  return "that is disabled now";
}

void Controller::StartAction() {
  if (message_.empty()) return;
  message_.clear();
  messageIsError_ = false;
  needsRepaint_ = true;
}

std::map<std::string, std::int32_t> Controller::GroupCounts() {
  std::map<std::string, std::int32_t> counts;
  std::vector<std::string> names;
  velm::ListGroups(
      [](const char* group, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(group);
        return true;
      },
      &names);
  for (const std::string& sjis : names)
    counts[hostsim::ToUtf8(sjis)] = velm::GroupRecordCount(sjis.c_str());
  return counts;
}

Controller::Before Controller::Observe() {
  return {session_->Palette(), TopArt(host().document()), host().beepCount(), modals_,
          GroupCounts()};
}

void Controller::ConfirmPalette(const Before& before) {
  const velmsession::PaletteState after = session_->Palette();
  const std::map<std::string, std::int32_t> counts = GroupCounts();
  const std::string& group = before.palette.group;
  if (!before.palette.searchResults && before.groups.count(group) && !counts.count(group)) {
    Tell(DescribeGroupRemoval(group, before.palette.entries.size()) + kRestoreHint);
    return;
  }
  // A record that left the group and one more in another: moved there.
  std::string grown;
  for (const auto& [name, n] : counts)
    if (auto it = before.groups.find(name);
        name != group && it != before.groups.end() && n == it->second + 1)
      grown = name;
  // A search ends in a dialog and shows its results in a new palette.
  const bool searched = modals_ != before.modals && after.dialog != before.palette.dialog;
  const std::string what = DescribePaletteChange(before.palette, after, searched, grown);
  if (what.empty()) return;
  // What the palette removed is kept in the library's trash: the strip says how it comes
  // back.
  Tell(what.rfind("removed ", 0) == 0 ? what + kRestoreHint : what);
}

void Controller::ConfirmDrop(const Before& before, std::int32_t entry, int snapKind) {
  hostsim::Document* doc = host().document();
  std::vector<hostsim::Art*> placed;
  const std::unordered_set<const hostsim::Art*> was(before.art.begin(), before.art.end());
  for (hostsim::Art* a : TopArt(doc))
    if (!was.count(a)) placed.push_back(a);
  if (placed.empty()) {
    // A click on the entry without a drag drops nothing; a drop the plug-in refused beeps.
    if (host().beepCount() != before.beeps) {
      status_ = "nothing was placed";
      statusIsError_ = true;
    }
    return;
  }
  // The placed art becomes the selection, to be moved or undone at once.
  doc->DeselectAll();
  for (hostsim::Art* a : placed)
    doc->Select(a, true);
  SelectionChanged();
  const auto& entries = before.palette.entries;
  const bool known = entry >= 0 && entry < static_cast<std::int32_t>(entries.size());
  Tell("placed " + (known ? Quoted(entries[static_cast<std::size_t>(entry)]) : "the record") +
       SnapText(snapKind));
}

}  // namespace velmgui
