#include "platform/host_binding.h"

namespace velm::platform {
namespace {

host::BasicSuite* gBasic = nullptr;
const host::PlatformSuite* gSuite = nullptr;
const host::DesktopSuite* gDesktop = nullptr;

}  // namespace

void AttachHost(host::BasicSuite* basic) {
  if (gSuite || !basic) return;
  const void* suite = nullptr;
  if (basic->AcquireSuite(host::PlatformSuite::kName, host::PlatformSuite::kVersion, &suite) ==
          host::kNoErr &&
      suite) {
    gBasic = basic;
    gSuite = static_cast<const host::PlatformSuite*>(suite);
    const void* desktop = nullptr;
    if (basic->AcquireSuite(host::DesktopSuite::kName, host::DesktopSuite::kVersion, &desktop) ==
            host::kNoErr &&
        desktop)
      gDesktop = static_cast<const host::DesktopSuite*>(desktop);
  }
}

void DetachHost() {
  if (!gSuite) return;
  if (gDesktop) gBasic->ReleaseSuite(host::DesktopSuite::kName, host::DesktopSuite::kVersion);
  gDesktop = nullptr;
  gBasic->ReleaseSuite(host::PlatformSuite::kName, host::PlatformSuite::kVersion);
  gSuite = nullptr;
  gBasic = nullptr;
}

const host::PlatformSuite* HostPlatform() {
  return gSuite;
}

const host::DesktopSuite* HostDesktop() {
  return gDesktop;
}

}  // namespace velm::platform
