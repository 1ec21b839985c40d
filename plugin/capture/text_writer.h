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
// -origin, or leaves it unbuilt (type 0) when the host reports an error. `object` is grown
// as needed (the handle is updated). Returns the status of the last host call.
host::Err PostArtTextProcess(host::ArtHandle text, os::MemHandle& object, host::RealPoint origin);

}  // namespace velm
