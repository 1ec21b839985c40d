#include "hostsim/text_layout.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <iconv.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

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

// Measures with a scratch context; the font face and size decide the metrics.
// At exit, once every drawing object is gone, the font caches of Cairo and Fontconfig
// are emptied, so that memory checkers see only what was really lost.
void EmptyFontCaches() {
  cairo_debug_reset_static_data();
  FcFini();
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
  }
  void Measure(const char* face, double size, const std::string& utf8, double* advance,
               double* ascent, double* descent) {
    cairo_select_font_face(cr_, face, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, size);
    cairo_text_extents_t te;
    cairo_text_extents(cr_, utf8.c_str(), &te);
    cairo_font_extents_t fe;
    cairo_font_extents(cr_, &fe);
    *advance = te.x_advance;
    *ascent = fe.ascent;
    *descent = fe.descent;
  }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

Measurer& TheMeasurer() {
  static Measurer m;
  return m;
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
  return false;
}

const char* RenderFace(const host::TextFont& font) {
  char name[sizeof font.name + 1];
  std::memcpy(name, font.name, sizeof font.name);
  name[sizeof font.name] = '\0';
  for (const FontName& f : kFonts)
    if (std::strcmp(f.name, name) == 0) return f.face;
  return font.script == host::kJapaneseScript ? "IPAGothic" : "DejaVu Sans";
}

std::vector<PlacedChar> LayoutText(const Art& text) {
  std::vector<PlacedChar> chars;
  const TextData& t = text.text;
  // Split the bytes into characters.
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
      TheMeasurer().Measure(RenderFace(a.font), pc.size, pc.utf8, &pc.advance, &pc.ascent,
                            &pc.descent);
      const double hs = a.character.horizontalScale > 0 ? a.character.horizontalScale : 1.0;
      pc.advance = pc.advance * hs + a.character.tracking * pc.size / 1000.0;
    } else {
      pc.utf8 = std::string(1, static_cast<char>(c));
      TheMeasurer().Measure(RenderFace(a.font), pc.size, "x", &pc.advance, &pc.ascent, &pc.descent);
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

}  // namespace hostsim
