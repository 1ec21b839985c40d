// The globals block: the one block of plug-in state. It is allocated from the host at
// start-up under the block name "globals" and survives an unload of the module through
// the message's globals slot, so it holds plain data only (no constructors, no
// pointers into the module's own statics).
#pragma once

#include <cstdint>

#include "host/sp_suites.h"
#include "host/types.h"
#include "platform/os.h"

namespace velm {

// Placement point "not set" (both coordinates).
inline constexpr float kNoDropPoint = 2097152000.0f;
// Size of the block as allocated from the host.
inline constexpr std::int32_t kGlobalsBlockSize = 3346;
inline constexpr int kSnapCursorCount = 15;
inline constexpr int kTrackQueueLength = 10;

struct BezierEntry {
  double b0;  // (1 - t)^3
  double b1;  // 3 t (1 - t)^2
};

struct Globals {
  // Palette view: 1 icons 32 x 32, 2 icons 64 x 64, 3 list.
  std::int16_t toolMode;
  // Record order: 0 name, 1 kind, 2 date.
  std::int16_t sortMode;
  // Set while the current group is the search-results group.
  std::int16_t searchMode;
  // Which point of placed art's bounds lands on the drop point, 0 … 8.
  std::int16_t originMode;
  host::PluginRef pluginRef;
  host::RealPoint dropPoint;
  std::int16_t lastSnapKind;
  std::int32_t previewShown;
  // The outline on the screen: left, top, right, bottom in document-window client pixels.
  std::int32_t previewRect[4];
  os::MemHandle currentRecord;
  char currentGroup[64];
  std::int32_t currentRecordIndex;
  os::MemHandle RIHList;
  // Snapping switches and grid spacing.
  std::int32_t flUseGrid;
  std::int32_t flUseFcur;
  std::int32_t flUseFcrs;
  std::int32_t flUseFops;
  float flGrWidth;
  float flGrHeight;
  // Search field, text and options.
  std::int16_t flCnvFnMode;
  char flCnvFnStr[256];
  std::int16_t flCnvCase;
  std::int16_t flCnvKanji;
  std::int16_t flCnvWord;
  BezierEntry BezierTable[65];
  host::BasicSuite* basicSuite;
  host::DialogRef palette;
  host::DialogRef retiredPalette;
  std::int32_t paletteLayoutRect[4];
  std::int16_t timerBusy;
  std::int16_t notifyBusy;
  // Record-list mouse tracking.
  std::int16_t tracking;
  std::uint32_t lastClickTime;
  host::Point downPoint;
  std::int16_t dragging;
  std::int16_t dragArmed;
  std::int16_t trackQueueCount;
  // Each queued event: point x, point y, action, time, and the entry's position.
  std::int32_t trackQueue[kTrackQueueLength][5];
  // Hover label: saved screen area under it.
  void* labelSavedPort;
  void* labelSavedBitmap;
  void* labelPreviousBitmap;
  host::Rect labelRect;
  host::NotifierHandle notifierHandle;
  host::TimerHandle timerHandle;
  host::MenuItemHandle menuItemHandle;
  char lastLabel[80];
  void* snapCursors[kSnapCursorCount];
  // Busy indicator.
  std::int16_t busyFrame;
  std::uint32_t busyTick;
  std::int16_t busy;
  std::int32_t timerSkips;
  // The group a record is being written to (record dialog, actions).
  char targetGroup[64];
  // The text the confirmation and error dialogs show, formatted before they open.
  char messageText[256];
  // Art capture: the stream that collects pattern definitions while a capture runs,
  // whether art is taken regardless of its selection, and the definitions written.
  os::MemHandle scratchRecord;
  std::int16_t captureAll;
  std::int32_t patternCounter;
  // Set once start-up has read the preferences over the start-up values, or found no
  // file. A start-up that failed before that leaves a zero-filled block, and a file that
  // could not be read holds settings the start-up values lack: shut-down must not write
  // over the user's settings file in either case.
  std::int16_t prefsRead;
};

static_assert(sizeof(Globals) <= static_cast<std::size_t>(kGlobalsBlockSize),
              "the globals block must fit in its host allocation");

// The module's pointer to the block (null before start-up and after shut-down).
extern Globals* gGlobals;

}  // namespace velm
