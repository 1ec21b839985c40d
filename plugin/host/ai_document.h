// Placeholder: operations are added as the subsystems that call them are built.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_USER_SUITE(OP)                                                  \
  /* Reads a number from a length-prefixed string (one length byte, then text). */ \
  OP(Err, StringToNumber, (const unsigned char* text, Real* value))                \
  /* Writes a number with `decimals` places as a length-prefixed string; a buffer  \
     of 256 bytes always suffices. */                                              \
  OP(Err, NumberToString, (Real value, std::int16_t decimals, unsigned char* text))
VELM_DECLARE_SUITE(UserSuite, "AI User Suite", 5, VELM_SUITE_USER_SUITE)

#define VELM_SUITE_DOCUMENT_SUITE(OP)
VELM_DECLARE_SUITE(DocumentSuite, "AI Document Suite", 6, VELM_SUITE_DOCUMENT_SUITE)

#define VELM_SUITE_DOCUMENT_VIEW_SUITE(OP)
VELM_DECLARE_SUITE(DocumentViewSuite, "AI Document View Suite", 6, VELM_SUITE_DOCUMENT_VIEW_SUITE)

#define VELM_SUITE_UNDO_SUITE(OP)
VELM_DECLARE_SUITE(UndoSuite, "AI Undo Suite", 4, VELM_SUITE_UNDO_SUITE)

#define VELM_SUITE_CONTEXT_SUITE(OP)
VELM_DECLARE_SUITE(ContextSuite, "AI Context Suite", 2, VELM_SUITE_CONTEXT_SUITE)

#define VELM_SUITE_PREFERENCE_SUITE(OP)
VELM_DECLARE_SUITE(PreferenceSuite, "AI Preference Suite", 2, VELM_SUITE_PREFERENCE_SUITE)

#define VELM_SUITE_RUNTIME_SUITE(OP)
VELM_DECLARE_SUITE(RuntimeSuite, "AI Runtime Suite", 6, VELM_SUITE_RUNTIME_SUITE)

#define VELM_SUITE_DRAW_ART_SUITE(OP)
VELM_DECLARE_SUITE(DrawArtSuite, "AI Draw Art Suite", 5, VELM_SUITE_DRAW_ART_SUITE)

#define VELM_SUITE_TABLET_DATA_SUITE(OP)
VELM_DECLARE_SUITE(TabletDataSuite, "AI TabletData Suite", 1, VELM_SUITE_TABLET_DATA_SUITE)

}  // namespace host
