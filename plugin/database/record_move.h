// Moves of a record from one group to another, all or nothing as a user sees it. A move
// appends the record to its new group and then removes it from the old one; while it
// does, a journal in the database folder names both places:
//   <base folder>\VELM\VELM-<process>-<mark>.MOV
// so that a move cut short by a crash is seen (velm verify) and can be finished (velm
// repair) instead of leaving the record silently in both groups. The mover holds its
// mark's lock for as long as the move runs (database/writer_mark.h): a journal whose mark
// is free is one of a move cut short, on whichever machine that ran. Journals of the
// older form (VELM-<process>-<n>.MOV) are still read, their mover judged by its process.
#pragma once

#include <cstdint>

#include "database/group_file.h"
#include "database/record.h"

namespace velm {

// Where a move left the record.
enum class MoveOutcome {
  kMoved,      // in the new group only
  kUnchanged,  // in the old group only: nothing was changed
  kInBoth,     // in both, and the journal stays for velm repair
};

// Moves the current record, read from record `index` of `source` where its stored name is
// `expectedName` (Shift-JIS), to the end of `target`. Returns 0 when it moved (its number
// there in *newNumber); otherwise the status of the step that failed, and *outcome says
// where the record is. The current record stays as written (in stored form).
host::Err MoveGroupRecord(const char* source, std::int32_t index, const char* expectedName,
                          const char* target, std::int32_t* newNumber, MoveOutcome* outcome);

// What the journal of a move cut short says.
struct InterruptedMove {
  char path[kPathSize];       // the journal file
  std::uint32_t process = 0;  // the process that moved (its id on its machine)
  bool running = false;       // the mover still runs, or cannot be asked: a move under way
  char source[kGroupNameSize];
  char target[kGroupNameSize];
  std::int32_t sourceNumber = 0;
  Record original{};  // stored header of the record in `source` (big-endian)
  Record copy{};      // stored header of its copy in `target`
};

// Calls `visit` with each readable move journal of the database folder; `unreadable`
// counts those that are not journals of this form (damaged). A journal whose mover still
// runs is a move under way (`running`): it is not to be finished.
using MoveVisitor = bool (*)(const InterruptedMove& move, void* context);
host::Err ListMoveJournals(MoveVisitor visit, void* context, std::int32_t* unreadable);

// Deletes the journals of moves cut short before their journal was whole (a file shorter
// than a journal, empty when the mover died before its first byte): such a move had not
// begun, since a move changes a group only once its journal is on the disk. A journal
// whose mover still runs, or cannot be asked, stays. Calls `deleted` (when given) with
// each file name deleted.
using JournalVisitor = void (*)(const char* name, void* context);
void RemoveUnwrittenJournals(JournalVisitor deleted, void* context);

// What finishing a move cut short did.
enum class MoveRepair {
  kFinished,  // the copy was in the new group: the original was removed from the old one
  kWasDone,   // the copy was there and the original gone already
  kNotBegun,  // no copy in the new group: the record stays where it was
  kFailed,    // the original could not be removed: the journal stays
};
// Finishes the move `move` describes and deletes its journal (unless kFailed). Returns 0,
// or the status of the removal that failed.
host::Err FinishInterruptedMove(const InterruptedMove& move, MoveRepair* what);

// For tests: called in a move right after the record was appended to its new group (a
// test holds the move there). Null: nothing is called.
void SetMoveAppendedHook(void (*hook)());

}  // namespace velm
