#include "hostsim/drawing/text_layout.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "hostsim/drawing/text_kerning.h"

namespace hostsim {
namespace {

struct FontName {
  const char* name;
  const char* face;
};
constexpr FontName kFonts[] = {
    {"IPAGothic", "IPAGothic"},      {"IPAPGothic", "IPAPGothic"}, {"IPAMincho", "IPAMincho"},
    {"IPAPMincho", "IPAPMincho"},    {"Helvetica", "DejaVu Sans"}, {"Courier", "DejaVu Sans Mono"},
    {"Times-Roman", "DejaVu Serif"},
};

bool LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string Decode(const char* encoding, const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-8", encoding);
  if (cd == reinterpret_cast<iconv_t>(-1)) return "?";
  std::string out(bytes.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(bytes.data());
  std::size_t srcLeft = bytes.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return "?";
  out.resize(out.size() - dstLeft);
  return out;
}

// A style name's words, in lower case, and the weight or slant each stands for.
struct StyleWord {
  const char* word;
  int weight;  // -1: a slant word
};
constexpr StyleWord kStyleWords[] = {
    {"thin", FC_WEIGHT_THIN},
    {"hairline", FC_WEIGHT_THIN},
    {"extralight", FC_WEIGHT_EXTRALIGHT},
    {"ultralight", FC_WEIGHT_ULTRALIGHT},
    {"light", FC_WEIGHT_LIGHT},
    {"semilight", FC_WEIGHT_DEMILIGHT},
    {"book", FC_WEIGHT_BOOK},
    {"regular", FC_WEIGHT_REGULAR},
    {"normal", FC_WEIGHT_NORMAL},
    {"medium", FC_WEIGHT_MEDIUM},
    {"semibold", FC_WEIGHT_DEMIBOLD},
    {"demibold", FC_WEIGHT_DEMIBOLD},
    {"bold", FC_WEIGHT_BOLD},
    {"extrabold", FC_WEIGHT_EXTRABOLD},
    {"ultrabold", FC_WEIGHT_ULTRABOLD},
    {"black", FC_WEIGHT_BLACK},
    {"heavy", FC_WEIGHT_HEAVY},
    {"italic", -1},
    {"oblique", -1},
};

// What a font name of the form "<family> <style>" asks for: the family, and the weight
// and slant its style words give (regular and upright when a word says nothing of them).
struct FaceRequest {
  std::string family;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
};

bool ParseFaceName(const std::string& name, FaceRequest* request) {
  std::size_t end = name.size();
  bool styled = false;
  while (end > 0) {
    const std::size_t space = name.rfind(' ', end - 1);
    if (space == std::string::npos || space == 0) break;
    std::string word = name.substr(space + 1, end - space - 1);
    for (char& c : word)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const StyleWord* known = nullptr;
    for (const StyleWord& w : kStyleWords)
      if (word == w.word) known = &w;
    if (!known) break;
    if (known->weight < 0)
      request->slant = word == "oblique" ? FC_SLANT_OBLIQUE : FC_SLANT_ITALIC;
    else
      request->weight = known->weight;
    styled = true;
    end = space;
  }
  request->family = name.substr(0, end);
  return styled && !request->family.empty();
}

// Family names compare as fontconfig compares them: case and blanks aside.
bool SameFamily(const std::string& a, const std::string& b) {
  const auto folded = [](const std::string& s) {
    std::string out;
    for (char c : s)
      if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  };
  return folded(a) == folded(b);
}

struct FontconfigFace {
  cairo_font_face_t* face = nullptr;
  std::string family;
  std::shared_ptr<PairKerning> kerning;  // null when the face has none
};

// Fontconfig's best face for the request; empty when it lists no face of the family.
FontconfigFace Resolve(const std::string& name) {
  FontconfigFace out;
  FaceRequest request;
  if (!ParseFaceName(name, &request)) return out;
  const auto family = reinterpret_cast<const FcChar8*>(request.family.c_str());
  FcPattern* listed = FcPatternCreate();
  FcPatternAddString(listed, FC_FAMILY, family);
  FcObjectSet* fields = FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
  FcFontSet* faces = FcFontList(nullptr, listed, fields);
  const bool listedFamily = faces && faces->nfont > 0;
  if (faces) FcFontSetDestroy(faces);
  FcObjectSetDestroy(fields);
  FcPatternDestroy(listed);
  if (!listedFamily) return out;

  FcPattern* wanted = FcPatternCreate();
  FcPatternAddString(wanted, FC_FAMILY, family);
  FcPatternAddInteger(wanted, FC_WEIGHT, request.weight);
  FcPatternAddInteger(wanted, FC_SLANT, request.slant);
  FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
  FcDefaultSubstitute(wanted);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, wanted, &result);
  FcPatternDestroy(wanted);
  if (!match) return out;
  // Outlines as designed: no hinting, so that sizes scale exactly.
  FcPatternDel(match, FC_HINTING);
  FcPatternAddBool(match, FC_HINTING, FcFalse);
  out.face = cairo_ft_font_face_create_for_pattern(match);
  if (cairo_font_face_status(out.face) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(out.face);
    out.face = nullptr;
    FcPatternDestroy(match);
    return out;
  }
  out.family = request.family;
  FcChar8* file = nullptr;
  int index = 0;
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    auto kerning = std::make_shared<PairKerning>();
    if (kerning->Load(reinterpret_cast<const char*>(file), index & 0xFFFF))
      out.kerning = std::move(kerning);
  }
  FcPatternDestroy(match);
  return out;
}

// Measures with a scratch context; the font face and size decide the metrics.
// At exit, once every drawing object is gone, the font caches of Cairo and Fontconfig
// are emptied, so that memory checkers see only what was really lost.
// The host built for the Windows module ends through wine's exit, which runs this before
// the objects that hold fonts are gone: there the caches are left to the system.
void EmptyFontCaches() {
#if !defined(VELM_WINDOWS_MODULE_HOST)
  cairo_debug_reset_static_data();
  FcFini();
#endif
}

class Measurer {
 public:
  Measurer() {
    // Registered before this object's own clean-up, so that it runs after it.
    std::atexit(EmptyFontCaches);
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cr_ = cairo_create(surface_);
  }
  ~Measurer() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
    for (auto& [name, face] : faces_)
      if (face.face) cairo_font_face_destroy(face.face);
  }
  // The face a font of the form "<family> <style>" names, as fontconfig matches it; null
  // (the face left empty) for a name of another form or a family fontconfig does not list.
  const FontconfigFace& Face(const std::string& name) {
    auto found = faces_.find(name);
    if (found != faces_.end()) return found->second;
    FontconfigFace face = Resolve(name);
    if (!face.face && faces_.size() >= 1024) {
      // Names of no face are not kept past a bound: a caller may try any number of them.
      static const FontconfigFace none;
      return none;
    }
    return faces_.emplace(name, std::move(face)).first->second;
  }
  void Measure(const host::TextFont& font, double size, const std::string& utf8, double* advance,
               double* ascent, double* descent) {
    SelectFace(cr_, font);
    cairo_set_font_size(cr_, size);
    cairo_text_extents_t te;
    cairo_text_extents(cr_, utf8.c_str(), &te);
    cairo_font_extents_t fe;
    cairo_font_extents(cr_, &fe);
    *advance = te.x_advance;
    *ascent = fe.ascent;
    *descent = fe.descent;
  }
  // The glyph of the character last measured, in the face it was measured in; -1 when it
  // is not one glyph.
  int Glyph(const std::string& utf8) {
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    const cairo_status_t status = cairo_scaled_font_text_to_glyphs(
        cairo_get_scaled_font(cr_), 0, 0, utf8.data(), static_cast<int>(utf8.size()), &glyphs,
        &count, nullptr, nullptr, nullptr);
    const int glyph = status == CAIRO_STATUS_SUCCESS && count == 1 && glyphs[0].index <= 0xFFFF
                          ? static_cast<int>(glyphs[0].index)
                          : -1;
    cairo_glyph_free(glyphs);
    return glyph;
  }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
  std::map<std::string, FontconfigFace> faces_;
};

Measurer& TheMeasurer() {
  static Measurer m;
  return m;
}

// The pair kerning of a font drawn in a fontconfig face; null for the host's own fonts.
PairKerning* KerningOf(const host::TextFont& font) {
  char name[sizeof font.name + 1];
  std::memcpy(name, font.name, sizeof font.name);
  name[sizeof font.name] = '\0';
  for (const FontName& f : kFonts)
    if (std::strcmp(f.name, name) == 0) return nullptr;
  return TheMeasurer().Face(name).kerning.get();
}

// A path flattened into a polyline with the distance along it at every point.
struct Polyline {
  std::vector<host::RealPoint> points;
  std::vector<double> distance;
};

Polyline Flatten(const Art& path) {
  Polyline line;
  const auto& s = path.segments;
  if (s.empty()) return line;
  auto add = [&](double x, double y) {
    const host::RealPoint p{static_cast<host::Real>(x), static_cast<host::Real>(y)};
    double d = 0;
    if (!line.points.empty()) {
      const host::RealPoint q = line.points.back();
      d = line.distance.back() + std::hypot(p.h - q.h, p.v - q.v);
    }
    line.points.push_back(p);
    line.distance.push_back(d);
  };
  add(s[0].anchor.h, s[0].anchor.v);
  const std::size_t pieces = s.size() - 1 + (path.closed && s.size() > 1 ? 1 : 0);
  for (std::size_t k = 0; k < pieces; ++k) {
    const host::PathSegment& a = s[k];
    const host::PathSegment& b = s[(k + 1) % s.size()];
    for (int step = 1; step <= 16; ++step) {
      const double t = step / 16.0, u = 1 - t;
      add(u * u * u * a.anchor.h + 3 * u * u * t * a.out.h + 3 * u * t * t * b.in.h +
              t * t * t * b.anchor.h,
          u * u * u * a.anchor.v + 3 * u * u * t * a.out.v + 3 * u * t * t * b.in.v +
              t * t * t * b.anchor.v);
    }
  }
  return line;
}

}  // namespace

void PrepareFonts() {
  TheMeasurer();
}

bool KnownFont(const char* name) {
  for (const FontName& f : kFonts)
    if (std::strcmp(f.name, name) == 0) return true;
  return TheMeasurer().Face(name).face != nullptr;
}

namespace {
std::string MatchFontName(const std::string& family, int weight, bool italic);
}  // namespace

std::string FontconfigFontName(const std::string& family, int weight, bool italic) {
  if (family.empty()) return "";
  // Documents ask for the same few faces over and over.
  static std::map<std::string, std::string> named;
  const std::string key = family + '\n' + std::to_string(weight) + (italic ? "i" : "");
  if (const auto found = named.find(key); found != named.end()) return found->second;
  std::string out = MatchFontName(family, std::clamp(weight, 1, 1000), italic);
  if (named.size() < 1024) named.emplace(key, out);
  return out;
}

namespace {

std::string MatchFontName(const std::string& family, int weight, bool italic) {
  const auto name = reinterpret_cast<const FcChar8*>(family.c_str());
  FcPattern* wanted = FcPatternCreate();
  FcPatternAddString(wanted, FC_FAMILY, name);
  FcPatternAddInteger(wanted, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(wanted, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
  FcDefaultSubstitute(wanted);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, wanted, &result);
  FcPatternDestroy(wanted);
  std::string out;
  FcChar8* matched = nullptr;
  FcChar8* style = nullptr;
  // Only the family asked for: fontconfig's stand-in for a missing one is no answer.
  if (match && FcPatternGetString(match, FC_FAMILY, 0, &matched) == FcResultMatch &&
      SameFamily(reinterpret_cast<const char*>(matched), family)) {
    int matchedWeight = FC_WEIGHT_REGULAR, matchedSlant = FC_SLANT_ROMAN;
    FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
    FcPatternGetInteger(match, FC_SLANT, 0, &matchedSlant);
    // The face's own style name when it says what the face is, else one made of its weight
    // and slant.
    FaceRequest check;
    const std::string own = FcPatternGetString(match, FC_STYLE, 0, &style) == FcResultMatch
                                ? reinterpret_cast<const char*>(style)
                                : "";
    const std::string candidate = reinterpret_cast<const char*>(matched) + (" " + own);
    if (!own.empty() && ParseFaceName(candidate, &check) &&
        check.family == reinterpret_cast<const char*>(matched) && check.weight == matchedWeight &&
        check.slant == matchedSlant) {
      out = candidate;
    } else {
      const char* weightWord = "Regular";
      int nearest = 1000;
      for (const StyleWord& w : kStyleWords)
        if (w.weight >= 0 && std::abs(w.weight - matchedWeight) < nearest) {
          nearest = std::abs(w.weight - matchedWeight);
          weightWord = w.word;
        }
      std::string word = weightWord;
      word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
      out = reinterpret_cast<const char*>(matched) + (" " + word);
      if (matchedSlant != FC_SLANT_ROMAN) out += " Italic";
    }
  }
  if (match) FcPatternDestroy(match);
  return out.size() < sizeof host::TextFont{}.name ? out : "";
}

}  // namespace

const char* SubstituteFont(const std::string& name, bool japanese) {
  std::string lower = name;
  for (char& c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto has = [&lower](const char* word) { return lower.find(word) != std::string::npos; };
  if (japanese) return has("mincho") || has("明朝") ? "IPAMincho" : "IPAGothic";
  if (lower == "monospace" || has("courier") || has("mono")) return "Courier";
  if (has("sans") || has("arial") || has("helvetica") || has("verdana")) return "Helvetica";
  return "Times-Roman";  // serif families, and the SVG viewers' default face
}

const char* RenderFace(const host::TextFont& font) {
  char name[sizeof font.name + 1];
  std::memcpy(name, font.name, sizeof font.name);
  name[sizeof font.name] = '\0';
  for (const FontName& f : kFonts)
    if (std::strcmp(f.name, name) == 0) return f.face;
  if (const FontconfigFace& face = TheMeasurer().Face(name); face.face) return face.family.c_str();
  const char* substitute = SubstituteFont(name, font.script == host::kJapaneseScript);
  for (const FontName& f : kFonts)
    if (std::strcmp(f.name, substitute) == 0) return f.face;
  return "DejaVu Sans";
}

void SelectFace(cairo_t* cr, const host::TextFont& font) {
  char name[sizeof font.name + 1];
  std::memcpy(name, font.name, sizeof font.name);
  name[sizeof font.name] = '\0';
  bool builtIn = false;
  for (const FontName& f : kFonts)
    builtIn = builtIn || std::strcmp(f.name, name) == 0;
  cairo_font_options_t* options = cairo_font_options_create();
  const FontconfigFace* face = builtIn ? nullptr : &TheMeasurer().Face(name);
  if (face && face->face) {
    cairo_set_font_face(cr, face->face);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  } else {
    cairo_select_font_face(cr, RenderFace(font), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  }
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

std::vector<PlacedChar> LayoutText(const Art& text) {
  std::vector<PlacedChar> chars;
  const TextData& t = text.text;
  // Split the bytes into characters.
  int previousGlyph = -1;
  for (std::size_t i = 0; i < t.bytes.size();) {
    const TextAttributes& a = t.AttributesAt(i);
    const auto c = static_cast<unsigned char>(t.bytes[i]);
    std::size_t n = 1;
    if (a.font.script == host::kJapaneseScript && LeadByte(c) && i + 1 < t.bytes.size()) n = 2;
    PlacedChar pc;
    pc.byte = i;
    pc.byteCount = n;
    pc.attributes = &a;
    pc.size = a.character.fontSize > 0 ? a.character.fontSize : 12.0;
    if (c >= 0x20) {
      pc.utf8 =
          Decode(a.font.script == host::kJapaneseScript ? "CP932" : "CP1252", t.bytes.substr(i, n));
      TheMeasurer().Measure(a.font, pc.size, pc.utf8, &pc.advance, &pc.ascent, &pc.descent);
      const double hs = a.character.horizontalScale > 0 ? a.character.horizontalScale : 1.0;
      pc.advance = pc.advance * hs + a.character.tracking * pc.size / 1000.0;
      // Pairs of the same face kern as the face says, also across sizes: the first one's
      // advance takes the adjustment, at its own size.
      PairKerning* kerning = KerningOf(a.font);
      const int glyph = kerning ? TheMeasurer().Glyph(pc.utf8) : -1;
      if (glyph >= 0 && previousGlyph >= 0 && !chars.empty() &&
          std::memcmp(chars.back().attributes->font.name, a.font.name, sizeof a.font.name) == 0) {
        const host::CharacterAttributes& before = chars.back().attributes->character;
        chars.back().advance += kerning->Pair(static_cast<std::uint16_t>(previousGlyph),
                                              static_cast<std::uint16_t>(glyph)) *
                                chars.back().size *
                                (before.horizontalScale > 0 ? before.horizontalScale : 1.0);
      }
      previousGlyph = glyph;
    } else {
      previousGlyph = -1;
      pc.utf8 = std::string(1, static_cast<char>(c));
      TheMeasurer().Measure(a.font, pc.size, "x", &pc.advance, &pc.ascent, &pc.descent);
      pc.advance = 0;
    }
    chars.push_back(pc);
    i += n;
  }

  std::vector<const Art*> paths;
  for (const Art* child : text.children)
    if (child->alive && child->type == host::kPathArt) paths.push_back(child);

  auto leadingOf = [](const PlacedChar& c) {
    const double l = c.attributes->character.leading;
    return l > 0 ? l : c.size * 1.2;
  };
  auto isBreak = [](const PlacedChar& c) { return c.utf8 == "\r" || c.utf8 == "\n"; };
  auto tabStop = [](const PlacedChar& c, double x) {
    const double spacing =
        c.attributes->tabs.defaultSpacing > 0 ? c.attributes->tabs.defaultSpacing : 36.0;
    return (std::floor(x / spacing) + 1) * spacing;
  };
  std::vector<PlacedChar> shown;

  if (t.type == host::kAreaText) {
    std::size_t k = 0;
    for (const Art* path : paths) {
      host::RealRect area;
      if (!CurveBounds(path->segments, path->closed, &area)) continue;
      double x = area.left, baseline = 0;
      bool lineStarted = false;
      while (k < chars.size()) {
        PlacedChar c = chars[k];
        if (!lineStarted) {
          baseline = area.top - c.ascent;
          lineStarted = true;
        }
        if (baseline - c.descent < area.bottom) break;  // the area is full
        if (isBreak(c)) {
          x = area.left;
          baseline -= leadingOf(c);
          ++k;
          continue;
        }
        if (c.utf8 == "\t") {
          x = area.left + tabStop(c, x - area.left);
          ++k;
          continue;
        }
        if (x + c.advance > area.right && x > area.left) {
          x = area.left;
          baseline -= leadingOf(c);
          continue;
        }
        c.placement = {1, 0, 0, 1, static_cast<host::Real>(x), static_cast<host::Real>(baseline)};
        x += c.advance;
        if (c.advance > 0) shown.push_back(c);
        ++k;
      }
    }
    return shown;
  }

  if (t.type == host::kPathText) {
    if (paths.empty()) return shown;
    const Polyline line = Flatten(*paths.front());
    if (line.points.size() < 2) return shown;
    double along = 0;
    std::size_t piece = 0;
    for (PlacedChar c : chars) {
      if (c.advance <= 0) continue;
      while (piece + 1 < line.points.size() && line.distance[piece + 1] <= along)
        ++piece;
      if (piece + 1 >= line.points.size() || along + c.advance > line.distance.back()) break;
      const host::RealPoint a = line.points[piece], b = line.points[piece + 1];
      const double len = line.distance[piece + 1] - line.distance[piece];
      const double f = len > 0 ? (along - line.distance[piece]) / len : 0;
      const double angle = std::atan2(b.v - a.v, b.h - a.h);
      const double cs = std::cos(angle), sn = std::sin(angle);
      c.placement = {static_cast<host::Real>(cs),
                     static_cast<host::Real>(sn),
                     static_cast<host::Real>(-sn),
                     static_cast<host::Real>(cs),
                     static_cast<host::Real>(a.h + (b.h - a.h) * f),
                     static_cast<host::Real>(a.v + (b.v - a.v) * f)};
      shown.push_back(c);
      along += c.advance;
    }
    return shown;
  }

  // Point text.
  const host::RealMatrix m =
      paths.empty() ? host::RealMatrix{1, 0, 0, 1, 0, 0} : paths.front()->textPathMatrix;
  double x = 0, y = 0;
  for (PlacedChar c : chars) {
    if (isBreak(c)) {
      x = 0;
      y -= leadingOf(c);
      continue;
    }
    if (c.utf8 == "\t") {
      x = tabStop(c, x);
      continue;
    }
    if (c.advance <= 0) continue;
    const host::RealMatrix at{1,
                              0,
                              0,
                              1,
                              static_cast<host::Real>(x),
                              static_cast<host::Real>(y + c.attributes->character.baselineShift)};
    c.placement = Concat(at, m);
    x += c.advance;
    shown.push_back(c);
  }
  return shown;
}

bool TextBounds(const Art& text, host::RealRect* bounds) {
  bool any = false;
  host::RealRect r{};
  for (const PlacedChar& c : LayoutText(text)) {
    const host::RealPoint corners[4] = {
        {0, static_cast<host::Real>(-c.descent)},
        {static_cast<host::Real>(c.advance), static_cast<host::Real>(-c.descent)},
        {0, static_cast<host::Real>(c.ascent)},
        {static_cast<host::Real>(c.advance), static_cast<host::Real>(c.ascent)}};
    for (const host::RealPoint& corner : corners) {
      const host::RealPoint p = Transform(c.placement, corner);
      UnionRect(&r, {p.h, p.v, p.h, p.v}, &any);
    }
  }
  if (any) *bounds = r;
  return any;
}

const TextMetrics* StandInTextMetrics() {
  static const TextMetrics metrics{KnownFont, TextBounds};
  return &metrics;
}

}  // namespace hostsim
