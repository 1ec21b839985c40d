// Writing scenes: a document as a JSON scene that reads back as the same document.
#include "hostsim/scene/scene.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "hostsim/core/file_output.h"
#include "hostsim/core/host.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/drawing/text_layout.h"
#include "hostsim/scene/scene_format_p.h"

namespace hostsim {
namespace {

using namespace scene_io;

// ---- Writer ----

class Writer {
 public:
  explicit Writer(Document& doc) : doc_(doc) {}

  Json Write() {
    Json root = Json::object();
    root["units"] = kUnits[std::clamp<std::int32_t>(doc_.rulerUnits(), 0, 6)];
    root["hardOrigin"] = Pt(doc_.hardOrigin());
    const View& view = *doc_.views().front();
    root["view"] = {{"zoom", R(view.zoom)}, {"origin", Pt(view.origin)}};
    Json customs = Json::array();
    for (const auto& c : doc_.customColors()) {
      Json j = {{"name", NameOf(c.get(), c->name, "custom")}};
      const host::CustomColorDefinition& d = c->definition;
      if (d.kind == host::kCustomProcessDefinition)
        j["process"] = {R(d.c.process.cyan), R(d.c.process.magenta), R(d.c.process.yellow),
                        R(d.c.process.black)};
      else if (d.kind == host::kCustomRgbDefinition)
        j["rgb"] = {R(d.c.rgb.red), R(d.c.rgb.green), R(d.c.rgb.blue)};
      else
        j["other"] = {R(d.c.other[0]), R(d.c.other[1]), R(d.c.other[2]), R(d.c.other[3])};
      customs.push_back(j);
    }
    Json gradients = Json::array();
    for (const auto& g : doc_.gradients()) {
      Json stops = Json::array();
      for (const host::GradientStop& s : g->stops)
        stops.push_back(
            {{"ramp", R(s.rampPoint)}, {"mid", R(s.midPoint)}, {"color", Color(s.color)}});
      gradients.push_back({{"name", NameOf(g.get(), g->name, "gradient")},
                           {"type", g->type == host::kRadialGradient ? "radial" : "linear"},
                           {"stops", stops}});
    }
    Json patterns = Json::array();
    for (const auto& p : doc_.patterns()) {
      Json j = {{"name", NameOf(p.get(), p->name, "pattern")}};
      if (p->art && p->art->alive) j["art"] = Children(p->art, false);
      patterns.push_back(j);
    }
    Json plugins = Json::array();
    for (const auto& g : doc_.pluginGroups())
      plugins.push_back(NameOf(g.get(), g->name, "plugin"));
    Json layers = Json::array();
    for (Layer* layer : doc_.layers()) {
      Json j = {{"name", layer->name}, {"visible", layer->visible}, {"locked", !layer->editable}};
      if (layer == doc_.currentLayer()) j["current"] = true;
      j["art"] = Children(layer->group, false);
      layers.push_back(j);
    }
    if (!customs.empty()) root["customColors"] = customs;
    if (!gradients.empty()) root["gradients"] = gradients;
    if (!patterns.empty()) root["patterns"] = patterns;
    if (!plugins.empty()) root["pluginGroups"] = plugins;
    root["layers"] = layers;
    return root;
  }

 private:
  // A unique name for a resource: its own when it has one nobody else has.
  std::string NameOf(const void* resource, const std::string& name, const char* prefix) {
    auto it = names_.find(resource);
    if (it != names_.end()) return it->second;
    std::string n = name;
    for (int k = 1; n.empty() || used_.count(n); ++k)
      n = prefix + std::to_string(k);
    used_.insert(n);
    names_[resource] = n;
    return n;
  }

  static Json Pt(host::RealPoint p) { return Json::array({R(p.h), R(p.v)}); }
  static Json Matrix(const host::RealMatrix& m) {
    return Json::array({R(m.a), R(m.b), R(m.c), R(m.d), R(m.tx), R(m.ty)});
  }
  static Json Rect(const host::RealRect& r) {
    return Json::array({R(r.left), R(r.top), R(r.right), R(r.bottom)});
  }

  Json Color(const host::Color& c) {
    switch (c.kind) {
      case host::kGrayColor:
        return {{"gray", R(c.c.gray.gray)}};
      case host::kProcessColor:
        return {{"cmyk",
                 {R(c.c.process.cyan), R(c.c.process.magenta), R(c.c.process.yellow),
                  R(c.c.process.black)}}};
      case host::kRgbColor:
        return {{"rgb", {R(c.c.rgb.red), R(c.c.rgb.green), R(c.c.rgb.blue)}}};
      case host::kCustomColor: {
        const CustomColor* custom = doc_.CustomColorFrom(c.c.custom.color);
        Json j = {{"custom", custom ? NameOf(custom, custom->name, "custom") : ""},
                  {"tint", R(c.c.custom.tint)}};
        return j;
      }
      case host::kGradientColor: {
        const host::GradientStyle& g = c.c.gradient;
        const Gradient* gradient = doc_.GradientFrom(g.gradient);
        if (!gradient) return "none";
        return {{"gradient", NameOf(gradient, gradient->name, "gradient")},
                {"origin", Pt(g.origin)},
                {"angle", R(g.angle)},
                {"length", R(g.length)},
                {"matrix", Matrix(g.matrix)},
                {"hiliteAngle", R(g.hiliteAngle)},
                {"hiliteLength", R(g.hiliteLength)}};
      }
      case host::kPatternColor: {
        const host::PatternStyle& p = c.c.pattern;
        const Pattern* pattern = doc_.PatternFrom(p.pattern);
        if (!pattern) return "none";
        return {{"pattern", NameOf(pattern, pattern->name, "pattern")},
                {"shiftDistance", R(p.shiftDistance)},
                {"shiftAngle", R(p.shiftAngle)},
                {"scale", Pt(p.scale)},
                {"rotate", R(p.rotate)},
                {"reflect", p.reflect != 0},
                {"reflectAngle", R(p.reflectAngle)},
                {"shearAngle", R(p.shearAngle)},
                {"shearAxis", R(p.shearAxis)},
                {"transform", Matrix(p.transform)}};
      }
      default:
        return "none";
    }
  }

  void Style(const host::PathStyle& s, Json* j) {
    (*j)["fill"] = s.fillPaint ? Color(s.fill.color) : Json(nullptr);
    if (s.strokePaint) {
      const host::StrokeStyle& st = s.stroke;
      Json dash = Json::array();
      for (int i = 0; i < std::clamp(st.dash.length, 0, host::kMaxDashComponents); ++i)
        dash.push_back(R(st.dash.array[i]));
      (*j)["stroke"] = {
          {"color", Color(st.color)},
          {"width", R(st.width)},
          {"dash", dash},
          {"dashOffset", R(st.dash.offset)},
          {"cap", st.cap >= 0 && st.cap <= 2 ? Json(kCaps[st.cap]) : Json(st.cap)},
          {"join", st.join >= 0 && st.join <= 2 ? Json(kJoins[st.join]) : Json(st.join)},
          {"miterLimit", R(st.miterLimit)},
          {"overprint", st.overprint != 0}};
    } else {
      (*j)["stroke"] = nullptr;
    }
    if (s.fill.overprint) (*j)["fillOverprint"] = true;
    if (s.evenOdd) (*j)["evenOdd"] = true;
    if (s.clip) (*j)["clip"] = true;
    if (s.lockClip) (*j)["lockClip"] = true;
    (*j)["resolution"] = R(s.resolution);
  }

  static Json Segments(const std::vector<host::PathSegment>& segments, Json* j) {
    bool corners = true;
    for (const host::PathSegment& s : segments)
      corners = corners && s.corner && s.in.h == s.anchor.h && s.in.v == s.anchor.v &&
                s.out.h == s.anchor.h && s.out.v == s.anchor.v;
    Json list = Json::array();
    for (const host::PathSegment& s : segments) {
      if (corners)
        list.push_back(Pt(s.anchor));
      else
        list.push_back({{"anchor", Pt(s.anchor)},
                        {"in", Pt(s.in)},
                        {"out", Pt(s.out)},
                        {"corner", s.corner != 0}});
    }
    (*j)[corners ? "points" : "segments"] = list;
    return list;
  }

  Json Children(const Art* container, bool selected) {
    Json list = Json::array();
    for (Art* child : container->children)
      if (child->alive) list.push_back(WriteArt(child, selected));
    return list;
  }

  void Fields(const Field* fields, std::size_t n, const void* record, const void* defaults,
              Json* out) {
    for (std::size_t i = 0; i < n; ++i) {
      const auto* a = static_cast<const std::uint8_t*>(record) + fields[i].offset;
      const auto* b = static_cast<const std::uint8_t*>(defaults) + fields[i].offset;
      const std::size_t size = fields[i].kind == FieldKind::kInt16 ? 2 : 4;
      if (std::memcmp(a, b, size) == 0) continue;
      if (fields[i].kind == FieldKind::kReal) {
        float v;
        std::memcpy(&v, a, 4);
        (*out)[fields[i].name] = R(v);
      } else if (fields[i].kind == FieldKind::kInt32) {
        std::int32_t v;
        std::memcpy(&v, a, 4);
        (*out)[fields[i].name] = v;
      } else {
        std::int16_t v;
        std::memcpy(&v, a, 2);
        (*out)[fields[i].name] = v;
      }
    }
  }

  Json Text(const TextData& t, Json* j) {
    (*j)["textType"] = t.type >= 0 && t.type <= 2 ? Json(kTextTypes[t.type]) : Json(t.type);
    Json runs = Json::array();
    for (std::size_t i = 0; i < t.bytes.size();) {
      std::size_t e = i;
      while (e < t.bytes.size() && t.attributeOf[e] == t.attributeOf[i])
        ++e;
      const TextAttributes& a = t.sets[t.attributeOf[i]];
      // Defaults as the reader makes them for this font.
      TextAttributes base = DefaultTextAttributes();
      Json run = Json::object();
      char name[sizeof a.font.name + 1] = {};
      std::memcpy(name, a.font.name, sizeof a.font.name);
      run["font"] = std::string(name);
      std::memset(base.font.name, 0, sizeof base.font.name);
      std::memcpy(base.font.name, name, std::strlen(name));
      base.font.script =
          std::string(name).rfind("IPA", 0) == 0 ? host::kJapaneseScript : host::kRomanScript;
      const std::string bytes = t.bytes.substr(i, e - i);
      std::string utf8;
      if (Recode(a.font.script == host::kJapaneseScript ? "CP932" : "CP1252", "UTF-8", bytes,
                 &utf8) &&
          !utf8.empty()) {
        run["text"] = utf8;
        std::string back;
        if (!Recode("UTF-8", a.font.script == host::kJapaneseScript ? "CP932" : "CP1252", utf8,
                    &back) ||
            back != bytes) {
          run.erase("text");
          run["bytes"] = Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        }
      } else {
        run["bytes"] = Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      }
      Style(a.paint, &run);
      run["runValue"] = R(a.runValue);
      Json character = Json::object(), font = Json::object(), paragraph = Json::object();
      Fields(kCharacterFields, std::size(kCharacterFields), &a.character, &base.character,
             &character);
      Fields(kFontFields, std::size(kFontFields), &a.font, &base.font, &font);
      Fields(kParagraphFields, std::size(kParagraphFields), &a.paragraph, &base.paragraph,
             &paragraph);
      if (!character.empty()) run["character"] = character;
      if (!font.empty()) run["fontRecord"] = font;
      if (!paragraph.empty()) run["paragraph"] = paragraph;
      Json stops = Json::array();
      for (int k = 0; k < host::kMaxTabStops; ++k)
        stops.push_back({{"kind", a.tabs.stops[k].kind},
                         {"leader", a.tabs.stops[k].leader},
                         {"position", R(a.tabs.stops[k].position)}});
      while (!stops.empty() && stops.back()["kind"] == 0 && stops.back()["leader"] == 0 &&
             stops.back()["position"] == 0.0)
        stops.erase(stops.size() - 1);
      run["tabs"] = {
          {"defaultSpacing", R(a.tabs.defaultSpacing)}, {"count", a.tabs.count}, {"stops", stops}};
      runs.push_back(run);
      i = e;
    }
    (*j)["runs"] = runs;
    return runs;
  }

  Json WriteArt(Art* a, bool parentSelected) {
    static const char* const kTypeNames[] = {"", "group",  "path", "compound", "text",   "",
                                             "", "placed", "",     "raster",   "plugin", "mesh"};
    Json j = Json::object();
    j["type"] = kTypeNames[a->type];
    if (!a->id.empty()) j["id"] = a->id;
    const bool selected = a->attributes & host::kArtSelected;
    if (selected != parentSelected) j["selected"] = selected;
    if (a->attributes & host::kArtHidden) j["hidden"] = true;
    if (a->attributes & host::kArtLocked) j["locked"] = true;
    const BlendState& b = a->blend;
    if (b.mode != 0 || b.opacity != 1.0f || b.isolated || b.knockout != 0 || b.alphaIsShape)
      j["blend"] = {{"mode", kBlendModes[std::clamp(b.mode, 0, kLastBlendMode)]},
                    {"opacity", R(b.opacity)},
                    {"isolated", b.isolated},
                    {"knockout", kKnockouts[std::clamp(b.knockout, 0, 2)]},
                    {"alphaIsShape", b.alphaIsShape}};
    if (a->effect.shadow)
      j["effect"] = {{"shadow", Pt(a->effect.offset)}, {"color", Color(a->effect.color)}};
    switch (a->type) {
      case host::kGroupArt:
        if (a->clipped) j["clipped"] = true;
        j["children"] = Children(a, selected);
        break;
      case host::kPathArt:
        Segments(a->segments, &j);
        j["closed"] = a->closed;
        if (a->guide) j["guide"] = true;
        Style(a->style, &j);
        break;
      case host::kCompoundPathArt:
        j["children"] = Children(a, selected);
        break;
      case host::kTextArt: {
        Text(a->text, &j);
        Json paths = Json::array();
        for (const Art* p : a->children) {
          if (!p->alive) continue;
          Json q = {{"matrix", Matrix(p->textPathMatrix)},
                    {"attribute", p->textPathAttribute},
                    {"closed", p->closed}};
          Segments(p->segments, &q);
          paths.push_back(q);
        }
        j["paths"] = paths;
        break;
      }
      case host::kPlacedArt:
        j["bounds"] = Rect(a->placedBounds);
        break;
      case host::kRasterArt: {
        const RasterData& r = a->raster;
        j["width"] = r.width();
        j["height"] = r.height();
        j["origin"] = {r.info.bounds.left, r.info.bounds.top};
        j["colorSpace"] = kRasterSpaces[std::clamp(r.info.colorSpace, 0, 3)];
        j["matrix"] = Matrix(r.matrix);
        j["pixels"] = Hex(r.pixels.data(), r.pixels.size());
        if (r.info.flags) j["flags"] = r.info.flags;
        if (r.info.extra) j["extra"] = r.info.extra;
        j["boundingBox"] = Rect(r.boundingBox);
        break;
      }
      case host::kPluginArt: {
        const PluginArtData& p = a->plugin;
        if (p.group) j["group"] = NameOf(p.group, p.group->name, "plugin");
        j["version"] = {p.major, p.minor};
        j["data"] = Hex(p.data.data(), p.data.size());
        if (p.editArt) j["edit"] = Children(p.editArt, false);
        break;
      }
      case host::kMeshArt: {
        const MeshData& m = a->mesh;
        j["kind"] = kMeshKinds[std::clamp(m.kind, 0, 1)];
        j["i"] = m.i;
        j["j"] = m.j;
        Json nodes = Json::array();
        for (const MeshVertex& v : m.nodes)
          nodes.push_back({{"color", Color(v.color)},
                           {"point", Pt(v.point)},
                           {"smooth", {v.smooth[0], v.smooth[1], v.smooth[2], v.smooth[3]}}});
        auto edges = [&](const std::vector<MeshEdge>& list) {
          Json out = Json::array();
          for (const MeshEdge& e : list)
            out.push_back({Pt(e.control[0]), Pt(e.control[1])});
          return out;
        };
        j["nodes"] = nodes;
        j["iEdges"] = edges(m.iEdges);
        j["jEdges"] = edges(m.jEdges);
        break;
      }
      default:
        break;
    }
    return j;
  }

  Document& doc_;
  std::map<const void*, std::string> names_;
  std::set<std::string> used_;
};

}  // namespace

nlohmann::json WriteScene(Document& document) {
  return Writer(document).Write();
}

bool WriteSceneFile(Document& document, const std::string& path, std::string* error) {
  return WriteFileAtomically(path, WriteScene(document).dump(2) + "\n", error);
}

}  // namespace hostsim
