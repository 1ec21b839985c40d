// The record index and the text matcher. An even first byte: the rest is a group file
// whose index is built and sorted every way; each order must hold between neighbours.
// An odd one: the rest is a text and a pattern (split at the first zero byte) matched
// every way; a match must lie in the text, and an exact match must be the pattern's bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "database/record_index.h"
#include "database/text_match.h"
#include "frame/globals.h"
#include "fuzz_session.h"

namespace {

void Index(const std::uint8_t* data, std::size_t size) {
  velmfuzz::Session();
  velmfuzz::WriteGroupFile("I", data, size);
  velm::SelectGroup("");
  velm::SelectGroup("I");
  if (velm::BuildRIHList("I") != 0) return;
  for (std::int16_t mode : {velm::kSortByKind, velm::kSortByDate, velm::kSortByName}) {
    velm::ResortRIHList(mode);
    const velm::os::MemHandle list = velm::gGlobals->RIHList;
    const std::int32_t count = velm::RIHCount(list);
    const velm::RIHItem* items = velm::RIHItems(list);
    for (std::int32_t i = 0; i + 1 < count; ++i) {
      if (velm::CompareRIHItems(items[i], items[i + 1], mode) > 0) std::abort();
    }
    for (std::int32_t i = 0; i < count; ++i) {
      if (velm::FindRIHItem(items[i].group, items[i].recordNumber) < 0) std::abort();
    }
  }
}

void Match(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = bytes.find('\0');
  const std::string text = bytes.substr(0, cut);
  const std::string pattern = cut == std::string::npos ? std::string() : bytes.substr(cut + 1);
  const char* p = pattern.c_str();  // stops at a further zero byte
  for (int flags = 0; flags < 8; ++flags) {
    const bool caseSensitive = flags & 1, widthSensitive = flags & 2, wholeWord = flags & 4;
    const std::int32_t at =
        velm::FindText(text.c_str(), p, caseSensitive, widthSensitive, wholeWord);
    if (at < -1 || at > static_cast<std::int32_t>(text.size())) std::abort();
    if (at >= 0 && caseSensitive && widthSensitive &&
        text.compare(static_cast<std::size_t>(at), std::strlen(p), p) != 0) {
      std::abort();
    }
    std::int32_t length = static_cast<std::int32_t>(std::strlen(p));
    velm::MatchAt(text.c_str(), p, length, caseSensitive, widthSensitive);
    if (length < 0 || length > static_cast<std::int32_t>(text.size()) + 1) std::abort();
  }
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(text.size()); ++i) {
    if (velm::ShiftJisByteClass(text.c_str(), i) > 2) std::abort();
  }
  velm::ParseInteger(text.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  if (data[0] % 2 == 0) {
    Index(data + 1, size - 1);
  } else {
    Match(data + 1, size - 1);
  }
  return 0;
}
