#include "entry/action_playback.h"

#include <cmath>
#include <cstring>

#include "actions/actions.h"
#include "commands/commands.h"
#include "database/record.h"
#include "dialogs/dialog_text.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "host/ai_lifecycle.h"
#include "placement/art_loader.h"

namespace velm {

namespace {

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
