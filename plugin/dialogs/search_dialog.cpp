#include "dialogs/search_dialog.h"

#include <cstring>

#include "database/group_file.h"
#include "database/record.h"
#include "database/record_index.h"
#include "database/text_match.h"
#include "dialogs/dialog_text.h"
#include "frame/globals.h"
#include "frame/host_entry.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "platform/memory.h"

namespace velm {
namespace {

enum : std::int32_t {
  kSearchItem = 1,
  kNarrowItem = 2,
  kCancelItem = 3,
  kFieldItem = 4,
  kTextItem = 5,
  kCaseItem = 6,
  kWidthItem = 7,
  kWordItem = 8,
};
constexpr std::int32_t kFieldCount = 3;
constexpr std::int32_t kTextLength = 255;
constexpr std::size_t kShortPattern = 63;

host::ItemRef ItemOf(host::DialogRef dialog, std::int32_t id) {
  return sAdmDialog->GetItem(dialog, id);
}

bool CheckBox(host::DialogRef dialog, std::int32_t id) {
  host::ItemRef item = ItemOf(dialog, id);
  return item && sAdmItem->GetBooleanValue(item);
}

// A field of `size` bytes as a terminated text, cut to `limit` bytes.
void Terminated(const char* field, std::size_t size, std::size_t limit, char* out) {
  std::size_t n = 0;
  while (n < size && n < limit && field[n])
    ++n;
  std::memcpy(out, field, n);
  out[n] = '\0';
}

// The dialog's settings into the globals (first step of both searches).
void ReadSettings(host::DialogRef dialog) {
  Globals* g = gGlobals;
  if (host::ItemRef popup = ItemOf(dialog, kFieldItem))
    if (host::ListRef list = sAdmItem->GetList(popup))
      if (host::EntryRef chosen = sAdmList->IndexSelectedEntry(list, 0))
        g->flCnvFnMode = static_cast<std::int16_t>(sAdmEntry->GetIndex(chosen));
  if (host::ItemRef text = ItemOf(dialog, kTextItem))
    GetWholeText(text, g->flCnvFnStr, sizeof g->flCnvFnStr);
  g->flCnvCase = CheckBox(dialog, kCaseItem) ? 1 : 0;
  g->flCnvKanji = CheckBox(dialog, kWidthItem) ? 1 : 0;
  g->flCnvWord = CheckBox(dialog, kWordItem) ? 1 : 0;
}

// Whether the header of `group`'s record `number` matches; false with *readFailed set
// when it cannot be read.
bool HeaderMatches(const char* group, std::int32_t number, bool* readFailed) {
  Globals* g = gGlobals;
  *readFailed = VelmReadRecord(group, number, nullptr, kReadHeaderOnly, true) != host::kNoErr ||
                !g->currentRecord;
  if (*readFailed) return false;
  const Record* h = RecordHeader(g->currentRecord);
  return RecordMatchesSearch(h->name, h->kind, h->comment);
}

struct Scan {
  os::MemHandle* list;
};

bool ScanGroup(const char* group, void* context) {
  auto* scan = static_cast<Scan*>(context);
  const std::int32_t count = GroupRecordCount(group);
  for (std::int32_t i = 0; i < count; ++i) {
    bool failed = false;
    if (HeaderMatches(group, i, &failed)) {
      const Record* h = RecordHeader(gGlobals->currentRecord);
      char name[64], kind[64];
      Terminated(h->name, sizeof h->name, sizeof name - 1, name);
      Terminated(h->kind, sizeof h->kind, sizeof kind - 1, kind);
      VelmAddItemRIHList(*scan->list, group, i, name, kind, h->created);
    }
    if (failed) break;  // on with the next group
  }
  return true;
}

void SearchAll(host::ItemRef button, host::NotifierRef notifier) {
  const host::DialogRef dialog = sAdmItem->GetDialog(button);
  ReadSettings(dialog);
  Globals* g = gGlobals;
  SelectGroup(kSearchResultsGroup);
  ReleaseBlock(g->RIHList);
  BuildRIHList(kSearchResultsGroup);
  Scan scan{&g->RIHList};
  ListGroups(ScanGroup, &scan);
  sAdmItem->DefaultNotify(button, notifier);  // closes the dialog with 1
}

void NarrowDown(host::ItemRef button, host::NotifierRef /*notifier*/) {
  const host::DialogRef dialog = sAdmItem->GetDialog(button);
  ReadSettings(dialog);
  Globals* g = gGlobals;
  SelectGroup(kSearchResultsGroup);
  if (!g->RIHList) BuildRIHList(kSearchResultsGroup);
  os::MemHandle old = g->RIHList;
  g->RIHList = nullptr;
  BuildRIHList(kSearchResultsGroup);  // a new, empty list
  const std::int32_t count = RIHCount(old);
  for (std::int32_t i = 0; i < count; ++i) {
    // Copied out: reading a header may not disturb the old list, but the item must stay
    // valid while the new list grows.
    const RIHItem item = RIHItems(old)[i];
    bool failed = false;
    if (HeaderMatches(item.group, item.recordNumber, &failed))
      VelmAddItemRIHList(g->RIHList, item.group, item.recordNumber, item.name, item.kind,
                         item.created);
    if (failed) break;
  }
  ReleaseBlock(old);
  sAdmDialog->EndModal(dialog, kSearchItem, 0);  // a narrowing closes with 1 too
}

host::Err SearchInit(host::DialogRef dialog) {
  const Globals* g = gGlobals;
  if (host::ItemRef popup = ItemOf(dialog, kFieldItem))
    if (host::ListRef list = sAdmItem->GetList(popup)) {
      for (std::int32_t i = 0; i < kFieldCount; ++i) {
        host::EntryRef entry = sAdmList->InsertEntry(list, i);
        if (!entry) break;
        char text[64] = {};
        const bool loaded = sAdmBasic->GetIndexString(g->pluginRef, kSearchFieldList, i + 1, text,
                                                      sizeof text) == host::kNoErr;
        if (!loaded || text[0] == '-') {
          sAdmEntry->MakeSeparator(entry, 1);
          sAdmEntry->Enable(entry, 0);
        } else {
          sAdmEntry->SetText(entry, text);
        }
        sAdmEntry->SetID(entry, i);
      }
      if (host::EntryRef chosen = sAdmList->IndexEntry(list, g->flCnvFnMode))
        sAdmEntry->Select(chosen, 1);
    }
  if (host::ItemRef text = ItemOf(dialog, kTextItem)) {
    sAdmItem->SetMaxTextLength(text, kTextLength);
    char shown[sizeof g->flCnvFnStr];
    Terminated(g->flCnvFnStr, sizeof g->flCnvFnStr, sizeof shown - 1, shown);
    sAdmItem->SetText(text, shown);
  }
  const struct {
    std::int32_t id;
    std::int16_t value;
  } options[] = {{kCaseItem, g->flCnvCase}, {kWidthItem, g->flCnvKanji}, {kWordItem, g->flCnvWord}};
  for (const auto& o : options)
    if (host::ItemRef item = ItemOf(dialog, o.id)) sAdmItem->SetBooleanValue(item, o.value != 0);
  if (host::ItemRef narrow = ItemOf(dialog, kNarrowItem)) {
    const bool results = g->searchMode && RIHCount(g->RIHList) > 1;
    sAdmItem->Enable(narrow, results ? 1 : 0);
    sAdmItem->SetNotifyProc(narrow, HostEntry<NarrowDown, EntryFailure::kReported>::Call);
  }
  if (host::ItemRef search = ItemOf(dialog, kSearchItem))
    sAdmItem->SetNotifyProc(search, HostEntry<SearchAll, EntryFailure::kReported>::Call);
  // Return searches, Escape cancels.
  sAdmDialog->SetDefaultItemID(dialog, kSearchItem);
  sAdmDialog->SetCancelItemID(dialog, kCancelItem);
  return host::kNoErr;
}

}  // namespace

bool RecordMatchesSearch(const char* name, const char* kind, const char* comment) {
  const Globals* g = gGlobals;
  char pattern[sizeof g->flCnvFnStr];
  Terminated(g->flCnvFnStr, sizeof g->flCnvFnStr, sizeof pattern - 1, pattern);
  if (pattern[0] == '\0') return true;
  const char* field = name;
  std::size_t size = 64, limit = kShortPattern;
  if (g->flCnvFnMode == 1) field = kind;
  if (g->flCnvFnMode == 2) {
    field = comment;
    size = 256;
    limit = sizeof pattern - 1;
  }
  if (g->flCnvFnMode < 0 || g->flCnvFnMode > 2) return true;  // no field: no pattern
  CutToWholeCharacters(pattern, limit);
  char text[257];
  Terminated(field, size, sizeof text - 1, text);
  return FindText(text, pattern, g->flCnvCase != 0, g->flCnvKanji != 0, g->flCnvWord != 0) >= 0;
}

std::int32_t SearchDialog(host::WindowRef /*parent*/) {
  Trace("SearchDialog\r\n");
  if (!gGlobals || !sAdmDialog || !sAdmItem) return 3;
  return sAdmDialog->Modal(gGlobals->pluginRef, "Search Dialog", kSearchDialogId, 0,
                           HostEntry<SearchInit>::Call, nullptr);
}

}  // namespace velm
