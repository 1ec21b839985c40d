// The path writer and the paint rules that the text and mesh writers share: how custom
// colours, gradients and patterns are reduced to what the art object stream holds, and
// how the art of a pattern is written as a numbered definition.
#pragma once

#include <cstdint>

#include "host/art_types.h"
#include "host/types.h"
#include "platform/os.h"

namespace velm {

// Starting size of a path object buffer (the head and one segment).
inline constexpr std::uint32_t kPathObjectStartSize = 5132;

// Fills `object` with a complete path object (type 2) for `path`, its coordinates moved
// by -origin, or leaves it unbuilt (type 0) for a guide or a path without segments.
// `object` is grown as needed (the handle is updated). Returns 0; the host error when the
// segment count, a segment or the closed flag cannot be read (the object stays unbuilt);
// -1 for a path of more segments than the stream's 16-bit count holds (refused, unbuilt)
// or when memory ran out. Paint the host cannot report is stored as the host left it.
host::Err PostArtPathProcess(host::ArtHandle path, os::MemHandle& object, host::RealPoint origin);

// Paint that is not shown never stores a host handle: an unpainted pattern keeps only its
// kind (pattern number 0, no definition written), an unpainted fill gradient likewise
// (when `keepFillGradient`; otherwise gray 0), and an unpainted stroke gradient becomes
// gray 0 as a painted one does. Other colours are left as they are.
void ClearUnpaintedPaint(host::PathStyle* style, bool keepFillGradient);

// Writes the art of `pattern` as a numbered definition into the scratch stream and returns
// its number (1 for the first definition of a capture), or 0 when no definition was
// written: the pattern has no art, or (inside another definition) it is one of the
// patterns being defined, which would never end.
//
// A pattern used inside another pattern's art gets its number at once, but its definition
// is written after the one that uses it, so that every definition follows all its users
// in the stream, as the loader, reading backwards, needs.
std::int32_t WritePatternDefinition(host::PatternHandle pattern);

// Replaces a custom colour by its definition at full strength: a process definition
// becomes a process colour, an RGB one an RGB colour; any other stays a custom colour.
// Colours of other kinds are left alone. Returns the custom colour suite's status.
host::Err ReduceCustomColor(host::Color* color);

}  // namespace velm
