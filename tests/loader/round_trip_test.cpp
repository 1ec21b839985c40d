// The round trip: art captured, stored in a group file, read back and placed at the
// capture origin with origin mode 2 equals the original, in structure and in pictures,
// and one undo takes it away again.
#include <gtest/gtest.h>

#include "hostsim/scene.h"
#include "tests/loader/art_compare.h"
#include "tests/loader/loader_fixture.h"

namespace velmtest {
namespace {

namespace sc = hostsim::scene;

TEST_F(LoaderTest, TheReferenceSceneComesBackWhole) {
  ASSERT_TRUE(OpenFile(std::string(VELM_TEST_DATA) + "/scenes/reference.json"));
  RoundTrip(CapturableArt());
}

// The comparison itself sees what a placement could get wrong.
TEST_F(LoaderTest, TheComparisonSeesEveryKindOfDifference) {
  ASSERT_TRUE(OpenFile(std::string(VELM_TEST_DATA) + "/scenes/reference.json"));
  auto check = [&](const char* id, auto change) {
    SCOPED_TRACE(id);
    hostsim::Art* original = doc().FindById(id);
    ASSERT_NE(original, nullptr);
    hostsim::Art* copy = doc().Copy(original);
    EXPECT_EQ(CompareArt(doc(), original, copy), "");
    change(copy);
    EXPECT_NE(CompareArt(doc(), original, copy), "");
  };
  check("red-square", [](hostsim::Art* a) { a->segments[2].anchor.h += 0.01f; });
  check("red-square", [](hostsim::Art* a) { a->style.stroke.width = 5; });
  check("half-blue", [](hostsim::Art* a) { a->blend.opacity = 0.75f; });
  check("linear-gradient", [](hostsim::Art* a) { a->style.fill.color.c.gradient.matrix.ty += 1; });
  check("clip-group", [](hostsim::Art* a) { a->clipped = false; });
  check("donut", [](hostsim::Art* a) { a->children.pop_back(); });
  check("text", [](hostsim::Art* a) { a->text.bytes[0] = 'x'; });
  check("text", [](hostsim::Art* a) { a->text.sets[0].character.tracking = 10; });
  check("raster", [](hostsim::Art* a) { a->raster.pixels[5] ^= 1; });
  check("mesh", [](hostsim::Art* a) { a->mesh.nodes[3].color.c.rgb.green = 0.5f; });
  check("mesh", [](hostsim::Art* a) { a->mesh.iEdges[0].control[1].v += 1; });
  // A pattern fill compares by the art of a rebuilt pattern, wherever that art lies.
  hostsim::Art* filled = doc().FindById("pattern-fill");
  hostsim::Art* copy = doc().Copy(filled);
  hostsim::Pattern* rebuilt = doc().NewPattern();
  rebuilt->art = doc().Copy(doc().PatternFrom(filled->style.fill.color.c.pattern.pattern)->art);
  copy->style.fill.color.c.pattern.pattern = reinterpret_cast<host::PatternHandle>(rebuilt);
  EXPECT_NE(CompareArt(doc(), filled, filled), "");  // not rebuilt at all
  hostsim::TransformArtGeometry(rebuilt->art, {1, 0, 0, 1, 30, 40}, 1, host::kTransformObjects);
  EXPECT_EQ(CompareArt(doc(), filled, copy), "");
  rebuilt->art->children[1]->style.fill.color.c.rgb.red = 0.5f;
  EXPECT_NE(CompareArt(doc(), filled, copy), "");
}

}  // namespace
}  // namespace velmtest
