#include "artformat/art_objects.h"

namespace velm {

namespace {

constexpr std::uint32_t kFixed = sizeof(Fixed);

bool ToHost(const FieldSwapper& s) {
  return s.order() == ByteOrder::kToHost;
}

// Runs of consecutive numeric fields that the conversions below treat as one.
static_assert(sizeof(ProcessColorPayload) == 4 * kFixed);
static_assert(sizeof(RgbColorPayload) == 3 * kFixed);
static_assert(offsetof(PatternColorPayload, reflect) == 6 * kFixed);
static_assert(sizeof(PatternColorPayload) - offsetof(PatternColorPayload, reflectAngle) ==
              9 * kFixed);
static_assert(sizeof(GradientColorPayload) == 15 * kFixed);
static_assert(offsetof(StoredPathStyle, dashArray) - offsetof(StoredPathStyle, dashOffset) ==
              kFixed);
static_assert(sizeof(PathSegment) == 6 * kFixed + 4);
static_assert(offsetof(CharacterAttributes, real60) - offsetof(CharacterAttributes, values40) ==
              10 * 2);
static_assert(sizeof(CharacterAttributes) - offsetof(CharacterAttributes, value64) == 8 * 2);
static_assert(offsetof(RasterObject, tileCount) - offsetof(RasterObject, rasterMatrix) ==
              10 * kFixed);

}  // namespace

// ---- Fixed-size layouts ----

void ConvertObjectHeader(const FieldSwapper& s, std::uint8_t* p) {
  s.Fields32(p + offsetof(ObjectHeader, type), 4);  // type, length, blendMode, opacity
  s.Fields16(p + offsetof(ObjectHeader, isolated), 4);
}

void ConvertStoredColor(const FieldSwapper& s, std::uint8_t* p) {
  const std::int16_t kind = s.Value16(p + offsetof(StoredColor, colorKind));
  std::uint8_t* payload = p + offsetof(StoredColor, payload);
  switch (kind) {
    case kGrayColor:
      s.Field32(payload + offsetof(GrayColorPayload, gray));
      break;
    case kProcessColor:
      s.Fields32(payload, 4);
      break;
    case kPatternColor:
      s.Fields32(payload, 6);  // patternNumber … rotate
      s.Field16(payload + offsetof(PatternColorPayload, reflect));
      s.Field16(payload + offsetof(PatternColorPayload, reserved));
      s.Fields32(payload + offsetof(PatternColorPayload, reflectAngle), 9);
      break;
    case kGradientColor:
      s.Fields32(payload, 15);
      break;
    case kRgbColor:
      s.Fields32(payload, 3);
      break;
    default:  // custom colour and none carry no payload; unknown kinds are left alone
      break;
  }
  s.Field16(p + offsetof(StoredColor, colorKind));
  s.Field16(p + offsetof(StoredColor, reserved));
}

void ConvertStoredPathStyle(const FieldSwapper& s, std::uint8_t* p) {
  s.Fields16(p + offsetof(StoredPathStyle, fillPaint), 2);  // fillPaint, strokePaint
  ConvertStoredColor(s, p + offsetof(StoredPathStyle, fillColor));
  s.Fields16(p + offsetof(StoredPathStyle, fillOverprint), 2);
  ConvertStoredColor(s, p + offsetof(StoredPathStyle, strokeColor));
  s.Fields16(p + offsetof(StoredPathStyle, strokeOverprint), 2);
  s.Field32(p + offsetof(StoredPathStyle, strokeWidth));
  s.Fields16(p + offsetof(StoredPathStyle, dashCount), 2);
  s.Fields32(p + offsetof(StoredPathStyle, dashOffset), 7);  // dashOffset, dashArray
  s.Fields16(p + offsetof(StoredPathStyle, lineCap), 2);     // lineCap, lineJoin
  s.Field32(p + offsetof(StoredPathStyle, miterLimit));
  s.Fields16(p + offsetof(StoredPathStyle, clip), 4);  // clip, lockClip, evenOdd, reserved
  s.Field32(p + offsetof(StoredPathStyle, resolution));
}

void ConvertGradientStop(const FieldSwapper& s, std::uint8_t* p) {
  s.Fields32(p + offsetof(GradientStop, midPoint), 2);  // midPoint, rampPoint
  ConvertStoredColor(s, p + offsetof(GradientStop, color));
}

// All 32 stop slots are converted whatever stopCount says (unused slots hold zero).
void ConvertGradientBlock(const FieldSwapper& s, std::uint8_t* p) {
  s.Fields16(p + offsetof(GradientBlock, gradientType), 2);  // gradientType, stopCount
  for (int i = 0; i < kGradientStopSlots; ++i) {
    ConvertGradientStop(s, p + offsetof(GradientBlock, stops) + i * sizeof(GradientStop));
  }
}

void ConvertPathSegment(const FieldSwapper& s, std::uint8_t* p) {
  s.Fields32(p + offsetof(PathSegment, anchor), 6);  // anchor, in, out
  s.Fields16(p + offsetof(PathSegment, corner), 2);
}

void ConvertCharacterAttributes(const FieldSwapper& s, std::uint8_t* p) {
  s.Fields32(p + offsetof(CharacterAttributes, reals), 10);
  s.Fields16(p + offsetof(CharacterAttributes, values40), 10);  // 40 … 58
  s.Field32(p + offsetof(CharacterAttributes, real60));
  s.Fields16(p + offsetof(CharacterAttributes, value64), 8);  // 64 … 78
}

void ConvertFontBlock(const FieldSwapper& s, std::uint8_t* p) {
  s.Fields16(p + offsetof(FontBlock, values), 14);  // the name is bytes
}

void ConvertParagraphAttributes(const FieldSwapper& s, std::uint8_t* p) {
  s.Fields32(p + offsetof(ParagraphAttributes, reals0), 4);
  s.Fields16(p + offsetof(ParagraphAttributes, value16), 2);
  s.Fields32(p + offsetof(ParagraphAttributes, point20), 2);
  s.Fields16(p + offsetof(ParagraphAttributes, values28), 4);
  s.Fields32(p + offsetof(ParagraphAttributes, reals36), 2);
  s.Fields16(p + offsetof(ParagraphAttributes, value44), 2);
  s.Field32(p + offsetof(ParagraphAttributes, real48));
  s.Fields16(p + offsetof(ParagraphAttributes, value52), 2);
  s.Field32(p + offsetof(ParagraphAttributes, value56));
}

void ConvertTabStops(const FieldSwapper& s, std::uint8_t* p) {
  s.Fields32(p + offsetof(TabStops, real0), 2);  // real0, value4
  for (int i = 0; i < 15; ++i) {
    std::uint8_t* stop = p + offsetof(TabStops, stops) + i * sizeof(TabStop);
    s.Field16(stop + offsetof(TabStop, kind));  // the two bytes after it stay
    s.Field32(stop + offsetof(TabStop, position));
  }
}

void ConvertTextRun(const FieldSwapper& s, std::uint8_t* p) {
  ConvertStoredPathStyle(s, p + offsetof(TextRun, paintStyle));
  ConvertCharacterAttributes(s, p + offsetof(TextRun, characterAttributes));
  ConvertFontBlock(s, p + offsetof(TextRun, font));
  ConvertParagraphAttributes(s, p + offsetof(TextRun, paragraphAttributes));
  ConvertTabStops(s, p + offsetof(TextRun, tabStops));
  s.Field32(p + offsetof(TextRun, runValue));
  ConvertGradientBlock(s, p + offsetof(TextRun, reservedGradients));
  ConvertGradientBlock(s, p + offsetof(TextRun, reservedGradients) + sizeof(GradientBlock));
}

// ---- Typed objects ----

bool ConvertPathObject(const FieldSwapper& s, std::uint8_t* object, std::uint32_t length) {
  if (length < sizeof(PathObject)) return false;
  const std::int16_t count = s.Value16(object + offsetof(PathObject, segmentCount));
  if (count < 0) return false;
  if (sizeof(PathObject) + std::uint64_t{sizeof(PathSegment)} * count > length) return false;

  auto head = [&] {
    ConvertStoredPathStyle(s, object + offsetof(PathObject, style));
    ConvertGradientBlock(s, object + offsetof(PathObject, reservedGradient));
    ConvertGradientBlock(s, object + offsetof(PathObject, fillGradient));
    s.Fields16(object + offsetof(PathObject, closed), 2);  // closed, segmentCount
  };
  if (ToHost(s)) head();
  for (int i = 0; i < count; ++i) {
    ConvertPathSegment(s, object + sizeof(PathObject) + i * sizeof(PathSegment));
  }
  if (!ToHost(s)) head();
  return true;
}

namespace {

// The text path table: `count` entries back to back in [table, table + size).
bool ConvertTextPathTable(const FieldSwapper& s, std::uint8_t* table, std::uint32_t size,
                          std::int32_t count) {
  std::uint32_t at = 0;
  for (std::int32_t k = 0; k < count; ++k) {
    if (size - at < sizeof(TextPathEntry)) return false;
    std::uint8_t* entry = table + at;
    const std::int16_t segments = s.Value16(entry + offsetof(TextPathEntry, segmentCount));
    if (segments < 0) return false;
    const std::uint32_t entrySize = sizeof(TextPathEntry) * (segments + 1u);
    if (entrySize > size - at) return false;

    auto head = [&] {
      s.Fields32(entry + offsetof(TextPathEntry, matrix), 6);
      s.Fields16(entry + offsetof(TextPathEntry, closed), 2);  // closed, segmentCount
    };
    if (ToHost(s)) head();
    for (int i = 0; i < segments; ++i) {
      ConvertPathSegment(s, entry + sizeof(TextPathEntry) + i * sizeof(PathSegment));
    }
    if (!ToHost(s)) head();
    at += entrySize;
  }
  return true;
}

}  // namespace

bool ConvertTextObject(const FieldSwapper& s, std::uint8_t* object, std::uint32_t length) {
  if (length < sizeof(TextObject)) return false;
  const std::int16_t runs = s.Value16(object + offsetof(TextObject, runCount));
  const std::int16_t paths = s.Value16(object + offsetof(TextObject, pathCount));
  const std::int32_t tableOffset = s.Value32(object + offsetof(TextObject, pathTableOffset));
  const std::int32_t tableLength = s.Value32(object + offsetof(TextObject, pathTableLength));
  if (runs < 0 || paths < 0 || tableOffset < 0 || tableLength < 0) return false;
  const std::uint64_t runsEnd = sizeof(TextObject) + std::uint64_t{sizeof(TextRun)} * runs;
  // The runs and the table must lie in the object without overlapping.
  if (runsEnd > static_cast<std::uint64_t>(tableOffset)) return false;
  if (static_cast<std::uint64_t>(tableOffset) + static_cast<std::uint64_t>(tableLength) > length) {
    return false;
  }

  auto head = [&] {
    s.Fields16(object + offsetof(TextObject, textType), 2);         // textType, pathTextAttribute
    s.Fields32(object + offsetof(TextObject, pathTableOffset), 2);  // offset, length
    s.Fields16(object + offsetof(TextObject, pathCount), 2);        // pathCount, runCount
  };
  if (ToHost(s)) head();
  for (int i = 0; i < runs; ++i) {
    ConvertTextRun(s, object + sizeof(TextObject) + i * sizeof(TextRun));
  }
  if (!ConvertTextPathTable(s, object + tableOffset, static_cast<std::uint32_t>(tableLength),
                            paths)) {
    return false;
  }
  if (!ToHost(s)) head();
  return true;
}

bool ConvertRasterObject(const FieldSwapper& s, std::uint8_t* object, std::uint32_t length) {
  if (length < sizeof(RasterObject)) return false;
  const std::int32_t tiles = s.Value32(object + offsetof(RasterObject, tileCount));
  if (tiles < 0) return false;
  if (sizeof(RasterObject) + std::uint64_t{sizeof(RasterTile)} * tiles > length) return false;
  // The tiles are pixel bytes; only the description is converted.
  s.Fields16(object + offsetof(RasterObject, rasterFlags), 2);  // flags, reserved
  s.Fields16(object + offsetof(RasterObject, pixelBounds), 4);
  s.Field32(object + offsetof(RasterObject, byteWidth));
  s.Fields16(object + offsetof(RasterObject, colorSpace), 4);     // … lastField, reserved
  s.Fields32(object + offsetof(RasterObject, rasterMatrix), 11);  // matrix, box, tileCount
  return true;
}

namespace {

// One segment record of `available` bytes at most; returns its length, or 0 if damaged.
std::uint32_t ConvertMeshSegment(const FieldSwapper& s, std::uint8_t* p, std::uint32_t available) {
  if (available < sizeof(MeshSegmentRecord)) return 0;
  const std::int32_t length = s.Value32(p + offsetof(MeshSegmentRecord, length));
  const std::int32_t leads = s.Value32(p + offsetof(MeshSegmentRecord, leadCount));
  const std::int32_t points = s.Value32(p + offsetof(MeshSegmentRecord, pointCount));
  if (length < static_cast<std::int32_t>(sizeof(MeshSegmentRecord)) ||
      static_cast<std::uint32_t>(length) > available || leads < 0 || points < 0) {
    return 0;
  }
  const std::uint64_t pointValues =
      2 * (std::uint64_t{static_cast<std::uint32_t>(leads)} + static_cast<std::uint32_t>(points));
  if (sizeof(MeshSegmentRecord) + pointValues * kFixed > static_cast<std::uint32_t>(length)) {
    return 0;
  }
  auto head = [&] {
    s.Fields32(p + offsetof(MeshSegmentRecord, length), 3);  // length, tangent
    s.Fields16(p + offsetof(MeshSegmentRecord, smooth), 2);  // smooth, reserved
    s.Fields32(p + offsetof(MeshSegmentRecord, leadCount), 2);
  };
  if (ToHost(s)) head();
  s.Fields32(p + sizeof(MeshSegmentRecord), static_cast<std::size_t>(pointValues));
  if (!ToHost(s)) head();
  return static_cast<std::uint32_t>(length);
}

// One vertex record with its segments; returns its length, or 0 if damaged.
std::uint32_t ConvertMeshVertex(const FieldSwapper& s, std::uint8_t* p, std::uint32_t available) {
  if (available < sizeof(MeshVertexRecord)) return 0;
  const std::int32_t length = s.Value32(p + offsetof(MeshVertexRecord, length));
  const std::int32_t segments = s.Value32(p + offsetof(MeshVertexRecord, segmentCount));
  if (length < static_cast<std::int32_t>(sizeof(MeshVertexRecord)) ||
      static_cast<std::uint32_t>(length) > available || segments < 0) {
    return 0;
  }
  auto head = [&] {
    s.Field32(p + offsetof(MeshVertexRecord, length));
    ConvertStoredColor(s, p + offsetof(MeshVertexRecord, color));
    s.Fields32(p + offsetof(MeshVertexRecord, point), 2);
    s.Field32(p + offsetof(MeshVertexRecord, segmentCount));
  };
  if (ToHost(s)) head();
  std::uint32_t at = sizeof(MeshVertexRecord);
  for (std::int32_t k = 0; k < segments; ++k) {
    const std::uint32_t used =
        ConvertMeshSegment(s, p + at, static_cast<std::uint32_t>(length) - at);
    if (used == 0) return 0;
    at += used;
  }
  if (!ToHost(s)) head();
  return static_cast<std::uint32_t>(length);
}

}  // namespace

bool ConvertMeshObject(const FieldSwapper& s, std::uint8_t* object, std::uint32_t length) {
  if (length < sizeof(MeshObject)) return false;
  const std::int32_t vertices = s.Value32(object + offsetof(MeshObject, vertexCount));
  if (vertices < 0) return false;
  auto head = [&] { s.Fields32(object + offsetof(MeshObject, meshKind), 4); };
  if (ToHost(s)) head();
  std::uint32_t at = sizeof(MeshObject);
  for (std::int32_t v = 0; v < vertices; ++v) {
    const std::uint32_t used = ConvertMeshVertex(s, object + at, length - at);
    if (used == 0) return false;
    at += used;
  }
  if (!ToHost(s)) head();
  return true;
}

std::int64_t ConvertObject(const FieldSwapper& s, std::uint8_t* object, std::uint64_t available) {
  if (available < sizeof(ObjectHeader)) return -1;
  const std::int32_t type = s.Value32(object + offsetof(ObjectHeader, type));
  const std::int32_t length = s.Value32(object + offsetof(ObjectHeader, length));
  if (length < static_cast<std::int32_t>(sizeof(ObjectHeader)) ||
      static_cast<std::uint64_t>(length) > available) {
    return -1;
  }
  const auto size = static_cast<std::uint32_t>(length);
  if (ToHost(s)) ConvertObjectHeader(s, object);
  bool sound = true;
  switch (static_cast<ObjectType>(type)) {
    case ObjectType::PathObject:
      sound = ConvertPathObject(s, object, size);
      break;
    case ObjectType::TextObject:
      sound = ConvertTextObject(s, object, size);
      break;
    case ObjectType::RasterObject:
      sound = ConvertRasterObject(s, object, size);
      break;
    case ObjectType::MeshObject:
      sound = ConvertMeshObject(s, object, size);
      break;
    default:  // markers and unknown types carry bytes only
      break;
  }
  if (!ToHost(s)) ConvertObjectHeader(s, object);
  return sound ? length : -1;
}

}  // namespace velm
