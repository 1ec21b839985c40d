#include "database/art_stream.h"

#include <cstring>

#include "database/record.h"
#include "platform/memory.h"

namespace velm {

os::MemHandle* gMarkerTarget = nullptr;

namespace {

std::int32_t ObjectLength(const std::uint8_t* object) {
  std::int32_t length = 0;
  std::memcpy(&length, object + offsetof(ObjectHeader, length), sizeof length);
  return length;
}

// The stream's byte length from the record header, or -1 when it does not fit the block.
std::int64_t StreamLength(os::MemHandle record) {
  if (!record || os::MemSize(record) < kEmptyRecordLength) return -1;
  const std::int64_t recordLength = RecordHeader(record)->recordLength;
  if (recordLength < kEmptyRecordLength || recordLength > os::MemSize(record)) return -1;
  return recordLength - kEmptyRecordLength;
}

}  // namespace

std::int32_t AddVELMObj(os::MemHandle& record, const std::uint8_t* object) {
  if (!object) return -1;
  const std::int32_t length = ObjectLength(object);
  const std::int64_t stream = StreamLength(record);
  if (length < static_cast<std::int32_t>(sizeof(ObjectHeader)) || stream < 0) return -1;
  const std::int64_t total = static_cast<std::int64_t>(RecordHeader(record)->recordLength) + length;
  if (total > 0x7FFFFFFF) return -1;
  if (!GrowBlock(record, static_cast<std::uint32_t>(total), kRecordGranule)) return -1;
  // The end of the last object: the slack bytes move behind the new object.
  std::uint8_t* end = record + kArtStreamOffset + stream;
  std::memmove(end, object, static_cast<std::size_t>(length));
  end[length] = end[length + 1] = 0;
  Record* header = RecordHeader(record);
  header->objectCount += 1;
  header->recordLength = static_cast<std::int32_t>(total);
  return 0;
}

std::int32_t GetVELMObj(os::MemHandle record, std::int32_t index, os::MemHandle& object) {
  const std::int64_t stream = StreamLength(record);
  if (stream < 0 || index < 0 || index >= RecordHeader(record)->objectCount) return -1;
  std::int64_t at = 0;
  for (std::int32_t i = 0;; ++i) {
    if (stream - at < static_cast<std::int64_t>(sizeof(ObjectHeader))) return -1;
    const std::uint8_t* current = record + kArtStreamOffset + at;
    const std::int32_t length = ObjectLength(current);
    if (length < static_cast<std::int32_t>(sizeof(ObjectHeader)) || length > stream - at) return -1;
    if (i == index) {
      if (!GrowBlock(object, static_cast<std::uint32_t>(length), kListGranule)) return -1;
      std::memcpy(object, current, static_cast<std::size_t>(length));
      return 0;
    }
    at += length;
  }
}

ObjectIndex::~ObjectIndex() {
  ReleaseBlock(offsets_);
}

bool ObjectIndex::Build(os::MemHandle record) {
  record_ = record;
  count_ = 0;
  const std::int64_t stream = StreamLength(record);
  if (stream < 0) return false;
  const std::int32_t objects = RecordHeader(record)->objectCount;
  // Every object holds at least its header: a larger count is damage, and is refused
  // before it sizes the index.
  if (objects < 0 || objects > stream / static_cast<std::int64_t>(sizeof(ObjectHeader)) ||
      !GrowBlock(offsets_, static_cast<std::uint32_t>(objects + 1) * sizeof(std::uint32_t),
                 kListGranule))
    return false;
  auto* offsets = reinterpret_cast<std::uint32_t*>(offsets_);
  std::int64_t at = 0;
  for (std::int32_t i = 0; i < objects; ++i) {
    if (stream - at < static_cast<std::int64_t>(sizeof(ObjectHeader))) return false;
    const std::int32_t length = ObjectLength(record + kArtStreamOffset + at);
    if (length < static_cast<std::int32_t>(sizeof(ObjectHeader)) || length > stream - at)
      return false;
    offsets[i] = static_cast<std::uint32_t>(at);
    at += length;
  }
  offsets[objects] = static_cast<std::uint32_t>(at);
  count_ = objects;
  return true;
}

const std::uint8_t* ObjectIndex::Object(std::int32_t index) const {
  if (index < 0 || index >= count_) return nullptr;
  return record_ + kArtStreamOffset + reinterpret_cast<const std::uint32_t*>(offsets_)[index];
}

std::int32_t ObjectIndex::Length(std::int32_t index) const {
  if (index < 0 || index >= count_) return 0;
  const auto* offsets = reinterpret_cast<const std::uint32_t*>(offsets_);
  return static_cast<std::int32_t>(offsets[index + 1] - offsets[index]);
}

std::int32_t AddMarker(const char* text) {
  if (!gMarkerTarget || !text) return -1;
  const std::size_t n = std::strlen(text);
  const std::size_t length = kMarkerOverhead + n;
  if (length > 0x7FFFFFFF) return -1;
  os::MemHandle marker = os::MemAlloc(static_cast<std::uint32_t>(length));
  if (!marker) return -1;
  ObjectHeader header{};
  header.type = static_cast<std::int32_t>(ObjectType::MarkerObject);
  header.length = static_cast<std::int32_t>(length);
  std::memcpy(marker, &header, sizeof header);
  std::memcpy(marker + sizeof header, text, n);
  const std::int32_t status = AddVELMObj(*gMarkerTarget, marker);
  os::MemFree(marker);
  return status;
}

std::int32_t AddDataMarker(const std::uint8_t* bytes, std::int32_t count) {
  if (!gMarkerTarget || (!bytes && count) || count < 0) return -1;
  const std::size_t length = sizeof(ObjectHeader) + 2 + static_cast<std::size_t>(count);
  os::MemHandle marker = os::MemAlloc(static_cast<std::uint32_t>(length));
  if (!marker) return -1;
  ObjectHeader header{};
  header.type = static_cast<std::int32_t>(ObjectType::MarkerObject);
  header.length = static_cast<std::int32_t>(length);
  std::memcpy(marker, &header, sizeof header);
  if (count) std::memcpy(marker + sizeof header, bytes, static_cast<std::size_t>(count));
  const std::int32_t status = AddVELMObj(*gMarkerTarget, marker);
  os::MemFree(marker);
  return status;
}

}  // namespace velm
