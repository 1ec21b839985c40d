#include "dialogs/group_dialogs.h"

#include <cstring>

#include "dialogs/dialog_text.h"
#include "frame/globals.h"
#include "frame/host_entry.h"
#include "frame/suites.h"
#include "frame/trace.h"

namespace velm {
namespace {

constexpr std::int32_t kOkItem = 1;
constexpr std::int32_t kNameItem = 5;
constexpr std::int32_t kMessageItem = 3;
constexpr std::int32_t kMessageIconItem = 4;
constexpr std::int32_t kDeleteIconItem = 3;
constexpr std::int32_t kIconSide = 32;

void SizeIcon(host::DialogRef dialog, std::int32_t itemId) {
  if (host::ItemRef icon = sAdmDialog->GetItem(dialog, itemId))
    sAdmItem->SetSize(icon, kIconSide, kIconSide);
}

void StoreGroupName(host::ItemRef ok, host::NotifierRef notifier) {
  const host::DialogRef dialog = sAdmItem->GetDialog(ok);
  Globals* g = gGlobals;
  if (host::ItemRef name = sAdmDialog->GetItem(dialog, kNameItem); name && g)
    GetWholeText(name, g->currentGroup, sizeof g->currentGroup);
  sAdmItem->DefaultNotify(ok, notifier);
}

host::Err NewGroupInit(host::DialogRef dialog) {
  if (host::ItemRef ok = sAdmDialog->GetItem(dialog, kOkItem))
    sAdmItem->SetNotifyProc(ok, HostEntry<StoreGroupName, EntryFailure::kReported>::Call);
  return host::kNoErr;
}

host::Err MessageInit(host::DialogRef dialog) {
  if (host::ItemRef message = sAdmDialog->GetItem(dialog, kMessageItem); message && gGlobals)
    sAdmItem->SetText(message, gGlobals->messageText);
  SizeIcon(dialog, kMessageIconItem);
  return host::kNoErr;
}

host::Err DeleteRecordInit(host::DialogRef dialog) {
  SizeIcon(dialog, kDeleteIconItem);
  return host::kNoErr;
}

std::int32_t Run(const char* name, std::int32_t dialogId, host::DialogInitProc init) {
  if (!gGlobals || !sAdmDialog || !sAdmItem) return 0;
  return sAdmDialog->Modal(gGlobals->pluginRef, name, dialogId, 0, init, nullptr);
}

}  // namespace

std::int32_t NewGroupDialog(host::WindowRef /*parent*/) {
  Trace("NewGroupDialog\r\n");
  return Run("New Group Dialog", kNewGroupDialogId, HostEntry<NewGroupInit>::Call);
}

std::int32_t MessageDialog(host::WindowRef /*parent*/, std::int32_t confirm, const char* text) {
  Trace("MessageDialog\r\n");
  Globals* g = gGlobals;
  if (!g) return 0;
  std::size_t length = 0;
  while (text && length < sizeof g->messageText - 1 && text[length])
    ++length;
  const std::size_t n = WholeCharacters(text ? text : "", length);
  if (n) std::memcpy(g->messageText, text, n);
  g->messageText[n] = '\0';
  return Run(confirm == 1 ? "Confirmation Dialog" : "Error Message Dialog",
             confirm == 1 ? kConfirmDialogId : kErrorMessageDialogId, HostEntry<MessageInit>::Call);
}

std::int32_t DeleteRecordDialog(host::WindowRef /*parent*/) {
  Trace("DeleteRecordDialog\r\n");
  return Run("Delete Record Dialog", kDeleteRecordDialogId, HostEntry<DeleteRecordInit>::Call);
}

}  // namespace velm
