// Reading what newer editors write: auto radii, focal radii, user-space percentages of the
// viewport a gradient is used in, documents that declare entities, and fill and stroke
// opacities kept apart (also through a write and a read back).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"
#include "hostsim/svg/svg_writer.h"

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
// The first path at or below `art` that is not a clipping path.
const json* Path(const json& art) {
  if (!art.contains("children")) return art.value("clip", false) ? nullptr : &art;
  for (const json& child : art["children"])
    if (const json* path = Path(child)) return path;
  return nullptr;
}
double Opacity(const json& art) {
  return art.contains("blend") ? art["blend"].value("opacity", 1.0) : 1.0;
}

TEST(SvgReaderSvg2, AutoAndMissingRadiiTakeTheOther) {
  struct Case {
    std::string shape, same;
  } cases[] = {
      {"<rect width='40' height='20' rx='auto' ry='4'/>", "<rect width='40' height='20' rx='4'/>"},
      {"<rect width='40' height='20' rx='6' ry=' auto'/>",
       "<rect width='40' height='20' rx='6' ry='6'/>"},
      {"<rect width='40' height='20' rx='auto' ry='auto'/>", "<rect width='40' height='20'/>"},
      // Each clamped to half its side.
      {"<rect width='40' height='20' rx='30' ry='auto'/>",
       "<rect width='40' height='20' rx='20' ry='10'/>"},
      {"<ellipse cx='50' cy='50' rx='10'/>", "<circle cx='50' cy='50' r='10'/>"},
      {"<ellipse cx='50' cy='50' rx='auto' ry='7'/>", "<circle cx='50' cy='50' r='7'/>"},
      {"<ellipse cx='50' cy='50' rx='5%' ry='auto'/>",
       "<ellipse cx='50' cy='50' rx='10' ry='10'/>"},
      {"<ellipse cx='50' cy='50' rx='auto' ry='auto'/>", ""},
      {"<ellipse cx='50' cy='50' rx='-8' ry='7'/>", "<circle cx='50' cy='50' r='7'/>"},
      {"<ellipse cx='50' cy='50' rx='-8' ry='-7'/>", ""},
  };
  for (const Case& c : cases) {
    const json read = Layer(Read(c.shape)), same = Layer(Read(c.same));
    EXPECT_EQ(read, same) << c.shape;
    EXPECT_EQ(read.size(), c.same.empty() ? 0u : 1u) << c.shape;
  }
}

TEST(SvgReaderSvg2, FocalRadiusMovesTheRampOut) {
  struct Case {
    std::string attrs;
    double first;  // where the first stop lands
  } cases[] = {
      {"", 0},
      {"gradientUnits='userSpaceOnUse' cx='20' cy='20' r='10' fr='5'", 50},
      {"fr='25%'", 50},  // of the bounding box, as r's 50 %
      // Past the circle: the ramp runs inwards, from r / fr, the stops turned round.
      {"gradientUnits='userSpaceOnUse' r='10' fr='20'", 50},
  };
  for (const Case& c : cases) {
    const auto d = Read("<radialGradient id='g' " + c.attrs +
                        "><stop offset='0' stop-color='red'/><stop offset='.5'/>"
                        "<stop offset='1' stop-color='blue'/></radialGradient>"
                        "<rect width='40' height='40' fill='url(#g)'/>");
    const json& stops = d.scene["gradients"][0]["stops"];
    ASSERT_EQ(stops.size(), 3u) << c.attrs;
    EXPECT_DOUBLE_EQ(stops[0]["ramp"].get<double>(), c.first) << c.attrs;
    EXPECT_DOUBLE_EQ(stops[1]["ramp"].get<double>(), (c.first + 100) / 2) << c.attrs;
    EXPECT_DOUBLE_EQ(stops[2]["ramp"].get<double>(), 100) << c.attrs;
  }
}

TEST(SvgReaderSvg2, UserSpacePercentagesAreOfTheViewportTheGradientIsUsedIn) {
  const auto d = Read(
      "<linearGradient id='l' gradientUnits='userSpaceOnUse' x2='50%'><stop stop-color='red'/>"
      "<stop offset='1'/></linearGradient>"
      "<radialGradient id='r' gradientUnits='userSpaceOnUse' r='10%'><stop stop-color='red'/>"
      "<stop offset='1'/></radialGradient>"
      "<rect width='10' height='10' fill='url(#l)' stroke='url(#r)'/>"
      "<svg x='100' width='80' height='60' viewBox='0 0 40 30'>"
      "<rect width='10' height='10' fill='url(#l)' stroke='url(#r)'/></svg>");
  ASSERT_EQ(Layer(d).size(), 2u);
  // Gradient lengths are in the user space of the painted element.
  struct Case {
    const json* art;
    double width, height;  // of the viewport
  } cases[] = {{Path(Layer(d)[1]), 200, 100}, {Path(Layer(d)[0]), 40, 30}};
  for (const Case& c : cases) {
    ASSERT_NE(c.art, nullptr);
    EXPECT_NEAR((*c.art)["fill"]["length"].get<double>(), c.width / 2, 1e-9);
    EXPECT_NEAR((*c.art)["stroke"]["color"]["length"].get<double>(),
                0.1 * std::sqrt((c.width * c.width + c.height * c.height) / 2), 1e-9);
  }
}

TEST(SvgReaderSvg2, AGradientTakesGeometryOnlyFromItsOwnKind) {
  // A linear gradient's cx and r are no attributes of it: the radial one keeps its
  // defaults (centre and radius at 50 % of the box) and takes the stops it has.
  const auto d = Read(
      "<linearGradient id='l' cx='1' r='0.1' x1='0.3'/><radialGradient id='g' href='#l'>"
      "<stop stop-color='red'/><stop offset='1'/></radialGradient>"
      "<rect width='10' height='10' fill='url(#g)'/>");
  const json* path = Path(Layer(d)[0]);
  ASSERT_NE(path, nullptr);
  EXPECT_NEAR((*path)["fill"]["length"].get<double>(), 0.5, 1e-9);
  EXPECT_NEAR((*path)["fill"]["matrix"][4].get<double>(), 5, 1e-9);
}

TEST(SvgReaderSvg2, ReflectAndRepeatLayTheRampOutOverThePeriodsTheShapeReaches) {
  struct Case {
    std::string gradient;  // opening tag of a red-to-blue gradient "g", on a 100 x 10 rect
    std::vector<double> ramps;
    std::string colours;   // r or b for each stop
    double length, start;  // in the box's units; where the first period starts on the page
    bool dropped;
  } cases[] = {
      {"<linearGradient id='g' x2='.5'>", {0, 100}, "rb", .5, 0, false},  // pad
      {"<linearGradient id='g' x2='.5' spreadMethod='reflect'>", {0, 50, 100}, "rbr", 1, 0, false},
      {"<linearGradient id='g' x2='.5' spreadMethod='repeat'>",
       {0, 50, 50, 100},
       "rbrb",
       1,
       0,
       false},
      // The shape reaches a period before the line's start.
      {"<linearGradient id='g' x1='.25' x2='.5' spreadMethod='repeat'>",
       {0, 25, 25, 50, 50, 75, 75, 100},
       "rbrbrbrb",
       1,
       0,
       false},
      // A hundred periods: more stops than a gradient holds, drawn as pad and said.
      {"<linearGradient id='g' x2='.01' spreadMethod='reflect'>", {0, 100}, "rb", .01, 0, true},
      // The corners lie 2.8 radii from the centre: three rings.
      {"<radialGradient id='g' r='.25' spreadMethod='reflect'>",
       {0, 100.0 / 3, 200.0 / 3, 100},
       "rbrb",
       .75,
       50,
       false},
  };
  for (const Case& c : cases) {
    const std::string end = c.gradient[1] == 'l' ? "</linearGradient>" : "</radialGradient>";
    const auto d =
        Read(c.gradient + "<stop stop-color='red'/><stop offset='1' stop-color='blue'/>" + end +
             "<rect width='100' height='10' fill='url(#g)'/>");
    const json& stops = d.scene["gradients"][0]["stops"];
    ASSERT_EQ(stops.size(), c.ramps.size()) << c.gradient;
    for (std::size_t i = 0; i < stops.size(); ++i) {
      EXPECT_NEAR(stops[i]["ramp"].get<double>(), c.ramps[i], 1e-9) << c.gradient << " " << i;
      EXPECT_EQ(stops[i]["color"], c.colours[i] == 'r' ? "#ff0000" : "#0000ff") << c.gradient;
    }
    const json& fill = (*Path(Layer(d)[0]))["fill"];
    // The length in the box's units: the box is 100 wide (a radial's along its x).
    EXPECT_NEAR(fill["length"].get<double>() * fill["matrix"][0].get<double>(), c.length * 100,
                1e-6)
        << c.gradient;
    EXPECT_NEAR(fill["matrix"][4].get<double>(), c.start, 1e-6) << c.gradient;
    EXPECT_EQ(d.report.dropped.count("spreadMethod"), c.dropped ? 1u : 0u) << c.gradient;
  }
}

TEST(SvgReaderSvg2, InternalEntitiesAreExpanded) {
  const auto d = ReadText(
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE svg [\n"
      "  <!ENTITY ns_svg \"http://www.w3.org/2000/svg\">\n"
      "  <!ENTITY outline \"M0 0 L10 0 L10 10 Z\">\n"
      "  <!ENTITY square \"<rect x='20' width='5' height='5' fill='&#x23;00f'/>\">\n"
      "  <!ENTITY name \"Drawing\">\n"
      "]>\n"
      "<svg xmlns=\"&ns_svg;\" width=\"100pt\" height=\"100pt\" viewBox=\"0 0 100 100\">"
      "<title>&name;</title><path d=\"&outline;\"/>&square;</svg>");
  EXPECT_EQ(d.title, "Drawing");
  ASSERT_EQ(Layer(d).size(), 2u);
  EXPECT_EQ(Layer(d)[0]["fill"], "#0000ff");
  EXPECT_EQ(Layer(d)[1]["points"], json::parse("[[0,100],[10,100],[10,90]]"));
  EXPECT_TRUE(d.report.notes.empty());
}

TEST(SvgReaderSvg2, ExternalEntitiesAreNeverRead) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(::testing::TempDir()) / "svg-entities";
  fs::create_directories(dir);
  std::ofstream(dir / "secret.txt") << "SECRET";
  // Were it read, its declaration would come first and win over the document's.
  std::ofstream(dir / "decl.ent") << "<!ENTITY name \"LEAKED\">";
  const auto d = ReadText(
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE svg [\n"
      "  <!ENTITY secret SYSTEM \"file://" +
      (dir / "secret.txt").string() +
      "\">\n"
      "  <!ENTITY % decl SYSTEM \"" +
      (dir / "decl.ent").string() +
      "\">\n"
      "  %decl;\n"
      "  <!ENTITY name \"kept\">\n"
      "]>\n" +
      kRoot + "<title>&name;&secret;</title><text y='10'>&secret;</text>" +
      "<rect width='1' height='1' id='a&secret;'/></svg>");
  EXPECT_EQ(d.title, "kept");
  EXPECT_EQ(d.scene.dump().find("SECRET"), std::string::npos);
  ASSERT_GE(d.report.notes.size(), 2u);
  EXPECT_EQ(d.report.notes[0],
            "t.svg:3: an external entity \"secret\": not read (its references are left empty)");
  EXPECT_EQ(d.report.notes[1].rfind("t.svg:4: an external entity \"decl\": not read", 0), 0u);
}

TEST(SvgReaderSvg2, FillAndStrokeOpacitiesStayApartThroughAWriteAndARead) {
  struct Case {
    std::string attrs;
    bool split;                  // one object each for fill and stroke
    double fill, stroke, whole;  // opacities: of each part, of the whole
  } cases[] = {
      {"fill-opacity='.5' stroke-opacity='.5'", true, .5, .5, 1},
      // The element's opacity goes onto each part: a record's group holds none.
      {"fill-opacity='.25' stroke-opacity='.5' opacity='.5'", true, .125, .25, 1},
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

// The fills and stroke colours of every path at or below `art` that is not a clipping
// path, in the document's order.
void Paints(const json& art, std::vector<json>* fills, std::vector<json>* strokes) {
  if (art.value("clip", false)) return;
  if (art.contains("children")) {
    for (const json& child : art["children"])
      Paints(child, fills, strokes);
    return;
  }
  fills->push_back(art.value("fill", json()));
  strokes->push_back(art.contains("stroke") ? art["stroke"]["color"] : json());
}

TEST(SvgReaderSvg2, ContextPaintsAreThoseOfTheUseOrTheMarkedShape) {
  const std::string kRect =
      "<defs><rect id='r' width='10' height='10' fill='context-stroke' stroke='context-fill'/>"
      "<use id='u' href='#r' fill='context-stroke' stroke='context-fill'/></defs>";
  const struct {
    std::string body;
    std::vector<json> fills, strokes;
  } cases[] = {
      {kRect + "<use href='#r' fill='#0000ff' stroke='#00ff00'/>", {"#00ff00"}, {"#0000ff"}},
      // A use of a use: each takes the paints of the one that draws it.
      {kRect + "<use href='#u' fill='#0000ff' stroke='#00ff00'/>", {"#0000ff"}, {"#00ff00"}},
      // currentColor is the colour of the use.
      {kRect + "<use href='#r' color='#ff0000' fill='none' stroke='currentColor'/>",
       {"#ff0000"},
       {nullptr}},
      // A marker's content takes the paints of the shape it marks.
      {"<marker id='m' markerWidth='10' markerHeight='10' markerUnits='userSpaceOnUse'>"
       "<rect width='4' height='4' fill='context-stroke'/></marker>"
       "<path d='M10 10 L50 10' fill='none' stroke='#00ff00' marker-end='url(#m)'/>",
       {"#00ff00", nullptr},
       {nullptr, "#00ff00"}},
      // Outside of any use or marker there is no context: nothing is painted.
      {"<rect width='10' height='10' fill='context-fill' stroke='#00ff00'/>",
       {nullptr},
       {"#00ff00"}},
  };
  for (const auto& c : cases) {
    std::vector<json> fills, strokes;
    const hostsim::SvgDocument read = Read(c.body);
    for (const json& art : Layer(read))
      Paints(art, &fills, &strokes);
    EXPECT_EQ(fills, c.fills) << c.body;
    EXPECT_EQ(strokes, c.strokes) << c.body;
  }
}

}  // namespace

// Whether two scenes are alike, numbers to within a millionth.
bool Alike(const json& a, const json& b) {
  if (a.is_number() && b.is_number()) return std::fabs(a.get<double>() - b.get<double>()) < 1e-6;
  if (a.type() != b.type() || a.size() != b.size()) return false;
  if (a.is_object()) {
    for (auto it = a.begin(); it != a.end(); ++it)
      if (!b.contains(it.key()) || !Alike(it.value(), b[it.key()])) return false;
    return true;
  }
  if (a.is_array()) {
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!Alike(a[i], b[i])) return false;
    return true;
  }
  return a == b;
}

TEST(SvgReaderSvg2, TransformOriginMovesTheTransformsFixedPoint) {
  const std::string rect = "<rect x='80' y='30' width='40' height='20' ";
  const std::string about = "transform='translate(%) rotate(45) translate(-%)'/>";
  auto turned = [&](const std::string& x, const std::string& y) {
    std::string s = rect + about;
    s.replace(s.find('%'), 1, x + " " + y);
    s.replace(s.find('%'), 1, x + " -" + y);
    return s;
  };
  const struct {
    std::string body, same;
    const char* note;  // a note the body gives ("" for none)
  } cases[] = {
      // Keywords and percentages of the viewport (200 x 100), lengths in user units.
      {rect + "transform='rotate(45)' transform-origin='center'/>", turned("100", "50"), ""},
      {rect + "transform='rotate(45)' transform-origin='right bottom'/>", turned("200", "100"), ""},
      {rect + "transform='rotate(45)' transform-origin='bottom right'/>", turned("200", "100"), ""},
      {rect + "transform='rotate(45)' transform-origin='bottom'/>", turned("100", "100"), ""},
      {rect + "transform='rotate(45)' transform-origin='25% top'/>", turned("50", "0"), ""},
      {rect + "transform='rotate(45)' transform-origin='10px 2pt'/>", turned("10", "2.6666667"),
       ""},
      // The CSS property, with the CSS transform or the attribute, in a style sheet too.
      {rect + "style='transform: rotate(45deg); transform-origin: left'/>", turned("0", "50"), ""},
      {"<style>.o{transform-origin:20px 30px}</style>" + rect +
           "class='o' transform='rotate(45)'/>",
       turned("20", "30"), ""},
      // On a group; without a transform it does nothing.
      {"<g transform='rotate(45)' transform-origin='center'>" + rect + "/></g>",
       "<g transform='translate(100 50) rotate(45) translate(-100 -50)'>" + rect + "/></g>", ""},
      {rect + "transform-origin='right'/>", rect + "/>", ""},
      // A depth is left out with a note; a value that is not valid is left out.
      {rect + "transform='rotate(45)' transform-origin='center center 5px'/>", turned("100", "50"),
       "depth left out"},
      {rect + "transform='rotate(45)' transform-origin='25% left'/>",
       rect + "transform='rotate(45)'/>", "not valid"},
      // A gradient's transform turns about the origin in the gradient's own space.
      {"<linearGradient id='g' gradientTransform='scale(2)' transform-origin='0.5 0.5'>"
       "<stop offset='0' stop-color='red'/><stop offset='1' stop-color='blue'/>"
       "</linearGradient>" +
           rect + "fill='url(#g)'/>",
       "<linearGradient id='g' gradientTransform='translate(0.5 0.5) scale(2) "
       "translate(-0.5 -0.5)'><stop offset='0' stop-color='red'/><stop offset='1' "
       "stop-color='blue'/></linearGradient>" +
           rect + "fill='url(#g)'/>",
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    const hostsim::SvgDocument read = Read(c.body), same = Read(c.same);
    EXPECT_TRUE(Alike(read.scene, same.scene)) << read.scene.dump() << "\n" << same.scene.dump();
    std::string notes;
    for (const std::string& line : read.report.Lines())
      notes += line + "\n";
    if (*c.note)
      EXPECT_NE(notes.find(c.note), std::string::npos) << notes;
    else
      EXPECT_TRUE(read.report.notes.empty()) << notes;
  }
}
