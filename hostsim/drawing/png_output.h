// Pictures of Cairo image surfaces as PNG files.
#pragma once

#include <cairo.h>

#include <string>

namespace hostsim {

// The surface as PNG bytes.
bool EncodePng(cairo_surface_t* surface, std::string* bytes);

// EncodePng written with WriteFileAtomically (hostsim/core/file_output.h).
bool WritePngFile(cairo_surface_t* surface, const std::string& path, std::string* error);

}  // namespace hostsim
