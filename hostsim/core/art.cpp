// The parts of art objects: default paint, text attributes, raster channels.
#include "hostsim/core/art.h"

#include <cstring>

namespace hostsim {
host::Color GrayColor(host::Real value) {
  host::Color c;
  std::memset(static_cast<void*>(&c), 0, sizeof c);
  c.kind = host::kGrayColor;
  c.c.gray.gray = value;
  return c;
}

host::PathStyle DefaultPathStyle() {
  host::PathStyle s;
  std::memset(static_cast<void*>(&s), 0, sizeof s);
  s.fillPaint = 1;
  s.fill.color = GrayColor(1.0f);
  s.strokePaint = 0;
  s.stroke.color = GrayColor(1.0f);
  s.stroke.width = 1.0f;
  s.stroke.miterLimit = 4.0f;
  s.resolution = 800.0f;
  return s;
}

// ---- Text ----

bool SameAttributes(const TextAttributes& a, const TextAttributes& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TextAttributes DefaultTextAttributes() {
  TextAttributes a;
  std::memset(static_cast<void*>(&a), 0, sizeof a);
  a.paint = DefaultPathStyle();
  a.character.fontSize = 12.0f;
  a.character.leading = 14.4f;
  a.character.horizontalScale = 1.0f;
  a.character.verticalScale = 1.0f;
  std::strcpy(a.font.name, "IPAGothic");
  a.font.script = host::kJapaneseScript;
  a.paragraph.autoLeading = 1.2f;
  a.tabs.defaultSpacing = 36.0f;
  return a;
}

std::uint32_t TextData::Intern(const TextAttributes& attributes) {
  for (std::size_t i = 0; i < sets.size(); ++i)
    if (SameAttributes(sets[i], attributes)) return static_cast<std::uint32_t>(i);
  sets.push_back(attributes);
  return static_cast<std::uint32_t>(sets.size() - 1);
}

const TextAttributes& TextData::AttributesAt(std::size_t index) const {
  static const TextAttributes defaults = DefaultTextAttributes();
  if (attributeOf.empty()) return defaults;
  if (index >= attributeOf.size()) index = attributeOf.size() - 1;
  return sets[attributeOf[index]];
}

void TextData::Insert(std::size_t position, const std::string& text,
                      const TextAttributes& attributes) {
  position = std::min(position, bytes.size());
  const std::uint32_t set = Intern(attributes);
  bytes.insert(position, text);
  attributeOf.insert(attributeOf.begin() + static_cast<std::ptrdiff_t>(position), text.size(), set);
}

int RasterChannels(std::int32_t colorSpace) {
  switch (colorSpace) {
    case kRasterGray:
      return 1;
    case kRasterRgb:
      return 3;
    case kRasterCmyk:
    case kRasterArgb:
      return 4;
    default:
      return 0;
  }
}

}  // namespace hostsim
