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
#include "hostsim/desktop.h"
#include "resources/resource_table.h"

namespace hostsim {

class Dialog;

class Item;

// One entry of a list box, popup list or flyout menu.
struct Entry {
  Item* item = nullptr;
  std::string text;  // Shift-JIS bytes
  std::int32_t id = 0;
  bool selected = false;
  bool enabled = true;
  bool separator = false;
  host::EntryRef ref() { return reinterpret_cast<host::EntryRef>(this); }
  static Entry* From(host::EntryRef ref) { return reinterpret_cast<Entry*>(ref); }
};

class Item {
 public:
  Item(Dialog* dialog, const velm::res::DialogItem& tmpl);
  std::int32_t id() const { return id_; }
  velm::res::ItemKind kind() const { return kind_; }
  Dialog* dialog() const { return dialog_; }
  // Texts are the plug-in's Shift-JIS bytes.
  const std::string& text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }
  host::ItemNotifyProc notifyProc() const { return notify_; }
  void SetNotifyProc(host::ItemNotifyProc proc) { notify_ = proc; }
  std::int32_t pictureId() const { return pictureId_; }
  // Popup lists: one entry selected at a time, the selected entry's text is the item's
  // text. List boxes may select several.
  bool HasList() const;
  bool IsPopup() const;
  // Edit texts and editable popups; nothing else takes typing.
  bool TakesTyping() const;
  std::vector<std::unique_ptr<Entry>>& entries() { return entries_; }
  Entry* InsertEntry(std::int32_t index);
  void RemoveEntry(std::int32_t index);
  std::int32_t IndexOf(const Entry* entry) const;
  void Select(Entry* entry, bool select);
  Entry* SelectedEntry() const;
  host::ListRef listRef() { return reinterpret_cast<host::ListRef>(this); }
  static Item* FromList(host::ListRef ref) { return reinterpret_cast<Item*>(ref); }
  // The most bytes the user can type into the item (0: no limit).
  std::int32_t maxTextLength() const { return maxTextLength_; }
  void SetMaxTextLength(std::int32_t length) { maxTextLength_ = length; }
  void SetPictureId(std::int32_t id) { pictureId_ = id; }
  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  // Check boxes and radio buttons.
  bool on() const { return on_; }
  void SetOn(bool on) { on_ = on; }
  // Numeric items: the text read as a number in the item's units (AdmUnits), limits kept
  // in points. SetUnits converts the text so that the same length shows.
  std::int32_t units() const { return units_; }
  void SetUnits(std::int32_t units);
  void SetValue(double value);  // in the item's units
  // The text's number in the item's units, clamped to the limits; false when the text is
  // not a number.
  bool Value(double* value) const;
  void SetMinPoints(double points) { minPoints_ = points; }
  void SetMaxPoints(double points) { maxPoints_ = points; }
  static double PointsPerUnit(std::int32_t units);
  // Whether the item's text was last selected whole (SelectAll).
  bool textSelected() const { return textSelected_; }
  void SetTextSelected(bool selected) { textSelected_ = selected; }
  host::ItemTrackProc trackProc() const { return track_; }
  void SetTrackProc(host::ItemTrackProc proc) { track_ = proc; }
  host::ItemDrawProc drawProc() const { return draw_; }
  void SetDrawProc(host::ItemDrawProc proc) { draw_ = proc; }
  // The item's place in its dialog's local coordinates (from the template, then as set).
  const host::Rect& bounds() const { return bounds_; }
  void SetBounds(const host::Rect& bounds) { bounds_ = bounds; }

  host::ItemRef ref() { return reinterpret_cast<host::ItemRef>(this); }
  static Item* From(host::ItemRef ref) { return reinterpret_cast<Item*>(ref); }

 private:
  Dialog* dialog_;
  std::int32_t id_;
  velm::res::ItemKind kind_;
  std::string text_;
  std::int32_t pictureId_;
  host::Rect bounds_{};
  host::ItemNotifyProc notify_ = nullptr;
  host::ItemDrawProc draw_ = nullptr;
  host::ItemTrackProc track_ = nullptr;
  std::int32_t maxTextLength_ = 0;
  bool on_ = false;
  bool enabled_ = true;
  bool textSelected_ = false;
  std::int32_t units_ = host::kAdmPointUnits;
  double minPoints_ = -1e30;
  double maxPoints_ = 1e30;
  std::vector<std::unique_ptr<Entry>> entries_;
};

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

 private:
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
  void ClearScripts() { scripts_.clear(); }
  const std::vector<ModalRecord>& modalLog() const { return modalLog_; }
  void ClearLog() { modalLog_.clear(); }

  std::int32_t RunModal(const velm::res::ResourceTable* resources, const char* name,
                        std::int32_t dialogId, host::DialogInitProc init, void* userData);

 private:
  std::deque<ModalScript> scripts_;
  std::vector<ModalRecord> modalLog_;
};

// Fills the dialog-manager suites the host implements.
void InstallDialogSuites(host::AdmBasicSuite& basic, host::AdmDialogSuite& dialog,
                         host::AdmItemSuite& item, host::AdmListSuite& list,
                         host::AdmEntrySuite& entry, host::AdmTrackerSuite& tracker);

}  // namespace hostsim
