#include "allocation_hook.h"

#include <cstdlib>
#include <new>

namespace {

bool gCounting = false;
bool gFailing = false;
std::size_t gCount = 0;

// One allocation while counting (a place for a debugger's breakpoint).
[[gnu::noinline]] void Counted() {
  ++gCount;
}

}  // namespace

void* operator new(std::size_t size) {
  if (gCounting) Counted();
  if (gFailing) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return ::operator new(size);
}
// The non-throwing forms too, so that every block this program's delete frees came from
// these functions (the sanitizers check that allocation and release match).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (gCounting) Counted();
  if (gFailing) return nullptr;
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

CountedAllocations::CountedAllocations() {
  gCount = 0;
  gCounting = true;
}
CountedAllocations::~CountedAllocations() {
  gCounting = false;
}
std::size_t CountedAllocations::count() const {
  return gCount;
}

FailingAllocations::FailingAllocations() {
  gFailing = true;
}
FailingAllocations::~FailingAllocations() {
  gFailing = false;
}

}  // namespace velmtest
