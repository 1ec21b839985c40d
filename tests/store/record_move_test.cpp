// Moves of a record between groups: all or nothing as a user sees it. Every file operation
// of a move is made to fail in turn, and the power is lost after each one: the record is
// then in one group, or in both with a journal that finishing the move resolves.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_move.h"
#include "frame/globals.h"
#include "platform/memory.h"

namespace {

namespace fs = std::filesystem;
namespace os = velm::os;

class RecordMoveTest : public velmtest::StoreTest {
 protected:
  void TearDown() override {
    os::TestOverrides().fileFaults = nullptr;
    StoreTest::TearDown();
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

}  // namespace
