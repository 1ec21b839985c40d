// The "Plug-in Error" dialog: how any part of the plug-in tells the user that something
// failed, with the message of the code from the error string list.
#pragma once

#include <cstdint>

#include "host/errors.h"
#include "host/messages.h"
#include "host/types.h"

namespace velm {

inline constexpr std::int32_t kErrorDialogId = 16051;
inline constexpr std::int32_t kErrorStringList = 16050;

// Shows the "Plug-in Error" dialog for a message result greater than 1.
void ReportError(host::MessageData* message, host::Err code);
// The OK button of the about and error dialogs: the dialog manager's own handling, which
// closes the dialog.
void DefaultButtonNotify(host::ItemRef item, host::NotifierRef notifier);

}  // namespace velm
