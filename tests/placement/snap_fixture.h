// A started plug-in (linked into the test) with paths built straight into the host's
// document, for the snapping and preview tests.
#pragma once

#include <cstdint>
#include <vector>

#include "common/store_fixture.h"
#include "hostsim/core/document.h"

namespace velmtest {

inline host::PathSegment Corner(float h, float v) {
  return host::PathSegment{{h, v}, {h, v}, {h, v}, 1};
}
inline host::PathSegment Smooth(float h, float v, float inH, float inV, float outH, float outV) {
  return host::PathSegment{{h, v}, {inH, inV}, {outH, outV}, 0};
}

class SnapTest : public StoreTest {
 protected:
  void SetUp() override;

  hostsim::Document& doc() { return *host().document(); }
  hostsim::View& view() { return *doc().views().front(); }
  // Art placed at the bottom of `container` (the current layer's group when null).
  hostsim::Art* Add(std::int32_t type, hostsim::Art* container = nullptr);
  hostsim::Art* Path(std::vector<host::PathSegment> segments, bool closed = false,
                     hostsim::Art* container = nullptr);
  hostsim::Art* Line(float h1, float v1, float h2, float v2, hostsim::Art* container = nullptr) {
    return Path({Corner(h1, v1), Corner(h2, v2)}, false, container);
  }
  // A closed rectangle of corners, counter-clockwise from its lower-left corner.
  hostsim::Art* Rectangle(float left, float bottom, float right, float top,
                          hostsim::Art* container = nullptr);
  // A quarter circle about (ch, cv) of `radius` from angle `from` degrees to from + 90,
  // with the standard handle ratio.
  hostsim::Art* QuarterArc(float ch, float cv, float radius, float from,
                           hostsim::Art* container = nullptr);
  // Switches the four fits on or off (anchor, intersection, on path, grid).
  void UseFits(bool anchor, bool crossing, bool onPath, bool grid);
};

// The start and end segments of a quarter circle as QuarterArc builds it.
void QuarterArcSegments(double ch, double cv, double radius, double fromDegrees,
                        host::PathSegment* start, host::PathSegment* end);

}  // namespace velmtest
