// The person at the screen in a modal dialog: the focus and clicks on its items (a
// popup's list opened), typing with a caret and a selection in edit texts, Return and
// Escape, and the sign of a value the plug-in refused.
#include <algorithm>

#include "gui_controller.h"
#include "hostsim/desktop/adm_drawing.h"
#include "platform/sjis_forms.h"

namespace velmgui {

namespace {

constexpr int kPopupArrowWidth = 14;
constexpr std::uint32_t kFocusColour = 0x3050C0;
constexpr std::uint32_t kInvalidColour = 0xD02020;

void Frame(hostsim::Bitmap& screen, const host::Rect& r, std::uint32_t rgb) {
  screen.Fill({r.left, r.top, r.right, r.top + 1}, rgb);
  screen.Fill({r.left, r.bottom - 1, r.right, r.bottom}, rgb);
  screen.Fill({r.left, r.top, r.left + 1, r.bottom}, rgb);
  screen.Fill({r.right - 1, r.top, r.right, r.bottom}, rgb);
}

bool Inside(const host::Rect& r, host::Point p) {
  return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom;
}

bool Typable(const hostsim::Item& item) {
  return item.visible() && item.enabled() && item.TakesTyping();
}

// What Tab goes to: the items that take typing and the popups (a group menu), in the
// dialog's order.
bool Focusable(const hostsim::Item& item) {
  return Typable(item) || (item.visible() && item.enabled() && item.IsPopup() && !item.flyout());
}

// The start of the line (CR LF ends one) that holds byte `at`, and its end.
std::size_t LineStart(const std::string& text, std::size_t at) {
  const std::size_t nl = at == 0 ? std::string::npos : text.find_last_of("\r\n", at - 1);
  return nl == std::string::npos ? 0 : nl + 1;
}
std::size_t LineEnd(const std::string& text, std::size_t at) {
  return std::min(text.find_first_of("\r\n", at), text.size());
}

}  // namespace

void Controller::Focus(hostsim::Dialog& d, std::int32_t itemId, bool selectAll) {
  for (const auto& item : d.items())
    item->edit().focused = false;
  focus_ = itemId;
  if (hostsim::Item* item = d.FindItem(itemId)) {
    item->edit().focused = true;
    if (selectAll) {
      item->edit().anchor = 0;
      item->edit().caret = item->text().size();
    }
  }
}

void Controller::BeginModal(hostsim::Dialog& d) {
  ++modals_;
  invalid_ = 0;
  std::int32_t first = 0;
  for (const auto& item : d.items()) {
    if (!Typable(*item)) continue;
    // The item the plug-in selected the text of, else the first that takes typing.
    if (item->textSelected()) {
      first = item->id();
      break;
    }
    if (first == 0) first = item->id();
  }
  Focus(d, first, true);
  dropDown_.dialog = nullptr;
  banding_ = false;
  moving_ = nullptr;
  resizing_ = nullptr;
}

void Controller::EndModal() {
  dropDown_.dialog = nullptr;
  // What the dialog covered, and whatever it changed, is drawn anew.
  for (const auto& d : host().dialogs().floating())
    d->dirty = true;
  needsRepaint_ = true;
}

void Controller::PressChecked(hostsim::Dialog& d, std::int32_t itemId) {
  for (const auto& item : d.items())
    item->SetTextSelected(false);
  if (itemId == d.defaultItem())
    d.PressReturn();
  else
    d.Press(itemId);
  if (d.ended()) return;
  // A value the plug-in refused: it selects the item's text (and beeps); the item is
  // framed in red and takes the typing that replaces it.
  for (const auto& item : d.items())
    if (item->textSelected() && Typable(*item)) {
      invalid_ = item->id();
      Focus(d, item->id(), true);
      status_ = "the value is not valid";
      break;
    }
}

void Controller::ModalListClick(hostsim::Dialog& d, host::Point p) {
  hostsim::Item* item = d.FindItem(dropDown_.item);
  if (item && Inside(dropDown_.rect, p)) {
    const std::int32_t index = (p.v - dropDown_.rect.top - 1) / dropDown_.rowHeight;
    if (index >= 0 && index < static_cast<std::int32_t>(item->entries().size())) {
      const hostsim::Entry& entry = *item->entries()[static_cast<std::size_t>(index)];
      if (entry.separator || !entry.enabled) return;  // the list stays open
      dropDown_.dialog = nullptr;
      d.Choose(item->id(), index);
      if (item->TakesTyping()) Focus(d, item->id(), true);
      return;
    }
  }
  dropDown_.dialog = nullptr;
}

void Controller::ModalMouseDown(hostsim::Dialog& d, const Input& in) {
  host().desktop().SetCursorPosition(in.p);
  if (dropDown_.dialog == &d) {
    ModalListClick(d, in.p);
    return;
  }
  for (const auto& owned : d.items()) {
    hostsim::Item& item = *owned;
    const host::Rect r = d.ItemScreenRect(item);
    if (!item.visible() || item.flyout() || !Inside(r, in.p)) continue;
    using velm::res::ItemKind;
    if (item.kind() == ItemKind::kFrame || item.kind() == ItemKind::kText) continue;
    if (!item.enabled()) {
      Beep("that is disabled now");
      return;
    }
    const bool onArrow = in.p.h >= r.right - kPopupArrowWidth;
    if (item.IsPopup() && (!item.TakesTyping() || onArrow)) {
      if (item.TakesTyping()) Focus(d, item.id(), true);
      OpenDropDown(d, item.id(), {r.left, r.bottom});
    } else if (item.TakesTyping()) {
      Focus(d, item.id(), false);
      item.edit().caret = hostsim::EditOffsetAt(d, item, in.p);
      if (!in.shift) item.edit().anchor = item.edit().caret;
    } else if (item.kind() == ItemKind::kCheckBox) {
      item.SetOn(!item.on());
      hostsim::NotifyUserChanged(&item);
    } else if (item.kind() == ItemKind::kRadio) {
      // One radio button of the dialog's group is on at a time.
      for (const auto& other : d.items())
        if (other->kind() == ItemKind::kRadio && other.get() != &item) other->SetOn(false);
      item.SetOn(true);
      hostsim::NotifyUserChanged(&item);
    } else if (item.kind() == ItemKind::kButton) {
      PressChecked(d, item.id());
    } else if (item.trackProc()) {
      d.Click(item.id(), {in.p.h - r.left, in.p.v - r.top});
    }
    return;
  }
}

void Controller::MoveCaret(hostsim::Item& item, std::size_t to, bool extend) {
  item.edit().caret = to;
  if (!extend) item.edit().anchor = to;
}

void Controller::ModalKey(hostsim::Dialog& d, Key key, bool shift, bool ctrl) {
  // An open list closes; Escape does nothing else then.
  if (dropDown_.dialog == &d) {
    dropDown_.dialog = nullptr;
    if (key == Key::kEscape) return;
  }
  hostsim::Item* item = d.FindItem(focus_);
  if (item && item->IsPopup() && !Typable(*item) && (key == Key::kUp || key == Key::kDown)) {
    // A focused popup without typing: Up and Down choose the entry before or after.
    const auto count = static_cast<std::int32_t>(item->entries().size());
    for (std::int32_t to = d.SelectedIndex(item->id()) + (key == Key::kUp ? -1 : 1);
         to >= 0 && to < count; to += key == Key::kUp ? -1 : 1) {
      const hostsim::Entry& e = *item->entries()[static_cast<std::size_t>(to)];
      if (e.separator || !e.enabled) continue;
      d.Choose(item->id(), to);
      break;
    }
    return;
  }
  if (item && !Typable(*item)) item = nullptr;
  const std::string text = item ? item->text() : std::string();
  const std::size_t caret = item ? std::min(item->edit().caret, text.size()) : 0;
  const std::size_t anchor = item ? std::min(item->edit().anchor, text.size()) : 0;
  const bool selection = caret != anchor;
  switch (key) {
    case Key::kReturn:
      // Return breaks the line of a box of several lines; Ctrl+Return, or Return
      // elsewhere, presses the default button.
      if (item && item->multiLine() && !ctrl)
        Insert(d, "\r\n");
      else
        PressChecked(d, d.defaultItem());
      break;
    case Key::kEscape:
      d.PressEscape();
      break;
    case Key::kBackspace:
    case Key::kDelete:
      if (!item) break;
      if (!selection) {
        const std::size_t other = key == Key::kBackspace ? hostsim::PreviousSjisChar(text, caret)
                                                         : hostsim::NextSjisChar(text, caret);
        // CR LF goes as one.
        std::size_t from = std::min(other, caret), to = std::max(other, caret);
        if (from > 0 && text[from] == '\n' && text[from - 1] == '\r') --from;
        if (to > 0 && to < text.size() && text[to - 1] == '\r' && text[to] == '\n') ++to;
        if (from == to) break;
        item->edit().anchor = from;
        item->edit().caret = to;
      }
      Insert(d, "");
      break;
    case Key::kLeft:
    case Key::kRight: {
      if (!item) break;
      std::size_t to = caret;
      if (selection && !shift)
        to = key == Key::kLeft ? std::min(caret, anchor) : std::max(caret, anchor);
      else
        to = key == Key::kLeft ? hostsim::PreviousSjisChar(text, caret)
                               : hostsim::NextSjisChar(text, caret);
      if (to > 0 && to < text.size() && text[to - 1] == '\r' && text[to] == '\n') {
        if (key == Key::kLeft)
          --to;
        else
          ++to;
      }
      MoveCaret(*item, to, shift);
      break;
    }
    case Key::kHome:
    case Key::kEnd:
      if (!item) break;
      if (item->multiLine() && !ctrl)
        MoveCaret(*item, key == Key::kHome ? LineStart(text, caret) : LineEnd(text, caret), shift);
      else
        MoveCaret(*item, key == Key::kHome ? 0 : text.size(), shift);
      break;
    case Key::kUp:
    case Key::kDown: {
      if (!item || !item->multiLine()) break;
      // The same number of characters into the line above or below, as far as it goes.
      const std::size_t start = LineStart(text, caret);
      std::size_t column = 0;
      for (std::size_t i = start; i < caret; i = hostsim::NextSjisChar(text, i))
        ++column;
      std::size_t line = 0;
      if (key == Key::kUp) {
        if (start == 0) break;
        line = LineStart(text, start - (start >= 2 && text[start - 2] == '\r' ? 2 : 1));
      } else {
        const std::size_t end = LineEnd(text, caret);
        if (end == text.size()) break;
        line = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
      }
      std::size_t to = line;
      const std::size_t lineEnd = LineEnd(text, line);
      for (std::size_t k = 0; k < column && to < lineEnd; ++k)
        to = hostsim::NextSjisChar(text, to);
      MoveCaret(*item, to, shift);
      break;
    }
    case Key::kTab: {
      std::vector<std::int32_t> order;
      for (const auto& it : d.items())
        if (Focusable(*it)) order.push_back(it->id());
      if (order.empty()) break;
      const auto n = static_cast<std::ptrdiff_t>(order.size());
      const std::ptrdiff_t at = std::find(order.begin(), order.end(), focus_) - order.begin();
      const std::ptrdiff_t next = at == n ? 0 : (at + (shift ? n - 1 : 1)) % n;
      Focus(d, order[static_cast<std::size_t>(next)], true);
      break;
    }
    default:
      break;
  }
}

bool Controller::Insert(hostsim::Dialog& d, const std::string& sjis) {
  hostsim::Item* item = d.FindItem(focus_);
  if (!item || !Typable(*item)) {
    Beep("nothing here takes typing");
    return false;
  }
  const std::string& text = item->text();
  const std::size_t caret = std::min(item->edit().caret, text.size());
  const std::size_t anchor = std::min(item->edit().anchor, text.size());
  const std::size_t from = std::min(caret, anchor), to = std::max(caret, anchor);
  const std::string changed = text.substr(0, from) + sjis + text.substr(to);
  if (item->maxTextLength() > 0 &&
      changed.size() > static_cast<std::size_t>(item->maxTextLength()) && !sjis.empty()) {
    Beep("the text is full");
    return false;
  }
  d.Type(focus_, changed);
  item->edit().caret = item->edit().anchor = std::min(from + sjis.size(), item->text().size());
  if (invalid_ == item->id()) invalid_ = 0;
  return true;
}

void Controller::ModalText(hostsim::Dialog& d, const std::string& utf8) {
  if (dropDown_.dialog == &d) dropDown_.dialog = nullptr;
  const std::string sjis = hostsim::ToSjis(utf8);
  if (hostsim::ToUtf8(sjis) != velm::platform::ToWindowsForms(utf8)) {
    Beep("\"" + utf8 + "\" cannot be written in Shift-JIS");
    return;
  }
  Insert(d, sjis);
}

void Controller::PaintModal(hostsim::Dialog& d) {
  host().desktop().Repaint(host().document());
  DrawSelection();
  host().dialogs().PaintFloating(&screen());
  host().dialogs().PaintModal(&screen(), d);
  DrawChrome();
  if (hostsim::Item* item = d.FindItem(focus_)) {
    const host::Rect r = d.ItemScreenRect(*item);
    Frame(screen(), {r.left - 2, r.top - 2, r.right + 2, r.bottom + 2}, kFocusColour);
  }
  if (hostsim::Item* item = d.FindItem(invalid_)) {
    const host::Rect r = d.ItemScreenRect(*item);
    Frame(screen(), {r.left - 2, r.top - 2, r.right + 2, r.bottom + 2}, kInvalidColour);
    Frame(screen(), {r.left - 3, r.top - 3, r.right + 3, r.bottom + 3}, kInvalidColour);
  }
  if (dropDown_.dialog == &d) DrawDropDown();
  needsRepaint_ = true;
}

}  // namespace velmgui
