// Reading an editor's layers (groups of the root marked inkscape:groupmode="layer") as the
// host's layers, locked and hidden as the file says, and writing them back.
#include <gtest/gtest.h>

#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"
#include "hostsim/svg/svg_writer.h"

namespace {

using nlohmann::json;

// Each layer of `scene` as name, locked, visible and the number of its art objects.
json Summary(const json& scene) {
  json out = json::array();
  for (const json& l : scene["layers"])
    out.push_back({l["name"], l.value("locked", false), l.value("visible", true), l["art"].size()});
  return out;
}

TEST(SvgReaderLayers, AnEditorsLayersAreTheHostsLayersAndComeBackFromTheWriter) {
  const std::string svg =
      "<svg xmlns='http://www.w3.org/2000/svg' "
      "xmlns:inkscape='http://www.inkscape.org/namespaces/inkscape' "
      "xmlns:sodipodi='http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd' width='100pt' "
      "height='100pt' viewBox='0 0 100 100'><sodipodi:namedview/>"
      "<g inkscape:groupmode='layer' inkscape:label='Background' sodipodi:insensitive='true'>"
      "<rect width='100' height='100' fill='#eeeeee'/></g>"
      "<rect x='1' width='2' height='2'/>"
      "<g inkscape:groupmode='layer' id='layer2' style='display:none'>"
      "<circle cx='50' cy='50' r='5'/></g>"
      // A layer with an opacity keeps it on a group; a layer inside a layer stays a group.
      "<g inkscape:groupmode='layer' inkscape:label='Art' opacity='0.5'><circle r='3'/>"
      "<circle r='4'/><g inkscape:groupmode='layer' inkscape:label='Sub'><rect width='1' "
      "height='1'/></g></g>"
      "<g inkscape:groupmode='layer' inkscape:label='Empty'/></svg>";
  hostsim::SvgDocument read;
  std::string error;
  ASSERT_TRUE(hostsim::ReadSvgText(svg, "t.svg", &read, &error)) << error;
  // Topmost first.
  const json expected = json::parse(
      R"([["Empty", false, true, 0], ["Art", false, true, 1], ["layer2", false, false, 1],
          ["Layer 1", false, true, 1], ["Background", true, true, 1]])");
  EXPECT_EQ(Summary(read.scene), expected) << read.scene.dump();
  const json& art = read.scene["layers"][1]["art"][0];
  EXPECT_EQ(art["children"].size(), 3u) << art.dump();
  EXPECT_DOUBLE_EQ(art["blend"]["opacity"].get<double>(), 0.5) << art.dump();

  // Written by this program (its own layer marks) and read again: the same layers.
  auto document = hostsim::ReadScene(read.scene, "t.svg", &error);
  ASSERT_TRUE(document) << error;
  hostsim::SvgDocument again;
  ASSERT_TRUE(hostsim::ReadSvgText(hostsim::WriteSvg(*document), "t.svg", &again, &error)) << error;
  EXPECT_EQ(Summary(again.scene), expected) << again.scene.dump();
}

}  // namespace
