// The decoder against a plain ring-buffer decoder written from the format description:
// both must produce the same bytes for any input, coded or garbage, whole or cut short.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "database/lzss.h"
#include "platform/memory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReferenceDecode(const Bytes& in) {
  std::uint8_t ring[4096] = {};
  int r = 4078;
  unsigned flags = 0;
  std::size_t i = 0;
  Bytes out;
  for (;;) {
    flags >>= 1;
    if ((flags & 0x100) == 0) {
      if (i >= in.size()) break;
      flags = in[i++] | 0xFF00u;
    }
    if (i >= in.size()) break;
    if (flags & 1) {
      out.push_back(in[i]);
      ring[r] = in[i++];
      r = (r + 1) & 4095;
    } else {
      const int b0 = in[i++];
      if (i >= in.size()) break;
      const int b1 = in[i++];
      const int position = b0 | ((b1 & 0xF0) << 4);
      for (int k = 0; k < (b1 & 0x0F) + 3; ++k) {
        const std::uint8_t c = ring[(position + k) & 4095];
        out.push_back(c);
        ring[r] = c;
        r = (r + 1) & 4095;
      }
    }
  }
  return out;
}

Bytes Decode(const Bytes& in) {
  velm::os::MemHandle block = nullptr;
  const std::int64_t n =
      velm::LzssDecode(in.data(), static_cast<std::uint32_t>(in.size()), block, velm::kListGranule);
  EXPECT_GE(n, 0);
  Bytes out(block, block + (n > 0 ? n : 0));
  velm::ReleaseBlock(block);
  return out;
}

Bytes Encode(const Bytes& in) {
  velm::os::MemHandle block = nullptr;
  const std::int64_t n =
      velm::LzssEncode(in.data(), static_cast<std::uint32_t>(in.size()), block, velm::kListGranule);
  EXPECT_GE(n, 0);
  Bytes out(block, block + (n > 0 ? n : 0));
  velm::ReleaseBlock(block);
  return out;
}

TEST(LzssDecoder, MatchesThePlainRingDecoderOnGarbage) {
  std::mt19937 random(1234);
  for (int round = 0; round < 300; ++round) {
    Bytes in(random() % 3000);
    // Flag bytes biased toward matches, so that overlapping and far references and
    // references into the initial ring all occur.
    for (std::uint8_t& b : in)
      b = static_cast<std::uint8_t>(random());
    for (std::size_t k = 0; k < in.size(); k += 1 + random() % 17)
      in[k] &= static_cast<std::uint8_t>(random());
    ASSERT_EQ(Decode(in), ReferenceDecode(in)) << "round " << round;
  }
}

TEST(LzssDecoder, MatchesThePlainRingDecoderOnCodedDataCutAnywhere) {
  std::mt19937 random(99);
  Bytes data(20000);
  for (std::size_t k = 0; k < data.size(); ++k)
    data[k] = static_cast<std::uint8_t>(k % 300 < 150 ? (k / 7) % 5 : random() % 4);
  const Bytes coded = Encode(data);
  ASSERT_EQ(Decode(coded), data);
  for (std::size_t cut = 0; cut < coded.size(); cut += 1 + random() % 97) {
    const Bytes part(coded.begin(), coded.begin() + static_cast<std::ptrdiff_t>(cut));
    ASSERT_EQ(Decode(part), ReferenceDecode(part)) << "cut at " << cut;
  }
}

TEST(LzssDecoder, SizesAndCapacityCutsMatchThePlainRingDecoder) {
  // The sizing pass must count exactly what the decoder produces, and a decode into a
  // room of fixed capacity gives the first bytes of the whole output and writes nothing
  // past the room, wherever it ends (inside a literal group, inside a match).
  std::mt19937 random(77);
  for (int round = 0; round < 200; ++round) {
    Bytes in(random() % 2000);
    for (std::uint8_t& b : in)
      b = static_cast<std::uint8_t>(random());
    for (std::size_t k = 0; k < in.size(); k += 1 + random() % 5)
      in[k] = static_cast<std::uint8_t>(round % 2 ? 0xFF : random() & random());
    const Bytes whole = ReferenceDecode(in);
    const auto n = static_cast<std::uint32_t>(whole.size());
    ASSERT_EQ(velm::LzssDecodedLength(in.data(), static_cast<std::uint32_t>(in.size())), n);
    for (const std::uint32_t capacity : {0u, 1u, n / 3, n / 2 + 7, n > 0 ? n - 1 : 0, n, n + 300}) {
      constexpr std::uint32_t kGuard = 200;
      Bytes room(capacity + kGuard, 0xA5);
      const std::uint32_t written = velm::LzssDecodeInto(
          in.data(), static_cast<std::uint32_t>(in.size()), room.data(), capacity);
      ASSERT_EQ(written, std::min(n, capacity)) << "round " << round << ", room " << capacity;
      ASSERT_TRUE(std::equal(room.begin(), room.begin() + written, whole.begin()))
          << "round " << round << ", room " << capacity;
      ASSERT_TRUE(std::all_of(room.begin() + capacity, room.end(),
                              [](std::uint8_t b) { return b == 0xA5; }))
          << "round " << round << ", room " << capacity;
    }
  }
}

// A coded stream written item by item: literals, and matches given by how far back they
// copy from (1 … 4096) and their length (3 … 18).
class StreamWriter {
 public:
  void Literal(std::uint8_t byte) {
    Flag(true);
    bytes_.push_back(byte);
    ++produced_;
  }
  void Match(int distance, int length) {
    Flag(false);
    const int position = (4078 + produced_ - distance) & 4095;
    bytes_.push_back(static_cast<std::uint8_t>(position));
    bytes_.push_back(static_cast<std::uint8_t>(((position >> 4) & 0xF0) | (length - 3)));
    produced_ += length;
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  void Flag(bool literal) {
    if (items_ % 8 == 0) {
      flagAt_ = bytes_.size();
      bytes_.push_back(0);
    }
    if (literal) bytes_[flagAt_] |= static_cast<std::uint8_t>(1u << (items_ % 8));
    ++items_;
  }
  Bytes bytes_;
  std::size_t flagAt_ = 0;
  int items_ = 0;
  int produced_ = 0;
};

TEST(LzssDecoder, NearMatchesOfEveryDistanceAndLengthMatchThePlainRingDecoder) {
  // Matches that overlap what they write (distances 1 … 19) of every length, each after
  // a few distinct literals so that their source is not uniform, falling at every place
  // in a group; and enough of them that the output outgrows a small first block.
  for (int distance = 1; distance < 20; ++distance) {
    StreamWriter writer;
    for (int k = 0; k < 20; ++k)
      writer.Literal(static_cast<std::uint8_t>(k * 37 + distance));
    for (int length = 3; length <= 18; ++length) {
      for (int literals = 0; literals < 8; ++literals) {
        for (int k = 0; k < literals; ++k)
          writer.Literal(static_cast<std::uint8_t>(length * 11 + k));
        writer.Match(distance, length);
        writer.Match(distance, 21 - length);
      }
    }
    const Bytes& in = writer.bytes();
    const Bytes whole = ReferenceDecode(in);
    ASSERT_EQ(Decode(in), whole) << "distance " << distance;
    velm::os::MemHandle block = nullptr;
    ASSERT_EQ(velm::LzssDecode(in.data(), static_cast<std::uint32_t>(in.size()), block, 64),
              static_cast<std::int64_t>(whole.size()));
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), block)) << "distance " << distance;
    velm::ReleaseBlock(block);
  }
}

}  // namespace
