// The library's lock file deleted while a writer holds it: the writer finds out before it
// commits and changes nothing, and a writer that makes a new lock file is not let in beside
// it (the group file's own lock stops it).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_move.h"
#include "database/writer_mark.h"
#include "frame/globals.h"

namespace {

namespace fs = std::filesystem;

// The other writer, waiting for its signal on this pipe.
fs::path gLockFile;
pid_t gWriter = -1;
int gGo = -1;
bool gWriterWaited = false;

// The removal held with its copy written: the lock file is deleted, and another process
// appends to the group, as `velm cp G.VEL 5 G.VEL` would.
void DeleteTheLockAndWrite() {
  fs::remove(gLockFile);
  const char go = 'g';
  ASSERT_EQ(write(gGo, &go, 1), 1);
  // The other writer must still be waiting for the group when the removal goes on.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  int status = 0;
  gWriterWaited = waitpid(gWriter, &status, WNOHANG) == 0;
}

class LockFileTest : public velmtest::StoreTest {
 protected:
  void TearDown() override {
    velm::SetRemovalCopiedHook(nullptr);
    StoreTest::TearDown();
  }
  // The database folder as the plug-in names it.
  std::string DatabaseFolderText() {
    char base[velm::kPathSize], folder[velm::kPathSize];
    EXPECT_EQ(velm::GetBaseFolder(base), 0);
    EXPECT_TRUE(velm::DatabaseFolderPath(base, folder));
    return folder;
  }
  std::vector<std::string> Names(const char* group) {
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < velm::GroupRecordCount(group); ++i) {
      velm::VelmReadRecord(group, i, nullptr, velm::kReadHeaderOnly, false);
      names.push_back(velm::RecordHeader(velm::gGlobals->currentRecord)->name);
    }
    return names;
  }
};

TEST_F(LockFileTest, ARemovalWhoseLockFileWasDeletedChangesNothingAndLosesNoWrite) {
  for (int i = 0; i < 160; ++i)
    Append("G", "r" + std::to_string(i));
  std::vector<std::string> names = Names("G");
  gLockFile = DatabaseFolder() / "VELM.LCK";
  SetCurrentRecord(MakeRecord("copy of r5"));
  // Started before the removal, so that it holds none of the removal's files.
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  gWriter = fork();
  if (gWriter == 0) {
    char signal = 0;
    close(go[1]);
    if (read(go[0], &signal, 1) != 1) _exit(2);
    velm::SetGroupLockWait(10000);
    _exit(velm::WriteGroupRecord("G", -1) == host::kNoErr ? 0 : 1);
  }
  close(go[0]);
  gGo = go[1];
  velm::SetRemovalCopiedHook(DeleteTheLockAndWrite);
  EXPECT_EQ(velm::RemoveGroupRecord("G", 3), velm::kGroupLockLostErr);
  velm::SetRemovalCopiedHook(nullptr);
  close(gGo);
  EXPECT_TRUE(gWriterWaited) << "a second writer was let in beside the removal";
  int status = -1;
  ASSERT_EQ(waitpid(gWriter, &status, 0), gWriter);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the append went ahead after it";
  names.push_back("copy of r5");
  EXPECT_EQ(Names("G"), names) << "the 160 records and the copy";
  for (const fs::directory_entry& entry : fs::directory_iterator(DatabaseFolder()))
    EXPECT_NE(entry.path().extension(), ".TMP") << entry.path();
  // With the lock file the library's again, the removal goes ahead.
  EXPECT_EQ(velm::RemoveGroupRecord("G", 3), host::kNoErr);
  EXPECT_EQ(velm::GroupRecordCount("G"), 160);
}

// A hold's lock file replaced: it is no longer the library's lock, and what the holder
// writes of the group in its own thread is refused.
TEST_F(LockFileTest, AHoldKnowsWhenItsLockFileWasReplaced) {
  Append("h", "r0");
  velm::GroupHold hold;
  ASSERT_EQ(hold.Take("h", true), host::kNoErr);
  EXPECT_TRUE(hold.StillHeld());
  const fs::path lock = DatabaseFolder() / "VELM.LCK";
  fs::remove(lock);
  WriteFileBytes(lock, "");
  EXPECT_FALSE(hold.StillHeld());
  SetCurrentRecord(MakeRecord("new"));
  EXPECT_EQ(velm::WriteGroupRecord("h", -1), velm::kGroupLockLostErr);
  EXPECT_EQ(velm::WriteGroupRecord("h", 0), velm::kGroupLockLostErr);
  EXPECT_EQ(velm::RemoveGroupRecord("h", 0), velm::kGroupLockLostErr);
  EXPECT_EQ(Names("h"), std::vector<std::string>{"r0"});
}

}  // namespace

namespace {

// Left-over files are deleted only when their writer is known to be gone.
TEST_F(LockFileTest, LeftoversGoOnlyWhenTheirWriterIsKnownToBeGone) {
  const fs::path folder = DatabaseFolder();
  fs::create_directories(folder);
  velm::WriterMark running;
  ASSERT_TRUE(running.Take());
  const std::string free = "0123456789abcdef", held = running.Text();
  const std::string deadScratch = "VELM-1-" + free + ".TMP", oddScratch = "VELM-x.TMP";
  const std::string emptyJournal = "VELM-1-" + free + ".MOV",
                    heldJournal = "VELM-1-" + held + ".MOV";
  const std::string wholeJournal = "VELM-2-" + free + ".MOV";
  for (const std::string& name : {deadScratch, oddScratch, emptyJournal, heldJournal})
    WriteFileBytes(folder / name, "");
  WriteFileBytes(folder / wholeJournal, std::string(2000, 'x'));  // damaged, not cut short

  std::vector<std::string> deleted;
  velm::RemoveUnwrittenJournals(
      [](const char* name, void* c) { static_cast<std::vector<std::string>*>(c)->push_back(name); },
      &deleted);
  EXPECT_EQ(deleted, std::vector<std::string>{emptyJournal});
  EXPECT_TRUE(fs::exists(folder / heldJournal));
  EXPECT_TRUE(fs::exists(folder / wholeJournal));

  // With the lock file unusable no mark can be asked: nothing is judged gone.
  const std::string folderText = DatabaseFolderText();
  fs::remove(folder / "VELM.LCK");
  fs::create_directory(folder / "VELM.LCK");
  velm::RemoveDeadScratchFiles(folderText.c_str(), "VELM-*.TMP");
  EXPECT_TRUE(fs::exists(folder / deadScratch));
  EXPECT_TRUE(fs::exists(folder / oddScratch));
  fs::remove(folder / "VELM.LCK");
  WriteFileBytes(folder / "VELM.LCK", "");
  velm::RemoveDeadScratchFiles(folderText.c_str(), "VELM-*.TMP");
  EXPECT_FALSE(fs::exists(folder / deadScratch));
  EXPECT_TRUE(fs::exists(folder / oddScratch)) << "a name of no known form stays";
}

}  // namespace
