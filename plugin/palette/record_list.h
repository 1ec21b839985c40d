// The palette's record list: every entry drawn from its record's stored header and
// thumbnail (icons or list rows), mouse presses turned into selection, editing (double
// click) and drag-and-drop placement, and the hover label naming the record under the
// cursor.
#pragma once

#include <cstdint>

#include "host/adm.h"

namespace velm {

// Tracker actions the list acts on, and the drag threshold in pixels.
inline constexpr std::uint32_t kDoubleClickTime = 2000;
inline constexpr std::int32_t kDragThreshold = 8;

host::Boolean ImageItemTrackProc(host::EntryRef entry, host::TrackerRef tracker);
void ImageItemDrawProc(host::EntryRef entry, host::DrawerRef drawer);
// Shows the name of the icon under the cursor, or removes the label.
void UpdateHoverLabel(host::DialogRef dialog);
// Draws `text` in a label centred on x below y (screen pixels); an empty text only
// removes the label shown.
void DrawHoverLabel(const char* text, std::int32_t x, std::int32_t y);

// Puts back the screen under a shown label and frees what saved it (shut-down).
void ReleaseHoverLabel();

// Cuts `text` (NUL-terminated, in place) until its width and that of "..." are below
// `limit`, never leaving half a double-byte character, and appends "..."; nothing when
// it fits. `width` measures a text.
void FitText(char* text, std::int32_t limit, std::int32_t (*width)(const char* text, void* context),
             void* context);

}  // namespace velm
