// velm rm, edit, cp, mkgroup and rmgroup on libraries written through the plug-in, and
// velm verify on what they leave.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record_move.h"
#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class WriteTest : public VelmToolTest {
 protected:
  void SetUp() override {
    VelmToolTest::SetUp();
    Store("動物", MakeRecord("猫", "哺乳類", "", 1000));
    Store("動物", MakeRecord("犬", "哺乳類", "", 2000));
    Store("植物", MakeRecord("松", "", "", 3000));
  }
  // name@created per record of `group`, in file order.
  std::vector<std::string> Records(const std::string& group) {
    std::vector<std::string> records;
    const json listed = RunJson({"ls", Folder(), "--group", group});
    for (const json& r : listed["groups"][0]["records"])
      records.push_back(r["name"].get<std::string>() + "@" +
                        std::to_string(r["created"]["raw"].get<std::uint32_t>()));
    return records;
  }
  void ExpectVerified() {
    const RunResult r = Run({"verify", Folder()});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
  }
};

TEST_F(WriteTest, RmRemovesOneRecordAndRefusesWhatIsNotThere) {
  const RunResult r = Run({"rm", FileOf("動物"), "0"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("removed 動物 #0 \"猫\"; 1 left"), std::string::npos) << r.out;
  EXPECT_EQ(Records("動物"), (std::vector<std::string>{"犬@2000"}));
  const std::string kept = FileBytes(GroupFile("動物"));
  const struct {
    std::vector<std::string> args;
    int code;
  } refusals[] = {{{"rm", FileOf("動物"), "1"}, 1},
                  {{"rm", FileOf("動物"), "-1"}, 2},
                  {{"rm", FileOf("無い"), "0"}, 1},
                  {{"rm", Folder(), "0"}, 2}};
  for (const auto& c : refusals) {
    EXPECT_EQ(Run(c.args).code, c.code) << c.args[1] << " " << c.args[2];
  }
  EXPECT_EQ(FileBytes(GroupFile("動物")), kept);
  ExpectVerified();
}

TEST_F(WriteTest, EditChangesTextsInPlaceAndMovesKeepingTheDates) {
  RunResult r = Run({"edit", FileOf("動物"), "1", "--name", "狼", "--comment", "群れ"});
  EXPECT_EQ(r.code, 0) << r.err;
  json shown = RunJson({"show", FileOf("動物"), "1"});
  EXPECT_EQ(shown["header"]["name"], "狼");
  EXPECT_EQ(shown["header"]["kind"], "哺乳類");
  EXPECT_EQ(shown["header"]["comment"], "群れ");
  EXPECT_EQ(shown["header"]["created"]["raw"], 2000);
  EXPECT_GT(shown["header"]["modified"]["raw"].get<std::uint32_t>(), 2000u);

  r = Run({"edit", FileOf("動物"), "0", "--group", "植物", "--kind", "猫科"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("moved 動物 #0 \"猫\" to 植物 #1"), std::string::npos) << r.out;
  EXPECT_EQ(Records("動物"), (std::vector<std::string>{"狼@2000"}));
  EXPECT_EQ(Records("植物"), (std::vector<std::string>{"松@3000", "猫@1000"}));
  shown = RunJson({"show", FileOf("植物"), "1"});
  EXPECT_EQ(shown["header"]["kind"], "猫科");
  EXPECT_EQ(shown["header"]["modified"]["raw"], 1000) << "a move keeps both dates";
  ExpectVerified();
}

// Texts that do not fit, or that Shift-JIS cannot hold, are refused whole (exit 2);
// unknown targets are problems (exit 1); nothing changes either way.
TEST_F(WriteTest, EditRefusesTextsThatDoNotFitAndChangesNothing) {
  std::string kanji31, kanji32;
  for (int i = 0; i < 31; ++i)
    kanji31 += "字";
  kanji32 = kanji31 + "字";
  const struct {
    std::vector<std::string> options;
    int code;
    const char* message;
  } cases[] = {
      {{"--name", kanji32}, 2, "64 bytes in Shift-JIS, more than its 63"},
      {{"--name", kanji31 + "ab"}, 2, "more than its 63"},
      {{"--kind", "😀"}, 2, "Shift-JIS cannot hold"},
      {{"--comment", std::string(256, 'c')}, 2, "more than its 255"},
      {{"--group", "a/b"}, 2, "cannot be a group name"},
      {{"--group", "無い"}, 1, "no group \"無い\""},
      {{}, 2, "nothing to change"},
  };
  const std::string before = FileBytes(GroupFile("動物"));
  for (const auto& c : cases) {
    std::vector<std::string> args = {"edit", FileOf("動物"), "0"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult r = Run(args);
    EXPECT_EQ(r.code, c.code) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(FileBytes(GroupFile("動物")), before);
  EXPECT_EQ(Run({"edit", FileOf("動物"), "0", "--name", kanji31 + "a"}).code, 0) << "63 bytes fit";
  EXPECT_EQ(Records("動物")[0], kanji31 + "a@1000");
}

// The JIS forms that input methods type are stored as the Shift-JIS codes of their
// Windows forms and read back in those; searches take either form.
TEST_F(WriteTest, TextsTakeTheJisFormsOfTheDoubledCharacters) {
  const std::string jis = "〜−‖—¢£¬", windows = "～－∥―￠￡￢";
  const RunResult r =
      Run({"edit", FileOf("動物"), "0", "--name", jis, "--kind", jis, "--comment", "a" + jis});
  ASSERT_EQ(r.code, 0) << r.err;
  const json shown = RunJson({"show", FileOf("動物"), "0"});
  EXPECT_EQ(shown["header"]["name"], windows);
  EXPECT_EQ(shown["header"]["kind"], windows);
  EXPECT_EQ(shown["header"]["comment"], "a" + windows);
  for (const std::string& text : {jis.substr(0, 3), windows.substr(0, 3)}) {
    const json found = RunJson({"search", Folder(), "--field", "kind", "--text", text});
    EXPECT_EQ(found["matches"].size(), 1u) << text << found.dump();
  }
  EXPECT_EQ(Run({"mkgroup", Folder(), "群" + jis}).code, 0);
  EXPECT_TRUE(fs::exists(GroupFile("群" + windows)));
}

TEST_F(WriteTest, AMoveWhoseTargetCannotBeWrittenLeavesTheRecordInItsGroup) {
  // A target whose count promises records that are not there.
  WriteFileBytes(GroupFile("植物"), std::string("\0\0\0\3", 4));
  const std::string source = FileBytes(GroupFile("動物"));
  const RunResult r = Run({"edit", FileOf("動物"), "0", "--group", "植物"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("it stays in 動物"), std::string::npos) << r.err;
  EXPECT_EQ(FileBytes(GroupFile("動物")), source);
  EXPECT_EQ(FileBytes(GroupFile("植物")), std::string("\0\0\0\3", 4));
}

TEST_F(WriteTest, CpCopiesARecordAsStoredToAnotherGroupOrLibrary) {
  EXPECT_EQ(Run({"cp", FileOf("動物"), "1", FileOf("植物")}).code, 0);
  EXPECT_EQ(Records("植物"), (std::vector<std::string>{"松@3000", "犬@2000"}));
  const std::vector<Span> from = RecordSpans(FileBytes(GroupFile("動物")));
  const std::vector<Span> to = RecordSpans(FileBytes(GroupFile("植物")));
  EXPECT_EQ(FileBytes(GroupFile("植物")).substr(to[1].offset, to[1].length),
            FileBytes(GroupFile("動物")).substr(from[1].offset, from[1].length));

  // Into a group file of another library that does not exist yet.
  TempFolder other;
  const std::string copy = (other.path() / "写し.VEL").string();
  const RunResult r = Run({"cp", FileOf("動物"), "0", copy});
  EXPECT_EQ(r.code, 0) << r.err;
  const json listed = RunJson({"ls", copy});
  ASSERT_EQ(listed["groups"][0]["records"].size(), 1u);
  EXPECT_EQ(listed["groups"][0]["records"][0]["created"]["raw"], 1000);
  EXPECT_EQ(Run({"verify", other.path().string()}).code, 0);

  EXPECT_EQ(Run({"cp", FileOf("動物"), "7", copy}).code, 1);
  EXPECT_EQ(Run({"cp", FileOf("動物"), "0", (other.path() / "lower.vel").string()}).code, 2);
  EXPECT_EQ(Run({"cp", FileOf("動物"), "0", (other.path() / "no" / "x.VEL").string()}).code, 1);
  ExpectVerified();
}

TEST_F(WriteTest, MkgroupAndRmgroup) {
  RunResult r = Run({"mkgroup", Folder(), "鉱物"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(FileBytes(GroupFile("鉱物")), "");
  EXPECT_EQ(Run({"mkgroup", Folder(), "鉱物"}).code, 1) << "exists";
  for (const char* bad : {"a/b", "..", "検索結果", "a.VELb"})
    EXPECT_EQ(Run({"mkgroup", Folder(), bad}).code, 2) << bad;
  EXPECT_EQ(Run({"mkgroup", Folder(), std::string(64, 'g')}).code, 2) << "never cut";

  r = Run({"rmgroup", Folder(), "動物"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("holds 2 records"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(GroupFile("動物")));
  EXPECT_EQ(Run({"rmgroup", Folder(), "動物", "--yes"}).code, 0);
  EXPECT_FALSE(fs::exists(GroupFile("動物")));
  const json trash = RunJson({"trash", "list", Folder()});
  ASSERT_EQ(trash["entries"].size(), 1u) << "kept in the trash";
  EXPECT_EQ(trash["entries"][0]["group"], "動物");
  EXPECT_EQ(trash["entries"][0]["records"], 2);
  EXPECT_EQ(Run({"rmgroup", Folder(), "動物", "--yes"}).code, 1);
  ExpectVerified();
}

// A move the power cut between its two writes: verify reports it, repair of either group
// finishes it, and the record is then in its new group only.
TEST_F(WriteTest, AnInterruptedMoveIsReportedAndFinishedByRepair) {
  const std::string before = FileBytes(GroupFile("動物")), other = FileBytes(GroupFile("植物"));
  for (std::uint32_t n = 1; n < 100 && Records("植物").size() < 2; ++n) {
    WriteFileBytes(GroupFile("動物"), before);
    WriteFileBytes(GroupFile("植物"), other);
    for (const auto& entry : fs::directory_iterator(DatabaseFolder()))
      if (entry.path().extension() == ".MOV") fs::remove(entry.path());
    ASSERT_EQ(velm::VelmReadRecord(Sjis("動物").c_str(), 0, nullptr, velm::kReadWholeRecord, true),
              0);
    os::FileFaults faults;
    faults.powerLossAfter = n;
    os::TestOverrides().fileFaults = &faults;
    std::int32_t number = -1;
    velm::MoveOutcome outcome{};
    velm::MoveGroupRecord(Sjis("動物").c_str(), 0, Sjis("猫").c_str(), Sjis("植物").c_str(),
                          &number, &outcome);
    os::SimulateRestart(true);
    os::TestOverrides().fileFaults = nullptr;
  }
  ASSERT_EQ(Records("植物"), (std::vector<std::string>{"松@3000", "猫@1000"}));
  ASSERT_EQ(Records("動物"), (std::vector<std::string>{"猫@1000", "犬@2000"}));

  RunResult r = Run({"verify", Folder()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("an interrupted move of record 0 \"猫\" from 動物 to 植物"),
            std::string::npos)
      << r.out;
  r = Run({"repair", FileOf("植物")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("finished the interrupted move"), std::string::npos) << r.out;
  EXPECT_EQ(Records("動物"), (std::vector<std::string>{"犬@2000"}));
  EXPECT_EQ(Records("植物"), (std::vector<std::string>{"松@3000", "猫@1000"}));
  ExpectVerified();
}

// The temporary folders of velm runs that were killed are removed by the next run.
TEST_F(WriteTest, TemporaryFoldersOfKilledRunsAreRemoved) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  const fs::path stale = fs::temp_directory_path() / ("velm-" + std::to_string(child) + "-x1");
  fs::create_directories(stale / "velm");
  fs::create_directory_symlink(DatabaseFolder(), stale / "velm" / "VELM");
  EXPECT_EQ(Run({"ls", Folder()}).code, 0);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_EQ(Records("植物").size(), 1u) << "the link was removed, not followed";
}

// The host's folder, with the library in its "VELM" folder, stands for the library.
TEST_F(WriteTest, TheFolderHoldingTheLibraryStandsForIt) {
  const std::string host = DatabaseFolder().parent_path().string();
  const json listed = RunJson({"ls", host});
  EXPECT_EQ(listed["groups"].size(), 2u);
  EXPECT_EQ(Run({"mkgroup", host, "鉱物"}).code, 0);
  EXPECT_TRUE(fs::exists(GroupFile("鉱物")));
  EXPECT_EQ(Run({"verify", host}).code, 0);
}

}  // namespace
}  // namespace velmtest
