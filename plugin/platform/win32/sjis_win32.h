// Shift-JIS (code page 932) <-> UTF-16 for the Win32 platform layer. The plug-in's
// texts are Shift-JIS whatever the system's ANSI code page is, so every name and text
// crosses to the wide-character calls through these, never through the "A" calls.
#pragma once

#include <cstddef>

namespace velm::win32 {

inline constexpr unsigned kShiftJisCodePage = 932;

// Longest path, in UTF-16 units with its terminator, that the layer hands to the system.
inline constexpr std::size_t kWidePathSize = 2048;

// Converts NUL-terminated Shift-JIS to NUL-terminated UTF-16 in `wide` (`size` units).
// False when the bytes are not valid Shift-JIS or the result does not fit.
bool SjisToWide(const char* sjis, wchar_t* wide, std::size_t size);

// Converts NUL-terminated UTF-16 to NUL-terminated Shift-JIS in `sjis` (`size` bytes).
// Either form of the seven doubled characters (platform/sjis_forms.h) is taken. False
// when a character has no Shift-JIS form (no best-fit substitutes are taken) or the
// result does not fit.
bool WideToSjis(const wchar_t* wide, char* sjis, std::size_t size);

// Converts `length` bytes of Shift-JIS (no terminator needed) to UTF-16; returns the
// number of units written, or -1 when the bytes are not valid or do not fit.
int SjisToWideCount(const char* sjis, int length, wchar_t* wide, int size);

}  // namespace velm::win32
