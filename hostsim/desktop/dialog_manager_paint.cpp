// The dialog manager's drawing of its dialogs on the virtual desktop: frames, title bars,
// the items the dialog manager draws itself, and list boxes whose entries the plug-in
// draws.
#include <algorithm>
#include <string>
#include <vector>

#include "hostsim/core/host.h"
#include "hostsim/core/suite_impl.h"
#include "hostsim/desktop/adm_drawing.h"
#include "hostsim/desktop/dialog_manager.h"
#include "hostsim/desktop/palettes_p.h"

namespace hostsim {

using impl::H;
using namespace palette_detail;
using velm::res::ItemKind;

namespace {

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

constexpr std::uint32_t kHighlightColor = 0x316AC5;
constexpr int kPopupArrowWidth = 14;

// A text typed into an item as it lies on the screen: its lines, where the first shown
// line's baseline and each line's left end are, and the rectangle the text is kept in.
struct EditLayout {
  std::vector<TextLine> lines;
  host::Rect area{};
  std::int32_t firstLine = 0;  // the first line shown
  int baseline = 0;            // of the first line shown
  int left = 0;                // where every line starts (scrolled)
};

EditLayout LayOutEdit(Drawer* d, const Item& item, const host::Rect& r) {
  EditLayout e;
  const int right = r.right - (item.IsPopup() ? kPopupArrowWidth : 0);
  e.area = {r.left + 2, r.top + 2, right - 2, r.bottom - 2};
  const std::string& text = item.text();
  if (item.multiLine()) {
    e.lines = LayOutDialogText(d, text, Width(e.area) - 2);
    e.firstLine = std::clamp<std::int32_t>(item.edit().scroll, 0,
                                           static_cast<std::int32_t>(e.lines.size()) - 1);
    e.baseline = r.top + 13;
    e.left = r.left + 3;
  } else {
    e.lines = {{0, text.size()}};
    e.baseline = r.top + (Height(r) - 14) / 2 + 10;
    e.left = r.left + 3 - item.edit().scroll;
  }
  return e;
}

// The line holding byte `at`: at a wrap the caret goes to the start of the next line.
std::int32_t LineOf(const EditLayout& e, std::size_t at) {
  for (std::size_t k = 0; k < e.lines.size(); ++k)
    if (at <= e.lines[k].end && (k + 1 == e.lines.size() || at < e.lines[k + 1].begin ||
                                 e.lines[k].end != at || e.lines[k + 1].begin != at))
      return static_cast<std::int32_t>(k);
  return static_cast<std::int32_t>(e.lines.size()) - 1;
}

// Keeps the focused item's caret in view by scrolling its text.
void ScrollToCaret(Drawer* d, Item& item, const host::Rect& r) {
  Item::EditState& st = item.edit();
  st.caret = std::min(st.caret, item.text().size());
  st.anchor = std::min(st.anchor, item.text().size());
  const EditLayout e = LayOutEdit(d, item, r);
  if (item.multiLine()) {
    const std::int32_t shown = std::max(1, (Height(e.area) + 2) / kDialogLineHeight);
    const std::int32_t line = LineOf(e, st.caret);
    if (line < st.scroll) st.scroll = line;
    if (line >= st.scroll + shown) st.scroll = line - shown + 1;
    return;
  }
  const std::int32_t x = DialogTextWidth(d, item.text().substr(0, st.caret));
  const std::int32_t width = Width(e.area) - 2;
  if (DialogTextWidth(d, item.text()) <= width) st.scroll = 0;
  if (x - st.scroll > width) st.scroll = x - width;
  if (x < st.scroll) st.scroll = x;
}

// A typed text: its lines, the selection highlighted and, with the focus, the caret.
void PaintEdit(Bitmap* screen, Dialog& dialog, Item& item) {
  const host::Rect r = dialog.ItemScreenRect(item);
  const host::Rect clip = Intersect(r, dialog.screenBounds());
  Drawer* d = NewDrawer(screen, {0, 0},
                        Intersect(clip, {r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}));
  if (item.edit().focused) ScrollToCaret(d, item, r);
  const EditLayout e = LayOutEdit(d, item, r);
  d->context->clip = Intersect(d->context->clip, e.area);
  const Item::EditState& st = item.edit();
  const std::size_t from = std::min(st.caret, st.anchor), to = std::max(st.caret, st.anchor);
  const std::string& text = item.text();
  for (std::size_t k = static_cast<std::size_t>(e.firstLine); k < e.lines.size(); ++k) {
    const int baseline = e.baseline + static_cast<int>(k - e.firstLine) * kDialogLineHeight;
    if (baseline - 11 > e.area.bottom) break;
    const TextLine& line = e.lines[k];
    const std::string shown = text.substr(line.begin, line.end - line.begin);
    d->color = item.enabled() ? 0 : kShadowColor;
    DrawDialogText(d, shown, {e.left, baseline});
    if (st.focused && from < to && from < line.end && to > line.begin) {
      const std::size_t a = std::max(from, line.begin), b = std::min(to, line.end);
      const int xa = e.left + DialogTextWidth(d, text.substr(line.begin, a - line.begin));
      const int xb = xa + DialogTextWidth(d, text.substr(a, b - a));
      d->color = kHighlightColor;
      FillDrawerRect(d, {xa, baseline - 11, std::max(xb, xa + 3), baseline + 3});
      d->color = 0xFFFFFF;
      DrawDialogText(d, text.substr(a, b - a), {xa, baseline});
    }
    if (st.focused && static_cast<std::int32_t>(k) == LineOf(e, st.caret)) {
      const std::size_t caret = std::max(st.caret, line.begin);
      const int x = e.left + DialogTextWidth(d, text.substr(line.begin, caret - line.begin));
      d->color = 0;
      FillDrawerRect(d, {x, baseline - 11, x + 1, baseline + 3});
    }
  }
  DeleteDrawer(d);
}

// A static text: its lines as laid out in the item's width (CR LF breaks a line); a text
// with room for one line only is kept on it, narrowed to fit.
void PaintStaticText(Bitmap* screen, Item& item, const host::Rect& r, const host::Rect& clip) {
  Drawer* d = NewDrawer(screen, {0, 0}, clip);
  d->color = item.enabled() ? 0 : kShadowColor;
  const std::string& text = item.text();
  const int width = Width(r);
  if (Height(r) < 2 * kDialogLineHeight) {
    const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
    const std::string line = text.substr(0, end);
    const int w = std::min(width, DialogTextWidth(d, line));
    DrawDialogTextFitted(d, line, {item.rightAligned() ? r.right - w : r.left, r.top + 10}, width);
  } else {
    int baseline = r.top + 10;
    for (const TextLine& line : LayOutDialogText(d, text, width)) {
      const std::string s = text.substr(line.begin, line.end - line.begin);
      const int x = item.rightAligned() ? r.right - DialogTextWidth(d, s) : r.left;
      DrawDialogText(d, s, {x, baseline});
      baseline += kDialogLineHeight;
    }
  }
  DeleteDrawer(d);
}

// The unit of a number typed in an item with units ("pt", "mm", ...), in grey at the
// field's right end, as the dialog manager shows it.
void PaintUnit(Bitmap* screen, const Item& item, const host::Rect& field) {
  static const struct {
    std::int32_t units;
    const char* text;
  } kUnits[] = {{host::kAdmPointUnits, "pt"},      {host::kAdmInchUnits, "in"},
                {host::kAdmMillimeterUnits, "mm"}, {host::kAdmCentimeterUnits, "cm"},
                {host::kAdmPicaUnits, "pc"},       {host::kAdmPixelUnits, "px"}};
  double value = 0;
  if (!item.showsUnits() || !item.Value(&value)) return;  // no number, no unit
  for (const auto& u : kUnits) {
    if (u.units != item.units()) continue;
    Drawer* d = NewDrawer(screen, {0, 0}, field);
    d->color = kShadowColor;
    const int w = DialogTextWidth(d, u.text);
    DrawDialogText(d, u.text, {field.right - 4 - w, field.top + (Height(field) - 12) / 2 + 10});
    DeleteDrawer(d);
    return;
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
    case ItemKind::kPopup:
    case ItemKind::kEditablePopup: {
      screen->Fill(clip, 0xFFFFFF);
      if (item.TakesTyping()) {
        Frame3d(screen, r, false);
        PaintEdit(screen, dialog, item);
        PaintUnit(screen, item, {r.left, r.top, r.right - kPopupArrowWidth, r.bottom});
        screen->Fill(
            Intersect({r.right - kPopupArrowWidth, r.top + 1, r.right - 1, r.bottom - 1}, clip),
            kFaceColor);
        Frame3d(screen, {r.right - kPopupArrowWidth, r.top + 1, r.right - 1, r.bottom - 1}, true);
      } else {
        Outline(screen, r, kShadowColor);
        Label(screen, r.left + 3, r.top + 2, item.text(), item.enabled() ? 0 : kShadowColor,
              {clip.left, clip.top, clip.right - kPopupArrowWidth, clip.bottom});
      }
      // The drop-down arrow.
      const int ax = r.right - 11, ay = r.top + Height(r) / 2 - 2;
      for (int k = 0; k < 4; ++k)
        screen->Fill({ax + k, ay + k, ax + 7 - k, ay + k + 1}, 0);
      break;
    }
    case ItemKind::kButton: {
      screen->Fill(clip, kFaceColor);
      if (dialog.modal() && item.id() == dialog.defaultItem() && !item.pictureButton()) {
        // The default button, which Return presses, in a dark frame of its own.
        Outline(screen, r, 0);
        Frame3d(screen, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, true);
      } else {
        Frame3d(screen, r, true);
      }
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
        // The caption in the middle of the button.
        Drawer* d = NewDrawer(screen, {0, 0}, clip);
        d->color = item.enabled() ? 0 : kShadowColor;
        const int w = std::min(DialogTextWidth(d, item.text()), Width(r) - 4);
        DrawDialogTextFitted(d, item.text(),
                             {r.left + (Width(r) - w) / 2, r.top + (Height(r) - 12) / 2 + 10},
                             Width(r) - 4);
        DeleteDrawer(d);
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
      PaintEdit(screen, dialog, item);
      PaintUnit(screen, item, r);
      break;
    case ItemKind::kCheckBox:
    case ItemKind::kRadio: {
      const int top = r.top + (Height(r) - 13) / 2;
      const host::Rect box{r.left, top, r.left + 13, top + 13};
      screen->Fill(box, 0xFFFFFF);
      Frame3d(screen, box, false);
      if (item.on() && item.kind() == ItemKind::kCheckBox) {
        // A check mark, two pixels thick: down to the lower third, then up to the corner.
        for (int k = 0; k < 7; ++k) {
          const int x = box.left + 3 + k;
          const int y = k < 3 ? box.top + 6 + k : box.top + 8 - (k - 2);
          screen->Fill({x, y, x + 1, y + 2}, 0);
        }
      } else if (item.on()) {  // a radio button's dot
        screen->Fill({box.left + 4, box.top + 5, box.right - 4, box.bottom - 5}, 0);
        screen->Fill({box.left + 5, box.top + 4, box.right - 5, box.bottom - 4}, 0);
      }
      Label(screen, r.left + 17, r.top + (Height(r) - 14) / 2, item.text(),
            item.enabled() ? 0 : kShadowColor, clip);
      break;
    }
    case ItemKind::kPicture:
      Picture(screen, item.pictureId(), r.left, r.top, false, clip);
      break;
    case ItemKind::kUserItem:
      break;
    default:
      PaintStaticText(screen, item, r, clip);
      break;
  }
}

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
  if (!d.modal()) {
    // The sizing grip in the lower right corner: three short diagonals.
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i <= 2 + 3 * k; ++i)
        screen->Fill(
            {b.right - 3 - 3 * k + i, b.bottom - 2 - i, b.right - 2 - 3 * k + i, b.bottom - 1 - i},
            kShadowColor);
  }
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

}  // namespace hostsim

namespace hostsim {

std::size_t EditOffsetAt(Dialog& dialog, const Item& item, host::Point p) {
  const host::Rect r = dialog.ItemScreenRect(item);
  Bitmap probe(1, 1);
  Drawer* d = NewDrawer(&probe, {0, 0}, {0, 0, 1, 1});
  const EditLayout e = LayOutEdit(d, item, r);
  const std::int32_t row = e.firstLine + (p.v - (e.baseline - 11)) / kDialogLineHeight;
  const TextLine line = e.lines[static_cast<std::size_t>(
      std::clamp<std::int32_t>(row, 0, static_cast<std::int32_t>(e.lines.size()) - 1))];
  const std::string& text = item.text();
  std::size_t best = line.begin;
  for (std::size_t at = line.begin; at <= line.end; at = NextSjisChar(text, at)) {
    const int x = e.left + DialogTextWidth(d, text.substr(line.begin, at - line.begin));
    if (x <= p.h) best = at;
    if (x > p.h || at == line.end) {
      // The nearer of the two boundaries around the point.
      if (at != best &&
          x - p.h < p.h - (e.left + DialogTextWidth(d, text.substr(line.begin, best - line.begin))))
        best = at;
      break;
    }
  }
  DeleteDrawer(d);
  return best;
}

}  // namespace hostsim
