// The art object stream: the serialised art of one record, a flat sequence of typed,
// length-prefixed objects from record offset 65960 on. Nesting is expressed by marker
// objects that open and close a level.
//
// Every layout below is a plain struct whose offsets are fixed by the stored format. The
// stream has no alignment between objects, so the layouts are never accessed through a
// pointer into a record: writers build them in their own buffers and copy, and the
// byte-order conversions beside each layout work on raw bytes at the layout's offsets.
// Every numeric field is in host order in memory and big-endian in a group file; byte
// arrays (texts, tile pixels, plug-in data) are never reordered.
#pragma once

#include <cstddef>
#include <cstdint>

#include "artformat/byte_order.h"
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

// ---- Text object (type 4): this head, runCount TextRun, then the path table ----

// The host's character attribute record, field by field in the host's order.
struct CharacterAttributes {
  Fixed reals[10];
  std::int16_t values40[3];
  std::int16_t reserved46;
  std::int16_t values48[5];
  std::int16_t reserved58;
  Fixed real60;
  std::int16_t value64;
  std::int16_t reserved66;
  std::int16_t values68[5];
  std::int16_t reserved78;
};
static_assert(sizeof(CharacterAttributes) == 80);
static_assert(offsetof(CharacterAttributes, values40) == 40);
static_assert(offsetof(CharacterAttributes, values48) == 48);
static_assert(offsetof(CharacterAttributes, real60) == 60);
static_assert(offsetof(CharacterAttributes, value64) == 64);
static_assert(offsetof(CharacterAttributes, values68) == 68);

struct FontBlock {
  char name[256];
  std::int16_t values[14];
};
static_assert(sizeof(FontBlock) == 284);

struct ParagraphAttributes {
  Fixed reals0[4];
  std::int16_t value16;
  std::int16_t reserved18;
  host::FixedPoint point20;
  std::int16_t values28[3];
  std::int16_t reserved34;
  Fixed reals36[2];
  std::int16_t value44;
  std::int16_t reserved46;
  Fixed real48;
  std::int16_t value52;
  std::int16_t reserved54;
  std::int32_t value56;  // copied from the host unchanged
};
static_assert(sizeof(ParagraphAttributes) == 60);
static_assert(offsetof(ParagraphAttributes, value16) == 16);
static_assert(offsetof(ParagraphAttributes, point20) == 20);
static_assert(offsetof(ParagraphAttributes, values28) == 28);
static_assert(offsetof(ParagraphAttributes, reals36) == 36);
static_assert(offsetof(ParagraphAttributes, value44) == 44);
static_assert(offsetof(ParagraphAttributes, real48) == 48);
static_assert(offsetof(ParagraphAttributes, value52) == 52);
static_assert(offsetof(ParagraphAttributes, value56) == 56);

struct TabStop {
  std::int16_t kind;
  std::uint8_t value;
  std::uint8_t reserved;
  Fixed position;
};
static_assert(sizeof(TabStop) == 8);
static_assert(offsetof(TabStop, value) == 2);
static_assert(offsetof(TabStop, position) == 4);

struct TabStops {
  Fixed real0;
  std::int32_t value4;  // copied from the host unchanged
  TabStop stops[15];
};
static_assert(sizeof(TabStops) == 128);
static_assert(offsetof(TabStops, stops) == 8);

// One run of characters sharing all attributes.
struct TextRun {
  StoredPathStyle paintStyle;
  CharacterAttributes characterAttributes;
  FontBlock font;
  ParagraphAttributes paragraphAttributes;
  TabStops tabStops;
  Fixed runValue;
  GradientBlock reservedGradients[2];  // all zero
  char text[256];                      // Shift-JIS, NUL-terminated, at most 254 bytes
};
static_assert(sizeof(TextRun) == 5888);
static_assert(offsetof(TextRun, characterAttributes) == 204);
static_assert(offsetof(TextRun, font) == 284);
static_assert(offsetof(TextRun, paragraphAttributes) == 568);
static_assert(offsetof(TextRun, tabStops) == 628);
static_assert(offsetof(TextRun, runValue) == 756);
static_assert(offsetof(TextRun, reservedGradients) == 760);
static_assert(offsetof(TextRun, text) == 5632);

// One text path: this head, then segmentCount PathSegment.
struct TextPathEntry {
  FixedMatrix matrix;  // tx, ty relative to the capture origin
  std::int16_t closed;
  std::int16_t segmentCount;
};
static_assert(sizeof(TextPathEntry) == 28);
static_assert(offsetof(TextPathEntry, closed) == 24);
static_assert(offsetof(TextPathEntry, segmentCount) == 26);

struct TextObject {
  ObjectHeader header;
  std::int16_t textType;
  std::int16_t pathTextAttribute;
  std::int32_t pathTableOffset;  // from the object's start: 40 + 5888 x runCount
  std::int32_t pathTableLength;
  std::int16_t pathCount;  // 0 … 1024
  std::int16_t runCount;
};
static_assert(sizeof(TextObject) == 40);
static_assert(offsetof(TextObject, textType) == 24);
static_assert(offsetof(TextObject, pathTextAttribute) == 26);
static_assert(offsetof(TextObject, pathTableOffset) == 28);
static_assert(offsetof(TextObject, pathTableLength) == 32);
static_assert(offsetof(TextObject, pathCount) == 36);
static_assert(offsetof(TextObject, runCount) == 38);

// ---- Raster object (type 9): this head, then tileCount tiles ----

struct ShortRect {
  std::int16_t left;
  std::int16_t top;
  std::int16_t right;
  std::int16_t bottom;
};

struct RasterObject {
  ObjectHeader header;
  std::uint16_t rasterFlags;
  std::uint16_t reserved26;
  ShortRect pixelBounds;
  std::int32_t byteWidth;
  std::int16_t colorSpace;
  std::int16_t bitsPerPixel;
  std::int16_t lastField;  // the host raster record's last 16-bit field, unchanged
  std::int16_t reserved46;
  FixedMatrix rasterMatrix;     // tx, ty relative to the capture origin
  host::FixedRect boundingBox;  // document coordinates
  std::int32_t tileCount;
};
static_assert(sizeof(RasterObject) == 92);
static_assert(offsetof(RasterObject, rasterFlags) == 24);
static_assert(offsetof(RasterObject, pixelBounds) == 28);
static_assert(offsetof(RasterObject, byteWidth) == 36);
static_assert(offsetof(RasterObject, colorSpace) == 40);
static_assert(offsetof(RasterObject, bitsPerPixel) == 42);
static_assert(offsetof(RasterObject, lastField) == 44);
static_assert(offsetof(RasterObject, rasterMatrix) == 48);
static_assert(offsetof(RasterObject, boundingBox) == 72);
static_assert(offsetof(RasterObject, tileCount) == 88);

// 32 rows of 32 pixels, 4 bytes a pixel, top row first.
struct RasterTile {
  std::uint8_t pixels[32][128];
};
static_assert(sizeof(RasterTile) == 4096);

// ---- Mesh object (type 11): this head, then vertexCount vertex records ----

struct MeshObject {
  ObjectHeader header;
  std::int32_t meshKind;  // the host's: cartesian or polar
  std::int32_t iSize;
  std::int32_t jSize;
  std::int32_t vertexCount;
};
static_assert(sizeof(MeshObject) == 40);
static_assert(offsetof(MeshObject, meshKind) == 24);
static_assert(offsetof(MeshObject, vertexCount) == 36);

// This head, then segmentCount segment records; length counts them all.
struct MeshVertexRecord {
  std::int32_t length;
  StoredColor color;  // kinds 0, 1, 3 or 5
  host::FixedPoint point;
  std::int32_t segmentCount;
};
static_assert(sizeof(MeshVertexRecord) == 84);
static_assert(offsetof(MeshVertexRecord, color) == 4);
static_assert(offsetof(MeshVertexRecord, point) == 72);
static_assert(offsetof(MeshVertexRecord, segmentCount) == 80);

// This head, then leadCount + pointCount points; length counts them all.
struct MeshSegmentRecord {
  std::int32_t length;
  host::FixedPoint tangent;
  std::int16_t smooth;
  std::int16_t reserved;
  std::int32_t leadCount;  // 0 when written
  std::int32_t pointCount;
};
static_assert(sizeof(MeshSegmentRecord) == 24);
static_assert(offsetof(MeshSegmentRecord, tangent) == 4);
static_assert(offsetof(MeshSegmentRecord, smooth) == 12);
static_assert(offsetof(MeshSegmentRecord, leadCount) == 16);
static_assert(offsetof(MeshSegmentRecord, pointCount) == 20);

// ---- Byte-order conversion, one function per layout ----
//
// Each converts the layout at `bytes` (which need not be aligned). Fixed-size layouts
// trust their caller for room; the variable ones are given their length and return
// false when a stored count or length would reach past it (a damaged object). They may
// have converted part of the object by then, so a record is first walked with a swapper
// that writes nothing and converted only when that walk succeeds.

void ConvertObjectHeader(const FieldSwapper& swapper, std::uint8_t* bytes);
void ConvertStoredColor(const FieldSwapper& swapper, std::uint8_t* bytes);
void ConvertStoredPathStyle(const FieldSwapper& swapper, std::uint8_t* bytes);
void ConvertGradientStop(const FieldSwapper& swapper, std::uint8_t* bytes);
void ConvertGradientBlock(const FieldSwapper& swapper, std::uint8_t* bytes);
void ConvertPathSegment(const FieldSwapper& swapper, std::uint8_t* bytes);
void ConvertCharacterAttributes(const FieldSwapper& swapper, std::uint8_t* bytes);
void ConvertFontBlock(const FieldSwapper& swapper, std::uint8_t* bytes);
void ConvertParagraphAttributes(const FieldSwapper& swapper, std::uint8_t* bytes);
void ConvertTabStops(const FieldSwapper& swapper, std::uint8_t* bytes);
void ConvertTextRun(const FieldSwapper& swapper, std::uint8_t* bytes);

// Payload conversions of the typed objects; `length` is the object's host-order length.
bool ConvertPathObject(const FieldSwapper& swapper, std::uint8_t* object, std::uint32_t length);
bool ConvertTextObject(const FieldSwapper& swapper, std::uint8_t* object, std::uint32_t length);
bool ConvertRasterObject(const FieldSwapper& swapper, std::uint8_t* object, std::uint32_t length);
bool ConvertMeshObject(const FieldSwapper& swapper, std::uint8_t* object, std::uint32_t length);

// Converts one whole object of the stream that has `available` bytes left from
// `object`: to file order the payload first and the header last, to host order the
// header first. Returns the object's host-order length, or -1 when the object is damaged
// (length below 24 or past `available`, or a payload that does not fit its length).
std::int64_t ConvertObject(const FieldSwapper& swapper, std::uint8_t* object,
                           std::uint64_t available);

}  // namespace velm
