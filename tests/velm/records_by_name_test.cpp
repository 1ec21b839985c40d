// Records named by number or by name in every command that takes one, the confirmations
// that name what a command acted on, and velm search's status when nothing matches.
#include <gtest/gtest.h>

#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

using nlohmann::json;

class RecordsByNameTest : public VelmToolTest {
 protected:
  void SetUp() override {
    VelmToolTest::SetUp();
    for (const char* name : {"月", "Moon", "Sun", "ＳＵＮ", "sun", "Sunny"})
      Append("天気", name);
    Append("星", "北極星");
  }
  std::vector<std::string> Names(const std::string& group) {
    std::vector<std::string> names;
    const json listed = RunJson({"ls", Folder(), "--group", group});
    for (const json& r : listed["groups"][0]["records"])
      names.push_back(r["name"].get<std::string>());
    return names;
  }
  TempFolder out_;
};

TEST_F(RecordsByNameTest, ArgumentIsANumberOrAWholeFoldedName) {
  const struct {
    const char* typed;
    int code;
    int record;         // the record shown, when found
    const char* error;  // in stderr, when refused
  } cases[] = {
      {"4", 0, 4, ""},
      {"月", 0, 0, ""},
      {"Sunny", 0, 5, ""},
      {"moon", 0, 1, ""},      // case folded
      {"ＭＯＯＮ", 0, 1, ""},  // width and case folded
      {"Ｓｕｎｎｙ", 0, 5, ""},
      {"Moo", 1, 0, "天気 has no record named \"Moo\""},  // the whole name only
      {"星", 1, 0, "天気 has no record named \"星\""},
      {"Sun", 2, 0, "3 records of 天気 are named \"Sun\": numbers 2 3 4"},
      {"6", 1, 0, "天気 has no record 6 (it holds 6 records"},
      {"99999999999", 2, 0, "must be a whole number"},
      {"-1", 2, 0, "must be a whole number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    const RunResult r = Run({"show", FileOf("天気"), c.typed, "--json"});
    ASSERT_EQ(r.code, c.code) << r.err;
    if (c.code == 0) {
      EXPECT_EQ(json::parse(r.out)["record"], c.record);
    } else {
      EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    }
  }

  // The same resolver behind the commands that change the library: a shared name is
  // refused there too, and changes nothing.
  const std::string before = FileBytes(GroupFile("天気"));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"rm", FileOf("天気"), "sun"},
        {"edit", FileOf("天気"), "SUN", "--kind", "x"},
        {"cp", FileOf("天気"), "ｓｕｎ", FileOf("星")},
        {"thumb", FileOf("天気"), "sun", "-o", (out_.path() / "t.png").string()}}) {
    const RunResult r = Run(args);
    EXPECT_EQ(r.code, 2) << args[0];
    EXPECT_NE(r.err.find("numbers 2 3 4"), std::string::npos) << args[0] << ": " << r.err;
  }
  EXPECT_EQ(FileBytes(GroupFile("天気")), before);
  EXPECT_EQ(Names("星"), (std::vector<std::string>{"北極星"}));

  // rm --all removes every record of the name, whatever their numbers.
  const RunResult all = Run({"rm", FileOf("天気"), "SUN", "--all"});
  ASSERT_EQ(all.code, 0) << all.err;
  EXPECT_EQ(Names("天気"), (std::vector<std::string>{"月", "Moon", "Sunny"}));
  EXPECT_EQ(Run({"verify", Folder()}).code, 0);

  // A name after a record whose length leads nowhere cannot be found, and that is said.
  std::string file = FileBytes(GroupFile("天気"));
  PutBE32(file, RecordSpans(file)[1].offset + 4, 0x7FFFFFFF);
  WriteFileBytes(GroupFile("天気"), file);
  const RunResult cut = Run({"show", FileOf("天気"), "Sunny"});
  EXPECT_EQ(cut.code, 1);
  EXPECT_NE(cut.err.find("no record named \"Sunny\" among its records 0 to 1 (the rest cannot"),
            std::string::npos)
      << cut.err;
}

TEST_F(RecordsByNameTest, ConfirmationsNameGroupNumberAndName) {
  const std::string png = (out_.path() / "t.png").string();
  const struct {
    std::vector<std::string> args;
    std::string said;
  } cases[] = {
      {{"thumb", FileOf("天気"), "ｍｏｏｎ", "-o", png},
       "wrote the thumbnail of 天気 #1 \"Moon\" to " + png + " (128 × 128)\n"},
      {{"edit", FileOf("天気"), "1", "--name", "Luna"},
       "changed 天気 #1 \"Moon\" (now \"Luna\")\n"},
      {{"edit", FileOf("天気"), "luna", "--kind", "衛星"}, "changed 天気 #1 \"Luna\"\n"},
      {{"cp", FileOf("天気"), "月", FileOf("星")}, "copied 天気 #0 \"月\" to 星 #1\n"},
      {{"edit", FileOf("天気"), "sunny", "--group", "星"}, "moved 天気 #5 \"Sunny\" to 星 #2\n"},
      {{"rm", FileOf("天気"), "Luna"},
       "removed 天気 #1 \"Luna\"; 4 left\nkept in the trash: velm trash restore " + Folder() +
           " 1 puts it back\n"},
      // From the highest number down, each with what is left after it.
      {{"rm", FileOf("天気"), "sun", "--all"},
       "removed 天気 #3 \"sun\"; 3 left\nremoved 天気 #2 \"ＳＵＮ\"; 2 left\n"
       "removed 天気 #1 \"Sun\"; 1 left\nkept in the trash: velm trash list " +
           Folder() + " shows them, velm trash restore " + Folder() + " NUMBER puts one back\n"},
  };
  for (const auto& c : cases) {
    const RunResult r = Run(c.args);
    EXPECT_EQ(r.code, 0) << c.args[0] << ": " << r.err;
    EXPECT_EQ(r.out, c.said);
  }
  EXPECT_EQ(Names("天気"), (std::vector<std::string>{"月"}));
  EXPECT_EQ(Names("星"), (std::vector<std::string>{"北極星", "月", "Sunny"}));
}

TEST_F(RecordsByNameTest, SearchWithoutHitsSaysSoAndExitsOne) {
  RunResult r = Run({"search", Folder(), "--text", "彗星"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("no record's name matches \"彗星\""), std::string::npos) << r.err;
  const json j = RunJson({"search", Folder(), "--field", "kind", "--text", "x"}, 1);
  EXPECT_EQ(j["matches"], json::array());
  // A hit is still status 0.
  r = Run({"search", Folder(), "--text", "極"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "星\t0\t北極星\t北極星\n");
}

}  // namespace
}  // namespace velmtest
