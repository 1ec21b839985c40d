// Any bytes as a whole group file, read the three ways the plug-in reads records (whole,
// header and thumbnail, header only), expanded and as stored. A record that reads in
// more than one way must show the same header each time.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "database/group_file.h"
#include "database/record.h"
#include "fuzz_session.h"
#include "platform/memory.h"

namespace {

using velm::os::MemHandle;

constexpr std::int32_t kModes[] = {velm::kReadWholeRecord, velm::kReadHeaderAndThumbnail,
                                   velm::kReadHeaderOnly};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  velmfuzz::Session();
  velmfuzz::WriteGroupFile("F", data, size);
  const std::int32_t count = std::min(velm::GroupRecordCount("F"), 8);
  for (std::int32_t index = -1; index <= std::max(count, 0); ++index) {
    for (bool convert : {true, false}) {
      char name[64] = {};
      bool named = false;
      for (std::int32_t mode : kModes) {
        MemHandle block = velm::os::MemAlloc(16);
        if (!block) std::abort();
        const host::Err err = velm::VelmReadRecord("F", index, &block, mode, convert);
        const velm::Record* header = velm::RecordHeader(block);
        if (err == 0 && velm::os::MemSize(block) >= velm::kRecordHeaderSize && header->name[0]) {
          // A record that was read: its header is the same whichever way it was read.
          if (named && std::memcmp(name, header->name, sizeof name) != 0) std::abort();
          std::memcpy(name, header->name, sizeof name);
          named = true;
        }
        velm::ReleaseBlock(block);
      }
    }
  }
  return 0;
}
