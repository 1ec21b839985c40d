// Reading a group file front to back through one window: a walk over record headers
// costs a read per window, not a seek and a read per record. Nothing is handed out that
// lies outside what was read; a file that ends early gives null, never stale bytes.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace velm {

class GroupReader {
 public:
  static constexpr std::uint32_t kWindow = 65536;
  // A record this long or longer is passed over by reading only the next header: copying
  // the bytes between the headers would cost more than the extra read.
  static constexpr std::uint32_t kLongRecord = 8192;
  static constexpr std::uint32_t kHeaderRead = 512;

  explicit GroupReader(os::FileHandle file);
  ~GroupReader();
  GroupReader(const GroupReader&) = delete;
  GroupReader& operator=(const GroupReader&) = delete;

  // The `count` bytes (at most kWindow) at `offset`, or null when the file ends before
  // them or cannot be read. Valid until the next call.
  const std::uint8_t* At(std::int64_t offset, std::uint32_t count);
  // Copies the `count` bytes at `offset` to `to` (a long run straight from the file):
  // false when the file ends before them or cannot be read.
  bool Read(std::int64_t offset, void* to, std::uint32_t count);
  // The file's size (told once), or -1 when it cannot be told.
  std::int64_t Size();

 private:
  std::uint8_t* Window() { return window_ ? window_ : spare_; }
  std::uint32_t Capacity() const { return window_ ? kWindow : sizeof spare_; }

  os::FileHandle file_;
  os::MemHandle window_;
  std::uint8_t spare_[512];  // the window when memory for a larger one ran out
  std::int64_t start_ = 0;
  std::uint32_t valid_ = 0;
  std::int64_t size_ = -2;  // not yet told
  std::int64_t lastAsked_ = -1;
  std::int64_t stride_ = 0;  // between the last two offsets asked for
};

}  // namespace velm
