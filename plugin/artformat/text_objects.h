// The stored layouts of the text object: its head, runs with character and paragraph
// attributes, fonts and tab stops, and the path table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "artformat/path_objects.h"

namespace velm {

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

}  // namespace velm
