#include "group_scan.h"

#include <algorithm>
#include <fstream>

namespace velmtool {

bool WholeRecordAt(const std::uint8_t* bytes, std::uint64_t left) {
  if (left < kStoredHeaderSize) return false;
  const StoredHeader h = ParseStoredHeader(bytes);
  return h.recordLength >= static_cast<std::int32_t>(kStoredHeaderSize) &&
         static_cast<std::uint64_t>(h.recordLength) <= left && h.thumbnailLength != 0 &&
         std::uint64_t{kStoredHeaderSize} + h.thumbnailLength + h.artLength ==
             static_cast<std::uint32_t>(h.recordLength);
}

GroupScan ScanGroupFile(const std::filesystem::path& file) {
  GroupScan scan;
  std::ifstream in(file, std::ios::binary);
  if (!in) return scan;
  scan.opened = true;
  in.seekg(0, std::ios::end);
  const auto size = static_cast<std::uint64_t>(in.tellg());
  scan.fileSize = size;
  auto fileProblem = [&](std::int32_t record, std::uint64_t at, const std::string& message) {
    scan.problems.push_back({record, Place::kFile, at, message});
  };
  auto readAt = [&](std::uint64_t at, std::uint8_t* buffer, std::uint64_t n) {
    in.seekg(static_cast<std::streamoff>(at));
    in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(n));
    return static_cast<std::uint64_t>(in.gcount()) == n;
  };

  if (size < 4) {
    // An empty file is a new group; anything shorter than the count word is not.
    if (size > 0)
      fileProblem(-1, 0,
                  "the file is " + std::to_string(size) + " bytes: its count word is cut short");
    return scan;
  }
  std::uint8_t word[8];
  if (!readAt(0, word, 4)) {
    fileProblem(-1, 0, "the count word cannot be read");
    return scan;
  }
  scan.countWord = static_cast<std::int32_t>(BigEndian32(word));
  if (scan.countWord < 0) {
    fileProblem(-1, 0, "the count word is negative (" + std::to_string(scan.countWord) + ")");
    return scan;
  }

  std::uint64_t at = 4;
  std::vector<std::uint8_t> bytes;
  for (std::int32_t i = 0; i < scan.countWord; ++i) {
    const std::uint64_t left = size - at;
    auto unreachable = [&] {
      if (i + 1 < scan.countWord)
        fileProblem(-1, at,
                    "records " + std::to_string(i + 1) + " to " +
                        std::to_string(scan.countWord - 1) + " cannot be located behind record " +
                        std::to_string(i));
    };
    if (left == 0) {
      fileProblem(-1, at,
                  "the count word says " + std::to_string(scan.countWord) +
                      " records, but the file ends after " + std::to_string(i));
      return scan;
    }
    if (left < 8 || !readAt(at, word, 8)) {
      fileProblem(i, at,
                  "record header cut short: " + std::to_string(left) + " bytes left in the file");
      unreachable();
      return scan;
    }
    const std::uint32_t length = BigEndian32(word + 4);
    if (length < kStoredHeaderSize) {
      fileProblem(i, at + 4, "recordLength " + std::to_string(length) + " is below 426");
      unreachable();
      return scan;
    }
    if (length > left) {
      fileProblem(i, at + 4,
                  "recordLength " + std::to_string(length) + " runs past the end of the file (" +
                      std::to_string(left) + " bytes left)");
      unreachable();
      return scan;
    }
    bytes.resize(length);
    if (!readAt(at, bytes.data(), length)) {
      fileProblem(i, at, "the record cannot be read");
      return scan;
    }
    RecordInspection inspection = InspectStoredRecord(bytes.data(), length, i, at);
    scan.records.push_back({i, at, length, inspection.problems.empty()});
    for (Problem& p : inspection.problems)
      scan.problems.push_back(std::move(p));
    at += length;
  }

  if (at < size) {
    // Whole records behind the counted ones are hidden by a damaged count word (or an
    // append that stopped before raising it): writes refuse to touch them. Anything else
    // is the rest of an interrupted append, which the next write cuts off.
    const std::uint64_t left = size - at;
    std::vector<std::uint8_t> header(std::min<std::uint64_t>(left, kStoredHeaderSize));
    const bool record =
        readAt(at, header.data(), header.size()) && WholeRecordAt(header.data(), left);
    if (record) {
      fileProblem(-1, at,
                  "the count word says " + std::to_string(scan.countWord) +
                      " records, but another record follows the last one (velm repair keeps "
                      "it and fixes the count word)");
    } else {
      scan.warnings.push_back({-1, Place::kFile, at,
                               std::to_string(left) +
                                   " bytes follow the last record: the rest of an interrupted "
                                   "append, cut off by the next write or by velm repair"});
    }
  }
  return scan;
}

std::optional<std::uint64_t> LocateRecord(const std::filesystem::path& file, std::int32_t number) {
  std::ifstream in(file, std::ios::binary);
  if (!in || number < 0) return std::nullopt;
  in.seekg(0, std::ios::end);
  const auto size = static_cast<std::uint64_t>(in.tellg());
  std::uint64_t at = 4;
  for (std::int32_t i = 0; i < number; ++i) {
    std::uint8_t prefix[8];
    in.seekg(static_cast<std::streamoff>(at));
    if (!in.read(reinterpret_cast<char*>(prefix), 8)) return std::nullopt;
    const std::uint32_t length = BigEndian32(prefix + 4);
    if (length < kStoredHeaderSize || length > size - at) return std::nullopt;
    at += length;
  }
  return at < size ? std::optional<std::uint64_t>(at) : std::nullopt;
}

std::vector<std::string> StoredRecordNames(const std::filesystem::path& file, std::int32_t count) {
  std::vector<std::string> names;
  std::ifstream in(file, std::ios::binary);
  if (!in) return names;
  in.seekg(0, std::ios::end);
  const auto size = static_cast<std::uint64_t>(in.tellg());
  std::uint64_t at = 4;
  std::uint8_t header[kStoredHeaderSize];
  for (std::int32_t i = 0; i < count && at < size; ++i) {
    in.seekg(static_cast<std::streamoff>(at));
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) break;
    names.push_back(ParseStoredHeader(header).name);
    const std::uint32_t length = BigEndian32(header + 4);
    if (length < kStoredHeaderSize || length > size - at) break;
    at += length;
  }
  return names;
}

}  // namespace velmtool
