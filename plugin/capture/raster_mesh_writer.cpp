#include "capture/raster_mesh_writer.h"

#include <algorithm>
#include <cstring>

#include "capture/capture_context.h"
#include "capture/conversions.h"
#include "capture/path_writer.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "platform/memory.h"

namespace velm {

namespace {

constexpr std::uint64_t kLargestObject = 0x7FFFFFFF;
constexpr std::int32_t kTileSide = 32;
constexpr std::int32_t kTileRowBytes = 128;
constexpr std::int32_t kTilePixelBytes = 4;

bool Taken(host::ArtHandle art) {
  if (gGlobals->captureAll) return true;
  std::int32_t attributes = 0;
  return sArt->GetArtUserAttr(art, host::kArtSelected, &attributes) == host::kNoErr &&
         (attributes & host::kArtSelected) != 0;
}

host::FixedPoint ConvertMovedPoint(host::RealPoint p, host::RealPoint origin) {
  return ConvertPoint({p.h - origin.h, p.v - origin.v});
}

template <class T>
T ReadAt(const std::uint8_t* bytes, std::size_t offset) {
  T value;
  std::memcpy(static_cast<void*>(&value), bytes + offset, sizeof value);
  return value;
}

template <class T>
void WriteAt(std::uint8_t* bytes, std::size_t offset, const T& value) {
  std::memcpy(bytes + offset, &value, sizeof value);
}

std::int32_t LengthOf(const std::uint8_t* record) {
  return ReadAt<std::int32_t>(record, 0);
}

// Makes `block` hold `size` bytes, at least doubling it when it must grow, so that a mesh
// of many vertices is copied a bounded number of times.
bool Reserve(os::MemHandle& block, std::uint64_t size) {
  if (size > kLargestObject) return false;
  const std::uint64_t current = block ? os::MemSize(block) : 0;
  if (size <= current) return true;
  const std::uint64_t doubled = std::min<std::uint64_t>(current * 2, kLargestObject);
  if (doubled > size && GrowBlock(block, static_cast<std::uint32_t>(doubled), kListGranule))
    return true;
  return GrowObject(block, static_cast<std::uint32_t>(size));
}

// Appends `count` bytes to the record whose length field is at `lengthAt`.
bool AppendBytes(os::MemHandle& record, std::size_t lengthAt, const void* bytes,
                 std::uint32_t count) {
  const std::int32_t length = ReadAt<std::int32_t>(record, lengthAt);
  const std::uint64_t total = static_cast<std::uint64_t>(length) + count;
  if (!Reserve(record, total)) return false;
  std::memcpy(record + length, bytes, count);
  WriteAt(record, lengthAt, static_cast<std::int32_t>(total));
  return true;
}

bool Fits16(std::int32_t value) {
  return value >= -32768 && value <= 32767;
}

// The number of tiles that cover `from` … `to` (to exclusive) in steps of 32.
std::uint64_t TileSpan(std::int32_t from, std::int32_t to) {
  if (to <= from) return 0;
  return (static_cast<std::uint64_t>(to - from) + kTileSide - 1) / kTileSide;
}

// The mesh colour rule: a custom colour becomes its process or RGB definition; kinds a
// vertex cannot have become gray 0.
void TreatVertexColor(host::Color* color) {
  if (color->kind == host::kCustomColor) ReduceCustomColor(color);
  switch (color->kind) {
    case host::kGrayColor:
    case host::kProcessColor:
    case host::kRgbColor:
    case host::kCustomColor:
      return;
    default:
      std::memset(static_cast<void*>(color), 0, sizeof *color);
      color->kind = host::kGrayColor;
  }
}

void Unbuild(os::MemHandle object) {
  WriteAt<std::int32_t>(object, offsetof(ObjectHeader, type), 0);
}

// Reads segment `n` of a vertex into `segment` as a whole record. Returns the host's
// error, or -1 when memory ran out.
host::Err ReadMeshSegment(host::MeshVertexHandle vertex, std::int32_t n, host::RealPoint origin,
                          os::MemHandle& segment) {
  host::RealPoint tangent{};
  host::Boolean smooth = 0;
  host::MeshSegmentHandle handle = nullptr;
  std::int32_t points = 0;
  host::Err status;
  if ((status = sMeshVertex->GetVertexTangent(vertex, n, &tangent)) != host::kNoErr ||
      (status = sMeshVertex->GetVertexSmooth(vertex, n, &smooth)) != host::kNoErr ||
      (status = sMeshVertex->GetVertexSegment(vertex, n, &handle)) != host::kNoErr ||
      (status = sMeshSegment->CountSegmentPoints(handle, &points)) != host::kNoErr)
    return status;
  if (!NewMeshSegmentRecord(segment, ConvertPoint(tangent), smooth)) return -1;
  for (std::int32_t p = 0; p < points; ++p) {
    host::RealPoint point{};
    if ((status = sMeshSegment->GetSegmentPoint(handle, p, &point)) != host::kNoErr) return status;
    if (!AddMeshSegmentPoint(segment, ConvertMovedPoint(point, origin))) return -1;
  }
  return host::kNoErr;
}

}  // namespace

// ---- Raster ----

host::Err PostArtRasterProcess(host::ArtHandle raster, os::MemHandle& object,
                               host::RealPoint origin) {
  Trace("PostArtRasterProcess_START\r\n");
  if (!Taken(raster)) {
    Trace("PostArtRasterProcess_END\r\n");
    return host::kNoErr;
  }
  host::RasterRecord info{};
  host::RealMatrix matrix{};
  host::RealRect box{};
  host::Err status;
  if ((status = sRaster->GetRasterInfo(raster, &info)) != host::kNoErr ||
      (status = sRaster->GetRasterMatrix(raster, &matrix)) != host::kNoErr ||
      (status = sRaster->GetRasterBoundingBox(raster, &box)) != host::kNoErr) {
    Trace("PostArtRasterProcess_END\r\n");
    return status;
  }

  // The stored pixel bounds are 16 bits wide: a raster beyond them cannot be told back
  // to the host and is refused whole.
  const host::Rect& px = info.bounds;
  const std::uint64_t tiles = TileSpan(px.left, px.right) * TileSpan(px.top, px.bottom);
  const std::uint64_t length = sizeof(RasterObject) + tiles * sizeof(RasterTile);
  if (!Fits16(px.left) || !Fits16(px.top) || !Fits16(px.right) || !Fits16(px.bottom) ||
      length > kLargestObject) {
    Trace("PostArtRasterProcess_END\r\n");
    return -1;
  }
  // The object is made its final size at once, in record granules.
  os::MemHandle tile = nullptr;
  if (!GrowObject(object, static_cast<std::uint32_t>(length), kRecordGranule) ||
      !GrowObject(tile, sizeof(RasterTile), sizeof(RasterTile))) {
    Trace("PostArtRasterProcess_END\r\n");
    return -1;
  }

  RasterObject head;
  std::memset(static_cast<void*>(&head), 0, sizeof head);
  ConvertRasterRecord(info, &head);
  matrix.tx -= origin.h;
  matrix.ty -= origin.v;
  head.rasterMatrix = ConvertMatrix(matrix);
  head.boundingBox = ConvertRect(box);

  // Every tile goes through the one buffer: 32 rows of 32 pixels of 4 bytes, channels
  // interleaved in the host's order.
  const host::Slice whole{0, 0, kTileSide, kTileSide, 0, host::kMaxRasterChannels - 1};
  host::Tile request;
  std::memset(static_cast<void*>(&request), 0, sizeof request);
  request.data = tile;
  request.bounds = whole;
  request.rowBytes = kTileRowBytes;
  request.colBytes = kTilePixelBytes;
  request.planeBytes = 0;
  for (std::int16_t k = 0; k < host::kMaxRasterChannels; ++k)
    request.channelInterleave[k] = k;

  std::int32_t count = 0;
  for (std::int32_t top = px.top; status == host::kNoErr && top < px.bottom; top += kTileSide) {
    for (std::int32_t left = px.left; left < px.right; left += kTileSide) {
      // Pixels past the raster's edge are left as the buffer holds them: cleared, so that
      // an edge tile does not carry pixels of the tile before it.
      if (left + kTileSide > px.right || top + kTileSide > px.bottom)
        std::memset(tile, 0, sizeof(RasterTile));
      const host::Slice source{
          top, left, top + kTileSide, left + kTileSide, 0, host::kMaxRasterChannels - 1};
      status = sRaster->GetRasterTile(raster, &source, &request, &whole);
      if (status != host::kNoErr) break;
      std::memcpy(
          object + sizeof(RasterObject) + sizeof(RasterTile) * static_cast<std::size_t>(count),
          tile, sizeof(RasterTile));
      ++count;
    }
  }
  ReleaseBlock(tile);

  if (status == host::kNoErr) {
    head.tileCount = count;
    head.header.type = static_cast<std::int32_t>(ObjectType::RasterObject);
    head.header.length = static_cast<std::int32_t>(
        sizeof(RasterObject) + sizeof(RasterTile) * static_cast<std::uint32_t>(count));
    StoreBlendFields(raster, &head.header);
    std::memcpy(object, &head, sizeof head);
  }
  Trace("PostArtRasterProcess_END\r\n");
  return status;
}

// ---- Mesh records ----

bool NewMeshVertexRecord(os::MemHandle& vertex, const StoredColor& color, host::FixedPoint point) {
  if (!Reserve(vertex, sizeof(MeshVertexRecord))) return false;
  MeshVertexRecord record;
  std::memset(static_cast<void*>(&record), 0, sizeof record);
  record.length = sizeof record;
  record.color = color;
  record.point = point;
  std::memcpy(vertex, &record, sizeof record);
  return true;
}

bool NewMeshSegmentRecord(os::MemHandle& segment, host::FixedPoint tangent, std::int16_t smooth) {
  if (!Reserve(segment, sizeof(MeshSegmentRecord))) return false;
  MeshSegmentRecord record;
  std::memset(static_cast<void*>(&record), 0, sizeof record);
  record.length = sizeof record;
  record.tangent = tangent;
  record.smooth = smooth;
  std::memcpy(segment, &record, sizeof record);
  return true;
}

bool AddMeshSegmentPoint(os::MemHandle& segment, host::FixedPoint point) {
  if (!AppendBytes(segment, offsetof(MeshSegmentRecord, length), &point, sizeof point))
    return false;
  const std::size_t at = offsetof(MeshSegmentRecord, pointCount);
  WriteAt(segment, at, ReadAt<std::int32_t>(segment, at) + 1);
  return true;
}

bool AddMeshSegmentRecord(os::MemHandle& vertex, const std::uint8_t* segment) {
  if (!AppendBytes(vertex, offsetof(MeshVertexRecord, length), segment,
                   static_cast<std::uint32_t>(LengthOf(segment))))
    return false;
  const std::size_t at = offsetof(MeshVertexRecord, segmentCount);
  WriteAt(vertex, at, ReadAt<std::int32_t>(vertex, at) + 1);
  return true;
}

bool AddMeshVertexRecord(os::MemHandle& mesh, const std::uint8_t* vertex) {
  if (!AppendBytes(mesh, offsetof(ObjectHeader, length), vertex,
                   static_cast<std::uint32_t>(LengthOf(vertex))))
    return false;
  const std::size_t at = offsetof(MeshObject, vertexCount);
  WriteAt(mesh, at, ReadAt<std::int32_t>(mesh, at) + 1);
  return true;
}

// ---- Mesh ----

host::Err PostArtMeshProcess(host::ArtHandle mesh, os::MemHandle& object, host::RealPoint origin) {
  Trace("PostArtMeshProcess_START\r\n");
  std::int32_t kind = 0;
  std::int32_t iSize = 0;
  std::int32_t jSize = 0;
  host::Err status;
  if ((status = sMesh->GetMeshKind(mesh, &kind)) != host::kNoErr ||
      (status = sMesh->GetMeshSize(mesh, &iSize, &jSize)) != host::kNoErr || iSize < 0 ||
      jSize < 0 || !Taken(mesh)) {
    Unbuild(object);
    Trace("PostArtMeshProcess_END\r\n");
    return iSize < 0 || jSize < 0 ? -1 : status;
  }
  ObjectHeader header = ReadAt<ObjectHeader>(object, 0);
  StoreBlendFields(mesh, &header);
  WriteAt(object, 0, header);

  // One vertex record per node, in node order, whatever its segment count: the loader
  // gives record k to node k, so a node left out would move every later node. A node or a
  // segment that cannot be read loses the mesh (the object stays unbuilt).
  os::MemHandle vertexRecord = nullptr;
  os::MemHandle segmentRecord = nullptr;
  for (std::int32_t i = 0; status == host::kNoErr && i <= iSize; ++i) {
    for (std::int32_t j = 0; status == host::kNoErr && j <= jSize; ++j) {
      host::MeshVertexHandle vertex = nullptr;
      std::int32_t segments = 0;
      host::Color color;
      std::memset(static_cast<void*>(&color), 0, sizeof color);
      host::RealPoint point{};
      if ((status = sMesh->GetMeshNode(mesh, i, j, &vertex)) != host::kNoErr ||
          (status = sMeshVertex->CountVertexSegments(vertex, &segments)) != host::kNoErr ||
          (status = sMeshVertex->GetVertexColor(vertex, &color)) != host::kNoErr ||
          (status = sMeshVertex->GetVertexPoint(vertex, &point)) != host::kNoErr)
        break;
      TreatVertexColor(&color);
      StoredColor stored;
      ConvertColor(color, &stored);
      if (!NewMeshVertexRecord(vertexRecord, stored, ConvertMovedPoint(point, origin))) {
        status = -1;
        break;
      }
      for (std::int32_t n = 0; status == host::kNoErr && n < segments; ++n) {
        status = ReadMeshSegment(vertex, n, origin, segmentRecord);
        if (status == host::kNoErr && !AddMeshSegmentRecord(vertexRecord, segmentRecord)) {
          status = -1;
          break;
        }
      }
      if (status == host::kNoErr && !AddMeshVertexRecord(object, vertexRecord)) status = -1;
    }
  }
  ReleaseBlock(vertexRecord);
  ReleaseBlock(segmentRecord);
  if (status != host::kNoErr) Unbuild(object);
  Trace("PostArtMeshProcess_END\r\n");
  return status;
}

}  // namespace velm
