// Seven Shift-JIS codes have two Unicode forms: the JIS form that Japanese input methods
// type (WAVE DASH, MINUS SIGN, ...) and the Windows form that code page 932 gives back.
// Every conversion into Shift-JIS replaces the JIS forms by the Windows ones first, so
// that either is taken; conversions out of Shift-JIS give the Windows form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velm::platform {

struct SjisVariant {
  char32_t jis;
  char32_t windows;
};

inline constexpr SjisVariant kSjisVariants[] = {
    {0x301C, 0xFF5E},  // 〜 -> ～ (0x8160)
    {0x2016, 0x2225},  // ‖ -> ∥ (0x8161)
    {0x2212, 0xFF0D},  // − -> － (0x817C)
    {0x2014, 0x2015},  // — -> ― (0x815C)
    {0x00A2, 0xFFE0},  // ¢ -> ￠ (0x8191)
    {0x00A3, 0xFFE1},  // £ -> ￡ (0x8192)
    {0x00AC, 0xFFE2},  // ¬ -> ￢ (0x81CA)
};

// The Windows form of `c`, or `c` itself when it has no other form.
constexpr char32_t WindowsFormOf(char32_t c) {
  for (const SjisVariant& v : kSjisVariants)
    if (v.jis == c) return v.windows;
  return c;
}

// `utf8` with the JIS forms replaced. Anything else, malformed bytes included, is copied
// as it stands (for the converter to judge).
inline std::string ToWindowsForms(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 8);
  auto cont = [&](std::size_t i) {
    return i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80;
  };
  auto byte = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(utf8[i]));
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    char32_t c = 0;
    std::size_t n = 0;
    if (lead == 0xC2 && cont(i + 1)) {
      c = ((lead & 0x1Fu) << 6) | (byte(i + 1) & 0x3F);
      n = 2;
    } else if ((lead == 0xE2 || lead == 0xE3) && cont(i + 1) && cont(i + 2)) {
      c = ((lead & 0x0Fu) << 12) | ((byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F);
      n = 3;
    }
    const char32_t w = n ? WindowsFormOf(c) : c;
    if (n == 0 || w == c) {
      const std::size_t copy = n ? n : 1;
      out.append(utf8.substr(i, copy));
      i += copy;
      continue;
    }
    // Every Windows form lies in U+0800..U+FFFF: three bytes.
    out += static_cast<char>(0xE0 | (w >> 12));
    out += static_cast<char>(0x80 | ((w >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (w & 0x3F));
    i += n;
  }
  return out;
}

// A NUL-terminated wide text (UTF-16 units) with the JIS forms replaced in place; all
// of them lie in the Basic Multilingual Plane, so the length stays.
inline void ToWindowsFormsInPlace(wchar_t* text) {
  for (; *text; ++text)
    *text = static_cast<wchar_t>(WindowsFormOf(static_cast<char32_t>(*text)));
}

}  // namespace velm::platform
