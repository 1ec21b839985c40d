// Curve geometry for snapping: the cubic Bézier basis, circular arcs among curved
// pieces, and the projections that move a point onto a straight piece, a chord or an
// arc. Computed in doubles; host points (32-bit reals) are widened on entry and
// narrowed on return. The angle constants are used as written (not the exact values).
#pragma once

#include <cstdint>

#include "frame/globals.h"
#include "host/art_types.h"
#include "host/types.h"

namespace velm {

struct GeomPoint {
  double x;
  double y;
};

inline constexpr double kPi = 3.141593;
inline constexpr double kTwoPi = 6.283186;
inline constexpr double kHalfPi = 1.5707965;
// The handle ratio of a quarter circle drawn the standard way, as the arc test uses it.
inline constexpr double kArcHandleRatio = 0.552277;
// Distance given to a chord half that misses.
inline constexpr double kNoDistance = 32000.0;

double Distance(GeomPoint a, GeomPoint b);
// Radians in (-pi, pi] from a to b.
double AngleTo(GeomPoint a, GeomPoint b);
// Nearest integer, halves away from zero.
std::int32_t RoundHalfAway(double x);
// The smaller / larger; the second when equal.
double Min(double a, double b);
double Max(double a, double b);

// The point of the piece from segment s to segment e at step k (t = k / 64).
GeomPoint PiecePoint(const host::PathSegment& s, const host::PathSegment& e, int k,
                     const BezierEntry (&table)[65]);

// Centre and radius of the circle through both anchors perpendicular to both end
// tangents; false when there is none (within the allowance).
bool CircleOfPiece(const host::PathSegment& s, const host::PathSegment& e, GeomPoint* centre,
                   double* radius);
// True when the piece is a circular arc drawn with the standard handle ratio.
bool IsCircularArc(const host::PathSegment& s, const host::PathSegment& e, GeomPoint* centre,
                   double* radius);

// Moves one coordinate of p onto the piece's line; true when moved.
bool SnapToStraightPiece(host::RealPoint* p, const host::PathSegment& s, const host::PathSegment& e,
                         double tolerance);
// Moves p to its nearest point on the chord a-b; true when moved.
bool SnapToChord(GeomPoint* p, GeomPoint a, GeomPoint b, double tolerance);
// Moves p onto the arc, or (with allowChords) onto the curve's chords.
bool SnapToCurvedPiece(host::RealPoint* p, const host::PathSegment& s, const host::PathSegment& e,
                       double tolerance, bool allowChords, const BezierEntry (&table)[65]);
// Straight or curved handling with the current snap tolerance.
bool SnapToPiece(host::RealPoint* p, const host::PathSegment& s, const host::PathSegment& e,
                 bool allowChords);
// Moves p onto the segment's anchor when within the snap tolerance in x and y.
bool SnapToAnchor(host::RealPoint* p, const host::PathSegment& segment);
// True when p lies inside `bounds` grown by the snap tolerance on every side.
bool NearArt(const host::RealPoint& p, const host::RealRect& bounds);

// Two screen pixels in artwork units at the frontmost view's zoom; 0 (nothing snaps)
// when the zoom is 0 or below.
double SnapTolerance();
// The same for a given zoom factor.
double SnapToleranceAtZoom(double zoom);

// True when the piece is straight (both handles on their anchors), by the host's exact
// point equality.
bool IsStraightPiece(const host::PathSegment& s, const host::PathSegment& e);

}  // namespace velm
