// Host types shared by the plug-in and the host that loads it: status codes, reals,
// fixed-point values, points, rectangles, matrices and the opaque handles of host objects.
#pragma once

#include <cstdint>

namespace host {

// A host status: 0 success, anything else an error code (numeric or four characters).
using Err = std::int32_t;
using Boolean = std::uint8_t;
using Real = float;
// Signed 16.16 fixed point.
using Fixed = std::int32_t;

struct RealPoint {
  Real h;
  Real v;
};
struct RealRect {
  Real left;
  Real top;
  Real right;
  Real bottom;
};
// Affine matrix: [a b 0; c d 0; tx ty 1], points are row vectors.
struct RealMatrix {
  Real a;
  Real b;
  Real c;
  Real d;
  Real tx;
  Real ty;
};
struct FixedPoint {
  Fixed h;
  Fixed v;
};
struct FixedRect {
  Fixed left;
  Fixed top;
  Fixed right;
  Fixed bottom;
};
// Integer point and rectangle of the dialog manager and of window coordinates.
struct Point {
  std::int32_t h;
  std::int32_t v;
};
struct Rect {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
};

// Opaque handles. Each is a pointer to a type only the host defines.
#define VELM_HOST_HANDLE(Name) \
  struct Name##Opaque;         \
  using Name = Name##Opaque*;

VELM_HOST_HANDLE(PluginRef)
VELM_HOST_HANDLE(AccessRef)
VELM_HOST_HANDLE(ModuleInstance)
VELM_HOST_HANDLE(BlockRef)
VELM_HOST_HANDLE(NotifierHandle)
VELM_HOST_HANDLE(MenuItemHandle)
VELM_HOST_HANDLE(MenuGroupHandle)
VELM_HOST_HANDLE(TimerHandle)
VELM_HOST_HANDLE(DocumentHandle)
VELM_HOST_HANDLE(DocumentViewHandle)
VELM_HOST_HANDLE(LayerHandle)
VELM_HOST_HANDLE(ArtHandle)
VELM_HOST_HANDLE(GradientHandle)
VELM_HOST_HANDLE(PatternHandle)
VELM_HOST_HANDLE(CustomColorHandle)
VELM_HOST_HANDLE(ArtStyleHandle)
VELM_HOST_HANDLE(PluginGroupHandle)
VELM_HOST_HANDLE(TextStreamHandle)
VELM_HOST_HANDLE(TextPathHandle)
VELM_HOST_HANDLE(TextFaceHandle)
VELM_HOST_HANDLE(MeshVertexHandle)
VELM_HOST_HANDLE(MeshSegmentHandle)
VELM_HOST_HANDLE(MeshPatchHandle)
VELM_HOST_HANDLE(DictionaryHandle)
VELM_HOST_HANDLE(DictionaryIteratorHandle)
VELM_HOST_HANDLE(ContextHandle)
VELM_HOST_HANDLE(ActionParamTypeRef)
VELM_HOST_HANDLE(ActionParamValueRef)
VELM_HOST_HANDLE(DialogRef)
VELM_HOST_HANDLE(ItemRef)
VELM_HOST_HANDLE(ListRef)
VELM_HOST_HANDLE(EntryRef)
VELM_HOST_HANDLE(NotifierRef)
VELM_HOST_HANDLE(DrawerRef)
VELM_HOST_HANDLE(TrackerRef)
VELM_HOST_HANDLE(DialogGroupRef)
VELM_HOST_HANDLE(IconRef)
VELM_HOST_HANDLE(ImageRef)

#undef VELM_HOST_HANDLE

// Platform window and drawing-context handles as the host hands them out (HWND, HDC on
// Windows; virtual-desktop objects elsewhere).
using WindowRef = void*;
using PortRef = void*;

}  // namespace host
