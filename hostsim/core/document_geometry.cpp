// Geometry of art: bounds, matrices, transforming art, view coordinates and a mesh's grid.
#include "hostsim/core/document.h"

#include <algorithm>
#include <cmath>

namespace hostsim {
namespace {

constexpr double kPi = 3.14159265358979323846;

void Extend(double x, double y, double* l, double* t, double* r, double* b, bool* any) {
  if (!*any) {
    *l = *r = x;
    *t = *b = y;
    *any = true;
    return;
  }
  *l = std::min(*l, x);
  *r = std::max(*r, x);
  *t = std::max(*t, y);
  *b = std::min(*b, y);
}

// Parameters in (0, 1) where one coordinate of a cubic has a turning point.
int Extrema(double p0, double p1, double p2, double p3, double t[2]) {
  const double a = -p0 + 3 * p1 - 3 * p2 + p3;
  const double b = 2 * (p0 - 2 * p1 + p2);
  const double c = p1 - p0;
  int n = 0;
  auto keep = [&](double v) {
    if (v > 0 && v < 1) t[n++] = v;
  };
  if (std::fabs(a) < 1e-12) {
    if (std::fabs(b) > 1e-12) keep(-c / b);
    return n;
  }
  const double d = b * b - 4 * a * c;
  if (d < 0) return 0;
  const double s = std::sqrt(d);
  keep((-b + s) / (2 * a));
  keep((-b - s) / (2 * a));
  return n;
}

double Cubic(double p0, double p1, double p2, double p3, double t) {
  const double u = 1 - t;
  return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
}

void ExtendPiece(const host::PathSegment& s, const host::PathSegment& e, double* l, double* t,
                 double* r, double* b, bool* any) {
  Extend(s.anchor.h, s.anchor.v, l, t, r, b, any);
  Extend(e.anchor.h, e.anchor.v, l, t, r, b, any);
  double ts[4];
  int n = Extrema(s.anchor.h, s.out.h, e.in.h, e.anchor.h, ts);
  n += Extrema(s.anchor.v, s.out.v, e.in.v, e.anchor.v, ts + n);
  for (int k = 0; k < n; ++k)
    Extend(Cubic(s.anchor.h, s.out.h, e.in.h, e.anchor.h, ts[k]),
           Cubic(s.anchor.v, s.out.v, e.in.v, e.anchor.v, ts[k]), l, t, r, b, any);
}

host::RealRect MakeRect(double l, double t, double r, double b) {
  return {static_cast<host::Real>(l), static_cast<host::Real>(t), static_cast<host::Real>(r),
          static_cast<host::Real>(b)};
}

void TransformColor(host::Color* color, const host::RealMatrix& m, bool gradients, bool patterns) {
  if (gradients && color->kind == host::kGradientColor)
    color->c.gradient.matrix = Concat(color->c.gradient.matrix, m);
  if (patterns && color->kind == host::kPatternColor)
    color->c.pattern.transform = Concat(color->c.pattern.transform, m);
}

void TransformStyle(host::PathStyle* style, const host::RealMatrix& m, std::int32_t flags) {
  TransformColor(&style->fill.color, m, flags & host::kTransformFillGradients,
                 flags & host::kTransformFillPatterns);
  TransformColor(&style->stroke.color, m, false, flags & host::kTransformStrokePatterns);
}

void TransformSegments(std::vector<host::PathSegment>* segments, const host::RealMatrix& m) {
  for (host::PathSegment& s : *segments) {
    s.anchor = Transform(m, s.anchor);
    s.in = Transform(m, s.in);
    s.out = Transform(m, s.out);
  }
}

}  // namespace

// ---- Meshes ----

void MeshData::Init(std::int32_t meshKind, std::int32_t ni, std::int32_t nj,
                    const host::RealRect& area) {
  kind = meshKind;
  i = ni;
  j = nj;
  nodes.assign(static_cast<std::size_t>((i + 1) * (j + 1)), MeshVertex{});
  const double cx = (area.left + area.right) / 2.0, cy = (area.top + area.bottom) / 2.0;
  const double radius = std::min(area.right - area.left, area.top - area.bottom) / 2.0;
  for (std::int32_t a = 0; a <= i; ++a) {
    for (std::int32_t b = 0; b <= j; ++b) {
      MeshVertex& v = Node(a, b);
      v.color.kind = host::kGrayColor;
      v.color.c.gray.gray = 0.0f;
      if (kind == host::kPolarMesh) {
        const double r = radius * a / i, angle = 2 * kPi * b / j;
        v.point = {static_cast<host::Real>(cx + r * std::cos(angle)),
                   static_cast<host::Real>(cy + r * std::sin(angle))};
      } else {
        v.point = {static_cast<host::Real>(area.left + (area.right - area.left) * a / i),
                   static_cast<host::Real>(area.bottom + (area.top - area.bottom) * b / j)};
      }
    }
  }
  auto third = [](host::RealPoint p, host::RealPoint q, double t) {
    return host::RealPoint{static_cast<host::Real>(p.h + (q.h - p.h) * t),
                           static_cast<host::Real>(p.v + (q.v - p.v) * t)};
  };
  iEdges.assign(static_cast<std::size_t>(i * (j + 1)), MeshEdge{});
  jEdges.assign(static_cast<std::size_t>((i + 1) * j), MeshEdge{});
  for (std::int32_t a = 0; a < i; ++a) {
    for (std::int32_t b = 0; b <= j; ++b) {
      MeshEdge& e = iEdges[static_cast<std::size_t>(a * (j + 1) + b)];
      e.control[0] = third(Node(a, b).point, Node(a + 1, b).point, 1.0 / 3);
      e.control[1] = third(Node(a, b).point, Node(a + 1, b).point, 2.0 / 3);
    }
  }
  for (std::int32_t a = 0; a <= i; ++a) {
    for (std::int32_t b = 0; b < j; ++b) {
      MeshEdge& e = jEdges[static_cast<std::size_t>(a * j + b)];
      e.control[0] = third(Node(a, b).point, Node(a, b + 1).point, 1.0 / 3);
      e.control[1] = third(Node(a, b).point, Node(a, b + 1).point, 2.0 / 3);
    }
  }
}

// ---- Views ----

host::RealPoint View::ToArtwork(const host::Point& p) const {
  return {static_cast<host::Real>(origin.h + p.h / static_cast<double>(zoom)),
          static_cast<host::Real>(origin.v - p.v / static_cast<double>(zoom))};
}

host::Point View::ToView(const host::RealPoint& p) const {
  return {static_cast<std::int32_t>(std::lround((p.h - static_cast<double>(origin.h)) * zoom)),
          static_cast<std::int32_t>(std::lround((static_cast<double>(origin.v) - p.v) * zoom))};
}

// ---- Geometry ----

bool CurveBounds(const std::vector<host::PathSegment>& segments, bool closed,
                 host::RealRect* bounds) {
  if (segments.empty()) return false;
  double l = 0, t = 0, r = 0, b = 0;
  bool any = false;
  Extend(segments[0].anchor.h, segments[0].anchor.v, &l, &t, &r, &b, &any);
  for (std::size_t k = 0; k + 1 < segments.size(); ++k)
    ExtendPiece(segments[k], segments[k + 1], &l, &t, &r, &b, &any);
  if (closed && segments.size() > 1)
    ExtendPiece(segments.back(), segments.front(), &l, &t, &r, &b, &any);
  *bounds = MakeRect(l, t, r, b);
  return true;
}

void UnionRect(host::RealRect* into, const host::RealRect& r, bool* any) {
  if (!*any) {
    *into = r;
    *any = true;
    return;
  }
  into->left = std::min(into->left, r.left);
  into->top = std::max(into->top, r.top);
  into->right = std::max(into->right, r.right);
  into->bottom = std::min(into->bottom, r.bottom);
}

bool ArtBounds(Document& document, Art* art, host::RealRect* bounds) {
  bool any = false;
  host::RealRect r{};
  switch (art->type) {
    case host::kPathArt: {
      if (!CurveBounds(art->segments, art->closed, &r)) return false;
      if (art->style.strokePaint) {
        const host::Real half = art->style.stroke.width / 2;
        r = {r.left - half, r.top + half, r.right + half, r.bottom - half};
      }
      *bounds = r;
      return true;
    }
    case host::kGroupArt:
    case host::kCompoundPathArt: {
      bool clipping = false;
      if (art->type == host::kGroupArt && art->clipped) {
        for (Art* child : art->children) {
          if ((child->type == host::kPathArt || child->type == host::kCompoundPathArt) &&
              child->style.clip) {
            host::RealRect c;
            bool childAny = false;
            if (child->type == host::kPathArt) {
              childAny = CurveBounds(child->segments, child->closed, &c);
            } else {
              for (Art* sub : child->children) {
                host::RealRect s;
                if (CurveBounds(sub->segments, sub->closed, &s)) UnionRect(&c, s, &childAny);
              }
            }
            if (childAny) UnionRect(&r, c, &any);
            clipping = true;
          }
        }
      }
      if (!clipping) {
        for (Art* child : art->children) {
          host::RealRect c;
          if (ArtBounds(document, child, &c)) UnionRect(&r, c, &any);
        }
      }
      break;
    }
    case host::kTextArt:
      any = document.textMetrics() && document.textMetrics()->textBounds(*art, &r);
      break;
    case host::kRasterArt: {
      const double w = art->raster.width(), h = art->raster.height();
      if (w <= 0 || h <= 0) return false;
      const host::RealPoint corners[4] = {{0, 0},
                                          {static_cast<host::Real>(w), 0},
                                          {0, static_cast<host::Real>(h)},
                                          {static_cast<host::Real>(w), static_cast<host::Real>(h)}};
      for (const host::RealPoint& c : corners) {
        const host::RealPoint p = Transform(art->raster.matrix, c);
        UnionRect(&r, {p.h, p.v, p.h, p.v}, &any);
      }
      break;
    }
    case host::kPlacedArt:
      r = art->placedBounds;
      any = true;
      break;
    case host::kMeshArt: {
      auto add = [&](host::RealPoint p) { UnionRect(&r, {p.h, p.v, p.h, p.v}, &any); };
      for (const MeshVertex& v : art->mesh.nodes)
        add(v.point);
      for (const MeshEdge& e : art->mesh.iEdges)
        add(e.control[0]), add(e.control[1]);
      for (const MeshEdge& e : art->mesh.jEdges)
        add(e.control[0]), add(e.control[1]);
      break;
    }
    case host::kPluginArt:
      if (art->plugin.resultArt) any = ArtBounds(document, art->plugin.resultArt, &r);
      break;
    default:
      break;
  }
  if (any) *bounds = r;
  return any;
}

host::RealPoint Transform(const host::RealMatrix& m, host::RealPoint p) {
  const double x = p.h, y = p.v;
  return {static_cast<host::Real>(x * m.a + y * m.c + m.tx),
          static_cast<host::Real>(x * m.b + y * m.d + m.ty)};
}

host::RealMatrix Concat(const host::RealMatrix& a, const host::RealMatrix& b) {
  auto f = [](double v) { return static_cast<host::Real>(v); };
  return {f(static_cast<double>(a.a) * b.a + static_cast<double>(a.b) * b.c),
          f(static_cast<double>(a.a) * b.b + static_cast<double>(a.b) * b.d),
          f(static_cast<double>(a.c) * b.a + static_cast<double>(a.d) * b.c),
          f(static_cast<double>(a.c) * b.b + static_cast<double>(a.d) * b.d),
          f(static_cast<double>(a.tx) * b.a + static_cast<double>(a.ty) * b.c + b.tx),
          f(static_cast<double>(a.tx) * b.b + static_cast<double>(a.ty) * b.d + b.ty)};
}

void TransformArtGeometry(Art* art, const host::RealMatrix& m, host::Real lineScale,
                          std::int32_t flags) {
  const bool objects = flags & host::kTransformObjects;
  TransformStyle(&art->style, m, flags);
  switch (art->type) {
    case host::kPathArt:
      if (objects) {
        TransformSegments(&art->segments, m);
        art->style.stroke.width *= lineScale;
        if (art->parent && art->parent->type == host::kTextArt)
          art->textPathMatrix = Concat(art->textPathMatrix, m);
      }
      break;
    case host::kGroupArt:
    case host::kCompoundPathArt:
      for (Art* child : art->children)
        TransformArtGeometry(child, m, lineScale, flags);
      break;
    case host::kTextArt:
      for (TextAttributes& set : art->text.sets)
        TransformStyle(&set.paint, m, flags);
      if (objects)
        for (Art* child : art->children)
          TransformArtGeometry(child, m, lineScale, host::kTransformObjects);
      break;
    case host::kRasterArt:
      if (objects) {
        art->raster.matrix = Concat(art->raster.matrix, m);
        const host::RealPoint a =
            Transform(m, {art->raster.boundingBox.left, art->raster.boundingBox.top});
        const host::RealPoint b =
            Transform(m, {art->raster.boundingBox.right, art->raster.boundingBox.bottom});
        art->raster.boundingBox = {std::min(a.h, b.h), std::max(a.v, b.v), std::max(a.h, b.h),
                                   std::min(a.v, b.v)};
      }
      break;
    case host::kMeshArt:
      if (objects) {
        for (MeshVertex& v : art->mesh.nodes)
          v.point = Transform(m, v.point);
        for (MeshEdge& e : art->mesh.iEdges)
          for (host::RealPoint& p : e.control)
            p = Transform(m, p);
        for (MeshEdge& e : art->mesh.jEdges)
          for (host::RealPoint& p : e.control)
            p = Transform(m, p);
      }
      break;
    case host::kPlacedArt:
      if (objects) {
        const host::RealPoint a = Transform(m, {art->placedBounds.left, art->placedBounds.top});
        const host::RealPoint b = Transform(m, {art->placedBounds.right, art->placedBounds.bottom});
        art->placedBounds = {std::min(a.h, b.h), std::max(a.v, b.v), std::max(a.h, b.h),
                             std::min(a.v, b.v)};
      }
      break;
    case host::kPluginArt:
      if (art->plugin.editArt) TransformArtGeometry(art->plugin.editArt, m, lineScale, flags);
      if (art->plugin.resultArt) TransformArtGeometry(art->plugin.resultArt, m, lineScale, flags);
      break;
    default:
      break;
  }
}

}  // namespace hostsim
