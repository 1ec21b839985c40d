// What the commands change in the palette: its record list and group popup, reached
// through a view the palette installs when it is made (palette/palette_window.cpp), so the
// commands never depend on the window itself. Until one is installed (no palette was made:
// action playback in a host without one, a program that uses the commands alone) every
// call does nothing and the list reads as empty with nothing selected — as the palette's
// own functions behave without a palette.
#pragma once

#include <cstdint>

namespace velm {

class PaletteView {
 public:
  // Replaces the palette by a new one at the same place (after the group list changed).
  virtual void Rebuild() = 0;
  // Lists the current group's records afresh.
  virtual void FillRecordList() = 0;
  // Shows `group` as the group popup's choice (when it is listed).
  virtual void ShowGroupInPopup(const char* group) = 0;
  // Position of the first selected record entry, or -1.
  virtual std::int32_t SelectedRecordEntry() = 0;
  // Selects the entry at `position` alone (none when there is no such entry).
  virtual void SelectRecordEntry(std::int32_t position) = 0;
  virtual void RemoveRecordEntry(std::int32_t position) = 0;
  virtual std::int32_t RecordEntryCount() = 0;
  virtual void RedrawRecordList() = 0;

 protected:
  ~PaletteView() = default;
};

// Installs the palette's view (null: none).
void SetPaletteView(PaletteView* view);
// The installed view, or one that does nothing.
PaletteView& CommandPalette();

}  // namespace velm
