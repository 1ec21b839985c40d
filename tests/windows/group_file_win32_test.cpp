// Group files on Windows's own file calls, driven without a host: a runtime suite that
// reports an application under a fresh temporary folder, and a zeroed globals block.
// Japanese group names must reach the disk as the right Unicode file names, a removal must
// replace the group file in one step or not at all, and damaged files must be left alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "host/ai_document.h"
#include "platform/memory.h"
#include "windows/support/win_folder.h"

namespace {

namespace os = velm::os;
using velmtest::Sjis;

std::string gAppFilePath;

host::Err GetAppFilePath(char* path, std::int32_t maxLength) {
  if (!path || maxLength <= static_cast<std::int32_t>(gAppFilePath.size()))
    return host::kBadParameterErr;
  std::memcpy(path, gAppFilePath.c_str(), gAppFilePath.size() + 1);
  return host::kNoErr;
}

std::uint32_t BE32(const std::string& bytes, std::size_t at) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

bool CollectGroup(const char* group, void* context) {
  static_cast<std::set<std::string>*>(context)->insert(velmtest::Utf8(group));
  return true;
}

class Win32GroupFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedRuntime_ = velm::sRuntime;
    savedGlobals_ = velm::gGlobals;
    gAppFilePath = folder_.sjis() + "\\Support Files\\host.exe";
    runtime_.GetAppFilePath = GetAppFilePath;
    velm::sRuntime = &runtime_;
    velm::gGlobals = &globals_;
  }
  void TearDown() override {
    velm::ReleaseBlock(globals_.currentRecord);
    velm::ReleaseBlock(globals_.RIHList);
    velm::sRuntime = savedRuntime_;
    velm::gGlobals = savedGlobals_;
    os::TestOverrides() = os::Overrides{};
  }

  std::wstring GroupFile(const std::string& utf8Group) const {
    return folder_.WideIn("VELM\\" + utf8Group + ".VEL");
  }

  // Appends a record named `name` (with a thumbnail made from `seed`) to `group`.
  void Append(const std::string& group, const std::string& name, int seed) {
    velm::ReleaseBlock(globals_.currentRecord);
    os::MemHandle record = velm::NewEmptyRecord();
    ASSERT_NE(record, nullptr);
    velm::Record* header = velm::RecordHeader(record);
    const std::string n = Sjis(name);
    std::memcpy(header->name, n.data(), std::min<std::size_t>(n.size(), 63));
    header->created = header->modified = 1000u + static_cast<std::uint32_t>(seed);
    for (std::uint32_t i = 0; i < velm::kThumbnailSize; i += 4)
      record[velm::kThumbnailOffset + i + 1] = static_cast<std::uint8_t>((i / 512) * seed);
    globals_.currentRecord = record;
    ASSERT_EQ(velm::WriteGroupRecord(Sjis(group).c_str(), -1), host::kNoErr);
  }

  // The name of record `index` as read back through the database.
  std::string NameOf(const std::string& group, std::int32_t index) {
    if (velm::VelmReadRecord(Sjis(group).c_str(), index, nullptr, velm::kReadHeaderOnly, true) !=
            host::kNoErr ||
        !globals_.currentRecord)
      return "<none>";
    return velmtest::Utf8(velm::RecordHeader(globals_.currentRecord)->name);
  }

  velmtest::WinTempFolder folder_;
  host::RuntimeSuite runtime_{};
  velm::Globals globals_{};
  const host::RuntimeSuite* savedRuntime_ = nullptr;
  velm::Globals* savedGlobals_ = nullptr;
};

TEST_F(Win32GroupFileTest, JapaneseGroupNamesAreUnicodeFileNames) {
  Append("表グループ", "猫", 1);
  Append("表グループ", "犬", 2);
  Append("花", "桜", 3);

  // The files carry the Unicode names, as the wide calls and other programs see them.
  EXPECT_TRUE(velmtest::FileExists(folder_.wide() + L"\\VELM\\\u8868\u30B0\u30EB\u30FC\u30D7.VEL"));
  EXPECT_TRUE(velmtest::FileExists(folder_.wide() + L"\\VELM\\\u82B1.VEL"));
  const std::string bytes = velmtest::FileBytes(GroupFile("表グループ"));
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(BE32(bytes, 0), 2u) << "the count word";

  // Files whose names have no Shift-JIS form are not groups the plug-in can see.
  velmtest::WriteFileBytes(folder_.wide() + L"\\VELM\\\uD55C.VEL", std::string(4, '\0'));
  velmtest::WriteFileBytes(folder_.wide() + L"\\VELM\\caf\u00E9.VEL", std::string(4, '\0'));
  std::set<std::string> groups;
  ASSERT_EQ(velm::ListGroups(CollectGroup, &groups), host::kNoErr);
  EXPECT_EQ(groups, (std::set<std::string>{"表グループ", "花"}));

  EXPECT_EQ(velm::GroupRecordCount(Sjis("表グループ").c_str()), 2);
  EXPECT_EQ(velm::GroupRecordCount(Sjis("花").c_str()), 1);
  EXPECT_EQ(NameOf("表グループ", 0), "猫");
  EXPECT_EQ(NameOf("表グループ", 1), "犬");
  EXPECT_EQ(NameOf("花", 0), "桜");
  ASSERT_EQ(
      velm::VelmReadRecord(Sjis("表グループ").c_str(), 1, nullptr, velm::kReadWholeRecord, true),
      host::kNoErr);
  ASSERT_NE(globals_.currentRecord, nullptr);
  EXPECT_EQ(globals_.currentRecord[velm::kThumbnailOffset + 512 * 3 + 1], 6) << "thumbnail kept";

  // A name that is not a file name writes nothing anywhere.
  globals_.currentRecord = velm::NewEmptyRecord();
  EXPECT_EQ(velm::WriteGroupRecord("a:b", -1), velm::kBadGroupNameErr);
  EXPECT_EQ(velm::WriteGroupRecord("..", -1), velm::kBadGroupNameErr);
  // Device names would send the record to a device; "x.VEL" would never be listed.
  EXPECT_EQ(velm::WriteGroupRecord("CON", -1), velm::kBadGroupNameErr);
  EXPECT_EQ(velm::WriteGroupRecord("lpt1.x", -1), velm::kBadGroupNameErr);
  EXPECT_EQ(velm::WriteGroupRecord("x.VEL", -1), velm::kBadGroupNameErr);
  EXPECT_FALSE(velmtest::FileExists(folder_.WideIn("VELM\\a")));
}

TEST_F(Win32GroupFileTest, RemovalReplacesTheGroupFileInOneStep) {
  Append("表", "一", 1);
  Append("表", "二", 2);
  Append("表", "三", 3);
  const std::wstring file = GroupFile("表");
  const std::wstring temp = folder_.WideIn("VELM\\VELM.TMP");
  const std::string before = velmtest::FileBytes(file);
  const std::uint32_t first = BE32(before, 4 + 4);
  const std::uint32_t second = BE32(before, 4 + first + 4);
  ASSERT_LT(4u + first + second, before.size());

  // Another program holds the group file open without letting it be replaced: the
  // removal fails, and the group file and its records stay exactly as they were.
  HANDLE reader = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_NE(velm::RemoveGroupRecord(Sjis("表").c_str(), 1), host::kNoErr);
  CloseHandle(reader);
  EXPECT_EQ(velmtest::FileBytes(file), before);
  EXPECT_FALSE(velmtest::FileExists(temp)) << "the scratch file is cleaned up";

  // Memory running out half-way leaves the group as it was too.
  os::TestOverrides().allocationsBeforeFailure = 0;
  EXPECT_NE(velm::RemoveGroupRecord(Sjis("表").c_str(), 1), host::kNoErr);
  os::TestOverrides() = os::Overrides{};
  EXPECT_EQ(velmtest::FileBytes(file), before);
  EXPECT_FALSE(velmtest::FileExists(temp));

  ASSERT_EQ(velm::RemoveGroupRecord(Sjis("表").c_str(), 1), host::kNoErr);
  std::string expected = before.substr(0, 4 + first) + before.substr(4 + first + second);
  expected[3] = 2;  // the count word
  EXPECT_EQ(velmtest::FileBytes(file), expected) << "the other records are copied unchanged";
  EXPECT_FALSE(velmtest::FileExists(temp));
  EXPECT_EQ(NameOf("表", 0), "一");
  EXPECT_EQ(NameOf("表", 1), "三");

  // A record that does not exist removes nothing.
  EXPECT_EQ(velm::RemoveGroupRecord(Sjis("表").c_str(), 5), host::kNoErr);
  EXPECT_EQ(velmtest::FileBytes(file), expected);
}

TEST_F(Win32GroupFileTest, DamagedFilesAreReportedAndLeftAlone) {
  Append("傷", "一", 1);
  Append("傷", "二", 2);
  const std::wstring file = GroupFile("傷");
  const std::string good = velmtest::FileBytes(file);

  // The last record cut short.
  const std::string cut = good.substr(0, good.size() - 10);
  velmtest::WriteFileBytes(file, cut);
  EXPECT_EQ(NameOf("傷", 0), "一") << "the records before the damage still read";
  EXPECT_EQ(velm::VelmReadRecord(Sjis("傷").c_str(), 1, nullptr, velm::kReadWholeRecord, true),
            velm::kDamagedGroupErr);
  EXPECT_EQ(globals_.currentRecord, nullptr) << "nothing half-read is handed out";
  EXPECT_EQ(velm::RemoveGroupRecord(Sjis("傷").c_str(), 0), velm::kDamagedGroupErr);
  EXPECT_EQ(velmtest::FileBytes(file), cut);
  EXPECT_FALSE(velmtest::FileExists(folder_.WideIn("VELM\\VELM.TMP")));

  // A count word that promises more records than the file holds.
  std::string counted = good;
  counted[3] = 3;
  velmtest::WriteFileBytes(file, counted);
  EXPECT_EQ(velm::VelmReadRecord(Sjis("傷").c_str(), 2, nullptr, velm::kReadHeaderOnly, true),
            velm::kDamagedGroupErr);
  globals_.currentRecord = velm::NewEmptyRecord();
  EXPECT_EQ(velm::WriteGroupRecord(Sjis("傷").c_str(), -1), velm::kDamagedGroupErr);
  EXPECT_EQ(velmtest::FileBytes(file), counted) << "nothing is appended to a damaged file";

  // A file too short for its count word has no records.
  velmtest::WriteFileBytes(file, "\x00\x00");
  EXPECT_EQ(velm::GroupRecordCount(Sjis("傷").c_str()), 0);
  EXPECT_EQ(NameOf("傷", 0), "<none>");
}

}  // namespace
