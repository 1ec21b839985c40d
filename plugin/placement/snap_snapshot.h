// What the snapping fits need from the document, collected once when a drag starts: the
// paths the walk over the document meets (visible layers, locked ones too, through
// groups and compound paths), in the walk's order, with their bounds and a uniform grid
// over those bounds. A mouse move then looks only at the paths whose cells lie under the
// cursor, in the walk's order, and gives the same answer as the walk, bit for bit.
//
// A path's segments and closed flag are read from the host the first time a move comes
// near it. Should such a read fail, the snapshot is given up: the fit in progress starts
// again as a walk (which meets the same failure) and later moves walk the document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/art_types.h"
#include "host/errors.h"
#include "host/types.h"
#include "placement/snapping.h"

namespace velm {

class SnapSnapshot {
 public:
  // Collects the paths of the current document. On a failing host call (or no memory)
  // the snapshot stays empty and unusable, and the status is returned (-1 for memory).
  host::Err Build();
  // False before a successful Build and after a path could not be read: the fits then
  // walk the document.
  bool usable() const { return usable_; }
  std::size_t pathCount() const { return paths_.size(); }

  // The fits of the walk (same arguments, results and statuses), answered from here.
  host::Err AnchorFit(host::RealPoint* point, std::int16_t* kind, std::int32_t hitsWanted,
                      SnapHits* hits);
  host::Err IntersectionFit(host::RealPoint* point, std::int16_t* kind);
  host::Err OnPathFit(host::RealPoint* point, std::int16_t* kind);

 private:
  struct SnapPath {
    host::ArtHandle art;
    host::RealRect bounds;
    // The visible layer it lies in, counted in the walk's order.
    std::uint32_t layer;
    // Where its segments start in segments_ once read; kNotRead before.
    std::uint32_t firstSegment;
    std::int32_t segmentCount;
    bool closed;
  };
  static constexpr std::uint32_t kNotRead = 0xFFFFFFFFu;

  // The paths that may lie within `tolerance` of a point, as a sorted list of path
  // numbers (or every path); followed along as the point moves.
  class NearPaths;

  // The paths in the walk's order, with their bounds.
  host::Err Collect();
  // The uniform grid: cells of `cell_` points from (minX_, minY_), nx_ by ny_, each
  // listing the numbers of the paths whose bounds meet it, in the walk's order; paths
  // with bounds too large or not finite are listed in wide_ and met everywhere.
  void BuildGrid();
  // Reads the path's segments and closed flag when not read yet; false when the host
  // refuses (the snapshot is then unusable).
  bool Load(std::uint32_t index);
  const host::PathSegment* SegmentsOf(const SnapPath& path) const {
    return segments_.data() + path.firstSegment;
  }
  void Clear();

  bool usable_ = false;
  std::vector<SnapPath> paths_;
  std::vector<host::PathSegment> segments_;
  double minX_ = 0, minY_ = 0, cell_ = 1;
  std::int32_t nx_ = 0, ny_ = 0;
  std::vector<std::uint32_t> cellStart_;
  std::vector<std::uint32_t> cellPaths_;
  std::vector<std::uint32_t> wide_;
};

// The snapshot of the drag in progress: BeginDragSnapshot collects it (replacing any
// earlier one), EndDragSnapshot drops it. HeldDragSnapshot is null outside a drag, when
// the collection failed, and (dropping it) when the plug-in was restarted or another
// document view is in front since the drag started.
void BeginDragSnapshot();
void EndDragSnapshot();
SnapSnapshot* HeldDragSnapshot();

}  // namespace velm
