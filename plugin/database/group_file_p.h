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
// never renamed or removed by a writer (a group file is replaced by a removal, so it
// cannot carry the lock alone). Someone may still delete the lock file while a writer
// holds it; the next writer then makes a new one and would be let in. Two things keep
// that from losing a write: every writer also locks its group file itself (a byte far
// beyond any real size, LockGroupFile), and checks before its commit that the lock file
// it holds is still the one at its path (StillHeld). Released when the object ends.
//
// Taken in a thread that holds the group already (GroupHold), the lock is the hold's:
// nothing more is locked, and StillHeld asks the hold.
class GroupLock {
 public:
  GroupLock() = default;
  GroupLock(const GroupLock&) = delete;
  GroupLock& operator=(const GroupLock&) = delete;
  ~GroupLock();
  // 0, kGroupWriteErr when the lock file cannot be used, kGroupBusyErr when another writer
  // kept the group for longer than the wait.
  host::Err Take(const char* folder, const char* group);
  // Locks the group file `file` (open for reading and writing) opened at `path`: 0;
  // kGroupBusyErr when another writer kept it for longer than the wait; kGroupReplaced when
  // `file` is no longer the file at `path` (another writer renamed a new group over it
  // meanwhile: the caller opens the path again and retries); kGroupWriteErr.
  host::Err LockGroupFile(os::FileHandle file, const char* path);
  // Whether the lock file this lock holds is still the library's lock file (the file at
  // its path): false when it was deleted or replaced, and another writer may be in.
  bool StillHeld() const;
  // Registers the lock as the hold of its group for this thread (until it ends).
  void HoldForThread();

 private:
  os::FileHandle file_ = os::kInvalidFile;
  std::uint64_t offset_ = 0;
  const GroupLock* outer_ = nullptr;  // the hold this lock is part of
  GroupLock* nextHeld_ = nullptr;     // the thread's other holds
  bool held_ = false;                 // registered as a hold
  char path_[kPathSize] = {};
  char group_[kGroupNameSize] = {};
};

// What LockGroupFile returns when the group file was replaced under the caller.
inline constexpr host::Err kGroupReplaced = -100;
// Where a group file's own lock lies: far beyond any size a group file reaches, so that
// Windows' byte-range locks, which are mandatory, never stand in a reader's way.
inline constexpr std::uint64_t kGroupFileLockOffset = 0x4000000000000000ull;

class GroupReader;

// What a GroupReadScope keeps of its group (group_read_scope.cpp).
struct ReadScopeState {
  char group[kGroupNameSize] = {};
  os::FileHandle file = os::kInvalidFile;
  std::int32_t count = 0;
  std::uint32_t generation = 0;
  GroupReader* reader = nullptr;
  // offsets[i] is where record i starts, for i < known.
  os::MemHandle offsets = nullptr;
  std::int32_t known = 0;

  // Where record `index` (below count; count itself: where the records end) starts: false
  // when a record before it has an impossible length or runs past the end of the file.
  bool Locate(std::int32_t index, std::int64_t* offset);
};
// The open scope of `group` in this thread, when there is one and this program has not
// written since it began; null otherwise.
ReadScopeState* ActiveReadScope(const char* group);

namespace group_io {

// How long a write waits for another writer of the same group (SetGroupLockWait).
extern std::uint32_t gLockWaitMs;
// How often a lock whose file was replaced while it was taken is taken again.
inline constexpr int kLockAttempts = 8;
// Counts writes and removals (GroupWriteGeneration).
extern std::uint32_t gWriteGeneration;

inline constexpr std::uint32_t kStoredHeaderSize = 426;  // header and the two slack bytes
inline constexpr std::uint32_t kCopyChunk = 65536;

std::uint32_t ReadBE32(const std::uint8_t* p);
void WriteBE32(std::uint8_t* p, std::uint32_t v);
bool ReadExactly(os::FileHandle file, void* buffer, std::uint32_t count);
bool WriteExactly(os::FileHandle file, const void* buffer, std::uint32_t count);
// The count word into *count; a file shorter than 4 bytes counts as 0. False when the
// file cannot be read (the count is then unknown, and a writer must not take it as 0).
bool ReadCountWord(os::FileHandle file, std::int32_t* count);
// The count word for readers; an unreadable one counts as 0.
std::int32_t ReadCount(os::FileHandle file);
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
