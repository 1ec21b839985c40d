// The record index: the sorted list of the current group's records that the palette
// shows (one item per record, naming its group and record number, so that the same list
// serves the search results, whose items come from many groups).
#pragma once

#include <cstddef>
#include <cstdint>

#include "database/record_time.h"
#include "host/errors.h"
#include "host/types.h"
#include "platform/os.h"

namespace velm {

struct RIHItem {
  std::int32_t recordNumber;
  char name[64];
  char kind[64];
  char group[64];
  RecordTime created;
};
static_assert(sizeof(RIHItem) == 200);
static_assert(offsetof(RIHItem, name) == 4);
static_assert(offsetof(RIHItem, kind) == 68);
static_assert(offsetof(RIHItem, group) == 132);
static_assert(offsetof(RIHItem, created) == 196);

// The list block: a signed 32-bit count, then the items in display order.
struct RIHListHeader {
  std::int32_t count;
};
inline constexpr std::size_t kRIHListItemsOffset = sizeof(RIHListHeader);

// The list's count and items (0 and null without a list).
std::int32_t RIHCount(os::MemHandle list);
RIHItem* RIHItems(os::MemHandle list);

// Sort modes: 0 name, 1 kind (then name), 2 date, newest first (then name).
inline constexpr std::int16_t kSortByName = 0;
inline constexpr std::int16_t kSortByKind = 1;
inline constexpr std::int16_t kSortByDate = 2;

// Makes `name` the current group (nothing when it already is): releases the current
// record and the list; search mode is on exactly for the search-results group.
void SelectGroup(const char* name);

// Rebuilds the list of `group` from its file (no list when the file cannot be opened);
// in search mode only makes sure an (empty) list exists. Returns the base folder
// lookup's error, else 0.
host::Err BuildRIHList(const char* group);

// Inserts an item before the first one that sorts after it (so after all equal ones).
// Nothing happens without a list; returns false when the list cannot grow.
bool VelmAddItemRIHList(os::MemHandle& list, const char* group, std::int32_t recordNumber,
                        const char* name, const char* kind, RecordTime created);

// Removes the item of `group` and `recordNumber`, if listed.
void VelmRmvItemRIHList(os::MemHandle& list, const char* group, std::int32_t recordNumber);

// Position of the item of `group` and `recordNumber` in the current list (built first
// when there is none), or -1.
std::int32_t FindRIHItem(const char* group, std::int32_t recordNumber);

// The group and record number at `position` of the current list (built first when
// there is none). When there is no such item, reports false and leaves the current
// group and the position itself in the outputs.
bool GetRIHItem(std::int32_t position, char (&group)[64], std::int32_t& recordNumber);

// Re-sorts the list in `newSortMode` by re-inserting its items in their old order.
// Nothing changes (the sort mode included) when there is no list or the mode is in force.
void ResortRIHList(std::int16_t newSortMode);

// Orders items as insertion does: negative, 0 or positive as `existing` sorts before,
// level with or after `added` in `sortMode`.
int CompareRIHItems(const RIHItem& existing, const RIHItem& added, std::int16_t sortMode);

}  // namespace velm
