// The settings dialog: how placement snaps (grid, anchor points, intersections, paths),
// the grid spacing in both directions, and which of the nine reference points of a
// record's art lands on the cursor. The values live in the globals block and are kept as
// preferences.
#pragma once

#include <cstdint>

#include "host/types.h"

namespace velm {

inline constexpr std::int32_t kSettingsDialogId = 16153;
// The spacing presets: entry i + 1 of this list is preset i.
inline constexpr std::int32_t kSpacingPresetList = 16130;
inline constexpr std::int32_t kSpacingPresetCount = 10;
// The reference-point selector shows icon kOriginIconBase + originMode.
inline constexpr std::int32_t kOriginIconBase = 16291;

// 1 when the settings were stored, 2 when the dialog was cancelled.
std::int32_t SettingsDialog(host::WindowRef parent);

}  // namespace velm
