// The document: layers, the art tree, selection, paint resources and the handles of suites.
#include "hostsim/core/document.h"

#include <algorithm>
#include <cstring>

namespace hostsim {
// ---- Document ----

Document::Document(const TextMetrics* metrics)
    : metrics_(metrics), revision_(NextDocumentSerial()), cleared_(NextDocumentSerial()) {
  current_ = NewLayer("Layer 1");
  views_.push_back(std::make_unique<View>());
}

Document::~Document() = default;

Layer* Document::NewLayer(const std::string& name, int index) {
  allLayers_.push_back(std::make_unique<Layer>());
  Layer* layer = allLayers_.back().get();
  layer->name = name;
  layer->group = Create(host::kGroupArt);
  layer->group->layer = layer;
  if (index < 0 || static_cast<std::size_t>(index) > layers_.size())
    layers_.push_back(layer);
  else
    layers_.insert(layers_.begin() + index, layer);
  if (!current_) current_ = layer;
  return layer;
}

void Document::RemoveLayers() {
  for (Layer* layer : layers_)
    Kill(layer->group);
  layers_.clear();
  current_ = nullptr;
}

Layer* Document::FindLayer(const std::string& name) const {
  for (Layer* layer : layers_)
    if (layer->name == name) return layer;
  return nullptr;
}

Layer* Document::LayerFrom(host::LayerHandle handle) const {
  for (Layer* layer : layers_)
    if (layer->handle() == handle) return layer;
  return nullptr;
}

Art* Document::ArtFrom(host::ArtHandle handle) const {
  if (!handle || !artSet_.count(handle)) return nullptr;
  Art* art = reinterpret_cast<Art*>(handle);
  return art->alive ? art : nullptr;
}

Art* Document::Create(std::int32_t type) {
  arts_.push_back(std::make_unique<Art>());
  Art* art = arts_.back().get();
  artSet_.insert(art);
  art->type = type;
  art->style = DefaultPathStyle();
  if (type == host::kTextArt) {
    // A new text has one text path: an empty path at the page origin.
    Art* path = Create(host::kPathArt);
    path->parent = art;
    art->children.push_back(path);
  }
  return art;
}

Layer* Document::LayerOf(const Art* art) const {
  while (art && art->parent)
    art = art->parent;
  return art ? art->layer : nullptr;
}

bool Document::Editable(const Art* art) const {
  const Layer* layer = LayerOf(art);
  return !layer || (layer->visible && layer->editable);
}

host::Err Document::CheckInsert(const Art* art, std::int32_t type, std::int32_t paintOrder,
                                Art* prep, Art** containerOut) const {
  Art* container = nullptr;
  switch (paintOrder) {
    case host::kPlaceAboveAll:
      if (!current_) return host::kNotFoundErr;
      container = current_->group;
      break;
    case host::kPlaceInsideOnTop:
    case host::kPlaceInsideOnBottom:
      if (!prep || !(prep->IsContainer() || prep->type == host::kTextArt))
        return host::kBadParameterErr;
      container = prep;
      break;
    case host::kPlaceAbove:
    case host::kPlaceBelow:
      if (!prep || !prep->parent) return host::kBadParameterErr;
      container = prep->parent;
      break;
    default:
      return host::kBadParameterErr;
  }
  if ((container->type == host::kCompoundPathArt || container->type == host::kTextArt) &&
      type != host::kPathArt)
    return host::kBadParameterErr;
  for (const Art* a = container; a; a = a->parent)
    if (a == art) return host::kBadParameterErr;  // into its own subtree
  if (!Editable(container)) return host::kLockedLayerErr;
  *containerOut = container;
  return host::kNoErr;
}

host::Err Document::Insert(Art* art, std::int32_t paintOrder, Art* prep) {
  if (!art || art->layer) return host::kBadParameterErr;
  Art* container = nullptr;
  if (host::Err e = CheckInsert(art, art->type, paintOrder, prep, &container)) return e;
  Changing(art);
  Changing(art->parent);
  Changing(container);
  Detach(art);
  std::vector<Art*>& list = container->children;
  std::size_t position = 0;
  switch (paintOrder) {
    case host::kPlaceInsideOnBottom:
      position = list.size();
      break;
    case host::kPlaceAbove:
    case host::kPlaceBelow:
      position = static_cast<std::size_t>(std::find(list.begin(), list.end(), prep) - list.begin());
      if (paintOrder == host::kPlaceBelow) ++position;
      break;
    default:
      break;
  }
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(position, list.size())), art);
  art->parent = container;
  return host::kNoErr;
}

void Document::Detach(Art* art) {
  if (!art || !art->parent) return;
  Changing(art);
  Changing(art->parent);
  std::vector<Art*>& list = art->parent->children;
  list.erase(std::remove(list.begin(), list.end(), art), list.end());
  art->parent = nullptr;
}

host::Err Document::NewArt(std::int32_t type, std::int32_t paintOrder, Art* prep, Art** result) {
  switch (type) {
    case host::kGroupArt:
    case host::kPathArt:
    case host::kCompoundPathArt:
    case host::kTextArt:
    case host::kPlacedArt:
    case host::kRasterArt:
    case host::kPluginArt:
    case host::kMeshArt:
      break;
    default:
      return host::kBadParameterErr;
  }
  // Checked before the art exists, so that the step's earlier state does not hold it.
  Art* container = nullptr;
  if (host::Err e = CheckInsert(nullptr, type, paintOrder, prep, &container)) return e;
  Changing(nullptr);
  Art* art = Create(type);
  if (host::Err e = Insert(art, paintOrder, prep)) {
    Kill(art);
    return e;
  }
  *result = art;
  return host::kNoErr;
}

host::Err Document::Duplicate(Art* art, std::int32_t paintOrder, Art* prep, Art** result) {
  if (!art || art->layer) return host::kBadParameterErr;
  Art* container = nullptr;
  if (host::Err e = CheckInsert(nullptr, art->type, paintOrder, prep, &container)) return e;
  Changing(nullptr);
  Art* copy = Copy(art);
  if (host::Err e = Insert(copy, paintOrder, prep)) {
    Kill(copy);
    return e;
  }
  *result = copy;
  return host::kNoErr;
}

void Document::Kill(Art* art) {
  art->alive = false;
  for (Art* child : art->children)
    Kill(child);
  if (art->plugin.editArt) Kill(art->plugin.editArt);
  if (art->plugin.resultArt) Kill(art->plugin.resultArt);
  if (art->styledArt) Kill(art->styledArt);
}

void Document::ChangingTree(Art* art) {
  Changing(art);
  for (Art* child : art->children)
    ChangingTree(child);
  if (art->plugin.editArt) ChangingTree(art->plugin.editArt);
  if (art->plugin.resultArt) ChangingTree(art->plugin.resultArt);
  if (art->styledArt) ChangingTree(art->styledArt);
}

void Document::Dispose(Art* art) {
  if (!art || art->layer) return;
  Changing(art->parent);
  ChangingTree(art);
  Detach(art);
  Kill(art);
}

Art* Document::CopyInto(const Art* source, Art* parent) {
  arts_.push_back(std::make_unique<Art>(*source));
  Art* copy = arts_.back().get();
  artSet_.insert(copy);
  copy->parent = parent;
  copy->layer = nullptr;
  copy->alive = true;
  copy->styledArt = nullptr;
  copy->id.clear();
  for (Art*& child : copy->children)
    child = CopyInto(child, copy);
  if (copy->plugin.editArt) copy->plugin.editArt = CopyInto(copy->plugin.editArt, nullptr);
  if (copy->plugin.resultArt) copy->plugin.resultArt = CopyInto(copy->plugin.resultArt, nullptr);
  return copy;
}

Art* Document::Copy(const Art* source) {
  return CopyInto(source, nullptr);
}

Art* Document::FindById(const std::string& id) const {
  if (id.empty()) return nullptr;
  for (const auto& art : arts_)
    if (art->alive && art->id == id) return art.get();
  return nullptr;
}

std::vector<Art*> Document::LiveArt() const {
  std::vector<Art*> live;
  for (const auto& art : arts_)
    if (art->alive) live.push_back(art.get());
  return live;
}

void Document::Select(Art* art, bool selected) {
  if (!art) return;
  if (selected)
    art->attributes |= host::kArtSelected;
  else
    art->attributes &= ~host::kArtSelected;
  for (Art* child : art->children)
    Select(child, selected);
}

void Document::DeselectAll() {
  for (const auto& art : arts_)
    art->attributes &= ~host::kArtSelected;
}

Art* Document::StyledArtOf(Art* art) {
  if (!art->effect.shadow) return art;
  if (!art->styledArt) {
    art->styledArt = Create(host::kGroupArt);
  } else {
    for (Art* child : art->styledArt->children)
      Kill(child);
    art->styledArt->children.clear();
  }
  Art* group = art->styledArt;
  group->alive = true;
  group->attributes = art->attributes;

  Art* body = Copy(art);
  body->effect = Effect{};
  Art* shadow = Copy(body);
  const host::RealMatrix move{1, 0, 0, 1, art->effect.offset.h, art->effect.offset.v};
  TransformArtGeometry(shadow, move, 1.0f, host::kTransformObjects);
  // The shadow keeps the art's shape, painted in the effect's colour.
  std::vector<Art*> todo{shadow};
  while (!todo.empty()) {
    Art* a = todo.back();
    todo.pop_back();
    if (a->style.fillPaint) a->style.fill.color = art->effect.color;
    if (a->style.strokePaint) a->style.stroke.color = art->effect.color;
    for (Art* child : a->children)
      todo.push_back(child);
  }
  group->children = {body, shadow};
  body->parent = shadow->parent = group;
  return group;
}

void Document::UpdateResultArt(Art* pluginArt) {
  if (pluginArt->plugin.resultArt) Kill(pluginArt->plugin.resultArt);
  pluginArt->plugin.resultArt = nullptr;
  if (pluginArt->plugin.editArt) pluginArt->plugin.resultArt = Copy(pluginArt->plugin.editArt);
}

}  // namespace hostsim
