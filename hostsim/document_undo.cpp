// The document's undo steps: snapshots of its art and layers, undo and redo.
#include "hostsim/document.h"

#include <memory>
#include <string>
#include <utility>

namespace hostsim {

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
  if (!stepBefore_) stepBefore_ = Capture();
}

void Document::BeginUndoStep() {
  if (stepBefore_) {
    undo_.push_back({stepBefore_, Capture(), stepUndo_, stepRedo_});
    redo_.clear();
  }
  stepBefore_.reset();
  stepUndo_.clear();
  stepRedo_.clear();
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
  redo_.push_back(std::move(step));
  return true;
}

bool Document::Redo() {
  if (redo_.empty()) return false;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  Restore(*step.after);
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

void Document::ClearUndo() {
  stepBefore_.reset();
  stepUndo_.clear();
  stepRedo_.clear();
  undo_.clear();
  redo_.clear();
}

}  // namespace hostsim
