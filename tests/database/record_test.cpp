// The record header layout, the art object layouts and the byte-order walk over them.
#include "database/record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "artformat/art_objects.h"
#include "common/sjis.h"
#include "database/lzss.h"
#include "database/stream_image.h"
#include "platform/memory.h"

namespace velm {
namespace {

using velmtest::AppendObject;
using velmtest::ObjectImage;

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::vector<std::uint8_t> Snapshot(os::MemHandle block) {
  return std::vector<std::uint8_t>(block, block + os::MemSize(block));
}

// Owns a record block for the length of a test.
struct RecordBlock {
  RecordBlock() = default;
  RecordBlock(const RecordBlock&) = delete;
  RecordBlock& operator=(const RecordBlock&) = delete;
  os::MemHandle block = NewEmptyRecord();
  ~RecordBlock() { ReleaseBlock(block); }
  Record* header() const { return RecordHeader(block); }
  std::uint8_t* at(std::uint32_t offset) const { return block + offset; }
};

TEST(RecordLayout, StoredHeaderHoldsEveryFieldBigEndianAtItsOffset) {
  // A header brought to stored form, read back byte by byte at the group file's offsets:
  // numbers big-endian, texts as they were, the two coded lengths those of the data behind.
  RecordBlock r;
  Record* h = r.header();
  h->objectCount = 0;
  h->bounds = {0x11121314, 0x21222324, 0x31323334, 0x41424344};
  std::strcpy(h->name, "N\x81\x5C");
  std::strcpy(h->kind, "K");
  std::strcpy(h->comment, "C");
  h->created = 0x51525354;
  h->modified = 0x61626364;
  ASSERT_EQ(RecordToStoredForm(r.block), 0);
  const std::uint8_t* bytes = r.block;
  const std::uint32_t thumbnail = BigEndian32(bytes + 416);
  const std::uint32_t art = BigEndian32(bytes + 420);
  EXPECT_EQ(BigEndian32(bytes + 0), 0u);
  EXPECT_EQ(BigEndian32(bytes + 4), 426 + thumbnail + art);
  EXPECT_EQ(BigEndian32(bytes + 8), 0x11121314u);
  EXPECT_EQ(BigEndian32(bytes + 12), 0x21222324u);
  EXPECT_EQ(BigEndian32(bytes + 16), 0x31323334u);
  EXPECT_EQ(BigEndian32(bytes + 20), 0x41424344u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 24)), "N\x81\x5C");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 88)), "K");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 152)), "C");
  EXPECT_EQ(BigEndian32(bytes + 408), 0x51525354u);
  EXPECT_EQ(BigEndian32(bytes + 412), 0x61626364u);
  EXPECT_GT(thumbnail, 0u);
  EXPECT_EQ(art, 0u) << "an empty art stream codes to nothing";
}

TEST(RecordLayout, NewEmptyRecordIsZeroFilledInWholeRecordGranules) {
  RecordBlock r;
  ASSERT_NE(r.block, nullptr);
  EXPECT_EQ(os::MemSize(r.block), 2097152u);
  EXPECT_EQ(r.header()->recordLength, 65962);
  EXPECT_EQ(r.header()->objectCount, 0);
  for (std::uint32_t i = 8; i < 65962; ++i)
    ASSERT_EQ(r.block[i], 0) << "byte " << i;
}

TEST(RecordLayout, NewEmptyRecordReportsOutOfMemory) {
  os::TestOverrides().allocationsBeforeFailure = 0;
  os::MemHandle record = NewEmptyRecord();
  os::TestOverrides().allocationsBeforeFailure = -1;
  EXPECT_EQ(record, nullptr);
  ReleaseBlock(record);
}

// ---- Conversion of whole records ----

class RecordConversion : public ::testing::Test {
 protected:
  std::mt19937 rng{20240506};
  RecordBlock r;

  void FillHeaderAndThumbnail() {
    Record* h = r.header();
    h->bounds = {0, 0x00640000, 0x00C80000, 0};
    const std::string name = velmtest::Sjis("桜の枝 ﾃｽﾄ");
    std::memcpy(h->name, name.data(), name.size());
    const std::string kind = velmtest::Sjis("植物");
    std::memcpy(h->kind, kind.data(), kind.size());
    std::memcpy(h->comment, "\x81\x5C comment", 10);
    h->created = 0xC0FFEE01;
    h->modified = 0xC0FFEE02;
    for (std::uint32_t i = 0; i < kThumbnailSize; ++i) {
      r.block[kThumbnailOffset + i] = static_cast<std::uint8_t>(rng());
    }
  }
};

TEST_F(RecordConversion, EveryObjectTypeConvertsFieldByFieldAndBack) {
  FillHeaderAndThumbnail();
  const std::vector<ObjectImage> objects = {
      velmtest::MarkerObjectImage("GroupArt /"),
      velmtest::PathObjectImage(rng, 1),
      velmtest::PathObjectImage(rng, 5),
      velmtest::TextObjectImage(rng, 2, {3, 0, 1}),
      velmtest::TextObjectImage(rng, 0, {}),
      velmtest::RasterObjectImage(rng, 2),
      velmtest::MeshObjectImage(rng, {{2, 3}, {}, {1}, {0, 4, 2}}),
      velmtest::MarkerObjectImage("/ GroupArt"),
  };
  for (const auto& object : objects)
    AppendObject(r.block, object);
  const std::vector<std::uint8_t> original = Snapshot(r.block);
  const std::int32_t recordLength = r.header()->recordLength;

  ASSERT_EQ(RecordToFileOrder(r.block), 0);

  // The header fields are big-endian; the lengths handled around compression are not.
  EXPECT_EQ(BigEndian32(r.at(0)), 8u);
  EXPECT_EQ(BigEndian32(r.at(4)), static_cast<std::uint32_t>(recordLength));
  EXPECT_EQ(BigEndian32(r.at(12)), 0x00640000u);
  EXPECT_EQ(BigEndian32(r.at(16)), 0x00C80000u);
  EXPECT_EQ(BigEndian32(r.at(408)), 0xC0FFEE01u);
  EXPECT_EQ(BigEndian32(r.at(412)), 0xC0FFEE02u);
  EXPECT_EQ(r.header()->thumbnailLength, 0u);
  EXPECT_EQ(r.header()->artLength, 0u);
  EXPECT_EQ(std::memcmp(r.at(24), original.data() + 24, 384), 0) << "texts reordered";
  EXPECT_EQ(std::memcmp(r.at(kThumbnailOffset), original.data() + kThumbnailOffset, kThumbnailSize),
            0)
      << "thumbnail reordered";

  std::uint32_t at = kArtStreamOffset;
  for (const auto& object : objects) {
    SCOPED_TRACE(testing::Message() << "object of type " << int{object.bytes[0]} << " at " << at);
    velmtest::ExpectConverted(object, r.at(at));
    at += static_cast<std::uint32_t>(object.bytes.size());
  }

  ASSERT_EQ(RecordToHostOrder(r.block, true), 0);
  EXPECT_EQ(Snapshot(r.block), original);
}

// A damaged record is refused whole, in either direction, before a byte changes.
class DamagedRecord : public ::testing::Test {
 protected:
  std::mt19937 rng{31};

  // Builds a record of one object, lets `damage` change the object's bytes (host order)
  // and checks that both directions refuse the record and leave it untouched.
  template <typename Damage>
  void ExpectRefused(ObjectImage object, Damage damage) {
    RecordBlock r;
    damage(object);
    AppendObject(r.block, object);
    const std::vector<std::uint8_t> host = Snapshot(r.block);
    EXPECT_EQ(RecordToFileOrder(r.block), -1);
    EXPECT_EQ(Snapshot(r.block), host);

    // The same record in file order, built by hand from the host image.
    ObjectImage swapped = object;
    for (const auto& field : object.fields) {
      std::reverse(swapped.bytes.begin() + field.offset,
                   swapped.bytes.begin() + field.offset + field.width);
    }
    std::memcpy(r.at(kArtStreamOffset), swapped.bytes.data(), swapped.bytes.size());
    RecordHeaderSwap(r.header());
    const std::vector<std::uint8_t> file = Snapshot(r.block);
    EXPECT_EQ(RecordToHostOrder(r.block, true), -1);
    EXPECT_EQ(Snapshot(r.block), file);
  }
};

TEST_F(DamagedRecord, ObjectLengthBelowTheHeaderOrPastTheStream) {
  ExpectRefused(velmtest::MarkerObjectImage("GroupArt /"), [](ObjectImage& o) { o.Set32(4, 23); });
  ExpectRefused(velmtest::MarkerObjectImage("GroupArt /"), [](ObjectImage& o) { o.Set32(4, 38); });
  ExpectRefused(velmtest::MarkerObjectImage("GroupArt /"), [](ObjectImage& o) { o.Set32(4, -1); });
}

TEST_F(DamagedRecord, PathSegmentCountPastTheObject) {
  ExpectRefused(velmtest::PathObjectImage(rng, 3), [](ObjectImage& o) { o.Set16(5102, 4); });
  ExpectRefused(velmtest::PathObjectImage(rng, 3), [](ObjectImage& o) { o.Set16(5102, -1); });
}

TEST_F(DamagedRecord, TextCountsAndTableOutsideTheObject) {
  auto text = [&] { return velmtest::TextObjectImage(rng, 1, {2, 1}); };
  ExpectRefused(text(), [](ObjectImage& o) { o.Set16(38, 2); });           // runs past the end
  ExpectRefused(text(), [](ObjectImage& o) { o.Set32(28, 41); });          // table inside a run
  ExpectRefused(text(), [](ObjectImage& o) { o.Set32(32, 0x7FFFFFF0); });  // table length
  ExpectRefused(text(), [](ObjectImage& o) { o.Set16(36, 3); });           // one path too many
  ExpectRefused(text(), [](ObjectImage& o) { o.Set16(5928 + 26, 5); });    // segments of path 0
}

TEST_F(DamagedRecord, RasterTileCountPastTheObject) {
  ExpectRefused(velmtest::RasterObjectImage(rng, 1), [](ObjectImage& o) { o.Set32(88, 2); });
  ExpectRefused(velmtest::RasterObjectImage(rng, 1),
                [](ObjectImage& o) { o.Set32(88, 0x40000000); });
}

TEST_F(DamagedRecord, MeshRecordsOutsideTheirParents) {
  auto mesh = [&] { return velmtest::MeshObjectImage(rng, {{2}, {1}}); };
  ExpectRefused(mesh(), [](ObjectImage& o) { o.Set32(36, 3); });       // one vertex too many
  ExpectRefused(mesh(), [](ObjectImage& o) { o.Set32(40, 83); });      // vertex shorter than 84
  ExpectRefused(mesh(), [](ObjectImage& o) { o.Set32(40 + 80, 2); });  // segments of vertex 0
  ExpectRefused(mesh(), [](ObjectImage& o) { o.Set32(40 + 84 + 20, 3); });   // points
  ExpectRefused(mesh(), [](ObjectImage& o) { o.Set32(40 + 84 + 16, -1); });  // leads
}

TEST_F(RecordConversion, DamagedHeadersAreRefused) {
  AppendObject(r.block, velmtest::MarkerObjectImage("GroupArt /"));
  const std::vector<std::uint8_t> original = Snapshot(r.block);
  const std::int32_t recordLength = r.header()->recordLength;
  r.header()->objectCount = 2;  // more objects than the stream holds
  EXPECT_EQ(RecordToFileOrder(r.block), -1);
  r.header()->objectCount = -1;
  EXPECT_EQ(RecordToFileOrder(r.block), -1);
  r.header()->objectCount = 1;
  r.header()->recordLength = static_cast<std::int32_t>(os::MemSize(r.block)) + 1;
  EXPECT_EQ(RecordToFileOrder(r.block), -1);
  r.header()->recordLength = 65961;
  EXPECT_EQ(RecordToFileOrder(r.block), -1);
  r.header()->recordLength = recordLength;
  r.header()->thumbnailLength = 5;  // already in stored form
  EXPECT_EQ(RecordToFileOrder(r.block), -1);
  r.header()->thumbnailLength = 0;
  EXPECT_EQ(Snapshot(r.block), original);
  EXPECT_EQ(RecordToFileOrder(nullptr), -1);
  EXPECT_EQ(RecordToHostOrder(nullptr, false), -1);
}

TEST_F(RecordConversion, ObjectsOfUnknownTypeAreSkippedByLength) {
  ObjectImage unknown(60, rng);
  unknown.Header(5);
  const ObjectImage path = velmtest::PathObjectImage(rng, 1);
  AppendObject(r.block, unknown);
  AppendObject(r.block, path);
  ASSERT_EQ(RecordToFileOrder(r.block), 0);
  velmtest::ExpectConverted(unknown, r.at(kArtStreamOffset));
  velmtest::ExpectConverted(path, r.at(kArtStreamOffset + 60));
}

}  // namespace
}  // namespace velm

namespace velm {
namespace {

// ---- Stored form: conversion and compression together ----

TEST_F(RecordConversion, StoredFormRoundTripsAWholeRecord) {
  FillHeaderAndThumbnail();
  AppendObject(r.block, velmtest::MarkerObjectImage("GroupArt /"));
  AppendObject(r.block, velmtest::PathObjectImage(rng, 4));
  AppendObject(r.block, velmtest::TextObjectImage(rng, 1, {2}));
  AppendObject(r.block, velmtest::RasterObjectImage(rng, 1));
  AppendObject(r.block, velmtest::MeshObjectImage(rng, {{1, 2}}));
  AppendObject(r.block, velmtest::MarkerObjectImage("/ GroupArt"));
  const std::int32_t length = r.header()->recordLength;
  const std::vector<std::uint8_t> original(r.block, r.block + length);

  ASSERT_EQ(RecordToStoredForm(r.block), 0);
  // Every length field of the stored header is big-endian and they add up.
  const std::uint32_t thumbnail = BigEndian32(r.at(416));
  const std::uint32_t art = BigEndian32(r.at(420));
  EXPECT_NE(thumbnail, 0u);
  EXPECT_NE(art, 0u);
  EXPECT_EQ(BigEndian32(r.at(4)), 426 + thumbnail + art);
  EXPECT_EQ(BigEndian32(r.at(0)), 6u);
  EXPECT_EQ(std::memcmp(r.at(24), original.data() + 24, 384), 0);

  // Read back as a group file read does: header and thumbnail only, then everything.
  os::MemHandle copy = nullptr;
  ASSERT_TRUE(GrowBlock(copy, 426 + thumbnail + art, kRecordGranule));
  std::memcpy(copy, r.block, 426 + thumbnail + art);
  ASSERT_EQ(RecordFromStoredForm(copy, false), 0);
  EXPECT_EQ(RecordHeader(copy)->recordLength, 65962);
  EXPECT_EQ(RecordHeader(copy)->objectCount, 6);
  EXPECT_EQ(std::memcmp(copy + 8, original.data() + 8, kArtStreamOffset - 8), 0);
  ReleaseBlock(copy);

  ASSERT_EQ(RecordFromStoredForm(r.block, true), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(r.block, r.block + length), original);
}

TEST_F(RecordConversion, StoredFormOfADamagedRecordIsRefusedWhole) {
  ObjectImage path = velmtest::PathObjectImage(rng, 2);
  path.Set16(5102, 200);
  AppendObject(r.block, path);
  const std::vector<std::uint8_t> original = Snapshot(r.block);
  EXPECT_EQ(RecordToStoredForm(r.block), -1);
  EXPECT_EQ(Snapshot(r.block), original);
}

TEST_F(RecordConversion, StoredFormSurvivesRunningOutOfMemory) {
  FillHeaderAndThumbnail();
  AppendObject(r.block, velmtest::PathObjectImage(rng, 3));
  const std::vector<std::uint8_t> original = Snapshot(r.block);
  os::TestOverrides().allocationsBeforeFailure = 1;  // the coded art's buffer fails
  const std::int32_t status = RecordToStoredForm(r.block);
  os::TestOverrides().allocationsBeforeFailure = -1;
  EXPECT_EQ(status, -1);
  EXPECT_EQ(Snapshot(r.block), original);
}

TEST_F(RecordConversion, StoredRecordWithDamagedObjectsIsReleasedOnRead) {
  // A stream that decodes cleanly but whose object claims more bytes than there are,
  // compressed as a group file would hold it.
  ObjectImage marker = velmtest::MarkerObjectImage("GroupArt /");
  AppendObject(r.block, marker);
  std::uint8_t* object = r.at(kArtStreamOffset);
  const std::uint8_t bigEndianLength[4] = {0x00, 0x01, 0x00, 0x00};
  std::memcpy(object + 4, bigEndianLength, 4);
  SwapBytes32(object);
  SwapBytes32(&r.header()->objectCount);
  ASSERT_EQ(CompressRecord(r.block), 0);
  SwapBytes32(&r.header()->recordLength);
  SwapBytes32(&r.header()->thumbnailLength);
  SwapBytes32(&r.header()->artLength);

  os::MemHandle copy = nullptr;
  ASSERT_TRUE(GrowBlock(copy, os::MemSize(r.block), kRecordGranule));
  std::memcpy(copy, r.block, os::MemSize(r.block));
  EXPECT_EQ(RecordFromStoredForm(copy, false), 0);  // the header alone is sound
  ReleaseBlock(copy);

  EXPECT_EQ(RecordFromStoredForm(r.block, true), -1);
  EXPECT_EQ(r.block, nullptr);
}

}  // namespace
}  // namespace velm
