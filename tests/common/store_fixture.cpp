#include "common/store_fixture.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "platform/memory.h"

namespace velmtest {

void StoreTest::SetUp() {
  HostTest::SetUp();
  UseInProcessPlugin();
  ASSERT_EQ(host().Startup(), host::kNoErr);
  message_ = host().NewMessage();
  ASSERT_EQ(velm::AcquireSuites(message_.basic), host::kNoErr);
}

void StoreTest::TearDown() {
  velm::ReleaseSuites(message_.basic);
  host().Shutdown();
  HostTest::TearDown();
}

std::filesystem::path StoreTest::DatabaseFolder() const {
  return drive_.path() / "Program Files" / "VELM Host" / "VELM";
}

std::filesystem::path StoreTest::GroupFile(const std::string& utf8Group) const {
  return DatabaseFolder() / (utf8Group + ".VEL");
}

std::string StoreTest::FileBytes(const std::filesystem::path& path) const {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void StoreTest::WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) const {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool SetUnwritable(const std::filesystem::path& path, bool unwritable) {
  namespace fs = std::filesystem;
  const fs::perms writable = fs::perms::owner_write | fs::perms::group_write;
  std::error_code ec;
  fs::permissions(path, writable, unwritable ? fs::perm_options::remove : fs::perm_options::add,
                  ec);
  // Permissions do not stop the superuser: the immutable flag does.
  if (::geteuid() == 0) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool set = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = unwritable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    set = set && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    if (!set) return false;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd >= 0) ::close(fd);
  return (fd < 0) == unwritable;
}

os::MemHandle StoreTest::MakeRecord(const std::string& name, const std::string& kind,
                                    const std::string& comment, std::uint32_t created, int seed) {
  os::MemHandle record = velm::NewEmptyRecord();
  EXPECT_NE(record, nullptr);
  if (!record) return nullptr;
  velm::Record* header = velm::RecordHeader(record);
  const std::string n = Sjis(name), k = Sjis(kind), c = Sjis(comment);
  std::memcpy(header->name, n.data(), std::min<std::size_t>(n.size(), 63));
  std::memcpy(header->kind, k.data(), std::min<std::size_t>(k.size(), 63));
  std::memcpy(header->comment, c.data(), std::min<std::size_t>(c.size(), 255));
  header->created = header->modified = created;
  header->bounds = {0, 10 << 16, 20 << 16, 0};
  // A thumbnail with some structure and some noise.
  std::uint32_t state = static_cast<std::uint32_t>(seed) * 2654435761u + 1;
  for (std::uint32_t i = 0; i < velm::kThumbnailSize; i += 4) {
    state = state * 1103515245u + 12345u;
    record[velm::kThumbnailOffset + i] = 0;
    record[velm::kThumbnailOffset + i + 1] = static_cast<std::uint8_t>((i / 512) * seed);
    record[velm::kThumbnailOffset + i + 2] = static_cast<std::uint8_t>(i % 512 < 256 ? 255 : 0);
    record[velm::kThumbnailOffset + i + 3] =
        static_cast<std::uint8_t>((state >> 28) == 0 ? state >> 8 : 0);
  }
  return record;
}

void StoreTest::SetCurrentRecord(os::MemHandle record) {
  velm::ReleaseBlock(velm::gGlobals->currentRecord);
  velm::gGlobals->currentRecord = record;
}

void StoreTest::Append(const std::string& group, const std::string& name, const std::string& kind,
                       std::uint32_t created) {
  velm::Globals* g = velm::gGlobals;
  velm::ReleaseBlock(g->currentRecord);
  g->currentRecord = MakeRecord(name, kind, "", created, static_cast<int>(created % 7) + 1);
  ASSERT_EQ(velm::WriteGroupRecord(Sjis(group).c_str(), -1), host::kNoErr);
}

}  // namespace velmtest
