#include "placement/placement_state.h"

#include "frame/suites.h"
#include "placement/load_conversions.h"
#include "platform/gui.h"

namespace velm {

host::RealPoint Placement::Displacement() const {
  if (patternMode) return {0.0f, 0.0f};
  return {originOffset.h + dropPoint.h, originOffset.v + dropPoint.v};
}

host::RealPoint Placement::Place(host::RealPoint point) const {
  if (patternMode) return point;
  return {point.h + originOffset.h + dropPoint.h, point.v + originOffset.v + dropPoint.v};
}

void Placement::Fail() {
  gui::Beep();
  ended = true;
}

host::Err NewArtHere(Placement& p, std::int32_t type, host::ArtHandle* art) {
  *art = nullptr;
  const host::ArtHandle container = p.Container();
  p.status = container ? sArt->NewArt(type, host::kPlaceInsideOnTop, container, art)
                       : sArt->NewArt(type, host::kPlaceAboveAll, nullptr, art);
  if (p.status != host::kNoErr) *art = nullptr;
  return p.status;
}

void SetBlendFields(Placement& p, host::ArtHandle art, const ObjectHeader& header) {
  p.status = sBlendStyle->SetBlendingMode(art, header.blendMode);
  p.status = sBlendStyle->SetOpacity(art, RealFromFixed(header.opacity));
  p.status = sBlendStyle->SetIsolated(art, static_cast<host::Boolean>(header.isolated != 0));
  p.status = sBlendStyle->SetKnockout(art, header.knockout);
  p.status =
      sBlendStyle->SetAlphaIsShape(art, static_cast<host::Boolean>(header.alphaIsShape != 0));
}

bool ResolvePattern(Placement& p, std::int32_t number, host::Color* color) {
  if (number < kFirstPatternNumber || number > kLastPatternNumber || !p.patterns[number])
    return false;
  host::PatternHandle pattern = nullptr;
  p.status = sPattern->NewPattern(&pattern);
  if (p.status != host::kNoErr || !pattern) return false;
  p.status = sPattern->SetPatternArt(pattern, p.patterns[number]);
  if (p.status != host::kNoErr) return false;
  color->c.pattern.pattern = pattern;
  // The tiles' placement is stored relative to the capture origin: it moves with the art.
  const host::RealPoint move = p.Displacement();
  color->c.pattern.transform.tx += move.h;
  color->c.pattern.transform.ty += move.v;
  return true;
}

void MakeGrayZero(host::Color* color) {
  std::memset(static_cast<void*>(color), 0, sizeof *color);
  color->kind = host::kGrayColor;
}

}  // namespace velm
