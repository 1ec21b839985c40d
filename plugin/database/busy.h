// The busy indicator: while a long operation runs, the cursor cycles through four
// frames, advancing when more than 30 units of 16 ms have passed since the last change.
#pragma once

namespace velm {

void BeginBusy();
void EndBusy();
// Called from long loops (compression, capture, copying records); cheap when not busy.
void AdvanceBusyCursor();

}  // namespace velm
