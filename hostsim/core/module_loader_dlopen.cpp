// The Linux module, through the dynamic loader.
#include <dlfcn.h>

#include "hostsim/core/module_loader.h"

namespace hostsim {

bool LoadPluginModule(const std::string& path, LoadedModule* module, std::string* error) {
  *module = LoadedModule{};
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* e = dlerror();
    *error = e ? e : "cannot load the module";
    return false;
  }
  auto main = reinterpret_cast<host::PluginMainProc>(dlsym(handle, "PluginMain"));
  using TableProc = const velm::res::ResourceTable*(VELM_HOSTCALL*)();
  auto table = reinterpret_cast<TableProc>(dlsym(handle, "VelmResourceTable"));
  const velm::res::ResourceTable* resources = table ? table() : nullptr;
  if (!main || !resources || resources->version != velm::res::kResourceTableVersion) {
    *error = "the module does not export PluginMain and a resource table";
    dlclose(handle);
    return false;
  }
  *module = LoadedModule{handle, main, resources};
  return true;
}

void UnloadPluginModule(void* handle) {
  if (handle) dlclose(handle);
}

const ForeignPorts* ModuleForeignPorts() {
  return nullptr;
}

const char* ModuleLoaderName() {
  return "dlopen";
}

}  // namespace hostsim
