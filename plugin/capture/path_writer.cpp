#include "capture/path_writer.h"

#include <cstdio>
#include <cstring>

#include "artformat/art_objects.h"
#include "capture/art_tree_writer.h"
#include "capture/capture_context.h"
#include "capture/conversions.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"

namespace velm {

namespace {

constexpr std::int32_t kMaxSegmentCount = 32767;

std::int16_t Narrow(std::int32_t value) {
  return static_cast<std::int16_t>(value);
}

// The marker text of pattern definition `number` from one of the two marker formats.
void PatternMarker(char (&text)[40], const char* format, std::int32_t number) {
  std::snprintf(text, sizeof text, format, static_cast<int>(number));
}

void MakeGrayZero(host::Color* color) {
  std::memset(static_cast<void*>(color), 0, sizeof *color);
  color->kind = host::kGrayColor;
}

// An unpainted pattern or gradient: its kind without anything else, or gray 0 for a
// gradient where a painted one would become gray 0 as well.
void ClearUnpaintedColor(host::Color* color, bool keepGradient) {
  const std::int32_t kind = color->kind;
  if (kind != host::kPatternColor && kind != host::kGradientColor) return;
  if (kind == host::kGradientColor && !keepGradient) {
    MakeGrayZero(color);
    return;
  }
  std::memset(static_cast<void*>(color), 0, sizeof *color);
  color->kind = kind;
}

// ---- Pattern definitions ----

// One definition of the capture's current pattern use: the pattern, its number, the
// definition whose art uses it (-1 for a use in the captured art) and whether its writing
// has begun.
struct Definition {
  host::PatternHandle pattern;
  std::int32_t number;
  std::int32_t parent;
  std::int32_t started;
};

os::MemHandle gDefinitions = nullptr;
std::int32_t gDefinitionCount = 0;
// The definition being written, -1 outside one.
std::int32_t gWriting = -1;

Definition* Definitions() {
  return reinterpret_cast<Definition*>(gDefinitions);
}

// Adds a definition with the next pattern number; 0 when memory ran out.
std::int32_t AddDefinition(host::PatternHandle pattern, std::int32_t parent) {
  const std::uint64_t bytes = static_cast<std::uint64_t>(gDefinitionCount + 1) * sizeof(Definition);
  if (bytes > 0x7FFFFFFF || !GrowObject(gDefinitions, static_cast<std::uint32_t>(bytes))) return 0;
  const std::int32_t number = ++gGlobals->patternCounter;
  Definitions()[gDefinitionCount++] = {pattern, number, parent, 0};
  return number;
}

// A use inside the definition being written: none for a pattern that is being defined
// already (its art would contain itself without end), the number of a definition still
// waiting to be written, or a new waiting definition.
std::int32_t DeferDefinition(host::PatternHandle pattern) {
  for (std::int32_t e = gWriting; e >= 0; e = Definitions()[e].parent)
    if (Definitions()[e].pattern == pattern) return 0;
  for (std::int32_t e = 0; e < gDefinitionCount; ++e)
    if (!Definitions()[e].started && Definitions()[e].pattern == pattern)
      return Definitions()[e].number;
  return AddDefinition(pattern, gWriting);
}

// Writes definition `index` into the scratch stream: its markers around its art, captured
// whether selected or not, relative to the art's own bottom-left corner.
void WriteDefinition(std::int32_t index) {
  Globals* g = gGlobals;
  Definitions()[index].started = 1;
  const host::PatternHandle pattern = Definitions()[index].pattern;
  const std::int32_t number = Definitions()[index].number;

  host::ArtHandle art = nullptr;
  host::RealRect bounds{};
  if (sPattern->GetPatternArt(pattern, &art) != host::kNoErr) art = nullptr;
  if (art && sArt->GetArtBounds(art, &bounds) != host::kNoErr) bounds = {};
  const host::RealPoint origin{bounds.left, bounds.bottom};

  const os::MemHandle artRecord = g->currentRecord;
  g->currentRecord = g->scratchRecord;
  const std::int32_t outer = gWriting;
  gWriting = index;
  {
    CaptureAllScope all;
    // The tile is drawn on its own, not under the groups around the art that uses it.
    CarriedOpacityScope alone(1.0f, true);
    char marker[40];
    PatternMarker(marker, kMarkerPatternOpenFormat, number);
    if (AppendMarker(marker)) {
      if (art) PostArtProcess(art, origin, 0);
      PatternMarker(marker, kMarkerPatternCloseFormat, number);
      AppendMarker(marker);
    }
  }
  gWriting = outer;
  g->scratchRecord = g->currentRecord;
  g->currentRecord = artRecord;
}

// Replaces the pattern reference of a pattern colour by its definition's number (0 when
// none was written), and moves the tiles' placement by -origin, as every stored position:
// placed, they then move with the art.
void TreatPattern(host::Color* color, host::RealPoint origin) {
  const std::int32_t number = WritePatternDefinition(color->c.pattern.pattern);
  color->c.pattern.pattern =
      reinterpret_cast<host::PatternHandle>(static_cast<std::uintptr_t>(number));
  color->c.pattern.transform.tx -= origin.h;
  color->c.pattern.transform.ty -= origin.v;
}

// ---- Fill gradient ----

// Fills the gradient block from the fill's gradient and brings the fill's matrix to its
// stored form: the previous generation's matrix with its translation moved by -origin
// and the hard origin. `anchor` receives the current generation's translation minus the
// origin. A stop that cannot be read is left out.
void WriteFillGradient(host::Color* fill, const host::PathStyle& style4, host::RealPoint origin,
                       host::RealPoint hardOrigin, GradientBlock* block, host::RealPoint* anchor) {
  host::GradientStyle& g = fill->c.gradient;
  std::int32_t type = 0;
  sGradient->GetGradientType(g.gradient, &type);
  block->gradientType = Narrow(type);
  std::int32_t count = 0;
  sGradient->GetGradientStopCount(g.gradient, &count);
  std::int32_t stored = 0;
  for (std::int32_t i = 0; i < count && stored < kGradientStopSlots; ++i) {
    host::GradientStop stop;
    std::memset(static_cast<void*>(&stop), 0, sizeof stop);
    if (sGradient->GetNthGradientStop(g.gradient, i, &stop) != host::kNoErr) continue;
    if (stop.color.kind == host::kCustomColor) ReduceCustomColor(&stop.color);
    const std::int32_t kind = stop.color.kind;
    if (kind == host::kGrayColor || kind == host::kProcessColor || kind == host::kRgbColor)
      ConvertGradientStop(stop, &block->stops[stored++]);
  }
  block->stopCount = Narrow(stored);

  g.gradient = nullptr;
  *anchor = {g.matrix.tx - origin.h, g.matrix.ty - origin.v};
  g.matrix = style4.fill.color.c.gradient.matrix;
  g.matrix.tx = g.matrix.tx - origin.h + hardOrigin.h;
  g.matrix.ty = g.matrix.ty - origin.v - hardOrigin.v;
}

}  // namespace

void ClearUnpaintedPaint(host::PathStyle* style, bool keepFillGradient) {
  if (!style->fillPaint) ClearUnpaintedColor(&style->fill.color, keepFillGradient);
  if (!style->strokePaint) ClearUnpaintedColor(&style->stroke.color, false);
}

host::Err ReduceCustomColor(host::Color* color) {
  if (color->kind != host::kCustomColor) return host::kNoErr;
  host::CustomColorDefinition definition;
  std::memset(static_cast<void*>(&definition), 0, sizeof definition);
  const host::Err status = sCustomColor->GetCustomColor(color->c.custom.color, &definition);
  if (status != host::kNoErr) return status;
  if (definition.kind == host::kCustomProcessDefinition) {
    std::memset(static_cast<void*>(color), 0, sizeof *color);
    color->kind = host::kProcessColor;
    color->c.process = definition.c.process;
  } else if (definition.kind == host::kCustomRgbDefinition) {
    std::memset(static_cast<void*>(color), 0, sizeof *color);
    color->kind = host::kRgbColor;
    color->c.rgb = definition.c.rgb;
  }
  return status;
}

std::int32_t WritePatternDefinition(host::PatternHandle pattern) {
  Globals* g = gGlobals;
  if (CaptureStopped() || !g->scratchRecord) return 0;
  host::ArtHandle art = nullptr;
  if (sPattern->GetPatternArt(pattern, &art) != host::kNoErr || !art) return 0;
  if (gWriting >= 0) return DeferDefinition(pattern);

  gDefinitionCount = 0;
  const std::int32_t number = AddDefinition(pattern, -1);
  // Definitions used inside this one are added while it is written and follow it.
  for (std::int32_t i = 0; number && i < gDefinitionCount && !CaptureStopped(); ++i)
    WriteDefinition(i);
  ReleaseBlock(gDefinitions);
  gDefinitionCount = 0;
  return number;
}

host::Err PostArtPathProcess(host::ArtHandle path, os::MemHandle& object, host::RealPoint origin) {
  Trace("PostArtPathProcess_START\r\n");
  const host::RealPoint zero{0.0f, 0.0f};
  host::RealPoint hardOrigin{0.0f, 0.0f};
  sHardSoft->RealPointHarden(&zero, &hardOrigin);
  host::RealPoint gradientAnchor{kUnsetAnchor, kUnsetAnchor};

  // Paint that cannot be read is stored as the host left it; geometry that cannot be read
  // (the segment count, a segment, the closed flag) loses the path and fails the capture.
  std::int32_t n = 0;
  host::Boolean guide = 0;
  host::PathStyle style;
  host::PathStyle style4;
  std::memset(static_cast<void*>(&style), 0, sizeof style);
  std::memset(static_cast<void*>(&style4), 0, sizeof style4);
  host::Err status = sPath->GetPathSegmentCount(path, &n);
  if (status == host::kNoErr && sPath->GetPathGuide(path, &guide) != host::kNoErr) guide = 0;
  sPathStyle->GetPathStyle(path, &style);
  sPathStyle4->GetPathStyle(path, &style4);
  // A count the 16-bit segment count cannot hold would store a path that reads back
  // differently: such a path is refused.
  if (status == host::kNoErr && n > kMaxSegmentCount) status = -1;
  if (status != host::kNoErr || n <= 0 || guide) {
    Trace("PostArtPathProcess_END\r\n");
    return status;
  }

  const std::uint32_t length =
      sizeof(PathObject) + sizeof(PathSegment) * static_cast<std::uint32_t>(n);
  if (!GrowObject(object, length)) return -1;

  static_assert(sizeof(PathObject) == 5104);
  PathObject head;
  std::memset(static_cast<void*>(&head), 0, sizeof head);
  head.header.type = static_cast<std::int32_t>(ObjectType::PathObject);
  head.header.length = static_cast<std::int32_t>(length);

  if (style.fillPaint) {
    host::Color& fill = style.fill.color;
    if (fill.kind == host::kGradientColor)
      WriteFillGradient(&fill, style4, origin, hardOrigin, &head.fillGradient, &gradientAnchor);
    else if (fill.kind == host::kCustomColor)
      ReduceCustomColor(&fill);
    else if (fill.kind == host::kPatternColor)
      TreatPattern(&fill, origin);
  }
  if (style.strokePaint) {
    host::Color& stroke = style.stroke.color;
    if (stroke.kind == host::kGradientColor) {
      MakeGrayZero(&stroke);
      NoteCaptureLoss(CaptureLoss::kStrokeGradient);
    } else if (stroke.kind == host::kCustomColor) {
      ReduceCustomColor(&stroke);
    } else if (stroke.kind == host::kPatternColor) {
      TreatPattern(&stroke, origin);
    }
  }
  ClearUnpaintedPaint(&style, true);
  if (CaptureStopped()) return CaptureFailure();

  ConvertPathStyle(style, &head.style, &gradientAnchor);
  head.segmentCount = Narrow(n);
  StoreBlendFields(path, &head.header);

  std::uint8_t* segments = object + sizeof(PathObject);
  for (std::int32_t i = 0; status == host::kNoErr && i < n; ++i) {
    host::PathSegment segment{};
    status = sPath->GetPathSegments(path, i, 1, &segment);
    PathSegment stored;
    ConvertMovedSegment(segment, origin, &stored);
    std::memcpy(segments + sizeof(PathSegment) * static_cast<std::uint32_t>(i), &stored,
                sizeof stored);
  }
  host::Boolean closed = 0;
  if (status == host::kNoErr) status = sPath->GetPathClosed(path, &closed);
  head.closed = closed;

  // The head goes in last: a path whose geometry was not read whole stays unbuilt.
  if (status == host::kNoErr) std::memcpy(object, &head, sizeof head);
  Trace("PostArtPathProcess_END\r\n");
  return status;
}

}  // namespace velm
