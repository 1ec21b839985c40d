// Writing documents and symbol sets as SVG: the page, the layers and the private data of
// the document; the art itself is written by the art writer (svg_writer_art.cpp,
// svg_writer_media.cpp).
#include "hostsim/svg/svg_writer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "hostsim/core/file_output.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg_writer_p.h"

namespace hostsim {
namespace {

using svg_out::Element;
using svg_out::Json;
using svg_out::Num;

// The root element: the page in points (or the same in pixels), its viewBox the points,
// so that one user unit is one point.
Element Root(double width, double height, bool pixels = false) {
  Element root("svg");
  root.Declare("xmlns", "http://www.w3.org/2000/svg")
      .Declare("xmlns:xlink", "http://www.w3.org/1999/xlink")
      .Declare("xmlns:velm", kVelmSvgNamespace);
  root.Set("version", "1.1")
      .Set("width", pixels ? Num(width / 0.75) + "px" : Num(width) + "pt")
      .Set("height", pixels ? Num(height / 0.75) + "px" : Num(height) + "pt")
      .Set("viewBox", "0 0 " + Num(width) + " " + Num(height));
  return root;
}

// The flip from artwork coordinates (y up) to the page's (y down), the page's bottom-left
// corner at artwork (left, bottom): with whole numbers (or quarters) it is exact, so
// coordinates read back as the numbers written.
std::string FlipMatrix(double height, double left = 0, double bottom = 0) {
  return "matrix(1 0 0 -1 " + Num(-left) + " " + Num(bottom + height) + ")";
}

// A whole number of points that holds `value` (at least 1).
double PageSide(float value) {
  if (!std::isfinite(value)) return 100;
  return std::max(1.0, std::ceil(static_cast<double>(value)));
}

// Document keys SVG has no place for; the layers and gradients travel in their elements.
Json DocumentKeys(const Json& scene) {
  Json keys = Json::object();
  for (const char* k : {"units", "hardOrigin", "view", "customColors", "patterns", "pluginGroups"})
    if (scene.contains(k)) keys[k] = scene.at(k);
  return keys;
}

}  // namespace

std::string WriteSvg(Document& document) {
  const host::RealRect area = DocumentArea(document);
  return WriteSvg(document, PageSide(area.right), PageSide(area.top));
}

std::string WriteSvg(Document& document, double width, double height) {
  SvgPage page;
  page.width = width;
  page.height = height;
  return WriteSvg(document, page);
}

SvgPage SvgPageAround(Document& document, double margin, bool pixels) {
  const host::RealRect area = DocumentArea(document, margin);
  const double unit = pixels ? 0.75 : 1.0;
  auto out = [&](float value, bool up) {
    const double units = static_cast<double>(value) / unit;
    if (!std::isfinite(units) || std::abs(units) > 1e6) return 0.0;
    // An edge past a whole unit by a rounding crumb stays on it.
    constexpr double kCrumb = 1.0 / 32;
    return (up ? std::ceil(units - kCrumb) : std::floor(units + kCrumb)) * unit;
  };
  SvgPage page;
  page.pixels = pixels;
  page.left = out(area.left, false);
  page.bottom = out(area.bottom, false);
  page.width = std::max(unit, out(area.right, true) - page.left);
  page.height = std::max(unit, out(area.top, true) - page.bottom);
  return page;
}

std::string WriteSvg(Document& document, const SvgPage& page) {
  const double height = page.height;
  const Json scene = WriteScene(document);
  svg_out::ArtWriter writer(document, scene, true);
  std::string body;
  const std::vector<Layer*>& layers = document.layers();
  for (std::size_t i = layers.size(); i-- > 0;) {
    Layer* layer = layers[i];
    Element g("g");
    g.Set("id", writer.NewId("layer"));
    // The page's flip, on each layer: art reads back at the numbers written.
    g.Set("transform", FlipMatrix(height, page.left, page.bottom));
    if (!layer->visible) g.Set("display", "none");
    // The layer's name and flags, for a program that knows them.
    g.Set("velm:layer", layer->name);
    if (!layer->visible) g.Set("velm:visible", "false");
    if (!layer->editable) g.Set("velm:locked", "true");
    if (layer == document.currentLayer()) g.Set("velm:current", "true");
    body += g.Open(false);
    writer.WriteChildren(layer->group, &body);
    body += g.Close();
  }
  Element root = Root(page.width, height, page.pixels);
  if (page.left != 0 || page.bottom != 0)
    root.Set("velm:origin", Num(page.left) + " " + Num(page.bottom));
  root.Keys(DocumentKeys(scene));
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + root.Open(false);
  if (!writer.defs().empty()) out += "<defs>" + writer.defs() + "</defs>";
  out += body + "</svg>\n";
  return SignSvgKeys(out);
}

bool WriteSvgFile(Document& document, const std::string& path, std::string* error) {
  return WriteFileAtomically(path, WriteSvg(document), error);
}

bool WriteSvgPageFile(Document& document, const SvgPage& page, const std::string& path,
                      std::string* error) {
  return WriteFileAtomically(path, WriteSvg(document, page), error);
}

namespace {

// Whether code point `c` may stand in an XML name after its first character.
bool XmlNameChar(char32_t c) {
  if (c < 0x80) return std::isalnum(static_cast<int>(c)) || c == '_' || c == '.';
  return c == 0xB7 || (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) ||
         (c >= 0xF8 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || c == 0x200C || c == 0x200D ||
         c == 0x203F || c == 0x2040 || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
         (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0xEFFFF);
}

// The next code point of UTF-8 `text` from *i (advanced past it); 0xFFFD for a malformed
// sequence, of which one byte is taken.
char32_t NextCodePoint(const std::string& text, std::size_t* i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(*i);
  const int length = lead < 0x80         ? 1
                     : (lead >> 5) == 6  ? 2
                     : (lead >> 4) == 14 ? 3
                     : (lead >> 3) == 30 ? 4
                                         : 0;
  if (length == 0 || *i + length > text.size()) {
    ++*i;
    return lead < 0x80 ? lead : 0xFFFD;
  }
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if ((byte(*i + k) & 0xC0) != 0x80) {
      ++*i;
      return 0xFFFD;
    }
    c = (c << 6) | (byte(*i + k) & 0x3F);
  }
  *i += static_cast<std::size_t>(length);
  return c;
}

}  // namespace

std::string SvgSymbolId(std::size_t index, const std::string& name) {
  // "r<index>-" and the name's characters an XML name may hold (Japanese ones too), each
  // run of the others one '-'.
  std::string id = "r" + std::to_string(index) + "-";
  bool dash = true;  // no runs of '-'
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t start = i;
    const char32_t c = NextCodePoint(name, &i);
    if (c != 0xFFFD && XmlNameChar(c)) {
      id.append(name, start, i - start);
      dash = false;
    } else if (!dash) {
      id += '-';
      dash = true;
    }
  }
  while (id.back() == '-' && id.size() > std::to_string(index).size() + 2)
    id.pop_back();
  return id;
}

std::string WriteSvgSymbolSet(Document& document, const std::vector<SvgSymbolItem>& items,
                              const std::string& title) {
  const Json scene = WriteScene(document);
  // Each item's bounds, and the grid's cell: the largest item with a gap around it.
  std::vector<host::RealRect> bounds(items.size(), host::RealRect{0, 1, 1, 0});
  double maxW = 1, maxH = 1;
  for (std::size_t i = 0; i < items.size(); ++i) {
    bool any = false;
    host::RealRect r{};
    for (Art* art : items[i].art) {
      host::RealRect b;
      if (art && art->alive && ArtBounds(document, art, &b)) UnionRect(&r, b, &any);
    }
    if (any && std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) &&
        std::isfinite(r.bottom) && r.right > r.left && r.top > r.bottom)
      bounds[i] = r;
    maxW = std::max(maxW, static_cast<double>(bounds[i].right - bounds[i].left));
    maxH = std::max(maxH, static_cast<double>(bounds[i].top - bounds[i].bottom));
  }
  const std::size_t columns = std::clamp<std::size_t>(items.size(), 1, 8);
  const std::size_t rows = std::max<std::size_t>(1, (items.size() + columns - 1) / columns);
  const double gap = std::max(8.0, 0.125 * std::max(maxW, maxH));
  const double cellW = maxW + gap, cellH = maxH + gap;
  const double width = std::ceil(columns * cellW + gap);
  const double height = std::ceil(rows * cellH + gap);

  svg_out::ArtWriter writer(document, scene, false);
  std::string symbols, uses;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string id = SvgSymbolId(i, items[i].name);
    const host::RealRect& b = bounds[i];
    Element symbol("symbol");
    symbol.Set("id", id).Set("viewBox", Num(b.left) + " " + Num(height - b.top) + " " +
                                            Num(b.right - b.left) + " " + Num(b.top - b.bottom));
    // The viewBox is the art's geometric bounds: a stroke on an edge reaches past them, and
    // a viewer clips a symbol to its viewport unless told otherwise.
    symbol.Set("overflow", "visible");
    // The record's texts, exactly (a reader trims <title> and <desc>), while the title and
    // desc for people still read as written.
    symbol.Set("velm:name", items[i].name);
    if (items[i].kind) symbol.Set("velm:kind", *items[i].kind);
    if (items[i].comment) symbol.Set("velm:comment", *items[i].comment);
    symbol.Set("velm:texts", SvgSymbolTextsDigest(svg_out::Sanitize(items[i].name),
                                                  svg_out::Sanitize(items[i].desc)));
    symbols += symbol.Open(false) + "<title>" + svg_out::EscapeXml(items[i].name) + "</title>";
    if (!items[i].desc.empty()) symbols += "<desc>" + svg_out::EscapeXml(items[i].desc) + "</desc>";
    // No group around the art (it would be read back as one): each object takes the flip.
    for (auto it = items[i].art.rbegin(); it != items[i].art.rend(); ++it) {
      writer.FlipNext(height);
      writer.Write(*it, &symbols);
    }
    symbols += symbol.Close();
    const double x = gap + static_cast<double>(i % columns) * cellW;
    const double y = gap + static_cast<double>(i / columns) * cellH;
    Element use("use");
    use.Set("xlink:href", "#" + id)
        .Set("x", Num(x))
        .Set("y", Num(y))
        .Set("width", Num(maxW))
        .Set("height", Num(maxH));
    uses += use.Open(true);
  }
  Element root = Root(width, height);
  root.Keys(DocumentKeys(scene));
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + root.Open(false);
  if (!title.empty()) out += "<title>" + svg_out::EscapeXml(title) + "</title>";
  if (!writer.defs().empty()) out += "<defs>" + writer.defs() + "</defs>";
  out += symbols + uses + "</svg>\n";
  return SignSvgKeys(out);
}

}  // namespace hostsim
