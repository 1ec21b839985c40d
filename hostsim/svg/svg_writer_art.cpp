// Writing art as SVG elements: paths, compound paths, groups and clipping groups with
// their paint (colours, gradients, patterns, strokes) and transparency, each with the
// `velm:` keys that SVG cannot carry exactly.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "hostsim/svg/svg.h"
#include "hostsim/svg/svg_writer_p.h"

namespace hostsim::svg_out {
namespace {

constexpr double kPi = 3.14159265358979323846;

const char* const kBlendCss[] = {"normal",     "multiply",   "screen",      "overlay",
                                 "soft-light", "hard-light", "color-dodge", "color-burn",
                                 "darken",     "lighten",    "difference",  "exclusion",
                                 "hue",        "saturation", "color",       "luminosity"};

bool IsClipPath(const Art* a) {
  if (!a->alive) return false;
  if (a->type == host::kPathArt) return a->style.clip != 0;
  if (a->type == host::kCompoundPathArt)
    for (const Art* c : a->children)
      if (c->type == host::kPathArt) return c->style.clip != 0;
  return false;
}

// An RGB component that "#rrggbb" gives back exactly (as the scene reads it: k / 255).
bool ExactByte(float v) {
  if (!(v >= 0.0f && v <= 1.0f)) return false;
  const int k = static_cast<int>(std::lround(v * 255.0));
  return static_cast<float>(k) / 255.0f == v;
}

}  // namespace

std::string Num(float value) {
  if (!std::isfinite(value) || value == 0) return "0";  // no "-0"
  char buffer[32];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

std::string Num(double value) {
  if (!std::isfinite(value) || value == 0) return "0";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.10g", value);
  return buffer;
}

std::string MatrixText(const host::RealMatrix& m) {
  return "matrix(" + Num(m.a) + " " + Num(m.b) + " " + Num(m.c) + " " + Num(m.d) + " " + Num(m.tx) +
         " " + Num(m.ty) + ")";
}

namespace {

// The length of the well-formed UTF-8 sequence at `p` (of `left` bytes), 0 when there is
// none (a stray byte, an overlong form, a surrogate, past U+10FFFF).
std::size_t Utf8Length(const unsigned char* p, std::size_t left) {
  if (p[0] < 0x80) return 1;
  std::size_t n = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC2 ? 2 : 0;
  if (n == 0 || n > left || p[0] > 0xF4) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((p[k] & 0xC0) != 0x80) return 0;
  if ((p[0] == 0xE0 && p[1] < 0xA0) || (p[0] == 0xED && p[1] >= 0xA0) ||
      (p[0] == 0xF0 && p[1] < 0x90) || (p[0] == 0xF4 && p[1] >= 0x90))
    return 0;
  // U+FFFE and U+FFFF are no XML characters.
  if (p[0] == 0xEF && p[1] == 0xBF && p[2] >= 0xBE) return 0;
  return n;
}

}  // namespace

std::string Sanitize(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = bytes[i];
    if (c >= 0x80) {
      const std::size_t n = Utf8Length(bytes + i, text.size() - i);
      // A byte that is not UTF-8 would make the file unreadable: the replacement character.
      out += n ? text.substr(i, n) : "\xEF\xBF\xBD";
      i += n ? n : 1;
      continue;
    }
    ++i;
    if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += static_cast<char>(c);
  }
  return out;
}

std::string EscapeXml(const std::string& text) {
  std::string out;
  for (char c : Sanitize(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string CompactJson(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string Element::Open(bool empty) const {
  std::string out = "<" + name_;
  for (const auto& [n, v] : declarations_)
    out += " " + n + "=\"" + EscapeXml(v) + "\"";
  for (const auto& [n, v] : attributes_)
    out += " " + n + "=\"" + EscapeXml(v) + "\"";
  if (!keys_.is_null()) {
    out += " velm:keys=\"" + EscapeXml(CompactJson(keys_)) + "\"";
    out += " velm:check=\"-\"";
  }
  // The line break lies inside the tag: text between elements would be part of their
  // parent's own text, which the digest covers.
  out += empty ? "\n/>" : "\n>";
  return out;
}

std::string HexColor(const Rgb& rgb) {
  auto byte = [](double v) {
    return static_cast<unsigned>(
        std::lround(std::clamp(std::isfinite(v) ? v : 0.0, 0.0, 1.0) * 255));
  };
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", byte(rgb.r), byte(rgb.g), byte(rgb.b));
  return buffer;
}

// ---- The art writer ----

ArtWriter::ArtWriter(Document& document, const Json& scene, bool keepSelection)
    : doc_(document), scene_(scene), keepSelection_(keepSelection) {
  const Json& layers = scene_.at("layers");
  std::size_t k = 0;
  for (Layer* layer : doc_.layers()) {
    if (k >= layers.size()) break;
    std::vector<Art*> children(layer->group->children.begin(), layer->group->children.end());
    MapScene(children, layers[k++].at("art"));
  }
  // Scene ids are kept as they are: ids made here must not take them.
  for (const auto& [art, json] : sceneOf_)
    if (json->contains("id")) ids_.insert(json->at("id").get<std::string>());
}

void ArtWriter::MapScene(const std::vector<Art*>& children, const Json& list) {
  std::size_t k = 0;
  for (Art* child : children) {
    if (!child->alive) continue;
    if (k >= list.size()) return;
    const Json& j = list[k++];
    sceneOf_[child] = &j;
    if ((child->type == host::kGroupArt || child->type == host::kCompoundPathArt) &&
        j.contains("children"))
      MapScene(child->children, j.at("children"));
  }
}

void ArtWriter::TakeFlip(Element* element) {
  if (!flipNext_) return;
  flipNext_ = false;
  element->Set("transform", "matrix(1 0 0 -1 0 " + Num(flip_) + ")");
}

const Json* ArtWriter::SceneOf(const Art* art) const {
  if (anonymous_ > 0) return nullptr;
  auto it = sceneOf_.find(art);
  return it == sceneOf_.end() ? nullptr : it->second;
}

std::string ArtWriter::NewId(const std::string& prefix) {
  std::string id;
  do {
    id = prefix + std::to_string(nextId_++);
  } while (ids_.count(id));
  ids_.insert(id);
  return id;
}

Json ArtWriter::Whole(const Art* art) const {
  const Json* j = SceneOf(art);
  if (!j) return Json();
  Json keys = *j;
  if (!keepSelection_) {
    // A symbol's art is read back all selected: no object may say otherwise.
    std::vector<Json*> stack{&keys};
    while (!stack.empty()) {
      Json* o = stack.back();
      stack.pop_back();
      o->erase("selected");
      for (const char* list : {"children", "edit"})
        if (o->contains(list))
          for (Json& c : (*o)[list])
            stack.push_back(&c);
    }
  }
  return keys;
}

void ArtWriter::FlagKeys(const Art* art, Json* keys) const {
  const Json* j = SceneOf(art);
  if (!j) return;
  for (const char* k : {"id", "selected", "hidden", "locked", "blend", "effect"}) {
    if (!keepSelection_ && std::string(k) == "selected") continue;
    if (j->contains(k)) (*keys)[k] = j->at(k);
  }
}

void ArtWriter::Common(const Art* art, Element* element) const {
  // A compound path is drawn with its topmost path's opacity as well as its own.
  float opacity = art->blend.opacity;
  if (art->type == host::kCompoundPathArt)
    for (const Art* c : art->children)
      if (c->alive && c->type == host::kPathArt) {
        opacity *= c->blend.opacity;
        break;
      }
  if (opacity != 1.0f) element->Set("opacity", Num(std::clamp(opacity, 0.0f, 1.0f)));
  if (art->blend.mode > 0 && art->blend.mode <= kLastBlendMode)
    element->Set("style", std::string("mix-blend-mode:") + kBlendCss[art->blend.mode]);
  if (art->attributes & host::kArtHidden) Hide(art, element);
}

void ArtWriter::Hide(const Art* art, Element* element) const {
  element->Set("display", "none");
  // Art of the document (not a copy drawn for it) is marked, so that this program reads
  // it back as hidden art rather than leaving it out as it leaves out foreign hidden art.
  if (SceneOf(art)) element->Set("velm:hidden", "true");
}

// ---- Paint ----

bool ArtWriter::Paint(const host::Color& color, const char* name, Element* element) {
  Rgb rgb;
  if (PlainColor(doc_, color, &rgb)) {
    element->Set(name, HexColor(rgb));
    return color.kind == host::kRgbColor && ExactByte(color.c.rgb.red) &&
           ExactByte(color.c.rgb.green) && ExactByte(color.c.rgb.blue);
  }
  std::string id;
  if (color.kind == host::kGradientColor) id = GradientDef(color.c.gradient);
  if (color.kind == host::kPatternColor) id = PatternDef(color.c.pattern);
  element->Set(name, id.empty() ? "none" : "url(#" + id + ")");
  return false;
}

void ArtWriter::PaintStyle(const host::PathStyle& s, Element* element, bool* fillExact,
                           bool* strokeExact) {
  *fillExact = true;
  if (s.fillPaint)
    *fillExact = Paint(s.fill.color, "fill", element) && !s.fill.overprint;
  else
    element->Set("fill", "none");
  if (s.evenOdd) element->Set("fill-rule", "evenodd");
  *strokeExact = true;
  if (!s.strokePaint) {
    element->Set("stroke", "none");
    return;
  }
  const host::StrokeStyle& st = s.stroke;
  *strokeExact = Paint(st.color, "stroke", element) && !st.overprint;
  element->Set("stroke-width", Num(std::max(st.width, 0.0f)));
  *strokeExact = *strokeExact && st.width >= 0;
  if (st.cap == 1 || st.cap == 2) element->Set("stroke-linecap", st.cap == 1 ? "round" : "square");
  if (st.join == 1 || st.join == 2)
    element->Set("stroke-linejoin", st.join == 1 ? "round" : "bevel");
  *strokeExact = *strokeExact && st.cap >= 0 && st.cap <= 2 && st.join >= 0 && st.join <= 2;
  element->Set("stroke-miterlimit", Num(std::max(st.miterLimit, 1.0f)));
  *strokeExact = *strokeExact && st.miterLimit >= 1;
  const int n = std::clamp(st.dash.length, 0, host::kMaxDashComponents);
  std::string dashes;
  bool positive = false;
  for (int i = 0; i < n; ++i) {
    positive = positive || st.dash.array[i] > 0;
    *strokeExact = *strokeExact && st.dash.array[i] >= 0;
    dashes += (i ? " " : "") + Num(std::max(st.dash.array[i], 0.0f));
  }
  *strokeExact = *strokeExact && n == st.dash.length && (n == 0 || positive);
  if (positive) {
    element->Set("stroke-dasharray", dashes);
    if (st.dash.offset != 0) element->Set("stroke-dashoffset", Num(st.dash.offset));
  } else if (st.dash.offset != 0) {
    *strokeExact = false;
  }
}

std::string ArtWriter::GradientDef(const host::GradientStyle& g) {
  const Gradient* gradient = doc_.GradientFrom(g.gradient);
  if (!gradient || gradient->stops.empty()) return {};
  const bool radial = gradient->type == host::kRadialGradient;
  const std::string id = NewId("gradient");
  Element e(radial ? "radialGradient" : "linearGradient");
  e.Set("id", id).Set("gradientUnits", "userSpaceOnUse");
  // Gradient space as the renderer draws it; the gradient matrix maps it to artwork.
  if (radial) {
    const double ha = g.hiliteAngle * kPi / 180.0, hl = g.hiliteLength * g.length;
    e.Set("cx", Num(g.origin.h)).Set("cy", Num(g.origin.v)).Set("r", Num(std::fabs(g.length)));
    e.Set("fx", Num(g.origin.h + hl * std::cos(ha))).Set("fy", Num(g.origin.v + hl * std::sin(ha)));
  } else {
    const double angle = g.angle * kPi / 180.0;
    e.Set("x1", Num(g.origin.h)).Set("y1", Num(g.origin.v));
    e.Set("x2", Num(g.origin.h + g.length * std::cos(angle)))
        .Set("y2", Num(g.origin.v + g.length * std::sin(angle)));
  }
  e.Set("gradientTransform", MatrixText(g.matrix));
  // The scene's definition of the gradient: the scene lists them in the document's order.
  const auto& all = doc_.gradients();
  for (std::size_t k = 0; k < all.size(); ++k)
    if (all[k].get() == gradient && scene_.contains("gradients") && k < scene_["gradients"].size())
      e.Keys(scene_["gradients"][k]);
  std::string out = e.Open(false);
  const std::vector<host::GradientStop>& stops = gradient->stops;
  auto stop = [&](double at, const Rgb& c) {
    Element s("stop");
    s.Set("offset", Num(std::clamp(at, 0.0, 1.0))).Set("stop-color", HexColor(c));
    out += s.Open(true);
  };
  for (std::size_t i = 0; i < stops.size(); ++i) {
    Rgb a;
    if (!PlainColor(doc_, stops[i].color, &a)) a = {};
    const double at = stops[i].rampPoint / 100.0;
    stop(at, a);
    // A mid point other than halfway: the even mix of the two colours lies there.
    if (i + 1 < stops.size() && stops[i].midPoint != 50.0f) {
      Rgb b;
      if (!PlainColor(doc_, stops[i + 1].color, &b)) b = {};
      const double next = stops[i + 1].rampPoint / 100.0;
      stop(at + (next - at) * stops[i].midPoint / 100.0,
           {(a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2});
    }
  }
  defs_ += out + e.Close();
  return id;
}

std::string ArtWriter::PatternDef(const host::PatternStyle& ps) {
  const Pattern* pattern = doc_.PatternFrom(ps.pattern);
  if (!pattern || !pattern->art || patternDepth_ > 8) return {};
  host::RealRect box;
  if (!ArtBounds(doc_, pattern->art, &box)) return {};
  const double w = box.right - box.left, h = box.top - box.bottom;
  if (!(w > 0 && h > 0)) return {};
  const std::string id = NewId("pattern");
  // One tile: the pattern's art with its bounds' bottom-left corner at the tile's origin,
  // tile space mapped to artwork by the pattern's transform.
  Element e("pattern");
  e.Set("id", id).Set("patternUnits", "userSpaceOnUse").Set("x", "0").Set("y", "0");
  e.Set("width", Num(w)).Set("height", Num(h)).Set("patternTransform", MatrixText(ps.transform));
  std::string content;
  ++patternDepth_;
  ++anonymous_;
  Write(pattern->art, &content);
  --anonymous_;
  --patternDepth_;
  defs_ += e.Open(false) + "<g transform=\"translate(" + Num(-box.left) + " " + Num(-box.bottom) +
           ")\">" + content + "</g>" + e.Close();
  return id;
}

// ---- Paths and containers ----

std::string ArtWriter::PathData(const std::vector<host::PathSegment>& s, bool closed) {
  if (s.empty()) return {};
  auto pt = [](host::RealPoint p) { return Num(p.h) + " " + Num(p.v); };
  auto straight = [](const host::PathSegment& a, const host::PathSegment& b) {
    return a.out.h == a.anchor.h && a.out.v == a.anchor.v && b.in.h == b.anchor.h &&
           b.in.v == b.anchor.v;
  };
  std::string d = "M" + pt(s[0].anchor);
  for (std::size_t k = 1; k < s.size(); ++k) {
    if (straight(s[k - 1], s[k]))
      d += "L" + pt(s[k].anchor);
    else
      d += "C" + pt(s[k - 1].out) + " " + pt(s[k].in) + " " + pt(s[k].anchor);
  }
  if (closed && s.size() > 1) {
    if (!straight(s.back(), s[0]))
      d += "C" + pt(s.back().out) + " " + pt(s[0].in) + " " + pt(s[0].anchor);
    d += "Z";
  }
  return d;
}

void ArtWriter::Write(Art* art, std::string* out) {
  if (!art || !art->alive) {
    flipNext_ = false;
    return;
  }
  if (art->effect.shadow) {
    WriteThrough(art, doc_.StyledArtOf(art), out);
    return;
  }
  switch (art->type) {
    case host::kGroupArt:
      WriteGroup(art, out);
      break;
    case host::kPathArt:
      WritePath(art, out);
      break;
    case host::kCompoundPathArt:
      WriteCompound(art, out);
      break;
    case host::kTextArt:
      WriteText(art, out);
      break;
    case host::kRasterArt:
      WriteRaster(art, out);
      break;
    case host::kMeshArt:
      WriteMesh(art, out);
      break;
    case host::kPlacedArt:
      WritePlaced(art, out);
      break;
    case host::kPluginArt:
      WriteThrough(art, art->plugin.resultArt, out);
      break;
    default:
      break;
  }
}

void ArtWriter::WriteChildren(Art* container, std::string* out) {
  // Children are listed topmost first; SVG paints in document order.
  for (auto it = container->children.rbegin(); it != container->children.rend(); ++it)
    Write(*it, out);
}

void ArtWriter::WriteThrough(Art* art, Art* drawn, std::string* out) {
  Element g("g");
  TakeFlip(&g);
  if (!art->effect.shadow)
    Common(art, &g);
  else if (art->attributes & host::kArtHidden)
    Hide(art, &g);  // the copy inside the styled art carries the transparency
  g.Keys(Whole(art));
  *out += g.Open(false);
  ++anonymous_;
  // The styled art of an effect holds copies of the art (without the effect) and its
  // shadow; a plug-in art's result art is what it draws as.
  if (drawn && drawn != art) Write(drawn, out);
  --anonymous_;
  *out += g.Close();
}

void ArtWriter::WritePath(Art* art, std::string* out) {
  Element e("path");
  TakeFlip(&e);
  e.Set("d", PathData(art->segments, art->closed));
  const Json* scene = SceneOf(art);
  if (art->guide) {
    // Guides are not drawn.
    e.Set("fill", "none").Set("stroke", "none");
    Common(art, &e);
    e.Keys(Whole(art));
    *out += e.Open(true);
    return;
  }
  bool fillExact = true, strokeExact = true;
  PaintStyle(art->style, &e, &fillExact, &strokeExact);
  Common(art, &e);
  const std::vector<host::PathSegment>& s = art->segments;
  const bool plainGeometry = scene && scene->contains("points") && s.size() >= 2 &&
                             !(art->closed && s.front().anchor.h == s.back().anchor.h &&
                               s.front().anchor.v == s.back().anchor.v);
  if (scene && !plainGeometry) {
    e.Keys(Whole(art));
  } else if (scene) {
    Json keys = Json::object();
    if (!fillExact) keys["fill"] = scene->at("fill");
    if (!strokeExact) keys["stroke"] = scene->at("stroke");
    FlagKeys(art, &keys);
    for (const char* k : {"fillOverprint", "clip", "lockClip"})
      if (scene->contains(k)) keys[k] = scene->at(k);
    if (art->style.resolution != 800.0f) keys["resolution"] = scene->at("resolution");
    if (!keys.empty()) e.Keys(keys);
  }
  *out += e.Open(true);
}

void ArtWriter::WriteCompound(Art* art, std::string* out) {
  // One path of every subpath, painted as the renderer paints it: with the topmost
  // path's style. What each path holds of its own goes in the keys.
  std::string d;
  const Art* first = nullptr;
  for (const Art* child : art->children)
    if (child->alive && child->type == host::kPathArt) {
      if (!first) first = child;
      d += PathData(child->segments, child->closed);
    }
  Element e("path");
  TakeFlip(&e);
  e.Set("d", d);
  bool fillExact = true, strokeExact = true;
  if (first)
    PaintStyle(first->style, &e, &fillExact, &strokeExact);
  else
    e.Set("fill", "none");
  Common(art, &e);
  e.Keys(Whole(art));
  *out += e.Open(true);
}

void ArtWriter::WriteGroup(Art* art, std::string* out) {
  Element g("g");
  TakeFlip(&g);
  std::vector<Art*> clips;
  std::string clipUrl;
  if (art->clipped)
    for (Art* child : art->children)
      if (IsClipPath(child)) clips.push_back(child);
  if (!clips.empty()) {
    // One path per clipping path, each with its own rule: SVG clips to their union, as the
    // renderer does.
    const std::string id = NewId("clip");
    Element c("clipPath");
    c.Set("id", id).Set("clipPathUnits", "userSpaceOnUse");
    defs_ += c.Open(false);
    for (Art* clip : clips) {
      std::string d;
      bool evenOdd = false;
      if (clip->type == host::kPathArt) {
        d = PathData(clip->segments, clip->closed);
        evenOdd = clip->style.evenOdd;
      } else {
        for (Art* sub : clip->children)
          if (sub->alive) {
            d += PathData(sub->segments, sub->closed);
            evenOdd = sub->style.evenOdd;
          }
      }
      Element p("path");
      p.Set("d", d);
      if (evenOdd) p.Set("clip-rule", "evenodd");
      defs_ += p.Open(true);
    }
    defs_ += c.Close();
    clipUrl = "url(#" + id + ")";
  }
  Common(art, &g);
  const Json* scene = SceneOf(art);
  if (scene && art->clipped) {
    // Which children clip, and where they lie among the others, is the scene's.
    g.Keys(Whole(art));
  } else if (scene) {
    Json keys = Json::object();
    FlagKeys(art, &keys);
    if (!keys.empty()) g.Keys(keys);
  }
  // The clip on a group of its own inside: a reader clips what an element holds after
  // taking its keys, so a clip beside keys that hold the group whole would clip it twice.
  Element inner("g");
  if (!clipUrl.empty()) inner.Set("clip-path", clipUrl);
  *out += g.Open(false) + (clipUrl.empty() ? "" : inner.Open(false));
  const bool whole = scene && art->clipped;
  if (whole) ++anonymous_;
  for (auto it = art->children.rbegin(); it != art->children.rend(); ++it)
    if (std::find(clips.begin(), clips.end(), *it) == clips.end()) Write(*it, out);
  if (whole) --anonymous_;
  *out += (clipUrl.empty() ? "" : inner.Close()) + g.Close();
}

}  // namespace hostsim::svg_out
