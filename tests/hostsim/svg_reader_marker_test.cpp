// Reading SVG markers: drawn at the vertices of the shape, oriented, scaled and placed as
// SVG says, grouped with the shape, and held to the document's object limit.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"

namespace {

using nlohmann::json;
const std::string kRoot =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200pt\" height=\"100pt\" "
    "viewBox=\"0 0 200 100\">";
// A marker whose content is a line from its reference point one unit along its x axis.
const std::string kArrow =
    "<marker id='m' markerUnits='userSpaceOnUse' overflow='visible' orient='auto'>"
    "<path d='M0 0 L1 0'/></marker>";

hostsim::SvgDocument Read(const std::string& body) {
  hostsim::SvgDocument doc;
  std::string error;
  EXPECT_TRUE(hostsim::ReadSvgText(kRoot + body + "</svg>", "t.svg", &doc, &error)) << error;
  EXPECT_NE(hostsim::ReadScene(doc.scene, "t.svg", &error), nullptr) << error;
  return doc;
}
const json* Path(const json& art) {
  if (!art.contains("children")) return art.value("clip", false) ? nullptr : &art;
  for (const json& child : art["children"])
    if (const json* path = Path(child)) return path;
  return nullptr;
}

// A marker drawn: where its content's line starts (user space, y down), the line's angle
// in degrees and its length.
struct Placed {
  double x, y, degrees, length;
};
// The markers of the first shape in drawing order: the group of the shape (drawn first,
// listed last) and its markers.
std::vector<Placed> Markers(const hostsim::SvgDocument& doc) {
  std::vector<Placed> out;
  const json& top = doc.scene["layers"][0]["art"][0];
  if (top.value("type", "") != "group") return out;
  const json& children = top["children"];
  for (std::size_t i = children.size() - 1; i-- > 0;) {
    const json* p = Path(children[i]);
    if (!p || !p->contains("points")) continue;
    const json& pts = (*p)["points"];
    const double x0 = pts[0][0], y0 = 100 - pts[0][1].get<double>();
    const double x1 = pts[1][0], y1 = 100 - pts[1][1].get<double>();
    out.push_back(
        {x0, y0, std::atan2(y1 - y0, x1 - x0) * 180 / M_PI, std::hypot(x1 - x0, y1 - y0)});
  }
  return out;
}

TEST(SvgReaderMarker, DrawnAtTheVerticesAsTheMarkerSays) {
  struct Case {
    const char* what;
    std::string body;
    std::vector<Placed> expected;
  } cases[] = {
      {"start, mid and end; auto at a corner is the bisector",
       kArrow + "<polyline points='10 10 50 10 50 50' marker-start='url(#m)' "
                "marker-mid='url(#m)' marker-end='url(#m)' fill='none'/>",
       {{10, 10, 0, 1}, {50, 10, 45, 1}, {50, 50, 90, 1}}},
      {"only the end",
       kArrow + "<line x1='10' y1='10' x2='10' y2='60' marker-end='url(#m)'/>",
       {{10, 60, 90, 1}}},
      {"a closed polygon ends at its start, between its last and first sides",
       kArrow + "<polygon points='10 10 50 10 50 50' style='marker: url(#m)'/>",
       {{10, 10, -67.5, 1}, {50, 10, 45, 1}, {50, 50, 180 - 22.5, 1}, {10, 10, -67.5, 1}}},
      {"a curve's direction is its handle's",
       kArrow + "<path d='M10 10 C10 50 50 50 50 10' marker-start='url(#m)' fill='none'/>",
       {{10, 10, 90, 1}}},
      {"auto-start-reverse turns the start only",
       "<marker id='r' markerUnits='userSpaceOnUse' overflow='visible' "
       "orient='auto-start-reverse'><path d='M0 0 L1 0'/></marker>"
       "<polyline points='10 10 50 10' marker-start='url(#r)' marker-end='url(#r)'/>",
       {{10, 10, 180, 1}, {50, 10, 0, 1}}},
      {"a fixed angle, and none without orient",
       "<marker id='a' markerUnits='userSpaceOnUse' overflow='visible' orient='30'>"
       "<path d='M0 0 L1 0'/></marker><marker id='z' markerUnits='userSpaceOnUse' "
       "overflow='visible'><path d='M0 0 L1 0'/></marker>"
       "<polyline points='10 10 10 50' marker-start='url(#a)' marker-end='url(#z)'/>",
       {{10, 10, 30, 1}, {10, 50, 0, 1}}},
      {"markerUnits strokeWidth scales by the stroke's width",
       "<marker id='w' overflow='visible'><path d='M0 0 L1 0'/></marker>"
       "<line x1='10' y1='10' x2='50' y2='10' stroke='red' stroke-width='4' "
       "marker-end='url(#w)'/>",
       {{50, 10, 0, 4}}},
      {"the reference point in viewBox units lies on the vertex",
       "<marker id='v' markerUnits='userSpaceOnUse' overflow='visible' viewBox='0 0 10 10' "
       "markerWidth='20' markerHeight='20' refX='5' refY='5'><path d='M5 5 L6 5'/></marker>"
       "<line x1='10' y1='10' x2='50' y2='10' marker-start='url(#v)'/>",
       {{10, 10, 0, 2}}},
      {"the shorthand in a style sheet",
       "<style>polyline { marker: url(#m) }</style>" + kArrow +
           "<polyline points='10 10 50 10 90 10'/>",
       {{10, 10, 0, 1}, {50, 10, 0, 1}, {90, 10, 0, 1}}},
      {"hidden content draws nothing",
       "<marker id='h' overflow='visible'><path d='M0 0 L1 0' display='none'/></marker>"
       "<polyline points='10 10 50 10' marker-start='url(#h)'/>",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const hostsim::SvgDocument doc = Read(c.body);
    EXPECT_EQ(doc.report.dropped.count("marker"), 0u);
    const std::vector<Placed> got = Markers(doc);
    ASSERT_EQ(got.size(), c.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_NEAR(got[i].x, c.expected[i].x, 1e-6);
      EXPECT_NEAR(got[i].y, c.expected[i].y, 1e-6);
      EXPECT_NEAR(std::remainder(got[i].degrees - c.expected[i].degrees, 360), 0, 1e-6);
      EXPECT_NEAR(got[i].length, c.expected[i].length, 1e-6);
    }
  }
}

TEST(SvgReaderMarker, GroupedWithTheShapeAndClippedToItsViewport) {
  const hostsim::SvgDocument doc = Read(
      "<g fill='red'><marker id='m' markerWidth='4' markerHeight='2'>"
      "<rect width='10' height='10'/></marker></g>"
      "<line x1='10' y1='10' x2='50' y2='10' stroke='blue' fill='green' stroke-width='2' "
      "marker-end='url(#m)' opacity='0.5'/>");
  const json& group = doc.scene["layers"][0]["art"][0];
  ASSERT_EQ(group.value("type", ""), "group");
  ASSERT_EQ(group["children"].size(), 2u);
  EXPECT_EQ(group["blend"]["opacity"], 0.5);  // the element's, over both
  const json& line = group["children"][1];
  EXPECT_FALSE(line.contains("blend"));
  const json& clipped = group["children"][0];
  ASSERT_TRUE(clipped.value("clipped", false));
  // The viewport, 4 × 2 stroke widths from the vertex (50, 10).
  const json clip = clipped["children"][0]["points"];
  EXPECT_EQ(clip, json::parse("[[50,90],[58,90],[58,86],[50,86]]"));
  // The content takes its paint from the marker's ancestors.
  EXPECT_EQ(clipped["children"][1]["fill"], "#ff0000");
}

TEST(SvgReaderMarker, PaintOrderSetsWhatLiesOnTop) {
  struct Case {
    std::string order;
    std::vector<std::string> topmostFirst;
  } cases[] = {
      {"normal", {"marker", "shape"}},
      {"markers", {"shape", "marker"}},
      {"stroke", {"marker", "fill", "stroke"}},
      {"fill markers stroke", {"stroke", "marker", "fill"}},
      {"markers stroke", {"fill", "stroke", "marker"}},
      {"fill fill", {"marker", "shape"}},  // not valid: normal
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.order);
    const hostsim::SvgDocument doc = Read(
        "<marker id='m' overflow='visible'><path d='M0 0 L1 0' fill='#ff0000'/></marker>"
        "<g paint-order='" +
        c.order +
        "'><polyline points='10 10 50 10 50 50' fill='#00ff00' stroke='#0000ff' "
        "marker-end='url(#m)'/></g>");
    const json& group = doc.scene["layers"][0]["art"][0]["children"][0];
    std::vector<std::string> got;
    for (const json& a : group["children"])
      got.push_back(a["fill"] == "#ff0000"                           ? "marker"
                    : a["fill"].is_null()                            ? "stroke"
                    : a.contains("stroke") && !a["stroke"].is_null() ? "shape"
                                                                     : "fill");
    EXPECT_EQ(got, c.topmostFirst);
  }
}

TEST(SvgReaderMarker, WhatCannotBeDrawnIsReported) {
  hostsim::SvgDocument doc = Read(kArrow +
                                  "<rect width='10' height='10' marker-start='url(#m)'/>"
                                  "<line x1='1' y1='1' x2='5' y2='5' marker-end='url(#nothing)'/>");
  EXPECT_EQ(doc.report.dropped["marker"], 1);
  ASSERT_EQ(doc.report.notes.size(), 1u);
  EXPECT_NE(doc.report.notes[0].find("marker-end refers to no marker \"#nothing\""),
            std::string::npos);
}

TEST(SvgReaderMarker, ManyVerticesAndALargeMarkerStopAtTheObjectLimit) {
  std::string content, points;
  for (int i = 0; i < 10; ++i)
    content += "<rect width='1' height='1' x='" + std::to_string(i) + "'/>";
  for (int i = 0; i < 6000; ++i)
    points += std::to_string(i % 200) + " " + std::to_string(i / 200) + " ";
  hostsim::SvgDocument doc = Read("<marker id='big'>" + content + "</marker><polyline points='" +
                                  points + "' marker-mid='url(#big)'/>");
  EXPECT_EQ(doc.report.dropped["art over the document's limit"], 1);
  bool noted = false;
  for (const std::string& note : doc.report.notes)
    noted = noted || note.find("more than 50000 objects") != std::string::npos;
  EXPECT_TRUE(noted);
  const json& group = doc.scene["layers"][0]["art"][0];
  EXPECT_LT(group["children"].size(), 6000u);
  EXPECT_GT(group["children"].size(), 4000u);
}

}  // namespace
