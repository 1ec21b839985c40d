// The raster and mesh writers: a raster object with the raster's description, placement
// and pixels in 32 x 32 tiles, and a gradient mesh object with every vertex's colour,
// position and segments.
#pragma once

#include <cstdint>

#include "artformat/art_objects.h"
#include "host/types.h"
#include "platform/os.h"

namespace velm {

// Starting size of a raster object buffer (its head).
inline constexpr std::uint32_t kRasterObjectStartSize = 92;
// Size of the mesh object head that the art tree writer builds before the mesh writer.
inline constexpr std::uint32_t kMeshObjectHeadSize = 40;

// Fills `object` with a complete raster object (type 9) for `raster`, its matrix moved by
// -origin, or leaves it unbuilt (type 0) on any host error. `object` is grown as needed
// (the handle is updated). Returns 0, or the host error that left it unbuilt. A raster whose pixel
// bounds do not fit the stored 16-bit fields, or whose object would pass 2 GiB, is left
// unbuilt and -1 returned: it is refused rather than stored wrongly.
host::Err PostArtRasterProcess(host::ArtHandle raster, os::MemHandle& object,
                               host::RealPoint origin);

// Completes a mesh object whose 40-byte head (type 11, length 40, mesh kind, i and j
// sizes, vertex count 0) is already in `object`: appends a vertex record for every node,
// coordinates moved by -origin. `object` is grown as needed (the handle is updated).
//
// A reader takes one vertex record per node in node order, so every node has its record,
// one with no segments included, and a node or segment that cannot be read leaves the
// whole mesh unbuilt (type 0) with the host's error, rather than shifting every later
// vertex onto the wrong node or storing part of its edges. -1 when memory ran out.
host::Err PostArtMeshProcess(host::ArtHandle mesh, os::MemHandle& object, host::RealPoint origin);

// Record builders of the mesh writer. Each grows the receiving buffer as needed (the
// handle is updated) and returns false when memory runs out (the capture is then
// stopped) or the record would pass 2 GiB.
//
// Starts a vertex record: length 84, the colour and point, no segments.
bool NewMeshVertexRecord(os::MemHandle& vertex, const StoredColor& color, host::FixedPoint point);
// Starts a segment record: length 24, the tangent and smooth flag, no points.
bool NewMeshSegmentRecord(os::MemHandle& segment, host::FixedPoint tangent, std::int16_t smooth);
// Appends a point after the segment record's points.
bool AddMeshSegmentPoint(os::MemHandle& segment, host::FixedPoint point);
// Appends a whole segment record to a vertex record.
bool AddMeshSegmentRecord(os::MemHandle& vertex, const std::uint8_t* segment);
// Appends a whole vertex record to a mesh object (its length and vertexCount follow).
bool AddMeshVertexRecord(os::MemHandle& mesh, const std::uint8_t* vertex);

}  // namespace velm
