#include "database/trash.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "database/group_file_p.h"
#include "database/record.h"
#include "database/record_index.h"
#include "database/record_offsets.h"
#include "frame/globals.h"
#include "platform/memory.h"

namespace velm {

using namespace group_io;

namespace {

// "G-" or "R-", 14 digits of the time, '-', 4 hexadecimal digits, '-': then the group.
constexpr std::size_t kStampAt = 2;
constexpr std::size_t kSeqAt = 17;
constexpr std::size_t kGroupAt = 22;
// A byte of the lock file no group's lock (below 2^20) or writer's mark (2^20 … 2^21)
// takes: held while an entry is restored, so that two restorers do not put one record
// back twice.
constexpr std::uint64_t kTrashLockOffset = 0x200000;
constexpr std::uint64_t kTicksPerDay = 864000000000ull;

std::uint32_t gMaxAgeDays = kTrashMaxAgeDays;
std::uint64_t gMaxBytes = kTrashMaxBytes;
char gLastEntry[kPathSize] = {};

bool Join(char (&path)[kPathSize], const char* a, const char* b, const char* c = "") {
  std::size_t length = 0;
  path[0] = '\0';
  return AppendPath(path, length, a) && AppendPath(path, length, b) && AppendPath(path, length, c);
}

bool IsDigits(const char* p, std::size_t n, bool hex) {
  for (std::size_t i = 0; i < n; ++i) {
    const char c = p[i];
    if (!(c >= '0' && c <= '9') && !(hex && c >= 'A' && c <= 'F')) return false;
  }
  return true;
}

std::uint16_t Number(const char* p, std::size_t n) {
  std::uint16_t value = 0;
  for (std::size_t i = 0; i < n; ++i)
    value = static_cast<std::uint16_t>(value * 10 + (p[i] - '0'));
  return value;
}

// The kind, group and time an entry's name gives; false for a name not of the trash's form.
bool ParseName(const char* name, TrashKind* kind, std::string* group, os::SystemTime* when) {
  const std::size_t length = std::strlen(name);
  if (length <= kGroupAt + 4 || (name[0] != 'G' && name[0] != 'R') || name[1] != '-' ||
      !IsDigits(name + kStampAt, 14, false) || name[kSeqAt - 1] != '-' ||
      !IsDigits(name + kSeqAt, 4, true) || name[kGroupAt - 1] != '-' ||
      std::strcmp(name + length - 4, ".VEL") != 0)
    return false;
  group->assign(name + kGroupAt, length - kGroupAt - 4);
  if (!IsValidGroupName(group->c_str())) return false;
  *kind = name[0] == 'G' ? TrashKind::kGroup : TrashKind::kRecord;
  const char* s = name + kStampAt;
  *when =
      os::SystemTime{Number(s, 4),      Number(s + 4, 2),  0, Number(s + 6, 2), Number(s + 8, 2),
                     Number(s + 10, 2), Number(s + 12, 2), 0};
  std::uint64_t ticks = 0;
  return os::SystemTimeToTicks(when, &ticks);
}

bool TrashFolder(const char* folder, char (&trash)[kPathSize]) {
  return Join(trash, folder, "\\TRASH");
}

bool DatabaseAndTrash(char (&folder)[kPathSize], char (&trash)[kPathSize], host::Err* err) {
  char base[kPathSize];
  if ((*err = GetBaseFolder(base)) != host::kNoErr) return false;
  if (DatabaseFolderPath(base, folder) && TrashFolder(folder, trash)) return true;
  *err = kGroupWriteErr;
  return false;
}

// Whether the file at `path` reads as a group file: its counted records sound and within
// the file; a record entry holds exactly one record and nothing after it.
bool CheckEntry(const char* path, TrashKind kind, TrashEntry* entry) {
  os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  if (file == os::kInvalidFile) return false;
  const std::int64_t size = FileSize(file);
  std::int32_t count = 0;
  bool sound = size >= 0 && ReadCountWord(file, &count) && count >= 0 &&
               (size < 4 || count <= size / kStoredHeaderSize);
  std::int64_t at = 4;
  for (std::int32_t i = 0; sound && i < count; ++i) {
    std::uint8_t header[kStoredHeaderSize];
    sound = at + kStoredHeaderSize <= size &&
            os::FileSeek(file, at, os::SeekOrigin::kBegin, nullptr) &&
            ReadExactly(file, header, kStoredHeaderSize);
    if (!sound) break;
    const std::uint32_t length = ReadBE32(header + 4);
    const std::uint32_t thumbnail = ReadBE32(header + 416);
    const std::uint32_t art = ReadBE32(header + 420);
    sound = length >= kStoredHeaderSize && thumbnail != 0 &&
            std::uint64_t{kStoredHeaderSize} + thumbnail + art == length && at + length <= size;
    if (sound && i == 0) {
      const char* name = reinterpret_cast<const char*>(header) + offsetof(Record, name);
      const void* end = std::memchr(name, '\0', sizeof Record::name);
      entry->firstRecord.assign(
          name, end ? static_cast<const char*>(end) - name : std::ptrdiff_t{sizeof Record::name});
    }
    at += length;
  }
  os::FileClose(file);
  if (kind == TrashKind::kRecord && (count != 1 || at != size)) sound = false;
  entry->records = count;
  entry->bytes = size > 0 ? static_cast<std::uint64_t>(size) : 0;
  return sound;
}

std::uint64_t Ticks(const os::SystemTime& time) {
  std::uint64_t ticks = 0;
  os::SystemTimeToTicks(&time, &ticks);
  return ticks;
}

// Newest first (by the time and sequence of the name), foreign files last.
bool Newer(const TrashEntry& a, const TrashEntry& b) {
  const bool foreignA = a.kind == TrashKind::kForeign, foreignB = b.kind == TrashKind::kForeign;
  if (foreignA != foreignB) return foreignB;
  if (foreignA) return a.file < b.file;
  const int order =
      a.file.compare(kStampAt, kGroupAt - kStampAt, b.file, kStampAt, kGroupAt - kStampAt);
  return order != 0 ? order > 0 : a.file > b.file;
}

void ListFolder(const char* trash, bool check, std::vector<TrashEntry>* entries) {
  char pattern[kPathSize];
  if (!Join(pattern, trash, "\\*")) return;
  os::FindData data{};
  os::FindHandle find = os::FindFirst(pattern, &data);
  if (!find) return;
  do {
    TrashEntry entry;
    entry.file = data.name;
    if (data.isFolder || !ParseName(data.name, &entry.kind, &entry.group, &entry.removed)) {
      entry.kind = TrashKind::kForeign;
      entry.group.clear();
      entry.damaged = true;
    }
    entries->push_back(std::move(entry));
  } while (os::FindNext(find, &data));
  os::FindEnd(find);
  for (TrashEntry& entry : *entries) {
    char path[kPathSize];
    if (entry.kind == TrashKind::kForeign || !Join(path, trash, "\\", entry.file.c_str())) continue;
    if (check) {
      entry.damaged = !CheckEntry(path, entry.kind, &entry);
    } else {
      os::FileStamp stamp;
      entry.bytes = os::FileGetStamp(path, &stamp) ? stamp.size : 0;
    }
  }
  std::sort(entries->begin(), entries->end(), Newer);
}

// Deletes the entries past the age limit, then the oldest while the entries exceed the
// size limit; never `added`, never a foreign file.
void Prune(const char* trash, const char* added) {
  std::vector<TrashEntry> entries;
  ListFolder(trash, false, &entries);
  os::SystemTime now{};
  os::LocalTimeNow(&now);
  const std::uint64_t nowTicks = Ticks(now);
  const std::uint64_t maxAge = std::uint64_t{gMaxAgeDays} * kTicksPerDay;
  std::uint64_t total = 0;
  for (const TrashEntry& entry : entries)
    if (entry.kind != TrashKind::kForeign) total += entry.bytes;
  // Oldest first.
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (entry->kind == TrashKind::kForeign || entry->file == added) continue;
    const std::uint64_t removed = Ticks(entry->removed);
    const bool old = nowTicks > removed && nowTicks - removed > maxAge;
    if (!old && total <= gMaxBytes) continue;
    char path[kPathSize];
    if (Join(path, trash, "\\", entry->file.c_str()) && os::FileDelete(path)) total -= entry->bytes;
  }
}

// Makes a new entry name in `trash` and calls `make` with its path until it takes one that
// was free (`make` refuses a name in use); false when none could be had. The name goes to
// gLastEntry.
template <typename Make>
bool NewEntry(const char* trash, char kind, const char* group, char (&path)[kPathSize], Make make) {
  os::FolderCreate(trash, nullptr);
  os::SystemTime now{};
  os::LocalTimeNow(&now);
  const unsigned first = static_cast<unsigned>(now.milliseconds % 1000) * 64;
  for (unsigned seq = first; seq < first + 64; ++seq) {
    char name[kPathSize];
    const int n = std::snprintf(name, sizeof name, "\\%c-%04u%02u%02u%02u%02u%02u-%04X-%s.VEL",
                                kind, now.year % 10000u, now.month % 100u, now.day % 100u,
                                now.hour % 100u, now.minute % 100u, now.second % 100u, seq, group);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof name || !Join(path, trash, name))
      return false;
    if (make(path)) {
      std::snprintf(gLastEntry, sizeof gLastEntry, "%s", name + 1);
      return true;
    }
    // Taken by another removal of the same moment, or the folder cannot be written.
    os::FindData found{};
    os::FindHandle find = os::FindFirst(path, &found);
    if (!find) return false;
    os::FindEnd(find);
  }
  return false;
}

// The lock byte of restores, on the database folder's lock file.
class TrashLock {
 public:
  ~TrashLock() {
    if (file_ == os::kInvalidFile) return;
    os::FileUnlock(file_, kTrashLockOffset, 1);
    os::FileClose(file_);
  }
  host::Err Take(const char* folder) {
    char path[kPathSize];
    if (!Join(path, folder, "\\VELM.LCK")) return kGroupWriteErr;
    file_ = os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kOpenAlways);
    if (file_ == os::kInvalidFile) return kGroupWriteErr;
    const std::uint32_t wait = SetGroupLockWait(0);
    SetGroupLockWait(wait);
    if (os::FileLock(file_, kTrashLockOffset, 1, wait)) return host::kNoErr;
    os::FileClose(file_);
    file_ = os::kInvalidFile;
    return kGroupBusyErr;
  }

 private:
  os::FileHandle file_ = os::kInvalidFile;
};

host::Err RestoreGroup(const char* folder, const char* entryPath, const char* group) {
  char base[kPathSize], groupPath[kPathSize];
  if (host::Err err = GetBaseFolder(base)) return err;
  if (!GroupFilePath(base, group, groupPath)) return kBadGroupNameErr;
  GroupLock lock;
  if (host::Err err = lock.Take(folder, group)) return err;
  // Never over a group of that name: the rename refuses a name in use.
  if (os::FileRename(entryPath, groupPath, false)) return host::kNoErr;
  os::FindData found{};
  if (os::FindHandle find = os::FindFirst(groupPath, &found)) {
    os::FindEnd(find);
    return kGroupExistsErr;
  }
  return kGroupWriteErr;
}

host::Err RestoreRecord(const char* entryPath, const char* group, RestoredArt* restored) {
  if (!IsValidGroupName(group)) return kBadGroupNameErr;
  os::FileHandle file =
      os::FileOpen(entryPath, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  if (file == os::kInvalidFile) return kNoSuchTrashEntryErr;
  const std::int64_t size = FileSize(file);
  os::MemHandle block = nullptr;
  const bool read = size > 4 && size < 0x7FFFFFFF &&
                    GrowBlock(block, static_cast<std::uint32_t>(size - 4), kRecordGranule) &&
                    os::FileSeek(file, 4, os::SeekOrigin::kBegin, nullptr) &&
                    ReadExactly(file, block, static_cast<std::uint32_t>(size - 4));
  os::FileClose(file);
  if (!read) {
    ReleaseBlock(block);
    return kGroupWriteErr;
  }
  // Appended as stored, through the current record (kept aside meanwhile).
  Globals* g = gGlobals;
  os::MemHandle current = g->currentRecord;
  const std::int32_t currentIndex = g->currentRecordIndex;
  g->currentRecord = block;
  const host::Err err = WriteGroupRecord(group, -1);
  const std::int32_t number = g->currentRecordIndex;
  ReleaseBlock(g->currentRecord);
  g->currentRecord = current;
  g->currentRecordIndex = currentIndex;
  if (err != host::kNoErr) return err;
  // The palette's list holds the current group only.
  if (g->searchMode || std::strncmp(g->currentGroup, group, sizeof g->currentGroup) != 0)
    VelmRmvItemRIHList(g->RIHList, group, number);
  restored->record = number;
  restored->entryLeft = !os::FileDelete(entryPath);
  return host::kNoErr;
}

}  // namespace

bool TrashFolderPath(const char* base, char (&path)[kPathSize]) {
  char folder[kPathSize];
  return DatabaseFolderPath(base, folder) && TrashFolder(folder, path);
}

host::Err ListTrash(std::vector<TrashEntry>* entries) {
  entries->clear();
  char folder[kPathSize], trash[kPathSize];
  host::Err err = host::kNoErr;
  if (!DatabaseAndTrash(folder, trash, &err)) return err == kGroupWriteErr ? host::kNoErr : err;
  ListFolder(trash, true, entries);
  return host::kNoErr;
}

host::Err RestoreTrashEntry(const char* file, const char* asGroup, RestoredArt* restored) {
  *restored = RestoredArt{};
  if (!gGlobals || !file) return -1;
  char folder[kPathSize], trash[kPathSize], path[kPathSize];
  host::Err err = host::kNoErr;
  if (!DatabaseAndTrash(folder, trash, &err)) return err;
  TrashEntry entry;
  entry.file = file;
  if (std::strchr(file, '\\') || std::strchr(file, '/') ||
      !ParseName(file, &entry.kind, &entry.group, &entry.removed))
    return kTrashEntryDamagedErr;
  if (!Join(path, trash, "\\", file)) return kNoSuchTrashEntryErr;
  TrashLock lock;
  if ((err = lock.Take(folder))) return err;
  os::FindData found{};
  os::FindHandle find = os::FindFirst(path, &found);
  if (!find) return kNoSuchTrashEntryErr;
  os::FindEnd(find);
  if (found.isFolder || !CheckEntry(path, entry.kind, &entry)) return kTrashEntryDamagedErr;
  restored->group = asGroup && asGroup[0] ? asGroup : entry.group;
  if (entry.kind == TrashKind::kGroup) return RestoreGroup(folder, path, restored->group.c_str());
  return RestoreRecord(path, restored->group.c_str(), restored);
}

host::Err RestoreLatestTrashEntry(RestoredArt* restored) {
  *restored = RestoredArt{};
  std::vector<TrashEntry> entries;
  if (host::Err err = ListTrash(&entries)) return err;
  for (const TrashEntry& entry : entries)
    if (entry.kind != TrashKind::kForeign && !entry.damaged)
      return RestoreTrashEntry(entry.file.c_str(), nullptr, restored);
  return kNoSuchTrashEntryErr;
}

host::Err EmptyTrash(std::int32_t* deleted) {
  *deleted = 0;
  char folder[kPathSize], trash[kPathSize];
  host::Err err = host::kNoErr;
  if (!DatabaseAndTrash(folder, trash, &err)) return err == kGroupWriteErr ? host::kNoErr : err;
  std::vector<TrashEntry> entries;
  ListFolder(trash, false, &entries);
  for (const TrashEntry& entry : entries) {
    char path[kPathSize];
    if (entry.kind == TrashKind::kForeign) continue;
    if (Join(path, trash, "\\", entry.file.c_str()) && os::FileDelete(path)) {
      ++*deleted;
    } else {
      err = kGroupWriteErr;
    }
  }
  return err;
}

void SetTrashLimits(std::uint32_t maxAgeDays, std::uint64_t maxBytes, std::uint32_t* oldAgeDays,
                    std::uint64_t* oldBytes) {
  if (oldAgeDays) *oldAgeDays = gMaxAgeDays;
  if (oldBytes) *oldBytes = gMaxBytes;
  gMaxAgeDays = maxAgeDays;
  gMaxBytes = maxBytes;
}

const char* LastTrashEntry() {
  return gLastEntry;
}

host::Err TrashGroupFile(const char* folder, const char* groupPath, const char* group) {
  char trash[kPathSize], path[kPathSize];
  if (!TrashFolder(folder, trash)) return kGroupWriteErr;
  // The file itself moves, its times with it.
  if (!NewEntry(trash, 'G', group, path,
                [&](const char* to) { return os::FileRename(groupPath, to, false); }))
    return kGroupWriteErr;
  Prune(trash, gLastEntry);
  return host::kNoErr;
}

TrashedRecord::~TrashedRecord() {
  if (!path_[0]) return;
  os::FileDelete(path_);
  gLastEntry[0] = '\0';
}

void TrashedRecord::Keep() {
  path_[0] = '\0';
}

host::Err TrashedRecord::Write(os::FileHandle source, std::int32_t index, const char* folder,
                               const char* group, std::int64_t at) {
  char trash[kPathSize], path[kPathSize];
  std::uint8_t prefix[8];
  if (!TrashFolder(folder, trash) || (at < 0 && !WalkRecords(source, index, &at)) ||
      !os::FileSeek(source, at, os::SeekOrigin::kBegin, nullptr) || !ReadExactly(source, prefix, 8))
    return kGroupWriteErr;
  const std::uint32_t length = ReadBE32(prefix + 4);
  os::FileHandle entry = os::kInvalidFile;
  if (!NewEntry(trash, 'R', group, path, [&](const char* to) {
        entry = os::FileOpen(to, os::FileAccess::kReadWrite, os::FileDisposition::kCreateNew);
        return entry != os::kInvalidFile;
      }))
    return kGroupWriteErr;
  std::snprintf(path_, sizeof path_, "%s", path);
  std::uint8_t count[4];
  WriteBE32(count, 1);
  bool ok =
      WriteExactly(entry, count, 4) && os::FileSeek(source, at, os::SeekOrigin::kBegin, nullptr);
  os::MemHandle chunk = ok ? os::MemAlloc(kCopyChunk) : nullptr;
  ok = ok && chunk;
  for (std::uint32_t left = length; ok && left > 0;) {
    const std::uint32_t n = left < kCopyChunk ? left : kCopyChunk;
    ok = ReadExactly(source, chunk, n) && WriteExactly(entry, chunk, n);
    left -= n;
  }
  if (chunk) os::MemFree(chunk);
  ok = ok && os::FileFlush(entry);
  ok = os::FileClose(entry) && ok;
  if (!ok) {
    os::FileDelete(path_);
    path_[0] = gLastEntry[0] = '\0';
    return kGroupWriteErr;
  }
  Prune(trash, gLastEntry);
  return host::kNoErr;
}

}  // namespace velm
