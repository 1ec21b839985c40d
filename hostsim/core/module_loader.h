// How the host brings a plug-in module into the process and finds its entry points. The
// stand-in host loads the Linux module with the dynamic loader; its build for the Windows
// module (hostsim/wine/) loads the DLL through the Windows loader under wine instead.
// Either way the host sees the same three things.
#pragma once

#include <cstdint>
#include <string>

#include "host/messages.h"
#include "resources/resource_table.h"

namespace hostsim {

struct LoadedModule {
  void* handle = nullptr;  // the module instance the plug-in is told of
  host::PluginMainProc main = nullptr;
  const velm::res::ResourceTable* resources = nullptr;
};

// Loads the module at `path` (a path of this system) and finds PluginMain and the resource
// table; false with a reason when it cannot, and nothing stays loaded.
bool LoadPluginModule(const std::string& path, LoadedModule* module, std::string* error);
// Unloads a module LoadPluginModule gave.
void UnloadPluginModule(void* handle);
// Makes `folder` (the host's drive C:) the drive C: of the module's own Windows calls. The
// Linux module finds its drives through the host; under wine the host points the wine
// prefix's drive C: at the folder and links the Windows folder into it.
void MapModuleDriveC(const std::string& folder);
// The drawing contexts of the module's own window system, where it has one of its own
// (under wine, GDI's): the module may hand the host a memory context of its own to draw
// into (a thumbnail's). The host draws into a copy of its bitmap's pixels, 0x00RRGGBB,
// rows top first, and writes them back.
struct ForeignPorts {
  // The size of the bitmap selected into `port`; false when `port` is no such context.
  bool (*size)(void* port, std::int32_t* width, std::int32_t* height);
  bool (*read)(void* port, std::int32_t width, std::int32_t height, std::uint32_t* pixels);
  bool (*write)(void* port, std::int32_t width, std::int32_t height, const std::uint32_t* pixels);
  // A memory context of that window system on a new width × height bitmap, for the module
  // to draw on where the host hands it a platform drawing context; null when it cannot be
  // made. Give it back with release.
  void* (*create)(std::int32_t width, std::int32_t height);
  void (*release)(void* port);
  // The window of that system standing for the host's window `key` (made on first use),
  // a child of `parent` (null: a top-level window) on top of its siblings, its client area
  // at `client` (screen pixels): the module finds the document's window from the
  // application's and converts the cursor's position through it.
  void* (*window)(const void* key, void* parent, std::int32_t left, std::int32_t top,
                  std::int32_t right, std::int32_t bottom);
  // Moves that system's cursor to the host's (screen pixels).
  void (*cursor)(std::int32_t x, std::int32_t y);
};
// Null when the module draws through the host's own desktop (the Linux module).
const ForeignPorts* ModuleForeignPorts();
// What the loader is ("dlopen" or "windows"), for the host's reports.
const char* ModuleLoaderName();

}  // namespace hostsim
