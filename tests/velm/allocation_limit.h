// The test program's own operator new, which can refuse every block from a given size on
// (std::bad_alloc) while an object below is alive: a machine whose memory runs out.
#pragma once

#include <cstddef>

namespace velmtest {

class LargeAllocationsFail {
 public:
  explicit LargeAllocationsFail(std::size_t from);
  ~LargeAllocationsFail();
  LargeAllocationsFail(const LargeAllocationsFail&) = delete;
  LargeAllocationsFail& operator=(const LargeAllocationsFail&) = delete;
};

}  // namespace velmtest
