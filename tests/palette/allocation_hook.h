// The test program's own operator new: it can count the allocations made through it, or
// make every one of them throw std::bad_alloc, while an object below is alive.
#pragma once

#include <cstddef>

namespace velmtest {

class CountedAllocations {
 public:
  CountedAllocations();
  ~CountedAllocations();
  CountedAllocations(const CountedAllocations&) = delete;
  CountedAllocations& operator=(const CountedAllocations&) = delete;
  std::size_t count() const;
};

class FailingAllocations {
 public:
  FailingAllocations();
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
};

}  // namespace velmtest
