// The Win32 platform layer on the system's own calls: Shift-JIS names reach the disk as
// the right Unicode names whatever the system's code page, names that cannot be converted
// fail cleanly, and files, folders, enumeration, memory blocks, time and the cursor and
// beep calls behave as the rest of the plug-in expects.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "common/sjis.h"
#include "platform/gui.h"
#include "platform/memory.h"
#include "platform/os.h"
#include "platform/win32/sjis_win32.h"
#include "windows/support/win_folder.h"

namespace {

namespace os = velm::os;
using velmtest::Sjis;
using velmtest::Wide;

class Win32PlatformTest : public ::testing::Test {
 protected:
  void TearDown() override {
    os::TestOverrides() = os::Overrides{};
    velm::gui::TestOverrides() = velm::gui::Overrides{};
  }
  velmtest::WinTempFolder folder_;
};

// The system's source is looked up at run time (the module imports no advapi32).
TEST(Win32Random, DrawsDiffer) {
  std::set<std::string> draws;
  for (int i = 0; i < 16; ++i) {
    std::string bytes(16, '\0');
    ASSERT_TRUE(os::RandomBytes(bytes.data(), 16));
    draws.insert(bytes);
  }
  EXPECT_EQ(draws.size(), 16u);
  EXPECT_EQ(draws.count(std::string(16, '\0')), 0u);
}

TEST(Win32Text, ShiftJisConversionIsExplicitAndStrict) {
  // The tests run with whatever code page the system has; nothing may depend on it.
  RecordProperty("AnsiCodePage", static_cast<int>(GetACP()));
  wchar_t wide[8];
  // 表 is 0x95 0x5C: its trail byte is a backslash.
  ASSERT_TRUE(velm::win32::SjisToWide("\x95\x5C", wide, 8));
  EXPECT_EQ(std::wstring(wide), L"\u8868");
  EXPECT_FALSE(velm::win32::SjisToWide("a\x81", wide, 8)) << "a lead byte without a trail byte";
  EXPECT_FALSE(velm::win32::SjisToWide("abcdefgh", wide, 8)) << "no room for the terminator";

  char sjis[16];
  ASSERT_TRUE(velm::win32::WideToSjis(L"\u82B1\uFF71", sjis, sizeof sjis));
  EXPECT_EQ(std::string(sjis), Sjis("花ｱ"));
  EXPECT_FALSE(velm::win32::WideToSjis(L"\uD55C", sjis, sizeof sjis)) << "Hangul has no form";
  EXPECT_FALSE(velm::win32::WideToSjis(L"caf\u00E9", sjis, sizeof sjis))
      << "no best-fit 'e' for an accented letter";
  EXPECT_STREQ(sjis, "") << "a failed conversion leaves no partial name";
  // The JIS forms input methods type are the codes of their Windows forms, which come back.
  ASSERT_TRUE(
      velm::win32::WideToSjis(L"\u301C\u2016\u2212\u2014\u00A2\u00A3\u00AC", sjis, sizeof sjis));
  EXPECT_EQ(std::string(sjis), "\x81\x60\x81\x61\x81\x7C\x81\x5C\x81\x91\x81\x92\x81\xCA");
  ASSERT_TRUE(velm::win32::SjisToWide(sjis, wide, 8));
  EXPECT_EQ(std::wstring(wide), L"\uFF5E\u2225\uFF0D\u2015\uFFE0\uFFE1\uFFE2");

  // Counted texts (drawn text has no terminator of its own).
  EXPECT_EQ(velm::win32::SjisToWideCount("\x95\x5Cxyz", 3, wide, 8), 2);
  EXPECT_EQ(std::wstring(wide, 2), L"\u8868x");
  EXPECT_EQ(velm::win32::SjisToWideCount("\x95\x5C", 1, wide, 8), -1) << "cut in a character";
  EXPECT_EQ(velm::win32::SjisToWideCount("abc", 3, wide, 2), -1) << "too long for the buffer";
  EXPECT_EQ(velm::win32::SjisToWideCount("", 0, wide, 8), 0);
}

TEST_F(Win32PlatformTest, FilesWithJapaneseNamesAreUnicodeOnDisk) {
  bool exists = true;
  const std::string velm = folder_.SjisIn("VELM");
  ASSERT_TRUE(os::FolderCreate(velm.c_str(), &exists));
  EXPECT_FALSE(exists);
  EXPECT_FALSE(os::FolderCreate(velm.c_str(), &exists));
  EXPECT_TRUE(exists) << "an existing folder is reported as such";

  const std::string name = folder_.SjisIn("VELM\\表グループ.VEL");
  EXPECT_EQ(os::FileOpen(name.c_str(), os::FileAccess::kRead, os::FileDisposition::kOpenExisting),
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
  ASSERT_TRUE(os::FileRead(f, buf, sizeof buf, &done));
  EXPECT_EQ(done, 0u);
  ASSERT_TRUE(os::FileSeek(f, -1, os::SeekOrigin::kEnd, &pos));
  EXPECT_EQ(pos, 5);
  ASSERT_TRUE(os::FileSeek(f, -2, os::SeekOrigin::kCurrent, &pos));
  EXPECT_EQ(pos, 3);
  EXPECT_FALSE(os::FileSeek(f, -10, os::SeekOrigin::kBegin, &pos)) << "before the start";
  EXPECT_TRUE(os::FileFlush(f));
  EXPECT_TRUE(os::FileClose(f));

  // The name on disk is the Unicode name, looked up by the wide calls.
  EXPECT_EQ(velmtest::FileBytes(folder_.WideIn("VELM\\表グループ.VEL")), "abcdef");
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder_.wide() + L"\\VELM\\*").c_str(), &entry);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::set<std::wstring> names;
  do {
    names.insert(entry.cFileName);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  EXPECT_EQ(names, (std::set<std::wstring>{L".", L"..", L"\u8868\u30B0\u30EB\u30FC\u30D7.VEL"}));

  EXPECT_EQ(os::FileOpen(name.c_str(), os::FileAccess::kRead, os::FileDisposition::kCreateNew),
            os::kInvalidFile)
      << "creating a new file where one exists fails";
  f = os::FileOpen(name.c_str(), os::FileAccess::kReadWrite, os::FileDisposition::kOpenAlways);
  ASSERT_NE(f, os::kInvalidFile);
  os::FileClose(f);
  EXPECT_EQ(velmtest::FileBytes(folder_.WideIn("VELM\\表グループ.VEL")), "abcdef")
      << "open-always keeps the content";
  f = os::FileOpen(name.c_str(), os::FileAccess::kReadWrite, os::FileDisposition::kCreateAlways);
  ASSERT_NE(f, os::kInvalidFile);
  os::FileClose(f);
  EXPECT_EQ(velmtest::FileBytes(folder_.WideIn("VELM\\表グループ.VEL")), "")
      << "create-always truncates";

  f = os::FileOpen(name.c_str(), os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  ASSERT_NE(f, os::kInvalidFile);
  EXPECT_FALSE(os::FileWrite(f, "x", 1, &done)) << "a file opened for reading refuses writes";
  EXPECT_EQ(done, 0u);
  os::FileClose(f);

  EXPECT_EQ(os::FileOpen(velm.c_str(), os::FileAccess::kRead, os::FileDisposition::kOpenExisting),
            os::kInvalidFile)
      << "a folder is not a file";
  const std::string file = folder_.SjisIn("plain");
  velmtest::WriteFileBytes(folder_.WideIn("plain"), "x");
  EXPECT_FALSE(os::FolderCreate(file.c_str(), &exists));
  EXPECT_FALSE(exists) << "a file in the way is not an existing folder";
}

TEST_F(Win32PlatformTest, BadPathsAndHandlesGiveStatusesNotCrashes) {
  const std::string bad = folder_.sjis() + "\\bad\x81";  // a lead byte cut off
  bool exists = true;
  EXPECT_EQ(
      os::FileOpen(bad.c_str(), os::FileAccess::kReadWrite, os::FileDisposition::kCreateAlways),
      os::kInvalidFile);
  EXPECT_FALSE(os::FileDelete(bad.c_str()));
  EXPECT_FALSE(os::FolderCreate(bad.c_str(), &exists));
  EXPECT_FALSE(exists);
  EXPECT_FALSE(os::FileRename(bad.c_str(), folder_.SjisIn("x").c_str(), true));
  os::FindData data{};
  EXPECT_EQ(os::FindFirst((bad + "\\*.VEL").c_str(), &data), nullptr);
  EXPECT_EQ(os::FileOpen(nullptr, os::FileAccess::kRead, os::FileDisposition::kOpenExisting),
            os::kInvalidFile);
  EXPECT_EQ(os::FileOpen("", os::FileAccess::kRead, os::FileDisposition::kOpenExisting),
            os::kInvalidFile);
  EXPECT_EQ(os::FindFirst(nullptr, &data), nullptr);
  // A path longer than the layer passes to the system.
  const std::string longPath = folder_.sjis() + "\\" + std::string(3000, 'a');
  EXPECT_EQ(os::FileOpen(longPath.c_str(), os::FileAccess::kReadWrite,
                         os::FileDisposition::kCreateAlways),
            os::kInvalidFile);
  // Nothing was created under any of those names.
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder_.wide() + L"\\*").c_str(), &entry);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  int entries = 0;
  do {
    ++entries;
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  EXPECT_EQ(entries, 2) << "only . and ..";

  std::uint32_t done = 7;
  char buffer[4];
  EXPECT_FALSE(os::FileRead(os::kInvalidFile, buffer, 4, &done));
  EXPECT_EQ(done, 0u);
  EXPECT_FALSE(os::FileWrite(os::kInvalidFile, buffer, 4, &done));
  EXPECT_FALSE(os::FileSeek(os::kInvalidFile, 0, os::SeekOrigin::kBegin, nullptr));
  EXPECT_FALSE(os::FileFlush(os::kInvalidFile));
  EXPECT_FALSE(os::FileClose(os::kInvalidFile));
  EXPECT_FALSE(os::FindNext(nullptr, &data));
  os::FindEnd(nullptr);
}

TEST_F(Win32PlatformTest, RenameDeleteAndEnumerate) {
  ASSERT_TRUE(CreateDirectoryW(folder_.WideIn("VELM").c_str(), nullptr));
  for (const char* n : {"a.VEL", "b.vel", "表.VEL", "VELM.TMP", "c.VELX"})
    velmtest::WriteFileBytes(folder_.WideIn(std::string("VELM\\") + n), n);
  ASSERT_TRUE(CreateDirectoryW(folder_.WideIn("VELM\\sub.VEL").c_str(), nullptr));
  // Names the plug-in cannot see: no Shift-JIS form, or only a best-fit one.
  velmtest::WriteFileBytes(folder_.wide() + L"\\VELM\\\uD55C.VEL", "hangul");
  velmtest::WriteFileBytes(folder_.wide() + L"\\VELM\\caf\u00E9.VEL", "cafe");

  std::set<std::string> found;
  std::set<std::string> folders;
  os::FindData data{};
  const std::string pattern = folder_.SjisIn("VELM\\*.VEL");
  os::FindHandle find = os::FindFirst(pattern.c_str(), &data);
  ASSERT_NE(find, nullptr);
  do {
    found.insert(velmtest::Utf8(data.name));
    if (data.isFolder) folders.insert(velmtest::Utf8(data.name));
  } while (os::FindNext(find, &data));
  os::FindEnd(find);
  EXPECT_EQ(found, (std::set<std::string>{"a.VEL", "b.vel", "表.VEL", "sub.VEL"}))
      << "case is ignored; unconvertible names are skipped, never best-fitted";
  EXPECT_EQ(folders, std::set<std::string>{"sub.VEL"});
  EXPECT_EQ(os::FindFirst(folder_.SjisIn("VELM\\*.XYZ").c_str(), &data), nullptr);
  EXPECT_EQ(os::FindFirst(folder_.SjisIn("NOWHERE\\*.VEL").c_str(), &data), nullptr);
  // A folder holding only unconvertible names looks empty.
  ASSERT_TRUE(CreateDirectoryW(folder_.WideIn("only").c_str(), nullptr));
  velmtest::WriteFileBytes(folder_.wide() + L"\\only\\\uD55C.VEL", "x");
  EXPECT_EQ(os::FindFirst(folder_.SjisIn("only\\*.VEL").c_str(), &data), nullptr);

  const std::string tmp = folder_.SjisIn("VELM\\VELM.TMP");
  const std::string group = folder_.SjisIn("VELM\\表.VEL");
  EXPECT_FALSE(os::FileRename(tmp.c_str(), group.c_str(), false)) << "no replacing unless asked";
  EXPECT_EQ(velmtest::FileBytes(folder_.WideIn("VELM\\表.VEL")), "表.VEL");
  ASSERT_TRUE(os::FileRename(tmp.c_str(), group.c_str(), true));
  EXPECT_EQ(velmtest::FileBytes(folder_.WideIn("VELM\\表.VEL")), "VELM.TMP");
  EXPECT_FALSE(velmtest::FileExists(folder_.WideIn("VELM\\VELM.TMP")));
  EXPECT_FALSE(os::FileRename(tmp.c_str(), group.c_str(), true)) << "the source is gone";
  const std::string moved = folder_.SjisIn("VELM\\花.VEL");
  ASSERT_TRUE(os::FileRename(group.c_str(), moved.c_str(), false));
  EXPECT_EQ(velmtest::FileBytes(folder_.WideIn("VELM\\花.VEL")), "VELM.TMP");

  EXPECT_TRUE(os::FileDelete(moved.c_str()));
  EXPECT_FALSE(os::FileDelete(moved.c_str()));
  EXPECT_FALSE(velmtest::FileExists(folder_.WideIn("VELM\\花.VEL")));
}

TEST_F(Win32PlatformTest, MemoryBlocksAreZeroFilledAndFailOnRequest) {
  os::MemHandle raw = os::MemAlloc(1000);
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(os::MemSize(raw), 1000u);
  EXPECT_TRUE(std::all_of(raw, raw + 1000, [](std::uint8_t b) { return b == 0; }));
  os::MemFree(raw);
  EXPECT_EQ(os::MemSize(nullptr), 0u);
  os::MemFree(nullptr);

  os::MemHandle block = nullptr;
  ASSERT_TRUE(velm::GrowBlock(block, 10, velm::kListGranule));
  EXPECT_EQ(os::MemSize(block), velm::kListGranule);
  std::memcpy(block, "keep", 4);
  ASSERT_TRUE(velm::GrowBlock(block, velm::kListGranule + 1, velm::kListGranule));
  EXPECT_EQ(os::MemSize(block), 2 * velm::kListGranule);
  EXPECT_EQ(std::memcmp(block, "keep", 4), 0);
  EXPECT_TRUE(std::all_of(block + 4, block + 2 * velm::kListGranule,
                          [](std::uint8_t b) { return b == 0; }));

  os::TestOverrides().allocationsBeforeFailure = 1;
  os::MemHandle one = os::MemAlloc(16);
  EXPECT_NE(one, nullptr) << "one more allocation succeeds";
  os::MemFree(one);
  os::MemHandle kept = block;
  EXPECT_FALSE(velm::GrowBlock(block, 3 * velm::kListGranule, velm::kListGranule));
  EXPECT_EQ(block, kept) << "a failed growth leaves the block as it was";
  EXPECT_EQ(os::MemAlloc(16), nullptr) << "and allocations keep failing";
  os::TestOverrides() = os::Overrides{};
  velm::ReleaseBlock(block);
  EXPECT_EQ(block, nullptr);
}

TEST_F(Win32PlatformTest, TimeTicksAndOverrides) {
  os::SystemTime epoch{1904, 1, 0, 1, 0, 0, 0, 0};
  std::uint64_t ticks = 0;
  ASSERT_TRUE(os::SystemTimeToTicks(&epoch, &ticks));
  EXPECT_EQ(ticks, (303ULL * 365 + 72) * 86400ULL * 10000000ULL);
  os::SystemTime back{};
  ASSERT_TRUE(os::TicksToSystemTime(ticks, &back));
  EXPECT_EQ(back.year, 1904);
  EXPECT_EQ(back.dayOfWeek, 5) << "1904-01-01 was a Friday";

  os::SystemTime leap{2024, 2, 0, 29, 23, 59, 58, 999};
  ASSERT_TRUE(os::SystemTimeToTicks(&leap, &ticks));
  ASSERT_TRUE(os::TicksToSystemTime(ticks + 10000ULL, &back));
  EXPECT_EQ(back.month, 2);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.second, 59);
  EXPECT_EQ(back.milliseconds, 0);
  ASSERT_TRUE(os::TicksToSystemTime(ticks + 10010000ULL, &back));
  EXPECT_EQ(back.month, 3) << "a second and a millisecond later it is March";
  EXPECT_EQ(back.day, 1);

  os::SystemTime bad{2023, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_FALSE(os::SystemTimeToTicks(&bad, &ticks)) << "2023 has no 29 February";
  bad = {2023, 13, 0, 1, 0, 0, 0, 0};
  EXPECT_FALSE(os::SystemTimeToTicks(&bad, &ticks));
  bad = {2023, 1, 0, 1, 24, 0, 0, 0};
  EXPECT_FALSE(os::SystemTimeToTicks(&bad, &ticks));
  bad = {2100, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_FALSE(os::SystemTimeToTicks(&bad, &ticks)) << "2100 is no leap year";
  bad = {2000, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_TRUE(os::SystemTimeToTicks(&bad, &ticks)) << "2000 is one";
  bad = {2023, 4, 0, 31, 0, 0, 0, 0};
  EXPECT_FALSE(os::SystemTimeToTicks(&bad, &ticks));
  EXPECT_FALSE(os::TicksToSystemTime(0x8000000000000000ULL, &back));
  EXPECT_FALSE(os::SystemTimeToTicks(nullptr, &ticks));

  os::SystemTime now{};
  os::LocalTimeNow(&now);
  EXPECT_GE(now.year, 2020);
  EXPECT_TRUE(os::SystemTimeToTicks(&now, &ticks)) << "the clock gives a valid time";

  os::TestOverrides().localTime = [](os::SystemTime* t) { *t = {1999, 12, 5, 31, 23, 59, 59, 0}; };
  os::TestOverrides().tickCount = [] { return 0xFFFFFFF0u; };
  os::LocalTimeNow(&now);
  EXPECT_EQ(now.year, 1999);
  EXPECT_EQ(now.day, 31);
  EXPECT_EQ(os::TickCount(), 0xFFFFFFF0u);
  os::TestOverrides() = os::Overrides{};
  const std::uint32_t t1 = os::TickCount();
  Sleep(50);
  const std::uint32_t moved = os::TickCount() - t1;
  EXPECT_GT(moved, 0u) << "the system's tick count moves";
  EXPECT_LT(moved, 60000u) << "in milliseconds";
}

int gBeeps = 0;

TEST_F(Win32PlatformTest, CursorsFromTheModuleAndTheBeep) {
  const auto self = reinterpret_cast<host::ModuleInstance>(GetModuleHandleW(nullptr));
  for (std::int32_t id : {16050, 16100, 16105, 16113})
    EXPECT_NE(velm::gui::LoadCursorResource(self, id), nullptr) << id;
  EXPECT_EQ(velm::gui::LoadCursorResource(self, 16114), nullptr) << "no such cursor";
  EXPECT_EQ(velm::gui::LoadCursorResource(self, 0), nullptr);
  EXPECT_EQ(velm::gui::LoadCursorResource(nullptr, 16100), nullptr);
  velm::gui::SetCursor(velm::gui::LoadCursorResource(self, 16101));
  velm::gui::SetCursor(nullptr);

  gBeeps = 0;
  velm::gui::TestOverrides().beep = [] { ++gBeeps; };
  velm::gui::Beep();
  velm::gui::Beep();
  EXPECT_EQ(gBeeps, 2);
  velm::gui::TestOverrides() = velm::gui::Overrides{};
  velm::gui::Beep();  // the system's own: must simply return
  EXPECT_EQ(gBeeps, 2);
}

}  // namespace
