// Helpers shared by the files that implement the host's suites.
#pragma once

#include "hostsim/core/document.h"
#include "hostsim/core/host.h"

namespace hostsim::impl {

inline Host& H() {
  return *Host::Current();
}

// The failure-injection check every implemented operation makes on entry.
template <class Suite>
host::Err Check(const char* op) {
  return H().suites().Check(Suite::kName, op);
}

// The open document, or null.
inline Document* Doc() {
  return H().document();
}

// The live art behind a handle in the open document, or null.
inline Art* ArtOf(host::ArtHandle handle) {
  Document* d = Doc();
  return d ? d->ArtFrom(handle) : nullptr;
}

}  // namespace hostsim::impl
