// velm repair: rewrites a damaged group file so that it holds every record its walk by
// the records' lengths finds, in file order (whole records behind a damaged count word
// included; one the plug-in cannot read kept as it is and listed), under a count word that
// agrees with them, and nothing after them. A damaged length word is set from the record's
// parts; bytes whose lengths lead nowhere are kept up to the next whole record, never
// dropped with it. The group's write lock is held from the first read to the rename; the
// old file is first copied to a backup beside it that replaces nothing, and the new one
// replaces it in one rename. A read-only group file is left alone.
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "command_support.h"
#include "commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/writer_mark.h"
#include "group_scan.h"
#include "move_journals.h"
#include "placement_check.h"
#include "platform/memory.h"
#include "sjis_text.h"
#include "write_support.h"

namespace velmtool {
namespace {

namespace os = velm::os;
namespace fs = std::filesystem;

constexpr std::uint32_t kChunk = 1u << 20;
constexpr int kBackupNames = 100;

bool WriteAll(os::FileHandle file, const std::uint8_t* bytes, std::uint64_t size) {
  while (size > 0) {
    const std::uint32_t n = size < kChunk ? static_cast<std::uint32_t>(size) : kChunk;
    std::uint32_t done = 0;
    if (!os::FileWrite(file, bytes, n, &done) || done != n) return false;
    bytes += n;
    size -= n;
  }
  return true;
}

// The whole file; false when it cannot be read.
bool ReadWholeFile(const char* path, std::vector<std::uint8_t>* bytes) {
  const os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kRead, os::FileDisposition::kOpenExisting);
  if (file == os::kInvalidFile) return false;
  std::int64_t size = 0;
  bool ok = os::FileSeek(file, 0, os::SeekOrigin::kEnd, &size) && size >= 0 &&
            os::FileSeek(file, 0, os::SeekOrigin::kBegin, nullptr);
  if (ok) {
    bytes->resize(static_cast<std::size_t>(size));
    for (std::uint64_t at = 0; ok && at < bytes->size();) {
      const std::uint64_t left = bytes->size() - at;
      std::uint32_t done = 0;
      ok = os::FileRead(file, bytes->data() + at,
                        left < kChunk ? static_cast<std::uint32_t>(left) : kChunk, &done) &&
           done != 0;
      at += done;
    }
  }
  return os::FileClose(file) && ok;
}

// Writes `bytes` to a new file at `path` (which must not exist yet), flushed to disk.
bool WriteNewFile(const char* path, const std::vector<std::uint8_t>& bytes) {
  const os::FileHandle file =
      os::FileOpen(path, os::FileAccess::kReadWrite, os::FileDisposition::kCreateNew);
  if (file == os::kInvalidFile) return false;
  bool ok = WriteAll(file, bytes.data(), bytes.size()) && os::FileFlush(file);
  ok = os::FileClose(file) && ok;
  if (!ok) os::FileDelete(path);
  return ok;
}

struct KeptRecord {
  std::uint64_t offset = 0;
  std::uint32_t length = 0;           // its extent in the file, the length word it is written with
  std::uint32_t storedWord = 0;       // the length word found in the file
  bool lengthFromParts = false;       // `length` is what its parts add up to
  std::string name;                   // UTF-8
  std::vector<std::string> problems;  // what verify still finds in it
};

struct DroppedBytes {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  std::string why;
};

struct RepairPlan {
  std::int32_t countWord = 0;
  std::vector<KeptRecord> kept;
  std::vector<DroppedBytes> dropped;
};

// True when the plug-in reads the stored record whole (header, thumbnail and art).
bool PlugInReads(const std::uint8_t* stored, std::uint32_t length) {
  os::MemHandle block = nullptr;
  if (!velm::GrowBlock(block, length, velm::kRecordGranule)) return false;
  std::memcpy(block, stored, length);
  const bool read = velm::RecordFromStoredForm(block, true) == 0;
  velm::ReleaseBlock(block);
  return read;
}

void PutBigEndian32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// The record's bytes as repair writes them: with `length` in its length word.
std::vector<std::uint8_t> WithLength(const std::uint8_t* bytes, std::uint32_t length) {
  std::vector<std::uint8_t> record(bytes, bytes + length);
  PutBigEndian32(record.data() + 4, length);
  return record;
}

// Why the bytes at `at` cannot be walked as a record: its length word does not lie in
// the file or does not reach past its own header.
std::string NotWalkable(const std::uint8_t* bytes, std::uint64_t left) {
  if (left < kStoredHeaderSize) return "not a whole record (" + std::to_string(left) + " bytes)";
  const StoredHeader h = ParseStoredHeader(bytes);
  if (h.recordLength < static_cast<std::int32_t>(kStoredHeaderSize))
    return "recordLength " + std::to_string(h.recordLength) + " is below 426";
  if (static_cast<std::uint64_t>(h.recordLength) > left)
    return "recordLength " + std::to_string(h.recordLength) + " runs past the end of the file";
  return {};
}

// A walk of the file may go on at `at`: the file ends there or a whole record starts there.
bool WalkGoesOn(const std::vector<std::uint8_t>& file, std::uint64_t at) {
  return at == file.size() ||
         (at < file.size() && WholeRecordAt(file.data() + at, file.size() - at));
}

// The first offset from `from` on where a whole record starts; none when there is none.
std::optional<std::uint64_t> NextWholeRecord(const std::vector<std::uint8_t>& file,
                                             std::uint64_t from) {
  for (std::uint64_t at = from; at + kStoredHeaderSize <= file.size(); ++at)
    if (WholeRecordAt(file.data() + at, file.size() - at)) return at;
  return std::nullopt;
}

// How far the record at `at` reaches. Its length word and its parts' lengths (426 +
// thumbnail + art) agree in a sound record; when one byte of either is damaged, the one
// after which the walk goes on is taken (the parts first: two fields agree with each
// other there), or the parts when the record is sound with them. Otherwise the record
// runs up to the next whole record in the file, so that no sound record after it is
// lost. 0 when nothing at `at` can be a record.
struct Extent {
  std::uint64_t length = 0;
  bool fromParts = false;  // the length word was wrong and the parts were right
  std::string damage;      // why the extent is a guess: the record is kept as it is
};

Extent RecordExtent(const std::vector<std::uint8_t>& file, std::uint64_t at) {
  const std::uint64_t left = file.size() - at;
  if (left < kStoredHeaderSize) return {};
  const std::uint8_t* bytes = file.data() + at;
  const StoredHeader h = ParseStoredHeader(bytes);
  const std::uint64_t word = static_cast<std::uint32_t>(h.recordLength);
  const std::uint64_t parts =
      h.thumbnailLength == 0
          ? 0
          : std::uint64_t{kStoredHeaderSize} + h.thumbnailLength + std::uint64_t{h.artLength};
  auto fits = [&](std::uint64_t n) { return n >= kStoredHeaderSize && n <= left; };
  if (fits(word) && word == parts) return {word, false, {}};
  if (fits(parts)) {
    if (WalkGoesOn(file, at + parts)) return {parts, true, {}};
    const std::vector<std::uint8_t> mended = WithLength(bytes, static_cast<std::uint32_t>(parts));
    if (InspectStoredRecord(mended.data(), parts, 0, at).problems.empty() &&
        PlugInReads(mended.data(), static_cast<std::uint32_t>(parts)))
      return {parts, true, {}};
  }
  if (fits(word) && WalkGoesOn(file, at + word)) return {word, false, {}};
  const std::string lengths =
      "its recordLength " + std::to_string(h.recordLength) +
      " and its parts (426 + thumbnailLength + artLength: " + std::to_string(parts) + ") disagree";
  if (const std::optional<std::uint64_t> next = NextWholeRecord(file, at + 1)) {
    if (*next - at < kStoredHeaderSize) return {*next - at, false, {}};  // too short: dropped
    return {*next - at, false,
            lengths +
                " and neither leads to the next record: kept whole up to "
                "the record at file offset " +
                std::to_string(*next)};
  }
  if (fits(word)) return {word, false, {}};
  // Lengths that disagree are damage, not the cut-off rest of an append (whose header is
  // whole): what follows may still be its art.
  if (word != parts)
    return {left, false,
            lengths + " and neither leads anywhere: kept whole to the end of the file"};
  return {};
}

// Every record, walking the file by the records' own lengths (the count word is not
// trusted). A record the plug-in cannot read is kept as it is and listed with its damage:
// its length still leads to the next one, whatever else in it is damaged. A damaged
// length word is set from the record's parts where they lead on; bytes that cannot be
// told apart are kept up to the next whole record. Only what holds no record is dropped:
// the cut-off rest of an interrupted append, bytes too short to be a record.
RepairPlan PlanRepair(const std::vector<std::uint8_t>& file) {
  RepairPlan plan;
  const std::uint64_t size = file.size();
  if (size < 4) {
    if (size > 0) plan.dropped.push_back({0, size, "a count word cut short"});
    return plan;
  }
  plan.countWord = static_cast<std::int32_t>(BigEndian32(file.data()));
  std::uint64_t at = 4;
  while (at < size) {
    const std::uint8_t* bytes = file.data() + at;
    const std::uint64_t left = size - at;
    const Extent extent = RecordExtent(file, at);
    if (extent.length == 0) {
      plan.dropped.push_back({at, left, NotWalkable(bytes, left)});
      break;
    }
    if (extent.length < kStoredHeaderSize) {
      plan.dropped.push_back({at, extent.length,
                              "too short for a record, before the record at file offset " +
                                  std::to_string(at + extent.length)});
      at += extent.length;
      continue;
    }
    const auto length = static_cast<std::uint32_t>(extent.length);
    const auto number = static_cast<std::int32_t>(plan.kept.size());
    // Inspected as it will be written, with its length word set to its extent.
    const std::vector<std::uint8_t> record = WithLength(bytes, length);
    const RecordInspection inspection = InspectStoredRecord(record.data(), length, number, at);
    KeptRecord kept{
        at, length, BigEndian32(bytes + 4), extent.fromParts, SjisToUtf8(inspection.header.name),
        {}};
    if (!extent.damage.empty())
      kept.problems.push_back(DescribeProblem({number, Place::kFile, at, extent.damage}));
    for (const Problem& p : inspection.problems)
      kept.problems.push_back(DescribeProblem(p));
    // A record the plug-in cannot read is kept as it is all the same: most of its bytes
    // may be sound, and only its author can tell what to do with it.
    if (!PlugInReads(record.data(), length) && kept.problems.empty())
      kept.problems.push_back(DescribeProblem(
          {number, Place::kFile, at, "the plug-in cannot read it (it shows as unreadable)"}));
    plan.kept.push_back(std::move(kept));
    at += length;
  }
  return plan;
}

// A kept record the plug-in's loader refuses holds damage repair cannot mend either: it
// is listed with the rest.
void CheckKeptPlacement(const std::string& path, RepairPlan* plan) {
  std::vector<PlacementJob> jobs;
  std::vector<std::int32_t> numbers;
  for (std::size_t i = 0; i < plan->kept.size(); ++i) {
    const KeptRecord& r = plan->kept[i];
    if (!r.problems.empty()) continue;
    jobs.push_back({path, r.offset, r.length});
    numbers.push_back(static_cast<std::int32_t>(i));
  }
  if (jobs.empty()) return;
  const PlacementOutcome outcome = CheckPlacement(jobs);
  for (std::size_t k = 0; k < jobs.size(); ++k) {
    const std::string why = outcome.error.empty()
                                ? outcome.refused[k]
                                : "it could not be placed to check it: " + outcome.error;
    if (why.empty()) continue;
    KeptRecord& r = plan->kept[static_cast<std::size_t>(numbers[k])];
    r.problems.push_back(DescribeProblem({numbers[k], Place::kFile, r.offset, why}));
  }
}

std::vector<std::uint8_t> RepairedFile(const std::vector<std::uint8_t>& file,
                                       const RepairPlan& plan) {
  std::vector<std::uint8_t> bytes(4);
  PutBigEndian32(bytes.data(), static_cast<std::uint32_t>(plan.kept.size()));
  for (const KeptRecord& r : plan.kept) {
    const std::size_t start = bytes.size();
    bytes.insert(bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(r.offset),
                 file.begin() + static_cast<std::ptrdiff_t>(r.offset + r.length));
    PutBigEndian32(bytes.data() + start + 4, r.length);
  }
  return bytes;
}

// A backup name beside the group file that is not taken yet, and the backup written there
// (never over an existing file); empty when none could be written.
std::string WriteBackup(const std::string& groupPath, const std::vector<std::uint8_t>& bytes) {
  for (int n = 1; n <= kBackupNames; ++n) {
    const std::string path = groupPath + ".bak" + (n == 1 ? std::string() : std::to_string(n));
    if (WriteNewFile(path.c_str(), bytes)) return path;
  }
  return {};
}

std::string FileName(const std::string& osPath) {
  const std::size_t at = osPath.rfind('\\');
  return SjisToUtf8(at == std::string::npos ? osPath : osPath.substr(at + 1));
}

}  // namespace

int CommandRepair(const RepairOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::optional<GroupFileTarget> target =
      OpenGroupFileForWriting(options.target, false, err, &status);
  if (!target) return status;
  const std::string group = SjisToUtf8(target->group);
  char base[velm::kPathSize], folder[velm::kPathSize], groupPath[velm::kPathSize];
  if (velm::GetBaseFolder(base) != host::kNoErr || !velm::DatabaseFolderPath(base, folder) ||
      !velm::GroupFilePath(base, target->group.c_str(), groupPath)) {
    err << "velm: the path of " << options.target << " is too long; nothing was changed\n";
    return kExitProblems;
  }

  // A group file that cannot be written (read-only or immutable) is never changed: not
  // replaced either, though the folder would let a new file be renamed over it.
  std::error_code ec;
  const fs::perms mode = fs::status(options.target, ec).permissions();
  const os::FileHandle writable =
      os::FileOpen(groupPath, os::FileAccess::kReadWrite, os::FileDisposition::kOpenExisting);
  if (writable != os::kInvalidFile) os::FileClose(writable);
  if (ec || writable == os::kInvalidFile ||
      (mode & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) ==
          fs::perms::none) {
    err << "velm: " << options.target
        << " is read-only; nothing was changed (make it writable to repair it)\n";
    return kExitProblems;
  }

  // A move this group took part in and a crash cut short is finished first: the record
  // leaves the group it was moved from (or stays, if its copy never arrived).
  if (!FinishMovesOf(target->group, out, err)) status = kExitProblems;

  // The plug-in's own lock of the group, the group file's lock with it.
  velm::GroupHold lock;
  if (const host::Err locked = lock.Take(target->group.c_str(), true)) {
    if (locked == velm::kGroupBusyErr) {
      err << "velm: group " << group
          << " is being written by another program (its lock was not free); nothing was changed\n";
    } else {
      err << "velm: the library's lock file VELM.LCK cannot be opened for writing; nothing was "
             "changed\n";
    }
    return kExitProblems;
  }
  std::vector<std::uint8_t> file;
  if (!ReadWholeFile(groupPath, &file)) {
    err << "velm: " << options.target << " cannot be read; nothing was changed\n";
    return kExitProblems;
  }

  RepairPlan plan = PlanRepair(file);
  CheckKeptPlacement(options.target, &plan);
  const auto keptCount = static_cast<std::int32_t>(plan.kept.size());
  std::size_t lengthsSet = 0;
  for (const KeptRecord& r : plan.kept)
    if (r.length != r.storedWord) ++lengthsSet;
  const bool needed =
      !plan.dropped.empty() || lengthsSet > 0 || (!file.empty() && plan.countWord != keptCount);
  std::size_t problemRecords = 0;
  for (std::size_t i = 0; i < plan.kept.size(); ++i) {
    const KeptRecord& r = plan.kept[i];
    if (needed) {
      out << "kept record " << i << " \"" << r.name << "\" (" << r.length
          << " bytes at file offset " << r.offset
          << (static_cast<std::int32_t>(i) >= plan.countWord ? ", behind the count word" : "")
          << ")\n";
    }
    if (r.length != r.storedWord) {
      out << "  its recordLength " << static_cast<std::int32_t>(r.storedWord) << " is set to "
          << r.length
          << (r.lengthFromParts ? ", the length of its header, thumbnail and art"
                                : ", where the next record starts")
          << "\n";
    }
    if (!r.problems.empty()) ++problemRecords;
    for (const std::string& p : r.problems)
      out << "  still damaged (kept as it is): " << p << "\n";
  }
  std::uint64_t droppedBytes = 0;
  for (const DroppedBytes& d : plan.dropped) {
    out << "dropped " << d.length << " bytes at file offset " << d.offset << ": " << d.why << "\n";
    droppedBytes += d.length;
  }
  const std::string mended = problemRecords == 0
                                 ? std::string()
                                 : "; " + std::to_string(problemRecords) +
                                       (problemRecords == 1 ? " record keeps" : " records keep") +
                                       " damage that repair cannot mend (see velm verify)";

  if (!needed) {
    out << group << ": nothing to repair (" << keptCount
        << (keptCount == 1 ? " record" : " records") << ")" << mended << "\n";
    return problemRecords == 0 ? status : kExitProblems;
  }

  const std::string backup = WriteBackup(groupPath, file);
  if (backup.empty()) {
    err << "velm: no backup of " << options.target
        << " could be written beside it; nothing was changed\n";
    return kExitProblems;
  }
  // The repaired file is written under a scratch name no other writer can make, on this
  // machine or another sharing the folder; its lock tells them it is still being written.
  velm::WriterMark mark;
  if (!mark.Take()) {
    err << "velm: " << options.target
        << ": no scratch file could be made beside it; nothing was changed (backup: "
        << FileName(backup) << ")\n";
    return kExitProblems;
  }
  const std::string temp = std::string(folder) + "\\VELM-" + std::to_string(os::ProcessId()) + "-" +
                           mark.Text() + ".TMP";
  const bool written = WriteNewFile(temp.c_str(), RepairedFile(file, plan));
  // With its lock file deleted meanwhile, another writer may have changed the group since
  // it was read: the repaired file must not replace that.
  const bool held = written && lock.StillHeld();
  if (!held || !os::FileRename(temp.c_str(), groupPath, true)) {
    os::FileDelete(temp.c_str());
    err << "velm: the repaired file could not be put in place"
        << (written && !held ? " (the library's lock file VELM.LCK was deleted or replaced while "
                               "repair ran; run it again)"
                             : "")
        << "; " << options.target << " is as it was (backup: " << FileName(backup) << ")\n";
    return kExitProblems;
  }
  out << "repaired " << group << ": kept " << keptCount << (keptCount == 1 ? " record" : " records")
      << ", dropped " << droppedBytes << (droppedBytes == 1 ? " byte" : " bytes")
      << "; count word was " << plan.countWord << ", now " << keptCount
      << (lengthsSet == 0 ? std::string()
                          : "; " + std::to_string(lengthsSet) +
                                (lengthsSet == 1 ? " record length set" : " record lengths set"))
      << "; backup: " << FileName(backup) << mended << "\n";
  return problemRecords == 0 ? status : kExitProblems;
}

}  // namespace velmtool
