// The record dialog: the user names the record in currentRecord, gives its kind and
// comment, and chooses the group it goes to (targetGroup); it shows the record's
// thumbnail and its creation and modification dates.
#pragma once

#include <cstdint>

#include "host/types.h"

namespace velm {

inline constexpr std::int32_t kRecordDialogId = 16057;

// Proposes `proposedGroup` (at most 63 bytes) as targetGroup and runs the dialog: 1 when
// the user registers (name, kind, comment and targetGroup are then stored), 2 when the
// dialog is cancelled (nothing is stored).
std::int32_t RecordDialog(host::WindowRef parent, const char* proposedGroup);

}  // namespace velm
