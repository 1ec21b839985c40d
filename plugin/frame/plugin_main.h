// The entry point and the handlers of the host's messages.
#pragma once

#include "host/errors.h"
#include "host/messages.h"
#include "host/types.h"

namespace velm {

// The body of the exported PluginMain(caller, selector, message).
host::Err PluginMainImpl(const char* caller, const char* selector, void* message);

// Routes a message of any caller other than "SP Access" and "SP Interface".
host::Err DispatchHostMessage(const char* caller, const char* selector, void* message);

host::Err StartupPlugin(host::MessageData* message);
host::Err ShutdownPlugin(host::MessageData* message);
host::Err UnloadPlugin(host::MessageData* message);
host::Err ReloadPlugin(host::MessageData* message);
host::Err ShowAbout(host::MessageData* message);

// Shows the "Plug-in Error" dialog for a message result greater than 1.
void ReportError(host::MessageData* message, host::Err code);
// The OK button of the about and error dialogs: the dialog manager's own handling, which
// closes the dialog.
void DefaultButtonNotify(host::ItemRef item, host::NotifierRef notifier);

// Resource ids of the frame.
inline constexpr std::int32_t kAboutDialogId = 16050;
inline constexpr std::int32_t kErrorDialogId = 16051;
inline constexpr std::int32_t kAboutPictureId = 16052;
inline constexpr std::int32_t kErrorStringList = 16050;
inline constexpr std::int32_t kFirstSnapCursorId = 16100;
inline constexpr std::int32_t kPluginOptionFlag = 2;

}  // namespace velm
