// The settings dialog, answered by the stand-in host's scripted user.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "dialogs/search_dialog.h"
#include "dialogs/settings_dialog.h"
#include "frame/globals.h"
#include "hostsim/desktop/dialog_manager.h"

namespace velmtest {
namespace {

class SettingsDialogTest : public StoreTest {
 protected:
  std::int32_t Run(std::function<void(hostsim::Dialog&)> script) {
    host().dialogs().QueueModal(std::move(script));
    return velm::SettingsDialog(nullptr);
  }
  velm::Globals& g() { return *velm::gGlobals; }
};

TEST_F(SettingsDialogTest, TheDialogShowsTheSettingsAndStoresWhatIsChanged) {
  g().flUseGrid = 1;
  g().flUseFcur = 0;
  g().flUseFcrs = 1;
  g().flUseFops = 0;
  g().flGrWidth = 14.17323f;
  g().flGrHeight = 20.0f;
  g().originMode = 4;
  EXPECT_EQ(Run([](hostsim::Dialog& d) {
              EXPECT_EQ(Utf8(d.title()), "VELM-Pro 設定");
              EXPECT_TRUE(d.FindItem(5)->on());
              EXPECT_FALSE(d.FindItem(6)->on());
              EXPECT_TRUE(d.FindItem(7)->on());
              EXPECT_FALSE(d.FindItem(8)->on());
              EXPECT_EQ(d.TextOf(9), "14.173");  // the document is in points
              EXPECT_EQ(d.TextOf(10), "20");
              const auto& presets = d.FindItem(9)->entries();
              ASSERT_EQ(presets.size(), 10u);
              EXPECT_EQ(presets[0]->text, ".25");
              EXPECT_TRUE(presets[2]->separator);
              EXPECT_FALSE(presets[2]->enabled);
              EXPECT_TRUE(presets[4]->separator);
              EXPECT_EQ(presets[9]->text, "100");
              EXPECT_EQ(d.FindItem(14)->pictureId(), velm::kOriginIconBase + 4);
              const host::Rect selector = d.FindItem(14)->bounds();
              EXPECT_EQ(selector.right - selector.left, 32);

              d.FindItem(6)->SetOn(true);
              d.FindItem(7)->SetOn(false);
              ASSERT_TRUE(d.Choose(9, 6));  // the preset "10"
              d.Type(10, "2.5");
              EXPECT_TRUE(d.Click(14, {25, 13}));  // right column, middle row
              EXPECT_EQ(d.FindItem(14)->pictureId(), velm::kOriginIconBase + 7);
              d.Press(1);
            }),
            1);
  EXPECT_EQ(g().flUseGrid, 1);
  EXPECT_EQ(g().flUseFcur, 1);
  EXPECT_EQ(g().flUseFcrs, 0);
  EXPECT_EQ(g().flUseFops, 0);
  EXPECT_FLOAT_EQ(g().flGrWidth, 10.0f);
  EXPECT_FLOAT_EQ(g().flGrHeight, 2.5f);
  EXPECT_EQ(g().originMode, 7);
}

TEST_F(SettingsDialogTest, TheSpacingPopupsTakeTypingWhereAPlainPopupRefusesIt) {
  std::vector<std::string> failures;
  host().SetFailureHandler([&](const std::string& what) { failures.push_back(what); });
  g().flGrWidth = 10.0f;
  EXPECT_EQ(Run([](hostsim::Dialog& d) {
              d.Type(9, "14.17323");  // the start-up spacing, not a preset
              d.Press(1);
            }),
            1);
  EXPECT_TRUE(failures.empty()) << failures.front();
  EXPECT_FLOAT_EQ(g().flGrWidth, 14.17323f);

  // The search dialog's field popup can only be chosen from.
  host().dialogs().QueueModal([](hostsim::Dialog& d) {
    d.Type(4, "x");
    EXPECT_NE(d.TextOf(4), "x");
    d.Press(3);
  });
  velm::SearchDialog(nullptr);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("popup"), std::string::npos) << failures[0];
}

TEST_F(SettingsDialogTest, SpacingIsShownAndTypedInTheDocumentsUnit) {
  host().document()->SetRulerUnits(host::kMillimeterUnits);
  g().flGrWidth = 72.0f;
  EXPECT_EQ(Run([](hostsim::Dialog& d) {
              EXPECT_EQ(d.TextOf(9), "25.4");
              d.Type(9, "10");
              d.Press(1);
            }),
            1);
  EXPECT_NEAR(g().flGrWidth, 28.3465f, 1e-3);
}

TEST_F(SettingsDialogTest, SpacingThatIsNotAPositiveNumberBeepsAndKeepsTheDialogOpen) {
  g().flGrWidth = 14.0f;
  for (const char* typed : {"0", "-3", "abc", ""}) {
    SCOPED_TRACE(typed);
    const int beeps = host().beepCount();
    EXPECT_EQ(Run([&](hostsim::Dialog& d) {
                d.Type(10, typed);
                d.Press(1);
                EXPECT_FALSE(d.ended());
                EXPECT_TRUE(d.FindItem(10)->textSelected());
                d.Press(2);
              }),
              2);
    EXPECT_EQ(host().beepCount(), beeps + 1);
    EXPECT_FLOAT_EQ(g().flGrWidth, 14.0f);
  }
}

TEST_F(SettingsDialogTest, ClicksBetweenCellsChooseNothingAndCancelKeepsTheOrigin) {
  g().originMode = 2;
  EXPECT_EQ(Run([](hostsim::Dialog& d) {
              for (host::Point gap : {host::Point{9, 9}, {10, 30}, {30, 10}, {21, 21}}) {
                d.Click(14, gap);
                EXPECT_EQ(d.FindItem(14)->pictureId(), velm::kOriginIconBase + 2);
              }
              d.Click(14, {0, 0});  // left column, top row
              EXPECT_EQ(d.FindItem(14)->pictureId(), velm::kOriginIconBase + 0);
              d.Press(2);
            }),
            2);
  EXPECT_EQ(g().originMode, 2);
}

}  // namespace
}  // namespace velmtest
