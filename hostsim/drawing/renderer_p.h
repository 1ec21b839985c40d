// What the renderer's files share: the host's matrices as Cairo's, a path and its stroke as
// Cairo's. Private to hostsim.
#pragma once

#include <cairo.h>

#include "host/art_types.h"
#include "host/types.h"

namespace hostsim {
struct Art;
}

namespace hostsim::render {

// Appends the path's curves (closed when it is) to the current path of `cr`.
void AppendPath(cairo_t* cr, const Art& path);
// Sets the stroke's width, cap, join, miter limit and dashes as the renderer draws them.
void SetStroke(cairo_t* cr, const host::StrokeStyle& stroke);

inline cairo_matrix_t ToCairo(const host::RealMatrix& m) {
  cairo_matrix_t c;
  cairo_matrix_init(&c, m.a, m.b, m.c, m.d, m.tx, m.ty);
  return c;
}

}  // namespace hostsim::render
