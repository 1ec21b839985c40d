// Reading a scene's art: paths, groups, compound paths, placed art, rasters, plug-in art, meshes.
#include <climits>
#include <map>

#include "hostsim/scene/scene_reader_p.h"

namespace hostsim::scene_io {

std::vector<host::PathSegment> Reader::Segments(const Json& j, const std::string& at) {
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

void Reader::ReadChildren(const Json& list, const std::string& at, Art* container, bool selected) {
  Array(list, at);
  // Containers nest as deep as the plug-in's own records can (1024 levels).
  if (++depth_ > 1024) Fail(at, "art nested more than 1024 levels deep");
  for (std::size_t i = 0; i < list.size(); ++i)
    ReadArt(list[i], Index(at, i), container, selected);
  --depth_;
}

Art* Reader::ReadArt(const Json& j, const std::string& at, Art* container, bool parentSelected) {
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
    art->effect.color = j["effect"].contains("color") ? Color(j["effect"]["color"], Key(p, "color"))
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

void Reader::ReadRaster(const Json& j, const std::string& at, RasterData* r) {
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
  for (const host::RealPoint c : {host::RealPoint{0, 0}, host::RealPoint{static_cast<float>(w), 0},
                                  host::RealPoint{0, static_cast<float>(h)},
                                  host::RealPoint{static_cast<float>(w), static_cast<float>(h)}}) {
    const host::RealPoint q = Transform(r->matrix, c);
    UnionRect(&box, {q.h, q.v, q.h, q.v}, &any);
  }
  r->boundingBox = j.contains("boundingBox") ? Rect(j["boundingBox"], Key(at, "boundingBox")) : box;
}

void Reader::ReadPlugin(const Json& j, const std::string& at, Art* art) {
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

void Reader::ReadMesh(const Json& j, const std::string& at, MeshData* m) {
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

host::Color Reader::VertexColor(const Json& j, const std::string& at) {
  const host::Color c = Color(j, at);
  if (c.kind != host::kGrayColor && c.kind != host::kProcessColor && c.kind != host::kRgbColor &&
      c.kind != host::kCustomColor)
    Fail(at, "a mesh vertex is gray, process, RGB or custom");
  return c;
}

}  // namespace hostsim::scene_io
