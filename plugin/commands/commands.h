// The database commands the palette and action playback run: add a record from the
// selection, edit or move a record, remove a record, create and remove groups. With
// `interactive` (or `confirm`) set they ask the user through dialogs; clear, they take the
// values given (action playback) and ask nothing. Each records its action before it
// changes anything.
#pragma once

#include <cstdint>

#include "actions/actions.h"
#include "host/types.h"

namespace velm {

// Null texts stand for "none".
void AddRecord(const char* group, const char* name, const char* kind, const char* comment,
               bool interactive);
void SetRecord(const char* group, std::int32_t recordNumber, const char* targetGroup,
               const char* name, const char* kind, const char* comment, bool interactive);
// `recordNumber` -1: the record selected in the palette.
void RmvRecord(const char* group, std::int32_t recordNumber, bool confirm);
host::Err NewGroup(const char* name, bool interactive);
host::Err RmvGroup(const char* name, bool confirm);

// Whether the document holds selected art the capture can store (also the add button's
// enabling).
bool HasCapturableSelection();

}  // namespace velm
