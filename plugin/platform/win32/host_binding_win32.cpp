// On Windows the desktop is the system's own: the module draws, beeps and finds its files
// through Win32, and there is no desktop suite to attach to. A host may still offer the
// platform suite for its clock (the stand-in host does, so that its sessions run on a
// fixed one); a real host does not, and the system's clock is used.
#include "platform/host_binding.h"

namespace velm::platform {
namespace {

host::BasicSuite* gBasic = nullptr;
const host::PlatformSuite* gSuite = nullptr;

}  // namespace

void AttachHost(host::BasicSuite* basic) {
  if (gSuite || !basic || !basic->AcquireSuite) return;
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

const host::DesktopSuite* HostDesktop() {
  return nullptr;
}

}  // namespace velm::platform
