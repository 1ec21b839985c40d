// Texts between the plug-in's Shift-JIS (CP932) and the terminal's UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velmtool {

// The UTF-8 form of Shift-JIS bytes. A byte sequence that is not valid Shift-JIS
// becomes U+FFFD, character by character, so that the result is always valid UTF-8.
std::string SjisToUtf8(const std::string& sjis);

// The Shift-JIS form of a UTF-8 text; false when some character has none.
bool Utf8ToSjis(const std::string& utf8, std::string* sjis);

// The Shift-JIS form of a UTF-8 text in which a character Shift-JIS cannot hold becomes
// the nearest it can (an accented Latin letter its base letter, a dash '-', a space ' ')
// or '?'; each character replaced is added to `replaced` (UTF-8). Malformed UTF-8 bytes
// count as characters replaced by '?'.
std::string Utf8ToSjisNearest(const std::string& utf8, std::vector<std::string>* replaced);

// The text of a fixed-size field: up to its first NUL, never past `size` bytes.
std::string FieldText(const char* field, std::size_t size);

// `text` cut to at most `limit` bytes without splitting a double-byte character.
std::string CutSjis(const std::string& text, std::size_t limit);

}  // namespace velmtool
