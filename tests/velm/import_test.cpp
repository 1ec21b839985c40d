// velm import: SVG files and symbol sets become records through the plug-in's own capture.
// Import starts a plug-in of its own, so the velm program runs as a separate process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "velm/velm_fixture.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("velm-import-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "in");
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Write(const std::string& name, const std::string& text) {
    const fs::path path = root_ / "in" / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
  // Runs velm (after the shell words `before`, if any); its exit status, with stdout in *out.
  int Velm(const std::string& arguments, std::string* out, const std::string& before = "") {
    const fs::path program =
        fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "tools" / "velm" / "velm";
    const fs::path log = root_ / "out.txt";
    const int status = std::system((before + " '" + program.string() + "' " + arguments + " > '" +
                                    log.string() + "' 2> '" + (root_ / "err.txt").string() + "'")
                                       .c_str());
    std::ostringstream text;
    text << std::ifstream(log).rdbuf();
    *out = text.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  json VelmJson(const std::string& arguments, int expected, const std::string& before = "") {
    std::string out;
    EXPECT_EQ(Velm(arguments + " --json", &out, before), expected) << out;
    return json::parse(out, nullptr, false);
  }
  // The number of records of each group `velm ls` finds.
  std::map<std::string, int> Groups() {
    std::map<std::string, int> counts;
    const json listed = VelmJson("ls '" + Library() + "'", 0);
    for (const json& g : listed["groups"])
      counts[g["name"].get<std::string>()] = g["count"].get<int>();
    return counts;
  }
  std::string Library() const { return (root_ / "library").string(); }

  fs::path root_;
};

const char kSquare[] =
    "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'>"
    "<rect x='2' y='2' width='12' height='12' fill='#c00'/></svg>";

TEST_F(ImportTest, FilesAndSymbolsBecomeRecordsNamedAsTheirSourceSays) {
  Write("shapes/square.svg", kSquare);
  Write("shapes/titled.svg",
        "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'><title>丸</title>"
        "<desc>赤い丸</desc><circle cx='8' cy='8' r='6' fill='red'/></svg>");
  const std::string set =
      Write("set.svg",
            "<svg xmlns='http://www.w3.org/2000/svg'><title>記号</title><defs>"
            "<symbol id='a' viewBox='0 0 10 10'><title>三角</title><desc>とがった</desc>"
            "<path d='M0 10 L5 0 L10 10 Z'/></symbol>"
            "<symbol id='b' viewBox='0 0 10 10'><rect width='10' height='4'/></symbol>"
            "</defs></svg>");

  const json folder =
      VelmJson("import '" + (root_ / "in" / "shapes").string() + "' '" + Library() + "'", 0);
  ASSERT_EQ(folder["records"].size(), 2u) << folder.dump();
  const json symbols = VelmJson("import '" + set + "' '" + Library() + "' --kind 形", 0);
  ASSERT_EQ(symbols["records"].size(), 2u) << symbols.dump();
  EXPECT_EQ(symbols["records"][0]["element"], "#a");

  // name, group, kind and comment of each record as velm show reads them back
  std::map<std::string, json> made;
  for (const json* run : {&folder, &symbols})
    for (const json& record : (*run)["records"])
      made[record["name"]] = record;
  const struct {
    const char* name;
    const char* group;
    const char* kind;
    const char* comment;
  } expected[] = {{"square", "shapes", "", ""},  // no kind without --kind
                  {"丸", "shapes", "", "赤い丸"},
                  {"三角", "set", "形", "とがった"},
                  {"b", "set", "形", ""}};
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    ASSERT_TRUE(made.count(e.name));
    EXPECT_EQ(made[e.name]["group"], std::string(e.group));
    const json shown = VelmJson(
        "show '" + Library() + "' " + made[e.name]["number"].dump() + " --group " + e.group, 0);
    EXPECT_EQ(shown["header"]["name"], std::string(e.name));
    EXPECT_EQ(shown["header"]["kind"], std::string(e.kind));
    EXPECT_EQ(shown["header"]["comment"], std::string(e.comment));
  }
}

TEST_F(ImportTest, TextsAreFittedToShiftJisAndTheirFieldsAndTheChangeReported) {
  const std::string longName(80, 'x');
  Write("t.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'><title>" + longName +
                     "</title><desc>café 😀</desc><rect width='9' height='9'/></svg>");
  const json j = VelmJson("import '" + (root_ / "in").string() + "' '" + Library() + "'", 0);
  ASSERT_EQ(j["records"].size(), 1u) << j.dump();
  EXPECT_EQ(j["records"][0]["name"], std::string(63, 'x'));
  const std::string warnings = j["records"][0]["warnings"].dump();
  EXPECT_NE(warnings.find("name was shortened to 63 bytes"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find("replaced: é😀"), std::string::npos) << warnings;
  const json shown = VelmJson("show '" + Library() + "' 0 --group in", 0);
  EXPECT_EQ(shown["header"]["comment"], "cafe ?");

  // A name exactly as long as its field (63 bytes and the NUL) is kept whole, unreported.
  const std::string exact(63, 'y');
  const std::string file =
      Write("exact.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'><title>" +
                             exact + "</title><circle r='4'/></svg>");
  const json whole = VelmJson("import '" + file + "' '" + Library() + "' --group e", 0);
  ASSERT_EQ(whole["records"].size(), 1u) << whole.dump();
  EXPECT_EQ(whole["records"][0]["name"], exact);
  EXPECT_EQ(whole["records"][0]["warnings"].dump(), "[]");
  EXPECT_EQ(VelmJson("show '" + Library() + "' 0 --group e", 0)["header"]["name"], exact);
}

TEST_F(ImportTest, WhatCannotBeImportedIsSkippedWithItsReasonAndTheRestKept) {
  Write("good.svg", kSquare);
  Write("broken.svg", "<svg xmlns='http://www.w3.org/2000/svg'><rect");
  Write("empty.svg", "<svg xmlns='http://www.w3.org/2000/svg'><defs/></svg>");
  const json j = VelmJson("import '" + (root_ / "in").string() + "' '" + Library() + "'", 1);
  ASSERT_EQ(j["records"].size(), 1u) << j.dump();
  ASSERT_EQ(j["skipped"].size(), 2u) << j.dump();
  for (const json& item : j["skipped"]) {
    EXPECT_FALSE(item["reason"].get<std::string>().empty());
    const std::string file = item["file"];
    if (file.find("broken") != std::string::npos) {
      EXPECT_NE(item["reason"].get<std::string>().find("broken.svg:"), std::string::npos) << item;
    }
  }
  std::string out;
  EXPECT_EQ(Velm("import '" + Library() + "'", &out), 2);  // no library after the files
}

// The coded art streams of a group file's records, in order.
std::vector<std::string> ArtStreams(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string data = bytes.str();
  std::vector<std::string> streams;
  for (const velmtest::Span& span : velmtest::RecordSpans(data)) {
    const std::uint32_t thumbnail = velmtest::GetBE32(data, span.offset + 416);
    const std::uint32_t art = velmtest::GetBE32(data, span.offset + 420);
    streams.push_back(data.substr(span.offset + 424 + thumbnail, art));
  }
  return streams;
}

TEST_F(ImportTest, AnExportedSymbolSetImportsBackToTheSameArtStreams) {
  const std::string set = Write(
      "art.svg",
      "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'>"
      "<defs><linearGradient id='g' x1='0' x2='1'><stop offset='0' stop-color='#f80'/>"
      "<stop offset='1' stop-color='#08f'/></linearGradient>"
      "<clipPath id='c'><circle cx='10' cy='10' r='8'/></clipPath>"
      "<symbol id='gradient'><rect x='1.5' y='2.25' width='30' height='12' "
      "fill='url(#g)'/></symbol>"
      "<symbol id='stroke'><path d='M0 0 C10 20 20 -5 30 10 A5 5 0 0 1 40 10' fill='none' "
      "stroke='#123456' stroke-width='2.5' stroke-dasharray='4 2' stroke-linecap='round'/></symbol>"
      "<symbol id='clip'><g clip-path='url(#c)'><rect width='20' height='20' fill='green'/>"
      "<rect x='10' width='10' height='10' fill='navy'/></g></symbol>"
      "<symbol id='holes'><path fill-rule='evenodd' d='M0 0h20v20h-20z M5 5h10v10h-10z'/></symbol>"
      "<symbol id='text'><text x='2' y='14' font-size='12' fill='#c00'>配置 abc</text></symbol>"
      "</defs></svg>");
  ASSERT_EQ(VelmJson("import '" + set + "' '" + Library() + "' --group src", 0)["records"].size(),
            5u);
  std::string out;
  const std::string exported = (root_ / "exported.svg").string();
  ASSERT_EQ(Velm("export '" + Library() + "' --group src --symbols -o '" + exported + "'", &out), 0)
      << out;
  const std::string again = (root_ / "again").string();
  const json back = VelmJson("import '" + exported + "' '" + again + "' --group src", 0);
  ASSERT_EQ(back["records"].size(), 5u) << back.dump();

  const std::vector<std::string> before = ArtStreams(fs::path(Library()) / "src.VEL");
  const std::vector<std::string> after = ArtStreams(fs::path(again) / "src.VEL");
  ASSERT_EQ(before.size(), after.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_FALSE(before[i].empty());
    EXPECT_TRUE(before[i] == after[i])
        << "record " << i << " (" << back["records"][i]["name"] << ") differs";
  }
}

// Transparency the records cannot hold as the host draws it is carried down onto the art
// inside, or else named with its count; a two-subpath path at 20 % comes back at 20 %. A
// stroke's gradient, which a record cannot hold either, comes in as its outline.
TEST_F(ImportTest, TransparencyIsCarriedDownOrReported) {
  const std::string set = Write(
      "art.svg",
      "<svg xmlns='http://www.w3.org/2000/svg'><defs>"
      "<linearGradient id='g'><stop offset='0' stop-color='#f80'/>"
      "<stop offset='1' stop-color='#08f'/></linearGradient>"
      "<symbol id='screen'><path fill-opacity='.2' d='M0 0h10v10h-10z M20 0h10v10h-10z'/></symbol>"
      "<symbol id='overlap'><g opacity='.5'><rect width='10' height='10'/>"
      "<rect x='5' width='10' height='10' fill='red'/></g></symbol>"
      "<symbol id='stroke'><rect width='10' height='10' fill='none' stroke='url(#g)'/></symbol>"
      "</defs></svg>");
  const json j = VelmJson("import '" + set + "' '" + Library() + "' --group src", 0);
  ASSERT_EQ(j["records"].size(), 3u) << j.dump();
  EXPECT_EQ(j["records"][0]["warnings"], json::array()) << j.dump();
  EXPECT_EQ(j["records"][1]["warnings"],
            json::array({"not held by the record: group opacity (1)"}));
  // A gradient stroke comes in as its outline, filled with the gradient: nothing lost.
  EXPECT_EQ(j["records"][2]["warnings"], json::array()) << j.dump();

  std::string out;
  const std::string exported = (root_ / "exported.svg").string();
  ASSERT_EQ(Velm("export '" + Library() + "' --group src --symbols -o '" + exported + "'", &out), 0)
      << out;
  std::ifstream in(exported);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The only transparency left is the screen's, on the compound path or its paths.
  const std::size_t at = text.find("opacity=\"");
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_EQ(text.find("opacity=\"", at + 1), std::string::npos) << text;
  EXPECT_NEAR(std::stod(text.substr(at + 9)), 0.2, 0.001);
}

// The group of a plain file is the name of its folder, "." and ".." included, fitted to
// what a group name can be (and said so with the record) rather than refused; names that
// are not UTF-8 come out escaped.
TEST_F(ImportTest, TheGroupIsTheFoldersNameFittedToWhatAGroupNameCanBe) {
  const struct {
    std::string folder;  // below in/, holding a.svg
    const char* given;   // named on the command line, from inside the folder
    std::string group;
    bool fitted;
  } cases[] = {
      {"icons", ".", "icons", false},
      {"pics", "./a.svg", "pics", false},
      {"a|b", ".", "a_b", true},
      {"x.VEL", "a.svg", "x_VEL", true},
      {std::string(70, 'n'), ".", std::string(63, 'n'), true},
      {"CON", ".", "CON_", true},
      {"\xff\xfe", ".", "__", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.group);
    Write(c.folder + "/a.svg", kSquare);
    const json j = VelmJson("import " + std::string(c.given) + " '" + Library() + "'", 0,
                            "cd '" + (root_ / "in" / c.folder).string() + "' &&");
    ASSERT_EQ(j["records"].size(), 1u) << j.dump();
    EXPECT_EQ(j["records"][0]["group"], c.group);
    EXPECT_EQ(
        j["records"][0]["warnings"].dump().find("cannot be used as it is") != std::string::npos,
        c.fitted)
        << j.dump();
    EXPECT_EQ(Groups()[c.group], 1);
  }
}

TEST_F(ImportTest, NamesThatAreNotUtf8AreEscapedInTheJsonReport) {
  Write("\xff/\xfe.svg", kSquare);
  const json j = VelmJson("import '" + (root_ / "in").string() + "' '" + Library() + "'", 0);
  ASSERT_EQ(j["records"].size(), 1u) << j.dump();
  EXPECT_NE(j["records"][0]["file"].get<std::string>().find("/\xEF\xBF\xBD/\xEF\xBF\xBD.svg"),
            std::string::npos);
}

// Nothing that looks like an SVG file is left out silently, and a FIFO or a device is
// never opened (reading one would block or never end).
TEST_F(ImportTest, WhatAFolderWalkCannotImportIsListedWithItsReason) {
  const fs::path in = root_ / "in";
  Write("good.svg", kSquare);
  Write("other/b.svg", kSquare);
  fs::create_symlink("nowhere.svg", in / "dangling.svg");
  fs::create_symlink("loop.svg", in / "loop.svg");
  fs::create_symlink("/dev/null", in / "device.svg");
  fs::create_directory_symlink(in / "other", in / "linked");
  ASSERT_EQ(mkfifo((in / "fifo.svg").c_str(), 0600), 0);
  const std::map<std::string, std::string> reasons = {
      {"dangling.svg", "a symbolic link to nothing"},
      {"device.svg", "a device"},
      {"fifo.svg", "FIFO"},
      {"linked", "a symbolic link to a folder"},
      {"loop.svg", "a loop of symbolic links"}};
  const json j = VelmJson("import '" + in.string() + "' '" + Library() + "'", 1, "timeout 120");
  EXPECT_EQ(j["records"].size(), 2u) << j.dump();
  ASSERT_EQ(j["skipped"].size(), reasons.size()) << j.dump();
  for (const json& item : j["skipped"]) {
    const std::string name = fs::path(item["file"].get<std::string>()).filename().string();
    ASSERT_TRUE(reasons.count(name)) << item;
    EXPECT_NE(item["reason"].get<std::string>().find(reasons.at(name)), std::string::npos) << item;
  }
}

TEST_F(ImportTest, AFolderThatCannotBeReadIsListedWithItsReason) {
  // Root reads any folder: as root, velm runs without the capabilities that allow it.
  std::string before;
  if (geteuid() == 0) {
    before = "setpriv --bounding-set=-dac_override,-dac_read_search";
    if (std::system((before + " true 2>/dev/null").c_str()) != 0)
      GTEST_SKIP() << "running as root, and setpriv cannot drop the capability to read any folder";
  }
  Write("good.svg", kSquare);
  Write("locked/a.svg", kSquare);
  const fs::path locked = root_ / "in" / "locked";
  fs::permissions(locked, fs::perms::none);
  const json j =
      VelmJson("import '" + (root_ / "in").string() + "' '" + Library() + "'", 1, before);
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_EQ(j["records"].size(), 1u) << j.dump();
  ASSERT_EQ(j["skipped"].size(), 1u) << j.dump();
  EXPECT_EQ(j["skipped"][0]["file"], locked.string());
  EXPECT_NE(j["skipped"][0]["reason"].get<std::string>().find("cannot be read"), std::string::npos);
}

// A write that fails (here: beyond the file size limit) leaves no group file that was not
// there before; an empty group the user made stays.
TEST_F(ImportTest, AFailedImportMakesNoGroupFile) {
  std::string art =
      "<svg xmlns='http://www.w3.org/2000/svg'><path fill='none' stroke='red' d='M0 0";
  unsigned seed = 7;
  for (int i = 0; i < 4000; ++i) {
    seed = seed * 1103515245u + 12345u;
    art += " L" + std::to_string(seed % 9973) + " " + std::to_string((seed >> 8) % 9967);
  }
  const std::string file = Write("big.svg", art + "'/></svg>");
  fs::create_directories(Library());
  std::string out;
  ASSERT_EQ(Velm("mkgroup '" + Library() + "' kept", &out), 0) << out;
  for (const char* group : {"new", "kept"}) {
    SCOPED_TRACE(group);
    const json j = VelmJson("import '" + file + "' '" + Library() + "' --group " + group, 1,
                            "trap '' XFSZ; ulimit -f 24;");
    EXPECT_TRUE(j["records"].empty()) << j.dump();
    EXPECT_EQ(j["skipped"].size(), 1u) << j.dump();
  }
  EXPECT_FALSE(fs::exists(fs::path(Library()) / "new.VEL"));
  EXPECT_TRUE(fs::exists(fs::path(Library()) / "kept.VEL"));
}

// Every file and folder below `folder` with its content: what a run that writes nothing
// leaves exactly as it was.
std::map<std::string, std::string> Tree(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder, ec)) {
    std::ostringstream content;
    if (entry.is_regular_file()) content << std::ifstream(entry.path(), std::ios::binary).rdbuf();
    tree[entry.path().string()] = content.str();
  }
  return tree;
}

// Art the group holds under the same name (from an earlier run or earlier in this one) is
// skipped, not a failure; the same art under another name is imported; keep imports it all.
// Art is known by what it is, not by its name: the same art under another name (a record
// renamed in the group, another file of the same drawing) is already there.
TEST_F(ImportTest, ArtTheGroupHoldsUnderAnyNameIsSkippedUnlessKept) {
  Write("a.svg", kSquare);
  Write("b.svg",
        "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'><title>別名</title>"
        "<rect x='2' y='2' width='12' height='14' fill='#c00'/></svg>");
  Write("sub/a.svg", kSquare);
  Write("sub/c.svg",
        "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'><title>同じ絵</title>"
        "<rect x='2' y='2' width='12' height='12' fill='#c00'/></svg>");
  const std::string import =
      "import '" + (root_ / "in").string() + "' '" + Library() + "' --group g";
  const struct {
    const char* options;
    std::size_t records;
    std::vector<std::string> reasons;  // of the skipped, in order
    int total;                         // records in the group after the run
  } runs[] = {
      {"", 2, {"already in g as #0", "already in g as #0"}, 2},
      {"",
       0,
       {"already in g as #0", "already in g as #1", "already in g as #0", "already in g as #0"},
       2},
      {"--duplicates keep", 4, {}, 6},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.options);
    const json j = VelmJson(import + " " + run.options, 0);
    EXPECT_EQ(j["records"].size(), run.records) << j.dump();
    ASSERT_EQ(j["skipped"].size(), run.reasons.size()) << j.dump();
    for (std::size_t i = 0; i < run.reasons.size(); ++i) {
      EXPECT_EQ(j["skipped"][i]["reason"], run.reasons[i]);
      EXPECT_EQ(j["skipped"][i]["duplicate"], true);
    }
    EXPECT_EQ(Groups()["g"], run.total);
  }
  std::string out;
  EXPECT_EQ(Velm(import, &out), 0);
  EXPECT_NE(out.find("skipped " + (root_ / "in" / "b.svg").string() + ": already in g as #1"),
            std::string::npos)
      << out;
  EXPECT_EQ(Groups()["g"], 6);

  // A record renamed in the group is still the art: a new import does not bring it back.
  const std::string h = Library() + "/h.VEL";
  VelmJson("import '" + (root_ / "in" / "a.svg").string() + "' '" + Library() + "' --group h", 0);
  ASSERT_EQ(Velm("edit '" + h + "' 0 --name 改名", &out), 0) << out;
  const json again = VelmJson(
      "import '" + (root_ / "in" / "a.svg").string() + "' '" + Library() + "' --group h", 0);
  EXPECT_EQ(again["records"].size(), 0u) << again.dump();
  EXPECT_EQ(Groups()["h"], 1);
}

// Two imports of one folder into one group at the same time: each record once, both fine.
TEST_F(ImportTest, ImportsOfOneFolderAtOnceMakeEachRecordOnce) {
  for (int i = 0; i < 20; ++i)
    Write("many/f" + std::to_string(i) + ".svg",
          "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'><rect width='" +
              std::to_string(i + 1) + "' height='9'/></svg>");
  const fs::path program =
      fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "tools" / "velm" / "velm";
  const std::string run = "'" + program.string() + "' import '" + (root_ / "in" / "many").string() +
                          "' '" + Library() + "' --group g > /dev/null 2>&1";
  fs::create_directories(Library());
  const int status = std::system(("(" + run + "; echo $? > '" + (root_ / "a").string() + "') & " +
                                  run + "; echo $? > '" + (root_ / "b").string() + "'; wait")
                                     .c_str());
  ASSERT_TRUE(WIFEXITED(status));
  for (const char* file : {"a", "b"}) {
    std::string code;
    std::ifstream(root_ / file) >> code;
    EXPECT_EQ(code, "0") << file;
  }
  EXPECT_EQ(Groups()["g"], 20);
}

// What is not SVG is said to be so, not in the XML parser's words; a group file that is a
// folder is refused clearly.
TEST_F(ImportTest, AFileThatIsNotSvgAndAGroupFileThatIsAFolderAreRefusedClearly) {
  Write("notes.svg", "just some notes, not a drawing\n");
  Write("picture.svg", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, '\0'));
  json j = VelmJson("import '" + (root_ / "in").string() + "' '" + Library() + "'", 1);
  ASSERT_EQ(j["skipped"].size(), 2u) << j.dump();
  for (const json& item : j["skipped"])
    EXPECT_EQ(item["reason"], "not an SVG file") << item;

  Write("good.svg", kSquare);
  fs::create_directories(Library() + "/g.VEL");
  std::string out;
  const int code = Velm(
      "import '" + (root_ / "in" / "good.svg").string() + "' '" + Library() + "' --group g", &out);
  EXPECT_EQ(code, 2) << out;
  std::ostringstream err;
  err << std::ifstream(root_ / "err.txt").rdbuf();
  EXPECT_NE(err.str().find("g.VEL"), std::string::npos) << err.str();
  EXPECT_TRUE(fs::is_directory(Library() + "/g.VEL"));
}

// The usual slip: the library argument forgotten, so that the last SVG folder would
// become the library. A library that does not exist is made, and said so.
TEST_F(ImportTest, AFolderOfSvgFilesIsRefusedAsLibraryAndANewLibraryIsSaid) {
  const std::string arrows = Write("矢印/up.svg", kSquare);
  const std::string weather = Write("天気/sun.svg", kSquare);
  const auto before = Tree(root_ / "in");
  std::string out;
  EXPECT_EQ(Velm("import '" + arrows + "' '" + (root_ / "in" / "天気").string() + "'", &out), 2);
  std::ostringstream err;
  err << std::ifstream(root_ / "err.txt").rdbuf();
  EXPECT_NE(err.str().find("LIBRARY \"" + (root_ / "in" / "天気").string() +
                           "\" holds SVG files and no library: did you forget the library "
                           "argument?"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(Tree(root_ / "in"), before);

  for (const bool made : {true, false}) {
    ASSERT_EQ(Velm("import '" + weather + "' '" + Library() + "'", &out), 0) << out;
    EXPECT_EQ(out.find("created library " + Library() + "\n") == 0, made) << out;
  }
  EXPECT_EQ(Groups()["天気"], 1);
}

// A dry run writes nothing (not even the library folder), and lists what the real run
// then makes and skips, duplicates included.
TEST_F(ImportTest, ADryRunWritesNothingAndListsWhatTheRealRunMakes) {
  Write("a.svg", kSquare);
  Write("sub/a.svg", kSquare);
  Write("broken.svg", "<svg xmlns='http://www.w3.org/2000/svg'><rect");
  Write("c.svg",
        "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'><circle r='4'/></svg>");
  const std::string import =
      "import '" + (root_ / "in").string() + "' '" + Library() + "' --group g";
  const auto before = Tree(root_);
  const json dry = VelmJson(import + " --dry-run", 1);
  EXPECT_EQ(dry["dryRun"], true);
  EXPECT_EQ(dry["createdLibrary"], true);
  ASSERT_EQ(dry["records"].size(), 2u) << dry.dump();
  EXPECT_FALSE(fs::exists(Library()));
  auto after = Tree(root_);
  after.erase((root_ / "out.txt").string());
  after.erase((root_ / "err.txt").string());
  EXPECT_EQ(after, before);

  const json real = VelmJson(import, 1);
  EXPECT_EQ(real["dryRun"], false);
  ASSERT_EQ(real["records"].size(), dry["records"].size()) << real.dump();
  for (std::size_t i = 0; i < real["records"].size(); ++i) {
    for (const char* field : {"group", "number", "name", "file", "element", "objects"})
      EXPECT_EQ(real["records"][i][field], dry["records"][i][field]) << field;
  }
  EXPECT_EQ(real["skipped"], dry["skipped"]);

  // Over the library the run made: every record is already there, and still nothing is
  // written.
  const auto library = Tree(Library());
  std::string out;
  EXPECT_EQ(Velm(import + " --dry-run", &out), 1);
  EXPECT_NE(out.find("would skip " + (root_ / "in" / "c.svg").string() + ": already in g as #1"),
            std::string::npos)
      << out;
  EXPECT_EQ(Tree(Library()), library);
}

}  // namespace
