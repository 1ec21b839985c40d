// How suites are declared. A suite is a table of function pointers. Each suite header
// lists its operations once, as an X-macro:
//
//   #define VELM_SUITE_EXAMPLE(OP)
//     /* Returns the answer; fails with kBadParameterErr. */
//     OP(Err, GetAnswer, (std::int32_t question, std::int32_t* answer))
//
// (each line of the macro ends with a backslash)
//   VELM_DECLARE_SUITE(ExampleSuite, "Example Suite", 3, VELM_SUITE_EXAMPLE)
//
// which declares `struct ExampleSuite { Err (*GetAnswer)(std::int32_t, std::int32_t*); }`
// together with its name and version (ExampleSuite::kName, ExampleSuite::kVersion) and
// a way for a host to visit every operation (ExampleSuite::ForEachOp), which the
// stand-in host uses to fill operations it does not implement with error-returning
// stand-ins.
#pragma once

#include <cstdint>

namespace host {

#define VELM_SUITE_MEMBER(ret, name, params) ret(*name) params = nullptr;
#define VELM_SUITE_VISIT(ret, name, params) visitor(#name, self.name);

#define VELM_DECLARE_SUITE(Type, suiteName, suiteVersion, OPS) \
  struct Type {                                                \
    static constexpr const char* kName = suiteName;            \
    static constexpr std::int32_t kVersion = suiteVersion;     \
    OPS(VELM_SUITE_MEMBER)                                     \
    template <class Self, class Visitor>                       \
    static void ForEachOp(Self& self, Visitor&& visitor) {     \
      (void)self;                                              \
      (void)visitor;                                           \
      OPS(VELM_SUITE_VISIT)                                    \
    }                                                          \
  };

}  // namespace host
