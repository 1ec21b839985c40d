// Floating dialogs of the dialog manager: palettes with their screen place, size limits,
// docking, flyout menu, list boxes whose entries the plug-in draws and tracks, picture
// push buttons with tips, and their drawing on the virtual desktop.
#include <algorithm>
#include <cstring>

#include "hostsim/adm_drawing.h"
#include "hostsim/dialog_manager.h"
#include "hostsim/host.h"
#include "hostsim/suite_impl.h"

namespace hostsim {

using impl::H;
using velm::res::ItemKind;

namespace {

constexpr int kTitleBarHeight = 15;
constexpr std::uint32_t kFaceColor = 0xD4D0C8;
constexpr std::uint32_t kShadowColor = 0x808080;
constexpr std::uint32_t kTitleColor = 0x0A246A;

std::int32_t Width(const host::Rect& r) {
  return r.right - r.left;
}
std::int32_t Height(const host::Rect& r) {
  return r.bottom - r.top;
}

host::Rect Intersect(const host::Rect& a, const host::Rect& b) {
  host::Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// Entries a row holds in a list box: icon styles fill rows across the list (less the
// scroll bar), other lists hold one entry a row.
std::int32_t Columns(const Item& list) {
  if (list.style() != 54) return 1;
  const std::int32_t usable = Width(list.bounds()) - kListScrollBarWidth;
  return std::max<std::int32_t>(1, usable / std::max<std::int32_t>(1, list.entryWidth()));
}

// Rows of entries in a list box, and the whole rows it shows at once.
std::int32_t Rows(const Item& list) {
  const std::int32_t columns = Columns(list);
  return (static_cast<std::int32_t>(list.entries().size()) + columns - 1) / columns;
}
std::int32_t ShownRows(const Item& list) {
  return std::max<std::int32_t>(
      1, Height(list.bounds()) / std::max<std::int32_t>(1, list.entryHeight()));
}

// The first row shown: as scrolled, but never past the point where the last row shows at
// the bottom (entries may have gone, or the list grown, since it was scrolled).
std::int32_t FirstShownRow(const Item& list) {
  return std::clamp(list.scrollRow(), 0, std::max(0, Rows(list) - ShownRows(list)));
}

// Entry `index`'s rectangle in the dialog's local coordinates, as scrolled.
host::Rect EntryRect(const Item& list, std::int32_t index) {
  const std::int32_t columns = Columns(list);
  const std::int32_t row = index / columns - FirstShownRow(list);
  const std::int32_t column = index % columns;
  const host::Rect& b = list.bounds();
  const std::int32_t left = b.left + column * list.entryWidth();
  const std::int32_t top = b.top + row * list.entryHeight();
  return {left, top, left + list.entryWidth(), top + list.entryHeight()};
}

// The part of a list box the entries are drawn in (without the scroll bar).
host::Rect ListInterior(const Item& list) {
  host::Rect r = list.bounds();
  r.right -= kListScrollBarWidth;
  return r;
}

void Frame3d(Bitmap* screen, const host::Rect& r, bool raised) {
  const std::uint32_t light = raised ? 0xFFFFFF : kShadowColor;
  const std::uint32_t dark = raised ? kShadowColor : 0xFFFFFF;
  screen->Fill({r.left, r.top, r.right, r.top + 1}, light);
  screen->Fill({r.left, r.top, r.left + 1, r.bottom}, light);
  screen->Fill({r.left, r.bottom - 1, r.right, r.bottom}, dark);
  screen->Fill({r.right - 1, r.top, r.right, r.bottom}, dark);
}

void Outline(Bitmap* screen, const host::Rect& r, std::uint32_t color) {
  screen->Fill({r.left, r.top, r.right, r.top + 1}, color);
  screen->Fill({r.left, r.bottom - 1, r.right, r.bottom}, color);
  screen->Fill({r.left, r.top, r.left + 1, r.bottom}, color);
  screen->Fill({r.right - 1, r.top, r.right, r.bottom}, color);
}

// Draws Shift-JIS text with its top-left corner near (x, y), clipped to `clip`.
void Label(Bitmap* screen, int x, int y, const std::string& sjis, std::uint32_t color,
           const host::Rect& clip) {
  Drawer* d = NewDrawer(screen, {0, 0}, clip);
  d->color = color;
  host::Point at{x, y + 10};
  DrawDialogText(d, sjis, at);
  DeleteDrawer(d);
}

// Copies a picture or icon resource with its top-left corner at (x, y); greyed when
// `disabled`. Transparent pixels keep what lies under them.
void Picture(Bitmap* screen, std::int32_t id, int x, int y, bool disabled, const host::Rect& clip) {
  const velm::res::ResourceTable* table = H().resources();
  if (!table || id == 0) return;
  const velm::res::Image* image = velm::res::FindImage(*table, id, velm::res::ImageKind::kPicture);
  if (!image) image = velm::res::FindImage(*table, id, velm::res::ImageKind::kIcon);
  if (!image) return;
  for (int row = 0; row < image->height; ++row)
    for (int col = 0; col < image->width; ++col) {
      const std::uint32_t p = image->pixels[row * image->width + col];
      if ((p >> 24) == 0) continue;
      const int sx = x + col, sy = y + row;
      if (sx < clip.left || sy < clip.top || sx >= clip.right || sy >= clip.bottom) continue;
      if (!screen->Contains(sx, sy)) continue;
      std::uint32_t rgb = p & 0xFFFFFF;
      if (disabled) {
        const std::uint32_t grey =
            (((rgb >> 16) & 0xFF) * 30 + ((rgb >> 8) & 0xFF) * 59 + (rgb & 0xFF) * 11) / 100;
        const std::uint32_t g = 0x90 + grey * 0x50 / 0xFF;
        rgb = (g << 16) | (g << 8) | g;
      }
      screen->SetPixel(sx, sy, rgb);
    }
}

void PaintList(Bitmap* screen, Dialog& dialog, Item& list) {
  const host::Rect bounds = dialog.ItemScreenRect(list);
  screen->Fill(
      Intersect(bounds, screen->Contains(0, 0) ? host::Rect{0, 0, screen->width(), screen->height()}
                                               : bounds),
      0xFFFFFF);
  const host::Rect interior = Intersect(ListInterior(list), list.bounds());
  const host::Point origin{dialog.screenBounds().left, dialog.screenBounds().top};
  const host::Rect clipScreen{interior.left + origin.h, interior.top + origin.v,
                              interior.right + origin.h, interior.bottom + origin.v};
  const auto count = static_cast<std::int32_t>(list.entries().size());
  for (std::int32_t i = 0; i < count; ++i) {
    const host::Rect local = EntryRect(list, i);
    const host::Rect r{local.left + origin.h, local.top + origin.v, local.right + origin.h,
                       local.bottom + origin.v};
    const host::Rect clip = Intersect(r, clipScreen);
    if (Width(clip) <= 0 || Height(clip) <= 0) continue;
    Drawer* d = NewDrawer(screen, {r.left, r.top}, clip);
    Entry* entry = list.entries()[static_cast<std::size_t>(i)].get();
    if (list.entryDrawProc())
      list.entryDrawProc()(entry->ref(), d->ref());
    else
      DefaultDrawEntry(entry, d);
    DeleteDrawer(d);
  }
  // The scroll bar: a trough and a thumb for the rows shown.
  const host::Rect bar{bounds.right - kListScrollBarWidth, bounds.top, bounds.right, bounds.bottom};
  screen->Fill(bar, 0xE8E6E0);
  const std::int32_t rows = Rows(list);
  const std::int32_t shown = ShownRows(list);
  if (rows > shown) {
    const std::int32_t track = Height(bar);
    const std::int32_t thumb = std::max<std::int32_t>(12, track * shown / rows);
    const std::int32_t top = bar.top + (track - thumb) * FirstShownRow(list) / (rows - shown);
    host::Rect t{bar.left + 1, top, bar.right - 1, top + thumb};
    screen->Fill(t, kFaceColor);
    Frame3d(screen, t, true);
  }
  Outline(screen, bounds, kShadowColor);
}

void PaintItem(Bitmap* screen, Dialog& dialog, Item& item) {
  if (!item.visible() || item.flyout()) return;
  const host::Rect r = dialog.ItemScreenRect(item);
  const host::Rect clip = Intersect(r, dialog.screenBounds());
  if (item.drawProc()) {
    screen->Fill(clip, kFaceColor);
    Drawer* d = NewDrawer(screen, {r.left, r.top}, clip);
    item.drawProc()(item.ref(), d->ref());
    DeleteDrawer(d);
    return;
  }
  switch (item.kind()) {
    case ItemKind::kList:
      PaintList(screen, dialog, item);
      break;
    case ItemKind::kPopup: {
      screen->Fill(clip, 0xFFFFFF);
      Outline(screen, r, kShadowColor);
      Label(screen, r.left + 3, r.top + 2, item.text(), item.enabled() ? 0 : kShadowColor,
            {clip.left, clip.top, clip.right - 14, clip.bottom});
      // The drop-down arrow.
      const int ax = r.right - 11, ay = r.top + Height(r) / 2 - 2;
      for (int k = 0; k < 4; ++k)
        screen->Fill({ax + k, ay + k, ax + 7 - k, ay + k + 1}, 0);
      break;
    }
    case ItemKind::kButton: {
      screen->Fill(clip, kFaceColor);
      Frame3d(screen, r, true);
      if (item.pictureButton()) {
        const velm::res::ResourceTable* table = H().resources();
        const velm::res::Image* image =
            table ? velm::res::FindImage(*table, item.pictureId(), velm::res::ImageKind::kPicture)
                  : nullptr;
        const int w = image ? image->width : 0, h = image ? image->height : 0;
        const std::int32_t id =
            item.enabled()
                ? item.pictureId()
                : (item.disabledPictureId() ? item.disabledPictureId() : item.pictureId());
        Picture(screen, id, r.left + (Width(r) - w) / 2, r.top + (Height(r) - h) / 2,
                !item.enabled(), clip);
      } else {
        Label(screen, r.left + 4, r.top + 2, item.text(), item.enabled() ? 0 : kShadowColor, clip);
      }
      break;
    }
    case ItemKind::kFrame:
      if (dialog.modal()) {
        Outline(screen, {r.left, r.top + 6, r.right, r.bottom}, kShadowColor);
        if (!item.text().empty()) {
          const host::Rect band{r.left + 6, r.top,
                                r.left + 10 + 7 * static_cast<int>(item.text().size()), r.top + 13};
          screen->Fill(Intersect(band, clip), kFaceColor);
          Label(screen, r.left + 8, r.top, item.text(), 0, clip);
        }
      } else {
        screen->Fill({r.left, r.top, r.right, r.top + 1}, kShadowColor);
      }
      break;
    case ItemKind::kEdit:
    case ItemKind::kSpinEdit:
      screen->Fill(clip, item.enabled() ? 0xFFFFFF : kFaceColor);
      Frame3d(screen, r, false);
      Label(screen, r.left + 3, r.top + (Height(r) - 14) / 2, item.text(), 0,
            {clip.left + 1, clip.top + 1, clip.right - 1, clip.bottom - 1});
      break;
    case ItemKind::kCheckBox:
    case ItemKind::kRadio: {
      const int top = r.top + (Height(r) - 13) / 2;
      const host::Rect box{r.left, top, r.left + 13, top + 13};
      screen->Fill(box, 0xFFFFFF);
      Frame3d(screen, box, false);
      if (item.on()) screen->Fill({box.left + 3, box.top + 3, box.right - 3, box.bottom - 3}, 0);
      Label(screen, r.left + 17, r.top + (Height(r) - 14) / 2, item.text(),
            item.enabled() ? 0 : kShadowColor, clip);
      break;
    }
    case ItemKind::kPicture:
      Picture(screen, item.pictureId(), r.left, r.top, false, clip);
      break;
    case ItemKind::kUserItem:
      break;
    default: {
      int x = r.left;
      if (item.rightAligned()) {
        Drawer* d = NewDrawer(screen, {0, 0}, clip);
        x = r.right - DialogTextWidth(d, item.text());
        DeleteDrawer(d);
      }
      Label(screen, x, r.top, item.text(), item.enabled() ? 0 : kShadowColor, clip);
      break;
    }
  }
}

}  // namespace

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

namespace {

// The frame, title bar and face of a dialog, then its items.
void PaintDialog(Bitmap* screen, Dialog& d) {
  const host::Rect& b = d.screenBounds();
  // Title bar with the title and the flyout menu's button, then the face.
  const host::Rect title{b.left, b.top - kTitleBarHeight, b.right, b.top};
  screen->Fill(title, kTitleColor);
  Label(screen, title.left + 4, title.top, d.title(), 0xFFFFFF, title);
  if (Item* menu = d.FindItem(host::kAdmFlyoutMenuItemId); menu && menu->visible()) {
    const int ax = title.right - 13, ay = title.top + 5;
    for (int k = 0; k < 4; ++k)
      screen->Fill({ax + k, ay + k, ax + 7 - k, ay + k + 1}, 0xFFFFFF);
  }
  screen->Fill(b, kFaceColor);
  for (const auto& item : d.items())
    PaintItem(screen, d, *item);
  Outline(screen, {b.left - 1, title.top - 1, b.right + 1, b.bottom + 1}, 0x404040);
  d.dirty = false;
}

}  // namespace

void DialogManager::PaintFloating(Bitmap* screen) {
  for (const auto& owned : floating_)
    if (owned->visible()) PaintDialog(screen, *owned);
}

bool DialogManager::AnyDirty() const {
  for (const auto& d : floating_)
    if (d->visible() && d->dirty) return true;
  return false;
}

void DialogManager::PaintModal(Bitmap* screen, Dialog& dialog) {
  // A modal dialog opens in the middle of the screen.
  const host::Rect& t = dialog.templateRect();
  const std::int32_t w = Width(t), h = Height(t);
  const std::int32_t left = (Desktop::kScreenWidth - w) / 2;
  const std::int32_t top = (Desktop::kScreenHeight - h) / 2;
  dialog.SetScreenBounds({left, top, left + w, top + h});
  PaintDialog(screen, dialog);
}

// ---- Suites ----

namespace {

using namespace impl;

Dialog* FloatingFrom(host::DialogRef ref) {
  Dialog* d = Dialog::From(ref);
  return ref && H().dialogs().IsFloating(d) ? d : nullptr;
}

host::DialogRef Create(host::PluginRef, const char* name, std::int32_t dialogId, std::int32_t style,
                       host::DialogInitProc init, void* userData) {
  if (Check<host::AdmDialogSuite>("Create")) return nullptr;
  Dialog* d = H().dialogs().CreateFloating(H().resources(), name, dialogId, style, init, userData);
  return d ? d->ref() : nullptr;
}

void Destroy(host::DialogRef ref) {
  if (Dialog* d = FloatingFrom(ref)) H().dialogs().DestroyFloating(d);
}

void Show(host::DialogRef ref, host::Boolean show) {
  if (Dialog* d = FloatingFrom(ref)) {
    d->SetVisible(show != 0);
    d->dirty = true;
  }
}

host::Boolean IsVisible(host::DialogRef ref) {
  Dialog* d = FloatingFrom(ref);
  return d && d->visible() ? 1 : 0;
}

void GetLocalRect(host::DialogRef ref, host::Rect* rect) {
  if (!rect) return;
  *rect = {};
  if (!ref) return;
  const host::Rect& b = Dialog::From(ref)->screenBounds();
  *rect = {0, 0, Width(b), Height(b)};
}

void GetBoundsRect(host::DialogRef ref, host::Rect* rect) {
  if (!rect) return;
  *rect = ref ? Dialog::From(ref)->screenBounds() : host::Rect{};
}

void SetBoundsRect(host::DialogRef ref, const host::Rect* rect) {
  if (Dialog* d = FloatingFrom(ref); d && rect) d->SetScreenBounds(*rect);
}

void SetMinWidth(host::DialogRef ref, std::int32_t v) {
  if (Dialog* d = FloatingFrom(ref)) d->minWidth = std::max(v, 0);
}
void SetMinHeight(host::DialogRef ref, std::int32_t v) {
  if (Dialog* d = FloatingFrom(ref)) d->minHeight = std::max(v, 0);
}
void SetMaxWidth(host::DialogRef ref, std::int32_t v) {
  if (Dialog* d = FloatingFrom(ref)) d->maxWidth = std::max(v, 0);
}
void SetMaxHeight(host::DialogRef ref, std::int32_t v) {
  if (Dialog* d = FloatingFrom(ref)) d->maxHeight = std::max(v, 0);
}

host::ItemRef CreateItem(host::DialogRef ref, std::int32_t itemId, const char* type,
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

void InvalidateDialog(host::DialogRef ref) {
  if (ref) Dialog::From(ref)->dirty = true;
}

void InvalidateItem(host::ItemRef item) {
  if (item) Item::From(item)->dialog()->dirty = true;
}

void SetItemStyle(host::ItemRef item, std::int32_t style) {
  if (item) Item::From(item)->SetStyle(style);
}
void SetSelectedPictureID(host::ItemRef item, std::int32_t id) {
  if (item) Item::From(item)->SetSelectedPictureId(id);
}
void SetDisabledPictureID(host::ItemRef item, std::int32_t id) {
  if (item) Item::From(item)->SetDisabledPictureId(id);
}
void SetTipString(host::ItemRef item, const char* tip) {
  if (item) Item::From(item)->SetTip(tip ? tip : "");
}
void SetCursorID(host::ItemRef item, std::int32_t id) {
  if (item) Item::From(item)->SetCursorId(id);
}
void ShowItem(host::ItemRef item, host::Boolean show) {
  if (!item) return;
  Item::From(item)->SetVisible(show != 0);
  Item::From(item)->dialog()->dirty = true;
}

void ItemLocalToScreenRect(host::ItemRef item, host::Rect* rect) {
  if (!item || !rect) return;
  Item* it = Item::From(item);
  const host::Rect s = it->dialog()->ItemScreenRect(*it);
  *rect = {rect->left + s.left, rect->top + s.top, rect->right + s.left, rect->bottom + s.top};
}

void SetEntryWidth(host::ListRef list, std::int32_t w) {
  if (list && w > 0) Item::FromList(list)->SetEntryWidth(w);
}
void SetEntryHeight(host::ListRef list, std::int32_t h) {
  if (list && h > 0) Item::FromList(list)->SetEntryHeight(h);
}
void SetListDrawProc(host::ListRef list, host::EntryDrawProc proc) {
  if (list) Item::FromList(list)->SetEntryDrawProc(proc);
}
void SetListTrackProc(host::ListRef list, host::EntryTrackProc proc) {
  if (list) Item::FromList(list)->SetEntryTrackProc(proc);
}

void EntryCheck(host::EntryRef entry, host::Boolean check) {
  if (entry) Entry::From(entry)->checked = check != 0;
}

void EntryLocalRect(host::EntryRef entry, host::Rect* rect) {
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

void EntryLocalToScreenPoint(host::EntryRef entry, host::Point* p) {
  if (!entry || !p) return;
  const host::Rect s = EntryScreen(Entry::From(entry));
  p->h += s.left;
  p->v += s.top;
}

void EntryLocalToScreenRect(host::EntryRef entry, host::Rect* rect) {
  if (!entry || !rect) return;
  const host::Rect s = EntryScreen(Entry::From(entry));
  *rect = {rect->left + s.left, rect->top + s.top, rect->right + s.left, rect->bottom + s.top};
}

void EntryDefaultDraw(host::EntryRef entry, host::DrawerRef drawer) {
  Drawer* d = DrawerFrom(drawer);
  if (entry && d) DefaultDrawEntry(Entry::From(entry), d);
}

host::Boolean IsNotifierType(host::NotifierRef notifier, const char* type) {
  if (!notifier || !type) return 0;
  const char* t = reinterpret_cast<AdmNotifier*>(notifier)->type;
  return t && !std::strcmp(t, type) ? 1 : 0;
}

host::Err GetDialogGroupInfo(host::DialogRef ref, char* groupName, std::int32_t maxLength,
                             std::int32_t* dockCode) {
  if (host::Err e = Check<host::AdmDialogGroupSuite>("GetDialogGroupInfo")) return e;
  Dialog* d = FloatingFrom(ref);
  if (!d || !groupName || maxLength <= 0) return host::kBadParameterErr;
  const std::size_t n = std::min(d->dockGroup.size(), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(groupName, d->dockGroup.data(), n);
  groupName[n] = '\0';
  if (dockCode) *dockCode = d->dockCode;
  return host::kNoErr;
}

host::Err SetDialogGroupInfo(host::DialogRef ref, const char* groupName, std::int32_t dockCode) {
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
