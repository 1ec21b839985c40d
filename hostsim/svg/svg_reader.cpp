// Reading SVG documents: the element tree (svg, g, use, symbol, nested viewports) into a
// scene's art, the artboard and the page, symbols, and the private velm: keys.
#include <cmath>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

constexpr const char* kSvgNamespace = "http://www.w3.org/2000/svg";
constexpr const char* kXlinkNamespace = "http://www.w3.org/1999/xlink";
// Past these the rest of a document is left out (and reported): a guard against documents
// that multiply their art through uses.
constexpr std::size_t kMaxObjects = 50000;
constexpr std::size_t kMaxSegments = 1000000;
constexpr int kMaxUseDepth = 64;
constexpr int kMaxDepth = 512;

void SetOpacity(Json* art, double opacity) {
  if (opacity < 1) (*art)["blend"] = {{"opacity", std::clamp(opacity, 0.0, 1.0)}};
}

// Every gradient and pattern name the art uses.
void UsedNames(const Json& j, std::set<std::string>* gradients, std::set<std::string>* patterns) {
  if (j.is_object()) {
    if (j.contains("gradient") && j["gradient"].is_string())
      gradients->insert(j["gradient"].get<std::string>());
    if (j.contains("pattern") && j["pattern"].is_string())
      patterns->insert(j["pattern"].get<std::string>());
  }
  if (j.is_object() || j.is_array())
    for (const auto& v : j)
      UsedNames(v, gradients, patterns);
}

}  // namespace

bool Reader::IsSvg(xmlNodePtr n) {
  return n && n->type == XML_ELEMENT_NODE &&
         (!n->ns || xmlStrEqual(n->ns->href, BAD_CAST kSvgNamespace));
}

std::string Reader::Attr(xmlNodePtr n, const char* name) {
  xmlChar* v = xmlGetNoNsProp(n, BAD_CAST name);
  if (!v) return {};
  std::string s = reinterpret_cast<const char*>(v);
  xmlFree(v);
  return s;
}

bool Reader::HasAttr(xmlNodePtr n, const char* name) {
  return xmlHasNsProp(n, BAD_CAST name, nullptr) != nullptr;
}

std::string Reader::Href(xmlNodePtr n) {
  if (HasAttr(n, "href")) return Trim(Attr(n, "href"));
  xmlChar* v = xmlGetNsProp(n, BAD_CAST "href", BAD_CAST kXlinkNamespace);
  if (!v) return {};
  std::string s = reinterpret_cast<const char*>(v);
  xmlFree(v);
  return Trim(s);
}

std::string Reader::OwnText(xmlNodePtr n) {
  std::string text;
  for (xmlNodePtr c = n->children; c; c = c->next)
    if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content)
      text += reinterpret_cast<const char*>(c->content);
  return text;
}

std::string Reader::Trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

void Reader::Note(xmlNodePtr at, const std::string& what) {
  if (quiet_ > 0) return;
  report_->notes.push_back(file_ + ":" + std::to_string(at ? xmlGetLineNo(at) : 1) + ": " + what);
}

bool Reader::Budget(std::size_t segments, xmlNodePtr at) {
  if (overBudget_) return false;
  // An element a use repeats was counted when it was met (see Element).
  if (at == counted_)
    counted_ = nullptr;
  else
    ++objects_;
  return BudgetPoints(segments, at);
}

std::size_t Reader::PointsLeft() const {
  return segments_ < kMaxSegments ? kMaxSegments - segments_ : 0;
}

bool Reader::BudgetPoints(std::size_t segments, xmlNodePtr at) {
  if (overBudget_) return false;
  segments_ += segments;
  if (objects_ > kMaxObjects || segments_ > kMaxSegments) {
    overBudget_ = true;
    Drop("art over the document's limit");
    Note(at, "more than " + std::to_string(kMaxObjects) + " objects or " +
                 std::to_string(kMaxSegments) + " points: the rest is left out");
    return false;
  }
  return true;
}

void Reader::IndexIds(xmlNodePtr n) {
  for (; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    const std::string id = Attr(n, "id");
    if (!id.empty()) ids_.emplace(id, n);  // the first of an id wins
    if (Named(n, "style")) {
      // A sheet in another language than CSS is not read.
      const std::string type = Trim(Attr(n, "type"));
      if (type.empty() || type == "text/css")
        ParseStyleSheet(OwnText(n), n);
      else
        Note(n, "a style sheet of type \"" + type + "\": left out");
    }
    IndexIds(n->children);
  }
}

bool Reader::CheckedKeys(xmlNodePtr n, Json* keys) {
  xmlChar* k = xmlGetNsProp(n, BAD_CAST "keys", BAD_CAST kVelmSvgNamespace);
  if (!k) return false;
  const std::string text = reinterpret_cast<const char*>(k);
  xmlFree(k);
  xmlChar* c = xmlGetNsProp(n, BAD_CAST "check", BAD_CAST kVelmSvgNamespace);
  const std::string check = c ? reinterpret_cast<const char*>(c) : "";
  if (c) xmlFree(c);
  if (!keysCheck_) keysCheck_ = std::make_unique<svg_check::KeysCheck>(doc_);
  std::string expected;
  if (n == xmlDocGetRootElement(doc_)) {
    // Document settings: they stand for nothing drawn.
    expected = keysCheck_->Own(n);
  } else if (check.rfind(svg_check::kVersion, 0) != 0) {
    Note(n,
         "velm:check of an earlier form, which does not cover what the keys hold: read "
         "from its SVG");
    return false;
  } else if (Named(n, "linearGradient") || Named(n, "radialGradient")) {
    expected = keysCheck_->Definition(n);
  } else if (drawCtm_) {
    expected = keysCheck_->Art(n, PageMatrix(*drawCtm_));
  }
  if (expected.empty() || check != expected) {
    Note(n, "edited after it was written: read from its SVG");
    return false;
  }
  Json parsed = Json::parse(text, nullptr, false);
  if (!parsed.is_object()) {
    Note(n, "velm:keys is not a JSON object: read from its SVG");
    return false;
  }
  *keys = std::move(parsed);
  return true;
}

void Reader::PrivateKeys(xmlNodePtr n, Json* art) {
  Json keys;
  if (CheckedKeys(n, &keys)) {
    if (keys.contains("type"))
      *art = std::move(keys);
    else
      for (auto& [key, value] : keys.items())
        (*art)[key] = value;
  }
  // The element's id names its art (the first art drawn from it: uses draw it again).
  if (!art->is_object()) return;
  if (art->contains("id")) {
    if (!(*art)["id"].is_string() || !artIds_.insert((*art)["id"].get<std::string>()).second)
      art->erase("id");
    return;
  }
  const std::string id = Attr(n, "id");
  if (!id.empty() && artIds_.insert(id).second) (*art)["id"] = id;
}

Matrix Reader::ViewBoxTransform(xmlNodePtr n, double x, double y, double w, double h,
                                Viewport* inner) {
  std::vector<double> box;
  if (!HasAttr(n, "viewBox") || !ParseNumberList(Attr(n, "viewBox"), &box) || box.size() != 4 ||
      !(box[2] > 0) || !(box[3] > 0) || !std::isfinite(box[2] * box[3] * box[0] * box[1])) {
    if (HasAttr(n, "viewBox")) Note(n, "viewBox not valid: left out");
    *inner = {w, h};
    return {1, 0, 0, 1, x, y};
  }
  *inner = {box[2], box[3]};
  AspectRatio ar;
  if (HasAttr(n, "preserveAspectRatio") && !ParseAspectRatio(Attr(n, "preserveAspectRatio"), &ar))
    Note(n, "preserveAspectRatio not valid: xMidYMid meet used");
  double sx = w / box[2], sy = h / box[3];
  double tx = x, ty = y;
  if (ar.align != 0) {
    sx = sy = ar.slice ? std::max(sx, sy) : std::min(sx, sy);
    const int ax = (ar.align - 1) % 3, ay = (ar.align - 1) / 3;
    tx += (w - box[2] * sx) * ax / 2;
    ty += (h - box[3] * sy) * ay / 2;
  }
  return {sx, 0, 0, sy, tx - box[0] * sx, ty - box[1] * sy};
}

void Reader::Children(xmlNodePtr parent, const Style& style, const Matrix& ctm, const Viewport& vp,
                      Json* out) {
  Json list = Json::array();
  for (xmlNodePtr c = parent->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) Element(c, style, ctm, vp, &list);
  // The scene lists art topmost first; SVG draws in document order.
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    out->push_back(std::move(*it));
}

void Reader::Element(xmlNodePtr n, const Style& parent, const Matrix& ctm, const Viewport& vp,
                     Json* out) {
  if (!IsSvg(n) || overBudget_) return;  // other namespaces' elements are not drawn
  // Uses of deeply nested elements nest further than the document itself: bounded, so the
  // reader's recursion stays within its stack.
  struct Depth {
    int& d;
    ~Depth() { --d; }
  } depth{++depth_};
  if (depth_ > kMaxDepth) {
    if (depth_ == kMaxDepth + 1)
      Note(n,
           "nested more than " + std::to_string(kMaxDepth) + " levels deep through uses: left out");
    return;
  }
  // Every element a use repeats counts against the document's limit, drawn or not: uses
  // of groups of uses multiply even when they draw nothing. Its art is not counted again.
  counted_ = nullptr;
  if (useDepth_ > 0) {
    if (!Budget(0, n)) return;
    counted_ = n;
  }
  const std::string name = reinterpret_cast<const char*>(n->name);
  static const std::set<std::string> kNotDrawn = {"defs",
                                                  "symbol",
                                                  "clipPath",
                                                  "mask",
                                                  "pattern",
                                                  "marker",
                                                  "linearGradient",
                                                  "radialGradient",
                                                  "style",
                                                  "title",
                                                  "desc",
                                                  "metadata",
                                                  "script",
                                                  "filter",
                                                  "font",
                                                  "font-face",
                                                  "cursor",
                                                  "view",
                                                  "animate",
                                                  "animateMotion",
                                                  "animateColor",
                                                  "animateTransform",
                                                  "set",
                                                  "stop",
                                                  "color-profile",
                                                  "altGlyphDef"};
  if (kNotDrawn.count(name)) return;
  // Conditions (systemLanguage, requiredExtensions) hold for every element, as in a switch.
  if (!SwitchApplies(n)) return;
  vp_ = vp;
  Style s = Compute(n, parent);
  if (s.display) {
    Draw(n, name, s, ctm, vp, out);
    return;
  }
  // Not displayed: left out, unless this program hid it (a hidden layer or hidden art),
  // which is read as it was, hidden.
  if (!OwnHidden(n)) return;
  s.display = true;
  const std::size_t before = out->size();
  Draw(n, name, s, ctm, vp, out);
  for (std::size_t i = before; i < out->size(); ++i) {
    Json& art = (*out)[i];
    if (!art.is_object()) continue;
    if (art.contains(kLayerMark))
      art[kLayerMark]["visible"] = false;
    else
      art["hidden"] = true;
  }
}

bool Reader::OwnHidden(xmlNodePtr n) {
  const auto mark = [n](const char* attr) {
    xmlChar* v = xmlGetNsProp(n, BAD_CAST attr, BAD_CAST kVelmSvgNamespace);
    const std::string text = v ? reinterpret_cast<const char*>(v) : "";
    if (v) xmlFree(v);
    return text;
  };
  if (mark("hidden") == "true") return true;
  if (xmlHasNsProp(n, BAD_CAST "layer", BAD_CAST kVelmSvgNamespace))
    return mark("visible") == "false";
  return IsLayer(n);  // an editor's hidden layer
}

void Reader::Draw(xmlNodePtr n, const std::string& name, const Style& s, const Matrix& ctm,
                  const Viewport& vp, Json* out) {
  // Keys of what is read here hold art where the transform above it put it.
  struct KeepCtm {
    const Matrix*& at;
    const Matrix* saved;
    ~KeepCtm() { at = saved; }
  } keep{drawCtm_, drawCtm_};
  drawCtm_ = &ctm;
  Matrix m = ctm;
  if (name != "svg") {
    Matrix t;
    bool invalid = false;
    if (OwnTransform(n, s, &t, &invalid)) m = Multiply(ctm, t);
    if (invalid) {
      // Out of range or damaged: where the element would go is not known.
      Note(n, "transform not valid: the element is left out");
      return;
    }
  }
  if (!FiniteMatrix(m)) {
    Note(n, "a transform out of range: left out");
    return;
  }
  static const std::set<std::string> kShapes = {"path", "rect",     "circle", "ellipse",
                                                "line", "polyline", "polygon"};
  if (kShapes.count(name)) {
    if (s.visible) Shape(n, s, m, vp, out);
    return;
  }
  if (name == "svg") {
    ViewportContent(n, svgUse_.first == n ? svgUse_.second : n, s, m, vp, out);
    return;
  }
  if (name == "use") {
    Use(n, s, m, vp, out);
    return;
  }
  if (name == "text") {
    if (s.visible) Text(n, s, m, vp, out);
    return;
  }
  if (name == "image") {
    if (s.visible) Image(n, s, m, vp, out);
    return;
  }
  if (name == "foreignObject") {
    Drop("foreignObject");
    Note(n, "a foreignObject: left out");
    return;
  }
  if (name != "g" && name != "a" && name != "switch") {
    // Not an element SVG draws: no viewer shows it either.
    Note(n, "an unknown element <" + name + ">: not drawn");
    return;
  }
  Json children = Json::array();
  if (name == "switch") {
    for (xmlNodePtr c = n->children; c; c = c->next) {
      if (!SwitchApplies(c)) continue;
      Element(c, s, m, vp, &children);
      break;
    }
  } else {
    Children(n, s, m, vp, &children);
  }
  // Nothing drawn: nothing to read, unless the keys hold the art whole (hidden art with an
  // effect is written around copies that are not displayed) or it is a layer, which stays
  // a layer when empty.
  const bool empty = children.empty() && !IsLayer(n);
  if (empty && !xmlHasNsProp(n, BAD_CAST "keys", BAD_CAST kVelmSvgNamespace)) return;
  Json group = {{"type", "group"}, {"children", std::move(children)}};
  SetOpacity(&group, s.opacity);
  PrivateKeys(n, &group);
  if (empty && group.value("type", "") == "group" && group.value("children", Json()).empty()) {
    if (group.contains("id") && group["id"].is_string())
      artIds_.erase(group["id"].get<std::string>());
    return;
  }
  Effects(n, s, m, vp, nullptr, &group);
  if (group.is_object() && IsLayer(n)) group[kLayerMark] = LayerMark(n, group);
  if (!group.is_null()) out->push_back(std::move(group));
}

void Reader::Use(xmlNodePtr n, const Style& s, const Matrix& ctm, const Viewport& vp, Json* out) {
  const std::string href = Href(n);
  if (href.empty()) return;
  if (href[0] != '#') {
    Drop("use of another file");
    Note(n, "a use of \"" + href + "\" outside the document: left out");
    return;
  }
  auto it = ids_.find(href.substr(1));
  if (it == ids_.end()) {
    Note(n, "a use of \"" + href + "\", which is not in the document: left out");
    return;
  }
  xmlNodePtr target = it->second;
  bool cycle = activeUses_.count(n) > 0 || useDepth_ >= kMaxUseDepth;
  for (xmlNodePtr p = n; p && !cycle; p = p->parent)
    cycle = p == target;
  if (cycle) {
    Note(n, "a use that refers to itself: left out");
    return;
  }
  vp_ = vp;
  const double x = LengthAttr(n, "x", 0, s, vp, 0), y = LengthAttr(n, "y", 0, s, vp, 1);
  const Matrix m = Multiply(ctm, {1, 0, 0, 1, x, y});
  activeUses_.insert(n);
  ++useDepth_;
  const ContextScope context(this, s);
  Json children = Json::array();
  if (Named(target, "symbol")) {
    ++symbolUse_;
    const Style ss = Compute(target, s);
    if (ss.display) ViewportContent(target, n, ss, m, vp, &children);
    --symbolUse_;
  } else {
    // A use of an svg element sizes its viewport as a use of a symbol does.
    const auto saved = svgUse_;
    svgUse_ = {Named(target, "svg") ? target : nullptr, n};
    Element(target, s, m, vp, &children);
    svgUse_ = saved;
  }
  --useDepth_;
  activeUses_.erase(n);
  if (children.empty()) return;
  Json group = {{"type", "group"}, {"children", std::move(children)}};
  SetOpacity(&group, s.opacity);
  PrivateKeys(n, &group);
  Effects(n, s, ctm, vp, nullptr, &group);  // before the use's x and y
  if (!group.is_null()) out->push_back(std::move(group));
}

bool Reader::ViewportRect(xmlNodePtr n, xmlNodePtr sizeFrom, const Style& s, const Viewport& vp,
                          double* x, double* y, double* w, double* h) {
  bool ok = true;
  // A symbol's place is its use's; an svg element's its own.
  const bool own = sizeFrom == n || Named(n, "svg");
  *x = own ? LengthAttr(n, "x", 0, s, vp, 0, &ok) : 0;
  *y = own ? LengthAttr(n, "y", 0, s, vp, 1, &ok) : 0;
  auto size = [&](const char* attr, int axis) {
    double v = LengthAttr(sizeFrom, attr, -1, s, vp, axis, &ok);
    if (v < 0 && sizeFrom != n) v = LengthAttr(n, attr, -1, s, vp, axis, &ok);
    return v < 0 ? (axis == 0 ? vp.width : vp.height) : v;  // 100%
  };
  *w = size("width", 0), *h = size("height", 1);
  return ok && *w > 0 && *h > 0;
}

void Reader::ViewportContent(xmlNodePtr n, xmlNodePtr sizeFrom, const Style& s, const Matrix& outer,
                             const Viewport& vp, Json* out) {
  // A nested svg's own transform (SVG 2) places its viewport as a whole.
  Matrix ctm = outer;
  if (Named(n, "svg")) {
    Matrix t;
    bool invalid = false;
    if (OwnTransform(n, s, &t, &invalid)) ctm = Multiply(outer, t);
    if (invalid || !FiniteMatrix(ctm)) {
      Note(n, "transform not valid: the element is left out");
      return;
    }
  }
  double x = 0, y = 0, w = 0, h = 0;
  if (!ViewportRect(n, sizeFrom, s, vp, &x, &y, &w, &h)) return;
  Viewport inner;
  const Matrix m = Multiply(ctm, ViewBoxTransform(n, x, y, w, h, &inner));
  Json children = Json::array();
  Children(n, s, m, inner, &children);
  if (children.empty()) return;
  Json group = {{"type", "group"}, {"children", std::move(children)}};
  SetOpacity(&group, s.opacity);
  PrivateKeys(n, &group);
  // A nested viewport clips its content to its rectangle, unless its overflow is visible.
  if (!s.overflowVisible) ViewportClip(ctm, x, y, w, h, &group);
  Effects(n, s, ctm, vp, nullptr, &group);
  if (!group.is_null()) out->push_back(std::move(group));
}

bool Reader::Read(SvgDocument* out, std::string* error) {
  xmlNodePtr root = xmlDocGetRootElement(doc_);
  if (!root || !Named(root, "svg")) {
    *error = file_ + ":" + std::to_string(root ? xmlGetLineNo(root) : 1) +
             ": not an SVG document (its root element is not <svg>)";
    return false;
  }
  report_ = &out->report;
  IndexIds(root);
  for (xmlNodePtr c = root->children; c; c = c->next) {
    if (Named(c, "title") && out->title.empty()) out->title = Trim(OwnText(c));
    if (Named(c, "desc") && out->desc.empty()) out->desc = Trim(OwnText(c));
  }

  // The artboard: the root's width and height in points, the viewBox mapped into it.
  Style none;
  std::vector<double> box;
  const bool hasBox = HasAttr(root, "viewBox") && ParseNumberList(Attr(root, "viewBox"), &box) &&
                      box.size() == 4 && box[2] > 0 && box[3] > 0;
  auto points = [&](const char* attr, double fallbackPx) {
    Length l;
    if (!HasAttr(root, attr) || !ParseLengthValue(Attr(root, attr), false, &l) ||
        !std::isfinite(l.value) || l.value <= 0)
      return fallbackPx * 0.75;
    switch (l.unit) {
      case Unit::kPt:
        return l.value;
      case Unit::kPc:
        return l.value * 12;
      case Unit::kIn:
        return l.value * 72;
      case Unit::kCm:
        return l.value * 72 / 2.54;
      case Unit::kMm:
        return l.value * 72 / 25.4;
      case Unit::kEm:
        return l.value * 12;
      case Unit::kEx:
        return l.value * 6;
      case Unit::kPercent:
        return fallbackPx * 0.75 * l.value / 100;
      default:
        return l.value * 0.75;  // px
    }
  };
  width_ = points("width", hasBox ? box[2] : 300);
  height_ = points("height", hasBox ? box[3] : 150);
  if (!(width_ < 1e7) || !(height_ < 1e7)) {
    *error = file_ + ":" + std::to_string(xmlGetLineNo(root)) + ": the artboard is too large";
    return false;
  }
  root_ = ViewBoxTransform(root, 0, 0, width_, height_, &rootViewport_);
  origin_ = svg_check::ReadPageOrigin(root);
  if (!hasBox) {
    // Without a viewBox, user units are CSS pixels.
    rootViewport_ = {width_ / 0.75, height_ / 0.75};
    root_ = {0.75, 0, 0, 0.75, 0, 0};
  }

  vp_ = rootViewport_;
  const Style rootStyle = Compute(root, none);
  Json art = Json::array();
  if (rootStyle.display && SwitchApplies(root))
    Children(root, rootStyle, root_, rootViewport_, &art);
  for (const auto& [name, value] : Declarations(root))
    if (name == "background-color" && value != "transparent" && value != "none") {
      Note(root, "the document's background-color: left out");
      break;
    }
  if (rootStyle.opacity < 1 || !rootStyle.clipPath.empty() || !rootStyle.mask.empty() ||
      !rootStyle.filter.empty()) {
    Json group = {{"type", "group"}, {"children", std::move(art)}};
    SetOpacity(&group, rootStyle.opacity);
    Effects(root, rootStyle, root_, rootViewport_, nullptr, &group);
    art = Json::array();
    if (!group.is_null()) art.push_back(std::move(group));
  }
  Json keys;
  if (CheckedKeys(root, &keys)) documentKeys_ = std::move(keys);
  PicturesOverNote();

  Symbols(out);
  out->symbolSet = !out->symbols.empty() && !drawsOther_;
  out->width = width_;
  out->height = height_;
  out->scene = {{"layers", Layers(std::move(art))}};
  Finish(&out->scene);
  for (SvgSymbol& sym : out->symbols)
    Finish(&sym.scene);
  return true;
}

void Reader::Symbols(SvgDocument* out) {
  std::vector<xmlNodePtr> symbols;
  std::vector<xmlNodePtr> stack = {xmlDocGetRootElement(doc_)};
  // Document order, without recursion.
  while (!stack.empty()) {
    xmlNodePtr n = stack.back();
    stack.pop_back();
    if (Named(n, "symbol") && !Attr(n, "id").empty()) symbols.push_back(n);
    std::vector<xmlNodePtr> kids;
    for (xmlNodePtr c = n->children; c; c = c->next)
      if (c->type == XML_ELEMENT_NODE) kids.push_back(c);
    stack.insert(stack.end(), kids.rbegin(), kids.rend());
  }
  for (xmlNodePtr n : symbols) {
    SvgSymbol sym;
    sym.id = Attr(n, "id");
    xmlNodePtr title = nullptr, desc = nullptr;
    for (xmlNodePtr c = n->children; c; c = c->next) {
      if (Named(c, "title") && !title) title = c;
      if (Named(c, "desc") && !desc) desc = c;
      if (Named(c, "title") && sym.title.empty()) sym.title = Trim(OwnText(c));
      if (Named(c, "desc") && sym.desc.empty()) sym.desc = Trim(OwnText(c));
    }
    report_ = &sym.report;
    SymbolTexts(n, title, desc, &sym);
    artIds_.clear();  // a scene of its own
    const Style s = StyleOf(n);
    Viewport vp = rootViewport_;
    std::vector<double> box;
    if (ParseNumberList(Attr(n, "viewBox"), &box) && box.size() == 4 && box[2] > 0 && box[3] > 0)
      vp = {box[2], box[3]};
    Json art = Json::array();
    ++symbolUse_;
    if (s.display) Children(n, s, root_, vp, &art);
    --symbolUse_;
    PicturesOverNote();
    if (s.opacity < 1 && !art.empty()) {
      Json group = {{"type", "group"}, {"children", std::move(art)}};
      SetOpacity(&group, s.opacity);
      art = Json::array({std::move(group)});
    }
    for (Json& a : art)
      a["selected"] = true;
    sym.scene = {{"layers", {{{"name", "Layer 1"}, {"art", std::move(art)}}}}};
    out->symbols.push_back(std::move(sym));
  }
  report_ = &out->report;
}

void Reader::SymbolTexts(xmlNodePtr n, xmlNodePtr title, xmlNodePtr desc, SvgSymbol* sym) {
  const auto velm = [n](const char* attr) -> std::optional<std::string> {
    xmlChar* v = xmlGetNsProp(n, BAD_CAST attr, BAD_CAST kVelmSvgNamespace);
    if (!v) return std::nullopt;
    std::string text = reinterpret_cast<const char*>(v);
    xmlFree(v);
    return text;
  };
  const std::optional<std::string> digest = velm("texts");
  if (!digest) return;
  // Another program's edit of the title or desc wins over the texts written beside them.
  if (*digest != SvgSymbolTextsDigest(title ? OwnText(title) : "", desc ? OwnText(desc) : ""))
    return;
  sym->name = velm("name");
  sym->kind = velm("kind");
  sym->comment = velm("comment");
}

void Reader::Finish(Json* scene) {
  scene->emplace("units", "px");
  const double z = std::min({1.0, 760 / std::max(width_, 1.0), 560 / std::max(height_, 1.0)});
  // The artboard in the middle of the 800 × 600 document window.
  (*scene)["view"] = {
      {"zoom", z},
      {"origin", {origin_.x + width_ / 2 - 400 / z, origin_.y + height_ / 2 + 300 / z}}};
  std::set<std::string> gradients, patterns;
  UsedNames((*scene)["layers"], &gradients, &patterns);
  for (const auto& [key, value] : documentKeys_.items())
    if (key != "layers" && key != "gradients") (*scene)[key] = value;
  if (documentKeys_.contains("patterns"))
    UsedNames(documentKeys_["patterns"], &gradients, &patterns);
  // The patterns read from SVG that the art uses, and what they use in turn.
  Json patternList = documentKeys_.contains("patterns") && documentKeys_["patterns"].is_array()
                         ? documentKeys_["patterns"]
                         : Json::array();
  for (bool more = true; more;) {
    more = false;
    for (const Json& pattern : patterns_) {
      const std::string name = pattern.value("name", "");
      if (!patterns.count(name) ||
          std::any_of(patternList.begin(), patternList.end(),
                      [&](const Json& q) { return q.is_object() && q.value("name", "") == name; }))
        continue;
      patternList.push_back(pattern);
      UsedNames(pattern["art"], &gradients, &patterns);
      more = true;
    }
  }
  if (!patternList.empty()) (*scene)["patterns"] = patternList;
  Json list = Json::array();
  for (const Json& g : gradients_)
    if (gradients.count(g.value("name", ""))) list.push_back(g);
  if (documentKeys_.contains("gradients") && documentKeys_["gradients"].is_array())
    for (const Json& g : documentKeys_["gradients"])
      if (!gradientNames_.count(g.value("name", ""))) list.push_back(g);
  if (!list.empty()) (*scene)["gradients"] = list;
}

}  // namespace hostsim::svg_in
