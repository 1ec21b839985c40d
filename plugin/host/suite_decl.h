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

// The calling convention of every function that crosses between the host and the module:
// the suites' operations, PluginMain and the procedures the module hands the host. The
// 32-bit Windows module calls and is called as the C convention of its system (__cdecl,
// the caller cleaning the stack); 64-bit Windows has one convention, which a Linux
// program that loads a Windows module through wine's loader must name (ms_abi) on every
// pointer it calls or hands over; the Linux module uses the system's own.
#if defined(_WIN32)
#define VELM_HOSTCALL __cdecl
#elif defined(VELM_WINDOWS_MODULE_HOST) && defined(__x86_64__)
#define VELM_HOSTCALL __attribute__((ms_abi))
#else
#define VELM_HOSTCALL
#endif

namespace host {

#define VELM_SUITE_MEMBER(ret, name, params) ret(VELM_HOSTCALL* name) params = nullptr;
#define VELM_SUITE_COUNT(ret, name, params) +1
#define VELM_SUITE_VISIT(ret, name, params) visitor(#name, self.name);

#define VELM_DECLARE_SUITE(Type, suiteName, suiteVersion, OPS)                                    \
  struct Type {                                                                                   \
    static constexpr const char* kName = suiteName;                                               \
    static constexpr std::int32_t kVersion = suiteVersion;                                        \
    static constexpr std::int32_t kOperations = 0 OPS(VELM_SUITE_COUNT);                          \
    OPS(VELM_SUITE_MEMBER)                                                                        \
    template <class Self, class Visitor>                                                          \
    static void ForEachOp(Self& self, Visitor&& visitor) {                                        \
      (void)self;                                                                                 \
      (void)visitor;                                                                              \
      OPS(VELM_SUITE_VISIT)                                                                       \
    }                                                                                             \
  };                                                                                              \
  /* Operations only, one pointer each, in the order of the list (a suite                         \
     the module acquires but calls nothing of is empty). */                                       \
  static_assert(sizeof(Type) == (Type::kOperations ? Type::kOperations * sizeof(void (*)()) : 1), \
                #Type " is a table of operations");

}  // namespace host
