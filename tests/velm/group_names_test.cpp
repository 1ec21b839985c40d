// What velm takes for a group file: names ending in ".VEL" only, never repair's backups
// beside them; and the status codes its messages show.
#include <gtest/gtest.h>

#include <filesystem>

#include "command_support.h"
#include "host/errors.h"
#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class GroupNamesTest : public VelmToolTest {};

TEST_F(GroupNamesTest, BackupsBesideGroupFilesAreNoGroups) {
  Append("a", "r");
  const std::string file = FileBytes(GroupFile("a"));
  for (const char* name : {"a.VEL.bak", "b.VEL.bak2", "c\xff.VEL.bak", "d.VELM"})
    WriteFileBytes(DatabaseFolder() / name, file);
  // Neither listed nor reported as a group the plug-in cannot see.
  const json verified = RunJson({"verify", Folder()}, 0);
  ASSERT_EQ(verified["groups"].size(), 1u);
  EXPECT_EQ(verified["groups"][0]["name"], "a");
  EXPECT_TRUE(verified["unreadableFiles"].empty()) << verified.dump();
  const RunResult backup = Run({"ls", (DatabaseFolder() / "a.VEL.bak").string()});
  EXPECT_EQ(backup.code, 1);
  EXPECT_NE(backup.err.find("not a group file"), std::string::npos) << backup.out << backup.err;

  // A host folder whose only file with ".VEL" in its name is a backup stands for its VELM.
  TempFolder host;
  fs::create_directories(host.path() / "VELM");
  fs::copy_file(GroupFile("a"), host.path() / "VELM" / "g.VEL");
  WriteFileBytes(host.path() / "g.VEL.bak", file);
  const json listed = RunJson({"ls", host.path().string()}, 0);
  ASSERT_EQ(listed["groups"].size(), 1u);
  EXPECT_EQ(listed["groups"][0]["name"], "g");
}

TEST_F(GroupNamesTest, AFailedRemovalShowsOnlyARealStatusCode) {
  struct Case {
    std::int32_t status;
    const char* shown;
  } cases[] = {{host::kNoErr, ""}, {host::kBadParameterErr, " ['PARM']"}, {-3, " [-3]"}};
  for (const Case& c : cases)
    EXPECT_EQ(velmtool::StatusSuffix(c.status), c.shown) << c.status;

  // A group whose file cannot be opened for writing (a link to nothing) is not removed, and
  // the message shows the removal's status.
  fs::create_directories(DatabaseFolder());
  fs::create_symlink(DatabaseFolder() / "missing", GroupFile("gone"));
  const RunResult r = Run({"rmgroup", Folder(), "gone", "--yes"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("could not be removed [-1]\n"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace velmtest
