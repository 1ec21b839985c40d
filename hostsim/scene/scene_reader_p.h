// The scene reader: a scene's JSON read into a document, checked as it is read. Private to hostsim.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hostsim/core/document.h"
#include "hostsim/scene/scene_format_p.h"

namespace hostsim::scene_io {

class Reader {
 public:
  explicit Reader(Document& doc) : doc_(doc) {}

  void Read(const Json& root);

 private:
  [[noreturn]] void Fail(const std::string& at, const std::string& what) {
    throw SceneError{at.empty() ? "/" : at, what};
  }
  static std::string Key(const std::string& at, const std::string& key) {
    return at + "/" + Escape(key);
  }
  static std::string Index(const std::string& at, std::size_t i) {
    return at + "/" + std::to_string(i);
  }

  void Keys(const Json& j, const std::string& at, std::initializer_list<const char*> allowed) {
    if (!j.is_object()) Fail(at, "expected an object");
    for (const auto& [key, value] : j.items()) {
      bool known = false;
      for (const char* a : allowed)
        known = known || key == a;
      if (!known) Fail(Key(at, key), "unknown key \"" + key + "\"");
    }
  }
  void Array(const Json& j, const std::string& at) {
    if (!j.is_array()) Fail(at, "expected an array");
  }
  template <class F>
  void ReadList(const Json& root, const std::string& at, const char* key, F read) {
    if (!root.contains(key)) return;
    const std::string p = Key(at, key);
    Array(root[key], p);
    for (std::size_t i = 0; i < root[key].size(); ++i)
      read(root[key][i], Index(p, i));
  }

  double Num(const Json& j, const std::string& at) {
    if (!j.is_number()) Fail(at, "expected a number");
    const double v = j.get<double>();
    if (!std::isfinite(v) || std::fabs(v) > 3.0e38) Fail(at, "number out of range");
    return v;
  }
  float Real(const Json& j, const std::string& at) { return static_cast<float>(Num(j, at)); }
  float Real(const Json& o, const std::string& at, const char* key, float fallback) {
    return o.contains(key) ? Real(o[key], Key(at, key)) : fallback;
  }
  std::int64_t Int(const Json& j, const std::string& at, std::int64_t lo, std::int64_t hi) {
    if (!j.is_number_integer()) Fail(at, "expected a whole number");
    const std::int64_t v = j.get<std::int64_t>();
    if (v < lo || v > hi)
      Fail(at, "expected a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
    return v;
  }
  bool Bool(const Json& o, const std::string& at, const char* key, bool fallback) {
    if (!o.contains(key)) return fallback;
    if (!o[key].is_boolean()) Fail(Key(at, key), "expected true or false");
    return o[key].get<bool>();
  }
  std::string Str(const Json& o, const std::string& at, const char* key, std::string fallback) {
    if (!o.contains(key)) return fallback;
    if (!o[key].is_string()) Fail(Key(at, key), "expected a string");
    return o[key].get<std::string>();
  }
  // An enumeration by name or by number.
  std::int32_t Enum(const Json& j, const std::string& at, const char* const* names, std::size_t n) {
    if (j.is_number_integer())
      return static_cast<std::int32_t>(Int(j, at, 0, static_cast<std::int64_t>(n) - 1));
    if (j.is_string())
      for (std::size_t i = 0; i < n; ++i)
        if (j.get<std::string>() == names[i]) return static_cast<std::int32_t>(i);
    std::string list;
    for (std::size_t i = 0; i < n; ++i)
      list += std::string(i ? ", " : "") + "\"" + names[i] + "\"";
    Fail(at, "expected one of " + list);
  }
  template <class Map>
  std::string Name(const Json& o, const std::string& at, const Map& existing, const char* what) {
    const std::string name = Str(o, at, "name", "");
    if (name.empty()) Fail(Key(at, "name"), std::string("a ") + what + " needs a name");
    if (existing.count(name))
      Fail(Key(at, "name"), std::string("a second ") + what + " named \"" + name + "\"");
    return name;
  }
  host::RealPoint Pt(const Json& j, const std::string& at) {
    if (!j.is_array() || j.size() != 2) Fail(at, "expected a point [h, v]");
    return {Real(j[0], Index(at, 0)), Real(j[1], Index(at, 1))};
  }
  host::RealMatrix Matrix(const Json& j, const std::string& at) {
    if (!j.is_array() || j.size() != 6) Fail(at, "expected a matrix [a, b, c, d, tx, ty]");
    float v[6];
    for (std::size_t i = 0; i < 6; ++i)
      v[i] = Real(j[i], Index(at, i));
    return {v[0], v[1], v[2], v[3], v[4], v[5]};
  }
  host::RealRect Rect(const Json& j, const std::string& at) {
    if (!j.is_array() || j.size() != 4) Fail(at, "expected a rectangle [left, top, right, bottom]");
    return {Real(j[0], Index(at, 0)), Real(j[1], Index(at, 1)), Real(j[2], Index(at, 2)),
            Real(j[3], Index(at, 3))};
  }
  std::vector<std::uint8_t> Bytes(const Json& j, const std::string& at) {
    std::vector<std::uint8_t> bytes;
    if (!j.is_string() || !Unhex(j.get<std::string>(), &bytes))
      Fail(at, "expected bytes as hexadecimal digits");
    return bytes;
  }

  void ReadView(const Json& j, const std::string& at);
  void ReadCustom(const Json& j, const std::string& at);
  void ReadGradient(const Json& j, const std::string& at);
  static constexpr const char* kLinearRadial[] = {"linear", "radial"};
  host::Color Color(const Json& j, const std::string& at);
  void ReadStroke(const Json& j, const std::string& at, host::PathStyle* s);
  void ReadStyle(const Json& j, const std::string& at, host::PathStyle* s);
  static bool HasStyle(const Json& j);
  std::vector<host::PathSegment> Segments(const Json& j, const std::string& at);
  void ReadChildren(const Json& list, const std::string& at, Art* container, bool selected);
  Art* ReadArt(const Json& j, const std::string& at, Art* container, bool parentSelected);
  void ReadBlend(const Json& j, const std::string& at, BlendState* b);
  void ReadFields(const Json& j, const std::string& at, const Field* fields, std::size_t n,
                  void* record);
  void ReadText(const Json& j, const std::string& at, Art* art);
  void ReadTabs(const Json& j, const std::string& at, host::TabStops* tabs);
  void ReadRaster(const Json& j, const std::string& at, RasterData* r);
  void ReadPlugin(const Json& j, const std::string& at, Art* art);
  void ReadMesh(const Json& j, const std::string& at, MeshData* m);
  host::Color VertexColor(const Json& j, const std::string& at);

  Document& doc_;
  std::map<std::string, CustomColor*> customs_;
  std::map<std::string, Gradient*> gradients_;
  std::map<std::string, Pattern*> patterns_;
  std::map<std::string, PluginGroup*> plugins_;
  std::set<std::string> ids_;
  int depth_ = 0;
};

}  // namespace hostsim::scene_io
