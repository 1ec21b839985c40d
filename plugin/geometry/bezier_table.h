// The cubic Bézier basis at t = k / 64, k = 0 … 64, kept in the globals block.
#pragma once

#include "frame/globals.h"

namespace velm {

// Fills the 65 entries: b0 = (1 - t)^3, b1 = 3 t (1 - t)^2, powers by repeated
// multiplication, with both ends stored exactly.
void BuildBezierTable(BezierEntry (&table)[65]);

}  // namespace velm
