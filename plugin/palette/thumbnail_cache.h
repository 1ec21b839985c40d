// The records the palette shows, kept expanded between redraws: each entry holds a
// record's header and its expanded thumbnail, so that drawing an icon again neither reads
// the group file nor expands the thumbnail. An entry holds while its group file is the
// one it was read from: no write of this plug-in since (the write generation) and the
// same size and time of last write (another program's write). The cache holds at most
// kThumbnailCacheEntries records and forgets the least recently drawn first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "database/record.h"

namespace velm {

inline constexpr std::size_t kThumbnailCacheEntries = 256;  // about 17 MB

struct CachedThumbnail {
  Record header;
  std::uint8_t pixels[kThumbnailSize];
};

// Record `number` of `group` as kReadHeaderAndThumbnail reads it, expanded: from the
// cache while the group file is unchanged, else read and kept. Null when the record
// cannot be read (no such record or file, damaged data, no memory). The entry stays
// valid until the next call.
const CachedThumbnail* CachedRecordThumbnail(const char* group, std::int32_t number);

// Forgets every entry (the plug-in's shut-down, or memory to give back).
void ClearThumbnailCache();

// With `bypassed`, every call reads and expands the record again and nothing is kept
// (what drawing did before there was a cache; for measurements).
void SetThumbnailCacheBypassed(bool bypassed);

// Reads of group files the cache has made since it was cleared (for tests and
// measurements).
std::uint64_t ThumbnailCacheReads();

}  // namespace velm
