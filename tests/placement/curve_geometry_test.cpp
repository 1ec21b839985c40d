// Curve geometry: arcs among curved pieces, and the projections onto straight pieces,
// chords and arcs, at the edges where strict and inclusive tests differ.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/bezier_table.h"
#include "geometry/curve_geometry.h"

namespace {

using host::PathSegment;
using host::RealPoint;
using velm::GeomPoint;

PathSegment Seg(float ax, float ay, float ix, float iy, float ox, float oy) {
  return PathSegment{{ax, ay}, {ix, iy}, {ox, oy}, 0};
}
PathSegment Corner(float x, float y) {
  return Seg(x, y, x, y, x, y);
}

// A quarter circle of radius 100 about the origin from (100, 0) to (0, 100) with the
// given handle ratio.
void QuarterCircle(double ratio, PathSegment* s, PathSegment* e) {
  const auto h = static_cast<float>(100.0 * ratio);
  *s = Seg(100, 0, 100, 0, 100, h);
  *e = Seg(0, 100, h, 100, 0, 100);
}

struct Table {
  Table() { velm::BuildBezierTable(t); }
  velm::BezierEntry t[65];
};

TEST(CurveGeometry, BasicsRoundAndChooseTheSecondWhenEqual) {
  EXPECT_EQ(velm::RoundHalfAway(2.5), 3);
  EXPECT_EQ(velm::RoundHalfAway(-2.5), -3);
  EXPECT_EQ(velm::RoundHalfAway(-2.4), -2);
  EXPECT_DOUBLE_EQ(velm::Distance({0, 0}, {3, 4}), 5.0);
  EXPECT_DOUBLE_EQ(velm::AngleTo({0, 0}, {-1, 0}), M_PI);
  const double zero = 0.0, negativeZero = -0.0;
  EXPECT_TRUE(std::signbit(velm::Min(zero, negativeZero)));
  EXPECT_TRUE(std::signbit(velm::Max(zero, negativeZero)));
  EXPECT_DOUBLE_EQ(velm::SnapToleranceAtZoom(4.0), 0.5);
  EXPECT_DOUBLE_EQ(velm::SnapToleranceAtZoom(0.25), 8.0);
  EXPECT_EQ(velm::SnapToleranceAtZoom(0.0), 0.0) << "no zoom, no snapping";
  EXPECT_EQ(velm::SnapToleranceAtZoom(-2.0), 0.0);
}

TEST(CurveGeometry, QuarterCircleWithTheStandardRatioIsAnArc) {
  PathSegment s, e;
  GeomPoint centre{};
  double radius = 0;
  QuarterCircle(0.5522847, &s, &e);
  ASSERT_TRUE(velm::IsCircularArc(s, e, &centre, &radius));
  EXPECT_NEAR(centre.x, 0, 1e-9);
  EXPECT_NEAR(centre.y, 0, 1e-9);
  EXPECT_NEAR(radius, 100, 1e-9);
  QuarterCircle(0.56, &s, &e);
  EXPECT_FALSE(velm::IsCircularArc(s, e, &centre, &radius));
  // Both tangents vertical: never an arc.
  EXPECT_FALSE(
      velm::IsCircularArc(Seg(0, 0, 0, 0, 0, 10), Seg(10, 0, 10, 10, 10, 0), &centre, &radius));
}

TEST(CurveGeometry, CircleAllowanceGrowsWithTheRadius) {
  GeomPoint centre{};
  double radius = 0;
  // Normals meet at the origin; the anchors are 200 and 200 + d away.
  for (const double d : {0.015, 0.03}) {
    const auto y = static_cast<float>(200.0 + d);
    const bool found =
        velm::CircleOfPiece(Seg(200, 0, 200, 0, 200, 10), Seg(0, y, 10, y, 0, y), &centre, &radius);
    EXPECT_EQ(found, d < 0.02) << d;
  }
  EXPECT_FALSE(
      velm::CircleOfPiece(Seg(0, 0, 0, 0, 10, 0), Seg(20, 5, 10, 5, 20, 5), &centre, &radius))
      << "both tangents horizontal";
}

TEST(CurveGeometry, StraightPieceMovesOneCoordinate) {
  RealPoint p{4, 2.5f};
  // Slope exactly 0.5: y moves.
  ASSERT_TRUE(velm::SnapToStraightPiece(&p, Corner(0, 0), Corner(10, 5), 1.0));
  EXPECT_FLOAT_EQ(p.h, 4);
  EXPECT_FLOAT_EQ(p.v, 2);
  // Slope a little over 0.5: x moves.
  p = {4, 2.5f};
  ASSERT_TRUE(velm::SnapToStraightPiece(&p, Corner(0, 0), Corner(10, 5.001f), 1.0));
  EXPECT_NE(p.h, 4);
  EXPECT_FLOAT_EQ(p.v, 2.5f);
  // Exactly the tolerance away from a vertical piece: inside the box, but not moved.
  p = {2, 5};
  EXPECT_FALSE(velm::SnapToStraightPiece(&p, Corner(0, 0), Corner(0, 10), 2.0));
  p = {1.99f, 5};
  EXPECT_TRUE(velm::SnapToStraightPiece(&p, Corner(0, 0), Corner(0, 10), 2.0));
  EXPECT_EQ(p.h, 0);
  p = {1, 13};
  EXPECT_FALSE(velm::SnapToStraightPiece(&p, Corner(0, 0), Corner(0, 10), 2.0)) << "past the end";
}

TEST(CurveGeometry, ChordFootIsClampedToTheChord) {
  GeomPoint p{11, 0.5};
  ASSERT_TRUE(velm::SnapToChord(&p, {0, 0}, {10, 0}, 2.0));
  EXPECT_DOUBLE_EQ(p.x, 10);
  EXPECT_DOUBLE_EQ(p.y, 0);
  p = {12, 0};
  EXPECT_FALSE(velm::SnapToChord(&p, {0, 0}, {10, 0}, 2.0)) << "the end is exactly 2 away";
  p = {5, 5};
  ASSERT_TRUE(velm::SnapToChord(&p, {0, 0}, {10, 10}, 1.0));
  EXPECT_NEAR(p.x, 5, 1e-12);
  p = {6, 4};
  ASSERT_TRUE(velm::SnapToChord(&p, {0, 0}, {10, 10}, 2.0));
  EXPECT_NEAR(p.x, 5, 1e-12);
  EXPECT_NEAR(p.y, 5, 1e-12);
  p = {3, 3.5};
  ASSERT_TRUE(velm::SnapToChord(&p, {3, 3}, {3, 3}, 1.0)) << "a chord of no length";
  EXPECT_DOUBLE_EQ(p.y, 3);
}

TEST(CurveGeometry, ArcThroughTheNegativeAxisAcceptsBothSignsOfTheAngle) {
  // An arc from -170 to +170 degrees, the short way through 180, clockwise, with the
  // handle ratio the arc test expects for its 20-degree span.
  const double r = 100, span = 20.0 * M_PI / 180.0;
  const double q = std::sin(velm::kHalfPi - span) / 8.0 + velm::kArcHandleRatio;
  const double h = q * r * std::tan(span / 2);
  const double a = -170.0 * M_PI / 180.0, b = 170.0 * M_PI / 180.0;
  const GeomPoint sa{r * std::cos(a), r * std::sin(a)}, ea{r * std::cos(b), r * std::sin(b)};
  const GeomPoint ds{std::sin(a), -std::cos(a)}, de{std::sin(b), -std::cos(b)};
  auto f = [](double v) { return static_cast<float>(v); };
  const PathSegment s =
      Seg(f(sa.x), f(sa.y), f(sa.x), f(sa.y), f(sa.x + h * ds.x), f(sa.y + h * ds.y));
  const PathSegment e =
      Seg(f(ea.x), f(ea.y), f(ea.x - h * de.x), f(ea.y - h * de.y), f(ea.x), f(ea.y));
  GeomPoint centre{};
  double radius = 0;
  ASSERT_TRUE(velm::IsCircularArc(s, e, &centre, &radius));
  Table table;
  for (const float y : {0.001f, -0.001f}) {
    RealPoint p{-100.5f, y};
    ASSERT_TRUE(velm::SnapToCurvedPiece(&p, s, e, 1.0, false, table.t)) << y;
    EXPECT_NEAR(p.h, -100.0, 1e-3);
  }
  RealPoint away{100.5f, 0};
  EXPECT_FALSE(velm::SnapToCurvedPiece(&away, s, e, 1.0, true, table.t))
      << "on the circle but off the arc; no chord search after an arc";
}

TEST(CurveGeometry, CurvesThatAreNotArcsSnapOntoTheirChordsOnlyWhenAllowed) {
  Table table;
  const PathSegment s = Seg(0, 0, 0, 0, 30, 60);
  const PathSegment e = Seg(100, 0, 70, -60, 100, 0);
  GeomPoint centre{};
  double radius = 0;
  ASSERT_FALSE(velm::IsCircularArc(s, e, &centre, &radius));
  const GeomPoint onCurve = velm::PiecePoint(s, e, 20, table.t);
  RealPoint p{static_cast<float>(onCurve.x + 0.3), static_cast<float>(onCurve.y - 0.4)};
  RealPoint kept = p;
  EXPECT_FALSE(velm::SnapToCurvedPiece(&kept, s, e, 1.0, false, table.t));
  EXPECT_EQ(kept.h, p.h);
  ASSERT_TRUE(velm::SnapToCurvedPiece(&p, s, e, 1.0, true, table.t));
  double nearest = 1e9;
  for (int k = 0; k <= 64; ++k)
    nearest = std::min(nearest, velm::Distance(velm::PiecePoint(s, e, k, table.t), {p.h, p.v}));
  EXPECT_LT(nearest, 1.5) << "the snapped point lies on the curve's polyline";
  RealPoint far{50, -50};
  EXPECT_FALSE(velm::SnapToCurvedPiece(&far, s, e, 1.0, true, table.t));
}

TEST(CurveGeometry, AnchorWindowIsInclusive) {
  // Without a document view the zoom is 1: the tolerance is 2 points.
  RealPoint p{12, 8};
  ASSERT_TRUE(velm::SnapToAnchor(&p, Corner(10, 10)));
  EXPECT_EQ(p.h, 10);
  EXPECT_EQ(p.v, 10);
  p = {12.01f, 10};
  EXPECT_FALSE(velm::SnapToAnchor(&p, Corner(10, 10)));
  EXPECT_TRUE(velm::NearArt({-1.5f, 5}, host::RealRect{0, 10, 10, 0}));
  EXPECT_FALSE(velm::NearArt({-2.5f, 5}, host::RealRect{0, 10, 10, 0}));
}

}  // namespace
