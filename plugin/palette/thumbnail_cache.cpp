#include "palette/thumbnail_cache.h"

#include <cstring>
#include <new>

#include "database/group_file.h"
#include "platform/memory.h"
#include "platform/os.h"

namespace velm {
namespace {

enum class Outcome { kRead, kUnreadable, kNoMemory };

struct Entry {
  char group[kGroupNameSize];
  std::int32_t number;
  std::uint64_t lastUse;  // 0: the slot holds no record
  // What the record was read from: this plug-in's writes so far, the group file's size
  // and time of last write, and the record's header as the file holds it.
  std::uint32_t generation;
  os::FileStamp file;
  std::uint8_t stored[kReadHeaderOnly];
  CachedThumbnail* data;  // kept for the slot's next record when the slot is reused
};

struct Cache {
  Entry entries[kThumbnailCacheEntries];
  os::MemHandle header;  // where each draw reads the stored header
  std::uint64_t clock;
  std::uint64_t reads;
  bool bypassed;
  CachedThumbnail* scratch;  // the one record read while bypassed
};

Cache gCache{};

// Reads and expands the record's header and thumbnail into `out`.
Outcome Read(const char* group, std::int32_t number, CachedThumbnail* out) {
  os::MemHandle block = nullptr;
  if (!GrowBlock(block, kReadHeaderAndThumbnail, kRecordGranule)) return Outcome::kNoMemory;
  const host::Err err = VelmReadRecord(group, number, &block, kReadHeaderAndThumbnail, true);
  Outcome outcome = Outcome::kUnreadable;
  if (err == host::kOutOfMemoryErr) {
    outcome = Outcome::kNoMemory;
  } else if (err == host::kNoErr && RecordHeader(block)->recordLength > 0) {
    // No such record leaves the block zero: a record length of 0.
    std::memcpy(static_cast<void*>(out), block, sizeof *out);
    outcome = Outcome::kRead;
  }
  ReleaseBlock(block);
  return outcome;
}

// The record's header as its group file holds it, into the cache's header block.
Outcome ReadStoredHeader(const char* group, std::int32_t number) {
  if (!GrowBlock(gCache.header, kReadHeaderOnly, kReadHeaderOnly)) return Outcome::kNoMemory;
  std::memset(gCache.header, 0, kReadHeaderOnly);
  const host::Err err = VelmReadRecord(group, number, &gCache.header, kReadHeaderOnly, false);
  if (err == host::kOutOfMemoryErr) return Outcome::kNoMemory;
  // Stored numbers are big-endian, but a length of 0 (nothing read) is 0 in any order.
  if (err != host::kNoErr || RecordHeader(gCache.header)->recordLength == 0)
    return Outcome::kUnreadable;
  return Outcome::kRead;
}

Entry* Find(const char* group, std::int32_t number) {
  for (Entry& e : gCache.entries)
    if (e.lastUse != 0 && e.number == number && std::strcmp(e.group, group) == 0) return &e;
  return nullptr;
}

// A free slot, or else the least recently drawn one.
Entry* SlotToFill() {
  Entry* oldest = &gCache.entries[0];
  for (Entry& e : gCache.entries) {
    if (e.lastUse == 0) return &e;
    if (e.lastUse < oldest->lastUse) oldest = &e;
  }
  return oldest;
}

const CachedThumbnail* Result(const CachedThumbnail* data, Outcome outcome, bool* noMemory) {
  if (noMemory) *noMemory = outcome == Outcome::kNoMemory;
  return outcome == Outcome::kRead ? data : nullptr;
}

// Reads without keeping anything: every call reads and expands the record again.
const CachedThumbnail* ReadUncached(const char* group, std::int32_t number, bool* noMemory) {
  ++gCache.reads;
  if (!gCache.scratch) gCache.scratch = new (std::nothrow) CachedThumbnail;
  if (!gCache.scratch) return Result(nullptr, Outcome::kNoMemory, noMemory);
  return Result(gCache.scratch, Read(group, number, gCache.scratch), noMemory);
}

}  // namespace

const CachedThumbnail* CachedRecordThumbnail(const char* group, std::int32_t number,
                                             bool* noMemory) {
  if (noMemory) *noMemory = false;
  if (!group || !group[0]) return nullptr;
  // A name longer than a group name cannot be a key; it is read as it is.
  if (gCache.bypassed || std::strlen(group) >= kGroupNameSize)
    return ReadUncached(group, number, noMemory);

  char base[kPathSize], path[kPathSize];
  const std::uint32_t generation = GroupWriteGeneration();
  os::FileStamp file;
  if (GetBaseFolder(base) != host::kNoErr || !GroupFilePath(base, group, path) ||
      !os::FileGetStamp(path, &file))
    return nullptr;
  const Outcome header = ReadStoredHeader(group, number);
  if (header != Outcome::kRead) return Result(nullptr, header, noMemory);

  Entry* entry = Find(group, number);
  if (entry && entry->generation == generation && entry->file == file &&
      std::memcmp(entry->stored, gCache.header, kReadHeaderOnly) == 0) {
    entry->lastUse = ++gCache.clock;
    return entry->data;
  }

  ++gCache.reads;
  if (!entry) entry = SlotToFill();
  entry->lastUse = 0;
  if (!entry->data) entry->data = new (std::nothrow) CachedThumbnail;
  if (!entry->data) return Result(nullptr, Outcome::kNoMemory, noMemory);
  // The header was read before the record: should another program rewrite the record in
  // between, the next draw sees a header that differs and reads the record again.
  const Outcome read = Read(group, number, entry->data);
  if (read != Outcome::kRead) return Result(nullptr, read, noMemory);
  std::memcpy(entry->group, group, std::strlen(group) + 1);
  entry->number = number;
  entry->generation = generation;
  entry->file = file;
  std::memcpy(entry->stored, gCache.header, kReadHeaderOnly);
  entry->lastUse = ++gCache.clock;
  return entry->data;
}

void ClearThumbnailCache() {
  for (Entry& e : gCache.entries) {
    delete e.data;
    e.data = nullptr;
    e.lastUse = 0;
  }
  ReleaseBlock(gCache.header);
  delete gCache.scratch;
  gCache.scratch = nullptr;
  gCache.reads = 0;
}

void SetThumbnailCacheBypassed(bool bypassed) {
  ClearThumbnailCache();
  gCache.bypassed = bypassed;
}

std::uint64_t ThumbnailCacheReads() {
  return gCache.reads;
}

}  // namespace velm
