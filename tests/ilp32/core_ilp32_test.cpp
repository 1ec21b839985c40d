// The plug-in's core as 32-bit code: sizes and offsets computed in 32 bits, memory asked
// for near the top of a 32-bit address space, a group of 10,000 records and a record of
// 100,000 objects, as the 32-bit module meets them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/sjis.h"
#include "database/art_stream.h"
#include "database/group_file.h"
#include "database/lzss.h"
#include "database/record.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "host/ai_document.h"
#include "platform/memory.h"
#include "platform/posix/os_posix.h"

namespace {

namespace fs = std::filesystem;
namespace os = velm::os;
using velmtest::Sjis;

void Put32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

TEST(Ilp32, TheCoreIsBuiltAsThirtyTwoBitCode) {
  // Without these the rest of this program proves nothing about the 32-bit module.
  EXPECT_EQ(sizeof(void*), 4u);
  EXPECT_EQ(sizeof(std::size_t), 4u);
  EXPECT_EQ(sizeof(long), 4u);
  EXPECT_EQ(sizeof(velm::Record), 424u);
}

TEST(Ilp32, BlocksTheAddressSpaceCannotHoldAreRefused) {
  // A size whose bookkeeping passes 4 GiB must not wrap round to a small block.
  for (std::uint32_t size : {0xFFFFFFFFu, 0xFFFFFFF8u, 0xFFFFFFF0u}) {
    os::MemHandle block = os::MemAlloc(size);
    EXPECT_EQ(block, nullptr) << size;
    os::MemFree(block);
  }
  os::MemHandle block = nullptr;
  ASSERT_TRUE(velm::GrowBlock(block, 100, velm::kRecordGranule));
  block[0] = 7;
  // 3 GiB cannot be had in a 32-bit process, and no rounding may pass 32 bits.
  EXPECT_FALSE(velm::GrowBlock(block, 3u << 30, velm::kRecordGranule));
  EXPECT_FALSE(velm::GrowBlock(block, 0xFFFFFFF0u, velm::kRecordGranule));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[0], 7) << "a refused growth keeps the block";
  EXPECT_EQ(os::MemSize(block), velm::kRecordGranule);
  velm::ReleaseBlock(block);
}

TEST(Ilp32, ARecordOfAHundredThousandObjectsCodesAndExpands) {
  os::MemHandle record = velm::NewEmptyRecord();
  ASSERT_NE(record, nullptr);
  constexpr std::int32_t kObjects = 100000;
  constexpr std::uint32_t kLength = 72;
  // Objects in memory carry their numbers in this machine's order.
  std::uint8_t object[kLength] = {};
  const auto set = [&object](std::uint32_t at, std::uint32_t value) {
    std::memcpy(object + at, &value, 4);
  };
  for (std::int32_t i = 0; i < kObjects; ++i) {
    set(0, 5);
    set(4, kLength);
    set(24, static_cast<std::uint32_t>(i));
    set(40, static_cast<std::uint32_t>(i) * 2654435761u);
    ASSERT_EQ(velm::AddVELMObj(record, object), 0) << i;
  }
  const auto* header = velm::RecordHeader(record);
  ASSERT_EQ(header->objectCount, kObjects);
  const std::uint32_t length = static_cast<std::uint32_t>(header->recordLength);
  const std::vector<std::uint8_t> expanded(record, record + length);

  ASSERT_EQ(velm::CompressRecord(record), 0);
  EXPECT_LT(static_cast<std::uint32_t>(velm::RecordHeader(record)->recordLength), length / 4);
  ASSERT_EQ(velm::ExpandRecord(record, true), 0);
  ASSERT_EQ(static_cast<std::uint32_t>(velm::RecordHeader(record)->recordLength), length);
  EXPECT_EQ(std::memcmp(record + velm::kThumbnailOffset, expanded.data() + velm::kThumbnailOffset,
                        length - velm::kThumbnailOffset),
            0);

  velm::ObjectIndex index;
  ASSERT_TRUE(index.Build(record));
  ASSERT_EQ(index.count(), kObjects);
  std::uint32_t last = 0;
  std::memcpy(&last, index.Object(kObjects - 1) + 24, 4);
  EXPECT_EQ(last, std::uint32_t{kObjects - 1});
  velm::ReleaseBlock(record);
}

// ---- A group of 10,000 records on the disk ----

std::string gAppFilePath;

host::Err GetAppFilePath(char* path, std::int32_t maxLength) {
  if (!path || maxLength <= static_cast<std::int32_t>(gAppFilePath.size()))
    return host::kBadParameterErr;
  std::memcpy(path, gAppFilePath.c_str(), gAppFilePath.size() + 1);
  return host::kNoErr;
}

class Ilp32Store : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/velm-ilp32-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(fs::path(root_) / "Host");
    os::SetDriveRoot('C', root_.c_str());
    gAppFilePath = "C:\\Host\\Support Files\\host.exe";
    runtime_.GetAppFilePath = GetAppFilePath;
    savedRuntime_ = velm::sRuntime;
    savedGlobals_ = velm::gGlobals;
    velm::sRuntime = &runtime_;
    velm::gGlobals = &globals_;
  }
  void TearDown() override {
    velm::ReleaseBlock(globals_.currentRecord);
    velm::ReleaseBlock(globals_.RIHList);
    velm::sRuntime = savedRuntime_;
    velm::gGlobals = savedGlobals_;
    os::SetDriveRoot('C', nullptr);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  fs::path GroupFile(const char* group) const { return fs::path(root_) / "Host/VELM" / group; }

  std::string NameOf(const std::string& group, std::int32_t index) {
    if (velm::VelmReadRecord(Sjis(group).c_str(), index, nullptr, velm::kReadHeaderOnly, true) !=
            host::kNoErr ||
        !globals_.currentRecord)
      return "<none>";
    return velmtest::Utf8(velm::RecordHeader(globals_.currentRecord)->name);
  }

  std::string root_;
  host::RuntimeSuite runtime_{};
  velm::Globals globals_{};
  const host::RuntimeSuite* savedRuntime_ = nullptr;
  velm::Globals* savedGlobals_ = nullptr;
};

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(Ilp32Store, AGroupOfTenThousandRecordsIsWalkedReadAndRemovedFrom) {
  // One record written by the store, then repeated under 10,000 names.
  globals_.currentRecord = velm::NewEmptyRecord();
  ASSERT_NE(globals_.currentRecord, nullptr);
  std::memcpy(velm::RecordHeader(globals_.currentRecord)->name, "r0", 3);
  ASSERT_EQ(velm::WriteGroupRecord("big", -1), host::kNoErr);
  const std::string one = Bytes(GroupFile("big.VEL"));
  ASSERT_GT(one.size(), 4u + 424u);
  const std::string stored = one.substr(4);

  constexpr std::uint32_t kRecords = 10000;
  std::string file(4, '\0');
  Put32(reinterpret_cast<std::uint8_t*>(file.data()), kRecords);
  file.reserve(4 + stored.size() * kRecords);
  for (std::uint32_t i = 0; i < kRecords; ++i) {
    std::string record = stored;
    const std::string name = "r" + std::to_string(i);
    std::memset(record.data() + 24, 0, 64);
    std::memcpy(record.data() + 24, name.data(), name.size());
    file += record;
  }
  {
    std::ofstream out(GroupFile("big.VEL"), std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
  }

  EXPECT_EQ(velm::GroupRecordCount("big"), static_cast<std::int32_t>(kRecords));
  EXPECT_EQ(NameOf("big", 0), "r0");
  EXPECT_EQ(NameOf("big", kRecords - 1), "r9999");
  EXPECT_EQ(NameOf("big", kRecords), "<none>");

  ASSERT_EQ(velm::RemoveGroupRecord("big", 5000), host::kNoErr);
  EXPECT_EQ(velm::GroupRecordCount("big"), static_cast<std::int32_t>(kRecords - 1));
  EXPECT_EQ(NameOf("big", 4999), "r4999");
  EXPECT_EQ(NameOf("big", 5000), "r5001");
  EXPECT_EQ(NameOf("big", kRecords - 2), "r9999");
  EXPECT_EQ(Bytes(GroupFile("big.VEL")).size(), file.size() - stored.size());
}

TEST_F(Ilp32Store, FilesPastTwoGigabytesAreSizedAndSoughtWhole) {
  // A sparse file: nothing of its 3 GiB is written.
  const char* path = "C:\\Host\\large.bin";
  const os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kCreateAlways);
  ASSERT_NE(file, os::kInvalidFile);
  constexpr std::int64_t kSize = std::int64_t{3} << 30;
  EXPECT_TRUE(os::FileSetSize(file, kSize));
  std::int64_t end = 0;
  EXPECT_TRUE(os::FileSeek(file, 0, os::SeekOrigin::kEnd, &end));
  EXPECT_EQ(end, kSize);
  std::int64_t at = 0;
  EXPECT_TRUE(os::FileSeek(file, kSize - 8, os::SeekOrigin::kBegin, &at));
  EXPECT_EQ(at, kSize - 8);
  os::FileClose(file);
  EXPECT_EQ(fs::file_size(fs::path(root_) / "Host/large.bin"), static_cast<std::uintmax_t>(kSize));
}

}  // namespace
