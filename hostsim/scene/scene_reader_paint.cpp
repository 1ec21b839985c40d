// Reading a scene's paint: custom colours, gradients, colours, strokes, styles and blending.
#include <charconv>
#include <cstring>

#include "hostsim/scene/scene_reader_p.h"

namespace hostsim::scene_io {

void Reader::ReadCustom(const Json& j, const std::string& at) {
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

void Reader::ReadGradient(const Json& j, const std::string& at) {
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

host::Color Reader::Color(const Json& j, const std::string& at) {
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
      if (it == customs_.end()) Fail(Key(at, "custom"), "no custom colour named \"" + name + "\"");
      c.c.custom.color = reinterpret_cast<host::CustomColorHandle>(it->second);
    }
    c.c.custom.tint = Real(j, at, "tint", 1);
  } else if (j.contains("gradient")) {
    Keys(j, at, {"gradient", "origin", "angle", "length", "matrix", "hiliteAngle", "hiliteLength"});
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

void Reader::ReadStroke(const Json& j, const std::string& at, host::PathStyle* s) {
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
void Reader::ReadStyle(const Json& j, const std::string& at, host::PathStyle* s) {
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

bool Reader::HasStyle(const Json& j) {
  for (const char* k :
       {"fill", "stroke", "fillOverprint", "evenOdd", "clip", "lockClip", "resolution"})
    if (j.contains(k)) return true;
  return false;
}

void Reader::ReadBlend(const Json& j, const std::string& at, BlendState* b) {
  Keys(j, at, {"mode", "opacity", "isolated", "knockout", "alphaIsShape"});
  if (j.contains("mode"))
    b->mode = Enum(j["mode"], Key(at, "mode"), kBlendModes, std::size(kBlendModes));
  b->opacity = Real(j, at, "opacity", 1);
  if (b->opacity < 0 || b->opacity > 1) Fail(Key(at, "opacity"), "opacity runs from 0 to 1");
  b->isolated = Bool(j, at, "isolated", false);
  if (j.contains("knockout")) b->knockout = Enum(j["knockout"], Key(at, "knockout"), kKnockouts, 3);
  b->alphaIsShape = Bool(j, at, "alphaIsShape", false);
}

}  // namespace hostsim::scene_io
