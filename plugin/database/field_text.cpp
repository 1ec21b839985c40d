#include "database/field_text.h"

#include <cstdint>
#include <cstring>

#include "database/group_file.h"
#include "database/text_match.h"

namespace velm {

namespace {

// The number of bytes of `text` (at most `limit`) that end on a character boundary.
std::size_t WholeCharacters(const char* text, std::size_t limit) {
  std::size_t i = 0;
  while (i < limit && text[i]) {
    const std::size_t step = IsShiftJisLeadByte(static_cast<std::uint8_t>(text[i])) ? 2 : 1;
    if (i + step > limit || (step == 2 && !text[i + 1])) break;
    i += step;
  }
  return i;
}

}  // namespace

GroupName CopyGroupName(const char* name) {
  GroupName group{};
  SetField(group.text, sizeof group.text, name);
  return group;
}

bool SameGroup(const char* a, const char* b) {
  return std::strncmp(a, b, kGroupNameSize) == 0;
}

bool IsWritableGroup(const char* group) {
  return IsValidGroupName(group) && !SameGroup(group, kSearchResultsGroup);
}

void SetField(char* field, std::size_t size, const char* text) {
  std::memset(field, 0, size);
  if (!text || size == 0) return;
  std::memcpy(field, text, WholeCharacters(text, size - 1));
}

}  // namespace velm
