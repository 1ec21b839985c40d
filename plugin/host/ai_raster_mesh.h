// Raster images and gradient meshes.
#pragma once

#include "host/art_types.h"
#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

// Every operation fails with kBadParameterErr when `art` is not raster art; the setters
// also with kLockedLayerErr.
#define VELM_SUITE_RASTER_SUITE(OP)                                                          \
  /* The raster's description. */                                                            \
  OP(Err, GetRasterInfo, (ArtHandle art, RasterRecord * info))                               \
  /* Describes the raster anew (size, colour space, depth); its pixels start zero;           \
     kOutOfMemoryErr. */                                                                     \
  OP(Err, SetRasterInfo, (ArtHandle art, const RasterRecord* info))                          \
  /* The matrix that places the raster's pixels on the page. */                              \
  OP(Err, GetRasterMatrix, (ArtHandle art, RealMatrix * matrix))                             \
  /* Sets the placing matrix. */                                                             \
  OP(Err, SetRasterMatrix, (ArtHandle art, const RealMatrix* matrix))                        \
  /* The raster's bounding box in artwork coordinates. */                                    \
  OP(Err, GetRasterBoundingBox, (ArtHandle art, RealRect * bounds))                          \
  /* Sets the bounding box. */                                                               \
  OP(Err, SetRasterBoundingBox, (ArtHandle art, const RealRect* bounds))                     \
  /* Copies the pixels of `artSlice` into `tile`'s buffer at `tileSlice`; pixels outside the \
     raster leave the buffer as it was. kBadParameterErr for slices of different sizes. */   \
  OP(Err, GetRasterTile,                                                                     \
     (ArtHandle art, const Slice* artSlice, Tile* tile, const Slice* tileSlice))             \
  /* Copies `tile`'s pixels at `tileSlice` into the raster at `artSlice`; pixels outside the \
     raster are dropped. kBadParameterErr as above. */                                       \
  OP(Err, SetRasterTile,                                                                     \
     (ArtHandle art, const Slice* artSlice, const Tile* tile, const Slice* tileSlice))
VELM_DECLARE_SUITE(RasterSuite, "AI Raster Suite", 5, VELM_SUITE_RASTER_SUITE)

// A mesh is a grid of i × j patches whose (i + 1) × (j + 1) nodes are vertices. Every
// operation fails with kBadParameterErr when `art` is not mesh art.
#define VELM_SUITE_MESH_SUITE(OP)                                                           \
  /* Makes the mesh a cartesian grid of i × j patches; kBadParameterErr for sizes < 1. */  \
  OP(Err, InitCartesianMesh, (ArtHandle art, std::int32_t i, std::int32_t j))               \
  /* Makes the mesh a polar grid of i × j patches; kBadParameterErr as above. */           \
  OP(Err, InitPolarMesh, (ArtHandle art, std::int32_t i, std::int32_t j))                   \
  /* The mesh's MeshKind. */                                                                \
  OP(Err, GetMeshKind, (ArtHandle art, std::int32_t * kind))                                \
  /* The number of patches in each direction. */                                            \
  OP(Err, GetMeshSize, (ArtHandle art, std::int32_t * i, std::int32_t * j))                 \
  /* The vertex at node (i, j), 0 … size inclusive; kBadParameterErr outside the grid. */ \
  OP(Err, GetMeshNode, (ArtHandle art, std::int32_t i, std::int32_t j, MeshVertexHandle * vertex))
VELM_DECLARE_SUITE(MeshSuite, "AI Mesh Suite", 2, VELM_SUITE_MESH_SUITE)

// Acquired with the others; the plug-in works on vertices and segments and calls
// nothing here.
#define VELM_SUITE_MESH_PATCH_SUITE(OP)
VELM_DECLARE_SUITE(MeshPatchSuite, "AI Mesh Patch Suite", 1, VELM_SUITE_MESH_PATCH_SUITE)

// A vertex has a colour, a position and up to four segments leaving it, each with a
// tangent and a smoothness flag. Every operation fails with kBadParameterErr for a bad
// vertex or a segment number past CountVertexSegments.
#define VELM_SUITE_MESH_VERTEX_SUITE(OP)                                                         \
  /* Number of segments leaving the vertex (0 … 4). */                                         \
  OP(Err, CountVertexSegments, (MeshVertexHandle vertex, std::int32_t * count))                  \
  /* The vertex colour (gray, process, RGB or custom). */                                        \
  OP(Err, GetVertexColor, (MeshVertexHandle vertex, Color * color))                              \
  /* Sets the vertex colour; kBadParameterErr for a kind a vertex cannot have. */                \
  OP(Err, SetVertexColor, (MeshVertexHandle vertex, const Color* color))                         \
  /* The vertex position. */                                                                     \
  OP(Err, GetVertexPoint, (MeshVertexHandle vertex, RealPoint * point))                          \
  /* Moves the vertex; the segments' end points follow. */                                       \
  OP(Err, SetVertexPoint, (MeshVertexHandle vertex, const RealPoint* point))                     \
  /* The tangent of segment `n` at this vertex (a point). */                                     \
  OP(Err, GetVertexTangent, (MeshVertexHandle vertex, std::int32_t n, RealPoint * tangent))      \
  /* Sets the tangent of segment `n`. */                                                         \
  OP(Err, SetVertexTangent, (MeshVertexHandle vertex, std::int32_t n, const RealPoint* tangent)) \
  /* Whether segment `n` leaves the vertex smoothly. */                                          \
  OP(Err, GetVertexSmooth, (MeshVertexHandle vertex, std::int32_t n, Boolean * smooth))          \
  /* Sets the smoothness of segment `n`. */                                                      \
  OP(Err, SetVertexSmooth, (MeshVertexHandle vertex, std::int32_t n, Boolean smooth))            \
  /* Segment `n`, running from this vertex to the next node. */                                  \
  OP(Err, GetVertexSegment, (MeshVertexHandle vertex, std::int32_t n, MeshSegmentHandle * segment))
VELM_DECLARE_SUITE(MeshVertexSuite, "AI Mesh Vertex Suite", 1, VELM_SUITE_MESH_VERTEX_SUITE)

// A segment is a curve between two vertices, given by its control points. Every operation
// fails with kBadParameterErr for a bad segment or a point number past the count.
#define VELM_SUITE_MESH_SEGMENT_SUITE(OP)                                                  \
  /* Number of control points of the segment. */                                           \
  OP(Err, CountSegmentPoints, (MeshSegmentHandle segment, std::int32_t * count))           \
  /* Control point `n` (0-based, from this segment's start). */                            \
  OP(Err, GetSegmentPoint, (MeshSegmentHandle segment, std::int32_t n, RealPoint * point)) \
  /* Moves control point `n`. */                                                           \
  OP(Err, SetSegmentPoint, (MeshSegmentHandle segment, std::int32_t n, const RealPoint* point))
VELM_DECLARE_SUITE(MeshSegmentSuite, "AI Mesh Segment Suite", 1, VELM_SUITE_MESH_SEGMENT_SUITE)

}  // namespace host
