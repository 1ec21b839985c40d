// The user's settings between runs of the host: palette view and sort order, the current
// group, the placement reference point, the snapping switches and grid spacing, and the
// last search, kept as "key = value" lines in "<base>\Prefs\VELM-Pro.ini". Read once at
// start-up (over the start-up values), written once at shut-down. Every failure is
// silent: a missing or unreadable file leaves the values as they are.
#pragma once

#include <cstdint>

namespace velm {

struct Globals;

void ReadPreferences();
void WritePreferences();

// The settings of `text` (`length` bytes, the contents of a preferences file) put into
// `g`; lines that are comments, malformed or of unknown keys change nothing.
void ParsePreferences(const char* text, std::uint32_t length, Globals* g);
// The file's contents for `g`: one line a setting, in a fixed order, each ended by CR LF.
// Returns the length, or 0 when `capacity` bytes do not hold it.
std::uint32_t FormatPreferences(const Globals* g, char* buffer, std::uint32_t capacity);

}  // namespace velm
