// NewGroup, RmvGroup and the busy cursor through the stand-in host.
#include <gtest/gtest.h>

#include <filesystem>

#include "commands/command_fixture.h"
#include "commands/commands.h"
#include "common/sjis.h"
#include "database/busy.h"
#include "database/group_file.h"
#include "database/record_index.h"
#include "database/trash.h"
#include "dialogs/group_dialogs.h"
#include "frame/globals.h"
#include "hostsim/desktop/dialog_manager.h"

namespace velmtest {
namespace {

// The user types `name` into the new-group dialog and presses OK.
void TypeNewGroup(hostsim::Host& host, const std::string& name) {
  host.dialogs().QueueModal([=](hostsim::Dialog& d) {
    EXPECT_EQ(d.id(), velm::kNewGroupDialogId);
    d.Type(5, name);
    d.Press(1);
  });
}

TEST_F(CommandTest, NewGroupMakesAnEmptyGroupFileAndMakesItCurrent) {
  Append("動物", "a");
  UseGroup("動物");
  TypeNewGroup(host(), Sjis("植物"));
  EXPECT_EQ(velm::NewGroup(nullptr, true), host::kNoErr);
  EXPECT_EQ(CurrentGroup(), "植物");
  EXPECT_EQ(FileBytes(GroupFile("植物")), "");
  EXPECT_TRUE(std::filesystem::is_regular_file(GroupFile("植物")));

  EXPECT_EQ(velm::NewGroup("plain", false), host::kNoErr);
  EXPECT_EQ(CurrentGroup(), "plain");
}

// Existing groups, and names that are not file names, are refused alike: the failure
// message with -1, the previous group current, no file made.
TEST_F(CommandTest, NewGroupRefusesExistingAndInvalidNamesWithMinusOne) {
  Append("動物", "a");
  UseGroup("動物");
  const std::string names[] = {Sjis("動物"), "a/b", "a\\b", "..", "x:y", "", Sjis("検索結果")};
  for (const std::string& name : names) {
    SCOPED_TRACE(Utf8(name));
    TypeNewGroup(host(), name);
    host().dialogs().QueueModal([&](hostsim::Dialog& d) {
      EXPECT_EQ(d.id(), velm::kErrorMessageDialogId);
      EXPECT_EQ(Utf8(d.TextOf(3)), "'" + Utf8(name) +
                                       "'グループを作成出来ませんでした。[-1]\r\n"
                                       "グループ名が不適切か重複しています。");
      d.Press(1);
    });
    EXPECT_EQ(velm::NewGroup(nullptr, true), -1);
    EXPECT_EQ(CurrentGroup(), "動物");
    EXPECT_EQ(velm::NewGroup(name.c_str(), false), -1) << "playback: no message";
    EXPECT_EQ(CurrentGroup(), "動物");
  }
  EXPECT_EQ(velm::NewGroup(std::string(64, 'n').c_str(), false), -1) << "never cut";
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(DatabaseFolder()))
    if (entry.path().filename() != "VELM.LCK")  // the writers' lock file
      files.push_back(entry.path().filename().string());
  EXPECT_EQ(files, (std::vector<std::string>{"動物.VEL"}));
}

TEST_F(CommandTest, RmvGroupAsksWithTheGroupsNameAndRemovesItsFile) {
  Append("動物", "a");
  Append("植物", "b");
  UseGroup("動物");
  for (const std::int32_t button : {2, 1}) {
    host().dialogs().QueueModal([&](hostsim::Dialog& d) {
      EXPECT_EQ(d.id(), velm::kConfirmDialogId);
      EXPECT_EQ(Utf8(d.TextOf(3)),
                "'植物'グループを削除してよろしいか？\r\n一旦削除すると元に戻せません。");
      d.Press(button);
    });
    EXPECT_EQ(velm::RmvGroup(Sjis("植物").c_str(), true), host::kNoErr);
    EXPECT_EQ(std::filesystem::exists(GroupFile("植物")), button == 2);
  }
  // The removed group is kept in the trash.
  std::vector<velm::TrashEntry> trash;
  ASSERT_EQ(velm::ListTrash(&trash), host::kNoErr);
  ASSERT_EQ(trash.size(), 1u);
  EXPECT_EQ(trash[0].group, Sjis("植物"));
  EXPECT_EQ(trash[0].firstRecord, "b");
  EXPECT_EQ(CurrentGroup(), "動物");
  EXPECT_EQ(velm::RmvGroup("", false), -1);
  EXPECT_NE(velm::RmvGroup("missing", false), host::kNoErr) << "nothing removed";

  // Removing the current group leaves nothing of it listed.
  EXPECT_EQ(velm::FindRIHItem(Sjis("動物").c_str(), 0), 0);
  EXPECT_EQ(velm::RmvGroup(Sjis("動物").c_str(), false), host::kNoErr);
  EXPECT_EQ(velm::FindRIHItem(Sjis("動物").c_str(), 0), -1);
}

// A group that cannot be removed (a file no write may open, another writer holding the
// group) stays, and the user is told: the confirmation, then the error message.
TEST_F(CommandTest, RmvGroupThatRemovesNothingSaysSo) {
  Append("動物", "a");
  Append("植物", "b");
  UseGroup("動物");
  ASSERT_TRUE(SetUnwritable(GroupFile("植物"), true));
  host().dialogs().QueueModal([](hostsim::Dialog& d) { d.Press(1); });
  ExpectErrorDialog("-1");
  EXPECT_EQ(velm::RmvGroup(Sjis("植物").c_str(), true), velm::kGroupWriteErr);
  ASSERT_TRUE(SetUnwritable(GroupFile("植物"), false));
  EXPECT_TRUE(std::filesystem::exists(GroupFile("植物")));
  EXPECT_EQ(host().dialogs().PendingScripts(), 0u);

  const int beeps = host().beepCount();
  EXPECT_EQ(velm::RmvGroup(Sjis("存在しない").c_str(), false), velm::kGroupWriteErr);
  EXPECT_EQ(host().beepCount(), beeps + 1) << "playback beeps";
}

std::uint32_t gTick = 0;

TEST_F(CommandTest, TheBusyCursorAdvancesOnlyAfterMoreThan30TicksOf16Ms) {
  for (int frame = 0; frame < 4; ++frame)
    EXPECT_NE(velm::gGlobals->snapCursors[10 + frame], nullptr) << "loaded at start-up";
  os::TestOverrides().tickCount = [] { return gTick; };
  velm::Globals* g = velm::gGlobals;
  g->busyTick = 100;
  g->busyFrame = 0;
  gTick = (100 + 31) * 16;
  velm::AdvanceBusyCursor();
  EXPECT_EQ(g->busyFrame, 0) << "not busy";

  velm::BeginBusy();
  gTick = (100 + 30) * 16 + 15;  // 30 units
  velm::AdvanceBusyCursor();
  EXPECT_EQ(g->busyFrame, 0);
  std::uint32_t at = 100;
  for (int step = 1; step <= 4; ++step) {
    at += 31;
    gTick = at * 16;
    velm::AdvanceBusyCursor();
    EXPECT_EQ(g->busyFrame, step % 4);
    EXPECT_EQ(g->busyTick, at);
    EXPECT_EQ(host().currentCursor(), 16110 + step % 4);
  }
  velm::EndBusy();
  gTick += 1000 * 16;
  velm::AdvanceBusyCursor();
  EXPECT_EQ(g->busyFrame, 0);
}

}  // namespace
}  // namespace velmtest
