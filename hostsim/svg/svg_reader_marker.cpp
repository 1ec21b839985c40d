// Reading SVG markers: the content of marker-start, marker-mid and marker-end drawn as art
// at the vertices of a path, line, polyline or polygon, as an editor expands them into
// objects.
#include <algorithm>
#include <cmath>
#include <optional>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A vertex of a shape with the directions (radians, y down) of the path into it and out
// of it, where there is one.
struct Vertex {
  Pt at;
  std::optional<double> in, out;
};

std::optional<double> Direction(Pt from, Pt to) {
  const double dx = to.x - from.x, dy = to.y - from.y;
  if (std::fabs(dx) < 1e-12 && std::fabs(dy) < 1e-12) return std::nullopt;
  return std::atan2(dy, dx);
}

// The direction at the start and at the end of the segment from `a` to `b`: along the
// first handle that is not on its anchor, else the chord.
std::optional<double> StartDirection(const Seg& a, const Seg& b) {
  if (auto d = Direction(a.anchor, a.out)) return d;
  if (auto d = Direction(a.anchor, b.in)) return d;
  return Direction(a.anchor, b.anchor);
}
std::optional<double> EndDirection(const Seg& a, const Seg& b) {
  if (auto d = Direction(b.in, b.anchor)) return d;
  if (auto d = Direction(a.out, b.anchor)) return d;
  return Direction(a.anchor, b.anchor);
}

// Every vertex in path order: each anchor, and a closed subpath's start again at its end
// (its closing segment ends there).
std::vector<Vertex> Vertices(const Geometry& g) {
  std::vector<Vertex> out;
  for (const Subpath& p : g) {
    const std::size_t n = p.segs.size();
    if (n == 0) continue;
    const std::size_t segments = p.closed ? n : n - 1;
    auto start = [&](std::size_t k) { return StartDirection(p.segs[k], p.segs[(k + 1) % n]); };
    auto end = [&](std::size_t k) { return EndDirection(p.segs[k], p.segs[(k + 1) % n]); };
    for (std::size_t k = 0; k < n; ++k) {
      if (p.segs[k].joint) continue;  // inside an arc: no vertex of the source's
      Vertex v{p.segs[k].anchor, std::nullopt, std::nullopt};
      if (k > 0)
        v.in = end(k - 1);
      else if (p.closed)
        v.in = end(segments - 1);
      if (k < segments) v.out = start(k);
      out.push_back(v);
    }
    if (p.closed) out.push_back({p.segs[0].anchor, end(segments - 1), start(0)});
  }
  return out;
}

// orient="auto": the bisector of the directions in and out where both are, else the one.
double AutoAngle(const Vertex& v) {
  if (v.in && v.out) return *v.in + std::remainder(*v.out - *v.in, 2 * kPi) / 2;
  return v.in ? *v.in : v.out ? *v.out : 0;
}

// An angle in degrees (or with deg, rad, grad or turn); false when it is not one.
bool Degrees(const std::string& text, double* out) {
  static const struct {
    const char* unit;
    double degrees;
  } kUnits[] = {{"deg", 1}, {"grad", 0.9}, {"rad", 180 / kPi}, {"turn", 360}, {"", 1}};
  for (const auto& u : kUnits) {
    const std::string unit = u.unit;
    if (text.size() <= unit.size() || text.compare(text.size() - unit.size(), unit.size(), unit))
      continue;
    std::vector<double> v;
    if (!ParseNumberList(text.substr(0, text.size() - unit.size()), &v) || v.size() != 1 ||
        !std::isfinite(v[0]))
      return false;
    *out = v[0] * u.degrees;
    return true;
  }
  return false;
}

Matrix Rotation(double radians) {
  const double c = std::cos(radians), s = std::sin(radians);
  return {c, s, -s, c, 0, 0};
}

}  // namespace

bool ParsePaintOrder(const std::string& value, int order[3]) {
  std::vector<int> given;
  if (value != "normal") {
    for (std::size_t i = value.find_first_not_of(" \t\r\n"); i != std::string::npos;) {
      const std::size_t e = std::min(value.find_first_of(" \t\r\n", i), value.size());
      const std::string word = value.substr(i, e - i);
      const int k = word == "fill" ? 0 : word == "stroke" ? 1 : word == "markers" ? 2 : -1;
      if (k < 0 || std::find(given.begin(), given.end(), k) != given.end()) return false;
      given.push_back(k);
      i = value.find_first_not_of(" \t\r\n", e);
    }
    if (given.empty()) return false;
  }
  // What is not named follows in its usual order.
  for (int k = 0; k < 3; ++k)
    if (std::find(given.begin(), given.end(), k) == given.end()) given.push_back(k);
  std::copy(given.begin(), given.end(), order);
  return true;
}

void Reader::Markers(xmlNodePtr n, const Style& s, const Matrix& ctm, const Geometry& user,
                     Json* art) {
  Json instances = Json::array();  // in drawing order
  const ContextScope context(this, s);
  // The markers drawn, in drawing order.
  [&] {
    if (s.markers[0].empty() && s.markers[1].empty() && s.markers[2].empty()) return;
    const std::string name = reinterpret_cast<const char*>(n->name);
    if (name != "path" && name != "line" && name != "polyline" && name != "polygon") {
      Drop("marker");
      return;
    }
    if (markerDepth_ > 0) {
      Drop("marker");
      Note(n, "a marker inside a marker's content: left out");
      return;
    }
    // How each of the three markers is drawn (none when it is not drawn).
    struct Kind {
      xmlNodePtr marker = nullptr;
      Style style;
      Matrix place;  // marker content → the vertex's space, before the rotation and scale
      Viewport inner;
      double scale = 1;
      std::optional<double> degrees;  // a fixed orient; else auto
      bool reverse = false;           // auto-start-reverse
      bool clip = true;
      double clipBox[4] = {0, 0, 0, 0};  // x, y, width, height in the vertex's space
    } kinds[3];
    static const char* const kProperty[] = {"marker-start", "marker-mid", "marker-end"};
    for (int i = 0; i < 3; ++i) {
      if (s.markers[i].empty()) continue;
      auto it = ids_.find(s.markers[i]);
      if (it == ids_.end() || !Named(it->second, "marker")) {
        Note(n, std::string(kProperty[i]) + " refers to no marker \"#" + s.markers[i] +
                    "\": left out");
        continue;
      }
      Kind& k = kinds[i];
      xmlNodePtr m = it->second;
      // The content inherits from the marker and its ancestors, not from the shape.
      k.style = StyleOf(m);
      bool ok = true;
      const double w = LengthAttr(m, "markerWidth", 3, k.style, vp_, 0, &ok);
      const double h = LengthAttr(m, "markerHeight", 3, k.style, vp_, 1, &ok);
      const double refX = LengthAttr(m, "refX", 0, k.style, vp_, 0, &ok);
      const double refY = LengthAttr(m, "refY", 0, k.style, vp_, 1, &ok);
      if (!ok) {
        Note(m, "a length of the marker out of range or not valid: left out");
        continue;
      }
      if (!(w > 0) || !(h > 0)) continue;  // draws nothing
      if (Attr(m, "markerUnits") != "userSpaceOnUse") k.scale = s.strokeWidth;
      if (!(k.scale > 0) || !std::isfinite(k.scale)) continue;  // drawn at no size
      const std::string orient = Trim(Attr(m, "orient"));
      double degrees = 0;
      if (orient == "auto" || orient == "auto-start-reverse") {
        k.reverse = orient == "auto-start-reverse";
      } else {
        if (!orient.empty() && !Degrees(orient, &degrees))
          Note(m, "orient \"" + orient + "\" not valid: 0 used");
        k.degrees = degrees;
      }
      // The viewBox fitted into the marker's viewport, its reference point on the vertex.
      k.place = ViewBoxTransform(m, 0, 0, w, h, &k.inner);
      const Pt ref = Apply(k.place, {refX, refY});
      k.place.e -= ref.x;
      k.place.f -= ref.y;
      for (const auto& [property, value] : Declarations(m))
        if (property == "overflow") k.clip = value != "visible" && value != "auto";
      k.clipBox[0] = -ref.x;
      k.clipBox[1] = -ref.y;
      k.clipBox[2] = w;
      k.clipBox[3] = h;
      k.marker = m;
    }

    const std::vector<Vertex> vertices = Vertices(user);
    bool over = false;
    for (std::size_t v = 0; v < vertices.size() && !over; ++v) {
      // A lone vertex is both the start and the end.
      for (int i = 0; i < 3 && !over; ++i) {
        const bool at = i == 0   ? v == 0
                        : i == 2 ? v + 1 == vertices.size()
                                 : v > 0 && v + 1 < vertices.size();
        const Kind& k = kinds[i];
        if (!at || !k.marker) continue;
        // Each marker drawn counts against the document's limit, as a use does.
        if (!Budget(k.clip ? 4 : 0, n)) {
          over = true;
          break;
        }
        double angle = k.degrees ? *k.degrees * kPi / 180 : AutoAngle(vertices[v]);
        if (i == 0 && k.reverse) angle += kPi;
        const Pt p = vertices[v].at;
        const Matrix local =
            Multiply(Multiply(Multiply(ctm, {1, 0, 0, 1, p.x, p.y}), Rotation(angle)),
                     {k.scale, 0, 0, k.scale, 0, 0});
        Json content = Json::array();
        ++markerDepth_;
        ++useDepth_;  // every element of the content counts, as a use's do
        Children(k.marker, k.style, Multiply(local, k.place), k.inner, &content);
        --useDepth_;
        --markerDepth_;
        over = overBudget_;
        if (content.empty()) continue;
        Json instance = content.size() == 1 ? std::move(content[0])
                                            : Json{{"type", "group"}, {"children", content}};
        if (k.clip) {
          const Geometry box = Transformed(
              RectGeometry(k.clipBox[0], k.clipBox[1], k.clipBox[2], k.clipBox[3], 0, 0),
              Multiply(PageMatrix(Matrix{}), local));
          Json clip = SubpathJson(box.front());
          clip["fill"] = nullptr;
          clip["clip"] = true;
          instance = {{"type", "group"}, {"clipped", true}, {"children", {clip, instance}}};
        }
        instances.push_back(std::move(instance));
      }
    }
  }();

  // paint-order: the shape's fill and stroke apart when the stroke goes under the fill or
  // the markers between them. Art whose keys replaced it stays whole.
  const auto at = [&s](int what) {
    return std::find(s.paintOrder, s.paintOrder + 3, what) - s.paintOrder;
  };
  const std::string type = art->value("type", "");
  const bool keyed = xmlHasNsProp(n, BAD_CAST "keys", BAD_CAST kVelmSvgNamespace) != nullptr;
  const bool both = art->contains("stroke") && art->contains("fill") && !(*art)["fill"].is_null();
  const bool apart = at(1) < at(0) || at(1) - at(0) > 1;
  // A fill and a stroke that let through are already apart: the stroke, then the fill.
  const bool split = !keyed && type == "group" && art->value("children", Json()).size() == 2;
  const bool whole = keyed || split || !both || (type != "path" && type != "compound");
  if (instances.empty() && !(apart && (split || !whole))) return;
  // The group holds the element's opacity: the shape's own is what is left.
  std::vector<Json> parts[3];  // fill, stroke, markers, each in drawing order
  std::string id;
  if (art->contains("id") && (*art)["id"].is_string()) id = (*art)["id"];
  if (split) {
    // Stroke on top of fill already, each with its own opacity; the group had the element's.
    parts[1].push_back(std::move((*art)["children"][0]));
    parts[0].push_back(std::move((*art)["children"][1]));
  } else {
    if (s.opacity < 1 && s.opacity > 0 && art->contains("blend")) {
      const double own = (*art)["blend"].value("opacity", 1.0) / s.opacity;
      if (own >= 1)
        art->erase("blend");
      else
        (*art)["blend"]["opacity"] = own;
    }
    if (apart && !whole) {
      art->erase("id");
      Json strokeArt = *art;
      strokeArt["fill"] = nullptr;
      art->erase("stroke");
      parts[0].push_back(std::move(*art));
      parts[1].push_back(std::move(strokeArt));
    } else {
      id.clear();
      parts[art->contains("fill") && !(*art)["fill"].is_null() ? 0 : 1].push_back(std::move(*art));
    }
  }
  for (Json& instance : instances)
    parts[2].push_back(std::move(instance));
  Json children = Json::array();
  for (int i = 2; i >= 0; --i)
    for (auto it = parts[s.paintOrder[i]].rbegin(); it != parts[s.paintOrder[i]].rend(); ++it)
      children.push_back(std::move(*it));
  *art = {{"type", "group"}, {"children", std::move(children)}};
  if (!id.empty()) (*art)["id"] = id;
  if (s.opacity < 1) (*art)["blend"] = {{"opacity", std::max(0.0, s.opacity)}};
}

}  // namespace hostsim::svg_in
