// Reading scenes: a JSON scene into a new document, checked as it is read.
#include "hostsim/scene.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "hostsim/host.h"
#include "hostsim/scene_format_p.h"
#include "hostsim/text_layout.h"

namespace hostsim {
namespace {

using namespace scene_io;

// ---- Reader ----

class Reader {
 public:
  explicit Reader(Document& doc) : doc_(doc) {}

  void Read(const Json& root) {
    const std::string at;
    Keys(root, at,
         {"units", "hardOrigin", "view", "customColors", "gradients", "patterns", "pluginGroups",
          "layers"});
    if (root.contains("units"))
      doc_.SetRulerUnits(Enum(root["units"], Key(at, "units"), kUnits, std::size(kUnits)));
    if (root.contains("hardOrigin"))
      doc_.SetHardOrigin(Pt(root["hardOrigin"], Key(at, "hardOrigin")));
    if (root.contains("view")) ReadView(root["view"], Key(at, "view"));
    ReadList(root, at, "customColors",
             [&](const Json& j, const std::string& p) { ReadCustom(j, p); });
    ReadList(root, at, "gradients",
             [&](const Json& j, const std::string& p) { ReadGradient(j, p); });
    // Every pattern exists before any art is read, so patterns may use one another.
    if (root.contains("patterns")) {
      const std::string p = Key(at, "patterns");
      Array(root["patterns"], p);
      for (std::size_t i = 0; i < root["patterns"].size(); ++i) {
        const Json& j = root["patterns"][i];
        const std::string pi = Index(p, i);
        Keys(j, pi, {"name", "art"});
        const std::string name = Name(j, pi, patterns_, "pattern");
        Pattern* pattern = doc_.NewPattern();
        pattern->name = name;
        pattern->art = doc_.Create(host::kGroupArt);
        patterns_[name] = pattern;
      }
    }
    ReadList(root, at, "pluginGroups", [&](const Json& j, const std::string& p) {
      if (!j.is_string() || j.get<std::string>().empty()) Fail(p, "expected a plug-in group name");
      if (plugins_.count(j.get<std::string>())) Fail(p, "a second plug-in group of that name");
      plugins_[j.get<std::string>()] = doc_.NewPluginGroup(j.get<std::string>());
    });
    if (root.contains("patterns")) {
      const std::string p = Key(at, "patterns");
      for (std::size_t i = 0; i < root["patterns"].size(); ++i) {
        const Json& j = root["patterns"][i];
        if (j.contains("art"))
          ReadChildren(j["art"], Key(Index(p, i), "art"),
                       patterns_[j["name"].get<std::string>()]->art, false);
      }
    }

    doc_.RemoveLayers();
    if (!root.contains("layers")) Fail(at, "a scene needs \"layers\"");
    const std::string lp = Key(at, "layers");
    Array(root["layers"], lp);
    if (root["layers"].empty()) Fail(lp, "a scene needs at least one layer");
    Layer* current = nullptr;
    for (std::size_t i = 0; i < root["layers"].size(); ++i) {
      const Json& j = root["layers"][i];
      const std::string p = Index(lp, i);
      Keys(j, p, {"name", "visible", "locked", "current", "art"});
      Layer* layer = doc_.NewLayer(Str(j, p, "name", "Layer " + std::to_string(i + 1)));
      layer->visible = Bool(j, p, "visible", true);
      layer->editable = !Bool(j, p, "locked", false);
      if (Bool(j, p, "current", false)) {
        if (current) Fail(Key(p, "current"), "only one layer can be current");
        current = layer;
      }
      if (j.contains("art")) ReadChildren(j["art"], Key(p, "art"), layer->group, false);
    }
    doc_.SetCurrentLayer(current ? current : doc_.layers().front());
  }

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

  void ReadView(const Json& j, const std::string& at) {
    Keys(j, at, {"zoom", "origin"});
    View& view = *doc_.views().front();
    view.zoom = Real(j, at, "zoom", view.zoom);
    if (view.zoom <= 0) Fail(Key(at, "zoom"), "the zoom must be above 0");
    if (j.contains("origin")) view.origin = Pt(j["origin"], Key(at, "origin"));
  }

  void ReadCustom(const Json& j, const std::string& at) {
    Keys(j, at, {"name", "process", "rgb", "other"});
    const std::string name = Name(j, at, customs_, "custom colour");
    CustomColor* c = doc_.NewCustomColor();
    c->name = name;
    int kinds = 0;
    auto values = [&](const char* key, std::size_t n, float* out) {
      const Json& v = j[key];
      const std::string p = Key(at, key);
      if (!v.is_array() || v.size() != n) Fail(p, "expected " + std::to_string(n) + " numbers");
      for (std::size_t i = 0; i < n; ++i)
        out[i] = Real(v[i], Index(p, i));
      ++kinds;
    };
    if (j.contains("process")) {
      c->definition.kind = host::kCustomProcessDefinition;
      values("process", 4, &c->definition.c.process.cyan);
    }
    if (j.contains("rgb")) {
      c->definition.kind = host::kCustomRgbDefinition;
      values("rgb", 3, &c->definition.c.rgb.red);
    }
    if (j.contains("other")) {
      c->definition.kind = host::kCustomOtherDefinition;
      values("other", 4, c->definition.c.other);
    }
    if (kinds != 1) Fail(at, "a custom colour needs one of \"process\", \"rgb\" or \"other\"");
    customs_[name] = c;
  }

  void ReadGradient(const Json& j, const std::string& at) {
    Keys(j, at, {"name", "type", "stops"});
    const std::string name = Name(j, at, gradients_, "gradient");
    Gradient* g = doc_.NewGradient();
    g->name = name;
    if (j.contains("type")) g->type = Enum(j["type"], Key(at, "type"), kLinearRadial, 2);
    if (j.contains("stops")) {
      g->stops.clear();
      const std::string p = Key(at, "stops");
      Array(j["stops"], p);
      for (std::size_t i = 0; i < j["stops"].size(); ++i) {
        const Json& s = j["stops"][i];
        const std::string sp = Index(p, i);
        Keys(s, sp, {"ramp", "mid", "color"});
        host::GradientStop stop{};
        stop.rampPoint = Real(s, sp, "ramp", 0);
        stop.midPoint = Real(s, sp, "mid", 50);
        if (!s.contains("color")) Fail(sp, "a stop needs a \"color\"");
        stop.color = Color(s["color"], Key(sp, "color"));
        if (stop.color.kind == host::kGradientColor)
          Fail(Key(sp, "color"), "a stop cannot be a gradient");
        g->stops.push_back(stop);
      }
    }
    gradients_[name] = g;
  }
  static constexpr const char* kLinearRadial[] = {"linear", "radial"};

  host::Color Color(const Json& j, const std::string& at) {
    host::Color c;
    std::memset(static_cast<void*>(&c), 0, sizeof c);
    if (j.is_string()) {
      const std::string s = j.get<std::string>();
      if (s == "none") {
        c.kind = host::kNoColor;
        return c;
      }
      unsigned v = 0;
      if (s.size() == 7 && s[0] == '#' &&
          std::from_chars(s.data() + 1, s.data() + 7, v, 16).ptr == s.data() + 7) {
        c.kind = host::kRgbColor;
        c.c.rgb = {((v >> 16) & 0xFF) / 255.0f, ((v >> 8) & 0xFF) / 255.0f, (v & 0xFF) / 255.0f};
        return c;
      }
      Fail(at, "expected \"none\", \"#rrggbb\" or a colour object");
    }
    if (!j.is_object()) Fail(at, "expected a colour");
    auto list = [&](const char* key, std::size_t n, float* out) {
      const Json& v = j[key];
      const std::string p = Key(at, key);
      if (!v.is_array() || v.size() != n) Fail(p, "expected " + std::to_string(n) + " numbers");
      for (std::size_t i = 0; i < n; ++i)
        out[i] = Real(v[i], Index(p, i));
    };
    if (j.contains("gray")) {
      Keys(j, at, {"gray"});
      c.kind = host::kGrayColor;
      c.c.gray.gray = Real(j["gray"], Key(at, "gray"));
    } else if (j.contains("cmyk")) {
      Keys(j, at, {"cmyk"});
      c.kind = host::kProcessColor;
      list("cmyk", 4, &c.c.process.cyan);
    } else if (j.contains("rgb")) {
      Keys(j, at, {"rgb"});
      c.kind = host::kRgbColor;
      list("rgb", 3, &c.c.rgb.red);
    } else if (j.contains("custom")) {
      Keys(j, at, {"custom", "tint"});
      c.kind = host::kCustomColor;
      const std::string name = Str(j, at, "custom", "");
      if (!name.empty()) {
        auto it = customs_.find(name);
        if (it == customs_.end())
          Fail(Key(at, "custom"), "no custom colour named \"" + name + "\"");
        c.c.custom.color = reinterpret_cast<host::CustomColorHandle>(it->second);
      }
      c.c.custom.tint = Real(j, at, "tint", 1);
    } else if (j.contains("gradient")) {
      Keys(j, at,
           {"gradient", "origin", "angle", "length", "matrix", "hiliteAngle", "hiliteLength"});
      c.kind = host::kGradientColor;
      const std::string name = Str(j, at, "gradient", "");
      auto it = gradients_.find(name);
      if (it == gradients_.end()) Fail(Key(at, "gradient"), "no gradient named \"" + name + "\"");
      host::GradientStyle& g = c.c.gradient;
      g.gradient = reinterpret_cast<host::GradientHandle>(it->second);
      if (j.contains("origin")) g.origin = Pt(j["origin"], Key(at, "origin"));
      g.angle = Real(j, at, "angle", 0);
      g.length = Real(j, at, "length", 100);
      g.matrix = j.contains("matrix") ? Matrix(j["matrix"], Key(at, "matrix"))
                                      : host::RealMatrix{1, 0, 0, 1, 0, 0};
      g.hiliteAngle = Real(j, at, "hiliteAngle", 0);
      g.hiliteLength = Real(j, at, "hiliteLength", 0);
    } else if (j.contains("pattern")) {
      Keys(j, at,
           {"pattern", "shiftDistance", "shiftAngle", "scale", "rotate", "reflect", "reflectAngle",
            "shearAngle", "shearAxis", "transform"});
      c.kind = host::kPatternColor;
      const std::string name = Str(j, at, "pattern", "");
      auto it = patterns_.find(name);
      if (it == patterns_.end()) Fail(Key(at, "pattern"), "no pattern named \"" + name + "\"");
      host::PatternStyle& p = c.c.pattern;
      p.pattern = reinterpret_cast<host::PatternHandle>(it->second);
      p.shiftDistance = Real(j, at, "shiftDistance", 0);
      p.shiftAngle = Real(j, at, "shiftAngle", 0);
      p.scale = j.contains("scale") ? Pt(j["scale"], Key(at, "scale")) : host::RealPoint{1, 1};
      p.rotate = Real(j, at, "rotate", 0);
      p.reflect = Bool(j, at, "reflect", false);
      p.reflectAngle = Real(j, at, "reflectAngle", 0);
      p.shearAngle = Real(j, at, "shearAngle", 0);
      p.shearAxis = Real(j, at, "shearAxis", 0);
      p.transform = j.contains("transform") ? Matrix(j["transform"], Key(at, "transform"))
                                            : host::RealMatrix{1, 0, 0, 1, 0, 0};
    } else {
      Fail(at,
           "a colour needs one of \"gray\", \"cmyk\", \"rgb\", \"custom\", \"gradient\", "
           "\"pattern\"");
    }
    return c;
  }

  void ReadStroke(const Json& j, const std::string& at, host::PathStyle* s) {
    if (j.is_null()) {
      s->strokePaint = 0;
      return;
    }
    Keys(j, at, {"color", "width", "dash", "dashOffset", "cap", "join", "miterLimit", "overprint"});
    s->strokePaint = 1;
    host::StrokeStyle& st = s->stroke;
    if (!j.contains("color")) Fail(at, "a stroke needs a \"color\"");
    st.color = Color(j["color"], Key(at, "color"));
    st.width = Real(j, at, "width", 1);
    if (st.width < 0) Fail(Key(at, "width"), "a stroke width cannot be negative");
    st.dash = {};
    if (j.contains("dash")) {
      const std::string p = Key(at, "dash");
      Array(j["dash"], p);
      if (j["dash"].size() > host::kMaxDashComponents) Fail(p, "at most 6 dash lengths");
      st.dash.length = static_cast<std::int32_t>(j["dash"].size());
      for (std::size_t i = 0; i < j["dash"].size(); ++i)
        st.dash.array[i] = Real(j["dash"][i], Index(p, i));
    }
    st.dash.offset = Real(j, at, "dashOffset", 0);
    if (j.contains("cap")) st.cap = Enum(j["cap"], Key(at, "cap"), kCaps, 3);
    if (j.contains("join")) st.join = Enum(j["join"], Key(at, "join"), kJoins, 3);
    st.miterLimit = Real(j, at, "miterLimit", st.miterLimit);
    st.overprint = Bool(j, at, "overprint", false);
  }

  // The style keys an art object may carry.
  void ReadStyle(const Json& j, const std::string& at, host::PathStyle* s) {
    if (j.contains("fill")) {
      if (j["fill"].is_null()) {
        s->fillPaint = 0;
      } else {
        s->fillPaint = 1;
        s->fill.color = Color(j["fill"], Key(at, "fill"));
      }
    }
    if (j.contains("stroke")) ReadStroke(j["stroke"], Key(at, "stroke"), s);
    s->fill.overprint = Bool(j, at, "fillOverprint", s->fill.overprint);
    s->evenOdd = Bool(j, at, "evenOdd", s->evenOdd);
    s->clip = Bool(j, at, "clip", s->clip);
    s->lockClip = Bool(j, at, "lockClip", s->lockClip);
    s->resolution = Real(j, at, "resolution", s->resolution);
  }
  static bool HasStyle(const Json& j) {
    for (const char* k :
         {"fill", "stroke", "fillOverprint", "evenOdd", "clip", "lockClip", "resolution"})
      if (j.contains(k)) return true;
    return false;
  }

  std::vector<host::PathSegment> Segments(const Json& j, const std::string& at) {
    std::vector<host::PathSegment> out;
    if (j.contains("points")) {
      const std::string p = Key(at, "points");
      Array(j["points"], p);
      for (std::size_t i = 0; i < j["points"].size(); ++i) {
        const host::RealPoint q = Pt(j["points"][i], Index(p, i));
        out.push_back({q, q, q, 1});
      }
    }
    if (j.contains("segments")) {
      if (j.contains("points")) Fail(at, "give \"points\" or \"segments\", not both");
      const std::string p = Key(at, "segments");
      Array(j["segments"], p);
      for (std::size_t i = 0; i < j["segments"].size(); ++i) {
        const Json& s = j["segments"][i];
        const std::string sp = Index(p, i);
        Keys(s, sp, {"anchor", "in", "out", "corner"});
        if (!s.contains("anchor")) Fail(sp, "a segment needs an \"anchor\"");
        host::PathSegment seg{};
        seg.anchor = Pt(s["anchor"], Key(sp, "anchor"));
        seg.in = s.contains("in") ? Pt(s["in"], Key(sp, "in")) : seg.anchor;
        seg.out = s.contains("out") ? Pt(s["out"], Key(sp, "out")) : seg.anchor;
        seg.corner = Bool(s, sp, "corner", false);
        out.push_back(seg);
      }
    }
    if (out.size() > 32000) Fail(at, "a path holds at most 32000 segments");
    return out;
  }

  void ReadChildren(const Json& list, const std::string& at, Art* container, bool selected) {
    Array(list, at);
    // Containers nest as deep as the plug-in's own records can (1024 levels).
    if (++depth_ > 1024) Fail(at, "art nested more than 1024 levels deep");
    for (std::size_t i = 0; i < list.size(); ++i)
      ReadArt(list[i], Index(at, i), container, selected);
    --depth_;
  }

  Art* ReadArt(const Json& j, const std::string& at, Art* container, bool parentSelected) {
    if (!j.is_object()) Fail(at, "expected an art object");
    if (!j.contains("type")) Fail(at, "an art object needs a \"type\"");
    const std::string type = Str(j, at, "type", "");
    static const std::map<std::string, std::int32_t> kTypes = {
        {"group", host::kGroupArt},           {"path", host::kPathArt},
        {"compound", host::kCompoundPathArt}, {"text", host::kTextArt},
        {"placed", host::kPlacedArt},         {"raster", host::kRasterArt},
        {"plugin", host::kPluginArt},         {"mesh", host::kMeshArt}};
    auto t = kTypes.find(type);
    if (t == kTypes.end())
      Fail(Key(at, "type"), "unknown art type \"" + type +
                                "\" (group, path, compound, text, placed, raster, plugin, mesh)");
    if (container->type == host::kCompoundPathArt && t->second != host::kPathArt)
      Fail(at, "a compound path holds only paths");

    const std::vector<const char*> common = {"type",   "id",    "selected", "hidden",
                                             "locked", "blend", "effect"};
    std::vector<const char*> keys = common;
    auto allow = [&](std::initializer_list<const char*> more) { keys.insert(keys.end(), more); };
    const std::initializer_list<const char*> styleKeys = {
        "fill", "stroke", "fillOverprint", "evenOdd", "clip", "lockClip", "resolution"};
    switch (t->second) {
      case host::kGroupArt:
        allow({"clipped", "children"});
        break;
      case host::kPathArt:
        allow({"points", "segments", "closed", "guide"});
        allow(styleKeys);
        break;
      case host::kCompoundPathArt:
        allow({"children"});
        allow(styleKeys);
        break;
      case host::kTextArt:
        allow({"textType", "runs", "paths", "at"});
        break;
      case host::kPlacedArt:
        allow({"bounds"});
        break;
      case host::kRasterArt:
        allow({"width", "height", "origin", "colorSpace", "matrix", "pixels", "fill", "flags",
               "extra", "boundingBox"});
        break;
      case host::kPluginArt:
        allow({"group", "version", "data", "edit"});
        break;
      case host::kMeshArt:
        allow({"kind", "i", "j", "area", "colors", "nodes", "iEdges", "jEdges"});
        break;
    }
    if (!j.is_object()) Fail(at, "expected an object");
    for (const auto& [key, value] : j.items()) {
      bool known = false;
      for (const char* k : keys)
        known = known || key == k;
      if (!known) Fail(Key(at, key), "unknown key \"" + key + "\" for " + type + " art");
    }

    Art* art = doc_.Create(t->second);
    art->parent = container;
    container->children.push_back(art);

    const std::string id = Str(j, at, "id", "");
    if (!id.empty()) {
      if (!ids_.insert(id).second) Fail(Key(at, "id"), "a second art with the id \"" + id + "\"");
      art->id = id;
    }
    const bool selected = Bool(j, at, "selected", parentSelected);
    if (selected) art->attributes |= host::kArtSelected;
    if (Bool(j, at, "hidden", false)) art->attributes |= host::kArtHidden;
    if (Bool(j, at, "locked", false)) art->attributes |= host::kArtLocked;
    if (j.contains("blend")) ReadBlend(j["blend"], Key(at, "blend"), &art->blend);
    if (j.contains("effect")) {
      const std::string p = Key(at, "effect");
      Keys(j["effect"], p, {"shadow", "color"});
      art->effect.shadow = true;
      art->effect.offset = j["effect"].contains("shadow")
                               ? Pt(j["effect"]["shadow"], Key(p, "shadow"))
                               : host::RealPoint{3, -3};
      art->effect.color = j["effect"].contains("color")
                              ? Color(j["effect"]["color"], Key(p, "color"))
                              : Color("#808080", p);
    }

    switch (art->type) {
      case host::kGroupArt:
        art->clipped = Bool(j, at, "clipped", false);
        if (j.contains("children")) ReadChildren(j["children"], Key(at, "children"), art, selected);
        break;
      case host::kPathArt:
        art->segments = Segments(j, at);
        art->closed = Bool(j, at, "closed", false);
        art->guide = Bool(j, at, "guide", false);
        ReadStyle(j, at, &art->style);
        break;
      case host::kCompoundPathArt:
        if (j.contains("children")) ReadChildren(j["children"], Key(at, "children"), art, selected);
        if (HasStyle(j)) {
          ReadStyle(j, at, &art->style);
          for (Art* child : art->children)
            child->style = art->style;
        } else if (!art->children.empty()) {
          art->style = art->children.front()->style;
        }
        break;
      case host::kTextArt:
        ReadText(j, at, art);
        break;
      case host::kPlacedArt:
        if (!j.contains("bounds")) Fail(at, "placed art needs \"bounds\"");
        art->placedBounds = Rect(j["bounds"], Key(at, "bounds"));
        break;
      case host::kRasterArt:
        ReadRaster(j, at, &art->raster);
        break;
      case host::kPluginArt:
        ReadPlugin(j, at, art);
        break;
      case host::kMeshArt:
        ReadMesh(j, at, &art->mesh);
        break;
    }
    return art;
  }

  void ReadBlend(const Json& j, const std::string& at, BlendState* b) {
    Keys(j, at, {"mode", "opacity", "isolated", "knockout", "alphaIsShape"});
    if (j.contains("mode"))
      b->mode = Enum(j["mode"], Key(at, "mode"), kBlendModes, std::size(kBlendModes));
    b->opacity = Real(j, at, "opacity", 1);
    if (b->opacity < 0 || b->opacity > 1) Fail(Key(at, "opacity"), "opacity runs from 0 to 1");
    b->isolated = Bool(j, at, "isolated", false);
    if (j.contains("knockout"))
      b->knockout = Enum(j["knockout"], Key(at, "knockout"), kKnockouts, 3);
    b->alphaIsShape = Bool(j, at, "alphaIsShape", false);
  }

  void ReadFields(const Json& j, const std::string& at, const Field* fields, std::size_t n,
                  void* record) {
    if (!j.is_object()) Fail(at, "expected an object");
    for (const auto& [key, value] : j.items()) {
      const Field* f = nullptr;
      for (std::size_t i = 0; i < n; ++i)
        if (key == fields[i].name) f = &fields[i];
      if (!f) Fail(Key(at, key), "unknown field \"" + key + "\"");
      auto* at8 = static_cast<std::uint8_t*>(record) + f->offset;
      const std::string p = Key(at, key);
      if (f->kind == FieldKind::kReal) {
        const float v = Real(value, p);
        std::memcpy(at8, &v, sizeof v);
      } else if (f->kind == FieldKind::kInt32) {
        const auto v = static_cast<std::int32_t>(Int(value, p, INT32_MIN, INT32_MAX));
        std::memcpy(at8, &v, sizeof v);
      } else {
        const auto v = static_cast<std::int16_t>(Int(value, p, INT16_MIN, INT16_MAX));
        std::memcpy(at8, &v, sizeof v);
      }
    }
  }

  void ReadText(const Json& j, const std::string& at, Art* art) {
    TextData& t = art->text;
    if (j.contains("textType")) t.type = Enum(j["textType"], Key(at, "textType"), kTextTypes, 3);
    if (j.contains("runs")) {
      const std::string rp = Key(at, "runs");
      Array(j["runs"], rp);
      for (std::size_t i = 0; i < j["runs"].size(); ++i) {
        const Json& r = j["runs"][i];
        const std::string p = Index(rp, i);
        Keys(
            r, p,
            {"text", "bytes", "font", "size", "fill", "stroke", "fillOverprint", "evenOdd", "clip",
             "lockClip", "resolution", "runValue", "character", "fontRecord", "paragraph", "tabs"});
        TextAttributes a = DefaultTextAttributes();
        if (r.contains("font")) {
          const std::string font = Str(r, p, "font", "");
          if (font.size() >= sizeof a.font.name || !KnownFont(font.c_str()))
            Fail(Key(p, "font"), "the host has no font \"" + font + "\"");
          std::memset(a.font.name, 0, sizeof a.font.name);
          std::memcpy(a.font.name, font.data(), font.size());
          a.font.script = font.rfind("IPA", 0) == 0 ? host::kJapaneseScript : host::kRomanScript;
        }
        if (r.contains("size")) {
          a.character.fontSize = Real(r["size"], Key(p, "size"));
          if (a.character.fontSize <= 0) Fail(Key(p, "size"), "a font size must be above 0");
          a.character.leading = a.character.fontSize * 1.2f;
        }
        ReadStyle(r, p, &a.paint);
        a.runValue = Real(r, p, "runValue", 0);
        if (r.contains("character"))
          ReadFields(r["character"], Key(p, "character"), kCharacterFields,
                     std::size(kCharacterFields), &a.character);
        if (r.contains("fontRecord"))
          ReadFields(r["fontRecord"], Key(p, "fontRecord"), kFontFields, std::size(kFontFields),
                     &a.font);
        if (r.contains("paragraph"))
          ReadFields(r["paragraph"], Key(p, "paragraph"), kParagraphFields,
                     std::size(kParagraphFields), &a.paragraph);
        if (r.contains("tabs")) ReadTabs(r["tabs"], Key(p, "tabs"), &a.tabs);
        std::string bytes;
        if (r.contains("text")) {
          if (r.contains("bytes")) Fail(p, "give \"text\" or \"bytes\", not both");
          const std::string utf8 = Str(r, p, "text", "");
          const bool japanese = a.font.script == host::kJapaneseScript;
          if (!Recode("UTF-8", japanese ? "CP932" : "CP1252", utf8, &bytes))
            Fail(Key(p, "text"), std::string("the text cannot be written in ") +
                                     (japanese ? "Shift-JIS" : "code page 1252"));
        } else if (r.contains("bytes")) {
          const std::vector<std::uint8_t> raw = Bytes(r["bytes"], Key(p, "bytes"));
          bytes.assign(raw.begin(), raw.end());
        }
        t.Insert(t.bytes.size(), bytes, a);
      }
    }
    if (j.contains("paths")) {
      for (Art* child : art->children)
        child->alive = false;
      art->children.clear();
      const std::string pp = Key(at, "paths");
      Array(j["paths"], pp);
      for (std::size_t i = 0; i < j["paths"].size(); ++i) {
        const Json& q = j["paths"][i];
        const std::string p = Index(pp, i);
        Keys(q, p, {"matrix", "attribute", "points", "segments", "closed"});
        Art* path = doc_.Create(host::kPathArt);
        path->parent = art;
        art->children.push_back(path);
        if (q.contains("matrix")) path->textPathMatrix = Matrix(q["matrix"], Key(p, "matrix"));
        if (q.contains("attribute"))
          path->textPathAttribute = static_cast<std::int16_t>(
              Int(q["attribute"], Key(p, "attribute"), INT16_MIN, INT16_MAX));
        path->segments = Segments(q, p);
        path->closed = Bool(q, p, "closed", false);
      }
    }
    if (j.contains("at")) {
      if (art->children.empty()) Fail(Key(at, "at"), "the text has no path to place");
      const host::RealPoint origin = Pt(j["at"], Key(at, "at"));
      art->children.front()->textPathMatrix.tx = origin.h;
      art->children.front()->textPathMatrix.ty = origin.v;
    }
  }

  void ReadTabs(const Json& j, const std::string& at, host::TabStops* tabs) {
    Keys(j, at, {"defaultSpacing", "count", "stops"});
    tabs->defaultSpacing = Real(j, at, "defaultSpacing", tabs->defaultSpacing);
    if (j.contains("count"))
      tabs->count =
          static_cast<std::int32_t>(Int(j["count"], Key(at, "count"), INT32_MIN, INT32_MAX));
    if (j.contains("stops")) {
      const std::string p = Key(at, "stops");
      Array(j["stops"], p);
      if (j["stops"].size() > host::kMaxTabStops) Fail(p, "at most 15 tab stops");
      for (std::size_t i = 0; i < j["stops"].size(); ++i) {
        const Json& s = j["stops"][i];
        const std::string sp = Index(p, i);
        Keys(s, sp, {"kind", "leader", "position"});
        host::TabStop& stop = tabs->stops[i];
        if (s.contains("kind"))
          stop.kind =
              static_cast<std::int32_t>(Int(s["kind"], Key(sp, "kind"), INT32_MIN, INT32_MAX));
        if (s.contains("leader"))
          stop.leader = static_cast<std::uint8_t>(Int(s["leader"], Key(sp, "leader"), 0, 255));
        stop.position = Real(s, sp, "position", stop.position);
      }
    }
  }

  void ReadRaster(const Json& j, const std::string& at, RasterData* r) {
    const std::int64_t w = j.contains("width") ? Int(j["width"], Key(at, "width"), 1, 16384) : 0;
    const std::int64_t h = j.contains("height") ? Int(j["height"], Key(at, "height"), 1, 16384) : 0;
    if (!w || !h) Fail(at, "a raster needs a \"width\" and a \"height\"");
    std::int32_t left = 0, top = 0;
    if (j.contains("origin")) {
      const std::string p = Key(at, "origin");
      if (!j["origin"].is_array() || j["origin"].size() != 2)
        Fail(p, "expected [left, top] in pixels");
      left = static_cast<std::int32_t>(Int(j["origin"][0], Index(p, 0), -1000000, 1000000));
      top = static_cast<std::int32_t>(Int(j["origin"][1], Index(p, 1), -1000000, 1000000));
    }
    const std::int32_t space = j.contains("colorSpace")
                                   ? Enum(j["colorSpace"], Key(at, "colorSpace"), kRasterSpaces, 4)
                                   : kRasterRgb;
    const int channels = RasterChannels(space);
    if (w * h * channels > (256ll << 20)) Fail(at, "the raster is too large");
    r->info.bounds = {left, top, left + static_cast<std::int32_t>(w),
                      top + static_cast<std::int32_t>(h)};
    r->info.colorSpace = space;
    r->info.bitsPerPixel = 8 * channels;
    r->info.byteWidth = static_cast<std::int32_t>(w * channels);
    r->info.flags =
        j.contains("flags")
            ? static_cast<std::int32_t>(Int(j["flags"], Key(at, "flags"), INT32_MIN, INT32_MAX))
            : 0;
    r->info.extra =
        j.contains("extra")
            ? static_cast<std::int16_t>(Int(j["extra"], Key(at, "extra"), INT16_MIN, INT16_MAX))
            : 0;
    r->pixels.assign(static_cast<std::size_t>(w * h * channels), 0);
    if (j.contains("pixels")) {
      if (j.contains("fill")) Fail(at, "give \"pixels\" or \"fill\", not both");
      const std::vector<std::uint8_t> bytes = Bytes(j["pixels"], Key(at, "pixels"));
      if (bytes.size() != r->pixels.size())
        Fail(Key(at, "pixels"), "expected " + std::to_string(r->pixels.size()) + " bytes (" +
                                    std::to_string(w) + " × " + std::to_string(h) + " × " +
                                    std::to_string(channels) + "), found " +
                                    std::to_string(bytes.size()));
      r->pixels = bytes;
    } else if (j.contains("fill")) {
      const std::string p = Key(at, "fill");
      if (!j["fill"].is_array() || j["fill"].size() != static_cast<std::size_t>(channels))
        Fail(p, "expected " + std::to_string(channels) + " channel values");
      for (std::size_t i = 0; i < r->pixels.size(); ++i)
        r->pixels[i] =
            static_cast<std::uint8_t>(Int(j["fill"][i % channels], Index(p, i % channels), 0, 255));
    }
    r->matrix = j.contains("matrix") ? Matrix(j["matrix"], Key(at, "matrix"))
                                     : host::RealMatrix{1, 0, 0, -1, 0, 0};
    host::RealRect box{};
    bool any = false;
    for (const host::RealPoint c :
         {host::RealPoint{0, 0}, host::RealPoint{static_cast<float>(w), 0},
          host::RealPoint{0, static_cast<float>(h)},
          host::RealPoint{static_cast<float>(w), static_cast<float>(h)}}) {
      const host::RealPoint q = Transform(r->matrix, c);
      UnionRect(&box, {q.h, q.v, q.h, q.v}, &any);
    }
    r->boundingBox =
        j.contains("boundingBox") ? Rect(j["boundingBox"], Key(at, "boundingBox")) : box;
  }

  void ReadPlugin(const Json& j, const std::string& at, Art* art) {
    PluginArtData& p = art->plugin;
    if (j.contains("group")) {
      const std::string name = Str(j, at, "group", "");
      auto it = plugins_.find(name);
      if (it == plugins_.end()) Fail(Key(at, "group"), "no plug-in group named \"" + name + "\"");
      p.group = it->second;
    }
    if (j.contains("version")) {
      const std::string vp = Key(at, "version");
      if (!j["version"].is_array() || j["version"].size() != 2) Fail(vp, "expected [major, minor]");
      p.major = static_cast<std::int32_t>(Int(j["version"][0], Index(vp, 0), INT32_MIN, INT32_MAX));
      p.minor = static_cast<std::int32_t>(Int(j["version"][1], Index(vp, 1), INT32_MIN, INT32_MAX));
    }
    if (j.contains("data")) p.data = Bytes(j["data"], Key(at, "data"));
    if (p.data.size() > (16u << 20)) Fail(Key(at, "data"), "at most 16 MiB of data");
    if (j.contains("edit")) {
      p.editArt = doc_.Create(host::kGroupArt);
      ReadChildren(j["edit"], Key(at, "edit"), p.editArt, false);
      doc_.UpdateResultArt(art);
    }
  }

  void ReadMesh(const Json& j, const std::string& at, MeshData* m) {
    const std::int32_t kind =
        j.contains("kind") ? Enum(j["kind"], Key(at, "kind"), kMeshKinds, 2) : host::kCartesianMesh;
    if (!j.contains("i") || !j.contains("j")) Fail(at, "a mesh needs \"i\" and \"j\"");
    const auto ni = static_cast<std::int32_t>(Int(j["i"], Key(at, "i"), 1, 256));
    const auto nj = static_cast<std::int32_t>(Int(j["j"], Key(at, "j"), 1, 256));
    const host::RealRect area =
        j.contains("area") ? Rect(j["area"], Key(at, "area")) : host::RealRect{0, 100, 100, 0};
    m->Init(kind, ni, nj, area);
    const std::size_t nodes = static_cast<std::size_t>((ni + 1) * (nj + 1));
    if (j.contains("colors")) {
      const std::string p = Key(at, "colors");
      if (!j["colors"].is_array() || j["colors"].size() != nodes)
        Fail(p, "expected " + std::to_string(nodes) + " colours, node (0, 0), (0, 1), …");
      for (std::size_t k = 0; k < nodes; ++k)
        m->nodes[k].color = VertexColor(j["colors"][k], Index(p, k));
    }
    if (j.contains("nodes")) {
      const std::string p = Key(at, "nodes");
      if (!j["nodes"].is_array() || j["nodes"].size() != nodes)
        Fail(p, "expected " + std::to_string(nodes) + " nodes, (0, 0), (0, 1), …");
      for (std::size_t k = 0; k < nodes; ++k) {
        const Json& n = j["nodes"][k];
        const std::string np = Index(p, k);
        Keys(n, np, {"color", "point", "smooth"});
        if (n.contains("color")) m->nodes[k].color = VertexColor(n["color"], Key(np, "color"));
        if (n.contains("point")) m->nodes[k].point = Pt(n["point"], Key(np, "point"));
        if (n.contains("smooth")) {
          const std::string sp = Key(np, "smooth");
          if (!n["smooth"].is_array() || n["smooth"].size() != 4)
            Fail(sp, "expected 4 flags (+i, +j, -i, -j)");
          for (std::size_t d = 0; d < 4; ++d) {
            if (!n["smooth"][d].is_boolean()) Fail(Index(sp, d), "expected true or false");
            m->nodes[k].smooth[d] = n["smooth"][d].get<bool>();
          }
        }
      }
    }
    auto edges = [&](const char* key, std::vector<MeshEdge>* list) {
      if (!j.contains(key)) return;
      const std::string p = Key(at, key);
      if (!j[key].is_array() || j[key].size() != list->size())
        Fail(p, "expected " + std::to_string(list->size()) + " edges");
      for (std::size_t k = 0; k < list->size(); ++k) {
        const Json& e = j[key][k];
        const std::string ep = Index(p, k);
        if (!e.is_array() || e.size() != 2) Fail(ep, "expected two control points");
        (*list)[k].control[0] = Pt(e[0], Index(ep, 0));
        (*list)[k].control[1] = Pt(e[1], Index(ep, 1));
      }
    };
    edges("iEdges", &m->iEdges);
    edges("jEdges", &m->jEdges);
  }

  host::Color VertexColor(const Json& j, const std::string& at) {
    const host::Color c = Color(j, at);
    if (c.kind != host::kGrayColor && c.kind != host::kProcessColor && c.kind != host::kRgbColor &&
        c.kind != host::kCustomColor)
      Fail(at, "a mesh vertex is gray, process, RGB or custom");
    return c;
  }

  Document& doc_;
  std::map<std::string, CustomColor*> customs_;
  std::map<std::string, Gradient*> gradients_;
  std::map<std::string, Pattern*> patterns_;
  std::map<std::string, PluginGroup*> plugins_;
  std::set<std::string> ids_;
  int depth_ = 0;
};

}  // namespace

std::unique_ptr<Document> ReadScene(const nlohmann::json& scene, const std::string& file,
                                    std::string* error) {
  auto doc = std::make_unique<Document>();
  try {
    Reader(*doc).Read(scene);
  } catch (const SceneError& e) {
    if (error) *error = file + ": " + e.pointer + ": " + e.what;
    return nullptr;
  } catch (const nlohmann::json::exception& e) {
    if (error) *error = file + ": " + e.what();
    return nullptr;
  }
  doc->ClearUndo();
  return doc;
}

std::unique_ptr<Document> ReadSceneText(const std::string& text, const std::string& file,
                                        std::string* error) {
  nlohmann::json scene;
  try {
    scene = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& e) {  // bad syntax, a number out of range
    if (error) *error = file + ": not valid JSON: " + e.what();
    return nullptr;
  }
  return ReadScene(scene, file, error);
}

std::unique_ptr<Document> ReadSceneFile(const std::string& path, std::string* error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    if (error) *error = path + ": a folder, not a scene file";
    return nullptr;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = path + ": cannot be read";
    return nullptr;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ReadSceneText(text.str(), path, error);
}

bool OpenScene(Host& host, const nlohmann::json& scene, std::string* error) {
  std::unique_ptr<Document> doc = ReadScene(scene, "scene", error);
  if (!doc) return false;
  host.SetDocument(std::move(doc));
  host.desktop().Repaint(host.document());
  return true;
}

bool OpenSceneFile(Host& host, const std::string& path, std::string* error) {
  std::unique_ptr<Document> doc = ReadSceneFile(path, error);
  if (!doc) return false;
  host.SetDocument(std::move(doc));
  host.desktop().Repaint(host.document());
  return true;
}

}  // namespace hostsim
