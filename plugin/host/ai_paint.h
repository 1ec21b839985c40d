// Paint resources of a document (gradients, custom colours, patterns) and the
// transparency and appearance of art.
#pragma once

#include "host/art_types.h"
#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_GRADIENT_SUITE(OP)                                                             \
  /* Adds a linear gradient with two stops to the document; kOutOfMemoryErr. */                   \
  OP(Err, NewGradient, (GradientHandle * gradient))                                               \
  /* The gradient's GradientType; kBadParameterErr for a bad handle. */                           \
  OP(Err, GetGradientType, (GradientHandle gradient, std::int32_t * type))                        \
  /* Sets the gradient's GradientType; kBadParameterErr for a bad handle or type. */              \
  OP(Err, SetGradientType, (GradientHandle gradient, std::int32_t type))                          \
  /* Number of stops; kBadParameterErr for a bad handle. */                                       \
  OP(Err, GetGradientStopCount, (GradientHandle gradient, std::int32_t * count))                  \
  /* Stop `index` (0-based, in ramp order); kBadParameterErr past the end. */                     \
  OP(Err, GetNthGradientStop, (GradientHandle gradient, std::int32_t index, GradientStop * stop)) \
  /* Replaces stop `index`; kBadParameterErr past the end. */                                     \
  OP(Err, SetNthGradientStop,                                                                     \
     (GradientHandle gradient, std::int32_t index, const GradientStop* stop))                     \
  /* Inserts a stop before position `index` (at the end when index equals the count);             \
     kBadParameterErr past the end. */                                                            \
  OP(Err, InsertGradientStop,                                                                     \
     (GradientHandle gradient, std::int32_t index, const GradientStop* stop))
VELM_DECLARE_SUITE(GradientSuite, "AI Gradient Suite", 4, VELM_SUITE_GRADIENT_SUITE)

#define VELM_SUITE_CUSTOM_COLOR_SUITE(OP)                                            \
  /* The colour's definition at full strength; kBadParameterErr for a bad handle. */ \
  OP(Err, GetCustomColor, (CustomColorHandle color, CustomColorDefinition * definition))
VELM_DECLARE_SUITE(CustomColorSuite, "AI Custom Color Suite", 5, VELM_SUITE_CUSTOM_COLOR_SUITE)

#define VELM_SUITE_PATTERN_SUITE(OP)                                                      \
  /* Adds an empty pattern to the document; kOutOfMemoryErr. */                           \
  OP(Err, NewPattern, (PatternHandle * pattern))                                          \
  /* The group art that defines the pattern, null when it has none; kBadParameterErr. */  \
  OP(Err, GetPatternArt, (PatternHandle pattern, ArtHandle * art))                        \
  /* Makes a copy of `art` (usually a group outside the layers) the pattern's definition; \
     the caller keeps `art` and may dispose of it. kBadParameterErr. */                   \
  OP(Err, SetPatternArt, (PatternHandle pattern, ArtHandle art))
VELM_DECLARE_SUITE(PatternSuite, "AI Pattern Suite", 7, VELM_SUITE_PATTERN_SUITE)

// Transparency of an art object. Every operation fails with kBadParameterErr for a bad
// handle; the setters also with kLockedLayerErr.
#define VELM_SUITE_BLEND_STYLE_SUITE(OP)                            \
  /* The blending mode (0 normal). */                               \
  OP(Err, GetBlendingMode, (ArtHandle art, std::int32_t * mode))    \
  /* The opacity, 0 … 1 (1 opaque). */                            \
  OP(Err, GetOpacity, (ArtHandle art, Real * opacity))              \
  /* Whether the art's children blend only among themselves. */     \
  OP(Err, GetIsolated, (ArtHandle art, Boolean * isolated))         \
  /* The KnockoutState. */                                          \
  OP(Err, GetKnockout, (ArtHandle art, std::int32_t * knockout))    \
  /* Whether the art's opacity also shapes its knockout. */         \
  OP(Err, GetAlphaIsShape, (ArtHandle art, Boolean * alphaIsShape)) \
  /* Sets the blending mode. */                                     \
  OP(Err, SetBlendingMode, (ArtHandle art, std::int32_t mode))      \
  /* Sets the opacity (clamped to 0 … 1). */                      \
  OP(Err, SetOpacity, (ArtHandle art, Real opacity))                \
  /* Sets the isolation flag. */                                    \
  OP(Err, SetIsolated, (ArtHandle art, Boolean isolated))           \
  /* Sets the KnockoutState. */                                     \
  OP(Err, SetKnockout, (ArtHandle art, std::int32_t knockout))      \
  /* Sets the alpha-is-shape flag. */                               \
  OP(Err, SetAlphaIsShape, (ArtHandle art, Boolean alphaIsShape))
VELM_DECLARE_SUITE(BlendStyleSuite, "AI Blend Style Suite", 1, VELM_SUITE_BLEND_STYLE_SUITE)

#define VELM_SUITE_ART_STYLE_SUITE(OP)                                                 \
  /* The art the host generates to draw the art's appearance (effects, extra fills and \
     strokes): the art itself when its appearance is plain paint, null when it draws   \
     nothing. kBadParameterErr for a bad handle. */                                    \
  OP(Err, GetStyledArt, (ArtHandle art, ArtHandle * styledArt))
VELM_DECLARE_SUITE(ArtStyleSuite, "AI Art Style Suite", 2, VELM_SUITE_ART_STYLE_SUITE)

}  // namespace host
