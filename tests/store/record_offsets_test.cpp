// Reads through the kept record offsets give what a walk from the start gives, on intact
// and damaged group files, and after another program rewrote the file behind them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_offsets.h"
#include "frame/globals.h"
#include "platform/memory.h"

namespace {

class RecordOffsetsTest : public velmtest::StoreTest {
 protected:
  void TearDown() override {
    velm::ForgetRecordOffsets();
    StoreTest::TearDown();
  }

  // Record `index` of "g" as stored: its status and bytes ("" when none was read).
  std::string Read(std::int32_t index, bool cold) {
    if (cold) velm::ForgetRecordOffsets();
    const host::Err err = velm::VelmReadRecord("g", index, nullptr, velm::kReadWholeRecord, false);
    velm::Globals* g = velm::gGlobals;
    std::string bytes = std::to_string(err) + ":";
    if (g->currentRecord) {
      const velm::Record* header = velm::RecordHeader(g->currentRecord);
      bytes.append(reinterpret_cast<const char*>(g->currentRecord), velm::kRecordHeaderPrefix);
      bytes += std::to_string(header->recordLength);
    }
    return bytes;
  }

  // Every record read in order, out of order and cold gives the same.
  void ExpectSameAsTheWalk(const std::string& label) {
    // A damaged count word may claim millions: the file holds 12 records at most.
    const std::int32_t count = std::min(velm::GroupRecordCount("g"), 14) + 2;
    std::vector<std::string> cold;
    for (std::int32_t i = -1; i < count; ++i)
      cold.push_back(Read(i, true));
    velm::ForgetRecordOffsets();
    for (std::int32_t i = -1; i < count; ++i)
      EXPECT_EQ(Read(i, false), cold[static_cast<std::size_t>(i + 1)]) << label << " record " << i;
    for (std::int32_t i = count - 1; i >= -1; i -= 3)
      EXPECT_EQ(Read(i, false), cold[static_cast<std::size_t>(i + 1)]) << label << " record " << i;
  }
};

TEST_F(RecordOffsetsTest, KeptOffsetsReadWhatTheWalkReadsOnIntactAndDamagedFiles) {
  for (int i = 0; i < 12; ++i)
    Append("g", "r" + std::to_string(i), "", 1000 + static_cast<std::uint32_t>(i));
  const std::string intact = FileBytes(GroupFile("g"));
  ExpectSameAsTheWalk("intact");

  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    std::string damaged = intact;
    // A length word, a count word or any other byte.
    std::size_t at = random() % damaged.size();
    if (round % 3 == 0) at = 4 + (random() % 12) * (intact.size() - 4) / 12 + 4 + random() % 4;
    if (round % 7 == 0) at = random() % 4;
    damaged[at] = static_cast<char>(damaged[at] ^ (1 + random() % 255));
    if (round % 5 == 0) damaged.resize(damaged.size() - 1 - random() % 20000);
    WriteFileBytes(GroupFile("g"), damaged);
    ExpectSameAsTheWalk("round " + std::to_string(round) + " byte " + std::to_string(at));
  }
}

TEST_F(RecordOffsetsTest, ARewriteOfTheSameSizeAndTimeIsSeen) {
  // Records of two lengths; a rewrite that swaps them keeps the size of the file.
  Append("g", "short");
  SetCurrentRecord(MakeRecord("long", "", "", 2000, 3));
  ASSERT_EQ(velm::WriteGroupRecord("g", -1), 0);
  Append("g", "last");
  const std::string before = FileBytes(GroupFile("g"));
  for (std::int32_t i = 0; i < 3; ++i)
    Read(i, false);  // the offsets are kept now

  struct stat old {};
  ASSERT_EQ(::stat(GroupFile("g").c_str(), &old), 0);
  const auto lengthAt = [](const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k)
      v = (v << 8) | static_cast<std::uint8_t>(bytes[at + 4 + k]);
    return v;
  };
  const std::uint32_t first = lengthAt(before, 4), second = lengthAt(before, 4 + first);
  ASSERT_NE(first, second);
  // Another program writes records 0 and 1 swapped, and the file gets its old time back.
  const std::string swapped = before.substr(0, 4) + before.substr(4 + first, second) +
                              before.substr(4, first) + before.substr(4 + first + second);
  ASSERT_EQ(swapped.size(), before.size());
  WriteFileBytes(GroupFile("g"), swapped);
  const timespec times[2] = {old.st_atim, old.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, GroupFile("g").c_str(), times, 0), 0);

  std::vector<std::string> warm, cold;
  for (std::int32_t i = 0; i < 3; ++i)
    warm.push_back(Read(i, false));
  for (std::int32_t i = 0; i < 3; ++i)
    cold.push_back(Read(i, true));
  EXPECT_EQ(warm, cold);
  EXPECT_NE(cold[0].find("long"), std::string::npos);
}

// Another program rewrites the group behind the kept offsets, keeping the file's size,
// time and count word, but its last record now ends where the rest of an interrupted
// append begins: an append must find that end by walking again, and cut the rest off.
TEST_F(RecordOffsetsTest, AnAppendAfterARewriteThatMovedTheLastRecordWalksAgain) {
  SetCurrentRecord(MakeRecord("short", "", "", 2000, 3));  // a thumbnail that codes shorter
  ASSERT_EQ(velm::WriteGroupRecord("g", -1), 0);
  Append("g", "long");
  Append("g", "last");
  const std::string before = FileBytes(GroupFile("g"));
  for (std::int32_t i = 0; i < 3; ++i)
    Read(i, false);  // the offsets are kept now

  struct stat old {};
  ASSERT_EQ(::stat(GroupFile("g").c_str(), &old), 0);
  const auto lengthAt = [](const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k)
      v = (v << 8) | static_cast<std::uint8_t>(bytes[at + 4 + k]);
    return std::size_t{v};
  };
  const std::size_t shortOne = lengthAt(before, 4), longOne = lengthAt(before, 4 + shortOne);
  ASSERT_LT(shortOne, longOne);
  // Records short, last, short, then the first bytes of the long one: the same size.
  const std::string shortBytes = before.substr(4, shortOne);
  const std::string lastBytes = before.substr(4 + shortOne + longOne);
  const std::string rewritten = before.substr(0, 4) + shortBytes + lastBytes + shortBytes +
                                before.substr(4 + shortOne, longOne - shortOne);
  ASSERT_EQ(rewritten.size(), before.size());
  WriteFileBytes(GroupFile("g"), rewritten);
  const timespec times[2] = {old.st_atim, old.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, GroupFile("g").c_str(), times, 0), 0);

  Append("g", "new");
  const std::size_t end = rewritten.size() - (longOne - shortOne);
  const std::string after = FileBytes(GroupFile("g"));
  EXPECT_EQ(after.substr(4, end - 4), rewritten.substr(4, end - 4));
  EXPECT_EQ(after.size(), end + lengthAt(after, end)) << "the new record ends the file";
  EXPECT_NE(Read(3, true).find("new"), std::string::npos);
  ExpectSameAsTheWalk("after the rewrite and the append");
}

}  // namespace

TEST_F(RecordOffsetsTest, AppendsKeepTheOffsetsAndAnotherProgramsAppendIsSeen) {
  for (int i = 0; i < 3; ++i)
    Append("g", "r" + std::to_string(i));  // the later appends go by the kept offsets
  ExpectSameAsTheWalk("appended");
  Append("g", "r3");
  // Another program appends a copy of record 0 and counts it.
  std::string bytes = FileBytes(GroupFile("g"));
  const std::uint32_t first =
      (static_cast<std::uint8_t>(bytes[8]) << 24) | (static_cast<std::uint8_t>(bytes[9]) << 16) |
      (static_cast<std::uint8_t>(bytes[10]) << 8) | static_cast<std::uint8_t>(bytes[11]);
  bytes += bytes.substr(4, first);
  bytes[3] = 5;
  WriteFileBytes(GroupFile("g"), bytes);
  Append("g", "r5");
  EXPECT_EQ(velm::GroupRecordCount("g"), 6);
  ExpectSameAsTheWalk("after another program's append");
  EXPECT_NE(Read(5, true).find("r5"), std::string::npos);
}
