#include "palette/thumbnail_cache.h"

#include <cstring>
#include <new>

#include "database/group_file.h"
#include "database/record_offsets.h"
#include "platform/memory.h"
#include "platform/os.h"

namespace velm {
namespace {

enum class Outcome { kRead, kUnreadable, kNoMemory };

// A record's header as a group file holds it (its two slack bytes included).
constexpr std::uint32_t kStoredHeaderBytes = kReadHeaderOnly;
using StoredHeader = std::uint8_t[kStoredHeaderBytes];

struct Entry {
  char group[kGroupNameSize];
  std::int32_t number;
  std::uint64_t lastUse;  // 0: the slot holds no record
  // What the record was read from: this plug-in's writes so far, the group file's size,
  // time of last write and count word, and the record's header as the file holds it at
  // `offset`.
  std::uint32_t generation;
  os::FileStamp file;
  std::uint32_t count;
  std::int64_t offset;
  StoredHeader stored;
  CachedThumbnail* data;  // kept for the slot's next record when the slot is reused
};

struct Cache {
  Entry entries[kThumbnailCacheEntries];
  std::uint64_t clock;
  std::uint64_t reads;
  bool bypassed;
  CachedThumbnail* scratch;  // the one record read while bypassed
};

Cache gCache{};

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

bool ReadAt(os::FileHandle file, std::int64_t at, void* buffer, std::uint32_t count) {
  std::uint32_t done = 0;
  return os::FileSeek(file, at, os::SeekOrigin::kBegin, nullptr) &&
         os::FileRead(file, buffer, count, &done) && done == count;
}

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
  if (number < 0 || !IsValidGroupName(group) || GetBaseFolder(base) != host::kNoErr ||
      !GroupFilePath(base, group, path) || !os::FileGetStamp(path, &file))
    return nullptr;
  const os::FileHandle handle =
      os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  if (handle == os::kInvalidFile) return nullptr;
  std::uint8_t countWord[4];
  StoredHeader header;
  if (!ReadAt(handle, 0, countWord, sizeof countWord)) {
    os::FileClose(handle);
    return nullptr;
  }
  const std::uint32_t count = BigEndian32(countWord);

  // The stored header is read at every draw, where the entry found it: a rewrite by
  // another program within the file time's resolution keeps the file's size and time,
  // never the rewritten record's header.
  Entry* entry = Find(group, number);
  if (entry && entry->generation == generation && entry->file == file && entry->count == count &&
      ReadAt(handle, entry->offset, header, kStoredHeaderBytes) &&
      std::memcmp(entry->stored, header, kStoredHeaderBytes) == 0) {
    os::FileClose(handle);
    entry->lastUse = ++gCache.clock;
    return entry->data;
  }
  std::int64_t offset = -1;
  const bool located =
      static_cast<std::uint32_t>(number) < count &&
      LocateRecord(handle, path, static_cast<std::int32_t>(count), number, &offset) &&
      ReadAt(handle, offset, header, kStoredHeaderBytes);
  os::FileClose(handle);
  if (!located) return nullptr;

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
  entry->count = count;
  entry->offset = offset;
  std::memcpy(entry->stored, header, kStoredHeaderBytes);
  entry->lastUse = ++gCache.clock;
  return entry->data;
}

void ClearThumbnailCache() {
  for (Entry& e : gCache.entries) {
    delete e.data;
    e.data = nullptr;
    e.lastUse = 0;
  }
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
