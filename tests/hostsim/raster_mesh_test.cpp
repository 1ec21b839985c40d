// Rasters and meshes through their suites, with the tile requests the plug-in's capture
// and placement make.
#include <cstring>
#include <vector>

#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

class RasterTest : public DocumentTest {
 protected:
  const host::RasterSuite& rasters() { return Suite<host::RasterSuite>(); }

  host::ArtHandle NewRaster(std::int32_t width, std::int32_t height, std::int32_t colorSpace,
                            std::int32_t bits) {
    host::ArtHandle made = nullptr;
    EXPECT_EQ(
        Suite<host::ArtSuite>().NewArt(host::kRasterArt, host::kPlaceAboveAll, nullptr, &made),
        host::kNoErr);
    host::RasterRecord info{};
    info.bounds = {0, 0, width, height};
    info.colorSpace = colorSpace;
    info.bitsPerPixel = bits;
    info.extra = 77;
    EXPECT_EQ(rasters().SetRasterInfo(made, &info), host::kNoErr);
    return made;
  }

  // The 32 × 32 tile at (top, left) as the capture asks for it: 4 bytes a pixel, channels
  // 0 … 15 in identity order.
  host::Err Tile(host::ArtHandle raster, std::int32_t top, std::int32_t left,
                 std::vector<std::uint8_t>* buffer, bool store) {
    const host::Slice art{top, left, top + 32, left + 32, 0, 15};
    const host::Slice local{0, 0, 32, 32, 0, 15};
    host::Tile tile{};
    tile.data = buffer->data();
    tile.bounds = local;
    tile.rowBytes = 128;
    tile.colBytes = 4;
    tile.planeBytes = 0;
    for (std::int16_t i = 0; i < 16; ++i)
      tile.channelInterleave[i] = i;
    return store ? rasters().SetRasterTile(raster, &art, &tile, &local)
                 : rasters().GetRasterTile(raster, &art, &tile, &local);
  }
};

TEST_F(RasterTest, InfoIsCheckedAndDescribesTheRaster) {
  const host::ArtHandle raster = NewRaster(33, 1, hostsim::kRasterRgb, 24);
  host::RasterRecord info{};
  ASSERT_EQ(rasters().GetRasterInfo(raster, &info), host::kNoErr);
  EXPECT_EQ(info.byteWidth, 99);
  EXPECT_EQ(info.extra, 77);
  EXPECT_EQ(info.bounds.right, 33);
  host::RasterRecord bad = info;
  bad.bitsPerPixel = 32;
  EXPECT_EQ(rasters().SetRasterInfo(raster, &bad), host::kBadParameterErr);
  bad = info;
  bad.bounds.right = 0;
  EXPECT_EQ(rasters().SetRasterInfo(raster, &bad), host::kBadParameterErr);
  bad = info;
  bad.colorSpace = 9;
  EXPECT_EQ(rasters().SetRasterInfo(raster, &bad), host::kBadParameterErr);
  bad = info;
  bad.bounds = {0, 0, 16384, 16384};
  bad.colorSpace = hostsim::kRasterArgb;
  bad.bitsPerPixel = 32;
  EXPECT_EQ(rasters().SetRasterInfo(raster, &bad), host::kOutOfMemoryErr);
}

TEST_F(RasterTest, TilesCopyOnlyPixelsAndChannelsTheRasterHas) {
  // 33 × 1 RGB: two tiles; the second holds one pixel.
  const host::ArtHandle raster = NewRaster(33, 1, hostsim::kRasterRgb, 24);
  hostsim::Art* a = doc().ArtFrom(raster);
  for (std::size_t i = 0; i < a->raster.pixels.size(); ++i)
    a->raster.pixels[i] = static_cast<std::uint8_t>(i);
  std::vector<std::uint8_t> buffer(4096, 0xEE);
  ASSERT_EQ(Tile(raster, 0, 32, &buffer, false), host::kNoErr);
  EXPECT_EQ(buffer[0], 96);  // pixel 32, red
  EXPECT_EQ(buffer[2], 98);
  EXPECT_EQ(buffer[3], 0xEE);    // RGB has no fourth channel
  EXPECT_EQ(buffer[4], 0xEE);    // past the raster's right edge
  EXPECT_EQ(buffer[128], 0xEE);  // past its bottom
  ASSERT_EQ(Tile(raster, 0, 0, &buffer, false), host::kNoErr);
  EXPECT_EQ(buffer[4 * 31 + 1], 31 * 3 + 1);
}

TEST_F(RasterTest, StoredTilesReadBackThroughTheCaptureRequest) {
  const host::ArtHandle raster = NewRaster(64, 64, hostsim::kRasterArgb, 32);
  std::vector<std::vector<std::uint8_t>> tiles;
  for (int t = 0; t < 4; ++t) {
    std::vector<std::uint8_t> tile(4096);
    for (std::size_t i = 0; i < tile.size(); ++i)
      tile[i] = static_cast<std::uint8_t>(i * 7 + t);
    ASSERT_EQ(Tile(raster, (t / 2) * 32, (t % 2) * 32, &tile, true), host::kNoErr);
    tiles.push_back(tile);
  }
  // Top-right tile, pixel (0, 0) is raster pixel (32, 0).
  EXPECT_EQ(doc().ArtFrom(raster)->raster.pixels[32 * 4 + 1], tiles[1][1]);
  for (int t = 0; t < 4; ++t) {
    std::vector<std::uint8_t> back(4096, 0);
    ASSERT_EQ(Tile(raster, (t / 2) * 32, (t % 2) * 32, &back, false), host::kNoErr);
    EXPECT_EQ(back, tiles[static_cast<std::size_t>(t)]) << "tile " << t;
  }
}

TEST_F(RasterTest, RequestsThatDoNotHoldTogetherAreRefused) {
  const host::ArtHandle raster = NewRaster(8, 8, hostsim::kRasterGray, 8);
  std::vector<std::uint8_t> buffer(4096);
  host::Tile tile{};
  tile.data = buffer.data();
  tile.bounds = {0, 0, 32, 32, 0, 15};
  tile.rowBytes = 128;
  tile.colBytes = 4;
  const host::Slice art{0, 0, 32, 32, 0, 15};
  const host::Slice smaller{0, 0, 16, 32, 0, 15};
  const host::Slice outside{0, 0, 33, 32, 0, 15};
  EXPECT_EQ(rasters().GetRasterTile(raster, &art, &tile, &smaller), host::kBadParameterErr);
  const host::Slice big{0, 0, 33, 32, 0, 15};
  EXPECT_EQ(rasters().GetRasterTile(raster, &big, &tile, &outside), host::kBadParameterErr);
  tile.data = nullptr;
  EXPECT_EQ(rasters().SetRasterTile(raster, &art, &tile, &art), host::kBadParameterErr);
}

TEST_F(RasterTest, MatrixPlacesThePixelsAndSetsTheBoundingBox) {
  const host::ArtHandle raster = NewRaster(10, 20, hostsim::kRasterGray, 8);
  const host::RealMatrix m{2, 0, 0, -2, 100, 500};
  ASSERT_EQ(rasters().SetRasterMatrix(raster, &m), host::kNoErr);
  host::RealRect box{}, bounds{};
  ASSERT_EQ(rasters().GetRasterBoundingBox(raster, &box), host::kNoErr);
  ASSERT_EQ(Suite<host::ArtSuite>().GetArtBounds(raster, &bounds), host::kNoErr);
  for (const host::RealRect& r : {box, bounds}) {
    EXPECT_EQ(r.left, 100.0f);
    EXPECT_EQ(r.right, 120.0f);
    EXPECT_EQ(r.top, 500.0f);
    EXPECT_EQ(r.bottom, 460.0f);
  }
  // A bounding box set explicitly is kept as it is; drawing follows the matrix.
  const host::RealRect other{0, 1, 1, 0};
  ASSERT_EQ(rasters().SetRasterBoundingBox(raster, &other), host::kNoErr);
  ASSERT_EQ(rasters().GetRasterBoundingBox(raster, &box), host::kNoErr);
  EXPECT_EQ(box.top, 1.0f);
  ASSERT_EQ(Suite<host::ArtSuite>().GetArtBounds(raster, &bounds), host::kNoErr);
  EXPECT_EQ(bounds.right, 120.0f);
}

class MeshTest : public DocumentTest {
 protected:
  const host::MeshSuite& meshes() { return Suite<host::MeshSuite>(); }
  const host::MeshVertexSuite& vertices() { return Suite<host::MeshVertexSuite>(); }
  const host::MeshSegmentSuite& segments() { return Suite<host::MeshSegmentSuite>(); }

  host::ArtHandle NewMesh(std::int32_t i, std::int32_t j) {
    host::ArtHandle made = nullptr;
    EXPECT_EQ(Suite<host::ArtSuite>().NewArt(host::kMeshArt, host::kPlaceAboveAll, nullptr, &made),
              host::kNoErr);
    EXPECT_EQ(meshes().InitCartesianMesh(made, i, j), host::kNoErr);
    return made;
  }
  host::MeshVertexHandle Node(host::ArtHandle mesh, std::int32_t i, std::int32_t j) {
    host::MeshVertexHandle v = nullptr;
    EXPECT_EQ(meshes().GetMeshNode(mesh, i, j, &v), host::kNoErr);
    return v;
  }
  std::int32_t SegmentCount(host::MeshVertexHandle v) {
    std::int32_t n = -1;
    EXPECT_EQ(vertices().CountVertexSegments(v, &n), host::kNoErr);
    return n;
  }
};

TEST_F(MeshTest, GridOfPatchesHasNodesWithTheirSegments) {
  const host::ArtHandle mesh = NewMesh(2, 3);
  std::int32_t kind = -1, i = 0, j = 0;
  ASSERT_EQ(meshes().GetMeshKind(mesh, &kind), host::kNoErr);
  ASSERT_EQ(meshes().GetMeshSize(mesh, &i, &j), host::kNoErr);
  EXPECT_EQ(kind, host::kCartesianMesh);
  EXPECT_EQ(i, 2);
  EXPECT_EQ(j, 3);
  EXPECT_EQ(SegmentCount(Node(mesh, 0, 0)), 2);
  EXPECT_EQ(SegmentCount(Node(mesh, 1, 0)), 3);
  EXPECT_EQ(SegmentCount(Node(mesh, 1, 1)), 4);
  EXPECT_EQ(SegmentCount(Node(mesh, 2, 3)), 2);
  host::MeshVertexHandle none = nullptr;
  EXPECT_EQ(meshes().GetMeshNode(mesh, 3, 0, &none), host::kBadParameterErr);
  EXPECT_EQ(meshes().InitPolarMesh(mesh, 0, 2), host::kBadParameterErr);
  ASSERT_EQ(meshes().InitPolarMesh(mesh, 1, 4), host::kNoErr);
  ASSERT_EQ(meshes().GetMeshKind(mesh, &kind), host::kNoErr);
  EXPECT_EQ(kind, host::kPolarMesh);
  EXPECT_EQ(SegmentCount(Node(mesh, 1, 1)), 3);
}

TEST_F(MeshTest, SegmentsSeenFromBothEndsShareTheirControlPoints) {
  const host::ArtHandle mesh = NewMesh(1, 1);
  const host::MeshVertexHandle a = Node(mesh, 0, 0), b = Node(mesh, 1, 0);
  host::MeshSegmentHandle fromA = nullptr, fromB = nullptr;
  ASSERT_EQ(vertices().GetVertexSegment(a, 0, &fromA), host::kNoErr);  // +i
  ASSERT_EQ(vertices().GetVertexSegment(b, 1, &fromB), host::kNoErr);  // -i
  std::int32_t count = 0;
  ASSERT_EQ(segments().CountSegmentPoints(fromA, &count), host::kNoErr);
  EXPECT_EQ(count, 2);
  const host::RealPoint p{30, 5};
  ASSERT_EQ(segments().SetSegmentPoint(fromA, 0, &p), host::kNoErr);
  host::RealPoint q{};
  ASSERT_EQ(segments().GetSegmentPoint(fromB, 1, &q), host::kNoErr);
  EXPECT_EQ(q.h, 30.0f);
  EXPECT_EQ(q.v, 5.0f);
  EXPECT_EQ(segments().GetSegmentPoint(fromA, 2, &q), host::kBadParameterErr);
  // The tangent is the way to the segment's first control point.
  host::RealPoint t{};
  ASSERT_EQ(vertices().GetVertexTangent(a, 0, &t), host::kNoErr);
  EXPECT_EQ(t.h, 30.0f);
  EXPECT_EQ(t.v, 5.0f);
  const host::RealPoint t2{10, 0};
  ASSERT_EQ(vertices().SetVertexTangent(b, 1, &t2), host::kNoErr);
  ASSERT_EQ(segments().GetSegmentPoint(fromA, 1, &q), host::kNoErr);
  EXPECT_EQ(q.h, 110.0f);
  EXPECT_EQ(vertices().GetVertexTangent(a, 2, &t), host::kBadParameterErr);
}

TEST_F(MeshTest, VerticesKeepColourPointAndSmoothness) {
  const host::ArtHandle mesh = NewMesh(1, 1);
  const host::MeshVertexHandle v = Node(mesh, 1, 1);
  host::Color c;
  std::memset(static_cast<void*>(&c), 0, sizeof c);
  c.kind = host::kProcessColor;
  c.c.process = {0, 1, 0.5f, 0};
  ASSERT_EQ(vertices().SetVertexColor(v, &c), host::kNoErr);
  host::Color back{};
  ASSERT_EQ(vertices().GetVertexColor(v, &back), host::kNoErr);
  EXPECT_EQ(std::memcmp(&c, &back, sizeof c), 0);
  c.kind = host::kPatternColor;
  EXPECT_EQ(vertices().SetVertexColor(v, &c), host::kBadParameterErr);
  const host::RealPoint p{120, 130};
  ASSERT_EQ(vertices().SetVertexPoint(v, &p), host::kNoErr);
  host::RealPoint q{};
  ASSERT_EQ(vertices().GetVertexPoint(v, &q), host::kNoErr);
  EXPECT_EQ(q.h, 120.0f);
  ASSERT_EQ(vertices().SetVertexSmooth(v, 1, 0), host::kNoErr);
  host::Boolean smooth = 1;
  ASSERT_EQ(vertices().GetVertexSmooth(v, 1, &smooth), host::kNoErr);
  EXPECT_FALSE(smooth);
  ASSERT_EQ(vertices().GetVertexSmooth(v, 0, &smooth), host::kNoErr);
  EXPECT_TRUE(smooth);
  host::RealRect r{};
  ASSERT_EQ(Suite<host::ArtSuite>().GetArtBounds(mesh, &r), host::kNoErr);
  EXPECT_EQ(r.right, 120.0f);
  EXPECT_EQ(r.top, 130.0f);
  // A mesh made anew with fewer nodes no longer has the old vertex.
  ASSERT_EQ(meshes().InitCartesianMesh(mesh, 1, 1), host::kNoErr);
  const host::MeshVertexHandle far = Node(mesh, 1, 1);
  EXPECT_EQ(far, v);  // the same node, the same handle
  ASSERT_EQ(meshes().InitCartesianMesh(mesh, 1, 1), host::kNoErr);
}

}  // namespace
}  // namespace velmtest
