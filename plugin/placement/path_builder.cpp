// Path objects: the path with its paint (fill gradients rebuilt with their matrices,
// pattern fills and strokes pointed at the rebuilt definitions) and its segments.
#include <cstring>

#include "frame/suites.h"
#include "placement/load_conversions.h"
#include "placement/placement_state.h"

namespace velm {

namespace {

bool SameLinearPart(const host::RealMatrix& a, const host::RealMatrix& b) {
  return a.a == b.a && a.b == b.b && a.c == b.c && a.d == b.d;
}

// A new gradient from the object's fill gradient block; null when the host refuses one.
host::GradientHandle BuildGradient(Placement& p, const GradientBlock& block) {
  host::GradientHandle gradient = nullptr;
  p.status = sGradient->NewGradient(&gradient);
  if (p.status != host::kNoErr || !gradient) return nullptr;
  p.status = sGradient->SetGradientType(gradient, block.gradientType);
  std::int32_t stops = block.stopCount;
  if (stops < 0) stops = 0;
  if (stops > kGradientStopSlots) stops = kGradientStopSlots;
  for (std::int32_t i = 0; i < stops; ++i) {
    host::GradientStop stop;
    GradientStopFromStored(block.stops[i], &stop);
    p.status = i < 2 ? sGradient->SetNthGradientStop(gradient, i, &stop)
                     : sGradient->InsertGradientStop(gradient, i, &stop);
  }
  return gradient;
}

// Paints the path with `style`, whose fill is a rebuilt gradient: the style goes on with
// an identity gradient matrix, and the stored matrix is then brought about by moving the
// path's fill gradient, first its linear part, then its translation to `wanted`.
// `anchored` chooses the path-style generation the matrix is read back through: the
// current one for a recorded anchor (`wanted` is then on the page), the previous one
// otherwise (`wanted` is then in that generation's frame). False when the style is
// refused.
bool ApplyGradientStyle(Placement& p, host::ArtHandle path, host::PathStyle* style, bool anchored,
                        host::RealPoint wanted) {
  host::RealMatrix kept = style->fill.color.c.gradient.matrix;
  sRealMath->RealMatrixSet(&style->fill.color.c.gradient.matrix, 1, 0, 0, 1, 0, 0);
  p.status = sPathStyle->SetPathStyle(path, style);
  if (p.status != host::kNoErr) return false;

  auto readBack = [&](host::PathStyle* into) {
    p.status =
        anchored ? sPathStyle->GetPathStyle(path, into) : sPathStyle4->GetPathStyle(path, into);
    return p.status == host::kNoErr;
  };
  host::PathStyle back;
  if (readBack(&back) && !SameLinearPart(kept, back.fill.color.c.gradient.matrix)) {
    // The stored matrix has the previous generation's signs of b and c.
    host::RealMatrix linear;
    sRealMath->RealMatrixSet(&linear, kept.a, -kept.b, -kept.c, kept.d, 0, 0);
    p.status = sTransformArt->TransformArt(path, &linear, 1.0f, host::kTransformFillGradients);
    p.status = sPathStyle->GetPathStyle(path, style);
  }
  if (readBack(&back)) {
    const host::RealMatrix& m = back.fill.color.c.gradient.matrix;
    if (m.tx != wanted.h || m.ty != wanted.v) {
      host::RealMatrix move;
      sRealMath->RealMatrixSet(&move, 1, 0, 0, 1, wanted.h - m.tx, wanted.v - m.ty);
      p.status = sTransformArt->TransformArt(path, &move, 1.0f, host::kTransformFillGradients);
    }
  }
  return true;
}

}  // namespace

void PlacePathObject(Placement& p, const StreamObject& object) {
  PathObject head;
  if (!object.Read(0, &head)) return;
  // A path whose segments do not fit its object is damaged: it is left out.
  const std::int32_t count = head.segmentCount;
  if (count < 1 || !object.Holds(sizeof(PathObject), std::int64_t{count} * sizeof(PathSegment)))
    return;

  host::ArtHandle path = nullptr;
  if (NewArtHere(p, host::kPathArt, &path) != host::kNoErr) {
    p.Fail();
    return;
  }
  SetBlendFields(p, path, head.header);

  host::PathStyle style;
  host::RealPoint anchor{kUnsetAnchor, kUnsetAnchor};
  PathStyleFromStored(head.style, &style, &anchor);

  bool gradientFill = false;
  host::RealPoint wanted{0.0f, 0.0f};
  const bool anchored = anchor.h != kUnsetAnchor && anchor.v != kUnsetAnchor;
  if (style.fillPaint) {
    host::Color& fill = style.fill.color;
    if (fill.kind == host::kGradientColor) {
      fill.c.gradient.gradient = BuildGradient(p, head.fillGradient);
      if (fill.c.gradient.gradient) {
        gradientFill = true;
        const host::RealPoint move = p.Displacement();
        const host::RealMatrix& m = fill.c.gradient.matrix;
        if (anchored)
          wanted = {anchor.h + move.h, anchor.v + move.v};
        else
          wanted = {m.tx + move.h - p.hardOrigin.h, m.ty + move.v + p.hardOrigin.v};
      } else {
        style.fillPaint = 0;
      }
    } else if (fill.kind == host::kPatternColor) {
      if (!ResolvePattern(p, head.style.fillColor.payload.pattern.patternNumber, &fill))
        style.fillPaint = 0;
    }
  }
  if (style.strokePaint) {
    host::Color& stroke = style.stroke.color;
    if (stroke.kind == host::kGradientColor) {
      MakeGrayZero(&stroke);
    } else if (stroke.kind == host::kPatternColor) {
      if (!ResolvePattern(p, head.style.strokeColor.payload.pattern.patternNumber, &stroke))
        style.strokePaint = 0;
    }
  }

  if (gradientFill) {
    if (!ApplyGradientStyle(p, path, &style, anchored, wanted)) {
      p.Fail();
      return;
    }
  } else {
    p.status = sPathStyle->SetPathStyle(path, &style);
    if (p.status != host::kNoErr) {
      p.Fail();
      return;
    }
  }

  for (std::int32_t i = 0; i < count; ++i) {
    PathSegment stored;
    object.Read(sizeof(PathObject) + std::int64_t{i} * sizeof(PathSegment), &stored);
    host::PathSegment segment;
    SegmentFromStored(stored, &segment);
    segment.anchor = p.Place(segment.anchor);
    segment.in = p.Place(segment.in);
    segment.out = p.Place(segment.out);
    p.status = sPath->SetPathSegments(path, i, 1, &segment);
    if (p.status != host::kNoErr) break;  // the path keeps the segments stored so far
  }
  p.status = sPath->SetPathClosed(path, static_cast<host::Boolean>(head.closed != 0));
}

}  // namespace velm
