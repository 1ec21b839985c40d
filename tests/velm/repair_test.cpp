// velm repair: damaged count words, records behind them, dead tails and unreadable
// records, with the backup written first and the result passing velm verify.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "database/group_file.h"
#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class RepairTest : public VelmToolTest {
 protected:
  void SetUp() override {
    VelmToolTest::SetUp();
    for (int i = 0; i < 3; ++i) {
      os::MemHandle record = MakeRecord("r" + std::to_string(i), "", "", 1000, i + 1);
      AppendObject(record, MarkerBytes("GroupArt /"));
      AppendObject(record, PathObjectBytes(2 + i));
      AppendObject(record, MarkerBytes("/ GroupArt"));
      Store("g", record);
    }
    original_ = FileBytes(GroupFile("g"));
    spans_ = RecordSpans(original_);
    file_ = copy_.path() / "g.VEL";
  }

  // The count word and the records of the original with these numbers, in order.
  std::string Holding(const std::vector<int>& records) const {
    std::string bytes(4, '\0');
    PutBE32(bytes, 0, static_cast<std::uint32_t>(records.size()));
    for (int r : records)
      bytes += original_.substr(spans_[r].offset, spans_[r].length);
    return bytes;
  }

  std::string original_;
  std::vector<Span> spans_;
  TempFolder copy_;
  fs::path file_;
};

TEST_F(RepairTest, DamageIsRepairedAfterABackupAndTheResultVerifies) {
  const std::string tail = original_.substr(spans_[2].offset, 500);
  std::string low = original_, high = original_, negative = original_, broken = original_;
  PutBE32(low, 0, 1);
  PutBE32(high, 0, 7);
  PutBE32(negative, 0, 0xFFFFFFFFu);
  PutBE32(broken, spans_[2].offset + 4, 100);
  // Record 1's first object with a length below 24: the plug-in cannot read its art.
  struct Case {
    const char* what;
    std::string damaged;
    std::vector<int> kept;
    std::string says;  // in the report
  } cases[] = {
      {"count word too low", low, {0, 1, 2}, "\"r2\" (" + std::to_string(spans_[2].length)},
      {"count word too high", high, {0, 1, 2}, "count word was 7, now 3"},
      {"count word negative", negative, {0, 1, 2}, "count word was -1, now 3"},
      {"dead tail",
       original_ + tail,
       {0, 1, 2},
       "dropped 500 bytes at file offset " + std::to_string(original_.size())},
      {"record behind the count and a tail", low + tail, {0, 1, 2}, "behind the count word"},
      {"record length broken",
       broken,
       {0, 1, 2},
       "its recordLength 100 is set to " + std::to_string(spans_[2].length)},
  };
  for (const Case& c : cases) {
    fs::remove_all(copy_.path());
    fs::create_directories(copy_.path());
    WriteFileBytes(file_, c.damaged);
    const RunResult r = Run({"repair", file_.string()});
    EXPECT_EQ(r.code, 0) << c.what << ": " << r.err << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.what << ": " << r.out;
    EXPECT_NE(r.out.find("repaired g: kept " + std::to_string(c.kept.size()) + " records"),
              std::string::npos)
        << c.what << ": " << r.out;
    EXPECT_EQ(FileBytes(file_), Holding(c.kept)) << c.what;
    EXPECT_EQ(FileBytes(copy_.path() / "g.VEL.bak"), c.damaged) << c.what;
    const json verified = RunJson({"verify", file_.string()}, 0);
    EXPECT_TRUE(verified["problems"].empty() && verified["warnings"].empty()) << c.what;
    // Only the backup is left beside the file: no scratch file.
    EXPECT_EQ(std::distance(fs::directory_iterator(copy_.path()), fs::directory_iterator()), 3)
        << c.what;  // g.VEL, its backup and the lock file
  }
}

// One damaged byte of a record's thumbnail or art length: its recordLength still leads
// to the next record, so every record after it is kept.
TEST_F(RepairTest, ADamagedCodedLengthLosesNoOtherRecord) {
  for (std::size_t at = 416; at < 424; ++at) {
    std::string damaged = original_;
    damaged[spans_[1].offset + at] ^= 0x40;
    fs::remove_all(copy_.path());
    fs::create_directories(copy_.path());
    WriteFileBytes(file_, damaged);
    const RunResult r = Run({"repair", file_.string()});
    // Kept as it is, whether the plug-in still reads it or not, and reported.
    EXPECT_EQ(FileBytes(file_), damaged) << "header byte " << at << ": " << r.out;
    EXPECT_EQ(r.code, 1) << at << ": " << r.out;
    EXPECT_NE(r.out.find("still damaged (kept as it is): record 1"), std::string::npos) << at;
  }
}

// Every byte of a record's length word damaged in turn: the record's parts still give its
// length, so every record comes back as it was stored.
TEST_F(RepairTest, ADamagedRecordLengthIsSetFromItsParts) {
  for (int record = 0; record < 3; ++record) {
    for (std::size_t at = 4; at < 8; ++at) {
      for (const unsigned flip : {0x01u, 0xFFu}) {
        std::string damaged = original_;
        damaged[spans_[record].offset + at] = static_cast<char>(
            static_cast<unsigned char>(damaged[spans_[record].offset + at]) ^ flip);
        fs::remove_all(copy_.path());
        fs::create_directories(copy_.path());
        WriteFileBytes(file_, damaged);
        const RunResult r = Run({"repair", file_.string()});
        const std::string what = "record " + std::to_string(record) + " byte " +
                                 std::to_string(at) + " ^ " + std::to_string(flip);
        EXPECT_EQ(r.code, 0) << what << ": " << r.out << r.err;
        EXPECT_EQ(FileBytes(file_), original_) << what << ": " << r.out;
        EXPECT_NE(r.out.find("is set to " + std::to_string(spans_[record].length) +
                             ", the length of its header, thumbnail and art"),
                  std::string::npos)
            << what << ": " << r.out;
      }
    }
  }
}

// A length word damaged together with the record's parts: nothing tells where the record
// ends but the next whole record, so the bytes up to it are kept as they are (exit status
// 1) and no record after them is lost; at the end of the file they run to its end.
TEST_F(RepairTest, LengthsThatLeadNowhereKeepTheRecordsAfterThem) {
  for (int record = 0; record < 3; ++record) {
    std::string damaged = original_;
    const std::size_t at = spans_[record].offset;
    PutBE32(damaged, at + 4, 0x00FFFFFFu);
    PutBE32(damaged, at + 416, GetBE32(damaged, at + 416) + 3);
    fs::remove_all(copy_.path());
    fs::create_directories(copy_.path());
    WriteFileBytes(file_, damaged);
    const RunResult r = Run({"repair", file_.string()});
    EXPECT_EQ(r.code, 1) << record << ": " << r.out << r.err;
    EXPECT_NE(r.out.find("still damaged (kept as it is): record " + std::to_string(record)),
              std::string::npos)
        << record << ": " << r.out;
    EXPECT_NE(r.out.find("kept 3 records, dropped 0 bytes"), std::string::npos) << r.out;
    // The damaged record as it was, its length word what it spans: the file walks again.
    std::string expected = damaged;
    PutBE32(expected, at + 4, static_cast<std::uint32_t>(spans_[record].length));
    EXPECT_EQ(FileBytes(file_), expected) << record;
  }
}

// A group file that cannot be written is never replaced by a repaired copy.
TEST_F(RepairTest, AReadOnlyGroupFileIsLeftAlone) {
  const std::string damaged = original_ + "tail";
  WriteFileBytes(file_, damaged);
  fs::permissions(file_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  RunResult r = Run({"repair", file_.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(file_.string() + " is read-only; nothing was changed"), std::string::npos)
      << r.err << r.out;
  EXPECT_EQ(FileBytes(file_), damaged);
  EXPECT_EQ(fs::status(file_).permissions(),
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_FALSE(fs::exists(copy_.path() / "g.VEL.bak"));

  fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
  if (!SetUnwritable(file_, true)) GTEST_SKIP() << "no immutable files here";
  r = Run({"repair", file_.string()});
  SetUnwritable(file_, false);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("is read-only"), std::string::npos) << r.err << r.out;
  EXPECT_EQ(FileBytes(file_), damaged);
  EXPECT_FALSE(fs::exists(copy_.path() / "g.VEL.bak"));
}

// A record the plug-in cannot read, among sound ones, is no reason to drop it or any other:
// it is kept as it is and reported (exit status 1).
TEST_F(RepairTest, AnUnreadableRecordIsKeptAsItIsAndReported) {
  const std::string unreadable = EditArt(original_, 1, [](Bytes& a) { a[7] = 12; });
  WriteFileBytes(file_, unreadable + "tail");
  const RunResult r = Run({"repair", file_.string()});
  EXPECT_EQ(r.code, 1) << r.out;
  EXPECT_NE(r.out.find("still damaged (kept as it is): record 1"), std::string::npos) << r.out;
  EXPECT_EQ(FileBytes(file_), unreadable) << "the tail goes, every record stays";
}

TEST_F(RepairTest, ASoundFileIsLeftAloneAndBackupsAreNeverOverwritten) {
  WriteFileBytes(file_, original_);
  RunResult r = Run({"repair", file_.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("g: nothing to repair (3 records)"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(copy_.path() / "g.VEL.bak"));
  EXPECT_EQ(FileBytes(file_), original_);

  std::string first = original_ + "xyz", second = original_ + "abcdef";
  WriteFileBytes(file_, first);
  EXPECT_EQ(Run({"repair", file_.string()}).code, 0);
  WriteFileBytes(file_, second);
  EXPECT_EQ(Run({"repair", file_.string()}).code, 0);
  EXPECT_EQ(FileBytes(copy_.path() / "g.VEL.bak"), first);
  EXPECT_EQ(FileBytes(copy_.path() / "g.VEL.bak2"), second);
  EXPECT_EQ(FileBytes(file_), original_);

  // Damage repair cannot mend (art coded otherwise) is kept as it is and reported.
  const std::string recoded = EditPart(original_, 0, false, nullptr, LiteralsOnly);
  WriteFileBytes(file_, recoded);
  r = Run({"repair", file_.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("still damaged (kept as it is): record 0"), std::string::npos) << r.out;
  EXPECT_EQ(FileBytes(file_), recoded);

  // So is art the plug-in's loader refuses (a mesh of a kind the host does not make).
  os::MemHandle mesh = MakeRecord("m", "", "", 1000, 1);
  AppendObject(mesh, MeshObjectBytes({{1}}));
  Store("m", mesh);
  const std::string refused = EditArt(FileBytes(GroupFile("m")), 0, [](Bytes& a) { a[27] = 7; });
  const fs::path meshFile = copy_.path() / "m.VEL";
  WriteFileBytes(meshFile, refused);
  r = Run({"repair", meshFile.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("still damaged (kept as it is): record 0: file offset 4: the plug-in's "
                       "loader cannot place"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(FileBytes(meshFile), refused);
}

// A mover that died before the first byte of its journal moved nothing: verify reports the
// journal, and repair deletes it instead of saying there is nothing to repair.
TEST_F(RepairTest, AMoveJournalCutShortBeforeItsFirstByteIsCleared) {
  WriteFileBytes(file_, original_);
  const std::string journal = "VELM-7-0123456789abcdef.MOV";
  WriteFileBytes(copy_.path() / journal, "");
  EXPECT_EQ(Run({"verify", copy_.path().string()}).code, 1);
  const RunResult r = Run({"repair", file_.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("deleted the move journal " + journal), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(copy_.path() / journal));
  EXPECT_EQ(FileBytes(file_), original_);
  EXPECT_EQ(Run({"verify", copy_.path().string()}).code, 0);
}

TEST_F(RepairTest, RefusesWhileAnotherWriterHoldsTheGroup) {
  const std::string damaged = original_ + "tail";
  WriteFileBytes(file_, damaged);
  const int lockFile = ::open((copy_.path() / "VELM.LCK").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(lockFile, 0);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(velm::GroupLockOffset("g"));
  lock.l_len = 1;
  ASSERT_EQ(::fcntl(lockFile, F_OFD_SETLK, &lock), 0);
  const std::uint32_t wait = velm::SetGroupLockWait(50);
  const RunResult r = Run({"repair", file_.string()});
  velm::SetGroupLockWait(wait);
  ::close(lockFile);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("being written by another program"), std::string::npos) << r.err;
  EXPECT_EQ(FileBytes(file_), damaged);
  EXPECT_FALSE(fs::exists(copy_.path() / "g.VEL.bak"));

  // A lock file that cannot be opened is no other program's write.
  fs::remove(copy_.path() / "VELM.LCK");
  fs::create_directory(copy_.path() / "VELM.LCK");
  const RunResult unusable = Run({"repair", file_.string()});
  EXPECT_EQ(unusable.code, 1);
  EXPECT_NE(unusable.err.find("lock file VELM.LCK cannot be opened"), std::string::npos)
      << unusable.err;
  EXPECT_EQ(FileBytes(file_), damaged);
}

}  // namespace
}  // namespace velmtest
