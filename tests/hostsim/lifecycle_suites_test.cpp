// The stand-in host's menus, timers, notifiers and preferences, called as a plug-in
// calls them, with a recording plug-in receiving the messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "document_fixture.h"
#include "host/ai_document.h"
#include "host/ai_lifecycle.h"
#include "host/messages.h"

namespace {

using velmtest::DocumentTest;

// Every message the recording plug-in got, as "caller/selector" and the handle it names.
struct Received {
  std::string what;
  const void* handle;
};
std::vector<Received> gReceived;

host::Err Recorder(const char* caller, const char* selector, void* message) {
  const std::string c = caller;
  const void* handle = nullptr;
  if (c == host::kCallerMenu) handle = static_cast<host::MenuMessage*>(message)->menuItem;
  if (c == host::kCallerTimer) handle = static_cast<host::TimerMessage*>(message)->timer;
  if (c == host::kCallerNotifier) handle = static_cast<host::NotifierMessage*>(message)->notifier;
  gReceived.push_back({c + "/" + selector, handle});
  return host::kNoErr;
}

class LifecycleSuitesTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    host().UseInProcessPlugin(Recorder, nullptr);
    gReceived.clear();
  }
  host::PluginRef Self() { return host().NewMessage().self; }
  std::vector<std::string> Received() {
    std::vector<std::string> out;
    for (const auto& r : gReceived)
      out.push_back(r.what);
    gReceived.clear();
    return out;
  }
};

TEST_F(LifecycleSuitesTest, MenuItemsKeepTheirTextsAndGetTheirMessages) {
  const auto& menu = Suite<host::MenuSuite>();
  const unsigned char text[] = "\x05Show!";  // five bytes taken, the sixth is not
  host::MenuItemHandle first = nullptr, second = nullptr, bad = nullptr;
  ASSERT_EQ(menu.AddMenuItem(Self(), "first", "Palettes", text, 1, &first), host::kNoErr);
  ASSERT_EQ(menu.AddMenuItem(Self(), "second", "Window", text, 0, &second), host::kNoErr);
  EXPECT_EQ(menu.AddMenuItem(Self(), "bad", "Nowhere", text, 0, &bad), host::kBadParameterErr);
  EXPECT_EQ(bad, nullptr);
  EXPECT_EQ(host().menuItems().size(), 2u);
  EXPECT_EQ(host().MenuItemText("first"), "Show!");

  const std::string japanese = hostsim::ToSjis("VELM-Pro を隠す");
  EXPECT_EQ(menu.SetItemText(second, japanese.c_str()), host::kNoErr);
  EXPECT_EQ(hostsim::ToUtf8(host().MenuItemText("second")), "VELM-Pro を隠す");
  EXPECT_EQ(menu.SetItemText(bad, "x"), host::kBadParameterErr);

  EXPECT_EQ(host().ChooseMenuItem("second"), host::kNoErr);
  ASSERT_EQ(gReceived.size(), 1u);
  EXPECT_EQ(gReceived[0].handle, second);
  EXPECT_EQ(host().UpdateMenus(), host::kNoErr);
  ASSERT_EQ(gReceived.size(), 3u);
  EXPECT_EQ(gReceived[1].handle, first);
  EXPECT_EQ(gReceived[2].handle, second);
  EXPECT_EQ(Received(),
            (std::vector<std::string>{"AI Menu/AI Go", "AI Menu/AI Update", "AI Menu/AI Update"}));

  host().suites().FailOperation("AI Menu Suite", "SetItemText", host::kHostFailureErr);
  EXPECT_EQ(menu.SetItemText(first, "changed"), host::kHostFailureErr);
  EXPECT_EQ(host().MenuItemText("first"), "Show!");
}

TEST_F(LifecycleSuitesTest, TimersGoOffWhenTheirPeriodsElapse) {
  const auto& timers = Suite<host::TimerSuite>();
  host::TimerHandle half = nullptr, slow = nullptr, none = nullptr;
  ASSERT_EQ(timers.AddTimer(Self(), "half", 30, &half), host::kNoErr);
  ASSERT_EQ(timers.AddTimer(Self(), "slow", 45, &slow), host::kNoErr);
  EXPECT_EQ(timers.AddTimer(Self(), "never", 0, &none), host::kBadParameterErr);
  host().suites().FailOperation("AI Timer Suite", "AddTimer", host::kHostFailureErr);
  EXPECT_EQ(timers.AddTimer(Self(), "failed", 10, &none), host::kHostFailureErr);
  EXPECT_EQ(host().timers().size(), 2u);

  EXPECT_EQ(host().AdvanceClock(29), host::kNoErr);
  EXPECT_TRUE(gReceived.empty());
  EXPECT_EQ(host().AdvanceClock(61), host::kNoErr);  // to tick 90: 30, 45, 60, 90, 90
  std::vector<const void*> order;
  for (const auto& r : gReceived)
    order.push_back(r.handle);
  EXPECT_EQ(order, (std::vector<const void*>{half, slow, half, half, slow}));
  EXPECT_EQ(host().clock(), 90);
  gReceived.clear();
  EXPECT_EQ(host().SendTimerTick("slow"), host::kNoErr);
  ASSERT_EQ(gReceived.size(), 1u);
  EXPECT_EQ(gReceived[0].handle, slow);
  EXPECT_EQ(gReceived[0].what, "AI Timer/AI Go");
}

TEST_F(LifecycleSuitesTest, ApplicationStartedReachesItsSubscribersOnly) {
  const auto& notifiers = Suite<host::NotifierSuite>();
  host::NotifierHandle started = nullptr, selection = nullptr, unknown = nullptr;
  ASSERT_EQ(notifiers.AddNotifier(Self(), "n1", "AI Application Started Notifier", &started),
            host::kNoErr);
  ASSERT_EQ(notifiers.AddNotifier(Self(), "n2", "AI Art Selection Changed Notifier", &selection),
            host::kNoErr);
  EXPECT_EQ(notifiers.AddNotifier(Self(), "n3", "AI Made Up Notifier", &unknown),
            host::kBadParameterErr);
  EXPECT_EQ(host().ApplicationStarted(), host::kNoErr);
  ASSERT_EQ(gReceived.size(), 1u);
  EXPECT_EQ(gReceived[0].what, "AI Notifier/AI Notify");
  EXPECT_EQ(gReceived[0].handle, started);

  // The plug-in's shut-down takes its objects with it.
  EXPECT_EQ(host().Shutdown(), host::kNoErr);
  EXPECT_TRUE(host().notifiers().empty());
}

TEST_F(LifecycleSuitesTest, PreferencesSurviveARestartOfTheHost) {
  const std::string group = hostsim::ToSjis("ドック\t\\x41\n");  // bytes a line cannot hold
  {
    const auto& p = Suite<host::PreferenceSuite>();
    const host::Point at{-12, 345};
    EXPECT_EQ(p.PutIntegerPreference("Pal", "count", 3), host::kNoErr);
    EXPECT_EQ(p.PutIntegerPreference("Pal", "count", 4), host::kNoErr);
    EXPECT_EQ(p.PutPointPreference("Pal", "at", &at), host::kNoErr);
    EXPECT_EQ(p.PutStringPreference("Pal", "group", group.c_str()), host::kNoErr);
    EXPECT_EQ(p.PutBooleanPreference("Pal", "visible", true), host::kNoErr);
    EXPECT_EQ(p.PutIntegerPreference("Other Pal", "count", 9), host::kNoErr);
    host().suites().FailOperation("AI Preference Suite", "PutIntegerPreference",
                                  host::kHostFailureErr);
    EXPECT_EQ(p.PutIntegerPreference("Pal", "lost", 1), host::kHostFailureErr);
  }
  EXPECT_TRUE(std::filesystem::exists(drive_.path() / "Program Files/VELM Host/Host Prefs.txt"));
  host_.reset();
  host_ = std::make_unique<hostsim::Host>(VELM_MODULE_PATH, drive_.path().string());
  host_->SetFailureHandler([](const std::string& what) { ADD_FAILURE() << "host: " << what; });

  const auto& p = Suite<host::PreferenceSuite>();
  std::int32_t count = 0;
  host::Point at{};
  host::Boolean visible = false;
  char text[64] = {};
  EXPECT_EQ(p.GetIntegerPreference("Pal", "count", &count), host::kNoErr);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(p.GetIntegerPreference("Other Pal", "count", &count), host::kNoErr);
  EXPECT_EQ(count, 9);
  EXPECT_EQ(p.GetPointPreference("Pal", "at", &at), host::kNoErr);
  EXPECT_EQ(at.h, -12);
  EXPECT_EQ(at.v, 345);
  EXPECT_EQ(p.GetStringPreference("Pal", "group", text, sizeof text), host::kNoErr);
  EXPECT_EQ(std::string(text), group);
  EXPECT_EQ(p.GetBooleanPreference("Pal", "visible", &visible), host::kNoErr);
  EXPECT_TRUE(visible);

  // Missing keys, another kind, a short buffer.
  EXPECT_EQ(p.GetIntegerPreference("Pal", "lost", &count), host::kNotFoundErr);
  EXPECT_EQ(p.GetIntegerPreference("Nobody", "count", &count), host::kNotFoundErr);
  EXPECT_EQ(p.GetIntegerPreference("Pal", "at", &count), host::kBadParameterErr);
  EXPECT_EQ(count, 9) << "a failed read leaves the value alone";
  EXPECT_EQ(p.GetStringPreference("Pal", "group", text, 4), host::kNoErr);
  EXPECT_EQ(std::string(text), group.substr(0, 3));
}

}  // namespace
