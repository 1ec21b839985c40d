#include "database/lzss.h"

#include <cstring>

#include "database/busy.h"
#include "database/record.h"
#include "platform/memory.h"

namespace velm {

namespace {

constexpr int kRingSize = 4096;    // N
constexpr int kLongestMatch = 18;  // F
constexpr int kThreshold = 2;      // matches this short go out as literals
constexpr int kNil = kRingSize;    // empty tree link
constexpr int kRingMask = kRingSize - 1;
constexpr int kFirstWrite = kRingSize - kLongestMatch;  // 4078

// The ring (with a mirror of its first 17 bytes behind it, so that comparisons run past
// the end), the match finder's trees (children and parents of every ring position, and
// 256 root slots, one per first byte, at 4097 … 4352) and the last match found.
struct CoderState {
  std::uint8_t ring[kRingSize + kLongestMatch - 1];
  int left[kRingSize + 1];
  int right[kRingSize + 257];
  int parent[kRingSize + 1];
  int matchPosition;
  int matchLength;
};

CoderState gCoder;

void InitTrees(CoderState& c) {
  for (int i = kRingSize + 1; i <= kRingSize + 256; ++i)
    c.right[i] = kNil;
  for (int i = 0; i < kRingSize; ++i)
    c.parent[i] = kNil;
}

// Hangs the string at ring position r in the tree of its first byte, recording the
// longest match met on the way; a string equal over all 18 bytes replaces the old node.
void InsertNode(CoderState& c, int r) {
  const std::uint8_t* key = &c.ring[r];
  int cmp = 1;
  int p = kRingSize + 1 + key[0];
  c.right[r] = c.left[r] = kNil;
  c.matchLength = 0;
  for (;;) {
    if (cmp >= 0) {
      if (c.right[p] != kNil) {
        p = c.right[p];
      } else {
        c.right[p] = r;
        c.parent[r] = p;
        return;
      }
    } else {
      if (c.left[p] != kNil) {
        p = c.left[p];
      } else {
        c.left[p] = r;
        c.parent[r] = p;
        return;
      }
    }
    int i = 1;
    for (; i < kLongestMatch; ++i) {
      cmp = key[i] - c.ring[p + i];
      if (cmp != 0) break;
    }
    if (i > c.matchLength) {
      c.matchPosition = p;
      c.matchLength = i;
      if (i >= kLongestMatch) break;
    }
  }
  // r takes over p's place.
  c.parent[r] = c.parent[p];
  c.left[r] = c.left[p];
  c.right[r] = c.right[p];
  c.parent[c.left[p]] = r;
  c.parent[c.right[p]] = r;
  if (c.right[c.parent[p]] == p) {
    c.right[c.parent[p]] = r;
  } else {
    c.left[c.parent[p]] = r;
  }
  c.parent[p] = kNil;
}

void DeleteNode(CoderState& c, int p) {
  if (c.parent[p] == kNil) return;
  int q;
  if (c.right[p] == kNil) {
    q = c.left[p];
  } else if (c.left[p] == kNil) {
    q = c.right[p];
  } else {
    // Splice in the rightmost node of the left subtree.
    q = c.left[p];
    if (c.right[q] != kNil) {
      do {
        q = c.right[q];
      } while (c.right[q] != kNil);
      c.right[c.parent[q]] = c.left[q];
      c.parent[c.left[q]] = c.parent[q];
      c.left[q] = c.left[p];
      c.parent[c.left[p]] = q;
    }
    c.right[q] = c.right[p];
    c.parent[c.right[p]] = q;
  }
  c.parent[q] = c.parent[p];
  if (c.right[c.parent[p]] == p) {
    c.right[c.parent[p]] = q;
  } else {
    c.left[c.parent[p]] = q;
  }
  c.parent[p] = kNil;
}

// Appends bytes to a growable output block.
class Sink {
 public:
  Sink(os::MemHandle& block, std::uint32_t granularity)
      : block_(block), granularity_(granularity), capacity_(block ? os::MemSize(block) : 0) {}

  std::uint32_t length() const { return length_; }

  bool Append(const std::uint8_t* bytes, std::uint32_t count) {
    if (!Reserve(count)) return false;
    std::memcpy(block_ + length_, bytes, count);
    length_ += count;
    return true;
  }

  bool Put(std::uint8_t byte) {
    if (!Reserve(1)) return false;
    block_[length_++] = byte;
    return true;
  }

  // Room for `count` more bytes after the current length.
  bool Reserve(std::uint32_t count) {
    if (count <= capacity_ - length_) return true;
    if (count > 0xFFFFFFFFu - length_) return false;
    if (!GrowBlock(block_, length_ + count, granularity_)) return false;
    capacity_ = os::MemSize(block_);
    return true;
  }
  std::uint8_t* data() { return block_; }
  std::uint32_t Room() const { return capacity_ - length_; }
  void SetLength(std::uint32_t length) { length_ = length; }

 private:
  os::MemHandle& block_;
  std::uint32_t granularity_;
  std::uint32_t capacity_;
  std::uint32_t length_ = 0;
};

}  // namespace

std::int64_t LzssEncode(const std::uint8_t* input, std::uint32_t inputLength, os::MemHandle& output,
                        std::uint32_t granularity) {
  CoderState& c = gCoder;
  InitTrees(c);
  std::memset(c.ring, 0, sizeof c.ring);
  c.matchPosition = 0;
  c.matchLength = 0;

  Sink sink(output, granularity);
  std::uint8_t code[17];  // flag byte and up to eight items of two bytes
  code[0] = 0;
  std::uint32_t codeLength = 1;
  std::uint8_t mask = 1;
  int s = 0;
  int r = kFirstWrite;
  std::uint32_t in = 0;

  int len = 0;
  while (len < kLongestMatch && in < inputLength)
    c.ring[r + len++] = input[in++];
  if (len == 0) return 0;
  for (int i = 1; i <= kLongestMatch; ++i)
    InsertNode(c, r - i);
  InsertNode(c, r);

  do {
    if (c.matchLength > len) c.matchLength = len;
    if (c.matchLength <= kThreshold) {
      c.matchLength = 1;
      code[0] |= mask;
      code[codeLength++] = c.ring[r];
    } else {
      code[codeLength++] = static_cast<std::uint8_t>(c.matchPosition);
      code[codeLength++] = static_cast<std::uint8_t>(((c.matchPosition >> 4) & 0xF0) |
                                                     (c.matchLength - (kThreshold + 1)));
    }
    mask = static_cast<std::uint8_t>(mask << 1);
    if (mask == 0) {
      if (!sink.Append(code, codeLength)) return -1;
      code[0] = 0;
      codeLength = 1;
      mask = 1;
    }
    const int consumed = c.matchLength;
    int i = 0;
    for (; i < consumed && in < inputLength; ++i) {
      DeleteNode(c, s);
      const std::uint8_t byte = input[in++];
      c.ring[s] = byte;
      if (s < kLongestMatch - 1) c.ring[s + kRingSize] = byte;
      s = (s + 1) & kRingMask;
      r = (r + 1) & kRingMask;
      InsertNode(c, r);
    }
    // The input has run out: let the look-ahead drain.
    while (i++ < consumed) {
      DeleteNode(c, s);
      s = (s + 1) & kRingMask;
      r = (r + 1) & kRingMask;
      if (--len) InsertNode(c, r);
    }
    AdvanceBusyCursor();
  } while (len > 0);

  if (codeLength > 1 && !sink.Append(code, codeLength)) return -1;
  return sink.length();
}

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

// The number of bytes the coded input expands to, counted as the decoder below produces
// them (an item cut short by the end of the input gives nothing). Sizing the output once
// from it keeps a long stream from being copied again at every granule it grows by.
std::uint64_t DecodedLength(const std::uint8_t* input, std::uint32_t inputLength) {
  std::uint64_t length = 0;
  std::uint32_t in = 0;
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

}  // namespace

std::int64_t LzssDecode(const std::uint8_t* input, std::uint32_t inputLength, os::MemHandle& output,
                        std::uint32_t granularity) {
  // The ring is not kept: output byte j was written at ring position (4078 + j) mod 4096,
  // so ring position p, read when the next output byte is o, holds output byte o - d with
  // d = ((4078 + o - p - 1) mod 4096) + 1, or the ring's initial zero when o - d < 0.
  Sink sink(output, granularity);
  std::uint32_t in = 0;
  std::uint32_t o = 0;
  const std::uint64_t expected = DecodedLength(input, inputLength);
  if (expected > 0xFFFFFFFFu || !sink.Reserve(static_cast<std::uint32_t>(expected))) return -1;

  while (in < inputLength) {
    unsigned flags = input[in++];
    if (inputLength - in >= kLongestGroupInput && sink.Room() >= kLongestGroupOutput) {
      // A whole group with enough input and room: no checks per item.
      std::uint8_t* out = sink.data();
      for (int item = 0; item < 8; ++item, flags >>= 1) {
        if (flags & 1) {
          out[o++] = input[in++];
        } else {
          const int b0 = input[in];
          const int b1 = input[in + 1];
          in += 2;
          const int position = b0 | ((b1 & 0xF0) << 4);
          const auto length = static_cast<std::uint32_t>((b1 & 0x0F) + kThreshold + 1);
          const int r = static_cast<int>((kFirstWrite + o) & kRingMask);
          const auto d = static_cast<std::uint32_t>(((r - position - 1) & kRingMask) + 1);
          if (o >= d && d >= kLongestMatch) {
            // Far enough back not to overlap: one fixed-size copy (the group's room
            // absorbs the bytes past the match, which later items overwrite).
            std::memcpy(out + o, out + o - d, kLongestMatch);
            o += length;
          } else {
            o = CopyMatch(out, o, position, length);
          }
        }
      }
      sink.SetLength(o);
    } else {
      // Near the end of the input (which may stop inside an item) or of the block.
      for (int item = 0; item < 8; ++item, flags >>= 1) {
        if (in >= inputLength) break;
        if (flags & 1) {
          if (!sink.Reserve(1)) return -1;
          sink.data()[o++] = input[in++];
        } else {
          const int b0 = input[in++];
          if (in >= inputLength) break;
          const int b1 = input[in++];
          const std::uint32_t length = static_cast<std::uint32_t>((b1 & 0x0F) + kThreshold + 1);
          if (!sink.Reserve(length)) return -1;
          o = CopyMatch(sink.data(), o, b0 | ((b1 & 0xF0) << 4), length);
        }
        sink.SetLength(o);
      }
    }
    AdvanceBusyCursor();
  }
  return sink.length();
}

std::int32_t CompressRecord(os::MemHandle& record) {
  if (!record || os::MemSize(record) < kEmptyRecordLength) return -1;
  const Record* header = RecordHeader(record);
  if (header->thumbnailLength != 0) return -1;
  const std::int32_t recordLength = header->recordLength;
  if (recordLength < static_cast<std::int32_t>(kEmptyRecordLength) ||
      static_cast<std::uint32_t>(recordLength) > os::MemSize(record)) {
    return -1;
  }

  os::MemHandle thumbnail = nullptr;
  os::MemHandle art = nullptr;
  const std::int64_t thumbnailLength =
      LzssEncode(record + kThumbnailOffset, kThumbnailSize, thumbnail, kListGranule);
  const std::int64_t artLength =
      thumbnailLength < 0
          ? -1
          : LzssEncode(record + kArtStreamOffset,
                       static_cast<std::uint32_t>(recordLength) - kEmptyRecordLength, art,
                       kRecordGranule);
  const std::int64_t total = kRecordHeaderSize + kRecordSlack + thumbnailLength + artLength;
  const bool done = thumbnailLength >= 0 && artLength >= 0 && total <= 0x7FFFFFFF &&
                    GrowBlock(record, static_cast<std::uint32_t>(total), kRecordGranule);
  if (done) {
    std::uint8_t* at = record + kRecordHeaderSize;
    if (thumbnailLength > 0) std::memcpy(at, thumbnail, static_cast<std::size_t>(thumbnailLength));
    at += thumbnailLength;
    if (artLength > 0) std::memcpy(at, art, static_cast<std::size_t>(artLength));
    at += artLength;
    at[0] = at[1] = 0;  // padding
    Record* stored = RecordHeader(record);
    stored->thumbnailLength = static_cast<std::uint32_t>(thumbnailLength);
    stored->artLength = static_cast<std::uint32_t>(artLength);
    stored->recordLength = static_cast<std::int32_t>(total);
  }
  ReleaseBlock(thumbnail);
  ReleaseBlock(art);
  return done ? 0 : -1;
}

std::int32_t ExpandRecord(os::MemHandle& record, bool withArt) {
  if (!record || os::MemSize(record) < kRecordHeaderSize) return -1;
  const Record* header = RecordHeader(record);
  const std::uint32_t codedThumbnail = header->thumbnailLength;
  const std::uint32_t codedArt = withArt ? header->artLength : 0;
  if (codedThumbnail == 0) return -1;  // already expanded
  if (std::uint64_t{kRecordHeaderSize} + codedThumbnail + codedArt > os::MemSize(record)) {
    return -1;
  }

  os::MemHandle thumbnail = nullptr;
  os::MemHandle art = nullptr;
  const std::int64_t thumbnailLength =
      LzssDecode(record + kRecordHeaderSize, codedThumbnail, thumbnail, kListGranule);
  std::int64_t artLength = 0;
  if (thumbnailLength >= 0 && withArt) {
    artLength =
        LzssDecode(record + kRecordHeaderSize + codedThumbnail, codedArt, art, kRecordGranule);
  }
  const std::int64_t total = kEmptyRecordLength + artLength;
  const bool done = thumbnailLength >= 0 && artLength >= 0 && total <= 0x7FFFFFFF &&
                    GrowBlock(record, static_cast<std::uint32_t>(total), kRecordGranule);
  if (done) {
    // A thumbnail that does not expand to exactly its size is cut to it or padded with
    // zeros: the picture may be wrong, but the record's art stays readable.
    const std::size_t kept = thumbnailLength < kThumbnailSize
                                 ? static_cast<std::size_t>(thumbnailLength)
                                 : std::size_t{kThumbnailSize};
    if (kept > 0) std::memcpy(record + kThumbnailOffset, thumbnail, kept);
    std::memset(record + kThumbnailOffset + kept, 0, kThumbnailSize - kept);
    if (artLength > 0) {
      std::memcpy(record + kArtStreamOffset, art, static_cast<std::size_t>(artLength));
    }
    record[kArtStreamOffset + artLength] = 0;  // slack
    record[kArtStreamOffset + artLength + 1] = 0;
    Record* expanded = RecordHeader(record);
    expanded->thumbnailLength = 0;
    expanded->artLength = 0;
    expanded->recordLength = static_cast<std::int32_t>(total);
  }
  ReleaseBlock(thumbnail);
  ReleaseBlock(art);
  return done ? 0 : -1;
}

}  // namespace velm
