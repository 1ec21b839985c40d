// Text art: reading and writing its characters with their attributes through a text
// stream, the paths a text flows in or along, and its text type.
#pragma once

#include "host/art_types.h"
#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

// Acquired with the others; the plug-in reads fonts through the text stream and calls
// nothing here.
#define VELM_SUITE_TEXT_FACE_STYLE_SUITE(OP)
VELM_DECLARE_SUITE(TextFaceStyleSuite, "AI Text Face Style Suite", 5,
                   VELM_SUITE_TEXT_FACE_STYLE_SUITE)

// A text stream is a byte position in the characters of one text art (bytes in the
// host's encoding; Shift-JIS for Japanese fonts). Reading reports the attributes of the
// character just read; writing inserts characters with the attributes set last. Every
// operation on a stream fails with kBadParameterErr for a bad or closed stream.
#define VELM_SUITE_TEXT_STREAM_SUITE(OP)                                                       \
  /* Opens a stream at the start of the text in TextStreamMode `mode`; kBadParameterErr        \
     when `art` is not text art, kLockedLayerErr when writing to a locked layer. */            \
  OP(Err, OpenTextStream, (ArtHandle art, std::int32_t mode, TextStreamHandle * stream))       \
  /* Closes the stream; the text takes the characters written. */                              \
  OP(Err, CloseTextStream, (TextStreamHandle stream))                                          \
  /* Copies up to `count` bytes from the position on and advances past them; *read is the      \
     number copied, 0 at the end of the text. */                                               \
  OP(Err, ReadText,                                                                            \
     (TextStreamHandle stream, char* buffer, std::int32_t count, std::int32_t* read))          \
  /* Moves the position by `delta` bytes (negative: back); kBadParameterErr when that leaves   \
     the text. */                                                                              \
  OP(Err, MoveTextPosition, (TextStreamHandle stream, std::int32_t delta))                     \
  /* The run value of the character that starts at the position. */                            \
  OP(Err, GetRunValue, (TextStreamHandle stream, Real * value))                                \
  /* The paint of the character before the position (the first one at position 0). */          \
  OP(Err, GetPaintStyle, (TextStreamHandle stream, PathStyle * style))                         \
  /* The font of the character before the position, as above. */                               \
  OP(Err, GetFont, (TextStreamHandle stream, TextFont * font))                                 \
  /* The paragraph attributes of the character before the position, as above. */               \
  OP(Err, GetParagraphAttributes, (TextStreamHandle stream, ParagraphAttributes * attributes)) \
  /* The character attributes of the character before the position, as above. */               \
  OP(Err, GetCharacterAttributes, (TextStreamHandle stream, CharacterAttributes * attributes)) \
  /* The tab stops of the character before the position, as above. */                          \
  OP(Err, GetTabStops, (TextStreamHandle stream, TabStops * tabs))                             \
  /* The paint of characters inserted next. */                                                 \
  OP(Err, SetPaintStyle, (TextStreamHandle stream, const PathStyle* style))                    \
  /* The font of characters inserted next; kBadParameterErr for an unknown font. */            \
  OP(Err, SetFont, (TextStreamHandle stream, const TextFont* font))                            \
  /* The paragraph attributes of characters inserted next. */                                  \
  OP(Err, SetParagraphAttributes,                                                              \
     (TextStreamHandle stream, const ParagraphAttributes* attributes))                         \
  /* The character attributes of characters inserted next. */                                  \
  OP(Err, SetCharacterAttributes,                                                              \
     (TextStreamHandle stream, const CharacterAttributes* attributes))                         \
  /* The tab stops of characters inserted next. */                                             \
  OP(Err, SetTabStops, (TextStreamHandle stream, const TabStops* tabs))                        \
  /* The run value of characters inserted next. */                                             \
  OP(Err, SetRunValue, (TextStreamHandle stream, Real value))                                  \
  /* Inserts `length` bytes at the position with the attributes set last and advances past     \
     them; kBadParameterErr on a stream opened for reading. */                                 \
  OP(Err, InsertText, (TextStreamHandle stream, const char* text, std::int32_t length))
VELM_DECLARE_SUITE(TextStreamSuite, "AI Text Stream Suite", 5, VELM_SUITE_TEXT_STREAM_SUITE)

// Acquired with the others; the plug-in reads runs through the text stream and calls
// nothing here.
#define VELM_SUITE_TEXT_RUN_SUITE(OP)
VELM_DECLARE_SUITE(TextRunSuite, "AI Text Run Suite", 6, VELM_SUITE_TEXT_RUN_SUITE)

// The paths of a text art: the path an area text flows in, or the path a path text runs
// along. A text path has a matrix (from text space to the page) and a 16-bit attribute
// the host keeps per path. Every operation fails with kBadParameterErr for a bad handle.
#define VELM_SUITE_TEXT_PATH_SUITE(OP)                                                     \
  /* The text's first path, null when it has none. */                                      \
  OP(Err, GetFirstTextPath, (ArtHandle text, TextPathHandle * path))                       \
  /* The path after `path` of the same text, null after the last. */                       \
  OP(Err, GetNextTextPath, (TextPathHandle path, TextPathHandle * next))                   \
  /* Makes the path art *pathArt one more path of `text`, placed by PaintOrder relative to \
     `prep` (null: among the text's paths); *pathArt becomes the art as the text holds it. \
     kBadParameterErr when *pathArt is not a path. */                                      \
  OP(Err, AddTextPath,                                                                     \
     (ArtHandle text, ArtHandle prep, std::int32_t paintOrder, ArtHandle * pathArt))       \
  /* The path art that gives the text path its shape. */                                   \
  OP(Err, GetTextPathArt, (TextPathHandle path, ArtHandle * art))                          \
  /* The text path's matrix. */                                                            \
  OP(Err, GetTextPathMatrix, (TextPathHandle path, RealMatrix * matrix))                   \
  /* Sets the text path's matrix. */                                                       \
  OP(Err, SetTextPathMatrix, (TextPathHandle path, const RealMatrix* matrix))              \
  /* The text path's 16-bit attribute. */                                                  \
  OP(Err, GetTextPathAttribute, (TextPathHandle path, std::int16_t * attribute))           \
  /* Sets the text path's 16-bit attribute. */                                             \
  OP(Err, SetTextPathAttribute, (TextPathHandle path, std::int16_t attribute))
VELM_DECLARE_SUITE(TextPathSuite, "AI Text Path Suite", 4, VELM_SUITE_TEXT_PATH_SUITE)

#define VELM_SUITE_TEXT_SUITE(OP)                                             \
  /* The text art's TextType; kBadParameterErr when `art` is not text art. */ \
  OP(Err, GetTextType, (ArtHandle art, std::int32_t * type))                  \
  /* Sets the text art's TextType; kBadParameterErr for a bad type or art. */ \
  OP(Err, SetTextType, (ArtHandle art, std::int32_t type))
VELM_DECLARE_SUITE(TextSuite, "AI Text Suite", 4, VELM_SUITE_TEXT_SUITE)

// The previous generation of the text stream: the same operations, except that the paint
// styles it reports and takes carry a gradient colour's matrix in the older convention of
// the previous path-style generation (see ai_path.h). The plug-in reads and writes text
// through the current generation.
#define VELM_SUITE_TEXT_STREAM_SUITE4(OP) VELM_SUITE_TEXT_STREAM_SUITE(OP)
VELM_DECLARE_SUITE(TextStreamSuite4, "AI Text Stream Suite", 4, VELM_SUITE_TEXT_STREAM_SUITE4)

}  // namespace host
