#include "database/lzss.h"
#include "database/lzss_format.h"

#include <array>
#include <bit>
#include <cstring>

#include "database/busy.h"
#include "database/record.h"
#include "platform/memory.h"

namespace velm {

using namespace lzss;

namespace {

constexpr int kNil = kRingSize;  // empty tree link

// The last walk down each tree, so that the next walk down the same tree can start
// where it leaves that walk's way: where a tree has degenerated into a chain (a smooth
// gradient), consecutive strings that start with the same byte take the same way for
// most of their walks, and finding where they part takes a few comparisons instead of a
// dependent read per node. Step j holds the node the walk met j-th, the nearest nodes
// above it where the walk went to the greater (`low`) and to the smaller (`high`) child,
// kNil where there is none, and how often the direction turned before it. A key lies
// strictly between the strings of step j's `low` and `high` exactly when its walk meets
// step j's node (the intervals shrink step by step). Each step's node is the child of
// the step before it, and the root's greater child the first; the last step's children
// are read afresh. A node that leaves the tree or takes another's place cuts the path
// before it. Slots are shared by first bytes 64 apart; `tree` says whose path a slot
// holds.
constexpr int kPathSlots = 64;
constexpr int kPathLength = 256;
constexpr int kLongWalk = 16;
// Paths are kept while walks meet at least kFollowUntil nodes on average, from an average
// of kFollowFrom on, counted over spans of at least kFollowSpan input bytes.
constexpr std::uint32_t kFollowFrom = 16;
constexpr std::uint32_t kFollowUntil = 12;
constexpr std::uint32_t kFollowSpan = 256;

struct Step {
  std::uint16_t node;
  std::uint16_t low;
  std::uint16_t high;
  std::uint16_t turns;
};

struct Path {
  int length;
  Step step[kPathLength];
};

// The ring (with a mirror of its first 17 bytes behind it, so that comparisons run past
// the end), the match finder's trees and the last match found. kid[0][p] and kid[1][p]
// are the smaller and the greater-or-equal child of ring position p, in two arrays: a walk
// along a chain (which a smooth gradient makes) reads only one of them, half the memory;
// 256 root slots, one per first byte, sit at 4097 … 4352 (only their greater child is
// used). parent[p] is kNil for a position not in a tree. pathDepth[p] is p's step in its
// tree's path, if the path's step there is p.
struct CoderState {
  std::uint8_t ring[kRingSize + kLongestMatch - 1];
  int kid[2][kRingSize + 257];
  int parent[kRingSize + 1];
  int matchPosition;
  int matchLength;
  bool turning;                       // the last walk's direction turned often
  bool following;                     // walks follow their trees' paths
  std::uint32_t walkSteps;            // the nodes walks met since the span began
  std::int16_t pathTree[kPathSlots];  // the tree whose path a slot holds, or -1
  Path paths[kPathSlots];
  std::uint16_t pathDepth[kRingSize];
};

CoderState gCoder;

void InitTrees(CoderState& c) {
  for (int i = kRingSize + 1; i <= kRingSize + 256; ++i)
    c.kid[1][i] = kNil;
  for (int i = 0; i < kRingSize; ++i)
    c.parent[i] = kNil;
  c.following = false;
  c.walkSteps = 0;
}

// Cuts the path of p's tree before p, which is about to leave its place (the node above
// it gets another child).
[[gnu::noinline]] void CutPathAt(CoderState& c, int p) {
  const int tree = c.ring[p];
  const int slot = tree & (kPathSlots - 1);
  if (c.pathTree[slot] != tree) return;
  Path& path = c.paths[slot];
  const int depth = c.pathDepth[p];
  if (depth < path.length && path.step[depth].node == p) path.length = depth;
}

// r takes over p's place in the tree (its string is p's).
[[gnu::always_inline]] inline void ReplaceNode(CoderState& c, int p, int r) {
  if (c.following) CutPathAt(c, p);
  c.parent[r] = c.parent[p];
  c.kid[0][r] = c.kid[0][p];
  c.kid[1][r] = c.kid[1][p];
  c.parent[c.kid[0][p]] = r;
  c.parent[c.kid[1][p]] = r;
  const int up = c.parent[p];
  if (c.kid[1][up] == p) {
    c.kid[1][up] = r;
  } else {
    c.kid[0][up] = r;
  }
  c.parent[p] = kNil;
}

// Eight bytes as a number whose order is the bytes' dictionary order.
std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(p[0]) << 56 | static_cast<std::uint64_t>(p[1]) << 48 |
         static_cast<std::uint64_t>(p[2]) << 40 | static_cast<std::uint64_t>(p[3]) << 32 |
         static_cast<std::uint64_t>(p[4]) << 24 | static_cast<std::uint64_t>(p[5]) << 16 |
         static_cast<std::uint64_t>(p[6]) << 8 | static_cast<std::uint64_t>(p[7]);
}

// Compares bytes 1 … 17 of the key (bytes 1 … 8 and 9 … 16 as numbers) with the
// candidate's: the index of the first that differs, or kLongestMatch where none does, and
// whether the key's is the greater.
struct Order {
  int equal;
  int greater;
};

inline Order Compare(const std::uint8_t* key, std::uint64_t key1, std::uint64_t key9,
                     const std::uint8_t* candidate) {
  if (const std::uint64_t word1 = LoadBigEndian64(candidate + 1); word1 != key1)
    return {1 + (std::countl_zero(word1 ^ key1) >> 3), key1 > word1};
  if (const std::uint64_t word9 = LoadBigEndian64(candidate + 9); word9 != key9)
    return {9 + (std::countl_zero(word9 ^ key9) >> 3), key9 > word9};
  const int last = kLongestMatch - 1;
  if (key[last] != candidate[last]) return {last, key[last] > candidate[last]};
  return {kLongestMatch, 0};
}

// Hangs the string at ring position r in the tree of its first byte, recording the
// longest match met on the way (the first one met of the longest length); a string equal
// over all 18 bytes takes the old node's place. Bytes 1 … 16 are compared eight at a time
// as big-endian numbers (their order is the strings' order), byte 17 alone; the branching
// walk first compares byte 1 alone, since where a tree has degenerated into a chain (a
// smooth gradient: every pixel's string starts with its zero byte and the next one
// differs) nearly every node differs there and the byte settles it soonest.
//
// The walk starts at the deepest step of the tree's last walk that it also meets (see
// Path). The nodes above it are never read: every one of them lies outside that step's
// interval, so none is longer equal to the key than the interval's two ends, and where
// the longest match is that long the path is searched from the top for the first one.
//
// `kFlat` walks down without a branch on the direction: both children are read as soon
// as a node is reached and the comparison's result picks one arithmetically. That wins
// where the directions cannot be predicted (data without structure); the branching walk
// wins where they can, above all along a chain. Both make the same comparisons and leave
// the same tree. The walk notes whether its direction turned at more than a quarter of
// its nodes (`turning`), which tells the two kinds of data apart.
template <bool kFlat, bool kPath>
[[gnu::always_inline]] inline void Walk(CoderState& c, int r, Path& path) {
  const std::uint8_t* key = &c.ring[r];
  const std::uint64_t key1 = LoadBigEndian64(key + 1);
  const std::uint64_t key9 = LoadBigEndian64(key + 9);
  const int root = kRingSize + 1 + key[0];

  // Whether the key lies strictly inside step j's interval.
  auto inside = [&](int j) {
    const Step& step = path.step[j];
    if (step.low != kNil) {
      const Order order = Compare(key, key1, key9, &c.ring[step.low]);
      if (order.equal == kLongestMatch || !order.greater) return false;
    }
    if (step.high != kNil) {
      const Order order = Compare(key, key1, key9, &c.ring[step.high]);
      if (order.equal == kLongestMatch || order.greater) return false;
    }
    return true;
  };
  int depth = 0;  // the step of the node the walk meets next
  if (const int known = path.length; kPath && known > 1) {
    // From the last step up in growing strides, then halving the gap.
    int in = 0;
    int out = known;
    for (int stride = 1; stride < known; stride *= 2) {
      if (inside(known - stride)) {
        in = known - stride;
        break;
      }
      out = known - stride;
    }
    while (out - in > 1) {
      const int middle = in + (out - in) / 2;
      if (inside(middle)) {
        in = middle;
      } else {
        out = middle;
      }
    }
    depth = in;
  }

  int p = root;
  int next = c.kid[1][root];
  c.kid[0][r] = c.kid[1][r] = kNil;
  int greater = 1;  // the last comparison's result was greater or equal
  int low = kNil;
  int high = kNil;
  int turns = 0;
  int best = 0;
  int prefixBest = -1;  // the longest match above the starting step, if any
  int position = c.matchPosition;
  if (depth > 0) {
    const Step& step = path.step[depth];
    p = path.step[depth - 1].node;
    next = step.node;
    low = step.low;
    high = step.high;
    greater = low == p;
    turns = step.turns;
    for (const int end : std::array<int, 2>{low, high}) {
      if (end == kNil) continue;
      const int equal = Compare(key, key1, key9, &c.ring[end]).equal;
      if (equal > best) {
        best = equal;
        position = end;
      }
    }
    prefixBest = best;
  }
  int steps = depth;

  for (;;) {
    if (next == kNil) {
      c.kid[greater][p] = r;
      c.parent[r] = p;
      if constexpr (kPath) {
        if (depth < kPathLength) {
          path.step[depth] = {static_cast<std::uint16_t>(r), static_cast<std::uint16_t>(low),
                              static_cast<std::uint16_t>(high), static_cast<std::uint16_t>(turns)};
          c.pathDepth[r] = static_cast<std::uint16_t>(depth++);
        }
        path.length = depth < kPathLength ? depth : kPathLength;
        if (best == prefixBest && best > kThreshold) {
          // The longest match lies above the starting step: the first one met.
          for (int j = 0;; ++j) {
            const int node = path.step[j].node;
            if (Compare(key, key1, key9, &c.ring[node]).equal == best) {
              position = node;
              break;
            }
          }
        }
      }
      c.matchPosition = position;
      c.matchLength = best;
      c.turning = turns * 4 > steps;
      c.walkSteps += static_cast<std::uint32_t>(steps);
      return;
    }
    p = next;
    ++steps;
    if constexpr (kPath) {
      if (depth < kPathLength) {
        path.step[depth] = {static_cast<std::uint16_t>(p), static_cast<std::uint16_t>(low),
                            static_cast<std::uint16_t>(high), static_cast<std::uint16_t>(turns)};
        c.pathDepth[p] = static_cast<std::uint16_t>(depth);
      }
      ++depth;
    }
    const int before = greater;
    int smaller = kNil;
    int larger = kNil;
    if constexpr (kFlat) {
      smaller = c.kid[0][p];
      larger = c.kid[1][p];
    }
    const std::uint8_t* candidate = &c.ring[p];
    int i;
    if (!kFlat && key[1] != candidate[1]) {
      i = 1;
      greater = key[1] > candidate[1];
    } else if (const std::uint64_t word1 = LoadBigEndian64(candidate + 1); word1 != key1) {
      i = 1 + (std::countl_zero(word1 ^ key1) >> 3);
      greater = key1 > word1;
    } else if (const std::uint64_t word9 = LoadBigEndian64(candidate + 9); word9 != key9) {
      i = 9 + (std::countl_zero(word9 ^ key9) >> 3);
      greater = key9 > word9;
    } else if (key[kLongestMatch - 1] != candidate[kLongestMatch - 1]) {
      i = kLongestMatch - 1;
      greater = key[i] > candidate[i];
    } else {
      break;
    }
    if (i > best) {
      position = p;
      best = i;
    }
    turns += greater ^ before;
    if constexpr (kPath) {
      if (greater) {
        low = p;
      } else {
        high = p;
      }
    }
    if constexpr (kFlat) {
      next = smaller ^ ((smaller ^ larger) & -greater);
    } else if (greater) {
      next = c.kid[1][p];
    } else {
      next = c.kid[0][p];
    }
  }
  // Equal over all 18 bytes: r takes p's place, and p's step.
  c.matchPosition = p;
  c.matchLength = kLongestMatch;
  c.turning = turns * 4 > steps;
  c.walkSteps += static_cast<std::uint32_t>(steps);
  ReplaceNode(c, p, r);
  if constexpr (kPath) {
    --depth;
    if (depth < kPathLength) {
      path.step[depth].node = static_cast<std::uint16_t>(r);
      c.pathDepth[r] = static_cast<std::uint16_t>(depth++);
    }
    path.length = depth < kPathLength ? depth : kPathLength;
  }
}

// Inserts ring position r. When the last walk found no more than one equal byte (or its
// byte went out as a literal) and its direction kept turning, the data looks like it has
// no structure, and the walk without direction branches is the faster.
//
// While the walks are long on average (`following`), a tree's walks follow its path (see
// Path) as long as they stay long; a walk that is not followed, or not long, is not noted
// down. Where walks are short (text, random bytes) no path is kept at all.
void InsertAlongPaths(CoderState& c, int r, bool flat);

void InsertNode(CoderState& c, int r) {
  Path& none = c.paths[0];
  if (c.following) {
    InsertAlongPaths(c, r, c.matchLength <= 1 && c.turning);
  } else if (c.matchLength <= 1 && c.turning) {
    Walk<true, false>(c, r, none);
  } else {
    Walk<false, false>(c, r, none);
  }
}

// Decides at the end of a span of `bytes` input bytes whether walks follow paths.
void ChooseFollowing(CoderState& c, std::uint32_t bytes) {
  const bool follow = c.walkSteps >= (c.following ? kFollowUntil : kFollowFrom) * bytes;
  if (follow && !c.following) {
    for (std::int16_t& tree : c.pathTree)
      tree = -1;
  }
  c.following = follow;
  c.walkSteps = 0;
}

[[gnu::noinline]] void InsertAlongPaths(CoderState& c, int r, bool flat) {
  const int tree = c.ring[r];
  const int slot = tree & (kPathSlots - 1);
  Path& path = c.paths[slot];
  const bool follow = c.pathTree[slot] == tree;
  const std::uint32_t before = c.walkSteps;
  if (follow) {
    flat ? Walk<true, true>(c, r, path) : Walk<false, true>(c, r, path);
  } else {
    flat ? Walk<true, false>(c, r, path) : Walk<false, false>(c, r, path);
  }
  if (c.walkSteps - before >= kLongWalk) {
    if (!follow) {
      c.pathTree[slot] = static_cast<std::int16_t>(tree);
      path.length = 0;
    }
  } else if (follow) {
    c.pathTree[slot] = -1;
  }
}

[[gnu::noinline]] void DeleteNode(CoderState& c, int p) {
  if (c.parent[p] == kNil) return;
  if (c.following) CutPathAt(c, p);
  int q;
  if (c.kid[1][p] == kNil) {
    q = c.kid[0][p];
  } else if (c.kid[0][p] == kNil) {
    q = c.kid[1][p];
  } else {
    // Splice in the rightmost node of the left subtree.
    q = c.kid[0][p];
    if (c.kid[1][q] != kNil) {
      do {
        q = c.kid[1][q];
      } while (c.kid[1][q] != kNil);
      c.kid[1][c.parent[q]] = c.kid[0][q];
      c.parent[c.kid[0][q]] = c.parent[q];
      c.kid[0][q] = c.kid[0][p];
      c.parent[c.kid[0][p]] = q;
    }
    c.kid[1][q] = c.kid[1][p];
    c.parent[c.kid[1][p]] = q;
  }
  c.parent[q] = c.parent[p];
  const int up = c.parent[p];
  c.kid[c.kid[1][up] == p ? 1 : 0][up] = q;
  c.parent[p] = kNil;
}

// The farthest match a run may continue from: its nodes and the bytes compared must lie
// clear of the 18 ring positions the run overwrites.
constexpr int kFarthestRun = kRingSize - 2 * kLongestMatch;

// Called when the string at r (18 bytes of look-ahead) matched the one d bytes back over
// all 18 bytes, so that r took that node's place. If the next 18 input bytes `next`
// continue the repetition, each of their insertions would find its string d bytes back and
// take that node's place, and nothing else: that is done here at once — the 18 deletions,
// the ring, and each node of the d bytes back renamed to the last position of its chain of
// replacements. The tree ends as the 18 insertions would leave it, and the last match is
// the one they would find. Returns false, having changed nothing, when the input does not
// repeat or a node is not in the tree.
bool ContinueRun(CoderState& c, const std::uint8_t* next, int r, int s, int d) {
  for (int k = 0; k < kLongestMatch; ++k) {
    const std::uint8_t earlier =
        k < d ? c.ring[(r + kLongestMatch + k - d) & kRingMask] : next[k - d];
    if (next[k] != earlier) return false;
  }
  const int chains = d < kLongestMatch ? d : kLongestMatch;
  for (int j = 0; j < chains; ++j)
    if (c.parent[(r + 1 + j - d) & kRingMask] == kNil) return false;
  for (int k = 0; k < kLongestMatch; ++k) {
    const int at = (s + k) & kRingMask;
    DeleteNode(c, at);
    c.ring[at] = next[k];
    if (at < kLongestMatch - 1) c.ring[at + kRingSize] = next[k];
  }
  for (int j = 0; j < chains; ++j) {
    const int from = r + 1 + j - d;
    const int to = from + d * ((kLongestMatch - 1 - j + d) / d);
    ReplaceNode(c, from & kRingMask, to & kRingMask);
  }
  c.matchPosition = (r + kLongestMatch - d) & kRingMask;
  return true;
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

  // Room for `count` more bytes after the current length.
  bool Reserve(std::uint32_t count) {
    if (count <= capacity_ - length_) return true;
    if (count > 0xFFFFFFFFu - length_) return false;
    if (!GrowBlock(block_, length_ + count, granularity_)) return false;
    capacity_ = os::MemSize(block_);
    return true;
  }
  std::uint8_t* data() { return block_; }

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
  c.turning = true;

  Sink sink(output, granularity);
  std::uint8_t code[17];  // flag byte and up to eight items of two bytes
  code[0] = 0;
  std::uint32_t codeLength = 1;
  std::uint8_t mask = 1;
  int s = 0;
  int r = kFirstWrite;
  std::uint32_t in = 0;
  std::uint32_t spanStart = 0;  // where the span of ChooseFollowing began

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
      if (in - spanStart >= kFollowSpan) {
        ChooseFollowing(c, in - spanStart);
        spanStart = in;
      }
    }
    const int consumed = c.matchLength;
    if (consumed == kLongestMatch && len == kLongestMatch && inputLength - in >= kLongestMatch) {
      // A repetition (a run of one byte, a pattern, a copy) that goes on takes its next
      // 18 bytes in one step.
      const int d = (r - c.matchPosition) & kRingMask;
      if (d <= kFarthestRun && ContinueRun(c, input + in, r, s, d)) {
        in += kLongestMatch;
        s = (s + kLongestMatch) & kRingMask;
        r = (r + kLongestMatch) & kRingMask;
        AdvanceBusyCursor();
        continue;
      }
    }
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

}  // namespace velm
