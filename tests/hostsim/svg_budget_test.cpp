// Reading SVG documents within bounds: uses that multiply elements, damaged point lists and
// documents embedding many large pictures.
#include <cairo.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostsim/svg/svg.h"

namespace {

using nlohmann::json;

const std::string kRoot =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200pt\" height=\"100pt\" "
    "viewBox=\"0 0 200 100\">";

hostsim::SvgDocument Read(const std::string& body) {
  hostsim::SvgDocument doc;
  std::string error;
  EXPECT_TRUE(hostsim::ReadSvgText(kRoot + body + "</svg>", "t.svg", &doc, &error)) << error;
  return doc;
}
const json& Art(const hostsim::SvgDocument& d) {
  return d.scene["layers"][0]["art"];
}
bool HasNote(const hostsim::SvgDocument& d, const std::string& text) {
  for (const std::string& note : d.report.notes)
    if (note.find(text) != std::string::npos) return true;
  return false;
}

TEST(SvgBudget, EveryElementAUseRepeatsCountsOnceAgainstTheObjectLimit) {
  // Forty levels of groups each using the level below twice, drawing nothing: 2^40
  // elements unless each one counts.
  std::string bomb = "<rect width=\"5\" height=\"5\"/><defs><g id=\"u0\"/>";
  for (int i = 1; i <= 40; ++i) {
    const std::string below = "<use href=\"#u" + std::to_string(i - 1) + "\"/>";
    bomb += "<g id=\"u" + std::to_string(i) + "\">" + below + below + "</g>";
  }
  bomb += "</defs><use href=\"#u40\"/>";
  // Drawn through uses, a path counts once: 30,000 uses stay under the limit of 50,000.
  std::string many = "<defs><path id=\"p\" d=\"M0 0 L1 1\"/></defs>";
  for (int i = 0; i < 30000; ++i)
    many += "<use href=\"#p\"/>";
  const struct {
    const char* what;
    std::string body;
    std::size_t art;
    int dropped;
  } cases[] = {{"nested uses that draw nothing", bomb, 1, 1}, {"uses of a path", many, 30000, 0}};
  for (const auto& c : cases) {
    const hostsim::SvgDocument d = Read(c.body);
    EXPECT_EQ(Art(d).size(), c.art) << c.what;
    const auto it = d.report.dropped.find("art over the document's limit");
    EXPECT_EQ(it == d.report.dropped.end() ? 0 : it->second, c.dropped) << c.what;
    EXPECT_EQ(HasNote(d, "more than 50000 objects"), c.dropped > 0) << c.what;
  }
}

TEST(SvgBudget, PointsAreKeptUpToTheirFirstError) {
  // 20,000 points, then an error followed by two million characters more: read once.
  std::string longList = "10,20 30,40 ";
  for (int i = 2; i < 20000; ++i)
    longList += std::to_string(i % 200) + "," + std::to_string(i % 100) + " ";
  const std::size_t longError = longList.size();
  longList += "x";
  for (int i = 0; i < 1000000; ++i)
    longList += "1 ";
  const struct {
    std::string points;
    std::size_t count;
    std::string note;  // empty when the list is sound
  } cases[] = {
      {"10,20 30,40 50", 2, ""},  // an odd number: the last one is not a point
      {"10,20 30,40,", 2, "points not valid at offset 11: kept up to there"},
      {"10,20 30 40 5e", 2, "points not valid at offset 13: kept up to there"},
      {"x 1 2", 0, "points not valid at offset 0: nothing drawn"},
      {longList, 20000,
       "points not valid at offset " + std::to_string(longError) + ": kept up to there"},
  };
  for (const auto& c : cases) {
    const hostsim::SvgDocument d = Read("<polyline points=\"" + c.points + "\"/>");
    const std::string what = c.points.substr(0, 20);
    EXPECT_EQ(HasNote(d, "points not valid"), !c.note.empty()) << what;
    if (!c.note.empty()) {
      EXPECT_TRUE(HasNote(d, c.note)) << what << ": " << d.report.notes[0];
    }
    if (c.count == 0) {
      EXPECT_TRUE(Art(d).empty()) << what;
      continue;
    }
    ASSERT_EQ(Art(d).size(), 1u) << what;
    const json& points = Art(d)[0]["points"];
    ASSERT_EQ(points.size(), c.count) << what;
    // Page coordinates: y up from the artboard's bottom.
    EXPECT_EQ(points[1], json({30.0, 60.0})) << what;
    if (c.count == 20000) {
      EXPECT_EQ(points[19999], json({199.0, 1.0}));
    }
  }
}

// A PNG of one colour: a few dozen kilobytes however large it is.
std::string FlatPng(int width, int height) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 0.2, 0.4, 0.6);
  cairo_paint(cr);
  cairo_destroy(cr);
  std::string bytes;
  cairo_surface_write_to_png_stream(
      s,
      [](void* closure, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
      },
      &bytes);
  cairo_surface_destroy(s);
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string base64;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    base64 += kDigits[v >> 18];
    base64 += kDigits[(v >> 12) & 63];
    base64 += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
    base64 += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
  }
  return "data:image/png;base64," + base64;
}

TEST(SvgBudget, PicturesPastTheDocumentsPixelLimitAreLeftOutAndCounted) {
  // Twelve pictures of 3000 × 3000 pixels: two fit in the document's 24 Mi pixels; a
  // small one after them still fits.
  const std::string large = FlatPng(3000, 3000);
  ASSERT_LT(large.size(), 200000u);
  std::string body;
  for (int i = 0; i < 12; ++i)
    body += "\n<image width=\"10\" height=\"10\" href=\"" + large + "\"/>";
  body += "\n<image width=\"10\" height=\"10\" href=\"" + FlatPng(10, 10) + "\"/>";
  const hostsim::SvgDocument d = Read(body);
  ASSERT_EQ(Art(d).size(), 3u);
  EXPECT_EQ(Art(d)[0]["width"], 10);
  for (int i = 1; i < 3; ++i)
    EXPECT_EQ(Art(d)[i]["width"], 3000);
  EXPECT_EQ(d.report.dropped.at("picture past the document's pixel limit"), 10);
  // One note, at the first picture left out (line 4: the root is line 1).
  EXPECT_TRUE(
      HasNote(d, "t.svg:4: 10 picture(s) past the document's limit of 24 Mi pixels: left out"))
      << (d.report.notes.empty() ? "" : d.report.notes[0]);
}

}  // namespace
