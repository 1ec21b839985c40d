// The coded form both halves of the LZSS coder share: the ring, the longest match and
// the shortest match worth coding as one, and where the first byte is written.
#pragma once

namespace velm::lzss {

constexpr int kRingSize = 4096;    // N
constexpr int kLongestMatch = 18;  // F
constexpr int kThreshold = 2;      // matches this short go out as literals
constexpr int kRingMask = kRingSize - 1;
constexpr int kFirstWrite = kRingSize - kLongestMatch;  // 4078

}  // namespace velm::lzss
