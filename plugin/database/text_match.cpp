#include "database/text_match.h"

#include <cstring>

namespace velm {

// Full-width characters and the single bytes they fold to.
const WidthFold kWidthFoldTable[kWidthFoldCount] = {
    // ０ … ９
    {0x824F, 0x30},
    {0x8250, 0x31},
    {0x8251, 0x32},
    {0x8252, 0x33},
    {0x8253, 0x34},
    {0x8254, 0x35},
    {0x8255, 0x36},
    {0x8256, 0x37},
    {0x8257, 0x38},
    {0x8258, 0x39},
    // Ａ … Ｚ
    {0x8260, 0x41},
    {0x8261, 0x42},
    {0x8262, 0x43},
    {0x8263, 0x44},
    {0x8264, 0x45},
    {0x8265, 0x46},
    {0x8266, 0x47},
    {0x8267, 0x48},
    {0x8268, 0x49},
    {0x8269, 0x4A},
    {0x826A, 0x4B},
    {0x826B, 0x4C},
    {0x826C, 0x4D},
    {0x826D, 0x4E},
    {0x826E, 0x4F},
    {0x826F, 0x50},
    {0x8270, 0x51},
    {0x8271, 0x52},
    {0x8272, 0x53},
    {0x8273, 0x54},
    {0x8274, 0x55},
    {0x8275, 0x56},
    {0x8276, 0x57},
    {0x8277, 0x58},
    {0x8278, 0x59},
    {0x8279, 0x5A},
    // ａ … ｚ
    {0x8281, 0x61},
    {0x8282, 0x62},
    {0x8283, 0x63},
    {0x8284, 0x64},
    {0x8285, 0x65},
    {0x8286, 0x66},
    {0x8287, 0x67},
    {0x8288, 0x68},
    {0x8289, 0x69},
    {0x828A, 0x6A},
    {0x828B, 0x6B},
    {0x828C, 0x6C},
    {0x828D, 0x6D},
    {0x828E, 0x6E},
    {0x828F, 0x6F},
    {0x8290, 0x70},
    {0x8291, 0x71},
    {0x8292, 0x72},
    {0x8293, 0x73},
    {0x8294, 0x74},
    {0x8295, 0x75},
    {0x8296, 0x76},
    {0x8297, 0x77},
    {0x8298, 0x78},
    {0x8299, 0x79},
    {0x829A, 0x7A},
    // ！”＃＄％＆’（）＝～｜￥［］｛｝＜＞＠＊＋－＿，．＾；：・
    {0x8149, 0x21},
    {0x8168, 0x22},
    {0x8194, 0x23},
    {0x8190, 0x24},
    {0x8193, 0x25},
    {0x8195, 0x26},
    {0x8166, 0x27},
    {0x8169, 0x28},
    {0x816A, 0x29},
    {0x8181, 0x3D},
    {0x8160, 0x7E},
    {0x8162, 0x7C},
    {0x818F, 0x5C},
    {0x816D, 0x5B},
    {0x816E, 0x5D},
    {0x816F, 0x7B},
    {0x8170, 0x7D},
    {0x8183, 0x3C},
    {0x8184, 0x3E},
    {0x8197, 0x40},
    {0x8196, 0x2A},
    {0x817B, 0x2B},
    {0x817C, 0x2D},
    {0x8151, 0x5F},
    {0x8143, 0x2C},
    {0x8144, 0x2E},
    {0x814F, 0x5E},
    {0x8147, 0x3B},
    {0x8146, 0x3A},
    {0x8145, 0xA5},
};

bool IsShiftJisLeadByte(std::uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsWordByte(std::uint8_t byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9');
}

namespace {

// One character as compared: one or two bytes.
struct Character {
  std::uint8_t bytes[2];
  int size;
};

Character Take(const std::uint8_t* at, bool secondByteAvailable) {
  if (IsShiftJisLeadByte(at[0]) && secondByteAvailable) return {{at[0], at[1]}, 2};
  return {{at[0], 0}, 1};
}

void Fold(Character& c, bool caseSensitive, bool widthSensitive) {
  if (!widthSensitive && c.size == 2) {
    const std::uint16_t code = static_cast<std::uint16_t>(c.bytes[0] << 8 | c.bytes[1]);
    for (const WidthFold& entry : kWidthFoldTable) {
      if (entry.fullWidth == code) {
        c = {{entry.halfWidth, 0}, 1};
        break;
      }
    }
  }
  if (!caseSensitive && c.size == 1 && c.bytes[0] >= 'A' && c.bytes[0] <= 'Z') {
    c.bytes[0] = static_cast<std::uint8_t>(c.bytes[0] + ('a' - 'A'));
  }
}

const std::uint8_t* Bytes(const char* text) {
  return reinterpret_cast<const std::uint8_t*>(text);
}

}  // namespace

std::int32_t MatchAt(const char* text, const char* pattern, std::int32_t& length,
                     bool caseSensitive, bool widthSensitive) {
  if (!text || !pattern) return 1;
  const std::uint8_t* t = Bytes(text);
  const std::uint8_t* p = Bytes(pattern);
  const std::int32_t patternLength = length;
  std::int32_t tAt = 0;
  std::int32_t pAt = 0;
  std::int32_t result = 0;
  while (pAt < patternLength) {
    if (t[tAt] == 0) {
      result = 1;
      break;
    }
    Character tc = Take(t + tAt, t[tAt + 1] != 0);
    Character pc = Take(p + pAt, pAt + 1 < patternLength);
    tAt += tc.size;
    pAt += pc.size;
    Fold(tc, caseSensitive, widthSensitive);
    Fold(pc, caseSensitive, widthSensitive);
    if (tc.size != pc.size || tc.bytes[0] != pc.bytes[0] ||
        (tc.size == 2 && tc.bytes[1] != pc.bytes[1])) {
      result = 1;
      break;
    }
  }
  length = tAt;
  return result;
}

std::int32_t FindText(const char* text, const char* pattern, bool caseSensitive,
                      bool widthSensitive, bool wholeWord) {
  if (!text || !pattern) return -1;
  const std::uint8_t* t = Bytes(text);
  const auto patternLength = static_cast<std::int32_t>(std::strlen(pattern));
  std::int32_t at = 0;
  while (t[at] != 0) {
    std::int32_t consumed = patternLength;
    if (MatchAt(text + at, pattern, consumed, caseSensitive, widthSensitive) == 0) {
      if (!wholeWord || !IsWordByte(t[at + consumed])) return at;
    }
    const std::uint8_t passed = t[at++];
    if (IsShiftJisLeadByte(passed)) {
      if (t[at] != 0) ++at;
      continue;
    }
    if (wholeWord && IsWordByte(passed)) {
      while (IsWordByte(t[at]))
        ++at;
    }
  }
  return -1;
}

int ShiftJisByteClass(const char* text, std::int32_t index) {
  if (!text || index < 0) return 0;
  const std::uint8_t* t = Bytes(text);
  std::int32_t at = 0;
  while (at < index)
    at += IsShiftJisLeadByte(t[at]) ? 2 : 1;
  if (at > index) return 2;
  return IsShiftJisLeadByte(t[index]) ? 1 : 0;
}

std::int32_t FindSubstring(const char* text, const char* part) {
  if (!text || !part) return -1;
  const std::size_t partLength = std::strlen(part);
  for (std::int32_t at = 0; text[at] != 0; ++at) {
    if (std::strncmp(text + at, part, partLength) == 0) return at;
  }
  return -1;
}

void CopyPrefix(const char* source, std::int32_t count, char* destination) {
  if (!source || !destination) return;
  std::int32_t i = 0;
  for (; i < count && source[i] != 0; ++i)
    destination[i] = source[i];
  destination[i] = 0;
}

std::int32_t ParseInteger(const char* text) {
  if (!text) return 0;
  while (*text == ' ')
    ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  std::int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > 0x80000000LL) value = 0x80000000LL;
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return value > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(value);
}

void FillBytes(void* buffer, std::uint8_t value, std::int32_t count) {
  if (!buffer || count <= 0) return;
  std::memset(buffer, value, static_cast<std::size_t>(count));
}

}  // namespace velm
