// Constructs the reader once drew differently from what SVG says without a word: each is
// now read as SVG says, or read as near as the host allows and said so in the report.
#include <gtest/gtest.h>

#include <functional>

#include "hostsim/svg/svg.h"

namespace {

using nlohmann::json;

hostsim::SvgDocument Read(const std::string& body) {
  hostsim::SvgDocument doc;
  std::string error;
  EXPECT_TRUE(hostsim::ReadSvgText(
      "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
      "width='200' height='200' viewBox='0 0 200 200'>" +
          body + "</svg>",
      "t.svg", &doc, &error))
      << error;
  return doc;
}

const json& Art(const hostsim::SvgDocument& d) {
  return d.scene["layers"][0]["art"];
}

bool Noted(const hostsim::SvgDocument& d, const std::string& what) {
  for (const std::string& note : d.report.notes)
    if (note.find(what) != std::string::npos) return true;
  return false;
}

// Whether every point of `art` lies within left, bottom, right, top.
bool Within(const json& art, double l, double b, double r, double t) {
  if (art.is_array() && art.size() == 2 && art[0].is_number())
    return art[0] >= l - 1e-9 && art[0] <= r + 1e-9 && art[1] >= b - 1e-9 && art[1] <= t + 1e-9;
  if (art.is_array() || art.is_object()) {
    for (const auto& [key, value] : art.items())
      if (key != "fill" && !Within(value, l, b, r, t)) return false;
  }
  return true;
}

TEST(SvgReaderConditions, ReadAsSvgSaysOrSaidSo) {
  const struct {
    const char* body;
    std::function<bool(const hostsim::SvgDocument&)> holds;
  } cases[] = {
      // Conditions hold on every element, not only in a switch.
      {"<rect width='9' height='9' systemLanguage='ru-RU'/><rect width='8' height='8' "
       "systemLanguage='en'/>",
       [](const hostsim::SvgDocument& d) { return Art(d).size() == 1; }},
      // A sheet in another language is not CSS.
      {"<style type='text/x-other'>rect { fill: red }</style><rect width='9' height='9' "
       "fill='green'/>",
       [](const hostsim::SvgDocument& d) {
         return Art(d)[0]["fill"] == "#008000" && Noted(d, "style sheet of type");
       }},
      // marker is no presentation attribute.
      {"<marker id='m'><rect width='2' height='2'/></marker><path d='M0 0L9 9' stroke='red' "
       "marker='url(#m)'/>",
       [](const hostsim::SvgDocument& d) { return Art(d)[0]["type"] == "path"; }},
      // An arc is one segment: no vertex, and no mid marker, where it is split in quarters.
      {"<marker id='m'><rect width='2' height='2'/></marker><path d='M10 50A40 30 0 1 1 90 50' "
       "stroke='red' fill='none' marker-mid='url(#m)'/>",
       [](const hostsim::SvgDocument& d) { return Art(d)[0]["type"] == "path"; }},
      // A fade of less than a step of the bands: the gradient at the least opacity.
      {"<linearGradient id='g'><stop/><stop offset='1' stop-color='red' stop-opacity='.99'/>"
       "</linearGradient><rect width='9' height='9' fill='url(#g)'/>",
       [](const hostsim::SvgDocument& d) {
         return Art(d)[0]["type"] == "path" && Art(d)[0]["blend"]["opacity"] == 0.99;
       }},
      // The bands of a fade lie within the shape's bounds, however the gradient turns.
      {"<linearGradient id='g' gradientTransform='rotate(30)'><stop/><stop offset='1' "
       "stop-opacity='0'/></linearGradient><rect width='100' height='20' fill='url(#g)'/>",
       [](const hostsim::SvgDocument& d) {
         return Art(d)[0]["clipped"] == true && Within(Art(d), 0, 135, 75, 150);
       }},
      // A stop offset in a unit is not valid: 0.
      {"<linearGradient id='g'><stop offset='5mm' stop-color='yellow'/><stop offset='1' "
       "stop-color='green'/></linearGradient><rect width='9' height='9' fill='url(#g)'/>",
       [](const hostsim::SvgDocument& d) {
         return d.scene["gradients"][0]["stops"][0]["ramp"] == 0 && Noted(d, "offset not valid");
       }},
      // A focal circle past the circle: the ramp runs inwards, from r / fr to the focal one.
      {"<radialGradient id='g' fr='0.7'><stop offset='0'/><stop offset='1' stop-color='#fff'/>"
       "</radialGradient><rect width='100' height='100' fill='url(#g)'/>",
       [](const hostsim::SvgDocument& d) {
         const json& stops = d.scene["gradients"][0]["stops"];
         return stops[0]["color"] == "#ffffff" &&
                std::abs(stops[0]["ramp"].get<double>() - 100 * 0.5 / 0.7) < 1e-9 &&
                stops[1]["color"] == "#000000" &&
                std::abs(Art(d)[0]["fill"]["length"].get<double>() - 0.7) < 1e-9;
       }},
      // A gradient transform without an inverse is left out.
      {"<linearGradient id='g' gradientTransform='matrix(0 0 0 0 0 0)'><stop/><stop "
       "offset='1' stop-color='green'/></linearGradient><rect width='9' height='9' "
       "fill='url(#g)'/>",
       [](const hostsim::SvgDocument& d) {
         return Art(d)[0]["fill"]["matrix"][0] != 0 && Noted(d, "not invertible");
       }},
      // A use of an svg element sizes its viewport; the svg keeps its place.
      {"<defs><svg id='s' x='40' y='40' width='80' height='80'><rect width='300' "
       "height='300'/></svg></defs><use xlink:href='#s' width='100' height='150'/>",
       [](const hostsim::SvgDocument& d) {
         const json& clip = Art(d)[0]["children"][0]["children"][0]["points"];
         return clip.dump() == "[[30.0,120.0],[105.0,120.0],[105.0,7.5],[30.0,7.5]]";
       }},
      // A subpath of no length takes its square cap (the host's stroke draws nothing).
      {"<path d='M10 10L10 10M30 10L30 10' stroke='green' stroke-width='4' "
       "stroke-linecap='square'/>",
       [](const hostsim::SvgDocument& d) {
         const json& caps = Art(d)[0]["children"][1];
         return caps["fill"] == "#008000" && caps["children"].size() == 2 &&
                caps["children"][0]["points"][0] == json({6.0, 144.0});
       }},
      // Dashes of no length with butt caps paint nothing.
      {"<rect width='9' height='9' fill='none' stroke='red' stroke-dasharray='0 4'/>",
       [](const hostsim::SvgDocument& d) {
         return Art(d).dump().find("\"stroke\"") == std::string::npos;
       }},
      // What the host cannot carry is said.
      {"<rect width='9' height='9' fill='red icc-color(x, 0.1, 0.2, 0.3, 0)'/>",
       [](const hostsim::SvgDocument& d) { return Noted(d, "ICC colour"); }},
      {"<text y='20' font-family='Noto Sans'>\u041f\u0440\u0438</text>",
       [](const hostsim::SvgDocument& d) { return Noted(d, "Japanese face"); }},
      {"<text y='20' fill='green' stroke='blue' paint-order='stroke'>a</text>",
       [](const hostsim::SvgDocument& d) { return Noted(d, "paint-order on text"); }},
      {"<pattern id='p' width='4' height='4' patternUnits='userSpaceOnUse'><rect width='2' "
       "height='2'/></pattern><text y='20' stroke='url(#p)'>a</text>",
       [](const hostsim::SvgDocument& d) { return Noted(d, "on the stroke of text"); }},
      {"<radialGradient id='g' fx='2'><stop/><stop offset='1' stop-color='red'/>"
       "</radialGradient><rect width='9' height='9' fill='url(#g)'/>",
       [](const hostsim::SvgDocument& d) { return Noted(d, "focus outside the circle"); }},
  };
  for (const auto& c : cases) {
    const hostsim::SvgDocument d = Read(c.body);
    EXPECT_TRUE(c.holds(d)) << c.body << "\n"
                            << Art(d).dump() << "\n"
                            << (d.report.notes.empty() ? "" : d.report.notes.front());
  }
  // The document's background colour is left out, said so.
  hostsim::SvgDocument doc;
  std::string error;
  ASSERT_TRUE(hostsim::ReadSvgText(
      "<svg xmlns='http://www.w3.org/2000/svg' style='background-color: blue' width='9' "
      "height='9'><rect width='9' height='9'/></svg>",
      "t.svg", &doc, &error));
  EXPECT_TRUE(Noted(doc, "background-color"));
}

}  // namespace
