// The search dialog: a field (name, kind or comment), a text and three matching options.
// "検索" searches every group and makes the matching records the search-results group;
// "絞込み" searches only the current results. The settings are kept as preferences.
#pragma once

#include <cstdint>

#include "host/types.h"

namespace velm {

inline constexpr std::int32_t kSearchDialogId = 16154;
// The field popup's entries: entry i + 1 of this list names field i.
inline constexpr std::int32_t kSearchFieldList = 16100;

// 1 after a search or a narrowing (the results are then the current group's list),
// otherwise the id of the cancel button.
std::int32_t SearchDialog(host::WindowRef parent);

// Whether the header fields (not necessarily terminated: at most 64, 64 and 256 bytes)
// match the search settings in the globals: every non-empty field pattern is found.
bool RecordMatchesSearch(const char* name, const char* kind, const char* comment);

}  // namespace velm
