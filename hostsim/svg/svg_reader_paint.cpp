// Reading SVG paint: colours, and linear and radial gradients as the host's gradients.
#include <cmath>
#include <cstdio>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

constexpr double kPi = 3.14159265358979323846;

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
      if (ParseLengthValue(Attr(c, "offset"), false, &l))
        offset = l.unit == Unit::kPercent ? l.value / 100 : l.value;
      if (!std::isfinite(offset)) offset = 0;
      offset = std::max(previous, std::clamp(offset, 0.0, 1.0));
      previous = offset;
      stops.push_back({{"ramp", offset * 100}, {"color", HexColor(ss.StopRgb())}});
      // A stop colour's alpha joins its stop-opacity.
      alphas.push_back(std::clamp(ss.stopOpacity, 0.0, 1.0) * ss.StopAlpha());
      std::copy(ss.StopRgb(), ss.StopRgb() + 3, last);
    }
  }
  if (stops.empty()) return nullptr;  // no stops: not painted
  if (std::any_of(alphas.begin(), alphas.end(), [&](double a) { return a != alphas[0]; })) {
    Drop("stop-opacity");
    Note(g, "stops of different opacities: drawn opaque");
  } else {
    *opacity *= alphas[0];
  }
  if (stops.size() == 1) return HexColor(last);
  xmlNodePtr spread = chain.With("spreadMethod");
  if (spread && Attr(spread, "spreadMethod") != "pad") {
    Drop("spreadMethod");
    Note(g, "spreadMethod " + Attr(spread, "spreadMethod") + ": drawn as pad");
  }

  // Gradient space to the element's user space.
  Matrix m = ctm;
  xmlNodePtr units = chain.With("gradientUnits");
  const bool box = !units || Attr(units, "gradientUnits") != "userSpaceOnUse";
  if (box) {
    double b[4];
    if (!Bounds(user, b) || b[2] <= b[0] || b[3] <= b[1]) {
      Note(at, "a bounding-box gradient on a shape without area: not painted");
      return nullptr;
    }
    m = Multiply(m, {b[2] - b[0], 0, 0, b[3] - b[1], b[0], b[1]});
  }
  if (xmlNodePtr t = chain.With("gradientTransform")) {
    Matrix gt;
    if (!ParseTransformList(Attr(t, "gradientTransform"), &gt))
      Note(t, "gradientTransform not valid: left out");
    m = Multiply(m, gt);
  }
  m = Multiply(PageMatrix(Matrix{}), m);
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
  if (radial && chain.Geometric("fr")) {
    const double r = coord("r", 2, "50%"), fr = coord("fr", 2, "0%");
    if (r > 0 && fr > 0) {
      const double k = std::min(fr / r, 1.0);
      for (Json& stop : stops)
        stop["ramp"] = k * 100 + stop["ramp"].get<double>() * (1 - k);
    }
  }

  std::string name;
  auto known = gradientOf_.find(g);
  if (known != gradientOf_.end()) {
    name = known->second;
  } else {
    Json def;
    if (!CheckedKeys(g, &def) || !def.is_object()) {
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
    gradientOf_[g] = name;
  }

  Json color = {{"gradient", name}, {"origin", {0, 0}}, {"angle", 0}};
  Matrix local;
  if (radial) {
    const double cx = coord("cx", 0, "50%"), cy = coord("cy", 1, "50%");
    const double r = coord("r", 2, "50%");
    if (!(r > 0)) return HexColor(last);  // SVG: a zero radius paints the last stop
    const double fx = chain.Geometric("fx") ? coord("fx", 0, "50%") : cx;
    const double fy = chain.Geometric("fy") ? coord("fy", 1, "50%") : cy;
    double fl = std::hypot(fx - cx, fy - cy) / r;
    if (fl > 1) fl = 1;  // a focus outside the circle moves onto it
    color["length"] = r;
    color["hiliteAngle"] = std::atan2(fy - cy, fx - cx) * 180 / kPi;
    color["hiliteLength"] = fl;
    local = {1, 0, 0, 1, cx, cy};
  } else {
    const double x1 = coord("x1", 0, "0%"), y1 = coord("y1", 1, "0%");
    const double x2 = coord("x2", 0, "100%"), y2 = coord("y2", 1, "0%");
    const double length = std::hypot(x2 - x1, y2 - y1);
    if (!(length > 0)) return HexColor(last);  // SVG: paints the last stop
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
  return color;
}

}  // namespace hostsim::svg_in
