// The library's trash: removed records and groups come back byte for byte, never over a
// group, never from a damaged or foreign file; pruning; a removal whose record cannot be
// kept changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record_move.h"
#include "database/trash.h"
#include "frame/globals.h"

namespace {

namespace fs = std::filesystem;
namespace os = velm::os;

os::SystemTime gNow{2024, 5, 0, 10, 12, 0, 0, 0};
void Clock(os::SystemTime* time) {
  *time = gNow;
}

class TrashTest : public velmtest::StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    gNow = os::SystemTime{2024, 5, 0, 10, 12, 0, 0, 0};
    os::TestOverrides().localTime = Clock;
  }
  void TearDown() override {
    os::TestOverrides().localTime = nullptr;
    os::TestOverrides().fileFaults = nullptr;
    velm::SetTrashLimits(velm::kTrashMaxAgeDays, velm::kTrashMaxBytes, nullptr, nullptr);
    StoreTest::TearDown();
  }
  fs::path Trash() const { return DatabaseFolder() / "TRASH"; }
  std::vector<velm::TrashEntry> Entries() {
    std::vector<velm::TrashEntry> entries;
    EXPECT_EQ(velm::ListTrash(&entries), host::kNoErr);
    return entries;
  }
  // The stored bytes of record `index` of a group file's bytes.
  static std::string RecordBytes(const std::string& file, int index) {
    std::size_t at = 4;
    auto length = [&] {
      std::uint32_t n = 0;
      for (int i = 0; i < 4; ++i)
        n = n << 8 | static_cast<std::uint8_t>(file[at + 4 + static_cast<std::size_t>(i)]);
      return n;
    };
    for (int i = 0; i < index; ++i)
      at += length();
    return file.substr(at, length());
  }
  std::set<std::string> Groups() {
    std::set<std::string> groups;
    velm::ListGroups(
        [](const char* group, void* context) {
          static_cast<std::set<std::string>*>(context)->insert(group);
          return true;
        },
        &groups);
    return groups;
  }
};

TEST_F(TrashTest, RemovedRecordsAndGroupsComeBackAsTheyWereAndNeverOverAGroup) {
  Append("g", "r0", "", 1000);
  Append("g", "r1", "k", 1001);
  const std::string record = RecordBytes(FileBytes(GroupFile("g")), 1);
  ASSERT_EQ(velm::RemoveGroupRecord("g", 1), host::kNoErr);
  std::vector<velm::TrashEntry> entries = Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].kind, velm::TrashKind::kRecord);
  EXPECT_EQ(entries[0].group, "g");
  EXPECT_EQ(entries[0].firstRecord, "r1");
  EXPECT_FALSE(entries[0].damaged);
  EXPECT_EQ(entries[0].file.rfind("R-20240510120000-", 0), 0u) << entries[0].file;
  EXPECT_EQ(FileBytes(Trash() / entries[0].file), std::string("\0\0\0\1", 4) + record);

  velm::RestoredArt restored;
  ASSERT_EQ(velm::RestoreLatestTrashEntry(&restored), host::kNoErr);
  EXPECT_EQ(restored.group, "g");
  EXPECT_EQ(restored.record, 1);
  EXPECT_EQ(RecordBytes(FileBytes(GroupFile("g")), 1), record) << "same bytes, same dates";
  EXPECT_TRUE(Entries().empty());

  // A group's file moves into the trash with its times; the listing no longer shows it.
  const std::string group = FileBytes(GroupFile("g"));
  const fs::file_time_type written = fs::last_write_time(GroupFile("g"));
  ASSERT_EQ(velm::RemoveGroupFile("g"), host::kNoErr);
  EXPECT_EQ(Groups(), std::set<std::string>{});
  entries = Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].kind, velm::TrashKind::kGroup);
  EXPECT_EQ(entries[0].records, 2);
  EXPECT_EQ(fs::last_write_time(Trash() / entries[0].file), written);

  // A group made meanwhile under the name is not overwritten; another name may be given.
  Append("g", "new");
  const std::string taken = FileBytes(GroupFile("g"));
  EXPECT_EQ(velm::RestoreTrashEntry(entries[0].file.c_str(), nullptr, &restored),
            velm::kGroupExistsErr);
  EXPECT_EQ(FileBytes(GroupFile("g")), taken);
  ASSERT_EQ(velm::RestoreTrashEntry(entries[0].file.c_str(), "g2", &restored), host::kNoErr);
  EXPECT_EQ(FileBytes(GroupFile("g2")), group);
  EXPECT_EQ(fs::last_write_time(GroupFile("g2")), written);
  EXPECT_EQ(Groups(), (std::set<std::string>{"g", "g2"}));
  EXPECT_EQ(velm::RestoreTrashEntry(entries[0].file.c_str(), nullptr, &restored),
            velm::kNoSuchTrashEntryErr);

  // A move's record lives on in its new group: nothing goes to the trash.
  ASSERT_EQ(velm::VelmReadRecord("g2", 0, nullptr, velm::kReadWholeRecord, false), host::kNoErr);
  std::int32_t number = -1;
  velm::MoveOutcome outcome{};
  ASSERT_EQ(velm::MoveGroupRecord("g2", 0, "r0", "g", &number, &outcome), host::kNoErr);
  EXPECT_TRUE(Entries().empty());
}

TEST_F(TrashTest, DamagedAndForeignFilesAreReportedAndNeverRestored) {
  Append("g", "r0");
  ASSERT_EQ(velm::RemoveGroupRecord("g", 0), host::kNoErr);
  const std::string sound = FileBytes(Trash() / Entries()[0].file);
  const std::string group = FileBytes(GroupFile("g"));
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {
      {"R-20240510120000-0001-g.VEL", sound.substr(0, sound.size() - 1)},  // cut short
      {"R-20240510120000-0002-g.VEL", sound + sound.substr(4)},            // two records
      {"G-20240510120000-0003-g.VEL", std::string("\0\0\0\5", 4) + sound.substr(4)},
      {"R-20240510120000-0004-a.VEL.VEL", sound},  // not a group's name
      {"notes.txt", sound},
  };
  for (const auto& f : files)
    WriteFileBytes(Trash() / f.name, f.bytes);
  std::vector<velm::TrashEntry> entries = Entries();
  ASSERT_EQ(entries.size(), 6u);
  int damaged = 0, foreign = 0;
  for (const velm::TrashEntry& e : entries) {
    damaged += e.damaged;
    foreign += e.kind == velm::TrashKind::kForeign;
  }
  EXPECT_EQ(damaged, 5);
  EXPECT_EQ(foreign, 2);
  EXPECT_EQ(entries.back().kind, velm::TrashKind::kForeign) << "foreign files listed last";
  velm::RestoredArt restored;
  for (const auto& f : files)
    EXPECT_EQ(velm::RestoreTrashEntry(f.name, nullptr, &restored), velm::kTrashEntryDamagedErr)
        << f.name;
  EXPECT_EQ(velm::RestoreTrashEntry("..\\g.VEL", nullptr, &restored), velm::kTrashEntryDamagedErr);
  EXPECT_EQ(FileBytes(GroupFile("g")), group);
  EXPECT_EQ(Groups(), std::set<std::string>{"g"});

  std::int32_t deleted = 0;
  EXPECT_EQ(velm::EmptyTrash(&deleted), host::kNoErr);
  EXPECT_EQ(deleted, 4);
  entries = Entries();
  ASSERT_EQ(entries.size(), 2u) << "foreign files are left alone";
}

TEST_F(TrashTest, PruningDropsOldEntriesThenTheOldestOverTheSizeButNeverTheNewOne) {
  for (int i = 0; i < 4; ++i)
    Append("g", "r" + std::to_string(i), "", 1000 + static_cast<std::uint32_t>(i));
  ASSERT_EQ(velm::RemoveGroupRecord("g", 0), host::kNoErr);  // r0 on 10 May
  gNow.day = 20;
  ASSERT_EQ(velm::RemoveGroupRecord("g", 0), host::kNoErr);  // r1 on 20 May
  gNow.month = 6;
  gNow.day = 10;                                             // 31 days after r0, 21 after r1
  ASSERT_EQ(velm::RemoveGroupRecord("g", 0), host::kNoErr);  // r2
  std::vector<std::string> names;
  for (const velm::TrashEntry& e : Entries())
    names.push_back(e.firstRecord);
  EXPECT_EQ(names, (std::vector<std::string>{"r2", "r1"}));

  // A cap below one entry keeps only the one just added.
  velm::SetTrashLimits(velm::kTrashMaxAgeDays, 1, nullptr, nullptr);
  ASSERT_EQ(velm::RemoveGroupRecord("g", 0), host::kNoErr);  // r3
  const std::vector<velm::TrashEntry> entries = Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].firstRecord, "r3");
}

TEST_F(TrashTest, ARecordThatCannotBeKeptIsNotRemoved) {
  Append("g", "r0");
  Append("g", "r1");
  const std::string before = FileBytes(GroupFile("g"));
  // No trash folder can be made: a file has its name.
  WriteFileBytes(Trash(), "x");
  EXPECT_EQ(velm::RemoveGroupRecord("g", 0), velm::kGroupWriteErr);
  EXPECT_EQ(velm::RemoveGroupFile("g"), velm::kGroupWriteErr);
  EXPECT_EQ(FileBytes(GroupFile("g")), before);
  fs::remove(Trash());

  // Each write and flush failing in turn: the record is removed and kept in the trash, or
  // the group is as it was and the trash holds nothing.
  int refused = 0;
  for (os::FileOp kind : {os::FileOp::kWrite, os::FileOp::kFlush, os::FileOp::kOpen}) {
    for (std::uint32_t n = 1; n < 12; ++n) {
      WriteFileBytes(GroupFile("g"), before);
      fs::remove_all(Trash());
      os::FileFaults faults;
      faults.anyKind = false;
      faults.kind = kind;
      faults.failAt = n;
      os::TestOverrides().fileFaults = &faults;
      const host::Err err = velm::RemoveGroupRecord("g", 0);
      os::TestOverrides().fileFaults = nullptr;
      const std::vector<velm::TrashEntry> entries = Entries();
      if (err == host::kNoErr) {
        ASSERT_EQ(entries.size(), 1u) << n;
        EXPECT_EQ(FileBytes(Trash() / entries[0].file),
                  std::string("\0\0\0\1", 4) + RecordBytes(before, 0));
        EXPECT_EQ(FileBytes(GroupFile("g")).size(), before.size() - RecordBytes(before, 0).size());
      } else {
        ++refused;
        EXPECT_TRUE(faults.injected);
        EXPECT_EQ(FileBytes(GroupFile("g")), before)
            << os::kFileOpNames[static_cast<int>(kind)] << " " << n;
        EXPECT_TRUE(entries.empty()) << os::kFileOpNames[static_cast<int>(kind)] << " " << n;
      }
    }
  }
  EXPECT_GT(refused, 3);
}

}  // namespace
