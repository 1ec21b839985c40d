// Snapping of the placement point while a record is dragged over the document: onto the
// anchors of paths, the crossing of two path pieces, a path itself, or the grid. The fits
// search the visible layers' paths (locked layers included); every path is first
// rejected by its bounds, so only paths under the cursor are read segment by segment.
#pragma once

#include <cstdint>

#include "host/errors.h"
#include "host/types.h"

namespace velm {

enum SnapKind : std::int16_t {
  kNoSnap = 0,
  kGridSnap = 1,
  kAnchorSnap = 2,
  kIntersectionSnap = 3,
  kOnPathSnap = 4,
};

// Rounds the point to the grid flGrWidth x flGrHeight through the artwork origin. False
// (and the point unchanged) when either spacing is not a positive number.
bool SnapToGrid(host::RealPoint* point);

// The three fits. Each does nothing unless *kind is kNoSnap, and sets it when it moves the
// point. Returns the first failing host status of the walk, or 0.
host::Err AnchorFit(host::RealPoint* point, std::int16_t* kind, std::int32_t hitsWanted);
host::Err IntersectionFit(host::RealPoint* point, std::int16_t* kind, std::int32_t hitsWanted);
host::Err OnPathFit(host::RealPoint* point, std::int16_t* kind);

// The preview's order: anchor, intersection, on path, grid, each only when its switch
// (flUseFcur, flUseFcrs, flUseFops, flUseGrid) is on; the first that succeeds holds.
// When none does, the point is restored. Returns the kind.
std::int16_t SnapPlacementPoint(host::RealPoint* point);

}  // namespace velm
