// Calls from the host into the palette: an exception (memory running out) never leaves a
// procedure the host calls, it becomes the memory error, and the timer's tick allocates
// nothing.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "allocation_hook.h"
#include "commands/commands.h"
#include "common/store_fixture.h"
#include "entry/plugin_main.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "hostsim/core/document.h"
#include "hostsim/desktop/adm_drawing.h"
#include "hostsim/desktop/dialog_manager.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "palette/palette_window.h"
#include "palette/thumbnail_cache.h"

namespace velmtest {
namespace {

class HostEntryTest : public StoreTest {
 protected:
  hostsim::Dialog& Palette() { return *hostsim::Dialog::From(velm::gGlobals->palette); }
  // The next modal dialog runs out of memory; the error dialog after it is answered.
  void QueueOutOfMemory() {
    host().dialogs().QueueModal([](hostsim::Dialog&) { throw std::bad_alloc(); });
    host().dialogs().QueueModal([](hostsim::Dialog& error) { error.Press(1); });
  }
  std::string LastCodeShown() {
    const auto& log = host().dialogs().modalLog();
    return log.empty() ? "" : log.back().texts.at(3);
  }
};

TEST_F(HostEntryTest, ATickOfTheTimerAllocatesNothing) {
  namespace sc = hostsim::scene;
  sc::Scene scene;
  scene.Layer("Layer 1", {sc::Group({sc::Group({sc::Rect(0, 0, 10, 10)}),
                                     sc::Group({sc::Rect(20, 20, 30, 30).Selected()})})});
  scene.Layer("Layer 2", {sc::Rect(40, 40, 50, 50)});
  std::string error;
  ASSERT_TRUE(hostsim::OpenScene(host(), scene.json(), &error)) << error;
  Append("g", "a");
  velm::CreatePalette();
  velm::sAdmDialog->Show(velm::gGlobals->palette, 1);
  // The tick as the host sends it (the stand-in host's own bookkeeping of its messages
  // is left out of the count).
  host::TimerMessage tick{host().NewMessage(), velm::gGlobals->timerHandle};
  ASSERT_EQ(velm::PluginMainImpl(host::kCallerTimer, host::kSelectorGo, &tick), host::kNoErr);
  EXPECT_TRUE(Palette().FindItem(velm::kAddButtonItem)->enabled());

  std::size_t allocations = 0;
  {
    const CountedAllocations counted;
    velm::PluginMainImpl(host::kCallerTimer, host::kSelectorGo, &tick);
    allocations = counted.count();
  }
  EXPECT_EQ(allocations, 0u);
  EXPECT_TRUE(Palette().FindItem(velm::kAddButtonItem)->enabled());
}

// Deeper than any record holds: the walk goes on beyond the levels it keeps on the stack.
TEST_F(HostEntryTest, SelectedArtIsFoundAtAnyDepth) {
  namespace sc = hostsim::scene;
  sc::Scene scene;
  scene.Layer("Layer 1", {sc::Rect(0, 0, 5, 5), sc::Group({}).Id("top"), sc::Rect(6, 6, 9, 9)});
  std::string error;
  ASSERT_TRUE(hostsim::OpenScene(host(), scene.json(), &error)) << error;
  hostsim::Document& doc = *host().document();
  hostsim::Art* inner = doc.FindById("top");
  for (int level = 0; level < 3000; ++level)
    ASSERT_EQ(doc.NewArt(host::kGroupArt, host::kPlaceInsideOnTop, inner, &inner), host::kNoErr);
  hostsim::Art* deepest = nullptr;
  ASSERT_EQ(doc.NewArt(host::kPathArt, host::kPlaceInsideOnTop, inner, &deepest), host::kNoErr);
  EXPECT_FALSE(velm::HasCapturableSelection());
  doc.Select(deepest, true);
  EXPECT_TRUE(velm::HasCapturableSelection());
}

TEST_F(HostEntryTest, NotificationsAndTrackingThatRunOutOfMemoryReportItAndRecover) {
  Append("g", "a");
  velm::CreatePalette();
  // The settings dialog opened from the flyout menu.
  QueueOutOfMemory();
  ASSERT_TRUE(Palette().ChooseFlyout(velm::kFlyoutSettings));
  EXPECT_EQ(LastCodeShown(), "271");
  EXPECT_EQ(velm::gGlobals->notifyBusy, 0) << "the next notification is not dropped";

  // The record dialog of a double click.
  QueueOutOfMemory();
  hostsim::Dialog& p = Palette();
  ASSERT_TRUE(p.TrackEntry(velm::kRecordListItem, 0, host::kTrackMouseDown, {1, 1}, 10000));
  ASSERT_TRUE(p.TrackEntry(velm::kRecordListItem, 0, host::kTrackMouseDown, {1, 1}, 10100));
  EXPECT_EQ(LastCodeShown(), "271");
  EXPECT_EQ(velm::gGlobals->tracking, 0) << "later events are handled, not queued";
}

TEST_F(HostEntryTest, DrawingThatRunsOutOfMemoryEndsQuietly) {
  Append("g", "a");
  velm::CreatePalette();
  velm::ClearThumbnailCache();
  hostsim::Item* list = Palette().FindItem(velm::kRecordListItem);
  hostsim::Bitmap target(40, 40, 0);
  hostsim::Drawer* drawer = hostsim::NewDrawer(&target, {0, 0}, {0, 0, 40, 40});
  {
    const FailingAllocations failing;
    list->entryDrawProc()(list->entries()[0]->ref(), drawer->ref());
  }
  hostsim::DeleteDrawer(drawer);
  EXPECT_TRUE(host().dialogs().modalLog().empty());
}

}  // namespace
}  // namespace velmtest
