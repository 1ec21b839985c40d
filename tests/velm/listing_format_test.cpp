// The listing's sizes and dates: the same text as printf gives, whatever was formatted
// before.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "command_support.h"
#include "database/record_time.h"

namespace {

std::string PrintfPoints(double points) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", points);
  std::string s = text;
  while (!s.empty() && s.back() == '0')
    s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string PrintfDate(std::uint32_t time) {
  const velm::os::SystemTime t = velm::RecordTimeToLocalTime(time);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute);
  return text;
}

TEST(ListingFormat, SizesRoundAsPrintfRounds) {
  // Every fixed number near zero (ties to even among them: 0.125, 0.375, ...), the ends
  // of the 16.16 range, and numbers that are no fixed number.
  for (std::int64_t fixed = -300000; fixed <= 300000; ++fixed)
    ASSERT_EQ(velmtool::FormatPoints(static_cast<double>(fixed) / 65536.0),
              PrintfPoints(static_cast<double>(fixed) / 65536.0))
        << fixed;
  for (const double points : {32767.99998474121, -32768.0, 1e12, -1e-9, 0.005, 2.675, 1.0 / 3})
    EXPECT_EQ(velmtool::FormatPoints(points), PrintfPoints(points)) << points;
}

TEST(ListingFormat, DatesAreThoseOfTheirOwnTime) {
  const std::uint32_t base = 3000000000u - 3000000000u % 60;
  for (const std::uint32_t time : {base, base + 59, base + 60, base + 59, base, 0u, 0xffffffffu,
                                   base + 86400, base + 86400 + 1})
    EXPECT_EQ(velmtool::FormatDate(time), PrintfDate(time)) << time;
}

}  // namespace
