// Outside the host there is no palette and no busy cursor to advance.
#include "database/busy.h"

namespace velm {

Globals* gGlobals = nullptr;
void AdvanceBusyFrame() {}

}  // namespace velm
