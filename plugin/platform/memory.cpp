#include "platform/memory.h"

namespace velm {

std::uint32_t RoundToGranule(std::uint32_t request, std::uint32_t granule) {
  if (granule == 0) return request;
  const std::uint64_t rounded =
      (static_cast<std::uint64_t>(request) + granule - 1) / granule * granule;
  return rounded > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(rounded);
}

bool GrowBlock(os::MemHandle& block, std::uint32_t request, std::uint32_t granule) {
  const std::uint32_t current = block ? os::MemSize(block) : 0;
  if (block && current >= request) return true;
  std::uint32_t size = RoundToGranule(request, granule);
  if (size == 0 && request != 0) return false;
  if (size == 0) size = granule ? granule : 1;
  // Grown where it lies where the system can: a large block is then never held twice.
  os::MemHandle grown = block ? os::MemGrow(block, size) : os::MemAlloc(size);
  if (!grown) return false;
  block = grown;
  return true;
}

void ReleaseBlock(os::MemHandle& block) {
  if (block) os::MemFree(block);
  block = nullptr;
}

}  // namespace velm
