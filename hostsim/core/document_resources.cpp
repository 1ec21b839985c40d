// The document's paint resources, coordinates and the handles it interns for the suites.
#include <algorithm>
#include <cstring>

#include "hostsim/core/document.h"

namespace hostsim {

// ---- Paint resources ----

Gradient* Document::NewGradient() {
  gradients_.push_back(std::make_unique<Gradient>());
  Gradient* g = gradients_.back().get();
  host::GradientStop white{}, black{};
  white.midPoint = black.midPoint = 50.0f;
  white.rampPoint = 0.0f;
  white.color = GrayColor(0.0f);
  black.rampPoint = 100.0f;
  black.color = GrayColor(1.0f);
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
