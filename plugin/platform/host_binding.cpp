// The suites the host offers the platform layer. Off Windows the host's desktop stands for
// the system's: its platform suite (drives, clock, beep, cursor) and its desktop suite
// (windows and drawing) are taken together. On Windows the desktop is the system's own:
// the module draws, beeps and finds its files through Win32 and takes no desktop suite. A
// host may still offer the platform suite for its clock (the stand-in host does, so that
// its sessions run on a fixed one); a real host does not, and the system's clock is used.
#include "platform/host_binding.h"

namespace velm::platform {
namespace {

#if defined(_WIN32)
constexpr bool kHostDesktop = false;
#else
constexpr bool kHostDesktop = true;
#endif

host::BasicSuite* gBasic = nullptr;
const host::PlatformSuite* gSuite = nullptr;
const host::DesktopSuite* gDesktop = nullptr;

}  // namespace

void AttachHost(host::BasicSuite* basic) {
  if (gSuite || !basic || !basic->AcquireSuite) return;
  const void* suite = nullptr;
  if (basic->AcquireSuite(host::PlatformSuite::kName, host::PlatformSuite::kVersion, &suite) !=
          host::kNoErr ||
      !suite)
    return;
  gBasic = basic;
  gSuite = static_cast<const host::PlatformSuite*>(suite);
  const void* desktop = nullptr;
  if (kHostDesktop &&
      basic->AcquireSuite(host::DesktopSuite::kName, host::DesktopSuite::kVersion, &desktop) ==
          host::kNoErr &&
      desktop)
    gDesktop = static_cast<const host::DesktopSuite*>(desktop);
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
