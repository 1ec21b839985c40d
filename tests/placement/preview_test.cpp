// The placement preview on the stand-in host's screen: the snapped drop point, the snap
// cursor, and the inverted outline of the record's bounds that a second drawing erases.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "frame/globals.h"
#include "placement/preview.h"
#include "placement/snap_fixture.h"
#include "placement/snapping.h"
#include "platform/gui.h"

namespace {

using host::RealPoint;
using velmtest::Corner;

constexpr char kGroup[] = "Parts";
// The document window's client area starts at this screen pixel; a new view shows the
// artwork point (0, 600) there at zoom 1.
constexpr int kClientLeft = 24;
constexpr int kClientTop = 80;

class Preview : public velmtest::SnapTest {
 protected:
  void SetUp() override {
    SnapTest::SetUp();
    if (HasFatalFailure()) return;
    // A record 20 points wide and 10 high.
    Append(kGroup, "box");
    UseFits(false, false, false, true);
    host().desktop().Repaint(host().document());
    StartDrag();
  }
  void StartDrag() {
    velm::Globals* g = velm::gGlobals;
    g->dropPoint = {velm::kNoDropPoint, velm::kNoDropPoint};
    g->lastSnapKind = -1;
  }
  // The preview at the screen pixel that shows artwork point (h, v).
  std::int32_t MoveTo(int h, int v, std::int32_t record = 0) {
    return velm::VelmDrawArt(kClientLeft + h, kClientTop + (600 - v), kGroup, record);
  }
  std::int32_t Erase(std::int32_t record = 0) {
    return velm::VelmDrawArt(velm::kEraseCoordinate, velm::kEraseCoordinate, kGroup, record);
  }
  std::vector<std::uint32_t> Screen() { return host().desktop().screen().Pixels(); }
  // The screen pixel of client pixel (x, y).
  std::uint32_t Pixel(int x, int y) {
    return host().desktop().screen().Pixel(kClientLeft + x, kClientTop + y);
  }
  RealPoint drop() { return velm::gGlobals->dropPoint; }
  std::vector<std::int32_t> shownRect() {
    const std::int32_t* r = velm::gGlobals->previewRect;
    return {r[0], r[1], r[2], r[3]};
  }
};

TEST_F(Preview, TheOutlineIsTheRecordsBoundsWithItsTopLeftAtTheSnappedPoint) {
  const std::vector<std::uint32_t> before = Screen();
  EXPECT_EQ(MoveTo(101, 201), 0);
  EXPECT_EQ(drop().h, 100.0f);
  EXPECT_EQ(drop().v, 200.0f);
  EXPECT_EQ(velm::gGlobals->previewShown, 1);
  // Artwork (100, 200) is client pixel (100, 400); the art is 20 x 10 points.
  EXPECT_EQ(shownRect(), (std::vector<std::int32_t>{100, 400, 120, 410}));
  EXPECT_EQ(Pixel(100, 400), 0x000000u) << "white inverted";
  EXPECT_EQ(Pixel(110, 400), 0x000000u);
  EXPECT_EQ(Pixel(100, 405), 0x000000u);
  EXPECT_EQ(Pixel(120, 410), 0x000000u);
  EXPECT_EQ(Pixel(110, 405), 0xFFFFFFu) << "only the outline";
  EXPECT_EQ(Pixel(99, 400), 0xFFFFFFu);
  std::size_t changed = 0;
  const std::vector<std::uint32_t> after = Screen();
  for (std::size_t i = 0; i < after.size(); ++i)
    changed += after[i] != before[i];
  EXPECT_EQ(changed, 60u) << "the rectangle's 2 x (20 + 10) edge pixels";
  // The drawing objects were all given back.
  EXPECT_EQ(host().desktop().liveContexts(), 0u);
  EXPECT_EQ(host().desktop().liveObjects(), 0u);
}

TEST_F(Preview, OriginModesPutTheirPointOfTheBoundsOnTheDropPoint) {
  const host::RealRect bounds{0, 10, 20, 0};
  const float expected[9][2] = {{0, -10}, {0, -5},    {0, 0},    {-10, -10}, {-10, -5},
                                {-10, 0}, {-20, -10}, {-20, -5}, {-20, 0}};
  for (int mode = 0; mode < 9; ++mode) {
    const RealPoint offset = velm::OutlineOffset(bounds, mode);
    EXPECT_EQ(offset.h, expected[mode][0]) << mode;
    EXPECT_EQ(offset.v, expected[mode][1]) << mode;
  }
  for (const int mode : {-1, 9, 1000}) {
    EXPECT_EQ(velm::OutlineOffset(bounds, mode).h, 0.0f);
    EXPECT_EQ(velm::OutlineOffset(bounds, mode).v, 0.0f);
  }
  velm::gGlobals->originMode = 4;  // centre
  MoveTo(100, 200);
  EXPECT_EQ(shownRect(), (std::vector<std::int32_t>{90, 395, 110, 405}));
  velm::gGlobals->originMode = 8;  // bottom right
  MoveTo(150, 200);
  EXPECT_EQ(shownRect(), (std::vector<std::int32_t>{130, 390, 150, 400}));
}

TEST_F(Preview, PositionsSnappingToTheSamePointDrawOnceAndReadNothing) {
  MoveTo(101, 201);
  const std::vector<std::uint32_t> shown = Screen();
  const velm::os::MemHandle header = velm::gGlobals->currentRecord;
  ASSERT_NE(header, nullptr);
  // Without the group file a second read would leave no current record.
  std::filesystem::remove(GroupFile(kGroup));
  MoveTo(103, 198);
  EXPECT_EQ(Screen(), shown) << "the outline stays as it was";
  EXPECT_EQ(velm::gGlobals->currentRecord, header);
  EXPECT_EQ(velm::gGlobals->previewShown, 1);
  EXPECT_EQ(host().desktop().liveContexts(), 0u);
}

TEST_F(Preview, TheEraseCallLeavesTheScreenAsBeforeTheDragAndKeepsTheDropPoint) {
  const std::vector<std::uint32_t> before = Screen();
  MoveTo(101, 201);
  MoveTo(131, 171);
  MoveTo(300, 500);
  EXPECT_NE(velm::gGlobals->previewShown, 0);
  EXPECT_EQ(shownRect(), (std::vector<std::int32_t>{300, 100, 320, 110}));
  EXPECT_EQ(Erase(), 0);
  EXPECT_EQ(Screen(), before);
  EXPECT_EQ(velm::gGlobals->previewShown, 0);
  EXPECT_EQ(drop().h, 300.0f);
  EXPECT_EQ(drop().v, 500.0f);
  EXPECT_EQ(host().desktop().liveContexts(), 0u);
  EXPECT_EQ(host().desktop().liveObjects(), 0u);
}

TEST_F(Preview, AFirstEraseCallDrawsNothing) {
  const std::vector<std::uint32_t> before = Screen();
  EXPECT_EQ(Erase(), 0);
  EXPECT_EQ(Screen(), before);
  EXPECT_EQ(velm::gGlobals->previewShown, 0);
  EXPECT_EQ(drop().h, velm::kNoDropPoint) << "the erase position is no drop point";
}

TEST_F(Preview, WithoutARecordNothingIsDrawnButThePointIsKept) {
  const std::vector<std::uint32_t> before = Screen();
  EXPECT_EQ(MoveTo(101, 201, 7), 0);
  EXPECT_EQ(drop().h, 100.0f);
  EXPECT_EQ(Screen(), before);
  EXPECT_EQ(velm::gGlobals->previewShown, 0);
  // An outline already shown is taken off by the erase call even when the record can
  // no longer be read.
  MoveTo(101, 201 + 20);
  ASSERT_NE(Screen(), before);
  std::filesystem::remove(GroupFile(kGroup));
  Erase();
  EXPECT_EQ(Screen(), before);
  EXPECT_EQ(velm::gGlobals->previewShown, 0);
}

TEST_F(Preview, TheCursorShowsTheKindOfSnap) {
  velm::Globals* g = velm::gGlobals;
  ASSERT_NE(g->snapCursors[4], nullptr);
  Path({Corner(100, 100), Corner(200, 200)});
  Path({Corner(100, 200), Corner(200, 100)});
  // All four switches off: the point as it is, the first snap cursor.
  UseFits(false, false, false, false);
  MoveTo(121, 119);
  EXPECT_EQ(drop().h, 121.0f);
  EXPECT_EQ(drop().v, 119.0f);
  EXPECT_EQ(g->lastSnapKind, velm::kNoSnap);
  EXPECT_EQ(host().currentCursor(), 16104);

  UseFits(true, true, true, true);
  MoveTo(101, 101);
  EXPECT_EQ(g->lastSnapKind, velm::kAnchorSnap);
  EXPECT_EQ(host().currentCursor(), 16105);
  EXPECT_EQ(drop().h, 100.0f);
  MoveTo(151, 150);
  EXPECT_EQ(g->lastSnapKind, velm::kIntersectionSnap);
  EXPECT_EQ(host().currentCursor(), 16106);
  EXPECT_EQ(drop().h, 150.0f);
  EXPECT_EQ(drop().v, 150.0f);
  MoveTo(131, 130);
  EXPECT_EQ(g->lastSnapKind, velm::kOnPathSnap);
  EXPECT_EQ(host().currentCursor(), 16107);
  MoveTo(301, 302);
  EXPECT_EQ(g->lastSnapKind, velm::kGridSnap);
  EXPECT_EQ(host().currentCursor(), 16104);
  EXPECT_EQ(drop().h, 300.0f);
  // A kind without its cursor leaves the cursor as it is.
  g->snapCursors[5] = nullptr;
  MoveTo(101, 101);
  EXPECT_EQ(g->lastSnapKind, velm::kAnchorSnap);
  EXPECT_EQ(host().currentCursor(), 16104);
}

TEST_F(Preview, TheDocumentWindowDependsOnTheHostsVersion) {
  hostsim::Desktop& desktop = host().desktop();
  hostsim::Window* frame = desktop.documentWindow()->parent;
  EXPECT_EQ(velm::FindDocumentWindow(), desktop.documentWindow());
  for (const char* version : {"9", "12.0.1", " 10.0"}) {
    host().SetAppVersion(version);
    EXPECT_EQ(velm::FindDocumentWindow(), desktop.documentWindow()) << version;
  }
  for (const char* version : {"8.0", "7", "-10.0", "", "beta"}) {
    host().SetAppVersion(version);
    EXPECT_EQ(velm::FindDocumentWindow(), frame) << version;
  }
  host().SetAppVersion(nullptr);
  EXPECT_EQ(velm::FindDocumentWindow(), frame);
  // A failing host: no window, and the preview does nothing.
  host().SetAppVersion("10.0");
  host().suites().FailOperation(host::ContextSuite::kName, "GetPlatformAppWindow",
                                host::kBadParameterErr);
  EXPECT_EQ(velm::FindDocumentWindow(), nullptr);
  const std::vector<std::uint32_t> before = Screen();
  EXPECT_EQ(MoveTo(101, 201), 0);
  EXPECT_EQ(Screen(), before);
  EXPECT_EQ(drop().h, velm::kNoDropPoint);
}

TEST_F(Preview, WithoutADocumentNothingHappens) {
  host().SetDocument(nullptr);
  const std::vector<std::uint32_t> before = Screen();
  EXPECT_EQ(MoveTo(101, 201), 0);
  EXPECT_EQ(Screen(), before);
  EXPECT_EQ(drop().h, velm::kNoDropPoint);
  EXPECT_EQ(host().desktop().liveContexts(), 0u);
}

TEST_F(Preview, OutlinesReachingFarOffTheScreenAreDrawnWhereTheyShow) {
  const std::vector<std::uint32_t> before = Screen();
  const velm::gui::ContextHandle dc = velm::gui::CreateDisplayContext();
  ASSERT_NE(dc, nullptr);
  velm::gui::SetRasterOp(dc, velm::gui::kRopNot);
  const host::Rect huge{100, 100, 2147483647, 200};
  const host::Point delta{-24, -80};
  velm::DrawOutline(dc, huge, delta);
  EXPECT_EQ(Pixel(100, 150), 0x000000u) << "the left edge";
  EXPECT_EQ(Pixel(700, 100), 0x000000u) << "the top edge, to the window's edge";
  EXPECT_EQ(Pixel(700, 200), 0x000000u);
  velm::DrawOutline(dc, huge, delta);
  EXPECT_EQ(Screen(), before);
  velm::DrawOutline(dc, {-2147483647, -2147483647, 2147483647, 2147483647}, {0, 0});
  EXPECT_EQ(Screen(), before) << "wholly off the screen";
  velm::gui::DeleteContext(dc);
}

}  // namespace
