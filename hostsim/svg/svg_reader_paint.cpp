// Reading SVG paint: colours, and linear and radial gradients as the host's gradients.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr long kMaxGradientStops = 32;  // what a record keeps of a gradient

std::string HexColor(const std::uint8_t rgb[3]) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
  return buffer;
}

}  // namespace

Json Reader::PaintJson(const Paint& p, const Style& s, const Geometry& user, const Matrix& ctm,
                       xmlNodePtr at, double* opacity) {
  switch (p.kind) {
    case Paint::kNone:
      return nullptr;
    case Paint::kColor:
      *opacity *= p.alpha;
      return HexColor(p.rgb);
    case Paint::kCurrentColor:
      *opacity *= s.colorAlpha;
      return HexColor(s.color);
    case Paint::kUrl:
      break;
  }
  auto fallback = [&]() -> Json {
    if (!p.hasFallback || p.fallback == Paint::kNone) return nullptr;
    const bool current = p.fallback == Paint::kCurrentColor;
    *opacity *= current ? s.colorAlpha : p.fallbackAlpha;
    return HexColor(current ? s.color : p.fallbackRgb);
  };
  auto it = ids_.find(p.url);
  if (it == ids_.end()) {
    if (!p.hasFallback) Note(at, "paint refers to nothing named \"#" + p.url + "\": not painted");
    return fallback();
  }
  xmlNodePtr target = it->second;
  if (Named(target, "linearGradient") || Named(target, "radialGradient")) {
    // Percentages in user space units are of the viewport the painted element lies in.
    Json g = Gradient(target, user, ctm, Viewport{vp_}, at, opacity);
    return g.is_null() ? fallback() : g;
  }
  if (Named(target, "pattern")) {
    Json pattern = PatternPaint(target, user, ctm, at);
    return pattern.is_null() ? fallback() : pattern;
  }
  Note(at, "paint refers to \"#" + p.url + "\", not a paint server: not painted");
  return fallback();
}

// The gradient's own attribute, or the one it inherits through href.
namespace {
struct GradientChain {
  std::vector<xmlNodePtr> chain;  // the gradient first, then what it refers to
  xmlNodePtr With(const char* attr) const {
    for (xmlNodePtr g : chain)
      if (Reader::HasAttr(g, attr)) return g;
    return nullptr;
  }
  // A geometric attribute: only a gradient of the same kind as the first gives it (a
  // linear gradient's cx is no attribute of it).
  xmlNodePtr Geometric(const char* attr) const {
    const bool radial = Reader::Named(chain.front(), "radialGradient");
    for (xmlNodePtr g : chain)
      if (Reader::Named(g, "radialGradient") == radial && Reader::HasAttr(g, attr)) return g;
    return nullptr;
  }
  xmlNodePtr Stops() const {
    for (xmlNodePtr g : chain)
      for (xmlNodePtr c = g->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE && Reader::Named(c, "stop")) return g;
    return nullptr;
  }
};
// Where a point of the gradient's plane lies along it: 0 at its start (the line's first
// point, the focus), 1 at its end (the line's last point, the circle); for a radial
// gradient, at most that.
struct Line {
  double x1, y1, x2, y2, cx, cy, r, fx, fy;
};

// The periods [first, first + count) of the ramp that the shape reaches, its points
// taken through `toUser`'s inverse into the gradient's space; false when they cannot be
// told (a flat map, a focus on the circle, numbers out of range).
bool Periods(const Geometry& user, const Matrix& toUser, bool radial, const Line& l, long* first,
             long* count) {
  const double det = toUser.a * toUser.d - toUser.b * toUser.c;
  if (!(std::fabs(det) > 1e-12)) return false;
  Matrix inverse;
  if (!Invert(toUser, &inverse)) return false;
  const double focus = std::hypot(l.fx - l.cx, l.fy - l.cy) / l.r;
  if (radial && focus > 0.99) return false;
  const double length2 = (l.x2 - l.x1) * (l.x2 - l.x1) + (l.y2 - l.y1) * (l.y2 - l.y1);
  double low = radial ? 0 : INFINITY, high = -INFINITY;
  // A curve lies within its control points: they bound where it reaches.
  for (const Subpath& p : user)
    for (const Seg& seg : p.segs)
      for (Pt q : {seg.in, seg.anchor, seg.out}) {
        q = Apply(inverse, q);
        // A point at t on a radial gradient lies on the circle about focus + t (centre -
        // focus) of radius t r, so its distance from the focus is at least t r (1 - focus).
        const double t =
            radial ? std::hypot(q.x - l.fx, q.y - l.fy) / (l.r * (1 - focus))
                   : ((q.x - l.x1) * (l.x2 - l.x1) + (q.y - l.y1) * (l.y2 - l.y1)) / length2;
        low = std::min(low, t), high = std::max(high, t);
      }
  if (!std::isfinite(low) || !std::isfinite(high) || high - low > 1e4) return false;
  *first = static_cast<long>(std::floor(low));
  *count = std::max(1L, static_cast<long>(std::ceil(high)) - *first);
  return true;
}

// The stops of one period laid out over `count` periods from `first`, each in turn the
// other way round when reflecting; the ramp 0 … 100 over all of them.
Json LaidOut(const Json& stops, bool reflect, long first, long count) {
  Json out = Json::array();
  for (long k = first; k < first + count; ++k) {
    const bool back = reflect && ((k % 2) + 2) % 2 == 1;
    for (std::size_t i = 0; i < stops.size(); ++i) {
      Json stop = stops[back ? stops.size() - 1 - i : i];
      const double at = stop["ramp"].get<double>() / 100;
      stop["ramp"] = (static_cast<double>(k - first) + (back ? 1 - at : at)) * 100 / count;
      // Where reflected periods meet, the same stop twice is one.
      if (!out.empty() && out.back() == stop) continue;
      out.push_back(std::move(stop));
    }
  }
  return out;
}

}  // namespace

Json Reader::Gradient(xmlNodePtr g, const Geometry& user, const Matrix& ctm, const Viewport& vp,
                      xmlNodePtr at, double* opacity) {
  GradientChain chain;
  for (xmlNodePtr n = g; n;) {
    if (std::find(chain.chain.begin(), chain.chain.end(), n) != chain.chain.end()) {
      Note(g, "gradient references form a cycle: the gradient is not used");
      return nullptr;
    }
    chain.chain.push_back(n);
    const std::string href = Href(n);
    if (href.size() < 2 || href[0] != '#') break;
    auto it = ids_.find(href.substr(1));
    if (it == ids_.end() ||
        !(Named(it->second, "linearGradient") || Named(it->second, "radialGradient")))
      break;
    n = it->second;
  }
  const bool radial = Named(g, "radialGradient");

  // The stops: offsets clamped and never decreasing.
  xmlNodePtr stopsFrom = chain.Stops();
  Json stops = Json::array();
  std::vector<double> alphas;
  std::uint8_t last[3] = {0, 0, 0};
  if (stopsFrom) {
    const Style gs = StyleOf(stopsFrom);
    double previous = 0;
    for (xmlNodePtr c = stopsFrom->children; c; c = c->next) {
      if (c->type != XML_ELEMENT_NODE || !Named(c, "stop")) continue;
      const Style ss = Compute(c, gs);
      Length l;
      double offset = 0;
      // A number or a percentage; anything else is 0.
      if (ParseLengthValue(Attr(c, "offset"), false, &l) &&
          (l.unit == Unit::kNone || l.unit == Unit::kPercent))
        offset = l.unit == Unit::kPercent ? l.value / 100 : l.value;
      else if (HasAttr(c, "offset"))
        Note(c, "offset not valid: 0");
      if (!std::isfinite(offset)) offset = 0;
      offset = std::max(previous, std::clamp(offset, 0.0, 1.0));
      previous = offset;
      // A stop colour's alpha joins its stop-opacity; it goes with the stop while the ramp
      // is laid out, and leaves it before the gradient is kept (its stops hold colours).
      const double alpha = std::clamp(ss.stopOpacity, 0.0, 1.0) * ss.StopAlpha();
      stops.push_back(
          {{"ramp", offset * 100}, {"color", HexColor(ss.StopRgb())}, {kFadeAlpha, alpha}});
      alphas.push_back(alpha);
      std::copy(ss.StopRgb(), ss.StopRgb() + 3, last);
    }
  }
  if (stops.empty()) return nullptr;  // no stops: not painted
  // Stops of different opacities fade: the gradient is kept opaque, and the fade is drawn
  // by the art that uses it (see svg_reader_fade.cpp).
  const bool fades =
      std::any_of(alphas.begin(), alphas.end(), [&](double a) { return a != alphas[0]; });
  if (!fades) *opacity *= alphas[0];
  // Where the gradient paints one colour, the last stop's: with its own opacity.
  const auto lastStop = [&]() -> Json {
    if (fades) *opacity *= alphas.back();
    return HexColor(last);
  };
  if (stops.size() == 1) return lastStop();
  xmlNodePtr spreadFrom = chain.With("spreadMethod");
  const std::string spread = spreadFrom ? Trim(Attr(spreadFrom, "spreadMethod")) : "pad";

  // Gradient space to the element's user space.
  Matrix toUser;
  xmlNodePtr units = chain.With("gradientUnits");
  const bool box = !units || Attr(units, "gradientUnits") != "userSpaceOnUse";
  if (box) {
    double b[4];
    if (!Bounds(user, b) || b[2] <= b[0] || b[3] <= b[1]) {
      Note(at, "a bounding-box gradient on a shape without area: not painted");
      return nullptr;
    }
    toUser = {b[2] - b[0], 0, 0, b[3] - b[1], b[0], b[1]};
  }
  if (xmlNodePtr t = chain.With("gradientTransform")) {
    Matrix gt;
    Matrix inverse;
    if (!ParseTransformList(Attr(t, "gradientTransform"), &gt)) {
      Note(t, "gradientTransform not valid: left out");
    } else if (!Invert(gt, &inverse)) {
      Note(t, "gradientTransform not invertible: left out");
      gt = Matrix{};
    }
    toUser = Multiply(toUser, AboutOrigin(t, gt));
  }
  const Matrix m = Multiply(PageMatrix(Matrix{}), Multiply(ctm, toUser));
  const Style none;
  const Viewport unit{1, 1};
  auto coord = [&](const char* attr, int axis, const char* fallback) {
    xmlNodePtr from = chain.Geometric(attr);
    Length l;
    if (!ParseLengthValue(from ? Attr(from, attr) : fallback, false, &l)) {
      if (from) Note(from, std::string(attr) + " not valid");
      ParseLengthValue(fallback, false, &l);
    }
    if (box && l.unit == Unit::kPercent) return l.value / 100;
    return ToUser(l, none, box ? unit : vp, axis);
  };

  // SVG 2's focal radius: the host's radial gradients start at a point, so the ramp is
  // moved out to begin at the focal circle (exact when the focus is the centre; beside it,
  // the focal circle's inside takes the first stop as well).
  // A focal circle larger than the circle runs the ramp inwards: the host's circle is the
  // focal one, the stops turned round to end at r / fr.
  double outerRadius = 0;
  if (radial && chain.Geometric("fr")) {
    const double r = coord("r", 2, "50%"), fr = coord("fr", 2, "0%");
    if (r > 0 && fr > r) {
      const double k = 1 - r / fr;
      Json turned = Json::array();
      for (auto it = stops.rbegin(); it != stops.rend(); ++it) {
        Json stop = *it;
        stop["ramp"] = 100 - stop["ramp"].get<double>() * k;
        turned.push_back(std::move(stop));
      }
      stops = std::move(turned);
      outerRadius = fr;
    } else if (r > 0 && fr > 0) {
      const double k = std::min(fr / r, 1.0);
      for (Json& stop : stops)
        stop["ramp"] = k * 100 + stop["ramp"].get<double>() * (1 - k);
    }
  }

  // The gradient's line (x1, y1 to x2, y2) or circle (centre, radius, focus).
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0, cx = 0, cy = 0, r = 0, fx = 0, fy = 0;
  if (radial) {
    cx = coord("cx", 0, "50%"), cy = coord("cy", 1, "50%");
    r = coord("r", 2, "50%");
    if (!(r > 0)) return lastStop();  // SVG: a zero radius paints the last stop
    if (outerRadius > 0) r = outerRadius;
    fx = chain.Geometric("fx") ? coord("fx", 0, "50%") : cx;
    fy = chain.Geometric("fy") ? coord("fy", 1, "50%") : cy;
    if (std::hypot(fx - cx, fy - cy) > r) {
      // A focus outside the circle moves onto it (the host's focus lies within its circle).
      Note(g, "a focus outside the circle: moved onto it");
      const double d = std::hypot(fx - cx, fy - cy);
      fx = cx + (fx - cx) * r / d, fy = cy + (fy - cy) * r / d;
    }
  } else {
    x1 = coord("x1", 0, "0%"), y1 = coord("y1", 1, "0%");
    x2 = coord("x2", 0, "100%"), y2 = coord("y2", 1, "0%");
    if (!(std::hypot(x2 - x1, y2 - y1) > 0)) return lastStop();  // SVG: the last stop
  }

  // reflect and repeat: the host's gradients pad, so the ramp is laid out again over every
  // period the shape reaches and the gradient stretched over them, as far as a gradient's
  // stops go.
  long periods = 1, firstPeriod = 0;
  if (spread == "reflect" || spread == "repeat") {
    if (!Periods(user, toUser, radial, {x1, y1, x2, y2, cx, cy, r, fx, fy}, &firstPeriod,
                 &periods) ||
        periods * static_cast<long>(stops.size()) > kMaxGradientStops) {
      Drop("spreadMethod");
      Note(g, "spreadMethod " + spread + " over more stops than a gradient holds: drawn as pad");
      periods = 1, firstPeriod = 0;
    } else if (periods > 1 || firstPeriod != 0) {
      stops = LaidOut(stops, spread == "reflect", firstPeriod, periods);
      if (radial) {
        // The circle grows about the focus: the same rings, the ramp spread over them.
        cx = fx + periods * (cx - fx), cy = fy + periods * (cy - fy), r *= periods;
      } else {
        const double dx = x2 - x1, dy = y2 - y1;
        x1 += firstPeriod * dx, y1 += firstPeriod * dy;
        x2 = x1 + periods * dx, y2 = y1 + periods * dy;
      }
    }
  }

  Json fade = {{"ramps", Json::array()}, {"alphas", Json::array()}};
  for (Json& stop : stops) {
    fade["ramps"].push_back(stop["ramp"]);
    fade["alphas"].push_back(stop[kFadeAlpha]);
    stop.erase(kFadeAlpha);
  }

  std::string name;
  const auto spreadKey = std::make_tuple(g, firstPeriod, periods);
  auto known = periods == 1 && firstPeriod == 0 ? gradientOf_.find(g) : gradientOf_.end();
  auto knownSpread = spreadOf_.find(spreadKey);
  if (known != gradientOf_.end()) {
    name = known->second;
  } else if (knownSpread != spreadOf_.end()) {
    name = knownSpread->second;
  } else {
    Json def;
    const bool laid = periods != 1 || firstPeriod != 0;
    if (laid || !CheckedKeys(g, &def) || !def.is_object()) {
      def = {{"type", radial ? "radial" : "linear"}, {"stops", stops}};
      name = Attr(g, "id");
    } else {
      name = def.value("name", Attr(g, "id"));
    }
    if (name.empty()) name = "gradient";
    const std::string base = name;
    for (int i = 2; gradientNames_.count(name); ++i)
      name = base + " " + std::to_string(i);
    def["name"] = name;
    gradientNames_.insert(name);
    gradients_.push_back(def);
    if (laid)
      spreadOf_[spreadKey] = name;
    else
      gradientOf_[g] = name;
  }

  Json color = {{"gradient", name}, {"origin", {0, 0}}, {"angle", 0}};
  Matrix local;
  if (radial) {
    color["length"] = r;
    color["hiliteAngle"] = std::atan2(fy - cy, fx - cx) * 180 / kPi;
    color["hiliteLength"] = std::min(1.0, std::hypot(fx - cx, fy - cy) / r);
    local = {1, 0, 0, 1, cx, cy};
  } else {
    const double length = std::hypot(x2 - x1, y2 - y1);
    const double c = (x2 - x1) / length, s = (y2 - y1) / length;
    color["length"] = length;
    local = {c, s, -s, c, x1, y1};
  }
  const Matrix full = Multiply(m, local);
  for (double v : {full.a, full.b, full.c, full.d, full.e, full.f})
    if (!std::isfinite(v) || std::fabs(v) > 1e15) {
      Note(g, "a gradient out of range: not painted");
      return nullptr;
    }
  color["matrix"] = {full.a, full.b, full.c, full.d, full.e, full.f};
  if (fades) {
    fade["radial"] = radial;
    fade["focus"] = {fx - cx, fy - cy};
    color[kFadeMark] = std::move(fade);
  }
  return color;
}

}  // namespace hostsim::svg_in
