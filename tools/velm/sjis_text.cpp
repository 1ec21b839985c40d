#include "sjis_text.h"

#include <iconv.h>

#include <cstring>

#include "database/text_match.h"
#include "platform/sjis_forms.h"

namespace velmtool {
namespace {

// The conversion descriptors opened so far, one per direction, kept for the thread: a
// listing converts thousands of short texts, and opening a descriptor costs far more than
// converting one.
class Descriptors {
 public:
  ~Descriptors() {
    for (const Kept& k : kept_)
      if (k.from) iconv_close(k.cd);
  }
  // Open, its shift state reset; (iconv_t)-1 when the conversion is not known.
  iconv_t Get(const char* from, const char* to) {
    for (const Kept& k : kept_) {
      if (k.from && std::strcmp(k.from, from) == 0 && std::strcmp(k.to, to) == 0) {
        iconv(k.cd, nullptr, nullptr, nullptr, nullptr);
        return k.cd;
      }
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
    for (Kept& k : kept_) {
      if (!k.from) {
        k = {from, to, cd};
        return cd;
      }
    }
    iconv_close(cd);  // not reached: the few directions fit
    return reinterpret_cast<iconv_t>(-1);
  }

 private:
  struct Kept {
    const char* from = nullptr;
    const char* to = nullptr;
    iconv_t cd{};
  };
  Kept kept_[4];
};

// Converts with iconv; false when any byte cannot be converted.
bool Convert(const char* from, const char* to, const std::string& in, std::string* out) {
  thread_local Descriptors descriptors;
  iconv_t cd = descriptors.Get(from, to);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char* dst = result.data();
  std::size_t dstLeft = result.size();
  const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
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

namespace {

// The next character of UTF-8 text at `at`: its code point and its bytes; -1 for a byte
// that starts no valid character (one byte is taken).
long NextCodePoint(const std::string& s, std::size_t at, std::size_t* length) {
  const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = byte(at);
  std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  *length = 1;
  if (n == 0 || at + n > s.size()) return -1;
  long cp = n == 1 ? c : c & (0x3F >> (n - 1));
  for (std::size_t i = 1; i < n; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (byte(at + i) & 0x3F);
  }
  static const long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  *length = n;
  return cp;
}

// The nearest text Shift-JIS holds for a character it does not, or null.
const char* NearestAscii(long cp) {
  // Latin-1 Supplement and Latin Extended-A letters, by their base letter(s).
  static const char* const kLatin1[] = {
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",   // C0
      "D", "N", "O", "O", "O", "O", "O",  "x", "O", "U", "U", "U", "U", "Y", "Th", "ss",  // D0
      "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",   // E0
      "d", "n", "o", "o", "o", "o", "o",  "/", "o", "u", "u", "u", "u", "y", "th", "y"};  // F0
  static const char kExtendedA[] =
      "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi??JjKkkLlLlLlLlLlNnNnNnnNnOoOoOo??"
      "RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
  static_assert(sizeof kExtendedA == 0x80 + 1, "one letter for each of U+0100 ... U+017F");
  static char one[2];
  if (cp >= 0xC0 && cp <= 0xFF) return kLatin1[cp - 0xC0];
  if (cp >= 0x100 && cp <= 0x17F) {
    one[0] = kExtendedA[cp - 0x100];
    return one[0] == '?' ? nullptr : one;
  }
  switch (cp) {
    case 0xA0:
    case 0x2000:
    case 0x2001:
    case 0x2002:
    case 0x2003:
    case 0x2004:
    case 0x2005:
    case 0x2006:
    case 0x2007:
    case 0x2008:
    case 0x2009:
    case 0x200A:
    case 0x202F:
    case 0x205F:
      return " ";
    case 0x2010:
    case 0x2011:
    case 0x2012:
    case 0x2013:
    case 0x2014:
    case 0x2212:
      return "-";
    case 0x201A:
    case 0x2039:
    case 0x203A:
      return "'";
    case 0x201E:
    case 0xAB:
    case 0xBB:
      return "\"";
    case 0x2022:
    case 0xB7:
      return "・";
    case 0x20AC:
      return "EUR";
    case 0xA9:
      return "(c)";
    case 0xAE:
      return "(R)";
    case 0x2122:
      return "TM";
    default:
      return nullptr;
  }
}

}  // namespace

std::string Utf8ToSjisNearest(const std::string& utf8, std::vector<std::string>* replaced) {
  std::string sjis;
  if (Utf8ToSjis(utf8, &sjis)) return sjis;
  sjis.clear();
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t length = 1;
    const long cp = NextCodePoint(utf8, at, &length);
    const std::string character = utf8.substr(at, length);
    at += length;
    std::string part;
    if (cp >= 0 && Utf8ToSjis(character, &part)) {
      sjis += part;
      continue;
    }
    const char* nearest = cp >= 0 ? NearestAscii(cp) : nullptr;
    if (!nearest || !Utf8ToSjis(nearest, &part)) part.assign(1, '?');
    sjis += part;
    if (replaced) replaced->push_back(cp >= 0 ? character : "\xEF\xBF\xBD");
  }
  return sjis;
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
