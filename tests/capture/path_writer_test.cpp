// Path objects field by field: style, colours of every kind, fill gradients, pattern fills
// and strokes with their definitions at the end of the stream.
#include <gtest/gtest.h>

#include "capture/art_tree_writer.h"
#include "frame/globals.h"
#include "tests/capture/capture_fixture.h"

namespace velmtest {
namespace {

using Strings = std::vector<std::string>;

class PathWriterTest : public CaptureTest {
 protected:
  // The object of the first (only) captured path.
  StoredObject OnlyPath() {
    const std::vector<StoredObject> objects = Objects();
    EXPECT_FALSE(objects.empty());
    return objects.empty() ? StoredObject{std::vector<std::uint8_t>(5104)} : objects[0];
  }
  host::Color Custom(std::int32_t kind, float a, float b, float c, float d, float tint) {
    hostsim::CustomColor* spot = doc().NewCustomColor();
    spot->definition.kind = kind;
    spot->definition.c.other[0] = a;
    spot->definition.c.other[1] = b;
    spot->definition.c.other[2] = c;
    spot->definition.c.other[3] = d;
    host::Color color = GrayColor(0);
    color.kind = host::kCustomColor;
    color.c.custom = {reinterpret_cast<host::CustomColorHandle>(spot), tint};
    return color;
  }
  host::Color PatternColor(hostsim::Pattern* pattern) {
    host::Color color = GrayColor(0);
    color.kind = host::kPatternColor;
    color.c.pattern.pattern = reinterpret_cast<host::PatternHandle>(pattern);
    color.c.pattern.scale = {1, 1};
    color.c.pattern.transform = {1, 0, 0, 1, 0, 0};
    return color;
  }
  hostsim::Gradient* GradientWithStops(int count) {
    hostsim::Gradient* gradient = doc().NewGradient();
    gradient->stops.clear();
    for (int i = 0; i < count; ++i) {
      host::GradientStop stop{};
      stop.rampPoint = static_cast<float>(i);
      stop.midPoint = 50;
      stop.color = GrayColor(static_cast<float>(i) / 64);
      gradient->stops.push_back(stop);
    }
    return gradient;
  }
};

void ExpectAllZero(const std::uint8_t* bytes, std::size_t count, const char* what) {
  for (std::size_t i = 0; i < count; ++i)
    if (bytes[i]) {
      ADD_FAILURE() << what << " byte " << i << " is " << int(bytes[i]);
      return;
    }
}

TEST_F(PathWriterTest, ARectangleIsStoredFieldByField) {
  hostsim::Art* rect = Rectangle(10, 20, 60, 50);
  host::PathStyle& s = rect->style;
  s.fillPaint = 1;
  s.fill.color = GrayColor(0.25f);
  s.fill.overprint = 1;
  s.strokePaint = 1;
  s.stroke.color = RgbColor(0.5f, 0.25f, 1);
  s.stroke.width = 2.5f;
  s.stroke.dash = {1.0f, 2, {4, 2, 0, 0, 0, 0}};
  s.stroke.cap = 1;
  s.stroke.join = 2;
  s.stroke.miterLimit = 7;
  s.evenOdd = 1;
  s.resolution = 800;
  rect->blend = {3, 0.75f, true, host::kKnockoutInherited, true};
  Select(rect);
  ASSERT_EQ(Capture(), host::kNoErr);

  const StoredObject o = OnlyPath();
  ASSERT_EQ(o.length(), 5216);
  ASSERT_EQ(o.bytes.size(), 5216u);
  const velm::PathObject p = o.path();
  EXPECT_EQ(p.header.type, 2);
  EXPECT_EQ(p.header.blendMode, 3);
  EXPECT_EQ(p.header.opacity, Fx(0.75));
  EXPECT_EQ(p.header.isolated, 1);
  EXPECT_EQ(p.header.knockout, 2);
  EXPECT_EQ(p.header.alphaIsShape, 1);
  EXPECT_EQ(p.header.reserved, 0);
  EXPECT_EQ(p.closed, 1);
  EXPECT_EQ(p.segmentCount, 4);

  const velm::StoredPathStyle& st = p.style;
  EXPECT_EQ(st.fillPaint, 1);
  EXPECT_EQ(st.strokePaint, 1);
  EXPECT_EQ(st.fillColor.colorKind, 0);
  EXPECT_EQ(st.fillColor.payload.gray.gray, Fx(0.25));
  ExpectAllZero(st.fillColor.payload.bytes + 4, 60, "gray payload");
  EXPECT_EQ(st.fillOverprint, 1);
  EXPECT_EQ(st.strokeColor.colorKind, 5);
  EXPECT_EQ(st.strokeColor.payload.rgb.red, Fx(0.5));
  EXPECT_EQ(st.strokeColor.payload.rgb.green, Fx(0.25));
  EXPECT_EQ(st.strokeColor.payload.rgb.blue, Fx(1));
  EXPECT_EQ(st.strokeOverprint, 0);
  EXPECT_EQ(st.strokeWidth, Fx(2.5));
  EXPECT_EQ(st.dashCount, 2);
  EXPECT_EQ(st.dashOffset, Fx(1));
  EXPECT_EQ(st.dashArray[0], Fx(4));
  EXPECT_EQ(st.dashArray[1], Fx(2));
  EXPECT_EQ(st.dashArray[5], 0);
  EXPECT_EQ(st.lineCap, 1);
  EXPECT_EQ(st.lineJoin, 2);
  EXPECT_EQ(st.miterLimit, Fx(7));
  EXPECT_EQ(st.clip, 0);
  EXPECT_EQ(st.evenOdd, 1);
  EXPECT_EQ(st.resolution, Fx(800));
  ExpectAllZero(o.bytes.data() + 228, 2 * 2436, "gradient blocks");

  const float corners[4][2] = {{0, 0}, {50, 0}, {50, 30}, {0, 30}};
  for (int i = 0; i < 4; ++i) {
    const velm::PathSegment seg = o.segment(i);
    EXPECT_EQ(seg.anchor.h, Fx(corners[i][0])) << i;
    EXPECT_EQ(seg.anchor.v, Fx(corners[i][1])) << i;
    EXPECT_EQ(seg.in.h, seg.anchor.h);
    EXPECT_EQ(seg.out.v, seg.anchor.v);
    EXPECT_EQ(seg.corner, 1);
    EXPECT_EQ(seg.reserved, 0);
  }
}

TEST_F(PathWriterTest, ControlPointsMoveWithTheirAnchors) {
  Select(Path({{{10, 10}, {0, 10}, {20, 30}, 0}, {{60, 10}, {50, 40}, {70, 0}, 0}}, false));
  ASSERT_EQ(Capture(), host::kNoErr);
  const StoredObject o = OnlyPath();
  EXPECT_EQ(o.length(), 5104 + 2 * 28);
  EXPECT_EQ(o.path().closed, 0);
  // The origin is (10, 10): the curve stays above its anchors and left of the second.
  const velm::PathSegment first = o.segment(0), second = o.segment(1);
  EXPECT_EQ(first.in.h, Fx(-10));
  EXPECT_EQ(first.out.h, Fx(10));
  EXPECT_EQ(first.out.v, Fx(20));
  EXPECT_EQ(second.anchor.h, Fx(50));
  EXPECT_EQ(second.in.v, Fx(30));
  EXPECT_EQ(second.out.v, Fx(-10));
  EXPECT_EQ(second.corner, 0);
}

TEST_F(PathWriterTest, ColoursOfEveryKind) {
  struct Case {
    host::Color fill;
    std::int16_t kind;
    std::vector<double> payload;
  };
  const std::vector<Case> cases = {
      {ProcessColor(0.1f, 0.2f, 0.3f, 0.4f), 1, {0.1, 0.2, 0.3, 0.4}},
      {RgbColor(1, 0.5f, 0), 5, {1, 0.5, 0}},
      // Spot colours at a tint are stored as their definition at full strength.
      {Custom(host::kCustomProcessDefinition, 0, 0.5f, 1, 0.25f, 0.4f), 1, {0, 0.5, 1, 0.25}},
      {Custom(host::kCustomRgbDefinition, 0.75f, 0.5f, 0.25f, 0, 0.4f), 5, {0.75, 0.5, 0.25}},
      {Custom(host::kCustomOtherDefinition, 50, 20, 10, 0, 1), 3, {}},
      {GrayColor(0), 6, {}},
  };
  for (const Case& c : cases) {
    hostsim::Art* path = Rectangle(0, 0, 10, 10);
    host::Color color = c.fill;
    if (c.kind == 6) color.kind = host::kNoColor;
    path->style.fill.color = color;
    path->style.strokePaint = 1;
    path->style.stroke.color = color;  // strokes follow the same rules
    Select(path);
  }
  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> objects = Objects();
  ASSERT_EQ(objects.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    for (const velm::StoredColor& color :
         {objects[i].path().style.fillColor, objects[i].path().style.strokeColor}) {
      EXPECT_EQ(color.colorKind, cases[i].kind) << i;
      std::size_t at = 0;
      for (; at < cases[i].payload.size(); ++at) {
        velm::Fixed value;
        std::memcpy(&value, color.payload.bytes + 4 * at, 4);
        EXPECT_EQ(value, Fx(cases[i].payload[at])) << i << " component " << at;
      }
      ExpectAllZero(color.payload.bytes + 4 * at, 64 - 4 * at, "rest of the colour");
    }
  }
}

TEST_F(PathWriterTest, FillGradientsCarryStopsMatrixAndAnchor) {
  doc().SetHardOrigin({306, 396});
  hostsim::Gradient* gradient = GradientWithStops(0);
  gradient->type = host::kRadialGradient;
  auto stop = [](float ramp, float mid, host::Color color) {
    host::GradientStop s{};
    s.rampPoint = ramp;
    s.midPoint = mid;
    s.color = color;
    return s;
  };
  hostsim::Pattern* pattern = RectanglePattern(0, 0, 1, 1);
  gradient->stops = {stop(0, 50, RgbColor(1, 0, 0)),
                     stop(20, 30, PatternColor(pattern)),  // dropped
                     stop(40, 25, Custom(host::kCustomProcessDefinition, 1, 0, 0, 0, 0.3f)),
                     stop(60, 50, Custom(host::kCustomOtherDefinition, 1, 2, 3, 0, 1)),  // dropped
                     stop(100, 50, ProcessColor(0, 0, 1, 0))};
  hostsim::Art* path = Rectangle(100, 200, 300, 400);
  path->style.fill.color.kind = host::kGradientColor;
  path->style.fill.color.c.gradient = {reinterpret_cast<host::GradientHandle>(gradient),
                                       {5, 6},
                                       30,
                                       50,
                                       {0.5f, 0.25f, -0.25f, 0.5f, 140, 260},
                                       45,
                                       0.5f};
  path->style.strokePaint = 1;
  path->style.stroke.color = path->style.fill.color;  // a gradient stroke becomes gray 0
  Select(path);
  ASSERT_EQ(Capture(), host::kNoErr);
  ASSERT_EQ(Outline(), Strings{"path"}) << "a dropped pattern stop writes no definition";

  const velm::PathObject p = OnlyPath().path();
  const velm::GradientBlock& block = p.fillGradient;
  EXPECT_EQ(block.gradientType, host::kRadialGradient);
  ASSERT_EQ(block.stopCount, 3);
  EXPECT_EQ(block.stops[0].color.colorKind, 5);
  EXPECT_EQ(block.stops[0].color.payload.rgb.red, Fx(1));
  EXPECT_EQ(block.stops[1].rampPoint, Fx(40));
  EXPECT_EQ(block.stops[1].midPoint, Fx(25));
  EXPECT_EQ(block.stops[1].color.colorKind, 1);
  EXPECT_EQ(block.stops[1].color.payload.process.cyan, Fx(1));
  EXPECT_EQ(block.stops[2].rampPoint, Fx(100));
  EXPECT_EQ(block.stops[2].color.payload.process.yellow, Fx(1));
  ExpectAllZero(reinterpret_cast<const std::uint8_t*>(&block.stops[3]), 29 * 76, "unused stops");

  const velm::StoredColor& fill = p.style.fillColor;
  ASSERT_EQ(fill.colorKind, 4);
  const velm::GradientColorPayload& g = fill.payload.gradient;
  EXPECT_EQ(g.reserved, 0);
  EXPECT_EQ(g.originH, Fx(5));
  EXPECT_EQ(g.originV, Fx(6));
  EXPECT_EQ(g.angle, Fx(30));
  EXPECT_EQ(g.length, Fx(50));
  EXPECT_EQ(g.hiliteAngle, Fx(45));
  EXPECT_EQ(g.hiliteLength, Fx(0.5));
  // The previous generation's matrix (b and c negated, translation in hard coordinates),
  // moved by the capture origin (100, 200) and back by the hard origin.
  EXPECT_EQ(g.matrix.a, Fx(0.5));
  EXPECT_EQ(g.matrix.b, Fx(-0.25));
  EXPECT_EQ(g.matrix.c, Fx(0.25));
  EXPECT_EQ(g.matrix.d, Fx(0.5));
  EXPECT_EQ(g.matrix.tx, Fx(40));
  EXPECT_EQ(g.matrix.ty, Fx(60));
  // The anchor: the current generation's translation minus the origin.
  EXPECT_EQ(g.gradientAnchor.h, Fx(40));
  EXPECT_EQ(g.gradientAnchor.v, Fx(60));

  EXPECT_EQ(p.style.strokeColor.colorKind, 0);
  ExpectAllZero(p.style.strokeColor.payload.bytes, 64, "gray 0 stroke");
}

TEST_F(PathWriterTest, AtMostThirtyTwoStopsAreKept) {
  hostsim::Art* path = Rectangle(0, 0, 10, 10);
  hostsim::Gradient* gradient = GradientWithStops(40);
  path->style.fill.color.kind = host::kGradientColor;
  path->style.fill.color.c.gradient.gradient = reinterpret_cast<host::GradientHandle>(gradient);
  Select(path);
  ASSERT_EQ(Capture(), host::kNoErr);
  const velm::GradientBlock block = OnlyPath().path().fillGradient;
  ASSERT_EQ(block.stopCount, 32);
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(block.stops[i].rampPoint, Fx(i)) << "the first 32 stops, in order";
}

TEST_F(PathWriterTest, PatternsAreDefinedAfterTheArtOncePerUse) {
  hostsim::Pattern* dots = RectanglePattern(5, 5, 9, 9);
  hostsim::Pattern* bars = RectanglePattern(0, 0, 2, 8);
  hostsim::Art* both = Rectangle(0, 0, 10, 10);
  both->style.fill.color = PatternColor(dots);
  both->style.fill.color.c.pattern.shiftDistance = 3;
  both->style.fill.color.c.pattern.rotate = 45;
  both->style.fill.color.c.pattern.reflect = 1;
  both->style.fill.color.c.pattern.transform = {2, 0, 0, 2, 7, -7};
  both->style.strokePaint = 1;
  both->style.stroke.color = PatternColor(bars);
  hostsim::Art* again = Rectangle(20, 0, 30, 10);
  again->style.fill.color = PatternColor(dots);
  Select(both);
  Select(again);
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(), (Strings{"path", "path", "PatternArt00001 /", "path", "/ PatternArt00001",
                                "PatternArt00002 /", "path", "/ PatternArt00002",
                                "PatternArt00003 /", "path", "/ PatternArt00003"}));
  EXPECT_EQ(velm::gGlobals->patternCounter, 3);

  const std::vector<StoredObject> objects = Objects();
  const velm::PatternColorPayload fill = objects[0].path().style.fillColor.payload.pattern;
  EXPECT_EQ(objects[0].path().style.fillColor.colorKind, 2);
  EXPECT_EQ(fill.patternNumber, 1);
  EXPECT_EQ(fill.shiftDistance, Fx(3));
  EXPECT_EQ(fill.scaleH, Fx(1));
  EXPECT_EQ(fill.rotate, Fx(45));
  EXPECT_EQ(fill.reflect, 1);
  EXPECT_EQ(fill.transform.a, Fx(2));
  EXPECT_EQ(fill.transform.ty, Fx(-7));
  EXPECT_EQ(objects[0].path().style.strokeColor.payload.pattern.patternNumber, 2);
  EXPECT_EQ(objects[1].path().style.fillColor.payload.pattern.patternNumber, 3);
  // The pattern's art, unselected, relative to its own lower-left corner.
  EXPECT_EQ(objects[3].segment(0).anchor.h, 0);
  EXPECT_EQ(objects[3].segment(2).anchor.h, Fx(4));
  EXPECT_EQ(objects[6].segment(2).anchor.v, Fx(8));
}

TEST_F(PathWriterTest, PatternsInsidePatternsFollowTheirUsersAndNeverLoop) {
  hostsim::Pattern* inner = RectanglePattern(0, 0, 3, 3);
  hostsim::Pattern* outer = RectanglePattern(0, 0, 6, 6);
  outer->art->children[0]->style.fill.color = PatternColor(inner);
  hostsim::Pattern* itself = RectanglePattern(0, 0, 4, 4);
  itself->art->children[0]->style.fill.color = PatternColor(itself);
  hostsim::Pattern* empty = doc().NewPattern();

  Rectangle(0, 0, 10, 10)->style.fill.color = PatternColor(outer);
  Rectangle(20, 0, 30, 10)->style.fill.color = PatternColor(itself);
  Rectangle(40, 0, 50, 10)->style.fill.color = PatternColor(empty);
  Select(LayerGroup());
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(),
            (Strings{"path", "path", "path", "PatternArt00001 /", "path", "/ PatternArt00001",
                     "PatternArt00002 /", "path", "/ PatternArt00002", "PatternArt00003 /", "path",
                     "/ PatternArt00003"}));
  const std::vector<StoredObject> objects = Objects();
  auto number = [&](std::size_t i) {
    return objects[i].path().style.fillColor.payload.pattern.patternNumber;
  };
  EXPECT_EQ(number(0), 1);
  EXPECT_EQ(number(1), 3);
  EXPECT_EQ(number(2), 0) << "a pattern without art has no definition";
  EXPECT_EQ(number(4), 2) << "the inner pattern's definition follows the outer one";
  EXPECT_EQ(number(10), 0) << "a pattern inside its own art is not defined again";
}

// Writing a definition must not end the capture-everything state of the art around the
// path that uses the pattern: the next member of a plug-in art's result is still taken.
TEST_F(PathWriterTest, APatternUseInsidePluginArtKeepsTheRestOfIt) {
  hostsim::Art* plugin = Add(host::kPluginArt);
  hostsim::Art* edit = doc().Create(host::kGroupArt);
  Rectangle(0, 0, 10, 10, edit)->style.fill.color = PatternColor(RectanglePattern(0, 0, 2, 2));
  Rectangle(20, 0, 30, 10, edit);
  plugin->plugin.editArt = edit;
  doc().UpdateResultArt(plugin);
  Select(plugin);
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(), (Strings{"GroupArt /", "path", "path", "/ GroupArt", "PatternArt00001 /",
                                "path", "/ PatternArt00001"}));
  EXPECT_EQ(velm::gGlobals->captureAll, 0);
}

TEST_F(PathWriterTest, GuidesEmptyPathsAndPathsTooLongForTheCountWriteNothing) {
  Select(Rectangle(0, 0, 10, 10))->guide = true;
  Select(Path({}, false));
  // More segments than the 16-bit count holds (the document takes them, its suite would not).
  std::vector<host::PathSegment> many(40000);
  for (std::size_t i = 0; i < many.size(); ++i) {
    const float h = static_cast<float>(i % 200), v = static_cast<float>(i / 200);
    many[i] = {{h, v}, {h, v}, {h, v}, 1};
  }
  Select(Path(many, false));
  Select(Path(std::vector<host::PathSegment>(many.begin(), many.begin() + 32767), false));
  ASSERT_EQ(Capture(), host::kNoErr);
  ASSERT_EQ(Header()->objectCount, 1);
  EXPECT_EQ(Objects()[0].path().segmentCount, 32767);
  EXPECT_EQ(Objects()[0].length(), 5104 + 28 * 32767);
}

// Paint that is not shown stores no host handle: the same paths give the same bytes
// whatever the handles of their unpainted patterns and gradients; no definition is
// written, and an unpainted stroke gradient is gray 0 as a painted one is.
TEST_F(PathWriterTest, UnpaintedPatternsAndGradientsStoreNoHandle) {
  hostsim::Art* a = Select(Rectangle(0, 0, 10, 10));
  hostsim::Art* b = Select(Rectangle(0, 0, 10, 10));
  std::vector<StoredObject> first;
  for (int pass = 0; pass < 2; ++pass) {
    host::Color gradient = GrayColor(0);
    gradient.kind = host::kGradientColor;
    gradient.c.gradient.gradient = reinterpret_cast<host::GradientHandle>(GradientWithStops(2));
    gradient.c.gradient.length = 30;
    gradient.c.gradient.matrix = {1, 0, 0, 1, 5, 5};
    const host::Color pattern = PatternColor(RectanglePattern(0, 0, 4, 4));
    a->style.fill.color = pattern;
    a->style.stroke.color = gradient;
    b->style.fill.color = gradient;
    b->style.stroke.color = pattern;
    for (hostsim::Art* path : {a, b})
      path->style.fillPaint = path->style.strokePaint = 0;
    ASSERT_EQ(Capture(), host::kNoErr);
    ASSERT_EQ(Outline(), (Strings{"path", "path"}));
    const std::vector<StoredObject> objects = Objects();
    if (pass == 0) first = objects;
    for (std::size_t i = 0; i < 2; ++i)
      EXPECT_EQ(objects[i].bytes, first[i].bytes) << i;
  }
  const velm::StoredPathStyle sa = first[0].path().style, sb = first[1].path().style;
  const struct {
    velm::StoredColor color;
    std::int16_t kind;
  } colors[] = {{sa.fillColor, velm::kPatternColor},
                {sa.strokeColor, velm::kGrayColor},
                {sb.strokeColor, velm::kPatternColor}};
  for (const auto& c : colors) {
    EXPECT_EQ(c.color.colorKind, c.kind);
    ExpectAllZero(c.color.payload.bytes, sizeof c.color.payload.bytes, "unpainted colour");
  }
  EXPECT_EQ(sb.fillColor.colorKind, velm::kGradientColor);
  ExpectAllZero(sb.fillColor.payload.bytes, 52, "unpainted gradient");
  EXPECT_EQ(sb.fillColor.payload.gradient.gradientAnchor.h, velm::kNoGradientAnchor);
  ExpectAllZero(first[1].bytes.data() + 228, 2 * 2436, "gradient blocks");
}

}  // namespace
}  // namespace velmtest
