// The notifier, menu item and timer the plug-in adds at start-up, and their handlers,
// driven through the stand-in host with the plug-in linked in. The test's dialog suite
// counts the palette's showing and can act while a refresh asks for its visibility.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "common/host_fixture.h"
#include "frame/globals.h"
#include "host/adm.h"
#include "host/errors.h"
#include "host/messages.h"
#include "palette/palette_window.h"

namespace {

using velmtest::HostTest;

struct PaletteWatch {
  int shows = 0;
  // Runs inside the timer's refresh (while its guard is set).
  std::function<void()> duringRefresh;
};
PaletteWatch gPalette;
host::AdmDialogSuite gHostDialogs;

class HostObjectsTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    UseInProcessPlugin();
    gPalette = {};
    const void* table = nullptr;
    ASSERT_EQ(host().suites().Acquire(host::AdmDialogSuite::kName, host::AdmDialogSuite::kVersion,
                                      &table),
              host::kNoErr);
    host().suites().Release(host::AdmDialogSuite::kName, host::AdmDialogSuite::kVersion);
    gHostDialogs = dialogSuite_ = *static_cast<const host::AdmDialogSuite*>(table);
    dialogSuite_.IsVisible = [](host::DialogRef d) -> host::Boolean {
      if (gPalette.duringRefresh) std::exchange(gPalette.duringRefresh, nullptr)();
      return gHostDialogs.IsVisible(d);
    };
    dialogSuite_.Show = [](host::DialogRef d, host::Boolean show) {
      ++gPalette.shows;
      gHostDialogs.Show(d, show);
    };
    host().suites().Offer(&dialogSuite_);
  }
  void TearDown() override {
    if (velm::gGlobals) host().Shutdown();
    HostTest::TearDown();
  }

  velm::Globals& G() { return *velm::gGlobals; }
  int Count(const std::string& entry) {
    const auto& log = host().messageLog();
    return static_cast<int>(std::count(log.begin(), log.end(), entry));
  }
  std::string MenuText() { return hostsim::ToUtf8(host().MenuItemText("AI-PELKAN Info Group")); }
  host::Err SendMenu(const char* selector, host::MenuItemHandle item) {
    host::MenuMessage m{host().NewMessage(), item};
    return host().Send(host::kCallerMenu, selector, &m);
  }

  host::AdmDialogSuite dialogSuite_;
};

TEST_F(HostObjectsTest, StartupAddsTheThreeObjects) {
  ASSERT_EQ(host().Startup(), host::kNoErr);
  ASSERT_EQ(host().notifiers().size(), 1u);
  EXPECT_EQ(host().notifiers()[0]->name, "AI-DRUMEL_notifier");
  EXPECT_EQ(host().notifiers()[0]->type, "AI Application Started Notifier");
  EXPECT_EQ(host().notifiers()[0]->handle(), G().notifierHandle);
  ASSERT_EQ(host().menuItems().size(), 1u);
  const hostsim::MenuItem& item = *host().menuItems()[0];
  EXPECT_EQ(item.name, "AI-PELKAN Info Group");
  EXPECT_EQ(item.group, "Palettes");
  EXPECT_EQ(hostsim::ToUtf8(item.text), "VELM-Pro を表示");
  EXPECT_EQ(item.options, 1);
  EXPECT_EQ(host().menuItems()[0]->handle(), G().menuItemHandle);
  ASSERT_EQ(host().timers().size(), 1u);
  EXPECT_EQ(host().timers()[0]->name, "VE-LM_timer");
  EXPECT_EQ(host().timers()[0]->period, 30);
  EXPECT_EQ(host().timers()[0]->handle(), G().timerHandle);

  // Until the application has started there is no palette: ticks, choices and updates
  // change nothing.
  EXPECT_EQ(host().AdvanceClock(60), host::kNoErr);
  EXPECT_EQ(host().ChooseMenuItem("AI-PELKAN Info Group"), host::kNoErr);
  EXPECT_EQ(host().UpdateMenus(), host::kNoErr);
  EXPECT_EQ(MenuText(), "VELM-Pro を表示");
  EXPECT_EQ(G().timerBusy + G().timerSkips + gPalette.shows, 0);
  EXPECT_EQ(host().ApplicationStarted(), host::kNoErr);
  EXPECT_EQ(Count("AI Notifier/AI Notify -> 0"), 1);
  EXPECT_EQ(Count("AI Timer/AI Go -> 0"), 2);
}

TEST_F(HostObjectsTest, AFailedObjectStopsTheStartup) {
  const char* const ops[][2] = {{"AI Notifier Suite", "AddNotifier"},
                                {"AI Menu Suite", "AddMenuItem"},
                                {"AI Timer Suite", "AddTimer"}};
  for (std::size_t failing = 0; failing < 3; ++failing) {
    SCOPED_TRACE(ops[failing][1]);
    host().suites().FailOperation(ops[failing][0], ops[failing][1], host::kHostFailureErr);
    host().dialogs().QueueModal([](hostsim::Dialog& d) { d.Press(1); });  // the error dialog
    EXPECT_EQ(host().Startup(), host::kHostFailureErr);
    EXPECT_EQ(host().dialogs().PendingScripts(), 0u) << "the failure is reported";
    EXPECT_EQ(host().notifiers().size(), failing > 0 ? 1u : 0u);
    EXPECT_EQ(host().menuItems().size(), failing > 1 ? 1u : 0u);
    EXPECT_EQ(host().timers().size(), 0u);
    host().suites().ClearFailures();
    host().dialogs().ClearScripts();
    host().Shutdown();
  }
}

TEST_F(HostObjectsTest, MenuItemShowsAndHidesThePalette) {
  ASSERT_EQ(host().Startup(), host::kNoErr);
  ASSERT_EQ(host().ApplicationStarted(), host::kNoErr);
  ASSERT_NE(G().palette, nullptr);
  gPalette.shows = 0;
  EXPECT_EQ(host().UpdateMenus(), host::kNoErr);
  EXPECT_EQ(MenuText(), "VELM-Pro を隠す");

  const char* const expected[] = {"VELM-Pro を表示", "VELM-Pro を隠す"};
  for (const char* text : expected) {
    EXPECT_EQ(host().ChooseMenuItem("AI-PELKAN Info Group"), host::kNoErr);
    EXPECT_EQ(host().UpdateMenus(), host::kNoErr);
    EXPECT_EQ(MenuText(), text);
  }
  EXPECT_EQ(gPalette.shows, 2);
  EXPECT_TRUE(gHostDialogs.IsVisible(G().palette));

  // Messages about another menu item change nothing.
  int other = 0;
  const auto otherItem = reinterpret_cast<host::MenuItemHandle>(&other);
  EXPECT_EQ(SendMenu(host::kSelectorGo, otherItem), host::kNoErr);
  gHostDialogs.Show(G().palette, 0);
  // The palette keeps its suites; the update gives back what it acquired itself.
  const std::vector<std::string> held = HeldTableSuites();
  EXPECT_EQ(SendMenu(host::kSelectorUpdate, otherItem), host::kNoErr);
  EXPECT_EQ(gPalette.shows, 2);
  EXPECT_EQ(MenuText(), "VELM-Pro を隠す");
  EXPECT_EQ(HeldTableSuites(), held);
}

TEST_F(HostObjectsTest, TimerSkipsNestedTicksAndFreesAStuckGuard) {
  ASSERT_EQ(host().Startup(), host::kNoErr);
  ASSERT_EQ(host().ApplicationStarted(), host::kNoErr);
  ASSERT_NE(G().palette, nullptr);
  gPalette.shows = 0;

  // A tick delivered while the refresh runs is skipped and counted; the guard is
  // cleared when the refresh ends.
  gPalette.duringRefresh = [this] {
    EXPECT_EQ(G().timerBusy, 1);
    host().SendTimerTick("VE-LM_timer");
  };
  EXPECT_EQ(host().AdvanceClock(29), host::kNoErr);
  EXPECT_EQ(G().timerSkips, 0) << "the period has not elapsed";
  EXPECT_EQ(host().AdvanceClock(1), host::kNoErr);
  EXPECT_FALSE(gPalette.duringRefresh) << "the tick looked at the palette with its guard set";
  EXPECT_EQ(G().timerSkips, 1);
  EXPECT_EQ(G().timerBusy, 0);

  // A normal tick does not reset the count; a tick of another timer changes nothing.
  EXPECT_EQ(host().AdvanceClock(30), host::kNoErr);
  EXPECT_EQ(G().timerSkips, 1);
  G().timerBusy = 1;
  int other = 0;
  host::TimerMessage foreign{host().NewMessage(), reinterpret_cast<host::TimerHandle>(&other)};
  EXPECT_EQ(host().Send(host::kCallerTimer, host::kSelectorGo, &foreign), host::kNoErr);
  EXPECT_EQ(G().timerSkips, 1);

  // A guard left set: the 11th skipped tick counts 11, the 12th clears the guard.
  EXPECT_EQ(host().AdvanceClock(30 * 10), host::kNoErr);
  EXPECT_EQ(G().timerSkips, 11);
  EXPECT_EQ(G().timerBusy, 1);
  EXPECT_EQ(host().AdvanceClock(30), host::kNoErr);
  EXPECT_EQ(G().timerSkips, 0);
  EXPECT_EQ(G().timerBusy, 0);
}

TEST_F(HostObjectsTest, AHiddenPaletteIsNotRefreshed) {
  ASSERT_EQ(host().Startup(), host::kNoErr);
  ASSERT_EQ(host().ApplicationStarted(), host::kNoErr);
  ASSERT_EQ(host().ApplicationStarted(), host::kNoErr);  // a second notice makes no second one
  ASSERT_EQ(host().dialogs().floating().size(), 1u);
  velm::RebuildPalette();
  EXPECT_EQ(host().dialogs().floating().size(), 2u);
  EXPECT_EQ(host().ChooseMenuItem("AI-PELKAN Info Group"), host::kNoErr);  // hides it
  EXPECT_EQ(host().AdvanceClock(30), host::kNoErr);
  EXPECT_EQ(host().dialogs().floating().size(), 2u) << "the retired palette waits";
  EXPECT_EQ(host().ChooseMenuItem("AI-PELKAN Info Group"), host::kNoErr);
  EXPECT_EQ(host().AdvanceClock(30), host::kNoErr);
  EXPECT_EQ(host().dialogs().floating().size(), 1u);
}

}  // namespace
