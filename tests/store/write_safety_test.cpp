// Writes that cannot lose a record: records hidden behind a damaged count word, the rest
// of an interrupted append, the group lock, the search-results pseudo-group, and several
// processes writing one group at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"

namespace {

namespace os = velm::os;
using velmtest::Sjis;

class WriteSafetyTest : public velmtest::StoreTest {
 protected:
  // The record names of `group` in file order; "<unreadable>" for a record that does not
  // read and expand.
  std::vector<std::string> Names(const char* group) {
    std::vector<std::string> names;
    const std::int32_t count = velm::GroupRecordCount(group);
    for (std::int32_t i = 0; i < count; ++i) {
      const bool read = velm::VelmReadRecord(group, i, nullptr, velm::kReadWholeRecord, true) == 0;
      velm::Globals* g = velm::gGlobals;
      names.push_back(read && g->currentRecord ? velm::RecordHeader(g->currentRecord)->name
                                               : "<unreadable>");
    }
    return names;
  }
  std::string LockPath() {
    char base[velm::kPathSize];
    EXPECT_EQ(velm::GetBaseFolder(base), 0);
    return std::string(base) + "\\VELM\\VELM.LCK";
  }
};

TEST_F(WriteSafetyTest, RecordsBehindADamagedCountAreNeverOverwritten) {
  for (const char* name : {"r0", "r1", "r2"})
    Append("d", name);
  std::string bytes = FileBytes(GroupFile("d"));
  bytes[3] = 1;  // the count word says 1 of 3
  WriteFileBytes(GroupFile("d"), bytes);
  SetCurrentRecord(MakeRecord("new"));
  EXPECT_EQ(velm::WriteGroupRecord("d", -1), velm::kGroupNeedsRepairErr);
  EXPECT_EQ(velm::RemoveGroupRecord("d", 0), velm::kGroupNeedsRepairErr);
  EXPECT_EQ(FileBytes(GroupFile("d")), bytes) << "the hidden records are kept as they were";
}

TEST_F(WriteSafetyTest, TheRestOfAnInterruptedAppendIsCutByTheNextWrite) {
  for (const char* name : {"r0", "r1"})
    Append("t", name);
  const std::string whole = FileBytes(GroupFile("t"));
  // An append killed half way: the record's first bytes are there, the count is old.
  std::string interrupted = whole;
  interrupted[3] = 1;
  const std::string second = whole.substr(4 + (whole.size() - 4) / 2);
  for (std::size_t cut : {std::size_t{6}, std::size_t{500}, second.size() - 1}) {
    std::string file = interrupted.substr(0, whole.size() - second.size()) + second.substr(0, cut);
    WriteFileBytes(GroupFile("t"), file);
    Append("t", "r2");
    EXPECT_EQ(Names("t"), (std::vector<std::string>{"r0", "r2"})) << cut;
    EXPECT_EQ(FileBytes(GroupFile("t")).size(), whole.size()) << "no tail is left behind";
  }
}

// The rest of an interrupted append longer than the record appended next: what the new
// record does not overwrite is cut off too.
TEST_F(WriteSafetyTest, ALeftoverLongerThanTheNewRecordIsCutOff) {
  Append("t", "r0");
  Append("t", "long");
  const std::string whole = FileBytes(GroupFile("t"));
  const auto lengthAt = [](const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t k = 4; k < 8; ++k)
      v = (v << 8) | static_cast<std::uint8_t>(bytes[at + k]);
    return std::size_t{v};
  };
  const std::size_t end = 4 + lengthAt(whole, 4);
  // The long record's append killed one byte before its end: the count is still 1.
  std::string interrupted = whole.substr(0, whole.size() - 1);
  interrupted[3] = 1;
  WriteFileBytes(GroupFile("t"), interrupted);
  SetCurrentRecord(MakeRecord("r2", "", "", 2000, 3));  // a thumbnail that codes shorter
  ASSERT_EQ(velm::WriteGroupRecord("t", -1), 0);
  const std::string after = FileBytes(GroupFile("t"));
  ASSERT_LT(lengthAt(after, end), interrupted.size() - end) << "the leftover must be longer";
  EXPECT_EQ(after.size(), end + lengthAt(after, end)) << "no byte of the leftover is left";
  EXPECT_EQ(Names("t"), (std::vector<std::string>{"r0", "r2"}));
}

TEST_F(WriteSafetyTest, ASecondWriterWaitsABoundedTimeThenGetsAClearError) {
  Append("l", "r0");
  const std::string before = FileBytes(GroupFile("l"));
  os::FileHandle other = os::FileOpen(LockPath().c_str(), os::FileAccess::kReadWrite,
                                      os::FileDisposition::kOpenAlways);
  ASSERT_NE(other, os::kInvalidFile);
  ASSERT_TRUE(os::FileLock(other, velm::GroupLockOffset("l"), 1, 0));
  const std::uint32_t wait = velm::SetGroupLockWait(300);
  SetCurrentRecord(MakeRecord("new"));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(velm::WriteGroupRecord("l", -1), velm::kGroupBusyErr);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_EQ(velm::RemoveGroupRecord("l", 0), velm::kGroupBusyErr);
  EXPECT_EQ(FileBytes(GroupFile("l")), before);
  Append("other", "r");  // another group is not held up
  os::FileUnlock(other, velm::GroupLockOffset("l"), 1);
  os::FileClose(other);
  EXPECT_EQ(velm::WriteGroupRecord("l", -1), host::kNoErr);
  velm::SetGroupLockWait(wait);
}

TEST_F(WriteSafetyTest, GroupsAreMadeAndRemovedOnlyUnderTheirLock) {
  Append("l", "r0");
  os::FileHandle other = os::FileOpen(LockPath().c_str(), os::FileAccess::kReadWrite,
                                      os::FileDisposition::kOpenAlways);
  ASSERT_NE(other, os::kInvalidFile);
  ASSERT_TRUE(os::FileLock(other, velm::GroupLockOffset("l"), 1, 0));
  ASSERT_TRUE(os::FileLock(other, velm::GroupLockOffset("m"), 1, 0));
  const std::uint32_t wait = velm::SetGroupLockWait(50);
  EXPECT_EQ(velm::RemoveGroupFile("l"), velm::kGroupBusyErr);
  EXPECT_EQ(velm::CreateGroupFile("m"), velm::kGroupBusyErr);
  EXPECT_TRUE(std::filesystem::exists(GroupFile("l")));
  EXPECT_FALSE(std::filesystem::exists(GroupFile("m")));
  os::FileClose(other);
  velm::SetGroupLockWait(wait);

  // A lock file that cannot be used stops every write, group removal and creation too.
  std::filesystem::remove(DatabaseFolder() / "VELM.LCK");
  std::filesystem::create_directory(DatabaseFolder() / "VELM.LCK");
  EXPECT_EQ(velm::RemoveGroupFile("l"), velm::kGroupWriteErr);
  EXPECT_EQ(velm::CreateGroupFile("m"), velm::kGroupWriteErr);
  EXPECT_TRUE(std::filesystem::exists(GroupFile("l")));
  EXPECT_FALSE(std::filesystem::exists(GroupFile("m")));
  std::filesystem::remove(DatabaseFolder() / "VELM.LCK");
  // Where only an empty file may go, one holding records stays.
  EXPECT_EQ(velm::RemoveGroupFile("l", true), velm::kGroupWriteErr);
  EXPECT_TRUE(std::filesystem::exists(GroupFile("l")));
  ASSERT_EQ(velm::CreateGroupFile("m"), host::kNoErr);
  EXPECT_EQ(velm::RemoveGroupFile("m", true), host::kNoErr);
  EXPECT_FALSE(std::filesystem::exists(GroupFile("m")));
  EXPECT_EQ(velm::RemoveGroupFile("l"), host::kNoErr);
  EXPECT_EQ(velm::RemoveGroupFile("l"), velm::kGroupWriteErr) << "nothing to remove";
}

// A removal rewrites the group through a scratch file: the new file must be the old one
// in all but the record, a link stays a link, and a group that cannot be written stays.
TEST_F(WriteSafetyTest, ARemovalKeepsTheFilesModeAndLinksAndRefusesAReadOnlyGroup) {
  namespace fs = std::filesystem;
  Append("m", "r0");
  Append("m", "r1");
  fs::permissions(GroupFile("m"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(velm::RemoveGroupRecord("m", 0), host::kNoErr);
  EXPECT_EQ(fs::status(GroupFile("m")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  const fs::path elsewhere = DatabaseFolder().parent_path() / "shared";
  fs::create_directories(elsewhere);
  fs::rename(GroupFile("m"), elsewhere / "m.VEL");
  fs::create_symlink(elsewhere / "m.VEL", GroupFile("m"));
  Append("m", "r2");
  EXPECT_EQ(velm::RemoveGroupRecord("m", 0), host::kNoErr);
  EXPECT_TRUE(fs::is_symlink(GroupFile("m")));
  EXPECT_EQ(Names("m"), (std::vector<std::string>{"r2"}));

  ASSERT_TRUE(velmtest::SetUnwritable(elsewhere / "m.VEL", true));
  const std::string before = FileBytes(GroupFile("m"));
  EXPECT_EQ(velm::RemoveGroupRecord("m", 0), velm::kGroupWriteErr);
  EXPECT_EQ(velm::RemoveGroupFile("m"), velm::kGroupWriteErr);
  EXPECT_EQ(FileBytes(GroupFile("m")), before);
  ASSERT_TRUE(velmtest::SetUnwritable(elsewhere / "m.VEL", false));

  // A link leading nowhere is never followed out of the folder by a write.
  fs::create_symlink(elsewhere / "gone.VEL", GroupFile("n"));
  SetCurrentRecord(MakeRecord("new"));
  EXPECT_EQ(velm::WriteGroupRecord("n", -1), velm::kGroupWriteErr);
  EXPECT_EQ(velm::CreateGroupFile("n"), -1);
  EXPECT_FALSE(fs::exists(elsewhere / "gone.VEL"));
}

TEST_F(WriteSafetyTest, ScratchFilesOfProcessesThatEndedAreRemoved) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  Append("s", "r0");
  Append("s", "r1");
  const std::string dead = "VELM-" + std::to_string(child) + "-1.TMP";
  const std::string live = "VELM-" + std::to_string(getppid()) + "-1.TMP";
  for (const std::string& name : {dead, live})
    WriteFileBytes(DatabaseFolder() / name, "half a group");
  EXPECT_EQ(velm::RemoveGroupRecord("s", 0), host::kNoErr);
  EXPECT_FALSE(std::filesystem::exists(DatabaseFolder() / dead));
  EXPECT_TRUE(std::filesystem::exists(DatabaseFolder() / live));
}

TEST_F(WriteSafetyTest, SearchResultsAreNoWriteTarget) {
  SetCurrentRecord(MakeRecord("new"));
  EXPECT_EQ(velm::WriteGroupRecord(velm::kSearchResultsGroup, -1), velm::kBadGroupNameErr);
  EXPECT_EQ(velm::WriteGroupRecord(velm::kSearchResultsGroup, 0), velm::kBadGroupNameErr);
  EXPECT_EQ(velm::RemoveGroupRecord(velm::kSearchResultsGroup, 0), velm::kBadGroupNameErr);
  EXPECT_FALSE(std::filesystem::exists(GroupFile("検索結果")));
}

// Four processes append, rename and remove records of one group at once.
TEST_F(WriteSafetyTest, ConcurrentWritersLoseNothingAndReportTruly) {
  constexpr int kProcesses = 4;
  constexpr int kRounds = 25;
  const char* group = "shared";
  Append(group, "seed");
  auto nameOf = [](char prefix, int process, int round) {
    return std::string(1, prefix) + std::to_string(process) + "-" + std::to_string(round);
  };
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid != 0) {
      children.push_back(pid);
      continue;
    }
    int failures = 0;
    // Finds a record by name and runs `write` on it; retried while others renumber (a
    // scan may also miss a record that moved down while it ran).
    auto onRecord = [&](const std::string& name, auto write) {
      for (int attempt = 0; attempt < 200; ++attempt) {
        const std::vector<std::string> names = Names(group);
        std::int32_t index = -1;
        for (std::size_t i = 0; i < names.size(); ++i)
          if (names[i] == name) index = static_cast<std::int32_t>(i);
        if (index < 0) continue;
        const host::Err err = write(index);
        if (err != velm::kRecordMovedErr) return err == host::kNoErr;
      }
      return false;
    };
    for (int r = 0; r < kRounds; ++r) {
      const std::string keep = nameOf('p', p, r), drop = nameOf('x', p, r);
      for (const std::string& name : {keep, drop}) {
        SetCurrentRecord(MakeRecord(name, "", "", 1000, r));
        if (velm::WriteGroupRecord(group, -1) != host::kNoErr) ++failures;
      }
      const std::string renamed = nameOf('q', p, r);
      if (!onRecord(keep, [&](std::int32_t index) {
            if (velm::VelmReadRecord(group, index, nullptr, velm::kReadHeaderOnly, false) != 0 ||
                !velm::gGlobals->currentRecord)
              return velm::kRecordMovedErr;  // the group shrank since the scan: look again
            char* field = velm::RecordHeader(velm::gGlobals->currentRecord)->name;
            std::memset(field, 0, 64);
            std::memcpy(field, renamed.c_str(), renamed.size());
            return velm::WriteGroupRecord(group, index, keep.c_str());
          }))
        ++failures;
      if (!onRecord(drop, [&](std::int32_t index) {
            return velm::RemoveGroupRecord(group, index, drop.c_str());
          }))
        ++failures;
    }
    _exit(failures == 0 ? 0 : 1);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write reported falsely";
  }
  std::map<std::string, int> seen;
  for (const std::string& name : Names(group))
    ++seen[name];
  std::map<std::string, int> expected{{"seed", 1}};
  for (int p = 0; p < kProcesses; ++p)
    for (int r = 0; r < kRounds; ++r)
      expected[nameOf('q', p, r)] = 1;
  for (const auto& [name, n] : seen)
    EXPECT_EQ(n, expected.count(name) ? 1 : 0) << name;
  EXPECT_EQ(seen.size(), expected.size());
  // Sound: the counted records end exactly at the end of the file.
  const std::string bytes = FileBytes(GroupFile(group));
  std::size_t at = 4;
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(static_cast<std::size_t>(bytes[3]), expected.size());
  for (std::size_t i = 0; i < expected.size() && at + 8 <= bytes.size(); ++i)
    at += (std::size_t{static_cast<std::uint8_t>(bytes[at + 4])} << 24) |
          (std::size_t{static_cast<std::uint8_t>(bytes[at + 5])} << 16) |
          (std::size_t{static_cast<std::uint8_t>(bytes[at + 6])} << 8) |
          std::size_t{static_cast<std::uint8_t>(bytes[at + 7])};
  EXPECT_EQ(at, bytes.size());
  for (const auto& entry : std::filesystem::directory_iterator(DatabaseFolder()))
    EXPECT_NE(entry.path().extension(), ".TMP") << "scratch files are removed";
}

}  // namespace
