// The window-free parts of velm-host gui: hit testing the document's art by its bounds and
// taking back a typed character of a Shift-JIS text; and its refusal to run where no
// window can be seen.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/host_fixture.h"
#include "frame/globals.h"
#include "gui_controller.h"
#include "hostsim/core/document.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"
#include "palette/palette_window.h"

namespace {

std::vector<std::string> Ids(const std::vector<hostsim::Art*>& arts) {
  std::vector<std::string> ids;
  for (const hostsim::Art* a : arts)
    ids.push_back(a->id);
  std::sort(ids.begin(), ids.end());
  return ids;
}

TEST(GuiHitTest, PointsAndBandsFindArtByBoundsInVisibleUnlockedLayers) {
  std::string error;
  auto doc = hostsim::ReadSceneFile(VELM_SOURCE_DIR "/demo/canvas.json", &error);
  ASSERT_TRUE(doc) << error;
  using V = std::vector<std::string>;
  EXPECT_EQ(Ids(velmgui::ArtAt(*doc, {300, 300})), (V{"diagonal-1", "diagonal-2", "frame"}));
  EXPECT_TRUE(velmgui::ArtAt(*doc, {5, 5}).empty());
  EXPECT_TRUE(velmgui::ArtTouching(*doc, {0, 0}, {10, 10}).empty());
  // A band from either corner touches the frame's corner and both diagonals' bounds.
  EXPECT_EQ(Ids(velmgui::ArtTouching(*doc, {25, 25}, {0, 0})),
            (V{"diagonal-1", "diagonal-2", "frame"}));
  for (hostsim::Layer* layer : doc->layers())
    layer->editable = false;
  EXPECT_TRUE(velmgui::ArtAt(*doc, {300, 300}).empty());
}

// An editor's layers are the host's: a press on a circle inside a layer takes the circle's
// group, not the layer, and never the locked background under it; Alt or a double click
// goes inside the group.
TEST(GuiHitTest, APressTakesArtInsideALayerAndAltOrADoubleClickEntersAGroup) {
  hostsim::SvgDocument svg;
  std::string error;
  ASSERT_TRUE(hostsim::ReadSvgText(
      "<svg xmlns='http://www.w3.org/2000/svg' "
      "xmlns:inkscape='http://www.inkscape.org/namespaces/inkscape' "
      "xmlns:sodipodi='http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd' width='100pt' "
      "height='100pt' viewBox='0 0 100 100'><g inkscape:groupmode='layer' "
      "sodipodi:insensitive='true'><rect id='back' width='100' height='100'/></g>"
      "<g inkscape:groupmode='layer'><g id='pair'><circle id='left' cx='30' cy='50' r='5'/>"
      "<circle id='right' cx='70' cy='50' r='5'/></g></g></svg>",
      "t.svg", &svg, &error))
      << error;
  auto doc = hostsim::ReadScene(svg.scene, "t.svg", &error);
  ASSERT_TRUE(doc) << error;
  using V = std::vector<std::string>;
  auto ids = [](const std::vector<hostsim::Art*>& chain) {
    V out;
    for (const hostsim::Art* a : chain)
      out.push_back(a->id);
    return out;
  };
  const std::vector<hostsim::Art*> chain = velmgui::ArtChainAt(*doc, {30, 50});
  ASSERT_EQ(ids(chain), (V{"pair", "left"}));
  EXPECT_EQ(ids(velmgui::ArtChainAt(*doc, {50, 50})), V{"pair"});
  EXPECT_TRUE(velmgui::ArtChainAt(*doc, {10, 10}).empty());  // the background is locked
  EXPECT_EQ(velmgui::PickArt(chain, false, 1)->id, "pair");
  EXPECT_EQ(velmgui::PickArt(chain, true, 1)->id, "left");
  doc->Select(chain[0], true);  // the first press of a double click took the group
  EXPECT_EQ(velmgui::PickArt(chain, false, 2)->id, "left");
}

TEST(GuiTyping, BackspaceTakesOneShiftJisCharacter) {
  const struct {
    std::string text, expected;
  } cases[] = {{"", ""},
               {"ab", "a"},
               {"a\x82\xa0", "a"},  // a double-byte kana
               {"\x82\xa0"
                "b",
                "\x82\xa0"},                      // a single byte after it
               {"\x83\x5c\x83\x5c", "\x83\x5c"},  // a trail byte that looks like a backslash
               {"a\x82", "a"}};                   // a lone lead byte at the end
  for (const auto& c : cases)
    EXPECT_EQ(velmgui::DropLastSjisChar(c.text), c.expected) << c.text;
}

// A plug-in session on `library` with the canvas scene open as the document.
std::unique_ptr<velmsession::PluginSession> CanvasSession(const velmtest::TempFolder& library) {
  std::string error;
  auto session = velmsession::PluginSession::Open(library.path(), false, &error);
  EXPECT_TRUE(session) << error;
  if (session && !session->OpenScene(VELM_SOURCE_DIR "/demo/canvas.json", &error)) {
    ADD_FAILURE() << error;
    session.reset();
  }
  return session;
}

// Escape during a drag from the palette ends it without a drop: releasing the mouse over
// the document afterwards places nothing (without Escape the same release places the
// record).
TEST(GuiDrag, EscapeCancelsADragFromThePalette) {
  velmtest::TempFolder library;
  std::string error;
  {
    auto session = CanvasSession(library);
    ASSERT_TRUE(session);
    hostsim::Document& doc = session->document();
    ASSERT_NE(doc.FindById("frame"), nullptr);
    doc.Select(doc.FindById("frame"), true);
    std::int32_t number = 0, objects = 0;
    ASSERT_TRUE(session->Capture("g", {"r", "", ""}, &number, &objects, &error)) << error;
  }
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "escape" : "no escape");
    auto session = velmsession::PluginSession::Open(library.path(), false, &error);
    ASSERT_TRUE(session) << error;
    session->StartApplication();
    ASSERT_TRUE(session->OpenScene(VELM_SOURCE_DIR "/demo/canvas.json", &error)) << error;
    session->Tick(1);
    velmgui::Controller c(*session, "");
    hostsim::Dialog* palette = hostsim::Dialog::From(velm::gGlobals->palette);
    ASSERT_NE(palette, nullptr);
    host::Rect entry{};
    ASSERT_TRUE(palette->EntryScreenRect(velm::kRecordListItem, 0, &entry));
    const hostsim::Window* window = session->host().desktop().documentWindow();
    ASSERT_NE(window, nullptr);
    const host::Point over{(window->client.left + window->client.right) / 2,
                           (window->client.top + window->client.bottom) / 2};
    auto artCount = [&] {
      std::size_t n = 0;
      for (hostsim::Layer* layer : session->document().layers())
        n += layer->group->children.size();
      return n;
    };
    const std::size_t before = artCount();
    c.MouseDown(
        {{(entry.left + entry.right) / 2, (entry.top + entry.bottom) / 2}, false, false, 100});
    ASSERT_TRUE(c.tracking());
    c.MouseMove({over, false, false, 200}, true);
    if (escape) c.KeyPress(velmgui::Key::kEscape);
    EXPECT_EQ(c.tracking(), !escape);
    c.MouseUp({over, false, false, 300});
    EXPECT_EQ(artCount(), before + (escape ? 0 : 1));
  }
}

// The message strip around a drop: a press on the disabled add button says why; the next
// press takes that off the strip; the drop tells what was placed and the snap that moved
// it, and leaves the placed art, and only it, selected.
TEST(GuiMessages, ADropIsToldAndLeavesThePlacedArtSelected) {
  velmtest::TempFolder library;
  std::string error;
  {
    auto session = CanvasSession(library);
    ASSERT_TRUE(session);
    session->document().Select(session->document().FindById("frame"), true);
    std::int32_t number = 0, objects = 0;
    ASSERT_TRUE(session->Capture("g", {"r", "", ""}, &number, &objects, &error)) << error;
  }
  auto session = velmsession::PluginSession::Open(library.path(), false, &error);
  ASSERT_TRUE(session) << error;
  session->StartApplication();
  ASSERT_TRUE(session->OpenScene(VELM_SOURCE_DIR "/demo/canvas.json", &error)) << error;
  session->document().DeselectAll();
  velm::Globals* g = velm::gGlobals;
  g->flUseFcur = g->flUseFcrs = g->flUseFops = 0;
  g->flUseGrid = 1;
  g->flGrWidth = g->flGrHeight = 7;
  session->Tick(1);
  velmgui::Controller c(*session, "");
  hostsim::Dialog* palette = hostsim::Dialog::From(g->palette);
  ASSERT_NE(palette, nullptr);
  const host::Rect add = palette->ItemScreenRect(*palette->FindItem(velm::kAddButtonItem));
  c.MouseDown({{add.left + 4, add.top + 4}, false, false, 50});
  c.MouseUp({{add.left + 4, add.top + 4}, false, false, 60});
  EXPECT_EQ(c.TakeStatus(), "select art to add");
  EXPECT_EQ(c.message(), "select art to add");

  host::Rect entry{};
  ASSERT_TRUE(palette->EntryScreenRect(velm::kRecordListItem, 0, &entry));
  const host::Rect& client = session->host().desktop().documentWindow()->client;
  const host::Point over{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
  const auto topArt = [&] {
    std::vector<hostsim::Art*> art;
    for (hostsim::Layer* layer : session->document().layers())
      art.insert(art.end(), layer->group->children.begin(), layer->group->children.end());
    return art;
  };
  const std::vector<hostsim::Art*> before = topArt();
  c.MouseDown({{entry.left + 5, entry.top + 5}, false, false, 100});
  EXPECT_EQ(c.message(), "");
  c.MouseMove({over, false, false, 200}, true);
  c.MouseUp({over, false, false, 300});
  EXPECT_EQ(c.TakeStatus(), "placed \"r\" \u2014 snapped to grid");
  std::vector<hostsim::Art*> selected, placed;
  for (hostsim::Art* art : topArt()) {
    if (art->attributes & host::kArtSelected) selected.push_back(art);
    if (std::find(before.begin(), before.end(), art) == before.end()) placed.push_back(art);
  }
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(selected, placed);
}

// What an action changed in the palette's records, in words.
TEST(GuiMessages, PaletteChangesInWords) {
  using velmsession::PaletteEntry;
  const PaletteEntry sun{"天気", 0, "太陽", "自然", 1}, moon{"天気", 1, "月", "", 2},
      rain1{"天気", 1, "", "", 3}, rain2{"天気", 2, "", "", 3}, full{"天気", 1, "満月", "", 2};
  const auto in = [](std::string group, bool search, std::vector<PaletteEntry> entries) {
    return velmsession::PaletteState{nullptr, std::move(group), search, std::move(entries)};
  };
  const std::vector<PaletteEntry> twelve(12, sun);
  const struct {
    velmsession::PaletteState before, after;
    bool searched;
    std::string expected;
  } cases[] = {
      {in("天気", false, {sun, rain1}), in("天気", false, {sun, rain1, moon}), false,
       "added \"月\" to 天気"},
      // The records after a removed one are numbered anew.
      {in("天気", false, {sun, moon, rain2}), in("天気", false, {sun, rain1}), false,
       "removed \"月\" from 天気"},
      {in("天気", false, {sun, rain2}), in("天気", false, {sun}), false, "removed #2 from 天気"},
      {in("天気", false, {sun, moon}), in("天気", false, {sun, full}), false,
       "changed \"満月\" in 天気"},
      {in("天気", false, {sun, moon}), in("天気", false, {sun, moon}), false, ""},
      {in("天気", false, {sun}), in("空", false, {}), false, ""},
      {in("天気", false, {sun}), in("検索結果", true, twelve), true, "12 records found"},
      {in("検索結果", true, twelve), in("検索結果", true, {moon}), true, "1 record found"},
      {in("天気", false, {sun}), in("検索結果", true, {}), true, "no records found"},
      // The results shown in another view: no search.
      {in("検索結果", true, {sun}), in("検索結果", true, {sun}), false, ""},
      // A record gone while another group holds one more: moved there (shown or not).
      {in("天気", false, {sun, moon}), in("天気", false, {sun}), false, "moved \"月\" to 空"},
      {in("天気", false, {sun, moon}), in("空", false, {moon}), false, "moved \"月\" to 空"},
  };
  for (const auto& t : cases)
    EXPECT_EQ(velmgui::DescribePaletteChange(t.before, t.after, t.searched,
                                             t.expected.rfind("moved", 0) == 0 ? "空" : ""),
              t.expected)
        << t.expected;
  EXPECT_EQ(velmgui::DescribeGroupRemoval("天気", 10), "removed group 天気 (10 records)");
  EXPECT_EQ(velmgui::DescribeUndo(false, "Undo Drop"), "undid Drop");
  EXPECT_EQ(velmgui::DescribeUndo(true, "Redo Drop"), "redid Drop");
  EXPECT_EQ(velmgui::DescribeUndo(true, ""), "redid the last change");
  EXPECT_EQ(velmgui::DescribeUndo(false, hostsim::ToSjis("配置の取り消し")),
            "undid 配置の取り消し");
}

// Ctrl+Z undoes; Ctrl+Shift+Z and Ctrl+Y redo.
TEST(GuiKeys, UndoAndRedoShortcuts) {
  const struct {
    char letter;
    bool shift, matched;
    velmgui::Key key;
  } cases[] = {{'z', false, true, velmgui::Key::kUndo},
               {'z', true, true, velmgui::Key::kRedo},
               {'y', false, true, velmgui::Key::kRedo},
               {'s', false, false, velmgui::Key::kUndo}};
  for (const auto& t : cases) {
    velmgui::Key key = velmgui::Key::kUndo;
    EXPECT_EQ(velmgui::UndoRedoKey(t.letter, t.shift, &key), t.matched) << t.letter;
    EXPECT_EQ(key, t.key) << t.letter << t.shift;
  }
}

// Selected art shows its bounding box and its anchor points on the document; art that is
// not selected shows neither.
TEST(GuiSelection, SelectedArtShowsItsBoundsAndAnchors) {
  velmtest::TempFolder library;
  auto session = CanvasSession(library);
  ASSERT_TRUE(session);
  hostsim::Document& doc = session->document();
  hostsim::Art* frame = doc.FindById("frame");
  ASSERT_TRUE(frame && !frame->segments.empty());
  const hostsim::Window* window = session->host().desktop().documentWindow();
  const host::Point anchor = doc.views().front()->ToView(frame->segments.front().anchor);
  const host::Point at{window->client.left + anchor.h, window->client.top + anchor.v};
  constexpr std::uint32_t kSelection = 0x2F6FE0;
  for (const bool selected : {false, true}) {
    doc.DeselectAll();
    if (selected) doc.Select(frame, true);
    velmgui::Controller c(*session, "");
    c.Refresh();
    const hostsim::Bitmap& screen = session->host().desktop().screen();
    // The anchor's square, and the box's edge beside it.
    EXPECT_EQ(screen.Pixel(at.h + 1, at.v + 1) == kSelection, selected);
    EXPECT_EQ(screen.Pixel(at.h - 1, at.v - 1) == kSelection, selected);
  }
}

// A drive C: that lasts keeps the palette's place and the plug-in's settings from one run
// of the window to the next; the temporary one does not.
TEST(GuiDriveC, SettingsAndThePalettePlaceSurviveARestart) {
  velmtest::TempFolder library, drive;
  const host::Rect moved{300, 200, 300 + 180, 200 + 320};
  for (const bool lasting : {true, false}) {
    SCOPED_TRACE(lasting ? "lasting" : "temporary");
    std::string error;
    const std::filesystem::path driveC = lasting ? drive.path() / "c" : std::filesystem::path();
    {
      auto session = velmsession::PluginSession::Open(library.path(), false, &error, driveC);
      ASSERT_TRUE(session) << error;
      session->StartApplication();
      hostsim::Dialog::From(velm::gGlobals->palette)->SetScreenBounds(moved);
      velm::gGlobals->originMode = 7;
    }
    auto session = velmsession::PluginSession::Open(library.path(), false, &error, driveC);
    ASSERT_TRUE(session) << error;
    session->StartApplication();
    const host::Rect now = hostsim::Dialog::From(velm::gGlobals->palette)->screenBounds();
    EXPECT_EQ(now.left == moved.left && now.top == moved.top, lasting);
    EXPECT_EQ(velm::gGlobals->originMode == 7, lasting);
  }
  // The library's link is made anew; a folder of its own there is never replaced.
  std::filesystem::remove(drive.path() / "c" / "velm" / "VELM");
  std::filesystem::create_directory(drive.path() / "c" / "velm" / "VELM");
  std::string error;
  EXPECT_FALSE(velmsession::PluginSession::Open(library.path(), false, &error, drive.path() / "c"));
  EXPECT_NE(error.find("not replaced"), std::string::npos) << error;
}

// Without a display, SDL's drivers that only draw into memory are no window: velm-host gui
// says so and exits with 2 rather than running unseen.
TEST(GuiWindow, ExitsWithTwoWhereTheVideoDriverShowsNothing) {
  velmtest::TempFolder folder;
  const std::filesystem::path program =
      std::filesystem::path(VELM_MODULE_PATH).parent_path().parent_path() / "hostsim" / "velm-host";
  const std::filesystem::path log = folder.path() / "gui.log";
  for (const char* driver : {"offscreen", "dummy"}) {
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=" + std::string(driver) +
        " timeout 20 '" + program.string() + "' gui --library '" +
        (folder.path() / "library").string() + "' > '" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    const std::string output((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(WIFEXITED(status)) << driver;
    EXPECT_EQ(WEXITSTATUS(status), 2) << driver << ": " << output;
    EXPECT_NE(output.find("no display to open a window on"), std::string::npos) << output;
  }
}

}  // namespace
