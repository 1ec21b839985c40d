// The thumbnail of a record: the selected art drawn by the host's own art renderer at
// 256 x 256 pixels into an offscreen image, then reduced to 128 x 128 by averaging each
// 2 x 2 block. A pixel is four bytes, 0, red, green, blue, rows from the top; what the
// art does not cover is white.
#pragma once

#include <cstdint>

#include "capture/art_tree_writer.h"
#include "host/errors.h"
#include "host/types.h"
#include "platform/gui.h"
#include "platform/os.h"

namespace velm {

inline constexpr std::int32_t kThumbnailSide = 128;
inline constexpr std::int32_t kDrawSide = 2 * kThumbnailSide;

// Draws the art selected in every layer, scaled so that `bounds` (the selection's host
// bounding box) fills the square, centred along its shorter side. Returns a new 65536-byte
// block (the caller frees it), all white when nothing is selected or nothing can be drawn;
// null only when memory runs out.
os::MemHandle BuildThumbnail(const CaptureBounds& bounds);

// Adds to the draw list (a 32-bit count, then art handles from byte 8 on) the art to
// draw from one subtree: selected paths that are not guides, selected compound paths,
// text, rasters, plug-in art and meshes whole, selected clipping groups below the layer's
// own group whole; the members of anything else. Returns 0, a host error of the art
// suite, or -1 when memory runs out.
host::Err CreatePictImageProcess(host::ArtHandle art, os::MemHandle& list, std::int32_t depth);

// A pixel whose bytes in memory are 0, red, green, blue.
std::uint32_t PackPixel(std::uint32_t red, std::uint32_t green, std::uint32_t blue);

// Reduces the 256 x 256 pixels of `context` into `thumbnail` (65536 bytes): each pixel
// the truncated mean of a 2 x 2 block. With `readAtOnce` the pixels are read in one
// call, otherwise one at a time (also the fallback when the platform cannot read them
// at once). Pixels that cannot be read count as white.
void ReduceToThumbnail(gui::ContextHandle context, std::uint8_t* thumbnail, bool readAtOnce);

}  // namespace velm
