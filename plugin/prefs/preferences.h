// The user's settings between runs of the host: palette view and sort order, the current
// group, the placement reference point, the snapping switches and grid spacing, and the
// last search, kept as "key = value" lines in "<base>\Prefs\VELM-Pro.ini". Read once at
// start-up (over the start-up values), written once at shut-down. Every failure is
// silent: a missing or unreadable file leaves the values as they are.
//
// Reals are taken only as decimal numbers that a float can hold ("nan", "inf",
// hexadecimal and out-of-range values leave the value as it was). A double quote inside
// a string value is written doubled and read back as one quote, so a search text with
// quotes survives a restart; a single quote in older files still toggles quoting as it
// always did.
#pragma once

#include <cstdint>

namespace velm {

struct Globals;

// Reads the file over the start-up values. True when shut-down may write the file: it was
// read, or there was none. False when a file is there that could not be read (it keeps the
// user's settings, which start-up values must not replace) or there is no base folder.
bool ReadPreferences();
void WritePreferences();

// The settings of `text` (`length` bytes, the contents of a preferences file) put into
// `g`; lines that are comments, malformed or of unknown keys change nothing.
void ParsePreferences(const char* text, std::uint32_t length, Globals* g);
// The file's contents for `g`: one line a setting, in a fixed order, each ended by CR LF.
// Returns the length, or 0 when `capacity` bytes do not hold it.
std::uint32_t FormatPreferences(const Globals* g, char* buffer, std::uint32_t capacity);

}  // namespace velm
