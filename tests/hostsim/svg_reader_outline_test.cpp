// Strokes read as their outline: under a scale that differs by direction (the host's stroke
// has one width), and strokes painted with a gradient when the reader is asked to (a store
// whose strokes hold plain colours). Each case names points painted and not, worked out by
// hand from SVG's stroke geometry.
#include <gtest/gtest.h>

#include <algorithm>

#include "hostsim/core/document.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"

namespace {

struct Point {
  int x, y;
};

// A 100 x 100 pt page, one user unit a point, holding `body`.
std::string Page(const std::string& body) {
  return "<svg xmlns='http://www.w3.org/2000/svg' width='100pt' height='100pt' "
         "viewBox='0 0 100 100'>" +
         body + "</svg>";
}

std::unique_ptr<hostsim::Bitmap> Draw(const hostsim::SvgDocument& svg) {
  std::string error;
  std::unique_ptr<hostsim::Document> doc = hostsim::ReadScene(svg.scene, "t.json", &error);
  EXPECT_TRUE(doc) << error;
  if (!doc) return nullptr;
  hostsim::RenderOptions options;
  options.area = host::RealRect{0, 100, 100, 0};
  return hostsim::RenderDocument(*doc, options);
}

hostsim::SvgDocument Read(const std::string& text, bool outlineGradients = false) {
  hostsim::SvgDocument svg;
  std::string error;
  hostsim::SvgReadOptions options;
  options.outlineGradientStrokes = outlineGradients;
  EXPECT_TRUE(hostsim::ReadSvgText(text, "t.svg", options, &svg, &error)) << error;
  return svg;
}

void ExpectRed(const std::string& what, const std::string& text, const std::vector<Point>& in,
               const std::vector<Point>& out) {
  SCOPED_TRACE(what);
  const hostsim::SvgDocument svg = Read(text);
  EXPECT_TRUE(svg.report.dropped.empty()) << svg.report.dropped.begin()->first;
  const auto picture = Draw(svg);
  if (!picture) return;
  for (const Point& p : in)
    EXPECT_EQ(picture->Pixel(p.x, p.y), 0xFF0000u) << p.x << "," << p.y;
  for (const Point& p : out)
    EXPECT_NE(picture->Pixel(p.x, p.y), 0xFF0000u) << p.x << "," << p.y;
}

TEST(SvgReaderOutline, StrokeUnderUnevenScaleIsItsOutline) {
  // Page (x + y, y + 50) of the user stroke x 10…50, y -10…10: a parallelogram, not the
  // rectangle x 10…50, y 40…60 one width would draw.
  ExpectRed("skewed",
            Page("<g transform='translate(0 50) skewX(45)'><line x1='10' y1='0' x2='50' y2='0' "
                 "stroke='#ff0000' stroke-width='20'/></g>"),
            {{55, 58}, {25, 45}}, {{15, 58}, {45, 42}});
  // Twice as wide as high: a cap reaches 10 units up and down, 20 along.
  const auto line = [](const char* cap) {
    return Page(std::string("<g transform='scale(2 1)'><line x1='10' y1='50' x2='30' y2='50' "
                            "stroke='#ff0000' stroke-width='20' stroke-linecap='") +
                cap + "'/></g>");
  };
  ExpectRed("butt", line("butt"), {{50, 50}, {22, 58}}, {{65, 50}, {15, 50}, {50, 62}});
  ExpectRed("square", line("square"), {{75, 55}, {5, 55}}, {{85, 50}});
  ExpectRed("round", line("round"), {{75, 50}, {5, 50}}, {{77, 58}, {3, 58}});
  // A curve's outline would be many pieces, each an object of a record: one width, said.
  const hostsim::SvgDocument curved =
      Read(Page("<g transform='scale(2 1)'><circle cx='20' cy='50' r='10' fill='none' "
                "stroke='#ff0000'/></g>"));
  EXPECT_EQ(curved.report.dropped.count("stroke under an uneven scale"), 1u);
  EXPECT_NE(curved.scene["layers"][0]["art"].dump().find("\"stroke\":{"), std::string::npos);
}

TEST(SvgReaderOutline, JoinsCapsAndDashes) {
  // A scale barely uneven, so that the page is the user space with y 2 % longer: the
  // vertex (60, 50) lies at (60, 51). Half width 5; the corner's miter is 1.94 widths
  // long (tip at x 69.7), its bevel edge at x 62.6.
  const auto corner = [](const char* join, const char* limit) {
    return Page(std::string("<g transform='scale(1 1.02)'><polyline points='10,20 60,50 10,80' "
                            "fill='none' stroke='#ff0000' stroke-width='10' stroke-linejoin='") +
                join + "' stroke-miterlimit='" + limit + "'/></g>");
  };
  const auto dashed = [](const char* dash, const char* cap) {
    return Page(std::string("<g transform='scale(1 1.02)'><line x1='10' y1='50' x2='90' y2='50' "
                            "stroke='#ff0000' stroke-width='10' ") +
                dash + " stroke-linecap='" + cap + "'/></g>");
  };
  const struct {
    const char* what;
    std::string svg;
    std::vector<Point> in, out;
  } kCases[] = {
      {"miter within the limit", corner("miter", "4"), {{66, 51}, {67, 50}}, {{71, 51}}},
      {"miter over the limit: bevel", corner("miter", "1.5"), {{61, 51}}, {{64, 51}}},
      {"bevel", corner("bevel", "4"), {{61, 51}}, {{64, 51}}},
      {"round", corner("round", "4"), {{63, 50}}, {{66, 51}}},
      {"dashes leave their gaps empty",
       dashed("stroke-dasharray='10 10'", "butt"),
       {{15, 51}, {35, 51}, {75, 51}},
       {{25, 51}, {45, 51}, {95, 51}}},
      {"the offset moves the dashes back",
       dashed("stroke-dasharray='10 10' stroke-dashoffset='5'", "butt"),
       {{12, 51}, {30, 51}},
       {{20, 51}, {40, 51}}},
      {"dashes of no length with round caps are dots",
       dashed("stroke-dasharray='0 20'", "round"),
       {{10, 51}, {30, 51}, {50, 51}, {70, 51}},
       {{20, 51}, {40, 51}}},
      {"a closed ring is joined at its start",
       Page("<g transform='scale(1 1.02)'><rect x='20' y='20' width='60' height='40' fill='none' "
            "stroke='#ff0000' stroke-width='10'/></g>"),
       {{16, 21}, {16, 59}, {84, 21}},
       {{50, 40}, {10, 10}}},
  };
  for (const auto& c : kCases)
    ExpectRed(c.what, c.svg, c.in, c.out);
}

TEST(SvgReaderOutline, GradientStrokeIsOutlinedOnlyWhenAsked) {
  const std::string text = Page(
      "<linearGradient id='g'><stop offset='0' stop-color='#ff0000'/>"
      "<stop offset='1' stop-color='#0000ff'/></linearGradient>"
      "<rect x='20' y='20' width='60' height='60' fill='none' stroke='url(#g)' "
      "stroke-width='10'/>");
  const hostsim::SvgDocument kept = Read(text);
  const nlohmann::json& stroke = kept.scene["layers"][0]["art"][0];
  EXPECT_TRUE(stroke["stroke"]["color"].contains("gradient")) << stroke.dump();

  const hostsim::SvgDocument outlined = Read(text, true);
  const nlohmann::json& art = outlined.scene["layers"][0]["art"][0];
  EXPECT_FALSE(art.contains("stroke")) << art.dump();
  ASSERT_TRUE(art["fill"].is_object()) << art.dump();
  EXPECT_TRUE(art["fill"].contains("gradient"));
  const auto picture = Draw(outlined);
  ASSERT_TRUE(picture);
  // The gradient runs over the rectangle's box (x 20…80), as the stroke's did: red on the
  // left side, blue on the right, nothing inside.
  const std::uint32_t left = picture->Pixel(20, 50), right = picture->Pixel(80, 50);
  EXPECT_GT(left >> 16 & 0xFF, 0xD0u) << std::hex << left;
  EXPECT_GT(right & 0xFF, 0xD0u) << std::hex << right;
  EXPECT_EQ(picture->Pixel(50, 50), 0xFFFFFFu);
  EXPECT_TRUE(outlined.report.dropped.empty());
}

}  // namespace

TEST(SvgReaderOutline, CurveTurningBackStaysNearItsPath) {
  // A cusp: the curve runs right and comes back along itself. Inside a curve the
  // flattened pieces meet round, so nothing reaches past half the width (2) around it.
  const hostsim::SvgDocument svg =
      Read(Page("<linearGradient id='g'><stop offset='0' stop-color='#f00'/><stop offset='1' "
                "stop-color='#00f'/></linearGradient><path d='M20,100 C180,100 -140,100.03 "
                "20,100.03' fill='none' stroke='url(#g)' stroke-width='4'/>"),
           true);
  std::string error;
  const std::unique_ptr<hostsim::Document> doc = hostsim::ReadScene(svg.scene, "t.json", &error);
  ASSERT_TRUE(doc) << error;
  host::RealRect outline;
  ASSERT_TRUE(hostsim::ArtBounds(*doc, doc->layers().front()->group, &outline));
  // The path's own extent along x, sampled: its tips lie at t = 0.5 ± 0.29.
  double left = 20, right = 20;
  for (int i = 0; i <= 1000; ++i) {
    const double t = i / 1000.0, u = 1 - t;
    const double x = u * u * u * 20 + 3 * u * u * t * 180 - 3 * u * t * t * 140 + t * t * t * 20;
    left = std::min(left, x);
    right = std::max(right, x);
  }
  const double slack = 2 + 0.5;  // half the width, and the flattening's tolerance
  EXPECT_GE(outline.left, left - slack);
  EXPECT_LE(outline.right, right + slack);
  EXPECT_LE(outline.top - outline.bottom, 0.03 + 2 * slack);
}
