// Placeholder: operations are added as the subsystems that call them are built.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_PATH_SUITE(OP)
VELM_DECLARE_SUITE(PathSuite, "AI Path Suite", 4, VELM_SUITE_PATH_SUITE)

#define VELM_SUITE_PATH_STYLE_SUITE(OP)
VELM_DECLARE_SUITE(PathStyleSuite, "AI Path Style Suite", 5, VELM_SUITE_PATH_STYLE_SUITE)

#define VELM_SUITE_TRANSFORM_ART_SUITE(OP)
VELM_DECLARE_SUITE(TransformArtSuite, "AI Transform Art Suite", 1, VELM_SUITE_TRANSFORM_ART_SUITE)

#define VELM_SUITE_HARD_SOFT_SUITE(OP)
VELM_DECLARE_SUITE(HardSoftSuite, "AI Hard Soft Suite", 2, VELM_SUITE_HARD_SOFT_SUITE)

#define VELM_SUITE_PATH_STYLE_SUITE4(OP)
VELM_DECLARE_SUITE(PathStyleSuite4, "AI Path Style Suite", 4, VELM_SUITE_PATH_STYLE_SUITE4)

}  // namespace host
