#include "database/group_reader.h"

#include <cstring>

#include "platform/file_read_at.h"

namespace velm {

GroupReader::GroupReader(os::FileHandle file) : file_(file), window_(os::MemAlloc(kWindow)) {}

GroupReader::~GroupReader() {
  os::MemFree(window_);
}

std::int64_t GroupReader::Size() {
  if (size_ == -2 && !os::FileSeek(file_, 0, os::SeekOrigin::kEnd, &size_)) size_ = -1;
  return size_;
}

const std::uint8_t* GroupReader::At(std::int64_t offset, std::uint32_t count) {
  if (offset < 0 || count > Capacity()) return nullptr;
  if (lastAsked_ >= 0) stride_ = offset - lastAsked_;
  lastAsked_ = offset;
  if (offset >= start_ && offset + count <= start_ + valid_) return Window() + (offset - start_);
  // Walking over long records, each window would hold one header: read little.
  std::uint32_t want = stride_ >= kLongRecord && count <= kHeaderRead ? kHeaderRead : Capacity();
  if (want > Capacity()) want = Capacity();
  std::uint32_t done = 0;
  valid_ = 0;
  if (!os::FileReadAt(file_, offset, Window(), want, &done)) return nullptr;
  start_ = offset;
  valid_ = done;
  return done >= count ? Window() : nullptr;
}

bool GroupReader::Read(std::int64_t offset, void* to, std::uint32_t count) {
  if (offset < 0) return false;
  auto* out = static_cast<std::uint8_t*>(to);
  // What the window holds of the run first.
  if (offset >= start_ && offset < start_ + valid_) {
    const auto inWindow = static_cast<std::uint32_t>(start_ + valid_ - offset);
    const std::uint32_t n = count < inWindow ? count : inWindow;
    std::memcpy(out, Window() + (offset - start_), n);
    out += n;
    offset += n;
    count -= n;
  }
  if (count == 0) return true;
  if (count <= Capacity() / 4) {
    const std::uint8_t* bytes = At(offset, count);
    if (!bytes) return false;
    std::memcpy(out, bytes, count);
    return true;
  }
  std::uint32_t done = 0;
  return os::FileReadAt(file_, offset, out, count, &done) && done == count;
}

}  // namespace velm
