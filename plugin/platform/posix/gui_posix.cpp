// The window system off Windows: cursors and the beep go to the host's desktop.
#include "frame/globals.h"
#include "platform/gui.h"
#include "platform/host_binding.h"
#include "resources/resource_table.h"

namespace velm::gui {

Overrides& TestOverrides() {
  static Overrides overrides;
  return overrides;
}

CursorHandle LoadCursorResource(host::ModuleInstance module, std::int32_t id) {
  (void)module;  // the module's resources are linked into this very table
  const res::Image* image = res::FindImage(res::Resources(), id, res::ImageKind::kCursor);
  return const_cast<res::Image*>(image);
}

void SetCursor(CursorHandle cursor) {
  if (const host::PlatformSuite* suite = platform::HostPlatform())
    suite->SetCursor(cursor ? static_cast<const res::Image*>(cursor)->id : 0);
}

void Beep() {
  if (TestOverrides().beep) {
    TestOverrides().beep();
  } else if (const host::PlatformSuite* suite = platform::HostPlatform()) {
    suite->Beep();
  }
}

}  // namespace velm::gui
