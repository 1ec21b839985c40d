// Record dates: seconds since 1904 on the local wall clock, and their display text.
#include "database/record_time.h"

#include <gtest/gtest.h>

#include <string>

namespace velm {
namespace {

os::SystemTime gClock;
void FixedClock(os::SystemTime* time) {
  *time = gClock;
}

// Sets the local clock for one scope.
struct ClockAt {
  ClockAt(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    gClock = {};
    gClock.year = static_cast<std::uint16_t>(year);
    gClock.month = static_cast<std::uint16_t>(month);
    gClock.day = static_cast<std::uint16_t>(day);
    gClock.hour = static_cast<std::uint16_t>(hour);
    gClock.minute = static_cast<std::uint16_t>(minute);
    gClock.second = static_cast<std::uint16_t>(second);
    gClock.milliseconds = static_cast<std::uint16_t>(ms);
    os::TestOverrides().localTime = FixedClock;
  }
  ~ClockAt() { os::TestOverrides().localTime = nullptr; }
};

std::string DateText(RecordTime time) {
  char text[kRecordDateTextSize];
  FormatRecordDate(time, text, sizeof text);
  return text;
}

void ExpectDate(RecordTime time, int year, int month, int day, int hour, int minute, int second) {
  const os::SystemTime t = RecordTimeToLocalTime(time);
  EXPECT_EQ(t.year, year);
  EXPECT_EQ(t.month, month);
  EXPECT_EQ(t.day, day);
  EXPECT_EQ(t.hour, hour);
  EXPECT_EQ(t.minute, minute);
  EXPECT_EQ(t.second, second);
}

TEST(RecordTime, EpochAndLastRepresentableTime) {
  ExpectDate(0, 1904, 1, 1, 0, 0, 0);
  EXPECT_EQ(DateText(0), "04/01/01 00:00");
  ExpectDate(0xFFFFFFFFu, 2040, 2, 6, 6, 28, 15);
  EXPECT_EQ(DateText(0xFFFFFFFFu), "40/02/06 06:28");
}

TEST(RecordTime, LeapDaysAndTwoDigitYears) {
  ExpectDate(3034713599u, 2000, 2, 29, 23, 59, 59);
  EXPECT_EQ(DateText(3034713599u), "00/02/29 23:59");
  EXPECT_EQ(DateText(3797824089u), "24/05/06 07:08");
}

TEST(RecordTime, CurrentTimeIsTheLocalClockAsItReads) {
  {
    ClockAt clock(2024, 5, 6, 7, 8, 9, 999);  // milliseconds are dropped
    EXPECT_EQ(CurrentRecordTime(), 3797824089u);
  }
  {
    ClockAt clock(1904, 1, 1, 0, 0, 0);
    EXPECT_EQ(CurrentRecordTime(), 0u);
  }
  {
    ClockAt clock(2040, 2, 6, 6, 28, 15, 500);
    EXPECT_EQ(CurrentRecordTime(), 0xFFFFFFFFu);
  }
}

TEST(RecordTime, ClocksOutsideTheRangeStopAtItsEnds) {
  {
    ClockAt clock(2040, 2, 6, 6, 28, 16);  // one second too late: no wrap to 1904
    EXPECT_EQ(CurrentRecordTime(), 0xFFFFFFFFu);
  }
  {
    ClockAt clock(2100, 1, 1, 0, 0, 0);
    EXPECT_EQ(CurrentRecordTime(), 0xFFFFFFFFu);
  }
  {
    ClockAt clock(1903, 12, 31, 23, 59, 59);
    EXPECT_EQ(CurrentRecordTime(), 0u);
  }
  {
    ClockAt clock(2024, 13, 1, 0, 0, 0);  // a clock that cannot be read
    EXPECT_EQ(CurrentRecordTime(), 0u);
  }
}

}  // namespace
}  // namespace velm
