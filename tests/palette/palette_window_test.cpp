// The palette window: its items and their places, the group popup, the flyout menu's
// views and sort orders, the buttons' enabling, rebuilding and retiring.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record_index.h"
#include "frame/globals.h"
#include "hostsim/core/host_preferences.h"
#include "hostsim/desktop/dialog_manager.h"
#include "palette/palette_window.h"
#include "palette/record_list.h"

namespace velmtest {
namespace {

class PaletteTest : public StoreTest {
 protected:
  hostsim::Dialog& Palette() {
    EXPECT_NE(velm::gGlobals->palette, nullptr);
    return *hostsim::Dialog::From(velm::gGlobals->palette);
  }
  hostsim::Item& ItemOf(std::int32_t id) {
    hostsim::Item* item = Palette().FindItem(id);
    EXPECT_NE(item, nullptr) << id;
    return *item;
  }
  std::vector<std::string> PopupTexts() {
    std::vector<std::string> texts;
    for (const std::string& t : Palette().EntryTexts(velm::kGroupPopupItem))
      texts.push_back(Utf8(t));
    return texts;
  }
  std::int32_t Entries() {
    return static_cast<std::int32_t>(ItemOf(velm::kRecordListItem).entries().size());
  }
  void Press(std::int32_t entry, std::uint32_t time) {
    ASSERT_TRUE(
        Palette().TrackEntry(velm::kRecordListItem, entry, host::kTrackMouseDown, {5, 5}, time));
    ASSERT_TRUE(
        Palette().TrackEntry(velm::kRecordListItem, entry, host::kTrackMouseUp, {5, 5}, time + 50));
  }
  std::string CurrentGroup() { return Utf8(velm::gGlobals->currentGroup); }
};

TEST_F(PaletteTest, FirstRunPlacesTheItemsForTheDefaultSize) {
  velm::CreatePalette();
  hostsim::Dialog& p = Palette();
  EXPECT_EQ(p.title(), "VELM-Pro");
  const host::Rect b = p.screenBounds();
  EXPECT_EQ(b.left, 200);
  EXPECT_EQ(b.top, 200);
  EXPECT_EQ(b.right - b.left, 206);
  EXPECT_EQ(b.bottom - b.top, 135);
  struct Expected {
    std::int32_t id;
    host::Rect rect;
  };
  for (const Expected& e : {Expected{1, {-1, -1, 207, 119}}, Expected{2, {0, 118, 206, 119}},
                            Expected{3, {128, 118, 160, 135}}, Expected{4, {159, 118, 190, 135}},
                            Expected{6, {-1, 118, 128, 135}}}) {
    const host::Rect r = ItemOf(e.id).bounds();
    EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}),
              std::vector<int>({e.rect.left, e.rect.top, e.rect.right, e.rect.bottom}))
        << "item " << e.id;
  }
  EXPECT_FALSE(ItemOf(3).enabled());
  EXPECT_FALSE(ItemOf(4).enabled());
  EXPECT_EQ(Utf8(ItemOf(3).tip()), "新規");
  EXPECT_EQ(Utf8(ItemOf(4).tip()), "削除");
  EXPECT_EQ(ItemOf(1).entryWidth(), 33);
  EXPECT_EQ(ItemOf(1).style(), 54);
  // Without group files: "UNTITLED" is chosen and current.
  EXPECT_EQ(PopupTexts(), (std::vector<std::string>{"UNTITLED", "検索結果"}));
  EXPECT_EQ(Palette().SelectedIndex(velm::kGroupPopupItem), 0);
  EXPECT_EQ(CurrentGroup(), "UNTITLED");
  // The flyout menu: 14 entries, separators disabled, the view and sort checked.
  const auto& menu = ItemOf(host::kAdmFlyoutMenuItemId).entries();
  ASSERT_EQ(menu.size(), 14u);
  for (std::size_t i = 0; i < menu.size(); ++i) {
    const bool separator = i == 3 || i == 7 || i == 9 || i == 12;
    EXPECT_EQ(menu[i]->separator, separator) << i;
    EXPECT_EQ(menu[i]->checked, i == 0 || i == 4) << i;
  }
}

TEST_F(PaletteTest, StoredPlacesAreUsedWithinTheLimitsAndOnTheScreen) {
  struct Case {
    std::int32_t count;
    host::Point location, size;
    host::Rect expected;  // left, top, width, height
  };
  using K = hostsim::HostPreferences::Kind;
  for (const Case& c : {
           Case{0, {500, 300}, {300, 300}, {200, 200, 206, 135}},     // nothing saved
           Case{3, {500, 300}, {300, 250}, {500, 300, 300, 250}},     // as saved
           Case{3, {500, 300}, {300, 29}, {500, 300, 206, 135}},      // too short: default size
           Case{3, {40, 50}, {-300, 9000}, {40, 50, 206, 480}},       // sizes within the limits
           Case{3, {-99999, 99999}, {206, 135}, {0, 665, 206, 135}},  // back on the screen
       }) {
    auto& prefs = host().preferences();
    hostsim::HostPreferences::Value v;
    v.kind = K::kInteger;
    v.integer = c.count;
    prefs.Put(velm::kPaletteName, "kADM_DPWrtCountStr", v);
    v.kind = K::kPoint;
    v.point = c.location;
    prefs.Put(velm::kPaletteName, "kADM_DPLocationStr", v);
    v.point = c.size;
    prefs.Put(velm::kPaletteName, "kADM_DPSizeStr", v);
    velm::CreatePalette();
    const host::Rect b = Palette().screenBounds();
    EXPECT_EQ(
        std::vector<int>({b.left, b.top, b.right - b.left, b.bottom - b.top}),
        std::vector<int>({c.expected.left, c.expected.top, c.expected.right, c.expected.bottom}))
        << c.location.h << "," << c.location.v << " " << c.size.h << "x" << c.size.v;
    host().dialogs().DestroyFloating(&Palette());
    velm::gGlobals->palette = nullptr;
  }
}

TEST_F(PaletteTest, GroupsAreListedIgnoringCaseAndTheCurrentOneIsChosen) {
  for (const char* g : {"b", "ABD", "abc", "B", "図形"})
    Append(g, "r");
  WriteFileBytes(DatabaseFolder() / "検索結果.VEL", "");
  std::snprintf(velm::gGlobals->currentGroup, 64, "%s", "ABD");
  velm::CreatePalette();
  const std::vector<std::string> texts = PopupTexts();
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[0], "abc");
  EXPECT_EQ(texts[1], "ABD");
  // b and B compare equal: both listed, in the folder's order.
  EXPECT_TRUE((texts[2] == "b" && texts[3] == "B") || (texts[2] == "B" && texts[3] == "b"));
  EXPECT_EQ(texts[4], "図形");
  EXPECT_EQ(texts[5], "検索結果");
  EXPECT_EQ(Palette().SelectedIndex(velm::kGroupPopupItem), 1);
  EXPECT_EQ(Entries(), 1);

  // Choosing another group fills the list with its records.
  Append("図形", "s");
  ASSERT_TRUE(Palette().Choose(velm::kGroupPopupItem, 4));
  EXPECT_EQ(CurrentGroup(), "図形");
  EXPECT_EQ(Entries(), 2);
}

// Groups made or removed by another program while the palette is open come and go in
// the popup at the timer's next refresh.
TEST_F(PaletteTest, TheGroupPopupFollowsTheFolder) {
  Append("g", "a");
  velm::CreatePalette();
  velm::RefreshPalette();
  EXPECT_EQ(PopupTexts(), (std::vector<std::string>{"g", "検索結果"}));
  const std::filesystem::path folder = DatabaseFolder();
  int second = 0;
  const auto touched = [&] {  // a later stamp than any coarse clock could give twice
    std::filesystem::last_write_time(
        folder, std::filesystem::last_write_time(folder) + std::chrono::seconds(++second * 10));
    for (int tick = 0; tick < 4; ++tick)  // the folder is looked at every fourth tick
      velm::RefreshPalette();
  };
  Append("h", "b");
  touched();
  EXPECT_EQ(PopupTexts(), (std::vector<std::string>{"g", "h", "検索結果"}));
  EXPECT_EQ(CurrentGroup(), "g");
  std::filesystem::remove(folder / "g.VEL");
  touched();
  EXPECT_EQ(PopupTexts(), (std::vector<std::string>{"h", "検索結果"}));
  EXPECT_EQ(CurrentGroup(), "h");
  EXPECT_EQ(Entries(), 1);
}

TEST_F(PaletteTest, ViewsRebuildThePaletteAndKeepTheSelectedPosition) {
  for (const char* n : {"a", "b", "c", "d"})
    Append("g", n);
  velm::CreatePalette();
  Press(2, 10000);
  const host::DialogRef first = velm::gGlobals->palette;
  ASSERT_TRUE(Palette().ChooseFlyout(velm::kFlyoutIcons32));  // the view in force
  EXPECT_EQ(velm::gGlobals->palette, first);

  struct View {
    std::int32_t entry, toolMode, style, width, height;
  };
  for (const View& v : {View{1, 2, 54, 65, 65}, View{2, 3, 50, 640, 20}, View{0, 1, 54, 33, 33}}) {
    ASSERT_TRUE(Palette().ChooseFlyout(v.entry));
    EXPECT_EQ(velm::gGlobals->toolMode, v.toolMode);
    EXPECT_EQ(ItemOf(1).style(), v.style);
    EXPECT_EQ(ItemOf(1).entryWidth(), v.width);
    EXPECT_EQ(ItemOf(1).entryHeight(), v.height);
    EXPECT_EQ(Palette().SelectedIndex(velm::kRecordListItem), 2);
    EXPECT_TRUE(ItemOf(host::kAdmFlyoutMenuItemId).entries()[v.entry]->checked);
  }
  // Three rebuilds between two ticks: every retired palette is gone after the tick.
  EXPECT_EQ(host().dialogs().floating().size(), 2u);
  velm::RefreshPalette();
  EXPECT_EQ(host().dialogs().floating().size(), 1u);
}

TEST_F(PaletteTest, SortingKeepsTheSameRecordSelected) {
  Append("g", "zebra", "a", 3000);
  Append("g", "apple", "c", 1000);
  Append("g", "mango", "b", 2000);
  velm::CreatePalette();
  Press(2, 10000);  // by name: apple, mango, zebra -> zebra (record 0)
  struct Sort {
    std::int32_t entry;
    std::int32_t position;  // of zebra
  };
  for (const Sort& s : {Sort{velm::kFlyoutSortKind, 0}, Sort{velm::kFlyoutSortDate, 0},
                        Sort{velm::kFlyoutSortName, 2}}) {
    ASSERT_TRUE(Palette().ChooseFlyout(s.entry));
    EXPECT_EQ(Palette().SelectedIndex(velm::kRecordListItem), s.position) << s.entry;
    char group[64];
    std::int32_t number = -1;
    ASSERT_TRUE(velm::GetRIHItem(s.position, group, number));
    EXPECT_EQ(number, 0);
    const auto& menu = ItemOf(host::kAdmFlyoutMenuItemId).entries();
    for (std::int32_t i = 4; i <= 6; ++i)
      EXPECT_EQ(menu[static_cast<std::size_t>(i)]->checked, i == s.entry);
  }
}

TEST_F(PaletteTest, ButtonsFollowTheSelectionAndTicksTouchNothingUnlessResized) {
  Append("g", "a");
  velm::CreatePalette();
  velm::RefreshPalette();
  EXPECT_FALSE(ItemOf(velm::kRemoveButtonItem).enabled());
  Press(0, 10000);
  velm::RefreshPalette();
  EXPECT_TRUE(ItemOf(velm::kRemoveButtonItem).enabled());
  // Nothing capturable is selected in the empty document.
  EXPECT_FALSE(ItemOf(velm::kAddButtonItem).enabled());

  std::vector<int> changes;
  for (auto& item : Palette().items())
    changes.push_back(item->boundsChanges());
  velm::RefreshPalette();
  for (std::size_t i = 0; i < Palette().items().size(); ++i)
    EXPECT_EQ(Palette().items()[i]->boundsChanges(), changes[i]);

  Palette().SetScreenBounds({300, 100, 600, 400});
  velm::RefreshPalette();
  EXPECT_EQ(ItemOf(velm::kAddButtonItem).bounds().left, 300 - 78);
  EXPECT_EQ(ItemOf(velm::kRecordListItem).bounds().bottom, 300 - 16);
}

TEST_F(PaletteTest, OnlyUserChangesAreActedUpon) {
  Append("g", "a");
  Append("h", "b");
  velm::CreatePalette();
  hostsim::Item& popup = ItemOf(velm::kGroupPopupItem);
  EXPECT_EQ(CurrentGroup(), "h");                // the last group, none being current
  popup.Select(popup.entries()[0].get(), true);  // "g", without a notification
  hostsim::AdmNotifier other{"ADM Notify Destroy Notifier"};
  velm::PaletteNotify(popup.ref(), other.ref());
  EXPECT_EQ(CurrentGroup(), "h");
  hostsim::NotifyUserChanged(&popup);
  EXPECT_EQ(CurrentGroup(), "g");
}

// Widths of 6 pixels a byte.
std::int32_t ByteWidth(const char* text, void*) {
  return 6 * static_cast<std::int32_t>(std::strlen(text));
}

TEST(FitTextTest, CutsOnCharacterBoundariesAndEndsInAnEllipsis) {
  struct Case {
    std::string text;
    std::int32_t limit;
    std::string fitted;
  };
  const std::string kanji = Sjis("漢字かな交じり文");  // 16 bytes
  for (const Case& c :
       {Case{"short", 140, "short"}, Case{"abcdefghij", 60, "abcdefghij"},
        Case{"abcdefghijk", 60, "abcdef..."}, Case{kanji, 60, kanji.substr(0, 6) + "..."},
        Case{"a" + kanji, 60, "a" + kanji.substr(0, 4) + "..."}}) {
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%s", c.text.c_str());
    velm::FitText(buffer, c.limit, ByteWidth, nullptr);
    EXPECT_EQ(std::string(buffer), c.fitted) << Utf8(c.text);
  }
}

}  // namespace
}  // namespace velmtest
