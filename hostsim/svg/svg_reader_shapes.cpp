// Reading SVG shapes: path data, basic shapes and elliptical arcs as the host's Bézier paths.
#include <algorithm>
#include <cmath>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

constexpr double kPi = 3.14159265358979323846;
// The handle length, as a share of the radius, of a quarter ellipse as one cubic Bézier.
constexpr double kKappa = 0.5522847498307936;

Pt Lerp(Pt a, Pt b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}
bool Same(Pt a, Pt b) {
  return a.x == b.x && a.y == b.y;
}

void LineTo(Subpath* p, Pt to) {
  p->segs.push_back({to, to, to});
}
void CurveTo(Subpath* p, Pt c1, Pt c2, Pt to) {
  p->segs.back().out = c1;
  p->segs.push_back({c2, to, to});
}

// A closed path whose last anchor lies on its first: the two are one anchor.
void Close(Subpath* p) {
  p->closed = true;
  if (p->segs.size() > 1 && Same(p->segs.front().anchor, p->segs.back().anchor)) {
    p->segs.front().in = p->segs.back().in;
    p->segs.pop_back();
  }
}

// Cubic extrema of one coordinate between t = 0 and 1.
void Extrema(double p0, double p1, double p2, double p3, double* lo, double* hi) {
  const double a = -p0 + 3 * p1 - 3 * p2 + p3, b = 2 * (p0 - 2 * p1 + p2), c = p1 - p0;
  auto at = [&](double t) {
    const double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
  };
  auto consider = [&](double t) {
    if (t > 0 && t < 1) {
      const double v = at(t);
      *lo = std::min(*lo, v);
      *hi = std::max(*hi, v);
    }
  };
  if (std::fabs(a) < 1e-12) {
    if (std::fabs(b) > 1e-12) consider(-c / b);
    return;
  }
  const double disc = b * b - 4 * a * c;
  if (disc < 0) return;
  const double r = std::sqrt(disc);
  consider((-b + r) / (2 * a));
  consider((-b - r) / (2 * a));
}

}  // namespace

void ArcTo(Subpath* path, Pt from, double rx, double ry, double rotation, bool large, bool sweep,
           Pt to) {
  if (Same(from, to)) return;
  rx = std::fabs(rx);
  ry = std::fabs(ry);
  if (rx == 0 || ry == 0) {
    LineTo(path, to);
    return;
  }
  const double phi = std::fmod(rotation, 360.0) * kPi / 180;
  const double cp = std::cos(phi), sp = std::sin(phi);
  // The end points in the ellipse's own axes, halfway between them at the origin.
  const double dx = (from.x - to.x) / 2, dy = (from.y - to.y) / 2;
  const double x1 = cp * dx + sp * dy, y1 = -sp * dx + cp * dy;
  // Radii too small to reach: scaled up until they just do.
  const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
  if (lambda > 1) {
    rx *= std::sqrt(lambda);
    ry *= std::sqrt(lambda);
  }
  const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
  const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
  double k = den > 0 ? std::sqrt(std::max(0.0, num / den)) : 0;
  if (large == sweep) k = -k;
  const double cx1 = k * rx * y1 / ry, cy1 = -k * ry * x1 / rx;
  const Pt c{cp * cx1 - sp * cy1 + (from.x + to.x) / 2, sp * cx1 + cp * cy1 + (from.y + to.y) / 2};
  auto angle = [](double ux, double uy, double vx, double vy) {
    return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
  };
  const double theta = angle(1, 0, (x1 - cx1) / rx, (y1 - cy1) / ry);
  double delta = angle((x1 - cx1) / rx, (y1 - cy1) / ry, (-x1 - cx1) / rx, (-y1 - cy1) / ry);
  if (!sweep && delta > 0) delta -= 2 * kPi;
  if (sweep && delta < 0) delta += 2 * kPi;
  const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (kPi / 2) - 1e-9)));
  const double step = delta / n;
  const double h = 4.0 / 3.0 * std::tan(step / 4);
  auto point = [&](double t) {
    const double ex = rx * std::cos(t), ey = ry * std::sin(t);
    return Pt{c.x + cp * ex - sp * ey, c.y + sp * ex + cp * ey};
  };
  auto tangent = [&](double t) {
    const double ex = -rx * std::sin(t), ey = ry * std::cos(t);
    return Pt{cp * ex - sp * ey, sp * ex + cp * ey};
  };
  for (int i = 0; i < n; ++i) {
    const double t1 = theta + i * step, t2 = theta + (i + 1) * step;
    const Pt p1 = point(t1), p2 = i + 1 == n ? to : point(t2);
    const Pt d1 = tangent(t1), d2 = tangent(t2);
    CurveTo(path, {p1.x + h * d1.x, p1.y + h * d1.y}, {p2.x - h * d2.x, p2.y - h * d2.y}, p2);
    if (i + 1 < n) path->segs.back().joint = true;
  }
}

bool PathGeometry(const std::string& d, Geometry* out, std::size_t* errorAt) {
  std::vector<PathCommand> commands;
  const bool ok = ParsePathData(d, &commands, errorAt);
  Pt cur, start, lastCubic, lastQuad;
  char previous = 0;
  for (const PathCommand& c : commands) {
    const Pt base = c.absolute ? Pt{} : cur;
    auto at = [&](int i) { return Pt{base.x + c.v[i], base.y + c.v[i + 1]}; };
    for (int i = 0; i < 7; ++i)
      if (!std::isfinite(c.v[i])) {
        if (errorAt) *errorAt = d.size();
        return false;
      }
    if (c.op != 'M' && (out->empty() || (out->back().closed && previous == 'Z'))) {
      // After a close, drawing goes on in a new subpath from the same start.
      out->push_back({});
      out->back().segs.push_back({start, start, start});
    }
    Subpath* p = out->empty() ? nullptr : &out->back();
    switch (c.op) {
      case 'M':
        cur = start = at(0);
        out->push_back({});
        out->back().segs.push_back({cur, cur, cur});
        break;
      case 'L':
        cur = at(0);
        LineTo(p, cur);
        break;
      case 'H':
        cur.x = c.v[0] + (c.absolute ? 0 : cur.x);
        LineTo(p, cur);
        break;
      case 'V':
        cur.y = c.v[0] + (c.absolute ? 0 : cur.y);
        LineTo(p, cur);
        break;
      case 'C':
      case 'S': {
        const Pt c1 = c.op == 'C' ? at(0)
                      : (previous == 'C' || previous == 'S')
                          ? Pt{2 * cur.x - lastCubic.x, 2 * cur.y - lastCubic.y}
                          : cur;
        const Pt c2 = c.op == 'C' ? at(2) : at(0);
        const Pt to = c.op == 'C' ? at(4) : at(2);
        CurveTo(p, c1, c2, to);
        lastCubic = c2;
        cur = to;
        break;
      }
      case 'Q':
      case 'T': {
        const Pt q = c.op == 'Q' ? at(0)
                     : (previous == 'Q' || previous == 'T')
                         ? Pt{2 * cur.x - lastQuad.x, 2 * cur.y - lastQuad.y}
                         : cur;
        const Pt to = c.op == 'Q' ? at(2) : at(0);
        // A quadratic Bézier is the cubic with its handles 2/3 of the way to its control.
        CurveTo(p, Lerp(cur, q, 2.0 / 3.0), Lerp(to, q, 2.0 / 3.0), to);
        lastQuad = q;
        cur = to;
        break;
      }
      case 'A': {
        const Pt to = at(5);
        ArcTo(p, cur, c.v[0], c.v[1], c.v[2], c.v[3] != 0, c.v[4] != 0, to);
        cur = to;
        break;
      }
      case 'Z':
        if (p && !p->closed) Close(p);
        cur = start;
        break;
    }
    previous = c.op;
  }
  return ok;
}

Geometry RectGeometry(double x, double y, double w, double h, double rx, double ry) {
  Subpath p;
  p.closed = true;
  if (rx <= 0 || ry <= 0) {
    for (Pt q : {Pt{x, y}, Pt{x + w, y}, Pt{x + w, y + h}, Pt{x, y + h}})
      p.segs.push_back({q, q, q});
    return {p};
  }
  const double kx = rx * kKappa, ky = ry * kKappa;
  auto seg = [&](Pt in, Pt a, Pt out) { p.segs.push_back({in, a, out}); };
  // Clockwise (y down) from the top edge's left end.
  seg({x + rx - kx, y}, {x + rx, y}, {x + rx, y});
  seg({x + w - rx, y}, {x + w - rx, y}, {x + w - rx + kx, y});
  seg({x + w, y + ry - ky}, {x + w, y + ry}, {x + w, y + ry});
  seg({x + w, y + h - ry}, {x + w, y + h - ry}, {x + w, y + h - ry + ky});
  seg({x + w - rx + kx, y + h}, {x + w - rx, y + h}, {x + w - rx, y + h});
  seg({x + rx, y + h}, {x + rx, y + h}, {x + rx - kx, y + h});
  seg({x, y + h - ry + ky}, {x, y + h - ry}, {x, y + h - ry});
  seg({x, y + ry}, {x, y + ry}, {x, y + ry - ky});
  // Where the straight edges have no length, their two anchors are one.
  std::vector<Seg> merged;
  for (const Seg& s : p.segs) {
    if (!merged.empty() && Same(merged.back().anchor, s.anchor))
      merged.back().out = s.out;
    else
      merged.push_back(s);
  }
  if (merged.size() > 1 && Same(merged.front().anchor, merged.back().anchor)) {
    merged.front().in = merged.back().in;
    merged.pop_back();
  }
  p.segs = merged;
  return {p};
}

Geometry EllipseGeometry(double cx, double cy, double rx, double ry) {
  const double kx = rx * kKappa, ky = ry * kKappa;
  Subpath p;
  p.closed = true;
  p.segs = {{{cx + rx, cy - ky}, {cx + rx, cy}, {cx + rx, cy + ky}},
            {{cx + kx, cy + ry}, {cx, cy + ry}, {cx - kx, cy + ry}},
            {{cx - rx, cy + ky}, {cx - rx, cy}, {cx - rx, cy - ky}},
            {{cx - kx, cy - ry}, {cx, cy - ry}, {cx + kx, cy - ry}}};
  return {p};
}

Geometry PolyGeometry(const std::vector<double>& xy, bool closed) {
  Subpath p;
  for (std::size_t i = 0; i + 1 < xy.size(); i += 2)
    p.segs.push_back({{xy[i], xy[i + 1]}, {xy[i], xy[i + 1]}, {xy[i], xy[i + 1]}});
  if (p.segs.empty()) return {};
  if (closed) Close(&p);
  return {p};
}

Geometry Transformed(const Geometry& g, const Matrix& m) {
  Geometry out = g;
  for (Subpath& p : out)
    for (Seg& s : p.segs)
      s = {Apply(m, s.in), Apply(m, s.anchor), Apply(m, s.out)};
  return out;
}

bool Bounds(const Geometry& g, double box[4]) {
  bool any = false;
  double lx = 0, ly = 0, hx = 0, hy = 0;
  auto add = [&](Pt p) {
    if (!any) {
      lx = hx = p.x;
      ly = hy = p.y;
      any = true;
    }
    lx = std::min(lx, p.x);
    hx = std::max(hx, p.x);
    ly = std::min(ly, p.y);
    hy = std::max(hy, p.y);
  };
  for (const Subpath& p : g) {
    const std::size_t n = p.segs.size();
    for (std::size_t i = 0; i < n; ++i) {
      add(p.segs[i].anchor);
      if (i + 1 == n && !p.closed) break;
      const Seg& a = p.segs[i];
      const Seg& b = p.segs[(i + 1) % n];
      Extrema(a.anchor.x, a.out.x, b.in.x, b.anchor.x, &lx, &hx);
      Extrema(a.anchor.y, a.out.y, b.in.y, b.anchor.y, &ly, &hy);
    }
  }
  box[0] = lx;
  box[1] = ly;
  box[2] = hx;
  box[3] = hy;
  return any;
}

std::size_t SegmentCount(const Geometry& g) {
  std::size_t n = 0;
  for (const Subpath& p : g)
    n += p.segs.size();
  return n;
}

Json SubpathJson(const Subpath& p) {
  Json j = {{"type", "path"}, {"closed", p.closed}};
  const bool plain = std::all_of(p.segs.begin(), p.segs.end(), [](const Seg& s) {
    return Same(s.in, s.anchor) && Same(s.out, s.anchor);
  });
  Json list = Json::array();
  for (const Seg& s : p.segs) {
    if (plain) {
      list.push_back({s.anchor.x, s.anchor.y});
      continue;
    }
    // A smooth anchor has its handles on one line through it, on either side.
    const double ix = s.anchor.x - s.in.x, iy = s.anchor.y - s.in.y;
    const double ox = s.out.x - s.anchor.x, oy = s.out.y - s.anchor.y;
    const double li = std::hypot(ix, iy), lo = std::hypot(ox, oy);
    const bool smooth =
        li > 0 && lo > 0 && std::fabs(ix * oy - iy * ox) <= 1e-6 * li * lo && ix * ox + iy * oy > 0;
    list.push_back({{"anchor", {s.anchor.x, s.anchor.y}},
                    {"in", {s.in.x, s.in.y}},
                    {"out", {s.out.x, s.out.y}},
                    {"corner", !smooth}});
  }
  j[plain ? "points" : "segments"] = std::move(list);
  return j;
}

}  // namespace hostsim::svg_in
