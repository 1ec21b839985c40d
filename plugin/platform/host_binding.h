// Off Windows, the parts of the platform layer that belong to a desktop (the clock the
// user sees, the beep, the cursor, where drive letters live) are offered by the host
// that loaded the module, as one more suite, and the desktop's windows and drawing as
// another. The frame attaches to it on the first
// message and detaches before the module is unloaded or shut down. On Windows both
// calls do nothing.
#pragma once

#include <cstdint>

#include "host/errors.h"
#include "host/sp_suites.h"
#include "host/suite_decl.h"
#include "platform/desktop_suite.h"
#include "platform/os.h"

namespace host {

#define VELM_SUITE_PLATFORM(OP)                                                       \
  /* The folder that stands for drive `letter` ('A' … 'Z'); false when unmapped. */ \
  OP(Boolean, GetDriveRoot, (char letter, char* folder, std::int32_t maxLength))      \
  /* The desktop's local time; false to use the system clock. */                      \
  OP(Boolean, GetLocalTime, (velm::os::SystemTime * time))                            \
  /* The desktop's tick count in milliseconds; false to use the system's. */          \
  OP(Boolean, GetTickCount, (std::uint32_t * ticks))                                  \
  /* Sounds the desktop's beep. */                                                    \
  OP(void, Beep, ())                                                                  \
  /* Shows cursor resource `id` of the plug-in module (0: the arrow). */              \
  OP(void, SetCursor, (std::int32_t id))
VELM_DECLARE_SUITE(PlatformSuite, "VELM Platform Suite", 1, VELM_SUITE_PLATFORM)

}  // namespace host

namespace velm::platform {

void AttachHost(host::BasicSuite* basic);
void DetachHost();
// The attached platform suite, or null.
const host::PlatformSuite* HostPlatform();
// The attached desktop suite ("VELM Desktop Suite", platform/desktop_suite.h), or null.
const host::DesktopSuite* HostDesktop();

}  // namespace velm::platform
