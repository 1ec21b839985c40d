// The document's undo steps: snapshots of its art and layers, undo and redo.
#include "hostsim/core/document.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace hostsim {
namespace {

// Moves the resources `which` from the list `from` to the end of `to`, in that order.
template <class T>
void MoveOver(const std::vector<T*>& which, std::vector<std::unique_ptr<T>>& from,
              std::vector<std::unique_ptr<T>>& to) {
  for (T* r : which) {
    auto it = std::find_if(from.begin(), from.end(), [r](const auto& p) { return p.get() == r; });
    if (it == from.end()) continue;
    to.push_back(std::move(*it));
    from.erase(it);
  }
}

// Whether two states of an art are alike in everything undo puts back (the sibling hint,
// which is checked before it is used, aside). Records are compared byte for byte: bytes
// that differ only in padding keep a state that was not needed, never lose a change.
template <class T>
bool SameBytes(const T& a, const T& b) {
  return std::memcmp(static_cast<const void*>(&a), static_cast<const void*>(&b), sizeof a) == 0;
}

template <class T>
bool SameElements(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(static_cast<const void*>(a.data()),
                                   static_cast<const void*>(b.data()), a.size() * sizeof(T)) == 0);
}

bool SameState(const Art& a, const Art& b) {
  return a.type == b.type && a.attributes == b.attributes && a.id == b.id && a.parent == b.parent &&
         a.layer == b.layer && a.children == b.children && SameBytes(a.blend, b.blend) &&
         SameBytes(a.style, b.style) && SameElements(a.segments, b.segments) &&
         a.closed == b.closed && a.guide == b.guide && a.clipped == b.clipped &&
         SameBytes(a.effect, b.effect) && SameBytes(a.textPathMatrix, b.textPathMatrix) &&
         a.textPathAttribute == b.textPathAttribute && SameBytes(a.placedBounds, b.placedBounds) &&
         a.text.type == b.text.type && a.text.bytes == b.text.bytes &&
         a.text.attributeOf == b.text.attributeOf && SameElements(a.text.sets, b.text.sets) &&
         SameBytes(a.raster.info, b.raster.info) && SameBytes(a.raster.matrix, b.raster.matrix) &&
         SameBytes(a.raster.boundingBox, b.raster.boundingBox) &&
         a.raster.pixels == b.raster.pixels && a.mesh.kind == b.mesh.kind && a.mesh.i == b.mesh.i &&
         a.mesh.j == b.mesh.j && SameElements(a.mesh.nodes, b.mesh.nodes) &&
         SameElements(a.mesh.iEdges, b.mesh.iEdges) && SameElements(a.mesh.jEdges, b.mesh.jEdges) &&
         a.plugin.group == b.plugin.group && a.plugin.editArt == b.plugin.editArt &&
         a.plugin.resultArt == b.plugin.resultArt && a.plugin.major == b.plugin.major &&
         a.plugin.minor == b.plugin.minor && a.plugin.data == b.plugin.data &&
         a.styledArt == b.styledArt && a.alive == b.alive;
}

}  // namespace

std::uint64_t NextDocumentSerial() {
  static std::uint64_t serial = 0;
  return ++serial;
}

// ---- Undo ----

void Document::CaptureLayers(Snapshot* s) const {
  for (const auto& layer : allLayers_)
    s->layerStates.emplace_back(layer.get(), *layer);
  s->order = layers_;
  s->current = current_;
  s->artCount = arts_.size();
}

std::shared_ptr<Document::Snapshot> Document::Capture() const {
  auto s = std::make_shared<Snapshot>();
  s->arts.reserve(arts_.size());
  for (const auto& art : arts_)
    s->arts.emplace_back(art.get(), *art);
  CaptureLayers(s.get());
  return s;
}

void Document::CloseStep(std::shared_ptr<Snapshot>* beforeOut,
                         std::shared_ptr<Snapshot>* afterOut) {
  Snapshot& whole = *stepBefore_;
  auto before = std::make_shared<Snapshot>();
  auto after = std::make_shared<Snapshot>();
  for (auto& [art, state] : whole.arts) {
    if (SameState(state, *art)) continue;
    after->arts.emplace_back(art, *art);
    before->arts.emplace_back(art, std::move(state));
  }
  for (std::size_t i = whole.artCount; i < arts_.size(); ++i) {
    Art* art = arts_[i].get();
    after->born.push_back({art, art->parent, art->children, art->attributes, art->alive});
  }
  before->layerStates = std::move(whole.layerStates);
  before->order = std::move(whole.order);
  before->current = whole.current;
  before->artCount = whole.artCount;
  CaptureLayers(after.get());
  *beforeOut = std::move(before);
  *afterOut = std::move(after);
}

void Document::Restore(const Snapshot& s) {
  for (const auto& [art, state] : s.arts)
    *art = state;
  for (const Born& b : s.born) {
    b.art->parent = b.parent;
    b.art->children = b.children;
    b.art->attributes = b.attributes;
    b.art->alive = b.alive;
  }
  for (std::size_t i = s.artCount; i < arts_.size(); ++i) {
    arts_[i]->alive = false;
    arts_[i]->parent = nullptr;
  }
  for (const auto& [layer, state] : s.layerStates)
    *layer = state;
  layers_ = s.order;
  current_ = s.current;
}

void Document::Changing() {
  revision_ = NextDocumentSerial();
  if (!stepBefore_) {
    stepBefore_ = Capture();
    stepState_ = NextDocumentSerial();
  } else if (!stepWhole_) {
    // Art not kept so far has not changed in this step: its state now is its earlier one.
    for (std::size_t i = 0; i < stepBefore_->artCount; ++i)
      if (!stepKept_.count(arts_[i].get()))
        stepBefore_->arts.emplace_back(arts_[i].get(), *arts_[i]);
  }
  stepWhole_ = true;
  stepKept_.clear();
}

void Document::Changing(Art* art) {
  revision_ = NextDocumentSerial();
  if (!stepBefore_) {
    stepBefore_ = std::make_shared<Snapshot>();
    CaptureLayers(stepBefore_.get());
    stepState_ = NextDocumentSerial();
    stepWhole_ = false;
    stepKept_.clear();
  }
  if (art && !stepWhole_ && stepKept_.insert(art).second) stepBefore_->arts.emplace_back(art, *art);
}

void Document::Withdraw(const Paint& paint) {
  MoveOver(paint.gradients, gradients_, undoneGradients_);
  MoveOver(paint.patterns, patterns_, undonePatterns_);
  MoveOver(paint.customColors, customColors_, undoneCustomColors_);
  MoveOver(paint.pluginGroups, pluginGroups_, undonePluginGroups_);
}

void Document::Reinstate(const Paint& paint) {
  MoveOver(paint.gradients, undoneGradients_, gradients_);
  MoveOver(paint.patterns, undonePatterns_, patterns_);
  MoveOver(paint.customColors, undoneCustomColors_, customColors_);
  MoveOver(paint.pluginGroups, undonePluginGroups_, pluginGroups_);
}

void Document::BeginUndoStep() {
  if (stepBefore_) {
    std::shared_ptr<Snapshot> before, after;
    CloseStep(&before, &after);
    undo_.push_back({std::move(before), std::move(after), stepUndo_, stepRedo_,
                     std::move(stepPaint_), stepState_});
    redo_.clear();
  }
  stepBefore_.reset();
  stepKept_.clear();
  stepUndo_.clear();
  stepRedo_.clear();
  stepPaint_ = {};
}

void Document::SetUndoTexts(std::string undo, std::string redo) {
  stepUndo_ = std::move(undo);
  stepRedo_ = std::move(redo);
}

bool Document::Undo() {
  BeginUndoStep();
  if (undo_.empty()) return false;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  Restore(*step.before);
  Withdraw(step.paint);
  revision_ = NextDocumentSerial();
  redo_.push_back(std::move(step));
  return true;
}

bool Document::Redo() {
  if (redo_.empty()) return false;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  Restore(*step.after);
  Reinstate(step.paint);
  revision_ = NextDocumentSerial();
  undo_.push_back(std::move(step));
  return true;
}

std::string Document::undoText() const {
  if (stepBefore_) return stepUndo_;
  return undo_.empty() ? std::string() : undo_.back().undoText;
}

std::string Document::redoText() const {
  return redo_.empty() ? std::string() : redo_.back().redoText;
}

std::size_t Document::undoDepth() const {
  return undo_.size() + (stepBefore_ ? 1 : 0);
}

void Document::ChangedOutsideHistory() {
  revision_ = NextDocumentSerial();
  ++unrecorded_;
}

std::uint64_t Document::editState() const {
  if (stepBefore_) return stepState_;
  return undo_.empty() ? cleared_ : undo_.back().state;
}

void Document::ClearUndo() {
  cleared_ = NextDocumentSerial();
  stepBefore_.reset();
  stepUndo_.clear();
  stepRedo_.clear();
  stepPaint_ = {};
  undo_.clear();
  redo_.clear();
}

}  // namespace hostsim
