// velm import when memory runs out: the file that needed it is skipped with its reason and
// the import goes on with the next.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "commands.h"
#include "velm/allocation_limit.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

TEST(ImportMemory, AFileThatRunsOutOfMemoryIsSkippedAndTheNextImported) {
  const fs::path root =
      fs::temp_directory_path() / ("velm-import-memory-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "in");
  // The first file is larger than any block the import may have while it runs: reading it
  // fails as it would on a machine whose memory runs out.
  std::ofstream(root / "in" / "a.svg")
      << "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'><!--"
      << std::string(24u << 20, ' ') << "--><rect width='9' height='9'/></svg>";
  std::ofstream(root / "in" / "b.svg")
      << "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'>"
         "<rect width='9' height='9' fill='#c00'/></svg>";
  const fs::path report = root / "report.json";
  // In a process of its own: the import opens a plug-in of its own.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    velmtool::ImportOptions options;
    options.paths = {(root / "in").string(), (root / "library").string()};
    options.json = true;
    std::ostringstream out, err;
    int code;
    {
      velmtest::LargeAllocationsFail limit(16u << 20);
      code = velmtool::CommandImport(options, out, err);
    }
    std::ofstream(report) << out.str();
    std::_Exit(code);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the import ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::ostringstream text;
  text << std::ifstream(report).rdbuf();
  const json j = json::parse(text.str(), nullptr, false);
  ASSERT_EQ(j["records"].size(), 1u) << text.str();
  EXPECT_EQ(fs::path(j["records"][0]["file"].get<std::string>()).filename(), "b.svg");
  ASSERT_EQ(j["skipped"].size(), 1u) << text.str();
  EXPECT_EQ(fs::path(j["skipped"][0]["file"].get<std::string>()).filename(), "a.svg");
  EXPECT_NE(j["skipped"][0]["reason"].get<std::string>().find("memory"), std::string::npos);
  fs::remove_all(root);
}

}  // namespace
