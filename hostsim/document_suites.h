// The suites the stand-in host implements over its document, one Install function per
// family (each in its own file), called when the host fills its suite tables.
#pragma once

#include "host/suite_list.h"

namespace hostsim {

// art_suites.cpp
void InstallArtSuites(host::LayerSuite& layer, host::ArtSuite& art, host::GroupSuite& group,
                      host::PluginGroupSuite& plugin);

}  // namespace hostsim
