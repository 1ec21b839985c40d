// The group and confirmation dialogs, answered by the stand-in host's scripted user.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "dialogs/group_dialogs.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "hostsim/desktop/dialog_manager.h"

namespace velmtest {
namespace {

class GroupDialogTest : public StoreTest {
 protected:
  // Queues a user who types `name` into the new-group dialog and presses `button`.
  void AnswerNewGroup(const std::string& name, std::int32_t button) {
    host().dialogs().QueueModal([=](hostsim::Dialog& d) {
      EXPECT_EQ(d.id(), velm::kNewGroupDialogId);
      EXPECT_EQ(Utf8(d.title()), "新規グループ");
      d.Type(5, name);
      d.Press(button);
    });
  }
  // The texts of the group commands' message list, entry `index`.
  std::string GroupMessage(std::int32_t index) {
    char text[512] = {};
    EXPECT_EQ(velm::sAdmBasic->GetIndexString(velm::gGlobals->pluginRef, velm::kGroupMessageList,
                                              index, text, sizeof text),
              host::kNoErr);
    return text;
  }
};

TEST_F(GroupDialogTest, OkStoresTheNewGroupsNameAndCancelLeavesTheCurrentGroup) {
  std::strcpy(velm::gGlobals->currentGroup, "old");
  AnswerNewGroup(Sjis("図形"), 2);
  EXPECT_EQ(velm::NewGroupDialog(nullptr), 2);
  EXPECT_STREQ(velm::gGlobals->currentGroup, "old");

  AnswerNewGroup(Sjis("図形"), 1);
  EXPECT_EQ(velm::NewGroupDialog(nullptr), 1);
  EXPECT_EQ(std::string(velm::gGlobals->currentGroup), Sjis("図形"));
}

TEST_F(GroupDialogTest, ANameOf64BytesOrMoreIsCutTo63WithoutSplittingACharacter) {
  AnswerNewGroup(std::string(70, 'n'), 1);
  EXPECT_EQ(velm::NewGroupDialog(nullptr), 1);
  EXPECT_EQ(std::string(velm::gGlobals->currentGroup), std::string(63, 'n'));

  // 62 single bytes and a double-byte character: its lead byte alone does not stay.
  AnswerNewGroup(std::string(62, 'a') + Sjis("表"), 1);
  EXPECT_EQ(velm::NewGroupDialog(nullptr), 1);
  EXPECT_EQ(std::string(velm::gGlobals->currentGroup), std::string(62, 'a'));
}

TEST_F(GroupDialogTest, MessagesShowTheirTextWithTheRightButtons) {
  char text[256];
  std::snprintf(text, sizeof text, GroupMessage(velm::kNewGroupFailure).c_str(),
                Sjis("図形").c_str(), -1);
  host().dialogs().QueueModal([&](hostsim::Dialog& d) {
    EXPECT_EQ(d.id(), velm::kErrorMessageDialogId);
    EXPECT_EQ(Utf8(d.title()), "エラー");
    EXPECT_EQ(Utf8(d.TextOf(3)),
              "'図形'グループを作成出来ませんでした。[-1]\r\nグループ名が不適切か重複しています。");
    EXPECT_EQ(d.TextOf(2), "") << "no Cancel button";
    const host::Rect icon = d.FindItem(4)->bounds();
    EXPECT_EQ(icon.right - icon.left, 32);
    EXPECT_EQ(icon.bottom - icon.top, 32);
    d.Press(1);
  });
  EXPECT_EQ(velm::MessageDialog(nullptr, 0, text), 1);

  std::snprintf(text, sizeof text, GroupMessage(velm::kRemoveGroupQuestion).c_str(),
                Sjis("図形").c_str());
  host().dialogs().QueueModal([&](hostsim::Dialog& d) {
    EXPECT_EQ(d.id(), velm::kConfirmDialogId);
    EXPECT_EQ(Utf8(d.title()), "確認");
    EXPECT_EQ(Utf8(d.TextOf(3)),
              "'図形'グループを削除してよろしいか？\r\n一旦削除すると元に戻せません。");
    d.Press(2);
  });
  EXPECT_EQ(velm::MessageDialog(nullptr, 1, text), 2);

  // A text longer than the buffer is cut to 255 bytes, on a character boundary.
  const std::string longText = std::string(254, 'y') + Sjis("表");
  host().dialogs().QueueModal([&](hostsim::Dialog& d) {
    EXPECT_LE(d.TextOf(3).size(), 255u);
    EXPECT_EQ(d.TextOf(3), longText.substr(0, d.TextOf(3).size()));
    EXPECT_EQ(d.TextOf(3).size(), 254u) << "the cut lead byte does not stay";
    d.Press(1);
  });
  EXPECT_EQ(velm::MessageDialog(nullptr, 1, longText.c_str()), 1);
}

TEST_F(GroupDialogTest, DeletingARecordIsAskedFirst) {
  for (std::int32_t button : {1, 2}) {
    host().dialogs().QueueModal([&](hostsim::Dialog& d) {
      EXPECT_EQ(d.id(), velm::kDeleteRecordDialogId);
      EXPECT_EQ(Utf8(d.TextOf(4)), "このレコードを完全に削除しますか？");
      EXPECT_EQ(Utf8(d.TextOf(1)), "削除");
      EXPECT_EQ(Utf8(d.TextOf(2)), "キャンセル");
      const host::Rect icon = d.FindItem(3)->bounds();
      EXPECT_EQ(icon.right - icon.left, 32);
      d.Press(button);
    });
    EXPECT_EQ(velm::DeleteRecordDialog(nullptr), button);
  }
}

}  // namespace
}  // namespace velmtest
