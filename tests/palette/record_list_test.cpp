// The record list: clicks, double clicks, the drag threshold and the drop, events that
// arrive while one is handled, the list view's drawing and the hover label.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/commands.h"
#include "common/sjis.h"
#include "common/store_fixture.h"
#include "database/group_file.h"
#include "frame/globals.h"
#include "hostsim/desktop/adm_drawing.h"
#include "hostsim/desktop/dialog_manager.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "palette/palette_window.h"
#include "palette/record_list.h"
#include "palette/thumbnail_cache.h"
#include "platform/os.h"

namespace velmtest {
namespace {

class RecordListTest : public StoreTest {
 protected:
  void Open(std::int16_t view = 1) {
    velm::gGlobals->toolMode = view;
    velm::CreatePalette();
    ASSERT_NE(velm::gGlobals->palette, nullptr);
  }
  hostsim::Dialog& Palette() { return *hostsim::Dialog::From(velm::gGlobals->palette); }
  void Track(std::int32_t entry, std::int32_t action, host::Point p, std::uint32_t time) {
    ASSERT_TRUE(Palette().TrackEntry(velm::kRecordListItem, entry, action, p, time));
  }
  std::int32_t Selected() { return Palette().SelectedIndex(velm::kRecordListItem); }
};

TEST_F(RecordListTest, ClicksSelectAndASecondClickWithinTheTimeEdits) {
  Append("g", "a");
  Append("g", "b");
  Open();
  // The same presses on two entries only select.
  Track(0, host::kTrackMouseDown, {5, 5}, 10000);
  Track(1, host::kTrackMouseDown, {5, 5}, 10500);
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(host().dialogs().modalLog().size(), 0u);
  // 2000 units after the first click is a new first click; less is a double click.
  Track(1, host::kTrackMouseDown, {5, 5}, 12500);
  EXPECT_EQ(host().dialogs().modalLog().size(), 0u);
  host().dialogs().QueueModal([](hostsim::Dialog& d) { d.PressEscape(); });
  Track(1, host::kTrackMouseDown, {5, 5}, 14499);
  ASSERT_EQ(host().dialogs().modalLog().size(), 1u);
  EXPECT_EQ(host().dialogs().modalLog()[0].dialogId, 16057);
  EXPECT_EQ(velm::gGlobals->lastClickTime, 0u);
  // A press at clock 1000 after a double click (none pending) is a first click.
  Track(1, host::kTrackMouseDown, {5, 5}, 1000);
  EXPECT_EQ(host().dialogs().modalLog().size(), 1u);
  EXPECT_EQ(velm::gGlobals->lastClickTime, 1000u);
}

TEST_F(RecordListTest, ADragStartsBeyondEightPixelsAndTheReleasePlaces) {
  // A record of one selected rectangle, captured as the add button does.
  namespace sc = hostsim::scene;
  sc::Scene scene;
  scene.Layer("Layer 1", {sc::Rect(10, 10, 110, 60).Selected()});
  std::string error;
  ASSERT_TRUE(hostsim::OpenScene(host(), scene.json(), &error)) << error;
  velm::AddRecord("g", "rect", "", "", false);
  ASSERT_EQ(velm::GroupRecordCount("g"), 1);
  host().SetDocument(std::make_unique<hostsim::Document>());
  Open();
  hostsim::Document& doc = *host().document();
  for (const int distance : {8, 9}) {
    SCOPED_TRACE(distance);
    Track(0, host::kTrackMouseDown, {10, 10}, 10000u * static_cast<std::uint32_t>(distance));
    Track(0, host::kTrackMouseMovedDown, {10 + distance, 10 - distance}, 1);
    EXPECT_EQ(velm::gGlobals->dragging, distance > 8 ? 1 : 0);
    EXPECT_EQ(velm::gGlobals->previewShown != 0, distance > 8);
    const std::size_t steps = doc.undoDepth();
    Track(0, host::kTrackMouseUp, {10 + distance, 10 - distance}, 2);
    EXPECT_EQ(velm::gGlobals->previewShown, 0);
    EXPECT_EQ(velm::gGlobals->dragArmed, 0 + (distance > 8 ? 0 : 1));
    // A press soon after a drop starts another drag; after a plain click it edits.
    if (distance <= 8) host().dialogs().QueueModal([](hostsim::Dialog& d) { d.PressEscape(); });
    const std::size_t dialogs = host().dialogs().modalLog().size();
    Track(0, host::kTrackMouseDown, {10, 10}, 10000u * static_cast<std::uint32_t>(distance) + 500);
    EXPECT_EQ(host().dialogs().modalLog().size(), dialogs + (distance > 8 ? 0 : 1));
    Track(0, host::kTrackMouseUp, {10, 10}, 3);
    if (distance > 8) {
      doc.BeginUndoStep();  // the host closes the step the drop made
      EXPECT_EQ(doc.undoDepth(), steps + 1);
      EXPECT_EQ(Utf8(doc.undoText()), "配置の取り消し");
    } else {
      EXPECT_EQ(doc.undoDepth(), steps);
    }
  }
}

TEST_F(RecordListTest, EventsDuringADoubleClicksDialogAreQueuedUpToTenInOrder) {
  for (const char* n : {"a", "b", "c"})
    Append("g", n);
  Open();
  Track(2, host::kTrackMouseDown, {1, 1}, 10000);
  // The record dialog of the double click is open while twelve more presses arrive.
  host().dialogs().QueueModal([this](hostsim::Dialog& d) {
    for (std::uint32_t i = 0; i < 12; ++i)
      Palette().TrackEntry(velm::kRecordListItem, i < 10 ? static_cast<std::int32_t>(i % 3) : 2,
                           host::kTrackMouseDown, {1, 1}, 20000 + 5000 * i);
    EXPECT_EQ(velm::gGlobals->trackQueueCount, 10);
    d.PressEscape();
  });
  Track(2, host::kTrackMouseDown, {1, 1}, 10100);
  EXPECT_EQ(velm::gGlobals->trackQueueCount, 0);
  EXPECT_EQ(velm::gGlobals->tracking, 0);
  EXPECT_EQ(Selected(), 0);  // the tenth event, on entry 0; the two after it were dropped
}

TEST_F(RecordListTest, TheListViewDrawsTheSortBandUntitledAndTheDate) {
  Append("g", "", "kind", 0);  // created 1904-01-01 00:00
  velm::gGlobals->sortMode = 1;
  Open(3);
  hostsim::Bitmap target(700, 40, 0x123456);
  hostsim::Item* list = Palette().FindItem(velm::kRecordListItem);
  hostsim::Entry* entry = list->entries()[0].get();
  hostsim::Drawer* drawer = hostsim::NewDrawer(&target, {0, 0}, {0, 0, 700, 40});
  velm::ImageItemDrawProc(entry->ref(), drawer->ref());
  hostsim::DeleteDrawer(drawer);
  // img: the 20-pixel row's square less 3 on each side, so right = 16; the kind band runs
  // from 16 + 148 to 16 + 248, and the name's band is plain grey.
  EXPECT_EQ(target.Pixel(200, 10), 0xCCCCCCu);
  EXPECT_EQ(target.Pixel(100, 10), 0xEEEEEEu);
  // Text was drawn in the name and the date columns.
  auto inked = [&](int from, int to) {
    for (int x = from; x < to; ++x)
      for (int y = 2; y < 18; ++y)
        if (target.Pixel(x, y) == 0) return true;
    return false;
  };
  EXPECT_TRUE(inked(21, 60)) << "Untitled";
  EXPECT_TRUE(inked(271, 360)) << "the date";
  EXPECT_FALSE(inked(371, 600)) << "no comment";
}

TEST_F(RecordListTest, AnEntryWhoseRecordGetsNoMemoryIsPaintedGreen) {
  Append("g", "a");
  Open();
  velm::ClearThumbnailCache();
  hostsim::Item* list = Palette().FindItem(velm::kRecordListItem);
  hostsim::Bitmap target(40, 40, 0x123456);
  hostsim::Drawer* drawer = hostsim::NewDrawer(&target, {0, 0}, {0, 0, 40, 40});
  auto draw = [&] { velm::ImageItemDrawProc(list->entries()[0]->ref(), drawer->ref()); };
  os::TestOverrides().allocationsBeforeFailure = 0;
  draw();
  os::TestOverrides().allocationsBeforeFailure = -1;
  EXPECT_EQ(target.Pixel(0, 0), 0x00FF00u);
  EXPECT_EQ(target.Pixel(31, 31), 0x00FF00u);
  draw();  // with memory the thumbnail is drawn
  EXPECT_NE(target.Pixel(16, 16), 0x00FF00u);
  hostsim::DeleteDrawer(drawer);
}

// A list longer than the palette scrolls: by rows, never past its last row, and just far
// enough to show an entry; the hover label follows the scrolled entries.
TEST_F(RecordListTest, TheListScrollsAndTheLabelNamesTheScrolledIcon) {
  std::vector<std::string> names;
  for (int i = 0; i < 60; ++i) {
    names.push_back("r" + std::to_string(100 + i));  // sorts in this order
    Append("g", names.back());
  }
  Open();
  hostsim::Dialog& d = Palette();
  const host::Rect list = d.ItemScreenRect(*d.FindItem(velm::kRecordListItem));
  auto rect = [&](std::int32_t entry) {
    host::Rect r{};
    EXPECT_TRUE(d.EntryScreenRect(velm::kRecordListItem, entry, &r));
    return r;
  };
  const host::Rect first = rect(0);
  const std::int32_t rowHeight = first.bottom - first.top;
  EXPECT_EQ(first.top, list.top);
  ASSERT_GT(rect(59).bottom, list.bottom) << "the list must overflow for this test";

  ASSERT_TRUE(d.ScrollList(velm::kRecordListItem, 2));
  EXPECT_EQ(rect(0).top, list.top - 2 * rowHeight);
  ASSERT_TRUE(d.ScrollList(velm::kRecordListItem, 1000));
  EXPECT_LE(rect(59).bottom, list.bottom);
  EXPECT_GT(rect(59).bottom, list.bottom - rowHeight) << "the last row shows at the bottom";
  ASSERT_TRUE(d.ShowEntry(velm::kRecordListItem, 0));
  EXPECT_EQ(rect(0).top, list.top);
  ASSERT_TRUE(d.ShowEntry(velm::kRecordListItem, 59));
  EXPECT_LE(rect(59).bottom, list.bottom);
  EXPECT_FALSE(d.ShowEntry(velm::kRecordListItem, 60));

  const host::Rect last = rect(59);
  host().desktop().SetCursorPosition({last.left + 3, last.top + 3});
  velm::UpdateHoverLabel(velm::gGlobals->palette);
  EXPECT_EQ(Utf8(velm::gGlobals->lastLabel), names[59]);
}

TEST_F(RecordListTest, TheHoverLabelNamesTheIconUnderTheCursorAndGoesAway) {
  Append("g", "太陽");
  Append("g", "月");
  Open();
  host::Rect r{};
  ASSERT_TRUE(Palette().EntryScreenRect(velm::kRecordListItem, 1, &r));
  hostsim::Bitmap& screen = host().desktop().screen();
  const std::vector<std::uint32_t> before = screen.Pixels();
  host().desktop().SetCursorPosition({r.left + 3, r.top + 3});
  velm::UpdateHoverLabel(velm::gGlobals->palette);
  EXPECT_EQ(Utf8(velm::gGlobals->lastLabel), "太陽");  // 月 sorts first
  EXPECT_EQ(screen.Pixel(r.left - 4, r.bottom + 1), 0xFFF890u) << "the label's colour";
  host().desktop().SetCursorPosition({5, 5});
  velm::UpdateHoverLabel(velm::gGlobals->palette);
  EXPECT_EQ(velm::gGlobals->lastLabel[0], '\0');
  EXPECT_EQ(screen.Pixels(), before) << "the screen under the label is put back";
}

}  // namespace
}  // namespace velmtest
