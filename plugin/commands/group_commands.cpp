// The group commands: create a group (an empty group file) and remove one.
#include <cstdio>
#include <cstring>

#include "actions/actions.h"
#include "commands/command_support.h"
#include "commands/commands.h"
#include "commands/palette_view.h"
#include "database/group_file.h"
#include "database/record_index.h"
#include "dialogs/group_dialogs.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"

namespace velm {

namespace {

// Message `index` of the group commands' list, formatted with `group` and `code` (the
// failure message takes both, the removal question only the group).
void FormatGroupMessage(std::int32_t index, const char* group, host::Err code, char (&text)[256]) {
  char format[256] = {};
  text[0] = '\0';
  if (!sAdmBasic || sAdmBasic->GetIndexString(gGlobals->pluginRef, kGroupMessageList, index, format,
                                              sizeof format) != host::kNoErr)
    return;
  std::snprintf(text, sizeof text, format, group, static_cast<int>(code));
}

}  // namespace

host::Err NewGroup(const char* name, bool interactive) {
  Trace("NewGroup_START\r\n");
  Globals* g = gGlobals;
  if (!g) return -1;
  const GroupName previous = CopyGroupName(g->currentGroup);
  // A name that does not fit the field is refused whole, never cut.
  bool fits = true;
  if (interactive) {
    if (NewGroupDialog(nullptr) != 1) return host::kNoErr;
  } else if (name && name[0]) {
    fits = std::strlen(name) < kGroupNameSize;
    SetField(g->currentGroup, sizeof g->currentGroup, name);
  }
  const GroupName attempted = CopyGroupName(g->currentGroup);

  host::Err result = -1;
  // Empty names, names that are not file names and the search results' name are refused
  // like an existing group, before anything is recorded.
  if (fits && IsWritableGroup(attempted.text)) {
    RecordAction(kNewGroupAction);
    result = CreateGroupFile(attempted.text);
    if (result == host::kNoErr) {
      g->currentGroup[0] = '\0';
      SelectGroup(attempted.text);
      CommandPalette().Rebuild();
      Trace("NewGroup_END\r\n");
      return host::kNoErr;
    }
  }
  if (interactive) {
    char text[256];
    FormatGroupMessage(kNewGroupFailure, attempted.text, result, text);
    MessageDialog(nullptr, 0, text);
  }
  std::memcpy(g->currentGroup, previous.text, sizeof g->currentGroup);
  Trace("NewGroup_END\r\n");
  return result;
}

host::Err RmvGroup(const char* name, bool confirm) {
  Trace("RmvGroup_START\r\n");
  Globals* g = gGlobals;
  if (!g) return -1;
  const GroupName group = CopyGroupName(name);
  if (confirm) {
    char text[256];
    FormatGroupMessage(kRemoveGroupQuestion, group.text, 0, text);
    if (MessageDialog(nullptr, 1, text) != 1) return host::kNoErr;
  }
  if (!group.text[0]) return -1;

  // Recorded with the removed group as the action's group.
  const GroupName current = CopyGroupName(g->currentGroup);
  std::memcpy(g->currentGroup, group.text, sizeof g->currentGroup);
  RecordAction(kRmvGroupAction);
  std::memcpy(g->currentGroup, current.text, sizeof g->currentGroup);

  // Deleted under the group's lock, so that no write of the group running at the same
  // time puts the file back. A group that stays is reported as any failed command is.
  const host::Err err = RemoveGroupFile(group.text);
  if (err != host::kNoErr) {
    ReportFailure(confirm, err);
    Trace("RmvGroup_END\r\n");
    return err;
  }

  // The removed group's records are no longer listed.
  if (!g->searchMode && SameGroup(group.text, g->currentGroup)) BuildRIHList(g->currentGroup);
  CommandPalette().Rebuild();
  Trace("RmvGroup_END\r\n");
  return err;
}

}  // namespace velm
