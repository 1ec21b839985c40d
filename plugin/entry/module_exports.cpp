// What the module exports: PluginMain everywhere, and off Windows the resource table
// that the stand-in host reads (on Windows the resources are linked in as such).
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
VELM_EXPORT const velm::res::ResourceTable* VelmResourceTable() {
  return &velm::res::Resources();
}
#endif
