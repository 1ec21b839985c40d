// A record's stored thumbnail as a Cairo image.
#pragma once

#include <cairo.h>

#include <cstdint>

namespace velmtool {

inline constexpr int kThumbnailSide = 128;

// The 128 x 128 stored pixels (a zero byte, then red, green, blue; top row first) as an
// RGB image surface; check its status before use, destroy it after.
cairo_surface_t* ThumbnailSurface(const std::uint8_t* pixels);

}  // namespace velmtool
