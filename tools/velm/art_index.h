// What makes a record the same as one already in its group: the same art object stream,
// whatever the record is named (a record renamed in the group is still the art). A group's
// records are known by a digest of it, so that an import of thousands of files looks each
// capture up without reading the group again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/os.h"

namespace velmtool {

class ArtIndex {
 public:
  // The records of the group file `file` (those its count word counts; a missing file
  // holds none). A record whose art cannot be expanded is left out.
  static ArtIndex OfGroupFile(const std::filesystem::path& file);

  // The key of a record as captured (expanded, in host order): its art object stream in
  // the byte order the group file keeps it in. False when the record
  // cannot be brought to that order (its write would fail too).
  static bool KeyOfCaptured(velm::os::MemHandle record, std::string* key);

  // The number of the first record with `key`.
  std::optional<std::int32_t> Find(const std::string& key) const;
  // A record that has gone (or would go) into the group as `number`.
  void Add(const std::string& key, std::int32_t number);

  // The count word of the file when it was read: the number the next record gets.
  std::int32_t count() const { return count_; }

 private:
  std::int32_t count_ = 0;
  std::unordered_map<std::string, std::int32_t> numbers_;
};

}  // namespace velmtool
