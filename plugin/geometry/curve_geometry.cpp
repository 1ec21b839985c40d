#include "geometry/curve_geometry.h"

#include <cmath>

#include "frame/suites.h"

namespace velm {
namespace {

GeomPoint Widen(const host::RealPoint& p) {
  return {p.h, p.v};
}

bool SamePoint(const host::RealPoint& a, const host::RealPoint& b) {
  if (sRealMath && sRealMath->RealPointEqual) return sRealMath->RealPointEqual(&a, &b) != 0;
  return a.h == b.h && a.v == b.v;
}

// The two arc angles of a piece around its centre, with the shorter way round made
// continuous (a 2 pi step added to one of them).
void ArcAngles(GeomPoint centre, const host::PathSegment& s, const host::PathSegment& e, double* a1,
               double* a2) {
  *a1 = AngleTo(centre, Widen(s.anchor));
  *a2 = AngleTo(centre, Widen(e.anchor));
  if (std::fabs(*a2 - *a1) > kPi) {
    if (*a2 >= 0) {
      *a1 += kTwoPi;
    } else {
      *a2 += kTwoPi;
    }
  }
}

// Where the line through a and b meets the line through c and d (neither vertical,
// or the vertical one taken as x = its first point's x).
bool LineIntersection(GeomPoint a, GeomPoint b, GeomPoint c, GeomPoint d, GeomPoint* x) {
  const bool firstVertical = a.x == b.x;
  const bool secondVertical = c.x == d.x;
  if (firstVertical && secondVertical) return false;
  if (firstVertical) {
    const double k2 = (d.y - c.y) / (d.x - c.x);
    *x = {a.x, k2 * a.x + (c.y - k2 * c.x)};
    return true;
  }
  const double k1 = (b.y - a.y) / (b.x - a.x);
  const double c1 = a.y - k1 * a.x;
  if (secondVertical) {
    *x = {c.x, k1 * c.x + c1};
    return true;
  }
  const double k2 = (d.y - c.y) / (d.x - c.x);
  const double c2 = c.y - k2 * c.x;
  if (k1 == k2) return false;
  const double px = (c2 - c1) / (k1 - k2);
  *x = {px, k1 * px + c1};
  return true;
}

}  // namespace

double Distance(GeomPoint a, GeomPoint b) {
  return std::sqrt(std::pow(a.x - b.x, 2.0) + std::pow(a.y - b.y, 2.0));
}

double AngleTo(GeomPoint a, GeomPoint b) {
  return std::atan2(b.y - a.y, b.x - a.x);
}

std::int32_t RoundHalfAway(double x) {
  return static_cast<std::int32_t>(x >= 0 ? x + 0.5 : x - 0.5);
}

double Min(double a, double b) {
  return a < b ? a : b;
}
double Max(double a, double b) {
  return a > b ? a : b;
}

GeomPoint PiecePoint(const host::PathSegment& s, const host::PathSegment& e, int k,
                     const BezierEntry (&table)[65]) {
  const BezierEntry& w = table[k];
  const BezierEntry& v = table[64 - k];
  return {s.anchor.h * w.b0 + s.out.h * w.b1 + e.in.h * v.b1 + e.anchor.h * v.b0,
          s.anchor.v * w.b0 + s.out.v * w.b1 + e.in.v * v.b1 + e.anchor.v * v.b0};
}

bool CircleOfPiece(const host::PathSegment& s, const host::PathSegment& e, GeomPoint* centre,
                   double* radius) {
  const GeomPoint sa = Widen(s.anchor), so = Widen(s.out), ei = Widen(e.in), ea = Widen(e.anchor);
  const bool startFlat = sa.y == so.y;
  const bool endFlat = ei.y == ea.y;
  if (startFlat && endFlat) return false;
  double k1 = 0, c1 = 0, k2 = 0, c2 = 0;
  if (!startFlat) {
    k1 = -(so.x - sa.x) / (so.y - sa.y);
    c1 = sa.y - k1 * sa.x;
  }
  if (!endFlat) {
    k2 = -(ea.x - ei.x) / (ea.y - ei.y);
    c2 = ea.y - k2 * ea.x;
  }
  GeomPoint c{};
  if (startFlat) {
    c.x = sa.x;
    c.y = k2 * c.x + c2;
  } else if (endFlat) {
    c.x = ea.x;
    c.y = k1 * c.x + c1;
  } else {
    if (k2 == k1) return false;  // parallel normals meet nowhere
    c.x = (c1 - c2) / (k2 - k1);
    c.y = k1 * c.x + c1;
  }
  const double d1 = Distance(c, sa);
  const double d2 = Distance(c, ea);
  const double allowance = d1 > 100.0 ? d1 / 10000.0 : 0.01;
  if (!(std::fabs(d1 - d2) <= allowance)) return false;
  *centre = c;
  *radius = (d1 + d2) / 2.0;
  return true;
}

bool IsCircularArc(const host::PathSegment& s, const host::PathSegment& e, GeomPoint* centre,
                   double* radius) {
  const GeomPoint sa = Widen(s.anchor), so = Widen(s.out), ei = Widen(e.in), ea = Widen(e.anchor);
  if (sa.x == so.x && ei.x == ea.x) return false;
  GeomPoint c{};
  double r = 0;
  if (!CircleOfPiece(s, e, &c, &r)) return false;
  GeomPoint corner{};
  if (!LineIntersection(sa, so, ea, ei, &corner)) return false;
  const double toCornerS = Distance(corner, sa);
  const double toCornerE = Distance(corner, ea);
  if (toCornerS == 0 || toCornerE == 0) return false;
  const double rS = Distance(so, sa) / toCornerS;
  const double rE = Distance(ei, ea) / toCornerE;
  double a1 = 0, a2 = 0;
  ArcAngles(c, s, e, &a1, &a2);
  const double q = std::sin(kHalfPi - std::fabs(a2 - a1)) / 8.0 + kArcHandleRatio;
  if (!(std::fabs(rS - q) < 0.0001 && std::fabs(rE - q) < 0.0001)) return false;
  *centre = c;
  *radius = r;
  return true;
}

bool SnapToStraightPiece(host::RealPoint* p, const host::PathSegment& s, const host::PathSegment& e,
                         double tolerance) {
  const GeomPoint a = Widen(s.anchor), b = Widen(e.anchor);
  const double px = p->h, py = p->v;
  if (px < Min(a.x, b.x) - tolerance || px > Max(a.x, b.x) + tolerance ||
      py < Min(a.y, b.y) - tolerance || py > Max(a.y, b.y) + tolerance)
    return false;
  if (a.x == b.x || a.y == b.y) {
    if (a.x == b.x && std::fabs(a.x - px) < tolerance) {
      p->h = static_cast<float>(a.x);
      return true;
    }
    if (a.y == b.y && std::fabs(a.y - py) < tolerance) {
      p->v = static_cast<float>(a.y);
      return true;
    }
    return false;
  }
  const double k = (b.y - a.y) / (b.x - a.x);
  const double c = a.y - k * a.x;
  if (std::fabs(k) > 0.5) {
    const double x = (py - c) / k;
    if (!(std::fabs(px - x) < tolerance)) return false;
    p->h = static_cast<float>(x);
    return true;
  }
  const double y = k * px + c;
  if (!(std::fabs(py - y) < tolerance)) return false;
  p->v = static_cast<float>(y);
  return true;
}

bool SnapToChord(GeomPoint* p, GeomPoint a, GeomPoint b, double tolerance) {
  const double minX = Min(a.x, b.x), maxX = Max(a.x, b.x);
  const double minY = Min(a.y, b.y), maxY = Max(a.y, b.y);
  if (p->x < minX - tolerance || p->x > maxX + tolerance || p->y < minY - tolerance ||
      p->y > maxY + tolerance)
    return false;
  if (a.x == b.x && a.y == b.y) {
    *p = a;
    return true;
  }
  GeomPoint f{};
  if (a.x == b.x) {
    f = {a.x, p->y};
  } else if (a.y == b.y) {
    f = {p->x, a.y};
  } else {
    const double k = (b.y - a.y) / (b.x - a.x);
    const double c = a.y - k * a.x;
    const double k2 = (a.x - b.x) / (b.y - a.y);
    const double c2 = p->y - k2 * p->x;
    f.x = (c2 - c) / (k - k2);
    f.y = k * f.x + c;
  }
  f.x = f.x < minX ? minX : f.x > maxX ? maxX : f.x;
  f.y = f.y < minY ? minY : f.y > maxY ? maxY : f.y;
  if (!(Distance(f, *p) < tolerance)) return false;
  *p = f;
  return true;
}

bool SnapToCurvedPiece(host::RealPoint* p, const host::PathSegment& s, const host::PathSegment& e,
                       double tolerance, bool allowChords, const BezierEntry (&table)[65]) {
  const GeomPoint original = Widen(*p);
  GeomPoint centre{};
  double radius = 0;
  if (IsCircularArc(s, e, &centre, &radius)) {
    const double d = Distance(centre, original);
    if (!(std::fabs(radius - d) < tolerance + 0.01)) return false;
    double a1 = 0, a2 = 0;
    ArcAngles(centre, s, e, &a1, &a2);
    if (a1 > a2) std::swap(a1, a2);
    double t = AngleTo(centre, original);
    bool on = a1 <= t && t <= a2;
    if (!on && t != 0) {
      t = t > 0 ? t - kTwoPi : t + kTwoPi;
      on = a1 <= t && t <= a2;
    }
    if (!on) return false;
    p->h = static_cast<float>(centre.x + radius * std::cos(t));
    p->v = static_cast<float>(centre.y + radius * std::sin(t));
    return true;
  }
  if (!allowChords) return false;

  GeomPoint start = Widen(s.anchor);
  for (int k = 1; k <= 64; k = (k == 63 ? 64 : k + 2)) {
    const GeomPoint end = PiecePoint(s, e, k, table);
    GeomPoint probe = original;
    if (SnapToChord(&probe, start, end, tolerance)) {
      // Refine: the half up to step k - 1 and the half from there to step k.
      const GeomPoint middle = PiecePoint(s, e, k - 1, table);
      GeomPoint first = original, second = original;
      const double firstDistance =
          SnapToChord(&first, start, middle, tolerance) ? Distance(first, original) : kNoDistance;
      const double secondDistance =
          SnapToChord(&second, middle, end, tolerance) ? Distance(second, original) : kNoDistance;
      // A coarse hit whose two halves both miss has no answer: the point stays.
      if (firstDistance == kNoDistance && secondDistance == kNoDistance) return false;
      const GeomPoint chosen = secondDistance <= firstDistance ? second : first;
      p->h = static_cast<float>(chosen.x);
      p->v = static_cast<float>(chosen.y);
      return true;
    }
    start = end;
    if (k == 64) break;
  }
  return false;
}

bool IsStraightPiece(const host::PathSegment& s, const host::PathSegment& e) {
  return SamePoint(s.anchor, s.out) && SamePoint(e.in, e.anchor);
}

bool SnapToPiece(host::RealPoint* p, const host::PathSegment& s, const host::PathSegment& e,
                 bool allowChords) {
  const double tolerance = SnapTolerance();
  if (!(tolerance > 0)) return false;
  if (IsStraightPiece(s, e)) return SnapToStraightPiece(p, s, e, tolerance);
  if (!gGlobals) return false;
  return SnapToCurvedPiece(p, s, e, tolerance, allowChords, gGlobals->BezierTable);
}

bool SnapToAnchor(host::RealPoint* p, const host::PathSegment& segment) {
  const double tolerance = SnapTolerance();
  if (!(tolerance > 0)) return false;
  if (std::fabs(static_cast<double>(p->h) - segment.anchor.h) <= tolerance &&
      std::fabs(static_cast<double>(p->v) - segment.anchor.v) <= tolerance) {
    *p = segment.anchor;
    return true;
  }
  return false;
}

bool NearArt(const host::RealPoint& p, const host::RealRect& bounds) {
  const auto tolerance = static_cast<host::Real>(SnapTolerance());
  if (!(tolerance > 0)) return false;
  host::RealRect grown = bounds;
  if (sRealMath && sRealMath->RealRectInset && sRealMath->RealPointInRect) {
    sRealMath->RealRectInset(&grown, -tolerance, -tolerance);
    return sRealMath->RealPointInRect(&p, &grown) != 0;
  }
  const double left = Min(bounds.left, bounds.right) - tolerance;
  const double right = Max(bounds.left, bounds.right) + tolerance;
  const double bottom = Min(bounds.top, bounds.bottom) - tolerance;
  const double top = Max(bounds.top, bounds.bottom) + tolerance;
  return p.h >= left && p.h <= right && p.v >= bottom && p.v <= top;
}

// A view without a sensible zoom (0 or below) gives no tolerance: nothing snaps.
double SnapToleranceAtZoom(double zoom) {
  return zoom > 0 ? 2.0 / zoom : 0.0;
}

double SnapTolerance() {
  host::DocumentViewHandle view = nullptr;
  host::Real zoom = 1.0f;
  if (!sDocumentView || sDocumentView->GetNthDocumentView(0, &view) ||
      sDocumentView->GetDocumentViewZoom(view, &zoom))
    zoom = 1.0f;
  return SnapToleranceAtZoom(zoom);
}

}  // namespace velm
