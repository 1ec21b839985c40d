// SVG text: the faces chosen for family, weight and style, per-character positions and
// rotations as point texts of their own, white space, and the kerning of a face.
#include <cairo-ft.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>

#include "hostsim/drawing/text_kerning.h"
#include "hostsim/drawing/text_layout.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"
#include "hostsim/svg/svg_writer.h"

namespace {

using nlohmann::json;

// Reads `body` in a root of 200 × 100 points whose user units are points (y up on the page).
json Read(const std::string& body) {
  hostsim::SvgDocument doc;
  std::string error;
  const std::string text =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200pt\" height=\"100pt\" "
      "viewBox=\"0 0 200 100\">" +
      body + "</svg>";
  EXPECT_TRUE(hostsim::ReadSvgText(text, "t.svg", &doc, &error)) << error;
  EXPECT_NE(hostsim::ReadScene(doc.scene, "t.svg", &error), nullptr) << error;
  return doc.scene["layers"][0]["art"][0];
}

// The point texts of a text, in the document's order.
std::vector<json> Pieces(const json& art) {
  if (art["type"] != "group") return {art};
  std::vector<json> out(art["children"].begin(), art["children"].end());
  std::reverse(out.begin(), out.end());
  return out;
}

// The style name of the face the renderer draws a font name in.
std::string FaceStyle(const std::string& name) {
  host::TextFont font{};
  std::strncpy(font.name, name.c_str(), sizeof font.name - 1);
  hostsim::PrepareFonts();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  cairo_t* cr = cairo_create(surface);
  hostsim::SelectFace(cr, font);
  std::string style;
  cairo_scaled_font_t* scaled = cairo_get_scaled_font(cr);
  if (cairo_font_face_get_type(cairo_get_font_face(cr)) == CAIRO_FONT_TYPE_FT) {
    if (FT_Face face = cairo_ft_scaled_font_lock_face(scaled)) {
      style = face->style_name ? face->style_name : "";
      cairo_ft_scaled_font_unlock_face(scaled);
    }
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return style;
}

TEST(SvgText, FamilyWeightAndStyleChooseTheFace) {
  struct Case {
    std::string attributes, text;
    std::string font;   // the name the record carries ("" for a face of DejaVu Sans)
    std::string style;  // the style of the face drawn, for fontconfig's faces
  } cases[] = {
      {"font-family='DejaVu Sans'", "Ab", "", "Book"},
      {"font-family='DejaVu Sans' font-weight='bold'", "Ab", "", "Bold"},
      {"font-family='DejaVu Sans' font-style='italic'", "Ab", "", "Oblique"},
      {"font-family='DejaVu Sans' font-weight='700' font-style='italic'", "Ab", "", "Bold Oblique"},
      {"font-family='DejaVu Sans' font-weight='200'", "Ab", "", "ExtraLight"},
      // The first family that is not a generic one is the one asked for, kept by its
      // name when the host has no face of it (see below).
      {"font-family='\"No Such Family\", \"DejaVu Sans\"'", "Ab", "No Such Family", ""},
      // Generic families keep the host's own fonts.
      {"font-family='sans-serif' font-weight='bold'", "Ab", "Helvetica", ""},
      {"font-family='No Such Family'", "Ab", "No Such Family", ""},
      {"font-family='helvetica, serif'", "Ab", "Helvetica", ""},
      // Japanese stays in the IPA faces.
      {"font-family='DejaVu Sans'", "日本", "IPAGothic", ""},
  };
  std::set<std::string> names;
  for (const Case& c : cases) {
    const json art = Read("<text y='50' " + c.attributes + ">" + c.text + "</text>");
    const std::string font = art["runs"][0]["font"];
    if (c.font.empty()) {
      EXPECT_EQ(font.rfind("DejaVu Sans ", 0), 0u) << c.attributes << ": " << font;
      EXPECT_TRUE(hostsim::KnownFont(font.c_str())) << font;
      EXPECT_EQ(FaceStyle(font), c.style) << c.attributes << ": " << font;
      names.insert(font);
    } else {
      EXPECT_EQ(font, c.font) << c.attributes;
    }
  }
  EXPECT_EQ(names.size(), 5u);  // regular, bold, italic, bold italic, extra light
  for (const char* unknown : {"NoSuchFont", "No Such Family Bold", "Bold", ""})
    EXPECT_FALSE(hostsim::KnownFont(unknown)) << unknown;
}

TEST(SvgText, AMissingFamilyIsKeptByItsNameDrawnWithAStandInAndWrittenBack) {
  const struct {
    std::string families, kept, drawn;
  } cases[] = {
      {"'No Such Sans', serif", "No Such Sans", "DejaVu Sans"},
      {"'No Such Family', 'DejaVu Sans'", "No Such Family", "DejaVu Serif"},
      {"sans-serif, Nope Mono", "Nope Mono", "DejaVu Sans Mono"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.families);
    const std::string svg =
        "<svg xmlns='http://www.w3.org/2000/svg' width='200pt' height='100pt' viewBox='0 0 200 "
        "100'><text y='50' font-weight='bold' font-family=\"" +
        c.families + "\">Ab</text></svg>";
    hostsim::SvgDocument doc;
    std::string error;
    ASSERT_TRUE(hostsim::ReadSvgText(svg, "t.svg", &doc, &error)) << error;
    const json run = doc.scene["layers"][0]["art"][0]["runs"][0];
    EXPECT_EQ(run["font"], c.kept);
    EXPECT_EQ(run["fontRecord"]["substituted"], 1);
    EXPECT_EQ(run["fontRecord"]["weight"], 700);
    ASSERT_EQ(doc.report.notes.size(), 1u);
    EXPECT_NE(doc.report.notes[0].find("\"" + c.kept + "\" is not here"), std::string::npos)
        << doc.report.notes[0];
    // The host takes it and draws it with its stand-in; written back, the family asked for
    // comes first and reads back the same.
    std::unique_ptr<hostsim::Document> document = hostsim::ReadScene(doc.scene, "t.svg", &error);
    ASSERT_NE(document, nullptr) << error;
    const hostsim::Art& text = *document->layers().front()->group->children.front();
    EXPECT_STREQ(hostsim::RenderFace(text.text.AttributesAt(0).font), c.drawn.c_str());
    const std::string written = hostsim::WriteSvg(*document);
    EXPECT_NE(written.find("font-family=\"'" + c.kept + "', " + c.drawn + "\""), std::string::npos)
        << written;
    hostsim::SvgDocument back;
    ASSERT_TRUE(hostsim::ReadSvgText(written, "back.svg", &back, &error)) << error;
    EXPECT_EQ(back.scene["layers"][0]["art"][0]["runs"][0]["font"], c.kept);
  }
  // A scene names a font the host lacks only as a substituted one.
  std::string error;
  const json scene = {
      {"layers",
       {{{"art",
          {{{"type", "text"}, {"at", {0, 0}}, {"runs", {{{"text", "a"}, {"font", "Nope"}}}}}}}}}}};
  EXPECT_EQ(hostsim::ReadScene(scene, "s", &error), nullptr);
}

TEST(SvgText, PositionListsAndRotationsMakePointTextsOfTheirOwn) {
  struct Piece {
    std::string text;
    double x, y;     // on the page; x < 0: after the piece before (not checked)
    double rotated;  // the matrix's b: -sin of the rotation, 0 upright
  };
  struct Case {
    std::string body;
    std::vector<Piece> pieces;
  } cases[] = {
      {"<text x='10 30 50' y='40'>abcd</text>",
       {{"a", 10, 60, 0}, {"b", 30, 60, 0}, {"cd", 50, 60, 0}}},
      {"<text x='10' y='40' dy='0 5'>abc</text>", {{"a", 10, 60, 0}, {"bc", -1, 55, 0}}},
      {"<text x='10' y='40' dx='5'>ab</text>", {{"ab", 15, 60, 0}}},
      // An inner list replaces the outer one only as far as it goes.
      {"<text x='10 20 30' y='40'>a<tspan x='50'>bc</tspan></text>",
       {{"a", 10, 60, 0}, {"b", 50, 60, 0}, {"c", 30, 60, 0}}},
      // The last angle turns the characters after it too.
      {"<text x='10' y='40' rotate='0 90'>abc</text>",
       {{"a", 10, 60, 0}, {"b", -1, 60, -1}, {"c", -1, 60, -1}}},
      {"<text x='10' y='40' rotate='30 x'>ab</text>", {{"ab", 10, 60, 0}}},  // not a list
      {"<text x='10' y='40' xml:space='preserve'>a  b </text>", {{"a  b", 10, 60, 0}}},
      {"<text x='10' y='40'> a  b </text>", {{"a b", 10, 60, 0}}},
      // Hidden characters take their place and are not drawn.
      {"<text x='10' y='40'>ab<tspan visibility='hidden'>cd</tspan>ef</text>",
       {{"ab", 10, 60, 0}, {"ef", -1, 60, 0}}},
  };
  for (const Case& c : cases) {
    const std::vector<json> pieces = Pieces(Read(c.body));
    ASSERT_EQ(pieces.size(), c.pieces.size()) << c.body;
    double lastX = -1e9;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      const json& p = pieces[i];
      const Piece& want = c.pieces[i];
      std::string text;
      for (const json& run : p["runs"])
        text += run["text"].get<std::string>();
      EXPECT_EQ(text, want.text) << c.body;
      const json at = p.contains("at")
                          ? p["at"]
                          : json::array({p["paths"][0]["matrix"][4], p["paths"][0]["matrix"][5]});
      const double b = p.contains("at") ? 0.0 : p["paths"][0]["matrix"][1].get<double>();
      if (want.x >= 0)
        EXPECT_NEAR(at[0].get<double>(), want.x, 1e-6) << c.body << " " << want.text;
      else
        EXPECT_GT(at[0].get<double>(), lastX + 1) << c.body << " " << want.text;
      EXPECT_NEAR(at[1].get<double>(), want.y, 1e-6) << c.body << " " << want.text;
      EXPECT_NEAR(b, want.rotated, 1e-9) << c.body << " " << want.text;
      lastX = at[0].get<double>();
    }
  }
}

TEST(SvgText, AFillOrStrokeThatLetsThroughIsATextOfItsOwn) {
  struct Case {
    std::string attrs;
    std::vector<std::pair<std::string, double>> texts;  // painted with, opacity; lowest first
  } cases[] = {
      {"fill-opacity='.5' stroke='#00ff00'", {{"fill", .5}, {"stroke", 1}}},
      {"stroke='#00ff00' stroke-opacity='.25' opacity='.5'", {{"fill", .5}, {"stroke", .125}}},
      {"fill='none' stroke='#00ff00' stroke-opacity='.5'", {{"stroke", .5}}},
      {"stroke='#00ff00' opacity='.5'", {{"fill and stroke", .5}}},
  };
  for (const Case& c : cases) {
    const std::vector<json> texts = Pieces(Read("<text x='10' y='40' " + c.attrs + ">a</text>"));
    ASSERT_EQ(texts.size(), c.texts.size()) << c.attrs;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const json& run = texts[i]["runs"][0];
      const std::string painted = !run["fill"].is_null() && run.contains("stroke")
                                      ? "fill and stroke"
                                  : run.contains("stroke") ? "stroke"
                                                           : "fill";
      EXPECT_EQ(painted, c.texts[i].first) << c.attrs;
      EXPECT_DOUBLE_EQ(texts[i].value("blend", json::object()).value("opacity", 1.0),
                       c.texts[i].second)
          << c.attrs;
    }
  }
}

TEST(SvgText, CharactersOfSizeZeroOrOutOfRangeAreLeftOut) {
  // A tspan of font size 0, or placed out of any page's range, is left out; the rest of
  // the text stays (the host refuses such a run: the document would not open).
  const json art = Read(
      "<text x='10' y='20' font-size='10'>ab<tspan font-size='0'>cd</tspan>"
      "<tspan font-size='1e-60'>ef</tspan><tspan y='1e80'>gh</tspan></text>");
  std::string text;
  for (const json& piece : Pieces(art))
    for (const json& run : piece["runs"])
      text += run["text"].get<std::string>();
  EXPECT_EQ(text, "ab");
}

TEST(SvgText, KerningPullsPairsTogetherAndDamagedFontsGiveNone) {
  // "AV" kerns in DejaVu Sans: the second letter stands closer than after "AA".
  const auto secondX = [](const std::string& text) {
    const json art = Read("<text font-family='DejaVu Sans' font-size='50'>" + text + "</text>");
    std::string error;
    const json scene = {{"layers", {{{"art", {art}}}}}};
    std::unique_ptr<hostsim::Document> doc = hostsim::ReadScene(scene, "t", &error);
    EXPECT_NE(doc, nullptr) << error;
    if (!doc) return 0.0;
    const auto chars = hostsim::LayoutText(*doc->layers().front()->group->children.front());
    return chars.size() == 2 ? double(chars[1].placement.tx) : 0.0;
  };
  EXPECT_LT(secondX("AV"), secondX("AA") - 1);
  // A turned character keeps its place in the kerned text.
  const std::vector<json> turned =
      Pieces(Read("<text font-family='DejaVu Sans' font-size='50' rotate='0 10'>AV</text>"));
  ASSERT_EQ(turned.size(), 2u);
  EXPECT_NEAR(turned[1]["paths"][0]["matrix"][4].get<double>(), secondX("AV"), 1e-3);

  const std::string path = ::testing::TempDir() + "/damaged-font.ttf";
  // A table directory whose GPOS lies past the file's end, one that points its lists past
  // the table, and bytes that are no font.
  const std::string directory = std::string("\0\1\0\0\0\1\0\0\0\0\0\0GPOS\0\0\0\0", 20);
  const std::string cases[] = {"", "garbage", directory + std::string("\0\0\0\x1c\0\0\x10\0", 8),
                               directory + std::string("\0\0\0\x1c\0\0\0\x0a", 8) +
                                   std::string("\0\1\0\0\xff\xf0\xff\xf0\0\0", 10)};
  for (const std::string& bytes : cases) {
    std::ofstream(path, std::ios::binary) << bytes;
    hostsim::PairKerning kerning;
    EXPECT_FALSE(kerning.Load(path, 0)) << bytes.size();
    EXPECT_EQ(kerning.Pair(1, 2), 0.0);
  }
  unlink(path.c_str());
}

}  // namespace
