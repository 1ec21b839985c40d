// Thumbnails: drawn by the host's renderer, reduced 2 x 2, centred; the art that is
// collected for drawing; reading the pixels at once gives what reading them one by one does.
#include <gtest/gtest.h>

#include <random>

#include "capture/thumbnail.h"
#include "database/record.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "platform/gui.h"
#include "platform/memory.h"
#include "tests/capture/capture_fixture.h"

namespace velmtest {
namespace {

namespace gui = velm::gui;

constexpr std::uint32_t kBlack = 0x00000000;
constexpr std::uint32_t kWhite = 0x00FFFFFF;

class ThumbnailTest : public CaptureTest {
 protected:
  // Pixel (column, row) of the current record's thumbnail as 0x00RRGGBB.
  std::uint32_t Pixel(int column, int row) {
    const std::uint8_t* p =
        velm::gGlobals->currentRecord + velm::kThumbnailOffset + 4 * (row * 128 + column);
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
  }
  // The number of pixels of rows [top, bottom) that are not `color`.
  int Others(int top, int bottom, std::uint32_t color) {
    int others = 0;
    for (int row = top; row < bottom; ++row)
      for (int column = 0; column < 128; ++column)
        others += Pixel(column, row) != color;
    return others;
  }
  // Whether the host made the offscreen image the thumbnail is drawn in: without it the
  // thumbnail stays white, which must fail these tests, never skip them.
  bool ImagesDrawn() {
    for (const std::string& suite : host().suites().UnimplementedCalls())
      if (suite == "ADM Image Suite" || suite == "ADM Drawer Suite") return false;
    return true;
  }
  hostsim::Art* BlackRectangle(float left, float bottom, float right, float top) {
    hostsim::Art* r = Rectangle(left, bottom, right, top);
    r->style.fill.color = GrayColor(1);
    return r;
  }
};

TEST_F(ThumbnailTest, ASingleBlackSquareFillsItAll) {
  Select(BlackRectangle(100, 100, 150, 150));
  ASSERT_EQ(Capture(), host::kNoErr);
  ASSERT_TRUE(ImagesDrawn()) << "the host made no offscreen image to draw the thumbnail in";
  EXPECT_EQ(Others(0, 128, kBlack), 0);
  EXPECT_EQ(Pixel(0, 0), kBlack);
  EXPECT_EQ(velm::gGlobals->currentRecord[velm::kThumbnailOffset], 0) << "the leading zero byte";
}

TEST_F(ThumbnailTest, NothingSelectedIsAllWhite) {
  BlackRectangle(0, 0, 50, 50);
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Others(0, 128, kWhite), 0);
}

TEST_F(ThumbnailTest, AWideSelectionIsCentredBetweenWhiteBands) {
  // 200 x 100 points: 128 x 64 pixels, 32 white rows above and below.
  Select(BlackRectangle(0, 0, 100, 100));
  Select(BlackRectangle(100, 0, 200, 100));
  BlackRectangle(0, 100, 200, 200);  // not selected, not drawn, though inside the square
  ASSERT_EQ(Capture(), host::kNoErr);
  ASSERT_TRUE(ImagesDrawn()) << "the host made no offscreen image to draw the thumbnail in";
  EXPECT_EQ(Others(0, 32, kWhite), 0);
  EXPECT_EQ(Others(32, 96, kBlack), 0);
  EXPECT_EQ(Others(96, 128, kWhite), 0);
}

TEST_F(ThumbnailTest, ATallSelectionIsCentredBetweenWhiteColumns) {
  hostsim::Art* r = BlackRectangle(10, 10, 60, 210);  // 50 x 200: 32 columns of 128
  r->style.fill.color = RgbColor(1, 0, 0);
  Select(r);
  ASSERT_EQ(Capture(), host::kNoErr);
  ASSERT_TRUE(ImagesDrawn()) << "the host made no offscreen image to draw the thumbnail in";
  EXPECT_EQ(Pixel(47, 64), kWhite);
  EXPECT_EQ(Pixel(48, 64), 0x00FF0000u);
  EXPECT_EQ(Pixel(79, 0), 0x00FF0000u);
  EXPECT_EQ(Pixel(80, 127), kWhite);
}

TEST_F(ThumbnailTest, SelectedClippingGroupsAreDrawnWholeOtherGroupsAsTheirMembers) {
  hostsim::Art* plain = Group();
  hostsim::Art* a = Rectangle(0, 0, 10, 10, plain);
  hostsim::Art* clip = Group(plain);
  clip->clipped = true;
  Rectangle(0, 0, 5, 5, clip);
  Rectangle(0, 0, 20, 20, clip);
  hostsim::Art* guide = Rectangle(0, 0, 30, 30, plain);
  guide->guide = true;
  Select(plain);
  hostsim::Art* compound = Add(host::kCompoundPathArt);
  Rectangle(0, 0, 1, 1, compound);
  Select(compound);
  Rectangle(40, 40, 50, 50);  // unselected

  os::MemHandle list = nullptr;
  host::ArtHandle layer = LayerGroup()->handle();
  ASSERT_EQ(velm::CreatePictImageProcess(layer, list, 0), host::kNoErr);
  ASSERT_NE(list, nullptr);
  std::int32_t count = 0;
  std::memcpy(&count, list, 4);
  ASSERT_EQ(count, 3);
  host::ArtHandle entries[3];
  std::memcpy(entries, list + 8, sizeof entries);
  EXPECT_EQ(entries[0], a->handle());
  EXPECT_EQ(entries[1], clip->handle());
  EXPECT_EQ(entries[2], compound->handle());
  velm::ReleaseBlock(list);
}

// The reduction from pixels read in one call equals the one from pixels read one by one,
// on noise that leaves no 2 x 2 block uniform.
TEST_F(ThumbnailTest, ReadingPixelsAtOnceReducesAsReadingThemOneByOne) {
  gui::ContextHandle screen = gui::GetWindowContext(nullptr);
  ASSERT_NE(screen, nullptr);
  gui::ContextHandle memory = gui::CreateMemoryContext(screen);
  gui::ObjectHandle bitmap = gui::CreateBitmap(screen, 256, 256);
  ASSERT_NE(memory, nullptr);
  ASSERT_NE(bitmap, nullptr);
  gui::ObjectHandle previous = gui::Select(memory, bitmap);
  std::mt19937 random(7);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      gui::SetPixel(memory, x, y, random() & 0xFFFFFF);
  // One block of two black and two white pixels.
  gui::SetPixel(memory, 0, 0, gui::Rgb(0, 0, 0));
  gui::SetPixel(memory, 1, 0, gui::Rgb(255, 255, 255));
  gui::SetPixel(memory, 0, 1, gui::Rgb(255, 255, 255));
  gui::SetPixel(memory, 1, 1, gui::Rgb(0, 0, 0));

  std::vector<std::uint8_t> atOnce(65536), oneByOne(65536);
  velm::ReduceToThumbnail(memory, atOnce.data(), true);
  velm::ReduceToThumbnail(memory, oneByOne.data(), false);
  EXPECT_EQ(atOnce, oneByOne);
  EXPECT_EQ(atOnce[0], 0);
  EXPECT_EQ(atOnce[1], 127);
  EXPECT_EQ(atOnce[2], 127);
  EXPECT_EQ(atOnce[3], 127);
  // A block by hand: the truncated mean of each channel.
  int sum[3] = {0, 0, 0};
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i) {
      const gui::ColorRef c = gui::GetPixel(memory, 2 * 37 + i, 2 * 90 + j);
      sum[0] += gui::RedOf(c);
      sum[1] += gui::GreenOf(c);
      sum[2] += gui::BlueOf(c);
    }
  const std::size_t at = 4 * (90 * 128 + 37);
  EXPECT_EQ(atOnce[at + 1], sum[0] / 4);
  EXPECT_EQ(atOnce[at + 2], sum[1] / 4);
  EXPECT_EQ(atOnce[at + 3], sum[2] / 4);

  gui::Select(memory, previous);
  gui::DeleteObject(bitmap);
  gui::DeleteContext(memory);
  gui::ReleaseWindowContext(nullptr, screen);
}

}  // namespace
}  // namespace velmtest
