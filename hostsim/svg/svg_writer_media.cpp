// Writing text, rasters, meshes and placed art as SVG: text as <text> where the host lays
// its characters out, rasters as embedded PNG images, meshes (which SVG 1.1 cannot
// express) as a PNG picture of the mesh drawn by the renderer, placed art as its frame.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "hostsim/drawing/renderer.h"
#include "hostsim/drawing/text_layout.h"
#include "hostsim/svg/svg_writer_p.h"

namespace hostsim::svg_out {
namespace {

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 3; ++k)
      v = (v << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k)
      out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

// The art's own transparency left out: the image is put down with the element's opacity.
std::string ImageElement(cairo_surface_t* surface, const host::RealMatrix& toArtwork, int w, int h,
                         bool nearest) {
  const std::string uri = PngDataUri(surface);
  if (uri.empty()) return {};
  Element e("image");
  e.Set("x", "0").Set("y", "0").Set("width", std::to_string(w)).Set("height", std::to_string(h));
  e.Set("preserveAspectRatio", "none").Set("transform", MatrixText(toArtwork));
  if (nearest) e.Set("image-rendering", "optimizeSpeed");
  e.Set("xlink:href", uri);
  return e.Open(true);
}

}  // namespace

std::string PngDataUri(void* surface) {
  std::string png;
  if (cairo_surface_write_to_png_stream(static_cast<cairo_surface_t*>(surface), AppendBytes,
                                        &png) != CAIRO_STATUS_SUCCESS)
    return {};
  return "data:image/png;base64," + Base64(png);
}

// ---- Text ----

void ArtWriter::WriteText(Art* art, std::string* out) {
  const std::vector<PlacedChar> placed = LayoutText(*art);
  // Characters SVG text can show (line ends and other controls are the layout's).
  std::vector<const PlacedChar*> chars;
  for (const PlacedChar& c : placed)
    if (!c.utf8.empty() && static_cast<unsigned char>(c.utf8[0]) >= 0x20 && c.utf8 != "\x7f")
      chars.push_back(&c);
  auto ratio = [](const PlacedChar& c) {
    const TextAttributes& a = *c.attributes;
    const double hs = a.character.horizontalScale > 0 ? a.character.horizontalScale : 1.0;
    const double vs = a.character.verticalScale > 0 ? a.character.verticalScale : 1.0;
    return std::pair<double, double>(hs, vs);
  };
  // One <text> when every character shares the placement's axes and the scale ratio: its
  // transform turns text space (y down) into those axes, each character at its own x, y.
  bool uniform = !chars.empty();
  for (const PlacedChar* c : chars) {
    const host::RealMatrix &m = c->placement, &m0 = chars[0]->placement;
    const auto [hs, vs] = ratio(*c);
    const auto [hs0, vs0] = ratio(*chars[0]);
    uniform =
        uniform && m.a == m0.a && m.b == m0.b && m.c == m0.c && m.d == m0.d && hs / vs == hs0 / vs0;
  }
  auto fontAttributes = [&](const PlacedChar& c, Element* e) {
    const TextAttributes& a = *c.attributes;
    const auto [hs, vs] = ratio(c);
    // A font the host draws with a stand-in keeps its name first, the face drawn after it.
    std::string family = RenderFace(a.font);
    if (const std::string name(a.font.name, strnlen(a.font.name, sizeof a.font.name));
        !KnownFont(name.c_str()))
      family = "'" + name + "', " + family;
    e->Set("font-family", family).Set("font-size", Num(c.size * vs));
    if (a.font.weight >= 100 && a.font.weight <= 900 && a.font.weight != 400)
      e->Set("font-weight", std::to_string(a.font.weight / 100 * 100));
    Rgb rgb;
    e->Set("fill", a.paint.fillPaint && PlainColor(doc_, a.paint.fill.color, &rgb) ? HexColor(rgb)
                                                                                   : "none");
    if (a.paint.strokePaint && a.paint.stroke.width > 0 &&
        PlainColor(doc_, a.paint.stroke.color, &rgb))
      e->Set("stroke", HexColor(rgb)).Set("stroke-width", Num(a.paint.stroke.width));
  };
  Element t("text");
  if (uniform) {
    const host::RealMatrix& m = chars[0]->placement;
    const auto [hs, vs] = ratio(*chars[0]);
    const double A = m.a * hs / vs, B = m.b * hs / vs, C = -m.c, D = -m.d;
    const double det = A * D - B * C;
    uniform = std::isfinite(det) && det != 0;
    if (uniform) {
      // Text coordinates (x, y) of each character's origin: the inverse of the transform.
      auto at = [&](const PlacedChar& c, std::string* xs, std::string* ys) {
        const double tx = c.placement.tx, ty = c.placement.ty;
        *xs += (xs->empty() ? "" : " ") + Num((D * tx - C * ty) / det);
        *ys += (ys->empty() ? "" : " ") + Num((A * ty - B * tx) / det);
      };
      // Under a pending flip the text's own transform goes on top of it.
      const double flip = flipNext_ ? -1 : 1;
      t.Set("transform", "matrix(" + Num(A) + " " + Num(flip * B) + " " + Num(C) + " " +
                             Num(flip * D) + " 0 " + Num(flipNext_ ? flip_ : 0.0) + ")");
      flipNext_ = false;
      t.Set("xml:space", "preserve");
      // Runs of characters with the same attributes become tspans; one run is the text's.
      std::vector<std::pair<std::size_t, std::size_t>> runs;
      for (std::size_t i = 0; i < chars.size(); ++i)
        if (runs.empty() || chars[i]->attributes != chars[runs.back().first]->attributes)
          runs.emplace_back(i, i + 1);
        else
          runs.back().second = i + 1;
      std::string body, direct;
      if (runs.size() == 1) {
        std::string xs, ys;
        for (const PlacedChar* c : chars) {
          at(*c, &xs, &ys);
          direct += c->utf8;
        }
        t.Set("x", xs).Set("y", ys);
        fontAttributes(*chars[0], &t);
        body = EscapeXml(direct);
      } else {
        for (const auto& [b, e] : runs) {
          Element span("tspan");
          std::string xs, ys, text;
          for (std::size_t i = b; i < e; ++i) {
            at(*chars[i], &xs, &ys);
            text += chars[i]->utf8;
          }
          span.Set("x", xs).Set("y", ys);
          fontAttributes(*chars[b], &span);
          body += span.Open(false) + EscapeXml(text) + span.Close();
        }
      }
      Common(art, &t);
      t.Keys(Whole(art));
      *out += t.Open(false) + body + t.Close();
      return;
    }
  }
  // Characters on different axes (text on a path, mixed scales): one text each, inside a
  // group that carries the text's keys.
  Element g("g");
  TakeFlip(&g);
  Common(art, &g);
  g.Keys(Whole(art));
  *out += g.Open(false);
  for (const PlacedChar* c : chars) {
    const auto [hs, vs] = ratio(*c);
    const host::RealMatrix& m = c->placement;
    Element e("text");
    e.Set("transform", "matrix(" + Num(m.a * hs / vs) + " " + Num(m.b * hs / vs) + " " + Num(-m.c) +
                           " " + Num(-m.d) + " " + Num(m.tx) + " " + Num(m.ty) + ")");
    e.Set("xml:space", "preserve");
    fontAttributes(*c, &e);
    *out += e.Open(false) + EscapeXml(c->utf8) + e.Close();
  }
  *out += g.Close();
}

// ---- Rasters, meshes, placed art ----

void ArtWriter::WriteRaster(Art* art, std::string* out) {
  const RasterData& r = art->raster;
  const int w = r.width(), h = r.height(), channels = r.channels();
  Element g("g");
  TakeFlip(&g);
  Common(art, &g);
  g.Keys(Whole(art));
  *out += g.Open(false);
  if (w > 0 && h > 0 && channels > 0 &&
      r.pixels.size() >= static_cast<std::size_t>(w) * h * channels) {
    // The pixels as the renderer draws them (CMYK as ink on white, alpha premultiplied),
    // each repeated f times each way: viewers smooth images they magnify, the host does
    // not, so a magnified raster goes in already magnified.
    const double magnified =
        std::max(std::hypot(r.matrix.a, r.matrix.b), std::hypot(r.matrix.c, r.matrix.d));
    int f = std::isfinite(magnified) ? static_cast<int>(std::ceil(magnified * 2)) : 1;
    f = std::clamp(f, 1, 16);
    while (f > 1 && (static_cast<long>(w) * f > 4096 || static_cast<long>(h) * f > 4096))
      --f;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * f, h * f);
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; data && y < h; ++y) {
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
          default:
            a = p[0], red = p[1] * a / 255, green = p[2] * a / 255, blue = p[3] * a / 255;
            break;
        }
        const std::uint32_t word = (a << 24) | (red << 16) | (green << 8) | blue;
        for (int dy = 0; dy < f; ++dy)
          for (int dx = 0; dx < f; ++dx)
            std::memcpy(data + (y * f + dy) * stride + (x * f + dx) * 4, &word, 4);
      }
    }
    cairo_surface_mark_dirty(image);
    const host::RealMatrix m{r.matrix.a / f, r.matrix.b / f, r.matrix.c / f,
                             r.matrix.d / f, r.matrix.tx,    r.matrix.ty};
    *out += ImageElement(image, m, w * f, h * f, true);
    cairo_surface_destroy(image);
  }
  *out += g.Close();
}

void ArtWriter::WriteMesh(Art* art, std::string* out) {
  Element g("g");
  TakeFlip(&g);
  Common(art, &g);
  g.Keys(Whole(art));
  *out += g.Open(false);
  host::RealRect box;
  if (ArtBounds(doc_, art, &box)) {
    // The renderer's drawing of the mesh, at two pixels a point.
    constexpr double k = 2;
    const int w = static_cast<int>(std::ceil((box.right - box.left) * k));
    const int h = static_cast<int>(std::ceil((box.top - box.bottom) * k));
    if (w > 0 && h > 0 && w <= 8192 && h <= 8192) {
      cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
      cairo_t* cr = cairo_create(image);
      cairo_matrix_t toImage;
      cairo_matrix_init(&toImage, k, 0, 0, -k, -box.left * k, box.top * k);
      cairo_set_matrix(cr, &toImage);
      const BlendState blend = art->blend;
      const bool hidden = art->attributes & host::kArtHidden;
      art->blend = BlendState{};
      art->attributes &= ~host::kArtHidden;
      PaintArt(cr, doc_, art);
      art->blend = blend;
      if (hidden) art->attributes |= host::kArtHidden;
      cairo_destroy(cr);
      const host::RealMatrix toArtwork{static_cast<host::Real>(1 / k),  0,        0,
                                       static_cast<host::Real>(-1 / k), box.left, box.top};
      *out += ImageElement(image, toArtwork, w, h, false);
      cairo_surface_destroy(image);
    }
  }
  *out += g.Close();
}

void ArtWriter::WritePlaced(Art* art, std::string* out) {
  // Placed art is shown as its frame with a cross.
  const host::RealRect& r = art->placedBounds;
  Element e("path");
  TakeFlip(&e);
  e.Set("d", "M" + Num(r.left) + " " + Num(r.bottom) + "H" + Num(r.right) + "V" + Num(r.top) + "H" +
                 Num(r.left) + "ZM" + Num(r.left) + " " + Num(r.bottom) + "L" + Num(r.right) + " " +
                 Num(r.top) + "M" + Num(r.left) + " " + Num(r.top) + "L" + Num(r.right) + " " +
                 Num(r.bottom));
  e.Set("fill", "none").Set("stroke", "#808080").Set("stroke-width", "1");
  Common(art, &e);
  e.Keys(Whole(art));
  *out += e.Open(true);
}

}  // namespace hostsim::svg_out
