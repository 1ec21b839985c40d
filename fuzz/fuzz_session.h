// What the fuzz targets share: one plug-in session for the whole run, started in the
// stand-in host over a library folder of its own that goes with the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "plugin_session.h"

namespace velmfuzz {

// The session (started on first use; the process ends when it cannot start).
velmsession::PluginSession& Session();
std::filesystem::path LibraryFolder();

// Makes `bytes` the whole group file "<group>.VEL" (ASCII name) of the library.
void WriteGroupFile(const char* group, const std::uint8_t* bytes, std::size_t size);

}  // namespace velmfuzz
