#include "placement/load_conversions.h"

#include <cstring>

#include "frame/suites.h"

namespace velm {

namespace {

template <class Record>
void Clear(Record* record) {
  std::memset(static_cast<void*>(record), 0, sizeof *record);
}

}  // namespace

host::Real RealFromFixed(Fixed value) {
  return sFixedMath->FixedToReal(value);
}

host::RealPoint PointFromStored(const host::FixedPoint& point) {
  return {RealFromFixed(point.h), RealFromFixed(point.v)};
}

host::RealRect RectFromStored(const host::FixedRect& rect) {
  return {RealFromFixed(rect.left), RealFromFixed(rect.top), RealFromFixed(rect.right),
          RealFromFixed(rect.bottom)};
}

host::RealMatrix MatrixFromStored(const FixedMatrix& m) {
  return {RealFromFixed(m.a), RealFromFixed(m.b),  RealFromFixed(m.c),
          RealFromFixed(m.d), RealFromFixed(m.tx), RealFromFixed(m.ty)};
}

void ColorFromStored(const StoredColor& stored, host::Color* color, host::RealPoint* anchor) {
  Clear(color);
  color->kind = stored.colorKind;
  switch (stored.colorKind) {
    case kGrayColor:
      color->c.gray.gray = RealFromFixed(stored.payload.gray.gray);
      break;
    case kProcessColor: {
      const ProcessColorPayload& p = stored.payload.process;
      color->c.process = {RealFromFixed(p.cyan), RealFromFixed(p.magenta), RealFromFixed(p.yellow),
                          RealFromFixed(p.black)};
      break;
    }
    case kRgbColor: {
      const RgbColorPayload& c = stored.payload.rgb;
      color->c.rgb = {RealFromFixed(c.red), RealFromFixed(c.green), RealFromFixed(c.blue)};
      break;
    }
    case kPatternColor: {
      const PatternColorPayload& s = stored.payload.pattern;
      host::PatternStyle& p = color->c.pattern;
      p.pattern = nullptr;
      p.shiftDistance = RealFromFixed(s.shiftDistance);
      p.shiftAngle = RealFromFixed(s.shiftAngle);
      p.scale = {RealFromFixed(s.scaleH), RealFromFixed(s.scaleV)};
      p.rotate = RealFromFixed(s.rotate);
      p.reflect = s.reflect;
      p.reflectAngle = RealFromFixed(s.reflectAngle);
      p.shearAngle = RealFromFixed(s.shearAngle);
      p.shearAxis = RealFromFixed(s.shearAxis);
      p.transform = MatrixFromStored(s.transform);
      break;
    }
    case kGradientColor: {
      const GradientColorPayload& s = stored.payload.gradient;
      host::GradientStyle& g = color->c.gradient;
      g.gradient = nullptr;
      g.origin = {RealFromFixed(s.originH), RealFromFixed(s.originV)};
      g.angle = RealFromFixed(s.angle);
      g.length = RealFromFixed(s.length);
      g.matrix = MatrixFromStored(s.matrix);
      g.hiliteAngle = RealFromFixed(s.hiliteAngle);
      g.hiliteLength = RealFromFixed(s.hiliteLength);
      if (anchor) {
        if (s.gradientAnchor.h == kNoGradientAnchor || s.gradientAnchor.v == kNoGradientAnchor)
          *anchor = {kUnsetAnchor, kUnsetAnchor};
        else
          *anchor = PointFromStored(s.gradientAnchor);
      }
      break;
    }
    default:  // custom colours, none and unknown kinds: the kind only
      break;
  }
}

void GradientStopFromStored(const GradientStop& stored, host::GradientStop* stop) {
  Clear(stop);
  stop->midPoint = RealFromFixed(stored.midPoint);
  stop->rampPoint = RealFromFixed(stored.rampPoint);
  ColorFromStored(stored.color, &stop->color);
}

void PathStyleFromStored(const StoredPathStyle& stored, host::PathStyle* style,
                         host::RealPoint* fillAnchor) {
  Clear(style);
  style->fillPaint = stored.fillPaint;
  style->strokePaint = stored.strokePaint;
  ColorFromStored(stored.fillColor, &style->fill.color, fillAnchor);
  style->fill.overprint = stored.fillOverprint;
  ColorFromStored(stored.strokeColor, &style->stroke.color);
  style->stroke.overprint = stored.strokeOverprint;
  style->stroke.width = RealFromFixed(stored.strokeWidth);
  std::int32_t dashes = stored.dashCount;
  if (dashes < 0) dashes = 0;
  if (dashes > host::kMaxDashComponents) dashes = host::kMaxDashComponents;
  style->stroke.dash.length = dashes;
  style->stroke.dash.offset = RealFromFixed(stored.dashOffset);
  for (int i = 0; i < host::kMaxDashComponents; ++i)
    style->stroke.dash.array[i] = RealFromFixed(stored.dashArray[i]);
  style->stroke.cap = stored.lineCap;
  style->stroke.join = stored.lineJoin;
  style->stroke.miterLimit = RealFromFixed(stored.miterLimit);
  style->clip = stored.clip;
  style->lockClip = stored.lockClip;
  style->evenOdd = stored.evenOdd;
  style->resolution = RealFromFixed(stored.resolution);
}

void SegmentFromStored(const PathSegment& stored, host::PathSegment* segment) {
  segment->anchor = PointFromStored(stored.anchor);
  segment->in = PointFromStored(stored.in);
  segment->out = PointFromStored(stored.out);
  segment->corner = stored.corner;
}

void RasterRecordFromStored(const RasterObject& stored, host::RasterRecord* info) {
  Clear(info);
  info->flags = stored.rasterFlags;
  info->bounds = {stored.pixelBounds.left, stored.pixelBounds.top, stored.pixelBounds.right,
                  stored.pixelBounds.bottom};
  info->byteWidth = stored.byteWidth;
  info->colorSpace = stored.colorSpace;
  info->bitsPerPixel = stored.bitsPerPixel;
  info->extra = stored.lastField;
}

void CharacterAttributesFromStored(const CharacterAttributes& s, host::CharacterAttributes* a) {
  Clear(a);
  host::Real* reals[10] = {&a->fontSize,        &a->leading,       &a->tracking,      &a->kerning,
                           &a->horizontalScale, &a->verticalScale, &a->baselineShift, &a->rotation,
                           &a->tsume,           &a->warichuScale};
  for (int i = 0; i < 10; ++i)
    *reals[i] = RealFromFixed(s.reals[i]);
  a->direction = s.values40[0];
  a->alternateGlyphs = s.values40[1];
  a->language = s.values40[2];
  std::int32_t* values48[5] = {&a->autoKern, &a->underline, &a->strikethrough, &a->capitalization,
                               &a->baselinePosition};
  for (int i = 0; i < 5; ++i)
    *values48[i] = s.values48[i];
  a->tateChuYokoOffset = RealFromFixed(s.real60);
  a->tateChuYoko = s.value64;
  std::int32_t* values68[5] = {&a->mojikumi, &a->kinsoku, &a->warichu, &a->warichuLines,
                               &a->proportionalMetrics};
  for (int i = 0; i < 5; ++i)
    *values68[i] = s.values68[i];
}

void FontFromStored(const FontBlock& stored, host::TextFont* font) {
  Clear(font);
  std::memcpy(font->name, stored.name, sizeof font->name - 1);
  font->name[sizeof font->name - 1] = 0;
  std::int32_t* values[12] = {&font->faceId,     &font->styleId,     &font->script,
                              &font->encoding,   &font->technology,  &font->weight,
                              &font->widthClass, &font->italic,      &font->fixedPitch,
                              &font->vertical,   &font->substituted, &font->writingDirection};
  for (int i = 0; i < 12; ++i)
    *values[i] = stored.values[i];
  font->syntheticBold = stored.values[12];
  font->syntheticItalic = stored.values[13];
}

void ParagraphAttributesFromStored(const ParagraphAttributes& s, host::ParagraphAttributes* a) {
  Clear(a);
  a->firstLineIndent = RealFromFixed(s.reals0[0]);
  a->leftIndent = RealFromFixed(s.reals0[1]);
  a->rightIndent = RealFromFixed(s.reals0[2]);
  a->spaceBefore = RealFromFixed(s.reals0[3]);
  a->alignment = s.value16;
  a->letterSpacing = PointFromStored(s.point20);
  a->hyphenation = s.values28[0];
  a->hangingPunctuation = s.values28[1];
  a->kinsokuSet = s.values28[2];
  a->spaceAfter = RealFromFixed(s.reals36[0]);
  a->autoLeading = RealFromFixed(s.reals36[1]);
  a->mojikumiSet = s.value44;
  a->wordSpacing = RealFromFixed(s.real48);
  a->burasagari = s.value52;
  a->flags = s.value56;
}

void TabStopsFromStored(const TabStops& stored, host::TabStops* tabs) {
  Clear(tabs);
  tabs->defaultSpacing = RealFromFixed(stored.real0);
  tabs->count = stored.value4;
  for (int i = 0; i < host::kMaxTabStops; ++i) {
    tabs->stops[i].kind = stored.stops[i].kind;
    tabs->stops[i].leader = stored.stops[i].value;
    tabs->stops[i].position = RealFromFixed(stored.stops[i].position);
  }
}

host::Real RunValueFromStored(Fixed value) {
  return RealFromFixed(value);
}

}  // namespace velm
