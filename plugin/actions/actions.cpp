#include "actions/actions.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "commands/command_support.h"
#include "commands/commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "host/ai_lifecycle.h"
#include "palette/dialog_text.h"
#include "placement/art_loader.h"
#include "platform/memory.h"

namespace velm {

namespace {

using host::ActionCode;

constexpr host::ActionKey kKeyX = ActionCode('p', 'l', 'c', 'x');
constexpr host::ActionKey kKeyY = ActionCode('p', 'l', 'c', 'y');
constexpr host::ActionKey kKeyRecord = ActionCode('r', 'e', 'c', 'd');
constexpr host::ActionKey kKeyGroup = ActionCode('g', 'r', 'u', 'p');
constexpr host::ActionKey kKeyOrigin = ActionCode('o', 'r', 'm', 'd');
constexpr host::ActionKey kKeyName = ActionCode('n', 'a', 'm', 'e');
constexpr host::ActionKey kKeyKind = ActionCode('k', 'i', 'n', 'd');
constexpr host::ActionKey kKeyComment = ActionCode('c', 'o', 'm', 'm');
constexpr host::ActionKey kKeyNewGroup = ActionCode('n', 'w', 'g', 'r');

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

// Parameters of a played action; a parameter the host cannot deliver is empty or 0.
struct PlayedValues {
  host::Err last = host::kNoErr;

  void Note(host::Err err) {
    // A missing key is an empty parameter, not a failure.
    last = err == host::kNotFoundErr ? host::kNoErr : err;
  }
  void String(host::ActionParamValueRef values, host::ActionKey key, char (&out)[256],
              std::size_t field) {
    std::memset(out, 0, sizeof out);
    const host::Err err = sActionManager->GetActionParamString(values, key, out, sizeof out);
    Note(err);
    if (err) out[0] = '\0';
    out[sizeof out - 1] = '\0';
    // Cut to the field it fills, never inside a double-byte character (the host may have
    // cut the text in one).
    CutToWholeCharacters(out, field - 1);
  }
  float Real(host::ActionParamValueRef values, host::ActionKey key) {
    host::Real v = 0;
    const host::Err err = sActionManager->GetActionParamReal(values, key, &v);
    Note(err);
    return err ? 0.0f : v;
  }
  std::int32_t Integer(host::ActionParamValueRef values, host::ActionKey key) {
    std::int32_t v = 0;
    const host::Err err = sActionManager->GetActionParamInteger(values, key, &v);
    Note(err);
    return err ? 0 : v;
  }
};

// Places the record at the recorded point with the recorded origin mode: no preview, no
// snapping, no busy cursor. A point that is not a number or an origin mode outside 0 … 8
// places nothing.
void PlayPlaceArt(const char* group, std::int32_t record, float x, float y, std::int32_t origin) {
  const auto mode = static_cast<std::int16_t>(origin & 0xFFFF);
  if (record < 0 || !std::isfinite(x) || !std::isfinite(y) || mode < 0 || mode > 8) return;
  Globals* g = gGlobals;
  g->dropPoint = {x, y};
  g->originMode = mode;
  VelmLoadArt(group, record);
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

host::Err DoAction(host::MessageData* message) {
  Trace("DoAction_START\r\n");
  auto* m = reinterpret_cast<host::DoActionMessage*>(message);
  if (!gGlobals || !m || !sActionManager) return host::kNoErr;
  const host::ActionParamValueRef values = m->param;
  const auto code = static_cast<std::int32_t>(m->userData);
  PlayedValues in;
  char group[256], recd[256], name[256], kind[256], comment[256], newGroup[256];
  const std::size_t fieldSize = sizeof Record{}.name;
  const std::size_t commentSize = sizeof Record{}.comment;
  const std::size_t groupSize = sizeof gGlobals->currentGroup;
  host::Err result = host::kNoErr;
  switch (code) {
    case kPlaceArtAction: {
      const float x = in.Real(values, kKeyX);
      const float y = in.Real(values, kKeyY);
      in.String(values, kKeyRecord, recd, sizeof recd);
      in.String(values, kKeyGroup, group, groupSize);
      const std::int32_t origin = in.Integer(values, kKeyOrigin);
      PlayPlaceArt(group, ResolveRecordDesignator(group, recd), x, y, origin);
      result = in.last;
      break;
    }
    case kAddRecordAction:
      in.String(values, kKeyName, name, fieldSize);
      in.String(values, kKeyKind, kind, fieldSize);
      in.String(values, kKeyComment, comment, commentSize);
      in.String(values, kKeyGroup, group, groupSize);
      AddRecord(group, name, kind, comment, false);
      break;
    case kRmvRecordAction: {
      in.String(values, kKeyRecord, recd, sizeof recd);
      in.String(values, kKeyGroup, group, groupSize);
      const std::int32_t record = ResolveRecordDesignator(group, recd);
      result = in.last;
      // Never -1: that would be the record selected in the palette.
      if (record >= 0) {
        RmvRecord(group, record, false);
        result = host::kNoErr;
      }
      break;
    }
    case kSetRecordAction: {
      in.String(values, kKeyName, name, fieldSize);
      in.String(values, kKeyKind, kind, fieldSize);
      in.String(values, kKeyComment, comment, commentSize);
      in.String(values, kKeyNewGroup, newGroup, groupSize);
      in.String(values, kKeyRecord, recd, sizeof recd);
      in.String(values, kKeyGroup, group, groupSize);
      const std::int32_t record = ResolveRecordDesignator(group, recd);
      result = in.last;
      if (record >= 0) {
        // A record recorded without a target group stays in its own.
        SetRecord(group, record, newGroup[0] ? newGroup : group, name, kind, comment, false);
        result = host::kNoErr;
      }
      break;
    }
    case kNewGroupAction:
      in.String(values, kKeyGroup, group, groupSize);
      NewGroup(group, false);
      result = in.last;
      break;
    case kRmvGroupAction:
      in.String(values, kKeyGroup, group, groupSize);
      RmvGroup(group, false);
      result = in.last;
      break;
    default:
      break;
  }
  Trace("DoAction_END\r\n");
  return result;
}

}  // namespace velm
