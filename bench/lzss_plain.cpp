#include "lzss_plain.h"

#include <cstring>

namespace velmbench {

namespace {

constexpr int kN = 4096;       // ring size
constexpr int kF = 18;         // longest match
constexpr int kThreshold = 2;  // matches this short are sent as literals
constexpr int kNil = kN;       // empty tree link

// The coder's state: the ring with room for comparisons past its end, the children and
// parent of every ring position (roots at kN + 1 + first byte), and the last match.
struct Tree {
  std::uint8_t ring[kN + kF - 1];
  int left[kN + 1];
  int right[kN + 257];
  int parent[kN + 1];
  int matchPosition;
  int matchLength;

  void Init() {
    for (int i = kN + 1; i <= kN + 256; i++)
      right[i] = kNil;
    for (int i = 0; i < kN; i++)
      parent[i] = kNil;
    std::memset(ring, 0, sizeof ring);
    matchPosition = 0;
    matchLength = 0;
  }

  void Insert(int r) {
    int cmp = 1;
    const std::uint8_t* key = &ring[r];
    int p = kN + 1 + key[0];
    right[r] = left[r] = kNil;
    matchLength = 0;
    for (;;) {
      if (cmp >= 0) {
        if (right[p] != kNil) {
          p = right[p];
        } else {
          right[p] = r;
          parent[r] = p;
          return;
        }
      } else {
        if (left[p] != kNil) {
          p = left[p];
        } else {
          left[p] = r;
          parent[r] = p;
          return;
        }
      }
      int i;
      for (i = 1; i < kF; i++) {
        cmp = key[i] - ring[p + i];
        if (cmp != 0) break;
      }
      if (i > matchLength) {
        matchPosition = p;
        matchLength = i;
        if (matchLength >= kF) break;
      }
    }
    parent[r] = parent[p];
    left[r] = left[p];
    right[r] = right[p];
    parent[left[p]] = r;
    parent[right[p]] = r;
    if (right[parent[p]] == p) {
      right[parent[p]] = r;
    } else {
      left[parent[p]] = r;
    }
    parent[p] = kNil;
  }

  void Delete(int p) {
    if (parent[p] == kNil) return;
    int q;
    if (right[p] == kNil) {
      q = left[p];
    } else if (left[p] == kNil) {
      q = right[p];
    } else {
      q = left[p];
      if (right[q] != kNil) {
        do {
          q = right[q];
        } while (right[q] != kNil);
        right[parent[q]] = left[q];
        parent[left[q]] = parent[q];
        left[q] = left[p];
        parent[left[p]] = q;
      }
      right[q] = right[p];
      parent[right[p]] = q;
    }
    parent[q] = parent[p];
    if (right[parent[p]] == p) {
      right[parent[p]] = q;
    } else {
      left[parent[p]] = q;
    }
    parent[p] = kNil;
  }
};

Tree gTree;

}  // namespace

void PlainLzssEncode(const std::uint8_t* input, std::size_t length,
                     std::vector<std::uint8_t>& out) {
  out.clear();
  Tree& t = gTree;
  t.Init();
  std::uint8_t code[17];
  code[0] = 0;
  int codeLength = 1;
  std::uint8_t mask = 1;
  int s = 0;
  int r = kN - kF;
  std::size_t in = 0;
  int len;
  for (len = 0; len < kF && in < length; len++)
    t.ring[r + len] = input[in++];
  if (len == 0) return;
  for (int i = 1; i <= kF; i++)
    t.Insert(r - i);
  t.Insert(r);
  do {
    if (t.matchLength > len) t.matchLength = len;
    if (t.matchLength <= kThreshold) {
      t.matchLength = 1;
      code[0] |= mask;
      code[codeLength++] = t.ring[r];
    } else {
      code[codeLength++] = static_cast<std::uint8_t>(t.matchPosition);
      code[codeLength++] = static_cast<std::uint8_t>(((t.matchPosition >> 4) & 0xF0) |
                                                     (t.matchLength - (kThreshold + 1)));
    }
    mask = static_cast<std::uint8_t>(mask << 1);
    if (mask == 0) {
      for (int i = 0; i < codeLength; i++)
        out.push_back(code[i]);
      code[0] = 0;
      codeLength = 1;
      mask = 1;
    }
    const int last = t.matchLength;
    int i;
    for (i = 0; i < last && in < length; i++) {
      const std::uint8_t c = input[in++];
      t.Delete(s);
      t.ring[s] = c;
      if (s < kF - 1) t.ring[s + kN] = c;
      s = (s + 1) & (kN - 1);
      r = (r + 1) & (kN - 1);
      t.Insert(r);
    }
    while (i++ < last) {
      t.Delete(s);
      s = (s + 1) & (kN - 1);
      r = (r + 1) & (kN - 1);
      if (--len) t.Insert(r);
    }
  } while (len > 0);
  if (codeLength > 1) {
    for (int i = 0; i < codeLength; i++)
      out.push_back(code[i]);
  }
}

void PlainLzssDecode(const std::uint8_t* input, std::size_t length,
                     std::vector<std::uint8_t>& out) {
  // The classic decoder's loop, byte by byte through the ring, writing to memory as a
  // buffered output stream does: the vector is used as a buffer of its current size
  // (grown when an item might not fit, so that earlier contents are not zero-filled
  // again) and cut to the output's length at the end.
  if (out.size() < 4096) out.resize(4096);
  std::uint8_t* o = out.data();
  std::uint8_t* end = o + out.size();
  std::uint8_t ring[kN];
  std::memset(ring, 0, sizeof ring);
  int r = kN - kF;
  unsigned flags = 0;
  std::size_t in = 0;
  for (;;) {
    if (end - o < kF) {
      const std::size_t at = static_cast<std::size_t>(o - out.data());
      out.resize(out.size() * 2);
      o = out.data() + at;
      end = out.data() + out.size();
    }
    flags >>= 1;
    if ((flags & 256) == 0) {
      if (in >= length) break;
      flags = input[in++] | 0xFF00u;
    }
    if (flags & 1) {
      if (in >= length) break;
      const std::uint8_t c = input[in++];
      *o++ = c;
      ring[r++] = c;
      r &= kN - 1;
    } else {
      if (in >= length) break;
      int i = input[in++];
      if (in >= length) break;
      int j = input[in++];
      i |= (j & 0xF0) << 4;
      j = (j & 0x0F) + kThreshold;
      for (int k = 0; k <= j; k++) {
        const std::uint8_t c = ring[(i + k) & (kN - 1)];
        *o++ = c;
        ring[r++] = c;
        r &= kN - 1;
      }
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
}

}  // namespace velmbench
