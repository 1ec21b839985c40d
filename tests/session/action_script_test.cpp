// The action manager's session steps: a recorded list survives a restart of the host and
// plays into another library.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/host_fixture.h"
#include "session_script.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;

int RunScript(const fs::path& folder, const std::string& script, std::string* error) {
  velmsession::ScriptOptions options;
  options.library = folder / "library";
  options.out = folder / "out";
  options.input = VELM_TEST_DATA "/scenes";
  std::istringstream in(script);
  std::ostringstream log;
  return velmsession::RunSessionScript(in, options, error, log);
}

TEST(ActionScriptTest, ARecordedListSurvivesARestartAndPlaysIntoAnotherLibrary) {
  TempFolder folder;
  std::string error;
  ASSERT_EQ(RunScript(folder.path(),
                      "start\n"
                      "record start\n"
                      "dialog type 5 図形\n"
                      "dialog press 1\n"
                      "flyout グループ追加...\n"
                      "record stop s.set\n"
                      "restart\n"
                      "actions after-restart.txt\n"
                      "stop\n"
                      "library other\n"
                      "start\n"
                      "play s.set\n",
                      &error),
            0)
      << error;
  std::ifstream text(folder.path() / "out" / "after-restart.txt");
  const std::string listed((std::istreambuf_iterator<char>(text)), {});
  EXPECT_EQ(listed, "1. ZEM_VELM_NewGroup  VELM新規グループ\n   グループ: 図形\n");
  EXPECT_TRUE(fs::exists(folder.path() / "out" / "other" / "図形.VEL"));

  for (const auto& [script, expected] : {
           std::pair<std::string, std::string>{"start\nrecord stop\n",
                                               "line 2: the host is not recording"},
           {"start\nplay none.set\n", "line 2: cannot read the action set"},
       }) {
    error.clear();
    EXPECT_EQ(RunScript(folder.path(), script, &error), 1);
    EXPECT_EQ(error.rfind(expected, 0), 0u) << error;
  }
}

}  // namespace
}  // namespace velmtest
