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
//
// The layouts: artformat/path_objects.h (what every object shares, paint, paths),
// artformat/text_objects.h and artformat/raster_mesh_objects.h; here, their byte-order
// conversions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "artformat/byte_order.h"
#include "artformat/path_objects.h"
#include "artformat/raster_mesh_objects.h"
#include "artformat/text_objects.h"
#include "host/types.h"

namespace velm {

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
