// Hand-built images of art objects and records for the byte-order tests. Offsets are
// written out by hand from the stored format (not taken from the plug-in's structs), and
// every numeric field is listed as it is placed, so that a test can check that exactly
// those bytes were reversed and every other byte stayed as it was.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "platform/os.h"

namespace velmtest {

struct NumericField {
  std::uint32_t offset;
  int width;  // 2 or 4
};

class ObjectImage {
 public:
  // `size` bytes of random filler; fields are then placed over it.
  ObjectImage(std::uint32_t size, std::mt19937& rng);

  std::vector<std::uint8_t> bytes;
  std::vector<NumericField> fields;

  void Set16(std::uint32_t offset, std::int16_t value);
  void Set32(std::uint32_t offset, std::int32_t value);
  void Num16(std::uint32_t offset, int count = 1);
  void Num32(std::uint32_t offset, int count = 1);

  // Common header with this type and the image's size as length.
  void Header(std::int32_t type);
  // A StoredColor of the given kind (payload fields listed by kind).
  void Color(std::uint32_t offset, std::int16_t kind);
  void PathStyle(std::uint32_t offset, std::int16_t fillKind, std::int16_t strokeKind);
  // All 32 stop slots, their colours cycling through gray, process and RGB.
  void GradientBlock(std::uint32_t offset);
  void Segment(std::uint32_t offset);
  void TextRun(std::uint32_t offset);
};

// A path object with `segments` segments, a gradient fill and a pattern stroke.
ObjectImage PathObjectImage(std::mt19937& rng, int segments);
// A text object with `runs` runs and text paths of the given segment counts.
ObjectImage TextObjectImage(std::mt19937& rng, int runs, const std::vector<int>& pathSegments);
ObjectImage RasterObjectImage(std::mt19937& rng, int tiles);
// A mesh object; one vertex per entry, each entry the point counts of its segments.
ObjectImage MeshObjectImage(std::mt19937& rng, const std::vector<std::vector<int>>& vertices);
ObjectImage MarkerObjectImage(const char* text);

// Appends objects to an expanded record block as the capture does (grows the block,
// updates objectCount and recordLength).
void AppendObject(velm::os::MemHandle& record, const ObjectImage& object);

// Checks `after` against `before` (both `image.bytes.size()` long): every listed field
// reversed, every other byte unchanged. Reports failures through GoogleTest.
void ExpectConverted(const ObjectImage& image, const std::uint8_t* after);

}  // namespace velmtest
