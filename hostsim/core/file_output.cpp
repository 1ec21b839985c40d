// Writing the files a user keeps: beside the file, flushed, renamed over it.
#include "hostsim/core/file_output.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace hostsim {

bool HasExtension(std::string_view path, std::string_view extension) {
  if (path.size() < extension.size()) return false;
  const std::string_view tail = path.substr(path.size() - extension.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(tail[i]) != lower(extension[i])) return false;
  }
  return true;
}

namespace {

namespace fs = std::filesystem;

// Symbolic links are followed to this depth, as the system does.
constexpr int kMaxLinks = 40;

std::string Reason(int code) {
  return std::strerror(code);
}

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

int NamedDescriptor(const std::string& path);
bool IsOtherDescriptor(const std::string& path);

// Follows `path` through its links to the file that holds the content. *exists says whether
// that file is there (a link may lead to a file not yet written); *info is its status.
bool FinalFile(const std::string& path, std::string* final, bool* exists, struct stat* info,
               int* code) {
  *final = path;
  for (int hops = 0;; ++hops) {
    // A descriptor's name is no file to replace: its writer looks no further.
    if (NamedDescriptor(*final) >= 0 || IsOtherDescriptor(*final)) {
      *exists = true;
      return true;
    }
    if (::lstat(final->c_str(), info) != 0) {
      *code = errno;
      *exists = false;
      return errno == ENOENT;
    }
    if (!S_ISLNK(info->st_mode)) break;
    if (hops == kMaxLinks) {
      *code = ELOOP;
      return false;
    }
    std::string target(static_cast<std::size_t>(info->st_size > 0 ? info->st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(final->c_str(), target.data(), target.size());
    if (n < 0 || static_cast<std::size_t>(n) >= target.size()) {
      *code = n < 0 ? errno : ENAMETOOLONG;
      return false;
    }
    target.resize(static_cast<std::size_t>(n));
    // A relative target is relative to the link's folder.
    *final = (fs::path(*final).parent_path() / target).string();
  }
  *exists = true;
  return true;
}

// A system call's result; on failure the reason goes to *code unless one is there already.
bool Done(int result, int* code) {
  if (result == 0) return true;
  if (*code == 0) *code = errno;
  return false;
}

bool WriteAll(int fd, std::string_view bytes, int* code) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *code = n < 0 ? errno : ENOSPC;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// The files beside their targets this process is writing now (their full names): a
// cleaner in this process leaves them alone.
std::mutex gInFlightMutex;
std::set<std::string>& InFlight() {
  static std::set<std::string> names;
  return names;
}
void NoteInFlight(const std::string& temp, bool writing) {
  const std::lock_guard<std::mutex> guard(gInFlightMutex);
  if (writing) {
    InFlight().insert(temp);
  } else {
    InFlight().erase(temp);
  }
}
bool IsInFlight(const std::string& temp) {
  const std::lock_guard<std::mutex> guard(gInFlightMutex);
  return InFlight().count(temp) != 0;
}

// An exclusive lock of the whole file through this descriptor, held until it is closed:
// it tells a cleaner on this machine or another sharing the folder that the writer runs.
bool LockWhole(int fd, short type, int command) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  while (::fcntl(fd, command, &lock) != 0)
    if (errno != EINTR) return false;
  return true;
}

// The mode the umask leaves for a new file.
mode_t DefaultMode() {
  static const mode_t mode = [] {
    // Asked without changing the umask where the system tells it.
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
      char line[256];
      unsigned mask = 0;
      bool found = false;
      while (!found && std::fgets(line, sizeof line, status))
        found = std::sscanf(line, "Umask: %o", &mask) == 1;
      std::fclose(status);
      if (found) return static_cast<mode_t>(0666 & ~mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

// A new file beside `final`, named so that it cannot be taken for the file itself:
// ".NAME.<process>-<n>.tmp". Made private to this user (others may read the content only
// once it is the file's), and locked while it is written.
int CreateBeside(const std::string& final, std::string* temp, int* code) {
  static std::atomic<unsigned> counter{0};
  const fs::path target(final);
  std::string base = target.filename().string();
  if (base.size() > 200) base.resize(200);  // room for the suffix within a name's limit
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = "." + base + "." + std::to_string(static_cast<long>(::getpid())) +
                             "-" + std::to_string(++counter) + ".tmp";
    *temp = (target.parent_path() / name).string();
    NoteInFlight(*temp, true);
    const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      LockWhole(fd, F_WRLCK, F_OFD_SETLK);
      return fd;
    }
    const int error = errno;
    NoteInFlight(*temp, false);
    if (error != EEXIST) {
      *code = error;
      return -1;
    }
  }
  *code = EEXIST;
  return -1;
}

enum class Writer { kRunning, kEnded, kUnknown };

// The writer of a file left beside a target, named ".NAME.<process>-<n>.tmp": running
// while its lock is held, or while its process runs on this machine; ended when neither.
// Unknown for a name not of that form, or a file that cannot be asked.
Writer WriterOf(const fs::path& folder, const std::string& name) {
  static const std::string kTail = ".tmp";
  if (name.size() < 1 + kTail.size() || name[0] != '.' ||
      name.compare(name.size() - kTail.size(), kTail.size(), kTail) != 0)
    return Writer::kUnknown;
  const std::string stem = name.substr(1, name.size() - 1 - kTail.size());
  const std::size_t dot = stem.rfind('.');
  const std::size_t dash = stem.rfind('-');
  if (dot == std::string::npos || dot == 0 || dash == std::string::npos || dash < dot + 2 ||
      dash + 1 == stem.size())
    return Writer::kUnknown;
  const std::string process = stem.substr(dot + 1, dash - dot - 1);
  const std::string number = stem.substr(dash + 1);
  const auto digits = [](const std::string& text) {
    return text.size() <= 10 && text.find_first_not_of("0123456789") == std::string::npos;
  };
  if (!digits(process) || !digits(number)) return Writer::kUnknown;
  const unsigned long id = std::stoul(process);
  if (id == 0 || id > 0x7fffffffUL) return Writer::kUnknown;
  const std::string path = (folder / name).string();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Writer::kUnknown;
  struct stat info {};
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  const bool asked =
      ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::fcntl(fd, F_OFD_GETLK, &lock) == 0;
  ::close(fd);
  if (!asked) return Writer::kUnknown;
  if (lock.l_type != F_UNLCK) return Writer::kRunning;
  if (static_cast<pid_t>(id) == ::getpid())
    return IsInFlight(path) ? Writer::kRunning : Writer::kEnded;
  return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM ? Writer::kRunning
                                                                  : Writer::kEnded;
}

// Deletes the files a killed save left beside its targets in `folder`, those whose writer
// is gone; a file whose writer cannot be told stays.
void RemoveLeftovers(const fs::path& folder) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() > 5 && name[0] == '.' && name.compare(name.size() - 4, 4, ".tmp") == 0)
      names.push_back(name);
  }
  ::closedir(dir);
  for (const std::string& name : names)
    if (WriterOf(folder, name) == Writer::kEnded) ::unlink((folder / name).c_str());
}

// The descriptor a path names itself: /dev/stdin, /dev/stdout, /dev/stderr, /dev/fd/N,
// /proc/self/fd/N and /proc/<this process>/fd/N; -1 for any other path.
int NamedDescriptor(const std::string& path) {
  if (path == "/dev/stdin") return 0;
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  const std::string own = "/proc/" + std::to_string(static_cast<long>(::getpid())) + "/fd/";
  for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"), own}) {
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string number = path.substr(prefix.size());
    if (number.empty() || number.size() > 9 ||
        number.find_first_not_of("0123456789") != std::string::npos)
      return -1;
    return std::stoi(number);
  }
  return -1;
}

// Another process's descriptor (/proc/<process>/fd/N): opened anew through its name.
bool IsOtherDescriptor(const std::string& path) {
  if (path.compare(0, 6, "/proc/") != 0) return false;
  const std::size_t fd = path.find("/fd/", 6);
  return fd != std::string::npos && path.find('/', fd + 4) == std::string::npos;
}

// A descriptor this process has open (the shell's redirection, a pipe, a socket): the
// bytes go to it as it is, at its position or, opened for appending, at its end.
bool WriteDescriptor(const std::string& path, int fd, std::string_view bytes, std::string* error) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return Fail(error, "cannot write " + path + ": " + Reason(errno));
  int code = 0;
  if (!WriteAll(fd, bytes, &code)) return Fail(error, "cannot write " + path + ": " + Reason(code));
  // A file the user keeps is flushed as any other; a pipe or a terminal has nothing to flush.
  if (S_ISREG(info.st_mode) && ::fsync(fd) != 0)
    return Fail(error, "cannot write " + path + ": " + Reason(errno));
  return true;
}

// A pipe or a device: there is no file to replace, so the bytes go straight to it.
bool WriteStream(const std::string& path, const std::string& final, std::string_view bytes,
                 std::string* error) {
  const int fd = ::open(final.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return Fail(error, "cannot write " + path + ": " + Reason(errno));
  int code = 0;
  const bool written = WriteAll(fd, bytes, &code);
  if (::close(fd) != 0 && written) code = errno;
  if (!written || code != 0) return Fail(error, "cannot write " + path + ": " + Reason(code));
  return true;
}

void SyncFolderOf(const std::string& file) {
  const fs::path parent = fs::path(file).parent_path();
  const int fd = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  if (path.empty()) return Fail(error, "no file name to write to");
  std::string final;
  bool exists = false;
  struct stat info {};
  int code = 0;
  if (!FinalFile(path, &final, &exists, &info, &code))
    return Fail(error, "cannot write " + path + ": " + Reason(code));
  if (const int fd = NamedDescriptor(final); fd >= 0)
    return WriteDescriptor(path, fd, bytes, error);
  if (IsOtherDescriptor(final)) return WriteStream(path, final, bytes, error);
  const std::string named = final == path ? path : path + " (a link to " + final + ")";
  if (exists) {
    if (S_ISDIR(info.st_mode)) return Fail(error, named + ": is a folder; not replaced");
    if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))
      return WriteStream(path, final, bytes, error);
    if (!S_ISREG(info.st_mode)) return Fail(error, named + ": is not a regular file; not replaced");
    // The rename needs only the folder's permission: a file this user may not write itself
    // (its mode, an immutable flag, a read-only mount) is left as it is.
    if (::faccessat(AT_FDCWD, final.c_str(), W_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EPERM || errno == EROFS))
      return Fail(error, named + ": is read-only; not replaced");
  }

  // What killed saves left in the folder goes first.
  RemoveLeftovers(fs::path(final).parent_path());
  std::string temp;
  code = 0;
  const int fd = CreateBeside(final, &temp, &code);
  if (fd < 0)
    return Fail(error, "cannot write " + path + ": no file can be made in its folder (" +
                           Reason(code) + ")");
  bool ok = WriteAll(fd, bytes, &code);
  if (ok && exists) {
    // The owner where this user may give it (a superuser's edit of another user's file), then
    // the mode, which a change of owner may have cleared bits of.
    if (::fchown(fd, info.st_uid, info.st_gid) != 0) {
      // Not permitted: the file becomes this user's, as any new file would.
    }
    ok = Done(::fchmod(fd, info.st_mode & 07777), &code);
  } else if (ok) {
    ok = Done(::fchmod(fd, DefaultMode()), &code);
  }
  // A failed flush loses the content as surely as a failed write.
  ok = ok && Done(::fsync(fd), &code);
  ok = Done(::close(fd), &code) && ok;
  ok = ok && Done(::rename(temp.c_str(), final.c_str()), &code);
  if (!ok) ::unlink(temp.c_str());
  NoteInFlight(temp, false);
  if (!ok) {
    return Fail(error, "cannot write " + path + ": " + Reason(code) +
                           (exists ? " (the file is left as it was)" : ""));
  }
  // The rename itself survives a crash only with the folder flushed; the content is in place
  // either way, so a folder that cannot be flushed is not a failure.
  SyncFolderOf(final);
  return true;
}

}  // namespace hostsim
