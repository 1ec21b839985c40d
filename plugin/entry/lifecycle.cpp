// Start-up, shut-down, unload, reload and the about box.
#include <cstring>

#include "actions/actions.h"
#include "database/record_offsets.h"
#include "entry/host_objects.h"
#include "entry/plugin_main.h"
#include "frame/globals.h"
#include "frame/host_entry.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "geometry/bezier_table.h"
#include "palette/palette_window.h"
#include "palette/record_list.h"
#include "palette/thumbnail_cache.h"
#include "platform/gui.h"
#include "platform/host_binding.h"
#include "platform/memory.h"
#include "prefs/preferences.h"

namespace velm {

Globals* gGlobals = nullptr;

namespace {

constexpr const char kGlobalsBlockName[] = "globals";
constexpr const char kAboutVersion[] = "VELM-Pro Ver2.20";
constexpr std::int32_t kAboutOkItem = 1;
constexpr std::int32_t kAboutVersionItem = 2;

void SetStartupValues(Globals* g, host::PluginRef pluginRef) {
  g->toolMode = 1;
  g->sortMode = 0;
  g->searchMode = 0;
  g->originMode = 0;
  g->pluginRef = pluginRef;
  g->dropPoint = {kNoDropPoint, kNoDropPoint};
  g->lastSnapKind = -1;
  g->previewShown = 0;
  g->currentRecord = nullptr;
  g->currentGroup[0] = '\0';
  g->currentRecordIndex = -1;
  g->RIHList = nullptr;
  g->flUseGrid = g->flUseFcur = g->flUseFcrs = g->flUseFops = 1;
  g->flGrWidth = g->flGrHeight = 14.17323f;  // 5 mm in points
  g->flCnvFnMode = 0;
  g->flCnvFnStr[0] = '\0';
  g->flCnvCase = g->flCnvKanji = g->flCnvWord = 0;
  g->palette = nullptr;
  g->retiredPalette = nullptr;
  std::memset(g->paletteLayoutRect, 0, sizeof g->paletteLayoutRect);
  g->timerBusy = g->notifyBusy = 0;
  g->tracking = 0;
  g->lastClickTime = 0;
  g->downPoint = {32000, 32000};
  g->dragging = g->dragArmed = 0;
  g->trackQueueCount = 0;
  g->labelSavedPort = g->labelSavedBitmap = g->labelPreviousBitmap = nullptr;
  g->labelRect = {0, 0, 0, 0};
  g->notifierHandle = nullptr;
  g->timerHandle = nullptr;
  g->menuItemHandle = nullptr;
  g->lastLabel[0] = '\0';
  for (void*& cursor : g->snapCursors)
    cursor = nullptr;
  g->busyFrame = 0;
  g->busyTick = 0;
  g->busy = 0;
  g->timerSkips = 0;
  g->targetGroup[0] = '\0';
}

// Cursor slot i comes from cursor resource 16100 + i; the resources stop at 16113, so
// the last slot stays empty.
void LoadCursors(Globals* g) {
  host::AccessRef access = nullptr;
  host::ModuleInstance module = nullptr;
  if (!sAccess || sAccess->GetPluginAccess(g->pluginRef, &access) ||
      sAccess->GetAccessInfo(access, &module))
    return;
  for (int i = 0; i < kSnapCursorCount; ++i)
    g->snapCursors[i] = gui::LoadCursorResource(module, kFirstSnapCursorId + i);
}

host::Err AboutInit(host::DialogRef dialog) {
  if (host::ItemRef version = sAdmDialog->GetItem(dialog, kAboutVersionItem))
    sAdmItem->SetText(version, kAboutVersion);
  if (host::ItemRef ok = sAdmDialog->GetItem(dialog, kAboutOkItem))
    sAdmItem->SetNotifyProc(ok, HostEntry<DefaultButtonNotify>::Call);
  return host::kNoErr;
}

}  // namespace

host::Err StartupPlugin(host::MessageData* message) {
  Trace("StartupPlugin_START\r\n");
  void* block = nullptr;
  host::Err err = sBlocks->AllocateBlock(kGlobalsBlockSize, kGlobalsBlockName, &block);
  if (err) return err;
  if (!block) return host::kOutOfMemoryErr;
  std::memset(block, 0, kGlobalsBlockSize);
  gGlobals = static_cast<Globals*>(block);
  Globals* g = gGlobals;
  g->basicSuite = message->basic;

  std::int32_t options = 0;
  err = sPlugin->GetPluginOptions(message->self, &options);
  if (!err) err = sPlugin->SetPluginOptions(message->self, options | kPluginOptionFlag);
  if (err) return err;

  SetStartupValues(g, message->self);
  LoadCursors(g);
  BuildBezierTable(g->BezierTable);
  g->prefsRead = ReadPreferences() ? 1 : 0;
  // The notifier, the menu item and the timer, in this order; the first failure stops
  // the start-up there.
  err = RegisterNotifier(message);
  if (!err) err = AddPaletteMenuItem(message);
  if (!err) err = AddPaletteTimer(message);
  if (err) return err;
  err = RegisterActions(message);
  Trace("StartupPlugin_END\r\n");
  return err;
}

host::Err ShutdownPlugin(host::MessageData* message) {
  Trace("ShutdownPlugin_START\r\n");
  if (Globals* g = gGlobals) {
    ReleaseBlock(g->currentRecord);
    ReleaseBlock(g->RIHList);
    ReleaseHoverLabel();
    ClearThumbnailCache();
    ForgetRecordOffsets();
    if (g->prefsRead) WritePreferences();
    if (g->palette) SavePaletteState(g->palette);
  }

  const void* blocks = nullptr;
  const host::Err err =
      message->basic->AcquireSuite(host::BlocksSuite::kName, host::BlocksSuite::kVersion, &blocks);
  if (!err && blocks) {
    if (gGlobals) static_cast<const host::BlocksSuite*>(blocks)->FreeBlock(gGlobals);
    gGlobals = nullptr;
    message->basic->ReleaseSuite(host::BlocksSuite::kName, host::BlocksSuite::kVersion);
  }
  message->globals = nullptr;
  platform::DetachHost();
  Trace("ShutdownPlugin_END\r\n");
  return err;
}

host::Err UnloadPlugin(host::MessageData* message) {
  message->globals = gGlobals;
  platform::DetachHost();
  return host::kNoErr;
}

host::Err ReloadPlugin(host::MessageData* message) {
  gGlobals = static_cast<Globals*>(message->globals);
  suiteNesting = 0;
  return host::kNoErr;
}

host::Err ShowAbout(host::MessageData* message) {
  (void)message;
  if (!gGlobals || !sAdmDialog || !sAdmItem) return host::kNoErr;
  sAdmDialog->Modal(gGlobals->pluginRef, "About VELM-Pro", kAboutDialogId, 0,
                    HostEntry<AboutInit>::Call, nullptr);
  return host::kNoErr;
}

}  // namespace velm
