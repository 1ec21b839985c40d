// Path segments through the path suite, and the real-math and fixed-math operations the
// plug-in's geometry relies on.
#include <climits>

#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

class PathTest : public DocumentTest {
 protected:
  const host::PathSuite& paths() { return Suite<host::PathSuite>(); }
  host::ArtHandle NewPath() {
    host::ArtHandle made = nullptr;
    EXPECT_EQ(Suite<host::ArtSuite>().NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &made),
              host::kNoErr);
    return made;
  }
  std::int32_t Count(host::ArtHandle path) {
    std::int32_t n = -1;
    EXPECT_EQ(paths().GetPathSegmentCount(path, &n), host::kNoErr);
    return n;
  }
};

TEST_F(PathTest, SegmentsAreBuiltOneAtATimeReadAndRemoved) {
  const host::ArtHandle path = NewPath();
  EXPECT_EQ(Count(path), 0);
  for (int i = 0; i < 4; ++i) {
    const host::PathSegment s = Corner(static_cast<float>(i), static_cast<float>(10 * i));
    ASSERT_EQ(paths().SetPathSegments(path, i, 1, &s), host::kNoErr);
  }
  EXPECT_EQ(Count(path), 4);
  host::PathSegment curved{{5, 5}, {4, 6}, {6, 4}, 0};
  ASSERT_EQ(paths().SetPathSegments(path, 1, 1, &curved), host::kNoErr);  // replaces
  host::PathSegment read[2];
  ASSERT_EQ(paths().GetPathSegments(path, 1, 2, read), host::kNoErr);
  EXPECT_EQ(read[0].in.h, 4.0f);
  EXPECT_EQ(read[0].corner, 0);
  EXPECT_EQ(read[1].anchor.v, 20.0f);
  ASSERT_EQ(paths().DeletePathSegments(path, 0, 2), host::kNoErr);
  EXPECT_EQ(Count(path), 2);
  ASSERT_EQ(paths().GetPathSegments(path, 0, 1, read), host::kNoErr);
  EXPECT_EQ(read[0].anchor.h, 2.0f);
}

TEST_F(PathTest, RangesPastTheEndAreRefused) {
  const host::ArtHandle path = NewPath();
  const host::PathSegment s[2] = {Corner(0, 0), Corner(1, 1)};
  ASSERT_EQ(paths().SetPathSegments(path, 0, 2, s), host::kNoErr);
  host::PathSegment out[3];
  EXPECT_EQ(paths().GetPathSegments(path, 1, 2, out), host::kBadParameterErr);
  EXPECT_EQ(paths().GetPathSegments(path, -1, 1, out), host::kBadParameterErr);
  EXPECT_EQ(paths().GetPathSegments(path, INT_MAX, 2, out), host::kBadParameterErr);
  EXPECT_EQ(paths().SetPathSegments(path, 3, 1, s), host::kBadParameterErr);
  EXPECT_EQ(paths().DeletePathSegments(path, 1, 2), host::kBadParameterErr);
  EXPECT_EQ(paths().SetPathSegments(path, 2, 32000, s), host::kTooManyPointsErr);
  EXPECT_EQ(Count(path), 2);
  // Path operations on art that is not a path.
  host::ArtHandle group = doc().currentLayer()->group->handle();
  std::int32_t n = 0;
  EXPECT_EQ(paths().GetPathSegmentCount(group, &n), host::kBadParameterErr);
}

TEST_F(PathTest, ClosedAndGuideFlags) {
  const host::ArtHandle path = NewPath();
  host::Boolean closed = 1, guide = 1;
  ASSERT_EQ(paths().GetPathClosed(path, &closed), host::kNoErr);
  ASSERT_EQ(paths().GetPathGuide(path, &guide), host::kNoErr);
  EXPECT_FALSE(closed);
  EXPECT_FALSE(guide);
  ASSERT_EQ(paths().SetPathClosed(path, 1), host::kNoErr);
  ASSERT_EQ(paths().GetPathClosed(path, &closed), host::kNoErr);
  EXPECT_TRUE(closed);
  doc().ArtFrom(path)->guide = true;
  ASSERT_EQ(paths().GetPathGuide(path, &guide), host::kNoErr);
  EXPECT_TRUE(guide);
  doc().currentLayer()->editable = false;
  EXPECT_EQ(paths().SetPathClosed(path, 0), host::kLockedLayerErr);
  const host::PathSegment s = Corner(0, 0);
  EXPECT_EQ(paths().SetPathSegments(path, 0, 1, &s), host::kLockedLayerErr);
}

TEST_F(PathTest, CurveBoundsReachTheExtremaOfCurvedPieces) {
  // A quarter-circle-like bulge above the chord from (0, 0) to (100, 0).
  const host::ArtHandle path = NewPath();
  const host::PathSegment s[2] = {{{0, 0}, {0, 0}, {0, 40}, 0}, {{100, 0}, {100, 40}, {100, 0}, 0}};
  ASSERT_EQ(paths().SetPathSegments(path, 0, 2, s), host::kNoErr);
  host::RealRect r{};
  ASSERT_EQ(Suite<host::ArtSuite>().GetArtBounds(path, &r), host::kNoErr);
  EXPECT_FLOAT_EQ(r.top, 30.0f);  // 3/4 of the control height at t = 1/2
  EXPECT_FLOAT_EQ(r.bottom, 0.0f);
  EXPECT_FLOAT_EQ(r.left, 0.0f);
  EXPECT_FLOAT_EQ(r.right, 100.0f);
  // A stroke grows the bounds by half its width.
  doc().ArtFrom(path)->style.strokePaint = 1;
  doc().ArtFrom(path)->style.stroke.width = 4;
  ASSERT_EQ(Suite<host::ArtSuite>().GetArtBounds(path, &r), host::kNoErr);
  EXPECT_FLOAT_EQ(r.top, 32.0f);
  EXPECT_FLOAT_EQ(r.left, -2.0f);
}

using MathTest = DocumentTest;

TEST_F(MathTest, RealMathIsExactWhereThePluginComparesExactly) {
  const auto& m = Suite<host::RealMathSuite>();
  const host::RealPoint a{1.5f, -0.0f}, b{1.5f, 0.0f}, c{1.5f, 1e-7f};
  EXPECT_TRUE(m.RealPointEqual(&a, &b));
  EXPECT_FALSE(m.RealPointEqual(&a, &c));
  EXPECT_EQ(m.RealMul(3, 0.5f), 1.5f);
  EXPECT_EQ(m.RealDiv(-10, 4), -2.5f);
  host::RealRect r{0, 10, 10, 0};
  m.RealRectInset(&r, -2, -3);
  EXPECT_EQ(r.left, -2.0f);
  EXPECT_EQ(r.top, 13.0f);
  EXPECT_EQ(r.right, 12.0f);
  EXPECT_EQ(r.bottom, -3.0f);
  const host::RealPoint edge{12, -3}, outside{12.001f, 0};
  EXPECT_TRUE(m.RealPointInRect(&edge, &r));
  EXPECT_FALSE(m.RealPointInRect(&outside, &r));
  host::RealMatrix mx{};
  m.RealMatrixSetScale(&mx, 2, 3);
  EXPECT_EQ(mx.a, 2.0f);
  EXPECT_EQ(mx.d, 3.0f);
  EXPECT_EQ(mx.b, 0.0f);
  m.RealMatrixSet(&mx, 1, 2, 3, 4, 5, 6);
  EXPECT_EQ(mx.ty, 6.0f);
  // An injected failure makes the arithmetic give nothing.
  host().suites().FailOperation(host::RealMathSuite::kName, "RealMul", host::kHostFailureErr);
  EXPECT_EQ(m.RealMul(3, 2), 0.0f);
}

TEST_F(MathTest, FixedConversionRoundsToNearestAndSaturates) {
  const auto& f = Suite<host::FixedMathSuite>();
  EXPECT_EQ(f.RealToFixed(1.0f), 0x10000);
  EXPECT_EQ(f.RealToFixed(-0.5f), -0x8000);
  EXPECT_EQ(f.RealToFixed(1.6f / 65536.0f), 2);
  EXPECT_EQ(f.RealToFixed(-1.6f / 65536.0f), -2);
  EXPECT_EQ(f.RealToFixed(40000.0f), INT32_MAX);
  EXPECT_EQ(f.RealToFixed(-40000.0f), INT32_MIN);
  EXPECT_EQ(f.FixedToReal(0x18000), 1.5f);
  EXPECT_EQ(f.FixedToReal(INT32_MIN), -32768.0f);
  EXPECT_EQ(f.FixedAdd(0x10000, 0x8000), 0x18000);
  EXPECT_EQ(f.FixedAdd(INT32_MAX, 1), INT32_MAX);
  EXPECT_EQ(f.FixedAdd(INT32_MIN, -1), INT32_MIN);
}

}  // namespace
}  // namespace velmtest
