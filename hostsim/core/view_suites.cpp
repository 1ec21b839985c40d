// The document's views, its undo steps and its ruler units.
#include <cstring>

#include "hostsim/core/document_suites.h"
#include "hostsim/core/suite_impl.h"

namespace hostsim {
namespace {

using namespace impl;

View* ViewOf(host::DocumentViewHandle handle) {
  return Doc() ? Doc()->ViewFrom(handle) : nullptr;
}

// ---- AI Document View Suite ----

host::Err VELM_HOSTCALL CountDocumentViews(std::int32_t* count) {
  if (host::Err e = Check<host::DocumentViewSuite>("CountDocumentViews")) return e;
  if (!count) return host::kBadParameterErr;
  *count = Doc() ? static_cast<std::int32_t>(Doc()->views().size()) : 0;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetNthDocumentView(std::int32_t index, host::DocumentViewHandle* view) {
  if (host::Err e = Check<host::DocumentViewSuite>("GetNthDocumentView")) return e;
  if (!view || !Doc() || index < 0 || static_cast<std::size_t>(index) >= Doc()->views().size())
    return host::kBadParameterErr;
  *view = Doc()->views()[static_cast<std::size_t>(index)]->handle();
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetDocumentViewZoom(host::DocumentViewHandle handle, host::Real* zoom) {
  if (host::Err e = Check<host::DocumentViewSuite>("GetDocumentViewZoom")) return e;
  View* view = ViewOf(handle);
  if (!view || !zoom) return host::kBadParameterErr;
  *zoom = view->zoom;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL ViewPointToArtworkPoint(host::DocumentViewHandle handle,
                                                const host::Point* viewPoint,
                                                host::RealPoint* artworkPoint) {
  if (host::Err e = Check<host::DocumentViewSuite>("ViewPointToArtworkPoint")) return e;
  View* view = ViewOf(handle);
  if (!view || !viewPoint || !artworkPoint) return host::kBadParameterErr;
  *artworkPoint = view->ToArtwork(*viewPoint);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL ArtworkPointToViewPoint(host::DocumentViewHandle handle,
                                                const host::RealPoint* artworkPoint,
                                                host::Point* viewPoint) {
  if (host::Err e = Check<host::DocumentViewSuite>("ArtworkPointToViewPoint")) return e;
  View* view = ViewOf(handle);
  if (!view || !artworkPoint || !viewPoint) return host::kBadParameterErr;
  *viewPoint = view->ToView(*artworkPoint);
  return host::kNoErr;
}

// ---- AI Undo Suite ----

host::Err VELM_HOSTCALL SetUndoText(const char* undoText, const char* redoText) {
  if (host::Err e = Check<host::UndoSuite>("SetUndoText")) return e;
  if (!undoText || !redoText) return host::kBadParameterErr;
  if (!Doc()) return host::kNotFoundErr;
  Doc()->SetUndoTexts(undoText, redoText);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL BeginUndoStep() {
  if (host::Err e = Check<host::UndoSuite>("BeginUndoStep")) return e;
  if (!Doc()) return host::kNotFoundErr;
  Doc()->BeginUndoStep();
  return host::kNoErr;
}

// ---- AI User Suite: units ----

struct UnitTexts {
  std::int32_t units;
  const char* shortText;
  const char* longText;
  std::int32_t admUnits;
};
constexpr UnitTexts kUnits[] = {
    {host::kOtherUnits, "", "", host::kAdmNoUnits},
    {host::kInchUnits, "in", "inches", host::kAdmInchUnits},
    {host::kCentimeterUnits, "cm", "centimeters", host::kAdmCentimeterUnits},
    {host::kPointUnits, "pt", "points", host::kAdmPointUnits},
    {host::kPicaUnits, "pc", "picas", host::kAdmPicaUnits},
    {host::kMillimeterUnits, "mm", "millimeters", host::kAdmMillimeterUnits},
    {host::kPixelUnits, "px", "pixels", host::kAdmPixelUnits},
};

const UnitTexts* FindUnits(std::int32_t units) {
  for (const UnitTexts& u : kUnits)
    if (u.units == units) return &u;
  return nullptr;
}

host::Err VELM_HOSTCALL GetUnitsString(std::int32_t format, unsigned char* text) {
  if (host::Err e = Check<host::UserSuite>("GetUnitsString")) return e;
  if (!text || (format != 0 && format != 1)) return host::kBadParameterErr;
  if (!Doc()) return host::kNotFoundErr;
  const UnitTexts* u = FindUnits(Doc()->rulerUnits());
  const char* s = !u ? "" : format == 0 ? u->shortText : u->longText;
  const std::size_t n = std::strlen(s);
  text[0] = static_cast<unsigned char>(n);
  std::memcpy(text + 1, s, n);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL RulerUnitsToAdmUnits(std::int32_t units, std::int32_t* admUnits) {
  if (host::Err e = Check<host::UserSuite>("RulerUnitsToAdmUnits")) return e;
  const UnitTexts* u = FindUnits(units);
  if (!u || !admUnits) return host::kBadParameterErr;
  *admUnits = u->admUnits;
  return host::kNoErr;
}

}  // namespace

void InstallViewSuites(host::DocumentViewSuite& view, host::UndoSuite& undo,
                       host::UserSuite& user) {
  view.CountDocumentViews = CountDocumentViews;
  view.GetNthDocumentView = GetNthDocumentView;
  view.GetDocumentViewZoom = GetDocumentViewZoom;
  view.ViewPointToArtworkPoint = ViewPointToArtworkPoint;
  view.ArtworkPointToViewPoint = ArtworkPointToViewPoint;
  undo.SetUndoText = SetUndoText;
  undo.BeginUndoStep = BeginUndoStep;
  user.GetUnitsString = GetUnitsString;
  user.RulerUnitsToAdmUnits = RulerUnitsToAdmUnits;
}

}  // namespace hostsim
