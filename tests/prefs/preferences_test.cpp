// The preferences file: what start-up reads over the start-up values, what shut-down
// writes, and how hostile or malformed files are taken.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "prefs/preferences.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;

class PreferencesTest : public StoreTest {
 protected:
  fs::path PrefsFile() const {
    return drive_.path() / "Program Files" / "VELM Host" / "Prefs" / "VELM-Pro.ini";
  }
  void WritePrefs(const std::string& text) {
    fs::create_directories(PrefsFile().parent_path());
    WriteFileBytes(PrefsFile(), text);
  }
  // Reads `text` as the preferences file into the globals as start-up left them.
  velm::Globals& Read(const std::string& text) {
    WritePrefs(text);
    velm::ReadPreferences();
    return *velm::gGlobals;
  }
};

constexpr char kWrittenDefaults[] =
    "toolMode = 1\r\nsortMode = 0\r\nfindMode = 0\r\noriginMode = 0\r\nvelmfname = \"\"\r\n"
    "flUseGrid = 1\r\nflUseFcur = 1\r\nflUseFcrs = 1\r\nflUseFops = 1\r\n"
    "flGrWidth = 14.1732\r\nflGrHeight = 14.1732\r\nflCnvFnMode = 0\r\nflCnvFnStr = \"\"\r\n"
    "flCnvCase = 0\r\nflCnvKanji = 0\r\nflCnvWord = 0\r\n";

TEST_F(PreferencesTest, WithoutAFileTheStartUpValuesStayAndShutDownWritesThem) {
  const velm::Globals& g = *velm::gGlobals;
  EXPECT_FALSE(fs::exists(PrefsFile()));
  EXPECT_TRUE(fs::is_directory(PrefsFile().parent_path())) << "start-up makes the folder";
  EXPECT_EQ(g.toolMode, 1);
  EXPECT_EQ(g.originMode, 0);
  EXPECT_EQ(g.flUseGrid, 1);
  EXPECT_FLOAT_EQ(g.flGrWidth, 14.17323f);
  EXPECT_STREQ(g.currentGroup, "");

  velm::WritePreferences();
  EXPECT_EQ(FileBytes(PrefsFile()), kWrittenDefaults);
  EXPECT_FALSE(fs::exists(PrefsFile().string() + ".new"));
}

TEST_F(PreferencesTest, EverySettingComesBackAfterARestart) {
  velm::Globals& g = *velm::gGlobals;
  g.toolMode = 3;
  g.sortMode = 2;
  g.searchMode = 1;
  g.originMode = 8;
  // Shift-JIS with 0x5C second bytes followed by n, r and t: no escapes are read.
  const std::string group = Sjis("表n能r十t");
  std::strcpy(g.currentGroup, group.c_str());
  g.flUseGrid = 0;
  g.flUseFcur = 0;
  g.flUseFcrs = 1;
  g.flUseFops = 0;
  g.flGrWidth = 28.3465f;
  g.flGrHeight = 7.5f;
  g.flCnvFnMode = 2;
  std::strcpy(g.flCnvFnStr, Sjis("ソ 表,=").c_str());
  g.flCnvCase = g.flCnvKanji = g.flCnvWord = 1;

  // The host's own life: shut down (written), start again (read).
  velm::ReleaseSuites(message_.basic);
  ASSERT_EQ(host().Shutdown(), host::kNoErr);
  ASSERT_EQ(host().Startup(), host::kNoErr);
  message_ = host().NewMessage();
  ASSERT_EQ(velm::AcquireSuites(message_.basic), host::kNoErr);

  const velm::Globals& h = *velm::gGlobals;
  EXPECT_EQ(h.toolMode, 3);
  EXPECT_EQ(h.sortMode, 2);
  EXPECT_EQ(h.searchMode, 1);
  EXPECT_EQ(h.originMode, 8);
  EXPECT_EQ(std::string(h.currentGroup), group);
  EXPECT_EQ(h.flUseGrid, 0);
  EXPECT_EQ(h.flUseFcur, 0);
  EXPECT_EQ(h.flUseFcrs, 1);
  EXPECT_EQ(h.flUseFops, 0);
  EXPECT_FLOAT_EQ(h.flGrWidth, 28.3465f);
  EXPECT_FLOAT_EQ(h.flGrHeight, 7.5f);
  EXPECT_EQ(h.flCnvFnMode, 2);
  EXPECT_EQ(std::string(h.flCnvFnStr), Sjis("ソ 表,="));
  EXPECT_EQ(h.flCnvCase, 1);
  EXPECT_EQ(h.flCnvKanji, 1);
  EXPECT_EQ(h.flCnvWord, 1);
}

TEST_F(PreferencesTest, GridSpacingIsWrittenWithSixSignificantDigits) {
  velm::WritePreferences();
  EXPECT_NE(FileBytes(PrefsFile()).find("flGrWidth = 14.1732\r\n"), std::string::npos);
  const velm::Globals& g = Read(FileBytes(PrefsFile()));
  EXPECT_FLOAT_EQ(g.flGrWidth, 14.1732f);
}

TEST_F(PreferencesTest, LinesAreCleanedSplitAndMatchedAsTheFormatSays) {
  const velm::Globals& g = Read(
      "'toolMode = 3\n"                 // a comment, whatever follows
      "ToolMode = 2\n"                  // keys are case-sensitive
      "sortMode\t=\t2\r\n"              // TABs and CRs go
      "velmfname = a b\n"               // blanks outside quotes go: "ab"
      "flCnvFnStr = \" x y \"\n"        // and stay inside them
      "originMode = 70000\n"            // a 16-bit field keeps the low 16 bits: 4464
      "flUseGrid = 12abc\n"             // digits up to the first other character
      "flUseFcur = abc\n"               // no digits: 0
      "flGrHeight = 2.5e1,junk = 9\n"   // further fields are ignored
      "unknown = 5\n"                   // unknown keys are ignored
      "flCnvWord = \n"                  // an empty value changes nothing
      "= 4\n"                           // and so does an empty key
      "findMode = 1\nfindMode = 0\n");  // the last occurrence holds
  EXPECT_EQ(g.toolMode, 1);
  EXPECT_EQ(g.sortMode, 2);
  EXPECT_STREQ(g.currentGroup, "ab");
  EXPECT_STREQ(g.flCnvFnStr, " x y ");
  EXPECT_EQ(g.originMode, 4464);
  EXPECT_EQ(g.flUseGrid, 12);
  EXPECT_EQ(g.flUseFcur, 0);
  EXPECT_FLOAT_EQ(g.flGrHeight, 25.0f);
  EXPECT_EQ(g.flCnvWord, 0);
  EXPECT_EQ(g.searchMode, 0);

  const velm::Globals& quoted = Read("velmfname = \"a b\"\n");
  EXPECT_STREQ(quoted.currentGroup, "a b");
  const velm::Globals& empty = Read("velmfname = \"\"\n");
  EXPECT_STREQ(empty.currentGroup, "a b") << "an empty quoted value is ignored";
}

TEST_F(PreferencesTest, LongLinesAndValuesAreCutToTheirFields) {
  // Characters of a line beyond the 255th are dropped before it is parsed.
  const std::string key = "flCnvFnStr=\"";
  const velm::Globals& g =
      Read(key + std::string(300, 'x') + "\"\nvelmfname = " + std::string(100, 'g') + "\n");
  EXPECT_EQ(std::string(g.flCnvFnStr), std::string(255 - key.size(), 'x'));
  EXPECT_EQ(std::string(g.currentGroup), std::string(63, 'g'));
}

TEST_F(PreferencesTest, HostileFilesChangeNothingTheyShouldNot) {
  // Numbers past 32 bits saturate instead of overflowing.
  const velm::Globals& g = Read("flUseGrid = 99999999999999999999\nflUseFops = -99999999999\n");
  EXPECT_EQ(g.flUseGrid, 0x7FFFFFFF);
  EXPECT_EQ(g.flUseFops, static_cast<std::int32_t>(0x80000000u));

  // A file far larger than any preferences file is not read at all.
  velm::gGlobals->toolMode = 1;
  std::string huge(200000, ' ');
  huge.insert(0, "toolMode = 3\n");
  EXPECT_EQ(Read(huge).toolMode, 1);

  // A NUL byte ends the text.
  EXPECT_EQ(Read(std::string("toolMode = 2\n\0toolMode = 3\n", 27)).toolMode, 2);

  // Random bytes: whatever they hold, the strings stay terminated inside their fields.
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(static_cast<std::size_t>(random() % 2000), '\0');
    static const char kAlphabet[] = "=\"',\r\n\t aflCnvFnStrvelmfname0123456789";
    for (char& c : bytes)
      c = kAlphabet[random() % (sizeof kAlphabet - 1)];
    const velm::Globals& r = Read(bytes);
    EXPECT_LT(std::strlen(r.currentGroup), sizeof r.currentGroup);
    EXPECT_LT(std::strlen(r.flCnvFnStr), sizeof r.flCnvFnStr);
  }
}

TEST_F(PreferencesTest, AFailedWriteKeepsTheSettingsAlreadyStored) {
  WritePrefs("toolMode = 2\r\n");
  // The new contents cannot be created (a folder stands where they would go).
  fs::create_directories(PrefsFile().string() + ".new");
  velm::gGlobals->toolMode = 3;
  velm::WritePreferences();
  EXPECT_EQ(FileBytes(PrefsFile()), "toolMode = 2\r\n");

  fs::remove_all(PrefsFile().string() + ".new");
  velm::WritePreferences();
  EXPECT_EQ(Read(FileBytes(PrefsFile())).toolMode, 3);
}

}  // namespace
}  // namespace velmtest
