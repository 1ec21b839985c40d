// Until the database commands land, the palette's buttons and menu entries that run them
// only sound the beep, and nothing counts as capturable.
#include "commands/commands.h"
#include "platform/gui.h"

namespace velm {

void AddRecord(const char*, const char*, const char*, const char*, bool) {
  gui::Beep();
}
void SetRecord(const char*, std::int32_t, const char*, const char*, const char*, const char*,
               bool) {
  gui::Beep();
}
void RmvRecord(const char*, std::int32_t, bool) {
  gui::Beep();
}
host::Err NewGroup(const char*, bool) {
  gui::Beep();
  return -1;
}
host::Err RmvGroup(const char*, bool) {
  gui::Beep();
  return -1;
}
bool HasCapturableSelection() {
  return false;
}

}  // namespace velm
