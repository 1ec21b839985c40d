// The C++ builder of scenes: small functions that make the JSON of the scene format.
#include <cstdio>

#include "hostsim/scene/scene.h"

namespace hostsim::scene {

Json Gray(double gray) {
  return {{"gray", gray}};
}
Json Rgb(double red, double green, double blue) {
  return {{"rgb", {red, green, blue}}};
}
Json Cmyk(double cyan, double magenta, double yellow, double black) {
  return {{"cmyk", {cyan, magenta, yellow, black}}};
}
Json Custom(const std::string& name, double tint) {
  return {{"custom", name}, {"tint", tint}};
}
Json None() {
  return "none";
}
Json GradientFill(const std::string& name, double length, std::vector<double> matrix) {
  return {{"gradient", name}, {"length", length}, {"matrix", matrix}};
}
Json PatternFill(const std::string& name) {
  return {{"pattern", name}};
}
Json Stroke(Json color, double width) {
  return {{"color", std::move(color)}, {"width", width}};
}

Art::Art(const std::string& type) : json_({{"type", type}}) {}

Art& Art::Id(const std::string& id) {
  return Set("id", id);
}
Art& Art::Selected(bool selected) {
  return Set("selected", selected);
}
Art& Art::Hidden(bool hidden) {
  return Set("hidden", hidden);
}
Art& Art::Fill(Json color) {
  return Set("fill", std::move(color));
}
Art& Art::Stroke(Json color, double width) {
  return Set("stroke", scene::Stroke(std::move(color), width));
}
Art& Art::EvenOdd(bool evenOdd) {
  return Set("evenOdd", evenOdd);
}
Art& Art::Clip(bool clip) {
  return Set("clip", clip);
}
Art& Art::Opacity(double opacity) {
  json_["blend"]["opacity"] = opacity;
  return *this;
}
Art& Art::Blend(const std::string& mode) {
  json_["blend"]["mode"] = mode;
  return *this;
}
Art& Art::Set(const std::string& key, Json value) {
  json_[key] = std::move(value);
  return *this;
}
Art& Art::Add(const Art& child) {
  json_["children"].push_back(child.json());
  return *this;
}

Art Path(std::initializer_list<Point> points, bool closed) {
  Json list = Json::array();
  for (const Point& p : points)
    list.push_back({p.first, p.second});
  return Art("path").Set("points", list).Set("closed", closed);
}

Art Rect(double left, double bottom, double right, double top) {
  return Path({{left, bottom}, {right, bottom}, {right, top}, {left, top}}, true);
}

namespace {

Art Container(const std::string& type, std::initializer_list<Art> children) {
  Art a(type);
  a.Set("children", Json::array());
  for (const Art& c : children)
    a.Add(c);
  return a;
}

}  // namespace

Art Group(std::initializer_list<Art> children) {
  return Container("group", children);
}
Art ClipGroup(std::initializer_list<Art> children) {
  return Container("group", children).Set("clipped", true);
}
Art Compound(std::initializer_list<Art> children) {
  return Container("compound", children);
}

Art Text(const std::string& utf8, double x, double y, double size) {
  return Art("text")
      .Set("runs", Json::array({{{"text", utf8}, {"font", "IPAGothic"}, {"size", size}}}))
      .Set("at", {x, y});
}

Art Raster(int width, int height, const std::string& hex, double x, double y, double scale) {
  return Art("raster")
      .Set("width", width)
      .Set("height", height)
      .Set("colorSpace", "rgb")
      .Set("pixels", hex)
      .Set("matrix", {scale, 0, 0, -scale, x, y});
}

Art Mesh(int i, int j, double left, double bottom, double right, double top,
         std::vector<Json> colors) {
  return Art("mesh")
      .Set("i", i)
      .Set("j", j)
      .Set("area", {left, top, right, bottom})
      .Set("colors", colors);
}

Scene& Scene::Layer(const std::string& name, std::initializer_list<Art> art) {
  Json list = Json::array();
  for (const Art& a : art)
    list.push_back(a.json());
  json_["layers"].push_back({{"name", name}, {"art", list}});
  return *this;
}

Scene& Scene::Gradient(const std::string& name, const std::string& type,
                       std::vector<std::pair<double, Json>> stops) {
  Json list = Json::array();
  for (auto& [ramp, color] : stops)
    list.push_back({{"ramp", ramp}, {"color", color}});
  json_["gradients"].push_back({{"name", name}, {"type", type}, {"stops", list}});
  return *this;
}

Scene& Scene::Pattern(const std::string& name, std::initializer_list<Art> art) {
  Json list = Json::array();
  for (const Art& a : art)
    list.push_back(a.json());
  json_["patterns"].push_back({{"name", name}, {"art", list}});
  return *this;
}

Scene& Scene::CustomColor(const std::string& name, const std::string& kind,
                          std::vector<double> values) {
  json_["customColors"].push_back({{"name", name}, {kind, values}});
  return *this;
}

Scene& Scene::PluginGroup(const std::string& name) {
  json_["pluginGroups"].push_back(name);
  return *this;
}

}  // namespace hostsim::scene
