// Reading SVG documents into scenes: geometry, units, paint, structure, symbols, private keys.
#include <gtest/gtest.h>

#include <cmath>

#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"

namespace {

using nlohmann::json;

// Reads `body` inside a root of 200 × 100 points whose user units are points.
hostsim::SvgDocument Read(const std::string& body, const std::string& root =
                                                       "width=\"200pt\" height=\"100pt\" "
                                                       "viewBox=\"0 0 200 100\"") {
  hostsim::SvgDocument doc;
  std::string error;
  const std::string text =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" "
      "xmlns:xlink=\"http://www.w3.org/1999/xlink\" " +
      root + ">" + body + "</svg>";
  EXPECT_TRUE(hostsim::ReadSvgText(text, "t.svg", &doc, &error)) << error;
  // Whatever is read is a scene the host opens.
  EXPECT_NE(hostsim::ReadScene(doc.scene, "t.svg", &error), nullptr) << error << "\n"
                                                                     << doc.scene.dump();
  return doc;
}

const json& Art(const hostsim::SvgDocument& d, std::size_t i = 0) {
  return d.scene["layers"][0]["art"][i];
}

// The anchors of a path, from "points" or "segments".
std::vector<std::pair<double, double>> Anchors(const json& path) {
  std::vector<std::pair<double, double>> out;
  if (path.contains("points"))
    for (const auto& p : path["points"])
      out.emplace_back(p[0], p[1]);
  else
    for (const auto& s : path["segments"])
      out.emplace_back(s["anchor"][0], s["anchor"][1]);
  return out;
}

TEST(SvgReader, UnitsMapTheViewBoxOntoTheArtboardWithYUp) {
  struct Case {
    std::string root;
    double x, y;  // the artwork point of user point (10, 20)
  } cases[] = {
      {"width=\"200pt\" height=\"100pt\" viewBox=\"0 0 200 100\"", 10, 80},  // exactly 1.0
      {"width=\"200\" height=\"100\"", 7.5, 60},                             // px: 0.75 pt
      {"width=\"2in\" height=\"1in\" viewBox=\"0 0 20 10\"", 72, -72},       // 7.2 pt a unit
      {"width=\"50.8mm\" height=\"25.4mm\" viewBox=\"0 0 144 72\"", 10, 52},
      {"width=\"12pc\" height=\"6pc\" viewBox=\"0 0 144 72\"", 10, 52},
      // Meet: the 10 × 10 box centred in 200 × 100 at scale 10.
      {"width=\"200pt\" height=\"100pt\" viewBox=\"0 0 10 10\"", 150, -100},
      {"width=\"200pt\" height=\"100pt\" viewBox=\"0 0 10 10\" "
       "preserveAspectRatio=\"xMinYMin meet\"",
       100, -100},
      {"width=\"200pt\" height=\"100pt\" viewBox=\"0 0 10 10\" preserveAspectRatio=\"none\"", 200,
       -100},
  };
  for (const Case& c : cases) {
    const auto doc = Read("<path d=\"M10 20 L 0 0\"/>", c.root);
    const auto a = Anchors(Art(doc));
    ASSERT_EQ(a.size(), 2u) << c.root;
    EXPECT_NEAR(a[0].first, c.x, 1e-9) << c.root;
    EXPECT_NEAR(a[0].second, c.y, 1e-9) << c.root;
  }
}

TEST(SvgReader, ScaleOneMapsExactly) {
  const auto doc = Read("<rect x=\"0.1\" y=\"0.3\" width=\"33.3\" height=\"7.7\"/>");
  const auto a = Anchors(Art(doc));
  EXPECT_EQ(a[0].first, 0.1);
  EXPECT_EQ(a[0].second, 100 - 0.3);
}

TEST(SvgReader, TransformsNestAndApplyToGeometryAndStrokeWidth) {
  // translate(100,0) scale(2) then the use's x: user (1, 2) → (100 + 2 * (1 + 5), 4).
  const auto doc = Read(
      "<defs><path id=\"p\" d=\"M1 2 h1\" stroke=\"red\" stroke-width=\"3\"/></defs>"
      "<g transform=\"translate(100,0) scale(2)\"><use xlink:href=\"#p\" x=\"5\"/></g>");
  const json& path = Art(doc)["children"][0]["children"][0];
  EXPECT_EQ(path["id"], "p");  // the element's id names its art
  const auto a = Anchors(path);
  EXPECT_DOUBLE_EQ(a[0].first, 112);
  EXPECT_DOUBLE_EQ(a[0].second, 96);
  EXPECT_DOUBLE_EQ(a[1].first, 114);
  EXPECT_DOUBLE_EQ(path["stroke"]["width"].get<double>(), 6);
  EXPECT_EQ(path["stroke"]["color"], "#ff0000");
}

TEST(SvgReader, ArcsBecomeCubicsOfAtMostNinetyDegrees) {
  // A half circle of radius 10 about (10, 0), clockwise on the page through (10, -10).
  const auto doc = Read("<path d=\"M0 0 A10 10 0 0 1 20 0\"/>");
  const json& s = Art(doc)["segments"];
  ASSERT_EQ(s.size(), 3u);
  const double k = 10 * 4.0 / 3.0 * std::tan(M_PI / 8);  // the handle of a 90° arc
  EXPECT_NEAR(s[1]["anchor"][0].get<double>(), 10, 1e-9);
  EXPECT_NEAR(s[1]["anchor"][1].get<double>(), 110, 1e-9);
  EXPECT_NEAR(s[0]["out"][1].get<double>(), 100 + k, 1e-9);
  EXPECT_NEAR(s[1]["in"][0].get<double>(), 10 - k, 1e-9);
  EXPECT_FALSE(s[1]["corner"].get<bool>());
  EXPECT_EQ(s[2]["anchor"], json({20.0, 100.0}));
  // Radii too small are scaled up; a full circle by two arcs holds four quarters.
  const auto circle = Read("<path d=\"M0 50 a1 1 0 0 0 100 0 a 50 50 0 1 0 -100 0z\"/>");
  EXPECT_EQ(Art(circle)["segments"].size(), 4u);
}

TEST(SvgReader, PathCommandsAndShapes) {
  // Quadratics become cubics with handles two thirds of the way; relative and smooth forms.
  const auto q = Read("<path d=\"m0 0 q 30 30 60 0 t 60 0\"/>");
  const json& s = Art(q)["segments"];
  ASSERT_EQ(s.size(), 3u);
  EXPECT_NEAR(s[0]["out"][0].get<double>(), 20, 1e-9);
  EXPECT_NEAR(s[0]["out"][1].get<double>(), 80, 1e-9);
  EXPECT_NEAR(s[2]["in"][0].get<double>(), 100, 1e-9);
  EXPECT_NEAR(s[2]["in"][1].get<double>(), 120, 1e-9);  // the reflected control, below
  // Several subpaths are a compound path; closing onto the start merges the anchors.
  const auto c = Read(
      "<path d=\"M0 0 H10 V10 H0 Z M20 20 L30 20 L20 30 L20 20 Z\" "
      "fill-rule=\"evenodd\"/>");
  EXPECT_EQ(Art(c)["type"], "compound");
  EXPECT_EQ(Art(c)["children"][1]["points"].size(), 3u);
  EXPECT_TRUE(Art(c)["evenOdd"].get<bool>());
  struct Shape {
    std::string xml;
    std::size_t anchors;
    bool closed;
  } shapes[] = {
      {"<rect width=\"10\" height=\"5\"/>", 4, true},
      {"<rect width=\"10\" height=\"6\" rx=\"2\"/>", 8, true},
      {"<rect width=\"10\" height=\"4\" rx=\"5\"/>", 4, true},  // rx, ry clamped: a capsule
      {"<circle cx=\"5\" cy=\"5\" r=\"5\"/>", 4, true},
      {"<ellipse cx=\"5\" cy=\"5\" rx=\"5\" ry=\"2\"/>", 4, true},
      {"<line x1=\"0\" y1=\"0\" x2=\"5\" y2=\"5\" stroke=\"#000\"/>", 2, false},
      {"<polyline points=\"0,0 5,5 10,0\"/>", 3, false},
      {"<polygon points=\"0 0 5 5 10 0\"/>", 3, true},
  };
  for (const Shape& sh : shapes) {
    const auto d = Read(sh.xml);
    EXPECT_EQ(Anchors(Art(d)).size(), sh.anchors) << sh.xml;
    EXPECT_EQ(Art(d)["closed"].get<bool>(), sh.closed) << sh.xml;
  }
}

TEST(SvgReader, PaintInEveryColourFormAndOpacity) {
  struct Case {
    std::string attrs;
    json fill;
  } cases[] = {
      {"fill=\"red\"", "#ff0000"},
      {"fill=\"LightGoldenRodYellow\"", "#fafad2"},
      {"fill=\"#0f8\"", "#00ff88"},
      {"fill=\"#1234aB\"", "#1234ab"},
      {"fill=\"rgb(255, 0, 10)\"", "#ff000a"},
      {"fill=\"rgb(100%,50%,0%)\"", "#ff8000"},
      {"color=\"blue\" fill=\"currentColor\"", "#0000ff"},
      {"fill=\"none\" stroke=\"black\"", nullptr},
      {"style=\"fill: #00f\" fill=\"red\"", "#0000ff"},  // the style attribute wins
  };
  for (const Case& c : cases) {
    const auto d = Read("<rect width=\"1\" height=\"1\" " + c.attrs + "/>");
    EXPECT_EQ(Art(d)["fill"], c.fill) << c.attrs;
  }
  // Inherited from a group; opacity times fill-opacity as the art's opacity.
  const auto g = Read(
      "<g fill=\"green\" fill-opacity=\"0.5\"><rect width=\"1\" height=\"1\" "
      "opacity=\"0.5\"/></g>");
  const json& r = Art(g)["children"][0];
  EXPECT_EQ(r["fill"], "#008000");
  EXPECT_DOUBLE_EQ(r["blend"]["opacity"].get<double>(), 0.25);
  // Fill and stroke of different opacities: two objects, the stroke on top.
  const auto split = Read(
      "<rect width=\"1\" height=\"1\" fill=\"red\" fill-opacity=\"0.5\" "
      "stroke=\"blue\" stroke-linecap=\"round\" stroke-linejoin=\"bevel\" "
      "stroke-miterlimit=\"7\" stroke-dasharray=\"1 2 3\" "
      "stroke-dashoffset=\"1\"/>");
  const json& parts = Art(split)["children"];
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0]["fill"], nullptr);
  EXPECT_EQ(parts[0]["stroke"]["cap"], "round");
  EXPECT_EQ(parts[0]["stroke"]["join"], "bevel");
  EXPECT_EQ(parts[0]["stroke"]["miterLimit"], 7.0);
  EXPECT_EQ(parts[0]["stroke"]["dash"], json({1.0, 2.0, 3.0, 1.0, 2.0, 3.0}));
  EXPECT_EQ(parts[0]["stroke"]["dashOffset"], 1.0);
  EXPECT_FALSE(parts[0].contains("blend"));
  EXPECT_FALSE(parts[1].contains("stroke"));
  EXPECT_DOUBLE_EQ(parts[1]["blend"]["opacity"].get<double>(), 0.5);
}

TEST(SvgReader, HiddenArtIsLeftOutAndOrderIsTopmostFirst) {
  const auto d = Read(
      "<rect id=\"bottom\" width=\"1\" height=\"1\"/>"
      "<g display=\"none\"><rect width=\"1\" height=\"1\"/></g>"
      "<g visibility=\"hidden\"><rect width=\"2\" height=\"2\"/>"
      "<rect width=\"3\" height=\"3\" visibility=\"visible\"/></g>"
      "<rect width=\"4\" height=\"4\" fill=\"blue\"/>"
      // Not marked as this program's hidden art or hidden layer: left out as well.
      "<g xmlns:velm=\"urn:x-velm-pro:svg:1\">"
      "<rect display=\"none\" velm:hidden=\"false\" width=\"5\" height=\"5\"/>"
      "<g display=\"none\" velm:layer=\"L\"><rect width=\"6\" height=\"6\"/></g>"
      "<g display=\"none\" velm:visible=\"false\"><rect width=\"7\" height=\"7\"/></g></g>");
  const json& art = d.scene["layers"][0]["art"];
  ASSERT_EQ(art.size(), 3u) << art.dump();
  EXPECT_EQ(art[0]["fill"], "#0000ff");
  EXPECT_EQ(art[1]["children"].size(), 1u);
  EXPECT_EQ(Anchors(art[1]["children"][0])[1].first, 3.0);
}

// A hidden layer among art that is no layer: the one layer holds its group, still hidden.
TEST(SvgReader, AHiddenLayerOutsideTheLayersStaysHidden) {
  const auto d = Read(
      "<g xmlns:velm=\"urn:x-velm-pro:svg:1\" display=\"none\" velm:layer=\"Off\" "
      "velm:visible=\"false\"><rect width=\"1\" height=\"1\"/></g>"
      "<rect width=\"2\" height=\"2\"/>");
  ASSERT_EQ(d.scene["layers"].size(), 1u);
  ASSERT_EQ(d.scene["layers"][0]["art"].size(), 2u);
  EXPECT_FALSE(Art(d, 0).contains("hidden"));
  EXPECT_EQ(Art(d, 1)["type"], "group");
  EXPECT_EQ(Art(d, 1)["hidden"], true);
  EXPECT_EQ(Art(d, 1)["children"].size(), 1u);
}

TEST(SvgReader, SymbolsAreListedWithTitlesAndTheirOwnScenes) {
  const auto d = Read(
      "<title> Set </title><desc>Shapes</desc>"
      "<symbol id=\"a\" viewBox=\"0 0 10 10\"><title>Square 四角</title><desc>d</desc>"
      "<rect x=\"1\" y=\"1\" width=\"2\" height=\"2\" fill=\"red\"/></symbol>"
      "<symbol id=\"b\"><circle r=\"1\"/></symbol><symbol><rect/></symbol>"
      "<use href=\"#a\" x=\"50\" width=\"20\" height=\"20\"/>");
  EXPECT_EQ(d.title, "Set");
  EXPECT_EQ(d.desc, "Shapes");
  ASSERT_EQ(d.symbols.size(), 2u);
  EXPECT_EQ(d.symbols[0].id, "a");
  EXPECT_EQ(d.symbols[0].title, "Square 四角");
  EXPECT_EQ(d.symbols[0].desc, "d");
  EXPECT_TRUE(d.symbolSet);
  // The symbol's art where its content lies, its viewBox left out; selected.
  const json& art = d.symbols[0].scene["layers"][0]["art"][0];
  EXPECT_TRUE(art["selected"].get<bool>());
  EXPECT_EQ(Anchors(art)[0], std::make_pair(1.0, 99.0));
  std::string error;
  EXPECT_NE(hostsim::ReadScene(d.symbols[0].scene, "a", &error), nullptr) << error;
  // Drawn through the use: the viewBox fits 10 units into 20, from x = 50.
  EXPECT_EQ(Anchors(Art(d)["children"][0]["children"][0])[0], std::make_pair(52.0, 98.0));
  // Anything drawn besides uses of symbols: not a symbol set.
  EXPECT_FALSE(Read("<symbol id=\"a\"><rect/></symbol><rect width=\"1\" height=\"1\"/>").symbolSet);
}

TEST(SvgReader, PrivateKeysApplyOnlyWhileTheCheckMatches) {
  // Keys signed as the writer signs them; `fill` then edited as another program would.
  auto doc = [&](const std::string& fill, const std::string& keys) {
    const std::string signedText = hostsim::SignSvgKeys(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200pt\" height=\"100pt\" "
        "viewBox=\"0 0 200 100\"><rect width=\"1\" height=\"1\" fill=\"#ff0000\" "
        "xmlns:velm=\"urn:x-velm-pro:svg:1\" velm:keys='" +
        keys + "' velm:check=\"-\"/></svg>");
    EXPECT_EQ(signedText.find("velm:check=\"-\""), std::string::npos);
    hostsim::SvgDocument d;
    std::string error;
    const std::size_t at = signedText.find("#ff0000");
    EXPECT_TRUE(hostsim::ReadSvgText(signedText.substr(0, at) + fill + signedText.substr(at + 7),
                                     "t.svg", &d, &error))
        << error;
    return d;
  };
  const auto same = doc("#ff0000", R"({"fill": {"cmyk": [0, 1, 1, 0]}})");
  // Drawn twice through uses, an element's id names its first art only.
  const auto twice = Read("<rect id=\"r\" width=\"1\" height=\"1\"/><use href=\"#r\"/>");
  EXPECT_EQ(Art(twice, 1)["id"], "r");
  EXPECT_FALSE(Art(twice, 0)["children"][0].contains("id"));
  EXPECT_EQ(Art(same)["fill"], json({{"cmyk", {0, 1, 1, 0}}}));
  EXPECT_TRUE(same.report.notes.empty());
  const auto whole = doc("#ff0000", R"({"type": "placed", "bounds": [0, 10, 10, 0]})");
  EXPECT_EQ(Art(whole)["type"], "placed");
  const auto edited = doc("#00ff00", R"({"fill": {"cmyk": [0, 1, 1, 0]}})");
  EXPECT_EQ(Art(edited)["fill"], "#00ff00");
  ASSERT_EQ(edited.report.notes.size(), 1u);
  EXPECT_NE(edited.report.notes[0].find("t.svg:1: edited after it was written"), std::string::npos);
  // A check of the earlier form (the element's own attributes only) guards nothing more.
  const auto earlier = Read(
      "<rect width=\"1\" height=\"1\" fill=\"#ff0000\" xmlns:velm=\"urn:x-velm-pro:svg:1\" "
      "velm:keys='{\"fill\": {\"cmyk\": [0, 1, 1, 0]}}' velm:check=\"" +
      hostsim::SvgAttributeDigest({{"width", "1"}, {"height", "1"}, {"fill", "#ff0000"}}, "") +
      "\"/>");
  EXPECT_EQ(Art(earlier)["fill"], "#ff0000");
}

}  // namespace
