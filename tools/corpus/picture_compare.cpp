#include "picture_compare.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace velmcorpus {
namespace {

// One channel of a premultiplied pixel put down on white.
int OnWhite(std::uint32_t pixel, int shift, bool hasAlpha) {
  const int value = static_cast<int>((pixel >> shift) & 0xFF);
  if (!hasAlpha) return value;
  const int alpha = static_cast<int>(pixel >> 24);
  return value + (255 - alpha);
}

}  // namespace

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
