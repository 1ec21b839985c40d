// The objects that tie the plug-in to the application's life: menu items, timers,
// notifiers and the actions of the action manager. Their messages reach PluginMain.
#pragma once

#include "host/art_types.h"
#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_MENU_SUITE(OP)                                                               \
  /* Adds a menu item named `name` to the menu group `groupName` ("Palettes", ...) with the     \
     length-prefixed text `itemText` and option flags `options`; its choice and update          \
     arrive as "AI Menu" messages. kBadParameterErr for an unknown group, kOutOfMemoryErr. */   \
  OP(Err, AddMenuItem,                                                                          \
     (PluginRef plugin, const char* name, const char* groupName, const unsigned char* itemText, \
      std::int32_t options, MenuItemHandle* item))                                              \
  /* Replaces the item's text (NUL-terminated); kBadParameterErr for a bad handle. */           \
  OP(Err, SetItemText, (MenuItemHandle item, const char* text))
VELM_DECLARE_SUITE(MenuSuite, "AI Menu Suite", 6, VELM_SUITE_MENU_SUITE)

#define VELM_SUITE_TIMER_SUITE(OP)                                                     \
  /* Adds a timer that sends an "AI Timer" message every `period` host ticks (1/60 s); \
     kBadParameterErr for a period below 1, kOutOfMemoryErr. */                        \
  OP(Err, AddTimer, (PluginRef plugin, const char* name, std::int32_t period, TimerHandle* timer))
VELM_DECLARE_SUITE(TimerSuite, "AI Timer Suite", 3, VELM_SUITE_TIMER_SUITE)

#define VELM_SUITE_NOTIFIER_SUITE(OP)                                                      \
  /* Subscribes to the notification `type` ("AI Application Started Notifier", ...), which \
     then arrives as an "AI Notifier" message; kBadParameterErr for an unknown type. */    \
  OP(Err, AddNotifier,                                                                     \
     (PluginRef plugin, const char* name, const char* type, NotifierHandle* notifier))
VELM_DECLARE_SUITE(NotifierSuite, "AI Notifier Suite", 2, VELM_SUITE_NOTIFIER_SUITE)

// Actions: events the plug-in registers, records while the user records an action, and
// plays back when the host sends "Do Action". A parameter description lists the keys an
// event carries; a parameter value block holds one value per key.
#define VELM_SUITE_ACTION_MANAGER_SUITE(OP)                                                        \
  /* Creates an empty parameter description; kOutOfMemoryErr. */                                   \
  OP(Err, NewActionParamType, (ActionParamTypeRef * paramType))                                    \
  /* Frees a parameter description. */                                                             \
  OP(Err, DeleteActionParamType, (ActionParamTypeRef paramType))                                   \
  /* Adds key `key` of ActionParamType `type` with a user-visible title (Shift-JIS) to the         \
     description; `show` lists it in the actions palette. kBadParameterErr for a key given         \
     twice or an unknown type. */                                                                  \
  OP(Err, SetActionParamTypeKey,                                                                   \
     (ActionParamTypeRef paramType, ActionKey key, const char* title, ActionParamType type,        \
      Boolean show))                                                                               \
  /* Registers the event `name` with its title and version; both option values are 0 for           \
     this plug-in. Its playback reaches `plugin` as "Do Action" with `userData`; the host          \
     keeps a copy of `paramType`. kBadParameterErr for a name registered twice. */                 \
  OP(Err, RegisterActionEvent,                                                                     \
     (const char* name, const char* title, std::int32_t version, std::int32_t options,             \
      std::int32_t moreOptions, PluginRef plugin, std::intptr_t userData,                          \
      ActionParamTypeRef paramType))                                                               \
  /* Whether the user is recording an action now. */                                               \
  OP(Err, InActionRecordingMode, (Boolean * recording))                                            \
  /* Creates an empty parameter value block; kOutOfMemoryErr. */                                   \
  OP(Err, NewActionParamValue, (ActionParamValueRef * value))                                      \
  /* Frees a parameter value block. */                                                             \
  OP(Err, DeleteActionParamValue, (ActionParamValueRef value))                                     \
  /* Sets key `key` to a real. */                                                                  \
  OP(Err, SetActionParamReal, (ActionParamValueRef value, ActionKey key, Real real))               \
  /* Sets key `key` to an integer. */                                                              \
  OP(Err, SetActionParamInteger, (ActionParamValueRef value, ActionKey key, std::int32_t integer)) \
  /* Sets key `key` to a NUL-terminated string (Shift-JIS). */                                     \
  OP(Err, SetActionParamString, (ActionParamValueRef value, ActionKey key, const char* string))    \
  /* Reads key `key` as a real; kNotFoundErr when absent, kBadParameterErr for another type. */    \
  OP(Err, GetActionParamReal, (ActionParamValueRef value, ActionKey key, Real * real))             \
  /* Reads key `key` as an integer; fails as GetActionParamReal. */                                \
  OP(Err, GetActionParamInteger,                                                                   \
     (ActionParamValueRef value, ActionKey key, std::int32_t * integer))                           \
  /* Reads key `key` as a string (at most maxLength - 1 bytes and a terminator); fails as          \
     GetActionParamReal. */                                                                        \
  OP(Err, GetActionParamString,                                                                    \
     (ActionParamValueRef value, ActionKey key, char* string, std::int32_t maxLength))             \
  /* Records the event `name` with the values in `value` (copied) and ActionDialogStatus           \
     `dialogStatus` into the action being recorded; kNotFoundErr for an unregistered name. */      \
  OP(Err, RecordActionEvent,                                                                       \
     (const char* name, std::int32_t dialogStatus, ActionParamValueRef value))
VELM_DECLARE_SUITE(ActionManagerSuite, "AI Action Manager Suite", 1,
                   VELM_SUITE_ACTION_MANAGER_SUITE)

}  // namespace host
