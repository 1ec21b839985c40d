// Nested viewports (svg, and symbols drawn through uses): their content clipped to the
// viewport's rectangle as a clipping group, unless it lies inside or overflow is visible.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>

#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"

namespace {

using nlohmann::json;

// Reads `body` inside a root of 200 × 100 points whose user units are points.
json ReadArt(const std::string& body) {
  hostsim::SvgDocument doc;
  std::string error;
  const std::string text =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "width=\"200pt\" height=\"100pt\" viewBox=\"0 0 200 100\">" +
      body + "</svg>";
  EXPECT_TRUE(hostsim::ReadSvgText(text, "t.svg", &doc, &error)) << error;
  EXPECT_NE(hostsim::ReadScene(doc.scene, "t.svg", &error), nullptr) << error;
  return doc.scene["layers"][0]["art"];
}

// The first clipping group at or below `art`.
const json* Clipped(const json& art) {
  if (art.is_object() && art.value("clipped", false)) return &art;
  if (art.is_object() && !art.contains("children")) return nullptr;
  for (const json& child : art.is_array() ? art : art["children"])
    if (const json* c = Clipped(child)) return c;
  return nullptr;
}

// The first opacity at or below `art`.
std::optional<double> Opacity(const json& art) {
  if (art.is_object() && art.contains("blend")) return art["blend"].value("opacity", 1.0);
  if (art.is_object() && !art.contains("children")) return std::nullopt;
  for (const json& child : art.is_array() ? art : art["children"])
    if (auto o = Opacity(child)) return o;
  return std::nullopt;
}

TEST(SvgReaderViewport, ContentIsClippedToTheViewportRectangle) {
  struct Case {
    std::string body;
    std::optional<std::array<double, 4>> clip;  // left, top, right, bottom on the page
    std::optional<double> opacity;
  } cases[] = {
      // 10 units in 20 points: the 100 × 100 rectangle covers 200 points, shows 20.
      {"<svg width='20' height='20' viewBox='0 0 10 10'><rect width='100' height='100'/></svg>",
       std::array<double, 4>{0, 100, 20, 80}, std::nullopt},
      // Slice covers the 40 × 20 viewport with a 40 × 40 square; meet fits 20 × 20 inside.
      {"<svg x='10' y='10' width='40' height='20' viewBox='0 0 10 10' "
       "preserveAspectRatio='xMidYMid slice'><rect width='10' height='10'/></svg>",
       std::array<double, 4>{10, 90, 50, 70}, std::nullopt},
      {"<svg x='10' y='10' width='40' height='20' viewBox='0 0 10 10'>"
       "<rect width='10' height='10'/></svg>",
       std::nullopt, std::nullopt},
      // none stretches the box to fit exactly: nothing outside.
      {"<svg width='40' height='20' viewBox='0 0 10 10' preserveAspectRatio='none'>"
       "<rect width='10' height='10'/></svg>",
       std::nullopt, std::nullopt},
      {"<svg width='20' height='20' overflow='visible'><rect width='100' height='100'/></svg>",
       std::nullopt, std::nullopt},
      {"<svg width='20' height='20' style='overflow: auto'><rect width='100' height='100'/></svg>",
       std::nullopt, std::nullopt},
      {"<svg width='20' height='20' overflow='scroll'><rect width='100' height='100'/></svg>",
       std::array<double, 4>{0, 100, 20, 80}, std::nullopt},
      // A nested svg's own transform moves its viewport with it.
      {"<svg width='20' height='20' transform='translate(50 10)'><rect width='100' "
       "height='100'/></svg>",
       std::array<double, 4>{50, 90, 70, 70}, std::nullopt},
      // A symbol through a use: the use's rectangle, from its x and y.
      {"<symbol id='s' viewBox='0 0 10 10'><circle cx='5' cy='5' r='8'/></symbol>"
       "<use href='#s' x='100' width='40' height='40'/>",
       std::array<double, 4>{100, 100, 140, 60}, std::nullopt},
      {"<symbol id='s' viewBox='0 0 10 10' overflow='visible'><circle cx='5' cy='5' r='8'/>"
       "</symbol><use href='#s' x='100' width='40' height='40'/>",
       std::nullopt, std::nullopt},
      // Opacity applies to the content, clipped or not.
      {"<svg width='20' height='20' opacity='0.5'><rect width='100' height='100'/></svg>",
       std::array<double, 4>{0, 100, 20, 80}, 0.5},
      {"<symbol id='s' opacity='0.25'><rect width='10' height='10'/></symbol>"
       "<use href='#s' width='20' height='20'/>",
       std::nullopt, 0.25},
      // Wholly inside: no clipping group; a stroke reaching past the edge is clipped.
      {"<svg width='20' height='20' viewBox='0 0 10 10'><rect x='1' y='1' width='8' "
       "height='8' stroke='red' stroke-width='.25'/><path d='M2 2 Q5 0 8 2'/></svg>",
       std::nullopt, std::nullopt},
      {"<svg width='20' height='20' viewBox='0 0 10 10'><rect width='10' height='10' "
       "stroke='red'/></svg>",
       std::array<double, 4>{0, 100, 20, 80}, std::nullopt},
  };
  for (const Case& c : cases) {
    const json art = ReadArt(c.body);
    ASSERT_EQ(art.size(), 1u) << c.body;
    EXPECT_EQ(Opacity(art), c.opacity) << c.body;
    const json* clipped = Clipped(art);
    ASSERT_EQ(clipped != nullptr, c.clip.has_value()) << c.body << "\n" << art.dump();
    if (!clipped) continue;
    ASSERT_EQ((*clipped)["children"].size(), 2u) << c.body;
    const json& clip = (*clipped)["children"][0];
    EXPECT_TRUE(clip.value("clip", false)) << c.body;
    ASSERT_EQ(clip["points"].size(), 4u) << c.body;
    std::array<double, 4> box = {1e9, -1e9, -1e9, 1e9};
    for (const json& p : clip["points"]) {
      box[0] = std::min(box[0], p[0].get<double>());
      box[1] = std::max(box[1], p[1].get<double>());
      box[2] = std::max(box[2], p[0].get<double>());
      box[3] = std::min(box[3], p[1].get<double>());
    }
    for (int i = 0; i < 4; ++i)
      EXPECT_NEAR(box[i], (*c.clip)[i], 1e-9) << c.body << " side " << i;
  }
}

}  // namespace
