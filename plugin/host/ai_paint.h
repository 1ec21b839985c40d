// Placeholder: operations are added as the subsystems that call them are built.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_GRADIENT_SUITE(OP)
VELM_DECLARE_SUITE(GradientSuite, "AI Gradient Suite", 4, VELM_SUITE_GRADIENT_SUITE)

#define VELM_SUITE_CUSTOM_COLOR_SUITE(OP)
VELM_DECLARE_SUITE(CustomColorSuite, "AI Custom Color Suite", 5, VELM_SUITE_CUSTOM_COLOR_SUITE)

#define VELM_SUITE_PATTERN_SUITE(OP)
VELM_DECLARE_SUITE(PatternSuite, "AI Pattern Suite", 7, VELM_SUITE_PATTERN_SUITE)

#define VELM_SUITE_BLEND_STYLE_SUITE(OP)
VELM_DECLARE_SUITE(BlendStyleSuite, "AI Blend Style Suite", 1, VELM_SUITE_BLEND_STYLE_SUITE)

#define VELM_SUITE_ART_STYLE_SUITE(OP)
VELM_DECLARE_SUITE(ArtStyleSuite, "AI Art Style Suite", 2, VELM_SUITE_ART_STYLE_SUITE)

}  // namespace host
