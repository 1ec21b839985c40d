// The entry point and the handlers of the host's messages.
#pragma once

#include "frame/error_report.h"
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

// Resource ids of the entry.
inline constexpr std::int32_t kAboutDialogId = 16050;
inline constexpr std::int32_t kAboutPictureId = 16052;
inline constexpr std::int32_t kFirstSnapCursorId = 16100;
inline constexpr std::int32_t kPluginOptionFlag = 2;

}  // namespace velm
