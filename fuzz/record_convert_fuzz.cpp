// Feeds arbitrary bytes to the record codec. The first byte picks the form:
//   even: an expanded record in host order whose art object stream is the input; a
//         record the byte-order walk accepts must come back from file order unchanged;
//   odd:  a stored record as a group file holds it; a record that reads must store and
//         read again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "database/record.h"
#include "platform/memory.h"

namespace {

using velm::os::MemHandle;

std::vector<std::uint8_t> Image(MemHandle record) {
  const auto length = static_cast<std::uint32_t>(velm::RecordHeader(record)->recordLength);
  return std::vector<std::uint8_t>(record, record + length);
}

void Expanded(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return;
  MemHandle record = velm::NewEmptyRecord();
  const auto length = static_cast<std::uint32_t>(size - 2);
  if (!record ||
      !velm::GrowBlock(record, velm::kEmptyRecordLength + length, velm::kRecordGranule)) {
    std::abort();
  }
  velm::Record* header = velm::RecordHeader(record);
  header->objectCount = data[1] % 16;
  header->recordLength = static_cast<std::int32_t>(velm::kEmptyRecordLength + length);
  std::memcpy(record + velm::kArtStreamOffset, data + 2, length);
  const std::vector<std::uint8_t> before = Image(record);
  if (velm::RecordToFileOrder(record) == 0) {
    if (velm::RecordToHostOrder(record, true) != 0) std::abort();
  }
  if (std::memcmp(before.data(), record, before.size()) != 0) std::abort();
  velm::ReleaseBlock(record);
}

void Stored(const std::uint8_t* data, std::size_t size) {
  MemHandle record = nullptr;
  const auto length = static_cast<std::uint32_t>(size - 1);
  if (!velm::GrowBlock(record, length < velm::kRecordHeaderSize ? velm::kRecordHeaderSize : length,
                       4096)) {
    std::abort();
  }
  std::memcpy(record, data + 1, length);
  if (velm::RecordFromStoredForm(record, true) == 0) {
    const std::vector<std::uint8_t> first = Image(record);
    if (velm::RecordToStoredForm(record) != 0) std::abort();
    if (velm::RecordFromStoredForm(record, true) != 0) std::abort();
    if (Image(record) != first) std::abort();
  }
  velm::ReleaseBlock(record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  if (data[0] % 2 == 0) {
    Expanded(data, size);
  } else {
    Stored(data, size);
  }
  return 0;
}
