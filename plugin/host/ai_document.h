// The application around the document: user-interface helpers, the document and its
// views, undo, the application context, host preferences, the application itself and
// the art renderer.
#pragma once

#include "host/art_types.h"
#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

// Strings marked length-prefixed are one length byte followed by that many bytes (at
// most 255) and no terminator.
#define VELM_SUITE_USER_SUITE(OP)                                                          \
  /* Reads a number from a length-prefixed string (one length byte, then text). */         \
  OP(Err, StringToNumber, (const unsigned char* text, Real* value))                        \
  /* Writes a number with `decimals` places as a length-prefixed string; a buffer          \
     of 256 bytes always suffices. */                                                      \
  OP(Err, NumberToString, (Real value, std::int16_t decimals, unsigned char* text))        \
  /* The current document's ruler units as a length-prefixed text: format 0 the short text \
     ("mm", "pt", ...), 1 the long one; a 256-byte buffer suffices. kNotFoundErr without a \
     document. */                                                                          \
  OP(Err, GetUnitsString, (std::int32_t format, unsigned char* text))                      \
  /* The dialog manager's unit code (AdmUnits) for RulerUnits `units`; kBadParameterErr    \
     for an unknown code. */                                                               \
  OP(Err, RulerUnitsToAdmUnits, (std::int32_t units, std::int32_t * admUnits))
VELM_DECLARE_SUITE(UserSuite, "AI User Suite", 5, VELM_SUITE_USER_SUITE)

// Acquired with the others; the plug-in works on the current document through the layer
// and art suites and calls nothing here.
#define VELM_SUITE_DOCUMENT_SUITE(OP)
VELM_DECLARE_SUITE(DocumentSuite, "AI Document Suite", 6, VELM_SUITE_DOCUMENT_SUITE)

// Views of the current document. A view point is a pixel of the document window's client
// area; an artwork point is in points, v growing upward.
#define VELM_SUITE_DOCUMENT_VIEW_SUITE(OP)                                         \
  /* Number of views of the current document (0 without a document). */            \
  OP(Err, CountDocumentViews, (std::int32_t * count))                              \
  /* View `index`, 0 the frontmost; kBadParameterErr past the end. */              \
  OP(Err, GetNthDocumentView, (std::int32_t index, DocumentViewHandle * view))     \
  /* The view's zoom: view pixels per artwork point. */                            \
  OP(Err, GetDocumentViewZoom, (DocumentViewHandle view, Real * zoom))             \
  /* The artwork point shown at a view pixel. */                                   \
  OP(Err, ViewPointToArtworkPoint,                                                 \
     (DocumentViewHandle view, const Point* viewPoint, RealPoint* artworkPoint))   \
  /* The view pixel that shows an artwork point (rounded to the nearest pixel). */ \
  OP(Err, ArtworkPointToViewPoint,                                                 \
     (DocumentViewHandle view, const RealPoint* artworkPoint, Point* viewPoint))
VELM_DECLARE_SUITE(DocumentViewSuite, "AI Document View Suite", 6, VELM_SUITE_DOCUMENT_VIEW_SUITE)

// The changes a plug-in makes during one host call form an undo step of their own.
#define VELM_SUITE_UNDO_SUITE(OP)                                                           \
  /* Names the current undo step in the Undo and Redo menu items (NUL-terminated texts). */ \
  OP(Err, SetUndoText, (const char* undoText, const char* redoText))                        \
  /* Starts the undo step of the current call afresh: the changes that follow are undone    \
     as one step, named by the texts set next. */                                           \
  OP(Err, BeginUndoStep, ())
VELM_DECLARE_SUITE(UndoSuite, "AI Undo Suite", 4, VELM_SUITE_UNDO_SUITE)

#define VELM_SUITE_CONTEXT_SUITE(OP)                                                      \
  /* The application's main window. */                                                    \
  OP(Err, GetPlatformAppWindow, (WindowRef * window))                                     \
  /* Sets up the application's state for calls into the host made outside a message (from \
     dialog callbacks); `context` is what PopAppContext needs to restore. */              \
  OP(Err, PushAppContext, (PluginRef plugin, ContextHandle * context))                    \
  /* Restores the state saved by the matching PushAppContext. */                          \
  OP(Err, PopAppContext, (ContextHandle context))
VELM_DECLARE_SUITE(ContextSuite, "AI Context Suite", 2, VELM_SUITE_CONTEXT_SUITE)

// The host's own preferences, kept between runs. A value is named by a prefix (the
// owner, e.g. a dialog name) and a suffix (the key). Reading a value never written fails
// with kNotFoundErr; reading it as another kind than it was written with fails with
// kBadParameterErr.
#define VELM_SUITE_PREFERENCE_SUITE(OP)                                                        \
  /* Reads an integer. */                                                                      \
  OP(Err, GetIntegerPreference, (const char* prefix, const char* suffix, std::int32_t* value)) \
  /* Writes an integer. */                                                                     \
  OP(Err, PutIntegerPreference, (const char* prefix, const char* suffix, std::int32_t value))  \
  /* Reads a point. */                                                                         \
  OP(Err, GetPointPreference, (const char* prefix, const char* suffix, Point* value))          \
  /* Writes a point. */                                                                        \
  OP(Err, PutPointPreference, (const char* prefix, const char* suffix, const Point* value))    \
  /* Reads a string into `value` (at most maxLength - 1 bytes and a terminator). */            \
  OP(Err, GetStringPreference,                                                                 \
     (const char* prefix, const char* suffix, char* value, std::int32_t maxLength))            \
  /* Writes a NUL-terminated string. */                                                        \
  OP(Err, PutStringPreference, (const char* prefix, const char* suffix, const char* value))    \
  /* Reads a boolean. */                                                                       \
  OP(Err, GetBooleanPreference, (const char* prefix, const char* suffix, Boolean* value))      \
  /* Writes a boolean. */                                                                      \
  OP(Err, PutBooleanPreference, (const char* prefix, const char* suffix, Boolean value))
VELM_DECLARE_SUITE(PreferenceSuite, "AI Preference Suite", 2, VELM_SUITE_PREFERENCE_SUITE)

#define VELM_SUITE_RUNTIME_SUITE(OP)                                                      \
  /* The full path of the application's program file (Windows form, "C:\...\x.exe"), at   \
     most maxLength - 1 bytes and a terminator; kBadParameterErr when it does not fit. */ \
  OP(Err, GetAppFilePath, (char* path, std::int32_t maxLength))                           \
  /* The application's version text ("10.0.1"); null when it has none. The text stays     \
     valid for the run. */                                                                \
  OP(Err, GetAppVersion, (const char** version))
VELM_DECLARE_SUITE(RuntimeSuite, "AI Runtime Suite", 6, VELM_SUITE_RUNTIME_SUITE)

inline constexpr std::int32_t kDrawArtVersion = 5;

#define VELM_SUITE_DRAW_ART_SUITE(OP)                                                           \
  /* Draws data->art (with its children) into data->port as DrawArtData says; fails with        \
     kBadParameterErr for a version other than kDrawArtVersion, a bad art or a missing port. */ \
  OP(Err, DrawArt, (DrawArtData * data))
VELM_DECLARE_SUITE(DrawArtSuite, "AI Draw Art Suite", 5, VELM_SUITE_DRAW_ART_SUITE)

// Acquired with the others; the plug-in calls nothing here.
#define VELM_SUITE_TABLET_DATA_SUITE(OP)
VELM_DECLARE_SUITE(TabletDataSuite, "AI TabletData Suite", 1, VELM_SUITE_TABLET_DATA_SUITE)

}  // namespace host
