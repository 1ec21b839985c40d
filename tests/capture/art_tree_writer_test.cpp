// The art tree writer: which art becomes which objects and markers, the capture origin and
// bounds, the depth limits, host errors and running out of memory.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "capture/art_tree_writer.h"
#include "capture/capture_context.h"
#include "database/art_stream.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "platform/memory.h"
#include "tests/capture/capture_fixture.h"

namespace velmtest {
namespace {

using Strings = std::vector<std::string>;

class TreeWriterTest : public CaptureTest {};

TEST_F(TreeWriterTest, GroupsOpenOnlyWhenSelectedAndClippingIsMarked) {
  hostsim::Art* selected = Group();
  Rectangle(0, 0, 10, 10, selected);
  Rectangle(20, 0, 30, 10, selected);
  Select(selected);
  hostsim::Art* clip = Group();
  clip->clipped = true;
  Rectangle(0, 20, 10, 30, clip);
  Rectangle(2, 22, 8, 28, clip);
  Select(clip);
  // A path selected alone inside an unselected group: the group is transparent.
  hostsim::Art* plain = Group();
  Rectangle(50, 50, 60, 60, plain);
  Select(Rectangle(70, 50, 80, 60, plain));

  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(), (Strings{"GroupArt /", "path", "path", "/ GroupArt",
                                "GroupArt / Clipped=TRUE", "path", "path", "/ GroupArt", "path"}));
  EXPECT_EQ(Header()->objectCount, 9);
}

TEST_F(TreeWriterTest, CompoundPathsAndNestedGroupsKeepTheirOrder) {
  hostsim::Art* outer = Group();
  hostsim::Art* compound = Add(host::kCompoundPathArt, outer);
  Rectangle(0, 0, 10, 10, compound);
  Rectangle(2, 2, 8, 8, compound);
  hostsim::Art* inner = Group(outer);
  Rectangle(20, 0, 30, 10, inner);
  Select(outer);
  // Guides and unselected paths are left out.
  Rectangle(40, 0, 50, 10)->guide = true;
  Rectangle(60, 0, 70, 10);
  Select(LayerGroup()->children[1]);

  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(),
            (Strings{"GroupArt /", "CompoundPathArt /", "path", "path", "/ CompoundPathArt",
                     "GroupArt /", "path", "/ GroupArt", "/ GroupArt"}));
}

TEST_F(TreeWriterTest, StyledArtReplacesAPathOnlyAtFullOpacity) {
  hostsim::Art* shadowed = Rectangle(0, 0, 10, 10);
  shadowed->effect.shadow = true;
  shadowed->effect.offset = {3, -3};
  shadowed->effect.color = GrayColor(0.5f);
  Select(shadowed);
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(),
            (Strings{"StyledArt /", "GroupArt /", "path", "path", "/ GroupArt", "/ StyledArt"}));
  // The art, then its shadow 3 points right and below; the origin is the art's corner.
  const std::vector<StoredObject> objects = Objects();
  EXPECT_EQ(objects[2].segment(0).anchor.h, Fx(0));
  EXPECT_EQ(objects[3].segment(0).anchor.h, Fx(3));
  EXPECT_EQ(objects[3].segment(0).anchor.v, Fx(-3));
  EXPECT_EQ(objects[3].path().style.fillColor.payload.gray.gray, Fx(0.5));

  shadowed->blend.opacity = 0.5f;
  ASSERT_EQ(Capture(), host::kNoErr);
  ASSERT_EQ(Outline(), Strings{"path"});
  EXPECT_EQ(Objects()[0].header().opacity, Fx(0.5));
}

TEST_F(TreeWriterTest, PluginArtIsCapturedThroughItsResultArtWhetherSelectedOrNot) {
  hostsim::Art* plugin = Add(host::kPluginArt);
  hostsim::Art* edit = doc().Create(host::kGroupArt);
  Rectangle(0, 0, 10, 10, edit);
  Rectangle(5, 5, 20, 20, edit);
  plugin->plugin.editArt = edit;
  doc().UpdateResultArt(plugin);
  Select(plugin);
  ASSERT_EQ(Capture(), host::kNoErr);
  // The result art's own group is at the plug-in art's depth (1): it opens a group.
  EXPECT_EQ(Outline(), (Strings{"GroupArt /", "path", "path", "/ GroupArt"}));

  plugin->attributes = 0;
  Select(Rectangle(0, 0, 1, 1));
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(), Strings{"path"}) << "unselected plug-in art is left out";
}

TEST_F(TreeWriterTest, NothingSelectedGivesAnEmptyRecord) {
  Rectangle(0, 0, 10, 10);
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Header()->objectCount, 0);
  EXPECT_EQ(Header()->recordLength, 65962);
  EXPECT_EQ(Header()->bounds.left, 0);
  EXPECT_EQ(Header()->bounds.top, 0);
  EXPECT_EQ(Header()->bounds.right, 0);
  EXPECT_EQ(Header()->bounds.bottom, 0);
  EXPECT_EQ(velm::gGlobals->currentRecordIndex, -1);
  EXPECT_EQ(velm::gGlobals->scratchRecord, nullptr);
  velm::CaptureBounds bounds;
  velm::MeasureSelection(&bounds, false);
  EXPECT_EQ(bounds.left, 65535.0f);
  EXPECT_EQ(bounds.bottom, 65535.0f);
}

TEST_F(TreeWriterTest, CoordinatesAreRelativeToTheSelectionsLowerLeftCorner) {
  Select(Rectangle(100, 200, 150, 260));
  Select(Rectangle(250, 180, 300, 230));  // 100 points to the right of the first
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Header()->bounds.left, 0);
  EXPECT_EQ(Header()->bounds.bottom, 0);
  EXPECT_EQ(Header()->bounds.right, Fx(200));
  EXPECT_EQ(Header()->bounds.top, Fx(80));
  EXPECT_NE(Header()->created, 0u);
  EXPECT_EQ(Header()->created, Header()->modified);
  const std::vector<StoredObject> objects = Objects();
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0].segment(0).anchor.h, Fx(0));
  EXPECT_EQ(objects[0].segment(0).anchor.v, Fx(20));
  EXPECT_EQ(objects[1].segment(2).anchor.h, Fx(200));
  EXPECT_EQ(objects[1].segment(2).anchor.v, Fx(50));
}

// A path whose last piece is curved: its last anchor and the curve's extreme belong to the
// exact bounds; the stroke does not (the host's bounds include half of it).
TEST_F(TreeWriterTest, ExactBoundsFollowTheCurvesAndIncludeTheLastAnchor) {
  const host::PathSegment start{{0, 0}, {0, -40}, {0, 40}, 0};
  const host::PathSegment end{{100, 0}, {100, 40}, {100, -40}, 0};
  hostsim::Art* arc = Path({start, end}, false);
  arc->style.strokePaint = 1;
  arc->style.stroke.width = 10;
  Select(arc);
  velm::CaptureBounds exact, hostBounds;
  velm::MeasureSelection(&exact, false);
  velm::MeasureSelection(&hostBounds, true);
  EXPECT_EQ(exact.left, 0.0f);
  EXPECT_EQ(exact.right, 100.0f) << "the end anchor of an open curved path";
  EXPECT_EQ(exact.bottom, 0.0f);
  EXPECT_NEAR(exact.top, 30.0f, 0.01f);  // the curve's top is 3/4 of the handles' height
  EXPECT_FLOAT_EQ(hostBounds.left, -5.0f);
  EXPECT_FLOAT_EQ(hostBounds.right, 105.0f);

  // A closed path measures its closing piece too.
  arc->closed = true;
  velm::MeasureSelection(&exact, false);
  EXPECT_NEAR(exact.bottom, -30.0f, 0.01f);
}

TEST_F(TreeWriterTest, MarkersStopAtTheDepthLimitWhilePathsAreStillCaptured) {
  hostsim::Art* container = LayerGroup();
  for (int depth = 1; depth <= 1030; ++depth)
    container = Group(container);
  Rectangle(0, 0, 10, 10, container);
  Select(LayerGroup()->children[0]);
  ASSERT_EQ(Capture(), host::kNoErr);
  const Strings outline = Outline();
  ASSERT_EQ(outline.size(), 1023u * 2 + 1);
  EXPECT_EQ(outline[1022], "GroupArt /");
  EXPECT_EQ(outline[1023], "path");
  EXPECT_EQ(outline[1024], "/ GroupArt");
}

// A host error while the art is read would leave an object out or store made-up points:
// the capture reports the first such error and leaves no record. A mesh later in the walk
// fails as well, so that the last error is not the first.
TEST_F(TreeWriterTest, HostErrorsReadingArtFailTheCaptureWithTheFirstError) {
  hostsim::Art* group = Group();
  Rectangle(0, 0, 10, 10, group);
  Rectangle(20, 0, 30, 10, group);
  Select(group);
  Select(Rectangle(40, 0, 50, 10));
  Select(Add(host::kMeshArt))->mesh.Init(host::kCartesianMesh, 1, 1, {0, 10, 10, 0});
  const std::pair<const char*, const char*> failures[] = {
      {"AI Path Suite", "GetPathSegmentCount"}, {"AI Path Suite", "GetPathSegments"},
      {"AI Path Suite", "GetPathClosed"},       {"AI Art Suite", "GetArtType"},
      {"AI Art Suite", "GetArtFirstChild"},     {"AI Art Suite", "GetArtSibling"},
      {"AI Art Suite", "GetArtUserAttr"},       {"AI Layer Suite", "GetNthLayer"},
  };
  for (const auto& [suite, op] : failures) {
    SCOPED_TRACE(op);
    host().suites().FailOperation(suite, op, host::kBadParameterErr);
    host().suites().FailOperation("AI Mesh Suite", "GetMeshKind", host::kHostFailureErr);
    EXPECT_EQ(Capture(), host::kBadParameterErr);
    host().suites().ClearFailures();
    EXPECT_EQ(velm::gGlobals->currentRecord, nullptr);
  }
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(), (Strings{"GroupArt /", "path", "path", "/ GroupArt", "path", "type 11"}));
}

TEST_F(TreeWriterTest, RunningOutOfMemoryLeavesNoRecordAtAnyPoint) {
  hostsim::Art* group = Group();
  for (int i = 0; i < 5; ++i)
    Rectangle(10.0f * i, 0, 10.0f * i + 5, 5, group);
  group->children[2]->style.fill.color.kind = host::kPatternColor;
  group->children[2]->style.fill.color.c.pattern.pattern =
      reinterpret_cast<host::PatternHandle>(RectanglePattern(0, 0, 4, 4));
  group->children[2]->style.fill.color.c.pattern.scale = {1, 1};
  Select(group);
  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<std::string> full = Outline();

  int failures = 0;
  for (int allowed = 0; allowed < 40; ++allowed) {
    os::TestOverrides().allocationsBeforeFailure = allowed;
    const host::Err status = Capture();
    os::TestOverrides().allocationsBeforeFailure = -1;
    if (status == -1) {
      ++failures;
      EXPECT_EQ(velm::gGlobals->currentRecord, nullptr) << allowed;
    } else {
      EXPECT_EQ(Outline(), full) << allowed;
    }
    EXPECT_EQ(velm::gGlobals->scratchRecord, nullptr) << allowed;
  }
  EXPECT_GT(failures, 5);
}

TEST_F(TreeWriterTest, ACapturedRecordIsStoredAndReadBackWhole) {
  hostsim::Art* group = Group();
  Rectangle(0, 0, 10, 10, group);
  hostsim::Art* curve =
      Path({{{0, 0}, {0, 0}, {5, 9}, 0}, {{20, 3}, {15, 9}, {20, 3}, 1}}, false, group);
  curve->style.strokePaint = 1;
  curve->style.stroke.color = RgbColor(0.25f, 0.5f, 1);
  curve->style.stroke.dash.length = 2;
  curve->style.stroke.dash.array[0] = 3;
  curve->style.stroke.dash.array[1] = 1.5f;
  Select(group);
  ASSERT_EQ(Capture(), host::kNoErr);
  std::memcpy(Header()->name, "star", 5);
  const std::int32_t length = Header()->recordLength;
  const Strings outline = Outline();
  ASSERT_EQ(outline, (Strings{"GroupArt /", "path", "path", "/ GroupArt"}));
  const std::vector<std::uint8_t> written(velm::gGlobals->currentRecord,
                                          velm::gGlobals->currentRecord + length);
  std::filesystem::create_directories(DatabaseFolder());
  ASSERT_EQ(velm::WriteGroupRecord("shapes", -1), host::kNoErr);

  // Read back, it becomes the current record again.
  ASSERT_EQ(velm::VelmReadRecord("shapes", 0, nullptr, velm::kReadWholeRecord, true), host::kNoErr);
  const os::MemHandle read = velm::gGlobals->currentRecord;
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(velm::RecordHeader(read)->recordLength, length);
  EXPECT_EQ(std::memcmp(read, written.data(), velm::kRecordHeaderPrefix), 0);
  EXPECT_EQ(std::memcmp(read + velm::kThumbnailOffset, written.data() + velm::kThumbnailOffset,
                        static_cast<std::size_t>(length) - velm::kThumbnailOffset),
            0);
  // The stream walks as it did before it was stored.
  EXPECT_EQ(Outline(), outline);
}

// A group's or compound path's opacity goes onto the paths inside where that draws the
// same; where it cannot, the paths keep their own and the capture counts the loss.
TEST_F(TreeWriterTest, ContainerOpacityIsCarriedDownOrCounted) {
  struct Case {
    const char* what;
    std::int32_t type;
    std::vector<std::array<float, 4>> rectangles;
    double stored;       // each path's stored opacity
    int lost;            // group opacities counted
    bool frame = false;  // the first rectangle paints only a stroke 2 wide
  } cases[] = {
      {"one child", host::kGroupArt, {{0, 0, 10, 10}}, 0.5, 0},
      {"apart", host::kGroupArt, {{0, 0, 10, 10}, {20, 0, 30, 10}}, 0.5, 0},
      {"overlapping", host::kGroupArt, {{0, 0, 10, 10}, {5, 0, 15, 10}}, 1, 1},
      {"compound path", host::kCompoundPathArt, {{0, 0, 10, 10}, {20, 0, 30, 10}}, 0.5, 0},
      {"inside a frame", host::kGroupArt, {{0, 0, 100, 100}, {20, 20, 80, 80}}, 0.5, 0, true},
      {"across a frame", host::kGroupArt, {{0, 0, 100, 100}, {90, 20, 120, 80}}, 1, 1, true},
      {"touching a frame's stroke",
       host::kGroupArt,
       {{0, 0, 100, 100}, {2, 20, 80, 80}},
       1,
       1,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    hostsim::Art* container = Add(c.type);
    container->blend.opacity = 0.5f;
    for (const auto& r : c.rectangles) {
      hostsim::Art* path = Rectangle(r[0], r[1], r[2], r[3], container);
      if (c.frame && &r == &c.rectangles.front()) {
        path->style.fillPaint = 0;
        path->style.strokePaint = 1;
        path->style.stroke.width = 2;
      }
    }
    Select(container);
    ASSERT_EQ(Capture(), host::kNoErr);
    int paths = 0;
    for (const StoredObject& o : Objects())
      if (o.type() == 2) {
        EXPECT_EQ(o.header().opacity, Fx(c.stored));
        ++paths;
      }
    EXPECT_EQ(paths, static_cast<int>(c.rectangles.size()));
    EXPECT_EQ(velm::CaptureLossCount(velm::CaptureLoss::kGroupOpacity), c.lost);
    doc().Dispose(container);
  }
}

TEST_F(TreeWriterTest, AGradientOnAStrokeIsCounted) {
  hostsim::Art* path = Select(Rectangle(0, 0, 10, 10));
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(velm::CaptureLossCount(velm::CaptureLoss::kStrokeGradient), 0);
  path->style.strokePaint = 1;
  path->style.stroke.color.kind = host::kGradientColor;
  path->style.stroke.color.c.gradient.gradient =
      reinterpret_cast<host::GradientHandle>(doc().NewGradient());
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(velm::CaptureLossCount(velm::CaptureLoss::kStrokeGradient), 1);
}

}  // namespace
}  // namespace velmtest
