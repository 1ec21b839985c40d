// Pixel buffers the renderer draws into: pictures of documents, the desktop's screen and
// its memory bitmaps, the dialog manager's offscreen images.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/types.h"

namespace hostsim {

// A pixel buffer of 0x00RRGGBB words, rows top first (a Cairo RGB24 image surface).
class Bitmap {
 public:
  // All pixels `fill`.
  Bitmap(int width, int height, std::uint32_t fill = 0);
  ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Pixels as 0x00RRGGBB; (x, y) must lie inside.
  std::uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, std::uint32_t rgb) {
    ++generation_;
    SetPixelQuietly(x, y, rgb);
  }
  void Fill(const host::Rect& rect, std::uint32_t rgb);
  // Row y's pixels (x from 0), y inside; the byte above each 0x00RRGGBB is not kept.
  std::uint32_t* Row(int y) {
    ++generation_;
    return reinterpret_cast<std::uint32_t*>(data_ + y * stride_);
  }
  const std::uint32_t* Row(int y) const {
    return reinterpret_cast<const std::uint32_t*>(data_ + y * stride_);
  }
  // Every pixel, rows top first.
  std::vector<std::uint32_t> Pixels() const;
  // For drawing with Cairo: flushes before, and marks the pixels changed after.
  cairo_surface_t* surface() {
    ++generation_;
    return surface_;
  }
  void BeginCairo();
  void EndCairo();
  // Written with WriteFileAtomically (hostsim/core/file_output.h); false with a message in
  // *error (when given) when it cannot be.
  bool WritePng(const std::string& path, std::string* error = nullptr) const;
  // Grows with every way of reaching the pixels to change them (a window shows the screen
  // again only when it has moved on).
  std::uint64_t generation() const { return generation_; }

 private:
  void SetPixelQuietly(int x, int y, std::uint32_t rgb);
  int width_;
  int height_;
  cairo_surface_t* surface_;
  // The image surface's pixels (fixed for its life).
  unsigned char* data_;
  int stride_;
  std::uint64_t generation_ = 0;
};

}  // namespace hostsim
