// Drawing the window's own panels (the chooser, the menu, the questions) onto the screen.
#pragma once

#include <cstdint>
#include <string>

#include "hostsim/desktop/desktop.h"

namespace velmgui {

// A one-pixel frame just inside `r`.
void Frame(hostsim::Bitmap& screen, const host::Rect& r, std::uint32_t rgb);

// UTF-8 text with its top-left corner near (x, y), clipped to `clip`.
void Text(hostsim::Bitmap& screen, int x, int y, const std::string& utf8, std::uint32_t rgb,
          const host::Rect& clip);

}  // namespace velmgui
