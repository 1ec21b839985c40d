#include "picture_compare.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace velmcorpus {
namespace {

// One channel of a premultiplied pixel put down on white.
int OnWhite(std::uint32_t pixel, int shift, bool hasAlpha) {
  const int value = static_cast<int>((pixel >> shift) & 0xFF);
  if (!hasAlpha) return value;
  const int alpha = static_cast<int>(pixel >> 24);
  return value + (255 - alpha);
}

// A picture's three channels on white, row by row, `width` x `height` of it.
struct Channels {
  int width = 0, height = 0;
  std::vector<std::uint8_t> values;  // (y * width + x) * 3 + channel
  int at(int x, int y, int c) const {
    return values[(static_cast<std::size_t>(y) * width + x) * 3 + c];
  }
};

Channels OnWhiteChannels(cairo_surface_t* s, int width, int height) {
  Channels out;
  out.width = width;
  out.height = height;
  out.values.resize(static_cast<std::size_t>(width) * height * 3);
  const bool alpha = cairo_image_surface_get_format(s) == CAIRO_FORMAT_ARGB32;
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < height; ++y) {
    const auto* row =
        reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        out.values[(static_cast<std::size_t>(y) * width + x) * 3 + c] =
            static_cast<std::uint8_t>(std::min(255, OnWhite(row[x], 16 - 8 * c, alpha)));
  }
  return out;
}

// Whether pixel (x, y) of `a` lies outside the range of its neighbourhood in `b` by more
// than the tolerance in any channel.
bool OutsideNeighbourhood(const Channels& a, const Channels& b, int x, int y) {
  for (int c = 0; c < 3; ++c) {
    int low = 255, high = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = std::clamp(x + dx, 0, b.width - 1), ny = std::clamp(y + dy, 0, b.height - 1);
        low = std::min(low, b.at(nx, ny, c));
        high = std::max(high, b.at(nx, ny, c));
      }
    const int v = a.at(x, y, c);
    if (v < low - kNeighbourTolerance || v > high + kNeighbourTolerance) return true;
  }
  return false;
}

bool Usable(cairo_surface_t* s) {
  return s && cairo_surface_status(s) == CAIRO_STATUS_SUCCESS &&
         cairo_surface_get_type(s) == CAIRO_SURFACE_TYPE_IMAGE &&
         (cairo_image_surface_get_format(s) == CAIRO_FORMAT_ARGB32 ||
          cairo_image_surface_get_format(s) == CAIRO_FORMAT_RGB24);
}

}  // namespace

bool CompareForgiving(cairo_surface_t* a, cairo_surface_t* b, Comparison* result,
                      std::string* error) {
  *result = Comparison{};
  if (!Usable(a) || !Usable(b)) {
    *error = "not an RGB image";
    return false;
  }
  cairo_surface_flush(a);
  cairo_surface_flush(b);
  const int wa = cairo_image_surface_get_width(a), ha = cairo_image_surface_get_height(a);
  const int wb = cairo_image_surface_get_width(b), hb = cairo_image_surface_get_height(b);
  if (std::abs(wa - wb) > 1 || std::abs(ha - hb) > 1) {
    *error = "the drawings differ in size (" + std::to_string(wa) + " x " + std::to_string(ha) +
             " and " + std::to_string(wb) + " x " + std::to_string(hb) + ")";
    return false;
  }
  const int width = std::min(wa, wb), height = std::min(ha, hb);
  const Channels ca = OnWhiteChannels(a, width, height), cb = OnWhiteChannels(b, width, height);
  for (int y = kBorder; y < height - kBorder; ++y) {
    for (int x = kBorder; x < width - kBorder; ++x) {
      bool ink = false;
      for (int c = 0; c < 3; ++c)
        ink = ink || ca.at(x, y, c) < 255 - kNeighbourTolerance ||
              cb.at(x, y, c) < 255 - kNeighbourTolerance;
      if (!ink) continue;
      ++result->ink;
      if (OutsideNeighbourhood(ca, cb, x, y) || OutsideNeighbourhood(cb, ca, x, y))
        ++result->differing;
    }
  }
  return true;
}

namespace {

// The calibration drawing: a blue disc and a black-framed square on a transparent page,
// moved by (dx, dy), its disc in `disc`, the square left out or its frame `frame` wide.
Surface CalibrationPicture(double dx, double dy, std::uint32_t disc, bool square, double frame,
                           bool antialias) {
  Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 200));
  cairo_t* cr = cairo_create(s.get());
  if (!antialias) cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_translate(cr, dx, dy);
  cairo_arc(cr, 70, 80, 40, 0, 6.283185307179586);
  cairo_set_source_rgb(cr, ((disc >> 16) & 0xFF) / 255.0, ((disc >> 8) & 0xFF) / 255.0,
                       (disc & 0xFF) / 255.0);
  cairo_fill(cr);
  if (square) {
    cairo_rectangle(cr, 110.3, 100.3, 60, 60);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, frame);
    cairo_stroke(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(s.get());
  return s;
}

}  // namespace

std::vector<Calibration> Calibrate() {
  struct Case {
    const char* change;
    bool same;
    double dx, dy;
    std::uint32_t disc;
    bool square;
    double frame;
    bool antialias;
  };
  const Case kCases[] = {
      {"none", true, 0, 0, 0x3366CC, true, 4, true},
      {"anti-aliasing off", true, 0, 0, 0x3366CC, true, 4, false},
      {"moved half a pixel", true, 0.5, 0.5, 0x3366CC, true, 4, true},
      {"moved one pixel", true, 1, 0, 0x3366CC, true, 4, true},
      {"colour a little off (#3a6ccc)", true, 0, 0, 0x3A6CCC, true, 4, true},
      {"wrong colour (#cc3366)", false, 0, 0, 0xCC3366, true, 4, true},
      {"square missing", false, 0, 0, 0x3366CC, false, 4, true},
      {"moved four pixels", false, 4, 0, 0x3366CC, true, 4, true},
      {"frame a quarter as wide", false, 0, 0, 0x3366CC, true, 1, true},
  };
  const Surface original = CalibrationPicture(0, 0, 0x3366CC, true, 4, true);
  std::vector<Calibration> rows;
  for (const Case& c : kCases) {
    const Surface changed = CalibrationPicture(c.dx, c.dy, c.disc, c.square, c.frame, c.antialias);
    Comparison comparison;
    std::string error;
    CompareForgiving(original.get(), changed.get(), &comparison, &error);
    rows.push_back({c.change, c.same, comparison.share()});
  }
  return rows;
}

bool ComparePictures(cairo_surface_t* a, cairo_surface_t* b, Comparison* result,
                     std::string* error) {
  *result = Comparison{};
  for (cairo_surface_t* s : {a, b}) {
    if (!s || cairo_surface_status(s) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(s) != CAIRO_SURFACE_TYPE_IMAGE ||
        (cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32 &&
         cairo_image_surface_get_format(s) != CAIRO_FORMAT_RGB24)) {
      *error = "not an RGB image";
      return false;
    }
    cairo_surface_flush(s);
  }
  // Two renderers may round a side of the same page to whole pixels differently: a pixel
  // more or less is compared over the common part.
  const int width = std::min(cairo_image_surface_get_width(a), cairo_image_surface_get_width(b));
  const int height = std::min(cairo_image_surface_get_height(a), cairo_image_surface_get_height(b));
  if (std::abs(cairo_image_surface_get_width(a) - cairo_image_surface_get_width(b)) > 1 ||
      std::abs(cairo_image_surface_get_height(a) - cairo_image_surface_get_height(b)) > 1) {
    *error = "the drawings differ in size (" + std::to_string(cairo_image_surface_get_width(a)) +
             " x " + std::to_string(cairo_image_surface_get_height(a)) + " and " +
             std::to_string(cairo_image_surface_get_width(b)) + " x " +
             std::to_string(cairo_image_surface_get_height(b)) + ")";
    return false;
  }
  const bool alphaA = cairo_image_surface_get_format(a) == CAIRO_FORMAT_ARGB32;
  const bool alphaB = cairo_image_surface_get_format(b) == CAIRO_FORMAT_ARGB32;
  const unsigned char* dataA = cairo_image_surface_get_data(a);
  const unsigned char* dataB = cairo_image_surface_get_data(b);
  const int strideA = cairo_image_surface_get_stride(a);
  const int strideB = cairo_image_surface_get_stride(b);
  for (int y = 0; y < height; ++y) {
    const auto* rowA =
        reinterpret_cast<const std::uint32_t*>(dataA + static_cast<std::ptrdiff_t>(y) * strideA);
    const auto* rowB =
        reinterpret_cast<const std::uint32_t*>(dataB + static_cast<std::ptrdiff_t>(y) * strideB);
    for (int x = 0; x < width; ++x) {
      bool inkA = false, inkB = false, differs = false;
      for (int shift : {0, 8, 16}) {
        const int ca = OnWhite(rowA[x], shift, alphaA);
        const int cb = OnWhite(rowB[x], shift, alphaB);
        inkA = inkA || ca < 255 - kChannelTolerance;
        inkB = inkB || cb < 255 - kChannelTolerance;
        differs = differs || std::abs(ca - cb) > kChannelTolerance;
      }
      if (inkA || inkB) {
        ++result->ink;
        if (differs) ++result->differing;
      }
    }
  }
  return true;
}

cairo_surface_t* ReadPng(const std::string& path, std::string* error) {
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    *error = path + ": " + cairo_status_to_string(cairo_surface_status(surface));
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return surface;
}

}  // namespace velmcorpus
