// velm-host gui's modal dialogs and palette over a real plug-in session: editing with a
// caret, a refused value shown, the origin selector chosen by clicks, a popup's list,
// wrapped message texts, and the palette drawn anew after the record dialog renamed a record.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "common/host_fixture.h"
#include "frame/globals.h"
#include "gui_controller.h"
#include "hostsim/desktop/adm_drawing.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "palette/palette_window.h"

namespace {

using velmgui::Key;

// A session on a library holding record "r" of group "g", its palette shown, and a
// controller; modal dialogs are answered by `runner` through the controller.
struct Gui {
  velmtest::TempFolder library;
  std::unique_ptr<velmsession::PluginSession> session;
  std::unique_ptr<velmgui::Controller> c;
  std::function<void(hostsim::Dialog&)> runner;

  // `other`: a second group, of one record "o".
  explicit Gui(std::int16_t view = 1, int records = 1, const char* other = nullptr) {
    std::string error;
    {
      auto s = velmsession::PluginSession::Open(library.path(), false, &error);
      EXPECT_TRUE(s) << error;
      EXPECT_TRUE(s->OpenScene(VELM_SOURCE_DIR "/demo/sample.json", &error)) << error;
      const char* const ids[] = {"sun", "lozenge", "tiles", "badge", "wave"};
      std::int32_t number = 0, objects = 0;
      if (other) {
        s->document().Select(s->document().FindById("wave"), true);
        EXPECT_TRUE(s->Capture(other, {"o", "", ""}, &number, &objects, &error)) << error;
      }
      for (int k = 0; k < records; ++k) {
        s->document().DeselectAll();
        s->document().Select(s->document().FindById(ids[k % 5]), true);
        EXPECT_TRUE(s->Capture("g", {k == 0 ? "r" : "r" + std::to_string(k), "", ""}, &number,
                               &objects, &error))
            << error;
      }
    }
    session = velmsession::PluginSession::Open(library.path(), false, &error);
    EXPECT_TRUE(session) << error;
    velm::gGlobals->toolMode = view;
    std::snprintf(velm::gGlobals->currentGroup, sizeof velm::gGlobals->currentGroup, "g");
    session->StartApplication();
    session->Tick(1);
    c = std::make_unique<velmgui::Controller>(*session, "");
    session->host().dialogs().SetInteractiveRunner([this](hostsim::Dialog& d) {
      c->BeginModal(d);
      if (runner) runner(d);
      c->EndModal();
    });
  }
  hostsim::Dialog& palette() { return *hostsim::Dialog::From(velm::gGlobals->palette); }
  hostsim::Bitmap& screen() { return session->host().desktop().screen(); }
  host::Point Middle(const host::Rect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Click(hostsim::Dialog& d, std::int32_t item, host::Point offset) {
    const host::Rect r = d.ItemScreenRect(*d.FindItem(item));
    c->ModalMouseDown(d, {{r.left + offset.h, r.top + offset.v}, false, false, 0});
  }
};

TEST(GuiDialog, TheCaretMovesSelectsAndEditsByCharacter) {
  Gui gui;
  std::string seen;
  gui.runner = [&](hostsim::Dialog& d) {  // the new-group dialog: its name field
    const std::int32_t field = gui.c->focusedItem();
    auto text = [&] { return hostsim::ToUtf8(d.TextOf(field)); };
    gui.c->ModalText(d, "abcd");
    gui.c->ModalKey(d, Key::kLeft);
    gui.c->ModalKey(d, Key::kLeft);
    gui.c->ModalKey(d, Key::kLeft, true);
    gui.c->ModalText(d, "X");  // replaces the selected "b"
    seen += text() + "|";
    gui.c->ModalKey(d, Key::kHome);
    gui.c->ModalKey(d, Key::kBackspace);  // nothing before the caret
    gui.c->ModalKey(d, Key::kDelete);
    gui.c->ModalKey(d, Key::kEnd);
    gui.c->ModalKey(d, Key::kBackspace);
    seen += text() + "|";
    gui.c->ModalKey(d, Key::kHome, true);
    gui.c->ModalText(d, "日本語");
    gui.c->ModalKey(d, Key::kLeft);
    gui.c->ModalKey(d, Key::kBackspace);  // a double-byte character goes whole
    seen += text() + "|";
    // A click before the first character puts the caret there.
    const host::Rect r = d.ItemScreenRect(*d.FindItem(field));
    gui.c->ModalMouseDown(d, {{r.left + 2, (r.top + r.bottom) / 2}, false, false, 0});
    gui.c->ModalText(d, "x");
    seen += text();
    gui.c->ModalKey(d, Key::kEscape);
  };
  ASSERT_TRUE(gui.palette().ChooseFlyout(velm::kFlyoutNewGroup));
  EXPECT_EQ(seen, "aXcd|Xc|日語|x日語");
}

TEST(GuiDialog, ReturnBreaksTheCommentLineAndCtrlReturnRegisters) {
  Gui gui;
  gui.runner = [&](hostsim::Dialog& d) {
    gui.c->ModalKey(d, Key::kTab);
    gui.c->ModalKey(d, Key::kTab);
    gui.c->ModalKey(d, Key::kTab);  // name, kind, the group menu, then the comment
    gui.c->ModalText(d, "a");
    gui.c->ModalKey(d, Key::kReturn);
    gui.c->ModalText(d, "b");
    EXPECT_FALSE(d.ended());
    gui.c->ModalKey(d, Key::kReturn, false, true);
  };
  // A double click on the record opens its dialog.
  host::Rect e{};
  ASSERT_TRUE(gui.palette().EntryScreenRect(velm::kRecordListItem, 0, &e));
  for (std::uint32_t t : {100u, 300u}) {
    gui.c->MouseDown({gui.Middle(e), false, false, t});
    if (t == 100) gui.c->MouseUp({gui.Middle(e), false, false, t + 50});
  }
  const auto& log = gui.session->host().dialogs().modalLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].result, 1);
  EXPECT_EQ(log[0].texts.at(12), "a\r\nb");
}

// A double click opens the record dialog, where the name is changed: afterwards the press
// is over (the release went to the dialog) and the list shows the new name at once.
TEST(GuiPalette, TheListShowsTheNewNameAfterTheRecordDialog) {
  Gui gui(3);
  gui.runner = [&](hostsim::Dialog& d) {
    gui.c->ModalText(d, "Renamed");
    gui.c->ModalKey(d, Key::kReturn);
  };
  host::Rect e{};
  ASSERT_TRUE(gui.palette().EntryScreenRect(velm::kRecordListItem, 0, &e));
  gui.c->Refresh();
  auto row = [&] {
    std::string pixels;
    for (int y = e.top; y < e.bottom; ++y)
      for (int x = e.left + 20; x < e.left + 120; ++x)
        pixels += gui.screen().Pixel(x, y) == 0 ? '#' : '.';
    return pixels;
  };
  const std::string before = row();
  const host::Point on{e.left + 30, (e.top + e.bottom) / 2};
  for (std::uint32_t t : {100u, 300u}) {
    gui.c->MouseDown({on, false, false, t});
    if (t == 100) gui.c->MouseUp({on, false, false, t + 50});
  }
  EXPECT_FALSE(gui.c->tracking());
  gui.c->Advance(30);
  gui.c->Refresh();
  EXPECT_NE(row(), before);
  EXPECT_EQ(gui.session->RecordCount("g"), 1);
}

// Another program changing the library (a record renamed with velm edit) has the palette
// drawn anew at the next look, about a second later; an unchanged library does not.
TEST(GuiPalette, AChangedLibraryRedrawsThePalette) {
  Gui gui;
  gui.c->WatchLibrary(gui.library.path().string());
  gui.c->Advance(60);
  gui.c->Refresh();
  gui.c->Advance(60);
  EXPECT_FALSE(gui.palette().dirty);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(gui.library.path()))
    if (entry.is_regular_file())
      std::filesystem::last_write_time(
          entry.path(), std::filesystem::last_write_time(entry.path()) + std::chrono::seconds(5));
  gui.c->Advance(60);
  EXPECT_TRUE(gui.palette().dirty);
}

// The hover label shown over the list, then the list scrolled by the wheel and the cursor
// taken away: the screen is what a fresh drawing of the palette gives, with no piece of
// the label or of the icons it covered before the scroll.
TEST(GuiPalette, TheHoverLabelLeavesNoDebrisWhenTheListScrolls) {
  Gui gui(1, 30);
  host::Rect e{};
  ASSERT_TRUE(gui.palette().EntryScreenRect(velm::kRecordListItem, 6, &e));
  const host::Point over{(e.left + e.right) / 2, (e.top + e.bottom) / 2};
  gui.c->Refresh();
  gui.c->MouseMove({over, false, false, 0}, false);
  gui.c->Advance(31);  // the label shows
  gui.c->Wheel({over, false, false, 0}, -1);
  gui.c->Refresh();
  gui.c->Advance(31);  // another record under the cursor: its label
  gui.c->MouseMove({{900, 700}, false, false, 0}, false);
  gui.c->Advance(31);  // the label goes
  gui.c->Refresh();
  const host::Rect b = gui.palette().screenBounds();
  auto pixels = [&] {
    std::vector<std::uint32_t> p;
    for (int y = b.top; y < b.bottom + 20; ++y)
      for (int x = b.left; x < b.right; ++x)
        p.push_back(gui.screen().Pixel(x, y));
    return p;
  };
  const auto shown = pixels();
  gui.palette().dirty = true;
  gui.c->Refresh();
  EXPECT_TRUE(shown == pixels());
}

TEST(GuiDialog, TheOriginSelectorIsChosenByClicksAndARefusedValueIsShown) {
  Gui gui;
  std::int32_t refused = -1;
  gui.runner = [&](hostsim::Dialog& d) {
    gui.Click(d, 14, {12 * 2 + 4, 12 * 1 + 4});  // column 2, row 1
    gui.Click(d, 14, {10, 4});                   // a gap: nothing changes
    gui.c->ModalText(d, "abc");                  // the spacing field, all selected
    gui.c->ModalKey(d, Key::kReturn);
    refused = gui.c->invalidItem();
    EXPECT_FALSE(d.ended());
    gui.c->ModalText(d, "10");  // the refused text was selected: typing replaces it
    gui.c->ModalKey(d, Key::kReturn);
  };
  const int beeps = gui.session->host().beepCount();
  ASSERT_TRUE(gui.palette().ChooseFlyout(velm::kFlyoutSettings));
  EXPECT_EQ(refused, 9);
  EXPECT_GT(gui.session->host().beepCount(), beeps);
  EXPECT_EQ(velm::gGlobals->originMode, 2 * 3 + 1);
}

// The settings dialog's spacing popup opens its list on its arrow: Escape and a click
// beside it close it unchanged, a separator keeps it open, a click on an entry chooses it.
TEST(GuiDialog, APopupOpensItsListAndAClickedEntryIsChosen) {
  Gui gui;
  const auto intersections = velm::gGlobals->flUseFcrs;
  gui.runner = [&](hostsim::Dialog& d) {
    const host::Rect r = d.ItemScreenRect(*d.FindItem(10));
    ASSERT_LT(r.bottom + 10 * 16 + 2, hostsim::Desktop::kScreenHeight);  // the list opens below
    const std::string start = d.TextOf(10);
    auto click = [&](host::Point p) { gui.c->ModalMouseDown(d, {p, false, false, 0}); };
    auto row = [&](int k) { return host::Point{r.left + 10, r.bottom + 1 + 16 * k + 8}; };
    const host::Point arrow{r.right - 4, (r.top + r.bottom) / 2};
    click(arrow);
    gui.c->ModalKey(d, Key::kEscape);
    EXPECT_FALSE(d.ended());
    click(arrow);
    click({r.left - 100, r.top + 4});  // over the intersection check box
    EXPECT_EQ(d.TextOf(10), start);
    click(arrow);
    gui.c->PaintModal(d);
    click(row(2));  // "-"
    click(row(7));
    EXPECT_EQ(d.TextOf(10), "20");
    gui.c->ModalKey(d, Key::kReturn);
  };
  ASSERT_TRUE(gui.palette().ChooseFlyout(velm::kFlyoutSettings));
  EXPECT_EQ(velm::gGlobals->flGrHeight, 20.0f);
  EXPECT_EQ(velm::gGlobals->flUseFcrs, intersections);
}

// The group removal's question: its CR LF breaks the line, and the second line is drawn
// whole, to its last character.
TEST(GuiDialog, MessageTextsBreakAtCrLfAndWrapWithinTheItem) {
  Gui gui;
  bool checked = false;
  gui.runner = [&](hostsim::Dialog& d) {
    gui.c->PaintModal(d);
    hostsim::Item* text = d.FindItem(3);
    ASSERT_NE(text, nullptr);
    const host::Rect r = d.ItemScreenRect(*text);
    hostsim::Drawer* drawer = hostsim::NewDrawer(&gui.screen(), {0, 0}, r);
    const auto lines = hostsim::LayOutDialogText(drawer, text->text(), r.right - r.left);
    ASSERT_GE(lines.size(), 2u);
    const std::string second = text->text().substr(lines[1].begin, lines[1].end - lines[1].begin);
    EXPECT_EQ(hostsim::ToUtf8(second), "一旦削除すると元に戻せません。");
    // The last two characters' cells of the second line hold dark pixels.
    const int end = r.left + hostsim::DialogTextWidth(drawer, second);
    hostsim::DeleteDrawer(drawer);
    int dark = 0;
    for (int y = r.top + hostsim::kDialogLineHeight; y < r.top + 2 * hostsim::kDialogLineHeight;
         ++y)
      for (int x = end - 24; x < end; ++x)
        dark += gui.screen().Pixel(x, y) < 0x404040 ? 1 : 0;
    EXPECT_GT(dark, 10);
    EXPECT_LE(end, r.right);
    checked = true;
    gui.c->ModalKey(d, Key::kEscape);
  };
  ASSERT_TRUE(gui.palette().ChooseFlyout(velm::kFlyoutRemoveGroup));
  EXPECT_TRUE(checked);
}

// Every modal dialog frames its default button (the one Return presses) in black, and no
// other button.
TEST(GuiDialog, TheDefaultButtonIsFramed) {
  Gui gui;
  for (const std::int32_t command :
       {velm::kFlyoutRemoveGroup, velm::kFlyoutSettings, velm::kFlyoutNewGroup}) {
    int buttons = 0, framed = 0;
    gui.runner = [&](hostsim::Dialog& d) {
      gui.c->PaintModal(d);
      for (const auto& item : d.items()) {
        if (item->kind() != velm::res::ItemKind::kButton || !item->visible()) continue;
        const host::Rect r = d.ItemScreenRect(*item);
        const bool dark = gui.screen().Pixel(r.left, (r.top + r.bottom) / 2) == 0 &&
                          gui.screen().Pixel((r.left + r.right) / 2, r.bottom - 1) == 0;
        EXPECT_EQ(dark, item->id() == d.defaultItem()) << command << " item " << item->id();
        ++buttons;
        framed += dark ? 1 : 0;
      }
      gui.c->ModalKey(d, Key::kEscape);
    };
    ASSERT_TRUE(gui.palette().ChooseFlyout(command));
    EXPECT_GE(buttons, 2) << command;
    EXPECT_EQ(framed, 1) << command;
  }
}

// A group removed through the flyout menu (its question answered with Return) is told in
// the message strip with the number of records it held.
TEST(GuiPalette, AGroupRemovalIsTold) {
  Gui gui(1, 3);
  gui.runner = [&](hostsim::Dialog& d) { gui.c->ModalKey(d, Key::kReturn); };
  const host::Rect b = gui.palette().screenBounds();
  gui.c->MouseDown({{b.right - 4, b.top - 4}, false, false, 0});  // the flyout arrow
  gui.c->MouseUp({{b.right - 4, b.top - 4}, false, false, 10});
  const host::Point remove{b.right - 8, b.top + 1 + velm::kFlyoutRemoveGroup * 16 + 8};
  gui.c->MouseDown({remove, false, false, 100});
  gui.c->MouseUp({remove, false, false, 110});
  EXPECT_EQ(gui.c->TakeStatus(), "removed group g (3 records) \u2014 Ctrl+R restores it");
  EXPECT_EQ(gui.session->RecordCount("g"), 0);

  // The way back the strip names: the group as it was, then nothing more to restore.
  gui.c->RunCommand(velmgui::Command::kRestore);
  EXPECT_EQ(gui.c->TakeStatus(), "restored group g (3 records)");
  EXPECT_EQ(gui.session->RecordCount("g"), 3);
  gui.c->RunCommand(velmgui::Command::kRestore);
  EXPECT_EQ(gui.c->TakeStatus(), "nothing removed to restore");
}

// The settings dialog as drawn: a check box that is on shows a check mark, not a black
// square, and the spacing fields show their unit after the number.
TEST(GuiDialog, SettingsShowCheckMarksAndUnits) {
  Gui gui;
  velm::gGlobals->flUseGrid = 1;
  bool checked = false;
  gui.runner = [&](hostsim::Dialog& d) {
    gui.c->PaintModal(d);
    const auto dark = [&](const host::Rect& r, std::uint32_t below) {
      int n = 0;
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
          const std::uint32_t p = gui.screen().Pixel(x, y);
          n += ((p >> 16) & 0xFF) < below && ((p >> 8) & 0xFF) < below && (p & 0xFF) < below;
        }
      return n;
    };
    const host::Rect grid = d.ItemScreenRect(*d.FindItem(5));
    const int top = grid.top + (grid.bottom - grid.top - 13) / 2;
    const int mark = dark({grid.left + 3, top + 3, grid.left + 10, top + 10}, 0x40);
    EXPECT_GT(mark, 6);
    EXPECT_LT(mark, 30);  // a filled square would be 49
    for (const std::int32_t field : {9, 10}) {
      const host::Rect r = d.ItemScreenRect(*d.FindItem(field));
      EXPECT_GT(dark({r.right - 34, r.top + 3, r.right - 16, r.bottom - 3}, 0xC0), 5) << field;
    }
    checked = true;
    gui.c->ModalKey(d, Key::kEscape);
  };
  ASSERT_TRUE(gui.palette().ChooseFlyout(velm::kFlyoutSettings));
  EXPECT_TRUE(checked);
}

// The palette's list under the keys after a click on it: Down selects the next record,
// Return opens it (the record dialog, whose Tab order takes in the group menu, where an
// arrow moves the record to the other group: told), Delete removes the selected one after the
// plug-in's question (told).
TEST(GuiPalette, TheListTakesArrowsReturnAndDelete) {
  Gui gui(1, 3, "h");
  ASSERT_EQ(gui.session->Palette().group, "g");
  host::Rect e{};
  ASSERT_TRUE(gui.palette().EntryScreenRect(velm::kRecordListItem, 0, &e));
  gui.c->MouseDown({gui.Middle(e), false, false, 100});
  gui.c->MouseUp({gui.Middle(e), false, false, 150});
  EXPECT_EQ(velm::SelectedRecordEntry(), 0);
  gui.c->KeyPress(Key::kDown);
  EXPECT_EQ(velm::SelectedRecordEntry(), 1);
  const std::string moved = velmgui::Quoted(gui.session->Palette().entries[1]);
  std::vector<std::int32_t> tabs;
  gui.runner = [&](hostsim::Dialog& d) {
    for (int k = 0; k < 4; ++k) {
      gui.c->ModalKey(d, Key::kTab);
      tabs.push_back(gui.c->focusedItem());
    }
    gui.c->ModalKey(d, Key::kTab, true);  // back from the name to the comment
    tabs.push_back(gui.c->focusedItem());
    gui.c->ModalKey(d, Key::kTab, true);
    // The group menu, in the folder's order: the entry before or after is "h".
    const std::vector<std::string> groups = d.EntryTexts(10);
    const bool after =
        std::find(groups.begin(), groups.end(), "h") - groups.begin() > d.SelectedIndex(10);
    gui.c->ModalKey(d, after ? Key::kDown : Key::kUp);
    gui.c->ModalKey(d, Key::kReturn);
  };
  gui.c->KeyPress(Key::kReturn);
  EXPECT_EQ(tabs, (std::vector<std::int32_t>{8, 10, 12, 7, 12}));
  EXPECT_EQ(gui.c->TakeStatus(), "moved " + moved + " to h");
  EXPECT_EQ(gui.session->RecordCount("h"), 2);

  gui.c->Advance(30);
  gui.c->KeyPress(Key::kUp);
  const velmsession::PaletteState shown = gui.session->Palette();  // the group moved to
  const std::string removed =
      velmgui::Quoted(shown.entries[static_cast<std::size_t>(velm::SelectedRecordEntry())]);
  gui.runner = [&](hostsim::Dialog& d) { gui.c->ModalKey(d, Key::kReturn); };
  gui.c->KeyPress(Key::kDelete);
  EXPECT_EQ(gui.c->TakeStatus(),
            "removed " + removed + " from " + shown.group + velmgui::kRestoreHint);
  EXPECT_EQ(gui.session->RecordCount(shown.group),
            static_cast<std::int32_t>(shown.entries.size()) - 1);
}

}  // namespace
