// Placement of streams built object by object: where the art lands for each origin mode,
// how markers nest and close, pattern sections, plug-in sections, the undo step, the
// refusal of a hidden or locked layer, and failures of the host along the way.
#include <gtest/gtest.h>

#include "common/sjis.h"
#include "frame/globals.h"
#include "placement/art_loader.h"
#include "tests/loader/art_compare.h"
#include "tests/loader/loader_fixture.h"

namespace velmtest {
namespace {

using hostsim::Art;

host::RealRect BoundsOf(hostsim::Document& doc, Art* art) {
  host::RealRect r{};
  EXPECT_TRUE(hostsim::ArtBounds(doc, art, &r));
  return r;
}

TEST_F(LoaderTest, EveryOriginModePutsItsPointOfTheBoundsOnTheDropPoint) {
  // The art fills the record's bounds: 100 wide, 50 high.
  struct Case {
    std::int16_t mode;
    double left, bottom;
  };
  const Case cases[] = {{0, 300, 350}, {1, 300, 375}, {2, 300, 400}, {3, 250, 350},
                        {4, 250, 375}, {5, 250, 400}, {6, 200, 350}, {7, 200, 375},
                        {8, 200, 400}, {9, 300, 400}, {-1, 300, 400}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    StreamBuilder stream(100, 50);
    stream.Rectangle(0, 0, 100, 50);
    const std::size_t before = Placed().size();
    ASSERT_EQ(Place(stream.record(), {300, 400}, c.mode), host::kNoErr);
    ASSERT_EQ(Placed().size(), before + 1);
    const host::RealRect r = BoundsOf(doc(), Placed().front());
    EXPECT_FLOAT_EQ(r.left, c.left);
    EXPECT_FLOAT_EQ(r.bottom, c.bottom);
    EXPECT_FLOAT_EQ(r.right, c.left + 100);
    EXPECT_FLOAT_EQ(r.top, c.bottom + 50);
  }
  // The offsets themselves, halves by the host's division.
  const host::RealRect bounds{0, 50, 100, 0};
  EXPECT_FLOAT_EQ(velm::OriginOffset(bounds, 4).h, -50);
  EXPECT_FLOAT_EQ(velm::OriginOffset(bounds, 4).v, -25);
  EXPECT_FLOAT_EQ(velm::OriginOffset(bounds, 6).h, -100);
  EXPECT_FLOAT_EQ(velm::OriginOffset(bounds, 6).v, -50);
  EXPECT_FLOAT_EQ(velm::OriginOffset(bounds, 12).h, 0);
}

TEST_F(LoaderTest, AClippingGroupHoldsItsPathsWithTheFirstStoredOnTop) {
  StreamBuilder stream;
  stream.Marker("GroupArt / Clipped=TRUE")
      .Rectangle(0, 0, 10, 10, 0.25)
      .Rectangle(0, 0, 20, 20, 0.5)
      .Marker("/ GroupArt");
  ASSERT_EQ(Place(stream.record(), {0, 0}), host::kNoErr);
  ASSERT_EQ(Placed().size(), 1u);
  Art* group = Placed().front();
  EXPECT_EQ(group->type, host::kGroupArt);
  EXPECT_TRUE(group->clipped);
  ASSERT_EQ(group->children.size(), 2u);
  EXPECT_FLOAT_EQ(group->children[0]->style.fill.color.c.gray.gray, 0.25f);
  EXPECT_FLOAT_EQ(group->children[1]->style.fill.color.c.gray.gray, 0.5f);
}

TEST_F(LoaderTest, CompoundPathsAndNestedGroupsKeepTheirTreeAndOrder) {
  StreamBuilder stream;
  stream.Rectangle(0, 0, 5, 5, 0.9)
      .Marker("GroupArt /")
      .Marker("CompoundPathArt /")
      .Rectangle(0, 0, 30, 30, 0.3)
      .Rectangle(10, 10, 20, 20, 0.3)
      .Marker("/ CompoundPathArt")
      .Marker("GroupArt /")
      .Rectangle(40, 0, 50, 10, 0.5)
      .Marker("/ GroupArt")
      .Marker("/ GroupArt")
      .Marker("StyledArt /")
      .Rectangle(60, 0, 70, 10, 0.7)
      .Marker("/ StyledArt");
  ASSERT_EQ(Place(stream.record(), {100, 100}), host::kNoErr);
  const auto top = Placed();
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[0]->type, host::kPathArt);
  EXPECT_EQ(top[1]->type, host::kGroupArt);
  EXPECT_FALSE(top[1]->clipped);
  EXPECT_EQ(top[2]->type, host::kPathArt);
  EXPECT_FLOAT_EQ(top[2]->segments[0].anchor.h, 160);
  ASSERT_EQ(top[1]->children.size(), 2u);
  EXPECT_EQ(top[1]->children[0]->type, host::kCompoundPathArt);
  EXPECT_EQ(top[1]->children[0]->children.size(), 2u);
  EXPECT_EQ(top[1]->children[1]->type, host::kGroupArt);
  EXPECT_EQ(top[1]->children[1]->children.size(), 1u);
}

TEST_F(LoaderTest, AnEmptyRecordOnlyNamesTheUndoStep) {
  StreamBuilder stream;
  const int beeps = host().beepCount();
  const std::size_t steps = doc().undoDepth();
  ASSERT_EQ(Place(stream.record(), {10, 10}), host::kNoErr);
  EXPECT_TRUE(Placed().empty());
  EXPECT_EQ(host().beepCount(), beeps);
  EXPECT_EQ(doc().undoDepth(), steps);  // nothing changed: no step is kept
  EXPECT_TRUE(host().suites().UnimplementedCalls().empty());
  // The step in progress is named all the same: what else the same host message changes
  // is undone and redone under the placement's texts.
  hostsim::Art* later = nullptr;
  ASSERT_EQ(doc().NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &later), host::kNoErr);
  EXPECT_EQ(doc().undoText(), Sjis("配置の取り消し"));
  ASSERT_TRUE(doc().Undo());
  EXPECT_EQ(doc().redoText(), Sjis("配置のやり直し"));
}

TEST_F(LoaderTest, PlacementIsOneUndoStepWithItsTwoTexts) {
  StreamBuilder stream;
  stream.Marker("GroupArt /").Rectangle(0, 0, 10, 10).Rectangle(20, 0, 30, 10).Marker("/ GroupArt");
  stream.Rectangle(40, 0, 50, 10);
  const host::Err status = StoreAndLoad(stream.Take(), {50, 50});
  EXPECT_EQ(status, host::kNoErr);
  ASSERT_EQ(Placed().size(), 2u);
  EXPECT_EQ(doc().undoText(), Sjis("配置の取り消し"));
  ASSERT_TRUE(doc().Undo());
  EXPECT_TRUE(Placed().empty());
  EXPECT_EQ(doc().redoText(), Sjis("配置のやり直し"));
  ASSERT_TRUE(doc().Redo());
  EXPECT_EQ(Placed().size(), 2u);
  // The record stays the current record.
  EXPECT_NE(velm::gGlobals->currentRecord, nullptr);
}

TEST_F(LoaderTest, AMissingRecordPlacesNothingAndNamesNothing) {
  const std::size_t steps = doc().undoDepth();
  EXPECT_EQ(velm::VelmLoadArt("nowhere", 0), host::kNoErr);
  EXPECT_TRUE(Placed().empty());
  EXPECT_EQ(doc().undoDepth(), steps);
  EXPECT_EQ(doc().undoText(), "");
}

TEST_F(LoaderTest, AHiddenOrLockedLayerBeepsOnceAndGetsNothing) {
  for (int locked = 0; locked < 2; ++locked) {
    SCOPED_TRACE(locked);
    hostsim::Layer* layer = doc().currentLayer();
    layer->visible = locked != 0;
    layer->editable = locked == 0;
    StreamBuilder stream;
    stream.Rectangle(0, 0, 10, 10);
    const int beeps = host().beepCount();
    Place(stream.record(), {0, 0});
    EXPECT_EQ(host().beepCount(), beeps + 1);
    EXPECT_TRUE(layer->group->children.empty());
    EXPECT_EQ(velm::CurrentLayerUsable(layer->handle()), 1);
    layer->visible = true;
    layer->editable = true;
    EXPECT_EQ(velm::CurrentLayerUsable(layer->handle()), 0);
  }
}

TEST_F(LoaderTest, PatternMarkersWithBadNumbersAreIgnored) {
  for (const char* number : {"00000", "01024", "-0001", "abcde", "", "99999"}) {
    SCOPED_TRACE(number);
    doc().Changing();
    for (Art* art : Placed())
      doc().Dispose(art);
    StreamBuilder stream;
    stream.Rectangle(0, 0, 10, 10)
        .Marker(std::string("PatternArt") + number + " /")
        .Rectangle(0, 0, 4, 4, 0.5)
        .Marker(std::string("/ PatternArt") + number);
    ASSERT_EQ(Place(stream.record(), {0, 0}), host::kNoErr);
    // The definition's art went into the layer like any other art.
    ASSERT_EQ(Placed().size(), 2u);
    EXPECT_EQ(Placed()[1]->type, host::kPathArt);
    EXPECT_TRUE(doc().patterns().empty());
  }
}

}  // namespace
}  // namespace velmtest
