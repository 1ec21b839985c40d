// velm ls and velm show on libraries written through the plug-in.
#include <gtest/gtest.h>

#include "common/sjis.h"
#include "database/group_file.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "platform/posix/os_posix.h"
#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

using nlohmann::json;

// 2024-03-05 14:07:09 and 1999-12-31 23:59:00 as record dates.
constexpr std::uint32_t kMarch2024 = 3792492429u;
constexpr std::uint32_t kEnd1999 = 3029529540u;

class LsTest : public VelmToolTest {
 protected:
  void SetUp() override {
    VelmToolTest::SetUp();
    Append("図形", "丸", "基本", kMarch2024);
    Append("図形", "四角", "基本", kEnd1999);
    Append("animals", "cat", "動物", 1000);
  }
};

TEST_F(LsTest, ListsGroupsInByteOrderWithEveryRecordField) {
  const json j = RunJson({"ls", Folder()});
  ASSERT_EQ(j["groups"].size(), 2u);
  // Shift-JIS byte order: ASCII before kanji.
  EXPECT_EQ(j["groups"][0]["name"], "animals");
  EXPECT_EQ(j["groups"][1]["name"], "図形");
  EXPECT_EQ(j["groups"][1]["count"], 2);

  const std::string file = FileBytes(GroupFile("図形"));
  const std::vector<Span> spans = RecordSpans(file);
  const json& records = j["groups"][1]["records"];
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["number"], 0);
  EXPECT_EQ(records[0]["name"], "丸");
  EXPECT_EQ(records[0]["kind"], "基本");
  EXPECT_EQ(records[0]["created"]["text"], "2024-03-05 14:07");
  EXPECT_EQ(records[0]["created"]["raw"], kMarch2024);
  EXPECT_EQ(records[0]["modified"]["raw"], kMarch2024);
  EXPECT_DOUBLE_EQ(records[0]["width"].get<double>(), 20.0);
  EXPECT_DOUBLE_EQ(records[0]["height"].get<double>(), 10.0);
  EXPECT_EQ(records[0]["objects"], 0);
  EXPECT_EQ(records[0]["storedSize"], spans[0].length);
  EXPECT_EQ(records[1]["name"], "四角");
  EXPECT_EQ(records[1]["created"]["text"], "1999-12-31 23:59");
  EXPECT_EQ(records[1]["storedSize"], spans[1].length);
  EXPECT_EQ(j["groups"][0]["records"][0]["created"]["text"], "1904-01-01 00:16");

  const RunResult text = Run({"ls", Folder()});
  EXPECT_EQ(text.code, 0) << text.err;
  EXPECT_NE(text.out.find("図形: 2 records"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  0\t丸\t基本\t2024-03-05 14:07\t2024-03-05 14:07\t20 × 10 pt\t0\t" +
                          std::to_string(spans[0].length) + "\n"),
            std::string::npos)
      << text.out;
  EXPECT_LT(text.out.find("animals"), text.out.find("図形"));
}

TEST_F(LsTest, SelectsOneGroupOrOneFileAndRefusesUnknownOnes) {
  json j = RunJson({"ls", Folder(), "--group", "animals"});
  ASSERT_EQ(j["groups"].size(), 1u);
  EXPECT_EQ(j["groups"][0]["records"][0]["name"], "cat");

  j = RunJson({"ls", FileOf("図形")});
  ASSERT_EQ(j["groups"].size(), 1u);
  EXPECT_EQ(j["groups"][0]["name"], "図形");

  RunResult r = Run({"ls", Folder(), "--group", "植物"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no group \"植物\""), std::string::npos) << r.err;
  r = Run({"ls", Folder() + "/missing"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no such file or folder"), std::string::npos) << r.err;
  r = Run({"ls"});
  EXPECT_EQ(r.code, 2);
  r = Run({"ls", Folder(), "--bogus"});
  EXPECT_EQ(r.code, 2);
  r = Run({"ls", "--help"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("--json"), std::string::npos);
}

TEST_F(LsTest, ListsWhatPrecedesDamageAndFailsOnTheRest) {
  std::string file = FileBytes(GroupFile("図形"));
  const std::vector<Span> spans = RecordSpans(file);
  file.resize(spans[1].offset + 100);
  WriteFileBytes(GroupFile("図形"), file);
  const json j = RunJson({"ls", Folder()}, 1);
  const json& group = j["groups"][1];
  ASSERT_EQ(group["records"].size(), 1u);
  EXPECT_EQ(group["records"][0]["name"], "丸");
  EXPECT_NE(group["error"].get<std::string>().find("record 1"), std::string::npos);
  // The other group is listed in full.
  EXPECT_EQ(j["groups"][0]["records"].size(), 1u);
}

// A record whose thumbnail length is damaged (velm repair keeps it: its length still leads
// to the next record) is listed marked damaged among the others, and velm rm removes it.
TEST_F(LsTest, ADamagedRecordIsListedMarkedAndCanBeRemoved) {
  Append("図形", "三角", "基本", 1000);
  std::string file = FileBytes(GroupFile("図形"));
  const std::vector<Span> spans = RecordSpans(file);
  PutBE32(file, spans[1].offset + 416, GetBE32(file, spans[1].offset + 416) + 1);
  WriteFileBytes(GroupFile("図形"), file);

  const json j = RunJson({"ls", Folder()}, 1);
  const json& records = j["groups"][1]["records"];
  ASSERT_EQ(records.size(), 3u) << j.dump();
  EXPECT_FALSE(records[0].contains("damaged"));
  EXPECT_EQ(records[1]["name"], "四角");
  EXPECT_EQ(records[1]["created"]["raw"], kEnd1999);
  EXPECT_EQ(records[1]["storedSize"], spans[1].length);
  EXPECT_NE(records[1]["damaged"].get<std::string>().find("not recordLength"), std::string::npos)
      << records[1];
  EXPECT_EQ(records[2]["name"], "三角");
  EXPECT_FALSE(records[2].contains("damaged"));
  EXPECT_NE(j["groups"][1]["error"].get<std::string>().find("record 1 is damaged"),
            std::string::npos);
  const RunResult text = Run({"ls", Folder(), "--group", "図形"});
  EXPECT_EQ(text.code, 1);
  EXPECT_NE(text.out.find("  1\t四角\t基本\t1999-12-31 23:59"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("\tdamaged\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  2\t三角"), std::string::npos) << text.out;

  const RunResult removed = Run({"rm", FileOf("図形"), "1"});
  EXPECT_EQ(removed.code, 0) << removed.err;
  EXPECT_NE(removed.out.find("removed 図形 #1 \"四角\""), std::string::npos) << removed.out;
  EXPECT_EQ(FileBytes(GroupFile("図形")).substr(4),
            file.substr(spans[0].offset, spans[0].length) + file.substr(spans[2].offset));
  const json after = RunJson({"ls", FileOf("図形")}, 0);
  ASSERT_EQ(after["groups"][0]["records"].size(), 2u);
  EXPECT_EQ(after["groups"][0]["records"][1]["name"], "三角");
}

// Bytes after the counted records: a note when they are no whole record (an interrupted
// append), a problem when they are one (a count word that hides it).
TEST_F(LsTest, AnInterruptedAppendIsANoteAndAHiddenRecordAProblem) {
  const std::string file = FileBytes(GroupFile("図形"));
  const std::vector<Span> spans = RecordSpans(file);
  const std::string second = file.substr(spans[1].offset, spans[1].length);
  std::string hidden = file;
  PutBE32(hidden, 0, 1);
  for (std::size_t cut : {std::size_t{3}, std::size_t{425}, second.size() - 1}) {
    WriteFileBytes(GroupFile("図形"), file + second.substr(0, cut));
    const json j = RunJson({"ls", Folder()}, 0);
    EXPECT_EQ(j["groups"][1]["records"].size(), 2u) << cut;
    EXPECT_NE(j["groups"][1]["note"].get<std::string>().find("interrupted append"),
              std::string::npos)
        << cut;
    EXPECT_FALSE(j["groups"][1].contains("error")) << cut;
    const RunResult r = Run({"ls", Folder()});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("note:"), std::string::npos) << r.err;
  }
  WriteFileBytes(GroupFile("図形"), hidden);
  const json j = RunJson({"ls", Folder()}, 1);
  EXPECT_NE(j["groups"][1]["error"].get<std::string>().find("another record follows"),
            std::string::npos);
}

TEST_F(LsTest, LeavesTheCallersDatabaseStateAsItWas) {
  velm::Globals* globals = velm::gGlobals;
  const host::RuntimeSuite* runtime = velm::sRuntime;
  char before[4096];
  ASSERT_TRUE(velm::os::MapPath("C:\\", before, sizeof before));
  EXPECT_EQ(Run({"ls", Folder()}).code, 0);
  EXPECT_EQ(Run({"verify", FileOf("animals")}).code, 0);
  EXPECT_EQ(velm::gGlobals, globals);
  EXPECT_EQ(velm::sRuntime, runtime);
  char after[4096];
  ASSERT_TRUE(velm::os::MapPath("C:\\", after, sizeof after));
  EXPECT_STREQ(after, before);
  // The plug-in still reaches its own library.
  Append("animals", "dog");
  EXPECT_EQ(velm::GroupRecordCount(Sjis("animals").c_str()), 2);
}

class ShowTest : public VelmToolTest {
 protected:
  void SetUp() override {
    VelmToolTest::SetUp();
    os::MemHandle record = MakeRecord("花", "植物", "春のコメント", kMarch2024, 3);
    AppendObject(record, MarkerBytes("GroupArt /"));
    AppendObject(record, PathObjectBytes(3));
    AppendObject(record, TextObjectBytes({"Hello", "世界"}, {2}));
    AppendObject(record, RasterObjectBytes(2));
    AppendObject(record, MeshObjectBytes({{2, 1}, {0}}));
    AppendObject(record, MarkerBytes("/ GroupArt"));
    Store("花束", record);
    Append("花束", "second");
  }
};

TEST_F(ShowTest, ShowsEveryHeaderFieldAndEachObject) {
  const json j = RunJson({"show", FileOf("花束"), "0"});
  const json& h = j["header"];
  EXPECT_EQ(j["group"], "花束");
  EXPECT_EQ(h["objectCount"], 6);
  EXPECT_EQ(h["name"], "花");
  EXPECT_EQ(h["kind"], "植物");
  EXPECT_EQ(h["comment"], "春のコメント");
  EXPECT_EQ(h["created"]["text"], "2024-03-05 14:07");
  EXPECT_EQ(h["bounds"]["right"], 20 << 16);
  EXPECT_EQ(h["bounds"]["top"], 10 << 16);
  const std::string file = FileBytes(GroupFile("花束"));
  EXPECT_EQ(h["recordLength"], RecordSpans(file)[0].length);
  EXPECT_EQ(h["thumbnailLength"].get<std::uint32_t>() + h["artLength"].get<std::uint32_t>() + 426,
            h["recordLength"].get<std::uint32_t>());

  const json& o = j["objects"];
  ASSERT_EQ(o.size(), 6u);
  const std::size_t lengths[] = {
      37, 5104 + 3 * 28, 40 + 2 * 5888 + 3 * 28, 92 + 2 * 4096, 40 + (84 + 40 + 32) + (84 + 24),
      37};
  std::size_t offset = 0;
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(o[i]["index"], i);
    EXPECT_EQ(o[i]["offset"], offset) << i;
    EXPECT_EQ(o[i]["length"], lengths[i]) << i;
    offset += lengths[i];
  }
  EXPECT_EQ(j["artSize"], offset);
  EXPECT_EQ(o[0]["typeName"], "marker");
  EXPECT_EQ(o[0]["text"], "GroupArt /");
  EXPECT_EQ(o[0]["depth"], 0);
  EXPECT_EQ(o[1]["type"], 2);
  EXPECT_EQ(o[1]["segments"], 3);
  EXPECT_EQ(o[1]["closed"], true);
  EXPECT_EQ(o[1]["fill"], "rgb");
  EXPECT_EQ(o[1]["stroke"], "none");
  EXPECT_EQ(o[1]["depth"], 1);
  EXPECT_EQ(o[2]["typeName"], "text");
  EXPECT_EQ(o[2]["runs"], 2);
  EXPECT_EQ(o[2]["paths"], 1);
  EXPECT_EQ(o[2]["text"], "Hello世界");
  EXPECT_EQ(o[3]["tiles"], 2);
  EXPECT_EQ(o[4]["vertices"], 2);
  EXPECT_EQ(o[5]["text"], "/ GroupArt");
  EXPECT_EQ(o[5]["depth"], 0);
  EXPECT_TRUE(j["problems"].empty());

  const RunResult text = Run({"show", FileOf("花束"), "0"});
  EXPECT_EQ(text.code, 0) << text.err;
  EXPECT_NE(text.out.find("comment          春のコメント"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  1\t  2 path\t37\t5188\tsegments=3 closed=true"), std::string::npos)
      << text.out;
}

TEST_F(ShowTest, NamesMissingRecordsAndRefusesMalformedNumbers) {
  RunResult r = Run({"show", FileOf("花束"), "2"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("花束 has no record 2 (it holds 2 records"), std::string::npos) << r.err;
  for (const char* bad : {"1.5", "99999999999", ""}) {
    r = Run({"show", FileOf("花束"), bad});
    EXPECT_EQ(r.code, 2) << bad;
  }
  // Anything else is a record's name, and no record has this one.
  r = Run({"show", FileOf("花束"), "x"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("花束 has no record named \"x\""), std::string::npos) << r.err;
  EXPECT_EQ(Run({"show", FileOf("花束"), "-1"}).code, 2);
  Append("other", "x");
  r = Run({"show", Folder(), "0"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("--group"), std::string::npos) << r.err;
  const json j = RunJson({"show", Folder(), "1", "--group", "花束"});
  EXPECT_EQ(j["header"]["name"], "second");
  EXPECT_EQ(j["fileOffset"], RecordSpans(FileBytes(GroupFile("花束")))[1].offset);
}

TEST_F(ShowTest, ReportsWhereADamagedRecordGoesWrong) {
  const std::string file = FileBytes(GroupFile("花束"));
  // Object 1 (the path) claims more segments than it holds.
  const std::string damaged = EditArt(file, 0, [](Bytes& art) {
    art[37 + 5102] = 0x01;
    art[37 + 5103] = 0x00;
  });
  WriteFileBytes(GroupFile("花束"), damaged);
  const json j = RunJson({"show", FileOf("花束"), "0"}, 1);
  ASSERT_EQ(j["problems"].size(), 1u);
  EXPECT_EQ(j["problems"][0]["place"], "art");
  EXPECT_EQ(j["problems"][0]["offset"], 37 + 5102);
  EXPECT_EQ(j["objects"][1]["segments"], 256);

  // A record that cannot even be located is explained from the file.
  std::string cut = file.substr(0, RecordSpans(file)[0].offset + 1000);
  WriteFileBytes(GroupFile("花束"), cut);
  const RunResult r = Run({"show", FileOf("花束"), "0"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("record 0: file offset 8: recordLength"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace velmtest
