#include "entry/plugin_main.h"

#include "actions/actions.h"
#include "entry/action_playback.h"
#include "entry/host_objects.h"
#include "frame/globals.h"
#include "frame/host_entry.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "platform/host_binding.h"

namespace velm {
namespace {

using Handler = host::Err (*)(host::MessageData* message);

struct DispatchRow {
  const char* caller;
  const char* selector;
  Handler handler;  // null: the subsystem that answers this message is not part of the build
};

// Tested in this order.
const DispatchRow kDispatchTable[] = {
    {host::kCallerAccess, host::kSelectorUnload, UnloadPlugin},
    {host::kCallerAccess, host::kSelectorReload, ReloadPlugin},
    {host::kCallerInterface, host::kSelectorStartup, StartupPlugin},
    {host::kCallerInterface, host::kSelectorAbout, ShowAbout},
    {host::kCallerInterface, host::kSelectorShutdown, ShutdownPlugin},
    {host::kCallerMenu, host::kSelectorGo, MenuGoHandler},
    {host::kCallerMenu, host::kSelectorUpdate, MenuUpdateHandler},
    {host::kCallerTimer, host::kSelectorGo, TimerHandler},
    {host::kCallerNotifier, host::kSelectorNotify, NotifyHandler},
    {host::kCallerActionManager, host::kSelectorDoAction, DoAction},
};

// Runs the handler of the first row whose caller and selector match; 0 when none does.
host::Err Dispatch(host::BasicSuite* basic, const char* caller, const char* selector, void* message,
                   const char* onlyCaller) {
  for (const DispatchRow& row : kDispatchTable) {
    if (onlyCaller && !basic->IsEqual(row.caller, onlyCaller)) continue;
    if (!basic->IsEqual(caller, row.caller) || !basic->IsEqual(selector, row.selector)) continue;
    return row.handler ? row.handler(static_cast<host::MessageData*>(message)) : host::kNoErr;
  }
  return host::kNoErr;
}

}  // namespace

host::Err DispatchHostMessage(const char* caller, const char* selector, void* message) {
  auto* data = static_cast<host::MessageData*>(message);
  return Dispatch(data->basic, caller, selector, message, nullptr);
}

host::Err PluginMainImpl(const char* caller, const char* selector, void* message) {
  auto* data = static_cast<host::MessageData*>(message);
  if (!data || !data->basic || !caller || !selector) return host::kBadParameterErr;
  host::BasicSuite* basic = data->basic;
  platform::AttachHost(basic);

  if (basic->IsEqual(caller, host::kCallerAccess)) {
    return Dispatch(basic, caller, selector, message, host::kCallerAccess);
  }

  host::Err result = AcquireSuites(basic);
  if (result) return result;

  // A handler that ran out of memory in a standard container ends with the memory error,
  // which is reported like any other result, and the suites are still given back.
  result = CatchAtEntry<host::Err>([&] {
    return basic->IsEqual(caller, host::kCallerInterface)
               ? Dispatch(basic, caller, selector, message, host::kCallerInterface)
               : DispatchHostMessage(caller, selector, message);
  });

  if (result > 1) ReportError(data, result);
  ReleaseSuites(basic);
  return result;
}

}  // namespace velm
