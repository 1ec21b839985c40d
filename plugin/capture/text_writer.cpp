#include "capture/text_writer.h"

#include <algorithm>
#include <cstring>

#include "artformat/art_objects.h"
#include "capture/capture_context.h"
#include "capture/conversions.h"
#include "capture/path_writer.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "platform/memory.h"

namespace velm {

namespace {

// A run holds at most this many bytes of text (its field has room for them and a NUL).
constexpr std::int32_t kMaxRunBytes = 254;
// runCount, pathCount and a text path's segmentCount are 16-bit fields.
constexpr std::int32_t kMaxRuns = 32767;
constexpr std::int32_t kMaxTextPaths = 1024;
constexpr std::int32_t kMaxPathSegments = 32767;
constexpr std::uint64_t kLargestObject = 0x7FFFFFFF;

// Everything the host reports for one text position. Runs are cut wherever any of these
// records differs byte for byte from the run's.
struct TextAttributes {
  host::PathStyle paint;
  host::CharacterAttributes character;
  host::TextFont font;
  host::ParagraphAttributes paragraph;
  host::TabStops tabs;
  host::Real runValue;
};

bool SameBytes(const void* a, const void* b, std::size_t size) {
  return std::memcmp(a, b, size) == 0;
}

bool SameAttributes(const TextAttributes& a, const TextAttributes& b) {
  return SameBytes(&a.paint, &b.paint, sizeof a.paint) &&
         SameBytes(&a.character, &b.character, sizeof a.character) &&
         SameBytes(&a.font, &b.font, sizeof a.font) &&
         SameBytes(&a.paragraph, &b.paragraph, sizeof a.paragraph) &&
         SameBytes(&a.tabs, &b.tabs, sizeof a.tabs) &&
         SameBytes(&a.runValue, &b.runValue, sizeof a.runValue);
}

bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool Taken(host::ArtHandle art) {
  if (gGlobals->captureAll) return true;
  std::int32_t attributes = 0;
  return sArt->GetArtUserAttr(art, host::kArtSelected, &attributes) == host::kNoErr &&
         (attributes & host::kArtSelected) != 0;
}

// Makes `block` hold `size` bytes, at least doubling it when it must grow, so that a long
// text is copied a bounded number of times.
bool Reserve(os::MemHandle& block, std::uint64_t size) {
  if (size > kLargestObject) return false;
  const std::uint64_t current = block ? os::MemSize(block) : 0;
  if (size <= current) return true;
  const std::uint64_t doubled = std::min<std::uint64_t>(current * 2, kLargestObject);
  if (doubled > size && GrowBlock(block, static_cast<std::uint32_t>(doubled), kListGranule))
    return true;
  return GrowObject(block, static_cast<std::uint32_t>(size));
}

// Colours of text the stream cannot hold as they are: a gradient becomes gray 0 (painted
// or not) and a custom colour its definition.
void TreatColor(host::Color* color) {
  if (color->kind == host::kGradientColor) {
    std::memset(static_cast<void*>(color), 0, sizeof *color);
    color->kind = host::kGrayColor;
  } else if (color->kind == host::kCustomColor) {
    ReduceCustomColor(color);
  }
}

// Replaces a pattern reference by the number of the definition written for it (0 when
// none was written), the tiles' placement moved by -origin as for paths.
void TreatPattern(host::Color* color, host::RealPoint origin) {
  if (color->kind != host::kPatternColor) return;
  const std::int32_t number = WritePatternDefinition(color->c.pattern.pattern);
  color->c.pattern.pattern =
      reinterpret_cast<host::PatternHandle>(static_cast<std::uintptr_t>(number));
  color->c.pattern.transform.tx -= origin.h;
  color->c.pattern.transform.ty -= origin.v;
}

// The attributes of the character just read. A read that fails leaves zeros, which are
// stored as they are. Every character's paint is treated anew: a painted pattern writes a
// definition of its own for each character, so that characters painted with a pattern
// each form a run of their own.
void ReadAttributes(host::TextStreamHandle stream, host::Real runValue, host::RealPoint origin,
                    TextAttributes* a) {
  std::memset(static_cast<void*>(a), 0, sizeof *a);
  sTextStream->GetFont(stream, &a->font);
  sTextStream->GetPaintStyle(stream, &a->paint);
  sTextStream->GetParagraphAttributes(stream, &a->paragraph);
  sTextStream->GetCharacterAttributes(stream, &a->character);
  sTextStream->GetTabStops(stream, &a->tabs);
  a->runValue = runValue;
  TreatColor(&a->paint.fill.color);
  TreatColor(&a->paint.stroke.color);
  if (a->paint.fillPaint) TreatPattern(&a->paint.fill.color, origin);
  if (a->paint.strokePaint) TreatPattern(&a->paint.stroke.color, origin);
  ClearUnpaintedPaint(&a->paint, false);
}

// The text object being built: its runs so far.
struct TextBuilder {
  explicit TextBuilder(os::MemHandle& buffer) : object(buffer) {}

  os::MemHandle& object;
  std::int32_t runCount = 0;
  // The run being collected.
  TextAttributes attributes;
  char text[kMaxRunBytes + 1];
  std::int32_t length = 0;

  std::uint64_t RunsEnd() const {
    return sizeof(TextObject) + static_cast<std::uint64_t>(runCount) * sizeof(TextRun);
  }

  // Appends the collected run. False when memory ran out or the object cannot hold
  // another run; the collected text is then kept.
  bool WriteRun() {
    if (runCount >= kMaxRuns || !Reserve(object, RunsEnd() + sizeof(TextRun))) return false;
    TextRun run;
    std::memset(static_cast<void*>(&run), 0, sizeof run);
    ConvertPathStyle(attributes.paint, &run.paintStyle);
    ConvertCharacterAttributes(attributes.character, &run.characterAttributes);
    ConvertFont(attributes.font, &run.font);
    ConvertParagraphAttributes(attributes.paragraph, &run.paragraphAttributes);
    ConvertTabStops(attributes.tabs, &run.tabStops);
    run.runValue = ConvertRunValue(attributes.runValue);
    std::memcpy(run.text, text, static_cast<std::size_t>(length));
    std::memcpy(object + RunsEnd(), &run, sizeof run);
    ++runCount;
    length = 0;
    return true;
  }
};

// Reads every text path of `text` into `table` (TextPathEntry records back to back).
// The first host error, a segment's included, ends the walk and is returned; a path of
// more segments than the entry's 16-bit count holds is refused with -1, as a plain path
// of that many is. At most kMaxTextPaths paths are read.
host::Err ReadTextPaths(host::ArtHandle text, host::RealPoint origin, os::MemHandle& table,
                        std::uint32_t* tableLength, std::int16_t* pathCount,
                        std::int16_t* attribute) {
  host::TextPathHandle path = nullptr;
  host::Err status = sTextPath->GetFirstTextPath(text, &path);
  while (status == host::kNoErr && path && *pathCount < kMaxTextPaths) {
    host::RealMatrix matrix{};
    host::ArtHandle art = nullptr;
    std::int16_t pathAttribute = 0;
    std::int32_t count = 0;
    host::Boolean closed = 0;
    if ((status = sTextPath->GetTextPathMatrix(path, &matrix)) != host::kNoErr ||
        (status = sTextPath->GetTextPathArt(path, &art)) != host::kNoErr ||
        (status = sTextPath->GetTextPathAttribute(path, &pathAttribute)) != host::kNoErr ||
        (status = sPath->GetPathClosed(art, &closed)) != host::kNoErr ||
        (status = sPath->GetPathSegmentCount(art, &count)) != host::kNoErr)
      return status;
    if (count > kMaxPathSegments) return -1;
    count = std::max(count, 0);
    const std::uint64_t entryAt = *tableLength;
    if (!Reserve(table, entryAt + sizeof(TextPathEntry) +
                            sizeof(PathSegment) * static_cast<std::uint64_t>(count)))
      return -1;

    TextPathEntry entry;
    std::memset(static_cast<void*>(&entry), 0, sizeof entry);
    matrix.tx -= origin.h;
    matrix.ty -= origin.v;
    entry.matrix = ConvertMatrix(matrix);
    entry.closed = closed;
    std::uint8_t* segments = table + entryAt + sizeof entry;
    for (std::int32_t i = 0; i < count; ++i) {
      host::PathSegment segment{};
      if ((status = sPath->GetPathSegments(art, i, 1, &segment)) != host::kNoErr) return status;
      PathSegment stored;
      ConvertMovedSegment(segment, origin, &stored);
      std::memcpy(segments + sizeof stored * static_cast<std::uint32_t>(i), &stored, sizeof stored);
      ++entry.segmentCount;
    }
    std::memcpy(table + entryAt, &entry, sizeof entry);
    *tableLength += static_cast<std::uint32_t>(
        sizeof entry + sizeof(PathSegment) * static_cast<std::uint32_t>(entry.segmentCount));
    ++*pathCount;
    *attribute = pathAttribute;
    status = sTextPath->GetNextTextPath(path, &path);
  }
  return status;
}

// Reads the characters into runs. Returns 0, a host error of the stream, or -1 when the
// runs cannot be stored (memory, or more runs than the object can count).
host::Err ReadRuns(host::TextStreamHandle stream, host::RealPoint origin, TextBuilder* b) {
  std::int32_t characters = 0;
  TextAttributes current;
  for (;;) {
    host::Real runValue = 0.0f;
    sTextStream->GetRunValue(stream, &runValue);
    char bytes[2] = {0, 0};
    std::int32_t read = 0;
    host::Err status = sTextStream->ReadText(stream, bytes, 1, &read);
    if (status != host::kNoErr) return status;
    if (read <= 0) return host::kNoErr;
    ReadAttributes(stream, runValue, origin, &current);

    // A lead byte in a Japanese font starts a two-byte character: read it whole.
    std::int32_t size = 1;
    if (current.font.script == host::kJapaneseScript &&
        IsLeadByte(static_cast<unsigned char>(bytes[0]))) {
      if ((status = sTextStream->MoveTextPosition(stream, -1)) != host::kNoErr ||
          (status = sTextStream->ReadText(stream, bytes, 2, &read)) != host::kNoErr)
        return status;
      if (read <= 0) return -1;  // the byte just read is gone: the stream cannot be trusted
      size = std::min(read, 2);
    }

    if (characters == 0) {
      std::memcpy(static_cast<void*>(&b->attributes), &current, sizeof current);
    } else if (!SameAttributes(current, b->attributes) || b->length + size > kMaxRunBytes) {
      if (b->length > 0 && !b->WriteRun()) return -1;
      b->length = 0;
      std::memcpy(static_cast<void*>(&b->attributes), &current, sizeof current);
    }
    // A NUL byte would end the run's text early: it is left out.
    for (std::int32_t k = 0; k < size && bytes[k] != 0; ++k)
      b->text[b->length++] = bytes[k];
    ++characters;
  }
}

}  // namespace

host::Err PostArtTextProcess(host::ArtHandle text, os::MemHandle& object, host::RealPoint origin) {
  Trace("PostArtTextProcess_START\r\n");
  if (!Taken(text)) {
    Trace("PostArtTextProcess_END\r\n");
    return host::kNoErr;
  }
  host::TextStreamHandle stream = nullptr;
  host::Err status = sTextStream->OpenTextStream(text, host::kTextStreamRead, &stream);
  if (status != host::kNoErr) {
    Trace("PostArtTextProcess_END\r\n");
    return status;
  }

  TextBuilder b(object);
  status = ReadRuns(stream, origin, &b);
  sTextStream->CloseTextStream(stream);

  // The last run loses its trailing line ends and other control bytes; a run of nothing
  // else is dropped.
  if (status == host::kNoErr) {
    while (b.length > 0 && static_cast<unsigned char>(b.text[b.length - 1]) < 0x20)
      --b.length;
    if (b.length > 0 && !b.WriteRun()) status = -1;
  }

  std::int32_t textType = 0;
  if (status == host::kNoErr) status = sText->GetTextType(text, &textType);

  os::MemHandle table = nullptr;
  std::uint32_t tableLength = 0;
  std::int16_t pathCount = 0;
  std::int16_t pathAttribute = 0;
  if (status == host::kNoErr)
    status = ReadTextPaths(text, origin, table, &tableLength, &pathCount, &pathAttribute);

  const std::uint64_t length = b.RunsEnd() + tableLength;
  if (status == host::kNoErr && !Reserve(object, length)) status = -1;
  if (CaptureStopped()) status = CaptureFailure();
  if (status == host::kNoErr) {
    if (tableLength > 0) std::memcpy(object + b.RunsEnd(), table, tableLength);
    TextObject head;
    std::memset(static_cast<void*>(&head), 0, sizeof head);
    head.header.type = static_cast<std::int32_t>(ObjectType::TextObject);
    head.header.length = static_cast<std::int32_t>(length);
    StoreBlendFields(text, &head.header);
    head.textType = static_cast<std::int16_t>(textType);
    head.pathTextAttribute = pathAttribute;
    head.pathTableOffset = static_cast<std::int32_t>(b.RunsEnd());
    head.pathTableLength = static_cast<std::int32_t>(tableLength);
    head.pathCount = pathCount;
    head.runCount = static_cast<std::int16_t>(b.runCount);
    std::memcpy(object, &head, sizeof head);
  }
  ReleaseBlock(table);
  Trace("PostArtTextProcess_END\r\n");
  return status;
}

}  // namespace velm
