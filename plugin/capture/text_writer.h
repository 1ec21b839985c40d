// The text writer: one text object for a text art that the art tree writer captures. The
// characters are read through the host's text stream and grouped into runs of at most 254
// bytes that share all attributes; the paths the text flows in or along follow the runs.
#pragma once

#include <cstdint>

#include "host/types.h"
#include "platform/os.h"

namespace velm {

// Starting size of a text object buffer (its head).
inline constexpr std::uint32_t kTextObjectStartSize = 40;

// Fills `object` with a complete text object (type 4) for `text`, its coordinates moved by
// -origin, or leaves it unbuilt (type 0) when the host reports an error reading the
// characters or the text paths, their segments included (that error is returned); errors
// reading a character's attributes are not failures (the values the host left are kept).
// A painted fill or stroke pattern is written as one definition per character, and such
// characters each form a run. `object` is grown as needed (the handle is updated). -1,
// with the object unbuilt, when memory ran out, the text needs more runs than the object
// can count (32767), or a text path has more segments than its 16-bit count holds.
host::Err PostArtTextProcess(host::ArtHandle text, os::MemHandle& object, host::RealPoint origin);

}  // namespace velm
