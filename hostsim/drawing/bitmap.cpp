#include "hostsim/drawing/bitmap.h"

#include <algorithm>
#include <cstring>

#include "hostsim/drawing/png_output.h"

namespace hostsim {

Bitmap::Bitmap(int width, int height, std::uint32_t fill)
    : width_(std::max(width, 1)), height_(std::max(height, 1)) {
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
  data_ = cairo_image_surface_get_data(surface_);
  stride_ = cairo_image_surface_get_stride(surface_);
  Fill({0, 0, width_, height_}, fill);
}

Bitmap::~Bitmap() {
  cairo_surface_destroy(surface_);
}

std::uint32_t Bitmap::Pixel(int x, int y) const {
  std::uint32_t p;
  std::memcpy(&p, data_ + y * stride_ + x * 4, 4);
  return p & 0xFFFFFF;
}

void Bitmap::SetPixelQuietly(int x, int y, std::uint32_t rgb) {
  const std::uint32_t p = rgb & 0xFFFFFF;
  std::memcpy(data_ + y * stride_ + x * 4, &p, 4);
}

void Bitmap::Fill(const host::Rect& rect, std::uint32_t rgb) {
  const int l = std::max(rect.left, 0), t = std::max(rect.top, 0);
  const int r = std::min(rect.right, width_), b = std::min(rect.bottom, height_);
  if (l >= r) return;
  for (int y = t; y < b; ++y)
    std::fill(Row(y) + l, Row(y) + r, rgb & 0xFFFFFF);
}

std::vector<std::uint32_t> Bitmap::Pixels() const {
  std::vector<std::uint32_t> all(static_cast<std::size_t>(width_) * height_);
  for (int y = 0; y < height_; ++y) {
    const std::uint32_t* row = Row(y);
    std::uint32_t* out = all.data() + static_cast<std::size_t>(y) * width_;
    for (int x = 0; x < width_; ++x)
      out[x] = row[x] & 0xFFFFFF;
  }
  return all;
}

void Bitmap::BeginCairo() {
  ++generation_;
  cairo_surface_flush(surface_);
  cairo_surface_mark_dirty(surface_);
}

void Bitmap::EndCairo() {
  ++generation_;
  cairo_surface_flush(surface_);
  cairo_surface_mark_dirty(surface_);
}

bool Bitmap::WritePng(const std::string& path, std::string* error) const {
  return WritePngFile(surface_, path, error);
}

}  // namespace hostsim
