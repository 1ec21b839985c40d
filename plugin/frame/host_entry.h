// Calls from the host into the plug-in: PluginMain and every procedure the plug-in hands
// to the host (dialog initialisation, item notification, drawing and tracking). An
// exception must never unwind into the host's frames, where it would end the host
// process; the only ones the plug-in can meet are those of a standard container that
// cannot allocate. Each entry therefore catches every exception and turns it into the
// host's memory error.
//
// A procedure handed to the host is registered as HostEntry<Procedure>::Call (or
// HostEntry<Procedure, EntryFailure::kReported>::Call) instead of Procedure itself.
#pragma once

#include <cstdint>
#include <type_traits>

#include "host/errors.h"
#include "host/types.h"

namespace velm {

// What an entry that ended in an exception shows: nothing, or the memory error in the
// "Plug-in Error" dialog. Notifications and mouse tracking report (the user's action did
// not happen); drawing and dialog initialisation stay silent (a dialog opened while the
// host draws or builds a dialog would be drawn or built into).
enum class EntryFailure { kSilent, kReported };

// Shows the memory error in the "Plug-in Error" dialog (when the dialog suites are held).
void ReportEntryFailure() noexcept;

// What an entry returns when its procedure ended in an exception: the memory error for a
// status, "handled" for a tracking procedure.
template <class Result>
Result EntryFailureResult() noexcept {
  if constexpr (std::is_same_v<Result, host::Err>) {
    return host::kMemoryErr;
  } else if constexpr (std::is_same_v<Result, host::Boolean>) {
    return 1;
  } else {
    static_assert(std::is_void_v<Result>, "an entry returns a status, a flag or nothing");
  }
}

// Runs `body` (a callable returning Result); an exception becomes EntryFailureResult.
template <class Result, class Body>
Result CatchAtEntry(Body&& body, bool* failed = nullptr) noexcept {
  try {
    return body();
  } catch (...) {
    if (failed) *failed = true;
  }
  return EntryFailureResult<Result>();
}

template <auto Procedure, EntryFailure kFailure = EntryFailure::kSilent>
struct HostEntry;

template <class Result, class... Args, Result (*Procedure)(Args...), EntryFailure kFailure>
struct HostEntry<Procedure, kFailure> {
  // Called by the host: in the host interface's calling convention.
  static Result VELM_HOSTCALL Call(Args... args) noexcept {
    bool failed = false;
    if constexpr (std::is_void_v<Result>) {
      CatchAtEntry<void>([&] { Procedure(args...); }, &failed);
      if (failed && kFailure == EntryFailure::kReported) ReportEntryFailure();
    } else {
      const Result result = CatchAtEntry<Result>([&] { return Procedure(args...); }, &failed);
      if (failed && kFailure == EntryFailure::kReported) ReportEntryFailure();
      return result;
    }
  }
};

// Sets a re-entry guard of the globals block for its lifetime and clears it however the
// scope is left.
class ScopedFlag {
 public:
  explicit ScopedFlag(std::int16_t& flag) : flag_(flag) { flag_ = 1; }
  ~ScopedFlag() { flag_ = 0; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  std::int16_t& flag_;
};

}  // namespace velm
