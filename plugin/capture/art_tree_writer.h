// The art tree writer: turns the art selected in the current document into a new record.
// It measures the selection, renders the thumbnail, and walks every layer's art tree,
// appending one object per captured path, text, raster or mesh, marker objects around
// groups, compound paths and styled art, and at the end the pattern definitions that
// fills and strokes use. Every stored coordinate is relative to the capture origin, the
// bottom-left corner of the selection's exact bounds.
#pragma once

#include <cstdint>

#include "host/errors.h"
#include "host/types.h"

namespace velm {

// Left, top, right, bottom in artwork coordinates (top ≥ bottom). All four are
// kNotMeasured while nothing has been measured.
using CaptureBounds = host::RealRect;
inline constexpr host::Real kNotMeasured = 65535.0f;

// Group, compound path and plug-in art markers are written only above this depth, so that
// marker nesting stays within the loader's container stack.
inline constexpr std::int32_t kMaxMarkerDepth = 1024;

// Builds a new current record from the selection (the record loaded before is released
// and currentRecordIndex becomes -1). Name, kind and comment stay empty. Returns 0, or the
// first failure that would have lost art: the host error met while reading art (an object
// left out, a path's segments unread), or -1 when memory ran out; then there is no current
// record at all. Art the stream cannot hold (a path of more than 32767 segments, a raster
// beyond 16-bit pixel bounds) is left out without failing the capture.
host::Err VelmPostArt();

// Captures one art object and, for containers, its subtree. `depth` is 0 for a layer's
// own group (and for the art of a pattern definition). Returns 0, or the capture's first
// failure (the capture is then stopped).
host::Err PostArtProcess(host::ArtHandle art, host::RealPoint origin, std::int32_t depth);

// The bounds of the selection: selected paths by the host's bounding box
// (`useHostBounds`) or by the exact bounds of their curves; selected text, rasters,
// plug-in art and meshes by the host's bounding box. Guides are left out.
void MeasureSelection(CaptureBounds* bounds, bool useHostBounds);

// The bounds of a path's curves from its segments: every anchor, and 64 points along each
// curved piece. False when the path has no segments or they cannot be read.
bool ExactPathBounds(host::ArtHandle path, host::RealRect* bounds);

}  // namespace velm
