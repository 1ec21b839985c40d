// What the module exports: PluginMain everywhere, and the resource table that the stand-in
// host reads off Windows and in the 64-bit Windows module it loads under wine. The 32-bit
// module, the product, exports PluginMain alone: a real host reads its resources as such.
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

#if !defined(_WIN32) || defined(_WIN64)
VELM_EXPORT const velm::res::ResourceTable* VELM_HOSTCALL VelmResourceTable() {
  return &velm::res::Resources();
}
#endif
