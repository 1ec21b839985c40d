// The commands as the palette runs them: its buttons and double click, and the record
// list following every change.
#include <gtest/gtest.h>

#include <filesystem>

#include "commands/command_fixture.h"
#include "commands/commands.h"
#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record_index.h"
#include "frame/globals.h"
#include "hostsim/desktop/dialog_manager.h"
#include "palette/palette_window.h"

namespace velmtest {
namespace {

class PaletteCommandTest : public CommandTest {
 protected:
  hostsim::Dialog& Palette() { return *hostsim::Dialog::From(velm::gGlobals->palette); }
  std::int32_t Entries() {
    return static_cast<std::int32_t>(Palette().FindItem(velm::kRecordListItem)->entries().size());
  }
  std::int32_t Selected() { return Palette().SelectedIndex(velm::kRecordListItem); }
  void Click(std::int32_t entry, std::uint32_t time) {
    ASSERT_TRUE(
        Palette().TrackEntry(velm::kRecordListItem, entry, host::kTrackMouseDown, {5, 5}, time));
    ASSERT_TRUE(
        Palette().TrackEntry(velm::kRecordListItem, entry, host::kTrackMouseUp, {5, 5}, time + 20));
  }
  void ConfirmDelete(std::int32_t button) {
    host().dialogs().QueueModal([=](hostsim::Dialog& d) { d.Press(button); });
  }
};

TEST_F(PaletteCommandTest, RenamingKeepsTheRecordSelectedAtItsNewSortedPosition) {
  for (const char* name : {"b", "c", "d"})
    Append("g", name);
  UseGroup("g");
  velm::CreatePalette();
  Click(0, 10000);
  AnswerRecordDialog("z", "", 1);
  Click(0, 10100);  // a double click edits the record
  EXPECT_EQ(Names("g"), (std::vector<std::string>{"z", "c", "d"}));
  EXPECT_EQ(Selected(), 2);

  velm::SetRecord("g", 2, nullptr, "a", nullptr, nullptr, false);
  EXPECT_EQ(Selected(), 0);
}

TEST_F(PaletteCommandTest, TheAddButtonSelectsTheNewRecordWhereItSorts) {
  Append("g", "b");
  Append("g", "d");
  UseGroup("g");
  velm::CreatePalette();
  SelectedRectangle();
  velm::RefreshPalette();
  ASSERT_TRUE(Palette().FindItem(velm::kAddButtonItem)->enabled());
  AnswerRecordDialog("c", "", 1);
  Palette().Press(velm::kAddButtonItem);
  EXPECT_EQ(Entries(), 3);
  EXPECT_EQ(Selected(), 1);
}

TEST_F(PaletteCommandTest, RemovingTheLastEntrySelectsTheNewLastAndTheOnlyOneNothing) {
  for (const char* name : {"a", "b", "c"})
    Append("g", name);
  UseGroup("g");
  velm::CreatePalette();
  Click(2, 10000);
  ConfirmDelete(2);
  velm::RmvRecord("g", -1, true);
  EXPECT_EQ(Entries(), 3) << "cancelled";

  ConfirmDelete(1);
  velm::RmvRecord("g", -1, true);
  EXPECT_EQ(Entries(), 2);
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(Names("g"), (std::vector<std::string>{"a", "b"}));

  velm::RmvRecord("g", 0, false);
  ASSERT_EQ(Entries(), 1);
  Click(0, 20000);
  velm::RefreshPalette();
  ConfirmDelete(1);
  Palette().Press(velm::kRemoveButtonItem);
  EXPECT_EQ(Entries(), 0);
  EXPECT_EQ(Selected(), -1);
  EXPECT_EQ(velm::GroupRecordCount("g"), 0);
}

// The list holds one entry per record that reads, whatever the count word claims.
TEST_F(PaletteCommandTest, TheListCountsTheRecordsThatReadNotTheCountWord) {
  Append("g", "a");
  Append("g", "b");
  std::string bytes = FileBytes(GroupFile("g"));
  const struct {
    std::string file;
    std::int32_t entries;
  } cases[] = {
      {std::string("\x7f\xff\xff\xff", 4), 0},
      {std::string("\x00\x10\x00\x00", 4), 0},
      {std::string("\x00\x00\x00\x05", 4) + bytes.substr(4), 2},
  };
  velm::CreatePalette();
  for (const auto& c : cases) {
    WriteFileBytes(GroupFile("g"), c.file);
    velm::SelectGroup("");
    UseGroup("g");
    velm::FillRecordList(velm::gGlobals->palette);
    EXPECT_EQ(Entries(), c.entries);
  }
}

// After a command that failed, the list shows the group the palette names, read afresh.
TEST_F(PaletteCommandTest, AFailedCommandLeavesTheListShowingItsGroupAsItIsNow) {
  Append("動物", "a");
  Append("動物", "b");
  WriteFileBytes(GroupFile("植物"), std::string("\0\0\0\5", 4));  // cannot take a record
  UseGroup("動物");
  velm::CreatePalette();
  SelectedRectangle();
  AnswerRecordDialog("c", "植物", 1);
  ExpectErrorDialog("-1");
  velm::AddRecord(nullptr, nullptr, nullptr, nullptr, true);
  EXPECT_EQ(CurrentGroup(), "植物");
  EXPECT_EQ(Entries(), 0) << "not the entries of 動物";

  // A rename refused because another program changed the group meanwhile.
  std::filesystem::remove(GroupFile("植物"));
  UseGroup("動物");
  velm::FillRecordList(velm::gGlobals->palette);
  Append("other", "z");
  const std::string changed = FileBytes(GroupFile("other"));
  host().dialogs().QueueModal([&](hostsim::Dialog& d) {
    WriteFileBytes(GroupFile("動物"), changed);  // now one record, named "z"
    d.Type(7, "renamed");
    d.Press(1);
  });
  host().dialogs().QueueModal([](hostsim::Dialog& d) { d.Press(1); });  // the error
  velm::SetRecord(Sjis("動物").c_str(), 0, nullptr, nullptr, nullptr, nullptr, true);
  EXPECT_EQ(Names("動物"), (std::vector<std::string>{"z"}));
  EXPECT_EQ(Entries(), 1);
}

}  // namespace
}  // namespace velmtest
