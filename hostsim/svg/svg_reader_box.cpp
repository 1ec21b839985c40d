// The bounding box of a group, a use or a nested viewport, as SVG takes it for what is
// given in its units (a clip path's objectBoundingBox): the geometry of everything the
// element holds, drawn or not, except what is not displayed.
#include <set>
#include <string>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

constexpr int kMaxBoxDepth = 64;
constexpr int kMaxBoxElements = 20000;

}  // namespace

bool Reader::SwitchApplies(xmlNodePtr c) {
  // The first child that applies: one without required extensions (none are known here).
  if (c->type != XML_ELEMENT_NODE || !IsSvg(c) || HasAttr(c, "requiredExtensions")) return false;
  return !HasAttr(c, "systemLanguage") || Attr(c, "systemLanguage").find("en") != std::string::npos;
}

bool Reader::BoxGeometry(xmlNodePtr n, const Style& s, const Viewport& vp, Geometry* out) {
  struct Quiet {
    int& quiet;
    ~Quiet() { --quiet; }
  } quiet{++quiet_};
  BoxWalk walk;
  OwnBox(n, s, Matrix{}, vp, &walk, out);
  return !walk.over && !out->empty();
}

void Reader::ChildBox(xmlNodePtr c, const Style& parent, const Matrix& m, const Viewport& vp,
                      BoxWalk* walk, Geometry* out) {
  if (c->type != XML_ELEMENT_NODE || !IsSvg(c)) return;
  if (++walk->elements > kMaxBoxElements || walk->depth >= kMaxBoxDepth) {
    walk->over = true;
    return;
  }
  const Style s = Compute(c, parent);
  if (!s.display) return;
  Matrix cm = m;
  Matrix t;
  bool invalid = false;
  // A nested svg places its own transform with its viewport (OwnBox).
  if (!Named(c, "svg") && OwnTransform(c, s, &t, &invalid)) cm = Multiply(m, t);
  if (invalid || !FiniteMatrix(cm)) return;
  ++walk->depth;
  OwnBox(c, s, cm, vp, walk, out);
  --walk->depth;
}

void Reader::OwnBox(xmlNodePtr n, const Style& s, const Matrix& m, const Viewport& vp,
                    BoxWalk* walk, Geometry* out) {
  static const std::set<std::string> kShapes = {"path", "rect",     "circle", "ellipse",
                                                "line", "polyline", "polygon"};
  const std::string name = reinterpret_cast<const char*>(n->name);
  if (kShapes.count(name)) {
    Geometry g;
    if (ShapeGeometry(n, s, vp, &g)) {
      const Geometry placed = Transformed(g, m);
      out->insert(out->end(), placed.begin(), placed.end());
    }
  } else if (name == "image") {
    const double w = LengthAttr(n, "width", 0, s, vp, 0), h = LengthAttr(n, "height", 0, s, vp, 1);
    if (w > 0 && h > 0) {
      const Geometry placed = Transformed(RectGeometry(LengthAttr(n, "x", 0, s, vp, 0),
                                                       LengthAttr(n, "y", 0, s, vp, 1), w, h, 0, 0),
                                          m);
      out->insert(out->end(), placed.begin(), placed.end());
    }
  } else if (name == "g" || name == "a") {
    for (xmlNodePtr c = n->children; c; c = c->next)
      ChildBox(c, s, m, vp, walk, out);
  } else if (name == "switch") {
    for (xmlNodePtr c = n->children; c; c = c->next)
      if (SwitchApplies(c)) {
        ChildBox(c, s, m, vp, walk, out);
        break;
      }
  } else if (name == "use") {
    const std::string href = Href(n);
    auto it = href.size() > 1 && href[0] == '#' ? ids_.find(href.substr(1)) : ids_.end();
    if (it == ids_.end()) return;
    for (xmlNodePtr p = n; p; p = p->parent)
      if (p == it->second) return;  // a use inside what it uses
    const Matrix at =
        Multiply(m, {1, 0, 0, 1, LengthAttr(n, "x", 0, s, vp, 0), LengthAttr(n, "y", 0, s, vp, 1)});
    if (Named(it->second, "symbol")) {
      if (++walk->depth > kMaxBoxDepth) {
        walk->over = true;
      } else {
        const Style ss = Compute(it->second, s);
        if (ss.display) ViewportBox(it->second, n, ss, at, vp, walk, out);
      }
      --walk->depth;
    } else {
      ChildBox(it->second, s, at, vp, walk, out);
    }
  } else if (name == "svg") {
    Matrix t;
    bool invalid = false;
    Matrix at = m;
    if (OwnTransform(n, s, &t, &invalid)) at = Multiply(m, t);
    if (!invalid && FiniteMatrix(at)) ViewportBox(n, n, s, at, vp, walk, out);
  }
  // Text adds nothing: its extent is known only once it is set.
}

void Reader::ViewportBox(xmlNodePtr n, xmlNodePtr sizeFrom, const Style& s, const Matrix& m,
                         const Viewport& vp, BoxWalk* walk, Geometry* out) {
  double x = 0, y = 0, w = 0, h = 0;
  if (!ViewportRect(n, sizeFrom, s, vp, &x, &y, &w, &h)) return;
  Viewport inner;
  const Matrix content = Multiply(m, ViewBoxTransform(n, x, y, w, h, &inner));
  if (!FiniteMatrix(content)) return;
  for (xmlNodePtr c = n->children; c; c = c->next)
    ChildBox(c, s, content, inner, walk, out);
}

}  // namespace hostsim::svg_in
