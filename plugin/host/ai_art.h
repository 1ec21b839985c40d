// Placeholder: operations are added as the subsystems that call them are built.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_LAYER_SUITE(OP)
VELM_DECLARE_SUITE(LayerSuite, "AI Layer Suite", 9, VELM_SUITE_LAYER_SUITE)

#define VELM_SUITE_ART_SUITE(OP)
VELM_DECLARE_SUITE(ArtSuite, "AI Art Suite", 8, VELM_SUITE_ART_SUITE)

#define VELM_SUITE_MATCHING_ART_SUITE(OP)
VELM_DECLARE_SUITE(MatchingArtSuite, "AI Matching Art Suite", 3, VELM_SUITE_MATCHING_ART_SUITE)

#define VELM_SUITE_GROUP_SUITE(OP)
VELM_DECLARE_SUITE(GroupSuite, "AI Group Suite", 2, VELM_SUITE_GROUP_SUITE)

#define VELM_SUITE_PLUGIN_GROUP_SUITE(OP)
VELM_DECLARE_SUITE(PluginGroupSuite, "AI Plugin Group Suite", 2, VELM_SUITE_PLUGIN_GROUP_SUITE)

#define VELM_SUITE_MASK_SUITE(OP)
VELM_DECLARE_SUITE(MaskSuite, "AI Mask Suite", 2, VELM_SUITE_MASK_SUITE)

}  // namespace host
