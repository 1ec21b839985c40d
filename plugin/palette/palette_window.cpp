#include "palette/palette_window.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "actions/actions.h"
#include "commands/commands.h"
#include "commands/palette_view.h"
#include "database/group_file.h"
#include "database/record_index.h"
#include "dialogs/search_dialog.h"
#include "dialogs/settings_dialog.h"
#include "frame/globals.h"
#include "frame/host_entry.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "palette/record_list.h"
#include "platform/os.h"

namespace velm {
namespace {

// Keys of the palette's state in the host's preferences.
constexpr char kWriteCountKey[] = "kADM_DPWrtCountStr";
constexpr char kLocationKey[] = "kADM_DPLocationStr";
constexpr char kSizeKey[] = "kADM_DPSizeStr";
constexpr char kDockGroupKey[] = "kADM_DPDockGroupStr";
constexpr char kDockCodeKey[] = "kADM_DPDockCodeStr";
constexpr char kVisibleKey[] = "kADM_DPVisibleStr";

constexpr std::int32_t kDefaultWidth = kPaletteMinWidth;
constexpr std::int32_t kDefaultHeight = kPaletteMinHeight;
// A stored size no taller than this is not used.
constexpr std::int32_t kSmallestStoredHeight = 29;
constexpr std::int32_t kMaxGroups = 511;
constexpr std::int32_t kTextLength = 80;

const char* const kFlyoutTexts[kFlyoutEntryCount] = {
    "アイコン表示32*32",
    "アイコン表示64*64",
    "リスト表示",
    "",
    "名前順",
    "種類順",
    "日付順",
    "",
    "レコード検索...",
    "",
    "グループ追加...",
    "グループ削除...",
    "",
    "VELM-Pro 設定...",
};

bool IsSeparator(std::int32_t id) {
  return id == 3 || id == 7 || id == 9 || id == 12;
}

host::ItemRef PaletteItem(host::DialogRef dialog, std::int32_t id) {
  return dialog ? sAdmDialog->GetItem(dialog, id) : nullptr;
}

host::ListRef RecordList() {
  const Globals* g = gGlobals;
  if (!g || !g->palette) return nullptr;
  host::ItemRef item = PaletteItem(g->palette, kRecordListItem);
  return item ? sAdmItem->GetList(item) : nullptr;
}

// Record list settings of each view: list box style, entry width and height.
struct ViewLayout {
  std::int32_t style;
  std::int32_t entryWidth;
  std::int32_t entryHeight;
};
ViewLayout LayoutOfView(std::int16_t toolMode) {
  switch (toolMode) {
    case 2:
      return {54, 65, 65};
    case 3:
      return {50, 640, 20};
    default:
      return {54, 33, 33};
  }
}

host::Rect ItemRect(std::int32_t id, std::int32_t w, std::int32_t h) {
  switch (id) {
    case kRecordListItem:
      return {-1, -1, w + 1, h - 16};
    case kSeparatorItem:
      return {0, h - 17, w, h - 16};
    case kAddButtonItem:
      return {w - 78, h - 17, w - 46, h};
    case kRemoveButtonItem:
      return {w - 47, h - 17, w - 16, h};
    default:  // the group popup
      return {-1, h - 17, w - 78, h};
  }
}

void CreatePaletteItem(host::DialogRef dialog, std::int32_t id, const host::Rect& rect) {
  const Globals* g = gGlobals;
  switch (id) {
    case kRecordListItem: {
      host::ItemRef item = sAdmDialog->CreateItem(dialog, id, host::kAdmListBoxType, &rect);
      if (!item) return;
      const ViewLayout view = LayoutOfView(g->toolMode);
      sAdmItem->SetItemStyle(item, view.style);
      sAdmItem->SetCursorID(item, kRecordListCursorId);
      if (host::ListRef list = sAdmItem->GetList(item)) {
        sAdmList->SetEntryWidth(list, view.entryWidth);
        sAdmList->SetEntryHeight(list, view.entryHeight);
        sAdmList->SetDrawProc(list, HostEntry<ImageItemDrawProc>::Call);
        sAdmList->SetTrackProc(list, HostEntry<ImageItemTrackProc, EntryFailure::kReported>::Call);
      }
      break;
    }
    case kSeparatorItem:
      if (host::ItemRef item = sAdmDialog->CreateItem(dialog, id, host::kAdmFrameType, &rect))
        sAdmItem->SetDrawProc(item, HostEntry<DrawSeparator>::Call);
      break;
    case kAddButtonItem:
    case kRemoveButtonItem: {
      host::ItemRef item =
          sAdmDialog->CreateItem(dialog, id, host::kAdmPicturePushButtonType, &rect);
      if (!item) return;
      const std::int32_t picture = id == kAddButtonItem ? kAddPictureId : kRemovePictureId;
      sAdmItem->SetItemStyle(item, 1);
      sAdmItem->SetPictureID(item, picture);
      sAdmItem->SetSelectedPictureID(item, picture);
      sAdmItem->SetDisabledPictureID(item, picture);
      sAdmItem->Enable(item, 0);
      sAdmItem->SetNotifyProc(item, HostEntry<PaletteNotify, EntryFailure::kReported>::Call);
      break;
    }
    default: {
      host::ItemRef item = sAdmDialog->CreateItem(dialog, id, host::kAdmPopupListType, &rect);
      if (!item) return;
      sAdmItem->SetItemStyle(item, 1);
      sAdmItem->SetNotifyProc(item, HostEntry<PaletteNotify, EntryFailure::kReported>::Call);
      FillGroupPopup(dialog);
      break;
    }
  }
}

void SetSortChecks(host::ListRef menu) {
  const Globals* g = gGlobals;
  for (std::int32_t id = kFlyoutSortName; id <= kFlyoutSortDate; ++id)
    if (host::EntryRef e = sAdmList->IndexEntry(menu, id))
      sAdmEntry->Check(e, g->sortMode == id - kFlyoutSortName ? 1 : 0);
}

void InitFlyout(host::DialogRef dialog) {
  host::ItemRef menuItem = PaletteItem(dialog, host::kAdmFlyoutMenuItemId);
  if (!menuItem) return;
  host::ListRef menu = sAdmItem->GetList(menuItem);
  if (!menu) return;
  sAdmItem->Show(menuItem, 1);
  sAdmItem->Enable(menuItem, 1);
  const Globals* g = gGlobals;
  for (std::int32_t id = 0; id < kFlyoutEntryCount; ++id) {
    host::EntryRef e = sAdmList->InsertEntry(menu, id);
    if (!e) continue;
    sAdmEntry->SetText(e, kFlyoutTexts[id]);
    sAdmEntry->SetID(e, id);
    if (IsSeparator(id)) {
      sAdmEntry->MakeSeparator(e, 1);
      sAdmEntry->Enable(e, 0);
    }
    if (id <= kFlyoutList) sAdmEntry->Check(e, g->toolMode == id + 1 ? 1 : 0);
  }
  SetSortChecks(menu);
  sAdmItem->SetNotifyProc(menuItem, HostEntry<PaletteNotify, EntryFailure::kReported>::Call);
}

std::int32_t Clamp(std::int32_t v, std::int32_t lo, std::int32_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// The stored place and size, or the first-run ones.
void RestoreGeometry(host::DialogRef dialog) {
  std::int32_t count = 0;
  if (sPreference->GetIntegerPreference(kPaletteName, kWriteCountKey, &count)) count = 0;
  host::Point location{kPaletteDefaultLeft, kPaletteDefaultTop};
  host::Point size{kDefaultWidth, kDefaultHeight};
  sAdmDialog->SetMinWidth(dialog, kPaletteMinWidth);
  sAdmDialog->SetMinHeight(dialog, kPaletteMinHeight);
  sAdmDialog->SetMaxWidth(dialog, kPaletteMaxWidth);
  sAdmDialog->SetMaxHeight(dialog, kPaletteMaxHeight);
  char dockGroup[64] = "";
  std::int32_t dockCode = 0;
  if (count != 0) {
    host::Point stored{};
    if (!sPreference->GetPointPreference(kPaletteName, kLocationKey, &stored)) location = stored;
    if (!sPreference->GetPointPreference(kPaletteName, kSizeKey, &stored) &&
        stored.v > kSmallestStoredHeight)
      size = stored;
    if (sPreference->GetStringPreference(kPaletteName, kDockGroupKey, dockGroup, sizeof dockGroup))
      dockGroup[0] = '\0';
    if (sPreference->GetIntegerPreference(kPaletteName, kDockCodeKey, &dockCode)) dockCode = 0;
  }
  // Stored nonsense (a size past the limits, a place that overflows) still gives a palette
  // within its limits; the host keeps it on the screen.
  size.h = Clamp(size.h, kPaletteMinWidth, kPaletteMaxWidth);
  size.v = Clamp(size.v, kPaletteMinHeight, kPaletteMaxHeight);
  location.h = Clamp(location.h, -0x10000, 0x10000);
  location.v = Clamp(location.v, -0x10000, 0x10000);
  const host::Rect bounds{location.h, location.v, location.h + size.h, location.v + size.v};
  sAdmDialog->SetBoundsRect(dialog, &bounds);
  if (count != 0) sAdmDialogGroup->SetDialogGroupInfo(dialog, dockGroup, dockCode);
}

// Byte-wise comparison ignoring ASCII case.
int CompareIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y || x == 0) return x < y ? -1 : (x > y ? 1 : 0);
  }
}

struct GroupNames {
  char names[kMaxGroups][kGroupNameSize];
  std::int32_t count = 0;
};

// Inserts before the first name that sorts after it, so equal names keep their order.
bool CollectGroup(const char* group, void* context) {
  auto* list = static_cast<GroupNames*>(context);
  if (list->count >= kMaxGroups) return false;
  std::int32_t at = list->count;
  for (std::int32_t i = 0; i < list->count; ++i)
    if (CompareIgnoringCase(list->names[i], group) > 0) {
      at = i;
      break;
    }
  std::memmove(list->names[at + 1], list->names[at],
               static_cast<std::size_t>(list->count - at) * kGroupNameSize);
  std::strncpy(list->names[at], group, kGroupNameSize - 1);
  list->names[at][kGroupNameSize - 1] = '\0';
  ++list->count;
  return true;
}

// After a change of the group popup (or a flyout choice that needs it): its group
// becomes current when it differs.
void GroupFollowUp() {
  Globals* g = gGlobals;
  char text[kTextLength] = "";
  if (host::ItemRef popup = PaletteItem(g->palette, kGroupPopupItem))
    sAdmItem->GetText(popup, text, kTextLength);
  if (text[0] && std::strcmp(text, g->currentGroup) != 0) {
    SelectGroup(text);
    FillRecordList(g->palette);
  }
}

void ChangeView(std::int16_t view) {
  Globals* g = gGlobals;
  if (view == g->toolMode) return;
  const std::int32_t selected = SelectedRecordEntry();
  g->toolMode = view;
  RebuildPalette();
  if (selected >= 0) SelectRecordEntry(selected);
}

void ChangeSort(std::int16_t sort, host::ListRef menu) {
  Globals* g = gGlobals;
  if (sort == g->sortMode) return;
  char group[64] = "";
  std::int32_t number = -1;
  bool noted = false;
  const std::int32_t selected = SelectedRecordEntry();
  if (selected >= 0) {
    noted = GetRIHItem(selected, group, number);
    if (host::ListRef list = RecordList())
      if (host::EntryRef e = sAdmList->IndexEntry(list, selected)) sAdmEntry->Select(e, 0);
  }
  ResortRIHList(sort);
  if (g->palette) RedrawRecordList();
  SetSortChecks(menu);
  if (noted) {
    const std::int32_t position = FindRIHItem(group, number);
    if (position >= 0) SelectRecordEntry(position);
  }
}

void FlyoutChosen(host::ItemRef menuItem) {
  Globals* g = gGlobals;
  char text[kTextLength] = "";
  sAdmItem->GetText(menuItem, text, kTextLength);
  host::ListRef menu = sAdmItem->GetList(menuItem);
  if (!text[0] || !menu) {
    GroupFollowUp();
    return;
  }
  std::int32_t chosen = -1;
  for (std::int32_t id = 0; id < kFlyoutEntryCount && chosen < 0; ++id) {
    if (IsSeparator(id) || std::strcmp(text, kFlyoutTexts[id]) != 0) continue;
    chosen = id;
    if (host::EntryRef e = sAdmList->IndexEntry(menu, id)) sAdmEntry->Select(e, 0);
  }
  const auto parent = reinterpret_cast<host::WindowRef>(g->pluginRef);
  switch (chosen) {
    case kFlyoutIcons32:
    case kFlyoutIcons64:
    case kFlyoutList:
      ChangeView(static_cast<std::int16_t>(chosen + 1));
      break;
    case kFlyoutSortName:
    case kFlyoutSortKind:
    case kFlyoutSortDate:
      ChangeSort(static_cast<std::int16_t>(chosen - kFlyoutSortName), menu);
      break;
    case kFlyoutSearch:
      if (SearchDialog(parent) == 1) RebuildPalette();
      break;
    case kFlyoutNewGroup:
      NewGroup(g->currentGroup, true);
      break;
    case kFlyoutRemoveGroup:
      RmvGroup(g->currentGroup, true);
      break;
    case kFlyoutSettings:
      SettingsDialog(parent);
      GroupFollowUp();
      break;
    default:
      GroupFollowUp();
      break;
  }
}

// Enables or disables an item when its state differs from `enable`.
void EnableWhen(host::ItemRef item, bool enable) {
  if (item && (sAdmItem->IsEnabled(item) != 0) != enable) sAdmItem->Enable(item, enable ? 1 : 0);
}

// A retired palette waits for the next tick, since a callback of it may still be running.
// A second rebuild before that tick comes from a callback of the newer palette, so the
// older retired one has no callback left running and goes at once.
void Retire(host::DialogRef dialog) {
  Globals* g = gGlobals;
  if (g->retiredPalette) sAdmDialog->Destroy(g->retiredPalette);
  g->retiredPalette = dialog;
}

}  // namespace

namespace {

// The commands' view of this palette.
class CommandsView final : public PaletteView {
 public:
  void Rebuild() override { RebuildPalette(); }
  void FillRecordList() override {
    if (gGlobals) velm::FillRecordList(gGlobals->palette);
  }
  void ShowGroupInPopup(const char* group) override { velm::ShowGroupInPopup(group); }
  std::int32_t SelectedRecordEntry() override { return velm::SelectedRecordEntry(); }
  void SelectRecordEntry(std::int32_t position) override { velm::SelectRecordEntry(position); }
  void RemoveRecordEntry(std::int32_t position) override { velm::RemoveRecordEntry(position); }
  std::int32_t RecordEntryCount() override { return velm::RecordEntryCount(); }
  void RedrawRecordList() override { velm::RedrawRecordList(); }
};

CommandsView sCommandsView;

}  // namespace

void CreatePalette() {
  Globals* g = gGlobals;
  // One palette for the run: a second notice of the application's start makes no other.
  if (!g || g->palette) return;
  Trace("CreatePalette_START\r\n");
  SetPaletteView(&sCommandsView);
  g->palette = sAdmDialog->Create(g->pluginRef, kPaletteName, kPaletteDialogId, kPaletteStyle,
                                  HostEntry<InitPalette>::Call, nullptr);
  Trace("CreatePalette_END\r\n");
}

host::Err InitPalette(host::DialogRef dialog) {
  Globals* g = gGlobals;
  host::ContextHandle context = nullptr;
  if (sContext) sContext->PushAppContext(g->pluginRef, &context);
  if (host::Err err = AcquireSuites(g->basicSuite)) {
    if (sContext) sContext->PopAppContext(context);
    return err;
  }
  // The application context is popped however the initialisation ends.
  const host::Err err = CatchAtEntry<host::Err>([&] {
    InitFlyout(dialog);
    RestoreGeometry(dialog);
    for (std::int32_t& edge : g->paletteLayoutRect)
      edge = 0;
    LayoutPalette(dialog);
    if (host::ItemRef add = PaletteItem(dialog, kAddButtonItem))
      sAdmItem->SetTipString(add, "新規");
    if (host::ItemRef remove = PaletteItem(dialog, kRemoveButtonItem))
      sAdmItem->SetTipString(remove, "削除");
    return host::kNoErr;
  });
  if (sContext) sContext->PopAppContext(context);
  return err;
}

void LayoutPalette(host::DialogRef dialog) {
  Globals* g = gGlobals;
  if (!g || !dialog) return;
  host::Rect local{};
  sAdmDialog->GetLocalRect(dialog, &local);
  if (local.right == g->paletteLayoutRect[2] && local.bottom == g->paletteLayoutRect[3]) return;
  g->paletteLayoutRect[0] = local.left;
  g->paletteLayoutRect[1] = local.top;
  g->paletteLayoutRect[2] = local.right;
  g->paletteLayoutRect[3] = local.bottom;
  const std::int32_t w = local.right - local.left, h = local.bottom - local.top;
  for (std::int32_t id :
       {kRecordListItem, kSeparatorItem, kAddButtonItem, kRemoveButtonItem, kGroupPopupItem}) {
    const host::Rect rect = ItemRect(id, w, h);
    if (host::ItemRef item = PaletteItem(dialog, id))
      sAdmItem->SetBoundsRect(item, &rect);
    else
      CreatePaletteItem(dialog, id, rect);
  }
  sAdmDialog->Invalidate(dialog);
}

void FillGroupPopup(host::DialogRef dialog) {
  Globals* g = gGlobals;
  host::ItemRef popup = PaletteItem(dialog, kGroupPopupItem);
  host::ListRef list = popup ? sAdmItem->GetList(popup) : nullptr;
  if (!list) return;
  char base[kPathSize];
  if (GetBaseFolder(base)) return;
  // Without memory for the names the popup stays empty, as without a base folder.
  const std::unique_ptr<GroupNames> names(new (std::nothrow) GroupNames);
  if (!names) return;
  ListGroups(CollectGroup, names.get());

  std::int32_t selected = -1;
  for (std::int32_t i = 0; i < names->count; ++i) {
    host::EntryRef e = sAdmList->InsertEntry(list, i);
    if (!e) continue;
    sAdmEntry->SetText(e, names->names[i]);
    sAdmEntry->SetID(e, i);
    if (selected < 0 && std::strcmp(names->names[i], g->currentGroup) == 0) selected = i;
  }
  std::int32_t position = names->count;
  if (names->count == 0) {
    if (host::EntryRef e = sAdmList->InsertEntry(list, 0)) {
      sAdmEntry->SetText(e, "UNTITLED");
      sAdmEntry->SetID(e, 0);
    }
    position = 1;
  }
  if (host::EntryRef e = sAdmList->InsertEntry(list, position)) {
    sAdmEntry->SetText(e, kSearchResultsGroup);
    sAdmEntry->SetID(e, position);
    if (selected < 0 && std::strcmp(g->currentGroup, kSearchResultsGroup) == 0) selected = position;
  }
  if (selected < 0) selected = position - 1;
  host::EntryRef chosen = sAdmList->IndexEntry(list, selected);
  if (!chosen) return;
  sAdmEntry->Select(chosen, 1);
  char text[kGroupNameSize] = "";
  sAdmEntry->GetText(chosen, text, sizeof text);
  SelectGroup(text);
  FillRecordList(dialog);
}

void FillRecordList(host::DialogRef dialog) {
  Globals* g = gGlobals;
  host::ItemRef item = PaletteItem(dialog, kRecordListItem);
  host::ListRef list = item ? sAdmItem->GetList(item) : nullptr;
  if (!list) return;
  for (std::int32_t n = sAdmList->NumberOfEntries(list); n > 0; --n)
    sAdmList->RemoveEntry(list, n - 1);
  // One entry for each record the index holds: the records that read, never more than
  // the group file's count word claims (a damaged word may claim millions).
  if (!g->RIHList) BuildRIHList(g->currentGroup);
  const std::int32_t count = g->RIHList ? RIHCount(g->RIHList) : 0;
  for (std::int32_t i = 0; i < count; ++i)
    if (!sAdmList->InsertEntry(list, -1)) break;
  sAdmItem->Invalidate(item);
}

void DrawSeparator(host::ItemRef item, host::DrawerRef drawer) {
  host::Rect bounds{};
  sAdmItem->GetBoundsRect(item, &bounds);
  const host::AdmRgbColor black{0, 0, 0};
  sAdmDrawer->SetRGBColor(drawer, &black);
  const host::Point from{0, 0}, to{bounds.right - bounds.left, 0};
  sAdmDrawer->DrawLine(drawer, &from, &to);
}

namespace {

// The database folder as the group popup was last compared with it, and the ticks since
// it was looked at: once every kGroupFolderTicks ticks (about two seconds), since asking
// the platform about a path allocates and the ticks between allocate nothing.
os::FileStamp sGroupFolderStamp{};
constexpr std::int32_t kGroupFolderTicks = 4;
std::int32_t sGroupFolderTick = 0;

// Groups made or removed by another program (a file copied in, deleted, renamed): the
// folder's stamp moves, and when the groups it holds differ from the popup's the popup
// is filled again (a removed current group gives way to another).
void FollowGroupFolder(host::DialogRef dialog) {
  const Globals* g = gGlobals;
  char base[kPathSize], folder[kPathSize];
  os::FileStamp stamp{};
  if (sGroupFolderTick++ % kGroupFolderTicks != 0 || g->searchMode != 0 || GetBaseFolder(base) ||
      !DatabaseFolderPath(base, folder) || !os::FileGetStamp(folder, &stamp) ||
      stamp == sGroupFolderStamp)
    return;
  sGroupFolderStamp = stamp;
  host::ItemRef popup = PaletteItem(dialog, kGroupPopupItem);
  host::ListRef list = popup ? sAdmItem->GetList(popup) : nullptr;
  const std::unique_ptr<GroupNames> names(new (std::nothrow) GroupNames);
  if (!list || !names) return;
  ListGroups(CollectGroup, names.get());
  // The popup lists the groups, then the search results (a placeholder without groups).
  const std::int32_t listed = sAdmList->NumberOfEntries(list);
  bool same = listed == std::max<std::int32_t>(names->count, 1) + 1;
  for (std::int32_t i = 0; same && i < names->count; ++i) {
    char text[kGroupNameSize] = "";
    sAdmEntry->GetText(sAdmList->IndexEntry(list, i), text, sizeof text);
    same = std::strcmp(text, names->names[i]) == 0;
  }
  if (same) return;
  for (std::int32_t n = listed; n > 0; --n)
    sAdmList->RemoveEntry(list, n - 1);
  FillGroupPopup(dialog);
  sAdmItem->Invalidate(popup);
}

}  // namespace

void RefreshPalette() {
  Globals* g = gGlobals;
  if (!g || !g->palette) return;
  if (g->retiredPalette) {
    sAdmDialog->Destroy(g->retiredPalette);
    g->retiredPalette = nullptr;
  }
  FollowGroupFolder(g->palette);
  LayoutPalette(g->palette);
  UpdateHoverLabel(g->palette);
  EnableWhen(PaletteItem(g->palette, kAddButtonItem),
             g->searchMode == 0 && HasCapturableSelection());
  EnableWhen(PaletteItem(g->palette, kRemoveButtonItem), SelectedRecordEntry() >= 0);
}

void PaletteNotify(host::ItemRef item, host::NotifierRef notifier) {
  Globals* g = gGlobals;
  if (!g || g->notifyBusy) return;
  const ScopedFlag busy(g->notifyBusy);  // cleared however the command ends
  if (sAdmNotifier->IsNotifierType(notifier, host::kAdmUserChangedNotifier)) {
    switch (sAdmItem->GetID(item)) {
      case kAddButtonItem:
        AddRecord(g->currentGroup, nullptr, nullptr, nullptr, true);
        break;
      case kRemoveButtonItem:
        RmvRecord(g->currentGroup, -1, true);
        break;
      case kGroupPopupItem:
        GroupFollowUp();
        UpdateHoverLabel(g->palette);
        break;
      case host::kAdmFlyoutMenuItemId:
        FlyoutChosen(item);
        break;
      default:
        break;
    }
  }
}

void RebuildPalette() {
  Globals* g = gGlobals;
  if (!g || !g->palette) return;
  SavePaletteState(g->palette);
  sAdmDialog->Show(g->palette, 0);
  Retire(g->palette);
  g->palette = nullptr;
  CreatePalette();
}

void SavePaletteState(host::DialogRef dialog) {
  if (!dialog) return;
  char dockGroup[64] = "";
  std::int32_t dockCode = 0;
  sAdmDialogGroup->GetDialogGroupInfo(dialog, dockGroup, sizeof dockGroup, &dockCode);
  host::Rect bounds{};
  sAdmDialog->GetBoundsRect(dialog, &bounds);
  const host::Boolean visible = sAdmDialog->IsVisible(dialog);
  sPreference->PutIntegerPreference(kPaletteName, kDockCodeKey, dockCode);
  sPreference->PutStringPreference(kPaletteName, kDockGroupKey, dockGroup);
  const host::Point location{bounds.left, bounds.top};
  sPreference->PutPointPreference(kPaletteName, kLocationKey, &location);
  const host::Point size{static_cast<std::int16_t>(bounds.right - bounds.left),
                         static_cast<std::int16_t>(bounds.bottom - bounds.top)};
  sPreference->PutPointPreference(kPaletteName, kSizeKey, &size);
  sPreference->PutBooleanPreference(kPaletteName, kVisibleKey, visible);
  // A count that cannot be read (the first save) counts as 0: this save makes it 1, so
  // that the next palette opens where this one was.
  std::int32_t count = 0;
  if (sPreference->GetIntegerPreference(kPaletteName, kWriteCountKey, &count) || count < 0)
    count = 0;
  sPreference->PutIntegerPreference(kPaletteName, kWriteCountKey, count + 1);
}

// ---- The record list as the commands use it ----

std::int32_t SelectedRecordEntry() {
  host::ListRef list = RecordList();
  host::EntryRef e = list ? sAdmList->IndexSelectedEntry(list, 0) : nullptr;
  return e ? sAdmEntry->GetIndex(e) : -1;
}

void SelectRecordEntry(std::int32_t position) {
  host::ListRef list = RecordList();
  if (!list) return;
  for (host::EntryRef e; (e = sAdmList->IndexSelectedEntry(list, 0)) != nullptr;)
    sAdmEntry->Select(e, 0);
  if (host::EntryRef e = sAdmList->IndexEntry(list, position)) sAdmEntry->Select(e, 1);
  RedrawRecordList();
}

void RemoveRecordEntry(std::int32_t position) {
  if (host::ListRef list = RecordList()) sAdmList->RemoveEntry(list, position);
}

std::int32_t RecordEntryCount() {
  host::ListRef list = RecordList();
  return list ? sAdmList->NumberOfEntries(list) : 0;
}

void RedrawRecordList() {
  const Globals* g = gGlobals;
  if (!g || !g->palette) return;
  if (host::ItemRef item = PaletteItem(g->palette, kRecordListItem)) sAdmItem->Invalidate(item);
}

void ShowGroupInPopup(const char* group) {
  const Globals* g = gGlobals;
  if (!g || !g->palette || !group) return;
  host::ItemRef popup = PaletteItem(g->palette, kGroupPopupItem);
  host::ListRef list = popup ? sAdmItem->GetList(popup) : nullptr;
  if (!list) return;
  const std::int32_t n = sAdmList->NumberOfEntries(list);
  for (std::int32_t i = 0; i < n; ++i) {
    host::EntryRef e = sAdmList->IndexEntry(list, i);
    char text[kGroupNameSize] = "";
    sAdmEntry->GetText(e, text, sizeof text);
    if (std::strcmp(text, group) == 0) {
      sAdmEntry->Select(e, 1);
      return;
    }
  }
}

}  // namespace velm
