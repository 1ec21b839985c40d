// The floating dialogs' geometry shared by their layout (palettes.cpp) and their drawing
// (dialog_manager_paint.cpp): title bars, colours, and where a list box's entries lie.
#pragma once

#include <algorithm>
#include <cstdint>

#include "hostsim/desktop/dialog_manager.h"

namespace hostsim::palette_detail {

inline constexpr int kTitleBarHeight = 15;
inline constexpr std::uint32_t kFaceColor = 0xD4D0C8;
inline constexpr std::uint32_t kShadowColor = 0x808080;
inline constexpr std::uint32_t kTitleColor = 0x0A246A;

inline std::int32_t Width(const host::Rect& r) {
  return r.right - r.left;
}
inline std::int32_t Height(const host::Rect& r) {
  return r.bottom - r.top;
}

inline host::Rect Intersect(const host::Rect& a, const host::Rect& b) {
  host::Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// Entries a row holds in a list box: icon styles fill rows across the list (less the
// scroll bar), other lists hold one entry a row.
inline std::int32_t Columns(const Item& list) {
  if (list.style() != 54) return 1;
  const std::int32_t usable = Width(list.bounds()) - kListScrollBarWidth;
  return std::max<std::int32_t>(1, usable / std::max<std::int32_t>(1, list.entryWidth()));
}

// Rows of entries in a list box, and the whole rows it shows at once.
inline std::int32_t Rows(const Item& list) {
  const std::int32_t columns = Columns(list);
  return (static_cast<std::int32_t>(list.entries().size()) + columns - 1) / columns;
}
inline std::int32_t ShownRows(const Item& list) {
  return std::max<std::int32_t>(
      1, Height(list.bounds()) / std::max<std::int32_t>(1, list.entryHeight()));
}

// The first row shown: as scrolled, but never past the point where the last row shows at
// the bottom (entries may have gone, or the list grown, since it was scrolled).
inline std::int32_t FirstShownRow(const Item& list) {
  return std::clamp(list.scrollRow(), 0, std::max(0, Rows(list) - ShownRows(list)));
}

// Entry `index`'s rectangle in the dialog's local coordinates, as scrolled.
inline host::Rect EntryRect(const Item& list, std::int32_t index) {
  const std::int32_t columns = Columns(list);
  const std::int32_t row = index / columns - FirstShownRow(list);
  const std::int32_t column = index % columns;
  const host::Rect& b = list.bounds();
  const std::int32_t left = b.left + column * list.entryWidth();
  const std::int32_t top = b.top + row * list.entryHeight();
  return {left, top, left + list.entryWidth(), top + list.entryHeight()};
}

// The part of a list box the entries are drawn in (without the scroll bar).
inline host::Rect ListInterior(const Item& list) {
  host::Rect r = list.bounds();
  r.right -= kListScrollBarWidth;
  return r;
}

}  // namespace hostsim::palette_detail
