// Recordable actions: the plug-in's operations registered with the host's action manager,
// recorded while the user records an action, and played back without dialogs.
#pragma once

#include <cstdint>

#include "host/types.h"

namespace velm {

// Records the operation `code` (kPlaceArtAction, ...) with the current state's values
// while the host records an action.
void RecordAction(std::int32_t code);

}  // namespace velm
