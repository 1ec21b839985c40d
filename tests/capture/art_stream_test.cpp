// The art object stream: appending keeps the header's count and length and the slack,
// fetching by index and through the one-walk index agree, damage is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "database/art_stream.h"
#include "database/record.h"
#include "platform/memory.h"

namespace {

namespace os = velm::os;

std::vector<std::uint8_t> RawObject(std::int32_t type, std::int32_t length, std::uint8_t fill) {
  // At least a whole header, even for an object that claims to be shorter.
  std::vector<std::uint8_t> bytes(
      std::max<std::size_t>(static_cast<std::size_t>(length), sizeof(velm::ObjectHeader)), fill);
  velm::ObjectHeader header{};
  header.type = type;
  header.length = length;
  std::memcpy(bytes.data(), &header, sizeof header);
  return bytes;
}

class ArtStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    record_ = velm::NewEmptyRecord();
    ASSERT_NE(record_, nullptr);
    velm::gMarkerTarget = &record_;
  }
  void TearDown() override {
    velm::gMarkerTarget = nullptr;
    velm::ReleaseBlock(record_);
    velm::ReleaseBlock(object_);
  }
  velm::Record* Header() { return velm::RecordHeader(record_); }
  os::MemHandle record_ = nullptr;
  os::MemHandle object_ = nullptr;
};

TEST_F(ArtStreamTest, EmptyStreamHasNoObjects) {
  EXPECT_EQ(Header()->objectCount, 0);
  EXPECT_EQ(Header()->recordLength, 65962);
  EXPECT_EQ(velm::GetVELMObj(record_, 0, object_), -1);
  EXPECT_EQ(object_, nullptr) << "a missing index leaves the buffer alone";
  velm::ObjectIndex index;
  ASSERT_TRUE(index.Build(record_));
  EXPECT_EQ(index.count(), 0);
}

TEST_F(ArtStreamTest, AppendedObjectsComeBackByIndex) {
  ASSERT_EQ(velm::AddMarker(velm::kMarkerGroupOpen), 0);
  const auto path = RawObject(2, 5104, 0xAB);
  ASSERT_EQ(velm::AddVELMObj(record_, path.data()), 0);
  const std::uint8_t data[3] = {1, 2, 3};
  ASSERT_EQ(velm::AddDataMarker(data, 3), 0);
  ASSERT_EQ(velm::AddMarker(velm::kMarkerGroupClose), 0);

  // "GroupArt /" and "/ GroupArt": 24 header bytes, 10 characters, the NUL and two zero
  // bytes each; the data marker 24 + 3 + 2.
  const std::int32_t groupLength = 37;
  EXPECT_EQ(Header()->objectCount, 4);
  EXPECT_EQ(Header()->recordLength, 65962 + 37 + 5104 + 29 + 37);

  ASSERT_EQ(velm::GetVELMObj(record_, 0, object_), 0);
  velm::ObjectHeader stored{};
  std::memcpy(&stored, object_, sizeof stored);
  EXPECT_EQ(stored.type, 7);
  EXPECT_EQ(stored.length, groupLength);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(object_) + 24), "GroupArt /");
  EXPECT_EQ(object_[groupLength - 3], 0);
  EXPECT_EQ(object_[groupLength - 2], 0);
  EXPECT_EQ(object_[groupLength - 1], 0);
  ASSERT_EQ(velm::GetVELMObj(record_, 3, object_), 0);
  std::memcpy(&stored, object_, sizeof stored);
  EXPECT_EQ(stored.length, 37);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(object_) + 24), "/ GroupArt");
  ASSERT_EQ(velm::GetVELMObj(record_, 1, object_), 0);
  EXPECT_EQ(std::memcmp(object_, path.data(), path.size()), 0);
  EXPECT_EQ(os::MemSize(object_), velm::kListGranule);
  ASSERT_EQ(velm::GetVELMObj(record_, 2, object_), 0);
  EXPECT_EQ(object_[24], 1);
  EXPECT_EQ(object_[26], 3);
  EXPECT_EQ(velm::GetVELMObj(record_, 4, object_), -1);

  velm::ObjectIndex index;
  ASSERT_TRUE(index.Build(record_));
  ASSERT_EQ(index.count(), 4);
  for (std::int32_t i = 0; i < 4; ++i) {
    ASSERT_EQ(velm::GetVELMObj(record_, i, object_), 0);
    EXPECT_EQ(std::memcmp(index.Object(i), object_, static_cast<std::size_t>(index.Length(i))), 0);
  }
  EXPECT_EQ(index.Object(4), nullptr);
}

TEST_F(ArtStreamTest, GrowingPastAGranuleKeepsEverything) {
  const auto big = RawObject(9, 700000, 0x5C);
  for (int i = 0; i < 4; ++i)
    ASSERT_EQ(velm::AddVELMObj(record_, big.data()), 0);
  EXPECT_EQ(os::MemSize(record_), 2u * velm::kRecordGranule);
  EXPECT_EQ(Header()->recordLength, 65962 + 4 * 700000);
  for (std::int32_t i = 0; i < 4; ++i) {
    ASSERT_EQ(velm::GetVELMObj(record_, i, object_), 0);
    EXPECT_EQ(object_[699999], 0x5C);
  }
  // The two slack bytes follow the last object.
  EXPECT_EQ(record_[Header()->recordLength - 1], 0);
  EXPECT_EQ(record_[Header()->recordLength - 2], 0);
}

TEST_F(ArtStreamTest, DamageAndImpossibleObjectsAreRefused) {
  const auto tooShort = RawObject(2, 10, 0);
  EXPECT_EQ(velm::AddVELMObj(record_, tooShort.data()), -1);
  EXPECT_EQ(Header()->objectCount, 0);

  const auto path = RawObject(2, 100, 1);
  ASSERT_EQ(velm::AddVELMObj(record_, path.data()), 0);
  ASSERT_EQ(velm::AddVELMObj(record_, path.data()), 0);
  // The second object's length now runs past the stream.
  std::int32_t bad = 5000;
  std::memcpy(record_ + velm::kArtStreamOffset + 100 + 4, &bad, 4);
  EXPECT_EQ(velm::GetVELMObj(record_, 0, object_), 0) << "objects before the damage still read";
  EXPECT_EQ(velm::GetVELMObj(record_, 1, object_), -1);
  velm::ObjectIndex index;
  EXPECT_FALSE(index.Build(record_));
  // A count larger than the stream holds.
  bad = 100;
  std::memcpy(record_ + velm::kArtStreamOffset + 100 + 4, &bad, 4);
  Header()->objectCount = 3;
  EXPECT_EQ(velm::GetVELMObj(record_, 2, object_), -1);
  EXPECT_FALSE(index.Build(record_));
  // A count whose index would not fit 32 bits: refused before anything is sized by it.
  Header()->objectCount = 0x40000000;
  EXPECT_FALSE(index.Build(record_));
  EXPECT_EQ(index.count(), 0);

  velm::gMarkerTarget = nullptr;
  EXPECT_EQ(velm::AddMarker("x"), -1) << "no capture in progress";
}

}  // namespace
