// The dialog manager's suites: dialogs, items, lists, entries, notifiers, drawing,
// tracking, basic services, dialog groups, icons and images.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

// Called once when a dialog is created, before it is shown. A non-zero result cancels it.
using DialogInitProc = Err (*)(DialogRef dialog);
// Called when the user uses an item (presses a button, edits a text, ...).
using ItemNotifyProc = void (*)(ItemRef item, NotifierRef notifier);

#define VELM_SUITE_ADM_DIALOG_GROUP_SUITE(OP)
VELM_DECLARE_SUITE(AdmDialogGroupSuite, "ADM Dialog Group Suite", 1,
                   VELM_SUITE_ADM_DIALOG_GROUP_SUITE)

#define VELM_SUITE_ADM_TRACKER_SUITE(OP)
VELM_DECLARE_SUITE(AdmTrackerSuite, "ADM Tracker Suite", 1, VELM_SUITE_ADM_TRACKER_SUITE)

#define VELM_SUITE_ADM_DIALOG_SUITE(OP)                                              \
  /* Runs dialog resource `dialogId` modally. `init` runs once before the dialog     \
     is shown; a non-zero result from it cancels the dialog. Returns the id of the   \
     item that ended it, or -1 when it could not be created. */                      \
  OP(std::int32_t, Modal,                                                            \
     (PluginRef plugin, const char* name, std::int32_t dialogId, std::int32_t style, \
      DialogInitProc init, void* userData))                                          \
  /* Ends a modal dialog as if item `itemId` had been pressed. */                    \
  OP(void, EndModal, (DialogRef dialog, std::int32_t itemId, Boolean cancelled))     \
  /* The item with the given id, or null. */                                         \
  OP(ItemRef, GetItem, (DialogRef dialog, std::int32_t itemId))                      \
  /* The user data given at creation. */                                             \
  OP(void*, GetUserData, (DialogRef dialog))                                         \
  /* The dialog's title text. */                                                     \
  OP(void, SetText, (DialogRef dialog, const char* text))
VELM_DECLARE_SUITE(AdmDialogSuite, "ADM Dialog Suite", 3, VELM_SUITE_ADM_DIALOG_SUITE)

#define VELM_SUITE_ADM_ITEM_SUITE(OP)                                           \
  /* Replaces the item's text. */                                               \
  OP(void, SetText, (ItemRef item, const char* text))                           \
  /* Copies the item's text (at most maxLength - 1 bytes and a terminator). */  \
  OP(void, GetText, (ItemRef item, char* text, std::int32_t maxLength))         \
  /* Installs the procedure the dialog manager calls when the item is used. */  \
  OP(void, SetNotifyProc, (ItemRef item, ItemNotifyProc proc))                  \
  /* The dialog manager's own handling of a notification (a button ends a modal \
     dialog with its id). */                                                    \
  OP(void, DefaultNotify, (ItemRef item, NotifierRef notifier))                 \
  /* The dialog the item belongs to. */                                         \
  OP(DialogRef, GetDialog, (ItemRef item))                                      \
  /* The item's id in its dialog. */                                            \
  OP(std::int32_t, GetID, (ItemRef item))
VELM_DECLARE_SUITE(AdmItemSuite, "ADM Item Suite", 4, VELM_SUITE_ADM_ITEM_SUITE)

#define VELM_SUITE_ADM_NOTIFIER_SUITE(OP)
VELM_DECLARE_SUITE(AdmNotifierSuite, "ADM Notifier Suite", 1, VELM_SUITE_ADM_NOTIFIER_SUITE)

#define VELM_SUITE_ADM_BASIC_SUITE(OP)                                            \
  /* Copies string `index` of string list `listId` of the plug-in's resources     \
     (at most maxLength - 1 bytes and a terminator). An index past the list gives \
     the empty string; a missing list is an error. */                             \
  OP(Err, GetIndexString,                                                         \
     (PluginRef plugin, std::int32_t listId, std::int32_t index, char* buffer,    \
      std::int32_t maxLength))                                                    \
  /* Sounds the system beep. */                                                   \
  OP(void, Beep, ())
VELM_DECLARE_SUITE(AdmBasicSuite, "ADM Basic Suite", 2, VELM_SUITE_ADM_BASIC_SUITE)

#define VELM_SUITE_ADM_ICON_SUITE(OP)
VELM_DECLARE_SUITE(AdmIconSuite, "ADM Icon Suite", 1, VELM_SUITE_ADM_ICON_SUITE)

#define VELM_SUITE_ADM_DRAWER_SUITE(OP)
VELM_DECLARE_SUITE(AdmDrawerSuite, "ADM Drawer Suite", 3, VELM_SUITE_ADM_DRAWER_SUITE)

#define VELM_SUITE_ADM_ENTRY_SUITE(OP)
VELM_DECLARE_SUITE(AdmEntrySuite, "ADM Entry Suite", 2, VELM_SUITE_ADM_ENTRY_SUITE)

#define VELM_SUITE_ADM_LIST_SUITE(OP)
VELM_DECLARE_SUITE(AdmListSuite, "ADM List Suite", 1, VELM_SUITE_ADM_LIST_SUITE)

#define VELM_SUITE_ADM_IMAGE_SUITE(OP)
VELM_DECLARE_SUITE(AdmImageSuite, "ADM Image Suite", 1, VELM_SUITE_ADM_IMAGE_SUITE)

}  // namespace host
