// Snapping of the placement point while a record is dragged over the document: onto the
// anchors of paths, the crossing of two path pieces, a path itself, or the grid. The fits
// search the visible layers' paths (locked layers included); every path is first
// rejected by its bounds, so only paths under the cursor are read segment by segment.
#pragma once

#include <cstdint>

#include "geometry/curve_geometry.h"
#include "host/art_types.h"
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

// At most this many anchor hits are collected by one search.
inline constexpr std::int32_t kMaxSnapHits = 5;

// A path art and one of its segment numbers.
struct SnapHit {
  host::ArtHandle art;
  std::int16_t segment;
};
struct SnapHits {
  std::int32_t count;
  SnapHit hit[kMaxSnapHits];
};

// One piece met by an intersection search: its path, the number of its end segment (0
// for the closing piece of a closed path) and copies of its start and end segments.
struct RecordedPiece {
  host::ArtHandle art;
  std::int16_t endSegment;
  host::PathSegment start;
  host::PathSegment end;
};
// The state of one intersection search, cleared at its start.
struct IntersectionPieces {
  std::int32_t count;
  RecordedPiece piece[2];
};

// Rounds the point to the grid flGrWidth x flGrHeight through the artwork origin. False
// (and the point unchanged) when either spacing is not a positive number.
bool SnapToGrid(host::RealPoint* point);

// The three fits. Each does nothing unless *kind is kNoSnap, and sets it when it moves the
// point. Returns the first failing host status of the walk, or 0.
//
// The anchor fit collects up to `hitsWanted` hits (at most kMaxSnapHits; one per path),
// searching on through the layer of the first hit; only the first hit moves the point.
host::Err AnchorFit(host::RealPoint* point, std::int16_t* kind, std::int32_t hitsWanted);
host::Err AnchorFit(host::RealPoint* point, std::int16_t* kind, std::int32_t hitsWanted,
                    SnapHits* hits);
// Records the first two pieces the point can be projected onto (two consecutive pieces
// of one path that meet where the point is count as one: their shared anchor is no
// crossing) and moves the point to their crossing. `hitsWanted` is not used: one crossing
// is all a search finds.
host::Err IntersectionFit(host::RealPoint* point, std::int16_t* kind, std::int32_t hitsWanted);
// Projects the point onto the first piece of a path that lies within the tolerance.
host::Err OnPathFit(host::RealPoint* point, std::int16_t* kind);

// The crossing of two recorded pieces (straight or curved) nearest `point`, within
// `tolerance`; false when the pieces do not cross there (parallel lines, circles that do
// not meet, no chords that cross near the point).
bool CrossingOfPieces(const RecordedPiece& first, const RecordedPiece& second, GeomPoint point,
                      double tolerance, const BezierEntry (&table)[65], GeomPoint* crossing);

// Records the piece from `start` to `end` (end segment `endSegment` of a path of `count`
// segments) that the point was just projected onto, as the intersection search does.
// True when it is the second piece. A piece of the first piece's own path that shares an
// anchor with it, where the point also lies on that anchor, is the path's joint and no
// second piece (the point is moved onto the anchor).
bool RecordPiece(IntersectionPieces* pieces, host::RealPoint* point, host::ArtHandle path,
                 std::int32_t endSegment, std::int32_t count, const host::PathSegment& start,
                 const host::PathSegment& end);

class SnapSnapshot;

// The preview's order: anchor, intersection, on path, grid, each only when its switch
// (flUseFcur, flUseFcrs, flUseFops, flUseGrid) is on; the first that succeeds holds.
// When none does, the point is restored. Returns the kind. The fits are answered from
// the drag's snapshot when one is held, else by walking the document.
std::int16_t SnapPlacementPoint(host::RealPoint* point);
// The same with the fits answered from `snapshot`; a null snapshot walks the document.
std::int16_t SnapPlacementPointWith(host::RealPoint* point, SnapSnapshot* snapshot);

}  // namespace velm
