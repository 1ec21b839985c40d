#include "geometry/bezier_table.h"

namespace velm {

void BuildBezierTable(BezierEntry (&table)[65]) {
  for (int k = 0; k <= 64; ++k) {
    const double t = static_cast<double>(k) / 64.0;
    const double u = 1.0 - t;
    table[k].b0 = u * u * u;
    table[k].b1 = 3.0 * t * (t - 1.0) * (t - 1.0);
  }
  table[0] = {1.0, 0.0};
  table[64] = {0.0, 0.0};
}

}  // namespace velm
