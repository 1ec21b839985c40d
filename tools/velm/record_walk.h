// Looking inside stored records without trusting them: the header's fields, the two
// coded parts and the objects of the art object stream, with every problem found named
// by where it lies. Used by show (what a record holds) and verify (what is wrong).
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace velmtool {

using Json = nlohmann::ordered_json;

// Where a problem's offset counts from.
enum class Place {
  kFile,       // from the start of the group file
  kArt,        // from the start of the expanded art object stream
  kThumbnail,  // from the start of the expanded thumbnail
};

struct Problem {
  std::int32_t record = -1;  // -1: the file as a whole
  Place place = Place::kFile;
  std::uint64_t offset = 0;
  std::string message;
};

// The header of a stored record (big-endian in the file), field by field.
struct StoredHeader {
  std::int32_t objectCount = 0;
  std::int32_t recordLength = 0;
  std::int32_t boundsLeft = 0, boundsTop = 0, boundsRight = 0, boundsBottom = 0;
  std::string name, kind, comment;  // Shift-JIS, up to the field's NUL
  std::uint32_t created = 0, modified = 0;
  std::uint32_t thumbnailLength = 0, artLength = 0;
};

inline constexpr std::uint32_t kStoredHeaderSize = 426;  // the header and two slack bytes

std::uint16_t BigEndian16(const std::uint8_t* p);
std::uint32_t BigEndian32(const std::uint8_t* p);

// Reads the 424 header bytes of a stored record.
StoredHeader ParseStoredHeader(const std::uint8_t* bytes);

// One object of an art object stream.
struct ObjectSummary {
  std::int32_t index = 0;
  std::int32_t type = 0;
  std::uint64_t offset = 0;  // in the expanded art stream
  std::int32_t length = 0;
  int depth = 0;  // levels opened by markers around it
  Json details = Json::object();
};

// "path", "text", "marker", "raster", "mesh" or "unknown".
const char* ObjectTypeName(std::int32_t type);

// Walks an expanded art object stream in file byte order (big-endian) from its first
// byte to its last: each object's type must be one the loader knows, its length at
// least 24 and inside the stream, and exactly what the counts inside it make; markers
// must open and close their levels in order. Summaries go to `objects` (for every object
// that lies in the stream), problems to `problems` (with art-stream offsets and
// `record`). `objectCount` is the header's count, checked against the objects found.
void WalkArtStream(std::uint8_t* art, std::uint64_t size, std::int32_t objectCount,
                   std::int32_t record, std::vector<ObjectSummary>* objects,
                   std::vector<Problem>* problems);

// Position just past the last whole item of an LZSS-coded stream, and whether the
// stream ends exactly there (false when it ends inside an item or after a flag byte
// with no item).
struct CodedEnd {
  bool complete = true;
  std::uint64_t lastItemEnd = 0;
};
CodedEnd CheckCodedStream(const std::uint8_t* coded, std::uint64_t size);

// Everything about one stored record.
struct RecordInspection {
  StoredHeader header;
  bool thumbnailExpanded = false;  // decoded to exactly 65536 bytes
  std::vector<std::uint8_t> thumbnail;
  bool artExpanded = false;
  std::uint64_t artSize = 0;  // expanded
  std::vector<ObjectSummary> objects;
  std::vector<Problem> problems;
};

// Inspects record `record` whose stored bytes are `bytes` (`size` of them, at most
// its recordLength; fewer when the file ends early) and which starts at `fileOffset` in
// its group file. Besides the layout it checks the bounds (left and bottom are 0, width
// and height not negative), the thumbnail's first byte of every pixel (0), and that each
// coded part is exactly what the coder writes for the bytes it expands to. Nothing is
// expanded that lies outside `size` or is longer than the coder can have written, so the
// work is bounded by the record's stored size.
RecordInspection InspectStoredRecord(const std::uint8_t* bytes, std::uint64_t size,
                                     std::int32_t record, std::uint64_t fileOffset);

}  // namespace velmtool
