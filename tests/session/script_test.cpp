// Scripted user sessions: the palette driven through the steps, its state across a
// restart of the host, and steps that cannot be carried out.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "common/host_fixture.h"
#include "session_script.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;

class ScriptTest : public ::testing::Test {
 protected:
  // Runs `script`; the status, and the error in `error_`.
  int Run(const std::string& script) {
    velmsession::ScriptOptions options;
    options.library = folder_.path() / "library";
    options.out = folder_.path() / "out";
    options.input = VELM_TEST_DATA "/scenes";
    std::istringstream in(script);
    std::ostringstream log;
    error_.clear();
    return velmsession::RunSessionScript(in, options, &error_, log);
  }
  TempFolder folder_;
  std::string error_;
};

TEST_F(ScriptTest, ThePaletteComesBackAsItWasLeftAfterARestart) {
  ASSERT_EQ(Run("start\n"
                "dialog type 5 図形\n"
                "dialog press 1\n"
                "flyout グループ追加...\n"
                "dialog type 5 文字\n"
                "dialog press 1\n"
                "flyout グループ追加...\n"
                "popup 図形\n"
                "move 850 90\n"
                "resize 300 330\n"
                "flyout リスト表示\n"
                "flyout 日付順\n"
                "tick\n"
                "restart\n"
                "tick\n"
                "expect place 850,90,300,330\n"
                "expect view 3\n"
                "expect sort 2\n"
                "expect group 図形\n"
                "screenshot restarted.png\n"),
            0)
      << error_;
  EXPECT_TRUE(fs::exists(folder_.path() / "out" / "restarted.png"));
  EXPECT_TRUE(fs::exists(folder_.path() / "library" / "文字.VEL"));
}

// What input methods type for the seven doubled characters is taken and kept in the
// Windows form that Shift-JIS reads back as.
TEST_F(ScriptTest, DialogsTakeTheJisFormsOfTheDoubledCharacters) {
  ASSERT_EQ(Run("start\n"
                "dialog type 5 群〜−‖—¢£¬\n"
                "dialog press 1\n"
                "flyout グループ追加...\n"
                "dialog type 5 図形\n"
                "dialog press 1\n"
                "flyout グループ追加...\n"
                "expect group 図形\n"
                "popup 群〜−‖—¢£¬\n"
                "expect group 群～－∥―￠￡￢\n"),
            0)
      << error_;
  EXPECT_TRUE(fs::exists(folder_.path() / "library" / "群～－∥―￠￡￢.VEL"));
}

TEST_F(ScriptTest, AStepThatCannotBeCarriedOutStopsTheSessionAtItsLine) {
  struct Case {
    std::string script;
    std::string error;
  };
  for (const Case& c : {
           Case{"tick\n", "line 1: the host is not running (start it first)"},
           Case{"start\nclick remove\n", "line 2: the remove button is disabled"},
           Case{"start\npress 0\n", "line 2: the record list has no entry 0"},
           Case{"start\nflyout 3\n", "line 2: flyout entry 3 is disabled"},
           Case{"start\ndialog press 1\n", "line 2: no dialog opened for this answer"},
           Case{"start\nexpect view 2\n", "line 2: expected view 2, found 1"},
           Case{"start\nscroll up\n", "line 2: scroll takes a number of rows (negative: up)"},
           Case{"start\nfly\n", "line 2: unknown step \"fly\" (or wrong arguments)"},
           Case{"start\ndialog type 2 \"x\n", "line 2: a quoted text is not closed"},
           Case{"start\ntick 1000000000\n",
                "line 2: tick takes a count of timer periods from 1 to 7200 (an hour)"},
           Case{"start\nhover 1e300,5\n",
                "line 2: hover over an entry number or a screen point X,Y"},
           Case{"start\nhover nan,5\n", "line 2: hover over an entry number or a screen point X,Y"},
       }) {
    EXPECT_EQ(Run(c.script), 1) << c.script;
    EXPECT_EQ(error_, c.error) << c.script;
  }
}

// A script that cannot be read is a bad command line, not an empty session.
TEST_F(ScriptTest, AScriptThatIsAFolderOrMissingIsRefused) {
  const fs::path program =
      fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "hostsim" / "velm-host";
  for (const fs::path& script : {folder_.path(), folder_.path() / "missing.txt"}) {
    const std::string command = "'" + program.string() + "' session '" + script.string() +
                                "' --out '" + folder_.path().string() + "' > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << script;
    EXPECT_EQ(WEXITSTATUS(status), 2) << script;
  }
}

}  // namespace
}  // namespace velmtest
