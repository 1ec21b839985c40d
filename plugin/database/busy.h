// The busy indicator: while a long operation runs, the cursor cycles through four
// frames, advancing when more than 30 units of 16 ms have passed since the last change.
#pragma once

#include "frame/globals.h"

namespace velm {

void BeginBusy();
void EndBusy();
// Advances the frame when enough time has passed (only while busy).
void AdvanceBusyFrame();
// Called from long loops (compression, capture, copying records): one inlined check
// when not busy.
inline void AdvanceBusyCursor() {
  if (gGlobals && gGlobals->busy) AdvanceBusyFrame();
}

}  // namespace velm
