// What the module exports: PluginMain everywhere, and off Windows the resource table the
// stand-in host reads. A Windows module exports PluginMain alone: its host reads the
// resources (the property list naming the entry point among them) from the module itself.
#include "entry/plugin_main.h"
#include "frame/host_entry.h"
#include "resources/resource_table.h"

#if defined(_WIN32)
#define VELM_EXPORT extern "C" __declspec(dllexport)
#else
#define VELM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VELM_EXPORT host::Err VELM_HOSTCALL PluginMain(const char* caller, const char* selector,
                                               void* message) {
  return velm::HostEntry<velm::PluginMainImpl>::Call(caller, selector, message);
}

#if !defined(_WIN32)
VELM_EXPORT const velm::res::ResourceTable* VELM_HOSTCALL VelmResourceTable() {
  return &velm::res::Resources();
}
#endif
