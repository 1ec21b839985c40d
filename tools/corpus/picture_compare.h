// Two drawings of the same artwork compared pixel by pixel, as the corpus check judges
// agreement: both are put down on white; a pixel differs when one of its channels differs
// by more than a tolerance; the share that counts is of the ink footprint (the pixels
// that are not white in either drawing), so that a small icon on a large page is judged
// by its ink, not by its background.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <string>

namespace velmcorpus {

struct Comparison {
  std::size_t ink = 0;        // pixels not white in either drawing
  std::size_t differing = 0;  // of those, pixels where a channel differs past the tolerance
  // differing / ink (0 when there is no ink at all).
  double share() const {
    return ink ? static_cast<double>(differing) / static_cast<double>(ink) : 0;
  }
};

inline constexpr int kChannelTolerance = 40;  // of 255

// Compares two ARGB32 or RGB24 images of the same size (a pixel more or less a side is
// compared over the common part); false (with a reason) when the sizes differ more or an
// image is not usable.
bool ComparePictures(cairo_surface_t* a, cairo_surface_t* b, Comparison* result,
                     std::string* error);

// A PNG file as an image surface, or null with a reason.
cairo_surface_t* ReadPng(const std::string& path, std::string* error);

}  // namespace velmcorpus
