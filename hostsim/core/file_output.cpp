// Writing the files a user keeps: beside the file, flushed, renamed over it.
#include "hostsim/core/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

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

// Follows `path` through its links to the file that holds the content. *exists says whether
// that file is there (a link may lead to a file not yet written); *info is its status.
bool FinalFile(const std::string& path, std::string* final, bool* exists, struct stat* info,
               int* code) {
  *final = path;
  for (int hops = 0;; ++hops) {
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

// A new file beside `final`, named so that it cannot be taken for the file itself, created
// with the mode the umask leaves for a new file.
int CreateBeside(const std::string& final, std::string* temp, int* code) {
  static std::atomic<unsigned> counter{0};
  const fs::path target(final);
  std::string base = target.filename().string();
  if (base.size() > 200) base.resize(200);  // room for the suffix within a name's limit
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = "." + base + "." + std::to_string(static_cast<long>(::getpid())) +
                             "-" + std::to_string(++counter) + ".tmp";
    *temp = (target.parent_path() / name).string();
    const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  *code = errno;
  return -1;
}

// A pipe or a device: there is no file to replace, so the bytes go straight to it.
bool WriteStream(const std::string& path, const std::string& final, std::string_view bytes,
                 std::string* error) {
  const int fd = ::open(final.c_str(), O_WRONLY | O_CLOEXEC);
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
  }
  // A failed flush loses the content as surely as a failed write.
  ok = ok && Done(::fsync(fd), &code);
  ok = Done(::close(fd), &code) && ok;
  ok = ok && Done(::rename(temp.c_str(), final.c_str()), &code);
  if (!ok) {
    ::unlink(temp.c_str());
    return Fail(error, "cannot write " + path + ": " + Reason(code) +
                           (exists ? " (the file is left as it was)" : ""));
  }
  // The rename itself survives a crash only with the folder flushed; the content is in place
  // either way, so a folder that cannot be flushed is not a failure.
  SyncFolderOf(final);
  return true;
}

}  // namespace hostsim
