// The document: layers, the art tree, selection, paint resources and the handles of suites.
#include "hostsim/document.h"

#include <algorithm>
#include <cstring>

namespace hostsim {
namespace {

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

}  // namespace hostsim
