#include "database/group_file.h"
#include "database/group_file_p.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

#include "database/busy.h"
#include "database/group_reader.h"
#include "database/record.h"
#include "database/record_index.h"
#include "database/record_offsets.h"
#include "database/record_time.h"
#include "database/text_match.h"
#include "database/writer_mark.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "platform/memory.h"

namespace velm {

const char kSearchResultsGroup[] = "検索結果";

namespace group_io {

// Where the application's own sub-folders or program file start, tried in this order.
constexpr const char* kBaseFolderMarkers[] = {
    "\\SYSTEM\\",        "\\System\\",        "\\SUPPORT FILES\\", "\\Support Files\\",
    "\\support files\\", "\\ILLUSTRATOR.EXE", "\\Illustrator.exe",
};

std::uint32_t ReadBE32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

void WriteBE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

bool ReadExactly(os::FileHandle file, void* buffer, std::uint32_t count) {
  std::uint32_t done = 0;
  return os::FileRead(file, buffer, count, &done) && done == count;
}

bool WriteExactly(os::FileHandle file, const void* buffer, std::uint32_t count) {
  std::uint32_t done = 0;
  return os::FileWrite(file, buffer, count, &done) && done == count;
}

// The count word into *count; a file shorter than 4 bytes counts as 0. False when the
// file cannot be read (a failure, not a short file): the count is then unknown, and a
// writer must not take it as 0.
bool ReadCountWord(os::FileHandle file, std::int32_t* count) {
  std::uint8_t bytes[4];
  std::uint32_t done = 0;
  *count = 0;
  if (!os::FileSeek(file, 0, os::SeekOrigin::kBegin, nullptr) ||
      !os::FileRead(file, bytes, 4, &done))
    return false;
  if (done == 4) *count = static_cast<std::int32_t>(ReadBE32(bytes));
  return true;
}

// The count word for readers; an unreadable one counts as 0.
std::int32_t ReadCount(os::FileHandle file) {
  std::int32_t count = 0;
  return ReadCountWord(file, &count) ? count : 0;
}

std::int64_t FileSize(os::FileHandle file) {
  std::int64_t size = 0;
  return os::FileSeek(file, 0, os::SeekOrigin::kEnd, &size) ? size : -1;
}

// A whole, sound stored record at `at`: its length fits the file and matches its header.
bool WholeRecordAt(os::FileHandle file, std::int64_t at, std::int64_t size) {
  std::uint8_t header[kStoredHeaderSize];
  if (at + static_cast<std::int64_t>(kStoredHeaderSize) > size ||
      !os::FileSeek(file, at, os::SeekOrigin::kBegin, nullptr) ||
      !ReadExactly(file, header, kStoredHeaderSize))
    return false;
  const std::uint32_t length = ReadBE32(header + 4);
  const std::uint32_t thumbnailLength = ReadBE32(header + 416);
  const std::uint32_t artLength = ReadBE32(header + 420);
  return length >= kStoredHeaderSize && at + length <= size && thumbnailLength != 0 &&
         std::uint64_t{kStoredHeaderSize} + thumbnailLength + artLength == length;
}

// What follows the counted records (ending at `end`): whole records that a damaged count
// word hides (kGroupNeedsRepairErr: they must not be overwritten or dropped), or nothing
// but the rest of an interrupted append, which may go.
host::Err CheckTail(os::FileHandle file, std::int64_t end) {
  const std::int64_t size = FileSize(file);
  if (size < 0) return kGroupWriteErr;
  return size > end && WholeRecordAt(file, end, size) ? kGroupNeedsRepairErr : host::kNoErr;
}

// A stored header has the expected name (always, without one).
bool HasName(const Record& stored, const char* expectedName) {
  return !expectedName || std::strncmp(stored.name, expectedName, sizeof stored.name) == 0;
}

// A stored header is the expected record (always, without one).
bool IsRecord(const Record& stored, const Record* expected) {
  return !expected || SameStoredRecord(stored, *expected);
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Windows opens CON, PRN, AUX, NUL, COM1 … COM9 and LPT1 … LPT9 as devices, in any case,
// alone or before a dot and whatever follows it (blanks before the dot are ignored).
bool IsDeviceName(const char* name) {
  std::size_t n = std::strcspn(name, ".");
  while (n > 0 && name[n - 1] == ' ')
    --n;
  if (n < 3 || n > 4) return false;
  char upper[5] = {};
  for (std::size_t i = 0; i < n; ++i)
    upper[i] = AsciiUpper(name[i]);
  if (n == 3) {
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* device : kDevices)
      if (std::strcmp(upper, device) == 0) return true;
    return false;
  }
  return (std::strncmp(upper, "COM", 3) == 0 || std::strncmp(upper, "LPT", 3) == 0) &&
         upper[3] >= '1' && upper[3] <= '9';
}

host::Err OpenGroupFile(const char* group, bool forWriting, os::FileHandle* file,
                        GroupLock* lock = nullptr) {
  *file = os::kInvalidFile;
  char base[kPathSize];
  if (host::Err err = GetBaseFolder(base)) return err;
  char path[kPathSize];
  if (!GroupFilePath(base, group, path)) return forWriting ? kBadGroupNameErr : host::kNoErr;
  if (forWriting) {
    char folder[kPathSize];
    if (!DatabaseFolderPath(base, folder)) return kGroupWriteErr;
    os::FolderCreate(folder, nullptr);
    if (lock) {
      if (host::Err err = lock->Take(folder, group)) return err;
    }
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
      // A missing file is made anew, never through a name that is there (a symbolic link
      // leading nowhere would make it outside the database folder).
      *file = os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kOpenExisting);
      if (*file == os::kInvalidFile)
        *file = os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kCreateNew);
      if (*file == os::kInvalidFile) return kGroupWriteErr;
      const host::Err err = lock ? lock->LockGroupFile(*file, path) : host::kNoErr;
      if (err == host::kNoErr) return host::kNoErr;
      os::FileClose(*file);
      *file = os::kInvalidFile;
      if (err != kGroupReplaced) return err;
    }
    return kGroupWriteErr;
  } else {
    *file = os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  }
  return host::kNoErr;
}

// The current record in stored form (converted and compressed if it is expanded).
bool CurrentRecordStored(Globals* g) {
  if (!g->currentRecord) return false;
  if (RecordHeader(g->currentRecord)->thumbnailLength != 0) return true;
  return RecordToStoredForm(g->currentRecord) == 0;
}

RecordTime HostOrder32(std::uint32_t bigEndian) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&bigEndian);
  return ReadBE32(p);
}

}  // namespace group_io

using namespace group_io;

bool AppendPath(char (&path)[kPathSize], std::size_t& length, const char* text) {
  const std::size_t n = std::strlen(text);
  if (length + n + 1 > kPathSize) return false;
  std::memcpy(path + length, text, n + 1);
  length += n;
  return true;
}

host::Err GetBaseFolder(char (&buffer)[kPathSize]) {
  buffer[0] = '\0';
  if (!sRuntime) return host::kSuiteNotFoundErr;
  if (host::Err err = sRuntime->GetAppFilePath(buffer, static_cast<std::int32_t>(kPathSize))) {
    buffer[0] = '\0';
    return err;
  }
  buffer[kPathSize - 1] = '\0';
  for (const char* marker : kBaseFolderMarkers) {
    if (char* at = std::strstr(buffer, marker)) {
      *at = '\0';
      break;
    }
  }
  return host::kNoErr;
}

bool DatabaseFolderPath(const char* base, char (&path)[kPathSize]) {
  std::size_t length = 0;
  path[0] = '\0';
  return AppendPath(path, length, base) && AppendPath(path, length, "\\VELM");
}

bool IsValidGroupName(const char* group) {
  if (!group || !group[0]) return false;
  const std::size_t length = std::strlen(group);
  if (length >= kGroupNameSize) return false;
  if (std::strcmp(group, ".") == 0 || std::strcmp(group, "..") == 0) return false;
  // A '.' is never the second byte of a double-byte character, so the search is safe.
  if (std::strstr(group, ".VEL") || IsDeviceName(group)) return false;
  if (std::strcmp(group, kSearchResultsGroup) == 0) return false;
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(group[i]);
    if (IsShiftJisLeadByte(c)) {
      // The second byte of a double-byte character may be anything, even a backslash.
      if (i + 1 >= length) return false;
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c)) return false;
  }
  return true;
}

bool GroupFilePath(const char* base, const char* group, char (&path)[kPathSize]) {
  if (!IsValidGroupName(group)) return false;
  std::size_t length = 0;
  path[0] = '\0';
  return AppendPath(path, length, base) && AppendPath(path, length, "\\VELM\\") &&
         AppendPath(path, length, group) && AppendPath(path, length, ".VEL");
}

host::Err ListGroups(GroupVisitor visit, void* context) {
  char base[kPathSize];
  if (host::Err err = GetBaseFolder(base)) return err;
  char pattern[kPathSize];
  std::size_t length = 0;
  if (!AppendPath(pattern, length, base) || !AppendPath(pattern, length, "\\VELM\\*.VEL"))
    return host::kNoErr;
  os::FindData data{};
  os::FindHandle find = os::FindFirst(pattern, &data);
  if (!find) return host::kNoErr;
  do {
    if (data.isFolder) continue;
    const char* extension = std::strstr(data.name, ".VEL");
    if (!extension || extension == data.name) continue;
    // "a.VEL.bak" or "a.VELM" would name group "a" a second time, or a group whose file
    // does not exist: only names ending in the extension are groups.
    if (extension[4] != '\0') continue;
    const std::size_t n = static_cast<std::size_t>(extension - data.name);
    if (n >= kGroupNameSize) continue;
    char group[kGroupNameSize];
    std::memcpy(group, data.name, n);
    group[n] = '\0';
    if (std::strcmp(group, kSearchResultsGroup) == 0 || !IsValidGroupName(group)) continue;
    if (!visit(group, context)) break;
  } while (os::FindNext(find, &data));
  os::FindEnd(find);
  return host::kNoErr;
}

std::int32_t GroupRecordCount(const char* group) {
  if (!group) return 0;
  if (std::strcmp(group, kSearchResultsGroup) == 0)
    return gGlobals ? RIHCount(gGlobals->RIHList) : 0;
  os::FileHandle file = os::kInvalidFile;
  if (OpenGroupFile(group, false, &file) || file == os::kInvalidFile) return 0;
  const std::int32_t count = ReadCount(file);
  os::FileClose(file);
  return count < 0 ? 0 : count;
}

host::Err VelmReadRecord(const char* group, std::int32_t index, os::MemHandle* buffer,
                         std::int32_t mode, bool convert) {
  Trace("VelmReadRecord_START\r\n");
  Globals* g = gGlobals;
  const bool toCurrent = !buffer || !*buffer;
  if (toCurrent) {
    if (!g) return -1;
    ReleaseBlock(g->currentRecord);
    g->currentRecordIndex = -1;
  }
  if (mode < 0 || (mode > 0 && mode <= 8)) return -1;

  // Inside a read scope of the group its handle, count and walk serve; otherwise the file
  // is opened for this record alone.
  ReadScopeState* scope = ActiveReadScope(group);
  os::FileHandle file = os::kInvalidFile;
  std::int32_t count = 0;
  if (scope) {
    file = scope->file;
    count = scope->count;
  } else {
    if (host::Err err = OpenGroupFile(group, false, &file)) return err;
    if (file == os::kInvalidFile) return host::kNoErr;
    count = ReadCount(file);
  }
  struct OwnFile {
    os::FileHandle file;
    ~OwnFile() {
      if (file != os::kInvalidFile) os::FileClose(file);
    }
  } own{scope ? os::kInvalidFile : file};
  if (count <= 0 || index < 0 || index >= count) return host::kNoErr;
  std::int64_t offset = 0;
  if (scope) {
    if (!scope->Locate(index, &offset)) return kDamagedGroupErr;
  } else {
    char path[kPathSize], base[kPathSize];
    const bool named = GetBaseFolder(base) == host::kNoErr && GroupFilePath(base, group, path);
    if (!LocateRecord(file, named ? path : nullptr, count, index, &offset)) return kDamagedGroupErr;
  }
  std::optional<GroupReader> ownReader;
  GroupReader& reader = scope ? *scope->reader : ownReader.emplace(file);

  // The record's header decides how much is read.
  const std::int64_t size = reader.Size();
  const std::uint8_t* header = reader.At(offset, 8);
  if (!header) return kDamagedGroupErr;
  const std::uint32_t recordLength = ReadBE32(header + 4);
  if (recordLength < kStoredHeaderSize || offset + recordLength > size ||
      !(header = reader.At(offset, kStoredHeaderSize)))
    return kDamagedGroupErr;
  // A stored record is exactly its header, its two coded parts and two slack bytes.
  const std::uint32_t thumbnailLength = ReadBE32(header + 416);
  const std::uint32_t artLength = ReadBE32(header + 420);
  if (thumbnailLength == 0 ||
      std::uint64_t{kStoredHeaderSize} + thumbnailLength + artLength != recordLength)
    return kDamagedGroupErr;
  std::uint32_t wanted = recordLength;
  std::uint32_t blockSize = recordLength;
  if (mode == kReadHeaderAndThumbnail) {
    wanted = kStoredHeaderSize + thumbnailLength;
    blockSize = wanted > kEmptyRecordLength ? wanted : kEmptyRecordLength;
  } else if (mode != kReadWholeRecord) {
    wanted = static_cast<std::uint32_t>(mode) < recordLength ? static_cast<std::uint32_t>(mode)
                                                             : recordLength;
    blockSize = wanted > kRecordHeaderSize ? wanted : kRecordHeaderSize;
  }

  // A caller's block may be replaced while it grows (the old one is then freed): on any
  // failure from here on the caller gets back the block as it now is, never the old one.
  os::MemHandle block = toCurrent ? nullptr : *buffer;
  auto fail = [&](host::Err err) {
    if (toCurrent) {
      ReleaseBlock(block);
    } else {
      *buffer = block;
    }
    return err;
  };
  // A header or a header and thumbnail is read into a block of list granules: a record's
  // granule is 2 MiB, all cleared, which a listing of thousands of headers would pay each time.
  if (!GrowBlock(block, blockSize, mode == kReadWholeRecord ? kRecordGranule : kListGranule))
    return host::kOutOfMemoryErr;
  if (!reader.Read(offset, block, wanted)) return fail(kDamagedGroupErr);
  if (own.file != os::kInvalidFile) {
    os::FileClose(own.file);
    own.file = os::kInvalidFile;
  }

  if (convert) {
    std::int32_t status = 0;
    if (mode == kReadWholeRecord) {
      status = RecordFromStoredForm(block, true);
    } else if (mode == kReadHeaderAndThumbnail) {
      status = RecordFromStoredForm(block, false);
    } else {
      status = RecordToHostOrder(block, false);
    }
    if (status != 0) {
      // A damaged record is not handed out as the current record.
      return fail(kDamagedGroupErr);
    }
  }

  if (toCurrent) {
    g->currentRecord = block;
    g->currentRecordIndex = index;
  } else {
    *buffer = block;
  }
  Trace("VelmReadRecord_END\r\n");
  return host::kNoErr;
}

host::Err WriteGroupRecord(const char* group, std::int32_t index, const char* expectedName) {
  Trace("WriteGroupRecord_START\r\n");
  Globals* g = gGlobals;
  if (!g || !group) return -1;
  if (!CurrentRecordStored(g)) return -1;

  GroupLock lock;
  os::FileHandle file = os::kInvalidFile;
  if (host::Err err = OpenGroupFile(group, true, &file, &lock)) return err;

  // A file shorter than the count word (a new group) holds no records; its count is
  // written with the first record.
  std::int32_t count = 0;
  const std::int64_t oldSize = FileSize(file);
  if (oldSize < 0 || !ReadCountWord(file, &count)) {
    os::FileClose(file);
    return kGroupWriteErr;
  }
  if (count < 0) {
    os::FileClose(file);
    return kDamagedGroupErr;
  }

  Record* record = RecordHeader(g->currentRecord);
  if (index < 0) {
    // Where the records end: from what is kept of the group when it is still what the
    // file holds, so that appending record after record does not walk the group each time.
    char path[kPathSize], base[kPathSize];
    const bool named = GetBaseFolder(base) == host::kNoErr && GroupFilePath(base, group, path);
    std::int64_t end = 0;
    if (!(named ? FindRecordsEnd(file, path, count, &end) : WalkRecords(file, count, &end))) {
      os::FileClose(file);
      return kDamagedGroupErr;
    }
    if (host::Err err = CheckTail(file, end)) {
      os::FileClose(file);
      return err;
    }
    const std::uint32_t length = HostOrder32(static_cast<std::uint32_t>(record->recordLength));
    if (length < kStoredHeaderSize || length > os::MemSize(g->currentRecord)) {
      os::FileClose(file);
      return -1;
    }
    // The record first, then the count: an interrupted write leaves the old count, and
    // the file reads as it did before. The rest of an earlier interrupted append beyond
    // the new record is cut off. The append has happened once it is on the disk; a write
    // or flush that fails puts the old count and length back (a whole record left behind
    // the count would make the group refuse every later write).
    std::uint8_t newCount[4];
    WriteBE32(newCount, static_cast<std::uint32_t>(count + 1));
    if (!lock.StillHeld()) {
      os::FileClose(file);
      return kGroupLockLostErr;
    }
    if (!os::FileSeek(file, end, os::SeekOrigin::kBegin, nullptr) ||
        !WriteExactly(file, g->currentRecord, length) || !os::FileSetSize(file, end + length) ||
        !os::FileSeek(file, 0, os::SeekOrigin::kBegin, nullptr) ||
        !WriteExactly(file, newCount, 4) || !os::FileFlush(file)) {
      if (oldSize >= 4) {
        std::uint8_t oldCount[4];
        WriteBE32(oldCount, static_cast<std::uint32_t>(count));
        if (os::FileSeek(file, 0, os::SeekOrigin::kBegin, nullptr)) WriteExactly(file, oldCount, 4);
      }
      os::FileSetSize(file, oldSize >= 4 ? end : oldSize);
      os::FileFlush(file);
      os::FileClose(file);
      return kGroupWriteErr;
    }
    // The record is on the disk: a failing close changes nothing of that.
    os::FileClose(file);
    if (named) NoteRecordAppended(path, count, end, length);
    g->currentRecordIndex = count;
    if (g->RIHList) {
      VelmAddItemRIHList(g->RIHList, group, count, record->name, record->kind,
                         HostOrder32(record->created));
    } else {
      BuildRIHList(g->currentGroup);
    }
    Trace("WriteGroupRecord_END\r\n");
    return host::kNoErr;
  }

  // Rewrite the header of record `index` in place: everything the file holds stays but
  // name, kind, comment and the modification date.
  std::int64_t at = 0;
  if (index >= count) {
    // No such record: nothing is rewritten, and the caller must not take it as done.
    os::FileClose(file);
    return expectedName ? kRecordMovedErr : kNoSuchRecordErr;
  }
  if (!WalkRecords(file, index, &at)) {
    os::FileClose(file);
    return kDamagedGroupErr;
  }
  Record stored{};
  if (!os::FileSeek(file, at, os::SeekOrigin::kBegin, nullptr) ||
      !ReadExactly(file, &stored, kRecordHeaderPrefix)) {
    os::FileClose(file);
    return kDamagedGroupErr;
  }
  if (!HasName(stored, expectedName)) {
    os::FileClose(file);
    return kRecordMovedErr;
  }
  record->objectCount = stored.objectCount;
  record->recordLength = stored.recordLength;
  record->bounds = stored.bounds;
  record->created = stored.created;
  record->modified = HostOrder32(CurrentRecordTime());  // big-endian, as stored
  if (!lock.StillHeld()) {
    os::FileClose(file);
    return kGroupLockLostErr;
  }
  // Done once the new header is on the disk; a write or flush that fails (perhaps half
  // way) puts the stored header back.
  if (!os::FileSeek(file, at, os::SeekOrigin::kBegin, nullptr) ||
      !WriteExactly(file, g->currentRecord, kRecordHeaderPrefix) || !os::FileFlush(file)) {
    if (os::FileSeek(file, at, os::SeekOrigin::kBegin, nullptr))
      WriteExactly(file, &stored, kRecordHeaderPrefix);
    os::FileFlush(file);
    os::FileClose(file);
    return kGroupWriteErr;
  }
  os::FileClose(file);
  g->currentRecordIndex = index;
  VelmRmvItemRIHList(g->RIHList, group, index);
  VelmAddItemRIHList(g->RIHList, group, index, record->name, record->kind,
                     HostOrder32(record->created));
  Trace("WriteGroupRecord_END\r\n");
  return host::kNoErr;
}

}  // namespace velm
