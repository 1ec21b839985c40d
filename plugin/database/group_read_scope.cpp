// One command's reads of one group through a single handle (GroupReadScope).
#include <cstring>
#include <new>

#include "database/group_file.h"
#include "database/group_file_p.h"
#include "database/group_reader.h"
#include "database/record_offsets.h"
#include "platform/memory.h"

namespace velm {

using namespace group_io;

namespace {

constexpr std::uint32_t kOffsetGranule = 65536;

thread_local ReadScopeState* tScope = nullptr;

}  // namespace

bool ReadScopeState::Locate(std::int32_t index, std::int64_t* at) {
  if (index < 0 || index > count) return false;
  const std::uint64_t bytes = (static_cast<std::uint64_t>(index) + 1) * sizeof(std::int64_t);
  if (bytes > 0xffffffffu || !GrowBlock(offsets, static_cast<std::uint32_t>(bytes), kOffsetGranule))
    return WalkRecords(file, index, at);
  auto* kept = reinterpret_cast<std::int64_t*>(offsets);
  if (known == 0) {
    kept[0] = 4;
    known = 1;
  }
  const std::int64_t size = reader->Size();
  while (known <= index) {
    const std::int64_t start = kept[known - 1];
    const std::uint8_t* prefix = reader->At(start, 8);
    const std::uint32_t length = prefix ? ReadBE32(prefix + 4) : 0;
    if (length < kStoredHeaderSize || start + length > size) return false;
    kept[known++] = start + length;
  }
  *at = kept[index];
  return true;
}

ReadScopeState* ActiveReadScope(const char* group) {
  ReadScopeState* scope = tScope;
  if (!scope || !group || std::strncmp(scope->group, group, sizeof scope->group) != 0 ||
      scope->generation != GroupWriteGeneration())
    return nullptr;
  return scope;
}

bool ScopedRecordOffset(const char* group, std::int32_t index, std::int64_t* offset) {
  ReadScopeState* scope = ActiveReadScope(group);
  return scope && scope->Locate(index, offset);
}

bool ScopedRecordsEnd(const char* group, std::int32_t* count, std::int64_t* end) {
  ReadScopeState* scope = ActiveReadScope(group);
  if (!scope || !scope->Locate(scope->count, end)) return false;
  *count = scope->count;
  return true;
}

GroupReadScope::GroupReadScope(const char* group) {
  if (tScope || !group || std::strlen(group) >= kGroupNameSize) return;
  char base[kPathSize], path[kPathSize];
  if (GetBaseFolder(base) != host::kNoErr || !GroupFilePath(base, group, path)) return;
  auto* state = new (std::nothrow) ReadScopeState;
  if (!state) return;
  state->file = os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  state->reader =
      state->file == os::kInvalidFile ? nullptr : new (std::nothrow) GroupReader(state->file);
  if (!state->reader) {
    if (state->file != os::kInvalidFile) os::FileClose(state->file);
    delete state;
    return;
  }
  std::strcpy(state->group, group);
  state->count = ReadCount(state->file);
  state->generation = GroupWriteGeneration();
  tScope = state;
  active_ = true;
}

GroupReadScope::~GroupReadScope() {
  if (!active_) return;
  ReadScopeState* state = tScope;
  tScope = nullptr;
  delete state->reader;
  os::FileClose(state->file);
  ReleaseBlock(state->offsets);
  delete state;
}

}  // namespace velm
