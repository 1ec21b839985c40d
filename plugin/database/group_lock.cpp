// The locks of group writes: the group's byte of the database folder's lock file, the
// group file's own lock, and the holds a caller keeps over several writes of its own.
#include <cstring>
#include <new>

#include "database/group_file.h"
#include "database/group_file_p.h"

namespace velm {

namespace group_io {

std::uint32_t gLockWaitMs = 5000;
std::uint32_t gWriteGeneration = 0;

}  // namespace group_io

using namespace group_io;

namespace {

// The holds (GroupHold) of this thread, the last taken first.
thread_local GroupLock* tHolds = nullptr;

}  // namespace

GroupLock::~GroupLock() {
  // Whatever the write did, what was read of the groups before may be out of date.
  ++gWriteGeneration;
  if (held_) {
    for (GroupLock** at = &tHolds; *at; at = &(*at)->nextHeld_) {
      if (*at == this) {
        *at = nextHeld_;
        break;
      }
    }
  }
  if (file_ == os::kInvalidFile) return;
  os::FileUnlock(file_, offset_, 1);
  os::FileClose(file_);
}

host::Err GroupLock::Take(const char* folder, const char* group) {
  std::size_t length = 0;
  path_[0] = '\0';
  if (!AppendPath(path_, length, folder) || !AppendPath(path_, length, "\\VELM.LCK") || !group ||
      std::strlen(group) >= sizeof group_)
    return kGroupWriteErr;
  std::strcpy(group_, group);
  for (const GroupLock* hold = tHolds; hold; hold = hold->nextHeld_) {
    if (std::strcmp(hold->path_, path_) == 0 && std::strcmp(hold->group_, group_) == 0) {
      outer_ = hold;
      return host::kNoErr;
    }
  }
  offset_ = GroupLockOffset(group);
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    file_ = os::FileOpen(path_, os::FileAccess::kReadWrite, os::FileDisposition::kOpenAlways);
    if (file_ == os::kInvalidFile) return kGroupWriteErr;
    if (!os::FileLock(file_, offset_, 1, gLockWaitMs)) {
      os::FileClose(file_);
      file_ = os::kInvalidFile;
      return kGroupBusyErr;
    }
    // A lock file deleted between the open and the lock is no lock: the one at the path is.
    if (os::FileIsAt(file_, path_)) return host::kNoErr;
    os::FileUnlock(file_, offset_, 1);
    os::FileClose(file_);
    file_ = os::kInvalidFile;
  }
  return kGroupWriteErr;
}

host::Err GroupLock::LockGroupFile(os::FileHandle file, const char* path) {
  // A hold's writes: the holder has seen to the group file.
  if (outer_) return host::kNoErr;
  if (!os::FileLock(file, kGroupFileLockOffset, 1, gLockWaitMs)) return kGroupBusyErr;
  if (os::FileIsAt(file, path)) return host::kNoErr;
  os::FileUnlock(file, kGroupFileLockOffset, 1);
  return kGroupReplaced;
}

bool GroupLock::StillHeld() const {
  if (outer_) return outer_->StillHeld();
  return file_ != os::kInvalidFile && os::FileIsAt(file_, path_);
}

void GroupLock::HoldForThread() {
  if (held_ || outer_) return;
  held_ = true;
  nextHeld_ = tHolds;
  tHolds = this;
}

GroupHold::GroupHold() : lock_(new (std::nothrow) GroupLock) {}

GroupHold::~GroupHold() {
  // The group file's lock goes with its handle, before the group's.
  if (file_ != os::kInvalidFile) os::FileClose(file_);
  delete lock_;
}

host::Err GroupHold::Take(const char* group, bool lockFile) {
  if (!lock_) return host::kOutOfMemoryErr;
  char base[kPathSize];
  if (host::Err err = GetBaseFolder(base)) return err;
  char folder[kPathSize], path[kPathSize];
  if (!GroupFilePath(base, group, path)) return kBadGroupNameErr;
  if (!DatabaseFolderPath(base, folder)) return kGroupWriteErr;
  os::FolderCreate(folder, nullptr);
  if (host::Err err = lock_->Take(folder, group)) return err;
  for (int attempt = 0; lockFile && attempt < kLockAttempts; ++attempt) {
    file_ = os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kOpenExisting);
    if (file_ == os::kInvalidFile) break;  // no group file yet: the lock file's lock holds it
    const host::Err err = lock_->LockGroupFile(file_, path);
    if (err == host::kNoErr) break;
    os::FileClose(file_);
    file_ = os::kInvalidFile;
    if (err != kGroupReplaced) return err;
  }
  lock_->HoldForThread();
  return host::kNoErr;
}

bool GroupHold::StillHeld() const {
  return lock_ && lock_->StillHeld();
}

std::uint32_t GroupWriteGeneration() {
  return gWriteGeneration;
}

std::uint32_t SetGroupLockWait(std::uint32_t milliseconds) {
  const std::uint32_t old = gLockWaitMs;
  gLockWaitMs = milliseconds;
  return old;
}

std::uint64_t GroupLockOffset(const char* group) {
  // FNV-1a of the name's bytes; two groups sharing a byte only wait for each other.
  std::uint32_t hash = 2166136261u;
  for (const char* p = group; p && *p; ++p)
    hash = (hash ^ static_cast<unsigned char>(*p)) * 16777619u;
  return hash & 0xFFFFFu;
}

}  // namespace velm
