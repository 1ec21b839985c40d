// Raster images (description, placement, pixels by tiles) and gradient meshes (grid,
// vertices, segments).
#include <algorithm>
#include <cstring>

#include "hostsim/core/document_suites.h"
#include "hostsim/core/suite_impl.h"

namespace hostsim {
namespace {

using namespace impl;

// The largest raster side and pixel buffer the host accepts.
constexpr std::int32_t kMaxRasterSide = 16384;
constexpr std::int64_t kMaxRasterBytes = 256ll << 20;
// The largest mesh grid.
constexpr std::int32_t kMaxMeshSize = 256;

Art* RasterOf(host::ArtHandle handle) {
  Art* art = ArtOf(handle);
  return art && art->type == host::kRasterArt ? art : nullptr;
}

host::Err Editable(Art* art) {
  if (!Doc()->Editable(art)) return host::kLockedLayerErr;
  Doc()->Changing();
  return host::kNoErr;
}

// The pixel rectangle through the matrix.
host::RealRect PlacedBox(const RasterData& r) {
  const host::Real w = static_cast<host::Real>(r.width()), h = static_cast<host::Real>(r.height());
  const host::RealPoint corners[4] = {{0, 0}, {w, 0}, {0, h}, {w, h}};
  host::RealRect box{};
  bool any = false;
  for (const host::RealPoint& c : corners) {
    const host::RealPoint p = Transform(r.matrix, c);
    UnionRect(&box, {p.h, p.v, p.h, p.v}, &any);
  }
  return box;
}

// ---- AI Raster Suite ----

host::Err VELM_HOSTCALL GetRasterInfo(host::ArtHandle handle, host::RasterRecord* info) {
  if (host::Err e = Check<host::RasterSuite>("GetRasterInfo")) return e;
  Art* art = RasterOf(handle);
  if (!art || !info) return host::kBadParameterErr;
  *info = art->raster.info;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetRasterInfo(host::ArtHandle handle, const host::RasterRecord* info) {
  if (host::Err e = Check<host::RasterSuite>("SetRasterInfo")) return e;
  Art* art = RasterOf(handle);
  if (!art || !info) return host::kBadParameterErr;
  const int channels = RasterChannels(info->colorSpace);
  const std::int64_t w = static_cast<std::int64_t>(info->bounds.right) - info->bounds.left;
  const std::int64_t h = static_cast<std::int64_t>(info->bounds.bottom) - info->bounds.top;
  if (channels == 0 || info->bitsPerPixel != 8 * channels || w <= 0 || h <= 0 ||
      w > kMaxRasterSide || h > kMaxRasterSide)
    return host::kBadParameterErr;
  if (w * h * channels > kMaxRasterBytes) return host::kOutOfMemoryErr;
  if (host::Err e = Editable(art)) return e;
  RasterData& r = art->raster;
  r.info = *info;
  r.info.byteWidth = static_cast<std::int32_t>(w * channels);
  r.info.reserved = 0;
  r.pixels.assign(static_cast<std::size_t>(w * h * channels), 0);
  r.boundingBox = PlacedBox(r);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetRasterMatrix(host::ArtHandle handle, host::RealMatrix* matrix) {
  if (host::Err e = Check<host::RasterSuite>("GetRasterMatrix")) return e;
  Art* art = RasterOf(handle);
  if (!art || !matrix) return host::kBadParameterErr;
  *matrix = art->raster.matrix;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetRasterMatrix(host::ArtHandle handle, const host::RealMatrix* matrix) {
  if (host::Err e = Check<host::RasterSuite>("SetRasterMatrix")) return e;
  Art* art = RasterOf(handle);
  if (!art || !matrix) return host::kBadParameterErr;
  if (host::Err e = Editable(art)) return e;
  art->raster.matrix = *matrix;
  art->raster.boundingBox = PlacedBox(art->raster);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetRasterBoundingBox(host::ArtHandle handle, host::RealRect* bounds) {
  if (host::Err e = Check<host::RasterSuite>("GetRasterBoundingBox")) return e;
  Art* art = RasterOf(handle);
  if (!art || !bounds) return host::kBadParameterErr;
  *bounds = art->raster.boundingBox;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetRasterBoundingBox(host::ArtHandle handle, const host::RealRect* bounds) {
  if (host::Err e = Check<host::RasterSuite>("SetRasterBoundingBox")) return e;
  Art* art = RasterOf(handle);
  if (!art || !bounds) return host::kBadParameterErr;
  if (host::Err e = Editable(art)) return e;
  art->raster.boundingBox = *bounds;
  return host::kNoErr;
}

// Whether a tile request holds together: slices of the same size, the buffer's slice
// inside the buffer's bounds.
bool TileRequestValid(const host::Slice& art, const host::Tile& tile, const host::Slice& in) {
  const std::int64_t rows = static_cast<std::int64_t>(art.bottom) - art.top;
  const std::int64_t cols = static_cast<std::int64_t>(art.right) - art.left;
  const std::int64_t chans = static_cast<std::int64_t>(art.back) - art.front + 1;
  if (rows < 0 || cols < 0 || chans < 1 || rows != static_cast<std::int64_t>(in.bottom) - in.top ||
      cols != static_cast<std::int64_t>(in.right) - in.left ||
      chans != static_cast<std::int64_t>(in.back) - in.front + 1)
    return false;
  const host::Slice& b = tile.bounds;
  return in.top >= b.top && in.left >= b.left && in.bottom <= b.bottom && in.right <= b.right &&
         in.front >= b.front && in.back <= b.back && in.front >= 0 &&
         in.back < host::kMaxRasterChannels && tile.rowBytes >= 0 && tile.colBytes >= 0 &&
         tile.planeBytes >= 0 && tile.data;
}

// Walks the pixels and channels that a slice of the raster and a slice of a tile buffer
// have in common (the request must be valid), calling copy(raster byte, buffer byte).
template <class Copy>
void WalkTile(RasterData& r, const host::Slice& art, const host::Tile& tile, const host::Slice& in,
              Copy copy) {
  const std::int64_t rows = static_cast<std::int64_t>(art.bottom) - art.top;
  const std::int64_t cols = static_cast<std::int64_t>(art.right) - art.left;
  const std::int64_t chans = static_cast<std::int64_t>(art.back) - art.front + 1;
  const host::Slice& b = tile.bounds;
  const int channels = r.channels();
  auto* data = static_cast<std::uint8_t*>(tile.data);
  for (std::int64_t y = 0; y < rows; ++y) {
    const std::int64_t ry = art.top + y - r.info.bounds.top;
    if (ry < 0 || ry >= r.height()) continue;
    for (std::int64_t x = 0; x < cols; ++x) {
      const std::int64_t rx = art.left + x - r.info.bounds.left;
      if (rx < 0 || rx >= r.width()) continue;
      for (std::int64_t k = 0; k < chans; ++k) {
        const std::int64_t bufferChannel = in.front + k;
        const std::int64_t rasterChannel = tile.channelInterleave[bufferChannel];
        if (rasterChannel < art.front || rasterChannel > art.back || rasterChannel >= channels ||
            rasterChannel < 0)
          continue;
        const std::int64_t channelOffset = tile.planeBytes == 0
                                               ? bufferChannel - b.front
                                               : (bufferChannel - b.front) * tile.planeBytes;
        if (tile.planeBytes == 0 && channelOffset >= tile.colBytes) continue;
        const std::int64_t offset = (in.top + y - b.top) * tile.rowBytes +
                                    (in.left + x - b.left) * tile.colBytes + channelOffset;
        copy(&r.pixels[static_cast<std::size_t>(ry * r.info.byteWidth + rx * channels +
                                                rasterChannel)],
             data + offset);
      }
    }
  }
}

host::Err VELM_HOSTCALL GetRasterTile(host::ArtHandle handle, const host::Slice* artSlice,
                                      host::Tile* tile, const host::Slice* tileSlice) {
  if (host::Err e = Check<host::RasterSuite>("GetRasterTile")) return e;
  Art* art = RasterOf(handle);
  if (!art || !artSlice || !tile || !tileSlice || !TileRequestValid(*artSlice, *tile, *tileSlice))
    return host::kBadParameterErr;
  WalkTile(art->raster, *artSlice, *tile, *tileSlice,
           [](std::uint8_t* raster, std::uint8_t* buffer) { *buffer = *raster; });
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetRasterTile(host::ArtHandle handle, const host::Slice* artSlice,
                                      const host::Tile* tile, const host::Slice* tileSlice) {
  if (host::Err e = Check<host::RasterSuite>("SetRasterTile")) return e;
  Art* art = RasterOf(handle);
  if (!art || !artSlice || !tile || !tileSlice || !TileRequestValid(*artSlice, *tile, *tileSlice))
    return host::kBadParameterErr;
  if (host::Err e = Editable(art)) return e;
  WalkTile(art->raster, *artSlice, *tile, *tileSlice,
           [](std::uint8_t* raster, std::uint8_t* buffer) { *raster = *buffer; });
  return host::kNoErr;
}

// ---- AI Mesh Suite ----

Art* MeshOf(host::ArtHandle handle) {
  Art* art = ArtOf(handle);
  return art && art->type == host::kMeshArt ? art : nullptr;
}

host::Err InitMesh(const char* op, host::ArtHandle handle, std::int32_t i, std::int32_t j,
                   std::int32_t kind) {
  if (host::Err e = Check<host::MeshSuite>(op)) return e;
  Art* art = MeshOf(handle);
  if (!art || i < 1 || j < 1 || i > kMaxMeshSize || j > kMaxMeshSize) return host::kBadParameterErr;
  if (host::Err e = Editable(art)) return e;
  // A mesh keeps the area it had; a new one covers (0, 0) to (100, 100).
  host::RealRect area{0, 100, 100, 0};
  if (!art->mesh.nodes.empty()) ArtBounds(*Doc(), art, &area);
  if (area.right <= area.left || area.top <= area.bottom) area = {0, 100, 100, 0};
  art->mesh.Init(kind, i, j, area);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL InitCartesianMesh(host::ArtHandle art, std::int32_t i, std::int32_t j) {
  return InitMesh("InitCartesianMesh", art, i, j, host::kCartesianMesh);
}

host::Err VELM_HOSTCALL InitPolarMesh(host::ArtHandle art, std::int32_t i, std::int32_t j) {
  return InitMesh("InitPolarMesh", art, i, j, host::kPolarMesh);
}

host::Err VELM_HOSTCALL GetMeshKind(host::ArtHandle handle, std::int32_t* kind) {
  if (host::Err e = Check<host::MeshSuite>("GetMeshKind")) return e;
  Art* art = MeshOf(handle);
  if (!art || !kind) return host::kBadParameterErr;
  *kind = art->mesh.kind;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetMeshSize(host::ArtHandle handle, std::int32_t* i, std::int32_t* j) {
  if (host::Err e = Check<host::MeshSuite>("GetMeshSize")) return e;
  Art* art = MeshOf(handle);
  if (!art || !i || !j) return host::kBadParameterErr;
  *i = art->mesh.i;
  *j = art->mesh.j;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetMeshNode(host::ArtHandle handle, std::int32_t i, std::int32_t j,
                                    host::MeshVertexHandle* vertex) {
  if (host::Err e = Check<host::MeshSuite>("GetMeshNode")) return e;
  Art* art = MeshOf(handle);
  if (!art || !vertex || !art->mesh.HasNode(i, j) || art->mesh.nodes.empty())
    return host::kBadParameterErr;
  *vertex = reinterpret_cast<host::MeshVertexHandle>(Doc()->VertexRef(art, i, j));
  return host::kNoErr;
}

// ---- AI Mesh Vertex Suite ----

// The directions of the segments leaving node (a, b), in segment order.
std::vector<std::int32_t> Directions(const MeshData& m, std::int32_t a, std::int32_t b) {
  std::vector<std::int32_t> d;
  if (a < m.i) d.push_back(0);
  if (b < m.j) d.push_back(1);
  if (a > 0) d.push_back(2);
  if (b > 0) d.push_back(3);
  return d;
}

// The edge a segment runs along, and whether it runs against the edge's direction.
MeshEdge& EdgeOf(MeshData& m, std::int32_t a, std::int32_t b, std::int32_t direction,
                 bool* reversed) {
  *reversed = direction >= 2;
  switch (direction) {
    case 0:
      return m.iEdges[static_cast<std::size_t>(a * (m.j + 1) + b)];
    case 1:
      return m.jEdges[static_cast<std::size_t>(a * m.j + b)];
    case 2:
      return m.iEdges[static_cast<std::size_t>((a - 1) * (m.j + 1) + b)];
    default:
      return m.jEdges[static_cast<std::size_t>(a * m.j + b - 1)];
  }
}

// Control point n of a segment, counted from the segment's start.
host::RealPoint& SegmentPoint(MeshData& m, const MeshSegmentRef& s, std::int32_t n) {
  bool reversed = false;
  MeshEdge& e = EdgeOf(m, s.i, s.j, s.direction, &reversed);
  return e.control[reversed ? 1 - n : n];
}

MeshVertexRef* VertexOf(host::MeshVertexHandle handle) {
  return Doc() ? Doc()->VertexFrom(handle) : nullptr;
}

// Segment n of a vertex: its direction, or -1.
std::int32_t DirectionOf(const MeshVertexRef* v, std::int32_t n) {
  const std::vector<std::int32_t> d = Directions(v->art->mesh, v->i, v->j);
  return n >= 0 && static_cast<std::size_t>(n) < d.size() ? d[static_cast<std::size_t>(n)] : -1;
}

bool VertexColorAllowed(const host::Color& c) {
  switch (c.kind) {
    case host::kGrayColor:
    case host::kProcessColor:
    case host::kRgbColor:
      return true;
    case host::kCustomColor:
      return Doc()->ValidColor(c);
    default:
      return false;
  }
}

host::Err VELM_HOSTCALL CountVertexSegments(host::MeshVertexHandle handle, std::int32_t* count) {
  if (host::Err e = Check<host::MeshVertexSuite>("CountVertexSegments")) return e;
  MeshVertexRef* v = VertexOf(handle);
  if (!v || !count) return host::kBadParameterErr;
  *count = static_cast<std::int32_t>(Directions(v->art->mesh, v->i, v->j).size());
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetVertexColor(host::MeshVertexHandle handle, host::Color* color) {
  if (host::Err e = Check<host::MeshVertexSuite>("GetVertexColor")) return e;
  MeshVertexRef* v = VertexOf(handle);
  if (!v || !color) return host::kBadParameterErr;
  std::memcpy(static_cast<void*>(color), &v->art->mesh.Node(v->i, v->j).color, sizeof *color);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetVertexColor(host::MeshVertexHandle handle, const host::Color* color) {
  if (host::Err e = Check<host::MeshVertexSuite>("SetVertexColor")) return e;
  MeshVertexRef* v = VertexOf(handle);
  if (!v || !color || !VertexColorAllowed(*color)) return host::kBadParameterErr;
  if (host::Err e = Editable(v->art)) return e;
  v->art->mesh.Node(v->i, v->j).color = *color;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetVertexPoint(host::MeshVertexHandle handle, host::RealPoint* point) {
  if (host::Err e = Check<host::MeshVertexSuite>("GetVertexPoint")) return e;
  MeshVertexRef* v = VertexOf(handle);
  if (!v || !point) return host::kBadParameterErr;
  *point = v->art->mesh.Node(v->i, v->j).point;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetVertexPoint(host::MeshVertexHandle handle,
                                       const host::RealPoint* point) {
  if (host::Err e = Check<host::MeshVertexSuite>("SetVertexPoint")) return e;
  MeshVertexRef* v = VertexOf(handle);
  if (!v || !point) return host::kBadParameterErr;
  if (host::Err e = Editable(v->art)) return e;
  v->art->mesh.Node(v->i, v->j).point = *point;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetVertexTangent(host::MeshVertexHandle handle, std::int32_t n,
                                         host::RealPoint* tangent) {
  if (host::Err e = Check<host::MeshVertexSuite>("GetVertexTangent")) return e;
  MeshVertexRef* v = VertexOf(handle);
  const std::int32_t d = v ? DirectionOf(v, n) : -1;
  if (d < 0 || !tangent) return host::kBadParameterErr;
  MeshData& m = v->art->mesh;
  const host::RealPoint c = SegmentPoint(m, MeshSegmentRef{v->art, v->i, v->j, d}, 0);
  const host::RealPoint p = m.Node(v->i, v->j).point;
  *tangent = {c.h - p.h, c.v - p.v};
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetVertexTangent(host::MeshVertexHandle handle, std::int32_t n,
                                         const host::RealPoint* tangent) {
  if (host::Err e = Check<host::MeshVertexSuite>("SetVertexTangent")) return e;
  MeshVertexRef* v = VertexOf(handle);
  const std::int32_t d = v ? DirectionOf(v, n) : -1;
  if (d < 0 || !tangent) return host::kBadParameterErr;
  if (host::Err e = Editable(v->art)) return e;
  MeshData& m = v->art->mesh;
  const host::RealPoint p = m.Node(v->i, v->j).point;
  SegmentPoint(m, MeshSegmentRef{v->art, v->i, v->j, d}, 0) = {p.h + tangent->h, p.v + tangent->v};
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetVertexSmooth(host::MeshVertexHandle handle, std::int32_t n,
                                        host::Boolean* smooth) {
  if (host::Err e = Check<host::MeshVertexSuite>("GetVertexSmooth")) return e;
  MeshVertexRef* v = VertexOf(handle);
  const std::int32_t d = v ? DirectionOf(v, n) : -1;
  if (d < 0 || !smooth) return host::kBadParameterErr;
  *smooth = v->art->mesh.Node(v->i, v->j).smooth[d];
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetVertexSmooth(host::MeshVertexHandle handle, std::int32_t n,
                                        host::Boolean smooth) {
  if (host::Err e = Check<host::MeshVertexSuite>("SetVertexSmooth")) return e;
  MeshVertexRef* v = VertexOf(handle);
  const std::int32_t d = v ? DirectionOf(v, n) : -1;
  if (d < 0) return host::kBadParameterErr;
  if (host::Err e = Editable(v->art)) return e;
  v->art->mesh.Node(v->i, v->j).smooth[d] = smooth != 0;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetVertexSegment(host::MeshVertexHandle handle, std::int32_t n,
                                         host::MeshSegmentHandle* segment) {
  if (host::Err e = Check<host::MeshVertexSuite>("GetVertexSegment")) return e;
  MeshVertexRef* v = VertexOf(handle);
  const std::int32_t d = v ? DirectionOf(v, n) : -1;
  if (d < 0 || !segment) return host::kBadParameterErr;
  *segment = reinterpret_cast<host::MeshSegmentHandle>(Doc()->SegmentRef(v->art, v->i, v->j, d));
  return host::kNoErr;
}

// ---- AI Mesh Segment Suite ----

MeshSegmentRef* SegmentOf(host::MeshSegmentHandle handle) {
  MeshSegmentRef* s = Doc() ? Doc()->SegmentFrom(handle) : nullptr;
  if (!s) return nullptr;
  // The grid may have been made anew since the handle was given out.
  const std::vector<std::int32_t> d = Directions(s->art->mesh, s->i, s->j);
  return std::find(d.begin(), d.end(), s->direction) != d.end() ? s : nullptr;
}

host::Err VELM_HOSTCALL CountSegmentPoints(host::MeshSegmentHandle handle, std::int32_t* count) {
  if (host::Err e = Check<host::MeshSegmentSuite>("CountSegmentPoints")) return e;
  if (!SegmentOf(handle) || !count) return host::kBadParameterErr;
  *count = 2;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetSegmentPoint(host::MeshSegmentHandle handle, std::int32_t n,
                                        host::RealPoint* point) {
  if (host::Err e = Check<host::MeshSegmentSuite>("GetSegmentPoint")) return e;
  MeshSegmentRef* s = SegmentOf(handle);
  if (!s || !point || n < 0 || n > 1) return host::kBadParameterErr;
  *point = SegmentPoint(s->art->mesh, *s, n);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetSegmentPoint(host::MeshSegmentHandle handle, std::int32_t n,
                                        const host::RealPoint* point) {
  if (host::Err e = Check<host::MeshSegmentSuite>("SetSegmentPoint")) return e;
  MeshSegmentRef* s = SegmentOf(handle);
  if (!s || !point || n < 0 || n > 1) return host::kBadParameterErr;
  if (host::Err e = Editable(s->art)) return e;
  SegmentPoint(s->art->mesh, *s, n) = *point;
  return host::kNoErr;
}

}  // namespace

void InstallRasterMeshSuites(host::RasterSuite& raster, host::MeshSuite& mesh,
                             host::MeshVertexSuite& vertex, host::MeshSegmentSuite& segment) {
  raster.GetRasterInfo = GetRasterInfo;
  raster.SetRasterInfo = SetRasterInfo;
  raster.GetRasterMatrix = GetRasterMatrix;
  raster.SetRasterMatrix = SetRasterMatrix;
  raster.GetRasterBoundingBox = GetRasterBoundingBox;
  raster.SetRasterBoundingBox = SetRasterBoundingBox;
  raster.GetRasterTile = GetRasterTile;
  raster.SetRasterTile = SetRasterTile;

  mesh.InitCartesianMesh = InitCartesianMesh;
  mesh.InitPolarMesh = InitPolarMesh;
  mesh.GetMeshKind = GetMeshKind;
  mesh.GetMeshSize = GetMeshSize;
  mesh.GetMeshNode = GetMeshNode;

  vertex.CountVertexSegments = CountVertexSegments;
  vertex.GetVertexColor = GetVertexColor;
  vertex.SetVertexColor = SetVertexColor;
  vertex.GetVertexPoint = GetVertexPoint;
  vertex.SetVertexPoint = SetVertexPoint;
  vertex.GetVertexTangent = GetVertexTangent;
  vertex.SetVertexTangent = SetVertexTangent;
  vertex.GetVertexSmooth = GetVertexSmooth;
  vertex.SetVertexSmooth = SetVertexSmooth;
  vertex.GetVertexSegment = GetVertexSegment;

  segment.CountSegmentPoints = CountSegmentPoints;
  segment.GetSegmentPoint = GetSegmentPoint;
  segment.SetSegmentPoint = SetSegmentPoint;
}

}  // namespace hostsim
