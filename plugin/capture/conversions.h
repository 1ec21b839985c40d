// Conversions from the host's records of reals to the stream's records of 16.16 fixed
// values. Reals go through the host's fixed-math suite (nearest value, saturating), 32-bit
// flags and small integers keep their low 16 bits, and a handle is copied as a 32-bit
// value only where a pattern colour carries its reference (the writers put a pattern
// number or 0 there first); a gradient colour's reference field is always 0. Every function writes
// the whole stream record, so fields the host record does not fill stay zero.
#pragma once

#include <cstdint>

#include "artformat/art_objects.h"
#include "host/art_types.h"
#include "host/types.h"

namespace velm {

Fixed ConvertReal(host::Real value);

// Fills the five blend fields of an object header from the art's blend style (a field
// the host cannot report keeps its default: normal, opaque, off).
void StoreBlendFields(host::ArtHandle art, ObjectHeader* header);
host::FixedPoint ConvertPoint(const host::RealPoint& point);
host::FixedRect ConvertRect(const host::RealRect& rect);
FixedMatrix ConvertMatrix(const host::RealMatrix& matrix);

// A host colour by its kind. For a gradient colour, `anchor` (when given and neither half
// is kUnsetAnchor) becomes gradientAnchor; otherwise both halves are 0x80000000.
void ConvertColor(const host::Color& color, StoredColor* stored,
                  const host::RealPoint* anchor = nullptr);
void ConvertGradientStop(const host::GradientStop& stop, GradientStop* stored);
// The path style; only the fill colour may carry a gradient anchor.
void ConvertPathStyle(const host::PathStyle& style, StoredPathStyle* stored,
                      const host::RealPoint* fillAnchor = nullptr);
void ConvertSegment(const host::PathSegment& segment, PathSegment* stored);
// The segment with its anchor and control points moved by -origin, then converted.
void ConvertMovedSegment(const host::PathSegment& segment, const host::RealPoint& origin,
                         PathSegment* stored);

// The raster record into object offsets 24 … 47 (flags, pixel bounds, byte width, colour
// space, bits per pixel and the last 16-bit value).
void ConvertRasterRecord(const host::RasterRecord& info, RasterObject* stored);

// The attribute records of one text position, field by field in the host's order.
void ConvertCharacterAttributes(const host::CharacterAttributes& attributes,
                                CharacterAttributes* stored);
void ConvertFont(const host::TextFont& font, FontBlock* stored);
void ConvertParagraphAttributes(const host::ParagraphAttributes& attributes,
                                ParagraphAttributes* stored);
void ConvertTabStops(const host::TabStops& tabs, TabStops* stored);
Fixed ConvertRunValue(host::Real value);

}  // namespace velm
