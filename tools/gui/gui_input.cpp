#include "gui_controller.h"
#include "gui_controller_p.h"

#include "palette/palette_window.h"
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

// The desktop under the mouse and the keyboard: palettes, their lists and menus, the
// document window (clicks, rubber bands, drags of records, scrolling and zooming), keys
// and the timer.

void Controller::MouseDown(const Input& in) {
  host().desktop().SetCursorPosition(in.p);
  lastTime_ = in.time;
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
    keysTo_ = d;  // the palette clicked last takes the keys
    PaletteMouseDown(*d, in);
  } else if (InDocumentWindow(in.p)) {
    keysTo_ = nullptr;
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
  // Art inside the layers, the smallest whose bounds hold the point, so that a frame around
  // other art does not take every click inside it (see PickArt).
  hostsim::Art* art = PickArt(ArtChainAt(doc, ToArtwork(in.p)), in.alt, in.clicks);
  if (!art || in.ctrl) {  // a rubber band (with Ctrl over art too), or a click that deselects
    banding_ = true;
    bandShift_ = in.shift;
    bandFrom_ = bandTo_ = in.p;
    return;
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

void Controller::KeyPress(Key key, bool shift) {
  StartAction();
  hostsim::Document* doc = host().document();
  if (keysTo_ && !host().dialogs().IsFloating(keysTo_)) keysTo_ = nullptr;
  if (keysTo_ && PaletteKey(*keysTo_, key)) return;
  switch (key) {
    case Key::kUndo:
    case Key::kRedo: {
      const bool redo = key == Key::kRedo;
      const std::string step = !doc ? std::string() : redo ? doc->redoText() : doc->undoText();
      if (!doc || !(redo ? doc->Redo() : doc->Undo())) {
        Beep(redo ? "nothing to redo" : "nothing to undo");
      } else {
        SelectionChanged();  // the step may have selected or deselected art
        Tell(DescribeUndo(redo, step));
      }
      needsRepaint_ = true;
      break;
    }
    case Key::kSave:
      Save();
      break;
    case Key::kDelete:
      DeleteSelection();
      break;
    case Key::kLeft:
    case Key::kRight:
    case Key::kUp:
    case Key::kDown: {
      // One point a press, ten with Shift; up is up on the page (artwork y grows upwards).
      const host::Real step = shift ? 10 : 1;
      const host::Real dx = key == Key::kLeft ? -step : key == Key::kRight ? step : 0;
      const host::Real dy = key == Key::kUp ? step : key == Key::kDown ? -step : 0;
      Nudge(dx, dy);
      break;
    }
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

namespace {

// The selected top-level art of the editable, visible layers.
std::vector<hostsim::Art*> SelectedArt(hostsim::Document& doc) {
  std::vector<hostsim::Art*> art;
  for (hostsim::Layer* layer : doc.layers()) {
    if (!layer->visible || !layer->editable) continue;
    for (hostsim::Art* a : layer->group->children)
      if (a->alive && (a->attributes & host::kArtSelected) && doc.Editable(a)) art.push_back(a);
  }
  return art;
}

}  // namespace

void Controller::DeleteSelection() {
  hostsim::Document* doc = host().document();
  const std::vector<hostsim::Art*> art = doc ? SelectedArt(*doc) : std::vector<hostsim::Art*>{};
  if (art.empty()) {
    Beep("select art to delete");
    return;
  }
  doc->BeginUndoStep();
  for (hostsim::Art* a : art)
    doc->Dispose(a);
  doc->SetUndoTexts("Undo Delete", "Redo Delete");
  doc->BeginUndoStep();
  SelectionChanged();
  Tell("deleted " + std::to_string(art.size()) + (art.size() == 1 ? " object" : " objects"));
}

void Controller::Nudge(host::Real dx, host::Real dy) {
  hostsim::Document* doc = host().document();
  const std::vector<hostsim::Art*> art = doc ? SelectedArt(*doc) : std::vector<hostsim::Art*>{};
  if (art.empty()) {
    Beep("select art to move");
    return;
  }
  // Each press is a step of its own.
  doc->BeginUndoStep();
  const host::RealMatrix m{1, 0, 0, 1, dx, dy};
  for (hostsim::Art* a : art)
    doc->ChangingTree(a);
  for (hostsim::Art* a : art)
    hostsim::TransformArtGeometry(a, m, 1,
                                  host::kTransformObjects | host::kTransformFillGradients |
                                      host::kTransformFillPatterns |
                                      host::kTransformStrokePatterns);
  doc->SetUndoTexts("Undo Move", "Redo Move");
  doc->BeginUndoStep();
  needsRepaint_ = true;
}

bool Controller::PaletteKey(hostsim::Dialog& d, Key key) {
  hostsim::Item* list = d.FindItem(velm::kRecordListItem);
  if (!list || !list->visible()) return false;
  const auto count = static_cast<std::int32_t>(list->entries().size());
  std::int32_t selected = -1;
  for (std::int32_t i = 0; i < count && selected < 0; ++i)
    if (list->entries()[static_cast<std::size_t>(i)]->selected) selected = i;
  switch (key) {
    case Key::kUp:
    case Key::kDown:
    case Key::kLeft:
    case Key::kRight: {
      // The list box moves its selection, as the host's list does under the arrow keys;
      // the plug-in reads it at its next tick (the remove button follows it).
      if (count == 0) return true;
      const bool back = key == Key::kUp || key == Key::kLeft;
      const std::int32_t to = selected < 0 ? (back ? count - 1 : 0)
                                           : std::clamp(selected + (back ? -1 : 1), 0, count - 1);
      for (const auto& e : list->entries())
        e->selected = false;
      list->entries()[static_cast<std::size_t>(to)]->selected = true;
      host::Rect shown{}, r = d.ItemScreenRect(*list);
      if (!d.EntryScreenRect(list->id(), to, &shown) || shown.top < r.top ||
          shown.bottom > r.bottom)
        d.ScrollList(list->id(), to > selected ? 1 : -1);
      TakeDownHoverLabel();
      host().SendTimerTick(kPaletteTimer);
      d.dirty = true;
      needsRepaint_ = true;
      return true;
    }
    case Key::kReturn: {
      // Opens the selected record as a double click on it does.
      host::Rect e{};
      if (selected < 0 || !d.EntryScreenRect(list->id(), selected, &e)) {
        Beep("select a record to open");
        return true;
      }
      const Before before = Observe();
      const host::Point at{2, 2};
      const std::uint32_t t = (lastTime_ += 10000);
      for (std::uint32_t k = 0; k < 2 && modals_ == before.modals; ++k) {
        d.TrackEntry(list->id(), selected, host::kTrackMouseDown, at, t + k);
        if (host().dialogs().IsFloating(&d) && modals_ == before.modals)
          d.TrackEntry(list->id(), selected, host::kTrackMouseUp, at, t + k);
      }
      if (modals_ != before.modals) ConfirmPalette(before);
      needsRepaint_ = true;
      return true;
    }
    case Key::kDelete: {
      // The remove button's press: the plug-in asks first.
      host().SendTimerTick(kPaletteTimer);
      hostsim::Item* remove = d.FindItem(velm::kRemoveButtonItem);
      if (!remove || !remove->enabled()) {
        Beep(DisabledReason(velm::kRemoveButtonItem, session_->Palette().searchResults));
        return true;
      }
      if (host().document()) host().document()->BeginUndoStep();
      const Before before = Observe();
      d.Press(velm::kRemoveButtonItem);
      ConfirmPalette(before);
      needsRepaint_ = true;
      return true;
    }
    default:
      return false;
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
