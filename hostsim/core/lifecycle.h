// The objects a plug-in adds to the host's life cycle and user interface: menu items,
// timers and notifiers ("AI Menu Suite", "AI Timer Suite", "AI Notifier Suite"). The
// host keeps them until the plug-in is shut down; their messages go through Host::Send.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/types.h"

namespace hostsim {

struct MenuItem {
  std::string name;
  std::string group;
  std::string text;  // Shift-JIS bytes
  std::int32_t options = 0;
  host::PluginRef plugin = nullptr;
  host::MenuItemHandle handle() { return reinterpret_cast<host::MenuItemHandle>(this); }
};

struct Timer {
  std::string name;
  std::int32_t period = 0;  // host ticks (1/60 s)
  std::int64_t nextTick = 0;
  host::PluginRef plugin = nullptr;
  host::TimerHandle handle() { return reinterpret_cast<host::TimerHandle>(this); }
};

struct Notifier {
  std::string name;
  std::string type;
  host::PluginRef plugin = nullptr;
  host::NotifierHandle handle() { return reinterpret_cast<host::NotifierHandle>(this); }
};

// The menu groups a menu item can be added to, and the notification types a plug-in
// can subscribe to.
inline constexpr const char* kMenuGroups[] = {"Palettes", "Window", "About", "Help"};
inline constexpr const char kApplicationStartedNotifier[] = "AI Application Started Notifier";
inline constexpr const char* kNotifierTypes[] = {
    kApplicationStartedNotifier,
    "AI Application Shutdown Notifier",
    "AI Art Selection Changed Notifier",
    "AI Document Changed Notifier",
};

struct LifecycleObjects {
  std::vector<std::unique_ptr<MenuItem>> menuItems;
  std::vector<std::unique_ptr<Timer>> timers;
  std::vector<std::unique_ptr<Notifier>> notifiers;

  MenuItem* Find(host::MenuItemHandle handle);
  // The first item added under `name`, or null.
  MenuItem* FindMenuItem(const std::string& name);
  Timer* FindTimer(const std::string& name);
  void Clear();
};

}  // namespace hostsim
