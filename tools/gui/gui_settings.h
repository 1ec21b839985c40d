// The window's own settings kept between runs (the library last chosen), in a small file
// under the user's configuration folder. The file is read defensively: anything in it that
// is not what this window writes is ignored, and a folder that has gone is not made again.
#pragma once

#include <string>

namespace velmgui {

// "$XDG_CONFIG_HOME/velm-host/gui.ini", else "~/.config/velm-host/gui.ini"; empty when
// neither can be found.
std::string DefaultSettingsFile();

// The library folder remembered in `file`: an absolute path of printable UTF-8; empty when
// the file is missing, too large, not a regular file, or holds no such line.
std::string RememberedLibrary(const std::string& file);

// Remembers `folder` (made absolute) in `file`, which is written beside and renamed over
// the old one; false with a message when it cannot be.
bool RememberLibrary(const std::string& file, const std::string& folder, std::string* error);

// The library the window starts with: `given` (--library) when not empty; else the one
// remembered in `file` while it is still a folder; else "library" (made in the working
// folder). `note` tells why a remembered library was not used (empty when it was).
std::string StartLibrary(const std::string& given, const std::string& file, std::string* note);

}  // namespace velmgui
