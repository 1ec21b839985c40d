// Reading what newer editors write: auto radii, focal radii, user-space percentages of the
// viewport a gradient is used in, documents that declare entities, and fill and stroke
// opacities kept apart (also through a write and a read back).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "hostsim/scene.h"
#include "hostsim/svg.h"
#include "hostsim/svg_writer.h"

namespace {

using nlohmann::json;
const std::string kRoot =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200pt\" height=\"100pt\" "
    "viewBox=\"0 0 200 100\">";

hostsim::SvgDocument ReadText(const std::string& text) {
  hostsim::SvgDocument doc;
  std::string error;
  EXPECT_TRUE(hostsim::ReadSvgText(text, "t.svg", &doc, &error)) << error;
  EXPECT_NE(hostsim::ReadScene(doc.scene, "t.svg", &error), nullptr) << error;
  return doc;
}
hostsim::SvgDocument Read(const std::string& body) {
  return ReadText(kRoot + body + "</svg>");
}
const json& Layer(const hostsim::SvgDocument& d) {
  return d.scene["layers"][0]["art"];
}
double Opacity(const json& art) {
  return art.contains("blend") ? art["blend"].value("opacity", 1.0) : 1.0;
}

TEST(SvgReaderSvg2, FillAndStrokeOpacitiesStayApartThroughAWriteAndARead) {
  struct Case {
    std::string attrs;
    bool split;                  // one object each for fill and stroke
    double fill, stroke, whole;  // opacities: of each part, of the whole
  } cases[] = {
      {"fill-opacity='.5' stroke-opacity='.5'", true, .5, .5, 1},
      {"fill-opacity='.25' stroke-opacity='.5' opacity='.5'", true, .25, .5, .5},
      {"stroke-opacity='.5'", true, 1, .5, 1},
      {"opacity='.5'", false, 1, 1, .5},
  };
  for (const Case& c : cases) {
    const auto read = Read(
        "<rect x='10' y='10' width='20' height='20' fill='red' stroke='blue' "
        "stroke-width='4' " +
        c.attrs + "/>");
    std::string error;
    auto document = hostsim::ReadScene(read.scene, "t.svg", &error);
    ASSERT_TRUE(document) << error;
    const auto back = ReadText(hostsim::WriteSvg(*document));
    for (const json* art : {&Layer(read)[0], &Layer(back)[0]}) {
      EXPECT_EQ(Opacity(*art), c.whole) << c.attrs;
      EXPECT_EQ(art->contains("children"), c.split) << c.attrs;
      if (!c.split) continue;
      ASSERT_EQ((*art)["children"].size(), 2u) << c.attrs;
      const json& stroke = (*art)["children"][0];
      const json& fill = (*art)["children"][1];
      EXPECT_EQ(stroke["fill"], nullptr);
      EXPECT_FALSE(fill.contains("stroke"));
      EXPECT_EQ(Opacity(fill), c.fill) << c.attrs;
      EXPECT_EQ(Opacity(stroke), c.stroke) << c.attrs;
    }
  }
}

}  // namespace
