#include "placement/snapping.h"

#include <cmath>

#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "placement/snap_snapshot.h"

namespace velm {
namespace {

// ---- The walk over the document ----

// One search: the fit's examination of a path and what it works on.
struct Walk {
  host::Err (*examine)(Walk* walk, host::ArtHandle path);
  host::RealPoint* point;
  std::int16_t* kind;
  // Set when nothing more can be found: the rest of the document is not visited.
  bool done;
  // Anchor fit.
  SnapHits* hits;
  std::int32_t hitLimit;
  // Intersection fit.
  IntersectionPieces* pieces;
};

// Groups and compound paths visit their children in order, paths are examined, every
// other art is ignored. A failing host call ends the visit and is passed up.
host::Err VisitArt(Walk* walk, host::ArtHandle art) {
  std::int32_t type = host::kUnknownArt;
  if (host::Err err = sArt->GetArtType(art, &type)) return err;
  switch (type) {
    case host::kGroupArt:
    case host::kCompoundPathArt: {
      host::ArtHandle child = nullptr;
      if (host::Err err = sArt->GetArtFirstChild(art, &child)) return err;
      while (child && !walk->done) {
        if (host::Err err = VisitArt(walk, child)) return err;
        if (host::Err err = sArt->GetArtSibling(child, &child)) return err;
      }
      return host::kNoErr;
    }
    case host::kPathArt:
      return walk->examine(walk, art);
    default:
      return host::kNoErr;
  }
}

// Every visible layer in the host's order (locked ones too), until the layer in which
// the kind became non-zero, or a host call failed.
host::Err WalkArt(Walk* walk) {
  if (!sLayer || !sArt || !sPath) return -1;
  std::int32_t count = 0;
  if (host::Err err = sLayer->CountLayers(&count)) return err;
  for (std::int32_t i = 0; i < count && !walk->done; ++i) {
    host::LayerHandle layer = nullptr;
    if (host::Err err = sLayer->GetNthLayer(i, &layer)) return err;
    host::Boolean visible = 0;
    if (host::Err err = sLayer->GetLayerVisible(layer, &visible)) return err;
    if (!visible) continue;
    host::ArtHandle art = nullptr;
    if (host::Err err = sArt->GetFirstArtOfLayer(layer, &art)) return err;
    if (art) {
      if (host::Err err = VisitArt(walk, art)) return err;
    }
    if (*walk->kind != kNoSnap) break;
  }
  return host::kNoErr;
}

// The path's segment count when the point lies near its bounds, else 0 (bounds that
// cannot be read skip the path too).
host::Err CountNearSegments(const host::RealPoint& point, host::ArtHandle path,
                            std::int32_t* count) {
  *count = 0;
  host::RealRect bounds{};
  if (sArt->GetArtBounds(path, &bounds) != host::kNoErr || !NearArt(point, bounds))
    return host::kNoErr;
  if (host::Err err = sPath->GetPathSegmentCount(path, count)) return err;
  if (*count < 0) *count = 0;
  return host::kNoErr;
}

host::Err ReadSegment(host::ArtHandle path, std::int32_t index, host::PathSegment* segment) {
  return sPath->GetPathSegments(path, index, 1, segment);
}

// ---- Anchor fit ----

host::Err ExamineAnchors(Walk* walk, host::ArtHandle path) {
  SnapHits* hits = walk->hits;
  if (hits->count >= walk->hitLimit) {
    walk->done = true;
    return host::kNoErr;
  }
  std::int32_t count = 0;
  if (host::Err err = CountNearSegments(*walk->point, path, &count)) return err;
  for (std::int32_t i = 0; i < count; ++i) {
    host::PathSegment segment{};
    if (host::Err err = ReadSegment(path, i, &segment)) return err;
    host::RealPoint probe = *walk->point;
    if (!SnapToAnchor(&probe, segment)) continue;
    if (hits->count == 0) {
      *walk->point = probe;
      *walk->kind = kAnchorSnap;
    }
    hits->hit[hits->count++] = {path, static_cast<std::int16_t>(i)};
    if (hits->count >= walk->hitLimit) walk->done = true;
    break;  // one hit per path
  }
  return host::kNoErr;
}

// ---- On-path fit ----

host::Err ExamineOnPath(Walk* walk, host::ArtHandle path) {
  if (*walk->kind != kNoSnap) return host::kNoErr;
  std::int32_t count = 0;
  if (host::Err err = CountNearSegments(*walk->point, path, &count)) return err;
  if (count == 0) return host::kNoErr;
  host::PathSegment first{}, previous{}, current{};
  if (host::Err err = ReadSegment(path, 0, &first)) return err;
  previous = first;
  for (std::int32_t i = 1; i < count; ++i) {
    if (host::Err err = ReadSegment(path, i, &current)) return err;
    if (SnapToPiece(walk->point, previous, current, true)) {
      *walk->kind = kOnPathSnap;
      walk->done = true;
      return host::kNoErr;
    }
    previous = current;
  }
  host::Boolean closed = 0;
  if (host::Err err = sPath->GetPathClosed(path, &closed)) return err;
  if (closed && SnapToPiece(walk->point, previous, first, true)) {
    *walk->kind = kOnPathSnap;
    walk->done = true;
  }
  return host::kNoErr;
}

// ---- Intersection fit ----

host::Err ExamineCrossings(Walk* walk, host::ArtHandle path) {
  if (*walk->kind != kNoSnap) return host::kNoErr;
  std::int32_t count = 0;
  if (host::Err err = CountNearSegments(*walk->point, path, &count)) return err;
  if (count == 0) return host::kNoErr;
  host::PathSegment first{}, previous{}, current{};
  if (host::Err err = ReadSegment(path, 0, &first)) return err;
  previous = first;
  for (std::int32_t i = 1; i < count && *walk->kind == kNoSnap; ++i) {
    if (host::Err err = ReadSegment(path, i, &current)) return err;
    if (SnapToPiece(walk->point, previous, current, true) &&
        RecordPiece(walk->pieces, walk->point, path, i, count, previous, current))
      *walk->kind = kIntersectionSnap;
    previous = current;
  }
  if (*walk->kind == kNoSnap) {
    host::Boolean closed = 0;
    if (host::Err err = sPath->GetPathClosed(path, &closed)) return err;
    if (closed && SnapToPiece(walk->point, previous, first, true) &&
        RecordPiece(walk->pieces, walk->point, path, 0, count, previous, first))
      *walk->kind = kIntersectionSnap;
  }
  if (*walk->kind != kIntersectionSnap) return host::kNoErr;

  const IntersectionPieces& pieces = *walk->pieces;
  GeomPoint crossing{};
  const GeomPoint at{walk->point->h, walk->point->v};
  if (gGlobals && CrossingOfPieces(pieces.piece[0], pieces.piece[1], at, SnapTolerance(),
                                   gGlobals->BezierTable, &crossing)) {
    walk->point->h = static_cast<host::Real>(crossing.x);
    walk->point->v = static_cast<host::Real>(crossing.y);
    walk->done = true;
  } else {
    *walk->kind = kNoSnap;
  }
  return host::kNoErr;
}

// ---- Crossings ----

bool Finite(GeomPoint p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

GeomPoint Anchor(const host::PathSegment& segment) {
  return {segment.anchor.h, segment.anchor.v};
}

// Where the infinite line through a1, b1 meets the one through a2, b2. A vertical line
// (equal x, also a line of zero length) is x = its x. False for two vertical or two
// parallel lines.
bool LineCrossing(GeomPoint a1, GeomPoint b1, GeomPoint a2, GeomPoint b2, GeomPoint* x) {
  const bool vertical1 = a1.x == b1.x;
  const bool vertical2 = a2.x == b2.x;
  if (vertical1 && vertical2) return false;
  if (vertical1) {
    const double k2 = (b2.y - a2.y) / (b2.x - a2.x);
    const double c2 = a2.y - k2 * a2.x;
    *x = {a1.x, k2 * a1.x + c2};
  } else if (vertical2) {
    const double k1 = (b1.y - a1.y) / (b1.x - a1.x);
    const double c1 = a1.y - k1 * a1.x;
    *x = {a2.x, k1 * a2.x + c1};
  } else {
    const double k1 = (b1.y - a1.y) / (b1.x - a1.x);
    const double c1 = a1.y - k1 * a1.x;
    const double k2 = (b2.y - a2.y) / (b2.x - a2.x);
    const double c2 = a2.y - k2 * a2.x;
    if (k1 == k2) return false;
    const double px = (c1 - c2) / (k2 - k1);
    *x = {px, k1 * px + c1};
  }
  return Finite(*x);
}

// Two straight pieces: their anchor lines' crossing, within the tolerance of the point.
bool StraightCrossing(const RecordedPiece& first, const RecordedPiece& second, GeomPoint point,
                      double tolerance, GeomPoint* crossing) {
  GeomPoint x{};
  if (!LineCrossing(Anchor(first.start), Anchor(first.end), Anchor(second.start),
                    Anchor(second.end), &x))
    return false;
  // Also where one line is vertical: two nearly parallel lines through the point may
  // cross far away, and the placement point must not jump there.
  if (!(Distance(x, point) <= tolerance)) return false;
  *crossing = x;
  return true;
}

// Two circles: the meeting point nearer the point, within the tolerance in x and y.
bool CircleCrossing(GeomPoint c1, double r1, GeomPoint c2, double r2, GeomPoint point,
                    double tolerance, GeomPoint* crossing) {
  const double d = Distance(c1, c2);
  if (!(d != 0)) return false;
  const double theta = AngleTo(c1, c2);
  const double a = (r1 * r1 + d * d - r2 * r2) / (2.0 * d);
  if (!(std::fabs(a) <= r1)) return false;
  const double h = std::sqrt(r1 * r1 - a * a);
  const double phi = std::atan2(h, a);
  const GeomPoint q1{c1.x + r1 * std::cos(theta + phi), c1.y + r1 * std::sin(theta + phi)};
  const GeomPoint q2{c1.x + r1 * std::cos(theta - phi), c1.y + r1 * std::sin(theta - phi)};
  const GeomPoint chosen = Distance(q2, point) < Distance(q1, point) ? q2 : q1;
  if (!(std::fabs(chosen.x - point.x) <= tolerance && std::fabs(chosen.y - point.y) <= tolerance))
    return false;
  if (!Finite(chosen)) return false;
  *crossing = chosen;
  return true;
}

bool InBox(GeomPoint p, GeomPoint a, GeomPoint b) {
  return p.x >= Min(a.x, b.x) && p.x <= Max(a.x, b.x) && p.y >= Min(a.y, b.y) &&
         p.y <= Max(a.y, b.y);
}

// One pair of chords: their lines' crossing when it lies on both chords (their bounding
// boxes, edges included) and within the tolerance of the point in x and y.
bool ChordCrossing(GeomPoint a1, GeomPoint b1, GeomPoint a2, GeomPoint b2, GeomPoint point,
                   double tolerance, GeomPoint* crossing) {
  GeomPoint x{};
  if (!LineCrossing(a1, b1, a2, b2, &x)) return false;
  if (!InBox(x, a1, b1) || !InBox(x, a2, b2)) return false;
  if (!(std::fabs(x.x - point.x) <= tolerance && std::fabs(x.y - point.y) <= tolerance))
    return false;
  *crossing = x;
  return true;
}

// The piece as 65 points: its start anchor, the table points at steps 1 to 63, its end
// anchor.
void Polyline(const RecordedPiece& piece, const BezierEntry (&table)[65], GeomPoint (&points)[65]) {
  points[0] = Anchor(piece.start);
  for (int k = 1; k < 64; ++k)
    points[k] = PiecePoint(piece.start, piece.end, k, table);
  points[64] = Anchor(piece.end);
}

// A straight piece and a curved one whose circle is known: the line's meeting points
// with the circle, the nearer one within the tolerance.
bool LineCircleCrossing(const RecordedPiece& line, GeomPoint centre, double radius, GeomPoint point,
                        double tolerance, GeomPoint* crossing) {
  const GeomPoint a = Anchor(line.start), b = Anchor(line.end);
  const double r2 = radius * radius;
  GeomPoint q1{}, q2{};
  if (a.x == b.x) {
    const double x0 = a.x - centre.x;
    const double rest = r2 - x0 * x0;
    if (!(rest >= 0)) return false;
    q1 = {x0, std::sqrt(rest)};
    q2 = {x0, -std::sqrt(rest)};
  } else {
    const double k = (b.y - a.y) / (b.x - a.x);
    const double m = (a.y - centre.y) - k * (a.x - centre.x);
    const double d = (k * k + 1.0) * r2 - m * m;
    if (!(d >= 0)) return false;
    const double x1 = (-k * m + std::sqrt(d)) / (k * k + 1.0);
    const double x2 = (-k * m - std::sqrt(d)) / (k * k + 1.0);
    q1 = {x1, k * x1 + m};
    q2 = {x2, k * x2 + m};
  }
  q1 = {q1.x + centre.x, q1.y + centre.y};
  q2 = {q2.x + centre.x, q2.y + centre.y};
  const double d1 = Distance(q1, point), d2 = Distance(q2, point);
  const GeomPoint chosen = d1 <= d2 ? q1 : q2;
  if (!(Min(d1, d2) <= tolerance) || !Finite(chosen)) return false;
  *crossing = chosen;
  return true;
}

}  // namespace

// The closing piece of a closed path joins the last segment to segment 0, so it meets
// both the last piece and the first.
bool RecordPiece(IntersectionPieces* pieces, host::RealPoint* point, host::ArtHandle path,
                 std::int32_t endSegment, std::int32_t count, const host::PathSegment& start,
                 const host::PathSegment& end) {
  const RecordedPiece piece{path, static_cast<std::int16_t>(endSegment), start, end};
  if (pieces->count == 0) {
    pieces->piece[0] = piece;
    pieces->count = 1;
    return false;
  }
  if (pieces->count != 1) return false;
  const RecordedPiece& first = pieces->piece[0];
  if (first.art == path) {
    auto startOf = [count](std::int32_t endIndex) {
      return endIndex == 0 ? count - 1 : endIndex - 1;
    };
    // The new piece starts where the first ends, or ends where the first starts.
    if (startOf(endSegment) == first.endSegment && SnapToAnchor(point, start)) return false;
    if (endSegment == startOf(first.endSegment) && SnapToAnchor(point, end)) return false;
  }
  pieces->piece[1] = piece;
  pieces->count = 2;
  return true;
}

bool CrossingOfPieces(const RecordedPiece& first, const RecordedPiece& second, GeomPoint point,
                      double tolerance, const BezierEntry (&table)[65], GeomPoint* crossing) {
  if (!(tolerance > 0) || !Finite(point)) return false;
  const bool firstStraight = IsStraightPiece(first.start, first.end);
  const bool secondStraight = IsStraightPiece(second.start, second.end);
  if (firstStraight && secondStraight)
    return StraightCrossing(first, second, point, tolerance, crossing);

  if (!firstStraight && !secondStraight) {
    GeomPoint c1{}, c2{};
    double r1 = 0, r2 = 0;
    if (CircleOfPiece(first.start, first.end, &c1, &r1) &&
        CircleOfPiece(second.start, second.end, &c2, &r2))
      return CircleCrossing(c1, r1, c2, r2, point, tolerance, crossing);
    GeomPoint one[65], two[65];
    Polyline(first, table, one);
    Polyline(second, table, two);
    for (int i = 0; i < 64; ++i)
      for (int j = 0; j < 64; ++j)
        if (ChordCrossing(one[i], one[i + 1], two[j], two[j + 1], point, tolerance, crossing))
          return true;
    return false;
  }

  const RecordedPiece& curve = firstStraight ? second : first;
  const RecordedPiece& line = firstStraight ? first : second;
  GeomPoint centre{};
  double radius = 0;
  if (CircleOfPiece(curve.start, curve.end, &centre, &radius))
    return LineCircleCrossing(line, centre, radius, point, tolerance, crossing);
  GeomPoint chords[65];
  Polyline(curve, table, chords);
  const GeomPoint a = Anchor(line.start), b = Anchor(line.end);
  for (int i = 0; i < 64; ++i)
    if (ChordCrossing(a, b, chords[i], chords[i + 1], point, tolerance, crossing)) return true;
  return false;
}

bool SnapToGrid(host::RealPoint* point) {
  const Globals* g = gGlobals;
  if (!g || !point) return false;
  const double width = g->flGrWidth, height = g->flGrHeight;
  // A spacing that is not a positive number switches the grid off.
  if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height))
    return false;
  const double qx = point->h / width, qy = point->v / height;
  // Steps beyond the 32-bit range (or a point that is no number) have no grid point.
  constexpr double kLimit = 2147483000.0;
  if (!(std::fabs(qx) < kLimit) || !(std::fabs(qy) < kLimit)) return false;
  point->h = static_cast<host::Real>(width * RoundHalfAway(qx));
  point->v = static_cast<host::Real>(height * RoundHalfAway(qy));
  return true;
}

host::Err AnchorFit(host::RealPoint* point, std::int16_t* kind, std::int32_t hitsWanted,
                    SnapHits* hits) {
  Trace("AnchorFit_START\r\n");
  SnapHits local{};
  if (!hits) hits = &local;
  hits->count = 0;
  if (!point || !kind || *kind != kNoSnap) return host::kNoErr;
  Walk walk{};
  walk.examine = ExamineAnchors;
  walk.point = point;
  walk.kind = kind;
  walk.hits = hits;
  walk.hitLimit = hitsWanted >= 1 && hitsWanted < kMaxSnapHits ? hitsWanted : kMaxSnapHits;
  const host::Err err = WalkArt(&walk);
  Trace("AnchorFit_END\r\n");
  return err;
}

host::Err AnchorFit(host::RealPoint* point, std::int16_t* kind, std::int32_t hitsWanted) {
  return AnchorFit(point, kind, hitsWanted, nullptr);
}

host::Err IntersectionFit(host::RealPoint* point, std::int16_t* kind, std::int32_t hitsWanted) {
  (void)hitsWanted;
  Trace("IntersectionFit_START\r\n");
  if (!point || !kind || *kind != kNoSnap) return host::kNoErr;
  IntersectionPieces pieces{};
  Walk walk{};
  walk.examine = ExamineCrossings;
  walk.point = point;
  walk.kind = kind;
  walk.pieces = &pieces;
  const host::Err err = WalkArt(&walk);
  Trace("IntersectionFit_END\r\n");
  return err;
}

host::Err OnPathFit(host::RealPoint* point, std::int16_t* kind) {
  Trace("OnPathFit_START\r\n");
  if (!point || !kind || *kind != kNoSnap) return host::kNoErr;
  Walk walk{};
  walk.examine = ExamineOnPath;
  walk.point = point;
  walk.kind = kind;
  const host::Err err = WalkArt(&walk);
  Trace("OnPathFit_END\r\n");
  return err;
}

std::int16_t SnapPlacementPoint(host::RealPoint* point) {
  return SnapPlacementPointWith(point, HeldDragSnapshot());
}

std::int16_t SnapPlacementPointWith(host::RealPoint* point, SnapSnapshot* snapshot) {
  const Globals* g = gGlobals;
  if (!g || !point) return kNoSnap;
  const host::RealPoint kept = *point;
  std::int16_t kind = kNoSnap;
  // Host failures during a search only end that search.
  if (g->flUseFcur) {
    if (snapshot) {
      snapshot->AnchorFit(point, &kind, 1, nullptr);
    } else {
      AnchorFit(point, &kind, 1);
    }
  }
  if (kind == kNoSnap && g->flUseFcrs) {
    if (snapshot) {
      snapshot->IntersectionFit(point, &kind);
    } else {
      IntersectionFit(point, &kind, 1);
    }
  }
  if (kind == kNoSnap && g->flUseFops) {
    if (snapshot) {
      snapshot->OnPathFit(point, &kind);
    } else {
      OnPathFit(point, &kind);
    }
  }
  if (kind == kNoSnap && g->flUseGrid && SnapToGrid(point)) kind = kGridSnap;
  if (kind == kNoSnap) *point = kept;
  return kind;
}

}  // namespace velm
