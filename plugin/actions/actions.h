// Recordable actions: the plug-in's operations registered with the host's action manager
// and recorded while the user records an action (their playback, which runs the commands,
// is the entry's: entry/action_playback.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/art_types.h"
#include "host/errors.h"
#include "host/messages.h"
#include "host/types.h"

namespace velm {

// Action codes of the commands.
inline constexpr std::int32_t kPlaceArtAction = 1001;
inline constexpr std::int32_t kAddRecordAction = 1002;
inline constexpr std::int32_t kRmvRecordAction = 1003;
inline constexpr std::int32_t kSetRecordAction = 1004;
inline constexpr std::int32_t kNewGroupAction = 2001;
inline constexpr std::int32_t kRmvGroupAction = 2002;

// The parameter keys of the recorded actions.
inline constexpr host::ActionKey kKeyX = host::ActionCode('p', 'l', 'c', 'x');
inline constexpr host::ActionKey kKeyY = host::ActionCode('p', 'l', 'c', 'y');
inline constexpr host::ActionKey kKeyRecord = host::ActionCode('r', 'e', 'c', 'd');
inline constexpr host::ActionKey kKeyGroup = host::ActionCode('g', 'r', 'u', 'p');
inline constexpr host::ActionKey kKeyOrigin = host::ActionCode('o', 'r', 'm', 'd');
inline constexpr host::ActionKey kKeyName = host::ActionCode('n', 'a', 'm', 'e');
inline constexpr host::ActionKey kKeyKind = host::ActionCode('k', 'i', 'n', 'd');
inline constexpr host::ActionKey kKeyComment = host::ActionCode('c', 'o', 'm', 'm');
inline constexpr host::ActionKey kKeyNewGroup = host::ActionCode('n', 'w', 'g', 'r');

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

// A record as a recorded action names it: its name in double quotes, or "#N" when the
// name is empty. 0, or -1 when the record cannot be read (text untouched then).
host::Err MakeRecordDesignator(const char* group, std::int32_t recordNumber,
                               char (&text)[kDesignatorSize]);
// The record of `group` a designator names: the number of "#N" when the group has that
// record, else the first record whose name is the quoted (or bare) name. -1 when none.
std::int32_t ResolveRecordDesignator(const char* group, const char* text);

}  // namespace velm
