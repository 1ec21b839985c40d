#include "frame/suites.h"

// Every build of the module checks the layout the host expects of the crossing structures.
#include "host/abi_layout.h"

namespace velm {

#define VELM_SUITE_DEFINE(Type, var) const host::Type* var = nullptr;
VELM_SUITE_TABLE(VELM_SUITE_DEFINE)
#undef VELM_SUITE_DEFINE

std::int16_t suiteNesting = 0;

namespace {

struct SuiteRow {
  const char* name;
  std::int32_t version;
  const void** pointer;
};

#define VELM_SUITE_ROW(Type, var) \
  {host::Type::kName, host::Type::kVersion, reinterpret_cast<const void**>(&var)},
const SuiteRow kSuiteTable[] = {VELM_SUITE_TABLE(VELM_SUITE_ROW)};
#undef VELM_SUITE_ROW

static_assert(sizeof(kSuiteTable) / sizeof(kSuiteTable[0]) == host::kSuiteTableRows);

// Gives back the suites of rows [0, end) that are held, in table order.
host::Err ReleaseRows(host::BasicSuite* basic, std::size_t end) {
  for (std::size_t i = 0; i < end; ++i) {
    const SuiteRow& row = kSuiteTable[i];
    if (!*row.pointer) continue;
    const host::Err err = basic->ReleaseSuite(row.name, row.version);
    if (err) return err;
    *row.pointer = nullptr;
  }
  return host::kNoErr;
}

}  // namespace

host::Err AcquireSuites(host::BasicSuite* basic) {
  if (suiteNesting == 0) {
    if (!basic) return host::kBadParameterErr;
    for (std::size_t i = 0; i < sizeof(kSuiteTable) / sizeof(kSuiteTable[0]); ++i) {
      const SuiteRow& row = kSuiteTable[i];
      const host::Err err = basic->AcquireSuite(row.name, row.version, row.pointer);
      if (err) {
        *row.pointer = nullptr;
        // Leave nothing half-held: the next message retries from the first row.
        ReleaseRows(basic, i);
        return err;
      }
    }
  }
  ++suiteNesting;
  return host::kNoErr;
}

host::Err ReleaseSuites(host::BasicSuite* basic) {
  if (suiteNesting <= 0) {
    suiteNesting = 0;
    return host::kNoErr;
  }
  if (suiteNesting == 1) {
    if (!basic) return host::kBadParameterErr;
    const host::Err err = ReleaseRows(basic, sizeof(kSuiteTable) / sizeof(kSuiteTable[0]));
    if (err) return err;
  }
  --suiteNesting;
  return host::kNoErr;
}

}  // namespace velm
