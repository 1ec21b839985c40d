// Scenes: documents written as JSON (layers, art of every kind with its paint, selection,
// ids for art), read and written by the stand-in host, and a small C++ builder for them.
// hostsim/README.md describes the format.
#pragma once

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "hostsim/core/document.h"

namespace hostsim {

// Reads a scene into a new document. On failure returns null and sets `error` to
// "<file>: <JSON pointer>: <what is wrong>" (or the parser's line and column); nothing
// of the scene is kept.
std::unique_ptr<Document> ReadScene(const nlohmann::json& scene, const std::string& file,
                                    std::string* error);
std::unique_ptr<Document> ReadSceneText(const std::string& text, const std::string& file,
                                        std::string* error);
// The document as a scene (reading it back gives the same document).
nlohmann::json WriteScene(Document& document);
// Written with WriteFileAtomically (hostsim/core/file_output.h).
bool WriteSceneFile(Document& document, const std::string& path, std::string* error);
// ---- Builder ----
namespace scene {

using Json = nlohmann::json;
using Point = std::pair<double, double>;

// Colours.
Json Gray(double gray);
Json Rgb(double red, double green, double blue);
Json Cmyk(double cyan, double magenta, double yellow, double black);
Json Custom(const std::string& name, double tint = 1.0);
Json None();
// A gradient fill: `matrix` maps gradient space (a ramp from (0, 0) along the x axis,
// `length` long) to artwork coordinates.
Json GradientFill(const std::string& name, double length, std::vector<double> matrix);
Json PatternFill(const std::string& name);
// A stroke.
Json Stroke(Json color, double width);

// One art object of the scene.
class Art {
 public:
  explicit Art(const std::string& type);
  Art& Id(const std::string& id);
  Art& Selected(bool selected = true);
  Art& Hidden(bool hidden = true);
  Art& Fill(Json color);
  Art& Stroke(Json color, double width);
  Art& EvenOdd(bool evenOdd = true);
  Art& Clip(bool clip = true);
  Art& Opacity(double opacity);
  Art& Blend(const std::string& mode);
  // Any other key of the format.
  Art& Set(const std::string& key, Json value);
  Art& Add(const Art& child);
  const Json& json() const { return json_; }

 private:
  Json json_;
};

Art Path(std::initializer_list<Point> points, bool closed);
// A closed rectangle path.
Art Rect(double left, double bottom, double right, double top);
Art Group(std::initializer_list<Art> children);
Art ClipGroup(std::initializer_list<Art> children);
Art Compound(std::initializer_list<Art> children);
// Point text at (x, y), UTF-8, in IPAGothic.
Art Text(const std::string& utf8, double x, double y, double size);
// An RGB raster, `hex` its pixels (rows from the top), placed upright with its top-left
// corner at (x, y), `scale` points a pixel.
Art Raster(int width, int height, const std::string& hex, double x, double y, double scale);
// A cartesian mesh of i × j patches over the rectangle, node colours row by row (i, then j).
Art Mesh(int i, int j, double left, double bottom, double right, double top,
         std::vector<Json> colors);

class Scene {
 public:
  Scene& Layer(const std::string& name, std::initializer_list<Art> art);
  Scene& Gradient(const std::string& name, const std::string& type,
                  std::vector<std::pair<double, Json>> stops);
  Scene& Pattern(const std::string& name, std::initializer_list<Art> art);
  Scene& CustomColor(const std::string& name, const std::string& kind, std::vector<double> values);
  Scene& PluginGroup(const std::string& name);
  const Json& json() const { return json_; }

 private:
  Json json_ = Json::object();
};

}  // namespace scene
}  // namespace hostsim
