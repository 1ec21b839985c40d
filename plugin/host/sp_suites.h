// The elementary services every message carries (the basic suite) and the two "SP"
// suites of the plug-in frame: memory blocks kept by the host, and the plug-in's access
// record (its module instance, for loading resources).
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

// The basic suite arrives in every message record. All three operations may be called
// at any time on the user-interface thread, also outside a message.
#define VELM_SUITE_BASIC(OP)                                                          \
  /* Fills *suite with the table of the named suite at exactly that version. */       \
  OP(Err, AcquireSuite, (const char* name, std::int32_t version, const void** suite)) \
  /* Gives back one acquisition of the named suite. */                                \
  OP(Err, ReleaseSuite, (const char* name, std::int32_t version))                     \
  /* Non-zero when the two NUL-terminated strings are equal byte for byte. */         \
  OP(Boolean, IsEqual, (const char* a, const char* b))
VELM_DECLARE_SUITE(BasicSuite, "SP Basic Suite", 1, VELM_SUITE_BASIC)

#define VELM_SUITE_BLOCKS(OP)                                                      \
  /* Allocates a block of `size` bytes kept by the host under `debugName`. */      \
  OP(Err, AllocateBlock, (std::int32_t size, const char* debugName, void** block)) \
  /* Frees a block allocated by AllocateBlock. */                                  \
  OP(Err, FreeBlock, (void* block))                                                \
  /* Grows or shrinks a block; the block may move. */                              \
  OP(Err, ReallocateBlock,                                                         \
     (void* block, std::int32_t newSize, const char* debugName, void** newBlock))
VELM_DECLARE_SUITE(BlocksSuite, "SP Blocks Suite", 2, VELM_SUITE_BLOCKS)

#define VELM_SUITE_ACCESS(OP)                                               \
  /* The access record of a loaded plug-in. */                              \
  OP(Err, GetPluginAccess, (PluginRef plugin, AccessRef * access))          \
  /* The module instance behind an access record (for resource loading). */ \
  OP(Err, GetAccessInfo, (AccessRef access, ModuleInstance * instance))
VELM_DECLARE_SUITE(AccessSuite, "SP Access Suite", 3, VELM_SUITE_ACCESS)

}  // namespace host
