#include "sjis_text.h"

#include <iconv.h>

#include <cstring>

#include "database/text_match.h"
#include "platform/sjis_forms.h"

namespace velmtool {
namespace {

// Converts with iconv; false when any byte cannot be converted.
bool Convert(const char* from, const char* to, const std::string& in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char* dst = result.data();
  std::size_t dstLeft = result.size();
  const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1) || srcLeft != 0) return false;
  result.resize(result.size() - dstLeft);
  *out = std::move(result);
  return true;
}

}  // namespace

std::string SjisToUtf8(const std::string& sjis) {
  std::string utf8;
  if (Convert("CP932", "UTF-8", sjis, &utf8)) return utf8;
  // Some character is not valid: convert one character at a time.
  utf8.clear();
  for (std::size_t i = 0; i < sjis.size();) {
    const bool lead = velm::IsShiftJisLeadByte(static_cast<std::uint8_t>(sjis[i]));
    const std::size_t n = lead && i + 1 < sjis.size() ? 2 : 1;
    std::string part;
    if (Convert("CP932", "UTF-8", sjis.substr(i, n), &part)) {
      utf8 += part;
    } else {
      utf8 += "\xEF\xBF\xBD";
    }
    i += n;
  }
  return utf8;
}

bool Utf8ToSjis(const std::string& utf8, std::string* sjis) {
  return Convert("UTF-8", "CP932", velm::platform::ToWindowsForms(utf8), sjis);
}

std::string FieldText(const char* field, std::size_t size) {
  const void* end = std::memchr(field, '\0', size);
  return std::string(field, end ? static_cast<const char*>(end) - field : size);
}

std::string CutSjis(const std::string& text, std::size_t limit) {
  std::size_t at = 0;
  while (at < text.size()) {
    const bool lead = velm::IsShiftJisLeadByte(static_cast<std::uint8_t>(text[at]));
    const std::size_t n = lead && at + 1 < text.size() ? 2 : 1;
    if (at + n > limit) break;
    at += n;
  }
  return text.substr(0, at);
}

}  // namespace velmtool
