// The renderer: the reference scene drawn to PNG and SVG and checked pixel by pixel at
// chosen points, and the art-drawing suite drawing one art into a port.
#include <cairo.h>

#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

#include "hostsim/document_files.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg_writer.h"
#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

struct Pixel {
  int r, g, b;
};

// A PNG read back from disk.
class Png {
 public:
  explicit Png(const std::string& path)
      : surface_(cairo_image_surface_create_from_png(path.c_str())) {}
  ~Png() { cairo_surface_destroy(surface_); }
  bool ok() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(surface_); }
  int height() const { return cairo_image_surface_get_height(surface_); }
  Pixel At(int x, int y) const {
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    std::uint32_t p;
    std::memcpy(&p, data + y * cairo_image_surface_get_stride(surface_) + x * 4, 4);
    return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
            static_cast<int>(p & 0xFF)};
  }

 private:
  cairo_surface_t* surface_;
};

::testing::AssertionResult Near(Pixel p, Pixel want, int tolerance = 3) {
  if (std::abs(p.r - want.r) <= tolerance && std::abs(p.g - want.g) <= tolerance &&
      std::abs(p.b - want.b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "pixel (" << p.r << ", " << p.g << ", " << p.b << ") wanted (" << want.r << ", "
         << want.g << ", " << want.b << ")";
}

class ReferenceRenderTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    std::string error;
    ASSERT_TRUE(hostsim::OpenSceneFile(
        host(), std::string(VELM_TEST_DATA) + "/scenes/reference.json", &error))
        << error;
    options_.area = host::RealRect{0, 400, 600, 0};
    png_ = (drive_.path() / "reference.png").string();
    ASSERT_TRUE(hostsim::RenderDocumentToFile(doc(), png_, options_, &error)) << error;
    picture_ = std::make_unique<Png>(png_);
    ASSERT_TRUE(picture_->ok());
  }
  // The pixel that shows artwork point (x, y).
  Pixel At(int x, int y) { return picture_->At(x, 399 - y); }

  hostsim::RenderOptions options_;
  std::string png_;
  std::unique_ptr<Png> picture_;
};

TEST_F(ReferenceRenderTest, FillsStrokesHiddenArtAndHiddenLayers) {
  EXPECT_EQ(picture_->width(), 600);
  EXPECT_EQ(picture_->height(), 400);
  EXPECT_TRUE(Near(At(70, 340), {255, 0, 0}));     // red fill; the hidden black square is not drawn
  EXPECT_TRUE(Near(At(20, 340), {0, 0, 255}));     // the 6-point stroke on the edge
  EXPECT_TRUE(Near(At(10, 10), {255, 255, 255}));  // the hidden layer covers nothing
  // Dashes of 8 on, 4 off from x = 20 along y = 290.
  EXPECT_TRUE(Near(At(24, 290), {0, 0, 0}));
  EXPECT_TRUE(Near(At(30, 290), {255, 255, 255}));
  EXPECT_TRUE(Near(At(36, 290), {0, 0, 0}));
}

TEST_F(ReferenceRenderTest, GradientsVaryAlongTheirMatrix) {
  const Pixel left = At(142, 340), middle = At(210, 340), right = At(278, 340);
  EXPECT_GT(left.r, 240);
  EXPECT_LT(left.b, 15);
  EXPECT_GT(right.b, 240);
  EXPECT_LT(right.r, 15);
  EXPECT_NEAR(middle.r, 127, 4);
  EXPECT_NEAR(middle.b, 127, 4);
  // Radial: white at the centre, green from 40 points out.
  EXPECT_TRUE(Near(At(350, 340), {255, 255, 255}, 8));
  EXPECT_TRUE(Near(At(396, 304), {0, 160, 0}));
  const Pixel halfway = At(370, 340);
  EXPECT_GT(halfway.r, 100);
  EXPECT_LT(halfway.r, 160);
}

TEST_F(ReferenceRenderTest, PatternsClipsAndEvenOddHoles) {
  EXPECT_TRUE(Near(At(424, 340), {0, 0, 0}));  // pattern tiles from the artwork origin
  EXPECT_TRUE(Near(At(434, 340), {255, 255, 0}));
  EXPECT_TRUE(Near(At(444, 340), {0, 0, 0}));
  EXPECT_TRUE(Near(At(50, 220), {0, 192, 0}));       // inside the clipping path
  EXPECT_TRUE(Near(At(110, 220), {255, 255, 255}));  // green, but clipped away
  EXPECT_TRUE(Near(At(10, 170), {255, 255, 255}));
  EXPECT_TRUE(Near(At(210, 230), {255, 255, 255}));  // the even-odd hole
  EXPECT_TRUE(Near(At(170, 190), {128, 0, 128}));
}

TEST_F(ReferenceRenderTest, TextRastersMeshesAndTransparency) {
  int dark = 0;
  for (int y = 212; y < 246; ++y)
    for (int x = 300; x < 490; ++x)
      if (At(x, y).r < 100) ++dark;
  EXPECT_GT(dark, 400);                            // the glyphs of eight characters
  EXPECT_TRUE(Near(At(250, 230), {128, 0, 128}));  // no text left of its start

  EXPECT_TRUE(Near(At(510, 270), {255, 0, 0}));  // raster: top rows red | green
  EXPECT_TRUE(Near(At(570, 270), {0, 255, 0}));
  EXPECT_TRUE(Near(At(510, 210), {0, 0, 255}));  // bottom rows blue | yellow
  EXPECT_TRUE(Near(At(570, 210), {255, 255, 0}));

  const Pixel red = At(22, 22), green = At(22, 138), blue = At(138, 22), white = At(138, 138);
  EXPECT_TRUE(Near(red, {255, 0, 0}, 12));
  EXPECT_TRUE(Near(green, {0, 255, 0}, 12));
  EXPECT_TRUE(Near(blue, {0, 0, 255}, 12));
  EXPECT_TRUE(Near(white, {255, 255, 255}, 12));
  const Pixel centre = At(80, 80);
  EXPECT_NEAR(centre.r, (255 + 0 + 0 + 255) / 4, 8);

  EXPECT_TRUE(Near(At(180, 40), {127, 127, 255}));  // half-opaque blue on white
  EXPECT_TRUE(Near(At(230, 90), {127, 0, 128}));    // and on red
  EXPECT_TRUE(Near(At(280, 140), {255, 0, 0}));

  EXPECT_TRUE(Near(At(360, 60), {255, 128, 0}));    // plug-in art draws its result art
  EXPECT_TRUE(Near(At(480, 80), {0, 255, 255}));    // the shadowed art itself
  EXPECT_TRUE(Near(At(525, 36), {128, 128, 128}));  // and its shadow
}

TEST_F(ReferenceRenderTest, SvgPictureIsWritten) {
  const std::string svg = (drive_.path() / "reference.svg").string();
  std::string error;
  ASSERT_TRUE(hostsim::RenderDocumentToFile(doc(), svg, options_, &error)) << error;
  std::ifstream in(svg);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("<svg"), std::string::npos);
  EXPECT_NE(text.str().find("width=\"600pt\""), std::string::npos);
  EXPECT_NE(text.str().find("<path"), std::string::npos);
  EXPECT_FALSE(hostsim::RenderDocumentToFile(doc(), svg + ".gif", options_, &error));
  EXPECT_NE(error.find(".png or .svg"), std::string::npos);
}

TEST_F(ReferenceRenderTest, TheDocumentWindowShowsTheDocumentThroughTheView) {
  // The view shows artwork (0, 500) at the window's top-left, zoom 1.
  const hostsim::Bitmap& screen = host().desktop().screen();
  const host::Rect client = host().desktop().documentWindow()->client;
  EXPECT_EQ(screen.Pixel(client.left + 70, client.top + 500 - 340), 0xFF0000u);
  EXPECT_EQ(screen.Pixel(client.left + 210, client.top + 500 - 230), 0xFFFFFFu);
}

using DrawArtTest = DocumentTest;

TEST_F(DrawArtTest, DrawsOneArtIntoAPortScaledFromItsOrigin) {
  std::string error;
  ASSERT_TRUE(hostsim::OpenSceneFile(host(), std::string(VELM_TEST_DATA) + "/scenes/reference.json",
                                     &error))
      << error;
  hostsim::Bitmap image(256, 256, 0xFFFFFF);
  hostsim::DeviceContext* port = host().desktop().BitmapContext(&image, {0, 0}, {0, 0, 256, 256});
  host::DrawArtData d{};
  d.version = host::kDrawArtVersion;
  d.flags = 15;
  d.output = host::kDrawArtToPort;
  d.origin = {20, 380};  // the red square's top-left corner
  d.matrix = {2, 0, 0, 2, 0, 0};
  d.art = ArtNamed("red-square");
  d.greekThreshold = 10;
  d.port = reinterpret_cast<host::GraphicsPortRef>(port);
  d.portRect = {0, 0, 256, 256};
  const auto& draw = Suite<host::DrawArtSuite>();
  ASSERT_EQ(draw.DrawArt(&d), host::kNoErr);
  EXPECT_EQ(image.Pixel(100, 80), 0xFF0000u);   // 50, 40 points in: red
  EXPECT_EQ(image.Pixel(2, 80), 0x0000FFu);     // the stroke on the left edge
  EXPECT_EQ(image.Pixel(230, 80), 0xFFFFFFu);   // right of the square: nothing
  EXPECT_EQ(image.Pixel(100, 250), 0xFFFFFFu);  // below it: the gradient beside is not drawn

  // Small text is greeked into grey bars at this threshold.
  hostsim::Bitmap text(256, 256, 0xFFFFFF);
  d.port = reinterpret_cast<host::GraphicsPortRef>(
      host().desktop().BitmapContext(&text, {0, 0}, {0, 0, 256, 256}));
  d.art = ArtNamed("text");
  d.origin = {300, 250};
  d.matrix = {0.25f, 0, 0, 0.25f, 0, 0};
  d.greekThreshold = 10;
  ASSERT_EQ(draw.DrawArt(&d), host::kNoErr);
  int grey = 0, black = 0;
  for (std::uint32_t p : text.Pixels()) {
    if (p == 0x999999) ++grey;
    if (p == 0) ++black;
  }
  EXPECT_GT(grey, 10);
  EXPECT_EQ(black, 0);

  d.version = 4;
  EXPECT_EQ(draw.DrawArt(&d), host::kBadParameterErr);
  d.version = host::kDrawArtVersion;
  d.port = nullptr;
  EXPECT_EQ(draw.DrawArt(&d), host::kBadParameterErr);
}

using RenderFitTest = DocumentTest;

TEST_F(RenderFitTest, ArtFarApartIsDrawnWholeAtASmallerScale) {
  // Two red squares 64000 points apart: at one pixel a point the picture would be far
  // beyond its largest size.
  for (auto [x, y] : {std::pair{-31000.0f, 0.0f}, {32900.0f, 9000.0f}}) {
    hostsim::Art* path = doc().Create(host::kPathArt);
    ASSERT_EQ(doc().Insert(path, host::kPlaceAboveAll, nullptr), host::kNoErr);
    path->segments = {Corner(x, y), Corner(x + 100, y), Corner(x + 100, y + 100),
                      Corner(x, y + 100)};
    path->closed = true;
    path->style.fillPaint = 1;
    path->style.fill.color.kind = host::kRgbColor;
    path->style.fill.color.c.rgb = {1, 0, 0};
  }
  const std::unique_ptr<hostsim::Bitmap> picture = hostsim::RenderDocument(doc(), {});
  // The area (64020 x 9120 points with the margins) at 8192 / 64020 pixels a point.
  ASSERT_EQ(picture->width(), 8192);
  ASSERT_EQ(picture->height(), 1167);  // 9120 x 8192 / 64020, rounded up
  const double scale = 8192.0 / 64020;
  auto pixelOf = [&](double x, double y) {
    return picture->Pixel(static_cast<int>((x + 31010) * scale),
                          static_cast<int>((9110 - y) * scale));
  };
  EXPECT_EQ(pixelOf(-30950, 50), 0xFF0000u);
  EXPECT_EQ(pixelOf(32950, 9050), 0xFF0000u);
  EXPECT_EQ(pixelOf(0, 4500), 0xFFFFFFu);

  // An area without finite bounds is refused, not drawn empty.
  hostsim::RenderOptions options;
  options.area = host::RealRect{0, std::numeric_limits<float>::infinity(), 100, 0};
  std::string error;
  EXPECT_FALSE(
      hostsim::RenderDocumentToFile(doc(), (drive_.path() / "x.png").string(), options, &error));
  EXPECT_NE(error.find("finite"), std::string::npos) << error;
}

TEST_F(RenderFitTest, PageHoldsMiterTipsAndSquareCaps) {
  // Width 4. The polyline turns back at (100, 10) with 5.7 degrees between its arms on
  // either side: its miter is 10.05 widths long, its tip at x 120.1. A diagonal line's
  // square cap reaches half the width along and across it: x 30 + 2 * 1.414.
  struct Case {
    const char* what;
    std::vector<std::pair<float, float>> points;
    int cap, join;
    float limit;
    double right;  // the page's right edge, without margin
  } cases[] = {
      {"miter within its limit", {{0, 0}, {100, 10}, {0, 20}}, 0, 0, 20, 120.1},
      {"miter over its limit: bevel", {{0, 0}, {100, 10}, {0, 20}}, 0, 0, 4, 102},
      {"round join", {{0, 0}, {100, 10}, {0, 20}}, 0, 1, 20, 102},
      {"square cap", {{0, 0}, {30, 30}}, 2, 1, 4, 32.83},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    hostsim::Art* path = doc().Create(host::kPathArt);
    ASSERT_EQ(doc().Insert(path, host::kPlaceAboveAll, nullptr), host::kNoErr);
    for (auto [x, y] : c.points)
      path->segments.push_back(Corner(x, y));
    path->style.strokePaint = 1;
    path->style.stroke.color.kind = host::kRgbColor;
    path->style.stroke.width = 4;
    path->style.stroke.cap = c.cap;
    path->style.stroke.join = c.join;
    path->style.stroke.miterLimit = c.limit;
    const host::RealRect area = hostsim::DocumentArea(doc(), 0);
    EXPECT_NEAR(area.right, c.right, 0.05);
    // The editable SVG's page (its viewBox) in whole points around it.
    const hostsim::SvgPage page = hostsim::SvgPageAround(doc(), 0, false);
    EXPECT_EQ(page.left + page.width, std::ceil(c.right));
    doc().Dispose(path);
  }
}

}  // namespace
}  // namespace velmtest
