// The record commands: add a record from the selection, edit or move one, remove one.
#include <cstring>

#include "actions/actions.h"
#include "capture/art_tree_writer.h"
#include "commands/command_support.h"
#include "commands/commands.h"
#include "commands/palette_view.h"
#include "database/busy.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_index.h"
#include "database/record_move.h"
#include "dialogs/group_dialogs.h"
#include "dialogs/record_dialog.h"
#include "frame/globals.h"
#include "frame/trace.h"
#include "platform/gui.h"
#include "platform/memory.h"

namespace velm {

namespace {

// Name, kind and comment of the current record from a command's arguments; a null text
// keeps the field as it is.
void SetRecordTexts(const char* name, const char* kind, const char* comment) {
  Record* header = RecordHeader(gGlobals->currentRecord);
  if (name) SetField(header->name, sizeof header->name, name);
  if (kind) SetField(header->kind, sizeof header->kind, kind);
  if (comment) SetField(header->comment, sizeof header->comment, comment);
}

// After a command that failed: the palette lists its group read afresh from the file
// (another program may have changed it); search results stay as they are.
void RefreshRecordList() {
  Globals* g = gGlobals;
  if (!g->searchMode) {
    BuildRIHList(g->currentGroup);
    CommandPalette().FillRecordList();
  }
  CommandPalette().RedrawRecordList();
}

// Appends the current record to `group`. The write's own status says whether it arrived
// (the count may move under another writer of a shared folder). Returns 0, or the status
// to report.
host::Err AppendCurrentRecord(const char* group) {
  BeginBusy();
  host::Err err = WriteGroupRecord(group, -1);
  EndBusy();
  return err;
}

// A record's name as it was read, so that a later rewrite or removal by number acts only
// if that number still holds the same record (another program sharing the folder may have
// changed the group in between).
struct StoredName {
  char text[sizeof Record::name + 1] = {};
  bool known = false;

  void Take(const char (&field)[sizeof Record::name]) {
    std::memcpy(text, field, sizeof field);
    known = true;
  }
  const char* get() const { return known ? text : nullptr; }
};

// Removes record `index` of `group` (only if it still has `expected`'s name, when known).
// Returns 0 when a record was taken out, or the status to report (kNoSuchRecordErr when
// there was none to take, kRecordMovedErr when another record is at that number now).
host::Err RemoveRecord(const char* group, std::int32_t index, const StoredName& expected) {
  bool removed = false;
  const host::Err err = RemoveGroupRecord(group, index, expected.get(), &removed);
  if (err != host::kNoErr) return err;
  return removed ? host::kNoErr : kNoSuchRecordErr;
}

// Moves the current record (read from record `number` of `source`) to `target`, all or
// nothing: appended there, then removed from `source`; if the removal fails, the copy is
// taken out again and the record stays where it was. Whatever happened, the palette then
// lists its group read afresh.
void MoveRecord(const char* source, std::int32_t number, const StoredName& stored,
                const char* target, bool interactive) {
  Globals* g = gGlobals;
  // Recorded before anything changes: the record in its old place, going to targetGroup.
  RecordAction(kSetRecordAction, source, number);
  std::int32_t newNumber = -1;
  MoveOutcome outcome = MoveOutcome::kUnchanged;
  BeginBusy();
  const host::Err moved =
      MoveGroupRecord(source, number, stored.get(), target, &newNumber, &outcome);
  EndBusy();
  if (outcome == MoveOutcome::kMoved && !g->searchMode) {
    // The written record stays current; selecting the group would release it.
    os::MemHandle written = g->currentRecord;
    g->currentRecord = nullptr;
    SelectGroup(target);
    CommandPalette().ShowGroupInPopup(target);
    ReleaseBlock(g->currentRecord);
    g->currentRecord = written;
    g->currentRecordIndex = newNumber;
    CommandPalette().FillRecordList();
  } else {
    RefreshRecordList();
  }
  if (outcome == MoveOutcome::kMoved)
    CommandPalette().SelectRecordEntry(FindRIHItem(target, newNumber));
  CommandPalette().RedrawRecordList();
  if (moved != host::kNoErr) ReportFailure(interactive, moved);
}

}  // namespace

void AddRecord(const char* group, const char* name, const char* kind, const char* comment,
               bool interactive) {
  Trace("AddRecord_START\r\n");
  Globals* g = gGlobals;
  if (!g) return;
  if (g->searchMode || !HasCapturableSelection()) {
    gui::Beep();
    return;
  }
  BeginBusy();
  const host::Err captured = VelmPostArt();
  EndBusy();
  if (captured != host::kNoErr || !g->currentRecord) {
    // Art the capture could not take is never stored as a record without it.
    ReleaseBlock(g->currentRecord);
    g->currentRecordIndex = -1;
    ReportFailure(interactive, captured);
    return;
  }

  if (interactive) {
    if (RecordDialog(nullptr, g->currentGroup) != 1) return;
  } else {
    SetField(g->targetGroup, sizeof g->targetGroup, group ? group : g->currentGroup);
    SetRecordTexts(name ? name : "", kind ? kind : "", comment ? comment : "");
  }
  const GroupName target = CopyGroupName(g->targetGroup);
  if (!IsWritableGroup(target.text)) {
    ReportFailure(interactive, kBadGroupNameErr);
    return;
  }
  if (!SameGroup(target.text, g->currentGroup)) {
    os::MemHandle record = g->currentRecord;
    g->currentRecord = nullptr;
    SelectGroup(target.text);
    g->currentRecord = record;
    CommandPalette().ShowGroupInPopup(target.text);
  }

  RecordAction(kAddRecordAction);
  const host::Err written = AppendCurrentRecord(g->currentGroup);
  if (written != host::kNoErr) {
    // The palette shows the group it names (perhaps the one just chosen) as it is now.
    RefreshRecordList();
    ReportFailure(interactive, written);
    return;
  }
  CommandPalette().FillRecordList();
  CommandPalette().SelectRecordEntry(FindRIHItem(g->currentGroup, g->currentRecordIndex));
  Trace("AddRecord_END\r\n");
}

void SetRecord(const char* group, std::int32_t recordNumber, const char* targetGroup,
               const char* name, const char* kind, const char* comment, bool interactive) {
  Trace("SetRecord_START\r\n");
  Globals* g = gGlobals;
  if (!g || !group || recordNumber < 0) return;
  const GroupName source = CopyGroupName(group);

  if (interactive) BeginBusy();
  const host::Err read = VelmReadRecord(source.text, recordNumber, nullptr, kReadWholeRecord, true);
  if (interactive) EndBusy();
  if (read != host::kNoErr || !g->currentRecord) {
    // A record that is gone or cannot be read is not edited.
    if (read != host::kNoErr) {
      ReportFailure(interactive, read);
    } else {
      gui::Beep();
    }
    return;
  }
  const std::int32_t oldPosition = FindRIHItem(source.text, recordNumber);
  StoredName stored;
  stored.Take(RecordHeader(g->currentRecord)->name);

  if (interactive) {
    if (RecordDialog(nullptr, source.text) != 1) return;
  } else {
    SetField(g->targetGroup, sizeof g->targetGroup, targetGroup ? targetGroup : source.text);
    SetRecordTexts(name, kind, comment);
  }
  const GroupName target = CopyGroupName(g->targetGroup);
  if (!IsWritableGroup(target.text)) {
    ReportFailure(interactive, kBadGroupNameErr);
    return;
  }

  if (!SameGroup(target.text, source.text)) {
    MoveRecord(source.text, recordNumber, stored, target.text, interactive);
    Trace("SetRecord_END\r\n");
    return;
  }

  RecordAction(kSetRecordAction, source.text, recordNumber);
  host::Err written = WriteGroupRecord(source.text, recordNumber, stored.get());
  if (written == host::kNoErr && !HeaderTextsWritten(source.text, recordNumber)) written = -1;
  if (written != host::kNoErr) {
    RefreshRecordList();
    ReportFailure(interactive, written);
    return;
  }
  const std::int32_t newPosition = FindRIHItem(source.text, recordNumber);
  if (newPosition != oldPosition) CommandPalette().SelectRecordEntry(newPosition);
  CommandPalette().RedrawRecordList();
  Trace("SetRecord_END\r\n");
}

void RmvRecord(const char* group, std::int32_t recordNumber, bool confirm) {
  Trace("RmvRecord_START\r\n");
  Globals* g = gGlobals;
  if (!g) return;
  char source[64] = {};
  std::int32_t number = recordNumber;
  std::int32_t entry = -1;
  bool listed = false;
  if (recordNumber < 0) {
    // Only the palette's remove button means "the selected record"; a -1 from anywhere
    // else (a played-back designator "#-1") removes nothing.
    if (recordNumber != -1 || !confirm) return;
    entry = CommandPalette().SelectedRecordEntry();
    if (entry < 0 || !GetRIHItem(entry, source, number)) return;
    listed = !group || SameGroup(group, g->currentGroup);
  } else {
    if (!group) return;
    std::memcpy(source, CopyGroupName(group).text, sizeof source);
    if (SameGroup(source, g->currentGroup)) {
      entry = FindRIHItem(source, number);
      if (entry < 0) return;
      CommandPalette().SelectRecordEntry(entry);
      listed = true;
    }
  }

  if (confirm && DeleteRecordDialog(nullptr) != 1) return;
  // A listed record is removed only if its number still holds it; a number alone (from a
  // played-back action) names whatever record is there.
  StoredName expected;
  if (entry >= 0 && g->RIHList && entry < RIHCount(g->RIHList))
    expected.Take(RIHItems(g->RIHList)[entry].name);
  RecordAction(kRmvRecordAction, source, number);
  const host::Err removed = RemoveRecord(source, number, expected);
  if (removed != host::kNoErr) {
    RefreshRecordList();
    ReportFailure(confirm, removed);
    return;
  }
  if (listed) {
    CommandPalette().RemoveRecordEntry(entry);
    const std::int32_t remaining = CommandPalette().RecordEntryCount();
    if (remaining > 0 && entry >= remaining) CommandPalette().SelectRecordEntry(remaining - 1);
    CommandPalette().RedrawRecordList();
  }
  Trace("RmvRecord_END\r\n");
}

}  // namespace velm
