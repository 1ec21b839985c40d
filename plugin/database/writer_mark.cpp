#include "database/writer_mark.h"

#include <cstring>

#include "database/group_file.h"
#include "database/group_file_p.h"

namespace velm {

namespace {

// Marks take the bytes after the groups' (GroupLockOffset: 0 … 0xFFFFF), chosen by the
// mark's last five digits. Two marks sharing a byte only make a left-over file wait until
// the other writer is done.
constexpr std::uint64_t kMarkBytes = 0x100000;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::uint64_t MarkOffset(const char* mark) {
  std::uint64_t value = 0;
  for (std::size_t i = kMarkDigits - 5; i < kMarkDigits; ++i)
    value = value * 16 + static_cast<std::uint64_t>(HexValue(mark[i]));
  return kMarkBytes + value;
}

bool LockFilePath(char (&path)[kPathSize], char (&folder)[kPathSize]) {
  char base[kPathSize];
  std::size_t length = 0;
  path[0] = '\0';
  return GetBaseFolder(base) == host::kNoErr && DatabaseFolderPath(base, folder) &&
         AppendPath(path, length, folder) && AppendPath(path, length, "\\VELM.LCK");
}

}  // namespace

bool WriterMark::Take() {
  Release();
  char path[kPathSize], folder[kPathSize];
  if (!LockFilePath(path, folder)) return false;
  os::FolderCreate(folder, nullptr);
  const os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kOpenAlways);
  if (file == os::kInvalidFile) return false;
  // A byte another writer holds is left to it: another mark is drawn.
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::uint8_t random[kMarkDigits / 2];
    if (!os::RandomBytes(random, sizeof random)) break;
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < sizeof random; ++i) {
      text_[2 * i] = kDigits[random[i] >> 4];
      text_[2 * i + 1] = kDigits[random[i] & 15];
    }
    text_[kMarkDigits] = '\0';
    offset_ = MarkOffset(text_);
    if (os::FileLock(file, offset_, 1, 0)) {
      file_ = file;
      return true;
    }
  }
  os::FileClose(file);
  text_[0] = '\0';
  return false;
}

void WriterMark::Release() {
  if (file_ != os::kInvalidFile) {
    os::FileUnlock(file_, offset_, 1);
    os::FileClose(file_);
  }
  file_ = os::kInvalidFile;
  text_[0] = '\0';
}

bool ParseWriterName(const char* name, std::size_t prefixLength, std::uint32_t* process,
                     bool* marked, char (&mark)[kMarkDigits + 1]) {
  *marked = false;
  mark[0] = '\0';
  if (std::strlen(name) <= prefixLength) return false;
  const char* digits = name + prefixLength;
  std::uint64_t id = 0;
  std::size_t n = 0;
  while (n < 10 && digits[n] >= '0' && digits[n] <= '9')
    id = id * 10 + static_cast<std::uint64_t>(digits[n++] - '0');
  if (n == 0 || (digits[n] >= '0' && digits[n] <= '9') || id > 0xffffffffu) return false;
  *process = static_cast<std::uint32_t>(id);
  const char* tail = digits + n;
  if (tail[0] != '-') return true;
  for (std::size_t i = 0; i < kMarkDigits; ++i)
    if (HexValue(tail[1 + i]) < 0) return true;
  if (tail[1 + kMarkDigits] != '.') return true;
  std::memcpy(mark, tail + 1, kMarkDigits);
  mark[kMarkDigits] = '\0';
  *marked = true;
  return true;
}

WriterState WriterOfFile(const char* name, std::size_t prefixLength) {
  std::uint32_t process = 0;
  bool marked = false;
  char mark[kMarkDigits + 1];
  if (!ParseWriterName(name, prefixLength, &process, &marked, mark)) return WriterState::kUnknown;
  if (!marked)
    return process != os::ProcessId() && os::ProcessExists(process) ? WriterState::kRunning
                                                                    : WriterState::kEnded;
  char path[kPathSize], folder[kPathSize];
  if (!LockFilePath(path, folder)) return WriterState::kUnknown;
  const os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  if (file == os::kInvalidFile) {
    // Every marked file's writer made the lock file first: without one, none holds a mark.
    os::FileStamp stamp;
    return os::FileGetStamp(path, &stamp) ? WriterState::kUnknown : WriterState::kEnded;
  }
  const os::LockState state = os::FileLockState(file, MarkOffset(mark), 1);
  os::FileClose(file);
  return state == os::LockState::kFree   ? WriterState::kEnded
         : state == os::LockState::kHeld ? WriterState::kRunning
                                         : WriterState::kUnknown;
}

}  // namespace velm
