// A stroke turned into its outline: pieces (a quad for each straight piece of the flattened
// path, a join at each vertex, caps at open ends) all wound the same way, so that their
// nonzero fill is the area the stroke paints.
#include <algorithm>
#include <cmath>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vertex {
  Pt p;
  bool smooth = false;  // inside a flattened curve: joined round, without a corner of its own
};

Pt Add(Pt a, Pt b) {
  return {a.x + b.x, a.y + b.y};
}
Pt Sub(Pt a, Pt b) {
  return {a.x - b.x, a.y - b.y};
}
Pt Scale(Pt a, double k) {
  return {a.x * k, a.y * k};
}
double Cross(Pt a, Pt b) {
  return a.x * b.y - a.y * b.x;
}
double Dot(Pt a, Pt b) {
  return a.x * b.x + a.y * b.y;
}
double Length(Pt a) {
  return std::hypot(a.x, a.y);
}
Pt Unit(Pt a) {
  const double l = Length(a);
  return l > 0 ? Scale(a, 1 / l) : Pt{1, 0};
}
Pt Perp(Pt a) {
  return {-a.y, a.x};
}

class Outliner {
 public:
  Outliner(const StrokeShape& s, std::size_t maxPoints)
      : s_(s), half_(s.width / 2), maxPoints_(maxPoints) {
    // Curves and round parts within the tolerance (at most a fiftieth of the width) of
    // the true ones.
    tolerance_ = std::max(s.width / 50, s.tolerance);
    const double step = half_ > 0 ? 2 * std::acos(std::max(-1.0, 1 - tolerance_ / half_)) : kPi;
    circleSteps_ = std::clamp(static_cast<int>(std::ceil(2 * kPi / step)), 8, 64);
  }

  bool Run(const Geometry& g, Geometry* out) {
    for (const Subpath& sub : g) {
      std::vector<Vertex> line;
      Flatten(sub, &line);
      if (!ok_) break;
      if (line.empty()) continue;
      if (s_.dash.empty())
        Stroke(line, sub.closed, FirstDirection(sub));
      else
        Dashed(line, sub.closed, FirstDirection(sub));
      if (!ok_) break;
    }
    if (!ok_) return false;
    *out = std::move(pieces_);
    return true;
  }

 private:
  // The direction a subpath leaves its start with, for a dot or square drawn where it has
  // no length.
  static Pt FirstDirection(const Subpath& sub) {
    for (std::size_t i = 0; i + 1 < sub.segs.size(); ++i) {
      const Seg& a = sub.segs[i];
      const Seg& b = sub.segs[i + 1];
      for (Pt q : {a.out, b.in, b.anchor}) {
        const Pt d = Sub(q, a.anchor);
        if (Length(d) > 0) return Unit(d);
      }
    }
    return {1, 0};
  }

  void Cubic(Pt p0, Pt p1, Pt p2, Pt p3, std::vector<Vertex>* line) {
    double m =
        std::max(Length(Add(Sub(p0, Scale(p1, 2)), p2)), Length(Add(Sub(p1, Scale(p2, 2)), p3)));
    int n = 1;
    // A straight segment (handles on its chord, as a line's are) is one piece.
    const Pt chord = Sub(p3, p0);
    const double c = Length(chord);
    const auto onChord = [&](Pt q) {
      const Pt d = Sub(q, p0);
      return std::fabs(Cross(chord, d)) <= 1e-9 * c * (1 + c) && Dot(chord, d) >= 0 &&
             Dot(chord, d) <= c * c;
    };
    if (c > 0 && onChord(p1) && onChord(p2)) m = 0;
    if (m > 0 && tolerance_ > 0) {
      const double want = std::ceil(std::sqrt(0.75 * m / tolerance_));
      n = static_cast<int>(std::clamp(want, 1.0, 100.0));
    }
    for (int i = 1; i <= n; ++i) {
      const double t = static_cast<double>(i) / n, u = 1 - t;
      const Pt q = Add(Add(Scale(p0, u * u * u), Scale(p1, 3 * u * u * t)),
                       Add(Scale(p2, 3 * u * t * t), Scale(p3, t * t * t)));
      Push({q, i < n}, line);
    }
  }

  void Push(Vertex v, std::vector<Vertex>* line) {
    if (!line->empty() && Length(Sub(v.p, line->back().p)) <= 1e-12 * (1 + half_)) {
      line->back().smooth = line->back().smooth && v.smooth;
      return;
    }
    line->push_back(v);
  }

  void Flatten(const Subpath& sub, std::vector<Vertex>* line) {
    if (sub.segs.empty()) return;
    line->push_back({sub.segs.front().anchor, false});
    for (std::size_t i = 0; i + 1 < sub.segs.size(); ++i)
      Cubic(sub.segs[i].anchor, sub.segs[i].out, sub.segs[i + 1].in, sub.segs[i + 1].anchor, line);
    if (sub.closed) {
      Cubic(sub.segs.back().anchor, sub.segs.back().out, sub.segs.front().in,
            sub.segs.front().anchor, line);
      // The start again closes the ring: it is the first vertex.
      if (line->size() > 1 && Length(Sub(line->back().p, line->front().p)) <= 1e-12 * (1 + half_))
        line->pop_back();
    }
    if (line->size() > maxPoints_) ok_ = false;
  }

  // Splits the polyline at the dash boundaries and strokes each dash as an open line.
  void Dashed(const std::vector<Vertex>& line, bool closed, Pt firstDirection) {
    double total = 0;
    for (double d : s_.dash)
      total += d;
    const std::size_t count = s_.dash.size();
    double offset = std::fmod(s_.dashOffset, total);
    if (offset < 0) offset += total;
    std::size_t index = 0;
    while (offset > s_.dash[index]) {
      offset -= s_.dash[index];
      index = (index + 1) % count;
    }
    double left = s_.dash[index] - offset;  // of the current dash or gap
    bool on = index % 2 == 0;
    const bool startsOn = on;

    std::vector<std::vector<Vertex>> dashes;
    std::vector<Vertex> current;
    std::vector<Pt> dirs;
    if (on) current.push_back({line.front().p, false});
    const std::size_t n = closed ? line.size() : line.size() - 1;
    if (line.size() == 1) {
      // No length: a dash drawn here is a dot or square.
      if (on) Stroke(current, false, firstDirection);
      return;
    }
    for (std::size_t i = 0; i < n && ok_; ++i) {
      const Pt a = line[i].p, b = line[(i + 1) % line.size()].p;
      const double len = Length(Sub(b, a));
      const Pt dir = Unit(Sub(b, a));
      double at = 0;
      while (len - at > left) {
        at += left;
        const Pt q = Add(a, Scale(dir, at));
        if (on) {
          current.push_back({q, false});
          dashes.push_back(std::move(current));
          dirs.push_back(dir);
          current.clear();
        } else {
          current.push_back({q, false});
        }
        on = !on;
        index = (index + 1) % count;
        left = s_.dash[index];
        if (++pieces_count_ > maxPoints_) {
          ok_ = false;
          return;
        }
      }
      left -= len - at;
      if (on) current.push_back({b, line[(i + 1) % line.size()].smooth});
    }
    if (on && !current.empty()) {
      if (closed && startsOn && dashes.empty()) {
        Stroke(line, true, firstDirection);  // never off: the ring whole
        return;
      }
      if (closed && startsOn) {
        // A dash over the start of a ring is one dash, joined there.
        current.insert(current.end(), dashes.front().begin() + 1, dashes.front().end());
        dashes.front() = std::move(current);
      } else {
        dashes.push_back(std::move(current));
        dirs.push_back(Unit(Sub(line[n % line.size()].p, line[n - 1].p)));
      }
    }
    for (std::size_t i = 0; i < dashes.size() && ok_; ++i)
      Stroke(dashes[i], false, i < dirs.size() ? dirs[i] : firstDirection);
  }

  void Stroke(const std::vector<Vertex>& points, bool closed, Pt firstDirection) {
    std::vector<Vertex> line;
    for (const Vertex& v : points)
      Push(v, &line);
    if (closed && line.size() > 1 &&
        Length(Sub(line.back().p, line.front().p)) <= 1e-12 * (1 + half_))
      line.pop_back();
    if (line.empty()) return;
    if (line.size() == 1) {
      // A subpath or dash without length: round and square caps draw it.
      Cap(line.front().p, firstDirection, true);
      Cap(line.front().p, Scale(firstDirection, -1), false);
      return;
    }
    const std::size_t n = line.size();
    const std::size_t pieces = closed ? n : n - 1;
    for (std::size_t i = 0; i < pieces && ok_; ++i) {
      const Pt a = line[i].p, b = line[(i + 1) % n].p;
      const Pt normal = Scale(Perp(Unit(Sub(b, a))), half_);
      Piece({Add(a, normal), Add(b, normal), Sub(b, normal), Sub(a, normal)});
    }
    for (std::size_t i = closed ? 0 : 1; i < (closed ? n : n - 1) && ok_; ++i) {
      const Pt before = line[(i + n - 1) % n].p, p = line[i].p, after = line[(i + 1) % n].p;
      Join(p, Unit(Sub(p, before)), Unit(Sub(after, p)), line[i].smooth);
    }
    if (!closed) {
      Cap(line.front().p, Unit(Sub(line[1].p, line[0].p)), false);
      Cap(line.back().p, Unit(Sub(line[n - 1].p, line[n - 2].p)), true);
    }
  }

  // The points of an arc around `c` of the half width from angle `from`, `sweep` radians.
  void Arc(Pt c, double from, double sweep, std::vector<Pt>* poly) const {
    const int steps =
        std::max(2, static_cast<int>(std::ceil(std::fabs(sweep) / (2 * kPi) * circleSteps_)));
    for (int i = 0; i <= steps; ++i) {
      const double a = from + sweep * i / steps;
      poly->push_back({c.x + half_ * std::cos(a), c.y + half_ * std::sin(a)});
    }
  }

  void Join(Pt p, Pt d1, Pt d2, bool smooth) {
    const double cross = Cross(d1, d2), dot = Dot(d1, d2);
    if (std::fabs(cross) <= 1e-12 && dot > 0) return;  // straight on
    const double side = cross > 0 ? -1 : 1;            // the outer side of the turn
    const Pt o1 = Scale(Perp(d1), half_ * side), o2 = Scale(Perp(d2), half_ * side);
    // Inside a flattened curve the pieces meet as the curve's own outline does: round. A
    // miter there has no limit of its own, and where a curve turns back (a cusp) it would
    // reach far past the stroke.
    const int join = smooth ? 1 : s_.join;
    if (join == 1) {
      std::vector<Pt> wedge{p};
      const double from = std::atan2(o1.y, o1.x);
      double sweep = std::atan2(o2.y, o2.x) - from;
      if (sweep > kPi) sweep -= 2 * kPi;
      if (sweep < -kPi) sweep += 2 * kPi;
      // Turning back on itself: the half circle beyond the vertex.
      if (std::fabs(std::fabs(sweep) - kPi) < 1e-9) sweep = Cross(o1, d1) > 0 ? kPi : -kPi;
      Arc(p, from, sweep, &wedge);
      Piece(std::move(wedge));
      return;
    }
    // The miter's length over the stroke width is 1 / cos(half the turn).
    const Pt bisector = Add(o1, o2);
    const double cosHalf = Length(bisector) / (2 * half_);
    const double limit = std::max(1.0, s_.miterLimit);
    if (join == 0 && cosHalf > 0 && 1 / cosHalf <= limit) {
      const Pt tip = Add(p, Scale(Unit(bisector), half_ / cosHalf));
      Piece({p, Add(p, o1), tip, Add(p, o2)});
      return;
    }
    Piece({p, Add(p, o1), Add(p, o2)});
  }

  // The cap at `p` of a line leaving it along `d` (`end`: the line arrives along `d`).
  void Cap(Pt p, Pt d, bool end) {
    if (s_.cap == 0) return;
    const Pt out = end ? d : Scale(d, -1);
    const Pt normal = Scale(Perp(out), half_);
    if (s_.cap == 2) {
      const Pt far = Add(p, Scale(out, half_));
      Piece({Add(p, normal), Add(far, normal), Sub(far, normal), Sub(p, normal)});
      return;
    }
    std::vector<Pt> half;
    const double from = std::atan2(normal.y, normal.x);
    Arc(p, from, Cross(normal, out) > 0 ? kPi : -kPi, &half);
    Piece(std::move(half));
  }

  // Adds a piece wound the positive way; pieces without area are left out.
  void Piece(std::vector<Pt> poly) {
    double area = 0;
    for (std::size_t i = 0; i < poly.size(); ++i)
      area += Cross(poly[i], poly[(i + 1) % poly.size()]);
    if (!(std::fabs(area) > 1e-12 * half_ * half_)) return;
    if (area < 0) std::reverse(poly.begin(), poly.end());
    points_ += poly.size();
    if (points_ > maxPoints_) {
      ok_ = false;
      return;
    }
    Subpath sub;
    sub.closed = true;
    for (Pt q : poly)
      sub.segs.push_back({q, q, q});
    pieces_.push_back(std::move(sub));
  }

  const StrokeShape& s_;
  double half_;
  std::size_t maxPoints_;
  std::size_t points_ = 0, pieces_count_ = 0;
  int circleSteps_ = 0;
  double tolerance_ = 0;
  bool ok_ = true;
  Geometry pieces_;
};

}  // namespace

bool StrokeOutline(const Geometry& g, const StrokeShape& s, std::size_t maxPoints, Geometry* out) {
  out->clear();
  if (!(s.width > 0) || !std::isfinite(s.width)) return true;
  StrokeShape shape = s;
  double total = 0;
  for (double d : shape.dash) {
    if (!(d >= 0) || !std::isfinite(d)) return true;  // not a valid pattern: none is drawn
    total += d;
  }
  // A pattern of no length draws the stroke whole; an odd one repeats itself once.
  if (!(total > 0) || !std::isfinite(total)) shape.dash.clear();
  if (shape.dash.size() % 2) shape.dash.insert(shape.dash.end(), s.dash.begin(), s.dash.end());
  if (!std::isfinite(shape.dashOffset)) shape.dashOffset = 0;
  shape.cap = std::clamp(shape.cap, 0, 2);
  shape.join = std::clamp(shape.join, 0, 2);
  Outliner outliner(shape, maxPoints);
  return outliner.Run(g, out);
}

}  // namespace hostsim::svg_in
