// Conversions from the stream's records of 16.16 fixed values back to the host's records
// of reals: the inverses of the writer's conversions. Fixed values go through the host's
// fixed-math suite, stored 16-bit flags and enumerations are widened (sign-extended) to
// 32 bits, 32-bit values are copied. Every function fills the whole host record, so
// members the stream does not carry (handles, padding, the host's private bytes) are zero.
#pragma once

#include <cstdint>

#include "artformat/art_objects.h"
#include "host/art_types.h"
#include "host/types.h"

namespace velm {

host::Real RealFromFixed(Fixed value);
host::RealPoint PointFromStored(const host::FixedPoint& point);
host::RealRect RectFromStored(const host::FixedRect& rect);
host::RealMatrix MatrixFromStored(const FixedMatrix& matrix);

// A stored colour by its kind. Pattern and gradient colours get a null pattern or
// gradient reference (the loader puts the rebuilt one there). For a gradient colour,
// `anchor` (when given) receives the recorded gradient anchor, or kUnsetAnchor in both
// halves when either stored half is 0x80000000. Custom colours and kinds without values
// carry the kind only.
void ColorFromStored(const StoredColor& stored, host::Color* color,
                     host::RealPoint* anchor = nullptr);
void GradientStopFromStored(const GradientStop& stored, host::GradientStop* stop);
// The path style; only the fill colour reports a gradient anchor. A dash count outside
// 0 … 6 (only a damaged stream holds one) is brought into that range.
void PathStyleFromStored(const StoredPathStyle& stored, host::PathStyle* style,
                         host::RealPoint* fillAnchor = nullptr);
void SegmentFromStored(const PathSegment& stored, host::PathSegment* segment);

// The raster record from object offsets 24 … 47.
void RasterRecordFromStored(const RasterObject& stored, host::RasterRecord* info);

// The attribute records of one text run.
void CharacterAttributesFromStored(const CharacterAttributes& stored,
                                   host::CharacterAttributes* attributes);
// The font name is cut to 255 bytes and always NUL-terminated.
void FontFromStored(const FontBlock& stored, host::TextFont* font);
void ParagraphAttributesFromStored(const ParagraphAttributes& stored,
                                   host::ParagraphAttributes* attributes);
void TabStopsFromStored(const TabStops& stored, host::TabStops* tabs);
host::Real RunValueFromStored(Fixed value);

}  // namespace velm
