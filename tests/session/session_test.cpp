// The plug-in session of the command-line programs (capture and place over a library
// folder), and velm-host place, which writes the document a drop gives.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "artformat/art_objects.h"
#include "common/host_fixture.h"
#include "database/art_stream.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "platform/memory.h"
#include "plugin_session.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;
namespace sc = hostsim::scene;

// The bounds of everything in the current layer.
host::RealRect LayerBounds(hostsim::Document& doc) {
  host::RealRect bounds{};
  EXPECT_TRUE(hostsim::ArtBounds(doc, doc.currentLayer()->group, &bounds));
  return bounds;
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    session_ = velmsession::PluginSession::Open(library(), false, &error);
    ASSERT_NE(session_, nullptr) << error;
    // A 100 x 50 rectangle and a smaller one inside a group, all selected.
    sc::Scene scene;
    scene.Layer("Layer 1",
                {sc::Group({sc::Rect(10, 10, 110, 60), sc::Rect(20, 20, 40, 40)}).Selected()});
    sceneFile_ = (folder_.path() / "scene.json").string();
    std::ofstream(sceneFile_) << scene.json().dump();
    ASSERT_TRUE(session_->OpenScene(sceneFile_, &error)) << error;
    std::int32_t objects = 0;
    ASSERT_TRUE(session_->Capture("図形", {"四角", "基本", ""}, &record_, &objects, &error))
        << error;
    EXPECT_EQ(record_, 0);
    EXPECT_EQ(objects, 4);  // the group's two markers and two paths
  }
  fs::path library() const { return folder_.path() / "library"; }
  // A new empty document.
  hostsim::Document& Fresh() {
    session_->host().SetDocument(std::make_unique<hostsim::Document>());
    return session_->document();
  }

  TempFolder folder_;
  std::unique_ptr<velmsession::PluginSession> session_;
  std::int32_t record_ = -1;
  std::string sceneFile_;
};

// As the palette's add button is disabled, a capture without capturable selected art
// is refused and writes nothing.
TEST_F(SessionTest, ACaptureWithNothingCapturableSelectedIsRefused) {
  sc::Scene guideOnly;
  guideOnly.Layer("Layer 1",
                  {sc::Rect(0, 0, 10, 10).Set("guide", true).Selected(), sc::Rect(20, 20, 30, 30)});
  const std::string guideFile = (folder_.path() / "guide.json").string();
  std::ofstream(guideFile) << guideOnly.json().dump();
  for (const std::string& scene : {sceneFile_, guideFile}) {
    std::string error;
    ASSERT_TRUE(session_->OpenScene(scene, &error)) << error;
    if (scene == sceneFile_) session_->document().DeselectAll();
    std::int32_t record = -1, objects = -1;
    EXPECT_FALSE(session_->Capture("図形", {"空", "", ""}, &record, &objects, &error)) << scene;
    EXPECT_NE(error.find("no art that can be captured is selected"), std::string::npos) << error;
    EXPECT_EQ(session_->RecordCount("図形"), 1) << scene;
  }
}

// A failure the stand-in host reported before a capture belongs to what met it: later
// captures succeed and say so.
TEST_F(SessionTest, AnEarlierHostFailureDoesNotFailLaterCaptures) {
  session_->host().Fail("a failure before the captures");
  for (std::int32_t expected : {1, 2}) {
    std::string error;
    ASSERT_TRUE(session_->OpenScene(sceneFile_, &error)) << error;
    std::int32_t record = -1, objects = 0;
    EXPECT_TRUE(session_->Capture("図形", {"四角", "", ""}, &record, &objects, &error)) << error;
    EXPECT_EQ(record, expected);
  }
}

TEST_F(SessionTest, PlacedArtLandsByTheOriginModeAsOneUndoableStep) {
  EXPECT_EQ(session_->RecordCount("図形"), 1);
  struct Case {
    std::int16_t mode;
    float left, bottom;
  } cases[] = {{0, 300, 350}, {2, 300, 400}, {4, 250, 375}, {6, 200, 350}, {8, 200, 400}};
  for (const Case& c : cases) {
    hostsim::Document& doc = Fresh();
    velmsession::PlaceOptions options;
    options.at = {300, 400};
    options.originMode = c.mode;
    velmsession::PlaceResult result;
    std::string error;
    ASSERT_TRUE(session_->Place("図形", 0, options, &result, &error)) << error;
    EXPECT_EQ(result.createdArt, 3);  // a group of two paths
    EXPECT_EQ(result.snapKind, 0);
    const host::RealRect b = LayerBounds(doc);
    EXPECT_NEAR(b.left, c.left, 1e-3) << "origin mode " << c.mode;
    EXPECT_NEAR(b.bottom, c.bottom, 1e-3) << "origin mode " << c.mode;
    EXPECT_NEAR(b.right - b.left, 100, 1e-3);
    EXPECT_NEAR(b.top - b.bottom, 50, 1e-3);
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.currentLayer()->group->children.empty()) << "one undo takes the drop back";
  }
}

TEST_F(SessionTest, PlacementSnapsTheDropPointFirst) {
  Fresh();
  velmsession::PlaceOptions options;
  options.at = {14.9f, -15.0f};
  options.snapGrid = true;
  options.gridWidth = options.gridHeight = 10;
  velmsession::PlaceResult result;
  std::string error;
  ASSERT_TRUE(session_->Place("図形", 0, options, &result, &error)) << error;
  EXPECT_EQ(result.snapKind, 1);
  EXPECT_EQ(result.dropPoint.h, 10);
  EXPECT_EQ(result.dropPoint.v, -20);
  EXPECT_NEAR(LayerBounds(session_->document()).left, 10, 1e-3);
}

TEST_F(SessionTest, PlacementRefusesWhatCannotBePlaced) {
  hostsim::Document& doc = Fresh();
  velmsession::PlaceOptions options;
  velmsession::PlaceResult result;
  std::string error;
  EXPECT_FALSE(session_->Place("無い", 0, options, &result, &error));
  EXPECT_NE(error.find("has no record 0"), std::string::npos) << error;
  EXPECT_FALSE(session_->Place("図形", 1, options, &result, &error));
  EXPECT_FALSE(session_->Place("a/b", 0, options, &result, &error));
  EXPECT_NE(error.find("cannot be a group name"), std::string::npos) << error;
  options.originMode = 9;
  EXPECT_FALSE(session_->Place("図形", 0, options, &result, &error));
  options.originMode = 2;

  // A locked current layer: the plug-in beeps and creates nothing.
  doc.currentLayer()->editable = false;
  EXPECT_FALSE(session_->Place("図形", 0, options, &result, &error));
  EXPECT_EQ(result.createdArt, 0);
  EXPECT_EQ(result.beeps, 1);
  EXPECT_NE(error.find("beeped"), std::string::npos) << error;

  // A record whose stored length runs past the file cannot be read: that is the cause
  // named, not an empty record.
  doc.currentLayer()->editable = true;
  const fs::path file = library() / "図形.VEL";
  std::fstream damaged(file, std::ios::in | std::ios::out | std::ios::binary);
  damaged.seekp(4 + 4);
  damaged.write("\x7F\xFF\xFF\xFF", 4);
  damaged.close();
  EXPECT_FALSE(session_->Place("図形", 0, options, &result, &error));
  EXPECT_EQ(result.createdArt, 0);
  EXPECT_NE(error.find("the record cannot be read (its group file is damaged"), std::string::npos)
      << error;
  EXPECT_EQ(error.find("holds no art"), std::string::npos) << error;
}

TEST_F(SessionTest, ADragShowsTheSnappedOutlineThenDropsThereAndLeavesTheScreenAsItWas) {
  // The scene's document again: its rectangles' anchors to snap onto.
  std::string error;
  ASSERT_TRUE(session_->OpenScene(sceneFile_, &error)) << error;
  hostsim::Document& doc = session_->document();
  hostsim::Desktop& desktop = session_->host().desktop();
  desktop.Repaint(&doc);
  const std::vector<std::uint32_t> before = desktop.screen().Pixels();

  velmsession::PlaceOptions options;
  options.originMode = 0;
  options.snapAnchor = true;
  const fs::path shot = folder_.path() / "screen.png";
  velmsession::DragResult result;
  ASSERT_TRUE(session_->Drag("図形", 0, {{300, 300}, {200, 200}, {111, 59}}, options, shot.string(),
                             &result, &error))
      << error;
  EXPECT_TRUE(result.outlineShown);
  EXPECT_TRUE(result.erased);
  EXPECT_EQ(result.snapKind, 2);
  EXPECT_EQ(result.cursor, 16105) << "the anchor cursor";
  EXPECT_EQ(result.dropPoint.h, 110);  // the rectangle's corner (110, 60)
  EXPECT_EQ(result.dropPoint.v, 60);
  EXPECT_EQ(result.createdArt, 3);
  EXPECT_EQ(desktop.screen().Pixels(), before) << "the erase leaves the screen as it was";
  EXPECT_TRUE(fs::exists(shot));

  // The placed group, its top left on the snapped corner.
  host::RealRect b{};
  ASSERT_TRUE(hostsim::ArtBounds(doc, doc.currentLayer()->group->children.front(), &b));
  EXPECT_NEAR(b.left, 110, 1e-3);
  EXPECT_NEAR(b.top, 60, 1e-3);

  // A drag that never reaches the document drops nothing.
  EXPECT_FALSE(session_->Drag("図形", 0, {}, options, "", &result, &error));
}

class PlaceCommandTest : public SessionTest {
 protected:
  int RunPlace(const std::string& arguments, std::string* output = nullptr) {
    const fs::path program =
        fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "hostsim" / "velm-host";
    const fs::path log = folder_.path() / "place-output.txt";
    const std::string command = "'" + program.string() + "' place '" + library().string() + "' " +
                                arguments + " > '" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    if (output) {
      std::ifstream in(log);
      output->assign(std::istreambuf_iterator<char>(in), {});
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Out(const std::string& name) const { return (folder_.path() / name).string(); }
};

TEST_F(PlaceCommandTest, TheDocumentIsWrittenWithThePlacedArt) {
  // Placed twice into the scene it came from: the scene's art stays, two copies join it.
  std::string output;
  ASSERT_EQ(RunPlace("図形 0 --at 200,300 --origin 4 --scene '" + sceneFile_ + "' -o '" +
                         Out("once.json") + "'",
                     &output),
            0)
      << output;
  EXPECT_NE(output.find("Placed record 0 of 図形 at (200, 300)"), std::string::npos) << output;
  ASSERT_EQ(RunPlace("図形 0 --at 21,21 --snap anchor --scene '" + Out("once.json") + "' -o '" +
                         Out("twice.json") + "'",
                     &output),
            0)
      << output;
  EXPECT_NE(output.find("snapped to an anchor point"), std::string::npos) << output;

  std::string error;
  std::unique_ptr<hostsim::Document> doc = hostsim::ReadSceneFile(Out("twice.json"), &error);
  ASSERT_NE(doc, nullptr) << error;
  const std::vector<hostsim::Art*>& art = doc->currentLayer()->group->children;
  ASSERT_EQ(art.size(), 3u);
  host::RealRect b{};
  ASSERT_TRUE(hostsim::ArtBounds(*doc, art[0], &b));  // the last drop is topmost
  EXPECT_NEAR(b.left, 20, 1e-3);                      // snapped onto the anchor (20, 20)
  EXPECT_NEAR(b.bottom, 20, 1e-3);
  ASSERT_TRUE(hostsim::ArtBounds(*doc, art[1], &b));
  EXPECT_NEAR(b.left, 150, 1e-3);
  EXPECT_NEAR(b.bottom, 275, 1e-3);

  ASSERT_EQ(RunPlace("図形 0 --at 0,0 -o '" + Out("alone.png") + "'", &output), 0) << output;
  EXPECT_TRUE(fs::exists(Out("alone.png")));
}

TEST_F(PlaceCommandTest, BadRequestsWriteNothing) {
  EXPECT_EQ(RunPlace("図形 0 --at 1 -o '" + Out("a.png") + "'"), 2);
  EXPECT_EQ(RunPlace("図形 0 --at 1,2 --origin 9 -o '" + Out("a.png") + "'"), 2);
  EXPECT_EQ(RunPlace("図形 0 --at 1,2 --snap grid --grid 0,10 -o '" + Out("a.png") + "'"), 2);
  EXPECT_EQ(RunPlace("図形 3 --at 1,2 -o '" + Out("a.png") + "'"), 1);
  EXPECT_EQ(
      RunPlace("図形 0 --at 1,2 --scene '" + Out("missing.json") + "' -o '" + Out("a.png") + "'"),
      1);
  EXPECT_FALSE(fs::exists(Out("a.png")));
}

// A record of group "deep" whose group markers nest deeper than any capture writes
// them: a damaged stream, whose placement ends partway with 1024 groups made.
void StoreTooDeep() {
  velm::os::MemHandle record = velm::NewEmptyRecord();
  auto marker = [&](const std::string& text) {
    std::vector<std::uint8_t> bytes(velm::kMarkerOverhead + text.size(), 0);
    velm::ObjectHeader header{};
    header.type = 7;
    header.length = static_cast<std::int32_t>(bytes.size());
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + sizeof header, text.data(), text.size());
    ASSERT_EQ(velm::AddVELMObj(record, bytes.data()), 0);
  };
  for (int i = 0; i < 1100; ++i)
    marker("GroupArt /");
  for (int i = 0; i < 1100; ++i)
    marker("/ GroupArt");
  velm::ReleaseBlock(velm::gGlobals->currentRecord);
  velm::gGlobals->currentRecord = record;
  ASSERT_EQ(velm::WriteGroupRecord("deep", -1), host::kNoErr);
}

TEST_F(PlaceCommandTest, APlacementThatEndsPartwayIsAFailure) {
  StoreTooDeep();
  velmsession::PlaceOptions options;
  velmsession::DragResult result;
  std::string error;
  Fresh();
  EXPECT_FALSE(session_->Place("deep", 0, options, &result, &error));
  EXPECT_EQ(result.createdArt, 1024);
  EXPECT_EQ(result.beeps, 1);
  EXPECT_NE(error.find("record 0 was placed only in part"), std::string::npos) << error;
  // The drop at the end of a drag, the same.
  error.clear();
  ASSERT_TRUE(session_->OpenScene(sceneFile_, &error)) << error;
  EXPECT_FALSE(session_->Drag("deep", 0, {{300, 300}}, options, "", &result, &error));
  EXPECT_NE(error.find("placed only in part"), std::string::npos) << error;
  // velm-host place exits 1 with the message and writes no document.
  std::string output;
  EXPECT_EQ(RunPlace("deep 0 --at 0,0 -o '" + Out("deep.png") + "'", &output), 1);
  EXPECT_NE(output.find("placed only in part"), std::string::npos) << output;
  EXPECT_FALSE(fs::exists(Out("deep.png")));
}

}  // namespace
}  // namespace velmtest
