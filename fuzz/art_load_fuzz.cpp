// Any bytes as the art object stream of an expanded record (the first byte gives its
// object count), placed by the art loader into a fresh document of the stand-in host.
// The host reports every misuse of its suites; none may happen, whatever the stream.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "database/record.h"
#include "frame/globals.h"
#include "fuzz_session.h"
#include "hostsim/core/document.h"
#include "placement/placement_state.h"
#include "platform/memory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  velmsession::PluginSession& session = velmfuzz::Session();
  session.host().SetDocument(std::make_unique<hostsim::Document>());
  const int failuresBefore = session.hostFailures();

  const auto length = static_cast<std::uint32_t>(size - 1);
  velm::os::MemHandle record = velm::NewEmptyRecord();
  if (!record ||
      !velm::GrowBlock(record, velm::kEmptyRecordLength + length, velm::kRecordGranule)) {
    std::abort();
  }
  velm::Record* header = velm::RecordHeader(record);
  header->objectCount = data[0] % 32;
  header->recordLength = static_cast<std::int32_t>(velm::kEmptyRecordLength + length);
  header->bounds = {0, 100 << 16, 100 << 16, 0};
  std::memcpy(record + velm::kArtStreamOffset, data + 1, length);

  velm::gGlobals->dropPoint = {50, 50};
  velm::gGlobals->originMode = static_cast<std::int16_t>(data[0] % 9);
  velm::PlaceRecordArt(record);
  velm::ReleaseBlock(record);
  if (session.hostFailures() != failuresBefore) std::abort();
  return 0;
}
