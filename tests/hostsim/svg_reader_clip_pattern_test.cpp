// Clip paths and pattern paint as SVG means them, read into the host's document and
// drawn. Clip paths: the union of the shapes, each by its own rule; clip paths clipped in
// turn; shapes whose place is not known; text, which the host cannot clip by. Patterns:
// tiles in user space and the bounding box's, through patternTransform and viewBox, from
// templates. Each case names points painted and not, worked out by hand, and what the
// reader must report; each is also written as SVG and read back without this program's
// keys, as another editor would leave it.
#include <gtest/gtest.h>

#include <regex>

#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"
#include "hostsim/svg/svg_writer.h"

namespace {

// A 100 x 100 pt page, one user unit a point; a red square over all of it, clipped.
std::string Page(const std::string& defs, const std::string& clip = "url(#c)") {
  return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
         "width='100pt' height='100pt' viewBox='0 0 100 100'><defs>" +
         defs + "</defs><rect width='100' height='100' fill='#ff0000' clip-path='" + clip +
         "'/></svg>";
}

// A page whose `rect` (attributes given) is filled with the pattern "p" defined in `defs`.
std::string PatternPage(const std::string& defs, const std::string& rect) {
  return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
         "width='100pt' height='100pt' viewBox='0 0 100 100'><defs>" +
         defs + "</defs><rect " + rect + " fill='url(#p)'/></svg>";
}

// Whether the point (SVG's x, y) is painted red when the document is drawn.
struct Drawn {
  std::unique_ptr<hostsim::Document> doc;
  std::unique_ptr<hostsim::Bitmap> picture;
  bool Red(int x, int y) const { return picture->Pixel(x, y) == 0xFF0000u; }
};

Drawn Draw(const nlohmann::json& scene) {
  Drawn d;
  std::string error;
  d.doc = hostsim::ReadScene(scene, "t.json", &error);
  EXPECT_TRUE(d.doc) << error;
  if (!d.doc) return d;
  hostsim::RenderOptions options;
  options.area = host::RealRect{0, 100, 100, 0};
  d.picture = hostsim::RenderDocument(*d.doc, options);
  return d;
}

hostsim::SvgDocument Read(const std::string& text) {
  hostsim::SvgDocument svg;
  std::string error;
  EXPECT_TRUE(hostsim::ReadSvgText(text, "t.svg", &svg, &error)) << error;
  return svg;
}

struct Point {
  int x, y;
};

// Reads `text`, draws it and checks the points, then the same after a trip through SVG.
void ExpectDrawn(const std::string& text, const std::vector<Point>& in,
                 const std::vector<Point>& out, const char* dropped) {
  const hostsim::SvgDocument svg = Read(text);
  const Drawn d = Draw(svg.scene);
  if (!d.picture) return;
  for (const Point& p : in)
    EXPECT_TRUE(d.Red(p.x, p.y)) << p.x << "," << p.y;
  for (const Point& p : out)
    EXPECT_FALSE(d.Red(p.x, p.y)) << p.x << "," << p.y;
  if (*dropped) {
    EXPECT_EQ(svg.report.dropped.count(dropped), 1u);
  } else {
    EXPECT_TRUE(svg.report.dropped.empty()) << svg.report.dropped.begin()->first;
  }
  // Written as SVG and read back as plain SVG (without this program's keys, as another
  // editor leaves it), the document draws the same.
  const std::string written = std::regex_replace(hostsim::WriteSvg(*d.doc),
                                                 std::regex(" velm:(keys|check)=\"[^\"]*\""), "");
  const Drawn again = Draw(Read(written).scene);
  if (!again.picture) return;
  for (const Point& p : in)
    EXPECT_TRUE(again.Red(p.x, p.y)) << "again " << p.x << "," << p.y;
  for (const Point& p : out)
    EXPECT_FALSE(again.Red(p.x, p.y)) << "again " << p.x << "," << p.y;
}

TEST(SvgReaderClip, ClipsAsSvgDoes) {
  // Two squares side by side that share a strip; the second wound the other way.
  const std::string kOpposite =
      "<clipPath id='c'><path d='M10 10 H60 V60 H10 Z'/><path d='M40 10 V60 H90 V10 Z'/>"
      "</clipPath>";
  // A square with a square hole cut by even-odd, beside a plain square that overlaps the
  // hole: the hole shows where the second square does not cover it.
  const std::string kMixedRules =
      "<clipPath id='c'><path clip-rule='evenodd' d='M10 10 H50 V50 H10 Z M20 20 H40 V40 H20 Z'/>"
      "<rect x='30' y='30' width='40' height='40'/></clipPath>";
  const struct {
    const char* what;
    std::string svg;
    std::vector<Point> in, out;
    const char* dropped;  // the kind the report must count, or ""
  } kCases[] = {
      {"shapes wound in opposite directions form their union",
       Page(kOpposite),
       {{20, 30}, {50, 30}, {80, 30}},
       {{50, 80}, {5, 5}},
       ""},
      {"each shape by its own rule",
       Page(kMixedRules),
       {{15, 15}, {35, 35}, {60, 60}},
       {{25, 25}, {80, 20}},
       ""},
      {"a clip path clipped by another clips to both",
       Page("<clipPath id='d'><rect x='0' y='0' width='50' height='100'/></clipPath>"
            "<clipPath id='c' clip-path='url(#d)'><rect x='20' y='20' width='60' height='60'/>"
            "</clipPath>"),
       {{30, 50}},
       {{60, 50}, {10, 50}},
       ""},
      {"one shape clipped by a clip path of its own",
       Page("<clipPath id='d'><rect x='0' y='0' width='100' height='40'/></clipPath>"
            "<clipPath id='c'><rect x='20' y='20' width='60' height='60' clip-path='url(#d)'/>"
            "</clipPath>"),
       {{50, 30}},
       {{50, 60}, {10, 10}},
       ""},
      {"a clip path that clips itself: the reference back is left out",
       Page("<clipPath id='c' clip-path='url(#c)'><rect x='20' y='20' width='60' "
            "height='60'/></clipPath>"),
       {{50, 50}},
       {{10, 10}},
       ""},
      // The hidden square doubles the bounds' width; the clip keeps their right half.
      {"a group's bounds take hidden art, not art that is not displayed",
       "<svg xmlns='http://www.w3.org/2000/svg' width='100pt' height='100pt' "
       "viewBox='0 0 100 100'><clipPath id='c' clipPathUnits='objectBoundingBox'>"
       "<rect x='.5' width='.5' height='1'/></clipPath><g clip-path='url(#c)'>"
       "<g transform='scale(2)'><rect width='50' height='50' visibility='hidden'/></g>"
       "<rect y='40' width='60' height='20' fill='#ff0000'/>"
       "<rect width='400' height='10' display='none'/></g></svg>",
       {{55, 50}},
       {{40, 50}, {20, 50}},
       ""},
      {"a shape with an invalid transform adds nothing",
       Page("<clipPath id='c'><rect x='10' y='10' width='30' height='30'/>"
            "<rect x='60' y='60' width='30' height='30' transform='scale(2,'/></clipPath>"),
       {{20, 20}},
       {{70, 70}},
       ""},
      {"an invalid transform on the clip path shows nothing",
       Page("<clipPath id='c' transform='rotate('><rect width='100' height='100'/></clipPath>"),
       {},
       {{50, 50}},
       ""},
      {"text in a clip path: drawn unclipped and reported",
       Page("<clipPath id='c'><text x='10' y='50'>A</text></clipPath>"),
       {{90, 90}, {5, 5}},
       {},
       "text in a clip path"},
      {"shapes clipped differently: the shapes alone clip, reported",
       Page("<clipPath id='d'><rect width='10' height='10'/></clipPath>"
            "<clipPath id='c'><rect x='20' y='20' width='20' height='20' clip-path='url(#d)'/>"
            "<rect x='60' y='60' width='20' height='20'/></clipPath>"),
       {{30, 30}, {70, 70}},
       {{50, 50}},
       "clip-path inside a clip path"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ExpectDrawn(c.svg, c.in, c.out, c.dropped);
  }
}

TEST(SvgReaderPattern, TilesAsSvgDoes) {
  // One tile: a red 10 x 10 square in the corner of a 20 x 20 tile.
  const std::string kSquare = "<rect width='10' height='10' fill='#ff0000'/>";
  const std::string kWhole = "width='100' height='100'";
  const struct {
    const char* what;
    std::string svg;
    std::vector<Point> in, out;
  } kCases[] = {
      {"a tile in user space, starting at x, y",
       PatternPage("<pattern id='p' patternUnits='userSpaceOnUse' x='5' y='5' width='20' "
                   "height='20'>" +
                       kSquare + "</pattern>",
                   kWhole),
       {{10, 10}, {30, 30}, {50, 70}},
       {{20, 20}, {3, 3}, {40, 40}}},
      {"a tile in the bounding box's units (the default)",
       PatternPage("<pattern id='p' width='.5' height='.5'>" + kSquare + "</pattern>",
                   "x='20' y='20' width='60' height='60'"),
       {{25, 25}, {55, 55}, {25, 55}},
       {{40, 40}, {10, 10}, {70, 40}}},
      {"a tile in the units of a box whose x, y, width and height all differ",
       PatternPage("<pattern id='p' width='.25' height='.5'>" + kSquare + "</pattern>",
                   "x='10' y='30' width='80' height='40'"),
       {{15, 35}, {35, 55}, {75, 35}},
       {{25, 35}, {15, 45}, {15, 25}, {5, 35}, {35, 15}}},
      {"patternTransform scales the tile and its origin",
       PatternPage("<pattern id='p' patternUnits='userSpaceOnUse' x='5' y='5' width='20' "
                   "height='20' patternTransform='scale(2)'>" +
                       kSquare + "</pattern>",
                   kWhole),
       {{20, 20}, {55, 55}},
       {{35, 35}, {5, 5}}},
      {"viewBox maps the content onto the tile",
       PatternPage("<pattern id='p' patternUnits='userSpaceOnUse' width='20' height='20' "
                   "viewBox='0 0 2 2'><rect width='1' height='1' fill='#ff0000'/></pattern>",
                   kWhole),
       {{5, 5}, {25, 5}, {45, 65}},
       {{15, 15}, {15, 5}}},
      {"a template gives what the pattern does not say",
       PatternPage("<pattern id='t' patternUnits='userSpaceOnUse' width='20' height='20'>" +
                       kSquare + "</pattern><pattern id='p' href='#t' x='10'/>",
                   kWhole),
       {{15, 5}, {35, 5}},
       {{5, 5}, {25, 5}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ExpectDrawn(c.svg, c.in, c.out, "");
  }
}

TEST(SvgReaderPattern, ThePagesOriginMovesThePlacementNotTheTile) {
  // A page written with its corner away from the artwork origin (velm:origin) puts the art
  // there; a pattern's tile is its own and stays the same.
  const std::string body =
      "<defs><pattern id='p' patternUnits='userSpaceOnUse' width='20' height='20'>"
      "<rect width='10' height='10' fill='#ff0000'/></pattern></defs>"
      "<rect width='100' height='100' fill='url(#p)'/></svg>";
  const std::string root =
      "<svg xmlns='http://www.w3.org/2000/svg' xmlns:velm='urn:x-velm-pro:svg:1' "
      "width='100pt' height='100pt' viewBox='0 0 100 100'";
  const hostsim::SvgDocument plain = Read(root + ">" + body);
  const hostsim::SvgDocument moved = Read(root + " velm:origin='30 40'>" + body);
  ASSERT_EQ(plain.scene["patterns"].size(), 1u);
  EXPECT_EQ(plain.scene["patterns"], moved.scene["patterns"]);
  const nlohmann::json& a = plain.scene["layers"][0]["art"][0]["fill"]["transform"];
  const nlohmann::json& b = moved.scene["layers"][0]["art"][0]["fill"]["transform"];
  EXPECT_NEAR(b[4].get<double>() - a[4].get<double>(), 30, 1e-9);
  EXPECT_NEAR(b[5].get<double>() - a[5].get<double>(), 40, 1e-9);
}

}  // namespace

namespace {

TEST(SvgReaderPattern, TilesRepeatAtTheirOwnPeriodNotAWholeNumberOfPoints) {
  // A bar 4 points wide at the start of each tile of 9.5 points.
  std::vector<Point> in, out;
  for (int k = 1; k < 10; ++k) {
    in.push_back({static_cast<int>(9.5 * k + 2), 50});
    out.push_back({static_cast<int>(9.5 * k + 6.5), 50});
  }
  ExpectDrawn(PatternPage("<pattern id='p' patternUnits='userSpaceOnUse' width='9.5' "
                          "height='9.5'><rect width='4' height='9.5' fill='red'/></pattern>",
                          "width='100' height='100'"),
              in, out, "");
}

}  // namespace
