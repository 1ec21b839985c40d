// The stored layouts every object shares (the object header, the markers, colours and
// paint, path styles) and the path object's own. The stream and its rules:
// artformat/art_objects.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/types.h"

namespace velm {

using host::Fixed;

struct FixedMatrix {
  Fixed a;
  Fixed b;
  Fixed c;
  Fixed d;
  Fixed tx;
  Fixed ty;
};
static_assert(sizeof(FixedMatrix) == 24);

// Type codes of the objects; a reader skips an object of any other type by its length.
enum class ObjectType : std::int32_t {
  PathObject = 2,
  TextObject = 4,
  MarkerObject = 7,
  RasterObject = 9,
  MeshObject = 11,
};

// ---- Common header ----

struct ObjectHeader {
  std::int32_t type;
  std::int32_t length;     // of the whole object, header included
  std::int32_t blendMode;  // the host's blending mode; 0 in markers
  Fixed opacity;           // 1.0 opaque; 0 in markers
  std::int16_t isolated;
  std::int16_t knockout;
  std::int16_t alphaIsShape;
  std::int16_t reserved;
};
static_assert(sizeof(ObjectHeader) == 24);
static_assert(offsetof(ObjectHeader, length) == 4);
static_assert(offsetof(ObjectHeader, blendMode) == 8);
static_assert(offsetof(ObjectHeader, opacity) == 12);
static_assert(offsetof(ObjectHeader, isolated) == 16);
static_assert(offsetof(ObjectHeader, knockout) == 18);
static_assert(offsetof(ObjectHeader, alphaIsShape) == 20);

// ---- Markers ----

// A marker object is the header, a NUL-terminated text and two zero bytes: its length is
// 27 + the text's length.
inline constexpr std::int32_t kMarkerOverhead = sizeof(ObjectHeader) + 3;

inline constexpr char kMarkerGroupOpen[] = "GroupArt /";
inline constexpr char kMarkerClipGroupOpen[] = "GroupArt / Clipped=TRUE";
inline constexpr char kMarkerGroupClose[] = "/ GroupArt";
inline constexpr char kMarkerCompoundOpen[] = "CompoundPathArt /";
inline constexpr char kMarkerCompoundClose[] = "/ CompoundPathArt";
inline constexpr char kMarkerStyledOpen[] = "StyledArt /";
inline constexpr char kMarkerStyledClose[] = "/ StyledArt";
// printf formats taking the pattern number (at least five digits).
inline constexpr char kMarkerPatternOpenFormat[] = "PatternArt%05.5d /";
inline constexpr char kMarkerPatternCloseFormat[] = "/ PatternArt%05.5d";
inline constexpr char kMarkerPluginOpen[] = "PluginArt /";
inline constexpr char kMarkerPluginClose[] = "/ PluginArt";

// Payload of the marker that opens plug-in art (at object offset 24). The object is 390
// bytes: header, this payload, two zero bytes. Markers are never byte-swapped, so the
// numbers here stay in the order they were written.
struct PluginArtMarker {
  char markerText[32];  // "PluginArt /"
  char groupName[64];   // the host's plug-in group name
  std::int32_t majorVersion;
  std::int32_t minorVersion;
  std::uint32_t dataCount;  // at most 255
  std::uint8_t data[255];
  std::uint8_t zero;
};
static_assert(sizeof(PluginArtMarker) == 364);
static_assert(offsetof(PluginArtMarker, groupName) == 32);
static_assert(offsetof(PluginArtMarker, majorVersion) == 96);
static_assert(offsetof(PluginArtMarker, minorVersion) == 100);
static_assert(offsetof(PluginArtMarker, dataCount) == 104);
static_assert(offsetof(PluginArtMarker, data) == 108);
static_assert(offsetof(PluginArtMarker, zero) == 363);
inline constexpr std::int32_t kPluginArtMarkerLength = sizeof(ObjectHeader) + 364 + 2;

// ---- Colours and paint ----

enum ColorKind : std::int16_t {
  kGrayColor = 0,
  kProcessColor = 1,
  kPatternColor = 2,
  kCustomColor = 3,
  kGradientColor = 4,
  kRgbColor = 5,
  kNoColor = 6,
};

struct GrayColorPayload {
  Fixed gray;
};
struct ProcessColorPayload {
  Fixed cyan;
  Fixed magenta;
  Fixed yellow;
  Fixed black;
};
struct PatternColorPayload {
  std::int32_t patternNumber;  // n of the "PatternArt%05.5d /" definition, 1-based
  Fixed shiftDistance;
  Fixed shiftAngle;
  Fixed scaleH;
  Fixed scaleV;
  Fixed rotate;
  std::int16_t reflect;
  std::int16_t reserved;
  Fixed reflectAngle;
  Fixed shearAngle;
  Fixed shearAxis;
  FixedMatrix transform;
};
struct GradientColorPayload {
  std::int32_t reserved;  // the gradient itself is the path object's gradient block
  Fixed originH;
  Fixed originV;
  Fixed angle;
  Fixed length;
  FixedMatrix matrix;
  Fixed hiliteAngle;
  Fixed hiliteLength;
  // Both halves 0x80000000 when no anchor was recorded.
  host::FixedPoint gradientAnchor;
};
struct RgbColorPayload {
  Fixed red;
  Fixed green;
  Fixed blue;
};

inline constexpr Fixed kNoGradientAnchor = static_cast<Fixed>(0x80000000u);
// The host's side of the same: the largest single-precision value, a gradient anchor
// that was not recorded.
inline constexpr host::Real kUnsetAnchor = 3.4028235e38f;

struct StoredColor {
  std::int16_t colorKind;  // ColorKind
  std::int16_t reserved;
  union {
    GrayColorPayload gray;
    ProcessColorPayload process;
    PatternColorPayload pattern;
    GradientColorPayload gradient;
    RgbColorPayload rgb;
    std::uint8_t bytes[64];
  } payload;
};
static_assert(sizeof(StoredColor) == 68);
static_assert(offsetof(StoredColor, payload) == 4);
static_assert(sizeof(PatternColorPayload) == 64);
static_assert(4 + offsetof(PatternColorPayload, reflect) == 28);
static_assert(4 + offsetof(PatternColorPayload, reflectAngle) == 32);
static_assert(4 + offsetof(PatternColorPayload, transform) == 44);
static_assert(4 + offsetof(GradientColorPayload, originH) == 8);
static_assert(4 + offsetof(GradientColorPayload, length) == 20);
static_assert(4 + offsetof(GradientColorPayload, matrix) == 24);
static_assert(4 + offsetof(GradientColorPayload, hiliteAngle) == 48);
static_assert(4 + offsetof(GradientColorPayload, gradientAnchor) == 56);
static_assert(sizeof(GradientColorPayload) == 60);

struct StoredPathStyle {
  std::int16_t fillPaint;
  std::int16_t strokePaint;
  StoredColor fillColor;
  std::int16_t fillOverprint;
  std::int16_t reserved74;
  StoredColor strokeColor;
  std::int16_t strokeOverprint;
  std::int16_t reserved146;
  Fixed strokeWidth;
  std::int16_t dashCount;  // 0 … 6, 0 solid
  std::int16_t reserved154;
  Fixed dashOffset;
  Fixed dashArray[6];
  std::int16_t lineCap;
  std::int16_t lineJoin;
  Fixed miterLimit;
  std::int16_t clip;
  std::int16_t lockClip;
  std::int16_t evenOdd;
  std::int16_t reserved198;
  Fixed resolution;
};
static_assert(sizeof(StoredPathStyle) == 204);
static_assert(offsetof(StoredPathStyle, fillColor) == 4);
static_assert(offsetof(StoredPathStyle, fillOverprint) == 72);
static_assert(offsetof(StoredPathStyle, strokeColor) == 76);
static_assert(offsetof(StoredPathStyle, strokeOverprint) == 144);
static_assert(offsetof(StoredPathStyle, strokeWidth) == 148);
static_assert(offsetof(StoredPathStyle, dashCount) == 152);
static_assert(offsetof(StoredPathStyle, dashOffset) == 156);
static_assert(offsetof(StoredPathStyle, dashArray) == 160);
static_assert(offsetof(StoredPathStyle, lineCap) == 184);
static_assert(offsetof(StoredPathStyle, lineJoin) == 186);
static_assert(offsetof(StoredPathStyle, miterLimit) == 188);
static_assert(offsetof(StoredPathStyle, clip) == 192);
static_assert(offsetof(StoredPathStyle, lockClip) == 194);
static_assert(offsetof(StoredPathStyle, evenOdd) == 196);
static_assert(offsetof(StoredPathStyle, resolution) == 200);

struct GradientStop {
  Fixed midPoint;
  Fixed rampPoint;
  StoredColor color;  // kinds 0, 1 and 5 only
};
static_assert(sizeof(GradientStop) == 76);
static_assert(offsetof(GradientStop, color) == 8);

inline constexpr int kGradientStopSlots = 32;

struct GradientBlock {
  std::int16_t gradientType;  // the host's: linear or radial
  std::int16_t stopCount;     // 0 … 32
  GradientStop stops[kGradientStopSlots];
};
static_assert(sizeof(GradientBlock) == 2436);
static_assert(offsetof(GradientBlock, stops) == 4);

struct PathSegment {
  host::FixedPoint anchor;
  host::FixedPoint in;
  host::FixedPoint out;
  std::int16_t corner;
  std::int16_t reserved;
};
static_assert(sizeof(PathSegment) == 28);
static_assert(offsetof(PathSegment, in) == 8);
static_assert(offsetof(PathSegment, out) == 16);
static_assert(offsetof(PathSegment, corner) == 24);

// ---- Path object (type 2): this head, then segmentCount PathSegment ----

struct PathObject {
  ObjectHeader header;
  StoredPathStyle style;
  GradientBlock reservedGradient;  // all zero
  GradientBlock fillGradient;      // all zero unless the fill is a gradient
  std::int16_t closed;
  std::int16_t segmentCount;  // at least 1
};
static_assert(sizeof(PathObject) == 5104);
static_assert(offsetof(PathObject, style) == 24);
static_assert(offsetof(PathObject, reservedGradient) == 228);
static_assert(offsetof(PathObject, fillGradient) == 2664);
static_assert(offsetof(PathObject, closed) == 5100);
static_assert(offsetof(PathObject, segmentCount) == 5102);

}  // namespace velm
