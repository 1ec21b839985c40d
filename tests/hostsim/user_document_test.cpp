// The scripted user's document actions, seen through the suites the plug-in uses.
#include "hostsim/desktop/user_document.h"
#include "hostsim/document_files.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

class UserDocumentTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    std::string error;
    ASSERT_TRUE(hostsim::OpenSceneFile(
        host(), std::string(VELM_TEST_DATA) + "/scenes/reference.json", &error))
        << error;
  }
  bool Selected(const std::string& id) {
    std::int32_t attr = 0;
    EXPECT_EQ(Suite<host::ArtSuite>().GetArtUserAttr(ArtNamed(id), host::kArtSelected, &attr),
              host::kNoErr);
    return attr != 0;
  }
};

TEST_F(UserDocumentTest, SelectingByIdReplacesOrAddsToTheSelection) {
  hostsim::DocumentUser user(host());
  EXPECT_TRUE(Selected("red-square"));
  ASSERT_TRUE(user.Select("clip-group"));
  EXPECT_FALSE(Selected("red-square"));
  EXPECT_FALSE(Selected("donut"));
  EXPECT_TRUE(Selected("clip-group"));
  EXPECT_TRUE(Selected("clipped-green"));  // what the group holds
  ASSERT_TRUE(user.AddToSelection("text"));
  EXPECT_TRUE(Selected("text"));
  EXPECT_TRUE(Selected("clip-group"));
  ASSERT_TRUE(user.Deselect("clip-group"));
  EXPECT_FALSE(Selected("clip-path"));
  user.DeselectAll();
  EXPECT_FALSE(Selected("text"));
}

TEST_F(UserDocumentTest, AWrongNameIsReportedAndChangesNothing) {
  std::vector<std::string> failures;
  host().SetFailureHandler([&](const std::string& what) { failures.push_back(what); });
  hostsim::DocumentUser user(host());
  EXPECT_FALSE(user.Select("no-such-art"));
  EXPECT_TRUE(Selected("red-square"));
  EXPECT_FALSE(user.LockLayer("No Such Layer"));
  EXPECT_FALSE(user.SetZoom(0));
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_NE(failures[0].find("\"no-such-art\""), std::string::npos);
  EXPECT_NE(failures[1].find("\"No Such Layer\""), std::string::npos);
}

TEST_F(UserDocumentTest, ZoomKeepsTheWindowCentreAndShowsThroughTheViewSuite) {
  hostsim::DocumentUser user(host());
  const auto& views = Suite<host::DocumentViewSuite>();
  host::DocumentViewHandle view = nullptr;
  ASSERT_EQ(views.GetNthDocumentView(0, &view), host::kNoErr);
  const host::Point centre{400, 300};
  host::RealPoint before{}, after{};
  ASSERT_EQ(views.ViewPointToArtworkPoint(view, &centre, &before), host::kNoErr);
  ASSERT_TRUE(user.SetZoom(4));
  host::Real zoom = 0;
  ASSERT_EQ(views.GetDocumentViewZoom(view, &zoom), host::kNoErr);
  EXPECT_EQ(zoom, 4.0f);
  ASSERT_EQ(views.ViewPointToArtworkPoint(view, &centre, &after), host::kNoErr);
  EXPECT_EQ(after.h, before.h);
  EXPECT_EQ(after.v, before.v);
  const host::Point right{404, 300};
  ASSERT_EQ(views.ViewPointToArtworkPoint(view, &right, &after), host::kNoErr);
  EXPECT_EQ(after.h, before.h + 1);
}

TEST_F(UserDocumentTest, LayersAreChosenLockedAndHidden) {
  hostsim::DocumentUser user(host());
  const auto& layers = Suite<host::LayerSuite>();
  ASSERT_TRUE(user.SetCurrentLayer("Hidden"));
  host::LayerHandle current = nullptr, hiddenLayer = nullptr;
  ASSERT_EQ(layers.GetCurrentLayer(&current), host::kNoErr);
  ASSERT_EQ(layers.GetNthLayer(0, &hiddenLayer), host::kNoErr);
  EXPECT_EQ(current, hiddenLayer);
  // New art cannot go into a hidden layer; shown again, it can, until it is locked.
  host::ArtHandle made = nullptr;
  const auto& art = Suite<host::ArtSuite>();
  EXPECT_EQ(art.NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &made),
            host::kLockedLayerErr);
  ASSERT_TRUE(user.HideLayer("Hidden", false));
  EXPECT_EQ(art.NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &made), host::kNoErr);
  ASSERT_TRUE(user.LockLayer("Hidden"));
  host::Boolean editable = 1;
  ASSERT_EQ(layers.GetLayerEditable(current, &editable), host::kNoErr);
  EXPECT_FALSE(editable);
  EXPECT_EQ(art.NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &made),
            host::kLockedLayerErr);
  // Hiding the art layer takes its art out of the picture.
  ASSERT_TRUE(user.HideLayer("Art"));
  hostsim::RenderOptions options;
  options.area = host::RealRect{0, 400, 600, 0};
  auto picture = hostsim::RenderDocument(doc(), options);
  EXPECT_EQ(picture->Pixel(70, 399 - 340), 0x000000u);  // the black cover of the shown layer
  ASSERT_TRUE(user.HideLayer("Hidden"));
  picture = hostsim::RenderDocument(doc(), options);
  EXPECT_EQ(picture->Pixel(70, 399 - 340), 0xFFFFFFu);
}

}  // namespace
}  // namespace velmtest
