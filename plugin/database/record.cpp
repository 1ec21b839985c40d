#include "database/record.h"

#include <cstring>

#include "artformat/art_objects.h"
#include "database/lzss.h"
#include "platform/memory.h"

namespace velm {

namespace {

bool WalkObjects(const FieldSwapper& swapper, std::uint8_t* record, std::int32_t objectCount,
                 std::uint32_t streamEnd) {
  std::uint32_t at = kArtStreamOffset;
  for (std::int32_t i = 0; i < objectCount; ++i) {
    const std::int64_t length = ConvertObject(swapper, record + at, streamEnd - at);
    if (length < 0) return false;
    at += static_cast<std::uint32_t>(length);
  }
  return true;
}

// The stream of an expanded record with the given host-order header values: checks that
// the header fits the block and that every object lies inside the stream, then converts.
std::int32_t ConvertExpandedRecord(os::MemHandle record, ByteOrder order, std::int32_t objectCount,
                                   std::int32_t recordLength) {
  const std::uint32_t size = os::MemSize(record);
  if (size < kEmptyRecordLength || objectCount < 0 ||
      recordLength < static_cast<std::int32_t>(kEmptyRecordLength) ||
      static_cast<std::uint32_t>(recordLength) > size) {
    return -1;
  }
  if (RecordHeader(record)->thumbnailLength != 0) return -1;  // not expanded
  const std::uint32_t streamEnd = static_cast<std::uint32_t>(recordLength) - kRecordSlack;
  if (!WalkObjects(FieldSwapper(order, false), record, objectCount, streamEnd)) return -1;
  WalkObjects(FieldSwapper(order, true), record, objectCount, streamEnd);
  return 0;
}

}  // namespace

os::MemHandle NewEmptyRecord() {
  os::MemHandle record = nullptr;
  if (!GrowBlock(record, kEmptyRecordLength, kRecordGranule)) return nullptr;
  Record* header = RecordHeader(record);
  header->objectCount = 0;
  header->recordLength = static_cast<std::int32_t>(kEmptyRecordLength);
  return record;
}

void RecordHeaderSwap(Record* header) {
  SwapBytes32(&header->objectCount);
  SwapBytes32(&header->recordLength);
  SwapBytes32(&header->bounds.left);
  SwapBytes32(&header->bounds.top);
  SwapBytes32(&header->bounds.right);
  SwapBytes32(&header->bounds.bottom);
  SwapBytes32(&header->created);
  SwapBytes32(&header->modified);
}

std::int32_t RecordToFileOrder(os::MemHandle record) {
  if (!record) return -1;
  Record* header = RecordHeader(record);
  const std::int32_t status =
      ConvertExpandedRecord(record, ByteOrder::kToFile, header->objectCount, header->recordLength);
  if (status != 0) return status;
  RecordHeaderSwap(header);
  return 0;
}

std::int32_t RecordToHostOrder(os::MemHandle record, bool withObjects) {
  if (!record || os::MemSize(record) < kRecordHeaderSize) return -1;
  Record* header = RecordHeader(record);
  if (withObjects) {
    // The two counts as they will read once the header is in host order.
    const FieldSwapper reader(ByteOrder::kToHost, false);
    const std::int32_t status = ConvertExpandedRecord(
        record, ByteOrder::kToHost,
        reader.Value32(reinterpret_cast<const std::uint8_t*>(&header->objectCount)),
        reader.Value32(reinterpret_cast<const std::uint8_t*>(&header->recordLength)));
    if (status != 0) return status;
  }
  RecordHeaderSwap(header);
  return 0;
}

namespace {

void SwapLengths(Record* header) {
  SwapBytes32(&header->recordLength);
  SwapBytes32(&header->thumbnailLength);
  SwapBytes32(&header->artLength);
}

}  // namespace

std::int32_t RecordToStoredForm(os::MemHandle& record) {
  std::int32_t status = RecordToFileOrder(record);
  if (status != 0) return status;
  SwapLengths(RecordHeader(record));
  status = CompressRecord(record);
  if (status != 0) {
    // Nothing was compressed: put the record back the way the caller handed it over.
    SwapLengths(RecordHeader(record));
    RecordToHostOrder(record, true);
    return status;
  }
  SwapLengths(RecordHeader(record));
  return 0;
}

std::int32_t RecordFromStoredForm(os::MemHandle& record, bool withArt) {
  if (!record || os::MemSize(record) < kRecordHeaderSize) return -1;
  SwapLengths(RecordHeader(record));
  const std::int32_t status = ExpandRecord(record, withArt);
  SwapLengths(RecordHeader(record));
  if (status != 0) return status;
  if (RecordToHostOrder(record, withArt) != 0) {
    ReleaseBlock(record);
    return -1;
  }
  return 0;
}

}  // namespace velm
