// The palette's cache of expanded thumbnails: a warm redraw expands nothing again, and any
// change of a group file (this plug-in's writes, another program's) is seen at the next
// draw.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "palette/thumbnail_cache.h"
#include "platform/memory.h"

namespace {

using velmtest::Sjis;
using velmtest::Utf8;

class ThumbnailCacheTest : public velmtest::StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    velm::ClearThumbnailCache();
    Append("絵", "one", "", 1001);
    Append("絵", "two", "", 1002);
  }
  std::string NameOf(std::int32_t number) {
    const velm::CachedThumbnail* t = velm::CachedRecordThumbnail(Sjis("絵").c_str(), number);
    return t ? Utf8(t->header.name) : "<none>";
  }
};

TEST_F(ThumbnailCacheTest, WarmDrawExpandsNothingAgainAndGivesTheExpandedThumbnail) {
  const velm::CachedThumbnail* t = velm::CachedRecordThumbnail(Sjis("絵").c_str(), 1);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(velm::CachedRecordThumbnail(Sjis("絵").c_str(), 1), t);
  EXPECT_EQ(velm::ThumbnailCacheReads(), 1u);

  velm::os::MemHandle expected = MakeRecord("two", "", "", 1002, 1002 % 7 + 1);
  EXPECT_EQ(std::memcmp(t->pixels, expected + velm::kThumbnailOffset, velm::kThumbnailSize), 0);
  EXPECT_EQ(t->header.created, 1002u);
  velm::ReleaseBlock(expected);
  EXPECT_EQ(velm::CachedRecordThumbnail(Sjis("絵").c_str(), 2), nullptr);  // no such record
}

TEST_F(ThumbnailCacheTest, EveryChangeOfTheGroupFileIsSeen) {
  const auto file = GroupFile("絵");
  struct Case {
    const char* change;
    std::function<void()> apply;
    const char* first;
  };
  const Case cases[] = {
      {"own header rewrite",
       [&] {
         ASSERT_EQ(
             velm::VelmReadRecord(Sjis("絵").c_str(), 0, nullptr, velm::kReadWholeRecord, true),
             host::kNoErr);
         std::strcpy(velm::RecordHeader(velm::gGlobals->currentRecord)->name, "uno");
         ASSERT_EQ(velm::WriteGroupRecord(Sjis("絵").c_str(), 0), host::kNoErr);
       },
       "uno"},
      {"own removal",
       [&] { ASSERT_EQ(velm::RemoveGroupRecord(Sjis("絵").c_str(), 0), host::kNoErr); }, "two"},
      {"another program's rewrite of the same size",
       [&] {
         std::string bytes = FileBytes(file);
         const auto at = bytes.find("two");
         ASSERT_NE(at, std::string::npos);
         bytes.replace(at, 3, "TWO");
         const auto stamp = std::filesystem::last_write_time(file);
         WriteFileBytes(file, bytes);
         std::filesystem::last_write_time(file, stamp + std::chrono::seconds(1));
       },
       "TWO"},
      {"another program's rewrite within the file time's resolution",
       [&] {
         std::string bytes = FileBytes(file);
         const auto at = bytes.find("TWO");
         ASSERT_NE(at, std::string::npos);
         bytes.replace(at, 3, "Two");
         const auto stamp = std::filesystem::last_write_time(file);
         WriteFileBytes(file, bytes);
         std::filesystem::last_write_time(file, stamp);
       },
       "Two"},
      {"file deleted", [&] { std::filesystem::remove(file); }, "<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.change);
    EXPECT_NE(NameOf(0), "<none>");  // cached
    c.apply();
    EXPECT_EQ(NameOf(0), c.first);
  }
}

// A record whose length cannot be ends what can be drawn, as it ends what the store reads:
// the records before it are drawn, it and those after are not.
TEST_F(ThumbnailCacheTest, ADamagedLengthEndsTheGroupAsForTheStore) {
  const std::string intact = FileBytes(GroupFile("絵"));
  std::uint32_t first = 0;
  for (int i = 0; i < 4; ++i)
    first = first << 8 | static_cast<std::uint8_t>(intact[8 + i]);
  const struct {
    const char* damage;
    std::uint32_t length;  // of the second record
  } cases[] = {{"shorter than a header", 100}, {"past the end of the file", 0x7FFFFFF0u}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.damage);
    std::string bytes = intact;
    for (int i = 0; i < 4; ++i)
      bytes[4 + first + 4 + i] = static_cast<char>(c.length >> (24 - 8 * i));
    WriteFileBytes(GroupFile("絵"), bytes);
    EXPECT_EQ(NameOf(0), "one");
    EXPECT_EQ(NameOf(1), "<none>");
    EXPECT_NE(velm::VelmReadRecord(Sjis("絵").c_str(), 1, nullptr, velm::kReadHeaderOnly, true),
              host::kNoErr);
    WriteFileBytes(GroupFile("絵"), intact);
    EXPECT_EQ(NameOf(1), "two");
  }
}

TEST_F(ThumbnailCacheTest, HoldsABoundedNumberOfRecords) {
  // A group of many copies of one record, written as another program would.
  const std::string bytes = FileBytes(GroupFile("絵"));
  std::uint32_t length = 0;
  for (int i = 0; i < 4; ++i)
    length = length << 8 | static_cast<std::uint8_t>(bytes[8 + i]);
  const std::string record = bytes.substr(4, length);
  const std::uint32_t count = velm::kThumbnailCacheEntries + 1;
  std::string many{static_cast<char>(0), static_cast<char>(0), static_cast<char>(count >> 8),
                   static_cast<char>(count & 0xFF)};
  for (std::uint32_t i = 0; i < count; ++i)
    many += record;
  WriteFileBytes(GroupFile("絵"), many);

  for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i)
    NameOf(i);
  const std::uint64_t reads = velm::ThumbnailCacheReads();
  EXPECT_EQ(NameOf(static_cast<std::int32_t>(count) - 1), "one");  // recent: kept
  EXPECT_EQ(velm::ThumbnailCacheReads(), reads);
  NameOf(0);  // the least recently drawn: forgotten
  EXPECT_EQ(velm::ThumbnailCacheReads(), reads + 1);
}

}  // namespace
