// Checking a group file record by record, straight from its bytes: the count word
// against the records present, each record's extent in the file, then what
// InspectStoredRecord finds inside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "record_walk.h"

namespace velmtool {

struct ScannedRecord {
  std::int32_t number = 0;
  std::uint64_t offset = 0;        // in the file
  std::uint32_t recordLength = 0;  // stored
  bool sound = false;              // no problem found in it
};

struct GroupScan {
  bool opened = false;
  std::uint64_t fileSize = 0;
  std::int32_t countWord = 0;
  // The records that could be located, in order; checking stops at the first record
  // whose extent is wrong, since nothing after it can be found.
  std::vector<ScannedRecord> records;
  std::vector<Problem> problems;
  // What is harmless but worth a note: the rest of an interrupted append after the
  // counted records, which the next write (or velm repair) cuts off.
  std::vector<Problem> warnings;
};

// Reads a group file through one window, as its records' headers are walked: a read per
// window, not a seek and a read per record. Nothing is handed out beyond what was read.
class FileWindow {
 public:
  static constexpr std::uint32_t kWindow = 65536;
  explicit FileWindow(const std::filesystem::path& file);
  bool opened() const { return opened_; }
  // The file's size when it was opened.
  std::uint64_t size() const { return size_; }
  // The `count` bytes (at most kWindow) at `at`, or null when the file ends before them.
  // Valid until the next call.
  const std::uint8_t* At(std::uint64_t at, std::uint32_t count);

 private:
  std::ifstream in_;
  bool opened_ = false;
  std::uint64_t size_ = 0;
  std::vector<std::uint8_t> window_;
  std::uint64_t start_ = 0;
  std::uint64_t valid_ = 0;
  std::uint64_t last_ = 0;    // the offset asked for last
  std::uint64_t stride_ = 0;  // between the last two offsets asked for
};

// True when the bytes at `at` (of `left`) begin a whole stored record: its length lies in
// them and agrees with its two coded parts. Writes refuse to go past such a record.
bool WholeRecordAt(const std::uint8_t* bytes, std::uint64_t left);

GroupScan ScanGroupFile(const std::filesystem::path& file);

// The file offset of record `number`, found by walking the records' length words; none
// when the walk leaves the file first.
std::optional<std::uint64_t> LocateRecord(const std::filesystem::path& file, std::int32_t number);

// The name fields (Shift-JIS, up to their NUL) of the first `count` records, found by
// walking the records' length words; fewer when the walk leaves the file first. With
// `lastOnly`, only the last one is read (the others are empty).
std::vector<std::string> StoredRecordNames(const std::filesystem::path& file, std::int32_t count,
                                           bool lastOnly = false);

}  // namespace velmtool
