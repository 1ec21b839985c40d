// The drive C: of the Windows module's own calls, in the host built for it (under wine).
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "hostsim/core/module_loader.h"

namespace hostsim {

void MapModuleDriveC(const std::string& folder) {
#if defined(VELM_WINDOWS_MODULE_HOST)
  // scripts/wine-host.sh starts the host in a wine prefix of its own, whose drive C: holds
  // the Windows folder: the host's folder becomes that drive C:, the Windows folder linked
  // into it. A prefix without that layout keeps its own drive C:.
  namespace fs = std::filesystem;
  const char* prefix = std::getenv("WINEPREFIX");
  if (!prefix || folder.empty()) return;
  const fs::path devices = fs::path(prefix) / "dosdevices";
  std::error_code ec;
  // Where the Windows folder is, found once: the drive C: it was found on goes with the
  // host that made it.
  static const fs::path windows = fs::canonical(devices / "c:" / "windows", ec);
  if (windows.empty()) return;
  const fs::path link = fs::path(folder) / "windows";
  if (!fs::exists(fs::symlink_status(link, ec))) fs::create_directory_symlink(windows, link, ec);
  const fs::path next = devices / "c:.next";
  fs::remove(next, ec);
  fs::create_directory_symlink(fs::absolute(folder, ec), next, ec);
  if (!ec) fs::rename(next, devices / "c:", ec);
#else
  (void)folder;
#endif
}

}  // namespace hostsim
