// The gui layer on GDI and User32: memory contexts and bitmaps, inverted lines, fills and
// frames, pixel reads in one call against pixel-by-pixel reads, Shift-JIS text in a
// Japanese font, window lookup and coordinate conversion.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/sjis.h"
#include "platform/gui.h"

namespace {

namespace gui = velm::gui;

constexpr int kSide = 32;

// A memory context with a kSide × kSide colour bitmap of its own, filled white.
class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = gui::CreateDisplayContext();
    ASSERT_NE(display_, nullptr);
    memory_ = gui::CreateMemoryContext(display_);
    ASSERT_NE(memory_, nullptr);
    bitmap_ = gui::CreateBitmap(display_, kSide, kSide);
    ASSERT_NE(bitmap_, nullptr);
    previous_ = gui::Select(memory_, bitmap_);
    ASSERT_NE(previous_, nullptr);
    gui::FillRect(memory_, {0, 0, kSide, kSide}, gui::StockObject(gui::kStockWhiteBrush));
  }
  void TearDown() override {
    if (memory_ && previous_) gui::Select(memory_, previous_);
    gui::DeleteObject(bitmap_);
    gui::DeleteContext(memory_);
    gui::DeleteContext(display_);
  }

  std::vector<gui::ColorRef> Read(int x, int y, int w, int h) {
    std::vector<gui::ColorRef> colors(static_cast<std::size_t>(w * h), 0x12345678u);
    EXPECT_TRUE(gui::ReadPixels(memory_, x, y, w, h, colors.data()));
    return colors;
  }

  gui::ContextHandle display_ = nullptr;
  gui::ContextHandle memory_ = nullptr;
  gui::ObjectHandle bitmap_ = nullptr;
  gui::ObjectHandle previous_ = nullptr;
};

TEST_F(GdiTest, FillsFramesAndPixelsReadBackInOneCall) {
  const gui::ColorRef red = gui::Rgb(255, 0, 0), blue = gui::Rgb(0, 0, 255);
  gui::ObjectHandle brush = gui::CreateBrush(red);
  gui::FillRect(memory_, {2, 3, 6, 5}, brush);  // right and bottom edges excluded
  gui::ObjectHandle frameBrush = gui::CreateBrush(blue);
  gui::FrameRect(memory_, {10, 10, 20, 20}, frameBrush);
  gui::SetPixel(memory_, 31, 31, gui::Rgb(1, 2, 3));
  gui::DeleteObject(brush);
  gui::DeleteObject(frameBrush);

  EXPECT_EQ(gui::GetPixel(memory_, 2, 3), red);
  EXPECT_EQ(gui::GetPixel(memory_, 5, 4), red);
  EXPECT_EQ(gui::GetPixel(memory_, 6, 4), gui::Rgb(255, 255, 255));
  EXPECT_EQ(gui::GetPixel(memory_, 10, 19), blue);
  EXPECT_EQ(gui::GetPixel(memory_, 15, 15), gui::Rgb(255, 255, 255)) << "a frame is not filled";
  EXPECT_EQ(gui::GetPixel(memory_, 31, 31), gui::Rgb(1, 2, 3));
  EXPECT_EQ(gui::GetPixel(memory_, kSide, 0), gui::kInvalidColor);

  // The whole bitmap at once, colour for colour what GetPixel sees (0x00BBGGRR).
  const std::vector<gui::ColorRef> all = Read(0, 0, kSide, kSide);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x)
      ASSERT_EQ(all[static_cast<std::size_t>(y * kSide + x)], gui::GetPixel(memory_, x, y))
          << x << "," << y;
  // An area reaching past the bitmap: the pixels outside read as invalid.
  const std::vector<gui::ColorRef> corner = Read(30, 30, 4, 4);
  EXPECT_EQ(corner[5], gui::Rgb(1, 2, 3));    // (31, 31)
  EXPECT_EQ(corner[2], gui::kInvalidColor);   // (32, 30)
  EXPECT_EQ(corner[12], gui::kInvalidColor);  // (30, 33)

  gui::ColorRef one = 0;
  EXPECT_FALSE(gui::ReadPixels(memory_, 0, 0, 0, 1, &one));
  EXPECT_FALSE(gui::ReadPixels(nullptr, 0, 0, 1, 1, &one));
  EXPECT_FALSE(gui::ReadPixels(memory_, 0, 0, 1, 1, nullptr));
}

TEST_F(GdiTest, InvertedLinesUndoThemselves) {
  gui::ObjectHandle pen = gui::CreatePen(gui::kPenSolid, 1, gui::Rgb(0, 0, 0));
  gui::ObjectHandle oldPen = gui::Select(memory_, pen);
  ASSERT_NE(oldPen, nullptr);
  EXPECT_EQ(gui::SetRasterOp(memory_, gui::kRopNot), gui::kRopCopyPen);
  const std::vector<gui::ColorRef> before = Read(0, 0, kSide, kSide);

  const host::Point outline[] = {{4, 4}, {24, 4}, {24, 16}, {4, 16}, {4, 4}};
  gui::Polyline(memory_, outline, 5);
  EXPECT_EQ(gui::GetPixel(memory_, 10, 4), gui::Rgb(0, 0, 0)) << "white inverted is black";
  EXPECT_EQ(gui::GetPixel(memory_, 24, 10), gui::Rgb(0, 0, 0));
  EXPECT_EQ(gui::GetPixel(memory_, 10, 10), gui::Rgb(255, 255, 255)) << "inside untouched";
  gui::MoveTo(memory_, 0, 30);
  gui::LineTo(memory_, 8, 30);
  EXPECT_EQ(gui::GetPixel(memory_, 7, 30), gui::Rgb(0, 0, 0));
  EXPECT_EQ(gui::GetPixel(memory_, 8, 30), gui::Rgb(255, 255, 255)) << "the end point is not drawn";

  // Drawing the same again restores every pixel: how the placement outline is erased.
  gui::Polyline(memory_, outline, 5);
  gui::MoveTo(memory_, 0, 30);
  gui::LineTo(memory_, 8, 30);
  EXPECT_EQ(Read(0, 0, kSide, kSide), before);

  // A long outline drawn in pieces inverts each pixel exactly once.
  std::vector<host::Point> zigzag;
  for (int i = 0; i < 200; ++i)
    zigzag.push_back({i % 2 ? 20 : 2, 2 + (i / 2) % 28});
  gui::Polyline(memory_, zigzag.data(), static_cast<std::int32_t>(zigzag.size()));
  gui::Polyline(memory_, zigzag.data(), static_cast<std::int32_t>(zigzag.size()));
  EXPECT_EQ(Read(0, 0, kSide, kSide), before);

  gui::SetRasterOp(memory_, gui::kRopCopyPen);
  gui::Select(memory_, oldPen);
  gui::DeleteObject(pen);
  gui::ObjectHandle nullBrush = gui::StockObject(gui::kStockNullBrush);
  gui::ObjectHandle oldBrush = gui::Select(memory_, nullBrush);
  gui::DrawRectangle(memory_, {2, 2, 8, 8});
  EXPECT_EQ(gui::GetPixel(memory_, 2, 5), gui::Rgb(0, 0, 0)) << "the stock black pen";
  EXPECT_EQ(gui::GetPixel(memory_, 5, 5), gui::Rgb(255, 255, 255)) << "the null brush";
  gui::Select(memory_, oldBrush);
}

TEST_F(GdiTest, ShiftJisTextInAJapaneseFont) {
  gui::ObjectHandle font =
      gui::CreateTextFont(-12, gui::kShiftJisCharset, velmtest::Sjis("ＭＳ ゴシック").c_str());
  ASSERT_NE(font, nullptr);
  gui::ObjectHandle oldFont = gui::Select(memory_, font);
  gui::SetTextColor(memory_, gui::Rgb(0, 0, 0));
  EXPECT_EQ(gui::SetBackgroundMode(memory_, gui::kBackgroundTransparent), gui::kBackgroundOpaque);

  const std::string text = velmtest::Sjis("検索結果");
  const std::int32_t width = gui::TextWidth(memory_, text.data(), 8);
  EXPECT_GT(width, 0);
  EXPECT_GT(width, gui::TextWidth(memory_, text.data(), 4)) << "four characters, not eight bytes";
  EXPECT_EQ(gui::TextWidth(memory_, "\x81", 1), 0) << "a cut character is not measured";

  const std::vector<gui::ColorRef> blank = Read(0, 0, kSide, kSide);
  gui::DrawTextAt(memory_, 0, 0, "\x81", 1);
  EXPECT_EQ(Read(0, 0, kSide, kSide), blank) << "invalid text draws nothing";
  gui::DrawTextAt(memory_, 0, 0, text.data(), 2);
  int dark = 0;
  for (gui::ColorRef c : Read(0, 0, kSide, kSide))
    if (c != gui::Rgb(255, 255, 255)) ++dark;
  EXPECT_GT(dark, 0) << "the first character is drawn";

  gui::Select(memory_, oldFont);
  gui::DeleteObject(font);
  EXPECT_EQ(gui::CreateTextFont(-12, gui::kShiftJisCharset, "bad\x81"), nullptr);
}

TEST(Win32Windows, LookupAndCoordinateConversion) {
  EXPECT_EQ(gui::TopChildWindow(nullptr), nullptr);
  host::Rect rect{};
  EXPECT_FALSE(gui::ClientRectOf(nullptr, &rect));
  host::Point point{5, 5};
  EXPECT_FALSE(gui::ScreenToClientPoint(nullptr, &point));
  EXPECT_FALSE(gui::ClientToScreenPoint(nullptr, &point));

  HWND frame = CreateWindowExW(0, L"STATIC", L"frame", WS_POPUP, 100, 50, 300, 200, nullptr,
                               nullptr, nullptr, nullptr);
  if (!frame) GTEST_SKIP() << "no window system here";
  HWND first = CreateWindowExW(0, L"STATIC", L"a", WS_CHILD, 10, 10, 50, 40, frame, nullptr,
                               nullptr, nullptr);
  HWND second = CreateWindowExW(0, L"STATIC", L"b", WS_CHILD, 20, 30, 60, 70, frame, nullptr,
                                nullptr, nullptr);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(gui::TopChildWindow(frame), static_cast<gui::WindowHandle>(first))
      << "the first child created is on top";
  EXPECT_EQ(gui::TopChildWindow(first), nullptr);
  ASSERT_TRUE(gui::ClientRectOf(second, &rect));
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.right, 60);
  EXPECT_EQ(rect.bottom, 70);

  point = {0, 0};
  ASSERT_TRUE(gui::ClientToScreenPoint(second, &point));
  EXPECT_EQ(point.h, 100 + 20);
  EXPECT_EQ(point.v, 50 + 30);
  ASSERT_TRUE(gui::ScreenToClientPoint(second, &point));
  EXPECT_EQ(point.h, 0);
  EXPECT_EQ(point.v, 0);

  gui::ContextHandle context = gui::GetWindowContext(second);
  EXPECT_NE(context, nullptr);
  gui::ReleaseWindowContext(second, context);
  DestroyWindow(frame);
}

}  // namespace
