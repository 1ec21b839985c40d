// The dialogs' fonts, text alignment and popup kinds, in the table the stand-in host reads
// and in the resource script that the Windows module is built from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/host_fixture.h"
#include "common/sjis.h"
#include "resources/resource_table.h"

namespace velmtest {
namespace {

namespace res = velm::res;

constexpr std::int32_t kFontedDialogs[] = {16057, 16150, 16151, 16152, 16155};

// A resource-script string at `at` (octal escapes, "" for a quote) as its bytes.
std::string Unquote(const std::string& line, std::size_t at) {
  std::string bytes;
  for (++at; at < line.size(); ++at) {
    if (line[at] == '"' && (at + 1 >= line.size() || line[at + 1] != '"')) break;
    if (line[at] == '"') ++at;
    if (line[at] == '\\') {
      bytes += static_cast<char>(std::stoi(line.substr(at + 1, 3), nullptr, 8));
      at += 3;
    } else {
      bytes += line[at];
    }
  }
  return bytes;
}

struct Script {
  std::map<std::int32_t, std::string> fontLines;  // dialog -> its FONT line
  // (dialog, item) -> window class and style
  std::map<std::pair<std::int32_t, std::int32_t>, std::pair<std::string, unsigned long>> controls;
};

Script CompileScript() {
  TempFolder out;
  std::vector<std::string> sources;
  for (const auto& f : std::filesystem::directory_iterator(VELM_RESOURCE_SOURCES))
    if (f.path().extension() == ".rsrc") sources.push_back(f.path().string());
  std::sort(sources.begin(), sources.end());
  const std::filesystem::path rc = out.path() / "VELM-Pro.rc";
  std::string command = std::string(VELM_RESCOMP) + " --rc " + rc.string();
  for (const std::string& s : sources)
    command += " " + s;
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  Script script;
  std::ifstream in(rc);
  std::int32_t dialog = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.find(" DIALOGEX ") != std::string::npos) dialog = std::stoi(line);
    if (line.rfind("FONT ", 0) == 0) script.fontLines[dialog] = line;
    if (line.rfind("  CONTROL ", 0) != 0) continue;
    // The text may hold commas: the seven fields after it are read from the end.
    std::vector<std::string> fields;
    std::size_t end = line.size();
    for (int i = 0; i < 7; ++i) {
      const std::size_t comma = line.rfind(',', end - 1);
      fields.insert(fields.begin(), line.substr(comma + 2, end - comma - 2));
      end = comma;
    }
    script.controls[{dialog, std::stoi(fields[0])}] = {fields[1].substr(1, fields[1].size() - 2),
                                                       std::stoul(fields[2], nullptr, 16)};
  }
  return script;
}

TEST(DialogResourcesTest, TheRecordAndSmallDialogsAreSetInMsPGothicNinePoint) {
  const Script script = CompileScript();
  for (std::int32_t id : kFontedDialogs) {
    SCOPED_TRACE(id);
    const res::Dialog* dialog = res::FindDialog(res::Resources(), id);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(dialog->fontName, nullptr);
    EXPECT_EQ(Utf8(dialog->fontName), "ＭＳ Ｐゴシック");
    EXPECT_EQ(dialog->fontSize, 9);
    ASSERT_EQ(script.fontLines.count(id), 1u);
    const std::string& font = script.fontLines.at(id);
    EXPECT_EQ(font.rfind("FONT 9, \"", 0), 0u) << font;
    EXPECT_EQ(Utf8(Unquote(font, font.find('"'))), "ＭＳ Ｐゴシック") << font;
  }
  // Dialogs that name no font keep the system's.
  EXPECT_EQ(res::FindDialog(res::Resources(), 16153)->fontName, nullptr);
  EXPECT_NE(script.fontLines.at(16153).find("\"MS UI Gothic\""), std::string::npos);
}

TEST(DialogResourcesTest, DateLinesAreRightAlignedAndSpacingPopupsEditable) {
  const Script script = CompileScript();
  const struct {
    std::int32_t dialog, item;
    const char* windowClass;
    unsigned long mask, style;
  } cases[] = {
      {16057, 14, "Static", 0x1F, 0x2},   // SS_RIGHT
      {16057, 15, "Static", 0x1F, 0x2},   //
      {16057, 5, "Static", 0x1F, 0x0},    // SS_LEFT
      {16153, 9, "ComboBox", 0x3, 0x2},   // CBS_DROPDOWN: typed into
      {16153, 10, "ComboBox", 0x3, 0x2},  //
      {16057, 10, "ComboBox", 0x3, 0x3},  // CBS_DROPDOWNLIST: only chosen from
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.dialog) + " item " + std::to_string(c.item));
    ASSERT_EQ(script.controls.count({c.dialog, c.item}), 1u);
    const auto& [windowClass, style] = script.controls.at({c.dialog, c.item});
    EXPECT_EQ(windowClass, c.windowClass);
    EXPECT_EQ(style & c.mask, c.style);
  }
  const res::Dialog* record = res::FindDialog(res::Resources(), 16057);
  for (std::int32_t i = 0; i < record->itemCount; ++i)
    EXPECT_EQ(record->items[i].align == res::TextAlign::kRight,
              record->items[i].id == 14 || record->items[i].id == 15)
        << "item " << record->items[i].id;
  const res::Dialog* settings = res::FindDialog(res::Resources(), 16153);
  EXPECT_EQ(settings->items[8].kind, res::ItemKind::kEditablePopup);
  EXPECT_EQ(settings->items[9].kind, res::ItemKind::kEditablePopup);
}

}  // namespace
}  // namespace velmtest
