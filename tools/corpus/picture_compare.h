// Two drawings of the same artwork compared pixel by pixel, as the corpus check judges
// agreement: both are put down on white; a pixel differs when one of its channels differs
// by more than a tolerance; the share that counts is of the ink footprint (the pixels
// that are not white in either drawing), so that a small icon on a large page is judged
// by its ink, not by its background.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace velmcorpus {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

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

// The suite's judgement, which forgives what a person does not see as a difference
// (anti-aliasing, a half-pixel shift) and still fails a wrong colour, a missing shape or a
// shift of a few pixels: a pixel differs only when a channel of it lies outside the range
// of that channel over its 3 x 3 neighbourhood in the other drawing by more than
// kNeighbourTolerance (either way round); a border of kBorder pixels is left out; two
// drawings are alike when at most kAlikeShare of their ink differs.
inline constexpr int kNeighbourTolerance = 48;  // of 255
inline constexpr int kBorder = 2;
inline constexpr double kAlikeShare = 0.03;
bool CompareForgiving(cairo_surface_t* a, cairo_surface_t* b, Comparison* result,
                      std::string* error);
inline bool Alike(const Comparison& c) {
  return c.share() <= kAlikeShare;
}

// One row of the calibration table: a drawing and a changed copy of it, the share of ink
// the forgiving comparison finds different, and what a person would say.
struct Calibration {
  std::string change;
  bool sameToAPerson = false;
  double share = 0;
};
// The calibration cases, drawn and compared (anti-aliasing, half- and whole-pixel shifts,
// a wrong colour, a missing shape, a shift of a few pixels, a thinner stroke).
std::vector<Calibration> Calibrate();

// A PNG file as an image surface, or null with a reason.
cairo_surface_t* ReadPng(const std::string& path, std::string* error);

}  // namespace velmcorpus
