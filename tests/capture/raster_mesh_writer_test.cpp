// Raster and mesh objects field by field: tile order and edge tiles, the 16-bit pixel
// bounds, vertex and segment records with colours, tangents and control points, host
// failures; and a record of every object kind stored and read back whole.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "capture/art_tree_writer.h"
#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "tests/capture/capture_fixture.h"

namespace velmtest {
namespace {

using Strings = std::vector<std::string>;

// The test pattern of raster pixels: a different byte for every pixel and channel.
std::uint8_t PixelByte(int x, int y, int channel) {
  return static_cast<std::uint8_t>(x * 7 + y * 13 + channel * 61 + 1);
}

// One vertex record of a mesh object, taken apart.
struct Vertex {
  velm::MeshVertexRecord head;
  std::vector<velm::MeshSegmentRecord> segments;
  std::vector<std::vector<host::FixedPoint>> points;
};

class RasterMeshWriterTest : public CaptureTest {
 protected:
  // A selected raster of w x h pixels whose pixel bounds start at (left, top), shown
  // upright at one point a pixel with its top-left corner at (x, y).
  hostsim::Art* Raster(int left, int top, int w, int h, std::int32_t colorSpace, float x, float y,
                       hostsim::Art* container = nullptr) {
    hostsim::Art* art = Add(host::kRasterArt, container);
    hostsim::RasterData& r = art->raster;
    const int channels = hostsim::RasterChannels(colorSpace);
    r.info.flags = 0x12;
    r.info.bounds = {left, top, left + w, top + h};
    r.info.colorSpace = colorSpace;
    r.info.bitsPerPixel = 8 * channels;
    r.info.byteWidth = w * channels;
    r.info.extra = 0x55;
    r.pixels.resize(static_cast<std::size_t>(w * h * channels));
    for (int py = 0; py < h; ++py)
      for (int px = 0; px < w; ++px)
        for (int c = 0; c < channels; ++c)
          r.pixels[static_cast<std::size_t>((py * w + px) * channels + c)] = PixelByte(px, py, c);
    r.matrix = {1, 0, 0, -1, x, y};
    r.boundingBox = {x, y, x + static_cast<float>(w), y - static_cast<float>(h)};
    Select(art);
    return art;
  }
  // Checks tile `t` of a raster object against the test pattern of a w x h raster with
  // `channels` channels, `columns` tiles wide: pixels outside the raster are zero.
  void ExpectTile(const StoredObject& o, int t, int columns, int w, int h, int channels) {
    const velm::RasterTile tile = o.Read<velm::RasterTile>(92 + 4096 * static_cast<std::size_t>(t));
    int wrong = 0;
    for (int row = 0; row < 32; ++row) {
      for (int column = 0; column < 32; ++column) {
        const int px = (t % columns) * 32 + column, py = (t / columns) * 32 + row;
        for (int c = 0; c < 4; ++c) {
          const int expected = px < w && py < h && c < channels ? PixelByte(px, py, c) : 0;
          if (tile.pixels[row][column * 4 + c] != expected && wrong++ < 5)
            ADD_FAILURE() << "tile " << t << " row " << row << " column " << column << " channel "
                          << c << ": " << int(tile.pixels[row][column * 4 + c]) << " not "
                          << expected;
        }
      }
    }
  }

  hostsim::Art* Mesh(std::int32_t kind, int i, int j, host::RealRect area) {
    hostsim::Art* art = Add(host::kMeshArt);
    art->mesh.Init(kind, i, j, area);
    Select(art);
    return art;
  }
  // The vertex records of a mesh object; every length field must add up.
  static std::vector<Vertex> Vertices(const StoredObject& o) {
    std::vector<Vertex> vertices;
    const velm::MeshObject head = o.Read<velm::MeshObject>(0);
    std::size_t at = sizeof head;
    for (int v = 0; v < head.vertexCount; ++v) {
      Vertex vertex{o.Read<velm::MeshVertexRecord>(at), {}, {}};
      std::size_t s = at + sizeof(velm::MeshVertexRecord);
      for (int n = 0; n < vertex.head.segmentCount; ++n) {
        const velm::MeshSegmentRecord segment = o.Read<velm::MeshSegmentRecord>(s);
        EXPECT_EQ(segment.leadCount, 0);
        EXPECT_EQ(segment.length, 24 + 8 * segment.pointCount);
        std::vector<host::FixedPoint> points;
        for (int p = 0; p < segment.pointCount; ++p)
          points.push_back(o.Read<host::FixedPoint>(s + 24 + 8 * static_cast<std::size_t>(p)));
        vertex.segments.push_back(segment);
        vertex.points.push_back(points);
        s += static_cast<std::size_t>(segment.length);
      }
      EXPECT_EQ(static_cast<std::size_t>(vertex.head.length), s - at) << "vertex " << v;
      at = s;
      vertices.push_back(vertex);
    }
    EXPECT_EQ(at, o.bytes.size());
    return vertices;
  }
  std::vector<StoredObject> OfType(std::int32_t type) {
    std::vector<StoredObject> found;
    for (const StoredObject& o : Objects())
      if (o.type() == type) found.push_back(o);
    return found;
  }
};

void ExpectPoint(host::FixedPoint stored, double h, double v) {
  EXPECT_NEAR(stored.h, Fx(h), 1);
  EXPECT_NEAR(stored.v, Fx(v), 1);
}

// ---- Rasters ----

// A raster reaching past the rest of the selection widens the record's bounds (and the
// origin stays the selection's lower left corner).
TEST_F(RasterMeshWriterTest, ARasterStickingOutCountsInTheRecordsBounds) {
  Select(Rectangle(0, 0, 10, 10));
  Raster(0, 0, 8, 8, hostsim::kRasterArgb, 20, 30);  // spans x 20 … 28, y 22 … 30
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Header()->bounds.left, 0);
  EXPECT_EQ(Header()->bounds.bottom, 0);
  EXPECT_EQ(Header()->bounds.right, Fx(28));
  EXPECT_EQ(Header()->bounds.top, Fx(30));
}

TEST_F(RasterMeshWriterTest, A64By64RasterIsFourTilesInRowOrder) {
  hostsim::Art* raster = Raster(0, 0, 64, 64, hostsim::kRasterArgb, 100, 300);
  raster->blend.mode = 2;
  raster->blend.opacity = 0.75f;
  raster->blend.isolated = true;
  Select(Rectangle(50, 200, 60, 210));  // the capture origin is (50, 200)

  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> rasters = OfType(9);
  ASSERT_EQ(rasters.size(), 1u);
  const StoredObject& o = rasters[0];
  const velm::RasterObject head = o.Read<velm::RasterObject>(0);
  EXPECT_EQ(head.header.length, 16476);
  EXPECT_EQ(o.bytes.size(), 16476u);
  EXPECT_EQ(head.header.blendMode, 2);
  EXPECT_EQ(head.header.opacity, Fx(0.75));
  EXPECT_EQ(head.header.isolated, 1);
  EXPECT_EQ(head.rasterFlags, 0x12);
  EXPECT_EQ(head.pixelBounds.left, 0);
  EXPECT_EQ(head.pixelBounds.top, 0);
  EXPECT_EQ(head.pixelBounds.right, 64);
  EXPECT_EQ(head.pixelBounds.bottom, 64);
  EXPECT_EQ(head.byteWidth, 256);
  EXPECT_EQ(head.colorSpace, hostsim::kRasterArgb);
  EXPECT_EQ(head.bitsPerPixel, 32);
  EXPECT_EQ(head.lastField, 0x55);
  // The matrix moves with the origin; the bounding box stays in document coordinates.
  EXPECT_EQ(head.rasterMatrix.a, Fx(1));
  EXPECT_EQ(head.rasterMatrix.d, Fx(-1));
  EXPECT_EQ(head.rasterMatrix.tx, Fx(50));
  EXPECT_EQ(head.rasterMatrix.ty, Fx(100));
  EXPECT_EQ(head.boundingBox.left, Fx(100));
  EXPECT_EQ(head.boundingBox.top, Fx(300));
  EXPECT_EQ(head.boundingBox.right, Fx(164));
  EXPECT_EQ(head.boundingBox.bottom, Fx(236));
  EXPECT_EQ(head.tileCount, 4);
  for (int t = 0; t < 4; ++t)
    ExpectTile(o, t, 2, 64, 64, 4);
}

TEST_F(RasterMeshWriterTest, EdgeTilesAreStoredWholeWithNothingOfTheTileBefore) {
  // 33 x 1 pixels whose pixel bounds do not start at 0; three channels.
  Raster(5, -3, 33, 1, hostsim::kRasterRgb, 0, 1);
  // A raster 40 x 40: the right tiles must not carry the left ones' pixels.
  Raster(0, 0, 40, 40, hostsim::kRasterGray, 0, 100);

  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> rasters = OfType(9);
  ASSERT_EQ(rasters.size(), 2u);
  const velm::RasterObject thin = rasters[0].Read<velm::RasterObject>(0);
  EXPECT_EQ(thin.tileCount, 2);
  EXPECT_EQ(thin.header.length, 92 + 2 * 4096);
  EXPECT_EQ(thin.pixelBounds.left, 5);
  EXPECT_EQ(thin.pixelBounds.top, -3);
  EXPECT_EQ(thin.pixelBounds.right, 38);
  EXPECT_EQ(thin.pixelBounds.bottom, -2);
  ExpectTile(rasters[0], 0, 2, 33, 1, 3);
  ExpectTile(rasters[0], 1, 2, 33, 1, 3);

  EXPECT_EQ(rasters[1].Read<velm::RasterObject>(0).tileCount, 4);
  for (int t = 0; t < 4; ++t)
    ExpectTile(rasters[1], t, 2, 40, 40, 1);
}

TEST_F(RasterMeshWriterTest, PixelBoundsBeyondSixteenBitsRefuseTheRaster) {
  hostsim::Art* other = Rectangle(0, 0, 5, 5);
  hostsim::Art* rasters[] = {
      Raster(32760, 0, 10, 10, hostsim::kRasterGray, 0, 10),       // right edge 32770
      Raster(0, -32769, 10, 10, hostsim::kRasterGray, 20, 10),     // top edge -32769
      Raster(-32768, 32766, 33, 1, hostsim::kRasterGray, 40, 10),  // just inside
  };
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    doc().DeselectAll();
    Select(other);
    Select(rasters[k]);
    // The refused raster is not the last art of the layer: the capture's status is
    // that of the last one.
    EXPECT_EQ(Capture(), host::kNoErr);
    EXPECT_EQ(Outline(), k < 2 ? Strings{"path"} : (Strings{"path", "type 9"}));
  }
  const velm::RasterObject kept = OfType(9)[0].Read<velm::RasterObject>(0);
  EXPECT_EQ(kept.pixelBounds.left, -32768);
  EXPECT_EQ(kept.pixelBounds.right, -32735);
  EXPECT_EQ(kept.pixelBounds.top, 32766);
  EXPECT_EQ(kept.pixelBounds.bottom, 32767);
  EXPECT_EQ(kept.tileCount, 2);
}

TEST_F(RasterMeshWriterTest, ARefusedArtLeavesItsSiblingsCaptured) {
  hostsim::Art* group = Group();
  Rectangle(0, 0, 5, 5, group);
  Raster(32760, 0, 10, 10, hostsim::kRasterGray, 0, 10, group);  // refused: past 16 bits
  Rectangle(20, 0, 25, 5, group);
  Select(group);
  Capture();
  EXPECT_EQ(Outline(), (Strings{"GroupArt /", "path", "path", "/ GroupArt"}));
}

TEST_F(RasterMeshWriterTest, RastersFailTheCaptureOnHostFailuresAndAreLeftOutInsideGeneratedArt) {
  Select(Rectangle(0, 0, 5, 5));
  Raster(0, 0, 64, 64, hostsim::kRasterRgb, 0, 64);
  // A raster the host cannot give whole (the third tile fails, for one) fails the capture:
  // no record is left.
  for (const auto& [op, after] :
       {std::pair{"GetRasterInfo", 0}, std::pair{"GetRasterMatrix", 0},
        std::pair{"GetRasterBoundingBox", 0}, std::pair{"GetRasterTile", 2}}) {
    host().suites().FailOperation("AI Raster Suite", op, host::kHostFailureErr, after);
    EXPECT_EQ(Capture(), host::kHostFailureErr) << op;
    host().suites().ClearFailures();
    EXPECT_EQ(velm::gGlobals->currentRecord, nullptr) << op;
  }

  // Inside plug-in art (captured through its result art) a raster is not taken.
  doc().DeselectAll();
  hostsim::Art* plugin = Add(host::kPluginArt);
  hostsim::Art* edit = doc().Create(host::kGroupArt);
  Raster(0, 0, 8, 8, hostsim::kRasterGray, 0, 8, edit);
  Rectangle(0, 0, 8, 8, edit);
  plugin->plugin.editArt = edit;
  doc().UpdateResultArt(plugin);
  doc().DeselectAll();
  Select(plugin);
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(), (Strings{"GroupArt /", "path", "/ GroupArt"}));
}

// ---- Meshes ----

TEST_F(RasterMeshWriterTest, AOneByOneMeshStoresFourVerticesFieldByField) {
  hostsim::Art* mesh = Mesh(host::kCartesianMesh, 1, 1, {10, 120, 110, 20});
  mesh->blend.opacity = 0.5f;
  hostsim::CustomColor* spot = doc().NewCustomColor();
  spot->definition.kind = host::kCustomRgbDefinition;
  spot->definition.c.rgb = {0.2f, 0.4f, 0.6f};
  hostsim::CustomColor* lab = doc().NewCustomColor();
  lab->definition.kind = host::kCustomOtherDefinition;
  mesh->mesh.Node(0, 0).color = RgbColor(1, 0.5f, 0);
  mesh->mesh.Node(0, 1).color.kind = host::kCustomColor;
  mesh->mesh.Node(0, 1).color.c.custom = {reinterpret_cast<host::CustomColorHandle>(spot), 0.3f};
  mesh->mesh.Node(1, 0).color.kind = host::kPatternColor;  // not a vertex colour: gray 0
  mesh->mesh.Node(1, 0).color.c.pattern.scale = {3, 3};
  mesh->mesh.Node(1, 1).color.kind = host::kCustomColor;
  mesh->mesh.Node(1, 1).color.c.custom = {reinterpret_cast<host::CustomColorHandle>(lab), 1};
  mesh->mesh.Node(1, 1).smooth[2] = false;  // its first segment runs along -i
  // The first control point of the edge (0, 0) -> (1, 0), which sets node (0, 0)'s tangent.
  mesh->mesh.iEdges[0].control[0] = {30, 40};
  Select(Rectangle(0, 10, 5, 15));  // the capture origin is (0, 10)

  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> meshes = OfType(11);
  ASSERT_EQ(meshes.size(), 1u);
  const StoredObject& o = meshes[0];
  const velm::MeshObject head = o.Read<velm::MeshObject>(0);
  EXPECT_EQ(head.header.length, 40 + 4 * (84 + 2 * (24 + 16)));
  EXPECT_EQ(head.header.opacity, Fx(0.5));
  EXPECT_EQ(head.meshKind, host::kCartesianMesh);
  EXPECT_EQ(head.iSize, 1);
  EXPECT_EQ(head.jSize, 1);
  EXPECT_EQ(head.vertexCount, 4);

  const std::vector<Vertex> v = Vertices(o);
  ASSERT_EQ(v.size(), 4u);
  // Node order (0, 0), (0, 1), (1, 0), (1, 1), positions relative to the origin.
  ExpectPoint(v[0].head.point, 10, 10);
  ExpectPoint(v[1].head.point, 10, 110);
  ExpectPoint(v[2].head.point, 110, 10);
  ExpectPoint(v[3].head.point, 110, 110);
  EXPECT_EQ(v[0].head.color.colorKind, velm::kRgbColor);
  EXPECT_EQ(v[0].head.color.payload.rgb.green, Fx(0.5));
  EXPECT_EQ(v[1].head.color.colorKind, velm::kRgbColor);  // the definition at full strength
  EXPECT_EQ(v[1].head.color.payload.rgb.blue, Fx(0.6f));
  EXPECT_EQ(v[2].head.color.colorKind, velm::kGrayColor);
  EXPECT_EQ(v[2].head.color.payload.gray.gray, 0);
  EXPECT_EQ(v[2].head.color.payload.pattern.scaleH, 0);
  EXPECT_EQ(v[3].head.color.colorKind, velm::kCustomColor);

  for (const Vertex& vertex : v) {
    ASSERT_EQ(vertex.head.segmentCount, 2);
    for (std::size_t n = 0; n < 2; ++n) {
      EXPECT_EQ(vertex.segments[n].pointCount, 2);
      EXPECT_EQ(vertex.segments[n].smooth, &vertex == &v[3] && n == 0 ? 0 : 1);
    }
  }
  // Node (0, 0), segment +i: the moved control point; the tangent is not moved.
  ExpectPoint(v[0].segments[0].tangent, 20, 20);
  ExpectPoint(v[0].points[0][0], 30, 30);
  ExpectPoint(v[0].points[0][1], 110 - 100.0 / 3, 10);
  // Node (0, 0), segment +j: straight up at a third and two thirds.
  ExpectPoint(v[0].segments[1].tangent, 0, 100.0 / 3);
  ExpectPoint(v[0].points[1][0], 10, 10 + 100.0 / 3);
  ExpectPoint(v[0].points[1][1], 10, 10 + 200.0 / 3);
  // Node (1, 1), segment -i: the same edge seen from its other end.
  ExpectPoint(v[3].segments[0].tangent, -100.0 / 3, 0);
  ExpectPoint(v[3].points[0][0], 110 - 100.0 / 3, 110);
}

TEST_F(RasterMeshWriterTest, ThreeByTwoMeshesListEveryNodeWithItsSegments) {
  Mesh(host::kCartesianMesh, 3, 2, {0, 40, 60, 0});
  Mesh(host::kPolarMesh, 3, 2, {100, 40, 140, 0});

  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> meshes = OfType(11);
  ASSERT_EQ(meshes.size(), 2u);
  // Corners have 2 segments, edge nodes 3, inner nodes 4.
  const std::vector<int> counts = {2, 3, 2, 3, 4, 3, 3, 4, 3, 2, 3, 2};
  for (const StoredObject& o : meshes) {
    const velm::MeshObject head = o.Read<velm::MeshObject>(0);
    EXPECT_EQ(head.iSize, 3);
    EXPECT_EQ(head.jSize, 2);
    EXPECT_EQ(head.vertexCount, 12);
    EXPECT_EQ(head.header.length, 40 + 12 * 84 + 34 * 40);
    const std::vector<Vertex> v = Vertices(o);
    ASSERT_EQ(v.size(), 12u);
    for (std::size_t k = 0; k < 12; ++k)
      EXPECT_EQ(v[k].head.segmentCount, counts[k]) << k;
  }
  EXPECT_EQ(meshes[0].Read<velm::MeshObject>(0).meshKind, host::kCartesianMesh);
  EXPECT_EQ(meshes[1].Read<velm::MeshObject>(0).meshKind, host::kPolarMesh);

  // Cartesian node (i, j) lies at (20 i, 20 j): i outer, j inner.
  const std::vector<Vertex> v = Vertices(meshes[0]);
  for (int i = 0; i <= 3; ++i)
    for (int j = 0; j <= 2; ++j)
      ExpectPoint(v[static_cast<std::size_t>(i * 3 + j)].head.point, 20 * i, 20 * j);
  // Polar node (i, j) lies on ring i at angle j x 180 degrees around (120, 20).
  const std::vector<Vertex> p = Vertices(meshes[1]);
  for (int i = 0; i <= 3; ++i)
    for (int j = 0; j <= 2; ++j) {
      const double r = 20.0 * i / 3, a = std::numbers::pi * j;
      SCOPED_TRACE(testing::Message() << i << "," << j);
      ExpectPoint(p[static_cast<std::size_t>(i * 3 + j)].head.point, 120 + r * std::cos(a),
                  20 + r * std::sin(a));
    }
}

// The loader gives vertex record k to node k: a node that cannot be read, or a segment,
// fails the capture (no record) rather than moving later vertices or cutting edges, and a
// node without segments still has its record.
TEST_F(RasterMeshWriterTest, AFailingNodeOrSegmentFailsTheCaptureAndBareNodesAreKept) {
  Mesh(host::kCartesianMesh, 1, 1, {0, 100, 100, 0});
  for (const auto& [suite, op] : {std::pair{"AI Mesh Suite", "GetMeshNode"},
                                  std::pair{"AI Mesh Vertex Suite", "GetVertexSegment"}}) {
    SCOPED_TRACE(op);
    host().suites().FailOperation(suite, op, host::kHostFailureErr, 2);
    EXPECT_EQ(Capture(), host::kHostFailureErr);
    host().suites().ClearFailures();
    EXPECT_EQ(velm::gGlobals->currentRecord, nullptr);
  }

  // A mesh of one node, which has no segments.
  doc().DeselectAll();
  hostsim::Art* bare = Select(Add(host::kMeshArt));
  bare->mesh.nodes.assign(1, hostsim::MeshVertex{});
  bare->mesh.nodes[0].color = GrayColor(0.5f);
  bare->mesh.nodes[0].point = {5, 7};
  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> meshes = OfType(11);
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_EQ(meshes[0].Read<velm::MeshObject>(0).vertexCount, 1);
  const std::vector<Vertex> v = Vertices(meshes[0]);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].head.segmentCount, 0);
  EXPECT_EQ(v[0].head.color.payload.gray.gray, Fx(0.5));
}

// ---- Stored and read back ----

TEST_F(RasterMeshWriterTest, ARecordOfEveryKindIsStoredAndReadBackWhole) {
  hostsim::Art* group = Group();
  hostsim::Art* text = Add(host::kTextArt, group);
  text->text.Insert(0, Sjis("日本語のテキスト") + "\r\n", hostsim::DefaultTextAttributes());
  text->children[0]->segments = {{{0, 0}, {0, 0}, {0, 0}, 1}, {{30, 0}, {30, 0}, {30, 0}, 1}};
  Raster(0, 0, 40, 33, hostsim::kRasterArgb, 10, 50, group);
  hostsim::Art* mesh = Add(host::kMeshArt, group);
  mesh->mesh.Init(host::kCartesianMesh, 2, 1, {0, 30, 40, 0});
  mesh->mesh.Node(1, 1).color = RgbColor(0.1f, 0.2f, 0.3f);
  Rectangle(0, 0, 10, 10, group);
  doc().DeselectAll();
  Select(group);
  ASSERT_EQ(Capture(), host::kNoErr);
  const Strings outline = Outline();
  ASSERT_EQ(outline, (Strings{"GroupArt /", "type 4", "type 9", "type 11", "path", "/ GroupArt"}));
  std::memcpy(Header()->name, "mixed", 6);
  const std::int32_t length = Header()->recordLength;
  const std::vector<std::uint8_t> written(velm::gGlobals->currentRecord,
                                          velm::gGlobals->currentRecord + length);
  std::filesystem::create_directories(DatabaseFolder());
  ASSERT_EQ(velm::WriteGroupRecord("kinds", -1), host::kNoErr);

  ASSERT_EQ(velm::VelmReadRecord("kinds", 0, nullptr, velm::kReadWholeRecord, true), host::kNoErr);
  const os::MemHandle read = velm::gGlobals->currentRecord;
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(velm::RecordHeader(read)->recordLength, length);
  EXPECT_EQ(std::memcmp(read, written.data(), velm::kRecordHeaderPrefix), 0);
  EXPECT_EQ(std::memcmp(read + velm::kThumbnailOffset, written.data() + velm::kThumbnailOffset,
                        static_cast<std::size_t>(length) - velm::kThumbnailOffset),
            0);
  EXPECT_EQ(Outline(), outline);
}

}  // namespace
}  // namespace velmtest
