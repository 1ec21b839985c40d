// Drawing documents onto targets: pictures (PNG, SVG), the document window, the art-drawing suite.
#include <cairo-svg.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

#include "hostsim/core/file_output.h"
#include "hostsim/drawing/png_output.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/drawing/renderer_p.h"

namespace hostsim {
namespace {

using render::ToCairo;

void PaintLayers(cairo_t* cr, Document& document) {
  const std::vector<Layer*>& layers = document.layers();
  for (auto it = layers.rbegin(); it != layers.rend(); ++it)
    if ((*it)->visible) PaintArt(cr, document, (*it)->group);
}

cairo_status_t AppendText(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

namespace {

// Grows `bounds` (the art's ArtBounds) to its ink, stroking on `cr` (user space artwork
// coordinates, no path).
void GrowToInk(cairo_t* cr, Document& document, Art* art, host::RealRect* bounds) {
  bool any = true;
  auto grow = [&](Art* inner) {
    host::RealRect r;
    if (ArtBounds(document, inner, &r)) {
      GrowToInk(cr, document, inner, &r);
      UnionRect(bounds, r, &any);
    }
  };
  std::vector<const Art*> paths;
  if (art->type == host::kPathArt) {
    paths.push_back(art);
  } else if (art->type == host::kCompoundPathArt) {
    for (const Art* child : art->children)
      if (child->alive && child->type == host::kPathArt) paths.push_back(child);
  } else if (art->type == host::kGroupArt) {
    // A clipping group shows no more than its clip.
    for (const Art* child : art->children)
      if (art->clipped && child->style.clip &&
          (child->type == host::kPathArt || child->type == host::kCompoundPathArt))
        return;
    for (Art* child : art->children)
      grow(child);
    return;
  } else if (art->type == host::kPluginArt && art->plugin.resultArt) {
    grow(art->plugin.resultArt);
    return;
  }
  // A stroke as the renderer strokes it (a compound path with its topmost path's). Cairo
  // holds coordinates to about 8 million: art beyond keeps its ArtBounds.
  if (paths.empty()) return;
  const host::PathStyle& style = paths.front()->style;
  constexpr double kReach = 1e6;
  if (!style.strokePaint || !(style.stroke.width > 0) || !(style.stroke.width < kReach) ||
      !(std::fabs(bounds->left) < kReach && std::fabs(bounds->right) < kReach &&
        std::fabs(bounds->top) < kReach && std::fabs(bounds->bottom) < kReach))
    return;
  cairo_new_path(cr);
  for (const Art* p : paths)
    render::AppendPath(cr, *p);
  render::SetStroke(cr, style.stroke);
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  cairo_stroke_extents(cr, &x0, &y0, &x1, &y1);
  cairo_new_path(cr);
  if (cairo_status(cr) == CAIRO_STATUS_SUCCESS && x1 > x0 && y1 > y0 &&
      std::isfinite(x0 + y0 + x1 + y1))
    UnionRect(bounds,
              {static_cast<host::Real>(x0), static_cast<host::Real>(y1),
               static_cast<host::Real>(x1), static_cast<host::Real>(y0)},
              &any);
}

}  // namespace

bool InkBounds(Document& document, Art* art, host::RealRect* bounds) {
  if (!ArtBounds(document, art, bounds)) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  cairo_t* cr = cairo_create(surface);
  GrowToInk(cr, document, art, bounds);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return true;
}

host::RealRect DocumentArea(Document& document, double margin) {
  host::RealRect area{};
  bool any = false;
  for (Layer* layer : document.layers()) {
    if (!layer->visible) continue;
    host::RealRect r;
    if (InkBounds(document, layer->group, &r)) UnionRect(&area, r, &any);
  }
  if (!any) return {0, 100, 100, 0};
  const auto m = static_cast<host::Real>(margin);
  return {area.left - m, area.top + m, area.right + m, area.bottom - m};
}

namespace {

// Sets `cr` up to draw artwork `area` at `scale` with the top-left corner at (0, 0).
void ArtworkToDevice(cairo_t* cr, const host::RealRect& area, double scale) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, scale, 0, 0, -scale, -area.left * scale, area.top * scale);
  cairo_transform(cr, &m);
}

// The largest picture side in pixels.
constexpr double kMaxPictureSide = 8192;

// The picture's size and its pixels per point: the scale asked for (or the one that makes
// the longer side `longSide` pixels), made smaller when the area would not fit the
// largest picture at it, so that the picture always shows the whole area. False when the
// area is not a finite rectangle.
bool PictureSize(const host::RealRect& area, double requested, int longSide, int* w, int* h,
                 double* scale) {
  const double width = static_cast<double>(area.right) - area.left;
  const double height = static_cast<double>(area.top) - area.bottom;
  *scale = requested > 0 ? requested : 1.0;
  if (!std::isfinite(width) || !std::isfinite(height)) {
    *w = *h = 1;
    return false;
  }
  const double longest = std::max(width, height);
  if (longSide > 0 && longest > 0)
    *scale = std::min(static_cast<double>(longSide), kMaxPictureSide) / longest;
  const double widest = longest * *scale;
  if (widest > kMaxPictureSide) *scale *= kMaxPictureSide / widest;
  // A side the scale was worked out from is that many pixels, not one more for the
  // division's last bit.
  const double slack = longSide > 0 ? 1e-6 : 0;
  auto side = [&](double points) {
    return static_cast<int>(std::clamp(std::ceil(points * *scale - slack), 1.0, kMaxPictureSide));
  };
  *w = side(width);
  *h = side(height);
  return true;
}

}  // namespace

std::unique_ptr<Bitmap> RenderDocument(Document& document, const RenderOptions& options) {
  const host::RealRect area = options.area ? *options.area : DocumentArea(document, options.margin);
  int w = 0, h = 0;
  double scale = 1.0;
  PictureSize(area, options.scale, options.longSide, &w, &h, &scale);
  auto bitmap = std::make_unique<Bitmap>(w, h, options.background.value_or(0xFFFFFF));
  bitmap->BeginCairo();
  cairo_t* cr = cairo_create(bitmap->surface());
  ArtworkToDevice(cr, area, scale);
  PaintLayers(cr, document);
  cairo_destroy(cr);
  bitmap->EndCairo();
  return bitmap;
}

bool RenderDocumentToFile(Document& document, const std::string& path, const RenderOptions& options,
                          std::string* error) {
  auto endsWith = [&](const char* ext) { return HasExtension(path, ext); };
  const host::RealRect area = options.area ? *options.area : DocumentArea(document, options.margin);
  int w = 0, h = 0;
  double scale = 1.0;
  if (!PictureSize(area, options.scale, options.longSide, &w, &h, &scale)) {
    if (error) *error = path + ": the document's art has no finite bounds to draw";
    return false;
  }
  if (endsWith(".png") && options.background) {
    RenderOptions fixed = options;
    fixed.area = area;
    std::unique_ptr<Bitmap> picture = RenderDocument(document, fixed);
    return picture->WritePng(path, error);
  }
  if (endsWith(".png")) {
    // No background: the art on transparent pixels, written with its alpha channel.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    ArtworkToDevice(cr, area, scale);
    PaintLayers(cr, document);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const bool written = WritePngFile(surface, path, error);
    cairo_surface_destroy(surface);
    return written;
  }
  if (endsWith(".svg")) {
    // Drawn into memory, then written as any output is: never into the file in place.
    std::string text;
    cairo_surface_t* surface = cairo_svg_surface_create_for_stream(AppendText, &text, w, h);
    cairo_t* cr = cairo_create(surface);
    if (options.background) {
      const std::uint32_t rgb = *options.background;
      cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                           (rgb & 0xFF) / 255.0);
      cairo_paint(cr);
    }
    ArtworkToDevice(cr, area, scale);
    PaintLayers(cr, document);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
      if (error) *error = "cannot write " + path + ": " + cairo_status_to_string(status);
      return false;
    }
    return WriteFileAtomically(path, text, error);
  }
  if (error) *error = path + ": the picture must be a .png or .svg file";
  return false;
}

void RenderView(Document& document, const View& view, Bitmap* target, const host::Rect& client) {
  target->BeginCairo();
  cairo_t* cr = cairo_create(target->surface());
  cairo_rectangle(cr, client.left, client.top, client.right - client.left,
                  client.bottom - client.top);
  cairo_clip(cr);
  cairo_translate(cr, client.left, client.top);
  const double zoom = view.zoom > 0 ? view.zoom : 1.0;
  ArtworkToDevice(cr, {view.origin.h, view.origin.v, 0, 0}, zoom);
  PaintLayers(cr, document);
  cairo_destroy(cr);
  target->EndCairo();
}

void DrawArtToPort(Document& document, Art* art, Bitmap* target, host::Point origin,
                   const host::Rect& clip, const host::DrawArtData& data) {
  const host::Rect& pr = data.portRect;
  target->BeginCairo();
  cairo_t* cr = cairo_create(target->surface());
  cairo_rectangle(cr, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
  cairo_clip(cr);
  cairo_translate(cr, origin.h, origin.v);
  cairo_rectangle(cr, pr.left, pr.top, pr.right - pr.left, pr.bottom - pr.top);
  cairo_clip(cr);
  // Artwork → port: from the origin, the vertical axis turned downward, then the matrix,
  // then to the port rectangle's top-left corner.
  cairo_translate(cr, pr.left, pr.top);
  cairo_matrix_t m = ToCairo(data.matrix);
  cairo_transform(cr, &m);
  cairo_scale(cr, 1, -1);
  cairo_translate(cr, -data.origin.h, -data.origin.v);
  PaintArt(cr, document, art, data.greekThreshold);
  cairo_destroy(cr);
  target->EndCairo();
}

}  // namespace hostsim
