// The stand-in host's dialog manager: dialogs built from the plug-in's dialog
// templates, their items, and modal dialogs answered by a scripted user.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/adm.h"
#include "hostsim/desktop/desktop.h"
#include "hostsim/desktop/dialog_item.h"
#include "resources/resource_table.h"

namespace hostsim {

class Dialog {
 public:
  Dialog(std::string name, const velm::res::Dialog& tmpl, void* userData, bool modal);
  const std::string& name() const { return name_; }
  std::int32_t id() const { return id_; }
  const std::string& title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }
  void* userData() const { return userData_; }
  bool modal() const { return modal_; }

  Item* FindItem(std::int32_t id);
  const std::vector<std::unique_ptr<Item>>& items() const { return items_; }

  // The scripted user's actions.
  // Sets an item's text as if typed (Shift-JIS bytes); an item that takes no typing (a
  // popup that can only be chosen from, a button, ...) is a host failure.
  void Type(std::int32_t itemId, const std::string& text);
  // Presses a button: its notification procedure runs, or the default handling.
  void Press(std::int32_t itemId);
  // Return and Escape: press the default and the cancel item (items 1 and 2 unless the
  // plug-in names others); nothing happens without one, or when it is disabled.
  void PressReturn();
  void PressEscape();
  std::int32_t defaultItem() const { return defaultItem_; }
  std::int32_t cancelItem() const { return cancelItem_; }
  void SetDefaultItem(std::int32_t itemId) { defaultItem_ = itemId; }
  void SetCancelItem(std::int32_t itemId) { cancelItem_ = itemId; }
  // The text of an item (Shift-JIS bytes); empty when there is no such item.
  std::string TextOf(std::int32_t itemId);
  // Chooses entry `index` of a popup list; false when there is no such entry.
  bool Choose(std::int32_t itemId, std::int32_t index);
  // The texts of a list's entries, and the index of the (first) selected one or -1.
  std::vector<std::string> EntryTexts(std::int32_t itemId);
  std::int32_t SelectedIndex(std::int32_t itemId);
  // Clicks `point` (the item's local coordinates) as the user would: its tracking
  // procedure sees a button press, then a release; false without one.
  bool Click(std::int32_t itemId, host::Point point);
  // Draws an item through its drawing procedure into `target`, the dialog's local
  // coordinates being target pixels; false when the item has no drawing procedure.
  bool DrawItem(std::int32_t itemId, Bitmap* target);

  void End(std::int32_t itemId, bool cancelled);
  bool ended() const { return ended_; }
  std::int32_t result() const { return result_; }

  host::DialogRef ref() { return reinterpret_cast<host::DialogRef>(this); }
  static Dialog* From(host::DialogRef ref) { return reinterpret_cast<Dialog*>(ref); }

  // ---- Floating dialogs (palettes.cpp) ----
  // Adds an item made at run time; null when the id is in use.
  Item* AddItem(std::int32_t id, velm::res::ItemKind kind, const host::Rect& bounds);
  bool visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  // The content area on the screen (the title bar lies above it).
  const host::Rect& screenBounds() const { return screenBounds_; }
  // Moves and sizes the dialog within its limits, keeping its title bar on the screen.
  void SetScreenBounds(const host::Rect& bounds);
  std::int32_t minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;  // 0: no limit
  std::string dockGroup;
  std::int32_t dockCode = 0;
  std::int32_t style = 0;
  bool destroyed = false;
  // Set when something asked for a redraw since the dialog was last painted.
  bool dirty = true;

  // The scripted user on a floating dialog. Each returns false (and says why in
  // `lastError()`) when the step cannot be carried out.
  // Chooses entry `index` of the flyout menu.
  bool ChooseFlyout(std::int32_t index);
  // Sends entry `index` of list box `itemId` one tracker event at `point` (the entry's
  // local coordinates) with the tracker clock at `time`.
  bool TrackEntry(std::int32_t itemId, std::int32_t index, std::int32_t action, host::Point point,
                  std::uint32_t time);
  // The screen rectangle of entry `index` of list box `itemId` as laid out now (it may lie
  // outside the list when scrolled away); false without such an entry.
  bool EntryScreenRect(std::int32_t itemId, std::int32_t index, host::Rect* rect);
  // Scrolls list box `itemId` by `rows` (negative: up), as far as its entries go; false
  // without such a list.
  bool ScrollList(std::int32_t itemId, std::int32_t rows);
  // Scrolls list box `itemId` as little as shows all of entry `index`; false without such
  // an entry.
  bool ShowEntry(std::int32_t itemId, std::int32_t index);
  // An item's rectangle on the screen.
  host::Rect ItemScreenRect(const Item& item) const;
  const std::string& lastError() const { return lastError_; }
  // The template's rectangle (its size is the dialog's).
  const host::Rect& templateRect() const { return templateRect_; }
  void SetLastError(std::string e) { lastError_ = std::move(e); }

 private:
  host::Rect screenBounds_{0, 0, 0, 0};
  host::Rect templateRect_{0, 0, 0, 0};
  bool visible_ = false;
  std::string lastError_;
  std::string name_;
  std::int32_t id_;
  std::string title_;
  void* userData_;
  bool modal_;
  std::vector<std::unique_ptr<Item>> items_;
  bool ended_ = false;
  std::int32_t result_ = -1;
  std::int32_t defaultItem_ = 1;
  std::int32_t cancelItem_ = 2;
  void PressKeyItem(std::int32_t itemId);
};

// What a modal dialog looked like when it closed.
struct ModalRecord {
  std::string name;
  std::int32_t dialogId = 0;
  std::string title;                          // Shift-JIS
  std::map<std::int32_t, std::string> texts;  // item id -> text, Shift-JIS
  std::int32_t result = -1;
};

using ModalScript = std::function<void(Dialog&)>;

class DialogManager {
 public:
  // Answers the next modal dialog: the script runs after the dialog's initialisation
  // and must close it (press a button).
  void QueueModal(ModalScript script) { scripts_.push_back(std::move(script)); }
  std::size_t PendingScripts() const { return scripts_.size(); }
  // Answers modal dialogs for which no script is queued: a person at the screen (a nested
  // event loop of an interactive front end). It runs after the dialog's initialisation;
  // a dialog it leaves open is cancelled.
  void SetInteractiveRunner(ModalScript runner) { interactive_ = std::move(runner); }
  void ClearScripts() { scripts_.clear(); }
  const std::vector<ModalRecord>& modalLog() const { return modalLog_; }
  void ClearLog() { modalLog_.clear(); }

  std::int32_t RunModal(const velm::res::ResourceTable* resources, const char* name,
                        std::int32_t dialogId, host::DialogInitProc init, void* userData);

  // ---- Floating dialogs (palettes.cpp) ----
  // Creates floating dialog `name` from template `dialogId` with the flyout menu item,
  // runs `init` and shows it when the host's stored visibility says so; null when the
  // template is missing or `init` fails.
  Dialog* CreateFloating(const velm::res::ResourceTable* resources, const char* name,
                         std::int32_t dialogId, std::int32_t style, host::DialogInitProc init,
                         void* userData);
  void DestroyFloating(Dialog* dialog);
  // The live floating dialog named `name` that was made last, or null.
  Dialog* FindFloating(const std::string& name);
  bool IsFloating(const Dialog* dialog) const;
  const std::vector<std::unique_ptr<Dialog>>& floating() const { return floating_; }
  // Whether a newly made floating dialog shows; by default it does.
  void SetVisibilityRule(std::function<bool(const std::string& name)> rule) {
    visibleAtCreate_ = std::move(rule);
  }
  // Draws every visible floating dialog onto `screen`, entries through their plug-in
  // drawing procedures.
  void PaintFloating(Bitmap* screen);
  // Whether a visible floating dialog asked to be redrawn since it was last painted.
  bool AnyDirty() const;
  // Draws a modal dialog as it shows while it is open, in the middle of the screen.
  void PaintModal(Bitmap* screen, Dialog& dialog);
  // The topmost visible floating dialog whose frame (title bar included) holds `p`.
  Dialog* FloatingAt(host::Point p);

 private:
  std::vector<std::unique_ptr<Dialog>> floating_;
  std::function<bool(const std::string&)> visibleAtCreate_;
  std::deque<ModalScript> scripts_;
  ModalScript interactive_;
  std::vector<ModalRecord> modalLog_;
};

// Fills the dialog-manager suites the host implements.
void InstallDialogSuites(host::AdmBasicSuite& basic, host::AdmDialogSuite& dialog,
                         host::AdmItemSuite& item, host::AdmListSuite& list,
                         host::AdmEntrySuite& entry, host::AdmTrackerSuite& tracker);
// The operations of floating dialogs, their items, lists, entries, notifiers and dialog
// groups (palettes.cpp).
void InstallPaletteSuites(host::AdmDialogSuite& dialog, host::AdmItemSuite& item,
                          host::AdmListSuite& list, host::AdmEntrySuite& entry,
                          host::AdmNotifierSuite& notifier, host::AdmDialogGroupSuite& group);

// Where a click at screen point `p` puts the caret in edit text `item` of `dialog` as it
// was last drawn: the byte offset of the nearest character boundary.
std::size_t EditOffsetAt(Dialog& dialog, const Item& item, host::Point p);

// A notification the dialog manager sends to an item's notification procedure.
struct AdmNotifier {
  const char* type;
  host::NotifierRef ref() { return reinterpret_cast<host::NotifierRef>(this); }
};
struct Drawer;
// Draws an entry as the dialog manager does: its background, or the selection highlight.
void DefaultDrawEntry(Entry* entry, Drawer* drawer);
// Calls the item's notification procedure with a user-changed notification, or the
// default handling when it has none.
void NotifyUserChanged(Item* item);

}  // namespace hostsim
