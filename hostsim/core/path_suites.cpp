// "AI Path Suite" over the document's paths, and the real-math and fixed-math suites.
#include <climits>
#include <cmath>
#include <cstring>

#include "hostsim/core/document_suites.h"
#include "hostsim/core/suite_impl.h"

namespace hostsim {
namespace {

using namespace impl;

// The most anchors a path may have.
constexpr std::size_t kMaxSegments = 32000;

Art* PathOf(host::ArtHandle handle) {
  Art* art = ArtOf(handle);
  return art && art->type == host::kPathArt ? art : nullptr;
}

bool InRange(std::int32_t index, std::int32_t count, std::size_t size) {
  return index >= 0 && count >= 0 &&
         static_cast<std::uint64_t>(index) + static_cast<std::uint64_t>(count) <= size;
}

// ---- AI Path Suite ----

host::Err VELM_HOSTCALL GetPathSegmentCount(host::ArtHandle handle, std::int32_t* count) {
  if (host::Err e = Check<host::PathSuite>("GetPathSegmentCount")) return e;
  Art* path = PathOf(handle);
  if (!path || !count) return host::kBadParameterErr;
  *count = static_cast<std::int32_t>(path->segments.size());
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetPathSegments(host::ArtHandle handle, std::int32_t index,
                                        std::int32_t count, host::PathSegment* segments) {
  if (host::Err e = Check<host::PathSuite>("GetPathSegments")) return e;
  Art* path = PathOf(handle);
  if (!path || (count > 0 && !segments) || !InRange(index, count, path->segments.size()))
    return host::kBadParameterErr;
  if (count > 0)
    std::memcpy(static_cast<void*>(segments), &path->segments[static_cast<std::size_t>(index)],
                sizeof(host::PathSegment) * static_cast<std::size_t>(count));
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetPathSegments(host::ArtHandle handle, std::int32_t index,
                                        std::int32_t count, const host::PathSegment* segments) {
  if (host::Err e = Check<host::PathSuite>("SetPathSegments")) return e;
  Art* path = PathOf(handle);
  if (!path || count < 0 || (count > 0 && !segments) || index < 0 ||
      static_cast<std::size_t>(index) > path->segments.size())
    return host::kBadParameterErr;
  if (static_cast<std::uint64_t>(index) + static_cast<std::uint64_t>(count) > kMaxSegments)
    return host::kTooManyPointsErr;
  if (!Doc()->Editable(path)) return host::kLockedLayerErr;
  Doc()->Changing(path);
  const std::size_t end = static_cast<std::size_t>(index) + static_cast<std::size_t>(count);
  if (end > path->segments.size()) path->segments.resize(end);
  for (std::int32_t k = 0; k < count; ++k)
    path->segments[static_cast<std::size_t>(index + k)] = segments[k];
  return host::kNoErr;
}

host::Err VELM_HOSTCALL DeletePathSegments(host::ArtHandle handle, std::int32_t index,
                                           std::int32_t count) {
  if (host::Err e = Check<host::PathSuite>("DeletePathSegments")) return e;
  Art* path = PathOf(handle);
  if (!path || !InRange(index, count, path->segments.size())) return host::kBadParameterErr;
  if (!Doc()->Editable(path)) return host::kLockedLayerErr;
  Doc()->Changing(path);
  path->segments.erase(path->segments.begin() + index, path->segments.begin() + index + count);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetPathClosed(host::ArtHandle handle, host::Boolean* closed) {
  if (host::Err e = Check<host::PathSuite>("GetPathClosed")) return e;
  Art* path = PathOf(handle);
  if (!path || !closed) return host::kBadParameterErr;
  *closed = path->closed;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetPathClosed(host::ArtHandle handle, host::Boolean closed) {
  if (host::Err e = Check<host::PathSuite>("SetPathClosed")) return e;
  Art* path = PathOf(handle);
  if (!path) return host::kBadParameterErr;
  if (!Doc()->Editable(path)) return host::kLockedLayerErr;
  Doc()->Changing(path);
  path->closed = closed != 0;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetPathGuide(host::ArtHandle handle, host::Boolean* guide) {
  if (host::Err e = Check<host::PathSuite>("GetPathGuide")) return e;
  Art* path = PathOf(handle);
  if (!path || !guide) return host::kBadParameterErr;
  *guide = path->guide;
  return host::kNoErr;
}

// ---- AI Real Math Suite (an injected failure makes an operation do nothing or give 0) ----

bool RealMathFails(const char* op) {
  return Check<host::RealMathSuite>(op) != host::kNoErr;
}

host::Real VELM_HOSTCALL RealMul(host::Real a, host::Real b) {
  if (RealMathFails("RealMul")) return 0;
  return a * b;
}

host::Real VELM_HOSTCALL RealDiv(host::Real a, host::Real b) {
  if (RealMathFails("RealDiv")) return 0;
  return a / b;
}

host::Boolean VELM_HOSTCALL RealPointEqual(const host::RealPoint* a, const host::RealPoint* b) {
  if (RealMathFails("RealPointEqual") || !a || !b) return 0;
  return a->h == b->h && a->v == b->v;
}

void VELM_HOSTCALL RealRectInset(host::RealRect* rect, host::Real h, host::Real v) {
  if (RealMathFails("RealRectInset") || !rect) return;
  rect->left += h;
  rect->right -= h;
  rect->top -= v;
  rect->bottom += v;
}

host::Boolean VELM_HOSTCALL RealPointInRect(const host::RealPoint* p, const host::RealRect* r) {
  if (RealMathFails("RealPointInRect") || !p || !r) return 0;
  return p->h >= r->left && p->h <= r->right && p->v >= r->bottom && p->v <= r->top;
}

void VELM_HOSTCALL RealMatrixSet(host::RealMatrix* m, host::Real a, host::Real b, host::Real c,
                                 host::Real d, host::Real tx, host::Real ty) {
  if (RealMathFails("RealMatrixSet") || !m) return;
  *m = {a, b, c, d, tx, ty};
}

void VELM_HOSTCALL RealMatrixSetScale(host::RealMatrix* m, host::Real h, host::Real v) {
  if (RealMathFails("RealMatrixSetScale") || !m) return;
  *m = {h, 0, 0, v, 0, 0};
}

// ---- AI Fixed Math Suite ----

host::Fixed Saturate(double v) {
  if (v != v) return 0;
  if (v >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  if (v <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  return static_cast<host::Fixed>(v);
}

host::Fixed VELM_HOSTCALL RealToFixed(host::Real value) {
  if (Check<host::FixedMathSuite>("RealToFixed")) return 0;
  return Saturate(std::round(static_cast<double>(value) * 65536.0));
}

host::Real VELM_HOSTCALL FixedToReal(host::Fixed value) {
  if (Check<host::FixedMathSuite>("FixedToReal")) return 0;
  return static_cast<host::Real>(value / 65536.0);
}

host::Fixed VELM_HOSTCALL FixedAdd(host::Fixed a, host::Fixed b) {
  if (Check<host::FixedMathSuite>("FixedAdd")) return 0;
  return Saturate(static_cast<double>(a) + static_cast<double>(b));
}

}  // namespace

void InstallPathSuites(host::PathSuite& path, host::RealMathSuite& real,
                       host::FixedMathSuite& fixed) {
  path.GetPathSegmentCount = GetPathSegmentCount;
  path.GetPathSegments = GetPathSegments;
  path.SetPathSegments = SetPathSegments;
  path.DeletePathSegments = DeletePathSegments;
  path.GetPathClosed = GetPathClosed;
  path.SetPathClosed = SetPathClosed;
  path.GetPathGuide = GetPathGuide;

  real.RealMul = RealMul;
  real.RealDiv = RealDiv;
  real.RealPointEqual = RealPointEqual;
  real.RealRectInset = RealRectInset;
  real.RealPointInRect = RealPointInRect;
  real.RealMatrixSet = RealMatrixSet;
  real.RealMatrixSetScale = RealMatrixSetScale;

  fixed.RealToFixed = RealToFixed;
  fixed.FixedToReal = FixedToReal;
  fixed.FixedAdd = FixedAdd;
}

}  // namespace hostsim
