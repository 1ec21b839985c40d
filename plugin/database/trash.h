// The library's trash: what a removal takes out of the library is kept there, so that it
// can be put back as it was. A sub-folder of the database folder, which no group listing
// reads (groups are the "*.VEL" files of the database folder itself):
//   <base folder>\VELM\TRASH\G-<when>-<seq>-<group>.VEL   a removed group's file, renamed
//                                                         there (its bytes and dates kept)
//   <base folder>\VELM\TRASH\R-<when>-<seq>-<group>.VEL   a removed record: a group file of
//                                                         that one record, as it was stored
// <when> is the local time of the removal (yyyymmddhhmmss), <seq> four hexadecimal digits
// (the millisecond, then a count that keeps the names of one moment apart) and <group>
// the group the art came from. Each addition prunes the trash: entries older than the age
// limit go, then the oldest while the entries together exceed the size limit (never the
// one just added). A file of another name in the folder is not the trash's: it is listed
// as foreign and left alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/group_file.h"
#include "platform/os.h"

namespace velm {

// Status of a restore whose entry is not in the trash (restored or emptied meanwhile).
inline constexpr host::Err kNoSuchTrashEntryErr = -6;
// Status of a restore whose entry is damaged or not the trash's own (nothing restored).
inline constexpr host::Err kTrashEntryDamagedErr = -7;
// Status of a restore of a group whose name a group has taken meanwhile.
inline constexpr host::Err kGroupExistsErr = -8;

inline constexpr std::uint32_t kTrashMaxAgeDays = 30;
inline constexpr std::uint64_t kTrashMaxBytes = 256ull << 20;

enum class TrashKind : std::uint8_t { kGroup, kRecord, kForeign };

struct TrashEntry {
  TrashKind kind = TrashKind::kForeign;
  std::string file;         // the entry's file name in the trash folder (Shift-JIS)
  std::string group;        // the group it came from (Shift-JIS)
  std::string firstRecord;  // the name of its first record (Shift-JIS; empty without one)
  std::int32_t records = 0;
  os::SystemTime removed{};  // local time of the removal (from the name)
  std::uint64_t bytes = 0;
  bool damaged = false;  // does not read as a group file of its kind: never restored
};

// "<base>\VELM\TRASH"; false when the path does not fit.
bool TrashFolderPath(const char* base, char (&path)[kPathSize]);

// The entries of the trash, the most recent first, foreign files last. Returns 0 (an
// empty list when there is no trash), or the base folder lookup's error.
host::Err ListTrash(std::vector<TrashEntry>* entries);

// Where a restore put the art.
struct RestoredArt {
  std::string group;         // Shift-JIS
  std::int32_t record = -1;  // the record's number in `group` (a record entry)
  bool entryLeft = false;    // restored, but the entry could not be deleted
};

// Puts entry `file` (a name ListTrash gave) back: a group's file is renamed back when no
// group has its name (or `asGroup`, when given); a record is appended to its group (or
// `asGroup`; the group is made when missing) with its stored bytes unchanged, and the
// entry deleted. Returns 0, kNoSuchTrashEntryErr, kTrashEntryDamagedErr (a damaged entry
// or a file not of the trash's form), kGroupExistsErr, kBadGroupNameErr, kGroupBusyErr,
// kGroupWriteErr or the base folder lookup's error; nothing is changed unless 0.
host::Err RestoreTrashEntry(const char* file, const char* asGroup, RestoredArt* restored);
// Restores the most recent entry that can be restored (kNoSuchTrashEntryErr: none).
host::Err RestoreLatestTrashEntry(RestoredArt* restored);

// Deletes every entry of the trash (foreign files stay); *deleted counts them. Returns 0,
// kGroupWriteErr when an entry could not be deleted, or the base folder lookup's error.
host::Err EmptyTrash(std::int32_t* deleted);

// The limits pruning keeps the trash to; returns the previous ones (tests lower them).
void SetTrashLimits(std::uint32_t maxAgeDays, std::uint64_t maxBytes, std::uint32_t* oldAgeDays,
                    std::uint64_t* oldBytes);

// The file name of the entry this program added last ("" before any).
const char* LastTrashEntry();

// ---- For the removals (under the group's lock) ----

// Renames the group file at `groupPath` into the trash of the database folder `folder`.
// 0, or kGroupWriteErr when it cannot be moved there (the file stays where it is).
host::Err TrashGroupFile(const char* folder, const char* groupPath, const char* group);

// A removed record written to the trash before its group is replaced, taken out of the
// trash again when the removal does not happen (unless Kept).
class TrashedRecord {
 public:
  TrashedRecord() = default;
  TrashedRecord(const TrashedRecord&) = delete;
  TrashedRecord& operator=(const TrashedRecord&) = delete;
  ~TrashedRecord();
  // Copies record `index` of the open group file `source` (whose records walk) as stored
  // into a new entry of `folder`'s trash, flushed to the disk. 0, or kGroupWriteErr.
  // `at`, when not negative, is where the record starts (the caller walked to it).
  host::Err Write(os::FileHandle source, std::int32_t index, const char* folder, const char* group,
                  std::int64_t at = -1);
  // The removal happened: the entry stays.
  void Keep();

 private:
  char path_[kPathSize] = {};
};

}  // namespace velm
