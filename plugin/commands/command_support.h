// Pieces the database commands share: failure reports and checks that a write took
// effect (group names and record fields: database/field_text.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "database/field_text.h"
#include "host/errors.h"

namespace velm {

// Tells the user that a change could not be made: the error dialog with `err` (-1 when
// the write reported success but did not take effect) while the user works
// interactively, the system beep during playback.
void ReportFailure(bool interactive, host::Err err);

// Whether record `index` of `group` holds the name, kind and comment of the current
// record (which may be in stored form: the texts are the same in both).
bool HeaderTextsWritten(const char* group, std::int32_t index);

}  // namespace velm
