// Any bytes as one stored record, inspected as `velm` inspects the records of a group
// file (header, coded thumbnail and art, every object of the expanded stream).
#include <cstdint>
#include <cstdlib>

#include "record_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  const velmtool::RecordInspection inspection = velmtool::InspectStoredRecord(data, size, 0, 4);
  for (const velmtool::ObjectSummary& object : inspection.objects) {
    if (object.offset > inspection.artSize) std::abort();
  }
  return 0;
}
