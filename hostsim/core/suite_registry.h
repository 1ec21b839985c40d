// The stand-in host's suite registry: every suite it offers, by name and version, with
// a count of acquisitions and releases per suite (so tests can check the balance), and
// failure injection: any suite's acquisition, or any operation, can be made to fail.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "host/errors.h"
#include "host/suite_decl.h"
#include "host/types.h"

namespace hostsim {

class SuiteRegistry {
 public:
  struct Counts {
    int acquired = 0;
    int released = 0;
  };

  // Offers `table` (which must outlive the registry) as the suite S.
  template <class S>
  void Offer(const S* table) {
    Offer(S::kName, S::kVersion, table);
  }
  void Offer(const char* name, std::int32_t version, const void* table);

  host::Err Acquire(const char* name, std::int32_t version, const void** table);
  host::Err Release(const char* name, std::int32_t version);

  // Makes the next acquisitions of the suite fail with `err` (kNoErr to stop failing).
  void FailAcquisition(const std::string& name, host::Err err = host::kSuiteNotFoundErr);

  // Makes operation `op` of suite `suite` fail with `err` once `afterCalls` further
  // calls have succeeded; it keeps failing until ClearFailures.
  void FailOperation(const std::string& suite, const std::string& op, host::Err err,
                     int afterCalls = 0);
  void ClearFailures();
  // Called by every implemented operation on entry: the error to fail with, or kNoErr.
  host::Err Check(const char* suite, const char* op);

  Counts CountsOf(const std::string& name, std::int32_t version) const;
  // Suites whose acquisitions and releases differ, as "name (version): +n".
  std::vector<std::string> Unbalanced() const;
  int TotalAcquisitions() const;

  // Operations the host does not implement that were called, as "suite name".
  void NoteUnimplemented(const char* suite);
  const std::vector<std::string>& UnimplementedCalls() const { return unimplemented_; }

 private:
  using Key = std::pair<std::string, std::int32_t>;
  struct Entry {
    const void* table = nullptr;
    Counts counts;
  };
  struct OpFailure {
    host::Err err;
    int remaining;
  };
  std::map<Key, Entry> suites_;
  std::map<std::string, host::Err> failedAcquisitions_;
  std::map<std::pair<std::string, std::string>, OpFailure> failedOps_;
  std::vector<std::string> unimplemented_;
};

// The registry of the host that is running (operations are plain functions).
SuiteRegistry& CurrentRegistry();

namespace detail {

template <class S, class R, class... A>
R VELM_HOSTCALL Unimplemented(A...) {
  CurrentRegistry().NoteUnimplemented(S::kName);
  if constexpr (std::is_same_v<R, host::Err>) {
    return host::kUnimplementedErr;
  } else if constexpr (!std::is_void_v<R>) {
    return R{};
  }
}

}  // namespace detail

template <class S, class R, class... A>
auto MakeUnimplemented(R(VELM_HOSTCALL*)(A...)) -> R(VELM_HOSTCALL*)(A...) {
  return &detail::Unimplemented<S, R, A...>;
}

// Fills every operation of `table` that the host has not implemented with one that
// reports the call and fails with kUnimplementedErr (or returns an empty value).
template <class S>
void FillUnimplemented(S& table) {
  S::ForEachOp(table, [](const char*, auto& op) {
    if (!op) op = MakeUnimplemented<S>(op);
  });
}

}  // namespace hostsim
