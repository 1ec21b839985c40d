#include "allocation_limit.h"

#include <cstdlib>
#include <new>

namespace {

std::size_t gLimit = 0;  // 0: no limit

bool Refused(std::size_t size) {
  return gLimit != 0 && size >= gLimit;
}

}  // namespace

void* operator new(std::size_t size) {
  if (Refused(size)) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return ::operator new(size);
}
// The non-throwing forms too, so that every block this program's delete frees came from
// these functions (the sanitizers check that allocation and release match).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (Refused(size)) return nullptr;
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace velmtest {

LargeAllocationsFail::LargeAllocationsFail(std::size_t from) {
  gLimit = from;
}
LargeAllocationsFail::~LargeAllocationsFail() {
  gLimit = 0;
}

}  // namespace velmtest
