#include "actions/actions.h"

#include <cstdio>
#include <cstring>

#include "database/field_text.h"
#include "database/group_file.h"
#include "database/record.h"
#include "dialogs/dialog_text.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "host/ai_lifecycle.h"
#include "platform/memory.h"

namespace velm {

namespace {

// Recorded events ask for the dialog only in part: playback never opens one.
constexpr std::int32_t kRecordedDialogStatus = host::kDialogPartOn;

struct ActionKeyInfo {
  host::ActionKey key;
  const char* title;
  host::ActionParamType type;
};

struct ActionInfo {
  std::int32_t code;
  const char* name;
  const char* title;
  ActionKeyInfo keys[6];
  std::size_t keyCount;
};

constexpr ActionKeyInfo kX{kKeyX, "X 座標", host::kActionTypeReal};
constexpr ActionKeyInfo kY{kKeyY, "Y 座標", host::kActionTypeReal};
constexpr ActionKeyInfo kRecd{kKeyRecord, "レコード", host::kActionTypeString};
constexpr ActionKeyInfo kGrup{kKeyGroup, "グループ", host::kActionTypeString};
constexpr ActionKeyInfo kOrmd{kKeyOrigin, "原点位置", host::kActionTypeInteger};
constexpr ActionKeyInfo kName{kKeyName, "名称", host::kActionTypeString};
constexpr ActionKeyInfo kKind{kKeyKind, "種類", host::kActionTypeString};
constexpr ActionKeyInfo kComm{kKeyComment, "コメント", host::kActionTypeString};
constexpr ActionKeyInfo kNwgr{kKeyNewGroup, "新規グループ", host::kActionTypeString};

const ActionInfo kActions[] = {
    {kPlaceArtAction, "ZEM_VELM_PlaceArt", "VELMレコード配置", {kX, kY, kRecd, kGrup, kOrmd}, 5},
    {kAddRecordAction, "ZEM_VELM_AddRecord", "VELMレコード追加", {kName, kKind, kComm, kGrup}, 4},
    {kRmvRecordAction, "ZEM_VELM_RmvRecord", "VELMレコード削除", {kRecd, kGrup}, 2},
    {kSetRecordAction,
     "ZEM_VELM_SetRecord",
     "VELMレコード編集",
     {kName, kKind, kComm, kNwgr, kRecd, kGrup},
     6},
    {kNewGroupAction, "ZEM_VELM_NewGroup", "VELM新規グループ", {kGrup}, 1},
    {kRmvGroupAction, "ZEM_VELM_RmvGroup", "VELMグループ削除", {kGrup}, 1},
};

const ActionInfo* FindAction(std::int32_t code) {
  for (const ActionInfo& a : kActions)
    if (a.code == code) return &a;
  return nullptr;
}

// Reads the header of record `recordNumber` of `group` into `block`; false when the
// group has no such record or it cannot be read.
bool ReadHeader(const char* group, std::int32_t recordNumber, os::MemHandle& block) {
  std::memset(RecordHeader(block), 0, kRecordHeaderSize);
  return VelmReadRecord(group, recordNumber, &block, kReadHeaderOnly, true) == host::kNoErr;
}

// A record's name as a terminated text (a full field without its NUL is cut to 63 bytes).
void HeaderName(os::MemHandle block, char (&name)[64]) {
  const Record* header = RecordHeader(block);
  const std::size_t n = WholeCharacters(header->name, strnlen(header->name, sizeof name - 1));
  std::memcpy(name, header->name, n);
  name[n] = '\0';
}

// The values of one recording, in the order the action lists them.
host::Err SetValues(const ActionInfo& action, host::ActionParamValueRef values, const char* group,
                    const char* designator) {
  Globals* g = gGlobals;
  const Record* record = g->currentRecord ? RecordHeader(g->currentRecord) : nullptr;
  static const Record kEmpty{};
  if (!record) record = &kEmpty;
  char texts[3][256];
  const char* fields[3] = {record->name, record->kind, record->comment};
  const std::size_t sizes[3] = {sizeof record->name, sizeof record->kind, sizeof record->comment};
  for (int i = 0; i < 3; ++i) {
    const std::size_t n = WholeCharacters(fields[i], strnlen(fields[i], sizes[i] - 1));
    std::memcpy(texts[i], fields[i], n);
    texts[i][n] = '\0';
  }
  // The values in the order they are set: the action's parameters as registered, except
  // that an add sets its group before its name, kind and comment.
  host::ActionKey order[6] = {};
  std::size_t count = 0;
  if (action.code == kAddRecordAction) order[count++] = kKeyGroup;
  for (std::size_t k = 0; k < action.keyCount; ++k)
    if (action.code != kAddRecordAction || action.keys[k].key != kKeyGroup)
      order[count++] = action.keys[k].key;
  host::Err err = host::kNoErr;
  for (std::size_t k = 0; k < count && !err; ++k) {
    const host::ActionKey key = order[k];
    switch (key) {
      case kKeyX:
        err = sActionManager->SetActionParamReal(values, key, g->dropPoint.h);
        break;
      case kKeyY:
        err = sActionManager->SetActionParamReal(values, key, g->dropPoint.v);
        break;
      case kKeyOrigin:
        err = sActionManager->SetActionParamInteger(values, key, g->originMode);
        break;
      case kKeyRecord:
        err = sActionManager->SetActionParamString(values, key, designator);
        break;
      case kKeyGroup:
        err = sActionManager->SetActionParamString(values, key, group);
        break;
      case kKeyNewGroup:
        err = sActionManager->SetActionParamString(values, key, g->targetGroup);
        break;
      case kKeyName:
        err = sActionManager->SetActionParamString(values, key, texts[0]);
        break;
      case kKeyKind:
        err = sActionManager->SetActionParamString(values, key, texts[1]);
        break;
      case kKeyComment:
        err = sActionManager->SetActionParamString(values, key, texts[2]);
        break;
      default:
        break;
    }
  }
  return err;
}

}  // namespace

host::Err RegisterActions(host::MessageData* message) {
  Trace("RegisterActions_START\r\n");
  host::Err result = host::kNoErr;
  if (!sActionManager || !message) return host::kNoErr;
  for (const ActionInfo& action : kActions) {
    host::ActionParamTypeRef description = nullptr;
    host::Err err = sActionManager->NewActionParamType(&description);
    // Without a description the action is left out.
    if (err || !description) continue;
    if (message->self) {
      for (std::size_t k = 0; k < action.keyCount && !err; ++k)
        err = sActionManager->SetActionParamTypeKey(
            description, action.keys[k].key, action.keys[k].title, action.keys[k].type, true);
      if (!err)
        err = sActionManager->RegisterActionEvent(action.name, action.title, 1, 0, 0, message->self,
                                                  action.code, description);
      result = err;
    }
    sActionManager->DeleteActionParamType(description);
  }
  Trace("RegisterActions_END\r\n");
  return result;
}

host::Err RecordAction(std::int32_t code) {
  Globals* g = gGlobals;
  if (!g) return host::kNoErr;
  char group[64];
  std::memcpy(group, g->currentGroup, sizeof group);
  group[sizeof group - 1] = '\0';
  return RecordAction(code, group, g->currentRecordIndex);
}

host::Err RecordAction(std::int32_t code, const char* group, std::int32_t recordNumber) {
  Globals* g = gGlobals;
  const ActionInfo* action = FindAction(code);
  if (!g || !action || !sActionManager) return host::kNoErr;
  host::Boolean recording = false;
  if (sActionManager->InActionRecordingMode(&recording) != host::kNoErr || !recording)
    return host::kNoErr;
  host::ActionParamValueRef values = nullptr;
  const host::Err created = sActionManager->NewActionParamValue(&values);
  if (created || !values) return created ? created : host::kOutOfMemoryErr;

  // The action's group: the record's own group for the record actions, else the current
  // group (the new group, the removed group, the group a record was added to).
  const GroupName actionGroup = CopyGroupName(group ? group : g->currentGroup);
  char designator[kDesignatorSize] = {};
  const bool namesRecord =
      code == kPlaceArtAction || code == kRmvRecordAction || code == kSetRecordAction;
  if (!namesRecord ||
      MakeRecordDesignator(actionGroup.text, recordNumber, designator) == host::kNoErr) {
    if (SetValues(*action, values, actionGroup.text, designator) == host::kNoErr)
      sActionManager->RecordActionEvent(action->name, kRecordedDialogStatus, values);
  }
  sActionManager->DeleteActionParamValue(values);
  return created;
}

host::Err MakeRecordDesignator(const char* group, std::int32_t recordNumber,
                               char (&text)[kDesignatorSize]) {
  if (!group || recordNumber < 0 || recordNumber >= GroupRecordCount(group)) return -1;
  os::MemHandle block = nullptr;
  if (!GrowBlock(block, kRecordHeaderSize + 2, kRecordGranule)) return -1;
  host::Err result = -1;
  if (ReadHeader(group, recordNumber, block)) {
    char name[64];
    HeaderName(block, name);
    if (name[0]) {
      std::snprintf(text, sizeof text, "\"%s\"", name);
    } else {
      std::snprintf(text, sizeof text, "#%d", static_cast<int>(recordNumber));
    }
    result = host::kNoErr;
  }
  ReleaseBlock(block);
  return result;
}

std::int32_t ResolveRecordDesignator(const char* group, const char* text) {
  if (!group || !text) return -1;
  const std::int32_t count = GroupRecordCount(group);
  if (text[0] == '#') {
    // Digits only, and a record the group has.
    std::int64_t number = 0;
    const char* p = text + 1;
    if (!*p) return -1;
    for (; *p; ++p) {
      if (*p < '0' || *p > '9') return -1;
      number = number * 10 + (*p - '0');
      if (number >= count) return -1;
    }
    return static_cast<std::int32_t>(number);
  }
  // A quoted name is the text between the opening quote and a closing quote at the end
  // (a name may hold quotes itself); without a closing quote, all after the opening one.
  char wanted[kDesignatorSize] = {};
  std::size_t length = strnlen(text, kDesignatorSize - 1);
  const char* start = text;
  if (text[0] == '"') {
    ++start;
    --length;
    if (length > 0 && start[length - 1] == '"') --length;
  }
  std::memcpy(wanted, start, length);

  os::MemHandle block = nullptr;
  if (!GrowBlock(block, kRecordHeaderSize + 2, kRecordGranule)) return -1;
  std::int32_t found = -1;
  for (std::int32_t i = 0; i < count; ++i) {
    if (!ReadHeader(group, i, block)) break;
    char name[64];
    HeaderName(block, name);
    if (std::strcmp(name, wanted) == 0) {
      found = i;
      break;
    }
  }
  ReleaseBlock(block);
  return found;
}

}  // namespace velm
