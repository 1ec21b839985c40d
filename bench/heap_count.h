// The process's heap, counted: the C library's allocation calls of this program (and of
// every library it uses) pass through counting wrappers, so that a benchmark can tell
// how many bytes are held and the most held at once, with the allocator's own rounding
// (the usable size of each block) but without its bookkeeping.
#pragma once

#include <cstdint>

namespace bench {

struct HeapUse {
  std::int64_t held = 0;
  std::int64_t peak = 0;
};
HeapUse Heap();
// Starts the peak again from what is held now.
void ResetHeapPeak();

}  // namespace bench
