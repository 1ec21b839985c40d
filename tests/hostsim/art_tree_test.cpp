// The art tree through the layer, art, group and plug-in group suites: walking, paint
// order, locking, disposal, duplication, selection, plug-in art and undo.
#include <cstring>
#include <vector>

#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

class ArtTreeTest : public DocumentTest {
 protected:
  const host::ArtSuite& art() { return Suite<host::ArtSuite>(); }
  const host::LayerSuite& layers() { return Suite<host::LayerSuite>(); }

  host::ArtHandle New(std::int32_t type, std::int32_t order, host::ArtHandle prep = nullptr) {
    host::ArtHandle made = nullptr;
    EXPECT_EQ(art().NewArt(type, order, prep, &made), host::kNoErr);
    return made;
  }
  // The children of a container, topmost first, by walking first child / next sibling.
  std::vector<host::ArtHandle> Children(host::ArtHandle container) {
    std::vector<host::ArtHandle> list;
    host::ArtHandle child = nullptr;
    EXPECT_EQ(art().GetArtFirstChild(container, &child), host::kNoErr);
    while (child) {
      list.push_back(child);
      EXPECT_EQ(art().GetArtSibling(child, &child), host::kNoErr);
    }
    return list;
  }
  host::ArtHandle LayerGroup(int index) {
    host::LayerHandle layer = nullptr;
    EXPECT_EQ(layers().GetNthLayer(index, &layer), host::kNoErr);
    host::ArtHandle group = nullptr;
    EXPECT_EQ(art().GetFirstArtOfLayer(layer, &group), host::kNoErr);
    return group;
  }
};

TEST_F(ArtTreeTest, NewDocumentHasOneEmptyCurrentLayer) {
  std::int32_t count = 0;
  ASSERT_EQ(layers().CountLayers(&count), host::kNoErr);
  EXPECT_EQ(count, 1);
  host::LayerHandle first = nullptr, current = nullptr, past = nullptr;
  ASSERT_EQ(layers().GetNthLayer(0, &first), host::kNoErr);
  ASSERT_EQ(layers().GetCurrentLayer(&current), host::kNoErr);
  EXPECT_EQ(first, current);
  EXPECT_EQ(layers().GetNthLayer(1, &past), host::kBadParameterErr);
  host::Boolean visible = 0, editable = 0;
  EXPECT_EQ(layers().GetLayerVisible(first, &visible), host::kNoErr);
  EXPECT_EQ(layers().GetLayerEditable(first, &editable), host::kNoErr);
  EXPECT_TRUE(visible && editable);
  std::int32_t type = 0;
  EXPECT_EQ(art().GetArtType(LayerGroup(0), &type), host::kNoErr);
  EXPECT_EQ(type, host::kGroupArt);
  EXPECT_TRUE(Children(LayerGroup(0)).empty());
}

TEST_F(ArtTreeTest, PaintOrdersPlaceArtWhereTheyName) {
  const host::ArtHandle a = New(host::kPathArt, host::kPlaceAboveAll);
  const host::ArtHandle b = New(host::kPathArt, host::kPlaceAboveAll);
  EXPECT_EQ(Children(LayerGroup(0)), (std::vector<host::ArtHandle>{b, a}));

  const host::ArtHandle below = New(host::kPathArt, host::kPlaceBelow, b);
  const host::ArtHandle above = New(host::kPathArt, host::kPlaceAbove, a);
  EXPECT_EQ(Children(LayerGroup(0)), (std::vector<host::ArtHandle>{b, below, above, a}));

  const host::ArtHandle group = New(host::kGroupArt, host::kPlaceBelow, a);
  const host::ArtHandle top = New(host::kPathArt, host::kPlaceInsideOnTop, group);
  const host::ArtHandle bottom = New(host::kPathArt, host::kPlaceInsideOnBottom, group);
  const host::ArtHandle newTop = New(host::kTextArt, host::kPlaceInsideOnTop, group);
  EXPECT_EQ(Children(group), (std::vector<host::ArtHandle>{newTop, top, bottom}));
  host::ArtHandle last = nullptr;
  EXPECT_EQ(art().GetArtSibling(bottom, &last), host::kNoErr);
  EXPECT_EQ(last, nullptr);
}

TEST_F(ArtTreeTest, NextSiblingsStayRightWhileTheContainerChanges) {
  std::vector<host::ArtHandle> made;
  for (int i = 0; i < 5; ++i)
    made.insert(made.begin(), New(host::kPathArt, host::kPlaceAboveAll));
  EXPECT_EQ(Children(LayerGroup(0)), made);
  // Take one out of the middle and put a new one on top: every art's next sibling is
  // asked afresh, the one remembered from the last walk notwithstanding.
  ASSERT_EQ(art().DisposeArt(made[2]), host::kNoErr);
  made.erase(made.begin() + 2);
  made.insert(made.begin(), New(host::kPathArt, host::kPlaceAboveAll));
  for (std::size_t i = 0; i < made.size(); ++i) {
    host::ArtHandle next = nullptr;
    ASSERT_EQ(art().GetArtSibling(made[i], &next), host::kNoErr);
    EXPECT_EQ(next, i + 1 < made.size() ? made[i + 1] : nullptr) << i;
  }
  EXPECT_EQ(Children(LayerGroup(0)), made);
}

TEST_F(ArtTreeTest, NewArtRefusesWhatCannotBeMade) {
  const host::ArtHandle path = New(host::kPathArt, host::kPlaceAboveAll);
  const host::ArtHandle compound = New(host::kCompoundPathArt, host::kPlaceAboveAll);
  host::ArtHandle made = nullptr;
  // Only paths go into a compound path; nothing goes inside a path.
  EXPECT_EQ(art().NewArt(host::kGroupArt, host::kPlaceInsideOnTop, compound, &made),
            host::kBadParameterErr);
  EXPECT_EQ(art().NewArt(host::kPathArt, host::kPlaceInsideOnTop, path, &made),
            host::kBadParameterErr);
  // Orders that need a reference, text-path and unknown types, unknown orders.
  EXPECT_EQ(art().NewArt(host::kPathArt, host::kPlaceBelow, nullptr, &made),
            host::kBadParameterErr);
  EXPECT_EQ(art().NewArt(host::kTextPathArt, host::kPlaceAboveAll, nullptr, &made),
            host::kBadParameterErr);
  EXPECT_EQ(art().NewArt(host::kPathArt, 9, path, &made), host::kBadParameterErr);
  // Nothing went in.
  EXPECT_EQ(Children(LayerGroup(0)), (std::vector<host::ArtHandle>{compound, path}));
  EXPECT_TRUE(Children(compound).empty());
}

TEST_F(ArtTreeTest, LockedAndHiddenLayersTakeNoNewArt) {
  const host::ArtHandle path = New(host::kPathArt, host::kPlaceAboveAll);
  hostsim::Layer* layer = doc().currentLayer();
  host::ArtHandle made = nullptr;
  layer->editable = false;
  EXPECT_EQ(art().NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &made),
            host::kLockedLayerErr);
  EXPECT_EQ(art().DisposeArt(path), host::kLockedLayerErr);
  layer->editable = true;
  layer->visible = false;
  EXPECT_EQ(art().NewArt(host::kPathArt, host::kPlaceAbove, path, &made), host::kLockedLayerErr);
  EXPECT_EQ(Children(LayerGroup(0)).size(), 1u);
}

TEST_F(ArtTreeTest, DisposedArtAndItsChildrenAreGone) {
  const host::ArtHandle group = New(host::kGroupArt, host::kPlaceAboveAll);
  const host::ArtHandle child = New(host::kPathArt, host::kPlaceInsideOnTop, group);
  ASSERT_EQ(art().DisposeArt(group), host::kNoErr);
  std::int32_t type = 0;
  EXPECT_EQ(art().GetArtType(group, &type), host::kBadParameterErr);
  EXPECT_EQ(art().GetArtType(child, &type), host::kBadParameterErr);
  EXPECT_EQ(art().DisposeArt(group), host::kBadParameterErr);
  EXPECT_TRUE(Children(LayerGroup(0)).empty());
  // A layer's own group cannot be disposed of; a handle that was never art is refused.
  EXPECT_EQ(art().DisposeArt(LayerGroup(0)), host::kBadParameterErr);
  int notArt = 0;
  EXPECT_EQ(art().GetArtType(reinterpret_cast<host::ArtHandle>(&notArt), &type),
            host::kBadParameterErr);
}

TEST_F(ArtTreeTest, DuplicateCopiesTheSubtreeToItsPlace) {
  const host::ArtHandle group = New(host::kGroupArt, host::kPlaceAboveAll);
  const host::ArtHandle child = New(host::kPathArt, host::kPlaceInsideOnTop, group);
  const host::PathSegment seg[2] = {Corner(1, 2), Corner(3, 4)};
  doc().ArtFrom(child)->segments.assign(seg, seg + 2);
  host::ArtHandle copy = nullptr;
  ASSERT_EQ(art().DuplicateArt(group, host::kPlaceBelow, group, &copy), host::kNoErr);
  EXPECT_EQ(Children(LayerGroup(0)), (std::vector<host::ArtHandle>{group, copy}));
  const std::vector<host::ArtHandle> copied = Children(copy);
  ASSERT_EQ(copied.size(), 1u);
  EXPECT_NE(copied[0], child);
  EXPECT_EQ(doc().ArtFrom(copied[0])->segments.size(), 2u);
  EXPECT_EQ(doc().ArtFrom(copied[0])->segments[1].anchor.v, 4.0f);
  // Changing the copy leaves the original alone.
  doc().ArtFrom(copied[0])->segments.clear();
  EXPECT_EQ(doc().ArtFrom(child)->segments.size(), 2u);
}

TEST_F(ArtTreeTest, SelectingAGroupSelectsWhatItHolds) {
  const host::ArtHandle group = New(host::kGroupArt, host::kPlaceAboveAll);
  const host::ArtHandle inner = New(host::kPathArt, host::kPlaceInsideOnTop, group);
  const host::ArtHandle outside = New(host::kPathArt, host::kPlaceAboveAll);
  doc().Select(doc().ArtFrom(group), true);
  std::int32_t attr = -1;
  EXPECT_EQ(art().GetArtUserAttr(inner, host::kArtSelected, &attr), host::kNoErr);
  EXPECT_EQ(attr, host::kArtSelected);
  EXPECT_EQ(art().GetArtUserAttr(outside, host::kArtSelected, &attr), host::kNoErr);
  EXPECT_EQ(attr, 0);
  // The mask keeps only the bits asked for.
  doc().ArtFrom(inner)->attributes |= host::kArtLocked;
  EXPECT_EQ(art().GetArtUserAttr(inner, host::kArtHidden | host::kArtLocked, &attr), host::kNoErr);
  EXPECT_EQ(attr, host::kArtLocked);
}

TEST_F(ArtTreeTest, InjectedFailuresComeBackFromTheOperation) {
  const host::ArtHandle path = New(host::kPathArt, host::kPlaceAboveAll);
  host().suites().FailOperation(host::ArtSuite::kName, "GetArtType", host::kHostFailureErr, 1);
  std::int32_t type = 0;
  EXPECT_EQ(art().GetArtType(path, &type), host::kNoErr);
  EXPECT_EQ(art().GetArtType(path, &type), host::kHostFailureErr);
  host().suites().FailOperation(host::ArtSuite::kName, "NewArt", host::kOutOfMemoryErr);
  host::ArtHandle made = nullptr;
  EXPECT_EQ(art().NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &made),
            host::kOutOfMemoryErr);
  EXPECT_EQ(Children(LayerGroup(0)).size(), 1u);
}

TEST_F(ArtTreeTest, GroupClippingFlag) {
  const auto& group = Suite<host::GroupSuite>();
  const host::ArtHandle g = New(host::kGroupArt, host::kPlaceAboveAll);
  const host::ArtHandle p = New(host::kPathArt, host::kPlaceAboveAll);
  host::Boolean clipped = 1;
  EXPECT_EQ(group.GetGroupClipped(g, &clipped), host::kNoErr);
  EXPECT_FALSE(clipped);
  EXPECT_EQ(group.SetGroupClipped(g, 1), host::kNoErr);
  EXPECT_EQ(group.GetGroupClipped(g, &clipped), host::kNoErr);
  EXPECT_TRUE(clipped);
  EXPECT_EQ(group.SetGroupClipped(p, 1), host::kBadParameterErr);
}

TEST_F(ArtTreeTest, PluginArtTakesEditArtGroupVersionAndData) {
  const auto& plugin = Suite<host::PluginGroupSuite>();
  doc().NewPluginGroup("Other");
  doc().NewPluginGroup("Twirl");
  std::int32_t count = 0;
  ASSERT_EQ(plugin.CountPluginGroups(&count), host::kNoErr);
  ASSERT_EQ(count, 2);
  host::PluginGroupHandle twirl = nullptr;
  const char* name = nullptr;
  ASSERT_EQ(plugin.GetNthPluginGroup(1, &twirl), host::kNoErr);
  ASSERT_EQ(plugin.GetPluginGroupName(twirl, &name), host::kNoErr);
  EXPECT_STREQ(name, "Twirl");

  const host::ArtHandle pa = New(host::kPluginArt, host::kPlaceAboveAll);
  const host::ArtHandle edit = New(host::kGroupArt, host::kPlaceAboveAll);
  New(host::kPathArt, host::kPlaceInsideOnTop, edit);
  host::ArtHandle result = nullptr;
  EXPECT_EQ(plugin.GetPluginArtResultArt(pa, &result), host::kNoErr);
  EXPECT_EQ(result, nullptr);
  ASSERT_EQ(plugin.SetPluginArtEditArt(pa, edit), host::kNoErr);
  // The edit art left the layer; the result art draws as a copy of it.
  EXPECT_EQ(Children(LayerGroup(0)), (std::vector<host::ArtHandle>{pa}));
  ASSERT_EQ(plugin.GetPluginArtResultArt(pa, &result), host::kNoErr);
  ASSERT_NE(result, nullptr);
  EXPECT_NE(result, edit);
  EXPECT_EQ(Children(result).size(), 1u);

  EXPECT_EQ(plugin.SetPluginArtPluginGroup(pa, twirl), host::kNoErr);
  EXPECT_EQ(plugin.SetPluginArtVersion(pa, 3, 1), host::kNoErr);
  EXPECT_EQ(plugin.SetPluginArtDataCount(pa, 4), host::kNoErr);
  const unsigned char bytes[3] = {7, 8, 9};
  EXPECT_EQ(plugin.SetPluginArtDataRange(pa, bytes, 1, 3), host::kNoErr);
  EXPECT_EQ(plugin.SetPluginArtDataRange(pa, bytes, 2, 3), host::kBadParameterErr);
  EXPECT_EQ(plugin.SetPluginArtDataRange(pa, bytes, 0xFFFFFFFFu, 3), host::kBadParameterErr);
  const hostsim::Art* a = doc().ArtFrom(pa);
  EXPECT_EQ(a->plugin.group->name, "Twirl");
  EXPECT_EQ(a->plugin.major, 3);
  EXPECT_EQ(a->plugin.data, (std::vector<std::uint8_t>{0, 7, 8, 9}));
  // Only groups can be edit art, and only plug-in art takes it.
  const host::ArtHandle path = New(host::kPathArt, host::kPlaceAboveAll);
  EXPECT_EQ(plugin.SetPluginArtEditArt(pa, path), host::kBadParameterErr);
  EXPECT_EQ(plugin.SetPluginArtVersion(path, 1, 0), host::kBadParameterErr);
}

TEST_F(ArtTreeTest, UndoRemovesWhatAStepCreatedAndRedoBringsItBack) {
  const host::ArtHandle before = New(host::kPathArt, host::kPlaceAboveAll);
  doc().BeginUndoStep();
  doc().SetUndoTexts("undo it", "redo it");
  const host::ArtHandle group = New(host::kGroupArt, host::kPlaceAboveAll);
  const host::ArtHandle inner = New(host::kPathArt, host::kPlaceInsideOnTop, group);
  ASSERT_EQ(art().DisposeArt(before), host::kNoErr);
  EXPECT_EQ(doc().undoText(), "undo it");

  ASSERT_TRUE(doc().Undo());
  EXPECT_EQ(Children(LayerGroup(0)), (std::vector<host::ArtHandle>{before}));
  std::int32_t type = 0;
  EXPECT_EQ(art().GetArtType(group, &type), host::kBadParameterErr);
  EXPECT_EQ(art().GetArtType(inner, &type), host::kBadParameterErr);
  EXPECT_EQ(doc().redoText(), "redo it");

  ASSERT_TRUE(doc().Redo());
  EXPECT_EQ(Children(LayerGroup(0)), (std::vector<host::ArtHandle>{group}));
  EXPECT_EQ(Children(group), (std::vector<host::ArtHandle>{inner}));
  EXPECT_EQ(art().GetArtType(before, &type), host::kBadParameterErr);
}

TEST_F(ArtTreeTest, StepsWithoutChangesLeaveNoUndo) {
  doc().BeginUndoStep();
  doc().SetUndoTexts("nothing", "nothing");
  doc().BeginUndoStep();
  EXPECT_EQ(doc().undoDepth(), 0u);
  EXPECT_FALSE(doc().Undo());
}

TEST_F(ArtTreeTest, WithoutADocumentThereAreNoLayers) {
  host().SetDocument(nullptr);
  std::int32_t count = -1;
  EXPECT_EQ(layers().CountLayers(&count), host::kNoErr);
  EXPECT_EQ(count, 0);
  host::LayerHandle layer = nullptr;
  EXPECT_EQ(layers().GetCurrentLayer(&layer), host::kNotFoundErr);
  host::ArtHandle made = nullptr;
  EXPECT_EQ(art().NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &made),
            host::kBadParameterErr);
}

}  // namespace
}  // namespace velmtest
