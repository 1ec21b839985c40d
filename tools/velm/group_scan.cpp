#include "group_scan.h"

#include <algorithm>
#include <fstream>

namespace velmtool {

FileWindow::FileWindow(const std::filesystem::path& file) : in_(file, std::ios::binary) {
  if (!in_) return;
  in_.seekg(0, std::ios::end);
  const std::streamoff size = in_.tellg();
  if (size < 0) return;
  size_ = static_cast<std::uint64_t>(size);
  opened_ = true;
}

const std::uint8_t* FileWindow::At(std::uint64_t at, std::uint32_t count) {
  if (!opened_ || count > kWindow) return nullptr;
  stride_ = at - last_;
  last_ = at;
  if (at >= start_ && at + count <= start_ + valid_) return window_.data() + (at - start_);
  // Over long records a window would hold one header: only the header is read.
  const std::uint32_t want = stride_ >= 8192 && count <= 512 ? 512 : kWindow;
  if (window_.size() < kWindow) window_.resize(kWindow);
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(at));
  in_.read(reinterpret_cast<char*>(window_.data()), want);
  start_ = at;
  valid_ = in_.gcount() > 0 ? static_cast<std::uint64_t>(in_.gcount()) : 0;
  return valid_ >= count ? window_.data() : nullptr;
}

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

namespace {

// Where the records of the group file walked last start, as far as their length words
// lead: one walk serves every look-up of a command, and the file's size and time of last
// write tell when it changed.
struct Walk {
  std::filesystem::path file;
  std::uint64_t size = 0;
  std::filesystem::file_time_type written{};
  std::vector<std::uint64_t> starts;  // starts[i]: record i, reached through the ones before
  bool stopped = false;               // a length leads nowhere after the last start
};

// The walk of `file` with at least `records` starts (fewer when it stops first); null when
// the file cannot be read.
const Walk* WalkTo(const std::filesystem::path& file, std::int32_t records) {
  static Walk walk;
  std::error_code ec;
  const std::uint64_t size = std::filesystem::file_size(file, ec);
  if (ec) return nullptr;
  const std::filesystem::file_time_type written = std::filesystem::last_write_time(file, ec);
  if (ec) return nullptr;
  if (walk.file != file || walk.size != size || walk.written != written) {
    walk = Walk{file, size, written, {4}, false};
  }
  if (walk.stopped || static_cast<std::int64_t>(walk.starts.size()) >= records) return &walk;
  FileWindow window(file);
  if (!window.opened() || window.size() != size) return nullptr;
  while (static_cast<std::int64_t>(walk.starts.size()) < records) {
    const std::uint64_t at = walk.starts.back();
    const std::uint8_t* prefix = at < size ? window.At(at, 8) : nullptr;
    const std::uint32_t length = prefix ? BigEndian32(prefix + 4) : 0;
    if (length < kStoredHeaderSize || length > size - at) {
      walk.stopped = true;
      break;
    }
    walk.starts.push_back(at + length);
  }
  return &walk;
}

}  // namespace

std::optional<std::uint64_t> LocateRecord(const std::filesystem::path& file, std::int32_t number) {
  if (number < 0) return std::nullopt;
  const Walk* walk = WalkTo(file, number + 1);
  if (!walk || walk->starts.size() <= static_cast<std::size_t>(number)) return std::nullopt;
  const std::uint64_t at = walk->starts[static_cast<std::size_t>(number)];
  return at < walk->size ? std::optional<std::uint64_t>(at) : std::nullopt;
}

std::vector<std::string> StoredRecordNames(const std::filesystem::path& file, std::int32_t count,
                                           bool lastOnly) {
  std::vector<std::string> names;
  const Walk* walk = WalkTo(file, count);
  if (!walk) return names;
  FileWindow window(file);
  const std::size_t reached = std::min<std::size_t>(walk->starts.size(), count > 0 ? count : 0);
  for (std::size_t i = 0; i < reached; ++i) {
    const std::uint64_t at = walk->starts[i];
    if (at >= walk->size) break;
    if (lastOnly && i + 1 < reached && walk->starts[i + 1] < walk->size) {
      names.emplace_back();  // the records before the last one named are not asked for
      continue;
    }
    const std::uint8_t* header = window.At(at, kStoredHeaderSize);
    if (!header) break;
    names.push_back(ParseStoredHeader(header).name);
  }
  return names;
}

}  // namespace velmtool
