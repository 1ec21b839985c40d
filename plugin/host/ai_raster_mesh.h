// Placeholder: operations are added as the subsystems that call them are built.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_RASTER_SUITE(OP)
VELM_DECLARE_SUITE(RasterSuite, "AI Raster Suite", 5, VELM_SUITE_RASTER_SUITE)

#define VELM_SUITE_MESH_SUITE(OP)
VELM_DECLARE_SUITE(MeshSuite, "AI Mesh Suite", 2, VELM_SUITE_MESH_SUITE)

#define VELM_SUITE_MESH_PATCH_SUITE(OP)
VELM_DECLARE_SUITE(MeshPatchSuite, "AI Mesh Patch Suite", 1, VELM_SUITE_MESH_PATCH_SUITE)

#define VELM_SUITE_MESH_VERTEX_SUITE(OP)
VELM_DECLARE_SUITE(MeshVertexSuite, "AI Mesh Vertex Suite", 1, VELM_SUITE_MESH_VERTEX_SUITE)

#define VELM_SUITE_MESH_SEGMENT_SUITE(OP)
VELM_DECLARE_SUITE(MeshSegmentSuite, "AI Mesh Segment Suite", 1, VELM_SUITE_MESH_SEGMENT_SUITE)

}  // namespace host
