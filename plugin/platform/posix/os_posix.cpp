// The platform layer on POSIX systems.
#include "platform/posix/os_posix.h"
#include "platform/file_read_at.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <optional>
#include <string>

#include "platform/host_binding.h"
#include "platform/os.h"
#include "platform/sjis_forms.h"

namespace velm::os {
namespace {

std::map<char, std::string>& DriveRoots() {
  static std::map<char, std::string> roots;
  return roots;
}

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Converts between encodings with iconv; false when the text cannot be converted.
bool Convert(const char* from, const char* to, const std::string& in, std::string* out) {
  // ASCII is the same in both (most path components are): no converter to open.
  if (std::all_of(in.begin(), in.end(),
                  [](char c) { return c != 0 && static_cast<unsigned char>(c) < 0x80; })) {
    *out = in;
    return true;
  }
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out->assign(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out->data();
  size_t dstLeft = out->size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || srcLeft != 0) return false;
  out->resize(out->size() - dstLeft);
  return true;
}

bool ToUtf8(const std::string& sjis, std::string* utf8) {
  return Convert("CP932", "UTF-8", sjis, utf8);
}
bool ToSjis(const std::string& utf8, std::string* sjis) {
  return Convert("UTF-8", "CP932", platform::ToWindowsForms(utf8), sjis);
}

std::string RootOf(char letter) {
  const char up = UpperAscii(letter);
  auto it = DriveRoots().find(up);
  if (it != DriveRoots().end()) return it->second;
  if (const host::PlatformSuite* suite = platform::HostPlatform()) {
    char folder[4096] = {};
    if (suite->GetDriveRoot(up, folder, sizeof folder)) return std::string(folder);
  }
  const char name[] = {'V', 'E', 'L', 'M', '_', 'D', 'R', 'I', 'V', 'E', '_', up, '\0'};
  const char* env = std::getenv(name);
  return env ? std::string(env) : std::string();
}

// Splits a Shift-JIS path at its single-byte backslashes (a 0x5C trail byte belongs to
// its character) and converts each component.
bool MapPathString(const char* path, std::string* out) {
  if (!path) return false;
  const size_t n = std::strlen(path);
  if (n < 3 || path[1] != ':' || path[2] != '\\') return false;
  const char letter = UpperAscii(path[0]);
  if (letter < 'A' || letter > 'Z') return false;
  std::string root = RootOf(letter);
  if (root.empty()) return false;
  while (root.size() > 1 && root.back() == '/')
    root.pop_back();
  std::string result = root;
  std::string component;
  auto flush = [&]() -> bool {
    if (component.empty()) return true;
    if (component == "." || component == "..") return false;
    std::string utf8;
    if (!ToUtf8(component, &utf8)) return false;
    if (utf8.find('/') != std::string::npos) return false;
    result += '/';
    result += utf8;
    component.clear();
    return true;
  };
  for (size_t i = 3; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c) && i + 1 < n) {
      component += path[i];
      component += path[i + 1];
      ++i;
    } else if (c == '\\') {
      if (!flush()) return false;
    } else {
      component += path[i];
    }
  }
  if (!flush()) return false;
  *out = result;
  return true;
}

bool WildcardMatch(const char* pattern, const char* name) {
  // Classic backtracking match of '*' and '?', ASCII case folded.
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
  DIR* dir;
  std::string folder;
  std::string pattern;  // Shift-JIS
};

bool NextMatch(Finder* f, FindData* data) {
  while (dirent* e = readdir(f->dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    std::string sjis;
    if (!ToSjis(e->d_name, &sjis) || sjis.size() >= sizeof(data->name)) continue;
    if (!WildcardMatch(f->pattern.c_str(), sjis.c_str())) continue;
    std::memcpy(data->name, sjis.c_str(), sjis.size() + 1);
    struct stat st {};
    const std::string full = f->folder + "/" + e->d_name;
    data->isFolder = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return true;
  }
  return false;
}

// ---- Fault injection: counting, the injected failures and the durable state ----

enum class Verdict { kGo, kFail, kPowerLost };

// What a restart would leave of the files touched in this run: path -> contents at the
// last successful flush (or when first touched), none when the file would not exist.
struct Shadow {
  std::map<std::string, std::optional<std::string>> durable;
  std::map<int, std::string> open;  // handle -> path ("" once the file was deleted)
};

Shadow& TheShadow() {
  static Shadow shadow;
  return shadow;
}

// The whole contents of the regular file at `path`, or none.
std::optional<std::string> ContentsOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> contents;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    contents.emplace();
    char chunk[65536];
    ssize_t n;
    off_t at = 0;
    while ((n = ::pread(fd, chunk, sizeof chunk, at)) > 0) {
      contents->append(chunk, static_cast<size_t>(n));
      at += n;
    }
  }
  ::close(fd);
  return contents;
}

// Notes what a restart would bring `path` back to, the first time the run touches it.
void Track(const std::string& path) {
  Shadow& shadow = TheShadow();
  if (shadow.durable.find(path) == shadow.durable.end()) shadow.durable[path] = ContentsOf(path);
}

// Counts one operation of `kind` and says whether it is to go ahead.
Verdict Count(FileOp kind) {
  FileFaults* f = TestOverrides().fileFaults;
  if (!f) return Verdict::kGo;
  if (f->operations == 0) TheShadow() = Shadow{};
  const auto k = static_cast<int>(kind);
  ++f->operations;
  ++f->byKind[k];
  Verdict verdict = Verdict::kGo;
  if (f->powerLossAfter != 0 && f->operations > f->powerLossAfter) {
    verdict = Verdict::kPowerLost;
  } else if (f->failAt != 0 && (f->anyKind ? f->operations == f->failAt
                                           : f->kind == kind && f->byKind[k] == f->failAt)) {
    verdict = Verdict::kFail;
  }
  if (verdict != Verdict::kGo) {
    if (!f->injected) f->failedKind = kind;
    f->injected = true;
    ++f->failed;
  }
  return verdict;
}

bool Injecting() {
  return TestOverrides().fileFaults != nullptr;
}

// Makes a rename in the folder of `path` durable (a renamed name lives in its folder).
void SyncFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

Overrides& TestOverrides() {
  static Overrides overrides;
  return overrides;
}

bool SimulateRestart(bool powerLoss) {
  Shadow& shadow = TheShadow();
  if (powerLoss) {
    for (const auto& [path, contents] : shadow.durable) {
      if (!contents) {
        ::unlink(path.c_str());
        continue;
      }
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0) continue;
      size_t done = 0;
      while (done < contents->size()) {
        const ssize_t n = ::write(fd, contents->data() + done, contents->size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      ::close(fd);
    }
  }
  shadow = Shadow{};
  return true;
}

void SetDriveRoot(char letter, const char* folder) {
  if (folder) {
    DriveRoots()[UpperAscii(letter)] = folder;
  } else {
    DriveRoots().erase(UpperAscii(letter));
  }
}

bool MapPath(const char* path, char* out, unsigned outSize) {
  std::string mapped;
  if (!MapPathString(path, &mapped) || mapped.size() + 1 > outSize) return false;
  std::memcpy(out, mapped.c_str(), mapped.size() + 1);
  return true;
}

FileHandle FileOpen(const char* path, FileAccess access, FileDisposition disposition) {
  std::string mapped;
  if (!MapPathString(path, &mapped)) return kInvalidFile;
  if (Injecting()) {
    const Verdict verdict = Count(FileOp::kOpen);
    Track(mapped);
    if (verdict != Verdict::kGo) return kInvalidFile;
  }
  int flags = access == FileAccess::kRead ? O_RDONLY : O_RDWR;
  switch (disposition) {
    case FileDisposition::kOpenExisting:
      break;
    case FileDisposition::kCreateNew:
      flags |= O_CREAT | O_EXCL;
      break;
    case FileDisposition::kCreateAlways:
      flags |= O_CREAT | O_TRUNC;
      break;
    case FileDisposition::kOpenAlways:
      flags |= O_CREAT;
      break;
  }
  // Opened without blocking (a pipe would wait for a writer forever); only a regular file
  // is a file here, then reads and writes block as usual.
  const int fd = ::open(mapped.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return kInvalidFile;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return kInvalidFile;
  }
  if (Injecting()) TheShadow().open[fd] = mapped;
  return fd;
}

bool FileRead(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* done) {
  if (done) *done = 0;
  if (file == kInvalidFile || (!buffer && count)) return false;
  if (Injecting() && Count(FileOp::kRead) != Verdict::kGo) return false;
  std::uint32_t total = 0;
  while (total < count) {
    const ssize_t n =
        ::read(static_cast<int>(file), static_cast<char*>(buffer) + total, count - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (done) *done = total;
      return false;
    }
    if (n == 0) break;
    total += static_cast<std::uint32_t>(n);
  }
  if (done) *done = total;
  return true;
}

bool FileReadAt(FileHandle file, std::int64_t offset, void* buffer, std::uint32_t count,
                std::uint32_t* done) {
  if (done) *done = 0;
  if (file == kInvalidFile || offset < 0 || (!buffer && count)) return false;
  if (Injecting() && Count(FileOp::kRead) != Verdict::kGo) return false;
  std::uint32_t total = 0;
  while (total < count) {
    const ssize_t n = ::pread(static_cast<int>(file), static_cast<char*>(buffer) + total,
                              count - total, static_cast<off_t>(offset + total));
    if (n < 0) {
      if (errno == EINTR) continue;
      if (done) *done = total;
      return false;
    }
    if (n == 0) break;
    total += static_cast<std::uint32_t>(n);
  }
  if (done) *done = total;
  return true;
}

bool FileWrite(FileHandle file, const void* buffer, std::uint32_t count, std::uint32_t* done) {
  if (done) *done = 0;
  if (file == kInvalidFile || (!buffer && count)) return false;
  bool torn = false;
  if (Injecting()) {
    const Verdict verdict = Count(FileOp::kWrite);
    if (verdict == Verdict::kPowerLost) return false;
    if (verdict == Verdict::kFail) {
      // A torn write: the first half arrives, then the failure.
      torn = true;
      count /= 2;
    }
  }
  std::uint32_t total = 0;
  while (total < count) {
    const ssize_t n =
        ::write(static_cast<int>(file), static_cast<const char*>(buffer) + total, count - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (done) *done = total;
      return false;
    }
    total += static_cast<std::uint32_t>(n);
  }
  if (done) *done = total;
  return !torn;
}

bool FileSeek(FileHandle file, std::int64_t distance, SeekOrigin origin, std::int64_t* position) {
  if (file == kInvalidFile) return false;
  if (Injecting() && Count(FileOp::kSeek) != Verdict::kGo) return false;
  const int whence = origin == SeekOrigin::kBegin     ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                      : SEEK_END;
  const off_t r = ::lseek(static_cast<int>(file), static_cast<off_t>(distance), whence);
  if (r < 0) return false;
  if (position) *position = r;
  return true;
}

bool FileClose(FileHandle file) {
  if (file == kInvalidFile) return false;
  if (Injecting()) {
    // A failed close still releases the handle, as close(2) does.
    const Verdict verdict = Count(FileOp::kClose);
    TheShadow().open.erase(static_cast<int>(file));
    const bool closed = ::close(static_cast<int>(file)) == 0;
    return closed && verdict == Verdict::kGo;
  }
  return ::close(static_cast<int>(file)) == 0;
}

bool FileFlush(FileHandle file) {
  if (file == kInvalidFile) return false;
  if (Injecting()) {
    // The disk model stands in for the disk: no real sync is needed (or waited for).
    if (Count(FileOp::kFlush) != Verdict::kGo) return false;
    Shadow& shadow = TheShadow();
    auto it = shadow.open.find(static_cast<int>(file));
    if (it != shadow.open.end() && !it->second.empty())
      shadow.durable[it->second] = ContentsOf(it->second);
    return true;
  }
  return ::fsync(static_cast<int>(file)) == 0;
}

bool FileLock(FileHandle file, std::uint64_t offset, std::uint64_t length, std::uint32_t waitMs) {
  if (file == kInvalidFile || length == 0 || offset > INT64_MAX - length) return false;
  if (Injecting() && Count(FileOp::kLock) != Verdict::kGo) return false;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  // Open-file-description locks belong to the handle, not the process: a second handle of
  // the same process is a second owner, and closing another handle does not drop them.
#ifdef F_OFD_SETLK
  const int command = F_OFD_SETLK;
#else
  const int command = F_SETLK;
#endif
  // The real clock: the host's tick count may be a virtual one that does not move.
  auto now = [] {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000ULL +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000ULL;
  };
  const std::uint64_t start = now();
  for (;;) {
    if (::fcntl(static_cast<int>(file), command, &lock) == 0) return true;
    if (errno != EACCES && errno != EAGAIN && errno != EINTR) return false;
    if (now() - start >= waitMs) return false;
    struct timespec pause = {0, 5 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
}

bool FileUnlock(FileHandle file, std::uint64_t offset, std::uint64_t length) {
  if (file == kInvalidFile || length == 0 || offset > INT64_MAX - length) return false;
  if (Injecting() && Count(FileOp::kLock) != Verdict::kGo) return false;
  struct flock lock {};
  lock.l_type = F_UNLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
#ifdef F_OFD_SETLK
  return ::fcntl(static_cast<int>(file), F_OFD_SETLK, &lock) == 0;
#else
  return ::fcntl(static_cast<int>(file), F_SETLK, &lock) == 0;
#endif
}

LockState FileLockState(FileHandle file, std::uint64_t offset, std::uint64_t length) {
  if (file == kInvalidFile || length == 0 || offset > INT64_MAX - length)
    return LockState::kUnknown;
  if (Injecting() && Count(FileOp::kLock) != Verdict::kGo) return LockState::kUnknown;
  // A shared lock is asked for: only an exclusive one stands in its way. Asked, not taken,
  // so that nothing of this process's own locks changes.
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
#ifdef F_OFD_GETLK
  const int command = F_OFD_GETLK;
#else
  const int command = F_GETLK;
#endif
  while (::fcntl(static_cast<int>(file), command, &lock) != 0)
    if (errno != EINTR) return LockState::kUnknown;
  return lock.l_type == F_UNLCK ? LockState::kFree : LockState::kHeld;
}

bool FileSetSize(FileHandle file, std::int64_t size) {
  if (file == kInvalidFile || size < 0) return false;
  if (Injecting() && Count(FileOp::kSetSize) != Verdict::kGo) return false;
  return ::ftruncate(static_cast<int>(file), static_cast<off_t>(size)) == 0;
}

bool FileIsAt(FileHandle file, const char* path) {
  std::string mapped;
  struct stat open {
  }, named{};
  if (file == kInvalidFile || !MapPathString(path, &mapped)) return false;
  if (Injecting() && Count(FileOp::kLock) != Verdict::kGo) return false;
  return ::fstat(static_cast<int>(file), &open) == 0 && ::stat(mapped.c_str(), &named) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

bool CanReplaceOpenFile() {
  return true;
}

bool FileDelete(const char* path) {
  std::string mapped;
  if (!MapPathString(path, &mapped)) return false;
  if (Injecting()) {
    const Verdict verdict = Count(FileOp::kDelete);
    Track(mapped);
    if (verdict != Verdict::kGo || ::unlink(mapped.c_str()) != 0) return false;
    Shadow& shadow = TheShadow();
    shadow.durable[mapped].reset();
    for (auto& [fd, name] : shadow.open)
      if (name == mapped) name.clear();
    return true;
  }
  return ::unlink(mapped.c_str()) == 0;
}

namespace {

// What a replacing rename puts its file in place of: a symbolic link's final target (the
// link stays a link), given the replaced file's permissions. False when the link leads
// nowhere, or the permissions cannot be carried over.
bool PrepareReplace(const std::string& from, std::string* to) {
  struct stat link {};
  if (::lstat(to->c_str(), &link) != 0) return errno == ENOENT;
  if (S_ISLNK(link.st_mode)) {
    char* real = ::realpath(to->c_str(), nullptr);
    if (!real) return false;
    *to = real;
    std::free(real);
  }
  struct stat target {};
  if (::stat(to->c_str(), &target) != 0) return false;
  return ::chmod(from.c_str(), target.st_mode & 07777) == 0;
}

bool RenameMapped(std::string a, std::string b, bool replace);

}  // namespace

bool ProcessExists(std::uint32_t id) {
  if (id == 0 || id > 0x7fffffffu) return false;
  return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

bool RandomBytes(void* buffer, std::uint32_t count) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    const ssize_t n = ::getrandom(bytes, count, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    count -= static_cast<std::uint32_t>(n);
  }
  return true;
}

bool FileRename(const char* from, const char* to, bool replace) {
  std::string a, b;
  if (!MapPathString(from, &a) || !MapPathString(to, &b)) return false;
  return RenameMapped(std::move(a), std::move(b), replace);
}

namespace {

bool RenameMapped(std::string a, std::string b, bool replace) {
  if (replace && !PrepareReplace(a, &b)) return false;
  if (Injecting()) {
    const Verdict verdict = Count(FileOp::kRename);
    Track(a);
    Track(b);
    if (verdict != Verdict::kGo) return false;
    const bool renamed = replace ? ::rename(a.c_str(), b.c_str()) == 0
                                 : ::link(a.c_str(), b.c_str()) == 0 && ::unlink(a.c_str()) == 0;
    if (!renamed || a == b) return renamed;
    Shadow& shadow = TheShadow();
    // Durable only with the source's contents flushed (or there before the run).
    if (shadow.durable[a]) {
      shadow.durable[b] = std::move(shadow.durable[a]);
      shadow.durable[a].reset();
    }
    for (auto& [fd, name] : shadow.open) {
      if (name == b) name.clear();
      if (name == a) name = b;
    }
    return true;
  }
  if (!replace) {
    // link + unlink refuses an existing target atomically.
    if (::link(a.c_str(), b.c_str()) != 0 || ::unlink(a.c_str()) != 0) return false;
  } else if (::rename(a.c_str(), b.c_str()) != 0) {
    return false;
  }
  // A replaced group file must not come back after a crash.
  SyncFolderOf(b);
  return true;
}

}  // namespace

bool FolderCreate(const char* path, bool* exists) {
  if (exists) *exists = false;
  std::string mapped;
  if (!MapPathString(path, &mapped)) return false;
  if (Injecting() && Count(FileOp::kFolder) != Verdict::kGo) return false;
  if (::mkdir(mapped.c_str(), 0755) == 0) return true;
  if (errno == EEXIST && exists) {
    struct stat st {};
    *exists = stat(mapped.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  return false;
}

bool FileGetStamp(const char* path, FileStamp* stamp) {
  std::string mapped;
  struct stat st {};
  if (!stamp || !MapPathString(path, &mapped) || ::stat(mapped.c_str(), &st) != 0) return false;
  stamp->size = static_cast<std::uint64_t>(st.st_size);
  stamp->modified = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                    static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
  return true;
}

FindHandle FindFirst(const char* pattern, FindData* data) {
  if (!pattern || !data) return nullptr;
  // Split at the last single-byte backslash.
  const size_t n = std::strlen(pattern);
  size_t split = std::string::npos;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(pattern[i]);
    if (IsLeadByte(c) && i + 1 < n) {
      ++i;
    } else if (c == '\\') {
      split = i;
    }
  }
  if (split == std::string::npos) return nullptr;
  const std::string folder(pattern, split);
  std::string mapped;
  if (!MapPathString((folder + "\\").c_str(), &mapped)) return nullptr;
  DIR* dir = ::opendir(mapped.c_str());
  if (!dir) return nullptr;
  auto* f = new (std::nothrow) Finder{dir, mapped, std::string(pattern + split + 1)};
  if (!f) {
    ::closedir(dir);
    return nullptr;
  }
  if (!NextMatch(f, data)) {
    ::closedir(dir);
    delete f;
    return nullptr;
  }
  return f;
}

bool FindNext(FindHandle find, FindData* data) {
  if (!find || !data) return false;
  return NextMatch(static_cast<Finder*>(find), data);
}

void FindEnd(FindHandle find) {
  if (!find) return;
  auto* f = static_cast<Finder*>(find);
  ::closedir(f->dir);
  delete f;
}

}  // namespace velm::os
