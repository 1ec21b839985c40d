// The stand-in host's document: layers, the art tree with paint, text, rasters, meshes
// and plug-in art, the document's paint resources (gradients, patterns, custom colours),
// plug-in groups, views, the hard/soft coordinate offset and the undo history.
//
// Art handles handed to the plug-in are pointers to `Art`. An art object is never freed
// while the document lives: disposing of it only marks it dead (undo may revive it), so
// a stale handle is recognised and refused instead of being followed.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
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

// One art object. Which members matter depends on `type`.
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

class Document {
 public:
  // A document with one layer, "Layer 1", which is current.
  Document();
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // ---- Layers (topmost first) ----
  // Adds a layer at `index` (-1: below all others).
  Layer* NewLayer(const std::string& name, int index = -1);
  // Removes every layer with its art (for building a document from a scene).
  void RemoveLayers();
  const std::vector<Layer*>& layers() const { return layers_; }
  Layer* currentLayer() const { return current_; }
  void SetCurrentLayer(Layer* layer) { current_ = layer; }
  Layer* FindLayer(const std::string& name) const;
  // The layer behind a handle, or null.
  Layer* LayerFrom(host::LayerHandle handle) const;

  // ---- Art ----
  // The live art behind a handle, or null.
  Art* ArtFrom(host::ArtHandle handle) const;
  // A new art object that belongs nowhere yet.
  Art* Create(std::int32_t type);
  // Puts a loose art object into the tree by PaintOrder relative to `prep`.
  host::Err Insert(Art* art, std::int32_t paintOrder, Art* prep);
  // Takes the art out of its container (it stays alive).
  void Detach(Art* art);
  // The host's NewArt: a new art of `type` placed by `paintOrder`.
  host::Err NewArt(std::int32_t type, std::int32_t paintOrder, Art* prep, Art** result);
  host::Err Duplicate(Art* art, std::int32_t paintOrder, Art* prep, Art** result);
  // Removes the art with its children (they die; undo may revive them).
  void Dispose(Art* art);
  // A deep copy that belongs nowhere.
  Art* Copy(const Art* source);
  // The layer an art lies in, or null for art outside every layer.
  Layer* LayerOf(const Art* art) const;
  // Art may change when it lies outside every layer or in a visible, unlocked one.
  bool Editable(const Art* art) const;
  Art* FindById(const std::string& id) const;
  // Every live art, in creation order.
  std::vector<Art*> LiveArt() const;
  // Moves the art of `from`'s layers (topmost first) onto the top of `into`, as a change of
  // the step in progress. The paint resources of `from` stand, in order, for this
  // document's own of the same kind; those beyond them move over with the art (and so does
  // the art of such patterns), and undoing the step takes them away again (redoing brings
  // them back; meanwhile their handles are refused). `from` is to be thrown away
  // afterwards. False, with nothing changed, when `into` is not a layer of this document
  // or `from` holds fewer resources of a kind than this document.
  bool TakeArt(Document& from, Layer* into);

  // Selects or deselects the art and everything inside it.
  void Select(Art* art, bool selected);
  void DeselectAll();
  // The art the art's appearance draws as: the art itself, or a generated group.
  Art* StyledArtOf(Art* art);
  // Rebuilds a plug-in art's result art from its edit art.
  void UpdateResultArt(Art* pluginArt);

  // ---- Paint resources ----
  Gradient* NewGradient();
  Gradient* GradientFrom(host::GradientHandle handle) const;
  Pattern* NewPattern();
  Pattern* PatternFrom(host::PatternHandle handle) const;
  CustomColor* NewCustomColor();
  CustomColor* CustomColorFrom(host::CustomColorHandle handle) const;
  PluginGroup* NewPluginGroup(const std::string& name);
  PluginGroup* PluginGroupFrom(host::PluginGroupHandle handle) const;
  const std::vector<std::unique_ptr<Gradient>>& gradients() const { return gradients_; }
  const std::vector<std::unique_ptr<Pattern>>& patterns() const { return patterns_; }
  const std::vector<std::unique_ptr<CustomColor>>& customColors() const { return customColors_; }
  const std::vector<std::unique_ptr<PluginGroup>>& pluginGroups() const { return pluginGroups_; }
  // A colour (or every colour of a style) names only resources of this document.
  bool ValidColor(const host::Color& color) const;
  bool ValidStyle(const host::PathStyle& style) const;

  // ---- Coordinates ----
  // The hard image of the artwork point (0, 0).
  host::RealPoint hardOrigin() const { return hardOrigin_; }
  void SetHardOrigin(host::RealPoint origin) { hardOrigin_ = origin; }
  host::RealPoint Harden(host::RealPoint p) const;
  host::RealPoint Soften(host::RealPoint p) const;
  // The previous path-style generation's form of a gradient matrix, and back.
  host::RealMatrix ToGeneration4(const host::RealMatrix& m) const;
  host::RealMatrix FromGeneration4(const host::RealMatrix& m) const;
  // Converts every gradient matrix of a style between the generations.
  void StyleToGeneration4(host::PathStyle* style) const;
  void StyleFromGeneration4(host::PathStyle* style) const;

  // Ruler units (RulerUnits).
  std::int32_t rulerUnits() const { return rulerUnits_; }
  void SetRulerUnits(std::int32_t units) { rulerUnits_ = units; }

  // ---- Views (0 the frontmost) ----
  const std::vector<std::unique_ptr<View>>& views() const { return views_; }
  View* ViewFrom(host::DocumentViewHandle handle) const;

  // ---- Interned handles ----
  MeshVertexRef* VertexRef(Art* art, std::int32_t i, std::int32_t j);
  MeshVertexRef* VertexFrom(host::MeshVertexHandle handle) const;
  MeshSegmentRef* SegmentRef(Art* art, std::int32_t i, std::int32_t j, std::int32_t direction);
  MeshSegmentRef* SegmentFrom(host::MeshSegmentHandle handle) const;
  TextStream* NewTextStream();
  TextStream* StreamFrom(host::TextStreamHandle handle) const;
  // A text path's handle is its path art.
  Art* TextPathFrom(host::TextPathHandle handle) const;

  // ---- Undo ----
  // Every change of art or layers calls this first; the first change of a step keeps the
  // state before it.
  void Changing();
  // Closes the step in progress (kept when it changed anything) and starts a new one.
  void BeginUndoStep();
  void SetUndoTexts(std::string undo, std::string redo);
  // Undoes the last step (closing the one in progress first); false when none.
  bool Undo();
  bool Redo();
  // Texts of the step Undo and Redo would act on (empty when none).
  std::string undoText() const;
  std::string redoText() const;
  std::size_t undoDepth() const;
  // Forgets every step (after a scene is loaded).
  void ClearUndo();

 private:
  struct Snapshot {
    std::vector<std::pair<Art*, Art>> arts;
    std::vector<std::pair<Layer*, Layer>> layerStates;
    std::vector<Layer*> order;
    Layer* current = nullptr;
    std::size_t artCount = 0;
  };
  // Paint resources a step brought in from another document, in the order they were added.
  struct Paint {
    std::vector<Gradient*> gradients;
    std::vector<Pattern*> patterns;
    std::vector<CustomColor*> customColors;
    std::vector<PluginGroup*> pluginGroups;
  };
  struct Step {
    std::shared_ptr<Snapshot> before;
    std::shared_ptr<Snapshot> after;
    std::string undoText;
    std::string redoText;
    Paint paint;
  };
  // Where art of `type` would go; `art` (may be null) must not end up inside itself.
  host::Err CheckInsert(const Art* art, std::int32_t type, std::int32_t paintOrder, Art* prep,
                        Art** container) const;
  std::shared_ptr<Snapshot> Capture() const;
  void Restore(const Snapshot& snapshot);
  // Takes the step's paint out of the document's lists, or puts it back.
  void Withdraw(const Paint& paint);
  void Reinstate(const Paint& paint);
  void Kill(Art* art);
  Art* CopyInto(const Art* source, Art* parent);

  std::vector<std::unique_ptr<Art>> arts_;
  std::set<const void*> artSet_;
  std::vector<std::unique_ptr<Layer>> allLayers_;
  std::vector<Layer*> layers_;
  Layer* current_ = nullptr;

  std::vector<std::unique_ptr<Gradient>> gradients_;
  std::vector<std::unique_ptr<Pattern>> patterns_;
  std::vector<std::unique_ptr<CustomColor>> customColors_;
  std::vector<std::unique_ptr<PluginGroup>> pluginGroups_;
  // Resources taken away by undoing the step that brought them in (redo brings them back).
  std::vector<std::unique_ptr<Gradient>> undoneGradients_;
  std::vector<std::unique_ptr<Pattern>> undonePatterns_;
  std::vector<std::unique_ptr<CustomColor>> undoneCustomColors_;
  std::vector<std::unique_ptr<PluginGroup>> undonePluginGroups_;
  std::vector<std::unique_ptr<View>> views_;

  std::deque<MeshVertexRef> vertexRefs_;
  std::deque<MeshSegmentRef> segmentRefs_;
  std::map<std::tuple<Art*, std::int32_t, std::int32_t>, MeshVertexRef*> vertexIndex_;
  std::map<std::tuple<Art*, std::int32_t, std::int32_t, std::int32_t>, MeshSegmentRef*>
      segmentIndex_;
  std::deque<TextStream> streams_;

  host::RealPoint hardOrigin_{306.0f, 396.0f};
  std::int32_t rulerUnits_ = host::kPointUnits;

  std::shared_ptr<Snapshot> stepBefore_;
  std::string stepUndo_;
  std::string stepRedo_;
  Paint stepPaint_;
  std::vector<Step> undo_;
  std::vector<Step> redo_;
};

// ---- Geometry shared by the suites and the renderer ----

// Exact bounds of a path's curves (Bézier extrema), top ≥ bottom; false without segments.
bool CurveBounds(const std::vector<host::PathSegment>& segments, bool closed,
                 host::RealRect* bounds);
// The art's bounds as drawn: curves grown by half the stroke width when stroked; groups
// the union of their children (a clipping group its clipping paths); text its glyph
// boxes; rasters and placed art their transformed extent; meshes their points and
// control points. False when the art covers nothing.
bool ArtBounds(Document& document, Art* art, host::RealRect* bounds);
void UnionRect(host::RealRect* into, const host::RealRect& r, bool* any);
// Applies `m` to a point (row vector times matrix).
host::RealPoint Transform(const host::RealMatrix& m, host::RealPoint p);
// a then b.
host::RealMatrix Concat(const host::RealMatrix& a, const host::RealMatrix& b);
// Applies `m` to the art's geometry (and, with the flags, its gradients and patterns).
void TransformArtGeometry(Art* art, const host::RealMatrix& m, host::Real lineScale,
                          std::int32_t flags);

}  // namespace hostsim
