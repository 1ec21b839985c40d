// The window system as the plug-in uses it: cursors, the system beep, drawing contexts,
// bitmaps, pens and brushes, inverted lines, Shift-JIS text, pixels, windows. Win32 GDI
// on Windows; elsewhere the stand-in host's virtual desktop.
#pragma once

#include <cstdint>

#include "host/types.h"

namespace velm::gui {

using CursorHandle = void*;

// Loads cursor resource `id` of the plug-in module; null when it does not exist.
CursorHandle LoadCursorResource(host::ModuleInstance module, std::int32_t id);
// Makes `cursor` the current cursor.
void SetCursor(CursorHandle cursor);
// Sounds the system beep.
void Beep();

// Replaceable for tests: counts or silences the beep.
struct Overrides {
  void (*beep)() = nullptr;
};
Overrides& TestOverrides();

}  // namespace velm::gui
