// The stand-in host's document: layers, the art tree (hostsim/core/art.h), the document's
// paint resources (gradients, patterns, custom colours), plug-in groups, views, the
// hard/soft coordinate offset and the undo history.
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
#include <unordered_set>
#include <vector>

#include "host/art_types.h"
#include "hostsim/core/art.h"
#include "hostsim/core/text_metrics.h"

namespace hostsim {

class Document {
 public:
  // A document with one layer, "Layer 1", which is current, measuring text with `metrics`
  // (none: no font is known and text has no bounds).
  explicit Document(const TextMetrics* metrics = StandInTextMetrics());
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
  // The same for a change of `art` alone (its members, its list of children): the step
  // keeps that art's earlier state only, not every art's. Null starts the step and keeps
  // nothing (art made afresh needs nothing kept).
  void Changing(Art* art);
  // Changing(art) for the art and all it holds: its children, a plug-in art's edit and
  // result art, its styled art, and theirs.
  void ChangingTree(Art* art);
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
  // Names the state the undo history stands at: equal numbers mean the same state (a
  // change, or a step undone or redone, moves it; numbers are never reused, not even by
  // another document).
  std::uint64_t editState() const;
  // Moves on with every change of art, layers or paint, and with undo and redo; a picture
  // of the document drawn at one revision holds while it stays (never reused either).
  std::uint64_t revision() const { return revision_; }
  // A change the undo history does not hold (a layer hidden or locked by the user): the
  // revision moves, and so does unrecordedChanges().
  void ChangedOutsideHistory();
  std::uint64_t unrecordedChanges() const { return unrecorded_; }

  const TextMetrics* textMetrics() const { return metrics_; }

 private:
  const TextMetrics* metrics_;
  // An art made during a step, as the step ended: all redo gives back. Undo only marks it
  // dead and out of its container (and nothing changes a dead art), so the rest of it
  // still holds what the step left.
  struct Born {
    Art* art;
    Art* parent;
    std::vector<Art*> children;
    std::int32_t attributes;
    bool alive;
  };
  // The document as a step found or left it. The state before the step in progress holds
  // every art there was; a closed step keeps only the arts it changed, and the arts it
  // made (after it) as `born`.
  struct Snapshot {
    std::vector<std::pair<Art*, Art>> arts;
    std::vector<Born> born;
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
    std::uint64_t state = 0;
  };
  // Where art of `type` would go; `art` (may be null) must not end up inside itself.
  host::Err CheckInsert(const Art* art, std::int32_t type, std::int32_t paintOrder, Art* prep,
                        Art** container) const;
  std::shared_ptr<Snapshot> Capture() const;
  void CaptureLayers(Snapshot* snapshot) const;
  // Closes the step in progress: the two states of the arts it changed and the arts it made.
  void CloseStep(std::shared_ptr<Snapshot>* before, std::shared_ptr<Snapshot>* after);
  void Restore(const Snapshot& snapshot);
  // Takes the step's paint out of the document's lists, or puts it back.
  void Withdraw(const Paint& paint);
  void Reinstate(const Paint& paint);
  void Kill(Art* art);
  Art* CopyInto(const Art* source, Art* parent);

  std::vector<std::unique_ptr<Art>> arts_;
  // Every art this document owns, dead or alive, for telling handles apart quickly.
  std::unordered_set<const void*> artSet_;
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

  std::uint64_t revision_;
  std::uint64_t cleared_;
  std::uint64_t unrecorded_ = 0;
  std::uint64_t stepState_ = 0;
  std::shared_ptr<Snapshot> stepBefore_;
  // Whether the step in progress keeps every art's earlier state, or those of stepKept_.
  bool stepWhole_ = false;
  std::unordered_set<const Art*> stepKept_;
  std::string stepUndo_;
  std::string stepRedo_;
  Paint stepPaint_;
  std::vector<Step> undo_;
  std::vector<Step> redo_;
};

// A number never handed out before in this process (revisions and undo states).
std::uint64_t NextDocumentSerial();

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
