#include "database/busy.h"

#include "frame/globals.h"
#include "platform/gui.h"
#include "platform/os.h"

namespace velm {

void BeginBusy() {
  if (gGlobals) gGlobals->busy = 1;
}

void EndBusy() {
  if (gGlobals) gGlobals->busy = 0;
}

void AdvanceBusyFrame() {
  Globals* g = gGlobals;
  if (!g || !g->busy) return;
  const std::uint32_t tick = os::TickCount() >> 4;
  if (tick - g->busyTick <= 30) return;
  g->busyFrame = static_cast<std::int16_t>((g->busyFrame + 1) % 4);
  g->busyTick = tick;
  // Busy frames are cursor slots 10 … 13.
  if (void* cursor = g->snapCursors[10 + g->busyFrame]) gui::SetCursor(cursor);
}

}  // namespace velm
