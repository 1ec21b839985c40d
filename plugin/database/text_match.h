// Text matching for the record search, over Shift-JIS byte strings, and the small string
// utilities the database uses. A lead byte (0x81 … 0x9F, 0xE0 … 0xFC) and the byte after
// it are one character; every other byte is a character of its own. A lead byte just
// before a string's terminator is taken as a character of its own, so that no walk
// passes the terminator.
#pragma once

#include <cstdint>

namespace velm {

// One entry of the full-width to half-width folding table.
struct WidthFold {
  std::uint16_t fullWidth;  // Shift-JIS code, lead byte high
  std::uint8_t halfWidth;
};
inline constexpr int kWidthFoldCount = 92;
extern const WidthFold kWidthFoldTable[kWidthFoldCount];

bool IsShiftJisLeadByte(std::uint8_t byte);
// 'A' … 'Z', 'a' … 'z', '0' … '9'.
bool IsWordByte(std::uint8_t byte);

// Position of the first match of `pattern` in `text`, or -1 (also when either is null).
// Unless `caseSensitive`, A … Z equal a … z; unless `widthSensitive`, full-width
// characters of the folding table equal their half-width partners; with `wholeWord`, a
// match must start and end at word boundaries.
std::int32_t FindText(const char* text, const char* pattern, bool caseSensitive,
                      bool widthSensitive, bool wholeWord);

// 0 when the first `length` bytes of `pattern` match at the start of `text`, non-zero
// otherwise. On return `length` holds the number of text bytes the comparison consumed.
std::int32_t MatchAt(const char* text, const char* pattern, std::int32_t& length,
                     bool caseSensitive, bool widthSensitive);

// 0 when the byte at `index` is a single-byte character, 1 a lead byte, 2 the trail byte
// of a double-byte character (found by scanning `text` from its start).
int ShiftJisByteClass(const char* text, std::int32_t index);

// Position of the first occurrence of `part` in `text` (byte comparison), or -1; an empty
// `part` is found at 0 in a non-empty text.
std::int32_t FindSubstring(const char* text, const char* part);

// Copies the first `count` bytes of `source` (fewer if it is shorter) and a terminator.
void CopyPrefix(const char* source, std::int32_t count, char* destination);

// Leading spaces, an optional sign, then decimal digits up to the first non-digit; no
// digits give 0. Values beyond 32 bits are held at the nearest limit.
std::int32_t ParseInteger(const char* text);

void FillBytes(void* buffer, std::uint8_t value, std::int32_t count);

}  // namespace velm
