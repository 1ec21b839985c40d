// The encoder against the benchmarks' plain byte-by-byte tree coder: the same coded bytes
// (the same match chosen among equal ones, the same look-ahead after the input ends) on
// inputs that stress the match finder, and the decoders agree on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "database/lzss.h"
#include "platform/memory.h"

// The plain coder is the benchmarks' own; it is built into this test program as well.
#include "../../bench/lzss_plain.cpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Encode(const Bytes& in) {
  velm::os::MemHandle block = nullptr;
  const std::int64_t n = velm::LzssEncode(in.data(), static_cast<std::uint32_t>(in.size()), block,
                                          velm::kRecordGranule);
  EXPECT_GE(n, 0);
  Bytes out(block, block + (n > 0 ? n : 0));
  velm::ReleaseBlock(block);
  return out;
}

// Inputs of `size` bytes of one kind, from `rng`.
Bytes Input(int kind, std::size_t size, std::mt19937& rng) {
  Bytes in(size);
  switch (kind) {
    case 0:  // random: mostly literals, deep trees
      for (auto& b : in)
        b = static_cast<std::uint8_t>(rng());
      break;
    case 1:  // two symbols: many equal-length candidates (ties) and 18-byte matches
      for (auto& b : in)
        b = static_cast<std::uint8_t>(rng() % 2);
      break;
    case 2:  // runs of one byte broken by single changes: strings equal in 8 or 16 bytes
      for (std::size_t i = 0; i < size; ++i)
        in[i] = rng() % 23 == 0 ? static_cast<std::uint8_t>(rng()) : 0;
      break;
    default:  // 32-bit words that differ in one byte, at every byte position
      for (std::size_t i = 0; i + 4 <= size; i += 4) {
        const std::uint32_t word = 0x01020304u ^ (1u << (8 * (rng() % 4) + rng() % 8));
        for (int k = 0; k < 4; ++k)
          in[i + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(word >> (8 * k));
      }
      break;
  }
  return in;
}

TEST(LzssPlainCoder, EncoderCodesToThePlainTreeCodersBytes) {
  std::mt19937 rng(2024);
  // Sizes around the look-ahead, the ring and a few ring lengths; the end of the input
  // falls in the middle of matches of every kind.
  for (const std::size_t size : {1u, 17u, 18u, 19u, 4096u, 4113u, 20000u, 70001u}) {
    for (int kind = 0; kind < 4; ++kind) {
      const Bytes in = Input(kind, size, rng);
      std::vector<std::uint8_t> plain;
      velmbench::PlainLzssEncode(in.data(), in.size(), plain);
      const Bytes ours = Encode(in);
      ASSERT_EQ(ours, plain) << "kind " << kind << ", " << size << " bytes";
      std::vector<std::uint8_t> back;
      velmbench::PlainLzssDecode(ours.data(), ours.size(), back);
      ASSERT_EQ(back, in) << "kind " << kind << ", " << size << " bytes";
    }
  }
}

// Pieces of repetition: runs of one byte, patterns of every short period, copies from near
// and far back (up to past the ring's length), cut off and broken by other bytes at
// random, so that repeats go on, stop or end with the input at every offset.
Bytes Repetitions(std::mt19937& rng) {
  const std::size_t size = rng() % 3 == 0 ? rng() % 80 : rng() % 24000;
  const unsigned alphabet = rng() % 2 ? 1 + rng() % 3 : 256;
  Bytes in;
  while (in.size() < size) {
    const unsigned what = in.empty() ? 0 : rng() % 4;
    std::size_t distance = 1;
    if (what == 1) distance = 1 + rng() % (rng() % 2 ? 5 : 40);
    if (what == 2) distance = rng() % 2 ? 4000 + rng() % 100 : 1 + rng() % 4096;
    distance = std::min(distance, in.size());
    const std::size_t n = what == 0 ? 1 + rng() % 40 : rng() % 200;
    const auto byte = static_cast<std::uint8_t>(rng() % alphabet);
    for (std::size_t i = 0; i < n; ++i) {
      if (what == 0) {
        in.push_back(static_cast<std::uint8_t>(rng() % alphabet));
      } else {
        in.push_back(what == 3 ? byte : in[in.size() - distance]);
      }
    }
  }
  in.resize(size);
  return in;
}

TEST(LzssPlainCoder, RepetitionsCodeToThePlainTreeCodersBytes) {
  std::mt19937 rng(7);
  for (int n = 0; n < 300; ++n) {
    const Bytes in = Repetitions(rng);
    std::vector<std::uint8_t> plain;
    velmbench::PlainLzssEncode(in.data(), in.size(), plain);
    ASSERT_EQ(Encode(in), plain) << "input " << n << ", " << in.size() << " bytes";
  }
}

// Pictures whose trees degenerate into long chains and zigzags (every pixel's string starts
// with the same byte): walks that start part of the way down, where the last walk down the
// same tree left off, must meet the same match and leave the same tree.
Bytes Pixels(int kind, int width, std::size_t size, std::mt19937& rng) {
  Bytes in(size);
  for (std::size_t i = 0; i < size; ++i) {
    const auto pixel = static_cast<int>(i / 4);
    const int x = pixel % width;
    const int y = pixel / width;
    const auto k = static_cast<int>(i % 4);
    int value = 0;
    switch (kind) {
      case 0:  // a smooth gradient: 0, r, g, b
        value = k == 0 ? 0 : k == 1 ? x * 255 / (width - 1) : k == 2 ? y * 2 : 255 - x - y;
        break;
      case 1:  // a counter that only grows: one chain far longer than a remembered walk
        value = k == 0 ? 0 : k == 1 ? pixel >> 8 : k == 2 ? pixel & 0xFF : 7;
        break;
      case 2:  // one that only shrinks
        value = k == 0 ? 9 : k == 1 ? 255 - (pixel >> 8) : k == 2 ? 255 - (pixel & 0xFF) : 7;
        break;
      default:  // a gradient broken by noise, runs and repeated rows
        value = k == 0 ? 0 : (x * (k + 1) + y) & 0xFF;
        if (rng() % 64 == 0) value = static_cast<int>(rng() & 0xFF);
        if (y % 5 == 2 && x > width / 2) value = 0;
        break;
    }
    in[i] = static_cast<std::uint8_t>(value);
  }
  return in;
}

TEST(LzssPlainCoder, ChainedTreesCodeToThePlainTreeCodersBytes) {
  std::mt19937 rng(11);
  for (int kind = 0; kind < 4; ++kind) {
    for (const int width : {7, 64, 128, 300}) {
      for (const std::size_t size : {4000u, 65536u, 200003u}) {
        const Bytes in = Pixels(kind, width, size, rng);
        std::vector<std::uint8_t> plain;
        velmbench::PlainLzssEncode(in.data(), in.size(), plain);
        ASSERT_EQ(Encode(in), plain)
            << "kind " << kind << ", width " << width << ", " << size << " bytes";
      }
    }
  }
}

}  // namespace
