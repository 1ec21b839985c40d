// What the art loader's object builders share while one record is placed: the container
// stack, the pattern table, the section modes, the placement offset and the status.
// Everything here lives for one placement only.
#pragma once

#include <cstdint>
#include <cstring>

#include "artformat/art_objects.h"
#include "host/art_types.h"
#include "host/errors.h"
#include "host/types.h"
#include "platform/os.h"

namespace velm {

// The deepest nesting the walk holds. The art tree writer opens group and compound path
// sections down to 1023 levels; inside a pattern definition its art nests as deep within
// the pattern's own group, one level more.
inline constexpr std::int32_t kMaxContainerDepth = 1024;
// The current container is the slot at depth + 1; slot 0 is unused.
inline constexpr std::int32_t kContainerSlots = kMaxContainerDepth + 2;
inline constexpr std::int32_t kPatternSlots = 1024;
// Pattern numbers that can be rebuilt.
inline constexpr std::int32_t kFirstPatternNumber = 1;
inline constexpr std::int32_t kLastPatternNumber = kPatternSlots - 1;

// One object of the stream, read only through checked copies: no read ever passes the
// object's own length, whatever its counts and offsets say.
class StreamObject {
 public:
  StreamObject(const std::uint8_t* bytes, std::int32_t length)
      : bytes_(bytes), length_(length < 0 ? 0 : length) {}

  std::int32_t length() const { return length_; }
  // Whether `count` bytes from `offset` lie inside the object.
  bool Holds(std::int64_t offset, std::int64_t count) const {
    return offset >= 0 && count >= 0 && offset <= length_ && count <= length_ - offset;
  }
  // Copies the record at `offset`; false (and nothing copied) when it does not fit.
  template <class Record>
  bool Read(std::int64_t offset, Record* record) const {
    if (!Holds(offset, static_cast<std::int64_t>(sizeof(Record)))) return false;
    std::memcpy(static_cast<void*>(record), bytes_ + offset, sizeof(Record));
    return true;
  }
  // The bytes from `offset` on; only valid where Holds said so.
  const std::uint8_t* At(std::int64_t offset) const { return bytes_ + offset; }

 private:
  const std::uint8_t* bytes_;
  std::int32_t length_;
};

struct Placement {
  // ContainerStack: the current container is containers[depth + 1]; slot 0 is unused.
  host::ArtHandle containers[kContainerSlots];
  std::int32_t depth;
  // PatternTable: the group built for each pattern definition, by its number.
  host::ArtHandle patterns[kPatternSlots];
  bool patternMode;
  std::int32_t patternNumber;
  // The depth at which the current pattern section began (its group is one deeper).
  std::int32_t patternDepth;
  bool pluginMode;
  host::ArtHandle pluginParent;
  host::ArtHandle pluginGroup;
  host::RealPoint originOffset;
  host::RealPoint dropPoint;
  host::RealPoint hardOrigin;
  // The last host result.
  host::Err status;
  // Set when the walk must end (after its beep, where there is one).
  bool ended;

  host::ArtHandle Container() const { return containers[depth + 1]; }
  // The lowest depth a closing marker may pop to: a pattern section's markers stay
  // inside its group.
  std::int32_t FloorDepth() const { return patternMode ? patternDepth + 1 : 0; }
  // The amount stored coordinates move by: none inside a pattern definition.
  host::RealPoint Displacement() const;
  // A stored point (already converted) moved to the placement.
  host::RealPoint Place(host::RealPoint point) const;
  // Ends the walk with one beep.
  void Fail();
};

// Makes new art of `type` where objects go now: inside the current container on top, or
// above all art of the current layer when there is no container.
host::Err NewArtHere(Placement& p, std::int32_t type, host::ArtHandle* art);
// The blending mode, opacity, isolation, knockout and alpha-is-shape of the header.
void SetBlendFields(Placement& p, host::ArtHandle art, const ObjectHeader& header);
// Points a pattern colour at a new pattern made from the definition numbered `number`,
// its tiles moved with the placement as the art's points are.
// False when the number is outside 1 … 1023, has no definition, or the host refuses;
// the caller then switches that paint off.
bool ResolvePattern(Placement& p, std::int32_t number, host::Color* color);
// Makes `color` gray 0.
void MakeGrayZero(host::Color* color);

// The object builders. Each reads only inside `object`; a builder that must end the walk
// sets p.ended (with the beep where the walk ends loudly).
void PlacePathObject(Placement& p, const StreamObject& object);
void PlaceTextObject(Placement& p, const StreamObject& object);
void PlaceRasterObject(Placement& p, const StreamObject& object);
void PlaceMeshObject(Placement& p, const StreamObject& object);

// Places the art of an expanded record held in `record` in the current layer: everything
// VelmLoadArt does once the record is read.
host::Err PlaceRecordArt(os::MemHandle record);

}  // namespace velm
