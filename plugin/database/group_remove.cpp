#include "database/group_file.h"
#include "database/group_file_p.h"

#include <cstdio>
#include <cstring>

#include "database/busy.h"
#include "database/group_reader.h"
#include "database/record.h"
#include "database/record_index.h"
#include "database/record_offsets.h"
#include "database/record_time.h"
#include "database/text_match.h"
#include "database/trash.h"
#include "database/writer_mark.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "platform/memory.h"

namespace velm {

using namespace group_io;

namespace {

void (*gCopiedHook)() = nullptr;

// Removal of a record that must still be the one the caller read: by name, or by the
// whole identity of its stored header.
host::Err RemoveRecordChecked(const char* group, std::int32_t index, const char* expectedName,
                              const Record* expected, bool* removed, bool toTrash) {
  Trace("RemoveGroupRecord_START\r\n");
  if (removed) *removed = false;
  Globals* g = gGlobals;
  if (!g || !group) return -1;
  char base[kPathSize];
  if (host::Err err = GetBaseFolder(base)) return err;
  char folder[kPathSize], groupPath[kPathSize], tempPath[kPathSize];
  if (!DatabaseFolderPath(base, folder)) return -1;
  if (!GroupFilePath(base, group, groupPath)) return kBadGroupNameErr;
  // A scratch name no other writer takes, on any machine: this process's id and a mark
  // whose lock is held until the scratch file is gone (database/writer_mark.h).
  WriterMark mark;
  if (!mark.Take()) return kGroupWriteErr;
  char digits[48];
  std::snprintf(digits, sizeof digits, "\\VELM-%u-%s.TMP", static_cast<unsigned>(os::ProcessId()),
                mark.Text());
  std::size_t tempLength = 0;
  tempPath[0] = '\0';
  if (!AppendPath(tempPath, tempLength, folder) || !AppendPath(tempPath, tempLength, digits))
    return -1;

  os::FolderCreate(folder, nullptr);
  RemoveDeadScratchFiles(folder, "VELM-*.TMP");
  GroupLock lock;
  if (host::Err err = lock.Take(folder, group)) return err;

  // Opened for writing although only read: a group that cannot be written (a read-only
  // file) is not replaced by a copy without the record.
  os::FileHandle source =
      os::FileOpen(groupPath, os::FileAccess::kReadWrite, os::FileDisposition::kOpenExisting);
  const bool named = expectedName || expected;
  if (source == os::kInvalidFile) {
    // No file holds no record; a file that is there but does not open is a failure.
    os::FindData found{};
    os::FindHandle find = os::FindFirst(groupPath, &found);
    if (!find) return named ? kRecordMovedErr : host::kNoErr;
    os::FindEnd(find);
    return kGroupWriteErr;
  }
  for (int attempt = 0;; ++attempt) {
    const host::Err err = lock.LockGroupFile(source, groupPath);
    if (err == host::kNoErr) break;
    os::FileClose(source);
    if (err != kGroupReplaced || attempt == 8) return err == kGroupReplaced ? kGroupWriteErr : err;
    // Another writer replaced the group meanwhile: the new file is the group.
    source =
        os::FileOpen(groupPath, os::FileAccess::kReadWrite, os::FileDisposition::kOpenExisting);
    if (source == os::kInvalidFile) return kGroupWriteErr;
  }
  std::int32_t count = 0;
  if (!ReadCountWord(source, &count)) {
    os::FileClose(source);
    return kGroupWriteErr;
  }
  if (index < 0 || index >= count) {
    // No such record: nothing to remove, and the count must not drop. A caller that named
    // the record it meant learns that it is no longer there.
    os::FileClose(source);
    return named ? kRecordMovedErr : host::kNoErr;
  }
  // One walk of the record lengths finds the record and where the records end; records
  // hidden behind the counted ones would be dropped by the copy.
  std::int64_t end = 4, at = -1;
  std::uint32_t removedLength = 0;
  {
    GroupReader reader(source);
    const std::int64_t size = reader.Size();
    for (std::int32_t i = 0; i < count; ++i) {
      const std::uint8_t* prefix = reader.At(end, 8);
      const std::uint32_t length = prefix ? ReadBE32(prefix + 4) : 0;
      if (length < kStoredHeaderSize || end + length > size) {
        os::FileClose(source);
        return kDamagedGroupErr;
      }
      if (i == index) {
        at = end;
        removedLength = length;
      }
      end += length;
    }
    if (host::Err err = CheckTail(source, end)) {
      os::FileClose(source);
      return err;
    }
    Record stored{};
    if (named && !reader.Read(at, &stored, kRecordHeaderPrefix)) {
      os::FileClose(source);
      return kDamagedGroupErr;
    }
    if (named && (!HasName(stored, expectedName) || !IsRecord(stored, expected))) {
      os::FileClose(source);
      return kRecordMovedErr;
    }
  }

  // The removed record goes to the library's trash, on the disk before the group is
  // replaced, and out of it again unless the removal happens. A record that cannot be
  // kept there is not removed.
  TrashedRecord trashed;
  if (toTrash && trashed.Write(source, index, folder, group, at) != host::kNoErr) {
    os::FileClose(source);
    return kGroupWriteErr;
  }

  os::FileHandle temp =
      os::FileOpen(tempPath, os::FileAccess::kReadWrite, os::FileDisposition::kCreateNew);
  if (temp == os::kInvalidFile) {
    os::FileClose(source);
    return -1;
  }
  // Copy the records before it and those after it, each run in large pieces (the walk
  // above checked every length under the lock). The group file is replaced only when all
  // of them were copied; a failed read or write leaves it untouched.
  std::uint8_t newCount[4];
  WriteBE32(newCount, static_cast<std::uint32_t>(count - 1));
  bool ok = WriteExactly(temp, newCount, 4);
  os::MemHandle chunk = os::MemAlloc(kCopyChunk);
  if (!chunk) ok = false;
  const std::int64_t runs[2][2] = {{4, at}, {at + removedLength, end}};
  for (const auto& run : runs) {
    if (ok && run[1] > run[0] && !os::FileSeek(source, run[0], os::SeekOrigin::kBegin, nullptr))
      ok = false;
    for (std::int64_t left = run[1] - run[0]; ok && left > 0;) {
      const std::uint32_t n = left < kCopyChunk ? static_cast<std::uint32_t>(left) : kCopyChunk;
      ok = ReadExactly(source, chunk, n) && WriteExactly(temp, chunk, n);
      left -= n;
      AdvanceBusyCursor();
    }
  }
  os::MemFree(chunk);
  ok = ok && os::FileFlush(temp);
  ok = os::FileClose(temp) && ok;
  if (ok && gCopiedHook) gCopiedHook();
  // The copy replaces the group only while the lock is still the library's: with its lock
  // file deleted, another writer may have changed the group since it was read. The group
  // file's own lock is kept through the rename where the system lets an open file be
  // replaced.
  const bool held = ok && lock.StillHeld();
  if (!os::CanReplaceOpenFile()) os::FileClose(source);
  if (!held || !os::FileRename(tempPath, groupPath, true)) {
    if (os::CanReplaceOpenFile()) os::FileClose(source);
    os::FileDelete(tempPath);
    return ok && !held ? kGroupLockLostErr : kGroupWriteErr;
  }
  if (os::CanReplaceOpenFile()) os::FileClose(source);
  trashed.Keep();

  VelmRmvItemRIHList(g->RIHList, group, index);
  ReleaseBlock(g->currentRecord);
  g->currentRecordIndex = -1;
  if (g->RIHList) {
    const std::int32_t listed = RIHCount(g->RIHList);
    RIHItem* items = RIHItems(g->RIHList);
    for (std::int32_t i = 0; i < listed; ++i)
      if (items[i].recordNumber > index &&
          std::strncmp(items[i].group, group, sizeof items[i].group) == 0)
        --items[i].recordNumber;
  }
  if (removed) *removed = true;
  Trace("RemoveGroupRecord_END\r\n");
  return host::kNoErr;
}

}  // namespace

void SetRemovalCopiedHook(void (*hook)()) {
  gCopiedHook = hook;
}

host::Err RemoveGroupRecord(const char* group, std::int32_t index, const char* expectedName,
                            bool* removed) {
  return RemoveRecordChecked(group, index, expectedName, nullptr, removed, true);
}

host::Err RemoveGroupRecordIf(const char* group, std::int32_t index, const Record& expected,
                              bool* removed, bool toTrash) {
  return RemoveRecordChecked(group, index, nullptr, &expected, removed, toTrash);
}

}  // namespace velm
