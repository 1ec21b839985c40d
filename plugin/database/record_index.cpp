#include "database/record_index.h"

#include <algorithm>
#include <cstring>

#include "database/group_file.h"
#include "database/group_reader.h"
#include "frame/globals.h"
#include "frame/trace.h"
#include "platform/memory.h"

namespace velm {
namespace {

// Copies at most `limit` bytes and keeps the copy terminated within `limit` bytes.
void CopyField(char* destination, const char* source, std::size_t limit) {
  std::memset(destination, 0, limit);
  if (!source) return;
  std::size_t n = 0;
  while (n < limit && source[n])
    ++n;
  std::memcpy(destination, source, n < limit ? n : limit - 1);
}

int CompareText(const char* a, const char* b) {
  return std::strncmp(a, b, 64) < 0 ? -1 : std::strncmp(a, b, 64) > 0 ? 1 : 0;
}

std::uint32_t ReadBE32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

// Grows the list to hold `items` items; creates it when absent.
bool ReserveItems(os::MemHandle& list, std::size_t items) {
  const std::size_t bytes = kRIHListItemsOffset + items * sizeof(RIHItem);
  if (bytes > 0xFFFFFFFFu) return false;
  return GrowBlock(list, static_cast<std::uint32_t>(bytes), kListGranule);
}

bool NewEmptyList(os::MemHandle& list) {
  ReleaseBlock(list);
  return ReserveItems(list, 1);
}

}  // namespace

std::int32_t RIHCount(os::MemHandle list) {
  return list ? reinterpret_cast<const RIHListHeader*>(list)->count : 0;
}

RIHItem* RIHItems(os::MemHandle list) {
  return list ? reinterpret_cast<RIHItem*>(list + kRIHListItemsOffset) : nullptr;
}

int CompareRIHItems(const RIHItem& existing, const RIHItem& added, std::int16_t sortMode) {
  if (sortMode == kSortByKind) {
    if (int c = CompareText(existing.kind, added.kind)) return c;
  } else if (sortMode == kSortByDate) {
    if (added.created > existing.created) return 1;
    if (added.created < existing.created) return -1;
  }
  return CompareText(existing.name, added.name);
}

void SelectGroup(const char* name) {
  Globals* g = gGlobals;
  if (!g || !name) return;
  if (std::strncmp(g->currentGroup, name, sizeof g->currentGroup) == 0) return;
  CopyField(g->currentGroup, name, sizeof g->currentGroup);
  ReleaseBlock(g->currentRecord);
  g->searchMode = std::strcmp(g->currentGroup, kSearchResultsGroup) == 0 ? 1 : 0;
  ReleaseBlock(g->RIHList);
  g->currentRecordIndex = -1;
}

bool VelmAddItemRIHList(os::MemHandle& list, const char* group, std::int32_t recordNumber,
                        const char* name, const char* kind, RecordTime created) {
  if (!list) return true;
  const std::int32_t count = RIHCount(list);
  if (!ReserveItems(list, static_cast<std::size_t>(count) + 2)) return false;
  RIHItem added{};
  added.recordNumber = recordNumber;
  CopyField(added.name, name, sizeof added.name);
  CopyField(added.kind, kind, sizeof added.kind);
  CopyField(added.group, group, sizeof added.group);
  added.created = created;

  const std::int16_t mode = gGlobals ? gGlobals->sortMode : kSortByName;
  RIHItem* items = RIHItems(list);
  // The list is kept in order (a change of sort mode sorts it anew), so the new item's
  // place, after every item that does not sort after it, is found by halving.
  const std::int32_t position =
      static_cast<std::int32_t>(std::upper_bound(items, items + count, added,
                                                 [mode](const RIHItem& value, const RIHItem& item) {
                                                   return CompareRIHItems(item, value, mode) > 0;
                                                 }) -
                                items);
  std::memmove(items + position + 1, items + position,
               static_cast<std::size_t>(count - position) * sizeof(RIHItem));
  items[position] = added;
  reinterpret_cast<RIHListHeader*>(list)->count = count + 1;
  return true;
}

void VelmRmvItemRIHList(os::MemHandle& list, const char* group, std::int32_t recordNumber) {
  if (!list || !group) return;
  const std::int32_t count = RIHCount(list);
  RIHItem* items = RIHItems(list);
  for (std::int32_t i = 0; i < count; ++i) {
    if (items[i].recordNumber != recordNumber ||
        std::strncmp(items[i].group, group, sizeof items[i].group) != 0)
      continue;
    std::memmove(items + i, items + i + 1,
                 static_cast<std::size_t>(count - i - 1) * sizeof(RIHItem));
    std::memset(items + count - 1, 0, sizeof(RIHItem));
    reinterpret_cast<RIHListHeader*>(list)->count = count - 1;
    return;
  }
}

host::Err BuildRIHList(const char* group) {
  Trace("BuildRIHList_START\r\n");
  Globals* g = gGlobals;
  if (!g || !group) return -1;
  if (g->searchMode) {
    if (!g->RIHList && !NewEmptyList(g->RIHList)) return -1;
    return host::kNoErr;
  }
  ReleaseBlock(g->RIHList);
  char base[kPathSize];
  if (host::Err err = GetBaseFolder(base)) return err;
  char path[kPathSize];
  if (!GroupFilePath(base, group, path)) return host::kNoErr;
  os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  if (file == os::kInvalidFile) return host::kNoErr;

  std::uint8_t countBytes[4] = {};
  std::uint32_t done = 0;
  std::int32_t count = 0;
  if (os::FileRead(file, countBytes, 4, &done) && done == 4)
    count = static_cast<std::int32_t>(ReadBE32(countBytes));
  if (!NewEmptyList(g->RIHList)) {
    os::FileClose(file);
    return host::kNoErr;
  }

  // The items are gathered in file order and then put in order with a stable sort on
  // the insertion comparison: the same order as inserting them one by one, without the
  // quadratic cost of doing so for a large group.
  std::int64_t offset = 4;
  std::int32_t read = 0;
  GroupReader reader(file);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint8_t* header = reader.At(offset, 416);
    if (!header) break;
    const std::uint32_t length = ReadBE32(header + 4);
    if (length < 426) break;  // a damaged length would loop forever or read garbage
    if (!ReserveItems(g->RIHList, static_cast<std::size_t>(read) + 2)) break;
    RIHItem& item = RIHItems(g->RIHList)[read];
    item.recordNumber = i;
    CopyField(item.name, reinterpret_cast<const char*>(header + 24), sizeof item.name);
    CopyField(item.kind, reinterpret_cast<const char*>(header + 88), sizeof item.kind);
    CopyField(item.group, group, sizeof item.group);
    item.created = ReadBE32(header + 408);
    ++read;
    offset += length;
  }
  os::FileClose(file);

  const std::int16_t mode = g->sortMode;
  RIHItem* items = RIHItems(g->RIHList);
  std::stable_sort(items, items + read, [mode](const RIHItem& a, const RIHItem& b) {
    return CompareRIHItems(b, a, mode) > 0;
  });
  reinterpret_cast<RIHListHeader*>(g->RIHList)->count = read;
  Trace("BuildRIHList_END\r\n");
  return host::kNoErr;
}

std::int32_t FindRIHItem(const char* group, std::int32_t recordNumber) {
  Globals* g = gGlobals;
  if (!g || !group) return -1;
  if (!g->RIHList) BuildRIHList(g->currentGroup);
  const std::int32_t count = RIHCount(g->RIHList);
  const RIHItem* items = RIHItems(g->RIHList);
  for (std::int32_t i = 0; i < count; ++i)
    if (items[i].recordNumber == recordNumber &&
        std::strncmp(items[i].group, group, sizeof items[i].group) == 0)
      return i;
  return -1;
}

bool GetRIHItem(std::int32_t position, char (&group)[64], std::int32_t& recordNumber) {
  Globals* g = gGlobals;
  recordNumber = position;
  if (!g) {
    group[0] = '\0';
    return false;
  }
  CopyField(group, g->currentGroup, sizeof group);
  if (!g->RIHList) BuildRIHList(g->currentGroup);
  if (!g->RIHList || position < 0 || position >= RIHCount(g->RIHList)) return false;
  const RIHItem& item = RIHItems(g->RIHList)[position];
  recordNumber = item.recordNumber;
  CopyField(group, item.group, sizeof group);
  return true;
}

void ResortRIHList(std::int16_t newSortMode) {
  Globals* g = gGlobals;
  if (!g) return;
  if (!g->RIHList) BuildRIHList(g->currentGroup);
  if (!g->RIHList || newSortMode == g->sortMode) return;
  g->sortMode = newSortMode;
  // Re-inserting every item in old order into an empty list is a stable sort with the
  // insertion comparison.
  const std::int32_t count = RIHCount(g->RIHList);
  RIHItem* items = RIHItems(g->RIHList);
  std::stable_sort(items, items + count, [newSortMode](const RIHItem& a, const RIHItem& b) {
    return CompareRIHItems(b, a, newSortMode) > 0;
  });
}

}  // namespace velm
