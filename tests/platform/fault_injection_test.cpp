// The injected file faults and the disk model behind a simulated restart: what a restart
// keeps of flushed, unflushed, created, renamed and deleted files, and how the chosen
// operation fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "common/host_fixture.h"
#include "platform/os.h"
#include "platform/posix/os_posix.h"

namespace {

namespace os = velm::os;

constexpr char kA[] = "C:\\a.VEL";
constexpr char kB[] = "C:\\b.TMP";

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::SetDriveRoot('C', drive_.path().c_str());
    std::ofstream(drive_.path() / "a.VEL") << "old";
  }
  void TearDown() override {
    os::TestOverrides().fileFaults = nullptr;
    os::SetDriveRoot('C', nullptr);
  }
  std::optional<std::string> Contents(const char* name) {
    std::ifstream in(drive_.path() / name, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  // Writes `text` into the file at `path` (created or truncated), flushed when asked.
  static void Put(const char* path, const std::string& text, bool flush) {
    os::FileHandle f =
        os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kCreateAlways);
    ASSERT_NE(f, os::kInvalidFile);
    std::uint32_t done = 0;
    ASSERT_TRUE(os::FileWrite(f, text.data(), static_cast<std::uint32_t>(text.size()), &done));
    if (flush) {
      ASSERT_TRUE(os::FileFlush(f));
    }
    ASSERT_TRUE(os::FileClose(f));
  }
  velmtest::TempFolder drive_;
};

TEST_F(FaultInjectionTest, ARestartKeepsWhatWasFlushedAndNothingElse) {
  struct Case {
    const char* what;
    std::function<void()> steps;
    std::optional<std::string> a, b;  // after the restart
  };
  const Case cases[] = {
      {"unflushed write", [] { Put(kA, "new", false); }, "old", std::nullopt},
      {"flushed write", [] { Put(kA, "new", true); }, "new", std::nullopt},
      {"write after the flush",
       [] {
         Put(kA, "new", true);
         Put(kA, "newer", false);
       },
       "new", std::nullopt},
      {"created, not flushed", [] { Put(kB, "b", false); }, "old", std::nullopt},
      {"created and flushed", [] { Put(kB, "b", true); }, "old", "b"},
      {"flushed, renamed over",
       [] {
         Put(kB, "b", true);
         os::FileRename(kB, kA, true);
       },
       "b", std::nullopt},
      {"unflushed, renamed over",
       [] {
         Put(kB, "b", false);
         os::FileRename(kB, kA, true);
       },
       "old", std::nullopt},
      {"deleted", [] { os::FileDelete(kA); }, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(drive_.path() / "b.TMP");
    std::ofstream(drive_.path() / "a.VEL") << "old";
    os::FileFaults faults;
    os::TestOverrides().fileFaults = &faults;
    c.steps();
    EXPECT_TRUE(os::SimulateRestart(true));
    os::TestOverrides().fileFaults = nullptr;
    EXPECT_EQ(Contents("a.VEL"), c.a) << c.what;
    EXPECT_EQ(Contents("b.TMP"), c.b) << c.what;
  }
}

TEST_F(FaultInjectionTest, TheChosenOperationFailsAndEveryOneAfterAPowerLoss) {
  // The second operation of all, a write: torn after half of its bytes.
  os::FileFaults any;
  any.failAt = 2;
  os::TestOverrides().fileFaults = &any;
  os::FileHandle f =
      os::FileOpen(kA, os::FileAccess::kReadWrite, os::FileDisposition::kCreateAlways);
  std::uint32_t done = 9;
  EXPECT_FALSE(os::FileWrite(f, "abcdef", 6, &done));
  EXPECT_EQ(done, 3u);
  EXPECT_TRUE(os::FileClose(f));
  EXPECT_EQ(Contents("a.VEL"), "abc");
  EXPECT_EQ(any.operations, 3u);
  EXPECT_EQ(any.failed, 1u);
  EXPECT_EQ(any.failedKind, os::FileOp::kWrite);

  // The first flush: the data never becomes durable.
  os::FileFaults flush;
  flush.anyKind = false;
  flush.kind = os::FileOp::kFlush;
  flush.failAt = 1;
  os::TestOverrides().fileFaults = &flush;
  Put(kB, "b", false);
  f = os::FileOpen(kB, os::FileAccess::kReadWrite, os::FileDisposition::kOpenExisting);
  EXPECT_FALSE(os::FileFlush(f));
  EXPECT_TRUE(os::FileClose(f));
  os::SimulateRestart(true);
  EXPECT_EQ(Contents("b.TMP"), std::nullopt);

  // Power lost after the open: nothing more is written, closing still frees the handle.
  os::FileFaults power;
  power.powerLossAfter = 1;
  os::TestOverrides().fileFaults = &power;
  f = os::FileOpen(kB, os::FileAccess::kReadWrite, os::FileDisposition::kCreateNew);
  ASSERT_NE(f, os::kInvalidFile);
  EXPECT_FALSE(os::FileWrite(f, "xy", 2, &done));
  EXPECT_EQ(done, 0u);
  EXPECT_FALSE(os::FileClose(f));
  EXPECT_FALSE(os::FileDelete(kA));
  EXPECT_EQ(power.failed, 3u);
  os::SimulateRestart(true);
  EXPECT_EQ(Contents("b.TMP"), std::nullopt);
  EXPECT_EQ(Contents("a.VEL"), "abc") << "what the earlier run left, not touched since";
}

}  // namespace
