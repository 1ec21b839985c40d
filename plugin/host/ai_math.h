// Arithmetic on the host's reals and 16.16 fixed-point values. These operations cannot
// fail; they return their result.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_REAL_MATH_SUITE(OP)                                                             \
  /* a × b. */                                                                                    \
  OP(Real, RealMul, (Real a, Real b))                                                              \
  /* a ÷ b (infinite or not a number when b is 0). */                                             \
  OP(Real, RealDiv, (Real a, Real b))                                                              \
  /* Non-zero when both coordinates are exactly equal. */                                          \
  OP(Boolean, RealPointEqual, (const RealPoint* a, const RealPoint* b))                            \
  /* Moves the left and right sides inward by h and the top and bottom sides by v (top is          \
     the greater v); negative amounts grow the rectangle. */                                       \
  OP(void, RealRectInset, (RealRect * rect, Real h, Real v))                                       \
  /* Non-zero when `point` lies inside `rect` or on its edge. */                                   \
  OP(Boolean, RealPointInRect, (const RealPoint* point, const RealRect* rect))                     \
  /* Sets all six values of `matrix`. */                                                           \
  OP(void, RealMatrixSet, (RealMatrix * matrix, Real a, Real b, Real c, Real d, Real tx, Real ty)) \
  /* Makes `matrix` a scale by h horizontally and v vertically about the origin. */                \
  OP(void, RealMatrixSetScale, (RealMatrix * matrix, Real h, Real v))
VELM_DECLARE_SUITE(RealMathSuite, "AI Real Math Suite", 1, VELM_SUITE_REAL_MATH_SUITE)

#define VELM_SUITE_FIXED_MATH_SUITE(OP)                                              \
  /* The nearest 16.16 value; saturates at the most negative and positive values. */ \
  OP(Fixed, RealToFixed, (Real value))                                               \
  /* The real a 16.16 value stands for. */                                           \
  OP(Real, FixedToReal, (Fixed value))                                               \
  /* a + b in 16.16, saturating. */                                                  \
  OP(Fixed, FixedAdd, (Fixed a, Fixed b))
VELM_DECLARE_SUITE(FixedMathSuite, "AI Fixed Math Suite", 2, VELM_SUITE_FIXED_MATH_SUITE)

}  // namespace host
