// The art renderer: the painter that draws art of every kind onto Cairo as the host shows it.
#include "hostsim/drawing/renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "hostsim/core/suite_impl.h"
#include "hostsim/drawing/renderer_p.h"
#include "hostsim/drawing/text_layout.h"

namespace hostsim {

bool PlainColor(const Document& document, const host::Color& c, PlainRgb* out) {
  switch (c.kind) {
    case host::kGrayColor:
      *out = {1 - c.c.gray.gray, 1 - c.c.gray.gray, 1 - c.c.gray.gray};
      return true;
    case host::kProcessColor: {
      const host::ProcessColor& p = c.c.process;
      *out = {(1 - p.cyan) * (1 - p.black), (1 - p.magenta) * (1 - p.black),
              (1 - p.yellow) * (1 - p.black)};
      return true;
    }
    case host::kRgbColor:
      *out = {c.c.rgb.red, c.c.rgb.green, c.c.rgb.blue};
      return true;
    case host::kCustomColor: {
      const CustomColor* custom = document.CustomColorFrom(c.c.custom.color);
      PlainRgb full{0, 0, 0};
      if (custom) {
        const host::CustomColorDefinition& d = custom->definition;
        host::Color base{};
        if (d.kind == host::kCustomProcessDefinition) {
          base.kind = host::kProcessColor;
          base.c.process = d.c.process;
        } else {
          base.kind = host::kRgbColor;
          base.c.rgb = d.kind == host::kCustomRgbDefinition
                           ? d.c.rgb
                           : host::RgbColor{d.c.other[0], d.c.other[1], d.c.other[2]};
        }
        PlainColor(document, base, &full);
        const double tint = std::clamp(static_cast<double>(c.c.custom.tint), 0.0, 1.0);
        full = {1 - tint * (1 - full.r), 1 - tint * (1 - full.g), 1 - tint * (1 - full.b)};
      }
      *out = full;
      return true;
    }
    default:
      return false;
  }
}

namespace render {

void AppendPath(cairo_t* cr, const Art& path) {
  const std::vector<host::PathSegment>& s = path.segments;
  if (s.empty() || !path.alive) return;
  cairo_move_to(cr, s[0].anchor.h, s[0].anchor.v);
  for (std::size_t k = 1; k < s.size(); ++k)
    cairo_curve_to(cr, s[k - 1].out.h, s[k - 1].out.v, s[k].in.h, s[k].in.v, s[k].anchor.h,
                   s[k].anchor.v);
  if (path.closed && s.size() > 1) {
    cairo_curve_to(cr, s.back().out.h, s.back().out.v, s[0].in.h, s[0].in.v, s[0].anchor.h,
                   s[0].anchor.v);
    cairo_close_path(cr);
  }
}

void SetStroke(cairo_t* cr, const host::StrokeStyle& s) {
  cairo_set_line_width(cr, s.width);
  cairo_set_line_cap(cr, s.cap == 1   ? CAIRO_LINE_CAP_ROUND
                         : s.cap == 2 ? CAIRO_LINE_CAP_SQUARE
                                      : CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, s.join == 1   ? CAIRO_LINE_JOIN_ROUND
                          : s.join == 2 ? CAIRO_LINE_JOIN_BEVEL
                                        : CAIRO_LINE_JOIN_MITER);
  cairo_set_miter_limit(cr, s.miterLimit > 1 ? s.miterLimit : 1);
  const int n = std::clamp(s.dash.length, 0, host::kMaxDashComponents);
  double dashes[host::kMaxDashComponents];
  bool positive = false;
  for (int i = 0; i < n; ++i) {
    dashes[i] = std::max(0.0, static_cast<double>(s.dash.array[i]));
    positive = positive || dashes[i] > 0;
  }
  cairo_set_dash(cr, dashes, positive ? n : 0, s.dash.offset);
}

}  // namespace render

namespace {

constexpr double kPi = 3.14159265358979323846;

using render::ToCairo;

using Rgb = PlainRgb;

void Clamp(Rgb* c) {
  c->r = std::clamp(c->r, 0.0, 1.0);
  c->g = std::clamp(c->g, 0.0, 1.0);
  c->b = std::clamp(c->b, 0.0, 1.0);
}

class Painter {
 public:
  Painter(cairo_t* cr, Document& document, double greekThreshold)
      : cr_(cr), doc_(document), greek_(greekThreshold) {}

  void Paint(Art* art) {
    if (!art || !art->alive || (art->attributes & host::kArtHidden)) return;
    if (art->effect.shadow && !inStyled_) {
      Art* styled = doc_.StyledArtOf(art);
      inStyled_ = true;
      Paint(styled);
      inStyled_ = false;
      return;
    }
    const BlendState& b = art->blend;
    const double opacity = static_cast<double>(b.opacity) * CompoundPathOpacity(art);
    const bool blended = opacity < 1.0 || b.mode != 0;
    if (!blended) {
      PaintContent(art);
      return;
    }
    const double alpha = std::clamp(opacity, 0.0, 1.0);
    if (Vector()) {
      // Groups become recording surfaces on vector output, which the SVG writer does not
      // free; the art goes in as an image instead.
      if (cairo_pattern_t* image = ArtImage(art)) {
        cairo_save(cr_);
        cairo_set_source(cr_, image);
        cairo_set_operator(cr_, Operator(b.mode));
        cairo_paint_with_alpha(cr_, alpha);
        cairo_restore(cr_);
        cairo_pattern_destroy(image);
      }
      return;
    }
    cairo_push_group(cr_);
    PaintContent(art);
    cairo_pop_group_to_source(cr_);
    cairo_save(cr_);
    cairo_set_operator(cr_, Operator(b.mode));
    cairo_paint_with_alpha(cr_, alpha);
    cairo_restore(cr_);
  }

 private:
  bool Vector() const {
    return cairo_surface_get_type(cairo_get_target(cr_)) != CAIRO_SURFACE_TYPE_IMAGE;
  }

  // Twice the device pixels per user unit, at least 2.
  double ImageScale() const {
    cairo_matrix_t ctm;
    cairo_get_matrix(cr_, &ctm);
    return std::max(std::sqrt(std::fabs(ctm.xx * ctm.yy - ctm.xy * ctm.yx)), 1.0) * 2;
  }

  // The art without its transparency, drawn into an image, as a pattern in user space
  // whose extend is none; null when it covers nothing.
  cairo_pattern_t* ArtImage(Art* art) {
    host::RealRect box;
    if (!ArtBounds(doc_, art, &box)) return nullptr;
    const double grow = 10 + std::fabs(art->effect.offset.h) + std::fabs(art->effect.offset.v);
    const double x0 = box.left - grow, y1 = box.top + grow;
    const double k = ImageScale();
    const int w = static_cast<int>(std::ceil((box.right + grow - x0) * k));
    const int h = static_cast<int>(std::ceil((y1 - (box.bottom - grow)) * k));
    if (w <= 0 || h <= 0 || w > 4096 || h > 4096) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* icr = cairo_create(surface);
    cairo_matrix_t toImage;
    cairo_matrix_init(&toImage, k, 0, 0, -k, -x0 * k, y1 * k);
    cairo_set_matrix(icr, &toImage);
    Painter inner(icr, doc_, greek_);
    inner.depth_ = depth_;
    inner.inStyled_ = inStyled_;
    inner.PaintContent(art);
    cairo_destroy(icr);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_surface_destroy(surface);
    cairo_pattern_set_matrix(pattern, &toImage);
    return pattern;
  }

  void PaintContent(Art* art) {
    switch (art->type) {
      case host::kGroupArt:
        PaintGroup(art);
        break;
      case host::kPathArt:
        if (!art->guide) PaintShape({art}, art->style);
        break;
      case host::kCompoundPathArt: {
        std::vector<const Art*> paths;
        for (const Art* child : art->children)
          if (child->alive && child->type == host::kPathArt) paths.push_back(child);
        if (!paths.empty()) PaintShape(paths, paths.front()->style);
        break;
      }
      case host::kTextArt:
        PaintText(art);
        break;
      case host::kRasterArt:
        PaintRaster(art->raster);
        break;
      case host::kMeshArt:
        PaintMesh(art->mesh);
        break;
      case host::kPluginArt:
        Paint(art->plugin.resultArt);
        break;
      case host::kPlacedArt:
        PaintPlaced(art->placedBounds);
        break;
      default:
        break;
    }
  }

  static cairo_operator_t Operator(std::int32_t mode) {
    static const cairo_operator_t ops[] = {
        CAIRO_OPERATOR_OVER,          CAIRO_OPERATOR_MULTIPLY,       CAIRO_OPERATOR_SCREEN,
        CAIRO_OPERATOR_OVERLAY,       CAIRO_OPERATOR_SOFT_LIGHT,     CAIRO_OPERATOR_HARD_LIGHT,
        CAIRO_OPERATOR_COLOR_DODGE,   CAIRO_OPERATOR_COLOR_BURN,     CAIRO_OPERATOR_DARKEN,
        CAIRO_OPERATOR_LIGHTEN,       CAIRO_OPERATOR_DIFFERENCE,     CAIRO_OPERATOR_EXCLUSION,
        CAIRO_OPERATOR_HSL_HUE,       CAIRO_OPERATOR_HSL_SATURATION, CAIRO_OPERATOR_HSL_COLOR,
        CAIRO_OPERATOR_HSL_LUMINOSITY};
    return mode >= 0 && mode <= kLastBlendMode ? ops[mode] : CAIRO_OPERATOR_OVER;
  }

  // A compound path is painted with its topmost path's paint and, with its own, that
  // path's opacity; 1 for other art.
  static double CompoundPathOpacity(const Art* a) {
    if (a->type != host::kCompoundPathArt) return 1.0;
    for (const Art* c : a->children)
      if (c->alive && c->type == host::kPathArt) return c->blend.opacity;
    return 1.0;
  }

  static bool IsClipPath(const Art* a) {
    return (a->type == host::kPathArt || a->type == host::kCompoundPathArt) && a->alive &&
           StyleClip(a);
  }
  static bool StyleClip(const Art* a) {
    if (a->type == host::kCompoundPathArt) {
      for (const Art* c : a->children)
        if (c->type == host::kPathArt) return c->style.clip != 0;
      return false;
    }
    return a->style.clip != 0;
  }

  // A clipping path's outline on the current path, and whether it is filled even-odd (a
  // compound path by the rule of its last path).
  bool AppendClip(const Art* clip) {
    if (clip->type == host::kPathArt) {
      AppendPath(clip);
      return clip->style.evenOdd;
    }
    bool evenOdd = false;
    for (Art* sub : clip->children) {
      AppendPath(sub);
      evenOdd = sub->style.evenOdd;
    }
    return evenOdd;
  }

  void PaintGroup(Art* group) {
    std::vector<Art*> clips;
    if (group->clipped)
      for (Art* child : group->children)
        if (IsClipPath(child)) clips.push_back(child);
    cairo_save(cr_);
    // Several clipping paths clip to their union, each by its own fill rule: drawn as a
    // mask, since a clip of the device only narrows.
    cairo_pattern_t* mask = nullptr;
    if (clips.size() == 1) {
      cairo_new_path(cr_);
      const bool evenOdd = AppendClip(clips.front());
      cairo_set_fill_rule(cr_, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
      cairo_clip(cr_);
    } else if (clips.size() > 1) {
      cairo_push_group_with_content(cr_, CAIRO_CONTENT_ALPHA);
      cairo_set_source_rgba(cr_, 0, 0, 0, 1);
      for (Art* clip : clips) {
        cairo_new_path(cr_);
        const bool evenOdd = AppendClip(clip);
        cairo_set_fill_rule(cr_, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
        cairo_fill(cr_);
      }
      mask = cairo_pop_group(cr_);
      cairo_push_group(cr_);
    }
    // Children are listed topmost first: paint from the bottom up.
    for (auto it = group->children.rbegin(); it != group->children.rend(); ++it)
      if (clips.empty() || std::find(clips.begin(), clips.end(), *it) == clips.end()) Paint(*it);
    if (mask) {
      cairo_pop_group_to_source(cr_);
      cairo_mask(cr_, mask);
      cairo_pattern_destroy(mask);
    }
    cairo_restore(cr_);
  }

  void AppendPath(const Art* path) { render::AppendPath(cr_, *path); }

  // Makes `color` the source; false when it paints nothing.
  bool SetSource(const host::Color& color) {
    Rgb rgb;
    if (PlainColor(doc_, color, &rgb)) {
      Clamp(&rgb);
      cairo_set_source_rgb(cr_, rgb.r, rgb.g, rgb.b);
      return true;
    }
    if (color.kind == host::kGradientColor) return SetGradient(color.c.gradient);
    if (color.kind == host::kPatternColor) return SetPattern(color.c.pattern);
    return false;
  }

  void AddStop(cairo_pattern_t* p, double offset, const host::Color& c) {
    Rgb rgb;
    if (!PlainColor(doc_, c, &rgb)) rgb = {0, 0, 0};
    Clamp(&rgb);
    cairo_pattern_add_color_stop_rgb(p, std::clamp(offset, 0.0, 1.0), rgb.r, rgb.g, rgb.b);
  }

  bool SetGradient(const host::GradientStyle& g) {
    const Gradient* gradient = doc_.GradientFrom(g.gradient);
    if (!gradient || gradient->stops.empty()) return false;
    const std::vector<host::GradientStop>& stops = gradient->stops;
    // The gradient matrix maps gradient space to artwork; a pattern's matrix maps back.
    cairo_matrix_t m = ToCairo(g.matrix);
    if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) {
      AddStopSolid(stops.front().color);
      return true;
    }
    // Pixels are shaded in 16.16 fixed point in gradient space: a nearly flat gradient
    // matrix puts what shows of the page far out there, past that range, and the drawing
    // fails as a whole. Gradient space is scaled down until it fits (the colours stay:
    // they depend on ratios alone).
    const double k = GradientSpaceFit(m);
    if (!(k > 0)) {
      AddStopSolid(stops.back().color);
      return true;
    }
    const double angle = g.angle * kPi / 180.0;
    const double ox = g.origin.h * k, oy = g.origin.v * k, length = g.length * k;
    cairo_pattern_t* p = nullptr;
    if (gradient->type == host::kRadialGradient) {
      const double ha = g.hiliteAngle * kPi / 180.0, hl = g.hiliteLength * length;
      p = cairo_pattern_create_radial(ox + hl * std::cos(ha), oy + hl * std::sin(ha), 0, ox, oy,
                                      std::fabs(length));
    } else {
      p = cairo_pattern_create_linear(ox, oy, ox + length * std::cos(angle),
                                      oy + length * std::sin(angle));
    }
    for (std::size_t i = 0; i < stops.size(); ++i) {
      const double at = stops[i].rampPoint / 100.0;
      AddStop(p, at, stops[i].color);
      // A mid point other than halfway: the even mix of the two colours lies there.
      if (i + 1 < stops.size() && stops[i].midPoint != 50.0f) {
        const double next = stops[i + 1].rampPoint / 100.0;
        Rgb a, b;
        if (!PlainColor(doc_, stops[i].color, &a)) a = {};
        if (!PlainColor(doc_, stops[i + 1].color, &b)) b = {};
        Rgb mid{(a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2};
        Clamp(&mid);
        cairo_pattern_add_color_stop_rgb(
            p, std::clamp(at + (next - at) * stops[i].midPoint / 100.0, 0.0, 1.0), mid.r, mid.g,
            mid.b);
      }
    }
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_matrix_t scaled;
    cairo_matrix_init_scale(&scaled, k, k);
    cairo_matrix_multiply(&m, &m, &scaled);
    cairo_pattern_set_matrix(p, &m);
    cairo_set_source(cr_, p);
    cairo_pattern_destroy(p);
    return true;
  }

  // The factor (at most 1) that brings the gradient-space points of what can show (the
  // clip's extents, through `toGradient`) within the range the shading is exact in; 0
  // when no factor does (a gradient flatter than any pixel, or a point not finite).
  double GradientSpaceFit(const cairo_matrix_t& toGradient) const {
    constexpr double kRange = 8192;  // well inside 16.16 fixed point's 32767
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
    double farthest = 0;
    for (double x : {x1, x2})
      for (double y : {y1, y2}) {
        double gx = x, gy = y;
        cairo_matrix_transform_point(&toGradient, &gx, &gy);
        farthest = std::max({farthest, std::fabs(gx), std::fabs(gy)});
      }
    if (!std::isfinite(farthest)) return 0;
    if (farthest <= kRange) return 1;
    const double k = kRange / farthest;
    return k > 1e-12 ? k : 0;
  }

  void AddStopSolid(const host::Color& c) {
    Rgb rgb;
    if (!PlainColor(doc_, c, &rgb)) rgb = {};
    Clamp(&rgb);
    cairo_set_source_rgb(cr_, rgb.r, rgb.g, rgb.b);
  }

  bool SetPattern(const host::PatternStyle& ps) {
    const Pattern* pattern = doc_.PatternFrom(ps.pattern);
    if (!pattern || !pattern->art || depth_ > 8) return false;
    host::RealRect box;
    if (!ArtBounds(doc_, pattern->art, &box)) return false;
    const double w = box.right - box.left, h = box.top - box.bottom;
    if (w <= 0 || h <= 0) return false;
    // The tile: the pattern's art with its bounds' bottom-left at the tile's origin; an
    // image on vector output (which does not free recording surfaces). A tile repeats at
    // whole units of its surface, so the art is scaled to fill a whole number of them
    // along each side (sx, sy units a point): the period stays the pattern's, exactly.
    const double k = Vector() ? ImageScale() : 64.0;
    const double tw = std::max(1.0, std::round(w * k)), th = std::max(1.0, std::round(h * k));
    const double sx = tw / w, sy = th / h;
    cairo_surface_t* tile = nullptr;
    if (Vector()) {
      if (tw > 4096 || th > 4096) return false;
      tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(tw),
                                        static_cast<int>(th));
    } else {
      cairo_rectangle_t extents{0, 0, tw, th};
      tile = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
    }
    cairo_t* tcr = cairo_create(tile);
    cairo_matrix_t flip;
    cairo_matrix_init(&flip, sx, 0, 0, -sy, -box.left * sx, box.top * sy);
    cairo_set_matrix(tcr, &flip);
    Painter inner(tcr, doc_, greek_);
    inner.depth_ = depth_ + 1;
    inner.Paint(pattern->art);
    cairo_destroy(tcr);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(tile);
    cairo_surface_destroy(tile);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
    // Tile coordinates (y up) to artwork through the pattern's transform; the pattern's
    // matrix maps artwork back to the tile surface (y down).
    cairo_matrix_t toTile = ToCairo(ps.transform);
    if (cairo_matrix_invert(&toTile) != CAIRO_STATUS_SUCCESS) cairo_matrix_init_identity(&toTile);
    cairo_matrix_t down;
    cairo_matrix_init(&down, sx, 0, 0, -sy, 0, h * sy);
    cairo_matrix_t m;
    cairo_matrix_multiply(&m, &toTile, &down);
    cairo_pattern_set_matrix(p, &m);
    cairo_set_source(cr_, p);
    cairo_pattern_destroy(p);
    return true;
  }

  void PaintShape(const std::vector<const Art*>& paths, const host::PathStyle& style) {
    if (style.clip && !style.fillPaint && !style.strokePaint) return;
    cairo_save(cr_);
    cairo_new_path(cr_);
    for (const Art* p : paths)
      AppendPath(p);
    if (style.fillPaint && SetSource(style.fill.color)) {
      cairo_set_fill_rule(cr_, style.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
      cairo_fill_preserve(cr_);
    }
    if (style.strokePaint && style.stroke.width > 0 && SetSource(style.stroke.color)) {
      render::SetStroke(cr_, style.stroke);
      cairo_stroke_preserve(cr_);
    }
    cairo_new_path(cr_);
    cairo_restore(cr_);
  }

  void PaintText(const Art* text) {
    for (const PlacedChar& c : LayoutText(*text)) {
      const TextAttributes& a = *c.attributes;
      cairo_save(cr_);
      cairo_matrix_t m = ToCairo(c.placement);
      cairo_transform(cr_, &m);
      double dx = 0, dy = c.size;
      cairo_user_to_device_distance(cr_, &dx, &dy);
      if (greek_ > 0 && std::hypot(dx, dy) < greek_) {
        // Too small to read: a grey bar where the character stands.
        cairo_rectangle(cr_, 0, 0, c.advance, c.size * 0.5);
        cairo_set_source_rgb(cr_, 0.6, 0.6, 0.6);
        cairo_fill(cr_);
        cairo_restore(cr_);
        continue;
      }
      SelectFace(cr_, a.font);
      const double hs = a.character.horizontalScale > 0 ? a.character.horizontalScale : 1.0;
      const double vs = a.character.verticalScale > 0 ? a.character.verticalScale : 1.0;
      cairo_matrix_t font;
      cairo_matrix_init(&font, c.size * hs, 0, 0, -c.size * vs, 0, 0);
      cairo_set_font_matrix(cr_, &font);
      cairo_new_path(cr_);
      cairo_move_to(cr_, 0, 0);
      cairo_text_path(cr_, c.utf8.c_str());
      if (a.paint.fillPaint && SetSource(a.paint.fill.color)) cairo_fill_preserve(cr_);
      if (a.paint.strokePaint && a.paint.stroke.width > 0 && SetSource(a.paint.stroke.color)) {
        cairo_set_line_width(cr_, a.paint.stroke.width);
        cairo_stroke_preserve(cr_);
      }
      cairo_new_path(cr_);
      cairo_restore(cr_);
    }
  }

  void PaintRaster(const RasterData& r) {
    const int w = r.width(), h = r.height(), channels = r.channels();
    if (w <= 0 || h <= 0 || channels == 0 ||
        r.pixels.size() < static_cast<std::size_t>(w) * h * channels)
      return;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* p = &r.pixels[static_cast<std::size_t>(y) * r.info.byteWidth +
                                          static_cast<std::size_t>(x) * channels];
        unsigned a = 255, red = 0, green = 0, blue = 0;
        switch (r.info.colorSpace) {
          case kRasterGray:
            red = green = blue = p[0];
            break;
          case kRasterRgb:
            red = p[0], green = p[1], blue = p[2];
            break;
          case kRasterCmyk:
            red = (255 - p[0]) * (255 - p[3]) / 255;
            green = (255 - p[1]) * (255 - p[3]) / 255;
            blue = (255 - p[2]) * (255 - p[3]) / 255;
            break;
          default:  // alpha first
            a = p[0], red = p[1] * a / 255, green = p[2] * a / 255, blue = p[3] * a / 255;
            break;
        }
        const std::uint32_t word = (a << 24) | (red << 16) | (green << 8) | blue;
        std::memcpy(data + y * stride + x * 4, &word, 4);
      }
    }
    cairo_surface_mark_dirty(image);
    cairo_save(cr_);
    cairo_matrix_t m = ToCairo(r.matrix);
    cairo_transform(cr_, &m);
    cairo_rectangle(cr_, 0, 0, w, h);
    cairo_clip(cr_);
    cairo_set_source_surface(cr_, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
    cairo_paint(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(image);
  }

  void PaintMesh(const MeshData& m) {
    if (m.i < 1 || m.j < 1 || m.nodes.size() != static_cast<std::size_t>((m.i + 1) * (m.j + 1)))
      return;
    cairo_pattern_t* p = cairo_pattern_create_mesh();
    auto corner = [&](int n, const MeshVertex& v) {
      Rgb c;
      if (!PlainColor(doc_, v.color, &c)) c = {1, 1, 1};
      Clamp(&c);
      cairo_mesh_pattern_set_corner_color_rgb(p, static_cast<unsigned>(n), c.r, c.g, c.b);
    };
    for (std::int32_t a = 0; a < m.i; ++a) {
      for (std::int32_t b = 0; b < m.j; ++b) {
        const MeshVertex &v00 = m.Node(a, b), &v10 = m.Node(a + 1, b), &v11 = m.Node(a + 1, b + 1),
                         &v01 = m.Node(a, b + 1);
        const MeshEdge& bottom = m.iEdges[static_cast<std::size_t>(a * (m.j + 1) + b)];
        const MeshEdge& top = m.iEdges[static_cast<std::size_t>(a * (m.j + 1) + b + 1)];
        const MeshEdge& left = m.jEdges[static_cast<std::size_t>(a * m.j + b)];
        const MeshEdge& right = m.jEdges[static_cast<std::size_t>((a + 1) * m.j + b)];
        cairo_mesh_pattern_begin_patch(p);
        cairo_mesh_pattern_move_to(p, v00.point.h, v00.point.v);
        cairo_mesh_pattern_curve_to(p, bottom.control[0].h, bottom.control[0].v,
                                    bottom.control[1].h, bottom.control[1].v, v10.point.h,
                                    v10.point.v);
        cairo_mesh_pattern_curve_to(p, right.control[0].h, right.control[0].v, right.control[1].h,
                                    right.control[1].v, v11.point.h, v11.point.v);
        cairo_mesh_pattern_curve_to(p, top.control[1].h, top.control[1].v, top.control[0].h,
                                    top.control[0].v, v01.point.h, v01.point.v);
        cairo_mesh_pattern_curve_to(p, left.control[1].h, left.control[1].v, left.control[0].h,
                                    left.control[0].v, v00.point.h, v00.point.v);
        corner(0, v00);
        corner(1, v10);
        corner(2, v11);
        corner(3, v01);
        cairo_mesh_pattern_end_patch(p);
      }
    }
    // Fill the patches' outlines rather than paint everywhere, so that vector output
    // keeps whatever it cannot express to the mesh's own area.
    cairo_save(cr_);
    cairo_new_path(cr_);
    for (std::int32_t a = 0; a < m.i; ++a) {
      for (std::int32_t b = 0; b < m.j; ++b) {
        const MeshVertex &v00 = m.Node(a, b), &v10 = m.Node(a + 1, b), &v11 = m.Node(a + 1, b + 1),
                         &v01 = m.Node(a, b + 1);
        const MeshEdge& bottom = m.iEdges[static_cast<std::size_t>(a * (m.j + 1) + b)];
        const MeshEdge& top = m.iEdges[static_cast<std::size_t>(a * (m.j + 1) + b + 1)];
        const MeshEdge& left = m.jEdges[static_cast<std::size_t>(a * m.j + b)];
        const MeshEdge& right = m.jEdges[static_cast<std::size_t>((a + 1) * m.j + b)];
        cairo_move_to(cr_, v00.point.h, v00.point.v);
        cairo_curve_to(cr_, bottom.control[0].h, bottom.control[0].v, bottom.control[1].h,
                       bottom.control[1].v, v10.point.h, v10.point.v);
        cairo_curve_to(cr_, right.control[0].h, right.control[0].v, right.control[1].h,
                       right.control[1].v, v11.point.h, v11.point.v);
        cairo_curve_to(cr_, top.control[1].h, top.control[1].v, top.control[0].h, top.control[0].v,
                       v01.point.h, v01.point.v);
        cairo_curve_to(cr_, left.control[1].h, left.control[1].v, left.control[0].h,
                       left.control[0].v, v00.point.h, v00.point.v);
        cairo_close_path(cr_);
      }
    }
    if (cairo_surface_get_type(cairo_get_target(cr_)) == CAIRO_SURFACE_TYPE_IMAGE) {
      cairo_set_source(cr_, p);
    } else {
      // Vector output cannot hold mesh patterns: the mesh goes in as an image.
      cairo_pattern_t* image = MeshImage(m, p);
      cairo_pattern_destroy(p);
      p = image;
      if (p) cairo_set_source(cr_, p);
    }
    if (p) cairo_fill(cr_);
    cairo_new_path(cr_);
    cairo_restore(cr_);
    if (p) cairo_pattern_destroy(p);
  }

  // The mesh drawn into an image at twice the device resolution, as a pattern in user
  // space; null when the mesh covers nothing.
  cairo_pattern_t* MeshImage(const MeshData& m, cairo_pattern_t* mesh) {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool any = false;
    auto add = [&](host::RealPoint q) {
      if (!any) x0 = x1 = q.h, y0 = y1 = q.v, any = true;
      x0 = std::min(x0, static_cast<double>(q.h)), x1 = std::max(x1, static_cast<double>(q.h));
      y0 = std::min(y0, static_cast<double>(q.v)), y1 = std::max(y1, static_cast<double>(q.v));
    };
    for (const MeshVertex& v : m.nodes)
      add(v.point);
    for (const MeshEdge& e : m.iEdges)
      add(e.control[0]), add(e.control[1]);
    for (const MeshEdge& e : m.jEdges)
      add(e.control[0]), add(e.control[1]);
    cairo_matrix_t ctm;
    cairo_get_matrix(cr_, &ctm);
    const double scale = std::sqrt(std::fabs(ctm.xx * ctm.yy - ctm.xy * ctm.yx));
    const double k = std::max(scale, 1.0) * 2;
    const int w = static_cast<int>(std::ceil((x1 - x0) * k)),
              h = static_cast<int>(std::ceil((y1 - y0) * k));
    if (!any || w <= 0 || h <= 0 || w > 4096 || h > 4096) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* icr = cairo_create(surface);
    cairo_matrix_t toImage;
    cairo_matrix_init(&toImage, k, 0, 0, -k, -x0 * k, y1 * k);
    cairo_set_matrix(icr, &toImage);
    cairo_set_source(icr, mesh);
    cairo_paint(icr);
    cairo_destroy(icr);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_surface_destroy(surface);
    cairo_pattern_set_matrix(pattern, &toImage);
    return pattern;
  }

  void PaintPlaced(const host::RealRect& r) {
    // Placed art is shown as its frame with a cross.
    cairo_save(cr_);
    cairo_rectangle(cr_, r.left, r.bottom, r.right - r.left, r.top - r.bottom);
    cairo_move_to(cr_, r.left, r.bottom);
    cairo_line_to(cr_, r.right, r.top);
    cairo_move_to(cr_, r.left, r.top);
    cairo_line_to(cr_, r.right, r.bottom);
    cairo_set_source_rgb(cr_, 0.5, 0.5, 0.5);
    cairo_set_line_width(cr_, 1);
    cairo_stroke(cr_);
    cairo_restore(cr_);
  }

  cairo_t* cr_;
  Document& doc_;
  double greek_;
  bool inStyled_ = false;
  int depth_ = 0;
};

}  // namespace

void PaintArt(cairo_t* cr, Document& document, Art* art, double greekThreshold) {
  Painter(cr, document, greekThreshold).Paint(art);
}

}  // namespace hostsim
