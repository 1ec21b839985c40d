// velm-host capture: a scene's selected art appended to a group of a library folder, as
// the plug-in reads it back.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "tests/capture/capture_fixture.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;
namespace sc = hostsim::scene;

class CaptureCommandTest : public CaptureTest {
 protected:
  void SetUp() override {
    CaptureTest::SetUp();
    program_ = fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "hostsim" / "velm-host";
    if (!fs::exists(program_)) GTEST_SKIP() << "velm-host is not built";
    scene_ = drive_.path() / "scene.json";
    sc::Scene scene;
    scene.Layer("Layer 1", {sc::Group({sc::Rect(0, 0, 10, 10), sc::Rect(20, 0, 30, 10)}).Selected(),
                            sc::Rect(50, 50, 60, 60)});
    std::ofstream(scene_) << scene.json().dump();
  }
  // The program's exit status (-1 when it did not exit normally).
  int Run(const std::string& arguments) {
    const std::string command = "'" + program_.string() + "' capture '" + scene_.string() +
                                "' --library '" + DatabaseFolder().string() + "' " + arguments +
                                " > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  fs::path program_;
  fs::path scene_;
};

TEST_F(CaptureCommandTest, TheSelectionIsAppendedWithItsTexts) {
  ASSERT_EQ(Run("--group 図形 --name 四角 --kind 基本 --comment 'two squares'"), 0);
  ASSERT_EQ(Run("--group 図形 --name second"), 0);
  const std::string group = Sjis("図形");
  EXPECT_EQ(velm::GroupRecordCount(group.c_str()), 2);

  ASSERT_EQ(velm::VelmReadRecord(group.c_str(), 0, nullptr, velm::kReadWholeRecord, true),
            host::kNoErr);
  ASSERT_NE(velm::gGlobals->currentRecord, nullptr);
  EXPECT_EQ(Utf8(Header()->name), "四角");
  EXPECT_EQ(Utf8(Header()->kind), "基本");
  EXPECT_EQ(std::string(Header()->comment), "two squares");
  EXPECT_EQ(Header()->bounds.right, Fx(30));
  EXPECT_EQ(Outline(), (std::vector<std::string>{"GroupArt /", "path", "path", "/ GroupArt"}));
}

TEST_F(CaptureCommandTest, BadGroupsAndTextsWriteNothing) {
  EXPECT_EQ(Run("--group 'a/b' --name x"), 1);
  EXPECT_EQ(Run("--group shapes --name " + std::string(64, 'n')), 1);
  EXPECT_FALSE(fs::exists(GroupFile("shapes")));
  // Names the listing would never show, or that Windows takes for a device.
  EXPECT_EQ(Run("--group a.VEL --name x"), 1);
  EXPECT_EQ(Run("--group con --name x"), 1);
  EXPECT_EQ(Run("--group LPT1.x --name x"), 1);
  // A group file that cannot be created.
  fs::create_directories(GroupFile("blocked"));
  EXPECT_EQ(Run("--group blocked --name x"), 1);
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(DatabaseFolder()))
    entries += entry.path().filename() != "VELM.LCK";  // the writers' lock file
  EXPECT_EQ(entries, 1) << "only the folder that blocks the group file";
  std::ofstream(scene_) << "{\"layers\": 3}";
  EXPECT_EQ(Run("--group shapes --name x"), 1);
  EXPECT_FALSE(fs::exists(GroupFile("shapes")));
}

}  // namespace
}  // namespace velmtest

namespace velmtest {
namespace {

// The reference scene (every kind of art) captured whole and stored: the library's own
// checker finds nothing wrong with the record.
TEST_F(CaptureTest, EveryKindOfArtCapturedPassesTheLibraryCheck) {
  const fs::path velm =
      fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "tools" / "velm" / "velm";
  if (!fs::exists(velm)) GTEST_SKIP() << "velm is not built";
  std::string error;
  ASSERT_TRUE(hostsim::OpenSceneFile(host(), std::string(VELM_TEST_DATA) + "/scenes/reference.json",
                                     &error))
      << error;
  int selected = 0;
  for (hostsim::Layer* layer : doc().layers())
    for (hostsim::Art* art : layer->group->children) {
      doc().Select(art, true);
      ++selected;
    }
  ASSERT_GT(selected, 5);
  ASSERT_EQ(Capture(), host::kNoErr);
  ASSERT_NE(velm::gGlobals->currentRecord, nullptr);
  const std::int32_t objects = velm::RecordHeader(velm::gGlobals->currentRecord)->objectCount;
  EXPECT_GT(objects, 10);
  ASSERT_EQ(velm::WriteGroupRecord("all", -1), host::kNoErr);

  const std::string command =
      "'" + velm.string() + "' verify '" + DatabaseFolder().string() + "' > /dev/null 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "velm verify reported problems";

  // And the record reads back whole with the same objects.
  ASSERT_EQ(velm::VelmReadRecord("all", 0, nullptr, velm::kReadWholeRecord, true), host::kNoErr);
  EXPECT_EQ(velm::RecordHeader(velm::gGlobals->currentRecord)->objectCount, objects);
}

}  // namespace
}  // namespace velmtest
