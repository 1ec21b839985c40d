// Placeholder: operations are added as the subsystems that call them are built.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_REAL_MATH_SUITE(OP)
VELM_DECLARE_SUITE(RealMathSuite, "AI Real Math Suite", 1, VELM_SUITE_REAL_MATH_SUITE)

#define VELM_SUITE_FIXED_MATH_SUITE(OP)
VELM_DECLARE_SUITE(FixedMathSuite, "AI Fixed Math Suite", 2, VELM_SUITE_FIXED_MATH_SUITE)

}  // namespace host
