// Group files and the record store: the file layout, the three read modes, appending,
// rewriting a header in place, removing through the temporary file, and damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/lzss.h"
#include "database/record.h"
#include "database/record_index.h"
#include "frame/globals.h"
#include "platform/memory.h"

namespace {

namespace os = velm::os;

using velmtest::Sjis;

std::uint32_t BE32(const std::string& bytes, std::size_t at) {
  return (std::uint32_t{static_cast<std::uint8_t>(bytes[at])} << 24) |
         (std::uint32_t{static_cast<std::uint8_t>(bytes[at + 1])} << 16) |
         (std::uint32_t{static_cast<std::uint8_t>(bytes[at + 2])} << 8) |
         std::uint32_t{static_cast<std::uint8_t>(bytes[at + 3])};
}

class GroupFileTest : public velmtest::StoreTest {
 protected:
  velm::Globals& G() { return *velm::gGlobals; }
  std::string NameOfCurrent() {
    return velmtest::Utf8(velm::RecordHeader(G().currentRecord)->name);
  }
  std::vector<std::string> NamesInFile(const std::string& group) {
    std::vector<std::string> names;
    const std::int32_t count = velm::GroupRecordCount(Sjis(group).c_str());
    for (std::int32_t i = 0; i < count; ++i) {
      EXPECT_EQ(velm::VelmReadRecord(Sjis(group).c_str(), i, nullptr, velm::kReadHeaderOnly, true),
                host::kNoErr);
      names.push_back(G().currentRecord ? NameOfCurrent() : "<nothing>");
    }
    return names;
  }
};

TEST_F(GroupFileTest, FirstAppendToANewGroupWritesCountThenRecord) {
  WriteFileBytes(GroupFile("花"), "");  // a new group is an empty file
  Append("花", "桜の枝", "植物", 3000);
  const std::string bytes = FileBytes(GroupFile("花"));
  ASSERT_GE(bytes.size(), 4u + 426u);
  EXPECT_EQ(BE32(bytes, 0), 1u);
  const std::uint32_t recordLength = BE32(bytes, 4 + 4);
  EXPECT_EQ(bytes.size(), 4u + recordLength) << "count word, then exactly one stored record";
  EXPECT_EQ(BE32(bytes, 4 + 0), 0u) << "objectCount, big-endian";
  EXPECT_EQ(bytes.substr(4 + 24, Sjis("桜の枝").size()), Sjis("桜の枝"));
  EXPECT_EQ(BE32(bytes, 4 + 408), 3000u) << "created, big-endian";
  const std::uint32_t thumbnailLength = BE32(bytes, 4 + 416);
  const std::uint32_t artLength = BE32(bytes, 4 + 420);
  EXPECT_GT(thumbnailLength, 0u);
  EXPECT_EQ(artLength, 0u) << "an empty art stream compresses to nothing";
  EXPECT_EQ(recordLength, 426u + thumbnailLength + artLength);
  EXPECT_EQ(G().currentRecordIndex, 0);

  Append("花", "梅", "植物", 3001);
  EXPECT_EQ(velm::GroupRecordCount(Sjis("花").c_str()), 2);
  EXPECT_EQ(G().currentRecordIndex, 1);
}

TEST_F(GroupFileTest, ReadModesGiveWholeRecordHeaderAndThumbnailOrHeader) {
  os::MemHandle original = MakeRecord("壺", "陶器", "古い", 5000, 3);
  std::string thumbnail(reinterpret_cast<char*>(original) + velm::kThumbnailOffset,
                        velm::kThumbnailSize);
  SetCurrentRecord(original);
  ASSERT_EQ(velm::WriteGroupRecord(Sjis("器").c_str(), -1), host::kNoErr);
  Append("器", "皿", "陶器", 5001);
  const std::string group = Sjis("器");

  ASSERT_EQ(velm::VelmReadRecord(group.c_str(), 0, nullptr, velm::kReadWholeRecord, true), 0);
  ASSERT_NE(G().currentRecord, nullptr);
  velm::Record* r = velm::RecordHeader(G().currentRecord);
  EXPECT_EQ(G().currentRecordIndex, 0);
  EXPECT_EQ(r->recordLength, 65962);
  EXPECT_EQ(r->thumbnailLength, 0u);
  EXPECT_EQ(r->created, 5000u);
  EXPECT_EQ(r->bounds.top, 10 << 16);
  EXPECT_EQ(velmtest::Utf8(r->comment), "古い");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(G().currentRecord) + velm::kThumbnailOffset,
                        velm::kThumbnailSize),
            thumbnail);

  os::MemHandle own = nullptr;
  ASSERT_TRUE(velm::GrowBlock(own, 65962, velm::kRecordGranule));
  os::MemHandle passed = own;
  ASSERT_EQ(velm::VelmReadRecord(group.c_str(), 0, &own, velm::kReadHeaderAndThumbnail, true), 0);
  EXPECT_EQ(own, passed) << "a block that is large enough is used as it is";
  EXPECT_EQ(velm::RecordHeader(own)->recordLength, 65962);
  EXPECT_EQ(
      std::string(reinterpret_cast<char*>(own) + velm::kThumbnailOffset, velm::kThumbnailSize),
      thumbnail);
  EXPECT_EQ(G().currentRecordIndex, 0) << "reading into a block leaves the current record alone";

  ASSERT_EQ(velm::VelmReadRecord(group.c_str(), 1, &own, velm::kReadHeaderOnly, true), 0);
  EXPECT_EQ(velmtest::Utf8(velm::RecordHeader(own)->name), "皿");
  EXPECT_EQ(velm::RecordHeader(own)->created, 5001u);

  // Unconverted, the bytes are those of the file.
  ASSERT_EQ(velm::VelmReadRecord(group.c_str(), 1, &own, velm::kReadWholeRecord, false), 0);
  const std::string file = FileBytes(GroupFile("器"));
  const std::uint32_t first = BE32(file, 8);
  const std::uint32_t second = BE32(file, 4 + first + 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(own), second), file.substr(4 + first, second));
  velm::ReleaseBlock(own);
}

TEST_F(GroupFileTest, ReadingAMissingRecordReadsNothing) {
  Append("a", "one");
  const std::string group = "a";
  for (std::int32_t index : {-1, 1, 7}) {
    EXPECT_EQ(velm::VelmReadRecord(group.c_str(), index, nullptr, 0, true), 0);
    EXPECT_EQ(G().currentRecord, nullptr) << index;
    EXPECT_EQ(G().currentRecordIndex, -1);
  }
  EXPECT_EQ(velm::VelmReadRecord("nosuchgroup", 0, nullptr, 0, true), 0);
  EXPECT_EQ(G().currentRecord, nullptr);
  EXPECT_EQ(velm::GroupRecordCount("nosuchgroup"), 0);
  WriteFileBytes(GroupFile("short"), "\0\0");
  EXPECT_EQ(velm::GroupRecordCount("short"), 0) << "a file shorter than 4 bytes holds nothing";
}

TEST_F(GroupFileTest, RewritingAHeaderKeepsCreatedAndArtAndSetsModified) {
  Append("g", "before", "k", 7000);
  Append("g", "second", "k", 7001);
  const std::string fileBefore = FileBytes(GroupFile("g"));

  ASSERT_EQ(velm::VelmReadRecord("g", 0, nullptr, velm::kReadWholeRecord, true), 0);
  velm::Record* r = velm::RecordHeader(G().currentRecord);
  std::memset(r->name, 0, sizeof r->name);
  std::strcpy(r->name, "after");
  std::strcpy(r->comment, "changed");
  r->created = 1;  // a record captured or changed since it was read
  r->modified = 1;
  os::TestOverrides().localTime = [](os::SystemTime* t) { *t = {2001, 2, 0, 3, 4, 5, 6, 0}; };
  ASSERT_EQ(velm::WriteGroupRecord("g", 0), host::kNoErr);
  os::TestOverrides().localTime = nullptr;

  const std::string fileAfter = FileBytes(GroupFile("g"));
  ASSERT_EQ(fileAfter.size(), fileBefore.size());
  EXPECT_EQ(fileAfter.substr(4 + 416), fileBefore.substr(4 + 416))
      << "everything after the first 416 header bytes is unchanged";
  EXPECT_EQ(BE32(fileAfter, 4 + 408), 7000u) << "created stays";
  EXPECT_EQ(fileAfter.substr(4 + 24, 6), std::string("after\0", 6));
  ASSERT_EQ(velm::VelmReadRecord("g", 0, nullptr, velm::kReadHeaderOnly, true), 0);
  velm::Record* back = velm::RecordHeader(G().currentRecord);
  os::SystemTime when = velm::RecordTimeToLocalTime(back->modified);
  EXPECT_EQ(when.year, 2001);
  EXPECT_EQ(when.minute, 5);
  EXPECT_STREQ(back->comment, "changed");
}

TEST_F(GroupFileTest, RemovingRenumbersLaterRecordsInFileAndIndex) {
  velm::SelectGroup("five");
  for (const char* name : {"r0", "r1", "r2", "r3", "r4"})
    Append("five", name);
  ASSERT_NE(G().RIHList, nullptr);
  ASSERT_EQ(velm::RemoveGroupRecord("five", 2), host::kNoErr);
  EXPECT_EQ(G().currentRecord, nullptr);
  EXPECT_EQ(G().currentRecordIndex, -1);
  EXPECT_EQ(NamesInFile("five"), (std::vector<std::string>{"r0", "r1", "r3", "r4"}));
  EXPECT_FALSE(std::filesystem::exists(DatabaseFolder() / "VELM.TMP"));
  // The index names r3 and r4 by their new numbers.
  ASSERT_EQ(velm::RIHCount(G().RIHList), 4);
  for (std::int32_t i = 0; i < 4; ++i) {
    const velm::RIHItem& item = velm::RIHItems(G().RIHList)[i];
    EXPECT_EQ(std::string(item.name),
              (std::vector<std::string>{"r0", "r1", "r3",
                                        "r4"})[static_cast<std::size_t>(item.recordNumber)]);
  }

  for (int i = 0; i < 4; ++i)
    ASSERT_EQ(velm::RemoveGroupRecord("five", 0), host::kNoErr);
  EXPECT_EQ(FileBytes(GroupFile("five")), std::string("\0\0\0\0", 4))
      << "removing the last record leaves just a count of 0";
  EXPECT_EQ(velm::RemoveGroupRecord("five", 0), host::kNoErr);
  EXPECT_EQ(FileBytes(GroupFile("five")), std::string("\0\0\0\0", 4))
      << "removing a record that does not exist changes nothing";
}

TEST_F(GroupFileTest, GroupsAreFilesWithTheExactExtension) {
  for (const char* n : {"b", "a"})
    Append(n, "x");
  std::filesystem::create_directories(DatabaseFolder());
  for (const std::string& n :
       {std::string("lower.vel"), std::string(".VEL"), std::string("検索結果.VEL"),
        std::string("VELM.TMP"), std::string("和名.VEL"), std::string("a.VEL.bak"),
        std::string("x.VELM")})
    WriteFileBytes(DatabaseFolder() / n, "");
  std::set<std::string> groups;
  velm::ListGroups(
      [](const char* group, void* context) {
        static_cast<std::set<std::string>*>(context)->insert(velmtest::Utf8(group));
        return true;
      },
      &groups);
  EXPECT_EQ(groups, (std::set<std::string>{"a", "b", "和名"}));
}

TEST_F(GroupFileTest, BaseFolderIsCutAtTheFirstMarker) {
  struct Case {
    const char* app;
    const char* base;
  };
  const Case cases[] = {
      {"D:\\Apps\\Draw\\Support Files\\Host.exe", "D:\\Apps\\Draw"},
      {"D:\\A\\SYSTEM\\x\\Support Files\\h.exe", "D:\\A"},
      {"D:\\A\\Support Files\\B\\System\\h.exe", "D:\\A\\Support Files\\B"},
      {"E:\\Host\\Illustrator.exe", "E:\\Host"},
      {"E:\\Host\\Program.exe", "E:\\Host\\Program.exe"},
  };
  for (const Case& c : cases) {
    host().SetApplicationPath(c.app);
    char base[velm::kPathSize];
    ASSERT_EQ(velm::GetBaseFolder(base), host::kNoErr);
    EXPECT_STREQ(base, c.base) << c.app;
  }
}

TEST_F(GroupFileTest, RuntimeFailureTouchesNoFile) {
  Append("g", "kept");
  const std::string before = FileBytes(GroupFile("g"));
  host().suites().FailOperation("AI Runtime Suite", "GetAppFilePath",
                                host::FourCC('R', 'U', 'N', '!'));
  SetCurrentRecord(MakeRecord("new"));
  EXPECT_EQ(velm::WriteGroupRecord("g", -1), host::FourCC('R', 'U', 'N', '!'));
  EXPECT_EQ(velm::RemoveGroupRecord("g", 0), host::FourCC('R', 'U', 'N', '!'));
  EXPECT_EQ(velm::VelmReadRecord("g", 0, nullptr, 0, true), host::FourCC('R', 'U', 'N', '!'));
  host().suites().ClearFailures();
  EXPECT_EQ(FileBytes(GroupFile("g")), before);
}

TEST_F(GroupFileTest, DamagedFilesAreRefusedAndNeverOverwritten) {
  for (const char* name : {"r0", "r1", "r2"})
    Append("d", name);
  const std::string good = FileBytes(GroupFile("d"));
  const std::uint32_t first = BE32(good, 8);

  // 1. The last record is cut short.
  std::string cut = good.substr(0, good.size() - 10);
  WriteFileBytes(GroupFile("d"), cut);
  EXPECT_EQ(velm::VelmReadRecord("d", 2, nullptr, 0, true), velm::kDamagedGroupErr);
  EXPECT_EQ(G().currentRecord, nullptr);
  EXPECT_EQ(velm::VelmReadRecord("d", 0, nullptr, 0, true), host::kNoErr)
      << "earlier records still read";
  SetCurrentRecord(MakeRecord("new"));
  EXPECT_EQ(velm::WriteGroupRecord("d", -1), velm::kDamagedGroupErr);
  EXPECT_EQ(velm::RemoveGroupRecord("d", 0), velm::kDamagedGroupErr);
  EXPECT_EQ(FileBytes(GroupFile("d")), cut) << "nothing is written into a damaged file";
  EXPECT_FALSE(std::filesystem::exists(DatabaseFolder() / "VELM.TMP"));

  // 2. A record length of zero (which would make a walk stand still).
  std::string zero = good;
  zero[4 + first + 4] = zero[4 + first + 5] = zero[4 + first + 6] = zero[4 + first + 7] = 0;
  WriteFileBytes(GroupFile("d"), zero);
  EXPECT_EQ(velm::VelmReadRecord("d", 2, nullptr, 0, true), velm::kDamagedGroupErr);

  // 3. The count claims more records than there are.
  std::string more = good;
  more[3] = 9;
  WriteFileBytes(GroupFile("d"), more);
  EXPECT_EQ(velm::VelmReadRecord("d", 5, nullptr, 0, true), velm::kDamagedGroupErr);
  EXPECT_EQ(velm::VelmReadRecord("d", 1, nullptr, 0, true), host::kNoErr);

  // 4. A thumbnail length beyond the record.
  std::string thumb = good;
  thumb[4 + 416] = '\x7F';
  WriteFileBytes(GroupFile("d"), thumb);
  EXPECT_EQ(velm::VelmReadRecord("d", 0, nullptr, velm::kReadHeaderAndThumbnail, true),
            velm::kDamagedGroupErr);
  EXPECT_EQ(G().currentRecord, nullptr);

  // 5. Coded thumbnail bytes flipped (these records hold no art): whatever the thumbnail
  // expands to, cut to 65536 bytes or padded with zeros, the record reads in every mode.
  const std::uint32_t codedThumbnail = BE32(good, 4 + 416);
  for (std::size_t at = 4 + 424; at < 4 + 424 + codedThumbnail; at += 97) {
    std::string flipped = good;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x5A);
    WriteFileBytes(GroupFile("d"), flipped);
    os::MemHandle decoded = nullptr;
    const std::int64_t n =
        velm::LzssDecode(reinterpret_cast<const std::uint8_t*>(flipped.data()) + 4 + 424,
                         codedThumbnail, decoded, velm::kListGranule);
    ASSERT_GE(n, 0);
    std::string picture(reinterpret_cast<char*>(decoded), static_cast<std::size_t>(n));
    velm::ReleaseBlock(decoded);
    picture.resize(velm::kThumbnailSize);
    for (const std::int32_t mode : {velm::kReadWholeRecord, velm::kReadHeaderAndThumbnail}) {
      ASSERT_EQ(velm::VelmReadRecord("d", 0, nullptr, mode, true), host::kNoErr)
          << "byte " << at << ", mode " << mode;
      ASSERT_NE(G().currentRecord, nullptr);
      EXPECT_EQ(velm::RecordHeader(G().currentRecord)->recordLength, 65962);
      EXPECT_EQ(NameOfCurrent(), "r0");
      EXPECT_EQ(std::string(reinterpret_cast<char*>(G().currentRecord) + velm::kThumbnailOffset,
                            velm::kThumbnailSize),
                picture)
          << "byte " << at << ", mode " << mode;
    }
  }
}

}  // namespace

namespace {

TEST_F(GroupFileTest, GroupNamesMustBeFileNames) {
  for (const std::string& bad :
       {std::string(""), std::string("."), std::string(".."), std::string("a\\b"),
        std::string("..\\..\\x"), std::string("a/b"), std::string("c:"), std::string("q?"),
        std::string("s*"), std::string("t\x01"), std::string(64, 'x'), std::string("\x81"),
        // The listing cuts a file's name at its first ".VEL": these would never be listed.
        std::string("a.VEL"), std::string(".VEL"), std::string("x.VELM"),
        // Windows devices, alone or before a dot, in any case.
        std::string("CON"), std::string("con"), std::string("Prn"), std::string("aux.txt"),
        std::string("NUL.a.b"), std::string("COM1"), std::string("com9"), std::string("LPT1"),
        std::string("lPt9.VEX"), std::string("AUX ."), std::string("con  ")}) {
    EXPECT_FALSE(velm::IsValidGroupName(bad.c_str())) << ::testing::PrintToString(bad);
    SetCurrentRecord(MakeRecord("r"));
    EXPECT_EQ(velm::WriteGroupRecord(bad.c_str(), -1), velm::kBadGroupNameErr);
    EXPECT_EQ(velm::RemoveGroupRecord(bad.c_str(), 0), velm::kBadGroupNameErr);
    EXPECT_EQ(velm::VelmReadRecord(bad.c_str(), 0, nullptr, 0, true), host::kNoErr);
    EXPECT_EQ(G().currentRecord, nullptr);
  }
  // Names that only look like those are groups like any other; ".VEL" in another case is
  // not where the listing cuts.
  for (const std::string& good :
       {std::string("a.vel"), std::string("b.Vel"), std::string("CONSOLE"), std::string("COM0"),
        std::string("COM10"), std::string("LPT"), std::string("xNUL"), std::string("con_1"),
        std::string("NUL_.txt")})
    EXPECT_TRUE(velm::IsValidGroupName(good.c_str())) << good;
  Append("a.vel", "r");
  std::set<std::string> listed;
  velm::ListGroups(
      [](const char* group, void* context) {
        static_cast<std::set<std::string>*>(context)->insert(group);
        return true;
      },
      &listed);
  EXPECT_EQ(listed, std::set<std::string>{"a.vel"});
  std::filesystem::remove(GroupFile("a.vel"));

  // 表 ends in 0x5C, a backslash as a single byte: as a trail byte it is fine.
  const std::string table = Sjis("表");
  ASSERT_EQ(table[1], '\\');
  EXPECT_TRUE(velm::IsValidGroupName(table.c_str()));
  Append("表", "r");
  EXPECT_EQ(velm::GroupRecordCount(table.c_str()), 1);
  EXPECT_TRUE(std::filesystem::exists(GroupFile("表")));
  const std::vector<std::filesystem::path> expected{GroupFile("表")};
  std::vector<std::filesystem::path> present;
  for (const auto& e : std::filesystem::directory_iterator(DatabaseFolder()))
    if (e.path().filename() != "VELM.LCK") present.push_back(e.path());  // the writers' lock
  EXPECT_EQ(present, expected) << "nothing was written outside the database folder";
}

TEST_F(GroupFileTest, AWriteThatCannotBeDoneIsAnErrorAndChangesNothing) {
  Append("g", "r0");
  const std::string before = FileBytes(GroupFile("g"));
  G().currentRecordIndex = -1;
  // A folder where the group file would be: it cannot be opened or created.
  std::filesystem::create_directories(GroupFile("blocked"));
  SetCurrentRecord(MakeRecord("new"));
  EXPECT_EQ(velm::WriteGroupRecord("blocked", -1), velm::kGroupWriteErr);
  EXPECT_EQ(G().currentRecordIndex, -1);
  // A header rewrite of a record the group does not hold.
  SetCurrentRecord(MakeRecord("renamed"));
  EXPECT_EQ(velm::WriteGroupRecord("g", 1), velm::kNoSuchRecordErr);
  EXPECT_EQ(FileBytes(GroupFile("g")), before);
  EXPECT_EQ(G().currentRecordIndex, -1);

  // A file where the database folder would be: nothing can be created in it.
  std::filesystem::rename(DatabaseFolder(), DatabaseFolder().string() + ".away");
  WriteFileBytes(DatabaseFolder(), "not a folder");
  SetCurrentRecord(MakeRecord("new"));
  EXPECT_EQ(velm::WriteGroupRecord("g", -1), velm::kGroupWriteErr);
  EXPECT_EQ(FileBytes(DatabaseFolder()), "not a folder");
}

TEST_F(GroupFileTest, RecordLengthMustMatchItsParts) {
  Append("m", "r0");
  std::string bytes = FileBytes(GroupFile("m"));
  // One more byte claimed by recordLength than the parts account for (file padded).
  bytes[4 + 7] = static_cast<char>(bytes[4 + 7] + 1);
  bytes.push_back('\0');
  WriteFileBytes(GroupFile("m"), bytes);
  EXPECT_EQ(velm::VelmReadRecord("m", 0, nullptr, velm::kReadHeaderOnly, true),
            velm::kDamagedGroupErr);
  EXPECT_EQ(G().currentRecord, nullptr);
}

}  // namespace

namespace {

TEST_F(GroupFileTest, ACallersBlockIsNeverLeftDanglingWhenAReadFails) {
  Append("own", "r0");
  // Whichever allocation fails (the block's growth, the expansion's), the caller holds a
  // live block afterwards: the grown one, or its own.
  for (std::int32_t allowed = 0; allowed < 4; ++allowed) {
    SCOPED_TRACE(allowed);
    os::MemHandle small = os::MemAlloc(100);  // too small: replaced while it grows
    os::TestOverrides().allocationsBeforeFailure = allowed;
    const host::Err err = velm::VelmReadRecord("own", 0, &small, velm::kReadWholeRecord, true);
    os::TestOverrides().allocationsBeforeFailure = -1;
    if (allowed == 0) {
      EXPECT_NE(err, host::kNoErr);
    }
    ASSERT_NE(small, nullptr);
    EXPECT_GE(os::MemSize(small), err == host::kNoErr ? velm::kEmptyRecordLength : 100u);
    small[os::MemSize(small) - 1] = 1;  // still ours to use
    velm::ReleaseBlock(small);
  }
}

}  // namespace
