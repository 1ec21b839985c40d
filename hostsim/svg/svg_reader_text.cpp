// Reading SVG text: text and tspan as the host's point text, one text object for each run
// of characters set from one position (a character turned by rotate is one of its own),
// in fontconfig's faces of the families asked for, else in the host's own fonts.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "hostsim/drawing/text_layout.h"
#include "hostsim/scene/scene.h"
#include "hostsim/scene/scene_format_p.h"
#include "hostsim/svg/svg_reader_p.h"
#include "platform/sjis_forms.h"

namespace hostsim::svg_in {
namespace {

// The code point of the UTF-8 character at `i` and its length (1 for a malformed byte).
char32_t Decode(const std::string& s, std::size_t i, std::size_t* length) {
  const auto c = static_cast<unsigned char>(s[i]);
  const std::size_t n = c < 0x80         ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 1;
  if (n == 1 || i + n > s.size()) {
    *length = 1;
    return c < 0x80 ? c : 0xFFFD;
  }
  char32_t v = c & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k)
    v = (v << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  *length = n;
  return v;
}

bool Japanese(const std::string& s) {
  for (std::size_t i = 0, n = 0; i < s.size(); i += n) {
    const char32_t c = Decode(s, i, &n);
    if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) ||
        (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF))
      return true;
  }
  return false;
}

std::string Lower(std::string s) {
  for (char& c : s)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool Generic(const std::string& family) {
  const std::string lower = Lower(family);
  return lower == "serif" || lower == "sans-serif" || lower == "monospace" || lower == "cursive" ||
         lower == "fantasy" || lower == "system-ui";
}

// Whether a family can be kept as the font record's name: printable ASCII that fits.
bool Storable(const std::string& family) {
  return !family.empty() && family.size() < sizeof host::TextFont{}.name &&
         std::all_of(family.begin(), family.end(), [](char c) {
           return c >= 0x20 && c < 0x7F && c != '"' && c != '\'' && c != ',';
         });
}

// The host's font for a CSS font-family list. The first family that is not a generic one
// is the one asked for: fontconfig's face of it nearest to the weight and style, else the
// host's own font of that name; a family the host has no face of is kept by its name
// (`missing` set), drawn with the host's stand-in for it. A list of generic families only
// takes the host's own font nearest to the first it recognises.
std::string HostFont(const std::string& families, int weight, bool italic, bool japanese,
                     std::string* missing) {
  missing->clear();
  const std::string f = Lower(families);
  const bool serif =
      (f.find("serif") != std::string::npos && f.find("sans") == std::string::npos) ||
      f.find("times") != std::string::npos || f.find("mincho") != std::string::npos ||
      f.find("明朝") != std::string::npos || f.find("georgia") != std::string::npos;
  if (japanese) return serif ? "IPAMincho" : "IPAGothic";
  std::vector<std::string> names;
  for (std::size_t from = 0; from < families.size();) {
    std::size_t comma = families.find(',', from);
    if (comma == std::string::npos) comma = families.size();
    std::string name = Reader::Trim(families.substr(from, comma - from));
    from = comma + 1;
    if (name.size() >= 2 && (name[0] == '"' || name[0] == '\''))
      name = Reader::Trim(name.substr(1, name.size() - 2));
    if (!name.empty()) names.push_back(name);
  }
  for (const std::string& name : names) {
    if (Generic(name)) continue;
    for (const char* own : {"Helvetica", "Courier", "Times-Roman"})
      if (Lower(name) == Lower(own)) return own;
    const std::string face = FontconfigFontName(name, weight, italic);
    if (!face.empty()) return face;
    if (!Storable(name)) continue;
    *missing = name;
    return name;
  }
  // The first family the host has a face for decides.
  for (const std::string& name : names) {
    const std::string lower = Lower(name);
    if (lower == "monospace" || lower.find("courier") != std::string::npos ||
        lower.find("mono") != std::string::npos)
      return "Courier";
    if (lower == "serif" || lower.find("times") != std::string::npos ||
        lower.find("georgia") != std::string::npos)
      return "Times-Roman";
    if (lower == "sans-serif" || lower.find("arial") != std::string::npos ||
        lower.find("helvetica") != std::string::npos || lower.find("sans") != std::string::npos ||
        lower.find("verdana") != std::string::npos)
      return "Helvetica";
  }
  return "Times-Roman";  // the default face of SVG viewers is a serif one
}

// The text in the font's encoding, characters it cannot hold as "?"; false when any was.
bool Encodable(const std::string& utf8, bool japanese, std::string* out) {
  using scene_io::Recode;
  const char* to = japanese ? "CP932" : "CP1252";
  std::string bytes;
  if (Recode("UTF-8", to, japanese ? velm::platform::ToWindowsForms(utf8) : utf8, &bytes)) {
    *out = utf8;
    return true;
  }
  out->clear();
  for (std::size_t i = 0, n = 0; i < utf8.size(); i += n) {
    Decode(utf8, i, &n);
    const std::string one = utf8.substr(i, n);
    *out += Recode("UTF-8", to, japanese ? velm::platform::ToWindowsForms(one) : one, &bytes) ? one
                                                                                              : "?";
  }
  return false;
}

// The advance of a line of runs as the host lays it out, in glyph space.
double Advance(const Json& runs) {
  Json text = {{"type", "text"}, {"runs", runs}, {"at", {0, 0}}};
  std::string error;
  const Json scene = {{"layers", {{{"art", {text}}}}}};
  std::unique_ptr<Document> doc = ReadScene(scene, "text", &error);
  if (!doc || doc->layers().empty() || doc->layers().front()->group->children.empty()) return 0;
  double advance = 0;
  for (const PlacedChar& c : LayoutText(*doc->layers().front()->group->children.front()))
    advance += c.advance;
  return advance;
}

}  // namespace

void Reader::Text(xmlNodePtr n, const Style& s, const Matrix& ctm, const Viewport& vp, Json* out) {
  // Glyph space (points, y up) is the user space at the text's origin, scaled to the font.
  const Matrix page = Multiply(PageMatrix(Matrix{}), ctm);
  const double scale = std::sqrt(std::fabs(page.a * page.d - page.b * page.c));
  if (!(scale > 0)) return;

  // The characters, each with its run's attributes (a run per text node) and what
  // positions it: SVG sets each character by the x, y, dx, dy and rotate lists of the
  // innermost element that gives one for it.
  struct RunStyle {
    Json run;  // without its text
    int anchor;
    double alpha;  // of the fill
    bool hidden;   // it only moves the pen
    double strokeAlpha;
  };
  struct Char {
    std::string utf8;
    std::size_t run;
    double x = NAN, y = NAN, dx = NAN, dy = NAN, rotate = 0;
  };
  struct Span {
    xmlNodePtr element;
    Style style;
    std::size_t first, end;
  };
  // A list of lengths (x, y, dx, dy) in user units; empty when absent or not all lengths.
  const auto lengths = [&](xmlNodePtr e, const char* attr, const Style& st, int axis) {
    std::vector<double> list;
    if (!HasAttr(e, attr)) return list;
    std::vector<Length> given;
    if (!ParseLengthList(Attr(e, attr), &given)) return list;
    for (const Length& l : given) {
      const double v = ToUser(l, st, vp, axis);
      if (!std::isfinite(v)) return std::vector<double>();
      list.push_back(v);
    }
    return list;
  };
  // The run of a text node's characters, in the host's font for them (its characters as
  // that font holds them in `held`).
  const auto runOf = [&](xmlNodePtr c, const Style& st, const std::string& text,
                         std::string* held) {
    const bool japanese = Japanese(text);
    std::string missing;
    std::string font = HostFont(st.fontFamily, st.fontWeight, st.italic, japanese, &missing);
    const bool ipa = font.rfind("IPA", 0) == 0;
    std::string inJis;
    if (!Encodable(text, ipa, held)) {
      if (!ipa && Encodable(text, true, &inJis)) {
        // Characters code page 1252 lacks that Shift-JIS holds: the IPA font sets them.
        Note(c->parent,
             "characters outside code page 1252: set in the host's Japanese face, "
             "IPAGothic, not \"" +
                 st.fontFamily + "\"");
        font = "IPAGothic";
        *held = inJis;
        missing.clear();
      } else {
        Note(c->parent, "characters the host's fonts cannot hold: set as \"?\"");
        Drop("characters out of the fonts");
      }
    }
    Json run = {{"font", font}, {"size", st.fontSize * scale}};
    double alpha = st.fillOpacity;
    Json fill;
    if (st.fill.kind == Paint::kUrl) {
      // Text runs hold plain colours: a paint server's fallback colour, else black.
      Drop("paint server on text");
      Paint plain(st.fill.hasFallback ? st.fill.fallback : Paint::kColor);
      std::copy(st.fill.fallbackRgb, st.fill.fallbackRgb + 3, plain.rgb);
      plain.alpha = st.fill.fallbackAlpha;
      if (!st.fill.hasFallback) plain.rgb[0] = plain.rgb[1] = plain.rgb[2] = 0;
      Note(c->parent, "a gradient or pattern on text: painted in a plain colour");
      fill = PaintJson(plain, st, Geometry{}, ctm, c->parent, &alpha);
    } else {
      fill = PaintJson(st.fill, st, Geometry{}, ctm, c->parent, &alpha);
    }
    run["fill"] = fill;
    double strokeAlpha = 1;
    if (st.stroke.kind != Paint::kNone) {
      double sa = st.strokeOpacity;
      Json color = PaintJson(st.stroke, st, Geometry{}, ctm, c->parent, &sa);
      if (color.is_string()) {
        Json stroke = StrokeJson(st, ctm, c->parent, color);
        if (!stroke.is_null()) run["stroke"] = stroke;
        strokeAlpha = sa;
        // The host strokes text over its fill.
        if (st.fill.kind != Paint::kNone && std::find(st.paintOrder, st.paintOrder + 3, 1) <
                                                std::find(st.paintOrder, st.paintOrder + 3, 0))
          Note(c->parent, "paint-order on text: the stroke drawn over the fill");
      } else if (!color.is_null()) {
        Drop("paint server on text");
        Note(c->parent, "a gradient or pattern on the stroke of text: left out");
      }
    }
    if (st.fontWeight != 400 || st.italic || !missing.empty()) {
      run["fontRecord"] = Json::object();
      if (st.fontWeight != 400) run["fontRecord"]["weight"] = st.fontWeight;
      if (st.italic) run["fontRecord"]["italic"] = 1;
    }
    if (!missing.empty()) {
      // Kept as asked (the host it goes to may have it), drawn here with a stand-in.
      run["fontRecord"]["substituted"] = 1;
      Note(c->parent, "font family \"" + missing +
                          "\" is not here: kept by its name, drawn with \"" +
                          SubstituteFont(missing, false) + "\"");
    }
    return RunStyle{run, st.anchor, alpha, !st.visible, strokeAlpha};
  };
  std::vector<RunStyle> runs;
  std::vector<Char> chars;
  std::vector<Span> spans;
  bool lastSpace = true, keepEnd = false;
  std::function<void(xmlNodePtr, const Style&)> walk = [&](xmlNodePtr e, const Style& st) {
    const std::size_t span = spans.size();
    spans.push_back({e, st, chars.size(), chars.size()});
    for (xmlNodePtr c = e->children; c; c = c->next) {
      if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
        // xml:space default: newlines out, tabs as spaces, runs of spaces as one; preserve:
        // newlines and tabs as spaces, every space kept.
        const bool preserve = xmlNodeGetSpacePreserve(e) == 1;
        std::string text;
        for (const char* p = reinterpret_cast<const char*>(c->content); p && *p; ++p) {
          if (!preserve && (*p == '\n' || *p == '\r')) continue;
          if (preserve && *p == '\r' && p[1] == '\n') continue;
          const char ch = *p == '\t' || *p == '\n' || *p == '\r' ? ' ' : *p;
          if (ch == ' ' && lastSpace && !preserve) continue;
          lastSpace = ch == ' ';
          text += ch;
        }
        keepEnd = preserve;
        // A font size of 0 (or below what the host's size holds) draws nothing.
        if (text.empty() || !(static_cast<float>(st.fontSize * scale) > 0.0f)) continue;
        std::string held;
        runs.push_back(runOf(c, st, text, &held));
        text = held;
        for (std::size_t i = 0, len = 0; i < text.size(); i += len) {
          Decode(text, i, &len);
          chars.push_back({text.substr(i, len), runs.size() - 1});
        }
      } else if (c->type == XML_ELEMENT_NODE && IsSvg(c)) {
        const std::string name = reinterpret_cast<const char*>(c->name);
        vp_ = vp;
        const Style cs = Compute(c, st);
        if (!cs.display || !SwitchApplies(c)) continue;  // not shown, or its conditions fail
        if (name == "tspan" || name == "a") {
          walk(c, cs);
        } else if (name == "textPath") {
          Drop("textPath");
          Note(c, "text on a path: left out");
        } else if (name != "title" && name != "desc") {
          Drop("element " + name);
          Note(c, "an element <" + name + "> in text: left out");
        }
      }
    }
    spans[span].end = chars.size();
  };
  walk(n, s);
  // Spaces at the end of the text are not set (unless preserved).
  while (!keepEnd && !chars.empty() && chars.back().utf8 == " ")
    chars.pop_back();
  // Outer elements first, so that an inner element's values replace theirs.
  for (const Span& sp : spans) {
    const std::size_t count = std::min(sp.end, chars.size()) - std::min(sp.first, chars.size());
    const std::pair<const char*, double Char::*> lists[] = {
        {"x", &Char::x}, {"y", &Char::y}, {"dx", &Char::dx}, {"dy", &Char::dy}};
    for (const auto& [attr, field] : lists) {
      const std::vector<double> v =
          lengths(sp.element, attr, sp.style, attr[std::strlen(attr) - 1] == 'x' ? 0 : 1);
      for (std::size_t k = 0; k < std::min(v.size(), count); ++k)
        chars[sp.first + k].*field = v[k];
    }
    std::vector<double> rotate;
    if (HasAttr(sp.element, "rotate") && ParseNumberList(Attr(sp.element, "rotate"), &rotate) &&
        !rotate.empty())
      // The last angle turns every character after it.
      for (std::size_t k = 0; k < count; ++k)
        chars[sp.first + k].rotate = rotate[std::min(k, rotate.size() - 1)];
  }

  // Pieces: characters that follow one another from one position, a point text each.
  // A chunk (from an absolute position on) is anchored as a whole.
  struct Piece {
    double x, y, rotate;
    std::size_t chunk;
    Json runs = Json::array();
    std::vector<std::size_t> from;  // the run style of each run
    double alpha = 1, strokeAlpha = 1;
  };
  struct Chunk {
    int anchor;
    double start, end;
  };
  std::vector<Piece> pieces;
  std::vector<Chunk> chunks;
  double penX = 0, penY = 0;
  const auto trimmed = [](Json set) {
    // Without the spaces it ends with; empty when it holds nothing else.
    while (!set.empty()) {
      std::string t = set.back()["text"];
      while (!t.empty() && t.back() == ' ')
        t.pop_back();
      if (!t.empty()) {
        set.back()["text"] = t;
        break;
      }
      set.erase(set.size() - 1);
    }
    return set;
  };
  // Ends the last piece: the pen stands after it. A character that follows in the same
  // chunk still kerns with it, as the text was set as a whole before characters moved.
  // Advances measured once: texts positioned character by character repeat them.
  std::map<std::string, double> measured;
  const auto advanceOf = [&](const Json& set) {
    const std::string key = set.dump();
    if (const auto found = measured.find(key); found != measured.end()) return found->second;
    const double a = Advance(set);
    if (measured.size() < 4096) measured.emplace(key, a);
    return a;
  };
  const auto close = [&](const Char* next) {
    if (pieces.empty()) return;
    const Piece& p = pieces.back();
    double advance = advanceOf(p.runs);
    if (next) {
      Json alone = runs[next->run].run, joined = p.runs;
      alone["text"] = next->utf8;
      if (p.from.back() == next->run)
        joined.back()["text"] = joined.back()["text"].get<std::string>() + next->utf8;
      else
        joined.push_back(alone);
      advance = advanceOf(joined) - advanceOf(Json::array({alone}));
    }
    penX = p.x + advance / scale, penY = p.y;
    const Json ink = trimmed(p.runs);
    if (!ink.empty()) chunks[p.chunk].end = p.x + advanceOf(ink) / scale;
  };
  for (std::size_t k = 0; k < chars.size(); ++k) {
    const Char& c = chars[k];
    const bool newChunk = k == 0 || !std::isnan(c.x) || !std::isnan(c.y);
    // Hidden characters take their place and are not drawn: a piece of their own.
    if (newChunk || !std::isnan(c.dx) || !std::isnan(c.dy) || c.rotate != 0 ||
        chars[k - 1].rotate != 0 || runs[c.run].hidden != runs[chars[k - 1].run].hidden) {
      close(newChunk ? nullptr : &c);
      double x = std::isnan(c.x) ? penX : c.x, y = std::isnan(c.y) ? penY : c.y;
      if (!std::isnan(c.dx)) x += c.dx;
      if (!std::isnan(c.dy)) y += c.dy;
      if (newChunk) chunks.push_back({runs[c.run].anchor, x, x});
      if (!Budget(1, n)) return;
      pieces.push_back({x, y, c.rotate, chunks.size() - 1, Json::array(), {}, 1, 1});
    }
    Piece& p = pieces.back();
    if (!p.from.empty() && p.from.back() == c.run) {
      p.runs.back()["text"] = p.runs.back()["text"].get<std::string>() + c.utf8;
      continue;
    }
    Json run = runs[c.run].run;
    run["text"] = c.utf8;
    if (!runs[c.run].hidden) p.alpha = runs[c.run].alpha, p.strokeAlpha = runs[c.run].strokeAlpha;
    p.runs.push_back(run);
    p.from.push_back(c.run);
  }
  close(nullptr);

  Json made = Json::array();
  bool splitUnderOpacity = false;
  for (Piece& p : pieces) {
    Json shown = Json::array();
    for (std::size_t r = 0; r < p.runs.size(); ++r)
      if (!runs[p.from[r]].hidden) shown.push_back(p.runs[r]);
    shown = trimmed(shown);
    if (shown.empty()) continue;
    drawsOther_ = drawsOther_ || symbolUse_ == 0;
    const Chunk& chunk = chunks[p.chunk];
    const double shift =
        chunk.anchor == 0 ? 0 : (chunk.end - chunk.start) * (chunk.anchor == 1 ? 0.5 : 1);
    const Pt at = Apply(page, {p.x - shift, p.y});
    // Glyph space to the page: the user space turned by the character's rotation, y up.
    const double cs = std::cos(p.rotate * M_PI / 180), sn = std::sin(p.rotate * M_PI / 180);
    const double m[4] = {(page.a * cs + page.c * sn) / scale, (page.b * cs + page.d * sn) / scale,
                         (page.a * sn - page.c * cs) / scale, (page.b * sn - page.d * cs) / scale};
    if (!FiniteMatrix({m[0], m[1], m[2], m[3], at.x, at.y})) {
      Note(n, "text placed out of range: left out");
      continue;
    }
    // A fill or stroke that lets through: a text each, the stroke on top, as for shapes.
    const bool filled = std::any_of(shown.begin(), shown.end(), [](const Json& r) {
      return !r.value("fill", Json()).is_null();
    });
    const bool stroked =
        std::any_of(shown.begin(), shown.end(), [](const Json& r) { return r.contains("stroke"); });
    std::vector<std::pair<Json, double>> parts;  // runs and their opacity, the lowest first
    if (filled && stroked && (p.alpha < 1 || p.strokeAlpha < 1)) {
      Json fills = shown, strokes = shown;
      for (Json& r : fills)
        r.erase("stroke");
      for (Json& r : strokes)
        r["fill"] = nullptr;
      parts = {{fills, p.alpha}, {strokes, p.strokeAlpha}};
      splitUnderOpacity = splitUnderOpacity || s.opacity < 1;
    } else {
      parts = {{shown, filled ? p.alpha : p.strokeAlpha}};
    }
    const bool upright = std::fabs(m[0] - 1) < 1e-9 && std::fabs(m[1]) < 1e-9 &&
                         std::fabs(m[2]) < 1e-9 && std::fabs(m[3] - 1) < 1e-9;
    for (auto& [set, alpha] : parts) {
      Json text = {{"type", "text"}, {"textType", "point"}, {"runs", std::move(set)}};
      if (upright)
        text["at"] = {at.x, at.y};
      else
        text["paths"] = {{{"matrix", {m[0], m[1], m[2], m[3], at.x, at.y}}}};
      const double opacity = s.opacity * alpha;
      if (opacity < 1) text["blend"] = {{"opacity", std::clamp(opacity, 0.0, 1.0)}};
      made.push_back(std::move(text));
    }
  }
  if (splitUnderOpacity) {
    Drop("opacity over a fill and a stroke that let through");
    Note(n,
         "opacity with fill-opacity or stroke-opacity: set on the fill and the stroke "
         "each, so the fill shows through the inner half of the stroke");
  }
  if (made.empty()) return;
  std::reverse(made.begin(), made.end());
  Json art = made.size() == 1 ? made[0] : Json{{"type", "group"}, {"children", made}};
  PrivateKeys(n, &art);
  Effects(n, s, ctm, vp, nullptr, &art);
  if (!art.is_null()) out->push_back(std::move(art));
}

}  // namespace hostsim::svg_in
