// Whether the document holds selected art that a capture stores.
#include <cstring>

#include "commands/commands.h"
#include "frame/suites.h"
#include "host/art_types.h"
#include "platform/memory.h"

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

// Levels of nesting the walk keeps on the stack: the timer asks at every tick whether the
// add button is to be enabled, and that must allocate nothing for any document the
// plug-in's own records can hold (1024 levels of containers). Deeper art is walked with a
// block from the platform's allocator, which reports failure instead of throwing.
constexpr std::uint32_t kStackLevels = 1040;

// The art of each level from the layer's group down to the art looked at.
class WalkPath {
 public:
  WalkPath() = default;
  WalkPath(const WalkPath&) = delete;
  WalkPath& operator=(const WalkPath&) = delete;
  ~WalkPath() { ReleaseBlock(block_); }
  host::ArtHandle& operator[](std::uint32_t level) {
    return block_ ? reinterpret_cast<host::ArtHandle*>(block_)[level] : stack_[level];
  }
  // Makes room for one level below `level`; false when memory runs out.
  bool Reserve(std::uint32_t level) {
    const std::uint32_t capacity =
        block_ ? os::MemSize(block_) / sizeof(host::ArtHandle) : kStackLevels;
    if (level + 1 < capacity) return true;
    const bool first = !block_;
    if (!GrowBlock(block_, (level + 2) * sizeof(host::ArtHandle), kListGranule)) return false;
    if (first) std::memcpy(block_, stack_, sizeof stack_);
    return true;
  }

 private:
  host::ArtHandle stack_[kStackLevels];
  os::MemHandle block_ = nullptr;
};

enum class Verdict { kCapturable, kDescend, kSkip };

Verdict Look(host::ArtHandle art) {
  std::int32_t type = host::kUnknownArt;
  if (!art || sArt->GetArtType(art, &type) != host::kNoErr) return Verdict::kSkip;
  switch (type) {
    case host::kGroupArt:
      return Verdict::kDescend;
    case host::kPathArt:
      return IsCapturablePath(art) ? Verdict::kCapturable : Verdict::kSkip;
    case host::kCompoundPathArt:
      return Selected(art) ? Verdict::kCapturable : Verdict::kDescend;
    case host::kTextArt:
    case host::kRasterArt:
    case host::kPluginArt:
    case host::kMeshArt:
      return Selected(art) ? Verdict::kCapturable : Verdict::kSkip;
    default:
      return Verdict::kSkip;
  }
}

// Walks a layer's art tree depth first without recursion (groups may nest deeply):
// `path[d]` is the art looked at on level d, the next one its first child, else its next
// sibling, else the next sibling of the nearest level above that has one. Art below a
// level that memory cannot be had for is not looked at.
bool TreeHasCapturableArt(host::ArtHandle root) {
  WalkPath path;
  std::uint32_t depth = 0;
  path[0] = root;
  for (;;) {
    const Verdict verdict = Look(path[depth]);
    if (verdict == Verdict::kCapturable) return true;
    host::ArtHandle next = nullptr;
    if (verdict == Verdict::kDescend && path.Reserve(depth) &&
        sArt->GetArtFirstChild(path[depth], &next) == host::kNoErr && next) {
      path[++depth] = next;
      continue;
    }
    // The layer's own group has no siblings to look at.
    for (; depth > 0; --depth) {
      next = nullptr;
      if (sArt->GetArtSibling(path[depth], &next) == host::kNoErr && next) break;
    }
    if (depth == 0) return false;
    path[depth] = next;
  }
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
