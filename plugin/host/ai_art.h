// The document's art tree: layers, art objects, groups and plug-in art. Art created here
// goes into the current document as part of the undo step of the host call in progress.
#pragma once

#include "host/art_types.h"
#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_LAYER_SUITE(OP)                                                        \
  /* Number of layers of the current document (0 without a document). */                  \
  OP(Err, CountLayers, (std::int32_t * count))                                            \
  /* Layer `index` (0-based, topmost first); fails with kBadParameterErr past the end. */ \
  OP(Err, GetNthLayer, (std::int32_t index, LayerHandle * layer))                         \
  /* The layer new art goes into; fails with kNotFoundErr without a document. */          \
  OP(Err, GetCurrentLayer, (LayerHandle * layer))                                         \
  /* Whether the layer is shown; fails with kBadParameterErr for a bad handle. */         \
  OP(Err, GetLayerVisible, (LayerHandle layer, Boolean * visible))                        \
  /* Whether the layer's art may be changed (not locked); kBadParameterErr as above. */   \
  OP(Err, GetLayerEditable, (LayerHandle layer, Boolean * editable))
VELM_DECLARE_SUITE(LayerSuite, "AI Layer Suite", 9, VELM_SUITE_LAYER_SUITE)

#define VELM_SUITE_ART_SUITE(OP)                                                                 \
  /* The layer's own group, which holds all its art; kBadParameterErr for a bad layer. */        \
  OP(Err, GetFirstArtOfLayer, (LayerHandle layer, ArtHandle * art))                              \
  /* The art's ArtType code; kBadParameterErr for a bad handle. */                               \
  OP(Err, GetArtType, (ArtHandle art, std::int32_t * type))                                      \
  /* The art's user attributes masked by `which` (ArtAttribute bits); kBadParameterErr. */       \
  OP(Err, GetArtUserAttr, (ArtHandle art, std::int32_t which, std::int32_t * attributes))        \
  /* The topmost child of a group or compound path, null when it has none. */                    \
  OP(Err, GetArtFirstChild, (ArtHandle art, ArtHandle * child))                                  \
  /* The next art below in the same container, null after the last. */                           \
  OP(Err, GetArtSibling, (ArtHandle art, ArtHandle * sibling))                                   \
  /* Bounds of the art as drawn (left, top, right, bottom; top ≥ bottom); kBadParameterErr. */ \
  OP(Err, GetArtBounds, (ArtHandle art, RealRect * bounds))                                      \
  /* Creates empty art of ArtType `type`, placed by PaintOrder relative to `prep`; fails         \
     with kLockedLayerErr on a locked or hidden layer, kBadParameterErr for a type that          \
     cannot be created or a missing reference. */                                                \
  OP(Err, NewArt,                                                                                \
     (std::int32_t type, std::int32_t paintOrder, ArtHandle prep, ArtHandle * newArt))           \
  /* Removes the art and its children from the document; kBadParameterErr. */                    \
  OP(Err, DisposeArt, (ArtHandle art))                                                           \
  /* Copies the art with its children, placed by PaintOrder relative to `prep`; fails as         \
     NewArt does. */                                                                             \
  OP(Err, DuplicateArt,                                                                          \
     (ArtHandle art, std::int32_t paintOrder, ArtHandle prep, ArtHandle * newArt))
VELM_DECLARE_SUITE(ArtSuite, "AI Art Suite", 8, VELM_SUITE_ART_SUITE)

// Acquired with the others; the plug-in walks the art tree itself and calls nothing here.
#define VELM_SUITE_MATCHING_ART_SUITE(OP)
VELM_DECLARE_SUITE(MatchingArtSuite, "AI Matching Art Suite", 3, VELM_SUITE_MATCHING_ART_SUITE)

#define VELM_SUITE_GROUP_SUITE(OP)                                                      \
  /* Whether the group clips its other children to its clipping path; kBadParameterErr  \
     when the art is not a group. */                                                    \
  OP(Err, GetGroupClipped, (ArtHandle group, Boolean * clipped))                        \
  /* Makes the group a clipping group or an ordinary one; kBadParameterErr as above. */ \
  OP(Err, SetGroupClipped, (ArtHandle group, Boolean clipped))
VELM_DECLARE_SUITE(GroupSuite, "AI Group Suite", 2, VELM_SUITE_GROUP_SUITE)

// Plug-in art: art owned by a plug-in group, drawn through its result art and edited
// through its edit art, carrying private data of its own.
#define VELM_SUITE_PLUGIN_GROUP_SUITE(OP)                                                   \
  /* The art the plug-in art draws as, null when it has none; kBadParameterErr when `art`   \
     is not plug-in art. */                                                                 \
  OP(Err, GetPluginArtResultArt, (ArtHandle art, ArtHandle * resultArt))                    \
  /* Number of plug-in groups registered with the host. */                                  \
  OP(Err, CountPluginGroups, (std::int32_t * count))                                        \
  /* Plug-in group `index` (0-based); kBadParameterErr past the end. */                     \
  OP(Err, GetNthPluginGroup, (std::int32_t index, PluginGroupHandle * group))               \
  /* The group's name, valid while the group exists; kBadParameterErr for a bad handle. */  \
  OP(Err, GetPluginGroupName, (PluginGroupHandle group, const char** name))                 \
  /* Makes `editArt` (a group, taken out of its place) the art the user edits. */           \
  OP(Err, SetPluginArtEditArt, (ArtHandle art, ArtHandle editArt))                          \
  /* Attaches the plug-in art to `group`; kBadParameterErr for a bad handle. */             \
  OP(Err, SetPluginArtPluginGroup, (ArtHandle art, PluginGroupHandle group))                \
  /* Sets the version of the plug-in art's data. */                                         \
  OP(Err, SetPluginArtVersion, (ArtHandle art, std::int32_t major, std::int32_t minor))     \
  /* Resizes the private data to `count` bytes (new bytes zero); kOutOfMemoryErr. */        \
  OP(Err, SetPluginArtDataCount, (ArtHandle art, std::uint32_t count))                      \
  /* Copies `count` bytes into the private data from byte `index` on; kBadParameterErr when \
     the range passes the data count. */                                                    \
  OP(Err, SetPluginArtDataRange,                                                            \
     (ArtHandle art, const void* data, std::uint32_t index, std::uint32_t count))
VELM_DECLARE_SUITE(PluginGroupSuite, "AI Plugin Group Suite", 2, VELM_SUITE_PLUGIN_GROUP_SUITE)

// Acquired with the others; the plug-in calls nothing here (clipping is a group flag).
#define VELM_SUITE_MASK_SUITE(OP)
VELM_DECLARE_SUITE(MaskSuite, "AI Mask Suite", 2, VELM_SUITE_MASK_SUITE)

}  // namespace host
