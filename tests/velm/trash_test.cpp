// velm trash list, restore and empty after velm rm and rmgroup, end to end.
#include <gtest/gtest.h>

#include <filesystem>

#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class TrashCommandTest : public VelmToolTest {
 protected:
  void SetUp() override {
    VelmToolTest::SetUp();
    Store("動物", MakeRecord("猫", "哺乳類", "", 1000));
    Store("動物", MakeRecord("犬", "哺乳類", "", 2000));
  }
  fs::path Trash() const { return DatabaseFolder() / "TRASH"; }
};

TEST_F(TrashCommandTest, ListRestoreAndEmpty) {
  const std::string library = FileBytes(GroupFile("動物"));
  RunResult r = Run({"rm", FileOf("動物"), "猫"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("kept in the trash: velm trash restore " + Folder() + " 1"),
            std::string::npos)
      << r.out;
  ASSERT_EQ(Run({"rmgroup", Folder(), "動物", "--yes"}).code, 0);

  // The trash is no group: ls and verify see none.
  EXPECT_EQ(RunJson({"ls", Folder()})["groups"], json::array());
  EXPECT_EQ(Run({"verify", Folder()}).code, 0);

  json listed = RunJson({"trash", "list", Folder()});
  ASSERT_EQ(listed["entries"].size(), 2u);
  EXPECT_EQ(listed["entries"][0]["kind"], "group");
  EXPECT_EQ(listed["entries"][0]["first_record"], "犬");
  EXPECT_EQ(listed["entries"][1]["kind"], "record");
  EXPECT_EQ(listed["entries"][1]["group"], "動物");
  EXPECT_EQ(listed["entries"][1]["first_record"], "猫");
  r = Run({"trash", "list", Folder()});
  EXPECT_NE(r.out.find("2  record  動物  \"猫\"  1 record  removed "), std::string::npos) << r.out;

  // The group by its number, then the record by its file name: the library as it was.
  r = Run({"trash", "restore", Folder(), "1"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "restored group 動物 with 1 records\n");
  r = Run({"trash", "restore", Folder(), listed["entries"][1]["file"].get<std::string>()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "restored a record to 動物 #1\n");
  // Both records as stored (their dates with them), 猫 now after 犬.
  const std::string back = FileBytes(GroupFile("動物"));
  const std::vector<Span> was = RecordSpans(library), now = RecordSpans(back);
  ASSERT_EQ(now.size(), 2u);
  EXPECT_EQ(back.substr(now[0].offset, now[0].length),
            library.substr(was[1].offset, was[1].length));
  EXPECT_EQ(back.substr(now[1].offset, now[1].length),
            library.substr(was[0].offset, was[0].length));

  const struct {
    std::vector<std::string> args;
    int code;
  } refusals[] = {
      {{"trash", "restore", Folder(), "1"}, 1},  // empty now
      {{"trash", "restore", Folder(), "R-20240101000000-0000-x.VEL"}, 1},
      {{"trash", "restore", Folder(), "1", "--as", "a/b"}, 2},
      {{"trash", "list"}, 2},
      {{"trash"}, 2},
      {{"trash", "list", FileOf("動物")}, 2},
  };
  for (const auto& c : refusals)
    EXPECT_EQ(Run(c.args).code, c.code) << c.args.size();

  // A foreign file is reported (status 1) and left by empty.
  ASSERT_EQ(Run({"rm", FileOf("動物"), "0"}).code, 0);
  WriteFileBytes(Trash() / "notes.txt", "x");
  r = Run({"trash", "list", Folder()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("foreign  notes.txt"), std::string::npos) << r.out;
  r = Run({"trash", "empty", Folder()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "deleted 1 entry from the trash\n");
  EXPECT_TRUE(fs::exists(Trash() / "notes.txt"));
}

}  // namespace
}  // namespace velmtest
