// The plug-in's entry point, start-up, unload / reload and shut-down, run through the
// stand-in host.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>

#include "common/host_fixture.h"
#include "frame/globals.h"
#include "host/errors.h"
#include "host/messages.h"

namespace {

using velmtest::HostTest;

const velm::Globals* GlobalsOf(hostsim::Host& host) {
  return static_cast<const velm::Globals*>(host.FindBlock("globals"));
}

class FrameTest : public HostTest {};

TEST_F(FrameTest, StartupAllocatesGlobalsWithStartupValues) {
  host().SetPluginOptions(0x11);
  ASSERT_EQ(host().Startup(), host::kNoErr);

  ASSERT_EQ(host().liveBlocks().size(), 1u);
  EXPECT_EQ(host().liveBlocks()[0].name, "globals");
  EXPECT_EQ(host().liveBlocks()[0].size, 3346);
  EXPECT_EQ(host().pluginOptions(), 0x13) << "option flag 2 is added to the existing flags";

  const velm::Globals* g = GlobalsOf(host());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->toolMode, 1);
  EXPECT_EQ(g->sortMode, 0);
  EXPECT_EQ(g->originMode, 0);
  EXPECT_EQ(g->dropPoint.h, 2097152000.0f);
  EXPECT_EQ(g->dropPoint.v, 2097152000.0f);
  EXPECT_EQ(g->lastSnapKind, -1);
  EXPECT_EQ(g->currentRecordIndex, -1);
  EXPECT_EQ(g->currentRecord, nullptr);
  EXPECT_STREQ(g->currentGroup, "");
  EXPECT_EQ(g->flUseGrid + g->flUseFcur + g->flUseFcrs + g->flUseFops, 4);
  EXPECT_FLOAT_EQ(g->flGrWidth, 14.17323f);
  EXPECT_FLOAT_EQ(g->flGrHeight, 14.17323f);
  EXPECT_EQ(g->downPoint.h, 32000);
  EXPECT_EQ(g->downPoint.v, 32000);
  EXPECT_NE(g->basicSuite, nullptr);
  EXPECT_NE(g->pluginRef, nullptr);
  for (int i = 0; i < 14; ++i)
    EXPECT_NE(g->snapCursors[i], nullptr) << "cursor slot " << i;
  EXPECT_EQ(g->snapCursors[14], nullptr) << "there is no cursor resource for the last slot";
  // The basis table: both ends exact, the middle (t = 1/2) 1/8 and 3/8.
  EXPECT_EQ(g->BezierTable[0].b0, 1.0);
  EXPECT_EQ(g->BezierTable[64].b0, 0.0);
  EXPECT_EQ(g->BezierTable[64].b1, 0.0);
  EXPECT_DOUBLE_EQ(g->BezierTable[32].b0, 0.125);
  EXPECT_DOUBLE_EQ(g->BezierTable[32].b1, 0.375);

  EXPECT_EQ(host().Shutdown(), host::kNoErr);
}

TEST_F(FrameTest, FullLifecycleGivesBackEverything) {
  ASSERT_EQ(host().Startup(), host::kNoErr);
  void* block = host().FindBlock("globals");
  host().dialogs().QueueModal([](hostsim::Dialog& about) {
    EXPECT_EQ(about.TextOf(2), "VELM-Pro Ver2.20");
    about.Press(1);
  });
  EXPECT_EQ(host().About(), host::kNoErr);
  ASSERT_EQ(host().dialogs().modalLog().size(), 1u);
  EXPECT_EQ(host().dialogs().modalLog()[0].dialogId, 16050);
  EXPECT_EQ(host().dialogs().modalLog()[0].result, 1);

  EXPECT_EQ(host().Unload(), host::kNoErr);
  EXPECT_EQ(host().globalsSlot(), block) << "the block is parked in the globals slot";
  EXPECT_FALSE(host().moduleLoaded());
  EXPECT_EQ(host().Reload(), host::kNoErr);

  // After the reload the module's statics are fresh: the next message acquires the
  // whole table again, and the state is the parked block.
  const int before = host().suites().TotalAcquisitions();
  host().dialogs().QueueModal([](hostsim::Dialog& about) { about.Press(1); });
  EXPECT_EQ(host().About(), host::kNoErr);
  EXPECT_EQ(host().suites().TotalAcquisitions() - before, 59);

  EXPECT_EQ(host().Shutdown(), host::kNoErr);
  EXPECT_TRUE(host().liveBlocks().empty());
  EXPECT_EQ(host().globalsSlot(), nullptr);
  EXPECT_TRUE(host().suites().Unbalanced().empty())
      << "still held: " << ::testing::PrintToString(host().suites().Unbalanced());
  EXPECT_TRUE(host().suites().UnimplementedCalls().empty());
}

TEST_F(FrameTest, EverySuiteOfTheTableIsAcquiredOncePerOutermostMessage) {
  ASSERT_EQ(host().Startup(), host::kNoErr);
  EXPECT_EQ(host().suites().CountsOf("AI Path Style Suite", 5).acquired, 1);
  EXPECT_EQ(host().suites().CountsOf("AI Path Style Suite", 4).acquired, 1);
  EXPECT_EQ(host().suites().CountsOf("AI Text Stream Suite", 5).acquired, 1);
  EXPECT_EQ(host().suites().CountsOf("AI Text Stream Suite", 4).acquired, 1);
  EXPECT_EQ(host().suites().CountsOf("ADM Image Suite", 1).released, 1);
  EXPECT_TRUE(HeldTableSuites().empty()) << "between messages no suite of the table is held";
  host().Shutdown();
  EXPECT_TRUE(host().suites().Unbalanced().empty());
}

TEST_F(FrameTest, NestedMessageReusesTheHeldSuites) {
  ASSERT_EQ(host().Startup(), host::kNoErr);
  int acquiredInside = -1;
  int acquiredBefore = 0;
  host::Err nestedResult = -1;
  host().dialogs().QueueModal([&](hostsim::Dialog& about) {
    acquiredBefore = host().suites().TotalAcquisitions();
    host::MenuMessage menu{host().NewMessage(), nullptr};
    nestedResult = host().Send(host::kCallerMenu, "AI Go", &menu);
    acquiredInside = host().suites().TotalAcquisitions() - acquiredBefore;
    about.Press(1);
  });
  host().About();
  EXPECT_EQ(nestedResult, host::kNoErr);
  EXPECT_EQ(acquiredInside, 0);
  host().Shutdown();
  EXPECT_TRUE(host().suites().Unbalanced().empty());
}

TEST_F(FrameTest, UnknownCallersAndSelectorsYieldZeroAndReportNothing) {
  ASSERT_EQ(host().Startup(), host::kNoErr);
  host::MessageData m = host().NewMessage();
  EXPECT_EQ(host().Send("AI Menu", "AI Something", &m), 0);
  EXPECT_EQ(host().Send("Someone Else", "AI Go", &m), 0);
  EXPECT_EQ(host().Send("SP Interface", "Purge", &m), 0);
  EXPECT_EQ(host().Send("SP Access", "Purge", &m), 0);
  EXPECT_TRUE(host().dialogs().modalLog().empty());
  host().Shutdown();
}

TEST_F(FrameTest, FailedAcquisitionIsReturnedAndRetriedByTheNextMessage) {
  host().suites().FailAcquisition("AI Layer Suite", host::FourCC('S', '!', 'F', 'D'));
  EXPECT_EQ(host().Startup(), host::FourCC('S', '!', 'F', 'D'));
  EXPECT_TRUE(host().liveBlocks().empty()) << "nothing is dispatched";
  EXPECT_TRUE(host().dialogs().modalLog().empty()) << "no dialog suites, no error dialog";
  EXPECT_TRUE(HeldTableSuites().empty())
      << "suites acquired before the failing one are given back: "
      << ::testing::PrintToString(HeldTableSuites());

  host().suites().FailAcquisition("AI Layer Suite", host::kNoErr);
  EXPECT_EQ(host().Startup(), host::kNoErr);
  EXPECT_EQ(host().liveBlocks().size(), 1u);
  host().Shutdown();
  EXPECT_TRUE(host().suites().Unbalanced().empty());
}

TEST_F(FrameTest, FailingGlobalsAllocationStopsStartupAndIsReported) {
  host().suites().FailOperation("SP Blocks Suite", "AllocateBlock", host::kMemoryErr);
  host().dialogs().QueueModal([](hostsim::Dialog& error) { error.Press(1); });
  EXPECT_EQ(host().Startup(), host::kMemoryErr);
  EXPECT_TRUE(host().liveBlocks().empty());
  EXPECT_EQ(host().pluginOptions(), 0) << "nothing after the allocation ran";
  ASSERT_EQ(host().dialogs().modalLog().size(), 1u);
  EXPECT_EQ(host().dialogs().modalLog()[0].texts.at(3), "271");
  EXPECT_TRUE(HeldTableSuites().empty());
}

// An exception in a handler (memory running out in a standard container, or anything
// else) never reaches the host: the message ends with the memory error, which is shown,
// and the suites are given back.
TEST_F(FrameTest, AMessageEndedByAnExceptionReturnsTheMemoryErrorAndGivesBackTheSuites) {
  ASSERT_EQ(host().Startup(), host::kNoErr);
  const std::function<void()> throws[] = {[] { throw std::bad_alloc(); },
                                          [] { throw std::runtime_error("other"); }};
  for (const auto& fail : throws) {
    host().dialogs().QueueModal([&](hostsim::Dialog&) { fail(); });
    host().dialogs().QueueModal([](hostsim::Dialog& error) { error.Press(1); });
    EXPECT_EQ(host().About(), host::kMemoryErr);
    ASSERT_FALSE(host().dialogs().modalLog().empty());
    EXPECT_EQ(host().dialogs().modalLog().back().texts.at(3), "271");
    EXPECT_TRUE(HeldTableSuites().empty()) << ::testing::PrintToString(HeldTableSuites());
  }
  EXPECT_EQ(host().Shutdown(), host::kNoErr);
  EXPECT_TRUE(host().suites().Unbalanced().empty());
}

TEST_F(FrameTest, OnlyResultsAboveOneAreReported) {
  struct Case {
    host::Err code;
    bool reported;
  };
  // The user's settings: a start-up that failed before reading them must not have the
  // shut-down replace them with its empty block.
  const std::filesystem::path prefs =
      drive_.path() / "Program Files" / "VELM Host" / "Prefs" / "VELM-Pro.ini";
  const std::string settings = "toolMode = 3\r\nflGrWidth = 20\r\nvelmfname = \"g\"\r\n";
  std::filesystem::create_directories(prefs.parent_path());
  std::ofstream(prefs, std::ios::binary) << settings;
  auto fileText = [&] {
    std::ifstream in(prefs, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  for (const Case c : {Case{1, false}, Case{host::kStopErr, false}, Case{-108, false},
                       Case{2, true}, Case{host::FourCC('N', 'E', 'S', 'S'), true}}) {
    host().suites().FailOperation("AI Plugin Suite", "SetPluginOptions", c.code);
    if (c.reported) host().dialogs().QueueModal([](hostsim::Dialog& d) { d.Press(1); });
    const std::size_t shown = host().dialogs().modalLog().size();
    EXPECT_EQ(host().Startup(), c.code);
    EXPECT_EQ(host().dialogs().modalLog().size() - shown, c.reported ? 1u : 0u)
        << "code " << c.code;
    host().suites().ClearFailures();
    EXPECT_EQ(host().Shutdown(), host::kNoErr);
    EXPECT_EQ(fileText(), settings) << "code " << c.code;
  }
  // A start-up that read them writes them back at shut-down.
  ASSERT_EQ(host().Startup(), host::kNoErr);
  EXPECT_EQ(host().Shutdown(), host::kNoErr);
  EXPECT_NE(fileText().find("toolMode = 3\r\n"), std::string::npos);
  EXPECT_NE(fileText().find("velmfname = \"g\"\r\n"), std::string::npos);
  EXPECT_TRUE(host().suites().Unbalanced().empty());
  EXPECT_TRUE(host().liveBlocks().empty());
}

}  // namespace
