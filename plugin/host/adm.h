// The dialog manager's suites: dialogs, items, lists, entries, notifiers, drawing,
// tracking, basic services, dialog groups, icons and images.
//
// The dialog manager calls the plug-in back directly, outside any message: a dialog's
// initialisation procedure when it is created, an item's notification procedure when the
// user uses it, drawing procedures when an item or list entry must be drawn and tracking
// procedures for the mouse events on it. All of these run on the user-interface thread.
// Coordinates are integer pixels, v growing downward: "local" ones have their origin at
// the top-left corner of the dialog, item or entry, "screen" ones at the top-left corner
// of the desktop. Texts are NUL-terminated Shift-JIS byte strings.
#pragma once

#include <cstdint>

#include "host/art_types.h"
#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

// ---- Procedures the dialog manager calls ----

// Called once when a dialog is created, before it is shown. A non-zero result cancels it.
using DialogInitProc = Err(VELM_HOSTCALL*)(DialogRef dialog);
// Called when the user uses an item (presses a button, edits a text, ...).
using ItemNotifyProc = void(VELM_HOSTCALL*)(ItemRef item, NotifierRef notifier);
// Draws an item through `drawer`, in the item's local coordinates.
using ItemDrawProc = void(VELM_HOSTCALL*)(ItemRef item, DrawerRef drawer);
// Handles one mouse event on an item; non-zero when handled (the default handling is
// then skipped).
using ItemTrackProc = Boolean(VELM_HOSTCALL*)(ItemRef item, TrackerRef tracker);
// Draws one entry of a list through `drawer`, in the entry's local coordinates.
using EntryDrawProc = void(VELM_HOSTCALL*)(EntryRef entry, DrawerRef drawer);
// Handles one mouse event on a list entry; non-zero when handled.
using EntryTrackProc = Boolean(VELM_HOSTCALL*)(EntryRef entry, TrackerRef tracker);

// ---- Records and codes ----

// Mouse actions of a tracker event.
enum TrackerAction : std::int32_t {
  kTrackNone = 0,
  kTrackMouseMovedDown = 1,  // moved with the button held
  kTrackMouseDown = 2,
  kTrackMouseUp = -2,
  kTrackMouseMovedUp = -1,  // moved with the button up
};

// One mouse event of a tracking procedure (28 bytes).
struct TrackerEvent {
  Point point;          // in the tracked item's or entry's local coordinates
  std::int32_t action;  // TrackerAction
  std::uint32_t modifiers;
  std::uint32_t time;  // tracker clock, milliseconds
  std::uint32_t mouseState;
  std::uint16_t virtualKey;
  std::uint16_t character;
};
static_assert(sizeof(TrackerEvent) == 28);

// A drawing colour: 16-bit components, 65535 full.
struct AdmRgbColor {
  std::uint16_t red;
  std::uint16_t green;
  std::uint16_t blue;
};

// Colours of the dialog manager's own palette.
enum AdmColor : std::int32_t {
  kAdmHiliteTextColor = 3,  // text on a selection highlight
  kAdmTextColor = 15,       // ordinary text
};

// Units of numeric items.
enum AdmUnits : std::int32_t {
  kAdmNoUnits = 0,
  kAdmPointUnits = 1,
  kAdmInchUnits = 2,
  kAdmMillimeterUnits = 3,
  kAdmCentimeterUnits = 4,
  kAdmPicaUnits = 5,
  kAdmPixelUnits = 6,
};

// What GetFloatValue reports for a text that is not a number (the float 0x7F7FFFFF).
inline constexpr Real kAdmNotANumber = 3.40282347e+38f;

// Item types for CreateItem.
inline constexpr const char kAdmListBoxType[] = "ADM List Box Type";
inline constexpr const char kAdmFrameType[] = "ADM Frame Type";
inline constexpr const char kAdmPicturePushButtonType[] = "ADM Picture Push Button Type";
inline constexpr const char kAdmPopupListType[] = "ADM Popup List Type";

// The notification of an item the user has changed (button pressed, entry chosen).
inline constexpr const char kAdmUserChangedNotifier[] = "ADM User Changed Notifier";

// The id of a floating dialog's flyout menu item, which the dialog manager provides.
inline constexpr std::int32_t kAdmFlyoutMenuItemId = -5;

// ---- Suites ----

// Floating dialogs: docking groups and their place in them.
#define VELM_SUITE_ADM_DIALOG_GROUP_SUITE(OP)                                             \
  /* The docking group the dialog belongs to (at most maxLength - 1 bytes and a           \
     terminator; empty when it floats alone) and its docking code; kBadParameterErr for   \
     a dialog that is not floating. */                                                    \
  OP(Err, GetDialogGroupInfo,                                                             \
     (DialogRef dialog, char* groupName, std::int32_t maxLength, std::int32_t* dockCode)) \
  /* Docks the dialog into `groupName` at `dockCode` (an empty name: floating alone);     \
     kBadParameterErr as above. */                                                        \
  OP(Err, SetDialogGroupInfo, (DialogRef dialog, const char* groupName, std::int32_t dockCode))
VELM_DECLARE_SUITE(AdmDialogGroupSuite, "ADM Dialog Group Suite", 1,
                   VELM_SUITE_ADM_DIALOG_GROUP_SUITE)

#define VELM_SUITE_ADM_TRACKER_SUITE(OP)                             \
  /* The event being tracked; kBadParameterErr for a bad tracker. */ \
  OP(Err, GetTrackerEvent, (TrackerRef tracker, TrackerEvent * event))
VELM_DECLARE_SUITE(AdmTrackerSuite, "ADM Tracker Suite", 1, VELM_SUITE_ADM_TRACKER_SUITE)

#define VELM_SUITE_ADM_DIALOG_SUITE(OP)                                                         \
  /* Runs dialog resource `dialogId` modally. `init` runs once before the dialog                \
     is shown; a non-zero result from it cancels the dialog. Returns the id of the              \
     item that ended it, or -1 when it could not be created. */                                 \
  OP(std::int32_t, Modal,                                                                       \
     (PluginRef plugin, const char* name, std::int32_t dialogId, std::int32_t style,            \
      DialogInitProc init, void* userData))                                                     \
  /* Ends a modal dialog as if item `itemId` had been pressed. */                               \
  OP(void, EndModal, (DialogRef dialog, std::int32_t itemId, Boolean cancelled))                \
  /* The item with the given id, or null. */                                                    \
  OP(ItemRef, GetItem, (DialogRef dialog, std::int32_t itemId))                                 \
  /* The user data given at creation. */                                                        \
  OP(void*, GetUserData, (DialogRef dialog))                                                    \
  /* The dialog's title text. */                                                                \
  OP(void, SetText, (DialogRef dialog, const char* text))                                       \
  /* Creates the floating dialog `name` from dialog resource `dialogId` in `style`, hidden,     \
     and runs `init`; null when it cannot be created or `init` fails. */                        \
  OP(DialogRef, Create,                                                                         \
     (PluginRef plugin, const char* name, std::int32_t dialogId, std::int32_t style,            \
      DialogInitProc init, void* userData))                                                     \
  /* Closes a floating dialog and frees it with its items. */                                   \
  OP(void, Destroy, (DialogRef dialog))                                                         \
  /* Shows or hides the dialog. */                                                              \
  OP(void, Show, (DialogRef dialog, Boolean show))                                              \
  /* Non-zero while the dialog is shown. */                                                     \
  OP(Boolean, IsVisible, (DialogRef dialog))                                                    \
  /* The dialog's content area in local coordinates (left and top 0). */                        \
  OP(void, GetLocalRect, (DialogRef dialog, Rect * rect))                                       \
  /* The dialog's place and size on the screen. */                                              \
  OP(void, GetBoundsRect, (DialogRef dialog, Rect * rect))                                      \
  /* Moves and sizes the dialog on the screen, within its size limits. */                       \
  OP(void, SetBoundsRect, (DialogRef dialog, const Rect* rect))                                 \
  /* Narrowest the user may make a resizable dialog, in pixels. */                              \
  OP(void, SetMinWidth, (DialogRef dialog, std::int32_t width))                                 \
  /* Lowest the user may make a resizable dialog, in pixels. */                                 \
  OP(void, SetMinHeight, (DialogRef dialog, std::int32_t height))                               \
  /* Widest the user may make a resizable dialog, in pixels. */                                 \
  OP(void, SetMaxWidth, (DialogRef dialog, std::int32_t width))                                 \
  /* Highest the user may make a resizable dialog, in pixels. */                                \
  OP(void, SetMaxHeight, (DialogRef dialog, std::int32_t height))                               \
  /* Adds an item of type `itemType` (kAdmListBoxType, ...) with id `itemId` at `bounds` (local \
     coordinates); null for an unknown type or an id in use. */                                 \
  OP(ItemRef, CreateItem,                                                                       \
     (DialogRef dialog, std::int32_t itemId, const char* itemType, const Rect* bounds))         \
  /* Redraws the whole dialog soon. */                                                          \
  OP(void, Invalidate, (DialogRef dialog))                                                      \
  /* The item that Enter presses. */                                                            \
  OP(void, SetDefaultItemID, (DialogRef dialog, std::int32_t itemId))                           \
  /* The item that Escape presses. */                                                           \
  OP(void, SetCancelItemID, (DialogRef dialog, std::int32_t itemId))
VELM_DECLARE_SUITE(AdmDialogSuite, "ADM Dialog Suite", 3, VELM_SUITE_ADM_DIALOG_SUITE)

#define VELM_SUITE_ADM_ITEM_SUITE(OP)                                                       \
  /* Replaces the item's text. */                                                           \
  OP(void, SetText, (ItemRef item, const char* text))                                       \
  /* Copies the item's text (at most maxLength - 1 bytes and a terminator). */              \
  OP(void, GetText, (ItemRef item, char* text, std::int32_t maxLength))                     \
  /* Installs the procedure the dialog manager calls when the item is used. */              \
  OP(void, SetNotifyProc, (ItemRef item, ItemNotifyProc proc))                              \
  /* The dialog manager's own handling of a notification (a button ends a modal             \
     dialog with its id). */                                                                \
  OP(void, DefaultNotify, (ItemRef item, NotifierRef notifier))                             \
  /* The dialog the item belongs to. */                                                     \
  OP(DialogRef, GetDialog, (ItemRef item))                                                  \
  /* The item's id in its dialog. */                                                        \
  OP(std::int32_t, GetID, (ItemRef item))                                                   \
  /* Installs the procedure that draws the item instead of the dialog manager. */           \
  OP(void, SetDrawProc, (ItemRef item, ItemDrawProc proc))                                  \
  /* Installs the procedure that receives the item's mouse events. */                       \
  OP(void, SetTrackProc, (ItemRef item, ItemTrackProc proc))                                \
  /* The item's area in its own local coordinates (left and top 0). */                      \
  OP(void, GetLocalRect, (ItemRef item, Rect * rect))                                       \
  /* The item's place in its dialog's local coordinates. */                                 \
  OP(void, GetBoundsRect, (ItemRef item, Rect * rect))                                      \
  /* Moves and sizes the item in its dialog's local coordinates. */                         \
  OP(void, SetBoundsRect, (ItemRef item, const Rect* rect))                                 \
  /* Resizes the item, keeping its top-left corner. */                                      \
  OP(void, SetSize, (ItemRef item, std::int32_t width, std::int32_t height))                \
  /* Converts a rectangle from the item's local coordinates to screen coordinates. */       \
  OP(void, LocalToScreenRect, (ItemRef item, Rect * rect))                                  \
  /* Enables or disables (greys out) the item. */                                           \
  OP(void, Enable, (ItemRef item, Boolean enable))                                          \
  /* Non-zero while the item is enabled. */                                                 \
  OP(Boolean, IsEnabled, (ItemRef item))                                                    \
  /* Shows or hides the item. */                                                            \
  OP(void, Show, (ItemRef item, Boolean show))                                              \
  /* The item's style (list boxes: how entries are laid out; buttons: their frame). */      \
  OP(void, SetItemStyle, (ItemRef item, std::int32_t style))                                \
  /* The picture (or icon) resource of the dialog's plug-in that the item shows. */         \
  OP(void, SetPictureID, (ItemRef item, std::int32_t pictureId))                            \
  /* The picture shown while a picture button is pressed. */                                \
  OP(void, SetSelectedPictureID, (ItemRef item, std::int32_t pictureId))                    \
  /* The picture shown while the item is disabled. */                                       \
  OP(void, SetDisabledPictureID, (ItemRef item, std::int32_t pictureId))                    \
  /* The tip shown when the pointer rests on the item. */                                   \
  OP(void, SetTipString, (ItemRef item, const char* tip))                                   \
  /* Longest text the user may type into an edit item, in bytes. */                         \
  OP(void, SetMaxTextLength, (ItemRef item, std::int32_t length))                           \
  /* Selects the whole text of an edit item (and gives it the keyboard focus). */           \
  OP(void, SelectAll, (ItemRef item))                                                       \
  /* Checks or clears a check box. */                                                       \
  OP(void, SetBooleanValue, (ItemRef item, Boolean value))                                  \
  /* Non-zero while a check box is checked. */                                              \
  OP(Boolean, GetBooleanValue, (ItemRef item))                                              \
  /* Shows `value`, given in the item's units, as its text. */                              \
  OP(void, SetFloatValue, (ItemRef item, Real value))                                       \
  /* The item's text read as a number in its units, clamped to its limits;                  \
     kAdmNotANumber when the text is not a number. */                                       \
  OP(Real, GetFloatValue, (ItemRef item))                                                   \
  /* Smallest value GetFloatValue reports, in the item's units at the time of the call. */  \
  OP(void, SetMinFloatValue, (ItemRef item, Real value))                                    \
  /* Largest value GetFloatValue reports, as above. */                                      \
  OP(void, SetMaxFloatValue, (ItemRef item, Real value))                                    \
  /* Switches the item to AdmUnits `units`; its value and limits are converted, so that the \
     same length shows in the new unit. */                                                  \
  OP(void, SetUnits, (ItemRef item, std::int32_t units))                                    \
  /* The item's AdmUnits. */                                                                \
  OP(std::int32_t, GetUnits, (ItemRef item))                                                \
  /* The list of a list box, popup or flyout menu item; null for other items. */            \
  OP(ListRef, GetList, (ItemRef item))                                                      \
  /* The cursor resource of the dialog's plug-in shown over the item. */                    \
  OP(void, SetCursorID, (ItemRef item, std::int32_t cursorId))                              \
  /* Redraws the item soon. */                                                              \
  OP(void, Invalidate, (ItemRef item))
VELM_DECLARE_SUITE(AdmItemSuite, "ADM Item Suite", 4, VELM_SUITE_ADM_ITEM_SUITE)

#define VELM_SUITE_ADM_NOTIFIER_SUITE(OP)                                                \
  /* Non-zero when the notification is of type `type` (kAdmUserChangedNotifier, ...). */ \
  OP(Boolean, IsNotifierType, (NotifierRef notifier, const char* type))
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

// Acquired with the others; the plug-in's icons are shown by picture id through the item
// suite and nothing here is called.
#define VELM_SUITE_ADM_ICON_SUITE(OP)
VELM_DECLARE_SUITE(AdmIconSuite, "ADM Icon Suite", 1, VELM_SUITE_ADM_ICON_SUITE)

// A drawer draws into an item, a list entry, an offscreen image or a platform drawing
// context, in local coordinates with its own colour. Rectangles include left and top and
// exclude right and bottom.
#define VELM_SUITE_ADM_DRAWER_SUITE(OP)                                                     \
  /* The port the art-drawing suite renders into to draw where this drawer draws. */        \
  OP(GraphicsPortRef, GetGraphicsPort, (DrawerRef drawer))                                  \
  /* The platform drawing context behind the drawer (for pixel access), in the drawer's     \
     local coordinates. */                                                                  \
  OP(PortRef, GetPlatformPort, (DrawerRef drawer))                                          \
  /* Sets the drawing colour. */                                                            \
  OP(void, SetRGBColor, (DrawerRef drawer, const AdmRgbColor* color))                       \
  /* Sets the drawing colour to one of the dialog manager's AdmColor colours. */            \
  OP(void, SetColor, (DrawerRef drawer, std::int32_t color))                                \
  /* Fills a rectangle with the drawing colour. */                                          \
  OP(void, FillRect, (DrawerRef drawer, const Rect* rect))                                  \
  /* Draws a rectangle's one-pixel outline, inside the rectangle, in the drawing colour. */ \
  OP(void, DrawRect, (DrawerRef drawer, const Rect* rect))                                  \
  /* Draws a one-pixel line from `from` to `to`, both included. */                          \
  OP(void, DrawLine, (DrawerRef drawer, const Point* from, const Point* to))                \
  /* Draws a text in the dialog font and the drawing colour, its baseline starting at       \
     `at`. */                                                                               \
  OP(void, DrawText, (DrawerRef drawer, const char* text, const Point* at))                 \
  /* Width in pixels of a text in the dialog font. */                                       \
  OP(std::int32_t, GetTextWidth, (DrawerRef drawer, const char* text))                      \
  /* A drawer on a platform drawing context, clipped to `bounds` (in the context's          \
     coordinates, which become the drawer's local ones); null on failure. */                \
  OP(DrawerRef, Create, (PortRef port, const Rect* bounds))                                 \
  /* Frees a drawer made by Create. */                                                      \
  OP(void, Destroy, (DrawerRef drawer))                                                     \
  /* Copies an image with its top-left corner at `at`. */                                   \
  OP(void, DrawImage, (DrawerRef drawer, ImageRef image, const Point* at))
VELM_DECLARE_SUITE(AdmDrawerSuite, "ADM Drawer Suite", 3, VELM_SUITE_ADM_DRAWER_SUITE)

#define VELM_SUITE_ADM_ENTRY_SUITE(OP)                                                   \
  /* Replaces the entry's text. */                                                       \
  OP(void, SetText, (EntryRef entry, const char* text))                                  \
  /* Copies the entry's text (at most maxLength - 1 bytes and a terminator). */          \
  OP(void, GetText, (EntryRef entry, char* text, std::int32_t maxLength))                \
  /* Sets the entry's id. */                                                             \
  OP(void, SetID, (EntryRef entry, std::int32_t id))                                     \
  /* The entry's id. */                                                                  \
  OP(std::int32_t, GetID, (EntryRef entry))                                              \
  /* The entry's position in its list, from 0. */                                        \
  OP(std::int32_t, GetIndex, (EntryRef entry))                                           \
  /* The list the entry belongs to. */                                                   \
  OP(ListRef, GetList, (EntryRef entry))                                                 \
  /* Selects or deselects the entry (in a popup, selecting deselects the others). */     \
  OP(void, Select, (EntryRef entry, Boolean select))                                     \
  /* Non-zero while the entry is selected. */                                            \
  OP(Boolean, IsSelected, (EntryRef entry))                                              \
  /* Enables or disables the entry. */                                                   \
  OP(void, Enable, (EntryRef entry, Boolean enable))                                     \
  /* Makes the entry a separator line of a menu or popup, or an ordinary entry again. */ \
  OP(void, MakeSeparator, (EntryRef entry, Boolean separator))                           \
  /* Shows or removes the entry's check mark. */                                         \
  OP(void, Check, (EntryRef entry, Boolean check))                                       \
  /* The entry's area in its own local coordinates (left and top 0). */                  \
  OP(void, GetLocalRect, (EntryRef entry, Rect * rect))                                  \
  /* Converts a point from the entry's local coordinates to screen coordinates. */       \
  OP(void, LocalToScreenPoint, (EntryRef entry, Point * point))                          \
  /* Converts a rectangle from the entry's local coordinates to screen coordinates. */   \
  OP(void, LocalToScreenRect, (EntryRef entry, Rect * rect))                             \
  /* Draws the entry as the dialog manager would (background, selection highlight). */   \
  OP(void, DefaultDraw, (EntryRef entry, DrawerRef drawer))
VELM_DECLARE_SUITE(AdmEntrySuite, "ADM Entry Suite", 2, VELM_SUITE_ADM_ENTRY_SUITE)

#define VELM_SUITE_ADM_LIST_SUITE(OP)                                                        \
  /* Inserts an empty entry before position `index` (appends when index is -1 or the count); \
     null when it cannot. */                                                                 \
  OP(EntryRef, InsertEntry, (ListRef list, std::int32_t index))                              \
  /* Removes the entry at position `index`; nothing when there is none. */                   \
  OP(void, RemoveEntry, (ListRef list, std::int32_t index))                                  \
  /* The entry at position `index`, or null. */                                              \
  OP(EntryRef, IndexEntry, (ListRef list, std::int32_t index))                               \
  /* Number of entries. */                                                                   \
  OP(std::int32_t, NumberOfEntries, (ListRef list))                                          \
  /* The selected entry number `selectionIndex` (from 0, in list order), or null. */         \
  OP(EntryRef, IndexSelectedEntry, (ListRef list, std::int32_t selectionIndex))              \
  /* Number of selected entries. */                                                          \
  OP(std::int32_t, NumberOfSelectedEntries, (ListRef list))                                  \
  /* Width of every entry in pixels (list boxes lay entries out in rows of this width). */   \
  OP(void, SetEntryWidth, (ListRef list, std::int32_t width))                                \
  /* Height of every entry in pixels. */                                                     \
  OP(void, SetEntryHeight, (ListRef list, std::int32_t height))                              \
  /* Installs the procedure that draws every entry. */                                       \
  OP(void, SetDrawProc, (ListRef list, EntryDrawProc proc))                                  \
  /* Installs the procedure that receives the mouse events of every entry. */                \
  OP(void, SetTrackProc, (ListRef list, EntryTrackProc proc))
VELM_DECLARE_SUITE(AdmListSuite, "ADM List Suite", 1, VELM_SUITE_ADM_LIST_SUITE)

#define VELM_SUITE_ADM_IMAGE_SUITE(OP)                                                  \
  /* An offscreen colour image of width × height pixels, contents undefined; null when \
     it cannot be made. */                                                              \
  OP(ImageRef, Create, (std::int32_t width, std::int32_t height))                       \
  /* Frees an image. */                                                                 \
  OP(void, Destroy, (ImageRef image))                                                   \
  /* A drawer that draws into the image, until EndDrawer; null when already drawing. */ \
  OP(DrawerRef, BeginDrawer, (ImageRef image))                                          \
  /* Ends drawing into the image and frees its drawer. */                               \
  OP(void, EndDrawer, (ImageRef image))
VELM_DECLARE_SUITE(AdmImageSuite, "ADM Image Suite", 1, VELM_SUITE_ADM_IMAGE_SUITE)

}  // namespace host
