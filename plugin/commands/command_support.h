// Pieces the database commands share: group names held in their own buffers, texts put
// into record fields, failure reports and checks that a write took effect.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/errors.h"

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

// Tells the user that a change could not be made: the error dialog with `err` (-1 when
// the write reported success but did not take effect) while the user works
// interactively, the system beep during playback.
void ReportFailure(bool interactive, host::Err err);

// Whether record `index` of `group` holds the name, kind and comment of the current
// record (which may be in stored form: the texts are the same in both).
bool HeaderTextsWritten(const char* group, std::int32_t index);

}  // namespace velm
