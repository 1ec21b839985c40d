#include "platform/host_binding.h"

namespace velm::platform {
namespace {

host::BasicSuite* gBasic = nullptr;
const host::PlatformSuite* gSuite = nullptr;

}  // namespace

void AttachHost(host::BasicSuite* basic) {
  if (gSuite || !basic) return;
  const void* suite = nullptr;
  if (basic->AcquireSuite(host::PlatformSuite::kName, host::PlatformSuite::kVersion, &suite) ==
          host::kNoErr &&
      suite) {
    gBasic = basic;
    gSuite = static_cast<const host::PlatformSuite*>(suite);
  }
}

void DetachHost() {
  if (!gSuite) return;
  gBasic->ReleaseSuite(host::PlatformSuite::kName, host::PlatformSuite::kVersion);
  gSuite = nullptr;
  gBasic = nullptr;
}

const host::PlatformSuite* HostPlatform() {
  return gSuite;
}

}  // namespace velm::platform
