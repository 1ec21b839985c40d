// The host suites every part of the plug-in calls through: one pointer variable per row
// of the suite table (module statics, lost when the module is unloaded), and the
// acquisition rules. Suites are held from the outermost message's start to its end;
// nested messages reuse them.
#pragma once

#include <cstdint>

#include "host/errors.h"
#include "host/suite_list.h"

namespace velm {

#define VELM_SUITE_POINTER(Type, var) extern const host::Type* var;
VELM_SUITE_TABLE(VELM_SUITE_POINTER)
#undef VELM_SUITE_POINTER

// Number of outstanding acquisitions of the whole table; 0 when no suites are held.
extern std::int16_t suiteNesting;

// Acquires every suite of the table when none are held, else only counts. On failure
// the count is not raised and the failing status is returned; the suites acquired
// before the failing one are given back, so that a later message starts afresh.
host::Err AcquireSuites(host::BasicSuite* basic);
// Releases every held suite when this is the outermost release, else only counts.
// Never drives the count below zero.
host::Err ReleaseSuites(host::BasicSuite* basic);

}  // namespace velm
