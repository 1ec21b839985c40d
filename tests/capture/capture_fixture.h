// A started plug-in in the stand-in host, art built straight into the host's document,
// and readers for the record a capture leaves behind.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "artformat/art_objects.h"
#include "common/store_fixture.h"
#include "database/record.h"
#include "hostsim/core/document.h"

namespace velmtest {

// One object of a captured stream, copied out.
struct StoredObject {
  std::vector<std::uint8_t> bytes;

  std::int32_t type() const { return Read<std::int32_t>(0); }
  std::int32_t length() const { return Read<std::int32_t>(4); }
  bool IsMarker() const { return type() == 7; }
  std::string MarkerText() const { return reinterpret_cast<const char*>(bytes.data() + 24); }
  velm::ObjectHeader header() const { return Read<velm::ObjectHeader>(0); }
  velm::PathObject path() const { return Read<velm::PathObject>(0); }
  velm::PathSegment segment(int i) const {
    return Read<velm::PathSegment>(sizeof(velm::PathObject) + sizeof(velm::PathSegment) * i);
  }
  template <class T>
  T Read(std::size_t offset) const {
    T value;
    std::memcpy(static_cast<void*>(&value), bytes.data() + offset, sizeof value);
    return value;
  }
};

inline constexpr velm::Fixed Fx(double value) {
  return static_cast<velm::Fixed>(value * 65536.0 + (value < 0 ? -0.5 : 0.5));
}

host::Color GrayColor(float gray);
host::Color RgbColor(float r, float g, float b);
host::Color ProcessColor(float c, float m, float y, float k);

class CaptureTest : public StoreTest {
 protected:
  hostsim::Document& doc() { return *host().document(); }
  hostsim::Art* LayerGroup() { return doc().currentLayer()->group; }

  // Art placed at the bottom of `container` (the current layer when null), so that art
  // made in order lies topmost first.
  hostsim::Art* Add(std::int32_t type, hostsim::Art* container = nullptr);
  hostsim::Art* Path(std::vector<host::PathSegment> segments, bool closed,
                     hostsim::Art* container = nullptr);
  // A closed rectangle of corner segments, counter-clockwise from its lower-left corner.
  hostsim::Art* Rectangle(float left, float bottom, float right, float top,
                          hostsim::Art* container = nullptr);
  hostsim::Art* Group(hostsim::Art* container = nullptr) { return Add(host::kGroupArt, container); }
  hostsim::Art* Select(hostsim::Art* art) {
    doc().Select(art, true);
    return art;
  }
  // A group outside the layers holding a rectangle, made the art of a new pattern.
  hostsim::Pattern* RectanglePattern(float left, float bottom, float right, float top);

  // Runs the capture; the record is then the current record.
  host::Err Capture();
  velm::Record* Header();
  std::vector<StoredObject> Objects();
  // The stream in short: marker texts, "path" for path objects, "type N" for others.
  std::vector<std::string> Outline();
};

}  // namespace velmtest
