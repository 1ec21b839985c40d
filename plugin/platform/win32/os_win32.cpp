// The platform layer on Windows: the wide-character kernel calls, with the plug-in's
// Shift-JIS names converted explicitly through code page 932.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <new>

#include "platform/file_read_at.h"
#include "platform/host_binding.h"
#include "platform/os.h"
#include "platform/win32/sjis_win32.h"

namespace velm::os {
namespace {

using win32::kWidePathSize;

// A plug-in path as the system wants it; false when it cannot be converted.
struct WidePath {
  wchar_t text[kWidePathSize];
  bool Set(const char* path) {
    return path && path[0] && win32::SjisToWide(path, text, kWidePathSize);
  }
};

HANDLE ToHandle(FileHandle file) {
  return reinterpret_cast<HANDLE>(file);
}

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// '*' and '?' over Shift-JIS names, ASCII case folded. The system matches a pattern
// against short (8.3) names too, so "*.VEL" would also find "ABCDEF~1.VEL" standing for
// "abcdefgh.VELX"; every entry is therefore matched again on its long name.
bool WildcardMatch(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || UpperAscii(*pattern) == UpperAscii(*name)) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*')
    ++pattern;
  return *pattern == '\0';
}

struct Finder {
  HANDLE find;
  char pattern[sizeof(FindData::name)];  // the last component of the pattern, Shift-JIS
};

// Fills `data` from the system's entry; false for entries the plug-in cannot see: "." and
// "..", names without a Shift-JIS form, names too long for FindData, non-matching names.
bool Accept(const Finder* f, const WIN32_FIND_DATAW& entry, FindData* data) {
  if (std::wcscmp(entry.cFileName, L".") == 0 || std::wcscmp(entry.cFileName, L"..") == 0)
    return false;
  char name[sizeof(FindData::name)];
  if (!win32::WideToSjis(entry.cFileName, name, sizeof name)) return false;
  if (!WildcardMatch(f->pattern, name)) return false;
  std::memcpy(data->name, name, sizeof name);
  data->isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return true;
}

bool NextAccepted(Finder* f, FindData* data) {
  WIN32_FIND_DATAW entry;
  while (FindNextFileW(f->find, &entry)) {
    if (Accept(f, entry, data)) return true;
  }
  return false;
}

}  // namespace

Overrides& TestOverrides() {
  static Overrides overrides;
  return overrides;
}

// File faults are injected on POSIX only; here the knobs are ignored.
bool SimulateRestart(bool) {
  return false;
}

// ---- Files ----

FileHandle FileOpen(const char* path, FileAccess access, FileDisposition disposition) {
  WidePath wide;
  if (!wide.Set(path)) return kInvalidFile;
  const DWORD desired = access == FileAccess::kRead ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
  DWORD creation = OPEN_EXISTING;
  switch (disposition) {
    case FileDisposition::kOpenExisting:
      creation = OPEN_EXISTING;
      break;
    case FileDisposition::kCreateNew:
      creation = CREATE_NEW;
      break;
    case FileDisposition::kCreateAlways:
      creation = CREATE_ALWAYS;
      break;
    case FileDisposition::kOpenAlways:
      creation = OPEN_ALWAYS;
      break;
  }
  // Folders cannot be opened this way (that needs backup semantics): a folder is not a
  // file.
  const HANDLE file = CreateFileW(wide.text, desired, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kInvalidFile;
  return reinterpret_cast<FileHandle>(file);
}

bool FileRead(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* done) {
  if (done) *done = 0;
  if (file == kInvalidFile || (!buffer && count)) return false;
  std::uint32_t total = 0;
  while (total < count) {
    DWORD n = 0;
    if (!ReadFile(ToHandle(file), static_cast<char*>(buffer) + total, count - total, &n, nullptr)) {
      if (done) *done = total;
      return false;
    }
    if (n == 0) break;  // the end of the file
    total += n;
  }
  if (done) *done = total;
  return true;
}

bool FileReadAt(FileHandle file, std::int64_t offset, void* buffer, std::uint32_t count,
                std::uint32_t* done) {
  if (done) *done = 0;
  if (file == kInvalidFile || offset < 0 || (!buffer && count)) return false;
  std::uint32_t total = 0;
  while (total < count) {
    // On a handle opened for synchronous use, the offset of an OVERLAPPED read is where it
    // reads (and the file pointer moves past what it read).
    const std::uint64_t at = static_cast<std::uint64_t>(offset) + total;
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(at);
    position.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD n = 0;
    if (!ReadFile(ToHandle(file), static_cast<char*>(buffer) + total, count - total, &n,
                  &position)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      if (done) *done = total;
      return false;
    }
    if (n == 0) break;
    total += n;
  }
  if (done) *done = total;
  return true;
}

bool FileWrite(FileHandle file, const void* buffer, std::uint32_t count, std::uint32_t* done) {
  if (done) *done = 0;
  if (file == kInvalidFile || (!buffer && count)) return false;
  std::uint32_t total = 0;
  while (total < count) {
    DWORD n = 0;
    if (!WriteFile(ToHandle(file), static_cast<const char*>(buffer) + total, count - total, &n,
                   nullptr) ||
        n == 0) {
      if (done) *done = total;
      return false;
    }
    total += n;
  }
  if (done) *done = total;
  return true;
}

bool FileSeek(FileHandle file, std::int64_t distance, SeekOrigin origin, std::int64_t* position) {
  if (file == kInvalidFile) return false;
  const DWORD method = origin == SeekOrigin::kBegin     ? FILE_BEGIN
                       : origin == SeekOrigin::kCurrent ? FILE_CURRENT
                                                        : FILE_END;
  LARGE_INTEGER move;
  move.QuadPart = distance;
  LARGE_INTEGER now;
  now.QuadPart = 0;
  if (!SetFilePointerEx(ToHandle(file), move, &now, method)) return false;
  if (position) *position = now.QuadPart;
  return true;
}

bool FileClose(FileHandle file) {
  if (file == kInvalidFile) return false;
  return CloseHandle(ToHandle(file)) != 0;
}

bool FileFlush(FileHandle file) {
  if (file == kInvalidFile) return false;
  return FlushFileBuffers(ToHandle(file)) != 0;
}

bool FileLock(FileHandle file, std::uint64_t offset, std::uint64_t length, std::uint32_t waitMs) {
  if (file == kInvalidFile || length == 0) return false;
  const DWORD start = GetTickCount();
  for (;;) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    if (LockFileEx(ToHandle(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                   static_cast<DWORD>(length), static_cast<DWORD>(length >> 32), &at))
      return true;
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) return false;
    if (GetTickCount() - start >= waitMs) return false;
    Sleep(5);
  }
}

bool FileUnlock(FileHandle file, std::uint64_t offset, std::uint64_t length) {
  if (file == kInvalidFile || length == 0) return false;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return UnlockFileEx(ToHandle(file), 0, static_cast<DWORD>(length),
                      static_cast<DWORD>(length >> 32), &at) != 0;
}

LockState FileLockState(FileHandle file, std::uint64_t offset, std::uint64_t length) {
  if (file == kInvalidFile || length == 0) return LockState::kUnknown;
  // There is no asking without taking: a shared lock is taken and given back at once. Only
  // an exclusive lock stands in its way; locks belong to their handle, so one of this
  // process taken through another handle counts too.
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  if (LockFileEx(ToHandle(file), LOCKFILE_FAIL_IMMEDIATELY, 0, static_cast<DWORD>(length),
                 static_cast<DWORD>(length >> 32), &at)) {
    UnlockFileEx(ToHandle(file), 0, static_cast<DWORD>(length), static_cast<DWORD>(length >> 32),
                 &at);
    return LockState::kFree;
  }
  const DWORD error = GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? LockState::kHeld
                                                                    : LockState::kUnknown;
}

bool FileSetSize(FileHandle file, std::int64_t size) {
  if (file == kInvalidFile || size < 0) return false;
  LARGE_INTEGER to;
  to.QuadPart = size;
  return SetFilePointerEx(ToHandle(file), to, nullptr, FILE_BEGIN) &&
         SetEndOfFile(ToHandle(file)) != 0;
}

bool FileIsAt(FileHandle file, const char* path) {
  WidePath wide;
  if (file == kInvalidFile || !wide.Set(path)) return false;
  // The name opened anew, for its identity only (no access asked, every sharing allowed).
  const HANDLE named =
      CreateFileW(wide.text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  const bool same = GetFileInformationByHandle(ToHandle(file), &a) &&
                    GetFileInformationByHandle(named, &b) &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                    a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
  CloseHandle(named);
  return same;
}

bool CanReplaceOpenFile() {
  return false;
}

bool FileDelete(const char* path) {
  WidePath wide;
  if (!wide.Set(path)) return false;
  return DeleteFileW(wide.text) != 0;
}

bool FileRename(const char* from, const char* to, bool replace) {
  WidePath a, b;
  if (!a.Set(from) || !b.Set(to)) return false;
  // With MOVEFILE_REPLACE_EXISTING the target is replaced in one step: a reader sees the
  // old file or the new one, never neither.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (replace) {
    // The new file keeps the attributes of the one it replaces.
    const DWORD attributes = GetFileAttributesW(b.text);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      SetFileAttributesW(a.text,
                         attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
  }
  return MoveFileExW(a.text, b.text, flags) != 0;
}

bool FolderCreate(const char* path, bool* exists) {
  if (exists) *exists = false;
  WidePath wide;
  if (!wide.Set(path)) return false;
  if (CreateDirectoryW(wide.text, nullptr)) return true;
  if (GetLastError() == ERROR_ALREADY_EXISTS && exists) {
    const DWORD attributes = GetFileAttributesW(wide.text);
    *exists = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  return false;
}

bool FileGetStamp(const char* path, FileStamp* stamp) {
  WidePath wide;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!stamp || !wide.Set(path) || !GetFileAttributesExW(wide.text, GetFileExInfoStandard, &data))
    return false;
  stamp->size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  stamp->modified = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
  return true;
}

// ---- Enumeration ----

FindHandle FindFirst(const char* pattern, FindData* data) {
  if (!pattern || !data) return nullptr;
  // The last component starts after the last single-byte backslash (a 0x5C trail byte
  // belongs to its character).
  const std::size_t n = std::strlen(pattern);
  std::size_t start = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(pattern[i]);
    if (IsLeadByte(c) && i + 1 < n) {
      ++i;
    } else if (c == '\\') {
      start = i + 1;
    }
  }
  if (n - start >= sizeof(Finder::pattern)) return nullptr;
  WidePath wide;
  if (!wide.Set(pattern)) return nullptr;

  auto* f = new (std::nothrow) Finder{};
  if (!f) return nullptr;
  std::memcpy(f->pattern, pattern + start, n - start + 1);
  WIN32_FIND_DATAW entry;
  f->find = FindFirstFileW(wide.text, &entry);
  if (f->find == INVALID_HANDLE_VALUE) {
    delete f;
    return nullptr;
  }
  if (!Accept(f, entry, data) && !NextAccepted(f, data)) {
    FindClose(f->find);
    delete f;
    return nullptr;
  }
  return f;
}

bool FindNext(FindHandle find, FindData* data) {
  if (!find || !data) return false;
  return NextAccepted(static_cast<Finder*>(find), data);
}

void FindEnd(FindHandle find) {
  if (!find) return;
  auto* f = static_cast<Finder*>(find);
  FindClose(f->find);
  delete f;
}

// ---- Memory blocks ----

namespace {

MemBlockUse gBlocks;

void Held(std::uint64_t added, std::uint64_t removed) {
  gBlocks.held = gBlocks.held + added - removed;
  if (gBlocks.held > gBlocks.peak) gBlocks.peak = gBlocks.held;
}

}  // namespace

MemHandle MemAlloc(std::uint32_t size) {
  Overrides& o = TestOverrides();
  if (o.allocationsBeforeFailure == 0) return nullptr;
  if (o.allocationsBeforeFailure > 0) --o.allocationsBeforeFailure;
  // A fixed block: the handle is the address of its first byte.
  auto block = static_cast<MemHandle>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size));
  if (block) Held(MemSize(block), 0);
  return block;
}

MemHandle MemGrow(MemHandle block, std::uint32_t size) {
  if (!block) return MemAlloc(size);
  const std::uint32_t old = MemSize(block);
  if (size < old) return nullptr;
  // A fixed block is not moved by the system: a new one takes the content.
  MemHandle grown = MemAlloc(size);
  if (!grown) return nullptr;
  std::memcpy(grown, block, old);
  MemFree(block);
  return grown;
}

void MemFree(MemHandle block) {
  if (!block) return;
  Held(0, MemSize(block));
  GlobalFree(block);
}

std::uint32_t MemSize(MemHandle block) {
  if (!block) return 0;
  return static_cast<std::uint32_t>(GlobalSize(block));
}

MemBlockUse BlockUse() {
  return gBlocks;
}

void ResetBlockPeak() {
  gBlocks.peak = gBlocks.held;
}

// ---- Time ----

namespace {

void FromSystem(const SYSTEMTIME& s, SystemTime* time) {
  time->year = s.wYear;
  time->month = s.wMonth;
  time->dayOfWeek = s.wDayOfWeek;
  time->day = s.wDay;
  time->hour = s.wHour;
  time->minute = s.wMinute;
  time->second = s.wSecond;
  time->milliseconds = s.wMilliseconds;
}

// The calendar check is made here rather than left to the system, whose implementations
// differ in what they let through (29 February of a common year, for one).
bool IsValidTime(const SystemTime& t) {
  if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 ||
      t.minute > 59 || t.second > 59 || t.milliseconds > 999)
    return false;
  static const int kDaysIn[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  return t.day <= kDaysIn[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
}

}  // namespace

void LocalTimeNow(SystemTime* time) {
  if (!time) return;
  if (TestOverrides().localTime) {
    TestOverrides().localTime(time);
    return;
  }
  // A stand-in host that keeps a clock of its own (its sessions run on a fixed one).
  if (const host::PlatformSuite* suite = platform::HostPlatform())
    if (suite->GetLocalTime && suite->GetLocalTime(time)) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  FromSystem(now, time);
}

bool SystemTimeToTicks(const SystemTime* time, std::uint64_t* ticks) {
  if (!time || !ticks || !IsValidTime(*time)) return false;
  SYSTEMTIME s;
  s.wYear = time->year;
  s.wMonth = time->month;
  s.wDayOfWeek = time->dayOfWeek;
  s.wDay = time->day;
  s.wHour = time->hour;
  s.wMinute = time->minute;
  s.wSecond = time->second;
  s.wMilliseconds = time->milliseconds;
  FILETIME file;
  if (!SystemTimeToFileTime(&s, &file)) return false;
  *ticks = (std::uint64_t{file.dwHighDateTime} << 32) | file.dwLowDateTime;
  return true;
}

bool TicksToSystemTime(std::uint64_t ticks, SystemTime* time) {
  if (!time) return false;
  FILETIME file;
  file.dwLowDateTime = static_cast<DWORD>(ticks);
  file.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SYSTEMTIME s;
  if (!FileTimeToSystemTime(&file, &s)) return false;
  FromSystem(s, time);
  return true;
}

std::uint32_t ProcessId() {
  return static_cast<std::uint32_t>(GetCurrentProcessId());
}

bool ProcessExists(std::uint32_t id) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

// The system's random source lives in advapi32, which the module does not import (the host
// machine's loader is asked only for kernel32, user32 and gdi32): it is looked up when first
// needed. Where it cannot be had, the bytes are drawn from what differs between writers:
// the machine's name, the process and thread, the clocks and a count of the draws.
bool RandomBytes(void* buffer, std::uint32_t count) {
  if (count == 0) return true;
  using GenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);
  static GenRandom genRandom = [] {
    HMODULE advapi = LoadLibraryW(L"advapi32.dll");
    return advapi ? reinterpret_cast<GenRandom>(
                        reinterpret_cast<void*>(GetProcAddress(advapi, "SystemFunction036")))
                  : nullptr;
  }();
  if (genRandom && genRandom(buffer, count)) return true;

  static LONG draws = 0;
  std::uint64_t state = 14695981039346656037ull;  // FNV-1a over what tells writers apart
  const auto mix = [&state](const void* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      state ^= static_cast<const unsigned char*>(data)[i];
      state *= 1099511628211ull;
    }
  };
  wchar_t machine[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD machineLength = MAX_COMPUTERNAME_LENGTH + 1;
  if (GetComputerNameW(machine, &machineLength)) mix(machine, machineLength * sizeof(wchar_t));
  const DWORD ids[] = {GetCurrentProcessId(), GetCurrentThreadId(), GetTickCount(),
                       static_cast<DWORD>(InterlockedIncrement(&draws))};
  mix(ids, sizeof ids);
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  mix(&counter, sizeof counter);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  mix(&now, sizeof now);
  const void* stack = &now;
  mix(&stack, sizeof stack);
  auto* out = static_cast<unsigned char*>(buffer);
  for (std::uint32_t i = 0; i < count; ++i) {
    // SplitMix64 spreads the digest over as many bytes as are asked for.
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    out[i] = static_cast<unsigned char>(z ^ (z >> 31));
  }
  return true;
}

std::uint32_t TickCount() {
  if (TestOverrides().tickCount) return TestOverrides().tickCount();
  std::uint32_t ticks = 0;
  if (const host::PlatformSuite* suite = platform::HostPlatform())
    if (suite->GetTickCount && suite->GetTickCount(&ticks)) return ticks;
  return GetTickCount();
}

}  // namespace velm::os
