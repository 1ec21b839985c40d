// "AI Menu Suite", "AI Timer Suite", "AI Notifier Suite" and "AI Preference Suite", and
// the host's side of their messages: choosing a menu item, updating the menus, the
// clock that drives the timers, the application-started notification.
#include <algorithm>
#include <cstring>

#include "host/ai_document.h"
#include "host/ai_lifecycle.h"
#include "hostsim/core/document_suites.h"
#include "hostsim/core/suite_impl.h"

namespace hostsim {

using impl::Check;
using impl::H;

// ---- The objects ----

MenuItem* LifecycleObjects::Find(host::MenuItemHandle handle) {
  for (auto& item : menuItems)
    if (item->handle() == handle) return item.get();
  return nullptr;
}

MenuItem* LifecycleObjects::FindMenuItem(const std::string& name) {
  for (auto& item : menuItems)
    if (item->name == name) return item.get();
  return nullptr;
}

Timer* LifecycleObjects::FindTimer(const std::string& name) {
  for (auto& timer : timers)
    if (timer->name == name) return timer.get();
  return nullptr;
}

void LifecycleObjects::Clear() {
  menuItems.clear();
  timers.clear();
  notifiers.clear();
}

namespace {

template <std::size_t N>
bool Listed(const char* const (&names)[N], const char* name) {
  for (const char* n : names)
    if (std::strcmp(n, name) == 0) return true;
  return false;
}

// ---- AI Menu Suite ----

host::Err VELM_HOSTCALL AddMenuItem(host::PluginRef plugin, const char* name, const char* groupName,
                                    const unsigned char* itemText, std::int32_t options,
                                    host::MenuItemHandle* item) {
  if (host::Err e = Check<host::MenuSuite>("AddMenuItem")) return e;
  if (!name || !groupName || !itemText || !item) return host::kBadParameterErr;
  *item = nullptr;
  if (!Listed(kMenuGroups, groupName)) return host::kBadParameterErr;
  auto added = std::make_unique<MenuItem>();
  added->name = name;
  added->group = groupName;
  added->text.assign(reinterpret_cast<const char*>(itemText + 1), itemText[0]);
  added->options = options;
  added->plugin = plugin;
  *item = added->handle();
  H().lifecycleObjects().menuItems.push_back(std::move(added));
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetItemText(host::MenuItemHandle item, const char* text) {
  if (host::Err e = Check<host::MenuSuite>("SetItemText")) return e;
  MenuItem* found = H().lifecycleObjects().Find(item);
  if (!found || !text) return host::kBadParameterErr;
  found->text = text;
  return host::kNoErr;
}

// ---- AI Timer Suite ----

host::Err VELM_HOSTCALL AddTimer(host::PluginRef plugin, const char* name, std::int32_t period,
                                 host::TimerHandle* timer) {
  if (host::Err e = Check<host::TimerSuite>("AddTimer")) return e;
  if (!name || !timer) return host::kBadParameterErr;
  *timer = nullptr;
  if (period < 1) return host::kBadParameterErr;
  auto added = std::make_unique<Timer>();
  added->name = name;
  added->period = period;
  added->nextTick = H().clock() + period;
  added->plugin = plugin;
  *timer = added->handle();
  H().lifecycleObjects().timers.push_back(std::move(added));
  return host::kNoErr;
}

// ---- AI Notifier Suite ----

host::Err VELM_HOSTCALL AddNotifier(host::PluginRef plugin, const char* name, const char* type,
                                    host::NotifierHandle* notifier) {
  if (host::Err e = Check<host::NotifierSuite>("AddNotifier")) return e;
  if (!name || !type || !notifier) return host::kBadParameterErr;
  *notifier = nullptr;
  if (!Listed(kNotifierTypes, type)) return host::kBadParameterErr;
  auto added = std::make_unique<Notifier>();
  added->name = name;
  added->type = type;
  added->plugin = plugin;
  *notifier = added->handle();
  H().lifecycleObjects().notifiers.push_back(std::move(added));
  return host::kNoErr;
}

// ---- AI Preference Suite ----

using Kind = HostPreferences::Kind;
using Value = HostPreferences::Value;

// A missing prefix means none; a missing suffix or result is a bad parameter.
host::Err GetValue(const char* op, const char* prefix, const char* suffix, bool hasResult,
                   Kind kind, Value* value) {
  if (host::Err e = Check<host::PreferenceSuite>(op)) return e;
  if (!suffix || !hasResult) return host::kBadParameterErr;
  return H().preferences().Get(prefix ? prefix : "", suffix, kind, value);
}

host::Err PutValue(const char* op, const char* prefix, const char* suffix, Value value) {
  if (host::Err e = Check<host::PreferenceSuite>(op)) return e;
  if (!suffix) return host::kBadParameterErr;
  return H().preferences().Put(prefix ? prefix : "", suffix, std::move(value));
}

host::Err VELM_HOSTCALL GetInteger(const char* prefix, const char* suffix, std::int32_t* result) {
  Value v;
  host::Err e = GetValue("GetIntegerPreference", prefix, suffix, result, Kind::kInteger, &v);
  if (!e) *result = v.integer;
  return e;
}
host::Err VELM_HOSTCALL PutInteger(const char* prefix, const char* suffix, std::int32_t value) {
  Value v;
  v.kind = Kind::kInteger;
  v.integer = value;
  return PutValue("PutIntegerPreference", prefix, suffix, v);
}

host::Err VELM_HOSTCALL GetPoint(const char* prefix, const char* suffix, host::Point* result) {
  Value v;
  host::Err e = GetValue("GetPointPreference", prefix, suffix, result, Kind::kPoint, &v);
  if (!e) *result = v.point;
  return e;
}
host::Err VELM_HOSTCALL PutPoint(const char* prefix, const char* suffix, const host::Point* value) {
  if (!value) {
    if (host::Err e = Check<host::PreferenceSuite>("PutPointPreference")) return e;
    return host::kBadParameterErr;
  }
  Value v;
  v.kind = Kind::kPoint;
  v.point = *value;
  return PutValue("PutPointPreference", prefix, suffix, v);
}

host::Err VELM_HOSTCALL GetString(const char* prefix, const char* suffix, char* result,
                                  std::int32_t maxLength) {
  Value v;
  host::Err e =
      GetValue("GetStringPreference", prefix, suffix, result && maxLength > 0, Kind::kString, &v);
  if (e) return e;
  // At most maxLength - 1 bytes and the terminator.
  const std::size_t n = std::min(v.text.size(), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(result, v.text.data(), n);
  result[n] = '\0';
  return host::kNoErr;
}
host::Err VELM_HOSTCALL PutString(const char* prefix, const char* suffix, const char* value) {
  if (!value) {
    if (host::Err e = Check<host::PreferenceSuite>("PutStringPreference")) return e;
    return host::kBadParameterErr;
  }
  Value v;
  v.kind = Kind::kString;
  v.text = value;
  return PutValue("PutStringPreference", prefix, suffix, v);
}

host::Err VELM_HOSTCALL GetBoolean(const char* prefix, const char* suffix, host::Boolean* result) {
  Value v;
  host::Err e = GetValue("GetBooleanPreference", prefix, suffix, result, Kind::kBoolean, &v);
  if (!e) *result = v.integer != 0;
  return e;
}
host::Err VELM_HOSTCALL PutBoolean(const char* prefix, const char* suffix, host::Boolean value) {
  Value v;
  v.kind = Kind::kBoolean;
  v.integer = value ? 1 : 0;
  return PutValue("PutBooleanPreference", prefix, suffix, v);
}

}  // namespace

void InstallLifecycleSuites(host::MenuSuite& menu, host::TimerSuite& timer,
                            host::NotifierSuite& notifier, host::PreferenceSuite& preference) {
  menu.AddMenuItem = AddMenuItem;
  menu.SetItemText = SetItemText;
  timer.AddTimer = AddTimer;
  notifier.AddNotifier = AddNotifier;
  preference.GetIntegerPreference = GetInteger;
  preference.PutIntegerPreference = PutInteger;
  preference.GetPointPreference = GetPoint;
  preference.PutPointPreference = PutPoint;
  preference.GetStringPreference = GetString;
  preference.PutStringPreference = PutString;
  preference.GetBooleanPreference = GetBoolean;
  preference.PutBooleanPreference = PutBoolean;
}

// ---- The host's side ----

host::Err Host::ChooseMenuItem(const std::string& name) {
  MenuItem* item = objects_.FindMenuItem(name);
  if (!item) {
    Fail("there is no menu item \"" + name + "\" to choose");
    return host::kNotFoundErr;
  }
  host::MenuMessage m{NewMessage(), item->handle()};
  return Send(host::kCallerMenu, host::kSelectorGo, &m);
}

host::Err Host::UpdateMenus() {
  host::Err first = host::kNoErr;
  // By index: a handler may add items while the menus are updated.
  for (std::size_t i = 0; i < objects_.menuItems.size(); ++i) {
    host::MenuMessage m{NewMessage(), objects_.menuItems[i]->handle()};
    const host::Err err = Send(host::kCallerMenu, host::kSelectorUpdate, &m);
    if (err && !first) first = err;
  }
  return first;
}

std::string Host::MenuItemText(const std::string& name) {
  const MenuItem* item = objects_.FindMenuItem(name);
  return item ? item->text : std::string();
}

host::Err Host::AdvanceClock(std::int64_t ticks) {
  host::Err first = host::kNoErr;
  for (std::int64_t t = 0; t < ticks; ++t) {
    ++clock_;
    for (std::size_t i = 0; i < objects_.timers.size(); ++i) {
      Timer* timer = objects_.timers[i].get();
      if (timer->nextTick > clock_) continue;
      timer->nextTick = clock_ + timer->period;
      host::TimerMessage m{NewMessage(), timer->handle()};
      const host::Err err = Send(host::kCallerTimer, host::kSelectorGo, &m);
      if (err && !first) first = err;
    }
  }
  return first;
}

host::Err Host::SendTimerTick(const std::string& name) {
  Timer* timer = objects_.FindTimer(name);
  if (!timer) {
    Fail("there is no timer \"" + name + "\"");
    return host::kNotFoundErr;
  }
  host::TimerMessage m{NewMessage(), timer->handle()};
  return Send(host::kCallerTimer, host::kSelectorGo, &m);
}

host::Err Host::ApplicationStarted() {
  return Notify(kApplicationStartedNotifier);
}

host::Err Host::Notify(const std::string& type, void* notifyData) {
  host::Err first = host::kNoErr;
  for (std::size_t i = 0; i < objects_.notifiers.size(); ++i) {
    Notifier* notifier = objects_.notifiers[i].get();
    if (notifier->type != type) continue;
    host::NotifierMessage m{NewMessage(), notifier->handle(), notifier->type.c_str(), notifyData};
    const host::Err err = Send(host::kCallerNotifier, host::kSelectorNotify, &m);
    if (err && !first) first = err;
  }
  return first;
}

}  // namespace hostsim
