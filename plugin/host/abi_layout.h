// The binary layout of every structure that crosses between the host and the module:
// its size and the offset of each of its fields, as the 32-bit Windows module has them
// (first number) and as the 64-bit builds do (the 64-bit Windows module and the Linux
// module: second number). Only handles and pointers differ between the two; every
// other field is of a fixed width (no long, wchar_t, size_t, bool or enum of unstated
// size), so that Windows's LLP64 and Linux's LP64 agree and the 32-bit layout is the
// same whichever compiler builds it. Included by one source of the frame, so that every
// build of the module checks it: a field added, moved or widened fails to compile until
// this table says what the host must expect.
//
// Suite tables are checked where they are declared (host/suite_decl.h): operations only,
// one pointer each, in the order of their list.
#pragma once

#include <cstddef>

#include "host/adm.h"
#include "host/art_types.h"
#include "host/messages.h"
#include "host/types.h"

namespace host::abi {

inline constexpr bool k32 = sizeof(void*) == 4;
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8);

#define VELM_ABI_SIZE(T, size32, size64) \
  static_assert(sizeof(T) == (k32 ? (size32) : (size64)), "size of " #T)
#define VELM_ABI_AT(T, field, at32, at64) \
  static_assert(offsetof(T, field) == (k32 ? (at32) : (at64)), "offset of " #T "::" #field)

VELM_ABI_SIZE(TrackerEvent, 28, 28);
VELM_ABI_AT(TrackerEvent, point, 0, 0);
VELM_ABI_AT(TrackerEvent, action, 8, 8);
VELM_ABI_AT(TrackerEvent, modifiers, 12, 12);
VELM_ABI_AT(TrackerEvent, time, 16, 16);
VELM_ABI_AT(TrackerEvent, mouseState, 20, 20);
VELM_ABI_AT(TrackerEvent, virtualKey, 24, 24);
VELM_ABI_AT(TrackerEvent, character, 26, 26);

VELM_ABI_SIZE(AdmRgbColor, 6, 6);
VELM_ABI_AT(AdmRgbColor, red, 0, 0);
VELM_ABI_AT(AdmRgbColor, green, 2, 2);
VELM_ABI_AT(AdmRgbColor, blue, 4, 4);

VELM_ABI_SIZE(GrayColor, 4, 4);
VELM_ABI_AT(GrayColor, gray, 0, 0);

VELM_ABI_SIZE(ProcessColor, 16, 16);
VELM_ABI_AT(ProcessColor, cyan, 0, 0);
VELM_ABI_AT(ProcessColor, magenta, 4, 4);
VELM_ABI_AT(ProcessColor, yellow, 8, 8);
VELM_ABI_AT(ProcessColor, black, 12, 12);

VELM_ABI_SIZE(RgbColor, 12, 12);
VELM_ABI_AT(RgbColor, red, 0, 0);
VELM_ABI_AT(RgbColor, green, 4, 4);
VELM_ABI_AT(RgbColor, blue, 8, 8);

VELM_ABI_SIZE(PatternStyle, 64, 72);
VELM_ABI_AT(PatternStyle, pattern, 0, 0);
VELM_ABI_AT(PatternStyle, shiftDistance, 4, 8);
VELM_ABI_AT(PatternStyle, shiftAngle, 8, 12);
VELM_ABI_AT(PatternStyle, scale, 12, 16);
VELM_ABI_AT(PatternStyle, rotate, 20, 24);
VELM_ABI_AT(PatternStyle, reflect, 24, 28);
VELM_ABI_AT(PatternStyle, reflectAngle, 28, 32);
VELM_ABI_AT(PatternStyle, shearAngle, 32, 36);
VELM_ABI_AT(PatternStyle, shearAxis, 36, 40);
VELM_ABI_AT(PatternStyle, transform, 40, 44);

VELM_ABI_SIZE(GradientStyle, 52, 56);
VELM_ABI_AT(GradientStyle, gradient, 0, 0);
VELM_ABI_AT(GradientStyle, origin, 4, 8);
VELM_ABI_AT(GradientStyle, angle, 12, 16);
VELM_ABI_AT(GradientStyle, length, 16, 20);
VELM_ABI_AT(GradientStyle, matrix, 20, 24);
VELM_ABI_AT(GradientStyle, hiliteAngle, 44, 48);
VELM_ABI_AT(GradientStyle, hiliteLength, 48, 52);

VELM_ABI_SIZE(CustomColorStyle, 8, 16);
VELM_ABI_AT(CustomColorStyle, color, 0, 0);
VELM_ABI_AT(CustomColorStyle, tint, 4, 8);

VELM_ABI_SIZE(Color, 68, 80);
VELM_ABI_AT(Color, kind, 0, 0);
VELM_ABI_AT(Color, c, 4, 8);

VELM_ABI_SIZE(CustomColorDefinition, 20, 20);
VELM_ABI_AT(CustomColorDefinition, kind, 0, 0);
VELM_ABI_AT(CustomColorDefinition, c, 4, 4);

VELM_ABI_SIZE(FillStyle, 72, 88);
VELM_ABI_AT(FillStyle, color, 0, 0);
VELM_ABI_AT(FillStyle, overprint, 68, 80);

VELM_ABI_SIZE(DashStyle, 32, 32);
VELM_ABI_AT(DashStyle, offset, 0, 0);
VELM_ABI_AT(DashStyle, length, 4, 4);
VELM_ABI_AT(DashStyle, array, 8, 8);

VELM_ABI_SIZE(StrokeStyle, 120, 136);
VELM_ABI_AT(StrokeStyle, color, 0, 0);
VELM_ABI_AT(StrokeStyle, overprint, 68, 80);
VELM_ABI_AT(StrokeStyle, width, 72, 84);
VELM_ABI_AT(StrokeStyle, dash, 76, 88);
VELM_ABI_AT(StrokeStyle, cap, 108, 120);
VELM_ABI_AT(StrokeStyle, join, 112, 124);
VELM_ABI_AT(StrokeStyle, miterLimit, 116, 128);

VELM_ABI_SIZE(PathStyle, 472, 512);
VELM_ABI_AT(PathStyle, fillPaint, 0, 0);
VELM_ABI_AT(PathStyle, fill, 4, 8);
VELM_ABI_AT(PathStyle, strokePaint, 76, 96);
VELM_ABI_AT(PathStyle, stroke, 80, 104);
VELM_ABI_AT(PathStyle, clip, 200, 240);
VELM_ABI_AT(PathStyle, lockClip, 204, 244);
VELM_ABI_AT(PathStyle, evenOdd, 208, 248);
VELM_ABI_AT(PathStyle, resolution, 212, 252);
VELM_ABI_AT(PathStyle, reserved, 216, 256);

VELM_ABI_SIZE(PathSegment, 28, 28);
VELM_ABI_AT(PathSegment, anchor, 0, 0);
VELM_ABI_AT(PathSegment, in, 8, 8);
VELM_ABI_AT(PathSegment, out, 16, 16);
VELM_ABI_AT(PathSegment, corner, 24, 24);

VELM_ABI_SIZE(GradientStop, 76, 88);
VELM_ABI_AT(GradientStop, midPoint, 0, 0);
VELM_ABI_AT(GradientStop, rampPoint, 4, 4);
VELM_ABI_AT(GradientStop, color, 8, 8);

VELM_ABI_SIZE(CharacterAttributes, 96, 96);
VELM_ABI_AT(CharacterAttributes, fontSize, 0, 0);
VELM_ABI_AT(CharacterAttributes, leading, 4, 4);
VELM_ABI_AT(CharacterAttributes, tracking, 8, 8);
VELM_ABI_AT(CharacterAttributes, kerning, 12, 12);
VELM_ABI_AT(CharacterAttributes, horizontalScale, 16, 16);
VELM_ABI_AT(CharacterAttributes, verticalScale, 20, 20);
VELM_ABI_AT(CharacterAttributes, baselineShift, 24, 24);
VELM_ABI_AT(CharacterAttributes, rotation, 28, 28);
VELM_ABI_AT(CharacterAttributes, tsume, 32, 32);
VELM_ABI_AT(CharacterAttributes, warichuScale, 36, 36);
VELM_ABI_AT(CharacterAttributes, direction, 40, 40);
VELM_ABI_AT(CharacterAttributes, alternateGlyphs, 42, 42);
VELM_ABI_AT(CharacterAttributes, language, 44, 44);
VELM_ABI_AT(CharacterAttributes, autoKern, 48, 48);
VELM_ABI_AT(CharacterAttributes, underline, 52, 52);
VELM_ABI_AT(CharacterAttributes, strikethrough, 56, 56);
VELM_ABI_AT(CharacterAttributes, capitalization, 60, 60);
VELM_ABI_AT(CharacterAttributes, baselinePosition, 64, 64);
VELM_ABI_AT(CharacterAttributes, tateChuYokoOffset, 68, 68);
VELM_ABI_AT(CharacterAttributes, tateChuYoko, 72, 72);
VELM_ABI_AT(CharacterAttributes, mojikumi, 76, 76);
VELM_ABI_AT(CharacterAttributes, kinsoku, 80, 80);
VELM_ABI_AT(CharacterAttributes, warichu, 84, 84);
VELM_ABI_AT(CharacterAttributes, warichuLines, 88, 88);
VELM_ABI_AT(CharacterAttributes, proportionalMetrics, 92, 92);

VELM_ABI_SIZE(TextFont, 308, 308);
VELM_ABI_AT(TextFont, name, 0, 0);
VELM_ABI_AT(TextFont, faceId, 256, 256);
VELM_ABI_AT(TextFont, styleId, 260, 260);
VELM_ABI_AT(TextFont, script, 264, 264);
VELM_ABI_AT(TextFont, encoding, 268, 268);
VELM_ABI_AT(TextFont, technology, 272, 272);
VELM_ABI_AT(TextFont, weight, 276, 276);
VELM_ABI_AT(TextFont, widthClass, 280, 280);
VELM_ABI_AT(TextFont, italic, 284, 284);
VELM_ABI_AT(TextFont, fixedPitch, 288, 288);
VELM_ABI_AT(TextFont, vertical, 292, 292);
VELM_ABI_AT(TextFont, substituted, 296, 296);
VELM_ABI_AT(TextFont, writingDirection, 300, 300);
VELM_ABI_AT(TextFont, syntheticBold, 304, 304);
VELM_ABI_AT(TextFont, syntheticItalic, 306, 306);

VELM_ABI_SIZE(ParagraphAttributes, 64, 64);
VELM_ABI_AT(ParagraphAttributes, firstLineIndent, 0, 0);
VELM_ABI_AT(ParagraphAttributes, leftIndent, 4, 4);
VELM_ABI_AT(ParagraphAttributes, rightIndent, 8, 8);
VELM_ABI_AT(ParagraphAttributes, spaceBefore, 12, 12);
VELM_ABI_AT(ParagraphAttributes, alignment, 16, 16);
VELM_ABI_AT(ParagraphAttributes, letterSpacing, 20, 20);
VELM_ABI_AT(ParagraphAttributes, hyphenation, 28, 28);
VELM_ABI_AT(ParagraphAttributes, hangingPunctuation, 32, 32);
VELM_ABI_AT(ParagraphAttributes, kinsokuSet, 36, 36);
VELM_ABI_AT(ParagraphAttributes, spaceAfter, 40, 40);
VELM_ABI_AT(ParagraphAttributes, autoLeading, 44, 44);
VELM_ABI_AT(ParagraphAttributes, mojikumiSet, 48, 48);
VELM_ABI_AT(ParagraphAttributes, wordSpacing, 52, 52);
VELM_ABI_AT(ParagraphAttributes, burasagari, 56, 56);
VELM_ABI_AT(ParagraphAttributes, flags, 60, 60);

VELM_ABI_SIZE(TabStop, 12, 12);
VELM_ABI_AT(TabStop, kind, 0, 0);
VELM_ABI_AT(TabStop, leader, 4, 4);
VELM_ABI_AT(TabStop, reserved, 5, 5);
VELM_ABI_AT(TabStop, position, 8, 8);

VELM_ABI_SIZE(TabStops, 188, 188);
VELM_ABI_AT(TabStops, defaultSpacing, 0, 0);
VELM_ABI_AT(TabStops, count, 4, 4);
VELM_ABI_AT(TabStops, stops, 8, 8);

VELM_ABI_SIZE(RasterRecord, 36, 36);
VELM_ABI_AT(RasterRecord, flags, 0, 0);
VELM_ABI_AT(RasterRecord, bounds, 4, 4);
VELM_ABI_AT(RasterRecord, byteWidth, 20, 20);
VELM_ABI_AT(RasterRecord, colorSpace, 24, 24);
VELM_ABI_AT(RasterRecord, bitsPerPixel, 28, 28);
VELM_ABI_AT(RasterRecord, extra, 32, 32);
VELM_ABI_AT(RasterRecord, reserved, 34, 34);

VELM_ABI_SIZE(Slice, 24, 24);
VELM_ABI_AT(Slice, top, 0, 0);
VELM_ABI_AT(Slice, left, 4, 4);
VELM_ABI_AT(Slice, bottom, 8, 8);
VELM_ABI_AT(Slice, right, 12, 12);
VELM_ABI_AT(Slice, front, 16, 16);
VELM_ABI_AT(Slice, back, 20, 20);

VELM_ABI_SIZE(Tile, 72, 80);
VELM_ABI_AT(Tile, data, 0, 0);
VELM_ABI_AT(Tile, bounds, 4, 8);
VELM_ABI_AT(Tile, rowBytes, 28, 32);
VELM_ABI_AT(Tile, colBytes, 32, 36);
VELM_ABI_AT(Tile, planeBytes, 36, 40);
VELM_ABI_AT(Tile, channelInterleave, 40, 44);

VELM_ABI_SIZE(ExtendedRgbColor, 8, 8);
VELM_ABI_AT(ExtendedRgbColor, alpha, 0, 0);
VELM_ABI_AT(ExtendedRgbColor, red, 2, 2);
VELM_ABI_AT(ExtendedRgbColor, green, 4, 4);
VELM_ABI_AT(ExtendedRgbColor, blue, 6, 6);

VELM_ABI_SIZE(DrawArtData, 104, 128);
VELM_ABI_AT(DrawArtData, version, 0, 0);
VELM_ABI_AT(DrawArtData, flags, 4, 4);
VELM_ABI_AT(DrawArtData, output, 8, 8);
VELM_ABI_AT(DrawArtData, origin, 12, 12);
VELM_ABI_AT(DrawArtData, matrix, 20, 20);
VELM_ABI_AT(DrawArtData, art, 44, 48);
VELM_ABI_AT(DrawArtData, clipRect, 48, 56);
VELM_ABI_AT(DrawArtData, eraseClipRect, 64, 72);
VELM_ABI_AT(DrawArtData, interruptedArt, 68, 80);
VELM_ABI_AT(DrawArtData, greekThreshold, 72, 88);
VELM_ABI_AT(DrawArtData, selectionColor, 76, 92);
VELM_ABI_AT(DrawArtData, port, 84, 104);
VELM_ABI_AT(DrawArtData, portRect, 88, 112);

VELM_ABI_SIZE(MessageData, 12, 24);
VELM_ABI_AT(MessageData, self, 0, 0);
VELM_ABI_AT(MessageData, globals, 4, 8);
VELM_ABI_AT(MessageData, basic, 8, 16);

VELM_ABI_SIZE(NotifierMessage, 24, 48);
VELM_ABI_AT(NotifierMessage, d, 0, 0);
VELM_ABI_AT(NotifierMessage, notifier, 12, 24);
VELM_ABI_AT(NotifierMessage, type, 16, 32);
VELM_ABI_AT(NotifierMessage, notifyData, 20, 40);

VELM_ABI_SIZE(MenuMessage, 16, 32);
VELM_ABI_AT(MenuMessage, d, 0, 0);
VELM_ABI_AT(MenuMessage, menuItem, 12, 24);

VELM_ABI_SIZE(TimerMessage, 16, 32);
VELM_ABI_AT(TimerMessage, d, 0, 0);
VELM_ABI_AT(TimerMessage, timer, 12, 24);

VELM_ABI_SIZE(DoActionMessage, 24, 48);
VELM_ABI_AT(DoActionMessage, d, 0, 0);
VELM_ABI_AT(DoActionMessage, showDialog, 12, 24);
VELM_ABI_AT(DoActionMessage, param, 16, 32);
VELM_ABI_AT(DoActionMessage, userData, 20, 40);

VELM_ABI_SIZE(RealPoint, 8, 8);
VELM_ABI_AT(RealPoint, h, 0, 0);
VELM_ABI_AT(RealPoint, v, 4, 4);

VELM_ABI_SIZE(RealRect, 16, 16);
VELM_ABI_AT(RealRect, left, 0, 0);
VELM_ABI_AT(RealRect, top, 4, 4);
VELM_ABI_AT(RealRect, right, 8, 8);
VELM_ABI_AT(RealRect, bottom, 12, 12);

VELM_ABI_SIZE(RealMatrix, 24, 24);
VELM_ABI_AT(RealMatrix, a, 0, 0);
VELM_ABI_AT(RealMatrix, b, 4, 4);
VELM_ABI_AT(RealMatrix, c, 8, 8);
VELM_ABI_AT(RealMatrix, d, 12, 12);
VELM_ABI_AT(RealMatrix, tx, 16, 16);
VELM_ABI_AT(RealMatrix, ty, 20, 20);

VELM_ABI_SIZE(FixedPoint, 8, 8);
VELM_ABI_AT(FixedPoint, h, 0, 0);
VELM_ABI_AT(FixedPoint, v, 4, 4);

VELM_ABI_SIZE(FixedRect, 16, 16);
VELM_ABI_AT(FixedRect, left, 0, 0);
VELM_ABI_AT(FixedRect, top, 4, 4);
VELM_ABI_AT(FixedRect, right, 8, 8);
VELM_ABI_AT(FixedRect, bottom, 12, 12);

VELM_ABI_SIZE(Point, 8, 8);
VELM_ABI_AT(Point, h, 0, 0);
VELM_ABI_AT(Point, v, 4, 4);

VELM_ABI_SIZE(Rect, 16, 16);
VELM_ABI_AT(Rect, left, 0, 0);
VELM_ABI_AT(Rect, top, 4, 4);
VELM_ABI_AT(Rect, right, 8, 8);
VELM_ABI_AT(Rect, bottom, 12, 12);

#undef VELM_ABI_SIZE
#undef VELM_ABI_AT

}  // namespace host::abi
