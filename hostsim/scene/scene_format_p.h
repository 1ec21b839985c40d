// What the scene reader and writer share: the names of enumerations, the fields of the
// text attribute records, and small conversions. Private to hostsim's scene files.
#pragma once

#include <iconv.h>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/art_types.h"

namespace hostsim::scene_io {

using Json = nlohmann::json;

struct SceneError {
  std::string pointer;
  std::string what;
};

// ---- Names of enumerations ----

inline const char* const kBlendModes[] = {"normal",    "multiply",   "screen",     "overlay",
                                          "softLight", "hardLight",  "colorDodge", "colorBurn",
                                          "darken",    "lighten",    "difference", "exclusion",
                                          "hue",       "saturation", "color",      "luminosity"};
inline const char* const kKnockouts[] = {"off", "on", "inherited"};
inline const char* const kCaps[] = {"butt", "round", "projecting"};
inline const char* const kJoins[] = {"miter", "round", "bevel"};
inline const char* const kTextTypes[] = {"point", "area", "path"};
inline const char* const kRasterSpaces[] = {"gray", "rgb", "cmyk", "argb"};
inline const char* const kMeshKinds[] = {"cartesian", "polar"};
inline const char* const kUnits[] = {"other", "in", "cm", "pt", "pc", "mm", "px"};

// ---- Fields of the text attribute records ----

enum class FieldKind { kReal, kInt32, kInt16 };
struct Field {
  const char* name;
  std::size_t offset;
  FieldKind kind;
};

#define HOSTSIM_REAL(T, f) \
  { #f, offsetof(T, f), FieldKind::kReal }
#define HOSTSIM_INT(T, f) \
  { #f, offsetof(T, f), FieldKind::kInt32 }
#define HOSTSIM_SHORT(T, f) \
  { #f, offsetof(T, f), FieldKind::kInt16 }

inline const Field kCharacterFields[] = {
    HOSTSIM_REAL(host::CharacterAttributes, fontSize),
    HOSTSIM_REAL(host::CharacterAttributes, leading),
    HOSTSIM_REAL(host::CharacterAttributes, tracking),
    HOSTSIM_REAL(host::CharacterAttributes, kerning),
    HOSTSIM_REAL(host::CharacterAttributes, horizontalScale),
    HOSTSIM_REAL(host::CharacterAttributes, verticalScale),
    HOSTSIM_REAL(host::CharacterAttributes, baselineShift),
    HOSTSIM_REAL(host::CharacterAttributes, rotation),
    HOSTSIM_REAL(host::CharacterAttributes, tsume),
    HOSTSIM_REAL(host::CharacterAttributes, warichuScale),
    HOSTSIM_SHORT(host::CharacterAttributes, direction),
    HOSTSIM_SHORT(host::CharacterAttributes, alternateGlyphs),
    HOSTSIM_INT(host::CharacterAttributes, language),
    HOSTSIM_INT(host::CharacterAttributes, autoKern),
    HOSTSIM_INT(host::CharacterAttributes, underline),
    HOSTSIM_INT(host::CharacterAttributes, strikethrough),
    HOSTSIM_INT(host::CharacterAttributes, capitalization),
    HOSTSIM_INT(host::CharacterAttributes, baselinePosition),
    HOSTSIM_REAL(host::CharacterAttributes, tateChuYokoOffset),
    HOSTSIM_INT(host::CharacterAttributes, tateChuYoko),
    HOSTSIM_INT(host::CharacterAttributes, mojikumi),
    HOSTSIM_INT(host::CharacterAttributes, kinsoku),
    HOSTSIM_INT(host::CharacterAttributes, warichu),
    HOSTSIM_INT(host::CharacterAttributes, warichuLines),
    HOSTSIM_INT(host::CharacterAttributes, proportionalMetrics),
};
inline const Field kFontFields[] = {
    HOSTSIM_INT(host::TextFont, faceId),          HOSTSIM_INT(host::TextFont, styleId),
    HOSTSIM_INT(host::TextFont, script),          HOSTSIM_INT(host::TextFont, encoding),
    HOSTSIM_INT(host::TextFont, technology),      HOSTSIM_INT(host::TextFont, weight),
    HOSTSIM_INT(host::TextFont, widthClass),      HOSTSIM_INT(host::TextFont, italic),
    HOSTSIM_INT(host::TextFont, fixedPitch),      HOSTSIM_INT(host::TextFont, vertical),
    HOSTSIM_INT(host::TextFont, substituted),     HOSTSIM_INT(host::TextFont, writingDirection),
    HOSTSIM_SHORT(host::TextFont, syntheticBold), HOSTSIM_SHORT(host::TextFont, syntheticItalic),
};
inline const Field kParagraphFields[] = {
    HOSTSIM_REAL(host::ParagraphAttributes, firstLineIndent),
    HOSTSIM_REAL(host::ParagraphAttributes, leftIndent),
    HOSTSIM_REAL(host::ParagraphAttributes, rightIndent),
    HOSTSIM_REAL(host::ParagraphAttributes, spaceBefore),
    HOSTSIM_INT(host::ParagraphAttributes, alignment),
    {"letterSpacingMin", offsetof(host::ParagraphAttributes, letterSpacing), FieldKind::kReal},
    {"letterSpacingMax", offsetof(host::ParagraphAttributes, letterSpacing) + sizeof(host::Real),
     FieldKind::kReal},
    HOSTSIM_INT(host::ParagraphAttributes, hyphenation),
    HOSTSIM_INT(host::ParagraphAttributes, hangingPunctuation),
    HOSTSIM_INT(host::ParagraphAttributes, kinsokuSet),
    HOSTSIM_REAL(host::ParagraphAttributes, spaceAfter),
    HOSTSIM_REAL(host::ParagraphAttributes, autoLeading),
    HOSTSIM_INT(host::ParagraphAttributes, mojikumiSet),
    HOSTSIM_REAL(host::ParagraphAttributes, wordSpacing),
    HOSTSIM_INT(host::ParagraphAttributes, burasagari),
    HOSTSIM_INT(host::ParagraphAttributes, flags),
};

#undef HOSTSIM_REAL
#undef HOSTSIM_INT
#undef HOSTSIM_SHORT

// ---- Small conversions ----

// A host real as the shortest decimal that reads back as the same real.
inline Json R(float value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return Json(std::strtod(std::string(buffer, result.ptr).c_str(), nullptr));
}

inline std::string Hex(const std::uint8_t* bytes, std::size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s(n * 2, '0');
  for (std::size_t i = 0; i < n; ++i) {
    s[2 * i] = digits[bytes[i] >> 4];
    s[2 * i + 1] = digits[bytes[i] & 15];
  }
  return s;
}

inline bool Unhex(const std::string& s, std::vector<std::uint8_t>* out) {
  if (s.size() % 2) return false;
  out->resize(s.size() / 2);
  for (std::size_t i = 0; i < out->size(); ++i) {
    unsigned v = 0;
    const auto r = std::from_chars(s.data() + 2 * i, s.data() + 2 * i + 2, v, 16);
    if (r.ec != std::errc() || r.ptr != s.data() + 2 * i + 2) return false;
    (*out)[i] = static_cast<std::uint8_t>(v);
  }
  return true;
}

// Converts between encodings; false when some character cannot be converted.
inline bool Recode(const char* from, const char* to, const std::string& in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string buffer(in.size() * 4 + 8, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char* dst = buffer.data();
  std::size_t dstLeft = buffer.size();
  const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1) || srcLeft != 0) return false;
  buffer.resize(buffer.size() - dstLeft);
  *out = buffer;
  return true;
}

inline std::string Escape(const std::string& key) {
  std::string out;
  for (char c : key) {
    if (c == '~')
      out += "~0";
    else if (c == '/')
      out += "~1";
    else
      out += c;
  }
  return out;
}

}  // namespace hostsim::scene_io
