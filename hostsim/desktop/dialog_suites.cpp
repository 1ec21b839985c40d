// The dialog-manager suites the host implements over its dialogs, items, lists and
// entries ("ADM Basic Suite" … "ADM Tracker Suite").
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostsim/core/host.h"
#include "hostsim/desktop/adm_drawing.h"
#include "hostsim/desktop/dialog_manager.h"

namespace hostsim {

namespace {

SuiteRegistry& Reg() {
  return Host::Current()->suites();
}

// ---- ADM Basic Suite ----

host::Err VELM_HOSTCALL GetIndexString(host::PluginRef, std::int32_t listId, std::int32_t index,
                                       char* buffer, std::int32_t maxLength) {
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

void VELM_HOSTCALL AdmBeep() {
  Host::Current()->Beep();
}

// ---- ADM Dialog Suite ----

std::int32_t VELM_HOSTCALL Modal(host::PluginRef, const char* name, std::int32_t dialogId,
                                 std::int32_t, host::DialogInitProc init, void* userData) {
  if (Reg().Check(host::AdmDialogSuite::kName, "Modal")) return -1;
  Host* h = Host::Current();
  return h->dialogs().RunModal(h->resources(), name, dialogId, init, userData);
}

void VELM_HOSTCALL EndModal(host::DialogRef dialog, std::int32_t itemId, host::Boolean cancelled) {
  if (dialog) Dialog::From(dialog)->End(itemId, cancelled != 0);
}

host::ItemRef VELM_HOSTCALL GetItem(host::DialogRef dialog, std::int32_t itemId) {
  if (!dialog) return nullptr;
  Item* item = Dialog::From(dialog)->FindItem(itemId);
  return item ? item->ref() : nullptr;
}

void* VELM_HOSTCALL GetUserData(host::DialogRef dialog) {
  return dialog ? Dialog::From(dialog)->userData() : nullptr;
}

void VELM_HOSTCALL SetDialogText(host::DialogRef dialog, const char* text) {
  if (dialog) Dialog::From(dialog)->SetTitle(text ? text : "");
}

void VELM_HOSTCALL SetDefaultItemId(host::DialogRef dialog, std::int32_t itemId) {
  if (dialog) Dialog::From(dialog)->SetDefaultItem(itemId);
}

void VELM_HOSTCALL SetCancelItemId(host::DialogRef dialog, std::int32_t itemId) {
  if (dialog) Dialog::From(dialog)->SetCancelItem(itemId);
}

// ---- ADM Item Suite ----

void VELM_HOSTCALL SetItemText(host::ItemRef item, const char* text) {
  if (item) Item::From(item)->SetText(text ? text : "");
}

void VELM_HOSTCALL GetItemText(host::ItemRef item, char* text, std::int32_t maxLength) {
  if (!text || maxLength <= 0) return;
  text[0] = '\0';
  if (!item) return;
  const std::string& s = Item::From(item)->text();
  const std::size_t n = std::min(s.size(), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(text, s.data(), n);
  text[n] = '\0';
}

void VELM_HOSTCALL GetItemBounds(host::ItemRef item, host::Rect* rect) {
  if (!rect) return;
  *rect = item ? Item::From(item)->bounds() : host::Rect{};
}

void VELM_HOSTCALL GetItemLocalRect(host::ItemRef item, host::Rect* rect) {
  if (!rect) return;
  const host::Rect b = item ? Item::From(item)->bounds() : host::Rect{};
  *rect = {0, 0, b.right - b.left, b.bottom - b.top};
}

void VELM_HOSTCALL SetItemBounds(host::ItemRef item, const host::Rect* rect) {
  if (item && rect) Item::From(item)->SetBounds(*rect);
}

void VELM_HOSTCALL SetItemSize(host::ItemRef item, std::int32_t width, std::int32_t height) {
  if (!item || width < 0 || height < 0) return;
  host::Rect b = Item::From(item)->bounds();
  b.right = b.left + width;
  b.bottom = b.top + height;
  Item::From(item)->SetBounds(b);
}

void VELM_HOSTCALL SetItemMaxTextLength(host::ItemRef item, std::int32_t length) {
  if (item) Item::From(item)->SetMaxTextLength(length > 0 ? length : 0);
}

void VELM_HOSTCALL SetItemDrawProc(host::ItemRef item, host::ItemDrawProc proc) {
  if (item) Item::From(item)->SetDrawProc(proc);
}

host::ListRef VELM_HOSTCALL GetItemList(host::ItemRef item) {
  return item && Item::From(item)->HasList() ? Item::From(item)->listRef() : nullptr;
}

void VELM_HOSTCALL SetItemTrackProc(host::ItemRef item, host::ItemTrackProc proc) {
  if (item) Item::From(item)->SetTrackProc(proc);
}

void VELM_HOSTCALL SetItemPictureId(host::ItemRef item, std::int32_t id) {
  if (item) Item::From(item)->SetPictureId(id);
}

// Items are not drawn on the screen; there is nothing to redraw.
void VELM_HOSTCALL InvalidateItem(host::ItemRef) {}

void VELM_HOSTCALL EnableItem(host::ItemRef item, host::Boolean enable) {
  if (!item) return;
  Item::From(item)->SetEnabled(enable != 0);
  Item::From(item)->dialog()->dirty = true;
}

host::Boolean VELM_HOSTCALL ItemIsEnabled(host::ItemRef item) {
  return item && Item::From(item)->enabled() ? 1 : 0;
}

void VELM_HOSTCALL SelectAllText(host::ItemRef item) {
  if (!item) return;
  // The whole text selected, the caret at its end.
  Item* it = Item::From(item);
  it->SetTextSelected(true);
  it->edit().anchor = 0;
  it->edit().caret = it->text().size();
}

void VELM_HOSTCALL SetBooleanValue(host::ItemRef item, host::Boolean value) {
  if (item) Item::From(item)->SetOn(value != 0);
}

host::Boolean VELM_HOSTCALL GetBooleanValue(host::ItemRef item) {
  return item && Item::From(item)->on() ? 1 : 0;
}

void VELM_HOSTCALL SetFloatValue(host::ItemRef item, host::Real value) {
  if (item) Item::From(item)->SetValue(value);
}

host::Real VELM_HOSTCALL GetFloatValue(host::ItemRef item) {
  double value = 0;
  if (!item || !Item::From(item)->Value(&value)) return host::kAdmNotANumber;
  return static_cast<host::Real>(value);
}

void VELM_HOSTCALL SetMinFloatValue(host::ItemRef item, host::Real value) {
  if (item) Item::From(item)->SetMinPoints(value * Item::PointsPerUnit(Item::From(item)->units()));
}

void VELM_HOSTCALL SetMaxFloatValue(host::ItemRef item, host::Real value) {
  if (item) Item::From(item)->SetMaxPoints(value * Item::PointsPerUnit(Item::From(item)->units()));
}

void VELM_HOSTCALL SetItemUnits(host::ItemRef item, std::int32_t units) {
  if (item) Item::From(item)->SetUnits(units);
}

std::int32_t VELM_HOSTCALL GetItemUnits(host::ItemRef item) {
  return item ? Item::From(item)->units() : host::kAdmNoUnits;
}

host::Err VELM_HOSTCALL GetTrackerEvent(host::TrackerRef tracker, host::TrackerEvent* event) {
  if (!tracker || !event) return host::kBadParameterErr;
  *event = *reinterpret_cast<const host::TrackerEvent*>(tracker);
  return host::kNoErr;
}

// ---- ADM List Suite and ADM Entry Suite ----

void VELM_HOSTCALL EntryEnable(host::EntryRef entry, host::Boolean enable) {
  if (entry) Entry::From(entry)->enabled = enable != 0;
}

void VELM_HOSTCALL EntryMakeSeparator(host::EntryRef entry, host::Boolean separator) {
  if (entry) Entry::From(entry)->separator = separator != 0;
}

host::EntryRef VELM_HOSTCALL ListInsertEntry(host::ListRef list, std::int32_t index) {
  if (!list || Reg().Check(host::AdmListSuite::kName, "InsertEntry")) return nullptr;
  return Item::FromList(list)->InsertEntry(index)->ref();
}

void VELM_HOSTCALL ListRemoveEntry(host::ListRef list, std::int32_t index) {
  if (list) Item::FromList(list)->RemoveEntry(index);
}

host::EntryRef VELM_HOSTCALL ListIndexEntry(host::ListRef list, std::int32_t index) {
  if (!list) return nullptr;
  auto& entries = Item::FromList(list)->entries();
  if (index < 0 || index >= static_cast<std::int32_t>(entries.size())) return nullptr;
  return entries[static_cast<std::size_t>(index)]->ref();
}

std::int32_t VELM_HOSTCALL ListNumberOfEntries(host::ListRef list) {
  return list ? static_cast<std::int32_t>(Item::FromList(list)->entries().size()) : 0;
}

host::EntryRef VELM_HOSTCALL ListIndexSelectedEntry(host::ListRef list,
                                                    std::int32_t selectionIndex) {
  if (!list) return nullptr;
  for (const auto& e : Item::FromList(list)->entries())
    if (e->selected && selectionIndex-- == 0) return e->ref();
  return nullptr;
}

std::int32_t VELM_HOSTCALL ListNumberOfSelectedEntries(host::ListRef list) {
  std::int32_t n = 0;
  if (list)
    for (const auto& e : Item::FromList(list)->entries())
      n += e->selected ? 1 : 0;
  return n;
}

void VELM_HOSTCALL EntrySetText(host::EntryRef entry, const char* text) {
  if (!entry) return;
  Entry* e = Entry::From(entry);
  e->text = text ? text : "";
  if (e->selected && e->item->IsPopup()) e->item->SetText(e->text);
}

void VELM_HOSTCALL EntryGetText(host::EntryRef entry, char* text, std::int32_t maxLength) {
  if (!text || maxLength <= 0) return;
  const std::string s = entry ? Entry::From(entry)->text : std::string();
  const std::size_t n = std::min(s.size(), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(text, s.data(), n);
  text[n] = '\0';
}

void VELM_HOSTCALL EntrySetID(host::EntryRef entry, std::int32_t id) {
  if (entry) Entry::From(entry)->id = id;
}

std::int32_t VELM_HOSTCALL EntryGetID(host::EntryRef entry) {
  return entry ? Entry::From(entry)->id : 0;
}

std::int32_t VELM_HOSTCALL EntryGetIndex(host::EntryRef entry) {
  return entry ? Entry::From(entry)->item->IndexOf(Entry::From(entry)) : -1;
}

host::ListRef VELM_HOSTCALL EntryGetList(host::EntryRef entry) {
  return entry ? Entry::From(entry)->item->listRef() : nullptr;
}

void VELM_HOSTCALL EntrySelect(host::EntryRef entry, host::Boolean select) {
  if (entry) Entry::From(entry)->item->Select(Entry::From(entry), select != 0);
}

host::Boolean VELM_HOSTCALL EntryIsSelected(host::EntryRef entry) {
  return entry && Entry::From(entry)->selected ? 1 : 0;
}

void VELM_HOSTCALL SetNotifyProc(host::ItemRef item, host::ItemNotifyProc proc) {
  if (item) Item::From(item)->SetNotifyProc(proc);
}

void VELM_HOSTCALL DefaultNotify(host::ItemRef item, host::NotifierRef) {
  if (!item) return;
  Item* it = Item::From(item);
  if (it->kind() == velm::res::ItemKind::kButton && it->dialog()->modal())
    it->dialog()->End(it->id(), false);
}

host::DialogRef VELM_HOSTCALL GetDialog(host::ItemRef item) {
  return item ? Item::From(item)->dialog()->ref() : nullptr;
}

std::int32_t VELM_HOSTCALL GetID(host::ItemRef item) {
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
