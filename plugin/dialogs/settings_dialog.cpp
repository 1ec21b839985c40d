#include "dialogs/settings_dialog.h"

#include <cstring>

#include "frame/globals.h"
#include "frame/host_entry.h"
#include "frame/suites.h"
#include "frame/trace.h"

namespace velm {
namespace {

enum : std::int32_t {
  kStoreItem = 1,
  kGridItem = 5,
  kAnchorFitItem = 6,
  kIntersectionFitItem = 7,
  kOnPathFitItem = 8,
  kWidthItem = 9,
  kHeightItem = 10,
  kOriginItem = 14,
};
constexpr std::int32_t kSelectorSide = 32;
constexpr std::int32_t kCellPitch = 12;
constexpr std::int32_t kCellSide = 8;
constexpr host::Real kLargestSpacing = 720.0f;
// Ruler-unit codes by the last two characters of the unit's short text.
struct UnitCode {
  char tail[3];
  std::int32_t code;
};
constexpr UnitCode kUnitCodes[] = {{"in", 1}, {"cm", 2}, {"pt", 3},
                                   {"p0", 4}, {"mm", 5}, {"px", 6}};

// The reference point being chosen; stored only when the user presses "設定".
std::int16_t gPendingOrigin = 0;
// The document's unit for the dialog manager (AdmUnits).
std::int32_t gDocumentUnits = host::kAdmPointUnits;

host::ItemRef ItemOf(host::DialogRef dialog, std::int32_t id) {
  return sAdmDialog->GetItem(dialog, id);
}

void ShowOrigin(host::ItemRef selector) {
  sAdmItem->SetPictureID(selector, kOriginIconBase + gPendingOrigin);
  sAdmItem->Invalidate(selector);
}

// A press in a cell chooses its reference point; presses between cells do nothing.
host::Boolean TrackOrigin(host::ItemRef selector, host::TrackerRef tracker) {
  host::TrackerEvent event{};
  if (sAdmTracker->GetTrackerEvent(tracker, &event) == host::kNoErr &&
      event.action == host::kTrackMouseDown) {
    for (std::int16_t column = 0; column < 3; ++column)
      for (std::int16_t row = 0; row < 3; ++row) {
        const std::int32_t left = kCellPitch * column, top = kCellPitch * row;
        if (event.point.h >= left && event.point.h < left + kCellSide && event.point.v >= top &&
            event.point.v < top + kCellSide) {
          gPendingOrigin = static_cast<std::int16_t>(column * 3 + row);
          ShowOrigin(selector);
          return 1;
        }
      }
  }
  return 1;
}

// The document's ruler unit as the dialog manager's unit code.
std::int32_t DocumentUnits() {
  unsigned char text[256] = {};
  std::int32_t code = 0;
  if (sUser->GetUnitsString(0, text) == host::kNoErr && text[0] >= 2) {
    const char* tail = reinterpret_cast<const char*>(text + 1 + text[0] - 2);
    for (const UnitCode& u : kUnitCodes)
      if (std::memcmp(tail, u.tail, 2) == 0) code = u.code;
  }
  std::int32_t units = host::kAdmNoUnits;
  if (sUser->RulerUnitsToAdmUnits(code, &units) != host::kNoErr) units = host::kAdmNoUnits;
  return units;
}

void FillSpacing(host::DialogRef dialog, std::int32_t id, host::Real points) {
  host::ItemRef item = ItemOf(dialog, id);
  if (!item) return;
  if (host::ListRef list = sAdmItem->GetList(item)) {
    for (std::int32_t i = 0; i < kSpacingPresetCount; ++i) {
      host::EntryRef entry = sAdmList->InsertEntry(list, i);
      if (!entry) break;
      char text[32] = {};
      const bool loaded = sAdmBasic->GetIndexString(gGlobals->pluginRef, kSpacingPresetList, i + 1,
                                                    text, sizeof text) == host::kNoErr;
      if (!loaded || std::strcmp(text, "-") == 0) {
        sAdmEntry->MakeSeparator(entry, 1);
        sAdmEntry->Enable(entry, 0);
      } else {
        sAdmEntry->SetText(entry, text);
      }
      sAdmEntry->SetID(entry, i);
    }
  }
  sAdmItem->SetUnits(item, host::kAdmPointUnits);
  sAdmItem->SetMinFloatValue(item, 0.0f);
  sAdmItem->SetMaxFloatValue(item, kLargestSpacing);
  sAdmItem->SetFloatValue(item, points);
  sAdmItem->SetUnits(item, gDocumentUnits);
}

// The spacing typed into an item, in points; false (with a beep, the text selected) when
// it is not a number above 0.
bool ReadSpacing(host::DialogRef dialog, std::int32_t id, host::Real* points) {
  host::ItemRef item = ItemOf(dialog, id);
  if (!item) return false;
  sAdmItem->SetUnits(item, host::kAdmPointUnits);
  const host::Real value = sAdmItem->GetFloatValue(item);
  sAdmItem->SetUnits(item, gDocumentUnits);
  if (value == host::kAdmNotANumber || !(value > 0.0f)) {
    sAdmBasic->Beep();
    sAdmItem->SelectAll(item);
    return false;
  }
  *points = value;
  return true;
}

void Store(host::ItemRef button, host::NotifierRef notifier) {
  const host::DialogRef dialog = sAdmItem->GetDialog(button);
  host::Real width = 0, height = 0;
  if (!ReadSpacing(dialog, kWidthItem, &width) || !ReadSpacing(dialog, kHeightItem, &height))
    return;  // the dialog stays open
  Globals* g = gGlobals;
  auto on = [&](std::int32_t id) -> std::int32_t {
    host::ItemRef item = ItemOf(dialog, id);
    return item && sAdmItem->GetBooleanValue(item) ? 1 : 0;
  };
  g->flUseGrid = on(kGridItem);
  g->flUseFcur = on(kAnchorFitItem);
  g->flUseFcrs = on(kIntersectionFitItem);
  g->flUseFops = on(kOnPathFitItem);
  g->flGrWidth = width;
  g->flGrHeight = height;
  g->originMode = gPendingOrigin;
  sAdmItem->DefaultNotify(button, notifier);
}

host::Err SettingsInit(host::DialogRef dialog) {
  const Globals* g = gGlobals;
  gPendingOrigin = g->originMode >= 0 && g->originMode <= 8 ? g->originMode : 0;
  if (host::ItemRef selector = ItemOf(dialog, kOriginItem)) {
    sAdmItem->SetSize(selector, kSelectorSide, kSelectorSide);
    ShowOrigin(selector);
    sAdmItem->SetTrackProc(selector, HostEntry<TrackOrigin, EntryFailure::kReported>::Call);
  }
  const struct {
    std::int32_t id;
    std::int32_t value;
  } switches[] = {{kGridItem, g->flUseGrid},
                  {kAnchorFitItem, g->flUseFcur},
                  {kIntersectionFitItem, g->flUseFcrs},
                  {kOnPathFitItem, g->flUseFops}};
  for (const auto& s : switches)
    if (host::ItemRef item = ItemOf(dialog, s.id)) sAdmItem->SetBooleanValue(item, s.value != 0);
  gDocumentUnits = DocumentUnits();
  FillSpacing(dialog, kWidthItem, g->flGrWidth);
  FillSpacing(dialog, kHeightItem, g->flGrHeight);
  if (host::ItemRef store = ItemOf(dialog, kStoreItem))
    sAdmItem->SetNotifyProc(store, HostEntry<Store, EntryFailure::kReported>::Call);
  return host::kNoErr;
}

}  // namespace

std::int32_t SettingsDialog(host::WindowRef /*parent*/) {
  Trace("SettingsDialog\r\n");
  if (!gGlobals || !sAdmDialog || !sAdmItem || !sUser) return 2;
  return sAdmDialog->Modal(gGlobals->pluginRef, "Settings Dialog", kSettingsDialogId, 0,
                           HostEntry<SettingsInit>::Call, nullptr);
}

}  // namespace velm
