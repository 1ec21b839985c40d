#include "commands/palette_view.h"

namespace velm {

namespace {

class NoPalette final : public PaletteView {
 public:
  void Rebuild() override {}
  void FillRecordList() override {}
  void ShowGroupInPopup(const char*) override {}
  std::int32_t SelectedRecordEntry() override { return -1; }
  void SelectRecordEntry(std::int32_t) override {}
  void RemoveRecordEntry(std::int32_t) override {}
  std::int32_t RecordEntryCount() override { return 0; }
  void RedrawRecordList() override {}
};

NoPalette sNoPalette;
PaletteView* sView = nullptr;

}  // namespace

void SetPaletteView(PaletteView* view) {
  sView = view;
}

PaletteView& CommandPalette() {
  return sView ? *sView : sNoPalette;
}

}  // namespace velm
