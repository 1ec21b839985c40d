// Any bytes as the preferences file. Whatever settings are taken from it, writing them
// and reading the result back must give the same settings (the same text again).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "frame/globals.h"
#include "prefs/preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 16)) return 0;
  auto first = std::make_unique<velm::Globals>();
  auto second = std::make_unique<velm::Globals>();
  velm::ParsePreferences(reinterpret_cast<const char*>(data), static_cast<std::uint32_t>(size),
                         first.get());
  static char text[4096], again[4096];
  const std::uint32_t length = velm::FormatPreferences(first.get(), text, sizeof text);
  if (length == 0 || length >= sizeof text) std::abort();
  velm::ParsePreferences(text, length, second.get());
  const std::uint32_t length2 = velm::FormatPreferences(second.get(), again, sizeof again);
  if (length2 != length || std::memcmp(text, again, length) != 0) std::abort();
  return 0;
}
