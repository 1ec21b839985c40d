// The "Plug-in Error" dialog: which codes are shown, with which message and code text.
#include <gtest/gtest.h>

#include "common/host_fixture.h"
#include "entry/plugin_main.h"
#include "frame/suites.h"
#include "host/errors.h"

namespace {

constexpr const char kMemory[] =
    "The filter cannot complete because there isn't enough memory (RAM) available.";
constexpr const char kLocked[] =
    "The filter cannot complete because a layer is locked or invisible.";
constexpr const char kSelection[] = "The selection is not valid for this filter.";
constexpr const char kUnknown[] = "The filter cannot complete because of an unknown error.";

class ErrorReportTest : public velmtest::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    UseInProcessPlugin();
    ASSERT_EQ(host().Startup(), host::kNoErr);
    message_ = host().NewMessage();
    ASSERT_EQ(velm::AcquireSuites(message_.basic), host::kNoErr);
  }
  void TearDown() override {
    velm::ReleaseSuites(message_.basic);
    host().Shutdown();
    HostTest::TearDown();
  }

  // Reports `code`; returns the dialog shown, or null when none was.
  const hostsim::ModalRecord* Report(host::Err code) {
    const std::size_t before = host().dialogs().modalLog().size();
    host().dialogs().QueueModal([](hostsim::Dialog& d) { d.Press(1); });
    velm::ReportError(&message_, code);
    if (host().dialogs().modalLog().size() == before) {
      host().dialogs().ClearScripts();
      return nullptr;
    }
    return &host().dialogs().modalLog().back();
  }

  host::MessageData message_{};
};

TEST_F(ErrorReportTest, KnownCodesShowTheirMessageAndCode) {
  struct Case {
    host::Err code;
    const char* message;
    const char* codeText;
  };
  const Case cases[] = {
      {271, kMemory, "271"},
      {-108, kMemory, "-108"},
      {host::FourCC('S', 'E', 'G', 'M'), kLocked, "SEGM"},
      {host::FourCC('!', 's', 'e', 'l'), kSelection, "!sel"},
  };
  for (const Case& c : cases) {
    const hostsim::ModalRecord* shown = Report(c.code);
    ASSERT_NE(shown, nullptr) << c.codeText;
    EXPECT_EQ(shown->name, "Error Dialog");
    EXPECT_EQ(shown->dialogId, 16051);
    EXPECT_EQ(shown->title, "Plug-in Error");
    EXPECT_EQ(shown->texts.at(2), c.message) << c.codeText;
    EXPECT_EQ(shown->texts.at(3), c.codeText);
    EXPECT_EQ(shown->result, 1) << "the OK button closes it";
  }
}

TEST_F(ErrorReportTest, UnknownCodesShowTheLastMessageWithTheirCodeText) {
  const hostsim::ModalRecord* letters = Report(host::FourCC('A', 'B', 'C', 'D'));
  ASSERT_NE(letters, nullptr);
  EXPECT_EQ(letters->texts.at(2), kUnknown);
  EXPECT_EQ(letters->texts.at(3), "ABCD");

  const hostsim::ModalRecord* negative = Report(-50);
  ASSERT_NE(negative, nullptr);
  EXPECT_EQ(negative->texts.at(2), kUnknown);
  EXPECT_EQ(negative->texts.at(3), "-50");

  const hostsim::ModalRecord* positive = Report(65535);
  ASSERT_NE(positive, nullptr);
  EXPECT_EQ(positive->texts.at(3), "65535");
}

TEST_F(ErrorReportTest, ZeroAndStopShowNothing) {
  EXPECT_EQ(Report(0), nullptr);
  EXPECT_EQ(Report(host::kStopErr), nullptr);
}

TEST_F(ErrorReportTest, NoDialogWhenTheMessageCannotBeRead) {
  host().suites().FailOperation("ADM Basic Suite", "GetIndexString", host::kHostFailureErr, 1);
  // The first string read works (code text "-108" does not match 'SEGM'), the next fails:
  // the lookup ends, and the message before it cannot be read either.
  EXPECT_EQ(Report(host::FourCC('S', 'E', 'G', 'M')), nullptr);
  host().suites().ClearFailures();
  EXPECT_NE(Report(host::FourCC('S', 'E', 'G', 'M')), nullptr);
}

}  // namespace
