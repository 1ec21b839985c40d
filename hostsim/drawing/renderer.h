// The stand-in host's art renderer (Cairo): draws art as the host shows it, for the
// art-drawing suite, the document window and pictures of whole documents (PNG, SVG).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/suite_list.h"
#include "hostsim/core/document.h"
#include "hostsim/drawing/bitmap.h"

namespace hostsim {

struct RenderOptions {
  // The artwork area the picture shows; unset: every visible art's bounds with a margin
  // of `margin` points (0, 0 to 100, 100 for an empty document).
  std::optional<host::RealRect> area;
  double margin = 10;
  // Pixels per point; made smaller where the area would not fit the largest picture
  // (8192 pixels a side) at it, so that a picture always shows the whole area.
  double scale = 1.0;
  // When above 0: the picture's longer side in pixels (at most 8192), `scale` then
  // following from it.
  int longSide = 0;
  // The colour under the art (0xRRGGBB); unset: none, a PNG then keeping an alpha channel
  // (a picture in memory, which has none, is white underneath).
  std::optional<std::uint32_t> background = 0xFFFFFF;
};

// sRGB components 0 … 1 of a plain colour kind (gray, process, RGB, custom) as the
// renderer draws it; false for kinds that are not plain colours (gradients, patterns).
struct PlainRgb {
  double r = 0, g = 0, b = 0;
};
bool PlainColor(const Document& document, const host::Color& color, PlainRgb* out);

// Draws `art` (with its children) onto `cr`, whose user space must be artwork
// coordinates. Text smaller than `greekThreshold` device pixels is drawn as grey bars.
void PaintArt(cairo_t* cr, Document& document, Art* art, double greekThreshold = 0);

// The art's bounds as the renderer inks it: ArtBounds, with each stroke as its outline
// (miter tips within the miter limit, square caps, dashes) rather than half its width
// around the path. False when the art covers nothing.
bool InkBounds(Document& document, Art* art, host::RealRect* bounds);
// The area a picture of the document shows by default: every visible art's ink bounds
// with `margin` points around.
host::RealRect DocumentArea(Document& document, double margin = 10);
// A picture of the document's visible layers on the background (white when none).
std::unique_ptr<Bitmap> RenderDocument(Document& document, const RenderOptions& options);
// Writes the picture as PNG or SVG, chosen by the file name's extension (".png",
// ".svg"); false with a message when it cannot (or the area is not finite).
bool RenderDocumentToFile(Document& document, const std::string& path, const RenderOptions& options,
                          std::string* error);
// Draws the document as `view` shows it into `client` (target pixels) of `target`.
void RenderView(Document& document, const View& view, Bitmap* target, const host::Rect& client);

// Draws `art` as "AI Draw Art Suite" does into a port of `target`: the port's own (0, 0)
// at `origin` and clipped to `clip` (target pixels), the art through `data`'s matrix
// into its port rectangle.
void DrawArtToPort(Document& document, Art* art, Bitmap* target, host::Point origin,
                   const host::Rect& clip, const host::DrawArtData& data);

}  // namespace hostsim
