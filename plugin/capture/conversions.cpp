#include "capture/conversions.h"

#include <cstring>

#include "capture/capture_context.h"
#include "frame/suites.h"

namespace velm {

namespace {

std::int16_t Narrow(std::int32_t value) {
  return static_cast<std::int16_t>(value);
}

template <class Handle>
std::int32_t Reference(Handle handle) {
  return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

}  // namespace

Fixed ConvertReal(host::Real value) {
  return sFixedMath->RealToFixed(value);
}

host::FixedPoint ConvertPoint(const host::RealPoint& point) {
  return {ConvertReal(point.h), ConvertReal(point.v)};
}

host::FixedRect ConvertRect(const host::RealRect& rect) {
  return {ConvertReal(rect.left), ConvertReal(rect.top), ConvertReal(rect.right),
          ConvertReal(rect.bottom)};
}

FixedMatrix ConvertMatrix(const host::RealMatrix& m) {
  return {ConvertReal(m.a), ConvertReal(m.b),  ConvertReal(m.c),
          ConvertReal(m.d), ConvertReal(m.tx), ConvertReal(m.ty)};
}

void ConvertColor(const host::Color& color, StoredColor* stored, const host::RealPoint* anchor) {
  std::memset(stored, 0, sizeof *stored);
  stored->colorKind = Narrow(color.kind);
  switch (color.kind) {
    case host::kGrayColor:
      stored->payload.gray.gray = ConvertReal(color.c.gray.gray);
      break;
    case host::kProcessColor: {
      const host::ProcessColor& p = color.c.process;
      stored->payload.process = {ConvertReal(p.cyan), ConvertReal(p.magenta), ConvertReal(p.yellow),
                                 ConvertReal(p.black)};
      break;
    }
    case host::kRgbColor: {
      const host::RgbColor& c = color.c.rgb;
      stored->payload.rgb = {ConvertReal(c.red), ConvertReal(c.green), ConvertReal(c.blue)};
      break;
    }
    case host::kPatternColor: {
      const host::PatternStyle& p = color.c.pattern;
      PatternColorPayload& s = stored->payload.pattern;
      s.patternNumber = Reference(p.pattern);
      s.shiftDistance = ConvertReal(p.shiftDistance);
      s.shiftAngle = ConvertReal(p.shiftAngle);
      s.scaleH = ConvertReal(p.scale.h);
      s.scaleV = ConvertReal(p.scale.v);
      s.rotate = ConvertReal(p.rotate);
      s.reflect = Narrow(p.reflect);
      s.reflectAngle = ConvertReal(p.reflectAngle);
      s.shearAngle = ConvertReal(p.shearAngle);
      s.shearAxis = ConvertReal(p.shearAxis);
      s.transform = ConvertMatrix(p.transform);
      break;
    }
    case host::kGradientColor: {
      const host::GradientStyle& g = color.c.gradient;
      GradientColorPayload& s = stored->payload.gradient;
      s.reserved = 0;  // the gradient itself is in the path object's gradient block
      s.originH = ConvertReal(g.origin.h);
      s.originV = ConvertReal(g.origin.v);
      s.angle = ConvertReal(g.angle);
      s.length = ConvertReal(g.length);
      s.matrix = ConvertMatrix(g.matrix);
      s.hiliteAngle = ConvertReal(g.hiliteAngle);
      s.hiliteLength = ConvertReal(g.hiliteLength);
      if (anchor && anchor->h != kUnsetAnchor && anchor->v != kUnsetAnchor)
        s.gradientAnchor = ConvertPoint(*anchor);
      else
        s.gradientAnchor = {kNoGradientAnchor, kNoGradientAnchor};
      break;
    }
    default:  // custom colours, none and unknown kinds: the kind only
      break;
  }
}

void ConvertGradientStop(const host::GradientStop& stop, GradientStop* stored) {
  stored->midPoint = ConvertReal(stop.midPoint);
  stored->rampPoint = ConvertReal(stop.rampPoint);
  ConvertColor(stop.color, &stored->color);
}

void ConvertPathStyle(const host::PathStyle& style, StoredPathStyle* stored,
                      const host::RealPoint* fillAnchor) {
  std::memset(stored, 0, sizeof *stored);
  stored->fillPaint = Narrow(style.fillPaint);
  stored->strokePaint = Narrow(style.strokePaint);
  ConvertColor(style.fill.color, &stored->fillColor, fillAnchor);
  stored->fillOverprint = Narrow(style.fill.overprint);
  ConvertColor(style.stroke.color, &stored->strokeColor);
  stored->strokeOverprint = Narrow(style.stroke.overprint);
  stored->strokeWidth = ConvertReal(style.stroke.width);
  stored->dashCount = Narrow(style.stroke.dash.length);
  stored->dashOffset = ConvertReal(style.stroke.dash.offset);
  for (int i = 0; i < host::kMaxDashComponents; ++i)
    stored->dashArray[i] = ConvertReal(style.stroke.dash.array[i]);
  stored->lineCap = Narrow(style.stroke.cap);
  stored->lineJoin = Narrow(style.stroke.join);
  stored->miterLimit = ConvertReal(style.stroke.miterLimit);
  stored->clip = Narrow(style.clip);
  stored->lockClip = Narrow(style.lockClip);
  stored->evenOdd = Narrow(style.evenOdd);
  stored->resolution = ConvertReal(style.resolution);
}

void ConvertSegment(const host::PathSegment& segment, PathSegment* stored) {
  stored->anchor = ConvertPoint(segment.anchor);
  stored->in = ConvertPoint(segment.in);
  stored->out = ConvertPoint(segment.out);
  stored->corner = Narrow(segment.corner);
  stored->reserved = 0;
}

void ConvertMovedSegment(const host::PathSegment& segment, const host::RealPoint& origin,
                         PathSegment* stored) {
  auto moved = [&origin](host::RealPoint p) {
    return host::RealPoint{p.h - origin.h, p.v - origin.v};
  };
  host::PathSegment s = segment;
  s.anchor = moved(s.anchor);
  s.in = moved(s.in);
  s.out = moved(s.out);
  ConvertSegment(s, stored);
}

void ConvertRasterRecord(const host::RasterRecord& info, RasterObject* stored) {
  stored->rasterFlags = static_cast<std::uint16_t>(info.flags);
  stored->reserved26 = 0;
  stored->pixelBounds = {Narrow(info.bounds.left), Narrow(info.bounds.top),
                         Narrow(info.bounds.right), Narrow(info.bounds.bottom)};
  stored->byteWidth = info.byteWidth;
  stored->colorSpace = Narrow(info.colorSpace);
  stored->bitsPerPixel = Narrow(info.bitsPerPixel);
  stored->lastField = info.extra;
  stored->reserved46 = 0;
}

void ConvertCharacterAttributes(const host::CharacterAttributes& a, CharacterAttributes* stored) {
  std::memset(stored, 0, sizeof *stored);
  const host::Real reals[10] = {a.fontSize,        a.leading,       a.tracking,      a.kerning,
                                a.horizontalScale, a.verticalScale, a.baselineShift, a.rotation,
                                a.tsume,           a.warichuScale};
  for (int i = 0; i < 10; ++i)
    stored->reals[i] = ConvertReal(reals[i]);
  stored->values40[0] = a.direction;
  stored->values40[1] = a.alternateGlyphs;
  stored->values40[2] = Narrow(a.language);
  const std::int32_t values48[5] = {a.autoKern, a.underline, a.strikethrough, a.capitalization,
                                    a.baselinePosition};
  for (int i = 0; i < 5; ++i)
    stored->values48[i] = Narrow(values48[i]);
  stored->real60 = ConvertReal(a.tateChuYokoOffset);
  stored->value64 = Narrow(a.tateChuYoko);
  const std::int32_t values68[5] = {a.mojikumi, a.kinsoku, a.warichu, a.warichuLines,
                                    a.proportionalMetrics};
  for (int i = 0; i < 5; ++i)
    stored->values68[i] = Narrow(values68[i]);
}

void ConvertFont(const host::TextFont& font, FontBlock* stored) {
  std::memcpy(stored->name, font.name, sizeof stored->name);
  const std::int32_t values[12] = {font.faceId,     font.styleId,     font.script,
                                   font.encoding,   font.technology,  font.weight,
                                   font.widthClass, font.italic,      font.fixedPitch,
                                   font.vertical,   font.substituted, font.writingDirection};
  for (int i = 0; i < 12; ++i)
    stored->values[i] = Narrow(values[i]);
  stored->values[12] = font.syntheticBold;
  stored->values[13] = font.syntheticItalic;
}

void ConvertParagraphAttributes(const host::ParagraphAttributes& a, ParagraphAttributes* stored) {
  std::memset(stored, 0, sizeof *stored);
  stored->reals0[0] = ConvertReal(a.firstLineIndent);
  stored->reals0[1] = ConvertReal(a.leftIndent);
  stored->reals0[2] = ConvertReal(a.rightIndent);
  stored->reals0[3] = ConvertReal(a.spaceBefore);
  stored->value16 = Narrow(a.alignment);
  stored->point20 = ConvertPoint(a.letterSpacing);
  stored->values28[0] = Narrow(a.hyphenation);
  stored->values28[1] = Narrow(a.hangingPunctuation);
  stored->values28[2] = Narrow(a.kinsokuSet);
  stored->reals36[0] = ConvertReal(a.spaceAfter);
  stored->reals36[1] = ConvertReal(a.autoLeading);
  stored->value44 = Narrow(a.mojikumiSet);
  stored->real48 = ConvertReal(a.wordSpacing);
  stored->value52 = Narrow(a.burasagari);
  stored->value56 = a.flags;
}

void ConvertTabStops(const host::TabStops& tabs, TabStops* stored) {
  std::memset(stored, 0, sizeof *stored);
  stored->real0 = ConvertReal(tabs.defaultSpacing);
  stored->value4 = tabs.count;
  for (int i = 0; i < host::kMaxTabStops; ++i) {
    stored->stops[i].kind = Narrow(tabs.stops[i].kind);
    stored->stops[i].value = tabs.stops[i].leader;
    stored->stops[i].position = ConvertReal(tabs.stops[i].position);
  }
}

Fixed ConvertRunValue(host::Real value) {
  return ConvertReal(value);
}

void StoreBlendFields(host::ArtHandle art, ObjectHeader* header) {
  std::int32_t mode = 0;
  host::Real opacity = 1.0f;
  host::Boolean isolated = 0;
  std::int32_t knockout = 0;
  host::Boolean alphaIsShape = 0;
  sBlendStyle->GetBlendingMode(art, &mode);
  sBlendStyle->GetOpacity(art, &opacity);
  sBlendStyle->GetIsolated(art, &isolated);
  sBlendStyle->GetKnockout(art, &knockout);
  sBlendStyle->GetAlphaIsShape(art, &alphaIsShape);
  header->blendMode = mode;
  // The opacity of the groups and compound paths around it, where it is carried down.
  if (CarriedOpacity() != 1.0f) opacity *= CarriedOpacity();
  header->opacity = ConvertReal(opacity);
  header->isolated = isolated;
  header->knockout = static_cast<std::int16_t>(knockout);
  header->alphaIsShape = alphaIsShape;
}

}  // namespace velm
