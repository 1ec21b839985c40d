// The SVG reader: an SVG document's XML tree read into a scene. Private to hostsim.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "hostsim/svg/svg.h"
#include "hostsim/svg/svg_check_p.h"
#include "hostsim/svg/svg_css_selector.h"
#include "hostsim/svg/svg_grammar_p.h"

namespace hostsim::svg_in {

using Json = nlohmann::json;

// ---- Geometry (svg_reader_shapes.cpp) ----

struct Pt {
  double x = 0, y = 0;
};
inline Pt Apply(const Matrix& m, Pt p) {
  return {m.a * p.x + m.c * p.y + m.e, m.b * p.x + m.d * p.y + m.f};
}
// One anchor with its control points, as the host keeps a path.
struct Seg {
  Pt in, anchor, out;
  bool joint = false;  // splits one segment of the source (an arc's quarters): no vertex
};
struct Subpath {
  std::vector<Seg> segs;
  bool closed = false;
};
using Geometry = std::vector<Subpath>;

// Builds geometry from path data; false when the data holds an error (what came before it
// is kept in `out`, and `errorAt` tells where).
bool PathGeometry(const std::string& d, Geometry* out, std::size_t* errorAt);
// Appends the cubic Béziers (at most 90 degrees each) of an elliptical arc from `from`.
void ArcTo(Subpath* path, Pt from, double rx, double ry, double rotation, bool large, bool sweep,
           Pt to);
Geometry RectGeometry(double x, double y, double w, double h, double rx, double ry);
Geometry EllipseGeometry(double cx, double cy, double rx, double ry);
Geometry PolyGeometry(const std::vector<double>& xy, bool closed);
Geometry Transformed(const Geometry& g, const Matrix& m);
// The exact bounds [left, top, right, bottom] of the geometry in its own space (y down);
// false when it is empty.
bool Bounds(const Geometry& g, double box[4]);
std::size_t SegmentCount(const Geometry& g);
// A stroke's shape in the space of the geometry it strokes: cap 0 butt, 1 round, 2 square;
// join 0 miter, 1 round, 2 bevel.
struct StrokeShape {
  double width = 1;
  int cap = 0, join = 0;
  double miterLimit = 4;
  std::vector<double> dash;
  double dashOffset = 0;
  // How far the outline's curves may stray from the true ones (0: a fiftieth of the
  // width); the larger of the two is used.
  double tolerance = 0;
};
// The area the stroke of `g` paints, as closed pieces all wound the same way (their
// nonzero fill is the stroke). False when it would take more than `maxPoints` points.
bool StrokeOutline(const Geometry& g, const StrokeShape& s, std::size_t maxPoints, Geometry* out);
// A path's JSON ("points" when every segment is a corner without handles, else "segments").
Json SubpathJson(const Subpath& p);

// ---- CSS values (svg_reader_css.cpp) ----

// A colour in any form SVG 1.1 knows (ParseColorValue) or one of CSS's forms with alpha:
// #rgba, #rrggbbaa, rgba(), hsl(), hsla(), transparent, and the space-separated forms
// such as rgb(0 127 0 / 50%); `alpha` 0 … 1 (1 for the forms without it).
bool ParseColor(std::string_view text, std::uint8_t rgb[3], double* alpha);
// A CSS transform property: transform functions separated by spaces or commas, lengths in
// px (or absolute units, or none), angles in deg, rad, grad or turn (or none); "none" is
// the identity. False when it is not valid.
bool ParseCssTransform(std::string_view text, Matrix* out);
// paint-order: fill (0), stroke (1) and markers (2) in the order they are drawn; false
// when the value is not valid.
bool ParsePaintOrder(const std::string& value, int order[3]);

// ---- Style ----

struct Paint {
  enum Kind { kNone, kColor, kUrl, kCurrentColor };
  Paint() = default;
  explicit Paint(Kind k) : kind(k) {}
  Kind kind = kColor;
  std::uint8_t rgb[3] = {0, 0, 0};
  double alpha = 1;       // the colour's own alpha: multiplies the paint's opacity
  std::string url;        // the referenced id (kUrl)
  Kind fallback = kNone;  // what a url falls back to
  std::uint8_t fallbackRgb[3] = {0, 0, 0};
  double fallbackAlpha = 1;
  bool hasFallback = false;
};

struct Style {
  // Inherited.
  Paint fill;
  Paint stroke{Paint::kNone};
  double fillOpacity = 1, strokeOpacity = 1;
  bool evenOdd = false, clipEvenOdd = false;
  double strokeWidth = 1;
  int cap = 0, join = 0;
  double miterLimit = 4;
  std::vector<double> dash;
  double dashOffset = 0;
  std::uint8_t color[3] = {0, 0, 0};
  double colorAlpha = 1;
  std::string fontFamily = "serif";
  double fontSize = 16;
  int fontWeight = 400;
  bool italic = false;
  int anchor = 0;  // 0 start, 1 middle, 2 end
  bool visible = true;
  std::string markers[3];         // marker-start, -mid, -end: a marker's id, a value that is none
  int paintOrder[3] = {0, 1, 2};  // fill (0), stroke (1) and markers (2) in drawing order
  // Not inherited.
  double opacity = 1;
  std::string clipPath, mask, filter;
  bool display = true;
  bool overflowVisible = false;  // overflow visible or auto: a nested viewport does not clip
  std::uint8_t stopColor[3] = {0, 0, 0};
  double stopAlpha = 1;      // the stop colour's own alpha
  bool stopCurrent = false;  // stop-color: currentColor (the element's color, as computed)
  double stopOpacity = 1;
  bool hasTransform = false;  // a CSS transform property: replaces the attribute
  Matrix transform;
  // transform-origin in user units (percentages and keywords of the viewport): the
  // transform is applied about this point.
  bool hasOrigin = false;
  double originX = 0, originY = 0;

  // The stop colour and its alpha, currentColor resolved.
  const std::uint8_t* StopRgb() const { return stopCurrent ? color : stopColor; }
  double StopAlpha() const { return stopCurrent ? colorAlpha : stopAlpha; }

  void ResetUninherited() {
    opacity = 1;
    clipPath.clear();
    mask.clear();
    filter.clear();
    display = true;
    overflowVisible = false;
    stopColor[0] = stopColor[1] = stopColor[2] = 0;
    stopAlpha = 1;
    stopCurrent = false;
    stopOpacity = 1;
    hasTransform = false;
    transform = Matrix{};
    hasOrigin = false;
    originX = originY = 0;
  }
};

// The user-space size lengths in % refer to.
struct Viewport {
  double width = 300, height = 150;
};

// A declaration of a style sheet or style attribute.
struct CssDeclaration {
  std::string name, value;
  bool important = false;  // "!important": above every declaration without it
};

// A rule of a <style> element: one selector and its declarations.
struct CssRule {
  CssSelector selector;
  int order;
  std::vector<CssDeclaration> declarations;
};

// ---- The reader ----

class Reader {
 public:
  Reader(xmlDocPtr doc, const std::string& file, const SvgReadOptions& options = {})
      : doc_(doc), file_(file), options_(options) {}
  // False with `error` when the document is not SVG.
  bool Read(SvgDocument* out, std::string* error);

 private:
  // svg_reader.cpp: structure.
  void IndexIds(xmlNodePtr n);
  // svg_reader_layers.cpp: layers. Marks a top-level group that was a layer (see Layers);
  // never written to a scene.
  static constexpr const char* kLayerMark = "\x01layer";
  // Whether `n` is a layer: a group of the root that this program wrote (velm:layer) or
  // that an editor marked as one (inkscape:groupmode="layer").
  static bool IsLayer(xmlNodePtr n);
  // The layer's name and flags for the group `n` read as `group`.
  static Json LayerMark(xmlNodePtr n, const Json& group);
  // The scene's layers from the top-level art (see svg_reader_layers.cpp).
  Json Layers(Json art);
  void Children(xmlNodePtr parent, const Style& style, const Matrix& ctm, const Viewport& vp,
                Json* out);
  void Element(xmlNodePtr n, const Style& parent, const Matrix& ctm, const Viewport& vp, Json* out);
  // Whether an element that is not displayed is hidden art or a hidden layer this program
  // wrote (velm:hidden, or velm:layer with velm:visible="false").
  static bool OwnHidden(xmlNodePtr n);
  // Reads an element that is drawn, in its computed style `s`.
  void Draw(xmlNodePtr n, const std::string& name, const Style& s, const Matrix& ctm,
            const Viewport& vp, Json* out);
  void Use(xmlNodePtr n, const Style& style, const Matrix& ctm, const Viewport& vp, Json* out);
  // The art of a nested viewport (svg, or a symbol drawn through a use) as a group.
  void ViewportContent(xmlNodePtr n, xmlNodePtr sizeFrom, const Style& style, const Matrix& ctm,
                       const Viewport& vp, Json* out);
  // The rectangle of a nested viewport: x and y of `n`, width and height of `sizeFrom` (a
  // use of a symbol) or else of `n`, 100 % where not given; false when it has no area.
  bool ViewportRect(xmlNodePtr n, xmlNodePtr sizeFrom, const Style& s, const Viewport& vp,
                    double* x, double* y, double* w, double* h);
  Matrix ViewBoxTransform(xmlNodePtr n, double x, double y, double w, double h, Viewport* inner);
  // Merges velm:keys over `art` (or replaces it) when velm:check matches.
  void PrivateKeys(xmlNodePtr n, Json* art);
  // The element's velm:keys when its velm:check matches what they stand for (for art, as
  // drawn under `drawCtm_`); false (and a note) otherwise.
  bool CheckedKeys(xmlNodePtr n, Json* keys);
  void Symbols(SvgDocument* out);
  // The record texts velm:name, velm:kind and velm:comment of a symbol, while its first
  // <title> and <desc> still read as written.
  void SymbolTexts(xmlNodePtr n, xmlNodePtr title, xmlNodePtr desc, SvgSymbol* sym);
  void Finish(Json* scene);

  // svg_reader_style.cpp: styles.
  Style Compute(xmlNodePtr n, const Style& parent);
  Style StyleOf(xmlNodePtr n);  // from the root down to n
  void Declare(Style& s, const Style& parent, const std::string& name, const std::string& value,
               xmlNodePtr n);
  bool ParsePaint(const std::string& value, Paint* p);
  double LengthAttr(xmlNodePtr n, const char* name, double fallback, const Style& s,
                    const Viewport& vp, int axis, bool* ok = nullptr);
  double ToUser(const Length& l, const Style& s, const Viewport& vp, int axis);
  void ParseStyleSheet(const std::string& text, xmlNodePtr at);
  std::vector<std::pair<std::string, std::string>> Declarations(xmlNodePtr n);
  // The element's own transform as `s` has it (a CSS transform property, else the
  // attribute), about its transform-origin; false without one or when the attribute is not
  // valid (`invalid` then set).
  static bool OwnTransform(xmlNodePtr n, const Style& s, Matrix* t, bool* invalid = nullptr);
  // A gradient's or pattern's transform `t` about the element's transform-origin (in the
  // space the transform applies in).
  Matrix AboutOrigin(xmlNodePtr n, const Matrix& t);

  // svg_reader_shapes.cpp / svg_reader_paint.cpp: art.
  void Shape(xmlNodePtr n, const Style& s, const Matrix& ctm, const Viewport& vp, Json* out);
  bool ShapeGeometry(xmlNodePtr n, const Style& s, const Viewport& vp, Geometry* g);
  // A pattern paint (`p` a <pattern>) as a host pattern colour; null when not painted.
  Json PatternPaint(xmlNodePtr p, const Geometry& user, const Matrix& ctm, xmlNodePtr at);
  Json PaintJson(const Paint& p, const Style& s, const Geometry& user, const Matrix& ctm,
                 xmlNodePtr at, double* opacity);
  Json Gradient(xmlNodePtr g, const Geometry& user, const Matrix& ctm, const Viewport& vp,
                xmlNodePtr at, double* opacity);
  void Text(xmlNodePtr n, const Style& s, const Matrix& ctm, const Viewport& vp, Json* out);
  void Image(xmlNodePtr n, const Style& s, const Matrix& ctm, const Viewport& vp, Json* out);
  // Notes how many pictures were left out for the document's pixel limit since the last
  // such note (one note a report).
  void PicturesOverNote();
  Json StrokeJson(const Style& s, const Matrix& ctm, xmlNodePtr at, Json color);
  // The stroke of `user` as a filled outline in page space, painted with `color`; null
  // when it paints nothing, the outline is over the document's limit, or (`over` set) it
  // takes more than `maxPieces` pieces (0: any number).
  Json OutlineArt(xmlNodePtr at, const Style& s, const Matrix& ctm, const Geometry& user,
                  Json color, std::size_t maxPieces, bool* over);
  // svg_reader_fade.cpp: gradients whose stops fade. Gradient() marks such a colour with
  // the stops' opacities (kFadeMark; each stop carries its own under kFadeAlpha while the
  // ramp is laid out); a record's stops are colours, so the art draws the fade.
  static constexpr const char* kFadeMark =
      "\x01"
      "fade";
  static constexpr const char* kFadeAlpha =
      "\x01"
      "alpha";
  // Replaces every path or compound of `art` filled with a fading gradient by its shape
  // clipping bands of the gradient, each of one opacity.
  void Fades(xmlNodePtr at, Json* art);
  // A fading colour where no bands can be drawn (a stroke): the gradient at the least of
  // its opacities (never darker than the source), noted.
  void Unfaded(xmlNodePtr at, Json* color, double* opacity);
  // SVG caps a subpath of no length with a square or a dot where the host's stroke draws
  // nothing: those caps as a filled compound in the stroke's `color` (null when none).
  Json CapsOfNothing(const Style& s, const Matrix& ctm, const Geometry& user, const Json& color);
  // Wraps `art` in a clipping group when the element has a clip-path; reports masks and
  // filters.
  void Effects(xmlNodePtr n, const Style& s, const Matrix& ctm, const Viewport& vp,
               const Geometry* user, Json* art);
  // Clips `art` by the clipPath with the id `id` (a reference to no clipPath is noted and
  // leaves it unclipped). `user`: the clipped element's geometry in the space of `ctm`,
  // for clip paths in the bounding box's units.
  void ClipBy(const std::string& id, xmlNodePtr n, const Matrix& ctm, const Viewport& vp,
              const Geometry* user, Json* art);
  void Clip(xmlNodePtr clip, xmlNodePtr n, const Matrix& ctm, const Viewport& vp,
            const Geometry* user, Json* art);
  // The geometry of what `n` (in its computed style `s`) holds, in its user space: what
  // its bounding box is taken from. False when it holds none or more than can be walked.
  bool BoxGeometry(xmlNodePtr n, const Style& s, const Viewport& vp, Geometry* out);
  struct BoxWalk {
    int elements = 0, depth = 0;
    bool over = false;
  };
  void OwnBox(xmlNodePtr n, const Style& s, const Matrix& m, const Viewport& vp, BoxWalk* walk,
              Geometry* out);
  void ChildBox(xmlNodePtr c, const Style& parent, const Matrix& m, const Viewport& vp,
                BoxWalk* walk, Geometry* out);
  void ViewportBox(xmlNodePtr n, xmlNodePtr sizeFrom, const Style& s, const Matrix& m,
                   const Viewport& vp, BoxWalk* walk, Geometry* out);
  // Whether a child of a switch applies (the first that does is drawn).
  static bool SwitchApplies(xmlNodePtr c);
  // Wraps `art` in a clipping group of the viewport rectangle x, y, w, h (in the space of
  // `ctm`) unless all of it lies inside.
  void ViewportClip(const Matrix& ctm, double x, double y, double w, double h, Json* art);
  // svg_reader_marker.cpp: the markers of a path, line, polyline or polygon drawn as art
  // at its vertices; `art` becomes a group of the shape and its markers. Reports markers
  // on other shapes.
  void Markers(xmlNodePtr n, const Style& s, const Matrix& ctm, const Geometry& user, Json* art);

  // context-fill and context-stroke: the fill and stroke of the element a use or a marker
  // draws for (none outside of one), currentColor resolved in that element's colour.
  struct ContextPaint {
    Paint fill{Paint::kNone}, stroke{Paint::kNone};
  };
  class ContextScope {
   public:
    ContextScope(Reader* reader, const Style& of);
    ~ContextScope() { reader_->context_ = saved_; }
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;

   private:
    Reader* reader_;
    ContextPaint saved_;
  };

  // Reports.
  void Note(xmlNodePtr at, const std::string& what);
  void Drop(const std::string& kind) { ++report_->dropped[kind]; }
  bool Budget(std::size_t segments, xmlNodePtr at);
  // Counts more points of art already counted; false (and a note) when over the limit.
  bool BudgetPoints(std::size_t segments, xmlNodePtr at);
  std::size_t PointsLeft() const;
  Json ArtOut(const Matrix& ctm) const;

 public:
  // Helpers shared by the reader's files.
  static bool IsSvg(xmlNodePtr n);
  static bool Named(xmlNodePtr n, const char* name) {
    return IsSvg(n) && std::string(reinterpret_cast<const char*>(n->name)) == name;
  }
  static std::string Attr(xmlNodePtr n, const char* name);
  static bool HasAttr(xmlNodePtr n, const char* name);
  static std::string Href(xmlNodePtr n);
  static std::string OwnText(xmlNodePtr n);
  static std::string Trim(const std::string& s);
  Pt Page(Pt p) const { return {p.x + origin_.x, height_ - p.y + origin_.y}; }
  Matrix PageMatrix(const Matrix& m) const {
    return {m.a, -m.b, m.c, -m.d, m.e + origin_.x, height_ - m.f + origin_.y};
  }

 private:
  xmlDocPtr doc_;
  std::string file_;
  SvgReadOptions options_;
  SvgReport* report_ = nullptr;
  std::map<std::string, xmlNodePtr> ids_;
  std::vector<CssRule> rules_;
  // The rules by what their rightmost compound selects (an id, else a class, else an
  // element name, else any element), as indices into rules_: an element is matched only
  // against the rules that could select it.
  std::unordered_map<std::string, std::vector<std::size_t>> rulesById_, rulesByClass_, rulesByType_;
  std::vector<std::size_t> rulesAny_;
  Json gradients_ = Json::array();
  std::set<std::string> gradientNames_;
  std::map<xmlNodePtr, std::string> gradientOf_;  // gradient element → scene name
  // A gradient laid out over periods (reflect, repeat): element, first period, count.
  std::map<std::tuple<xmlNodePtr, long, long>, std::string> spreadOf_;
  Json documentKeys_ = Json::object();
  std::set<xmlNodePtr> activeUses_;
  ContextPaint context_;
  std::set<xmlNodePtr> activeClips_;
  // svg_reader_pattern.cpp: host patterns made of SVG patterns, by name.
  Json patterns_ = Json::array();
  std::set<std::string> patternNames_;
  std::map<std::string, std::string> patternOf_;  // a pattern and its tile → its name
  // The svg element a use draws, and that use (its width and height size the viewport).
  std::pair<xmlNodePtr, xmlNodePtr> svgUse_{nullptr, nullptr};
  std::set<xmlNodePtr> iccNoted_;        // elements whose ICC colour was noted
  std::set<xmlNodePtr> activePatterns_;  // clip paths being applied (a reference back is left out)
  std::set<std::string> artIds_;         // the scene ids given so far
  std::unique_ptr<svg_check::KeysCheck> keysCheck_;  // made when the first keys are met
  const Matrix* drawCtm_ = nullptr;  // the transform of the parent of the element drawn
  double height_ = 0;                // the artboard's height in points
  double width_ = 0;
  svg_check::PageOrigin origin_;  // the artwork point at the page's bottom-left corner
  Matrix root_;                   // root user space → points (y down)
  Viewport rootViewport_;
  Viewport vp_;  // the viewport of the element being read
  std::size_t segments_ = 0, objects_ = 0;
  bool overBudget_ = false;
  xmlNodePtr counted_ = nullptr;  // an element a use repeats, counted before its art
  std::size_t pixels_ = 0;        // the pixels of the pictures read so far
  int picturesOver_ = 0;          // pictures left out for the pixel limit, not yet noted
  xmlNodePtr pictureOverAt_ = nullptr;
  int useDepth_ = 0;
  int depth_ = 0;      // elements being read, one inside the other
  int symbolUse_ = 0;  // inside a use of a symbol
  bool drawsOther_ = false;
  int markerDepth_ = 0;  // inside a marker's content
  int quiet_ = 0;        // reading again what was read: no notes
};

}  // namespace hostsim::svg_in
