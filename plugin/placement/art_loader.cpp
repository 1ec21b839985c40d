#include "placement/art_loader.h"

#include <cstring>
#include <string_view>

#include "artformat/art_objects.h"
#include "database/art_stream.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "placement/load_conversions.h"
#include "placement/placement_state.h"
#include "platform/gui.h"

// Decisions of our own where the stored format or the host leaves room, all for streams
// the art tree writer does not produce or for what it stores as it stands:
// - A stream whose objects cannot be walked (a length past the stream) places nothing
//   and beeps. An object whose counts claim more than it holds is left out (paths, text
//   runs); text paths, raster tiles and mesh records that run out end there, and what
//   was built so far stays. No read ever passes an object's own length.
// - The container stack holds 1024 levels: every stream the writer makes (1023 levels,
//   one more inside a pattern definition). A marker that would nest deeper (only a
//   damaged stream has one) ends the walk with a beep, like a failed creation. A closing
//   marker with nothing open to close is ignored, and then sets no clipping flag either.
// - A walk that ends early (or never starts, on a hidden or locked layer) is a failure:
//   the status is the host error that ended it, or -1, never 0, so that callers can tell
//   a partial placement from a whole one.
// - A pattern section is a container of its own: its group is pushed on the container
//   stack, so that groups, clipping groups and compound paths of the definition nest
//   inside the pattern's group, as the writer found them, instead of landing in the
//   document; its end closes whatever the section left open. Gradients and meshes of a
//   definition keep its stored coordinates, as its paths do.
// - A pattern number defined twice keeps its last definition (the earlier group goes).
// - Plug-in data longer than the 255 bytes a marker holds makes no plug-in art.
// - Text paths after the first get their matrix and attribute on the new path itself.
namespace velm {

namespace {

const char kPlacementUndoText[] = "配置の取り消し";
const char kPlacementRedoText[] = "配置のやり直し";

// Marker texts as the loader recognises them (substrings, tested in this order).
constexpr std::string_view kGroupClose = "/ GroupArt";
constexpr std::string_view kGroupOpen = "GroupArt /";
constexpr std::string_view kClipped = "Clipped=TRUE";
constexpr std::string_view kCompoundClose = "/ CompoundPathArt";
constexpr std::string_view kCompoundOpen = "CompoundPathArt /";
constexpr std::string_view kPatternClose = "/ PatternArt";
constexpr std::string_view kPatternWord = "PatternArt";
constexpr std::string_view kPluginClose = "/ PluginArt";
constexpr std::string_view kPluginOpen = "PluginArt /";
// The pattern number follows the marker word: from the 13th character, at most 5.
constexpr std::size_t kPatternNumberAt = 12;
constexpr std::size_t kPatternNumberWidth = 5;

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The text of a marker object: from offset 24 to its NUL, never past the object.
std::string_view MarkerText(const StreamObject& object) {
  if (!object.Holds(sizeof(ObjectHeader), 0)) return {};
  const char* text = reinterpret_cast<const char*>(object.At(sizeof(ObjectHeader)));
  const std::size_t room = static_cast<std::size_t>(object.length()) - sizeof(ObjectHeader);
  std::size_t n = 0;
  while (n < room && text[n])
    ++n;
  return {text, n};
}

// A signed decimal number: leading blanks, one sign, then digits up to the first other
// character; 0 when there are no digits.
std::int32_t ParseNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
    ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  std::int32_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    value = value * 10 + (text[at] - '0');  // at most 5 characters: no overflow
  return negative ? -value : value;
}

// Opens a container of `type` inside the current one and makes it current. Nesting
// deeper than the stack holds (only a damaged stream does that) ends the walk with a
// beep, as a failed creation does.
void PushContainer(Placement& p, std::int32_t type) {
  if (p.depth >= kMaxContainerDepth) {
    p.Fail();
    return;
  }
  const host::ArtHandle parent = p.Container();
  host::ArtHandle art = nullptr;
  if (NewArtHere(p, type, &art) != host::kNoErr) {
    p.Fail();
    return;
  }
  ++p.depth;
  p.containers[p.depth + 1] = art;
  if (type == host::kGroupArt && p.pluginMode && !p.pluginGroup) {
    p.pluginParent = parent;
    p.pluginGroup = art;
  }
}

// Closes the current container, making it a clipping group first when `clipped`. A
// closing marker with nothing open to close (at the bottom of the stack, or at a pattern
// section's own group; only a damaged stream has one) is ignored, and changes nothing.
void PopContainer(Placement& p, bool clipped) {
  if (p.depth <= p.FloorDepth()) return;
  if (clipped && p.Container()) p.status = sGroup->SetGroupClipped(p.Container(), 1);
  --p.depth;
}

// Ends the pattern section in progress: whatever it left open is closed with it.
void EndPatternSection(Placement& p) {
  if (!p.patternMode) return;
  p.depth = p.patternDepth;
  p.patternMode = false;
}

// Starts the definition of pattern `number`: a group above all art of the current layer
// (kept in the pattern table until the end of the placement), which becomes the current
// container for the section's art, so that its groups and compound paths nest inside it.
void BeginPatternSection(Placement& p, std::int32_t number) {
  EndPatternSection(p);
  if (p.depth >= kMaxContainerDepth) {
    p.Fail();
    return;
  }
  host::ArtHandle group = nullptr;
  p.status = sArt->NewArt(host::kGroupArt, host::kPlaceAboveAll, nullptr, &group);
  if (p.status != host::kNoErr || !group) {
    p.Fail();
    return;
  }
  // A number defined twice keeps its last definition; the earlier group goes.
  if (p.patterns[number]) sArt->DisposeArt(p.patterns[number]);
  p.patterns[number] = group;
  p.patternMode = true;
  p.patternNumber = number;
  p.patternDepth = p.depth;
  ++p.depth;
  p.containers[p.depth + 1] = group;
}

// The marker that opens plug-in art (met last, after its edit art): the plug-in art is
// made from the section's first group when a plug-in group of the stored name exists.
void EndPluginSection(Placement& p, const StreamObject& object) {
  PluginArtMarker marker;
  if (p.pluginGroup && object.Read(sizeof(ObjectHeader), &marker) &&
      marker.dataCount <= sizeof marker.data) {
    char name[sizeof marker.groupName + 1];
    std::memcpy(name, marker.groupName, sizeof marker.groupName);
    name[sizeof marker.groupName] = 0;
    std::int32_t count = 0;
    p.status = sPluginGroup->CountPluginGroups(&count);
    for (std::int32_t i = 0; p.status == host::kNoErr && i < count; ++i) {
      host::PluginGroupHandle group = nullptr;
      const char* groupName = nullptr;
      if ((p.status = sPluginGroup->GetNthPluginGroup(i, &group)) != host::kNoErr) break;
      if (sPluginGroup->GetPluginGroupName(group, &groupName) != host::kNoErr || !groupName ||
          std::strcmp(groupName, name) != 0)
        continue;
      host::ArtHandle art = nullptr;
      p.status = p.pluginParent
                     ? sArt->NewArt(host::kPluginArt, host::kPlaceInsideOnTop, p.pluginParent, &art)
                     : sArt->NewArt(host::kPluginArt, host::kPlaceAboveAll, nullptr, &art);
      if (p.status != host::kNoErr) break;
      if ((p.status = sPluginGroup->SetPluginArtEditArt(art, p.pluginGroup)) == host::kNoErr &&
          (p.status = sPluginGroup->SetPluginArtPluginGroup(art, group)) == host::kNoErr &&
          (p.status = sPluginGroup->SetPluginArtVersion(art, marker.majorVersion,
                                                        marker.minorVersion)) == host::kNoErr &&
          (p.status = sPluginGroup->SetPluginArtDataCount(art, marker.dataCount)) == host::kNoErr)
        p.status = sPluginGroup->SetPluginArtDataRange(art, marker.data, 0, marker.dataCount);
      break;
    }
  }
  p.pluginMode = false;
}

void PlaceMarker(Placement& p, const StreamObject& object) {
  const std::string_view text = MarkerText(object);
  if (Contains(text, kGroupClose)) {
    PushContainer(p, host::kGroupArt);
  } else if (Contains(text, kGroupOpen)) {
    PopContainer(p, Contains(text, kClipped));
  } else if (Contains(text, kCompoundClose)) {
    PushContainer(p, host::kCompoundPathArt);
  } else if (Contains(text, kCompoundOpen)) {
    PopContainer(p, false);
  } else if (Contains(text, kPatternClose)) {
    const std::string_view digits =
        text.size() > kPatternNumberAt ? text.substr(kPatternNumberAt, kPatternNumberWidth) : "";
    const std::int32_t number = ParseNumber(digits);
    if (number >= kFirstPatternNumber && number <= kLastPatternNumber)
      BeginPatternSection(p, number);
  } else if (p.patternMode && Contains(text, kPatternWord)) {
    EndPatternSection(p);
  } else if (Contains(text, kPluginClose)) {
    p.pluginMode = true;
    p.pluginParent = nullptr;
    p.pluginGroup = nullptr;
  } else if (p.pluginMode && Contains(text, kPluginOpen)) {
    EndPluginSection(p, object);
  }
}

void PlaceObject(Placement& p, const StreamObject& object) {
  ObjectHeader header;
  if (!object.Read(0, &header)) return;
  switch (header.type) {
    case static_cast<std::int32_t>(ObjectType::MarkerObject):
      PlaceMarker(p, object);
      break;
    case static_cast<std::int32_t>(ObjectType::PathObject):
      PlacePathObject(p, object);
      break;
    case static_cast<std::int32_t>(ObjectType::TextObject):
      PlaceTextObject(p, object);
      break;
    case static_cast<std::int32_t>(ObjectType::RasterObject):
      PlaceRasterObject(p, object);
      break;
    case static_cast<std::int32_t>(ObjectType::MeshObject):
      PlaceMeshObject(p, object);
      break;
    default:  // other types are skipped
      break;
  }
}

}  // namespace

void SetPlacementUndoText() {
  sUndo->BeginUndoStep();
  sUndo->SetUndoText(kPlacementUndoText, kPlacementRedoText);
}

std::int32_t CurrentLayerUsable(host::LayerHandle layer) {
  host::Boolean visible = 0;
  host::Boolean editable = 0;
  if (sLayer->GetLayerVisible(layer, &visible) != host::kNoErr ||
      sLayer->GetLayerEditable(layer, &editable) != host::kNoErr)
    return 1;
  return visible && editable ? 0 : 1;
}

host::RealPoint OriginOffset(const host::RealRect& bounds, std::int32_t originMode) {
  const host::Real negativeWidth = bounds.left - bounds.right;
  const host::Real negativeHeight = bounds.bottom - bounds.top;
  if (originMode < 0 || originMode > 8) return {0.0f, 0.0f};
  const std::int32_t column = originMode / 3;
  const std::int32_t row = originMode % 3;
  host::RealPoint offset{0.0f, 0.0f};
  if (column == 1) offset.h = sRealMath->RealDiv(negativeWidth, 2.0f);
  if (column == 2) offset.h = negativeWidth;
  if (row == 0) offset.v = negativeHeight;
  if (row == 1) offset.v = sRealMath->RealDiv(negativeHeight, 2.0f);
  return offset;
}

host::Err PlaceRecordArt(os::MemHandle record) {
  Globals* g = gGlobals;
  if (!g || !record) return -1;
  // Working state of one placement: 16 KiB of handles, kept off the stack.
  os::MemHandle block = os::MemAlloc(sizeof(Placement));
  if (!block) return host::kOutOfMemoryErr;
  Placement& p = *reinterpret_cast<Placement*>(block);
  std::memset(static_cast<void*>(&p), 0, sizeof p);
  p.dropPoint = g->dropPoint;
  p.hardOrigin = {0.0f, 0.0f};
  const host::RealPoint zero{0.0f, 0.0f};
  p.status = sHardSoft->RealPointHarden(&zero, &p.hardOrigin);

  SetPlacementUndoText();
  p.originOffset = OriginOffset(RectFromStored(RecordHeader(record)->bounds), g->originMode);

  host::LayerHandle layer = nullptr;
  p.status = sLayer->GetCurrentLayer(&layer);
  if (p.status != host::kNoErr || CurrentLayerUsable(layer) != 0) {
    gui::Beep();
    const host::Err refused = p.status != host::kNoErr ? p.status : -1;
    os::MemFree(block);
    return refused;
  }
  host::ArtHandle top = nullptr;
  p.status = sArt->GetFirstArtOfLayer(layer, &top);
  p.containers[1] = p.status == host::kNoErr ? top : nullptr;

  // Every object takes at least its header: a count beyond that is damage, refused
  // before the index is sized by it.
  const Record* header = RecordHeader(record);
  const std::int64_t streamBytes =
      static_cast<std::int64_t>(header->recordLength) - kEmptyRecordLength;
  const bool countFits =
      header->objectCount >= 0 && streamBytes >= 0 &&
      header->objectCount <= streamBytes / static_cast<std::int64_t>(sizeof(ObjectHeader));
  ObjectIndex index;
  if (!countFits || !index.Build(record)) {
    // A stream that cannot be walked places nothing.
    gui::Beep();
    p.status = -1;
  } else {
    for (std::int32_t i = index.count() - 1; i >= 0 && !p.ended; --i)
      PlaceObject(p, StreamObject(index.Object(i), index.Length(i)));
  }

  // The pattern groups go, whatever happened: the patterns keep copies of them.
  for (host::ArtHandle& group : p.patterns)
    if (group) {
      sArt->DisposeArt(group);
      group = nullptr;
    }
  // A walk that ended early placed part of the art at most: a failure, whatever the last
  // host call said.
  const host::Err status = p.ended && p.status == host::kNoErr ? -1 : p.status;
  os::MemFree(block);
  return status;
}

host::Err VelmLoadArt(const char* group, std::int32_t recordNumber) {
  Trace("VelmLoadArt_START\r\n");
  Globals* g = gGlobals;
  if (!g || !group) return -1;
  const host::Err read = VelmReadRecord(group, recordNumber, nullptr, kReadWholeRecord, true);
  if (read != host::kNoErr || !g->currentRecord) {
    Trace("VelmLoadArt_END\r\n");
    return read;
  }
  const host::Err status = PlaceRecordArt(g->currentRecord);
  Trace("VelmLoadArt_END\r\n");
  return status;
}

}  // namespace velm
