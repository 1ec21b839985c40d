// Snapping from a drag's snapshot gives what walking the document gives, bit for bit:
// random documents (paths, curves, arcs, groups, compound paths, clipping groups, hidden
// and locked layers and objects, repeated geometry for ties) and random moves at several
// zooms, every fit alone and every combination of the four switches.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "frame/globals.h"
#include "hostsim/host.h"
#include "palette/palette_window.h"
#include "placement/snap_fixture.h"
#include "placement/snap_snapshot.h"
#include "placement/snapping.h"

namespace {

using host::PathSegment;
using host::RealPoint;
using velmtest::Corner;
using velmtest::Smooth;

struct Answer {
  RealPoint point;
  std::int16_t kind;
  host::Err err;
  velm::SnapHits hits;
};

bool operator==(const Answer& a, const Answer& b) {
  if (std::memcmp(&a.point, &b.point, sizeof a.point) != 0 || a.kind != b.kind || a.err != b.err ||
      a.hits.count != b.hits.count)
    return false;
  for (std::int32_t i = 0; i < a.hits.count; ++i)
    if (a.hits.hit[i].art != b.hits.hit[i].art || a.hits.hit[i].segment != b.hits.hit[i].segment)
      return false;
  return true;
}

std::ostream& operator<<(std::ostream& out, const Answer& a) {
  return out << "(" << a.point.h << ", " << a.point.v << ") kind " << a.kind << " err " << a.err
             << " hits " << a.hits.count;
}

class SnapSnapshotTest : public velmtest::SnapTest {
 protected:
  float Coordinate() {
    // Half-point steps make shared anchors, exact crossings and level pieces common.
    return static_cast<float>(std::uniform_int_distribution<int>(0, 160)(rng_)) * 0.5f;
  }
  bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::vector<PathSegment> RandomSegments() {
    std::vector<PathSegment> s;
    switch (Pick(8)) {
      case 0:  // a repeat of earlier geometry: equally near candidates
        if (!made_.empty()) return made_[static_cast<std::size_t>(Pick(int(made_.size())))];
        [[fallthrough]];
      case 1:
      case 5:
      case 6: {  // small: the grid's cells are about this size, large paths span many
        const float h = Coordinate(), v = Coordinate();
        for (int n = 1 + Pick(5); n > 0; --n)
          s.push_back(Corner(h + Pick(7) * 0.5f, v + Pick(7) * 0.5f));
        break;
      }
      case 2:
        for (int n = 1 + Pick(5); n > 0; --n)
          s.push_back(Corner(Coordinate(), Coordinate()));
        break;
      case 3:
        for (int n = 2 + Pick(3); n > 0; --n) {
          const float h = Coordinate(), v = Coordinate(), dh = Coordinate() / 4,
                      dv = Coordinate() / 4;
          s.push_back(Smooth(h, v, h - dh, v - dv, h + dh, v + dv));
        }
        break;
      case 4: {
        PathSegment a{}, b{};
        velmtest::QuarterArcSegments(Coordinate(), Coordinate(), 2 + Pick(30), 90.0 * Pick(4), &a,
                                     &b);
        s = {a, b};
        break;
      }
      default:
        if (Chance(0.3)) break;  // no segments at all
        s.push_back(Corner(Coordinate(), Coordinate()));
        s.push_back(Corner(s[0].anchor.h, Coordinate()));  // vertical
        break;
    }
    made_.push_back(s);
    return s;
  }

  void Mark(hostsim::Art* art) {
    if (Chance(0.1)) art->attributes |= host::kArtHidden;
    if (Chance(0.1)) art->attributes |= host::kArtLocked;
  }

  void Fill(hostsim::Art* container, int depth, int* budget) {
    for (int n = 1 + Pick(6); n > 0 && *budget > 0; --n) {
      const int what = depth < 3 ? Pick(10) : 0;
      if (what < 7) {
        hostsim::Art* p = Path(RandomSegments(), Chance(0.5), container);
        Mark(p);
        --*budget;
      } else if (what < 9) {
        hostsim::Art* g = Add(host::kGroupArt, container);
        Mark(g);
        if (Chance(0.4)) {
          g->clipped = true;
          hostsim::Art* clip = Path(RandomSegments(), true, g);
          clip->style.clip = true;
          --*budget;
        }
        Fill(g, depth + 1, budget);
      } else {
        hostsim::Art* compound = Add(host::kCompoundPathArt, container);
        Mark(compound);
        for (int k = 1 + Pick(3); k > 0; --k, --*budget)
          Path(RandomSegments(), true, compound);
      }
    }
  }

  void RandomDocument(unsigned seed, int paths) {
    rng_.seed(seed);
    made_.clear();
    std::vector<hostsim::Layer*> layers{doc().currentLayer()};
    for (int i = 1; i < 4; ++i)
      layers.push_back(doc().NewLayer("L" + std::to_string(i)));
    for (hostsim::Layer* layer : layers) {
      int budget = paths / 4;
      while (budget > 0)
        Fill(layer->group, 0, &budget);
    }
    layers[1]->editable = false;
    layers[2]->visible = false;
  }

  // A cursor position: anywhere, or within a few points of an anchor of the document.
  RealPoint RandomMove() {
    std::vector<PathSegment>& some = made_[static_cast<std::size_t>(Pick(int(made_.size())))];
    if (some.empty() || Chance(0.3))
      return {Coordinate() + Pick(100) / 100.0f, Coordinate() - Pick(100) / 100.0f};
    const PathSegment& s = some[static_cast<std::size_t>(Pick(int(some.size())))];
    if (Chance(0.2)) return s.anchor;
    const float dh = std::uniform_real_distribution<float>(-6, 6)(rng_);
    const float dv = std::uniform_real_distribution<float>(-6, 6)(rng_);
    return {s.anchor.h + dh, s.anchor.v + dv};
  }

  // Compares every fit and one combination of switches (cycling through all sixteen)
  // at `moves` positions.
  void CompareMoves(velm::SnapSnapshot& snapshot, int moves) {
    for (int m = 0; m < moves; ++m) {
      const RealPoint at = RandomMove();
      SCOPED_TRACE(testing::Message() << "move " << m << " at (" << at.h << ", " << at.v << ")");
      for (const std::int32_t wanted : {1, 5}) {
        Answer walk{at, 0, 0, {}}, snap{at, 0, 0, {}};
        walk.err = velm::AnchorFit(&walk.point, &walk.kind, wanted, &walk.hits);
        snap.err = snapshot.AnchorFit(&snap.point, &snap.kind, wanted, &snap.hits);
        ASSERT_EQ(snap, walk) << "anchor fit, " << wanted << " hits";
      }
      Answer walk{at, 0, 0, {}}, snap{at, 0, 0, {}};
      walk.err = velm::IntersectionFit(&walk.point, &walk.kind, 1);
      snap.err = snapshot.IntersectionFit(&snap.point, &snap.kind);
      ASSERT_EQ(snap, walk) << "intersection fit";
      walk = snap = {at, 0, 0, {}};
      walk.err = velm::OnPathFit(&walk.point, &walk.kind);
      snap.err = snapshot.OnPathFit(&snap.point, &snap.kind);
      ASSERT_EQ(snap, walk) << "on-path fit";

      const int fits = m % 16;
      UseFits(fits & 1, fits & 2, fits & 4, fits & 8);
      walk = snap = {at, 0, 0, {}};
      walk.kind = velm::SnapPlacementPointWith(&walk.point, nullptr);
      snap.kind = velm::SnapPlacementPointWith(&snap.point, &snapshot);
      ASSERT_EQ(snap, walk) << "switches " << fits;
      kinds_[walk.kind] += 1;
    }
  }

  std::mt19937 rng_;
  std::vector<std::vector<PathSegment>> made_;
  int kinds_[5] = {};
};

TEST_F(SnapSnapshotTest, AnswersLikeTheWalkOnRandomDocuments) {
  for (const unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    // Documents of a few paths (one grid cell) and of a few hundred.
    RandomDocument(seed, seed == 1 ? 8 : 240);
    // From close up to far out, where the cursor's neighbourhood covers the whole grid.
    for (const float zoom : {8.0f, 1.0f, 0.25f, 0.01f}) {
      SCOPED_TRACE(zoom);
      view().zoom = zoom;
      velm::SnapSnapshot snapshot;
      ASSERT_EQ(snapshot.Build(), host::kNoErr);
      ASSERT_TRUE(snapshot.usable());
      CompareMoves(snapshot, 250);
      if (HasFatalFailure()) return;
    }
    doc().RemoveLayers();
    doc().SetCurrentLayer(doc().NewLayer("Layer 1"));
  }
  // The moves reach every kind of answer.
  for (const int count : kinds_)
    EXPECT_GT(count, 20);
}

TEST_F(SnapSnapshotTest, AHostFailureFallsBackToTheWalk) {
  // While collecting: no snapshot (its fits walk the document).
  RandomDocument(7, 120);
  host().suites().FailOperation("AI Art Suite", "GetArtType", host::kBadParameterErr, 30);
  velm::SnapSnapshot broken;
  EXPECT_EQ(broken.Build(), host::kBadParameterErr);
  EXPECT_FALSE(broken.usable());
  EXPECT_EQ(broken.pathCount(), 0u);
  host().suites().ClearFailures();

  // A path read only during a move that cannot be read: the fit in progress starts again
  // as a walk from its own input, whatever the snapshot had found before. Two rectangles
  // share the corner (100, 100); an earlier move read the large one. Asking whether a
  // path is closed fails from then on (the anchor fit's walk never asks; the intersection
  // fit's walk asks only after projecting the point onto the large one).
  doc().RemoveLayers();
  doc().SetCurrentLayer(doc().NewLayer("Layer 1"));
  Rectangle(100, 100, 200, 200);
  Rectangle(100, 100, 101, 101);
  for (const bool anchors : {true, false}) {
    SCOPED_TRACE(anchors);
    velm::SnapSnapshot snapshot;
    ASSERT_EQ(snapshot.Build(), host::kNoErr);
    Answer warm{{199.5f, 199.5f}, 0, 0, {}};
    snapshot.AnchorFit(&warm.point, &warm.kind, 5, &warm.hits);
    ASSERT_EQ(warm.hits.count, 1);
    host().suites().FailOperation("AI Path Suite", "GetPathClosed", host::kBadParameterErr);
    Answer walk{{100.5f, 100.5f}, 0, 0, {}}, snap = walk;
    if (anchors) {
      walk.err = velm::AnchorFit(&walk.point, &walk.kind, 5, &walk.hits);
      snap.err = snapshot.AnchorFit(&snap.point, &snap.kind, 5, &snap.hits);
      EXPECT_EQ(walk.hits.count, 2);
    } else {
      walk.err = velm::IntersectionFit(&walk.point, &walk.kind, 1);
      snap.err = snapshot.IntersectionFit(&snap.point, &snap.kind);
      EXPECT_NE(walk.err, host::kNoErr);
    }
    EXPECT_EQ(snap, walk);
    EXPECT_FALSE(snapshot.usable());
    host().suites().ClearFailures();
  }
}

TEST_F(SnapSnapshotTest, ADragFromThePaletteSnapsFromItsSnapshot) {
  Append("g", "a");
  velm::gGlobals->toolMode = 1;
  velm::CreatePalette();
  ASSERT_NE(velm::gGlobals->palette, nullptr);
  hostsim::Dialog& palette = *hostsim::Dialog::From(velm::gGlobals->palette);
  std::uint32_t time = 1000;
  auto track = [&](std::int32_t action, host::Point p) {
    time += 5000;  // no double clicks
    ASSERT_TRUE(palette.TrackEntry(velm::kRecordListItem, 0, action, p, time));
  };
  Rectangle(10, 10, 50, 40);
  UseFits(true, false, false, false);
  track(host::kTrackMouseDown, {5, 5});
  EXPECT_EQ(velm::HeldDragSnapshot(), nullptr);
  track(host::kTrackMouseMovedDown, {30, 30});
  velm::SnapSnapshot* held = velm::HeldDragSnapshot();
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->pathCount(), 1u);
  // Moves answer from the snapshot: a walk would now see no path at all.
  host().suites().FailOperation("AI Art Suite", "GetArtBounds", host::kBadParameterErr);
  RealPoint p{10.5f, 10.5f};
  EXPECT_EQ(velm::SnapPlacementPoint(&p), velm::kAnchorSnap);
  track(host::kTrackMouseMovedDown, {40, 40});
  EXPECT_EQ(velm::HeldDragSnapshot(), held);
  host().suites().ClearFailures();
  // The release drops it, before the art is placed.
  track(host::kTrackMouseUp, {40, 40});
  EXPECT_EQ(velm::HeldDragSnapshot(), nullptr);
  // A drag whose release never comes, and another document in front: the snapshot goes.
  track(host::kTrackMouseDown, {5, 5});
  track(host::kTrackMouseMovedDown, {30, 30});
  ASSERT_NE(velm::HeldDragSnapshot(), nullptr);
  host().SetDocument(std::make_unique<hostsim::Document>());
  EXPECT_EQ(velm::HeldDragSnapshot(), nullptr);
}

}  // namespace
