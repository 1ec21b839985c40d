// Floating dialogs of the dialog manager: palettes with their screen place, size limits,
// docking, flyout menu, list boxes whose entries the plug-in draws and tracks, and picture
// push buttons with tips (drawn by dialog_manager_paint.cpp).
#include <algorithm>
#include <cstring>

#include "hostsim/core/host.h"
#include "hostsim/core/suite_impl.h"
#include "hostsim/desktop/adm_drawing.h"
#include "hostsim/desktop/dialog_manager.h"
#include "hostsim/desktop/palettes_p.h"

namespace hostsim {

using impl::H;
using velm::res::ItemKind;
using namespace palette_detail;

// ---- Items and dialogs ----

Item::Item(Dialog* dialog, std::int32_t id, ItemKind kind, const host::Rect& bounds)
    : dialog_(dialog), id_(id), kind_(kind), pictureId_(0), bounds_(bounds) {}

Item* Dialog::AddItem(std::int32_t id, ItemKind kind, const host::Rect& bounds) {
  if (FindItem(id)) return nullptr;
  velm::res::DialogItem tmpl{};
  tmpl.id = id;
  tmpl.kind = kind;
  tmpl.rect = {bounds.left, bounds.top, bounds.right, bounds.bottom};
  items_.push_back(std::make_unique<Item>(this, tmpl));
  dirty = true;
  return items_.back().get();
}

void Dialog::SetScreenBounds(const host::Rect& bounds) {
  std::int32_t w = Width(bounds), h = Height(bounds);
  if (maxWidth > 0) w = std::min(w, maxWidth);
  if (maxHeight > 0) h = std::min(h, maxHeight);
  w = std::max(w, std::max<std::int32_t>(minWidth, 1));
  h = std::max(h, std::max<std::int32_t>(minHeight, 1));
  // Keep the title bar on the screen, the whole dialog when it fits.
  std::int32_t left = bounds.left, top = bounds.top;
  left = std::min(left, Desktop::kScreenWidth - w);
  top = std::min(top, Desktop::kScreenHeight - h);
  left = std::max(left, 0);
  top = std::max(top, kTitleBarHeight);
  screenBounds_ = {left, top, left + w, top + h};
  dirty = true;
}

host::Rect Dialog::ItemScreenRect(const Item& item) const {
  const host::Rect& b = item.bounds();
  return {b.left + screenBounds_.left, b.top + screenBounds_.top, b.right + screenBounds_.left,
          b.bottom + screenBounds_.top};
}

bool Dialog::EntryScreenRect(std::int32_t itemId, std::int32_t index, host::Rect* rect) {
  Item* list = FindItem(itemId);
  if (!list || list->kind() != ItemKind::kList || index < 0 ||
      index >= static_cast<std::int32_t>(list->entries().size()))
    return false;
  const host::Rect r = EntryRect(*list, index);
  *rect = {r.left + screenBounds_.left, r.top + screenBounds_.top, r.right + screenBounds_.left,
           r.bottom + screenBounds_.top};
  return true;
}

bool Dialog::ScrollList(std::int32_t itemId, std::int32_t rows) {
  Item* list = FindItem(itemId);
  if (!list || list->kind() != ItemKind::kList) return false;
  list->SetScrollRow(FirstShownRow(*list) + rows);
  list->SetScrollRow(FirstShownRow(*list));
  dirty = true;
  return true;
}

bool Dialog::ShowEntry(std::int32_t itemId, std::int32_t index) {
  Item* list = FindItem(itemId);
  if (!list || list->kind() != ItemKind::kList || index < 0 ||
      index >= static_cast<std::int32_t>(list->entries().size()))
    return false;
  const std::int32_t row = index / Columns(*list);
  const std::int32_t first = FirstShownRow(*list);
  const std::int32_t shown = ShownRows(*list);
  if (row < first) return ScrollList(itemId, row - first);
  if (row >= first + shown) return ScrollList(itemId, row - (first + shown - 1));
  return true;
}

bool Dialog::ChooseFlyout(std::int32_t index) {
  Item* menu = FindItem(host::kAdmFlyoutMenuItemId);
  if (!menu || !menu->visible()) {
    lastError_ = "the dialog has no flyout menu";
    return false;
  }
  if (index < 0 || index >= static_cast<std::int32_t>(menu->entries().size())) {
    lastError_ = "the flyout menu has no entry " + std::to_string(index);
    return false;
  }
  Entry* e = menu->entries()[static_cast<std::size_t>(index)].get();
  if (e->separator || !e->enabled) {
    lastError_ = "flyout entry " + std::to_string(index) + " is disabled";
    return false;
  }
  // The menu item's text is the chosen entry's while the notification runs.
  for (auto& other : menu->entries())
    other->selected = false;
  e->selected = true;
  menu->SetText(e->text);
  NotifyUserChanged(menu);
  menu->SetText("");
  return true;
}

bool Dialog::TrackEntry(std::int32_t itemId, std::int32_t index, std::int32_t action,
                        host::Point point, std::uint32_t time) {
  Item* list = FindItem(itemId);
  if (!list || list->kind() != ItemKind::kList) {
    lastError_ = "the dialog has no list " + std::to_string(itemId);
    return false;
  }
  if (index < 0 || index >= static_cast<std::int32_t>(list->entries().size())) {
    lastError_ = "the list has no entry " + std::to_string(index);
    return false;
  }
  Entry* entry = list->entries()[static_cast<std::size_t>(index)].get();
  host::TrackerEvent event{};
  event.point = point;
  event.action = action;
  event.time = time;
  if (list->entryTrackProc()) {
    list->entryTrackProc()(entry->ref(), reinterpret_cast<host::TrackerRef>(&event));
  } else if (action == host::kTrackMouseDown) {
    list->Select(entry, true);
  }
  dirty = true;
  return true;
}

void NotifyUserChanged(Item* item) {
  AdmNotifier notifier{host::kAdmUserChangedNotifier};
  if (host::ItemNotifyProc proc = item->notifyProc()) {
    proc(item->ref(), notifier.ref());
  } else if (item->kind() == ItemKind::kButton && item->dialog()->modal()) {
    item->dialog()->End(item->id(), false);
  }
  item->dialog()->dirty = true;
}

void DefaultDrawEntry(Entry* entry, Drawer* drawer) {
  host::Rect r{0, 0, entry->item->entryWidth(), entry->item->entryHeight()};
  drawer->color = entry->selected ? AdmPaletteColor(2) : 0xFFFFFF;
  FillDrawerRect(drawer, r);
}

// ---- The dialog manager's floating dialogs ----

Dialog* DialogManager::CreateFloating(const velm::res::ResourceTable* resources, const char* name,
                                      std::int32_t dialogId, std::int32_t style,
                                      host::DialogInitProc init, void* userData) {
  const velm::res::Dialog* tmpl = resources ? velm::res::FindDialog(*resources, dialogId) : nullptr;
  if (!tmpl) return nullptr;
  floating_.push_back(std::make_unique<Dialog>(name ? name : "", *tmpl, userData, false));
  Dialog* d = floating_.back().get();
  d->style = style;
  d->SetScreenBounds({tmpl->rect.left, tmpl->rect.top, tmpl->rect.right, tmpl->rect.bottom});
  Item* menu = d->AddItem(host::kAdmFlyoutMenuItemId, ItemKind::kPopup, {0, 0, 0, 0});
  menu->SetVisible(false);
  if (init && init(d->ref()) != host::kNoErr) {
    DestroyFloating(d);
    return nullptr;
  }
  if (!visibleAtCreate_ || visibleAtCreate_(d->name())) d->SetVisible(true);
  return d;
}

void DialogManager::DestroyFloating(Dialog* dialog) {
  floating_.erase(std::remove_if(floating_.begin(), floating_.end(),
                                 [dialog](const auto& p) { return p.get() == dialog; }),
                  floating_.end());
}

Dialog* DialogManager::FindFloating(const std::string& name) {
  for (auto it = floating_.rbegin(); it != floating_.rend(); ++it)
    if ((*it)->name() == name) return it->get();
  return nullptr;
}

bool DialogManager::IsFloating(const Dialog* dialog) const {
  for (const auto& d : floating_)
    if (d.get() == dialog) return true;
  return false;
}

Dialog* DialogManager::FloatingAt(host::Point p) {
  for (auto it = floating_.rbegin(); it != floating_.rend(); ++it) {
    Dialog* d = it->get();
    const host::Rect& b = d->screenBounds();
    if (d->visible() && p.h >= b.left && p.h < b.right && p.v >= b.top - kTitleBarHeight &&
        p.v < b.bottom)
      return d;
  }
  return nullptr;
}

// ---- Suites ----

namespace {

using namespace impl;

Dialog* FloatingFrom(host::DialogRef ref) {
  Dialog* d = Dialog::From(ref);
  return ref && H().dialogs().IsFloating(d) ? d : nullptr;
}

host::DialogRef VELM_HOSTCALL Create(host::PluginRef, const char* name, std::int32_t dialogId,
                                     std::int32_t style, host::DialogInitProc init,
                                     void* userData) {
  if (Check<host::AdmDialogSuite>("Create")) return nullptr;
  Dialog* d = H().dialogs().CreateFloating(H().resources(), name, dialogId, style, init, userData);
  return d ? d->ref() : nullptr;
}

void VELM_HOSTCALL Destroy(host::DialogRef ref) {
  if (Dialog* d = FloatingFrom(ref)) H().dialogs().DestroyFloating(d);
}

void VELM_HOSTCALL Show(host::DialogRef ref, host::Boolean show) {
  if (Dialog* d = FloatingFrom(ref)) {
    d->SetVisible(show != 0);
    d->dirty = true;
  }
}

host::Boolean VELM_HOSTCALL IsVisible(host::DialogRef ref) {
  Dialog* d = FloatingFrom(ref);
  return d && d->visible() ? 1 : 0;
}

void VELM_HOSTCALL GetLocalRect(host::DialogRef ref, host::Rect* rect) {
  if (!rect) return;
  *rect = {};
  if (!ref) return;
  const host::Rect& b = Dialog::From(ref)->screenBounds();
  *rect = {0, 0, Width(b), Height(b)};
}

void VELM_HOSTCALL GetBoundsRect(host::DialogRef ref, host::Rect* rect) {
  if (!rect) return;
  *rect = ref ? Dialog::From(ref)->screenBounds() : host::Rect{};
}

void VELM_HOSTCALL SetBoundsRect(host::DialogRef ref, const host::Rect* rect) {
  if (Dialog* d = FloatingFrom(ref); d && rect) d->SetScreenBounds(*rect);
}

void VELM_HOSTCALL SetMinWidth(host::DialogRef ref, std::int32_t v) {
  if (Dialog* d = FloatingFrom(ref)) d->minWidth = std::max(v, 0);
}
void VELM_HOSTCALL SetMinHeight(host::DialogRef ref, std::int32_t v) {
  if (Dialog* d = FloatingFrom(ref)) d->minHeight = std::max(v, 0);
}
void VELM_HOSTCALL SetMaxWidth(host::DialogRef ref, std::int32_t v) {
  if (Dialog* d = FloatingFrom(ref)) d->maxWidth = std::max(v, 0);
}
void VELM_HOSTCALL SetMaxHeight(host::DialogRef ref, std::int32_t v) {
  if (Dialog* d = FloatingFrom(ref)) d->maxHeight = std::max(v, 0);
}

host::ItemRef VELM_HOSTCALL CreateItem(host::DialogRef ref, std::int32_t itemId, const char* type,
                                       const host::Rect* bounds) {
  if (Check<host::AdmDialogSuite>("CreateItem") || !ref || !type || !bounds) return nullptr;
  Dialog* d = Dialog::From(ref);
  ItemKind kind;
  bool picture = false;
  if (!std::strcmp(type, host::kAdmListBoxType)) {
    kind = ItemKind::kList;
  } else if (!std::strcmp(type, host::kAdmFrameType)) {
    kind = ItemKind::kFrame;
  } else if (!std::strcmp(type, host::kAdmPicturePushButtonType)) {
    kind = ItemKind::kButton;
    picture = true;
  } else if (!std::strcmp(type, host::kAdmPopupListType)) {
    kind = ItemKind::kPopup;
  } else {
    return nullptr;
  }
  Item* item = d->AddItem(itemId, kind, *bounds);
  if (!item) return nullptr;
  item->SetPictureButton(picture);
  return item->ref();
}

void VELM_HOSTCALL InvalidateDialog(host::DialogRef ref) {
  if (ref) Dialog::From(ref)->dirty = true;
}

void VELM_HOSTCALL InvalidateItem(host::ItemRef item) {
  if (item) Item::From(item)->dialog()->dirty = true;
}

void VELM_HOSTCALL SetItemStyle(host::ItemRef item, std::int32_t style) {
  if (item) Item::From(item)->SetStyle(style);
}
void VELM_HOSTCALL SetSelectedPictureID(host::ItemRef item, std::int32_t id) {
  if (item) Item::From(item)->SetSelectedPictureId(id);
}
void VELM_HOSTCALL SetDisabledPictureID(host::ItemRef item, std::int32_t id) {
  if (item) Item::From(item)->SetDisabledPictureId(id);
}
void VELM_HOSTCALL SetTipString(host::ItemRef item, const char* tip) {
  if (item) Item::From(item)->SetTip(tip ? tip : "");
}
void VELM_HOSTCALL SetCursorID(host::ItemRef item, std::int32_t id) {
  if (item) Item::From(item)->SetCursorId(id);
}
void VELM_HOSTCALL ShowItem(host::ItemRef item, host::Boolean show) {
  if (!item) return;
  Item::From(item)->SetVisible(show != 0);
  Item::From(item)->dialog()->dirty = true;
}

void VELM_HOSTCALL ItemLocalToScreenRect(host::ItemRef item, host::Rect* rect) {
  if (!item || !rect) return;
  Item* it = Item::From(item);
  const host::Rect s = it->dialog()->ItemScreenRect(*it);
  *rect = {rect->left + s.left, rect->top + s.top, rect->right + s.left, rect->bottom + s.top};
}

void VELM_HOSTCALL SetEntryWidth(host::ListRef list, std::int32_t w) {
  if (list && w > 0) Item::FromList(list)->SetEntryWidth(w);
}
void VELM_HOSTCALL SetEntryHeight(host::ListRef list, std::int32_t h) {
  if (list && h > 0) Item::FromList(list)->SetEntryHeight(h);
}
void VELM_HOSTCALL SetListDrawProc(host::ListRef list, host::EntryDrawProc proc) {
  if (list) Item::FromList(list)->SetEntryDrawProc(proc);
}
void VELM_HOSTCALL SetListTrackProc(host::ListRef list, host::EntryTrackProc proc) {
  if (list) Item::FromList(list)->SetEntryTrackProc(proc);
}

void VELM_HOSTCALL EntryCheck(host::EntryRef entry, host::Boolean check) {
  if (entry) Entry::From(entry)->checked = check != 0;
}

void VELM_HOSTCALL EntryLocalRect(host::EntryRef entry, host::Rect* rect) {
  if (!rect) return;
  *rect = {};
  if (entry)
    *rect = {0, 0, Entry::From(entry)->item->entryWidth(), Entry::From(entry)->item->entryHeight()};
}

host::Rect EntryScreen(Entry* e) {
  Item* list = e->item;
  const host::Rect r = EntryRect(*list, list->IndexOf(e));
  const host::Rect& b = list->dialog()->screenBounds();
  return {r.left + b.left, r.top + b.top, r.right + b.left, r.bottom + b.top};
}

void VELM_HOSTCALL EntryLocalToScreenPoint(host::EntryRef entry, host::Point* p) {
  if (!entry || !p) return;
  const host::Rect s = EntryScreen(Entry::From(entry));
  p->h += s.left;
  p->v += s.top;
}

void VELM_HOSTCALL EntryLocalToScreenRect(host::EntryRef entry, host::Rect* rect) {
  if (!entry || !rect) return;
  const host::Rect s = EntryScreen(Entry::From(entry));
  *rect = {rect->left + s.left, rect->top + s.top, rect->right + s.left, rect->bottom + s.top};
}

void VELM_HOSTCALL EntryDefaultDraw(host::EntryRef entry, host::DrawerRef drawer) {
  Drawer* d = DrawerFrom(drawer);
  if (entry && d) DefaultDrawEntry(Entry::From(entry), d);
}

host::Boolean VELM_HOSTCALL IsNotifierType(host::NotifierRef notifier, const char* type) {
  if (!notifier || !type) return 0;
  const char* t = reinterpret_cast<AdmNotifier*>(notifier)->type;
  return t && !std::strcmp(t, type) ? 1 : 0;
}

host::Err VELM_HOSTCALL GetDialogGroupInfo(host::DialogRef ref, char* groupName,
                                           std::int32_t maxLength, std::int32_t* dockCode) {
  if (host::Err e = Check<host::AdmDialogGroupSuite>("GetDialogGroupInfo")) return e;
  Dialog* d = FloatingFrom(ref);
  if (!d || !groupName || maxLength <= 0) return host::kBadParameterErr;
  const std::size_t n = std::min(d->dockGroup.size(), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(groupName, d->dockGroup.data(), n);
  groupName[n] = '\0';
  if (dockCode) *dockCode = d->dockCode;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetDialogGroupInfo(host::DialogRef ref, const char* groupName,
                                           std::int32_t dockCode) {
  if (host::Err e = Check<host::AdmDialogGroupSuite>("SetDialogGroupInfo")) return e;
  Dialog* d = FloatingFrom(ref);
  if (!d) return host::kBadParameterErr;
  d->dockGroup = groupName ? groupName : "";
  d->dockCode = dockCode;
  return host::kNoErr;
}

}  // namespace

void InstallPaletteSuites(host::AdmDialogSuite& dialog, host::AdmItemSuite& item,
                          host::AdmListSuite& list, host::AdmEntrySuite& entry,
                          host::AdmNotifierSuite& notifier, host::AdmDialogGroupSuite& group) {
  dialog.Create = Create;
  dialog.Destroy = Destroy;
  dialog.Show = Show;
  dialog.IsVisible = IsVisible;
  dialog.GetLocalRect = GetLocalRect;
  dialog.GetBoundsRect = GetBoundsRect;
  dialog.SetBoundsRect = SetBoundsRect;
  dialog.SetMinWidth = SetMinWidth;
  dialog.SetMinHeight = SetMinHeight;
  dialog.SetMaxWidth = SetMaxWidth;
  dialog.SetMaxHeight = SetMaxHeight;
  dialog.CreateItem = CreateItem;
  dialog.Invalidate = InvalidateDialog;
  item.Invalidate = InvalidateItem;
  item.SetItemStyle = SetItemStyle;
  item.SetSelectedPictureID = SetSelectedPictureID;
  item.SetDisabledPictureID = SetDisabledPictureID;
  item.SetTipString = SetTipString;
  item.SetCursorID = SetCursorID;
  item.Show = ShowItem;
  item.LocalToScreenRect = ItemLocalToScreenRect;
  list.SetEntryWidth = SetEntryWidth;
  list.SetEntryHeight = SetEntryHeight;
  list.SetDrawProc = SetListDrawProc;
  list.SetTrackProc = SetListTrackProc;
  entry.Check = EntryCheck;
  entry.GetLocalRect = EntryLocalRect;
  entry.LocalToScreenPoint = EntryLocalToScreenPoint;
  entry.LocalToScreenRect = EntryLocalToScreenRect;
  entry.DefaultDraw = EntryDefaultDraw;
  notifier.IsNotifierType = IsNotifierType;
  group.GetDialogGroupInfo = GetDialogGroupInfo;
  group.SetDialogGroupInfo = SetDialogGroupInfo;
}

}  // namespace hostsim
