// Byte strings (Shift-JIS texts, four-character keys) in the host's own text files:
// printable ASCII stays as it is; a backslash, control bytes and every byte outside
// 0x20 ... 0x7E are written as \xHH, so any byte string survives a line of the file.
#pragma once

#include <cstdio>
#include <string>

namespace hostsim {

// `escapeBlank` also writes the blank as \x20 (for files whose fields a blank separates).
inline std::string EscapeBytes(const std::string& bytes, bool escapeBlank) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c <= 0x7E && c != '\\' && !(escapeBlank && c == 0x20)) {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

// The bytes of an escaped text; false for a backslash not followed by x and two hex digits.
inline bool UnescapeBytes(const std::string& text, std::string* bytes) {
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  bytes->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      *bytes += text[i];
      continue;
    }
    if (i + 3 >= text.size() || text[i + 1] != 'x') return false;
    const int hi = digit(text[i + 2]), lo = digit(text[i + 3]);
    if (hi < 0 || lo < 0) return false;
    *bytes += static_cast<char>(hi * 16 + lo);
    i += 3;
  }
  return true;
}

}  // namespace hostsim
