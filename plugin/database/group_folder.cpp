// Groups as a whole: an empty group made and a group removed (into the trash), each under
// the group's lock, the identity of a stored record, and the scratch files of writers that
// no longer run.
#include <cstring>

#include "database/group_file.h"
#include "database/group_file_p.h"
#include "database/record.h"
#include "database/trash.h"
#include "database/writer_mark.h"

namespace velm {

bool SameStoredRecord(const Record& a, const Record& b) {
  return a.objectCount == b.objectCount &&
         std::memcmp(&a.bounds, &b.bounds, sizeof a.bounds) == 0 &&
         std::strncmp(a.name, b.name, sizeof a.name) == 0 && a.created == b.created;
}

void RemoveDeadScratchFiles(const char* folder, const char* pattern) {
  char search[kPathSize];
  std::size_t length = 0;
  search[0] = '\0';
  if (!AppendPath(search, length, folder) || !AppendPath(search, length, "\\") ||
      !AppendPath(search, length, pattern))
    return;
  const char* star = std::strchr(pattern, '*');
  if (!star) return;
  const std::size_t prefix = static_cast<std::size_t>(star - pattern);
  os::FindData data{};
  os::FindHandle find = os::FindFirst(search, &data);
  if (!find) return;
  // Names are collected first: a folder's listing is not changed while it is read.
  char dead[16][260];
  std::size_t deadCount = 0;
  do {
    if (data.isFolder || WriterOfFile(data.name, prefix) != WriterState::kEnded) continue;
    std::memcpy(dead[deadCount++], data.name, sizeof data.name);
  } while (deadCount < 16 && os::FindNext(find, &data));
  os::FindEnd(find);
  for (std::size_t i = 0; i < deadCount; ++i) {
    char path[kPathSize];
    length = 0;
    path[0] = '\0';
    if (AppendPath(path, length, folder) && AppendPath(path, length, "\\") &&
        AppendPath(path, length, dead[i]))
      os::FileDelete(path);
  }
}

host::Err CreateGroupFile(const char* group) {
  char base[kPathSize];
  if (host::Err err = GetBaseFolder(base)) return err;
  char folder[kPathSize], path[kPathSize];
  if (!DatabaseFolderPath(base, folder) || !GroupFilePath(base, group, path)) return -1;
  os::FolderCreate(folder, nullptr);
  GroupLock lock;
  if (host::Err err = lock.Take(folder, group)) return err;
  // kCreateNew refuses any name that is there: a group file, a folder, or a symbolic
  // link (one leading nowhere would make the file outside the database folder).
  os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kCreateNew);
  if (file == os::kInvalidFile) return -1;
  // The group exists once its file is on the disk (a failing close changes nothing of
  // that); a file that cannot be made to stay is taken away again.
  if (!os::FileFlush(file)) {
    os::FileClose(file);
    os::FileDelete(path);
    return -1;
  }
  os::FileClose(file);
  return host::kNoErr;
}

host::Err RemoveGroupFile(const char* group, bool onlyWhenEmpty) {
  char base[kPathSize];
  if (host::Err err = GetBaseFolder(base)) return err;
  char folder[kPathSize], path[kPathSize];
  if (!DatabaseFolderPath(base, folder) || !GroupFilePath(base, group, path))
    return kBadGroupNameErr;
  GroupLock lock;
  if (host::Err err = lock.Take(folder, group)) return err;
  // A group is removed only where it could be written: a file that does not open for
  // writing (read-only, or a link leading nowhere) stays.
  os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kOpenExisting);
  if (file == os::kInvalidFile) return kGroupWriteErr;
  // The group file's own lock too (see GroupLock), kept through the deletion where the
  // system lets an open file go.
  if (host::Err err = lock.LockGroupFile(file, path)) {
    os::FileClose(file);
    return err == kGroupReplaced ? kGroupBusyErr : err;
  }
  std::int64_t size = 0;
  const bool sized = os::FileSeek(file, 0, os::SeekOrigin::kEnd, &size);
  if (!os::CanReplaceOpenFile()) os::FileClose(file);
  // A removed group goes to the trash; only the empty file an import made and did not
  // fill is deleted outright.
  host::Err result = kGroupWriteErr;
  if (!onlyWhenEmpty || (sized && size == 0)) {
    if (!lock.StillHeld())
      result = kGroupLockLostErr;
    else if (onlyWhenEmpty)
      result = os::FileDelete(path) ? host::kNoErr : kGroupWriteErr;
    else
      result = TrashGroupFile(folder, path, group);
  }
  if (os::CanReplaceOpenFile()) os::FileClose(file);
  return result;
}

}  // namespace velm
