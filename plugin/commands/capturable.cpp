// Whether the document holds selected art that a capture stores.
#include <vector>

#include "commands/commands.h"
#include "frame/suites.h"
#include "host/art_types.h"

namespace velm {

namespace {

bool Selected(host::ArtHandle art) {
  std::int32_t attributes = 0;
  return sArt->GetArtUserAttr(art, host::kArtSelected, &attributes) == host::kNoErr &&
         (attributes & host::kArtSelected) != 0;
}

bool IsCapturablePath(host::ArtHandle path) {
  host::Boolean guide = 0;
  return Selected(path) && !(sPath->GetPathGuide(path, &guide) == host::kNoErr && guide);
}

// Pushes the children of `container` onto `pending`.
void PushChildren(host::ArtHandle container, std::vector<host::ArtHandle>& pending) {
  host::ArtHandle child = nullptr;
  if (sArt->GetArtFirstChild(container, &child) != host::kNoErr) return;
  while (child) {
    pending.push_back(child);
    if (sArt->GetArtSibling(child, &child) != host::kNoErr) return;
  }
}

// Walks a layer's art tree without recursion (groups may nest deeply).
bool TreeHasCapturableArt(host::ArtHandle root) {
  std::vector<host::ArtHandle> pending{root};
  while (!pending.empty()) {
    const host::ArtHandle art = pending.back();
    pending.pop_back();
    std::int32_t type = host::kUnknownArt;
    if (!art || sArt->GetArtType(art, &type) != host::kNoErr) continue;
    switch (type) {
      case host::kGroupArt:
        PushChildren(art, pending);
        break;
      case host::kPathArt:
        if (IsCapturablePath(art)) return true;
        break;
      case host::kCompoundPathArt:
        if (Selected(art)) return true;
        PushChildren(art, pending);
        break;
      case host::kTextArt:
      case host::kRasterArt:
      case host::kPluginArt:
      case host::kMeshArt:
        if (Selected(art)) return true;
        break;
      default:
        break;
    }
  }
  return false;
}

}  // namespace

bool HasCapturableSelection() {
  if (!sLayer || !sArt || !sPath) return false;
  std::int32_t layers = 0;
  if (sLayer->CountLayers(&layers) != host::kNoErr) return false;
  for (std::int32_t i = 0; i < layers; ++i) {
    host::LayerHandle layer = nullptr;
    host::ArtHandle art = nullptr;
    if (sLayer->GetNthLayer(i, &layer) != host::kNoErr ||
        sArt->GetFirstArtOfLayer(layer, &art) != host::kNoErr)
      continue;
    if (TreeHasCapturableArt(art)) return true;
  }
  return false;
}

}  // namespace velm
