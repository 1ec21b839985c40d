#include "hostsim/dialog_manager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostsim/adm_drawing.h"
#include "hostsim/host.h"

namespace hostsim {

Item::Item(Dialog* dialog, const velm::res::DialogItem& tmpl)
    : dialog_(dialog),
      id_(tmpl.id),
      kind_(tmpl.kind),
      text_(tmpl.text ? tmpl.text : ""),
      pictureId_(tmpl.pictureId),
      bounds_{tmpl.rect.left, tmpl.rect.top, tmpl.rect.right, tmpl.rect.bottom},
      rightAligned_(tmpl.align == velm::res::TextAlign::kRight) {}

bool Item::HasList() const {
  return IsPopup() || kind_ == velm::res::ItemKind::kList;
}

bool Item::IsPopup() const {
  return kind_ == velm::res::ItemKind::kPopup || kind_ == velm::res::ItemKind::kEditablePopup;
}

bool Item::TakesTyping() const {
  return kind_ == velm::res::ItemKind::kEdit || kind_ == velm::res::ItemKind::kSpinEdit ||
         kind_ == velm::res::ItemKind::kEditablePopup;
}

bool Item::multiLine() const {
  return kind_ == velm::res::ItemKind::kEdit && bounds_.bottom - bounds_.top >= 34;
}

Entry* Item::InsertEntry(std::int32_t index) {
  if (index < 0 || index > static_cast<std::int32_t>(entries_.size()))
    index = static_cast<std::int32_t>(entries_.size());
  auto entry = std::make_unique<Entry>();
  entry->item = this;
  Entry* made = entry.get();
  entries_.insert(entries_.begin() + index, std::move(entry));
  return made;
}

void Item::RemoveEntry(std::int32_t index) {
  if (index >= 0 && index < static_cast<std::int32_t>(entries_.size()))
    entries_.erase(entries_.begin() + index);
}

std::int32_t Item::IndexOf(const Entry* entry) const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].get() == entry) return static_cast<std::int32_t>(i);
  return -1;
}

void Item::Select(Entry* entry, bool select) {
  if (select && IsPopup())
    for (auto& e : entries_)
      e->selected = false;
  entry->selected = select;
  if (select && IsPopup()) text_ = entry->text;
}

Entry* Item::SelectedEntry() const {
  for (const auto& e : entries_)
    if (e->selected) return e.get();
  return nullptr;
}

double Item::PointsPerUnit(std::int32_t units) {
  switch (units) {
    case host::kAdmInchUnits:
      return 72.0;
    case host::kAdmMillimeterUnits:
      return 72.0 / 25.4;
    case host::kAdmCentimeterUnits:
      return 720.0 / 25.4;
    case host::kAdmPicaUnits:
      return 12.0;
    default:  // points, pixels (at 72 a inch) and no units
      return 1.0;
  }
}

namespace {

// A number as the dialog manager shows it: at most three decimals, no trailing zeros.
std::string FormatNumber(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string s = text;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0')
      s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

// The whole text as a number (blanks around it allowed); false otherwise.
bool ParseNumber(const std::string& text, double* value) {
  const char* start = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(start, &end);
  if (end == start || !std::isfinite(v)) return false;
  while (*end == ' ')
    ++end;
  if (*end != '\0') return false;
  *value = v;
  return true;
}

}  // namespace

void Item::SetUnits(std::int32_t units) {
  if (units == units_) return;  // the text stays as typed
  double value = 0;
  if (ParseNumber(text_, &value))
    text_ = FormatNumber(value * PointsPerUnit(units_) / PointsPerUnit(units));
  units_ = units;
}

void Item::SetValue(double value) {
  text_ = FormatNumber(value);
}

bool Item::Value(double* value) const {
  double v = 0;
  if (!ParseNumber(text_, &v)) return false;
  const double perUnit = PointsPerUnit(units_);
  v = std::max(v, minPoints_ / perUnit);
  v = std::min(v, maxPoints_ / perUnit);
  *value = v;
  return true;
}

Dialog::Dialog(std::string name, const velm::res::Dialog& tmpl, void* userData, bool modal)
    : name_(std::move(name)),
      id_(tmpl.id),
      title_(tmpl.title ? tmpl.title : ""),
      userData_(userData),
      modal_(modal) {
  templateRect_ = {tmpl.rect.left, tmpl.rect.top, tmpl.rect.right, tmpl.rect.bottom};
  for (std::int32_t i = 0; i < tmpl.itemCount; ++i)
    items_.push_back(std::make_unique<Item>(this, tmpl.items[i]));
}

Item* Dialog::FindItem(std::int32_t id) {
  for (auto& item : items_)
    if (item->id() == id) return item.get();
  return nullptr;
}

void Dialog::Type(std::int32_t itemId, const std::string& text) {
  Item* item = FindItem(itemId);
  if (!item) {
    Host::Current()->Fail("typing into item " + std::to_string(itemId) + " that dialog " + name_ +
                          " does not have");
    return;
  }
  if (!item->TakesTyping()) {
    Host::Current()->Fail(
        "typing into item " + std::to_string(itemId) + " of dialog " + name_ +
        (item->IsPopup() ? ", a popup that can only be chosen from" : ", which takes no typing"));
    return;
  }
  // What does not fit the item's limit cannot be typed.
  const std::size_t limit =
      item->maxTextLength() > 0 ? static_cast<std::size_t>(item->maxTextLength()) : text.size();
  item->SetText(text.substr(0, limit));
}

void Dialog::Press(std::int32_t itemId) {
  Item* item = FindItem(itemId);
  if (!item) {
    Host::Current()->Fail("pressing item " + std::to_string(itemId) + " that dialog " + name_ +
                          " does not have");
    return;
  }
  if (!item->enabled()) {
    Host::Current()->Fail("pressing item " + std::to_string(itemId) + " of dialog " + name_ +
                          ", which is disabled");
    return;
  }

  NotifyUserChanged(item);
}

void Dialog::PressKeyItem(std::int32_t itemId) {
  Item* item = FindItem(itemId);
  if (item && item->enabled()) Press(itemId);
}

void Dialog::PressReturn() {
  PressKeyItem(defaultItem_);
}

void Dialog::PressEscape() {
  PressKeyItem(cancelItem_);
}

std::string Dialog::TextOf(std::int32_t itemId) {
  Item* item = FindItem(itemId);
  return item ? item->text() : std::string();
}

bool Dialog::Choose(std::int32_t itemId, std::int32_t index) {
  Item* item = FindItem(itemId);
  if (!item || !item->HasList() || index < 0 ||
      index >= static_cast<std::int32_t>(item->entries().size()))
    return false;
  item->Select(item->entries()[static_cast<std::size_t>(index)].get(), true);
  // A user's choice is a change the item's notification procedure hears of.
  if (item->notifyProc()) NotifyUserChanged(item);
  return true;
}

std::vector<std::string> Dialog::EntryTexts(std::int32_t itemId) {
  std::vector<std::string> texts;
  if (Item* item = FindItem(itemId))
    for (const auto& e : item->entries())
      texts.push_back(e->text);
  return texts;
}

std::int32_t Dialog::SelectedIndex(std::int32_t itemId) {
  Item* item = FindItem(itemId);
  return item ? item->IndexOf(item->SelectedEntry()) : -1;
}

bool Dialog::Click(std::int32_t itemId, host::Point point) {
  Item* item = FindItem(itemId);
  if (!item || !item->trackProc()) return false;
  for (std::int32_t action : {host::kTrackMouseDown, host::kTrackMouseUp}) {
    host::TrackerEvent event{};
    event.point = point;
    event.action = action;
    item->trackProc()(item->ref(), reinterpret_cast<host::TrackerRef>(&event));
  }
  return true;
}

bool Dialog::DrawItem(std::int32_t itemId, Bitmap* target) {
  Item* item = FindItem(itemId);
  if (!item || !item->drawProc() || !target) return false;
  const host::Rect& b = item->bounds();
  Drawer* drawer = NewDrawer(target, {b.left, b.top}, b);
  item->drawProc()(item->ref(), drawer->ref());
  DeleteDrawer(drawer);
  return true;
}

void Dialog::End(std::int32_t itemId, bool cancelled) {
  ended_ = true;
  result_ = cancelled ? -1 : itemId;
}

std::int32_t DialogManager::RunModal(const velm::res::ResourceTable* resources, const char* name,
                                     std::int32_t dialogId, host::DialogInitProc init,
                                     void* userData) {
  const velm::res::Dialog* tmpl = resources ? velm::res::FindDialog(*resources, dialogId) : nullptr;
  if (!tmpl) return -1;
  Dialog dialog(name ? name : "", *tmpl, userData, true);
  if (init && init(dialog.ref()) != host::kNoErr) return -1;

  if (scripts_.empty() && interactive_) {
    interactive_(dialog);
    if (!dialog.ended()) dialog.End(-1, true);
  } else if (scripts_.empty()) {
    Host::Current()->Fail("modal dialog \"" + dialog.name() + "\" (" + std::to_string(dialogId) +
                          ") opened with no scripted answer");
    dialog.End(-1, true);
  } else {
    ModalScript script = std::move(scripts_.front());
    scripts_.pop_front();
    script(dialog);
    if (!dialog.ended()) {
      Host::Current()->Fail("the script left modal dialog \"" + dialog.name() + "\" open");
      dialog.End(-1, true);
    }
  }

  ModalRecord record;
  record.name = dialog.name();
  record.dialogId = dialogId;
  record.title = dialog.title();
  for (const auto& item : dialog.items())
    record.texts[item->id()] = item->text();
  record.result = dialog.result();
  modalLog_.push_back(record);
  return dialog.result();
}

namespace {

SuiteRegistry& Reg() {
  return Host::Current()->suites();
}

// ---- ADM Basic Suite ----

host::Err GetIndexString(host::PluginRef, std::int32_t listId, std::int32_t index, char* buffer,
                         std::int32_t maxLength) {
  if (host::Err e = Reg().Check(host::AdmBasicSuite::kName, "GetIndexString")) return e;
  if (!buffer || maxLength <= 0) return host::kBadParameterErr;
  buffer[0] = '\0';
  const velm::res::ResourceTable* table = Host::Current()->resources();
  const velm::res::StringList* list = table ? velm::res::FindStringList(*table, listId) : nullptr;
  if (!list || index < 1) return host::kNotFoundErr;
  if (index > list->count) return host::kNoErr;
  const char* text = list->strings[index - 1];
  const std::size_t n = std::min(std::strlen(text), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
  return host::kNoErr;
}

void AdmBeep() {
  Host::Current()->Beep();
}

// ---- ADM Dialog Suite ----

std::int32_t Modal(host::PluginRef, const char* name, std::int32_t dialogId, std::int32_t,
                   host::DialogInitProc init, void* userData) {
  if (Reg().Check(host::AdmDialogSuite::kName, "Modal")) return -1;
  Host* h = Host::Current();
  return h->dialogs().RunModal(h->resources(), name, dialogId, init, userData);
}

void EndModal(host::DialogRef dialog, std::int32_t itemId, host::Boolean cancelled) {
  if (dialog) Dialog::From(dialog)->End(itemId, cancelled != 0);
}

host::ItemRef GetItem(host::DialogRef dialog, std::int32_t itemId) {
  if (!dialog) return nullptr;
  Item* item = Dialog::From(dialog)->FindItem(itemId);
  return item ? item->ref() : nullptr;
}

void* GetUserData(host::DialogRef dialog) {
  return dialog ? Dialog::From(dialog)->userData() : nullptr;
}

void SetDialogText(host::DialogRef dialog, const char* text) {
  if (dialog) Dialog::From(dialog)->SetTitle(text ? text : "");
}

void SetDefaultItemId(host::DialogRef dialog, std::int32_t itemId) {
  if (dialog) Dialog::From(dialog)->SetDefaultItem(itemId);
}

void SetCancelItemId(host::DialogRef dialog, std::int32_t itemId) {
  if (dialog) Dialog::From(dialog)->SetCancelItem(itemId);
}

// ---- ADM Item Suite ----

void SetItemText(host::ItemRef item, const char* text) {
  if (item) Item::From(item)->SetText(text ? text : "");
}

void GetItemText(host::ItemRef item, char* text, std::int32_t maxLength) {
  if (!text || maxLength <= 0) return;
  text[0] = '\0';
  if (!item) return;
  const std::string& s = Item::From(item)->text();
  const std::size_t n = std::min(s.size(), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(text, s.data(), n);
  text[n] = '\0';
}

void GetItemBounds(host::ItemRef item, host::Rect* rect) {
  if (!rect) return;
  *rect = item ? Item::From(item)->bounds() : host::Rect{};
}

void GetItemLocalRect(host::ItemRef item, host::Rect* rect) {
  if (!rect) return;
  const host::Rect b = item ? Item::From(item)->bounds() : host::Rect{};
  *rect = {0, 0, b.right - b.left, b.bottom - b.top};
}

void SetItemBounds(host::ItemRef item, const host::Rect* rect) {
  if (item && rect) Item::From(item)->SetBounds(*rect);
}

void SetItemSize(host::ItemRef item, std::int32_t width, std::int32_t height) {
  if (!item || width < 0 || height < 0) return;
  host::Rect b = Item::From(item)->bounds();
  b.right = b.left + width;
  b.bottom = b.top + height;
  Item::From(item)->SetBounds(b);
}

void SetItemMaxTextLength(host::ItemRef item, std::int32_t length) {
  if (item) Item::From(item)->SetMaxTextLength(length > 0 ? length : 0);
}

void SetItemDrawProc(host::ItemRef item, host::ItemDrawProc proc) {
  if (item) Item::From(item)->SetDrawProc(proc);
}

host::ListRef GetItemList(host::ItemRef item) {
  return item && Item::From(item)->HasList() ? Item::From(item)->listRef() : nullptr;
}

void SetItemTrackProc(host::ItemRef item, host::ItemTrackProc proc) {
  if (item) Item::From(item)->SetTrackProc(proc);
}

void SetItemPictureId(host::ItemRef item, std::int32_t id) {
  if (item) Item::From(item)->SetPictureId(id);
}

// Items are not drawn on the screen; there is nothing to redraw.
void InvalidateItem(host::ItemRef) {}

void EnableItem(host::ItemRef item, host::Boolean enable) {
  if (!item) return;
  Item::From(item)->SetEnabled(enable != 0);
  Item::From(item)->dialog()->dirty = true;
}

host::Boolean ItemIsEnabled(host::ItemRef item) {
  return item && Item::From(item)->enabled() ? 1 : 0;
}

void SelectAllText(host::ItemRef item) {
  if (!item) return;
  // The whole text selected, the caret at its end.
  Item* it = Item::From(item);
  it->SetTextSelected(true);
  it->edit().anchor = 0;
  it->edit().caret = it->text().size();
}

void SetBooleanValue(host::ItemRef item, host::Boolean value) {
  if (item) Item::From(item)->SetOn(value != 0);
}

host::Boolean GetBooleanValue(host::ItemRef item) {
  return item && Item::From(item)->on() ? 1 : 0;
}

void SetFloatValue(host::ItemRef item, host::Real value) {
  if (item) Item::From(item)->SetValue(value);
}

host::Real GetFloatValue(host::ItemRef item) {
  double value = 0;
  if (!item || !Item::From(item)->Value(&value)) return host::kAdmNotANumber;
  return static_cast<host::Real>(value);
}

void SetMinFloatValue(host::ItemRef item, host::Real value) {
  if (item) Item::From(item)->SetMinPoints(value * Item::PointsPerUnit(Item::From(item)->units()));
}

void SetMaxFloatValue(host::ItemRef item, host::Real value) {
  if (item) Item::From(item)->SetMaxPoints(value * Item::PointsPerUnit(Item::From(item)->units()));
}

void SetItemUnits(host::ItemRef item, std::int32_t units) {
  if (item) Item::From(item)->SetUnits(units);
}

std::int32_t GetItemUnits(host::ItemRef item) {
  return item ? Item::From(item)->units() : host::kAdmNoUnits;
}

host::Err GetTrackerEvent(host::TrackerRef tracker, host::TrackerEvent* event) {
  if (!tracker || !event) return host::kBadParameterErr;
  *event = *reinterpret_cast<const host::TrackerEvent*>(tracker);
  return host::kNoErr;
}

// ---- ADM List Suite and ADM Entry Suite ----

void EntryEnable(host::EntryRef entry, host::Boolean enable) {
  if (entry) Entry::From(entry)->enabled = enable != 0;
}

void EntryMakeSeparator(host::EntryRef entry, host::Boolean separator) {
  if (entry) Entry::From(entry)->separator = separator != 0;
}

host::EntryRef ListInsertEntry(host::ListRef list, std::int32_t index) {
  if (!list || Reg().Check(host::AdmListSuite::kName, "InsertEntry")) return nullptr;
  return Item::FromList(list)->InsertEntry(index)->ref();
}

void ListRemoveEntry(host::ListRef list, std::int32_t index) {
  if (list) Item::FromList(list)->RemoveEntry(index);
}

host::EntryRef ListIndexEntry(host::ListRef list, std::int32_t index) {
  if (!list) return nullptr;
  auto& entries = Item::FromList(list)->entries();
  if (index < 0 || index >= static_cast<std::int32_t>(entries.size())) return nullptr;
  return entries[static_cast<std::size_t>(index)]->ref();
}

std::int32_t ListNumberOfEntries(host::ListRef list) {
  return list ? static_cast<std::int32_t>(Item::FromList(list)->entries().size()) : 0;
}

host::EntryRef ListIndexSelectedEntry(host::ListRef list, std::int32_t selectionIndex) {
  if (!list) return nullptr;
  for (const auto& e : Item::FromList(list)->entries())
    if (e->selected && selectionIndex-- == 0) return e->ref();
  return nullptr;
}

std::int32_t ListNumberOfSelectedEntries(host::ListRef list) {
  std::int32_t n = 0;
  if (list)
    for (const auto& e : Item::FromList(list)->entries())
      n += e->selected ? 1 : 0;
  return n;
}

void EntrySetText(host::EntryRef entry, const char* text) {
  if (!entry) return;
  Entry* e = Entry::From(entry);
  e->text = text ? text : "";
  if (e->selected && e->item->IsPopup()) e->item->SetText(e->text);
}

void EntryGetText(host::EntryRef entry, char* text, std::int32_t maxLength) {
  if (!text || maxLength <= 0) return;
  const std::string s = entry ? Entry::From(entry)->text : std::string();
  const std::size_t n = std::min(s.size(), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(text, s.data(), n);
  text[n] = '\0';
}

void EntrySetID(host::EntryRef entry, std::int32_t id) {
  if (entry) Entry::From(entry)->id = id;
}

std::int32_t EntryGetID(host::EntryRef entry) {
  return entry ? Entry::From(entry)->id : 0;
}

std::int32_t EntryGetIndex(host::EntryRef entry) {
  return entry ? Entry::From(entry)->item->IndexOf(Entry::From(entry)) : -1;
}

host::ListRef EntryGetList(host::EntryRef entry) {
  return entry ? Entry::From(entry)->item->listRef() : nullptr;
}

void EntrySelect(host::EntryRef entry, host::Boolean select) {
  if (entry) Entry::From(entry)->item->Select(Entry::From(entry), select != 0);
}

host::Boolean EntryIsSelected(host::EntryRef entry) {
  return entry && Entry::From(entry)->selected ? 1 : 0;
}

void SetNotifyProc(host::ItemRef item, host::ItemNotifyProc proc) {
  if (item) Item::From(item)->SetNotifyProc(proc);
}

void DefaultNotify(host::ItemRef item, host::NotifierRef) {
  if (!item) return;
  Item* it = Item::From(item);
  if (it->kind() == velm::res::ItemKind::kButton && it->dialog()->modal())
    it->dialog()->End(it->id(), false);
}

host::DialogRef GetDialog(host::ItemRef item) {
  return item ? Item::From(item)->dialog()->ref() : nullptr;
}

std::int32_t GetID(host::ItemRef item) {
  return item ? Item::From(item)->id() : 0;
}

}  // namespace

void InstallDialogSuites(host::AdmBasicSuite& basic, host::AdmDialogSuite& dialog,
                         host::AdmItemSuite& item, host::AdmListSuite& list,
                         host::AdmEntrySuite& entry, host::AdmTrackerSuite& tracker) {
  basic.GetIndexString = GetIndexString;
  basic.Beep = AdmBeep;
  dialog.Modal = Modal;
  dialog.EndModal = EndModal;
  dialog.GetItem = GetItem;
  dialog.GetUserData = GetUserData;
  dialog.SetText = SetDialogText;
  dialog.SetDefaultItemID = SetDefaultItemId;
  dialog.SetCancelItemID = SetCancelItemId;
  item.SetText = SetItemText;
  item.GetText = GetItemText;
  item.SetNotifyProc = SetNotifyProc;
  item.DefaultNotify = DefaultNotify;
  item.GetDialog = GetDialog;
  item.GetID = GetID;
  item.GetBoundsRect = GetItemBounds;
  item.GetLocalRect = GetItemLocalRect;
  item.SetBoundsRect = SetItemBounds;
  item.SetSize = SetItemSize;
  item.SetMaxTextLength = SetItemMaxTextLength;
  item.SetDrawProc = SetItemDrawProc;
  item.GetList = GetItemList;
  list.InsertEntry = ListInsertEntry;
  list.RemoveEntry = ListRemoveEntry;
  list.IndexEntry = ListIndexEntry;
  list.NumberOfEntries = ListNumberOfEntries;
  list.IndexSelectedEntry = ListIndexSelectedEntry;
  list.NumberOfSelectedEntries = ListNumberOfSelectedEntries;
  entry.SetText = EntrySetText;
  entry.GetText = EntryGetText;
  entry.SetID = EntrySetID;
  entry.GetID = EntryGetID;
  entry.GetIndex = EntryGetIndex;
  entry.GetList = EntryGetList;
  entry.Select = EntrySelect;
  entry.IsSelected = EntryIsSelected;
  entry.Enable = EntryEnable;
  entry.MakeSeparator = EntryMakeSeparator;
  item.SetTrackProc = SetItemTrackProc;
  item.SetPictureID = SetItemPictureId;
  item.SelectAll = SelectAllText;
  item.Enable = EnableItem;
  item.IsEnabled = ItemIsEnabled;
  item.Invalidate = InvalidateItem;
  item.SetBooleanValue = SetBooleanValue;
  item.GetBooleanValue = GetBooleanValue;
  item.SetFloatValue = SetFloatValue;
  item.GetFloatValue = GetFloatValue;
  item.SetMinFloatValue = SetMinFloatValue;
  item.SetMaxFloatValue = SetMaxFloatValue;
  item.SetUnits = SetItemUnits;
  item.GetUnits = GetItemUnits;
  tracker.GetTrackerEvent = GetTrackerEvent;
}

}  // namespace hostsim
