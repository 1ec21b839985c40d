// AddRecord, SetRecord and RmvRecord through the stand-in host.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "commands/command_fixture.h"
#include "commands/commands.h"
#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record_index.h"
#include "frame/globals.h"
#include "hostsim/desktop/dialog_manager.h"

namespace velmtest {
namespace {

TEST_F(CommandTest, AddRecordStoresTheSelectionUnderTheDialogsNameAndGroup) {
  Append("動物", "a");
  Append("植物", "b");
  UseGroup("動物");
  SelectedRectangle();

  AnswerRecordDialog("cancelled", "", 2);
  velm::AddRecord(nullptr, nullptr, nullptr, nullptr, true);
  EXPECT_EQ(Names("動物"), (std::vector<std::string>{"a"}));

  AnswerRecordDialog("猫", "植物", 1);
  velm::AddRecord(nullptr, nullptr, nullptr, nullptr, true);
  EXPECT_EQ(Names("植物"), (std::vector<std::string>{"b", "猫"}));
  EXPECT_EQ(CurrentGroup(), "植物") << "the chosen group becomes current";
  EXPECT_EQ(velm::gGlobals->currentRecordIndex, 1);
  EXPECT_EQ(HeaderOf("植物", 1).bounds.right, 40 << 16);

  // Playback: the given group and texts, no dialog.
  velm::AddRecord(Sjis("動物").c_str(), Sjis("犬").c_str(), "k", "c", false);
  EXPECT_EQ(Names("動物"), (std::vector<std::string>{"a", "犬"}));
  EXPECT_STREQ(HeaderOf("動物", 1).comment, "c");
}

TEST_F(CommandTest, AddRecordBeepsWithoutCapturableArtOrInTheSearchResults) {
  Append("動物", "a");
  UseGroup("動物");
  hostsim::Art* rectangle = SelectedRectangle();
  rectangle->guide = true;
  EXPECT_FALSE(velm::HasCapturableSelection()) << "a guide does not count";
  velm::AddRecord(Sjis("動物").c_str(), "x", "", "", false);
  EXPECT_EQ(host().beepCount(), 1);

  rectangle->guide = false;
  EXPECT_TRUE(velm::HasCapturableSelection());
  ShowResults({{"動物", 0}});
  velm::AddRecord(Sjis("動物").c_str(), "x", "", "", false);
  EXPECT_EQ(host().beepCount(), 2);
  EXPECT_EQ(Names("動物").size(), 1u);
}

TEST_F(CommandTest, SetRecordRewritesTheHeaderInPlaceKeepingCreated) {
  Append("動物", "a", "", 1000);
  Append("動物", "b", "", 2000);
  UseGroup("動物");
  velm::SetRecord(Sjis("動物").c_str(), 0, nullptr, Sjis("象").c_str(), "kind", "only this", false);
  EXPECT_EQ(Names("動物"), (std::vector<std::string>{"象", "b"}));
  const velm::Record h = HeaderOf("動物", 0);
  EXPECT_EQ(h.created, 1000u);
  EXPECT_GT(h.modified, 1000u);
  EXPECT_STREQ(h.comment, "only this");
  // The record list follows: "b" sorts before "象" now.
  EXPECT_EQ(velm::FindRIHItem(Sjis("動物").c_str(), 0), 1);
}

TEST_F(CommandTest, AMoveAppendsToTheTargetKeepsTheDatesAndThenRemovesTheSource) {
  Append("動物", "a", "", 1000);
  Append("動物", "b", "", 2000);
  Append("植物", "c", "", 3000);
  UseGroup("動物");
  velm::SetRecord(Sjis("動物").c_str(), 0, Sjis("植物").c_str(), nullptr, nullptr, nullptr, false);
  EXPECT_EQ(Names("動物"), (std::vector<std::string>{"b"}));
  EXPECT_EQ(Names("植物"), (std::vector<std::string>{"c", "a"}));
  const velm::Record moved = HeaderOf("植物", 1);
  EXPECT_EQ(moved.created, 1000u);
  EXPECT_EQ(moved.modified, 1000u);
  EXPECT_EQ(CurrentGroup(), "植物");
  EXPECT_EQ(velm::gGlobals->currentRecordIndex, 1);
  ASSERT_NE(velm::gGlobals->currentRecord, nullptr) << "the written record stays current";
}

TEST_F(CommandTest, AMoveWhileSearchResultsAreShownKeepsThemAndRepointsTheEntry) {
  Append("動物", "a");
  Append("動物", "b");
  Append("植物", "c");
  ShowResults({{"動物", 0}, {"動物", 1}, {"植物", 0}});
  velm::SetRecord(Sjis("動物").c_str(), 0, Sjis("植物").c_str(), nullptr, nullptr, nullptr, false);
  EXPECT_EQ(CurrentGroup(), "検索結果");
  EXPECT_EQ(velm::gGlobals->searchMode, 1);
  EXPECT_EQ(Results(), (std::vector<std::string>{"植物/1", "動物/0", "植物/0"}));
  EXPECT_EQ(Names("植物"), (std::vector<std::string>{"c", "a"}));
}

// A move whose append fails leaves the record where it was and says so: the error dialog
// for the user, the beep during playback.
TEST_F(CommandTest, AMoveThatCannotWriteItsTargetKeepsTheRecord) {
  struct Case {
    const char* what;
    bool interactive;
    std::function<void(const std::filesystem::path& target)> spoil;
  };
  const Case cases[] = {
      {"damaged target", true,
       [this](const auto& t) { WriteFileBytes(t, std::string("\0\0\0\5", 4)); }},
      {"damaged target, playback", false,
       [this](const auto& t) { WriteFileBytes(t, std::string("\0\0\0\5", 4)); }},
      // The file cannot be opened: nothing is written, whatever the write reports.
      {"target is a folder, playback", false,
       [](const auto& t) {
         std::filesystem::remove(t);
         std::filesystem::create_directory(t);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    velm::SelectGroup("");
    std::filesystem::remove_all(DatabaseFolder());
    Append("動物", "a");
    Append("植物", "c");
    UseGroup("動物");
    const std::filesystem::path target = GroupFile("植物");
    c.spoil(target);
    const std::string source = FileBytes(GroupFile("動物"));
    auto targetBytes = [&] {
      return std::filesystem::is_regular_file(target) ? FileBytes(target) : "(folder)";
    };
    const std::string before = targetBytes();
    const int beeps = host().beepCount();

    if (c.interactive) {
      AnswerRecordDialog("renamed", "植物", 1);
      ExpectErrorDialog("-1");
      velm::SetRecord(Sjis("動物").c_str(), 0, nullptr, nullptr, nullptr, nullptr, true);
    } else {
      velm::SetRecord(Sjis("動物").c_str(), 0, Sjis("植物").c_str(), nullptr, nullptr, nullptr,
                      false);
    }
    EXPECT_EQ(host().beepCount(), beeps + (c.interactive ? 0 : 1));
    EXPECT_EQ(FileBytes(GroupFile("動物")), source);
    EXPECT_EQ(targetBytes(), before);
    EXPECT_EQ(CurrentGroup(), "動物");
    EXPECT_EQ(velm::FindRIHItem(Sjis("動物").c_str(), 0), 0) << "still listed";
  }
}

TEST_F(CommandTest, RmvRecordFromTheSearchResultsRemovesFromTheRealGroupAndRenumbers) {
  for (const char* name : {"a", "b", "c"})
    Append("動物", name);
  Append("植物", "p");
  ShowResults({{"動物", 0}, {"動物", 1}, {"動物", 2}, {"植物", 0}});
  velm::RmvRecord(Sjis("動物").c_str(), 1, false);
  EXPECT_EQ(Names("動物"), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(Results(), (std::vector<std::string>{"動物/0", "動物/1", "植物/0"}));
  EXPECT_EQ(CurrentGroup(), "検索結果");
}

TEST_F(CommandTest, RmvRecordAsksFirstAndNeverTakesMinusOneFromPlayback) {
  Append("動物", "a");
  Append("動物", "b");
  UseGroup("動物");
  host().dialogs().QueueModal([](hostsim::Dialog& d) { d.Press(2); });
  velm::RmvRecord(Sjis("動物").c_str(), 0, true);
  velm::RmvRecord(Sjis("動物").c_str(), -1, false);
  velm::RmvRecord(Sjis("動物").c_str(), 5, false);
  EXPECT_EQ(Names("動物"), (std::vector<std::string>{"a", "b"}));

  host().dialogs().QueueModal([](hostsim::Dialog& d) { d.Press(1); });
  velm::RmvRecord(Sjis("動物").c_str(), 0, true);
  EXPECT_EQ(Names("動物"), (std::vector<std::string>{"b"}));
  EXPECT_EQ(velm::gGlobals->currentRecord, nullptr);
}

// Another program sharing the folder changes the group after the plug-in read it: record 0
// is no longer "a". A removal of the listed "a", a rename while the dialog is open and a
// move all refuse to act on whatever record now has that number.
TEST_F(CommandTest, CommandsActOnlyOnTheRecordTheyRead) {
  struct Case {
    const char* what;
    std::function<void(const std::function<void()>& otherProgram)> command;
    std::vector<std::string> left;
  };
  const Case cases[] = {
      {"remove the listed record",
       [](const auto& otherProgram) {
         otherProgram();
         velm::RmvRecord(Sjis("動物").c_str(), 0, false);
       },
       {"b", "c"}},
      {"rename in the dialog",
       [this](const auto& otherProgram) {
         host().dialogs().QueueModal([&](hostsim::Dialog& d) {
           otherProgram();
           d.Type(7, Sjis("象"));
           d.Press(1);
         });
         ExpectErrorDialog("-4");
         velm::SetRecord(Sjis("動物").c_str(), 0, nullptr, nullptr, nullptr, nullptr, true);
       },
       {"b", "c"}},
      {"move in the dialog",
       [this](const auto& otherProgram) {
         host().dialogs().QueueModal([&](hostsim::Dialog& d) {
           otherProgram();
           const std::vector<std::string> entries = d.EntryTexts(10);
           for (std::size_t i = 0; i < entries.size(); ++i)
             if (entries[i] == Sjis("植物")) d.Choose(10, static_cast<std::int32_t>(i));
           d.Press(1);
         });
         ExpectErrorDialog("-4");
         velm::SetRecord(Sjis("動物").c_str(), 0, nullptr, nullptr, nullptr, nullptr, true);
       },
       {"b", "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    velm::SelectGroup("");
    std::filesystem::remove_all(DatabaseFolder());
    for (const char* name : {"a", "b", "c"})
      Append("動物", name);
    for (const char* name : {"b", "c"})
      Append("他", name);
    Append("植物", "p");
    UseGroup("動物");
    ASSERT_EQ(velm::FindRIHItem(Sjis("動物").c_str(), 0), 0);  // the list is shown
    c.command([this] { WriteFileBytes(GroupFile("動物"), FileBytes(GroupFile("他"))); });
    EXPECT_EQ(Names("動物"), c.left);
  }
}

}  // namespace
}  // namespace velmtest
