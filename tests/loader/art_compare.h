// A structural comparison of rebuilt art with the art it was captured from: the same
// tree (types, order, clipping), the same geometry, paint (colours, gradients with their
// stops and matrices, patterns by the art they tile), transparency, text with every
// character's attributes and its text paths, raster pixels and mesh nodes. Reals agree
// to within the rounding of 16.16 fixed point and single-precision arithmetic.
//
// What the capture changes on purpose is expected in its changed form: art with an
// effect compares as the art its appearance draws as, plug-in art as its result art, a
// custom colour as its full-strength definition, a gradient on a stroke or in text as
// gray 0, and pattern art independently of where it lies (a tile starts at its
// bottom-left corner).
#pragma once

#include <string>

#include "hostsim/core/document.h"

namespace velmtest {

// Empty when `placed` equals `original` (both in `document`); otherwise where and how
// they first differ.
std::string CompareArt(hostsim::Document& document, hostsim::Art* original, hostsim::Art* placed);

// Whether two reals agree within fixed-point and single-precision rounding.
bool Near(double a, double b);

}  // namespace velmtest
