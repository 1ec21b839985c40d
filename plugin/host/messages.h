// The message records the host passes to PluginMain. Every record starts with the
// common part; messages about one object the plug-in added (menu item, timer,
// notifier) carry its handle right after it.
#pragma once

#include "host/sp_suites.h"
#include "host/types.h"

namespace host {

// Common part of every message record, read in this order.
struct MessageData {
  // Identifies this plug-in to host services.
  PluginRef self;
  // Kept by the host for the plug-in while its code is unloaded.
  void* globals;
  // Acquire / release / compare strings.
  BasicSuite* basic;
};

// "AI Notifier" / "AI Notify".
struct NotifierMessage {
  MessageData d;
  NotifierHandle notifier;
  const char* type;
  void* notifyData;
};

// "AI Menu" / "AI Go" and "AI Update".
struct MenuMessage {
  MessageData d;
  MenuItemHandle menuItem;
};

// "AI Timer" / "AI Go".
struct TimerMessage {
  MessageData d;
  TimerHandle timer;
};

// Dialog request of an action being played ("Action Manager" / "Do Action").
enum ActionDialogStatus : std::int32_t {
  kDialogNone = 0,
  kDialogOn = 1,
  kDialogOff = 2,
  kDialogPartOn = 3,
};

// "Action Manager" / "Do Action": the event's user data (the action code given when it
// was registered) and the recorded parameter values.
struct DoActionMessage {
  MessageData d;
  std::int32_t showDialog;
  ActionParamValueRef param;
  std::intptr_t userData;
};

// Callers and selectors of the messages the plug-in answers.
inline constexpr const char kCallerAccess[] = "SP Access";
inline constexpr const char kSelectorUnload[] = "Unload";
inline constexpr const char kSelectorReload[] = "Reload";
inline constexpr const char kCallerInterface[] = "SP Interface";
inline constexpr const char kSelectorStartup[] = "Startup";
inline constexpr const char kSelectorAbout[] = "About";
inline constexpr const char kSelectorShutdown[] = "Shutdown";
inline constexpr const char kCallerMenu[] = "AI Menu";
inline constexpr const char kSelectorGo[] = "AI Go";
inline constexpr const char kSelectorUpdate[] = "AI Update";
inline constexpr const char kCallerTimer[] = "AI Timer";
inline constexpr const char kCallerNotifier[] = "AI Notifier";
inline constexpr const char kSelectorNotify[] = "AI Notify";
inline constexpr const char kCallerActionManager[] = "Action Manager";
inline constexpr const char kSelectorDoAction[] = "Do Action";

// The entry point every plug-in module exports.
using PluginMainProc = Err(VELM_HOSTCALL*)(const char* caller, const char* selector, void* message);

}  // namespace host
