// Paint through the suites: both path-style generations (and the gradient round trip the
// plug-in's capture and placement make through them), gradients, custom colours,
// patterns, blend and art styles, transforms and hard/soft coordinates.
#include <cstring>

#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

host::Color Rgb(float r, float g, float b) {
  host::Color c;
  std::memset(static_cast<void*>(&c), 0, sizeof c);
  c.kind = host::kRgbColor;
  c.c.rgb = {r, g, b};
  return c;
}

bool SameMatrix(const host::RealMatrix& a, const host::RealMatrix& b) {
  return a.a == b.a && a.b == b.b && a.c == b.c && a.d == b.d && a.tx == b.tx && a.ty == b.ty;
}

class PaintTest : public DocumentTest {
 protected:
  const host::PathStyleSuite& style5() { return Suite<host::PathStyleSuite>(); }
  const host::PathStyleSuite4& style4() { return Suite<host::PathStyleSuite4>(); }
  const host::GradientSuite& gradients() { return Suite<host::GradientSuite>(); }
  const host::TransformArtSuite& transform() { return Suite<host::TransformArtSuite>(); }

  host::ArtHandle NewPath() {
    host::ArtHandle made = nullptr;
    EXPECT_EQ(Suite<host::ArtSuite>().NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &made),
              host::kNoErr);
    const host::PathSegment square[4] = {Corner(100, 200), Corner(300, 200), Corner(300, 400),
                                         Corner(100, 400)};
    doc().ArtFrom(made)->segments.assign(square, square + 4);
    doc().ArtFrom(made)->closed = true;
    return made;
  }

  // A radial gradient of three RGB stops filling `path`, its matrix (current generation) m.
  host::GradientHandle FillWithGradient(host::ArtHandle path, const host::RealMatrix& m) {
    host::GradientHandle g = nullptr;
    EXPECT_EQ(gradients().NewGradient(&g), host::kNoErr);
    EXPECT_EQ(gradients().SetGradientType(g, host::kRadialGradient), host::kNoErr);
    host::GradientStop stop{};
    stop.midPoint = 50;
    stop.rampPoint = 0;
    stop.color = Rgb(1, 0, 0);
    EXPECT_EQ(gradients().SetNthGradientStop(g, 0, &stop), host::kNoErr);
    stop.rampPoint = 40;
    stop.midPoint = 25;
    stop.color = Rgb(0, 1, 0);
    EXPECT_EQ(gradients().SetNthGradientStop(g, 1, &stop), host::kNoErr);
    stop.rampPoint = 100;
    stop.color = Rgb(0, 0, 1);
    EXPECT_EQ(gradients().InsertGradientStop(g, 2, &stop), host::kNoErr);
    host::PathStyle s;
    EXPECT_EQ(style5().GetPathStyle(path, &s), host::kNoErr);
    s.fillPaint = 1;
    s.fill.color.kind = host::kGradientColor;
    s.fill.color.c.gradient = {g, {0, 0}, 0, 50, m, 0, 0};
    EXPECT_EQ(style5().SetPathStyle(path, &s), host::kNoErr);
    return g;
  }
};

TEST_F(PaintTest, PathStyleComesBackByteForByte) {
  const host::ArtHandle path = NewPath();
  host::PathStyle s;
  std::memset(static_cast<void*>(&s), 0xA5, sizeof s);
  ASSERT_EQ(style5().GetPathStyle(path, &s), host::kNoErr);
  for (unsigned char b : s.reserved)
    ASSERT_EQ(b, 0);
  s.fill.color = Rgb(0.25f, 0.5f, 0.75f);
  s.strokePaint = 1;
  s.stroke.width = 3;
  s.stroke.dash.length = 2;
  s.stroke.dash.array[0] = 4;
  s.stroke.dash.array[1] = 2;
  s.evenOdd = 1;
  s.reserved[7] = 9;  // the host keeps those bytes to itself
  ASSERT_EQ(style5().SetPathStyle(path, &s), host::kNoErr);
  host::PathStyle back;
  ASSERT_EQ(style5().GetPathStyle(path, &back), host::kNoErr);
  s.reserved[7] = 0;
  EXPECT_EQ(std::memcmp(&s, &back, sizeof s), 0);
}

TEST_F(PaintTest, PathStyleRefusesForeignResourcesAndLockedArt) {
  const host::ArtHandle path = NewPath();
  host::PathStyle s;
  ASSERT_EQ(style5().GetPathStyle(path, &s), host::kNoErr);
  int notAGradient = 0;
  s.fill.color.kind = host::kGradientColor;
  s.fill.color.c.gradient.gradient = reinterpret_cast<host::GradientHandle>(&notAGradient);
  EXPECT_EQ(style5().SetPathStyle(path, &s), host::kBadParameterErr);
  s.fill.color = Rgb(1, 0, 0);
  s.stroke.dash.length = 7;
  EXPECT_EQ(style5().SetPathStyle(path, &s), host::kBadParameterErr);
  s.stroke.dash.length = 0;
  doc().currentLayer()->editable = false;
  EXPECT_EQ(style5().SetPathStyle(path, &s), host::kLockedLayerErr);
  host::ArtHandle group = doc().currentLayer()->group->handle();
  EXPECT_EQ(style5().GetPathStyle(group, &s), host::kBadParameterErr);
}

TEST_F(PaintTest, PreviousGenerationReportsTheGradientMatrixInItsOwnFrame) {
  doc().SetHardOrigin({306, 396});
  const host::ArtHandle path = NewPath();
  const host::RealMatrix m{0.5f, 0.25f, -0.25f, 0.5f, 140, 260};
  FillWithGradient(path, m);
  host::PathStyle s5, s4;
  ASSERT_EQ(style5().GetPathStyle(path, &s5), host::kNoErr);
  ASSERT_EQ(style4().GetPathStyle(path, &s4), host::kNoErr);
  EXPECT_TRUE(SameMatrix(s5.fill.color.c.gradient.matrix, m));
  // b and c negated, translation moved by the hard origin (h subtracted, v added).
  EXPECT_TRUE(SameMatrix(s4.fill.color.c.gradient.matrix,
                         host::RealMatrix{0.5f, -0.25f, 0.25f, 0.5f, 140 - 306, 260 + 396}));
  // Everything else is the same style.
  s4.fill.color.c.gradient.matrix = m;
  EXPECT_EQ(std::memcmp(&s4, &s5, sizeof s4), 0);
  // Writing through the previous generation takes its frame back.
  host::PathStyle w = s5;
  w.fill.color.c.gradient.matrix = {1, -0.5f, 0.5f, 1, 10 - 306, 20 + 396};
  ASSERT_EQ(style4().SetPathStyle(path, &w), host::kNoErr);
  ASSERT_EQ(style5().GetPathStyle(path, &s5), host::kNoErr);
  EXPECT_TRUE(
      SameMatrix(s5.fill.color.c.gradient.matrix, host::RealMatrix{1, 0.5f, -0.5f, 1, 10, 20}));
}

// Reads a gradient fill the way the capture does and rebuilds it the way placement does,
// into a document whose hard origin may differ; the rebuilt gradient must be the one
// moved by (drop − capture origin), exactly.
class GradientRoundTripTest : public PaintTest, public ::testing::WithParamInterface<bool> {};

TEST_P(GradientRoundTripTest, CaptureThenPlacementReproducesTheGradient) {
  const bool anchorRecorded = GetParam();
  doc().SetHardOrigin({306, 396});
  const host::ArtHandle source = NewPath();
  const host::RealMatrix m{0.5f, 0.25f, -0.25f, 0.5f, 140, 260};
  const host::GradientHandle sourceGradient = FillWithGradient(source, m);

  // Capture: hard origin, both generations' matrices, the stops.
  const host::RealPoint origin{100, 200};
  host::RealPoint hard{0, 0};
  const host::RealPoint zero{0, 0};
  ASSERT_EQ(Suite<host::HardSoftSuite>().RealPointHarden(&zero, &hard), host::kNoErr);
  host::PathStyle s5, s4;
  ASSERT_EQ(style5().GetPathStyle(source, &s5), host::kNoErr);
  ASSERT_EQ(style4().GetPathStyle(source, &s4), host::kNoErr);
  const host::RealPoint anchor{s5.fill.color.c.gradient.matrix.tx - origin.h,
                               s5.fill.color.c.gradient.matrix.ty - origin.v};
  host::RealMatrix stored = s4.fill.color.c.gradient.matrix;
  stored.tx = stored.tx - origin.h + hard.h;
  stored.ty = stored.ty - origin.v - hard.v;
  std::int32_t type = 0, count = 0;
  ASSERT_EQ(gradients().GetGradientType(sourceGradient, &type), host::kNoErr);
  ASSERT_EQ(gradients().GetGradientStopCount(sourceGradient, &count), host::kNoErr);
  std::vector<host::GradientStop> stops(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i)
    ASSERT_EQ(gradients().GetNthGradientStop(sourceGradient, i, &stops[i]), host::kNoErr);

  // Placement into another document with another hard origin.
  host().SetDocument(std::make_unique<hostsim::Document>());
  doc().SetHardOrigin({-50, 1000});
  ASSERT_EQ(Suite<host::HardSoftSuite>().RealPointHarden(&zero, &hard), host::kNoErr);
  const host::RealPoint drop{400, 50};
  const host::ArtHandle path = NewPath();
  host::GradientHandle g = nullptr;
  ASSERT_EQ(gradients().NewGradient(&g), host::kNoErr);
  ASSERT_EQ(gradients().SetGradientType(g, type), host::kNoErr);
  for (std::int32_t i = 0; i < count; ++i) {
    if (i < 2)
      ASSERT_EQ(gradients().SetNthGradientStop(g, i, &stops[i]), host::kNoErr);
    else
      ASSERT_EQ(gradients().InsertGradientStop(g, i, &stops[i]), host::kNoErr);
  }
  host::PathStyle style = s5;
  style.fill.color.c.gradient.gradient = g;
  style.fill.color.c.gradient.matrix = {1, 0, 0, 1, 0, 0};
  const host::RealPoint wanted =
      anchorRecorded ? host::RealPoint{anchor.h + drop.h, anchor.v + drop.v}
                     : host::RealPoint{stored.tx + drop.h - hard.h, stored.ty + drop.v + hard.v};
  ASSERT_EQ(style5().SetPathStyle(path, &style), host::kNoErr);
  auto readBack = [&](host::PathStyle* out) {
    if (anchorRecorded)
      ASSERT_EQ(style5().GetPathStyle(path, out), host::kNoErr);
    else
      ASSERT_EQ(style4().GetPathStyle(path, out), host::kNoErr);
  };
  host::PathStyle back;
  readBack(&back);
  const host::RealMatrix& rb = back.fill.color.c.gradient.matrix;
  if (stored.a != rb.a || stored.b != rb.b || stored.c != rb.c || stored.d != rb.d) {
    const host::RealMatrix linear{stored.a, -stored.b, -stored.c, stored.d, 0, 0};
    ASSERT_EQ(transform().TransformArt(path, &linear, 1.0f, host::kTransformFillGradients),
              host::kNoErr);
  }
  readBack(&back);
  if (rb.tx != wanted.h || rb.ty != wanted.v) {
    const host::RealMatrix move{1, 0, 0, 1, wanted.h - rb.tx, wanted.v - rb.ty};
    ASSERT_EQ(transform().TransformArt(path, &move, 1.0f, host::kTransformFillGradients),
              host::kNoErr);
  }

  host::PathStyle placed;
  ASSERT_EQ(style5().GetPathStyle(path, &placed), host::kNoErr);
  EXPECT_TRUE(SameMatrix(
      placed.fill.color.c.gradient.matrix,
      host::RealMatrix{m.a, m.b, m.c, m.d, m.tx - origin.h + drop.h, m.ty - origin.v + drop.v}));
  std::int32_t placedCount = 0, placedType = -1;
  ASSERT_EQ(gradients().GetGradientType(g, &placedType), host::kNoErr);
  ASSERT_EQ(gradients().GetGradientStopCount(g, &placedCount), host::kNoErr);
  EXPECT_EQ(placedType, host::kRadialGradient);
  ASSERT_EQ(placedCount, count);
  for (std::int32_t i = 0; i < count; ++i) {
    host::GradientStop s{};
    ASSERT_EQ(gradients().GetNthGradientStop(g, i, &s), host::kNoErr);
    EXPECT_EQ(std::memcmp(&s, &stops[i], sizeof s), 0) << "stop " << i;
  }
  // The path itself did not move.
  EXPECT_EQ(doc().ArtFrom(path)->segments[0].anchor.h, 100.0f);
}

INSTANTIATE_TEST_SUITE_P(AnchorRecordedOrNot, GradientRoundTripTest, ::testing::Bool());

TEST_F(PaintTest, GradientStopsAreSetInsertedAndBounded) {
  host::GradientHandle g = nullptr;
  ASSERT_EQ(gradients().NewGradient(&g), host::kNoErr);
  std::int32_t count = 0, type = -1;
  ASSERT_EQ(gradients().GetGradientStopCount(g, &count), host::kNoErr);
  ASSERT_EQ(gradients().GetGradientType(g, &type), host::kNoErr);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(type, host::kLinearGradient);
  host::GradientStop stop{};
  stop.rampPoint = 50;
  stop.color = Rgb(1, 1, 0);
  EXPECT_EQ(gradients().InsertGradientStop(g, 1, &stop), host::kNoErr);
  EXPECT_EQ(gradients().InsertGradientStop(g, 4, &stop), host::kBadParameterErr);
  EXPECT_EQ(gradients().SetNthGradientStop(g, 3, &stop), host::kBadParameterErr);
  EXPECT_EQ(gradients().SetGradientType(g, 2), host::kBadParameterErr);
  host::GradientStop middle{};
  ASSERT_EQ(gradients().GetNthGradientStop(g, 1, &middle), host::kNoErr);
  EXPECT_EQ(middle.rampPoint, 50.0f);
  EXPECT_EQ(gradients().GetNthGradientStop(g, 3, &middle), host::kBadParameterErr);
  // A gradient inside a gradient stop is refused.
  stop.color.kind = host::kGradientColor;
  stop.color.c.gradient.gradient = g;
  EXPECT_EQ(gradients().SetNthGradientStop(g, 0, &stop), host::kBadParameterErr);
}

TEST_F(PaintTest, CustomColoursReportTheirDefinition) {
  hostsim::CustomColor* spot = doc().NewCustomColor();
  spot->definition.kind = host::kCustomProcessDefinition;
  spot->definition.c.process = {0.1f, 0.2f, 0.3f, 0.4f};
  host::CustomColorDefinition def{};
  ASSERT_EQ(Suite<host::CustomColorSuite>().GetCustomColor(
                reinterpret_cast<host::CustomColorHandle>(spot), &def),
            host::kNoErr);
  EXPECT_EQ(def.kind, host::kCustomProcessDefinition);
  EXPECT_EQ(def.c.process.black, 0.4f);
  EXPECT_EQ(Suite<host::CustomColorSuite>().GetCustomColor(nullptr, &def), host::kBadParameterErr);
}

TEST_F(PaintTest, PatternKeepsItsOwnCopyOfTheArt) {
  const auto& patterns = Suite<host::PatternSuite>();
  host::PatternHandle p = nullptr;
  ASSERT_EQ(patterns.NewPattern(&p), host::kNoErr);
  host::ArtHandle art = nullptr;
  ASSERT_EQ(patterns.GetPatternArt(p, &art), host::kNoErr);
  EXPECT_EQ(art, nullptr);
  const host::ArtHandle tile = NewPath();
  ASSERT_EQ(patterns.SetPatternArt(p, tile), host::kNoErr);
  ASSERT_EQ(Suite<host::ArtSuite>().DisposeArt(tile), host::kNoErr);
  ASSERT_EQ(patterns.GetPatternArt(p, &art), host::kNoErr);
  ASSERT_NE(art, nullptr);
  std::int32_t type = 0;
  ASSERT_EQ(Suite<host::ArtSuite>().GetArtType(art, &type), host::kNoErr);
  EXPECT_EQ(type, host::kGroupArt);
  host::ArtHandle child = nullptr;
  ASSERT_EQ(Suite<host::ArtSuite>().GetArtFirstChild(art, &child), host::kNoErr);
  EXPECT_EQ(doc().ArtFrom(child)->segments.size(), 4u);
}

TEST_F(PaintTest, BlendStyleIsKeptAndChecked) {
  const auto& blend = Suite<host::BlendStyleSuite>();
  const host::ArtHandle path = NewPath();
  EXPECT_EQ(blend.SetBlendingMode(path, 1), host::kNoErr);
  EXPECT_EQ(blend.SetOpacity(path, 1.5f), host::kNoErr);
  EXPECT_EQ(blend.SetIsolated(path, 1), host::kNoErr);
  EXPECT_EQ(blend.SetKnockout(path, host::kKnockoutInherited), host::kNoErr);
  EXPECT_EQ(blend.SetAlphaIsShape(path, 1), host::kNoErr);
  EXPECT_EQ(blend.SetKnockout(path, 3), host::kBadParameterErr);
  EXPECT_EQ(blend.SetBlendingMode(path, 16), host::kBadParameterErr);
  std::int32_t mode = 0, knockout = 0;
  host::Real opacity = 0;
  host::Boolean isolated = 0, alpha = 0;
  EXPECT_EQ(blend.GetBlendingMode(path, &mode), host::kNoErr);
  EXPECT_EQ(blend.GetOpacity(path, &opacity), host::kNoErr);
  EXPECT_EQ(blend.GetIsolated(path, &isolated), host::kNoErr);
  EXPECT_EQ(blend.GetKnockout(path, &knockout), host::kNoErr);
  EXPECT_EQ(blend.GetAlphaIsShape(path, &alpha), host::kNoErr);
  EXPECT_EQ(mode, 1);
  EXPECT_EQ(opacity, 1.0f);  // clamped
  EXPECT_TRUE(isolated && alpha);
  EXPECT_EQ(knockout, host::kKnockoutInherited);
  doc().currentLayer()->editable = false;
  EXPECT_EQ(blend.SetOpacity(path, 0.5f), host::kLockedLayerErr);
}

TEST_F(PaintTest, StyledArtOfAPathWithAnEffectIsAGeneratedGroup) {
  const auto& artStyle = Suite<host::ArtStyleSuite>();
  const host::ArtHandle plain = NewPath();
  const host::ArtHandle shadowed = NewPath();
  hostsim::Art* a = doc().ArtFrom(shadowed);
  a->effect.shadow = true;
  a->effect.offset = {5, -5};
  a->effect.color = Rgb(0.5f, 0.5f, 0.5f);
  host::ArtHandle styled = nullptr;
  ASSERT_EQ(artStyle.GetStyledArt(plain, &styled), host::kNoErr);
  EXPECT_EQ(styled, plain);
  ASSERT_EQ(artStyle.GetStyledArt(shadowed, &styled), host::kNoErr);
  ASSERT_NE(styled, shadowed);
  const hostsim::Art* group = doc().ArtFrom(styled);
  ASSERT_EQ(group->children.size(), 2u);
  EXPECT_EQ(group->children[0]->segments[0].anchor.h, 100.0f);
  EXPECT_EQ(group->children[1]->segments[0].anchor.h, 105.0f);
  EXPECT_EQ(group->children[1]->style.fill.color.kind, host::kRgbColor);
  // Asking again gives the same art, built afresh.
  host::ArtHandle again = nullptr;
  ASSERT_EQ(artStyle.GetStyledArt(shadowed, &again), host::kNoErr);
  EXPECT_EQ(again, styled);
  EXPECT_EQ(doc().ArtFrom(again)->children.size(), 2u);
  // A path that paints nothing and has no effect draws nothing.
  doc().ArtFrom(plain)->style.fillPaint = 0;
  ASSERT_EQ(artStyle.GetStyledArt(plain, &styled), host::kNoErr);
  EXPECT_EQ(styled, nullptr);
}

TEST_F(PaintTest, TransformMovesArtOrOnlyItsFillGradient) {
  const host::ArtHandle path = NewPath();
  const host::RealMatrix m{1, 0, 0, 1, 10, 20};
  FillWithGradient(path, m);
  const host::RealMatrix scale{2, 0, 0, 2, 0, 0};
  ASSERT_EQ(transform().TransformArt(path, &scale, 1.0f, host::kTransformFillGradients),
            host::kNoErr);
  const hostsim::Art* a = doc().ArtFrom(path);
  EXPECT_EQ(a->segments[1].anchor.h, 300.0f);
  EXPECT_TRUE(
      SameMatrix(a->style.fill.color.c.gradient.matrix, host::RealMatrix{2, 0, 0, 2, 20, 40}));
  const host::RealMatrix move{1, 0, 0, 1, 5, 5};
  ASSERT_EQ(transform().TransformArt(path, &move, 2.0f, host::kTransformObjects), host::kNoErr);
  EXPECT_EQ(a->segments[1].anchor.h, 305.0f);
  EXPECT_EQ(a->style.stroke.width, 2.0f);
  EXPECT_EQ(a->style.fill.color.c.gradient.matrix.tx, 20.0f);
}

TEST_F(PaintTest, HardCoordinatesAreArtworkMovedByTheHardOrigin) {
  doc().SetHardOrigin({306, 396});
  const auto& hs = Suite<host::HardSoftSuite>();
  const host::RealPoint p{10, -20};
  host::RealPoint hard{}, soft{};
  ASSERT_EQ(hs.RealPointHarden(&p, &hard), host::kNoErr);
  EXPECT_EQ(hard.h, 316.0f);
  EXPECT_EQ(hard.v, 376.0f);
  ASSERT_EQ(hs.RealPointSoften(&hard, &soft), host::kNoErr);
  EXPECT_EQ(soft.h, 10.0f);
  EXPECT_EQ(soft.v, -20.0f);
  hard = p;
  ASSERT_EQ(hs.RealPointHarden(&hard, &hard), host::kNoErr);  // in place
  EXPECT_EQ(hard.h, 316.0f);
}

}  // namespace
}  // namespace velmtest
