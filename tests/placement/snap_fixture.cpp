#include "placement/snap_fixture.h"

#include <cmath>

#include "frame/globals.h"

namespace velmtest {

void SnapTest::SetUp() {
  StoreTest::SetUp();
  if (HasFatalFailure()) return;
  velm::Globals* g = velm::gGlobals;
  g->flGrWidth = g->flGrHeight = 10.0f;
  UseFits(true, true, true, true);
}

hostsim::Art* SnapTest::Add(std::int32_t type, hostsim::Art* container) {
  hostsim::Art* art = doc().Create(type);
  if (!container) container = doc().currentLayer()->group;
  EXPECT_EQ(doc().Insert(art, host::kPlaceInsideOnBottom, container), host::kNoErr);
  return art;
}

hostsim::Art* SnapTest::Path(std::vector<host::PathSegment> segments, bool closed,
                             hostsim::Art* container) {
  hostsim::Art* path = Add(host::kPathArt, container);
  path->segments = std::move(segments);
  path->closed = closed;
  return path;
}

hostsim::Art* SnapTest::Rectangle(float left, float bottom, float right, float top,
                                  hostsim::Art* container) {
  return Path({Corner(left, bottom), Corner(right, bottom), Corner(right, top), Corner(left, top)},
              true, container);
}

void QuarterArcSegments(double ch, double cv, double radius, double fromDegrees,
                        host::PathSegment* start, host::PathSegment* end) {
  const double a = fromDegrees * M_PI / 180.0, b = a + M_PI / 2;
  const double handle = radius * 0.5522847;
  const double sx = ch + radius * std::cos(a), sy = cv + radius * std::sin(a);
  const double ex = ch + radius * std::cos(b), ey = cv + radius * std::sin(b);
  auto f = [](double x) { return static_cast<float>(x); };
  // Tangents: counter-clockwise at the start, arriving counter-clockwise at the end.
  *start = Smooth(f(sx), f(sy), f(sx), f(sy), f(sx - handle * std::sin(a)),
                  f(sy + handle * std::cos(a)));
  *end = Smooth(f(ex), f(ey), f(ex + handle * std::sin(b)), f(ey - handle * std::cos(b)), f(ex),
                f(ey));
}

hostsim::Art* SnapTest::QuarterArc(float ch, float cv, float radius, float from,
                                   hostsim::Art* container) {
  host::PathSegment s{}, e{};
  QuarterArcSegments(ch, cv, radius, from, &s, &e);
  return Path({s, e}, false, container);
}

void SnapTest::UseFits(bool anchor, bool crossing, bool onPath, bool grid) {
  velm::Globals* g = velm::gGlobals;
  g->flUseFcur = anchor;
  g->flUseFcrs = crossing;
  g->flUseFops = onPath;
  g->flUseGrid = grid;
}

}  // namespace velmtest
