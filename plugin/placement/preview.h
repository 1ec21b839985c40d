// The placement preview: while a record is dragged over the document, the cursor position
// is snapped, kept as dropPoint for the loader, the cursor shows the kind of snap, and the
// bounding rectangle of the record's art is drawn inverted on the screen (drawing it a
// second time erases it).
#pragma once

#include <cstdint>

#include "host/types.h"

namespace velm {

// Screen positions whose client coordinates reach this are the erase request; callers
// pass (kEraseCoordinate, kEraseCoordinate) in screen pixels.
inline constexpr std::int32_t kPreviewOffWindow = 32000;
inline constexpr std::int32_t kEraseCoordinate = 32767;

// One preview step for the screen position (x, y) and record `recordNumber` of `group`.
// Always returns 0.
std::int32_t VelmDrawArt(std::int32_t x, std::int32_t y, const char* group,
                         std::int32_t recordNumber);

// The window of the document's drawing area (null when the host has none): the
// application window's topmost child's topmost child, one level further down when the
// host's version (the leading number of its version text; 7 without one) is above 8.
host::WindowRef FindDocumentWindow();

// Draws the rectangle (client pixels) as one closed inverted line on the screen context
// `context`, every corner shifted by -delta (client to screen).
void DrawOutline(host::PortRef context, const host::Rect& rect, const host::Point& delta);

// What the outline's corners are moved by so that the point of the art's bounds chosen by
// `originMode` (0 … 8: column × 3 + row) lies on the drop point, for record bounds
// (0, height, width, 0); (0, 0) for any other mode.
host::RealPoint OutlineOffset(const host::RealRect& bounds, std::int32_t originMode);

}  // namespace velm
