// Counting wrappers around the C library's allocator (glibc: its own entry points do the
// work). Every block is counted by its usable size when it is made and when it goes, so
// the count needs no header of its own and blocks made before counting began (there are
// none: the wrappers are there from the program's start) cannot unbalance it.
#include "heap_count.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<std::int64_t> gHeld{0};
std::atomic<std::int64_t> gPeak{0};

void Add(void* block) {
  if (!block) return;
  const auto size = static_cast<std::int64_t>(malloc_usable_size(block));
  const std::int64_t held = gHeld.fetch_add(size, std::memory_order_relaxed) + size;
  std::int64_t peak = gPeak.load(std::memory_order_relaxed);
  while (held > peak && !gPeak.compare_exchange_weak(peak, held, std::memory_order_relaxed)) {
  }
}

void Remove(void* block) {
  if (block)
    gHeld.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(block)),
                    std::memory_order_relaxed);
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
  void* block = __libc_malloc(size);
  Add(block);
  return block;
}

void* calloc(std::size_t count, std::size_t size) {
  void* block = __libc_calloc(count, size);
  Add(block);
  return block;
}

void* realloc(void* block, std::size_t size) {
  const auto before = block ? static_cast<std::int64_t>(malloc_usable_size(block)) : 0;
  void* grown = __libc_realloc(block, size);
  if (grown || size == 0) gHeld.fetch_sub(before, std::memory_order_relaxed);
  if (!grown && size != 0) return nullptr;  // the old block stands, still counted
  Add(grown);
  return grown;
}

void free(void* block) {
  Remove(block);
  __libc_free(block);
}

void* memalign(std::size_t alignment, std::size_t size) {
  void* block = __libc_memalign(alignment, size);
  Add(block);
  return block;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
  return memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* block = memalign(alignment, size);
  if (!block && size != 0) return ENOMEM;
  *out = block;
  return 0;
}

void* valloc(std::size_t size) {
  return memalign(4096, size);
}

void* pvalloc(std::size_t size) {
  return memalign(4096, (size + 4095) / 4096 * 4096);
}

}  // extern "C"

namespace bench {

HeapUse Heap() {
  return {gHeld.load(std::memory_order_relaxed), gPeak.load(std::memory_order_relaxed)};
}

void ResetHeapPeak() {
  gPeak.store(gHeld.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

}  // namespace bench
