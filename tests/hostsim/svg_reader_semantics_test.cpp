// What SVG means, read into the host's document: lengths in every unit and place, the
// order in which transforms join through nested groups and uses, rotation and scaling
// about a centre, which properties inherit, and how a viewBox maps onto the page. Each
// case states the geometry or paint SVG gives, worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"

namespace {

using nlohmann::json;

// A 200 x 100 pt page whose user unit is one point: artwork (x, 100 - y) is SVG's (x, y).
const std::string kRoot =
    "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
    "width='200pt' height='100pt' viewBox='0 0 200 100'>";

json Art(const std::string& text) {
  hostsim::SvgDocument doc;
  std::string error;
  EXPECT_TRUE(hostsim::ReadSvgText(text, "t.svg", &doc, &error)) << error;
  return doc.scene["layers"][0]["art"];
}

// The first object of `type` at or below `art`, depth first.
const json* First(const json& art, const std::string& type) {
  if (art.is_array()) {
    for (const json& a : art)
      if (const json* found = First(a, type)) return found;
    return nullptr;
  }
  if (art.value("type", "") == type) return &art;
  return art.contains("children") ? First(art["children"], type) : nullptr;
}

// The first path's anchor points.
std::vector<std::pair<double, double>> Points(const std::string& text) {
  std::vector<std::pair<double, double>> points;
  const json art = Art(text);
  if (const json* path = First(art, "path"))
    for (const json& p : (*path)["points"])
      points.emplace_back(p[0].get<double>(), p[1].get<double>());
  return points;
}

void ExpectNear(const std::vector<std::pair<double, double>>& got,
                const std::vector<std::pair<double, double>>& want, const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].first, want[i].first, 1e-3) << what << ", point " << i;
    EXPECT_NEAR(got[i].second, want[i].second, 1e-3) << what << ", point " << i;
  }
}

double Opacity(const json& art) {
  return art.contains("blend") ? art["blend"].value("opacity", 1.0) : 1.0;
}

TEST(SvgReaderSemantics, LengthsInEveryUnitAndPlace) {
  // 1in = 96 user units = 72pt = 6pc = 25.4mm = 2.54cm; % of the viewport's side (of its
  // normalised diagonal for what is neither); em of the font size (16 unless given).
  const struct {
    std::string unit;
    double width;
  } kWidths[] = {{"96", 96},  {"96px", 96},   {"1in", 96},    {"72pt", 96},
                 {"6pc", 96}, {"25.4mm", 96}, {"2.54cm", 96}, {"10%", 20},
                 {"2em", 32}, {"1E2", 100},   {".5in", 48}};
  for (const auto& c : kWidths) {
    const auto points = Points(kRoot + "<rect width='" + c.unit + "' height='10'/></svg>");
    ASSERT_EQ(points.size(), 4u) << c.unit;
    EXPECT_NEAR(points[1].first - points[0].first, c.width, 1e-3) << c.unit;
  }
  // The height's percentage is of the viewport's height; a stroke width and a font size
  // take units as lengths do.
  const auto tall = Points(kRoot + "<rect width='10' height='50%'/></svg>");
  ASSERT_EQ(tall.size(), 4u);
  EXPECT_NEAR(tall[0].second - tall[2].second, 50, 1e-3);
  const json stroked = Art(kRoot +
                           "<rect width='9' height='9' stroke='red' stroke-width='1mm'/>"
                           "<text font-size='12pt'>A</text></svg>");
  EXPECT_NEAR((*First(stroked, "path"))["stroke"]["width"].get<double>(), 96 / 25.4, 1e-6);
  EXPECT_NEAR((*First(stroked, "text"))["runs"][0]["size"].get<double>(), 16, 1e-6);
}

TEST(SvgReaderSemantics, TransformsJoinFromTheOutsideIn) {
  const struct {
    std::string what, body;
    std::vector<std::pair<double, double>> points;  // artwork, y up
  } kCases[] = {
      // The element's own transform applies first, then its parents', outermost last:
      // (1,0) rotated 90° is (0,1), scaled (0,2), moved (10,2).
      {"nested groups",
       "<g transform='translate(10 0)'><g transform='scale(2)'><path d='M1 0L2 0' "
       "transform='rotate(90)'/></g></g>",
       {{10, 98}, {10, 96}}},
      // In a list the rightmost applies first: scale then move, and move then scale.
      {"a list", "<path d='M1 1L2 1' transform='translate(10 0) scale(2)'/>", {{12, 98}, {14, 98}}},
      {"the list reversed",
       "<path d='M1 1L2 1' transform='scale(2) translate(10 0)'/>",
       {{22, 98}, {24, 98}}},
      // A use's x and y move after its own transform: scale(2) of (p + (5, 0)).
      {"a use",
       "<defs><path id='p' d='M1 1L2 1'/></defs><use xlink:href='#p' x='5' "
       "transform='scale(2)'/>",
       {{12, 98}, {14, 98}}},
      // About a centre: (20,10) turned 90° about (10,10) lands on (10,20).
      {"rotation about a centre",
       "<path d='M20 10L10 10' transform='rotate(90 10 10)'/>",
       {{10, 80}, {10, 90}}},
      {"rotation about a centre, commas",
       "<path d='M20 10L10 10' transform='rotate(-90,10,10)'/>",
       {{10, 100}, {10, 90}}},
      // Scaling about (50,50): translate there, scale, translate back.
      {"scaling about a centre",
       "<path d='M60 50L50 50' transform='translate(50 50) scale(3) translate(-50 -50)'/>",
       {{80, 50}, {50, 50}}},
      {"a skew", "<path d='M0 10L0 0' transform='skewX(45)'/>", {{10, 90}, {0, 100}}},
      {"a matrix", "<path d='M1 1L2 1' transform='matrix(1 0 0 1 5 6)'/>", {{6, 93}, {7, 93}}},
  };
  for (const auto& c : kCases)
    ExpectNear(Points(kRoot + c.body + "</svg>"), c.points, c.what);
}

TEST(SvgReaderSemantics, WhatInheritsAndWhatDoesNot) {
  // opacity belongs to the group (its art is drawn together, then faded): not inherited.
  const json faded = Art(kRoot + "<g opacity='.5'><rect width='9' height='9'/></g></svg>");
  ASSERT_EQ(faded.size(), 1u);
  EXPECT_DOUBLE_EQ(Opacity(faded[0]), .5);
  EXPECT_DOUBLE_EQ(Opacity(*First(faded, "path")), 1.0);
  // fill, fill-opacity and stroke-width inherit; a child's own value wins.
  const json inherited =
      Art(kRoot +
          "<g fill='#00ff00' fill-opacity='.25' stroke='#0000ff' "
          "stroke-width='4'><rect width='9' height='9' stroke='none'/>"
          "<rect width='9' height='9' fill='#ff0000' fill-opacity='1'/></g></svg>");
  ASSERT_TRUE(inherited[0].contains("children"));
  const json& first = inherited[0]["children"].back();  // topmost first: the second is first
  EXPECT_EQ(first.value("fill", ""), "#00ff00") << first.dump();
  EXPECT_FALSE(first.contains("stroke")) << first.dump();
  EXPECT_DOUBLE_EQ(Opacity(first), .25) << first.dump();
  const json* second = First(inherited[0]["children"][0], "path");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->value("fill", ""), "#ff0000") << second->dump();
  EXPECT_DOUBLE_EQ((*second)["stroke"]["width"].get<double>(), 4) << second->dump();
  // display is not inherited but hides the whole subtree; visibility inherits and a
  // child may show itself again.
  EXPECT_EQ(First(Art(kRoot + "<g display='none'><rect width='9' height='9' display='inline'/>"
                              "</g></svg>"),
                  "path"),
            nullptr);
  const auto visible = Points(kRoot +
                              "<g visibility='hidden'><rect width='9' height='9'/><rect x='20' "
                              "width='9' height='9' visibility='visible'/></g></svg>");
  ASSERT_FALSE(visible.empty());
  EXPECT_NEAR(visible[0].first, 20, 1e-9) << "the hidden one is not drawn";
}

TEST(SvgReaderSemantics, TheViewBoxMapsOntoThePage) {
  const struct {
    std::string root;
    std::vector<std::pair<double, double>> points;
  } kCases[] = {
      // 100 x 50 units on 200 x 100 pt: each unit two points.
      {"width='200pt' height='100pt' viewBox='0 0 100 50'", {{20, 80}, {40, 80}}},
      // A viewBox that does not start at 0: its corner is the page's.
      {"width='200pt' height='100pt' viewBox='10 10 200 100'", {{0, 100}, {10, 100}}},
      // meet, centred: 100 x 100 units in 200 x 100 pt scale by 1 and sit 50 pt in.
      {"width='200pt' height='100pt' viewBox='0 0 100 100'", {{60, 90}, {70, 90}}},
      {"width='200pt' height='100pt' viewBox='0 0 100 100' preserveAspectRatio='xMinYMin'",
       {{10, 90}, {20, 90}}},
      // slice: scaled to cover (by 2), centred, the rest cut off.
      {"width='200pt' height='100pt' viewBox='0 0 100 100' preserveAspectRatio='xMidYMid slice'",
       {{20, 130}, {40, 130}}},
      {"width='200pt' height='100pt' viewBox='0 0 100 100' preserveAspectRatio='none'",
       {{20, 90}, {40, 90}}},
      // Without a viewBox, one unit is one CSS pixel (0.75 pt): the page is 150 x 75 pt.
      {"width='200' height='100'", {{7.5, 67.5}, {15, 67.5}}},
  };
  for (const auto& c : kCases) {
    const std::string text =
        "<svg xmlns='http://www.w3.org/2000/svg' " + c.root + "><path d='M10 10L20 10'/></svg>";
    ExpectNear(Points(text), c.points, c.root);
  }
}

}  // namespace
