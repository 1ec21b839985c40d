// LZSS decoding: coded streams expanded into a block of their own or straight into a
// record's final block.
#include <bit>
#include <cstring>

#include "database/busy.h"
#include "database/lzss.h"
#include "database/lzss_format.h"
#include "database/record.h"
#include "platform/memory.h"

namespace velm {

using namespace lzss;

namespace {

// Copies one match of `length` bytes from ring position `position` to out[o...].
inline std::uint32_t CopyMatch(std::uint8_t* out, std::uint32_t o, int position,
                               std::uint32_t length) {
  const int r = static_cast<int>((kFirstWrite + o) & kRingMask);
  const std::uint32_t d = static_cast<std::uint32_t>(((r - position - 1) & kRingMask) + 1);
  if (o < d) {
    // Reaches back before the first output byte, into the ring's initial zeros.
    for (std::uint32_t k = 0; k < length; ++k, ++o)
      out[o] = o >= d ? out[o - d] : 0;
  } else if (d == 1) {
    std::memset(out + o, out[o - 1], length);
    o += length;
  } else {
    // A source that overlaps the bytes being produced repeats with period d: copy it in
    // pieces of at most d bytes, none of which overlaps its destination.
    for (std::uint32_t left = length; left > 0;) {
      const std::uint32_t n = left < d ? left : d;
      std::memcpy(out + o, out + o - d, n);
      o += n;
      left -= n;
    }
  }
  return o;
}

constexpr std::uint32_t kLongestGroupOutput = 8 * kLongestMatch;
constexpr std::uint32_t kLongestGroupInput = 16;

// Room a whole group may write: its items and up to 8 bytes more, since matches are
// copied eight bytes at a time.
constexpr std::uint32_t kGroupRoom = kLongestGroupOutput + 8;

// Bytes of input a group may read: its items (at most 16 bytes) and up to 7 more, since
// a run of literals is copied eight bytes at a time.
constexpr std::uint32_t kGroupInputRead = kLongestGroupInput + 7;

inline void Copy8(std::uint8_t* to, const std::uint8_t* from) {
  std::memcpy(to, from, 8);
}

// Copies a match of `length` bytes d bytes back (1 <= d <= o) to out[o...], writing up
// to eight bytes past it, in eight-byte pieces none of which overlaps its source. A
// source closer than 8 bytes repeats with period d: its first eight bytes are made from
// the d bytes before (two four-byte copies where d >= 4, which do not overlap theirs;
// one repeated number where d is 1 or 2), and the rest copied from D = the least
// multiple of d of at least 8 bytes back, which holds the same bytes.
inline void CopyNearMatch(std::uint8_t* out, std::uint32_t o, std::uint32_t d,
                          std::uint32_t length) {
  std::uint8_t* to = out + o;
  std::uint32_t step = d;
  if (d < 8) {
    if (d >= 4) {
      std::memcpy(to, to - d, 4);
      std::memcpy(to + 4, to + 4 - d, 4);
    } else if (d == 1) {
      const std::uint64_t pattern = to[-1] * 0x0101010101010101u;
      std::memcpy(to, &pattern, 8);
    } else if (d == 2) {
      std::uint16_t pair;
      std::memcpy(&pair, to - 2, 2);
      const std::uint64_t pattern = pair * 0x0001000100010001u;
      std::memcpy(to, &pattern, 8);
    } else {
      for (int k = 0; k < 8; ++k)
        to[k] = to[k - 3];
    }
    step = d * ((8 + d - 1) / d);
    if (length <= 8) return;
    to += 8;
    length -= 8;
  }
  for (std::uint32_t k = 0; k < length; k += 8)
    Copy8(to + k, to + k - step);
}

// One whole group of eight items from input[in...] to out[o...], with at least
// kGroupInputRead bytes of input and kGroupRoom bytes of room: no checks per item. Each
// run of literals is one eight-byte copy and each match is copied in eight-byte pieces
// (the bytes past them are overwritten by the next items or lie in the group's room).
// Returns the new output length and advances `in`.
inline std::uint32_t DecodeGroup(const std::uint8_t* input, std::uint32_t& in, std::uint8_t* out,
                                 std::uint32_t o, unsigned flags) {
  for (int items = 8;;) {
    const int literals = std::countr_one(flags);  // the bits past the group's items are 0
    std::memcpy(out + o, input + in, 8);
    o += static_cast<std::uint32_t>(literals);
    in += static_cast<std::uint32_t>(literals);
    items -= literals;
    if (items == 0) return o;
    flags >>= literals + 1;
    --items;
    const int b0 = input[in];
    const int b1 = input[in + 1];
    in += 2;
    const int position = b0 | ((b1 & 0xF0) << 4);
    const auto length = static_cast<std::uint32_t>((b1 & 0x0F) + kThreshold + 1);
    const int r = static_cast<int>((kFirstWrite + o) & kRingMask);
    const auto d = static_cast<std::uint32_t>(((r - position - 1) & kRingMask) + 1);
    if (o < d) {
      o = CopyMatch(out, o, position, length);
    } else {
      if (d >= kLongestMatch) {
        // Far enough back not to overlap: one fixed-size copy.
        std::memcpy(out + o, out + o - d, kLongestMatch);
      } else {
        CopyNearMatch(out, o, d, length);
      }
      o += length;
    }
    if (items == 0) return o;
  }
}

// Where a decode writes: a fixed buffer (the output is cut at its end) or a block that
// grows when a group might not fit.
struct FixedRoom {
  std::uint8_t* out;
  std::uint32_t capacity;
  bool Grow(std::uint32_t, const std::uint8_t*, std::uint32_t) { return false; }
  bool failed() const { return false; }
};

// Expands the coded stream into `room`; returns the output length. A growable room's
// Grow(o, rest, restLength) is asked for room for everything from the group at `rest` on,
// after o output bytes, when fewer than kGroupRoom bytes are left; it returns false when
// it has none to give (a fixed room: the output is then cut at its end; a failed growth:
// the room records the failure and the decode stops).
template <typename Room>
std::uint32_t DecodeStream(const std::uint8_t* input, std::uint32_t inputLength, Room& room) {
  // The ring is not kept: output byte j was written at ring position (4078 + j) mod 4096,
  // so ring position p, read when the next output byte is o, holds output byte o - d with
  // d = ((4078 + o - p - 1) mod 4096) + 1, or the ring's initial zero when o - d < 0.
  std::uint32_t in = 0;
  std::uint32_t o = 0;
  while (in < inputLength) {
    if (room.capacity - o < kGroupRoom && !room.Grow(o, input + in, inputLength - in) &&
        room.failed()) {
      return o;
    }
    std::uint8_t* const out = room.out;
    const std::uint32_t capacity = room.capacity;
    unsigned flags = input[in++];
    if (inputLength - in >= kGroupInputRead && capacity - o >= kGroupRoom) {
      // A whole group with enough input and room: no checks per item.
      o = DecodeGroup(input, in, out, o, flags);
    } else {
      // Near the end of the input (which may stop inside an item) or of the room.
      for (int item = 0; item < 8; ++item, flags >>= 1) {
        if (in >= inputLength) break;
        if (flags & 1) {
          if (o == capacity) return o;
          out[o++] = input[in++];
        } else {
          const int b0 = input[in++];
          if (in >= inputLength) break;
          const int b1 = input[in++];
          std::uint32_t length = static_cast<std::uint32_t>((b1 & 0x0F) + kThreshold + 1);
          if (length > capacity - o) length = capacity - o;
          o = CopyMatch(out, o, b0 | ((b1 & 0xF0) << 4), length);
          if (o == capacity) return o;
        }
      }
    }
    AdvanceBusyCursor();
  }
  return o;
}

}  // namespace

std::uint64_t LzssDecodedLength(const std::uint8_t* input, std::uint32_t inputLength) {
  std::uint64_t length = 0;
  std::uint32_t in = 0;
  // Whole groups: every item's length is added without a branch (the b1 read for a
  // literal lies inside the group and is not used).
  while (inputLength - in > kLongestGroupInput) {
    unsigned flags = input[in++];
    if (flags == 0xFF) {
      length += 8;
      in += 8;
      continue;
    }
    const std::uint8_t* item = input + in;
    std::uint32_t at = 0;
    for (int k = 0; k < 8; ++k, flags >>= 1) {
      const unsigned literal = flags & 1;
      const unsigned matched = (item[at + 1] & 0x0Fu) + kThreshold + 1;
      length += literal ? 1 : matched;
      at += 2 - literal;
    }
    in += at;
  }
  // The last groups, which may stop inside an item (that item then gives nothing).
  while (in < inputLength) {
    unsigned flags = input[in++];
    for (int item = 0; item < 8 && in < inputLength; ++item, flags >>= 1) {
      if (flags & 1) {
        ++in;
        ++length;
      } else {
        if (inputLength - in < 2) return length;
        length += (input[in + 1] & 0x0Fu) + kThreshold + 1;
        in += 2;
      }
    }
  }
  return length;
}

std::uint32_t LzssDecodeInto(const std::uint8_t* input, std::uint32_t inputLength,
                             std::uint8_t* out, std::uint32_t capacity) {
  FixedRoom room{out, capacity};
  return DecodeStream(input, inputLength, room);
}

namespace {

// A coded stream at least this long is sized by a length pass before it is expanded (the
// pass costs little beside expanding it, and spares copying megabytes when the block
// grows); a shorter one (a thumbnail, a small art stream) is expanded straight into a
// block of its own length in whole granules, which a length pass of the rest enlarges
// only when it runs out.
constexpr std::uint32_t kSizedFirst = 128 * 1024;

// The output block of LzssDecode, grown once to the exact length of what is left.
class GrowingRoom {
 public:
  GrowingRoom(os::MemHandle& block, std::uint32_t granularity)
      : block_(block), granularity_(granularity) {
    Update();
  }
  std::uint8_t* out = nullptr;
  std::uint32_t capacity = 0;

  bool Grow(std::uint32_t o, const std::uint8_t* rest, std::uint32_t restLength) {
    if (sized_ || failed_) return false;
    sized_ = true;
    const std::uint64_t exact = o + LzssDecodedLength(rest, restLength);
    if (exact > 0xFFFFFFFFu) return Fail();
    if (exact <= capacity) return false;  // the end is decoded item by item
    const std::uint64_t wanted = exact + kGroupRoom;
    if (!GrowBlock(block_, static_cast<std::uint32_t>(wanted > 0xFFFFFFFFu ? exact : wanted),
                   granularity_)) {
      return Fail();
    }
    Update();
    return true;
  }
  // A first block of at least `length` bytes.
  void Reserve(std::uint32_t length) {
    if (capacity >= length) return;
    if (!GrowBlock(block_, length, granularity_)) {
      Fail();
      return;
    }
    Update();
  }
  bool failed() const { return failed_; }

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }
  void Update() {
    out = block_;
    capacity = block_ ? os::MemSize(block_) : 0;
  }

  os::MemHandle& block_;
  std::uint32_t granularity_;
  bool sized_ = false;
  bool failed_ = false;
};

}  // namespace

std::int64_t LzssDecode(const std::uint8_t* input, std::uint32_t inputLength, os::MemHandle& output,
                        std::uint32_t granularity) {
  if (inputLength == 0) return 0;
  GrowingRoom room(output, granularity);
  if (inputLength >= kSizedFirst) {
    room.Grow(0, input, inputLength);
  } else {
    room.Reserve(inputLength);
  }
  if (room.failed()) return -1;
  const std::uint32_t length = DecodeStream(input, inputLength, room);
  return room.failed() ? -1 : std::int64_t{length};
}

std::int32_t ExpandRecord(os::MemHandle& record, bool withArt) {
  if (!record || os::MemSize(record) < kRecordHeaderSize) return -1;
  const Record* header = RecordHeader(record);
  const std::uint32_t codedThumbnail = header->thumbnailLength;
  const std::uint32_t codedArt = withArt ? header->artLength : 0;
  if (codedThumbnail == 0) return -1;  // already expanded
  const std::uint32_t size = os::MemSize(record);
  if (std::uint64_t{kRecordHeaderSize} + codedThumbnail + codedArt > size) return -1;

  // A coded byte gives at most 9 bytes: only a longer thumbnail stream could expand past
  // 4 GiB, which is refused.
  if (codedThumbnail > 0xFFFFFFFFu / 9 &&
      LzssDecodedLength(record + kRecordHeaderSize, codedThumbnail) > 0xFFFFFFFFu) {
    return -1;
  }
  const std::uint64_t artLength =
      LzssDecodedLength(record + kRecordHeaderSize + codedThumbnail, codedArt);
  const std::uint64_t total = kEmptyRecordLength + artLength;
  if (total > 0x7FFFFFFF) return -1;

  // The final block: this one when it is large enough, else one of whole granules. The
  // coded bytes must not lie where the expanded record goes: in this block they move
  // behind its end when there is room, otherwise a fresh block of the same size is used.
  const std::uint32_t coded = codedThumbnail + codedArt;
  os::MemHandle target = record;
  const std::uint8_t* source = record + kRecordHeaderSize;
  if (total <= size && size - total >= coded) {
    std::memmove(record + size - coded, source, coded);
    source = record + size - coded;
  } else {
    const std::uint32_t targetSize =
        total <= size ? size : RoundToGranule(static_cast<std::uint32_t>(total), kRecordGranule);
    if (targetSize == 0) return -1;
    target = os::MemAlloc(targetSize);
    if (!target) return -1;
    std::memcpy(target, record, kRecordHeaderSize);
  }

  // A thumbnail that does not expand to exactly its size is cut to it or padded with
  // zeros: the picture may be wrong, but the record's art stays readable.
  const std::uint32_t kept =
      LzssDecodeInto(source, codedThumbnail, target + kThumbnailOffset, kThumbnailSize);
  std::memset(target + kThumbnailOffset + kept, 0, kThumbnailSize - kept);
  LzssDecodeInto(source + codedThumbnail, codedArt, target + kArtStreamOffset,
                 static_cast<std::uint32_t>(artLength));
  target[kArtStreamOffset + artLength] = 0;  // slack
  target[kArtStreamOffset + artLength + 1] = 0;
  Record* expanded = RecordHeader(target);
  expanded->thumbnailLength = 0;
  expanded->artLength = 0;
  expanded->recordLength = static_cast<std::int32_t>(total);
  if (target != record) {
    os::MemFree(record);
    record = target;
  }
  return 0;
}

}  // namespace velm
