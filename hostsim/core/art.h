// The parts of the stand-in host's documents: art objects with their paint, text, rasters,
// meshes and plug-in art, layers, views, the document's paint resources, and the handles
// the suites hand out for mesh vertices, segments and text streams.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/art_types.h"

namespace hostsim {

struct Art;
struct Layer;

// ---- Paint resources ----

struct Gradient {
  std::string name;
  std::int32_t type = host::kLinearGradient;
  // In the order they were put; ramp points and mid points are percentages (0 … 100).
  std::vector<host::GradientStop> stops;
};

struct Pattern {
  std::string name;
  // The group that defines the pattern's tile; it lies outside every layer.
  Art* art = nullptr;
};

struct CustomColor {
  std::string name;
  host::CustomColorDefinition definition{};
};

struct PluginGroup {
  std::string name;
};

// ---- Parts of an art object ----

// Blending modes: 0 normal, 1 multiply, 2 screen, 3 overlay, 4 soft light, 5 hard light,
// 6 colour dodge, 7 colour burn, 8 darken, 9 lighten, 10 difference, 11 exclusion, 12 hue,
// 13 saturation, 14 colour, 15 luminosity.
inline constexpr std::int32_t kLastBlendMode = 15;

struct BlendState {
  std::int32_t mode = 0;
  host::Real opacity = 1.0f;
  bool isolated = false;
  std::int32_t knockout = host::kKnockoutOff;
  bool alphaIsShape = false;
};

// An effect of an art's appearance: a copy of the art drawn behind it, moved by `offset`
// and painted in `color`. Art with an effect renders through a generated styled art.
struct Effect {
  bool shadow = false;
  host::RealPoint offset{};
  host::Color color{};
};

// Everything a character of a text carries.
// The paint of new paths and text: filled black (gray 1), no stroke (black, 1 point,
// miter limit 4), resolution 800.
host::PathStyle DefaultPathStyle();
// A gray colour: `value` 0 white … 1 black, as the host's gray colours are.
host::Color GrayColor(host::Real value);

// Every byte matters (the plug-in compares them), so sets are made by
// DefaultTextAttributes or copied whole, never built member by member.
struct TextAttributes {
  host::PathStyle paint;
  host::CharacterAttributes character;
  host::TextFont font;
  host::ParagraphAttributes paragraph;
  host::TabStops tabs;
  host::Real runValue;
};
// Byte for byte, as the plug-in compares them.
bool SameAttributes(const TextAttributes& a, const TextAttributes& b);
// Black 12-point IPAGothic (Japanese script), no stroke.
TextAttributes DefaultTextAttributes();

struct TextData {
  std::int32_t type = host::kPointText;
  // The characters in the host's encoding (Shift-JIS for Japanese fonts).
  std::string bytes;
  // Per byte, the index of its attribute set in `sets`.
  std::vector<std::uint32_t> attributeOf;
  std::vector<TextAttributes> sets;

  std::uint32_t Intern(const TextAttributes& attributes);
  // The attributes of byte `index`, or the defaults of an empty text.
  const TextAttributes& AttributesAt(std::size_t index) const;
  void Insert(std::size_t position, const std::string& text, const TextAttributes& attributes);
};

// Colour spaces of a raster (8 bits per channel).
enum RasterColorSpace : std::int32_t {
  kRasterGray = 0,
  kRasterRgb = 1,
  kRasterCmyk = 2,
  // Alpha first, then red, green and blue.
  kRasterArgb = 3,
};
// Channels of a colour space, 0 for an unknown one.
int RasterChannels(std::int32_t colorSpace);

struct RasterData {
  host::RasterRecord info{};
  // Raster pixel space (x right, y down, (0, 0) the top-left corner of the pixel at
  // bounds.left, bounds.top) to artwork coordinates.
  host::RealMatrix matrix{1, 0, 0, 1, 0, 0};
  host::RealRect boundingBox{};
  // Rows from the top, `info.byteWidth` bytes each, channels interleaved.
  std::vector<std::uint8_t> pixels;

  int width() const { return info.bounds.right - info.bounds.left; }
  int height() const { return info.bounds.bottom - info.bounds.top; }
  int channels() const { return RasterChannels(info.colorSpace); }
};

struct MeshVertex {
  host::Color color{};
  host::RealPoint point{};
  // Per segment direction (+i, +j, -i, -j): whether it leaves the vertex smoothly.
  bool smooth[4] = {true, true, true, true};
};
// The curve between two neighbouring nodes: control[0] lies next to the node with the
// lower index.
struct MeshEdge {
  host::RealPoint control[2]{};
};
struct MeshData {
  std::int32_t kind = host::kCartesianMesh;
  std::int32_t i = 0;
  std::int32_t j = 0;
  // (i + 1) × (j + 1) nodes, node (a, b) at a × (j + 1) + b.
  std::vector<MeshVertex> nodes;
  // Edges from (a, b) to (a + 1, b), at a × (j + 1) + b.
  std::vector<MeshEdge> iEdges;
  // Edges from (a, b) to (a, b + 1), at a × j + b.
  std::vector<MeshEdge> jEdges;

  bool HasNode(std::int32_t a, std::int32_t b) const {
    return a >= 0 && b >= 0 && a <= i && b <= j;
  }
  MeshVertex& Node(std::int32_t a, std::int32_t b) { return nodes[a * (j + 1) + b]; }
  const MeshVertex& Node(std::int32_t a, std::int32_t b) const { return nodes[a * (j + 1) + b]; }
  // Lays out a grid of i × j patches over `area` (polar: rings around its centre).
  void Init(std::int32_t kind, std::int32_t i, std::int32_t j, const host::RealRect& area);
};

struct PluginArtData {
  PluginGroup* group = nullptr;
  // Both lie outside every layer; the result art is what the plug-in art draws as.
  Art* editArt = nullptr;
  Art* resultArt = nullptr;
  std::int32_t major = 0;
  std::int32_t minor = 0;
  std::vector<std::uint8_t> data;
};

// One art object. Which members matter depends on `type`. Undo keeps an art's state only
// when it changed, comparing every member (document_undo.cpp): a new member is compared
// there too.
struct Art {
  std::int32_t type = host::kUnknownArt;
  // ArtAttribute bits.
  std::int32_t attributes = 0;
  // The name a scene gives the art (empty: none).
  std::string id;

  // Tree: the container, and the children topmost first. A layer's own group has no
  // parent and names its layer. Art outside every layer (pattern definitions, plug-in
  // edit and result art, styled art) has neither.
  Art* parent = nullptr;
  Layer* layer = nullptr;
  std::vector<Art*> children;

  BlendState blend;
  // Paths and compound paths.
  host::PathStyle style{};
  std::vector<host::PathSegment> segments;
  bool closed = false;
  bool guide = false;
  // Groups.
  bool clipped = false;
  Effect effect;
  // A path that is a text path of its parent text.
  host::RealMatrix textPathMatrix{1, 0, 0, 1, 0, 0};
  std::int16_t textPathAttribute = 0;
  // Placed art: its extent on the page.
  host::RealRect placedBounds{};

  TextData text;
  RasterData raster;
  MeshData mesh;
  PluginArtData plugin;

  // The art generated to draw the effect (kept for the art's life, rebuilt on request).
  Art* styledArt = nullptr;
  bool alive = true;
  // Where the art was last found among its parent's children: a hint that makes walking a
  // container by next sibling take constant time per step (checked before it is used).
  std::size_t siblingHint = 0;

  host::ArtHandle handle() { return reinterpret_cast<host::ArtHandle>(this); }
  bool IsContainer() const { return type == host::kGroupArt || type == host::kCompoundPathArt; }
};

struct Layer {
  std::string name;
  bool visible = true;
  bool editable = true;
  Art* group = nullptr;

  host::LayerHandle handle() { return reinterpret_cast<host::LayerHandle>(this); }
};

// A view of the document in the document window.
struct View {
  // View pixels per artwork point.
  host::Real zoom = 1.0f;
  // The artwork point shown at the top-left pixel of the document window's client area.
  host::RealPoint origin{0.0f, 600.0f};

  host::RealPoint ToArtwork(const host::Point& viewPoint) const;
  host::Point ToView(const host::RealPoint& artworkPoint) const;
  host::DocumentViewHandle handle() { return reinterpret_cast<host::DocumentViewHandle>(this); }
};

// Small interned handles for things that are not objects of their own.
struct MeshVertexRef {
  Art* art;
  std::int32_t i;
  std::int32_t j;
};
struct MeshSegmentRef {
  Art* art;
  std::int32_t i;
  std::int32_t j;
  // Direction from the vertex: 0 +i, 1 +j, 2 -i, 3 -j.
  std::int32_t direction;
};
struct TextStream {
  Art* art = nullptr;
  std::int32_t mode = 0;
  std::size_t position = 0;
  bool open = false;
  // 5 or 4: the path-style generation of its paint.
  int generation = 5;
  TextAttributes pending;
};

}  // namespace hostsim
