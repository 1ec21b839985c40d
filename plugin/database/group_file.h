// Group files and the record store. Records live in group files, one per group, in the
// database folder beside the host application:
//   <base folder>\VELM\<group>.VEL      a 4-byte big-endian count, then the records in
//                                       stored form, back to back
//   <base folder>\VELM\VELM-<process>-<mark>.TMP   scratch file of a removal
//                                       (database/writer_mark.h)
//   <base folder>\VELM\VELM.LCK         lock file: every write of a group holds an
//                                       exclusive lock on one byte of it
//   <base folder>\VELM\TRASH\           removed groups and records (database/trash.h)
// Record numbers are positions in the file, from 0. The search-results group has no
// file; its records are the entries of the record index.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/errors.h"
#include "host/types.h"
#include "platform/os.h"

namespace velm {

// The pseudo-group that holds search results (Shift-JIS). Defined in the plug-in's own
// sources so that every user sees the Shift-JIS bytes: texts in headers would take the
// character set of whichever program includes them.
extern const char kSearchResultsGroup[];
inline constexpr std::size_t kGroupNameSize = 64;
inline constexpr std::size_t kPathSize = 1024;

// Read modes of VelmReadRecord.
inline constexpr std::int32_t kReadWholeRecord = 0;
inline constexpr std::int32_t kReadHeaderAndThumbnail = 65962;
inline constexpr std::int32_t kReadHeaderOnly = 426;

// Status of a group file whose records cannot be walked or read (a count that does not
// match the records, a record length that runs past the end of the file, coded data
// that does not expand).
inline constexpr host::Err kDamagedGroupErr = -1;
// Status of a write or removal given a group name that is not a valid file name.
inline constexpr host::Err kBadGroupNameErr = -1;
// Status of a write whose group file cannot be opened, created or written.
inline constexpr host::Err kGroupWriteErr = -1;
// Status of a header rewrite of a record that the group does not hold.
inline constexpr host::Err kNoSuchRecordErr = -1;
// Status of a write refused because the group needs repair: whole records follow the
// counted ones (a damaged count word), and writing would overwrite or drop them.
inline constexpr host::Err kGroupNeedsRepairErr = -2;
// Status of a write whose group another writer kept locked for longer than the wait.
inline constexpr host::Err kGroupBusyErr = -3;
// Status of a header rewrite or removal whose record no longer has the expected name
// (another writer renumbered the group since the caller read it); nothing is written.
inline constexpr host::Err kRecordMovedErr = -4;
// Status of a write whose lock file was deleted or replaced while the write ran (another
// writer may have been let in beside it): nothing was written.
inline constexpr host::Err kGroupLockLostErr = -5;

// How long a write waits for another writer of the same group (milliseconds); returns
// the previous value. 5000 unless changed.
std::uint32_t SetGroupLockWait(std::uint32_t milliseconds);
// Where the lock of `group` lies in the lock file "VELM.LCK" of the database folder.
std::uint64_t GroupLockOffset(const char* group);

// Counts this program's writes and removals of records (every attempt, whether or not it
// changed a file): what was read from group files before a change of it may be stale.
std::uint32_t GroupWriteGeneration();

// The host application's folder, cut at the first of its known sub-folder or program
// markers; no trailing backslash. Returns the host's error code unchanged.
host::Err GetBaseFolder(char (&buffer)[kPathSize]);

// A group name is a file name: not empty, shorter than 64 bytes, not "." or "..", and
// without a single-byte \ / : * ? " < > | or control byte (the second byte of a
// double-byte character may be anything). It must not hold ".VEL", where the group
// listing would cut the file's name (the group would be written and never listed), and
// must not be the search-results pseudo-group (it has no file), nor a device name of Windows (CON,
// PRN, AUX, NUL, COM1 … COM9, LPT1 … LPT9, in any case, alone or before a dot), where a write would
// go to the device. Every file operation refuses other names.
bool IsValidGroupName(const char* group);

// "<base>\VELM", "<base>\VELM\<group>.VEL", "<base>\VELM\VELM.TMP"; false when the
// path does not fit.
bool DatabaseFolderPath(const char* base, char (&path)[kPathSize]);
bool GroupFilePath(const char* base, const char* group, char (&path)[kPathSize]);

// Calls `visit` with each group name found in the database folder (in enumeration
// order); stops early when `visit` returns false. Files without ".VEL" in their name, or
// starting with it, and a file of the search-results group are skipped.
using GroupVisitor = bool (*)(const char* group, void* context);
host::Err ListGroups(GroupVisitor visit, void* context);

// The number of records of `group`: the count word of its file (0 when the file cannot
// be opened or is shorter than 4 bytes); for the search results, the number of entries
// in the record index.
std::int32_t GroupRecordCount(const char* group);

// Reads record `index` of `group` as `mode` says (kReadWholeRecord,
// kReadHeaderAndThumbnail, or a byte count for a header prefix). With a block in
// `*buffer` the record goes there (grown as needed); without one (null buffer or null
// block) it becomes the current record. With `convert`, coded parts are expanded and
// numbers turned to host order; without, the bytes stay as stored.
// Returns 0 (also when there is no such record or file: nothing is read), the base
// folder lookup's error, or kDamagedGroupErr when the file's records are damaged (nothing
// is read then either).
host::Err VelmReadRecord(const char* group, std::int32_t index, os::MemHandle* buffer,
                         std::int32_t mode, bool convert);

// Keeps the file of `group` open for the reads of one command (a listing, one record
// shown): while it lives, VelmReadRecord of that group in this thread reads through its
// one handle and window, takes the count word read when it was opened, and finds records
// by one walk of their lengths, instead of opening, counting and locating the file anew
// for each record. The reads see the file as it was when the scope began; once this
// program writes or removes a record (GroupWriteGeneration), reads open the file as usual.
// Scopes do not nest: an inner one reads as usual and leaves the outer one in place.
class GroupReadScope {
 public:
  explicit GroupReadScope(const char* group);
  GroupReadScope(const GroupReadScope&) = delete;
  GroupReadScope& operator=(const GroupReadScope&) = delete;
  ~GroupReadScope();

 private:
  bool active_ = false;
};

// Where record `index` of `group` starts in its file, found by the walk of the open
// GroupReadScope of `group` in this thread (shared with its reads): false when there is
// no such scope, no such record, or a record before it cannot be passed.
bool ScopedRecordOffset(const char* group, std::int32_t index, std::int64_t* offset);
// Where the records of `group` counted when its open GroupReadScope began end (4 for
// none), with that count: false when there is no such scope or a record cannot be passed.
bool ScopedRecordsEnd(const char* group, std::int32_t* count, std::int64_t* end);

// Writes the current record into `group`: index -1 appends it, any other index
// rewrites that record's header in place (name, kind, comment; `modified` becomes
// now). Returns 0 only when the record was written and flushed to the disk; otherwise the base
// folder lookup's error, kBadGroupNameErr, kDamagedGroupErr (nothing is written), kNoSuchRecordErr,
// kGroupWriteErr (the file cannot be opened, created or written), or -1 when there is
// no current record or it cannot be brought to stored form; kGroupNeedsRepairErr when
// whole records follow the counted ones (nothing is written), kGroupBusyErr when another
// writer holds the group, kGroupLockLostErr when the lock file was deleted or replaced
// meanwhile (nothing is written). A tail that is not a whole record (an interrupted append) is
// cut off by an append. A write that fails part way puts the file back as it was (the
// count word, the length, the old header). Every write holds the group's lock.
// With `expectedName` (Shift-JIS), a header rewrite goes ahead only when record `index`
// still has that name, checked under the lock (kRecordMovedErr otherwise).
host::Err WriteGroupRecord(const char* group, std::int32_t index,
                           const char* expectedName = nullptr);

// Removes record `index` of `group` by copying the others through the temporary file.
// The removed record is kept in the library's trash first (database/trash.h): one that
// cannot be written there is not removed (-1 then, nothing changed).
// The group file is replaced only once every other record has been copied. Returns 0 when
// the record was removed or there was no such record or file; kGroupNeedsRepairErr,
// kGroupBusyErr, kGroupLockLostErr, kDamagedGroupErr or -1 (a file that is there but cannot be
// opened or read, a copy that cannot be written) when nothing was changed. With `expectedName`,
// only a record of that name is removed (kRecordMovedErr otherwise). `removed`, when given, says
// whether a record was taken out, as decided under the lock (the count read afterwards may already
// include another writer's change).
host::Err RemoveGroupRecord(const char* group, std::int32_t index,
                            const char* expectedName = nullptr, bool* removed = nullptr);

// For tests: called in a removal once the copy without the record is written, before it
// replaces the group (a test holds the removal there). Null: nothing is called.
void SetRemovalCopiedHook(void (*hook)());

class GroupLock;
// The lock of one group held by a caller that reads the group and writes it as one step
// (velm's import looks for the art in the group before it appends, velm repair reads the
// file it replaces): the writes of this program in the same thread take it as theirs and
// lock nothing more. Released when the object ends.
class GroupHold {
 public:
  GroupHold();
  GroupHold(const GroupHold&) = delete;
  GroupHold& operator=(const GroupHold&) = delete;
  ~GroupHold();
  // Takes the lock of `group` (with `lockFile`, the group file's own lock too, when the
  // file is there): 0, kBadGroupNameErr, kGroupWriteErr, kGroupBusyErr, or the base
  // folder lookup's error.
  host::Err Take(const char* group, bool lockFile = false);
  // Whether the lock is still the library's (its lock file was not deleted or replaced
  // since it was taken): asked right before a commit.
  bool StillHeld() const;

 private:
  GroupLock* lock_;
  os::FileHandle file_ = os::kInvalidFile;
};

struct Record;
// Whether two stored headers belong to one record, whatever its number: the same name,
// creation time, object count and bounds (a copy of a record made by a move has them
// too, until it is renamed).
bool SameStoredRecord(const Record& a, const Record& b);
// RemoveGroupRecord of a record that must still be `expected` (a stored header): only
// that record is taken out (kRecordMovedErr otherwise). Without `toTrash` the record is not
// kept in the trash: for a move, whose record lives on in its new group.
host::Err RemoveGroupRecordIf(const char* group, std::int32_t index, const Record& expected,
                              bool* removed, bool toTrash = true);

// Creates the empty file of `group` under the group's lock: 0 when it was made, -1 when
// a file (or anything else) of that name is there or it cannot be made, kGroupBusyErr or
// kGroupWriteErr when the lock cannot be had, or the base folder lookup's error.
host::Err CreateGroupFile(const char* group);
// Moves the file of `group` into the library's trash (database/trash.h) under the group's
// lock, so that no write of the group can put it back: 0 when it was moved; kGroupWriteErr
// when it is not there or cannot be opened for writing or moved (nothing changed),
// kGroupBusyErr, kBadGroupNameErr, or the base folder lookup's error. With
// `onlyWhenEmpty`, a file that holds anything stays (kGroupWriteErr), and an empty one is
// deleted (it holds nothing to keep).
host::Err RemoveGroupFile(const char* group, bool onlyWhenEmpty = false);

// Deletes the files in `folder` matching `pattern` ("VELM-*.TMP": a process id and a
// writer's mark where the star is) that writers no longer running left behind
// (database/writer_mark.h).
void RemoveDeadScratchFiles(const char* folder, const char* pattern);

}  // namespace velm
