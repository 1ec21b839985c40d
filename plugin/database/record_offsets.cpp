#include "database/record_offsets.h"

#include <cstring>

#include "database/group_file.h"
#include "database/group_reader.h"
#include "platform/memory.h"

namespace velm {

namespace {

constexpr std::uint32_t kStoredHeaderSize = 426;
constexpr std::uint32_t kOffsetGranule = 65536;

struct KeptOffsets {
  char path[kPathSize] = {};
  os::FileStamp stamp{};
  std::int32_t count = -1;
  std::uint32_t generation = 0;
  // offsets[i] is where record i starts, for i < known; offsets[count] is the end.
  os::MemHandle block = nullptr;
  std::int32_t known = 0;

  std::int64_t* offsets() { return reinterpret_cast<std::int64_t*>(block); }
};

KeptOffsets gKept;

std::uint32_t ReadBE32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

// The length word of the record at `at`; 0 when it cannot be read.
std::uint32_t LengthAt(os::FileHandle file, std::int64_t at) {
  std::uint8_t prefix[8];
  std::uint32_t done = 0;
  if (!os::FileSeek(file, at, os::SeekOrigin::kBegin, nullptr) ||
      !os::FileRead(file, prefix, 8, &done) || done != 8)
    return 0;
  return ReadBE32(prefix + 4);
}

void Reset(const char* path, const os::FileStamp& stamp, std::int32_t count) {
  std::strncpy(gKept.path, path, sizeof gKept.path - 1);
  gKept.stamp = stamp;
  gKept.count = count;
  gKept.generation = GroupWriteGeneration();
  gKept.known = 0;
}

// Walks on from the last offset known until record `last` is known (or a length is
// impossible).
void WalkTo(os::FileHandle file, std::int32_t last, std::int64_t size) {
  if (gKept.known > last) return;
  const std::uint64_t bytes = (static_cast<std::uint64_t>(last) + 1) * sizeof(std::int64_t);
  if (bytes > 0xffffffffu ||
      !GrowBlock(gKept.block, static_cast<std::uint32_t>(bytes), kOffsetGranule))
    return;
  std::int64_t* offsets = gKept.offsets();
  if (gKept.known == 0) {
    offsets[0] = 4;
    gKept.known = 1;
  }
  GroupReader reader(file);
  while (gKept.known <= last) {
    const std::int64_t at = offsets[gKept.known - 1];
    const std::uint8_t* prefix = reader.At(at, 8);
    const std::uint32_t length = prefix ? ReadBE32(prefix + 4) : 0;
    if (length < kStoredHeaderSize || at + length > size) return;
    offsets[gKept.known++] = at + length;
  }
}

}  // namespace

bool FindRecordOffset(os::FileHandle file, const char* path, std::int32_t count, std::int32_t index,
                      std::int64_t* offset) {
  if (index < 0 || index >= count) return false;
  std::int64_t size = 0;
  if (!os::FileSeek(file, 0, os::SeekOrigin::kEnd, &size)) return false;
  os::FileStamp stamp{};
  if (!os::FileGetStamp(path, &stamp) || stamp.size != static_cast<std::uint64_t>(size))
    stamp = os::FileStamp{static_cast<std::uint64_t>(size), 0};
  const bool same = gKept.block && std::strncmp(gKept.path, path, sizeof gKept.path) == 0 &&
                    gKept.stamp == stamp && gKept.count == count &&
                    gKept.generation == GroupWriteGeneration();
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt == 1 || !same) Reset(path, stamp, count);
    // The record after it too, when there is one: its offset checks the record's length.
    WalkTo(file, index + 1, size);
    if (gKept.known <= index) {
      if (attempt == 0 && same) continue;  // perhaps stale: walk again once
      return false;
    }
    const std::int64_t* offsets = gKept.offsets();
    if (gKept.known > index + 1 &&
        LengthAt(file, offsets[index]) !=
            static_cast<std::uint64_t>(offsets[index + 1] - offsets[index])) {
      if (attempt == 0) continue;
      return false;
    }
    *offset = offsets[index];
    return true;
  }
  return false;
}

bool WalkRecords(os::FileHandle file, std::int32_t records, std::int64_t* offset) {
  GroupReader reader(file);
  const std::int64_t size = reader.Size();  // -1: no record fits
  std::int64_t at = 4;
  for (std::int32_t i = 0; i < records; ++i) {
    const std::uint8_t* prefix = reader.At(at, 8);
    const std::uint32_t length = prefix ? ReadBE32(prefix + 4) : 0;
    if (length < kStoredHeaderSize || at + length > size) return false;
    at += length;
  }
  *offset = at;
  return true;
}

bool LocateRecord(os::FileHandle file, const char* path, std::int32_t count, std::int32_t index,
                  std::int64_t* offset) {
  if (path && FindRecordOffset(file, path, count, index, offset)) return true;
  return index >= 0 && WalkRecords(file, index, offset);
}

bool FindRecordsEnd(os::FileHandle file, const char* path, std::int32_t count, std::int64_t* end) {
  if (count == 0) {
    *end = 4;
    return true;
  }
  // Finding the last record walks to its end and checks its length against it.
  std::int64_t last = 0;
  if (!FindRecordOffset(file, path, count, count - 1, &last)) return false;
  if (gKept.known <= count) return false;
  *end = gKept.offsets()[count];
  return true;
}

void NoteRecordAppended(const char* path, std::int32_t count, std::int64_t end,
                        std::uint32_t length) {
  os::FileStamp stamp{};
  const bool extends =
      gKept.block && std::strncmp(gKept.path, path, sizeof gKept.path) == 0 &&
      gKept.count == count && gKept.known == count + 1 && gKept.offsets()[count] == end &&
      os::FileGetStamp(path, &stamp) &&
      GrowBlock(gKept.block, static_cast<std::uint32_t>((count + 2) * sizeof(std::int64_t)),
                kOffsetGranule);
  if (!extends) {
    gKept.count = -1;  // walked again when next asked
    return;
  }
  gKept.offsets()[count + 1] = end + length;
  gKept.known = count + 2;
  gKept.count = count + 1;
  gKept.stamp = stamp;
  // The lock, released as the write returns, counts one more write of this program.
  gKept.generation = GroupWriteGeneration() + 1;
}

void ForgetRecordOffsets() {
  ReleaseBlock(gKept.block);
  gKept = KeptOffsets{};
}

}  // namespace velm
