// The virtual desktop through the plug-in's gui layer: the window chain to the document
// window, inverted outlines, memory bitmaps, pixels, Shift-JIS text, failures.
#include <functional>

#include "host/messages.h"
#include "platform/gui.h"
#include "platform/host_binding.h"
#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

namespace gui = velm::gui;

class DesktopTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    message_ = host().NewMessage();
    velm::platform::AttachHost(message_.basic);
    ASSERT_NE(velm::platform::HostDesktop(), nullptr);
  }
  hostsim::Desktop& desktop() { return host().desktop(); }
  gui::WindowHandle DocumentWindow() {
    host::WindowRef app = nullptr;
    EXPECT_EQ(Suite<host::ContextSuite>().GetPlatformAppWindow(&app), host::kNoErr);
    // The host's version is above 8: three topmost children down.
    return gui::TopChildWindow(gui::TopChildWindow(gui::TopChildWindow(app)));
  }

  host::MessageData message_{};
};

TEST_F(DesktopTest, TheDocumentWindowIsThreeTopmostChildrenBelowTheApplication) {
  const gui::WindowHandle window = DocumentWindow();
  ASSERT_EQ(window, desktop().documentWindow());
  EXPECT_EQ(gui::TopChildWindow(window), nullptr);
  host::Rect client{};
  ASSERT_TRUE(gui::ClientRectOf(window, &client));
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  host::Point p{124, 180};
  ASSERT_TRUE(gui::ScreenToClientPoint(window, &p));
  EXPECT_EQ(p.h, 100);
  EXPECT_EQ(p.v, 100);
  ASSERT_TRUE(gui::ClientToScreenPoint(window, &p));
  EXPECT_EQ(p.h, 124);
  desktop().SetCursorPosition({5, 6});
  ASSERT_TRUE(gui::CursorPosition(&p));
  EXPECT_EQ(p.v, 6);
}

TEST_F(DesktopTest, TheVersionTextCanBeChangedOrWithdrawn) {
  const char* version = nullptr;
  ASSERT_EQ(Suite<host::RuntimeSuite>().GetAppVersion(&version), host::kNoErr);
  ASSERT_NE(version, nullptr);
  EXPECT_STREQ(version, "10.0 (stand-in)");
  host().SetAppVersion("8.0.1");
  ASSERT_EQ(Suite<host::RuntimeSuite>().GetAppVersion(&version), host::kNoErr);
  EXPECT_STREQ(version, "8.0.1");
  host().SetAppVersion(nullptr);
  ASSERT_EQ(Suite<host::RuntimeSuite>().GetAppVersion(&version), host::kNoErr);
  EXPECT_EQ(version, nullptr);
}

TEST_F(DesktopTest, AnInvertedOutlineDrawnTwiceLeavesEveryPixelAsItWas) {
  // Something to draw over: the document with a black square in the window.
  hostsim::Art* square = doc().Create(host::kPathArt);
  square->segments = {Corner(100, 100), Corner(300, 100), Corner(300, 300), Corner(100, 300)};
  square->closed = true;
  doc().Insert(square, host::kPlaceAboveAll, nullptr);
  desktop().Repaint(host().document());
  const std::vector<std::uint32_t> before = desktop().screen().Pixels();

  const gui::ContextHandle dc = gui::CreateDisplayContext();
  ASSERT_NE(dc, nullptr);
  const gui::ObjectHandle pen = gui::CreatePen(gui::kPenSolid, 1, gui::Rgb(0, 0, 0));
  const gui::ObjectHandle oldPen = gui::Select(dc, pen);
  const std::int32_t oldRop = gui::SetRasterOp(dc, gui::kRopNot);
  EXPECT_EQ(oldRop, gui::kRopCopyPen);
  // Across the square's edge, partly off the screen.
  const host::Point outline[5] = {{60, 40}, {60, 300}, {1100, 300}, {1100, 40}, {60, 40}};
  gui::Polyline(dc, outline, 5);
  const std::vector<std::uint32_t> drawn = desktop().screen().Pixels();
  EXPECT_NE(drawn, before);
  // The corner and an edge pixel are inverted (the outline's end point is its start).
  EXPECT_EQ(desktop().screen().Pixel(60, 40),
            0xFFFFFF & ~before[40 * hostsim::Desktop::kScreenWidth + 60]);
  EXPECT_EQ(desktop().screen().Pixel(60, 200),
            0xFFFFFF & ~before[200 * hostsim::Desktop::kScreenWidth + 60]);
  gui::Polyline(dc, outline, 5);
  EXPECT_EQ(desktop().screen().Pixels(), before);

  gui::SetRasterOp(dc, oldRop);
  gui::Select(dc, oldPen);
  gui::DeleteObject(pen);
  gui::DeleteContext(dc);
  EXPECT_EQ(desktop().liveContexts(), 0u);
  EXPECT_EQ(desktop().liveObjects(), 0u);
}

TEST_F(DesktopTest, MemoryBitmapsTakeDrawingAndGiveTheirPixelsBack) {
  const gui::ContextHandle screen = gui::GetWindowContext(DocumentWindow());
  const gui::ContextHandle memory = gui::CreateMemoryContext(screen);
  const gui::ObjectHandle bitmap = gui::CreateBitmap(screen, 4, 3);
  const gui::ObjectHandle old = gui::Select(memory, bitmap);
  ASSERT_NE(old, nullptr);
  // A selected bitmap cannot be deleted, nor selected into a second context.
  EXPECT_EQ(velm::platform::HostDesktop()->DeleteObject(bitmap), 0);
  const gui::ContextHandle other = gui::CreateMemoryContext(screen);
  EXPECT_EQ(gui::Select(other, bitmap), nullptr);
  gui::DeleteContext(other);

  EXPECT_EQ(gui::GetPixel(memory, 0, 0), gui::Rgb(0, 0, 0));
  const gui::ObjectHandle brush = gui::CreateBrush(gui::Rgb(255, 0, 0));
  gui::FillRect(memory, host::Rect{1, 0, 3, 2}, brush);
  gui::SetPixel(memory, 3, 2, gui::Rgb(1, 2, 3));
  EXPECT_EQ(gui::GetPixel(memory, 1, 1), gui::Rgb(255, 0, 0));
  EXPECT_EQ(gui::GetPixel(memory, 3, 1), gui::Rgb(0, 0, 0));
  EXPECT_EQ(gui::GetPixel(memory, 4, 0), gui::kInvalidColor);
  std::vector<gui::ColorRef> all(12);
  ASSERT_TRUE(gui::ReadPixels(memory, 0, 0, 4, 3, all.data()));
  EXPECT_EQ(all[1], gui::Rgb(255, 0, 0));
  EXPECT_EQ(all[11], gui::Rgb(1, 2, 3));
  // Onto the document window at (10, 20): only what lies inside the window lands.
  ASSERT_TRUE(gui::CopyPixels(screen, 10, 20, 4, 3, memory, 0, 0));
  EXPECT_EQ(desktop().screen().Pixel(24 + 11, 80 + 21), 0xFF0000u);
  ASSERT_TRUE(gui::CopyPixels(screen, 798, 0, 4, 3, memory, 0, 0));
  EXPECT_EQ(desktop().screen().Pixel(824, 80), 0xD4D0C8u);  // the frame beside it

  gui::Select(memory, old);
  gui::DeleteObject(bitmap);
  gui::DeleteObject(brush);
  gui::DeleteContext(memory);
  gui::ReleaseWindowContext(DocumentWindow(), screen);
  EXPECT_EQ(desktop().liveContexts(), 0u);
  EXPECT_EQ(desktop().liveObjects(), 0u);
}

TEST_F(DesktopTest, ShiftJisTextIsDrawnInTheSelectedFont) {
  const gui::ContextHandle screen = gui::GetWindowContext(nullptr);
  const gui::ContextHandle memory = gui::CreateMemoryContext(screen);
  const gui::ObjectHandle bitmap = gui::CreateBitmap(screen, 120, 20);
  gui::Select(memory, bitmap);
  const gui::ObjectHandle white = gui::StockObject(gui::kStockWhiteBrush);
  gui::FillRect(memory, host::Rect{0, 0, 120, 20}, white);
  const gui::ObjectHandle font =
      gui::CreateTextFont(12, gui::kShiftJisCharset, hostsim::ToSjis("ＭＳ ゴシック").c_str());
  const gui::ObjectHandle oldFont = gui::Select(memory, font);
  gui::SetBackgroundMode(memory, gui::kBackgroundTransparent);
  gui::SetTextColor(memory, gui::Rgb(0, 0, 255));
  const std::string text = hostsim::ToSjis("配置テスト");
  gui::DrawTextAt(memory, 2, 2, text.data(), static_cast<std::int32_t>(text.size()));
  int blue = 0, other = 0;
  std::vector<gui::ColorRef> px(120 * 20);
  ASSERT_TRUE(gui::ReadPixels(memory, 0, 0, 120, 20, px.data()));
  for (gui::ColorRef c : px) {
    if (c == gui::Rgb(0, 0, 255))
      ++blue;
    else if (c != gui::Rgb(255, 255, 255))
      ++other;
  }
  EXPECT_GT(blue, 40);
  EXPECT_EQ(other, 0);  // no blending: the text is drawn in its colour only
  const std::int32_t five = gui::TextWidth(memory, text.data(), 10);
  const std::int32_t two = gui::TextWidth(memory, text.data(), 4);
  EXPECT_EQ(five, 60);  // 12-pixel characters
  EXPECT_EQ(two, 24);
  gui::Select(memory, oldFont);
  gui::DeleteObject(font);
  gui::DeleteContext(memory);
  gui::DeleteObject(bitmap);
  gui::ReleaseWindowContext(nullptr, screen);
}

TEST_F(DesktopTest, FailingOperationsGiveNothingAndContextsPopInOrder) {
  host().suites().FailOperation(host::DesktopSuite::kName, "CreateDisplayDC",
                                host::kHostFailureErr);
  EXPECT_EQ(gui::CreateDisplayContext(), nullptr);
  EXPECT_EQ(gui::GetPixel(nullptr, 0, 0), gui::kInvalidColor);
  int notADc = 0;
  EXPECT_EQ(gui::GetPixel(&notADc, 0, 0), gui::kInvalidColor);

  const auto& context = Suite<host::ContextSuite>();
  const host::PluginRef plugin = message_.self;
  host::ContextHandle outer = nullptr, inner = nullptr;
  ASSERT_EQ(context.PushAppContext(plugin, &outer), host::kNoErr);
  ASSERT_EQ(context.PushAppContext(plugin, &inner), host::kNoErr);
  EXPECT_EQ(context.PopAppContext(outer), host::kBadParameterErr);
  EXPECT_EQ(context.PopAppContext(inner), host::kNoErr);
  EXPECT_EQ(context.PopAppContext(outer), host::kNoErr);
  EXPECT_EQ(desktop().contextDepth(), 0);
}

// The document's picture is kept between repaints; after every kind of change the screen
// must be what a desktop drawing the document afresh shows.
TEST_F(DesktopTest, TheKeptPictureOfThePageIsAlwaysAFreshOne) {
  const auto& art = Suite<host::ArtSuite>();
  const auto& path = Suite<host::PathSuite>();
  const host::PathSegment square[] = {Corner(100, 100), Corner(300, 100), Corner(300, 300),
                                      Corner(100, 300)};
  host::ArtHandle made = nullptr;
  hostsim::View& view = *doc().views().front();
  const struct {
    const char* what;
    std::function<void()> change;
    bool drawn;  // the picture had to be drawn again
  } kSteps[] = {
      {"a path made",
       [&] {
         doc().BeginUndoStep();
         ASSERT_EQ(art.NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &made), host::kNoErr);
         ASSERT_EQ(path.SetPathSegments(made, 0, 4, square), host::kNoErr);
         ASSERT_EQ(path.SetPathClosed(made, true), host::kNoErr);
         doc().BeginUndoStep();
       },
       true},
      {"nothing", [] {}, false},
      {"selected", [&] { doc().Select(doc().ArtFrom(made), true); }, false},
      {"a point moved",
       [&] {
         const host::PathSegment moved = Corner(400, 120);
         ASSERT_EQ(path.SetPathSegments(made, 1, 1, &moved), host::kNoErr);
       },
       true},
      {"undone", [&] { ASSERT_TRUE(doc().Undo()); }, true},
      {"redone", [&] { ASSERT_TRUE(doc().Redo()); }, true},
      {"scrolled", [&] { view.origin.v += 37; }, true},
      {"zoomed", [&] { view.zoom = 2.5f; }, true},
      {"layer hidden",
       [&] {
         doc().layers().front()->visible = false;
         doc().ChangedOutsideHistory();
       },
       true},
      {"disposed",
       [&] {
         doc().layers().front()->visible = true;
         doc().ChangedOutsideHistory();
         ASSERT_EQ(art.DisposeArt(made), host::kNoErr);
       },
       true},
  };
  desktop().Repaint(host().document());
  for (const auto& step : kSteps) {
    SCOPED_TRACE(step.what);
    step.change();
    const std::uint64_t drawn = desktop().pagesDrawn();
    desktop().Repaint(host().document());
    EXPECT_EQ(desktop().pagesDrawn() - drawn, step.drawn ? 1u : 0u);
    hostsim::Desktop fresh;
    fresh.Repaint(host().document());
    EXPECT_EQ(desktop().screen().Pixels(), fresh.screen().Pixels());
  }
}

}  // namespace
}  // namespace velmtest
