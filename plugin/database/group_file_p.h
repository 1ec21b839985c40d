// What the record store's files share beside its public interface: the group lock, the
// joining of paths and the reading and writing of group files (group_file.cpp; the
// removal of a record is group_remove.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "database/group_file.h"
#include "database/record.h"
#include "database/record_time.h"
#include "platform/os.h"

namespace velm {

// Appends `text` to the path of `length` bytes; false (the path unchanged) when it would
// not fit.
bool AppendPath(char (&path)[kPathSize], std::size_t& length, const char* text);

// The exclusive lock of one group: one byte of the database folder's lock file, which is
// never renamed or removed (a group file is replaced by a removal, so it cannot carry
// the lock itself). Released when the object ends.
class GroupLock {
 public:
  GroupLock() = default;
  GroupLock(const GroupLock&) = delete;
  GroupLock& operator=(const GroupLock&) = delete;
  ~GroupLock();
  // 0, kGroupWriteErr when the lock file cannot be used, kGroupBusyErr when another writer
  // kept the group for longer than the wait.
  host::Err Take(const char* folder, const char* group);

 private:
  os::FileHandle file_ = os::kInvalidFile;
  std::uint64_t offset_ = 0;
};

namespace group_io {

inline constexpr std::uint32_t kStoredHeaderSize = 426;  // header and the two slack bytes
inline constexpr std::uint32_t kCopyChunk = 65536;

std::uint32_t ReadBE32(const std::uint8_t* p);
void WriteBE32(std::uint8_t* p, std::uint32_t v);
bool ReadExactly(os::FileHandle file, void* buffer, std::uint32_t count);
bool WriteExactly(os::FileHandle file, const void* buffer, std::uint32_t count);
// The count word into *count; a file shorter than 4 bytes counts as 0. False when the
// file cannot be read (the count is then unknown, and a writer must not take it as 0).
bool ReadCountWord(os::FileHandle file, std::int32_t* count);
// The file's size, or -1 when it cannot be told.
std::int64_t FileSize(os::FileHandle file);
// What follows the counted records (ending at `end`): kGroupNeedsRepairErr when whole
// records that a damaged count word hides follow, else 0 (kGroupWriteErr on a failure).
host::Err CheckTail(os::FileHandle file, std::int64_t end);
// A stored header has the expected name / is the expected record (always, without one).
bool HasName(const Record& stored, const char* expectedName);
bool IsRecord(const Record& stored, const Record* expected);
RecordTime HostOrder32(std::uint32_t bigEndian);

}  // namespace group_io

}  // namespace velm
