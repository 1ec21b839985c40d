// The items of the dialog manager's dialogs (controls built from dialog templates or at
// run time) and the entries of their lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/adm.h"
#include "hostsim/desktop/desktop.h"
#include "resources/resource_table.h"

namespace hostsim {

// The width of a list box's scroll bar, at its right edge.
inline constexpr int kListScrollBarWidth = 16;

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
  bool checked = false;
  host::EntryRef ref() { return reinterpret_cast<host::EntryRef>(this); }
  static Entry* From(host::EntryRef ref) { return reinterpret_cast<Entry*>(ref); }
};

class Item {
 public:
  Item(Dialog* dialog, const velm::res::DialogItem& tmpl);
  // An item made at run time (CreateItem) of `kind`, at `bounds`.
  Item(Dialog* dialog, std::int32_t id, velm::res::ItemKind kind, const host::Rect& bounds);
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
  const std::vector<std::unique_ptr<Entry>>& entries() const { return entries_; }
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
  // Whether units were given to the item (SetUnits): its number is shown with its unit.
  bool showsUnits() const { return unitsGiven_; }
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
  void SetBounds(const host::Rect& bounds) {
    if (bounds.left != bounds_.left || bounds.top != bounds_.top || bounds.right != bounds_.right ||
        bounds.bottom != bounds_.bottom)
      ++boundsChanges_;
    bounds_ = bounds;
  }

  host::ItemRef ref() { return reinterpret_cast<host::ItemRef>(this); }
  static Item* From(host::ItemRef ref) { return reinterpret_cast<Item*>(ref); }

  // Floating dialogs' items (palettes.cpp).
  // Picture push buttons are buttons that show a picture; the flyout menu is a list.
  bool pictureButton() const { return pictureButton_; }
  // Static texts of the template may be right-aligned.
  bool rightAligned() const { return rightAligned_; }
  void SetPictureButton(bool on) { pictureButton_ = on; }
  bool flyout() const { return id_ == host::kAdmFlyoutMenuItemId; }
  std::int32_t style() const { return style_; }
  void SetStyle(std::int32_t style) { style_ = style; }
  const std::string& tip() const { return tip_; }
  void SetTip(std::string tip) { tip_ = std::move(tip); }
  std::int32_t cursorId() const { return cursorId_; }
  void SetCursorId(std::int32_t id) { cursorId_ = id; }
  std::int32_t selectedPictureId() const { return selectedPictureId_; }
  void SetSelectedPictureId(std::int32_t id) { selectedPictureId_ = id; }
  std::int32_t disabledPictureId() const { return disabledPictureId_; }
  void SetDisabledPictureId(std::int32_t id) { disabledPictureId_ = id; }
  bool visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  // List boxes: the size of every entry, the procedures that draw and track entries, and
  // the first row shown.
  std::int32_t entryWidth() const { return entryWidth_; }
  std::int32_t entryHeight() const { return entryHeight_; }
  void SetEntryWidth(std::int32_t w) { entryWidth_ = w; }
  void SetEntryHeight(std::int32_t h) { entryHeight_ = h; }
  host::EntryDrawProc entryDrawProc() const { return entryDraw_; }
  void SetEntryDrawProc(host::EntryDrawProc proc) { entryDraw_ = proc; }
  host::EntryTrackProc entryTrackProc() const { return entryTrack_; }
  void SetEntryTrackProc(host::EntryTrackProc proc) { entryTrack_ = proc; }
  std::int32_t scrollRow() const { return scrollRow_; }
  void SetScrollRow(std::int32_t row) { scrollRow_ = row; }
  // Times the item was moved or sized since it was made.
  int boundsChanges() const { return boundsChanges_; }

  // Texts typed on the screen: the caret and the other end of the selection (byte offsets
  // into the text, at character starts), whether the item has the keyboard focus, and how
  // far its text is scrolled (pixels across a line; lines down a box of several lines).
  struct EditState {
    std::size_t caret = 0, anchor = 0;
    bool focused = false;
    std::int32_t scroll = 0;
  };
  EditState& edit() { return edit_; }
  const EditState& edit() const { return edit_; }
  // An edit text tall enough for several lines (a comment box): Return breaks its line.
  bool multiLine() const;

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
  bool unitsGiven_ = false;
  double minPoints_ = -1e30;
  double maxPoints_ = 1e30;
  std::vector<std::unique_ptr<Entry>> entries_;
  bool pictureButton_ = false;
  bool rightAligned_ = false;
  std::int32_t style_ = 0;
  std::string tip_;
  std::int32_t cursorId_ = 0;
  std::int32_t selectedPictureId_ = 0;
  std::int32_t disabledPictureId_ = 0;
  bool visible_ = true;
  std::int32_t entryWidth_ = 16;
  std::int32_t entryHeight_ = 16;
  host::EntryDrawProc entryDraw_ = nullptr;
  host::EntryTrackProc entryTrack_ = nullptr;
  std::int32_t scrollRow_ = 0;
  int boundsChanges_ = 0;
  EditState edit_;
};

}  // namespace hostsim
