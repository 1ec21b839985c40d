#include "thumbnail_image.h"

#include <cstring>

namespace velmtool {

cairo_surface_t* ThumbnailSurface(const std::uint8_t* pixels) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, kThumbnailSide, kThumbnailSide);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return surface;
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < kThumbnailSide; ++y) {
    for (int x = 0; x < kThumbnailSide; ++x) {
      const std::uint8_t* p = pixels + (y * kThumbnailSide + x) * 4;
      const std::uint32_t rgb =
          (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
      std::memcpy(data + y * stride + x * 4, &rgb, 4);
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

}  // namespace velmtool
