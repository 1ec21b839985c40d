// "AI Layer Suite", "AI Art Suite", "AI Group Suite" and "AI Plugin Group Suite" over
// the open document.
#include <algorithm>
#include <cstring>

#include "hostsim/core/document_suites.h"
#include "hostsim/core/suite_impl.h"

namespace hostsim {
namespace {

using namespace impl;

// The largest private data a plug-in art may carry.
constexpr std::uint32_t kMaxPluginData = 16u << 20;

// ---- AI Layer Suite ----

host::Err VELM_HOSTCALL CountLayers(std::int32_t* count) {
  if (host::Err e = Check<host::LayerSuite>("CountLayers")) return e;
  if (!count) return host::kBadParameterErr;
  *count = Doc() ? static_cast<std::int32_t>(Doc()->layers().size()) : 0;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetNthLayer(std::int32_t index, host::LayerHandle* layer) {
  if (host::Err e = Check<host::LayerSuite>("GetNthLayer")) return e;
  if (!layer || !Doc() || index < 0 || static_cast<std::size_t>(index) >= Doc()->layers().size())
    return host::kBadParameterErr;
  *layer = Doc()->layers()[static_cast<std::size_t>(index)]->handle();
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetCurrentLayer(host::LayerHandle* layer) {
  if (host::Err e = Check<host::LayerSuite>("GetCurrentLayer")) return e;
  if (!layer) return host::kBadParameterErr;
  if (!Doc() || !Doc()->currentLayer()) return host::kNotFoundErr;
  *layer = Doc()->currentLayer()->handle();
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetLayerVisible(host::LayerHandle handle, host::Boolean* visible) {
  if (host::Err e = Check<host::LayerSuite>("GetLayerVisible")) return e;
  Layer* layer = Doc() ? Doc()->LayerFrom(handle) : nullptr;
  if (!layer || !visible) return host::kBadParameterErr;
  *visible = layer->visible;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetLayerEditable(host::LayerHandle handle, host::Boolean* editable) {
  if (host::Err e = Check<host::LayerSuite>("GetLayerEditable")) return e;
  Layer* layer = Doc() ? Doc()->LayerFrom(handle) : nullptr;
  if (!layer || !editable) return host::kBadParameterErr;
  *editable = layer->editable;
  return host::kNoErr;
}

// ---- AI Art Suite ----

host::Err VELM_HOSTCALL GetFirstArtOfLayer(host::LayerHandle handle, host::ArtHandle* art) {
  if (host::Err e = Check<host::ArtSuite>("GetFirstArtOfLayer")) return e;
  Layer* layer = Doc() ? Doc()->LayerFrom(handle) : nullptr;
  if (!layer || !art) return host::kBadParameterErr;
  *art = layer->group->handle();
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetArtType(host::ArtHandle handle, std::int32_t* type) {
  if (host::Err e = Check<host::ArtSuite>("GetArtType")) return e;
  Art* art = ArtOf(handle);
  if (!art || !type) return host::kBadParameterErr;
  *type = art->type;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetArtUserAttr(host::ArtHandle handle, std::int32_t which,
                                       std::int32_t* attributes) {
  if (host::Err e = Check<host::ArtSuite>("GetArtUserAttr")) return e;
  Art* art = ArtOf(handle);
  if (!art || !attributes) return host::kBadParameterErr;
  *attributes = art->attributes & which;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetArtFirstChild(host::ArtHandle handle, host::ArtHandle* child) {
  if (host::Err e = Check<host::ArtSuite>("GetArtFirstChild")) return e;
  Art* art = ArtOf(handle);
  if (!art || !child) return host::kBadParameterErr;
  *child = art->children.empty() ? nullptr : art->children.front()->handle();
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetArtSibling(host::ArtHandle handle, host::ArtHandle* sibling) {
  if (host::Err e = Check<host::ArtSuite>("GetArtSibling")) return e;
  Art* art = ArtOf(handle);
  if (!art || !sibling) return host::kBadParameterErr;
  *sibling = nullptr;
  if (art->parent) {
    const std::vector<Art*>& list = art->parent->children;
    std::size_t i = art->siblingHint;
    if (i >= list.size() || list[i] != art) {
      i = static_cast<std::size_t>(std::find(list.begin(), list.end(), art) - list.begin());
      art->siblingHint = i;
    }
    if (i + 1 < list.size()) {
      Art* next = list[i + 1];
      next->siblingHint = i + 1;
      *sibling = next->handle();
    }
  }
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetArtBounds(host::ArtHandle handle, host::RealRect* bounds) {
  if (host::Err e = Check<host::ArtSuite>("GetArtBounds")) return e;
  Art* art = ArtOf(handle);
  if (!art || !bounds) return host::kBadParameterErr;
  if (!ArtBounds(*Doc(), art, bounds)) *bounds = host::RealRect{0, 0, 0, 0};
  return host::kNoErr;
}

host::Err VELM_HOSTCALL NewArt(std::int32_t type, std::int32_t paintOrder,
                               host::ArtHandle prepHandle, host::ArtHandle* newArt) {
  if (host::Err e = Check<host::ArtSuite>("NewArt")) return e;
  if (!newArt || !Doc()) return host::kBadParameterErr;
  Art* prep = ArtOf(prepHandle);
  if (prepHandle && !prep) return host::kBadParameterErr;
  Art* art = nullptr;
  if (host::Err e = Doc()->NewArt(type, paintOrder, prep, &art)) return e;
  *newArt = art->handle();
  return host::kNoErr;
}

host::Err VELM_HOSTCALL DisposeArt(host::ArtHandle handle) {
  if (host::Err e = Check<host::ArtSuite>("DisposeArt")) return e;
  Art* art = ArtOf(handle);
  if (!art || art->layer) return host::kBadParameterErr;
  if (!Doc()->Editable(art)) return host::kLockedLayerErr;
  Doc()->Dispose(art);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL DuplicateArt(host::ArtHandle handle, std::int32_t paintOrder,
                                     host::ArtHandle prepHandle, host::ArtHandle* newArt) {
  if (host::Err e = Check<host::ArtSuite>("DuplicateArt")) return e;
  Art* art = ArtOf(handle);
  Art* prep = ArtOf(prepHandle);
  if (!art || !newArt || (prepHandle && !prep)) return host::kBadParameterErr;
  Art* copy = nullptr;
  if (host::Err e = Doc()->Duplicate(art, paintOrder, prep, &copy)) return e;
  *newArt = copy->handle();
  return host::kNoErr;
}

// ---- AI Group Suite ----

host::Err VELM_HOSTCALL GetGroupClipped(host::ArtHandle handle, host::Boolean* clipped) {
  if (host::Err e = Check<host::GroupSuite>("GetGroupClipped")) return e;
  Art* art = ArtOf(handle);
  if (!art || art->type != host::kGroupArt || !clipped) return host::kBadParameterErr;
  *clipped = art->clipped;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetGroupClipped(host::ArtHandle handle, host::Boolean clipped) {
  if (host::Err e = Check<host::GroupSuite>("SetGroupClipped")) return e;
  Art* art = ArtOf(handle);
  if (!art || art->type != host::kGroupArt) return host::kBadParameterErr;
  if (!Doc()->Editable(art)) return host::kLockedLayerErr;
  Doc()->Changing(art);
  art->clipped = clipped != 0;
  return host::kNoErr;
}

// ---- AI Plugin Group Suite ----

Art* PluginArtOf(host::ArtHandle handle) {
  Art* art = ArtOf(handle);
  return art && art->type == host::kPluginArt ? art : nullptr;
}

host::Err VELM_HOSTCALL GetPluginArtResultArt(host::ArtHandle handle, host::ArtHandle* resultArt) {
  if (host::Err e = Check<host::PluginGroupSuite>("GetPluginArtResultArt")) return e;
  Art* art = PluginArtOf(handle);
  if (!art || !resultArt) return host::kBadParameterErr;
  *resultArt = art->plugin.resultArt ? art->plugin.resultArt->handle() : nullptr;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL CountPluginGroups(std::int32_t* count) {
  if (host::Err e = Check<host::PluginGroupSuite>("CountPluginGroups")) return e;
  if (!count) return host::kBadParameterErr;
  *count = Doc() ? static_cast<std::int32_t>(Doc()->pluginGroups().size()) : 0;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetNthPluginGroup(std::int32_t index, host::PluginGroupHandle* group) {
  if (host::Err e = Check<host::PluginGroupSuite>("GetNthPluginGroup")) return e;
  if (!group || !Doc() || index < 0 ||
      static_cast<std::size_t>(index) >= Doc()->pluginGroups().size())
    return host::kBadParameterErr;
  *group = reinterpret_cast<host::PluginGroupHandle>(
      Doc()->pluginGroups()[static_cast<std::size_t>(index)].get());
  return host::kNoErr;
}

host::Err VELM_HOSTCALL GetPluginGroupName(host::PluginGroupHandle handle, const char** name) {
  if (host::Err e = Check<host::PluginGroupSuite>("GetPluginGroupName")) return e;
  PluginGroup* group = Doc() ? Doc()->PluginGroupFrom(handle) : nullptr;
  if (!group || !name) return host::kBadParameterErr;
  *name = group->name.c_str();
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetPluginArtEditArt(host::ArtHandle handle, host::ArtHandle editHandle) {
  if (host::Err e = Check<host::PluginGroupSuite>("SetPluginArtEditArt")) return e;
  Art* art = PluginArtOf(handle);
  Art* edit = ArtOf(editHandle);
  if (!art || !edit || edit == art || edit->layer || edit->type != host::kGroupArt)
    return host::kBadParameterErr;
  for (const Art* a = art; a; a = a->parent)
    if (a == edit) return host::kBadParameterErr;
  if (!Doc()->Editable(art) || !Doc()->Editable(edit)) return host::kLockedLayerErr;
  Doc()->Changing();
  Doc()->Detach(edit);
  if (art->plugin.editArt && art->plugin.editArt != edit) art->plugin.editArt->alive = false;
  art->plugin.editArt = edit;
  Doc()->UpdateResultArt(art);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetPluginArtPluginGroup(host::ArtHandle handle,
                                                host::PluginGroupHandle groupHandle) {
  if (host::Err e = Check<host::PluginGroupSuite>("SetPluginArtPluginGroup")) return e;
  Art* art = PluginArtOf(handle);
  PluginGroup* group = Doc() ? Doc()->PluginGroupFrom(groupHandle) : nullptr;
  if (!art || !group) return host::kBadParameterErr;
  if (!Doc()->Editable(art)) return host::kLockedLayerErr;
  Doc()->Changing(art);
  art->plugin.group = group;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetPluginArtVersion(host::ArtHandle handle, std::int32_t major,
                                            std::int32_t minor) {
  if (host::Err e = Check<host::PluginGroupSuite>("SetPluginArtVersion")) return e;
  Art* art = PluginArtOf(handle);
  if (!art) return host::kBadParameterErr;
  if (!Doc()->Editable(art)) return host::kLockedLayerErr;
  Doc()->Changing(art);
  art->plugin.major = major;
  art->plugin.minor = minor;
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetPluginArtDataCount(host::ArtHandle handle, std::uint32_t count) {
  if (host::Err e = Check<host::PluginGroupSuite>("SetPluginArtDataCount")) return e;
  Art* art = PluginArtOf(handle);
  if (!art) return host::kBadParameterErr;
  if (count > kMaxPluginData) return host::kOutOfMemoryErr;
  if (!Doc()->Editable(art)) return host::kLockedLayerErr;
  Doc()->Changing(art);
  art->plugin.data.resize(count, 0);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL SetPluginArtDataRange(host::ArtHandle handle, const void* data,
                                              std::uint32_t index, std::uint32_t count) {
  if (host::Err e = Check<host::PluginGroupSuite>("SetPluginArtDataRange")) return e;
  Art* art = PluginArtOf(handle);
  if (!art || (count > 0 && !data) ||
      static_cast<std::uint64_t>(index) + count > art->plugin.data.size())
    return host::kBadParameterErr;
  if (!Doc()->Editable(art)) return host::kLockedLayerErr;
  Doc()->Changing(art);
  if (count > 0) std::memcpy(art->plugin.data.data() + index, data, count);
  return host::kNoErr;
}

}  // namespace

void InstallArtSuites(host::LayerSuite& layer, host::ArtSuite& art, host::GroupSuite& group,
                      host::PluginGroupSuite& plugin) {
  layer.CountLayers = CountLayers;
  layer.GetNthLayer = GetNthLayer;
  layer.GetCurrentLayer = GetCurrentLayer;
  layer.GetLayerVisible = GetLayerVisible;
  layer.GetLayerEditable = GetLayerEditable;

  art.GetFirstArtOfLayer = GetFirstArtOfLayer;
  art.GetArtType = GetArtType;
  art.GetArtUserAttr = GetArtUserAttr;
  art.GetArtFirstChild = GetArtFirstChild;
  art.GetArtSibling = GetArtSibling;
  art.GetArtBounds = GetArtBounds;
  art.NewArt = NewArt;
  art.DisposeArt = DisposeArt;
  art.DuplicateArt = DuplicateArt;

  group.GetGroupClipped = GetGroupClipped;
  group.SetGroupClipped = SetGroupClipped;

  plugin.GetPluginArtResultArt = GetPluginArtResultArt;
  plugin.CountPluginGroups = CountPluginGroups;
  plugin.GetNthPluginGroup = GetNthPluginGroup;
  plugin.GetPluginGroupName = GetPluginGroupName;
  plugin.SetPluginArtEditArt = SetPluginArtEditArt;
  plugin.SetPluginArtPluginGroup = SetPluginArtPluginGroup;
  plugin.SetPluginArtVersion = SetPluginArtVersion;
  plugin.SetPluginArtDataCount = SetPluginArtDataCount;
  plugin.SetPluginArtDataRange = SetPluginArtDataRange;
}

}  // namespace hostsim
