// The window system on Windows: User32 for cursors, the beep and windows, GDI for
// drawing. Resources (cursors, pictures) come from the plug-in module itself, whose
// instance the host hands over in every message.
#include <windows.h>

#include "platform/gui.h"
#include "platform/win32/sjis_win32.h"

namespace velm::gui {
namespace {

HINSTANCE ToInstance(host::ModuleInstance module) {
  return reinterpret_cast<HINSTANCE>(module);
}

}  // namespace

Overrides& TestOverrides() {
  static Overrides overrides;
  return overrides;
}

// ---- Cursors and the beep ----

CursorHandle LoadCursorResource(host::ModuleInstance module, std::int32_t id) {
  if (!module || id <= 0 || id > 0xFFFF) return nullptr;
  return LoadCursorW(ToInstance(module), MAKEINTRESOURCEW(id));
}

void SetCursor(CursorHandle cursor) {
  ::SetCursor(static_cast<HCURSOR>(cursor));
}

void Beep() {
  if (TestOverrides().beep) {
    TestOverrides().beep();
    return;
  }
  MessageBeep(MB_OK);
}

}  // namespace velm::gui
