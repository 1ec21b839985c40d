#include "tests/loader/art_compare.h"

#include <cmath>
#include <cstring>
#include <sstream>

namespace velmtest {

namespace {

using hostsim::Art;

class Comparer {
 public:
  explicit Comparer(hostsim::Document& document) : doc_(document) {}

  // The first difference, or empty.
  std::string Compare(Art* original, Art* placed) {
    Art_(original, placed, {0, 0}, "art");
    return error_;
  }

 private:
  bool Failed() const { return !error_.empty(); }
  void Fail(const std::string& where, const std::string& what) {
    if (error_.empty()) error_ = where + ": " + what;
  }
  template <class T>
  void Equal(const std::string& where, const char* field, T a, T b) {
    if (!(a == b)) {
      std::ostringstream s;
      s << field << " " << +a << " != " << +b;
      Fail(where, s.str());
    }
  }
  void Real(const std::string& where, const char* field, double a, double b) {
    if (!Near(a, b)) {
      std::ostringstream s;
      s.precision(9);
      s << field << " " << a << " != " << b;
      Fail(where, s.str());
    }
  }
  void Point(const std::string& where, const char* field, host::RealPoint a, host::RealPoint b,
             host::RealPoint offset) {
    Real(where, field, a.h + offset.h, b.h);
    Real(where, field, a.v + offset.v, b.v);
  }
  void Matrix(const std::string& where, const char* field, const host::RealMatrix& a,
              const host::RealMatrix& b, host::RealPoint offset) {
    Real(where, field, a.a, b.a);
    Real(where, field, a.b, b.b);
    Real(where, field, a.c, b.c);
    Real(where, field, a.d, b.d);
    Real(where, field, a.tx + offset.h, b.tx);
    Real(where, field, a.ty + offset.v, b.ty);
  }

  // What the capture keeps of a colour.
  host::Color Expected(host::Color c, bool flat) {
    if (c.kind == host::kCustomColor) {
      hostsim::CustomColor* custom = doc_.CustomColorFrom(c.c.custom.color);
      if (custom && custom->definition.kind == host::kCustomProcessDefinition) {
        c.kind = host::kProcessColor;
        c.c.process = custom->definition.c.process;
      } else if (custom && custom->definition.kind == host::kCustomRgbDefinition) {
        c.kind = host::kRgbColor;
        c.c.rgb = custom->definition.c.rgb;
      }
    } else if (c.kind == host::kGradientColor && flat) {
      std::memset(static_cast<void*>(&c), 0, sizeof c);
      c.kind = host::kGrayColor;
    }
    return c;
  }

  void Color(const std::string& where, host::Color a, const host::Color& b, bool flat,
             host::RealPoint offset) {
    a = Expected(a, flat);
    Equal(where, "colour kind", a.kind, b.kind);
    if (Failed()) return;
    switch (a.kind) {
      case host::kGrayColor:
        Real(where, "gray", a.c.gray.gray, b.c.gray.gray);
        break;
      case host::kProcessColor:
        Real(where, "cyan", a.c.process.cyan, b.c.process.cyan);
        Real(where, "magenta", a.c.process.magenta, b.c.process.magenta);
        Real(where, "yellow", a.c.process.yellow, b.c.process.yellow);
        Real(where, "black", a.c.process.black, b.c.process.black);
        break;
      case host::kRgbColor:
        Real(where, "red", a.c.rgb.red, b.c.rgb.red);
        Real(where, "green", a.c.rgb.green, b.c.rgb.green);
        Real(where, "blue", a.c.rgb.blue, b.c.rgb.blue);
        break;
      case host::kGradientColor: {
        const host::GradientStyle& g = a.c.gradient;
        const host::GradientStyle& h = b.c.gradient;
        hostsim::Gradient* ga = doc_.GradientFrom(g.gradient);
        hostsim::Gradient* gb = doc_.GradientFrom(h.gradient);
        if (!ga || !gb) return Fail(where, "gradient missing");
        Equal(where, "gradient type", ga->type, gb->type);
        Equal(where, "stop count", ga->stops.size(), gb->stops.size());
        for (std::size_t i = 0; !Failed() && i < ga->stops.size(); ++i) {
          const std::string at = where + "/stop " + std::to_string(i);
          Real(at, "mid", ga->stops[i].midPoint, gb->stops[i].midPoint);
          Real(at, "ramp", ga->stops[i].rampPoint, gb->stops[i].rampPoint);
          Color(at, ga->stops[i].color, gb->stops[i].color, false, offset);
        }
        Point(where, "gradient origin", g.origin, h.origin, {0, 0});
        Real(where, "gradient angle", g.angle, h.angle);
        Real(where, "gradient length", g.length, h.length);
        Matrix(where, "gradient matrix", g.matrix, h.matrix, offset);
        Real(where, "hilite angle", g.hiliteAngle, h.hiliteAngle);
        Real(where, "hilite length", g.hiliteLength, h.hiliteLength);
        break;
      }
      case host::kPatternColor: {
        const host::PatternStyle& s = a.c.pattern;
        const host::PatternStyle& t = b.c.pattern;
        hostsim::Pattern* pa = doc_.PatternFrom(s.pattern);
        hostsim::Pattern* pb = doc_.PatternFrom(t.pattern);
        if (!pa || !pb || !pa->art || !pb->art) return Fail(where, "pattern missing");
        if (pa == pb) return Fail(where, "the same pattern, not a rebuilt one");
        Real(where, "shift distance", s.shiftDistance, t.shiftDistance);
        Real(where, "shift angle", s.shiftAngle, t.shiftAngle);
        Point(where, "scale", s.scale, t.scale, {0, 0});
        Real(where, "rotate", s.rotate, t.rotate);
        Equal(where, "reflect", s.reflect, t.reflect);
        Real(where, "reflect angle", s.reflectAngle, t.reflectAngle);
        Real(where, "shear angle", s.shearAngle, t.shearAngle);
        Real(where, "shear axis", s.shearAxis, t.shearAxis);
        Matrix(where, "pattern transform", s.transform, t.transform, {0, 0});
        // A tile starts at its art's bottom-left corner, wherever the art lies.
        host::RealRect ra{}, rb{};
        hostsim::ArtBounds(doc_, pa->art, &ra);
        hostsim::ArtBounds(doc_, pb->art, &rb);
        Art_(pa->art, pb->art, {rb.left - ra.left, rb.bottom - ra.bottom}, where + "/pattern art");
        break;
      }
      default:
        break;
    }
  }

  void Style(const std::string& where, const host::PathStyle& a, const host::PathStyle& b,
             bool flat, host::RealPoint offset) {
    Equal(where, "fill paint", a.fillPaint != 0, b.fillPaint != 0);
    Equal(where, "stroke paint", a.strokePaint != 0, b.strokePaint != 0);
    if (Failed()) return;
    if (a.fillPaint) {
      Color(where + "/fill", a.fill.color, b.fill.color, flat, offset);
      Equal(where, "fill overprint", a.fill.overprint, b.fill.overprint);
    }
    if (a.strokePaint) {
      Color(where + "/stroke", a.stroke.color, b.stroke.color, true, offset);
      Equal(where, "stroke overprint", a.stroke.overprint, b.stroke.overprint);
    }
    const host::StrokeStyle& s = a.stroke;
    const host::StrokeStyle& t = b.stroke;
    Real(where, "stroke width", s.width, t.width);
    Equal(where, "dash count", s.dash.length, t.dash.length);
    Real(where, "dash offset", s.dash.offset, t.dash.offset);
    for (int i = 0; i < s.dash.length && i < host::kMaxDashComponents; ++i)
      Real(where, "dash", s.dash.array[i], t.dash.array[i]);
    Equal(where, "cap", s.cap, t.cap);
    Equal(where, "join", s.join, t.join);
    Real(where, "miter limit", s.miterLimit, t.miterLimit);
    Equal(where, "clip", a.clip != 0, b.clip != 0);
    Equal(where, "lock clip", a.lockClip != 0, b.lockClip != 0);
    Equal(where, "even-odd", a.evenOdd != 0, b.evenOdd != 0);
    Real(where, "resolution", a.resolution, b.resolution);
  }

  void Blend(const std::string& where, const Art* a, const Art* b) {
    Equal(where, "blend mode", a->blend.mode, b->blend.mode);
    Real(where, "opacity", a->blend.opacity, b->blend.opacity);
    Equal(where, "isolated", a->blend.isolated, b->blend.isolated);
    Equal(where, "knockout", a->blend.knockout, b->blend.knockout);
    Equal(where, "alpha is shape", a->blend.alphaIsShape, b->blend.alphaIsShape);
  }

  void Segments(const std::string& where, const std::vector<host::PathSegment>& a,
                const std::vector<host::PathSegment>& b, host::RealPoint offset) {
    Equal(where, "segment count", a.size(), b.size());
    for (std::size_t i = 0; !Failed() && i < a.size(); ++i) {
      const std::string at = where + "/segment " + std::to_string(i);
      Point(at, "anchor", a[i].anchor, b[i].anchor, offset);
      Point(at, "in", a[i].in, b[i].in, offset);
      Point(at, "out", a[i].out, b[i].out, offset);
      Equal(at, "corner", a[i].corner != 0, b[i].corner != 0);
    }
  }

  void Attributes(const std::string& where, const hostsim::TextAttributes& a,
                  const hostsim::TextAttributes& b) {
    Style(where + "/paint", a.paint, b.paint, true, {0, 0});
    const host::CharacterAttributes& c = a.character;
    const host::CharacterAttributes& d = b.character;
    const float ca[10] = {c.fontSize,        c.leading,       c.tracking,      c.kerning,
                          c.horizontalScale, c.verticalScale, c.baselineShift, c.rotation,
                          c.tsume,           c.warichuScale};
    const float da[10] = {d.fontSize,        d.leading,       d.tracking,      d.kerning,
                          d.horizontalScale, d.verticalScale, d.baselineShift, d.rotation,
                          d.tsume,           d.warichuScale};
    for (int i = 0; i < 10; ++i)
      Real(where, "character real", ca[i], da[i]);
    Real(where, "tate-chu-yoko offset", c.tateChuYokoOffset, d.tateChuYokoOffset);
    // The integer members, byte for byte once the reals agree.
    host::CharacterAttributes ci = c, di = d;
    for (float* f : {&ci.fontSize, &ci.leading, &ci.tracking, &ci.kerning, &ci.horizontalScale,
                     &ci.verticalScale, &ci.baselineShift, &ci.rotation, &ci.tsume,
                     &ci.warichuScale, &ci.tateChuYokoOffset})
      *f = 0;
    for (float* f : {&di.fontSize, &di.leading, &di.tracking, &di.kerning, &di.horizontalScale,
                     &di.verticalScale, &di.baselineShift, &di.rotation, &di.tsume,
                     &di.warichuScale, &di.tateChuYokoOffset})
      *f = 0;
    if (std::memcmp(&ci, &di, sizeof ci) != 0) Fail(where, "character attributes differ");
    if (std::memcmp(&a.font, &b.font, sizeof a.font) != 0) Fail(where, "font differs");
    const host::ParagraphAttributes& p = a.paragraph;
    const host::ParagraphAttributes& q = b.paragraph;
    Real(where, "first line indent", p.firstLineIndent, q.firstLineIndent);
    Real(where, "left indent", p.leftIndent, q.leftIndent);
    Real(where, "right indent", p.rightIndent, q.rightIndent);
    Real(where, "space before", p.spaceBefore, q.spaceBefore);
    Real(where, "space after", p.spaceAfter, q.spaceAfter);
    Real(where, "auto leading", p.autoLeading, q.autoLeading);
    Real(where, "word spacing", p.wordSpacing, q.wordSpacing);
    Point(where, "letter spacing", p.letterSpacing, q.letterSpacing, {0, 0});
    Equal(where, "alignment", p.alignment, q.alignment);
    Equal(where, "hyphenation", p.hyphenation, q.hyphenation);
    Equal(where, "hanging punctuation", p.hangingPunctuation, q.hangingPunctuation);
    Equal(where, "kinsoku set", p.kinsokuSet, q.kinsokuSet);
    Equal(where, "mojikumi set", p.mojikumiSet, q.mojikumiSet);
    Equal(where, "burasagari", p.burasagari, q.burasagari);
    Equal(where, "paragraph flags", p.flags, q.flags);
    Real(where, "default tab spacing", a.tabs.defaultSpacing, b.tabs.defaultSpacing);
    Equal(where, "tab count", a.tabs.count, b.tabs.count);
    for (int i = 0; i < host::kMaxTabStops; ++i) {
      Equal(where, "tab kind", a.tabs.stops[i].kind, b.tabs.stops[i].kind);
      Equal(where, "tab leader", a.tabs.stops[i].leader, b.tabs.stops[i].leader);
      Real(where, "tab position", a.tabs.stops[i].position, b.tabs.stops[i].position);
    }
    Real(where, "run value", a.runValue, b.runValue);
  }

  void Text(const std::string& where, Art* a, Art* b, host::RealPoint offset) {
    Equal(where, "text type", a->text.type, b->text.type);
    if (a->text.bytes != b->text.bytes) return Fail(where, "characters differ");
    for (std::size_t i = 0; !Failed() && i < a->text.bytes.size(); ++i)
      Attributes(where + "/byte " + std::to_string(i), a->text.AttributesAt(i),
                 b->text.AttributesAt(i));
    Equal(where, "text path count", a->children.size(), b->children.size());
    if (Failed() || a->children.empty()) return;
    // One attribute is stored for all paths: the last path's.
    const std::int16_t attribute = a->children.back()->textPathAttribute;
    for (std::size_t i = 0; !Failed() && i < a->children.size(); ++i) {
      const std::string at = where + "/text path " + std::to_string(i);
      const Art* pa = a->children[i];
      const Art* pb = b->children[i];
      Segments(at, pa->segments, pb->segments, offset);
      Equal(at, "closed", pa->closed, pb->closed);
      Matrix(at, "matrix", pa->textPathMatrix, pb->textPathMatrix, offset);
      Equal(at, "attribute", attribute, pb->textPathAttribute);
    }
  }

  void Raster(const std::string& where, const Art* a, const Art* b, host::RealPoint offset) {
    const hostsim::RasterData& r = a->raster;
    const hostsim::RasterData& s = b->raster;
    Equal(where, "raster flags", r.info.flags, s.info.flags);
    Equal(where, "pixel left", r.info.bounds.left, s.info.bounds.left);
    Equal(where, "pixel top", r.info.bounds.top, s.info.bounds.top);
    Equal(where, "pixel right", r.info.bounds.right, s.info.bounds.right);
    Equal(where, "pixel bottom", r.info.bounds.bottom, s.info.bounds.bottom);
    Equal(where, "byte width", r.info.byteWidth, s.info.byteWidth);
    Equal(where, "colour space", r.info.colorSpace, s.info.colorSpace);
    Equal(where, "bits per pixel", r.info.bitsPerPixel, s.info.bitsPerPixel);
    Equal(where, "extra", r.info.extra, s.info.extra);
    Matrix(where, "raster matrix", r.matrix, s.matrix, offset);
    Real(where, "box left", r.boundingBox.left, s.boundingBox.left);
    Real(where, "box top", r.boundingBox.top, s.boundingBox.top);
    Real(where, "box right", r.boundingBox.right, s.boundingBox.right);
    Real(where, "box bottom", r.boundingBox.bottom, s.boundingBox.bottom);
    if (r.pixels != s.pixels) Fail(where, "pixels differ");
  }

  void Mesh(const std::string& where, const Art* a, const Art* b, host::RealPoint offset) {
    const hostsim::MeshData& m = a->mesh;
    const hostsim::MeshData& n = b->mesh;
    Equal(where, "mesh kind", m.kind, n.kind);
    Equal(where, "mesh i", m.i, n.i);
    Equal(where, "mesh j", m.j, n.j);
    if (Failed() || m.nodes.size() != n.nodes.size()) return Fail(where, "node count differs");
    for (std::size_t k = 0; !Failed() && k < m.nodes.size(); ++k) {
      const std::string at = where + "/node " + std::to_string(k);
      Color(at, m.nodes[k].color, n.nodes[k].color, true, offset);
      Point(at, "point", m.nodes[k].point, n.nodes[k].point, offset);
      for (int d = 0; d < 4; ++d)
        Equal(at, "smooth", m.nodes[k].smooth[d], n.nodes[k].smooth[d]);
    }
    auto edges = [&](const char* name, const std::vector<hostsim::MeshEdge>& e,
                     const std::vector<hostsim::MeshEdge>& f) {
      Equal(where, name, e.size(), f.size());
      for (std::size_t k = 0; !Failed() && k < e.size(); ++k)
        for (int c = 0; c < 2; ++c)
          Point(where + "/" + name + " " + std::to_string(k), "control", e[k].control[c],
                f[k].control[c], offset);
    };
    edges("i edge", m.iEdges, n.iEdges);
    edges("j edge", m.jEdges, n.jEdges);
  }

  void Art_(Art* a, Art* b, host::RealPoint offset, const std::string& where) {
    if (Failed()) return;
    if (!a || !b) return Fail(where, "missing art");
    // What the capture stores instead of the art itself.
    if (a->effect.shadow) a = doc_.StyledArtOf(a);
    if (a && a->type == host::kPluginArt) a = a->plugin.resultArt;
    if (!a) return Fail(where, "nothing to compare with");
    Equal(where, "type", a->type, b->type);
    if (Failed()) return;
    switch (a->type) {
      case host::kGroupArt:
      case host::kCompoundPathArt:
        if (a->type == host::kGroupArt) Equal(where, "clipped", a->clipped, b->clipped);
        Equal(where, "child count", a->children.size(), b->children.size());
        for (std::size_t i = 0; !Failed() && i < a->children.size(); ++i)
          Art_(a->children[i], b->children[i], offset, where + "/" + std::to_string(i));
        break;
      case host::kPathArt:
        Blend(where, a, b);
        Style(where, a->style, b->style, false, offset);
        Segments(where, a->segments, b->segments, offset);
        Equal(where, "closed", a->closed, b->closed);
        break;
      case host::kTextArt:
        Blend(where, a, b);
        Text(where, a, b, offset);
        break;
      case host::kRasterArt:
        Blend(where, a, b);
        Raster(where, a, b, offset);
        break;
      case host::kMeshArt:
        Blend(where, a, b);
        Mesh(where, a, b, offset);
        break;
      default:
        Fail(where, "unexpected art type " + std::to_string(a->type));
    }
  }

  hostsim::Document& doc_;
  std::string error_;
};

}  // namespace

bool Near(double a, double b) {
  const double scale = std::fmax(std::fabs(a), std::fabs(b));
  return std::fabs(a - b) <= 2.0 / 65536.0 + 3e-7 * scale;
}

std::string CompareArt(hostsim::Document& document, Art* original, Art* placed) {
  return Comparer(document).Compare(original, placed);
}

}  // namespace velmtest
