#include "commands/command_support.h"

#include <cstring>

#include "database/group_file.h"
#include "database/record.h"
#include "database/text_match.h"
#include "frame/error_report.h"
#include "frame/globals.h"
#include "platform/gui.h"
#include "platform/memory.h"

namespace velm {

void ReportFailure(bool interactive, host::Err err) {
  if (interactive) {
    ReportError(nullptr, err != host::kNoErr ? err : -1);
  } else {
    gui::Beep();
  }
}

bool HeaderTextsWritten(const char* group, std::int32_t index) {
  Globals* g = gGlobals;
  if (!g || !g->currentRecord) return false;
  os::MemHandle block = nullptr;
  if (!GrowBlock(block, kRecordHeaderSize, kRecordGranule)) return false;
  const bool read = VelmReadRecord(group, index, &block, kReadHeaderOnly, true) == host::kNoErr;
  const Record* stored = RecordHeader(block);
  const Record* wanted = RecordHeader(g->currentRecord);
  const bool same = read && stored->recordLength != 0 &&
                    std::memcmp(stored->name, wanted->name, sizeof stored->name) == 0 &&
                    std::memcmp(stored->kind, wanted->kind, sizeof stored->kind) == 0 &&
                    std::memcmp(stored->comment, wanted->comment, sizeof stored->comment) == 0;
  ReleaseBlock(block);
  return same;
}

}  // namespace velm
