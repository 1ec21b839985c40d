// Growable zero-filled memory blocks: a request is rounded up to a whole number of
// granules, and a block is replaced (allocate, copy, free) only when it is too small.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace velm {

// Lists, object buffers and thumbnail buffers.
inline constexpr std::uint32_t kListGranule = 131072;
// Record blocks and art-stream buffers.
inline constexpr std::uint32_t kRecordGranule = 2097152;

// `request` rounded up to the next multiple of `granule` (0 stays 0 … is one granule).
std::uint32_t RoundToGranule(std::uint32_t request, std::uint32_t granule);

// Makes `block` hold at least `request` bytes. A missing block is allocated; a block
// that is too small is grown (os::MemGrow: moved or extended, the old content kept and
// the rest zero, never held twice where the system allows). Returns false, leaving `block` as it
// was, when memory runs out or the rounded size does not fit in 32 bits.
bool GrowBlock(os::MemHandle& block, std::uint32_t request, std::uint32_t granule);

// Frees the block (if any) and clears the handle.
void ReleaseBlock(os::MemHandle& block);

}  // namespace velm
