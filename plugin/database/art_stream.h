// The art object stream of a record: typed, length-prefixed objects back to back from
// offset 65960 of an expanded record, nesting expressed by marker objects. Objects are
// appended during a capture and fetched by index when art is placed.
#pragma once

#include <cstdint>

#include "artformat/art_objects.h"
#include "platform/os.h"

namespace velm {

// Appends a copy of `object` (its `length` bytes) to the stream of `record`, which may
// move (the handle is updated). The end of the stream follows from `recordLength`, so
// appending costs the object's bytes only. Returns 0, or -1 when the object's length is
// impossible or memory runs out (the record is then unchanged).
std::int32_t AddVELMObj(os::MemHandle& record, const std::uint8_t* object);

// Copies object `index` (from 0) into `object`, grown in 128 KiB granules as needed
// (the handle is updated). Returns 0, or -1 when there is no such object (the buffer is
// unchanged), the stream is damaged, or memory runs out.
std::int32_t GetVELMObj(os::MemHandle record, std::int32_t index, os::MemHandle& object);

// Offsets of every object of an expanded record's stream, found in one walk, so that a
// reader can visit the objects in any order without walking the stream for each.
class ObjectIndex {
 public:
  ObjectIndex() = default;
  ~ObjectIndex();
  ObjectIndex(const ObjectIndex&) = delete;
  ObjectIndex& operator=(const ObjectIndex&) = delete;

  // Walks `record`; false when the stream is damaged (a length below the header or
  // past the stream) or memory runs out.
  bool Build(os::MemHandle record);
  std::int32_t count() const { return count_; }
  // The object at `index`, within the record given to Build.
  const std::uint8_t* Object(std::int32_t index) const;
  std::int32_t Length(std::int32_t index) const;

 private:
  os::MemHandle record_ = nullptr;
  os::MemHandle offsets_ = nullptr;
  std::int32_t count_ = 0;
};

// The record that markers are appended to during a capture (set by the art tree
// writer); null outside a capture.
extern os::MemHandle* gMarkerTarget;

// Appends a marker with `text` to the record being captured. Returns 0 or -1.
std::int32_t AddMarker(const char* text);
// Appends a marker whose payload is `count` raw bytes (the plug-in art marker).
std::int32_t AddDataMarker(const std::uint8_t* bytes, std::int32_t count);

}  // namespace velm
