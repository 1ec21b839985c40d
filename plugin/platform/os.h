// The operating system as the plug-in uses it: files through classic handle calls,
// folders, enumeration, zero-filled memory blocks, local time and tick count.
//
// Paths are the plug-in's own: Windows-style ("C:\Program Files\Host\VELM\a.VEL") and
// Shift-JIS (CP932). The Win32 implementation converts them to UTF-16 and calls the
// wide-character system calls; the POSIX implementation maps a drive letter to a
// configured folder, '\' to '/', and converts names to UTF-8.
//
// Every call reports failure by its result (an invalid handle, false, 0); none throws.
#pragma once

#include <cstdint>

namespace velm::os {

// ---- Files ----

using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFile = -1;

enum class FileAccess { kRead, kReadWrite };
enum class FileDisposition {
  kOpenExisting,  // fails when the file does not exist
  kCreateNew,     // fails when the file exists
  kCreateAlways,  // creates or truncates
  kOpenAlways,    // opens, or creates when missing
};
enum class SeekOrigin { kBegin, kCurrent, kEnd };

FileHandle FileOpen(const char* path, FileAccess access, FileDisposition disposition);
// Reads up to `count` bytes; *done receives the number read (0 at the end of the file).
bool FileRead(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* done);
bool FileWrite(FileHandle file, const void* buffer, std::uint32_t count, std::uint32_t* done);
// Moves the file pointer; *position (optional) receives the new position.
bool FileSeek(FileHandle file, std::int64_t distance, SeekOrigin origin, std::int64_t* position);
bool FileClose(FileHandle file);
// Forces written data to the disk before the caller relies on it (e.g. before a rename).
bool FileFlush(FileHandle file);

// Exclusive lock on `length` bytes at `offset` of a file open for reading and writing
// (the range may lie beyond the file's end). An advisory record lock on POSIX, a
// byte-range lock on Windows: both hold on shared network folders and end with the
// process. A lock held elsewhere is retried every few milliseconds for up to `waitMs`;
// false when it could not be taken in that time.
bool FileLock(FileHandle file, std::uint64_t offset, std::uint64_t length, std::uint32_t waitMs);
bool FileUnlock(FileHandle file, std::uint64_t offset, std::uint64_t length);
// Whether an exclusive lock (FileLock) is held on a byte of the range through another
// handle: of this process or another, on this machine or another sharing the file. Asks
// without taking a lock; the file may be open for reading only. kUnknown when the system
// cannot tell (a file system without locks).
enum class LockState : std::uint8_t { kFree, kHeld, kUnknown };
LockState FileLockState(FileHandle file, std::uint64_t offset, std::uint64_t length);
// Cuts the file (or extends it with zero bytes) to `size` bytes.
bool FileSetSize(FileHandle file, std::int64_t size);

// Whether `file` is still the file at `path`: not deleted, nor replaced by another file of
// that name since it was opened (the same volume and file number). False when either
// cannot be asked.
bool FileIsAt(FileHandle file, const char* path);
// Whether FileRename may replace a file that is still open through another handle (POSIX:
// yes; Windows: no, a file opened here does not share its deletion).
bool CanReplaceOpenFile();

bool FileDelete(const char* path);
// Renames `from` to `to`; with `replace`, an existing `to` is replaced in one step and
// the new file takes its permissions (a file others may only read stays so). A `to`
// that is a symbolic link stays one: the file it leads to is replaced (false when it
// leads nowhere).
bool FileRename(const char* from, const char* to, bool replace);
// Creates one folder; an existing folder is reported as false with *exists set.
bool FolderCreate(const char* path, bool* exists);

// What tells one version of a file from another without reading it: its size and the
// time of its last write (in the system's finest unit). False when the file cannot be
// found.
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t modified = 0;
  bool operator==(const FileStamp&) const = default;
};
bool FileGetStamp(const char* path, FileStamp* stamp);

// ---- Enumeration ("<folder>\*.VEL") ----

struct FindData {
  char name[260];  // file name only, Shift-JIS, NUL-terminated
  bool isFolder;
};
using FindHandle = void*;
// The first entry matching the pattern, or null when there is none. The pattern's last
// component may hold '*' and '?' wildcards, matched without regard to case.
FindHandle FindFirst(const char* pattern, FindData* data);
bool FindNext(FindHandle find, FindData* data);
void FindEnd(FindHandle find);

// ---- Memory blocks ----

// Zero-filled blocks of fixed size. The handle points at the block's first byte.
using MemHandle = std::uint8_t*;
MemHandle MemAlloc(std::uint32_t size);
void MemFree(MemHandle block);
std::uint32_t MemSize(MemHandle block);
// A block of `size` bytes (at least the old size) holding the old block's content, the
// rest zero; the old handle is no longer valid. Where the system can, the block is
// extended where it lies or its pages are moved, so that the old and the new block are
// never both held. Null, with the old block untouched, when memory runs out. Counts as an
// allocation for `allocationsBeforeFailure`.
MemHandle MemGrow(MemHandle block, std::uint32_t size);

// The bytes held in blocks now, and the most held at once since the last reset (which
// starts it from what is held now).
struct MemBlockUse {
  std::uint64_t held = 0;
  std::uint64_t peak = 0;
};
MemBlockUse BlockUse();
void ResetBlockPeak();

// ---- Time ----

struct SystemTime {
  std::uint16_t year;
  std::uint16_t month;  // 1 … 12
  std::uint16_t dayOfWeek;
  std::uint16_t day;  // 1 … 31
  std::uint16_t hour;
  std::uint16_t minute;
  std::uint16_t second;
  std::uint16_t milliseconds;
};

// The local wall-clock time now.
void LocalTimeNow(SystemTime* time);
// Calendar time <-> 100-nanosecond ticks since 1601-01-01 (no time zone applied).
bool SystemTimeToTicks(const SystemTime* time, std::uint64_t* ticks);
bool TicksToSystemTime(std::uint64_t ticks, SystemTime* time);
// Milliseconds since some fixed moment, wrapping at 2^32.
std::uint32_t TickCount();
// This process's id on this machine.
std::uint32_t ProcessId();
// Whether a process of that id is running on this machine.
bool ProcessExists(std::uint32_t id);
// Fills `buffer` with `count` bytes from the system's cryptographic random source (names
// no other writer takes, whatever machine it runs on); false when it cannot be read.
bool RandomBytes(void* buffer, std::uint32_t count);

// ---- Fault injection for tests ----
//
// While `Overrides::fileFaults` is set, every file operation above (and FolderCreate)
// is counted, and the chosen one fails as a disk or network failure would:
//   - failAt: the failAt-th counted operation fails: the failAt-th of all when `anyKind`,
//     else the failAt-th of kind `kind`. A failed open creates nothing, a failed write
//     writes the first half of its bytes (a torn write) and reports them in *done, a
//     failed close still releases the handle, a failed flush makes nothing durable, and
//     every other failed operation changes nothing.
//   - powerLossAfter: once that many operations have run, the power is gone: every later
//     operation fails and changes nothing (a write writes nothing; a close still releases
//     the handle). SimulateRestart(true) then brings the disk to what it would hold after
//     the machine starts again.
// The disk model (POSIX only): data is durable once a FileFlush of its file succeeded.
// Each file touched while injection is on goes back, at a restart, to its contents at its
// last successful flush, or to its contents when first touched in this run if it was
// never flushed; a file created and never flushed vanishes. Deletions are durable at
// once. A rename is durable when the source had been flushed (the target then holds the
// source's flushed contents); otherwise both names go back to what they held. Folders
// are not modelled (a created folder stays). Each new run starts its bookkeeping at its
// first operation; without injection nothing is counted or kept.
enum class FileOp : std::uint8_t {
  kOpen,
  kRead,
  kWrite,
  kSeek,
  kClose,
  kFlush,
  kSetSize,
  kDelete,
  kRename,
  kLock,  // FileLock, FileUnlock, FileLockState and FileIsAt
  kFolder,
};
inline constexpr int kFileOpKinds = 11;
inline constexpr const char* kFileOpNames[kFileOpKinds] = {"open",   "read",  "write",    "seek",
                                                           "close",  "flush", "set-size", "delete",
                                                           "rename", "lock",  "folder"};

struct FileFaults {
  // What fails (set by the test; 0 means never).
  bool anyKind = true;
  FileOp kind = FileOp::kOpen;
  std::uint32_t failAt = 0;
  std::uint32_t powerLossAfter = 0;
  // What happened (kept by the platform layer).
  std::uint32_t operations = 0;
  std::uint32_t byKind[kFileOpKinds] = {};
  std::uint32_t failed = 0;  // operations made to fail
  bool injected = false;     // a failure was injected (the first one's kind below)
  FileOp failedKind = FileOp::kOpen;
};

// Ends a run under fault injection; call it while `fileFaults` is still set. With
// `powerLoss`, every file touched in the run goes back to what the disk model above made
// durable. The bookkeeping starts afresh. False where no bookkeeping is kept (Windows).
bool SimulateRestart(bool powerLoss);

// ---- Replaceable pieces for tests and the stand-in host ----

struct Overrides {
  // When set, LocalTimeNow and TickCount ask these instead of the system.
  void (*localTime)(SystemTime* time) = nullptr;
  std::uint32_t (*tickCount)() = nullptr;
  // MemAlloc fails once this many further allocations have succeeded (-1: never).
  std::int32_t allocationsBeforeFailure = -1;
  // File fault injection and its counts (above); null: off, at no cost.
  FileFaults* fileFaults = nullptr;
};
Overrides& TestOverrides();

}  // namespace velm::os
