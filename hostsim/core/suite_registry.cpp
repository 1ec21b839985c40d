#include "hostsim/core/suite_registry.h"

namespace hostsim {

void SuiteRegistry::Offer(const char* name, std::int32_t version, const void* table) {
  suites_[{name, version}].table = table;
}

host::Err SuiteRegistry::Acquire(const char* name, std::int32_t version, const void** table) {
  if (!name || !table) return host::kBadParameterErr;
  *table = nullptr;
  auto failed = failedAcquisitions_.find(name);
  if (failed != failedAcquisitions_.end()) return failed->second;
  auto it = suites_.find({name, version});
  if (it == suites_.end()) return host::kSuiteNotFoundErr;
  ++it->second.counts.acquired;
  *table = it->second.table;
  return host::kNoErr;
}

host::Err SuiteRegistry::Release(const char* name, std::int32_t version) {
  if (!name) return host::kBadParameterErr;
  auto it = suites_.find({name, version});
  if (it == suites_.end()) return host::kSuiteNotFoundErr;
  // A release without an acquisition is a fault of the caller: count it, so the
  // balance shows it, but do not fail.
  ++it->second.counts.released;
  return host::kNoErr;
}

void SuiteRegistry::FailAcquisition(const std::string& name, host::Err err) {
  if (err == host::kNoErr) {
    failedAcquisitions_.erase(name);
  } else {
    failedAcquisitions_[name] = err;
  }
}

void SuiteRegistry::FailOperation(const std::string& suite, const std::string& op, host::Err err,
                                  int afterCalls) {
  failedOps_[{suite, op}] = {err, afterCalls};
}

void SuiteRegistry::ClearFailures() {
  failedAcquisitions_.clear();
  failedOps_.clear();
}

host::Err SuiteRegistry::Check(const char* suite, const char* op) {
  if (failedOps_.empty()) return host::kNoErr;
  auto it = failedOps_.find({suite, op});
  if (it == failedOps_.end()) return host::kNoErr;
  if (it->second.remaining > 0) {
    --it->second.remaining;
    return host::kNoErr;
  }
  return it->second.err;
}

SuiteRegistry::Counts SuiteRegistry::CountsOf(const std::string& name, std::int32_t version) const {
  auto it = suites_.find({name, version});
  return it == suites_.end() ? Counts{} : it->second.counts;
}

std::vector<std::string> SuiteRegistry::Unbalanced() const {
  std::vector<std::string> out;
  for (const auto& [key, entry] : suites_) {
    const int held = entry.counts.acquired - entry.counts.released;
    if (held != 0)
      out.push_back(key.first + " (" + std::to_string(key.second) + "): " + (held > 0 ? "+" : "") +
                    std::to_string(held));
  }
  return out;
}

int SuiteRegistry::TotalAcquisitions() const {
  int total = 0;
  for (const auto& [key, entry] : suites_)
    total += entry.counts.acquired;
  return total;
}

void SuiteRegistry::NoteUnimplemented(const char* suite) {
  unimplemented_.push_back(suite);
}

}  // namespace hostsim
