// velm on inputs that used to crash it, run without bound or answer wrongly: each gives a
// clear message and the exit status the README names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;

class VelmHardeningTest : public VelmToolTest {
 protected:
  void SetUp() override {
    VelmToolTest::SetUp();
    Store("g", MakeRecord("r0"));
    Store("g", MakeRecord("r1"));
    good_ = FileBytes(GroupFile("g"));
    odd_ = fs::path(Folder()).parent_path() / "odd";
    fs::create_directories(odd_);
  }
  void WithCount(std::uint32_t count) {
    std::string bytes = good_;
    PutBE32(bytes, 0, count);
    WriteFileBytes(GroupFile("g"), bytes);
  }
  std::string good_;
  fs::path odd_;
};

TEST_F(VelmHardeningTest, DamagedCountWordsAreProblemsNotEmptyGroups) {
  for (std::uint32_t count : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x5A3C9E11u, 0u}) {
    WithCount(count);
    const RunResult ls = Run({"ls", Folder()});
    EXPECT_EQ(ls.code, 1) << count << ls.out;
    EXPECT_NE(ls.err.find("damaged file"), std::string::npos) << ls.err;
    // The sheet stops at the first record it cannot locate.
    const RunResult sheet = Run({"sheet", Folder(), "-o", (odd_ / "s.png").string()});
    EXPECT_NE(sheet.code, 0) << count;
  }
}

TEST_F(VelmHardeningTest, UnusableInputsAreRefusedWithTheirCause) {
  fs::create_symlink("loop.VEL", odd_ / "loop.VEL");
  WriteFileBytes(odd_ / "\xF0\x9F\x98\x80.VEL", good_);  // an emoji: no Shift-JIS form
  ASSERT_EQ(mkfifo((odd_ / "pipe.VEL").c_str(), 0600), 0);
  WriteFileBytes(odd_ / "ab", good_);
  const struct {
    std::vector<std::string> args;
    int code;
    const char* message;
  } cases[] = {
      {{"ls", odd_.string()}, 1, "damaged file"},
      {{"ls", (odd_ / "\xF0\x9F\x98\x80.VEL").string()}, 1, "not a usable group file name"},
      {{"ls", (odd_ / "pipe.VEL").string()}, 1, "not a file or folder"},
      {{"lzss", "encode", Folder(), (odd_ / "x").string()}, 1, "not a readable regular file"},
      {{"lzss", "decode", (odd_ / "pipe.VEL").string(), (odd_ / "x").string()},
       1,
       "not a readable"},
      {{"export", (odd_ / "ab").string(), "0", "-o", (odd_ / "x.png").string()},
       2,
       "not a group file"},
      {{"export", FileOf("g"), "0", "-o", (odd_ / "x.png").string(), "--scale", "nan"},
       2,
       "--scale"},
  };
  for (const auto& c : cases) {
    const RunResult r = Run(c.args);
    EXPECT_EQ(r.code, c.code) << c.args[0] << " " << c.args[1] << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

TEST_F(VelmHardeningTest, AnUnusableTemporaryFolderIsAMessage) {
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  setenv("TMPDIR", (odd_ / "missing").c_str(), 1);
  const RunResult r = Run({"ls", Folder()});
  if (old) {
    setenv("TMPDIR", saved.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("temporary folder"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace velmtest
