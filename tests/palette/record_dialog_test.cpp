// The record dialog, answered by the stand-in host's scripted user.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_time.h"
#include "dialogs/record_dialog.h"
#include "frame/globals.h"
#include "hostsim/desktop/dialog_manager.h"
#include "platform/memory.h"

namespace velmtest {
namespace {

class RecordDialogTest : public StoreTest {
 protected:
  velm::Record* Header() { return velm::RecordHeader(velm::gGlobals->currentRecord); }
  // Runs the dialog proposing `group` (UTF-8) with `script` as the user.
  std::int32_t Run(const std::string& group, std::function<void(hostsim::Dialog&)> script) {
    host().dialogs().QueueModal(std::move(script));
    return velm::RecordDialog(nullptr, Sjis(group).c_str());
  }
};

TEST_F(RecordDialogTest, TheRecordsFieldsAndDatesAreShownAndRegisteringStoresTheEdits) {
  Append("動物", "a");
  Append("植物", "b");
  const velm::RecordTime now = velm::CurrentRecordTime();
  SetCurrentRecord(MakeRecord("猫", "哺乳類", "a cat", now));
  const velm::os::SystemTime t = velm::RecordTimeToLocalTime(now);
  char date[32];
  std::snprintf(date, sizeof date, "%02d/%02d/%02d %02d:%02d", t.year % 100, t.month, t.day, t.hour,
                t.minute);

  EXPECT_EQ(Run("植物",
                [&](hostsim::Dialog& d) {
                  EXPECT_EQ(Utf8(d.title()), "VELM-Pro 登録");
                  EXPECT_EQ(Utf8(d.TextOf(7)), "猫");
                  EXPECT_EQ(Utf8(d.TextOf(8)), "哺乳類");
                  EXPECT_EQ(d.TextOf(12), "a cat");
                  // Captured just now: both lines show the same moment.
                  EXPECT_EQ(Utf8(d.TextOf(14)), std::string("作成日: ") + date);
                  EXPECT_EQ(Utf8(d.TextOf(15)), std::string("修正日: ") + date);
                  std::vector<std::string> groups;
                  for (const std::string& g : d.EntryTexts(10))
                    groups.push_back(Utf8(g));
                  EXPECT_EQ(groups.size(), 2u);
                  EXPECT_EQ(Utf8(d.TextOf(10)), "植物") << "the proposed group is chosen";
                  d.Type(7, Sjis("虎"));
                  d.Type(8, "");
                  d.Type(12, "a big cat");
                  ASSERT_TRUE(d.Choose(10, d.SelectedIndex(10) == 0 ? 1 : 0));
                  d.Press(1);
                }),
            1);
  EXPECT_EQ(std::string(Header()->name), Sjis("虎"));
  EXPECT_STREQ(Header()->kind, "") << "empty fields are accepted";
  EXPECT_STREQ(Header()->comment, "a big cat");
  EXPECT_EQ(std::string(velm::gGlobals->targetGroup), Sjis("動物"));
}

TEST_F(RecordDialogTest, CancelStoresNothing) {
  Append("動物", "a");
  SetCurrentRecord(MakeRecord("猫"));
  EXPECT_EQ(Run("動物",
                [](hostsim::Dialog& d) {
                  d.Type(7, "dog");
                  d.Press(2);
                }),
            2);
  EXPECT_EQ(std::string(Header()->name), Sjis("猫"));
}

TEST_F(RecordDialogTest, WithoutGroupsUntitledIsOfferedAndCanBeWritten) {
  SetCurrentRecord(MakeRecord("first"));
  EXPECT_EQ(Run("",
                [](hostsim::Dialog& d) {
                  EXPECT_EQ(d.EntryTexts(10), std::vector<std::string>{"UNTITLED"});
                  EXPECT_EQ(d.SelectedIndex(10), 0);
                  d.Press(1);
                }),
            1);
  EXPECT_STREQ(velm::gGlobals->targetGroup, "UNTITLED");
  ASSERT_EQ(velm::WriteGroupRecord(velm::gGlobals->targetGroup, -1), host::kNoErr);
  EXPECT_TRUE(std::filesystem::exists(GroupFile("UNTITLED")));
}

TEST_F(RecordDialogTest, AProposedGroupThatIsGoneLeavesTheLastGroupChosen) {
  Append("a", "1");
  Append("b", "2");
  Append("c", "3");
  SetCurrentRecord(MakeRecord("x"));
  Run("gone", [](hostsim::Dialog& d) {
    const std::vector<std::string> groups = d.EntryTexts(10);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(d.SelectedIndex(10), 2);
    EXPECT_EQ(d.TextOf(10), groups.back());
    d.Press(2);
  });
}

TEST_F(RecordDialogTest, LongNamesKindsAndCommentsCannotBeEntered) {
  SetCurrentRecord(MakeRecord("x"));
  Run("", [](hostsim::Dialog& d) {
    d.Type(7, std::string(70, 'n'));
    d.Type(8, std::string(64, 'k'));
    d.Type(12, std::string(300, 'c'));
    d.Press(1);
  });
  EXPECT_EQ(std::string(Header()->name), std::string(63, 'n'));
  EXPECT_EQ(std::string(Header()->kind), std::string(63, 'k'));
  EXPECT_EQ(std::string(Header()->comment), std::string(255, 'c'));
}

TEST_F(RecordDialogTest, LongDoubleByteTextsAreCutOnACharacterBoundary) {
  auto times = [](const std::string& utf8, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
      s += Sjis(utf8);
    return s;
  };
  SetCurrentRecord(MakeRecord("x"));
  Run("", [&](hostsim::Dialog& d) {
    d.Type(7, times("猫", 32));        // 64 bytes: the last character does not fit
    d.Type(8, "k" + times("犬", 32));  // 63 bytes fit whole
    d.Type(12, times("鳥", 128));
    d.Press(1);
  });
  EXPECT_EQ(std::string(Header()->name), times("猫", 31));
  EXPECT_EQ(std::string(Header()->kind), "k" + times("犬", 31));
  EXPECT_EQ(std::string(Header()->comment), times("鳥", 127));
}

TEST_F(RecordDialogTest, ThePreviewIsTheThumbnailOnWhite) {
  SetCurrentRecord(MakeRecord("x", "", "", 1000, 7));
  const std::uint8_t* thumbnail = velm::gGlobals->currentRecord + velm::kThumbnailOffset;
  Run("", [&](hostsim::Dialog& d) {
    hostsim::Bitmap target(420, 250, 0x123456);
    ASSERT_TRUE(d.DrawItem(13, &target));
    const host::Rect at = d.FindItem(13)->bounds();
    for (auto [x, y] : {std::pair{0, 0}, {127, 0}, {5, 77}, {127, 127}}) {
      const std::uint8_t* p = thumbnail + (y * 128 + x) * 4;
      const std::uint32_t rgb = (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
      EXPECT_EQ(target.Pixel(at.left + x, at.top + y), rgb) << x << "," << y;
    }
    EXPECT_EQ(target.Pixel(at.left + 128, at.top), 0x123456u) << "nothing outside the square";
    d.Press(2);
  });

  velm::ReleaseBlock(velm::gGlobals->currentRecord);
  Run("", [&](hostsim::Dialog& d) {
    hostsim::Bitmap target(420, 250, 0x123456);
    ASSERT_TRUE(d.DrawItem(13, &target));
    const host::Rect at = d.FindItem(13)->bounds();
    EXPECT_EQ(target.Pixel(at.left + 64, at.top + 64), 0xFFFFFFu) << "no record: white";
    d.Press(2);
  });
}

}  // namespace
}  // namespace velmtest
