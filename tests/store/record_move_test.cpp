// Moves of a record between groups: all or nothing as a user sees it. Every file operation
// of a move is made to fail in turn, and the power is lost after each one: the record is
// then in one group, or in both with a journal that finishing the move resolves. Movers in
// other process-id namespaces stand for other machines sharing the library's folder.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_move.h"
#include "database/writer_mark.h"
#include "frame/globals.h"
#include "platform/memory.h"

namespace {

namespace fs = std::filesystem;
namespace os = velm::os;

// Exit status of a namespace's process when no namespace could be made.
constexpr int kNoNamespace = 77;

bool WriteProcFile(const char* path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  out.flush();
  return static_cast<bool>(out);
}

// Runs `body` as process 2 of a new process-id namespace (its process 1 waits for it), the
// way a process of another machine sharing the folder runs: its id means nothing here.
// Returns the process that made the namespace: killing it ends the namespace. Its exit
// status is `body`'s result, kNoNamespace when no namespace could be made.
pid_t StartInNamespace(const std::function<int()>& body) {
  const pid_t maker = fork();
  if (maker != 0) return maker;
  if (unshare(CLONE_NEWPID) != 0) {
    // Not privileged: in a user namespace of its own, as its superuser.
    const std::string uid = std::to_string(getuid()), gid = std::to_string(getgid());
    if (unshare(CLONE_NEWUSER | CLONE_NEWPID) != 0 ||
        !WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map", "0 " + uid + " 1") ||
        !WriteProcFile("/proc/self/gid_map", "0 " + gid + " 1"))
      _exit(kNoNamespace);
  }
  const pid_t init = fork();
  if (init < 0) _exit(kNoNamespace);
  if (init == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const pid_t worker = fork();
    if (worker == 0) _exit(body());
    int status = 0;
    if (worker < 0 || waitpid(worker, &status, 0) != worker || !WIFEXITED(status)) _exit(99);
    _exit(WEXITSTATUS(status));
  }
  int status = 0;
  waitpid(init, &status, 0);
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 98);
}

int WaitFor(pid_t process) {
  int status = 0;
  if (waitpid(process, &status, 0) != process) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The mover held right after its append signals on this pipe and waits to be killed.
int gHeldSignal = -1;
[[noreturn]] void HoldTheMove() {
  const char held = 'h';
  if (write(gHeldSignal, &held, 1) != 1) _exit(3);
  for (;;)
    pause();
}

class RecordMoveTest : public velmtest::StoreTest {
 protected:
  void TearDown() override {
    os::TestOverrides().fileFaults = nullptr;
    velm::SetMoveAppendedHook(nullptr);
    StoreTest::TearDown();
  }

  // Moves record `index` of "g" (named `name`) to `target` in another namespace, held right
  // after the append when `hold`: returns the namespace's maker once the move is held (or
  // done), -1 when no namespace can be made here. Its exit status: 0 when the record moved.
  pid_t MoveElsewhere(std::int32_t index, const char* name, const char* target, bool hold) {
    int held[2];
    if (pipe(held) != 0) return -1;
    const pid_t maker = StartInNamespace([&] {
      close(held[0]);
      gHeldSignal = held[1];
      if (hold) velm::SetMoveAppendedHook(HoldTheMove);
      velm::VelmReadRecord("g", index, nullptr, velm::kReadWholeRecord, true);
      if (!velm::gGlobals->currentRecord) return 2;
      velm::MoveOutcome outcome = velm::MoveOutcome::kUnchanged;
      std::int32_t number = -1;
      const host::Err err = velm::MoveGroupRecord("g", index, name, target, &number, &outcome);
      return err == 0 && outcome == velm::MoveOutcome::kMoved ? 0 : 1;
    });
    close(held[1]);
    char signal = 0;
    const bool wasHeld = maker > 0 && read(held[0], &signal, 1) == 1;
    close(held[0]);
    if (maker > 0 && hold && !wasHeld && WaitFor(maker) == kNoNamespace) return -1;
    return maker;
  }

  // What velm repair does, from yet another namespace: every move whose mover no longer
  // runs is finished. Returns how many were (100 and up: one could not be).
  int RepairElsewhere() {
    return WaitFor(StartInNamespace([this] {
      int finished = 0;
      for (const velm::InterruptedMove& move : Journals()) {
        if (move.running) continue;
        velm::MoveRepair what = velm::MoveRepair::kFailed;
        if (velm::FinishInterruptedMove(move, &what) != 0) return 100;
        ++finished;
      }
      return finished;
    }));
  }

  // Moves record 1 of "g" to "h" (emptied first when `emptyTarget`), the power lost right
  // after the append; false when no crash left the copy there.
  bool CutShortAfterTheAppend(bool emptyTarget) {
    for (std::uint32_t n = 1; n < 200; ++n) {
      Reset();
      if (emptyTarget) {
        fs::remove(GroupFile("h"));
        if (velm::CreateGroupFile("h") != 0) return false;
      }
      host::Err err = 0;
      std::int32_t newNumber = -1;
      os::FileFaults faults;
      faults.powerLossAfter = n;
      Move(&err, &newNumber, &faults);
      os::SimulateRestart(true);
      os::TestOverrides().fileFaults = nullptr;
      const std::vector<std::uint32_t> h = StampsOf("h");
      if (!h.empty() && h.back() == 1001) return true;
    }
    return false;
  }

  // Waits (up to ten seconds) until no journal's mover runs any more.
  bool MoversEnded() {
    for (int i = 0; i < 1000; ++i) {
      bool running = false;
      for (const velm::InterruptedMove& move : Journals())
        running = running || move.running;
      if (!running) return true;
      usleep(10000);
    }
    return false;
  }

  // The `created` stamps of group `group`'s records, in file order.
  std::vector<std::uint32_t> StampsOf(const char* group) {
    std::vector<std::uint32_t> stamps;
    const std::int32_t count = velm::GroupRecordCount(group);
    for (std::int32_t i = 0; i < count; ++i)
      if (velm::VelmReadRecord(group, i, nullptr, velm::kReadHeaderOnly, true) == 0 &&
          velm::gGlobals->currentRecord)
        stamps.push_back(velm::RecordHeader(velm::gGlobals->currentRecord)->created);
    return stamps;
  }

  std::vector<velm::InterruptedMove> Journals() {
    std::vector<velm::InterruptedMove> moves;
    velm::ListMoveJournals(
        [](const velm::InterruptedMove& m, void* c) {
          static_cast<std::vector<velm::InterruptedMove>*>(c)->push_back(m);
          return true;
        },
        &moves, nullptr);
    return moves;
  }

  // Reads record 1 of "g" ("r1", created 1001) and moves it to "h" renamed "moved", with
  // `faults` injected into the move.
  velm::MoveOutcome Move(host::Err* err, std::int32_t* newNumber,
                         os::FileFaults* faults = nullptr) {
    velm::VelmReadRecord("g", 1, nullptr, velm::kReadWholeRecord, true);
    if (!velm::gGlobals->currentRecord) return velm::MoveOutcome::kUnchanged;
    std::strcpy(velm::RecordHeader(velm::gGlobals->currentRecord)->name, "moved");
    velm::MoveOutcome outcome = velm::MoveOutcome::kUnchanged;
    os::TestOverrides().fileFaults = faults;
    *err = velm::MoveGroupRecord("g", 1, "r1", "h", newNumber, &outcome);
    return outcome;
  }

  void Reset() {
    fs::remove_all(DatabaseFolder());
    for (std::uint32_t i = 0; i < 3; ++i)
      Append("g", "r" + std::to_string(i), "", 1000 + i);
    Append("h", "x", "", 2000);
  }
};

using Stamps = std::vector<std::uint32_t>;

TEST_F(RecordMoveTest, AMoveLeavesTheRecordInOneGroupOnly) {
  Reset();
  host::Err err = 0;
  std::int32_t newNumber = -1;
  EXPECT_EQ(Move(&err, &newNumber), velm::MoveOutcome::kMoved);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(newNumber, 1);
  EXPECT_EQ(StampsOf("g"), (Stamps{1000, 1002}));
  EXPECT_EQ(StampsOf("h"), (Stamps{2000, 1001}));
  EXPECT_TRUE(Journals().empty());

  // The old group cannot be written: the copy is taken back out of the new one.
  Reset();
  ASSERT_TRUE(velmtest::SetUnwritable(GroupFile("g"), true));
  EXPECT_EQ(Move(&err, &newNumber), velm::MoveOutcome::kUnchanged);
  EXPECT_NE(err, 0);
  ASSERT_TRUE(velmtest::SetUnwritable(GroupFile("g"), false));
  EXPECT_EQ(StampsOf("g"), (Stamps{1000, 1001, 1002}));
  EXPECT_EQ(StampsOf("h"), (Stamps{2000}));
  EXPECT_TRUE(Journals().empty());
}

TEST_F(RecordMoveTest, EveryFailureAndCrashIsUndoneOrFinishedByTheJournal) {
  Reset();
  os::FileFaults clean;
  host::Err err = 0;
  std::int32_t newNumber = -1;
  ASSERT_EQ(Move(&err, &newNumber, &clean), velm::MoveOutcome::kMoved);
  os::TestOverrides().fileFaults = nullptr;
  ASSERT_GT(clean.operations, 4u);

  std::vector<std::string> problems;
  std::set<std::string> states;
  for (std::uint32_t n = 1; n <= clean.operations; ++n)
    for (bool powerLoss : {false, true}) {
      const std::string label = (powerLoss ? "power lost after operation " : "operation ") +
                                std::to_string(n) + (powerLoss ? "" : " fails");
      Reset();
      os::FileFaults faults;
      if (powerLoss) {
        faults.powerLossAfter = n;
      } else {
        faults.failAt = n;
      }
      const velm::MoveOutcome outcome = Move(&err, &newNumber, &faults);
      os::SimulateRestart(powerLoss);
      os::TestOverrides().fileFaults = nullptr;

      const Stamps g = StampsOf("g"), h = StampsOf("h");
      const bool inOld = g == Stamps{1000, 1001, 1002} && h == Stamps{2000};
      const bool inNew = g == Stamps{1000, 1002} && h == Stamps{2000, 1001};
      const bool inBoth = g == Stamps{1000, 1001, 1002} && h == Stamps{2000, 1001};
      const std::vector<velm::InterruptedMove> journals = Journals();
      if (!inOld && !inNew && !inBoth) problems.push_back(label + ": a record lost or added");
      if (inBoth && journals.size() != 1) problems.push_back(label + ": in both, no journal");
      if (!powerLoss && (outcome == velm::MoveOutcome::kMoved) != (err == 0))
        problems.push_back(label + ": the status does not match the outcome");
      if (!powerLoss && outcome == velm::MoveOutcome::kMoved && !inNew)
        problems.push_back(label + ": reported moved, but not so");
      if (!powerLoss && outcome == velm::MoveOutcome::kUnchanged && !inOld)
        problems.push_back(label + ": reported unchanged, but changed");
      states.insert(inOld ? "old" : inNew ? "new" : "both");

      // Finishing every journal leaves the record in exactly one group.
      for (const velm::InterruptedMove& move : journals) {
        velm::MoveRepair what = velm::MoveRepair::kFailed;
        if (velm::FinishInterruptedMove(move, &what) != 0)
          problems.push_back(label + ": the journal cannot be finished");
      }
      const Stamps g2 = StampsOf("g"), h2 = StampsOf("h");
      const bool oneGroup = (g2 == Stamps{1000, 1001, 1002} && h2 == Stamps{2000}) ||
                            (g2 == Stamps{1000, 1002} && h2 == Stamps{2000, 1001});
      if (!oneGroup) problems.push_back(label + ": not in exactly one group after finishing");
      if (!Journals().empty()) problems.push_back(label + ": a journal stays");
    }
  std::string first;
  for (std::size_t i = 0; i < problems.size() && i < 20; ++i)
    first += problems[i] + "\n";
  EXPECT_TRUE(problems.empty()) << problems.size() << " problems:\n" << first;
  // The crashes reach every state, the one between the two writes among them.
  EXPECT_EQ(states, (std::set<std::string>{"old", "new", "both"}));
}

TEST_F(RecordMoveTest, FinishingAJournalWhoseCopyIsMissingKeepsTheRecordWhereItIs) {
  Reset();
  // A crash after the journal but before the append: the journal names a copy that
  // never arrived.
  host::Err err = 0;
  std::int32_t newNumber = -1;
  for (std::uint32_t n = 1;; ++n) {
    Reset();
    os::FileFaults faults;
    faults.powerLossAfter = n;
    Move(&err, &newNumber, &faults);
    os::SimulateRestart(true);
    os::TestOverrides().fileFaults = nullptr;
    if (!Journals().empty() || n > 200) break;
  }
  const std::vector<velm::InterruptedMove> journals = Journals();
  ASSERT_EQ(journals.size(), 1u);
  EXPECT_EQ(std::string(journals[0].source), "g");
  EXPECT_EQ(std::string(journals[0].target), "h");
  velm::MoveRepair what = velm::MoveRepair::kFailed;
  EXPECT_EQ(velm::FinishInterruptedMove(journals[0], &what), 0);
  EXPECT_EQ(what, velm::MoveRepair::kNotBegun);
  EXPECT_EQ(StampsOf("g"), (Stamps{1000, 1001, 1002}));
  EXPECT_EQ(StampsOf("h"), (Stamps{2000}));
}

// A move under way in another namespace (another machine: its process id is unknown here,
// or another process's) is left alone by a repair; once its mover is killed, the repair
// finishes it.
TEST_F(RecordMoveTest, AMoveUnderWayElsewhereIsLeftAloneUntilItsMoverEnds) {
  Reset();
  const pid_t mover = MoveElsewhere(1, "r1", "h", true);
  if (mover < 0) GTEST_SKIP() << "no process-id namespace can be made here (unshare refused)";
  ASSERT_EQ(Journals().size(), 1u);
  EXPECT_TRUE(Journals()[0].running);
  EXPECT_EQ(RepairElsewhere(), 0) << "a move under way was finished";
  EXPECT_EQ(StampsOf("g"), (Stamps{1000, 1001, 1002}));
  EXPECT_EQ(StampsOf("h"), (Stamps{2000, 1001}));
  EXPECT_EQ(Journals().size(), 1u);

  kill(mover, SIGKILL);
  WaitFor(mover);
  ASSERT_TRUE(MoversEnded()) << "the killed mover's lock stays";
  EXPECT_EQ(RepairElsewhere(), 1);
  EXPECT_EQ(StampsOf("g"), (Stamps{1000, 1002}));
  EXPECT_EQ(StampsOf("h"), (Stamps{2000, 1001}));
  EXPECT_TRUE(Journals().empty());
}

// Two movers of one process id (each process 2 of its namespace) never take one journal's
// name: the second moves while the first one's journal is still there.
TEST_F(RecordMoveTest, AReusedProcessIdDoesNotCollideWithALeftJournal) {
  Reset();
  const pid_t first = MoveElsewhere(1, "r1", "h", true);
  if (first < 0) GTEST_SKIP() << "no process-id namespace can be made here (unshare refused)";
  kill(first, SIGKILL);
  WaitFor(first);
  ASSERT_TRUE(MoversEnded());
  ASSERT_EQ(Journals().size(), 1u);

  const pid_t second = MoveElsewhere(0, "r0", "h", false);
  ASSERT_GT(second, 0);
  EXPECT_EQ(WaitFor(second), 0) << "the second move failed";
  EXPECT_EQ(StampsOf("h"), (Stamps{2000, 1001, 1000}));
  ASSERT_EQ(Journals().size(), 1u) << "the left journal is kept, the second one is gone";
  EXPECT_EQ(RepairElsewhere(), 1);
  EXPECT_EQ(StampsOf("g"), (Stamps{1002}));
  EXPECT_EQ(StampsOf("h"), (Stamps{2000, 1001, 1000}));
}

// A move into a group without records cut short right after the append: its copy is
// record 0 there, and finishing the move finds it.
TEST_F(RecordMoveTest, AMoveIntoAnEmptyGroupCutShortAfterTheAppendIsFinished) {
  ASSERT_TRUE(CutShortAfterTheAppend(true)) << "no crash left the copy in the new group";
  EXPECT_EQ(StampsOf("h"), (Stamps{1001}));
  EXPECT_EQ(StampsOf("g"), (Stamps{1000, 1001, 1002}));
  const std::vector<velm::InterruptedMove> journals = Journals();
  ASSERT_EQ(journals.size(), 1u);
  EXPECT_FALSE(journals[0].running);
  velm::MoveRepair what = velm::MoveRepair::kFailed;
  EXPECT_EQ(velm::FinishInterruptedMove(journals[0], &what), 0);
  EXPECT_EQ(what, velm::MoveRepair::kFinished);
  EXPECT_EQ(StampsOf("g"), (Stamps{1000, 1002}));
  EXPECT_EQ(StampsOf("h"), (Stamps{1001}));
}

// A journal named in the older form (no mark) is still read, its mover judged by its
// process id on this machine.
TEST_F(RecordMoveTest, AJournalOfTheOlderFormIsJudgedByItsProcess) {
  ASSERT_TRUE(CutShortAfterTheAppend(false));
  ASSERT_EQ(Journals().size(), 1u);
  const pid_t dead = fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) _exit(0);
  WaitFor(dead);
  for (const auto& [process, running] :
       {std::pair{getppid(), true}, std::pair{getpid(), false}, std::pair{dead, false}}) {
    fs::path journal;
    for (const fs::directory_entry& entry : fs::directory_iterator(DatabaseFolder()))
      if (entry.path().extension() == ".MOV") journal = entry.path();
    fs::rename(journal, DatabaseFolder() / ("VELM-" + std::to_string(process) + "-1.MOV"));
    ASSERT_EQ(Journals().size(), 1u);
    EXPECT_EQ(Journals()[0].running, running) << "process " << process;
  }
}

// A removal's scratch file being written in another namespace (another machine) is left
// alone by a removal here; once its writer is killed, the next removal deletes it.
TEST_F(RecordMoveTest, AScratchFileBeingWrittenElsewhereIsLeftAlone) {
  Reset();
  int held[2];
  ASSERT_EQ(pipe(held), 0);
  const pid_t writer = StartInNamespace([&] {
    close(held[0]);
    // Process 3: no process of that id runs where the removals below do.
    const pid_t worker = fork();
    if (worker != 0) return WaitFor(worker);
    velm::WriterMark mark;
    if (!mark.Take()) _exit(2);
    WriteFileBytes(
        DatabaseFolder() / ("VELM-" + std::to_string(getpid()) + "-" + mark.Text() + ".TMP"),
        "half a group");
    gHeldSignal = held[1];
    HoldTheMove();
  });
  close(held[1]);
  char signal = 0;
  const bool wasHeld = read(held[0], &signal, 1) == 1;
  close(held[0]);
  if (!wasHeld && WaitFor(writer) == kNoNamespace)
    GTEST_SKIP() << "no process-id namespace can be made here (unshare refused)";
  ASSERT_TRUE(wasHeld);
  auto scratchFiles = [&] {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(DatabaseFolder()))
      if (entry.path().extension() == ".TMP") names.push_back(entry.path().filename());
    return names;
  };
  const std::vector<std::string> written = scratchFiles();
  ASSERT_EQ(written.size(), 1u);
  auto removeElsewhere = [&] {
    return WaitFor(StartInNamespace([] { return velm::RemoveGroupRecord("g", 0) == 0 ? 0 : 1; }));
  };
  EXPECT_EQ(removeElsewhere(), 0);
  EXPECT_EQ(scratchFiles(), written) << "a scratch file being written was deleted";

  kill(writer, SIGKILL);
  WaitFor(writer);
  for (int i = 0;
       i < 1000 && velm::WriterOfFile(written[0].c_str(), 5) != velm::WriterState::kEnded; ++i)
    usleep(10000);
  EXPECT_EQ(removeElsewhere(), 0);
  EXPECT_TRUE(scratchFiles().empty());
  EXPECT_EQ(StampsOf("g"), (Stamps{1002}));
}

}  // namespace
