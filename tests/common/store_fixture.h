// A started plug-in (linked into the test) with its suites held, a library folder on the
// stand-in host's drive C:, and helpers to make and store records.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "common/host_fixture.h"
#include "platform/os.h"

namespace velmtest {

namespace os = velm::os;

// Makes a file one that no write can open (for the superuser too: the immutable flag), or
// writable again; false when the file system cannot do that.
bool SetUnwritable(const std::filesystem::path& path, bool unwritable);

class StoreTest : public HostTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The database folder ("<base>\VELM" on drive C:).
  std::filesystem::path DatabaseFolder() const;
  std::filesystem::path GroupFile(const std::string& utf8Group) const;
  std::string FileBytes(const std::filesystem::path& path) const;
  void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) const;

  // An expanded record with the given texts (UTF-8, stored as Shift-JIS), a thumbnail
  // made from `seed`, and `created` = `modified` = `created`.
  os::MemHandle MakeRecord(const std::string& name, const std::string& kind = "",
                           const std::string& comment = "", std::uint32_t created = 1000,
                           int seed = 1);
  // Replaces the current record (releasing the one there).
  void SetCurrentRecord(os::MemHandle record);
  // Appends a record to `group` (UTF-8 name) through the current record.
  void Append(const std::string& group, const std::string& name, const std::string& kind = "",
              std::uint32_t created = 1000);

  host::MessageData message_{};
};

}  // namespace velmtest
