#include "database/record_move.h"

#include <cstdio>
#include <cstring>

#include "database/writer_mark.h"
#include "frame/globals.h"
#include "frame/trace.h"
#include "platform/memory.h"

namespace velm {

namespace {

// The journal file: "VELMMOVE", the process (big-endian), both group names, the old
// record number (big-endian) and both stored header prefixes.
constexpr char kMagic[8] = {'V', 'E', 'L', 'M', 'M', 'O', 'V', 'E'};
constexpr std::uint32_t kJournalSize = 8 + 4 + 64 + 64 + 4 + 2 * kRecordHeaderPrefix;

void PutBE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

std::uint32_t GetBE32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

bool Join(char (&path)[kPathSize], const char* a, const char* b) {
  const int n = std::snprintf(path, sizeof path, "%s%s", a, b);
  return n > 0 && static_cast<std::size_t>(n) < sizeof path;
}

bool DatabaseFolder(char (&folder)[kPathSize]) {
  char base[kPathSize];
  return GetBaseFolder(base) == host::kNoErr && DatabaseFolderPath(base, folder);
}

void Encode(const InterruptedMove& move, std::uint8_t (&bytes)[kJournalSize]) {
  std::uint8_t* p = bytes;
  std::memcpy(p, kMagic, 8);
  PutBE32(p + 8, move.process);
  std::memcpy(p + 12, move.source, 64);
  std::memcpy(p + 76, move.target, 64);
  PutBE32(p + 140, static_cast<std::uint32_t>(move.sourceNumber));
  std::memcpy(p + 144, &move.original, kRecordHeaderPrefix);
  std::memcpy(p + 144 + kRecordHeaderPrefix, &move.copy, kRecordHeaderPrefix);
}

bool Decode(const std::uint8_t (&bytes)[kJournalSize], InterruptedMove* move) {
  if (std::memcmp(bytes, kMagic, 8) != 0) return false;
  move->process = GetBE32(bytes + 8);
  std::memcpy(move->source, bytes + 12, 64);
  std::memcpy(move->target, bytes + 76, 64);
  move->source[63] = move->target[63] = '\0';
  move->sourceNumber = static_cast<std::int32_t>(GetBE32(bytes + 140));
  std::memcpy(&move->original, bytes + 144, kRecordHeaderPrefix);
  std::memcpy(&move->copy, bytes + 144 + kRecordHeaderPrefix, kRecordHeaderPrefix);
  return IsValidGroupName(move->source) && IsValidGroupName(move->target) &&
         move->sourceNumber >= 0;
}

void (*gAppendedHook)() = nullptr;

// Writes the journal of a move to a new file named with the mover's `mark`; false when it
// is not on the disk (nothing is left behind then).
bool WriteJournal(InterruptedMove* move, const WriterMark& mark) {
  char folder[kPathSize];
  if (!DatabaseFolder(folder)) return false;
  char name[64];
  std::snprintf(name, sizeof name, "\\VELM-%u-%s.MOV", static_cast<unsigned>(move->process),
                mark.Text());
  if (!Join(move->path, folder, name)) return false;
  os::FolderCreate(folder, nullptr);
  std::uint8_t bytes[kJournalSize];
  Encode(*move, bytes);
  os::FileHandle file =
      os::FileOpen(move->path, os::FileAccess::kReadWrite, os::FileDisposition::kCreateNew);
  if (file == os::kInvalidFile) return false;
  std::uint32_t done = 0;
  const bool written = os::FileWrite(file, bytes, kJournalSize, &done) && done == kJournalSize &&
                       os::FileFlush(file);
  os::FileClose(file);
  if (!written) os::FileDelete(move->path);
  return written;
}

// Reads the stored header prefix of record `index` of `group` into `header`.
// 1: read; 0: no such record; -1: the group cannot be read.
int ReadStoredHeader(const char* group, std::int32_t index, os::MemHandle& block, Record* header) {
  if (index < 0 || index >= GroupRecordCount(group)) return 0;
  if (VelmReadRecord(group, index, &block, kReadHeaderOnly, false) != host::kNoErr) return -1;
  const Record* read = RecordHeader(block);
  if (read->recordLength == 0) return 0;
  std::memcpy(header, read, kRecordHeaderPrefix);
  return 1;
}

// The number of the record of `group` that is `wanted`, looked for at `hint` first and
// then from the end; -1 when there is none, -2 when the group cannot be read.
std::int32_t FindStoredRecord(const char* group, const Record& wanted, std::int32_t hint) {
  os::MemHandle block = nullptr;
  if (!GrowBlock(block, kRecordHeaderSize, kRecordGranule)) return -2;
  std::int32_t found = -1;
  Record header{};
  int read = ReadStoredHeader(group, hint, block, &header);
  if (read == 1 && SameStoredRecord(header, wanted)) found = hint;
  for (std::int32_t i = GroupRecordCount(group) - 1; found == -1 && read >= 0 && i >= 0; --i) {
    if (i == hint) continue;
    read = ReadStoredHeader(group, i, block, &header);
    if (read == 1 && SameStoredRecord(header, wanted)) found = i;
  }
  ReleaseBlock(block);
  return read < 0 && found == -1 ? -2 : found;
}

// RemoveGroupRecordIf, keeping the current record (a removal releases it).
host::Err RemoveKeepingCurrent(const char* group, std::int32_t index, const Record& expected,
                               bool* removed) {
  Globals* g = gGlobals;
  os::MemHandle current = g->currentRecord;
  const std::int32_t currentIndex = g->currentRecordIndex;
  g->currentRecord = nullptr;
  // The record lives on in the other group: nothing goes to the trash.
  const host::Err err = RemoveGroupRecordIf(group, index, expected, removed, false);
  ReleaseBlock(g->currentRecord);
  g->currentRecord = current;
  g->currentRecordIndex = currentIndex;
  return err;
}

}  // namespace

host::Err MoveGroupRecord(const char* source, std::int32_t index, const char* expectedName,
                          const char* target, std::int32_t* newNumber, MoveOutcome* outcome) {
  Trace("MoveGroupRecord_START\r\n");
  *outcome = MoveOutcome::kUnchanged;
  *newNumber = -1;
  Globals* g = gGlobals;
  if (!g || !g->currentRecord || !source || !target) return -1;
  if (RecordHeader(g->currentRecord)->thumbnailLength == 0 &&
      RecordToStoredForm(g->currentRecord) != 0)
    return -1;

  // The journal names the record as it is in the old group and as it will be in the new.
  InterruptedMove move;
  move.process = os::ProcessId();
  std::strncpy(move.source, source, sizeof move.source - 1);
  std::strncpy(move.target, target, sizeof move.target - 1);
  move.sourceNumber = index;
  std::memcpy(&move.copy, g->currentRecord, kRecordHeaderPrefix);
  {
    os::MemHandle block = nullptr;
    if (!GrowBlock(block, kRecordHeaderSize, kRecordGranule)) return -1;
    const int read = ReadStoredHeader(source, index, block, &move.original);
    ReleaseBlock(block);
    if (read < 0) return kDamagedGroupErr;
    if (read == 0 ||
        (expectedName && std::strncmp(move.original.name, expectedName, sizeof move.original.name)))
      return kRecordMovedErr;
  }
  // The mark is held until the move is done: till then the journal is one of a move under
  // way, for every machine that shares the folder.
  WriterMark mark;
  if (!mark.Take() || !WriteJournal(&move, mark)) return kGroupWriteErr;

  host::Err err = WriteGroupRecord(target, -1);
  if (err != host::kNoErr) {
    os::FileDelete(move.path);
    return err;
  }
  *newNumber = g->currentRecordIndex;
  if (gAppendedHook) gAppendedHook();

  bool removed = false;
  err = RemoveKeepingCurrent(source, index, move.original, &removed);
  if (err == host::kNoErr && !removed) err = kRecordMovedErr;
  if (err == host::kNoErr) {
    os::FileDelete(move.path);
    *outcome = MoveOutcome::kMoved;
    Trace("MoveGroupRecord_END\r\n");
    return host::kNoErr;
  }
  // The record could not leave its old group: its copy is taken out of the new one again,
  // if it is still there as written.
  bool undone = false;
  if (RemoveKeepingCurrent(target, *newNumber, move.copy, &undone) == host::kNoErr && undone) {
    os::FileDelete(move.path);
    *newNumber = -1;
    g->currentRecordIndex = -1;
  } else {
    *outcome = MoveOutcome::kInBoth;
  }
  Trace("MoveGroupRecord_END\r\n");
  return err;
}

host::Err ListMoveJournals(MoveVisitor visit, void* context, std::int32_t* unreadable) {
  if (unreadable) *unreadable = 0;
  char folder[kPathSize], pattern[kPathSize];
  if (!DatabaseFolder(folder) || !Join(pattern, folder, "\\VELM-*.MOV")) return -1;
  os::FindData data{};
  os::FindHandle find = os::FindFirst(pattern, &data);
  if (!find) return host::kNoErr;
  bool more = true;
  do {
    if (data.isFolder) continue;
    InterruptedMove move;
    char name[kPathSize];
    if (!Join(name, "\\", data.name) || !Join(move.path, folder, name)) continue;
    std::uint8_t bytes[kJournalSize];
    std::uint32_t done = 0;
    os::FileHandle file =
        os::FileOpen(move.path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
    const bool read = file != os::kInvalidFile && os::FileRead(file, bytes, kJournalSize, &done) &&
                      done == kJournalSize;
    if (file != os::kInvalidFile) os::FileClose(file);
    if (!read || !Decode(bytes, &move)) {
      if (unreadable) ++*unreadable;
      continue;
    }
    move.running = WriterOfFile(data.name, 5 /* "VELM-" */) != WriterState::kEnded;
    more = visit(move, context);
  } while (more && os::FindNext(find, &data));
  os::FindEnd(find);
  return host::kNoErr;
}

void RemoveUnwrittenJournals(JournalVisitor deleted, void* context) {
  char folder[kPathSize], pattern[kPathSize];
  if (!DatabaseFolder(folder) || !Join(pattern, folder, "\\VELM-*.MOV")) return;
  os::FindData data{};
  os::FindHandle find = os::FindFirst(pattern, &data);
  if (!find) return;
  // Names are collected first: a folder's listing is not changed while it is read.
  char names[16][sizeof data.name];
  std::size_t count = 0;
  do {
    char path[kPathSize], name[kPathSize];
    if (data.isFolder || !Join(name, "\\", data.name) || !Join(path, folder, name)) continue;
    os::FileHandle file =
        os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
    if (file == os::kInvalidFile) continue;
    std::int64_t size = -1;
    if (!os::FileSeek(file, 0, os::SeekOrigin::kEnd, &size)) size = -1;
    os::FileClose(file);
    if (size < 0 || size >= static_cast<std::int64_t>(kJournalSize) ||
        WriterOfFile(data.name, 5 /* "VELM-" */) != WriterState::kEnded)
      continue;
    std::memcpy(names[count++], data.name, sizeof data.name);
  } while (count < 16 && os::FindNext(find, &data));
  os::FindEnd(find);
  for (std::size_t i = 0; i < count; ++i) {
    char path[kPathSize], name[kPathSize];
    if (Join(name, "\\", names[i]) && Join(path, folder, name) && os::FileDelete(path) && deleted)
      deleted(names[i], context);
  }
}

host::Err FinishInterruptedMove(const InterruptedMove& move, MoveRepair* what) {
  *what = MoveRepair::kFailed;
  const std::int32_t copy = FindStoredRecord(move.target, move.copy, -1);
  if (copy == -2) return kDamagedGroupErr;
  const std::int32_t original = FindStoredRecord(move.source, move.original, move.sourceNumber);
  if (original == -2) return kDamagedGroupErr;
  if (copy >= 0 && original >= 0) {
    // Finished as the user asked: the record leaves its old group.
    bool removed = false;
    os::MemHandle current = gGlobals ? gGlobals->currentRecord : nullptr;
    if (gGlobals) gGlobals->currentRecord = nullptr;
    const host::Err err =
        RemoveGroupRecordIf(move.source, original, move.original, &removed, false);
    if (gGlobals) {
      ReleaseBlock(gGlobals->currentRecord);
      gGlobals->currentRecord = current;
    }
    if (err != host::kNoErr || !removed) return err != host::kNoErr ? err : kRecordMovedErr;
    *what = MoveRepair::kFinished;
  } else {
    *what = copy >= 0 ? MoveRepair::kWasDone : MoveRepair::kNotBegun;
  }
  os::FileDelete(move.path);
  return host::kNoErr;
}

void SetMoveAppendedHook(void (*hook)()) {
  gAppendedHook = hook;
}

}  // namespace velm
