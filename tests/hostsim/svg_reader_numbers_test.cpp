// Numbers as SVG optimisers write them, packed without separators: a sign or a second
// point starts the next number ("2-3", ".5.5", "1e-3.5"). Each attribute kind, and a whole
// file of such output, must read as the same text with separators does.
#include <gtest/gtest.h>

#include "hostsim/svg/svg.h"

namespace {

hostsim::SvgDocument Read(const std::string& body) {
  hostsim::SvgDocument doc;
  std::string error;
  const std::string text =
      "<svg xmlns='http://www.w3.org/2000/svg' width='200pt' height='100pt' "
      "viewBox='0 0 200 100'>" +
      body + "</svg>";
  EXPECT_TRUE(hostsim::ReadSvgText(text, "t.svg", &doc, &error)) << error;
  return doc;
}

void ExpectAlike(const hostsim::SvgDocument& compact, const hostsim::SvgDocument& spaced) {
  ASSERT_FALSE(spaced.scene["layers"].empty());
  EXPECT_FALSE(spaced.scene["layers"][0]["art"].empty()) << spaced.scene.dump();
  EXPECT_TRUE(spaced.report.empty()) << spaced.report.Lines().front();
  EXPECT_EQ(compact.report.Lines(), spaced.report.Lines());
  EXPECT_EQ(compact.scene, spaced.scene);
}

TEST(SvgReaderNumbers, EachAttributeKindReadsPackedNumbersAsSeparatedOnes) {
  const std::string rect = "<rect width='10' height='20' fill='#f00' ";
  struct Case {
    const char* what;
    std::string compact, spaced;
  } cases[] = {
      {"matrix", rect + "transform='matrix(.7071-.7071.7071.7071-13.255 32)'/>",
       rect + "transform='matrix(.7071 -.7071 .7071 .7071 -13.255 32)'/>"},
      {"transform list", rect + "transform='translate(2-3)rotate(45-1-1)scale(.5.5)'/>",
       rect + "transform='translate(2 -3) rotate(45 -1 -1) scale(.5 .5)'/>"},
      {"exponents and skews", rect + "transform='skewX(-1e1)translate(1e-3.5)skewY(2e+1)'/>",
       rect + "transform='skewX(-1e1) translate(1e-3 .5) skewY(2e+1)'/>"},
      {"path data", "<path d='M.5.5L20-3.5.5.5h-1.5.5v2C1-1.2.3.4.5 0Z'/>",
       "<path d='M .5 .5 L 20 -3.5 .5 .5 h -1.5 .5 v 2 C 1 -1.2 .3 .4 .5 0 Z'/>"},
      {"arc flags", "<path d='M10 10a5 5 0 00.5.5A5 5 30 1140-10' stroke='#000'/>",
       "<path d='M10 10 a5 5 0 0 0 .5 .5 A5 5 30 1 1 40 -10' stroke='#000'/>"},
      {"polyline points", "<polyline points='10-5.5.5 20,30-1e1.5-2' stroke='#000'/>",
       "<polyline points='10 -5.5 .5 20 30 -1e1 .5 -2' stroke='#000'/>"},
      {"polygon points", "<polygon points='.5.5 20-3.5 1e1.5'/>",
       "<polygon points='.5 .5 20 -3.5 1e1 .5'/>"},
      {"nested viewBox",
       "<svg width='100' height='50' viewBox='-10-5.5 20 10'>" + rect + "/></svg>",
       "<svg width='100' height='50' viewBox='-10 -5.5 20 10'>" + rect + "/></svg>"},
      {"dashes", "<path d='M0 0H90' stroke='#000' stroke-dasharray='.5.5 2'/>",
       "<path d='M0 0H90' stroke='#000' stroke-dasharray='.5 .5 2'/>"},
      {"dashes in a style", "<path d='M0 0H90' style='stroke:#000;stroke-dasharray:1.5.5'/>",
       "<path d='M0 0H90' style='stroke:#000;stroke-dasharray:1.5 .5'/>"},
      {"gradient transform",
       "<linearGradient id='g' gradientTransform='rotate(30-1.5.5)'><stop stop-color='#f00'/>"
       "<stop offset='1' stop-color='#00f'/></linearGradient>" +
           rect + "style='fill:url(#g)'/>",
       "<linearGradient id='g' gradientTransform='rotate(30 -1.5 .5)'><stop stop-color='#f00'/>"
       "<stop offset='1' stop-color='#00f'/></linearGradient>" +
           rect + "style='fill:url(#g)'/>"},
      {"pattern transform",
       "<pattern id='p' width='4' height='4' patternUnits='userSpaceOnUse' "
       "patternTransform='translate(1-1)scale(.5.5)'><rect width='2' height='2'/></pattern>" +
           rect + "style='fill:url(#p)'/>",
       "<pattern id='p' width='4' height='4' patternUnits='userSpaceOnUse' "
       "patternTransform='translate(1 -1) scale(.5 .5)'><rect width='2' height='2'/></pattern>" +
           rect + "style='fill:url(#p)'/>"},
      {"text positions", "<text x='10-5.5.5' y='20' dx='1-1.5'>abc</text>",
       "<text x='10 -5.5 .5' y='20' dx='1 -1.5'>abc</text>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectAlike(Read(c.compact), Read(c.spaced));
  }
}

TEST(SvgReaderNumbers, PackedNumbersThatAreNotValidStayRefused) {
  // A separator is never required, but a comma still needs a number on each side, and a
  // transform its own count of numbers.
  for (const char* t :
       {"translate(1,)", "translate(,1)", "translate(1,,2)", "scale(1 2 3)", "matrix(1 0 0 1 0)",
        "rotate(1-2)", "translate(1)scale(2),", "trans late(1)"}) {
    SCOPED_TRACE(t);
    const auto d = Read("<rect width='1' height='1' transform='" + std::string(t) + "'/>");
    ASSERT_EQ(d.report.notes.size(), 1u);
    EXPECT_NE(d.report.notes[0].find("transform not valid"), std::string::npos)
        << d.report.notes[0];
  }
  const auto dashes = Read("<path d='M0 0H9' stroke='#000' stroke-dasharray='1,,2'/>");
  EXPECT_EQ(dashes.report.notes.size(), 1u);
}

TEST(SvgReaderNumbers, OptimisedFileReadsAsTheSameFileWithSeparators) {
  const std::string data = std::string(VELM_TEST_DATA) + "/svg/";
  hostsim::SvgDocument compact, spaced;
  std::string error;
  ASSERT_TRUE(hostsim::ReadSvgFile(data + "numbers-packed.svg", &compact, &error)) << error;
  ASSERT_TRUE(hostsim::ReadSvgFile(data + "numbers-spaced.svg", &spaced, &error)) << error;
  ExpectAlike(compact, spaced);
  EXPECT_EQ(compact.width, spaced.width);
  EXPECT_EQ(compact.height, spaced.height);
}

}  // namespace
