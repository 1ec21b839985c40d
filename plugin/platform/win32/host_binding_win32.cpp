// On Windows the desktop is the system's own: there is no platform suite to attach to.
#include "platform/host_binding.h"

namespace velm::platform {

void AttachHost(host::BasicSuite* basic) {
  (void)basic;
}

void DetachHost() {}

const host::PlatformSuite* HostPlatform() {
  return nullptr;
}

}  // namespace velm::platform
