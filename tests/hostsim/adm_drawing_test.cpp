// Offscreen images and drawers as the thumbnail uses them: an image drawn into through its
// drawer (fill, art through the drawer's port), then copied onto a memory bitmap through
// a drawer made on a platform context.
#include "hostsim/desktop/adm_drawing.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

namespace sc = hostsim::scene;

using AdmDrawingTest = DocumentTest;

TEST_F(AdmDrawingTest, AnImageIsDrawnIntoAndCopiedOut) {
  std::string error;
  ASSERT_TRUE(hostsim::OpenScene(
      host(), sc::Scene().Layer("L", {sc::Rect(0, 0, 10, 10).Id("sq").Fill("#ff0000")}).json(),
      &error))
      << error;
  const auto& images = Suite<host::AdmImageSuite>();
  const auto& drawers = Suite<host::AdmDrawerSuite>();
  const host::ImageRef image = images.Create(40, 20);
  ASSERT_NE(image, nullptr);
  const host::DrawerRef drawer = images.BeginDrawer(image);
  ASSERT_NE(drawer, nullptr);
  EXPECT_EQ(images.BeginDrawer(image), nullptr);  // one drawer at a time
  const host::AdmRgbColor white{65535, 65535, 65535};
  drawers.SetRGBColor(drawer, &white);
  const host::Rect all{0, 0, 40, 20};
  drawers.FillRect(drawer, &all);
  // The red square, 1 pixel a point, its top-left corner at (5, 5).
  host::DrawArtData d{};
  d.version = host::kDrawArtVersion;
  d.output = host::kDrawArtToPort;
  d.origin = {-5, 15};
  d.matrix = {1, 0, 0, 1, 0, 0};
  d.art = ArtNamed("sq");
  d.port = drawers.GetGraphicsPort(drawer);
  d.portRect = all;
  ASSERT_EQ(Suite<host::DrawArtSuite>().DrawArt(&d), host::kNoErr);
  images.EndDrawer(image);

  // Onto a memory bitmap through a drawer on its context, the image at (2, 1).
  hostsim::Desktop& desktop = host().desktop();
  hostsim::DeviceContext* memory = desktop.MemoryContext();
  hostsim::GdiObject* bitmap = desktop.NewBitmap(50, 30);
  desktop.Select(memory, bitmap);
  const host::Rect bounds{0, 0, 50, 30};
  const host::DrawerRef onMemory = drawers.Create(memory, &bounds);
  ASSERT_NE(onMemory, nullptr);
  const host::Point corner{2, 1};
  drawers.DrawImage(onMemory, image, &corner);
  std::uint32_t p = 0;
  ASSERT_TRUE(desktop.GetPixel(memory, 2 + 10, 1 + 10, &p));
  EXPECT_EQ(p, 0xFF0000u);  // inside the square
  ASSERT_TRUE(desktop.GetPixel(memory, 2 + 2, 1 + 2, &p));
  EXPECT_EQ(p, 0xFFFFFFu);  // the white around it
  ASSERT_TRUE(desktop.GetPixel(memory, 45, 25, &p));
  EXPECT_EQ(p, 0x000000u);  // beyond the image: the bitmap as it was
  // Lines include both ends; rectangles are drawn inside.
  drawers.SetColor(onMemory, host::kAdmTextColor);
  const host::Point a{0, 29}, b{3, 29};
  drawers.DrawLine(onMemory, &a, &b);
  ASSERT_TRUE(desktop.GetPixel(memory, 3, 29, &p));
  EXPECT_EQ(p, 0x000000u);
  EXPECT_GT(drawers.GetTextWidth(onMemory, hostsim::ToSjis("新規").c_str()), 20);
  // The dialog font is proportional (IPA P-Gothic for "ＭＳ Ｐゴシック").
  EXPECT_LT(drawers.GetTextWidth(onMemory, "iiii") + 8, drawers.GetTextWidth(onMemory, "MMMM"));

  drawers.Destroy(onMemory);
  images.Destroy(image);
  desktop.DeleteContext(memory);
  EXPECT_EQ(hostsim::liveDrawers(), 0u);
  EXPECT_EQ(hostsim::liveImages(), 0u);
  EXPECT_EQ(images.Create(0, 5), nullptr);
  host().suites().FailOperation(host::AdmImageSuite::kName, "Create", host::kHostFailureErr);
  EXPECT_EQ(images.Create(5, 5), nullptr);
}

}  // namespace
}  // namespace velmtest
