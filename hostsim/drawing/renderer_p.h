// What the renderer's files share: the host's matrices as Cairo's. Private to hostsim.
#pragma once

#include <cairo.h>

#include "host/types.h"

namespace hostsim::render {

inline cairo_matrix_t ToCairo(const host::RealMatrix& m) {
  cairo_matrix_t c;
  cairo_matrix_init(&c, m.a, m.b, m.c, m.d, m.tx, m.ty);
  return c;
}

}  // namespace hostsim::render
