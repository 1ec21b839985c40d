// LZSS coding of a record's thumbnail and art object stream: a 4096-byte ring that
// starts zero-filled, matches of 3 … 18 bytes found by a binary-tree match finder, and
// a stream of groups of a flag byte (read from its low bit up; 1 a literal byte, 0 a
// two-byte match b0 b1: ring position b0 | (b1 & 0xF0) << 4, length (b1 & 0x0F) + 3).
//
// The ring and the trees are module state: one encode or decode at a time, on the
// host's main thread.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace velm {

// Compresses `inputLength` bytes into `output`, which is grown (in whole `granularity`
// steps) to hold the result and written from its first byte. Returns the output length,
// or -1 when memory runs out (`output` may then hold a partial result; the caller still
// owns and releases it). An empty input gives 0 and leaves `output` as it is.
std::int64_t LzssEncode(const std::uint8_t* input, std::uint32_t inputLength, os::MemHandle& output,
                        std::uint32_t granularity);

// Expands `inputLength` coded bytes into `output` in the same way. Any input is safe:
// the decoder never reads or writes outside the buffers, and a stream that ends inside
// an item simply ends the output there. Returns the output length, or -1 when memory
// runs out or the output would pass 4 GiB.
std::int64_t LzssDecode(const std::uint8_t* input, std::uint32_t inputLength, os::MemHandle& output,
                        std::uint32_t granularity);

// The number of bytes `inputLength` coded bytes expand to (an item cut short by the end
// of the input gives nothing), without expanding them.
std::uint64_t LzssDecodedLength(const std::uint8_t* input, std::uint32_t inputLength);

// Expands `inputLength` coded bytes straight into `out`, which has room for `capacity`
// bytes: the output is the same as LzssDecode's, cut at `capacity`. Returns the number of
// bytes written. Nothing is written outside out[0 … capacity); `out` must not overlap the
// input.
std::uint32_t LzssDecodeInto(const std::uint8_t* input, std::uint32_t inputLength,
                             std::uint8_t* out, std::uint32_t capacity);

// Brings an expanded record (numbers already big-endian except recordLength,
// thumbnailLength and artLength, which are in host order) to stored form: the thumbnail
// and the art object stream coded right after the header, and the three lengths set.
// The block may move. Returns 0, or -1 when the record is not expanded, its recordLength
// does not fit the block, or memory runs out; the record is then unchanged.
std::int32_t CompressRecord(os::MemHandle& record);

// Brings a stored record (the same three lengths in host order) to expanded form: the
// thumbnail always, the art object stream only `withArt`. A thumbnail that does not
// expand to exactly 65536 bytes is cut to that size or padded with zeros. Both are
// expanded straight into the record's final block: the block itself when it is large
// enough (the coded bytes are first moved behind the expanded record's end), otherwise a
// new block of whole 2 MiB granules that replaces it. Returns 0, or -1 with the record
// unchanged when the record is not in stored form, its coded data does not lie inside the
// block, or memory runs out.
std::int32_t ExpandRecord(os::MemHandle& record, bool withArt);

}  // namespace velm
