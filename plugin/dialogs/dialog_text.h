// Texts taken from dialog items and cut to the fields they go into, never in the middle
// of a double-byte character: a lead byte whose trail byte was cut off is dropped too.
#pragma once

#include <cstddef>

#include "host/types.h"

namespace velm {

// The length of the longest prefix of the first `length` bytes of `text` that ends on a
// character boundary.
std::size_t WholeCharacters(const char* text, std::size_t length);

// Cuts the terminated `text` to at most `limit` bytes, on a character boundary.
void CutToWholeCharacters(char* text, std::size_t limit);

// Reads `item`'s text into `out` of `size` bytes: at most size - 1 bytes, ending on a
// character boundary, and a terminator. Without an item the text is empty.
void GetWholeText(host::ItemRef item, char* out, std::size_t size);

}  // namespace velm
