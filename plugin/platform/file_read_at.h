// Reading a file at an offset in one call (os.h's files): a walk that reads a little at
// each of many places pays one system call per place instead of a seek and a read.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace velm::os {

// Reads up to `count` bytes at `offset`; *done as FileRead. The file pointer is left
// unspecified.
bool FileReadAt(FileHandle file, std::int64_t offset, void* buffer, std::uint32_t count,
                std::uint32_t* done);

}  // namespace velm::os
