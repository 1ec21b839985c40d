// What the record store's files share beside its public interface: the group lock and
// the joining of paths.
#pragma once

#include <cstddef>
#include <cstdint>

#include "database/group_file.h"

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

}  // namespace velm
