// Every write of the library driven through every failure the platform layer can inject:
// each file operation of the write made to fail in turn (counted over all operations and
// per kind), and the power lost after each one. Afterwards the library holds the old
// state or the new one, never a third thing, no record is lost, no scratch file shows in
// the group listing, and the write reported success exactly when the new state is there.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "common/sjis.h"
#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "platform/memory.h"
#include "prefs/preferences.h"

namespace {

namespace fs = std::filesystem;
namespace os = velm::os;
using velmtest::Sjis;

// Files below the base folder (relative path -> contents).
using Files = std::map<std::string, std::string>;

void FixedClock(os::SystemTime* time) {
  *time = os::SystemTime{2024, 5, 5, 17, 12, 30, 15, 0};
}

bool IsScratch(const std::string& name) {
  const auto ends = [&](const char* tail) {
    const std::size_t n = std::strlen(tail);
    return name.size() >= n && name.compare(name.size() - n, n, tail) == 0;
  };
  return ends(".TMP") || ends(".new");
}

// One write of the library: what it does, and whether it reports its result.
struct Operation {
  const char* name;
  std::function<bool()> run;  // true when the write reported success
  bool reports;
  std::uint32_t removedCreated;  // the record a successful run removes (0: none)
};

class FaultMatrixTest : public velmtest::StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    os::TestOverrides().localTime = FixedClock;
  }
  void TearDown() override {
    os::TestOverrides().fileFaults = nullptr;
    os::TestOverrides().localTime = nullptr;
    StoreTest::TearDown();
  }

  fs::path Base() const { return DatabaseFolder().parent_path(); }

  // The library's files, without the lock file; scratch files go to *scratch.
  Files Snapshot(std::vector<std::string>* scratch = nullptr) const {
    Files files;
    for (const char* folder : {"VELM", "Prefs"}) {
      if (!fs::exists(Base() / folder)) continue;
      for (const auto& entry : fs::directory_iterator(Base() / folder)) {
        const std::string name = entry.path().filename().string();
        // The trash folder's entries are named by the moment of the removal; the trash
        // tests check what a removal keeps there.
        if (name == "VELM.LCK" || entry.is_directory()) continue;
        if (IsScratch(name)) {
          if (scratch) scratch->push_back(name);
          continue;
        }
        files[std::string(folder) + "/" + name] = FileBytes(entry.path());
      }
    }
    return files;
  }

  void Restore(const Files& files) {
    for (const char* folder : {"VELM", "Prefs"}) {
      fs::remove_all(Base() / folder);
      fs::create_directories(Base() / folder);
    }
    for (const auto& [path, bytes] : files)
      WriteFileBytes(Base() / path, bytes);
    velm::Globals* g = velm::gGlobals;
    velm::ReleaseBlock(g->currentRecord);
    g->currentRecordIndex = -1;
    g->currentGroup[0] = '\0';
  }

  // The `created` stamps of the records in every group (read with injection off); a
  // record that does not read counts as missing.
  std::multiset<std::uint32_t> Records() {
    std::multiset<std::uint32_t> stamps;
    for (const char* group : {"g", "h"}) {
      const std::int32_t count = velm::GroupRecordCount(group);
      for (std::int32_t i = 0; i < count; ++i)
        if (velm::VelmReadRecord(group, i, nullptr, velm::kReadWholeRecord, true) == 0 &&
            velm::gGlobals->currentRecord)
          stamps.insert(velm::RecordHeader(velm::gGlobals->currentRecord)->created);
    }
    return stamps;
  }

  std::set<std::string> Listing() {
    std::set<std::string> groups;
    velm::ListGroups(
        [](const char* group, void* context) {
          static_cast<std::set<std::string>*>(context)->insert(group);
          return true;
        },
        &groups);
    return groups;
  }

  static std::set<std::string> GroupsOf(const Files& files) {
    std::set<std::string> groups;
    for (const auto& [path, bytes] : files)
      if (path.rfind("VELM/", 0) == 0 && path.size() > 9)
        groups.insert(path.substr(5, path.size() - 9));
    return groups;
  }
};

TEST_F(FaultMatrixTest, EveryStepOfEveryWriteFailsOrLosesPowerWithoutLosingARecord) {
  // The old state: two groups and a preferences file.
  for (std::uint32_t i = 0; i < 3; ++i)
    Append("g", "r" + std::to_string(i), "", 1000 + i);
  Append("h", "x0", "", 2000);
  velm::WritePreferences();
  const Files old = Snapshot();
  const std::multiset<std::uint32_t> oldRecords = Records();
  ASSERT_EQ(oldRecords.size(), 4u);
  velm::Globals* g = velm::gGlobals;

  const std::vector<Operation> operations = {
      {"append",
       [&] {
         SetCurrentRecord(MakeRecord("new", "k", "", 3000, 5));
         return velm::WriteGroupRecord("g", -1) == 0;
       },
       true, 0},
      {"header rewrite",
       [&] {
         SetCurrentRecord(MakeRecord("renamed", "kind", "comment", 9999, 2));
         return velm::WriteGroupRecord("g", 1) == 0;
       },
       true, 0},
      {"removal", [&] { return velm::RemoveGroupRecord("g", 1) == 0; }, true, 1001},
      {"group creation", [&] { return velm::NewGroup("n", false) == 0; }, true, 0},
      {"preferences",
       [&] {
         g->toolMode = 3;
         g->flGrWidth = 2.5f;
         std::strcpy(g->currentGroup, "g");
         velm::WritePreferences();
         return true;
       },
       false, 0},
  };

  std::uint32_t cases = 0, injected = 0, recordsLost = 0, leftovers = 0;
  std::vector<std::string> problems;
  for (const Operation& op : operations) {
    // The new state, from a run without faults; then the same run counted.
    Restore(old);
    ASSERT_TRUE(op.run()) << op.name;
    const Files fresh = Snapshot();
    ASSERT_TRUE(fresh != old) << op.name << " changes nothing";
    Restore(old);
    os::FileFaults clean;
    os::TestOverrides().fileFaults = &clean;
    ASSERT_TRUE(op.run()) << op.name;
    os::SimulateRestart(false);
    os::TestOverrides().fileFaults = nullptr;
    ASSERT_GT(clean.operations, 0u);
    if (Snapshot() != fresh) problems.push_back(std::string(op.name) + ": counting changes it");

    // Checks the library after one case (named by `label`).
    auto check = [&](const std::string& label, bool reported, const os::FileFaults& f,
                     bool powerLoss) {
      std::vector<std::string> scratch;
      const Files now = Snapshot(&scratch);
      const bool isOld = now == old, isNew = now == fresh;
      if (!isOld && !isNew) problems.push_back(label + ": neither the old state nor the new one");
      if (op.reports && reported != isNew)
        problems.push_back(label + (reported ? ": success reported, old state there"
                                             : ": failure reported, new state there"));
      if (Listing() != GroupsOf(isNew ? fresh : old))
        problems.push_back(label + ": the group listing differs");
      if (!scratch.empty()) {
        leftovers += static_cast<std::uint32_t>(scratch.size());
        // Only a failed clean-up, or a crash, may leave a scratch file behind.
        if (!powerLoss && f.failedKind != os::FileOp::kDelete)
          problems.push_back(label + ": scratch file " + scratch.front() + " left");
      }
      std::multiset<std::uint32_t> expected = oldRecords;
      if (isNew && op.removedCreated) expected.erase(expected.find(op.removedCreated));
      const std::multiset<std::uint32_t> found = Records();
      for (std::uint32_t stamp : std::set<std::uint32_t>(expected.begin(), expected.end()))
        if (found.count(stamp) < expected.count(stamp)) {
          recordsLost += static_cast<std::uint32_t>(expected.count(stamp) - found.count(stamp));
          problems.push_back(label + ": record " + std::to_string(stamp) + " lost");
        }
    };

    auto runCase = [&](os::FileFaults faults, const std::string& label) {
      Restore(old);
      os::TestOverrides().fileFaults = &faults;
      const bool reported = op.run();
      const bool powerLoss = faults.powerLossAfter != 0;
      // Only a power loss after the last operation finds nothing left to fail.
      if (!faults.injected && faults.powerLossAfter < clean.operations)
        problems.push_back(label + ": no failure was injected");
      if (powerLoss) {
        os::SimulateRestart(true);
        os::TestOverrides().fileFaults = nullptr;
        check(label, reported, faults, true);
      } else {
        os::TestOverrides().fileFaults = nullptr;
        check(label, reported, faults, false);
        // What survives a later power loss is the same state.
        os::TestOverrides().fileFaults = &faults;
        os::SimulateRestart(true);
        os::TestOverrides().fileFaults = nullptr;
        check(label + " then restart", reported, faults, false);
      }
      ++cases;
      injected += faults.failed;
    };

    const std::string name = op.name;
    for (std::uint32_t n = 1; n <= clean.operations; ++n) {
      os::FileFaults any;
      any.failAt = n;
      runCase(any, name + ": operation " + std::to_string(n) + " fails");
      os::FileFaults power;
      power.powerLossAfter = n;
      runCase(power, name + ": power lost after operation " + std::to_string(n));
    }
    for (int k = 0; k < os::kFileOpKinds; ++k)
      for (std::uint32_t n = 1; n <= clean.byKind[k]; ++n) {
        os::FileFaults one;
        one.anyKind = false;
        one.kind = static_cast<os::FileOp>(k);
        one.failAt = n;
        runCase(one, name + ": " + os::kFileOpNames[k] + " " + std::to_string(n) + " fails");
      }
  }

  std::string first;
  for (std::size_t i = 0; i < problems.size() && i < 40; ++i)
    first += problems[i] + "\n";
  EXPECT_TRUE(problems.empty()) << problems.size() << " problems, first ones:\n" << first;
  EXPECT_EQ(recordsLost, 0u);
  EXPECT_GT(cases, 0u);
  RecordProperty("operations", static_cast<int>(operations.size()));
  RecordProperty("cases", static_cast<int>(cases));
  RecordProperty("file_operations_failed", static_cast<int>(injected));
  RecordProperty("records_lost", static_cast<int>(recordsLost));
  std::cout << "fault matrix: " << operations.size() << " operations, " << cases << " cases, "
            << injected << " file operations failed, " << recordsLost << " records lost, "
            << leftovers << " scratch files left by crashes or failed clean-ups\n";
}

}  // namespace
