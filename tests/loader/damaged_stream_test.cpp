// Damaged streams and failing host calls: nothing is read outside the record or the
// container stack, the placement stops or skips as it should, what was made stays as one
// undo step, and the pattern groups always go.
#include <gtest/gtest.h>

#include <cstring>

#include "artformat/art_objects.h"
#include "database/record.h"
#include "frame/globals.h"
#include "tests/loader/loader_fixture.h"

namespace velmtest {
namespace {

using hostsim::Art;

template <class Head>
Head HeadOf(const std::vector<std::uint8_t>& object) {
  Head head;
  std::memcpy(static_cast<void*>(&head), object.data(), sizeof head);
  return head;
}

template <class Head>
void SetHead(std::vector<std::uint8_t>* object, const Head& head) {
  std::memcpy(object->data(), &head, sizeof head);
}

void SetLength(std::vector<std::uint8_t>* object) {
  const std::int32_t length = static_cast<std::int32_t>(object->size());
  std::memcpy(object->data() + 4, &length, 4);
}

// Only the layer's art that is not a pattern definition group: every placement below ends
// with an empty pattern table.
std::size_t LayerCount(hostsim::Document& doc) {
  return doc.currentLayer()->group->children.size();
}

TEST_F(LoaderTest, AnObjectRunningPastTheStreamPlacesNothing) {
  StreamBuilder stream;
  stream.Rectangle(0, 0, 10, 10).Rectangle(0, 0, 20, 20);
  // The last object claims more bytes than the record holds.
  velm::os::MemHandle record = stream.record();
  const std::uint32_t at = velm::kArtStreamOffset + sizeof(velm::PathObject) + 4 * 28 + 4;
  const std::int32_t huge = 0x7FFFFF00;
  std::memcpy(record + at, &huge, 4);
  const int beeps = host().beepCount();
  Place(record, {0, 0});
  EXPECT_EQ(host().beepCount(), beeps + 1);
  EXPECT_TRUE(Placed().empty());
}

TEST_F(LoaderTest, AnObjectCountBeyondTheStreamPlacesNothing) {
  for (std::int32_t count : {3, 1000, 0x7FFFFFFF, -1}) {
    SCOPED_TRACE(count);
    StreamBuilder stream;
    stream.Rectangle(0, 0, 10, 10).Rectangle(0, 0, 20, 20);
    velm::RecordHeader(stream.record())->objectCount = count;
    const int beeps = host().beepCount();
    Place(stream.record(), {0, 0});
    EXPECT_EQ(host().beepCount(), beeps + 1);
    EXPECT_TRUE(Placed().empty());
  }
}

TEST_F(LoaderTest, CountsLargerThanTheirDataLeaveTheObjectOut) {
  // A path claiming more segments than it holds, and one with none.
  std::vector<std::uint8_t> tooMany = StreamBuilder::RectangleObject(0, 0, 10, 10);
  velm::PathObject head = HeadOf<velm::PathObject>(tooMany);
  head.segmentCount = 5;
  SetHead(&tooMany, head);
  std::vector<std::uint8_t> none = StreamBuilder::RectangleObject(0, 0, 10, 10);
  head.segmentCount = -3;
  SetHead(&none, head);
  // A text claiming more runs than it holds.
  std::vector<std::uint8_t> text(sizeof(velm::TextObject) + sizeof(velm::TextRun), 0);
  velm::TextObject t{};
  t.header.type = 4;
  t.header.opacity = Fx(1);
  t.runCount = 2;
  SetHead(&text, t);
  SetLength(&text);
  StreamBuilder stream;
  stream.Rectangle(0, 0, 1, 1).Raw(tooMany).Raw(none).Raw(text).Rectangle(0, 0, 2, 2);
  const int beeps = host().beepCount();
  ASSERT_EQ(Place(stream.record(), {0, 0}), host::kNoErr);
  EXPECT_EQ(host().beepCount(), beeps);
  ASSERT_EQ(Placed().size(), 2u);
  EXPECT_EQ(Placed()[0]->segments.size(), 4u);
  EXPECT_EQ(Placed()[1]->segments.size(), 4u);
}

TEST_F(LoaderTest, DamagedTextPathsRasterTilesAndMeshRecordsStopInsideTheirObject) {
  const auto objects = CaptureScene(nlohmann::json::parse(R"({
    "layers": [{"name": "Art", "art": [
      {"type": "text", "textType": "area", "runs": [{"text": "abc", "font": "Helvetica", "size": 10}],
       "paths": [{"points": [[0, 0], [50, 0], [50, 50], [0, 50]], "closed": true},
                 {"points": [[60, 0], [90, 0], [90, 50]], "closed": true}]},
      {"type": "raster", "width": 64, "height": 40, "colorSpace": "gray", "fill": [200],
       "matrix": [1, 0, 0, -1, 100, 40]},
      {"type": "mesh", "kind": "cartesian", "i": 1, "j": 1, "area": [200, 50, 250, 0],
       "colors": ["#ff0000", "#00ff00", "#0000ff", "#ffffff"]}
    ]}]})"));
  ASSERT_EQ(objects.size(), 3u);
  std::vector<std::uint8_t> text = objects[0], raster = objects[1], mesh = objects[2];

  // The text's second path claims 100 segments: the paths end after the first.
  const velm::TextObject t = HeadOf<velm::TextObject>(text);
  const std::size_t second = static_cast<std::size_t>(t.pathTableOffset) + 28 + 4 * 28;
  const std::int16_t many = 100;
  std::memcpy(text.data() + second + 26, &many, 2);
  // Also a path count larger than the table.
  velm::TextObject t2 = t;
  t2.pathCount = 1000;
  SetHead(&text, t2);

  // The raster keeps 3 of its 4 tiles (64 × 40 pixels: 2 × 2 tile positions).
  raster.resize(raster.size() - sizeof(velm::RasterTile));
  SetLength(&raster);

  // The mesh's second vertex record claims more bytes than the object has left, and the
  // first vertex's first segment claims a million points.
  const std::size_t firstVertex = sizeof(velm::MeshObject);
  velm::MeshVertexRecord v;
  std::memcpy(static_cast<void*>(&v), mesh.data() + firstVertex, sizeof v);
  const std::int32_t huge = 1 << 30;
  std::memcpy(mesh.data() + firstVertex + v.length, &huge, 4);
  std::memcpy(mesh.data() + firstVertex + sizeof v + 20, &huge, 4);

  StreamBuilder stream(250, 50);
  stream.Raw(text).Raw(raster).Raw(mesh);
  const int beeps = host().beepCount();
  ASSERT_EQ(Place(stream.record(), {0, 0}), host::kNoErr);
  EXPECT_EQ(host().beepCount(), beeps);
  ASSERT_EQ(Placed().size(), 3u);

  Art* placedText = Placed()[0];
  EXPECT_EQ(placedText->text.bytes, "abc");
  ASSERT_EQ(placedText->children.size(), 1u);
  EXPECT_EQ(placedText->children[0]->segments.size(), 4u);

  Art* placedRaster = Placed()[1];
  ASSERT_EQ(placedRaster->raster.pixels.size(), 64u * 40u);
  EXPECT_EQ(placedRaster->raster.pixels[0], 200);           // first tile
  EXPECT_EQ(placedRaster->raster.pixels[63], 200);          // second tile
  EXPECT_EQ(placedRaster->raster.pixels[32 * 64], 200);     // third tile
  EXPECT_EQ(placedRaster->raster.pixels[32 * 64 + 40], 0);  // the missing fourth

  Art* placedMesh = Placed()[2];
  ASSERT_EQ(placedMesh->mesh.nodes.size(), 4u);
  EXPECT_FLOAT_EQ(placedMesh->mesh.nodes[0].color.c.rgb.red, 1.0f);  // first record read
  EXPECT_NE(placedMesh->mesh.nodes[1].color.kind, host::kRgbColor);  // the rest not
}

TEST_F(LoaderTest, MarkersThatCloseMoreThanTheyOpenAreIgnored) {
  StreamBuilder stream;
  stream.Marker("GroupArt / Clipped=TRUE")
      .Marker("CompoundPathArt /")
      .Rectangle(0, 0, 10, 10)
      .Marker("GroupArt /")
      .Marker("PatternArt00003 /")
      .Marker("/ GroupArt")
      .Rectangle(0, 0, 5, 5)
      .Marker("/ PatternArt00003");
  ASSERT_EQ(Place(stream.record(), {0, 0}), host::kNoErr);
  // The pattern section's extra opening marker stays inside it, the others do nothing.
  ASSERT_EQ(Placed().size(), 1u);
  EXPECT_EQ(Placed()[0]->type, host::kPathArt);
  EXPECT_FALSE(LayerGroup()->clipped);
}

TEST_F(LoaderTest, TheStackHoldsTheDeepestCaptureAndDeeperNestingFailsWithABeep) {
  // The capture nests document art 1023 levels deep, a pattern definition's art as deep
  // inside the pattern's own group: 1024 levels place whole; one more (only a damaged
  // stream has it) ends the walk with a beep and a failure, the art so far kept.
  struct Case {
    int groups;
    bool inPattern;
    bool whole;
  };
  for (const Case c : {Case{1024, false, true}, Case{1025, false, false}, Case{1023, true, true},
                       Case{1024, true, false}}) {
    SCOPED_TRACE(testing::Message() << c.groups << (c.inPattern ? " in a pattern" : ""));
    StreamBuilder stream;
    stream.Rectangle(0, 0, 1, 1);
    if (c.inPattern) stream.Marker("PatternArt00001 /");
    for (int i = 0; i < c.groups; ++i)
      stream.Marker("GroupArt /");
    stream.Rectangle(0, 0, 2, 2);
    for (int i = 0; i < c.groups; ++i)
      stream.Marker("/ GroupArt");
    if (c.inPattern) stream.Marker("/ PatternArt00001");
    const int beeps = host().beepCount();
    EXPECT_EQ(Place(stream.record(), {0, 0}), c.whole ? host::kNoErr : -1);
    EXPECT_EQ(host().beepCount(), beeps + (c.whole ? 0 : 1));
    // The first stored square, made last, is there only when the walk went through; no
    // pattern group is left.
    const std::vector<Art*> top = Placed();
    ASSERT_EQ(top.size(), (c.whole ? 1u : 0u) + (c.inPattern ? 0u : 1u));
    if (c.whole) {
      EXPECT_EQ(top[0]->type, host::kPathArt);
    }
    if (!c.inPattern) {
      // The nested groups; the deepest holds the second square when the walk went through.
      int depth = 0;
      Art* deepest = nullptr;
      for (Art* art = top.back(); art && art->type == host::kGroupArt;
           art = art->children.empty() ? nullptr : art->children[0]) {
        deepest = art;
        ++depth;
      }
      EXPECT_EQ(depth, 1024);
      ASSERT_NE(deepest, nullptr);
      EXPECT_EQ(deepest->children.size(), c.whole ? 1u : 0u);
    }
    // One undo takes it all.
    ASSERT_TRUE(doc().Undo());
    EXPECT_TRUE(Placed().empty());
  }
}

TEST_F(LoaderTest, AMarkerWithoutItsEndIsReadOnlyToTheObjectsEnd) {
  std::vector<std::uint8_t> marker(24 + 10, 'x');
  velm::ObjectHeader header{};
  header.type = 7;
  header.length = static_cast<std::int32_t>(marker.size());
  std::memcpy(marker.data(), &header, sizeof header);
  std::memcpy(marker.data() + 24, "/ GroupArt", 10);  // no NUL, no slack
  std::vector<std::uint8_t> tiny(24, 0);              // a marker with no text at all
  std::memcpy(tiny.data(), &header, sizeof header);
  SetLength(&tiny);
  StreamBuilder stream;
  stream.Rectangle(0, 0, 1, 1).Raw(tiny).Raw(marker);
  ASSERT_EQ(Place(stream.record(), {0, 0}), host::kNoErr);
  ASSERT_EQ(Placed().size(), 1u);
  EXPECT_EQ(Placed()[0]->type, host::kGroupArt);
  EXPECT_EQ(Placed()[0]->children.size(), 1u);
}

TEST_F(LoaderTest, AFailedCreationEndsTheWalkKeepsTheArtAndDisposesThePatternGroups) {
  StreamBuilder stream;
  stream.Rectangle(0, 0, 1, 1)
      .Marker("GroupArt /")
      .Rectangle(0, 0, 2, 2)
      .Rectangle(0, 0, 3, 3)
      .Marker("/ GroupArt")
      .Marker("PatternArt00001 /")
      .Rectangle(0, 0, 4, 4)
      .Marker("/ PatternArt00001");
  // Made in this order: pattern group, its path, group, 3 × 3, then 2 × 2 fails.
  host().suites().FailOperation("AI Art Suite", "NewArt", host::kHostFailureErr, 4);
  const int beeps = host().beepCount();
  EXPECT_EQ(Place(stream.record(), {0, 0}), host::kHostFailureErr);
  host().suites().ClearFailures();
  EXPECT_EQ(host().beepCount(), beeps + 1);
  ASSERT_EQ(LayerCount(doc()), 1u);
  ASSERT_EQ(Placed()[0]->children.size(), 1u);
  EXPECT_FLOAT_EQ(Placed()[0]->children[0]->segments[2].anchor.h, 3);
  ASSERT_TRUE(doc().Undo());
  EXPECT_TRUE(Placed().empty());
}

TEST_F(LoaderTest, ARefusedStyleEndsTheWalkWithABeep) {
  StreamBuilder stream;
  stream.Rectangle(0, 0, 1, 1).Rectangle(0, 0, 2, 2);
  host().suites().FailOperation("AI Path Style Suite", "SetPathStyle", host::kHostFailureErr, 0);
  const int beeps = host().beepCount();
  Place(stream.record(), {0, 0});
  host().suites().ClearFailures();
  EXPECT_EQ(host().beepCount(), beeps + 1);
  EXPECT_EQ(Placed().size(), 1u);  // the path was made before its style was refused
}

TEST_F(LoaderTest, RasterAndMeshFailuresAreSilent) {
  const auto objects = CaptureScene(nlohmann::json::parse(R"({
    "layers": [{"name": "Art", "art": [
      {"type": "raster", "width": 4, "height": 4, "colorSpace": "rgb", "fill": [1, 2, 3]},
      {"type": "mesh", "kind": "cartesian", "i": 1, "j": 1, "area": [10, 10, 20, 0],
       "colors": ["#ff0000", "#00ff00", "#0000ff", "#ffffff"]}
    ]}]})"));
  ASSERT_EQ(objects.size(), 2u);
  // A refused raster description leaves the raster empty; the walk goes on.
  {
    StreamBuilder stream(20, 10);
    stream.Rectangle(0, 0, 1, 1).Raw(objects[0]).Rectangle(0, 0, 2, 2);
    host().suites().FailOperation("AI Raster Suite", "SetRasterInfo", host::kHostFailureErr, 0);
    const int beeps = host().beepCount();
    Place(stream.record(), {0, 0});
    host().suites().ClearFailures();
    EXPECT_EQ(host().beepCount(), beeps);
    ASSERT_EQ(Placed().size(), 3u);
    EXPECT_TRUE(Placed()[1]->raster.pixels.empty());
  }
  // An unknown mesh kind ends the walk without a beep: what follows it in the walk (what
  // precedes it in the stream) is not made.
  doc().Changing();
  for (Art* art : Placed())
    doc().Dispose(art);
  std::vector<std::uint8_t> mesh = objects[1];
  velm::MeshObject head = HeadOf<velm::MeshObject>(mesh);
  head.meshKind = 5;
  SetHead(&mesh, head);
  StreamBuilder stream(20, 10);
  stream.Rectangle(0, 0, 1, 1).Raw(mesh).Rectangle(0, 0, 2, 2);
  const int beeps = host().beepCount();
  Place(stream.record(), {0, 0});
  EXPECT_EQ(host().beepCount(), beeps);
  ASSERT_EQ(Placed().size(), 2u);
  EXPECT_EQ(Placed()[0]->type, host::kMeshArt);
  EXPECT_FLOAT_EQ(Placed()[1]->segments[2].anchor.h, 2);
}

}  // namespace
}  // namespace velmtest
