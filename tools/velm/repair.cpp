// velm repair: rewrites a damaged group file so that it holds every record its walk by
// the records' lengths finds, in file order (whole records behind a damaged count word
// included; one the plug-in cannot read kept as it is and listed), under a count word that
// agrees with them, and nothing after them. The group's write
// lock is held from the first read to the rename; the old file is first copied to a
// backup beside it that replaces nothing, and the new one replaces it in one rename.
#include <cstring>
#include <vector>

#include "command_support.h"
#include "commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "group_scan.h"
#include "move_journals.h"
#include "placement_check.h"
#include "platform/memory.h"
#include "sjis_text.h"
#include "write_support.h"

namespace velmtool {
namespace {

namespace os = velm::os;

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

// The group's write lock, as the plug-in's own writes take it: one byte of the database
// folder's lock file.
class WriteLock {
 public:
  ~WriteLock() {
    if (file_ == os::kInvalidFile) return;
    os::FileUnlock(file_, offset_, 1);
    os::FileClose(file_);
  }
  // 0, velm::kGroupWriteErr when the lock file cannot be used, velm::kGroupBusyErr when
  // another writer holds the group.
  host::Err Take(const std::string& folder, const std::string& group) {
    const std::string path = folder + "\\VELM.LCK";
    file_ =
        os::FileOpen(path.c_str(), os::FileAccess::kReadWrite, os::FileDisposition::kOpenAlways);
    if (file_ == os::kInvalidFile) return velm::kGroupWriteErr;
    offset_ = velm::GroupLockOffset(group.c_str());
    // The same wait as the plug-in's writers.
    const std::uint32_t wait = velm::SetGroupLockWait(0);
    velm::SetGroupLockWait(wait);
    if (os::FileLock(file_, offset_, 1, wait)) return host::kNoErr;
    os::FileClose(file_);
    file_ = os::kInvalidFile;
    return velm::kGroupBusyErr;
  }

 private:
  os::FileHandle file_ = os::kInvalidFile;
  std::uint64_t offset_ = 0;
};

struct KeptRecord {
  std::int32_t position = 0;  // among the records found in the file, before any was dropped
  std::uint64_t offset = 0;
  std::uint32_t length = 0;
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

// Every record, walking the file by the records' own lengths (the count word is not
// trusted). A record the plug-in cannot read is kept as it is and listed with its damage:
// its length still leads to the next one, whatever else in it is damaged. Only bytes
// whose length word leads nowhere end the walk, and are dropped.
RepairPlan PlanRepair(const std::vector<std::uint8_t>& file) {
  RepairPlan plan;
  const std::uint64_t size = file.size();
  if (size < 4) {
    if (size > 0) plan.dropped.push_back({0, size, "a count word cut short"});
    return plan;
  }
  plan.countWord = static_cast<std::int32_t>(BigEndian32(file.data()));
  std::uint64_t at = 4;
  for (std::int32_t position = 0; at < size; ++position) {
    const std::uint8_t* bytes = file.data() + at;
    const std::uint64_t left = size - at;
    if (std::string why = NotWalkable(bytes, left); !why.empty()) {
      plan.dropped.push_back({at, left, std::move(why)});
      break;
    }
    const auto length = static_cast<std::uint32_t>(BigEndian32(bytes + 4));
    const auto number = static_cast<std::int32_t>(plan.kept.size());
    const RecordInspection inspection = InspectStoredRecord(bytes, length, number, at);
    KeptRecord kept{position, at, length, SjisToUtf8(inspection.header.name), {}};
    for (const Problem& p : inspection.problems)
      kept.problems.push_back(DescribeProblem(p));
    // A record the plug-in cannot read is kept as it is all the same: most of its bytes
    // may be sound, and only its author can tell what to do with it.
    if (!PlugInReads(bytes, length) && kept.problems.empty())
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
  const auto count = static_cast<std::uint32_t>(plan.kept.size());
  for (int i = 0; i < 4; ++i)
    bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(count >> (24 - 8 * i));
  for (const KeptRecord& r : plan.kept)
    bytes.insert(bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(r.offset),
                 file.begin() + static_cast<std::ptrdiff_t>(r.offset + r.length));
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

  // A move this group took part in and a crash cut short is finished first: the record
  // leaves the group it was moved from (or stays, if its copy never arrived).
  if (!FinishMovesOf(target->group, out, err)) status = kExitProblems;

  WriteLock lock;
  if (const host::Err locked = lock.Take(folder, target->group)) {
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
  const bool needed = !plan.dropped.empty() || (!file.empty() && plan.countWord != keptCount);
  std::size_t problemRecords = 0;
  for (std::size_t i = 0; i < plan.kept.size(); ++i) {
    const KeptRecord& r = plan.kept[i];
    if (needed) {
      out << "kept record " << i << " \"" << r.name << "\" (" << r.length
          << " bytes at file offset " << r.offset
          << (r.position >= plan.countWord ? ", behind the count word" : "") << ")\n";
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
  const std::string temp =
      std::string(folder) + "\\VELM-" + std::to_string(os::ProcessId()) + "-repair.TMP";
  os::FileDelete(temp.c_str());  // a leftover of an earlier run of this process id
  if (!WriteNewFile(temp.c_str(), RepairedFile(file, plan)) ||
      !os::FileRename(temp.c_str(), groupPath, true)) {
    os::FileDelete(temp.c_str());
    err << "velm: the repaired file could not be put in place; " << options.target
        << " is as it was (backup: " << FileName(backup) << ")\n";
    return kExitProblems;
  }
  out << "repaired " << group << ": kept " << keptCount << (keptCount == 1 ? " record" : " records")
      << ", dropped " << droppedBytes << (droppedBytes == 1 ? " byte" : " bytes")
      << "; count word was " << plan.countWord << ", now " << keptCount
      << "; backup: " << FileName(backup) << mended << "\n";
  return problemRecords == 0 ? status : kExitProblems;
}

}  // namespace velmtool
