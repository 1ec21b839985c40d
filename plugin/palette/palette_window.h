// The palette: the plug-in's one permanent window, a floating, dockable dialog of the
// host's dialog manager with the record list, the group popup, the add and remove
// buttons and the flyout menu of view, sort, search, group and settings commands.
#pragma once

#include <cstdint>

#include "host/adm.h"

namespace velm {

inline constexpr const char kPaletteName[] = "AI-PELKAN_VELMPalette";
inline constexpr std::int32_t kPaletteDialogId = 16052;
inline constexpr std::int32_t kPaletteStyle = 5;
inline constexpr std::int32_t kRecordListCursorId = 16050;
inline constexpr std::int32_t kAddPictureId = 16251;
inline constexpr std::int32_t kRemovePictureId = 16252;

// Item ids of the palette.
inline constexpr std::int32_t kRecordListItem = 1;
inline constexpr std::int32_t kSeparatorItem = 2;
inline constexpr std::int32_t kAddButtonItem = 3;
inline constexpr std::int32_t kRemoveButtonItem = 4;
inline constexpr std::int32_t kGroupPopupItem = 6;

// Size limits and the first-run place and size, in pixels.
inline constexpr std::int32_t kPaletteMinWidth = 206;
inline constexpr std::int32_t kPaletteMinHeight = 135;
inline constexpr std::int32_t kPaletteMaxWidth = 640;
inline constexpr std::int32_t kPaletteMaxHeight = 480;
inline constexpr std::int32_t kPaletteDefaultLeft = 200;
inline constexpr std::int32_t kPaletteDefaultTop = 200;

// Flyout menu entries (the position is the id).
enum FlyoutEntry : std::int32_t {
  kFlyoutIcons32 = 0,
  kFlyoutIcons64 = 1,
  kFlyoutList = 2,
  kFlyoutSortName = 4,
  kFlyoutSortKind = 5,
  kFlyoutSortDate = 6,
  kFlyoutSearch = 8,
  kFlyoutNewGroup = 10,
  kFlyoutRemoveGroup = 11,
  kFlyoutSettings = 13,
  kFlyoutEntryCount = 14,
};

// Creates the palette dialog (hidden until the host shows it) and keeps it in `palette`.
void CreatePalette();
// The palette's initialisation procedure.
host::Err InitPalette(host::DialogRef dialog);
// Places, or creates, the items for the palette's current size.
void LayoutPalette(host::DialogRef dialog);
// The timer's update of a visible palette.
void RefreshPalette();
// Notification procedure of the buttons, the group popup and the flyout menu.
void PaletteNotify(host::ItemRef item, host::NotifierRef notifier);
// Replaces the palette by a new one at the same place; the old one is destroyed at the
// next timer tick.
void RebuildPalette();
// Writes the palette's place, size, docking and visibility into the host's preferences.
void SavePaletteState(host::DialogRef dialog);
void FillGroupPopup(host::DialogRef dialog);
void FillRecordList(host::DialogRef dialog);
void DrawSeparator(host::ItemRef item, host::DrawerRef drawer);

// The record list as the commands use it; each does nothing without a palette.
// Position of the first selected record entry, or -1.
std::int32_t SelectedRecordEntry();
// Selects the entry at `position` alone (deselects every entry when there is none).
void SelectRecordEntry(std::int32_t position);
// Removes the entry at `position`.
void RemoveRecordEntry(std::int32_t position);
// Number of entries in the record list.
std::int32_t RecordEntryCount();
void RedrawRecordList();
// Shows `group` as the group popup's choice (when it is listed).
void ShowGroupInPopup(const char* group);

}  // namespace velm
