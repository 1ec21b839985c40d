// The stored layouts of the raster object (with its tiles) and the mesh object (with
// its vertex and segment records).
#pragma once

#include <cstddef>
#include <cstdint>

#include "artformat/path_objects.h"

namespace velm {

// ---- Raster object (type 9): this head, then tileCount tiles ----

struct ShortRect {
  std::int16_t left;
  std::int16_t top;
  std::int16_t right;
  std::int16_t bottom;
};

struct RasterObject {
  ObjectHeader header;
  std::uint16_t rasterFlags;
  std::uint16_t reserved26;
  ShortRect pixelBounds;
  std::int32_t byteWidth;
  std::int16_t colorSpace;
  std::int16_t bitsPerPixel;
  std::int16_t lastField;  // the host raster record's last 16-bit field, unchanged
  std::int16_t reserved46;
  FixedMatrix rasterMatrix;     // tx, ty relative to the capture origin
  host::FixedRect boundingBox;  // document coordinates
  std::int32_t tileCount;
};
static_assert(sizeof(RasterObject) == 92);
static_assert(offsetof(RasterObject, rasterFlags) == 24);
static_assert(offsetof(RasterObject, pixelBounds) == 28);
static_assert(offsetof(RasterObject, byteWidth) == 36);
static_assert(offsetof(RasterObject, colorSpace) == 40);
static_assert(offsetof(RasterObject, bitsPerPixel) == 42);
static_assert(offsetof(RasterObject, lastField) == 44);
static_assert(offsetof(RasterObject, rasterMatrix) == 48);
static_assert(offsetof(RasterObject, boundingBox) == 72);
static_assert(offsetof(RasterObject, tileCount) == 88);

// 32 rows of 32 pixels, 4 bytes a pixel, top row first.
struct RasterTile {
  std::uint8_t pixels[32][128];
};
static_assert(sizeof(RasterTile) == 4096);

// ---- Mesh object (type 11): this head, then vertexCount vertex records ----

struct MeshObject {
  ObjectHeader header;
  std::int32_t meshKind;  // the host's: cartesian or polar
  std::int32_t iSize;
  std::int32_t jSize;
  std::int32_t vertexCount;
};
static_assert(sizeof(MeshObject) == 40);
static_assert(offsetof(MeshObject, meshKind) == 24);
static_assert(offsetof(MeshObject, vertexCount) == 36);

// This head, then segmentCount segment records; length counts them all.
struct MeshVertexRecord {
  std::int32_t length;
  StoredColor color;  // kinds 0, 1, 3 or 5
  host::FixedPoint point;
  std::int32_t segmentCount;
};
static_assert(sizeof(MeshVertexRecord) == 84);
static_assert(offsetof(MeshVertexRecord, color) == 4);
static_assert(offsetof(MeshVertexRecord, point) == 72);
static_assert(offsetof(MeshVertexRecord, segmentCount) == 80);

// This head, then leadCount + pointCount points; length counts them all.
struct MeshSegmentRecord {
  std::int32_t length;
  host::FixedPoint tangent;
  std::int16_t smooth;
  std::int16_t reserved;
  std::int32_t leadCount;  // 0 when written
  std::int32_t pointCount;
};
static_assert(sizeof(MeshSegmentRecord) == 24);
static_assert(offsetof(MeshSegmentRecord, tangent) == 4);
static_assert(offsetof(MeshSegmentRecord, smooth) == 12);
static_assert(offsetof(MeshSegmentRecord, leadCount) == 16);
static_assert(offsetof(MeshSegmentRecord, pointCount) == 20);

}  // namespace velm
