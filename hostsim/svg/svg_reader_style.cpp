// Reading SVG styles: presentation attributes, <style> rules and style attributes, with
// CSS inheritance as SVG defines it.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <set>
#include <sstream>

#include <svgpp/parser/css_style_iterator.hpp>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

const std::set<std::string>& Properties() {
  static const std::set<std::string> kProperties = {"fill",
                                                    "fill-opacity",
                                                    "fill-rule",
                                                    "stroke",
                                                    "stroke-width",
                                                    "stroke-linecap",
                                                    "stroke-linejoin",
                                                    "stroke-miterlimit",
                                                    "stroke-opacity",
                                                    "stroke-dasharray",
                                                    "stroke-dashoffset",
                                                    "opacity",
                                                    "color",
                                                    "display",
                                                    "visibility",
                                                    "clip-path",
                                                    "overflow",
                                                    "clip-rule",
                                                    "mask",
                                                    "filter",
                                                    "font-family",
                                                    "font-size",
                                                    "font-weight",
                                                    "font-style",
                                                    "text-anchor",
                                                    "stop-color",
                                                    "stop-opacity",
                                                    "marker",
                                                    "marker-start",
                                                    "marker-mid",
                                                    "marker-end",
                                                    "overflow",
                                                    "paint-order",
                                                    "transform-origin"};
  return kProperties;
}

// The text without its CSS comments (a comment that is not closed runs to the end).
std::string WithoutComments(const std::string& css) {
  std::string text;
  for (std::size_t i = 0; i < css.size();) {
    if (css.compare(i, 2, "/*") == 0) {
      const std::size_t end = css.find("*/", i + 2);
      i = end == std::string::npos ? css.size() : end + 2;
      continue;
    }
    text += css[i++];
  }
  return text;
}

std::vector<CssDeclaration> ParseDeclarations(const std::string& css) {
  std::vector<CssDeclaration> out;
  const std::string text = WithoutComments(css);
  for (svgpp::css_style_iterator<std::string::const_iterator> it(text.begin(), text.end());
       !it.eof(); ++it) {
    CssDeclaration d{std::string(it->first.begin(), it->first.end()),
                     Reader::Trim(std::string(it->second.begin(), it->second.end()))};
    // "! important" at the end, in any case.
    const std::size_t bang = d.value.rfind('!');
    if (bang != std::string::npos) {
      std::string flag = Reader::Trim(d.value.substr(bang + 1));
      for (char& c : flag)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (flag == "important") {
        d.value = Reader::Trim(d.value.substr(0, bang));
        d.important = true;
      }
    }
    out.push_back(std::move(d));
  }
  return out;
}

// A keyword of `keywords` as its index; false for any other value.
bool Keyword(const std::string& value, std::initializer_list<const char*> keywords, int* out) {
  int i = 0;
  for (const char* k : keywords) {
    if (value == k) {
      *out = i;
      return true;
    }
    ++i;
  }
  return false;
}

// "url(#id)" → "id"; false for anything else.
bool UrlId(const std::string& value, std::string* id, std::string* rest) {
  if (value.compare(0, 4, "url(") != 0) return false;
  const std::size_t close = value.find(')');
  if (close == std::string::npos) return false;
  std::string inner = Reader::Trim(value.substr(4, close - 4));
  if (inner.size() >= 2 && (inner[0] == '"' || inner[0] == '\'') && inner.back() == inner[0])
    inner = inner.substr(1, inner.size() - 2);
  if (inner.size() < 2 || inner[0] != '#') return false;
  *id = inner.substr(1);
  if (rest) *rest = Reader::Trim(value.substr(close + 1));
  return true;
}

double Opacity(const std::string& value, double fallback) {
  Length l;
  if (!ParseLengthValue(value, false, &l) || (l.unit != Unit::kNone && l.unit != Unit::kPercent) ||
      !std::isfinite(l.value))
    return fallback;
  return std::clamp(l.unit == Unit::kPercent ? l.value / 100 : l.value, 0.0, 1.0);
}

// A transform-origin value as its x and y (a length, or a keyword as a percentage) and
// its z (a length, "" when not given); false when it is not valid.
bool ParseOrigin(const std::string& value, Length* x, Length* y, std::string* z) {
  std::istringstream words(value);
  std::vector<std::string> w;
  for (std::string word; words >> word;)
    w.push_back(word);
  if (w.empty() || w.size() > 3) return false;
  // 0: a length; 1: left or right; 2: top or bottom; 3: center.
  auto kind = [](const std::string& t) {
    return t == "left" || t == "right"   ? 1
           : t == "top" || t == "bottom" ? 2
           : t == "center"               ? 3
                                         : 0;
  };
  auto percent = [](const std::string& t) {
    return Length{t == "left" || t == "top" ? 0.0 : t == "center" ? 50.0 : 100.0, Unit::kPercent};
  };
  auto length = [](const std::string& t, Length* l) {
    return ParseLengthValue(t, false, l) || ParseLengthValue(t, true, l);
  };
  std::string first = w[0], second = w.size() > 1 ? w[1] : "center";
  if (w.size() == 1 && kind(first) == 2) std::swap(first, second);
  // A keyword pair may come in either order.
  if (kind(first) == 2 || kind(second) == 1) {
    if (kind(first) == 0 || kind(second) == 0) return false;
    std::swap(first, second);
  }
  if (kind(first) == 2 || kind(second) == 1) return false;
  if (kind(first) != 0)
    *x = percent(first);
  else if (!length(first, x))
    return false;
  if (kind(second) != 0)
    *y = percent(second);
  else if (!length(second, y))
    return false;
  z->clear();
  if (w.size() == 3) {
    Length l;
    if (!length(w[2], &l) || l.unit == Unit::kPercent) return false;
    *z = w[2];
  }
  return true;
}

}  // namespace

bool Reader::ParsePaint(const std::string& value, Paint* p) {
  std::string id, rest;
  if (UrlId(value, &id, &rest)) {
    Paint q;
    q.kind = Paint::kUrl;
    q.url = id;
    if (!rest.empty()) {
      Paint f;
      if (!ParsePaint(rest, &f) || f.kind == Paint::kUrl) return false;
      q.hasFallback = true;
      q.fallback = f.kind;
      std::copy(f.rgb, f.rgb + 3, q.fallbackRgb);
      q.fallbackAlpha = f.alpha;
    }
    *p = q;
    return true;
  }
  if (value == "none") {
    *p = Paint{Paint::kNone};
    return true;
  }
  if (value == "currentColor") {
    *p = Paint{Paint::kCurrentColor};
    return true;
  }
  if (value == "context-fill" || value == "context-stroke") {
    *p = value == "context-fill" ? context_.fill : context_.stroke;
    return true;
  }
  Paint q{Paint::kColor};
  // An ICC colour after the sRGB one is left to the sRGB one.
  const std::size_t icc = value.find("icc-color(");
  const std::string srgb = Trim(icc == std::string::npos ? value : value.substr(0, icc));
  if (!ParseColor(srgb, q.rgb, &q.alpha)) return false;
  *p = q;
  return true;
}

double Reader::ToUser(const Length& l, const Style& s, const Viewport& vp, int axis) {
  switch (l.unit) {
    case Unit::kNone:
    case Unit::kPx:
      return l.value;
    case Unit::kPt:
      return l.value * 96 / 72;
    case Unit::kPc:
      return l.value * 16;
    case Unit::kMm:
      return l.value * 96 / 25.4;
    case Unit::kCm:
      return l.value * 96 / 2.54;
    case Unit::kIn:
      return l.value * 96;
    case Unit::kEm:
      return l.value * s.fontSize;
    case Unit::kEx:
      return l.value * s.fontSize / 2;
    case Unit::kPercent:
      return l.value / 100 *
             (axis == 0   ? vp.width
              : axis == 1 ? vp.height
                          : std::sqrt((vp.width * vp.width + vp.height * vp.height) / 2));
  }
  return l.value;
}

double Reader::LengthAttr(xmlNodePtr n, const char* name, double fallback, const Style& s,
                          const Viewport& vp, int axis, bool* ok) {
  if (!HasAttr(n, name)) return fallback;
  Length l;
  const std::string text = Attr(n, name);
  if (!ParseLengthValue(text, false, &l) && !ParseLengthValue(text, true, &l)) {
    if (ok) *ok = false;
    return fallback;
  }
  const double v = ToUser(l, s, vp, axis);
  if (!std::isfinite(v) || std::fabs(v) > 1e15) {
    if (ok) *ok = false;
    return fallback;
  }
  return v;
}

void Reader::Declare(Style& s, const Style& parent, const std::string& name,
                     const std::string& value, xmlNodePtr n) {
  const bool inherit = value == "inherit";
  auto userOf = [&](const Length& l, double* out, double base) {
    Style relative = s;
    relative.fontSize = base;
    const double v = ToUser(l, relative, vp_, 2);
    if (!std::isfinite(v) || std::fabs(v) > 1e15) return false;
    *out = v;
    return true;
  };
  auto length = [&](double* out, double base) {
    Length l;
    return (ParseLengthValue(value, false, &l) || ParseLengthValue(value, true, &l)) &&
           userOf(l, out, base);
  };
  bool ok = true;
  if (name == "fill" || name == "stroke") {
    Paint& p = name == "fill" ? s.fill : s.stroke;
    if (inherit)
      p = name == "fill" ? parent.fill : parent.stroke;
    else
      ok = ParsePaint(value, &p);
    if (ok && !inherit && value.find("icc-color(") != std::string::npos &&
        iccNoted_.insert(n).second)
      Note(n, "an ICC colour: drawn in its sRGB fallback");
  } else if (name == "fill-opacity") {
    s.fillOpacity = inherit ? parent.fillOpacity : Opacity(value, s.fillOpacity);
  } else if (name == "stroke-opacity") {
    s.strokeOpacity = inherit ? parent.strokeOpacity : Opacity(value, s.strokeOpacity);
  } else if (name == "opacity") {
    s.opacity = inherit ? parent.opacity : Opacity(value, s.opacity);
  } else if (name == "stop-opacity") {
    s.stopOpacity = inherit ? parent.stopOpacity : Opacity(value, s.stopOpacity);
  } else if (name == "fill-rule" || name == "clip-rule") {
    bool& rule = name == "fill-rule" ? s.evenOdd : s.clipEvenOdd;
    int k = 0;
    if (inherit)
      rule = name == "fill-rule" ? parent.evenOdd : parent.clipEvenOdd;
    else if ((ok = Keyword(value, {"nonzero", "evenodd"}, &k)))
      rule = k == 1;
  } else if (name == "stroke-width") {
    if (inherit)
      s.strokeWidth = parent.strokeWidth;
    else
      ok = length(&s.strokeWidth, s.fontSize) && s.strokeWidth >= 0;
  } else if (name == "stroke-linecap") {
    if (inherit)
      s.cap = parent.cap;
    else
      ok = Keyword(value, {"butt", "round", "square"}, &s.cap);
  } else if (name == "stroke-linejoin") {
    int k = 0;
    if (inherit)
      s.join = parent.join;
    else if ((ok = Keyword(value, {"miter", "round", "bevel", "miter-clip", "arcs"}, &k)))
      s.join = k > 2 ? 0 : k;  // miter-clip and arcs as miter joins
  } else if (name == "stroke-miterlimit") {
    std::vector<double> v;
    if (inherit)
      s.miterLimit = parent.miterLimit;
    else if ((ok = ParseNumberList(value, &v) && v.size() == 1 && std::isfinite(v[0])))
      s.miterLimit = v[0];
  } else if (name == "stroke-dasharray") {
    if (inherit) {
      s.dash = parent.dash;
    } else if (value == "none") {
      s.dash.clear();
    } else {
      std::vector<Length> lengths;
      std::vector<double> dash;
      ok = ParseLengthList(value, &lengths);
      for (std::size_t i = 0; i < lengths.size() && ok; ++i) {
        dash.push_back(0);
        ok = userOf(lengths[i], &dash.back(), s.fontSize) && dash.back() >= 0;
      }
      if (ok) s.dash = dash;
    }
  } else if (name == "stroke-dashoffset") {
    if (inherit)
      s.dashOffset = parent.dashOffset;
    else
      ok = length(&s.dashOffset, s.fontSize);
  } else if (name == "color") {
    // currentColor here is the inherited colour.
    if (inherit || value == "currentColor") {
      std::copy(parent.color, parent.color + 3, s.color);
      s.colorAlpha = parent.colorAlpha;
    } else {
      ok = ParseColor(value.substr(0, value.find("icc-color(")), s.color, &s.colorAlpha);
    }
  } else if (name == "stop-color") {
    // currentColor is resolved when the stop is read, whatever order color comes in.
    if (inherit) {
      std::copy(parent.stopColor, parent.stopColor + 3, s.stopColor);
      s.stopAlpha = parent.stopAlpha;
      s.stopCurrent = parent.stopCurrent;
    } else if (value == "currentColor") {
      s.stopCurrent = true;
    } else if ((ok = ParseColor(value.substr(0, value.find("icc-color(")), s.stopColor,
                                &s.stopAlpha))) {
      s.stopCurrent = false;
    }
  } else if (name == "display") {
    s.display = value != "none";
  } else if (name == "visibility") {
    int k = 0;
    if (inherit)
      s.visible = parent.visible;
    else if ((ok = Keyword(value, {"visible", "hidden", "collapse"}, &k)))
      s.visible = k == 0;
  } else if (name == "overflow") {
    int k = 0;
    if (inherit)
      s.overflowVisible = parent.overflowVisible;
    else if ((ok = Keyword(value, {"visible", "auto", "hidden", "scroll", "clip"}, &k)))
      s.overflowVisible = k < 2;
  } else if (name == "clip-path" || name == "mask" || name == "filter") {
    std::string& target = name == "clip-path" ? s.clipPath : name == "mask" ? s.mask : s.filter;
    std::string id;
    if (inherit)
      target = name == "clip-path" ? parent.clipPath : name == "mask" ? parent.mask : parent.filter;
    else if (value == "none")
      target.clear();
    else if (UrlId(value, &id, nullptr))
      target = id;
    else if (name != "clip-path")
      target = value;  // a CSS filter function or an outside reference: still reported
    else
      ok = false;
  } else if (name == "font-family") {
    s.fontFamily = inherit ? parent.fontFamily : value;
  } else if (name == "font-size") {
    static const std::map<std::string, double> kSizes = {
        {"xx-small", 9}, {"x-small", 10}, {"small", 13},   {"medium", 16},
        {"large", 18},   {"x-large", 24}, {"xx-large", 32}};
    auto k = kSizes.find(value);
    if (inherit)
      s.fontSize = parent.fontSize;
    else if (k != kSizes.end())
      s.fontSize = k->second;
    else if (value == "larger" || value == "smaller")
      s.fontSize = parent.fontSize * (value == "larger" ? 1.2 : 1 / 1.2);
    else {
      // A percentage is of the parent's font size, as em is.
      Length l;
      double size = 0;
      const bool percent =
          (ParseLengthValue(value, false, &l) || ParseLengthValue(value, true, &l)) &&
          l.unit == Unit::kPercent;
      if (percent) size = parent.fontSize * l.value / 100;
      ok = (percent ? std::isfinite(size) && size < 1e15 : length(&size, parent.fontSize)) &&
           size >= 0;
      if (ok) s.fontSize = size;
    }
  } else if (name == "font-weight") {
    std::vector<double> v;
    if (inherit)
      s.fontWeight = parent.fontWeight;
    else if (value == "normal")
      s.fontWeight = 400;
    else if (value == "bold")
      s.fontWeight = 700;
    else if (value == "bolder" || value == "lighter")
      s.fontWeight = std::clamp(parent.fontWeight + (value == "bolder" ? 300 : -300), 100, 900);
    else if ((ok = ParseNumberList(value, &v) && v.size() == 1 && v[0] >= 1 && v[0] <= 1000))
      s.fontWeight = static_cast<int>(v[0]);
  } else if (name == "font-style") {
    int k = 0;
    if (inherit)
      s.italic = parent.italic;
    else if ((ok = Keyword(value.substr(0, value.find_first_of(" \t\r\n")),
                           {"normal", "italic", "oblique"}, &k) &&
                   (k == 2 || value.find_first_of(" \t\r\n") == std::string::npos)))
      s.italic = k != 0;  // "oblique 10deg" too
  } else if (name == "text-anchor") {
    if (inherit)
      s.anchor = parent.anchor;
    else
      ok = Keyword(value, {"start", "middle", "end"}, &s.anchor);
  } else if (name == "transform") {
    // Only from style sheets and style attributes: the attribute is read where it is drawn.
    Matrix m;
    if (inherit) {
      s.hasTransform = parent.hasTransform;
      s.transform = parent.transform;
    } else if ((ok = ParseCssTransform(value, &m))) {
      s.hasTransform = true;
      s.transform = m;
    }
  } else if (name == "transform-origin") {
    Length x, y;
    std::string z;
    if (inherit) {
      s.hasOrigin = parent.hasOrigin;
      s.originX = parent.originX, s.originY = parent.originY;
    } else if ((ok = ParseOrigin(value, &x, &y, &z))) {
      const double ux = ToUser(x, s, vp_, 0), uy = ToUser(y, s, vp_, 1);
      ok = std::isfinite(ux) && std::isfinite(uy) && std::fabs(ux) < 1e15 && std::fabs(uy) < 1e15;
      if (ok) s.hasOrigin = true, s.originX = ux, s.originY = uy;
      Length depth;
      if (ok && !z.empty() && ParseLengthValue(z, true, &depth) && depth.value != 0) {
        Drop("transform-origin depth");
        Note(n, "transform-origin \"" + value + "\": its depth left out (the art is flat)");
      }
    }
  } else if (name.compare(0, 6, "marker") == 0) {
    // "marker" sets all three.
    const int first = name == "marker-mid" ? 1 : name == "marker-end" ? 2 : 0;
    const int last = name == "marker" ? 2 : first;
    std::string id;
    if (!inherit && value != "none" && !UrlId(value, &id, nullptr)) ok = false;
    for (int i = first; ok && i <= last; ++i)
      s.markers[i] = inherit ? parent.markers[i] : id;
  } else if (name == "paint-order") {
    if (inherit)
      std::copy(parent.paintOrder, parent.paintOrder + 3, s.paintOrder);
    else
      ok = ParsePaintOrder(value, s.paintOrder);
  }
  if (!ok) Note(n, name + " \"" + value + "\" not valid: left out");
}

std::vector<std::pair<std::string, std::string>> Reader::Declarations(xmlNodePtr n) {
  std::vector<std::pair<std::string, std::string>> out, important;
  auto add = [&](const CssDeclaration& d) {
    (d.important ? important : out).emplace_back(d.name, d.value);
  };
  for (xmlAttrPtr a = n->properties; a; a = a->next) {
    if (a->ns) continue;
    const std::string name = reinterpret_cast<const char*>(a->name);
    // The marker shorthand is a property of style sheets only, no presentation attribute.
    if (Properties().count(name) && name != "marker")
      out.emplace_back(name, Trim(Attr(n, name.c_str())));
  }
  if (!rules_.empty()) {
    std::vector<const CssRule*> matched;
    auto match = [&](const std::vector<std::size_t>& rules) {
      for (std::size_t r : rules)
        if (MatchesCssSelector(rules_[r].selector, n)) matched.push_back(&rules_[r]);
    };
    auto bucket = [&](const auto& index, const std::string& key) {
      if (auto it = index.find(key); it != index.end()) match(it->second);
    };
    if (HasAttr(n, "id")) bucket(rulesById_, Attr(n, "id"));
    if (HasAttr(n, "class")) {
      std::set<std::string> seen;  // a class written twice selects its rules once
      std::istringstream words(Attr(n, "class"));
      for (std::string word; words >> word;)
        if (seen.insert(word).second) bucket(rulesByClass_, word);
    }
    bucket(rulesByType_, reinterpret_cast<const char*>(n->name));
    match(rulesAny_);
    // Specificity, then source order.
    std::sort(matched.begin(), matched.end(), [](const CssRule* a, const CssRule* b) {
      return a->selector.specificity != b->selector.specificity
                 ? a->selector.specificity < b->selector.specificity
                 : a->order < b->order;
    });
    for (const CssRule* r : matched)
      for (const CssDeclaration& d : r->declarations)
        add(d);
  }
  if (HasAttr(n, "style")) {
    for (const CssDeclaration& d : ParseDeclarations(Attr(n, "style")))
      add(d);
  }
  // Important declarations last, in the same order among themselves.
  out.insert(out.end(), important.begin(), important.end());
  return out;
}

bool Reader::OwnTransform(xmlNodePtr n, const Style& s, Matrix* t, bool* invalid) {
  if (s.hasTransform) {
    *t = s.transform;
  } else if (!HasAttr(n, "transform")) {
    return false;
  } else if (!ParseTransformList(Attr(n, "transform"), t)) {
    if (invalid) *invalid = true;
    return false;
  }
  if (s.hasOrigin) {
    const Matrix to{1, 0, 0, 1, s.originX, s.originY}, back{1, 0, 0, 1, -s.originX, -s.originY};
    *t = Multiply(Multiply(to, *t), back);
  }
  return true;
}

Matrix Reader::AboutOrigin(xmlNodePtr n, const Matrix& t) {
  ++quiet_;  // the element's style is noted where it is read
  const Style s = Compute(n, Style{});
  --quiet_;
  if (!s.hasOrigin) return t;
  const Matrix to{1, 0, 0, 1, s.originX, s.originY}, back{1, 0, 0, 1, -s.originX, -s.originY};
  return Multiply(Multiply(to, t), back);
}

Reader::ContextScope::ContextScope(Reader* reader, const Style& of)
    : reader_(reader), saved_(reader->context_) {
  auto resolved = [&of](Paint p) {
    if (p.kind == Paint::kCurrentColor) {
      p.kind = Paint::kColor;
      std::copy(of.color, of.color + 3, p.rgb);
      p.alpha = of.colorAlpha;
    }
    return p;
  };
  reader->context_ = {resolved(of.fill), resolved(of.stroke)};
}

Style Reader::Compute(xmlNodePtr n, const Style& parent) {
  Style s = parent;
  s.ResetUninherited();
  for (const auto& [name, value] : Declarations(n))
    Declare(s, parent, name, value, n);
  return s;
}

Style Reader::StyleOf(xmlNodePtr n) {
  std::vector<xmlNodePtr> chain;
  for (xmlNodePtr p = n; p && p->type == XML_ELEMENT_NODE; p = p->parent)
    chain.push_back(p);
  Style s;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    s = Compute(*it, s);
  return s;
}

void Reader::ParseStyleSheet(const std::string& sheet, xmlNodePtr at) {
  const std::string text = WithoutComments(sheet);
  std::size_t i = 0;
  while (i < text.size()) {
    i = text.find_first_not_of(" \t\r\n\f", i);
    if (i == std::string::npos) break;
    const std::size_t open = text.find('{', i);
    if (text[i] == '@') {
      // An at-rule without a block ends at its semicolon.
      const std::size_t semicolon = text.find(';', i);
      if (semicolon != std::string::npos && semicolon < open) {
        const std::string rule = text.substr(i, semicolon - i);
        Drop("CSS at-rule");
        Note(at, "the style sheet's " + rule.substr(0, rule.find_first_of(" \t\r\n(\"'")) +
                     " rule: left out");
        i = semicolon + 1;
        continue;
      }
    }
    if (open == std::string::npos) break;
    std::size_t close = text.find('}', open);
    if (close == std::string::npos) close = text.size();
    const std::string selectors = Trim(text.substr(i, open - i));
    const std::string body = text.substr(open + 1, close - open - 1);
    i = close + 1;
    if (!selectors.empty() && selectors[0] == '@') {
      Drop("CSS at-rule");
      Note(at, "the style sheet's " + selectors.substr(0, selectors.find_first_of(" {")) +
                   " rule: left out");
      // An at-rule with a block of rules: skip to its end.
      int depth = 1;
      for (std::size_t k = open + 1; k < text.size() && depth > 0; ++k) {
        depth += text[k] == '{' ? 1 : text[k] == '}' ? -1 : 0;
        i = k + 1;
      }
      continue;
    }
    const auto declarations = ParseDeclarations(body);
    std::size_t from = 0;
    while (from <= selectors.size()) {
      std::size_t comma = selectors.find(',', from);
      if (comma == std::string::npos) comma = selectors.size();
      const std::string sel = Trim(selectors.substr(from, comma - from));
      from = comma + 1;
      CssRule r{{}, static_cast<int>(rules_.size()), declarations};
      if (!ParseCssSelector(sel, &r.selector)) {
        Drop("CSS selector");
        Note(at, "the style sheet's selector \"" + sel + "\": its rule left out");
        continue;
      }
      const CssSelector::Compound& last = r.selector.compounds.back();
      const std::size_t index = rules_.size();
      if (!last.ids.empty())
        rulesById_[last.ids.front()].push_back(index);
      else if (!last.classes.empty())
        rulesByClass_[last.classes.front()].push_back(index);
      else if (!last.type.empty())
        rulesByType_[last.type].push_back(index);
      else
        rulesAny_.push_back(index);
      rules_.push_back(std::move(r));
    }
  }
}

}  // namespace hostsim::svg_in
