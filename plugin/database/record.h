// The record: one art-database entry in one memory block. A 424-byte header, then the
// 128 x 128 thumbnail and the art object stream. In memory a record is expanded and in
// host byte order; in a group file its numbers are big-endian and the thumbnail and art
// are compressed right after the header.
//
// Byte-order conversion walks the art object stream object by object (the per-object
// layouts and their conversions live in capture/art_objects.*). A stored count or length
// that would take the walk outside the record block makes the conversion refuse the
// whole record before it changes a single byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "artformat/byte_order.h"
#include "host/types.h"
#include "platform/os.h"

namespace velm {

// ---- Header ----

struct Record {
  std::int32_t objectCount;
  // Expanded: 65962 + length of the art object stream. Stored: 426 + both coded lengths.
  std::int32_t recordLength;
  // The captured art's bounds moved to the origin (left and bottom 0), 16.16 fixed point.
  host::FixedRect bounds;
  char name[64];
  char kind[64];
  char comment[256];
  std::uint32_t created;   // RecordTime
  std::uint32_t modified;  // RecordTime
  // Stored form: byte length of the coded thumbnail (never 0). Expanded form: 0.
  std::uint32_t thumbnailLength;
  // Stored form: byte length of the coded art object stream. Expanded form: 0.
  std::uint32_t artLength;
};

static_assert(sizeof(Record) == 424);
static_assert(offsetof(Record, objectCount) == 0);
static_assert(offsetof(Record, recordLength) == 4);
static_assert(offsetof(Record, bounds) + offsetof(host::FixedRect, left) == 8);
static_assert(offsetof(Record, bounds) + offsetof(host::FixedRect, top) == 12);
static_assert(offsetof(Record, bounds) + offsetof(host::FixedRect, right) == 16);
static_assert(offsetof(Record, bounds) + offsetof(host::FixedRect, bottom) == 20);
static_assert(offsetof(Record, name) == 24);
static_assert(offsetof(Record, kind) == 88);
static_assert(offsetof(Record, comment) == 152);
static_assert(offsetof(Record, created) == 408);
static_assert(offsetof(Record, modified) == 412);
static_assert(offsetof(Record, thumbnailLength) == 416);
static_assert(offsetof(Record, artLength) == 420);

inline constexpr std::uint32_t kRecordHeaderSize = 424;
// What a group-file scan and an in-place header rewrite read and write.
inline constexpr std::uint32_t kRecordHeaderPrefix = 416;
inline constexpr std::uint32_t kThumbnailOffset = 424;
inline constexpr std::uint32_t kThumbnailSize = 65536;
inline constexpr std::uint32_t kArtStreamOffset = kThumbnailOffset + kThumbnailSize;  // 65960
// Two bytes of slack end every record, counted in recordLength.
inline constexpr std::uint32_t kRecordSlack = 2;
inline constexpr std::uint32_t kEmptyRecordLength = kArtStreamOffset + kRecordSlack;  // 65962

// The header at the start of a record block (blocks are 16-byte aligned).
inline Record* RecordHeader(os::MemHandle record) {
  return reinterpret_cast<Record*>(record);
}

// A zero-filled expanded record with no objects (recordLength 65962), in a block of
// whole 2 MiB granules; null when memory runs out.
os::MemHandle NewEmptyRecord();

// Converts the header fields objectCount, recordLength, bounds, created and modified.
// thumbnailLength and artLength are handled around compression instead.
void RecordHeaderSwap(Record* header);

// Converts an expanded record in host order to big-endian: every object of the art
// object stream (payload first, then its header), then the header fields. Returns 0, or
// -1 without changing anything when the record is not an expanded record
// (thumbnailLength not 0), its recordLength does not fit the block, or an object's
// length or a count inside it would reach outside the stream.
std::int32_t RecordToFileOrder(os::MemHandle record);

// Converts the header fields from big-endian to host order and, with `withObjects` (the
// whole record was read and expanded), the objectCount objects from offset 65960. Returns
// 0, or -1 without changing anything on the same faults as RecordToFileOrder (the header
// alone never fails in a block of at least 424 bytes).
std::int32_t RecordToHostOrder(os::MemHandle record, bool withObjects);

// ---- Around compression ----

// Brings an expanded record in host order to its stored form in place: file byte
// order, then compression with the three length fields handled in host order. Returns
// 0, or -1 (damaged record or out of memory) with the record as it was.
std::int32_t RecordToStoredForm(os::MemHandle& record);

// Brings a stored record to its expanded form in host order: the thumbnail is expanded
// and the header converted; with `withArt` the art object stream is expanded and its
// objects converted too. Returns 0, or -1 when the coded data is damaged or memory runs
// out (the record is left in stored form), or when the expanded art object stream is
// damaged (the block is then released and the handle cleared, since it holds neither
// form).
std::int32_t RecordFromStoredForm(os::MemHandle& record, bool withArt);

}  // namespace velm
