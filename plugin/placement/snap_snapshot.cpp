#include "placement/snap_snapshot.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "geometry/curve_geometry.h"

namespace velm {
namespace {

constexpr std::uint32_t kEnd = 0xFFFFFFFFu;
// A path whose bounds meet more cells than this is met everywhere instead.
constexpr double kMaxPathCells = 64;
// A cursor whose tolerance square meets more cells than this looks at every path.
constexpr double kMaxQueryCells = 256;

bool Finite(double a, double b, double c, double d) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

// The cells [*first, *last] of a grid of `n` cells of size `cell` from `origin` that the
// interval [lo, hi] meets; false when it misses the grid.
bool CellRange(double lo, double hi, double origin, double cell, std::int32_t n,
               std::int32_t* first, std::int32_t* last) {
  const double a = std::floor((lo - origin) / cell);
  const double b = std::floor((hi - origin) / cell);
  if (!(b >= 0) || !(a < n)) return false;
  *first = a < 0 ? 0 : static_cast<std::int32_t>(a);
  *last = b >= n ? n - 1 : static_cast<std::int32_t>(b);
  return true;
}

}  // namespace

// ---- Paths near a moving point ----

class SnapSnapshot::NearPaths {
 public:
  NearPaths(const SnapSnapshot& snapshot, double tolerance)
      : snapshot_(snapshot), tolerance_(tolerance) {}

  // The first path numbered `from` or later that may lie near `point`; kEnd past the
  // last. The list is gathered again whenever the point has moved.
  std::uint32_t Next(const host::RealPoint& point, std::uint32_t from) {
    if (!gathered_ || !(point.h == at_.h && point.v == at_.v)) Gather(point);
    if (every_) return from < snapshot_.paths_.size() ? from : kEnd;
    const std::uint32_t* found = std::lower_bound(list_, list_ + size_, from);
    return found == list_ + size_ ? kEnd : *found;
  }

 private:
  void Gather(const host::RealPoint& point) {
    gathered_ = true;
    at_ = point;
    every_ = false;
    list_ = nullptr;
    size_ = 0;
    // Without a tolerance no path is near anything.
    if (!(tolerance_ > 0)) return;
    const double px = point.h, py = point.v;
    if (!Finite(px, py, tolerance_, 0)) {
      every_ = true;
      return;
    }
    const SnapSnapshot& s = snapshot_;
    // More than the tolerance: the host grows the bounds in its own (single) precision.
    const double margin = tolerance_ * 1.001 + (std::fabs(px) + std::fabs(py)) * 1e-5 + 1e-3;
    std::int32_t x0 = 0, x1 = -1, y0 = 0, y1 = -1;
    const bool inGrid = s.nx_ > 0 &&
                        CellRange(px - margin, px + margin, s.minX_, s.cell_, s.nx_, &x0, &x1) &&
                        CellRange(py - margin, py + margin, s.minY_, s.cell_, s.ny_, &y0, &y1);
    if (!inGrid) {
      list_ = s.wide_.data();
      size_ = s.wide_.size();
      return;
    }
    const double cells = (static_cast<double>(x1) - x0 + 1) * (static_cast<double>(y1) - y0 + 1);
    if (cells > kMaxQueryCells) {
      every_ = true;
      return;
    }
    auto cellOf = [&](std::int32_t x, std::int32_t y) {
      return static_cast<std::size_t>(y) * static_cast<std::size_t>(s.nx_) +
             static_cast<std::size_t>(x);
    };
    if (x0 == x1 && y0 == y1 && s.wide_.empty()) {
      const std::size_t c = cellOf(x0, y0);
      list_ = s.cellPaths_.data() + s.cellStart_[c];
      size_ = s.cellStart_[c + 1] - s.cellStart_[c];
      return;
    }
    try {
      merged_.assign(s.wide_.begin(), s.wide_.end());
      for (std::int32_t y = y0; y <= y1; ++y)
        for (std::int32_t x = x0; x <= x1; ++x) {
          const std::size_t c = cellOf(x, y);
          merged_.insert(merged_.end(), s.cellPaths_.begin() + s.cellStart_[c],
                         s.cellPaths_.begin() + s.cellStart_[c + 1]);
        }
    } catch (const std::bad_alloc&) {
      every_ = true;  // slower, and still the same answer
      return;
    }
    std::sort(merged_.begin(), merged_.end());
    merged_.erase(std::unique(merged_.begin(), merged_.end()), merged_.end());
    list_ = merged_.data();
    size_ = merged_.size();
  }

  const SnapSnapshot& snapshot_;
  const double tolerance_;
  bool gathered_ = false;
  host::RealPoint at_{};
  bool every_ = false;
  const std::uint32_t* list_ = nullptr;
  std::size_t size_ = 0;
  std::vector<std::uint32_t> merged_;
};

// ---- Collecting ----

void SnapSnapshot::Clear() {
  usable_ = false;
  paths_.clear();
  segments_.clear();
  cellStart_.clear();
  cellPaths_.clear();
  wide_.clear();
  nx_ = ny_ = 0;
}

host::Err SnapSnapshot::Build() {
  Clear();
  host::Err err = -1;
  try {
    err = Collect();
    if (err == host::kNoErr) BuildGrid();
  } catch (const std::bad_alloc&) {
    err = -1;
  }
  if (err != host::kNoErr) {
    Clear();
    return err;
  }
  usable_ = true;
  return host::kNoErr;
}

host::Err SnapSnapshot::Collect() {
  if (!sLayer || !sArt || !sPath) return -1;
  // The walk's order: visible layers in the host's order, each from its first art,
  // groups and compound paths through their children in order (depth first). The
  // stack holds the art being visited at each level below the layer's first art.
  std::vector<host::ArtHandle> stack;
  std::int32_t count = 0;
  if (host::Err err = sLayer->CountLayers(&count)) return err;
  std::uint32_t layerNumber = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    host::LayerHandle layer = nullptr;
    if (host::Err err = sLayer->GetNthLayer(i, &layer)) return err;
    host::Boolean visible = 0;
    if (host::Err err = sLayer->GetLayerVisible(layer, &visible)) return err;
    if (!visible) continue;
    host::ArtHandle art = nullptr;
    if (host::Err err = sArt->GetFirstArtOfLayer(layer, &art)) return err;
    ++layerNumber;
    stack.clear();
    while (art) {
      std::int32_t type = host::kUnknownArt;
      if (host::Err err = sArt->GetArtType(art, &type)) return err;
      host::ArtHandle child = nullptr;
      if (type == host::kGroupArt || type == host::kCompoundPathArt) {
        if (host::Err err = sArt->GetArtFirstChild(art, &child)) return err;
      } else if (type == host::kPathArt) {
        // A path whose bounds cannot be read is never near the cursor.
        host::RealRect bounds{};
        if (sArt->GetArtBounds(art, &bounds) == host::kNoErr)
          paths_.push_back({art, bounds, layerNumber, kNotRead, 0, false});
      }
      if (child) {
        stack.push_back(child);
        art = child;
        continue;
      }
      // This art is done: on to the next sibling, climbing out of finished containers.
      art = nullptr;
      while (!stack.empty() && !art) {
        if (host::Err err = sArt->GetArtSibling(stack.back(), &art)) return err;
        if (art) {
          stack.back() = art;
        } else {
          stack.pop_back();
        }
      }
    }
  }
  return paths_.size() < kEnd ? host::kNoErr : -1;
}

void SnapSnapshot::BuildGrid() {
  const std::size_t n = paths_.size();
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  std::size_t finite = 0;
  // The typical path size is taken from a sample of at most about 1024 paths.
  const std::size_t step = n / 1024 + 1;
  std::vector<double> sizes;
  sizes.reserve(1025);
  for (std::size_t i = 0; i < n; ++i) {
    const host::RealRect& b = paths_[i].bounds;
    if (!Finite(b.left, b.right, b.top, b.bottom)) continue;
    const double l = Min(b.left, b.right), r = Max(b.left, b.right);
    const double lo = Min(b.top, b.bottom), hi = Max(b.top, b.bottom);
    minX = finite ? Min(minX, l) : l;
    maxX = finite ? Max(maxX, r) : r;
    minY = finite ? Min(minY, lo) : lo;
    maxY = finite ? Max(maxY, hi) : hi;
    if (finite++ % step == 0) sizes.push_back(Max(r - l, hi - lo));
  }
  nx_ = ny_ = 0;
  cellStart_.assign(1, 0);
  if (finite == 0) {
    for (std::uint32_t i = 0; i < n; ++i)
      wide_.push_back(i);
    return;
  }
  // Cells about as large as a typical path, and about as many as there are paths.
  std::nth_element(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2),
                   sizes.end());
  const double width = maxX - minX, height = maxY - minY;
  double cell =
      Max(std::sqrt(width * height / static_cast<double>(finite)), sizes[sizes.size() / 2]);
  if (!(cell > 0) || !std::isfinite(cell)) cell = Max(width, height) / static_cast<double>(n);
  if (!(cell > 0) || !std::isfinite(cell)) cell = 1.0;
  const double cellLimit = 4.0 * static_cast<double>(n) + 64.0;
  double nx = 0, ny = 0;
  for (;;) {
    nx = std::floor(width / cell) + 1;
    ny = std::floor(height / cell) + 1;
    if (nx * ny <= cellLimit) break;
    cell *= 2;
  }
  minX_ = minX;
  minY_ = minY;
  cell_ = cell;
  nx_ = static_cast<std::int32_t>(nx);
  ny_ = static_cast<std::int32_t>(ny);

  // Count the paths of each cell (at the cell after it), sum the counts up to each cell's
  // end, then list the paths from the last back, each cell filled from its end: every
  // list ends up in the walk's order.
  const std::size_t cellCount = static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_);
  cellStart_.assign(cellCount + 1, 0);
  auto cellsOf = [&](const SnapPath& p, std::int32_t* x0, std::int32_t* x1, std::int32_t* y0,
                     std::int32_t* y1) {
    const host::RealRect& b = p.bounds;
    if (!Finite(b.left, b.right, b.top, b.bottom)) return false;
    if (!CellRange(Min(b.left, b.right), Max(b.left, b.right), minX_, cell_, nx_, x0, x1) ||
        !CellRange(Min(b.top, b.bottom), Max(b.top, b.bottom), minY_, cell_, ny_, y0, y1))
      return false;
    return (static_cast<double>(*x1) - *x0 + 1) * (static_cast<double>(*y1) - *y0 + 1) <=
           kMaxPathCells;
  };
  const std::size_t columns = static_cast<std::size_t>(nx_);
  for (std::uint32_t i = 0; i < n; ++i) {
    std::int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!cellsOf(paths_[i], &x0, &x1, &y0, &y1)) {
      wide_.push_back(i);
      continue;
    }
    for (std::int32_t y = y0; y <= y1; ++y)
      for (std::int32_t x = x0; x <= x1; ++x)
        ++cellStart_[static_cast<std::size_t>(y) * columns + static_cast<std::size_t>(x) + 1];
  }
  for (std::size_t c = 0; c < cellCount; ++c)
    cellStart_[c + 1] += cellStart_[c];
  cellPaths_.resize(cellStart_[cellCount]);
  // cellStart_[c + 1] now marks cell c's end; filling from the end moves it to its start.
  for (std::uint32_t i = static_cast<std::uint32_t>(n); i-- > 0;) {
    std::int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!cellsOf(paths_[i], &x0, &x1, &y0, &y1)) continue;
    for (std::int32_t y = y0; y <= y1; ++y)
      for (std::int32_t x = x0; x <= x1; ++x)
        cellPaths_[--cellStart_[static_cast<std::size_t>(y) * columns +
                                static_cast<std::size_t>(x) + 1]] = i;
  }
  // Cell c's list is now cellStart_[c + 1] ... the next cell's start; shift by one.
  for (std::size_t c = 0; c < cellCount; ++c)
    cellStart_[c] = cellStart_[c + 1];
  cellStart_[cellCount] = static_cast<std::uint32_t>(cellPaths_.size());
}

bool SnapSnapshot::Load(std::uint32_t index) {
  SnapPath& path = paths_[index];
  if (path.firstSegment != kNotRead) return true;
  std::int32_t count = 0;
  host::Boolean closed = 0;
  const std::size_t first = segments_.size();
  try {
    if (sPath->GetPathSegmentCount(path.art, &count) == host::kNoErr) {
      if (count < 0) count = 0;
      if (first + static_cast<std::size_t>(count) < kNotRead) {
        segments_.resize(first + static_cast<std::size_t>(count));
        if (count == 0 ||
            (sPath->GetPathSegments(path.art, 0, count, segments_.data() + first) == host::kNoErr &&
             sPath->GetPathClosed(path.art, &closed) == host::kNoErr)) {
          path.firstSegment = static_cast<std::uint32_t>(first);
          path.segmentCount = count;
          path.closed = closed != 0;
          return true;
        }
      }
    }
  } catch (const std::bad_alloc&) {
  }
  segments_.resize(first);
  usable_ = false;
  return false;
}

// ---- The fits ----
//
// Each follows its walk step for step over the paths near the point, in the walk's
// order. The walk ends after the layer in which the kind became non-zero: a path of a
// later layer met with a non-zero kind ends the search here too. When a path cannot be
// read, the search starts again from the same input as a walk.

host::Err SnapSnapshot::AnchorFit(host::RealPoint* point, std::int16_t* kind,
                                  std::int32_t hitsWanted, SnapHits* hits) {
  if (!usable_) return velm::AnchorFit(point, kind, hitsWanted, hits);
  Trace("AnchorFit_START\r\n");
  SnapHits local{};
  if (!hits) hits = &local;
  hits->count = 0;
  if (!point || !kind || *kind != kNoSnap) return host::kNoErr;
  const host::RealPoint start = *point;
  const std::int32_t limit =
      hitsWanted >= 1 && hitsWanted < kMaxSnapHits ? hitsWanted : kMaxSnapHits;
  NearPaths near(*this, SnapTolerance());
  std::uint32_t layer = 0;
  for (std::uint32_t i = near.Next(*point, 0); i != kEnd; i = near.Next(*point, i + 1)) {
    if (*kind != kNoSnap && paths_[i].layer != layer) break;
    layer = paths_[i].layer;
    if (!NearArt(*point, paths_[i].bounds)) continue;
    if (!Load(i)) {
      *point = start;
      *kind = kNoSnap;
      return velm::AnchorFit(point, kind, hitsWanted, hits);
    }
    const SnapPath& path = paths_[i];
    const host::PathSegment* segments = SegmentsOf(path);
    bool done = false;
    for (std::int32_t j = 0; j < path.segmentCount; ++j) {
      host::RealPoint probe = *point;
      if (!SnapToAnchor(&probe, segments[j])) continue;
      if (hits->count == 0) {
        *point = probe;
        *kind = kAnchorSnap;
      }
      hits->hit[hits->count++] = {path.art, static_cast<std::int16_t>(j)};
      done = hits->count >= limit;
      break;  // one hit per path
    }
    if (done) break;
  }
  Trace("AnchorFit_END\r\n");
  return host::kNoErr;
}

host::Err SnapSnapshot::OnPathFit(host::RealPoint* point, std::int16_t* kind) {
  if (!usable_) return velm::OnPathFit(point, kind);
  Trace("OnPathFit_START\r\n");
  if (!point || !kind || *kind != kNoSnap) return host::kNoErr;
  const host::RealPoint start = *point;
  NearPaths near(*this, SnapTolerance());
  for (std::uint32_t i = near.Next(*point, 0); i != kEnd; i = near.Next(*point, i + 1)) {
    if (!NearArt(*point, paths_[i].bounds)) continue;
    if (!Load(i)) {
      *point = start;
      return velm::OnPathFit(point, kind);
    }
    const SnapPath& path = paths_[i];
    if (path.segmentCount == 0) continue;
    const host::PathSegment* segments = SegmentsOf(path);
    host::PathSegment previous = segments[0];
    bool snapped = false;
    for (std::int32_t j = 1; j < path.segmentCount && !snapped; ++j) {
      snapped = SnapToPiece(point, previous, segments[j], true);
      previous = segments[j];
    }
    if (!snapped && path.closed) snapped = SnapToPiece(point, previous, segments[0], true);
    if (snapped) {
      *kind = kOnPathSnap;
      break;
    }
  }
  Trace("OnPathFit_END\r\n");
  return host::kNoErr;
}

host::Err SnapSnapshot::IntersectionFit(host::RealPoint* point, std::int16_t* kind) {
  if (!usable_) return velm::IntersectionFit(point, kind, 1);
  Trace("IntersectionFit_START\r\n");
  if (!point || !kind || *kind != kNoSnap) return host::kNoErr;
  const host::RealPoint start = *point;
  IntersectionPieces pieces{};
  NearPaths near(*this, SnapTolerance());
  for (std::uint32_t i = near.Next(*point, 0); i != kEnd; i = near.Next(*point, i + 1)) {
    if (!NearArt(*point, paths_[i].bounds)) continue;
    if (!Load(i)) {
      *point = start;
      return velm::IntersectionFit(point, kind, 1);
    }
    const SnapPath& path = paths_[i];
    const std::int32_t count = path.segmentCount;
    if (count == 0) continue;
    const host::PathSegment* segments = SegmentsOf(path);
    host::PathSegment previous = segments[0];
    for (std::int32_t j = 1; j < count && *kind == kNoSnap; ++j) {
      if (SnapToPiece(point, previous, segments[j], true) &&
          RecordPiece(&pieces, point, path.art, j, count, previous, segments[j]))
        *kind = kIntersectionSnap;
      previous = segments[j];
    }
    if (*kind == kNoSnap && path.closed && SnapToPiece(point, previous, segments[0], true) &&
        RecordPiece(&pieces, point, path.art, 0, count, previous, segments[0]))
      *kind = kIntersectionSnap;
    if (*kind != kIntersectionSnap) continue;
    GeomPoint crossing{};
    const GeomPoint at{point->h, point->v};
    if (gGlobals && CrossingOfPieces(pieces.piece[0], pieces.piece[1], at, SnapTolerance(),
                                     gGlobals->BezierTable, &crossing)) {
      point->h = static_cast<host::Real>(crossing.x);
      point->v = static_cast<host::Real>(crossing.y);
      break;
    }
    *kind = kNoSnap;
  }
  Trace("IntersectionFit_END\r\n");
  return host::kNoErr;
}

// ---- The drag's snapshot ----

namespace {

// The snapshot held for the drag in progress, with the plug-in state and the document
// view it was collected for.
struct HeldSnapshot {
  std::unique_ptr<SnapSnapshot> snapshot;
  const Globals* globals = nullptr;
  host::DocumentViewHandle view = nullptr;
};

HeldSnapshot& Held() {
  static HeldSnapshot held;
  return held;
}

host::DocumentViewHandle FrontView() {
  host::DocumentViewHandle view = nullptr;
  if (!sDocumentView || sDocumentView->GetNthDocumentView(0, &view) != host::kNoErr) return nullptr;
  return view;
}

}  // namespace

void BeginDragSnapshot() {
  EndDragSnapshot();
  std::unique_ptr<SnapSnapshot> snapshot(new (std::nothrow) SnapSnapshot);
  if (!snapshot || snapshot->Build() != host::kNoErr) return;
  HeldSnapshot& held = Held();
  held.snapshot = std::move(snapshot);
  held.globals = gGlobals;
  held.view = FrontView();
}

void EndDragSnapshot() {
  Held() = HeldSnapshot{};
}

SnapSnapshot* HeldDragSnapshot() {
  HeldSnapshot& held = Held();
  if (!held.snapshot) return nullptr;
  // A drag that never ended, met again after a restart of the plug-in or with another
  // document in front, is over: its snapshot describes art that may be gone.
  if (held.globals != gGlobals || held.view != FrontView()) {
    EndDragSnapshot();
    return nullptr;
  }
  return held.snapshot.get();
}

}  // namespace velm
