#include "dialogs/dialog_text.h"

#include <cstdint>
#include <cstring>

#include "database/text_match.h"
#include "frame/suites.h"

namespace velm {

std::size_t WholeCharacters(const char* text, std::size_t length) {
  std::size_t at = 0;
  while (at < length) {
    const bool lead = IsShiftJisLeadByte(static_cast<std::uint8_t>(text[at]));
    if (lead && at + 1 >= length) break;  // its second byte was cut off
    at += lead ? 2 : 1;
  }
  return at;
}

void CutToWholeCharacters(char* text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && text[length])
    ++length;
  text[WholeCharacters(text, length)] = '\0';
}

void GetWholeText(host::ItemRef item, char* out, std::size_t size) {
  if (size == 0) return;
  out[0] = '\0';
  if (item) sAdmItem->GetText(item, out, static_cast<std::int32_t>(size));
  out[size - 1] = '\0';
  CutToWholeCharacters(out, size - 1);
}

}  // namespace velm
