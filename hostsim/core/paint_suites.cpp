// The paint of art: both path-style generations, gradients, custom colours, patterns,
// blend and art styles, transforming art, and hard/soft coordinates.
#include <algorithm>
#include <cstring>

#include "hostsim/core/document_suites.h"
#include "hostsim/core/suite_impl.h"

namespace hostsim {
namespace {

using namespace impl;

Art* StyledArtOf(host::ArtHandle handle) {
  Art* art = ArtOf(handle);
  return art && (art->type == host::kPathArt || art->type == host::kCompoundPathArt) ? art
                                                                                     : nullptr;
}

// A compound path paints with the style of its topmost path (all its paths share one).
const host::PathStyle& StyleOf(const Art* art) {
  if (art->type == host::kCompoundPathArt)
    for (const Art* child : art->children)
      if (child->type == host::kPathArt) return child->style;
  return art->style;
}

host::Err ReadStyle(host::ArtHandle handle, host::PathStyle* style, int generation) {
  Art* art = StyledArtOf(handle);
  if (!art || !style) return host::kBadParameterErr;
  std::memcpy(static_cast<void*>(style), &StyleOf(art), sizeof *style);
  if (generation == 4) Doc()->StyleToGeneration4(style);
  return host::kNoErr;
}

host::Err WriteStyle(host::ArtHandle handle, const host::PathStyle* given, int generation) {
  Art* art = StyledArtOf(handle);
  if (!art || !given) return host::kBadParameterErr;
  host::PathStyle style;
  std::memcpy(static_cast<void*>(&style), given, sizeof style);
  std::memset(style.reserved, 0, sizeof style.reserved);
  if (generation == 4) Doc()->StyleFromGeneration4(&style);
  if (!Doc()->ValidStyle(style)) return host::kBadParameterErr;
  if (!Doc()->Editable(art)) return host::kLockedLayerErr;
  Doc()->Changing(art);
  art->style = style;
  if (art->type == host::kCompoundPathArt)
    for (Art* child : art->children) {
      Doc()->Changing(child);
      child->style = style;
    }
  return host::kNoErr;
}

// ---- AI Path Style Suite 5 and 4 ----

host::Err VELM_HOSTCALL GetPathStyle(host::ArtHandle art, host::PathStyle* style) {
  if (host::Err e = Check<host::PathStyleSuite>("GetPathStyle")) return e;
  return ReadStyle(art, style, 5);
}
host::Err VELM_HOSTCALL SetPathStyle(host::ArtHandle art, const host::PathStyle* style) {
  if (host::Err e = Check<host::PathStyleSuite>("SetPathStyle")) return e;
  return WriteStyle(art, style, 5);
}
host::Err VELM_HOSTCALL GetPathStyle4(host::ArtHandle art, host::PathStyle* style) {
  if (host::Err e = Check<host::PathStyleSuite4>("GetPathStyle")) return e;
  return ReadStyle(art, style, 4);
}
host::Err VELM_HOSTCALL SetPathStyle4(host::ArtHandle art, const host::PathStyle* style) {
  if (host::Err e = Check<host::PathStyleSuite4>("SetPathStyle")) return e;
  return WriteStyle(art, style, 4);
}

// ---- AI Gradient Suite ----

Gradient* GradientOf(host::GradientHandle handle) {
  return Doc() ? Doc()->GradientFrom(handle) : nullptr;
}

bool ValidStop(const host::GradientStop* stop) {
  return stop && stop->color.kind != host::kGradientColor && Doc()->ValidColor(stop->color);
}

host::Err VELM_HOSTCALL NewGradient(host::GradientHandle* gradient) {
  if (host::Err e = Check<host::GradientSuite>("NewGradient")) return e;
  if (!gradient || !Doc()) return host::kBadParameterErr;
  *gradient = reinterpret_cast<host::GradientHandle>(Doc()->NewGradient());
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetGradientType(host::GradientHandle handle, std::int32_t* type) {
  if (host::Err e = Check<host::GradientSuite>("GetGradientType")) return e;
  Gradient* g = GradientOf(handle);
  if (!g || !type) return host::kBadParameterErr;
  *type = g->type;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetGradientType(host::GradientHandle handle, std::int32_t type) {
  if (host::Err e = Check<host::GradientSuite>("SetGradientType")) return e;
  Gradient* g = GradientOf(handle);
  if (!g || (type != host::kLinearGradient && type != host::kRadialGradient))
    return host::kBadParameterErr;
  g->type = type;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetGradientStopCount(host::GradientHandle handle, std::int32_t* count) {
  if (host::Err e = Check<host::GradientSuite>("GetGradientStopCount")) return e;
  Gradient* g = GradientOf(handle);
  if (!g || !count) return host::kBadParameterErr;
  *count = static_cast<std::int32_t>(g->stops.size());
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetNthGradientStop(host::GradientHandle handle, std::int32_t index,
                                           host::GradientStop* stop) {
  if (host::Err e = Check<host::GradientSuite>("GetNthGradientStop")) return e;
  Gradient* g = GradientOf(handle);
  if (!g || !stop || index < 0 || static_cast<std::size_t>(index) >= g->stops.size())
    return host::kBadParameterErr;
  std::memcpy(static_cast<void*>(stop), &g->stops[static_cast<std::size_t>(index)], sizeof *stop);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetNthGradientStop(host::GradientHandle handle, std::int32_t index,
                                           const host::GradientStop* stop) {
  if (host::Err e = Check<host::GradientSuite>("SetNthGradientStop")) return e;
  Gradient* g = GradientOf(handle);
  if (!g || !ValidStop(stop) || index < 0 || static_cast<std::size_t>(index) >= g->stops.size())
    return host::kBadParameterErr;
  g->stops[static_cast<std::size_t>(index)] = *stop;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL InsertGradientStop(host::GradientHandle handle, std::int32_t index,
                                           const host::GradientStop* stop) {
  if (host::Err e = Check<host::GradientSuite>("InsertGradientStop")) return e;
  Gradient* g = GradientOf(handle);
  if (!g || !ValidStop(stop) || index < 0 || static_cast<std::size_t>(index) > g->stops.size())
    return host::kBadParameterErr;
  g->stops.insert(g->stops.begin() + index, *stop);
  return host::kNoErr;
}

// ---- AI Custom Color Suite ----

host::Err VELM_HOSTCALL GetCustomColor(host::CustomColorHandle handle,
                                       host::CustomColorDefinition* definition) {
  if (host::Err e = Check<host::CustomColorSuite>("GetCustomColor")) return e;
  CustomColor* c = Doc() ? Doc()->CustomColorFrom(handle) : nullptr;
  if (!c || !definition) return host::kBadParameterErr;
  *definition = c->definition;
  return host::kNoErr;
}

// ---- AI Pattern Suite ----

host::Err VELM_HOSTCALL NewPattern(host::PatternHandle* pattern) {
  if (host::Err e = Check<host::PatternSuite>("NewPattern")) return e;
  if (!pattern || !Doc()) return host::kBadParameterErr;
  *pattern = reinterpret_cast<host::PatternHandle>(Doc()->NewPattern());
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetPatternArt(host::PatternHandle handle, host::ArtHandle* art) {
  if (host::Err e = Check<host::PatternSuite>("GetPatternArt")) return e;
  Pattern* p = Doc() ? Doc()->PatternFrom(handle) : nullptr;
  if (!p || !art) return host::kBadParameterErr;
  *art = p->art ? p->art->handle() : nullptr;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetPatternArt(host::PatternHandle handle, host::ArtHandle artHandle) {
  if (host::Err e = Check<host::PatternSuite>("SetPatternArt")) return e;
  Pattern* p = Doc() ? Doc()->PatternFrom(handle) : nullptr;
  Art* art = ArtOf(artHandle);
  if (!p || !art || art->layer) return host::kBadParameterErr;
  Art* copy = Doc()->Copy(art);
  copy->attributes &= ~host::kArtSelected;
  if (copy->type != host::kGroupArt) {
    // The definition is always a group.
    Art* group = Doc()->Create(host::kGroupArt);
    group->children.push_back(copy);
    copy->parent = group;
    copy = group;
  }
  if (p->art) p->art->alive = false;
  p->art = copy;
  return host::kNoErr;
}

// ---- AI Blend Style Suite ----

template <class Value>
host::Err GetBlend(const char* op, host::ArtHandle handle, Value* out,
                   Value (*read)(const BlendState&)) {
  if (host::Err e = Check<host::BlendStyleSuite>(op)) return e;
  Art* art = ArtOf(handle);
  if (!art || !out) return host::kBadParameterErr;
  *out = read(art->blend);
  return host::kNoErr;
}

host::Err SetBlend(const char* op, host::ArtHandle handle, bool valid,
                   void (*write)(BlendState*, double), double value) {
  if (host::Err e = Check<host::BlendStyleSuite>(op)) return e;
  Art* art = ArtOf(handle);
  if (!art || !valid) return host::kBadParameterErr;
  if (!Doc()->Editable(art)) return host::kLockedLayerErr;
  Doc()->Changing(art);
  write(&art->blend, value);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetBlendingMode(host::ArtHandle art, std::int32_t* mode) {
  return GetBlend<std::int32_t>("GetBlendingMode", art, mode,
                                [](const BlendState& b) { return b.mode; });
}
host::Err VELM_HOSTCALL GetOpacity(host::ArtHandle art, host::Real* opacity) {
  return GetBlend<host::Real>("GetOpacity", art, opacity,
                              [](const BlendState& b) { return b.opacity; });
}
host::Err VELM_HOSTCALL GetIsolated(host::ArtHandle art, host::Boolean* isolated) {
  return GetBlend<host::Boolean>("GetIsolated", art, isolated, [](const BlendState& b) {
    return static_cast<host::Boolean>(b.isolated);
  });
}
host::Err VELM_HOSTCALL GetKnockout(host::ArtHandle art, std::int32_t* knockout) {
  return GetBlend<std::int32_t>("GetKnockout", art, knockout,
                                [](const BlendState& b) { return b.knockout; });
}
host::Err VELM_HOSTCALL GetAlphaIsShape(host::ArtHandle art, host::Boolean* alphaIsShape) {
  return GetBlend<host::Boolean>("GetAlphaIsShape", art, alphaIsShape, [](const BlendState& b) {
    return static_cast<host::Boolean>(b.alphaIsShape);
  });
}
host::Err VELM_HOSTCALL SetBlendingMode(host::ArtHandle art, std::int32_t mode) {
  return SetBlend(
      "SetBlendingMode", art, mode >= 0 && mode <= kLastBlendMode,
      [](BlendState* b, double v) { b->mode = static_cast<std::int32_t>(v); }, mode);
}
host::Err VELM_HOSTCALL SetOpacity(host::ArtHandle art, host::Real opacity) {
  return SetBlend(
      "SetOpacity", art, opacity == opacity,
      [](BlendState* b, double v) {
        b->opacity = static_cast<host::Real>(std::clamp(v, 0.0, 1.0));
      },
      opacity);
}
host::Err VELM_HOSTCALL SetIsolated(host::ArtHandle art, host::Boolean isolated) {
  return SetBlend(
      "SetIsolated", art, true, [](BlendState* b, double v) { b->isolated = v != 0; }, isolated);
}
host::Err VELM_HOSTCALL SetKnockout(host::ArtHandle art, std::int32_t knockout) {
  return SetBlend(
      "SetKnockout", art, knockout >= host::kKnockoutOff && knockout <= host::kKnockoutInherited,
      [](BlendState* b, double v) { b->knockout = static_cast<std::int32_t>(v); }, knockout);
}
host::Err VELM_HOSTCALL SetAlphaIsShape(host::ArtHandle art, host::Boolean alphaIsShape) {
  return SetBlend(
      "SetAlphaIsShape", art, true, [](BlendState* b, double v) { b->alphaIsShape = v != 0; },
      alphaIsShape);
}

// ---- AI Art Style Suite ----

host::Err VELM_HOSTCALL GetStyledArt(host::ArtHandle handle, host::ArtHandle* styled) {
  if (host::Err e = Check<host::ArtStyleSuite>("GetStyledArt")) return e;
  Art* art = ArtOf(handle);
  if (!art || !styled) return host::kBadParameterErr;
  const bool paints =
      (art->type != host::kPathArt || art->style.fillPaint || art->style.strokePaint);
  if (!art->effect.shadow && !paints) {
    *styled = nullptr;
    return host::kNoErr;
  }
  *styled = Doc()->StyledArtOf(art)->handle();
  return host::kNoErr;
}

// ---- AI Transform Art Suite ----

host::Err VELM_HOSTCALL TransformArt(host::ArtHandle handle, const host::RealMatrix* matrix,
                                     host::Real lineScale, std::int32_t flags) {
  if (host::Err e = Check<host::TransformArtSuite>("TransformArt")) return e;
  Art* art = ArtOf(handle);
  if (!art || !matrix || art->layer) return host::kBadParameterErr;
  if (!Doc()->Editable(art)) return host::kLockedLayerErr;
  Doc()->ChangingTree(art);
  TransformArtGeometry(art, *matrix, lineScale, flags);
  return host::kNoErr;
}

// ---- AI Hard Soft Suite ----

host::Err VELM_HOSTCALL RealPointHarden(const host::RealPoint* src, host::RealPoint* dst) {
  if (host::Err e = Check<host::HardSoftSuite>("RealPointHarden")) return e;
  if (!src || !dst) return host::kBadParameterErr;
  if (!Doc()) return host::kNotFoundErr;
  *dst = Doc()->Harden(*src);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL RealPointSoften(const host::RealPoint* src, host::RealPoint* dst) {
  if (host::Err e = Check<host::HardSoftSuite>("RealPointSoften")) return e;
  if (!src || !dst) return host::kBadParameterErr;
  if (!Doc()) return host::kNotFoundErr;
  *dst = Doc()->Soften(*src);
  return host::kNoErr;
}

}  // namespace

void InstallPaintSuites(host::PathStyleSuite& style, host::PathStyleSuite4& style4,
                        host::GradientSuite& gradient, host::CustomColorSuite& custom,
                        host::PatternSuite& pattern, host::BlendStyleSuite& blend,
                        host::ArtStyleSuite& artStyle, host::TransformArtSuite& transform,
                        host::HardSoftSuite& hardSoft) {
  style.GetPathStyle = GetPathStyle;
  style.SetPathStyle = SetPathStyle;
  style4.GetPathStyle = GetPathStyle4;
  style4.SetPathStyle = SetPathStyle4;

  gradient.NewGradient = NewGradient;
  gradient.GetGradientType = GetGradientType;
  gradient.SetGradientType = SetGradientType;
  gradient.GetGradientStopCount = GetGradientStopCount;
  gradient.GetNthGradientStop = GetNthGradientStop;
  gradient.SetNthGradientStop = SetNthGradientStop;
  gradient.InsertGradientStop = InsertGradientStop;

  custom.GetCustomColor = GetCustomColor;

  pattern.NewPattern = NewPattern;
  pattern.GetPatternArt = GetPatternArt;
  pattern.SetPatternArt = SetPatternArt;

  blend.GetBlendingMode = GetBlendingMode;
  blend.GetOpacity = GetOpacity;
  blend.GetIsolated = GetIsolated;
  blend.GetKnockout = GetKnockout;
  blend.GetAlphaIsShape = GetAlphaIsShape;
  blend.SetBlendingMode = SetBlendingMode;
  blend.SetOpacity = SetOpacity;
  blend.SetIsolated = SetIsolated;
  blend.SetKnockout = SetKnockout;
  blend.SetAlphaIsShape = SetAlphaIsShape;

  artStyle.GetStyledArt = GetStyledArt;
  transform.TransformArt = TransformArt;
  hardSoft.RealPointHarden = RealPointHarden;
  hardSoft.RealPointSoften = RealPointSoften;
}

}  // namespace hostsim
