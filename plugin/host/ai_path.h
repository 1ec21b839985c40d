// Paths: their segments, their paint (two generations of the path-style suite), moving
// their paint with a transform, and the host's hard coordinates.
//
// Hard coordinates are the host's internal page coordinates: an artwork point moved by
// a fixed offset, the hard image of the point (0, 0). Both axes point the same way as in
// artwork coordinates, so moving art by some distance moves its hard coordinates by the
// same distance.
#pragma once

#include "host/art_types.h"
#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_PATH_SUITE(OP)                                                             \
  /* Number of segments (anchors) of the path; kBadParameterErr when `art` is not a path. */  \
  OP(Err, GetPathSegmentCount, (ArtHandle path, std::int32_t * count))                        \
  /* Copies segments index … index + count - 1; kBadParameterErr when the range passes the  \
     end. */                                                                                  \
  OP(Err, GetPathSegments,                                                                    \
     (ArtHandle path, std::int32_t index, std::int32_t count, PathSegment * segments))        \
  /* Replaces segments from `index` on; segments past the end are appended (so a new path     \
     is built one segment at a time from index 0); kBadParameterErr when `index` lies past    \
     the end, kTooManyPointsErr when the path would grow too long. */                         \
  OP(Err, SetPathSegments,                                                                    \
     (ArtHandle path, std::int32_t index, std::int32_t count, const PathSegment* segments))   \
  /* Removes segments index … index + count - 1; kBadParameterErr when the range passes the \
     end. */                                                                                  \
  OP(Err, DeletePathSegments, (ArtHandle path, std::int32_t index, std::int32_t count))       \
  /* Whether the last segment joins the first; kBadParameterErr as above. */                  \
  OP(Err, GetPathClosed, (ArtHandle path, Boolean * closed))                                  \
  /* Opens or closes the path; kBadParameterErr as above. */                                  \
  OP(Err, SetPathClosed, (ArtHandle path, Boolean closed))                                    \
  /* Whether the path is a guide (not printed, not captured); kBadParameterErr as above. */   \
  OP(Err, GetPathGuide, (ArtHandle path, Boolean * guide))
VELM_DECLARE_SUITE(PathSuite, "AI Path Suite", 4, VELM_SUITE_PATH_SUITE)

// The paint of a path or compound path. This generation reports and takes the matrix of
// a gradient colour in artwork coordinates: its translation is the gradient's anchor
// point on the page.
#define VELM_SUITE_PATH_STYLE_SUITE(OP)                                                \
  /* The art's path style, every byte filled; kBadParameterErr for art without one. */ \
  OP(Err, GetPathStyle, (ArtHandle art, PathStyle * style))                            \
  /* Paints the art with `style`; a gradient or pattern colour must name an existing   \
     gradient or pattern. Fails with kBadParameterErr, kLockedLayerErr. */             \
  OP(Err, SetPathStyle, (ArtHandle art, const PathStyle* style))
VELM_DECLARE_SUITE(PathStyleSuite, "AI Path Style Suite", 5, VELM_SUITE_PATH_STYLE_SUITE)

#define VELM_SUITE_TRANSFORM_ART_SUITE(OP)                                                 \
  /* Applies `matrix` to what `flags` (TransformFlags) names: with kTransformFillGradients \
     only, the art stays put and its fill gradients' matrices are multiplied by `matrix`;  \
     stroke widths scale by `lineScale` when the art itself moves. Fails with              \
     kBadParameterErr, kLockedLayerErr. */                                                 \
  OP(Err, TransformArt,                                                                    \
     (ArtHandle art, const RealMatrix* matrix, Real lineScale, std::int32_t flags))
VELM_DECLARE_SUITE(TransformArtSuite, "AI Transform Art Suite", 1, VELM_SUITE_TRANSFORM_ART_SUITE)

#define VELM_SUITE_HARD_SOFT_SUITE(OP)                             \
  /* The hard image of an artwork point (dst may equal src). */    \
  OP(Err, RealPointHarden, (const RealPoint* src, RealPoint* dst)) \
  /* The artwork point of a hard point (dst may equal src). */     \
  OP(Err, RealPointSoften, (const RealPoint* src, RealPoint* dst))
VELM_DECLARE_SUITE(HardSoftSuite, "AI Hard Soft Suite", 2, VELM_SUITE_HARD_SOFT_SUITE)

// The previous generation of the path-style suite: the same path style, except for the
// matrix of a gradient colour, which it reports and takes in the older convention, a frame
// whose vertical axis points down: b and c with the opposite sign of the current
// generation's, and the translation moved by the hard image H of (0, 0), h less and v
// more. The current (a, b, c, d, tx, ty) is reported as (a, -b, -c, d, tx - H.h, ty + H.v).
#define VELM_SUITE_PATH_STYLE_SUITE4(OP)                                                      \
  /* The art's path style, gradient matrix as above; kBadParameterErr for art without one. */ \
  OP(Err, GetPathStyle, (ArtHandle art, PathStyle * style))                                   \
  /* Paints the art with `style`, gradient matrix as above; fails as the current              \
     generation's SetPathStyle. */                                                            \
  OP(Err, SetPathStyle, (ArtHandle art, const PathStyle* style))
VELM_DECLARE_SUITE(PathStyleSuite4, "AI Path Style Suite", 4, VELM_SUITE_PATH_STYLE_SUITE4)

}  // namespace host
