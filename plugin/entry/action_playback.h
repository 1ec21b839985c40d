// Playback of a recorded action ("Action Manager" / "Do Action"): the recorded values run
// the commands without dialogs.
#pragma once

#include "host/errors.h"
#include "host/messages.h"

namespace velm {

// Plays the action the message names; asks nothing.
host::Err DoAction(host::MessageData* message);

}  // namespace velm
