#include "dialogs/record_dialog.h"

#include <cstdio>
#include <cstring>

#include "database/group_file.h"
#include "database/record.h"
#include "database/record_time.h"
#include "dialogs/dialog_text.h"
#include "frame/globals.h"
#include "frame/host_entry.h"
#include "frame/suites.h"
#include "frame/trace.h"

namespace velm {
namespace {

enum : std::int32_t {
  kRegisterItem = 1,
  kNameItem = 7,
  kKindItem = 8,
  kGroupItem = 10,
  kCommentItem = 12,
  kPreviewItem = 13,
  kCreatedItem = 14,
  kModifiedItem = 15,
};
constexpr std::int32_t kShortFieldLength = 63;
constexpr std::int32_t kCommentLength = 255;
constexpr char kNoGroupYet[] = "UNTITLED";
constexpr char kCreatedFormat[] = "作成日: %2.2d/%2.2d/%2.2d %2.2d:%2.2d";
constexpr char kModifiedFormat[] = "修正日: %2.2d/%2.2d/%2.2d %2.2d:%2.2d";
constexpr int kThumbnailSide = 128;

host::ItemRef ItemOf(host::DialogRef dialog, std::int32_t id) {
  return sAdmDialog->GetItem(dialog, id);
}

void SetDateLine(host::DialogRef dialog, std::int32_t id, const char* format, RecordTime time) {
  const os::SystemTime t = RecordTimeToLocalTime(time);
  char text[64];
  std::snprintf(text, sizeof text, format, t.year % 100, t.month, t.day, t.hour, t.minute);
  if (host::ItemRef item = ItemOf(dialog, id)) sAdmItem->SetText(item, text);
}

// A field of `size` bytes as text: up to its NUL, never past it.
void SetFieldText(host::DialogRef dialog, std::int32_t id, const char* field, std::size_t size,
                  std::int32_t limit) {
  host::ItemRef item = ItemOf(dialog, id);
  if (!item) return;
  char text[256] = {};
  std::size_t n = 0;
  while (n < size && n < sizeof text - 1 && field[n])
    ++n;
  std::memcpy(text, field, n);
  sAdmItem->SetMaxTextLength(item, limit);
  sAdmItem->SetText(item, text);
}

struct GroupFill {
  host::ListRef list;
  std::int32_t count;
};

bool AddGroup(const char* group, void* context) {
  auto* fill = static_cast<GroupFill*>(context);
  if (host::EntryRef entry = sAdmList->InsertEntry(fill->list, fill->count)) {
    sAdmEntry->SetText(entry, group);
    sAdmEntry->SetID(entry, fill->count);
    ++fill->count;
  }
  return true;
}

// The groups in the order the folder lists them; targetGroup selected, or the last one.
void FillGroups(host::DialogRef dialog) {
  host::ItemRef popup = ItemOf(dialog, kGroupItem);
  host::ListRef list = popup ? sAdmItem->GetList(popup) : nullptr;
  if (!list) return;
  GroupFill fill{list, 0};
  ListGroups(AddGroup, &fill);
  if (fill.count == 0) AddGroup(kNoGroupYet, &fill);
  host::EntryRef chosen = nullptr;
  for (std::int32_t i = 0; i < fill.count && !chosen; ++i) {
    host::EntryRef entry = sAdmList->IndexEntry(list, i);
    char text[64] = {};
    sAdmEntry->GetText(entry, text, sizeof text);
    if (std::strcmp(text, gGlobals->targetGroup) == 0) chosen = entry;
  }
  if (!chosen) chosen = sAdmList->IndexEntry(list, fill.count - 1);
  if (chosen) sAdmEntry->Select(chosen, 1);
}

// Reads an item's text into a field of `size` bytes (at most size - 1 bytes are kept, no
// double-byte character split).
void ReadField(host::DialogRef dialog, std::int32_t id, char* field, std::size_t size) {
  if (host::ItemRef item = ItemOf(dialog, id)) GetWholeText(item, field, size);
}

void Register(host::ItemRef button, host::NotifierRef notifier) {
  const host::DialogRef dialog = sAdmItem->GetDialog(button);
  Globals* g = gGlobals;
  if (g->currentRecord) {
    Record* header = RecordHeader(g->currentRecord);
    ReadField(dialog, kNameItem, header->name, sizeof header->name);
    ReadField(dialog, kKindItem, header->kind, sizeof header->kind);
    ReadField(dialog, kCommentItem, header->comment, sizeof header->comment);
  }
  ReadField(dialog, kGroupItem, g->targetGroup, sizeof g->targetGroup);
  sAdmItem->DefaultNotify(button, notifier);
}

// The thumbnail at the item's top-left corner, on white.
void DrawPreview(host::ItemRef /*item*/, host::DrawerRef drawer) {
  const host::Rect square{0, 0, kThumbnailSide, kThumbnailSide};
  const host::AdmRgbColor white{0xFFFF, 0xFFFF, 0xFFFF};
  sAdmDrawer->SetRGBColor(drawer, &white);
  sAdmDrawer->FillRect(drawer, &square);
  const Globals* g = gGlobals;
  if (!g || !g->currentRecord) return;
  // Copied out first: the record may be replaced while the dialog draws.
  static std::uint8_t pixels[kThumbnailSize];
  std::memcpy(pixels, g->currentRecord + kThumbnailOffset, sizeof pixels);
  for (int y = 0; y < kThumbnailSide; ++y)
    for (int x = 0; x < kThumbnailSide; ++x) {
      const std::uint8_t* p = pixels + (y * kThumbnailSide + x) * 4;
      const host::AdmRgbColor c{static_cast<std::uint16_t>(p[1] * 257),
                                static_cast<std::uint16_t>(p[2] * 257),
                                static_cast<std::uint16_t>(p[3] * 257)};
      sAdmDrawer->SetRGBColor(drawer, &c);
      const host::Rect dot{x, y, x + 1, y + 1};
      sAdmDrawer->FillRect(drawer, &dot);
    }
}

host::Err RecordDialogInit(host::DialogRef dialog) {
  const Globals* g = gGlobals;
  if (g->currentRecord) {
    const Record* header = RecordHeader(g->currentRecord);
    SetDateLine(dialog, kCreatedItem, kCreatedFormat, header->created);
    SetDateLine(dialog, kModifiedItem, kModifiedFormat, header->modified);
    SetFieldText(dialog, kNameItem, header->name, sizeof header->name, kShortFieldLength);
    SetFieldText(dialog, kKindItem, header->kind, sizeof header->kind, kShortFieldLength);
    SetFieldText(dialog, kCommentItem, header->comment, sizeof header->comment, kCommentLength);
  } else {
    SetFieldText(dialog, kNameItem, "", 1, kShortFieldLength);
    SetFieldText(dialog, kKindItem, "", 1, kShortFieldLength);
    SetFieldText(dialog, kCommentItem, "", 1, kCommentLength);
  }
  FillGroups(dialog);
  if (host::ItemRef ok = ItemOf(dialog, kRegisterItem))
    sAdmItem->SetNotifyProc(ok, HostEntry<Register, EntryFailure::kReported>::Call);
  if (host::ItemRef preview = ItemOf(dialog, kPreviewItem))
    sAdmItem->SetDrawProc(preview, HostEntry<DrawPreview>::Call);
  return host::kNoErr;
}

}  // namespace

std::int32_t RecordDialog(host::WindowRef /*parent*/, const char* proposedGroup) {
  Trace("RecordDialog\r\n");
  Globals* g = gGlobals;
  if (!g || !sAdmDialog || !sAdmItem) return 2;
  std::size_t n = 0;
  while (proposedGroup && n < sizeof g->targetGroup - 1 && proposedGroup[n])
    ++n;
  if (n) std::memcpy(g->targetGroup, proposedGroup, n);
  g->targetGroup[n] = '\0';
  return sAdmDialog->Modal(g->pluginRef, "Record Dialog", kRecordDialogId, 0,
                           HostEntry<RecordDialogInit>::Call, nullptr);
}

}  // namespace velm
