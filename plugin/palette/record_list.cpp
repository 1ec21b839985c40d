#include "palette/record_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "actions/actions.h"
#include "commands/commands.h"
#include "database/busy.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_index.h"
#include "database/record_time.h"
#include "database/text_match.h"
#include "frame/globals.h"
#include "frame/host_entry.h"
#include "frame/suites.h"
#include "palette/palette_window.h"
#include "palette/thumbnail_cache.h"
#include "placement/art_loader.h"
#include "placement/preview.h"
#include "placement/snap_snapshot.h"
#include "platform/gui.h"
#include "platform/memory.h"

namespace velm {
namespace {

constexpr std::int32_t kThumbnailSide = 128;
constexpr std::int32_t kMaxCells = 64;
constexpr char kEllipsis[] = "...";
constexpr char kUntitled[] = "Untitled";
constexpr std::int32_t kLabelTextSize = 80;

// One tracker event as the list handles it.
struct ListEvent {
  std::int32_t x, y, action;
  std::uint32_t time;
  std::int32_t position;
};

host::ListRef ListOf(host::EntryRef entry) {
  return entry ? sAdmEntry->GetList(entry) : nullptr;
}

bool HasDocumentView() {
  std::int32_t views = 0;
  return sDocumentView && !sDocumentView->CountDocumentViews(&views) && views > 0;
}

void Press(host::ListRef list, const ListEvent& e) {
  Globals* g = gGlobals;
  host::EntryRef entry = sAdmList->IndexEntry(list, e.position);
  if (!entry) return;
  host::EntryRef first = sAdmList->IndexSelectedEntry(list, 0);
  const bool changed = first != entry;
  if (changed) {
    if (first) sAdmEntry->Select(first, 0);
    sAdmEntry->Select(entry, 1);
  }
  g->downPoint = {e.x, e.y};
  g->dragging = 0;
  // No first click is pending (0) after a double click, a drag or at the start: a press
  // then starts anew whatever the clock says (it may itself read less than 2000).
  if (changed || g->lastClickTime == 0 || e.time - g->lastClickTime >= kDoubleClickTime) {
    g->dragArmed = 1;
    g->lastClickTime = e.time;
  } else {
    g->dragArmed = 0;
    g->lastClickTime = 0;
    char group[64];
    std::int32_t number = 0;
    GetRIHItem(e.position, group, number);
    SetRecord(group, number, nullptr, nullptr, nullptr, nullptr, true);
  }
  g->dropPoint = {kNoDropPoint, kNoDropPoint};
  g->lastSnapKind = -1;
  EndDragSnapshot();  // left over from a drag whose release never came
}

void Move(host::ListRef list, const ListEvent& e) {
  Globals* g = gGlobals;
  if (!g->dragArmed || !HasDocumentView()) return;
  if (std::abs(g->downPoint.h - e.x) <= kDragThreshold &&
      std::abs(g->downPoint.v - e.y) <= kDragThreshold)
    return;
  host::EntryRef entry = sAdmList->IndexEntry(list, e.position);
  if (!entry) return;
  host::Point p{e.x, e.y};
  sAdmEntry->LocalToScreenPoint(entry, &p);
  char group[64];
  std::int32_t number = 0;
  GetRIHItem(e.position, group, number);
  // The drag starts: what snapping needs from the document is collected once for it. A
  // press that became a drag is no first click: the next press is not a double click.
  if (!g->dragging) {
    BeginDragSnapshot();
    g->lastClickTime = 0;
  }
  VelmDrawArt(p.h, p.v, group, number);
  g->dragging = 1;
}

void Release(const ListEvent& e) {
  Globals* g = gGlobals;
  EndDragSnapshot();  // the drop changes the document
  if (!g->dragArmed || !g->dragging) return;
  char group[64];
  std::int32_t number = 0;
  GetRIHItem(e.position, group, number);
  VelmDrawArt(kEraseCoordinate, kEraseCoordinate, group, number);
  BeginBusy();
  const host::Err placed = VelmLoadArt(group, number);
  EndBusy();
  // A drop that placed nothing (the loader has beeped) is not an operation to replay.
  if (placed == host::kNoErr) RecordAction(kPlaceArtAction, group, number);
  g->dragArmed = 0;
  g->dragging = 0;
}

void Handle(host::ListRef list, const ListEvent& e) {
  switch (e.action) {
    case host::kTrackMouseDown:
      Press(list, e);
      break;
    case host::kTrackMouseMovedDown:
      Move(list, e);
      break;
    case host::kTrackMouseUp:
      Release(e);
      break;
    default:
      break;
  }
}

// ---- Drawing ----

struct DrawerText {
  host::DrawerRef drawer;
};

std::int32_t DrawerTextWidth(const char* text, void* context) {
  return sAdmDrawer->GetTextWidth(static_cast<DrawerText*>(context)->drawer, text);
}

void Fill(host::DrawerRef drawer, const host::Rect& r, std::uint16_t red, std::uint16_t green,
          std::uint16_t blue) {
  const host::AdmRgbColor c{red, green, blue};
  sAdmDrawer->SetRGBColor(drawer, &c);
  sAdmDrawer->FillRect(drawer, &r);
}

void Outline(host::DrawerRef drawer, const host::Rect& r, std::uint16_t level) {
  const host::AdmRgbColor c{level, level, level};
  sAdmDrawer->SetRGBColor(drawer, &c);
  sAdmDrawer->DrawRect(drawer, &r);
}

void Shrink(host::Rect& r, std::int32_t by) {
  r.left += by;
  r.top += by;
  r.right -= by;
  r.bottom -= by;
}

// The thumbnail reduced into `img` by averaging the source pixels that fall in each cell.
void DrawThumbnail(host::DrawerRef drawer, const std::uint8_t* pixels, const host::Rect& img) {
  const std::int32_t h = std::min<std::int32_t>(img.bottom - img.top, kMaxCells);
  const std::int32_t w = std::min<std::int32_t>(img.right - img.left, kMaxCells);
  if (h <= 0 || w <= 0) return;
  struct Cell {
    std::uint32_t count, red, green, blue;
  };
  Cell cells[kMaxCells * kMaxCells];
  for (std::int32_t i = 0; i < h * kMaxCells; ++i)
    cells[i] = {};
  // The cell column of each source column, worked out once for all rows.
  std::int32_t columnOf[kThumbnailSide];
  for (std::int32_t sx = 0; sx < kThumbnailSide; ++sx)
    columnOf[sx] = std::min(sx * w / (kThumbnailSide - 1), w - 1);
  for (std::int32_t sy = 0; sy < kThumbnailSide; ++sy) {
    Cell* row = cells + std::min(sy * h / (kThumbnailSide - 1), h - 1) * kMaxCells;
    const std::uint8_t* p = pixels + sy * kThumbnailSide * 4;
    for (std::int32_t sx = 0; sx < kThumbnailSide; ++sx, p += 4) {
      Cell& c = row[columnOf[sx]];
      ++c.count;
      c.red += p[1];
      c.green += p[2];
      c.blue += p[3];
    }
  }
  gui::ContextHandle port = sAdmDrawer->GetPlatformPort(drawer);
  if (!port) return;
  for (std::int32_t row = 0; row < h; ++row)
    for (std::int32_t column = 0; column < w; ++column) {
      const Cell& c = cells[row * kMaxCells + column];
      const std::uint32_t n = c.count ? c.count : 1;
      gui::SetPixel(port, img.left + column, img.top + row,
                    gui::Rgb(static_cast<int>(c.red / n), static_cast<int>(c.green / n),
                             static_cast<int>(c.blue / n)));
    }
}

// A field of `size` bytes as a terminated text of at most `size` bytes, with room for
// "..." behind it.
void FieldText(const char* field, std::size_t size, char* out) {
  std::size_t n = 0;
  while (n < size && field[n])
    ++n;
  std::memcpy(out, field, n);
  out[n] = '\0';
}

void DrawColumn(host::DrawerRef drawer, char* text, std::int32_t fit, std::int32_t x,
                std::int32_t y, bool selected, bool sortColumn) {
  if (fit > 0) {
    DrawerText context{drawer};
    FitText(text, fit, DrawerTextWidth, &context);
  }
  sAdmDrawer->SetColor(drawer,
                       selected && !sortColumn ? host::kAdmHiliteTextColor : host::kAdmTextColor);
  const host::Point at{x, y};
  sAdmDrawer->DrawText(drawer, text, &at);
}

void DrawListColumns(host::DrawerRef drawer, const Record& header, const host::Rect& img,
                     bool selected) {
  const Globals* g = gGlobals;
  const std::int32_t x = img.right + 5, y = img.bottom - 2;
  char name[sizeof header.name + sizeof kEllipsis];
  FieldText(header.name, sizeof header.name, name);
  if (!name[0]) std::strcpy(name, kUntitled);
  DrawColumn(drawer, name, 140, x, y, selected, g->sortMode == kSortByName);
  char kind[sizeof header.kind + sizeof kEllipsis];
  FieldText(header.kind, sizeof header.kind, kind);
  DrawColumn(drawer, kind, 90, x + 150, y, selected, g->sortMode == kSortByKind);
  char date[kRecordDateTextSize + 8];
  FormatRecordDate(header.created, date, sizeof date);
  DrawColumn(drawer, date, 0, x + 250, y, selected, g->sortMode == kSortByDate);
  char comment[sizeof header.comment + sizeof kEllipsis];
  FieldText(header.comment, sizeof header.comment, comment);
  DrawColumn(drawer, comment, 240, x + 350, y, selected, false);
}

// The entry's picture: in the list view the row's grey, the sort column's band and the
// framed thumbnail with the text columns beside it; in the icon views the thumbnail.
void DrawRecord(host::DrawerRef drawer, const CachedThumbnail& record, const host::Rect& r,
                bool selected) {
  const Globals* g = gGlobals;
  host::Rect img = r;
  if (g->toolMode == 3) {
    img = {r.left, r.top, r.left + (r.bottom - r.top), r.bottom};
    Shrink(img, 1);
    if (!selected)
      Fill(drawer, {r.left + 1, img.top, r.right - 1, img.bottom}, 0xEEEE, 0xEEEE, 0xEEEE);
    const std::int32_t bands[4] = {img.left, img.right + 148, img.right + 248, img.right + 348};
    const int sort = g->sortMode >= 0 && g->sortMode <= 2 ? g->sortMode : 0;
    Fill(drawer, {bands[sort], img.top, bands[sort + 1], img.bottom}, 0xCCCC, 0xCCCC, 0xCCCC);
    Shrink(img, 1);
    Outline(drawer, img, 0);
    Shrink(img, 1);
  }
  DrawThumbnail(drawer, record.pixels, img);
  if (g->toolMode == 3) DrawListColumns(drawer, record.header, img, selected);
}

void ReleaseSavedLabel() {
  Globals* g = gGlobals;
  if (!g->labelSavedPort) return;
  auto port = static_cast<gui::ContextHandle>(g->labelSavedPort);
  gui::Select(port, g->labelPreviousBitmap);
  gui::DeleteObject(g->labelSavedBitmap);
  gui::DeleteContext(port);
  g->labelSavedPort = nullptr;
  g->labelSavedBitmap = nullptr;
  g->labelPreviousBitmap = nullptr;
}

}  // namespace

void FitText(char* text, std::int32_t limit, std::int32_t (*width)(const char* text, void* context),
             void* context) {
  if (width(text, context) <= limit) return;
  const std::int32_t ellipsis = width(kEllipsis, context);
  auto length = static_cast<std::int32_t>(std::strlen(text));
  while (length > 0) {
    --length;
    text[length] = '\0';
    // The byte now last may be the first half of a double-byte character.
    if (length > 0 && ShiftJisByteClass(text, length - 1) == 1) text[--length] = '\0';
    if (width(text, context) + ellipsis < limit) break;
  }
  std::strcat(text, kEllipsis);
}

host::Boolean ImageItemTrackProc(host::EntryRef entry, host::TrackerRef tracker) {
  Globals* g = gGlobals;
  host::TrackerEvent event{};
  if (!g || sAdmTracker->GetTrackerEvent(tracker, &event)) return 1;
  host::ListRef list = ListOf(entry);
  const ListEvent e{event.point.h, event.point.v, event.action, event.time,
                    sAdmEntry->GetIndex(entry)};
  if (g->tracking) {
    if (g->trackQueueCount < kTrackQueueLength) {
      std::int32_t* slot = g->trackQueue[g->trackQueueCount++];
      slot[0] = e.x;
      slot[1] = e.y;
      slot[2] = e.action;
      slot[3] = static_cast<std::int32_t>(e.time);
      slot[4] = e.position;
    }
    return 1;
  }
  const ScopedFlag tracking(g->tracking);  // cleared however the handling ends
  g->trackQueueCount = 0;
  Handle(list, e);
  while (g->trackQueueCount > 0) {
    const std::int32_t* first = g->trackQueue[0];
    const ListEvent queued{first[0], first[1], first[2], static_cast<std::uint32_t>(first[3]),
                           first[4]};
    --g->trackQueueCount;
    std::memmove(g->trackQueue[0], g->trackQueue[1],
                 sizeof g->trackQueue[0] * static_cast<std::size_t>(g->trackQueueCount));
    Handle(list, queued);
  }
  return 1;
}

void ImageItemDrawProc(host::EntryRef entry, host::DrawerRef drawer) {
  const Globals* g = gGlobals;
  if (!g) return;
  sAdmEntry->DefaultDraw(entry, drawer);
  host::Rect r{};
  sAdmEntry->GetLocalRect(entry, &r);
  r.right -= 1;
  r.bottom -= 1;
  const bool selected = sAdmEntry->IsSelected(entry) != 0;

  char group[64];
  std::int32_t number = 0;
  GetRIHItem(sAdmEntry->GetIndex(entry), group, number);
  // A record that cannot be read draws as a zero record: a black thumbnail, "Untitled".
  // One for which memory cannot be had is painted green and only marked when selected.
  static const CachedThumbnail kUnreadable{};
  bool noMemory = false;
  const CachedThumbnail* cached = CachedRecordThumbnail(group, number, &noMemory);
  if (cached || !noMemory)
    DrawRecord(drawer, cached ? *cached : kUnreadable, r, selected);
  else
    Fill(drawer, r, 0, 0xFFFF, 0);

  if (selected) {
    if (g->toolMode == 3) {
      host::Rect bounds{};
      sAdmItem->GetBoundsRect(sAdmDialog->GetItem(g->palette, kRecordListItem), &bounds);
      Outline(drawer, {r.left, r.top, r.left + (bounds.right - bounds.left) - 17, r.bottom},
              0xFFFF);
    } else {
      Outline(drawer, r, 0xFFFF);
      Shrink(r, 1);
      Outline(drawer, r, 0);
    }
  }
}

void UpdateHoverLabel(host::DialogRef dialog) {
  Globals* g = gGlobals;
  if (!g || !dialog) return;
  host::ItemRef item = sAdmDialog->GetItem(dialog, kRecordListItem);
  host::ListRef list = item ? sAdmItem->GetList(item) : nullptr;
  if (!list) return;
  host::Point cursor{};
  if (!gui::CursorPosition(&cursor)) return;

  char label[kLabelTextSize] = "";
  host::Point anchor{cursor.h, cursor.v};
  if (g->toolMode != 3) {
    host::Rect area{};
    sAdmItem->GetLocalRect(item, &area);
    sAdmItem->LocalToScreenRect(item, &area);
    if (cursor.h >= area.left && cursor.h <= area.right && cursor.v >= area.top &&
        cursor.v <= area.bottom) {
      const std::int32_t n = sAdmList->NumberOfEntries(list);
      for (std::int32_t i = 0; i < n; ++i) {
        host::EntryRef e = sAdmList->IndexEntry(list, i);
        host::Rect r{};
        sAdmEntry->GetLocalRect(e, &r);
        sAdmEntry->LocalToScreenRect(e, &r);
        if (cursor.h < r.left || cursor.h >= r.right || cursor.v < r.top || cursor.v >= r.bottom)
          continue;
        anchor = {cursor.h, r.bottom};
        if (!g->RIHList) BuildRIHList(g->currentGroup);
        if (i < RIHCount(g->RIHList)) {
          const RIHItem& rih = RIHItems(g->RIHList)[i];
          std::size_t k = 0;
          for (; k < kLabelTextSize - 1 && k < sizeof rih.name && rih.name[k]; ++k)
            label[k] = static_cast<unsigned char>(rih.name[k]) < 0x20 ? ' ' : rih.name[k];
          label[k] = '\0';
        }
        break;
      }
    }
  }
  if (std::strcmp(label, g->lastLabel) != 0) {
    DrawHoverLabel(label, anchor.h, anchor.v);
    std::memcpy(g->lastLabel, label, sizeof g->lastLabel);
  }
}

void DrawHoverLabel(const char* text, std::int32_t x, std::int32_t y) {
  Globals* g = gGlobals;
  if (!g || !text) return;
  const auto length = static_cast<std::int32_t>(std::strlen(text));
  host::Rect rect{0, 0, 6 * length + 4, 16};
  gui::ContextHandle screen = gui::GetWindowContext(nullptr);
  if (!screen) return;
  if (g->labelSavedPort) {
    const host::Rect& saved = g->labelRect;
    gui::CopyPixels(screen, saved.left, saved.top, saved.right - saved.left,
                    saved.bottom - saved.top, static_cast<gui::ContextHandle>(g->labelSavedPort), 0,
                    0);
    ReleaseSavedLabel();
  }
  if (length > 0) {
    const std::int32_t w = 6 * length + 5, h = 17;
    const std::int32_t left = std::max(x - w / 2, 0);
    const std::int32_t top = std::max(y, 0);
    rect = {left, top, left + rect.right, top + rect.bottom};
    g->labelRect = rect;
    gui::ContextHandle memory = gui::CreateMemoryContext(screen);
    gui::ObjectHandle bitmap = memory ? gui::CreateBitmap(screen, w, h) : nullptr;
    if (bitmap) {
      g->labelSavedPort = memory;
      g->labelSavedBitmap = bitmap;
      g->labelPreviousBitmap = gui::Select(memory, bitmap);
      gui::CopyPixels(memory, 0, 0, w, h, screen, left, top);
    } else if (memory) {
      gui::DeleteContext(memory);
    }
    gui::ObjectHandle font = gui::CreateTextFont(12, gui::kShiftJisCharset, "ＭＳ ゴシック");
    gui::ObjectHandle oldPen = gui::Select(screen, gui::StockObject(gui::kStockBlackPen));
    gui::ObjectHandle oldBrush = gui::Select(screen, gui::StockObject(gui::kStockBlackBrush));
    gui::ObjectHandle oldFont = font ? gui::Select(screen, font) : nullptr;
    gui::ObjectHandle fill = gui::CreateBrush(gui::Rgb(255, 248, 144));
    gui::FillRect(screen, rect, fill);
    gui::DeleteObject(fill);
    gui::SetBackgroundMode(screen, gui::kBackgroundTransparent);
    gui::SetTextColor(screen, gui::Rgb(0, 0, 0));
    gui::DrawTextAt(screen, left + 2, top + 2, text, length);
    gui::FrameRect(screen, rect, gui::StockObject(gui::kStockBlackBrush));
    gui::Select(screen, oldPen);
    gui::Select(screen, oldBrush);
    if (font) {
      gui::Select(screen, oldFont);
      gui::DeleteObject(font);
    }
  }
  gui::ReleaseWindowContext(nullptr, screen);
}

void ReleaseHoverLabel() {
  if (gGlobals) ReleaseSavedLabel();
}

}  // namespace velm
