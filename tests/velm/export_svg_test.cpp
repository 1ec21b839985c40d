// velm export as SVG: one record as an editable document (its art at the coordinates it
// was stored with), and a whole group as a symbol set. Export starts a plug-in of its
// own, so it runs as a separate program here.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "capture/art_tree_writer.h"
#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "hostsim/svg/svg.h"
#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;

class ExportSvgTest : public VelmToolTest {
 protected:
  // Captures a red rectangle drawn in the host's document into `group`.
  void StoreRectangle(const std::string& group, const std::string& name, const std::string& kind,
                      float left, float bottom, float right, float top,
                      const std::string& comment = "", float strokeWidth = 0) {
    hostsim::Document& doc = *host().document();
    doc.DeselectAll();
    hostsim::Art* path = doc.Create(host::kPathArt);
    ASSERT_EQ(doc.Insert(path, host::kPlaceAboveAll, nullptr), host::kNoErr);
    for (auto [x, y] : {std::pair{left, bottom}, {right, bottom}, {right, top}, {left, top}})
      path->segments.push_back({{x, y}, {x, y}, {x, y}, 1});
    path->closed = true;
    path->style.fillPaint = 1;
    path->style.fill.color.kind = host::kRgbColor;
    path->style.fill.color.c.rgb = {1, 0, 0};
    if (strokeWidth > 0) {
      path->style.strokePaint = 1;
      path->style.stroke.color.kind = host::kRgbColor;
      path->style.stroke.width = strokeWidth;
    }
    doc.Select(path, true);
    ASSERT_EQ(velm::VelmPostArt(), host::kNoErr);
    velm::Record* header = velm::RecordHeader(velm::gGlobals->currentRecord);
    const std::string sjisName = Sjis(name), sjisKind = Sjis(kind);
    std::memcpy(header->name, sjisName.c_str(), sjisName.size() + 1);
    std::memcpy(header->kind, sjisKind.c_str(), sjisKind.size() + 1);
    const std::string sjisComment = Sjis(comment);
    std::memcpy(header->comment, sjisComment.c_str(), sjisComment.size() + 1);
    ASSERT_EQ(velm::WriteGroupRecord(Sjis(group).c_str(), -1), host::kNoErr);
    doc.Dispose(path);
  }

  int RunProgram(const std::string& arguments, std::string* output = nullptr) {
    const fs::path program =
        fs::path(VELM_MODULE_PATH).parent_path().parent_path() / "tools" / "velm" / "velm";
    const fs::path log = drive_.path() / "velm-output.txt";
    const int status = std::system(
        ("'" + program.string() + "' " + arguments + " > '" + log.string() + "' 2>&1").c_str());
    if (output) *output = FileBytes(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Out(const std::string& name) const { return (drive_.path() / name).string(); }

  static std::vector<std::string> All(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it)
      found.push_back((*it)[1].str());
    return found;
  }
};

TEST_F(ExportSvgTest, OneRecordIsEditableSvgAtItsStoredCoordinates) {
  StoreRectangle("形", "赤い長方形", "図形", 100, 100, 140, 120);
  std::string output;
  ASSERT_EQ(RunProgram("export '" + FileOf("形") + "' 0 -o '" + Out("rect.svg") + "'", &output), 0)
      << output;
  const std::string svg = FileBytes(Out("rect.svg"));
  EXPECT_NE(svg.find("xmlns:velm=\"urn:x-velm-pro:svg:1\""), std::string::npos);
  // Stored relative to its bounds' bottom-left corner, drawn in red.
  EXPECT_NE(svg.find("<path d=\"M0 0L40 0L40 20L0 20Z\" fill=\"#ff0000\""), std::string::npos)
      << svg;
  // --picture: the drawing instead (no structure, no private data).
  ASSERT_EQ(RunProgram("export '" + FileOf("形") + "' 0 --picture -o '" + Out("pic.svg") + "'"), 0);
  const std::string picture = FileBytes(Out("pic.svg"));
  EXPECT_NE(picture.find("<svg"), std::string::npos);
  EXPECT_EQ(picture.find("velm:"), std::string::npos);
}

TEST_F(ExportSvgTest, GroupIsASymbolSetWithUniqueIdsTitlesAndAUseEach) {
  StoreRectangle("形", "赤い長方形", "図形", 0, 0, 40, 20);
  StoreRectangle("形", "a b", "", 10, 10, 20, 30);
  StoreRectangle("形", "a b", "", 0, 0, 5, 5);  // the same name again
  std::string output;
  ASSERT_EQ(
      RunProgram("export '" + FileOf("形") + "' --symbols -o '" + Out("set.svg") + "'", &output), 0)
      << output;
  const std::string svg = FileBytes(Out("set.svg"));
  const auto ids = All(svg, "<symbol id=\"([^\"]*)\"");
  ASSERT_EQ(ids.size(), 3u) << svg;
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 3u);
  EXPECT_EQ(ids[0], "r0-赤い長方形") << "an XML name may hold Japanese";
  EXPECT_EQ(ids[1].rfind("r1-a-b", 0), 0u) << ids[1];
  EXPECT_EQ(All(svg, "<title>([^<]*)</title>"),
            (std::vector<std::string>{"形", "赤い長方形", "a b", "a b"}));
  EXPECT_NE(svg.find("<desc>kind: 図形&#10;comment: </desc>"), std::string::npos);
  auto uses = All(svg, "<use xlink:href=\"#([^\"]*)\"");
  EXPECT_EQ(uses, ids);
  // Each symbol's art where it was stored: the second rectangle's bottom-left at (0, 0).
  EXPECT_NE(svg.find("d=\"M0 0L10 0L10 20L0 20Z\""), std::string::npos);

  // Drawn as a document (its grid of uses), a symbol whose stroke reaches past the bounds
  // its viewBox holds shows the stroke whole: nothing is clipped.
  StoreRectangle("線", "枠", "", 0, 0, 30, 30, "", 6);
  ASSERT_EQ(RunProgram("export '" + FileOf("線") + "' --symbols -o '" + Out("framed.svg") + "'"),
            0);
  hostsim::SvgDocument drawn;
  std::string error;
  ASSERT_TRUE(hostsim::ReadSvgFile(Out("framed.svg"), &drawn, &error)) << error;
  EXPECT_EQ(drawn.scene.dump().find("\"clip\":true"), std::string::npos) << drawn.scene.dump();

  // A record that cannot be placed is left out with a message; the others are written.
  os::MemHandle deep = velm::NewEmptyRecord();
  for (const char* text : {"GroupArt /", "/ GroupArt"})
    for (int i = 0; i < 1100; ++i)
      AppendObject(deep, MarkerBytes(text));
  Store("形", deep);
  EXPECT_EQ(
      RunProgram("export '" + Folder() + "' --group 形 --symbols -o '" + Out("set2.svg") + "'",
                 &output),
      1);
  EXPECT_NE(output.find("record 3 left out"), std::string::npos) << output;
  EXPECT_EQ(All(FileBytes(Out("set2.svg")), "<symbol id=\"([^\"]*)\"").size(), 3u);

  // Bad usage: a record number with --symbols, or a set that is not .svg.
  EXPECT_EQ(RunProgram("export '" + FileOf("形") + "' 0 --symbols -o '" + Out("x.svg") + "'"), 2);
  EXPECT_EQ(RunProgram("export '" + FileOf("形") + "' --symbols -o '" + Out("x.png") + "'"), 2);
  EXPECT_FALSE(fs::exists(Out("x.svg")));
}

TEST_F(ExportSvgTest, RecordIsNamedByNumberOrNameAndTheConfirmationNamesIt) {
  StoreRectangle("形", "赤", "", 0, 0, 40, 20);
  StoreRectangle("形", "Blue", "", 0, 0, 10, 10);
  StoreRectangle("形", "ｂｌｕｅ", "", 0, 0, 10, 10);
  std::string output;
  ASSERT_EQ(RunProgram("export '" + FileOf("形") + "' 赤 -o '" + Out("red.svg") + "'", &output), 0)
      << output;
  EXPECT_EQ(output, "exported 形 #0 \"赤\" to " + Out("red.svg") + " (1 art objects)\n");
  EXPECT_NE(FileBytes(Out("red.svg")).find("d=\"M0 0L40 0L40 20L0 20Z\""), std::string::npos);
  ASSERT_EQ(RunProgram("export '" + Folder() + "' --group 形 2 -o '" + Out("b.png") + "'", &output),
            0)
      << output;
  EXPECT_EQ(output, "exported 形 #2 \"ｂｌｕｅ\" to " + Out("b.png") + " (1 art objects)\n");

  EXPECT_EQ(RunProgram("export '" + FileOf("形") + "' BLUE -o '" + Out("x.svg") + "'", &output), 2);
  EXPECT_NE(output.find("numbers 1 2"), std::string::npos) << output;
  EXPECT_EQ(RunProgram("export '" + FileOf("形") + "' 青 -o '" + Out("x.svg") + "'", &output), 1);
  EXPECT_NE(output.find("形 has no record named \"青\""), std::string::npos) << output;
  EXPECT_FALSE(fs::exists(Out("x.svg")));
  // --all: each record of the name to a file of its own.
  ASSERT_EQ(
      RunProgram("export '" + FileOf("形") + "' BLUE --all -o '" + Out("b.svg") + "'", &output), 0)
      << output;
  EXPECT_EQ(output, "exported 形 #1 \"Blue\" to " + Out("b-1.svg") +
                        " (1 art objects)\nexported 形 #2 \"ｂｌｕｅ\" to " + Out("b-2.svg") +
                        " (1 art objects)\n");
  for (const char* file : {"b-1.svg", "b-2.svg"})
    EXPECT_NE(FileBytes(Out(file)).find("d=\"M0 0L10 0L10 10L0 10Z\""), std::string::npos) << file;
}

// Names, kinds and comments come back exactly from a set exported and imported again: the
// reader trims titles and descriptions, so the texts travel on the symbols themselves.
TEST_F(ExportSvgTest, SymbolSetImportsBackWithExactlyTheRecordTexts) {
  const struct {
    const char* name;
    const char* kind;
    const char* comment;
  } cases[] = {
      {"empty comment", "図形", ""},
      {"trailing spaces ", "kind ", "ends in spaces  "},
      {"lines", "k", "first line\nsecond line\n"},
      {" \tleading", "", "\n"},
      {"日本語の名前", "日本語の種類", "一行目\n二行目 全角　"},
  };
  // Each its own art: an import takes art the group holds already for the same record.
  int width = 10;
  for (const auto& c : cases)
    StoreRectangle("形", c.name, c.kind, 0, 0, width++, 10, c.comment);
  std::string output;
  ASSERT_EQ(
      RunProgram("export '" + FileOf("形") + "' --symbols -o '" + Out("set.svg") + "'", &output), 0)
      << output;
  // The same set as written before the texts were kept on the symbols: only the title and
  // "kind: …&#10;comment: …" description for people.
  const std::string legacy = std::regex_replace(
      FileBytes(Out("set.svg")), std::regex(" velm:(name|kind|comment|texts)=\"[^\"]*\""), "");
  std::ofstream(Out("legacy.svg"), std::ios::binary) << legacy;
  for (const char* file : {"set.svg", "legacy.svg"}) {
    const std::string library = Out(std::string("back-") + file);
    ASSERT_EQ(RunProgram("import '" + Out(file) + "' '" + library + "' --group back", &output), 0)
        << output;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      SCOPED_TRACE(std::string(file) + ": " + cases[i].name);
      const nlohmann::json shown =
          RunJson({"show", library, std::to_string(i), "--group", "back"})["header"];
      const bool exact = std::string(file) == "set.svg";
      // From the description alone, an empty comment is still empty and the kind kept.
      if (exact || i == 0) {
        EXPECT_EQ(shown["kind"], cases[i].kind);
        EXPECT_EQ(shown["comment"], cases[i].comment);
      }
      if (exact) {
        EXPECT_EQ(shown["name"], cases[i].name);
      }
    }
  }
}

}  // namespace
}  // namespace velmtest
