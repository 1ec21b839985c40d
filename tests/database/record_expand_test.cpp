// Expansion of a record straight into its final block against expansion through
// temporary blocks: the same status, block size and record bytes for intact and damaged
// records, whichever block the record arrives in (room to spare, just large enough, too
// small).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "database/expand_reference.h"
#include "database/lzss.h"
#include "database/record.h"
#include "database/stream_image.h"
#include "platform/memory.h"

namespace velm {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A stored record: a patterned thumbnail and `artBytes` of art in two objects, random
// (coding larger than it is) or mostly zero (coding much smaller).
Bytes StoredRecord(std::uint32_t artBytes, bool compressible, std::mt19937& rng) {
  os::MemHandle record = NewEmptyRecord();
  for (std::uint32_t i = 0; i < kThumbnailSize; ++i)
    record[kThumbnailOffset + i] = static_cast<std::uint8_t>(i % 4 ? (i / 512) ^ (rng() % 4) : 0);
  for (const std::uint32_t size : {artBytes / 3, artBytes - artBytes / 3}) {
    velmtest::ObjectImage art(size, rng);
    if (compressible) {
      for (std::uint32_t i = 24; i < size; ++i)
        art.bytes[i] = i % 97 == 0 ? static_cast<std::uint8_t>(rng()) : 0;
    }
    art.Header(5);
    velmtest::AppendObject(record, art);
  }
  EXPECT_EQ(CompressRecord(record), 0);
  Bytes stored(record, record + RecordHeader(record)->recordLength);
  ReleaseBlock(record);
  return stored;
}

os::MemHandle Block(const Bytes& bytes, std::uint32_t size) {
  os::MemHandle block = nullptr;
  EXPECT_TRUE(GrowBlock(block, size, 1));
  std::memcpy(block, bytes.data(), bytes.size() < size ? bytes.size() : size);
  return block;
}

struct Damage {
  const char* name;
  std::function<void(Bytes&, std::mt19937&)> apply;
};

Record* Header(Bytes& b) {
  return reinterpret_cast<Record*>(b.data());
}

const Damage kDamages[] = {
    {"intact", [](Bytes&, std::mt19937&) {}},
    {"bytes flipped in both streams",
     [](Bytes& b, std::mt19937& rng) {
       for (int k = 0; k < 40; ++k)
         b[kRecordHeaderSize + rng() % (b.size() - kRecordHeaderSize - 2)] ^= 0x5A;
     }},
    {"coded thumbnail shorter (the art starts inside it)",
     [](Bytes& b, std::mt19937&) {
       Header(b)->thumbnailLength /= 2;
       Header(b)->artLength += Header(b)->thumbnailLength;
     }},
    {"coded thumbnail longer (it runs into the art)",
     [](Bytes& b, std::mt19937&) {
       Header(b)->thumbnailLength += 1000;
       Header(b)->artLength -= 1000;
     }},
    {"coded art one byte short", [](Bytes& b, std::mt19937&) { Header(b)->artLength -= 1; }},
    {"coded art past the block", [](Bytes& b, std::mt19937&) { Header(b)->artLength += 1 << 26; }},
    {"nothing but flag bytes for matches",
     [](Bytes& b, std::mt19937&) {
       std::memset(b.data() + kRecordHeaderSize, 0, b.size() - kRecordHeaderSize - 2);
     }},
};

TEST(RecordExpansion, InPlaceGivesWhatExpansionThroughTemporaryBlocksGives) {
  std::mt19937 rng(5);
  for (const auto& [artBytes, compressible] :
       {std::pair{3000u, true}, {300000u, false}, {2500000u, true}}) {
    const Bytes intact = StoredRecord(artBytes, compressible, rng);
    const std::uint32_t stored = static_cast<std::uint32_t>(intact.size());
    const std::uint32_t expanded = kEmptyRecordLength + artBytes;
    const std::uint32_t coded = stored - 426;
    // The block a record read allocates, then blocks just large enough for the expanded
    // record, with part of the coded bytes' room, with all of it, and too small.
    const std::uint32_t sizes[] = {RoundToGranule(stored, kRecordGranule), expanded,
                                   expanded + coded / 2, expanded + coded,
                                   stored > expanded ? stored : expanded - 1};
    for (const Damage& damage : kDamages) {
      Bytes image = intact;
      damage.apply(image, rng);
      for (const std::uint32_t size : sizes) {
        if (size < image.size()) continue;
        for (const bool withArt : {false, true}) {
          const std::string what = std::string(damage.name) + ", " + std::to_string(artBytes) +
                                   " bytes of art, block " + std::to_string(size) +
                                   (withArt ? ", with art" : ", header and thumbnail");
          os::MemHandle ours = Block(image, size);
          os::MemHandle reference = Block(image, size);
          const Bytes before(ours, ours + size);
          const std::int32_t status = ExpandRecord(ours, withArt);
          ASSERT_EQ(status, ExpandRecordThroughTemporaryBlocks(reference, withArt)) << what;
          ASSERT_EQ(os::MemSize(ours), os::MemSize(reference)) << what;
          if (status == 0) {
            const auto length = static_cast<std::uint32_t>(RecordHeader(ours)->recordLength);
            ASSERT_EQ(RecordHeader(reference)->recordLength, RecordHeader(ours)->recordLength);
            ASSERT_EQ(std::memcmp(ours, reference, length), 0) << what;
          } else {
            ASSERT_TRUE(Bytes(ours, ours + size) == before) << what;
          }
          ReleaseBlock(ours);
          ReleaseBlock(reference);
        }
      }
    }
  }
}

}  // namespace
}  // namespace velm
