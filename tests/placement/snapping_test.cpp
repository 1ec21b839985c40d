// Snapping of the placement point: the grid, anchors, crossings and paths of the visible
// layers, searched in the host's document at the view's zoom.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frame/globals.h"
#include "geometry/bezier_table.h"
#include "placement/snap_fixture.h"
#include "placement/snapping.h"

namespace {

using host::RealPoint;
using velm::GeomPoint;
using velmtest::Corner;
using velmtest::Smooth;

class Snapping : public velmtest::SnapTest {
 protected:
  // Snaps (h, v) with the fits switched on now; the kind.
  std::int16_t Snap(float h, float v, RealPoint* result = nullptr) {
    RealPoint p{h, v};
    const std::int16_t kind = velm::SnapPlacementPoint(&p);
    if (result) *result = p;
    return kind;
  }
  void Clear() {
    while (!doc().currentLayer()->group->children.empty())
      doc().Dispose(doc().currentLayer()->group->children.back());
  }
  velm::RecordedPiece Piece(const host::PathSegment& s, const host::PathSegment& e) {
    return velm::RecordedPiece{nullptr, 1, s, e};
  }
};

TEST_F(Snapping, GridRoundsHalvesAwayFromZero) {
  UseFits(false, false, false, true);
  RealPoint p{};
  EXPECT_EQ(Snap(14.9f, -15.0f, &p), velm::kGridSnap);
  EXPECT_EQ(p.h, 10.0f);
  EXPECT_EQ(p.v, -20.0f);
  EXPECT_EQ(Snap(15.0f, 4.99f, &p), velm::kGridSnap);
  EXPECT_EQ(p.h, 20.0f);
  EXPECT_EQ(p.v, 0.0f);
  velm::gGlobals->flGrWidth = 2.5f;
  velm::gGlobals->flGrHeight = 4.0f;
  EXPECT_EQ(Snap(-3.7f, 5.9f, &p), velm::kGridSnap);
  EXPECT_EQ(p.h, -2.5f);
  EXPECT_EQ(p.v, 4.0f);
}

TEST_F(Snapping, GridWithoutAPositiveSpacingIsOff) {
  UseFits(false, false, false, true);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (const float spacing : {0.0f, -10.0f, nan, inf}) {
    velm::gGlobals->flGrWidth = 10.0f;
    velm::gGlobals->flGrHeight = spacing;
    RealPoint p{14.9f, -15.0f};
    EXPECT_FALSE(velm::SnapToGrid(&p)) << spacing;
    EXPECT_EQ(p.h, 14.9f);
    EXPECT_EQ(p.v, -15.0f);
    EXPECT_EQ(Snap(14.9f, -15.0f, &p), velm::kNoSnap) << spacing;
    EXPECT_EQ(p.h, 14.9f);
    velm::gGlobals->flGrWidth = spacing;
    velm::gGlobals->flGrHeight = 10.0f;
    EXPECT_FALSE(velm::SnapToGrid(&p)) << spacing;
  }
  // A point that is no number, or lies beyond every grid step, stays as it is.
  velm::gGlobals->flGrWidth = velm::gGlobals->flGrHeight = 1e-30f;
  RealPoint far{1e10f, 0.0f};
  EXPECT_FALSE(velm::SnapToGrid(&far));
  EXPECT_EQ(far.h, 1e10f);
  velm::gGlobals->flGrWidth = velm::gGlobals->flGrHeight = 10.0f;
  RealPoint bad{nan, 3.0f};
  EXPECT_FALSE(velm::SnapToGrid(&bad));
  EXPECT_TRUE(std::isnan(bad.h));
}

TEST_F(Snapping, AnchorWithinTwoScreenPixelsSnapsExactly) {
  UseFits(true, false, false, false);
  Path({Corner(100.25f, 200.5f), Corner(300, 200.5f)});
  view().zoom = 2.0f;  // two pixels are one point
  RealPoint p{};
  EXPECT_EQ(Snap(101.25f, 199.5f, &p), velm::kAnchorSnap);
  EXPECT_EQ(p.h, 100.25f);
  EXPECT_EQ(p.v, 200.5f);
  EXPECT_EQ(Snap(101.5f, 200.5f, &p), velm::kNoSnap) << "two and a half pixels away";
  EXPECT_EQ(p.h, 101.5f);
  EXPECT_EQ(p.v, 200.5f);
  view().zoom = 0.5f;  // the same distance is now half a pixel
  EXPECT_EQ(Snap(101.5f, 200.5f, &p), velm::kAnchorSnap);
  view().zoom = 0.0f;  // no sensible zoom: nothing snaps
  EXPECT_EQ(Snap(100.25f, 200.5f, &p), velm::kNoSnap);
  view().zoom = -1.0f;
  EXPECT_EQ(Snap(100.25f, 200.5f, &p), velm::kNoSnap);
}

TEST_F(Snapping, AnchorHitsAreCollectedPerPathUpToFiveWithinTheFirstLayer) {
  hostsim::Layer* top = doc().layers().front();
  for (int i = 0; i < 7; ++i)
    Path({Corner(50, 50), Corner(static_cast<float>(i), 80), Corner(50.5f, 50.5f)});
  hostsim::Layer* below = doc().NewLayer("Below");
  doc().SetCurrentLayer(below);
  Path({Corner(49.5f, 50), Corner(0, 0)});

  RealPoint p{51, 51};
  std::int16_t kind = velm::kNoSnap;
  velm::SnapHits hits{};
  ASSERT_EQ(velm::AnchorFit(&p, &kind, 5, &hits), host::kNoErr);
  EXPECT_EQ(kind, velm::kAnchorSnap);
  ASSERT_EQ(hits.count, 5);
  EXPECT_EQ(hits.hit[0].art, top->group->children[0]->handle());
  EXPECT_EQ(hits.hit[0].segment, 0) << "the first anchor that matches, one hit a path";
  EXPECT_EQ(hits.hit[4].art, top->group->children[4]->handle());
  EXPECT_EQ(p.h, 50.0f) << "only the first hit moves the point";
  EXPECT_EQ(p.v, 50.0f);

  p = {51, 51};
  kind = velm::kNoSnap;
  ASSERT_EQ(velm::AnchorFit(&p, &kind, 1, &hits), host::kNoErr);
  EXPECT_EQ(hits.count, 1);

  // The lower layer's path is never reached once the first layer gave a hit.
  while (top->group->children.size() > 1)
    doc().Dispose(top->group->children.back());
  top->group->children[0]->segments = {Corner(50, 50), Corner(0, 80)};
  p = {50.2f, 50.2f};
  kind = velm::kNoSnap;
  ASSERT_EQ(velm::AnchorFit(&p, &kind, 5, &hits), host::kNoErr);
  EXPECT_EQ(hits.count, 1);
  // A fit does nothing once a kind is set.
  p = {50.2f, 50.2f};
  kind = velm::kGridSnap;
  ASSERT_EQ(velm::AnchorFit(&p, &kind, 5, &hits), host::kNoErr);
  EXPECT_EQ(hits.count, 0);
  EXPECT_EQ(p.h, 50.2f);
}

TEST_F(Snapping, TwoCrossingLinesSnapToTheirExactCrossing) {
  UseFits(false, true, false, false);
  Line(0, 0, 100, 100);
  Line(0, 100, 100, 0);
  RealPoint p{};
  EXPECT_EQ(Snap(51.0f, 50.5f, &p), velm::kIntersectionSnap);
  EXPECT_EQ(p.h, 50.0f);
  EXPECT_EQ(p.v, 50.0f);
  // Far from the crossing, each line alone gives nothing.
  EXPECT_EQ(Snap(20.5f, 20.0f, &p), velm::kNoSnap);
  EXPECT_EQ(p.h, 20.5f);
}

TEST_F(Snapping, CrossingsWithVerticalLines) {
  UseFits(false, true, false, false);
  Line(30, 0, 30, 100);
  Line(0, 0, 100, 50);
  RealPoint p{};
  EXPECT_EQ(Snap(30.8f, 15.5f, &p), velm::kIntersectionSnap);
  EXPECT_EQ(p.h, 30.0f);
  EXPECT_EQ(p.v, 15.0f);
  // The same with the vertical line second.
  doc().currentLayer()->group->children[0]->segments = {Corner(0, 0), Corner(100, 50)};
  doc().currentLayer()->group->children[1]->segments = {Corner(30, 0), Corner(30, 100)};
  EXPECT_EQ(Snap(29.5f, 14.0f, &p), velm::kIntersectionSnap);
  EXPECT_EQ(p.h, 30.0f);
  EXPECT_EQ(p.v, 15.0f);
}

TEST_F(Snapping, NearlyParallelLinesCrossingFarAwayGiveNoCrossing) {
  UseFits(false, true, false, false);
  // Both pass within the tolerance of (0.2, 50) but meet at (0, 0).
  Line(0, -100, 0, 100);
  Line(-1, -100, 1, 100);
  RealPoint p{};
  EXPECT_EQ(Snap(0.2f, 50.0f, &p), velm::kNoSnap);
  EXPECT_EQ(p.v, 50.0f);
  // Two parallel lines never cross.
  doc().currentLayer()->group->children[1]->segments = {Corner(1, -100), Corner(1, 100)};
  EXPECT_EQ(Snap(0.5f, 50.0f, &p), velm::kNoSnap);
}

TEST_F(Snapping, AJointOfOnePathIsNoCrossing) {
  UseFits(false, true, false, false);
  Path({Corner(0, 0), Corner(100, 0), Corner(100, 100)});
  RealPoint p{};
  EXPECT_EQ(Snap(100.5f, 0.5f, &p), velm::kNoSnap);
  // Every corner of a closed rectangle, the two at its closing piece included.
  Clear();
  Rectangle(200, 0, 300, 100);
  for (const RealPoint corner :
       {RealPoint{200, 0}, RealPoint{300, 0}, RealPoint{300, 100}, RealPoint{200, 100}}) {
    EXPECT_EQ(Snap(corner.h + 0.5f, corner.v - 0.5f, &p), velm::kNoSnap)
        << corner.h << ", " << corner.v;
  }
  // The anchor fit, when on, takes the corner first.
  UseFits(true, true, false, false);
  EXPECT_EQ(Snap(200.5f, 0.5f, &p), velm::kAnchorSnap);
  EXPECT_EQ(p.h, 200.0f);
  EXPECT_EQ(p.v, 0.0f);
  // A path that crosses itself has a crossing.
  UseFits(false, true, false, false);
  Clear();
  Path({Corner(0, 0), Corner(100, 100), Corner(100, 0), Corner(0, 100)});
  EXPECT_EQ(Snap(50.2f, 49.8f, &p), velm::kIntersectionSnap);
  EXPECT_EQ(p.h, 50.0f);
  EXPECT_EQ(p.v, 50.0f);
}

TEST_F(Snapping, ArcsCrossWhereTheirCirclesMeet) {
  UseFits(false, true, false, false);
  QuarterArc(0, 0, 100, 0);     // through (50, 86.6)
  QuarterArc(100, 0, 100, 90);  // through (50, 86.6)
  RealPoint p{};
  EXPECT_EQ(Snap(50.6f, 86.0f, &p), velm::kIntersectionSnap);
  EXPECT_NEAR(p.h, 50.0, 1e-3);
  EXPECT_NEAR(p.v, 86.6025, 1e-3);
}

TEST_F(Snapping, NestedArcsThatDoNotTouchHaveNoCrossing) {
  // Circles about (0, 0) r 100 and about (0.7071, 0.7071) r 98.5: 0.5 apart at 45 degrees.
  host::PathSegment s1, e1, s2, e2;
  velmtest::QuarterArcSegments(0, 0, 100, 0, &s1, &e1);
  velmtest::QuarterArcSegments(0.70710678, 0.70710678, 98.5, 0, &s2, &e2);
  velm::BezierEntry table[65];
  velm::BuildBezierTable(table);
  GeomPoint crossing{};
  for (const double angle : {10.0, 45.0, 80.0, 200.0}) {
    const double r = 99.75, a = angle * M_PI / 180.0;
    const GeomPoint at{r * std::cos(a), r * std::sin(a)};
    EXPECT_FALSE(velm::CrossingOfPieces(Piece(s1, e1), Piece(s2, e2), at, 1000.0, table, &crossing))
        << angle;
  }
  // In the document: the point between them moves onto an arc but gets no crossing.
  UseFits(false, true, false, false);
  Path({s1, e1});
  Path({s2, e2});
  RealPoint p{};
  EXPECT_EQ(Snap(70.53f, 70.53f, &p), velm::kNoSnap);
}

TEST_F(Snapping, CrossingsOfCurvesWithoutCircles) {
  velm::BezierEntry table[65];
  velm::BuildBezierTable(table);
  // An S-curve from (0, 0) to (100, 100) and a line across it.
  const host::PathSegment s = Smooth(0, 0, 0, 0, 100, 0);
  const host::PathSegment e = Smooth(100, 100, 0, 100, 100, 100);
  const host::PathSegment a = Corner(0, 100), b = Corner(100, 0);
  GeomPoint crossing{};
  ASSERT_TRUE(
      velm::CrossingOfPieces(Piece(a, b), Piece(s, e), {50.5, 49.5}, 2.0, table, &crossing));
  EXPECT_NEAR(crossing.x, 50.0, 1e-6) << "the curve's middle chord meets the line there";
  EXPECT_NEAR(crossing.y, 50.0, 1e-6);
  // The same pieces in the other order.
  ASSERT_TRUE(
      velm::CrossingOfPieces(Piece(s, e), Piece(a, b), {50.5, 49.5}, 2.0, table, &crossing));
  EXPECT_NEAR(crossing.x, 50.0, 1e-6);
  // Too far from the point: no crossing.
  EXPECT_FALSE(velm::CrossingOfPieces(Piece(a, b), Piece(s, e), {53, 47}, 2.0, table, &crossing));
  // Two curves: the S and its mirror image cross in the middle.
  const host::PathSegment ms = Smooth(0, 100, 0, 100, 100, 100);
  const host::PathSegment me = Smooth(100, 0, 0, 0, 100, 0);
  ASSERT_TRUE(
      velm::CrossingOfPieces(Piece(s, e), Piece(ms, me), {49.5, 50.5}, 2.0, table, &crossing));
  EXPECT_NEAR(crossing.x, 50.0, 0.05);
  EXPECT_NEAR(crossing.y, 50.0, 0.05);
  // No tolerance, or a point that is no number: nothing.
  EXPECT_FALSE(velm::CrossingOfPieces(Piece(s, e), Piece(ms, me), {50, 50}, 0.0, table, &crossing));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(velm::CrossingOfPieces(Piece(s, e), Piece(a, b), {nan, 50}, 2.0, table, &crossing));
}

// Horizontal and vertical straight pieces across a curve with no circle: the crossing lies
// exactly on a chord's end (the S-curve's middle point, (50, 50), is a table point), where
// the chord's bounding box test must include its edges.
TEST_F(Snapping, StraightPiecesCrossACurveExactlyAtAChordsEnd) {
  velm::BezierEntry table[65];
  velm::BuildBezierTable(table);
  const host::PathSegment s = Smooth(0, 0, 0, 0, 100, 0);
  const host::PathSegment e = Smooth(100, 100, 0, 100, 100, 100);
  ASSERT_FALSE(velm::IsStraightPiece(s, e));
  GeomPoint centre{};
  double radius = 0;
  ASSERT_FALSE(velm::CircleOfPiece(s, e, &centre, &radius));
  struct Case {
    const char* line;
    host::PathSegment a, b;
  };
  for (const Case& c : {Case{"horizontal", Corner(0, 50), Corner(100, 50)},
                        Case{"vertical", Corner(50, 0), Corner(50, 100)}}) {
    for (const bool lineFirst : {true, false}) {
      GeomPoint crossing{};
      const velm::RecordedPiece line = Piece(c.a, c.b), curve = Piece(s, e);
      ASSERT_TRUE(velm::CrossingOfPieces(lineFirst ? line : curve, lineFirst ? curve : line,
                                         {50.5, 50.5}, 2.0, table, &crossing))
          << c.line << (lineFirst ? ", line first" : ", curve first");
      EXPECT_DOUBLE_EQ(crossing.x, 50.0) << c.line;
      EXPECT_DOUBLE_EQ(crossing.y, 50.0) << c.line;
    }
  }
}

// A point exactly at the tolerance: the anchor window and the crossings include their
// edge, a projection onto a straight piece does not.
TEST_F(Snapping, APointExactlyAtTheToleranceDistance) {
  view().zoom = 1.0f;  // a tolerance of 2 points
  ASSERT_EQ(velm::SnapTolerance(), 2.0);
  RealPoint p{102.0f, 198.0f};
  EXPECT_TRUE(velm::SnapToAnchor(&p, Corner(100, 200))) << "the anchor window is inclusive";
  EXPECT_EQ(p.h, 100.0f);
  p = {102.5f, 200.0f};
  EXPECT_FALSE(velm::SnapToAnchor(&p, Corner(100, 200)));
  p = {50.0f, 102.0f};
  EXPECT_FALSE(velm::SnapToPiece(&p, Corner(0, 100), Corner(100, 100), true))
      << "the distance to a straight piece is strict";
  p = {50.0f, 101.5f};
  EXPECT_TRUE(velm::SnapToPiece(&p, Corner(0, 100), Corner(100, 100), true));
  EXPECT_EQ(p.v, 100.0f);

  velm::BezierEntry table[65];
  velm::BuildBezierTable(table);
  GeomPoint crossing{};
  // Two lines crossing at (50, 50), the point 3 across and 4 up: 5 away.
  const velm::RecordedPiece up = Piece(Corner(0, 0), Corner(100, 100));
  const velm::RecordedPiece down = Piece(Corner(0, 100), Corner(100, 0));
  EXPECT_TRUE(velm::CrossingOfPieces(up, down, {53, 54}, 5.0, table, &crossing));
  EXPECT_FALSE(velm::CrossingOfPieces(up, down, {53, 54}, 4.999, table, &crossing));
  // A line across a curve without a circle: 2 away in x.
  const velm::RecordedPiece curve =
      Piece(Smooth(0, 0, 0, 0, 100, 0), Smooth(100, 100, 0, 100, 100, 100));
  const velm::RecordedPiece level = Piece(Corner(0, 50), Corner(100, 50));
  EXPECT_TRUE(velm::CrossingOfPieces(level, curve, {52, 50}, 2.0, table, &crossing));
  EXPECT_FALSE(velm::CrossingOfPieces(level, curve, {52, 50}, 1.999, table, &crossing));
  // A vertical line across a quarter arc meets its circle at (60, 80): 2 away in y.
  host::PathSegment as, ae;
  velmtest::QuarterArcSegments(0, 0, 100, 0, &as, &ae);
  const velm::RecordedPiece x60 = Piece(Corner(60, 0), Corner(60, 120));
  ASSERT_TRUE(velm::CrossingOfPieces(x60, Piece(as, ae), {60, 79}, 2.0, table, &crossing));
  const double exact = crossing.y;
  EXPECT_TRUE(velm::CrossingOfPieces(x60, Piece(as, ae), {60, exact - 2.0}, 2.0, table, &crossing));
  EXPECT_FALSE(
      velm::CrossingOfPieces(x60, Piece(as, ae), {60, exact - 2.001}, 2.0, table, &crossing));
}

TEST_F(Snapping, ALineAcrossAnArcMeetsItsCircle) {
  velm::BezierEntry table[65];
  velm::BuildBezierTable(table);
  host::PathSegment s, e;
  velmtest::QuarterArcSegments(0, 0, 100, 0, &s, &e);
  GeomPoint crossing{};
  // y = 50 meets the circle at (86.6, 50); the line is the second piece here.
  ASSERT_TRUE(velm::CrossingOfPieces(Piece(s, e), Piece(Corner(0, 50), Corner(120, 50)), {86, 50.5},
                                     2.0, table, &crossing));
  EXPECT_NEAR(crossing.x, 86.6025, 1e-3);
  EXPECT_NEAR(crossing.y, 50.0, 1e-9);
  // A vertical line x = 60 meets it at (60, 80).
  ASSERT_TRUE(velm::CrossingOfPieces(Piece(Corner(60, 0), Corner(60, 120)), Piece(s, e), {60.5, 79},
                                     2.0, table, &crossing));
  EXPECT_NEAR(crossing.x, 60.0, 1e-9);
  EXPECT_NEAR(crossing.y, 80.0, 1e-3);
  // A line that misses the circle.
  EXPECT_FALSE(velm::CrossingOfPieces(Piece(Corner(0, 150), Corner(120, 150)), Piece(s, e),
                                      {100, 150}, 2.0, table, &crossing));
}

TEST_F(Snapping, OnPathProjectsOntoTheFirstPieceInReach) {
  UseFits(false, false, true, false);
  Rectangle(0, 0, 100, 100);
  RealPoint p{};
  EXPECT_EQ(Snap(50.0f, 101.5f, &p), velm::kOnPathSnap);
  EXPECT_EQ(p.h, 50.0f);
  EXPECT_EQ(p.v, 100.0f);
  // The closing piece of the closed rectangle, from (0, 100) down to (0, 0).
  EXPECT_EQ(Snap(1.0f, 50.0f, &p), velm::kOnPathSnap);
  EXPECT_EQ(p.h, 0.0f);
  EXPECT_EQ(p.v, 50.0f);
  doc().currentLayer()->group->children[0]->closed = false;
  EXPECT_EQ(Snap(1.0f, 50.0f, &p), velm::kNoSnap);
  EXPECT_EQ(p.h, 1.0f);
  // An arc: the point goes onto the circle.
  QuarterArc(200, 0, 50, 0);
  EXPECT_EQ(Snap(235.0f, 36.0f, &p), velm::kOnPathSnap);
  EXPECT_NEAR(std::hypot(p.h - 200.0, p.v), 50.0, 1e-4);
}

TEST_F(Snapping, HiddenLayersAreNeverSearchedLockedOnesAre) {
  UseFits(true, true, true, false);
  hostsim::Layer* first = doc().layers().front();
  Line(0, 0, 100, 0);
  hostsim::Layer* second = doc().NewLayer("Second");
  doc().SetCurrentLayer(second);
  Line(0, 50, 100, 50);

  first->visible = false;
  second->editable = false;
  RealPoint p{};
  EXPECT_EQ(Snap(0.5f, 0.5f, &p), velm::kNoSnap) << "the hidden layer's anchor";
  EXPECT_EQ(Snap(50.0f, 1.0f, &p), velm::kNoSnap) << "the hidden layer's path";
  EXPECT_EQ(Snap(0.5f, 50.5f, &p), velm::kAnchorSnap) << "the locked layer's anchor";
  EXPECT_EQ(Snap(50.0f, 51.0f, &p), velm::kOnPathSnap) << "the locked layer's path";
  EXPECT_EQ(p.v, 50.0f);
  first->visible = true;
  EXPECT_EQ(Snap(0.5f, 0.5f, &p), velm::kAnchorSnap);
}

TEST_F(Snapping, CompoundPathsAndGroupsAreSearchedThrough) {
  UseFits(true, false, true, false);
  hostsim::Art* group = Add(host::kGroupArt);
  hostsim::Art* compound = Add(host::kCompoundPathArt, group);
  Rectangle(0, 0, 10, 10, compound);
  Rectangle(40, 40, 60, 60, compound);
  Add(host::kTextArt, group);  // ignored
  RealPoint p{};
  EXPECT_EQ(Snap(59.0f, 59.5f, &p), velm::kAnchorSnap);
  EXPECT_EQ(p.h, 60.0f);
  EXPECT_EQ(p.v, 60.0f);
  EXPECT_EQ(Snap(50.0f, 41.0f, &p), velm::kOnPathSnap);
  EXPECT_EQ(p.v, 40.0f);
}

TEST_F(Snapping, FailingHostCallsEndTheSearchAndTheNextFitTakesOver) {
  Line(0, 0, 100, 0);
  host().suites().FailOperation(host::ArtSuite::kName, "GetArtType", host::kBadParameterErr, 0);
  RealPoint p{0.5f, 0.5f};
  std::int16_t kind = velm::kNoSnap;
  EXPECT_EQ(velm::AnchorFit(&p, &kind, 1), host::kBadParameterErr);
  EXPECT_EQ(kind, velm::kNoSnap);
  EXPECT_EQ(Snap(14.9f, -15.0f, &p), velm::kGridSnap) << "the grid needs no host";
  EXPECT_EQ(p.h, 10.0f);
  host().suites().ClearFailures();
  host().suites().FailOperation(host::PathSuite::kName, "GetPathSegments", host::kBadParameterErr,
                                0);
  EXPECT_EQ(velm::OnPathFit(&p, &kind), host::kNoErr) << "no path near (10, -20)";
  p = {50, 1};
  EXPECT_EQ(velm::OnPathFit(&p, &kind), host::kBadParameterErr);
  EXPECT_EQ(kind, velm::kNoSnap);
  host().suites().ClearFailures();
  // Without a document nothing is found and nothing breaks.
  host().SetDocument(nullptr);
  UseFits(true, true, true, false);
  EXPECT_EQ(Snap(0.5f, 0.5f, &p), velm::kNoSnap);
  EXPECT_EQ(p.h, 0.5f);
}

TEST_F(Snapping, PointsThatAreNoNumbersStayAsTheyAre) {
  Line(0, 0, 100, 0);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (const RealPoint start : {RealPoint{nan, 0}, RealPoint{0, nan}, RealPoint{inf, 0}}) {
    RealPoint p = start;
    EXPECT_EQ(velm::SnapPlacementPoint(&p), velm::kNoSnap);
    EXPECT_EQ(std::isnan(p.h), std::isnan(start.h));
    EXPECT_EQ(std::isnan(p.v), std::isnan(start.v));
  }
}

}  // namespace
