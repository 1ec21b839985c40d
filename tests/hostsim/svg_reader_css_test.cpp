// Reading SVG documents: CSS colours with alpha, the cascade's corners (at-rules,
// !important, invalid keywords), font-size percentages and CSS transforms.
#include <gtest/gtest.h>

#include <functional>

#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg.h"

namespace {

using nlohmann::json;

// Reads `body` in a root of 200 × 100 points whose user units are points.
hostsim::SvgDocument Read(const std::string& body) {
  hostsim::SvgDocument doc;
  std::string error;
  const std::string text =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200pt\" height=\"100pt\" "
      "viewBox=\"0 0 200 100\">" +
      body + "</svg>";
  EXPECT_TRUE(hostsim::ReadSvgText(text, "t.svg", &doc, &error)) << error;
  EXPECT_NE(hostsim::ReadScene(doc.scene, "t.svg", &error), nullptr) << error;
  return doc;
}

json Art(const hostsim::SvgDocument& d) {
  return d.scene["layers"][0]["art"][0];
}

// The value at `pointer` in `art`, null when there is none.
json At(const json& art, const std::string& pointer) {
  const json::json_pointer p(pointer);
  return art.contains(p) ? art[p] : json();
}

TEST(SvgReaderCss, ColoursWithAlphaJoinTheirPaintsOpacity) {
  struct Case {
    std::string attrs;
    std::string pointer;  // where the colour is
    json color;
    double opacity;  // the art's opacity
  } cases[] = {
      {"fill=\"rgba(255, 0, 0, 0.5)\"", "/fill", "#ff0000", 0.5},
      {"fill=\"rgb(0 127 0 / 50%)\"", "/fill", "#007f00", 0.5},
      {"fill=\"rgb(0 50% 0)\"", "/fill", "#008000", 1},
      {"fill=\"RGB(0 127 0)\"", "/fill", "#007f00", 1},
      {"fill=\"rgba(10%, 20%, 30%, 25%)\"", "/fill", "#1a334d", 0.25},
      {"fill=\"#00ff0080\"", "/fill", "#00ff00", 128 / 255.0},
      {"fill=\"#0f08\"", "/fill", "#00ff00", 0x88 / 255.0},
      {"fill=\"hsl(120, 100%, 50%)\"", "/fill", "#00ff00", 1},
      {"fill=\"hsla(240, 100%, 50%, 0.25)\"", "/fill", "#0000ff", 0.25},
      {"fill=\"hsl(0.5turn 100% 25% / .5)\"", "/fill", "#008080", 0.5},
      {"fill=\"hsl(-120deg 100% 50%)\"", "/fill", "#0000ff", 1},
      {"fill=\"transparent\" stroke=\"red\"", "/fill", nullptr, 1},
      {"fill=\"rgba(0,0,255,.5)\" fill-opacity=\"0.5\"", "/fill", "#0000ff", 0.25},
      {"fill=\"none\" stroke=\"rgba(0,0,255,0.5)\"", "/stroke/color", "#0000ff", 0.5},
      {"color=\"rgba(0,0,255,0.5)\" fill=\"currentColor\"", "/fill", "#0000ff", 0.5},
      {"fill=\"url(#none) rgb(255 0 0 / 0.5)\"", "/fill", "#ff0000", 0.5},
      {"style=\"fill: rgba(255, 0, 0, 0.5)\"", "/fill", "#ff0000", 0.5},
      // Not colours: the inherited black stays.
      {"fill=\"rgb(0 0 255, 0.5)\"", "/fill", "#000000", 1},
      {"fill=\"rgba(0, 0)\"", "/fill", "#000000", 1},
      {"fill=\"rgba(0, 50%, 0, 0.5)\"", "/fill", "#000000", 1},
      {"fill=\"hsl(120, 100, 50)\"", "/fill", "#000000", 1},
      {"fill=\"#12345\"", "/fill", "#000000", 1},
  };
  for (const Case& c : cases) {
    const auto d = Read("<rect width=\"1\" height=\"1\" " + c.attrs + "/>");
    const json art = Art(d);
    EXPECT_EQ(At(art, c.pointer), c.color) << c.attrs;
    const json opacity = At(art, "/blend/opacity");
    EXPECT_NEAR(opacity.is_null() ? 1.0 : opacity.get<double>(), c.opacity, 1e-12) << c.attrs;
  }
  // A stop colour's alpha joins its stop-opacity; transparent stops differ from opaque ones.
  const auto g = Read(
      "<linearGradient id=\"g\"><stop stop-color=\"rgba(255,0,0,0.5)\" stop-opacity=\"0.5\"/>"
      "<stop offset=\"1\" stop-color=\"rgb(0 0 255 / 50%)\" stop-opacity=\"0.5\"/></linearGradient>"
      "<rect width=\"1\" height=\"1\" fill=\"url(#g)\"/>");
  EXPECT_DOUBLE_EQ(At(Art(g), "/blend/opacity").get<double>(), 0.25);
  EXPECT_EQ(g.scene["gradients"][0]["stops"][1]["color"], "#0000ff");
  const auto t = Read(
      "<linearGradient id=\"g\"><stop stop-color=\"transparent\"/><stop offset=\"1\" "
      "stop-color=\"red\"/></linearGradient><rect width=\"1\" height=\"1\" fill=\"url(#g)\"/>");
  EXPECT_EQ(t.report.dropped.at("stop-opacity"), 1);
}

TEST(SvgReaderCss, StylesCascadeAsCssSays) {
  struct Case {
    std::string body;
    std::string pointer;
    json expected;
  } cases[] = {
      // An at-rule without a block ends at its semicolon.
      {"<style>@import url(x.css); rect { fill: lime }</style><rect width=\"1\" height=\"1\"/>",
       "/fill", "#00ff00"},
      {"<style>@charset \"utf-8\";rect{fill:lime}@media print{rect{fill:red}}</style>"
       "<rect width=\"1\" height=\"1\"/>",
       "/fill", "#00ff00"},
      // !important beats specificity and the style attribute; among important ones the
      // cascade holds.
      {"<style>rect { fill: lime !important } #r { fill: red }</style>"
       "<rect id=\"r\" width=\"1\" height=\"1\" style=\"fill: blue\"/>",
       "/fill", "#00ff00"},
      {"<style>#r { fill: red ! IMPORTANT }</style>"
       "<rect id=\"r\" width=\"1\" height=\"1\" style=\"fill: lime !important; fill: blue\"/>",
       "/fill", "#00ff00"},
      // Of two rules of equal rank the later wins, whichever class or selector each
      // selects by; so among important ones.
      {"<style>.a { fill: red } .b { fill: lime }</style>"
       "<rect class=\"b a\" width=\"1\" height=\"1\"/>",
       "/fill", "#00ff00"},
      {"<style>.b { fill: red } [x] { fill: lime }</style>"
       "<rect class=\"b\" x=\"0\" width=\"1\" height=\"1\"/>",
       "/fill", "#00ff00"},
      {"<style>.b { fill: red !important } .a { fill: lime !important } #r { fill: red }"
       "</style><rect id=\"r\" class=\"a b\" width=\"1\" height=\"1\"/>",
       "/fill", "#00ff00"},
      // Comments in a style attribute are left out.
      {"<rect width=\"1\" height=\"1\" style=\"/*a*/fill:lime/* b; */\"/>", "/fill", "#00ff00"},
      // An invalid keyword is ignored: what came before holds.
      {"<rect width=\"1\" height=\"1\" fill-rule=\"evenodd\" style=\"fill-rule: bogus\"/>",
       "/evenOdd", true},
      {"<rect width=\"1\" height=\"1\" stroke=\"red\" stroke-linecap=\"round\" "
       "style=\"stroke-linecap: bogus\"/>",
       "/stroke/cap", "round"},
      {"<rect width=\"1\" height=\"1\" stroke=\"red\" stroke-linejoin=\"bevel\" "
       "style=\"stroke-linejoin: bogus\"/>",
       "/stroke/join", "bevel"},
      // stop-color: currentColor is the stop's color wherever color is given.
      {"<linearGradient id=\"g\"><stop stop-color=\"currentColor\" color=\"#00ff00\"/>"
       "</linearGradient><rect width=\"1\" height=\"1\" fill=\"url(#g)\"/>",
       "/fill", "#00ff00"},
      {"<linearGradient id=\"g\" color=\"#00ff00\"><stop style=\"stop-color: currentColor\"/>"
       "</linearGradient><rect width=\"1\" height=\"1\" fill=\"url(#g)\"/>",
       "/fill", "#00ff00"},
      // A font-size percentage is of the parent's font size.
      {"<g font-size=\"20\"><text font-size=\"150%\">A</text></g>", "/children/0/runs/0/size",
       30.0},
      {"<text style=\"font-size: 50%\">A</text>", "/runs/0/size", 8.0},
      {"<text font-size=\"12\" style=\"font-size: -5%\">A</text>", "/runs/0/size", 12.0},
      {"<text font-style=\"italic\" style=\"font-style: slanted\">A</text>",
       "/runs/0/fontRecord/italic", 1},
      {"<text style=\"font-style: oblique 10deg\">A</text>", "/runs/0/fontRecord/italic", 1},
  };
  for (const Case& c : cases) {
    const auto d = Read(c.body);
    EXPECT_EQ(At(Art(d), c.pointer), c.expected) << c.body << "\n" << Art(d).dump();
  }
}

TEST(SvgReaderCss, SelectorsMatchAsCssSays) {
  // A rule paints lime; the rect with id "t" must be lime, the one with id "o" must not.
  const std::string kTree =
      "<g id='g1' class='outer'><g><rect id='t' x='1' class='a b' width='1' height='1'/>"
      "<rect id='o' class='a' width='1' height='1'/></g></g>";
  const struct {
    const char* rule;
    bool valid;  // false: refused and reported
  } kCases[] = {
      {"[x] { fill: lime }", true},
      {"rect[x='1'] { fill: lime }", true},
      {"[class~=b] { fill: lime }", true},
      {"[id^=t] { fill: lime }", true},
      {".a.b { fill: lime }", true},
      {"g#g1 rect.b { fill: lime }", true},
      {"g > rect:first-child { fill: lime }", true},
      {"#o ~ rect, .outer g > * { fill: red } g g rect#t { fill: lime }", true},
      {"rect + rect { fill: red } #t { fill: lime }", true},
      {".outer > rect { fill: red } #t { fill: lime }", true},
      {"rect::before { fill: red } #t { fill: lime }", false},
      {"rect:hover { fill: red } #t { fill: lime }", false},
  };
  for (const auto& c : kCases) {
    const hostsim::SvgDocument d = Read(std::string("<style>") + c.rule + "</style>" + kTree);
    json t, o;
    std::function<void(const json&)> find = [&](const json& art) {
      if (art.is_array()) {
        for (const json& a : art)
          find(a);
        return;
      }
      if (art.value("id", "") == "t") t = art;
      if (art.value("id", "") == "o") o = art;
      if (art.contains("children")) find(art["children"]);
    };
    find(d.scene["layers"][0]["art"]);
    EXPECT_EQ(t["fill"], "#00ff00") << c.rule;
    EXPECT_NE(o["fill"], "#00ff00") << c.rule;
    EXPECT_EQ(d.report.dropped.count("CSS selector"), c.valid ? 0u : 1u) << c.rule;
  }
}

TEST(SvgReaderCss, CssTransformsApplyAsTheAttributeWould) {
  struct Case {
    std::string body;  // draws the point (10, 20) of user space
    double x, y;       // where it lands on the page
  } cases[] = {
      {"<path d=\"M10 20 L0 0\" style=\"transform: rotate(90deg)\"/>", -20, 90},
      {"<path d=\"M10 20 L0 0\" style=\"transform: rotate(0.25turn)\"/>", -20, 90},
      {"<style>path { transform: translate(1in, 10px) }</style><path d=\"M10 20 L0 0\"/>", 106, 70},
      {"<path d=\"M10 20 L0 0\" transform=\"translate(50)\" style=\"transform: scale(2)\"/>", 20,
       60},
      {"<path d=\"M10 20 L0 0\" transform=\"translate(50)\" style=\"transform: none\"/>", 10, 80},
      {"<path d=\"M10 20 L0 0\" style=\"transform: translateX(5px) scaleY(50%), skewX(45deg)\"/>",
       35, 90},
      // Not valid: the attribute holds.
      {"<path d=\"M10 20 L0 0\" transform=\"translate(5 0)\" style=\"transform: rotate(4px)\"/>",
       15, 80},
      // On a group, and on a clip path's shape.
      {"<g style=\"transform: translate(-10px, -20px)\"><path d=\"M10 20 L1 1\"/></g>", 0, 100},
  };
  for (const Case& c : cases) {
    const auto d = Read(c.body);
    json art = Art(d);
    while (art.contains("children"))
      art = art["children"][0];
    ASSERT_TRUE(art.contains("points")) << c.body << "\n" << art.dump();
    EXPECT_NEAR(art["points"][0][0].get<double>(), c.x, 1e-9) << c.body;
    EXPECT_NEAR(art["points"][0][1].get<double>(), c.y, 1e-9) << c.body;
  }
  const auto clipped = Read(
      "<clipPath id=\"c\"><rect width=\"10\" height=\"10\" style=\"transform: translate(5px, "
      "5px)\"/></clipPath><rect width=\"50\" height=\"50\" clip-path=\"url(#c)\"/>");
  const json clip = Art(clipped)["children"][0];
  ASSERT_TRUE(clip.value("clip", false)) << clip.dump();
  double left = 1e9;
  for (const auto& p : clip["points"])
    left = std::min(left, p[0].get<double>());
  EXPECT_DOUBLE_EQ(left, 5);
}

}  // namespace
