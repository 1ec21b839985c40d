// Group names held in their own buffers and texts put into record fields: cut on a
// Shift-JIS character boundary, never in the middle of a double-byte character.
#pragma once

#include <cstddef>

namespace velm {

// A group name copied out of its source (which may be a field of the globals block that
// the command itself changes), at most 63 bytes on a character boundary.
struct GroupName {
  char text[64];
};
GroupName CopyGroupName(const char* name);
bool SameGroup(const char* a, const char* b);
// A group a record can be written to: a valid file name and not the search results.
bool IsWritableGroup(const char* group);

// Copies `text` into a field of `size` bytes, zero-filled, cut to size - 1 bytes on a
// character boundary.
void SetField(char* field, std::size_t size, const char* text);

}  // namespace velm
