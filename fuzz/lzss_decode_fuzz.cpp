// Decodes arbitrary bytes as an LZSS stream; whatever comes out must survive a round
// trip through the encoder unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "database/lzss.h"
#include "platform/memory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  using velm::os::MemHandle;
  MemHandle plain = nullptr;
  const std::int64_t n = velm::LzssDecode(data, static_cast<std::uint32_t>(size), plain, 4096);
  if (n < 0) std::abort();
  if (n > 0) {
    MemHandle coded = nullptr;
    MemHandle again = nullptr;
    const std::int64_t c =
        velm::LzssEncode(plain, static_cast<std::uint32_t>(n), coded, velm::kListGranule);
    const std::int64_t m =
        velm::LzssDecode(coded, static_cast<std::uint32_t>(c), again, velm::kListGranule);
    if (c <= 0 || m != n || std::memcmp(plain, again, static_cast<std::size_t>(n)) != 0) {
      std::abort();
    }
    velm::ReleaseBlock(coded);
    velm::ReleaseBlock(again);
  }
  velm::ReleaseBlock(plain);
  return 0;
}
