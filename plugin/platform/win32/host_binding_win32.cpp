// On Windows the desktop is the system's own: there are no platform or desktop suites to
// attach to.
#include "platform/host_binding.h"

namespace velm::platform {

void AttachHost(host::BasicSuite* basic) {
  (void)basic;
}

void DetachHost() {}

const host::PlatformSuite* HostPlatform() {
  return nullptr;
}

const host::DesktopSuite* HostDesktop() {
  return nullptr;
}

}  // namespace velm::platform
