// The small modal dialogs of the group and record commands: the new group's name, a
// confirmation or an error message, and the question before a record is deleted. Each
// returns the id of the item that closed it; callers take 1 ("OK", "削除") as yes and any
// other result as no.
#pragma once

#include <cstdint>

#include "host/types.h"

namespace velm {

inline constexpr std::int32_t kNewGroupDialogId = 16150;
inline constexpr std::int32_t kConfirmDialogId = 16151;
inline constexpr std::int32_t kErrorMessageDialogId = 16152;
inline constexpr std::int32_t kDeleteRecordDialogId = 16155;
// The list of the group commands' message texts: entry 1 asks before a group is removed
// ("%s" the group), entry 2 reports a group that could not be made ("%s" the group, "%d"
// the result).
inline constexpr std::int32_t kGroupMessageList = 16250;
inline constexpr std::int32_t kRemoveGroupQuestion = 1;
inline constexpr std::int32_t kNewGroupFailure = 2;

// Asks for a new group's name; on "OK" the name (at most 63 bytes, never ending inside a
// double-byte character) becomes currentGroup. `parent` is the window it opens over.
std::int32_t NewGroupDialog(host::WindowRef parent);

// Shows `text` with "OK" and "Cancel" (`confirm` 1) or "OK" alone (`confirm` 0). The text
// is kept in the globals' message buffer, cut to 255 bytes.
std::int32_t MessageDialog(host::WindowRef parent, std::int32_t confirm, const char* text);

// Asks whether the selected record is to be deleted ("削除" 1, "キャンセル" 2).
std::int32_t DeleteRecordDialog(host::WindowRef parent);

}  // namespace velm
