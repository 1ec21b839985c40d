// The host's records for art and its paint, text, rasters, meshes, art drawing and the
// action manager, as the art suites pass them. Reals are host reals, flags inside
// records are 32 bits wide. Where the plug-in compares a record byte for byte (the
// attributes of text, to cut runs), the host fills every byte of it, padding included,
// and leaves unused bytes zero.
//
// The sizes noted against a record are those of the 32-bit host, where handles are
// 4 bytes; they are checked there. Records without handles have the same size on every
// host and are checked everywhere.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/errors.h"
#include "host/types.h"

namespace host {

// A flag inside a host record: 0 off, anything else on.
using Bool32 = std::int32_t;

// The drawing surface of the art renderer. A drawer of the dialog manager hands out
// the port it draws into; the art-drawing suite renders into such a port.
struct GraphicsPortOpaque;
using GraphicsPortRef = GraphicsPortOpaque*;

inline constexpr bool kHandlesAre32Bit = sizeof(void*) == 4;

// ---- Art tree ----

// Art type codes.
enum ArtType : std::int32_t {
  kUnknownArt = 0,
  kGroupArt = 1,
  kPathArt = 2,
  kCompoundPathArt = 3,
  kTextArt = 4,
  kTextPathArt = 5,
  kTextRunArt = 6,
  kPlacedArt = 7,
  kRasterArt = 9,
  kPluginArt = 10,
  kMeshArt = 11,
};

// Where new or duplicated art goes, relative to a reference art ("prep").
enum PaintOrder : std::int32_t {
  kPlaceAbove = 1,
  kPlaceBelow = 2,
  // Inside the reference container, on top of its children.
  kPlaceInsideOnTop = 3,
  // Inside the reference container, below its children.
  kPlaceInsideOnBottom = 4,
  // Above all art of the current layer; the reference is ignored (pass null).
  kPlaceAboveAll = 5,
};

// Art user attributes (bit values).
enum ArtAttribute : std::int32_t {
  kArtSelected = 1,
  kArtLocked = 2,
  kArtHidden = 4,
};

// ---- Colours ----

enum ColorKind : std::int32_t {
  kGrayColor = 0,
  kProcessColor = 1,
  kPatternColor = 2,
  kCustomColor = 3,
  kGradientColor = 4,
  kRgbColor = 5,
  kNoColor = 6,
};

struct GrayColor {
  Real gray;
};
// Cyan, magenta, yellow, black, each 0 … 1.
struct ProcessColor {
  Real cyan;
  Real magenta;
  Real yellow;
  Real black;
};
// Red, green, blue, each 0 … 1.
struct RgbColor {
  Real red;
  Real green;
  Real blue;
};
// A pattern fill or stroke (64 bytes).
struct PatternStyle {
  PatternHandle pattern;
  Real shiftDistance;
  Real shiftAngle;
  RealPoint scale;
  Real rotate;
  Bool32 reflect;
  Real reflectAngle;
  Real shearAngle;
  Real shearAxis;
  RealMatrix transform;
};
// A gradient fill (52 bytes). How `matrix` is reported depends on the generation of
// the path-style suite that reports it (see ai_path.h).
struct GradientStyle {
  GradientHandle gradient;
  RealPoint origin;
  Real angle;
  Real length;
  RealMatrix matrix;
  Real hiliteAngle;
  Real hiliteLength;
};
// A custom (spot) colour at a tint; the plug-in uses the definition at full strength.
struct CustomColorStyle {
  CustomColorHandle color;
  Real tint;
};

// A paint colour (68 bytes): the kind, then the member of `c` that the kind names.
// Kinds kCustomColor and kNoColor carry nothing the plug-in reads.
struct Color {
  std::int32_t kind;  // ColorKind
  union Payload {
    GrayColor gray;
    ProcessColor process;
    PatternStyle pattern;
    GradientStyle gradient;
    CustomColorStyle custom;
    RgbColor rgb;
  } c;
};

// The definition of a custom colour.
enum CustomColorKind : std::int32_t {
  kCustomProcessDefinition = 0,
  kCustomRgbDefinition = 1,
  // Any other definition (for instance a Lab colour): not reduced by the plug-in.
  kCustomOtherDefinition = 2,
};
struct CustomColorDefinition {
  std::int32_t kind;  // CustomColorKind
  union Payload {
    ProcessColor process;
    RgbColor rgb;
    Real other[4];
  } c;
};

// ---- Path styles ----

inline constexpr int kMaxDashComponents = 6;

struct FillStyle {
  Color color;
  Bool32 overprint;
};
struct DashStyle {
  Real offset;
  // Number of values used in `array`, 0 … 6; 0 is a solid line.
  std::int32_t length;
  Real array[kMaxDashComponents];
};
struct StrokeStyle {
  Color color;
  Bool32 overprint;
  Real width;
  DashStyle dash;
  std::int32_t cap;
  std::int32_t join;
  Real miterLimit;
};
// The paint of a path, and of the characters of a text (472 bytes: 216 bytes of
// members, then 256 bytes the host keeps to itself and leaves zero).
struct PathStyle {
  Bool32 fillPaint;
  FillStyle fill;
  Bool32 strokePaint;
  StrokeStyle stroke;
  Bool32 clip;
  Bool32 lockClip;
  Bool32 evenOdd;
  Real resolution;
  std::uint8_t reserved[256];
};

// One anchor of a path with its two control points (28 bytes).
struct PathSegment {
  RealPoint anchor;
  RealPoint in;
  RealPoint out;
  Bool32 corner;
};
static_assert(sizeof(PathSegment) == 28);

// ---- Gradients ----

enum GradientType : std::int32_t {
  kLinearGradient = 0,
  kRadialGradient = 1,
};
// A gradient stop; the colour is gray, process or RGB (or custom, reduced by the
// plug-in before it stores it).
struct GradientStop {
  Real midPoint;
  Real rampPoint;
  Color color;
};

// ---- Transparency ----

enum KnockoutState : std::int32_t {
  kKnockoutOff = 0,
  kKnockoutOn = 1,
  kKnockoutInherited = 2,
};

// ---- Transforms ----

// What TransformArt moves (bit values).
enum TransformFlags : std::int32_t {
  kTransformObjects = 1,
  kTransformFillGradients = 2,
  kTransformFillPatterns = 4,
  kTransformStrokePatterns = 8,
};

// ---- Text ----

enum TextStreamMode : std::int32_t {
  kTextStreamRead = 1,
  kTextStreamWrite = 2,
};

enum TextType : std::int32_t {
  kPointText = 0,
  kAreaText = 1,
  kPathText = 2,
};

// Character attributes of one position in a text (96 bytes).
struct CharacterAttributes {
  Real fontSize;
  Real leading;
  Real tracking;
  Real kerning;
  Real horizontalScale;
  Real verticalScale;
  Real baselineShift;
  Real rotation;
  Real tsume;
  Real warichuScale;
  std::int16_t direction;
  std::int16_t alternateGlyphs;
  std::int32_t language;
  std::int32_t autoKern;
  std::int32_t underline;
  std::int32_t strikethrough;
  std::int32_t capitalization;
  std::int32_t baselinePosition;
  Real tateChuYokoOffset;
  std::int32_t tateChuYoko;
  std::int32_t mojikumi;
  std::int32_t kinsoku;
  std::int32_t warichu;
  std::int32_t warichuLines;
  std::int32_t proportionalMetrics;
};
static_assert(sizeof(CharacterAttributes) == 96);

// The font of one position in a text (308 bytes).
struct TextFont {
  // Font name, NUL-terminated.
  char name[256];
  std::int32_t faceId;
  std::int32_t styleId;
  // Writing script of the font; kJapaneseScript makes lead bytes start two-byte
  // characters.
  std::int32_t script;
  std::int32_t encoding;
  std::int32_t technology;
  std::int32_t weight;
  std::int32_t widthClass;
  std::int32_t italic;
  std::int32_t fixedPitch;
  std::int32_t vertical;
  std::int32_t substituted;
  std::int32_t writingDirection;
  std::int16_t syntheticBold;
  std::int16_t syntheticItalic;
};
static_assert(sizeof(TextFont) == 308);
static_assert(offsetof(TextFont, script) == 264);

inline constexpr std::int32_t kRomanScript = 0;
inline constexpr std::int32_t kJapaneseScript = 1;

// Paragraph attributes of one position in a text (64 bytes).
struct ParagraphAttributes {
  Real firstLineIndent;
  Real leftIndent;
  Real rightIndent;
  Real spaceBefore;
  std::int32_t alignment;
  // Least and most letter spacing of justified lines.
  RealPoint letterSpacing;
  std::int32_t hyphenation;
  std::int32_t hangingPunctuation;
  std::int32_t kinsokuSet;
  Real spaceAfter;
  Real autoLeading;
  std::int32_t mojikumiSet;
  Real wordSpacing;
  std::int32_t burasagari;
  // Passed through unchanged.
  std::int32_t flags;
};
static_assert(sizeof(ParagraphAttributes) == 64);

inline constexpr int kMaxTabStops = 15;

struct TabStop {
  std::int32_t kind;
  std::uint8_t leader;
  std::uint8_t reserved[3];
  Real position;
};
// The tab stops of one position in a text (188 bytes).
struct TabStops {
  Real defaultSpacing;
  // Passed through unchanged.
  std::int32_t count;
  TabStop stops[kMaxTabStops];
};
static_assert(sizeof(TabStop) == 12);
static_assert(sizeof(TabStops) == 188);

// ---- Rasters ----

// Description of a raster image. Pixel bounds are in raster pixels.
struct RasterRecord {
  std::int32_t flags;
  Rect bounds;
  std::int32_t byteWidth;
  std::int32_t colorSpace;
  std::int32_t bitsPerPixel;
  // One further host value, passed through unchanged.
  std::int16_t extra;
  std::int16_t reserved;
};
static_assert(sizeof(RasterRecord) == 36);

// A box of raster pixels and a range of channels (front … back, inclusive).
struct Slice {
  std::int32_t top;
  std::int32_t left;
  std::int32_t bottom;
  std::int32_t right;
  std::int32_t front;
  std::int32_t back;
};

inline constexpr int kMaxRasterChannels = 16;

// A caller-owned pixel buffer that raster tiles are copied out of or into.
struct Tile {
  void* data;
  // Pixels and channels of the buffer that take part.
  Slice bounds;
  std::int32_t rowBytes;
  // Bytes from one pixel to the next in a row.
  std::int32_t colBytes;
  // Bytes from one channel plane to the next; 0 for interleaved pixels.
  std::int32_t planeBytes;
  // The raster channel that each buffer channel holds.
  std::int16_t channelInterleave[kMaxRasterChannels];
};

// ---- Meshes ----

enum MeshKind : std::int32_t {
  kCartesianMesh = 0,
  kPolarMesh = 1,
};

// ---- Drawing art into a port ----

enum DrawArtOutput : std::int32_t {
  kDrawArtToPort = 2,
};

// A colour of four 16-bit components.
struct ExtendedRgbColor {
  std::uint16_t alpha;
  std::uint16_t red;
  std::uint16_t green;
  std::uint16_t blue;
};

// How to draw one art object (104 bytes). Fields the plug-in does not name stay zero.
struct DrawArtData {
  std::int32_t version;
  std::int32_t flags;
  std::int32_t output;  // DrawArtOutput
  // Artwork point that lands on the port rectangle's top-left corner.
  RealPoint origin;
  // Artwork to port scale and rotation.
  RealMatrix matrix;
  ArtHandle art;
  RealRect clipRect;
  Bool32 eraseClipRect;
  ArtHandle interruptedArt;
  // Text smaller than this many port pixels is drawn as grey bars.
  Real greekThreshold;
  ExtendedRgbColor selectionColor;
  GraphicsPortRef port;
  Rect portRect;
};

// ---- Units ----

// Ruler units of a document as the plug-in names them.
enum RulerUnits : std::int32_t {
  kOtherUnits = 0,
  kInchUnits = 1,
  kCentimeterUnits = 2,
  kPointUnits = 3,
  kPicaUnits = 4,
  kMillimeterUnits = 5,
  kPixelUnits = 6,
};

// ---- Action manager ----

// Parameter keys and types are four-character codes.
using ActionKey = std::uint32_t;
using ActionParamType = std::uint32_t;

constexpr ActionKey ActionCode(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(FourCC(a, b, c, d));
}

inline constexpr ActionParamType kActionTypeReal = ActionCode('r', 'e', 'a', 'l');
inline constexpr ActionParamType kActionTypeString = ActionCode('s', 't', 'r', 'n');
inline constexpr ActionParamType kActionTypeInteger = ActionCode('l', 'o', 'n', 'g');

// ---- Layouts of the 32-bit host ----

static_assert(!kHandlesAre32Bit || sizeof(PatternStyle) == 64);
static_assert(!kHandlesAre32Bit || sizeof(GradientStyle) == 52);
static_assert(!kHandlesAre32Bit || sizeof(Color) == 68);
static_assert(!kHandlesAre32Bit || sizeof(StrokeStyle) == 120);
static_assert(!kHandlesAre32Bit || sizeof(PathStyle) == 472);
static_assert(!kHandlesAre32Bit || offsetof(PathStyle, reserved) == 216);
static_assert(!kHandlesAre32Bit || sizeof(DrawArtData) == 104);

}  // namespace host
