// Raster objects (description, matrix, bounding box, pixels tile by tile) and mesh
// objects (grid, then every node's colour, position, tangents and segment points).
#include <cstring>

#include "frame/suites.h"
#include "placement/load_conversions.h"
#include "placement/placement_state.h"

namespace velm {

namespace {

constexpr std::int32_t kTileSide = 32;
constexpr std::int32_t kTileRowBytes = 128;
constexpr std::int32_t kTilePixelBytes = 4;

host::Slice TileSlice(std::int32_t top, std::int32_t left) {
  return {top, left, top + kTileSide, left + kTileSide, 0, host::kMaxRasterChannels - 1};
}

// The pixels, one stored tile per tile position of the pixel bounds, rows of tiles from
// the top. The object's length decides how many tiles there are: the positions left when
// they run out stay as the host made them (zero), and a failed store ends the loop.
void StoreTiles(Placement& p, host::ArtHandle raster, const StreamObject& object,
                const RasterObject& head) {
  alignas(4) std::uint8_t pixels[sizeof(RasterTile)];
  host::Tile tile;
  std::memset(static_cast<void*>(&tile), 0, sizeof tile);
  tile.data = pixels;
  tile.bounds = TileSlice(0, 0);
  tile.rowBytes = kTileRowBytes;
  tile.colBytes = kTilePixelBytes;
  tile.planeBytes = 0;
  for (std::int16_t c = 0; c < host::kMaxRasterChannels; ++c)
    tile.channelInterleave[c] = c;
  const host::Slice inTile = TileSlice(0, 0);

  const ShortRect& bounds = head.pixelBounds;
  std::int64_t at = sizeof(RasterObject);
  for (std::int32_t top = bounds.top; top < bounds.bottom; top += kTileSide) {
    for (std::int32_t left = bounds.left; left < bounds.right; left += kTileSide) {
      if (!object.Holds(at, sizeof(RasterTile))) return;
      std::memcpy(pixels, object.At(at), sizeof pixels);
      const host::Slice inRaster = TileSlice(top, left);
      p.status = sRaster->SetRasterTile(raster, &inRaster, &tile, &inTile);
      if (p.status != host::kNoErr) return;
      at += sizeof(RasterTile);
    }
  }
}

// A stored mesh point moved to the placement in fixed point, as reals.
host::RealPoint MeshPoint(const Placement& p, host::FixedPoint point) {
  const host::RealPoint move = p.Displacement();
  if (!p.patternMode) {
    point.h = sFixedMath->FixedAdd(point.h, sFixedMath->RealToFixed(move.h));
    point.v = sFixedMath->FixedAdd(point.v, sFixedMath->RealToFixed(move.v));
  }
  return PointFromStored(point);
}

// The segment records of one vertex record, [at, end) of the object.
void PlaceVertexSegments(Placement& p, host::MeshVertexHandle vertex, const StreamObject& object,
                         std::int64_t at, std::int64_t end, std::int32_t segments) {
  for (std::int32_t n = 0; n < segments; ++n) {
    MeshSegmentRecord record;
    if (at + static_cast<std::int64_t>(sizeof record) > end || !object.Read(at, &record)) return;
    const std::int64_t points = std::int64_t{record.leadCount} + record.pointCount;
    if (record.length < static_cast<std::int32_t>(sizeof record) || at + record.length > end ||
        record.leadCount < 0 || record.pointCount < 0 ||
        static_cast<std::int64_t>(sizeof record) + 8 * points > record.length)
      return;  // a damaged record ends the vertex's segments
    const host::RealPoint tangent = PointFromStored(record.tangent);
    p.status = sMeshVertex->SetVertexTangent(vertex, n, &tangent);
    p.status =
        sMeshVertex->SetVertexSmooth(vertex, n, static_cast<host::Boolean>(record.smooth != 0));
    host::MeshSegmentHandle segment = nullptr;
    p.status = sMeshVertex->GetVertexSegment(vertex, n, &segment);
    if (p.status != host::kNoErr) return;
    std::int64_t point = at + sizeof record + 8 * std::int64_t{record.leadCount};
    for (std::int32_t k = 0; k < record.pointCount; ++k, point += 8) {
      host::FixedPoint stored;
      object.Read(point, &stored);
      const host::RealPoint placed = MeshPoint(p, stored);
      p.status = sMeshSegment->SetSegmentPoint(segment, k, &placed);
    }
    at += record.length;
  }
}

}  // namespace

void PlaceRasterObject(Placement& p, const StreamObject& object) {
  RasterObject head;
  if (!object.Read(0, &head)) return;
  host::ArtHandle raster = nullptr;
  if (NewArtHere(p, host::kRasterArt, &raster) != host::kNoErr) return;  // skipped silently

  host::RasterRecord info;
  RasterRecordFromStored(head, &info);
  host::RealMatrix matrix = MatrixFromStored(head.rasterMatrix);
  const host::RealPoint moved = p.Place({matrix.tx, matrix.ty});
  matrix.tx = moved.h;
  matrix.ty = moved.v;
  // The bounding box keeps the document coordinates it was captured with.
  const host::RealRect box = RectFromStored(head.boundingBox);

  // Each step only after the ones before it succeeded; the raster stays as far as it got.
  if ((p.status = sRaster->SetRasterInfo(raster, &info)) != host::kNoErr) return;
  if ((p.status = sRaster->SetRasterMatrix(raster, &matrix)) != host::kNoErr) return;
  if ((p.status = sRaster->SetRasterBoundingBox(raster, &box)) != host::kNoErr) return;
  SetBlendFields(p, raster, head.header);
  if (p.status != host::kNoErr) return;
  StoreTiles(p, raster, object, head);
}

void PlaceMeshObject(Placement& p, const StreamObject& object) {
  MeshObject head;
  if (!object.Read(0, &head)) return;
  host::ArtHandle mesh = nullptr;
  if (NewArtHere(p, host::kMeshArt, &mesh) != host::kNoErr) return;  // skipped silently
  SetBlendFields(p, mesh, head.header);

  if (head.meshKind == host::kCartesianMesh) {
    p.status = sMesh->InitCartesianMesh(mesh, head.iSize, head.jSize);
  } else if (head.meshKind == host::kPolarMesh) {
    p.status = sMesh->InitPolarMesh(mesh, head.iSize, head.jSize);
  } else {
    p.ended = true;  // silently
    return;
  }
  // Without a grid no node can be reached; the host's own size bounds the walk, so that a
  // damaged size never runs it through billions of missing nodes.
  std::int32_t iSize = 0;
  std::int32_t jSize = 0;
  if (p.status != host::kNoErr || sMesh->GetMeshSize(mesh, &iSize, &jSize) != host::kNoErr) return;
  if (iSize > head.iSize) iSize = head.iSize;
  if (jSize > head.jSize) jSize = head.jSize;

  // One vertex record per node in node order, each by its own length; the nodes left
  // when the records run out keep what the host gave them.
  std::int64_t at = sizeof(MeshObject);
  for (std::int32_t i = 0; i <= iSize; ++i) {
    for (std::int32_t j = 0; j <= jSize; ++j) {
      MeshVertexRecord record;
      if (!object.Read(at, &record) || record.length < static_cast<std::int32_t>(sizeof record) ||
          !object.Holds(at, record.length))
        return;
      host::MeshVertexHandle vertex = nullptr;
      p.status = sMesh->GetMeshNode(mesh, i, j, &vertex);
      if (p.status != host::kNoErr) break;  // on to the next row of nodes
      const host::RealPoint point = MeshPoint(p, record.point);
      host::Color color;
      ColorFromStored(record.color, &color);
      p.status = sMeshVertex->SetVertexColor(vertex, &color);
      p.status = sMeshVertex->SetVertexPoint(vertex, &point);
      PlaceVertexSegments(p, vertex, object, at + sizeof record, at + record.length,
                          record.segmentCount);
      at += record.length;
    }
  }
}

}  // namespace velm
