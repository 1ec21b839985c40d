// The preferences file: what start-up reads over the start-up values, what shut-down
// writes, and how hostile or malformed files are taken.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "platform/os.h"
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
  EXPECT_EQ(std::distance(fs::directory_iterator(PrefsFile().parent_path()), {}), 1)
      << "no scratch file is left";
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
  // A line is parsed up to the longest line the writer makes; values are cut to their
  // fields. (A search text of 255 bytes, or one of quotes, written at shut-down used to
  // lose its end at the next start-up: found by fuzzing.)
  const velm::Globals& g = Read("flCnvFnStr=\"" + std::string(300, 'x') +
                                "\"\nvelmfname = " + std::string(100, 'g') + "\n");
  EXPECT_EQ(std::string(g.flCnvFnStr), std::string(255, 'x'));
  EXPECT_EQ(std::string(g.currentGroup), std::string(63, 'g'));
  const velm::Globals& q = Read("flCnvFnStr = \"" + std::string(510, '"') + "\"\r\n");
  EXPECT_EQ(std::string(q.flCnvFnStr), std::string(255, '"'));
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
}

// The settings fields of the globals block: a read may change these and nothing else.
struct Field {
  std::size_t offset, size;
};
const Field kSettingFields[] = {
    {offsetof(velm::Globals, toolMode), 2},      {offsetof(velm::Globals, sortMode), 2},
    {offsetof(velm::Globals, searchMode), 2},    {offsetof(velm::Globals, originMode), 2},
    {offsetof(velm::Globals, currentGroup), 64}, {offsetof(velm::Globals, flUseGrid), 4},
    {offsetof(velm::Globals, flUseFcur), 4},     {offsetof(velm::Globals, flUseFcrs), 4},
    {offsetof(velm::Globals, flUseFops), 4},     {offsetof(velm::Globals, flGrWidth), 4},
    {offsetof(velm::Globals, flGrHeight), 4},    {offsetof(velm::Globals, flCnvFnMode), 2},
    {offsetof(velm::Globals, flCnvFnStr), 256},  {offsetof(velm::Globals, flCnvCase), 2},
    {offsetof(velm::Globals, flCnvKanji), 2},    {offsetof(velm::Globals, flCnvWord), 2},
};

std::string Formatted(const velm::Globals& g) {
  char text[4096];
  const std::uint32_t n = velm::FormatPreferences(&g, text, sizeof text);
  EXPECT_GT(n, 0u);
  return std::string(text, n);
}

TEST_F(PreferencesTest, HostileLinesTouchOnlyTheirFieldsAndWhatIsReadIsWrittenBack) {
  // Lines of known keys with hostile values: quotes, separators, blanks, signs, numbers
  // of every form, double-byte characters (with 0x5C second bytes).
  static const char* const kKeys[] = {"toolMode",   "velmfname",  "flUseGrid",  "flGrWidth",
                                      "flGrHeight", "flCnvFnStr", "originMode", "flCnvWord"};
  static const char* const kPieces[] = {
      "\"",          "\"\"",     ",",        "=",   " ",    "\t",  "'",   "-",
      "+",           "0x1p4",    "nan",      "inf", "1e39", "3.5", "e-2", "70000",
      "99999999999", "\x95\x5C", "\x83\x5C", "n",   "abc",  ".",   "\r"};
  const velm::Globals startUp = *velm::gGlobals;
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (int line = static_cast<int>(random() % 6); line >= 0; --line) {
      text += kKeys[random() % std::size(kKeys)];
      text += random() % 4 ? " = " : " , ";
      for (int piece = static_cast<int>(random() % 12); piece >= 0; --piece)
        text += kPieces[random() % std::size(kPieces)];
      text += random() % 2 ? "\r\n" : "\n";
    }
    *velm::gGlobals = startUp;
    const velm::Globals read = Read(text);

    // Nothing outside the settings fields changed.
    velm::Globals masked = read;
    for (const Field& f : kSettingFields)
      std::memcpy(reinterpret_cast<char*>(&masked) + f.offset,
                  reinterpret_cast<const char*>(&startUp) + f.offset, f.size);
    EXPECT_EQ(std::memcmp(&masked, &startUp, sizeof masked), 0) << text;
    EXPECT_TRUE(std::isfinite(read.flGrWidth) && std::isfinite(read.flGrHeight)) << text;

    // What was read is what the next start-up reads back from the file written now.
    const std::string written = Formatted(read);
    velm::Globals again = startUp;
    velm::ParsePreferences(written.data(), static_cast<std::uint32_t>(written.size()), &again);
    EXPECT_EQ(Formatted(again), written) << text;
  }
}

TEST_F(PreferencesTest, RealsAreDecimalNumbersAFloatCanHold) {
  struct Case {
    const char* value;
    float expected;  // 14.17323: refused, the start-up value stays
  };
  const Case cases[] = {
      {"12.5", 12.5f},      {"-3", -3.0f},        {"2.5e1", 25.0f},    {".5", 0.5f},
      {"7.", 7.0f},         {"3.5abc", 3.5f},     {"+4", 4.0f},        {"1e38", 1e38f},
      {"nan", 14.17323f},   {"NAN", 14.17323f},   {"inf", 14.17323f},  {"-Infinity", 14.17323f},
      {"0x10", 14.17323f},  {"0x1p4", 14.17323f}, {"1e39", 14.17323f}, {"-1e39", 14.17323f},
      {"1e400", 14.17323f}, {"abc", 14.17323f},   {".", 14.17323f},    {"e5", 14.17323f},
      {"-", 14.17323f},
  };
  for (const Case& c : cases) {
    velm::gGlobals->flGrWidth = 14.17323f;
    EXPECT_EQ(Read(std::string("flGrWidth = ") + c.value + "\n").flGrWidth, c.expected) << c.value;
  }
}

TEST_F(PreferencesTest, SearchTextsWithQuotesSurviveARestart) {
  for (const std::string& search :
       {std::string("say \"hi\""), std::string("\""), std::string("\"\""), std::string("a\"\"\"b"),
        std::string("\" , = '"), Sjis("表\"ソ")}) {
    std::strcpy(velm::gGlobals->flCnvFnStr, search.c_str());
    velm::WritePreferences();
    velm::gGlobals->flCnvFnStr[0] = '\0';
    EXPECT_EQ(Read(FileBytes(PrefsFile())).flCnvFnStr, search);
  }
  // A file of an older version, which wrote a quote as it was, reads as it always did.
  EXPECT_STREQ(Read("flCnvFnStr = \"a\"b\"\n").flCnvFnStr, "ab");
  // A search text of 255 quotes still makes a file.
  std::memset(velm::gGlobals->flCnvFnStr, '"', 255);
  velm::gGlobals->flCnvFnStr[255] = '\0';
  velm::gGlobals->toolMode = 2;
  velm::WritePreferences();
  EXPECT_EQ(Read(FileBytes(PrefsFile())).toolMode, 2);
}

TEST_F(PreferencesTest, AFailedWriteKeepsTheSettingsAlreadyStored) {
  WritePrefs("toolMode = 2\r\n");
  // The new contents cannot be created, or are written only in part.
  for (const os::FileOp failing : {os::FileOp::kOpen, os::FileOp::kWrite}) {
    os::FileFaults faults;
    faults.anyKind = false;
    faults.kind = failing;
    faults.failAt = failing == os::FileOp::kOpen ? 2 : 1;  // the first open is the lock file's
    os::TestOverrides().fileFaults = &faults;
    velm::gGlobals->toolMode = 3;
    velm::WritePreferences();
    os::TestOverrides().fileFaults = nullptr;
    EXPECT_TRUE(faults.injected);
    EXPECT_EQ(FileBytes(PrefsFile()), "toolMode = 2\r\n");
  }
  velm::WritePreferences();
  EXPECT_EQ(Read(FileBytes(PrefsFile())).toolMode, 3);
}

TEST_F(PreferencesTest, AFileThatCannotBeReadIsKeptAtShutDownAndNoFileGetsOne) {
  const std::string settings = "toolMode = 3\r\nvelmfname = \"g\"\r\n";
  for (const os::FileOp failing : {os::FileOp::kOpen, os::FileOp::kSeek, os::FileOp::kRead}) {
    SCOPED_TRACE(os::kFileOpNames[static_cast<int>(failing)]);
    host().Shutdown();
    WritePrefs(settings);
    os::FileFaults faults;
    faults.anyKind = false;
    faults.kind = failing;
    faults.failAt = 1;
    os::TestOverrides().fileFaults = &faults;
    ASSERT_EQ(host().Startup(), host::kNoErr);
    os::TestOverrides().fileFaults = nullptr;
    EXPECT_TRUE(faults.injected);
    EXPECT_EQ(velm::gGlobals->toolMode, 1) << "the start-up values stay";
    EXPECT_EQ(host().Shutdown(), host::kNoErr);
    EXPECT_EQ(FileBytes(PrefsFile()), settings);
    ASSERT_EQ(host().Startup(), host::kNoErr);
  }
  EXPECT_EQ(velm::gGlobals->toolMode, 3) << "read again once it can be";

  host().Shutdown();
  fs::remove(PrefsFile());
  ASSERT_EQ(host().Startup(), host::kNoErr);
  host().Shutdown();
  EXPECT_EQ(FileBytes(PrefsFile()), kWrittenDefaults);
  ASSERT_EQ(host().Startup(), host::kNoErr);
}

TEST_F(PreferencesTest, ScratchFilesOfWritersThatEndedAreRemoved) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  WritePrefs("toolMode = 2\r\n");
  const fs::path dead = PrefsFile().string() + "." + std::to_string(child) + ".new";
  const fs::path live = PrefsFile().string() + "." + std::to_string(getppid()) + ".new";
  for (const fs::path& file : {dead, live})
    WriteFileBytes(file, "toolMode = 3\r\n");
  velm::WritePreferences();
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(live));
}

}  // namespace
}  // namespace velmtest
