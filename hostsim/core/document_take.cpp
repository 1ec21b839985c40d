// Art moved over from another document (a file dropped onto the document window), with
// the paint resources it needs.
#include <algorithm>
#include <map>
#include <set>

#include "hostsim/core/document.h"

namespace hostsim {
namespace {

// Handles of `from`'s resources that stand for this document's own: the first ones of
// each list, in order.
using HandleMap = std::map<const void*, void*>;

template <class T>
void Pair(const std::vector<std::unique_ptr<T>>& from, const std::vector<std::unique_ptr<T>>& to,
          HandleMap* map) {
  for (std::size_t i = 0; i < to.size(); ++i)
    (*map)[from[i].get()] = to[i].get();
}

// Moves the resources of `from` beyond the first `keep` to the end of `to`, and notes them
// in `moved`.
template <class T>
void MoveTail(std::vector<std::unique_ptr<T>>& from, std::size_t keep,
              std::vector<std::unique_ptr<T>>& to, std::vector<T*>* moved) {
  for (std::size_t i = keep; i < from.size(); ++i) {
    moved->push_back(from[i].get());
    to.push_back(std::move(from[i]));
  }
  from.resize(keep);
}

template <class H>
void Follow(const HandleMap& map, H* handle) {
  if (auto it = map.find(*handle); it != map.end()) *handle = static_cast<H>(it->second);
}

void FollowColor(const HandleMap& map, host::Color* c) {
  switch (c->kind) {
    case host::kPatternColor:
      Follow(map, &c->c.pattern.pattern);
      break;
    case host::kGradientColor:
      Follow(map, &c->c.gradient.gradient);
      break;
    case host::kCustomColor:
      Follow(map, &c->c.custom.color);
      break;
    default:
      break;
  }
}

void FollowStyle(const HandleMap& map, host::PathStyle* s) {
  FollowColor(map, &s->fill.color);
  FollowColor(map, &s->stroke.color);
}

// `art` and everything it owns: children, plug-in edit and result art, styled art.
void Reach(Art* art, std::set<Art*>* seen) {
  if (!art || !seen->insert(art).second) return;
  for (Art* child : art->children)
    Reach(child, seen);
  Reach(art->plugin.editArt, seen);
  Reach(art->plugin.resultArt, seen);
  Reach(art->styledArt, seen);
}

}  // namespace

bool Document::TakeArt(Document& from, Layer* into) {
  if (!into || std::find(layers_.begin(), layers_.end(), into) == layers_.end()) return false;
  if (from.gradients_.size() < gradients_.size() || from.patterns_.size() < patterns_.size() ||
      from.customColors_.size() < customColors_.size() ||
      from.pluginGroups_.size() < pluginGroups_.size())
    return false;
  Changing();
  from.revision_ = NextDocumentSerial();

  // The art that moves: what the layers hold, and the art of the patterns that move.
  std::set<Art*> moving;
  std::vector<Art*> top;
  for (Layer* layer : from.layers_)
    for (Art* art : layer->group->children) {
      top.push_back(art);
      Reach(art, &moving);
    }
  for (std::size_t i = patterns_.size(); i < from.patterns_.size(); ++i)
    Reach(from.patterns_[i]->art, &moving);

  HandleMap map;
  Pair(from.gradients_, gradients_, &map);
  Pair(from.patterns_, patterns_, &map);
  Pair(from.customColors_, customColors_, &map);
  Pair(from.pluginGroups_, pluginGroups_, &map);
  const std::size_t firstGradient = gradients_.size();
  MoveTail(from.gradients_, gradients_.size(), gradients_, &stepPaint_.gradients);
  MoveTail(from.patterns_, patterns_.size(), patterns_, &stepPaint_.patterns);
  MoveTail(from.customColors_, customColors_.size(), customColors_, &stepPaint_.customColors);
  MoveTail(from.pluginGroups_, pluginGroups_.size(), pluginGroups_, &stepPaint_.pluginGroups);
  for (std::size_t i = firstGradient; i < gradients_.size(); ++i)
    for (host::GradientStop& stop : gradients_[i]->stops)
      FollowColor(map, &stop.color);

  // Kept in creation order, which LiveArt and FindById go by.
  for (auto& owned : from.arts_) {
    Art* art = owned.get();
    if (!moving.count(art)) continue;
    from.artSet_.erase(art);
    artSet_.insert(art);
    arts_.push_back(std::move(owned));
    FollowStyle(map, &art->style);
    FollowColor(map, &art->effect.color);
    for (TextAttributes& set : art->text.sets)
      FollowStyle(map, &set.paint);
    for (MeshVertex& node : art->mesh.nodes)
      FollowColor(map, &node.color);
    Follow(map, &art->plugin.group);
  }
  from.arts_.erase(std::remove(from.arts_.begin(), from.arts_.end(), nullptr), from.arts_.end());

  for (Layer* layer : from.layers_)
    layer->group->children.clear();
  for (Art* art : top)
    art->parent = into->group;
  std::vector<Art*>& list = into->group->children;
  list.insert(list.begin(), top.begin(), top.end());
  return true;
}

}  // namespace hostsim
