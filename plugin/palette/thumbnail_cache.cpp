#include "palette/thumbnail_cache.h"

#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>

#include "database/group_file.h"
#include "platform/memory.h"
#include "platform/os.h"

namespace velm {
namespace {

struct Entry {
  std::string group;
  std::uint64_t lastUse = 0;
  std::unique_ptr<CachedThumbnail> data;
};

// What a group's entries were read from.
struct GroupVersion {
  std::uint32_t generation = 0;
  os::FileStamp file;
};

struct Cache {
  std::unordered_map<std::string, Entry> entries;  // by group, NUL, record number
  std::map<std::string, GroupVersion> versions;
  std::uint64_t clock = 0;
  std::uint64_t reads = 0;
  bool bypassed = false;
  std::unique_ptr<CachedThumbnail> scratch;  // the one record read while bypassed
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

std::string Key(const char* group, std::int32_t number) {
  std::string key(group);
  key.push_back('\0');
  key.append(std::to_string(number));
  return key;
}

void DropGroup(Cache& cache, const char* group) {
  for (auto it = cache.entries.begin(); it != cache.entries.end();) {
    it = it->second.group == group ? cache.entries.erase(it) : std::next(it);
  }
}

void DropLeastRecent(Cache& cache) {
  auto oldest = cache.entries.begin();
  for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it) {
    if (it->second.lastUse < oldest->second.lastUse) oldest = it;
  }
  if (oldest != cache.entries.end()) cache.entries.erase(oldest);
}

// Reads and expands the record's header and thumbnail; null when it cannot be read.
std::unique_ptr<CachedThumbnail> Read(const char* group, std::int32_t number) {
  os::MemHandle block = nullptr;
  if (!GrowBlock(block, kReadHeaderAndThumbnail, kRecordGranule)) return nullptr;
  std::unique_ptr<CachedThumbnail> result;
  // No such record leaves the block zero: a record length of 0.
  if (VelmReadRecord(group, number, &block, kReadHeaderAndThumbnail, true) == host::kNoErr &&
      RecordHeader(block)->recordLength > 0) {
    result.reset(new (std::nothrow) CachedThumbnail);
    if (result) std::memcpy(result.get(), block, sizeof(CachedThumbnail));
  }
  ReleaseBlock(block);
  return result;
}

}  // namespace

const CachedThumbnail* CachedRecordThumbnail(const char* group, std::int32_t number) {
  if (!group || !group[0]) return nullptr;
  Cache& cache = TheCache();
  if (cache.bypassed) {
    ++cache.reads;
    cache.scratch = Read(group, number);
    return cache.scratch.get();
  }
  char base[kPathSize], path[kPathSize];
  GroupVersion now{GroupWriteGeneration(), {}};
  if (GetBaseFolder(base) != host::kNoErr || !GroupFilePath(base, group, path) ||
      !os::FileGetStamp(path, &now.file)) {
    DropGroup(cache, group);
    cache.versions.erase(group);
    return nullptr;
  }
  GroupVersion& seen = cache.versions[group];
  if (seen.generation != now.generation || !(seen.file == now.file)) {
    DropGroup(cache, group);
    seen = now;
  }
  const std::string key = Key(group, number);
  if (auto it = cache.entries.find(key); it != cache.entries.end()) {
    it->second.lastUse = ++cache.clock;
    return it->second.data.get();
  }
  ++cache.reads;
  std::unique_ptr<CachedThumbnail> data = Read(group, number);
  if (!data) return nullptr;
  if (cache.entries.size() >= kThumbnailCacheEntries) DropLeastRecent(cache);
  Entry& entry = cache.entries[key];
  entry.group = group;
  entry.lastUse = ++cache.clock;
  entry.data = std::move(data);
  return entry.data.get();
}

void ClearThumbnailCache() {
  Cache& cache = TheCache();
  cache.entries.clear();
  cache.versions.clear();
  cache.reads = 0;
}

void SetThumbnailCacheBypassed(bool bypassed) {
  ClearThumbnailCache();
  TheCache().bypassed = bypassed;
  TheCache().scratch.reset();
}

std::uint64_t ThumbnailCacheReads() {
  return TheCache().reads;
}

}  // namespace velm
