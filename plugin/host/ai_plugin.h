// The plug-in's own record with the host, and the host's memory service.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_PLUGIN_SUITE(OP)                                     \
  /* The plug-in's option flags. */                                     \
  OP(Err, GetPluginOptions, (PluginRef plugin, std::int32_t * options)) \
  /* Replaces the plug-in's option flags. */                            \
  OP(Err, SetPluginOptions, (PluginRef plugin, std::int32_t options))
VELM_DECLARE_SUITE(PluginSuite, "AI Plugin Suite", 3, VELM_SUITE_PLUGIN_SUITE)

// Acquired with the others; the plug-in takes its memory from the platform layer and
// calls nothing here.
#define VELM_SUITE_MD_MEMORY_SUITE(OP)
VELM_DECLARE_SUITE(MdMemorySuite, "AI MdMemory Suite", 1, VELM_SUITE_MD_MEMORY_SUITE)

}  // namespace host
