// The raster and mesh writers: a raster object with the raster's description, placement
// and pixels in 32 x 32 tiles, and a gradient mesh object with every vertex's colour,
// position and segments.
#pragma once

#include <cstdint>

#include "host/types.h"
#include "platform/os.h"

namespace velm {

// Starting size of a raster object buffer (its head).
inline constexpr std::uint32_t kRasterObjectStartSize = 92;
// Size of the mesh object head that the art tree writer builds before the mesh writer.
inline constexpr std::uint32_t kMeshObjectHeadSize = 40;

// Fills `object` with a complete raster object (type 9) for `raster`, its matrix moved by
// -origin, or leaves it unbuilt (type 0) on any host error. `object` is grown as needed
// (the handle is updated). Returns the status of the last host call.
host::Err PostArtRasterProcess(host::ArtHandle raster, os::MemHandle& object,
                               host::RealPoint origin);

// Completes a mesh object whose 40-byte head (type 11, length 40, mesh kind, i and j
// sizes, vertex count 0) is already in `object`: appends a vertex record for every node
// that has segments, coordinates moved by -origin. `object` is grown as needed (the handle
// is updated). Returns the status of the last host call.
host::Err PostArtMeshProcess(host::ArtHandle mesh, os::MemHandle& object, host::RealPoint origin);

}  // namespace velm
