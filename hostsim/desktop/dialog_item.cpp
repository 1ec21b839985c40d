// Dialog items: their entries, values and units.
#include "hostsim/desktop/dialog_item.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostsim/desktop/dialog_manager.h"

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
  unitsGiven_ = true;
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

}  // namespace hostsim
