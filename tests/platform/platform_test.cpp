// The POSIX platform layer: Windows-style Shift-JIS paths on a mapped drive, files,
// folders, enumeration, memory blocks and calendar conversions.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include "common/host_fixture.h"
#include "common/sjis.h"
#include "platform/memory.h"
#include "platform/os.h"
#include "platform/posix/os_posix.h"
#include "platform/sjis_forms.h"

namespace {

using velmtest::Sjis;
namespace os = velm::os;

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override { os::SetDriveRoot('C', drive_.path().c_str()); }
  void TearDown() override {
    os::SetDriveRoot('C', nullptr);
    os::TestOverrides() = os::Overrides{};
  }
  std::string Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  velmtest::TempFolder drive_;
};

TEST_F(PlatformTest, PathsMapDriveBackslashesAndShiftJisNames) {
  char out[1024];
  // 表 is 0x95 0x5C in Shift-JIS: its trail byte is a backslash and must not split it.
  const std::string path = "C:\\VELM\\" + Sjis("表グループ") + ".VEL";
  ASSERT_TRUE(os::MapPath(path.c_str(), out, sizeof out));
  EXPECT_EQ(std::string(out), drive_.path().string() + "/VELM/表グループ.VEL");
  EXPECT_TRUE(os::MapPath("c:\\a\\\\b\\", out, sizeof out));
  EXPECT_EQ(std::string(out), drive_.path().string() + "/a/b");

  EXPECT_FALSE(os::MapPath("D:\\x", out, sizeof out)) << "unmapped drive";
  EXPECT_FALSE(os::MapPath("relative\\x", out, sizeof out));
  EXPECT_FALSE(os::MapPath("C:\\VELM\\..\\..\\etc", out, sizeof out)) << "no escaping the drive";
  EXPECT_FALSE(os::MapPath("C:\\bad\x81", out, sizeof out)) << "a lead byte without a trail byte";
  EXPECT_FALSE(os::MapPath("C:\\a\\b", out, 4)) << "too long for the buffer";
}

TEST_F(PlatformTest, FilesOpenCreateReadWriteSeek) {
  bool exists = true;
  ASSERT_TRUE(os::FolderCreate("C:\\VELM", &exists));
  EXPECT_FALSE(exists);
  EXPECT_FALSE(os::FolderCreate("C:\\VELM", &exists));
  EXPECT_TRUE(exists) << "an existing folder is reported as such";

  const std::string name = "C:\\VELM\\" + Sjis("花") + ".VEL";
  EXPECT_EQ(
      os::FileOpen(name.c_str(), os::FileAccess::kReadWrite, os::FileDisposition::kOpenExisting),
      os::kInvalidFile);
  os::FileHandle f =
      os::FileOpen(name.c_str(), os::FileAccess::kReadWrite, os::FileDisposition::kCreateNew);
  ASSERT_NE(f, os::kInvalidFile);
  std::uint32_t done = 0;
  ASSERT_TRUE(os::FileWrite(f, "abcdef", 6, &done));
  EXPECT_EQ(done, 6u);
  std::int64_t pos = -1;
  ASSERT_TRUE(os::FileSeek(f, 2, os::SeekOrigin::kBegin, &pos));
  EXPECT_EQ(pos, 2);
  char buf[16] = {};
  ASSERT_TRUE(os::FileRead(f, buf, sizeof buf, &done));
  EXPECT_EQ(done, 4u) << "a short read at the end is no error";
  EXPECT_STREQ(buf, "cdef");
  ASSERT_TRUE(os::FileSeek(f, -1, os::SeekOrigin::kEnd, &pos));
  EXPECT_EQ(pos, 5);
  EXPECT_TRUE(os::FileClose(f));
  EXPECT_EQ(Read(drive_.path() / "VELM" / "花.VEL"), "abcdef");

  EXPECT_EQ(os::FileOpen(name.c_str(), os::FileAccess::kRead, os::FileDisposition::kCreateNew),
            os::kInvalidFile)
      << "creating a new file where one exists fails";
  f = os::FileOpen(name.c_str(), os::FileAccess::kReadWrite, os::FileDisposition::kCreateAlways);
  ASSERT_NE(f, os::kInvalidFile);
  os::FileClose(f);
  EXPECT_EQ(Read(drive_.path() / "VELM" / "花.VEL"), "") << "create-always truncates";
  EXPECT_EQ(os::FileOpen("C:\\VELM", os::FileAccess::kRead, os::FileDisposition::kOpenExisting),
            os::kInvalidFile)
      << "a folder is not a file";
}

TEST_F(PlatformTest, RenameDeleteAndEnumerate) {
  std::filesystem::create_directories(drive_.path() / "VELM");
  for (const char* n : {"a.VEL", "b.vel", "表.VEL", "VELM.TMP", "c.VELX"})
    std::ofstream(drive_.path() / "VELM" / n) << n;
  std::filesystem::create_directories(drive_.path() / "VELM" / "sub.VEL");

  std::set<std::string> found;
  std::set<std::string> folders;
  os::FindData data{};
  os::FindHandle find = os::FindFirst("C:\\VELM\\*.VEL", &data);
  ASSERT_NE(find, nullptr);
  do {
    found.insert(velmtest::Utf8(data.name));
    if (data.isFolder) folders.insert(velmtest::Utf8(data.name));
  } while (os::FindNext(find, &data));
  os::FindEnd(find);
  EXPECT_EQ(found, (std::set<std::string>{"a.VEL", "b.vel", "表.VEL", "sub.VEL"}))
      << "the pattern ignores case, as on Windows";
  EXPECT_EQ(folders, std::set<std::string>{"sub.VEL"});
  EXPECT_EQ(os::FindFirst("C:\\VELM\\*.XYZ", &data), nullptr);
  EXPECT_EQ(os::FindFirst("C:\\NOWHERE\\*.VEL", &data), nullptr);

  EXPECT_FALSE(os::FileRename("C:\\VELM\\VELM.TMP", "C:\\VELM\\a.VEL", false))
      << "no replacing unless asked";
  ASSERT_TRUE(os::FileRename("C:\\VELM\\VELM.TMP", "C:\\VELM\\a.VEL", true));
  EXPECT_EQ(Read(drive_.path() / "VELM" / "a.VEL"), "VELM.TMP");
  EXPECT_FALSE(std::filesystem::exists(drive_.path() / "VELM" / "VELM.TMP"));
  EXPECT_TRUE(os::FileDelete("C:\\VELM\\a.VEL"));
  EXPECT_FALSE(os::FileDelete("C:\\VELM\\a.VEL"));
}

// A handle is the file at its path until the file is deleted or another is renamed over it.
TEST_F(PlatformTest, AHandleKnowsWhetherItIsStillTheFileAtItsPath) {
  std::filesystem::create_directories(drive_.path() / "VELM");
  const char* path = "C:\\VELM\\VELM.LCK";
  os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kOpenAlways);
  ASSERT_NE(file, os::kInvalidFile);
  EXPECT_TRUE(os::FileIsAt(file, path));
  EXPECT_FALSE(os::FileIsAt(file, "C:\\VELM\\other"));
  ASSERT_TRUE(os::FileDelete(path));
  EXPECT_FALSE(os::FileIsAt(file, path)) << "deleted";
  std::ofstream(drive_.path() / "VELM" / "VELM.LCK") << "new";
  EXPECT_FALSE(os::FileIsAt(file, path)) << "another file of that name";
  os::FileClose(file);
  file = os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  std::ofstream(drive_.path() / "VELM" / "x") << "x";
  EXPECT_TRUE(os::FileIsAt(file, path));
  ASSERT_TRUE(os::FileRename("C:\\VELM\\x", path, true));
  EXPECT_FALSE(os::FileIsAt(file, path)) << "renamed over";
  os::FileClose(file);
}

// A lock is seen through any other handle, one open for reading too, and from another
// process; asking changes nothing of it, and it ends with the process that held it.
TEST_F(PlatformTest, LockStateSeesLocksOfOtherHandlesAndProcesses) {
  ASSERT_TRUE(os::FolderCreate("C:\\L", nullptr));
  const char* path = "C:\\L\\VELM.LCK";
  const os::FileHandle holder =
      os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kOpenAlways);
  const os::FileHandle reader =
      os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  ASSERT_NE(holder, os::kInvalidFile);
  ASSERT_NE(reader, os::kInvalidFile);
  constexpr std::uint64_t kByte = 0x100000 + 77;  // beyond the file's end
  EXPECT_EQ(os::FileLockState(reader, kByte, 1), os::LockState::kFree);
  ASSERT_TRUE(os::FileLock(holder, kByte, 1, 0));
  EXPECT_EQ(os::FileLockState(reader, kByte, 1), os::LockState::kHeld);
  EXPECT_EQ(os::FileLockState(reader, kByte - 1, 3), os::LockState::kHeld) << "a range over it";
  EXPECT_EQ(os::FileLockState(reader, kByte + 1, 1), os::LockState::kFree) << "the next byte";
  const os::FileHandle other =
      os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kOpenExisting);
  EXPECT_FALSE(os::FileLock(other, kByte, 1, 0)) << "asking dropped nothing";
  os::FileClose(other);
  ASSERT_TRUE(os::FileUnlock(holder, kByte, 1));
  EXPECT_EQ(os::FileLockState(reader, kByte, 1), os::LockState::kFree);

  // Another process holds it until it ends (killed, as a crash would).
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const os::FileHandle own =
        os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kOpenExisting);
    const char ok = own != os::kInvalidFile && os::FileLock(own, kByte, 1, 0) ? 'y' : 'n';
    if (write(ready[1], &ok, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  EXPECT_EQ(ok, 'y');
  EXPECT_EQ(os::FileLockState(holder, kByte, 1), os::LockState::kHeld);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(os::FileLockState(holder, kByte, 1), os::LockState::kFree);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(os::FileLockState(os::kInvalidFile, kByte, 1), os::LockState::kUnknown);
  os::FileClose(reader);
  os::FileClose(holder);
}

TEST(RandomBytes, DrawsDiffer) {
  std::set<std::string> draws;
  for (int i = 0; i < 16; ++i) {
    std::string bytes(16, '\0');
    ASSERT_TRUE(os::RandomBytes(bytes.data(), 16));
    draws.insert(bytes);
  }
  EXPECT_EQ(draws.size(), 16u);
  EXPECT_EQ(draws.count(std::string(16, '\0')), 0u);
}

// The JIS forms become the Windows forms that Shift-JIS reads back as; everything else,
// malformed bytes too, passes as it stands.
TEST(SjisForms, JisFormsBecomeWindowsFormsAndNothingElseChanges) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a〜b−‖—¢£¬", "a～b－∥―￠￡￢"},
      {"～－∥―￠￡￢表", "～－∥―￠￡￢表"},
      {"\xE3\x80", "\xE3\x80"},                  // a cut-off 〜
      {"\xC2\xA2\xC2", "￠\xC2"},                // ¢, then a lead byte without its trail
      {"\xE3\x80\x9C\x80", "～\x80"},            // a stray continuation byte after 〜
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // four bytes pass whole
  };
  for (const auto& c : cases)
    EXPECT_EQ(velm::platform::ToWindowsForms(c.in), c.out) << c.in;
  wchar_t wide[] = L"\u301C-\u00AC";
  velm::platform::ToWindowsFormsInPlace(wide);
  EXPECT_EQ(std::wstring(wide), L"\uFF5E-\uFFE2");
}

TEST(MemoryBlocks, GrowByGranulesKeepingContentAndZeroFill) {
  os::MemHandle block = nullptr;
  ASSERT_TRUE(velm::GrowBlock(block, 10, velm::kListGranule));
  EXPECT_EQ(os::MemSize(block), velm::kListGranule);
  EXPECT_TRUE(
      std::all_of(block, block + velm::kListGranule, [](std::uint8_t b) { return b == 0; }));
  std::memcpy(block, "keep", 4);
  os::MemHandle before = block;
  ASSERT_TRUE(velm::GrowBlock(block, velm::kListGranule, velm::kListGranule));
  EXPECT_EQ(block, before) << "a block that is large enough is not replaced";
  ASSERT_TRUE(velm::GrowBlock(block, velm::kListGranule + 1, velm::kListGranule));
  EXPECT_EQ(os::MemSize(block), 2 * velm::kListGranule);
  EXPECT_EQ(std::memcmp(block, "keep", 4), 0);
  EXPECT_EQ(block[velm::kListGranule + 5], 0);

  os::TestOverrides().allocationsBeforeFailure = 0;
  os::MemHandle kept = block;
  EXPECT_FALSE(velm::GrowBlock(block, 3 * velm::kListGranule, velm::kListGranule));
  EXPECT_EQ(block, kept) << "a failed growth leaves the block as it was";
  os::TestOverrides() = os::Overrides{};
  EXPECT_FALSE(velm::GrowBlock(block, 0xFFFFFFF0u, velm::kRecordGranule))
      << "a size that does not fit in 32 bits once rounded";
  velm::ReleaseBlock(block);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(velm::RoundToGranule(0, 128), 0u);
  EXPECT_EQ(velm::RoundToGranule(129, 128), 256u);
}

// The plug-in's blocks are counted as they are made, grown and freed; a growth holds the
// grown block only, as the system gives it (moved or extended, never copied beside the old).
TEST(MemoryBlocks, BlockUseCountsWhatIsHeldAndItsPeak) {
  const std::uint64_t start = os::BlockUse().held;
  os::ResetBlockPeak();
  os::MemHandle a = os::MemAlloc(1000);
  os::MemHandle b = nullptr;
  ASSERT_TRUE(velm::GrowBlock(b, 10, velm::kListGranule));
  EXPECT_EQ(os::BlockUse().held, start + 1000 + velm::kListGranule);
  std::memset(b, 7, velm::kListGranule);
  ASSERT_TRUE(velm::GrowBlock(b, 4 * velm::kListGranule, velm::kListGranule));
  EXPECT_EQ(os::BlockUse().held, start + 1000 + 4 * velm::kListGranule);
  EXPECT_EQ(os::BlockUse().peak, start + 1000 + 4 * velm::kListGranule);
  EXPECT_EQ(b[velm::kListGranule - 1], 7);
  EXPECT_TRUE(std::all_of(b + velm::kListGranule, b + 4 * velm::kListGranule,
                          [](std::uint8_t x) { return x == 0; }));
  os::MemFree(a);
  velm::ReleaseBlock(b);
  EXPECT_EQ(os::BlockUse().held, start);
  EXPECT_EQ(os::BlockUse().peak, start + 1000 + 4 * velm::kListGranule);
  os::ResetBlockPeak();
  EXPECT_EQ(os::BlockUse().peak, start);
}

TEST(CalendarTicks, RoundTripAndKnownValues) {
  os::SystemTime epoch{1904, 1, 0, 1, 0, 0, 0, 0};
  std::uint64_t ticks = 0;
  ASSERT_TRUE(os::SystemTimeToTicks(&epoch, &ticks));
  // 303 years from 1601 to 1904 hold 72 leap days (1700, 1800 and 1900 are not).
  EXPECT_EQ(ticks, (303ULL * 365 + 72) * 86400ULL * 10000000ULL);
  os::SystemTime back{};
  ASSERT_TRUE(os::TicksToSystemTime(ticks, &back));
  EXPECT_EQ(back.year, 1904);
  EXPECT_EQ(back.dayOfWeek, 5) << "1904-01-01 was a Friday";

  os::SystemTime leap{2024, 2, 0, 29, 23, 59, 58, 999};
  ASSERT_TRUE(os::SystemTimeToTicks(&leap, &ticks));
  ASSERT_TRUE(os::TicksToSystemTime(ticks + 10000ULL, &back));
  EXPECT_EQ(back.year, 2024);
  EXPECT_EQ(back.month, 2);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.second, 59);
  EXPECT_EQ(back.milliseconds, 0);

  os::SystemTime bad{2023, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_FALSE(os::SystemTimeToTicks(&bad, &ticks)) << "2023 has no 29 February";
  bad = {2023, 13, 0, 1, 0, 0, 0, 0};
  EXPECT_FALSE(os::SystemTimeToTicks(&bad, &ticks));
}

}  // namespace
