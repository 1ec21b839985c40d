// The yardstick for the plug-in's LZSS coder: the plain binary-tree coder and the plain
// ring decoder, byte by byte, with the same ring (4096 bytes, starting zero-filled, first
// write at 4078), longest match 18 and threshold 2. Its coded bytes must equal the
// plug-in's on every input.
#pragma once

#include <cstdint>
#include <vector>

namespace velmbench {

// Codes `length` bytes; `out` is cleared first.
void PlainLzssEncode(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& out);

// Expands `length` coded bytes; `out` is replaced by the output (its storage is reused). A stream
// cut inside an item ends before that item.
void PlainLzssDecode(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& out);

}  // namespace velmbench
