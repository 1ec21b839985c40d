#include "hostsim/document.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "hostsim/text_layout.h"

namespace hostsim {
namespace {

constexpr double kPi = 3.14159265358979323846;

host::Color Gray(host::Real value) {
  host::Color c;
  std::memset(static_cast<void*>(&c), 0, sizeof c);
  c.kind = host::kGrayColor;
  c.c.gray.gray = value;
  return c;
}

}  // namespace

host::PathStyle DefaultPathStyle() {
  host::PathStyle s;
  std::memset(static_cast<void*>(&s), 0, sizeof s);
  s.fillPaint = 1;
  s.fill.color = Gray(1.0f);
  s.strokePaint = 0;
  s.stroke.color = Gray(1.0f);
  s.stroke.width = 1.0f;
  s.stroke.miterLimit = 4.0f;
  s.resolution = 800.0f;
  return s;
}

namespace {

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

// ---- Text ----

bool SameAttributes(const TextAttributes& a, const TextAttributes& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TextAttributes DefaultTextAttributes() {
  TextAttributes a;
  std::memset(static_cast<void*>(&a), 0, sizeof a);
  a.paint = DefaultPathStyle();
  a.character.fontSize = 12.0f;
  a.character.leading = 14.4f;
  a.character.horizontalScale = 1.0f;
  a.character.verticalScale = 1.0f;
  std::strcpy(a.font.name, "IPAGothic");
  a.font.script = host::kJapaneseScript;
  a.paragraph.autoLeading = 1.2f;
  a.tabs.defaultSpacing = 36.0f;
  return a;
}

std::uint32_t TextData::Intern(const TextAttributes& attributes) {
  for (std::size_t i = 0; i < sets.size(); ++i)
    if (SameAttributes(sets[i], attributes)) return static_cast<std::uint32_t>(i);
  sets.push_back(attributes);
  return static_cast<std::uint32_t>(sets.size() - 1);
}

const TextAttributes& TextData::AttributesAt(std::size_t index) const {
  static const TextAttributes defaults = DefaultTextAttributes();
  if (attributeOf.empty()) return defaults;
  if (index >= attributeOf.size()) index = attributeOf.size() - 1;
  return sets[attributeOf[index]];
}

void TextData::Insert(std::size_t position, const std::string& text,
                      const TextAttributes& attributes) {
  position = std::min(position, bytes.size());
  const std::uint32_t set = Intern(attributes);
  bytes.insert(position, text);
  attributeOf.insert(attributeOf.begin() + static_cast<std::ptrdiff_t>(position), text.size(), set);
}

int RasterChannels(std::int32_t colorSpace) {
  switch (colorSpace) {
    case kRasterGray:
      return 1;
    case kRasterRgb:
      return 3;
    case kRasterCmyk:
    case kRasterArgb:
      return 4;
    default:
      return 0;
  }
}

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

// ---- Document ----

Document::Document() {
  current_ = NewLayer("Layer 1");
  views_.push_back(std::make_unique<View>());
}

Document::~Document() = default;

Layer* Document::NewLayer(const std::string& name, int index) {
  allLayers_.push_back(std::make_unique<Layer>());
  Layer* layer = allLayers_.back().get();
  layer->name = name;
  layer->group = Create(host::kGroupArt);
  layer->group->layer = layer;
  if (index < 0 || static_cast<std::size_t>(index) > layers_.size())
    layers_.push_back(layer);
  else
    layers_.insert(layers_.begin() + index, layer);
  if (!current_) current_ = layer;
  return layer;
}

void Document::RemoveLayers() {
  for (Layer* layer : layers_)
    Kill(layer->group);
  layers_.clear();
  current_ = nullptr;
}

Layer* Document::FindLayer(const std::string& name) const {
  for (Layer* layer : layers_)
    if (layer->name == name) return layer;
  return nullptr;
}

Layer* Document::LayerFrom(host::LayerHandle handle) const {
  for (Layer* layer : layers_)
    if (layer->handle() == handle) return layer;
  return nullptr;
}

Art* Document::ArtFrom(host::ArtHandle handle) const {
  if (!handle || !artSet_.count(handle)) return nullptr;
  Art* art = reinterpret_cast<Art*>(handle);
  return art->alive ? art : nullptr;
}

Art* Document::Create(std::int32_t type) {
  arts_.push_back(std::make_unique<Art>());
  Art* art = arts_.back().get();
  artSet_.insert(art);
  art->type = type;
  art->style = DefaultPathStyle();
  if (type == host::kTextArt) {
    // A new text has one text path: an empty path at the page origin.
    Art* path = Create(host::kPathArt);
    path->parent = art;
    art->children.push_back(path);
  }
  return art;
}

Layer* Document::LayerOf(const Art* art) const {
  while (art && art->parent)
    art = art->parent;
  return art ? art->layer : nullptr;
}

bool Document::Editable(const Art* art) const {
  const Layer* layer = LayerOf(art);
  return !layer || (layer->visible && layer->editable);
}

host::Err Document::CheckInsert(const Art* art, std::int32_t type, std::int32_t paintOrder,
                                Art* prep, Art** containerOut) const {
  Art* container = nullptr;
  switch (paintOrder) {
    case host::kPlaceAboveAll:
      if (!current_) return host::kNotFoundErr;
      container = current_->group;
      break;
    case host::kPlaceInsideOnTop:
    case host::kPlaceInsideOnBottom:
      if (!prep || !(prep->IsContainer() || prep->type == host::kTextArt))
        return host::kBadParameterErr;
      container = prep;
      break;
    case host::kPlaceAbove:
    case host::kPlaceBelow:
      if (!prep || !prep->parent) return host::kBadParameterErr;
      container = prep->parent;
      break;
    default:
      return host::kBadParameterErr;
  }
  if ((container->type == host::kCompoundPathArt || container->type == host::kTextArt) &&
      type != host::kPathArt)
    return host::kBadParameterErr;
  for (const Art* a = container; a; a = a->parent)
    if (a == art) return host::kBadParameterErr;  // into its own subtree
  if (!Editable(container)) return host::kLockedLayerErr;
  *containerOut = container;
  return host::kNoErr;
}

host::Err Document::Insert(Art* art, std::int32_t paintOrder, Art* prep) {
  if (!art || art->layer) return host::kBadParameterErr;
  Art* container = nullptr;
  if (host::Err e = CheckInsert(art, art->type, paintOrder, prep, &container)) return e;
  Changing();
  Detach(art);
  std::vector<Art*>& list = container->children;
  std::size_t position = 0;
  switch (paintOrder) {
    case host::kPlaceInsideOnBottom:
      position = list.size();
      break;
    case host::kPlaceAbove:
    case host::kPlaceBelow:
      position = static_cast<std::size_t>(std::find(list.begin(), list.end(), prep) - list.begin());
      if (paintOrder == host::kPlaceBelow) ++position;
      break;
    default:
      break;
  }
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(position, list.size())), art);
  art->parent = container;
  return host::kNoErr;
}

void Document::Detach(Art* art) {
  if (!art || !art->parent) return;
  std::vector<Art*>& list = art->parent->children;
  list.erase(std::remove(list.begin(), list.end(), art), list.end());
  art->parent = nullptr;
}

host::Err Document::NewArt(std::int32_t type, std::int32_t paintOrder, Art* prep, Art** result) {
  switch (type) {
    case host::kGroupArt:
    case host::kPathArt:
    case host::kCompoundPathArt:
    case host::kTextArt:
    case host::kPlacedArt:
    case host::kRasterArt:
    case host::kPluginArt:
    case host::kMeshArt:
      break;
    default:
      return host::kBadParameterErr;
  }
  // Checked before the art exists, so that the step's earlier state does not hold it.
  Art* container = nullptr;
  if (host::Err e = CheckInsert(nullptr, type, paintOrder, prep, &container)) return e;
  Changing();
  Art* art = Create(type);
  if (host::Err e = Insert(art, paintOrder, prep)) {
    Kill(art);
    return e;
  }
  *result = art;
  return host::kNoErr;
}

host::Err Document::Duplicate(Art* art, std::int32_t paintOrder, Art* prep, Art** result) {
  if (!art || art->layer) return host::kBadParameterErr;
  Art* container = nullptr;
  if (host::Err e = CheckInsert(nullptr, art->type, paintOrder, prep, &container)) return e;
  Changing();
  Art* copy = Copy(art);
  if (host::Err e = Insert(copy, paintOrder, prep)) {
    Kill(copy);
    return e;
  }
  *result = copy;
  return host::kNoErr;
}

void Document::Kill(Art* art) {
  art->alive = false;
  for (Art* child : art->children)
    Kill(child);
  if (art->plugin.editArt) Kill(art->plugin.editArt);
  if (art->plugin.resultArt) Kill(art->plugin.resultArt);
  if (art->styledArt) Kill(art->styledArt);
}

void Document::Dispose(Art* art) {
  if (!art || art->layer) return;
  Changing();
  Detach(art);
  Kill(art);
}

Art* Document::CopyInto(const Art* source, Art* parent) {
  arts_.push_back(std::make_unique<Art>(*source));
  Art* copy = arts_.back().get();
  artSet_.insert(copy);
  copy->parent = parent;
  copy->layer = nullptr;
  copy->alive = true;
  copy->styledArt = nullptr;
  copy->id.clear();
  for (Art*& child : copy->children)
    child = CopyInto(child, copy);
  if (copy->plugin.editArt) copy->plugin.editArt = CopyInto(copy->plugin.editArt, nullptr);
  if (copy->plugin.resultArt) copy->plugin.resultArt = CopyInto(copy->plugin.resultArt, nullptr);
  return copy;
}

Art* Document::Copy(const Art* source) {
  return CopyInto(source, nullptr);
}

Art* Document::FindById(const std::string& id) const {
  if (id.empty()) return nullptr;
  for (const auto& art : arts_)
    if (art->alive && art->id == id) return art.get();
  return nullptr;
}

std::vector<Art*> Document::LiveArt() const {
  std::vector<Art*> live;
  for (const auto& art : arts_)
    if (art->alive) live.push_back(art.get());
  return live;
}

void Document::Select(Art* art, bool selected) {
  if (!art) return;
  if (selected)
    art->attributes |= host::kArtSelected;
  else
    art->attributes &= ~host::kArtSelected;
  for (Art* child : art->children)
    Select(child, selected);
}

void Document::DeselectAll() {
  for (const auto& art : arts_)
    art->attributes &= ~host::kArtSelected;
}

Art* Document::StyledArtOf(Art* art) {
  if (!art->effect.shadow) return art;
  if (!art->styledArt) {
    art->styledArt = Create(host::kGroupArt);
  } else {
    for (Art* child : art->styledArt->children)
      Kill(child);
    art->styledArt->children.clear();
  }
  Art* group = art->styledArt;
  group->alive = true;
  group->attributes = art->attributes;

  Art* body = Copy(art);
  body->effect = Effect{};
  Art* shadow = Copy(body);
  const host::RealMatrix move{1, 0, 0, 1, art->effect.offset.h, art->effect.offset.v};
  TransformArtGeometry(shadow, move, 1.0f, host::kTransformObjects);
  // The shadow keeps the art's shape, painted in the effect's colour.
  std::vector<Art*> todo{shadow};
  while (!todo.empty()) {
    Art* a = todo.back();
    todo.pop_back();
    if (a->style.fillPaint) a->style.fill.color = art->effect.color;
    if (a->style.strokePaint) a->style.stroke.color = art->effect.color;
    for (Art* child : a->children)
      todo.push_back(child);
  }
  group->children = {body, shadow};
  body->parent = shadow->parent = group;
  return group;
}

void Document::UpdateResultArt(Art* pluginArt) {
  if (pluginArt->plugin.resultArt) Kill(pluginArt->plugin.resultArt);
  pluginArt->plugin.resultArt = nullptr;
  if (pluginArt->plugin.editArt) pluginArt->plugin.resultArt = Copy(pluginArt->plugin.editArt);
}

// ---- Paint resources ----

Gradient* Document::NewGradient() {
  gradients_.push_back(std::make_unique<Gradient>());
  Gradient* g = gradients_.back().get();
  host::GradientStop white{}, black{};
  white.midPoint = black.midPoint = 50.0f;
  white.rampPoint = 0.0f;
  white.color = Gray(0.0f);
  black.rampPoint = 100.0f;
  black.color = Gray(1.0f);
  g->stops = {white, black};
  return g;
}

Gradient* Document::GradientFrom(host::GradientHandle handle) const {
  for (const auto& g : gradients_)
    if (reinterpret_cast<host::GradientHandle>(g.get()) == handle) return g.get();
  return nullptr;
}

Pattern* Document::NewPattern() {
  patterns_.push_back(std::make_unique<Pattern>());
  return patterns_.back().get();
}

Pattern* Document::PatternFrom(host::PatternHandle handle) const {
  for (const auto& p : patterns_)
    if (reinterpret_cast<host::PatternHandle>(p.get()) == handle) return p.get();
  return nullptr;
}

CustomColor* Document::NewCustomColor() {
  customColors_.push_back(std::make_unique<CustomColor>());
  return customColors_.back().get();
}

CustomColor* Document::CustomColorFrom(host::CustomColorHandle handle) const {
  for (const auto& c : customColors_)
    if (reinterpret_cast<host::CustomColorHandle>(c.get()) == handle) return c.get();
  return nullptr;
}

PluginGroup* Document::NewPluginGroup(const std::string& name) {
  pluginGroups_.push_back(std::make_unique<PluginGroup>());
  pluginGroups_.back()->name = name;
  return pluginGroups_.back().get();
}

PluginGroup* Document::PluginGroupFrom(host::PluginGroupHandle handle) const {
  for (const auto& g : pluginGroups_)
    if (reinterpret_cast<host::PluginGroupHandle>(g.get()) == handle) return g.get();
  return nullptr;
}

bool Document::ValidColor(const host::Color& color) const {
  switch (color.kind) {
    case host::kGrayColor:
    case host::kProcessColor:
    case host::kRgbColor:
    case host::kNoColor:
      return true;
    case host::kPatternColor:
      return PatternFrom(color.c.pattern.pattern) != nullptr;
    case host::kGradientColor:
      return GradientFrom(color.c.gradient.gradient) != nullptr;
    case host::kCustomColor:
      // A custom colour without a definition (as stored records carry them) is taken too.
      return !color.c.custom.color || CustomColorFrom(color.c.custom.color) != nullptr;
    default:
      return false;
  }
}

bool Document::ValidStyle(const host::PathStyle& style) const {
  return (!style.fillPaint || ValidColor(style.fill.color)) &&
         (!style.strokePaint || ValidColor(style.stroke.color)) && style.stroke.dash.length >= 0 &&
         style.stroke.dash.length <= host::kMaxDashComponents;
}

// ---- Coordinates ----

host::RealPoint Document::Harden(host::RealPoint p) const {
  return {p.h + hardOrigin_.h, p.v + hardOrigin_.v};
}

host::RealPoint Document::Soften(host::RealPoint p) const {
  return {p.h - hardOrigin_.h, p.v - hardOrigin_.v};
}

host::RealMatrix Document::ToGeneration4(const host::RealMatrix& m) const {
  return {m.a, -m.b, -m.c, m.d, m.tx - hardOrigin_.h, m.ty + hardOrigin_.v};
}

host::RealMatrix Document::FromGeneration4(const host::RealMatrix& m) const {
  return {m.a, -m.b, -m.c, m.d, m.tx + hardOrigin_.h, m.ty - hardOrigin_.v};
}

void Document::StyleToGeneration4(host::PathStyle* style) const {
  if (style->fill.color.kind == host::kGradientColor)
    style->fill.color.c.gradient.matrix = ToGeneration4(style->fill.color.c.gradient.matrix);
  if (style->stroke.color.kind == host::kGradientColor)
    style->stroke.color.c.gradient.matrix = ToGeneration4(style->stroke.color.c.gradient.matrix);
}

void Document::StyleFromGeneration4(host::PathStyle* style) const {
  if (style->fill.color.kind == host::kGradientColor)
    style->fill.color.c.gradient.matrix = FromGeneration4(style->fill.color.c.gradient.matrix);
  if (style->stroke.color.kind == host::kGradientColor)
    style->stroke.color.c.gradient.matrix = FromGeneration4(style->stroke.color.c.gradient.matrix);
}

View* Document::ViewFrom(host::DocumentViewHandle handle) const {
  for (const auto& v : views_)
    if (v->handle() == handle) return v.get();
  return nullptr;
}

// ---- Interned handles ----

MeshVertexRef* Document::VertexRef(Art* art, std::int32_t i, std::int32_t j) {
  auto key = std::make_tuple(art, i, j);
  auto it = vertexIndex_.find(key);
  if (it != vertexIndex_.end()) return it->second;
  vertexRefs_.push_back({art, i, j});
  vertexIndex_[key] = &vertexRefs_.back();
  return &vertexRefs_.back();
}

MeshVertexRef* Document::VertexFrom(host::MeshVertexHandle handle) const {
  for (const MeshVertexRef& r : vertexRefs_)
    if (reinterpret_cast<host::MeshVertexHandle>(const_cast<MeshVertexRef*>(&r)) == handle) {
      MeshVertexRef* ref = const_cast<MeshVertexRef*>(&r);
      return ref->art->alive && ref->art->mesh.HasNode(ref->i, ref->j) ? ref : nullptr;
    }
  return nullptr;
}

MeshSegmentRef* Document::SegmentRef(Art* art, std::int32_t i, std::int32_t j,
                                     std::int32_t direction) {
  auto key = std::make_tuple(art, i, j, direction);
  auto it = segmentIndex_.find(key);
  if (it != segmentIndex_.end()) return it->second;
  segmentRefs_.push_back({art, i, j, direction});
  segmentIndex_[key] = &segmentRefs_.back();
  return &segmentRefs_.back();
}

MeshSegmentRef* Document::SegmentFrom(host::MeshSegmentHandle handle) const {
  for (const MeshSegmentRef& r : segmentRefs_)
    if (reinterpret_cast<host::MeshSegmentHandle>(const_cast<MeshSegmentRef*>(&r)) == handle) {
      MeshSegmentRef* ref = const_cast<MeshSegmentRef*>(&r);
      return ref->art->alive && ref->art->mesh.HasNode(ref->i, ref->j) ? ref : nullptr;
    }
  return nullptr;
}

TextStream* Document::NewTextStream() {
  streams_.emplace_back();
  return &streams_.back();
}

TextStream* Document::StreamFrom(host::TextStreamHandle handle) const {
  for (const TextStream& s : streams_)
    if (reinterpret_cast<host::TextStreamHandle>(const_cast<TextStream*>(&s)) == handle)
      return s.open && s.art->alive ? const_cast<TextStream*>(&s) : nullptr;
  return nullptr;
}

Art* Document::TextPathFrom(host::TextPathHandle handle) const {
  Art* art = ArtFrom(reinterpret_cast<host::ArtHandle>(handle));
  return art && art->type == host::kPathArt && art->parent && art->parent->type == host::kTextArt
             ? art
             : nullptr;
}

// ---- Undo ----

std::shared_ptr<Document::Snapshot> Document::Capture() const {
  auto s = std::make_shared<Snapshot>();
  s->arts.reserve(arts_.size());
  for (const auto& art : arts_)
    s->arts.emplace_back(art.get(), *art);
  for (const auto& layer : allLayers_)
    s->layerStates.emplace_back(layer.get(), *layer);
  s->order = layers_;
  s->current = current_;
  s->artCount = arts_.size();
  return s;
}

void Document::Restore(const Snapshot& s) {
  for (const auto& [art, state] : s.arts)
    *art = state;
  for (std::size_t i = s.artCount; i < arts_.size(); ++i) {
    arts_[i]->alive = false;
    arts_[i]->parent = nullptr;
  }
  for (const auto& [layer, state] : s.layerStates)
    *layer = state;
  layers_ = s.order;
  current_ = s.current;
}

void Document::Changing() {
  if (!stepBefore_) stepBefore_ = Capture();
}

void Document::BeginUndoStep() {
  if (stepBefore_) {
    undo_.push_back({stepBefore_, Capture(), stepUndo_, stepRedo_});
    redo_.clear();
  }
  stepBefore_.reset();
  stepUndo_.clear();
  stepRedo_.clear();
}

void Document::SetUndoTexts(std::string undo, std::string redo) {
  stepUndo_ = std::move(undo);
  stepRedo_ = std::move(redo);
}

bool Document::Undo() {
  BeginUndoStep();
  if (undo_.empty()) return false;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  Restore(*step.before);
  redo_.push_back(std::move(step));
  return true;
}

bool Document::Redo() {
  if (redo_.empty()) return false;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  Restore(*step.after);
  undo_.push_back(std::move(step));
  return true;
}

std::string Document::undoText() const {
  if (stepBefore_) return stepUndo_;
  return undo_.empty() ? std::string() : undo_.back().undoText;
}

std::string Document::redoText() const {
  return redo_.empty() ? std::string() : redo_.back().redoText;
}

std::size_t Document::undoDepth() const {
  return undo_.size() + (stepBefore_ ? 1 : 0);
}

void Document::ClearUndo() {
  stepBefore_.reset();
  stepUndo_.clear();
  stepRedo_.clear();
  undo_.clear();
  redo_.clear();
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
      any = TextBounds(*art, &r);
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
