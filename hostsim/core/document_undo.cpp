// The document's undo steps: snapshots of its art and layers, undo and redo.
#include "hostsim/core/document.h"

#include <algorithm>
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

}  // namespace

std::uint64_t NextDocumentSerial() {
  static std::uint64_t serial = 0;
  return ++serial;
}

// ---- Undo ----

std::shared_ptr<Document::Snapshot> Document::Capture() const {
  auto s = std::make_shared<Snapshot>();
  s->arts.reserve(arts_.size());
  for (const auto& art : arts_)
    s->arts.emplace_back(art.get(), *art);
  for (const auto& layer : allLayers_)
    s->layerStates.emplace_back(layer.get(), *layer);
  s->order = layers_;
  s->current = current_;
  s->artCount = arts_.size();
  return s;
}

void Document::Restore(const Snapshot& s) {
  for (const auto& [art, state] : s.arts)
    *art = state;
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
  }
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
    undo_.push_back(
        {stepBefore_, Capture(), stepUndo_, stepRedo_, std::move(stepPaint_), stepState_});
    redo_.clear();
  }
  stepBefore_.reset();
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
