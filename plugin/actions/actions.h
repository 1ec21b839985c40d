// Recordable actions: the plug-in's operations registered with the host's action manager,
// recorded while the user records an action, and played back without dialogs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/errors.h"
#include "host/messages.h"
#include "host/types.h"

namespace velm {

// The designator's buffer: at most 255 bytes and a terminator.
inline constexpr std::size_t kDesignatorSize = 256;

// Registers the six actions (names, titles, parameter keys) with the host; the status of
// the last registration. Called last by the start-up.
host::Err RegisterActions(host::MessageData* message);

// Records the operation `code` (kPlaceArtAction, ...) with the current state's values
// while the host records an action: the record acted on is the current record of the
// current group. Returns 0 when the host is not recording.
host::Err RecordAction(std::int32_t code);
// The same for the place, remove and edit actions on record `recordNumber` of `group`,
// the record's real group (never the search results) whatever the palette shows.
host::Err RecordAction(std::int32_t code, const char* group, std::int32_t recordNumber);

// Playback of a recorded action ("Action Manager" / "Do Action"); asks nothing.
host::Err DoAction(host::MessageData* message);

// A record as a recorded action names it: its name in double quotes, or "#N" when the
// name is empty. 0, or -1 when the record cannot be read (text untouched then).
host::Err MakeRecordDesignator(const char* group, std::int32_t recordNumber,
                               char (&text)[kDesignatorSize]);
// The record of `group` a designator names: the number of "#N" when the group has that
// record, else the first record whose name is the quoted (or bare) name. -1 when none.
std::int32_t ResolveRecordDesignator(const char* group, const char* text);

}  // namespace velm
