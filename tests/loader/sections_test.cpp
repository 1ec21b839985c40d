// Pattern and plug-in sections, and the gradient matrix rebuilt in its steps.
#include <gtest/gtest.h>

#include <cstring>

#include "artformat/art_objects.h"
#include "frame/globals.h"
#include "tests/loader/art_compare.h"
#include "tests/loader/loader_fixture.h"

namespace velmtest {
namespace {

using hostsim::Art;

std::vector<std::uint8_t> PatternPath(std::int32_t fillNumber, std::int32_t strokeNumber) {
  std::vector<std::uint8_t> bytes = StreamBuilder::RectangleObject(0, 0, 40, 40);
  velm::PathObject head;
  std::memcpy(static_cast<void*>(&head), bytes.data(), sizeof head);
  head.style.fillColor.colorKind = velm::kPatternColor;
  head.style.fillColor.payload.pattern.patternNumber = fillNumber;
  head.style.fillColor.payload.pattern.scaleH = Fx(1);
  head.style.fillColor.payload.pattern.scaleV = Fx(1);
  head.style.fillColor.payload.pattern.transform = {Fx(1), 0, 0, Fx(1), Fx(2), Fx(3)};
  head.style.strokePaint = 1;
  head.style.strokeColor = head.style.fillColor;
  head.style.strokeColor.payload.pattern.patternNumber = strokeNumber;
  std::memcpy(bytes.data(), &head, sizeof head);
  return bytes;
}

TEST_F(LoaderTest, PatternPaintUsesItsDefinitionAndTheDefinitionGroupsGo) {
  StreamBuilder stream;
  stream.Raw(PatternPath(1, 7))
      .Raw(PatternPath(1023, 1))
      .Marker("PatternArt00001 /")
      .Marker("GroupArt /")
      .Rectangle(5, 5, 10, 10, 0.5)
      .Marker("/ GroupArt")
      .Marker("/ PatternArt00001")
      .Marker("PatternArt01023 /")
      .Rectangle(0, 0, 3, 3)
      .Marker("/ PatternArt01023");
  const int beeps = host().beepCount();
  ASSERT_EQ(Place(stream.record(), {100, 200}), host::kNoErr);
  EXPECT_EQ(host().beepCount(), beeps);
  // Only the two paths stay in the layer.
  ASSERT_EQ(Placed().size(), 2u);
  Art* first = Placed()[0];
  EXPECT_FLOAT_EQ(first->segments[0].anchor.h, 100);
  ASSERT_TRUE(first->style.fillPaint);
  EXPECT_FALSE(first->style.strokePaint);  // pattern 7 has no definition
  hostsim::Pattern* pattern = doc().PatternFrom(first->style.fill.color.c.pattern.pattern);
  ASSERT_NE(pattern, nullptr);
  // The tiles move with the art: stored 2 and 3 from the capture origin, as its points.
  EXPECT_FLOAT_EQ(first->style.fill.color.c.pattern.transform.tx, 2 + 100);
  EXPECT_FLOAT_EQ(first->style.fill.color.c.pattern.transform.ty - first->segments[0].anchor.v, 3);
  // The definition keeps its stored coordinates and its group.
  ASSERT_EQ(pattern->art->children.size(), 1u);
  Art* group = pattern->art->children[0];
  ASSERT_EQ(group->type, host::kGroupArt);
  ASSERT_EQ(group->children.size(), 1u);
  EXPECT_FLOAT_EQ(group->children[0]->segments[0].anchor.h, 5);
  // The second path uses definitions 1023 and 1, each through a pattern of its own.
  Art* second = Placed()[1];
  ASSERT_TRUE(second->style.fillPaint && second->style.strokePaint);
  EXPECT_NE(second->style.stroke.color.c.pattern.pattern,
            first->style.fill.color.c.pattern.pattern);
  EXPECT_EQ(doc().patterns().size(), 3u);
  EXPECT_TRUE(host().suites().UnimplementedCalls().empty());
}

velm::PluginArtMarker PluginMarker(const char* group, std::uint32_t count) {
  velm::PluginArtMarker m;
  std::memset(static_cast<void*>(&m), 0, sizeof m);
  std::strcpy(m.markerText, "PluginArt /");
  std::strcpy(m.groupName, group);
  m.majorVersion = 3;
  m.minorVersion = 4;
  m.dataCount = count;
  for (std::uint32_t i = 0; i < sizeof m.data; ++i)
    m.data[i] = static_cast<std::uint8_t>(i + 1);
  return m;
}

std::vector<std::uint8_t> MarkerObject(const velm::PluginArtMarker& m) {
  std::vector<std::uint8_t> bytes(velm::kPluginArtMarkerLength, 0);
  velm::ObjectHeader header{};
  header.type = 7;
  header.length = velm::kPluginArtMarkerLength;
  std::memcpy(bytes.data(), &header, sizeof header);
  std::memcpy(bytes.data() + sizeof header, &m, sizeof m);
  return bytes;
}

TEST_F(LoaderTest, APluginSectionBecomesPluginArtOfItsGroup) {
  doc().NewPluginGroup("Warp");
  doc().NewPluginGroup("Twirl");
  StreamBuilder stream;
  stream.Marker("GroupArt /")
      .Raw(MarkerObject(PluginMarker("Twirl", 3)))
      .Marker("GroupArt /")
      .Rectangle(0, 0, 10, 10)
      .Marker("/ GroupArt")
      .Marker("/ PluginArt")
      .Marker("/ GroupArt");
  ASSERT_EQ(Place(stream.record(), {0, 0}), host::kNoErr);
  ASSERT_EQ(Placed().size(), 1u);
  Art* outer = Placed()[0];
  ASSERT_EQ(outer->children.size(), 1u);
  Art* plugin = outer->children[0];
  ASSERT_EQ(plugin->type, host::kPluginArt);
  ASSERT_NE(plugin->plugin.group, nullptr);
  EXPECT_EQ(plugin->plugin.group->name, "Twirl");
  EXPECT_EQ(plugin->plugin.major, 3);
  EXPECT_EQ(plugin->plugin.minor, 4);
  EXPECT_EQ(plugin->plugin.data, (std::vector<std::uint8_t>{1, 2, 3}));
  ASSERT_NE(plugin->plugin.editArt, nullptr);
  EXPECT_EQ(plugin->plugin.editArt->children.size(), 1u);
  ASSERT_NE(plugin->plugin.resultArt, nullptr);
}

TEST_F(LoaderTest, PluginSectionsThatCannotBeRebuiltLeaveOrdinaryArt) {
  doc().NewPluginGroup("Twirl");
  struct Case {
    const char* name;
    std::uint32_t count;
    bool group;
  };
  // An unknown group, data longer than a marker holds, and a section without a group.
  for (const Case& c : {Case{"Nope", 2, true}, Case{"Twirl", 300, true}, Case{"Twirl", 2, false}}) {
    SCOPED_TRACE(c.name);
    doc().Changing();
    for (Art* art : Placed())
      doc().Dispose(art);
    StreamBuilder stream;
    stream.Raw(MarkerObject(PluginMarker(c.name, c.count)));
    if (c.group) stream.Marker("GroupArt /");
    stream.Rectangle(0, 0, 10, 10);
    if (c.group) stream.Marker("/ GroupArt");
    stream.Marker("/ PluginArt").Rectangle(20, 0, 30, 10);
    ASSERT_EQ(Place(stream.record(), {0, 0}), host::kNoErr);
    ASSERT_EQ(Placed().size(), 2u);
    EXPECT_EQ(Placed()[0]->type, c.group ? host::kGroupArt : host::kPathArt);
    EXPECT_EQ(Placed()[1]->type, host::kPathArt);
  }
}

// A stored fill gradient matrix with its recorded anchor, without one (the previous
// generation's route), and the identity, whose only step is the translation.
TEST_F(LoaderTest, GradientMatricesAreRebuiltWithOrWithoutTheirAnchor) {
  const auto objects = CaptureScene(nlohmann::json::parse(R"({
    "hardOrigin": [40, 900],
    "gradients": [{"name": "g", "type": "radial", "stops": [
      {"ramp": 0, "color": "#ffffff"}, {"ramp": 100, "color": "#000000"}]}],
    "layers": [{"name": "Art", "art": [
      {"type": "path", "id": "turned", "points": [[0, 0], [100, 0], [100, 50], [0, 50]],
       "closed": true, "fill": {"gradient": "g", "length": 40, "matrix": [0, 2, -1, 0, 60, 20]}},
      {"type": "path", "id": "plain", "points": [[200, 0], [300, 0], [300, 50], [200, 50]],
       "closed": true, "fill": {"gradient": "g", "length": 40, "matrix": [1, 0, 0, 1, 250, 25]}}
    ]}]})"));
  ASSERT_EQ(objects.size(), 2u);
  // The placement document has another hard origin.
  doc().SetHardOrigin({-300, 12});
  const host::RealMatrix turned{0, 2, -1, 0, 60 + 500, 20 + 600};
  const host::RealMatrix plain{1, 0, 0, 1, 250 + 500, 25 + 600};
  for (int anchored = 1; anchored >= 0; --anchored) {
    SCOPED_TRACE(anchored);
    StreamBuilder stream(300, 50);
    for (std::vector<std::uint8_t> object : objects) {
      if (!anchored) {
        velm::PathObject head;
        std::memcpy(static_cast<void*>(&head), object.data(), sizeof head);
        head.style.fillColor.payload.gradient.gradientAnchor.h = velm::kNoGradientAnchor;
        std::memcpy(object.data(), &head, sizeof head);
      }
      stream.Raw(object);
    }
    doc().Changing();
    for (Art* art : Placed())
      doc().Dispose(art);
    ASSERT_EQ(Place(stream.record(), {500, 600}), host::kNoErr);
    ASSERT_EQ(Placed().size(), 2u);
    const host::RealMatrix& m = Placed()[0]->style.fill.color.c.gradient.matrix;
    const host::RealMatrix& n = Placed()[1]->style.fill.color.c.gradient.matrix;
    for (auto [got, want] : {std::pair{m, turned}, std::pair{n, plain}}) {
      EXPECT_TRUE(Near(got.a, want.a) && Near(got.b, want.b) && Near(got.c, want.c) &&
                  Near(got.d, want.d))
          << got.a << " " << got.b << " " << got.c << " " << got.d;
      EXPECT_TRUE(Near(got.tx, want.tx) && Near(got.ty, want.ty)) << got.tx << " " << got.ty;
    }
  }
  // With the identity only one transform is made: a failing second one changes nothing.
  // The turned matrix needs two, so the failure leaves its translation undone.
  doc().Changing();
  for (Art* art : Placed())
    doc().Dispose(art);
  StreamBuilder stream(300, 50);
  stream.Raw(objects[1]);
  host().suites().FailOperation("AI Transform Art Suite", "TransformArt", host::kHostFailureErr, 1);
  ASSERT_EQ(Place(stream.record(), {500, 600}), host::kNoErr);
  const host::RealMatrix& n = Placed()[0]->style.fill.color.c.gradient.matrix;
  EXPECT_TRUE(Near(n.tx, plain.tx) && Near(n.ty, plain.ty));
  StreamBuilder stream2(300, 50);
  stream2.Raw(objects[0]);
  host().suites().ClearFailures();
  host().suites().FailOperation("AI Transform Art Suite", "TransformArt", host::kHostFailureErr, 1);
  Place(stream2.record(), {500, 600});
  const host::RealMatrix& m = Placed()[0]->style.fill.color.c.gradient.matrix;
  EXPECT_TRUE(Near(m.b, 2) && Near(m.c, -1));
  EXPECT_FALSE(Near(m.tx, turned.tx));
  host().suites().ClearFailures();
}

}  // namespace
}  // namespace velmtest
