// Reading SVG text: text and tspan as the host's point text, one text object for each
// positioned chunk, in the host's fonts.
#include <cmath>
#include <functional>

#include "hostsim/scene.h"
#include "hostsim/scene_format_p.h"
#include "hostsim/svg_reader_p.h"
#include "hostsim/text_layout.h"
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

// The host's font for a CSS font-family list.
std::string HostFont(const std::string& families, bool japanese) {
  const std::string f = Lower(families);
  const bool serif =
      (f.find("serif") != std::string::npos && f.find("sans") == std::string::npos) ||
      f.find("times") != std::string::npos || f.find("mincho") != std::string::npos ||
      f.find("明朝") != std::string::npos || f.find("georgia") != std::string::npos;
  if (japanese) return serif ? "IPAMincho" : "IPAGothic";
  // The first family the host has a face for decides.
  std::size_t from = 0;
  while (from < f.size()) {
    std::size_t comma = f.find(',', from);
    if (comma == std::string::npos) comma = f.size();
    std::string name = Reader::Trim(f.substr(from, comma - from));
    from = comma + 1;
    if (name.size() >= 2 && (name[0] == '"' || name[0] == '\''))
      name = name.substr(1, name.size() - 2);
    if (name == "monospace" || name.find("courier") != std::string::npos ||
        name.find("mono") != std::string::npos)
      return "Courier";
    if (name == "serif" || name.find("times") != std::string::npos ||
        name.find("georgia") != std::string::npos)
      return "Times-Roman";
    if (name == "sans-serif" || name.find("arial") != std::string::npos ||
        name.find("helvetica") != std::string::npos || name.find("sans") != std::string::npos ||
        name.find("verdana") != std::string::npos)
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
  const Matrix unit{page.a / scale, page.b / scale, -page.c / scale, -page.d / scale, 0, 0};

  struct Chunk {
    double x, y;
    int anchor;
    Json runs = Json::array();
    std::string text;
    double opacity = 1;
  };
  std::vector<Chunk> chunks;
  double penX = 0, penY = 0;
  bool lastSpace = true;
  auto first = [&](xmlNodePtr e, const char* attr, const Style& st, int axis, double* v) {
    if (!HasAttr(e, attr)) return false;
    std::string text = Trim(Attr(e, attr));
    Length l;
    const std::size_t end = text.find_first_of(", \t\r\n");
    if (!ParseLengthValue(Trim(text.substr(0, end)), false, &l)) return false;
    *v = ToUser(l, st, vp, axis);
    if (end != std::string::npos && axis < 2) Drop("per-character positions");
    return std::isfinite(*v);
  };
  auto position = [&](xmlNodePtr e, const Style& st, bool start) {
    double x = penX, y = penY, dx = 0, dy = 0;
    const bool hasX = first(e, "x", st, 0, &x), hasY = first(e, "y", st, 1, &y);
    const bool hasDx = first(e, "dx", st, 0, &dx), hasDy = first(e, "dy", st, 1, &dy);
    if (!(start || hasX || hasY || hasDx || hasDy)) return;
    if (!chunks.empty() && !start) {
      // The pen stands after what the chunk so far holds.
      const double a = Advance(chunks.back().runs) / scale;
      penX = chunks.back().x + a, penY = chunks.back().y;
      if (!hasX) x = penX;
      if (!hasY) y = penY;
    }
    penX = x + dx, penY = y + dy;
    chunks.push_back({penX, penY, st.anchor, Json::array(), "", 1});
  };
  std::function<void(xmlNodePtr, const Style&)> walk = [&](xmlNodePtr e, const Style& st) {
    for (xmlNodePtr c = e->children; c; c = c->next) {
      if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
        // xml:space default: newlines out, tabs as spaces, runs of spaces as one.
        std::string text;
        for (const char* p = reinterpret_cast<const char*>(c->content); p && *p; ++p) {
          if (*p == '\n' || *p == '\r') continue;
          const char ch = *p == '\t' ? ' ' : *p;
          if (ch == ' ' && lastSpace) continue;
          lastSpace = ch == ' ';
          text += ch;
        }
        if (text.empty() || !st.visible || !st.display) continue;
        const bool japanese = Japanese(text);
        std::string font = HostFont(st.fontFamily, japanese);
        const bool ipa = font.rfind("IPA", 0) == 0;
        std::string held, inJis;
        if (!Encodable(text, ipa, &held)) {
          if (!ipa && Encodable(text, true, &inJis)) {
            // Characters code page 1252 lacks that Shift-JIS holds: the IPA font sets them.
            font = "IPAGothic";
            held = inJis;
          } else {
            Note(c->parent, "characters the host's fonts cannot hold: set as \"?\"");
            Drop("characters out of the fonts");
          }
        }
        Json run = {{"text", held}, {"font", font}, {"size", st.fontSize * scale}};
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
        if (st.stroke.kind != Paint::kNone) {
          double sa = st.strokeOpacity;
          Json color = PaintJson(st.stroke, st, Geometry{}, ctm, c->parent, &sa);
          if (color.is_string()) {
            Json stroke = StrokeJson(st, ctm, c->parent, color);
            if (!stroke.is_null()) run["stroke"] = stroke;
          }
        }
        if (st.fontWeight != 400 || st.italic) {
          run["fontRecord"] = Json::object();
          if (st.fontWeight != 400) run["fontRecord"]["weight"] = st.fontWeight;
          if (st.italic) run["fontRecord"]["italic"] = 1;
        }
        if (chunks.empty()) position(n, s, true);
        chunks.back().runs.push_back(run);
        chunks.back().text += held;
        chunks.back().opacity = alpha;
      } else if (c->type == XML_ELEMENT_NODE && IsSvg(c)) {
        const std::string name = reinterpret_cast<const char*>(c->name);
        vp_ = vp;
        const Style cs = Compute(c, st);
        if (!cs.display) continue;
        if (name == "tspan" || name == "a") {
          position(c, cs, false);
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
  };
  position(n, s, true);
  walk(n, s);

  Json made = Json::array();
  for (Chunk& chunk : chunks) {
    // Trailing spaces of the text are not set.
    while (!chunk.runs.empty()) {
      std::string t = chunk.runs.back()["text"];
      while (!t.empty() && t.back() == ' ')
        t.pop_back();
      if (!t.empty()) {
        chunk.runs.back()["text"] = t;
        break;
      }
      chunk.runs.erase(chunk.runs.size() - 1);
    }
    if (chunk.runs.empty()) continue;
    if (!Budget(1, n)) return;
    drawsOther_ = drawsOther_ || symbolUse_ == 0;
    Pt at = Apply(page, {chunk.x, chunk.y});
    if (chunk.anchor != 0) {
      // The host sets text from its origin on: the origin moves back by the width.
      const double a = Advance(chunk.runs) * (chunk.anchor == 1 ? 0.5 : 1);
      at = {at.x - unit.a * a, at.y - unit.b * a};
    }
    Json text = {{"type", "text"}, {"textType", "point"}, {"runs", chunk.runs}};
    const bool upright = std::fabs(unit.a - 1) < 1e-9 && std::fabs(unit.b) < 1e-9 &&
                         std::fabs(unit.c) < 1e-9 && std::fabs(unit.d - 1) < 1e-9;
    if (upright)
      text["at"] = {at.x, at.y};
    else
      text["paths"] = {{{"matrix", {unit.a, unit.b, unit.c, unit.d, at.x, at.y}}}};
    const double opacity = s.opacity * chunk.opacity;
    if (opacity < 1) text["blend"] = {{"opacity", std::clamp(opacity, 0.0, 1.0)}};
    made.push_back(std::move(text));
  }
  if (made.empty()) return;
  std::reverse(made.begin(), made.end());
  Json art = made.size() == 1 ? made[0] : Json{{"type", "group"}, {"children", made}};
  PrivateKeys(n, &art);
  Effects(n, s, ctm, vp, nullptr, &art);
  if (!art.is_null()) out->push_back(std::move(art));
}

}  // namespace hostsim::svg_in
