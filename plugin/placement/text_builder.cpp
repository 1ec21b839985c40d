// Text objects: the text art, its runs written through a text stream, and its text paths
// with their shapes and matrices.
#include <cstring>

#include "frame/suites.h"
#include "placement/load_conversions.h"
#include "placement/placement_state.h"

namespace velm {

namespace {

// Paint of characters: gradients become gray 0, patterns point at their definitions
// (or the paint is switched off).
void ResolveRunPaint(Placement& p, const StoredPathStyle& stored, host::PathStyle* style) {
  if (style->fillPaint) {
    if (style->fill.color.kind == host::kGradientColor)
      MakeGrayZero(&style->fill.color);
    else if (style->fill.color.kind == host::kPatternColor &&
             !ResolvePattern(p, stored.fillColor.payload.pattern.patternNumber, &style->fill.color))
      style->fillPaint = 0;
  }
  if (style->strokePaint) {
    if (style->stroke.color.kind == host::kGradientColor)
      MakeGrayZero(&style->stroke.color);
    else if (style->stroke.color.kind == host::kPatternColor &&
             !ResolvePattern(p, stored.strokeColor.payload.pattern.patternNumber,
                             &style->stroke.color))
      style->strokePaint = 0;
  }
}

void WriteRun(Placement& p, host::TextStreamHandle stream, const TextRun& run) {
  host::PathStyle paint;
  PathStyleFromStored(run.paintStyle, &paint);
  ResolveRunPaint(p, run.paintStyle, &paint);
  host::TextFont font;
  FontFromStored(run.font, &font);
  host::ParagraphAttributes paragraph;
  ParagraphAttributesFromStored(run.paragraphAttributes, &paragraph);
  host::CharacterAttributes character;
  CharacterAttributesFromStored(run.characterAttributes, &character);
  host::TabStops tabs;
  TabStopsFromStored(run.tabStops, &tabs);

  p.status = sTextStream->SetPaintStyle(stream, &paint);
  p.status = sTextStream->SetFont(stream, &font);
  p.status = sTextStream->SetParagraphAttributes(stream, &paragraph);
  p.status = sTextStream->SetCharacterAttributes(stream, &character);
  p.status = sTextStream->SetTabStops(stream, &tabs);
  p.status = sTextStream->SetRunValue(stream, RunValueFromStored(run.runValue));
  // The text is NUL-terminated; a damaged run without its NUL ends at 255 bytes.
  std::int32_t length = 0;
  while (length < static_cast<std::int32_t>(sizeof run.text) - 1 && run.text[length])
    ++length;
  if (length > 0) p.status = sTextStream->InsertText(stream, run.text, length);
}

// The text path of `text` whose path art is `art`, or null.
host::TextPathHandle TextPathOf(Placement& p, host::ArtHandle text, host::ArtHandle art) {
  host::TextPathHandle path = nullptr;
  p.status = sTextPath->GetFirstTextPath(text, &path);
  // A text holds at most as many paths as the stream can describe; the bound only guards
  // against a host that lists them in a ring.
  for (std::int32_t guard = 0; p.status == host::kNoErr && path && guard < 65536; ++guard) {
    host::ArtHandle pathArt = nullptr;
    if (sTextPath->GetTextPathArt(path, &pathArt) == host::kNoErr && pathArt == art) return path;
    p.status = sTextPath->GetNextTextPath(path, &path);
  }
  return nullptr;
}

// Gives `art` the entry's segments (replacing its own) and closed flag.
void ReplaceSegments(Placement& p, host::ArtHandle art, const StreamObject& object, std::int64_t at,
                     const TextPathEntry& entry) {
  std::int32_t existing = 0;
  p.status = sPath->GetPathSegmentCount(art, &existing);
  if (p.status == host::kNoErr && existing > 0)
    p.status = sPath->DeletePathSegments(art, 0, existing);
  for (std::int32_t s = 0; s < entry.segmentCount; ++s) {
    PathSegment stored;
    object.Read(at + sizeof(TextPathEntry) + std::int64_t{s} * sizeof(PathSegment), &stored);
    host::PathSegment segment;
    SegmentFromStored(stored, &segment);
    segment.anchor = p.Place(segment.anchor);
    segment.in = p.Place(segment.in);
    segment.out = p.Place(segment.out);
    p.status = sPath->SetPathSegments(art, s, 1, &segment);
    if (p.status != host::kNoErr) break;
  }
  p.status = sPath->SetPathClosed(art, static_cast<host::Boolean>(entry.closed != 0));
}

// The text paths of the path table. The first entry shapes the text's own first path;
// each further entry shapes a duplicate of it that is handed to the text as one more
// path, and its matrix and attribute go on that new path (not on the first one).
void PlaceTextPaths(Placement& p, host::ArtHandle text, const StreamObject& object,
                    const TextObject& head) {
  std::int64_t at = head.pathTableOffset;
  const std::int64_t tableEnd = at + head.pathTableLength;
  if (at < static_cast<std::int64_t>(sizeof(TextObject)) || head.pathTableLength < 0) return;
  for (std::int32_t i = 0; i < head.pathCount; ++i) {
    TextPathEntry entry;
    if (!object.Read(at, &entry) || entry.segmentCount < 0) return;
    const std::int64_t size =
        sizeof(TextPathEntry) + std::int64_t{entry.segmentCount} * sizeof(PathSegment);
    // An entry that passes its table or its object is damaged: the paths end there.
    if (at + size > tableEnd || !object.Holds(at, size)) return;

    host::TextPathHandle first = nullptr;
    host::ArtHandle firstArt = nullptr;
    p.status = sTextPath->GetFirstTextPath(text, &first);
    if (p.status != host::kNoErr || !first) return;
    p.status = sTextPath->GetTextPathArt(first, &firstArt);
    if (p.status != host::kNoErr || !firstArt) return;

    host::TextPathHandle path = first;
    host::ArtHandle art = firstArt;
    if (i >= 1) {
      host::ArtHandle copy = nullptr;
      p.status = sArt->DuplicateArt(firstArt, host::kPlaceBelow, firstArt, &copy);
      if (p.status != host::kNoErr || !copy) return;
      p.status = sTextPath->AddTextPath(text, nullptr, host::kPlaceInsideOnBottom, &copy);
      if (p.status != host::kNoErr) return;
      art = copy;
      path = TextPathOf(p, text, copy);
      if (!path) return;
    }
    p.status = sTextPath->SetTextPathAttribute(path, head.pathTextAttribute);
    ReplaceSegments(p, art, object, at, entry);
    host::RealMatrix matrix = MatrixFromStored(entry.matrix);
    const host::RealPoint moved = p.Place({matrix.tx, matrix.ty});
    matrix.tx = moved.h;
    matrix.ty = moved.v;
    p.status = sTextPath->SetTextPathMatrix(path, &matrix);
    at += size;
  }
}

}  // namespace

void PlaceTextObject(Placement& p, const StreamObject& object) {
  TextObject head;
  if (!object.Read(0, &head)) return;
  // Runs that do not fit the object are damaged: the object is left out.
  const std::int32_t runs = head.runCount;
  if (runs < 0 || !object.Holds(sizeof(TextObject), std::int64_t{runs} * sizeof(TextRun))) return;

  host::ArtHandle text = nullptr;
  if (NewArtHere(p, host::kTextArt, &text) != host::kNoErr) return;  // skipped silently
  SetBlendFields(p, text, head.header);

  host::TextStreamHandle stream = nullptr;
  p.status = sTextStream->OpenTextStream(text, host::kTextStreamWrite, &stream);
  if (p.status == host::kNoErr && stream) {
    // One run at a time through an aligned copy (5888 bytes, too many for the stack of
    // the host's thread in one frame with the converted records).
    os::MemHandle buffer = os::MemAlloc(sizeof(TextRun));
    if (buffer) {
      for (std::int32_t r = 0; r < runs; ++r) {
        std::memcpy(buffer, object.At(sizeof(TextObject) + std::int64_t{r} * sizeof(TextRun)),
                    sizeof(TextRun));
        WriteRun(p, stream, *reinterpret_cast<const TextRun*>(buffer));
      }
      os::MemFree(buffer);
    }
    p.status = sTextStream->CloseTextStream(stream);
  }
  p.status = sText->SetTextType(text, head.textType);
  PlaceTextPaths(p, text, object, head);
}

}  // namespace velm
