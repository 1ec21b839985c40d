#include "hostsim/drawing/png_output.h"

#include "hostsim/core/file_output.h"

namespace hostsim {
namespace {

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

bool EncodePng(cairo_surface_t* surface, std::string* bytes) {
  bytes->clear();
  return surface && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
         cairo_surface_write_to_png_stream(surface, AppendPng, bytes) == CAIRO_STATUS_SUCCESS;
}

bool WritePngFile(cairo_surface_t* surface, const std::string& path, std::string* error) {
  std::string png;
  if (surface && cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    // Drawing failed before there was anything to encode.
    if (error)
      *error = path + ": the picture cannot be drawn (" +
               cairo_status_to_string(cairo_surface_status(surface)) + ")";
    return false;
  }
  if (!EncodePng(surface, &png)) {
    if (error) *error = path + ": the picture cannot be encoded";
    return false;
  }
  return WriteFileAtomically(path, png, error);
}

}  // namespace hostsim
