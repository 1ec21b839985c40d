// Expansion of a record through temporary blocks: the thumbnail and the art object stream
// are each expanded into a block of their own, then the record block is grown and both
// are copied into it. ExpandRecord gives the same status and record bytes without the
// temporary blocks and the copies; this form is kept as the yardstick that tests and
// benchmarks compare it with.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace velm {

std::int32_t ExpandRecordThroughTemporaryBlocks(os::MemHandle& record, bool withArt);

}  // namespace velm
