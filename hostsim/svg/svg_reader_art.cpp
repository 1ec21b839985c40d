// Reading SVG shapes into art: geometry, paint and opacity, clipping paths.
#include <algorithm>
#include <cmath>
#include <optional>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

void SetOpacity(Json* art, double opacity) {
  opacity = std::clamp(opacity, 0.0, 1.0);
  if (opacity < 1) (*art)["blend"] = {{"opacity", opacity}};
}

// Whether `m` scales one direction more than another (a stroke under it is not of one
// width).
bool Uneven(const Matrix& m) {
  double most = 0, least = 0;
  Stretch(m, &most, &least);
  return most > least * 1.01;
}

constexpr std::size_t kMaxUnevenOutlinePieces = 24;

// Whether every dash is of no length, with butt caps, while the gaps are not: the stroke
// paints nothing (the host would draw its joins).
bool NoDashDrawn(const Style& s) {
  if (s.cap != 0 || s.dash.empty()) return false;
  const std::size_t n = s.dash.size(), period = n % 2 ? 2 * n : n;
  bool gaps = false;
  for (std::size_t i = 0; i < period; ++i) {
    if (i % 2 == 0 && s.dash[i % n] > 0) return false;
    gaps = gaps || s.dash[i % n] > 0;
  }
  return gaps;
}

bool Finite(const Geometry& g) {
  for (const Subpath& p : g)
    for (const Seg& s : p.segs)
      for (double v : {s.in.x, s.in.y, s.anchor.x, s.anchor.y, s.out.x, s.out.y})
        if (!std::isfinite(v) || std::fabs(v) > 1e15) return false;
  return true;
}

// The member `key` of `j` when it is of the kind `is` tells, else `fallback` (the art may
// hold private keys of any form).
template <typename T>
T Member(const Json& j, const char* key, bool (Json::*is)() const, T fallback) {
  auto it = j.find(key);
  return it != j.end() && ((*it).*is)() ? it->get<T>() : fallback;
}

// Whether every point of `art` (in page space) lies, mapped by `toBox`, within [0, w] ×
// [0, h], its stroke too (`reach`: how far a stroke may reach past a point, in the box's
// units per unit of stroke width). False for art whose extent is not known here.
bool Within(const Json& art, const Matrix& toBox, double w, double h, double reach,
            const Json* stroke = nullptr) {
  if (!art.is_object()) return false;
  const std::string type = Member<std::string>(art, "type", &Json::is_string, "");
  auto found = art.find("stroke");
  const Json* paint = found != art.end() ? &*found : stroke;
  auto kids = art.find("children");
  const bool hasKids = kids != art.end() && kids->is_array();
  if (type == "group" || type == "compound") {
    if (!hasKids) return false;
    // Nothing of a clipping group shows outside its clip path.
    if (type == "group" && Member(art, "clipped", &Json::is_boolean, false) && !kids->empty() &&
        (*kids)[0].is_object() && Member((*kids)[0], "clip", &Json::is_boolean, false))
      return Within((*kids)[0], toBox, w, h, 0);
    for (const Json& child : *kids)
      if (!Within(child, toBox, w, h, reach, type == "compound" ? paint : nullptr)) return false;
    return true;
  }
  if (type != "path") return false;
  double r = 0;
  if (paint && paint->is_object() && !Member(art, "clip", &Json::is_boolean, false)) {
    const double width = Member(*paint, "width", &Json::is_number, 1.0);
    const bool miter = Member<std::string>(*paint, "join", &Json::is_string, "miter") == "miter";
    const double limit = Member(*paint, "miterLimit", &Json::is_number, 4.0);
    r = width / 2 * reach * std::max(std::sqrt(2.0), miter ? limit : 0);
    if (!std::isfinite(r)) return false;
  }
  const double eps = 1e-9 * std::max({1.0, w, h});
  const auto inside = [&](const Json& p) {
    if (!p.is_array() || p.size() != 2 || !p[0].is_number() || !p[1].is_number()) return false;
    const Pt q = Apply(toBox, {p[0].get<double>(), p[1].get<double>()});
    return q.x - r >= -eps && q.y - r >= -eps && q.x + r <= w + eps && q.y + r <= h + eps;
  };
  auto points = art.find("points");
  if (points != art.end() && points->is_array())
    for (const Json& p : *points)
      if (!inside(p)) return false;
  auto segments = art.find("segments");
  if (segments != art.end() && segments->is_array())
    for (const Json& seg : *segments) {
      if (!seg.is_object()) return false;
      for (const char* key : {"anchor", "in", "out"})
        if (seg.contains(key) && !inside(seg[key])) return false;
    }
  return true;
}

}  // namespace

void Reader::ViewportClip(const Matrix& ctm, double x, double y, double w, double h, Json* art) {
  if (!art->is_object()) return;
  // Page space to the viewport's rectangle at (0, 0).
  const Matrix page = Multiply(PageMatrix(Matrix{}), ctm);
  Matrix inverse;
  if (Invert(page, &inverse)) {
    const Matrix toBox = Multiply({1, 0, 0, 1, -x, -y}, inverse);
    // How much longer a length of the page is at most in the box's units.
    double reach = 0, least = 0;
    Stretch(toBox, &reach, &least);
    if (Within(*art, toBox, w, h, reach)) return;
  }
  Json clip = SubpathJson(Transformed(RectGeometry(x, y, w, h, 0, 0), page).front());
  clip["fill"] = nullptr;
  clip["clip"] = true;
  *art = {{"type", "group"}, {"clipped", true}, {"children", {std::move(clip), std::move(*art)}}};
}

bool Reader::ShapeGeometry(xmlNodePtr n, const Style& s, const Viewport& vp, Geometry* g) {
  const std::string name = reinterpret_cast<const char*>(n->name);
  bool ok = true;
  auto Invalid = [&](bool good) {
    if (!good) Note(n, "a length out of range or not valid: left out");
    return false;
  };
  auto len = [&](const char* attr, int axis, double fallback = 0) {
    bool good = true;
    const double v = LengthAttr(n, attr, fallback, s, vp, axis, &good);
    ok = ok && good;
    return v;
  };
  // rx or ry: none when missing or auto.
  auto radius = [&](const char* attr, int axis) -> std::optional<double> {
    if (!HasAttr(n, attr) || Trim(Attr(n, attr)) == "auto") return std::nullopt;
    return len(attr, axis);
  };
  if (name == "path") {
    std::size_t errorAt = 0;
    const bool good = PathGeometry(Attr(n, "d"), g, &errorAt);
    // A lone move draws nothing.
    g->erase(
        std::remove_if(g->begin(), g->end(), [](const Subpath& p) { return p.segs.size() < 2; }),
        g->end());
    if (!good)
      Note(n, "path data not valid at offset " + std::to_string(errorAt) +
                  (g->empty() ? ": nothing drawn" : ": kept up to there"));
  } else if (name == "rect") {
    const double x = len("x", 0), y = len("y", 1), w = len("width", 0), h = len("height", 1);
    // A missing, auto (or, as before, negative) radius takes the other's; each is then
    // clamped to half the side it rounds.
    double rx = radius("rx", 0).value_or(-1), ry = radius("ry", 1).value_or(-1);
    if (rx < 0 && ry < 0)
      rx = ry = 0;
    else if (rx < 0)
      rx = ry;
    else if (ry < 0)
      ry = rx;
    if (!ok || w <= 0 || h <= 0) return Invalid(ok);
    *g = RectGeometry(x, y, w, h, std::min(rx, w / 2), std::min(ry, h / 2));
  } else if (name == "circle" || name == "ellipse") {
    const double cx = len("cx", 0), cy = len("cy", 1);
    double rx = 0, ry = 0;
    if (name == "circle") {
      rx = ry = len("r", 2);
    } else {
      // A missing, auto or negative radius takes the other's (as a rect's corners do).
      std::optional<double> x = radius("rx", 0), y = radius("ry", 1);
      if (x && *x < 0) x.reset();
      if (y && *y < 0) y.reset();
      rx = x.value_or(y.value_or(0));
      ry = y.value_or(x.value_or(0));
    }
    if (!ok || rx <= 0 || ry <= 0) return Invalid(ok);
    *g = EllipseGeometry(cx, cy, rx, ry);
  } else if (name == "line") {
    *g = PolyGeometry({len("x1", 0), len("y1", 1), len("x2", 0), len("y2", 1)}, false);
  } else {  // polyline, polygon
    std::vector<double> xy;
    const std::string points = Attr(n, "points");
    const std::size_t errorAt = ParseNumberListPrefix(points, &xy);
    if (xy.size() % 2) xy.pop_back();
    // As with path data, the points up to the error are drawn.
    if (errorAt != points.size())
      Note(n, "points not valid at offset " + std::to_string(errorAt) +
                  (xy.empty() ? ": nothing drawn" : ": kept up to there"));
    *g = PolyGeometry(xy, name == "polygon");
  }
  if (!ok) {
    Note(n, "a length out of range or not valid: left out");
    return false;
  }
  if (!Finite(*g)) {
    Note(n, "a number out of range: left out");
    return false;
  }
  return !g->empty();
}

Json Reader::StrokeJson(const Style& s, const Matrix& ctm, xmlNodePtr at, Json color) {
  const double scale = std::sqrt(std::fabs(ctm.a * ctm.d - ctm.b * ctm.c));
  const double width = s.strokeWidth * scale;
  if (!(width > 0) || !std::isfinite(width)) return nullptr;
  // A stroke keeps one width: under a scale that differs by direction, SVG's stroke is
  // thicker one way than the other (shapes are outlined instead, see Shape).
  if (Uneven(ctm)) {
    Drop("stroke under an uneven scale");
    Note(at, "a stroke under a scale that differs by direction: one width used");
  }
  static const char* const kCaps[] = {"butt", "round", "projecting"};
  static const char* const kJoins[] = {"miter", "round", "bevel"};
  Json j = {{"color", std::move(color)},
            {"width", width},
            {"cap", kCaps[s.cap]},
            {"join", kJoins[s.join]},
            {"miterLimit", std::max(1.0, s.miterLimit)}};
  std::vector<double> dash = s.dash;
  if (dash.size() % 2) dash.insert(dash.end(), s.dash.begin(), s.dash.end());
  double total = 0;
  for (double d : dash)
    total += d;
  if (!dash.empty() && total > 0) {
    if (dash.size() > 6) {
      Note(at, "a dash pattern of " + std::to_string(dash.size()) + " lengths: the first 6 kept");
      Drop("dash pattern over 6 lengths");
      dash.resize(6);
    }
    Json list = Json::array();
    for (double d : dash)
      list.push_back(d * scale);
    j["dash"] = list;
    if (s.dashOffset != 0) j["dashOffset"] = s.dashOffset * scale;
  }
  return j;
}

Json Reader::OutlineArt(xmlNodePtr at, const Style& s, const Matrix& ctm, const Geometry& user,
                        Json color, std::size_t maxPieces, bool* over) {
  // A hundredth of a point on the page is as close as a drawing can tell: the user-space
  // length the page's smaller scale makes that.
  double most = 0, small = 0;
  Stretch(Multiply(PageMatrix(Matrix{}), ctm), &most, &small);
  const StrokeShape shape{s.strokeWidth,
                          s.cap,
                          s.join,
                          s.miterLimit,
                          s.dash,
                          s.dashOffset,
                          small > 0 ? 0.01 / small : 0};
  Geometry pieces;
  const std::size_t room = PointsLeft();
  if (!StrokeOutline(user, shape, room, &pieces)) {
    BudgetPoints(room + 1, at);
    return nullptr;
  }
  if (maxPieces > 0 && pieces.size() > maxPieces) {
    *over = true;
    return nullptr;
  }
  if (pieces.empty() || !BudgetPoints(SegmentCount(pieces), at)) return nullptr;
  Json children = Json::array();
  for (const Subpath& p : Transformed(pieces, Multiply(PageMatrix(Matrix{}), ctm)))
    children.push_back(SubpathJson(p));
  return {{"type", "compound"}, {"children", std::move(children)}, {"fill", std::move(color)}};
}

Json Reader::CapsOfNothing(const Style& s, const Matrix& ctm, const Geometry& user,
                           const Json& color) {
  if (s.cap == 0) return nullptr;
  Geometry caps;
  const double w = s.strokeWidth;
  for (const Subpath& p : user) {
    const Pt at = p.segs.front().anchor;
    const bool none = std::all_of(p.segs.begin(), p.segs.end(), [&](const Seg& g) {
      for (Pt q : {g.in, g.anchor, g.out})
        if (q.x != at.x || q.y != at.y) return false;
      return true;
    });
    if (!none) continue;
    const Geometry cap = s.cap == 1 ? EllipseGeometry(at.x, at.y, w / 2, w / 2)
                                    : RectGeometry(at.x - w / 2, at.y - w / 2, w, w, 0, 0);
    caps.push_back(cap.front());
  }
  if (caps.empty()) return nullptr;
  Json children = Json::array();
  for (const Subpath& p : Transformed(caps, Multiply(PageMatrix(Matrix{}), ctm)))
    children.push_back(SubpathJson(p));
  return {{"type", "compound"}, {"children", std::move(children)}, {"fill", color}};
}

void Reader::Shape(xmlNodePtr n, const Style& s, const Matrix& ctm, const Viewport& vp, Json* out) {
  Geometry user;
  if (!ShapeGeometry(n, s, vp, &user)) return;
  if (user.empty()) return;
  if (!Budget(SegmentCount(user), n)) return;
  for (Subpath& p : user)
    if (p.segs.size() > 32000) {
      Note(n, "a path of " + std::to_string(p.segs.size()) +
                  " points: the host's paths hold 32000, the rest left out");
      p.segs.resize(32000);
    }
  drawsOther_ = drawsOther_ || symbolUse_ == 0;

  const bool line = Named(n, "line");
  double fillAlpha = s.fillOpacity, strokeAlpha = s.strokeOpacity;
  Json fill = line ? Json(nullptr) : PaintJson(s.fill, s, user, ctm, n, &fillAlpha);
  Json stroke = nullptr;
  // A stroke the host's stroke cannot draw (one width under an uneven scale, a gradient
  // where a store holds only plain colours) becomes its outline: a shape the stroke's
  // paint fills, its gradient mapped to the shape as the stroke's was.
  Json outline = nullptr;
  if (s.stroke.kind != Paint::kNone && !NoDashDrawn(s)) {
    Json color = PaintJson(s.stroke, s, user, ctm, n, &strokeAlpha);
    const bool gradient =
        options_.outlineGradientStrokes && color.is_object() && color.contains("gradient");
    // Under an uneven scale only an outline of a few pieces (lines, corners, caps): the
    // pieces of a curved or dashed stroke would each be an object of the record, and one
    // width draws it nearly as well (reported).
    bool over = false;
    if (strokeAlpha > 0 && !color.is_null() && (gradient || Uneven(ctm)))
      outline = OutlineArt(n, s, ctm, user, color, gradient ? 0 : kMaxUnevenOutlinePieces, &over);
    if (outline.is_null() && !color.is_null() && (over || !(gradient || Uneven(ctm)))) {
      Unfaded(n, &color, &strokeAlpha);
      stroke = StrokeJson(s, ctm, n, std::move(color));
    }
  }
  if (fillAlpha <= 0) fill = nullptr;
  if (strokeAlpha <= 0) stroke = nullptr;

  const Geometry page = Transformed(user, Multiply(PageMatrix(Matrix{}), ctm));
  Json dots = stroke.is_null() ? Json(nullptr) : CapsOfNothing(s, ctm, user, stroke["color"]);
  Json art;
  if (page.size() == 1) {
    art = SubpathJson(page.front());
  } else {
    Json children = Json::array();
    for (const Subpath& p : page)
      children.push_back(SubpathJson(p));
    art = {{"type", "compound"}, {"children", std::move(children)}};
  }
  if (s.evenOdd) art["evenOdd"] = true;
  art["fill"] = fill;
  if (!stroke.is_null()) art["stroke"] = stroke;

  if (!outline.is_null()) {
    // The outline over the fill, each with its own opacity, as a fill and stroke that let
    // through are (markers keep paint-order by it).
    if (fill.is_null()) {
      art = std::move(outline);
      SetOpacity(&art, s.opacity * strokeAlpha);
    } else {
      // The element's own opacity onto both, as below.
      SetOpacity(&art, s.opacity * fillAlpha);
      SetOpacity(&outline, s.opacity * strokeAlpha);
      art = {{"type", "group"}, {"children", {std::move(outline), std::move(art)}}};
      if (s.opacity < 1) {
        Drop("opacity over a fill and a stroke that let through");
        Note(n,
             "opacity over a fill and a stroke drawn as its outline: set on each, so the "
             "fill shows through the inner half of the stroke");
      }
    }
  } else if (!fill.is_null() && !stroke.is_null() && (fillAlpha < 1 || strokeAlpha < 1)) {
    // A fill or stroke that lets through: one object each, the stroke on top, so that
    // the fill shows through the inner half of the stroke (the host's art has one
    // opacity, which would hide it even when both are equal).
    // The element's own opacity goes onto both: a record's group holds none. Only where
    // the stroke covers the fill does that draw differently (the fill shows through).
    Json fillArt = art, strokeArt = art;
    fillArt.erase("stroke");
    SetOpacity(&fillArt, s.opacity * fillAlpha);
    strokeArt["fill"] = nullptr;
    SetOpacity(&strokeArt, s.opacity * strokeAlpha);
    art = {{"type", "group"}, {"children", {strokeArt, fillArt}}};
    if (s.opacity < 1) {
      Drop("opacity over a fill and a stroke that let through");
      Note(n,
           "opacity with fill-opacity or stroke-opacity: set on the fill and the stroke "
           "each, so the fill shows through the inner half of the stroke");
    }
  } else {
    SetOpacity(&art, s.opacity * (!fill.is_null()     ? fillAlpha
                                  : !stroke.is_null() ? strokeAlpha
                                                      : 1.0));
  }
  if (!dots.is_null()) {
    SetOpacity(&dots, s.opacity * strokeAlpha);
    art = {{"type", "group"}, {"children", {std::move(art), std::move(dots)}}};
  }
  Fades(n, &art);
  PrivateKeys(n, &art);
  Markers(n, s, ctm, user, &art);
  Effects(n, s, ctm, vp, &user, &art);
  if (!art.is_null()) out->push_back(std::move(art));
}

void Reader::Effects(xmlNodePtr n, const Style& s, const Matrix& ctm, const Viewport& vp,
                     const Geometry* user, Json* art) {
  if (!s.mask.empty()) {
    Drop("mask");
    Note(n, "a mask: drawn without it");
  }
  if (!s.filter.empty()) {
    Drop("filter");
    Note(n, "a filter: drawn without it");
  }
  if (s.clipPath.empty()) return;
  // A group, use or nested viewport: its bounding box from what it holds.
  Geometry box;
  if (!user && BoxGeometry(n, s, vp, &box)) user = &box;
  ClipBy(s.clipPath, n, ctm, vp, user, art);
}

void Reader::ClipBy(const std::string& id, xmlNodePtr n, const Matrix& ctm, const Viewport& vp,
                    const Geometry* user, Json* art) {
  auto it = ids_.find(id);
  if (it == ids_.end() || !Named(it->second, "clipPath")) {
    Note(n, "clip-path refers to no clipPath \"#" + id + "\": drawn unclipped");
    return;
  }
  Clip(it->second, n, ctm, vp, user, art);
}

void Reader::Clip(xmlNodePtr clip, xmlNodePtr n, const Matrix& ctm, const Viewport& vp,
                  const Geometry* user, Json* art) {
  // A clip path clipped, directly or through others, by itself: the reference back is
  // left out, the rest applies.
  if (!activeClips_.insert(clip).second) {
    Note(n, "a clip path that refers back to itself: that reference left out");
    return;
  }
  struct Leave {
    std::set<xmlNodePtr>& active;
    xmlNodePtr clip;
    ~Leave() { active.erase(clip); }
  } leave{activeClips_, clip};
  const Style clipStyle = StyleOf(clip);
  Matrix m = ctm;
  Matrix t;
  bool invalid = false;
  if (OwnTransform(clip, clipStyle, &t, &invalid)) m = Multiply(m, t);
  if (invalid || !FiniteMatrix(m)) {
    Note(n, "its clip path's transform is not valid: nothing of it shows");
    *art = nullptr;
    return;
  }
  if (Attr(clip, "clipPathUnits") == "objectBoundingBox") {
    double box[4];
    if (!user || !Bounds(*user, box)) {
      Drop("clipPathUnits objectBoundingBox on a group");
      Note(n, "a clip path in the bounding box's units on a group: drawn unclipped");
      return;
    }
    m = Multiply(m, {box[2] - box[0], 0, 0, box[3] - box[1], box[0], box[1]});
  }
  // Each shape clips by its own rule; together they clip to their union.
  struct Shape {
    Json art;
    std::string clipPath;  // the shape's own clip-path, in the space of `m`
    Matrix m;
    Geometry user;
  };
  std::vector<Shape> shapes;
  for (xmlNodePtr c = clip->children; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE || !IsSvg(c)) continue;
    const std::string name = reinterpret_cast<const char*>(c->name);
    xmlNodePtr shape = c;
    Matrix cm = m;
    std::string ownClip;
    Style base = clipStyle;
    if (name == "use") {
      const std::string href = Href(c);
      auto target = href.size() > 1 && href[0] == '#' ? ids_.find(href.substr(1)) : ids_.end();
      if (target == ids_.end()) continue;
      shape = target->second;
      Matrix ut;
      const Style us = Compute(c, clipStyle);
      bool bad = false;
      if (OwnTransform(c, us, &ut, &bad)) cm = Multiply(cm, ut);
      if (bad) continue;  // as anywhere else, an element whose place is not known
      cm = Multiply(
          cm, {1, 0, 0, 1, LengthAttr(c, "x", 0, us, vp, 0), LengthAttr(c, "y", 0, us, vp, 1)});
      ownClip = us.clipPath;
      base = us;
    } else if (name == "text") {
      // The host clips by paths only: rather all of the element than none of it.
      Drop("text in a clip path");
      Note(n, "its clip path holds text: drawn unclipped");
      return;
    }
    static const std::set<std::string> kShapes = {"path", "rect",     "circle", "ellipse",
                                                  "line", "polyline", "polygon"};
    if (!kShapes.count(reinterpret_cast<const char*>(shape->name))) continue;
    const Style ss = Compute(shape, base);
    if (!ss.display || !ss.visible) continue;
    Matrix st;
    bool bad = false;
    if (OwnTransform(shape, ss, &st, &bad)) cm = Multiply(cm, st);
    if (bad || !FiniteMatrix(cm)) continue;
    if (shape == c) ownClip = ss.clipPath;
    Geometry g;
    if (!ShapeGeometry(shape, ss, vp, &g)) continue;
    const Geometry page = Transformed(g, Multiply(PageMatrix(Matrix{}), cm));
    Json one;
    if (page.size() == 1) {
      one = SubpathJson(page.front());
    } else {
      Json children = Json::array();
      for (const Subpath& p : page)
        children.push_back(SubpathJson(p));
      one = {{"type", "compound"}, {"children", std::move(children)}};
    }
    one["fill"] = nullptr;
    one["clip"] = true;
    if (ss.clipEvenOdd) one["evenOdd"] = true;
    shapes.push_back({std::move(one), ownClip, cm, std::move(g)});
  }
  if (shapes.empty()) {
    Note(n, "its clip path is empty: nothing of it shows");
    *art = nullptr;
    return;
  }
  // Shapes clipped by clip paths of their own: one shape, or all clipped by the same clip
  // path in the same space, clip to the shapes within it (a clipping group inside another);
  // the host cannot join differently clipped shapes into one clip.
  bool sameClip = !shapes.front().clipPath.empty();
  bool anyClip = false;
  for (const Shape& shape : shapes) {
    anyClip = anyClip || !shape.clipPath.empty();
    const Matrix& a = shape.m;
    const Matrix& b = shapes.front().m;
    sameClip = sameClip && shape.clipPath == shapes.front().clipPath && a.a == b.a && a.b == b.b &&
               a.c == b.c && a.d == b.d && a.e == b.e && a.f == b.f;
  }
  if (anyClip && !sameClip) {
    Drop("clip-path inside a clip path");
    Note(n, "shapes of its clip path clipped differently: clipped by the shapes alone");
  }
  Json children = Json::array();
  for (Shape& shape : shapes)
    children.push_back(std::move(shape.art));
  children.push_back(std::move(*art));
  *art = {{"type", "group"}, {"clipped", true}, {"children", std::move(children)}};
  if (sameClip)
    ClipBy(shapes.front().clipPath, n, shapes.front().m, vp,
           shapes.size() == 1 ? &shapes.front().user : nullptr, art);
  if (!art->is_null() && !clipStyle.clipPath.empty())
    ClipBy(clipStyle.clipPath, n, ctm, vp, user, art);
}

}  // namespace hostsim::svg_in
