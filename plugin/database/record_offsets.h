// Where the records of a group file start: found by one walk of the file and kept, so that
// reading the records of a group one after another costs one pass over it, not a walk
// from the start for each. One group is kept at a time (the last one read).
//
// What is kept is taken as stale when the group's path, the file's size or time of last
// write, its count word or this program's own writes change, and each offset handed out is
// checked against the record found there (its length must reach the next offset known), so
// that a rewrite none of those shows is found too and the walk is made again.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace velm {

// The offset of record `index` (below `count`, the file's count word) of the open group
// file `file` at `path`. False when a record before it has an impossible length or runs
// past the end of the file (the group is damaged); the record itself is not checked.
bool FindRecordOffset(os::FileHandle file, const char* path, std::int32_t count, std::int32_t index,
                      std::int64_t* offset);

// Walks the open group file `file` from its first record past `records` records;
// *offset receives where the next one starts. False when a record length is impossible
// (shorter than a stored header) or runs past the end of the file.
bool WalkRecords(os::FileHandle file, std::int32_t records, std::int64_t* offset);

// Where record `index` (below `count`) of the open group file `file` starts: from the kept
// offsets (FindRecordOffset) when `path` is given, else, or when they cannot be had (a
// damaged group, memory running out), by the walk from the start, which decides.
bool LocateRecord(os::FileHandle file, const char* path, std::int32_t count, std::int32_t index,
                  std::int64_t* offset);

// Where the `count` records of the open group file `file` at `path` end (4 for none):
// what an append needs. False when a record has an impossible length or runs past the
// end of the file.
bool FindRecordsEnd(os::FileHandle file, const char* path, std::int32_t count, std::int64_t* end);

// This program appended a record of `length` bytes at `end`, where the `count` records
// before it ended, under the group's lock, which is still held: what is kept of the group
// grows by it instead of being walked again. Call it after the append is on the disk.
void NoteRecordAppended(const char* path, std::int32_t count, std::int64_t end,
                        std::uint32_t length);

// Drops what is kept (its memory too).
void ForgetRecordOffsets();

}  // namespace velm
