// The records the palette shows, kept expanded between redraws: each entry holds a
// record's header and its expanded thumbnail, so that drawing an icon again does not read
// and expand the coded thumbnail. Every draw still reads the record's stored header (a
// few hundred bytes, where the entry found it): an entry holds only while that header is
// byte for byte the one it was read with, its group file has the same size, time of last
// write and count word (another program's write) and this plug-in has written no record
// since (the write generation).
// A rewrite by another program within the file time's resolution keeps the file's size
// and time, but never a rewritten record's header (its modification time, its texts).
// The cache holds at most kThumbnailCacheEntries records and forgets the least recently
// drawn first. It allocates only through calls that report failure (it is used while the
// host draws), never through ones that throw.
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
// cache while the record is unchanged, else read and kept. Null when the record cannot be
// read (no such record or file, damaged data) or memory for it cannot be had; `noMemory`
// (optional) tells the second from the first. The entry stays valid until the next call.
const CachedThumbnail* CachedRecordThumbnail(const char* group, std::int32_t number,
                                             bool* noMemory = nullptr);

// Forgets every entry and frees its memory (the plug-in's shut-down, or memory to give
// back).
void ClearThumbnailCache();

// With `bypassed`, every call reads and expands the record again and nothing is kept
// (what drawing did before there was a cache; for measurements).
void SetThumbnailCacheBypassed(bool bypassed);

// Records the cache has read and expanded since it was cleared (for tests and
// measurements); the stored headers read to check its entries are not counted.
std::uint64_t ThumbnailCacheReads();

}  // namespace velm
