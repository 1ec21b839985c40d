// velm-host gui's modal dialogs and palette over a real plug-in session: editing with a
// caret, a refused value shown, the origin selector chosen by clicks, a popup's list,
// wrapped message texts, and the palette drawn anew after the record dialog renamed a record.
#include <gtest/gtest.h>

#include <chrono>
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

  explicit Gui(std::int16_t view = 1, int records = 1) {
    std::string error;
    {
      auto s = velmsession::PluginSession::Open(library.path(), false, &error);
      EXPECT_TRUE(s) << error;
      EXPECT_TRUE(s->OpenScene(VELM_SOURCE_DIR "/demo/sample.json", &error)) << error;
      const char* const ids[] = {"sun", "lozenge", "tiles", "badge", "wave"};
      for (int k = 0; k < records; ++k) {
        s->document().DeselectAll();
        s->document().Select(s->document().FindById(ids[k % 5]), true);
        std::int32_t number = 0, objects = 0;
        EXPECT_TRUE(s->Capture("g", {k == 0 ? "r" : "r" + std::to_string(k), "", ""}, &number,
                               &objects, &error))
            << error;
      }
    }
    session = velmsession::PluginSession::Open(library.path(), false, &error);
    EXPECT_TRUE(session) << error;
    velm::gGlobals->toolMode = view;
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
    gui.c->ModalKey(d, Key::kTab);  // name, kind, then the comment
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

}  // namespace
