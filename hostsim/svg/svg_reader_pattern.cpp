// Reading SVG pattern paint as the host's patterns: one tile of art, clipped to the
// pattern's tile rectangle (whose bounds are then the tile's), placed through a transform.
#include <cmath>
#include <cstdio>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

// The pattern and the patterns it refers to through href, the pattern first.
struct PatternChain {
  std::vector<xmlNodePtr> chain;
  xmlNodePtr With(const char* attr) const {
    for (xmlNodePtr p : chain)
      if (Reader::HasAttr(p, attr)) return p;
    return nullptr;
  }
  // The first in the chain with element children: its children are the tile's content.
  xmlNodePtr Content() const {
    for (xmlNodePtr p : chain)
      for (xmlNodePtr c = p->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) return p;
    return nullptr;
  }
};

void EraseIds(Json* art, std::set<std::string>* ids) {
  if (art->is_array()) {
    for (Json& a : *art)
      EraseIds(&a, ids);
    return;
  }
  if (!art->is_object()) return;
  if (art->contains("id")) {
    if ((*art)["id"].is_string()) ids->erase((*art)["id"].get<std::string>());
    art->erase("id");
  }
  if (art->contains("children")) EraseIds(&(*art)["children"], ids);
}

}  // namespace

Json Reader::PatternPaint(xmlNodePtr p, const Geometry& user, const Matrix& ctm, xmlNodePtr at) {
  PatternChain chain;
  for (xmlNodePtr n = p; n;) {
    if (std::find(chain.chain.begin(), chain.chain.end(), n) != chain.chain.end()) {
      Note(p, "pattern references form a cycle: not painted");
      return nullptr;
    }
    chain.chain.push_back(n);
    const std::string href = Href(n);
    if (href.size() < 2 || href[0] != '#') break;
    auto it = ids_.find(href.substr(1));
    if (it == ids_.end() || !Named(it->second, "pattern")) break;
    n = it->second;
  }
  if (activePatterns_.count(p)) {
    Note(at, "a pattern painted with itself: not painted");
    return nullptr;
  }

  // The tile rectangle in the painted element's user space (or its bounding box's).
  xmlNodePtr units = chain.With("patternUnits");
  const bool box = !units || Attr(units, "patternUnits") != "userSpaceOnUse";
  double b[4] = {0, 0, 0, 0};
  if (box && (!Bounds(user, b) || b[2] <= b[0] || b[3] <= b[1])) {
    Note(at, "a bounding-box pattern on a shape without area: not painted");
    return nullptr;
  }
  const Style none;
  const Viewport unit{1, 1};
  // A coordinate or size: a length in user space, or a fraction of the bounding box.
  auto value = [&](const char* attr, int axis) {
    xmlNodePtr from = chain.With(attr);
    Length l;
    if (!from) return 0.0;
    if (!ParseLengthValue(Attr(from, attr), false, &l)) {
      Note(from, std::string(attr) + " not valid");
      return 0.0;
    }
    if (!box) return ToUser(l, none, vp_, axis);
    const double v = l.unit == Unit::kPercent ? l.value / 100 : ToUser(l, none, unit, axis);
    return v * (axis == 0 ? b[2] - b[0] : b[3] - b[1]);
  };
  const double x = value("x", 0) + (box ? b[0] : 0), y = value("y", 1) + (box ? b[1] : 0);
  const double w = value("width", 0), h = value("height", 1);
  if (!(w > 0) || !(h > 0) || !std::isfinite(w * h)) return nullptr;  // SVG: not painted

  // Content units to the tile (origin at its top-left corner, y down).
  Matrix content;
  Viewport inner = vp_;
  if (xmlNodePtr vb = chain.With("viewBox")) {
    content = ViewBoxTransform(vb, 0, 0, w, h, &inner);
  } else if (xmlNodePtr cu = chain.With("patternContentUnits");
             cu && Attr(cu, "patternContentUnits") == "objectBoundingBox") {
    if (!box && !(Bounds(user, b) && b[2] > b[0] && b[3] > b[1])) {
      Note(at, "pattern content in the bounding box's units on a shape without area: not painted");
      return nullptr;
    }
    content = {b[2] - b[0], 0, 0, b[3] - b[1], 0, 0};
    inner = unit;
  }
  Matrix place;  // pattern space to the element's user space
  if (xmlNodePtr t = chain.With("patternTransform")) {
    if (!ParseTransformList(Attr(t, "patternTransform"), &place)) {
      Note(t, "patternTransform not valid: not painted");
      return nullptr;
    }
    if (Matrix inverse; !Invert(place, &inverse)) {
      Note(t, "patternTransform not invertible: left out");
      place = Matrix{};
    }
    place = AboutOrigin(t, place);
  }
  // Tile art: y up, its bottom-left corner at (0, 0). The reader maps what it reads
  // through PageMatrix (y flipped about the artboard's height, moved by the page's
  // origin): the content is read through that map's inverse, so that it lands in the tile.
  const Matrix toTileArt = {1, 0, 0, -1, 0, h};  // tile (y down) ↔ tile art (y up)
  const Matrix page = PageMatrix(Matrix{});      // {1, 0, 0, -1, ox, H + oy}
  const Matrix fromPage = {1, 0, 0, -1, -page.e, page.f};
  const Matrix read = Multiply(fromPage, Multiply(toTileArt, content));
  // Tile art to artwork: back to the tile, into pattern space at (x, y), through the
  // pattern transform into user space, then as the element's geometry goes.
  const Matrix full =
      Multiply(PageMatrix(Multiply(ctm, place)), Multiply({1, 0, 0, 1, x, y}, toTileArt));
  if (!FiniteMatrix(full) || !FiniteMatrix(read)) {
    Note(p, "a pattern out of range: not painted");
    return nullptr;
  }

  // A pattern used again with the same tile is the same host pattern.
  char key[256];
  std::snprintf(key, sizeof key, "%p %.9g %.9g %.9g %.9g %.9g %.9g", static_cast<void*>(p), w, h,
                content.a, content.d, content.e, content.f);
  std::string name;
  if (auto found = patternOf_.find(key); found != patternOf_.end()) {
    name = found->second;
  } else {
    xmlNodePtr from = chain.Content();
    if (!from) return nullptr;  // no content: paints nothing
    Json art = Json::array();
    activePatterns_.insert(p);
    const Matrix* savedCtm = drawCtm_;
    const Viewport savedVp = vp_;
    Children(from, StyleOf(from), read, inner, &art);
    drawCtm_ = savedCtm;
    vp_ = savedVp;
    activePatterns_.erase(p);
    if (art.empty()) return nullptr;
    EraseIds(&art, &artIds_);
    Json clip = SubpathJson(RectGeometry(0, 0, w, h, 0, 0).front());
    clip["fill"] = nullptr;
    clip["clip"] = true;
    Json children = Json::array({std::move(clip)});
    for (Json& a : art)
      children.push_back(std::move(a));
    const std::string base = Attr(p, "id").empty() ? "pattern" : Attr(p, "id");
    name = base;
    auto taken = [&](const std::string& n) {
      if (patternNames_.count(n)) return true;
      if (documentKeys_.contains("patterns") && documentKeys_["patterns"].is_array())
        for (const Json& kept : documentKeys_["patterns"])
          if (kept.is_object() && kept.value("name", "") == n) return true;
      return false;
    };
    for (int i = 2; taken(name); ++i)
      name = base + " " + std::to_string(i);
    patternNames_.insert(name);
    patterns_.push_back(
        {{"name", name},
         {"art", Json::array({{{"type", "group"}, {"clipped", true}, {"children", children}}})}});
    patternOf_[key] = name;
  }
  return {{"pattern", name}, {"transform", {full.a, full.b, full.c, full.d, full.e, full.f}}};
}

}  // namespace hostsim::svg_in
