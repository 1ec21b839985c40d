#include "gui_controller.h"

#include "placement/preview.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "hostsim/drawing/text_layout.h"
#include "hostsim/scene/scene.h"
#include "platform/sjis_forms.h"

namespace velmgui {

namespace {

constexpr int kTitleBarHeight = 15;  // the dialog manager's title bars
constexpr int kArrowWidth = 16;      // the flyout arrow at the title bar's right end
constexpr int kPopupArrowWidth = 14;
constexpr int kBandThreshold = 3;
constexpr int kGripSize = 10;  // the sizing corner of a palette
constexpr char kPaletteTimer[] = "VE-LM_timer";
constexpr char kSelectionChanged[] = "AI Art Selection Changed Notifier";

bool Inside(const host::Rect& r, host::Point p) {
  return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom;
}

void Outline(hostsim::Bitmap& screen, const host::Rect& r, std::uint32_t rgb) {
  screen.Fill({r.left, r.top, r.right, r.top + 1}, rgb);
  screen.Fill({r.left, r.bottom - 1, r.right, r.bottom}, rgb);
  screen.Fill({r.left, r.top, r.left + 1, r.bottom}, rgb);
  screen.Fill({r.right - 1, r.top, r.right, r.bottom}, rgb);
}

void Label(hostsim::Bitmap& screen, int x, int y, const std::string& sjis, std::uint32_t rgb) {
  hostsim::PrepareFonts();  // the font caches are emptied at exit
  screen.BeginCairo();
  cairo_t* cr = cairo_create(screen.surface());
  cairo_select_font_face(cr, "IPAGothic", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 12);
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                       (rgb & 0xFF) / 255.0);
  cairo_move_to(cr, x, y + 12);
  cairo_show_text(cr, hostsim::ToUtf8(sjis).c_str());
  cairo_destroy(cr);
  screen.EndCairo();
}

bool Meets(const host::RealRect& b, double l, double t, double r, double bottom) {
  const double bl = std::min(b.left, b.right), br = std::max(b.left, b.right);
  const double bb = std::min(b.top, b.bottom), bt = std::max(b.top, b.bottom);
  return bl <= r && br >= l && bb <= t && bt >= bottom;
}

template <typename Test>
std::vector<hostsim::Art*> LayerArt(hostsim::Document& doc, Test test) {
  std::vector<hostsim::Art*> found;
  for (hostsim::Layer* layer : doc.layers()) {
    if (!layer->visible || !layer->editable) continue;
    for (hostsim::Art* art : layer->group->children) {
      host::RealRect b{};
      if (art->alive && hostsim::ArtBounds(doc, art, &b) && test(b)) found.push_back(art);
    }
  }
  return found;
}

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

std::vector<hostsim::Art*> ArtAt(hostsim::Document& doc, host::RealPoint p) {
  return LayerArt(doc, [&](const host::RealRect& b) { return Meets(b, p.h, p.v, p.h, p.v); });
}

std::vector<hostsim::Art*> ArtTouching(hostsim::Document& doc, host::RealPoint a,
                                       host::RealPoint b) {
  const double l = std::min(a.h, b.h), r = std::max(a.h, b.h);
  const double bottom = std::min(a.v, b.v), t = std::max(a.v, b.v);
  return LayerArt(doc,
                  [&](const host::RealRect& bounds) { return Meets(bounds, l, t, r, bottom); });
}

std::string DropLastSjisChar(const std::string& sjis) {
  std::size_t i = 0, last = 0;
  while (i < sjis.size()) {
    last = i;
    i += IsLeadByte(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size() ? 2 : 1;
  }
  return sjis.substr(0, sjis.empty() ? 0 : last);
}

Controller::Controller(velmsession::PluginSession& session, std::string savePath)
    : session_(&session) {
  if (!savePath.empty()) {
    source_.path = std::move(savePath);
    source_.format = FormatOf(source_.path);
    source_.confirmed = false;
  }
  ResetBaseline();
}

std::string Controller::TakeStatus() {
  if (!status_.empty()) {
    message_ = status_;
    messageIsError_ = statusIsError_;
    needsRepaint_ = true;
  }
  statusIsError_ = false;
  return std::exchange(status_, {});
}

void Controller::Beep(const std::string& why) {
  host().Beep();
  status_ = why;
  statusIsError_ = true;
}

bool Controller::InDocumentWindow(host::Point p) {
  const hostsim::Window* w = host().desktop().documentWindow();
  return w && host().document() && !host().document()->views().empty() && Inside(w->client, p) &&
         !host().dialogs().FloatingAt(p);
}

host::RealPoint Controller::ToArtwork(host::Point screen) {
  const hostsim::View& view = *host().document()->views().front();
  const host::Rect& c = host().desktop().documentWindow()->client;
  return {static_cast<host::Real>(view.origin.h + (screen.h - c.left) / view.zoom),
          static_cast<host::Real>(view.origin.v - (screen.v - c.top) / view.zoom)};
}

namespace {

constexpr std::uint32_t kSelectionColour = 0x2F6FE0;

// The anchor points of `art`'s paths and of those inside it, each as a small square.
void DrawAnchors(hostsim::Bitmap& screen, const hostsim::Art* art, const hostsim::View& view,
                 const host::Rect& clip) {
  for (const host::PathSegment& segment : art->segments) {
    const host::Point v = view.ToView(segment.anchor);
    const host::Rect r{clip.left + v.h - 2, clip.top + v.v - 2, clip.left + v.h + 2,
                       clip.top + v.v + 2};
    if (r.left >= clip.left && r.top >= clip.top && r.right <= clip.right &&
        r.bottom <= clip.bottom)
      screen.Fill(r, kSelectionColour);
  }
  for (const hostsim::Art* child : art->children)
    DrawAnchors(screen, child, view, clip);
}

}  // namespace

void Controller::DrawSelection() {
  hostsim::Document* doc = host().document();
  const hostsim::Window* window = host().desktop().documentWindow();
  if (!doc || doc->views().empty() || !window) return;
  const hostsim::View& view = *doc->views().front();
  const host::Rect& clip = window->client;
  // Selected art at the top of each visible layer: its bounding box, and its anchor points,
  // as a vector editor shows a selection.
  for (hostsim::Layer* layer : doc->layers()) {
    if (!layer->visible) continue;
    for (hostsim::Art* art : layer->group->children) {
      host::RealRect b{};
      if (!art->alive || !(art->attributes & host::kArtSelected) ||
          !hostsim::ArtBounds(*doc, art, &b))
        continue;
      const host::Point a = view.ToView({b.left, b.top}), c = view.ToView({b.right, b.bottom});
      host::Rect r{clip.left + std::min(a.h, c.h), clip.top + std::min(a.v, c.v),
                   clip.left + std::max(a.h, c.h) + 1, clip.top + std::max(a.v, c.v) + 1};
      r = {std::max(r.left, clip.left), std::max(r.top, clip.top), std::min(r.right, clip.right),
           std::min(r.bottom, clip.bottom)};
      if (r.left < r.right && r.top < r.bottom) Outline(screen(), r, kSelectionColour);
      DrawAnchors(screen(), art, view, clip);
    }
  }
}

void Controller::SelectionChanged() {
  host().Notify(kSelectionChanged);
  needsRepaint_ = true;
}

// ---- The desktop ----

void Controller::MouseDown(const Input& in) {
  host().desktop().SetCursorPosition(in.p);
  StartAction();
  if (question_.open) {
    QuestionClick(in.p);
    return;
  }
  if (chooser_.open) {
    ChooserClick(in.p);
    return;
  }
  if (dropDown_.dialog) {
    DropDownClick(in.p);
    return;
  }
  if (MenuClick(in.p)) return;
  if (hostsim::Dialog* d = host().dialogs().FloatingAt(in.p)) {
    PaletteMouseDown(*d, in);
  } else if (InDocumentWindow(in.p)) {
    DocumentMouseDown(in);
  }
}

void Controller::PaletteMouseDown(hostsim::Dialog& d, const Input& in) {
  const host::Rect& b = d.screenBounds();
  if (in.p.h >= b.right - kGripSize && in.p.v >= b.bottom - kGripSize) {
    // The lower right corner sizes the palette, within its limits.
    resizing_ = &d;
    moveOffset_ = {b.right - in.p.h, b.bottom - in.p.v};
    return;
  }
  if (in.p.v < b.top) {  // the title bar: its arrow opens the flyout menu, the rest moves
    hostsim::Item* menu = d.FindItem(host::kAdmFlyoutMenuItemId);
    if (menu && menu->visible() && in.p.h >= b.right - kArrowWidth) {
      OpenDropDown(d, host::kAdmFlyoutMenuItemId, {b.right - kArrowWidth, b.top});
    } else {
      moving_ = &d;
      moveOffset_ = {in.p.h - b.left, in.p.v - b.top};
    }
    return;
  }
  for (const auto& owned : d.items()) {
    hostsim::Item& item = *owned;
    const host::Rect r = d.ItemScreenRect(item);
    if (!item.visible() || item.flyout() || !Inside(r, in.p)) continue;
    if (!item.enabled()) {
      Beep(DisabledReason(item.id(), session_->Palette().searchResults));
      return;
    }
    if (item.kind() == velm::res::ItemKind::kList) {
      if (in.p.h >= r.right - hostsim::kListScrollBarWidth) {
        // The scroll bar: a click above the middle of the list pages up, below it down.
        const std::int32_t page =
            std::max<std::int32_t>(1, (r.bottom - r.top) / item.entryHeight());
        TakeDownHoverLabel();
        d.ScrollList(item.id(), in.p.v < (r.top + r.bottom) / 2 ? -page : page);
        needsRepaint_ = true;
        return;
      }
      for (std::int32_t i = 0; i < static_cast<std::int32_t>(item.entries().size()); ++i) {
        host::Rect e{};
        if (!d.EntryScreenRect(item.id(), i, &e) || !Inside(e, in.p)) continue;
        tracking_ = {&d, item.id(), i, e};
        const Before before = Observe();
        d.TrackEntry(item.id(), i, host::kTrackMouseDown, {in.p.h - e.left, in.p.v - e.top},
                     in.time);
        // A double click opened the record dialog: the press ended there (its release went
        // to the dialog), and the list may have changed under it.
        if (modals_ != before.modals || !host().dialogs().IsFloating(&d)) tracking_ = {};
        if (modals_ != before.modals) ConfirmPalette(before);
        needsRepaint_ = true;
        return;
      }
      return;
    }
    if (item.IsPopup()) {
      OpenDropDown(d, item.id(), {r.left, r.bottom});
      return;
    }
    if (item.kind() == velm::res::ItemKind::kButton) {
      if (host().document()) host().document()->BeginUndoStep();
      const Before before = Observe();
      d.Press(item.id());
      ConfirmPalette(before);
      needsRepaint_ = true;
      return;
    }
    if (item.trackProc()) {
      d.Click(item.id(), {in.p.h - r.left, in.p.v - r.top});
      needsRepaint_ = true;
      return;
    }
  }
}

void Controller::OpenDropDown(hostsim::Dialog& d, std::int32_t itemId, host::Point at) {
  hostsim::Item* item = d.FindItem(itemId);
  if (!item || item->entries().empty()) {
    Beep("the list is empty");
    return;
  }
  int width = 120;
  for (const auto& e : item->entries())
    width = std::max(width, 16 + 7 * static_cast<int>(e->text.size()));
  const int height = dropDown_.rowHeight * static_cast<int>(item->entries().size()) + 2;
  int left = std::min(at.h, hostsim::Desktop::kScreenWidth - width);
  int top = at.v;
  // Above the item when it would leave the screen below.
  if (top + height > hostsim::Desktop::kScreenHeight)
    top = std::max(0, at.v - height - (itemId == host::kAdmFlyoutMenuItemId ? 0 : 17));
  left = std::max(left, 0);
  dropDown_ = {&d, itemId, {left, top, left + width, top + height}, dropDown_.rowHeight};
  needsRepaint_ = true;
}

bool Controller::DropDownClick(host::Point p) {
  DropDown dd = std::exchange(dropDown_, {nullptr, 0, {}, dropDown_.rowHeight});
  needsRepaint_ = true;
  if (!Inside(dd.rect, p) || !host().dialogs().IsFloating(dd.dialog)) return false;
  const std::int32_t index = (p.v - dd.rect.top - 1) / dd.rowHeight;
  if (host().document()) host().document()->BeginUndoStep();
  const Before before = Observe();
  const bool chosen = dd.item == host::kAdmFlyoutMenuItemId ? dd.dialog->ChooseFlyout(index)
                                                            : dd.dialog->Choose(dd.item, index);
  if (!chosen)
    Beep(dd.dialog->lastError());
  else
    ConfirmPalette(before);
  return chosen;
}

void Controller::DrawDropDown() {
  hostsim::Item* item = dropDown_.dialog->FindItem(dropDown_.item);
  if (!item) return;
  hostsim::Bitmap& s = screen();
  const host::Rect& r = dropDown_.rect;
  s.Fill(r, 0xFFFFFF);
  Outline(s, r, 0x404040);
  int y = r.top + 1;
  for (const auto& e : item->entries()) {
    if (e->separator) {
      s.Fill(
          {r.left + 4, y + dropDown_.rowHeight / 2, r.right - 4, y + dropDown_.rowHeight / 2 + 1},
          0x808080);
    } else {
      if (e->selected || e->checked)
        s.Fill({r.left + 1, y, r.right - 1, y + dropDown_.rowHeight}, 0xC8D4EC);
      Label(s, r.left + 8, y + 1, e->text, e->enabled ? 0 : 0x808080);
    }
    y += dropDown_.rowHeight;
  }
}

void Controller::DocumentMouseDown(const Input& in) {
  hostsim::Document& doc = *host().document();
  const std::vector<hostsim::Art*> hit = ArtAt(doc, ToArtwork(in.p));
  if (hit.empty()) {  // a rubber band, or a click that deselects
    banding_ = true;
    bandShift_ = in.shift;
    bandFrom_ = bandTo_ = in.p;
    return;
  }
  // The smallest art whose bounds hold the point (the topmost of equals), so that a frame
  // around other art does not take every click inside it.
  hostsim::Art* art = hit.front();
  double best = -1;
  for (hostsim::Art* a : hit) {
    host::RealRect b{};
    hostsim::ArtBounds(doc, a, &b);
    const double area = std::abs(static_cast<double>(b.right - b.left) * (b.top - b.bottom));
    if (best < 0 || area < best) {
      best = area;
      art = a;
    }
  }
  if (!in.shift) doc.DeselectAll();
  doc.Select(art, !(in.shift && (art->attributes & host::kArtSelected) != 0));
  SelectionChanged();
}

void Controller::MouseMove(const Input& in, bool held) {
  host().desktop().SetCursorPosition(in.p);
  lastTime_ = in.time;
  if (!held) return;
  if (tracking_.dialog) {
    if (!host().dialogs().IsFloating(tracking_.dialog)) {
      tracking_ = {};
      return;
    }
    tracking_.dialog->TrackEntry(tracking_.item, tracking_.entry, host::kTrackMouseMovedDown,
                                 {in.p.h - tracking_.rect.left, in.p.v - tracking_.rect.top},
                                 in.time);
  } else if (resizing_ && host().dialogs().IsFloating(resizing_)) {
    const host::Rect& b = resizing_->screenBounds();
    resizing_->SetScreenBounds({b.left, b.top, in.p.h + moveOffset_.h, in.p.v + moveOffset_.v});
    needsRepaint_ = true;
  } else if (moving_ && host().dialogs().IsFloating(moving_)) {
    const host::Rect& b = moving_->screenBounds();
    const int left = in.p.h - moveOffset_.h, top = in.p.v - moveOffset_.v;
    moving_->SetScreenBounds({left, top, left + b.right - b.left, top + b.bottom - b.top});
    needsRepaint_ = true;
  } else if (banding_) {
    bandTo_ = in.p;
    needsRepaint_ = true;
  }
}

void Controller::FinishBand(const Input& in) {
  banding_ = false;
  needsRepaint_ = true;
  hostsim::Document* doc = host().document();
  if (!doc || doc->views().empty()) return;
  const bool moved = std::abs(in.p.h - bandFrom_.h) >= kBandThreshold ||
                     std::abs(in.p.v - bandFrom_.v) >= kBandThreshold;
  if (!bandShift_) doc->DeselectAll();
  if (moved)
    for (hostsim::Art* art : ArtTouching(*doc, ToArtwork(bandFrom_), ToArtwork(in.p)))
      doc->Select(art, true);
  SelectionChanged();
}

void Controller::MouseUp(const Input& in) {
  host().desktop().SetCursorPosition(in.p);
  if (tracking_.dialog) {
    const Tracking t = std::exchange(tracking_, {});
    if (!host().dialogs().IsFloating(t.dialog)) return;
    // The drop changes the document outside a message: the host opens the undo step.
    if (host().document()) host().document()->BeginUndoStep();
    const Before before = Observe();
    const int snap = session_->lastSnapKind();
    t.dialog->TrackEntry(t.item, t.entry, host::kTrackMouseUp,
                         {in.p.h - t.rect.left, in.p.v - t.rect.top}, in.time);
    ConfirmDrop(before, t.entry, snap);
    needsRepaint_ = true;
  } else if (moving_) {
    moving_ = nullptr;
  } else if (resizing_) {
    // The plug-in lays its items out for the new size at its next tick: at once.
    resizing_ = nullptr;
    host().SendTimerTick(kPaletteTimer);
    needsRepaint_ = true;
  } else if (banding_) {
    FinishBand(in);
  }
}

namespace {

// The list box of palette `d` under screen point `p`, or null.
hostsim::Item* ListAt(hostsim::Dialog& d, host::Point p) {
  for (const auto& owned : d.items()) {
    hostsim::Item& item = *owned;
    if (item.visible() && item.kind() == velm::res::ItemKind::kList && !item.flyout() &&
        Inside(d.ItemScreenRect(item), p))
      return &item;
  }
  return nullptr;
}

}  // namespace

void Controller::Wheel(const Input& in, int steps) {
  if (hostsim::Dialog* d = host().dialogs().FloatingAt(in.p)) {
    // Over a palette's list, the wheel scrolls the list (three rows a notch, as usual).
    if (hostsim::Item* list = ListAt(*d, in.p); list && steps != 0) {
      TakeDownHoverLabel();
      d->ScrollList(list->id(), -3 * steps);
      needsRepaint_ = true;
    }
    return;
  }
  hostsim::Document* doc = host().document();
  if (!doc || doc->views().empty() || !InDocumentWindow(in.p) || steps == 0) return;
  hostsim::View& view = *doc->views().front();
  if (in.ctrl) {  // zoom about the cursor
    const host::RealPoint fixed = ToArtwork(in.p);
    const double zoom = std::clamp(view.zoom * std::pow(1.25, steps), 0.05, 64.0);
    view.zoom = static_cast<host::Real>(zoom);
    const host::RealPoint moved = ToArtwork(in.p);
    view.origin.h += fixed.h - moved.h;
    view.origin.v += fixed.v - moved.v;
  } else {
    const double pixels = 40.0 * steps;
    if (in.shift)
      view.origin.h -= static_cast<host::Real>(pixels / view.zoom);
    else
      view.origin.v += static_cast<host::Real>(pixels / view.zoom);
  }
  needsRepaint_ = true;
}

void Controller::KeyPress(Key key) {
  StartAction();
  hostsim::Document* doc = host().document();
  switch (key) {
    case Key::kUndo:
    case Key::kRedo:
      if (!doc || !(key == Key::kUndo ? doc->Undo() : doc->Redo()))
        Beep(key == Key::kUndo ? "nothing to undo" : "nothing to redo");
      else
        SelectionChanged();  // the step may have selected or deselected art
      needsRepaint_ = true;
      break;
    case Key::kSave:
      Save();
      break;
    case Key::kEscape:
      if (tracking_.dialog) {
        CancelDrag();
      } else if (dropDown_.dialog) {
        dropDown_.dialog = nullptr;
        needsRepaint_ = true;
      }
      break;
    default:
      break;
  }
}

void Controller::CancelDrag() {
  const Tracking t = std::exchange(tracking_, {});
  if (!host().dialogs().IsFloating(t.dialog)) return;
  // The outline is taken off the screen (a move to the coordinate that erases it) and no
  // release follows, so nothing is dropped: the palette's next press starts afresh.
  const host::Point erase{velm::kEraseCoordinate, velm::kEraseCoordinate};
  t.dialog->TrackEntry(t.item, t.entry, host::kTrackMouseMovedDown,
                       {erase.h - t.rect.left, erase.v - t.rect.top}, lastTime_);
  needsRepaint_ = true;
}

void Controller::Advance(std::int64_t ticks) {
  if (ticks <= 0 || tracking_.dialog) return;
  host().AdvanceClock(ticks);
  // The label shows while the cursor is over a list, and goes at the first tick after.
  if (CursorOverList()) {
    labelMayShow_ = true;
    ticksOffList_ = 0;
  } else if ((ticksOffList_ += ticks) > 2 * 30) {
    labelMayShow_ = false;
  }
  if (library_.empty() || (ticksSinceLook_ += ticks) < 60) return;
  ticksSinceLook_ = 0;
  std::string seen;
  std::error_code ec;
  for (const std::filesystem::path& folder :
       {std::filesystem::path(library_), std::filesystem::path(library_) / "VELM"}) {
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      const auto time = std::filesystem::last_write_time(it->path(), ec);
      const auto size = it->is_regular_file(ec) ? std::filesystem::file_size(it->path(), ec) : 0;
      seen += it->path().filename().string() + ':' +
              std::to_string(time.time_since_epoch().count()) + ':' + std::to_string(size) + '\n';
    }
  }
  if (seen != librarySeen_ && !librarySeen_.empty()) {
    for (const auto& d : host().dialogs().floating())
      d->dirty = true;
  }
  librarySeen_ = std::move(seen);
}

void Controller::WatchLibrary(std::string folder) {
  library_ = std::move(folder);
  librarySeen_.clear();
  ticksSinceLook_ = 60;
}

bool Controller::CursorOverList() {
  const host::Point p = host().desktop().cursor();
  hostsim::Dialog* d = host().dialogs().FloatingAt(p);
  return d && ListAt(*d, p);
}

void Controller::TakeDownHoverLabel() {
  if (!labelMayShow_) return;
  labelMayShow_ = false;
  const host::Point cursor = host().desktop().cursor();
  host().desktop().SetCursorPosition({0, 0});
  host().SendTimerTick(kPaletteTimer);
  host().desktop().SetCursorPosition(cursor);
}

void Controller::Refresh() {
  // While an entry is tracked the plug-in draws its outline on the screen itself.
  if (tracking_.dialog) return;
  if (dropDown_.dialog && !host().dialogs().IsFloating(dropDown_.dialog))
    dropDown_.dialog = nullptr;
  if (!needsRepaint_ && !host().dialogs().AnyDirty()) return;
  TakeDownHoverLabel();
  needsRepaint_ = false;
  host().desktop().Repaint(host().document());
  DrawSelection();
  host().dialogs().PaintFloating(&screen());
  if (dropDown_.dialog) DrawDropDown();
  if (banding_) {
    const host::Rect r{std::min(bandFrom_.h, bandTo_.h), std::min(bandFrom_.v, bandTo_.v),
                       std::max(bandFrom_.h, bandTo_.h) + 1, std::max(bandFrom_.v, bandTo_.v) + 1};
    Outline(screen(), r, 0x3050C0);
  }
  DrawChrome();
}

}  // namespace velmgui
