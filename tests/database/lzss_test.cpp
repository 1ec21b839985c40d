// LZSS coding: vectors worked out by hand from the stored format, round trips, hostile
// input, and the record-level compression with its failure paths.
#include "database/lzss.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "database/record.h"
#include "database/stream_image.h"
#include "platform/memory.h"

namespace velm {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Encode(const Bytes& input, std::uint32_t granularity = kListGranule) {
  os::MemHandle out = nullptr;
  const std::int64_t n =
      LzssEncode(input.data(), static_cast<std::uint32_t>(input.size()), out, granularity);
  EXPECT_GE(n, 0);
  Bytes result(out, out + (n > 0 ? n : 0));
  ReleaseBlock(out);
  return result;
}

Bytes Decode(const Bytes& input, std::uint32_t granularity = kListGranule) {
  os::MemHandle out = nullptr;
  const std::int64_t n =
      LzssDecode(input.data(), static_cast<std::uint32_t>(input.size()), out, granularity);
  EXPECT_GE(n, 0);
  Bytes result(out, out + (n > 0 ? n : 0));
  ReleaseBlock(out);
  return result;
}

Bytes Text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

// Makes the next `n` allocations succeed and the one after fail, for one scope.
struct AllocationFailure {
  explicit AllocationFailure(std::int32_t n) { os::TestOverrides().allocationsBeforeFailure = n; }
  ~AllocationFailure() { os::TestOverrides().allocationsBeforeFailure = -1; }
};

// ---- Vectors worked out by hand ----

TEST(LzssVectors, EmptyInputCodesToNothingAndBack) {
  EXPECT_TRUE(Encode({}).empty());
  EXPECT_TRUE(Decode({}).empty());
  os::MemHandle out = nullptr;
  EXPECT_EQ(LzssEncode(nullptr, 0, out, kListGranule), 0);
  EXPECT_EQ(out, nullptr);
}

TEST(LzssVectors, LiteralsFillFlagGroupsFromTheLowBit) {
  EXPECT_EQ(Encode(Text("A")), (Bytes{0x01, 'A'}));
  // Ten distinct bytes: a full group of eight literals, then a group of two.
  EXPECT_EQ(Encode(Text("ABCDEFGHIJ")),
            (Bytes{0xFF, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0x03, 'I', 'J'}));
  EXPECT_EQ(Decode({0xFF, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0x03, 'I', 'J'}),
            Text("ABCDEFGHIJ"));
}

TEST(LzssVectors, LeadingZerosAreAMatchIntoTheZeroRing) {
  // The strings at 4060 … 4077 are all zero: ten zeros match at 4060 (0xFDC), length 10.
  const Bytes zeros(10, 0);
  const Bytes coded = {0x00, 0xDC, 0xF7};
  EXPECT_EQ(Encode(zeros), coded);
  EXPECT_EQ(Decode(coded), zeros);  // a ring of spaces would give ten 0x20 here
  // Three zeros then X: every string at 4060 … 4077 matches three bytes, and the first
  // one met in the tree (4077 = 0xFED, inserted first) is taken; then a literal.
  EXPECT_EQ(Encode(Bytes{0, 0, 0, 'X'}), (Bytes{0x02, 0xED, 0xF0, 'X'}));
  EXPECT_EQ(Decode({0x02, 0xED, 0xF0, 'X'}), (Bytes{0, 0, 0, 'X'}));
}

TEST(LzssVectors, OverlappingMatchRepeatsWhatItWrites) {
  // 'A' goes to 4078; the next seven bytes copy from 4078 while writing 4079 on.
  EXPECT_EQ(Encode(Text("AAAAAAAA")), (Bytes{0x01, 'A', 0xEE, 0xF4}));
  EXPECT_EQ(Decode({0x01, 'A', 0xEE, 0xF4}), Text("AAAAAAAA"));
  // A period of three repeated for 18 bytes from one literal run.
  EXPECT_EQ(Decode({0x07, 'x', 'y', 'z', 0xEE, 0xFF}), Text("xyzxyzxyzxyzxyzxyzxyz"));
}

TEST(LzssVectors, StreamsCutInsideAnItemEndBeforeIt) {
  EXPECT_EQ(Decode({0x01, 'A', 0xEE}), Text("A"));  // match cut after b0
  EXPECT_TRUE(Decode({0x00, 0xDC}).empty());
  EXPECT_TRUE(Decode({0x01}).empty());        // flag byte alone
  EXPECT_EQ(Decode({0x03, 'a'}), Text("a"));  // group promises more than there is
}

TEST(LzssVectors, MatchPositionsWrapAroundTheRing) {
  // Position 0xFFF, length 3: ring 4095, 0, 1 (all zero at the start).
  EXPECT_EQ(Decode({0x00, 0xFF, 0xF0}), (Bytes{0, 0, 0}));
}

// ---- Round trips ----

class LzssRoundTrip : public ::testing::Test {
 protected:
  std::mt19937 rng{7};

  void ExpectRoundTrip(const Bytes& input) {
    const Bytes coded = Encode(input);
    EXPECT_EQ(Decode(coded), input) << "input of " << input.size() << " bytes";
    // Worst case: every byte a literal, one flag byte per eight.
    EXPECT_LE(coded.size(), input.size() + (input.size() + 7) / 8);
  }
};

TEST_F(LzssRoundTrip, RandomInputsOfEverySizeAroundTheRingAndWindow) {
  for (std::size_t size :
       {1u, 2u, 3u, 17u, 18u, 19u, 4077u, 4078u, 4095u, 4096u, 4097u, 8192u, 65536u, 200003u}) {
    Bytes input(size);
    for (auto& b : input)
      b = static_cast<std::uint8_t>(rng());
    ExpectRoundTrip(input);
  }
}

TEST_F(LzssRoundTrip, StructuredInputs) {
  // Long zero runs, short and long periods, text, and data of a few symbols (many
  // equal-length candidates in the trees).
  ExpectRoundTrip(Bytes(70000, 0));
  Bytes periodic(30000);
  Bytes farPeriod(20000);
  Bytes fewSymbols(100000);
  for (std::size_t i = 0; i < periodic.size(); ++i)
    periodic[i] = "abcdefg"[i % 7];
  for (std::size_t i = 0; i < farPeriod.size(); ++i) {
    farPeriod[i] = static_cast<std::uint8_t>(i * 7919 % 4099);
  }
  for (auto& b : fewSymbols)
    b = static_cast<std::uint8_t>(rng() % 3);
  ExpectRoundTrip(periodic);
  ExpectRoundTrip(farPeriod);
  ExpectRoundTrip(fewSymbols);
  std::string prose;
  while (prose.size() < 50000)
    prose += "GroupArt / CompoundPathArt / PatternArt00001 / ";
  ExpectRoundTrip(Text(prose));
}

TEST_F(LzssRoundTrip, EncodingDoesNotDependOnEarlierCalls) {
  Bytes input(9000);
  for (auto& b : input)
    b = static_cast<std::uint8_t>(rng() % 5);
  const Bytes first = Encode(input);
  Bytes other(300000);
  for (auto& b : other)
    b = static_cast<std::uint8_t>(rng());
  Encode(other);
  Decode(Encode(other));
  EXPECT_EQ(Encode(input), first);
  // A short input right after a long one must not see the old look-ahead bytes.
  EXPECT_EQ(Encode(Text("A")), (Bytes{0x01, 'A'}));
  EXPECT_EQ(Encode(Bytes(10, 0)), (Bytes{0x00, 0xDC, 0xF7}));
}

TEST_F(LzssRoundTrip, OutputBlocksGrowInWholeGranules) {
  Bytes input(65536);
  for (auto& b : input)
    b = static_cast<std::uint8_t>(rng());
  os::MemHandle coded = nullptr;
  const std::int64_t n = LzssEncode(input.data(), 65536, coded, kListGranule);
  ASSERT_GT(n, 65536);
  EXPECT_EQ(os::MemSize(coded), 131072u);
  os::MemHandle plain = nullptr;
  EXPECT_EQ(LzssDecode(coded, static_cast<std::uint32_t>(n), plain, kRecordGranule), 65536);
  EXPECT_EQ(os::MemSize(plain), 2097152u);
  ReleaseBlock(coded);
  ReleaseBlock(plain);
}

TEST_F(LzssRoundTrip, GarbageNeverFailsOrOverruns) {
  // Any byte string decodes to something; the sanitizer build checks the bounds.
  for (int round = 0; round < 300; ++round) {
    Bytes garbage(rng() % 3000);
    for (auto& b : garbage)
      b = static_cast<std::uint8_t>(rng());
    os::MemHandle out = nullptr;
    const std::int64_t n =
        LzssDecode(garbage.data(), static_cast<std::uint32_t>(garbage.size()), out, 64);
    ASSERT_GE(n, 0);
    EXPECT_LE(n, static_cast<std::int64_t>(garbage.size()) * 9);
    if (n > 0) {
      EXPECT_GE(os::MemSize(out), n);
    }
    ReleaseBlock(out);
  }
}

TEST_F(LzssRoundTrip, OutOfMemoryIsAFailure) {
  Bytes input(300000);
  for (auto& b : input)
    b = static_cast<std::uint8_t>(rng());
  {
    AllocationFailure fail(0);
    os::MemHandle out = nullptr;
    EXPECT_EQ(LzssEncode(input.data(), 300000, out, kListGranule), -1);
    EXPECT_EQ(out, nullptr);
  }
  const Bytes coded = Encode(input);
  {
    AllocationFailure fail(0);
    os::MemHandle out = nullptr;
    EXPECT_EQ(LzssDecode(coded.data(), static_cast<std::uint32_t>(coded.size()), out, kListGranule),
              -1);
    EXPECT_EQ(out, nullptr);
  }
  {
    // A long stream is sized once from the coded stream: three granules, one allocation.
    AllocationFailure fail(1);
    os::MemHandle out = nullptr;
    EXPECT_EQ(LzssDecode(coded.data(), static_cast<std::uint32_t>(coded.size()), out, kListGranule),
              300000);
    EXPECT_EQ(os::MemSize(out), 3 * kListGranule);
    ReleaseBlock(out);
  }
  {
    // A short stream that outgrows its first block fails when the block cannot grow.
    const Bytes zeros = Encode(Bytes(400000, 0));
    ASSERT_LT(zeros.size(), 131072u);
    AllocationFailure fail(1);
    os::MemHandle out = nullptr;
    EXPECT_EQ(LzssDecode(zeros.data(), static_cast<std::uint32_t>(zeros.size()), out, kListGranule),
              -1);
    ReleaseBlock(out);
  }
}

// ---- The encoder's exact output on long inputs ----

// FNV-1a, 64 bits.
std::uint64_t Digest(const Bytes& bytes) {
  std::uint64_t h = 0xCBF29CE484222325u;
  for (const std::uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001B3u;
  }
  return h;
}

// Deterministic inputs of a few hundred KiB: runs of literals from a small generator,
// copies of earlier stretches (near and far, up to the whole window), long runs of one
// byte, and text-like repetition, mixed in an order fixed by `seed`.
Bytes LongInput(std::uint32_t seed, std::size_t size, int noise) {
  Bytes out;
  out.reserve(size);
  std::uint32_t state = seed;
  auto next = [&] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  while (out.size() < size) {
    const std::uint32_t pick = next() % 8;
    const std::size_t n = 1 + next() % 300;
    if (pick < 3 || out.size() < 64) {
      for (std::size_t i = 0; i < n; ++i)
        out.push_back(static_cast<std::uint8_t>(next() % static_cast<std::uint32_t>(noise)));
    } else if (pick < 6) {
      const std::size_t back = 1 + next() % std::min<std::size_t>(out.size(), 5000);
      for (std::size_t i = 0; i < n; ++i)
        out.push_back(out[out.size() - back]);
    } else if (pick == 6) {
      out.insert(out.end(), n, static_cast<std::uint8_t>(next()));
    } else {
      static const char kWords[] = "GroupArt / PathArt PatternArt00001 / GroupArt ";
      for (std::size_t i = 0; i < n; ++i)
        out.push_back(static_cast<std::uint8_t>(kWords[(i + next() % 3) % (sizeof kWords - 1)]));
    }
  }
  out.resize(size);
  return out;
}

TEST(LzssPinned, LongInputsCodeToTheStoredBytes) {
  // Group files hold the bytes this encoder produced; a change in the match finder (which
  // match of equal length wins, where a search stops) changes them although every round
  // trip still holds. The digests are of the coded bytes.
  struct Case {
    std::uint32_t seed;
    std::size_t size;
    int noise;
    std::size_t codedSize;
    std::uint64_t digest;
  };
  const Case cases[] = {
      {1, 300000, 256, 175801, 0xD4597E3D34685494u},
      {2, 524288, 16, 268254, 0xBC541F8BBA66C77Eu},
      {3, 400000, 4, 84285, 0xE079F2E17D2E9F71u},
  };
  for (const Case& c : cases) {
    const Bytes input = LongInput(c.seed, c.size, c.noise);
    const Bytes coded = Encode(input, kRecordGranule);
    EXPECT_EQ(coded.size(), c.codedSize) << "seed " << c.seed;
    EXPECT_EQ(Digest(coded), c.digest) << "seed " << c.seed << std::hex << " 0x" << Digest(coded);
    EXPECT_EQ(Decode(coded, kRecordGranule), input) << "seed " << c.seed;
  }
}

// ---- Records ----

class RecordCompression : public ::testing::Test {
 protected:
  std::mt19937 rng{99};
  os::MemHandle record = NewEmptyRecord();

  ~RecordCompression() override { ReleaseBlock(record); }

  Record* header() { return RecordHeader(record); }

  Bytes Image() { return Bytes(record, record + header()->recordLength); }

  void AddArt(std::uint32_t size) {
    velmtest::ObjectImage art(size, rng);
    art.Header(5);
    velmtest::AppendObject(record, art);
  }
};

TEST_F(RecordCompression, EmptyRecordCompressesToThumbnailAlone) {
  ASSERT_EQ(CompressRecord(record), 0);
  EXPECT_EQ(header()->artLength, 0u);
  EXPECT_GT(header()->thumbnailLength, 0u);
  EXPECT_EQ(header()->recordLength, static_cast<std::int32_t>(426 + header()->thumbnailLength));
  // The coded thumbnail of 65536 zeros starts with a match into the zero ring.
  EXPECT_EQ(record[424], 0x00);
  EXPECT_EQ(record[425], 0xDC);
  EXPECT_EQ(record[426], 0xFF);

  ASSERT_EQ(ExpandRecord(record, true), 0);
  EXPECT_EQ(header()->recordLength, 65962);
  EXPECT_EQ(header()->thumbnailLength, 0u);
  for (std::uint32_t i = kThumbnailOffset; i < kEmptyRecordLength; ++i) {
    ASSERT_EQ(record[i], 0) << "byte " << i;
  }
}

TEST_F(RecordCompression, RecordsRoundTripWithAndWithoutArt) {
  for (std::uint32_t i = 0; i < kThumbnailSize; ++i) {
    record[kThumbnailOffset + i] = static_cast<std::uint8_t>(i % 4 == 0 ? 0 : rng() % 16);
  }
  AddArt(3000);
  AddArt(2500000);  // grows the record past one granule
  std::strcpy(header()->name, "name");
  const Bytes original = Image();

  ASSERT_EQ(CompressRecord(record), 0);
  const std::uint32_t codedThumbnail = header()->thumbnailLength;
  const std::uint32_t codedArt = header()->artLength;
  EXPECT_EQ(header()->recordLength, static_cast<std::int32_t>(426 + codedThumbnail + codedArt));
  const Bytes stored = Image();

  ASSERT_EQ(ExpandRecord(record, true), 0);
  EXPECT_EQ(Image(), original);

  // Header and thumbnail only: the art stays out, the record is 65962 bytes long.
  os::MemHandle copy = nullptr;
  ASSERT_TRUE(GrowBlock(copy, static_cast<std::uint32_t>(stored.size()), kRecordGranule));
  std::memcpy(copy, stored.data(), stored.size());
  ASSERT_EQ(ExpandRecord(copy, false), 0);
  EXPECT_EQ(RecordHeader(copy)->recordLength, 65962);
  EXPECT_EQ(std::memcmp(copy, original.data(), 4), 0);
  EXPECT_EQ(std::memcmp(copy + 8, original.data() + 8, kArtStreamOffset - 8), 0);
  ReleaseBlock(copy);
}

TEST_F(RecordCompression, RecordsInTheWrongFormAreRefused) {
  EXPECT_EQ(ExpandRecord(record, true), -1);  // thumbnailLength 0: already expanded
  ASSERT_EQ(CompressRecord(record), 0);
  const Bytes stored = Image();
  EXPECT_EQ(CompressRecord(record), -1);  // already stored
  EXPECT_EQ(Image(), stored);
  os::MemHandle none = nullptr;
  EXPECT_EQ(CompressRecord(none), -1);
  EXPECT_EQ(ExpandRecord(none, true), -1);
}

TEST_F(RecordCompression, DamagedCodedDataLeavesTheRecordAlone) {
  AddArt(500);
  ASSERT_EQ(CompressRecord(record), 0);
  const std::uint32_t size = os::MemSize(record);
  const Bytes stored(record, record + size);
  // Each damage in turn on a fresh copy; the damaged record must come out unchanged.
  auto expectRefused = [&](auto damage, bool withArt) {
    std::memcpy(record, stored.data(), size);
    damage();
    const Bytes damaged(record, record + size);
    EXPECT_EQ(ExpandRecord(record, withArt), -1);
    EXPECT_EQ(Bytes(record, record + size), damaged);
  };
  // Coded lengths that reach past the block.
  expectRefused([&] { header()->artLength = size; }, true);
  expectRefused([&] { header()->thumbnailLength = 0xFFFFFFF0u; }, false);
}

TEST_F(RecordCompression, AThumbnailOfTheWrongSizeIsCutOrPaddedAndTheArtKept) {
  // Stored records whose coded thumbnail expands to other than 65536 bytes: the record
  // still expands, with the thumbnail cut to its size or padded with zeros.
  AddArt(700);
  const Bytes art(record + kArtStreamOffset, record + header()->recordLength - 2);
  const Bytes codedArt = Encode(art);
  for (const std::size_t size : {std::size_t{0}, std::size_t{1000}, std::size_t{65535},
                                 std::size_t{65537}, std::size_t{70000}}) {
    Bytes picture(size);
    for (std::size_t i = 0; i < size; ++i)
      picture[i] = static_cast<std::uint8_t>(1 + i % 251);
    // Nothing codes to nothing; a lone flag byte expands to nothing as well.
    const Bytes coded = size ? Encode(picture) : Bytes{0x00};
    Record* h = header();
    h->thumbnailLength = static_cast<std::uint32_t>(coded.size());
    h->artLength = static_cast<std::uint32_t>(codedArt.size());
    h->recordLength = static_cast<std::int32_t>(426 + coded.size() + codedArt.size());
    std::memcpy(record + kRecordHeaderSize, coded.data(), coded.size());
    std::memcpy(record + kRecordHeaderSize + coded.size(), codedArt.data(), codedArt.size());

    ASSERT_EQ(ExpandRecord(record, true), 0) << size;
    picture.resize(kThumbnailSize);  // cut, or padded with zeros
    EXPECT_EQ(Bytes(record + kThumbnailOffset, record + kArtStreamOffset), picture) << size;
    EXPECT_EQ(header()->recordLength, static_cast<std::int32_t>(kEmptyRecordLength + art.size()));
    EXPECT_EQ(Bytes(record + kArtStreamOffset, record + kArtStreamOffset + art.size()), art);
  }
}

TEST_F(RecordCompression, OutOfMemoryLeavesTheRecordAsItWas) {
  AddArt(4000);
  const Bytes expanded = Image();
  // The coded thumbnail's buffer, then the coded art's.
  for (std::int32_t n = 0; n < 2; ++n) {
    AllocationFailure fail(n);
    EXPECT_EQ(CompressRecord(record), -1) << "failing allocation " << n;
    EXPECT_EQ(Image(), expanded);
  }
  ASSERT_EQ(CompressRecord(record), 0);
  const Bytes stored = Image();
  // In a block just large enough for the stored record, the expanded one needs a new
  // block: without it the record stays as it was.
  os::MemHandle tight = nullptr;
  ASSERT_TRUE(GrowBlock(tight, static_cast<std::uint32_t>(stored.size()), 1));
  std::memcpy(tight, stored.data(), stored.size());
  {
    AllocationFailure fail(0);
    EXPECT_EQ(ExpandRecord(tight, true), -1);
    EXPECT_EQ(Bytes(tight, tight + stored.size()), stored);
  }
  ReleaseBlock(tight);
  // In its own block of whole granules it expands in place, needing no memory at all.
  AllocationFailure fail(0);
  ASSERT_EQ(ExpandRecord(record, true), 0);
  EXPECT_EQ(Image(), expanded);
}

}  // namespace
}  // namespace velm
