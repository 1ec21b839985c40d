// Gradients whose stops fade: a record's gradient stops are colours, but its art has an
// opacity each. A fading fill becomes its shape clipping a stack of bands, each a region
// of the gradient where the fade reaches a level, filled with the opaque gradient at the
// opacity that brings the stack to that level. The colours are the gradient's; only the
// fade is stepped, and only downwards: no point is drawn more opaque than the source.
#include <algorithm>
#include <cmath>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

// The fade is stepped at least this finely (an opacity of each stop is a step as well).
constexpr int kFadeSteps = 16;
// Where the gradient's parameter runs without end (the pad past the first or last stop).
constexpr double kEndless = 1e9;
constexpr double kPi = 3.14159265358979323846;

struct Interval {
  double from, to;
};

// Grows `box` [left, bottom, right, top] by the points of a path's or compound's JSON.
void JsonBounds(const Json& art, double box[4]) {
  const auto add = [&](const Json& p) {
    if (!p.is_array() || p.size() != 2 || !p[0].is_number() || !p[1].is_number()) return;
    const double x = p[0].get<double>(), y = p[1].get<double>();
    box[0] = std::min(box[0], x), box[1] = std::min(box[1], y);
    box[2] = std::max(box[2], x), box[3] = std::max(box[3], y);
  };
  if (art.contains("points"))
    for (const Json& p : art["points"])
      add(p);
  if (art.contains("segments"))
    for (const Json& s : art["segments"])
      for (const char* key : {"anchor", "in", "out"})
        if (s.is_object() && s.contains(key)) add(s[key]);
  if (art.contains("children"))
    for (const Json& c : art["children"])
      if (c.is_object()) JsonBounds(c, box);
}

// The parts of the gradient's parameter where the fade `a` (piecewise linear through the
// stops at `t`, level before the first and after the last) is at least `level`.
std::vector<Interval> AtLeast(const std::vector<double>& t, const std::vector<double>& a,
                              double level) {
  std::vector<Interval> out;
  const auto add = [&](double from, double to) {
    if (!(to > from)) return;
    if (!out.empty() && from <= out.back().to + 1e-12)
      out.back().to = std::max(out.back().to, to);
    else
      out.push_back({from, to});
  };
  if (a.front() >= level) add(-kEndless, t.front());
  for (std::size_t i = 0; i + 1 < t.size(); ++i) {
    const double t0 = t[i], t1 = t[i + 1], a0 = a[i], a1 = a[i + 1];
    if (!(t1 > t0)) continue;  // a step: the stops on either side tell
    if (a0 >= level && a1 >= level) {
      add(t0, t1);
    } else if (a0 >= level || a1 >= level) {
      const double at = t0 + (t1 - t0) * (level - a0) / (a1 - a0);
      a0 >= level ? add(t0, at) : add(at, t1);
    }
  }
  if (a.back() >= level) add(t.back(), kEndless);
  return out;
}

// The part of the convex polygon `poly` where `f` is not below 0 (f linear).
template <typename F>
std::vector<Pt> Keep(const std::vector<Pt>& poly, F f) {
  std::vector<Pt> out;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const Pt p = poly[i], q = poly[(i + 1) % poly.size()];
    const double fp = f(p), fq = f(q);
    if (fp >= 0) out.push_back(p);
    if ((fp >= 0) != (fq >= 0)) {
      const double k = fp / (fp - fq);
      out.push_back({p.x + (q.x - p.x) * k, p.y + (q.y - p.y) * k});
    }
  }
  return out;
}

// `poly` within the page rectangle `box` [left, bottom, right, top], as a closed path of
// corners; empty when nothing of it is inside.
Geometry WithinBox(std::vector<Pt> poly, const double box[4]) {
  poly = Keep(poly, [&](Pt p) { return p.x - box[0]; });
  poly = Keep(poly, [&](Pt p) { return box[2] - p.x; });
  poly = Keep(poly, [&](Pt p) { return p.y - box[1]; });
  poly = Keep(poly, [&](Pt p) { return box[3] - p.y; });
  if (poly.size() < 3) return {};
  Subpath path;
  path.closed = true;
  for (Pt p : poly)
    path.segs.push_back({p, p, p});
  return {path};
}

std::vector<Pt> BoxCorners(const double box[4]) {
  return {{box[0], box[1]}, {box[2], box[1]}, {box[2], box[3]}, {box[0], box[3]}};
}

// The circle about `c` of radius `r` in gradient space, on the page through `m`, as a
// polygon fine enough that no point of it strays a tenth of a point from the curve.
std::vector<Pt> CirclePolygon(Pt c, double r, const Matrix& m) {
  double most = 0, least = 0;
  Stretch(m, &most, &least);
  const double page = r * most;
  const int n =
      std::clamp(static_cast<int>(std::ceil(kPi / std::sqrt(0.2 / std::max(page, 0.1)))), 16, 720);
  std::vector<Pt> out;
  for (int i = 0; i < n; ++i) {
    const double angle = 2 * kPi * i / n;
    out.push_back(Apply(m, {c.x + r * std::cos(angle), c.y + r * std::sin(angle)}));
  }
  return out;
}

}  // namespace

void Reader::Unfaded(xmlNodePtr at, Json* color, double* opacity) {
  if (!color->is_object() || !color->contains(kFadeMark)) return;
  const Json& alphas = (*color)[kFadeMark]["alphas"];
  double least = 1;
  for (const Json& a : alphas)
    least = std::min(least, a.get<double>());
  *opacity *= least;
  color->erase(kFadeMark);
  Drop("stop-opacity");
  Note(at, "stops of different opacities on a stroke: drawn at the least of them");
}

void Reader::Fades(xmlNodePtr at, Json* art) {
  if (!art->is_object()) return;
  if (art->value("type", "") == "group") {
    for (Json& child : (*art)["children"])
      Fades(at, &child);
    return;
  }
  if (!art->contains("fill") || !(*art)["fill"].is_object() || !(*art)["fill"].contains(kFadeMark))
    return;
  Json color = (*art)["fill"];
  const Json fade = color[kFadeMark];
  color.erase(kFadeMark);
  double opacity = 1;
  if (art->contains("blend")) opacity = (*art)["blend"].value("opacity", 1.0);

  // The fade at the stops, the art's own opacity in it.
  std::vector<double> t, a;
  for (std::size_t i = 0; i < fade["ramps"].size(); ++i) {
    t.push_back(fade["ramps"][i].get<double>() / 100);
    a.push_back(fade["alphas"][i].get<double>() * opacity);
  }
  // Gradient space (the line along x, 0 … length; the circle about the origin) to the page.
  const Json& mj = color["matrix"];
  const Matrix m{mj[0].get<double>(), mj[1].get<double>(), mj[2].get<double>(),
                 mj[3].get<double>(), mj[4].get<double>(), mj[5].get<double>()};
  const double length = color["length"].get<double>();
  const bool radial = fade["radial"].get<bool>();
  const double fx = fade["focus"][0].get<double>(), fy = fade["focus"][1].get<double>();
  double box[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};
  JsonBounds(*art, box);
  Matrix inverse;
  const bool drawable = std::isfinite(box[0]) && Invert(m, &inverse) && length > 0;
  // The shape's corners in gradient space, a little beyond it.
  double g[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};
  if (drawable) {
    const double margin = 1 + 0.01 * std::max(box[2] - box[0], box[3] - box[1]);
    for (double x : {box[0] - margin, box[2] + margin})
      for (double y : {box[1] - margin, box[3] + margin}) {
        const Pt q = Apply(inverse, {x, y});
        g[0] = std::min(g[0], q.x), g[1] = std::min(g[1], q.y);
        g[2] = std::max(g[2], q.x), g[3] = std::max(g[3], q.y);
      }
  }
  // Whether the circle at `s` holds all of the shape.
  const auto holdsAll = [&](double s) {
    for (double x : {g[0], g[2]})
      for (double y : {g[1], g[3]})
        if (std::hypot(x - fx * (1 - s), y - fy * (1 - s)) > s * length) return false;
    return true;
  };

  // The levels: even steps, and every stop's own opacity exactly.
  std::vector<double> levels;
  for (int k = 1; k <= kFadeSteps; ++k)
    levels.push_back(static_cast<double>(k) / kFadeSteps * opacity);
  for (double v : a)
    if (v > 0) levels.push_back(v);
  std::sort(levels.begin(), levels.end());
  levels.erase(std::unique(levels.begin(), levels.end(),
                           [](double x, double y) { return std::fabs(x - y) < 1e-6; }),
               levels.end());

  Json bands = Json::array();
  std::size_t points = 0;
  double below = 0;  // the opacity the bands under this one reach
  for (double level : levels) {
    if (!(level > below) || below >= 1) break;
    Geometry region;
    // Each band's region kept within the shape's bounds (what lies beyond is clipped
    // away, but would count as the art's extent).
    for (const Interval& in : AtLeast(t, a, level)) {
      if (!radial) {
        const auto along = [&](Pt p) { return Apply(inverse, p).x / length; };
        std::vector<Pt> strip = BoxCorners(box);
        if (in.from > -kEndless) strip = Keep(strip, [&](Pt p) { return along(p) - in.from; });
        if (in.to < kEndless) strip = Keep(strip, [&](Pt p) { return in.to - along(p); });
        for (Subpath& p : WithinBox(strip, box))
          region.push_back(std::move(p));
        continue;
      }
      // Between the circle at `from` and the one at `to` (about the focus moved towards
      // the centre, of radius t times the gradient's): even-odd of the two.
      if (in.from > 0 && holdsAll(in.from)) break;
      const auto circle = [&](double s) {
        return WithinBox(CirclePolygon({fx * (1 - s), fy * (1 - s)}, s * length, m), box);
      };
      if (in.from > 0)
        for (Subpath& p : circle(in.from))
          region.push_back(std::move(p));
      for (Subpath& p :
           in.to >= kEndless || holdsAll(in.to) ? WithinBox(BoxCorners(box), box) : circle(in.to))
        region.push_back(std::move(p));
    }
    // The stack over a point reaches `level` when this band lets (1 - level) / (1 - below)
    // of what lies under it through.
    const double own = level >= 1 ? 1 : 1 - (1 - level) / (1 - below);
    below = level;
    if (region.empty()) continue;
    points += SegmentCount(region);
    Json children = Json::array();
    for (const Subpath& p : region)
      children.push_back(SubpathJson(p));
    Json band = {{"type", "compound"}, {"children", std::move(children)}, {"evenOdd", true}};
    band["fill"] = color;
    if (own < 1) band["blend"] = {{"opacity", own}};
    bands.push_back(std::move(band));
  }

  // A fade of less than a step is no fade a person sees: no bands for it.
  const auto [fewest, most] = std::minmax_element(a.begin(), a.end());
  const bool slight = *most - *fewest < 0.5 / kFadeSteps;
  if (slight || !drawable || !BudgetPoints(points, at)) {
    // No bands: the gradient at the least of its opacities.
    (*art)["fill"] = color;
    const double least = *std::min_element(a.begin(), a.end());
    if (least < 1)
      (*art)["blend"] = {{"opacity", std::max(0.0, least)}};
    else
      art->erase("blend");
    Drop("stop-opacity");
    Note(at, "stops of different opacities: drawn at the least of them");
    return;
  }
  Drop("stop-opacity");
  Note(at, "stops of different opacities: the fade drawn as " + std::to_string(bands.size()) +
               " bands of even opacity, clipped to the shape");

  // The shape clips the bands; a stroke it had goes on top.
  Json clip = *art;
  clip.erase("stroke");
  clip.erase("blend");
  clip["fill"] = nullptr;
  clip["clip"] = true;
  Json children = Json::array({std::move(clip)});
  for (Json& band : bands)
    children.push_back(std::move(band));
  Json clipped = {{"type", "group"}, {"clipped", true}, {"children", std::move(children)}};
  if (art->contains("stroke")) {
    Json stroke = *art;
    stroke["fill"] = nullptr;
    *art = {{"type", "group"}, {"children", {std::move(clipped), std::move(stroke)}}};
  } else {
    *art = std::move(clipped);
  }
}

}  // namespace hostsim::svg_in
