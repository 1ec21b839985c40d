// The corpus check's judgement of two drawings: ink on white, a channel tolerance, and a
// pixel's difference in size between two renderers' roundings.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "picture_compare.h"

namespace {

// A w x h RGB24 image, white but for pixel (0, 0), which is `ink`.
cairo_surface_t* Image(int w, int h, std::uint32_t ink) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      reinterpret_cast<std::uint32_t*>(data + y * cairo_image_surface_get_stride(s))[x] =
          x == 0 && y == 0 ? ink : 0xFFFFFF;
  cairo_surface_mark_dirty(s);
  return s;
}

TEST(PictureCompare, InkDifferencesAndSizesAreJudgedAsTheCorpusCheckSays) {
  const struct {
    std::uint32_t a, b;
    int widthB;
    bool comparable;
    std::size_t ink, differing;
  } cases[] = {
      {0x000000, 0x000000, 4, true, 1, 0},   // the same ink
      {0x000000, 0x280000, 4, true, 1, 0},   // red off by 40: within the tolerance
      {0x000000, 0x290000, 4, true, 1, 1},   // off by 41: differs
      {0x000000, 0xFFFFFF, 4, true, 1, 1},   // ink in one drawing only
      {0xE0E0E0, 0xFFFFFF, 4, true, 0, 0},   // too faint to be ink
      {0x000000, 0x000000, 5, true, 1, 0},   // a pixel wider: the common part
      {0x000000, 0x000000, 6, false, 0, 0},  // two pixels: not the same page
  };
  for (const auto& c : cases) {
    cairo_surface_t* a = Image(4, 4, c.a);
    cairo_surface_t* b = Image(c.widthB, 4, c.b);
    velmcorpus::Comparison result;
    std::string error;
    EXPECT_EQ(velmcorpus::ComparePictures(a, b, &result, &error), c.comparable) << error;
    EXPECT_EQ(result.ink, c.ink) << std::hex << c.a << " " << c.b;
    EXPECT_EQ(result.differing, c.differing) << std::hex << c.a << " " << c.b;
    cairo_surface_destroy(a);
    cairo_surface_destroy(b);
  }
}

// The suite's comparison forgives what a person does not see and fails what they do:
// every calibration case is judged as a person would judge it.
TEST(PictureCompare, TheForgivingComparisonJudgesAsAPersonWould) {
  for (const velmcorpus::Calibration& c : velmcorpus::Calibrate()) {
    EXPECT_EQ(c.share <= velmcorpus::kAlikeShare, c.sameToAPerson)
        << c.change << ": " << 100 * c.share << " % of the ink differs";
  }
}

// One pixel of ink is judged against the other drawing's neighbourhood, and the border
// is left out.
TEST(PictureCompare, APixelIsJudgedAgainstItsNeighbourhood) {
  const auto picture = [](int x, int y, std::uint32_t ink) {
    cairo_surface_t* s = Image(12, 12, 0xFFFFFF);
    reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s) +
                                     y * cairo_image_surface_get_stride(s))[x] = ink;
    cairo_surface_mark_dirty(s);
    return s;
  };
  const struct {
    int ax, ay, bx, by;
    std::uint32_t inkB;
    std::size_t ink, differing;
  } cases[] = {
      {5, 5, 6, 6, 0x000000, 2, 0},  // a pixel apart: within each other's neighbourhood
      {5, 5, 7, 5, 0x000000, 2, 2},  // two pixels apart: both differ
      {5, 5, 5, 5, 0x303030, 1, 0},  // darker by 48: within the tolerance
      {5, 5, 5, 5, 0x313131, 1, 1},  // by 49: differs
      {1, 1, 1, 1, 0xFFFFFF, 0, 0},  // in the border: left out
  };
  for (const auto& c : cases) {
    cairo_surface_t* a = picture(c.ax, c.ay, 0x000000);
    cairo_surface_t* b = picture(c.bx, c.by, c.inkB);
    velmcorpus::Comparison result;
    std::string error;
    ASSERT_TRUE(velmcorpus::CompareForgiving(a, b, &result, &error)) << error;
    EXPECT_EQ(result.ink, c.ink) << c.ax << "," << c.ay << " / " << c.bx << "," << c.by;
    EXPECT_EQ(result.differing, c.differing) << c.ax << "," << c.ay << " / " << c.bx << "," << c.by;
    cairo_surface_destroy(a);
    cairo_surface_destroy(b);
  }
}

}  // namespace
